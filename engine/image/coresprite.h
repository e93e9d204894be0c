// Sprites: drawable rectangles of a bitmap's texture with a collision box,
// cut from a bitmap, loaded whole from a TGA file, or made blank.
//
// Demo thread only. A cut or loaded sprite shares its bitmap's texture and
// owns nothing; only a blank sprite owns a pixel buffer. Every made sprite is
// listed in mox_spritelist until MOX_FlushGraphics, so its record must
// outlive that; a full table refuses the sprite (it is left 0 by 0).
#pragma once
#include <cstdint>

#include "engine/image/corebitmap.h"

struct s_sprite {
    int32_t width;
    int32_t height;
    float umin, vmin, umax, vmax;
    int32_t texture;                               // shared with the bitmap; 0 for a blank sprite
    int32_t posx, posy;                            // kept for the caller
    int32_t originx, originy;                      // kept for the caller
    int32_t boxleft, boxtop, boxright, boxbottom;  // collision box, edges
    uint8_t* pixels;                               // a blank sprite's own buffer; null otherwise
};

// Bitmaps of sprites loaded from files: a sprite loaded while n sprites are
// listed keeps its bitmap in slot n.
extern s_bitmap mox_spritebmp[MOX_MAXSPRITES];

void MOX_LoadSprite(const char* name, s_sprite* s);
void MOX_GetSprite(int x, int y, int w, int h, s_bitmap b, s_sprite* s);
void MOX_CreateSprite(int w, int h, s_sprite* s);
void MOX_DeleteSprite(s_sprite* s);
void MOX_ClearSprite(s_sprite s);
s_bitmap MOX_GetBitmapFromSprite(s_sprite s);
void MOX_SetSpritePosition(s_sprite* s, int x, int y);
void MOX_SetSpriteOrigin(s_sprite* s, int x, int y);
int MOX_SetSpriteCollisionBox(s_sprite* s, int left, int top, int right, int bottom);
int MOX_CheckSpriteCollision(int x1, int y1, s_sprite a, int x2, int y2, s_sprite b);
int MOX_CheckBoxCollision(int x1, int y1, int w1, int h1, int x2, int y2, int w2, int h2);
int MOX_CheckSpriteTransparency(int colour);

void MOX_DrawSprite(int x, int y, s_sprite s);
void MOX_DrawMirroredSprite(int x, int y, s_sprite s);
void MOX_DrawBlendSprite(int x, int y, s_sprite s, int mode);
void MOX_DrawAlphaSprite(int x, int y, s_sprite s, float alpha);
void MOX_DrawScaledSprite(int x, int y, float w, float h, s_sprite s, int unused);
void MOX_DrawRotatedSprite(int x, int y, s_sprite s, float angle);
