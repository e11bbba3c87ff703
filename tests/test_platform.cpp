// The SDL platform layer: key translation, the message queue, the scripted
// test hooks, and (in one offscreen window) the GL context and the fonts.
#include "draw/draw_list.h"
#include "platform/glyph_atlas.h"
#include "platform/keymap.h"
#include "platform/platform.h"
#include "platform/sdl_window.h"
#include "render/gl_backend.h"
#include "render/text.h"

#include <GL/gl.h>
#include <SDL.h>
#include <gtest/gtest.h>
#include <png.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

namespace {

// Everything waiting in the queue, window events included.
std::vector<Message> drain() {
    std::vector<Message> got;
    Message m;
    while (platform::peekMessage(m))
        got.push_back(m);
    return got;
}

void pushKey(Uint32 type, SDL_Keycode key, SDL_Scancode scancode, Uint8 repeat) {
    SDL_Event e{};
    e.type = type;
    e.key.type = type;
    e.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
    e.key.repeat = repeat;
    e.key.keysym.sym = key;
    e.key.keysym.scancode = scancode;
    SDL_PushEvent(&e);
}

void pushButton(Uint32 type, Uint8 button) {
    SDL_Event e{};
    e.type = type;
    e.button.type = type;
    e.button.button = button;
    e.button.state = type == SDL_MOUSEBUTTONDOWN ? SDL_PRESSED : SDL_RELEASED;
    SDL_PushEvent(&e);
}

void savePng(const char* name, int width, int height, const std::vector<unsigned char>& rgb) {
    std::filesystem::create_directories(QUORVEX_SCREENSHOT_DIR);
    std::string path = std::string(QUORVEX_SCREENSHOT_DIR) + "/" + name;
    FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) return;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png)) == 0) {
        png_init_io(png, f);
        png_set_IHDR(png, info, width, height, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                     PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
        png_write_info(png, info);
        // GL rows run bottom-up.
        for (int y = height - 1; y >= 0; --y) {
            png_write_row(png, const_cast<png_bytep>(&rgb[static_cast<size_t>(y) * width * 3]));
        }
        png_write_end(png, nullptr);
    }
    png_destroy_write_struct(&png, &info);
    std::fclose(f);
}

} // namespace

TEST(PlatformKeyMap, LettersDigitsAndFunctionKeysUseWindowsCodes) {
    EXPECT_EQ(platform::virtualKeyFor(SDLK_a, SDL_SCANCODE_A), 65u);
    EXPECT_EQ(platform::virtualKeyFor(SDLK_w, SDL_SCANCODE_W), 87u);
    EXPECT_EQ(platform::virtualKeyFor(SDLK_z, SDL_SCANCODE_Z), 90u);
    EXPECT_EQ(platform::virtualKeyFor(SDLK_0, SDL_SCANCODE_0), 48u);
    EXPECT_EQ(platform::virtualKeyFor(SDLK_4, SDL_SCANCODE_4), 52u);
    EXPECT_EQ(platform::virtualKeyFor(SDLK_F1, SDL_SCANCODE_F1), 112u);
    EXPECT_EQ(platform::virtualKeyFor(SDLK_F12, SDL_SCANCODE_F12), 123u);
}

TEST(PlatformKeyMap, ModifiersAndNavigationKeys) {
    EXPECT_EQ(platform::virtualKeyFor(SDLK_LSHIFT, SDL_SCANCODE_LSHIFT), uint32_t(VkShift));
    EXPECT_EQ(platform::virtualKeyFor(SDLK_RSHIFT, SDL_SCANCODE_RSHIFT), uint32_t(VkShift));
    EXPECT_EQ(platform::virtualKeyFor(SDLK_RCTRL, SDL_SCANCODE_RCTRL), 17u);
    EXPECT_EQ(platform::virtualKeyFor(SDLK_LALT, SDL_SCANCODE_LALT), 18u);
    EXPECT_EQ(platform::virtualKeyFor(SDLK_ESCAPE, SDL_SCANCODE_ESCAPE), uint32_t(VkEscape));
    EXPECT_EQ(platform::virtualKeyFor(SDLK_RETURN, SDL_SCANCODE_RETURN), 13u);
    EXPECT_EQ(platform::virtualKeyFor(SDLK_SPACE, SDL_SCANCODE_SPACE), 32u);
    EXPECT_EQ(platform::virtualKeyFor(SDLK_LEFT, SDL_SCANCODE_LEFT), uint32_t(VkLeft));
    EXPECT_EQ(platform::virtualKeyFor(SDLK_UP, SDL_SCANCODE_UP), uint32_t(VkUp));
    EXPECT_EQ(platform::virtualKeyFor(SDLK_RIGHT, SDL_SCANCODE_RIGHT), uint32_t(VkRight));
    EXPECT_EQ(platform::virtualKeyFor(SDLK_DOWN, SDL_SCANCODE_DOWN), uint32_t(VkDown));
    EXPECT_EQ(platform::virtualKeyFor(SDLK_PAGEUP, SDL_SCANCODE_PAGEUP), 33u);
    EXPECT_EQ(platform::virtualKeyFor(SDLK_HOME, SDL_SCANCODE_HOME), 36u);
    EXPECT_EQ(platform::virtualKeyFor(SDLK_DELETE, SDL_SCANCODE_DELETE), 46u);
}

TEST(PlatformKeyMap, NumpadKeysAreNotDigits) {
    EXPECT_EQ(platform::virtualKeyFor(SDLK_KP_0, SDL_SCANCODE_KP_0), 96u);
    EXPECT_EQ(platform::virtualKeyFor(SDLK_KP_1, SDL_SCANCODE_KP_1), 97u);
    EXPECT_EQ(platform::virtualKeyFor(SDLK_KP_9, SDL_SCANCODE_KP_9), 105u);
}

TEST(PlatformKeyMap, UnknownKeysGiveZeroAndOtherLayoutsFallBackToThePosition) {
    EXPECT_EQ(platform::virtualKeyFor(SDLK_AUDIOPLAY, SDL_SCANCODE_AUDIOPLAY), 0u);
    EXPECT_EQ(platform::virtualKeyFor(SDLK_UNKNOWN, SDL_SCANCODE_UNKNOWN), 0u);
    // A Cyrillic letter on the W key still steers like W.
    EXPECT_EQ(platform::virtualKeyFor(0x446, SDL_SCANCODE_W), 87u);
}

TEST(PlatformQueue, PostedMessagesComeBackInOrder) {
    drain();
    platform::postMessage(Message{MsgType::KeyDown, 65});
    platform::postMessage(Message{MsgType::LButtonDown, 0});
    platform::postQuitMessage();
    std::vector<Message> got = drain();
    ASSERT_EQ(got.size(), 3u);
    EXPECT_EQ(got[0].type, MsgType::KeyDown);
    EXPECT_EQ(got[0].wParam, 65u);
    EXPECT_EQ(got[1].type, MsgType::LButtonDown);
    EXPECT_EQ(got[2].type, MsgType::Quit);
    Message m;
    EXPECT_FALSE(platform::peekMessage(m));
}

TEST(PlatformQueue, AFullQueueDropsTheOverflowAndKeepsTheOrder) {
    drain();
    for (uint32_t i = 0; i < 300; ++i)
        platform::postMessage(Message{MsgType::KeyDown, i});
    std::vector<Message> got = drain();
    ASSERT_EQ(got.size(), 256u);
    for (uint32_t i = 0; i < 256; ++i)
        EXPECT_EQ(got[i].wParam, i);
    // Wrapped around the ring: still first in, first out.
    platform::postMessage(Message{MsgType::KeyUp, 7});
    platform::postMessage(Message{MsgType::KeyUp, 8});
    got = drain();
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[0].wParam, 7u);
    EXPECT_EQ(got[1].wParam, 8u);
}

TEST(PlatformTestHooks, ScriptedClockCursorAndCapturedBoxes) {
    platform::test::enable();
    EXPECT_TRUE(platform::test::enabled());

    platform::test::setTicks(1000);
    EXPECT_EQ(platform::tickCount(), 1000u);
    platform::test::advanceTicks(16);
    EXPECT_EQ(platform::tickCount(), 1016u);
    // Wraps like GetTickCount.
    platform::test::setTicks(0xFFFFFFF0u);
    platform::test::advanceTicks(0x20);
    EXPECT_EQ(platform::tickCount(), 0x10u);

    int x = -1, y = -1;
    platform::test::setCursor(512, 384);
    platform::getCursorPos(x, y);
    EXPECT_EQ(x, 512);
    EXPECT_EQ(y, 384);
    platform::setCursorPos(10, 20);
    platform::getCursorPos(x, y);
    EXPECT_EQ(x, 10);
    EXPECT_EQ(y, 20);

    platform::test::clearBoxes();
    platform::messageBox("Textures/Cell.bmp", "File not found!");
    platform::messageBox("Error screen mode", "Settings.ini");
    ASSERT_EQ(platform::test::boxes().size(), 2u);
    EXPECT_EQ(platform::test::boxes()[0].text, "Textures/Cell.bmp");
    EXPECT_EQ(platform::test::boxes()[0].caption, "File not found!");
    EXPECT_EQ(platform::test::boxes()[1].caption, "Settings.ini");
    platform::test::clearBoxes();
    EXPECT_TRUE(platform::test::boxes().empty());
}

// Without any display, createWindow says so and fails. Runs itself again in
// a child process with no usable video driver.
std::string runNoDisplayChild(const std::string& environment, int& status) {
    std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
    std::string cmd = "env " + environment + " QUORVEX_PLATFORM_CHILD=1 '" + self +
                      "' --gtest_filter=PlatformNoDisplay.* 2>&1";
    FILE* child = popen(cmd.c_str(), "r");
    if (child == nullptr) {
        status = -1;
        return "";
    }
    std::string output;
    char buffer[256];
    while (std::fgets(buffer, sizeof buffer, child) != nullptr)
        output += buffer;
    status = pclose(child);
    return output;
}

TEST(PlatformNoDisplay, CreateWindowFailsWithAClearMessage) {
    if (std::getenv("QUORVEX_PLATFORM_CHILD") != nullptr) {
        EXPECT_FALSE(platform::createWindow("Quorvex Game", 640, 480));
        Message m;
        EXPECT_FALSE(platform::peekMessage(m));
        platform::swapBuffers();
        platform::destroyWindow();
        return;
    }
    int status = 0;
    std::string output = runNoDisplayChild("SDL_VIDEODRIVER=no-such-driver", status);
    EXPECT_EQ(status, 0) << output;
    EXPECT_NE(output.find("No display could be opened"), std::string::npos) << output;

    // No X or Wayland display: SDL's invisible fallback must not pass for one.
    output = runNoDisplayChild("-u SDL_VIDEODRIVER -u DISPLAY -u WAYLAND_DISPLAY", status);
    EXPECT_EQ(status, 0) << output;
    EXPECT_NE(output.find("No display could be opened"), std::string::npos) << output;
}

class PlatformWindow : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        opened = platform::createWindow("Quorvex Game", 1024, 768) && render::prepareContext();
    }
    static void TearDownTestSuite() {
        drain();
        platform::destroyWindow();
    }
    void SetUp() override {
        if (!opened) GTEST_SKIP() << "no display for the window tests";
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT);
    }

    // Draws `text` in font 0 or 1 from pixel column 0 on the middle row,
    // through the draw list and the back end, over a cleared picture.
    static void drawText(int font, const char* text) {
        glClear(GL_COLOR_BUFFER_BIT);
        draw::clear();
        draw::text(font, -1.0f, 0.0f, kWhite, "%s", text);
        render::submitDrawList(drawList);
    }

    static std::vector<unsigned char> readBack() {
        // RGBA, which OpenGL ES reads too.
        std::vector<unsigned char> rgba(1024 * 768 * 4), rgb(1024 * 768 * 3);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(0, 0, 1024, 768, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
        for (size_t i = 0; i < rgb.size() / 3; ++i)
            for (int c = 0; c < 3; ++c)
                rgb[i * 3 + c] = rgba[i * 4 + c];
        return rgb;
    }

    // Rows and columns of lit pixels, as [min, max] each; false when none.
    static bool litBox(const std::vector<unsigned char>& rgb, int& x0, int& x1, int& y0, int& y1) {
        x0 = y0 = 1 << 30;
        x1 = y1 = -1;
        for (int y = 0; y < 768; ++y) {
            for (int x = 0; x < 1024; ++x) {
                if (rgb[(static_cast<size_t>(y) * 1024 + x) * 3] > 128) {
                    x0 = std::min(x0, x);
                    x1 = std::max(x1, x);
                    y0 = std::min(y0, y);
                    y1 = std::max(y1, y);
                }
            }
        }
        return x1 >= 0;
    }

    static bool opened;
};
bool PlatformWindow::opened = false;

TEST_F(PlatformWindow, ContextIsCoreOrEsAndReadsBackTheClearColour) {
    const char* version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
    ASSERT_NE(version, nullptr);
    const std::string v = version;
    std::printf("context: %s\n", version);
    // QUORVEX_GL=es asks for OpenGL ES 3.0 (the browser's API).
    const char* flavour = std::getenv("QUORVEX_GL");
    if (flavour != nullptr && std::string(flavour) == "es") {
        EXPECT_EQ(v.rfind("OpenGL ES 3", 0), 0u) << version;
    }
    EXPECT_TRUE(v.find("Core Profile") != std::string::npos || v.rfind("OpenGL ES 3", 0) == 0)
        << version;

    glClearColor(0.0f, 0.0f, 1.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    unsigned char px[4] = {};
    glReadPixels(10, 10, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, px);
    EXPECT_EQ(px[0], 0);
    EXPECT_EQ(px[2], 255);

    // Red over the right half.
    glEnable(GL_SCISSOR_TEST);
    glScissor(512, 0, 512, 768);
    glClearColor(1.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    glDisable(GL_SCISSOR_TEST);
    glReadPixels(900, 300, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, px);
    EXPECT_EQ(px[0], 255);
    EXPECT_EQ(px[2], 0);
    glReadPixels(100, 300, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, px);
    EXPECT_EQ(px[2], 255);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    platform::swapBuffers();
}

// The pen's travel over `text` in an atlas font.
int advanceOf(const platform::GlyphAtlas& atlas, int font, const char* text) {
    int pen = 0;
    for (const char* c = text; *c; ++c)
        pen += atlas.fonts[font].glyphs[*c - platform::GlyphAtlas::kFirstCode].advance;
    return pen;
}

TEST_F(PlatformWindow, FontsAdvanceByTheirWidthAndFillTheirCell) {
    platform::GlyphAtlas atlas;
    const struct {
        int index;
        int size;
    } fonts[] = {{0, 15}, {1, 30}};
    for (const auto& font : fonts) {
        createFont("Courier new", font.size, font.size, font.index);
        const int made = platform::addFontToAtlas(atlas, "Courier new", font.size, font.size);
        ASSERT_GE(made, 0);
        EXPECT_EQ(advanceOf(atlas, made, "A"), font.size);
        EXPECT_EQ(advanceOf(atlas, made, "Wide text, 100%"), 15 * font.size);
        EXPECT_EQ(advanceOf(atlas, made, "   "), 3 * font.size);

        drawText(font.index, "A");
        int x0, x1, y0, y1;
        ASSERT_TRUE(litBox(readBack(), x0, x1, y0, y1)) << "size " << font.size;
        // The glyph sits on the baseline (row 384) inside its own cell.
        EXPECT_GE(x0, 0);
        EXPECT_LT(x1, font.size);
        EXPECT_GE(y0, 384 - font.size / 3);
        EXPECT_LE(y1, 384 + font.size);
        EXPECT_GE(y1 - y0 + 1, font.size / 2) << "size " << font.size;
        // A space draws nothing.
        drawText(font.index, "   ");
        EXPECT_FALSE(litBox(readBack(), x0, x1, y0, y1));
    }
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST_F(PlatformWindow, FontsRenderedAheadOnAnotherThreadDrawTheSameText) {
    auto drawBoth = [] {
        drawText(0, "Score: 1234 Wave 7");
        std::vector<unsigned char> small = readBack();
        drawText(1, "Quorvex & 0189");
        std::vector<unsigned char> large = readBack();
        small.insert(small.end(), large.begin(), large.end());
        return small;
    };
    render::clearFonts();
    createFont("Courier new", 15, 15, 0);
    createFont("Courier new", 30, 30, 1);
    const std::vector<unsigned char> direct = drawBoth();

    render::clearFonts();
    std::thread ahead([] {
        prepareFont("Courier new", 15, 15);
        prepareFont("Courier new", 30, 30);
    });
    ahead.join();
    createFont("Courier new", 15, 15, 0);
    createFont("Courier new", 30, 30, 1);
    EXPECT_TRUE(drawBoth() == direct);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST_F(PlatformWindow, FontsKeepEveryScreenSizesWidth) {
    platform::GlyphAtlas atlas;
    for (int size : {8, 12, 18, 23}) {
        const int made = platform::addFontToAtlas(atlas, "Courier new", size, size);
        ASSERT_GE(made, 0) << "size " << size;
        EXPECT_EQ(advanceOf(atlas, made, "Score: 1234"), 11 * size);
        createFont("Courier new", size, size, 0);
        drawText(0, "Score: 1234");
        int x0, x1, y0, y1;
        EXPECT_TRUE(litBox(readBack(), x0, x1, y0, y1)) << "size " << size;
        EXPECT_LT(x1, 11 * size);
    }
}

TEST_F(PlatformWindow, ABadFontSizeMakesNoFontAndTheTextDrawsNothing) {
    platform::GlyphAtlas atlas;
    EXPECT_EQ(platform::addFontToAtlas(atlas, "Courier new", 0, 0), -1);
    createFont("Courier new", 0, 0, 0);
    drawText(0, "ABC");
    int x0, x1, y0, y1;
    EXPECT_FALSE(litBox(readBack(), x0, x1, y0, y1));
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST_F(PlatformWindow, ScreenshotOfBothFonts) {
    createFont("Courier new", 15, 15, 0);
    createFont("Courier new", 30, 30, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    draw::clear();
    const Colour yellow{1.0f, 1.0f, 0.0f, 1.0f};
    draw::text(0, -0.95f, 0.5f, yellow, "%s",
               " !\"#$%&'()*+,-./0123456789:;<=>?@ABCDEFGHIJKLMNOPQRSTUVWXYZ[\\]^_");
    draw::text(0, -0.95f, 0.4f, yellow, "%s", "`abcdefghijklmnopqrstuvwxyz{|}~");
    draw::text(1, -0.95f, 0.0f, kWhite, "%s", "Game Over  Score: 1234");
    render::submitDrawList(drawList);
    savePng("platform_fonts.png", 1024, 768, readBack());
    int x0, x1, y0, y1;
    EXPECT_TRUE(litBox(readBack(), x0, x1, y0, y1));
}

TEST_F(PlatformWindow, KeysAndButtonsArriveAsWindowsMessagesWithRepeats) {
    drain();
    pushKey(SDL_KEYDOWN, SDLK_w, SDL_SCANCODE_W, 0);
    pushKey(SDL_KEYDOWN, SDLK_ESCAPE, SDL_SCANCODE_ESCAPE, 0);
    pushKey(SDL_KEYDOWN, SDLK_ESCAPE, SDL_SCANCODE_ESCAPE, 1);
    pushKey(SDL_KEYDOWN, SDLK_AUDIOPLAY, SDL_SCANCODE_AUDIOPLAY, 0);
    pushKey(SDL_KEYUP, SDLK_LSHIFT, SDL_SCANCODE_LSHIFT, 0);
    pushButton(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_LEFT);
    pushButton(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_MIDDLE);
    pushButton(SDL_MOUSEBUTTONUP, SDL_BUTTON_LEFT);
    pushButton(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_RIGHT);
    pushButton(SDL_MOUSEBUTTONUP, SDL_BUTTON_RIGHT);
    // Our own messages come before the window's.
    platform::postMessage(Message{MsgType::Create, 0});

    std::vector<Message> got = drain();
    const Message want[] = {
        {MsgType::Create, 0},
        {MsgType::KeyDown, 87},
        {MsgType::KeyDown, VkEscape},
        {MsgType::KeyDown, VkEscape},
        {MsgType::KeyUp, VkShift},
        {MsgType::LButtonDown, 0},
        {MsgType::OtherButtonDown, PhysicalMouseMiddle},
        {MsgType::LButtonUp, 0},
        {MsgType::RButtonDown, 0},
        {MsgType::RButtonUp, 0},
    };
    ASSERT_EQ(got.size(), std::size(want));
    for (size_t i = 0; i < got.size(); ++i) {
        EXPECT_EQ(got[i].type, want[i].type) << i;
        EXPECT_EQ(got[i].wParam, want[i].wParam) << i;
    }
}

TEST_F(PlatformWindow, ClosingTheWindowGivesOneDestroy) {
    drain();
    SDL_Event close{};
    close.type = SDL_WINDOWEVENT;
    close.window.event = SDL_WINDOWEVENT_CLOSE;
    SDL_PushEvent(&close);
    SDL_Event quit{};
    quit.type = SDL_QUIT;
    SDL_PushEvent(&quit);
    std::vector<Message> got = drain();
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].type, MsgType::Destroy);
}

// Other test groups open the game's window again in the same process.
TEST(PlatformWindowLifecycle, WindowsCanBeOpenedAgainAfterClosing) {
    for (int round = 0; round < 3; ++round) {
        if (!platform::createWindow("Quorvex Game", 800, 600)) GTEST_SKIP() << "no display";
        glClearColor(0.0f, 1.0f, 0.0f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT);
        unsigned char px[4] = {};
        glReadPixels(799, 599, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, px);
        EXPECT_EQ(px[1], 255) << "round " << round;
        EXPECT_TRUE(render::prepareContext()) << "round " << round;
        platform::swapBuffers();
        // A window closed in one round does not close the next.
        SDL_Event quit{};
        quit.type = SDL_QUIT;
        SDL_PushEvent(&quit);
        std::vector<Message> got = drain();
        ASSERT_EQ(got.size(), 1u);
        EXPECT_EQ(got[0].type, MsgType::Destroy);
        platform::destroyWindow();
    }
    // Opening twice without closing replaces the window.
    ASSERT_TRUE(platform::createWindow("Quorvex Game", 640, 480));
    ASSERT_TRUE(platform::createWindow("Quorvex Game", 1024, 768));
    GLint viewport[4] = {};
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[2], 1024);
    EXPECT_EQ(viewport[3], 768);
    platform::destroyWindow();
    platform::destroyWindow();
}

TEST(PlatformWindowLifecycle, FullScreenCoversTheDisplayAndKeepsThePictureAndContext) {
    const struct { int width, height, bits; } modes[] = {{1024, 768, 32}, {640, 480, 16}};
    for (const auto& mode : modes) {
        if (!platform::createWindow("Quorvex Game", mode.width, mode.height)) {
            GTEST_SKIP() << "no display";
        }
        platform::changeDisplayMode(mode.width, mode.height, mode.bits);
        platform::showCursor(false);
        // The window covers the display at the display's own size; the game
        // goes on drawing its picture of the asked size.
        int w = 0, h = 0;
        SDL_GetWindowSize(platform::sdlWindow(), &w, &h);
        SDL_Rect display{};
        SDL_GetDisplayBounds(0, &display);
        EXPECT_EQ(w, display.w);
        EXPECT_EQ(h, display.h);
        GLint viewport[4] = {};
        glGetIntegerv(GL_VIEWPORT, viewport);
        EXPECT_EQ(viewport[2], mode.width);
        EXPECT_EQ(viewport[3], mode.height);
        glClearColor(1.0f, 0.0f, 0.0f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT);
        unsigned char px[4] = {};
        glReadPixels(mode.width - 1, mode.height - 1, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, px);
        EXPECT_EQ(px[0], 255);
        platform::swapBuffers();
        drain();
        platform::destroyWindow();
    }
}
