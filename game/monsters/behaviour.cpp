// Every monster turns to the Marine, walks at him and hits him on contact.
// Kinds differ only in their template's numbers.
#include <cmath>

#include "game/layers/sprite_layer.h"
#include "game/monsters/monsters.h"
#include "game/player/marine.h"
#include "game/world/effects.h"
#include "game/world/world.h"

namespace {

constexpr float kHitDistance = 0.1f;
constexpr float kPushDivisor = 100.0f;
constexpr float kGruntSpacing = 300.0f;

} // namespace

void updateMonsters() {
    World& w = world();
    const bool alive = !w.marine.marineDead;

    // Turn toward the Marine, once per frame whatever its length.
    if (alive) {
        for (int i = 0; i < w.monsterCount; ++i) {
            Monster& m = w.monsters[i];
            Vec2 toMarine = w.marine.position - m.position;
            float turn = m.heading.cosAngle(toMarine.perpUnit());
            m.heading.rotate(turn);
        }
    }

    // Edges before the move: bullets of the next frame test where the
    // monster stood when it was drawn.
    for (int i = 0; i < w.monsterCount; ++i)
        buildHitEdges(w.monsters[i]);

    for (int i = 0; i < w.monsterCount; ++i) {
        const Monster& m = w.monsters[i];
        if (m.spriteIndex < 0 || m.spriteIndex >= w.spriteLayer.count) continue;
        AnimSprite placed;
        placed.size = m.size;
        placed.centre = m.position;
        placed.direction = m.heading.perpUnit();
        w.spriteLayer.place(m.spriteIndex, placed);
    }

    if (alive) {
        for (int i = 0; i < w.monsterCount; ++i) {
            Monster& m = w.monsters[i];
            Vec2 toMarine = w.marine.position - m.position;
            float distance = std::sqrt(toMarine.dot(toMarine));
            // Standing exactly on him there is no direction: keep the last.
            if (distance > 0.0f) m.moveDir = toMarine / distance;
        }
    }

    // After the Marine's death they walk on in their last direction.
    for (int i = 0; i < w.monsterCount; ++i) {
        Monster& m = w.monsters[i];
        m.position += m.moveDir * m.speed * w.frameDelta;
    }

    monsterAttacks();
}

void monsterAttacks() {
    World& w = world();
    w.hmSoundTimer += w.frameDelta;
    for (int i = 0; i < w.monsterCount; ++i) {
        Monster& m = w.monsters[i];
        m.attackTimer += w.frameDelta; // runs near or far, so arrival hits at once
        Vec2 toMarine = w.marine.position - m.position;
        if (std::sqrt(toMarine.dot(toMarine)) > kHitDistance) continue;
        if (m.attackTimer < m.attackInterval) continue;

        m.attackTimer = 0.0f;
        if (!w.marine.marineDead) {
            w.marine.health -= m.damage;
            if (w.hmSoundTimer >= kGruntSpacing) {
                cueSound(SoundMarineHm);
                w.hmSoundTimer = 0.0f;
            }
        }
        // Even a dead Marine gets shoved about.
        w.marine.position += m.heading / kPushDivisor;
    }
}
