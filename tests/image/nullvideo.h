// A renderer without GL for the image library's tests, fuzz target and
// benchmark: it keeps the 2D tables and records every call the library makes,
// so a test can check which quads were drawn with which states and textures.
// Include it in exactly one source file of a program, and do not link the
// real renderer's objects into that program.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "engine/video/mox.h"

namespace nullvideo {

struct Call {
    std::string op;
    std::vector<double> args;
};

inline std::vector<Call>& calls()
{
    static std::vector<Call> c;
    return c;
}

inline int& nexttexture()
{
    static int id = 0;
    return id;
}

inline void record(const char* op, std::vector<double> args = {}) { calls().push_back({op, std::move(args)}); }

// The ops recorded, in order, as one line ("BindTexture 3|DrawQuad ...").
inline std::string ops()
{
    std::string s;
    for (const Call& c : calls()) {
        if (!s.empty()) s += '|';
        s += c.op;
    }
    return s;
}

// A frame buffer the centred text can measure.
inline s_framebuffer& framebuffer()
{
    static s_framebuffer fb = {640, 480, 0, 0};
    return fb;
}

}  // namespace nullvideo

s_bitmap* mox_bitmaplist[MOX_MAXBITMAPS];
int mox_numbitmaps = 0;
s_sprite* mox_spritelist[MOX_MAXSPRITES];
int mox_numsprites = 0;
int mox_numfonts = 0;
s_framebuffer* MOX_FrameBuffer = &nullvideo::framebuffer();

int PowerOfTwo(int n) { return n; }

int MOX_CreateTexture(int width, int height, void*, int)
{
    const int id = ++nullvideo::nexttexture();
    nullvideo::record("CreateTexture", {double(id), double(width), double(height)});
    return id;
}

void MOX_UpdateTexture(int texture, int width, int height, void*)
{
    nullvideo::record("UpdateTexture", {double(texture), double(width), double(height)});
}

void MOX_DeleteTexture(int texture) { nullvideo::record("DeleteTexture", {double(texture)}); }
void MOX_BindTexture(int texture) { nullvideo::record("BindTexture", {double(texture)}); }
void MOX_EnableRenderState(int flags) { nullvideo::record("EnableRenderState", {double(flags)}); }
void MOX_DisableRenderState(int flags) { nullvideo::record("DisableRenderState", {double(flags)}); }
void MOX_SetBlendMode(int mode) { nullvideo::record("SetBlendMode", {double(mode)}); }
void MOX_EnableAlphaBlend(float alpha) { nullvideo::record("EnableAlphaBlend", {alpha}); }
void MOX_DisableAlphaBlend() { nullvideo::record("DisableAlphaBlend"); }

void MOX_DrawQuad(float x, float y, float w, float h, float s0, float t0, float s1, float t1)
{
    nullvideo::record("DrawQuad", {x, y, w, h, s0, t0, s1, t1});
}

void MOX_DrawRotatedQuad(float x, float y, float w, float h, float s0, float t0, float s1, float t1, float angle)
{
    nullvideo::record("DrawRotatedQuad", {x, y, w, h, s0, t0, s1, t1, angle});
}
