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

// Loads the TGA font image `name` (file layer) into the next of the 16
// font slots and cuts its letters: a marker pixel (alpha not 0) in the top
// row starts a letter; the letters are the rows below it. The record is
// cleared first and stays so, with a line, when the table is full or the
// image does not load. Spacing starts at 0.
void MOX_LoadFont(const char* name, s_font* f);
// MOX_LoadFont.
void MOX_LoadDarkFont(const char* name, s_font* f);
// Does nothing: the image goes with MOX_FlushGraphics.
void MOX_DeleteFont(s_font* f);
// Pixels added after each letter (negative: closer).
void MOX_SetFontSpacing(int spacing, s_font* f);
// printf-formatted text, its first letter's top-left at x, y of the
// current frame buffer (2D); a space advances by its width alone.
void MOX_DrawText(int x, int y, s_font f, const char* format, ...) __attribute__((format(printf, 4, 5)));
// As MOX_DrawText, centred across the current frame buffer's width.
void MOX_DrawCenteredText(int y, s_font f, const char* format, ...) __attribute__((format(printf, 3, 4)));
// As MOX_DrawText, centred in the span x .. x + w; here a space takes the
// spacing too.
void MOX_DrawCenteredTextXW(int x, int y, int w, s_font f, const char* format, ...)
    __attribute__((format(printf, 5, 6)));
// As MOX_DrawText, every letter and advance `scale` times the font's size
// (a small line of an editor's or a debug overlay).
void MOX_DrawScaledText(int x, int y, float scale, s_font f, const char* format, ...)
    __attribute__((format(printf, 5, 6)));
