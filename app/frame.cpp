#include "app/frame.h"

#include "app/options_screen_input.h"
#include "draw/draw_list.h"
#include "game/player/marine.h"
#include "game/scores/score_store.h"
#include "game/session/game_frame.h"
#include "input/input.h"
#include "input/settings_values.h"
#include "platform/platform.h"
#include "render/gl_backend.h"
#include "ui/game_over.h"
#include "ui/hud.h"
#include "ui/menu.h"
#include "ui/score_view.h"

void (*beforeSwap)() = nullptr;

namespace {

ScoreTable shownScores;
int shownNewest = -1;

// Game Over and the menu show the table of the difficulty being played.
const ScoreTable& scoresOfThisDifficulty(int newest) {
    shownNewest = newest;
    scoresAt(scoreTable(), spawnAcceleration, shownScores, shownNewest);
    return shownScores;
}

} // namespace

void runFrame() {
    runGameFrame();
    drawHud();
    if (marine.marineDead) drawGameOver(scoresOfThisDifficulty(newestScoreIndex()), shownNewest);
    if (menuShown) {
        drawMenu(optionsPlateChosen());
        drawBestLine(scoresOfThisDifficulty(-1));
    }
    optionsScreenFrame();

    render::submitDrawList(drawList);
    if (beforeSwap) beforeSwap();
    platform::swapBuffers();
}
