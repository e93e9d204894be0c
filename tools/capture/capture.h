// The capture tool for any demo made with the engine: a program that links
// it (MOX::capture) and the demo's coremain, and whose main calls
// capture_main, plays the unchanged demo on the engine's offline platform
// and writes what a viewer would have seen and heard: a video with its
// sound through ffmpeg (.mp4, .webm or .mkv), PNG stills at chosen seconds,
// a trace of every step, or what a slow machine shows (--slow). The demo
// steps 60 times a second on a virtual clock, each step's share of the
// sound mixed as that clock plays it, so the same inputs give the same
// bytes, however slowly the frames are drawn.
//
// What only the demo knows comes through capture_demo: its name, its
// picture's size, the columns of its own state in the trace, whether its
// show can still advance, where it ends, and what a --from rehearsal aims
// at. Every field may be left as it is.
#pragma once
#include <cstdint>
#include <cstdio>

struct capture_demo {
    const char* program = "capture";  // the capture program's name, for its usage and its lines
    int width = 1920, height = 1080;  // the demo's picture (MOX_InitVideo's size)
    // The trace's columns of the demo's own state: their names, and the
    // values a step left (written after the step and its time, each
    // preceded by a space).
    const char* traceheader = "";
    void (*tracecolumns)(FILE* trace) = nullptr;
    // A step begins: its place in the music is taken (the trace columns may
    // want its start's values).
    void (*stepbegins)() = nullptr;
    // 1 while the show can advance (its music plays); after five seconds of
    // steps that cannot, the capture stops, saying so. Null: always.
    int (*advancing)() = nullptr;
    // The step the show ends with, for the progress line; 0: not known.
    uint32_t (*laststep)() = nullptr;
    // Where the show stands, for the progress line ("scene event 8").
    const char* (*where)() = nullptr;
    // While a --from rehearsal runs: what it aims at ("scene event 8") and
    // how far it has come, 0 to 1; a negative value while none runs.
    const char* (*seekaim)() = nullptr;
    float (*seekprogress)() = nullptr;
};

// The capture program's whole run: reads the options (the capture's own,
// then the demo's and the engine's), plays the demo and writes what was
// asked. Returns the process's exit code.
int capture_main(int argc, char** argv, const capture_demo& demo);
