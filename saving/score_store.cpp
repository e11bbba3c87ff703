#include "saving/score_store.h"

#include <cstring>
#include <vector>

#include "input/player_options.h"
#include "platform/user_files.h"

namespace {

struct Store {
    bool loaded = false;
    std::string folder;
    ScoreTable table;
    int newest = -1;
    // A damaged table that could not be moved aside: it is never written over.
    bool fileRefused = false;
    bool saidNoHome = false;
    bool saidUnwritable = false;
    std::string bestPath;
};

Store store;

std::string tablePath() {
    return store.folder + "/scores.txt";
}

void sayNoHome() {
    if (store.saidNoHome) return;
    store.saidNoHome = true;
    std::fprintf(stderr, "No home folder (neither HOME nor XDG_DATA_HOME is an absolute path): "
                         "scores and replays will not be saved\n");
}

void sayUnwritable(const std::string& why) {
    if (store.saidUnwritable) return;
    store.saidUnwritable = true;
    std::fprintf(stderr,
                 "Cannot save scores in %s (%s); this session's games are kept in memory "
                 "only\n",
                 store.folder.c_str(), why.c_str());
}

// The table on disk; a missing one is empty. A damaged one is moved aside and
// counts as empty; false when it could be neither read nor moved.
bool readDisk(ScoreTable& got) {
    got = ScoreTable{};
    if (store.fileRefused) return false;
    std::string path = tablePath();
    std::string text, why;
    platform::ReadStatus status = platform::readFileLimited(path, kScoresFileMaxBytes, text, &why);
    if (status == platform::ReadStatus::Missing) return true;
    if (status == platform::ReadStatus::Ok && parseScores(text.data(), text.size(), got, &why))
        return true;
    got = ScoreTable{};
    std::string movedTo;
    if (platform::moveAside(path, movedTo)) {
        std::fprintf(stderr, "%s could not be read (%s); moved it to %s and started a new table\n",
                     path.c_str(), why.c_str(), movedTo.c_str());
        return true;
    }
    store.fileRefused = true;
    std::fprintf(stderr, "%s could not be read (%s) nor moved aside; scores will not be saved\n",
                 path.c_str(), why.c_str());
    return false;
}

void ensureLoaded() {
    if (!store.loaded) loadScoreTable();
}

bool named(const ScoreTable& table, const char* name) {
    for (int i = 0; i < table.count; ++i)
        if (std::strcmp(table.entries[i].replay, name) == 0) return true;
    return false;
}

void makeReplayName(ScoreEntry& entry) {
    std::string name = unusedReplayName(entry.endTime);
    if (!name.empty()) setReplayName(entry, name.c_str());
}

// Writes last.qvr and, for a game in the table, its own copy. Returns false
// when the game's copy could not be written.
bool saveReplay(ScoreEntry& entry, bool inTable, const void* data, size_t size) {
    std::string folder = replaysFolder();
    std::string why;
    if (!platform::makePrivateDirs(folder, &why)) {
        sayUnwritable(why);
        return false;
    }
    if (!platform::writeFileSafely(folder + "/last.qvr", data, size, &why)) sayUnwritable(why);
    if (!inTable) return true;
    if (std::strcmp(entry.replay, "-") == 0) makeReplayName(entry);
    if (std::strcmp(entry.replay, "-") == 0 || std::strcmp(entry.replay, "last.qvr") == 0)
        return false;
    if (platform::writeFileSafely(folder + "/" + entry.replay, data, size, &why)) return true;
    sayUnwritable(why);
    return false;
}

// A name unusedReplayName makes: game-YYYYMMDDTHHMMSSZ.qvr, or with -N
// before ".qvr". Only such files are the store's to remove.
bool storeReplayName(const std::string& name) {
    const std::string digits = "0123456789";
    auto run = [&](size_t at, size_t n) {
        return name.size() >= at + n && name.find_first_not_of(digits, at) >= at + n;
    };
    if (name.rfind("game-", 0) != 0 || !run(5, 8) || name.size() < 21 || name[13] != 'T' ||
        !run(14, 6) || name[20] != 'Z')
        return false;
    size_t at = 21;
    if (at < name.size() && name[at] == '-') {
        size_t end = name.find_first_not_of(digits, at + 1);
        if (end == std::string::npos || end == at + 1) return false;
        at = end;
    }
    return name.compare(at, std::string::npos, ".qvr") == 0;
}

// What an interrupted safe write of one of the store's own files leaves:
// the name, ".tmp-" and six characters.
bool storeLeftover(const std::string& name) {
    size_t at = name.rfind(".tmp-");
    if (at == std::string::npos || name.size() != at + 5 + 6) return false;
    std::string base = name.substr(0, at);
    return base == "last.qvr" || storeReplayName(base);
}

// The store's own replays that no entry names go, and so do the leftovers of
// its interrupted saves. A file the game did not make is never touched, a
// player's copy of a replay kept in the folder included.
void prune() {
    std::vector<std::string> names;
    if (platform::listFiles(store.folder, names)) {
        for (const std::string& name : names)
            if (name.rfind("scores.txt.tmp-", 0) == 0)
                platform::removeFile(store.folder + "/" + name);
    }
    std::string folder = replaysFolder();
    if (!platform::listFiles(folder, names)) return;
    for (const std::string& name : names) {
        bool leftover = storeLeftover(name);
        bool unnamed = storeReplayName(name) && !named(store.table, name.c_str());
        if (leftover || unnamed) platform::removeFile(folder + "/" + name);
    }
}

int keepInMemory(const ScoreEntry& entry) {
    ScoreEntry copy = entry;
    // A replay never saved is not shown as one.
    setReplayName(copy, "-");
    store.newest = insertScore(store.table, copy);
    return store.newest;
}

} // namespace

std::string unusedReplayName(int64_t endTime) {
    ensureLoaded();
    std::string folder = replaysFolder();
    if (folder.empty()) return "";
    std::string stamp;
    for (char c : platform::utcTimestamp(endTime))
        if (c != '-' && c != ':') stamp += c;
    for (int n = 1; n < 1000; ++n) {
        std::string name = "game-" + stamp + (n == 1 ? "" : "-" + std::to_string(n)) + ".qvr";
        if (!named(store.table, name.c_str()) && !platform::fileExists(folder + "/" + name))
            return name;
    }
    return "";
}

void loadScoreTable() {
    store.loaded = true;
    store.folder = platform::userDataDir();
    store.table = ScoreTable{};
    store.newest = -1;
    store.fileRefused = false;
    if (store.folder.empty()) {
        sayNoHome();
        return;
    }
    readDisk(store.table);
}

int recordFinishedGame(const ScoreEntry& entry, const void* replayData, size_t replaySize) {
    ensureLoaded();
    if (store.folder.empty()) {
        sayNoHome();
        return keepInMemory(entry);
    }
    std::string why;
    if (!platform::makePrivateDirs(store.folder, &why)) {
        sayUnwritable(why);
        return keepInMemory(entry);
    }

    platform::FileLock lock(store.folder + "/scores.lock");
    // Another copy of the game may have saved since this one last looked.
    ScoreTable disk;
    if (readDisk(disk)) mergeScores(store.table, disk);

    ScoreEntry placed = entry;
    ScoreTable next = store.table;
    int rank = insertScore(next, placed);
    if (replayData != nullptr) {
        if (!saveReplay(placed, rank >= 0, replayData, replaySize)) setReplayName(placed, "-");
        next = store.table;
        rank = insertScore(next, placed);
    }

    store.table = next;
    store.newest = rank;
    if (store.fileRefused) return rank;
    std::string text = formatScores(store.table);
    if (!platform::writeFileSafely(tablePath(), text.data(), text.size(), &why)) {
        sayUnwritable(why);
        return rank;
    }
    if (lock.held()) prune();
    return rank;
}

const ScoreTable& scoreTable() {
    ensureLoaded();
    return store.table;
}

int newestScoreIndex() {
    return store.newest;
}

void printScores(std::FILE* out) {
    ensureLoaded();
    const ScoreTable& table = store.table;
    std::string where = store.folder.empty() ? "not saved: no home folder" : tablePath();
    if (table.count == 0) {
        std::fprintf(out, "No scores yet (%s)\n", where.c_str());
        return;
    }
    std::fprintf(out, "Best games (%s)\n", where.c_str());
    std::fprintf(out, "Rank       Score     Time  Kills  Ended (UTC)           Difficulty      "
                      "Replay\n");
    for (int i = 0; i < table.count; ++i) {
        const ScoreEntry& e = table.entries[i];
        char time[32];
        formatMinutesSeconds(e.gameTime, time, sizeof time);
        std::string ended = platform::utcTimestamp(e.endTime);
        ended[10] = ' ';
        ended.pop_back();
        char accel[32];
        formatAcceleration(e.spawnAcceleration, accel, sizeof accel);
        Difficulty d = difficultyOf(e.spawnAcceleration);
        std::string difficulty =
            d == Difficulty::Custom ? std::string("Custom ") + accel : difficultyName(d);
        std::fprintf(out, "%4d  %10u  %7s  %5d  %-20s  %-14s  %s\n", i + 1, e.score, time,
                     static_cast<int>(e.kills), ended.c_str(), difficulty.c_str(), e.replay);
    }
}

const char* bestReplayPath() {
    ensureLoaded();
    store.bestPath.clear();
    if (store.folder.empty() || store.table.count == 0) return "";
    const char* name = store.table.entries[0].replay;
    if (std::strcmp(name, "-") == 0) return "";
    store.bestPath = replaysFolder() + "/" + name;
    return store.bestPath.c_str();
}

const std::string& scoresFolder() {
    ensureLoaded();
    return store.folder;
}

std::string replaysFolder() {
    ensureLoaded();
    return store.folder.empty() ? std::string() : store.folder + "/replays";
}

void resetScoreStore() {
    store = Store{};
}
