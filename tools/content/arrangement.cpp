// Scene events and pulses on the bar grid. Lengths give each overlay its
// moment: the captions need 1.45 s, the title fades slowly over its four
// bars, each greeting name holds a bar (1.86 s), the credits rise and fall
// over seven bars.
#include "arrangement.h"

#include "demo/demotiming.h"

const int scene_bar[SCENE_EVENTS] = {
    0,   // SCENE_LOGO: logo fading in
    4,   // SCENE_LOGOSUBTITLE: logo, first subtitle
    8,   // SCENE_CAMERA: camera, first caption
    12,  // SCENE_SHOE: shoe
    16,  // SCENE_SKULL: skull, second caption
    20,  // SCENE_FLOWER: flower, third caption
    24,  // SCENE_TITLE: title over the floor: the drop
    28,  // SCENE_TITLEHOLD: title holds, then black
    30,  // SCENE_NAMES: greeting names 1..4
    34,  // SCENE_MORENAMES: names 5..10
    40,  // SCENE_LASTNAMES: names 11..16
    46,  // SCENE_GREETINGS: greetings screen: the break
    48,  // SCENE_CHAIR: chair field
    52,  // SCENE_CLOSING: closing screen
    56,  // SCENE_CLOSINGSUBTITLE: closing subtitle, slow fade
    58,  // SCENE_FIELDFADE: field alone, fading out
    60,  // SCENE_CREDITS: credits rising from black
    64,  // SCENE_CREDITSFADE: credits fading
    67,  // SCENE_END: the end: the demo stops here
    68,  // SCENE_AFTER
};

song_section SectionOfBar(int bar)
{
    if (bar < scene_bar[SCENE_CAMERA]) return SECTION_INTRO;
    if (bar < scene_bar[SCENE_TITLE]) return SECTION_BUILD;
    if (bar < scene_bar[SCENE_NAMES]) return SECTION_DROP;
    if (bar < scene_bar[SCENE_GREETINGS]) return SECTION_NAMES;
    if (bar < scene_bar[SCENE_CHAIR]) return SECTION_BREAK;
    if (bar < scene_bar[SCENE_CREDITS]) return SECTION_CLOSING;
    if (bar < scene_bar[SCENE_END]) return SECTION_OUTRO;
    return SECTION_END;
}

void FillTimingTable()
{
    InitTiming();
    demotiming_numevents[0] = SCENE_EVENTS;
    for (int i = 0; i < SCENE_EVENTS; i++) demotiming_event[0][i] = scene_bar[i] * UNITS_PER_BAR;
    demotiming_numevents[1] = 1 + NAMES_COUNT;
    demotiming_event[1][0] = 0;
    for (int i = 0; i < NAMES_COUNT; i++) demotiming_event[1][1 + i] = (NAMES_FIRST_BAR + i) * UNITS_PER_BAR;
}
