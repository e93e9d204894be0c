// links: mox_demotoolkit mox_sound mox_core
// Arbitrary bytes as timing.dat: LoadTiming keeps every count within its
// track, the queries stay inside the table at any music position, and a
// table that was loaded saves and loads back to itself.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "demo/demotiming.h"

static std::string path, again;

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    path = "/tmp/fuzz_timing_" + std::to_string(getpid()) + ".dat";
    again = path + ".again";
    if (!freopen("/dev/null", "w", stdout)) return 1;  // the loader's log lines
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FILE* f = fopen(path.c_str(), "wb");
    if (!f) return 0;
    fwrite(data, 1, size, f);
    fclose(f);
    InitTiming();
    LoadTiming(path.c_str());
    for (int track = 0; track < DEMOTIMING_TRACKS; track++)
        if (demotiming_numevents[track] < 0 || demotiming_numevents[track] > DEMOTIMING_MAXEVENTS) __builtin_trap();
    // Positions from the input's own bytes, and the ends of the range.
    s_sound music{};
    for (uint64_t position : {uint64_t(0), ~uint64_t(0), uint64_t(size) << 20, uint64_t(INT32_MAX) << 10}) {
        music.position = position;
        for (int track = -1; track <= DEMOTIMING_TRACKS; track++) {
            const int event = GetTimingEvent(music, track);
            if (event < 0 || event >= DEMOTIMING_MAXEVENTS) __builtin_trap();
            GetTimingEffectTime(music, track);
            GetTimingPulse(music, track, 40);
        }
    }
    int32_t counts[DEMOTIMING_TRACKS], events[DEMOTIMING_TRACKS][DEMOTIMING_MAXEVENTS];
    memcpy(counts, demotiming_numevents, sizeof counts);
    memcpy(events, demotiming_event, sizeof events);
    if (SaveTiming(again.c_str()) != 0) return 0;
    InitTiming();
    LoadTiming(again.c_str());
    if (memcmp(counts, demotiming_numevents, sizeof counts) || memcmp(events, demotiming_event, sizeof events))
        __builtin_trap();
    return 0;
}
