// orlem --edit on the real show and its data, in real time with a silent
// sound output and no display, the keys handed in through mox_input as a
// backend hands them: the frame loop is coremain's (EditPass, then
// ReadTimeline and DrawStep). The first start is aimed at T, so its first
// drawn step is a fresh process's; every later seek, made from whatever the
// show had become, must draw that step's state and picture again.
#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "demo/demo.h"
#include "demo/demotiming.h"
#include "demo/helpers.h"
#include "demo/timingtext.h"
#include "engine/platform/coreinput.h"
#include "engine/platform/moxgl.h"
#include "engine/video/mox.h"
#include "sound/coresound.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

constexpr double T = 20.0;  // seconds into the music the first start aims at
constexpr int RW = 480, RH = 270;

s_demobuffers b;

std::string slurp(const fs::path& p)
{
    std::ifstream in(p, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

void spit(const fs::path& p, const std::string& text)
{
    // As an editor saves: a new file put in place.
    std::ofstream(p.string() + ".new", std::ios::binary) << text;
    fs::rename(p.string() + ".new", p);
}

uint64_t fnv(const void* data, size_t n, uint64_t h = 1469598103934665603ull)
{
    const unsigned char* p = static_cast<const unsigned char*>(data);
    for (size_t i = 0; i < n; i++) h = (h ^ p[i]) * 1099511628211ull;
    return h;
}

// What the capture's trace holds of a step, and every live particle.
uint64_t statehash()
{
    const int ints[] = {demostate, effecttime, eventpulse, greetname, numparticles};
    const float floats[] = {fade, blend, blurzoom, blurrgb, beatmultiplyer, explosionCount, camrot, centerY, centerZ};
    uint64_t h = fnv(ints, sizeof ints);
    h = fnv(floats, sizeof floats, h);
    return fnv(particle, sizeof(c_particle) * size_t(numparticles), h);
}

// The output buffer as drawn, at the render size.
uint64_t picturehash()
{
    std::vector<uint8_t> pixels(size_t(RW) * RH * 4);
    MOX_SetFrameBuffer(b.output);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, RW, RH, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    return fnv(pixels.data(), pixels.size());
}

void key(int vk, int down)
{
    s_input e = {};
    e.type = MOX_INPUT_KEY;
    e.key = vk;
    e.down = down;
    if (vk == MOX_VK_SHIFT) e.side = 0xA0;
    mox_input(e);
}

void press(int vk, bool shift = false)
{
    if (shift) key(MOX_VK_SHIFT, 1);
    key(vk, 1);
    key(vk, 0);
    if (shift) key(MOX_VK_SHIFT, 0);
}

// One pass of coremain's loop: 1 when it drew a step.
int pass()
{
    if (EditPass()) return 0;
    ReadTimeline();
    DrawStep(b, nullptr);
    EditStepDrawn();
    return MOX_rehearsing ? 0 : 1;
}

// Passes until a step is drawn (a seek's rehearsal first).
void untildrawn()
{
    for (int i = 0; i < 100000; i++)
        if (pass()) return;
    FAIL() << "no step was drawn";
}

struct Drawn {
    uint32_t step;
    int scene;
    uint64_t state, picture;
};
Drawn drawn() { return {MOX_video_step, demostate, statehash(), picturehash()}; }

Drawn fresh;  // the first start's first drawn step, at T

class Edit : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        static bool started = false;
        if (started) return;
        started = true;
        const fs::path data = ORLEM_DAT;
        fs::remove("orlem.dat");
        fs::create_symlink(data, "orlem.dat");
        fs::copy_file(data.parent_path() / "timing.dat", "timing.dat", fs::copy_options::overwrite_existing);
        fs::remove("timing.txt");
        setenv("SDL_AUDIODRIVER", "no-such-driver", 1);  // the silent output, in real time
        editing = 1;
        MOX_AskRenderSize(RW, RH);
        b = LoadDemo("orlem.dat");
        StartEdit();
        fromseconds = T;
        soundsystem_lock();
        Soundsystem_PlaySound(&snd_demomusic, 0);
        StartSteps();
        soundsystem_unlock();
        StartShow();
        untildrawn();
        fresh = drawn();
    }
};

TEST_F(Edit, TheTextIsWrittenFromTheTableAndReadsBackToIt)
{
    ASSERT_EQ(fresh.step, StepAt(T));
    const std::string text = slurp("timing.txt");
    int32_t counts[DEMOTIMING_TRACKS], events[DEMOTIMING_TRACKS][DEMOTIMING_MAXEVENTS];
    memcpy(counts, demotiming_numevents, sizeof counts);
    memcpy(events, demotiming_event, sizeof events);
    std::string error;
    ASSERT_EQ(ReadTimingText(text, &error), 0) << error;
    EXPECT_EQ(memcmp(counts, demotiming_numevents, sizeof counts), 0);
    EXPECT_EQ(memcmp(events, demotiming_event, sizeof events), 0);
    EXPECT_EQ(TimingText(), text);
}

// Played on across scene events and field spawns, sought about by every
// kind of key, then back to T from the start a second at a time: the step,
// its state and its picture are the fresh start's.
TEST_F(Edit, ASeekDrawsWhatAFreshStartDrewThereWhateverCameBefore)
{
    for (int i = 0; i < 40; i++) pass();
    press(MOX_VK_NEXT);
    untildrawn();
    for (int i = 0; i < 20; i++) pass();
    press(MOX_VK_RIGHT, true);
    untildrawn();
    EXPECT_NE(statehash(), fresh.state);
    press(MOX_VK_HOME);
    for (int s = 0; s < int(T); s++) press(MOX_VK_RIGHT);  // each from where the last aims
    untildrawn();
    const Drawn again = drawn();
    EXPECT_EQ(again.step, fresh.step);
    EXPECT_EQ(again.scene, fresh.scene);
    EXPECT_EQ(again.state, fresh.state);
    EXPECT_EQ(again.picture, fresh.picture);

    // A bar back, 1.86 s, and a bar on from there: 111 or 112 steps each.
    press(MOX_VK_LEFT, true);
    untildrawn();
    const uint32_t back = MOX_video_step;
    EXPECT_EQ(back, StepAt(T - double(DEMO_BARUNITS) / DEMOTIMING_UNITSPERSECOND));
    press(MOX_VK_RIGHT, true);
    untildrawn();
    EXPECT_GE(MOX_video_step, back + 111);
    EXPECT_LE(MOX_video_step, back + 112);
}

// Space: no step runs and the music stays where it stood, the picture with
// it, however long; Space again goes on from there without catching up the
// time it stood still.
TEST_F(Edit, APauseHoldsTheStepsTheMusicAndThePicture)
{
    for (int i = 0; i < 10; i++) pass();
    press(MOX_VK_SPACE);
    pass();
    ASSERT_TRUE(EditPaused());
    const uint32_t step = MOX_video_step;
    const uint64_t position = snd_demomusic.position, picture = picturehash();
    const Clock::time_point start = Clock::now();
    int frames = 0;
    while (Clock::now() - start < std::chrono::milliseconds(1500)) {
        EXPECT_EQ(pass(), 0);
        frames++;
    }
    EXPECT_GE(frames, 20);
    EXPECT_EQ(MOX_video_step, step);
    EXPECT_EQ(snd_demomusic.position, position);
    EXPECT_EQ(picturehash(), picture);

    press(MOX_VK_SPACE);
    untildrawn();
    EXPECT_FALSE(EditPaused());
    EXPECT_GT(MOX_video_step, step);
    EXPECT_LT(MOX_video_step, step + 30) << "the 1.5 s paused were caught up";
    for (int i = 0; i < 10; i++) pass();
    EXPECT_GT(snd_demomusic.position, position);
}

// Page Down draws the first step that sees the next scene event: the step
// before it, drawn by a seek of its own, still shows the one before.
TEST_F(Edit, PageDownLandsOnTheNextEventsFirstStep)
{
    press(MOX_VK_HOME);
    untildrawn();
    ASSERT_EQ(MOX_video_step, 0u);
    ASSERT_EQ(demostate, 0);
    for (int scene = 1; scene <= 3; scene++) {
        press(MOX_VK_NEXT);
        untildrawn();
        ASSERT_EQ(demostate, scene);
        const uint32_t first = MOX_video_step;
        ASSERT_GT(first, 0u);
        RestartShow(0, double(first - 1) / DEMO_STEPRATE);
        untildrawn();
        EXPECT_EQ(MOX_video_step, first - 1);
        EXPECT_LT(demostate, scene);
        RestartShow(scene, 0);
        untildrawn();
        EXPECT_EQ(MOX_video_step, first);
    }
    // Page Up: back to the start of the scene shown.
    press(MOX_VK_PRIOR);
    untildrawn();
    EXPECT_EQ(demostate, 2);
}

// M taps an event on track 0 at the drawn step's time and writes the text;
// Backspace takes the nearest away again, leaving the text as it was. T
// taps track 1.
TEST_F(Edit, MThenBackspaceLeavesTheTextAsItWas)
{
    for (int i = 0; i < 5; i++) pass();
    press(MOX_VK_SPACE);  // the music's time stays between the two keys
    pass();
    const std::string before = slurp("timing.txt");
    const int zero = demotiming_numevents[0], one = demotiming_numevents[1];
    press('M');
    pass();
    EXPECT_EQ(demotiming_numevents[0], zero + 1);
    const std::string tapped = slurp("timing.txt");
    EXPECT_NE(tapped, before);
    EXPECT_EQ(tapped, TimingText());
    press(MOX_VK_BACK);
    pass();
    EXPECT_EQ(demotiming_numevents[0], zero);
    EXPECT_EQ(slurp("timing.txt"), before);

    press('T');
    pass();
    EXPECT_EQ(demotiming_numevents[1], one + 1);
    const int reloads = EditReloads();
    spit("timing.txt", before);  // put back by hand
    while (EditReloads() == reloads) pass();
    EXPECT_EQ(demotiming_numevents[1], one);
    press(MOX_VK_SPACE);
    untildrawn();
}

// A save while the show plays is read within half a second, and the next
// drawn step shows the new table's scene; a text that does not parse keeps
// the table in force and names its line, until it is mended.
TEST_F(Edit, ASavedChangeShowsAtOnceAndABrokenOneIsNamed)
{
    press(MOX_VK_HOME);
    untildrawn();
    press(MOX_VK_NEXT);
    press(MOX_VK_NEXT);
    untildrawn();
    ASSERT_EQ(demostate, 2);
    for (int i = 0; i < 30; i++) pass();  // into scene 2, playing
    ASSERT_EQ(demostate, 2);

    // Scene event 3 moved to just after scene 2's start: now is in scene 3.
    const std::string before = slurp("timing.txt");
    std::string error;
    const int32_t old3 = demotiming_event[0][3], old4 = demotiming_event[0][4];
    demotiming_event[0][3] = demotiming_event[0][2] + 1024;
    demotiming_event[0][4] = demotiming_event[0][2] + 2048;
    const std::string moved = TimingText();
    demotiming_event[0][3] = old3;
    demotiming_event[0][4] = old4;
    const int reloads = EditReloads();
    spit("timing.txt", moved);
    const Clock::time_point saved = Clock::now();
    while (EditReloads() == reloads && Clock::now() - saved < std::chrono::seconds(10)) pass();
    const double took = std::chrono::duration<double>(Clock::now() - saved).count();
    printf("a save read again after %.0f ms\n", took * 1000);
    ASSERT_EQ(EditReloads(), reloads + 1);
#ifndef MOX_SANITIZED
    EXPECT_LT(took, 0.5);
#endif
    untildrawn();
    EXPECT_EQ(demostate, 4);
    EXPECT_EQ(demotiming_event[0][3], demotiming_event[0][2] + 1024);

    // Broken on its third line: the table stays, the fault is named.
    int32_t events[DEMOTIMING_TRACKS][DEMOTIMING_MAXEVENTS];
    memcpy(events, demotiming_event, sizeof events);
    spit("timing.txt", "track 0 events 2\nevent 0 0\nbogus 1 2\n");
    const Clock::time_point broke = Clock::now();
    while (!*EditProblem() && Clock::now() - broke < std::chrono::seconds(10)) pass();
    EXPECT_EQ(std::string(EditProblem()), "timing.txt:3: unknown line 'bogus': expected 'track' or 'event'");
    EXPECT_EQ(memcmp(events, demotiming_event, sizeof events), 0);
    untildrawn();
    EXPECT_EQ(demostate, 4);

    spit("timing.txt", before);
    const Clock::time_point mended = Clock::now();
    while (*EditProblem() && Clock::now() - mended < std::chrono::seconds(10)) pass();
    EXPECT_STREQ(EditProblem(), "");
    untildrawn();
    EXPECT_EQ(demostate, 2);
}

// Without --edit: the same keys change nothing (a seek to T drawn with
// every key pressed on the way is the fresh start's), and the show never
// pauses; Escape held still ends it.
TEST_F(Edit, WithoutEditNoKeyButEscapeChangesAnything)
{
    const std::string text = slurp("timing.txt");
    LoadTiming("timing.dat");
    editing = 0;
    RestartShow(0, T);
    for (int vk : {int(MOX_VK_SPACE), int(MOX_VK_LEFT), int(MOX_VK_RIGHT), int(MOX_VK_PRIOR), int(MOX_VK_NEXT),
                   int(MOX_VK_HOME), int('M'), int('T'), int(MOX_VK_BACK)}) {
        press(vk);
        press(vk, true);
        pass();
    }
    untildrawn();
    const Drawn d = drawn();
    EXPECT_EQ(d.step, fresh.step);
    EXPECT_EQ(d.state, fresh.state);
    EXPECT_EQ(d.picture, fresh.picture);
    for (int i = 0; i < 5; i++) {
        const uint32_t step = MOX_video_step;
        untildrawn();
        EXPECT_GT(MOX_video_step, step);
    }
    EXPECT_EQ(slurp("timing.txt"), text);
    EXPECT_EQ(exitgame, 0);
    key(MOX_VK_ESCAPE, 1);
    untildrawn();
    EXPECT_EQ(exitgame, 1);
    key(MOX_VK_ESCAPE, 0);
    editing = 1;
}

}  // namespace
