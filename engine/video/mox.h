// The MOX renderer: GL state, projections, render states, textures, quads
// and lines, the frame pacer and statistics (video core); the frame-buffer
// table and the end-of-frame post pass; shader programs and the camera.
//
// Every call runs on the demo thread, the one that called MOX_InitVideo and
// holds the GL context. All drawing goes into the current frame buffer; 2D
// coordinates are its pixels, origin top-left, y down. The render-state mask
// and the texture id are caches: they skip redundant GL calls and count only
// what was really done. The renderer's own direct texture binds (creation,
// updates, frame buffers) keep the texture cache true; GL calls made outside
// the renderer update neither cache.
#pragma once
#include <cstdint>

#include "engine/platform/coreinput.h"
#include "engine/platform/driver.h"

// --- video core ------------------------------------------------------------

struct s_videoinfo {
    int32_t width, height, pitch;
    int32_t bitsperpixel, bytesperpixel;
    int32_t redmask, greenmask, bluemask;
    int32_t redshift, greenshift, blueshift;
    int32_t redbits, greenbits, bluebits;
    int32_t reserved;
};

// Render-state bits.
enum {
    MOX_DEPTHTEST = 1,
    MOX_ALPHATEST = 2,
    MOX_BLEND = 4,
    MOX_LIGHTING = 8
};

extern s_videoinfo MOX_video;
extern int MOX_projectionmode;  // 1 perspective, 0 the 2D projection
extern int MOX_renderstate;     // states believed enabled
extern int MOX_lasttextureid;   // last texture bound through MOX_BindTexture, -1 none
extern int MOX_vsync_enabled;   // nonzero: the pacer does not wait
extern uint32_t MOX_video_time;
extern int MOX_video_updatespeed;  // ms per frame tick, at least 1
extern int MOX_video_numframes;
extern int MOX_video_fps;
extern uint32_t MOX_video_oldtime;
extern uint32_t MOX_video_starttime;
extern int MOX_video_currentframe;
extern int MOX_stats_numtriangles;
extern int MOX_stats_numlines;
extern int MOX_stats_numtexturebinds;
extern int MOX_stats_numstateswitches;
extern int mox_whitetexture_id;
extern uint8_t MOX_Palette[8][256][3];
// Corners 0 top-left, 1 top-right, 2 bottom-right, 3 bottom-left: both
// triangles are front-facing in the y-down 2D projection.
extern const uint8_t quad_index[6];
extern const uint8_t line_index[2];

void MOX_InitVideo(int width, int height, int flags);
void MOX_CloseVideo();
void MOX_SetRefreshRate(int rate);
float MOX_WaitRefresh();
int MOX_GetFPS();

// --- steps and rehearsal ------------------------------------------------------
// Each pass of a frame loop is a step of the program's state. A rehearsed
// step makes every state change of a drawn one and draws nothing: the
// program skips its drawing while MOX_rehearsing is set, and MOX_SwapBuffers
// ends the step without a present. MOX_WaitRefresh decides, once per step,
// whether it is rehearsed:
// - catch-up: a program made for `rate` steps a second (MOX_SetStepRate)
//   keeps that rate on a machine that draws slower. Each wait adds the time
//   the frame took beyond one step to MOX_video_lag; a frame that finds a
//   whole step or more owed first rehearses the owed steps, placed on the
//   rate's grid after the last step, then draws at the time the wait ended.
//   A frame on time at the rate or faster (60 or 66 frames a second at a
//   rate of 60) owes nothing and takes one step, as without catch-up. At
//   most MOX_MAXCATCHUP steps are rehearsed per drawn frame; lag beyond that
//   (a pause of the whole machine) is forgotten, so the show goes on from
//   where it stopped instead of racing;
// - the step hook, which may rehearse the step it is told about (a
//   program's own rules, a capture tool that draws only some steps).
// Rehearsed steps do not wait for the tick and are not counted as frames.
enum {
    MOX_MAXCATCHUP = 60  // a second: a frame or more a second keeps the whole show
};
extern int MOX_rehearsing;       // 1 while the current step is rehearsed
extern int MOX_video_steprate;   // steps a second that catch-up keeps; 0: one step per frame
extern int MOX_video_lag;        // steps owed, in thousandths
extern int MOX_video_groupstep;  // the step's place among those its wait placed, from 1
extern int MOX_video_groupsize;  // steps that wait placed: the rehearsed ones and the drawn one

// 0 turns catch-up off. The time before the next wait is not counted.
void MOX_SetStepRate(int rate);
// Called by MOX_WaitRefresh once it has placed a step: MOX_video_time is the
// step's time and MOX_rehearsing whether it is rehearsed; the hook may set
// MOX_rehearsing. Returns the hook it replaces, so hooks can chain.
typedef void (*MOX_stephook)();
MOX_stephook MOX_SetStepHook(MOX_stephook hook);

void MOX_GetRenderStatus(int* triangles, int* texturebinds, int* stateswitches);
void MOX_Perspective(float fovy, float aspect, float znear, float zfar);
void MOX_Enable2D();
void MOX_Disable2D();
void MOX_EnableRenderState(int flags);
void MOX_DisableRenderState(int flags);
void MOX_SetBlendMode(int mode);
void MOX_EnableAlphaBlend(float alpha);
void MOX_DisableAlphaBlend();
int MOX_CreateTexture(int width, int height, void* pixels, int unused);
void MOX_SetTextureOptions(int texture, int minfilter, int magfilter, int wraps, int wrapt);
void MOX_UpdateTexture(int texture, int width, int height, void* pixels);
void MOX_DeleteTexture(int texture);
void MOX_BindTexture(int texture);
void MOX_BindTextureChannel(int texture, int channel);
void MOX_DrawQuad(float x, float y, float w, float h, float s0, float t0, float s1, float t1);
void MOX_DrawRotatedQuad(float x, float y, float w, float h, float s0, float t0, float s1, float t1, float angle);
void MOX_DrawColorQuad(float x, float y, float w, float h, float r, float g, float b);
void MOX_DrawLineRGB(float x1, float y1, float x2, float y2, float r, float g, float b);
void MOX_SetPallete(int index, int count, uint8_t* rgb);
void MOX_ShowGraphicsMemory();
void MOX_PushGraphics();
void MOX_PopGraphics();
void MOX_FlushGraphics();
int PowerOfTwo(int n);

// The 2D imaging tables. The image library fills them; they live here so
// that the renderer's report and MOX_FlushGraphics can reach them.
struct s_bitmap;
struct s_sprite;
enum {
    MOX_MAXBITMAPS = 1024,
    MOX_MAXSPRITES = 1024,
    MOX_MAXFONTS = 16
};
extern s_bitmap* mox_bitmaplist[MOX_MAXBITMAPS];
extern int mox_numbitmaps;
extern s_sprite* mox_spritelist[MOX_MAXSPRITES];
extern int mox_numsprites;
extern int mox_numfonts;

// --- frame buffers and the post pass ------------------------------------------

enum {
    MOX_FRAMEBUFFER_DEPTH = 1,
    MOX_FRAMEBUFFER_LINEAR = 2
};
enum {
    MOX_MAXFRAMEBUFFERS = 16
};

struct s_framebuffer {
    int32_t width, height;
    int32_t dataindex;  // its entry in MOX_framebufferdata: its own index
    int32_t flags;
};

struct s_framebufferdata {
    uint8_t* pixels;  // width * height * 4 bytes for the read-back fallback
    uint32_t fbo;
    uint32_t texture;
    uint32_t depthtexture;  // 0 when there is none
};

extern s_framebuffer MOX_framebuffers[MOX_MAXFRAMEBUFFERS];
extern s_framebufferdata MOX_framebufferdata[MOX_MAXFRAMEBUFFERS];
extern int MOX_numframebuffers;
extern s_framebuffer* MOX_FrameBuffer;  // the current one
extern int MOX_framebuffers_enabled;    // the last one made was complete
extern int MOX_postshader_id;
extern float MOX_fadevalue;
extern float MOX_scanlinevalue;
extern int mox_scanlinetexture_id;
extern const char* vv_defaultpostshader;
extern const char* ff_defaultpostshader;

// Returns the index, or -1 (with a log line) when the table is full or the
// size is not positive.
int MOX_CreateFrameBuffer(int width, int height, int flags);
void MOX_SetFrameBuffer(int index);
int MOX_GetFrameBufferWidth();
int MOX_GetFrameBufferHeight();
int MOX_GetFrameBufferTexture(int index);
int MOX_GetFrameBufferDepth(int index);
// colour: red in bits 0-7, green 8-15, blue 16-23, alpha 24-31.
void MOX_ClearFrameBuffer(int colour);
void MOX_DrawFrameBuffer(int x, int y, int w, int h, int index);
void MOX_SwapBuffers();
void MOX_SwapBuffersBasic();
void MOX_SetPostShader(int shader);
void MOX_SetFadeValue(float fade);
void MOX_SetScanlineValue(float scanline);
int MOX_InitDefaultPostShader();

// --- shaders and camera ------------------------------------------------------

enum {
    MOX_MAXSHADERS = 64
};

struct s_shader {
    uint32_t program;
    uint32_t vertexshader;
    uint32_t fragmentshader;
};

extern s_shader MOX_shader[MOX_MAXSHADERS];
extern int MOX_numshaders;

// Returns the index, or -1 when a source is null or the table is full.
int MOX_InitShader(const char* vertexsource, const char* fragmentsource);
int MOX_LoadShader(const char* vertexpath, const char* fragmentpath);
void MOX_DeleteShader(int index);
void MOX_BindShader(int index);
void MOX_UnbindShader();
void MOX_SetShaderUniform1i(int index, const char* name, int value);
void MOX_SetShaderUniform1f(int index, const char* name, float value);
void MOX_SetShaderUniform2f(int index, const char* name, float a, float b);
void MOX_SetShaderUniform3f(int index, const char* name, float a, float b, float c);
void MOX_SetShaderUniform4f(int index, const char* name, float a, float b, float c, float d);
void MOX_SetShaderUniform1fv(int index, const char* name, int count, const float* values);
void MOX_ViewPort(int unused1, int unused2, float aspect, float fovy, float znear, float zfar);
void MOX_LookAt(float eyex, float eyey, float eyez, float centrex, float centrey, float centrez);
void MOX_UpdateMatrix(const float* m);
void MOX_UpdateVertexData(float* data, int a, int b);
void MOX_DrawFaceList(int a, int b);

// Whole text file, NUL-terminated, caller-owned; null when the path is null,
// the file cannot be read, is empty or is implausibly large for a source.
char* textFileRead(const char* path);
