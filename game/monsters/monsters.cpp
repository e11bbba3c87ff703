#include "game/monsters/monsters.h"
// Placeholder until the monsters land.
Monster monsters[kMaxMonsters];
int monsterCount = 0;
float spawnTimer = 0.0f;
float spawnInterval = 0.0f;
float hmSoundTimer = 0.0f;
void buildHitEdges(Monster&) {}
void clearMonsters() { monsterCount = 0; }
void lowerSpriteIndicesFrom(int) {}
void updateSpawner(float, float) {}
int spawnMonster(const char*, const Vec2&) { return -1; }
int addMonster(const Monster&) { return -1; }
void updateMonsters() {}
void monsterAttacks() {}
void addMonsterCorpse(const Monster&) {}
void removeMonster(int) {}
