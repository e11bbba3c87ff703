// Bitmap reader: turns a BMP file into 24-bit RGB rows for the texture bank.
// Reads uncompressed 1/4/8/16 (5-5-5)/24/32-bit data under the 12- and 40-byte info headers,
// with or without the "BM" file header. Anything compressed is refused; a top-down file
// (negative height) comes out bottom-up like the rest; a palette index past the palette, or
// an entry the file is too short to hold, reads as black.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>
// The reader's result: height rows of width*3 bytes (red, green, blue), or width*4 with
// BmpLayout::RgbaBlackClear (alpha 0 where the pixel is pure black, 255 elsewhere: the
// texture bank's rule), in the file's row order (bottom row first for the usual bottom-up
// file).
enum class BmpLayout { Rgb, RgbaBlackClear };
struct BmpImage {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint8_t> pixels;
};
// Decodes a bitmap held in memory. On failure returns false and sets `message`
// to the reader's message ("Unknown DIB file format.", "Image file conversion error.",
// "Out of memory."); never reads outside [data, data + size).
bool decodeBmp(const uint8_t* data, size_t size, BmpImage& out, const char*& message,
               BmpLayout layout = BmpLayout::Rgb);
// Reads the file at `path` and decodes it. On failure shows the message in a box
// captioned "Error" (platform::messageBox) and returns false; an unopenable or
// unreadable file gives "Failed to open DIB file <path>.\n".
bool loadBmp(const char* path, BmpImage& out);
// The same without the box, for a thread other than the window's: a failure's message is
// left in `problem`.
bool readBmp(const char* path, BmpImage& out, std::string& problem);
// The same in `layout`, reading the file through `bytes`, whose room a caller reading many
// files keeps from one to the next (fresh memory costs a page fault a page).
bool readBmp(const char* path, BmpImage& out, std::string& problem, BmpLayout layout,
             std::vector<uint8_t>& bytes);

// Largest image the reader accepts; anything bigger is "Out of memory.".
constexpr int32_t kBmpMaxSide = 16384;
constexpr int64_t kBmpMaxPixels = 64ll * 1024 * 1024;
// Largest file loadBmp reads into memory.
constexpr size_t kBmpMaxFileBytes = 512u * 1024 * 1024;
