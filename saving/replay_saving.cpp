#include "saving/replay_saving.h"

#include <cstdio>
#include <vector>

#include "platform/user_files.h"
#include "saving/score_store.h"

namespace {

std::string folder;
bool cannotSaveSaid = false;

void sayCannotSave(const std::string& why) {
    if (cannotSaveSaid) return;
    cannotSaveSaid = true;
    std::fprintf(stderr, "quorvex: replays cannot be saved (%s); the game goes on\n", why.c_str());
}

bool namedInTable(const std::string& name) {
    const ScoreTable& table = scoreTable();
    for (int i = 0; i < table.count; ++i)
        if (name == table.entries[i].replay) return true;
    return false;
}

} // namespace

void setReplayFolder(const std::string& f) {
    folder = f;
}

std::string enterDeathInScores(ScoreEntry& entry) {
    std::string name = folder.empty() ? std::string() : unusedReplayName(entry.endTime);
    if (!name.empty() && !setReplayName(entry, name.c_str())) name.clear();
    recordFinishedGame(entry);
    return name;
}

void saveFinishedReplay(const Replay& replay, const std::string& deathName) {
    if (folder.empty()) return;
    std::string why;
    if (!platform::makePrivateDirs(folder, &why)) {
        sayCannotSave(why);
        return;
    }
    std::vector<uint8_t> bytes = encodeReplay(replay);
    if (!platform::writeFileSafely(folder + "/last.qvr", bytes.data(), bytes.size(), &why)) {
        sayCannotSave(why);
        return;
    }
    if (deathName.empty() || !namedInTable(deathName)) return;
    if (!platform::writeFileSafely(folder + "/" + deathName, bytes.data(), bytes.size(), &why))
        sayCannotSave(why);
}
