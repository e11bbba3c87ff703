// The sender's rules and its state machine, shared by the desktop's thread
// and the page's loop. The machine runs here against a scripted server
// through both kinds of transport: one that answers before it returns (as
// libcurl does on the desktop's thread) and one that answers on a later
// step (as the browser's fetch does between frames).
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "harness.h"
#include "online/online_config.h"
#include "online/outbox.h"
#include "online/sender_machine.h"
#include "online/sender_rules.h"
#include "protocol/api.h"
#include "protocol/player_name.h"
#include "replay/replay_file.h"

namespace {

namespace sending = online::sending;
using online::RunState;

TEST(SenderRules, BackOffDoublesToAMinuteAndTheServersRetryAfterWins) {
    const struct {
        int failures;
        long retryAfter;
        long seconds;
    } cases[] = {{1, -1, 1},   {2, -1, 2}, {3, -1, 4},  {6, -1, 32},   {7, -1, 60},
                 {40, -1, 60}, {1, 0, 1},  {3, 30, 30}, {9, 300, 300}, {0, -1, 1}};
    for (const auto& c : cases)
        EXPECT_EQ(online::backoffSeconds(c.failures, c.retryAfter), c.seconds)
            << c.failures << " failures, Retry-After " << c.retryAfter;
}

TEST(SenderRules, RanksAndTheDailyKeepOnlyWhatThisBuildPlays) {
    const int mine = generationOf(kReplayVersion);
    online::PlayerInfo info;
    info.ok = true;
    auto best = [](const char* board, int generation, int rank) {
        online::BestRun b;
        b.board = board;
        b.generation = generation;
        b.rank = rank;
        return b;
    };
    info.best = {best("abc-0.25-g2", mine, 3), best("abc-0.5", mine + 1, 7),
                 best("abc-1", mine, 0)};
    online::Status s;
    online::noteBestRanks(s, info);
    ASSERT_EQ(s.boardCount, 1);
    EXPECT_EQ(s.boardRank[0], 3);
    EXPECT_FLOAT_EQ(s.boardAcceleration[0], 0.25f);
    EXPECT_FLOAT_EQ(protocol::accelerationOfBoard("nodash"), -1.0f);

    online::DailyInfo day;
    day.ok = true;
    day.generation = mine + 1;
    online::noteDaily(s, true, day);
    EXPECT_EQ(s.daily, online::DailyState::Failed);
    EXPECT_STREQ(s.dailyReason, "server on other rules");
    day.generation = mine;
    day.seed = 77;
    online::noteDaily(s, true, day);
    EXPECT_EQ(s.daily, online::DailyState::Ready);
    EXPECT_EQ(s.dailySeed, 77u);
    online::noteDaily(s, false, day);
    EXPECT_EQ(s.daily, online::DailyState::Unknown);
    EXPECT_EQ(s.dailyAnswers, 3);
}

// The game's check and the server's agree on a name's shape; only letters
// of other scripts are left to the server.
TEST(SenderRules, NamesAreStrictUtf8OfTwentyCharactersAtMost) {
    using protocol::NameShape;
    std::string twentyE;
    for (int i = 0; i < 20; ++i)
        twentyE += "\xC3\xA9";
    const struct {
        std::string name;
        NameShape shape;
    } cases[] = {
        {"Ann", NameShape::Ok},
        {"Zo\xC3\xAB \xE6\x9D\x8E.x_y-z", NameShape::Ok},
        {twentyE, NameShape::Ok},
        {twentyE + "e", NameShape::Length},
        {"a", NameShape::Length},
        {std::string(81, 'a'), NameShape::Length},
        {"x\xC0\xAF", NameShape::NotUtf8},         // overlong '/'
        {"x\xE0\x80\xAF", NameShape::NotUtf8},     // overlong, three bytes
        {"x\xED\xA0\x80", NameShape::NotUtf8},     // a surrogate
        {"x\xF4\x90\x80\x80", NameShape::NotUtf8}, // past U+10FFFF
        {"Ann\xC3", NameShape::NotUtf8},           // cut short
        {" Ann", NameShape::EdgeSpace},
        {"Ann ", NameShape::EdgeSpace},
        {"Ann<b>", NameShape::BadAscii},
        {"Ann\tB", NameShape::BadAscii},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        char bad = 0;
        EXPECT_EQ(protocol::checkNameShape(c.name, nullptr, &bad), c.shape);
        EXPECT_EQ(online::checkName(c.name).empty(), c.shape == NameShape::Ok)
            << online::checkName(c.name);
        if (c.shape == NameShape::BadAscii) {
            EXPECT_TRUE(bad == '<' || bad == '\t');
        }
    }
    EXPECT_EQ(protocol::boardKey("00ff", "0.25", 1), "00ff-0.25");
    EXPECT_EQ(protocol::boardKey("00ff", "0.25", 3), "00ff-0.25-g3");
    EXPECT_EQ(protocol::generationOfBoard("00ff-0.25-g3"), 3);
    EXPECT_EQ(protocol::generationOfBoard("00ff-0.25"), 1);
    EXPECT_FLOAT_EQ(protocol::accelerationOfBoard("00ff-0.25-g3"), 0.25f);
}

// A leaderboard server as a table of answers, "METHOD /path" to a reply,
// reached through either kind of transport.
struct ScriptedServer {
    struct Reply {
        long status = 404;
        std::string body = "{}";
        long retryAfter = -1;
        bool reached = true;
    };
    std::map<std::string, Reply> replies;
    std::vector<std::string> asked; // "METHOD /path", in order
    std::vector<std::string> urls;
    bool deferred = false; // answers on the next step, as the page's fetch
    std::optional<online::HttpResponse> pending;
    double now = 1000.0;

    static void send(sending::Machine& m, online::HttpRequest req, void* self) {
        auto* s = static_cast<ScriptedServer*>(self);
        size_t at = req.url.find("/api/");
        std::string key = std::string(req.method) + " " +
                          (at == std::string::npos ? req.url : req.url.substr(at));
        s->asked.push_back(key);
        s->urls.push_back(req.url);
        Reply reply;
        auto it = s->replies.find(key);
        if (it != s->replies.end()) reply = it->second;
        online::HttpResponse r;
        r.transferred = reply.reached;
        if (reply.reached) {
            r.status = reply.status;
            r.body = reply.body;
            r.retryAfterSeconds = reply.retryAfter;
        } else {
            r.error = "the server cannot be reached";
        }
        if (s->deferred)
            s->pending = r;
        else
            m.answered(r, s->now);
    }

    // Steps the machine for `ms` of its clock, a frame at a time.
    void run(sending::Machine& m, double ms) {
        const sending::Transport t{send, this};
        for (double end = now + ms; now < end; now += 16.0) {
            if (pending) {
                online::HttpResponse r = *pending;
                pending.reset();
                m.answered(r, now);
            }
            if (deferred)
                m.step(now, t);
            else
                for (int i = 0; i < 50 && m.step(now, t); ++i) {
                }
        }
    }

    int count(const std::string& key) const {
        int n = 0;
        for (const std::string& a : asked)
            n += a == key;
        return n;
    }
};

// online.ini and the outbox in a folder of their own, the sender begun on
// them (the page's when `origin` is given); no thread runs.
struct Home {
    std::string config;
    std::string outbox;
    explicit Home(bool enabled, const char* origin = "") {
        std::string dir = harness::scratchDataDir(false);
        config = dir + "/online.ini";
        outbox = dir + "/outbox";
        std::ofstream(config) << "enabled = " << (enabled ? 1 : 0)
                              << "\nserver = http://127.0.0.1:9\nname = Ann\n";
        sending::begin(config, outbox, origin);
    }
    ~Home() { sending::end(); }
    size_t waiting() const { return online::waitingRuns(outbox).size(); }
    size_t refused() const { return online::refusedRuns(outbox).size(); }
};

online::Status status() {
    online::Status s;
    online::readStatus(s);
    return s;
}

const std::vector<uint8_t> kReplay = {'Q', 'V', 'R', 1, 2, 3};

ScriptedServer::Reply reply(long code, const std::string& body, long retryAfter = -1) {
    ScriptedServer::Reply r;
    r.status = code;
    r.body = body;
    r.retryAfter = retryAfter;
    return r;
}

TEST(SenderMachine, EachAnswerToASubmissionLeavesTheOutboxAndTheStatusRight) {
    const int mine = generationOf(kReplayVersion);
    const struct {
        const char* what;
        long code;
        const char* body;
        long retryAfter;
        bool reached;
        RunState run;
        const char* reason;
        size_t waiting;
        size_t refused;
        int posts; // in ten seconds
    } cases[] = {
        {"taken, then verified", 202, R"({"id":7,"status":"queued"})", -1, true, RunState::Verified,
         "", 0, 0, 1},
        {"busy: the server's Retry-After is kept", 503, "", 30, true, RunState::Saved, "", 1, 0, 1},
        {"away: tried again after 1, 2, 4 s", 0, "", -1, false, RunState::Saved, "", 1, 0, 4},
        {"refused: set aside with the reason", 400, R"({"reason":"not a replay"})", -1, true,
         RunState::Refused, "not a replay", 0, 1, 1},
        {"the name is taken: nothing more goes", 409, R"({"reason":"taken"})", -1, true,
         RunState::Refused, "the name Ann is taken: choose another", 1, 0, 1},
    };
    for (bool deferred : {false, true}) {
        for (const auto& c : cases) {
            SCOPED_TRACE(std::string(c.what) + (deferred ? " (answered later)" : " (at once)"));
            Home home(true);
            sending::Machine machine(sending::shared());
            ScriptedServer server;
            server.deferred = deferred;
            auto submit = reply(c.code, c.body, c.retryAfter);
            submit.reached = c.reached;
            server.replies["POST /api/v1/runs"] = submit;
            server.replies["GET /api/v1/runs/7"] =
                reply(200, R"({"status":"verified","rank":3,"spawn_acceleration":0.25})");
            server.replies["GET /api/v1/players/Ann"] =
                reply(200, R"({"best":[{"board":"00ff-0.25-g)" + std::to_string(mine) +
                               R"(","generation":)" + std::to_string(mine) + R"(,"rank":3}]})");
            server.replies["GET /api/v1/daily"] = reply(
                200, R"({"date":"2026-12-10","seed":5,"generation":)" + std::to_string(mine) + "}");
            server.run(machine, 100);
            online::noteFinishedGame(kReplay, 0.25f);
            server.run(machine, 10000);
            online::Status s = status();
            EXPECT_EQ(s.run, c.run);
            EXPECT_STREQ(s.reason, c.reason);
            EXPECT_EQ(home.waiting(), c.waiting);
            EXPECT_EQ(home.refused(), c.refused);
            EXPECT_EQ(server.count("POST /api/v1/runs"), c.posts);
            EXPECT_EQ(s.daily, online::DailyState::Ready);
            EXPECT_EQ(s.dailySeed, 5u);
            if (c.run == RunState::Verified) {
                EXPECT_EQ(s.rank, 3);
                EXPECT_EQ(online::bestRankAt(s, 0.25f), 3);
            }
            EXPECT_EQ(s.nameTaken, c.code == 409);
        }
    }
}

TEST(SenderMachine, AnotherNameSendsWhatWaitedAndForgettingDropsTheToken) {
    for (bool deferred : {false, true}) {
        SCOPED_TRACE(deferred ? "answered later" : "at once");
        Home home(true);
        sending::Machine machine(sending::shared());
        ScriptedServer server;
        server.deferred = deferred;
        server.replies["POST /api/v1/runs"] = reply(409, R"({"reason":"taken"})");
        online::noteFinishedGame(kReplay, 0.25f);
        server.run(machine, 3000);
        EXPECT_TRUE(status().nameTaken);
        ASSERT_EQ(server.count("POST /api/v1/runs"), 1);

        server.replies["POST /api/v1/runs"] = reply(202, R"({"id":9,"status":"queued"})");
        std::string why;
        ASSERT_TRUE(online::setName("Bob", &why)) << why;
        server.run(machine, 1000);
        EXPECT_FALSE(status().nameTaken);
        EXPECT_EQ(server.count("POST /api/v1/runs"), 2);
        EXPECT_EQ(home.waiting(), 0u);

        server.replies["DELETE /api/v1/players/me"] = reply(200, R"({"deleted":"Bob","runs":1})");
        online::forgetMe();
        server.run(machine, 1000);
        online::Status s = status();
        EXPECT_FALSE(s.enabled);
        EXPECT_STREQ(s.reason, "Forgotten: the server forgot Bob and 1 runs");
        online::OnlineConfig c = online::loadConfig(home.config, &why);
        EXPECT_FALSE(c.enabled);
        EXPECT_TRUE(c.token.empty());
        // Off now: nothing more is asked.
        size_t asked = server.asked.size();
        online::noteFinishedGame(kReplay, 0.25f);
        server.run(machine, 5000);
        EXPECT_EQ(server.asked.size(), asked);
        online::forgetMe();
        server.run(machine, 100);
        EXPECT_STREQ(status().reason, "Forgotten: there was no token to forget");
    }
}

// The page holds the first lost game until Online is offered, and sends
// only to its own origin.
TEST(SenderMachine, ThePageHoldsTheFirstGameUntilTheOfferIsAnswered) {
    for (bool yes : {true, false}) {
        SCOPED_TRACE(yes ? "yes" : "no thanks");
        Home home(false, "http://page.example:8080");
        sending::Machine machine(sending::shared());
        ScriptedServer server;
        server.deferred = true;
        server.replies["POST /api/v1/runs"] = reply(202, R"({"id":7,"status":"queued"})");
        online::noteFinishedGame(kReplay, 0.25f);
        server.run(machine, 1000);
        EXPECT_TRUE(sending::shared().offer);
        EXPECT_EQ(home.waiting(), 0u);
        EXPECT_TRUE(server.asked.empty());
        std::string why;
        EXPECT_FALSE(online::setServer("http://elsewhere.example", &why));
        EXPECT_EQ(why, "the page sends only to http://page.example:8080");
        EXPECT_TRUE(online::setEnabled(yes, &why)) << why;
        EXPECT_FALSE(sending::shared().offer);
        server.run(machine, 2000);
        EXPECT_EQ(server.count("POST /api/v1/runs"), yes ? 1 : 0);
        for (const std::string& url : server.urls)
            EXPECT_EQ(url.rfind("/api/v1/", 0), 0u) << url;
        EXPECT_TRUE(online::loadConfig(home.config, &why).asked);
        // Asked once: the next loss is not held.
        online::setEnabled(false, &why);
        online::noteFinishedGame(kReplay, 0.25f);
        EXPECT_FALSE(sending::shared().offer);
    }
}

} // namespace
