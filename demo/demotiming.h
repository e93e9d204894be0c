// The demo's sync table: four tracks of up to 256 event times, in timing
// units (a sound position shifted right by 10 bits; 22050 a second for
// 44100 Hz stereo music), and the queries that place the music's playback
// position among them. Also the single-frequency energy probe over the
// mixer's last block. Demo thread only.
#pragma once
#include <cstdint>
#include "sound/coresound.h"

enum {
    DEMOTIMING_TRACKS = 4,
    DEMOTIMING_MAXEVENTS = 256,
    DEMOTIMING_FILESIZE = 4112
};

extern int32_t demotiming_numevents[DEMOTIMING_TRACKS];
extern int32_t demotiming_event[DEMOTIMING_TRACKS][DEMOTIMING_MAXEVENTS];

// Timing units of a sound position: shifted right by 10 bits, the low 32
// bits read as signed; and of a sound's position now.
int32_t TimingUnits(uint64_t position);
int32_t MusicUnits(const s_sound& sound);
// Timing units and seconds of the demo's music (44100 Hz stereo: 22050
// units a second).
enum {
    DEMOTIMING_UNITSPERSECOND = 22050
};
double TimingSeconds(int64_t units);
int64_t TimingUnitsAt(double seconds);

void InitTiming();
void ClearTiming(int track);
void LoadTiming(const char* path);
// Returns the status of closing the file after the write: 0 when the table
// was saved, nonzero (with a log line) when it was not.
int SaveTiming(const char* path);
int GetTimingEvent(s_sound sound, int track);
int GetTimingEffectTime(s_sound sound, int track);
int GetTimingPulse(s_sound sound, int track, int length);
float Soundsystem_DetectFrequency(float frequency);
