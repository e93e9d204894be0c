// The demo's pictures, drawn from code: overlays, sheets, the font, the floor
// texture and the particle sprites. Each function returns straight-alpha
// pixels; main decides how each is encoded. Single-threaded tool code.
#pragma once
#include "image.h"

// Overlays (blended: 32-bit alpha)
content_image DrawLogo();               // "veldrix.tga", 1920 x 1080
content_image DrawIntroCaption(int n);  // "intro1.tga".."intro3.tga", 1024 x 64, n = 1..3
content_image DrawTitle();              // "title2.tga", 1920 x 1080

// Screens and sheets (drawn unblended: keyed 24-bit)
content_image DrawGreetingsScreen();  // "greetings.tga", 1920 x 1080
content_image DrawCreditsScreen();    // "credits.tga", 1920 x 1080
content_image DrawClosingScreen();    // "allover.tga", 1920 x 1080
content_image DrawSubtitleSheet();    // "subs.tga", six 384 x 64 strips stacked
content_image DrawNamesSheet();       // "names.tga", 2048 x 2048, sixteen 1024 x 256 names

// The bitmap font: marker row on top, letters from space to '|'.
content_image DrawFontSheet();         // "font_heatbig.tga"
constexpr int FONTSHEET_MARKERS = 92;  // one per letter from '!' to '|'

// Textures, computed per pixel
content_image DrawFloorTexture();     // "ground1.tga", 1024 x 1024
content_image DrawParticleSprites();  // "splats2.tga", four 64 x 64 sprites stacked

// The invented names on the pictures.
extern const char* const greeting_names[16];
