// Bonus pick-ups: the pool, the outline, the pick-up tests and the nine
// effects.
#include <gtest/gtest.h>

#include <string>

#include "monster_world.h"

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
        world::fresh();
        marine.position = Vec2(-0.8f, -0.8f); // away from everything
        marine.facing = Vec2(0.0f, 1.0f);
        frameDelta = 16.0f;
    }
    // Drops one bonus at (0, 0.5) and walks the Marine onto it.
    void take(int kind) {
        addBonus(makeBonus(kind, Vec2(0.0f, 0.5f)));
        marine.position = Vec2(0.0f, 0.5f);
        updateBonuses();
        marine.position = Vec2(-0.8f, -0.8f);
    }
};

TEST_F(Bonuses, PoolKeepsOrderAndAFullPoolDropsTheNewcomer) {
    for (int k = 0; k < 3; ++k)
        addBonus(makeBonus(200 + k, Vec2(0.1f * k, 0.0f)));
    removeBonus(0);
    ASSERT_EQ(bonusCount, 2);
    EXPECT_EQ(bonuses[0].kind, 201);
    EXPECT_EQ(bonuses[1].kind, 202);
    removeBonus(5); // out of range: nothing
    EXPECT_EQ(bonusCount, 2);

    while (bonusCount < kMaxBonuses)
        addBonus(makeBonus(207, Vec2(0.5f, 0.5f)));
    addBonus(makeBonus(208, Vec2(0.5f, 0.5f)));
    EXPECT_EQ(bonusCount, kMaxBonuses);
    EXPECT_EQ(bonuses[kMaxBonuses - 1].kind, 207);
    clearBonuses();
    EXPECT_EQ(bonusCount, 0);
    EXPECT_EQ(bonuses[0].kind, 0);
}

TEST_F(Bonuses, OutlineIsBuiltOnTheFirstUpdate) {
    addBonus(makeBonus(207, Vec2(0.4f, -0.2f)));
    EXPECT_EQ(bonuses[0].edges[0].p1.x, 0.0f);
    updateBonuses();
    const Segment* e = bonuses[0].edges;
    float h = 1.5f * 0.025f;
    EXPECT_FLOAT_EQ(e[0].p1.x, 0.4f - h); // BL to TL
    EXPECT_FLOAT_EQ(e[0].p1.y, -0.2f - h);
    EXPECT_FLOAT_EQ(e[0].p2.y, -0.2f + h);
    EXPECT_FLOAT_EQ(e[1].p2.x, 0.4f + h);  // TL to TR
    EXPECT_FLOAT_EQ(e[2].p2.y, -0.2f - h); // TR to BR
    EXPECT_FLOAT_EQ(e[3].p2.x, 0.4f - h);  // BR to BL
    EXPECT_EQ(bonuses[0].lastPosition.x, 0.4f);
    EXPECT_FLOAT_EQ(bonuses[0].age, 16.0f);

    // Dropped exactly at the centre, lastPosition already matches: the
    // outline is still built, or the bonus would never be seen.
    addBonus(makeBonus(207, Vec2(0.0f, 0.0f)));
    updateBonuses();
    EXPECT_FLOAT_EQ(bonuses[1].edges[1].p1.y, h);
}

TEST_F(Bonuses, TheBoxIncludesItsBounds) {
    addBonus(makeBonus(BonusScore, Vec2(0.0f, 0.0f)));
    marine.position = Vec2(0.0501f, 0.05f);
    frameDelta = 0.0f;
    updateBonuses();
    EXPECT_EQ(bonusCount, 1);
    marine.position = Vec2(0.05f, -0.05f); // exactly 2 x size on both axes
    updateBonuses();
    EXPECT_EQ(bonusCount, 0);
    EXPECT_EQ(score, 105u);
}

TEST_F(Bonuses, ALongFrameTakesItOnTheWay) {
    for (float ms : {100.0f, 150.0f}) {
        clearBonuses();
        addBonus(makeBonus(BonusScore, Vec2(0.0f, 0.0f)));
        marine.position = Vec2(-0.06f, 0.0f);
        marine.facing = Vec2(1.0f, 0.0f);
        frameDelta = ms;
        updateBonuses();
        // 100 ms reaches -0.04, short of the left edge at -0.0375; 150 ms
        // reaches -0.03 and crosses it.
        EXPECT_EQ(bonusCount, ms == 100.0f ? 1 : 0) << ms << " ms";
    }
}

TEST_F(Bonuses, ExpiringInThePickUpFrameGivesNothing) {
    Bonus b = makeBonus(BonusScore, Vec2(0.0f, 0.0f));
    b.age = 19990.0f;
    addBonus(b);
    addBonus(makeBonus(BonusHealth, Vec2(0.0f, 0.0f)));
    marine.position = Vec2(0.0f, 0.0f);
    marine.health = 50.0f;
    frameDelta = 10.0f;
    updateBonuses();
    // The first expired; the one that moved into its place, unaged, was
    // taken in the same pass.
    EXPECT_EQ(bonusCount, 0);
    EXPECT_EQ(score, 5u);
    EXPECT_EQ(marine.health, 70.0f);
    EXPECT_EQ(soundPlayCount[SoundPickUp], 1u);
    EXPECT_STREQ(pickupMessage, "Bonus Health +20");
}

TEST_F(Bonuses, AfterAPickUpTheNextBonusWaitsAFrame) {
    addBonus(makeBonus(BonusScore, Vec2(0.0f, 0.0f)));
    addBonus(makeBonus(BonusScore, Vec2(0.0f, 0.0f)));
    marine.position = Vec2(0.0f, 0.0f);
    updateBonuses();
    EXPECT_EQ(bonusCount, 1);
    updateBonuses();
    EXPECT_EQ(bonusCount, 0);
    EXPECT_EQ(score, 210u);
}

TEST_F(Bonuses, TimedBonusesCountOnceAndRestart) {
    take(BonusFastSpeed);
    EXPECT_TRUE(marine.fastSpeed);
    EXPECT_EQ(marine.timedBonusCount, 1);
    EXPECT_STREQ(pickupMessage, "Bonus fast speed");
    EXPECT_EQ(pickupMessageAlpha, 1.0f);
    marine.fastSpeedTime = 5000.0f;
    take(BonusFastSpeed);
    EXPECT_EQ(marine.timedBonusCount, 1);
    EXPECT_EQ(marine.fastSpeedTime, 0.0f);
    take(BonusFastShot);
    EXPECT_TRUE(marine.fastShot);
    EXPECT_EQ(marine.timedBonusCount, 2);
    EXPECT_STREQ(pickupMessage, "Bonus fast shot");
    EXPECT_EQ(score, 15u);
    EXPECT_EQ(soundPlayCount[SoundPickUp], 3u);
}

TEST_F(Bonuses, WeaponsAreAddedOnceWithAFullClip) {
    take(BonusAK);
    ASSERT_EQ(marine.ownedCount, 2);
    EXPECT_EQ(marine.owned[1], WeaponAK);
    EXPECT_EQ(marine.weapons[1].rounds, marine.weapons[1].clipSize);
    EXPECT_STREQ(pickupMessage, "Bonus AK");

    // Owned already: only the message, the points and the sound.
    marine.weapons[1].rounds = 3;
    pickupMessageAlpha = 0.0f;
    take(BonusAK);
    EXPECT_EQ(marine.ownedCount, 2);
    EXPECT_EQ(marine.weapons[1].rounds, 3);
    EXPECT_EQ(pickupMessageAlpha, 1.0f);
    EXPECT_EQ(score, 10u);

    take(BonusShotGun);
    EXPECT_STREQ(pickupMessage, "Bonus ShotGun");
    take(BonusGrenadeGun);
    EXPECT_STREQ(pickupMessage, "Bonus GrenadeGun");
    ASSERT_EQ(marine.ownedCount, 4);
    EXPECT_EQ(marine.owned[2], WeaponShotGun);
    EXPECT_EQ(marine.owned[3], WeaponGrenadeGun);
    take(BonusGrenadeGun);
    EXPECT_EQ(marine.ownedCount, 4);
}

TEST_F(Bonuses, HealthSpecialScoreAndMaxAmmo) {
    marine.health = 95.0f;
    take(BonusHealth);
    EXPECT_EQ(marine.health, 100.0f);
    marine.health = 30.0f;
    take(BonusHealth);
    EXPECT_EQ(marine.health, 50.0f);

    ASSERT_EQ(marine.specialCount, 8);
    take(BonusSpecial);
    EXPECT_EQ(marine.specialCount, 16);
    take(BonusSpecial);
    EXPECT_EQ(marine.specialCount, 32);
    take(BonusSpecial);
    EXPECT_EQ(marine.specialCount, 32);
    EXPECT_STREQ(pickupMessage, "Bonus Special 2x");
    marine.specialCount = 0;
    take(BonusSpecial);
    EXPECT_EQ(marine.specialCount, 0);

    score = 0;
    take(BonusScore);
    EXPECT_EQ(score, 105u);
    EXPECT_STREQ(pickupMessage, "Bonus Score +100");

    int rounds = marine.weapons[0].rounds;
    take(BonusMaxAmmo);
    EXPECT_EQ(marine.weapons[0].clipSize, 14);
    EXPECT_EQ(marine.weapons[1].clipSize, 60);
    EXPECT_EQ(marine.weapons[2].clipSize, 14);
    EXPECT_EQ(marine.weapons[3].clipSize, 1);
    EXPECT_EQ(marine.weapons[0].rounds, rounds);
    pickupMessage[0] = '\0';
    take(BonusMaxAmmo); // once per game
    EXPECT_EQ(marine.weapons[0].clipSize, 14);
    EXPECT_EQ(marine.weapons[1].clipSize, 60);
    EXPECT_STREQ(pickupMessage, "2x max ammo");
}

TEST_F(Bonuses, UnknownKindGivesOnlyPointsAndSound) {
    std::snprintf(pickupMessage, sizeof(pickupMessage), "%s", "old");
    take(199);
    EXPECT_EQ(score, 5u);
    EXPECT_EQ(soundPlayCount[SoundPickUp], 1u);
    EXPECT_STREQ(pickupMessage, "old");
    EXPECT_EQ(bonusCount, 0);
}

TEST_F(Bonuses, ADeadMarinePushedOntoABonusTakesIt) {
    marine.marineDead = true;
    take(BonusScore);
    EXPECT_EQ(score, 105u);
}
