// Bitmaps: an RGBA pixel buffer in system memory plus a texture of the
// renderer, loaded from TGA files through the file layer and drawn as quads.
//
// Demo thread only (every operation may touch GL). Pixels are stored as the
// bytes red, green, blue, alpha; the pixel calls take and give 0xAARRGGBB,
// so red and blue change places on the way in and out. Every created bitmap
// is listed in mox_bitmaplist until MOX_FlushGraphics, so its record must
// outlive that.
#pragma once
#include <cstdint>

#include "engine/video/mox.h"

struct s_bitmap {
    int32_t width;
    int32_t height;
    int32_t texwidth;    // PowerOfTwo(width), which is width
    int32_t texheight;   // PowerOfTwo(height)
    int32_t bytes;       // texwidth * texheight * 4
    int32_t pixelcount;  // texwidth * texheight
    uint8_t* pixels;     // owned; null for none (or a static bitmap)
    float umin, vmin, umax, vmax;
    int32_t texture;  // renderer texture; 0 for none
};

void MOX_CreateBitmap(int width, int height, s_bitmap* b);
void MOX_DeleteBitmap(s_bitmap* b);
void MOX_UpdateBitmap(s_bitmap b);
void MOX_ClearBitmap(s_bitmap b);
void MOX_ClearBitmapWithColor(s_bitmap b, int colour);
int MOX_GetPixel(int x, int y, s_bitmap b);
void MOX_DrawPixel(int x, int y, int colour, s_bitmap b);
void MOX_BindTextureFromBitmap(s_bitmap b);
void MOX_DrawBitmap(int x, int y, s_bitmap b);
void MOX_DrawScaledBitmap(int x, int y, float w, float h, s_bitmap b, int unused);
void MOX_DrawZoomedBitmap(int x, int y, float zoom, s_bitmap b);
void MOX_DrawBlendBitmap(int x, int y, s_bitmap b, int mode);
void MOX_DrawAlphaBitmap(int x, int y, s_bitmap b, float alpha);
void MOX_DrawRotatedBitmap(int x, int y, s_bitmap b, float angle);
void MOX_LoadBitmap(const char* name, s_bitmap* b);
void MOX_LoadBitmapStatic(const char* name, s_bitmap* b);
void LoadImageTGA(const char* name, s_bitmap* b);
int ConvertTransp(int colour);
char* upcase(char* text);
