#include "game/monsters/monster_templates.h"
// Placeholder until the monster templates land.
MonsterTemplate monsterTemplates[kMaxMonsterTemplates];
int templateCount = 0;
void loadMonsterTemplate(const char*) {}
int findMonsterTemplate(const char*) { return -1; }
