// orlem --edit [TEXT]: the demo maker's loop. The show plays as usual while
// the sync table's text (the form `timingtool build` reads) is watched:
// once saved, the table is read again and the show rehearses from its start
// to the music's time, so the picture is the one the new table gives there.
// A text that does not parse leaves the table in force and says where and
// why, in the log and over the picture. Keys move about the show (pause,
// seek by a second, a bar or a scene event) and tap events in; an overlay
// over the picture, never in a capture, shows where the show stands. At the
// end timing.dat is written from the table, as always.
//
// Demo thread only.
#include "engine/platform/moxgl.h"

#include <algorithm>
#include <chrono>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "demo/demo.h"
#include "demo/demotiming.h"
#include "demo/timingtext.h"
#include "engine/platform/coreinput.h"
#include "engine/platform/driver.h"
#include "engine/video/mox.h"

int editing = 0;
static std::string edittext;     // the text watched
static int editpaused = 0;       // Space: the show stands still
static int editdrawn = 0;        // a step has been drawn since the last restart
static std::string editproblem;  // the text's fault while the table before it stays
static int editreloads = 0;
static uint32_t editreadat = 0;  // when a save was read, until its picture is drawn; 0: none

static std::string editseen;     // the text as last read or written, to see it saved again
static uint32_t editpolled = 0;  // when the text was last looked at, ms

enum {
    EDIT_POLLMS = 100,      // the text is looked at this often
    EDIT_PAUSEDMS = 15,     // a paused frame's wait
    EDIT_NEARROWS = 2,      // rows shown on each side of the music's time
    EDIT_BACKSLACK = 22050  // Page Up within a second of a scene's start goes to the one before
};

// Milliseconds of the system's steady clock: the polls and the frame rate
// go by it even while a rehearsal holds the engine's clock.
static uint32_t realms()
{
    using namespace std::chrono;
    return uint32_t(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

static int takeedit(const char* text)
{
    editing = 1;
    if (text) edittext = text;
    return 1;
}

static const int editoption =
    mox_addoption("--edit", "[TEXT]",
                  "the demo maker's loop: plays while TEXT (default: timing.txt\n"
                  "beside timing.dat, written from it if missing) is watched;\n"
                  "each save shows its table at once. Keys: Space pause,\n"
                  "Left/Right a second (Shift: a bar), Page Up/Down a scene\n"
                  "event, Home the start, M/T an event on track 0/1, Backspace\n"
                  "removes the nearest on track 0\n",
                  takeedit);

static bool readtext(const std::string& path, std::string* text)
{
    FILE* f = fopen(path.c_str(), "rb");
    if (!f) return false;
    char chunk[4096];
    size_t n;
    text->clear();
    while ((n = fread(chunk, 1, sizeof chunk, f)) > 0) text->append(chunk, n);
    const bool failed = ferror(f);
    fclose(f);
    return !failed;
}

// The table as text into the watched file, through a temporary one so an
// editor never reads half of it; taken as already seen.
static bool writetext()
{
    const std::string temporary = edittext + ".tmp", text = TimingText();
    FILE* f = fopen(temporary.c_str(), "wb");
    bool written = f && fwrite(text.data(), 1, text.size(), f) == text.size();
    if (f && fclose(f) != 0) written = false;
    // The library's rename replaces the file on every system, so the text
    // is never missing (the runtime's does not replace on Windows).
    std::error_code failed;
    if (written) std::filesystem::rename(temporary, edittext, failed);
    if (!written || failed) {
        printf("orlem: %s: the sync table could not be written (%s)\n", edittext.c_str(),
               failed ? failed.message().c_str() : strerror(errno));
        remove(temporary.c_str());
        return false;
    }
    editseen = text;
    return true;
}

// `text` read into the table; on a fault the table stays and the fault is
// kept to show.
static bool readtable(const std::string& text)
{
    std::string error;
    const int line = ReadTimingText(text, &error);
    if (line) {
        editproblem = edittext + ":" + std::to_string(line) + ": " + error;
        printf("orlem: %s; the sync table stays as it was\n", editproblem.c_str());
        fflush(stdout);
        return false;
    }
    editproblem.clear();
    return true;
}

// The music's time the show stands at: the last drawn step's (what the
// viewer sees, not the mixer's lead), or where a seek under way aims, in
// timing units.
static int32_t editstep = 0;
static int32_t edittime()
{
    if (seekscene > 0) return demotiming_event[0][seekscene];
    if (seektime > 0) return int32_t(TimingUnitsAt(seektime));
    return editstep;
}

static void restart(int scene, double seconds)
{
    RestartShow(scene, seconds);
    editdrawn = 0;
    editstep = 0;  // a start from the beginning; a seek answers for itself
}

static void seekunits(int64_t units)
{
    if (units <= 0)
        restart(0, 0);
    else
        restart(0, TimingSeconds(units));
}

// The scene event the show stands in: a seek's aim, or the drawn step's.
static int editscene()
{
    if (seekscene > 0) return seekscene;
    if (seektime > 0) return -1;
    return demostate;
}

// Page Down: the next scene event that comes later than the one shown (its
// first step is the first that sees it); Page Up: the start of the one
// shown, or of the one before within a second of it.
static void seekscenes(int direction)
{
    const int count = demotiming_numevents[0];
    const int32_t* events = demotiming_event[0];
    int current = editscene();
    if (current < 0) {  // a seek by time under way: the event its aim lies in
        current = 0;
        for (int i = 1; i < count; i++)
            if (events[i] <= edittime()) current = i;
    }
    if (current >= count) return;
    if (direction > 0) {
        int next = current + 1;
        while (next < count && events[next] <= events[current]) next++;
        if (next < count) restart(next, 0);
        return;
    }
    int target = current;
    if (edittime() - events[current] < EDIT_BACKSLACK)
        for (target = current - 1; target > 0 && events[target] >= events[current];) target--;
    // Events at one time: the first of them is the scene's start.
    while (target > 0 && events[target - 1] == events[target]) target--;
    restart(target > 0 ? target : 0, 0);
}

// M, T: an event at the music's time on `track`, after those at or before
// it; the text written. The show plays on under the new table.
static void tap(int track)
{
    int32_t& count = demotiming_numevents[track];
    if (count >= DEMOTIMING_MAXEVENTS) {
        printf("orlem: track %d has %d events already: no more are taken\n", track, int(DEMOTIMING_MAXEVENTS));
        return;
    }
    const int32_t now = edittime();
    int32_t* events = demotiming_event[track];
    const int at = int(std::upper_bound(events, events + count, now) - events);
    memmove(events + at + 1, events + at, sizeof(int32_t) * size_t(count - at));
    events[at] = now;
    count++;
    printf("orlem: event %d on track %d at %.3f s\n", at, track, TimingSeconds(now));
    writetext();
}

// Backspace: the event of track 0 nearest the music's time goes.
static void untap()
{
    int32_t& count = demotiming_numevents[0];
    if (count <= 0) return;
    const int32_t now = edittime();
    int32_t* events = demotiming_event[0];
    int nearest = 0;
    for (int i = 1; i < count; i++)
        if (std::llabs(int64_t(events[i]) - now) < std::llabs(int64_t(events[nearest]) - now)) nearest = i;
    printf("orlem: event %d on track 0 at %.3f s removed\n", nearest, TimingSeconds(events[nearest]));
    memmove(events + nearest, events + nearest + 1, sizeof(int32_t) * size_t(count - nearest - 1));
    events[--count] = 0;
    writetext();
}

static void pause(int paused)
{
    if (editpaused == paused) return;
    editpaused = paused;
    PauseSteps(paused);
}

static void presskey(int press)
{
    const int key = press & 0xFF, shift = press & MOX_KEYPRESS_SHIFT;
    const int64_t stride = shift ? int64_t(DEMO_BARUNITS) : int64_t(DEMOTIMING_UNITSPERSECOND);
    switch (key) {
    case MOX_VK_SPACE: pause(!editpaused); break;
    case MOX_VK_LEFT: seekunits(int64_t(edittime()) - stride); break;
    case MOX_VK_RIGHT: seekunits(int64_t(edittime()) + stride); break;
    case MOX_VK_PRIOR: seekscenes(-1); break;
    case MOX_VK_NEXT: seekscenes(1); break;
    case MOX_VK_HOME: restart(0, 0); break;
    case 'M': tap(0); break;
    case 'T': tap(1); break;
    case MOX_VK_BACK: untap(); break;
    }
}

// The text, saved again since it was last seen: read, and the show
// rehearsed to where it stands. Read whole each time (it is small), so a
// save within the same second as the last is seen as well.
static void watch()
{
    const uint32_t now = realms();
    if (now - editpolled < EDIT_POLLMS) return;
    editpolled = now;
    std::string text;
    if (!readtext(edittext, &text) || text == editseen) return;  // missing: mid-save, or gone
    editseen = text;
    if (!readtable(text)) return;
    editreloads++;
    const int32_t at = edittime();
    printf("orlem: %s read again (%d, %d, %d and %d events): the show at %.2f s under it\n", edittext.c_str(),
           demotiming_numevents[0], demotiming_numevents[1], demotiming_numevents[2], demotiming_numevents[3],
           TimingSeconds(at));
    fflush(stdout);
    seekunits(at);
    editreadat = realms();
}

// --- the overlay ------------------------------------------------------------------

static uint32_t overlayframes = 0, overlaysince = 0;  // the frames a second shown, counted
static float overlayrate = 0;

// One track's rows about the music's time: "index time", the current one
// marked.
static std::string nearrows(int track, int32_t now)
{
    const int count = demotiming_numevents[track];
    int current = -1;
    for (int i = 0; i < count; i++)
        if (demotiming_event[track][i] <= now) current = i;
    std::string rows = "track " + std::to_string(track) + ":";
    char row[48];
    for (int i = std::max(0, current - EDIT_NEARROWS); i < std::min(count, current + EDIT_NEARROWS + 2); i++) {
        snprintf(row, sizeof row, "  %s%d %.2f s", i == current ? ">" : "", i, TimingSeconds(demotiming_event[track][i]));
        rows += row;
    }
    if (count == 0) rows += "  no events";
    return rows;
}

static void drawoverlay()
{
    const uint32_t now = realms(), frames = uint32_t(MOX_video_numframes);
    if (now - overlaysince >= 1000) {
        overlayrate = overlaysince ? float(frames - overlayframes) * 1000.0f / float(now - overlaysince) : 0.0f;
        overlayframes = frames;
        overlaysince = now;
    }
    const int32_t units = edittime();
    const int scene = demostate;
    const int32_t fromstart = units > 0 ? units : 0;
    char head[160];
    snprintf(head, sizeof head, "%.2f s  bar %d beat %d  scene %d %s  %.1f frames a second%s",
             TimingSeconds(units), int(fromstart / DEMO_BARUNITS) + 1,
             int(fromstart % DEMO_BARUNITS / DEMO_BEATUNITS) + 1, scene,
             scene >= 0 && scene < SCENE_EVENTS ? SceneRow(scene).name : "-", overlayrate,
             editpaused ? "  paused" : "");
    const std::string lines[] = {head, nearrows(0, units), nearrows(1, units), editproblem};

    // Half the font's size, on a dark band across the top.
    const float scale = 0.5f;
    const int lineheight = int((myfont.height > 0 ? myfont.height : 56) * scale) + 4;
    const int count = editproblem.empty() ? 3 : 4;
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    MOX_BindTexture(mox_whitetexture_id);
    glColor4f(0, 0, 0, 0.6f);
    MOX_DrawQuad(0, 0, DEMO_WIDTH, float(lineheight * count + 16), 0, 0, 1, 1);
    glColor4f(1, 1, 1, 1);
    for (int i = 0; i < count; i++) MOX_DrawScaledText(16, 8 + lineheight * i, scale, myfont, "%s", lines[i].c_str());
    glDisable(GL_BLEND);
}

// --- the loop ------------------------------------------------------------------

void StartEdit()
{
    if (!editing) return;
    KeepShowStart();
    if (edittext.empty()) edittext = DemoDataPath("timing.txt");
    if (readtext(edittext, &editseen)) {
        if (readtable(editseen)) printf("orlem: the sync table from %s\n", edittext.c_str());
    } else if (writetext()) {
        printf("orlem: %s written from the sync table\n", edittext.c_str());
    }
    editpolled = realms();
    printf("orlem: editing %s: a save shows at once; Space pauses, Left/Right seek a second (Shift: a bar), "
           "Page Up/Down a scene event, Home the start, M/T tap an event on track 0/1, Backspace removes one\n",
           edittext.c_str());
    fflush(stdout);
    // Over what the viewer sees, never into a capture's frames.
    if (!mox_virtualclock()) MOX_SetPresentOverlay(drawoverlay);
}

int EditPass()
{
    if (!editing) return 0;
    for (int press; (press = MOX_NextKeyPress()) != 0;) presskey(press);
    watch();
    // Past the show's end the maker stays, paused, to go back.
    if (demostate > DEMO_LASTSCENE && editdrawn && !editpaused) pause(1);
    const bool seeking = SeekProgress() >= 0;
    if (!editpaused || seeking || !editdrawn) return 0;
    // The picture stays: presented again (with the overlay) until a key
    // moves on; the music stays too, after a restart that drew a step.
    PauseSteps(1);
    HandleInput();
    if (!mox_virtualclock()) MOX_SwapBuffers();
    mox_sleep(EDIT_PAUSEDMS);
    return 1;
}

void EditStepDrawn()
{
    if (!editing || MOX_rehearsing) return;
    editdrawn = 1;
    if (editreadat) {
        printf("orlem: the new table's picture drawn %u ms after the save was seen\n", realms() - editreadat);
        fflush(stdout);
        editreadat = 0;
    }
    // The step's place on the grid, so a seek back to it lands on it again;
    // one step per frame has only the music it saw.
    editstep = everyframe ? MusicUnits(snd_demomusic)
                          : int32_t(TimingUnitsAt(double(MOX_video_step) / DEMO_STEPRATE));
}

int EditReloads() { return editreloads; }
const char* EditProblem() { return editproblem.c_str(); }
int EditPaused() { return editpaused; }
