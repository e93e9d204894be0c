// Sound building blocks for the music: band-limited oscillators, a
// state-variable filter, a noise source and a stereo buffer. Everything is
// plain float arithmetic in a fixed order, so the same score renders the
// same samples. Single-threaded tool code.
#pragma once
#include <cmath>
#include <cstdint>
#include <vector>

constexpr double SYNTH_PI = 3.14159265358979323846;

double NoteHz(double note);  // MIDI note number, A4 = 69 = 440 Hz

// xorshift noise in -1..1, seeded per hit so that hits sound alike.
struct noise_source {
    uint32_t state;
    explicit noise_source(uint32_t seed) : state(seed ? seed : 1) {}
    float next()
    {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return (float)((double)state / 2147483648.0 - 1.0);
    }
};

// A saw wave with its discontinuity smoothed (PolyBLEP): no aliasing to
// speak of at the pitches the score uses.
struct saw_osc {
    double phase = 0;
    float next(double hz);
};

// Zero-delay-feedback state-variable filter; the coefficients are set at
// most every few samples by the callers.
struct svf {
    float g = 0, k = 1.4142f, a1 = 0, a2 = 0, a3 = 0;
    float ic1 = 0, ic2 = 0;
    float lp = 0, bp = 0, hp = 0;
    void set(double hz, double q);
    void run(float x);
};

// Two channels of float samples, full scale 1.
struct stereo_buffer {
    std::vector<float> left, right;
    explicit stereo_buffer(size_t frames) : left(frames, 0.0f), right(frames, 0.0f) {}
    size_t frames() const { return left.size(); }
    void add(size_t i, float l, float r)
    {
        if (i < left.size()) left[i] += l, right[i] += r;
    }
};
