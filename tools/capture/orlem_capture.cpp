// orlem-capture: the capture tool (capture.h) for VELDRIX - ORLEM, linked
// with the demo's own coremain. What only this demo knows: its trace's
// columns (the music's position as the step's queries saw it, the scene
// table's values, the ramps, the blur, the beat, the field and the camera),
// that its show stands still once the music has ended, where it ends (the
// first step past its last scene event) and what a --from aims at.
#include <cstdio>
#include <string>

#include "capture.h"
#include "demo/demo.h"
#include "demo/demotiming.h"
#include "demo/helpers.h"  // fade and blend
#include "engine/video/mox.h"

namespace {

uint64_t position = 0;  // the music's position as the running step's queries see it

void stepbegins() { position = snd_demomusic.position; }

void tracecolumns(FILE* trace)
{
    fprintf(trace, " %d %d %d %d %d %.6f %.6f %.6f %.6f %.6f %d %.6f %.6f %.6f %.6f", TimingUnits(position), demostate,
            effecttime, eventpulse, greetname, fade, blend, blurzoom, blurrgb, beatmultiplyer, numparticles,
            explosionCount, camrot, centerY, centerZ);
}

int advancing() { return snd_demomusic.playing ? 1 : 0; }

uint32_t laststep()
{
    if (demotiming_numevents[0] <= DEMO_LASTSCENE + 1) return 0;
    return MOX_FirstStepAt(TimingSeconds(demotiming_event[0][DEMO_LASTSCENE + 1]), DEMO_STEPRATE);
}

const char* where()
{
    static char text[32];
    snprintf(text, sizeof text, "scene event %d", demostate);
    return text;
}

const char* seekaim()
{
    static char text[48];
    if (seekscene > 0)
        snprintf(text, sizeof text, "scene event %d", seekscene);
    else
        snprintf(text, sizeof text, "%.2f s", seektime);
    return text;
}

}  // namespace

int main(int argc, char** argv)
{
    capture_demo demo;
    demo.program = "orlem-capture";
    demo.width = DEMO_WIDTH;
    demo.height = DEMO_HEIGHT;
    demo.traceheader =
        "t scene effecttime pulse greetname fade blend blurzoom blurrgb beat particles explosion camrot centery centerz";
    demo.tracecolumns = tracecolumns;
    demo.stepbegins = stepbegins;
    demo.advancing = advancing;
    demo.laststep = laststep;
    demo.where = where;
    demo.seekaim = seekaim;
    demo.seekprogress = SeekProgress;
    return capture_main(argc, argv, demo);
}
