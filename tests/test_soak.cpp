// Long games under load. The bot plays at a spawn rate that brings the
// interval to 0 within seconds and keeps 1000 monsters on the field, and a
// random player hammers keys, buttons, the cursor and the menu; after every
// frame the world must hold together: every pool within its capacity, each
// monster naming its own sprite, no position at NaN or infinity, the living
// Marine inside the arena and the score never wrapping below 0.
//
// CI plays a few simulated minutes (a third of that under the sanitizers).
// A long run is one command away:
//   QUORVEX_SOAK_MINUTES=30 ./build/tests/quorvex_tests --gtest_filter=Soak.*
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "app/frame.h"
#include "app/input.h"
#include "audio/sound_bank.h"
#include "bot.h"
#include "game/bonuses/bonuses.h"
#include "game/layers/decal_layer.h"
#include "game/layers/particle_layer.h"
#include "game/layers/sprite_layer.h"
#include "game/monsters/monster_templates.h"
#include "game/monsters/monsters.h"
#include "game/player/death.h"
#include "game/player/marine.h"
#include "game/player/weapons.h"
#include "game/projectiles/bullets.h"
#include "game/world/world.h"
#include "harness.h"
#include "math/rng.h"
#include "session/session.h"

#if defined(__SANITIZE_ADDRESS__)
#define QUORVEX_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define QUORVEX_SANITIZED 1
#endif
#endif

namespace {

// Simulated minutes for one run: QUORVEX_SOAK_MINUTES, else `normal`, a
// third of it in a sanitizer build (about three times slower).
float soakMinutes(float normal) {
    if (const char* env = std::getenv("QUORVEX_SOAK_MINUTES")) {
        float minutes = std::strtof(env, nullptr);
        if (minutes > 0.0f) return minutes;
    }
#ifdef QUORVEX_SANITIZED
    return normal / 3.0f;
#else
    return normal;
#endif
}

bool finite(const Vec2& v) {
    return std::isfinite(v.x) && std::isfinite(v.y);
}

float length(const Vec2& v) {
    return std::sqrt(v.dot(v));
}

// A small window: the pictures do not matter here, and llvmpipe's cost
// grows with the pixels it fills.
void writeSettings(const std::string& dir, float spawnAcceleration) {
    std::ofstream(dir + "/Settings.ini") << "0 640 16 32 " << spawnAcceleration << " 0\n";
}

// Scales the damage of the nine monster files, so that the Marine lives on
// among a full field.
void scaleMonsterDamage(const std::string& dir, float factor) {
    const char* kinds[3] = {"Tooth", "Zombie", "Mind"};
    const char* sizes[3] = {"Small", "Medium", "Large"};
    for (const char* kind : kinds)
        for (const char* size : sizes) {
            std::string path = dir + "/Monsters/Monster" + kind + size + ".mst";
            std::ifstream in(path);
            std::string name, scoreText, texture;
            float damage = 0, health = 0, side = 0, speed = 0, interval = 0;
            if (!(in >> name >> scoreText >> damage >> health >> side >> speed >> interval >>
                  texture))
                continue;
            in.close();
            std::ofstream(path) << name << "\n"
                                << scoreText << "\n"
                                << damage * factor << " " << health << " " << side << " " << speed
                                << " " << interval << "\n"
                                << texture << "\n";
        }
}

// What the checks carry from one frame to the next.
struct Watch {
    uint32_t score = 0;
    uint64_t specials = 0;
    long frames = 0;
    int mostMonsters = 0;
    int mostSprites = 0;
    int mostDecals = 0;
    int mostBullets = 0;
    int mostParticles = 0;
    int mostBonuses = 0;
    int deaths = 0;
    bool dead = false;
};

::testing::AssertionResult capacity(const char* what, int count, int most) {
    if (count >= 0 && count <= most) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << what << " holds " << count << " of at most " << most;
}

// Every invariant the soak holds the game to, after a whole frame.
::testing::AssertionResult checkWorld(Watch& w) {
    ::testing::AssertionResult ok = ::testing::AssertionSuccess();
    if (!(ok = capacity("the sprite layer", world().spriteLayer.count,
                        AnimSpriteLayer::kCapacity)) ||
        !(ok = capacity("the decal layer", world().decalLayer.count, DecalLayer::kCapacity)) ||
        !(ok = capacity("the particle layer", world().particleLayer.count,
                        ParticleLayer::kCapacity)) ||
        !(ok = capacity("the bullet pool", world().bulletCount, kMaxBullets)) ||
        !(ok = capacity("the monster pool", world().monsterCount, kMonsterSpawnLimit)) ||
        !(ok = capacity("the bonus pool", world().bonusCount, kMaxBonuses)) ||
        !(ok = capacity("the playing sources", activeSourceCount, kMaxSources)))
        return ok;

    if (!finite(world().marine.position) || !finite(world().marine.aim) ||
        !finite(world().marine.facing) || !std::isfinite(world().marine.health) ||
        !std::isfinite(world().marine.runPower))
        return ::testing::AssertionFailure()
               << "the Marine at (" << world().marine.position.x << ", "
               << world().marine.position.y << ") aim (" << world().marine.aim.x << ", "
               << world().marine.aim.y << ") health " << world().marine.health;

    // Monsters: each names its own sprite, in pool order, after the
    // Marine's while he lives. Sprites are placed before the move, so a
    // sprite's centre is where its monster stood one step back.
    int previous = world().marine.marineDead ? -1 : 0;
    int attackers = 0;
    for (int i = 0; i < world().monsterCount; ++i) {
        const Monster& m = world().monsters[i];
        if (!finite(m.position) || !finite(m.heading) || !finite(m.moveDir) ||
            !std::isfinite(m.health))
            return ::testing::AssertionFailure() << "monster " << i << " at (" << m.position.x
                                                 << ", " << m.position.y << ") is not finite";
        for (const Segment& edge : m.hitEdges)
            if (!finite(edge.p1) || !finite(edge.p2))
                return ::testing::AssertionFailure() << "monster " << i << " has a broken edge";
        if (m.spriteIndex <= previous || m.spriteIndex >= world().spriteLayer.count)
            return ::testing::AssertionFailure()
                   << "monster " << i << " of " << world().monsterCount << " names sprite "
                   << m.spriteIndex << " after " << previous << " (layer holds "
                   << world().spriteLayer.count << ")";
        previous = m.spriteIndex;
        const AnimSprite& s = world().spriteLayer.sprites[m.spriteIndex];
        Vec2 centre = (s.corners[0] + s.corners[1] + s.corners[2] + s.corners[3]) * 0.25f;
        Vec2 placed = m.position - m.moveDir * m.speed * world().frameDelta;
        if (s.texture != m.texture || s.size != m.size || s.fadeRate != 0.0f ||
            length(centre - placed) > 1e-4f)
            return ::testing::AssertionFailure()
                   << "monster " << i << " at (" << placed.x << ", " << placed.y
                   << ") names sprite " << m.spriteIndex << " of texture " << s.texture
                   << " (its own " << m.texture << "), size " << s.size << " (" << m.size
                   << "), centre (" << centre.x << ", " << centre.y << ")";
        if (m.attackTimer == 0.0f) ++attackers; // hit (and pushed) him this frame
    }

    for (int i = 0; i < world().bulletCount; ++i)
        if (!finite(world().bullets[i].position) || !finite(world().bullets[i].direction) ||
            !std::isfinite(world().bullets[i].speed))
            return ::testing::AssertionFailure() << "bullet " << i << " is not finite";
    for (int i = 0; i < world().bonusCount; ++i)
        if (!finite(world().bonuses[i].position) || !std::isfinite(world().bonuses[i].age))
            return ::testing::AssertionFailure() << "bonus " << i << " is not finite";
    for (int i = 0; i < world().particleLayer.count; ++i)
        if (!finite(world().particleLayer.particles[i].position) ||
            !finite(world().particleLayer.particles[i].direction))
            return ::testing::AssertionFailure() << "particle " << i << " is not finite";
    for (int i = 0; i < world().spriteLayer.count; ++i)
        for (const Vec2& c : world().spriteLayer.sprites[i].corners)
            if (!finite(c))
                return ::testing::AssertionFailure() << "sprite " << i << " is not finite";
    for (int i = 0; i < world().decalLayer.count; ++i)
        for (const Vec2& c : world().decalLayer.decals[i].corners)
            if (!finite(c))
                return ::testing::AssertionFailure() << "decal " << i << " is not finite";

    // He is clamped to the arena each step; only this frame's hits can have
    // pushed him past it, 0.01 each. Dead, he is shoved about freely.
    if (!world().marine.marineDead) {
        float bound = 1.0f + 0.01f * static_cast<float>(attackers) + 1e-5f;
        if (std::fabs(world().marine.position.x) > bound ||
            std::fabs(world().marine.position.y) > bound)
            return ::testing::AssertionFailure()
                   << "the Marine at (" << world().marine.position.x << ", "
                   << world().marine.position.y << ") is outside the arena";
    }

    // Only the special lowers the score: by 100, once a frame at most, and
    // only from 100 or more (it comes first in the frame, before kills and
    // pick-ups add theirs). So it never wraps past 0. A new game sets 0.
    bool newGame = world().gameTime == 0.0f;
    bool special = soundPlayCount[SoundSpecial] != w.specials;
    if (world().score >= 0x80000000u)
        return ::testing::AssertionFailure() << "the score wrapped to " << world().score;
    if (special && !newGame && w.score < 100)
        return ::testing::AssertionFailure() << "the special fired with a score of " << w.score;
    if (!newGame && world().score + (special ? 100u : 0u) < w.score)
        return ::testing::AssertionFailure()
               << "the score fell from " << w.score << " to " << world().score;
    w.score = world().score;
    w.specials = soundPlayCount[SoundSpecial];

    if (world().marine.marineDead && !w.dead) ++w.deaths;
    w.dead = world().marine.marineDead;
    ++w.frames;
    w.mostMonsters = std::max(w.mostMonsters, world().monsterCount);
    w.mostSprites = std::max(w.mostSprites, world().spriteLayer.count);
    w.mostDecals = std::max(w.mostDecals, world().decalLayer.count);
    w.mostBullets = std::max(w.mostBullets, world().bulletCount);
    w.mostParticles = std::max(w.mostParticles, world().particleLayer.count);
    w.mostBonuses = std::max(w.mostBonuses, world().bonusCount);
    return ::testing::AssertionSuccess();
}

void report(const char* name, const Watch& w, double seconds) {
    std::printf("[ soak     ] %s: %ld frames in %.1f s; most monsters %d, sprites %d, decals %d, "
                "bullets %d, particles %d, bonuses %d; %d deaths\n",
                name, w.frames, seconds, w.mostMonsters, w.mostSprites, w.mostDecals, w.mostBullets,
                w.mostParticles, w.mostBonuses, w.deaths);
}

double secondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

} // namespace

// The bot against a field that fills to 1000 monsters within a minute of
// each game: kills, corpses, bonuses, blasts and the special keep the pools
// churning at their limits, and each death starts the next game.
TEST(Soak, BotHoldsOutAgainstAFullField) {
    std::string dir = harness::scratchDataDir();
    writeSettings(dir, 0.1f); // the interval reaches 0 after 10 s
    scaleMonsterDamage(dir, 0.002f);
    ASSERT_TRUE(harness::boot(dir.c_str()));
    world().rng.seed(4242);

    bot::Player player;
    player.begin(bot::kSharp, 7);
    constexpr uint32_t kFrameMs = 33;
    const float minutes = soakMinutes(2.0f);
    const long frames = static_cast<long>(minutes * 60000.0f / kFrameMs);
    Watch watch;
    auto start = std::chrono::steady_clock::now();
    for (long f = 0; f < frames; ++f) {
        player.act(static_cast<float>(kFrameMs));
        ASSERT_TRUE(harness::frame(kFrameMs)) << "the game quit at frame " << f;
        ASSERT_TRUE(checkWorld(watch)) << "after frame " << f;
    }
    player.releaseAll();
    report("bot", watch, secondsSince(start));
    EXPECT_GE(player.gamesStarted, 1);
    // One monster a frame fills the field within a minute, kills or not.
    if (minutes >= 2.0f) {
        EXPECT_EQ(watch.mostMonsters, kMonsterSpawnLimit) << "the field never filled";
    }
    EXPECT_GT(soundPlayCount[SoundExplosion] + soundPlayCount[SoundSpecial], 0u);
}

// Anything a player might do, at random, with frames from 0 to 250 ms:
// keys (directions, Shift, weapons, Escape, others), both buttons, the
// cursor anywhere, clicks on the menu's items. "Exit Win" ends the program;
// it is started again.
TEST(Soak, RandomInputKeepsTheWorldWhole) {
    std::string dir = harness::scratchDataDir();
    writeSettings(dir, 0.05f);
    scaleMonsterDamage(dir, 0.002f);
    ASSERT_TRUE(harness::boot(dir.c_str()));
    world().rng.seed(99);
    Rng dice;
    dice.seed(2718);
    auto chance = [&](int percent) { return dice.next() % 100 < percent; };

    // Escape once in a while; the rest mostly plays.
    const uint32_t keys[] = {'W',     'A',     'S', 'D', VkUp, VkDown, VkLeft, VkRight,
                             VkShift, '1',     '2', '3', '4',  'W',    'A',    'S',
                             'D',     VkShift, ' ', 'Q', 13,   0,      255};
    const Vec2 items[] = {Vec2(0.35f, -0.07f), Vec2(0.35f, -0.23f), Vec2(0.35f, -0.40f),
                          Vec2(0.35f, -0.55f), Vec2(0.35f, -0.71f)};
    const float minutes = soakMinutes(1.5f);
    float simulated = 0.0f;
    int boots = 1;
    Watch watch;
    long menuFrames = 0;
    auto start = std::chrono::steady_clock::now();
    while (simulated < minutes * 60000.0f) {
        int actions = dice.next() % 4;
        if (dice.next() % 300 == 0) harness::key(VkEscape);
        for (int a = 0; a < actions; ++a) {
            uint32_t vk = keys[dice.next() % (sizeof(keys) / sizeof(keys[0]))];
            switch (dice.next() % 8) {
            case 0:
                harness::keyDown(vk);
                break;
            case 1:
                harness::keyUp(vk);
                break;
            case 2:
                harness::key(vk);
                break;
            case 3:
                chance(50) ? harness::leftDown() : harness::leftUp();
                break;
            case 4:
                chance(50) ? harness::rightDown() : harness::rightUp();
                break;
            case 5: {
                const Vec2& item = items[dice.next() % 5];
                // Exit Win rarely: a restart costs a whole start-up.
                if (item.y < -0.7f && !chance(5)) break;
                harness::cursorArena(item.x, item.y);
                break;
            }
            default:
                // Anywhere, the window's edges and a little beyond included.
                harness::cursor(dice.next() % (harness::width() + 20) - 10,
                                dice.next() % (harness::height() + 20) - 10);
                break;
            }
        }
        uint32_t ms = static_cast<uint32_t>(dice.next() % 60);
        if (chance(3)) ms = 0;
        if (chance(2)) ms = 250;
        if (!harness::frame(ms)) {
            ASSERT_TRUE(harness::quitRequested());
            ASSERT_TRUE(harness::boot(dir.c_str()));
            ++boots;
            watch.score = 0;
            watch.specials = soundPlayCount[SoundSpecial]; // start-up counts from 0 again
            continue;
        }
        simulated += static_cast<float>(ms);
        if (session().input.menuShown) ++menuFrames;
        ASSERT_TRUE(checkWorld(watch)) << "after " << simulated << " ms";
    }
    report("random", watch, secondsSince(start));
    std::printf("[ soak     ] random: %d start-ups, %ld frames on the menu\n", boots, menuFrames);
}
