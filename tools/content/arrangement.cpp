// Scene events and pulses on the bar grid, the scenes' bars from the show's
// table. Lengths give each overlay its moment: the captions need 1.45 s, the title fades slowly over its four
// bars, each greeting name holds a bar (1.86 s), the credits rise and fall
// over seven bars.
#include "arrangement.h"

#include "demo/demotiming.h"

int SceneBar(int scene) { return SceneRow(scene).bar; }

song_section SectionOfBar(int bar)
{
    if (bar < SceneBar(SCENE_CAMERA)) return SECTION_INTRO;
    if (bar < SceneBar(SCENE_TITLE)) return SECTION_BUILD;
    if (bar < SceneBar(SCENE_NAMES)) return SECTION_DROP;
    if (bar < SceneBar(SCENE_GREETINGS)) return SECTION_NAMES;
    if (bar < SceneBar(SCENE_CHAIR)) return SECTION_BREAK;
    if (bar < SceneBar(SCENE_CREDITS)) return SECTION_CLOSING;
    if (bar < SceneBar(SCENE_END)) return SECTION_OUTRO;
    return SECTION_END;
}

void FillTimingTable()
{
    InitTiming();
    demotiming_numevents[0] = SCENE_EVENTS;
    for (int i = 0; i < SCENE_EVENTS; i++) demotiming_event[0][i] = SceneBar(i) * UNITS_PER_BAR;
    demotiming_numevents[1] = 1 + NAMES_COUNT;
    demotiming_event[1][0] = 0;
    for (int i = 0; i < NAMES_COUNT; i++) demotiming_event[1][1 + i] = (NAMES_FIRST_BAR + i) * UNITS_PER_BAR;
}
