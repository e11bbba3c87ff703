// The game's own WAV reading (the page's, where no loader library exists)
// against freealut's on every shipped sound, and its refusals of broken files.
#include <gtest/gtest.h>

#include <AL/al.h>
#include <AL/alut.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "audio/wav_decode.h"

namespace {

std::vector<uint8_t> readAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

} // namespace

TEST(WavDecode, EveryShippedSoundDecodesAsFreealutReadsIt) {
    int checked = 0;
    for (const auto& entry :
         std::filesystem::directory_iterator(std::string(QUORVEX_DATA_DIR) + "/Sounds")) {
        if (entry.path().extension() != ".wav") continue;
        const std::string path = entry.path().string();
        std::vector<uint8_t> bytes = readAll(path);
        WavSamples ours;
        std::string why;
        ASSERT_TRUE(decodeWav(bytes.data(), bytes.size(), ours, why)) << path << ": " << why;

        ALenum format = 0;
        ALvoid* data = nullptr;
        ALsizei size = 0;
        ALsizei frequency = 0;
        ALboolean loop = AL_FALSE;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
        alutLoadWAVFile(reinterpret_cast<ALbyte*>(const_cast<char*>(path.c_str())), &format, &data,
                        &size, &frequency, &loop);
        ASSERT_NE(data, nullptr) << path;
        ALenum expected = ours.channels == 2
                              ? (ours.bitsPerSample == 16 ? AL_FORMAT_STEREO16 : AL_FORMAT_STEREO8)
                              : (ours.bitsPerSample == 16 ? AL_FORMAT_MONO16 : AL_FORMAT_MONO8);
        EXPECT_EQ(format, expected) << path;
        EXPECT_EQ(frequency, ours.sampleRate) << path;
        ASSERT_EQ(static_cast<size_t>(size), ours.data.size()) << path;
        EXPECT_EQ(std::memcmp(data, ours.data.data(), ours.data.size()), 0) << path;
        alutUnloadWAV(format, data, size, frequency);
#pragma GCC diagnostic pop
        ++checked;
    }
    EXPECT_GE(checked, 10);
}

TEST(WavDecode, BrokenFilesAreRefusedWithTheirReason) {
    std::vector<uint8_t> good = readAll(std::string(QUORVEX_DATA_DIR) + "/Sounds/PistolShot.wav");
    ASSERT_GT(good.size(), 44u);
    struct Case {
        const char* name;
        std::vector<uint8_t> bytes;
        const char* reason;
    };
    std::vector<uint8_t> notRiff = good;
    notRiff[0] = 'X';
    std::vector<uint8_t> floatSamples = good;
    // The fmt chunk's format tag follows "fmt " and its length.
    size_t fmt = 12;
    while (fmt + 8 < floatSamples.size() && std::memcmp(&floatSamples[fmt], "fmt ", 4) != 0)
        fmt += 8 + (floatSamples[fmt + 4] | (floatSamples[fmt + 5] << 8));
    floatSamples[fmt + 8] = 3;
    std::vector<uint8_t> noData(good.begin(), good.begin() + static_cast<long>(fmt + 8 + 16));
    const Case cases[] = {
        {"empty", {}, "not a RIFF WAVE file"},
        {"not RIFF", notRiff, "not a RIFF WAVE file"},
        {"float samples", floatSamples, "not PCM samples"},
        {"cut after the format", noData, "no samples"},
    };
    for (const Case& c : cases) {
        WavSamples out;
        std::string why;
        EXPECT_FALSE(decodeWav(c.bytes.data(), c.bytes.size(), out, why)) << c.name;
        EXPECT_EQ(why, c.reason) << c.name;
    }
    // A truncated data chunk keeps the whole frames that are there.
    std::vector<uint8_t> cut(good.begin(), good.end() - 3);
    WavSamples out;
    std::string why;
    ASSERT_TRUE(decodeWav(cut.data(), cut.size(), out, why)) << why;
    EXPECT_EQ(out.data.size() % static_cast<size_t>(out.channels * out.bitsPerSample / 8), 0u);
}
