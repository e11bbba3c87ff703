// Kinds of bullet, read from "Bullets/*.blt" at start-up.
#pragma once

#include <cstdint>

struct BulletTemplate {
    float damage = 0.0f;
    float speed = 0.0f;
    int32_t spread = 0;
    bool scores = false;
    bool trail = false;
    char name[258] = {};
};

constexpr int kMaxBulletTemplates = 32;
extern BulletTemplate bulletTemplates[kMaxBulletTemplates];
extern int bulletTemplateCount;

// Reads one file. A missing file shows "File not found"; a file that ends
// early or does not parse is rejected whole; a full table ignores the file.
void loadBulletTemplate(const char* path);
int findBulletTemplate(const char* name);
