// Which steps of the frame loop the demo draws. The show is made for 60
// steps a second: MOX_WaitRefresh rehearses the steps a late frame missed
// before drawing it (catch-up), and a demo maker's --from rehearses every
// step before its scene event or time, so what is drawn there is what a
// viewer sees there. A rehearsed step makes every state change of a drawn
// one (the music's position, the beat, the random draws, ramps, spawns,
// particles, camera) and draws nothing.
//
// orlem-capture runs on the offline platform and plays each step's share
// of the music itself. In real time the device plays on by itself; the
// steps a late frame rehearses see, in order, the blocks it mixed since the
// last drawn step (the sound system keeps the recent ones). orlem in real time rehearses a --from on the offline
// clock and sound output, playing each step's share as it goes; once the
// first step at the chosen point has been drawn, the ring of mixed blocks
// moves to the device as it stands, so the music plays on from where the
// rehearsal left it and the frame clock starts again in real time.
//
// Demo thread only.
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "demo/demotiming.h"
#include "demo/main.h"
#include "engine/video/mox.h"
#include "sound/audiodriver.h"

int seekscene = 0;
float seektime = 0;
uint32_t stepcount = 0;
int fromscene = 0;
double fromseconds = 0;
int everyframe = 0;

// --- the demo's options ------------------------------------------------------------

// N (a scene event, 0 to 255) or T followed by "s" (seconds, up to a day).
static int takefrom(const char* text)
{
    char* end = nullptr;
    const size_t length = strlen(text);
    if (length > 1 && text[length - 1] == 's') {
        const double t = strtod(text, &end);
        if (end == text + length - 1 && t >= 0 && t <= 86400) {
            fromscene = 0;
            fromseconds = t;
            return 1;
        }
    } else {
        const long n = strtol(text, &end, 10);
        if (*text && !*end && n >= 0 && n <= 255) {
            fromscene = int(n);
            fromseconds = 0;
            return 1;
        }
    }
    fprintf(stderr, "%s: --from wants a scene event number, 0 to 255, or a time like 47.5s\n", mox_programname());
    return 0;
}

static int takeeveryframe(const char*)
{
    everyframe = 1;
    return 1;
}

static const int fromoption = mox_addoption("--from", "N|Ts",
                                            "start drawing at scene event N of the sync table: every\n"
                                            "step before it is rehearsed (played without drawing), so\n"
                                            "the picture is the one a viewer sees there; --from 47.5s\n"
                                            "starts 47.5 seconds into the music\n",
                                            takefrom) +
                              mox_addoption("--every-frame", nullptr,
                                            "one step of the show per drawn frame, however slowly the\n"
                                            "machine draws (by default a late frame first rehearses\n"
                                            "the steps it missed, so the show keeps 60 steps a second)\n",
                                            takeeveryframe);

static int seekunits = 0;                    // where the rehearsal aims, in timing units (for its progress)
static int seekoffline = 0;                  // orlem rehearsing on the offline platform of its own
static int seekjoin = 0;                     // that rehearsal has drawn its first step: real time from the next
static int seekoutput = AUDIODRIVER_DEVICE;  // the real-time output to hand the music back to
static uint32_t seekclock = 0;               // where its offline clock started, ms
static MOX_stephook previoushook = nullptr;
static std::chrono::steady_clock::time_point seekstarted;
static uint32_t lastdrawnblock = 0;  // the last block a drawn step saw
static uint32_t groupfirst = 0;      // and the blocks a late frame's steps share out
static uint32_t grouplast = 0;

static double musicseconds(int64_t units) { return double(units) / DEMO_UNITSPERSECOND; }

// Where --from aims, or 0 (with a line saying why) to start at the beginning.
static int seektarget(int scene, double seconds)
{
    const int64_t last = LastMusicUnit();
    if (scene > 0) {
        if (scene >= demotiming_numevents[0]) {
            printf("orlem: the sync table has no scene event %d (it has %d): starting at the beginning\n", scene,
                   demotiming_numevents[0]);
            return 0;
        }
        const int32_t time = demotiming_event[0][scene];
        if (time < 0) {
            printf("orlem: scene event %d lies before the music: starting at the beginning\n", scene);
            return 0;
        }
        if (time > last) {
            printf("orlem: scene event %d lies after the end of the music: starting at the beginning\n", scene);
            return 0;
        }
        seekscene = scene;
        return time;
    }
    const double units = seconds * DEMO_UNITSPERSECOND;
    if (units > last) {
        printf("orlem: %.2f s lies after the end of the music (%.2f s): starting at the beginning\n", seconds,
               musicseconds(last > 0 ? last : 0));
        return 0;
    }
    seektime = float(seconds);
    return int(units);
}

void StartSteps()
{
    const int scene = fromscene, catchup = !everyframe;
    const double seconds = fromseconds;
    stepcount = 0;
    lastdrawnblock = Soundsystem_BlocksMixed();
    seekscene = 0;
    seektime = 0;
    seekoffline = seekjoin = 0;
    MOX_SetStepRate(catchup ? DEMO_STEPRATE : 0);
    const MOX_stephook previous = MOX_SetStepHook(HandleStep);
    if (previous != HandleStep) previoushook = previous;
    if (scene <= 0 && seconds <= 0) {
        puts("orlem: the music starts");  // the show's time 0, for whoever times it from the log
        fflush(stdout);
        return;
    }
    seekunits = seektarget(scene, seconds);
    if (seekunits <= 0) {
        seekscene = 0;
        seektime = 0;
        return;
    }
    seekstarted = std::chrono::steady_clock::now();
    if (mox_virtualclock()) return;  // orlem-capture: offline already
    // Rehearsed faster than real time, on a clock that moves a step at a
    // time and a sound output that plays only when told, from a new ring
    // (nothing of the music has been mixed yet), as orlem-capture does.
    seekoutput = audiodriver_openoutput();
    audiodriver_switchoutput(AUDIODRIVER_OFFLINE, 1);
    seekclock = MOX_GetMillis();
    mox_setvirtualclock(DEMO_STEPRATE, seekclock);
    MOX_SetRefreshRate(60);
    seekoffline = 1;
}

float SeekProgress()
{
    if (seekscene <= 0 && seektime <= 0) return -1;
    const double done = double(int32_t(uint32_t(snd_demomusic.position >> 10))) / seekunits;
    return float(done < 0 ? 0 : (done > 1 ? 1 : done));
}

// The first step after the rehearsal's drawn one: the music moves to the
// device with the blocks mixed so far, and the frame clock reads the system
// clock from now on.
static void jointherealtime()
{
    lastdrawnblock = Soundsystem_BlocksMixed();
    seekjoin = 0;
    seekoffline = 0;
    audiodriver_switchoutput(seekoutput, 0);
    mox_setvirtualclock(0, 0);
    MOX_SetRefreshRate(60);
}

// A late frame in real time: the device has mixed blocks groupfirst + 1 to
// grouplast since the last drawn step. The frame's steps share them out in
// order, each seeing the block its place would have seen, so every block
// (and the scene start or pulse in it) is seen by a step, and the beat
// detector listens to each.
static void followthemusic()
{
    if (MOX_video_groupstep == 1) {
        groupfirst = lastdrawnblock;
        grouplast = Soundsystem_BlocksMixed();
    }
    if (MOX_video_groupstep < MOX_video_groupsize) {
        const uint32_t blocks = grouplast - groupfirst;
        const uint32_t share =
            uint32_t((uint64_t(blocks) * unsigned(MOX_video_groupstep) + unsigned(MOX_video_groupsize) - 1) /
                     unsigned(MOX_video_groupsize));
        Soundsystem_ViewBlock(groupfirst + share);
    } else {
        Soundsystem_ViewLive();
        lastdrawnblock = Soundsystem_BlocksMixed();
    }
}

void HandleStep()
{
    if (previoushook) previoushook();
    const uint32_t step = stepcount++;
    if (seekjoin) jointherealtime();
    // The offline output (orlem-capture, a --from rehearsal) plays each
    // step's share before it; a real-time one has played on by itself.
    const int output = audiodriver_openoutput();
    if (output == AUDIODRIVER_DEVICE || output == AUDIODRIVER_SILENT) followthemusic();
    if (seekscene <= 0 && seektime <= 0) return;

    // This step's place in the music: the blocks its time has played.
    if (seekoffline) audiodriver_offline_playuntil(uint64_t(MOX_video_time - seekclock) * 44100 / 1000);
    bool reached = seekscene > 0 ? GetTimingEvent(snd_demomusic, 0) >= seekscene
                                 : double(step) >= double(seektime) * DEMO_STEPRATE - 1e-6;
    if (!reached && !snd_demomusic.playing) {
        puts("orlem: the music ended before the point to start at: drawing from here");
        reached = true;
    }
    if (!reached) {
        MOX_rehearsing = 1;
        return;
    }
    const double took = std::chrono::duration<double>(std::chrono::steady_clock::now() - seekstarted).count();
    const double at = musicseconds(int32_t(uint32_t(snd_demomusic.position >> 10)));
    if (seekscene > 0)
        printf("orlem: starting at scene event %d, %.2f s into the music, after rehearsing %u steps in %.1f s\n",
               seekscene, at, step, took);
    else
        printf("orlem: starting at %.2f s into the music (scene event %d), after rehearsing %u steps in %.1f s\n",
               double(seektime), GetTimingEvent(snd_demomusic, 0), step, took);
    fflush(stdout);
    seekscene = 0;
    seektime = 0;
    seekjoin = seekoffline;
}
