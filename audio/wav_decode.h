// WAV files to PCM samples, for builds without a sound library's loader (the
// browser's OpenAL has none).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct WavSamples {
    int channels = 0;      // 1 or 2
    int bitsPerSample = 0; // 8 (unsigned) or 16 (signed, little-endian)
    int sampleRate = 0;    // hertz
    std::vector<uint8_t> data;
};

// Reads the RIFF/WAVE "fmt " and "data" chunks of plain or extensible PCM.
// False, with `why` set, for anything else or a broken file.
bool decodeWav(const uint8_t* bytes, size_t size, WavSamples& out, std::string& why);
