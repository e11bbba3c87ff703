// Failure drills: the real game started on a broken data folder, with no
// audio device or no display. Each drill checks the boxes the readers show
// and then plays a scripted game with firing and moving; nothing may crash.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "app/input.h"
#include "app/settings.h"
#include "audio/sound_bank.h"
#include "draw/texture_bank.h"
#include "game/layers/particle_layer.h"
#include "game/monsters/monster_templates.h"
#include "game/monsters/monsters.h"
#include "game/projectiles/bullet_templates.h"
#include "game/projectiles/bullets.h"
#include "game/world/world.h"
#include "harness.h"
#include "platform/platform.h"
#include "session/session.h"

namespace fs = std::filesystem;

namespace {

const char* const kTextures[] = {
    "Textures/Cell.bmp",           "Textures/Marine.bmp",     "Textures/Zombie.bmp",
    "Textures/Mind.bmp",           "Textures/Blood.bmp",      "Textures/Tooth.bmp",
    "Textures/Zombie_Dead.bmp",    "Textures/Mind_Dead.bmp",  "Textures/Tooth_Dead.bmp",
    "Textures/Spot_Explosion.bmp", "Textures/Explosion.bmp",  "Textures/Bonus.bmp",
    "Textures/QuorvexLogo.bmp",    "Textures/MarineBlur.bmp", "Textures/MarineDead.bmp",
};

// A small window and a spawner that speeds up quickly: more monsters, hits
// and deaths in the few seconds a drill plays.
const char* const kDrillSettings = "0 640 480 32 0.1 1";

std::vector<uint8_t> readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeFile(const fs::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

void writeFile(const fs::path& path, const std::vector<uint8_t>& bytes) {
    writeFile(path, std::string(bytes.begin(), bytes.end()));
}

// A data folder copy to break, already set to the drill settings.
std::string drillDir() {
    std::string dir = harness::scratchDataDir();
    writeFile(fs::path(dir) / "Settings.ini", kDrillSettings);
    return dir;
}

// Deterministic noise that does not start like a bitmap ("BM") or a
// RIFF file, so every reader meets it as plain garbage.
std::vector<uint8_t> garbage(uint32_t seed, size_t size = 600) {
    std::vector<uint8_t> bytes(size);
    uint32_t state = seed * 2654435761u + 1;
    for (uint8_t& b : bytes) {
        state = state * 1103515245u + 12345u;
        b = static_cast<uint8_t>(state >> 16);
    }
    bytes[0] = 0xA5;
    return bytes;
}

bool clickAt(float x, float y) {
    harness::cursorArena(x, y);
    if (!harness::frame()) return false;
    harness::leftDown();
    harness::leftUp();
    return harness::frame();
}

// From the start-up menu into a new game, then `count` frames of play: the
// Marine walks a square (running half the time), aims around the arena,
// holds the fire button, changes weapon and throws the special attack.
::testing::AssertionResult playThrough(int count = 300) {
    if (!harness::frame()) return ::testing::AssertionFailure() << "quit before the menu";
    if (!session().input.menuShown) return ::testing::AssertionFailure() << "no menu at start-up";
    if (!clickAt(0.5f, -0.05f)) return ::testing::AssertionFailure() << "quit on New Game";
    if (session().input.menuShown)
        return ::testing::AssertionFailure() << "New Game did not start a game";

    const uint32_t walk[] = {'W', 'D', 'S', 'A'};
    harness::leftDown();
    for (int i = 0; i < count; ++i) {
        if (i % 40 == 0) {
            harness::keyUp(walk[(i / 40 + 3) % 4]);
            harness::keyDown(walk[(i / 40) % 4]);
            harness::key('1' + (i / 40) % 4);
        }
        if (i % 80 == 0) harness::keyDown(VkShift);
        if (i % 80 == 40) harness::keyUp(VkShift);
        if (i % 100 == 50) {
            harness::rightDown();
            harness::rightUp();
        }
        float angle = static_cast<float>(i) * 0.07f;
        harness::cursorArena(0.8f * std::cos(angle), 0.8f * std::sin(angle));
        if (!harness::frame(25)) return ::testing::AssertionFailure() << "quit at frame " << i;
    }
    harness::leftUp();
    for (uint32_t key : walk)
        harness::keyUp(key);
    harness::keyUp(VkShift);
    if (!harness::frames(5)) return ::testing::AssertionFailure() << "quit after play";
    return ::testing::AssertionSuccess();
}

std::vector<std::string> repeated(const std::string& box, int count) {
    return std::vector<std::string>(static_cast<size_t>(count), box);
}

} // namespace

// --- Missing data folders --------------------------------------------------

TEST(MissingData, TexturesFolderGivesOneBoxPerBitmapAndPlays) {
    std::string dir = drillDir();
    fs::remove_all(fs::path(dir) / "Textures");
    ASSERT_TRUE(harness::boot(dir.c_str()));
    std::vector<std::string> expected;
    for (const char* path : kTextures)
        expected.push_back(std::string("Error: Failed to open DIB file ") + path + ".\n");
    EXPECT_EQ(harness::boxes(), expected);
    EXPECT_TRUE(playThrough());
    harness::screenshot("failures_no_textures");
}

TEST(MissingData, SoundsFolderIsSilentAndPlays) {
    std::string dir = drillDir();
    fs::remove_all(fs::path(dir) / "Sounds");
    ASSERT_TRUE(harness::boot(dir.c_str()));
    EXPECT_TRUE(harness::boxes().empty());
    EXPECT_EQ(soundCount, 10); // every index keeps its slot
    EXPECT_TRUE(playThrough());
    EXPECT_GT(soundPlayCount[SoundPistolShot] + soundPlayCount[SoundAKShot], 0u);
}

TEST(MissingData, MonstersFolderGivesNineBoxesAndNoMonsters) {
    std::string dir = drillDir();
    fs::remove_all(fs::path(dir) / "Monsters");
    ASSERT_TRUE(harness::boot(dir.c_str()));
    EXPECT_EQ(harness::boxes(), repeated("Error: File not found", 9));
    EXPECT_EQ(templateCount, 0);
    EXPECT_TRUE(playThrough());
    EXPECT_EQ(world().monsterCount, 0);
}

TEST(MissingData, BulletsFolderGivesSixBoxesAndNoBullets) {
    std::string dir = drillDir();
    fs::remove_all(fs::path(dir) / "Bullets");
    ASSERT_TRUE(harness::boot(dir.c_str()));
    EXPECT_EQ(harness::boxes(), repeated("Error: File not found", 6));
    EXPECT_EQ(bulletTemplateCount, 0);
    EXPECT_TRUE(playThrough());
    EXPECT_EQ(world().bulletCount, 0);
    // The weapons still fire: sound without bullets.
    EXPECT_GT(soundPlayCount[SoundPistolShot] + soundPlayCount[SoundAKShot], 0u);
}

TEST(MissingData, ParticlesFolderIsSilentAndPlays) {
    std::string dir = drillDir();
    fs::remove_all(fs::path(dir) / "Particles");
    ASSERT_TRUE(harness::boot(dir.c_str()));
    EXPECT_TRUE(harness::boxes().empty());
    EXPECT_EQ(particleTemplates.count, 0);
    EXPECT_TRUE(playThrough());
    EXPECT_EQ(world().particleLayer.count, 0);
}

TEST(MissingData, SettingsFileGivesItsBoxAndTheDefaultScreen) {
    std::string dir = drillDir();
    fs::remove(fs::path(dir) / "Settings.ini");
    ASSERT_TRUE(harness::boot(dir.c_str()));
    EXPECT_EQ(harness::boxes(), std::vector<std::string>{"File not found!: Settings.ini"});
    EXPECT_EQ(world().screenWidth, 1024);
    EXPECT_EQ(world().screenHeight, 768);
    EXPECT_TRUE(playThrough(100));
}

// --- Damaged files -----------------------------------------------------------

enum class Damage { Empty, Truncated, Garbage };

struct BadFileCase {
    const char* kind;
    const char* folder;
    Damage damage;
};

std::string caseName(const ::testing::TestParamInfo<BadFileCase>& info) {
    const char* damage[] = {"Empty", "Truncated", "Garbage"};
    return std::string(info.param.kind) + damage[static_cast<int>(info.param.damage)];
}

// Breaks every file of one kind the same way.
void damageFolder(const fs::path& folder, Damage damage) {
    uint32_t seed = 1;
    for (const auto& entry : fs::directory_iterator(folder)) {
        std::vector<uint8_t> bytes = readFile(entry.path());
        switch (damage) {
        case Damage::Empty:
            bytes.clear();
            break;
        case Damage::Truncated:
            bytes.resize(bytes.size() / 2);
            break;
        case Damage::Garbage:
            bytes = garbage(seed++);
            break;
        }
        writeFile(entry.path(), bytes);
    }
}

class BadFiles : public ::testing::TestWithParam<BadFileCase> {};

TEST_P(BadFiles, ReportedAsTheReaderSaysAndTheGamePlays) {
    const BadFileCase& c = GetParam();
    std::string dir = drillDir();
    damageFolder(fs::path(dir) / c.folder, c.damage);
    ASSERT_TRUE(harness::boot(dir.c_str()));
    std::vector<std::string> shown = harness::boxes();
    std::string folder = c.folder;

    if (folder == "Textures") {
        // One "Error" box per bitmap, naming what is wrong with it.
        const char* text = c.damage == Damage::Truncated ? "Error: Image file conversion error."
                                                         : "Error: Unknown DIB file format.";
        EXPECT_EQ(shown, repeated(text, 15));
        EXPECT_EQ(textureBank.entryCount(), 16); // each still has its entry
    } else if (folder == "Monsters" || folder == "Bullets") {
        // Each rejected file gets an "Error" box that names it; none loads.
        size_t files = folder == "Monsters" ? 9 : 6;
        ASSERT_EQ(shown.size(), files);
        for (const std::string& box : shown) {
            EXPECT_EQ(box.rfind("Error: ", 0), 0u) << box;
            EXPECT_NE(box.find(folder + "/"), std::string::npos) << box;
        }
        EXPECT_EQ(folder == "Monsters" ? templateCount : bulletTemplateCount, 0);
    } else {
        // Sounds and particles are passed over silently.
        EXPECT_TRUE(shown.empty());
        if (folder == "Particles") {
            EXPECT_EQ(particleTemplates.count, 0);
        } else {
            EXPECT_EQ(soundCount, 10);
        }
    }
    EXPECT_TRUE(playThrough());
}

INSTANTIATE_TEST_SUITE_P(Drills, BadFiles,
                         ::testing::Values(BadFileCase{"Bitmap", "Textures", Damage::Empty},
                                           BadFileCase{"Bitmap", "Textures", Damage::Truncated},
                                           BadFileCase{"Bitmap", "Textures", Damage::Garbage},
                                           BadFileCase{"Wav", "Sounds", Damage::Empty},
                                           BadFileCase{"Wav", "Sounds", Damage::Truncated},
                                           BadFileCase{"Wav", "Sounds", Damage::Garbage},
                                           BadFileCase{"Mst", "Monsters", Damage::Empty},
                                           BadFileCase{"Mst", "Monsters", Damage::Truncated},
                                           BadFileCase{"Mst", "Monsters", Damage::Garbage},
                                           BadFileCase{"Blt", "Bullets", Damage::Empty},
                                           BadFileCase{"Blt", "Bullets", Damage::Truncated},
                                           BadFileCase{"Blt", "Bullets", Damage::Garbage},
                                           BadFileCase{"Prt", "Particles", Damage::Empty},
                                           BadFileCase{"Prt", "Particles", Damage::Truncated},
                                           BadFileCase{"Prt", "Particles", Damage::Garbage}),
                         caseName);

// --- Settings ------------------------------------------------------------------

struct SettingsCase {
    const char* name;
    std::string text;
};

class BadSettings : public ::testing::TestWithParam<SettingsCase> {};

TEST_P(BadSettings, OneScreenModeBoxAndTheDefaultScreen) {
    std::string dir = drillDir();
    writeFile(fs::path(dir) / "Settings.ini", GetParam().text);
    ASSERT_TRUE(harness::boot(dir.c_str()));
    EXPECT_EQ(harness::boxes(), std::vector<std::string>{"Settings.ini: Error screen mode"});
    EXPECT_EQ(world().screenWidth, 1024);
    EXPECT_EQ(world().screenHeight, 768);
    EXPECT_EQ(harness::width(), 1024);
    EXPECT_TRUE(playThrough(100));
}

INSTANTIATE_TEST_SUITE_P(
    Drills, BadSettings,
    ::testing::Values(SettingsCase{"Empty", ""}, SettingsCase{"Short", "0 1024"},
                      SettingsCase{"BadWidth", "0 1280 1024 32 0.1 1"},
                      SettingsCase{"OctalWidth", "0 0640 480 32 0.1 1"},
                      SettingsCase{"NoHeight", "0 800 0 32 0.1 1"},
                      SettingsCase{"Garbage", std::string("\xa5\x01zz 7 \xff\xfe", 8)}),
    [](const ::testing::TestParamInfo<SettingsCase>& info) { return info.param.name; });

TEST(BadSettingsValues, NonFiniteAccelerationKeepsTheSpawnerUsable) {
    std::string dir = drillDir();
    writeFile(fs::path(dir) / "Settings.ini", "0 640 480 32 nan 1");
    ASSERT_TRUE(harness::boot(dir.c_str()));
    EXPECT_TRUE(harness::boxes().empty());
    EXPECT_EQ(world().spawnAcceleration, 0.0f);
    EXPECT_TRUE(playThrough(200));
    EXPECT_GT(world().monsterCount, 0);
}

// --- Files that read but hold hostile numbers ----------------------------------

// Every template parses, but with values no designer would write: zero and
// negative spreads, zero damping, life that grows, enormous speeds, monsters
// of negative size that strike every millisecond, unknown textures.
TEST(HostileValues, TemplatesWithExtremeNumbersPlayWithoutFaults) {
    std::string dir = drillDir();
    fs::path root = dir;
    const char* monsters[] = {"ZombieSmall", "ZombieMedium", "ZombieLarge",
                              "ToothSmall",  "ToothMedium",  "ToothLarge",
                              "MindSmall",   "MindMedium",   "MindLarge"};
    const char* monsterValues[] = {"0x7fffffff 1e30 1e-30 0.05 0.0002 0",
                                   "-2147483648 -5 1 -0.05 0.0003 1",
                                   "0 0 0 0 0 0",
                                   "10 5 1e38 0.3 1e30 -1",
                                   "10 5 20 2.0 0.0001 100",
                                   "-1 3.4e38 3.4e38 1e-3 -0.001 0.5",
                                   "077 1 1 0.0 0.0002 1e30",
                                   "0x10 5 -1 0.01 0.0002 300",
                                   "1 5 20 0.00001 -1e30 300"};
    for (int i = 0; i < 9; ++i) {
        std::string name = std::string("Monster") + monsters[i];
        writeFile(root / "Monsters" / (name + ".mst"),
                  name + "\n" + monsterValues[i] + "\nTextures/Nowhere.bmp\n");
    }
    writeFile(root / "Bullets/BulletPistol.blt", "BulletPistol 1 1 0 1e30 1e30");
    writeFile(root / "Bullets/BulletAK.blt", "BulletAK 0 0 -7 -5 -0.01");
    writeFile(root / "Bullets/BulletShotGun.blt", "BulletShotGun -1 -1 0x7fffffff 3.4e38 0");
    writeFile(root / "Bullets/BulletGrenadeGun.blt", "BulletGrenadeGun 1 1 -2147483648 0 1e-30");
    writeFile(root / "Bullets/BulletGrenadeGunExplosion.blt",
              "BulletGrenadeGunExplosion 1 1 360 1e38 0.5");
    writeFile(root / "Bullets/BulletCirclePlayer.blt", "BulletCirclePlayer 1 0 1 -1e38 0.001");
    writeFile(root / "Particles/ParticlePistol.prt", "ParticlePistol 0 1 -0.001 0.001 0 1 1 1");
    writeFile(root / "Particles/ParticleSparkRocket.prt",
              "ParticleSparkRocket -2147483648 1e38 0 1e38 1e-38 5 -5 0.5");
    writeFile(root / "Particles/ParticleShot.prt", "ParticleShot 0x7fffffff 1 0.001 -1 -1 1 1 1");

    ASSERT_TRUE(harness::boot(dir.c_str()));
    EXPECT_TRUE(harness::boxes().empty());
    EXPECT_EQ(templateCount, 9);
    EXPECT_EQ(bulletTemplateCount, 6);
    EXPECT_EQ(particleTemplates.count, 3);
    EXPECT_TRUE(playThrough(400));
    EXPECT_LE(world().particleLayer.count, ParticleLayer::kCapacity);
    EXPECT_LE(world().monsterCount, kMaxMonsters);
    harness::screenshot("failures_hostile_values");
}

// A number that reads but is not finite makes a monster that never dies
// ("nan" health) or is never anywhere ("1e39" overflows to infinity): the
// file is refused like any malformed one.
TEST(HostileValues, MonsterFileWithNonFiniteNumberIsRefused) {
    platform::test::enable();
    std::string dir = harness::scratchDataDir(false);
    const char* values[] = {"4 nan 0.04 0.0003 350", "4 25 0.04 1e39 350",
                            "-inf 25 0.04 0.0003 350"};
    for (const char* numbers : values) {
        std::string path = dir + "/MonsterToothSmall.mst";
        writeFile(path, std::string("MonsterToothSmall 10 ") + numbers + " Textures/Tooth.bmp");
        platform::test::clearBoxes();
        templateCount = 0;
        loadMonsterTemplate(path.c_str());
        EXPECT_EQ(templateCount, 0) << numbers;
        EXPECT_EQ(harness::boxes(), std::vector<std::string>{"Error: Bad monster file: " + path})
            << numbers;
    }
}

// --- No audio device -------------------------------------------------------------

// Runs in a child process (OpenAL reads its driver list once per process);
// see NoAudioDevice.GameRunsSilent.
TEST(NoAudioDevice, DISABLED_InChild) {
    ASSERT_TRUE(harness::boot(drillDir().c_str()));
    EXPECT_FALSE(audioOpen());
    EXPECT_TRUE(harness::boxes().empty());
    EXPECT_TRUE(playThrough(200));
    EXPECT_GT(soundPlayCount[SoundPistolShot], 0u); // the plays were asked for, silently
}

struct ChildResult {
    bool finished = false;
    int status = 0;
    std::string output;
};

// Runs argv with extra environment changes and kills it after `seconds`.
// Collects its standard error, and its standard output too unless
// `errorOnly` (which sends that to /dev/null).
ChildResult runChild(const std::vector<std::string>& argv, const std::vector<std::string>& unset,
                     const std::vector<std::pair<std::string, std::string>>& set,
                     const std::string& workDir, int seconds, bool errorOnly = false) {
    ChildResult result;
    int pipeFds[2];
    if (pipe(pipeFds) != 0) return result;
    pid_t pid = fork();
    if (pid == 0) {
        if (errorOnly) {
            int null = open("/dev/null", O_WRONLY);
            dup2(null, 1);
        } else {
            dup2(pipeFds[1], 1);
        }
        dup2(pipeFds[1], 2);
        close(pipeFds[0]);
        close(pipeFds[1]);
        for (const std::string& name : unset)
            unsetenv(name.c_str());
        for (const auto& [name, value] : set)
            setenv(name.c_str(), value.c_str(), 1);
        if (!workDir.empty() && chdir(workDir.c_str()) != 0) _exit(126);
        std::vector<char*> args;
        for (const std::string& a : argv)
            args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        execv(args[0], args.data());
        _exit(127);
    }
    close(pipeFds[1]);
    // Read on a thread so a chatty child never blocks on a full pipe.
    std::thread reader([&] {
        char buffer[4096];
        ssize_t got;
        while ((got = read(pipeFds[0], buffer, sizeof(buffer))) > 0)
            result.output.append(buffer, got);
    });
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    int status = 0;
    while (waitpid(pid, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            reader.join();
            close(pipeFds[0]);
            return result;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    reader.join();
    close(pipeFds[0]);
    result.finished = true;
    result.status = status;
    return result;
}

TEST(NoAudioDevice, GameRunsSilent) {
    ChildResult child = runChild({"/proc/self/exe", "--gtest_filter=NoAudioDevice.DISABLED_InChild",
                                  "--gtest_also_run_disabled_tests"},
                                 {}, {{"ALSOFT_DRIVERS", "nonexistent"}}, "", 120);
    ASSERT_TRUE(child.finished) << child.output;
    EXPECT_TRUE(WIFEXITED(child.status)) << child.output;
    EXPECT_EQ(WEXITSTATUS(child.status), 0) << child.output;
    EXPECT_NE(child.output.find("[  PASSED  ] 1 test"), std::string::npos) << child.output;
}

// --- No display --------------------------------------------------------------------

TEST(NoDisplay, ProgramExitsWithAMessage) {
    std::string program = QUORVEX_BINARY_DIR "/quorvex";
    if (!fs::exists(program)) GTEST_SKIP() << "the quorvex program is not built";
    std::string dir = harness::scratchDataDir();
    auto started = std::chrono::steady_clock::now();
    ChildResult child =
        runChild({program}, {"SDL_VIDEODRIVER", "DISPLAY", "WAYLAND_DISPLAY"}, {}, dir, 20, true);
    double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    ASSERT_TRUE(child.finished) << "still running after 20 s\n" << child.output;
    EXPECT_LT(seconds, 10.0);
    ASSERT_TRUE(WIFEXITED(child.status)) << "ended by signal " << WTERMSIG(child.status) << "\n"
                                         << child.output;
    EXPECT_NE(WEXITSTATUS(child.status), 0);
    // Said on standard error, not just a status.
    EXPECT_NE(child.output.find("No display could be opened"), std::string::npos) << child.output;
}
