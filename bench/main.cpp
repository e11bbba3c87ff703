// quorvex_bench: the performance figures of the game at full load, one line
// each: "<figure>: <value> (target <target>): ok" or "...: short".
// Notes on the world measured go to standard error.
#include <GL/gl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "alloc_count.h"
#include "app/entry.h"
#include "app/frame.h"
#include "app/input.h"
#include "app/settings.h"
#include "audio/sound_bank.h"
#include "draw/draw_list.h"
#include "figures.h"
#include "floor.h"
#include "game/layers/decal_layer.h"
#include "game/monsters/monsters.h"
#include "game/player/weapons.h"
#include "game/projectiles/bullets.h"
#include "game/rules/game_frame.h"
#include "game/world/world.h"
#include "math/rng.h"
#include "platform/platform.h"
#include "render/gl_backend.h"
#include "replay/replay_player.h"
#include "replay/verifier.h"
#include "session/session.h"
#include "startup_figure.h"
#include "trig_figure.h"
#include "verify_speed.h"
#include "world.h"

namespace {

using bench::Clock;
using bench::figure;
using bench::gameFrame;
using bench::kFrameMs;
using bench::median;
using bench::msSince;
using bench::threadMs;
using bench::useTestEnvironment;

constexpr int kSeed = 20240601;
constexpr int kVerifyFrames = 3750; // a minute of play
constexpr int kHitsPerPass = 16;
// The cursor of the measured frames, in picture pixels: up and to the right
// of the Marine.
constexpr int32_t kAimX = 700;
constexpr int32_t kAimY = 250;

// Snapshot slots.
constexpr int kBeforeFrame = 0; // the world at the start of a frame
constexpr int kBeforeHits = 1;  // the same after the bullets' move
constexpr int kAfterFrame = 2;  // what one game frame leaves, for the floor

bool boot() {
    World& w = world();
    useTestEnvironment();
    if (chdir(QUORVEX_DATA_DIR) != 0) return false;
    resetProgramState();
    readSettings("Settings.ini");
    if (!platform::createWindow("Quorvex Game", w.screenWidth, w.screenHeight)) return false;
    applyDisplayMode();
    windowProc(Message{MsgType::Create, 0});
    previousTicks = static_cast<float>(platform::tickCount());
    w.runFactor = 1.0f;
    gameFrame(); // the menu
    session().input.menuShown = 0;
    gameFrame(); // the first frame after it closes has no time
    return true;
}

struct HitRun {
    int bullets, monsters, decals;
    uint32_t rng, score;
};

HitRun hitRunOutcome() {
    World& w = world();
    return HitRun{w.bulletCount, w.monsterCount, w.decalLayer.count, w.rng.state, w.score};
}

bool sameRun(const HitRun& a, const HitRun& b) {
    return a.bullets == b.bullets && a.monsters == b.monsters && a.decals == b.decals &&
           a.rng == b.rng && a.score == b.score;
}

// 1. The hit pass, both scans on identical copies, interleaved. False when
// they disagree.
bool hitFigure() {
    World& w = world();
    std::vector<double> reference, game;
    for (int i = 0; i < 41; ++i) {
        bench::restore(kBeforeHits);
        w.frameDelta = static_cast<float>(kFrameMs);
        double start = threadMs();
        resolveBulletHitsReference();
        reference.push_back(threadMs() - start);
        const HitRun referenceOutcome = hitRunOutcome();

        bench::restore(kBeforeHits);
        w.frameDelta = static_cast<float>(kFrameMs);
        start = threadMs();
        resolveBulletHits();
        game.push_back(threadMs() - start);
        if (!sameRun(referenceOutcome, hitRunOutcome())) {
            std::fprintf(stderr, "quorvex_bench: the two scans disagree\n");
            return false;
        }
    }
    const double referenceMs = median(reference);
    const double gameMs = median(game);
    const double speedUp = referenceMs / gameMs;
    char value[96];
    std::snprintf(value, sizeof(value), "%.1fx (%.3f ms against %.2f ms)", speedUp, gameMs,
                  referenceMs);
    figure("bullet-hit pass at full load, reference scan / game's scan", value, ">= 20x",
           speedUp >= 20.0);
    return true;
}

// 2. The game's own frame at full load, as the loop runs it: the input
// record takes the frame's time and the cursor, then runFrame runs every step
// (updates and drawing calls) and swaps. Run in a process of its own with
// Mesa's rendering skipped (GALLIUM_NOOP) and timed on this thread's CPU
// clock: the game's logic plus its drawing calls, without the pixels (the
// drawn-frame figure below has those).
void frameFigure() {
    World& w = world();
    std::vector<double> times;
    for (int i = 0; i < 3 + 301; ++i) {
        bench::restore(kBeforeFrame);
        w.runFactor = 1.0f;
        const double start = threadMs();
        beginFrame(session().input, static_cast<float>(kFrameMs), kAimX, kAimY);
        runFrame();
        const double ms = threadMs() - start;
        glFinish();
        if (i >= 3) times.push_back(ms); // the first ones warm the driver
    }
    const double frameMs = median(times);
    const render::SubmitStats& calls = render::lastSubmitStats();
    std::fprintf(stderr,
                 "# the full-load frame's draw list: %u records, %u vertices, %u draw calls, %u "
                 "texts, %u dropped\n",
                 drawList.commandCount, drawList.vertexCount, calls.drawCalls, calls.texts,
                 drawList.dropped);
    char value[96];
    std::snprintf(value, sizeof(value), "%u (%u quads, %u records)", calls.drawCalls, calls.quads,
                  calls.records);
    figure("draw calls in a full-load frame", value, "<= 30", calls.drawCalls <= 30);
    std::snprintf(value, sizeof(value), "%.3f ms", frameMs);
    figure("game frame at full load, rendering skipped (beginFrame + runFrame, thread CPU time)",
           value, "<= 0.6 ms", frameMs <= 0.6);

    // The rules alone: the same frame with nothing described or drawn.
    times.clear();
    drawList.recording = false;
    for (int i = 0; i < 3 + 301; ++i) {
        bench::restore(kBeforeFrame);
        w.runFactor = 1.0f;
        const double start = threadMs();
        beginFrame(session().input, static_cast<float>(kFrameMs), kAimX, kAimY);
        runGameFrame();
        const double ms = threadMs() - start;
        if (i >= 3) times.push_back(ms);
    }
    drawList.recording = true;
    const double logicMs = median(times);
    std::snprintf(value, sizeof(value), "%.3f ms", logicMs);
    figure("game logic at full load, no draw list (beginFrame + runGameFrame, thread CPU time)",
           value, "<= 0.5 ms", logicMs <= 0.5);

    // A snapshot: the whole full-load world copied, as seeking keeps them.
    bench::restore(kBeforeFrame);
    auto snapshot = std::make_unique<World>();
    times.clear();
    for (int i = 0; i < 3 + 301; ++i) {
        const double start = threadMs();
        *snapshot = world();
        const double ms = threadMs() - start;
        if (i >= 3) times.push_back(ms);
    }
    const double copyMs = median(times);
    std::snprintf(value, sizeof(value), "%.3f ms (%zu bytes)", copyMs, sizeof(World));
    figure("a snapshot of the world at full load (one World copied, thread CPU time)", value,
           "< 0.2 ms", copyMs < 0.2);
}

// 3. Drawn frames against the fill floor, interleaved.
void drawnFigure() {
    bench::restore(kBeforeFrame);
    gameFrame();
    bench::save(kAfterFrame);
    for (int i = 0; i < 3; ++i) { // warm the driver's caches
        bench::restore(kBeforeFrame);
        gameFrame();
        glFinish();
    }
    std::vector<double> drawn, floor;
    for (int i = 0; i < 15; ++i) {
        bench::restore(kBeforeFrame);
        Clock::time_point start = Clock::now();
        gameFrame();
        glFinish();
        drawn.push_back(msSince(start));

        bench::restore(kAfterFrame);
        world().frameDelta = static_cast<float>(kFrameMs);
        start = Clock::now();
        bench::drawFloor();
        glFinish();
        floor.push_back(msSince(start));
    }
    const double drawnMs = median(drawn);
    const double floorMs = median(floor);
    const double ratio = drawnMs / floorMs;
    char value[96];
    std::snprintf(value, sizeof(value), "%.3f (%.1f ms against %.1f ms)", ratio, drawnMs, floorMs);
    figure("drawn frame at full load, Mesa llvmpipe 1024x768 / fill floor", value, "<= 1.1",
           ratio <= 1.1);
}

// 4. Heap allocations over steady frames, drawn and shown.
void allocationFigure(int frames) {
    alloc::start();
    for (int i = 0; i < frames; ++i) {
        bench::restore(kBeforeFrame);
        gameFrame();
    }
    glFinish();
    alloc::stop();
    const alloc::Counts counts = alloc::counts();
    std::fprintf(stderr, "# allocations in those frames: %llu, of which\n",
                 static_cast<unsigned long long>(counts.total));
    alloc::report();
    const uint64_t ours = counts.game + counts.unknown;
    char value[160];
    std::snprintf(value, sizeof(value),
                  "%llu by the game's code (inside libraries: %llu in the GL driver, %llu in "
                  "others)",
                  static_cast<unsigned long long>(ours),
                  static_cast<unsigned long long>(counts.driver),
                  static_cast<unsigned long long>(counts.libraries));
    char name[96];
    std::snprintf(name, sizeof(name), "heap allocations in %d steady frames at full load", frames);
    figure(name, value, "0", ours == 0);
}

// 5. Start-up is measured in fresh processes before anything else
// (startup_figure.cpp).

// 6. Verify speed, in a process of its own (its window is the small one
// --verify opens): recorded play time replayed per second of wall time.
// The committed bot replays, all checked in one process as quorvex-verify
// checks them: start-up, reading and playing included.
bool committedReplaysFigure() {
    const Clock::time_point start = Clock::now();
    std::string why;
    if (!startVerifier(why)) {
        std::fprintf(stderr, "quorvex_bench: %s\n", why.c_str());
        return false;
    }
    double playMs = 0.0;
    int files = 0;
    bool all = true;
    // Both generations: the first's files replay with the platform's math.
    for (const char* name :
         {"bot-seed01.qvr", "bot-seed02.qvr", "bot-seed04.qvr", "bot-seed18.qvr", "gen2-seed01.qvr",
          "gen2-seed03.qvr", "gen2-seed04.qvr", "gen2-seed07.qvr"}) {
        const std::string path = std::string(QUORVEX_REPLAY_DIR) + "/" + name;
        Replay replay;
        std::string why;
        if (!readReplayFile(path, replay, why)) {
            std::fprintf(stderr, "quorvex_bench: %s: %s\n", path.c_str(), why.c_str());
            all = false;
            continue;
        }
        ReplayReader events(replay.events, replay.start.cursorX, replay.start.cursorY);
        ReplayEvent e;
        while (events.next(e))
            if (e.kind == ReplayEvent::Frame) playMs += e.tickDelta;
        if (verifyReplay(replay).status != VerifyStatus::Verified) all = false;
        ++files;
    }
    stopVerifier();
    const double wall = msSince(start) * 0.001;
    const double speed = playMs * 0.001 / wall;
    char value[128];
    std::snprintf(value, sizeof(value), "%.0fx (%d replays, %.1f s of play in %.3f s)%s", speed,
                  files, playMs * 0.001, wall, all ? "" : ", not all verified");
    figure("verify speed, committed replays in one process, play time / wall time", value,
           ">= 1000x", all && speed >= 1000.0);
    return all;
}

int verifySpeedFigure() {
    useTestEnvironment();
    if (chdir(QUORVEX_DATA_DIR) != 0) return 1;
    const bench::VerifySpeed v = bench::measureVerifySpeed(kVerifyFrames, kFrameMs);
    if (!v.opened) {
        std::fprintf(stderr, "quorvex_bench: no game could be recorded\n");
        return 1;
    }
    std::fprintf(stderr,
                 "# verify speed: %u frames recorded in %.1f s; at most %d monsters, %d frames "
                 "with %d or more; ",
                 v.frames, v.recordSeconds, v.peakMonsters, v.fullFrames, 900);
    if (v.deathGameTime >= 0.0f)
        std::fprintf(stderr, "the Marine fell at %.1f s\n", static_cast<double>(v.deathGameTime));
    else
        std::fprintf(stderr, "the Marine lived\n");
    std::fprintf(stderr,
                 "# replayed in %.2f s of wall time, %.2f s of CPU time (%.2f s on the game's "
                 "thread): %.1fx on CPU time; score %u, %d kills\n",
                 v.wallSeconds, v.processSeconds, v.cpuSeconds, v.playSeconds / v.processSeconds,
                 v.replayed.score, v.replayed.kills);
    if (!v.reproduced)
        std::fprintf(stderr,
                     "quorvex_bench: the replay did not reproduce the recorded game (recorded: "
                     "score %u time %.2f kills %d checksum %016llx; replayed: score %u time %.2f "
                     "kills %d checksum %016llx)\n",
                     v.recorded.score, static_cast<double>(v.recorded.gameTime), v.recorded.kills,
                     static_cast<unsigned long long>(v.recorded.checksum), v.replayed.score,
                     static_cast<double>(v.replayed.gameTime), v.replayed.kills,
                     static_cast<unsigned long long>(v.replayed.checksum));
    const double speed = v.playSeconds / v.wallSeconds;
    char value[128];
    std::snprintf(value, sizeof(value), "%.1fx (%.1f s of play in %.2f s)%s", speed, v.playSeconds,
                  v.wallSeconds, v.reproduced ? "" : ", did not reproduce");
    figure("verify speed, full-load game replayed without drawing, play time / wall time", value,
           ">= 60x", v.reproduced && speed >= 60.0);
    closeAudio();
    return v.reproduced && committedReplaysFigure() ? 0 : 1;
}

// This benchmark again with `option`, in a child process, its lines passed
// through.
int inChild(const char* option) {
    char self[4096] = {};
    if (readlink("/proc/self/exe", self, sizeof(self) - 1) <= 0) return 1;
    char command[4200];
    std::snprintf(command, sizeof(command), "'%s' %s", self, option);
    std::fflush(stdout);
    std::fflush(stderr);
    return std::system(command) == 0 ? 0 : 1;
}

} // namespace

// The benchmark plays games to the Marine's death: their scores and replays
// go to scratch folders, never the player's own (children inherit them).
void useScratchFolders() {
    if (std::getenv("QUORVEX_BENCH_SCRATCH") != nullptr) return;
    static char dir[] = "/tmp/quorvex-bench-XXXXXX";
    if (mkdtemp(dir) == nullptr) return;
    setenv("QUORVEX_BENCH_SCRATCH", dir, 1);
    setenv("XDG_DATA_HOME", (std::string(dir) + "/data").c_str(), 1);
    setenv("XDG_CONFIG_HOME", (std::string(dir) + "/config").c_str(), 1);
    std::atexit([] {
        std::string command = std::string("rm -rf '") + dir + "'";
        if (std::system(command.c_str()) != 0) std::fprintf(stderr, "# could not remove %s\n", dir);
    });
}

int main(int argc, char** argv) {
    World& w = world();
    const std::string option = argc > 1 ? argv[1] : "";
    useScratchFolders();
    // Frames as fast as they come: the figures are the frames' own cost.
    platform::setFrameCap(false);
    if (option == "--startup-once") return bench::startUpOnce();
    if (option == "--bare-window-once") return bench::bareWindowOnce();
    if (option == "--verify-speed") return verifySpeedFigure();
    if (option == "--startup") {
        bench::startUpFigure(bench::startUpMedian());
        return 0;
    }
    if (option == "--trig") {
        bench::trigFigure();
        return 0;
    }
    // Before any window: the driver then skips all rendering work.
    if (option == "--frame") setenv("GALLIUM_NOOP", "true", 1);
    // For development: --loop-hits runs only the game's hit pass, over and
    // over (for a profiler); --logic only the hit pass and the game frame;
    // --frame only the game frame (rendering skipped); --drawn only the
    // drawn frame against the fill floor;
    // --allocations [frames] only the allocation count; --verify-speed only
    // the verify speed; --startup only the start-up; --trig only sin and cos.
    const bool all = option.empty();

    const bench::StartUp startUp = all ? bench::startUpMedian() : bench::StartUp{};
    // The fill floor draws the old way, which only a compatibility context
    // has; the game's back end runs the same in it. Children get their own.
    if (all || option == "--drawn") setenv("QUORVEX_GL", "compat", 1);

    if (!boot()) {
        std::fprintf(stderr, "quorvex_bench: no window could be opened\n");
        return 1;
    }
    beforeSwap = nullptr;

    w.frameDelta = static_cast<float>(kFrameMs);
    bench::buildFullLoad(kSeed, kHitsPerPass);
    bench::save(kBeforeFrame);
    bench::stepBullets();
    bench::save(kBeforeHits);
    const bench::LoadStats load = bench::measureLoad(kAfterFrame);
    std::fprintf(stderr,
                 "# full load: %d monsters, %d bullets, %d decals, %d sprites, %d particles, "
                 "%d bonuses; the hit pass lands %d hits (%d kills, one grenade blast)\n",
                 load.monsters, load.bullets, load.decals, load.sprites, load.particles,
                 load.bonuses, load.hits, load.kills);

    int status = 0;
    if (option == "--loop-hits") {
        for (int i = 0; i < 2000; ++i) {
            bench::restore(kBeforeHits);
            w.frameDelta = static_cast<float>(kFrameMs);
            resolveBulletHits();
        }
    }
    if (all || option == "--logic")
        if (!hitFigure()) status = 1;
    if (option == "--frame") frameFigure();
    if (all || option == "--drawn") drawnFigure();
    if (all || option == "--allocations")
        allocationFigure(argc > 2 && !all ? std::atoi(argv[2]) : 1000);
    if (all) bench::startUpFigure(startUp);
    if (all) bench::trigFigure();
    closeAudio();
    unsetenv("QUORVEX_GL");
    if ((all || option == "--logic") && inChild("--frame") != 0) status = 1;
    if (all && inChild("--verify-speed") != 0) status = 1;
    return status;
}
