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

// Makes a bitmap of width x height: a cleared buffer (transparent black),
// its texture, and its entry in mox_bitmaplist. Refused whole, with a line
// and the record left as it was, when the table is full, a side is not
// positive, it has more than MOX_MAXBITMAPPIXELS pixels or there is no
// memory.
void MOX_CreateBitmap(int width, int height, s_bitmap* b);
// Frees the buffer and deletes the texture (a static bitmap: the texture
// alone). The table entry stays until MOX_FlushGraphics, which then finds
// nothing left to free.
void MOX_DeleteBitmap(s_bitmap* b);
// Uploads the buffer to the texture, after pixel changes; nothing for a
// static bitmap.
void MOX_UpdateBitmap(s_bitmap b);
// Clears the buffer to transparent black and uploads it.
void MOX_ClearBitmap(s_bitmap b);
// Fills the buffer with `colour` stored as given (as bytes: the low byte is
// red, so 0xAABBGGRR; no exchange as the pixel calls make) and uploads it.
void MOX_ClearBitmapWithColor(s_bitmap b, int colour);
// The buffer's pixel at x, y as 0xAARRGGBB; 0 outside the bitmap or
// without a buffer.
int MOX_GetPixel(int x, int y, s_bitmap b);
// Sets the buffer's pixel at x, y from 0xAARRGGBB; nothing outside it. Not
// shown until MOX_UpdateBitmap.
void MOX_DrawPixel(int x, int y, int colour, s_bitmap b);
// MOX_BindTexture of the bitmap's texture.
void MOX_BindTextureFromBitmap(s_bitmap b);
// Draws the bitmap at its size with its top-left at x, y of the current
// frame buffer (2D), alpha test off.
void MOX_DrawBitmap(int x, int y, s_bitmap b);
// As MOX_DrawBitmap, stretched to w x h pixels; `unused` is not used.
void MOX_DrawScaledBitmap(int x, int y, float w, float h, s_bitmap b, int unused);
// As MOX_DrawBitmap at `zoom` per cent of its size.
void MOX_DrawZoomedBitmap(int x, int y, float zoom, s_bitmap b);
// As MOX_DrawBitmap with blending on for it, in MOX_SetBlendMode `mode`.
void MOX_DrawBlendBitmap(int x, int y, s_bitmap b, int mode);
// As MOX_DrawBitmap at opacity `alpha`, 0..1.
void MOX_DrawAlphaBitmap(int x, int y, s_bitmap b, float alpha);
// As MOX_DrawBitmap, turned `angle` degrees about its centre.
void MOX_DrawRotatedBitmap(int x, int y, s_bitmap b, float angle);
// Loads a ".tga" file (any case) through the file layer into a new bitmap
// and uploads it; the buffer is kept. Another extension or a refused file
// leaves a line and, where no bitmap was made, the record as it was.
void MOX_LoadBitmap(const char* name, s_bitmap* b);
// As MOX_LoadBitmap, then frees the buffer: a texture alone (pixels null).
void MOX_LoadBitmapStatic(const char* name, s_bitmap* b);
// Decodes the TGA file `name` into a new bitmap's buffer: 8-bit grey or
// colour-mapped, 15, 16, 24 or 32 bits, packed or not, any origin; the
// colour key (red and blue above 240, green below 16) becomes transparent
// black. Does not upload (MOX_UpdateBitmap does). A missing file does
// nothing; a refused one says why; pixels the file lacks stay transparent.
void LoadImageTGA(const char* name, s_bitmap* b);
// 0 for the colour key (0x..RRGGBB with red and blue above 240, green
// below 16), else `colour` as it is.
int ConvertTransp(int colour);
// Upper-cases the ASCII letters of `text` in place and returns it.
char* upcase(char* text);
