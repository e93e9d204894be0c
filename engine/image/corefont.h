// Bitmap fonts: 96 letter sprites cut from one TGA image whose top row marks
// where each letter begins, and text drawn letter by letter at a pen.
//
// Demo thread only. Letter i is drawn for the character code i + 31; codes
// 32 to 124 draw, 31 only moves the pen, everything else is skipped without
// moving it. Text is cut at 255 characters.
#pragma once
#include <cstdint>

#include "engine/image/coresprite.h"

enum {
    MOX_FONTLETTERS = 96
};

struct s_font {
    s_sprite letters[MOX_FONTLETTERS];
    uint8_t widths[MOX_FONTLETTERS];
    int32_t height;      // the image's height less the marker row
    int32_t numletters;  // letters cut
    int32_t spacing;     // added after each letter; may be negative
    s_bitmap* bitmap;    // the font's slot in mox_fontbmp
};

// The fonts' images: the n-th font loaded keeps its image in slot n.
extern s_bitmap mox_fontbmp[MOX_MAXFONTS];

void MOX_LoadFont(const char* name, s_font* f);
void MOX_LoadDarkFont(const char* name, s_font* f);
void MOX_DeleteFont(s_font* f);
void MOX_SetFontSpacing(int spacing, s_font* f);
void MOX_DrawText(int x, int y, s_font f, const char* format, ...) __attribute__((format(printf, 4, 5)));
void MOX_DrawCenteredText(int y, s_font f, const char* format, ...) __attribute__((format(printf, 3, 4)));
void MOX_DrawCenteredTextXW(int x, int y, int w, s_font f, const char* format, ...)
    __attribute__((format(printf, 5, 6)));
