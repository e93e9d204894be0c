// The capture tool's parts around the demo: its options, the video's and
// the sound track's files and the ffmpeg runs that encode them, PNG stills,
// the per-step trace and the progress line. Used by capture_main.cpp alone;
// the per-frame calls run on the demo thread, the rest on the entry thread.
#pragma once
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

enum {
    CAPTURE_STEPRATE = 60,      // the demo's steps a second: the most frames a second
    CAPTURE_MARGINSECONDS = 5,  // how long a capture waits on a timeline that cannot move
};

struct capture_options {
    std::string out;             // the video; empty: none
    int frames = 0;              // stop after this many frames; 0: at the demo's end
    int fps = CAPTURE_STEPRATE;  // a divisor of 60: every (60 / fps)-th step is drawn
    int width = 0, height = 0;   // the video's size; 0: the demo's own
    std::string stills;          // folder for PNG stills
    std::vector<double> at;      // seconds into the music of the stills
    std::string trace;           // per-step trace file
    int slow = 0;                // ms each drawn frame takes, as on a slow machine; 0: none
    int slowmax = 0;             // above slow: each frame takes from slow to slowmax ms, a fixed sequence
    double stallat = 0;          // the first frame drawn at or after this many seconds
    int stallms = 0;             // takes this many ms more; 0: none
    bool stillsonly = false;     // no video and no trace: only the stills' steps are drawn
};
struct capture_output {
    FILE* video = nullptr;  // ffmpeg's input: raw frames, bottom row first
    int videopid = 0;       // that ffmpeg run
    FILE* audio = nullptr;  // the sound track: 16-bit stereo at 44100 Hz
    FILE* trace = nullptr;
    std::string videopath;  // the video alone, before the sound is added
    std::string audiopath;
    int width = 0, height = 0;  // the frames' size
    bool failed = false;        // ffmpeg ended early or a write failed
};

// Where a capture's time went, in seconds: the demo's own work in the steps
// it drew and in those it rehearsed, reading frames back, handing them to
// ffmpeg (which waits while ffmpeg is behind), the rest of each step (its
// sound, stills, the trace), and the final run that adds the sound track.
struct capture_timing {
    double drawing = 0, rehearsing = 0, readback = 0, encoding = 0, rest = 0, finishing = 0;
};

// FNV-1a, 64 bits: the trace's fingerprints of each step's picture and sound.
uint64_t capture_hash(const uint8_t* bytes, size_t size);

// Reads the capture's options; what it does not know goes to `rest` for the
// platform layer (argv[0] first). Returns -1 to go on, else the exit code.
int capture_readoptions(int argc, char** argv, capture_options* o, std::vector<char*>* rest);
// Checks ffmpeg and opens the sound track and the trace; false with a line
// saying why. From then on Ctrl-C or SIGTERM stops the capture within a
// fraction of a second, leaving nothing under way behind (exit 128 + signal).
bool capture_open(const capture_options& o, capture_output* out);
// Sends one frame to ffmpeg, starting it at the first frame.
void capture_writeframe(capture_output& out, const capture_options& o, const uint8_t* rgb, int width, int height);
// Time of step `step` into the music, in seconds.
double capture_steptime(uint32_t step);
// True when step `step` is the first at or after one of the still times.
bool capture_stilldue(const capture_options& o, uint32_t step);
bool capture_writestill(uint32_t step, const capture_options& o, const uint8_t* rgb, int width, int height);
// One line of the trace for a step: `ms` its time on the frame clock, the
// demo's columns, `drawn` whether it was drawn (then `picture` is its
// fingerprint), `sound` its share's.
void capture_tracestep(capture_output& out, uint32_t step, uint32_t ms, bool drawn, uint64_t picture, uint64_t sound);

// The demo being captured (capture_main sets it).
struct capture_demo;
extern const capture_demo* capture_the;
// The progress line: the rehearsal's way to the --from point, then the
// frames written of `total` (0: not known), or the stills written.
void capture_progress(const capture_options& o, uint32_t step, uint32_t frames, uint32_t total, int stills,
                      std::chrono::steady_clock::time_point started);
// Closes everything, adds the sound track to the video under OUT's name and
// says what was written. Returns the process's exit code.
// `frames` of the video (or the trace), `drawn` steps (frames and stills),
// `steps` in all.
int capture_finish(const capture_options& o, capture_output* out, uint32_t frames, uint32_t drawn, uint32_t steps,
                   int stills, const std::string& why, capture_timing* timing);
