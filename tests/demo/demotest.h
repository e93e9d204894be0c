// Shared by the demo module's GL tests: the demo's window and frame buffers
// (1920 x 1080, off-screen on llvmpipe), its three programs, flat-coloured
// stand-ins for every overlay picture, small voxel sets of known sizes, and
// whole-frame read-back of the output buffer.
#pragma once
#include "engine/platform/moxgl.h"
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "demo/helpers.h"
#include "demo/demo.h"
#include "engine/video/mox.h"

namespace demotest {

struct Buffers {
    int output = -1, blur = -1, scene = -1;
};

inline Buffers& buffers()
{
    static Buffers b;
    return b;
}

// A picture of one colour (0xAARRGGBB) and a sprite of all of it. The
// clear takes its colour as the bytes are stored: red in the low byte.
inline void flatsprite(int w, int h, uint32_t colour, s_bitmap* b, s_sprite* s)
{
    MOX_CreateBitmap(w, h, b);
    const uint32_t bytes = (colour & 0xFF00FF00u) | ((colour >> 16) & 0xFF) | ((colour & 0xFF) << 16);
    MOX_ClearBitmapWithColor(*b, int(bytes));
    MOX_UpdateBitmap(*b);
    MOX_GetSprite(0, 0, w, h, *b, s);
}

// Colours of the stand-ins: each overlay tells itself apart by colour.
constexpr uint32_t kLogo = 0xFFC00000, kTitle = 0xFF00C000, kGreetings = 0xFF0000C0, kCredits = 0xFFC0C000,
                   kAllover = 0xFF00C0C0;
constexpr int kScreenSide = 64;  // the full-screen pictures' stand-ins: 64 x 64 at (0, 0)
inline uint32_t introcolour(int i) { return 0xFF200000u + uint32_t(i + 1) * 0x30; }
inline uint32_t subtitlecolour(int i) { return 0xFF002000u + uint32_t(i + 1) * 0x2000; }
inline uint32_t namecolour(int i) { return 0xFF400040u + uint32_t(i + 1) * 0x0800; }

// Voxel sets of distinct sizes, on a small grid around the origin.
constexpr int kChair = 40, kFlower = 41, kShoe = 42, kSkull = 43, kCamera = 44, kMoney = 45;

inline float* voxelset(int count)
{
    float* v = new float[size_t(DEMO_MAXPARTICLES) * 6]();
    for (int i = 0; i < count; i++) {
        float* p = v + 6 * i;
        p[0] = float(i % 7) - 3;
        p[1] = float(i / 7);
        p[2] = 0;
        p[3] = p[4] = p[5] = 1;
    }
    return v;
}

// A frame buffer as 0xAABBGGRR words (red in the low byte), top row first.
inline std::vector<uint32_t> readbuffer(int index)
{
    std::vector<uint32_t> rows(size_t(DEMO_WIDTH) * DEMO_HEIGHT), top(rows.size());
    MOX_SetFrameBuffer(index);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, DEMO_WIDTH, DEMO_HEIGHT, GL_RGBA, GL_UNSIGNED_BYTE, rows.data());
    for (int y = 0; y < DEMO_HEIGHT; y++)
        std::copy_n(&rows[size_t(DEMO_HEIGHT - 1 - y) * DEMO_WIDTH], DEMO_WIDTH, &top[size_t(y) * DEMO_WIDTH]);
    return top;
}

inline std::vector<uint32_t> readoutput() { return readbuffer(buffers().output); }

// 0xAARRGGBB as the frame buffer stores it, alpha left out.
inline uint32_t stored(uint32_t argb) { return ((argb >> 16) & 0xFF) | (argb & 0xFF00) | ((argb & 0xFF) << 16); }

class Demo : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        static bool started = false;
        if (started) return;
        started = true;
        MOX_InitVideo(DEMO_WIDTH, DEMO_HEIGHT, 0);
        Buffers& b = buffers();
        b.output = MOX_CreateFrameBuffer(DEMO_WIDTH, DEMO_HEIGHT, 3);
        b.blur = MOX_CreateFrameBuffer(DEMO_WIDTH, DEMO_HEIGHT, 3);
        b.scene = MOX_CreateFrameBuffer(DEMO_WIDTH, DEMO_HEIGHT, 3);
        zoomblur1_id = MOX_InitShader(vv_default, ff_zoomblur1);
        zoomblur2_id = MOX_InitShader(vv_default, ff_zoomblur2);
        postshader_id = MOX_InitShader(vv_default, ff_post);

        static s_bitmap whole[8];
        flatsprite(kScreenSide, kScreenSide, kLogo, &whole[0], &spr_veldrix);
        flatsprite(kScreenSide, kScreenSide, kTitle, &whole[1], &spr_title);
        flatsprite(kScreenSide, kScreenSide, kGreetings, &whole[2], &spr_greetings);
        flatsprite(kScreenSide, kScreenSide, kCredits, &whole[3], &spr_credits);
        flatsprite(kScreenSide, kScreenSide, kAllover, &whole[4], &spr_allover);
        for (int i = 0; i < 3; i++) flatsprite(1024, 64, introcolour(i), &whole[5 + i], &spr_intro[i]);
        // The sheets, cut as coremain cuts them.
        MOX_CreateBitmap(384, 384, &bmp_subtitle);
        for (int i = 0; i < 6; i++)
            for (int y = 64 * i; y < 64 * i + 64; y++)
                for (int x = 0; x < 384; x++) MOX_DrawPixel(x, y, int(subtitlecolour(i)), bmp_subtitle);
        MOX_UpdateBitmap(bmp_subtitle);
        for (int i = 0; i < 6; i++) MOX_GetSprite(0, 64 * i, 384, 64, bmp_subtitle, &spr_subtitle[i]);
        MOX_CreateBitmap(2048, 2048, &bmp_greetings);
        for (int i = 0; i < 16; i++)
            for (int y = 256 * (i / 2); y < 256 * (i / 2) + 256; y++)
                for (int x = 1024 * (i % 2); x < 1024 * (i % 2) + 1024; x++)
                    MOX_DrawPixel(x, y, int(namecolour(i)), bmp_greetings);
        MOX_UpdateBitmap(bmp_greetings);
        for (int i = 0; i < 16; i++)
            MOX_GetSprite(1024 * (i % 2), 256 * (i / 2), 1024, 256, bmp_greetings, &spr_name[i]);

        chair_voxeldata = voxelset(kChair);
        chair_numvoxels = kChair;
        flower_voxeldata = voxelset(kFlower);
        flower_numvoxels = kFlower;
        shoe_voxeldata = voxelset(kShoe);
        shoe_numvoxels = kShoe;
        skull_voxeldata = voxelset(kSkull);
        skull_numvoxels = kSkull;
        camera_voxeldata = voxelset(kCamera);
        camera_numvoxels = kCamera;
        money_voxeldata = voxelset(kMoney);
        money_numvoxels = kMoney;
        InitPulse();
    }

    void SetUp() override
    {
        demostate = effecttime = eventpulse = greetname = 0;
        fade = blend = 1;
        fadeevent = blendevent = 0;
        beatmultiplyer = 1;
        blurzoom = blurrgb = 0.5f;
        numparticles = 0;
        laststate = 0;
        camrot = 0;
        explosionCount = 0;
        centerX = 0;
        centerY = 8;
        centerZ = -15;
        glDisable(GL_BLEND);
        glColor4f(1, 1, 1, 1);
        MOX_UnbindShader();
    }

    void TearDown() override { EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR)); }

    // The output buffer cleared to black, in 2D, as the frame loop leaves it
    // for the overlays.
    static void blankoutput()
    {
        MOX_SetFrameBuffer(buffers().output);
        MOX_ClearFrameBuffer(int(0xFF000000u));
        MOX_Enable2D();
    }
};

}  // namespace demotest
