#include "ui/menu.h"

#include "draw/draw_list.h"
#include "draw/texture_bank.h"
#include "game/player/aim_cursor.h"
#include "game/session/menu_items.h"
#include "input/input.h"

namespace {

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

constexpr Colour kLabel{1.0f, 1.0f, 1.0f, 0.75f};

const char* const kFooter = "Quorvex 1.0 - a top-down arena shooter";

void drawTitlePicture() {
    // Opaque, so the frozen world underneath does not show through.
    int index = textureBank.find("Textures/QuorvexLogo.bmp");
    if (index < 0) return;
    draw::rect(-1.0f, -1.0f, 1.0f, 1.0f, kWhite, textureBank.entrySlot(index), false);
}

void drawPlates() {
    static constexpr float kFlat[8] = {};
    for (int i = 0; i < kMenuItemCount; ++i) {
        float alpha = menuHover == i + 1 ? 0.75f : 0.5f;
        draw::quad(kMenuItems[i].plate, kFlat, Colour{0.0f, 0.75f, 0.0f, alpha}, kNoTexture);
    }

    for (const MenuItem& item : kMenuItems)
        draw::lineLoop(item.plate, 4, Colour{0.0f, 0.75f, 0.0f, 0.5f}, 3.0f);

    // The title rule fades out toward the right; it keeps the width of 3.
    draw::line(Vec2(-1.0f, 0.85f), Colour{1.0f, 0.0f, 0.0f, 1.0f}, Vec2(1.0f, 0.85f),
               Colour{1.0f, 0.0f, 0.0f, 0.0f}, 3.0f);

    for (const MenuItem& item : kMenuItems)
        draw::text(1, item.labelAt.x, item.labelAt.y, kLabel, "%s", item.label);
}

void drawCursor() {
    const float x = cursorArena.x;
    const float y = cursorArena.y;
    const float h = 0.03f;
    int index = textureBank.find("Textures/Cell.bmp");
    if (index < 0) return;
    draw::rect(x - h, y - h, x + h, y + h, kWhite, textureBank.entrySlot(index));
}

void drawCredits() {
    const Vec2 corners[4] = {Vec2(-0.8f, 0.8f), Vec2(-0.8f, 0.0f), Vec2(0.0f, 0.0f),
                             Vec2(0.0f, 0.8f)};
    static constexpr float kFlat[8] = {};
    constexpr Colour kPanel{1.0f, 1.0f, 1.0f, 0.5f};
    draw::quad(corners, kFlat, kPanel, kNoTexture);
    draw::lineLoop(corners, 4, kPanel, 3.0f);

    for (const CreditLine& line : kCredits)
        draw::text(0, line.heading ? -0.7f : -0.75f, line.y, kLabel, "%s", line.text);
}

} // namespace

void drawMenu() {
    drawTitlePicture();
    drawPlates();
    drawCursor();
    if (creditsShown) drawCredits();

    draw::text(0, -0.3f, -0.95f, kLabel, "%s", kFooter);
}
