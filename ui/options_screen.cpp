#include "ui/options_screen.h"

#include "draw/draw_list.h"
#include "game/world/world.h"
#include "session/aim_cursor.h"
#include "ui/menu.h"

const char* const kOptionsPageNames[kOptionsPageCount] = {"Sound", "Display", "Controls", "Game",
                                                          "Online"};

namespace {

// The menu's green plates and white labels, on a dark sheet that hides the
// title picture so small text stays readable.
constexpr Colour kSheet{0.0f, 0.0f, 0.0f, 1.0f};
constexpr Colour kLabel{1.0f, 1.0f, 1.0f, 0.75f};
constexpr Colour kBright{1.0f, 1.0f, 1.0f, 1.0f};
constexpr Colour kHelp{1.0f, 1.0f, 0.6f, 0.9f};
constexpr Colour kGold{1.0f, 0.85f, 0.2f, 1.0f};
constexpr Colour kLine{0.0f, 0.75f, 0.0f, 0.5f};

constexpr float kTabTop = 0.78f, kTabBottom = 0.7f;
constexpr float kTabLeft = -0.85f, kTabWidth = 0.32f, kTabStep = 0.34f;
constexpr float kFirstRowY = 0.62f, kRowStep = 0.065f;
constexpr float kRowLeft = -0.85f, kRowRight = 0.85f;
constexpr float kValueLeft = 0.1f, kValueMiddle = 0.475f;
constexpr float kBoxLeft = -0.6f, kBoxRight = 0.6f, kBoxTop = 0.15f, kBoxBottom = -0.17f;
constexpr float kChoiceTop = -0.05f, kChoiceBottom = -0.13f;
constexpr float kChoiceLeft[2] = {-0.3f, 0.05f};
constexpr float kChoiceWidth = 0.25f;

Colour plate(bool lit) {
    return Colour{0.0f, 0.75f, 0.0f, lit ? 0.75f : 0.3f};
}

void outline(float x0, float y0, float x1, float y1, Colour colour) {
    const Vec2 corners[4] = {Vec2(x0, y1), Vec2(x0, y0), Vec2(x1, y0), Vec2(x1, y1)};
    draw::lineLoop(corners, 4, colour, 2.0f);
}

// A row's band: its baseline sits a little above the band's bottom.
float rowBaseline(int row) {
    return kFirstRowY - kRowStep * static_cast<float>(row - 1);
}

void drawTabs(const OptionsPicture& p) {
    for (int i = 0; i < kOptionsPageCount; ++i) {
        float x0 = kTabLeft + kTabStep * static_cast<float>(i);
        draw::rect(x0, kTabBottom, x0 + kTabWidth, kTabTop, plate(i == p.page));
        if (i == p.page && p.selected == 0)
            outline(x0, kTabBottom, x0 + kTabWidth, kTabTop, kBright);
        draw::text(0, x0 + 0.03f, kTabBottom + 0.025f, i == p.page ? kBright : kLabel, "%s",
                   kOptionsPageNames[i]);
    }
}

void drawRows(const OptionsPicture& p) {
    for (int i = 1; i < p.rowCount && i < kOptionsRowMax; ++i) {
        const OptionsRow& row = p.rows[i];
        float y = rowBaseline(i);
        bool chosen = i == p.selected;
        if (chosen) draw::rect(kRowLeft, y - 0.018f, kRowRight, y + 0.045f, plate(true));
        Colour text = chosen ? kBright : kLabel;
        draw::text(0, -0.8f, y, text, "%s", row.label);
        // Stepped values keep the column of the others, between < and >.
        if (row.stepped) {
            draw::text(0, kValueLeft + 0.02f, y, text, "<");
            draw::text(0, kRowRight - 0.07f, y, text, ">");
        }
        draw::text(0, kValueLeft + 0.08f, y, text, "%s", row.value);
    }
}

void drawPrompt(const OptionsPicture& p) {
    draw::rect(-1.0f, -1.0f, 1.0f, 1.0f, Colour{0.0f, 0.0f, 0.0f, 0.5f});
    draw::rect(kBoxLeft, kBoxBottom, kBoxRight, kBoxTop, Colour{0.05f, 0.15f, 0.05f, 0.95f});
    outline(kBoxLeft, kBoxBottom, kBoxRight, kBoxTop, kLine);
    draw::text(0, kBoxLeft + 0.05f, 0.05f, kBright, "%s", p.prompt);
    if (!p.promptChoices) return;
    static const char* const kChoices[2] = {"No", "Yes"};
    for (int i = 0; i < 2; ++i) {
        float x0 = kChoiceLeft[i];
        draw::rect(x0, kChoiceBottom, x0 + kChoiceWidth, kChoiceTop, plate(i == p.promptChoice));
        if (i == p.promptChoice) outline(x0, kChoiceBottom, x0 + kChoiceWidth, kChoiceTop, kBright);
        draw::text(0, x0 + 0.08f, kChoiceBottom + 0.025f, kBright, "%s", kChoices[i]);
    }
}

} // namespace

void drawOptionsScreen(const OptionsPicture& p) {
    draw::rect(-0.92f, -0.97f, 0.92f, 0.93f, kSheet);
    outline(-0.92f, -0.97f, 0.92f, 0.93f, kLine);
    draw::text(1, -0.85f, 0.83f, kBright, "Options");
    // The menu's title rule, fading out toward the right.
    draw::line(Vec2(-0.92f, 0.81f), Colour{1.0f, 0.0f, 0.0f, 1.0f}, Vec2(0.92f, 0.81f),
               Colour{1.0f, 0.0f, 0.0f, 0.0f}, 3.0f);
    drawTabs(p);
    drawRows(p);
    if (p.notice[0] != '\0') draw::text(0, -0.85f, -0.8f, kGold, "%s", p.notice);
    draw::text(0, -0.85f, -0.88f, kHelp, "%s", p.help);
    if (p.prompt[0] != '\0') drawPrompt(p);
    drawMenuCursor(world().cursorArena);
}

int optionsRowAt(Vec2 p, int rowCount) {
    if (p.y > kTabBottom && p.y < kTabTop && optionsTabAt(p) >= 0) return 0;
    if (p.x <= kRowLeft || p.x >= kRowRight) return -1;
    for (int i = 1; i < rowCount; ++i) {
        float y = rowBaseline(i);
        if (p.y > y - 0.018f && p.y < y + 0.045f) return i;
    }
    return -1;
}

int optionsTabAt(Vec2 p) {
    if (p.y <= kTabBottom || p.y >= kTabTop) return -1;
    for (int i = 0; i < kOptionsPageCount; ++i) {
        float x0 = kTabLeft + kTabStep * static_cast<float>(i);
        if (p.x > x0 && p.x < x0 + kTabWidth) return i;
    }
    return -1;
}

int optionsValueSide(Vec2 p) {
    if (p.x < kValueLeft) return 0;
    return p.x < kValueMiddle ? -1 : 1;
}

int optionsChoiceAt(Vec2 p) {
    if (p.y <= kChoiceBottom || p.y >= kChoiceTop) return -1;
    for (int i = 0; i < 2; ++i)
        if (p.x > kChoiceLeft[i] && p.x < kChoiceLeft[i] + kChoiceWidth) return i;
    return -1;
}
