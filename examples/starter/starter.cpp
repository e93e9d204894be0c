// A first demo on the MOX engine: one scene, a field of glowing squares
// that bursts on every beat of its music, under a title that fades in, over
// a short generated tune; it ends when its sync table says so, or on Escape.
//
// The engine supplies main: it opens the window and runs this coremain on
// the demo thread. The show steps 60 times a second on the engine's grid
// (MOX_SetStepRate), so a slow machine shows it with fewer frames and its
// capture program shows every step; a rehearsed step (MOX_rehearsing)
// moves everything and draws nothing. Its data: starter.dat (title.tga,
// music.wav) and timing.dat (track 0: the scene at 0 and the end; track 1:
// the beats), in the working directory.
#include <cmath>

#include "engine/platform/moxgl.h"  // the GL calls of the field

#include "core/corefile.h"
#include "core/corerand.h"
#include "demo/demotiming.h"
#include "engine/image/coresprite.h"
#include "engine/platform/coreinput.h"
#include "engine/video/mox.h"
#include "sound/coresound.h"

namespace {

enum {
    WIDTH = 1280,
    HEIGHT = 720,
    DOTS = 3000,
    BEATLENGTH = 1024,  // timing units a beat pulse lasts: one mixed block
};

struct dot {
    float x, y, z, vx, vy, vz, r, g, b;
};

s_sound music;
s_sprite title;
dot dots[DOTS];
float turn = 0;   // the field's yaw, degrees
float glow = 0;   // brightness of the field, 1 at a burst
int lastbeat = 0;

float random1() { return float(MOX_rand() % 2001 - 1000) / 1000.0f; }

// Every dot from the centre, outward in a random direction, in the beat's colour.
void burst(int beat)
{
    const float hue = float(beat % 6) / 6.0f;
    for (dot& d : dots) {
        d.x = d.y = d.z = 0;
        // A direction on the sphere, a speed of its own.
        float x = random1(), y = random1(), z = random1(), l = std::sqrt(x * x + y * y + z * z);
        if (l < 0.001f) x = 1, l = 1;
        const float speed = (0.08f + 0.08f * (random1() + 1) / 2) / l;
        d.vx = x * speed, d.vy = y * speed, d.vz = z * speed;
        d.r = 0.2f + 0.2f * std::sin(6.2832f * hue), d.g = 0.2f + 0.2f * std::sin(6.2832f * (hue + 0.33f));
        d.b = 0.2f + 0.2f * std::sin(6.2832f * (hue + 0.67f));
    }
    glow = 1;
}

void move()
{
    for (dot& d : dots) {
        d.x += d.vx, d.y += d.vy, d.z += d.vz;
        d.vx *= 0.95f, d.vy *= 0.95f, d.vz *= 0.95f;
    }
    turn += 0.4f;
    glow = glow > 0.3f ? glow - 0.01f : glow;
}

// The field: one draw of additive squares facing the eye.
void drawfield()
{
    MOX_Disable2D();  // the renderer knows the projection is 3D again
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    MOX_Perspective(45, float(WIDTH) / HEIGHT, 0.1f, 100);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glTranslatef(0, 0, -7);
    glRotatef(turn, 0, 1, 0);
    MOX_BindTexture(mox_whitetexture_id);
    glDisable(GL_DEPTH_TEST);
    glEnable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_ONE);
    const float s = 0.04f, a = std::cos(turn * 3.14159265f / 180), b = std::sin(turn * 3.14159265f / 180);
    glBegin(GL_QUADS);
    for (const dot& d : dots) {
        glColor3f(d.r * glow, d.g * glow, d.b * glow);
        // Turned back by the yaw, so each square faces the eye.
        glVertex3f(d.x - s * a, d.y - s, d.z - s * b);
        glVertex3f(d.x + s * a, d.y - s, d.z + s * b);
        glVertex3f(d.x + s * a, d.y + s, d.z + s * b);
        glVertex3f(d.x - s * a, d.y + s, d.z - s * b);
    }
    glEnd();
    glDisable(GL_BLEND);
    glColor3f(1, 1, 1);
}

}  // namespace

int coremain(int, char**)
{
    MOX_srand(4711);
    corefile_mountimage("starter.dat", 0);
    MOX_SetTitle("MOX starter");
    MOX_InitVideo(WIDTH, HEIGHT, 0);
    MOX_LoadSprite("title.tga", &title);
    Soundsystem_Init(44100, 16, 2);
    Soundsystem_LoadSound("music.wav", &music);
    InitTiming();
    LoadTiming("timing.dat");

    Soundsystem_PlaySound(&music, 0);
    MOX_SetStepRate(60);
    float fade = 0;
    int held = 0, pressed = 0, scene = 0;
    do {
        MOX_WaitRefresh();
        scene = GetTimingEvent(music, 0);
        const int beat = GetTimingPulse(music, 1, BEATLENGTH);
        if (beat > 0 && beat != lastbeat) burst(beat);
        if (beat > 0) lastbeat = beat;
        if (fade < 1) fade = fade + 0.02f;

        if (!MOX_rehearsing) {
            MOX_ClearFrameBuffer(int(0xFF100000u));
            drawfield();
            MOX_Enable2D();
            MOX_DrawAlphaSprite((WIDTH - title.width) / 2, HEIGHT - title.height - 60, title, fade);
        }
        MOX_GetKeys(&held, &pressed);
        MOX_SwapBuffers();
        move();
    } while (!(held & 0x8000) && scene < 1);  // scene event 1 of track 0 ends the show
    return 0;
}
