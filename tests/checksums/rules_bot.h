// A player for the rules alone: it reads the world's records and answers
// with the messages and cursor a window would give, walking away from crowds
// and toward bonuses, aiming at the monster that would reach it first,
// picking the weapon for the situation, throwing the special ring when
// surrounded and starting the next game from the menu. Its own arithmetic is
// + - * / and sqrt only, so it plays the same game on every machine.
#pragma once

#include <cstdint>

#include "math/rng.h"
#include "math/vec2.h"
#include "platform/platform.h"

namespace checksums {

// What the bot does before the next frame: messages in order, then the
// frame's cursor in picture pixels.
struct Turn {
    Message messages[16];
    int count = 0;
    int32_t cursorX = 0;
    int32_t cursorY = 0;
    void add(MsgType type, uint32_t wParam = 0) {
        if (count < 16) messages[count++] = Message{type, wParam};
    }
};

class RulesBot {
  public:
    // From no input held, the cursor in the middle of the picture.
    void begin(uint32_t seed);
    // Decides the input for the next frame, which will last `ms`.
    void act(float ms, Turn& turn);
    // Lets go of every key and button.
    void releaseAll(Turn& turn);

    int gamesStarted = 0;

  private:
    void hold(Turn& turn, uint32_t vk, bool down);
    void setLeft(Turn& turn, bool down);
    void setRight(Turn& turn, bool down);
    void pointAt(const Vec2& arena);
    void menuStep(Turn& turn);
    void move(Turn& turn);
    void aimAndFire(Turn& turn);
    void chooseWeapon(Turn& turn);
    void special(Turn& turn);

    Rng random_;
    bool held_[256] = {};
    bool left_ = false;
    bool right_ = false;
    int32_t cursorX_ = 0;
    int32_t cursorY_ = 0;
    int menuPhase_ = 0;
    int moveChoice_ = 0;
    float deadFor_ = 0.0f;
    bool hasTarget_ = false;
    Vec2 targetAt_;
    float targetSize_ = 0.0f;
    Vec2 aimOffset_; // the bot's own error, drawn for each new target
    float sinceChoice_ = 1e9f;
    float sinceSwitch_ = 1e9f;
    float sinceSpecial_ = 1e9f;
};

} // namespace checksums
