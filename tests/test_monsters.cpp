// Monster templates, the pool, the spawner, behaviour and monster death.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <string>

#include "draw/texture_bank.h"
#include "game/world/world.h"
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
    arena::fresh();
    ASSERT_EQ(world().spriteLayer.count, 1); // the Marine
    EXPECT_EQ(arena::addMonsterAt(Vec2(0.5f, 0.5f), 0.04f), 0);
    EXPECT_EQ(world().monsters[0].spriteIndex, 1);
    const AnimSprite& s = world().spriteLayer.sprites[1];
    EXPECT_EQ(s.alpha, 1.0f);
    EXPECT_EQ(s.fadeRate, 0.0f);
    EXPECT_EQ(s.frameRate, 10.0f);
    EXPECT_EQ(s.frameCount, 16);
    EXPECT_TRUE(s.animate);
    EXPECT_EQ(s.size, 0.04f);
    EXPECT_TRUE(arena::checkSpriteIndices(1e-5f));

    // The layer is full: no monster without a sprite.
    while (world().spriteLayer.count < AnimSpriteLayer::kCapacity)
        world().spriteLayer.add(AnimSprite{});
    Monster m;
    EXPECT_EQ(addMonster(m), -1);
    EXPECT_EQ(world().monsterCount, 1);
    EXPECT_EQ(spawnMonster("MonsterToothSmall", Vec2(1, 1)), -1);
    EXPECT_EQ(world().monsterCount, 1);
    EXPECT_EQ(spawnMonster("NoSuchMonster", Vec2(1, 1)), -1);
}

TEST(MonsterPool, LowerSpriteIndicesAndClear) {
    arena::fresh();
    for (int i = 0; i < 3; ++i)
        arena::addMonsterAt(Vec2(0.1f * i, 0.5f));
    // An effect between the first and second monster expires.
    world().monsters[1].spriteIndex = 3;
    world().monsters[2].spriteIndex = 4;
    lowerSpriteIndicesFrom(2);
    EXPECT_EQ(world().monsters[0].spriteIndex, 1);
    EXPECT_EQ(world().monsters[1].spriteIndex, 2);
    EXPECT_EQ(world().monsters[2].spriteIndex, 3);
    clearMonsters();
    EXPECT_EQ(world().monsterCount, 0);
    EXPECT_EQ(world().monsters[1].spriteIndex, 0);
    EXPECT_EQ(world().monsters[1].position.x, 0.0f);
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
    arena::fresh(77);
    world().spawnInterval = 400.0f;
    world().spawnTimer = 0.0f;
    world().frameDelta = 400.0f;
    Rng copy = world().spawnRng;
    updateSpawner(1.0f, 500.0f);
    ASSERT_EQ(world().monsterCount, 1);
    int degrees = copy.next() % 360;
    int kind = copy.next() % 3;
    int size = copy.next() % 3;
    Vec2 expected(1.0f, 1.0f);
    expected.rotate(static_cast<float>(degrees) * 0.017444445f);
    EXPECT_EQ(world().monsters[0].position.x, expected.x);
    EXPECT_EQ(world().monsters[0].position.y, expected.y);
    EXPECT_NEAR(std::sqrt(expected.dot(expected)), 1.41421f, 1e-4f);
    const char* kinds[3] = {"Tooth", "Zombie", "Mind"};
    const char* sizes[3] = {"Small", "Medium", "Large"};
    std::string name = std::string("Monster") + kinds[kind] + sizes[size];
    const MonsterTemplate& t = monsterTemplates[findMonsterTemplate(name.c_str())];
    EXPECT_EQ(world().monsters[0].size, t.size);
    EXPECT_EQ(world().monsters[0].heading.y, 1.0f);
    EXPECT_EQ(world().monsters[0].moveDir.x, 0.0f);
    EXPECT_EQ(world().spawnRng.state, copy.state);
    EXPECT_EQ(world().spawnTimer, 0.0f);
}

TEST(Spawner, SizeFollowsTheIntervalAfterThisFramesDecrease) {
    // 750 after the decrease: Small only, and no size draw is made.
    arena::fresh(5);
    world().spawnAcceleration = 0.0f;
    world().spawnInterval = 750.0f;
    world().frameDelta = 750.0f;
    for (int i = 0; i < 200; ++i) {
        Rng before = world().spawnRng;
        updateSpawner(1.0f, 500.0f);
        before.next();
        before.next();
        ASSERT_EQ(world().spawnRng.state, before.state);
    }
    ASSERT_EQ(world().monsterCount, 200);
    for (int i = 0; i < world().monsterCount; ++i)
        EXPECT_EQ(sizeOf(world().monsters[i]), 0);

    // 500: Small or Medium, both seen.
    arena::fresh(6);
    world().spawnInterval = 500.0f;
    world().frameDelta = 500.0f;
    for (int i = 0; i < 200; ++i)
        updateSpawner(1.0f, 500.0f);
    int seen[3] = {};
    for (int i = 0; i < world().monsterCount; ++i)
        ++seen[sizeOf(world().monsters[i])];
    EXPECT_GT(seen[0], 0);
    EXPECT_GT(seen[1], 0);
    EXPECT_EQ(seen[2], 0);

    // A frame that takes 751 down to 749 already allows Medium.
    arena::fresh(6);
    world().spawnAcceleration = 1.0f;
    world().spawnInterval = 751.0f;
    world().spawnTimer = 1000.0f;
    world().frameDelta = 2.0f;
    Rng before = world().spawnRng;
    updateSpawner(1.0f, 500.0f);
    EXPECT_EQ(world().spawnInterval, 749.0f);
    for (int i = 0; i < 3; ++i)
        before.next();
    EXPECT_EQ(world().spawnRng.state, before.state);
    EXPECT_TRUE(arena::checkSpriteIndices(1e-5f));
}

TEST(Spawner, NoAccelerationGivesOneSmallPerSecond) {
    arena::fresh(9);
    world().spawnTimer = 0.0f;
    world().frameDelta = 20.0f;
    for (int frame = 1; frame <= 600; ++frame) { // 12 s
        updateSpawner(1.0f, 500.0f);
        ASSERT_EQ(world().monsterCount, frame / 50);
    }
    EXPECT_EQ(world().spawnInterval, 1000.0f);
    for (int i = 0; i < world().monsterCount; ++i)
        EXPECT_EQ(sizeOf(world().monsters[i]), 0);

    // Frames of 30 ms: the gap is rounded up to 34 frames.
    arena::fresh(9);
    world().spawnTimer = 0.0f;
    world().frameDelta = 30.0f;
    for (int i = 0; i < 34 * 5; ++i)
        updateSpawner(1.0f, 500.0f);
    EXPECT_EQ(world().monsterCount, 5);
}

TEST(Spawner, ClampsAtZeroAndThenSpawnsEveryCallEvenFrozen) {
    arena::fresh();
    world().spawnAcceleration = 0.5f;
    world().frameDelta = 3000.0f;
    updateSpawner(1.0f, 500.0f);
    EXPECT_EQ(world().spawnInterval, 0.0f);
    int before = world().monsterCount;
    world().frameDelta = 0.0f;
    for (int i = 0; i < 5; ++i)
        updateSpawner(1.0f, 500.0f);
    EXPECT_EQ(world().monsterCount, before + 5);
    EXPECT_EQ(world().spawnInterval, 0.0f);

    // A negative acceleration grows the interval without limit.
    arena::fresh();
    world().spawnAcceleration = -1.0f;
    world().frameDelta = 10000.0f;
    updateSpawner(1.0f, 500.0f);
    EXPECT_EQ(world().spawnInterval, 11000.0f);
}

TEST(Spawner, StopsAtAThousandAndResumesAtOnce) {
    arena::fresh();
    world().spawnAcceleration = 0.0f;
    world().spawnInterval = 0.0f;
    for (int i = 0; i < 1010; ++i)
        updateSpawner(1.0f, 500.0f);
    EXPECT_EQ(world().monsterCount, kMonsterSpawnLimit);
    EXPECT_TRUE(arena::checkSpriteIndices(1e-5f));

    world().spawnInterval = 1000.0f;
    world().spawnTimer = 0.0f;
    world().frameDelta = 1500.0f;
    Rng before = world().spawnRng;
    updateSpawner(1.0f, 500.0f);
    EXPECT_EQ(world().monsterCount, kMonsterSpawnLimit);
    EXPECT_EQ(world().spawnTimer, 1500.0f); // kept for the next frame with room
    EXPECT_EQ(world().spawnRng.state, before.state);

    removeMonster(500);
    world().frameDelta = 0.0f;
    updateSpawner(1.0f, 500.0f);
    EXPECT_EQ(world().monsterCount, kMonsterSpawnLimit);
    EXPECT_EQ(world().spawnTimer, 0.0f);
    EXPECT_TRUE(arena::checkSpriteIndices(1e-5f));
}

TEST(Spawner, MissingTemplateStillResetsTheTimerAndDraws) {
    arena::fresh();
    templateCount = 0;
    world().spawnTimer = 0.0f;
    world().frameDelta = 1000.0f;
    Rng before = world().spawnRng;
    updateSpawner(1.0f, 500.0f);
    EXPECT_EQ(world().monsterCount, 0);
    EXPECT_EQ(world().spawnTimer, 0.0f);
    before.next();
    before.next();
    EXPECT_EQ(world().spawnRng.state, before.state);
}

// ---------------------------------------------------------------- behaviour

TEST(MonsterBehaviour, TurnsOncePerFrameAndWalksAtTheMarine) {
    arena::fresh();
    int i = arena::addMonsterAt(Vec2(0.5f, 0.0f));
    world().monsters[i].speed = 0.001f;
    world().frameDelta = 0.0f; // frozen: the turn still happens, nothing moves
    updateMonsters();
    // The Marine lies straight to the left; heading up turns counter-clockwise.
    EXPECT_NEAR(world().monsters[i].heading.x, -std::sin(1.0f), 1e-5f);
    EXPECT_NEAR(world().monsters[i].heading.y, std::cos(1.0f), 1e-5f);
    EXPECT_EQ(world().monsters[i].position.x, 0.5f);
    EXPECT_NEAR(world().monsters[i].moveDir.x, -1.0f, 1e-6f);

    world().frameDelta = 100.0f;
    Vec2 headingBefore = world().monsters[i].heading;
    updateMonsters();
    EXPECT_NEAR(world().monsters[i].position.x, 0.4f, 1e-6f);
    // Hit edges and sprite show where it stood before this frame's move.
    Monster copy = world().monsters[i];
    copy.position = Vec2(0.5f, 0.0f);
    buildHitEdges(copy);
    EXPECT_NEAR(world().monsters[i].hitEdges[0].p1.x, copy.hitEdges[0].p1.x, 1e-6f);
    Vec2 c = arena::spriteCentre(world().spriteLayer.sprites[world().monsters[i].spriteIndex]);
    EXPECT_NEAR(c.x, 0.5f, 1e-6f);
    EXPECT_NE(world().monsters[i].heading.x, headingBefore.x);
}

TEST(MonsterBehaviour, FacingAwayKeepsHeadingButStillWalksIn) {
    arena::fresh();
    int i = arena::addMonsterAt(Vec2(0.0f, -0.5f));
    world().monsters[i].heading = Vec2(0.0f, -1.0f);
    world().monsters[i].speed = 0.001f;
    world().frameDelta = 10.0f;
    updateMonsters();
    EXPECT_EQ(world().monsters[i].heading.x, 0.0f);
    EXPECT_EQ(world().monsters[i].heading.y, -1.0f);
    EXPECT_NEAR(world().monsters[i].position.y, -0.49f, 1e-6f);

    // Two monsters at one place never separate.
    int j = arena::addMonsterAt(world().monsters[i].position);
    world().monsters[j].heading = world().monsters[i].heading;
    world().monsters[j].speed = 0.001f;
    for (int k = 0; k < 20; ++k)
        updateMonsters();
    EXPECT_EQ(world().monsters[i].position.x, world().monsters[j].position.x);
    EXPECT_EQ(world().monsters[i].position.y, world().monsters[j].position.y);
}

TEST(MonsterBehaviour, OnTheMarineExactlyKeepsItsLastDirection) {
    arena::fresh();
    int i = arena::addMonsterAt(Vec2(0.0f, 0.0f));
    world().monsters[i].moveDir = Vec2(0.6f, 0.8f);
    world().monsters[i].speed = 0.001f;
    world().monsters[i].attackInterval = 1e9f;
    world().frameDelta = 10.0f;
    updateMonsters();
    EXPECT_FALSE(std::isnan(world().monsters[i].position.x));
    EXPECT_NEAR(world().monsters[i].position.x, 0.006f, 1e-6f);
    EXPECT_NEAR(world().monsters[i].position.y, 0.008f, 1e-6f);
    EXPECT_FALSE(std::isnan(world().monsters[i].heading.x));
}

TEST(MonsterBehaviour, AttacksGruntAndPush) {
    arena::fresh();
    world().marine.position = Vec2(0.0f, 0.0f);
    int a = arena::addMonsterAt(Vec2(0.1f, 0.0f)); // exactly at the hit distance
    int b = arena::addMonsterAt(Vec2(-0.05f, 0.0f));
    for (int k : {a, b}) {
        world().monsters[k].damage = 10.0f;
        world().monsters[k].attackInterval = 100.0f;
        world().monsters[k].attackTimer = 0.0f;
    }
    world().monsters[a].heading = Vec2(0.0f, 1.0f);
    world().monsters[b].heading = Vec2(1.0f, 0.0f);
    world().hmSoundTimer = 300.0f;

    world().frameDelta = 99.0f;
    monsterAttacks();
    EXPECT_EQ(world().marine.health, 100.0f);
    EXPECT_EQ(soundPlayCount[SoundMarineHm], 0u);

    world().frameDelta = 1.0f;
    monsterAttacks();
    EXPECT_EQ(world().marine.health, 80.0f);              // both hit in the same frame
    EXPECT_EQ(soundPlayCount[SoundMarineHm], 1u);         // one grunt
    EXPECT_NEAR(world().marine.position.x, 0.01f, 1e-6f); // pushes add up
    EXPECT_NEAR(world().marine.position.y, 0.01f, 1e-6f);
    EXPECT_EQ(world().monsters[a].attackTimer, 0.0f);

    // Within 300 ms of the grunt the hits stay silent.
    world().marine.position = Vec2(0.0f, 0.0f);
    world().frameDelta = 100.0f;
    monsterAttacks();
    EXPECT_EQ(world().marine.health, 60.0f);
    EXPECT_EQ(soundPlayCount[SoundMarineHm], 1u);
    monsterAttacks();
    monsterAttacks();
    EXPECT_EQ(soundPlayCount[SoundMarineHm], 2u);

    // The timer runs far away too, so an arrival hits at once.
    world().monsters[a].position = Vec2(0.9f, 0.0f);
    world().monsters[b].position = Vec2(0.9f, 0.0f);
    world().frameDelta = 500.0f;
    float health = world().marine.health;
    monsterAttacks();
    EXPECT_EQ(world().marine.health, health);
    world().monsters[a].position = world().marine.position + Vec2(0.05f, 0.0f);
    world().frameDelta = 0.0f;
    monsterAttacks();
    EXPECT_EQ(world().marine.health, health - 10.0f);
}

TEST(MonsterBehaviour, ZeroIntervalHitsEveryFrameAndTheDeadAreOnlyPushed) {
    arena::fresh();
    int i = arena::addMonsterAt(Vec2(0.05f, 0.0f));
    world().monsters[i].attackInterval = 0.0f;
    world().monsters[i].damage = 1.0f;
    world().frameDelta = 0.0f;
    for (int k = 0; k < 5; ++k)
        monsterAttacks();
    EXPECT_EQ(world().marine.health, 95.0f);

    world().marine.marineDead = true;
    world().marine.position = Vec2(0.0f, 0.0f);
    world().monsters[i].heading = Vec2(0.0f, -1.0f);
    uint64_t grunts = soundPlayCount[SoundMarineHm];
    monsterAttacks();
    EXPECT_EQ(world().marine.health, 95.0f);
    EXPECT_NEAR(world().marine.position.y, -0.01f, 1e-6f);
    EXPECT_EQ(soundPlayCount[SoundMarineHm], grunts);
}

TEST(MonsterBehaviour, AfterTheDeathTheyWalkOnInTheirLastDirection) {
    arena::fresh();
    int i = arena::addMonsterAt(Vec2(0.5f, 0.5f));
    world().monsters[i].speed = 0.001f;
    world().monsters[i].attackInterval = 1e9f;
    world().frameDelta = 10.0f;
    updateMonsters();
    Vec2 dir = world().monsters[i].moveDir;
    Vec2 heading = world().monsters[i].heading;
    world().marine.marineDead = true;
    world().marine.position = Vec2(0.9f, -0.9f); // no longer followed
    for (int k = 0; k < 200; ++k)
        updateMonsters();
    EXPECT_EQ(world().monsters[i].moveDir.x, dir.x);
    EXPECT_EQ(world().monsters[i].heading.x, heading.x);
    EXPECT_LT(world().monsters[i].position.x, -0.5f); // walked through and on
}

// ---------------------------------------------------------------- death

TEST(MonsterDeath, FirstKillDropsAnAKOrShotGunThenOneInTen) {
    int kinds[2] = {};
    for (uint32_t seed = 1; seed <= 40; ++seed) {
        arena::fresh(seed);
        arena::addMonsterAt(Vec2(0.3f, 0.4f));
        Rng copy = world().dropRng;
        removeMonster(0);
        ASSERT_EQ(world().bonusCount, 1);
        EXPECT_EQ(world().bonuses[0].kind, BonusAK + copy.next() % 2); // no drop draw
        ++kinds[world().bonuses[0].kind - BonusAK];
        EXPECT_EQ(world().bonuses[0].position.x, 0.3f);
        EXPECT_EQ(world().bonuses[0].lifetime, 20000.0f);
        EXPECT_EQ(world().bonuses[0].size, 0.025f);
        EXPECT_TRUE(world().marine.firstDropDone);
    }
    EXPECT_GT(kinds[0], 0);
    EXPECT_GT(kinds[1], 0);

    arena::fresh(3);
    world().marine.firstDropDone = true;
    int drops = 0;
    for (int k = 0; k < 2000; ++k) {
        arena::addMonsterAt(Vec2(0.0f, 0.5f));
        Rng copy = world().dropRng;
        int before = world().bonusCount;
        removeMonster(0);
        bool drop = copy.next() % 10 == 1;
        ASSERT_EQ(world().bonusCount, before + (drop ? 1 : 0));
        if (drop) {
            EXPECT_EQ(world().bonuses[world().bonusCount - 1].kind,
                      BonusFastSpeed + copy.next() % 9);
            ++drops;
        }
        EXPECT_EQ(world().dropRng.state, copy.state);
        if (world().bonusCount > 1000) clearBonuses();
    }
    EXPECT_GT(drops, 150);
    EXPECT_LT(drops, 250);
}

TEST(MonsterDeath, RemovalShiftsMonstersAndSprites) {
    arena::fresh();
    for (int k = 0; k < 3; ++k)
        arena::addMonsterAt(Vec2(0.2f * k, 0.5f), 0.03f + 0.01f * k);
    int spritesBefore = world().spriteLayer.count;
    removeMonster(0);
    ASSERT_EQ(world().monsterCount, 2);
    EXPECT_EQ(world().spriteLayer.count, spritesBefore - 1);
    EXPECT_EQ(world().monsters[0].spriteIndex, 1);
    EXPECT_EQ(world().monsters[1].spriteIndex, 2);
    EXPECT_EQ(world().monsters[0].size, 0.04f);
    EXPECT_TRUE(arena::checkSpriteIndices(1e-5f));

    // The last one: nothing shifts, only its sprite goes.
    removeMonster(1);
    EXPECT_EQ(world().monsterCount, 1);
    EXPECT_EQ(world().monsters[0].spriteIndex, 1);
    EXPECT_EQ(world().spriteLayer.count, spritesBefore - 2);
    EXPECT_TRUE(arena::checkSpriteIndices(1e-5f));

    // Out-of-range indices change nothing.
    removeMonster(-1);
    removeMonster(1);
    EXPECT_EQ(world().monsterCount, 1);
}

TEST(MonsterDeath, CorpseLiesWhereItDiedTurnedLikeItsSprite) {
    arena::fresh();
    int i = arena::addMonsterAt(Vec2(0.3f, -0.2f), 0.06f);
    world().monsters[i].texture = textureBank.slotFor("Textures/Zombie.bmp");
    world().monsters[i].heading = Vec2(1.0f, 0.0f);
    int decals = world().decalLayer.count;
    addMonsterCorpse(world().monsters[i]);
    ASSERT_EQ(world().decalLayer.count, decals + 1);
    const Decal& d = world().decalLayer.decals[decals];
    EXPECT_EQ(d.texture, textureBank.slotFor("Textures/Zombie_Dead.bmp"));
    EXPECT_EQ(d.alpha, 1.0f);
    EXPECT_EQ(d.size, 0.06f);
    EXPECT_EQ(d.fadeRate, 0.00005f);
    EXPECT_EQ(d.centre.x, 0.3f);
    EXPECT_EQ(d.centre.y, -0.2f);
    EXPECT_EQ(d.direction.x, 0.0f); // perpUnit of (1, 0)
    EXPECT_EQ(d.direction.y, -1.0f);

    // A texture that is none of the three kinds leaves no corpse.
    world().monsters[i].texture = 63;
    addMonsterCorpse(world().monsters[i]);
    EXPECT_EQ(world().decalLayer.count, decals + 1);
}

TEST(RandomStreams, SpawnsAndDropsDrawFromTheirOwnStreamSinceTheSecondGeneration) {
    struct Case {
        int generation;
        bool spawnsShareTheMain, dropsShareTheMain;
    } cases[] = {{kFirstGeneration, true, true}, {kCurrentGeneration, false, false}};
    for (const Case& c : cases) {
        followGeneration(c.generation);
        arena::fresh(9);
        const Rng main = world().rng, spawns = world().spawnRng, drops = world().dropRng;
        world().spawnInterval = 400.0f;
        world().spawnTimer = 0.0f;
        world().frameDelta = 400.0f;
        updateSpawner(1.0f, 500.0f);
        ASSERT_EQ(world().monsterCount, 1);
        EXPECT_EQ(world().rng.state != main.state, c.spawnsShareTheMain) << c.generation;
        EXPECT_EQ(world().spawnRng.state != spawns.state, !c.spawnsShareTheMain) << c.generation;
        // A first kill always drops.
        const Rng beforeKill = world().rng, spawnsBeforeKill = world().spawnRng;
        removeMonster(0);
        EXPECT_EQ(world().bonusCount, 1);
        EXPECT_EQ(world().dropRng.state != drops.state, !c.dropsShareTheMain) << c.generation;
        EXPECT_EQ(world().spawnRng.state, spawnsBeforeKill.state) << c.generation;
        EXPECT_EQ(world().rng.state != beforeKill.state, c.dropsShareTheMain) << c.generation;
    }
    followGeneration(kCurrentGeneration);
}
