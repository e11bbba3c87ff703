// The Daily Challenge from the game's side: the served day read, the plate's
// states, and whole games started from the plate against a small daily
// server on 127.0.0.1 (the leaderboard's own checks are its tests').
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "app/daily.h"
#include "app/entry.h"
#include "app/frame.h"
#include "app/online_link.h"
#include "bot.h"
#include "game/monsters/monsters.h"
#include "game/player/marine.h"
#include "game/world/world.h"
#include "harness.h"
#include "input/input.h"
#include "math/rng.h"
#include "online/api.h"
#include "online/sender.h"
#include "platform/platform.h"
#include "replay/replay_recorder.h"
#include "replay/verifier.h"
#include "session/session.h"

namespace {

constexpr uint32_t kSeed = 3141592653u;
const char* const kDaily =
    R"({"date":"2026-12-10","seed":3141592653,"difficulty":"normal","spawn_acceleration":0.003,)"
    R"("generation":2,"fingerprint":"ae7632e4135950c8","board":"daily-2026-12-10-ae7632e4135950c8-g2",)"
    R"("closes_at":"2026-12-11T00:10:00Z"})";
constexpr float kDailyX = 0.5f, kDailyY = -0.2f;

// Answers every request with one fixed answer, until destroyed.
struct DailyServer {
    int fd = -1;
    int port = 0;
    std::string answer;
    std::atomic<bool> stop{false};
    std::atomic<int> asked{0};
    std::thread thread;

    DailyServer(int status, const std::string& body) {
        answer = "HTTP/1.1 " + std::to_string(status) +
                 " X\r\nContent-Type: application/json\r\nConnection: close\r\nContent-Length: " +
                 std::to_string(body.size()) + "\r\n\r\n" + body;
        fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof a;
        ::bind(fd, reinterpret_cast<sockaddr*>(&a), len);
        ::listen(fd, 8);
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
        port = ntohs(a.sin_port);
        thread = std::thread([this] { serve(); });
    }
    ~DailyServer() {
        stop = true;
        thread.join();
        ::close(fd);
    }
    void serve() {
        while (!stop) {
            pollfd p{fd, POLLIN, 0};
            if (::poll(&p, 1, 50) <= 0) continue;
            int c = ::accept(fd, nullptr, nullptr);
            if (c < 0) continue;
            std::string request;
            char buf[4096];
            pollfd q{c, POLLIN, 0};
            while (request.find("\r\n\r\n") == std::string::npos && ::poll(&q, 1, 2000) > 0) {
                ssize_t n = ::read(c, buf, sizeof buf);
                if (n <= 0) break;
                request.append(buf, static_cast<size_t>(n));
            }
            if (request.rfind("GET /api/v1/daily ", 0) == 0) ++asked;
            ssize_t sent = ::write(c, answer.data(), answer.size());
            (void)sent;
            ::close(c);
        }
    }
    std::string url() const { return "http://127.0.0.1:" + std::to_string(port); }
};

online::Status status() {
    online::Status s;
    online::readStatus(s);
    return s;
}

// Real time: the sender's thread answers while frames go on.
template <class Done> bool framesUntil(Done done, double seconds = 10.0) {
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(int(seconds * 1000));
    while (std::chrono::steady_clock::now() < end) {
        harness::frame(16);
        if (done()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return false;
}

// Boots on Hard with Online on (or off) at `server`; the plate's first
// answer has come when it returns.
void bootOnline(bool enabled, const std::string& server) {
    std::string dir = harness::scratchDataDir();
    std::ofstream(dir + "/Settings.ini") << "0 640 120 32 0.006 0\n";
    std::string home = harness::scratchDataDir(false);
    std::ofstream(home + "/online.ini")
        << "enabled = " << (enabled ? 1 : 0) << "\nserver = " << server << "\nname = Ann\n";
    harness::skipRendering();
    ASSERT_TRUE(harness::boot(dir.c_str()));
    resetDaily();
    startOnline(home + "/online.ini", home + "/outbox");
    if (enabled)
        ASSERT_TRUE(framesUntil([] { return status().dailyAnswers > 0; }));
    else
        harness::frames(3);
}

void chooseDaily() {
    harness::cursorArena(kDailyX, kDailyY);
    harness::frame();
    harness::leftDown();
    harness::frame();
    harness::leftUp();
}

struct Spawn {
    int frame;
    uint32_t stream;
    float interval;
    bool operator==(const Spawn& o) const {
        return frame == o.frame && stream == o.stream && interval == o.interval;
    }
};

// Starts the daily from the plate and plays a minute as `skill` plays; the
// spawns met while he lives.
std::vector<Spawn> playDailyMinute(const std::string& server, const bot::Skill& skill,
                                   uint32_t botSeed) {
    std::vector<Spawn> out;
    bootOnline(true, server);
    chooseDaily();
    EXPECT_TRUE(framesUntil([] { return !session().input.menuShown; }));
    EXPECT_EQ(world().gameSeed, kSeed);
    bot::Player player;
    player.begin(skill, botSeed);
    player.restartGames = false;
    for (int f = 0; f < 3750 && !world().marine.marineDead; ++f) {
        player.act(16.0f);
        harness::frame(16);
        player.observe();
        if (world().spawnTimer == 0.0f && !world().marine.marineDead)
            out.push_back(Spawn{f, spawnRandom().state, world().spawnInterval});
    }
    player.releaseAll();
    stopOnline();
    return out;
}

} // namespace

TEST(Daily, TheServedDayIsReadOrRefusedWithAReason) {
    struct Case {
        const char* body;
        bool ok;
        uint32_t day;
        uint32_t seed;
    } cases[] = {
        {kDaily, true, 20261210, kSeed},
        {R"({"date":"2027-01-02","seed":0})", true, 20270102, 0},
        {R"({"date":"2026-12-10"})", false, 0, 0},
        {R"({"date":"2026-12-10","seed":-4})", false, 0, 0},
        {R"({"date":"2026-12-10","seed":4294967296})", false, 0, 0},
        {R"({"date":"2026-13-10","seed":1})", false, 0, 0},
        {R"({"date":"2026-12-10x","seed":1})", false, 0, 0},
        {R"([1,2])", false, 0, 0},
        {"not json", false, 0, 0},
    };
    for (const Case& c : cases) {
        online::DailyInfo d;
        EXPECT_EQ(online::readDaily(c.body, d), c.ok) << c.body;
        EXPECT_EQ(d.day, c.day) << c.body;
        EXPECT_EQ(d.seed, c.seed) << c.body;
        if (!c.ok) {
            EXPECT_FALSE(d.error.empty()) << c.body;
        }
    }
}

TEST(Daily, ThePlateSaysWhatTheSenderKnows) {
    resetDaily();
    struct Case {
        bool enabled;
        online::DailyState state;
        const char* reason;
        bool offered;
        const char* note;
    } cases[] = {
        {false, online::DailyState::Ready, "", false, "Online is off"},
        {true, online::DailyState::Unknown, "", true, ""},
        {true, online::DailyState::Fetching, "", true, "fetching..."},
        {true, online::DailyState::Ready, "", true, "2026-12-10"},
        {true, online::DailyState::Failed, "server unreachable", false, "server unreachable"},
    };
    for (const Case& c : cases) {
        online::Status s;
        s.enabled = c.enabled;
        s.daily = c.state;
        s.dailyDay = 20261210;
        std::snprintf(s.dailyReason, sizeof s.dailyReason, "%s", c.reason);
        DailyPlate p = dailyPlateOf(s);
        EXPECT_EQ(p.offered, c.offered) << c.note;
        EXPECT_STREQ(p.note, c.note);
    }
}

TEST(Daily, WithoutTheServerThePlateStaysGreyedAndAsksAgainWhenChosen) {
    struct Case {
        bool enabled;
        int status; // 0: nobody listens
        const char* note;
    } cases[] = {
        {false, 200, "Online is off"},
        {true, 0, "server unreachable"},
        {true, 503, "server answered 503"},
        {true, 200, "daily unreadable"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.note);
        std::string url = "http://127.0.0.1:1";
        std::unique_ptr<DailyServer> server;
        if (c.status) {
            server = std::make_unique<DailyServer>(c.status, R"({"error":"database away"})");
            url = server->url();
        }
        bootOnline(c.enabled, url);
        EXPECT_STREQ(dailyPlateOf(status()).note, c.note);
        EXPECT_FALSE(dailyPlateOf(status()).offered);
        int answers = status().dailyAnswers;
        chooseDaily();
        if (c.enabled) {
            EXPECT_TRUE(framesUntil([&] { return status().dailyAnswers > answers; }));
            if (server) {
                EXPECT_EQ(server->asked.load(), 2);
            }
        }
        harness::frames(3);
        EXPECT_TRUE(session().input.menuShown);
        EXPECT_STREQ(dailyPlateOf(status()).note, c.note);
        stopOnline();
    }
}

TEST(Daily, TheDayIsPlayedAtNormalAndRecordedWithItsSeedAndDay) {
    DailyServer server(200, kDaily);
    bootOnline(true, server.url());
    EXPECT_STREQ(dailyPlateOf(status()).note, "2026-12-10");
    EXPECT_EQ(world().spawnAcceleration, 0.006f);
    chooseDaily();
    ASSERT_TRUE(framesUntil([] { return !session().input.menuShown; }));
    EXPECT_EQ(world().gameSeed, kSeed);
    EXPECT_EQ(world().spawnAcceleration, 0.003f);
    harness::frames(120);

    // Escape, New Game: the daily's replay, then an ordinary game on Hard.
    harness::key(VkEscape);
    harness::frame();
    harness::cursorArena(0.5f, -0.05f);
    harness::frame();
    harness::leftDown();
    harness::frame();
    harness::leftUp();
    harness::frame();
    const Replay daily = lastReplay();
    EXPECT_EQ(daily.start.seed, kSeed);
    EXPECT_EQ(daily.result.day, 20261210u);
    EXPECT_EQ(daily.start.spawnAcceleration, 0.003f);
    EXPECT_EQ(daily.result.end, GameEnd::NewGame);
    EXPECT_FALSE(session().input.menuShown);
    EXPECT_EQ(world().spawnAcceleration, 0.006f);
    EXPECT_NE(world().gameSeed, kSeed);
    harness::frames(30);
    endRecording(GameEnd::ProgramEnd);
    EXPECT_EQ(lastReplay().result.day, 0u);
    EXPECT_EQ(lastReplay().start.spawnAcceleration, 0.006f);
    stopOnline();
    // Its replay holds every frame it played, the first one included.
    VerifyOutcome v = verifyReplay(daily);
    EXPECT_EQ(v.status, VerifyStatus::Verified) << v.reason;
}

TEST(Daily, TwoPlayersOfTheDayMeetTheSameMonstersHoweverTheyShoot) {
    DailyServer server(200, kDaily);
    std::vector<Spawn> shooter = playDailyMinute(server.url(), bot::kHuman, 7);
    std::vector<Spawn> idle = playDailyMinute(server.url(), bot::kSharp, 99);
    size_t n = std::min(shooter.size(), idle.size());
    std::printf("%zu and %zu spawns\n", shooter.size(), idle.size());
    ASSERT_GE(n, 40u);
    for (size_t i = 0; i < n; ++i)
        EXPECT_TRUE(shooter[i] == idle[i])
            << "spawn " << i << " at frame " << shooter[i].frame << " / " << idle[i].frame;
}

// A menu at rest is not drawn again until something changes; the sender's
// answer is such a change, though no input comes with it.
TEST(Daily, AMenuAtRestWakesToShowThePlatesNewState) {
    DailyServer server(200, kDaily);
    bootOnline(false, server.url());
    restWhenIdle(true);
    static int drawn = 0;
    static void (*chained)() = nullptr;
    void (*capture)() = beforeSwap;
    chained = capture;
    beforeSwap = [] {
        ++drawn;
        if (chained) chained();
    };
    harness::frames(60);
    drawn = 0;
    harness::frames(10);
    EXPECT_EQ(drawn, 0) << "the idle menu is drawn again";
    stopOnline();
    std::string home = harness::scratchDataDir(false);
    std::ofstream(home + "/online.ini")
        << "enabled = 1\nserver = " << server.url() << "\nname = Ann\n";
    startOnline(home + "/online.ini", home + "/outbox");
    EXPECT_TRUE(framesUntil([] { return status().dailyAnswers > 0; }));
    harness::frames(3);
    EXPECT_GE(drawn, 1) << "the plate's new state is never drawn";
    EXPECT_STREQ(dailyPlateOf(status()).note, "2026-12-10");
    beforeSwap = capture;
    restWhenIdle(false);
    stopOnline();
}
