#include "render/text.h"

#include <GL/gl.h>

#include <cstdarg>
#include <cstdio>

#include "platform/platform.h"

uint32_t fontLists[2] = {};

namespace {
constexpr int kFontCount = 2;
constexpr int kFirstChar = 32;
constexpr int kCharCount = 96; // codes 32 to 127
} // namespace

void createFont(const char* face, int height, int width, int index) {
    if (index < 0 || index >= kFontCount) return;
    fontLists[index] = glGenLists(kCharCount);
    // Without a usable face the lists exist and draw nothing.
    platform::buildFontLists(face, height, width, fontLists[index]);
}

void drawText(int font, float x, float y, const char* format, ...) {
    if (font < 0 || font >= kFontCount || fontLists[font] == 0 || !format) return;

    char formatted[256];
    va_list args;
    va_start(args, format);
    int written = std::vsnprintf(formatted, sizeof(formatted), format, args);
    va_end(args);
    if (written <= 0) return;

    // Only codes 32 to 127 have a list; anything else would call a list of
    // some other font or none at all.
    char text[256];
    int length = 0;
    for (const char* c = formatted; *c != '\0'; ++c) {
        unsigned char code = static_cast<unsigned char>(*c);
        if (code >= kFirstChar && code < kFirstChar + kCharCount) text[length++] = *c;
    }
    if (length == 0) return;

    glListBase(fontLists[font] - kFirstChar);
    // A start outside the window makes the raster position invalid, and GL
    // then draws none of the text.
    glRasterPos2f(x, y);
    glCallLists(length, GL_UNSIGNED_BYTE, text);
}
