// The sync table over its music, drawn with cairo as the content tool draws:
// the music's envelope (the lowest and highest sample of each mixed block)
// across the width, a time axis in seconds, each scene event of track 0 as
// a labelled vertical mark, each pulse of track 1 as a tick, and below, the
// beat detector's two probes on a logarithmic scale with the threshold
// their sum must pass and the blocks where it does.
#include "tools/timingtool/plot.h"

#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "canvas.h"
#include "demo/demotiming.h"
#include "tools/timingtool/musicblocks.h"

namespace {

struct span {
    double from, to;
    double left, right;  // pixel columns of from and to
    double x(double seconds) const { return left + std::round((seconds - from) * (right - left) / (to - from)); }
};

void colour(cairo_t* cr, double r, double g, double b, double a = 1) { cairo_set_source_rgba(cr, r, g, b, a); }

// A one-pixel vertical line on column x, from y0 to y1.
void vline(cairo_t* cr, double x, double y0, double y1)
{
    cairo_rectangle(cr, x, y0, 1, y1 - y0);
    cairo_fill(cr);
}

void label(cairo_t* cr, double x, double y, const std::string& text, double size, bool centred)
{
    UseFont(cr, FONT_SANS, size);
    cairo_move_to(cr, centred ? x - TextWidth(cr, text) / 2 : x, y);
    cairo_show_text(cr, text.c_str());
}

// A tick step that gives about a dozen labels over the span.
double tickstep(double seconds)
{
    for (double step : {0.1, 0.2, 0.5, 1.0, 2.0, 5.0, 10.0, 15.0, 30.0, 60.0, 120.0, 300.0})
        if (seconds / step <= 16) return step;
    return 600;
}

// The probes' scale: log10(1 + e) over 0 to 6 (energies up to a million).
double stripy(double e, int height) { return height - 8 - std::min(1.0, std::log10(1 + std::max(0.0, e)) / 6) * (height - 8 - PLOT_STRIPTOP - 16); }

}  // namespace

int timingtool_plot(const char* tablepath, const char* musicpath, const char* pngpath, const plot_options& o)
{
    InitTiming();
    FILE* f = fopen(tablepath, "rb");
    if (!f) {
        fprintf(stderr, "timingtool: %s: cannot be read\n", tablepath);
        return 1;
    }
    fclose(f);
    LoadTiming(tablepath);
    std::vector<musicblock> blocks;
    std::string error;
    if (musicpath && !MixMusicBlocks(musicpath, &blocks, &error)) {
        fprintf(stderr, "timingtool: %s: %s\n", musicpath, error.c_str());
        return 1;
    }
    if (!InitFonts()) return 1;

    // The span: as asked, else to the end of the music or of the table.
    double end = blocks.empty() ? 0 : blocks.back().seconds;
    for (int track = 0; track < 2; track++)
        for (int i = 0; i < demotiming_numevents[track]; i++)
            end = std::max(end, TimingSeconds(demotiming_event[track][i]) + 1);
    span s = {o.from, o.to >= 0 ? o.to : std::max(end, o.from + 1), double(PLOT_LEFT),
              double(o.width - PLOT_RIGHT)};

    canvas c = NewCanvas(o.width, o.height);
    cairo_t* cr = c.cr;
    colour(cr, 0.06, 0.07, 0.09);
    cairo_paint(cr);
    const double mid = (PLOT_WAVETOP + PLOT_WAVEBOTTOM) / 2.0, half = (PLOT_WAVEBOTTOM - PLOT_WAVETOP) / 2.0 - 4;

    // The music's envelope: each column the widest swing of its blocks.
    colour(cr, 0.35, 0.55, 0.8);
    std::vector<float> low(size_t(o.width), 0), high(size_t(o.width), 0);
    std::vector<bool> heard(size_t(o.width), false);
    for (size_t i = 0; i < blocks.size(); i++) {
        const double t0 = i ? blocks[i - 1].seconds : 0, t1 = blocks[i].seconds;
        const int x0 = int(s.x(std::max(t0, s.from))), x1 = int(s.x(std::min(t1, s.to)));
        for (int x = std::max(x0, int(s.left)); x <= x1 && x <= int(s.right); x++) {
            low[size_t(x)] = std::min(low[size_t(x)], blocks[i].low);
            high[size_t(x)] = std::max(high[size_t(x)], blocks[i].high);
            heard[size_t(x)] = true;
        }
    }
    for (int x = int(s.left); x <= int(s.right); x++)
        if (heard[size_t(x)]) vline(cr, x, mid - high[size_t(x)] * half, mid - low[size_t(x)] * half + 1);

    // The time axis.
    colour(cr, 0.7, 0.7, 0.7);
    cairo_rectangle(cr, s.left, PLOT_WAVEBOTTOM, s.right - s.left + 1, 1);
    cairo_fill(cr);
    const double step = tickstep(s.to - s.from);
    for (double t = std::ceil(s.from / step) * step; t <= s.to + 1e-9; t += step) {
        vline(cr, s.x(t), PLOT_WAVEBOTTOM, PLOT_WAVEBOTTOM + 6);
        char text[32];
        snprintf(text, sizeof text, step < 1 ? "%.1f s" : "%.0f s", t);
        label(cr, s.x(t), PLOT_WAVEBOTTOM + 20, text, 13, true);
    }

    // Track 1's pulses along the envelope's bottom, track 0's scene events
    // across it, each labelled with its number.
    for (int i = 0; i < demotiming_numevents[1]; i++) {
        const double t = TimingSeconds(demotiming_event[1][i]);
        if (t < s.from || t > s.to) continue;
        colour(cr, 0.1, 0.85, 0.45);
        vline(cr, s.x(t), PLOT_WAVEBOTTOM - 26, PLOT_WAVEBOTTOM);
        label(cr, s.x(t) + 3, PLOT_WAVEBOTTOM - 16, std::to_string(i), 11, false);
    }
    for (int i = 0; i < demotiming_numevents[0]; i++) {
        const double t = TimingSeconds(demotiming_event[0][i]);
        if (t < s.from || t > s.to) continue;
        colour(cr, 1.0, 0.63, 0.0);
        vline(cr, s.x(t), PLOT_WAVETOP, PLOT_WAVEBOTTOM);
        label(cr, s.x(t) + 3, PLOT_WAVETOP + 12, std::to_string(i), 13, false);
    }

    // The beat detector's strip.
    colour(cr, 0.7, 0.7, 0.7);
    label(cr, 8, PLOT_STRIPTOP + 12, "beat probes, log scale: 1306 Hz (cyan), 1531 Hz (magenta); their sum's threshold 1000 (red)", 13,
          false);
    colour(cr, 0.9, 0.15, 0.15);
    cairo_rectangle(cr, s.left, stripy(1000, o.height), s.right - s.left + 1, 1);
    cairo_fill(cr);
    for (int probe = 0; probe < 2; probe++) {
        probe ? colour(cr, 0.9, 0.3, 0.9) : colour(cr, 0.2, 0.85, 0.95);
        bool first = true;
        for (const musicblock& b : blocks) {
            if (b.seconds < s.from || b.seconds > s.to) continue;
            const double y = stripy(probe ? b.e1531 : b.e1306, o.height);
            first ? cairo_move_to(cr, s.x(b.seconds) + 0.5, y) : cairo_line_to(cr, s.x(b.seconds) + 0.5, y);
            first = false;
        }
        cairo_set_line_width(cr, 1);
        cairo_stroke(cr);
    }
    colour(cr, 0.9, 0.15, 0.15);
    for (const musicblock& b : blocks)
        if (b.e1306 + b.e1531 > 1000 && b.seconds >= s.from && b.seconds <= s.to)
            vline(cr, s.x(b.seconds), o.height - 8, o.height);

    char title[512];
    snprintf(title, sizeof title, "%s over %s, %.2f s to %.2f s: scene events (orange), pulses (green)", tablepath,
             musicpath ? musicpath : "no music", s.from, s.to);
    colour(cr, 0.9, 0.9, 0.9);
    label(cr, 8, 22, title, 15, false);

    cairo_surface_flush(c.surface);
    const cairo_status_t written = cairo_surface_write_to_png(c.surface, pngpath);
    cairo_destroy(cr);
    cairo_surface_destroy(c.surface);
    DoneFonts();
    if (written != CAIRO_STATUS_SUCCESS) {
        fprintf(stderr, "timingtool: %s: cannot be written (%s)\n", pngpath, cairo_status_to_string(written));
        return 1;
    }
    printf("%s: %dx%d, %.2f s to %.2f s, %d scene events and %d pulses\n", pngpath, o.width, o.height, s.from, s.to,
           demotiming_numevents[0], demotiming_numevents[1]);
    return 0;
}
