// links: mox_demotoolkit mox_sound mox_core
// Arbitrary text for `timingtool build`: it is read into a table or
// refused with a line number inside the text (or one past it); a table it
// read keeps its counts within 0..256 and saves and loads back to itself.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "demo/demotiming.h"
#include "demo/timingtext.h"

static std::string path;

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    path = "/tmp/fuzz_timingtext_" + std::to_string(getpid()) + ".dat";
    if (!freopen("/dev/null", "w", stdout)) return 1;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::string error;
    // The table the last good input left: a faulty text must not touch it.
    int32_t counts[DEMOTIMING_TRACKS], events[DEMOTIMING_TRACKS][DEMOTIMING_MAXEVENTS];
    memcpy(counts, demotiming_numevents, sizeof counts);
    memcpy(events, demotiming_event, sizeof events);
    const int line = ReadTimingText(text, &error);
    size_t lines = 1;
    for (char c : text) lines += c == '\n';
    if (line < 0 || size_t(line) > lines + 1 || (line > 0 && error.empty())) __builtin_trap();
    if (line) {
        if (memcmp(counts, demotiming_numevents, sizeof counts) || memcmp(events, demotiming_event, sizeof events))
            __builtin_trap();
        return 0;
    }
    memcpy(counts, demotiming_numevents, sizeof counts);
    memcpy(events, demotiming_event, sizeof events);
    for (int32_t c : counts)
        if (c < 0 || c > DEMOTIMING_MAXEVENTS) __builtin_trap();
    if (SaveTiming(path.c_str()) != 0) return 0;
    InitTiming();
    LoadTiming(path.c_str());
    if (memcmp(counts, demotiming_numevents, sizeof counts) || memcmp(events, demotiming_event, sizeof events))
        __builtin_trap();
    return 0;
}
