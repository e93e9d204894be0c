// Frame buffers and the end-of-frame post pass, read back from the frame
// buffers and from the presented window.
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "gltest.h"

namespace gltest {
namespace {

using FrameBuffers = GL;

TEST_F(FrameBuffers, PackedClearColourHasRedInTheLowByte)
{
    MOX_ClearFrameBuffer(int(0xFF0000FFu));
    EXPECT_EQ(pixel(10, 10), rgb(255, 0, 0));
    MOX_ClearFrameBuffer(int(0xFFFF0000u));
    EXPECT_EQ(pixel(10, 10), rgb(0, 0, 255));
    MOX_ClearFrameBuffer(int(0x8000FF00u));
    EXPECT_EQ(pixel(0, 0), uint32_t(0x8000FF00u));
    // The colour stays set for the window clear of the end-of-frame pass.
    MOX_ClearFrameBuffer(int(0xFF0000FFu));
    MOX_SwapBuffers();
    GLfloat c[4];
    glGetFloatv(GL_COLOR_CLEAR_VALUE, c);
    EXPECT_FLOAT_EQ(c[0], 1.0f);
    EXPECT_FLOAT_EQ(c[1], 0.0f);
    EXPECT_FLOAT_EQ(c[3], 1.0f);
}

// The lit columns of row `y` of the current frame buffer, drawn at w x h.
std::pair<int, int> litcolumns(int w, int h, int y)
{
    std::vector<uint32_t> px(size_t(w) * h);
    glReadPixels(0, 0, w, h, GL_RGBA, GL_UNSIGNED_BYTE, px.data());
    int first = -1, last = -1;
    for (int x = 0; x < w; x++)
        if (px[size_t(h - 1 - y) * w + x] & 0xFFFFFF) {
            if (first < 0) first = x;
            last = x;
        }
    return {first, last};
}

// Drawn at another render size a frame buffer keeps its 2D coordinates,
// and its edges fall on its finer or coarser pixels: a quad from x = 10.3
// to 30.3 lights columns 10 to 29 of its own 64, 21 to 60 of 128 (twice
// the render size), 5 to 14 of 32. The viewport follows; 0 x 0 is its own
// size again.
TEST_F(FrameBuffers, AtAnotherRenderSizeCoordinatesStayAndEdgesFallOnItsPixels)
{
    const int fb = MOX_CreateFrameBuffer(kWidth, kHeight, 0);
    ASSERT_GE(fb, 0);
    struct Size {
        int w, h;  // the render size (0: the picture's own)
        int drawn, first, last;
    };
    for (const Size& z : {Size{0, 0, kWidth, 10, 29}, Size{2 * kWidth, 2 * kHeight, 2 * kWidth, 21, 60},
                          Size{kWidth / 2, kHeight / 2, kWidth / 2, 5, 14}, Size{0, 0, kWidth, 10, 29}}) {
        MOX_SetRenderSize(z.w, z.h);
        int w = 0, h = 0;
        MOX_GetRenderSize(&w, &h);
        EXPECT_EQ(w, z.w ? z.w : kWidth);
        EXPECT_EQ(MOX_framebufferdata[fb].drawwidth, z.drawn);
        MOX_SetFrameBuffer(fb);
        GLint vp[4];
        glGetIntegerv(GL_VIEWPORT, vp);
        EXPECT_EQ(vp[2], z.drawn);
        MOX_ClearFrameBuffer(int(0xFF000000u));
        MOX_Enable2D();
        MOX_BindTexture(mox_whitetexture_id);
        MOX_DrawColorQuad(10.3f, 10.3f, 20, 20, 1, 1, 1);
        const std::pair<int, int> lit = litcolumns(z.drawn, z.drawn * kHeight / kWidth, z.drawn / 4);
        EXPECT_EQ(lit.first, z.first) << "drawn at " << z.drawn;
        EXPECT_EQ(lit.second, z.last) << "drawn at " << z.drawn;
        EXPECT_EQ(MOX_GetFrameBufferWidth(), kWidth) << "its coordinates are its own size";
    }
    MOX_SetFrameBuffer(0);
}

// The size that keeps pace, on a machine that takes 170 ms a frame (5.9 a
// second, no whole number of steps): down at once to the size expected to
// keep 30 a second (the smallest, a third of the picture each way); then,
// drawing 100 a second, up one size at a time, each 4 s after the last.
TEST_F(FrameBuffers, TheAutoSizeDropsAtOnceAndGrowsAStepAtATime)
{
    mox_setvirtualclock(60, 1000);
    mox_setvirtualdrawtime(170);
    testing::internal::CaptureStdout();
    MOX_SetAutoRenderSize(1);
    using Size = std::pair<int, int>;
    auto size = [] {
        int w = 0, h = 0;
        MOX_GetRenderSize(&w, &h);
        return Size{w, h};
    };
    for (int i = 0; i < 5; i++) MOX_SwapBuffers();  // 850 ms: too soon to judge
    EXPECT_EQ(size(), Size(kWidth, kHeight));
    MOX_SwapBuffers();
    EXPECT_EQ(size(), Size(22, 16));
    EXPECT_EQ(MOX_GetMillis(), 2020u);

    mox_setvirtualdrawtime(10);
    std::vector<std::pair<uint32_t, Size>> changes;
    for (int i = 0; i < 2000 && size() != Size(kWidth, kHeight); i++) {
        const Size was = size();
        MOX_SwapBuffers();
        if (size() != was) changes.push_back({MOX_GetMillis(), size()});
    }
    const std::string log = testing::internal::GetCapturedStdout();
    MOX_SetAutoRenderSize(0);
    mox_setvirtualdrawtime(0);
    const std::vector<std::pair<uint32_t, Size>> want = {
        {6020, {32, 24}}, {10020, {42, 32}}, {14020, {54, 40}}, {18020, {kWidth, kHeight}}};
    EXPECT_EQ(changes, want);
    EXPECT_NE(log.find("[MOX] drawing at 22 x 16: 5.9 frames a second at 64 x 48\n"), std::string::npos) << log;
    EXPECT_NE(log.find("[MOX] drawing at 64 x 48: 100.0 frames a second at 54 x 40\n"), std::string::npos) << log;
}

TEST_F(FrameBuffers, NewFrameBuffersAreNotSelectedAndKeepTheirFlags)
{
    int before = MOX_numframebuffers;
    MOX_BindTextureChannel(mox_whitetexture_id, 2);  // creation goes back to unit 0
    int plain = MOX_CreateFrameBuffer(32, 16, 0);
    GLint unit = 0;
    glGetIntegerv(GL_ACTIVE_TEXTURE, &unit);
    EXPECT_EQ(unit, GL_TEXTURE0);
    int deep = MOX_CreateFrameBuffer(32, 16, MOX_FRAMEBUFFER_DEPTH | MOX_FRAMEBUFFER_LINEAR);
    ASSERT_EQ(plain, before);
    ASSERT_EQ(deep, before + 1);
    EXPECT_EQ(MOX_FrameBuffer, &MOX_framebuffers[0]);
    EXPECT_EQ(MOX_framebuffers_enabled, 1);
    EXPECT_EQ(MOX_GetFrameBufferDepth(plain), 0);
    EXPECT_NE(MOX_GetFrameBufferDepth(deep), 0);
    EXPECT_EQ(MOX_framebuffers[deep].dataindex, deep);
    GLint filter = 0, wrap = 0;
    glBindTexture(GL_TEXTURE_2D, GLuint(MOX_GetFrameBufferTexture(deep)));
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &filter);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, &wrap);
    EXPECT_EQ(filter, GL_LINEAR);
    EXPECT_EQ(wrap, GL_MIRRORED_REPEAT);
    glBindTexture(GL_TEXTURE_2D, GLuint(MOX_GetFrameBufferTexture(plain)));
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &filter);
    EXPECT_EQ(filter, GL_NEAREST);
    // The depth texture holds 24 depth bits beside 8 of stencil.
    GLint depthbits = 0, stencilbits = 0;
    glBindTexture(GL_TEXTURE_2D, GLuint(MOX_GetFrameBufferDepth(deep)));
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_DEPTH_SIZE, &depthbits);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_STENCIL_SIZE, &stencilbits);
    EXPECT_EQ(depthbits, 24);
    EXPECT_EQ(stencilbits, 8);
    MOX_lasttextureid = -1;  // bound behind the cache's back
    // Creation leaves the window bound.
    GLint binding = -1;
    glGetIntegerv(GL_FRAMEBUFFER_BINDING_EXT, &binding);
    EXPECT_EQ(binding, 0);

    MOX_SetFrameBuffer(deep);
    EXPECT_EQ(MOX_GetFrameBufferWidth(), 32);
    EXPECT_EQ(MOX_GetFrameBufferHeight(), 16);
    glGetIntegerv(GL_FRAMEBUFFER_BINDING_EXT, &binding);
    EXPECT_EQ(GLuint(binding), MOX_framebufferdata[deep].fbo);
    GLint vp[4];
    glGetIntegerv(GL_VIEWPORT, vp);
    EXPECT_EQ(vp[2], 32);
    EXPECT_EQ(vp[3], 16);
    EXPECT_EQ(MOX_projectionmode, 1);
}

TEST_F(FrameBuffers, DepthIsClearedOnlyWhereThereIsADepthTexture)
{
    int deep = MOX_CreateFrameBuffer(16, 16, MOX_FRAMEBUFFER_DEPTH);
    MOX_SetFrameBuffer(deep);
    glClearDepth(0.25);
    MOX_ClearFrameBuffer(int(0xFF000000u));
    GLfloat depth = 0;
    glReadPixels(3, 3, 1, 1, GL_DEPTH_COMPONENT, GL_FLOAT, &depth);
    EXPECT_NEAR(depth, 0.25f, 1e-4f);
    glClearDepth(1.0);
    MOX_ClearFrameBuffer(int(0xFF000000u));
    glReadPixels(3, 3, 1, 1, GL_DEPTH_COMPONENT, GL_FLOAT, &depth);
    EXPECT_NEAR(depth, 1.0f, 1e-4f);
}

TEST_F(FrameBuffers, TheSeventeenthIsRefusedWithALogLine)
{
    int before = MOX_numframebuffers;
    while (MOX_numframebuffers < MOX_MAXFRAMEBUFFERS) ASSERT_GE(MOX_CreateFrameBuffer(4, 4, 0), 0);
    testing::internal::CaptureStdout();
    int index = MOX_CreateFrameBuffer(4, 4, 0);
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(index, -1);
    EXPECT_EQ(MOX_numframebuffers, MOX_MAXFRAMEBUFFERS);
    EXPECT_NE(out.find("frame buffer table full"), std::string::npos) << out;
    MOX_SetFrameBuffer(index);  // a refused index selects nothing
    EXPECT_EQ(MOX_FrameBuffer, &MOX_framebuffers[0]);
    EXPECT_EQ(MOX_GetFrameBufferTexture(-1), 0);
    EXPECT_EQ(MOX_GetFrameBufferDepth(16), 0);
    // Room for the tests after this one, in the same process: the table
    // never releases, so the test does.
    for (int i = before; i < MOX_MAXFRAMEBUFFERS; i++) {
        s_framebufferdata& d = MOX_framebufferdata[i];
        free(d.pixels);
        glDeleteFramebuffersEXT(1, &d.fbo);
        glDeleteTextures(1, &d.texture);
        d = s_framebufferdata{};
    }
    MOX_numframebuffers = before;
}

TEST_F(FrameBuffers, AnIncompleteOneIsReportedAndTheNextCompleteOneRestoresFrameBuffers)
{
    // Wider than any texture GL will make: the colour attachment stays empty.
    GLint largest = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &largest);
    testing::internal::CaptureStdout();
    int wide = MOX_CreateFrameBuffer(largest + 1, 1, 0);
    std::string out = testing::internal::GetCapturedStdout();
    for (int i = 0; i < 8 && glGetError() != GL_NO_ERROR; i++) {}  // the refused texture size
    ASSERT_GE(wide, 0);
    EXPECT_EQ(MOX_framebuffers_enabled, 0);
    glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, MOX_framebufferdata[wide].fbo);
    GLenum status = glCheckFramebufferStatusEXT(GL_FRAMEBUFFER_EXT);
    glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, 0);
    ASSERT_NE(status, GLenum(GL_FRAMEBUFFER_COMPLETE_EXT));
    // The status in decimal, and no line end.
    EXPECT_EQ(out, "[MOX] Init Framebuffer: " + std::to_string(largest + 1) + ",1\n" +
                       "glCheckFramebufferStatus: error " + std::to_string(int(status)));
    testing::internal::CaptureStdout();
    int next = MOX_CreateFrameBuffer(4, 4, 0);
    out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(next, wide + 1);
    EXPECT_EQ(MOX_framebuffers_enabled, 1);
    EXPECT_EQ(out, "[MOX] Init Framebuffer: 4,4\n");
}

TEST_F(FrameBuffers, SizesThatAreNotPositiveAreRefused)
{
    int before = MOX_numframebuffers;
    testing::internal::CaptureStdout();
    EXPECT_EQ(MOX_CreateFrameBuffer(0, 10, 0), -1);
    EXPECT_EQ(MOX_CreateFrameBuffer(10, -3, 0), -1);
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(MOX_numframebuffers, before);
    EXPECT_NE(out.find("refused"), std::string::npos) << out;
}

// A frame buffer whose upper half (in 2D coordinates) is red and lower half
// blue.
int halves()
{
    int fb = MOX_CreateFrameBuffer(4, 4, 0);
    MOX_SetFrameBuffer(fb);
    MOX_BindTexture(mox_whitetexture_id);  // not its own texture
    MOX_ClearFrameBuffer(int(0xFFFF0000u));
    MOX_DrawColorQuad(0, 0, 4, 2, 1, 0, 0);
    MOX_SetFrameBuffer(0);
    return fb;
}

TEST_F(FrameBuffers, DrawnFrameBuffersAppearUpright)
{
    int fb = halves();
    MOX_DrawFrameBuffer(0, 0, 16, 16, fb);
    EXPECT_EQ(pixel(8, 2), rgb(255, 0, 0));
    EXPECT_EQ(pixel(8, 13), rgb(0, 0, 255));
}

TEST_F(FrameBuffers, TexturesMirrorPastTheirEdges)
{
    // Left half red, right half blue.
    int fb = MOX_CreateFrameBuffer(4, 4, 0);
    MOX_SetFrameBuffer(fb);
    MOX_BindTexture(mox_whitetexture_id);
    MOX_ClearFrameBuffer(int(0xFFFF0000u));
    MOX_DrawColorQuad(0, 0, 2, 4, 1, 0, 0);
    MOX_SetFrameBuffer(0);
    glBindTexture(GL_TEXTURE_2D, GLuint(MOX_GetFrameBufferTexture(fb)));
    MOX_DrawQuad(0, 0, 16, 8, 1, 1, 2, 0);  // s from 1 to 2: the mirror image
    EXPECT_EQ(pixel(1, 4), rgb(0, 0, 255));
    EXPECT_EQ(pixel(14, 4), rgb(255, 0, 0));
}

using PostPass = GL;

// Frame buffer 0 filled with one grey level, then presented.
void present(int post, float fade, float scanline)
{
    MOX_SetFrameBuffer(0);
    MOX_ClearFrameBuffer(int(0xFFC8C8C8u));  // 200 in every colour
    MOX_SetPostShader(post);
    MOX_SetFadeValue(fade);
    MOX_SetScanlineValue(scanline);
    MOX_SwapBuffers();
    // The clear colour stays in force: put it back to black for the next.
    MOX_ClearFrameBuffer(int(0xFF000000u));
}

int red(uint32_t p) { return int(p & 0xFF); }

TEST_F(PostPass, FadeZeroPresentsBlack)
{
    int post = MOX_InitDefaultPostShader();
    ASSERT_GE(post, 0);
    present(post, 0.0f, 0.0f);
    for (int y = 0; y < kHeight; y++)
        for (int x = 0; x < kWidth; x += 7) ASSERT_EQ(windowpixel(x, y) & 0x00FFFFFF, 0u) << x << "," << y;
}

TEST_F(PostPass, HalfFadeWithFullScanlinesBlacksOddRowsFromTheBottom)
{
    int post = MOX_InitDefaultPostShader();
    present(post, 0.5f, 1.0f);
    for (int y = 0; y < kHeight; y++) {
        int expect = (y % 2 == 0) ? 100 : 0;
        EXPECT_NEAR(red(windowpixel(5, y)), expect, 1) << "row " << y;
        EXPECT_NEAR(red(windowpixel(60, y)), expect, 1) << "row " << y;
    }
}

TEST_F(PostPass, ScanlineZeroLeavesAllRowsEqual)
{
    int post = MOX_InitDefaultPostShader();
    present(post, 1.0f, 0.0f);
    for (int y = 0; y < kHeight; y++) EXPECT_EQ(red(windowpixel(30, y)), 200) << "row " << y;
    present(post, 1.0f, 0.5f);
    EXPECT_EQ(red(windowpixel(30, 0)), 200);
    EXPECT_NEAR(red(windowpixel(30, 1)), 100, 1);
}

TEST_F(PostPass, NoPostShaderShowsTheFrameUnchanged)
{
    present(-1, 0.0f, 1.0f);
    for (int y = 0; y < kHeight; y++) EXPECT_EQ(red(windowpixel(30, y)), 200) << "row " << y;
}

TEST_F(PostPass, WithoutShadersTheFixedFunctionPassAppliesTheFade)
{
    MOX_ClearFrameBuffer(int(0xFFC8C8C8u));
    glClearColor(0, 0, 0, 1);  // the pass blends over the window's clear colour
    MOX_shaders_enabled = 0;
    MOX_SetFadeValue(0.5f);
    MOX_SwapBuffers();
    MOX_shaders_enabled = 1;
    for (int y = 0; y < kHeight; y += 5) EXPECT_NEAR(red(windowpixel(30, y)), 100, 1) << "row " << y;
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    GLfloat c[4];
    glGetFloatv(GL_CURRENT_COLOR, c);
    EXPECT_FLOAT_EQ(c[3], 1.0f);
}

TEST_F(PostPass, WithoutFrameBufferObjectsTheBackBufferIsReadBack)
{
    // Drawing lands in the window's back buffer and reaches the frame's
    // texture through system memory at the end of the frame.
    MOX_framebuffers_enabled = 0;
    glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, 0);
    MOX_SetFrameBuffer(0);
    MOX_ClearFrameBuffer(int(0xFF0000FFu));
    MOX_SwapBuffers();
    MOX_framebuffers_enabled = 1;
    EXPECT_EQ(windowpixel(5, 5), rgb(255, 0, 0));
    EXPECT_EQ(MOX_framebufferdata[0].pixels[0], 255);  // the copy in memory
    EXPECT_EQ(MOX_framebufferdata[0].pixels[2], 0);
    GLint binding = -1;
    glGetIntegerv(GL_FRAMEBUFFER_BINDING_EXT, &binding);
    EXPECT_EQ(binding, 0);
    MOX_SetFrameBuffer(0);
}

TEST_F(PostPass, ScanlinesFollowWindowRowsWhateverTheFrameBufferSize)
{
    // A frame buffer of a quarter of the window's rows: the pass draws it at
    // window size and darkens every other window row, not every other row
    // of the frame buffer.
    int small = MOX_CreateFrameBuffer(16, 12, 0);
    MOX_SetFrameBuffer(small);
    MOX_ClearFrameBuffer(int(0xFFC8C8C8u));
    MOX_SetPostShader(MOX_InitDefaultPostShader());
    MOX_SetFadeValue(1.0f);
    MOX_SetScanlineValue(1.0f);
    MOX_SwapBuffers();
    MOX_ClearFrameBuffer(int(0xFF000000u));
    for (int y = 0; y < kHeight; y++) {
        int expect = (y % 2 == 0) ? 200 : 0;
        EXPECT_NEAR(red(windowpixel(kWidth - 3, y)), expect, 1) << "row " << y;
    }
}

TEST_F(PostPass, TheFrameIsPresentedUpright)
{
    int fb = halves();
    MOX_SetFrameBuffer(fb);
    MOX_SwapBuffers();
    // Window rows are counted from the bottom: the top is red.
    EXPECT_EQ(windowpixel(10, kHeight - 1), rgb(255, 0, 0));
    EXPECT_EQ(windowpixel(10, 0), rgb(0, 0, 255));
}

TEST_F(PostPass, TheSameFrameBufferStaysCurrentWithFreshStatistics)
{
    int fb = MOX_CreateFrameBuffer(20, 10, 0);
    MOX_SetFrameBuffer(fb);
    MOX_EnableRenderState(MOX_BLEND);
    MOX_BindTexture(mox_whitetexture_id);
    MOX_DrawColorQuad(0, 0, 5, 5, 1, 1, 1);
    MOX_SwapBuffers();
    int t = -1, b = -1, s = -1;
    MOX_GetRenderStatus(&t, &b, &s);
    EXPECT_EQ(t, 0);
    EXPECT_EQ(b, 0);
    EXPECT_EQ(s, 0);
    EXPECT_EQ(MOX_FrameBuffer, &MOX_framebuffers[fb]);
    GLint binding = 0, vp[4];
    glGetIntegerv(GL_FRAMEBUFFER_BINDING_EXT, &binding);
    EXPECT_EQ(GLuint(binding), MOX_framebufferdata[fb].fbo);
    glGetIntegerv(GL_VIEWPORT, vp);
    EXPECT_EQ(vp[2], 20);
    EXPECT_EQ(vp[3], 10);
    EXPECT_EQ(MOX_renderstate, MOX_BLEND);  // the pass leaves the mask alone
    EXPECT_EQ(MOX_projectionmode, 1);
    GLint program = -1;
    glGetIntegerv(GL_CURRENT_PROGRAM, &program);
    EXPECT_EQ(program, 0);
}

TEST_F(PostPass, BasicSwapLeavesDrawingOnTheWindow)
{
    int fb = MOX_CreateFrameBuffer(20, 10, 0);
    MOX_SetFrameBuffer(fb);
    MOX_SwapBuffersBasic();
    GLint binding = -1, vp[4];
    glGetIntegerv(GL_FRAMEBUFFER_BINDING_EXT, &binding);
    EXPECT_EQ(binding, 0);
    glGetIntegerv(GL_VIEWPORT, vp);
    EXPECT_EQ(vp[2], 20);
}

}  // namespace
}  // namespace gltest
