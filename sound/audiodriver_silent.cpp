// The output of last resort, for a machine without a sound device: a thread
// that plays the ring into nothing in steps of 10 ms against deadlines on the
// steady clock, so positions (the demo's clock) keep real time. Each
// deadline is counted from the start, so sleeping late never adds up.
#include <atomic>
#include <chrono>
#include <thread>

#include "sound/audiodriver_output.h"

static std::thread g_silent_thread;
static std::atomic<bool> g_silent_running{false};

static void silent_output(unsigned frequency, unsigned framebytes)
{
    using clock = std::chrono::steady_clock;
    const unsigned stepframes = frequency / 100 ? frequency / 100 : 1;  // 441 frames at 44100 Hz
    const clock::time_point start = clock::now();
    uint64_t frames = 0;
    while (g_silent_running.load(std::memory_order_acquire)) {
        audiodriver_playring(nullptr, stepframes * framebytes);
        frames += stepframes;
        std::this_thread::sleep_until(start + std::chrono::microseconds(frames * 1000000 / frequency));
    }
}

// A program may end without closing its output (the demo stops no sound and
// frees nothing): the thread is stopped before its record goes, since
// destroying a running thread's record ends the process abnormally.
static struct silent_guard {
    ~silent_guard() { audiodriver_silent_close(); }
} g_silent_guard;

int audiodriver_silent_open(unsigned frequency, unsigned framebytes)
{
    audiodriver_silent_close();
    g_silent_running.store(true, std::memory_order_release);
    g_silent_thread = std::thread(silent_output, frequency ? frequency : 44100, framebytes);
    return 1;
}

void audiodriver_silent_close()
{
    if (!g_silent_thread.joinable()) return;
    g_silent_running.store(false, std::memory_order_release);
    g_silent_thread.join();
}
