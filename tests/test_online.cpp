// Online from the game's side: online.ini, the outbox written at his death,
// the sender thread. Cases named OnlineServer/OnlineStall need a leaderboard
// server (or a stalling one) and run when tests/online/online_test.py gives
// its address; the rest run everywhere, and never reach beyond 127.0.0.1.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <thread>

#include "app/online_link.h"
#include "bot.h"
#include "game/player/marine.h"
#include "game/world/world.h"
#include "harness.h"
#include "online/online_config.h"
#include "online/outbox.h"
#include "online/sender.h"
#include "platform/platform.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

struct Home {
    std::string config;
    std::string outbox;
};

Home makeHome(bool enabled, const std::string& server, const std::string& name) {
    std::string dir = harness::scratchDataDir(false);
    Home h{dir + "/online.ini", dir + "/outbox"};
    std::ofstream(h.config) << "enabled = " << (enabled ? 1 : 0) << "\nserver = " << server
                            << "\nname = " << name << "\n";
    return h;
}

const char* env(const char* name) {
    const char* v = std::getenv(name);
    return v && v[0] ? v : nullptr;
}

// The bot starts a game on Hard from the menu, then lets go: monsters soon
// kill a Marine who stands still. Online is started on `home` after the boot.
bool playToDeath(const Home& home, uint32_t seed) {
    std::string dir = harness::scratchDataDir();
    std::ofstream(dir + "/Settings.ini") << "0 640 120 32 0.006 0\n";
    harness::skipRendering();
    if (!harness::boot(dir.c_str())) return false;
    // Games are seeded from the clock: each test's game its own, as the
    // server takes a game once.
    platform::test::advanceTicks(seed);
    startOnline(home.config, home.outbox);
    bot::Player player;
    player.begin(bot::kHuman, seed);
    for (int f = 0; f < 60 * 60 * 10 && !world().marine.marineDead; ++f) {
        if (player.gamesStarted == 0)
            player.act(16.0f);
        else if (player.gamesStarted == 1)
            player.releaseAll(), ++player.gamesStarted;
        harness::frame(f % 5 == 0 ? 17 : 16);
        player.observe();
    }
    player.releaseAll();
    std::printf("died after %.1f s of play\n", world().gameTime);
    return world().marine.marineDead;
}

online::Status status() {
    online::Status s;
    online::readStatus(s);
    return s;
}

// Runs Game Over frames in real time until `done` or the time is up; the
// longest frame (wall clock, ms) goes to `longest`.
bool framesUntil(const std::function<bool()>& done, double seconds, double* longest = nullptr) {
    auto end = Clock::now() + std::chrono::milliseconds(static_cast<int>(seconds * 1000));
    while (Clock::now() < end) {
        auto t0 = Clock::now();
        harness::frame(16);
        double ms = std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
        if (longest && ms > *longest) *longest = ms;
        if (done()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

size_t filesIn(const std::string& dir) {
    std::error_code ec;
    if (!fs::is_directory(dir, ec)) return 0;
    size_t n = 0;
    for (const auto& e : fs::directory_iterator(dir, ec))
        n += e.is_regular_file() && e.path().extension() == ".qvr";
    return n;
}

// A listening socket on 127.0.0.1 that nobody answers.
struct Listener {
    int fd = -1;
    int port = 0;
    Listener() {
        fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof a;
        ::bind(fd, reinterpret_cast<sockaddr*>(&a), len);
        ::listen(fd, 8);
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
        port = ntohs(a.sin_port);
    }
    ~Listener() { ::close(fd); }
    bool connected() {
        pollfd p{fd, POLLIN, 0};
        return ::poll(&p, 1, 0) > 0;
    }
};

} // namespace

TEST(OnlineConfigFile, ReadsWhatThePlayerWroteAndSetsAsideWhatItCannot) {
    struct Case {
        const char* text;
        bool enabled;
        const char* server;
        const char* name;
        bool movedAside;
    } cases[] = {
        {"", false, "", "", false},
        {"enabled = 1\nserver = http://127.0.0.1:8080\nname = Ann\n", true, "http://127.0.0.1:8080",
         "Ann", false},
        {"# mine\nenabled=0\nname = Zoë B\nlater = 7\n", false, "", "Zoë B", false},
        {"server = http://127.0.0.1:8080//\n", false, "http://127.0.0.1:8080", "", false},
        {"enabled = yes\n", false, "", "", true},
        {"token = 1234\n", false, "", "", true},
        {"enabled = 1\n[x\n", false, "", "", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        std::string path = harness::scratchDataDir(false) + "/online.ini";
        std::ofstream(path) << c.text;
        std::string why;
        online::OnlineConfig got = online::loadConfig(path, &why);
        EXPECT_EQ(got.enabled, c.enabled);
        EXPECT_EQ(got.server, c.server);
        EXPECT_EQ(got.name, c.name);
        EXPECT_EQ(!why.empty(), c.movedAside) << why;
        EXPECT_EQ(fs::exists(path), !c.movedAside);
    }
}

TEST(OnlineConfigFile, TheTokenIsMadeOnceAndKeptPrivate) {
    std::string path = harness::scratchDataDir(false) + "/cfg/online.ini";
    online::OnlineConfig c;
    ASSERT_TRUE(online::ensureToken(c));
    EXPECT_EQ(c.token.size(), 64u);
    EXPECT_EQ(c.token.find_first_not_of("0123456789abcdef"), std::string::npos);
    std::string first = c.token;
    EXPECT_FALSE(online::ensureToken(c));
    EXPECT_EQ(c.token, first);
    online::OnlineConfig other;
    online::ensureToken(other);
    EXPECT_NE(other.token, first);
    std::string why;
    ASSERT_TRUE(online::saveConfig(path, c, &why)) << why;
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    EXPECT_EQ(online::loadConfig(path, &why).token, first);
}

TEST(OnlineConfigFile, NamesAndAddressesAreCheckedBeforeSending) {
    struct Case {
        const char* text;
        bool name;
        bool server;
    } cases[] = {
        {"Ann", true, false},
        {"Zoë 李.x_y-z", true, false},
        {"a", false, false},
        {" Ann", false, false},
        {"Ann<b>", false, false},
        {"abcdefghijklmnopqrstu", false, false},
        {"http://127.0.0.1:8080", false, true},
        {"https://scores.example.org/quorvex", false, true},
        {"ftp://host", false, false},
        {"http://", false, false},
        {"http:// spaced", false, false},
        {"127.0.0.1:8080", false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(online::checkName(c.text).empty(), c.name);
        EXPECT_EQ(online::checkServer(c.text).empty(), c.server);
    }
}

TEST(OnlineLocal, WithOnlineOffNothingIsWrittenOrSent) {
    Listener server;
    Home home = makeHome(false, "http://127.0.0.1:" + std::to_string(server.port), "Ann");
    ASSERT_TRUE(playToDeath(home, 3));
    framesUntil([&] { return server.connected(); }, 1.5);
    EXPECT_FALSE(server.connected());
    EXPECT_FALSE(fs::exists(home.outbox));
    EXPECT_EQ(status().run, online::RunState::None);
    stopOnline();
}

TEST(OnlineLocal, AGameLostWhileTheServerIsAwayStaysInTheOutbox) {
    int port = Listener().port; // closed again: nobody listens there
    Home home = makeHome(true, "http://127.0.0.1:" + std::to_string(port), "Ann");
    ASSERT_TRUE(playToDeath(home, 4));
    EXPECT_EQ(filesIn(home.outbox), 1u);
    EXPECT_TRUE(framesUntil([] { return status().run == online::RunState::Saved; }, 10));
    auto t0 = Clock::now();
    stopOnline();
    EXPECT_LT(Clock::now() - t0, std::chrono::seconds(1));
    EXPECT_EQ(filesIn(home.outbox), 1u);
    // The token was made for the hand-written file, and kept.
    std::string why;
    EXPECT_EQ(online::loadConfig(home.config, &why).token.size(), 64u);
}

TEST(OnlineLocal, AnUnwritableOutboxIsSaidAndTheGameGoesOn) {
    std::string dir = harness::scratchDataDir(false);
    std::ofstream(dir + "/file") << "x";
    Home home = makeHome(true, "http://127.0.0.1:9", "Ann");
    home.outbox = dir + "/file/outbox"; // a file where a folder should be
    ASSERT_TRUE(playToDeath(home, 5));
    EXPECT_EQ(status().run, online::RunState::NotSaved);
    EXPECT_TRUE(harness::frames(10));
    stopOnline();
}

// The real server: a death lands verified, and Game Over learns its rank.
TEST(OnlineServer, ADeathLandsVerified) {
    const char* url = env("QUORVEX_TEST_SERVER");
    if (!url) GTEST_SKIP() << "needs QUORVEX_TEST_SERVER (tests/online/online_test.py)";
    Home home = makeHome(true, url, env("QUORVEX_TEST_NAME") ? env("QUORVEX_TEST_NAME") : "Ann");
    ASSERT_TRUE(playToDeath(home, 6));
    double longest = 0;
    EXPECT_TRUE(
        framesUntil([] { return status().run == online::RunState::Verified; }, 90, &longest))
        << "state " << static_cast<int>(status().run) << ": " << status().reason;
    EXPECT_GE(status().rank, 1);
    EXPECT_EQ(filesIn(home.outbox), 0u);
    harness::screenshot("online_game_over");
    std::printf("longest Game Over frame while sending: %.2f ms\n", longest);
    stopOnline();
}

// The server is down at his death and comes back: the run arrives.
TEST(OnlineServer, AGameFromWhileTheServerWasDownArrives) {
    const char* url = env("QUORVEX_TEST_DOWN_SERVER");
    const char* signal = env("QUORVEX_TEST_SIGNAL");
    if (!url || !signal) GTEST_SKIP() << "needs QUORVEX_TEST_DOWN_SERVER";
    Home home = makeHome(true, url, "Downtime");
    ASSERT_TRUE(playToDeath(home, 7));
    ASSERT_TRUE(framesUntil([] { return status().run == online::RunState::Saved; }, 15));
    EXPECT_EQ(filesIn(home.outbox), 1u);
    std::ofstream(signal) << "saved\n"; // the driver starts the server now
    EXPECT_TRUE(framesUntil([] { return status().run == online::RunState::Verified; }, 150))
        << "state " << static_cast<int>(status().run) << ": " << status().reason;
    EXPECT_EQ(filesIn(home.outbox), 0u);
    stopOnline();
}

// A file the server will never take goes to refused/ with its reason; one
// over the rate limit (429) stays for later.
TEST(OnlineServer, RefusedFilesMoveAsideAndBusyAnswersWait) {
    const char* url = env("QUORVEX_TEST_BUSY_SERVER");
    const char* replays = env("QUORVEX_TEST_REPLAYS");
    if (!url || !replays) GTEST_SKIP() << "needs QUORVEX_TEST_BUSY_SERVER";
    Home home = makeHome(true, url, "Busy");
    fs::create_directories(home.outbox);
    std::ofstream(home.outbox + "/run-1-00000000.qvr") << "not a replay at all";
    fs::copy_file(std::string(replays) + "/bot-seed01.qvr", home.outbox + "/run-2-00000000.qvr");
    fs::copy_file(std::string(replays) + "/bot-seed02.qvr", home.outbox + "/run-3-00000000.qvr");
    std::ofstream(home.outbox + "/notes.txt") << "the player's own";
    startOnline(home.config, home.outbox);
    // The limit allows two runs: the garbage is refused, one replay taken,
    // the other answered 429 and kept.
    auto settled = [&] {
        return filesIn(home.outbox + "/refused") == 1 && filesIn(home.outbox) == 1;
    };
    for (int i = 0; i < 100 && !settled(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_TRUE(settled());
    std::this_thread::sleep_for(std::chrono::seconds(2));
    EXPECT_EQ(filesIn(home.outbox), 1u) << "a 429 must not drop the file";
    EXPECT_TRUE(fs::exists(home.outbox + "/run-3-00000000.qvr"));
    auto refused = online::refusedRuns(home.outbox);
    ASSERT_EQ(refused.size(), 1u);
    EXPECT_NE(refused[0].second.find("not a replay"), std::string::npos) << refused[0].second;
    EXPECT_TRUE(fs::exists(home.outbox + "/notes.txt"));
    stopOnline();
}

// A server that takes the connection and never answers: frames go on, and
// turning Online off stops the send with the file kept.
TEST(OnlineStall, FramesGoOnAndTurningOffStopsTheSend) {
    const char* url = env("QUORVEX_TEST_STALL_SERVER");
    if (!url) GTEST_SKIP() << "needs QUORVEX_TEST_STALL_SERVER";
    Home home = makeHome(true, url, "Stall");
    ASSERT_TRUE(playToDeath(home, 8));
    double longest = 0;
    framesUntil([] { return false; }, 10, &longest);
    EXPECT_EQ(status().run, online::RunState::Sending);
    std::printf("longest frame while the server stalls 10 s: %.2f ms\n", longest);
    std::string why;
    ASSERT_TRUE(online::setEnabled(false, &why)) << why;
    auto t0 = Clock::now();
    stopOnline();
    std::printf("sender stopped %.1f ms after Online went off\n",
                std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
    EXPECT_EQ(filesIn(home.outbox), 1u);
    EXPECT_EQ(online::loadConfig(home.config, &why).enabled, false);
    // The same Game Over frames with no sender at all, to compare.
    double without = 0;
    framesUntil([] { return false; }, 10, &without);
    std::printf("longest frame over 10 s without a sender: %.2f ms\n", without);
}

// Two copies of the game on one outbox (the driver runs this twice at once):
// between them every file goes once.
TEST(OnlineServer, SendsTheOutboxItFinds) {
    const char* url = env("QUORVEX_TEST_SERVER");
    const char* outbox = env("QUORVEX_TEST_OUTBOX");
    if (!url || !outbox) GTEST_SKIP() << "needs QUORVEX_TEST_SERVER and QUORVEX_TEST_OUTBOX";
    Home home = makeHome(true, url, "Twin");
    startOnline(home.config, outbox);
    for (int i = 0; i < 300 && filesIn(outbox) > 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(filesIn(outbox), 0u);
    stopOnline();
}
