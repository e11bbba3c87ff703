#include "audio/wav_decode.h"

#include <cstring>

namespace {

uint32_t u32(const uint8_t* p) {
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

uint16_t u16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

constexpr uint16_t kPcm = 1;
constexpr uint16_t kExtensible = 0xFFFE;

} // namespace

bool decodeWav(const uint8_t* bytes, size_t size, WavSamples& out, std::string& why) {
    out = WavSamples{};
    if (size < 12 || std::memcmp(bytes, "RIFF", 4) != 0 || std::memcmp(bytes + 8, "WAVE", 4) != 0) {
        why = "not a RIFF WAVE file";
        return false;
    }
    bool haveFormat = false;
    size_t at = 12;
    while (at + 8 <= size) {
        const uint8_t* chunk = bytes + at;
        size_t length = u32(chunk + 4);
        size_t body = at + 8;
        // A chunk that runs past the end keeps what is there.
        size_t room = size - body;
        if (length > room) length = room;
        if (std::memcmp(chunk, "fmt ", 4) == 0) {
            if (length < 16) {
                why = "format chunk too short";
                return false;
            }
            const uint8_t* f = bytes + body;
            uint16_t tag = u16(f);
            if (tag == kExtensible && length >= 26) tag = u16(f + 24);
            if (tag != kPcm) {
                why = "not PCM samples";
                return false;
            }
            out.channels = u16(f + 2);
            out.sampleRate = static_cast<int>(u32(f + 4));
            out.bitsPerSample = u16(f + 14);
            if ((out.channels != 1 && out.channels != 2) ||
                (out.bitsPerSample != 8 && out.bitsPerSample != 16) || out.sampleRate <= 0) {
                why = "unsupported channels, sample size or rate";
                return false;
            }
            haveFormat = true;
        } else if (std::memcmp(chunk, "data", 4) == 0) {
            if (!haveFormat) {
                why = "samples before their format";
                return false;
            }
            size_t frame = static_cast<size_t>(out.channels * out.bitsPerSample / 8);
            length -= length % frame;
            out.data.assign(bytes + body, bytes + body + length);
            return true;
        }
        // Chunks are padded to an even length.
        at = body + length + (length & 1u);
    }
    why = haveFormat ? "no samples" : "no format chunk";
    return false;
}
