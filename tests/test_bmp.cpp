#include "render/bmp.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace {

const std::string kSuite = QUORVEX_TESTDATA_DIR "/bmpsuite";
const std::string kUnknownFormat = "Unknown DIB file format.";
const std::string kConversionError = "Image file conversion error.";
const std::string kOutOfMemory = "Out of memory.";

std::vector<uint8_t> readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

// Decodes from an allocation of exactly `size` bytes, so AddressSanitizer catches any read
// past the end of the file.
bool decodeExact(const std::vector<uint8_t>& bytes, size_t size, BmpImage& out,
                 std::string& message) {
    std::unique_ptr<uint8_t[]> copy(new uint8_t[size]);
    if (size) std::memcpy(copy.get(), bytes.data(), size);
    const char* text = nullptr;
    bool ok = decodeBmp(copy.get(), size, out, text);
    message = ok ? "" : (text ? text : "(no message)");
    return ok;
}

bool decodeExact(const std::vector<uint8_t>& bytes, BmpImage& out, std::string& message) {
    return decodeExact(bytes, bytes.size(), out, message);
}

// Whatever the reader makes of a file, it answers with a whole image or one of its messages.
void expectSaneOutcome(bool ok, const BmpImage& image, const std::string& message) {
    if (ok) {
        ASSERT_GT(image.width, 0);
        ASSERT_GT(image.height, 0);
        EXPECT_EQ(image.pixels.size(), size_t(image.width) * size_t(image.height) * 3);
    } else {
        EXPECT_TRUE(message == kUnknownFormat || message == kConversionError ||
                    message == kOutOfMemory)
            << message;
    }
}

struct ManifestRow {
    std::string file, expected, reference;
    int bits = 0;
};

std::vector<ManifestRow> readManifest() {
    std::ifstream in(kSuite + "/MANIFEST.tsv");
    std::vector<ManifestRow> rows;
    std::string line;
    std::getline(in, line); // column names
    while (std::getline(in, line)) {
        std::vector<std::string> f;
        std::stringstream ss(line);
        std::string field;
        while (std::getline(ss, field, '\t'))
            f.push_back(field);
        if (f.size() < 7) continue;
        ManifestRow row;
        row.file = f[0];
        row.bits = f[4].empty() ? 0 : std::atoi(f[4].c_str());
        row.expected = f[6];
        row.reference = f.size() > 7 ? f[7] : "";
        rows.push_back(row);
    }
    return rows;
}

std::vector<ManifestRow> rowsExpecting(const std::string& expected) {
    std::vector<ManifestRow> out;
    for (const ManifestRow& row : readManifest())
        if (row.expected == expected) out.push_back(row);
    return out;
}

struct Ppm {
    int width = 0, height = 0;
    std::vector<uint8_t> rgb;
};

bool readPpm(const std::string& path, Ppm& ppm) {
    std::vector<uint8_t> bytes = readFile(path);
    size_t at = 0;
    auto token = [&]() -> std::string {
        for (;;) {
            while (at < bytes.size() && std::isspace(bytes[at]))
                ++at;
            if (at < bytes.size() && bytes[at] == '#')
                while (at < bytes.size() && bytes[at] != '\n')
                    ++at;
            else
                break;
        }
        std::string t;
        while (at < bytes.size() && !std::isspace(bytes[at]))
            t += char(bytes[at++]);
        return t;
    };
    if (token() != "P6") return false;
    ppm.width = std::atoi(token().c_str());
    ppm.height = std::atoi(token().c_str());
    if (std::atoi(token().c_str()) != 255) return false;
    ++at; // the single whitespace before the samples
    size_t need = size_t(ppm.width) * ppm.height * 3;
    if (bytes.size() < at + need) return false;
    ppm.rgb.assign(bytes.begin() + at, bytes.begin() + at + need);
    return true;
}

// Hand-made files.
void put16(std::vector<uint8_t>& v, uint32_t x) {
    v.push_back(uint8_t(x));
    v.push_back(uint8_t(x >> 8));
}
void put32(std::vector<uint8_t>& v, uint32_t x) {
    put16(v, x & 0xffff);
    put16(v, x >> 16);
}

std::vector<uint8_t> info40(int32_t width, int32_t height, uint16_t bits, uint32_t coloursUsed = 0,
                            uint32_t compression = 0) {
    std::vector<uint8_t> v;
    put32(v, 40);
    put32(v, uint32_t(width));
    put32(v, uint32_t(height));
    put16(v, 1);
    put16(v, bits);
    put32(v, compression);
    put32(v, 0);
    put32(v, 2835);
    put32(v, 2835);
    put32(v, coloursUsed);
    put32(v, 0);
    return v;
}

std::vector<uint8_t> info12(uint16_t width, uint16_t height, uint16_t bits) {
    std::vector<uint8_t> v;
    put32(v, 12);
    put16(v, width);
    put16(v, height);
    put16(v, 1);
    put16(v, bits);
    return v;
}

// Palette of `count` entries (blue, green, red[, reserved]); entry k is (k, 2k, 255 - k) in RGB.
std::vector<uint8_t> palette(int count, int entryBytes = 4) {
    std::vector<uint8_t> v;
    for (int k = 0; k < count; ++k) {
        v.push_back(uint8_t(255 - k));
        v.push_back(uint8_t(2 * k));
        v.push_back(uint8_t(k));
        if (entryBytes == 4) v.push_back(0);
    }
    return v;
}

std::vector<uint8_t> concat(std::initializer_list<std::vector<uint8_t>> parts) {
    std::vector<uint8_t> v;
    for (const auto& p : parts)
        v.insert(v.end(), p.begin(), p.end());
    return v;
}

// "BM" file header in front of the info header and palette; the pixel data follows them
// unless `pixelOffset` says otherwise.
std::vector<uint8_t> withFileHeader(const std::vector<uint8_t>& headerAndPalette,
                                    const std::vector<uint8_t>& pixels, int64_t pixelOffset = -1) {
    std::vector<uint8_t> v = {'B', 'M'};
    put32(v, uint32_t(14 + headerAndPalette.size() + pixels.size()));
    put32(v, 0);
    put32(v, pixelOffset >= 0 ? uint32_t(pixelOffset) : uint32_t(14 + headerAndPalette.size()));
    return concat({v, headerAndPalette, pixels});
}

std::vector<uint8_t> rgbOf(int index) {
    return {uint8_t(index), uint8_t(2 * index), uint8_t(255 - index)};
}

std::vector<uint8_t> pixelsOf(const BmpImage& image, int x, int y) {
    size_t at = (size_t(y) * image.width + x) * 3;
    return {image.pixels[at], image.pixels[at + 1], image.pixels[at + 2]};
}

const std::vector<uint8_t> kBlack = {0, 0, 0};

} // namespace

TEST(BmpCorpus, DecodesGoodFilesPixelExact) {
    std::vector<ManifestRow> rows = rowsExpecting("decode");
    ASSERT_GE(rows.size(), 20u) << "manifest missing under " << kSuite;
    for (const ManifestRow& row : rows) {
        SCOPED_TRACE(row.file);
        BmpImage image;
        std::string message;
        ASSERT_TRUE(decodeExact(readFile(kSuite + "/" + row.file), image, message)) << message;
        Ppm ref;
        ASSERT_TRUE(readPpm(kSuite + "/reference/" + row.reference, ref));
        ASSERT_EQ(image.width, ref.width);
        ASSERT_EQ(image.height, ref.height);
        ASSERT_EQ(image.pixels.size(), ref.rgb.size());
        int tolerance = row.bits == 16 ? 8 : 0;
        int worst = 0;
        size_t rowBytes = size_t(image.width) * 3;
        for (int y = 0; y < image.height; ++y) {
            const uint8_t* got = image.pixels.data() + size_t(y) * rowBytes;
            const uint8_t* want = ref.rgb.data() + size_t(image.height - 1 - y) * rowBytes;
            for (size_t i = 0; i < rowBytes; ++i)
                worst = std::max(worst, std::abs(got[i] - want[i]));
        }
        EXPECT_LE(worst, tolerance);
    }
}

// The texture bank's layout: the same colours, each pixel followed by its alpha (0 for pure
// black), whatever the file's depth.
TEST(BmpCorpus, RgbaLayoutIsTheColoursWithBlackClear) {
    for (const ManifestRow& row : rowsExpecting("decode")) {
        SCOPED_TRACE(row.file);
        std::vector<uint8_t> bytes = readFile(kSuite + "/" + row.file);
        BmpImage rgb, rgba;
        const char* message = nullptr;
        ASSERT_TRUE(decodeBmp(bytes.data(), bytes.size(), rgb, message));
        ASSERT_TRUE(
            decodeBmp(bytes.data(), bytes.size(), rgba, message, BmpLayout::RgbaBlackClear));
        ASSERT_EQ(rgba.pixels.size(), rgb.pixels.size() / 3 * 4);
        bool same = true;
        for (size_t i = 0, n = rgb.pixels.size() / 3; i < n && same; ++i) {
            const uint8_t* c = &rgb.pixels[i * 3];
            const uint8_t* d = &rgba.pixels[i * 4];
            same = d[0] == c[0] && d[1] == c[1] && d[2] == c[2] &&
                   d[3] == ((c[0] | c[1] | c[2]) ? 255 : 0);
        }
        EXPECT_TRUE(same);
    }
}

TEST(BmpCorpus, RejectsUnknownHeaderSizes) {
    std::vector<ManifestRow> rows = rowsExpecting("reject-unknown-format");
    ASSERT_GE(rows.size(), 10u);
    for (const ManifestRow& row : rows) {
        SCOPED_TRACE(row.file);
        BmpImage image;
        std::string message;
        EXPECT_FALSE(decodeExact(readFile(kSuite + "/" + row.file), image, message));
        EXPECT_EQ(message, kUnknownFormat);
    }
}

TEST(BmpCorpus, SurvivesQuestionableAndHostileFiles) {
    std::vector<ManifestRow> rows = rowsExpecting("implementer-choice");
    std::vector<ManifestRow> hostile = rowsExpecting("no-crash");
    ASSERT_GE(rows.size(), 10u);
    ASSERT_GE(hostile.size(), 5u);
    rows.insert(rows.end(), hostile.begin(), hostile.end());
    for (const ManifestRow& row : rows) {
        SCOPED_TRACE(row.file);
        BmpImage image;
        std::string message;
        bool ok = decodeExact(readFile(kSuite + "/" + row.file), image, message);
        expectSaneOutcome(ok, image, message);
    }
}

TEST(BmpCorpus, TopDownFileMatchesItsBottomUpTwin) {
    BmpImage topDown, bottomUp;
    std::string message;
    ASSERT_TRUE(decodeExact(readFile(kSuite + "/g/pal8topdown.bmp"), topDown, message)) << message;
    ASSERT_TRUE(decodeExact(readFile(kSuite + "/g/pal8.bmp"), bottomUp, message)) << message;
    EXPECT_EQ(topDown.height, bottomUp.height);
    EXPECT_TRUE(topDown.pixels == bottomUp.pixels);
}

TEST(BmpCorpus, ReallyBigClaimIsRefusedWithoutAllocating) {
    BmpImage image;
    std::string message;
    EXPECT_FALSE(decodeExact(readFile(kSuite + "/b/reallybig.bmp"), image, message));
    EXPECT_EQ(message, kOutOfMemory);
    EXPECT_TRUE(image.pixels.empty());
}

// Every good file cut short anywhere, and with its headers scrambled, must still be refused
// or decoded cleanly, never read past its end.
TEST(BmpCorpus, SurvivesTruncatedAndScrambledGoodFiles) {
    std::mt19937 rng(1234);
    for (const ManifestRow& row : rowsExpecting("decode")) {
        SCOPED_TRACE(row.file);
        std::vector<uint8_t> bytes = readFile(kSuite + "/" + row.file);
        for (size_t len = 0; len < bytes.size(); len += len < 128 ? 1 : 61) {
            BmpImage image;
            std::string message;
            bool ok = decodeExact(bytes, len, image, message);
            expectSaneOutcome(ok, image, message);
            // Only the last row's padding may go missing.
            if (len + 4 <= bytes.size()) {
                EXPECT_FALSE(ok) << len;
            }
        }
        for (int round = 0; round < 200; ++round) {
            std::vector<uint8_t> scrambled = bytes;
            for (int k = 0; k < 4; ++k)
                scrambled[rng() % std::min<size_t>(64, scrambled.size())] ^= uint8_t(rng());
            BmpImage image;
            std::string message;
            expectSaneOutcome(decodeExact(scrambled, image, message), image, message);
        }
    }
}

TEST(BmpReader, InfoHeaderWithoutFileHeaderHasPixelsAfterPalette) {
    // 2 x 2, 8 bits, 3 colours: rows of 2 indices padded to 4 bytes.
    std::vector<uint8_t> file = concat({info40(2, 2, 8, 3), palette(3), {0, 1, 0, 0, 2, 0, 0, 0}});
    BmpImage image;
    std::string message;
    ASSERT_TRUE(decodeExact(file, image, message)) << message;
    EXPECT_EQ(image.width, 2);
    EXPECT_EQ(image.height, 2);
    EXPECT_EQ(pixelsOf(image, 0, 0), rgbOf(0));
    EXPECT_EQ(pixelsOf(image, 1, 0), rgbOf(1));
    EXPECT_EQ(pixelsOf(image, 0, 1), rgbOf(2));
    EXPECT_EQ(pixelsOf(image, 1, 1), rgbOf(0));
}

TEST(BmpReader, ColoursUsedSizesThePalette) {
    // 100 entries: the pixels start 400 bytes after the header, not 1024.
    std::vector<uint8_t> file = concat({info40(4, 1, 8, 100), palette(100), {99, 50, 7, 0}});
    BmpImage image;
    std::string message;
    ASSERT_TRUE(decodeExact(file, image, message)) << message;
    EXPECT_EQ(pixelsOf(image, 0, 0), rgbOf(99));
    EXPECT_EQ(pixelsOf(image, 1, 0), rgbOf(50));
    EXPECT_EQ(pixelsOf(image, 2, 0), rgbOf(7));

    // Colours used 0 means the full 256 for 8 bits.
    file = concat({info40(1, 1, 8, 0), palette(256), {200, 0, 0, 0}});
    ASSERT_TRUE(decodeExact(file, image, message)) << message;
    EXPECT_EQ(pixelsOf(image, 0, 0), rgbOf(200));
}

TEST(BmpReader, IndexPastThePaletteIsBlack) {
    // Entry 150 would lie inside the pixel data if the palette were taken as 256 long.
    std::vector<uint8_t> pixels(256 * 4, 0x55);
    pixels[0] = 150;
    pixels[1] = 99;
    std::vector<uint8_t> file =
        withFileHeader(concat({info40(2, 1, 8, 100), palette(100)}), pixels);
    BmpImage image;
    std::string message;
    ASSERT_TRUE(decodeExact(file, image, message)) << message;
    EXPECT_EQ(pixelsOf(image, 0, 0), kBlack);
    EXPECT_EQ(pixelsOf(image, 1, 0), rgbOf(99));

    // A 1-bit file whose palette holds one colour.
    file = withFileHeader(concat({info40(2, 1, 1, 1), palette(1)}), {0x40, 0, 0, 0});
    ASSERT_TRUE(decodeExact(file, image, message)) << message;
    EXPECT_EQ(pixelsOf(image, 0, 0), rgbOf(0));
    EXPECT_EQ(pixelsOf(image, 1, 0), kBlack);
}

TEST(BmpReader, ShortHeaderUsesThreeByteEntriesSizedByDepth) {
    // 4 bits: 16 entries of 3 bytes; high nibble first.
    std::vector<uint8_t> header = concat({info12(3, 1, 4), palette(16, 3)});
    std::vector<uint8_t> pixels = {0xF3, 0x90, 0, 0};
    for (const std::vector<uint8_t>& file :
         {withFileHeader(header, pixels), concat({header, pixels})}) {
        BmpImage image;
        std::string message;
        ASSERT_TRUE(decodeExact(file, image, message)) << message;
        EXPECT_EQ(pixelsOf(image, 0, 0), rgbOf(15));
        EXPECT_EQ(pixelsOf(image, 1, 0), rgbOf(3));
        EXPECT_EQ(pixelsOf(image, 2, 0), rgbOf(9));
    }
}

TEST(BmpReader, RowsArePaddedToFourBytes) {
    // 1-bit, 9 wide: 2 bytes of bits and 2 of padding per row, most significant bit first.
    std::vector<uint8_t> file = withFileHeader(concat({info40(9, 2, 1), palette(2)}),
                                               {0x80, 0x80, 0xEE, 0xEE, 0x00, 0x80, 0xEE, 0xEE});
    BmpImage image;
    std::string message;
    ASSERT_TRUE(decodeExact(file, image, message)) << message;
    EXPECT_EQ(pixelsOf(image, 0, 0), rgbOf(1));
    EXPECT_EQ(pixelsOf(image, 1, 0), rgbOf(0));
    EXPECT_EQ(pixelsOf(image, 8, 0), rgbOf(1));
    EXPECT_EQ(pixelsOf(image, 0, 1), rgbOf(0));
    EXPECT_EQ(pixelsOf(image, 8, 1), rgbOf(1));

    // 24-bit, 1 wide: 3 bytes and 1 of padding; blue and red swap.
    file = withFileHeader(info40(1, 2, 24), {1, 2, 3, 0xEE, 4, 5, 6, 0xEE});
    ASSERT_TRUE(decodeExact(file, image, message)) << message;
    EXPECT_EQ(image.pixels, (std::vector<uint8_t>{3, 2, 1, 6, 5, 4}));
}

TEST(BmpReader, ConvertsSixteenAndThirtyTwoBitColour) {
    // 5-5-5 with the top bit ignored: white, pure red, pure green, pure blue.
    std::vector<uint8_t> file =
        withFileHeader(info40(4, 1, 16), {0xFF, 0xFF, 0x00, 0x7C, 0xE0, 0x03, 0x1F, 0x00});
    BmpImage image;
    std::string message;
    ASSERT_TRUE(decodeExact(file, image, message)) << message;
    EXPECT_EQ(image.pixels, (std::vector<uint8_t>{255, 255, 255, 255, 0, 0, 0, 255, 0, 0, 0, 255}));

    file = withFileHeader(info40(2, 1, 32), {10, 20, 30, 0xFF, 1, 0, 0, 0x80});
    ASSERT_TRUE(decodeExact(file, image, message)) << message;
    EXPECT_EQ(image.pixels, (std::vector<uint8_t>{30, 20, 10, 0, 0, 1}));
}

TEST(BmpReader, TopDownFileComesOutBottomUp) {
    std::vector<uint8_t> file =
        withFileHeader(info40(1, -3, 24), {1, 1, 1, 0, 2, 2, 2, 0, 3, 3, 3, 0});
    BmpImage image;
    std::string message;
    ASSERT_TRUE(decodeExact(file, image, message)) << message;
    EXPECT_EQ(image.height, 3);
    EXPECT_EQ(image.pixels, (std::vector<uint8_t>{3, 3, 3, 2, 2, 2, 1, 1, 1}));
}

TEST(BmpReader, RefusesTruncatedFiles) {
    std::vector<uint8_t> file =
        withFileHeader(concat({info40(4, 4, 8), palette(256)}), std::vector<uint8_t>(16, 1));
    BmpImage image;
    std::string message;
    ASSERT_TRUE(decodeExact(file, image, message)) << message;
    for (size_t len :
         {size_t(0), size_t(1), size_t(2), size_t(13), size_t(14), size_t(17), size_t(53)}) {
        EXPECT_FALSE(decodeExact(file, len, image, message)) << len;
        EXPECT_EQ(message, kUnknownFormat) << len;
    }
    for (size_t len : {size_t(54), size_t(100), file.size() - 5}) {
        EXPECT_FALSE(decodeExact(file, len, image, message)) << len;
        EXPECT_EQ(message, kConversionError) << len;
    }
    // Without the file header, pixels cut off after the palette.
    file = concat({info40(4, 4, 8, 2), palette(2), std::vector<uint8_t>(12, 1)});
    EXPECT_FALSE(decodeExact(file, image, message));
    EXPECT_EQ(message, kConversionError);
}

TEST(BmpReader, AbsurdSizesAreOutOfMemory) {
    for (auto [w, h] : {std::pair{16385, 1}, std::pair{1, 16385}, std::pair{16384, 4097},
                        std::pair{INT32_MAX, INT32_MAX}, std::pair{INT32_MAX, -INT32_MAX},
                        std::pair{1, INT32_MIN}}) {
        BmpImage image;
        std::string message;
        EXPECT_FALSE(decodeExact(withFileHeader(info40(w, h, 24), {0, 0, 0, 0}), image, message));
        EXPECT_EQ(message, kOutOfMemory) << w << " x " << h;
    }
    // The short header's largest size is refused too.
    BmpImage image;
    std::string message;
    EXPECT_FALSE(decodeExact(withFileHeader(info12(65535, 65535, 24), {}), image, message));
    EXPECT_EQ(message, kOutOfMemory);
}

TEST(BmpReader, RefusesWhatItCannotConvert) {
    std::vector<std::vector<uint8_t>> files = {
        withFileHeader(info40(1, 1, 8, 0, 1), std::vector<uint8_t>(1024 + 4)), // run-length
        withFileHeader(info40(1, 1, 32, 0, 3), std::vector<uint8_t>(16)),      // bit fields
        withFileHeader(info40(1, 1, 2), std::vector<uint8_t>(64)),
        withFileHeader(info40(1, 1, 0), std::vector<uint8_t>(64)),
        withFileHeader(info40(1, 1, 64), std::vector<uint8_t>(64)),
        withFileHeader(info40(0, 1, 24), std::vector<uint8_t>(64)),
        withFileHeader(info40(1, 0, 24), std::vector<uint8_t>(64)),
        withFileHeader(info40(-1, 1, 24), std::vector<uint8_t>(64)),
        withFileHeader(info40(1, 1, 24), std::vector<uint8_t>(64), 0xFFFFFFFFll),
        withFileHeader(info40(1, 1, 24), std::vector<uint8_t>(64), 0xFFFFFFF0ll),
        // Colours used so large that the pixels would start far past the end.
        concat({info40(1, 1, 8, 0xFFFFFFFFu), palette(256), std::vector<uint8_t>(64)}),
    };
    for (size_t i = 0; i < files.size(); ++i) {
        BmpImage image;
        std::string message;
        EXPECT_FALSE(decodeExact(files[i], image, message)) << i;
        EXPECT_EQ(message, kConversionError) << i;
    }
}

TEST(BmpReader, OtherHeaderSizesAreUnknown) {
    for (uint32_t size : {0u, 11u, 13u, 39u, 41u, 64u, 108u, 124u, 0xFFFFFFFFu}) {
        std::vector<uint8_t> info = info40(1, 1, 24);
        info[0] = uint8_t(size);
        info[1] = uint8_t(size >> 8);
        info[2] = uint8_t(size >> 16);
        info[3] = uint8_t(size >> 24);
        BmpImage image;
        std::string message;
        EXPECT_FALSE(decodeExact(withFileHeader(info, std::vector<uint8_t>(256)), image, message));
        EXPECT_EQ(message, kUnknownFormat) << size;
    }
}

TEST(BmpLoad, MissingFileShowsItsPathInAnErrorBox) {
    platform::test::enable();
    platform::test::clearBoxes();
    BmpImage image;
    EXPECT_FALSE(loadBmp("Textures/NoSuchFile.bmp", image));
    ASSERT_EQ(platform::test::boxes().size(), 1u);
    EXPECT_EQ(platform::test::boxes()[0].text,
              "Failed to open DIB file Textures/NoSuchFile.bmp.\n");
    EXPECT_EQ(platform::test::boxes()[0].caption, "Error");

    // A directory opens on some systems but cannot be read.
    platform::test::clearBoxes();
    EXPECT_FALSE(loadBmp(kSuite.c_str(), image));
    ASSERT_EQ(platform::test::boxes().size(), 1u);
    EXPECT_EQ(platform::test::boxes()[0].text, "Failed to open DIB file " + kSuite + ".\n");
    platform::test::clearBoxes();
}

TEST(BmpLoad, ReaderMessagesGoToAnErrorBox) {
    platform::test::enable();
    platform::test::clearBoxes();
    BmpImage image;
    EXPECT_FALSE(loadBmp((kSuite + "/g/pal8v4.bmp").c_str(), image));
    EXPECT_FALSE(loadBmp((kSuite + "/b/reallybig.bmp").c_str(), image));
    EXPECT_FALSE(loadBmp((kSuite + "/b/shortfile.bmp").c_str(), image));
    ASSERT_EQ(platform::test::boxes().size(), 3u);
    EXPECT_EQ(platform::test::boxes()[0].text, kUnknownFormat);
    EXPECT_EQ(platform::test::boxes()[1].text, kOutOfMemory);
    EXPECT_EQ(platform::test::boxes()[2].text, kConversionError);
    for (const auto& box : platform::test::boxes())
        EXPECT_EQ(box.caption, "Error");

    platform::test::clearBoxes();
    ASSERT_TRUE(loadBmp((kSuite + "/g/rgb24.bmp").c_str(), image));
    EXPECT_EQ(image.width, 127);
    EXPECT_EQ(image.height, 64);
    EXPECT_TRUE(platform::test::boxes().empty());
}
