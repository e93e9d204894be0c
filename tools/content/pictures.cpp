// The overlays, screens and sheets of the demo, drawn with cairo. Positions
// follow where the timeline draws each picture: names at (448, 824) over the
// bottom of the screen, subtitles at (768, 984), captions at (448, 508).
// Screens drawn without blending get a dark outline so that their
// antialiased edges survive the colour key.
#include "pictures.h"

#include <cmath>
#include <string>

#include "canvas.h"

// Every group and handle here is made up for this demo.
const char* const greeting_names[16] = {
    "Glimmerhaus", "Vortaxis", "Bleepmoth", "Sundrift", "Kaleidon",  "Mothwire",    "Ferrolux", "Quibbit",
    "Zinnober",    "Halcyra",  "Plasmodon", "Noctilux", "Tesserine", "Wobblecraft", "Umbravox", "Ocelotic",
};

namespace {

const rgba no_colour = {0, 0, 0, 0};
const rgba black_outline = {0, 0, 0, 1};

// A horizontal line that fades out at both ends.
void FadingLine(cairo_t* cr, double x0, double x1, double y, double thickness, rgba c)
{
    cairo_pattern_t* p = cairo_pattern_create_linear(x0, 0, x1, 0);
    cairo_pattern_add_color_stop_rgba(p, 0, c.r, c.g, c.b, 0);
    cairo_pattern_add_color_stop_rgba(p, 0.5, c.r, c.g, c.b, c.a);
    cairo_pattern_add_color_stop_rgba(p, 1, c.r, c.g, c.b, 0);
    cairo_set_source(cr, p);
    cairo_rectangle(cr, x0, y - thickness / 2, x1 - x0, thickness);
    cairo_fill(cr);
    cairo_pattern_destroy(p);
}

// A solid line for keyed screens (no fading alpha to lose to the key).
void SolidLine(cairo_t* cr, double x0, double x1, double y, double thickness, rgba c)
{
    cairo_set_source_rgba(cr, 0, 0, 0, 1);
    cairo_rectangle(cr, x0 - 3, y - thickness / 2 - 3, x1 - x0 + 6, thickness + 6);
    cairo_fill(cr);
    cairo_set_source_rgba(cr, c.r, c.g, c.b, 1);
    cairo_rectangle(cr, x0, y - thickness / 2, x1 - x0, thickness);
    cairo_fill(cr);
}

// Keyed-screen text: gradient letters with a black outline.
void ScreenText(cairo_t* cr, font_id font, double size, double cx, double y, const std::string& text, rgba top,
                rgba bottom, double tracking = 0)
{
    FancyText(cr, font, size, cx, y, text, top, bottom, no_colour, 0, tracking, black_outline,
              std::max(3.0, size / 18));
}

rgba hue(double h, double s, double v)
{
    const double c = v * s, hp = std::fmod(h, 360.0) / 60.0, x = c * (1 - std::fabs(std::fmod(hp, 2.0) - 1));
    double r = 0, g = 0, b = 0;
    if (hp < 1)
        r = c, g = x;
    else if (hp < 2)
        r = x, g = c;
    else if (hp < 3)
        g = c, b = x;
    else if (hp < 4)
        g = x, b = c;
    else if (hp < 5)
        r = x, b = c;
    else
        r = c, b = x;
    const double m = v - c;
    return {r + m, g + m, b + m, 1};
}

double smoothstep(double e0, double e1, double x)
{
    double t = (x - e0) / (e1 - e0);
    t = t < 0 ? 0 : t > 1 ? 1 : t;
    return t * t * (3 - 2 * t);
}

uint8_t to_byte(double v)
{
    v = v < 0 ? 0 : v > 1 ? 1 : v;
    return (uint8_t)std::lround(v * 255);
}

}  // namespace

content_image DrawLogo()
{
    canvas c = NewCanvas(1920, 1080);
    cairo_t* cr = c.cr;
    FadingLine(cr, 360, 1560, 372, 4, {0.5, 0.9, 1.0, 0.9});
    FadingLine(cr, 360, 1560, 668, 4, {0.7, 0.4, 1.0, 0.9});
    FancyText(cr, FONT_SANS_BOLD, 250, 960, 620, "VELDRIX", {0.75, 0.98, 1.0, 1}, {0.55, 0.3, 1.0, 1},
              {0.2, 0.6, 1.0, 0.5}, 46, 28);
    FancyText(cr, FONT_SANS, 34, 960, 720, "d e m o   d i v i s i o n", {0.8, 0.85, 1, 0.9}, {0.6, 0.65, 0.9, 0.9},
              {0.1, 0.3, 0.8, 0.4}, 10);
    return FinishCanvas(c);
}

content_image DrawIntroCaption(int n)
{
    static const char* const captions[3] = {
        "a camera that forgets nothing",
        "a skull that remembers everything",
        "a flower that outlives us all",
    };
    canvas c = NewCanvas(1024, 64);
    FancyText(c.cr, FONT_SANS, 38, 512, 45, captions[(n - 1) % 3], {1, 1, 1, 1}, {0.75, 0.85, 1, 1},
              {0, 0.05, 0.15, 0.6}, 9);
    return FinishCanvas(c);
}

content_image DrawTitle()
{
    canvas c = NewCanvas(1920, 1080);
    cairo_t* cr = c.cr;
    FadingLine(cr, 260, 1660, 250, 3, {1.0, 0.8, 0.5, 0.8});
    FadingLine(cr, 260, 1660, 560, 3, {1.0, 0.5, 0.3, 0.8});
    FancyText(cr, FONT_SERIF_BOLD, 330, 960, 505, "ORLEM", {1.0, 0.95, 0.75, 1}, {1.0, 0.38, 0.12, 1},
              {1.0, 0.45, 0.1, 0.45}, 56, 36);
    FancyText(cr, FONT_SANS, 30, 960, 620, "a   v e l d r i x   p r o d u c t i o n", {1, 0.9, 0.8, 0.9},
              {1, 0.7, 0.5, 0.9}, {0.4, 0.1, 0, 0.5}, 8);
    return FinishCanvas(c);
}

content_image DrawGreetingsScreen()
{
    canvas c = NewCanvas(1920, 1080);
    cairo_t* cr = c.cr;
    ScreenText(cr, FONT_SANS_BOLD, 120, 960, 230, "GREETINGS", {0.7, 1, 0.9, 1}, {0.2, 0.7, 1, 1}, 14);
    SolidLine(cr, 560, 1360, 285, 5, {0.3, 0.8, 1, 1});
    for (int i = 0; i < 16; i++) {
        const int col = i % 4, row = i / 4;
        const rgba top = hue(190 + 25 * i, 0.35, 1.0), bottom = hue(190 + 25 * i, 0.75, 0.9);
        ScreenText(cr, FONT_SANS_BOLD, 50, 330 + 420 * col, 400 + 95 * row, greeting_names[i], top, bottom);
    }
    ScreenText(cr, FONT_SANS, 40, 960, 790, "and everyone who still makes things for the joy of it", {1, 1, 1, 1},
               {0.8, 0.85, 0.95, 1});
    return FinishCanvas(c);
}

content_image DrawCreditsScreen()
{
    canvas c = NewCanvas(1920, 1080);
    cairo_t* cr = c.cr;
    ScreenText(cr, FONT_SERIF_BOLD, 130, 960, 250, "ORLEM", {1, 0.95, 0.75, 1}, {1, 0.4, 0.15, 1}, 20);
    SolidLine(cr, 660, 1260, 300, 5, {1, 0.6, 0.3, 1});
    static const char* const roles[3] = {"code", "music", "graphics"};
    static const char* const handles[3] = {"Kvantor", "Sirrel", "Ondalux"};
    for (int i = 0; i < 3; i++) {
        const double y = 450 + 150 * i;
        ScreenText(cr, FONT_SANS, 46, 960, y - 62, roles[i], {0.8, 0.85, 1, 1}, {0.6, 0.7, 0.95, 1}, 6);
        ScreenText(cr, FONT_SANS_BOLD, 84, 960, y + 20, handles[i], {1, 1, 1, 1}, {0.65, 0.85, 1, 1}, 4);
    }
    ScreenText(cr, FONT_SANS_BOLD, 44, 960, 900, "VELDRIX 2026", {0.75, 0.98, 1, 1}, {0.55, 0.3, 1, 1}, 10);
    return FinishCanvas(c);
}

content_image DrawClosingScreen()
{
    canvas c = NewCanvas(1920, 1080);
    cairo_t* cr = c.cr;
    ScreenText(cr, FONT_SANS_BOLD, 150, 960, 470, "THAT'S ALL", {1, 1, 1, 1}, {0.55, 0.75, 1, 1}, 12);
    SolidLine(cr, 610, 1310, 530, 5, {0.55, 0.75, 1, 1});
    ScreenText(cr, FONT_SANS, 52, 960, 620, "thank you for watching orlem", {1, 0.95, 0.85, 1}, {1, 0.75, 0.5, 1});
    return FinishCanvas(c);
}

content_image DrawSubtitleSheet()
{
    static const char* const lines[6] = {
        "veldrix presents",           // under the logo
        "a voxel journey",            // under the title
        "slowly falling apart",       // with the skull
        "and to everyone we forgot",  // under the greetings screen
        "made with cubes and noise",  // under the credits
        "see you at the next party",  // under the closing screen
    };
    canvas c = NewCanvas(384, 384);
    for (int i = 0; i < 6; i++) {
        cairo_save(c.cr);
        cairo_rectangle(c.cr, 0, 64 * i, 384, 64);
        cairo_clip(c.cr);
        UseFont(c.cr, FONT_SANS_BOLD, 30);
        double size = 30;
        const double w = TextWidth(c.cr, lines[i]);
        if (w > 360) size = 30 * 360 / w;
        ScreenText(c.cr, FONT_SANS_BOLD, size, 192, 64 * i + 42, lines[i], {1, 1, 1, 1}, {0.8, 0.88, 1, 1});
        cairo_restore(c.cr);
    }
    return FinishCanvas(c);
}

content_image DrawNamesSheet()
{
    canvas c = NewCanvas(2048, 2048);
    for (int i = 0; i < 16; i++) {
        const double x = 1024 * (i % 2), y = 256 * (i / 2);
        cairo_save(c.cr);
        cairo_rectangle(c.cr, x, y, 1024, 256);
        cairo_clip(c.cr);
        double size = 130;
        UseFont(c.cr, FONT_SANS_BOLD, size);
        const double w = TrackedWidth(c.cr, greeting_names[i], 6);
        if (w > 940) size = size * 940 / w;
        const rgba top = hue(20 + 47 * i, 0.25, 1.0), bottom = hue(20 + 47 * i, 0.85, 0.95);
        FancyText(c.cr, FONT_SANS_BOLD, size, x + 512, y + 150, greeting_names[i], top, bottom, no_colour, 0, 6,
                  black_outline, 7);
        cairo_restore(c.cr);
    }
    return FinishCanvas(c);
}

content_image DrawFontSheet()
{
    // Letters are drawn at 44 px with 3 px of glow on each side; the demo
    // sets a spacing of -6, which takes the glow back out of the advance.
    const double size = 44;
    const int pad = 3, rows = 56;
    canvas probe = NewCanvas(1, 1);
    UseFont(probe.cr, FONT_SANS_BOLD, size);
    int widths[94];
    widths[0] = 1;
    widths[1] = (int)std::ceil(TextWidth(probe.cr, " ")) + 2 * pad;
    int total = 1 + widths[1];
    for (int k = 2; k < 94; k++) {
        const char letter[2] = {(char)(k + 31), 0};
        widths[k] = (int)std::ceil(TextWidth(probe.cr, letter)) + 2 * pad;
        total += widths[k];
    }
    FinishCanvas(probe);

    canvas c = NewCanvas(total, rows + 1);
    cairo_t* cr = c.cr;
    int x = 1 + widths[1];
    for (int k = 2; k < 94; k++) {
        const char letter[2] = {(char)(k + 31), 0};
        cairo_save(cr);
        cairo_rectangle(cr, x, 1, widths[k], rows);
        cairo_clip(cr);
        UseFont(cr, FONT_SANS_BOLD, size);
        cairo_new_path(cr);
        TextPath(cr, x + pad, 1 + 45, letter);
        GlowPath(cr, {0.6, 0.05, 0, 0.8}, pad, 3);
        FillVertical(cr, 1 + 12, 1 + 46, {1, 0.97, 0.6, 1}, {1, 0.25, 0.05, 1});
        cairo_new_path(cr);
        cairo_restore(cr);
        x += widths[k];
    }
    content_image image = FinishCanvas(c);
    // The marker row: one opaque pixel where each letter from '!' on begins.
    for (int i = 0; i < image.width; i++) image.at(i, 0)[3] = 0;
    x = 1 + widths[1];
    for (int k = 2; k < 94; k++) {
        uint8_t* p = image.at(x, 0);
        p[0] = p[1] = p[2] = p[3] = 255;
        x += widths[k];
    }
    return image;
}

content_image DrawFloorTexture()
{
    // A dark glossy floor with a faint grid, fading out towards the edge of
    // the plane so that its border never shows.
    const int n = 1024, cell = 32;
    content_image image(n, n);
    for (int y = 0; y < n; y++)
        for (int x = 0; x < n; x++) {
            const double gx = std::fabs(std::fmod(x + 0.5, (double)cell) - cell / 2.0) - (cell / 2.0 - 1.5);
            const double gy = std::fabs(std::fmod(y + 0.5, (double)cell) - cell / 2.0) - (cell / 2.0 - 1.5);
            const double line = std::max(smoothstep(-2.5, 1.0, gx), smoothstep(-2.5, 1.0, gy));
            const double dx = (x + 0.5) / n - 0.5, dy = (y + 0.5) / n - 0.5;
            const double r = std::sqrt(dx * dx + dy * dy) * 2;
            const double fade = 1 - smoothstep(0.45, 0.98, r);
            const double glow = 0.5 + 0.5 * std::exp(-r * r * 6);
            uint8_t* p = image.at(x, y);
            p[0] = to_byte((0.03 + 0.10 * line * glow) * fade);
            p[1] = to_byte((0.04 + 0.30 * line * glow) * fade);
            p[2] = to_byte((0.08 + 0.42 * line * glow) * fade);
            p[3] = 255;
        }
    return image;
}

content_image DrawParticleSprites()
{
    const int s = 64;
    content_image image(s, 4 * s);
    for (int k = 0; k < 4; k++)
        for (int y = 0; y < s; y++)
            for (int x = 0; x < s; x++) {
                const double dx = (x + 0.5) / s * 2 - 1, dy = (y + 0.5) / s * 2 - 1;
                const double r = std::sqrt(dx * dx + dy * dy);
                double v = 0;
                switch (k) {
                case 0:  // soft round glow
                    v = std::exp(-r * r * 5.5);
                    break;
                case 1: {  // glowing square, a cube seen face on
                    const double m = std::max(std::fabs(dx), std::fabs(dy));
                    v = 0.85 * (1 - smoothstep(0.5, 0.58, m)) + 0.35 * std::exp(-m * m * 6) * smoothstep(0.5, 0.6, m);
                    break;
                }
                case 2:  // ring with a faint core
                    v = std::exp(-std::pow((r - 0.55) / 0.13, 2)) + 0.3 * std::exp(-r * r * 12);
                    break;
                default:  // four-pointed sparkle
                    v = std::max(std::exp(-(dx * dx / 0.004 + dy * dy / 0.35)),
                                 std::exp(-(dy * dy / 0.004 + dx * dx / 0.35))) +
                        0.6 * std::exp(-r * r * 14);
                    break;
                }
                // Nothing reaches the sprite's edge, so filtering never bleeds
                // into the neighbouring row.
                v *= 1 - smoothstep(0.88, 0.97, std::max(std::fabs(dx), std::fabs(dy)));
                const uint8_t b = to_byte(v);
                uint8_t* p = image.at(x, k * s + y);
                p[0] = p[1] = p[2] = b;
                p[3] = b;
            }
    return image;
}
