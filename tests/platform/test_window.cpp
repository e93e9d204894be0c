// The window as mox_initwindow shapes it on a real X display (the test runs
// under xvfb-run): client size, the place (10, 10), and the full-screen
// switch, which fills the desktop at its own size when the display lacks
// the mode.
#include <SDL2/SDL.h>  // to look at the window the engine made
#include <gtest/gtest.h>

#include <string>

#include "engine/platform/coreinput.h"
#include "engine/platform/driver.h"

namespace {

struct Shape {
    int x = -1, y = -1, w = -1, h = -1;
    Uint32 flags = 0;
};

// The window of the context mox_initwindow made current here.
Shape shapeafter(int width, int height, int flags)
{
    mox_initwindow(width, height, flags);
    mox_syncevents();
    Shape s;
    SDL_Window* win = SDL_GL_GetCurrentWindow();
    EXPECT_NE(win, nullptr);
    if (!win) return s;
    SDL_GetWindowPosition(win, &s.x, &s.y);
    SDL_GetWindowSize(win, &s.w, &s.h);
    s.flags = SDL_GetWindowFlags(win);
    return s;
}

TEST(Window, OpensShownAtTenTenWithTheClientSizeAskedFor)
{
    ASSERT_EQ(mox_headless(), 0) << "needs a display: run under xvfb-run";
    Shape s = shapeafter(320, 200, 0);
    EXPECT_EQ(s.w, 320);
    EXPECT_EQ(s.h, 200);
    EXPECT_EQ(s.x, 10);
    EXPECT_EQ(s.y, 10);
    EXPECT_TRUE(s.flags & SDL_WINDOW_SHOWN);
    EXPECT_FALSE(s.flags & SDL_WINDOW_FULLSCREEN);
}

TEST(Window, FullScreenWithoutSuchAModeFillsTheDesktopWithThePictureScaled)
{
    ASSERT_EQ(mox_headless(), 0) << "needs a display: run under xvfb-run";
    SDL_DisplayMode mode;
    ASSERT_EQ(SDL_GetDesktopDisplayMode(0, &mode), 0) << SDL_GetError();
    // The virtual display offers only its own size; the picture is 4:3.
    testing::internal::CaptureStdout();
    Shape s = shapeafter(640, 480, 1);
    std::string log = testing::internal::GetCapturedStdout();
    EXPECT_EQ(s.flags & SDL_WINDOW_FULLSCREEN_DESKTOP, Uint32(SDL_WINDOW_FULLSCREEN_DESKTOP));
    EXPECT_EQ(s.w, mode.w);
    EXPECT_EQ(s.h, mode.h);
    EXPECT_NE(log.find("[MOX] no 640 x 480 display mode: full screen at the desktop's " + std::to_string(mode.w) +
                       " x " + std::to_string(mode.h) + ", picture scaled"),
              std::string::npos)
        << log;
    // The picture keeps its shape: as large as fits, centred.
    int x, y, w, h;
    mox_getpresentrect(640, 480, &x, &y, &w, &h);
    if (mode.w * 480 >= mode.h * 640) {
        EXPECT_EQ(h, mode.h);
        EXPECT_EQ(w, (640 * mode.h + 240) / 480);
    } else {
        EXPECT_EQ(w, mode.w);
    }
    EXPECT_EQ(x, (mode.w - w) / 2);
    EXPECT_EQ(y, (mode.h - h) / 2);
}

TEST(Window, FullScreenAtTheDisplaysOwnModeCoversTheScreen)
{
    ASSERT_EQ(mox_headless(), 0) << "needs a display: run under xvfb-run";
    SDL_DisplayMode mode;
    ASSERT_EQ(SDL_GetDesktopDisplayMode(0, &mode), 0) << SDL_GetError();
    Shape s = shapeafter(mode.w, mode.h, 1);
    EXPECT_TRUE(s.flags & SDL_WINDOW_FULLSCREEN);
    EXPECT_EQ(s.w, mode.w);
    EXPECT_EQ(s.h, mode.h);
    EXPECT_EQ(s.x, 0);
    EXPECT_EQ(s.y, 0);
    int w = 0, h = 0;
    GetDesktopResolution(w, h);
    EXPECT_EQ(w, mode.w);
    EXPECT_EQ(h, mode.h);
}

TEST(Window, AWindowAfterFullScreenIsAWindowAgain)
{
    ASSERT_EQ(mox_headless(), 0) << "needs a display: run under xvfb-run";
    SDL_DisplayMode mode;
    ASSERT_EQ(SDL_GetDesktopDisplayMode(0, &mode), 0) << SDL_GetError();
    ASSERT_TRUE(shapeafter(mode.w, mode.h, 1).flags & SDL_WINDOW_FULLSCREEN);
    Shape s = shapeafter(320, 200, 0);
    EXPECT_FALSE(s.flags & SDL_WINDOW_FULLSCREEN);
    EXPECT_EQ(s.w, 320);
    EXPECT_EQ(s.h, 200);
    EXPECT_EQ(s.x, 10);
    EXPECT_EQ(s.y, 10);
}

TEST(Window, WindowOptionGivesAWindowThatFitsTheDesktop)
{
    ASSERT_EQ(mox_headless(), 0) << "needs a display: run under xvfb-run";
    SDL_DisplayMode mode;
    ASSERT_EQ(SDL_GetDesktopDisplayMode(0, &mode), 0) << SDL_GetError();
    ASSERT_GE(mode.w, 1400) << "run with a screen of at least 1400 x 900";
    ASSERT_GE(mode.h, 900);
    mox_option_window = 1;
    // A full-screen picture: 1280 x 720, not full screen, the picture
    // scaled into all of it.
    Shape s = shapeafter(1920, 1080, 1);
    EXPECT_FALSE(s.flags & SDL_WINDOW_FULLSCREEN);
    EXPECT_EQ(s.w, 1280);
    EXPECT_EQ(s.h, 720);
    int x, y, w, h;
    mox_getpresentrect(1920, 1080, &x, &y, &w, &h);
    EXPECT_EQ(x, 0);
    EXPECT_EQ(y, 0);
    EXPECT_EQ(w, 1280);
    EXPECT_EQ(h, 720);
    // One larger than the desktop shrinks, its shape kept.
    s = shapeafter(1000, 4000, 0);
    EXPECT_LT(s.h, mode.h);
    EXPECT_NEAR(double(s.w) / s.h, 0.25, 0.01);
    mox_option_window = 0;
}

TEST(Window, MouseInModeZeroCountsFromTheWindowsLeftTop)
{
    ASSERT_EQ(mox_headless(), 0) << "needs a display: run under xvfb-run";
    shapeafter(320, 200, 0);
    SDL_Event e;
    SDL_zero(e);
    e.type = SDL_MOUSEMOTION;
    e.motion.x = 30;
    e.motion.y = 40;
    ASSERT_EQ(SDL_PushEvent(&e), 1);
    mox_syncevents();
    MOX_SetMouseMode(0);
    int x = 0, y = 0, b = 0;
    MOX_GetMouse(&x, &y, &b);
    EXPECT_EQ(x, 30 - 10);
    EXPECT_EQ(y, 40 - 10);
    MOX_SetMouseMode(1);
    MOX_GetMouse(&x, &y, &b);
    EXPECT_EQ(x, 30);
    EXPECT_EQ(y, 40);
}

}  // namespace
