// The show's tables (demo/scenes.h): its assets, its scenes and the overlay
// rows. Everything the show contains is here; what the rows mean is the
// demo module's (scenes.cpp walks them).
#include "demo/scenes.h"

#include <climits>

// In the order the demo loads them. Sheets: the six subtitles are strips of
// 384 x 64 stacked from the top; the sixteen names two columns of eight of
// 1024 x 256, read left then right, row by row.
const s_demoasset demo_assets[ASSETS] = {
    {"floor.c3m", KIND_MESH, 0, 0, 0, 0, false, 0},
    {"chair.vxl", KIND_VOXELS, 0, 0, 0, 0, false, 0},
    {"flower.vxl", KIND_VOXELS, 0, 0, 0, 0, false, 0},
    {"shoe.vxl", KIND_VOXELS, 0, 0, 0, 0, false, 0},
    {"skull.vxl", KIND_VOXELS, 0, 0, 0, 0, false, 0},
    {"camera.vxl", KIND_VOXELS, 0, 0, 0, 0, false, 0},
    {"money.vxl", KIND_VOXELS, 0, 0, 0, 0, false, 0},
    {"veldrix.tga", KIND_SPRITE, 0, 0, 0, 0, false, 0},
    {"intro1.tga", KIND_SPRITE, 0, 0, 0, 0, false, 0},
    {"intro2.tga", KIND_SPRITE, 0, 0, 0, 0, false, 0},
    {"intro3.tga", KIND_SPRITE, 0, 0, 0, 0, false, 0},
    {"title2.tga", KIND_SPRITE, 0, 0, 0, 0, false, 0},
    {"greetings.tga", KIND_SPRITE, 0, 0, 0, 0, false, 0},
    {"credits.tga", KIND_SPRITE, 0, 0, 0, 0, false, 0},
    {"allover.tga", KIND_SPRITE, 0, 0, 0, 0, false, 0},
    {"subs.tga", KIND_SHEET, 6, 1, SUBTITLE_W, SUBTITLE_H, false, 0},
    {"names.tga", KIND_SHEET, 16, 2, NAME_W, NAME_H, true, 0},
    {"font_heatbig.tga", KIND_FONT, 0, 0, 0, 0, false, -6},
    {"ground1.tga", KIND_TEXTURE, 0, 0, 0, 0, true, 0},
    {"splats2.tga", KIND_TEXTURE, 0, 0, 0, 0, true, 0},
    {"music.wav", KIND_MUSIC, 0, 0, 0, 0, false, 0},
};

// Rows: name, bar, field (its voxel set, size, growth, ease, mode), the
// eye's height, blur, 3D drawn, floor, how long the field is drawn.
const s_scene demo_scenes[SCENE_EVENTS] = {
    {"logo fading in", 0, -1, 0, 0, 0, 0, 0, BLUR_BURST, true, false, -1},
    {"logo, first subtitle", 4, -1, 0, 0, 0, 0, 0, BLUR_BURST, true, false, -1},
    {"camera, first caption", 8, ASSET_CAMERA, 0.1f, 0.03f, 0.8f, 3, 0, BLUR_BURST, true, false, -1},
    {"shoe", 12, ASSET_SHOE, 0.2f, 0.01f, 0.7f, 2, 0, BLUR_BURST, true, false, -1},
    {"skull, second caption", 16, ASSET_SKULL, 0.1f, 0.04f, 0.4f, 3, 0, BLUR_BURST, true, false, -1},
    {"flower, third caption", 20, ASSET_FLOWER, 0.1f, 0.02f, 0.1f, 2, 0, BLUR_BURST, true, false, -1},
    {"title over the floor", 24, ASSET_SKULL, 0.2f, 0.02f, 0.8f, 0, 4, BLUR_TITLE, true, true, -1},
    {"title holds, then black", 28, -1, 0, 0, 0, 0, 0, BLUR_TITLE, true, true, 54999},
    {"greeting names 1 to 4", 30, -1, 0, 0, 0, 0, 0, BLUR_BEAT, true, true, -1},
    {"greeting names 5 to 10", 34, -1, 0, 0, 0, 0, 0, BLUR_BEAT, true, true, -1},
    {"greeting names 11 to 16", 40, -1, 0, 0, 0, 0, 0, BLUR_BEAT, true, true, -1},
    {"greetings screen", 46, -1, 0, 0, 0, 0, 0, BLUR_HOLD, true, true, -1},
    {"chair field", 48, ASSET_CHAIR, 0.5f, 0.03f, 0.4f, 0, 0, BLUR_CLOSING, true, true, -1},
    {"closing screen", 52, -1, 0, 0, 0, 0, 0, BLUR_CLOSING, true, true, -1},
    {"closing subtitle, slow fade", 56, -1, 0, 0, 0, 0, 0, BLUR_CLOSING, true, true, -1},
    {"field alone, fading out", 58, -1, 0, 0, 0, 0, 0, BLUR_CLOSING, true, true, -1},
    {"credits rising from black", 60, -1, 0, 0, 0, 0, 0, BLUR_CLOSING, false, true, -1},
    {"credits fading", 64, -1, 0, 0, 0, 0, 0, BLUR_CLOSING, false, true, -1},
    {"the end", 67, -1, 0, 0, 0, 0, 0, BLUR_CLOSING, false, true, -1},
    {"after the end", 68, -1, 0, 0, 0, 0, 0, BLUR_CLOSING, false, true, -1},
};

const s_scene& SceneRow(int scene)
{
    if (scene < 0) scene = 0;
    return demo_scenes[scene < SCENE_EVENTS ? scene : SCENE_EVENTS - 1];
}

// Each scene event's rows, in the order they act; a row over several
// scene events acts before the rows of the last of them.
#define EVERY(s) s, s, WHEN_ALWAYS, 0
#define UPTO(s, t) s, s, WHEN_UPTO, t
#define AFTER(s, t) s, s, WHEN_AFTER, t
#define NOTHING -1, 0, 0, 0
const s_overlayrow demo_overlays[] = {
    {EVERY(SCENE_LOGO), ACT_BLENDMODE, NOTHING, RAMP_SLOWRISE},
    {EVERY(SCENE_LOGO), ACT_DRAWFADED, ASSET_LOGO, 0, 0, 0, 0},

    {EVERY(SCENE_LOGOSUBTITLE), ACT_BLENDMODE, NOTHING, RAMP_FASTRISE},
    {EVERY(SCENE_LOGOSUBTITLE), ACT_DRAWFADED, ASSET_LOGO, 0, 0, 0, 0},
    {EVERY(SCENE_LOGOSUBTITLE), ACT_DRAW, ASSET_SUBTITLES, 0, SUBTITLE_X, SUBTITLE_Y, 0},
    {AFTER(SCENE_LOGOSUBTITLE, 10000), ACT_FADEMODE, NOTHING, RAMP_SLOWFALL},

    // The intro: each object starts at full brightness, captions 1 to 3
    // in scene events 2, 4 and 5, and falls slowly towards its end.
    {UPTO(SCENE_CAMERA, DEMO_RAMPWINDOW), ACT_FADE, NOTHING, 1},
    {UPTO(SCENE_CAMERA, DEMO_RAMPWINDOW), ACT_BLEND, NOTHING, 1},
    {UPTO(SCENE_CAMERA, 31999), ACT_DRAWFADED, ASSET_INTRO1, 0, CAPTION_X, CAPTION_Y, 0},
    {AFTER(SCENE_CAMERA, 20000), ACT_FADEMODE, NOTHING, RAMP_SLOWFALL},

    {UPTO(SCENE_SHOE, DEMO_RAMPWINDOW), ACT_FADE, NOTHING, 1},
    {AFTER(SCENE_SHOE, 20000), ACT_FADEMODE, NOTHING, RAMP_SLOWFALL},

    {UPTO(SCENE_SKULL, DEMO_RAMPWINDOW), ACT_FADE, NOTHING, 1},
    {UPTO(SCENE_SKULL, DEMO_RAMPWINDOW), ACT_BLEND, NOTHING, 1},
    {UPTO(SCENE_SKULL, 31999), ACT_DRAWFADED, ASSET_INTRO2, 0, CAPTION_X, CAPTION_Y, 0},
    {EVERY(SCENE_SKULL), ACT_DRAW, ASSET_SUBTITLES, 2, SUBTITLE_X, SUBTITLE_Y, 0},
    {AFTER(SCENE_SKULL, 20000), ACT_FADEMODE, NOTHING, RAMP_SLOWFALL},

    {UPTO(SCENE_FLOWER, DEMO_RAMPWINDOW), ACT_FADE, NOTHING, 1},
    {UPTO(SCENE_FLOWER, DEMO_RAMPWINDOW), ACT_BLEND, NOTHING, 1},
    {UPTO(SCENE_FLOWER, 31999), ACT_DRAWFADED, ASSET_INTRO3, 0, CAPTION_X, CAPTION_Y, 0},
    {AFTER(SCENE_FLOWER, 20000), ACT_FADEMODE, NOTHING, RAMP_SLOWFALL},

    {EVERY(SCENE_TITLE), ACT_FADEMODE, NOTHING, RAMP_FASTRISE},
    {EVERY(SCENE_TITLE), ACT_BLENDMODE, NOTHING, RAMP_FASTRISE},
    {EVERY(SCENE_TITLE), ACT_DRAWFADED, ASSET_TITLE, 0, 0, 0, 0},
    {AFTER(SCENE_TITLE, 8000), ACT_DRAW, ASSET_SUBTITLES, 1, SUBTITLE_X, SUBTITLE_Y, 0},
    {AFTER(SCENE_TITLE, 8000), ACT_BLENDMODE, NOTHING, RAMP_SLOWFALL},

    {UPTO(SCENE_TITLEHOLD, DEMO_RAMPWINDOW), ACT_FADE, NOTHING, 1},
    {EVERY(SCENE_TITLEHOLD), ACT_BLENDFLOOR, NOTHING, 0},
    {EVERY(SCENE_TITLEHOLD), ACT_DRAWFADED, ASSET_TITLE, 0, 0, 0, 0},
    {EVERY(SCENE_TITLEHOLD), ACT_DRAW, ASSET_SUBTITLES, 1, SUBTITLE_X, SUBTITLE_Y, 0},
    {EVERY(SCENE_TITLEHOLD), ACT_FADEMODE, NOTHING, RAMP_SLOWFALL},
    {AFTER(SCENE_TITLEHOLD, 33000), ACT_FADEMODE, NOTHING, RAMP_FASTFALL},

    // The greeting names: one per track-1 pulse, held until the next.
    {SCENE_NAMES, SCENE_GREETINGS, WHEN_ALWAYS, 0, ACT_FADEMODE, NOTHING, RAMP_FASTRISE},
    {SCENE_NAMES, SCENE_GREETINGS, WHEN_ALWAYS, 0, ACT_BLENDMODE, NOTHING, RAMP_FASTRISE},
    {EVERY(SCENE_NAMES), ACT_FADEUP, NOTHING, 0.1},
    {EVERY(SCENE_NAMES), ACT_BLENDUP, NOTHING, 0.1},
    {SCENE_NAMES, SCENE_GREETINGS, WHEN_ALWAYS, 0, ACT_GREETNAME, ASSET_NAMES, 0, NAME_X, NAME_Y, 0},

    {EVERY(SCENE_GREETINGS), ACT_DRAW, ASSET_GREETINGS, 0, 0, 0, 0},
    {EVERY(SCENE_GREETINGS), ACT_DRAW, ASSET_SUBTITLES, 3, SUBTITLE_X, SUBTITLE_Y, 0},
    {UPTO(SCENE_GREETINGS, DEMO_RAMPWINDOW), ACT_FADE, NOTHING, 1},
    {UPTO(SCENE_GREETINGS, DEMO_RAMPWINDOW), ACT_BLEND, NOTHING, 1},
    {AFTER(SCENE_GREETINGS, 2000), ACT_BLENDMODE, NOTHING, RAMP_FASTFALL},
    {AFTER(SCENE_GREETINGS, 2000), ACT_FADEMODE, NOTHING, RAMP_FASTFALL},

    {EVERY(SCENE_CHAIR), ACT_BLENDMODE, NOTHING, RAMP_FASTRISE},
    {EVERY(SCENE_CHAIR), ACT_FADEMODE, NOTHING, RAMP_FASTRISE},

    {UPTO(SCENE_CLOSING, DEMO_RAMPWINDOW), ACT_FADE, NOTHING, 1},
    {EVERY(SCENE_CLOSING), ACT_DRAW, ASSET_CLOSING, 0, 0, 0, 0},
    {AFTER(SCENE_CLOSING, 8000), ACT_DRAW, ASSET_SUBTITLES, 5, SUBTITLE_X, SUBTITLE_Y, 0},

    {EVERY(SCENE_CLOSINGSUBTITLE), ACT_DRAW, ASSET_SUBTITLES, 5, SUBTITLE_X, SUBTITLE_Y, 0},
    {EVERY(SCENE_CLOSINGSUBTITLE), ACT_BLENDMODE, NOTHING, RAMP_SLOWFALL},
    {EVERY(SCENE_CLOSINGSUBTITLE), ACT_FADEMODE, NOTHING, RAMP_SLOWFALL},

    {EVERY(SCENE_FIELDFADE), ACT_BLENDMODE, NOTHING, RAMP_SLOWFALL},
    {EVERY(SCENE_FIELDFADE), ACT_FADEMODE, NOTHING, RAMP_SLOWFALL},
    {AFTER(SCENE_FIELDFADE, 8000), ACT_BLENDMODE, NOTHING, RAMP_FASTFALL},
    {AFTER(SCENE_FIELDFADE, 8000), ACT_FADEMODE, NOTHING, RAMP_FASTFALL},

    {UPTO(SCENE_CREDITS, DEMO_RAMPWINDOW), ACT_FADE, NOTHING, 0},
    {UPTO(SCENE_CREDITS, DEMO_RAMPWINDOW), ACT_BLEND, NOTHING, 1},
    {EVERY(SCENE_CREDITS), ACT_FADEMODE, NOTHING, RAMP_FASTRISE},
    {EVERY(SCENE_CREDITS), ACT_DRAW, ASSET_CREDITS, 0, 0, 0, 0},
    {AFTER(SCENE_CREDITS, 8000), ACT_DRAW, ASSET_SUBTITLES, 4, SUBTITLE_X, SUBTITLE_Y, 0},

    {EVERY(SCENE_CREDITSFADE), ACT_DRAW, ASSET_CREDITS, 0, 0, 0, 0},
    {EVERY(SCENE_CREDITSFADE), ACT_FADEMODE, NOTHING, RAMP_SLOWFALL},

    {EVERY(SCENE_END), ACT_FADEMODE, NOTHING, RAMP_SLOWFALL},

    {EVERY(SCENE_AFTER), ACT_FADE, NOTHING, 0},
    {EVERY(SCENE_AFTER), ACT_BLEND, NOTHING, 0},
};
#undef EVERY
#undef UPTO
#undef AFTER
#undef NOTHING
const int demo_numoverlays = int(sizeof demo_overlays / sizeof demo_overlays[0]);

bool OverlayActs(const s_overlayrow& row, int scene, int t)
{
    if (scene < row.first || scene > row.last) return false;
    if (row.when == WHEN_UPTO) return t <= row.t;
    if (row.when == WHEN_AFTER) return t > row.t;
    return true;
}
