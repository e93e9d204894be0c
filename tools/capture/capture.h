// The capture tool's parts around the demo: its options, the video's and
// the sound track's files and the ffmpeg runs that encode them, PNG stills,
// the per-frame trace and the progress line. Used by capture.cpp alone; the
// per-frame calls run on the demo thread, the rest on the entry thread.
#pragma once
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

enum {
    CAPTURE_DEFAULTFPS = 60,
    CAPTURE_MARGINSECONDS = 5,  // how long a capture waits on a timeline that cannot move
};

struct capture_options {
    std::string out;           // the video; empty: none
    int frames = 0;            // stop after this many frames; 0: at the demo's end
    int fps = CAPTURE_DEFAULTFPS;
    int width = 0, height = 0; // the video's size; 0: the demo's own
    std::string stills;        // folder for PNG stills
    std::vector<double> at;    // seconds of the stills
    std::string trace;         // per-frame trace file
    bool stillsonly = false;   // no video and no trace: end after the last still
};

struct capture_output {
    FILE* video = nullptr;     // ffmpeg's input: raw frames, bottom row first
    FILE* audio = nullptr;     // the sound track: 16-bit stereo at 44100 Hz
    FILE* trace = nullptr;
    std::string videopath;     // the video alone, before the sound is added
    std::string audiopath;
    int width = 0, height = 0; // the frames' size
    bool failed = false;       // ffmpeg ended early or a write failed
};

// Where a capture's time went, in seconds: the demo's own work between two
// presents, reading the frame back, handing it to ffmpeg (which waits while
// ffmpeg is behind), the rest of each frame (its sound, stills, the trace),
// and the final run that adds the sound track.
struct capture_timing {
    double drawing = 0, readback = 0, encoding = 0, rest = 0, finishing = 0;
};

// FNV-1a, 64 bits: the trace's fingerprints of each frame's picture and sound.
uint64_t capture_hash(const uint8_t* bytes, size_t size);

// Reads the capture's options; what it does not know goes to `rest` for the
// platform layer (argv[0] first). Returns -1 to go on, else the exit code.
int capture_readoptions(int argc, char** argv, capture_options* o, std::vector<char*>* rest);
// Checks ffmpeg and opens the sound track and the trace; false with a line
// saying why.
bool capture_open(const capture_options& o, capture_output* out);
// Sends one frame to ffmpeg, starting it at the first frame.
void capture_writeframe(capture_output& out, const capture_options& o, const uint8_t* rgb, int width, int height);
// Virtual time of frame `index`, in seconds.
double capture_frametime(const capture_options& o, uint32_t index);
// True when frame `index` is the first at or after one of the still times.
bool capture_stilldue(const capture_options& o, uint32_t index);
bool capture_writestill(const capture_options& o, uint32_t index, const uint8_t* rgb, int width, int height);
// `position`: the music's, as this frame's queries saw it.
void capture_traceframe(capture_output& out, const capture_options& o, uint32_t index, uint64_t position,
                        uint64_t picture, uint64_t sound);
void capture_progress(const capture_options& o, uint32_t done, uint32_t total,
                      std::chrono::steady_clock::time_point started);
// Closes everything, adds the sound track to the video under OUT's name and
// says what was written. Returns the process's exit code.
int capture_finish(const capture_options& o, capture_output* out, uint32_t frames, const std::string& why,
                   capture_timing* timing);
