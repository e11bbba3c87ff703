#include "harness.h"

#include <GL/gl.h>
#include <png.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "app/entry.h"
#include "app/frame.h"
#include "app/input.h"
#include "app/settings.h"
#include "app/startup.h"
#include "game/world/world.h"
#include "platform/platform.h"
#include "platform/sdl_window.h"

namespace fs = std::filesystem;

namespace harness {
namespace {

// Tests that never boot still hear the game's sounds and see its message
// boxes, as the game connects them at start-up.
const bool connected = (connectGameToProgram(), true);

bool windowOpen = false;
int windowWidth = 0;
int windowHeight = 0;
bool quit = false;
std::vector<uint8_t> lastFrame; // RGBA, bottom row first as GL reads it
std::vector<std::string> scratchDirs;

void captureFrame() {
    lastFrame.resize(static_cast<size_t>(windowWidth) * windowHeight * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    // The bound framebuffer's own read buffer: the game's picture.
    glReadPixels(0, 0, windowWidth, windowHeight, GL_RGBA, GL_UNSIGNED_BYTE, lastFrame.data());
}

void removeScratch() {
    std::error_code ec;
    for (const std::string& dir : scratchDirs)
        fs::remove_all(dir, ec);
}

} // namespace

bool boot(const char* dir) {
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    setenv("ALSOFT_DRIVERS", "null", 0);
    platform::test::enable();
    // Scores and settings of the player's own never come from, or go to,
    // the real home folder.
    static std::string home = scratchDataDir(false);
    setenv("XDG_DATA_HOME", (home + "/data").c_str(), 1);
    setenv("XDG_CONFIG_HOME", (home + "/config").c_str(), 1);
    platform::test::setTicks(1000);
    platform::test::clearBoxes();
    if (chdir(dir) != 0) return false;

    resetProgramState();
    quit = false;
    readSettings("Settings.ini");
    // As the game does: the pictures, the font and the sounds are read while
    // the window opens.
    startLoading();
    // Platform tests in the same process may have closed the window under us.
    if (windowOpen && platform::sdlWindow() == nullptr) windowOpen = false;
    if (windowOpen &&
        (windowWidth != world().screenWidth || windowHeight != world().screenHeight)) {
        platform::destroyWindow();
        windowOpen = false;
    }
    if (!windowOpen) {
        if (!platform::createWindow("Quorvex Game", world().screenWidth, world().screenHeight))
            return false;
        windowOpen = true;
        windowWidth = world().screenWidth;
        windowHeight = world().screenHeight;
    }
    // Leftover messages belong to the previous game.
    Message stale;
    while (platform::peekMessage(stale)) {
    }
    beforeSwap = captureFrame;
    windowProc(Message{MsgType::Create, 0});
    previousTicks = static_cast<float>(platform::tickCount());
    world().runFactor = 1.0f;
    return true;
}

bool frame(uint32_t ms) {
    platform::test::advanceTicks(ms);
    for (;;) {
        LoopPass pass = loopPass();
        if (pass == LoopPass::Quit) {
            quit = true;
            return false;
        }
        if (pass == LoopPass::Frame) return true;
        if (pass == LoopPass::Wait) {
            // No time has passed: the test looks at the world it changed.
            runStillFrame();
            return true;
        }
    }
}

bool frames(int count, uint32_t ms) {
    for (int i = 0; i < count; ++i)
        if (!frame(ms)) return false;
    return true;
}

bool quitRequested() {
    return quit;
}

void keyDown(uint32_t vk) {
    platform::postMessage(Message{MsgType::KeyDown, vk});
}
void keyUp(uint32_t vk) {
    platform::postMessage(Message{MsgType::KeyUp, vk});
}
void key(uint32_t vk) {
    keyDown(vk);
    keyUp(vk);
}
void leftDown() {
    platform::postMessage(Message{MsgType::LButtonDown, 0});
}
void leftUp() {
    platform::postMessage(Message{MsgType::LButtonUp, 0});
}
void rightDown() {
    platform::postMessage(Message{MsgType::RButtonDown, 0});
}
void rightUp() {
    platform::postMessage(Message{MsgType::RButtonUp, 0});
}

void cursor(int x, int y) {
    platform::test::setCursor(x, y);
}
void cursorArena(float x, float y) {
    int px = static_cast<int>(std::lround((x + 1.0f) * (world().screenWidth / 2)));
    int py = static_cast<int>(std::lround((1.0f - y) * (world().screenHeight / 2)));
    platform::test::setCursor(px, py);
}
void cursorPos(int& x, int& y) {
    platform::getCursorPos(x, y);
}

int width() {
    return windowWidth;
}
int height() {
    return windowHeight;
}

Pixel pixel(int x, int y) {
    Pixel p;
    if (x < 0 || y < 0 || x >= windowWidth || y >= windowHeight || lastFrame.empty()) return p;
    size_t row = static_cast<size_t>(windowHeight - 1 - y);
    const uint8_t* src = &lastFrame[(row * windowWidth + x) * 4];
    p.r = src[0];
    p.g = src[1];
    p.b = src[2];
    p.a = src[3];
    return p;
}

Pixel pixelArena(float x, float y) {
    int px = static_cast<int>((x + 1.0f) * 0.5f * windowWidth);
    int py = static_cast<int>((1.0f - y) * 0.5f * windowHeight);
    if (px == windowWidth) --px;
    if (py == windowHeight) --py;
    return pixel(px, py);
}

bool writePng(const std::string& path, int width, int height, const std::vector<uint8_t>& rgb) {
    if (width <= 0 || height <= 0 || rgb.size() != static_cast<size_t>(width) * height * 3)
        return false;
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        std::fclose(file);
        return false;
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, width, height, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_set_compression_level(png, 9);
    png_write_info(png, info);
    for (int y = 0; y < height; ++y)
        png_write_row(png, &rgb[static_cast<size_t>(y) * width * 3]);
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return std::fclose(file) == 0;
}

bool readPng(const std::string& path, int& width, int& height, std::vector<uint8_t>& rgb) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) return false;
    image.format = PNG_FORMAT_RGB;
    rgb.assign(PNG_IMAGE_SIZE(image), 0);
    if (!png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr)) {
        png_image_free(&image);
        return false;
    }
    width = static_cast<int>(image.width);
    height = static_cast<int>(image.height);
    return true;
}

std::vector<uint8_t> frameRgb() {
    std::vector<uint8_t> rgb(static_cast<size_t>(windowWidth) * windowHeight * 3);
    if (lastFrame.empty()) return {};
    for (int y = 0; y < windowHeight; ++y) {
        const uint8_t* src =
            &lastFrame[static_cast<size_t>(windowHeight - 1 - y) * windowWidth * 4];
        uint8_t* row = &rgb[static_cast<size_t>(y) * windowWidth * 3];
        for (int x = 0; x < windowWidth; ++x) {
            row[x * 3] = src[x * 4];
            row[x * 3 + 1] = src[x * 4 + 1];
            row[x * 3 + 2] = src[x * 4 + 2];
        }
    }
    return rgb;
}

void screenshot(const std::string& name) {
    fs::create_directories(QUORVEX_SCREENSHOT_DIR);
    std::vector<uint8_t> rgb = frameRgb();
    if (rgb.empty()) return;
    writePng(std::string(QUORVEX_SCREENSHOT_DIR) + "/" + name + ".png", windowWidth, windowHeight,
             rgb);
}

std::vector<std::string> boxes() {
    std::vector<std::string> out;
    for (const platform::test::Box& box : platform::test::boxes())
        out.push_back(box.caption + ": " + box.text);
    return out;
}

void skipRendering() {
    // Only where this test has the process to itself (CTest runs each test
    // alone and says so): once the driver is up it stays as it started, and
    // a later test in the same process may read pixels.
    if (windowOpen || std::getenv("QUORVEX_ONE_TEST_PER_PROCESS") == nullptr) return;
    setenv("GALLIUM_NOOP", "true", 1);
}

std::string scratchDataDir(bool copyData) {
    if (scratchDirs.empty()) std::atexit(removeScratch);
    char pattern[] = "/tmp/quorvex-data-XXXXXX";
    char* made = mkdtemp(pattern);
    if (!made) return {};
    std::string dir = made;
    scratchDirs.push_back(dir);
    if (copyData) fs::copy(QUORVEX_DATA_DIR, dir, fs::copy_options::recursive);
    return dir;
}

} // namespace harness
