// The numbers the scene table is written in, named once for the demo, its
// content tool (which lays the music and the sync table out by scene) and
// the tests: the scene events of the sync table's track 0, the ramp modes
// of fade and blend, and where the overlays stand on the 1920 x 1080
// picture. The values are the table's own; a new scene takes a name here,
// its rows in scenes.cpp and its bar in the content tool's arrangement.
#pragma once

// Scene events, in the order track 0 brings them.
enum demo_scene {
    SCENE_LOGO = 0,          // the group logo fading in slowly
    SCENE_LOGOSUBTITLE = 1,  // the logo rising fast, the first subtitle
    SCENE_CAMERA = 2,        // the camera's field, the first caption
    SCENE_SHOE = 3,          // the shoe's field
    SCENE_SKULL = 4,         // the skull's field, the second caption and subtitle
    SCENE_FLOWER = 5,        // the flower's field, the third caption
    SCENE_TITLE = 6,         // the title over the floor; the eye comes down to it
    SCENE_TITLEHOLD = 7,     // the title holds, then black
    SCENE_NAMES = 8,         // greeting names, one a pulse, in 8, 9 and 10
    SCENE_MORENAMES = 9,
    SCENE_LASTNAMES = 10,
    SCENE_GREETINGS = 11,        // the greetings screen over the last name
    SCENE_CHAIR = 12,            // the chair's field
    SCENE_CLOSING = 13,          // the closing screen
    SCENE_CLOSINGSUBTITLE = 14,  // its subtitle alone, falling slowly
    SCENE_FIELDFADE = 15,        // the field alone, fading out
    SCENE_CREDITS = 16,          // the credits rising from black
    SCENE_CREDITSFADE = 17,      // the credits falling; the last scene played
    SCENE_END = 18,              // the demo ends after the first step that sees it
    SCENE_AFTER = 19,
    SCENE_EVENTS = 20,  // scene events of the demo's sync table
};

// Ramp modes: what HandleFading does to fade (fadeevent) or blend
// (blendevent) each step. Any other mode changes nothing.
enum demo_ramp {
    RAMP_FASTRISE = 1,  // +0.01 while below 1
    RAMP_FASTFALL = 2,  // -0.01 while above 0
    RAMP_SLOWRISE = 3,  // +0.003 while below 1
    RAMP_SLOWFALL = 4,  // -0.003 while above 0
    RAMP_FULL = 5,      // straight to 1
};

// Where the overlays stand, top-left corners in pixels: full-screen
// pictures at (0, 0), captions in the middle band, greeting names below
// them, subtitles at the bottom.
enum demo_overlay {
    CAPTION_X = 448,
    CAPTION_Y = 508,  // 1024 x 64
    NAME_X = 448,
    NAME_Y = 824,  // 1024 x 256
    SUBTITLE_X = 768,
    SUBTITLE_Y = 984,  // 384 x 64
    CAPTION_W = 1024,
    CAPTION_H = 64,
    NAME_W = 1024,
    NAME_H = 256,
    SUBTITLE_W = 384,
    SUBTITLE_H = 64,
};
