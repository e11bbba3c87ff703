// Kinds of monster, read from "Monsters/*.mst" at start-up.
#pragma once

#include <cstdint>

struct MonsterTemplate {
    float damage = 0.0f;
    float health = 0.0f;
    float size = 0.0f;
    float speed = 0.0f;
    float attackInterval = 0.0f;
    int32_t scoreValue = 0;
    int32_t texture = 0;
    char name[256] = {};
    char textureFile[256] = {};
};

constexpr int kMaxMonsterTemplates = 32;
extern MonsterTemplate monsterTemplates[kMaxMonsterTemplates];
extern int templateCount;

// Reads one file. A missing file shows "File not found"; a malformed file is
// rejected whole; a full table ignores the file.
void loadMonsterTemplate(const char* path);
int findMonsterTemplate(const char* name);
