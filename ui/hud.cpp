#include "ui/hud.h"

#include <GL/gl.h>

#include "game/player/marine.h"
#include "game/player/weapons.h"
#include "input/input.h"
#include "render/text.h"
#include "ui/menu.h"

namespace {

// Corners of the panel; its bottom drops by one row per running bonus.
constexpr float kLeft = -0.975f;
constexpr float kRight = -0.5f;
constexpr float kTop = 0.935f;

// Bars run from here to here, each at its own height.
constexpr float kBarStart = -0.675f;
constexpr float kBarEnd = -0.525f;

// Red when empty, through purple, to blue when full; always half seen.
void barColour(float full) {
    glColor4f(1.0f - full, 0.0f, full, 0.5f);
}

void drawPanel() {
    float bottom = 0.675f - 0.04f * static_cast<float>(marine.timedBonusCount);

    glColor4f(0.25f, 0.25f, 0.25f, 0.75f);
    glBegin(GL_QUADS);
    glVertex2f(kLeft, kTop);
    glVertex2f(kLeft, bottom);
    glVertex2f(kRight, bottom);
    glVertex2f(kRight, kTop);
    glEnd();

    glColor4f(0.45f, 0.45f, 0.45f, 0.75f);
    glLineWidth(3.0f);
    glBegin(GL_LINE_LOOP);
    glVertex2f(kLeft, kTop);
    glVertex2f(kLeft, bottom);
    glVertex2f(kRight, bottom);
    glVertex2f(kRight, kTop);
    glEnd();

    glLineWidth(2.0f);
    glBegin(GL_LINES);
    glVertex2f(-0.95f, 0.75f);
    glVertex2f(-0.525f, 0.75f);
    glEnd();
}

void drawStatusTexts() {
    // The record holds four weapons; anything else would read past them.
    int current = marine.currentWeapon;
    if (current < 0 || current > 3) current = 0;
    const Weapon& weapon = marine.weapons[current];

    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    // A weapon name is text, never a format.
    drawText(0, -0.95f, 0.9f, "%s", weapon.name);
    drawText(0, -0.69f, 0.9f, "%d", weapon.rounds);
    drawText(0, -0.95f, 0.85f, "Health     %3.1f", static_cast<double>(marine.health));
    drawText(0, -0.95f, 0.8f, "Score      %i", static_cast<int>(score));
    drawText(0, -0.95f, 0.7f, "Run power");
}

void drawTimedBonuses() {
    int lines = 0;
    if (marine.fastSpeed) {
        lines = 1;
        glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
        drawText(0, -0.95f, 0.66f, "Fast Speed");
        float left = 10000.0f - marine.fastSpeedTime;
        barColour(left * 0.0001f);
        drawBar(Vec2(kBarStart, 0.67f), Vec2(kBarEnd, 0.67f), left * 0.01f);
    }
    if (marine.fastShot) {
        ++lines;
        float step = 0.04f * static_cast<float>(lines);
        glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
        drawText(0, -0.95f, 0.7f - step, "Fast Shot");
        float left = 15000.0f - marine.fastShotTime;
        barColour(left / 15000.0f);
        drawBar(Vec2(kBarStart, 0.71f - step), Vec2(kBarEnd, 0.71f - step), left / 150.0f);
    }
}

} // namespace

void drawBar(const Vec2& start, const Vec2& end, float value) {
    Vec2 reach = start + (end - start) * (0.01f * value);
    glBegin(GL_LINES);
    glVertex2f(start.x, start.y);
    glVertex2f(reach.x, reach.y);
    glEnd();
}

void drawHud() {
    // Only the menu, drawn below, may name a hovered item this frame.
    menuHover = 0;
    // Flat colours: a texture left bound by the layers must not tint them.
    glDisable(GL_TEXTURE_2D);

    drawPanel();

    glLineWidth(5.0f);
    float power = marine.runPower * 0.01f;
    barColour(power);
    drawBar(Vec2(kBarStart, 0.71f), Vec2(kBarEnd, 0.71f), marine.runPower);

    drawStatusTexts();
    drawTimedBonuses();

    if (menuShown) drawMenu();
    glLineWidth(1.0f);
}
