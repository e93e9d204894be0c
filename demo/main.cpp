// "VELDRIX - ORLEM": start-up and the frame loop. The platform layer runs
// coremain on the demo thread and closes the window when it returns.
//
// Start-up loads everything before the music starts, so the loop allocates
// nothing; the loop then follows the music's position through the sync
// table until the first frame past scene event 17, or until Escape is held,
// and writes the sync table back unchanged.
#include "engine/platform/moxgl.h"

#include <cmath>
#include <cstdio>

#include "core/corefile.h"
#include "core/coremem.h"
#include "core/corerand.h"
#include "demo/demotiming.h"
#include "demo/helpers.h"
#include "demo/main.h"
#include "demo/scenes.h"
#include "engine/video/mox.h"

// The viewer's options are the platform layer's and the demo's own (--from,
// --every-frame, declared beside the steps they choose).
static const int orlem_usage =
    mox_setusage("orlem",
                 "Plays VELDRIX - ORLEM from orlem.dat and timing.dat in the working directory.\n"
                 "Full screen at 1920 x 1080 where the display offers that mode; elsewhere full\n"
                 "screen at the desktop's own size, the picture scaled with its shape kept.\n"
                 "Escape ends it.\n");

// A voxel buffer of 32768 voxels and the set's file loaded into it.
static void loadvoxelset(const char* name, float** data, int* count)
{
    *data = static_cast<float*>(_wrap_malloc_dbg(DEMO_VOXELBYTES, __FILE__, __LINE__));
    if (*data) LoadVoxel(name, *data, count);
}

int coremain(int argc, char** argv)
{
    (void)argc;  // the command line is the platform layer's
    (void)argv;

    MOX_srand(13371337);
    corefile_mountimage("orlem.dat", 0);
    MOX_SetTitle("VELDRIX - ORLEM");
    MOX_InitVideo(DEMO_WIDTH, DEMO_HEIGHT, 1);

    const int output = MOX_CreateFrameBuffer(DEMO_WIDTH, DEMO_HEIGHT, 3);
    const int blur = MOX_CreateFrameBuffer(DEMO_WIDTH, DEMO_HEIGHT, 3);
    const int scene = MOX_CreateFrameBuffer(DEMO_WIDTH, DEMO_HEIGHT, 3);
    MOX_SetFrameBuffer(scene);

    zoomblur1_id = MOX_InitShader(vv_default, ff_zoomblur1);
    zoomblur2_id = MOX_InitShader(vv_default, ff_zoomblur2);
    postshader_id = MOX_InitShader(vv_default, ff_post);

    puts("- load mesh");
    mesh_floor.Load("floor.c3m");

    loadvoxelset("chair.vxl", &chair_voxeldata, &chair_numvoxels);
    loadvoxelset("flower.vxl", &flower_voxeldata, &flower_numvoxels);
    loadvoxelset("shoe.vxl", &shoe_voxeldata, &shoe_numvoxels);
    loadvoxelset("skull.vxl", &skull_voxeldata, &skull_numvoxels);
    loadvoxelset("camera.vxl", &camera_voxeldata, &camera_numvoxels);
    loadvoxelset("money.vxl", &money_voxeldata, &money_numvoxels);
    InitPulse();

    MOX_LoadSprite("veldrix.tga", &spr_veldrix);
    MOX_LoadSprite("intro1.tga", &spr_intro[0]);
    MOX_LoadSprite("intro2.tga", &spr_intro[1]);
    MOX_LoadSprite("intro3.tga", &spr_intro[2]);
    MOX_LoadSprite("title2.tga", &spr_title);
    MOX_LoadSprite("greetings.tga", &spr_greetings);
    MOX_LoadSprite("credits.tga", &spr_credits);
    MOX_LoadSprite("allover.tga", &spr_allover);

    MOX_LoadBitmap("subs.tga", &bmp_subtitle);
    for (int i = 0; i < 6; i++) MOX_GetSprite(0, 64 * i, 384, 64, bmp_subtitle, &spr_subtitle[i]);

    MOX_LoadBitmap("names.tga", &bmp_greetings);
    MOX_SetTextureOptions(bmp_greetings.texture, GL_LINEAR, GL_LINEAR, 0, 0);
    for (int i = 0; i < 16; i++) MOX_GetSprite(1024 * (i % 2), 256 * (i / 2), 1024, 256, bmp_greetings, &spr_name[i]);

    MOX_LoadFont("font_heatbig.tga", &myfont);
    MOX_SetFontSpacing(-6, &myfont);

    // Wrap arguments 0 are no wrap mode: only the filters change.
    MOX_LoadBitmap("ground1.tga", &bmp_floor);
    MOX_LoadBitmap("splats2.tga", &bmp_cubetexture);
    MOX_SetTextureOptions(bmp_floor.texture, GL_LINEAR, GL_LINEAR, 0, 0);
    MOX_SetTextureOptions(bmp_cubetexture.texture, GL_LINEAR, GL_LINEAR, 0, 0);

    Soundsystem_Init(44100, 16, 2);
    Soundsystem_LoadSound("music.wav", &snd_demomusic);
    InitTiming();
    LoadTiming("timing.dat");
    ReportMissingAssets();
    // Held across both, so no block of the song is mixed before a demo
    // maker's --from has taken it to the offline output to rehearse on.
    soundsystem_lock();
    Soundsystem_PlaySound(&snd_demomusic, 0);
    StartSteps();
    soundsystem_unlock();

    currentframe = 0;
    beatmultiplyer = 1;
    fade = 0;
    blend = 0;
    fadeevent = RAMP_SLOWRISE;
    blendevent = RAMP_SLOWRISE;
    demostate = SCENE_LOGO;
    exitgame = 0;
    centerY = 8;

    do {
        // 1-3: the tick, where the music is, the beat.
        framestep = MOX_WaitRefresh();
        demostate = GetTimingEvent(snd_demomusic, 0);
        eventpulse = GetTimingPulse(snd_demomusic, 1, DEMO_PULSELENGTH);
        effecttime = GetTimingEffectTime(snd_demomusic, 0);
        HandleBeat();
        if (beatmultiplyer > 1) beatmultiplyer = float(beatmultiplyer - 0.1);

        // 4: the scene buffer, cleared, with the demo's perspective.
        PrepareScene(scene);

        // 5-7: fields at a scene's start, blur and beat fields, 3D drawing.
        HandleSceneStart();
        HandleBlurAndBeat();
        DrawScene();

        // 8-9: the two blur passes into the output buffer, the overlays on it.
        glColor4f(1, 1, 1, 1);
        DoZoomBlur(scene, blur, output, blurzoom, blurrgb);
        MOX_Enable2D();
        DrawOverlays();

        // 10: ramps, Escape, and the frame through the post shader.
        MOX_SetPostShader(postshader_id);
        HandleFading();
        MOX_SetFadeValue(fade);
        HandleInput();
        MOX_SwapBuffers();

        // 11: motion for the next frame.
        currentframe = float(currentframe + framestep);
        camrot = float(camrot + std::sin(currentframe * 0.01) * 0.1 + 0.1);
        centerZ = float(std::sin(currentframe * 0.001) * 2.5 - 12.5);
        explosionCount = float(explosionCount + 0.01);
        if (beatmultiplyer > 1) beatmultiplyer = float(beatmultiplyer - 0.1);
    } while (exitgame == 0 && demostate <= DEMO_LASTSCENE);  // 12

    return SaveTiming("timing.dat");
}
