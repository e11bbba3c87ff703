// Every monster turns to the Marine, walks at him and hits him on contact.
// Kinds differ only in their template's numbers.
#include <cmath>

#include "game/layers/sprite_layer.h"
#include "game/monsters/monsters.h"
#include "game/player/marine.h"
#include "game/world/effects.h"
#include "input/input.h"

float hmSoundTimer = 0.0f;

namespace {

constexpr float kHitDistance = 0.1f;
constexpr float kPushDivisor = 100.0f;
constexpr float kGruntSpacing = 300.0f;

} // namespace

void updateMonsters() {
    const bool alive = !marine.marineDead;

    // Turn toward the Marine, once per frame whatever its length.
    if (alive) {
        for (int i = 0; i < monsterCount; ++i) {
            Monster& m = monsters[i];
            Vec2 toMarine = marine.position - m.position;
            float turn = m.heading.cosAngle(toMarine.perpUnit());
            m.heading.rotate(turn);
        }
    }

    // Edges before the move: bullets of the next frame test where the
    // monster stood when it was drawn.
    for (int i = 0; i < monsterCount; ++i)
        buildHitEdges(monsters[i]);

    for (int i = 0; i < monsterCount; ++i) {
        const Monster& m = monsters[i];
        if (m.spriteIndex < 0 || m.spriteIndex >= spriteLayer.count) continue;
        AnimSprite placed;
        placed.size = m.size;
        placed.centre = m.position;
        placed.direction = m.heading.perpUnit();
        spriteLayer.place(m.spriteIndex, placed);
    }

    if (alive) {
        for (int i = 0; i < monsterCount; ++i) {
            Monster& m = monsters[i];
            Vec2 toMarine = marine.position - m.position;
            float distance = std::sqrt(toMarine.dot(toMarine));
            // Standing exactly on him there is no direction: keep the last.
            if (distance > 0.0f) m.moveDir = toMarine / distance;
        }
    }

    // After the Marine's death they walk on in their last direction.
    for (int i = 0; i < monsterCount; ++i) {
        Monster& m = monsters[i];
        m.position += m.moveDir * m.speed * frameDelta;
    }

    monsterAttacks();
}

void monsterAttacks() {
    hmSoundTimer += frameDelta;
    for (int i = 0; i < monsterCount; ++i) {
        Monster& m = monsters[i];
        m.attackTimer += frameDelta; // runs near or far, so arrival hits at once
        Vec2 toMarine = marine.position - m.position;
        if (std::sqrt(toMarine.dot(toMarine)) > kHitDistance) continue;
        if (m.attackTimer < m.attackInterval) continue;

        m.attackTimer = 0.0f;
        if (!marine.marineDead) {
            marine.health -= m.damage;
            if (hmSoundTimer >= kGruntSpacing) {
                cueSound(SoundMarineHm);
                hmSoundTimer = 0.0f;
            }
        }
        // Even a dead Marine gets shoved about.
        marine.position += m.heading / kPushDivisor;
    }
}
