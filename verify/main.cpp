// quorvex-verify: plays recorded games again, as fast as the machine allows,
// and says whether each one reproduces what it recorded.
//
//   quorvex-verify [--json] [--data DIR] [--jobs N] FILE...
//   quorvex-verify --rules [--data DIR]
//   quorvex-verify --at SECONDS [--json] [--data DIR] FILE
//
// One line per file, in the files' order; exit 0 when every file verifies,
// 1 when any differs, 2 when any cannot be used. The files are shared out
// among a thread per core, each playing a world of its own.
#include <algorithm>
#include <charconv>
#include <cinttypes>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <nlohmann/json.hpp>

#include "game/rules/rule_data.h"
#include "game/world/checksum.h"
#include "game/world/world.h"
#include "math/rules_math.h"
#include "platform/file_read.h"
#include "replay/float_text.h"
#include "replay/replay_player.h"
#include "replay/verifier.h"
#include "session/session.h"

namespace {

void usage(std::FILE* out) {
    std::fputs("usage: quorvex-verify [--json] [--data DIR] [--jobs N] FILE...\n"
               "       (FILE - reads the replay from standard input)\n"
               "       quorvex-verify --rules [--data DIR]\n"
               "Plays each recorded game again and compares it with what it recorded.\n"
               "  --json      one JSON object per line instead of text\n"
               "  --data DIR  the game's data folder (default: the current folder)\n"
               "  --jobs N    verify on N threads (default: one per core)\n"
               "  --rules     print the data's rule fingerprint and shipped spawn acceleration\n"
               "  --at TIME   print the world's state once the game time reaches TIME\n"
               "              (seconds, or minutes:seconds as in 1:23.5), for one FILE\n"
               "Exit status: 0 all verified, 1 any differs, 2 any cannot be used.\n",
               out);
}

std::string hex64(uint64_t v) {
    char text[17];
    std::snprintf(text, sizeof text, "%016" PRIx64, v);
    return text;
}

// The float as the shortest decimal that reads back to it (0.003, not
// 0.0030000000260770321).
double shortest(float value) {
    char text[32];
    char* end = shortestFloatText(text, text + sizeof text - 1, value);
    *end = '\0';
    return std::strtod(text, nullptr);
}

nlohmann::json resultJson(const ReplayResult& r) {
    return {{"score", r.score},
            {"time", shortest(r.gameTime)},
            {"kills", r.kills},
            {"checksum", hex64(r.checksum)},
            {"frames", r.frames}};
}

// A daily game's day, as YYYY-MM-DD.
std::string dayText(uint32_t day) {
    char text[16];
    std::snprintf(text, sizeof text, "%04u-%02u-%02u", static_cast<unsigned>(day / 10000),
                  static_cast<unsigned>(day / 100 % 100), static_cast<unsigned>(day % 100));
    return text;
}

// Where the game came from and how it ended, after the checksum; nothing
// for the first generation, which recorded none of it.
std::string originText(const VerifyOutcome& v) {
    if (v.generation < 2) return "";
    std::string text = " generation " + std::to_string(v.generation) + " seed " +
                       std::to_string(v.seed) + " end " + gameEndName(v.recorded.end);
    if (v.recorded.day != 0) text += " day " + dayText(v.recorded.day);
    return text;
}

// Verifies every file, `jobs` at a time, each thread in a world of its own,
// and hands each outcome to `report` in the files' order as soon as it and
// every one before it are known.
template <typename Report>
void verifyAll(const std::vector<std::string>& paths, int jobs, Report report) {
    if (jobs <= 1 || paths.size() <= 1) {
        for (size_t i = 0; i < paths.size(); ++i)
            report(i, verifyFile(paths[i]));
        return;
    }
    std::vector<VerifyOutcome> outcomes(paths.size());
    std::vector<bool> known(paths.size(), false);
    size_t next = 0;
    std::mutex lock;
    std::condition_variable arrived;
    auto work = [&] {
        auto own = std::make_unique<World>();
        auto fed = std::make_unique<Session>(sessionAtMenu());
        PlayScope scope(*own, *fed);
        prepareWorld();
        for (;;) {
            size_t i = 0;
            {
                std::lock_guard<std::mutex> hold(lock);
                if (next == paths.size()) return;
                i = next++;
            }
            VerifyOutcome v = verifyFile(paths[i]);
            std::lock_guard<std::mutex> hold(lock);
            outcomes[i] = std::move(v);
            known[i] = true;
            arrived.notify_one();
        }
    };
    std::vector<std::thread> threads;
    for (int t = 0; t < jobs && static_cast<size_t>(t) < paths.size(); ++t)
        threads.emplace_back(work);
    for (size_t i = 0; i < paths.size(); ++i) {
        std::unique_lock<std::mutex> hold(lock);
        arrived.wait(hold, [&] { return known[i]; });
        VerifyOutcome v = std::move(outcomes[i]);
        hold.unlock();
        report(i, v);
    }
    for (std::thread& t : threads)
        t.join();
}

// "83.5" or "1:23.5" as seconds; false for anything else.
bool readMoment(const std::string& text, float& seconds) {
    size_t colon = text.find(':');
    std::string minutes = colon == std::string::npos ? "0" : text.substr(0, colon);
    std::string rest = colon == std::string::npos ? text : text.substr(colon + 1);
    if (minutes.empty() || rest.empty() || minutes.size() > 6 ||
        minutes.find_first_not_of("0123456789") != std::string::npos ||
        rest.find_first_not_of("0123456789.") != std::string::npos || rest[0] == '.')
        return false;
    char* end = nullptr;
    double s = std::strtod(rest.c_str(), &end);
    if (*end != '\0' || (colon != std::string::npos && s >= 60.0)) return false;
    s += 60.0 * std::strtod(minutes.c_str(), nullptr);
    if (!(s >= 0.0 && s <= 1e7)) return false;
    seconds = static_cast<float>(s);
    return true;
}

// The world once the game time of `path`'s game reaches `seconds`: one line
// (or one JSON object). Exit 2 for a file that cannot be played here.
int printMoment(const std::string& file, const std::string& path, float seconds, bool json) {
    Replay replay;
    std::string why;
    if (!readReplayFile(path, replay, why)) {
        std::printf("%s: %s\n", file.c_str(), why.c_str());
        return 2;
    }
    if (generationOf(replay.version) == kFirstGeneration && !platformReplaysGeneration1()) {
        std::printf("%s: %s\n", file.c_str(), kOtherPlatformReason);
        return 2;
    }
    if (replay.rulesFingerprint != verifierFingerprint()) {
        std::printf("%s: %s\n", file.c_str(), kOtherRulesReason);
        return 2;
    }
    const uint32_t frame = playReplayTo(replay, seconds);
    const World& w = world();
    const Marine& m = w.marine;
    static const char* const kWeapons[] = {"Pistol", "AK", "ShotGun", "GrenadeGun"};
    const int slot = m.currentWeapon;
    const char* weapon = slot >= 0 && slot < 4 ? kWeapons[slot] : "none";
    const bool reached = w.gameTime >= seconds;
    if (json) {
        nlohmann::json line = {{"file", file},
                               {"at", shortest(seconds)},
                               {"reached", reached},
                               {"time", shortest(w.gameTime)},
                               {"frame", frame},
                               {"score", w.score},
                               {"kills", w.monstersKilled},
                               {"health", shortest(m.health)},
                               {"dead", m.marineDead},
                               {"position", {shortest(m.position.x), shortest(m.position.y)}},
                               {"weapon", weapon},
                               {"monsters", w.monsterCount},
                               {"bullets", w.bulletCount},
                               {"bonuses", w.bonusCount},
                               {"checksum", hex64(worldChecksum())}};
        std::printf("%s\n",
                    line.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace).c_str());
    } else {
        std::printf("%s: at %.2f s%s (frame %" PRIu32 "): score %" PRIu32 " kills %" PRId32
                    " health %.1f%s at (%.3f, %.3f) weapon %s monsters %d bullets %d bonuses %d"
                    " checksum %016" PRIx64 "\n",
                    file.c_str(), static_cast<double>(w.gameTime),
                    reached ? "" : " (the game ended before)", frame, w.score, w.monstersKilled,
                    static_cast<double>(m.health), m.marineDead ? " dead" : "",
                    static_cast<double>(m.position.x), static_cast<double>(m.position.y), weapon,
                    w.monsterCount, w.bulletCount, w.bonusCount, worldChecksum());
    }
    return 0;
}

const char* statusName(VerifyStatus status) {
    switch (status) {
    case VerifyStatus::Verified:
        return "verified";
    case VerifyStatus::Differs:
        return "differs";
    default:
        return "unusable";
    }
}

} // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args = platform::utf8Arguments(argc, argv);
    platform::binaryStandardInput();
    bool json = false;
    bool rules = false;
    bool at = false;
    float atSeconds = 0.0f;
    int jobs = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    std::string data;
    std::vector<std::string> files;
    for (int i = 1; i < argc; ++i) {
        const std::string& arg = args[i];
        if (arg == "--json") {
            json = true;
        } else if (arg == "--rules") {
            rules = true;
        } else if (arg == "--data") {
            if (i + 1 >= argc) {
                std::fprintf(stderr, "quorvex-verify: --data needs a folder\n");
                return 2;
            }
            data = args[++i];
        } else if (arg == "--at") {
            if (i + 1 >= argc || !readMoment(args[i + 1], atSeconds)) {
                std::fprintf(stderr, "quorvex-verify: --at needs a game time, as 83.5 or 1:23.5\n");
                return 2;
            }
            at = true;
            ++i;
        } else if (arg == "--jobs") {
            int n = 0;
            const char* text = i + 1 < argc ? args[i + 1].c_str() : "";
            auto [end, ec] = std::from_chars(text, text + std::strlen(text), n);
            if (ec != std::errc() || *end != '\0' || n < 1 || n > 256) {
                std::fprintf(stderr, "quorvex-verify: --jobs needs a number from 1 to 256\n");
                return 2;
            }
            jobs = n;
            ++i;
        } else if (arg == "--help" || arg == "-h") {
            usage(stdout);
            return 0;
        } else if (arg == "--version") {
            std::printf("quorvex-verify %s\n", QUORVEX_VERSION);
            return 0;
        } else if (arg == "--") {
            for (++i; i < argc; ++i)
                files.push_back(args[i]);
        } else if (arg.size() > 1 && arg[0] == '-') {
            std::fprintf(stderr, "quorvex-verify: unknown option %s\n", arg.c_str());
            usage(stderr);
            return 2;
        } else {
            files.push_back(arg);
        }
    }
    if ((!rules && files.empty()) || (at && (rules || files.size() != 1 || files[0] == "-"))) {
        if (at) std::fprintf(stderr, "quorvex-verify: --at takes one replay file\n");
        usage(stderr);
        return 2;
    }
    // The rule data is read from the data folder as the game reads it, from
    // the working directory; the files named keep meaning what they meant.
    std::vector<std::string> paths;
    for (const std::string& file : files) {
        if (file == "-") {
            paths.push_back(file);
            continue;
        }
        std::error_code ec;
        std::filesystem::path absolute = std::filesystem::absolute(platform::nativePath(file), ec);
        paths.push_back(ec ? file : platform::utf8Path(absolute));
    }
    if (!data.empty()) {
        std::error_code ec;
        std::filesystem::current_path(platform::nativePath(data), ec);
        if (ec) {
            std::fprintf(stderr, "quorvex-verify: %s: no such data folder\n", data.c_str());
            return 2;
        }
    }
    std::string why;
    if (!startVerifier(why)) {
        std::fprintf(stderr, "quorvex-verify: %s, or give --data DIR\n", why.c_str());
        return 2;
    }
    if (rules) {
        std::printf("%s\n",
                    nlohmann::json{{"fingerprint", hex64(verifierFingerprint())},
                                   {"spawn_acceleration", shortest(shippedSpawnAcceleration())},
                                   {"version", QUORVEX_VERSION}}
                        .dump()
                        .c_str());
        if (files.empty()) return 0;
    }

    if (at) {
        int status = printMoment(files[0], paths[0], atSeconds, json);
        stopVerifier();
        return status;
    }
    // Standard input can be read only once, by one thread.
    if (std::count(paths.begin(), paths.end(), "-") > 0) jobs = 1;
    int status = 0;
    verifyAll(paths, jobs, [&](size_t i, const VerifyOutcome& v) {
        const std::string& file = files[i];
        if (v.status == VerifyStatus::Unusable) status = 2;
        if (v.status == VerifyStatus::Differs && status == 0) status = 1;
        if (json) {
            nlohmann::json line = {{"file", file},
                                   {"status", statusName(v.status)},
                                   {"reason", v.reason},
                                   {"version", QUORVEX_VERSION}};
            line["recorded"] = v.decoded ? resultJson(v.recorded) : nlohmann::json();
            line["replayed"] = v.played ? resultJson(v.replayed) : nlohmann::json();
            line["result"] = v.played ? nlohmann::json{{"score", v.result.score},
                                                       {"time", shortest(v.result.gameTime)},
                                                       {"kills", v.result.kills}}
                                      : nlohmann::json();
            line["fingerprint"] =
                v.decoded ? nlohmann::json(hex64(v.fingerprint)) : nlohmann::json();
            line["spawn_acceleration"] =
                v.decoded ? nlohmann::json(shortest(v.spawnAcceleration)) : nlohmann::json();
            bool second = v.decoded && v.generation >= 2;
            line["generation"] = v.decoded ? nlohmann::json(v.generation) : nlohmann::json();
            line["seed"] = second ? nlohmann::json(v.seed) : nlohmann::json();
            const char* end = second ? gameEndName(v.recorded.end) : nullptr;
            line["end"] = end ? nlohmann::json(end) : nlohmann::json();
            line["day"] = second && v.recorded.day != 0 ? nlohmann::json(dayText(v.recorded.day))
                                                        : nlohmann::json();
            line["differs_from"] =
                v.differsFrom >= 0 ? nlohmann::json(v.differsFrom) : nlohmann::json();
            line["other_platform"] = v.otherPlatform;
            line["died"] = v.played ? nlohmann::json(v.died) : nlohmann::json();
            // Names that are not UTF-8 are shown with replacement characters.
            std::printf(
                "%s\n",
                line.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace).c_str());
        } else if (v.played && v.status != VerifyStatus::Unusable) {
            std::string differs;
            if (v.status == VerifyStatus::Differs)
                differs = v.differsFrom >= 0
                              ? " (differs from " + std::to_string(v.differsFrom) + " s on)"
                              : " (differs from the recording)";
            std::printf(
                "%s: score %" PRIu32 " time %.2f kills %" PRId32 " checksum %016" PRIx64 "%s%s\n",
                file.c_str(), v.result.score, static_cast<double>(v.result.gameTime),
                v.result.kills, v.replayed.checksum, originText(v).c_str(), differs.c_str());
        } else {
            std::printf("%s: %s\n", file.c_str(), v.reason.c_str());
        }
        std::fflush(stdout);
    });
    stopVerifier();
    return status;
}
