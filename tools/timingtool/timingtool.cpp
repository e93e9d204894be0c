// timingtool: the sync table as text, and the demo's beat probe run over a
// music file, for whoever syncs the demo to its music.
//   timingtool dump timing.dat          every track's events, in units and seconds
//   timingtool build TEXT timing.dat    the reverse; bad text is refused by line
//   timingtool beats music.wav          the probe energies of every mixed block
// The table is the demo's own (LoadTiming/SaveTiming); the music is played
// through the offline output exactly as the demo's mixer would play it.
#include <sys/stat.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "core/corefile.h"
#include "demo/demotiming.h"
#include "sound/audiodriver.h"
#include "sound/coresound.h"
#include "tools/linkedfile.h"
#include "tools/timingtool/timingtext.h"

static const double UNITS_PER_SECOND = 22050.0;  // 44100 Hz stereo music
static const char* HEADER =
    "# sync table: per track, each event's time in timing units and in seconds (22050 units a second)";

static int usage()
{
    fprintf(stderr,
            "usage: timingtool dump timing.dat\n"
            "       timingtool build TEXT timing.dat\n"
            "       timingtool beats music.wav\n");
    return 2;
}

static bool readfile(const char* path, std::vector<unsigned char>& bytes)
{
    FILE* f = fopen(path, "rb");
    if (!f) return false;
    unsigned char chunk[65536];
    size_t n;
    while ((n = fread(chunk, 1, sizeof chunk, f)) > 0) bytes.insert(bytes.end(), chunk, chunk + n);
    fclose(f);
    return true;
}

static int32_t get32(const unsigned char* p)
{
    return (int32_t)((uint32_t)p[0] | (uint32_t)p[1] << 8 | (uint32_t)p[2] << 16 | (uint32_t)p[3] << 24);
}

static int dump(const char* path)
{
    // Checked here first, so the demo's loader has nothing to say about it.
    std::vector<unsigned char> file;
    if (!readfile(path, file)) {
        fprintf(stderr, "timingtool: %s: %s\n", path, strerror(errno));
        return 1;
    }
    if (file.size() != DEMOTIMING_FILESIZE) {
        fprintf(stderr, "timingtool: %s: %zu bytes, a sync table has %d\n", path, file.size(),
                (int)DEMOTIMING_FILESIZE);
        return 1;
    }
    for (int track = 0; track < DEMOTIMING_TRACKS; track++) {
        int32_t count = get32(file.data() + 4 * track);
        if (count < 0 || count > DEMOTIMING_MAXEVENTS) {
            fprintf(stderr, "timingtool: %s: track %d claims %d events, outside 0..%d\n", path, track, (int)count,
                    (int)DEMOTIMING_MAXEVENTS);
            return 1;
        }
    }
    LoadTiming(path);
    printf("%s\n", HEADER);
    for (int track = 0; track < DEMOTIMING_TRACKS; track++) {
        printf("track %d events %d\n", track, (int)demotiming_numevents[track]);
        for (int i = 0; i < demotiming_numevents[track]; i++) {
            int32_t units = demotiming_event[track][i];
            printf("event %d %d %.6f\n", i, (int)units, units / UNITS_PER_SECOND);
        }
    }
    return 0;
}

static int build(const char* textpath, const char* outpath)
{
    std::vector<unsigned char> bytes;
    if (!readfile(textpath, bytes)) {
        fprintf(stderr, "timingtool: %s: %s\n", textpath, strerror(errno));
        return 1;
    }
    std::string error;
    const int line = timingtool_readtext(std::string(bytes.begin(), bytes.end()), &error);
    if (line) {
        fprintf(stderr, "timingtool: %s:%d: %s\n", textpath, line, error.c_str());
        return 1;
    }
    remove(outpath);  // so a failed save cannot pass for an old file
    SaveTiming(outpath);
    struct stat st;
    if (stat(outpath, &st) != 0 || st.st_size != DEMOTIMING_FILESIZE) {
        fprintf(stderr, "timingtool: %s: not written\n", outpath);
        return 1;
    }
    return 0;
}

static int beats(const char* path)
{
    LinkedFile file(path, "music.wav");
    if (file.name.empty()) {
        fprintf(stderr, "timingtool: %s: %s\n", path, strerror(errno));
        return 1;
    }
    if (!corefile_mountimage(file.dir.c_str(), COREFILE_DIRECTORY)) {
        fprintf(stderr, "timingtool: %s: cannot mount the directory\n", file.dir.c_str());
        return 1;
    }
    const std::string& name = file.name;

    // As the demo: 44100 Hz 16-bit stereo, full volume, the music played once.
    audiodriver_setoutput(AUDIODRIVER_OFFLINE);
    Soundsystem_Init(44100, 16, 2);
    s_sound music{};
    Soundsystem_LoadSound(name.c_str(), &music);
    if (!music.data) {
        if (const char* why = Soundsystem_WAVProblem(name.c_str()))
            fprintf(stderr, "timingtool: %s; %s\n", why, Soundsystem_WAVRemedy());
        else
            fprintf(stderr, "timingtool: %s: no sound loaded\n", path);
        Soundsystem_CloseAudio();
        return 1;
    }
    if (music.step == 0) {
        fprintf(stderr, "timingtool: %s: a sample rate of %u Hz never plays\n", path, (unsigned)music.frequency);
        Soundsystem_DeleteSound(&music);
        Soundsystem_CloseAudio();
        return 1;
    }
    Soundsystem_PlaySound(&music, 0);
    const double units_per_second = (double)music.frequency * music.channels / 4.0;
    printf(
        "# block, music time after it (units, seconds), probe energies x 0.0002 at 1306 and 1531 Hz, "
        "beat when their sum passes 1000\n");
    int block = 0;
    // Every block of the ring is a whole number of 2048-byte steps, so one
    // step finishes at most one block.
    while (music.playing) {
        if (audiodriver_offline_play(nullptr, 2048) == 0) continue;
        // As the demo's beat detector: scaled in double, each stored as a float.
        float e1 = (float)(Soundsystem_DetectFrequency(1306.0f) * 0.0002);
        float e2 = (float)(Soundsystem_DetectFrequency(1531.0f) * 0.0002);
        int32_t t = (int32_t)(uint32_t)(Soundsystem_GetSoundOffset(music) >> 10);
        if (!music.playing) t = (int32_t)(uint32_t)(((uint64_t)music.length * 256) >> 10);
        printf("block %6d  t %9d  %10.3f s  e1306 %12.1f  e1531 %12.1f  %s\n", block, (int)t,
               units_per_second > 0 ? t / units_per_second : 0.0, e1, e2, e1 + e2 > 1000.0f ? "beat" : "-");
        block++;
    }
    Soundsystem_DeleteSound(&music);
    Soundsystem_CloseAudio();
    corefile_closeimage();
    return 0;
}

int main(int argc, char** argv)
{
    if (argc == 3 && strcmp(argv[1], "dump") == 0) return dump(argv[2]);
    if (argc == 4 && strcmp(argv[1], "build") == 0) return build(argv[2], argv[3]);
    if (argc == 3 && strcmp(argv[1], "beats") == 0) return beats(argv[2]);
    return usage();
}
