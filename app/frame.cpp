#include "app/frame.h"

#include "draw/draw_list.h"
#include "game/player/marine.h"
#include "game/scores/score_store.h"
#include "game/session/game_frame.h"
#include "input/input.h"
#include "platform/platform.h"
#include "render/gl_backend.h"
#include "ui/hud.h"
#include "ui/score_view.h"

void (*beforeSwap)() = nullptr;

void runFrame() {
    runGameFrame();
    if (marine.marineDead) drawScoreTable(scoreTable(), newestScoreIndex());
    drawHud();
    if (menuShown) drawBestLine(scoreTable());

    render::submitDrawList(drawList);
    if (beforeSwap) beforeSwap();
    platform::swapBuffers();
}
