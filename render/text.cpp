#include "render/text.h"

#include <GL/gl.h>

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
