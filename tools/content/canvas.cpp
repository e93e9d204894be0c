// cairo canvases and text effects. Fonts come from fixed font files with
// hinting off, so the same source draws the same pixels on every machine
// that has the same Debian font packages.
#include "canvas.h"

#include <cairo-ft.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <cstdio>

namespace {

const char* const font_files[FONT_COUNT] = {
    "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf",
    "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf",
    "/usr/share/fonts/truetype/dejavu/DejaVuSerif-Bold.ttf",
    "/usr/share/fonts/truetype/dejavu/DejaVuSansMono-Bold.ttf",
};

FT_Library library = nullptr;
FT_Face faces[FONT_COUNT] = {};
cairo_font_face_t* cairo_faces[FONT_COUNT] = {};

}  // namespace

bool InitFonts()
{
    if (FT_Init_FreeType(&library) != 0) {
        fprintf(stderr, "content: FreeType did not start\n");
        return false;
    }
    for (int i = 0; i < FONT_COUNT; i++) {
        if (FT_New_Face(library, font_files[i], 0, &faces[i]) != 0) {
            fprintf(stderr, "content: font file %s missing (Debian package fonts-dejavu-core)\n", font_files[i]);
            return false;
        }
        cairo_faces[i] = cairo_ft_font_face_create_for_ft_face(faces[i], 0);
    }
    return true;
}

void DoneFonts()
{
    for (int i = 0; i < FONT_COUNT; i++) {
        if (cairo_faces[i]) cairo_font_face_destroy(cairo_faces[i]);
        cairo_faces[i] = nullptr;
    }
    // The FT faces belong to the cairo faces' caches until cairo lets go;
    // the tool ends right after, so they are left to the process exit.
}

canvas NewCanvas(int width, int height)
{
    canvas c;
    c.width = width, c.height = height;
    c.surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
    c.cr = cairo_create(c.surface);
    cairo_font_options_t* o = cairo_font_options_create();
    cairo_font_options_set_antialias(o, CAIRO_ANTIALIAS_GRAY);
    cairo_font_options_set_hint_style(o, CAIRO_HINT_STYLE_NONE);
    cairo_font_options_set_hint_metrics(o, CAIRO_HINT_METRICS_OFF);
    cairo_set_font_options(c.cr, o);
    cairo_font_options_destroy(o);
    return c;
}

content_image FinishCanvas(canvas& c)
{
    cairo_destroy(c.cr);
    cairo_surface_flush(c.surface);
    content_image image(c.width, c.height);
    const uint8_t* data = cairo_image_surface_get_data(c.surface);
    const int stride = cairo_image_surface_get_stride(c.surface);
    for (int y = 0; y < c.height; y++)
        for (int x = 0; x < c.width; x++) {
            const uint32_t px = *(const uint32_t*)(data + (size_t)y * stride + (size_t)x * 4);
            const uint32_t a = px >> 24;
            uint8_t* d = image.at(x, y);
            d[3] = (uint8_t)a;
            if (a == 0) continue;
            d[0] = (uint8_t)((((px >> 16) & 255) * 255 + a / 2) / a);
            d[1] = (uint8_t)((((px >> 8) & 255) * 255 + a / 2) / a);
            d[2] = (uint8_t)(((px & 255) * 255 + a / 2) / a);
        }
    cairo_surface_destroy(c.surface);
    c = canvas();
    return image;
}

void UseFont(cairo_t* cr, font_id font, double size)
{
    cairo_set_font_face(cr, cairo_faces[font]);
    cairo_set_font_size(cr, size);
}

double TextWidth(cairo_t* cr, const std::string& text)
{
    cairo_text_extents_t e;
    cairo_text_extents(cr, text.c_str(), &e);
    return e.x_advance;
}

double TrackedWidth(cairo_t* cr, const std::string& text, double tracking)
{
    if (tracking == 0) return TextWidth(cr, text);
    double w = 0;
    for (size_t i = 0; i < text.size(); i++)
        w += TextWidth(cr, text.substr(i, 1)) + (i + 1 < text.size() ? tracking : 0);
    return w;
}

void TextPath(cairo_t* cr, double x, double y, const std::string& text, double tracking)
{
    if (tracking == 0) {
        cairo_move_to(cr, x, y);
        cairo_text_path(cr, text.c_str());
        return;
    }
    for (size_t i = 0; i < text.size(); i++) {
        const std::string letter = text.substr(i, 1);
        cairo_move_to(cr, x, y);
        cairo_text_path(cr, letter.c_str());
        x += TextWidth(cr, letter) + tracking;
    }
}

void GlowPath(cairo_t* cr, rgba colour, double radius, int steps)
{
    cairo_save(cr);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    for (int i = steps; i >= 1; i--) {
        cairo_set_line_width(cr, 2 * radius * i / steps);
        cairo_set_source_rgba(cr, colour.r, colour.g, colour.b, colour.a / steps);
        cairo_stroke_preserve(cr);
    }
    cairo_restore(cr);
}

void FillVertical(cairo_t* cr, double y0, double y1, rgba top, rgba bottom)
{
    cairo_pattern_t* p = cairo_pattern_create_linear(0, y0, 0, y1);
    cairo_pattern_add_color_stop_rgba(p, 0, top.r, top.g, top.b, top.a);
    cairo_pattern_add_color_stop_rgba(p, 1, bottom.r, bottom.g, bottom.b, bottom.a);
    cairo_set_source(cr, p);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(p);
}

void FancyText(cairo_t* cr, font_id font, double size, double cx, double y, const std::string& text, rgba top,
               rgba bottom, rgba glow, double glowradius, double tracking, rgba outline, double outlinewidth)
{
    UseFont(cr, font, size);
    const double w = TrackedWidth(cr, text, tracking);
    cairo_new_path(cr);
    TextPath(cr, cx - w / 2, y, text, tracking);
    if (glowradius > 0) GlowPath(cr, glow, glowradius);
    if (outlinewidth > 0) {
        cairo_save(cr);
        cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
        cairo_set_line_width(cr, outlinewidth * 2);
        cairo_set_source_rgba(cr, outline.r, outline.g, outline.b, outline.a);
        cairo_stroke_preserve(cr);
        cairo_restore(cr);
    }
    FillVertical(cr, y - size * 0.75, y, top, bottom);
    cairo_new_path(cr);
}
