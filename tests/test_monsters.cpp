// Monster templates, the pool, the spawner, behaviour and monster death.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <string>

#include "draw/texture_bank.h"
#include "harness.h"
#include "math/rules_math.h"
#include "monster_world.h"

namespace {

std::string writeFile(const std::string& dir, const std::string& name, const std::string& text) {
    std::string path = dir + "/" + name;
    std::ofstream(path) << text;
    return path;
}

int boxCount(const char* caption, const char* text) {
    int n = 0;
    for (const auto& box : platform::test::boxes())
        if (box.caption == caption && box.text.rfind(text, 0) == 0) ++n;
    return n;
}

} // namespace

// ---------------------------------------------------------------- templates

class MonsterTemplates : public ::testing::Test {
  protected:
    void SetUp() override {
        platform::test::enable();
        platform::test::clearBoxes();
        templateCount = 0;
        dir = harness::scratchDataDir(false);
    }
    std::string dir;
};

TEST_F(MonsterTemplates, ReadsTheTokensInOrder) {
    std::string path = writeFile(
        dir, "a.mst", "MonsterToothSmall 0x10\n1.5 20 0.04 0.0003 750\r\nTextures/X.bmp\n");
    loadMonsterTemplate(path.c_str());
    ASSERT_EQ(templateCount, 1);
    const MonsterTemplate& t = monsterTemplates[0];
    EXPECT_STREQ(t.name, "MonsterToothSmall");
    EXPECT_EQ(t.scoreValue, 16);
    EXPECT_FLOAT_EQ(t.damage, 1.5f);
    EXPECT_FLOAT_EQ(t.health, 20.0f);
    EXPECT_FLOAT_EQ(t.size, 0.04f);
    EXPECT_FLOAT_EQ(t.speed, 0.0003f);
    EXPECT_FLOAT_EQ(t.attackInterval, 750.0f);
    EXPECT_STREQ(t.textureFile, "Textures/X.bmp");
    EXPECT_EQ(t.texture, 0); // not in the bank: slot 0 binds nothing
    EXPECT_TRUE(platform::test::boxes().empty());

    // Octal and signed scores, as "%i" reads them.
    loadMonsterTemplate(writeFile(dir, "b.mst", "B 010 1 1 1 1 1 T").c_str());
    loadMonsterTemplate(writeFile(dir, "c.mst", "C -7 1 1 1 1 1 T").c_str());
    ASSERT_EQ(templateCount, 3);
    EXPECT_EQ(monsterTemplates[1].scoreValue, 8);
    EXPECT_EQ(monsterTemplates[2].scoreValue, -7);
}

TEST_F(MonsterTemplates, MissingFileShowsTheBoxAndLaterFilesStillLoad) {
    loadMonsterTemplate((dir + "/none.mst").c_str());
    EXPECT_EQ(templateCount, 0);
    EXPECT_EQ(boxCount("Error", "File not found"), 1);
    loadMonsterTemplate(writeFile(dir, "a.mst", "MonsterMindLarge 5 1 2 3 4 5 T").c_str());
    ASSERT_EQ(templateCount, 1);
    EXPECT_EQ(findMonsterTemplate("MonsterMindLarge"), 0);
    EXPECT_EQ(findMonsterTemplate("MonsterToothSmall"), -1);
}

TEST_F(MonsterTemplates, BadFilesAreRejectedWhole) {
    std::string longWord(256, 'w');
    std::string justFits(255, 'v');
    const char* bad[] = {
        "",                            // empty
        "Name 5 1 2 3 4",              // ends early
        "Name 5 1 2 3 4 5",            // no texture
        "Name five 1 2 3 4 5 T",       // malformed integer
        "Name 5 1 2 x 4 5 T",          // malformed number
        "Name 5 1 2 3.5.5 4 5 T",      // trailing garbage in a number
        "Name 99999999999 1 2 3 4 5 T" // integer out of range
    };
    int n = 0;
    for (const char* text : bad)
        loadMonsterTemplate(writeFile(dir, "bad" + std::to_string(n++), text).c_str());
    loadMonsterTemplate(writeFile(dir, "long1", longWord + " 5 1 2 3 4 5 T").c_str());
    loadMonsterTemplate(writeFile(dir, "long2", "Name 5 1 2 3 4 5 " + longWord).c_str());
    EXPECT_EQ(templateCount, 0);
    EXPECT_EQ(boxCount("Error", "File not found"), 0);
    EXPECT_EQ(boxCount("Error", "Bad monster file"), 9);

    loadMonsterTemplate(writeFile(dir, "fits", justFits + " 5 1 2 3 4 5 " + justFits).c_str());
    ASSERT_EQ(templateCount, 1);
    EXPECT_EQ(std::string(monsterTemplates[0].name), justFits);
    EXPECT_EQ(std::string(monsterTemplates[0].textureFile), justFits);
}

TEST_F(MonsterTemplates, LookupIsFirstExactMatchAndTheTableStopsAt32) {
    EXPECT_EQ(findMonsterTemplate("Anything"), -1);
    std::string a = writeFile(dir, "a.mst", "Dup 1 1 1 1 1 1 T");
    std::string b = writeFile(dir, "b.mst", "Dup 2 1 1 1 1 1 T");
    loadMonsterTemplate(a.c_str());
    loadMonsterTemplate(b.c_str());
    EXPECT_EQ(findMonsterTemplate("Dup"), 0);
    EXPECT_EQ(findMonsterTemplate("dup"), -1);
    EXPECT_EQ(findMonsterTemplate("Du"), -1);
    for (int i = 2; i < 40; ++i)
        loadMonsterTemplate(b.c_str());
    EXPECT_EQ(templateCount, kMaxMonsterTemplates);
    EXPECT_TRUE(platform::test::boxes().empty());
}

// ---------------------------------------------------------------- pool

TEST(MonsterPool, HitEdgesAreRightLeftFrontBack) {
    Monster m;
    m.position = Vec2(0.5f, -0.25f);
    m.heading = Vec2(0.0f, 1.0f);
    m.size = 0.1f;
    buildHitEdges(m);
    // Heading up: right is +x, front is +y.
    auto expect = [](const Vec2& v, float x, float y) {
        EXPECT_NEAR(v.x, x, 1e-6f);
        EXPECT_NEAR(v.y, y, 1e-6f);
    };
    expect(m.hitEdges[0].p1, 0.6f, -0.15f); // FR
    expect(m.hitEdges[0].p2, 0.6f, -0.35f); // BR
    expect(m.hitEdges[1].p1, 0.4f, -0.15f); // FL
    expect(m.hitEdges[1].p2, 0.4f, -0.35f); // BL
    expect(m.hitEdges[2].p1, 0.6f, -0.15f); // FR
    expect(m.hitEdges[2].p2, 0.4f, -0.15f); // FL
    expect(m.hitEdges[3].p1, 0.6f, -0.35f); // BR
    expect(m.hitEdges[3].p2, 0.4f, -0.35f); // BL
}

TEST(MonsterPool, AddMonsterNamesTheNextSpriteAndRefusesAFullLayer) {
    world::fresh();
    ASSERT_EQ(spriteLayer.count, 1); // the Marine
    EXPECT_EQ(world::addMonsterAt(Vec2(0.5f, 0.5f), 0.04f), 0);
    EXPECT_EQ(monsters[0].spriteIndex, 1);
    const AnimSprite& s = spriteLayer.sprites[1];
    EXPECT_EQ(s.alpha, 1.0f);
    EXPECT_EQ(s.fadeRate, 0.0f);
    EXPECT_EQ(s.frameRate, 10.0f);
    EXPECT_EQ(s.frameCount, 16);
    EXPECT_TRUE(s.animate);
    EXPECT_EQ(s.size, 0.04f);
    EXPECT_TRUE(world::checkSpriteIndices(1e-5f));

    // The layer is full: no monster without a sprite.
    while (spriteLayer.count < AnimSpriteLayer::kCapacity)
        spriteLayer.add(AnimSprite{});
    Monster m;
    EXPECT_EQ(addMonster(m), -1);
    EXPECT_EQ(monsterCount, 1);
    EXPECT_EQ(spawnMonster("MonsterToothSmall", Vec2(1, 1)), -1);
    EXPECT_EQ(monsterCount, 1);
    EXPECT_EQ(spawnMonster("NoSuchMonster", Vec2(1, 1)), -1);
}

TEST(MonsterPool, LowerSpriteIndicesAndClear) {
    world::fresh();
    for (int i = 0; i < 3; ++i)
        world::addMonsterAt(Vec2(0.1f * i, 0.5f));
    // An effect between the first and second monster expires.
    monsters[1].spriteIndex = 3;
    monsters[2].spriteIndex = 4;
    lowerSpriteIndicesFrom(2);
    EXPECT_EQ(monsters[0].spriteIndex, 1);
    EXPECT_EQ(monsters[1].spriteIndex, 2);
    EXPECT_EQ(monsters[2].spriteIndex, 3);
    clearMonsters();
    EXPECT_EQ(monsterCount, 0);
    EXPECT_EQ(monsters[1].spriteIndex, 0);
    EXPECT_EQ(monsters[1].position.x, 0.0f);
}

// ---------------------------------------------------------------- spawner

namespace {

int sizeOf(const Monster& m) {
    for (int i = 0; i < templateCount; ++i)
        if (monsterTemplates[i].size == m.size) return i % 3;
    return -1;
}

} // namespace

TEST(Spawner, DrawsAngleKindSizeInOrderOnTheCircle) {
    world::fresh(77);
    spawnInterval = 400.0f;
    spawnTimer = 0.0f;
    frameDelta = 400.0f;
    Rng copy = spawnRng;
    updateSpawner(1.0f, 500.0f);
    ASSERT_EQ(monsterCount, 1);
    int degrees = copy.next() % 360;
    int kind = copy.next() % 3;
    int size = copy.next() % 3;
    Vec2 expected(1.0f, 1.0f);
    expected.rotate(static_cast<float>(degrees) * 0.017444445f);
    EXPECT_EQ(monsters[0].position.x, expected.x);
    EXPECT_EQ(monsters[0].position.y, expected.y);
    EXPECT_NEAR(std::sqrt(expected.dot(expected)), 1.41421f, 1e-4f);
    const char* kinds[3] = {"Tooth", "Zombie", "Mind"};
    const char* sizes[3] = {"Small", "Medium", "Large"};
    std::string name = std::string("Monster") + kinds[kind] + sizes[size];
    const MonsterTemplate& t = monsterTemplates[findMonsterTemplate(name.c_str())];
    EXPECT_EQ(monsters[0].size, t.size);
    EXPECT_EQ(monsters[0].heading.y, 1.0f);
    EXPECT_EQ(monsters[0].moveDir.x, 0.0f);
    EXPECT_EQ(spawnRng.state, copy.state);
    EXPECT_EQ(spawnTimer, 0.0f);
}

TEST(Spawner, SizeFollowsTheIntervalAfterThisFramesDecrease) {
    // 750 after the decrease: Small only, and no size draw is made.
    world::fresh(5);
    spawnAcceleration = 0.0f;
    spawnInterval = 750.0f;
    frameDelta = 750.0f;
    for (int i = 0; i < 200; ++i) {
        Rng before = spawnRng;
        updateSpawner(1.0f, 500.0f);
        before.next();
        before.next();
        ASSERT_EQ(spawnRng.state, before.state);
    }
    ASSERT_EQ(monsterCount, 200);
    for (int i = 0; i < monsterCount; ++i)
        EXPECT_EQ(sizeOf(monsters[i]), 0);

    // 500: Small or Medium, both seen.
    world::fresh(6);
    spawnInterval = 500.0f;
    frameDelta = 500.0f;
    for (int i = 0; i < 200; ++i)
        updateSpawner(1.0f, 500.0f);
    int seen[3] = {};
    for (int i = 0; i < monsterCount; ++i)
        ++seen[sizeOf(monsters[i])];
    EXPECT_GT(seen[0], 0);
    EXPECT_GT(seen[1], 0);
    EXPECT_EQ(seen[2], 0);

    // A frame that takes 751 down to 749 already allows Medium.
    world::fresh(6);
    spawnAcceleration = 1.0f;
    spawnInterval = 751.0f;
    spawnTimer = 1000.0f;
    frameDelta = 2.0f;
    Rng before = spawnRng;
    updateSpawner(1.0f, 500.0f);
    EXPECT_EQ(spawnInterval, 749.0f);
    for (int i = 0; i < 3; ++i)
        before.next();
    EXPECT_EQ(spawnRng.state, before.state);
    EXPECT_TRUE(world::checkSpriteIndices(1e-5f));
}

TEST(Spawner, NoAccelerationGivesOneSmallPerSecond) {
    world::fresh(9);
    spawnTimer = 0.0f;
    frameDelta = 20.0f;
    for (int frame = 1; frame <= 600; ++frame) { // 12 s
        updateSpawner(1.0f, 500.0f);
        ASSERT_EQ(monsterCount, frame / 50);
    }
    EXPECT_EQ(spawnInterval, 1000.0f);
    for (int i = 0; i < monsterCount; ++i)
        EXPECT_EQ(sizeOf(monsters[i]), 0);

    // Frames of 30 ms: the gap is rounded up to 34 frames.
    world::fresh(9);
    spawnTimer = 0.0f;
    frameDelta = 30.0f;
    for (int i = 0; i < 34 * 5; ++i)
        updateSpawner(1.0f, 500.0f);
    EXPECT_EQ(monsterCount, 5);
}

TEST(Spawner, ClampsAtZeroAndThenSpawnsEveryCallEvenFrozen) {
    world::fresh();
    spawnAcceleration = 0.5f;
    frameDelta = 3000.0f;
    updateSpawner(1.0f, 500.0f);
    EXPECT_EQ(spawnInterval, 0.0f);
    int before = monsterCount;
    frameDelta = 0.0f;
    for (int i = 0; i < 5; ++i)
        updateSpawner(1.0f, 500.0f);
    EXPECT_EQ(monsterCount, before + 5);
    EXPECT_EQ(spawnInterval, 0.0f);

    // A negative acceleration grows the interval without limit.
    world::fresh();
    spawnAcceleration = -1.0f;
    frameDelta = 10000.0f;
    updateSpawner(1.0f, 500.0f);
    EXPECT_EQ(spawnInterval, 11000.0f);
}

TEST(Spawner, StopsAtAThousandAndResumesAtOnce) {
    world::fresh();
    spawnAcceleration = 0.0f;
    spawnInterval = 0.0f;
    for (int i = 0; i < 1010; ++i)
        updateSpawner(1.0f, 500.0f);
    EXPECT_EQ(monsterCount, kMonsterSpawnLimit);
    EXPECT_TRUE(world::checkSpriteIndices(1e-5f));

    spawnInterval = 1000.0f;
    spawnTimer = 0.0f;
    frameDelta = 1500.0f;
    Rng before = spawnRng;
    updateSpawner(1.0f, 500.0f);
    EXPECT_EQ(monsterCount, kMonsterSpawnLimit);
    EXPECT_EQ(spawnTimer, 1500.0f); // kept for the next frame with room
    EXPECT_EQ(spawnRng.state, before.state);

    removeMonster(500);
    frameDelta = 0.0f;
    updateSpawner(1.0f, 500.0f);
    EXPECT_EQ(monsterCount, kMonsterSpawnLimit);
    EXPECT_EQ(spawnTimer, 0.0f);
    EXPECT_TRUE(world::checkSpriteIndices(1e-5f));
}

TEST(Spawner, MissingTemplateStillResetsTheTimerAndDraws) {
    world::fresh();
    templateCount = 0;
    spawnTimer = 0.0f;
    frameDelta = 1000.0f;
    Rng before = spawnRng;
    updateSpawner(1.0f, 500.0f);
    EXPECT_EQ(monsterCount, 0);
    EXPECT_EQ(spawnTimer, 0.0f);
    before.next();
    before.next();
    EXPECT_EQ(spawnRng.state, before.state);
}

// ---------------------------------------------------------------- behaviour

TEST(MonsterBehaviour, TurnsOncePerFrameAndWalksAtTheMarine) {
    world::fresh();
    int i = world::addMonsterAt(Vec2(0.5f, 0.0f));
    monsters[i].speed = 0.001f;
    frameDelta = 0.0f; // frozen: the turn still happens, nothing moves
    updateMonsters();
    // The Marine lies straight to the left; heading up turns counter-clockwise.
    EXPECT_NEAR(monsters[i].heading.x, -std::sin(1.0f), 1e-5f);
    EXPECT_NEAR(monsters[i].heading.y, std::cos(1.0f), 1e-5f);
    EXPECT_EQ(monsters[i].position.x, 0.5f);
    EXPECT_NEAR(monsters[i].moveDir.x, -1.0f, 1e-6f);

    frameDelta = 100.0f;
    Vec2 headingBefore = monsters[i].heading;
    updateMonsters();
    EXPECT_NEAR(monsters[i].position.x, 0.4f, 1e-6f);
    // Hit edges and sprite show where it stood before this frame's move.
    Monster copy = monsters[i];
    copy.position = Vec2(0.5f, 0.0f);
    buildHitEdges(copy);
    EXPECT_NEAR(monsters[i].hitEdges[0].p1.x, copy.hitEdges[0].p1.x, 1e-6f);
    Vec2 c = world::spriteCentre(spriteLayer.sprites[monsters[i].spriteIndex]);
    EXPECT_NEAR(c.x, 0.5f, 1e-6f);
    EXPECT_NE(monsters[i].heading.x, headingBefore.x);
}

TEST(MonsterBehaviour, FacingAwayKeepsHeadingButStillWalksIn) {
    world::fresh();
    int i = world::addMonsterAt(Vec2(0.0f, -0.5f));
    monsters[i].heading = Vec2(0.0f, -1.0f);
    monsters[i].speed = 0.001f;
    frameDelta = 10.0f;
    updateMonsters();
    EXPECT_EQ(monsters[i].heading.x, 0.0f);
    EXPECT_EQ(monsters[i].heading.y, -1.0f);
    EXPECT_NEAR(monsters[i].position.y, -0.49f, 1e-6f);

    // Two monsters at one place never separate.
    int j = world::addMonsterAt(monsters[i].position);
    monsters[j].heading = monsters[i].heading;
    monsters[j].speed = 0.001f;
    for (int k = 0; k < 20; ++k)
        updateMonsters();
    EXPECT_EQ(monsters[i].position.x, monsters[j].position.x);
    EXPECT_EQ(monsters[i].position.y, monsters[j].position.y);
}

TEST(MonsterBehaviour, OnTheMarineExactlyKeepsItsLastDirection) {
    world::fresh();
    int i = world::addMonsterAt(Vec2(0.0f, 0.0f));
    monsters[i].moveDir = Vec2(0.6f, 0.8f);
    monsters[i].speed = 0.001f;
    monsters[i].attackInterval = 1e9f;
    frameDelta = 10.0f;
    updateMonsters();
    EXPECT_FALSE(std::isnan(monsters[i].position.x));
    EXPECT_NEAR(monsters[i].position.x, 0.006f, 1e-6f);
    EXPECT_NEAR(monsters[i].position.y, 0.008f, 1e-6f);
    EXPECT_FALSE(std::isnan(monsters[i].heading.x));
}

TEST(MonsterBehaviour, AttacksGruntAndPush) {
    world::fresh();
    marine.position = Vec2(0.0f, 0.0f);
    int a = world::addMonsterAt(Vec2(0.1f, 0.0f)); // exactly at the hit distance
    int b = world::addMonsterAt(Vec2(-0.05f, 0.0f));
    for (int k : {a, b}) {
        monsters[k].damage = 10.0f;
        monsters[k].attackInterval = 100.0f;
        monsters[k].attackTimer = 0.0f;
    }
    monsters[a].heading = Vec2(0.0f, 1.0f);
    monsters[b].heading = Vec2(1.0f, 0.0f);
    hmSoundTimer = 300.0f;

    frameDelta = 99.0f;
    monsterAttacks();
    EXPECT_EQ(marine.health, 100.0f);
    EXPECT_EQ(soundPlayCount[SoundMarineHm], 0u);

    frameDelta = 1.0f;
    monsterAttacks();
    EXPECT_EQ(marine.health, 80.0f);              // both hit in the same frame
    EXPECT_EQ(soundPlayCount[SoundMarineHm], 1u); // one grunt
    EXPECT_NEAR(marine.position.x, 0.01f, 1e-6f); // pushes add up
    EXPECT_NEAR(marine.position.y, 0.01f, 1e-6f);
    EXPECT_EQ(monsters[a].attackTimer, 0.0f);

    // Within 300 ms of the grunt the hits stay silent.
    marine.position = Vec2(0.0f, 0.0f);
    frameDelta = 100.0f;
    monsterAttacks();
    EXPECT_EQ(marine.health, 60.0f);
    EXPECT_EQ(soundPlayCount[SoundMarineHm], 1u);
    monsterAttacks();
    monsterAttacks();
    EXPECT_EQ(soundPlayCount[SoundMarineHm], 2u);

    // The timer runs far away too, so an arrival hits at once.
    monsters[a].position = Vec2(0.9f, 0.0f);
    monsters[b].position = Vec2(0.9f, 0.0f);
    frameDelta = 500.0f;
    float health = marine.health;
    monsterAttacks();
    EXPECT_EQ(marine.health, health);
    monsters[a].position = marine.position + Vec2(0.05f, 0.0f);
    frameDelta = 0.0f;
    monsterAttacks();
    EXPECT_EQ(marine.health, health - 10.0f);
}

TEST(MonsterBehaviour, ZeroIntervalHitsEveryFrameAndTheDeadAreOnlyPushed) {
    world::fresh();
    int i = world::addMonsterAt(Vec2(0.05f, 0.0f));
    monsters[i].attackInterval = 0.0f;
    monsters[i].damage = 1.0f;
    frameDelta = 0.0f;
    for (int k = 0; k < 5; ++k)
        monsterAttacks();
    EXPECT_EQ(marine.health, 95.0f);

    marine.marineDead = true;
    marine.position = Vec2(0.0f, 0.0f);
    monsters[i].heading = Vec2(0.0f, -1.0f);
    uint64_t grunts = soundPlayCount[SoundMarineHm];
    monsterAttacks();
    EXPECT_EQ(marine.health, 95.0f);
    EXPECT_NEAR(marine.position.y, -0.01f, 1e-6f);
    EXPECT_EQ(soundPlayCount[SoundMarineHm], grunts);
}

TEST(MonsterBehaviour, AfterTheDeathTheyWalkOnInTheirLastDirection) {
    world::fresh();
    int i = world::addMonsterAt(Vec2(0.5f, 0.5f));
    monsters[i].speed = 0.001f;
    monsters[i].attackInterval = 1e9f;
    frameDelta = 10.0f;
    updateMonsters();
    Vec2 dir = monsters[i].moveDir;
    Vec2 heading = monsters[i].heading;
    marine.marineDead = true;
    marine.position = Vec2(0.9f, -0.9f); // no longer followed
    for (int k = 0; k < 200; ++k)
        updateMonsters();
    EXPECT_EQ(monsters[i].moveDir.x, dir.x);
    EXPECT_EQ(monsters[i].heading.x, heading.x);
    EXPECT_LT(monsters[i].position.x, -0.5f); // walked through and on
}

// ---------------------------------------------------------------- death

TEST(MonsterDeath, FirstKillDropsAnAKOrShotGunThenOneInTen) {
    int kinds[2] = {};
    for (uint32_t seed = 1; seed <= 40; ++seed) {
        world::fresh(seed);
        world::addMonsterAt(Vec2(0.3f, 0.4f));
        Rng copy = dropRng;
        removeMonster(0);
        ASSERT_EQ(bonusCount, 1);
        EXPECT_EQ(bonuses[0].kind, BonusAK + copy.next() % 2); // no drop draw
        ++kinds[bonuses[0].kind - BonusAK];
        EXPECT_EQ(bonuses[0].position.x, 0.3f);
        EXPECT_EQ(bonuses[0].lifetime, 20000.0f);
        EXPECT_EQ(bonuses[0].size, 0.025f);
        EXPECT_TRUE(marine.firstDropDone);
    }
    EXPECT_GT(kinds[0], 0);
    EXPECT_GT(kinds[1], 0);

    world::fresh(3);
    marine.firstDropDone = true;
    int drops = 0;
    for (int k = 0; k < 2000; ++k) {
        world::addMonsterAt(Vec2(0.0f, 0.5f));
        Rng copy = dropRng;
        int before = bonusCount;
        removeMonster(0);
        bool drop = copy.next() % 10 == 1;
        ASSERT_EQ(bonusCount, before + (drop ? 1 : 0));
        if (drop) {
            EXPECT_EQ(bonuses[bonusCount - 1].kind, BonusFastSpeed + copy.next() % 9);
            ++drops;
        }
        EXPECT_EQ(dropRng.state, copy.state);
        if (bonusCount > 1000) clearBonuses();
    }
    EXPECT_GT(drops, 150);
    EXPECT_LT(drops, 250);
}

TEST(MonsterDeath, RemovalShiftsMonstersAndSprites) {
    world::fresh();
    for (int k = 0; k < 3; ++k)
        world::addMonsterAt(Vec2(0.2f * k, 0.5f), 0.03f + 0.01f * k);
    int spritesBefore = spriteLayer.count;
    removeMonster(0);
    ASSERT_EQ(monsterCount, 2);
    EXPECT_EQ(spriteLayer.count, spritesBefore - 1);
    EXPECT_EQ(monsters[0].spriteIndex, 1);
    EXPECT_EQ(monsters[1].spriteIndex, 2);
    EXPECT_EQ(monsters[0].size, 0.04f);
    EXPECT_TRUE(world::checkSpriteIndices(1e-5f));

    // The last one: nothing shifts, only its sprite goes.
    removeMonster(1);
    EXPECT_EQ(monsterCount, 1);
    EXPECT_EQ(monsters[0].spriteIndex, 1);
    EXPECT_EQ(spriteLayer.count, spritesBefore - 2);
    EXPECT_TRUE(world::checkSpriteIndices(1e-5f));

    // Out-of-range indices change nothing.
    removeMonster(-1);
    removeMonster(1);
    EXPECT_EQ(monsterCount, 1);
}

TEST(MonsterDeath, CorpseLiesWhereItDiedTurnedLikeItsSprite) {
    world::fresh();
    int i = world::addMonsterAt(Vec2(0.3f, -0.2f), 0.06f);
    monsters[i].texture = textureBank.slotFor("Textures/Zombie.bmp");
    monsters[i].heading = Vec2(1.0f, 0.0f);
    int decals = decalLayer.count;
    addMonsterCorpse(monsters[i]);
    ASSERT_EQ(decalLayer.count, decals + 1);
    const Decal& d = decalLayer.decals[decals];
    EXPECT_EQ(d.texture, textureBank.slotFor("Textures/Zombie_Dead.bmp"));
    EXPECT_EQ(d.alpha, 1.0f);
    EXPECT_EQ(d.size, 0.06f);
    EXPECT_EQ(d.fadeRate, 0.00005f);
    EXPECT_EQ(d.centre.x, 0.3f);
    EXPECT_EQ(d.centre.y, -0.2f);
    EXPECT_EQ(d.direction.x, 0.0f); // perpUnit of (1, 0)
    EXPECT_EQ(d.direction.y, -1.0f);

    // A texture that is none of the three kinds leaves no corpse.
    monsters[i].texture = 63;
    addMonsterCorpse(monsters[i]);
    EXPECT_EQ(decalLayer.count, decals + 1);
}

TEST(RandomStreams, SpawnsAndDropsDrawFromTheirOwnStreamSinceTheSecondGeneration) {
    struct Case {
        int generation;
        bool spawnsShareTheMain, dropsShareTheMain;
    } cases[] = {{kFirstGeneration, true, true}, {kCurrentGeneration, false, false}};
    for (const Case& c : cases) {
        rulesGeneration = c.generation;
        world::fresh(9);
        const Rng main = rng, spawns = spawnRng, drops = dropRng;
        spawnInterval = 400.0f;
        spawnTimer = 0.0f;
        frameDelta = 400.0f;
        updateSpawner(1.0f, 500.0f);
        ASSERT_EQ(monsterCount, 1);
        EXPECT_EQ(rng.state != main.state, c.spawnsShareTheMain) << c.generation;
        EXPECT_EQ(spawnRng.state != spawns.state, !c.spawnsShareTheMain) << c.generation;
        // A first kill always drops.
        const Rng beforeKill = rng, spawnsBeforeKill = spawnRng;
        removeMonster(0);
        EXPECT_EQ(bonusCount, 1);
        EXPECT_EQ(dropRng.state != drops.state, !c.dropsShareTheMain) << c.generation;
        EXPECT_EQ(spawnRng.state, spawnsBeforeKill.state) << c.generation;
        EXPECT_EQ(rng.state != beforeKill.state, c.dropsShareTheMain) << c.generation;
    }
    rulesGeneration = kCurrentGeneration;
}
