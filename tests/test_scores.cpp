// The high-score table: its order, its file, and the disk behind it (safe
// writes, damaged files, two copies of the game, folders that refuse).
#include "app/frame.h"
#include "draw/draw_list.h"
#include "game/scores/score_table.h"
#include "harness.h"
#include "platform/user_files.h"
#include "render/gl_backend.h"
#include "saving/score_store.h"
#include "saving/score_text.h"
#include "ui/score_view.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <thread>

namespace fs = std::filesystem;

namespace {

ScoreEntry entry(uint32_t score, float time = 60.0f, int64_t end = 1700000000, int kills = 1) {
    ScoreEntry e;
    e.score = score;
    e.gameTime = time;
    e.endTime = end;
    e.kills = kills;
    return e;
}

std::string readText(const fs::path& path) {
    std::ifstream in(path);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

ScoreTable tableOnDisk(const fs::path& path) {
    std::string text = readText(path);
    ScoreTable table;
    std::string why;
    EXPECT_TRUE(parseScores(text.data(), text.size(), table, &why)) << why;
    return table;
}

int countNamed(const fs::path& dir, const std::string& prefix) {
    int n = 0;
    for (const auto& f : fs::directory_iterator(dir))
        if (f.path().filename().string().rfind(prefix, 0) == 0) ++n;
    return n;
}

// A scratch XDG_DATA_HOME for each test; the environment comes back after.
class ScoreStore : public ::testing::Test {
  protected:
    void SetUp() override {
        for (const char* name : {"HOME", "XDG_DATA_HOME", "XDG_CONFIG_HOME"}) {
            const char* v = std::getenv(name);
            saved.emplace_back(name, v ? std::optional<std::string>(v) : std::nullopt);
        }
        char pattern[] = "/tmp/quorvex-scores-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        root = pattern;
        setenv("XDG_DATA_HOME", (root / "data").c_str(), 1);
        folder = root / "data" / "quorvex";
        platform::test::failBeforeRename(false);
        resetScoreStore();
    }
    void TearDown() override {
        platform::test::failBeforeRename(false);
        resetScoreStore();
        for (auto& [name, value] : saved)
            value ? setenv(name, value->c_str(), 1) : unsetenv(name);
        std::error_code ec;
        fs::remove_all(root, ec);
    }
    std::vector<std::pair<const char*, std::optional<std::string>>> saved;
    fs::path root;
    fs::path folder;
};

using UserFiles = ScoreStore;

} // namespace

TEST(ScoreTable, OrderingTiesAndTheTenEntryLimit) {
    struct Step {
        uint32_t score;
        float time;
        int64_t end;
        int rank;
    };
    struct Case {
        const char* name;
        std::vector<Step> steps;
        std::vector<uint32_t> order; // scores, best first
        std::vector<int64_t> ends;   // end times, best first (empty: not checked)
    };
    std::vector<Step> ten;
    for (uint32_t s = 100; s >= 10; s -= 10)
        ten.push_back({s, 60.0f, 1000, static_cast<int>(ten.size())});
    std::vector<Step> full = ten;
    full.push_back({5, 60.0f, 1000, -1});
    full.push_back({55, 60.0f, 1000, 5});
    full.push_back({100, 60.0f, 999, 0});
    const Case cases[] = {
        {"higher score first",
         {{100, 1, 1, 0}, {300, 1, 2, 0}, {200, 1, 3, 1}},
         {300, 200, 100},
         {}},
        {"tie: longer game first",
         {{500, 60, 1, 0}, {500, 90, 2, 0}, {500, 30, 3, 2}},
         {500, 500, 500},
         {2, 1, 3}},
        {"tie: earlier end first",
         {{500, 90, 2000, 0}, {500, 90, 3000, 1}, {500, 90, 1000, 0}},
         {500, 500, 500},
         {1000, 2000, 3000}},
        {"ten kept, the worst falls off",
         full,
         {100, 100, 90, 80, 70, 60, 55, 50, 40, 30},
         {999, 1000}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScoreTable table;
        for (const Step& s : c.steps)
            EXPECT_EQ(insertScore(table, entry(s.score, s.time, s.end)), s.rank) << s.score;
        ASSERT_EQ(table.count, static_cast<int>(c.order.size()));
        for (int i = 0; i < table.count; ++i) {
            EXPECT_EQ(table.entries[i].score, c.order[i]) << i;
            if (i < static_cast<int>(c.ends.size())) {
                EXPECT_EQ(table.entries[i].endTime, c.ends[i]);
            }
        }
        // What is written reads back the same, and merging it changes nothing.
        std::string text = formatScores(table);
        ScoreTable back;
        std::string why;
        ASSERT_TRUE(parseScores(text.data(), text.size(), back, &why)) << why;
        mergeScores(back, table);
        EXPECT_EQ(formatScores(back), text);
    }
}

TEST(ScoreTable, FileFormatAndMerge) {
    ScoreTable a;
    ScoreEntry best = entry(12345, 205.456f, 1714564800, 42);
    setReplayName(best, "game-20240501T120000Z.qvr");
    insertScore(a, best);
    insertScore(a, entry(7, 1.0f, 0, 0));
    EXPECT_EQ(formatScores(a),
              "quorvex-scores 2\n"
              "12345\t205.46\t42\t2024-05-01T12:00:00Z\tgame-20240501T120000Z.qvr\t0.003\n"
              "7\t1.00\t0\t1970-01-01T00:00:00Z\t-\t0.003\n");
    ScoreTable b;
    insertScore(b, entry(7, 1.0f, 0, 0));
    insertScore(b, entry(9000));
    mergeScores(a, b);
    ASSERT_EQ(a.count, 3);
    EXPECT_EQ(a.entries[1].score, 9000u);
    EXPECT_EQ(a.entries[2].score, 7u);
}

TEST(ScoreTable, ParseRefusesDamagedFiles) {
    const std::string row = "10\t1.00\t0\t2024-01-01T00:00:00Z\t-\n";
    std::string eleven = "quorvex-scores 1\n";
    for (int i = 0; i < 11; ++i)
        eleven += row;
    struct Case {
        const char* name;
        std::string text;
    };
    const Case cases[] = {
        {"empty", ""},
        {"garbage", "\x7f"
                    "ELF\x02\x01\x01 and so on"},
        {"unknown version", "quorvex-scores 3\n" + row},
        {"five fields in version 2", "quorvex-scores 2\n" + row},
        {"difficulty not a number",
         "quorvex-scores 2\n10\t1.00\t0\t2024-01-01T00:00:00Z\t-\tfast\n"},
        {"negative score", "quorvex-scores 1\n-10\t1.00\t0\t2024-01-01T00:00:00Z\t-\n"},
        {"score too big", "quorvex-scores 1\n4294967296\t1.00\t0\t2024-01-01T00:00:00Z\t-\n"},
        {"negative kills", "quorvex-scores 1\n10\t1.00\t-1\t2024-01-01T00:00:00Z\t-\n"},
        {"time not two decimals", "quorvex-scores 1\n10\t1.5\t0\t2024-01-01T00:00:00Z\t-\n"},
        {"time too long", "quorvex-scores 1\n10\t99999999.00\t0\t2024-01-01T00:00:00Z\t-\n"},
        {"month 13", "quorvex-scores 1\n10\t1.00\t0\t2024-13-01T00:00:00Z\t-\n"},
        {"local time", "quorvex-scores 1\n10\t1.00\t0\t2024-01-01T00:00:00+01\t-\n"},
        {"replay outside the folder",
         "quorvex-scores 1\n10\t1.00\t0\t2024-01-01T00:00:00Z\t../x\n"},
        {"four fields", "quorvex-scores 1\n10\t1.00\t0\t2024-01-01T00:00:00Z\n"},
        {"six fields", "quorvex-scores 1\n10\t1.00\t0\t2024-01-01T00:00:00Z\t-\t-\n"},
        {"blank line", "quorvex-scores 1\n\n" + row},
        {"eleven entries", eleven},
        {"over-long line",
         "quorvex-scores 1\n10\t1.00\t0\t2024-01-01T00:00:00Z\t" + std::string(300, 'a') + "\n"},
        {"over-long file", "quorvex-scores 1\n" + std::string(5000, '\n')},
    };
    for (const Case& c : cases) {
        ScoreTable table;
        insertScore(table, entry(1));
        std::string why;
        EXPECT_FALSE(parseScores(c.text.data(), c.text.size(), table, &why)) << c.name;
        EXPECT_FALSE(why.empty()) << c.name;
        EXPECT_EQ(table.count, 0) << c.name;
    }
    std::string good = "quorvex-scores 1\n" + row;
    ScoreTable table;
    EXPECT_TRUE(parseScores(good.data(), good.size(), table, nullptr));
    EXPECT_EQ(table.count, 1);
}

TEST_F(UserFiles, FoldersFollowXdgThenHome) {
    struct Case {
        const char* home;
        const char* data;
        const char* config;
        std::string wantData, wantConfig;
    };
    const Case cases[] = {
        {"/home/p", "/x/data", "/x/conf/", "/x/data/quorvex", "/x/conf/quorvex"},
        {"/home/p", "relative", "", "/home/p/.local/share/quorvex", "/home/p/.config/quorvex"},
        {"/home/p", nullptr, nullptr, "/home/p/.local/share/quorvex", "/home/p/.config/quorvex"},
        {nullptr, nullptr, nullptr, "", ""},
        {"", "", "", "", ""},
    };
    for (const Case& c : cases) {
        auto set = [](const char* name, const char* v) { v ? setenv(name, v, 1) : unsetenv(name); };
        set("HOME", c.home);
        set("XDG_DATA_HOME", c.data);
        set("XDG_CONFIG_HOME", c.config);
        EXPECT_EQ(platform::userDataDir(), c.wantData);
        EXPECT_EQ(platform::userConfigDir(), c.wantConfig);
    }
}

TEST_F(UserFiles, TimestampsRoundTripAndParseStrictly) {
    for (int64_t t : {int64_t{0}, int64_t{951782400}, int64_t{1714564800}, int64_t{4102444799}}) {
        std::string text = platform::utcTimestamp(t);
        int64_t back = -1;
        EXPECT_TRUE(platform::parseUtcTimestamp(text.data(), text.size(), back)) << text;
        EXPECT_EQ(back, t) << text;
    }
    EXPECT_EQ(platform::utcTimestamp(951868799), "2000-02-29T23:59:59Z");
    int64_t t = 0;
    for (const char* bad : {"2001-02-29T00:00:00Z", "2024-01-01T24:00:00Z", "2024-01-01 00:00:00Z",
                            "2024-1-01T00:00:00Z", "2024-01-01T00:00:00"})
        EXPECT_FALSE(platform::parseUtcTimestamp(bad, std::strlen(bad), t)) << bad;
}

TEST_F(ScoreStore, SavesUnderXdgDataHomeInAPrivateFolder) {
    loadScoreTable();
    EXPECT_EQ(scoresFolder(), folder.string());
    std::vector<char> replay(100, 'r');
    EXPECT_EQ(recordFinishedGame(entry(50), replay.data(), replay.size()), 0);
    EXPECT_EQ(recordFinishedGame(entry(80), replay.data(), replay.size()), 0);
    EXPECT_EQ(newestScoreIndex(), 0);
    ScoreTable disk = tableOnDisk(folder / "scores.txt");
    ASSERT_EQ(disk.count, 2);
    EXPECT_EQ(disk.entries[0].score, 80u);
    EXPECT_EQ(fs::status(folder).permissions() & fs::perms::all, fs::perms::owner_all);
    EXPECT_TRUE(fs::exists(folder / "replays" / "last.qvr"));
    EXPECT_EQ(std::string(bestReplayPath()),
              (folder / "replays" / disk.entries[0].replay).string());
    EXPECT_TRUE(fs::exists(bestReplayPath()));

    // The store removes only its own replays that dropped out of the table and
    // its own leftovers; the player's copies and other files stay.
    std::ofstream(folder / "replays" / "notes.txt") << "mine";
    for (const char* kept : {"my-best-run.qvr", "game-best.qvr", "game-20240501T120000Z-x.qvr",
                             "my-best-run.qvr.tmp-abcdef"})
        std::ofstream(folder / "replays" / kept) << "mine";
    std::ofstream(folder / "replays" / "last.qvr.tmp-Ab3dEf") << "interrupted";
    for (uint32_t s = 100; s <= 1000; s += 100)
        recordFinishedGame(entry(s, 60.0f, 1700000000 + s), replay.data(), replay.size());
    EXPECT_EQ(scoreTable().count, 10);
    int replays = 0;
    for (const auto& f : fs::directory_iterator(folder / "replays"))
        replays += f.path().extension() == ".qvr" ? 1 : 0;
    EXPECT_EQ(replays, 11 + 3);
    EXPECT_TRUE(fs::exists(folder / "replays" / "notes.txt"));
    EXPECT_TRUE(fs::exists(folder / "replays" / "my-best-run.qvr"));
    EXPECT_TRUE(fs::exists(folder / "replays" / "my-best-run.qvr.tmp-abcdef"));
    EXPECT_FALSE(fs::exists(folder / "replays" / "last.qvr.tmp-Ab3dEf"));

    char* text = nullptr;
    size_t size = 0;
    std::FILE* out = open_memstream(&text, &size);
    printScores(out);
    std::fclose(out);
    EXPECT_NE(std::string(text).find("1000"), std::string::npos) << text;
    std::free(text);
}

TEST_F(ScoreStore, CrashBetweenWriteAndRenameLeavesTheOldTable) {
    loadScoreTable();
    recordFinishedGame(entry(100));
    std::string before = readText(folder / "scores.txt");

    platform::test::failBeforeRename(true);
    testing::internal::CaptureStderr();
    EXPECT_EQ(recordFinishedGame(entry(200)), 0);
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(readText(folder / "scores.txt"), before);
    EXPECT_EQ(countNamed(folder, "scores.txt.tmp-"), 1);
    EXPECT_EQ(scoreTable().count, 2); // still shown this session

    // The next save holds both games and clears the leftover.
    platform::test::failBeforeRename(false);
    recordFinishedGame(entry(300));
    EXPECT_EQ(tableOnDisk(folder / "scores.txt").count, 3);
    EXPECT_EQ(countNamed(folder, "scores.txt.tmp-"), 0);
}

TEST_F(ScoreStore, DamagedTableIsMovedAsideAndANewOneStarts) {
    fs::create_directories(folder);
    for (int round = 1; round <= 2; ++round) {
        std::ofstream(folder / "scores.txt") << "this is not a score table\n";
        resetScoreStore();
        testing::internal::CaptureStderr();
        loadScoreTable();
        std::string said = testing::internal::GetCapturedStderr();
        EXPECT_NE(said.find("scores.txt.bad-"), std::string::npos) << said;
        EXPECT_EQ(scoreTable().count, 0);
        // Never overwritten: a second damaged table gets a name of its own.
        EXPECT_EQ(countNamed(folder, "scores.txt.bad-"), round);
    }
    EXPECT_EQ(recordFinishedGame(entry(10)), 0);
    EXPECT_EQ(tableOnDisk(folder / "scores.txt").count, 1);
}

TEST_F(ScoreStore, TwoProcessesFinishingGamesAtOnceBothLand) {
    fs::create_directories(folder);
    const fs::path go = root / "go";
    pid_t children[2];
    for (int c = 0; c < 2; ++c) {
        children[c] = fork();
        ASSERT_GE(children[c], 0);
        if (children[c] == 0) {
            resetScoreStore();
            loadScoreTable();
            while (!fs::exists(go))
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            char replay[32] = "replay";
            for (int g = 0; g < 5; ++g)
                recordFinishedGame(entry(1000 + 10 * g + c, 60.0f, 1700000000 + 10 * g + c), replay,
                                   sizeof replay);
            _exit(0);
        }
    }
    std::ofstream(go) << "go";
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    for (pid_t child : children) {
        int status = 0;
        while (waitpid(child, &status, WNOHANG) == 0) {
            if (std::chrono::steady_clock::now() > deadline) {
                kill(child, SIGKILL);
                waitpid(child, &status, 0);
                FAIL() << "a child did not finish";
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    ScoreTable disk = tableOnDisk(folder / "scores.txt");
    ASSERT_EQ(disk.count, 10);
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(disk.entries[i].score, static_cast<uint32_t>(1041 - (i / 2) * 10 - i % 2));
        EXPECT_TRUE(fs::exists(folder / "replays" / disk.entries[i].replay)) << i;
    }
}

TEST_F(ScoreStore, FolderThatCannotBeWrittenCostsOneLine) {
    // A plain file where a folder should be stops root too.
    std::ofstream(root / "plain") << "x";
    setenv("XDG_DATA_HOME", (root / "plain" / "under").c_str(), 1);
    struct Case {
        const char* name;
        bool home;
    };
    for (const Case& c : {Case{"unwritable folder", true}, Case{"no home", false}}) {
        SCOPED_TRACE(c.name);
        if (!c.home) {
            unsetenv("XDG_DATA_HOME");
            unsetenv("HOME");
        }
        resetScoreStore();
        testing::internal::CaptureStderr();
        loadScoreTable();
        char replay[8] = "r";
        EXPECT_EQ(recordFinishedGame(entry(10), replay, sizeof replay), 0);
        EXPECT_EQ(recordFinishedGame(entry(20)), 0);
        std::string said = testing::internal::GetCapturedStderr();
        EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
        EXPECT_EQ(scoreTable().count, 2);
        EXPECT_STREQ(bestReplayPath(), "");
    }
}

namespace {

ScoreTable viewTable;
int viewHighlight = -1;
void (*captureFrame)() = nullptr;

void drawViewsThenCapture() {
    draw::clear();
    drawScoreTable(viewTable, viewHighlight);
    drawBestLine(viewTable);
    render::submitDrawList(drawList);
    captureFrame();
}

bool gold(const harness::Pixel& p) {
    return p.r > 200 && p.g > 150 && p.g < 240 && p.b < 120;
}
bool bright(const harness::Pixel& p) {
    return p.r > 180 && p.g > 180 && p.b > 180;
}

// Pixels in the arena rectangle that pass `test`.
int count(float left, float bottom, float right, float top, bool (*test)(const harness::Pixel&)) {
    int n = 0;
    for (float y = bottom; y < top; y += 0.004f)
        for (float x = left; x < right; x += 0.002f)
            n += test(harness::pixelArena(x, y)) ? 1 : 0;
    return n;
}

} // namespace

TEST(ScoreView, TheNewEntryIsGoldAndANewBestIsAnnounced) {
    ASSERT_TRUE(harness::boot());
    captureFrame = beforeSwap;
    beforeSwap = drawViewsThenCapture;
    for (uint32_t s = 10; s <= 30; s += 10)
        insertScore(viewTable, entry(s * 1000, 125.0f));
    // Row 3 (index 2) has its baseline at -0.19 - 3 * 0.05.
    const float row3 = -0.34f;
    struct Shot {
        int highlight;
        int goldInRow3, goldInBanner;
    } shots[3] = {{-1, 0, 0}, {2, 0, 0}, {0, 0, 0}};
    for (Shot& shot : shots) {
        viewHighlight = shot.highlight;
        ASSERT_TRUE(harness::frame(0));
        shot.goldInRow3 = count(-0.5f, row3, 0.5f, row3 + 0.03f, gold);
        shot.goldInBanner = count(-0.14f, -0.12f, 0.14f, -0.09f, gold);
    }
    harness::screenshot("score_table");
    int bestLine = count(-0.3f, -0.89f, 0.1f, -0.86f, bright);
    beforeSwap = captureFrame;

    EXPECT_GT(shots[1].goldInRow3, shots[0].goldInRow3 + 20);
    EXPECT_EQ(shots[1].goldInBanner, shots[0].goldInBanner);
    EXPECT_GT(shots[2].goldInBanner, shots[0].goldInBanner + 20);
    EXPECT_GT(bestLine, 20);
}

// The difficulty column: old files count as Normal, each difficulty keeps
// its own ten, and a view shows one difficulty's.
TEST(ScoreTable, DifficultyColumn) {
    const std::string v1 = "quorvex-scores 1\n20\t1.00\t0\t2024-01-01T00:00:00Z\t-\n";
    ScoreTable table;
    ASSERT_TRUE(parseScores(v1.data(), v1.size(), table, nullptr));
    ASSERT_EQ(table.count, 1);
    EXPECT_EQ(table.entries[0].spawnAcceleration, kNormalSpawnAcceleration);

    const std::string v2 = "quorvex-scores 2\n"
                           "30\t1.00\t0\t2024-01-01T00:00:00Z\t-\t0.006\n"
                           "20\t1.00\t0\t2024-01-01T00:00:00Z\t-\t0.0015\n";
    ASSERT_TRUE(parseScores(v2.data(), v2.size(), table, nullptr));
    EXPECT_EQ(table.entries[0].spawnAcceleration, 0.006f);
    EXPECT_EQ(table.entries[1].spawnAcceleration, 0.0015f);
    EXPECT_EQ(formatScores(table), v2);

    // Twelve hard games and one easy one: ten hard ones stay, and the easy
    // one with them.
    ScoreTable mixed;
    for (uint32_t s = 1; s <= 12; ++s) {
        ScoreEntry e = entry(100 + s);
        e.spawnAcceleration = 0.006f;
        insertScore(mixed, e);
    }
    ScoreEntry easy = entry(1);
    easy.spawnAcceleration = 0.0015f;
    int at = insertScore(mixed, easy);
    EXPECT_EQ(at, 10);
    EXPECT_EQ(mixed.count, 11);
    ScoreTable shown;
    int highlight = at;
    scoresAt(mixed, 0.0015f, shown, highlight);
    ASSERT_EQ(shown.count, 1);
    EXPECT_EQ(highlight, 0);
    highlight = at;
    scoresAt(mixed, 0.006f, shown, highlight);
    EXPECT_EQ(shown.count, 10);
    EXPECT_EQ(shown.entries[9].score, 103u);
    EXPECT_EQ(highlight, -1);
}
