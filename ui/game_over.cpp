#include "ui/game_over.h"

#include "draw/draw_list.h"
#include "ui/score_view.h"

namespace {

constexpr Colour kPanel{0.05f, 0.05f, 0.05f, 0.8f};
constexpr Colour kEdge{1.0f, 1.0f, 1.0f, 0.5f};
constexpr Colour kText{1.0f, 1.0f, 1.0f, 0.75f};

} // namespace

void drawGameOver(const ScoreTable& table, int highlight) {
    const float top = 0.12f;
    const float bottom = scoreTableBottom(table) - 0.04f;
    const Vec2 corners[4] = {Vec2(-0.58f, top), Vec2(-0.58f, bottom), Vec2(0.58f, bottom),
                             Vec2(0.58f, top)};
    draw::rect(-0.58f, bottom, 0.58f, top, kPanel);
    draw::lineLoop(corners, 4, kEdge, 2.0f);
    draw::text(1, -0.25f, 0.0f, kText, "Game Over");
    draw::text(0, -0.165f, -0.05f, kText, "Press any key...");
    drawScoreTable(table, highlight);
}
