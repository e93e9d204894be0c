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

// Loads the TGA file `name` (file layer) into the bitmap slot of the
// sprite about to be listed and makes the whole picture the sprite. A full
// table leaves it 0 by 0, with a line; a picture that does not load
// leaves the slot's bitmap as it was (nothing on a fresh slot).
void MOX_LoadSprite(const char* name, s_sprite* s);
// The sprite is the rectangle x, y, w x h (pixels) of the bitmap's
// texture, which it shares; collision box the whole sprite, origin 0, 0.
// A full table leaves it 0 by 0, with a line.
void MOX_GetSprite(int x, int y, int w, int h, s_bitmap b, s_sprite* s);
// A blank w x h sprite with a cleared buffer of its own and no texture
// (it draws with texture 0). Refused, 0 by 0 with a line, for a bad size,
// no memory or a full table.
void MOX_CreateSprite(int w, int h, s_sprite* s);
// Frees a blank sprite's buffer; nothing for a cut or loaded one, whose
// texture is its bitmap's.
void MOX_DeleteSprite(s_sprite* s);
// Clears a blank sprite's buffer to 0.
void MOX_ClearSprite(s_sprite s);
// A bitmap record over the sprite's buffer and texture, sized as the
// sprite; not listed, owns nothing.
s_bitmap MOX_GetBitmapFromSprite(s_sprite s);
// Stores a position for the caller; drawing does not use it.
void MOX_SetSpritePosition(s_sprite* s, int x, int y);
// Stores an origin for the caller; drawing does not use it.
void MOX_SetSpriteOrigin(s_sprite* s, int x, int y);
// The collision box's edges, in the sprite's pixels. Returns 1.
int MOX_SetSpriteCollisionBox(s_sprite* s, int left, int top, int right, int bottom);
// 1 when the collision boxes of a at x1, y1 and b at x2, y2 overlap; boxes
// that only share an edge do not.
int MOX_CheckSpriteCollision(int x1, int y1, s_sprite a, int x2, int y2, s_sprite b);
// 1 when the rectangles x1, y1, w1 x h1 and x2, y2, w2 x h2 overlap; ones
// that only share an edge do not.
int MOX_CheckBoxCollision(int x1, int y1, int w1, int h1, int x2, int y2, int w2, int h2);
// 1 for the colour key (0x..RRGGBB with red and blue above 240, green
// below 16), else 0.
int MOX_CheckSpriteTransparency(int colour);

// Draws the sprite at its size, its top-left at x, y of the current frame
// buffer (2D), alpha test on: texels of alpha 0 are cut out.
void MOX_DrawSprite(int x, int y, s_sprite s);
// As MOX_DrawSprite, mirrored left to right.
void MOX_DrawMirroredSprite(int x, int y, s_sprite s);
// As MOX_DrawSprite with blending on for it, in MOX_SetBlendMode `mode`.
void MOX_DrawBlendSprite(int x, int y, s_sprite s, int mode);
// As MOX_DrawSprite at opacity `alpha`, 0..1.
void MOX_DrawAlphaSprite(int x, int y, s_sprite s, float alpha);
// As MOX_DrawSprite, stretched to w x h pixels; `unused` is not used.
void MOX_DrawScaledSprite(int x, int y, float w, float h, s_sprite s, int unused);
// As MOX_DrawSprite, turned `angle` degrees about its centre.
void MOX_DrawRotatedSprite(int x, int y, s_sprite s, float angle);
