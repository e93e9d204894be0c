// Frame time of the demo at 1920 x 1080 in its heaviest scenes, split into
// the 3D drawing (particles and floor), the two blur passes, the overlays
// and the present (post pass and swap). Each stage ends with glFinish so
// its time is its own, as a deferred renderer like llvmpipe would otherwise
// bill it to whoever waits next. The content is the built orlem.dat.
//
//   bench_demo [orlem.dat] [frames]      (default: BUILD/demo/orlem.dat, 40)
//
// Scenes: a full field of 32,768 particles over the floor (scene event 6,
// mirror squares and all); the greeting scenes (event 9) with a pulse that
// re-spawns the field from its slot on every block and the beat envelope at
// full swing; and a typical intro field (event 2, the camera's voxels).
// Then the full field's steps rehearsed: what a late frame or a seek pays
// per step it does not draw; and the greetings drawn at each size the
// render size may take.
// links: mox_demo mox_platform
#include "engine/platform/moxgl.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/corefile.h"
#include "core/corerand.h"
#include "demo/helpers.h"
#include "sound/audiodriver.h"
#include "demo/demo.h"

namespace {

using Clock = std::chrono::steady_clock;

enum {
    STAGES = DEMO_STAGE_PRESENT + 1
};
const char* const stagename[STAGES] = {"3D", "blur passes", "overlays", "present"};

struct Result {
    double stage[STAGES] = {};  // mean ms
    double total = 0, best = 1e9;
    int particles = 0;
};

double since(Clock::time_point& t)
{
    glFinish();
    Clock::time_point now = Clock::now();
    double ms = std::chrono::duration<double, std::milli>(now - t).count();
    t = now;
    return ms;
}

// A step drawn as the frame loop draws it, for the current timeline
// values; each stage ends with glFinish and its time.
Clock::time_point stagestart;
double* stagems = nullptr;

void stagedone(int stage)
{
    stagems[stage] = since(stagestart);
}

void frame(const s_demobuffers& b, double* ms)
{
    stagestart = Clock::now();
    stagems = ms;
    framestep = 1;
    DrawStep(b, stagedone);
}

template <typename Step>
Result run(int frames, const s_demobuffers& b, Step step)
{
    Result r;
    for (int i = -3; i < frames; i++) {  // three to warm up
        step(i);
        double ms[STAGES];
        frame(b, ms);
        if (i < 0) continue;
        double sum = 0;
        for (int s = 0; s < STAGES; s++) r.stage[s] += ms[s] / frames, sum += ms[s];
        r.total += sum / frames;
        r.best = std::min(r.best, sum);
    }
    r.particles = numparticles;
    return r;
}

void report(const char* name, const Result& r)
{
    printf("  %-44s %7.1f ms a frame (best %.1f), %d particles\n", name, r.total, r.best, r.particles);
    for (int s = 0; s < STAGES; s++)
        printf("      %-12s %7.1f ms  %4.1f %%\n", stagename[s], r.stage[s], 100 * r.stage[s] / r.total);
}

// Where the data image lies by default: BUILD/demo beside BUILD/bench.
std::string defaultimage()
{
    char self[4096];
    ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    if (n <= 0) return "orlem.dat";
    self[n] = 0;
    std::string dir(self);
    dir = dir.substr(0, dir.rfind('/'));
    return dir.substr(0, dir.rfind('/')) + "/demo/orlem.dat";
}

}  // namespace

int coremain(int argc, char** argv)
{
    const std::string image = argc > 1 ? argv[1] : defaultimage();
    const int frames = argc > 2 ? std::max(1, atoi(argv[2])) : 40;
    if (!corefile_mountimage(image.c_str(), 0)) {
        printf("bench_demo: %s cannot be read; build the content first (scripts/build.sh)\n", image.c_str());
        return 1;
    }
    audiodriver_setoutput(AUDIODRIVER_OFFLINE);  // the sound is loaded, never played
    const s_demobuffers b = LoadDemo(image.c_str());
    centerY = 4;
    fade = blend = 1;

    // A field of 32,768: the skull's voxels, repeated with a small shift so
    // the copies spread through the same volume.
    std::vector<float> full(size_t(DEMO_MAXPARTICLES) * 6);
    for (int i = 0; i < DEMO_MAXPARTICLES && skull_numvoxels > 0; i++) {
        const float* v = skull_voxeldata + 6 * (i % skull_numvoxels);
        float* p = &full[size_t(i) * 6];
        const int copy = i / skull_numvoxels;
        for (int k = 0; k < 6; k++) p[k] = v[k];
        p[0] += float(copy % 4) * 0.5f;
        p[2] += float(copy / 4) * 0.5f;
    }
    demostate = SCENE_TITLE;
    effecttime = 100;
    eventpulse = 0;
    InitParticles(full.data(), DEMO_MAXPARTICLES, 0.2f, 0.02f, 0.8f, 0);
    Result field = run(frames, b, [](int) { effecttime += 330; });

    // The same field rehearsed: every state change of a step, nothing drawn.
    InitParticles(full.data(), DEMO_MAXPARTICLES, 0.2f, 0.02f, 0.8f, 0);
    const int rehearsals = 50 * frames;
    MOX_rehearsing = 1;
    Clock::time_point t = Clock::now();
    for (int i = 0; i < rehearsals; i++) {
        double ms[STAGES];
        frame(b, ms);
    }
    const double rehearsal = std::chrono::duration<double, std::milli>(Clock::now() - t).count() / rehearsals;
    MOX_rehearsing = 0;

    // Greetings: a block is 2.8 frames at 60 Hz; every third frame begins
    // a block with a new pulse, which spawns on that frame.
    demostate = SCENE_MORENAMES;
    effecttime = 100;
    Result pulses = run(frames, b, [](int i) {
        eventpulse = (i + 3) % 3 == 0 ? 1 + ((i + 3) / 3) % 16 : 0;
        beatmultiplyer = (i + 3) % 3 == 0 ? 2.0f : beatmultiplyer;
    });

    demostate = SCENE_CAMERA;
    effecttime = 0;
    Result intro = run(frames, b, [](int) { effecttime += 330; });

    // The greetings at each size the render size may take.
    const int sizes[][2] = {{1920, 1080}, {1600, 900}, {1280, 720}, {960, 540}, {640, 360}};
    Result sized[5];
    for (int i = 0; i < 5; i++) {
        MOX_SetRenderSize(sizes[i][0], sizes[i][1]);
        demostate = SCENE_MORENAMES;
        effecttime = 100;
        sized[i] = run(frames, b, [](int j) { eventpulse = (j + 3) % 3 == 0 ? 1 : 0; });
    }
    MOX_SetRenderSize(0, 0);

    printf("bench_demo: %s, %s, %dx%d, %d frames each\n", reinterpret_cast<const char*>(glGetString(GL_RENDERER)),
           mox_headless() ? "off-screen" : "window", DEMO_WIDTH, DEMO_HEIGHT, frames);
    report("32,768 particles over the floor (event 6)", field);
    report("pulse spawns every block (event 9)", pulses);
    report("the camera's field at its start (event 2)", intro);
    printf("  %-44s %7.3f ms a step (%.0f steps a second), %d particles\n", "rehearsed, 32,768 particles (event 6)",
           rehearsal, 1000 / rehearsal, DEMO_MAXPARTICLES);
    printf("  the greetings (event 9) drawn at each render size, shown at %dx%d:\n", DEMO_WIDTH, DEMO_HEIGHT);
    for (int i = 0; i < 5; i++)
        printf("    %4d x %-4d  %7.1f ms a frame (%.1f frames a second); 3D %.1f, blur %.1f, overlays %.1f, present "
               "%.1f ms\n",
               sizes[i][0], sizes[i][1], sized[i].total, 1000 / sized[i].total, sized[i].stage[DEMO_STAGE_3D],
               sized[i].stage[DEMO_STAGE_BLUR], sized[i].stage[DEMO_STAGE_OVERLAYS], sized[i].stage[DEMO_STAGE_PRESENT]);
    MOX_CloseVideo();
    return 0;
}
