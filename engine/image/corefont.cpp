// Bitmap fonts and text. Owns mox_fontbmp, the images of loaded fonts; the
// font count lives with the renderer, which resets it on a flush.
//
// Demo thread only. The marker row (the image's top row) is scanned once at
// load: a pixel with non-zero alpha starts a letter. The centred forms
// measure every letter with the spacing added, while MOX_DrawText and
// MOX_DrawCenteredText advance a space by its width alone; the centred text
// of a spaced font is therefore a little off centre, by half the spacing
// it counts for spaces.
#include "engine/image/corefont.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

s_bitmap mox_fontbmp[MOX_MAXFONTS];

namespace {

enum {
    SKIP = -1
};

// The letter a character draws, or SKIP for one that neither draws nor moves
// the pen (codes below 31 and from 125 up, the bytes above 127 included).
inline int letter_of(unsigned char c) { return c >= 31 && c <= 124 ? c - 31 : SKIP; }

inline int floor_half(int v) { return v >= 0 ? v / 2 : -((-v + 1) / 2); }

int measure(const s_font& f, const char* text)
{
    int m = 0;
    for (const char* p = text; *p; p++) {
        const int i = letter_of((unsigned char)*p);
        if (i != SKIP) m += f.widths[i] + f.spacing;
    }
    return m;
}

// Draws at the pen, `scale` times the font's size (the pen moves in
// fractions then); a space takes the spacing only when spaced_space is set.
void draw(int x, int y, const s_font& f, const char* text, bool spaced_space, float scale = 1)
{
    float pen = float(x);
    for (const char* p = text; *p; p++) {
        const int i = letter_of((unsigned char)*p);
        if (i == SKIP) continue;
        if (i != 0 && scale == 1)
            MOX_DrawSprite(int(pen), y, f.letters[i]);
        else if (i != 0)
            MOX_DrawScaledSprite(int(pen), y, f.letters[i].width * scale, f.letters[i].height * scale, f.letters[i], 0);
        pen += float(f.widths[i] + (i == 1 && !spaced_space ? 0 : f.spacing)) * scale;
    }
}

}  // namespace

void MOX_LoadFont(const char* name, s_font* f)
{
    memset(f, 0, sizeof *f);
    if (mox_numfonts >= MOX_MAXFONTS) {
        printf("MOX_LoadFont: font table full (%d), %s not loaded\n", MOX_MAXFONTS, name);
        return;
    }
    s_bitmap* b = &mox_fontbmp[mox_numfonts];
    MOX_LoadBitmap(name, b);
    if (!b->pixels) {
        printf("MOX_LoadFont: %s has no image, font not added\n", name);
        return;
    }
    f->bitmap = b;

    f->widths[0] = 1;
    int n = 1, p = 1;
    for (int x = 0; x < b->width; x++) {
        if (((uint32_t)MOX_GetPixel(x, 0, *b) >> 24) == 0) continue;
        f->widths[n] = (uint8_t)(x - p);
        if (n <= 94) n++;  // later markers overwrite the last width
        p = x;
    }
    f->widths[n++] = (uint8_t)(b->width - p);

    f->height = b->height - 1;
    f->numletters = n;
    f->spacing = 0;
    printf("MOX_LoadFont - Num.Letters: %d\n", n);

    for (int i = 0, c = 0; i < n; i++) {
        MOX_GetSprite(c, 1, f->widths[i], f->height, *b, &f->letters[i]);
        c += f->widths[i];
    }
    mox_numfonts++;
    printf("MOX_LoadFont - Font Added (NumFonts: %d)\n", mox_numfonts);
}

void MOX_LoadDarkFont(const char* name, s_font* f) { MOX_LoadFont(name, f); }

void MOX_DeleteFont(s_font*) {}

void MOX_SetFontSpacing(int spacing, s_font* f) { f->spacing = spacing; }

// Formats into 256 bytes: at most 255 characters, the rest is cut.
#define FORMAT_TEXT(text, format)                   \
    char text[256];                                 \
    do {                                            \
        va_list args;                               \
        va_start(args, format);                     \
        vsnprintf(text, sizeof text, format, args); \
        va_end(args);                               \
    } while (0)

void MOX_DrawText(int x, int y, s_font f, const char* format, ...)
{
    FORMAT_TEXT(text, format);
    draw(x, y, f, text, false);
}

void MOX_DrawCenteredText(int y, s_font f, const char* format, ...)
{
    FORMAT_TEXT(text, format);
    const int width = MOX_FrameBuffer ? MOX_FrameBuffer->width : 0;
    draw(floor_half(width) - floor_half(measure(f, text)), y, f, text, false);
}

void MOX_DrawCenteredTextXW(int x, int y, int w, s_font f, const char* format, ...)
{
    FORMAT_TEXT(text, format);
    draw(x + floor_half(w) - floor_half(measure(f, text)), y, f, text, true);
}

void MOX_DrawScaledText(int x, int y, float scale, s_font f, const char* format, ...)
{
    FORMAT_TEXT(text, format);
    draw(x, y, f, text, false, scale);
}
