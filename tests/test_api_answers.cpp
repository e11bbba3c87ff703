// The API's answers as both senders read them (the desktop's thread and the
// page's fetch): what stays in the outbox, what moves aside with the
// server's reason, and what waits.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "online/api.h"
#include "online/online_config.h"

namespace {

online::HttpResponse answer(long status, const std::string& body, long retryAfter = -1) {
    online::HttpResponse r;
    r.transferred = true;
    r.status = status;
    r.body = body;
    r.retryAfterSeconds = retryAfter;
    return r;
}

} // namespace

TEST(ApiAnswers, ASubmitIsTakenRefusedOrKeptAsTheServerSays) {
    using K = online::SubmitResult::Kind;
    struct Case {
        long status;
        const char* body;
        K kind;
        const char* reason;
    };
    const Case cases[] = {
        {202, R"({"id": 7, "status": "queued"})", K::Taken, ""},
        {200, R"({"id": 8, "status": "verified", "rank": 3})", K::Taken, ""},
        {202, "not json", K::Again, "the server's answer cannot be read"},
        {409, R"({"error": "name taken"})", K::NameTaken, "name taken"},
        {400, R"({"reason": "not a replay"})", K::Refused, "not a replay"},
        {413, "", K::Refused, "the server answered 413"},
        {415, R"({"error": "octet-stream only"})", K::Refused, "octet-stream only"},
        {422, R"({"reason": "other rules"})", K::Refused, "other rules"},
        {404, R"({"error": "no such route"})", K::Again, "the server answered 404"},
        {429, "", K::Again, "the server answered 429"},
        {503, "<html>", K::Again, "the server answered 503"},
    };
    for (const Case& c : cases) {
        online::SubmitResult r = online::readSubmit(answer(c.status, c.body, 12));
        EXPECT_EQ(r.kind, c.kind) << c.status << " " << c.body;
        EXPECT_EQ(r.reason, c.reason) << c.status;
        EXPECT_TRUE(r.reached);
        EXPECT_EQ(r.retryAfterSeconds, 12);
    }
    online::SubmitResult ok = online::readSubmit(answer(200, R"({"id": 8, "rank": 3})"));
    EXPECT_EQ(ok.id, 8);
    EXPECT_EQ(ok.rank, 3);

    // Nothing came back: a server that is down leaves the run waiting.
    online::HttpResponse down;
    down.error = "the server cannot be reached";
    EXPECT_EQ(online::readSubmit(down).kind, K::Again);
    EXPECT_FALSE(online::readSubmit(down).reached);
    down.error = "stopped";
    EXPECT_EQ(online::readSubmit(down).kind, K::Stopped);
}

TEST(ApiAnswers, RequestsNameTheirPathsFromTheServerOrTheRoot) {
    online::Account a{"", "Web Marine", "abc"};
    online::HttpRequest submit = online::submitRequest(a, "bytes");
    EXPECT_STREQ(submit.method, "POST");
    EXPECT_EQ(submit.url, "/api/v1/runs");
    EXPECT_EQ(submit.name, "Web Marine");
    EXPECT_EQ(submit.token, "abc");
    EXPECT_EQ(submit.body, "bytes");
    EXPECT_EQ(online::runInfoRequest("http://h:1", 42).url, "http://h:1/api/v1/runs/42");
    EXPECT_EQ(online::playerInfoRequest("", "Web Marine").url, "/api/v1/players/Web%20Marine");
    EXPECT_EQ(online::playerInfoRequest("", "J\xC3\xBCrg/1?").url,
              "/api/v1/players/J%C3%BCrg%2F1%3F");
    EXPECT_STREQ(online::forgetRequest(a).method, "DELETE");
    EXPECT_EQ(online::dailyRequest("").url, "/api/v1/daily");
}

TEST(ApiAnswers, RunsPlayersDaysAndForgettingAreReadOrSayWhyNot) {
    online::RunInfo run = online::readRunInfo(answer(
        200,
        R"({"status": "verified", "rank": 2, "board": "ab-0.04-g2", "spawn_acceleration": 0.04})"));
    EXPECT_TRUE(run.ok);
    EXPECT_EQ(run.rank, 2);
    EXPECT_FLOAT_EQ(run.spawnAcceleration, 0.04f);
    EXPECT_FALSE(online::readRunInfo(answer(200, "{}")).ok);
    EXPECT_EQ(online::readRunInfo(answer(404, R"({"error": "no such run"})")).error, "no such run");

    online::PlayerInfo player = online::readPlayerInfo(answer(
        200,
        R"({"best": [{"board": "a-1", "run": 3, "rank": 1}, {"board": "b-2", "generation": 2}]})"));
    ASSERT_TRUE(player.ok);
    ASSERT_EQ(player.best.size(), 2u);
    EXPECT_EQ(player.best[0].generation, 1); // older servers ranked generation 1 alone
    EXPECT_EQ(player.best[1].generation, 2);
    EXPECT_TRUE(online::readPlayerInfo(answer(404, "")).unknown);
    EXPECT_FALSE(online::readPlayerInfo(answer(200, R"({"best": 3})")).ok);

    online::DailyInfo day = online::readDailyAnswer(
        answer(200, R"({"date": "2026-12-09", "seed": 4000000000, "generation": 2})"));
    EXPECT_TRUE(day.ok);
    EXPECT_EQ(day.day, 20261209u);
    EXPECT_EQ(day.seed, 4000000000u);
    EXPECT_EQ(online::readDailyAnswer(answer(500, "")).error, "server answered 500");
    EXPECT_EQ(online::readDailyAnswer(answer(200, R"({"date": "2026-13-01", "seed": 1})")).error,
              "daily unreadable");

    std::string message;
    EXPECT_TRUE(online::readForget(answer(200, R"({"deleted": "Ann", "runs": 4})"), message));
    EXPECT_EQ(message, "the server forgot Ann and 4 runs");
    EXPECT_TRUE(online::readForget(answer(404, ""), message));
    EXPECT_FALSE(online::readForget(answer(401, R"({"error": "bad token"})"), message));
    EXPECT_EQ(message, "bad token");
}

TEST(ApiAnswers, TheOfferAnsweredIsKeptWithTheSettings) {
    std::string dir = ::testing::TempDir() + "quorvex-asked";
    std::filesystem::remove_all(dir);
    std::string path = dir + "/online.ini";
    std::string why;
    online::OnlineConfig c;
    ASSERT_TRUE(online::saveConfig(path, c, &why)) << why;
    EXPECT_FALSE(online::loadConfig(path, &why).asked);
    c.asked = true;
    c.name = "Web Marine";
    ASSERT_TRUE(online::saveConfig(path, c, &why)) << why;
    online::OnlineConfig back = online::loadConfig(path, &why);
    EXPECT_TRUE(back.asked);
    EXPECT_FALSE(back.enabled);
    EXPECT_EQ(back.name, "Web Marine");
    std::filesystem::remove_all(dir);
}
