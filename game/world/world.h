// The world: everything a game's outcome and checksum depend on, as one
// value. The Marine, every pool and layer, the random streams, the spawner's
// and the pick-ups' timers, the score and the time, and the frame's
// commands it was last stepped by. What the player holds and the menu are
// the session's (session/session.h). A World can be copied (a snapshot), compared through its
// checksum, and many can exist at once; the rule data (templates, textures)
// is loaded once and shared read-only.
//
// The rules reach the world being played through world(): each thread plays
// one world at a time, bound with bindWorld(). The program's own game is
// bound on the main thread from the start.
#pragma once

#include <cstdint>

#include "game/bonuses/bonuses.h"
#include "game/layers/decal_layer.h"
#include "game/layers/particle_layer.h"
#include "game/layers/sprite_layer.h"
#include "game/monsters/monsters.h"
#include "game/player/marine.h"
#include "game/projectiles/bullets.h"
#include "game/world/tick_input.h"
#include "input/settings_values.h"
#include "math/rng.h"
#include "math/rules_math.h"
#include "math/vec2.h"

// What a game came to: its score, time and kills.
struct GameTally {
    uint32_t score = 0;
    float gameTime = 0.0f; // seconds
    int32_t kills = 0;
};

struct World {
    // Which rules it follows (math/rules_math.h); bindWorld() hands it to
    // the math below the rules.
    int generation = kCurrentGeneration;

    Marine marine{};
    uint32_t score = 0;
    float deathTime = 0.0f; // ms since the Marine died

    Monster monsters[kMaxMonsters];
    int monsterCount = 0;
    float spawnTimer = 0.0f;
    float spawnInterval = 0.0f;
    float hmSoundTimer = 0.0f;

    Bonus bonuses[kMaxBonuses];
    int bonusCount = 0;

    Bullet bullets[kMaxBullets];
    int bulletCount = 0;
    float hitSoundTimer = 0.0f; // ms since the last hit sound

    AnimSpriteLayer spriteLayer;
    ParticleLayer particleLayer;
    DecalLayer decalLayer;

    // Everything random that is not below: spread, hits, particles, the
    // ground. Since the second generation of the rules, where and what
    // monsters spawn, and what the dead leave, draw from streams of their
    // own: two players given the same seed meet the same monsters and the
    // same drops however they shoot. The first generation drew all three
    // from `rng`.
    Rng rng;
    Rng spawnRng;
    Rng dropRng;

    float gameTime = 0.0f;             // seconds played in the current game
    int32_t pickupNotice = NoticeNone; // game/bonuses/bonuses.h
    float pickupMessageAlpha = 0.0f;
    int32_t monstersKilled = 0; // in the current game
    // Which of the three ground pictures this run shows (0 green, 1 grey,
    // 2 yellow-grey): chosen at start-up, kept by a replay.
    int32_t groundScheme = 0;
    // The seed the current game started from (second generation).
    uint32_t gameSeed = 0;
    // The seed the next New Game starts from (the program draws a fresh one
    // before each; tests and drivers set their own).
    uint32_t nextGameSeed = 1;

    // Where the crosshair is, in arena units.
    Vec2 cursorArena;

    // What the pad's rumble saw at the previous frame.
    float rumbleHealth = 0.0f;
    bool rumbleDead = false;
    bool rumbleMenuShown = false;

    // The game's result, taken at the end of the frame the Marine died in.
    // His body may still be shoved onto a bonus, and bullets in flight may
    // still kill: the world goes on, the result does not.
    bool tallied = false;
    GameTally atDeath;

    // What the picture of the last step shows of the layers and pools that
    // grow during it: a record added after its layer was described shows
    // from the next frame on. And the notice's alpha before it faded.
    int decalsShown = 0;
    int particlesShown = 0;
    int bonusesShown = 0;
    float noticeShownAlpha = 0.0f;

    // The settings the rules and the picture depend on, as "Settings.ini"
    // and the Options gave them (or the replay being played, with the
    // values it was made under): the picture's size in pixels (the cursor
    // is mapped with it), the spawn acceleration, the FPS counter, and the
    // pad's dead zone (a share of full scale) and aim reach.
    int32_t screenWidth = 0;
    int32_t screenHeight = 0;
    float spawnAcceleration = 0.0f;
    int32_t showFps = 0;
    float padDeadZone = kDefaultPadDeadZone;
    float padAimReach = kDefaultPadAimReach;

    // The commands of the frame being (or last) stepped.
    TickInput tick;
    // That frame's length in ms: its tick delta times the run factor the
    // frame before left (0 while the menu freezes the world, else 1).
    float frameDelta = 0.0f;
    float runFactor = 0.0f;
};

// The result of the game in `w`: at the death once he fell, else as it
// stands. What Game Over, the score table, the replay's verdict and the
// board show.
inline GameTally resultOf(const World& w) {
    if (w.tallied) return w.atDeath;
    return GameTally{w.score, w.gameTime, w.monstersKilled};
}

namespace detail {
extern thread_local World* boundWorld;
}

// The world this thread plays.
inline World& world() {
    return *detail::boundWorld;
}

// Makes `w` the world this thread plays, and returns the one it was.
World* bindWorld(World& w);

// The program's own world, bound on the main thread from the start (and on
// any thread that binds none).
World& programWorld();

// Binds a world for a scope, and the one before it again after.
class WorldScope {
  public:
    explicit WorldScope(World& w) : before_(bindWorld(w)) {}
    ~WorldScope() { bindWorld(*before_); }
    WorldScope(const WorldScope&) = delete;
    WorldScope& operator=(const WorldScope&) = delete;

  private:
    World* before_;
};

// Sets the rules the bound world follows.
void followGeneration(int generation);

// Every random stream at its start for `seed`.
void seedGameStreams(uint32_t seed);
// The streams of spawns and drops (the main one in the first generation).
Rng& spawnRandom();
Rng& dropRandom();
