// The show's start-up and its steps, as coremain runs them: LoadDemo does
// everything before the music starts, StartShow sets the values the frame
// loop starts from, and each pass of the loop is ReadTimeline (the wait,
// the music's position, the beat) and DrawStep (the 3D scene, the blur
// passes, the overlays, the ramps and the present, then the motion for the
// next step). The bench draws steps of its own choosing through DrawStep.
// Demo thread only.
#include "engine/platform/moxgl.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "core/corefile.h"
#include "core/corerand.h"
#include "demo/demo.h"
#include "demo/demotiming.h"
#include "demo/helpers.h"
#include "engine/video/mox.h"

// The working directory when it holds the image (a release folder, the
// build), else the folder an installed package keeps the data in.
static void FindDemoData(const char* image)
{
#ifdef ORLEM_DATADIR
    if (FILE* here = fopen(image, "rb")) {
        fclose(here);
        return;
    }
    const std::string shared = std::string(ORLEM_DATADIR "/") + image;
    if (FILE* there = fopen(shared.c_str(), "rb")) {
        fclose(there);
        snprintf(corefile_pathname, sizeof corefile_pathname, "%s/", ORLEM_DATADIR);
    }
#else
    (void)image;
#endif
}

std::string DemoDataPath(const char* name) { return std::string(corefile_pathname) + name; }

int WriteBackTiming()
{
    const std::string table = DemoDataPath("timing.dat");
#ifdef ORLEM_DATADIR
    // The installed copy belongs to the package, whoever plays it.
    if (corefile_pathname[0]) {
        printf("%s: the sync table could not be written back (an installed copy); the file there is left as it was\n",
               table.c_str());
        return 0;
    }
#endif
    return SaveTiming(table.c_str());
}

// Everything the show changes as it plays, as LoadDemo leaves it: what a
// restart puts back before StartShow sets the rest.
namespace {
struct s_showstart {
    unsigned int random;
    int demostate, effecttime, eventpulse, greetname, exitgame, fadeevent, blendevent, numparticles, laststate;
    float currentframe, framestep, beatmultiplyer, blurzoom, blurrgb, fade, blend, particle_startsize,
        particle_scalefactor, explosionCount, camrot, centerX, centerY, centerZ, focus;
    float pulse_startsize[DEMO_PULSESLOTS], pulse_scale[DEMO_PULSESLOTS];
    c_particle particle[DEMO_MAXPARTICLES];
};
// Kept only for an editing show, on the heap: the field's copy is 2.5 MB.
std::unique_ptr<s_showstart> showstart;

// Both ways between the globals and the saved start.
template <typename F>
void eachvalue(F&& pass)
{
    s_showstart& k = *showstart;
    pass(demostate, k.demostate), pass(effecttime, k.effecttime), pass(eventpulse, k.eventpulse);
    pass(greetname, k.greetname), pass(exitgame, k.exitgame), pass(fadeevent, k.fadeevent);
    pass(blendevent, k.blendevent), pass(numparticles, k.numparticles), pass(laststate, k.laststate);
    pass(currentframe, k.currentframe), pass(framestep, k.framestep), pass(beatmultiplyer, k.beatmultiplyer);
    pass(blurzoom, k.blurzoom), pass(blurrgb, k.blurrgb), pass(fade, k.fade), pass(blend, k.blend);
    pass(particle_startsize, k.particle_startsize), pass(particle_scalefactor, k.particle_scalefactor);
    pass(explosionCount, k.explosionCount), pass(camrot, k.camrot), pass(centerX, k.centerX);
    pass(centerY, k.centerY), pass(centerZ, k.centerZ), pass(focus, k.focus);
    pass(pulse_startsize, k.pulse_startsize), pass(pulse_scale, k.pulse_scale), pass(particle, k.particle);
}
}  // namespace

void KeepShowStart()
{
    if (!showstart) showstart.reset(new s_showstart());
    showstart->random = MOX_GetRandState();
    eachvalue([](auto& global, auto& kept) { memcpy(&kept, &global, sizeof kept); });
}

void RestartShow(int scene, double seconds)
{
    MOX_srand(showstart->random);
    eachvalue([](auto& global, auto& kept) { memcpy(&global, &kept, sizeof kept); });
    soundsystem_lock();
    Soundsystem_PlaySound(&snd_demomusic, 0);
    SeekSteps(scene, seconds);
    soundsystem_unlock();
    StartShow();
}

s_demobuffers LoadDemo(const char* image)
{
    MOX_srand(13371337);
    FindDemoData(image);
    corefile_mountimage(image, 0);
    MOX_SetTitle("VELDRIX - ORLEM");
    MOX_InitVideo(DEMO_WIDTH, DEMO_HEIGHT, 1);

    s_demobuffers b;
    b.output = MOX_CreateFrameBuffer(DEMO_WIDTH, DEMO_HEIGHT, 3);
    b.blur = MOX_CreateFrameBuffer(DEMO_WIDTH, DEMO_HEIGHT, 3);
    b.scene = MOX_CreateFrameBuffer(DEMO_WIDTH, DEMO_HEIGHT, 3);
    MOX_SetFrameBuffer(b.scene);

    zoomblur1_id = MOX_InitShader(vv_default, ff_zoomblur1);
    zoomblur2_id = MOX_InitShader(vv_default, ff_zoomblur2);
    postshader_id = MOX_InitShader(vv_default, ff_post);

    LoadAssets();
    InitTiming();
    LoadTiming(DemoDataPath("timing.dat").c_str());
    return b;
}

void StartShow()
{
    currentframe = 0;
    beatmultiplyer = 1;
    fade = 0;
    blend = 0;
    fadeevent = RAMP_SLOWRISE;
    blendevent = RAMP_SLOWRISE;
    demostate = SCENE_LOGO;
    exitgame = 0;
    centerY = 8;
}

void ReadTimeline()
{
    framestep = MOX_WaitRefresh();
    demostate = GetTimingEvent(snd_demomusic, 0);
    eventpulse = GetTimingPulse(snd_demomusic, 1, DEMO_PULSELENGTH);
    effecttime = GetTimingEffectTime(snd_demomusic, 0);
    HandleBeat();
    if (beatmultiplyer > 1) beatmultiplyer = float(beatmultiplyer - 0.1);
}

void DrawStep(const s_demobuffers& b, void (*stagedone)(int stage))
{
    // The scene buffer, cleared, with the demo's perspective; the field at
    // a scene's start, the blur values and the beat's fields; the 3D drawing.
    PrepareScene(b.scene);
    HandleSceneStart();
    HandleBlurAndBeat();
    DrawScene();
    if (stagedone) stagedone(DEMO_STAGE_3D);

    // The two blur passes into the output buffer, the overlays on it.
    glColor4f(1, 1, 1, 1);
    DoZoomBlur(b.scene, b.blur, b.output, blurzoom, blurrgb);
    if (stagedone) stagedone(DEMO_STAGE_BLUR);
    MOX_Enable2D();
    DrawOverlays();
    if (stagedone) stagedone(DEMO_STAGE_OVERLAYS);

    // The ramps, Escape, and the frame through the post shader.
    MOX_SetPostShader(postshader_id);
    HandleFading();
    MOX_SetFadeValue(fade);
    HandleInput();
    MOX_SwapBuffers();
    if (stagedone) stagedone(DEMO_STAGE_PRESENT);

    // Motion for the next step.
    currentframe = float(currentframe + framestep);
    camrot = float(camrot + std::sin(currentframe * 0.01) * 0.1 + 0.1);
    centerZ = float(std::sin(currentframe * 0.001) * 2.5 - 12.5);
    explosionCount = float(explosionCount + 0.01);
    if (beatmultiplyer > 1) beatmultiplyer = float(beatmultiplyer - 0.1);
}
