// The Marine: new game, walking, turning, running, the border, the aim, the
// crosshair, the speed trail, and how he looks on screen.
#include <gtest/gtest.h>

#include <GL/gl.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <vector>

#include "app/frame.h"
#include "app/input.h"
#include "audio/sound_bank.h"
#include "draw/draw_list.h"
#include "draw/texture_bank.h"
#include "game/bonuses/bonuses.h"
#include "game/layers/decal_layer.h"
#include "game/layers/particle_layer.h"
#include "game/layers/sprite_layer.h"
#include "game/monsters/monsters.h"
#include "game/player/death.h"
#include "game/player/marine.h"
#include "game/player/weapons.h"
#include "game/projectiles/bullet_templates.h"
#include "game/projectiles/bullets.h"
#include "game/world/world.h"
#include "harness.h"
#include "render/gl_backend.h"
#include "session/session.h"

namespace {

constexpr float kTurn = 1.0f / 15.0f;

Vec2 turned(Vec2 v, float angle) {
    return v.rotate(angle);
}

// A running game, the Marine at the centre, no monsters coming, the cursor
// straight ahead of him so his aim stays up.
class MarineTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(harness::boot());
        harness::cursorArena(0.0f, 0.5f);
        harness::frame();
        startNewGame();
        world().spawnInterval = 1e9f;
        harness::frame(0); // the world starts running from the next frame
        ASSERT_EQ(world().runFactor, 1.0f);
    }
    void TearDown() override {
        for (uint32_t vk :
             {uint32_t('W'), uint32_t('A'), uint32_t('S'), uint32_t('D'), uint32_t(VkShift),
              uint32_t(VkUp), uint32_t(VkDown), uint32_t(VkLeft), uint32_t(VkRight)})
            harness::keyUp(vk);
        harness::leftUp();
        harness::rightUp();
        harness::frame(0);
    }
};

TEST_F(MarineTest, NewGameEmptiesTheWorldAndStandsHimUpAtTheCentre) {
    // Dirty everything a game leaves behind, then start again.
    world().marine.position = Vec2(0.3f, 0.4f);
    world().marine.health = 0.0f;
    world().marine.marineDead = true;
    world().marine.fastSpeed = true;
    world().marine.ownedCount = 3;
    world().score = 1234;
    world().gameTime = 55.0f;
    world().deathTime = 3000.0f;
    world().spawnInterval = 10.0f;
    world().hitSoundTimer = 5.0f;
    Bullet b;
    appendBullet(b);
    appendBullet(b);
    session().input.menuShown = 1;

    startNewGame();
    EXPECT_EQ(session().input.menuShown, 0);
    EXPECT_EQ(world().bulletCount, 0);
    EXPECT_EQ(world().monsterCount, 0);
    EXPECT_EQ(world().bonusCount, 0);
    EXPECT_EQ(world().particleLayer.count, 0);
    EXPECT_EQ(world().decalLayer.count, 0);
    EXPECT_EQ(activeSourceCount, 0);
    EXPECT_EQ(world().score, 0u);
    EXPECT_EQ(world().gameTime, 0.0f);
    EXPECT_EQ(world().deathTime, 0.0f);
    EXPECT_EQ(world().spawnInterval, 1000.0f);
    EXPECT_EQ(world().hitSoundTimer, 1000.0f);

    EXPECT_EQ(world().marine.position.x, 0.0f);
    EXPECT_EQ(world().marine.position.y, 0.0f);
    EXPECT_EQ(world().marine.facing.y, 1.0f);
    EXPECT_EQ(world().marine.aim.y, 1.0f);
    EXPECT_EQ(world().marine.health, 100.0f);
    EXPECT_EQ(world().marine.runPower, 100.0f);
    EXPECT_EQ(world().marine.specialCount, 8);
    EXPECT_EQ(world().marine.blurInterval, 50.0f);
    EXPECT_EQ(world().marine.blurFade, 0.001f);
    EXPECT_EQ(world().marine.runRegen, 0.005f);
    EXPECT_FALSE(world().marine.marineDead);
    EXPECT_FALSE(world().marine.fastSpeed);
    EXPECT_EQ(world().marine.ownedCount, 1);
    EXPECT_EQ(world().marine.currentWeapon, 0);
    EXPECT_EQ(world().marine.spriteIndex, 0);

    // His body is the one sprite, sprite 0.
    ASSERT_EQ(world().spriteLayer.count, 1);
    const AnimSprite& body = world().spriteLayer.sprites[0];
    EXPECT_EQ(body.alpha, 1.0f);
    EXPECT_EQ(body.size, 0.05f);
    EXPECT_EQ(body.fadeRate, 0.0f);
    EXPECT_EQ(body.frameRate, 20.0f);
    EXPECT_EQ(body.frameCount, 16);
    EXPECT_EQ(body.frame, 0);
    EXPECT_EQ(body.texture, textureBank.slotFor("Textures/Marine.bmp"));
    EXPECT_EQ(body.direction.x, 1.0f);
}

TEST_F(MarineTest, OppositeKeysWalkForwardWhileTurningCounterClockwise) {
    harness::keyDown('W');
    harness::keyDown('S');
    harness::frame(100);
    // Cancelled input still counts as moving, along the facing from before
    // the turn.
    EXPECT_EQ(world().marine.moveInput.x, 0.0f);
    EXPECT_EQ(world().marine.moveInput.y, 0.0f);
    EXPECT_NEAR(world().marine.position.x, 0.0f, 1e-7f);
    EXPECT_NEAR(world().marine.position.y, 0.02f, 1e-7f);
    Vec2 once = turned(Vec2(0, 1), kTurn);
    EXPECT_NEAR(world().marine.facing.x, once.x, 1e-6f);
    EXPECT_NEAR(world().marine.facing.y, once.y, 1e-6f);

    harness::frame(100);
    Vec2 twice = turned(Vec2(0, 1), 2 * kTurn);
    EXPECT_NEAR(world().marine.facing.x, twice.x, 1e-6f);
    EXPECT_NEAR(world().marine.facing.y, twice.y, 1e-6f);
    EXPECT_NEAR(world().marine.position.x, once.x * 0.02f, 1e-6f);
    EXPECT_NEAR(world().marine.position.y, 0.02f + once.y * 0.02f, 1e-6f);
}

TEST_F(MarineTest, AKeyAlongTheFacingWobblesAndArrowsSteerLikeLetters) {
    harness::keyDown(VkUp);
    harness::frame(16);
    EXPECT_NEAR(world().marine.facing.x, -std::sin(kTurn), 1e-6f); // sign 0 turns left
    harness::frame(16);
    EXPECT_NEAR(world().marine.facing.x, 0.0f, 1e-6f); // and back
    EXPECT_NEAR(world().marine.facing.y, 1.0f, 1e-6f);
    harness::keyUp(VkUp);

    // Right turns clockwise, toward the key, a fixed step per frame.
    for (uint32_t vk : {uint32_t('D'), uint32_t(VkRight)}) {
        world().marine.facing = Vec2(0, 1);
        harness::keyDown(vk);
        harness::frames(3, 16);
        harness::keyUp(vk);
        harness::frame(0);
        Vec2 expected = turned(Vec2(0, 1), -3 * kTurn);
        EXPECT_NEAR(world().marine.facing.x, expected.x, 1e-5f) << vk;
        EXPECT_NEAR(world().marine.facing.y, expected.y, 1e-5f) << vk;
    }
    for (uint32_t vk : {uint32_t('A'), uint32_t(VkLeft), uint32_t('S'), uint32_t(VkDown)}) {
        world().marine.facing = Vec2(1, 0);
        harness::keyDown(vk);
        harness::frame(16);
        harness::keyUp(vk);
        harness::frame(0);
        // Down lies clockwise of facing right; left, straight behind, is a
        // tie and turns counter-clockwise.
        float s = (vk == 'A' || vk == VkLeft) ? kTurn : -kTurn;
        EXPECT_NEAR(world().marine.facing.y, std::sin(s), 1e-6f) << vk;
    }
}

TEST_F(MarineTest, RunningDoublesTheStepAndSpendsRunPower) {
    harness::keyDown(VkShift);
    harness::keyDown('W');
    harness::frame(100);
    EXPECT_NEAR(world().marine.position.y, 0.04f, 1e-6f);
    // 2 spent, 0.5 regained in the same frame.
    EXPECT_NEAR(world().marine.runPower, 98.5f, 1e-4f);
    ASSERT_GE(world().spriteLayer.count, 1);
    EXPECT_EQ(world().spriteLayer.sprites[0].frameRate, 40.0f);

    harness::keyUp('W');
    harness::frame(100);
    float y = world().marine.position.y;
    EXPECT_NEAR(world().marine.runPower, 99.0f, 1e-4f); // standing costs nothing
    EXPECT_EQ(world().spriteLayer.sprites[0].frameRate, 20.0f);
    EXPECT_EQ(world().spriteLayer.sprites[0].animate, 0);
    EXPECT_EQ(world().marine.position.y, y);

    // Fast Speed doubles again.
    world().marine.fastSpeed = true;
    world().marine.facing = Vec2(0, 1);
    harness::keyDown('W');
    harness::frame(100);
    EXPECT_NEAR(world().marine.position.y, y + 0.08f, 1e-6f);
}

TEST_F(MarineTest, ShiftWithoutRunPowerGivesNoSpeedAndNeverGoesBelowZero) {
    world().marine.runPower = 0.5f;
    harness::keyDown(VkShift);
    harness::keyDown('W');
    harness::frame(100);
    EXPECT_NEAR(world().marine.position.y, 0.02f, 1e-6f); // walking pace
    EXPECT_NEAR(world().marine.runPower, 0.5f, 1e-6f);    // 0.5 - 2 -> 0, then + 0.5
    EXPECT_EQ(world().spriteLayer.sprites[0].frameRate, 20.0f);

    world().marine.runPower = 1.5f; // 1.5 - 2 is not above 1: no gain either
    harness::frame(100);
    EXPECT_NEAR(world().marine.position.y, 0.04f, 1e-4f);
    EXPECT_NEAR(world().marine.runPower, 0.5f, 1e-6f);
}

TEST_F(MarineTest, HeStandsOnTheBorderButNeverBeyond) {
    world().marine.position = Vec2(0.999f, 0.0f);
    world().marine.facing = Vec2(1, 0);
    harness::keyDown('D');
    harness::frame(100);
    EXPECT_EQ(world().marine.position.x, 1.0f);
    harness::frames(5, 100);
    EXPECT_LE(world().marine.position.x, 1.0f);
    harness::keyUp('D');

    world().marine.position = Vec2(-0.3f, -0.995f);
    world().marine.facing = Vec2(0, -1);
    harness::keyDown('S');
    harness::frame(100);
    EXPECT_EQ(world().marine.position.y, -1.0f);
    EXPECT_NEAR(world().marine.position.x, -0.3f, 1e-6f);
}

TEST_F(MarineTest, MenuFramesNeitherMoveNorSpendButStillTurn) {
    harness::key(VkEscape);
    harness::frame(100); // the frame that opens the menu still has its time
    ASSERT_TRUE(session().input.menuShown);
    Vec2 start = world().marine.position;
    world().marine.runPower = 50.0f;

    harness::keyDown(VkShift);
    harness::keyDown('A');
    harness::frames(3, 100);
    EXPECT_EQ(world().marine.position.x, start.x);
    EXPECT_EQ(world().marine.position.y, start.y);
    EXPECT_EQ(world().marine.runPower, 50.0f);
    Vec2 expected = turned(Vec2(0, 1), 3 * kTurn);
    EXPECT_NEAR(world().marine.facing.x, expected.x, 1e-5f);
    EXPECT_NEAR(world().marine.facing.y, expected.y, 1e-5f);

    // The aim still follows the mouse: a quarter turn away swings a radian.
    harness::cursorArena(start.x + 0.5f, start.y);
    harness::frame(100);
    EXPECT_NEAR(world().marine.aim.x, std::sin(1.0f), 1e-5f);
    EXPECT_NEAR(world().marine.aim.y, std::cos(1.0f), 1e-5f);
}

TEST_F(MarineTest, AimSwingsBySineOfTheAngleEachFrame) {
    harness::cursorArena(-0.5f, 0.0f); // a quarter turn to his left
    harness::frame(0);
    EXPECT_NEAR(world().marine.aim.x, -std::sin(1.0f), 1e-5f);
    float remaining = 3.14159265f / 2 - 1.0f;
    harness::frame(0);
    float angle = 1.0f + std::sin(remaining);
    EXPECT_NEAR(world().marine.aim.x, -std::sin(angle), 1e-5f);
    harness::frames(10, 0);
    EXPECT_NEAR(world().marine.aim.x, -1.0f, 1e-4f);
    // The body sprite turns with the aim: a quarter turn clockwise of it.
    ASSERT_GE(world().spriteLayer.count, 1);
    harness::frame(0);
    EXPECT_NEAR(world().spriteLayer.sprites[0].direction.x, world().marine.aim.perpUnit().x, 1e-6f);
    EXPECT_NEAR(world().spriteLayer.sprites[0].direction.y, world().marine.aim.perpUnit().y, 1e-6f);
}

TEST_F(MarineTest, TimedBonusesRunOutAndRunPowerTopsOutAtAHundred) {
    world().marine.fastSpeed = true;
    world().marine.fastShot = true;
    world().marine.timedBonusCount = 2;
    world().marine.fastSpeedTime = 9950.0f;
    world().marine.fastShotTime = 14900.0f;
    world().marine.runPower = 99.9f;
    harness::frame(50);
    EXPECT_FALSE(world().marine.fastSpeed);
    EXPECT_EQ(world().marine.fastSpeedTime, 0.0f);
    EXPECT_TRUE(world().marine.fastShot);
    EXPECT_EQ(world().marine.timedBonusCount, 1);
    EXPECT_EQ(world().marine.runPower, 100.0f);
    harness::frame(50);
    EXPECT_FALSE(world().marine.fastShot);
    EXPECT_EQ(world().marine.timedBonusCount, 0);
}

TEST_F(MarineTest, FastSpeedLeavesAnAfterImageEveryFiftyMilliseconds) {
    world().marine.fastSpeed = true;
    world().marine.fastSpeedTime = 0.0f;
    int before = world().decalLayer.count;
    harness::frames(4, 25);
    ASSERT_EQ(world().decalLayer.count - before, 2);
    const Decal& blur = world().decalLayer.decals[world().decalLayer.count - 1];
    EXPECT_EQ(blur.alpha, 0.5f);
    EXPECT_EQ(blur.size, 0.05f);
    EXPECT_EQ(blur.fadeRate, 0.001f);
    EXPECT_EQ(blur.texture, textureBank.slotFor("Textures/MarineBlur.bmp"));
    EXPECT_NEAR(blur.direction.x, 1.0f, 1e-6f); // perpUnit of aiming up
    EXPECT_EQ(world().marine.blurTimer, 0.0f);
    world().marine.fastSpeed = false;
    harness::frames(4, 25);
    EXPECT_EQ(world().decalLayer.count - before, 2);
}

// ---- What he looks like on screen.

bool reddish(const harness::Pixel& p) {
    return p.r > 140 && p.r > p.g + 80 && p.r > p.b + 80;
}

bool redNear(float x, float y) {
    // The line is two pixels wide; look a few rows either side.
    float row = 2.0f / static_cast<float>(harness::height());
    for (int k = -2; k <= 2; ++k)
        if (reddish(harness::pixelArena(x, y + k * row))) return true;
    return false;
}

TEST_F(MarineTest, AimLineRunsFromHimTowardTheMouseAndFades) {
    world().marine.position = Vec2(-0.5f, -0.5f);
    harness::cursorArena(0.5f, -0.5f);
    harness::frames(12, 0);
    ASSERT_NEAR(world().marine.aim.x, 1.0f, 1e-4f);

    EXPECT_TRUE(redNear(-0.4f, -0.5f));
    EXPECT_TRUE(redNear(-0.2f, -0.5f));
    EXPECT_TRUE(redNear(0.0f, -0.5f));
    // Nothing red beside the line or past its end, one unit out.
    EXPECT_FALSE(redNear(-0.2f, -0.45f));
    EXPECT_FALSE(redNear(-0.2f, -0.55f));
    EXPECT_FALSE(redNear(0.55f, -0.5f));
    // It fades: brighter near him than far out.
    auto redness = [](float x) {
        int best = 0;
        float row = 2.0f / static_cast<float>(harness::height());
        for (int k = -2; k <= 2; ++k) {
            harness::Pixel p = harness::pixelArena(x, -0.5f + k * row);
            best = std::max(best, p.r - p.g);
        }
        return best;
    };
    EXPECT_GT(redness(-0.35f), redness(0.3f));
    harness::screenshot("marine_aim_line");
}

TEST_F(MarineTest, CrosshairSitsOnTheCursor) {
    // The Marine low on the left aiming right, so his line stays clear of the
    // two places the crosshair goes.
    world().marine.position = Vec2(-0.8f, -0.8f);
    auto capture = [](float cx, float cy) {
        std::vector<harness::Pixel> box;
        for (float y = cy - 0.07f; y <= cy + 0.07f; y += 0.005f)
            for (float x = cx - 0.07f; x <= cx + 0.07f; x += 0.005f)
                box.push_back(harness::pixelArena(x, y));
        return box;
    };
    auto same = [](const harness::Pixel& a, const harness::Pixel& b) {
        return a.r == b.r && a.g == b.g && a.b == b.b;
    };
    const float cx = 0.6f, cy = -0.8f;

    harness::cursorArena(cx, cy);
    harness::frames(10, 0);
    std::vector<harness::Pixel> with = capture(cx, cy);
    harness::screenshot("marine_crosshair");
    harness::cursorArena(-0.8f, 0.4f);
    harness::frames(10, 0);
    std::vector<harness::Pixel> without = capture(cx, cy);

    int inside = 0, changedInside = 0, changedOutside = 0;
    size_t i = 0;
    for (float y = cy - 0.07f; y <= cy + 0.07f; y += 0.005f) {
        for (float x = cx - 0.07f; x <= cx + 0.07f; x += 0.005f, ++i) {
            float dx = std::fabs(x - cx), dy = std::fabs(y - cy);
            bool changed = !same(with[i], without[i]);
            if (dx < 0.03f && dy < 0.03f) {
                ++inside;
                changedInside += changed;
            } else if (dx > 0.04f || dy > 0.04f) {
                changedOutside += changed;
            }
        }
    }
    EXPECT_GT(changedInside, inside / 10);
    EXPECT_EQ(changedOutside, 0);
}

// The Marine's sprite alone on black, read back from the frame buffer.
struct LitPixels {
    std::vector<Vec2> offsets; // arena units from his centre
};

LitPixels drawBodyAlone() {
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    draw::clear();
    world().spriteLayer.draw();
    render::submitDrawList(drawList);

    int w = harness::width(), h = harness::height();
    std::vector<uint8_t> rgba(static_cast<size_t>(w) * h * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadBuffer(GL_BACK);
    glReadPixels(0, 0, w, h, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());

    LitPixels lit;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const uint8_t* p = &rgba[(static_cast<size_t>(y) * w + x) * 4];
            if (p[0] + p[1] + p[2] < 60) continue;
            Vec2 arena((x + 0.5f) / (w / 2.0f) - 1.0f, (y + 0.5f) / (h / 2.0f) - 1.0f);
            lit.offsets.push_back(arena - world().marine.position);
        }
    }
    return lit;
}

// How far the lit pixels reach along `axis`, and against it.
void reach(const LitPixels& lit, const Vec2& axis, float& along, float& against) {
    along = against = 0.0f;
    for (const Vec2& o : lit.offsets) {
        along = std::max(along, o.dot(axis));
        against = std::max(against, -o.dot(axis));
    }
}

TEST_F(MarineTest, TheGunPointsWhereHeAims) {
    if (!std::filesystem::exists(std::string(QUORVEX_DATA_DIR) + "/Textures/Marine.bmp"))
        GTEST_SKIP() << "no Marine art yet";

    struct Case {
        Vec2 aim;
        Vec2 cursor;
    };
    for (const Case& c : {Case{Vec2(1, 0), Vec2(0.5f, 0.0f)}, Case{Vec2(0, 1), Vec2(0.0f, 0.5f)},
                          Case{Vec2(-1, 0), Vec2(-0.5f, 0.0f)}}) {
        world().marine.aim = c.aim;
        harness::cursorArena(c.cursor.x, c.cursor.y);
        harness::frame(0);
        ASSERT_NEAR(world().marine.aim.x, c.aim.x, 1e-6f);
        LitPixels lit = drawBodyAlone();
        ASSERT_GT(lit.offsets.size(), 50u);
        // The barrel sticks out ahead of him further than anything behind.
        float along = 0, against = 0;
        reach(lit, c.aim, along, against);
        EXPECT_GT(along, against * 1.15f) << "aim " << c.aim.x << "," << c.aim.y;
        float side1 = 0, side2 = 0;
        reach(lit, c.aim.perpUnit(), side1, side2);
        EXPECT_GT(along, std::max(side1, side2)) << "aim " << c.aim.x << "," << c.aim.y;
    }
}

TEST_F(MarineTest, WalkingAndFiringScreenshot) {
    // Game data where present; visible stand-ins where not.
    if (findBulletTemplate("BulletAK") < 0) {
        BulletTemplate& t = bulletTemplates[bulletTemplateCount++];
        t = BulletTemplate{};
        std::snprintf(t.name, sizeof(t.name), "BulletAK");
        t.speed = 0.0015f;
        t.spread = 6;
        t.damage = 10.0f;
    }
    addWeapon(WeaponAK);
    selectWeapon(WeaponAK);
    world().marine.position = Vec2(-0.3f, -0.4f);
    harness::cursorArena(0.6f, 0.3f);
    harness::keyDown('W');
    harness::keyDown('D');
    harness::leftDown();
    uint64_t shots = soundPlayCount[SoundAKShot];
    harness::frames(45, 16);
    EXPECT_GT(soundPlayCount[SoundAKShot] - shots, 3u);
    EXPECT_TRUE(world().spriteLayer.sprites[0].animate);
    EXPECT_GT(world().marine.position.x, -0.3f);
    harness::screenshot("marine_walking_firing");
}

} // namespace
