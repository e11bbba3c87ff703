#include "writers.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <png.h>
#include <sys/stat.h>

namespace {

void put16(std::vector<std::uint8_t>& b, std::uint32_t v) {
    b.push_back(static_cast<std::uint8_t>(v & 0xFF));
    b.push_back(static_cast<std::uint8_t>((v >> 8) & 0xFF));
}

void put32(std::vector<std::uint8_t>& b, std::uint32_t v) {
    put16(b, v & 0xFFFF);
    put16(b, v >> 16);
}

bool writeBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) {
        std::fprintf(stderr, "assetgen: cannot write %s: %s\n", path.c_str(), std::strerror(errno));
        return false;
    }
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    ok = (std::fclose(f) == 0) && ok;
    if (!ok) std::fprintf(stderr, "assetgen: short write on %s\n", path.c_str());
    return ok;
}

} // namespace

bool writeBmp(const std::string& path, const Image8& img) {
    std::uint32_t rowBytes = (static_cast<std::uint32_t>(img.w) * 3 + 3) & ~3u;
    std::uint32_t imageSize = rowBytes * static_cast<std::uint32_t>(img.h);
    std::vector<std::uint8_t> b;
    b.reserve(54 + imageSize);
    b.push_back('B');
    b.push_back('M');
    put32(b, 54 + imageSize); // file size
    put32(b, 0);              // reserved
    put32(b, 54);             // pixel data offset
    put32(b, 40);             // BITMAPINFOHEADER
    put32(b, static_cast<std::uint32_t>(img.w));
    put32(b, static_cast<std::uint32_t>(img.h)); // positive: bottom-up
    put16(b, 1);                                 // planes
    put16(b, 24);                                // bits per pixel
    put32(b, 0);                                 // no compression
    put32(b, imageSize);
    put32(b, 2835); // 72 dpi
    put32(b, 2835);
    put32(b, 0);
    put32(b, 0);
    for (int y = img.h - 1; y >= 0; --y) {
        for (int x = 0; x < img.w; ++x) {
            const std::uint8_t* p = img.at(x, y);
            b.push_back(p[2]);
            b.push_back(p[1]);
            b.push_back(p[0]);
        }
        for (std::uint32_t pad = static_cast<std::uint32_t>(img.w) * 3; pad < rowBytes; ++pad)
            b.push_back(0);
    }
    return writeBytes(path, b);
}

bool writeWav(const std::string& path, const std::vector<std::int16_t>& s, int rate) {
    std::uint32_t dataBytes = static_cast<std::uint32_t>(s.size() * 2);
    std::vector<std::uint8_t> b;
    b.reserve(44 + dataBytes);
    for (char c : {'R', 'I', 'F', 'F'})
        b.push_back(static_cast<std::uint8_t>(c));
    put32(b, 36 + dataBytes);
    for (char c : {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '})
        b.push_back(static_cast<std::uint8_t>(c));
    put32(b, 16);
    put16(b, 1); // PCM
    put16(b, 1); // mono
    put32(b, static_cast<std::uint32_t>(rate));
    put32(b, static_cast<std::uint32_t>(rate) * 2);
    put16(b, 2);
    put16(b, 16);
    for (char c : {'d', 'a', 't', 'a'})
        b.push_back(static_cast<std::uint8_t>(c));
    put32(b, dataBytes);
    for (std::int16_t v : s)
        put16(b, static_cast<std::uint16_t>(v));
    return writeBytes(path, b);
}

bool writePng(const std::string& path, int w, int h, const std::vector<std::uint8_t>& rgba) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) {
        std::fprintf(stderr, "assetgen: cannot write %s: %s\n", path.c_str(), std::strerror(errno));
        return false;
    }
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!png || !info || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        std::fclose(f);
        std::fprintf(stderr, "assetgen: PNG error on %s\n", path.c_str());
        return false;
    }
    png_init_io(png, f);
    png_set_IHDR(png, info, static_cast<png_uint_32>(w), static_cast<png_uint_32>(h), 8,
                 PNG_COLOR_TYPE_RGBA, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < h; ++y)
        png_write_row(png, const_cast<png_bytep>(&rgba[size_t(y) * w * 4]));
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return std::fclose(f) == 0;
}

bool writeText(const std::string& path, const std::string& text) {
    return writeBytes(path, std::vector<std::uint8_t>(text.begin(), text.end()));
}

bool makeDirs(const std::string& path) {
    std::string cur;
    for (size_t i = 0; i <= path.size(); ++i) {
        if (i == path.size() || path[i] == '/') {
            if (!cur.empty() && ::mkdir(cur.c_str(), 0755) != 0 && errno != EEXIST) {
                std::fprintf(stderr, "assetgen: cannot create %s: %s\n", cur.c_str(),
                             std::strerror(errno));
                return false;
            }
        }
        if (i < path.size()) cur += path[i];
    }
    return true;
}
