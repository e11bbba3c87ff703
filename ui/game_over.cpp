#include "ui/game_over.h"

#include <cstring>

#include "draw/draw_list.h"
#include "ui/score_view.h"

namespace {

constexpr Colour kPanel{0.05f, 0.05f, 0.05f, 0.8f};
constexpr Colour kEdge{1.0f, 1.0f, 1.0f, 0.5f};
constexpr Colour kText{1.0f, 1.0f, 1.0f, 0.75f};
// The online line: a row below the table, centred, at most 60 characters of
// font 0 (about 0.03 wide each); the panel widens to hold it.
constexpr float kOnlineStep = 0.06f;
constexpr float kCharWidth = 0.03f;
constexpr int kOnlineChars = 60;

} // namespace

void drawGameOver(const ScoreTable& table, int highlight, const char* onlineLine) {
    const int chars = static_cast<int>(std::strlen(onlineLine));
    const int shown = chars < kOnlineChars ? chars : kOnlineChars;
    const float lineHalf = kCharWidth * static_cast<float>(shown) * 0.5f;
    const float half = lineHalf + 0.04f > 0.58f ? lineHalf + 0.04f : 0.58f;
    const float top = 0.12f;
    const float bottom = scoreTableBottom(table) - 0.04f - (shown > 0 ? kOnlineStep : 0.0f);
    const Vec2 corners[4] = {Vec2(-half, top), Vec2(-half, bottom), Vec2(half, bottom),
                             Vec2(half, top)};
    draw::rect(-half, bottom, half, top, kPanel);
    draw::lineLoop(corners, 4, kEdge, 2.0f);
    draw::text(1, -0.25f, 0.0f, kText, "Game Over");
    draw::text(0, -0.165f, -0.05f, kText, "Press any key...");
    drawScoreTable(table, highlight);
    if (shown > 0)
        draw::text(0, -lineHalf, scoreTableBottom(table) - kOnlineStep, kText, "%.*s", shown,
                   onlineLine);
}
