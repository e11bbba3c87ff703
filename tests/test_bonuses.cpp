// Bonus pick-ups: the pool, the outline, the pick-up tests and the nine
// effects.
#include <gtest/gtest.h>

#include <string>

#include "game/world/world.h"
#include "monster_world.h"
#include "replay/replay_recorder.h"

namespace {

Bonus makeBonus(int kind, const Vec2& position) {
    Bonus b;
    b.kind = kind;
    b.lifetime = 20000.0f;
    b.size = 0.025f;
    b.position = position;
    return b;
}

} // namespace

class Bonuses : public ::testing::Test {
  protected:
    void SetUp() override {
        arena::fresh();
        world().marine.position = Vec2(-0.8f, -0.8f); // away from everything
        world().marine.facing = Vec2(0.0f, 1.0f);
        world().frameDelta = 16.0f;
    }
    // Drops one bonus at (0, 0.5) and walks the Marine onto it.
    void take(int kind) {
        addBonus(makeBonus(kind, Vec2(0.0f, 0.5f)));
        world().marine.position = Vec2(0.0f, 0.5f);
        updateBonuses();
        world().marine.position = Vec2(-0.8f, -0.8f);
    }
};

TEST_F(Bonuses, PoolKeepsOrderAndAFullPoolDropsTheNewcomer) {
    for (int k = 0; k < 3; ++k)
        addBonus(makeBonus(200 + k, Vec2(0.1f * k, 0.0f)));
    removeBonus(0);
    ASSERT_EQ(world().bonusCount, 2);
    EXPECT_EQ(world().bonuses[0].kind, 201);
    EXPECT_EQ(world().bonuses[1].kind, 202);
    removeBonus(5); // out of range: nothing
    EXPECT_EQ(world().bonusCount, 2);

    while (world().bonusCount < kMaxBonuses)
        addBonus(makeBonus(207, Vec2(0.5f, 0.5f)));
    addBonus(makeBonus(208, Vec2(0.5f, 0.5f)));
    EXPECT_EQ(world().bonusCount, kMaxBonuses);
    EXPECT_EQ(world().bonuses[kMaxBonuses - 1].kind, 207);
    clearBonuses();
    EXPECT_EQ(world().bonusCount, 0);
    EXPECT_EQ(world().bonuses[0].kind, 0);
}

TEST_F(Bonuses, OutlineIsBuiltOnTheFirstUpdate) {
    addBonus(makeBonus(207, Vec2(0.4f, -0.2f)));
    EXPECT_EQ(world().bonuses[0].edges[0].p1.x, 0.0f);
    updateBonuses();
    const Segment* e = world().bonuses[0].edges;
    float h = 1.5f * 0.025f;
    EXPECT_FLOAT_EQ(e[0].p1.x, 0.4f - h); // BL to TL
    EXPECT_FLOAT_EQ(e[0].p1.y, -0.2f - h);
    EXPECT_FLOAT_EQ(e[0].p2.y, -0.2f + h);
    EXPECT_FLOAT_EQ(e[1].p2.x, 0.4f + h);  // TL to TR
    EXPECT_FLOAT_EQ(e[2].p2.y, -0.2f - h); // TR to BR
    EXPECT_FLOAT_EQ(e[3].p2.x, 0.4f - h);  // BR to BL
    EXPECT_EQ(world().bonuses[0].lastPosition.x, 0.4f);
    EXPECT_FLOAT_EQ(world().bonuses[0].age, 16.0f);

    // Dropped exactly at the centre, lastPosition already matches: the
    // outline is still built, or the bonus would never be seen.
    addBonus(makeBonus(207, Vec2(0.0f, 0.0f)));
    updateBonuses();
    EXPECT_FLOAT_EQ(world().bonuses[1].edges[1].p1.y, h);
}

TEST_F(Bonuses, TheBoxIncludesItsBounds) {
    addBonus(makeBonus(BonusScore, Vec2(0.0f, 0.0f)));
    world().marine.position = Vec2(0.0501f, 0.05f);
    world().frameDelta = 0.0f;
    updateBonuses();
    EXPECT_EQ(world().bonusCount, 1);
    world().marine.position = Vec2(0.05f, -0.05f); // exactly 2 x size on both axes
    updateBonuses();
    EXPECT_EQ(world().bonusCount, 0);
    EXPECT_EQ(world().score, 105u);
}

TEST_F(Bonuses, ALongFrameTakesItOnTheWay) {
    for (float ms : {100.0f, 150.0f}) {
        clearBonuses();
        addBonus(makeBonus(BonusScore, Vec2(0.0f, 0.0f)));
        world().marine.position = Vec2(-0.06f, 0.0f);
        world().marine.facing = Vec2(1.0f, 0.0f);
        world().frameDelta = ms;
        updateBonuses();
        // 100 ms reaches -0.04, short of the left edge at -0.0375; 150 ms
        // reaches -0.03 and crosses it.
        EXPECT_EQ(world().bonusCount, ms == 100.0f ? 1 : 0) << ms << " ms";
    }
}

TEST_F(Bonuses, ExpiringInThePickUpFrameGivesNothing) {
    Bonus b = makeBonus(BonusScore, Vec2(0.0f, 0.0f));
    b.age = 19990.0f;
    addBonus(b);
    addBonus(makeBonus(BonusHealth, Vec2(0.0f, 0.0f)));
    world().marine.position = Vec2(0.0f, 0.0f);
    world().marine.health = 50.0f;
    world().frameDelta = 10.0f;
    updateBonuses();
    // The first expired; the one that moved into its place, unaged, was
    // taken in the same pass.
    EXPECT_EQ(world().bonusCount, 0);
    EXPECT_EQ(world().score, 5u);
    EXPECT_EQ(world().marine.health, 70.0f);
    EXPECT_EQ(soundPlayCount[SoundPickUp], 1u);
    EXPECT_STREQ(noticeText(world().pickupNotice), "Bonus Health +20");
}

TEST_F(Bonuses, AfterAPickUpTheNextBonusWaitsAFrame) {
    addBonus(makeBonus(BonusScore, Vec2(0.0f, 0.0f)));
    addBonus(makeBonus(BonusScore, Vec2(0.0f, 0.0f)));
    world().marine.position = Vec2(0.0f, 0.0f);
    updateBonuses();
    EXPECT_EQ(world().bonusCount, 1);
    updateBonuses();
    EXPECT_EQ(world().bonusCount, 0);
    EXPECT_EQ(world().score, 210u);
}

TEST_F(Bonuses, TimedBonusesCountOnceAndRestart) {
    take(BonusFastSpeed);
    EXPECT_TRUE(world().marine.fastSpeed);
    EXPECT_EQ(world().marine.timedBonusCount, 1);
    EXPECT_STREQ(noticeText(world().pickupNotice), "Bonus fast speed");
    EXPECT_EQ(world().pickupMessageAlpha, 1.0f);
    world().marine.fastSpeedTime = 5000.0f;
    take(BonusFastSpeed);
    EXPECT_EQ(world().marine.timedBonusCount, 1);
    EXPECT_EQ(world().marine.fastSpeedTime, 0.0f);
    take(BonusFastShot);
    EXPECT_TRUE(world().marine.fastShot);
    EXPECT_EQ(world().marine.timedBonusCount, 2);
    EXPECT_STREQ(noticeText(world().pickupNotice), "Bonus fast shot");
    EXPECT_EQ(world().score, 15u);
    EXPECT_EQ(soundPlayCount[SoundPickUp], 3u);
}

TEST_F(Bonuses, WeaponsAreAddedOnceWithAFullClip) {
    take(BonusAK);
    ASSERT_EQ(world().marine.ownedCount, 2);
    EXPECT_EQ(world().marine.owned[1], WeaponAK);
    EXPECT_EQ(world().marine.weapons[1].rounds, world().marine.weapons[1].clipSize);
    EXPECT_STREQ(noticeText(world().pickupNotice), "Bonus AK");

    // Owned already: only the message, the points and the sound.
    world().marine.weapons[1].rounds = 3;
    world().pickupMessageAlpha = 0.0f;
    take(BonusAK);
    EXPECT_EQ(world().marine.ownedCount, 2);
    EXPECT_EQ(world().marine.weapons[1].rounds, 3);
    EXPECT_EQ(world().pickupMessageAlpha, 1.0f);
    EXPECT_EQ(world().score, 10u);

    take(BonusShotGun);
    EXPECT_STREQ(noticeText(world().pickupNotice), "Bonus ShotGun");
    take(BonusGrenadeGun);
    EXPECT_STREQ(noticeText(world().pickupNotice), "Bonus GrenadeGun");
    ASSERT_EQ(world().marine.ownedCount, 4);
    EXPECT_EQ(world().marine.owned[2], WeaponShotGun);
    EXPECT_EQ(world().marine.owned[3], WeaponGrenadeGun);
    take(BonusGrenadeGun);
    EXPECT_EQ(world().marine.ownedCount, 4);
}

TEST_F(Bonuses, HealthSpecialScoreAndMaxAmmo) {
    world().marine.health = 95.0f;
    take(BonusHealth);
    EXPECT_EQ(world().marine.health, 100.0f);
    world().marine.health = 30.0f;
    take(BonusHealth);
    EXPECT_EQ(world().marine.health, 50.0f);

    ASSERT_EQ(world().marine.specialCount, 8);
    take(BonusSpecial);
    EXPECT_EQ(world().marine.specialCount, 16);
    take(BonusSpecial);
    EXPECT_EQ(world().marine.specialCount, 32);
    take(BonusSpecial);
    EXPECT_EQ(world().marine.specialCount, 32);
    EXPECT_STREQ(noticeText(world().pickupNotice), "Bonus Special 2x");
    world().marine.specialCount = 0;
    take(BonusSpecial);
    EXPECT_EQ(world().marine.specialCount, 0);

    world().score = 0;
    take(BonusScore);
    EXPECT_EQ(world().score, 105u);
    EXPECT_STREQ(noticeText(world().pickupNotice), "Bonus Score +100");

    int rounds = world().marine.weapons[0].rounds;
    take(BonusMaxAmmo);
    EXPECT_EQ(world().marine.weapons[0].clipSize, 14);
    EXPECT_EQ(world().marine.weapons[1].clipSize, 60);
    EXPECT_EQ(world().marine.weapons[2].clipSize, 14);
    EXPECT_EQ(world().marine.weapons[3].clipSize, 1);
    EXPECT_EQ(world().marine.weapons[0].rounds, rounds);
    world().pickupNotice = NoticeNone;
    take(BonusMaxAmmo); // once per game
    EXPECT_EQ(world().marine.weapons[0].clipSize, 14);
    EXPECT_EQ(world().marine.weapons[1].clipSize, 60);
    EXPECT_STREQ(noticeText(world().pickupNotice), "2x max ammo");
}

TEST_F(Bonuses, UnknownKindGivesOnlyPointsAndSound) {
    world().pickupNotice = NoticeAK;
    take(199);
    EXPECT_EQ(world().score, 5u);
    EXPECT_EQ(soundPlayCount[SoundPickUp], 1u);
    EXPECT_EQ(world().pickupNotice, NoticeAK);
    EXPECT_EQ(world().bonusCount, 0);
}

TEST_F(Bonuses, ADeadMarinePushedOntoABonusTakesIt) {
    world().marine.marineDead = true;
    take(BonusScore);
    EXPECT_EQ(world().score, 105u);
}

// The world keeps a notice by its id; files keep its words, and read them
// back as the same id.
TEST_F(Bonuses, NoticeWordsAndIdsReadBackThroughAReplaysStart) {
    for (int notice = NoticeNone + 1; notice < kNoticeCount; ++notice) {
        SCOPED_TRACE(notice);
        EXPECT_STRNE(noticeText(notice), "");
        world().pickupNotice = notice;
        ReplayStart start = captureReplayStart();
        EXPECT_STREQ(start.pickupMessage, noticeText(notice));
        world().pickupNotice = NoticeNone;
        applyReplayStart(start);
        EXPECT_EQ(world().pickupNotice, notice);
    }
    for (const char* other : {"", "Bonus ak", "Bonus AK ", "old"})
        EXPECT_EQ(noticeFromText(other), NoticeNone) << other;
    EXPECT_STREQ(noticeText(kNoticeCount), "");
    EXPECT_STREQ(noticeText(-1), "");
}
