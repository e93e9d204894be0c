// Shared by the GL tests: one small window per process (off-screen on
// llvmpipe when there is no display), a known state before every test and
// pixel read-back from the current frame buffer and from the presented
// window.
#pragma once
#include "engine/platform/moxgl.h"
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "engine/video/mox.h"

namespace gltest {

constexpr int kWidth = 64;
constexpr int kHeight = 48;
constexpr const char* kTitle = "MOX video tests";

inline std::string& initlog()
{
    static std::string log;
    return log;
}

// The window as presented by the last mox_swapbuffers, bottom row first.
inline std::vector<uint8_t>& window()
{
    static std::vector<uint8_t> pixels;
    return pixels;
}

inline void capture(int width, int height)
{
    std::vector<uint8_t>& w = window();
    w.assign(size_t(width) * height * 4, 0);
    GLint bound = 0;
    glGetIntegerv(GL_FRAMEBUFFER_BINDING_EXT, &bound);
    glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, 0);  // the window, whatever is bound
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadBuffer(GL_BACK);
    glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, w.data());
    glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, GLuint(bound));
}

// Packed as the clear colour is: red in the low byte.
inline uint32_t pack(const uint8_t* p) { return p[0] | p[1] << 8 | p[2] << 16 | uint32_t(p[3]) << 24; }

// Window pixel at column x of row y counted from the bottom.
inline uint32_t windowpixel(int x, int y) { return pack(&window()[(size_t(y) * kWidth + x) * 4]); }

// Pixel of the bound frame buffer at 2D coordinates (origin top-left).
inline uint32_t pixel(int x, int y)
{
    uint8_t p[4] = {0, 0, 0, 0};
    int h = MOX_GetFrameBufferHeight();
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(x, h - 1 - y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, p);
    return pack(p);
}

inline uint32_t rgb(int r, int g, int b) { return uint32_t(r) | g << 8 | b << 16 | 0xFF000000u; }

class GL : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        static bool started = false;
        if (started) return;
        started = true;
        MOX_SetTitle(kTitle);  // before the window is shaped, as applications do
        testing::internal::CaptureStdout();
        MOX_InitVideo(kWidth, kHeight, 0);
        initlog() = testing::internal::GetCapturedStdout();
        mox_setpresenthook(capture);
    }

    void SetUp() override
    {
        // Back to the state MOX_InitVideo leaves, for runs of many tests.
        mox_setvirtualclock(0, 0);
        MOX_UnbindShader();
        MOX_DisableRenderState(MOX_DEPTHTEST | MOX_ALPHATEST | MOX_BLEND | MOX_LIGHTING);
        MOX_renderstate = 0;
        glDisable(GL_BLEND);
        glBlendFunc(GL_ONE, GL_ZERO);
        glColor4f(1, 1, 1, 1);
        MOX_SetPostShader(-1);
        MOX_SetFadeValue(1.0f);
        MOX_SetScanlineValue(0.0f);
        MOX_SetFrameBuffer(0);
        MOX_BindTexture(mox_whitetexture_id);
        MOX_ClearFrameBuffer(int(0xFF000000u));
        MOX_stats_numtriangles = MOX_stats_numtexturebinds = MOX_stats_numstateswitches = 0;
    }

    void TearDown() override
    {
        mox_setvirtualclock(0, 0);
        EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    }

    static int triangles()
    {
        int t = 0;
        MOX_GetRenderStatus(&t, nullptr, nullptr);
        return t;
    }
};

}  // namespace gltest
