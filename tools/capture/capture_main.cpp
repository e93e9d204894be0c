// The capture run, for any demo (capture.h): the unchanged demo played on
// the engine's offline platform, writing what a viewer would have seen and
// heard. The demo steps 60 times a second; the virtual clock moves 1/60 s
// per step, and as each step begins the offline audio output plays the ring
// up to the step's time, mixing each block as virtual time reaches it; what
// it plays is the video's sound track, a step's share being what plays
// until the next one. Steps that no frame (every 60/fps-th from the first
// drawn) and no still needs are rehearsed: the demo makes their state
// changes without drawing. So any machine gives the same frames and the
// same sound, however slowly it draws, and fewer frames show the same show.
// --slow puts the clock on a slow (or fast) machine's time instead, where
// the engine's pacer chooses which steps are drawn; every step still stands
// on the grid.
//
//   DEMO-capture [OUT.mp4] [--frames N] [--fps N] [--size WxH]
//                [--stills DIR --at T1,T2,...] [--trace FILE]
//                [--slow MS|MIN-MAX [--stall T:MS]] [demo options]
//
// Threads: the options and the finish run on the entry thread around
// mox_main; everything per step runs on the demo thread, in the step hook
// (inside MOX_WaitRefresh) and the present hook (inside MOX_SwapBuffers).
#include "engine/platform/moxgl.h"  // glReadPixels and the frame-buffer binding

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "capture.h"
#include "capture_parts.h"
#include "engine/platform/coreinput.h"
#include "engine/platform/driver.h"
#include "engine/video/mox.h"
#include "sound/audiodriver.h"

const capture_demo* capture_the = nullptr;

namespace {

capture_options options;
capture_output output;
std::vector<uint8_t> pixels;  // the frame, bottom row first
std::vector<uint8_t> sound;   // a step's share of the sound track
bool begun = false;           // a step has begun
uint32_t step = 0;            // the running step's number on the grid
uint32_t frames = 0;          // frames of the video (or, without one, of the trace)
uint32_t drawnsteps = 0;      // steps drawn: frames and stills
int64_t firstframe = -1;      // the step of the first frame: the first the demo drew
int stillsdone = 0;
bool hashed = false;        // the running step's picture was read back
uint64_t picturehash = 0;   // and this is its fingerprint
uint32_t steptime = 0;      // the running step's time on the frame clock, ms
bool presented = false;     // the running step was drawn
uint64_t soundplayed = 0;   // audio frames played so far
bool closed = false;        // everything asked for is written: the demo's last step writes nothing
uint32_t stepswritten = 0;  // steps before that
std::string stopreason;     // why the capture asked the demo to end
uint32_t silentsteps = 0;   // steps since the music last played

using Clock = std::chrono::steady_clock;
Clock::time_point started;
capture_timing timing;
Clock::time_point lastexit;  // when the last hook handed back to the demo

double seconds(Clock::time_point from, Clock::time_point to)
{
    return std::chrono::duration<double>(to - from).count();
}

// Frames are the video's, or the trace's pictures when there is no video.
bool wantframes() { return !options.stillsonly; }

uint32_t jitter = 2463534242u;  // --slow MIN-MAX: the frames' durations, the same every run
bool stalled = false;           // --stall: the stalled frame has been drawn

// How long the frame being presented takes on the slow clock.
int slowframe()
{
    int ms = options.slow;
    if (options.slowmax > options.slow) {
        jitter ^= jitter << 13;
        jitter ^= jitter >> 17;
        jitter ^= jitter << 5;
        ms += int(jitter % uint32_t(options.slowmax - options.slow + 1));
    }
    if (options.stallms && !stalled && MOX_video_time >= uint32_t(options.stallat * 1000)) {
        stalled = true;
        ms += options.stallms;
    }
    return ms;
}

// Whether step `s` is a frame: every (60 / fps)-th from the first drawn.
bool isframe(uint32_t s)
{
    if (!wantframes() || firstframe < 0) return false;
    if (options.slow) return true;  // the machine chose to draw it
    return (int64_t(s) - firstframe) % (CAPTURE_STEPRATE / options.fps) == 0;
}

// Whether step `s` must be drawn. Before the first frame the demo decides
// (a --from rehearses up to its point).
bool wanted(uint32_t s)
{
    if (capture_stilldue(options, s)) return true;
    if (!wantframes()) return false;
    return firstframe < 0 || isframe(s);
}

// Frames the whole demo takes from the first, for the progress line; 0
// when it is not known.
uint32_t demoframes()
{
    const uint32_t last = capture_the->laststep ? capture_the->laststep() : 0;
    if (!last || firstframe < 0 || options.slow) return 0;
    const int every = CAPTURE_STEPRATE / options.fps;
    return last + 1 > firstframe ? uint32_t((int64_t(last) + 1 - firstframe + every - 1) / every) : 0;
}

// Holds Escape as a viewer would: the running step, rehearsed and written
// nowhere, is the demo's last; it ends by its own path and writes
// timing.dat back.
void finish(const char* why)
{
    if (closed) return;
    closed = true;
    stopreason = why;
    s_input escape = {};
    escape.type = MOX_INPUT_KEY;
    escape.key = MOX_VK_ESCAPE;
    escape.down = 1;
    mox_input(escape);
}

// The step that has ended: its share of the sound (what plays until
// `until` ms) and its trace line, written with the values it left.
void endstep(uint32_t s, uint32_t until)
{
    const uint64_t target = uint64_t(until) * 44100 / 1000;
    sound.resize(size_t(target > soundplayed ? target - soundplayed : 0) * 4);
    audiodriver_offline_play(sound.data(), unsigned(sound.size()));
    soundplayed = std::max(soundplayed, target);
    if (closed) return;
    stepswritten = s + 1;
    if (output.audio && firstframe >= 0) fwrite(sound.data(), 1, sound.size(), output.audio);
    if (output.trace) capture_tracestep(output, s, steptime, hashed, picturehash, capture_hash(sound.data(), sound.size()));
}

// Every step's start (MOX_WaitRefresh has placed it): the last step's
// sound and trace, the stops, and whether this one is drawn.
void onstep()
{
    Clock::time_point now = Clock::now();
    const uint32_t s = MOX_video_step;
    if (!begun) {
        started = now;  // what came before was start-up (loading, compiling)
    } else {
        (presented ? timing.drawing : timing.rehearsing) += seconds(lastexit, now);
        endstep(step, MOX_video_time);
    }
    begun = true;
    step = s;
    presented = hashed = false;
    if (capture_the->stepbegins) capture_the->stepbegins();
    steptime = MOX_video_time;

    capture_progress(options, s, frames, demoframes(), stillsdone, started);
    if (options.frames > 0 && frames >= uint32_t(options.frames)) finish("--frames reached");
    if (options.stillsonly) {
        bool more = false;
        for (double t : options.at) more |= MOX_FirstStepAt(t, CAPTURE_STEPRATE) >= s;
        if (!more) finish("every still was written");
    }
    // Once the music has ended (or was never there) the timeline cannot
    // advance: the demo would show its start until Escape.
    silentsteps = !capture_the->advancing || capture_the->advancing() ? 0 : silentsteps + 1;
    if (silentsteps >= uint32_t(CAPTURE_STEPRATE) * CAPTURE_MARGINSECONDS)
        finish("the music has ended or is missing, so the timeline cannot advance");
    // A slow machine's steps are the engine's to choose.
    if (closed || (!options.slow && !wanted(s))) MOX_rehearsing = 1;
    lastexit = Clock::now();
    timing.rest += seconds(now, lastexit);
}

// Drawn steps: the picture, into the video, a still and the trace.
void onpresent(int width, int height)
{
    Clock::time_point now = Clock::now();
    timing.drawing += seconds(lastexit, now);
    const uint32_t s = step;
    presented = true;
    if (options.slow) mox_setvirtualdrawtime(slowframe());
    drawnsteps++;
    if (firstframe < 0 && wantframes()) firstframe = s;
    const bool frame = isframe(s);
    const bool still = capture_stilldue(options, s);
    if (frame || still) {
        pixels.resize(size_t(width) * height * 3);
        GLint bound = 0;
        glGetIntegerv(GL_FRAMEBUFFER_BINDING_EXT, &bound);
        glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, 0);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
        glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, GLuint(bound));
        Clock::time_point read = Clock::now();
        timing.readback += seconds(now, read);
        now = read;
        if (frame && !options.out.empty()) capture_writeframe(output, options, pixels.data(), width, height);
        if (frame) frames++;
        Clock::time_point sent = Clock::now();
        timing.encoding += seconds(now, sent);
        now = sent;
        if (still && capture_writestill(s, options, pixels.data(), width, height)) stillsdone++;
        if (output.trace) {
            picturehash = capture_hash(pixels.data(), pixels.size());
            hashed = true;
        }
    }
    lastexit = Clock::now();
    timing.rest += seconds(now, lastexit);
}

}  // namespace

int capture_main(int argc, char** argv, const capture_demo& demo)
{
    capture_the = &demo;
    std::vector<char*> rest;
    int code = capture_readoptions(argc, argv, &options, &rest);
    if (code >= 0) return code;
    if (!capture_open(options, &output)) return 1;

    // The offline platform: a virtual clock and an audio output that plays
    // only when told; rendered off-screen, whatever display there is.
    mox_setoffscreen(1);
    if (options.width) {
        // Drawn at the size the picture fills in the video, not scaled after.
        const double scale = std::min(double(options.width) / demo.width, double(options.height) / demo.height);
        mox_setoffscreensize(options.width, options.height);
        if (!MOX_RenderSizeAsked()) MOX_AskRenderSize(int(demo.width * scale + 0.5), int(demo.height * scale + 0.5));
    }
    audiodriver_setoutput(AUDIODRIVER_OFFLINE);
    mox_setvirtualclock(CAPTURE_STEPRATE, 0);
    if (options.slow) mox_setvirtualdrawtime(options.slow);
    mox_setpresenthook(onpresent);
    MOX_SetStepHook(onstep);  // the demo's own step hook runs after it
    started = lastexit = Clock::now();

    int argcount = int(rest.size());
    rest.push_back(nullptr);
    mox_main(argcount, rest.data());
    // The demo's last step, unless the capture ended it: what plays until
    // the clock it left (a step later; on a slow machine, a frame later).
    if (begun) endstep(step, MOX_GetMillis());
    return capture_finish(options, &output, frames, drawnsteps, stepswritten, stillsdone, stopreason, &timing);
}
