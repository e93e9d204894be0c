// The scene timeline: the module's timeline globals and assets, and the
// frame loop's scene-table steps. Every frame derives what it shows from
// three values (demostate, effecttime, eventpulse) and two ramps (fade,
// blend) whose modes the rows set and HandleFading applies afterwards.
//
// Scene starts and pulses are windows of a few timing units, far shorter
// than a frame; they are met because the music's position moves a whole
// mixed block (1,024 units) at a time, so every frame of the block in which
// an event begins sees the same small effecttime. Formulas are evaluated in
// double and stored as floats.
#include "engine/platform/moxgl.h"

#include <cmath>
#include <cstdio>
#include <string>

#include "core/corefile.h"
#include "demo/demotiming.h"
#include "demo/helpers.h"
#include "demo/main.h"
#include "demo/scenes.h"
#include "engine/video/mox.h"

// --- timeline ------------------------------------------------------------------

int demostate = 0;
int effecttime = 0;
int eventpulse = 0;
int greetname = 0;  // never reset: a return to scenes 8..11 shows the last name
float currentframe = 0;
float framestep = 0;
float beatmultiplyer = 1;
int exitgame = 0;
float blurzoom = 0.5f;
float blurrgb = 0.5f;

// --- assets ------------------------------------------------------------------

float* chair_voxeldata = nullptr;
int chair_numvoxels = 0;
float* flower_voxeldata = nullptr;
int flower_numvoxels = 0;
float* shoe_voxeldata = nullptr;
int shoe_numvoxels = 0;
float* skull_voxeldata = nullptr;
int skull_numvoxels = 0;
float* camera_voxeldata = nullptr;
int camera_numvoxels = 0;
float* money_voxeldata = nullptr;
int money_numvoxels = 0;

s_bitmap bmp_floor;
s_bitmap bmp_cubetexture;
s_bitmap bmp_subtitle;
s_bitmap bmp_greetings;
s_sprite spr_veldrix;
s_sprite spr_intro[3];
s_sprite spr_title;
s_sprite spr_greetings;
s_sprite spr_credits;
s_sprite spr_allover;
s_sprite spr_subtitle[6];
s_sprite spr_name[16];
s_font myfont;
s_sound snd_demomusic;

// --- the scene table ---------------------------------------------------------------

void PrepareScene(int scene)
{
    if (MOX_rehearsing) return;
    MOX_SetFrameBuffer(scene);
    MOX_Disable2D();  // changes nothing: the frame buffer has just marked the projection 3D
    glEnable(GL_DEPTH_TEST);
    glClearDepth(10000000.0);  // clamped to 1
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    // Aspect 1.33 on the 16:9 buffer: the picture is wider than it is drawn,
    // part of the demo's look.
    MOX_ViewPort(960, 540, 1.33f, 45, 0.001f, 1000);
    glMatrixMode(GL_MODELVIEW);
    glColor3f(1, 1, 1);
}

void HandleSceneStart()
{
    if (effecttime > DEMO_STARTWINDOW) return;
    switch (demostate) {
    case SCENE_CAMERA: InitParticles(camera_voxeldata, camera_numvoxels, 0.1f, 0.03f, 0.8f, 3); break;
    case SCENE_SHOE: InitParticles(shoe_voxeldata, shoe_numvoxels, 0.2f, 0.01f, 0.7f, 2); break;
    case SCENE_SKULL: InitParticles(skull_voxeldata, skull_numvoxels, 0.1f, 0.04f, 0.4f, 3); break;
    case SCENE_FLOWER: InitParticles(flower_voxeldata, flower_numvoxels, 0.1f, 0.02f, 0.1f, 2); break;
    case SCENE_TITLE:
        InitParticles(skull_voxeldata, skull_numvoxels, 0.2f, 0.02f, 0.8f, 0);
        centerY = 4;  // down to the floor
        break;
    case SCENE_CHAIR: InitParticles(chair_voxeldata, chair_numvoxels, 0.5f, 0.03f, 0.4f, 0); break;
    default: break;
    }
}

void HandleBlurAndBeat()
{
    if (demostate > SCENE_TITLEHOLD && demostate <= SCENE_LASTNAMES) {
        blurzoom = blurrgb = float(beatmultiplyer * 0.5);
        // Every frame of a pulse spawns again from its slot.
        if (eventpulse > 0) {
            const int k = eventpulse % DEMO_PULSESLOTS;
            InitParticles(pulse_voxeldata[k], pulse_numvoxels[k], pulse_startsize[k], pulse_scale[k], 0.8f, 0);
        }
    }
    if (demostate <= SCENE_TITLEHOLD) {
        blurzoom = float(std::sin(explosionCount * 0.001) * 0.1 + 0.6);
        blurrgb = 0.5f;
        if (demostate <= SCENE_FLOWER) {
            blurzoom = float(std::sin(explosionCount * 0.001) * 0.5 + 1);
            blurrgb = 1;
        }
    }
    if (demostate > SCENE_GREETINGS) {
        blurzoom = float(std::cos(explosionCount * 0.001) * 0.2 + 0.8);
        blurrgb = 0.5f;
    }
    // Scene event 11 keeps the values the frame before left.
}

void DrawScene()
{
    if (demostate > SCENE_FIELDFADE) return;
    if (!(demostate == SCENE_TITLEHOLD && effecttime > 54999)) DrawParticles();
    if (MOX_rehearsing) return;  // the particles have moved; the rest only draws
    glColor3f(1, 1, 1);
    if (demostate > SCENE_FLOWER) {
        MOX_BindTextureFromBitmap(bmp_floor);
        glBlendFunc(GL_ONE, GL_ONE_MINUS_SRC_COLOR);
        glEnable(GL_BLEND);
        HandleCameraStill();
        glScalef(4, 1, 4);
        mesh_floor.Draw();
        glDisable(GL_BLEND);
    }
}

// A rehearsed step makes the rows' changes to the ramps and draws nothing.
static void draw(int x, int y, s_sprite s)
{
    if (!MOX_rehearsing) MOX_DrawSprite(x, y, s);
}
static void drawfaded(int x, int y, s_sprite s)
{
    if (!MOX_rehearsing) MOX_DrawAlphaSprite(x, y, s, blend);
}
static void drawsubtitle(int i) { draw(SUBTITLE_X, SUBTITLE_Y, spr_subtitle[i]); }
static float plus(float v, double step) { return float(v + step); }

void DrawOverlays()
{
    const int t = effecttime;
    const bool rampwindow = t <= DEMO_RAMPWINDOW;

    if (demostate == SCENE_LOGO) {
        blendevent = RAMP_SLOWRISE;
        drawfaded(0, 0, spr_veldrix);
    }
    if (demostate == SCENE_LOGOSUBTITLE) {
        blendevent = RAMP_FASTRISE;
        drawfaded(0, 0, spr_veldrix);
        drawsubtitle(0);
        if (t > 10000) fadeevent = RAMP_SLOWFALL;
    }
    // The intro: each scene starts at full brightness, captions 1..3 in
    // scene events 2, 4 and 5, and falls slowly towards its end.
    if (demostate == SCENE_CAMERA) {
        if (rampwindow) fade = blend = 1;
        if (t <= 31999) drawfaded(CAPTION_X, CAPTION_Y, spr_intro[0]);
        if (t > 20000) fadeevent = RAMP_SLOWFALL;
    }
    if (demostate == SCENE_SHOE) {
        if (rampwindow) fade = 1;
        if (t > 20000) fadeevent = RAMP_SLOWFALL;
    }
    if (demostate == SCENE_SKULL) {
        if (rampwindow) fade = blend = 1;
        if (t <= 31999) drawfaded(CAPTION_X, CAPTION_Y, spr_intro[1]);
        drawsubtitle(2);
        if (t > 20000) fadeevent = RAMP_SLOWFALL;
    }
    if (demostate == SCENE_FLOWER) {
        if (rampwindow) fade = blend = 1;
        if (t <= 31999) drawfaded(CAPTION_X, CAPTION_Y, spr_intro[2]);
        if (t > 20000) fadeevent = RAMP_SLOWFALL;
    }
    if (demostate == SCENE_TITLE) {
        fadeevent = RAMP_FASTRISE;
        blendevent = RAMP_FASTRISE;
        drawfaded(0, 0, spr_title);
        if (t > 8000) {
            drawsubtitle(1);
            blendevent = RAMP_SLOWFALL;
        }
    }
    if (demostate == SCENE_TITLEHOLD) {
        if (rampwindow) fade = 1;
        if (blend < 0) blend = 0;
        drawfaded(0, 0, spr_title);
        drawsubtitle(1);
        fadeevent = RAMP_SLOWFALL;
        if (t > 33000) fadeevent = RAMP_FASTFALL;
    }
    // The greeting names: one per track-1 pulse, held until the next.
    if (demostate >= SCENE_NAMES && demostate <= SCENE_GREETINGS) {
        fadeevent = RAMP_FASTRISE;
        blendevent = RAMP_FASTRISE;
        if (demostate == SCENE_NAMES) {
            if (fade < 1) fade = plus(fade, 0.1);
            if (blend < 1) blend = plus(blend, 0.1);
        }
        if (eventpulse > 0) greetname = eventpulse;
        if (greetname >= 1 && greetname <= 16) draw(NAME_X, NAME_Y, spr_name[greetname - 1]);
    }
    if (demostate == SCENE_GREETINGS) {
        draw(0, 0, spr_greetings);
        drawsubtitle(3);
        if (rampwindow) fade = blend = 1;
        if (t > 2000) {
            blendevent = RAMP_FASTFALL;
            fadeevent = RAMP_FASTFALL;
        }
    }
    if (demostate == SCENE_CHAIR) {
        blendevent = RAMP_FASTRISE;
        fadeevent = RAMP_FASTRISE;
    }
    if (demostate == SCENE_CLOSING) {
        if (rampwindow) fade = 1;
        draw(0, 0, spr_allover);
        if (t > 8000) drawsubtitle(5);
    }
    if (demostate == SCENE_CLOSINGSUBTITLE) {
        drawsubtitle(5);
        blendevent = RAMP_SLOWFALL;
        fadeevent = RAMP_SLOWFALL;
    }
    if (demostate == SCENE_FIELDFADE) {
        blendevent = RAMP_SLOWFALL;
        fadeevent = RAMP_SLOWFALL;
        if (t > 8000) {
            blendevent = RAMP_FASTFALL;
            fadeevent = RAMP_FASTFALL;
        }
    }
    if (demostate == SCENE_CREDITS) {
        if (rampwindow) {
            fade = 0;
            blend = 1;
        }
        fadeevent = RAMP_FASTRISE;
        draw(0, 0, spr_credits);
        if (t > 8000) drawsubtitle(4);
    }
    if (demostate == SCENE_CREDITSFADE) {
        draw(0, 0, spr_credits);
        fadeevent = RAMP_SLOWFALL;
    }
    if (demostate == SCENE_END) fadeevent = RAMP_SLOWFALL;
    if (demostate == SCENE_AFTER) fade = blend = 0;
}

// --- what did not load -------------------------------------------------------------

int64_t LastMusicUnit()
{
    if (!snd_demomusic.data || snd_demomusic.length == 0) return -1;
    return int64_t((uint64_t(snd_demomusic.length) * 256 - 1) >> 10);
}

int ReportMissingAssets()
{
    struct asset {
        const char* name;
        bool missing;
    };
    const asset assets[] = {
        {"floor.c3m", mesh_floor.numverts == 0 || mesh_floor.facegroups == 0},
        {"chair.vxl", chair_numvoxels == 0},
        {"flower.vxl", flower_numvoxels == 0},
        {"shoe.vxl", shoe_numvoxels == 0},
        {"skull.vxl", skull_numvoxels == 0},
        {"camera.vxl", camera_numvoxels == 0},
        {"money.vxl", money_numvoxels == 0},
        {"veldrix.tga", spr_veldrix.texture == 0 || spr_veldrix.width <= 0},
        {"intro1.tga", spr_intro[0].texture == 0 || spr_intro[0].width <= 0},
        {"intro2.tga", spr_intro[1].texture == 0 || spr_intro[1].width <= 0},
        {"intro3.tga", spr_intro[2].texture == 0 || spr_intro[2].width <= 0},
        {"title2.tga", spr_title.texture == 0 || spr_title.width <= 0},
        {"greetings.tga", spr_greetings.texture == 0 || spr_greetings.width <= 0},
        {"credits.tga", spr_credits.texture == 0 || spr_credits.width <= 0},
        {"allover.tga", spr_allover.texture == 0 || spr_allover.width <= 0},
        {"subs.tga", !bmp_subtitle.pixels},
        {"names.tga", !bmp_greetings.pixels},
        {"font_heatbig.tga", myfont.numletters == 0},
        {"ground1.tga", !bmp_floor.pixels},
        {"splats2.tga", !bmp_cubetexture.pixels},
        {"music.wav", !snd_demomusic.data || snd_demomusic.length == 0},
    };
    int lines = 0;
    std::string missing;
    for (const asset& a : assets)
        if (a.missing) missing += std::string(missing.empty() ? "" : ", ") + a.name;
    if (corefile_image.numfiles == 0) {
        puts("orlem: orlem.dat could not be read: every picture, object, the floor and the music are missing");
        lines++;
    } else if (!missing.empty()) {
        printf("orlem: missing or damaged in the data image: %s\n", missing.c_str());
        lines++;
    }
    if (!snd_demomusic.data || snd_demomusic.length == 0) {
        if (const char* why = Soundsystem_WAVProblem("music.wav")) {
            printf("orlem: %s; %s\n", why, Soundsystem_WAVRemedy());
            lines++;
        }
        puts("orlem: no music: the timeline stays at scene event 0 for ever; Escape ends the demo");
        lines++;
        return lines;
    }
    bool ends = false;
    for (int i = DEMO_LASTSCENE + 1; i < demotiming_numevents[0]; i++)
        if (demotiming_event[0][i] <= LastMusicUnit()) ends = true;
    if (!ends) {
        printf(
            "orlem: the sync table never reaches scene event %d while the music plays: "
            "the demo plays until Escape\n",
            DEMO_LASTSCENE + 1);
        lines++;
    }
    return lines;
}
