// The sync table and its queries, and the frequency probe over the mixer's
// last block. Demo thread only: the table is written by InitTiming,
// ClearTiming and LoadTiming and read by the queries. The music's position is
// read whole through the sound record (the mixer writes it on the audio
// thread), and each query takes its own reading.
// The file is 4112 bytes: four counts, then four tracks of 256 times, all
// little-endian signed 32-bit. A count outside 0..256 is clamped so no query
// walks past its track; a save goes through a temporary file and a rename.
#include "demo/demotiming.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

int32_t demotiming_numevents[DEMOTIMING_TRACKS];                    // events in use per track
int32_t demotiming_event[DEMOTIMING_TRACKS][DEMOTIMING_MAXEVENTS];  // event times, timing units

void InitTiming()
{
    for (int track = 0; track < DEMOTIMING_TRACKS; track++) ClearTiming(track);
}

void ClearTiming(int track)
{
    if (track < 0 || track >= DEMOTIMING_TRACKS) return;
    demotiming_numevents[track] = 1;
    demotiming_event[track][0] = 0;
}

static int32_t get32(const unsigned char* p)
{
    return (int32_t)((uint32_t)p[0] | (uint32_t)p[1] << 8 | (uint32_t)p[2] << 16 | (uint32_t)p[3] << 24);
}
static void put32(unsigned char* p, int32_t value)
{
    uint32_t v = (uint32_t)value;
    p[0] = (unsigned char)v;
    p[1] = (unsigned char)(v >> 8);
    p[2] = (unsigned char)(v >> 16);
    p[3] = (unsigned char)(v >> 24);
}

// Four counts, then four tracks of 256 times, each a 32-bit value.
static_assert(DEMOTIMING_FILESIZE == 4 * 4 + DEMOTIMING_TRACKS * DEMOTIMING_MAXEVENTS * 4, "timing.dat is 4112 bytes");
static_assert(sizeof demotiming_event == DEMOTIMING_TRACKS * DEMOTIMING_MAXEVENTS * 4, "tracks of 32-bit times");

void LoadTiming(const char* path)
{
    // Read whole before touching the table: a missing or short file leaves
    // the table as it was (the one InitTiming made, in the demo).
    unsigned char file[DEMOTIMING_FILESIZE];
    FILE* f = fopen(path, "rb");
    if (!f) {
        printf("%s: cannot be read, keeping the sync table as it is\n", path);
        return;
    }
    size_t got = fread(file, 1, sizeof file, f);
    fclose(f);
    if (got != sizeof file) {
        printf("%s: %d bytes, not %d, keeping the sync table as it is\n", path, (int)got, (int)DEMOTIMING_FILESIZE);
        return;
    }
    for (int track = 0; track < DEMOTIMING_TRACKS; track++) {
        int32_t count = get32(file + 4 * track);
        if (count < 0 || count > DEMOTIMING_MAXEVENTS) {
            int32_t clamped = count < 0 ? 0 : DEMOTIMING_MAXEVENTS;
            printf("%s: track %d claims %d events, taking %d\n", path, track, (int)count, (int)clamped);
            count = clamped;
        }
        demotiming_numevents[track] = count;
        for (int i = 0; i < DEMOTIMING_MAXEVENTS; i++)
            demotiming_event[track][i] = get32(file + 16 + 1024 * track + 4 * i);
    }
}

int SaveTiming(const char* path)
{
    unsigned char file[DEMOTIMING_FILESIZE];
    for (int track = 0; track < DEMOTIMING_TRACKS; track++) {
        put32(file + 4 * track, demotiming_numevents[track]);
        for (int i = 0; i < DEMOTIMING_MAXEVENTS; i++)
            put32(file + 16 + 1024 * track + 4 * i, demotiming_event[track][i]);
    }
    // A crash or a full disk mid-write damages only the temporary file; the
    // file under `path` stays as it was until the rename. Each failure is
    // one line: the table, why, and that the file there is untouched (a
    // demo played from read-only media loses nothing).
    std::string temporary = std::string(path) + ".tmp";
    FILE* f = fopen(temporary.c_str(), "wb");
    if (!f) {
        printf("%s: the sync table could not be written back (%s: %s); the file there is left as it was\n", path,
               temporary.c_str(), strerror(errno));
        return EOF;
    }
    size_t put = fwrite(file, 1, sizeof file, f);
    const int error = put != sizeof file ? errno : 0;
    int closed = fclose(f);
    if (put != sizeof file || closed != 0) {
        printf("%s: the sync table could not be written back (%s: %s); the file there is left as it was\n", path,
               temporary.c_str(), strerror(error ? error : errno));
        remove(temporary.c_str());
        return closed != 0 ? closed : EOF;
    }
    // The library's rename replaces an existing file on every system; the
    // runtime's rename does not on Windows.
    std::error_code failed;
    std::filesystem::rename(temporary, path, failed);
    if (failed) {
        printf("%s: cannot be replaced (%s), sync table left in %s\n", path, failed.message().c_str(),
               temporary.c_str());
        return EOF;
    }
    return 0;
}

int32_t TimingUnits(uint64_t position) { return (int32_t)(uint32_t)(position >> 10); }

int32_t MusicUnits(const s_sound& sound) { return TimingUnits(sound.position); }

double TimingSeconds(int64_t units) { return double(units) / DEMOTIMING_UNITSPERSECOND; }

int64_t TimingUnitsAt(double seconds) { return int64_t(seconds * DEMOTIMING_UNITSPERSECOND); }

static int32_t timing_time(const s_sound& sound) { return MusicUnits(sound); }

// The highest index whose time is at or before t; 0 when none qualifies.
static int timing_current(int track, int32_t t)
{
    int current = 0;
    int count = demotiming_numevents[track];
    if (count > DEMOTIMING_MAXEVENTS) count = DEMOTIMING_MAXEVENTS;
    for (int i = 0; i < count; i++)
        if (demotiming_event[track][i] <= t) current = i;
    return current;
}

static bool track_valid(int track) { return track >= 0 && track < DEMOTIMING_TRACKS; }

int GetTimingEvent(s_sound sound, int track)
{
    if (!track_valid(track)) return 0;
    return timing_current(track, timing_time(sound));
}

int GetTimingEffectTime(s_sound sound, int track)
{
    if (!track_valid(track)) return 0;
    int32_t t = timing_time(sound);
    int current = timing_current(track, t);
    return (int32_t)((uint32_t)t - (uint32_t)demotiming_event[track][current]);
}

int GetTimingPulse(s_sound sound, int track, int length)
{
    if (!track_valid(track)) return 0;
    int32_t t = timing_time(sound);
    int current = timing_current(track, t);
    int32_t d = (int32_t)((uint32_t)t - (uint32_t)demotiming_event[track][current]);
    return d < length ? current : 0;
}

float Soundsystem_DetectFrequency(float frequency)
{
    const int32_t* block = Soundsystem_GetOutputBuffer();
    if (!block || soundsystem.frequency == 0) return 0.0f;
    float ratio = frequency / (float)soundsystem.frequency;
    float c = (float)(2.0 * cos(6.283185307179586 * (double)ratio));
    float q1 = 0.0f, q2 = 0.0f;
    // The copy holds channels x bufferlength values; the probe walks the
    // first bufferlength of them, left and right alternating.
    uint32_t count = soundsystem.bufferlength;
    uint32_t held = soundsystem.output_size / 4;
    if (count > held) count = held;
    // Each step is worked out in double and rounded to single precision once,
    // when it is stored; x itself is exact in double.
    for (uint32_t i = 0; i < count; i++) {
        double x = (double)block[i] / 32768.0;
        float q0 = (float)((double)c * q1 + x - q2);
        q2 = q1;
        q1 = q0;
    }
    return (float)((double)q1 * q1 + (double)q2 * q2 - (double)c * q1 * q2);
}
