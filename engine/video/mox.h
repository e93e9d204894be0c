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
extern uint32_t MOX_video_time;    // the current step's time on MOX_GetMillis
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

// Opens the window for a picture of width x height pixels (full screen
// when flags bit 0 is set), makes the GL context current on the calling
// thread, which becomes the demo thread, and sets the renderer up: fixed GL
// state, the white texture, frame buffer 0 of the picture's size (made
// current), post values (no post shader, fade 1, scanlines 0), MOX_video,
// empty caches, empty bitmap and sprite tables, a 60 Hz tick, and what
// --resolution asked.
// Call it once, before any other MOX_ drawing call.
void MOX_InitVideo(int width, int height, int flags);
// Releases the GL context; the window closes when coremain returns.
void MOX_CloseVideo();
// The tick of one step per frame (and the unit of MOX_WaitRefresh's
// result): 1000 / (rate x 1.1) ms, truncated (15 ms at 60); 0 gives 1 ms,
// a negative rate -rate ms. Restarts the tick's clock now.
void MOX_SetRefreshRate(int rate);
// Places the next step (see below: on the grid, or one per frame), runs
// the step hook and returns the step's framestep: the ms from the step
// before on the grid (or the frame's duration with rate 0) over the tick,
// 0 for step 0. On the 60-a-second grid with a 15 ms tick that is 16 / 15
// or 17 / 15. With MOX_vsync_enabled, 1 for any step not longer than a
// tick. Demo thread, once per step, before the step's work.
float MOX_WaitRefresh();
// The frames drawn (rehearsed steps not counted) in the last whole second:
// a new count is taken when more than 999 ms have passed since the last.
int MOX_GetFPS();

// --- steps and rehearsal ------------------------------------------------------
// Each pass of a frame loop is a step of the program's state. A rehearsed
// step makes every state change of a drawn one and draws nothing: the
// program skips its drawing while MOX_rehearsing is set, and MOX_SwapBuffers
// ends the step without a present. MOX_WaitRefresh places each step:
// - on the grid: a program made for `rate` steps a second (MOX_SetStepRate)
//   has step k at MOX_StepTime(k) = k x 1000 / rate ms of the show's clock,
//   rounded down to the millisecond, on every machine. The first wait after
//   MOX_SetStepRate is step 0 at 0 ms: the show's clock starts there, so
//   nothing before it (loading) enters any step. Each later wait is a frame:
//   it waits until the clock reaches the next step (a fast machine shows
//   exactly `rate` steps a second), then draws the last step the clock has
//   reached, first rehearsing those between (a slow machine); what the clock
//   stands past the drawn step carries over as MOX_video_lag. Each step's
//   framestep is its distance from the step before on the grid, in ticks
//   (0 for step 0), so nothing that follows the framesteps depends on how
//   the frames fell. At most MOX_MAXCATCHUP steps are rehearsed for one
//   drawn frame: beyond that (a stall) the show skips forward once to the
//   last MOX_MAXCATCHUP steps, saying so in one line; skipped steps are
//   never run and step numbers only grow;
// - one step per frame (rate 0): the tick's pacing, each step's framestep
//   the frame's duration in ticks;
// - the step hook may rehearse the step it is told about (a program's own
//   rules, a capture tool that draws only some steps).
// The show's clock is the offline clock while it runs (it waits by moving
// on), else the program's (MOX_SetShowClock: a program that follows its
// music), else the system clock, each going on from where the show stands
// when it takes over; it never goes back. Rehearsed steps are not counted
// as frames.
enum {
    MOX_MAXCATCHUP = 60  // a second at 60 steps a second
};
extern int MOX_rehearsing;       // 1 while the current step is rehearsed
extern int MOX_video_steprate;   // the grid's steps a second; 0: one step per frame
extern uint32_t MOX_video_step;  // the current step's number: its place on the grid
extern int MOX_video_lag;        // ms the show's clock stood past the frame's drawn step
extern int MOX_video_groupstep;  // the step's place among those its frame placed, from 1
extern int MOX_video_groupsize;  // steps that frame placed: the rehearsed ones and the drawn one

// Starts a show of `rate` steps a second (0: one step per frame) at the
// next wait, which is its step 0.
void MOX_SetStepRate(int rate);
// Where step `step` lies on the show's clock, in ms: step x 1000 / rate,
// rounded down (0 without a rate).
uint32_t MOX_StepTime(uint32_t step);
// The first step at or after `seconds` on a grid of `rate` steps a second:
// step k stands at k / rate s, and a time within a billionth of a step
// after it is taken as that step's own (a still asked for at T shows it).
uint32_t MOX_FirstStepAt(double seconds, int rate);
// A clock of the program's own for the show, in ms from its step 0: gives 1
// and *ms, or 0 to leave the reading to the system clock. Read only while
// the offline clock is off. Null removes it.
typedef int (*MOX_showclock)(uint32_t* ms);
// Sets that clock; demo thread.
void MOX_SetShowClock(MOX_showclock clock);
// Called by MOX_WaitRefresh once it has placed a step: MOX_video_step and
// MOX_video_time are the step's, MOX_rehearsing whether it is rehearsed; the
// hook may set MOX_rehearsing. Returns the hook it replaces, so hooks can
// chain.
typedef void (*MOX_stephook)();
// Sets the hook; demo thread.
MOX_stephook MOX_SetStepHook(MOX_stephook hook);
// The show's clock goes on from where the show stands at the next wait, as
// after a pause: the time the show stood still is neither caught up nor
// skipped. (A program's own clock keeps its own account.)
void MOX_ResumeShowClock();

// Triangles, counted texture binds and state switches since the last
// present (or rehearsed step); a null pointer is skipped.
void MOX_GetRenderStatus(int* triangles, int* texturebinds, int* stateswitches);
// Multiplies the current matrix by a perspective frustum: fovy in degrees
// (vertical), aspect width over height, near and far planes (> 0).
void MOX_Perspective(float fovy, float aspect, float znear, float zfar);
// 2D drawing in the current frame buffer's own pixels, origin top-left,
// y down: the projection is remade when the last was 3D; modelview
// identity; depth test and lighting off in GL (the state mask is not told).
void MOX_Enable2D();
// Back to 3D when in 2D: a 45-degree perspective at the frame buffer's
// aspect, planes 0.01 and 1000; the modelview is left as it is.
void MOX_Disable2D();
// Enables the MOX_DEPTHTEST, MOX_ALPHATEST, MOX_BLEND, MOX_LIGHTING bits
// asked for, unless any of them is already recorded as on (then nothing).
void MOX_EnableRenderState(int flags);
// Disables every bit asked for when any of them is recorded as on.
void MOX_DisableRenderState(int flags);
// The blend function: 1 multiplies (source colour, destination colour),
// 2 adds (source colour, one); other modes leave it. Blending itself is
// turned on by MOX_EnableRenderState(MOX_BLEND).
void MOX_SetBlendMode(int mode);
// Alpha blending on in GL (not in the state mask), drawing colour white
// at opacity `alpha`, 0..1.
void MOX_EnableAlphaBlend(float alpha);
// Blending off in GL, drawing colour opaque white.
void MOX_DisableAlphaBlend();
// A texture of width x height RGBA bytes (`pixels` may be null: content
// undefined), left bound; minified linear, magnified nearest. Returns the
// GL name. `unused` is not used.
int MOX_CreateTexture(int width, int height, void* pixels, int unused);
// The texture's GL filters and wraps (GL enum values); leaves it bound.
void MOX_SetTextureOptions(int texture, int minfilter, int magfilter, int wraps, int wrapt);
// Replaces the texture's image with width x height RGBA bytes; leaves it
// bound.
void MOX_UpdateTexture(int texture, int width, int height, void* pixels);
// Deletes the GL texture; the cache forgets it when it was the bound one.
void MOX_DeleteTexture(int texture);
// Binds the texture, skipped when the cache says it is bound; counted.
void MOX_BindTexture(int texture);
// Makes unit `channel` (0 to 3; others leave the unit) active and binds
// the texture there, uncounted; the unit stays active.
void MOX_BindTextureChannel(int texture, int channel);
// A quad of the bound texture in 2D (switched to if need be) at x, y, w x
// h pixels of the current frame buffer, texture corners s0, t0 (top-left)
// to s1, t1; nothing when it lies wholly outside the frame buffer.
void MOX_DrawQuad(float x, float y, float w, float h, float s0, float t0, float s1, float t1);
// As MOX_DrawQuad, turned `angle` degrees about its centre; the modelview
// is left turned.
void MOX_DrawRotatedQuad(float x, float y, float w, float h, float s0, float t0, float s1, float t1, float angle);
// As MOX_DrawQuad over the whole bound texture, tinted r, g, b (0..1);
// bind mox_whitetexture_id first for a flat colour.
void MOX_DrawColorQuad(float x, float y, float w, float h, float r, float g, float b);
// A line in 2D in colour r, g, b (0..1), the bound texture still applying;
// nothing when neither end lies inside the frame buffer in x or in y.
void MOX_DrawLineRGB(float x1, float y1, float x2, float y2, float r, float g, float b);
// Copies `count` RGB triples (at most 256) into palette `index` (0..7);
// anything out of range does nothing.
void MOX_SetPallete(int index, int count, uint8_t* rgb);
// Prints the bitmap, sprite, font and frame-buffer counts and their limits.
void MOX_ShowGraphicsMemory();
// Does nothing; kept for callers.
void MOX_PushGraphics();
// Does nothing; kept for callers.
void MOX_PopGraphics();
// Deletes every listed sprite and bitmap (buffers and textures) and empties
// the sprite, bitmap and font tables. Frame buffers and shaders stay.
void MOX_FlushGraphics();
// Returns n: textures take any size, so nothing is rounded up.
int PowerOfTwo(int n);

// The 2D imaging tables. The image library fills them; they live here so
// that the renderer's report and MOX_FlushGraphics can reach them.
struct s_bitmap;
struct s_sprite;
enum {
    MOX_MAXBITMAPS = 1024,
    MOX_MAXBITMAPPIXELS = 1 << 26,  // a bitmap's texture: at most 8192 x 8192
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
    uint8_t* pixels;  // drawwidth * drawheight * 4 bytes for the read-back fallback
    uint32_t fbo;
    uint32_t texture;
    uint32_t depthtexture;  // 0 when there is none
    int32_t drawwidth, drawheight;  // the size its images have: its own, at the render size
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
// Makes frame buffer `index` the one drawn into: binds it, sets the
// viewport to its draw size and the next 2D call's projection to its own
// size. An index not made is ignored.
void MOX_SetFrameBuffer(int index);

// --- render size ---------------------------------------------------------------
// Frame buffers are drawn at the render size: each with its own size times
// the render size over the picture's (MOX_video), while its 2D coordinates
// stay its own size, so everything lands where it would, drawn with more or
// fewer pixels, and the post pass shows it at the window's size. 0 x 0 (the
// start) draws every frame buffer at its own size. A change re-makes the
// frame buffers' images (their content is lost) and sets the viewport of
// the current one.
void MOX_SetRenderSize(int width, int height);
void MOX_GetRenderSize(int* width, int* height);  // the picture's size at the render size
// The render size chosen by the drawn frames' pace (MOX_SwapBuffers reports
// each), among 1920 x 1080, 1600 x 900, 1280 x 720, 960 x 540 and 640 x 360
// for a 1920 x 1080 picture (sixths of its size): when fewer than 24 frames
// are drawn in a second, down to the largest size expected to keep 30 (a
// frame's cost taken as its pixels'); after four seconds at a size, up a
// step when that is expected to keep 30. Each change is one log line. On:
// from the picture's own size; off: the picture's own size.
void MOX_SetAutoRenderSize(int on);
// What the command line asked (--resolution): 0 nothing, 1 auto, 2 a size.
// MOX_InitVideo applies it.
int MOX_RenderSizeAsked();
// Asks for a fixed render size as --resolution WxH does (0 x 0: nothing),
// before MOX_InitVideo.
void MOX_AskRenderSize(int width, int height);
// Applies what --resolution or MOX_AskRenderSize asked (MOX_InitVideo
// calls it).
void mox_applyresolution();
// Called by MOX_SwapBuffers after each present.
void mox_pacerendersize();
// The current frame buffer's own width (its 2D coordinates, whatever the
// render size); 0 when there is none.
int MOX_GetFrameBufferWidth();
// Its own height; 0 when there is none.
int MOX_GetFrameBufferHeight();
// The GL name of frame buffer `index`'s colour texture; 0 for an index not
// made.
int MOX_GetFrameBufferTexture(int index);
// The GL name of its depth texture; 0 for an index not made or a frame
// buffer made without MOX_FRAMEBUFFER_DEPTH.
int MOX_GetFrameBufferDepth(int index);
// colour: red in bits 0-7, green 8-15, blue 16-23, alpha 24-31.
void MOX_ClearFrameBuffer(int colour);
// Draws frame buffer `index`'s image, the right way up, as a quad at x, y,
// w x h of the current frame buffer. An index not made is ignored.
void MOX_DrawFrameBuffer(int x, int y, int w, int h, int index);
// Ends the step. A rehearsed step presents nothing: it is counted and the
// statistics start again. A drawn one shows the current frame buffer in
// the window through the post shader (fade and scanlines), scaled with its
// shape kept, presents it, binds that frame buffer again, clears the
// texture cache and the statistics and reports the frame to the render
// size's pacing. Demo thread, once per step, after the step's drawing.
void MOX_SwapBuffers();
// Drawn by MOX_SwapBuffers over the presented picture, after the post
// shader, in the picture's own coordinates with 2D drawing on: what the
// viewer sees over the show but the show's frame buffers do not hold (an
// editor's overlay). A capture reads the window, overlay and all, so a
// program sets it only where it plays in real time. Null removes it. Demo
// thread.
void MOX_SetPresentOverlay(void (*draw)());
// Presents the window's back buffer as it is (no post pass, rehearsal not
// looked at: it always counts as a frame), then binds the window (frame
// buffer object 0) with the current frame buffer's viewport.
void MOX_SwapBuffersBasic();
// The program MOX_SwapBuffers draws the picture through (an index of
// MOX_InitShader), -1 for none. It is given the uniforms fbo_texture (0),
// fbo_depth (1), width, height, fadevalue and scanlinevalue.
void MOX_SetPostShader(int shader);
// The picture's brightness in the post pass, 1 as drawn, 0 black: the post
// shader's fadevalue, or a blend when shaders are off. With shaders on and
// no post shader nothing applies it.
void MOX_SetFadeValue(float fade);
// How much the post pass darkens every second row: 0 none, 1 black.
void MOX_SetScanlineValue(float scanline);
// Compiles the default post shader (fade and scanlines); returns its
// index, or -1 when the shader table is full.
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
// MOX_InitShader of two source files read from the system's file system
// (not the file layer, see textFileRead); a file not read gives -1 while
// shaders are on.
int MOX_LoadShader(const char* vertexpath, const char* fragmentpath);
// Deletes the program's GL objects; its index is not handed out again.
void MOX_DeleteShader(int index);
// Uses program `index`; an index not made, or shaders off, does nothing.
void MOX_BindShader(int index);
// Back to the fixed-function pipeline (while shaders are on).
void MOX_UnbindShader();
// Binds program `index` (it stays bound) and sets the named int uniform; a
// name the program lacks is ignored, as are an index not made and shaders
// off. The forms below do the same for their types.
void MOX_SetShaderUniform1i(int index, const char* name, int value);
// One float.
void MOX_SetShaderUniform1f(int index, const char* name, float value);
// A vec2.
void MOX_SetShaderUniform2f(int index, const char* name, float a, float b);
// A vec3.
void MOX_SetShaderUniform3f(int index, const char* name, float a, float b, float c);
// A vec4.
void MOX_SetShaderUniform4f(int index, const char* name, float a, float b, float c, float d);
// `count` floats into a float array uniform.
void MOX_SetShaderUniform1fv(int index, const char* name, int count, const float* values);
// MOX_Perspective with its arguments in another order; the first two are
// not used.
void MOX_ViewPort(int unused1, int unused2, float aspect, float fovy, float znear, float zfar);
// Multiplies the current matrix by the view from the eye towards the
// centre, y up (a pitch, a yaw and the eye's offset); nothing when the two
// points are the same.
void MOX_LookAt(float eyex, float eyey, float eyez, float centrex, float centrey, float centrez);
// Loads the 16 floats of `m` (column by column) into the current matrix.
void MOX_UpdateMatrix(const float* m);
// Does nothing; kept for callers.
void MOX_UpdateVertexData(float* data, int a, int b);
// Does nothing; kept for callers.
void MOX_DrawFaceList(int a, int b);

// Whole text file, NUL-terminated, caller-owned; null when the path is null,
// the file cannot be read, is empty or is implausibly large for a source.
char* textFileRead(const char* path);
