#include "game/bonuses/bonuses.h"
// Placeholder until the bonuses land.
Bonus bonuses[kMaxBonuses];
int bonusCount = 0;
void addBonus(const Bonus&) {}
void removeBonus(int) {}
void clearBonuses() { bonusCount = 0; }
void drawBonuses() {}
void updateBonuses() {}
void placeBonusEdges(int) {}
void tryPickUpBonus(int) {}
