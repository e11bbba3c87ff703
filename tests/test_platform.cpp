// The SDL platform layer: key translation, the message queue, the scripted
// test hooks, and (in one offscreen window) the GL context and the fonts.
#include "platform/keymap.h"
#include "platform/platform.h"
#include "platform/sdl_window.h"

#include <GL/gl.h>
#include <SDL.h>
#include <gtest/gtest.h>
#include <png.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
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
        opened = platform::createWindow("Quorvex Game", 1024, 768);
        fontBase = glGenLists(96 * 2);
    }
    static void TearDownTestSuite() {
        drain();
        platform::destroyWindow();
    }
    void SetUp() override {
        if (!opened) GTEST_SKIP() << "no display for the window tests";
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT);
        glColor3f(1, 1, 1);
    }

    // Draws `text` from pixel column 0 at the arena's middle line and returns
    // the raster position's x afterwards.
    static float drawAt(unsigned base, const char* text) {
        glListBase(base - 32);
        glRasterPos2f(-1.0f, 0.0f);
        glCallLists(static_cast<GLsizei>(std::strlen(text)), GL_UNSIGNED_BYTE, text);
        GLfloat pos[4] = {};
        glGetFloatv(GL_CURRENT_RASTER_POSITION, pos);
        return pos[0];
    }

    static std::vector<unsigned char> readBack() {
        std::vector<unsigned char> rgb(1024 * 768 * 3);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(0, 0, 1024, 768, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
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
    static unsigned fontBase;
};
bool PlatformWindow::opened = false;
unsigned PlatformWindow::fontBase = 0;

TEST_F(PlatformWindow, ContextAllowsImmediateModeAndReadsBackTheClearColour) {
    const char* version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
    ASSERT_NE(version, nullptr);
    EXPECT_EQ(std::string(version).find("Core"), std::string::npos) << version;

    glClearColor(0.0f, 0.0f, 1.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    unsigned char px[3] = {};
    glReadPixels(10, 10, 1, 1, GL_RGB, GL_UNSIGNED_BYTE, px);
    EXPECT_EQ(px[0], 0);
    EXPECT_EQ(px[2], 255);

    // A red quad over the right half, in arena coordinates.
    glColor3f(1, 0, 0);
    glBegin(GL_QUADS);
    glVertex2f(0, -1);
    glVertex2f(1, -1);
    glVertex2f(1, 1);
    glVertex2f(0, 1);
    glEnd();
    glReadPixels(900, 300, 1, 1, GL_RGB, GL_UNSIGNED_BYTE, px);
    EXPECT_EQ(px[0], 255);
    EXPECT_EQ(px[2], 0);
    glReadPixels(100, 300, 1, 1, GL_RGB, GL_UNSIGNED_BYTE, px);
    EXPECT_EQ(px[2], 255);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    platform::swapBuffers();
}

TEST_F(PlatformWindow, FontsAdvanceByTheirWidthAndFillTheirCell) {
    ASSERT_TRUE(platform::buildFontLists("Courier new", 15, 15, fontBase));
    ASSERT_TRUE(platform::buildFontLists("Courier new", 30, 30, fontBase + 96));
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    const struct {
        unsigned base;
        int size;
    } fonts[] = {{fontBase, 15}, {fontBase + 96, 30}};
    for (const auto& font : fonts) {
        glClear(GL_COLOR_BUFFER_BIT);
        EXPECT_FLOAT_EQ(drawAt(font.base, "A"), static_cast<float>(font.size));
        int x0, x1, y0, y1;
        ASSERT_TRUE(litBox(readBack(), x0, x1, y0, y1)) << "size " << font.size;
        // The glyph sits on the baseline (row 384) inside its own cell.
        EXPECT_GE(x0, 0);
        EXPECT_LT(x1, font.size);
        EXPECT_GE(y0, 384 - font.size / 3);
        EXPECT_LE(y1, 384 + font.size);
        EXPECT_GE(y1 - y0 + 1, font.size / 2) << "size " << font.size;

        glClear(GL_COLOR_BUFFER_BIT);
        EXPECT_FLOAT_EQ(drawAt(font.base, "Wide text, 100%"), 15.0f * font.size);
        // A space draws nothing but still moves on.
        glClear(GL_COLOR_BUFFER_BIT);
        EXPECT_FLOAT_EQ(drawAt(font.base, "   "), 3.0f * font.size);
        EXPECT_FALSE(litBox(readBack(), x0, x1, y0, y1));
    }
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST_F(PlatformWindow, FontsKeepEveryScreenSizesWidthAndTheUnpackAlignment) {
    unsigned base = glGenLists(96);
    for (int size : {8, 12, 18, 23}) {
        GLint alignment = 0;
        ASSERT_TRUE(platform::buildFontLists("Courier new", size, size, base));
        glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
        EXPECT_EQ(alignment, 4);
        glClear(GL_COLOR_BUFFER_BIT);
        EXPECT_FLOAT_EQ(drawAt(base, "Score: 1234"), 11.0f * size);
        int x0, x1, y0, y1;
        EXPECT_TRUE(litBox(readBack(), x0, x1, y0, y1)) << "size " << size;
    }
    glDeleteLists(base, 96);
}

TEST_F(PlatformWindow, ABadFontSizeStillLeavesListsThatDrawNothing) {
    unsigned base = glGenLists(96);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    EXPECT_FALSE(platform::buildFontLists("Courier new", 0, 0, base));
    glClear(GL_COLOR_BUFFER_BIT);
    drawAt(base, "ABC");
    int x0, x1, y0, y1;
    EXPECT_FALSE(litBox(readBack(), x0, x1, y0, y1));
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    glDeleteLists(base, 96);
}

TEST_F(PlatformWindow, ScreenshotOfBothFonts) {
    ASSERT_TRUE(platform::buildFontLists("Courier new", 15, 15, fontBase));
    ASSERT_TRUE(platform::buildFontLists("Courier new", 30, 30, fontBase + 96));
    glColor3f(1, 1, 0);
    glListBase(fontBase - 32);
    const char* small = " !\"#$%&'()*+,-./0123456789:;<=>?@ABCDEFGHIJKLMNOPQRSTUVWXYZ[\\]^_";
    glRasterPos2f(-0.95f, 0.5f);
    glCallLists(static_cast<GLsizei>(std::strlen(small)), GL_UNSIGNED_BYTE, small);
    const char* lower = "`abcdefghijklmnopqrstuvwxyz{|}~";
    glRasterPos2f(-0.95f, 0.4f);
    glCallLists(static_cast<GLsizei>(std::strlen(lower)), GL_UNSIGNED_BYTE, lower);
    glColor3f(1, 1, 1);
    glListBase(fontBase + 96 - 32);
    const char* large = "Game Over  Score: 1234";
    glRasterPos2f(-0.95f, 0.0f);
    glCallLists(static_cast<GLsizei>(std::strlen(large)), GL_UNSIGNED_BYTE, large);
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
        unsigned char px[3] = {};
        glReadPixels(799, 599, 1, 1, GL_RGB, GL_UNSIGNED_BYTE, px);
        EXPECT_EQ(px[1], 255) << "round " << round;
        unsigned base = glGenLists(96);
        EXPECT_TRUE(platform::buildFontLists("Courier new", 12, 12, base));
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
        unsigned char px[3] = {};
        glReadPixels(mode.width - 1, mode.height - 1, 1, 1, GL_RGB, GL_UNSIGNED_BYTE, px);
        EXPECT_EQ(px[0], 255);
        platform::swapBuffers();
        drain();
        platform::destroyWindow();
    }
}
