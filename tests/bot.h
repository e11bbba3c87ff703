// A player for the harness. It reads the world's records the way a player
// reads the screen and acts only through the harness's input: direction keys
// and Shift, the cursor, both buttons, the weapon keys, Escape-free menu
// clicks to start the next game. It walks away from crowds and toward
// bonuses, aims at the nearest monster, picks the weapon for the situation
// and throws the special ring when surrounded.
#pragma once

#include <cstdint>

#include "math/rng.h"
#include "math/vec2.h"

namespace bot {

struct Skill {
    float reactionMs; // a new target is chosen this often, and only then
    float aimSpeed;   // radians per second the cursor can swing about the Marine
    float aimNoise;   // radians: spread of the aim error drawn for each target
    float fireCone;   // radians of aim error within which it fires
};

// Reacts at once and never misses by much: drives the soak.
inline constexpr Skill kSharp{0.0f, 100.0f, 0.0f, 0.25f};
// A decent human: a quarter second to pick a new target, a quick but
// bounded swing of the mouse, a few degrees off.
inline constexpr Skill kHuman{250.0f, 6.0f, 0.06f, 0.35f};

// What one game came to, for the difficulty figure.
struct Tally {
    int kills[32] = {};    // by monster template index
    float damage[32] = {}; // health taken from the Marine, by template index
    int killer = -1;       // template of the monster whose hit killed him
    int bonuses = 0;       // bonuses taken
    int specials = 0;      // special attacks thrown
};

class Player {
  public:
    // Forget everything and start from no input held. Call after boot.
    void begin(const Skill& skill, uint32_t seed);
    // Decides this frame's input from the world as the last frame left it;
    // the harness delivers it with the next frame of `ms`.
    void act(float ms);
    // Counts kills, damage and the cause of death by comparing the monster
    // pool with the one seen after the previous frame. Call after each frame.
    void observe();
    // Lets go of every key and button.
    void releaseAll();

    // Start a new game from the menu whenever it shows (after a death too).
    bool restartGames = true;
    Tally tally;
    int gamesStarted = 0;

  private:
    void hold(uint32_t vk, bool down);
    void setLeft(bool down);
    void setRight(bool down);
    void menuStep();
    void move(float ms);
    void aimAndFire(float ms);
    void chooseWeapon(float ms);
    void special(float ms);
    int pickTarget() const;

    Skill skill_{};
    Rng random_;
    bool held_[256] = {};
    bool left_ = false;
    bool right_ = false;
    int menuPhase_ = 0;
    int moveChoice_ = 0; // index of the direction held
    float deadFor_ = 0.0f;
    bool keyAfterDeath_ = false;

    // The target is remembered by what it looks like and where it was.
    bool hasTarget_ = false;
    int targetTexture_ = 0;
    float targetSize_ = 0.0f;
    Vec2 targetAt_;
    float sinceChoice_ = 1e9f;
    float noise_ = 0.0f;
    float aimAngle_ = 1.5707964f;

    float sinceSwitch_ = 1e9f;
    float sinceSpecial_ = 1e9f;

    // The pool as it stood after the previous frame.
    int seenCount_ = 0;
    int seenTemplate_[1024] = {};
    float seenHealth_[1024] = {};
    Vec2 seenAt_[1024];
    float seenMarineHealth_ = 100.0f;
    bool seenDead_ = false;
    int seenBonuses_ = 0;
    uint64_t seenSpecials_ = 0;
};

// Index of the monster template a live monster was made from (by texture
// and size), or -1.
int templateOf(int monsterIndex);

} // namespace bot
