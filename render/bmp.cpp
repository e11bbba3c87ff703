#include "render/bmp.h"

#include <cstdio>
#include <new>
#include <string>

#include "platform/platform.h"

namespace {

const char* const kUnknownFormat = "Unknown DIB file format.";
const char* const kConversionError = "Image file conversion error.";
const char* const kOutOfMemory = "Out of memory.";

uint32_t readU16(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8;
}

uint32_t readU32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

// Whether [offset, offset + length) lies inside a buffer of `size` bytes; written so that
// nothing can wrap, whatever a hostile header claims.
bool fits(size_t size, uint64_t offset, uint64_t length) {
    return offset <= size && length <= size - offset;
}

struct Rgb {
    uint8_t r = 0, g = 0, b = 0;
};

// 5-bit channel to 8 bits, spreading the top bits into the low ones so 31 becomes 255.
uint8_t expand5(uint32_t c) {
    return uint8_t(c << 3 | c >> 2);
}

void convertRow(const uint8_t* src, int64_t width, unsigned bits, const Rgb* palette,
                BmpLayout layout, uint8_t* dst) {
    const bool alpha = layout == BmpLayout::RgbaBlackClear;
    for (int64_t x = 0; x < width; ++x, dst += alpha ? 4 : 3) {
        Rgb c;
        switch (bits) {
        case 1:
            c = palette[(src[x >> 3] >> (7 - (x & 7))) & 1];
            break;
        case 4:
            c = palette[(src[x >> 1] >> ((x & 1) ? 0 : 4)) & 15];
            break;
        case 8:
            c = palette[src[x]];
            break;
        case 16: {
            uint32_t v = readU16(src + 2 * x);
            c = {expand5(v >> 10 & 31), expand5(v >> 5 & 31), expand5(v & 31)};
            break;
        }
        case 24:
            c = {src[3 * x + 2], src[3 * x + 1], src[3 * x]};
            break;
        default: // 32: blue, green, red and an unused byte
            c = {src[4 * x + 2], src[4 * x + 1], src[4 * x]};
            break;
        }
        dst[0] = c.r;
        dst[1] = c.g;
        dst[2] = c.b;
        if (alpha) dst[3] = (c.r | c.g | c.b) ? 255 : 0;
    }
}

bool fail(const char*& message, const char* text) {
    message = text;
    return false;
}

} // namespace

bool decodeBmp(const uint8_t* data, size_t size, BmpImage& out, const char*& message,
               BmpLayout layout) {
    if (data == nullptr) size = 0;

    // With the "BM" file header the pixel data sits where byte 10 says; without it the info
    // header starts the file and the pixels follow the palette.
    bool fileHeader = size >= 2 && data[0] == 'B' && data[1] == 'M';
    uint64_t infoOffset = fileHeader ? 14 : 0;
    if (!fits(size, infoOffset, 4)) return fail(message, kUnknownFormat);
    const uint8_t* info = data + infoOffset;
    uint32_t infoSize = readU32(info);
    if ((infoSize != 12 && infoSize != 40) || !fits(size, infoOffset, infoSize))
        return fail(message, kUnknownFormat);

    int64_t width, height;
    unsigned bits;
    uint32_t compression = 0;
    uint64_t entries = 0;
    unsigned entryBytes;
    if (infoSize == 12) {
        width = readU16(info + 4);
        height = readU16(info + 6);
        bits = readU16(info + 10);
        entryBytes = 3;
    } else {
        width = int32_t(readU32(info + 4));
        height = int32_t(readU32(info + 8));
        bits = readU16(info + 14);
        compression = readU32(info + 16);
        entries = readU32(info + 32);
        entryBytes = 4;
    }
    if (entries == 0) entries = bits == 1 ? 2 : bits == 4 ? 16 : bits == 8 ? 256 : 0;
    uint64_t paletteOffset = infoOffset + infoSize;
    uint64_t pixelOffset = fileHeader ? readU32(data + 10) : paletteOffset + entries * entryBytes;

    // Run-length and bit-field data are not supported.
    if (compression != 0) return fail(message, kConversionError);
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32)
        return fail(message, kConversionError);
    // A negative height marks a top-down file; it is turned bottom-up like every other.
    bool topDown = height < 0;
    if (topDown) height = -height;
    if (width <= 0 || height <= 0) return fail(message, kConversionError);
    if (width > kBmpMaxSide || height > kBmpMaxSide || width * height > kBmpMaxPixels)
        return fail(message, kOutOfMemory);

    // Indices past the palette, or entries the file is too short to hold, read as black.
    Rgb palette[256];
    uint64_t stored = entries < 256 ? entries : 256;
    for (uint64_t k = 0; k < stored; ++k) {
        uint64_t at = paletteOffset + k * entryBytes;
        if (!fits(size, at, 3)) break;
        palette[k] = {data[at + 2], data[at + 1], data[at]};
    }

    // The last row may lack its padding; every byte a pixel needs must be in the file.
    uint64_t rowBits = uint64_t(width) * bits;
    uint64_t stride = (rowBits + 31) / 32 * 4;
    uint64_t rowBytes = (rowBits + 7) / 8;
    if (!fits(size, pixelOffset, stride * uint64_t(height - 1) + rowBytes))
        return fail(message, kConversionError);

    const int64_t channels = layout == BmpLayout::RgbaBlackClear ? 4 : 3;
    BmpImage image;
    try {
        image.pixels.resize(size_t(width * height * channels));
    } catch (const std::bad_alloc&) {
        return fail(message, kOutOfMemory);
    }
    image.width = int32_t(width);
    image.height = int32_t(height);
    for (int64_t y = 0; y < height; ++y) {
        int64_t dstRow = topDown ? height - 1 - y : y;
        convertRow(data + pixelOffset + uint64_t(y) * stride, width, bits, palette, layout,
                   image.pixels.data() + dstRow * width * channels);
    }
    out = std::move(image);
    return true;
}

bool loadBmp(const char* path, BmpImage& out) {
    std::string problem;
    if (readBmp(path, out, problem)) return true;
    platform::messageBox(problem.c_str(), "Error");
    return false;
}

bool readBmp(const char* path, BmpImage& out, std::string& problem) {
    std::vector<uint8_t> bytes;
    return readBmp(path, out, problem, BmpLayout::Rgb, bytes);
}

bool readBmp(const char* path, BmpImage& out, std::string& problem, BmpLayout layout,
             std::vector<uint8_t>& bytes) {
    const char* message = nullptr;
    bool readOk = false;
    bytes.clear();
    if (std::FILE* file = path ? std::fopen(path, "rb") : nullptr) {
        // Read in chunks: the size a seek reports is not trustworthy for every kind of file,
        // but where it is there is room for it from the start.
        if (std::fseek(file, 0, SEEK_END) == 0) {
            long end = std::ftell(file);
            if (end > 0 && static_cast<unsigned long>(end) <= kBmpMaxFileBytes) {
                try {
                    bytes.reserve(static_cast<size_t>(end) + (1 << 16));
                } catch (const std::bad_alloc&) {
                }
            }
        }
        std::rewind(file);
        const size_t chunk = 1 << 16;
        size_t total = 0;
        try {
            for (;;) {
                if (total > kBmpMaxFileBytes) {
                    message = kOutOfMemory;
                    break;
                }
                bytes.resize(total + chunk);
                size_t got = std::fread(bytes.data() + total, 1, chunk, file);
                total += got;
                if (got < chunk) break;
            }
        } catch (const std::bad_alloc&) {
            message = kOutOfMemory;
        }
        readOk = !std::ferror(file);
        std::fclose(file);
        bytes.resize(message ? 0 : total);
    }
    if (!readOk) {
        problem = std::string("Failed to open DIB file ") + (path ? path : "") + ".\n";
        return false;
    }
    if (!message && decodeBmp(bytes.data(), bytes.size(), out, message, layout)) return true;
    problem = message;
    return false;
}
