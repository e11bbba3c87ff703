#include "ui/menu.h"

#include <GL/gl.h>

#include "game/player/aim_cursor.h"
#include "input/input.h"
#include "render/text.h"
#include "render/texture_bank.h"

namespace {

struct HoverBox {
    float left, right, bottom, top; // open on every side
};

struct MenuItem {
    Vec2 plate[4]; // in drawing order
    HoverBox hover;
    const char* label;
    Vec2 labelAt;
};

// Three plates stacked with 0.01 gaps; the slanted ends are left out of
// the hover boxes.
// clang-format off
const MenuItem kItems[3] = {
    {{{0.05f, 0.0f}, {0.15f, -0.15f}, {0.6f, -0.15f}, {0.6f, 0.0f}},
     {0.1f, 0.6f, -0.15f, 0.0f}, "New Game", {0.125f, -0.09f}},
    {{{0.15f, -0.16f}, {0.15f, -0.31f}, {0.6f, -0.31f}, {0.6f, -0.16f}},
     {0.15f, 0.6f, -0.31f, -0.16f}, "Credits", {0.18f, -0.25f}},
    {{{0.15f, -0.32f}, {0.05f, -0.47f}, {0.6f, -0.47f}, {0.6f, -0.32f}},
     {0.1f, 0.6f, -0.47f, -0.32f}, "Exit Win", {0.125f, -0.41f}},
};
// clang-format on

// Font 0 is 15 pixels a character on a 1024-wide screen (12 at 800, 8 at
// 640): an entry of 24 characters still ends inside the panel.
struct CreditLine {
    float y;
    bool heading;
    const char* text;
};

const CreditLine kCredits[9] = {
    {0.73f, true, "Director:"},
    {0.66f, false, "The Quorvex team"},
    {0.59f, true, "Special thanks to:"},
    {0.52f, false, "SDL2, OpenGL, FreeType"},
    {0.45f, false, "OpenAL, ALUT, fontconfig"},
    {0.38f, true, "Sound from games:"},
    {0.31f, false, "None: every sound is"},
    {0.24f, false, "synthesised by the"},
    {0.17f, false, "Quorvex asset generator"},
};

const char* const kFooter = "Quorvex 1.0 - a top-down arena shooter";

void findHover() {
    float x = cursorArena.x;
    float y = cursorArena.y;
    for (int i = 0; i < 3; ++i) {
        const HoverBox& box = kItems[i].hover;
        if (x > box.left && x < box.right && y > box.bottom && y < box.top) menuHover = i + 1;
    }
}

void drawTitlePicture() {
    // Opaque, so the frozen world underneath does not show through.
    glDisable(GL_BLEND);
    glEnable(GL_TEXTURE_2D);
    textureBank.bindByName("Textures/QuorvexLogo.bmp");
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    drawTexturedRect(-1.0f, -1.0f, 1.0f, 1.0f);
    glDisable(GL_TEXTURE_2D);
    glEnable(GL_BLEND);
}

void drawPlates() {
    for (int i = 0; i < 3; ++i) {
        float alpha = menuHover == i + 1 ? 0.75f : 0.5f;
        glColor4f(0.0f, 0.75f, 0.0f, alpha);
        glBegin(GL_QUADS);
        for (const Vec2& corner : kItems[i].plate)
            glVertex2f(corner.x, corner.y);
        glEnd();
    }

    glLineWidth(3.0f);
    glColor4f(0.0f, 0.75f, 0.0f, 0.5f);
    for (const MenuItem& item : kItems) {
        glBegin(GL_LINE_LOOP);
        for (const Vec2& corner : item.plate)
            glVertex2f(corner.x, corner.y);
        glEnd();
    }

    // The title rule fades out toward the right; it keeps the width of 3.
    glBegin(GL_LINES);
    glColor4f(1.0f, 0.0f, 0.0f, 1.0f);
    glVertex2f(-1.0f, 0.85f);
    glColor4f(1.0f, 0.0f, 0.0f, 0.0f);
    glVertex2f(1.0f, 0.85f);
    glEnd();

    for (const MenuItem& item : kItems) {
        glColor4f(1.0f, 1.0f, 1.0f, 0.75f);
        drawText(1, item.labelAt.x, item.labelAt.y, "%s", item.label);
    }
}

void drawCursor() {
    const float x = cursorArena.x;
    const float y = cursorArena.y;
    const float h = 0.03f;
    glEnable(GL_TEXTURE_2D);
    textureBank.bindByName("Textures/Cell.bmp");
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    drawTexturedRect(x - h, y - h, x + h, y + h);
    glDisable(GL_TEXTURE_2D);
}

void drawCredits() {
    glColor4f(1.0f, 1.0f, 1.0f, 0.5f);
    glBegin(GL_QUADS);
    glVertex2f(-0.8f, 0.8f);
    glVertex2f(-0.8f, 0.0f);
    glVertex2f(0.0f, 0.0f);
    glVertex2f(0.0f, 0.8f);
    glEnd();
    glLineWidth(3.0f);
    glBegin(GL_LINE_LOOP);
    glVertex2f(-0.8f, 0.8f);
    glVertex2f(-0.8f, 0.0f);
    glVertex2f(0.0f, 0.0f);
    glVertex2f(0.0f, 0.8f);
    glEnd();

    glColor4f(1.0f, 1.0f, 1.0f, 0.75f);
    for (const CreditLine& line : kCredits)
        drawText(0, line.heading ? -0.7f : -0.75f, line.y, "%s", line.text);
}

} // namespace

void drawMenu() {
    findHover();
    drawTitlePicture();
    drawPlates();
    drawCursor();
    if (creditsShown) drawCredits();

    glColor4f(1.0f, 1.0f, 1.0f, 0.75f);
    drawText(0, -0.3f, -0.95f, "%s", kFooter);
}
