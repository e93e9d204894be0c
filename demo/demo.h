// The demo module: "VELDRIX - ORLEM" itself. coremain (main.cpp) runs
// LoadDemo, starts the music and runs the frame loop of ReadTimeline and
// DrawStep (frameloop.cpp); the rest of the module is the scene timeline
// that walks the show's tables (scenes.cpp over scenes.h), the particle
// field and its camera, the pulse slots and the beat envelope, the two blur
// passes, the demo's shader sources, and which steps are drawn (steps.cpp).
//
// Everything here is a global of the module, loaded once and never released,
// touched only by the demo thread (the one that holds the GL context). The
// timeline has no clock of its own: each step asks the sync table where the
// music's playback position lies (scene event, time into it, beat pulse)
// and draws what the show's tables say for those three values. Random
// numbers come from the engine's generator (MOX_rand) seeded with 13371337;
// the order of the draws is part of what the viewer sees.
#pragma once
#include <cstdint>
#include <string>

#include "demo/c_mesh.h"
#include "demo/c_particle.h"
#include "demo/scenes.h"
#include "engine/image/corefont.h"
#include "engine/image/coresprite.h"
#include "sound/coresound.h"

enum {
    DEMO_WIDTH = 1920,  // every frame buffer and the window
    DEMO_HEIGHT = 1080,
    DEMO_MAXPARTICLES = 32768,  // the particle table, and every voxel buffer
    DEMO_VOXELBYTES = 786432,   // one voxel buffer: 32768 voxels of six floats
    DEMO_PULSESLOTS = 8,
    DEMO_PULSELENGTH = 40,               // timing units a track-1 pulse lasts
    DEMO_STEPRATE = 60,                  // steps a second the show is made for
};

// --- the timeline ----------------------------------------------------------

extern int demostate;         // current scene event of track 0
extern int effecttime;        // timing units since it began
extern int eventpulse;        // current track-1 event while under 40 units old, else 0
extern int greetname;         // greeting name on screen in the names' scenes, 1-based
extern float currentframe;    // running sum of framestep
extern float framestep;       // this frame's length in engine ticks (1 on time)
extern float beatmultiplyer;  // beat envelope: 2 on a beat, decaying to 1
extern int exitgame;          // 1 once Escape has been seen held
extern float blurzoom;        // strength of the zoom blur
extern float blurrgb;         // amount of the RGB split

// --- start-up and the frame loop ------------------------------------------------

// The three frame buffers, made in this order.
struct s_demobuffers {
    int output = -1, blur = -1, scene = -1;
};
// Everything before the music starts: the random seed, the data image
// `image` mounted (from the working directory, or where ORLEM_DATADIR
// names when the working directory lacks it), the video, the frame buffers and shader programs, every
// asset (LoadAssets) and the sync table from timing.dat.
s_demobuffers LoadDemo(const char* image);
// `name` in the folder the data image was mounted from.
std::string DemoDataPath(const char* name);
// The sync table written back where it was read (SaveTiming), except into
// an installed data folder, which is left as it was with one line.
int WriteBackTiming();
// Every asset of demo_assets into the module's globals, in the table's
// order by kind: the mesh, the voxel sets (then the pulse slots), the
// pictures, the sheets cut into their pieces, the font, the textures (then
// their filters), the sound system and the music.
void LoadAssets();
// The sprite of an asset's picture, or of a sheet's piece; null when there
// is none.
const s_sprite* AssetSprite(int asset, int piece);
// The values the frame loop starts from.
void StartShow();
// Keeps everything the show changes as it plays, as LoadDemo left it, for
// RestartShow; right after LoadDemo, before the first step.
void KeepShowStart();
// The show from its start again, as KeepShowStart kept it (the random sequence,
// the field, the camera, the ramps, the timeline's values), with the music
// started again and SeekSteps aimed at `scene` or `seconds`: the steps up to
// there are rehearsed, so what is drawn there is what a whole run draws.
void RestartShow(int scene, double seconds);
// One step, in two: the wait for its place on the show's clock, the music's
// position through the sync table and the beat; then everything it draws
// and moves. `stagedone` (may be null) is told as each stage ends.
enum {
    DEMO_STAGE_3D,        // the field and the floor into the scene buffer
    DEMO_STAGE_BLUR,      // the two blur passes into the output buffer
    DEMO_STAGE_OVERLAYS,  // the overlay rows
    DEMO_STAGE_PRESENT,   // the ramps, Escape, the post pass and the present
};
void ReadTimeline();
void DrawStep(const s_demobuffers& buffers, void (*stagedone)(int stage));

// DrawStep's parts: the scene buffer cleared under the demo's perspective,
// the field that bursts at a scene's start, the blur values and the beat's
// fields, the 3D drawing of particles and floor, and the overlay rows.
void PrepareScene(int scene);
void HandleSceneStart();
void HandleBlurAndBeat();
void DrawScene();
void DrawOverlays();

// --- steps: which the demo draws ----------------------------------------------
// The demo is made for 60 steps a second. A rehearsed step (MOX_rehearsing)
// makes every state change of a drawn one and draws nothing: the steps
// above skip their GL work themselves, and nothing drawn feeds back into the
// state, so k rehearsed steps leave what k drawn ones leave.

// The demo's options, declared by steps.cpp and read before coremain runs.
extern int fromscene;       // --from N: the scene event to start drawing at, 0 for the start
extern double fromseconds;  // --from Ts: seconds into the music to start drawing at, 0 for none
extern int everyframe;      // --every-frame: one step per drawn frame, no catch-up

extern int seekscene;     // while seeking: steps before the first that sees this scene event are rehearsed
extern double seektime;   // while seeking: steps before this many seconds into the music are rehearsed

// The first step at or after `seconds` into the music: step k stands at
// k / 60 s, and a time within a billionth of a step after it is taken as
// that step's own.
uint32_t StepAt(double seconds);

// Called right after the music starts, under the sound system's lock: the
// show's step 0 is the next wait. Unless --every-frame, every step stands
// on the 60-a-second grid and sees the music its time would have seen, so a
// slow machine shows the show at its rate with fewer frames and a fast one
// shows 60 steps a second. A demo maker's --from rehearses every step
// before its scene event or time (a point at or after the show's end starts
// at its last scene event, said in one line); orlem playing in real time
// rehearses on the offline clock and sound output, then hands the music to
// the device where the rehearsal stopped and goes on in real time.
void StartSteps();
// The demo's step hook (MOX_WaitRefresh runs it): the music the step sees, and
// the --from rehearsal.
void HandleStep();
// How far a --from rehearsal has come, 0 to 1; -1 when none runs.
float SeekProgress();
// Pauses (1) or resumes (0) the steps and the music together: in real time
// the music leaves the output where it stands and comes back to it, and the
// show's clock goes on from where the show stood.
void PauseSteps(int pause);
// StartSteps again, aimed at scene event `scene` (> 0) or `seconds` into
// the music (> 0), else at the start, with the music just started again.
void SeekSteps(int scene, double seconds);

// --- edit: orlem --edit, the demo maker's loop (edit.cpp) ------------------------

extern int editing;  // --edit: the sync table's text watched, the edit keys taken
// After LoadDemo: the show's start kept, the text read (or written from
// the table when missing) and, in real time, the overlay set over what is
// presented.
void StartEdit();
// Before each step: the keys pressed and the text saved since the last
// pass. Returns 1 when the show stands still (paused): the pass presented
// the picture again and no step is to run; 0 to run the step.
int EditPass();
// After each step: whether it was drawn.
void EditStepDrawn();
// For tests: the times the text was read again, its fault (empty when it
// parsed) and whether the show is paused.
int EditReloads();
const char* EditProblem();
int EditPaused();

// Prints one line for each asset that did not load, and says when the
// timeline cannot advance (no music) or never reaches its end (a sync table
// without scene event 18), so a viewer knows why and that Escape ends it.
// Returns the number of lines printed.
int ReportMissingAssets();
// The last timing unit the music plays before it stops and its position
// falls back to 0; -1 without music.
int64_t LastMusicUnit();

// --- assets ------------------------------------------------------------------

// Voxel sets: each pointer owns a buffer of DEMO_VOXELBYTES.
extern float* chair_voxeldata;
extern int chair_numvoxels;
extern float* flower_voxeldata;
extern int flower_numvoxels;
extern float* shoe_voxeldata;
extern int shoe_numvoxels;
extern float* skull_voxeldata;
extern int skull_numvoxels;
extern float* camera_voxeldata;
extern int camera_numvoxels;
extern float* money_voxeldata;  // loaded, never shown
extern int money_numvoxels;

extern c_mesh mesh_room;        // the four meshes of the module, in the order
extern c_mesh mesh_roommirror;  // they are constructed; only mesh_floor is
extern c_mesh mesh_floor;       // loaded, and mesh_cube is what
extern c_mesh mesh_cube;        // c_particle::Draw draws (never loaded)

extern s_bitmap bmp_floor;        // floor texture
extern s_bitmap bmp_cubetexture;  // particle texture: four sprite rows
extern s_bitmap bmp_subtitle;     // six subtitle strips
extern s_bitmap bmp_greetings;    // sixteen greeting names
extern s_sprite spr_veldrix;      // full-screen group logo
extern s_sprite spr_intro[3];     // intro captions
extern s_sprite spr_title;
extern s_sprite spr_greetings;
extern s_sprite spr_credits;
extern s_sprite spr_allover;  // closing screen
extern s_sprite spr_subtitle[6];
extern s_sprite spr_name[16];
extern s_font myfont;          // loaded and spaced; no text is drawn
extern s_sound snd_demomusic;  // its position is the timeline's clock

// --- particle field ----------------------------------------------------------------

extern c_particle particle[DEMO_MAXPARTICLES];
extern int numparticles;            // entries 0..numparticles-1 form the field
extern float particle_startsize;    // square edge at spawn
extern float particle_scalefactor;  // growth per unit of explosionCount
extern float explosionCount;        // age of the field
extern float camrot;                // yaw of the particle camera, degrees
extern int laststate;               // pulse index of the last camera jump

// Makes the field from `count` voxels (x, y, z, r, g, b each); `ease` and
// `mode` go to c_particle::Spawn. A pulse index above 1 that differs from
// the last one turns the camera first.
void InitParticles(float* voxels, int count, float startsize, float scalefactor, float ease, int mode);
// Draws every particle of the field as an additive camera-facing square
// (mirrored under the floor from scene event 6 on) and moves each one step.
// The squares go to the GL as one vertex array, in FieldDraws() draws (one
// per 16384 squares).
void DrawParticles();
int FieldDraws();

// --- pulse slots and beat ------------------------------------------------------------

extern float* pulse_voxeldata[DEMO_PULSESLOTS];
extern int pulse_numvoxels[DEMO_PULSESLOTS];
extern float pulse_startsize[DEMO_PULSESLOTS];
extern float pulse_scale[DEMO_PULSESLOTS];

// Fills the eight slots from the loaded voxel sets and draws their sizes:
// the first user of the random generator after the seed.
void InitPulse();
// Raises beatmultiplyer to 2 when the mixer's last block holds a beat.
void HandleBeat();

// --- camera and input ------------------------------------------------------------------

extern float centerX;  // the eye; it looks at (0, 2, 0)
extern float centerY;
extern float centerZ;

void HandleCamera();       // the eye, then the world turned by camrot
void HandleCameraStill();  // the eye alone: the floor's camera
void HandleInput();        // exitgame = 1 while Escape is held

// --- blur and post shaders ----------------------------------------------------------------

extern int zoomblur1_id;
extern int zoomblur2_id;
extern int postshader_id;
extern float focus;  // for ff_dof, which nothing compiles

extern const char* const vv_default;
extern const char* const ff_zoomblur1;
extern const char* const ff_zoomblur2;
extern const char* const ff_post;
extern const char* const ff_dof;

// Zoom blur from `source` into `middle`, RGB split from `middle` into
// `target` (frame-buffer handles); `target` stays bound, no program does.
void DoZoomBlur(int source, int middle, int target, float zoom, float rgb);
