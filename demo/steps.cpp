// Which steps of the frame loop the demo draws, and which music each sees.
// The show is made for 60 steps a second, and step k belongs to
// MOX_StepTime(k) = k x 1000 / 60 ms (rounded down) of the show's clock on
// every machine: the engine's pacer rehearses the steps a late frame missed
// before drawing the last one it has reached (catch-up), and waits for the
// next step when a frame comes early. A demo maker's --from rehearses every
// step before its scene event or time, so what is drawn there is what a
// viewer sees there. A rehearsed step makes every state change of a drawn
// one (the music's position, the beat, the random draws, ramps, spawns,
// particles, camera) and draws nothing.
//
// Each step sees the one block of music its time would have seen: the
// block a new ring has mixed once the output has played up to the step's
// time (audiodriver_blocksby), counted from the block before the music's
// first. Its three timing queries and its beat probe read that block alone.
// On the offline output (orlem-capture, a --from rehearsal) the output has
// played exactly that far when the step begins. In real time the device
// plays on by itself; the show's clock follows what it has mixed
// (musicclock), so the step's block has been mixed and is still kept in the
// sound system's history when the step runs.
//
// orlem in real time rehearses a --from on the offline clock and sound
// output, playing each step's share as it goes; once the first step at the
// chosen point has been drawn, the ring of mixed blocks moves to the device
// as it stands, so the music plays on from where the rehearsal left it and
// the show's clock follows the device from there.
//
// Demo thread only.
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "demo/demotiming.h"
#include "demo/demo.h"
#include "engine/video/mox.h"
#include "sound/audiodriver.h"

int seekscene = 0;
double seektime = 0;
int fromscene = 0;
double fromseconds = 0;
int everyframe = 0;

enum {
    DEMO_OUTPUTRATE = 44100,     // the output's frames a second
    DEMO_CLOCKSLACK = 100,       // ms the show's clock may trail what the device has mixed
    DEMO_SOUNDSTALL = 1000,      // ms without a mixed block before the clock stops following the sound
    DEMO_BLOCKFRAMES = 2048,     // frames of one mixed block
    DEMO_RINGBLOCKS = 4,         // blocks the ring holds queued
    DEMO_AHEADBLOCKS = 16,       // blocks an output may hold beyond it (the browser's worklet)
};

// Every step a late frame rehearses reads a block the history still keeps:
// a second of steps, the slack, and the blocks queued in the ring and
// beyond it.
static_assert((MOX_MAXCATCHUP * 1000 / DEMO_STEPRATE + DEMO_CLOCKSLACK) * DEMO_OUTPUTRATE / 1000 / DEMO_BLOCKFRAMES +
                      DEMO_RINGBLOCKS + DEMO_AHEADBLOCKS + 2 <
                  SOUNDSYSTEM_HISTORY,
              "the sound history must cover the catch-up");

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
                                            "machine draws (by default the show keeps 60 steps a\n"
                                            "second: a late frame first rehearses the steps it missed)\n",
                                            takeeveryframe);

static int seekoffline = 0;                  // orlem rehearsing on the offline platform of its own
static int seekjoin = 0;                     // that rehearsal has drawn its first step: real time from the next
static int awayfrom = -1;                    // the real-time output the music left (a seek, a pause); -1: none
static int pausedaway = 0;                   // a pause took the music away (not a seek)
static int started = 0;                      // the show has started once: a start now is a restart
static int seekstart = 0;                    // a start again: its step 0 drawn offline
static uint32_t seekclock = 0;               // where its offline clock started, ms
static int seekunits = 0;                    // where the rehearsal aims, in timing units (for its progress)
static MOX_stephook previoushook = nullptr;
static std::chrono::steady_clock::time_point seekstarted;
static uint32_t musicblock = 0;      // blocks mixed before the music's first
static int clockset = 0;             // musicclock has an origin
static uint32_t clockorigin = 0;     // where its 0 ms lies on MOX_GetMillis
static uint32_t clockmixed = 0;      // the blocks it last saw mixed
static uint32_t clockmixedat = 0;    // and when it saw them first

static int pacedscene = -1;           // the scene event whose frames are counted, -1: none
static uint32_t pacedframes = 0;      // frames presented when it began
static uint32_t pacedsince = 0;       // and when, ms

// In real time, one line for each scene event passed: the frames drawn in
// it and the size they were drawn at, so a viewer sees how the machine kept
// pace.
static void reportpace()
{
    if (mox_virtualclock() || seekscene > 0 || seektime > 0) {
        pacedscene = -1;
        return;
    }
    // The scene event this step will see (its view of the music is taken).
    const int scene = GetTimingEvent(snd_demomusic, 0);
    const uint32_t frames = mox_framespresented(), now = MOX_GetMillis();
    if (pacedscene >= 0 && scene != pacedscene) {
        const double seconds = double(now - pacedsince) / 1000;
        int w = 0, h = 0;
        MOX_GetRenderSize(&w, &h);
        printf("orlem: scene event %d: %u frames drawn in %.1f s, %.1f a second, at %d x %d\n", pacedscene,
               frames - pacedframes, seconds, seconds > 0 ? (frames - pacedframes) / seconds : 0.0, w, h);
        fflush(stdout);
    }
    if (pacedscene != scene) {
        pacedscene = scene;
        pacedframes = frames;
        pacedsince = now;
    }
}

// In real time the picture is drawn at a size that keeps pace, unless the
// command line chose one.
static void choosesize()
{
    if (!mox_virtualclock() && !MOX_RenderSizeAsked()) MOX_SetAutoRenderSize(1);
}

uint32_t StepAt(double seconds) { return MOX_FirstStepAt(seconds, DEMO_STEPRATE); }

// The block of music step `step` sees, counted from the music's start.
static uint32_t stepblock(uint32_t step)
{
    return audiodriver_blocksby(uint64_t(MOX_StepTime(step)) * DEMO_OUTPUTRATE / 1000);
}

// When a new ring mixes its block `block`: the first ms whose frames reach it.
static uint32_t blocktime(uint32_t block)
{
    return uint32_t((audiodriver_framesfor(block) * 1000 + DEMO_OUTPUTRATE - 1) / DEMO_OUTPUTRATE);
}

// The show's clock in real time: the system clock, held within what the
// output has mixed of the music (less what it holds queued to play). A step may not come before its block has
// been mixed, so the clock waits for a late block; and it follows a device
// that plays faster than the system clock runs, trailing its last block by
// DEMO_CLOCKSLACK at most. In between it runs as smoothly as the system
// clock, whatever the device's rhythm. A sound that mixes nothing for a
// second (a device that stopped) is no longer followed.
static int musicclock(uint32_t* ms)
{
    const int output = audiodriver_openoutput();
    if (everyframe || (output != AUDIODRIVER_DEVICE && output != AUDIODRIVER_SILENT)) {
        clockset = 0;
        return 0;
    }
    const uint32_t now = MOX_GetMillis();
    // What is heard follows what was mixed by the blocks the output holds.
    const int64_t held = int64_t(Soundsystem_BlocksMixed() - musicblock) - audiodriver_aheadframes() / DEMO_BLOCKFRAMES;
    const uint32_t mixed = uint32_t(held > 0 ? held : 0);
    if (!clockset || mixed != clockmixed) {
        clockmixed = mixed;
        clockmixedat = now;
    }
    if (now - clockmixedat > DEMO_SOUNDSTALL) {
        clockset = 0;
        return 0;
    }
    const uint32_t early = blocktime(mixed), late = blocktime(mixed + 1) - 1;
    if (!clockset) {
        // From where the show stands, within what has been mixed.
        uint32_t at = MOX_StepTime(MOX_video_step);
        at = at < early ? early : (at > late ? late : at);
        clockorigin = now - at;
        clockset = 1;
    }
    uint32_t t = now - clockorigin;
    if (int32_t(t - late) > 0) {
        clockorigin += t - late;
        t = late;
    } else if (int32_t(early - t) > DEMO_CLOCKSLACK) {
        clockorigin -= early - DEMO_CLOCKSLACK - t;
        t = early - DEMO_CLOCKSLACK;
    }
    *ms = t;
    return 1;
}

// The music this step sees. The offline output has played exactly its
// share; a real-time output has mixed on, and the step looks back at its
// own block. One step per frame sees the last block mixed, whole.
static void viewthemusic(uint32_t step)
{
    const int output = audiodriver_openoutput();
    if (output != AUDIODRIVER_DEVICE && output != AUDIODRIVER_SILENT)
        Soundsystem_ViewLive();
    else if (everyframe)
        Soundsystem_ViewBlock(Soundsystem_BlocksMixed());
    else
        Soundsystem_ViewBlock(musicblock + stepblock(step));
}

// The time of the first step past the last scene event (DEMO_LASTSCENE),
// where the show ends; -1 when the sync table never gets there. The current
// event is the highest index whose time has come, so the earliest of those
// past the last one ends it.
static int64_t showend()
{
    int64_t end = -1;
    for (int i = DEMO_LASTSCENE + 1; i < demotiming_numevents[0]; i++)
        if (end < 0 || demotiming_event[0][i] < end) end = demotiming_event[0][i];
    return end;
}

// A point at or past the show's end starts at its last scene event, as a
// line says; `what` names the point asked for.
static int startatlastscene(const char* what, int64_t end)
{
    const int32_t last = demotiming_event[0][DEMO_LASTSCENE];
    printf("orlem: %s lies at or after the show's end (scene event %d, at %.2f s): starting at its last scene "
           "event, %d, at %.2f s\n",
           what, DEMO_LASTSCENE + 1, TimingSeconds(end), DEMO_LASTSCENE, TimingSeconds(last));
    seekscene = DEMO_LASTSCENE;
    return last > 0 ? last : 1;
}

// Where --from aims, in timing units, or 0 (with a line saying why) to
// start at the beginning.
static int seektarget(int scene, double seconds)
{
    const int64_t last = LastMusicUnit();
    const int64_t end = showend();
    if (scene > 0) {
        if (scene >= demotiming_numevents[0]) {
            printf("orlem: the sync table has no scene event %d (it has %d): starting at the beginning\n", scene,
                   demotiming_numevents[0]);
            return 0;
        }
        const int32_t time = demotiming_event[0][scene];
        char what[64];
        snprintf(what, sizeof what, "scene event %d", scene);
        if (time < 0) {
            printf("orlem: scene event %d lies before the music: starting at the beginning\n", scene);
            return 0;
        }
        if (time > last) {
            printf("orlem: scene event %d lies after the end of the music: starting at the beginning\n", scene);
            return 0;
        }
        if (scene > DEMO_LASTSCENE && end >= 0 && DEMO_LASTSCENE < demotiming_numevents[0])
            return startatlastscene(what, end);
        seekscene = scene;
        return time;
    }
    const double units = seconds * DEMOTIMING_UNITSPERSECOND;
    if (units > last) {
        printf("orlem: %.2f s lies after the end of the music (%.2f s): starting at the beginning\n", seconds,
               TimingSeconds(last > 0 ? last : 0));
        return 0;
    }
    if (end >= 0 && units >= double(end)) {
        char what[64];
        snprintf(what, sizeof what, "%.2f s", seconds);
        return startatlastscene(what, end);
    }
    seektime = seconds;
    return int(units);
}

// The music leaves the real-time output for the offline one, which plays
// only when told (a rehearsal, a pause); `newring`: from a new ring, with
// nothing of the music mixed. The output it left is kept to go back to.
static void leavetheoutput(int newring)
{
    if (awayfrom < 0) awayfrom = audiodriver_openoutput();
    audiodriver_switchoutput(AUDIODRIVER_OFFLINE, newring);
}

// Back to the real-time output with the ring as it stands: the music plays
// on from where it stood, and the show's clock follows it from there.
static void backtotheoutput()
{
    if (awayfrom >= 0) audiodriver_switchoutput(awayfrom, 0);
    awayfrom = -1;
    pausedaway = 0;
    clockset = 0;
}

// A show that starts at once: back on the real-time output and clock when
// a seek or a pause had left them.
static void startrealtime()
{
    if (awayfrom >= 0) {
        backtotheoutput();
        mox_setvirtualclock(0, 0);
        MOX_SetRefreshRate(60);
    }
    choosesize();
}

// Rehearsed faster than real time, on a clock that moves a step at a time
// and a sound output that plays only when told, from a new ring (nothing
// of the music has been mixed yet), as orlem-capture does.
static void gooffline()
{
    leavetheoutput(1);
    pausedaway = 0;
    musicblock = Soundsystem_BlocksMixed();
    seekclock = MOX_GetMillis();
    mox_setvirtualclock(DEMO_STEPRATE, seekclock);
    MOX_SetRefreshRate(60);
    seekoffline = 1;
}

void StartSteps()
{
    const int scene = fromscene;
    const double seconds = fromseconds;
    // A platform offline from the start (orlem-capture) is not one of ours.
    const int platformoffline = mox_virtualclock() && awayfrom < 0;
    seekscene = 0;
    seektime = 0;
    seekoffline = seekjoin = seekstart = 0;
    clockset = 0;
    musicblock = Soundsystem_BlocksMixed();
    MOX_SetStepRate(everyframe ? 0 : DEMO_STEPRATE);
    MOX_SetShowClock(musicclock);
    const MOX_stephook previous = MOX_SetStepHook(HandleStep);
    if (previous != HandleStep) previoushook = previous;
    pacedscene = -1;
    const int again = started;
    started = 1;
    if (scene <= 0 && seconds <= 0) {
        puts("orlem: the music starts");  // the show's time 0, for whoever times it from the log
        fflush(stdout);
        // A start again in real time: nothing mixed before it may be seen
        // or heard, so its step 0 is drawn from a new ring on the offline
        // output, as a seek's first step is, and the real time goes on
        // from the next.
        if (!again || platformoffline) {
            startrealtime();
            return;
        }
        seekstart = 1;
        seekstarted = std::chrono::steady_clock::now();
        gooffline();
        return;
    }
    seekunits = seektarget(scene, seconds);
    if (seekunits <= 0) {
        seekscene = 0;
        seektime = 0;
        startrealtime();
        return;
    }
    seekstarted = std::chrono::steady_clock::now();
    if (platformoffline) return;  // orlem-capture: offline already
    gooffline();
}

float SeekProgress()
{
    if (seekstart) return 0;
    if (seekscene <= 0 && seektime <= 0) return -1;
    const double done = double(MusicUnits(snd_demomusic)) / seekunits;
    return float(done < 0 ? 0 : (done > 1 ? 1 : done));
}

// The first step after the rehearsal's drawn one: the music moves to the
// device with the blocks mixed so far, and the show's clock follows the
// device from where the show stands. `sizenow`: the render size may change
// at once (a pause keeps the drawn picture, and sizes on resuming).
static int sizeonresume = 0;
static void jointherealtime(int sizenow)
{
    seekjoin = 0;
    seekoffline = 0;
    backtotheoutput();
    mox_setvirtualclock(0, 0);
    MOX_SetRefreshRate(60);  // one step per frame: its tick starts now
    if (sizenow)
        choosesize();
    else
        sizeonresume = 1;
}

void HandleStep()
{
    if (previoushook) previoushook();
    const uint32_t step = MOX_video_step;
    if (seekjoin) jointherealtime(1);
    // This step's place in the music: the blocks its time has played.
    if (seekoffline) audiodriver_offline_playuntil(uint64_t(MOX_video_time - seekclock) * DEMO_OUTPUTRATE / 1000);
    viewthemusic(step);
    reportpace();
    if (seekstart) {
        seekstart = 0;
        seekjoin = seekoffline;
        return;
    }
    if (seekscene <= 0 && seektime <= 0) return;

    bool reached = seekscene > 0 ? GetTimingEvent(snd_demomusic, 0) >= seekscene : step >= StepAt(seektime);
    if (!reached && !snd_demomusic.playing) {
        puts("orlem: the music ended before the point to start at: drawing from here");
        reached = true;
    }
    if (!reached) {
        MOX_rehearsing = 1;
        return;
    }
    const double took = std::chrono::duration<double>(std::chrono::steady_clock::now() - seekstarted).count();
    const double at = TimingSeconds(MusicUnits(snd_demomusic));
    if (seekscene > 0)
        printf("orlem: starting at scene event %d, %.2f s into the music, after rehearsing %u steps in %.1f s\n",
               seekscene, at, step, took);
    else
        printf("orlem: starting at %.2f s into the music (scene event %d), after rehearsing %u steps in %.1f s\n",
               seektime, GetTimingEvent(snd_demomusic, 0), step, took);
    fflush(stdout);
    seekscene = 0;
    seektime = 0;
    seekjoin = seekoffline;
}

void PauseSteps(int pause)
{
    if (pause) {
        // A seek whose first step is drawn joins the real time now, so the
        // paused picture is presented on the real clock; a rehearsal under
        // way holds the music on the offline output already; in real time
        // the music stops where it stands.
        if (seekjoin) jointherealtime(0);
        if (awayfrom < 0 && !mox_virtualclock()) {
            leavetheoutput(0);
            pausedaway = 1;
        }
        return;
    }
    if (pausedaway) backtotheoutput();  // a seek's own return waits for its next step
    if (sizeonresume) choosesize();
    sizeonresume = 0;
    MOX_ResumeShowClock();
}

void SeekSteps(int scene, double seconds)
{
    fromscene = scene;
    fromseconds = seconds;
    StartSteps();
}
