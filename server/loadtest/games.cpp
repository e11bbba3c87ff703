#include "server/loadtest/games.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "game/player/marine.h"
#include "game/rules/game_frame.h"
#include "game/world/world.h"
#include "input/input.h"
#include "math/seed_streams.h"
#include "replay/replay_file.h"
#include "replay/replay_player.h"
#include "replay/replay_recorder.h"
#include "replay/verifier.h"
#include "session/messages.h"
#include "session/session.h"
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

bool readFile(const std::string& path, std::vector<uint8_t>& out) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    out.assign(std::istreambuf_iterator<char>(in), {});
    return true;
}

} // namespace

bool loadReplay(const std::string& path, Replay& replay) {
    std::vector<uint8_t> bytes;
    std::string why;
    if (!readFile(path, bytes) || !decodeReplay(bytes.data(), bytes.size(), replay, why)) {
        std::fprintf(stderr, "quorvex-load: %s: %s\n", path.c_str(),
                     why.empty() ? "cannot be read" : why.c_str());
        return false;
    }
    return true;
}

// Loads the rules for making games, from the game's data folder.
bool startRulesIn(const std::string& data) {
    std::string why;
    if (chdir(data.c_str()) != 0 || !startVerifier(why)) {
        std::fprintf(stderr, "quorvex-load: %s: %s\n", data.c_str(),
                     why.empty() ? "no such data folder" : why.c_str());
        return false;
    }
    return true;
}

namespace {

// Plays `r`'s inputs from its start and records them again, up to the
// Marine's death (the recording ends there, as the game's does).
void recordUntilDeath(Replay& r) {
    restartAsRecorded(r);
    r.secondSums.clear();
    std::vector<uint8_t> kept;
    ReplayWriter writer(kept, r.start.cursorX, r.start.cursorY);
    ReplayReader events(r.events, r.start.cursorX, r.start.cursorY);
    ReplayEvent e;
    while (!world().marine.marineDead && events.next(e)) {
        if (e.kind == ReplayEvent::Message) {
            handleGameMessage(e.msg);
            writer.message(e.msg);
            continue;
        }
        beginFrame(session().input, e.tickDelta, e.cursorX, e.cursorY);
        runGameFrame();
        writer.frame(e.tickDelta, e.cursorX, e.cursorY);
        if (r.version >= 3) noteSecondSums(r.secondSums);
    }
    session().replayDriving = false;
    ReplayResult result = currentResult();
    result.frames = writer.frames();
    result.endTime = r.result.endTime;
    result.day = r.result.day;
    result.end = r.version < 3               ? GameEnd::Unknown
                 : world().marine.marineDead ? GameEnd::Death
                                             : GameEnd::ProgramEnd;
    r.events = std::move(kept);
    r.result = result;
}

// A game of its own: the recorded inputs played again from another start
// (another seed, or another random state for older files) and recorded as
// the rules play them. The server keys runs by what it replays, so copies
// of one game would be refused. A base that ended in death gives games that
// end in death, trying the next starts where one does not.
Replay distinctGame(const Replay& base, uint64_t n) {
    Replay r = base;
    for (uint32_t attempt = 0; attempt < 64; ++attempt) {
        r = base;
        uint64_t mixed = (n * 64 + attempt + 1) * 0x9e3779b97f4a7c15ull;
        uint32_t start = static_cast<uint32_t>(mixed >> 32) ^ static_cast<uint32_t>(mixed);
        if (generationOf(base.version) >= 2) {
            r.start.seed = start;
            r.start.rngState = streamsForSeed(start).main;
        } else {
            r.start.rngState = start | 1u;
        }
        recordUntilDeath(r);
        if (world().marine.marineDead || base.result.end != GameEnd::Death) break;
    }
    return r;
}

std::string bytesOf(const Replay& r) {
    std::vector<uint8_t> bytes = encodeReplay(r);
    return std::string(bytes.begin(), bytes.end());
}

} // namespace

// `count` distinct games made from `bases` in turn, as files.
std::vector<std::string> distinctGames(const std::vector<Replay>& bases, int count, uint64_t salt) {
    auto start = Clock::now();
    std::vector<std::string> out;
    out.reserve(static_cast<size_t>(count));
    for (int n = 0; n < count; ++n)
        out.push_back(bytesOf(distinctGame(bases[static_cast<size_t>(n) % bases.size()],
                                           salt + static_cast<uint64_t>(n))));
    std::fprintf(stderr, "quorvex-load: made %d games in %.1f s\n", count,
                 std::chrono::duration<double>(Clock::now() - start).count());
    return out;
}

int forge(int argc, char** argv) {
    if (argc < 4) return 2;
    Replay r;
    if (!loadReplay(argv[2], r)) return 2;
    std::string data = "data";
    for (int i = 4; i + 1 < argc; i += 2)
        if (std::strcmp(argv[i], "--data") == 0) data = argv[i + 1];
    std::string outPath = std::filesystem::absolute(argv[3]).string();
    for (int i = 4; i + 1 < argc; i += 2) {
        // Another real game from the same inputs (after --frames, when given).
        if (std::strcmp(argv[i], "--game") == 0) {
            if (!startRulesIn(data)) return 2;
            r = distinctGame(r, std::stoull(argv[i + 1]));
        }
        // The daily game of a day: the inputs played from seed S to the
        // Marine's death (repeated where they run out first).
        if (std::strcmp(argv[i], "--seed") == 0) {
            if (!startRulesIn(data)) return 2;
            uint32_t seed = static_cast<uint32_t>(std::stoul(argv[i + 1]));
            std::vector<uint8_t> once = r.events;
            for (int rounds = 1; rounds <= 8; ++rounds) {
                r.start.seed = seed;
                r.start.rngState = streamsForSeed(seed).main;
                recordUntilDeath(r);
                if (world().marine.marineDead) break;
                r.events.clear();
                for (int k = 0; k <= rounds; ++k)
                    r.events.insert(r.events.end(), once.begin(), once.end());
            }
        }
        if (std::strcmp(argv[i], "--day") == 0)
            r.result.day = static_cast<uint32_t>(std::stoul(argv[i + 1]));
        // The seed changed and the file sealed again, nothing played: a forgery.
        if (std::strcmp(argv[i], "--edit-seed") == 0) {
            r.start.seed = static_cast<uint32_t>(std::stoul(argv[i + 1]));
            r.start.rngState = streamsForSeed(r.start.seed).main;
        }
        if (std::strcmp(argv[i], "--score") == 0) r.result.score = std::stoul(argv[i + 1]);
        if (std::strcmp(argv[i], "--end-time") == 0) r.result.endTime = std::stoll(argv[i + 1]);
        // Only the first N frames: a short game that no longer ends as recorded.
        if (std::strcmp(argv[i], "--frames") == 0) {
            uint32_t keep = static_cast<uint32_t>(std::stoul(argv[i + 1]));
            std::vector<uint8_t> cut;
            ReplayWriter writer(cut, r.start.cursorX, r.start.cursorY);
            ReplayReader reader(r.events, r.start.cursorX, r.start.cursorY);
            ReplayEvent e;
            while (writer.frames() < keep && reader.next(e)) {
                if (e.kind == ReplayEvent::Message)
                    writer.message(e.msg);
                else
                    writer.frame(e.tickDelta, e.cursorX, e.cursorY);
            }
            r.events = cut;
            r.result.frames = writer.frames();
        }
        if (std::strcmp(argv[i], "--acceleration") == 0)
            r.start.spawnAcceleration = std::stof(argv[i + 1]);
        // Frames of no length at the end: more frames than the time allows.
        if (std::strcmp(argv[i], "--pad-frames") == 0) {
            ReplayReader reader(r.events, r.start.cursorX, r.start.cursorY);
            ReplayEvent e;
            e.cursorX = r.start.cursorX;
            e.cursorY = r.start.cursorY;
            for (ReplayEvent next; reader.next(next);)
                if (next.kind == ReplayEvent::Frame) e = next;
            std::vector<uint8_t> tail;
            ReplayWriter padding(tail, e.cursorX, e.cursorY);
            for (uint32_t k = 0; k < std::stoul(argv[i + 1]); ++k)
                padding.frame(0.0f, e.cursorX, e.cursorY);
            r.events.insert(r.events.end(), tail.begin(), tail.end());
            r.result.frames += padding.frames();
        }
        if (std::strcmp(argv[i], "--fingerprint") == 0)
            r.rulesFingerprint = std::stoull(argv[i + 1], nullptr, 16);
        // The same inputs over and over: a game that plays far longer.
        if (std::strcmp(argv[i], "--repeat") == 0) {
            std::vector<uint8_t> once = r.events;
            for (int k = 1; k < std::stoi(argv[i + 1]); ++k)
                r.events.insert(r.events.end(), once.begin(), once.end());
            r.result.frames *= static_cast<uint32_t>(std::stoi(argv[i + 1]));
        }
    }
    std::vector<uint8_t> bytes = encodeReplay(r);
    std::ofstream out(outPath, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    return out ? 0 : 2;
}
