// Bullets against monsters: path crossing, scan order, blasts, kills, sounds
// and the random draws they make.
#include <gtest/gtest.h>

#include <cmath>

#include "draw/texture_bank.h"
#include "game/world/world.h"
#include "monster_world.h"

namespace {

const Vec2 kUp(0.0f, 1.0f);

// A monster with a square of half side 0.05 facing up at (x, y).
int standingMonster(float x, float y, float health = 1000.0f) {
    int i =
        arena::addMonsterAt(Vec2(x, y), 0.05f, health, textureBank.slotFor("Textures/Tooth.bmp"));
    return i;
}

void fire(const Vec2& from, const Vec2& direction, float speed, float damage = 4.0f,
          bool scores = true, bool trail = false) {
    appendBullet(arena::makeBullet(from, direction, speed, damage, scores, trail));
}

} // namespace

class BulletHits : public ::testing::Test {
  protected:
    void SetUp() override {
        arena::fresh(4242);
        world().frameDelta = 16.0f;
    }
};

TEST_F(BulletHits, PathsAreTestedBeforeTheBulletPassesAndInsideDoesNotCount) {
    int m = standingMonster(0.0f, 0.5f, 10.0f); // back side at y = 0.45
    fire(Vec2(0.0f, 0.43f), kUp, 0.001f);       // reaches 0.446: short
    resolveBulletHitsReference();
    EXPECT_EQ(world().bulletCount, 1);
    EXPECT_EQ(world().monsters[m].health, 10.0f);

    world().bullets[0].position = Vec2(0.0f, 0.44f); // reaches 0.456: crosses
    int decals = world().decalLayer.count;
    resolveBulletHitsReference();
    EXPECT_EQ(world().bulletCount, 0);
    EXPECT_EQ(world().monsters[m].health, 6.0f);
    EXPECT_NEAR(world().monsters[m].position.y, 0.52f, 1e-6f); // knocked back along the flight
    EXPECT_EQ(world().decalLayer.count, decals + 1);           // one blood splat
    EXPECT_EQ(soundPlayCount[SoundDamage], 1u);

    // From inside, only the way out through a side hits. The knock-back
    // moved the monster, but its edges wait for its next update.
    fire(Vec2(0.0f, 0.5f), kUp, 0.001f); // 0.5 to 0.516, inside
    resolveBulletHitsReference();
    EXPECT_EQ(world().bulletCount, 1);
    world().bullets[0].position = Vec2(0.0f, 0.54f); // out through the front at 0.55
    resolveBulletHitsReference();
    EXPECT_EQ(world().bulletCount, 0);
    EXPECT_EQ(world().monsters[m].health, 2.0f);

    // A path that only touches a side does not hit.
    fire(Vec2(0.05f, 0.3f), kUp, 0.02f);
    resolveBulletHitsReference();
    EXPECT_EQ(world().bulletCount, 1);
}

TEST_F(BulletHits, TheLowerMonsterSlotTakesAPathThroughTwo) {
    int far = standingMonster(0.0f, 0.7f);
    int nearer = standingMonster(0.0f, 0.5f);
    fire(Vec2(0.0f, 0.4f), kUp, 0.025f); // 0.4 to 0.8 crosses both
    resolveBulletHitsReference();
    EXPECT_EQ(world().monsters[far].health, 996.0f);
    EXPECT_EQ(world().monsters[nearer].health, 1000.0f);
    EXPECT_EQ(world().bulletCount, 0);
}

TEST_F(BulletHits, AShotGunBurstSoundsOnceAndEveryPelletHits) {
    int m = standingMonster(0.0f, 0.5f);
    for (int k = 0; k < 8; ++k)
        fire(Vec2(-0.04f + 0.01f * k, 0.42f), kUp, 0.002f);
    int decals = world().decalLayer.count;
    // The pellet that moves into a hit pellet's slot waits a frame, so a
    // burst lands 4, 2, 1 and 1 pellets in four frames.
    const int landed[4] = {4, 6, 7, 8};
    for (int frame = 0; frame < 4; ++frame) {
        resolveBulletHitsReference();
        EXPECT_EQ(world().bulletCount, 8 - landed[frame]);
        EXPECT_EQ(world().monsters[m].health, 1000.0f - landed[frame] * 4.0f);
    }
    EXPECT_EQ(world().decalLayer.count, decals + 8);
    EXPECT_EQ(soundPlayCount[SoundDamage], 1u);

    // Later hits stay silent until 200 ms after the last sound.
    world().hitSoundTimer = 0.0f;
    for (int frame = 1; frame <= 13; ++frame) {
        fire(world().monsters[m].position - Vec2(0.0f, 0.06f), kUp, 0.002f);
        buildHitEdges(world().monsters[m]);
        resolveBulletHitsReference();
        EXPECT_EQ(world().bulletCount, 0);
        EXPECT_EQ(soundPlayCount[SoundDamage], frame < 13 ? 1u : 2u); // 13 x 16 = 208 ms
    }
}

TEST_F(BulletHits, GrenadeBlastsOnlyWithTheGrenadeGunSelected) {
    for (int selected : {3, 0}) {
        arena::fresh(99);
        world().marine.currentWeapon = selected;
        int m = standingMonster(0.0f, 0.5f);
        int decals = world().decalLayer.count;
        int sprites = world().spriteLayer.count;
        fire(Vec2(0.0f, 0.43f), kUp, 0.002f, 50.0f, true, true);

        Rng copy = world().rng;
        resolveBulletHitsReference();
        EXPECT_EQ(world().monsters[m].health, 950.0f);
        if (selected == 3) {
            EXPECT_EQ(soundPlayCount[SoundExplosion], 1u);
            EXPECT_EQ(world().bulletCount, 16); // fragments stay inside this frame
            EXPECT_EQ(world().decalLayer.count, decals + 2);
            const Decal& mark = world().decalLayer.decals[decals];
            EXPECT_EQ(mark.alpha, 0.5f);
            EXPECT_EQ(mark.size, 0.1f);
            EXPECT_EQ(mark.centre.y, 0.5f);
            ASSERT_EQ(world().spriteLayer.count, sprites + 1);
            const AnimSprite& boom = world().spriteLayer.sprites[sprites];
            EXPECT_EQ(boom.size, 0.2f);
            EXPECT_EQ(boom.fadeRate, 0.001f);
            EXPECT_EQ(boom.frameRate, 20.0f);
            EXPECT_EQ(boom.frameCount, 16);
            EXPECT_EQ(boom.texture, textureBank.slotFor("Textures/Explosion.bmp"));
            EXPECT_NEAR(arena::spriteCentre(boom).y, 0.5f, 1e-6f);
            for (int b = 0; b < world().bulletCount; ++b) {
                EXPECT_EQ(world().bullets[b].position.y, 0.5f);
                EXPECT_EQ(world().bullets[b].damage, 20.0f);
            }
            // Draw order: the mark's angle, sixteen spreads, the blood.
            copy.next();
            for (int k = 0; k < 16; ++k)
                copy.next();
            for (int k = 0; k < 4; ++k)
                copy.next();
        } else {
            EXPECT_EQ(soundPlayCount[SoundExplosion], 0u);
            EXPECT_EQ(world().bulletCount, 0);
            EXPECT_EQ(world().decalLayer.count, decals + 1);
            EXPECT_EQ(world().spriteLayer.count, sprites);
            for (int k = 0; k < 4; ++k)
                copy.next();
        }
        EXPECT_EQ(world().rng.state, copy.state);
        EXPECT_TRUE(arena::checkSpriteIndices());
    }
}

TEST_F(BulletHits, FragmentsAppendedDuringTheScanHitInTheSameScan) {
    world().marine.currentWeapon = 3;
    arena::setBulletTemplate("BulletGrenadeGunExplosion", 20.0f, 0.01f, 360, true, false);
    int m = standingMonster(0.0f, 0.5f);
    int later = standingMonster(0.5f, 0.5f);
    fire(Vec2(0.0f, 0.43f), kUp, 0.002f, 50.0f, true, true);
    resolveBulletHitsReference();
    // Each fragment leaves the square within its first path; every other
    // one hits in this scan (the next moves into its slot and waits).
    EXPECT_EQ(world().bulletCount, 8);
    EXPECT_EQ(world().monsters[m].health, 1000.0f - 50.0f - 8 * 20.0f);
    EXPECT_EQ(world().monsters[later].health, 1000.0f);
    for (int frame = 0; frame < 4; ++frame) // 4, 2, 1, 1
        resolveBulletHitsReference();
    EXPECT_EQ(world().bulletCount, 0);
    EXPECT_EQ(world().monsters[m].health, 1000.0f - 50.0f - 16 * 20.0f);
    EXPECT_EQ(soundPlayCount[SoundDamage], 1u);
    EXPECT_EQ(soundPlayCount[SoundExplosion], 1u);
}

TEST_F(BulletHits, KillsLeaveCorpsesDropAndScoreOnlyForScoringBullets) {
    for (bool scores : {false, true}) {
        arena::fresh(7);
        int m = standingMonster(0.0f, 0.5f, 4.0f);
        world().monsters[m].scoreValue = 25;
        int decals = world().decalLayer.count;
        int sprites = world().spriteLayer.count;
        fire(Vec2(0.0f, 0.43f), kUp, 0.002f, 4.0f, scores); // exactly to 0 kills
        Rng copy = world().rng;
        Rng drops = world().dropRng;
        resolveBulletHitsReference();
        EXPECT_EQ(world().monsterCount, 0);
        EXPECT_EQ(world().bulletCount, 0);
        EXPECT_EQ(world().score, scores ? 25u : 0u);
        EXPECT_EQ(world().decalLayer.count, decals + 3); // two bloods and the corpse
        EXPECT_EQ(world().decalLayer.decals[decals + 2].texture,
                  textureBank.slotFor("Textures/Tooth_Dead.bmp"));
        EXPECT_EQ(world().spriteLayer.count, sprites - 1);
        ASSERT_EQ(world().bonusCount, 1); // the first kill always drops
        for (int k = 0; k < 8; ++k)
            copy.next(); // two bloods
        EXPECT_EQ(world().rng.state, copy.state);
        // What the dead leave comes from a stream of its own.
        EXPECT_EQ(world().bonuses[0].kind, BonusAK + drops.next() % 2);
        EXPECT_EQ(world().dropRng.state, drops.state);
    }
}

TEST_F(BulletHits, AfterAKillTheLaterBulletsMeetTheMonsterThatMovedDown) {
    standingMonster(0.0f, 0.5f, 1.0f);
    standingMonster(0.5f, 0.5f);
    fire(Vec2(0.5f, 0.43f), kUp, 0.002f);  // 0: crosses the second only
    fire(Vec2(0.0f, 0.43f), kUp, 0.002f);  // 1: kills the first
    fire(Vec2(0.5f, 0.42f), kUp, 0.0025f); // 2: moves into slot 1, skipped
    fire(Vec2(0.5f, 0.41f), kUp, 0.003f);  // 3: moves into slot 2, hits
    resolveBulletHitsReference();
    ASSERT_EQ(world().monsterCount, 1);
    EXPECT_EQ(world().monsters[0].position.x, 0.5f);
    EXPECT_EQ(world().monsters[0].health, 996.0f);
    ASSERT_EQ(world().bulletCount, 2); // 0 came before the kill, 2 was skipped
    EXPECT_EQ(world().bullets[0].position.y, 0.43f);
    EXPECT_EQ(world().bullets[1].position.y, 0.42f);
    EXPECT_TRUE(arena::checkSpriteIndices());
    resolveBulletHitsReference();
    EXPECT_EQ(world().bulletCount, 1);
    resolveBulletHitsReference();
    EXPECT_EQ(world().bulletCount, 0);
    EXPECT_EQ(world().monsters[0].health, 988.0f);
}

TEST_F(BulletHits, StrictArenaBoundsAndTheTimerWithNoMonsters) {
    fire(Vec2(1.0f, -1.0f), kUp, 0.0f);
    fire(Vec2(1.0001f, 0.0f), kUp, 0.0f);
    fire(Vec2(0.0f, -1.0001f), kUp, 0.0f); // moves into slot 1, waits a frame
    fire(Vec2(0.0f, 0.0f), kUp, 0.0f);
    float timer = world().hitSoundTimer;
    resolveBulletHitsReference();
    EXPECT_EQ(world().bulletCount, 3);
    EXPECT_EQ(world().hitSoundTimer, timer + 16.0f);
    resolveBulletHitsReference();
    ASSERT_EQ(world().bulletCount, 2);
    EXPECT_EQ(world().bullets[0].position.x, 1.0f);
    EXPECT_EQ(world().bullets[1].position.y, 0.0f);
}

TEST_F(BulletHits, BloodSplatDrawsInOrder) {
    int m = standingMonster(0.2f, 0.3f);
    Rng copy = world().rng;
    int r1 = copy.next(), r2 = copy.next(), r3 = copy.next(), r4 = copy.next();
    int decals = world().decalLayer.count;
    addBloodSplat(world().monsters[m]);
    ASSERT_EQ(world().decalLayer.count, decals + 1);
    const Decal& d = world().decalLayer.decals[decals];
    EXPECT_FLOAT_EQ(d.size, (r1 % 100 + 50) * 0.0005f);
    EXPECT_FLOAT_EQ(d.centre.x, 0.2f + (r2 % 100 - 50) * 0.001f);
    EXPECT_FLOAT_EQ(d.centre.y, 0.3f + (r3 % 100 - 50) * 0.001f);
    float angle = (r4 % 360) * kDegToRad;
    EXPECT_NEAR(d.direction.x, -std::sin(angle), 1e-6f);
    EXPECT_NEAR(d.direction.y, std::cos(angle), 1e-6f);
    EXPECT_EQ(d.fadeRate, 0.00005f);
    EXPECT_EQ(d.texture, textureBank.slotFor("Textures/Blood.bmp"));
    EXPECT_EQ(world().rng.state, copy.state);
}

// Monsters come and die, grenades blow up, explosions fade out and the
// Marine dies half way: every monster keeps naming its own sprite.
TEST(HitsInvariant, LongRandomRunKeepsSpriteIndices) {
    for (uint32_t seed : {1u, 2u, 3u}) {
        arena::fresh(seed);
        arena::setBulletTemplate("BulletGrenadeGunExplosion", 5.0f, 0.004f, 360, true, false);
        world().spawnAcceleration = 0.05f;
        world().spawnTimer = 0.0f;
        Rng script;
        script.seed(seed * 7919u);
        int kills = 0;
        int expired = 0;
        for (int frame = 0; frame < 3000; ++frame) {
            world().frameDelta = static_cast<float>(5 + script.next() % 30);
            world().marine.currentWeapon = script.next() % 4;
            if (!world().marine.marineDead) updateSpawner(1.0f, 500.0f);
            // A few shots from the Marine toward random points.
            for (int s = script.next() % 4; s > 0; --s) {
                Vec2 dir(static_cast<float>(script.next() % 200 - 100),
                         static_cast<float>(script.next() % 200 - 100));
                float len = std::sqrt(dir.dot(dir));
                if (len == 0.0f) continue;
                fire(world().marine.position, dir / len, 0.003f, 8.0f, true,
                     script.next() % 3 == 0);
            }
            int before = world().monsterCount;
            moveBullets();
            kills += before - world().monsterCount > 0 ? before - world().monsterCount : 0;
            updateMonsters();
            if (frame == 1500) world().marine.health = 0.0f;
            updateMarineDeath();
            int beforeUpdate = world().spriteLayer.count;
            world().spriteLayer.update();
            expired += beforeUpdate - world().spriteLayer.count;
            updateBonuses();
            ASSERT_TRUE(arena::checkSpriteIndices(0.1f)) << "seed " << seed << " frame " << frame;
            // Keep the Marine in the middle so the monsters keep coming at the guns.
            if (!world().marine.marineDead) world().marine.position = Vec2(0.0f, 0.0f);
        }
        EXPECT_GT(kills, 50);
        EXPECT_GT(expired, 5);
        EXPECT_TRUE(world().marine.marineDead);
    }
}
