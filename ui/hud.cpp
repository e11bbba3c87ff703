#include "ui/hud.h"

#include "draw/draw_list.h"
#include "game/player/marine.h"
#include "game/player/weapons.h"
#include "game/world/world.h"
#include "input/input.h"

namespace {

// Corners of the panel; its bottom drops by one row per running bonus.
constexpr float kLeft = -0.975f;
constexpr float kRight = -0.5f;
constexpr float kTop = 0.935f;

// Bars run from here to here, each at its own height.
constexpr float kBarStart = -0.675f;
constexpr float kBarEnd = -0.525f;

// Red when empty, through purple, to blue when full; always half seen.
Colour barColour(float full) {
    return Colour{1.0f - full, 0.0f, full, 0.5f};
}

// Bars are as thick as the run-power bar.
constexpr float kBarWidth = 5.0f;

void drawPanel() {
    float bottom = 0.675f - 0.04f * static_cast<float>(world().marine.timedBonusCount);

    const Vec2 corners[4] = {Vec2(kLeft, kTop), Vec2(kLeft, bottom), Vec2(kRight, bottom),
                             Vec2(kRight, kTop)};
    static constexpr float kFlat[8] = {};
    draw::quad(corners, kFlat, Colour{0.25f, 0.25f, 0.25f, 0.75f}, kNoTexture);

    constexpr Colour kRim{0.45f, 0.45f, 0.45f, 0.75f};
    draw::lineLoop(corners, 4, kRim, 3.0f);
    draw::line(Vec2(-0.95f, 0.75f), Vec2(-0.525f, 0.75f), kRim, 2.0f);
}

void drawStatusTexts() {
    World& w = world();
    // The record holds four weapons; anything else would read past them.
    int current = w.marine.currentWeapon;
    if (current < 0 || current > 3) current = 0;
    const Weapon& weapon = w.marine.weapons[current];

    // A weapon name is text, never a format.
    draw::text(0, -0.95f, 0.9f, kWhite, "%s", weapon.name);
    draw::text(0, -0.69f, 0.9f, kWhite, "%d", weapon.rounds);
    draw::text(0, -0.95f, 0.85f, kWhite, "Health     %3.1f", static_cast<double>(w.marine.health));
    // Once he has fallen, the score his game came to, as the table has it.
    draw::text(0, -0.95f, 0.8f, kWhite, "Score      %i", static_cast<int>(resultOf(w).score));
    draw::text(0, -0.95f, 0.7f, kWhite, "Run power");
}

void drawTimedBonuses() {
    World& w = world();
    int lines = 0;
    if (w.marine.fastSpeed) {
        lines = 1;
        draw::text(0, -0.95f, 0.66f, kWhite, "Fast Speed");
        float left = 10000.0f - w.marine.fastSpeedTime;
        drawBar(Vec2(kBarStart, 0.67f), Vec2(kBarEnd, 0.67f), left * 0.01f,
                barColour(left * 0.0001f), kBarWidth);
    }
    if (w.marine.fastShot) {
        ++lines;
        float step = 0.04f * static_cast<float>(lines);
        draw::text(0, -0.95f, 0.7f - step, kWhite, "Fast Shot");
        float left = 15000.0f - w.marine.fastShotTime;
        drawBar(Vec2(kBarStart, 0.71f - step), Vec2(kBarEnd, 0.71f - step), left / 150.0f,
                barColour(left / 15000.0f), kBarWidth);
    }
}

} // namespace

void drawBar(const Vec2& start, const Vec2& end, float value, Colour colour, float width) {
    Vec2 reach = start + (end - start) * (0.01f * value);
    draw::line(start, reach, colour, width);
}

void drawHud() {
    World& w = world();
    drawPanel();

    float power = w.marine.runPower * 0.01f;
    drawBar(Vec2(kBarStart, 0.71f), Vec2(kBarEnd, 0.71f), w.marine.runPower, barColour(power),
            kBarWidth);

    drawStatusTexts();
    drawTimedBonuses();
}
