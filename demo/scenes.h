// The show as rows: its scene events by name, and three tables every part
// of the project reads, so that the show is stated once: the assets (what
// the content tool makes, the data image holds and the demo loads, in the
// order it loads them), the scenes (where the music starts each, what field
// bursts at its start, how the blur and the 3D drawing follow it) and the
// overlay rows (what each scene event draws and does to the ramps, in the
// order it does it). Pure data: the demo, the content tool, the bench and
// the tests link it without the renderer.
//
// Adding a scene: its name in demo_scene (later ones renumber), its row in
// demo_scenes, its overlay rows, and its assets' rows with the content tool's
// makers for them; a new kind of effect is a function of the demo module.
#pragma once

// Scene events, in the order track 0 brings them: the index of demo_scenes.
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

enum {
    DEMO_STARTWINDOW = 59,              // a scene's field bursts while effecttime <= 59
    DEMO_RAMPWINDOW = 31,               // the ramps jump while effecttime <= 31
    DEMO_LASTSCENE = SCENE_CREDITSFADE, // the show ends after the first step past it
};

// The music's grid, from its start: a beat is ten mixer blocks of 1,024
// timing units (129.2 beats a minute), a bar four beats.
enum {
    DEMO_BEATUNITS = 10 * 1024,
    DEMO_BARBEATS = 4,
    DEMO_BARUNITS = DEMO_BARBEATS * DEMO_BEATUNITS,
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

// --- assets ---------------------------------------------------------------------

// Every file of the data image, in the order the demo loads them.
enum demo_asset {
    ASSET_FLOOR,  // the floor mesh
    ASSET_CHAIR,  // the voxel sets
    ASSET_FLOWER,
    ASSET_SHOE,
    ASSET_SKULL,
    ASSET_CAMERA,
    ASSET_MONEY,  // loaded and never shown, as the show always had it
    ASSET_LOGO,   // whole pictures, each a sprite
    ASSET_INTRO1,
    ASSET_INTRO2,
    ASSET_INTRO3,
    ASSET_TITLE,
    ASSET_GREETINGS,
    ASSET_CREDITS,
    ASSET_CLOSING,
    ASSET_SUBTITLES,  // sheets, cut into sprites
    ASSET_NAMES,
    ASSET_FONT,
    ASSET_FLOORTEXTURE,  // textures of the 3D drawing
    ASSET_PARTICLES,
    ASSET_MUSIC,
    ASSETS,
};

enum demo_assetkind {
    KIND_MESH,     // a C3M mesh
    KIND_VOXELS,   // a voxel set: the fields' spawns and the pulse slots
    KIND_SPRITE,   // a picture shown whole
    KIND_SHEET,    // a picture cut into pieces
    KIND_FONT,     // a bitmap font
    KIND_TEXTURE,  // a picture the 3D drawing binds
    KIND_MUSIC,    // the music, the timeline's clock
};

struct s_demoasset {
    const char* file;  // its name in the data image
    demo_assetkind kind;
    int pieces, columns;  // a sheet: pieces read row by row, `columns` a row
    int piecewidth, pieceheight;
    bool linear;  // its texture filtered linearly
    int spacing;  // a font: pixels between letters
};
extern const s_demoasset demo_assets[ASSETS];

// --- scenes ------------------------------------------------------------------------

// How the blur passes follow a scene event (HandleBlurAndBeat).
enum demo_blur {
    BLUR_BURST,    // strong, swaying with the field's age: the intro's objects
    BLUR_TITLE,    // lighter, swaying: the title
    BLUR_BEAT,     // zoom and split on the beat envelope; pulses re-spawn the field
    BLUR_HOLD,     // both kept as the step before left them
    BLUR_CLOSING,  // swaying the other way: from the chair on
};

struct s_scene {
    const char* name;  // what it shows
    int bar;           // the bar of the content tool's music where it begins
    // The field that bursts in its first DEMO_STARTWINDOW timing units: a
    // voxel set and InitParticles' size, growth, ease and mode; -1: the
    // field runs on.
    int field;
    float startsize, scalefactor, ease;
    int mode;
    float eye;      // the eye's height from its start (centerY); 0: unchanged
    demo_blur blur;
    bool drawn;     // the field (and the floor) drawn in 3D at all
    bool floor;     // the floor and the field's mirror images under it
    int fieldfor;   // timing units the field is drawn for; -1: all along
};
extern const s_scene demo_scenes[SCENE_EVENTS];
// The row of scene event `scene`: the table's own, or past its end (a sync
// table with more events) the last one's.
const s_scene& SceneRow(int scene);

// --- overlay rows --------------------------------------------------------------------

// When a row acts: always, while t <= its time, or once t > its time.
enum demo_when {
    WHEN_ALWAYS,
    WHEN_UPTO,
    WHEN_AFTER,
};

enum demo_action {
    ACT_DRAW,         // the sprite at (x, y)
    ACT_DRAWFADED,    // the sprite at (x, y) with the opacity blend has now
    ACT_FADEMODE,     // fadeevent = value
    ACT_BLENDMODE,    // blendevent = value
    ACT_FADE,         // fade = value
    ACT_BLEND,        // blend = value
    ACT_BLENDFLOOR,   // blend no lower than value
    ACT_FADEUP,       // fade + value while below 1
    ACT_BLENDUP,      // blend + value while below 1
    ACT_GREETNAME,    // a pulse names the greeting; the name (1 to 16) at (x, y)
};

struct s_overlayrow {
    int first, last;  // the scene events it acts in
    demo_when when;
    int t;            // the timing units of `when`
    demo_action action;
    int asset, piece;  // what it draws: a picture, or a sheet's piece
    int x, y;
    double value;      // a mode, a value, a step (formed in double, as the ramps are)
};
extern const s_overlayrow demo_overlays[];
extern const int demo_numoverlays;
// Whether a row acts in scene event `scene` at effect time t.
bool OverlayActs(const s_overlayrow& row, int scene, int t);
