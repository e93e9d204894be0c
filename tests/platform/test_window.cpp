// The window as mox_initwindow shapes it on a real X display (the test runs
// under xvfb-run): client size, the place (10, 10), and the full-screen
// switch, which falls back to that window when the display lacks the mode.
#include <SDL2/SDL.h>  // to look at the window the engine made
#include <gtest/gtest.h>

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

TEST(Window, FullScreenWithoutSuchAModeStaysAWindowAtTenTen)
{
    ASSERT_EQ(mox_headless(), 0) << "needs a display: run under xvfb-run";
    // The virtual display offers only its own size.
    testing::internal::CaptureStdout();
    Shape s = shapeafter(640, 480, 1);
    std::string log = testing::internal::GetCapturedStdout();
    EXPECT_FALSE(s.flags & SDL_WINDOW_FULLSCREEN);
    EXPECT_EQ(s.w, 640);
    EXPECT_EQ(s.h, 480);
    EXPECT_EQ(s.x, 10);
    EXPECT_EQ(s.y, 10);
    // Silently: only the loader's lines.
    EXPECT_EQ(log, "[MOX] Init Glew\n\nReady for GLSL\n");
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
