// Shared set-up for the monster, hit, bonus and death tests: a fresh world
// without a window, hand-made templates, and the sprite-index invariant.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>

#include "app/frame.h"
#include "app/input.h"
#include "app/settings.h"
#include "audio/sound_bank.h"
#include "draw/texture_bank.h"
#include "game/bonuses/bonuses.h"
#include "game/layers/decal_layer.h"
#include "game/layers/sprite_layer.h"
#include "game/monsters/monster_templates.h"
#include "game/monsters/monsters.h"
#include "game/player/death.h"
#include "game/player/marine.h"
#include "game/player/weapons.h"
#include "game/projectiles/bullet_templates.h"
#include "game/projectiles/bullets.h"
#include "game/world/world.h"
#include "math/rng.h"
#include "platform/platform.h"
#include "session/session.h"

namespace arena {

inline void setMonsterTemplate(int index, const char* name, float size, float speed,
                               float health = 10.0f, int score = 10) {
    MonsterTemplate& t = monsterTemplates[index];
    t = MonsterTemplate{};
    std::snprintf(t.name, sizeof(t.name), "%s", name);
    t.damage = 5.0f;
    t.health = health;
    t.size = size;
    t.speed = speed;
    t.attackInterval = 500.0f;
    t.scoreValue = score;
    t.texture = 0;
}

// The nine names the spawner asks for, each with its own size so a sprite
// can be told from its neighbours.
inline void fillMonsterTemplates() {
    const char* kinds[3] = {"Tooth", "Zombie", "Mind"};
    const char* sizes[3] = {"Small", "Medium", "Large"};
    templateCount = 0;
    for (int k = 0; k < 3; ++k)
        for (int s = 0; s < 3; ++s) {
            char name[64];
            std::snprintf(name, sizeof(name), "Monster%s%s", kinds[k], sizes[s]);
            setMonsterTemplate(templateCount, name, 0.03f + 0.01f * s + 0.001f * k, 0.0002f);
            MonsterTemplate& t = monsterTemplates[templateCount];
            std::snprintf(t.textureFile, sizeof(t.textureFile), "Textures/%s.bmp", kinds[k]);
            t.texture = textureBank.slotFor(t.textureFile);
            ++templateCount;
        }
}

inline void setBulletTemplate(const char* name, float damage, float speed, int spread, bool scores,
                              bool trail) {
    int index = findBulletTemplate(name);
    if (index < 0) index = bulletTemplateCount++;
    BulletTemplate& t = bulletTemplates[index];
    t = BulletTemplate{};
    std::snprintf(t.name, sizeof(t.name), "%s", name);
    t.damage = damage;
    t.speed = speed;
    t.spread = spread;
    t.scores = scores;
    t.trail = trail;
}

inline void fillBulletTemplates() {
    bulletTemplateCount = 0;
    setBulletTemplate("BulletPistol", 10.0f, 0.002f, 4, true, false);
    setBulletTemplate("BulletAK", 10.0f, 0.003f, 6, true, false);
    setBulletTemplate("BulletShotGun", 10.0f, 0.003f, 20, true, false);
    setBulletTemplate("BulletGrenadeGun", 50.0f, 0.001f, 2, true, true);
    setBulletTemplate("BulletGrenadeGunExplosion", 20.0f, 0.002f, 360, true, false);
    setBulletTemplate("BulletCirclePlayer", 30.0f, 0.002f, 1, false, false);
}

// A new game with no window: real reset, hand-made templates, a fixed seed.
inline void fresh(uint32_t seed = 1234) {
    platform::test::enable();
    platform::test::clearBoxes();
    fillMonsterTemplates();
    fillBulletTemplates();
    resetGame();
    world().spriteLayer.onExpire = lowerSpriteIndicesFrom; // as start-up installs it
    world().frameDelta = 16.0f;
    world().runFactor = 1.0f;
    session().input.menuShown = 0;
    world().spawnAcceleration = 0.0f;
    world().pickupNotice = NoticeNone;
    world().pickupMessageAlpha = 0.0f;
    for (uint64_t& n : soundPlayCount)
        n = 0;
    seedGameStreams(seed);
}

inline int addMonsterAt(const Vec2& position, float size = 0.05f, float health = 10.0f,
                        int texture = 0) {
    Monster m;
    m.position = position;
    m.heading = Vec2(0.0f, 1.0f);
    m.size = size;
    m.health = health;
    m.speed = 0.0f;
    m.damage = 5.0f;
    m.attackInterval = 500.0f;
    m.scoreValue = 10;
    m.texture = texture;
    int count = addMonster(m);
    if (count < 0) return -1;
    buildHitEdges(world().monsters[count - 1]);
    return count - 1;
}

inline Vec2 spriteCentre(const AnimSprite& s) {
    Vec2 c = s.corners[0] + s.corners[1] + s.corners[2] + s.corners[3];
    return c * 0.25f;
}

// Every monster names its own sprite: indices in range, in pool order, not
// the Marine's, and the sprite there has the monster's texture and size,
// never fades, and is drawn within `tolerance` of where the monster stands
// (sprites lag one move, and hits push monsters after placing).
inline ::testing::AssertionResult checkSpriteIndices(float tolerance = 0.05f) {
    int previous = -1;
    if (!world().marine.marineDead && world().spriteLayer.count > 0) previous = 0; // the Marine's
    for (int i = 0; i < world().monsterCount; ++i) {
        const Monster& m = world().monsters[i];
        if (m.spriteIndex <= previous || m.spriteIndex >= world().spriteLayer.count)
            return ::testing::AssertionFailure()
                   << "monster " << i << " has sprite index " << m.spriteIndex << " after "
                   << previous << " (layer count " << world().spriteLayer.count << ")";
        previous = m.spriteIndex;
        const AnimSprite& s = world().spriteLayer.sprites[m.spriteIndex];
        Vec2 d = spriteCentre(s) - m.position;
        float distance = std::sqrt(d.dot(d));
        if (s.texture != m.texture || s.size != m.size || s.fadeRate != 0.0f ||
            distance > tolerance)
            return ::testing::AssertionFailure()
                   << "monster " << i << " names sprite " << m.spriteIndex << " of texture "
                   << s.texture << " size " << s.size << " fade " << s.fadeRate << " at distance "
                   << distance;
    }
    return ::testing::AssertionSuccess();
}

// A bullet of the given template flying from `from` along `direction`.
inline Bullet makeBullet(const Vec2& from, const Vec2& direction, float speed, float damage,
                         bool scores = true, bool trail = false) {
    Bullet b;
    b.position = from;
    b.direction = direction;
    b.speed = speed;
    b.damage = damage;
    b.scores = scores;
    b.trail = trail;
    return b;
}

} // namespace arena
