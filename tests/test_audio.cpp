// The sound bank, heard through OpenAL Soft's loopback device: what is played
// must reach the mix, finished sources must go by the scan rule, and a game
// without a sound card must stay silent without failing.
#include <gtest/gtest.h>

#include <AL/al.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "audio/sound_bank.h"

namespace fs = std::filesystem;

namespace {

constexpr int kRate = 22050;

// A square wave as a PCM RIFF/WAVE file.
void writeWav(const std::string& path, int samples, int channels, int bits, int amplitude) {
    int bytesPerSample = bits / 8;
    uint32_t dataSize = static_cast<uint32_t>(samples * channels * bytesPerSample);
    std::vector<uint8_t> out;
    auto put = [&](uint32_t v, int bytes) {
        for (int i = 0; i < bytes; ++i)
            out.push_back(static_cast<uint8_t>(v >> (8 * i)));
    };
    auto tag = [&](const char* t) { out.insert(out.end(), t, t + 4); };
    tag("RIFF");
    put(36 + dataSize, 4);
    tag("WAVE");
    tag("fmt ");
    put(16, 4);
    put(1, 2); // PCM
    put(static_cast<uint32_t>(channels), 2);
    put(kRate, 4);
    put(static_cast<uint32_t>(kRate * channels * bytesPerSample), 4);
    put(static_cast<uint32_t>(channels * bytesPerSample), 2);
    put(static_cast<uint32_t>(bits), 2);
    tag("data");
    put(dataSize, 4);
    for (int i = 0; i < samples; ++i) {
        int value = (i / 25) % 2 ? amplitude : -amplitude;
        for (int c = 0; c < channels; ++c) {
            if (bits == 16)
                put(static_cast<uint16_t>(static_cast<int16_t>(value)), 2);
            else
                put(static_cast<uint8_t>(128 + value / 256), 1);
        }
    }
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(out.data()), static_cast<std::streamsize>(out.size()));
}

// The mixer dithers its 16-bit output, so silence is a sample or two.
constexpr int kQuiet = 8;

// Loudest sample of the next `frames` of the mix.
int peak(int frames) {
    std::vector<int16_t> mix(static_cast<size_t>(frames), 1234);
    renderAudio(mix.data(), frames);
    int loudest = 0;
    for (int16_t s : mix)
        loudest = std::max(loudest, std::abs(static_cast<int>(s)));
    return loudest;
}

class SoundBank : public ::testing::Test {
  protected:
    void SetUp() override {
        char pattern[] = "/tmp/quorvex-wav-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir = pattern;
        shortTone = dir + "/short.wav"; // 0.1 s
        longTone = dir + "/long.wav";   // 3 s
        writeWav(shortTone, kRate / 10, 1, 16, 8000);
        writeWav(longTone, kRate * 3, 1, 16, 8000);
        if (!openAudioLoopback(kRate)) GTEST_SKIP() << "no loopback device in this OpenAL";
    }
    void TearDown() override {
        closeAudio();
        std::error_code ec;
        fs::remove_all(dir, ec);
    }

    std::string dir, shortTone, longTone;
};

} // namespace

TEST_F(SoundBank, PlayedSoundReachesTheMix) {
    loadSound(shortTone.c_str());
    ASSERT_EQ(soundCount, 1);
    EXPECT_LE(peak(512), kQuiet);
    playSound(0);
    EXPECT_EQ(activeSourceCount, 1);
    EXPECT_EQ(soundPlayCount[0], 1u);
    EXPECT_GT(peak(1024), 2000);
}

TEST_F(SoundBank, EightBitStereoFilesPlayToo) {
    std::string path = dir + "/stereo8.wav";
    writeWav(path, kRate / 10, 2, 8, 8000);
    loadSound(path.c_str());
    playSound(0);
    EXPECT_GT(peak(1024), 1000);
}

TEST_F(SoundBank, TwoPlaysOfOneSoundOverlap) {
    loadSound(longTone.c_str());
    playSound(0);
    int single = peak(1024);
    clearSounds();
    ASSERT_GT(single, 2000);

    playSound(0);
    playSound(0);
    EXPECT_EQ(activeSourceCount, 2);
    EXPECT_NE(activeSources[0], activeSources[1]);
    EXPECT_GT(peak(1024), single * 18 / 10);
}

TEST_F(SoundBank, FinishedSourcesGoByTheScanRule) {
    loadSound(shortTone.c_str());
    loadSound(longTone.c_str());
    playSound(0);
    playSound(0);
    playSound(0);
    playSound(1);
    uint32_t first = activeSources[0], second = activeSources[1], third = activeSources[2],
             still = activeSources[3];
    reclaimSounds();
    EXPECT_EQ(activeSourceCount, 4) << "a playing source was reclaimed";

    peak(kRate / 5); // the short ones end
    reclaimSounds();
    ASSERT_EQ(activeSourceCount, 2);
    EXPECT_EQ(activeSources[0], second) << "the moved-in entry must wait for the next pass";
    EXPECT_EQ(activeSources[1], still);
    EXPECT_FALSE(alIsSource(first));
    EXPECT_FALSE(alIsSource(third));

    reclaimSounds();
    ASSERT_EQ(activeSourceCount, 1);
    EXPECT_EQ(activeSources[0], still);
    EXPECT_FALSE(alIsSource(second));
    EXPECT_GT(peak(256), 2000);
}

TEST_F(SoundBank, MissingFileKeepsItsIndexAndPlaysSilence) {
    std::string junk = dir + "/junk.wav";
    std::ofstream(junk) << "this is not a sound";
    loadSound((dir + "/missing.wav").c_str());
    loadSound(junk.c_str());
    loadSound(shortTone.c_str());
    ASSERT_EQ(soundCount, 3);

    playSound(0);
    playSound(1);
    EXPECT_EQ(activeSourceCount, 2);
    EXPECT_LE(peak(2048), kQuiet);
    reclaimSounds();
    reclaimSounds();
    EXPECT_EQ(activeSourceCount, 0);

    playSound(2); // the sound after them is where it belongs
    EXPECT_GT(peak(1024), 2000);
}

TEST_F(SoundBank, BadIndicesAndAFullListSkipThePlay) {
    loadSound(longTone.c_str());
    playSound(-1);
    playSound(1); // no sound loaded there
    playSound(kMaxSounds);
    playSound(1 << 30);
    EXPECT_EQ(activeSourceCount, 0);
    EXPECT_EQ(soundPlayCount[1], 1u);

    for (int i = 0; i < kMaxSources + 6; ++i)
        playSound(0);
    EXPECT_EQ(activeSourceCount, kMaxSources);
    EXPECT_EQ(soundPlayCount[0], static_cast<uint64_t>(kMaxSources + 6));
}

TEST_F(SoundBank, FullBankIgnoresFurtherLoads) {
    for (int i = 0; i < kMaxSounds; ++i)
        loadSound(shortTone.c_str());
    loadSound(longTone.c_str());
    EXPECT_EQ(soundCount, kMaxSounds);
}

TEST_F(SoundBank, NewGameStopsAndDeletesEverySource) {
    loadSound(longTone.c_str());
    playSound(0);
    playSound(0);
    uint32_t source = activeSources[0];
    ASSERT_GT(peak(256), 0);
    clearSounds();
    EXPECT_EQ(activeSourceCount, 0);
    EXPECT_FALSE(alIsSource(source));
    peak(256); // the mixer ramps a stopped voice down
    EXPECT_LE(peak(1024), kQuiet);
}

TEST_F(SoundBank, ClosedAudioIsSilentAndCanOpenAgain) {
    loadSound(longTone.c_str());
    playSound(0);
    closeAudio();
    EXPECT_FALSE(audioOpen());
    EXPECT_EQ(soundCount, 0);
    EXPECT_EQ(activeSourceCount, 0);

    // Everything is a harmless no-op now.
    loadSound(longTone.c_str());
    playSound(0);
    reclaimSounds();
    clearSounds();
    EXPECT_EQ(activeSourceCount, 0);
    EXPECT_EQ(peak(256), 0);

    closeAudio();
    ASSERT_TRUE(openAudioLoopback(kRate));
    loadSound(longTone.c_str());
    playSound(0);
    EXPECT_GT(peak(1024), 2000);
}

TEST(SoundBankWithoutDevice, NoDeviceRunsSilent) {
    // OpenAL reads its driver list once per process: the check runs in a
    // fresh one.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const char* old = std::getenv("ALSOFT_DRIVERS");
    std::string saved = old ? old : "";
    setenv("ALSOFT_DRIVERS", "no-such-driver", 1);
    EXPECT_EXIT(
        {
            openAudio();
            if (audioOpen()) std::exit(2);
            loadSound("Sounds/PistolShot.wav");
            loadSound("Sounds/AKShot.wav");
            if (soundCount != 2) std::exit(3);
            playSound(0);
            playSound(1);
            reclaimSounds();
            if (activeSourceCount != 0) std::exit(4);
            if (soundPlayCount[1] != 1) std::exit(5);
            clearSounds();
            closeAudio();
            openAudio();
            closeAudio();
            std::exit(0);
        },
        ::testing::ExitedWithCode(0), "");
    if (old)
        setenv("ALSOFT_DRIVERS", saved.c_str(), 1);
    else
        unsetenv("ALSOFT_DRIVERS");
}
