// The timeline the music and the sync table share. Everything is counted in
// mixer blocks of 2048 frames (1,024 timing units), because the demo sees
// scene starts and beat pulses only at block boundaries: a beat is ten
// blocks (129.2 beats a minute), a bar four beats. Single-threaded tool code.
#pragma once
#include <cstdint>

#include "demo/scenes.h"  // the scene events by name

constexpr int FRAMES_PER_BLOCK = 2048;
constexpr int UNITS_PER_BLOCK = 1024;  // timing units: four interleaved samples each
constexpr int BLOCKS_PER_BEAT = 10;
constexpr int FRAMES_PER_BEAT = FRAMES_PER_BLOCK * BLOCKS_PER_BEAT;
constexpr int FRAMES_PER_BAR = 4 * FRAMES_PER_BEAT;
constexpr int UNITS_PER_BAR = 4 * BLOCKS_PER_BEAT * UNITS_PER_BLOCK;
static_assert(UNITS_PER_BAR == DEMO_BARUNITS && BLOCKS_PER_BEAT * UNITS_PER_BLOCK == DEMO_BEATUNITS,
              "the demo's bars are the music's");
constexpr int SAMPLE_RATE = 44100;

constexpr int SONG_BARS = 70;        // 130 s, under the 190 s the sound system plays
constexpr int NAMES_FIRST_BAR = 30;  // one greeting name per bar from here
constexpr int NAMES_COUNT = 16;

// Bar at which scene event `scene` of track 0 begins (the show's table).
int SceneBar(int scene);

// The parts of the song, each under its scenes.
enum song_section {
    SECTION_INTRO,    // logo: pad only, an arpeggio creeping in
    SECTION_BUILD,    // the four intro objects: drums and bass join, a riser
    SECTION_DROP,     // the title
    SECTION_NAMES,    // greeting names: the full beat, claps on 2 and 4
    SECTION_BREAK,    // greetings screen
    SECTION_CLOSING,  // chair field and closing screen
    SECTION_OUTRO,    // credits
    SECTION_END,      // silence after the last scene
};
song_section SectionOfBar(int bar);

// Fills the demo's sync table: track 0 the scene events, track 1 event 0 at
// time 0 and one pulse per greeting name; tracks 2 and 3 stay empty.
void FillTimingTable();
