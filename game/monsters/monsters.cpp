#include "game/monsters/monsters.h"
#include "game/world/world.h"

#include <cstring>

void buildHitEdges(Monster& monster) {
    Vec2 f = monster.heading * monster.size;
    Vec2 r = monster.heading.perpUnit() * monster.size;
    Vec2 frontRight = monster.position + r + f;
    Vec2 backRight = monster.position + r - f;
    Vec2 frontLeft = monster.position - r + f;
    Vec2 backLeft = monster.position - r - f;
    monster.hitEdges[0] = {frontRight, backRight}; // right
    monster.hitEdges[1] = {frontLeft, backLeft};   // left
    monster.hitEdges[2] = {frontRight, frontLeft}; // front
    monster.hitEdges[3] = {backRight, backLeft};   // back
}

void clearMonsters() {
    World& w = world();
    for (int i = 0; i < w.monsterCount; ++i)
        w.monsters[i] = Monster{};
    w.monsterCount = 0;
}

void lowerSpriteIndicesFrom(int removedIndex) {
    World& w = world();
    for (int i = 0; i < w.monsterCount; ++i)
        if (w.monsters[i].spriteIndex >= removedIndex) --w.monsters[i].spriteIndex;
}
