#include "app/daily.h"

#include <cstdio>
#include <cstring>

#include "game/world/world.h"
#include "input/input.h"
#include "session/menu_items.h"
#include "session/messages.h"
#include "session/session.h"

namespace {

bool wanted = false; // chosen, its answer not yet come
int answersAtChoice = 0;
bool starting = false; // the next New Game is the daily
uint32_t startSeed = 0;
uint32_t startDay = 0;
char note[sizeof(online::Status::dailyReason)];

} // namespace

void dailyChosen() {
    online::Status s;
    online::readStatus(s);
    if (!s.enabled) return;
    // Asked afresh each time: the day may have turned since the menu opened.
    wanted = true;
    answersAtChoice = s.dailyAnswers;
    online::requestDaily();
}

void dailyFrame() {
    if (!wanted) return;
    online::Status s;
    online::readStatus(s);
    if (!s.enabled) {
        wanted = false;
        return;
    }
    if (s.dailyAnswers == answersAtChoice) return;
    wanted = false;
    // Only while the cursor still rests on the plate: the game before ends
    // where its replay says it ended, on the menu choosing a new game.
    if (s.daily != online::DailyState::Ready || session().replayDriving ||
        !session().input.menuShown || hoveredAction() != MenuAction::Daily)
        return;
    starting = true;
    startSeed = s.dailySeed;
    startDay = s.dailyDay;
    startNewGame();
}

bool takeDailyStart(uint32_t& seed, uint32_t& day) {
    if (!starting) return false;
    starting = false;
    seed = startSeed;
    day = startDay;
    return true;
}

DailyPlate dailyPlateOf(const online::Status& s) {
    if (!s.enabled) return DailyPlate{false, "Online is off"};
    if (wanted || s.daily == online::DailyState::Fetching) return DailyPlate{true, "fetching..."};
    switch (s.daily) {
    case online::DailyState::Ready:
        std::snprintf(
            note, sizeof note, "%04u-%02u-%02u", static_cast<unsigned>(s.dailyDay / 10000),
            static_cast<unsigned>(s.dailyDay / 100 % 100), static_cast<unsigned>(s.dailyDay % 100));
        return DailyPlate{true, note};
    case online::DailyState::Failed:
        // Choosing it again asks again.
        std::snprintf(note, sizeof note, "%s", s.dailyReason);
        return DailyPlate{false, note};
    default:
        return DailyPlate{true, ""};
    }
}

namespace {
bool drawnOffered = false;
char drawnNote[sizeof note] = {};
} // namespace

void notePlateDrawn(const DailyPlate& plate) {
    drawnOffered = plate.offered;
    std::snprintf(drawnNote, sizeof drawnNote, "%s", plate.note != nullptr ? plate.note : "");
}

bool dailyPlateMoved() {
    online::Status s;
    online::readStatus(s);
    const DailyPlate now = dailyPlateOf(s);
    return now.offered != drawnOffered ||
           std::strcmp(now.note != nullptr ? now.note : "", drawnNote) != 0;
}

void resetDaily() {
    wanted = false;
    starting = false;
}
