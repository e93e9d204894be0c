// Drawing with cairo for the content tool: a canvas over a cairo image
// surface, fonts loaded from Debian's font files by path (so the outlines do
// not depend on the machine's font configuration), and the text effects the
// pictures share. Single-threaded tool code.
#pragma once
#include <cairo.h>

#include <string>

#include "image.h"

struct canvas {
    cairo_surface_t* surface = nullptr;
    cairo_t* cr = nullptr;
    int width = 0, height = 0;
};

enum font_id {
    FONT_SANS,
    FONT_SANS_BOLD,
    FONT_SERIF_BOLD,
    FONT_MONO_BOLD,
    FONT_COUNT
};

// False when a font file is missing (the message names it).
bool InitFonts();
void DoneFonts();

canvas NewCanvas(int width, int height);
// Ends drawing and returns the pixels with straight alpha.
content_image FinishCanvas(canvas& c);

struct rgba {
    double r, g, b, a;
};

// Selects the font and size; size is the em size in pixels.
void UseFont(cairo_t* cr, font_id font, double size);
// Width of the text in the current font, in pixels.
double TextWidth(cairo_t* cr, const std::string& text);
// Puts the text's outline into the path, its baseline starting at x, y,
// with `tracking` extra pixels after every letter.
void TextPath(cairo_t* cr, double x, double y, const std::string& text, double tracking = 0);
double TrackedWidth(cairo_t* cr, const std::string& text, double tracking);

// A soft glow behind the current path: strokes of shrinking width, each a
// little more opaque. Keeps the path.
void GlowPath(cairo_t* cr, rgba colour, double radius, int steps = 10);
// A vertical gradient fill of the current path between y0 and y1. Keeps it.
void FillVertical(cairo_t* cr, double y0, double y1, rgba top, rgba bottom);

// Centred text with glow, outline and gradient, baseline at y.
void FancyText(cairo_t* cr, font_id font, double size, double cx, double y, const std::string& text, rgba top,
               rgba bottom, rgba glow, double glowradius, double tracking = 0, rgba outline = {0, 0, 0, 0},
               double outlinewidth = 0);
