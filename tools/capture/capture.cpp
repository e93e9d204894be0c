// orlem-capture: plays the unchanged demo on the engine's offline platform
// and writes what a viewer would have seen and heard. The virtual clock
// moves 1000/fps ms per presented frame; the offline audio output plays the
// ring up to that time after every frame, mixing each block as virtual time
// reaches it, and what it plays is the video's sound track. So any machine
// gives the same frames and the same sound, however slowly it draws.
//
//   orlem-capture [OUT.mp4] [--frames N] [--fps N] [--size WxH]
//                 [--stills DIR --at T1,T2,...] [--trace FILE] [--from N]
//
// Threads: the options and the finish run on the entry thread around
// mox_main; everything per frame runs on the demo thread, in the present
// hook, while the demo is inside MOX_SwapBuffers.
#include "engine/platform/moxgl.h"  // glReadPixels and the frame-buffer binding

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "capture.h"
#include "demo/demotiming.h"
#include "demo/helpers.h"
#include "demo/main.h"
#include "engine/platform/driver.h"
#include "engine/platform/platform_shared.h"
#include "sound/audiodriver.h"

namespace {

capture_options options;
capture_output output;
std::vector<uint8_t> pixels;   // the frame, bottom row first
std::vector<uint8_t> sound;    // this frame's share of the sound track
uint64_t framesplayed = 0;     // audio frames played so far
uint32_t frame = 0;            // frames presented so far
std::chrono::steady_clock::time_point started;
std::string stopreason;        // why the capture asked the demo to end
int stillsdone = 0;

uint32_t silentframes = 0;     // frames since the music last played
using Clock = std::chrono::steady_clock;
capture_timing timing;
Clock::time_point lastexit;    // when the last present handed back to the demo

// Frames the whole demo takes, for the progress line; 0 when the sync table
// never ends it. It ends with the first frame past scene event 17, and with
// --from it starts at that scene event's time.
uint32_t demoframes()
{
    if (demotiming_numevents[0] <= DEMO_LASTSCENE + 1) return 0;
    const int from = mox_option_from < demotiming_numevents[0] ? mox_option_from : 0;
    const double units = double(demotiming_event[0][DEMO_LASTSCENE + 1]) - demotiming_event[0][from];
    return units > 0 ? uint32_t(units / 22050.0 * options.fps) + 1 : 0;
}

// Holds Escape as a viewer would: the demo ends after its next frame, by
// its own path, and writes timing.dat back.
void pressescape(const char* why)
{
    if (stopreason.empty()) stopreason = why;
    mox_store(mox_asynckeys[0x1B], 1);
}

double seconds(Clock::time_point from, Clock::time_point to) { return std::chrono::duration<double>(to - from).count(); }

void onframe(int width, int height)
{
    Clock::time_point now = Clock::now();
    const uint64_t position = snd_demomusic.position;  // what this frame's queries saw
    const uint32_t index = frame++;
    // The first frame's wait is the start-up's (loading, compiling).
    if (index == 0) started = now;
    else timing.drawing += seconds(lastexit, now);
    const bool still = capture_stilldue(options, index);
    const bool video = !options.out.empty();
    uint64_t picturehash = 0;
    if (video || still || output.trace) {
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
        if (video) capture_writeframe(output, options, pixels.data(), width, height);
        Clock::time_point sent = Clock::now();
        timing.encoding += seconds(now, sent);
        now = sent;
        if (still && capture_writestill(options, index, pixels.data(), width, height)) stillsdone++;
        if (output.trace) picturehash = capture_hash(pixels.data(), pixels.size());
    }

    // Virtual time after this present: play the sound up to it.
    const uint64_t target = uint64_t(index + 1) * 44100 / uint64_t(options.fps);
    const uint64_t bytes = (target - framesplayed) * 4;
    sound.resize(bytes);
    audiodriver_offline_play(sound.data(), unsigned(bytes));
    framesplayed = target;
    if (output.audio) fwrite(sound.data(), 1, sound.size(), output.audio);
    if (output.trace)
        capture_traceframe(output, options, index, position, picturehash, capture_hash(sound.data(), sound.size()));

    static const uint32_t total = demoframes();
    capture_progress(options, index + 1, total, started);
    if (options.frames > 0 && index + 2 >= uint32_t(options.frames)) pressescape("--frames reached");
    if (options.stillsonly && stillsdone >= int(options.at.size())) pressescape("every still was written");
    // Once the music has ended (or was never there) the timeline cannot
    // advance: the demo would show scene event 0 until Escape.
    silentframes = snd_demomusic.playing ? 0 : silentframes + 1;
    if (silentframes >= uint32_t(options.fps) * CAPTURE_MARGINSECONDS)
        pressescape("the music has ended or is missing, so the timeline cannot advance");
    lastexit = Clock::now();
    timing.rest += seconds(now, lastexit);
}

}  // namespace

int main(int argc, char** argv)
{
    std::vector<char*> rest;
    int code = capture_readoptions(argc, argv, &options, &rest);
    if (code >= 0) return code;
    if (!capture_open(options, &output)) return 1;

    // The offline platform: a virtual clock and an audio output that plays
    // only when told; rendered off-screen, whatever display there is.
    setenv("SDL_VIDEODRIVER", "offscreen", 1);
    audiodriver_setoutput(AUDIODRIVER_OFFLINE);
    mox_setvirtualclock(options.fps, 0);
    mox_setpresenthook(onframe);
    started = lastexit = Clock::now();  // both move to the first frame
    if (options.frames == 1) pressescape("--frames reached");

    int argcount = int(rest.size());
    rest.push_back(nullptr);
    mox_main(argcount, rest.data());
    return capture_finish(options, &output, frame, stopreason, &timing);
}
