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
constexpr Colour kPlateLine{0.0f, 0.75f, 0.0f, 0.5f};

Colour plateColour(bool lit) {
    return Colour{0.0f, 0.75f, 0.0f, lit ? 0.75f : 0.5f};
}

const char* const kFooter = "Quorvex 1.0 - a top-down arena shooter";

void drawTitlePicture() {
    // Opaque, so the frozen world underneath does not show through.
    int index = textureBank.find("Textures/QuorvexLogo.bmp");
    if (index < 0) return;
    draw::rect(-1.0f, -1.0f, 1.0f, 1.0f, kWhite, textureBank.entrySlot(index), false);
}

void drawPlates(bool optionsLit) {
    static constexpr float kFlat[8] = {};
    // While the keyboard or pad is on Options the rules' hover is left
    // where it was; only one plate may look chosen.
    int hover = optionsLit ? 0 : menuHover;
    for (int i = 0; i < kMenuItemCount; ++i)
        draw::quad(kMenuItems[i].plate, kFlat, plateColour(hover == i + 1), kNoTexture);
    draw::quad(kOptionsPlate.plate, kFlat, plateColour(optionsLit), kNoTexture);

    for (const MenuItem& item : kMenuItems)
        draw::lineLoop(item.plate, 4, kPlateLine, 3.0f);
    draw::lineLoop(kOptionsPlate.plate, 4, kPlateLine, 3.0f);

    // The title rule fades out toward the right; it keeps the width of 3.
    draw::line(Vec2(-1.0f, 0.85f), Colour{1.0f, 0.0f, 0.0f, 1.0f}, Vec2(1.0f, 0.85f),
               Colour{1.0f, 0.0f, 0.0f, 0.0f}, 3.0f);

    for (const MenuItem& item : kMenuItems)
        draw::text(1, item.labelAt.x, item.labelAt.y, kLabel, "%s", item.label);
    draw::text(1, kOptionsPlate.labelAt.x, kOptionsPlate.labelAt.y, kLabel, "%s",
               kOptionsPlate.label);
}

} // namespace

void drawMenuCursor(Vec2 at) {
    const float x = at.x;
    const float y = at.y;
    const float h = 0.03f;
    int index = textureBank.find("Textures/Cell.bmp");
    if (index < 0) return;
    draw::rect(x - h, y - h, x + h, y + h, kWhite, textureBank.entrySlot(index));
}

namespace {

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

// clang-format off
const MenuItem kOptionsPlate = {
    {{0.15f, -0.16f}, {0.15f, -0.31f}, {0.6f, -0.31f}, {0.6f, -0.16f}},
    {0.15f, 0.6f, -0.31f, -0.16f}, "Options", {0.18f, -0.25f}};
// clang-format on

bool overOptionsPlate(Vec2 p) {
    const HoverBox& box = kOptionsPlate.hover;
    return p.x > box.left && p.x < box.right && p.y > box.bottom && p.y < box.top;
}

void drawMenu(bool optionsChosen) {
    drawTitlePicture();
    drawPlates(optionsChosen || overOptionsPlate(cursorArena));
    drawMenuCursor(optionsChosen ? kOptionsPlatePoint : cursorArena);
    if (creditsShown) drawCredits();

    draw::text(0, -0.3f, -0.95f, kLabel, "%s", kFooter);
}
