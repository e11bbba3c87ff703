#include "ui/menu.h"

#include "draw/draw_list.h"
#include "draw/texture_bank.h"
#include "game/world/world.h"
#include "input/input.h"
#include "math/rules_math.h"
#include "session/aim_cursor.h"
#include "session/menu_items.h"
#include "session/session.h"

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

constexpr Colour kGreyedLabel{0.6f, 0.6f, 0.6f, 0.6f};

Colour plateColour(bool lit) {
    return Colour{0.0f, 0.75f, 0.0f, lit ? 0.75f : 0.5f};
}

DailyPlate dailyPlate;

bool greyed(const MenuItem& item) {
    return item.action == MenuAction::Daily && !dailyPlate.offered;
}

// About a character of font 0 in arena units at every screen size; the note
// ends just left of its plate and starts no further left than the screen.
constexpr float kNoteChar = 0.03f;
constexpr int kNoteChars = 20;

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
    int hover = optionsLit ? 0 : session().input.menuHover;
    const MenuItem& options = optionsPlate();
    for (int i = 1; i <= menuItemCount(); ++i) {
        const MenuItem& item = menuItem(i);
        draw::quad(item.plate, kFlat, plateColour(hover == i && !greyed(item)), kNoTexture);
    }
    draw::quad(options.plate, kFlat, plateColour(optionsLit), kNoTexture);

    for (int i = 1; i <= menuItemCount(); ++i)
        draw::lineLoop(menuItem(i).plate, 4, kPlateLine, 3.0f);
    draw::lineLoop(options.plate, 4, kPlateLine, 3.0f);

    // The title rule fades out toward the right; it keeps the width of 3.
    draw::line(Vec2(-1.0f, 0.85f), Colour{1.0f, 0.0f, 0.0f, 1.0f}, Vec2(1.0f, 0.85f),
               Colour{1.0f, 0.0f, 0.0f, 0.0f}, 3.0f);

    for (int i = 1; i <= menuItemCount(); ++i) {
        const MenuItem& item = menuItem(i);
        draw::text(1, item.labelAt.x, item.labelAt.y, greyed(item) ? kGreyedLabel : kLabel, "%s",
                   item.label);
        // Left of its plate, where no plate reaches.
        if (item.action != MenuAction::Daily || !dailyPlate.note[0]) continue;
        int chars = 0;
        while (chars < kNoteChars && dailyPlate.note[chars])
            ++chars;
        float right = item.plate[0].x < item.plate[1].x ? item.plate[0].x : item.plate[1].x;
        draw::text(0, right - 0.02f - static_cast<float>(chars) * kNoteChar, item.labelAt.y,
                   greyed(item) ? kGreyedLabel : kLabel, "%.*s", chars, dailyPlate.note);
    }
    draw::text(1, options.labelAt.x, options.labelAt.y, kLabel, "%s", options.label);
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
const MenuItem kFirstGenerationOptions = {
    {{0.15f, -0.16f}, {0.15f, -0.31f}, {0.6f, -0.31f}, {0.6f, -0.16f}},
    {0.15f, 0.6f, -0.31f, -0.16f}, "Options", {0.18f, -0.25f}, MenuAction::None};
const MenuItem kOptions = {
    {{-0.35f, -0.32f}, {-0.35f, -0.47f}, {0.6f, -0.47f}, {0.6f, -0.32f}},
    {-0.35f, 0.6f, -0.47f, -0.32f}, "Options", {-0.32f, -0.41f}, MenuAction::None};
// clang-format on

const MenuItem& optionsPlate() {
    return rulesGeneration == kFirstGeneration ? kFirstGenerationOptions : kOptions;
}

bool overOptionsPlate(Vec2 p) {
    const HoverBox& box = optionsPlate().hover;
    return p.x > box.left && p.x < box.right && p.y > box.bottom && p.y < box.top;
}

Vec2 optionsPlatePoint() {
    return rulesGeneration == kFirstGeneration ? Vec2(0.375f, -0.235f) : Vec2(0.125f, -0.395f);
}

int itemAboveOptions() {
    return menuItemDoing(MenuAction::Credits) - 1;
}

int itemBelowOptions() {
    return menuItemDoing(MenuAction::Credits);
}

void drawMenu(bool optionsChosen, const DailyPlate& daily) {
    World& w = world();
    dailyPlate = daily;
    drawTitlePicture();
    drawPlates(optionsChosen || overOptionsPlate(w.cursorArena));
    drawMenuCursor(optionsChosen ? optionsPlatePoint() : w.cursorArena);
    if (session().input.creditsShown) drawCredits();

    draw::text(0, -0.3f, -0.95f, kLabel, "%s", kFooter);
}
