// Oscillator and filter arithmetic for the music.
#include "synth.h"

double NoteHz(double note) { return 440.0 * std::pow(2.0, (note - 69.0) / 12.0); }

float saw_osc::next(double hz)
{
    const double dt = hz / 44100.0;
    double v = 2.0 * phase - 1.0;
    if (phase < dt) {
        const double t = phase / dt;
        v -= t + t - t * t - 1.0;
    } else if (phase > 1.0 - dt) {
        const double t = (phase - 1.0) / dt;
        v -= t * t + t + t + 1.0;
    }
    phase += dt;
    if (phase >= 1.0) phase -= 1.0;
    return (float)v;
}

void svf::set(double hz, double q)
{
    if (hz > 20000) hz = 20000;
    if (hz < 10) hz = 10;
    g = (float)std::tan(SYNTH_PI * hz / 44100.0);
    k = (float)(1.0 / q);
    a1 = 1.0f / (1.0f + g * (g + k));
    a2 = g * a1;
    a3 = g * a2;
}

void svf::run(float x)
{
    const float v3 = x - ic2;
    const float v1 = a1 * ic1 + a2 * v3;
    const float v2 = ic2 + a2 * ic1 + a3 * v3;
    ic1 = 2 * v1 - ic1;
    ic2 = 2 * v2 - ic2;
    lp = v2;
    bp = v1;
    hp = x - k * v1 - v2;
}
