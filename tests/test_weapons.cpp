// Firing, reloading, weapon choice, the special attack and the bullet pool.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "app/input.h"
#include "audio/sound_bank.h"
#include "game/layers/particle_layer.h"
#include "game/monsters/monsters.h"
#include "game/player/marine.h"
#include "game/player/weapons.h"
#include "game/projectiles/bullet_templates.h"
#include "game/projectiles/bullets.h"
#include "game/world/world.h"
#include "harness.h"
#include "math/rng.h"
#include "session/session.h"

namespace {

void addBulletKind(const char* name, float speed, int spread, bool trail = false) {
    BulletTemplate& t = bulletTemplates[bulletTemplateCount++];
    t = BulletTemplate{};
    std::snprintf(t.name, sizeof(t.name), "%s", name);
    t.speed = speed;
    t.spread = spread;
    t.trail = trail;
    t.scores = true;
    t.damage = 10.0f;
}

void addParticleKind(const char* name, float red, float green) {
    ParticleTemplate& t = particleTemplates.templates[particleTemplates.count++];
    t = ParticleTemplate{};
    std::snprintf(t.name, sizeof(t.name), "%s", name);
    t.spread = 1;
    t.life = 1.0f;
    t.damping = 1.0f;
    t.red = red;
    t.green = green;
}

// A running game with the Marine at the centre aiming up, no monsters coming,
// and bullets of known kinds that stand still where they are made.
class Weapons : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(harness::boot());
        harness::cursorArena(0.0f, 0.5f); // straight ahead: the aim stays put
        harness::frame();
        startNewGame();
        world().spawnInterval = 1e9f;

        bulletTemplateCount = 0;
        for (const char* name : {"BulletPistol", "BulletAK", "BulletShotGun", "BulletGrenadeGun",
                                 "BulletCirclePlayer"})
            addBulletKind(name, 0.0f, 1);
        particleTemplates.count = 0;
        addParticleKind("ParticlePistol", 1.0f, 0.0f);
        addParticleKind("ParticleShot", 0.0f, 1.0f);

        harness::frame(0); // the world starts running from the next frame
        ASSERT_EQ(world().runFactor, 1.0f);
        std::memcpy(plays_, soundPlayCount, sizeof(plays_));
    }

    uint64_t played(int sound) const { return soundPlayCount[sound] - plays_[sound]; }

    uint64_t plays_[kMaxSounds] = {};
};

TEST_F(Weapons, NewGameArmsThePistolOnly) {
    EXPECT_EQ(world().marine.ownedCount, 1);
    EXPECT_EQ(world().marine.owned[0], WeaponPistol);
    EXPECT_EQ(world().marine.currentWeapon, 0);
    EXPECT_EQ(world().marine.weapons[0].rounds, 7);
    const char* names[] = {"Pistol", "AK", "ShotGun", "GrenadeGun"};
    const int clips[] = {7, 30, 7, 1};
    const float intervals[] = {500, 100, 1000, 0};
    const float reloads[] = {1000, 2000, 2500, 2000};
    for (int i = 0; i < 4; ++i) {
        EXPECT_STREQ(world().marine.weapons[i].name, names[i]);
        EXPECT_EQ(world().marine.weapons[i].clipSize, clips[i]);
        EXPECT_EQ(world().marine.weapons[i].fireInterval, intervals[i]);
        EXPECT_EQ(world().marine.weapons[i].reloadTime, reloads[i]);
        if (i > 0) {
            EXPECT_EQ(world().marine.weapons[i].rounds, 0);
        }
    }
}

TEST_F(Weapons, HeldPistolFiresEveryHalfSecondAndRefillsAfterTheSeventhShot) {
    harness::leftDown();
    std::vector<int> shots;
    int refill = -1;
    int t = 0;
    int first = -1;
    for (int i = 0; i < 100; ++i) {
        int rounds = world().marine.weapons[0].rounds;
        uint64_t before = played(SoundPistolShot);
        harness::frame(50);
        t += 50;
        if (played(SoundPistolShot) != before) {
            if (first < 0) first = t;
            shots.push_back(t - first);
        }
        if (world().marine.weapons[0].rounds > rounds) refill = t - first;
    }
    // The first shot after a fresh game waits one interval.
    EXPECT_EQ(first, 500);
    ASSERT_GE(shots.size(), 9u);
    const int expected[] = {0, 500, 1000, 1500, 2000, 2500, 3000, 4000, 4500};
    for (int i = 0; i < 9; ++i)
        EXPECT_EQ(shots[i], expected[i]) << "shot " << i;
    // The reload counts from the frame of the seventh shot (50 ms then);
    // the shot waits for the frame after the refill.
    EXPECT_EQ(refill, 3950);
    EXPECT_EQ(world().bulletCount, static_cast<int>(shots.size()));
    EXPECT_EQ(played(SoundPistolShot), shots.size());
}

TEST_F(Weapons, GrenadeGunWithFastShotFiresEverySecond) {
    addWeapon(WeaponGrenadeGun);
    selectWeapon(WeaponGrenadeGun);
    world().marine.fastShot = true;
    harness::leftDown();
    std::vector<int> shots;
    for (int t = 50; t <= 4000; t += 50) {
        uint64_t before = played(SoundGrenadeGun);
        harness::frame(50);
        if (played(SoundGrenadeGun) != before) shots.push_back(t);
    }
    ASSERT_EQ(shots.size(), 4u);
    for (size_t i = 1; i < shots.size(); ++i)
        EXPECT_EQ(shots[i] - shots[i - 1], 1000);
    EXPECT_EQ(shots[0], 50); // interval 0: the first grenade leaves at once
}

TEST_F(Weapons, ShotGunThrowsARowOfEightPelletsWithOneSoundAndOneFlash) {
    addWeapon(WeaponShotGun);
    selectWeapon(WeaponShotGun);
    world().marine.position = Vec2(0.2f, -0.1f);
    world().marine.aim = Vec2(1.0f, 0.0f);
    world().marine.fireTimer = 1000.0f;
    harness::cursorArena(0.9f, -0.1f);
    harness::leftDown();
    int particlesBefore = world().particleLayer.count;
    harness::frame(0);

    ASSERT_EQ(world().bulletCount, 8);
    for (int i = 0; i < 8; ++i) {
        EXPECT_FLOAT_EQ(world().bullets[i].position.x, 0.2f + static_cast<float>(i) / 75.0f) << i;
        EXPECT_FLOAT_EQ(world().bullets[i].position.y, -0.1f) << i;
        EXPECT_FLOAT_EQ(world().bullets[i].direction.x, 1.0f);
        EXPECT_FLOAT_EQ(world().bullets[i].direction.y, 0.0f);
    }
    EXPECT_EQ(played(SoundShotGun), 1u);
    EXPECT_EQ(world().marine.weapons[2].rounds, 6);

    // One sideways "ParticlePistol" and three "ParticleShot" along the aim,
    // all from the muzzle.
    ASSERT_EQ(world().particleLayer.count - particlesBefore, 4);
    const Particle* flash = &world().particleLayer.particles[particlesBefore];
    EXPECT_EQ(flash[0].red, 1.0f);
    EXPECT_NEAR(flash[0].direction.x, 0.0f, 1e-6f);
    EXPECT_NEAR(flash[0].direction.y, -1.0f, 1e-6f);
    for (int i = 0; i < 4; ++i) {
        EXPECT_NEAR(flash[i].position.x, 0.2f + 1.0f / 25.0f, 1e-6f);
        EXPECT_NEAR(flash[i].position.y, -0.1f, 1e-6f);
    }
    for (int i = 1; i < 4; ++i) {
        EXPECT_EQ(flash[i].green, 1.0f);
        EXPECT_NEAR(flash[i].direction.x, 1.0f, 1e-6f);
    }
}

TEST_F(Weapons, WeaponKeysPickOnlyOwnedWeaponsAndNotUnderTheMenu) {
    harness::key('2');
    harness::frame(0);
    EXPECT_EQ(world().marine.currentWeapon, 0); // not owned

    addWeapon(WeaponAK);
    EXPECT_EQ(world().marine.weapons[1].rounds, 30);
    EXPECT_EQ(world().marine.currentWeapon, 0); // gaining does not switch

    harness::key(VkEscape);
    harness::frame(0);
    ASSERT_TRUE(session().input.menuShown);
    harness::key('2');
    harness::frame(0);
    EXPECT_EQ(world().marine.currentWeapon, 0);

    harness::key(VkEscape);
    harness::frame(0);
    ASSERT_FALSE(session().input.menuShown);
    harness::key('2');
    harness::frame(0);
    EXPECT_EQ(world().marine.currentWeapon, 1);

    // The key of the weapon in hand restarts its reload.
    world().marine.weapons[1].rounds = 0;
    world().marine.reloadTimer = 1500.0f;
    harness::key('2');
    harness::frame(0);
    EXPECT_EQ(world().marine.reloadTimer, 0.0f);
    EXPECT_EQ(world().marine.weapons[1].rounds, 0);
}

TEST_F(Weapons, OwnedListNeverGrowsPastFour) {
    addWeapon(WeaponAK);
    addWeapon(WeaponShotGun);
    addWeapon(WeaponGrenadeGun);
    ASSERT_EQ(world().marine.ownedCount, 4);
    world().marine.weapons[0].rounds = 3;
    addWeapon(WeaponPistol);
    EXPECT_EQ(world().marine.ownedCount, 4);
    EXPECT_EQ(world().marine.weapons[0].rounds, 3);
    addWeapon(99);
    addWeapon(104);
    EXPECT_EQ(world().marine.ownedCount, 4);
}

TEST_F(Weapons, SpecialNeedsAHundredPointsAndThrowsARing) {
    world().score = 99;
    world().marine.specialTimer = 1000.0f;
    harness::rightDown();
    harness::frame(0);
    EXPECT_EQ(world().bulletCount, 0);
    EXPECT_EQ(world().score, 99u);
    EXPECT_EQ(played(SoundSpecial), 0u);

    world().score = 100;
    harness::frame(0);
    ASSERT_EQ(world().bulletCount, 8);
    EXPECT_EQ(world().score, 0u);
    EXPECT_EQ(played(SoundSpecial), 1u);
    EXPECT_EQ(world().marine.specialTimer, 0.0f);
    for (int i = 0; i < 8; ++i) {
        // 45 degrees apart, each a hair short because 3.14 stands for pi.
        float a = static_cast<float>(i) * 45.0f * 3.14f / 180.0f;
        EXPECT_NEAR(world().bullets[i].direction.x, std::cos(a), 1e-6f) << i;
        EXPECT_NEAR(world().bullets[i].direction.y, std::sin(a), 1e-6f) << i;
        EXPECT_FLOAT_EQ(world().bullets[i].position.x, world().marine.position.x);
    }
    EXPECT_LT(std::atan2(world().bullets[4].direction.y, world().bullets[4].direction.x),
              3.1415926f);
    EXPECT_GT(std::atan2(world().bullets[4].direction.y, world().bullets[4].direction.x), 3.1f);

    // Held with points to spare: once per second.
    world().score = 1000;
    harness::frames(19, 50);
    EXPECT_EQ(world().bulletCount, 8);
    harness::frame(50);
    EXPECT_EQ(world().bulletCount, 16);
    EXPECT_EQ(world().score, 900u);
}

TEST_F(Weapons, MenuFramesNeitherFireNorThrowTheRing) {
    world().score = 500;
    world().marine.fireTimer = 5000.0f;
    world().marine.specialTimer = 5000.0f;
    harness::key(VkEscape);
    harness::leftDown();
    harness::rightDown();
    harness::frames(5, 50);
    ASSERT_TRUE(session().input.menuShown);
    EXPECT_EQ(world().bulletCount, 0);
    EXPECT_EQ(played(SoundPistolShot), 0u);
    EXPECT_EQ(played(SoundSpecial), 0u);
    EXPECT_EQ(world().score, 500u);
    EXPECT_EQ(world().marine.weapons[0].rounds, 7);
}

TEST_F(Weapons, UnknownTemplateFiresNothingButStillSoundsAndFlashes) {
    bulletTemplateCount = 0;
    world().marine.fireTimer = 500.0f;
    harness::leftDown();
    int particlesBefore = world().particleLayer.count;
    harness::frame(0);
    EXPECT_EQ(world().bulletCount, 0);
    EXPECT_EQ(played(SoundPistolShot), 1u);
    EXPECT_EQ(world().particleLayer.count - particlesBefore, 4);
    EXPECT_EQ(world().marine.weapons[0].rounds, 6);
}

class BulletPool : public Weapons {};

TEST_F(BulletPool, SpawnTurnsByTheSpreadAndCopiesTheKind) {
    bulletTemplateCount = 0;
    addBulletKind("Wide", 0.002f, 360, true);
    world().rng.seed(7);
    Rng expected;
    expected.seed(7);
    for (int i = 0; i < 20; ++i)
        spawnBullet("Wide", Vec2(0.1f, 0.2f), Vec2(1.0f, 0.0f));
    ASSERT_EQ(world().bulletCount, 20);
    for (int i = 0; i < 20; ++i) {
        float angle = static_cast<float>(expected.next() % 360 - 180) * kDegToRad;
        EXPECT_NEAR(world().bullets[i].direction.x, std::cos(angle), 1e-5f);
        EXPECT_NEAR(world().bullets[i].direction.y, std::sin(angle), 1e-5f);
        EXPECT_EQ(world().bullets[i].speed, 0.002f);
        EXPECT_EQ(world().bullets[i].damage, 10.0f);
        EXPECT_TRUE(world().bullets[i].trail);
        EXPECT_TRUE(world().bullets[i].scores);
    }
    // A spread of 0 or below flies straight.
    addBulletKind("Zero", 0.0f, 0);
    addBulletKind("Negative", 0.0f, -5);
    spawnBullet("Zero", Vec2(), Vec2(0.0f, 1.0f));
    spawnBullet("Negative", Vec2(), Vec2(0.0f, 1.0f));
    ASSERT_EQ(world().bulletCount, 22);
    EXPECT_EQ(world().bullets[20].direction.y, 1.0f);
    EXPECT_EQ(world().bullets[21].direction.y, 1.0f);
}

TEST_F(BulletPool, FullPoolDropsNewBulletsAndRemovalKeepsOrder) {
    for (int i = 0; i < kMaxBullets + 10; ++i) {
        Bullet b;
        b.position = Vec2(static_cast<float>(i) / 2048.0f, 0.0f);
        appendBullet(b);
    }
    ASSERT_EQ(world().bulletCount, kMaxBullets);
    EXPECT_EQ(world().bullets[kMaxBullets - 1].position.x,
              static_cast<float>(kMaxBullets - 1) / 2048.0f);
    spawnBullet("BulletPistol", Vec2(), Vec2(0.0f, 1.0f));
    EXPECT_EQ(world().bulletCount, kMaxBullets);

    removeBullet(0);
    removeBullet(world().bulletCount); // out of range: nothing
    removeBullet(-1);
    ASSERT_EQ(world().bulletCount, kMaxBullets - 1);
    for (int i = 0; i < world().bulletCount; ++i)
        ASSERT_EQ(world().bullets[i].position.x, static_cast<float>(i + 1) / 2048.0f);

    clearBullets();
    EXPECT_EQ(world().bulletCount, 0);
    EXPECT_EQ(world().bullets[5].position.x, 0.0f);
}

TEST_F(BulletPool, BulletsFlyStraightTrailSparksAndLeaveTheArena) {
    bulletTemplateCount = 0;
    addBulletKind("Rocket", 0.001f, 1, true);
    addBulletKind("Slug", 0.001f, 1, false);
    particleTemplates.count = 0;
    addParticleKind("ParticleSparkRocket", 1.0f, 1.0f);
    spawnBullet("Rocket", Vec2(0.5f, 0.0f), Vec2(1.0f, 0.0f));
    spawnBullet("Slug", Vec2(-0.5f, 0.0f), Vec2(0.0f, -1.0f));
    int particlesBefore = world().particleLayer.count;

    harness::frame(100);
    ASSERT_EQ(world().bulletCount, 2);
    EXPECT_FLOAT_EQ(world().bullets[0].position.x, 0.6f);
    EXPECT_FLOAT_EQ(world().bullets[1].position.y, -0.1f);
    // One spark per trail bullet per frame, thrown backwards from it.
    ASSERT_EQ(world().particleLayer.count - particlesBefore, 1);
    const Particle& spark = world().particleLayer.particles[world().particleLayer.count - 1];
    EXPECT_FLOAT_EQ(spark.position.x, 0.6f);
    EXPECT_EQ(spark.direction.x, -1.0f);

    // Under the menu they hang still and throw nothing.
    harness::key(VkEscape);
    harness::frame(100); // the frame that opens the menu still runs
    int frozenCount = world().particleLayer.count;
    Vec2 frozen = world().bullets[0].position;
    harness::frames(3, 100);
    EXPECT_EQ(world().bullets[0].position.x, frozen.x);
    EXPECT_EQ(world().particleLayer.count, frozenCount);
    harness::key(VkEscape);
    harness::frame(0);

    // The rocket crosses x = 1 after 400 ms more and is gone.
    harness::frames(2, 200);
    EXPECT_EQ(world().bulletCount, 1);
    EXPECT_LT(world().bullets[0].position.y, -0.5f);
}

} // namespace
