// Sprites and collision. Owns mox_spritebmp (the bitmaps of sprites loaded
// from files) and the buffers of blank sprites; the sprite table itself lives
// with the renderer, which flushes it.
//
// Demo thread only. Sprites draw with the alpha test on, so texels with
// alpha 0 (the colour key) are cut out. Collision compares strictly: boxes
// that only share an edge do not collide.
#include "engine/image/coresprite.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

s_bitmap mox_spritebmp[MOX_MAXSPRITES];

// Lists the sprite; a full table leaves it an empty 0 by 0 sprite.
static bool register_sprite(s_sprite* s, const char* who)
{
    if (mox_numsprites < MOX_MAXSPRITES) {
        mox_spritelist[mox_numsprites++] = s;
        return true;
    }
    printf("%s: sprite table full (%d), sprite not made\n", who, MOX_MAXSPRITES);
    memset(s, 0, sizeof *s);
    return false;
}

void MOX_LoadSprite(const char* name, s_sprite* s)
{
    const int slot = mox_numsprites;
    if (slot >= MOX_MAXSPRITES) {
        printf("MOX_LoadSprite: sprite table full (%d), %s not loaded\n", MOX_MAXSPRITES, name);
        memset(s, 0, sizeof *s);
        return;
    }
    s_bitmap* b = &mox_spritebmp[slot];
    MOX_LoadBitmap(name, b);
    MOX_GetSprite(0, 0, b->width, b->height, *b, s);
}

void MOX_GetSprite(int x, int y, int w, int h, s_bitmap b, s_sprite* s)
{
    if (!register_sprite(s, "MOX_GetSprite")) return;
    s->width = w;
    s->height = h;
    s->boxleft = 0;
    s->boxtop = 0;
    s->boxright = w;
    s->boxbottom = h;
    s->originx = 0;
    s->originy = 0;
    s->pixels = nullptr;
    // A bitmap that never loaded has no size: its sprites get zero coordinates.
    const float tw = (float)b.texwidth, th = (float)b.texheight;
    s->umin = tw > 0 ? (float)x / tw : 0;
    s->vmin = th > 0 ? (float)y / th : 0;
    s->umax = tw > 0 ? (float)(x + w) / tw : 0;
    s->vmax = th > 0 ? (float)(y + h) / th : 0;
    s->texture = b.texture;  // posx and posy stay the caller's
}

void MOX_CreateSprite(int w, int h, s_sprite* s)
{
    const int width = PowerOfTwo(w), height = PowerOfTwo(h);
    if (width <= 0 || height <= 0 || (int64_t)width * height > INT32_MAX / 4) {
        printf("MOX_CreateSprite: size %dx%d not possible, sprite not made\n", w, h);
        memset(s, 0, sizeof *s);
        return;
    }
    if (mox_numsprites >= MOX_MAXSPRITES) {
        register_sprite(s, "MOX_CreateSprite");
        return;
    }
    uint8_t* pixels = (uint8_t*)calloc((size_t)width * height, 4);
    if (!pixels) {
        printf("MOX_CreateSprite: no memory for %dx%d pixels, sprite not made\n", w, h);
        memset(s, 0, sizeof *s);
        return;
    }
    s->width = width;
    s->height = height;
    s->boxleft = 0;
    s->boxtop = 0;
    s->boxright = w;
    s->boxbottom = h;
    s->originx = 0;
    s->originy = 0;
    s->pixels = pixels;
    s->umin = 0;
    s->vmin = 0;
    s->umax = (float)(w * 0.99999) / (float)width;
    s->vmax = (float)(h * 0.9999) / (float)height;
    s->texture = 0;
    register_sprite(s, "MOX_CreateSprite");
}

void MOX_DeleteSprite(s_sprite* s)
{
    if (!s->pixels) return;
    free(s->pixels);
    s->pixels = nullptr;
}

void MOX_ClearSprite(s_sprite s)
{
    if (s.pixels) memset(s.pixels, 0, (size_t)s.width * s.height * 4);
}

s_bitmap MOX_GetBitmapFromSprite(s_sprite s)
{
    s_bitmap b;
    b.width = s.width;
    b.height = s.height;
    // The texture size is the sprite's own, so sprites may be cut from it.
    b.texwidth = s.width;
    b.texheight = s.height;
    b.pixelcount = s.width * s.height;
    b.bytes = b.pixelcount * 4;
    b.pixels = s.pixels;
    b.umin = s.umin;
    b.vmin = s.vmin;
    b.umax = s.umax;
    b.vmax = s.vmax;
    b.texture = s.texture;
    return b;
}

void MOX_SetSpritePosition(s_sprite* s, int x, int y)
{
    s->posx = x;
    s->posy = y;
}

void MOX_SetSpriteOrigin(s_sprite* s, int x, int y)
{
    s->originx = x;
    s->originy = y;
}

int MOX_SetSpriteCollisionBox(s_sprite* s, int left, int top, int right, int bottom)
{
    s->boxleft = left;
    s->boxtop = top;
    s->boxright = right;
    s->boxbottom = bottom;
    return 1;
}

int MOX_CheckBoxCollision(int x1, int y1, int w1, int h1, int x2, int y2, int w2, int h2)
{
    return x2 - w1 < x1 && y2 - h1 < y1 && x2 + w2 > x1 && y2 + h2 > y1;
}

int MOX_CheckSpriteCollision(int x1, int y1, s_sprite a, int x2, int y2, s_sprite b)
{
    return MOX_CheckBoxCollision(x1 + a.boxleft, y1 + a.boxtop, a.boxright - a.boxleft, a.boxbottom - a.boxtop,
                                 x2 + b.boxleft, y2 + b.boxtop, b.boxright - b.boxleft, b.boxbottom - b.boxtop);
}

int MOX_CheckSpriteTransparency(int colour)
{
    const int r = (colour >> 16) & 0xFF, g = (colour >> 8) & 0xFF, b = colour & 0xFF;
    return r > 240 && g < 16 && b > 240;
}

// --- drawing ------------------------------------------------------------------------

void MOX_DrawSprite(int x, int y, s_sprite s)
{
    MOX_EnableRenderState(MOX_ALPHATEST);
    MOX_BindTexture(s.texture);
    MOX_DrawQuad((float)x, (float)y, (float)s.width, (float)s.height, s.umin, s.vmin, s.umax, s.vmax);
}

void MOX_DrawMirroredSprite(int x, int y, s_sprite s)
{
    MOX_EnableRenderState(MOX_ALPHATEST);
    MOX_BindTexture(s.texture);
    MOX_DrawQuad((float)x, (float)y, (float)s.width, (float)s.height, s.umax, s.vmin, s.umin, s.vmax);
}

void MOX_DrawBlendSprite(int x, int y, s_sprite s, int mode)
{
    MOX_SetBlendMode(mode);
    MOX_EnableRenderState(MOX_BLEND);
    MOX_DrawSprite(x, y, s);
    MOX_DisableRenderState(MOX_BLEND);
}

void MOX_DrawAlphaSprite(int x, int y, s_sprite s, float alpha)
{
    MOX_EnableAlphaBlend(alpha);
    MOX_DrawSprite(x, y, s);
    MOX_DisableAlphaBlend();
}

void MOX_DrawScaledSprite(int x, int y, float w, float h, s_sprite s, int)
{
    MOX_EnableRenderState(MOX_ALPHATEST);
    MOX_BindTexture(s.texture);
    MOX_DrawQuad((float)x, (float)y, w, h, s.umin, s.vmin, s.umax, s.vmax);
}

void MOX_DrawRotatedSprite(int x, int y, s_sprite s, float angle)
{
    MOX_BindTexture(s.texture);
    MOX_EnableRenderState(MOX_ALPHATEST);
    MOX_DrawRotatedQuad((float)x, (float)y, (float)s.width, (float)s.height, s.umin, s.vmin, s.umax, s.vmax, angle);
}
