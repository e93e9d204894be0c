// timingtool plot: a picture of the sync table over its music, for demo
// makers syncing scenes to the music (plot.cpp).
#pragma once

// The picture's layout: the time axis runs across the plot from x =
// PLOT_LEFT (the span's start) to width - PLOT_RIGHT (its end); a mark at
// time t stands on the pixel column PLOT_LEFT + round((t - from) * (width -
// PLOT_LEFT - PLOT_RIGHT) / (to - from)).
enum {
    PLOT_LEFT = 70,
    PLOT_RIGHT = 30,
    PLOT_WAVETOP = 44,      // the music's envelope and the scene marks, down to
    PLOT_WAVEBOTTOM = 380,  // here, with the pulse ticks along its bottom
    PLOT_STRIPTOP = 430,    // the beat detector's strip, down to the picture's
};

struct plot_options {
    int width = 1920, height = 600;
    double from = 0, to = -1;  // seconds; to < 0: to the end of the music or the table
};

// Draws the table `tablepath` over the music `musicpath` (null: marks
// alone) into the PNG file `pngpath`. Returns the exit code, with a line on
// stderr when it fails.
int timingtool_plot(const char* tablepath, const char* musicpath, const char* pngpath, const plot_options& o);
