// "VELDRIX - ORLEM": the platform layer runs coremain on the demo thread and
// closes the window when it returns.
//
// Start-up loads everything before the music starts, so the loop allocates
// nothing; the loop then follows the music's position through the sync
// table until the first step past the show's last scene event, or until
// Escape is held, and writes the sync table back unchanged.
#include "demo/demo.h"
#include "demo/demotiming.h"

// The viewer's options are the platform layer's and the demo's own (--from,
// --every-frame, declared beside the steps they choose).
#ifdef ORLEM_DATADIR
#define ORLEM_DATAWHERE ",\nor else in " ORLEM_DATADIR ".\n"
#else
#define ORLEM_DATAWHERE ".\n"
#endif
static const int orlem_usage =
    mox_setusage("orlem",
                 "Plays VELDRIX - ORLEM from orlem.dat and timing.dat in the working directory"
                 ORLEM_DATAWHERE
                 "Full screen at 1920 x 1080 where the display offers that mode; elsewhere full\n"
                 "screen at the desktop's own size, the picture scaled with its shape kept.\n"
                 "Escape ends it.\n");

int coremain(int argc, char** argv)
{
    (void)argc;  // the command line is the platform layer's
    (void)argv;

    const s_demobuffers buffers = LoadDemo("orlem.dat");
    ReportMissingAssets();
    StartEdit();
    // Held across both, so no block of the song is mixed before a demo
    // maker's --from has taken it to the offline output to rehearse on.
    soundsystem_lock();
    Soundsystem_PlaySound(&snd_demomusic, 0);
    StartSteps();
    soundsystem_unlock();

    StartShow();
    do {
        if (EditPass()) continue;
        ReadTimeline();
        DrawStep(buffers, nullptr);
        EditStepDrawn();
    } while (exitgame == 0 && (editing || demostate <= DEMO_LASTSCENE));

    return WriteBackTiming();
}
