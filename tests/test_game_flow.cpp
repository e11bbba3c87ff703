// A whole scripted game in the real program: a new game, monsters coming in,
// kills with corpses and the first bonus, a grenade blast, the Marine's
// death and "Game Over", with a screenshot of each moment (flow_*.png).
#include <gtest/gtest.h>

#include <cmath>

#include "app/input.h"
#include "draw/texture_bank.h"
#include "game/bonuses/bonuses.h"
#include "game/world/world.h"
#include "harness.h"
#include "monster_world.h"
#include "replay/replay_recorder.h"
#include "saving/score_store.h"
#include "session/messages.h"
#include "session/session.h"

namespace {

// Pixels bright on every channel in a window rectangle: the white texts.
int brightPixels(int x0, int y0, int x1, int y1) {
    int n = 0;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) {
            harness::Pixel p = harness::pixel(x, y);
            if (p.r > 180 && p.g > 180 && p.b > 180) ++n;
        }
    return n;
}

// "Game Over" in the large font starts at arena (-0.25, 0): left of the
// centre, just above the middle row.
int gameOverPixels() {
    int w = harness::width();
    int h = harness::height();
    return brightPixels(w * 3 / 8, h / 2 - h / 20, w / 2 + w / 10, h / 2);
}

bool hasDecal(int texture) {
    for (int i = 0; i < world().decalLayer.count; ++i)
        if (world().decalLayer.decals[i].texture == texture) return true;
    return false;
}

int explosionSprites() {
    int n = 0;
    for (int i = 0; i < world().spriteLayer.count; ++i)
        if (world().spriteLayer.sprites[i].size == 0.2f &&
            world().spriteLayer.sprites[i].fadeRate > 0.0f)
            ++n;
    return n;
}

// One frame of the game, then every monster must still name its sprite.
::testing::AssertionResult step(uint32_t ms = 16) {
    if (!harness::frame(ms)) return ::testing::AssertionFailure() << "the game quit";
    // Sprites are placed before the move, so they may lag by one step.
    float fastest = 0.0f;
    for (int i = 0; i < world().monsterCount; ++i)
        fastest = std::fmax(fastest, world().monsters[i].speed);
    return arena::checkSpriteIndices(0.05f + fastest * static_cast<float>(ms));
}

// Places a monster of the named kind and keeps the spawner's draws out of it.
int placeMonster(const char* name, const Vec2& at, float health) {
    int count = spawnMonster(name, at);
    if (count < 0) return -1;
    world().monsters[count - 1].health = health;
    return count - 1;
}

} // namespace

TEST(GameFlow, NewGameToGameOver) {
    ASSERT_TRUE(harness::boot());
    // The data folder may not hold the game's files yet: stand-ins then.
    if (findMonsterTemplate("MonsterToothSmall") < 0) arena::fillMonsterTemplates();
    if (findBulletTemplate("BulletPistol") < 0) arena::fillBulletTemplates();
    world().rng.seed(2024);

    ASSERT_TRUE(step());
    EXPECT_TRUE(session().input.menuShown);
    harness::screenshot("flow_menu");
    harness::key(VkEscape);
    ASSERT_TRUE(step());
    ASSERT_FALSE(session().input.menuShown);
    // Closing the menu put the cursor back; aim straight up from here on.
    harness::cursorArena(0.0f, 0.95f);

    // The spawner brings the first monster in from outside the arena.
    world().spawnAcceleration = 0.0f;
    for (int k = 0; k < 40 && world().monsterCount == 0; ++k)
        ASSERT_TRUE(step(50));
    ASSERT_EQ(world().monsterCount, 1);
    float r = std::sqrt(world().monsters[0].position.dot(world().monsters[0].position));
    EXPECT_GT(r, 1.3f);
    // From here on the script places the monsters itself.
    world().spawnInterval = 1e9f;
    harness::screenshot("flow_first_monster");

    // Kill one with the Pistol: it leaves blood, a corpse and the first bonus.
    world().monsters[0].position = Vec2(0.0f, 0.5f);
    world().monsters[0].health = 1.0f;
    int toothSlot = world().monsters[0].texture;
    int corpseSlot = -1;
    if (toothSlot == textureBank.slotFor("Textures/Tooth.bmp"))
        corpseSlot = textureBank.slotFor("Textures/Tooth_Dead.bmp");
    else if (toothSlot == textureBank.slotFor("Textures/Zombie.bmp"))
        corpseSlot = textureBank.slotFor("Textures/Zombie_Dead.bmp");
    else
        corpseSlot = textureBank.slotFor("Textures/Mind_Dead.bmp");
    int scoreValue = world().monsters[0].scoreValue;
    bool pistolScores = bulletTemplates[findBulletTemplate("BulletPistol")].scores;
    ASSERT_TRUE(step());
    harness::leftDown();
    for (int k = 0; k < 200 && world().monsterCount > 0; ++k)
        ASSERT_TRUE(step());
    harness::leftUp();
    ASSERT_EQ(world().monsterCount, 0);
    EXPECT_EQ(world().score, pistolScores ? static_cast<uint32_t>(scoreValue) : 0u);
    EXPECT_TRUE(hasDecal(corpseSlot));
    EXPECT_TRUE(hasDecal(textureBank.slotFor("Textures/Blood.bmp")));
    ASSERT_EQ(world().bonusCount, 1);
    int firstKind = world().bonuses[0].kind;
    EXPECT_TRUE(firstKind == BonusAK || firstKind == BonusShotGun);
    ASSERT_TRUE(step());
    harness::screenshot("flow_kill");

    // Walk up onto the bonus and take the new gun.
    harness::keyDown(VkUp);
    for (int k = 0; k < 300 && world().bonusCount > 0; ++k)
        ASSERT_TRUE(step());
    harness::keyUp(VkUp);
    ASSERT_EQ(world().bonusCount, 0);
    int gun = firstKind == BonusAK ? WeaponAK : WeaponShotGun;
    ASSERT_EQ(world().marine.ownedCount, 2);
    EXPECT_EQ(world().marine.owned[1], gun);
    EXPECT_STREQ(noticeText(world().pickupNotice),
                 firstKind == BonusAK ? "Bonus AK" : "Bonus ShotGun");
    EXPECT_GE(soundPlayCount[SoundPickUp], 1u);
    ASSERT_TRUE(step());
    harness::screenshot("flow_bonus");

    // A second kill with it.
    harness::key(firstKind == BonusAK ? '2' : '3');
    ASSERT_TRUE(step());
    EXPECT_EQ(world().marine.currentWeapon, gun - WeaponPistol);
    ASSERT_GE(placeMonster("MonsterZombieSmall", world().marine.position + Vec2(0.0f, 0.3f), 1.0f),
              0);
    harness::leftDown();
    for (int k = 0; k < 300 && world().monsterCount > 0; ++k)
        ASSERT_TRUE(step());
    harness::leftUp();
    ASSERT_EQ(world().monsterCount, 0);
    ASSERT_TRUE(step());
    harness::screenshot("flow_kill_again");

    // The GrenadeGun: a blast with its sprite, scorch mark and fragments.
    Bonus grenadeGun;
    grenadeGun.kind = BonusGrenadeGun;
    grenadeGun.lifetime = 20000.0f;
    grenadeGun.size = 0.025f;
    grenadeGun.position = world().marine.position;
    addBonus(grenadeGun);
    ASSERT_TRUE(step());
    ASSERT_EQ(world().marine.ownedCount, 3);
    harness::key('4');
    ASSERT_TRUE(step());
    ASSERT_EQ(world().marine.currentWeapon, 3);
    ASSERT_GE(placeMonster("MonsterMindLarge", world().marine.position + Vec2(0.0f, 0.3f), 1e6f),
              0);
    uint64_t blasts = soundPlayCount[SoundExplosion];
    harness::leftDown();
    for (int k = 0; k < 300 && soundPlayCount[SoundExplosion] == blasts; ++k)
        ASSERT_TRUE(step());
    harness::leftUp();
    ASSERT_GT(soundPlayCount[SoundExplosion], blasts);
    EXPECT_GE(explosionSprites(), 1);
    EXPECT_TRUE(hasDecal(textureBank.slotFor("Textures/Spot_Explosion.bmp")));
    harness::screenshot("flow_blast");

    // A monster whose sprite comes after the explosion's keeps its own when
    // the explosion fades out of the layer.
    ASSERT_GE(placeMonster("MonsterToothMedium", Vec2(-0.8f, -0.8f), 1e6f), 0);
    for (int k = 0; k < 80 && explosionSprites() > 0; ++k)
        ASSERT_TRUE(step(20));
    EXPECT_EQ(explosionSprites(), 0);
    ASSERT_GE(world().monsterCount, 2);

    // The Marine goes down under a crowd, away from the "Game Over" text.
    world().marine.position = Vec2(-0.5f, -0.5f);
    ASSERT_TRUE(step());
    int textBefore = gameOverPixels();
    world().marine.health = 12.0f;
    for (int k = 0; k < 6; ++k) {
        Vec2 offset(0.05f * std::cos(k * 1.0f), 0.05f * std::sin(k * 1.0f));
        ASSERT_GE(placeMonster("MonsterToothSmall", world().marine.position + offset, 1e6f), 0);
    }
    for (int k = 0; k < 400 && !world().marine.marineDead; ++k)
        ASSERT_TRUE(step());
    ASSERT_TRUE(world().marine.marineDead);
    EXPECT_EQ(soundPlayCount[SoundMarineDeath], 1u);
    EXPECT_TRUE(hasDecal(textureBank.slotFor("Textures/MarineDead.bmp")));
    EXPECT_GT(gameOverPixels(), textBefore + 50);
    harness::screenshot("flow_game_over");
    float clock = world().gameTime;

    // The world runs on; a key before 2000 ms does nothing, after opens the menu.
    ASSERT_TRUE(step(1000));
    ASSERT_TRUE(step(983));
    EXPECT_LT(world().deathTime, 2000.0f);
    harness::key('A');
    ASSERT_TRUE(step(0));
    EXPECT_FALSE(session().input.menuShown);
    EXPECT_EQ(world().gameTime, clock);
    ASSERT_TRUE(step(20));
    EXPECT_GE(world().deathTime, 2000.0f);
    harness::key('A');
    ASSERT_TRUE(step());
    EXPECT_TRUE(session().input.menuShown);
    harness::screenshot("flow_menu_after_death");
}

// Each living texture maps to its own dead one, compared in the order
// Tooth, Zombie, Mind, with the real bank.
TEST(GameFlow, CorpsesShowTheDeadPictureOfTheirKind) {
    ASSERT_TRUE(harness::boot());
    startNewGame();
    const char* kinds[3][2] = {{"Textures/Tooth.bmp", "Textures/Tooth_Dead.bmp"},
                               {"Textures/Zombie.bmp", "Textures/Zombie_Dead.bmp"},
                               {"Textures/Mind.bmp", "Textures/Mind_Dead.bmp"}};
    for (auto& kind : kinds) {
        int living = textureBank.slotFor(kind[0]);
        int dead = textureBank.slotFor(kind[1]);
        ASSERT_NE(living, 0) << kind[0];
        ASSERT_NE(dead, 0) << kind[1];
        Monster m;
        m.texture = living;
        m.size = 0.05f;
        m.heading = Vec2(0.0f, 1.0f);
        int before = world().decalLayer.count;
        addMonsterCorpse(m);
        ASSERT_EQ(world().decalLayer.count, before + 1);
        EXPECT_EQ(world().decalLayer.decals[before].texture, dead) << kind[0];
    }
}

// Free play under fire: monsters pour in, all four guns fire at random,
// grenades blow up and fade, bonuses are taken, the Marine dies and the
// monsters walk on. After every frame each monster still names its sprite.
TEST(GameFlow, RandomisedPlayKeepsSpriteIndices) {
    ASSERT_TRUE(harness::boot());
    harness::key(VkEscape);
    ASSERT_TRUE(step());
    world().rng.seed(777);
    world().spawnAcceleration = 0.2f; // the interval reaches 0 in 5 s
    for (int id = WeaponAK; id <= WeaponGrenadeGun; ++id)
        addWeapon(id);
    Rng script;
    script.seed(99);
    int frames = 0;
    int mostMonsters = 0;
    uint64_t blasts = soundPlayCount[SoundExplosion];
    for (; frames < 900; ++frames) {
        if (frames % 80 == 0 && !world().marine.marineDead)
            harness::key("24341434"[frames / 80 % 8]);
        if (frames % 5 == 0 && world().monsterCount > 0) {
            // Aim at the nearest monster, as a player would.
            int nearest = 0;
            float best = 1e9f;
            for (int i = 0; i < world().monsterCount; ++i) {
                Vec2 d = world().monsters[i].position - world().marine.position;
                if (d.dot(d) < best) {
                    best = d.dot(d);
                    nearest = i;
                }
            }
            Vec2 target = world().monsters[nearest].position;
            // Extra grenades straight at it, so blasts surely happen.
            Vec2 d = target - world().marine.position;
            float len = std::sqrt(d.dot(d));
            if (frames % 40 == 0 && world().marine.currentWeapon == 3 &&
                !world().marine.marineDead && len > 0.2f && std::fabs(target.x) < 1.0f &&
                std::fabs(target.y) < 1.0f) {
                const BulletTemplate& g = bulletTemplates[findBulletTemplate("BulletGrenadeGun")];
                appendBullet(arena::makeBullet(world().marine.position, d / len, g.speed, g.damage,
                                               g.scores, g.trail));
            }
            harness::cursorArena(std::fmax(-0.99f, std::fmin(0.99f, target.x)),
                                 std::fmax(-0.99f, std::fmin(0.99f, target.y)));
        }
        if (frames == 10) harness::leftDown();
        ASSERT_TRUE(step(10 + script.next() % 30)) << "frame " << frames;
        if (world().monsterCount > mostMonsters) mostMonsters = world().monsterCount;
        if (world().marine.marineDead && world().deathTime > 3000.0f) break;
    }
    harness::leftUp();
    EXPECT_GT(mostMonsters, 20);
    EXPECT_GE(soundPlayCount[SoundExplosion], blasts + 3);
    EXPECT_TRUE(world().marine.marineDead);
    harness::screenshot("flow_random_play");
}

// A dead Marine's body on a "+100 points" bonus: the world's score grows,
// the game's result does not. The HUD, the score table and the verifier
// (through the same resultOf) give the score at the death. A health bonus
// too, which stops his death clock: a key two seconds on still brings the
// menu back, his game's recording ended at the death.
TEST(GameFlow, TheGamesResultIsTheOneAtTheDeath) {
    ASSERT_TRUE(harness::boot());
    startNewGame();
    ASSERT_TRUE(recording());
    world().spawnAcceleration = 0.0f;
    world().spawnInterval = 1e9f;
    ASSERT_TRUE(harness::frames(30));
    world().score = 40;
    world().marine.health = 0.0f;
    ASSERT_TRUE(harness::frame());
    ASSERT_TRUE(world().marine.marineDead);
    const GameTally atDeath = resultOf(world());
    EXPECT_EQ(atDeath.score, 40u);

    for (int kind : {BonusScore, BonusHealth}) {
        Bonus bonus;
        bonus.kind = kind;
        bonus.lifetime = 20000.0f;
        bonus.size = 0.025f;
        bonus.position = bonus.lastPosition = world().marine.position;
        addBonus(bonus);
        placeBonusEdges(world().bonusCount - 1);
    }
    ASSERT_TRUE(harness::frames(5));
    EXPECT_EQ(world().score, atDeath.score + 110) << "the body took both bonuses";
    EXPECT_GT(world().marine.health, 0.0f);
    EXPECT_EQ(resultOf(world()).score, atDeath.score);
    const int newest = newestScoreIndex();
    ASSERT_GE(newest, 0);
    EXPECT_EQ(scoreTable().entries[newest].score, atDeath.score);

    // Healed, his body's death clock stands still; the program's does not.
    ASSERT_TRUE(harness::frames(130, 16));
    EXPECT_LT(world().deathTime, 2000.0f);
    ASSERT_TRUE(recording());
    harness::key('A');
    ASSERT_TRUE(harness::frame());
    EXPECT_TRUE(session().input.menuShown) << "Game Over never ends";
    EXPECT_FALSE(recording());
    EXPECT_EQ(lastReplay().result.end, GameEnd::Death);
}
