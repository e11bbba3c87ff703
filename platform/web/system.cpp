// Cursor, clock, message boxes, key names, fonts and the process's small
// services, for the page.
#include <emscripten/emscripten.h>

#include <cstdio>
#include <string>

#include "platform/glyph_atlas.h"
#include "platform/platform.h"
#include "platform/process.h"
#include "platform/scripted.h"
#include "platform/web/keys.h"
#include "platform/web/web_window.h"

namespace platform {

namespace {

// The glyphs come baked with the data: nothing rasterises in the page.
constexpr const char* kBakedAtlas = "Fonts/glyphs.qga";
GlyphAtlas baked;
bool bakedRead = false;

} // namespace

void getCursorPos(int& x, int& y) {
    if (scripted::on()) {
        scripted::cursor(x, y);
        return;
    }
    double cx = 0.0, cy = 0.0;
    web::cursorCss(cx, cy);
    web::canvasPointToPicture(cx, cy, x, y);
}

void setCursorPos(int x, int y) {
    // A page cannot move the pointer; only the scripted one moves.
    if (scripted::on()) scripted::moveCursor(x, y);
}

void showCursor(bool show) {
    EM_ASM(
        {
            var c = document.getElementById('canvas');
            if (c) c.classList.toggle('nocursor', !$0);
        },
        show);
}

uint32_t tickCount() {
    if (scripted::on()) return scripted::ticks();
    return static_cast<uint32_t>(static_cast<uint64_t>(emscripten_get_now()));
}

void messageBox(const char* text, const char* caption) {
    if (text == nullptr) text = "";
    if (caption == nullptr) caption = "";
    std::fprintf(stderr, "%s: %s\n", caption, text);
    if (scripted::on()) {
        scripted::captureBox(text, caption);
        return;
    }
    // The page shows it as text beside the canvas.
    EM_ASM(
        {
            if (Module.quorvexNotice)
                Module.quorvexNotice(UTF8ToString($0) + ': ' + UTF8ToString($1));
        },
        caption, text);
}

const char* scancodeName(uint32_t scancode) {
    const web::KeyInfo* k = web::keyByScancode(scancode);
    return k != nullptr ? k->name : "";
}

uint32_t scancodeByName(const char* name) {
    const web::KeyInfo* k = web::keyByName(name);
    return k != nullptr ? k->scancode : 0;
}

std::string keyLabel(uint32_t scancode) {
    return scancodeName(scancode);
}

bool prepareFontFace(const char*) {
    if (bakedRead) return baked.fontCount > 0;
    bakedRead = true;
    std::string problem;
    if (!readGlyphAtlas(kBakedAtlas, baked, problem)) {
        std::fprintf(stderr, "quorvex: %s: %s\n", kBakedAtlas, problem.c_str());
        baked = GlyphAtlas{};
    }
    return baked.fontCount > 0;
}

int addFontToAtlas(GlyphAtlas& atlas, const char* face, int height, int width) {
    int have = atlas.find(height, width);
    if (have >= 0) return have;
    if (!prepareFontFace(face)) return -1;
    // The baked atlas holds every size the game asks for: it becomes the
    // whole atlas at the first font.
    if (baked.find(height, width) < 0) {
        std::fprintf(stderr, "quorvex: no baked font of size %d x %d\n", height, width);
        return -1;
    }
    atlas = baked;
    return atlas.find(height, width);
}

void runHeadless() {}

void sleepMs(uint32_t) {
    // The page never blocks: the next animation frame comes on its own.
}

void discardDrawing(bool) {}

} // namespace platform
