// Scene events and pulses on the bar grid. Lengths give each overlay its
// moment: the captions need 1.45 s, the title fades slowly over its four
// bars, each greeting name holds a bar (1.86 s), the credits rise and fall
// over seven bars.
#include "arrangement.h"

#include "demo/demotiming.h"

const int scene_bar[SCENE_EVENTS] = {
    0,   // 0 logo fading in
    4,   // 1 logo, first subtitle
    8,   // 2 camera, first caption
    12,  // 3 shoe
    16,  // 4 skull, second caption
    20,  // 5 flower, third caption
    24,  // 6 title over the floor: the drop
    28,  // 7 title holds, then black
    30,  // 8 greeting names 1..4
    34,  // 9 names 5..10
    40,  // 10 names 11..16
    46,  // 11 greetings screen: the break
    48,  // 12 chair field
    52,  // 13 closing screen
    56,  // 14 closing subtitle, slow fade
    58,  // 15 field alone, fading out
    60,  // 16 credits rising from black
    64,  // 17 credits fading
    67,  // 18 the end: the demo stops here
    68,  // 19
};

song_section SectionOfBar(int bar) {
    if (bar < scene_bar[2]) return SECTION_INTRO;
    if (bar < scene_bar[6]) return SECTION_BUILD;
    if (bar < scene_bar[8]) return SECTION_DROP;
    if (bar < scene_bar[11]) return SECTION_NAMES;
    if (bar < scene_bar[12]) return SECTION_BREAK;
    if (bar < scene_bar[16]) return SECTION_CLOSING;
    if (bar < scene_bar[18]) return SECTION_OUTRO;
    return SECTION_END;
}

void FillTimingTable() {
    InitTiming();
    demotiming_numevents[0] = SCENE_EVENTS;
    for (int i = 0; i < SCENE_EVENTS; i++) demotiming_event[0][i] = scene_bar[i] * UNITS_PER_BAR;
    demotiming_numevents[1] = 1 + NAMES_COUNT;
    demotiming_event[1][0] = 0;
    for (int i = 0; i < NAMES_COUNT; i++) demotiming_event[1][1 + i] = (NAMES_FIRST_BAR + i) * UNITS_PER_BAR;
}
