// The Marine's death: once, at health 0 or below, his sprite out of the
// layer with every monster still naming its own, and the key after 2 s.
#include <gtest/gtest.h>

#include "draw/texture_bank.h"
#include "game/world/world.h"
#include "monster_world.h"
#include "session/session.h"

class MarineDeath : public ::testing::Test {
  protected:
    void SetUp() override {
        arena::fresh();
        world().frameDelta = 16.0f;
    }
};

TEST_F(MarineDeath, HealthExactlyZeroKillsOnce) {
    world().marine.health = 0.01f;
    updateMarineDeath();
    EXPECT_FALSE(world().marine.marineDead);
    EXPECT_EQ(world().deathTime, 0.0f);

    for (int k = 0; k < 3; ++k)
        arena::addMonsterAt(Vec2(0.3f * k, 0.5f), 0.03f + 0.01f * k);
    world().marine.health = 0.0f;
    world().marine.position = Vec2(0.2f, -0.1f);
    world().marine.aim = Vec2(0.6f, 0.8f);
    int decals = world().decalLayer.count;
    int sprites = world().spriteLayer.count;
    updateMarineDeath();
    EXPECT_TRUE(world().marine.marineDead);
    EXPECT_EQ(world().deathTime, 16.0f);
    EXPECT_EQ(soundPlayCount[SoundMarineDeath], 1u);
    ASSERT_EQ(world().decalLayer.count, decals + 1);
    const Decal& body = world().decalLayer.decals[decals];
    EXPECT_EQ(body.alpha, 1.0f);
    EXPECT_EQ(body.size, 0.05f);
    EXPECT_EQ(body.fadeRate, 0.0f);
    EXPECT_EQ(body.texture, textureBank.slotFor("Textures/MarineDead.bmp"));
    EXPECT_EQ(body.centre.x, 0.2f);
    EXPECT_EQ(body.centre.y, -0.1f);
    EXPECT_EQ(body.direction.x, 0.6f); // the aim itself
    EXPECT_EQ(body.direction.y, 0.8f);
    EXPECT_EQ(world().spriteLayer.count, sprites - 1);
    EXPECT_EQ(world().monsters[0].spriteIndex, 0);
    EXPECT_EQ(world().monsters[2].spriteIndex, 2);
    EXPECT_TRUE(arena::checkSpriteIndices(1e-5f));

    // Dead: only the clock runs on; nothing happens twice.
    for (int k = 0; k < 10; ++k)
        updateMarineDeath();
    world().marine.health = -50.0f;
    updateMarineDeath();
    EXPECT_EQ(world().deathTime, 16.0f * 12);
    EXPECT_EQ(soundPlayCount[SoundMarineDeath], 1u);
    EXPECT_EQ(world().decalLayer.count, decals + 1);
    EXPECT_EQ(world().spriteLayer.count, sprites - 1);
    EXPECT_EQ(world().monsters[0].spriteIndex, 0);

    // The menu's frozen frames do not count.
    world().frameDelta = 0.0f;
    updateMarineDeath();
    EXPECT_EQ(world().deathTime, 16.0f * 12);
}

TEST_F(MarineDeath, WithoutHisSpriteNoMonsterLosesItsOwn) {
    world().spriteLayer.clear(); // as if his sprite never made it into the layer
    arena::addMonsterAt(Vec2(0.5f, 0.5f));
    arena::addMonsterAt(Vec2(-0.5f, 0.5f));
    ASSERT_EQ(world().monsters[0].spriteIndex, 0);
    world().marine.health = -1.0f;
    updateMarineDeath();
    EXPECT_TRUE(world().marine.marineDead);
    EXPECT_EQ(world().spriteLayer.count, 2);
    EXPECT_EQ(world().monsters[0].spriteIndex, 0);
    EXPECT_EQ(world().monsters[1].spriteIndex, 1);
    EXPECT_TRUE(arena::checkSpriteIndices(1e-5f));
}

TEST_F(MarineDeath, AKeyLeavesGameOverOnlyAfterTwoSeconds) {
    world().marine.health = 0.0f;
    world().frameDelta = 1999.0f;
    updateMarineDeath();
    ASSERT_EQ(world().deathTime, 1999.0f);
    session().input.menuShown = 0;
    windowProc(Message{MsgType::KeyDown, 'A'});
    windowProc(Message{MsgType::KeyUp, 'A'});
    EXPECT_EQ(session().input.menuShown, 0);

    world().frameDelta = 1.0f;
    updateMarineDeath();
    windowProc(Message{MsgType::KeyDown, 'A'});
    windowProc(Message{MsgType::KeyUp, 'A'});
    EXPECT_EQ(session().input.menuShown, 1);
    session().input.menuShown = 0;
}

TEST_F(MarineDeath, MonstersKillHimThroughTheirAttacks) {
    int m = arena::addMonsterAt(Vec2(0.05f, 0.0f));
    world().monsters[m].damage = 50.0f;
    world().monsters[m].attackInterval = 100.0f;
    world().frameDelta = 100.0f;
    for (int k = 0; k < 2; ++k) {
        updateMonsters();
        world().monsters[m].position = world().marine.position + Vec2(0.05f, 0.0f);
        updateMarineDeath();
    }
    EXPECT_EQ(world().marine.health, 0.0f);
    EXPECT_TRUE(world().marine.marineDead);
    EXPECT_TRUE(arena::checkSpriteIndices(0.05f));
    // A dead Marine loses no more health but is still shoved.
    Vec2 before = world().marine.position;
    updateMonsters();
    EXPECT_EQ(world().marine.health, 0.0f);
    EXPECT_TRUE(world().marine.position.x != before.x || world().marine.position.y != before.y);
}
