#include "app/frame.h"

#include <cstdio>

#include "app/daily.h"
#include "app/options_screen_input.h"
#include "draw/draw_list.h"
#include "game/player/marine.h"
#include "game/rules/game_frame.h"
#include "game/world/world.h"
#include "input/input.h"
#include "input/player_options.h"
#include "input/settings_values.h"
#include "online/sender.h"
#include "platform/platform.h"
#include "platform/user_files.h"
#include "render/gl_backend.h"
#include "saving/score_store.h"
#include "session/session.h"
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
    scoresAt(scoreTable(), world().spawnAcceleration, shownScores, shownNewest);
    return shownScores;
}

online::Status onlineStatus;
char onlineLine[192];

// The last game's online state, as Game Over shows it.
const char* describeOnline(const online::Status& s) {
    const char* difficulty = difficultyName(difficultyOf(s.spawnAcceleration));
    switch (s.run) {
    case online::RunState::Sending:
        return "Sending...";
    case online::RunState::Saved:
        return "Saved, will send when the server answers";
    case online::RunState::Verifying:
        return "Verifying...";
    case online::RunState::Verified:
        if (s.runDay != 0) {
            std::snprintf(onlineLine, sizeof onlineLine, "Daily rank #%d on %04u-%02u-%02u", s.rank,
                          static_cast<unsigned>(s.runDay / 10000),
                          static_cast<unsigned>(s.runDay / 100 % 100),
                          static_cast<unsigned>(s.runDay % 100));
            return onlineLine;
        }
        std::snprintf(onlineLine, sizeof onlineLine, "Online rank #%d on %s", s.rank, difficulty);
        return onlineLine;
    case online::RunState::Refused:
        std::snprintf(onlineLine, sizeof onlineLine, "Refused: %s", s.reason);
        return onlineLine;
    case online::RunState::NotSaved:
        std::snprintf(onlineLine, sizeof onlineLine, "Not saved for Online: %s", s.reason);
        return onlineLine;
    default:
        // Where nothing goes online, what became of the files.
        return platform::web::savingLine();
    }
}

} // namespace

void runFrame() {
    World& w = world();
    runGameFrame();
    drawHud();
    // The sender's record, copied: no waiting, no allocation.
    online::readStatus(onlineStatus);
    if (w.marine.marineDead)
        drawGameOver(scoresOfThisDifficulty(newestScoreIndex()), shownNewest,
                     describeOnline(onlineStatus));
    if (session().input.menuShown) {
        const DailyPlate plate = dailyPlateOf(onlineStatus);
        drawMenu(optionsPlateChosen(), plate);
        notePlateDrawn(plate);
        drawBestLine(scoresOfThisDifficulty(-1),
                     online::bestRankAt(onlineStatus, world().spawnAcceleration));
    }
    optionsScreenFrame();

    render::submitDrawList(drawList);
    if (beforeSwap) beforeSwap();
    platform::swapBuffers();
}
