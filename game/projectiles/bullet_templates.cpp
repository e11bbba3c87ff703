#include "game/projectiles/bullet_templates.h"
// Placeholder until the bullet templates land.
BulletTemplate bulletTemplates[kMaxBulletTemplates];
int bulletTemplateCount = 0;
void loadBulletTemplate(const char*) {}
int findBulletTemplate(const char*) { return -1; }
