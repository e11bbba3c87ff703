// The game on today's desktops: the picture scaled into any window, the
// pointer mapped back into it, and frames paced without vertical sync.
#include "app/input.h"
#include "game/player/marine.h"
#include "game/world/world.h"
#include "harness.h"
#include "platform/letterbox.h"
#include "platform/pacing.h"
#include "platform/platform.h"
#include "platform/sdl_window.h"
#include "session/session.h"

#include <GL/gl.h>
#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

TEST(DesktopLetterbox, PictureFitsEveryWindowAndPointsMapBothWays) {
    const struct {
        int pw, ph, ww, wh;
        platform::PictureRect want;
        bool whole;
    } cases[] = {
        {1024, 768, 1024, 768, {0, 0, 1024, 768}, true},     // the old borderless window
        {1024, 768, 1280, 1024, {0, 32, 1280, 960}, false},  // 5:4 display: bars above, below
        {640, 480, 1920, 1080, {240, 0, 1440, 1080}, false}, // wide display: bars at the sides
        {640, 480, 1280, 960, {0, 0, 1280, 960}, true},      // exactly twice
        {800, 600, 8000, 6000, {0, 0, 8000, 6000}, true},    // ten times bigger
        {800, 600, 10240, 7680, {0, 0, 10240, 7680}, false}, // 12.8 times
        {800, 600, 1366, 768, {171, 0, 1024, 768}, false},
        {1024, 768, 1, 1, {0, 0, 1, 1}, false}, // absurdly small: one pixel, no zero
        {1024, 768, 0, 0, {0, 0, 0, 0}, false}, // minimised
        {1024, 768, -5, 300, {0, 0, 0, 0}, false},
        {1024, 768, 3, 1000, {0, 499, 3, 2}, false},
        {0, 0, 640, 480, {80, 0, 480, 480}, false}, // no picture size: a square
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.pw << "x" << c.ph << " in " << c.ww << "x" << c.wh);
        platform::PictureRect r = platform::letterbox(c.pw, c.ph, c.ww, c.wh);
        EXPECT_EQ(r.x, c.want.x);
        EXPECT_EQ(r.y, c.want.y);
        EXPECT_EQ(r.w, c.want.w);
        EXPECT_EQ(r.h, c.want.h);
        EXPECT_EQ(platform::wholeScale(r, c.pw, c.ph), c.whole);
        if (r.w <= 0 || c.pw <= 0) continue;

        // The picture's corners and the saved cursor (any picture pixel) come
        // back where they were, wherever the scale is one or more.
        const int points[][2] = {{0, 0}, {c.pw - 1, c.ph - 1}, {c.pw / 2, c.ph / 3}, {7, 5}};
        for (const auto& p : points) {
            int wx = 0, wy = 0, px = 0, py = 0;
            platform::pictureToWindow(r, c.pw, c.ph, p[0], p[1], wx, wy);
            EXPECT_GE(wx, r.x);
            EXPECT_GE(wy, r.y);
            EXPECT_LT(wx, r.x + r.w);
            EXPECT_LT(wy, r.y + r.h);
            platform::windowToPicture(r, c.pw, c.ph, wx, wy, px, py);
            if (r.w >= c.pw) {
                EXPECT_EQ(px, p[0]);
                EXPECT_EQ(py, p[1]);
            }
        }
        // The window's corners: on a bar or at the picture's edge, the
        // mapping runs on past it instead of stopping.
        int px = 0, py = 0;
        platform::windowToPicture(r, c.pw, c.ph, 0, 0, px, py);
        EXPECT_EQ(px<0, r.x> 0);
        EXPECT_EQ(py<0, r.y> 0);
        platform::windowToPicture(r, c.pw, c.ph, c.ww + 500, c.wh + 500, px, py);
        EXPECT_GE(px, c.pw);
        EXPECT_GE(py, c.ph);
    }
}

TEST(DesktopPacing, WaitsForTheRefreshOnlyWhenTheSwapDoesNot) {
    const double period = 1000.0 / 60.0;
    // No vertical sync: frames of 3 ms, swaps of 1 ms. After the first frame
    // every frame ends one refresh after the previous one.
    platform::FramePacer free;
    double t = 0.0;
    double total = 0.0;
    for (int i = 0; i < 30; ++i) {
        t += 3.0;
        double sleep = free.afterSwap(t, t + 1.0, period);
        t += 1.0;
        if (i == 0) {
            EXPECT_EQ(sleep, 0.0);
        } else {
            EXPECT_NEAR(sleep, period - 4.0, 1e-9) << i;
        }
        EXPECT_LE(sleep, period);
        t += sleep;
        total += sleep;
    }
    EXPECT_NEAR(t, 4.0 + 29 * period, 1e-6);
    EXPECT_FALSE(free.swapWaits(period));

    // A slow frame is not caught up afterwards: counting starts again.
    t += 40.0;
    EXPECT_EQ(free.afterSwap(t, t + 1.0, period), 0.0);
    t += 1.0;
    EXPECT_NEAR(free.afterSwap(t + 3.0, t + 4.0, period), period - 4.0, 1e-9);

    // Vertical sync in effect: the swap waits most of the frame; no sleep.
    platform::FramePacer synced;
    t = 0.0;
    for (int i = 0; i < 30; ++i) {
        double start = t + 4.0;
        t = (i + 1) * period;
        EXPECT_EQ(synced.afterSwap(start, t, period), 0.0) << i;
    }
    EXPECT_TRUE(synced.swapWaits(period));
    // One swap that happened not to wait changes nothing (median of the
    // recent ones).
    EXPECT_EQ(synced.afterSwap(t + 4.0, t + 4.5, period), 0.0);

    // No refresh rate reported, or a nonsense one: 60 Hz; a clock that runs
    // backwards never asks for a long sleep.
    EXPECT_NEAR(platform::refreshPeriodMs(0), period, 1e-9);
    EXPECT_NEAR(platform::refreshPeriodMs(-3), period, 1e-9);
    EXPECT_NEAR(platform::refreshPeriodMs(144), 1000.0 / 144.0, 1e-9);
    platform::FramePacer odd;
    odd.afterSwap(1000.0, 1001.0, 0.0);
    EXPECT_LE(odd.afterSwap(10.0, 11.0, 0.0), period);
    EXPECT_LE(odd.afterSwap(12.0, 12.5, period), period);
}

// Window pixels are read bottom row first; (x, y) here counts from the top.
uint32_t windowPixel(const std::vector<uint8_t>& rgba, int w, int h, int x, int y) {
    const uint8_t* p = &rgba[(static_cast<size_t>(h - 1 - y) * w + x) * 4];
    return (uint32_t{p[0]} << 16) | (uint32_t{p[1]} << 8) | p[2];
}

TEST(DesktopWindow, A1280x1024WindowShowsThePictureBetweenBlackBars) {
    platform::destroyWindow();
    platform::test::setNextWindowSize(1280, 1024);
    bool booted = harness::boot();
    platform::test::setNextWindowSize(0, 0);
    if (!booted) GTEST_SKIP() << "no display";
    if (!platform::hasScaledPicture()) GTEST_SKIP() << "no framebuffer objects here";
    ASSERT_TRUE(harness::frames(3));
    ASSERT_EQ(harness::width(), 1024);
    ASSERT_EQ(harness::height(), 768);

    // The game draws into its picture of the configured size, as always.
    GLint viewport[4] = {};
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[2], 1024);
    EXPECT_EQ(viewport[3], 768);

    // A known picture: blue with a white square in its top-left corner
    // (picture pixels 0-255 across, 0-191 down).
    glClearColor(0.0f, 0.0f, 1.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    glEnable(GL_SCISSOR_TEST);
    glScissor(0, 768 - 192, 256, 192);
    glClearColor(1.0f, 1.0f, 1.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    glDisable(GL_SCISSOR_TEST);

    std::vector<uint8_t> rgba;
    int w = 0, h = 0;
    ASSERT_TRUE(platform::test::readWindowPixels(rgba, w, h));
    ASSERT_EQ(w, 1280);
    ASSERT_EQ(h, 1024);
    // 1280 x 960 of picture, 32 rows of black above and below.
    for (int x : {0, 640, 1279}) {
        EXPECT_EQ(windowPixel(rgba, w, h, x, 0), 0u) << x;
        EXPECT_EQ(windowPixel(rgba, w, h, x, 31), 0u) << x;
        EXPECT_EQ(windowPixel(rgba, w, h, x, 992), 0u) << x;
        EXPECT_EQ(windowPixel(rgba, w, h, x, 1023), 0u) << x;
    }
    EXPECT_EQ(windowPixel(rgba, w, h, 0, 32), 0xFFFFFFu);     // the square's corner
    EXPECT_EQ(windowPixel(rgba, w, h, 310, 260), 0xFFFFFFu);  // inside the square
    EXPECT_EQ(windowPixel(rgba, w, h, 330, 200), 0x0000FFu);  // right of it
    EXPECT_EQ(windowPixel(rgba, w, h, 1279, 991), 0x0000FFu); // the picture's last pixel

    // The picture itself is untouched by showing it, and the game goes on
    // drawing into it.
    unsigned char px[4] = {};
    glReadPixels(10, 767 - 10, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, px);
    EXPECT_EQ(px[0], 255);
    ASSERT_TRUE(harness::frame());
    EXPECT_NE(harness::pixel(10, 10).b, 255);

    // Picture pixels to window points and back, through the real window.
    int wx = 0, wy = 0, bx = 0, by = 0;
    platform::picturePointToWindow(512, 384, wx, wy);
    EXPECT_EQ(wx, 640);
    EXPECT_EQ(wy, 512);
    platform::windowPointToPicture(wx, wy, bx, by);
    EXPECT_EQ(bx, 512);
    EXPECT_EQ(by, 384);

    platform::destroyWindow();
}

TEST(DesktopWindow, FocusChangesArriveOnceAndTheFullScreenKeysStayWithThePlatform) {
    if (!platform::createWindow("Quorvex Game", 640, 480)) GTEST_SKIP() << "no display";
    Message stale;
    while (platform::peekMessage(stale)) {
    }
    auto pushWindow = [](SDL_WindowEventID id) {
        SDL_Event e{};
        e.type = SDL_WINDOWEVENT;
        e.window.event = id;
        e.window.windowID = SDL_GetWindowID(platform::sdlWindow());
        SDL_PushEvent(&e);
    };
    auto pushKey = [](SDL_Keycode sym, Uint16 mod) {
        SDL_Event e{};
        e.type = SDL_KEYDOWN;
        e.key.keysym.sym = sym;
        e.key.keysym.mod = mod;
        SDL_PushEvent(&e);
        e.type = SDL_KEYUP;
        SDL_PushEvent(&e);
    };
    // A focus storm: lost, lost again, minimised, back, restored, lost.
    pushWindow(SDL_WINDOWEVENT_FOCUS_GAINED);
    pushWindow(SDL_WINDOWEVENT_FOCUS_LOST);
    pushWindow(SDL_WINDOWEVENT_FOCUS_LOST);
    pushWindow(SDL_WINDOWEVENT_MINIMIZED);
    pushWindow(SDL_WINDOWEVENT_RESTORED);
    pushWindow(SDL_WINDOWEVENT_FOCUS_GAINED);
    pushWindow(SDL_WINDOWEVENT_MINIMIZED);
    pushKey(SDLK_F11, KMOD_NONE);
    pushKey(SDLK_RETURN, KMOD_LALT);
    pushKey(SDLK_RETURN, KMOD_NONE);
    std::vector<MsgType> got;
    Message m;
    while (platform::peekMessage(m))
        got.push_back(m.type);
    const std::vector<MsgType> want = {MsgType::FocusLost, MsgType::FocusGained, MsgType::FocusLost,
                                       MsgType::KeyDown, MsgType::KeyUp};
    EXPECT_EQ(got, want);
    // F11 went in, Alt+Enter came out again.
    EXPECT_FALSE(platform::isFullScreen());
    platform::destroyWindow();
}

} // namespace

// Focus moving away mid-fight opens the menu as Escape does and lets go of
// everything held; in the menu or after his death it only lets go. A storm
// of focus changes leaves a game that plays on once Escape closes the menu.
TEST(DesktopFocus, LosingFocusOpensTheMenuAndReleasesHeldInput) {
    ASSERT_TRUE(harness::boot());
    startNewGame();
    harness::keyDown('W');
    harness::keyDown(VkShift);
    harness::leftDown();
    harness::frames(3);
    ASSERT_EQ(session().input.keyDown['W'], 1);
    ASSERT_EQ(session().input.menuShown, 0);

    platform::postMessage(Message{MsgType::FocusLost, 0});
    harness::frame();
    EXPECT_EQ(session().input.menuShown, 1);
    EXPECT_EQ(session().input.keyDown['W'], 0);
    EXPECT_EQ(session().input.keyDown[VkShift], 0);
    EXPECT_EQ(session().input.leftButtonDown, 0);

    // Losing it again with the menu up leaves the menu up.
    for (int i = 0; i < 50; ++i) {
        platform::postMessage(Message{i % 2 ? MsgType::FocusGained : MsgType::FocusLost, 0});
        harness::frame(1);
    }
    EXPECT_EQ(session().input.menuShown, 1);
    harness::key(VkEscape);
    harness::frames(2);
    EXPECT_EQ(session().input.menuShown, 0);
    Vec2 before = world().marine.position;
    harness::keyDown('W');
    harness::frames(10);
    harness::keyUp('W');
    EXPECT_GT(world().marine.position.y, before.y) << "the game plays on";
}
