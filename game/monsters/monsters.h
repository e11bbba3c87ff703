// Live monsters: the pool, spawning, behaviour and death.
#pragma once

#include <cstdint>

#include "math/vec2.h"

struct Monster {
    Vec2 position;
    Vec2 moveDir;
    Vec2 heading;
    Segment hitEdges[4];
    float speed = 0.0f;
    float damage = 0.0f;
    float health = 0.0f;
    float size = 0.0f;
    float attackTimer = 0.0f;
    float attackInterval = 0.0f;
    int32_t spriteIndex = 0;
    int32_t scoreValue = 0;
    int32_t texture = 0;
};

constexpr int kMaxMonsters = 1024;
constexpr int kMonsterSpawnLimit = 1000;

// Spawner state.

// Right, left, front and back sides of the monster's square.
void buildHitEdges(Monster& monster);
void clearMonsters();
// Lowers the spriteIndex of every monster whose sprite lay at or after
// `removedIndex` (the sprite layer calls this when an effect expires).
void lowerSpriteIndicesFrom(int removedIndex);

void updateSpawner(float radius, float unused);
int spawnMonster(const char* templateName, const Vec2& position);
// Appends the monster with its sprite; returns the new count, or -1 when the
// sprite layer is full (then no monster is added).
int addMonster(const Monster& monster);

void updateMonsters();
void monsterAttacks();

void addMonsterCorpse(const Monster& monster);
void removeMonster(int index);
