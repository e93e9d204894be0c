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
#include "core/coremem.h"
#include "demo/demotiming.h"
#include "demo/helpers.h"
#include "demo/demo.h"
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

// --- where each asset is kept -----------------------------------------------------

// The globals an asset loads into, by the table's row.
struct s_assetplace {
    c_mesh* mesh;
    float** voxels;
    int* count;
    s_sprite* sprites;  // a picture's sprite, or a sheet's pieces
    s_bitmap* bitmap;   // a sheet or a texture
    s_font* font;
    s_sound* sound;
};

static s_assetplace place(int asset)
{
    s_assetplace p = {};
    switch (asset) {
    case ASSET_FLOOR: p.mesh = &mesh_floor; break;
    case ASSET_CHAIR: p.voxels = &chair_voxeldata, p.count = &chair_numvoxels; break;
    case ASSET_FLOWER: p.voxels = &flower_voxeldata, p.count = &flower_numvoxels; break;
    case ASSET_SHOE: p.voxels = &shoe_voxeldata, p.count = &shoe_numvoxels; break;
    case ASSET_SKULL: p.voxels = &skull_voxeldata, p.count = &skull_numvoxels; break;
    case ASSET_CAMERA: p.voxels = &camera_voxeldata, p.count = &camera_numvoxels; break;
    case ASSET_MONEY: p.voxels = &money_voxeldata, p.count = &money_numvoxels; break;
    case ASSET_LOGO: p.sprites = &spr_veldrix; break;
    case ASSET_INTRO1: p.sprites = &spr_intro[0]; break;
    case ASSET_INTRO2: p.sprites = &spr_intro[1]; break;
    case ASSET_INTRO3: p.sprites = &spr_intro[2]; break;
    case ASSET_TITLE: p.sprites = &spr_title; break;
    case ASSET_GREETINGS: p.sprites = &spr_greetings; break;
    case ASSET_CREDITS: p.sprites = &spr_credits; break;
    case ASSET_CLOSING: p.sprites = &spr_allover; break;
    case ASSET_SUBTITLES: p.sprites = spr_subtitle, p.bitmap = &bmp_subtitle; break;
    case ASSET_NAMES: p.sprites = spr_name, p.bitmap = &bmp_greetings; break;
    case ASSET_FONT: p.font = &myfont; break;
    case ASSET_FLOORTEXTURE: p.bitmap = &bmp_floor; break;
    case ASSET_PARTICLES: p.bitmap = &bmp_cubetexture; break;
    case ASSET_MUSIC: p.sound = &snd_demomusic; break;
    default: break;
    }
    return p;
}

const s_sprite* AssetSprite(int asset, int piece)
{
    const s_assetplace p = place(asset);
    if (!p.sprites || asset < 0 || asset >= ASSETS) return nullptr;
    const int pieces = demo_assets[asset].kind == KIND_SHEET ? demo_assets[asset].pieces : 1;
    return piece >= 0 && piece < pieces ? &p.sprites[piece] : nullptr;
}

// A voxel buffer of 32768 voxels and the set's file loaded into it.
static void loadvoxelset(const char* name, float** data, int* count)
{
    *data = static_cast<float*>(_wrap_malloc_dbg(DEMO_VOXELBYTES, __FILE__, __LINE__));
    if (*data) LoadVoxel(name, *data, count);
}

// Each asset of one kind, in the table's order.
template <typename F>
static void eachasset(demo_assetkind kind, F load)
{
    for (int i = 0; i < ASSETS; i++)
        if (demo_assets[i].kind == kind) load(demo_assets[i], place(i));
}

// Wrap arguments 0 are no wrap mode: only the filters change.
static void linearfilters(const s_demoasset& a, const s_assetplace& p)
{
    if (a.linear) MOX_SetTextureOptions(p.bitmap->texture, GL_LINEAR, GL_LINEAR, 0, 0);
}

void LoadAssets()
{
    eachasset(KIND_MESH, [](const s_demoasset& a, const s_assetplace& p) {
        puts("- load mesh");
        p.mesh->Load(a.file);
    });
    eachasset(KIND_VOXELS, [](const s_demoasset& a, const s_assetplace& p) { loadvoxelset(a.file, p.voxels, p.count); });
    InitPulse();
    eachasset(KIND_SPRITE, [](const s_demoasset& a, const s_assetplace& p) { MOX_LoadSprite(a.file, p.sprites); });
    eachasset(KIND_SHEET, [](const s_demoasset& a, const s_assetplace& p) {
        MOX_LoadBitmap(a.file, p.bitmap);
        linearfilters(a, p);
        for (int i = 0; i < a.pieces; i++)
            MOX_GetSprite(a.piecewidth * (i % a.columns), a.pieceheight * (i / a.columns), a.piecewidth,
                          a.pieceheight, *p.bitmap, &p.sprites[i]);
    });
    eachasset(KIND_FONT, [](const s_demoasset& a, const s_assetplace& p) {
        MOX_LoadFont(a.file, p.font);
        MOX_SetFontSpacing(a.spacing, p.font);
    });
    // The textures loaded first, then their filters.
    eachasset(KIND_TEXTURE, [](const s_demoasset& a, const s_assetplace& p) { MOX_LoadBitmap(a.file, p.bitmap); });
    eachasset(KIND_TEXTURE, linearfilters);
    Soundsystem_Init(44100, 16, 2);
    eachasset(KIND_MUSIC, [](const s_demoasset& a, const s_assetplace& p) { Soundsystem_LoadSound(a.file, p.sound); });
}

// --- the scene table ---------------------------------------------------------------

void HandleSceneStart()
{
    if (effecttime > DEMO_STARTWINDOW) return;
    const s_scene& scene = SceneRow(demostate);
    if (scene.field >= 0) {
        const s_assetplace p = place(scene.field);
        if (p.voxels) InitParticles(*p.voxels, *p.count, scene.startsize, scene.scalefactor, scene.ease, scene.mode);
    }
    if (scene.eye != 0) centerY = scene.eye;  // down to the floor
}

void HandleBlurAndBeat()
{
    switch (SceneRow(demostate).blur) {
    case BLUR_BEAT:
        blurzoom = blurrgb = float(beatmultiplyer * 0.5);
        // Every frame of a pulse spawns again from its slot.
        if (eventpulse > 0) {
            const int k = eventpulse % DEMO_PULSESLOTS;
            InitParticles(pulse_voxeldata[k], pulse_numvoxels[k], pulse_startsize[k], pulse_scale[k], 0.8f, 0);
        }
        break;
    case BLUR_BURST:
        blurzoom = float(std::sin(explosionCount * 0.001) * 0.5 + 1);
        blurrgb = 1;
        break;
    case BLUR_TITLE:
        blurzoom = float(std::sin(explosionCount * 0.001) * 0.1 + 0.6);
        blurrgb = 0.5f;
        break;
    case BLUR_CLOSING:
        blurzoom = float(std::cos(explosionCount * 0.001) * 0.2 + 0.8);
        blurrgb = 0.5f;
        break;
    case BLUR_HOLD: break;  // the values the step before left
    }
}

void DrawScene()
{
    const s_scene& scene = SceneRow(demostate);
    if (!scene.drawn) return;
    if (scene.fieldfor < 0 || effecttime <= scene.fieldfor) DrawParticles();
    if (MOX_rehearsing) return;  // the particles have moved; the rest only draws
    glColor3f(1, 1, 1);
    if (scene.floor) {
        MOX_BindTextureFromBitmap(bmp_floor);
        glBlendFunc(GL_ONE, GL_ONE_MINUS_SRC_COLOR);
        glEnable(GL_BLEND);
        HandleCameraStill();
        glScalef(4, 1, 4);
        mesh_floor.Draw();
        glDisable(GL_BLEND);
    }
}

// One overlay row's action. A rehearsed step makes the rows' changes to
// the ramps and draws nothing.
static void act(const s_overlayrow& row)
{
    const s_sprite* sprite = AssetSprite(row.asset, row.piece);
    switch (row.action) {
    case ACT_DRAW:
        if (sprite && !MOX_rehearsing) MOX_DrawSprite(row.x, row.y, *sprite);
        break;
    case ACT_DRAWFADED:
        if (sprite && !MOX_rehearsing) MOX_DrawAlphaSprite(row.x, row.y, *sprite, blend);
        break;
    case ACT_FADEMODE: fadeevent = int(row.value); break;
    case ACT_BLENDMODE: blendevent = int(row.value); break;
    case ACT_FADE: fade = float(row.value); break;
    case ACT_BLEND: blend = float(row.value); break;
    case ACT_BLENDFLOOR:
        if (blend < row.value) blend = float(row.value);
        break;
    case ACT_FADEUP:
        if (fade < 1) fade = float(fade + row.value);
        break;
    case ACT_BLENDUP:
        if (blend < 1) blend = float(blend + row.value);
        break;
    case ACT_GREETNAME: {
        if (eventpulse > 0) greetname = eventpulse;
        const s_sprite* name = AssetSprite(row.asset, greetname - 1);
        if (name && !MOX_rehearsing) MOX_DrawSprite(row.x, row.y, *name);
        break;
    }
    }
}

void DrawOverlays()
{
    for (int i = 0; i < demo_numoverlays; i++)
        if (OverlayActs(demo_overlays[i], demostate, effecttime)) act(demo_overlays[i]);
}

// --- what did not load -------------------------------------------------------------

int64_t LastMusicUnit()
{
    if (!snd_demomusic.data || snd_demomusic.length == 0) return -1;
    return TimingUnits(uint64_t(snd_demomusic.length) * 256 - 1);
}

// Whether an asset's load left nothing usable.
static bool missing(const s_demoasset& a, const s_assetplace& p)
{
    switch (a.kind) {
    case KIND_MESH: return p.mesh->numverts == 0 || p.mesh->facegroups == 0;
    case KIND_VOXELS: return *p.count == 0;
    case KIND_SPRITE: return p.sprites->texture == 0 || p.sprites->width <= 0;
    case KIND_SHEET:
    case KIND_TEXTURE: return !p.bitmap->pixels;
    case KIND_FONT: return p.font->numletters == 0;
    case KIND_MUSIC: return !p.sound->data || p.sound->length == 0;
    }
    return false;
}

int ReportMissingAssets()
{
    std::string missingfiles;
    for (int i = 0; i < ASSETS; i++)
        if (missing(demo_assets[i], place(i)))
            missingfiles += std::string(missingfiles.empty() ? "" : ", ") + demo_assets[i].file;
    int lines = 0;
    if (corefile_image.numfiles == 0) {
        puts("orlem: orlem.dat could not be read: every picture, object, the floor and the music are missing");
        lines++;
    } else if (!missingfiles.empty()) {
        printf("orlem: missing or damaged in the data image: %s\n", missingfiles.c_str());
        lines++;
    }
    if (!snd_demomusic.data || snd_demomusic.length == 0) {
        if (const char* why = Soundsystem_WAVProblem(demo_assets[ASSET_MUSIC].file)) {
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
