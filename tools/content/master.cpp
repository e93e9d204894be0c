// The music's master chain and its loudness meter.
#include "master.h"

#include <algorithm>
#include <cmath>
#include <deque>
#include <vector>

namespace {

constexpr double RATE = 44100.0;

// A biquad in direct form I, its coefficients normalised by a0.
struct biquad {
    double b0, b1, b2, a1, a2;
    double x1 = 0, x2 = 0, y1 = 0, y2 = 0;
    double run(double x)
    {
        const double y = b0 * x + b1 * x1 + b2 * x2 - a1 * y1 - a2 * y2;
        x2 = x1, x1 = x, y2 = y1, y1 = y;
        return y;
    }
};

// The meters' K-weighting at 44100 Hz: a high shelf of +4 dB above about
// 1.7 kHz (the head's effect), then a high-pass at about 38 Hz.
biquad KShelf()
{
    const double f0 = 1681.974450955533, gain_db = 3.999843853973347, q = 0.7071752369554196;
    const double k = std::tan(M_PI * f0 / RATE), vh = std::pow(10.0, gain_db / 20.0);
    const double vb = std::pow(vh, 0.4996667741545416), a0 = 1.0 + k / q + k * k;
    return {(vh + vb * k / q + k * k) / a0, 2.0 * (k * k - vh) / a0, (vh - vb * k / q + k * k) / a0,
            2.0 * (k * k - 1.0) / a0, (1.0 - k / q + k * k) / a0};
}

biquad KHighPass()
{
    const double f0 = 38.13547087602444, q = 0.5003270373238773;
    const double k = std::tan(M_PI * f0 / RATE), a0 = 1.0 + k / q + k * k;
    return {1.0, -2.0, 1.0, 2.0 * (k * k - 1.0) / a0, (1.0 - k / q + k * k) / a0};
}

double BlockLoudness(double meansquare) { return -0.691 + 10.0 * std::log10(std::max(meansquare, 1e-20)); }

// Look-ahead limiting: the gain each frame needs to stay under `ceiling`,
// held as the smallest over the next 3 ms, recovering over 80 ms, then
// averaged over the last 3 ms. Every value averaged at a peak is at most
// the gain that peak needs, so no frame passes the ceiling, and the gain
// glides down before each peak instead of stepping.
void Limit(const stereo_buffer& in, double gain, double ceiling, const float* fade, stereo_buffer& out)
{
    const size_t n = in.frames(), ahead = 132;
    const double recover = 1.0 - std::exp(-1.0 / (0.080 * RATE));
    std::vector<double> need(n);
    for (size_t i = 0; i < n; i++) {
        const double x = gain * std::max(std::fabs(in.left[i]), std::fabs(in.right[i]));
        need[i] = x > ceiling ? ceiling / x : 1.0;
    }
    // Sliding minimum over [i, i + ahead), the deque holding candidates.
    std::deque<size_t> window;
    std::vector<double> held(n);
    size_t next = 0;
    double hold = 1.0;
    for (size_t i = 0; i < n; i++) {
        for (; next < std::min(n, i + ahead); next++) {
            while (!window.empty() && need[window.back()] >= need[next]) window.pop_back();
            window.push_back(next);
        }
        while (window.front() < i) window.pop_front();
        hold = std::min(need[window.front()], hold + (1.0 - hold) * recover);
        held[i] = hold;
    }
    double sum = (double)ahead;  // the last `ahead` held gains, ones before the start
    for (size_t i = 0; i < n; i++) {
        sum += held[i] - (i >= ahead ? held[i - ahead] : 1.0);
        const double g = gain * (sum / ahead) * (fade ? fade[i] : 1.0);
        out.left[i] = (float)(in.left[i] * g);
        out.right[i] = (float)(in.right[i] * g);
    }
}

}  // namespace

double IntegratedLoudness(const stereo_buffer& sound)
{
    const size_t step = (size_t)(RATE / 10);  // 100 ms
    biquad shelf[2] = {KShelf(), KShelf()}, high[2] = {KHighPass(), KHighPass()};
    std::vector<double> steps;  // summed channel energy of each 100 ms
    double energy = 0;
    for (size_t i = 0; i < sound.frames(); i++) {
        const double l = high[0].run(shelf[0].run(sound.left[i]));
        const double r = high[1].run(shelf[1].run(sound.right[i]));
        energy += l * l + r * r;
        if ((i + 1) % step == 0) steps.push_back(energy), energy = 0;
    }
    std::vector<double> blocks;  // mean square of each 400 ms block
    for (size_t b = 3; b < steps.size(); b++)
        blocks.push_back((steps[b - 3] + steps[b - 2] + steps[b - 1] + steps[b]) / (4.0 * step));
    auto gated_mean = [&](double gate) {
        double sum = 0;
        size_t count = 0;
        for (double z : blocks)
            if (BlockLoudness(z) > gate) sum += z, count++;
        return count ? sum / count : 0.0;
    };
    const double absolute = gated_mean(-70.0);
    if (absolute <= 0) return -70.0;
    const double relative = gated_mean(BlockLoudness(absolute) - 10.0);
    return BlockLoudness(relative);
}

double SamplePeak(const stereo_buffer& sound)
{
    double top = 0;
    for (size_t i = 0; i < sound.frames(); i++)
        top = std::max(top, (double)std::max(std::fabs(sound.left[i]), std::fabs(sound.right[i])));
    return top;
}

master_result MasterMusic(stereo_buffer& mix, double target_lufs, double ceiling, const float* fade)
{
    stereo_buffer out(mix.frames());
    master_result r{target_lufs - IntegratedLoudness(mix), 0, 0};
    // Limiting makes the loudness grow slower than the gain, so each step
    // falls short of the target and the search closes in from one side.
    for (int round = 0; round < 12; round++) {
        Limit(mix, std::pow(10.0, r.gain_db / 20.0), ceiling, fade, out);
        r.lufs = IntegratedLoudness(out);
        if (std::fabs(r.lufs - target_lufs) < 0.05) break;
        r.gain_db += target_lufs - r.lufs;
    }
    mix = std::move(out);
    r.peak = SamplePeak(mix);
    return r;
}
