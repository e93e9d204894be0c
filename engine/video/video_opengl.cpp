// GL primitives of the renderer: projections, the render-state and texture
// caches, blending, textures, quads and lines, and the frame-buffer table
// with the end-of-frame post pass.
//
// Demo thread only. Quads are culled against the current frame buffer
// before anything is touched, so a culled quad changes no state and no
// counter. The caches are all-or-nothing: MOX_EnableRenderState does nothing
// when any requested bit is already recorded, MOX_DisableRenderState acts
// when any is. Every texture bind the renderer makes outside MOX_BindTexture
// also updates the texture cache (uncounted), so the cache always names what
// is bound. Frame buffers are created once, never deleted, and hold
// their image upside down (t = 1 is the top row), hence the flipped t in
// every draw of a frame buffer.
#include "engine/platform/moxgl.h"  // the EXT frame-buffer entry points

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "engine/video/mox.h"

// --- module state ----------------------------------------------------------

const uint8_t quad_index[6] = {0, 3, 2, 0, 2, 1};
const uint8_t line_index[2] = {0, 1};

s_framebuffer MOX_framebuffers[MOX_MAXFRAMEBUFFERS];
s_framebufferdata MOX_framebufferdata[MOX_MAXFRAMEBUFFERS];
int MOX_numframebuffers = 0;
s_framebuffer* MOX_FrameBuffer = nullptr;
int MOX_framebuffers_enabled = 0;
int MOX_postshader_id = -1;
float MOX_fadevalue = 1.0f;
static void (*mox_presentoverlay)() = nullptr;  // drawn over the presented picture
float MOX_scanlinevalue = 0.0f;
int mox_scanlinetexture_id = 0;

const char* vv_defaultpostshader =
    "#version 120\n"
    "varying vec2 texCoord;\n"
    "void main()\n"
    "{\n"
    "    texCoord = gl_MultiTexCoord0.xy;\n"
    "    gl_Position = ftransform();\n"
    "}\n";

// Rows counted from the bottom: even rows keep their colour, odd rows are
// darkened by the scanline value; then everything is scaled by the fade.
const char* ff_defaultpostshader =
    "#version 120\n"
    "uniform sampler2D fbo_texture;\n"
    "uniform sampler2D fbo_depth;\n"
    "uniform float width;\n"
    "uniform float height;\n"
    "uniform float fadevalue;\n"
    "uniform float scanlinevalue;\n"
    "varying vec2 texCoord;\n"
    "void main()\n"
    "{\n"
    "    vec4 c = texture2D(fbo_texture, texCoord);\n"
    "    float row = floor(texCoord.y * height);\n"
    "    if (mod(row, 2.0) >= 1.0) c = c * (1.0 - scanlinevalue);\n"
    "    gl_FragColor = c * fadevalue;\n"
    "}\n";

// Binds a texture outside MOX_BindTexture (no count) and keeps the cache
// truthful: a stale id would let the next MOX_BindTexture of that id be
// skipped while another texture, perhaps the frame being drawn, is bound.
static void mox_directbind(GLuint texture)
{
    glBindTexture(GL_TEXTURE_2D, texture);
    MOX_lasttextureid = int(texture);
}

// --- projections -------------------------------------------------------------

void MOX_Perspective(float fovy, float aspect, float znear, float zfar)
{
    double top = tan(double(fovy) * 3.141592653589793 / 360.0) * double(znear);
    glFrustum(-top * aspect, top * aspect, -top, top, znear, zfar);
}

void MOX_Enable2D()
{
    if (MOX_projectionmode) {
        GLint vp[4];
        glGetIntegerv(GL_VIEWPORT, vp);
        // A frame buffer drawn at another size keeps its own coordinates.
        double sx = 1, sy = 1;
        if (MOX_FrameBuffer) {
            const s_framebufferdata& d = MOX_framebufferdata[MOX_FrameBuffer->dataindex];
            if (d.drawwidth > 0 && d.drawheight > 0) {
                sx = double(MOX_FrameBuffer->width) / d.drawwidth;
                sy = double(MOX_FrameBuffer->height) / d.drawheight;
            }
        }
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glOrtho(vp[0] * sx, (vp[0] + vp[2]) * sx, (vp[1] + vp[3]) * sy, vp[1] * sy, -1.0, 1.0);
    }
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_LIGHTING);
    MOX_projectionmode = 0;
}

void MOX_Disable2D()
{
    if (MOX_projectionmode) return;
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    float aspect = MOX_FrameBuffer && MOX_FrameBuffer->height
                       ? float(MOX_FrameBuffer->width) / float(MOX_FrameBuffer->height)
                       : 1.0f;
    MOX_Perspective(45.0f, aspect, 0.01f, 1000.0f);
    glMatrixMode(GL_MODELVIEW);
    MOX_projectionmode = 1;
}

// --- render states and blending ------------------------------------------------

void MOX_EnableRenderState(int flags)
{
    if (flags & MOX_renderstate) return;
    if (flags & MOX_ALPHATEST) glEnable(GL_ALPHA_TEST);
    if (flags & MOX_DEPTHTEST) glEnable(GL_DEPTH_TEST);
    if (flags & MOX_BLEND) glEnable(GL_BLEND);
    if (flags & MOX_LIGHTING) glEnable(GL_LIGHTING);
    MOX_renderstate |= flags;
    MOX_stats_numstateswitches++;
}

void MOX_DisableRenderState(int flags)
{
    if (!(flags & MOX_renderstate)) return;
    if (flags & MOX_ALPHATEST) glDisable(GL_ALPHA_TEST);
    if (flags & MOX_DEPTHTEST) glDisable(GL_DEPTH_TEST);
    if (flags & MOX_BLEND) glDisable(GL_BLEND);
    if (flags & MOX_LIGHTING) glDisable(GL_LIGHTING);
    MOX_renderstate &= ~flags;
    MOX_stats_numstateswitches++;
}

void MOX_SetBlendMode(int mode)
{
    if (mode == 1) glBlendFunc(GL_SRC_COLOR, GL_DST_COLOR);
    if (mode == 2) glBlendFunc(GL_SRC_COLOR, GL_ONE);
}

void MOX_EnableAlphaBlend(float alpha)
{
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glEnable(GL_BLEND);
    glColor4f(1.0f, 1.0f, 1.0f, alpha);
}

void MOX_DisableAlphaBlend()
{
    glDisable(GL_BLEND);
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
}

// --- textures ------------------------------------------------------------------

int MOX_CreateTexture(int width, int height, void* pixels, int)
{
    GLuint id = 0;
    glGenTextures(1, &id);
    mox_directbind(id);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexImage2D(GL_TEXTURE_2D, 0, 4, PowerOfTwo(width), PowerOfTwo(height), 0, GL_RGBA, GL_UNSIGNED_BYTE, pixels);
    return int(id);
}

void MOX_SetTextureOptions(int texture, int minfilter, int magfilter, int wraps, int wrapt)
{
    mox_directbind(GLuint(texture));
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, minfilter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, magfilter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, wraps);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, wrapt);
}

void MOX_UpdateTexture(int texture, int width, int height, void* pixels)
{
    mox_directbind(GLuint(texture));
    glTexImage2D(GL_TEXTURE_2D, 0, 4, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, pixels);
}

void MOX_DeleteTexture(int texture)
{
    GLuint id = GLuint(texture);
    glDeleteTextures(1, &id);
    if (texture == MOX_lasttextureid) MOX_lasttextureid = -1;  // GL falls back to texture 0
}

void MOX_BindTexture(int texture)
{
    if (texture == MOX_lasttextureid) return;
    glBindTexture(GL_TEXTURE_2D, GLuint(texture));
    MOX_lasttextureid = texture;
    MOX_stats_numtexturebinds++;
}

void MOX_BindTextureChannel(int texture, int channel)
{
    if (channel >= 0 && channel <= 3 && glActiveTexture) glActiveTexture(GL_TEXTURE0 + channel);
    // The cache follows the active unit, where later binds land.
    mox_directbind(GLuint(texture));
}

// --- quads and lines -------------------------------------------------------------

// Strict on every side; a NaN fails.
static bool mox_onframebuffer(float x, float y, float w, float h)
{
    if (!MOX_FrameBuffer) return false;
    float fw = float(MOX_FrameBuffer->width), fh = float(MOX_FrameBuffer->height);
    return y > -h && y < fh && x > -w && x < fw;
}

static void mox_drawcorners(const GLfloat* v, const GLfloat* t)
{
    glVertexPointer(3, GL_FLOAT, 0, v);
    glTexCoordPointer(2, GL_FLOAT, 0, t);
    glDrawElements(GL_TRIANGLES, 6, GL_UNSIGNED_BYTE, quad_index);
    MOX_stats_numtriangles += 2;
}

void MOX_DrawQuad(float x, float y, float w, float h, float s0, float t0, float s1, float t1)
{
    if (!mox_onframebuffer(x, y, w, h)) return;
    GLfloat v[12] = {x, y, 0, x + w, y, 0, x + w, y + h, 0, x, y + h, 0};
    GLfloat t[8] = {s0, t0, s1, t0, s1, t1, s0, t1};
    MOX_Enable2D();
    mox_drawcorners(v, t);
}

void MOX_DrawRotatedQuad(float x, float y, float w, float h, float s0, float t0, float s1, float t1, float angle)
{
    if (!mox_onframebuffer(x, y, w, h)) return;
    float hw = w / 2, hh = h / 2;
    GLfloat v[12] = {-hw, -hh, 0, hw, -hh, 0, hw, hh, 0, -hw, hh, 0};
    GLfloat t[8] = {s0, t0, s1, t0, s1, t1, s0, t1};
    MOX_Enable2D();
    glLoadIdentity();
    glTranslatef(x + hw, y + hh, 0.0f);
    glRotatef(angle, 0.0f, 0.0f, 1.0f);
    mox_drawcorners(v, t);
}

void MOX_DrawColorQuad(float x, float y, float w, float h, float r, float g, float b)
{
    if (!mox_onframebuffer(x, y, w, h)) return;
    GLfloat v[12] = {x, y, 0, x + w, y, 0, x + w, y + h, 0, x, y + h, 0};
    static const GLfloat t[8] = {0, 0, 1, 0, 1, 1, 0, 1};
    glColor4f(r, g, b, 1.0f);
    MOX_Enable2D();
    mox_drawcorners(v, t);
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
}

void MOX_DrawLineRGB(float x1, float y1, float x2, float y2, float r, float g, float b)
{
    if (!MOX_FrameBuffer) return;
    float fw = float(MOX_FrameBuffer->width), fh = float(MOX_FrameBuffer->height);
    bool yin = (y1 >= 0 && y1 < fh) || (y2 >= 0 && y2 < fh);
    bool xin = (x1 >= 0 && x1 < fw) || (x2 >= 0 && x2 < fw);
    if (!yin || !xin) return;
    MOX_Enable2D();
    glPointSize(2.0f);
    glColor3f(r, g, b);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    glBegin(GL_LINES);
    glColor3f(r, g, b);
    glVertex2f(x1, y1);
    glVertex2f(x2, y2);
    glEnd();
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glColor3f(1.0f, 1.0f, 1.0f);
    MOX_stats_numlines++;
}

// --- frame buffers -------------------------------------------------------------------

static bool mox_validframebuffer(int index) { return index >= 0 && index < MOX_numframebuffers; }

static int mox_renderwidth = 0, mox_renderheight = 0;  // 0: every frame buffer at its own size

// The size a frame buffer of width x height is drawn at: its own, scaled by
// the render size over the picture's.
static void mox_drawsize(int width, int height, int* w, int* h)
{
    *w = width;
    *h = height;
    if (mox_renderwidth <= 0 || mox_renderheight <= 0 || MOX_video.width <= 0 || MOX_video.height <= 0) return;
    const int64_t sw = int64_t(width) * mox_renderwidth, sh = int64_t(height) * mox_renderheight;
    *w = int((sw + MOX_video.width / 2) / MOX_video.width);
    *h = int((sh + MOX_video.height / 2) / MOX_video.height);
    if (*w < 1) *w = 1;
    if (*h < 1) *h = 1;
}

// The images of frame buffer `index` at its draw size (their content undefined).
static void mox_sizeframebuffer(int index)
{
    const s_framebufferdata& d = MOX_framebufferdata[index];
    if (glActiveTexture) glActiveTexture(GL_TEXTURE0);
    mox_directbind(d.texture);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, d.drawwidth, d.drawheight, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    if (d.depthtexture) {
        mox_directbind(d.depthtexture);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_DEPTH24_STENCIL8, d.drawwidth, d.drawheight, 0, GL_DEPTH_STENCIL,
                     GL_UNSIGNED_INT_24_8, nullptr);
    }
}

int MOX_CreateFrameBuffer(int width, int height, int flags)
{
    int index = MOX_numframebuffers;
    if (index >= MOX_MAXFRAMEBUFFERS) {
        printf("[MOX] frame buffer table full (%d): %d,%d not created\n", MOX_MAXFRAMEBUFFERS, width, height);
        return -1;
    }
    if (width <= 0 || height <= 0) {
        printf("[MOX] frame buffer of %d,%d refused: size must be positive\n", width, height);
        return -1;
    }
    int drawwidth = width, drawheight = height;
    mox_drawsize(width, height, &drawwidth, &drawheight);
    uint8_t* pixels = static_cast<uint8_t*>(malloc(size_t(drawwidth) * size_t(drawheight) * 4));
    if (!pixels) {
        printf("[MOX] frame buffer of %d,%d refused: out of memory\n", width, height);
        return -1;
    }
    MOX_framebuffers[index] = s_framebuffer{width, height, index, flags};
    s_framebufferdata& d = MOX_framebufferdata[index];
    d = s_framebufferdata{pixels, 0, 0, 0, drawwidth, drawheight};
    printf("[MOX] Init Framebuffer: %d,%d\n", width, height);

    if (glActiveTexture) glActiveTexture(GL_TEXTURE0);
    glGenTextures(1, &d.texture);
    mox_directbind(d.texture);
    GLint filter = (flags & MOX_FRAMEBUFFER_LINEAR) ? GL_LINEAR : GL_NEAREST;
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, filter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, filter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_MIRRORED_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_MIRRORED_REPEAT);

    if (flags & MOX_FRAMEBUFFER_DEPTH) {
        glGenTextures(1, &d.depthtexture);
        mox_directbind(d.depthtexture);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_COMPARE_MODE, GL_NONE);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    }
    mox_sizeframebuffer(index);

    GLenum status = 0;
    if (glGenFramebuffersEXT) {
        glGenFramebuffersEXT(1, &d.fbo);
        glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, d.fbo);
        glFramebufferTexture2DEXT(GL_FRAMEBUFFER_EXT, GL_COLOR_ATTACHMENT0_EXT, GL_TEXTURE_2D, d.texture, 0);
        if (flags & MOX_FRAMEBUFFER_DEPTH)
            glFramebufferTexture2DEXT(GL_FRAMEBUFFER_EXT, GL_DEPTH_ATTACHMENT_EXT, GL_TEXTURE_2D, d.depthtexture, 0);
        status = glCheckFramebufferStatusEXT(GL_FRAMEBUFFER_EXT);
    }
    if (status == GL_FRAMEBUFFER_COMPLETE_EXT) {
        MOX_framebuffers_enabled = 1;
    } else {
        printf("glCheckFramebufferStatus: error %d", int(status));
        MOX_framebuffers_enabled = 0;
    }
    if (glBindFramebufferEXT) glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, 0);
    MOX_numframebuffers++;
    return index;
}

void MOX_SetRenderSize(int width, int height)
{
    if (width <= 0 || height <= 0) width = height = 0;
    mox_renderwidth = width;
    mox_renderheight = height;
    for (int i = 0; i < MOX_numframebuffers; i++) {
        s_framebufferdata& d = MOX_framebufferdata[i];
        int w = 0, h = 0;
        mox_drawsize(MOX_framebuffers[i].width, MOX_framebuffers[i].height, &w, &h);
        if (w == d.drawwidth && h == d.drawheight) continue;
        if (size_t(w) * size_t(h) > size_t(d.drawwidth) * size_t(d.drawheight)) {
            // Larger: the read-back fallback's buffer grows with it.
            uint8_t* pixels = static_cast<uint8_t*>(malloc(size_t(w) * size_t(h) * 4));
            if (!pixels) {
                printf("[MOX] frame buffer %d cannot be drawn at %d,%d: out of memory\n", i, w, h);
                continue;
            }
            free(d.pixels);
            d.pixels = pixels;
        }
        d.drawwidth = w;
        d.drawheight = h;
        mox_sizeframebuffer(i);
    }
    if (MOX_FrameBuffer) {
        const s_framebufferdata& d = MOX_framebufferdata[MOX_FrameBuffer->dataindex];
        mox_directbind(d.texture);
        glViewport(0, 0, d.drawwidth, d.drawheight);
        MOX_projectionmode = 1;
    }
}

void MOX_GetRenderSize(int* width, int* height)
{
    int w = MOX_video.width, h = MOX_video.height;
    if (mox_renderwidth > 0) w = mox_renderwidth, h = mox_renderheight;
    if (width) *width = w;
    if (height) *height = h;
}

void MOX_SetFrameBuffer(int index)
{
    if (!mox_validframebuffer(index)) return;
    MOX_FrameBuffer = &MOX_framebuffers[index];
    const s_framebufferdata& d = MOX_framebufferdata[index];
    if (MOX_framebuffers_enabled) glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, d.fbo);
    mox_directbind(d.texture);
    glViewport(0, 0, d.drawwidth, d.drawheight);
    MOX_projectionmode = 1;
}

int MOX_GetFrameBufferWidth() { return MOX_FrameBuffer ? MOX_FrameBuffer->width : 0; }
int MOX_GetFrameBufferHeight() { return MOX_FrameBuffer ? MOX_FrameBuffer->height : 0; }

int MOX_GetFrameBufferTexture(int index)
{
    return mox_validframebuffer(index) ? int(MOX_framebufferdata[index].texture) : 0;
}

int MOX_GetFrameBufferDepth(int index)
{
    return mox_validframebuffer(index) ? int(MOX_framebufferdata[index].depthtexture) : 0;
}

void MOX_ClearFrameBuffer(int colour)
{
    uint32_t c = uint32_t(colour);
    glClearColor((c & 0xFF) / 255.0f, ((c >> 8) & 0xFF) / 255.0f, ((c >> 16) & 0xFF) / 255.0f,
                 ((c >> 24) & 0xFF) / 255.0f);
    GLbitfield mask = GL_COLOR_BUFFER_BIT;
    if (MOX_FrameBuffer && (MOX_FrameBuffer->flags & MOX_FRAMEBUFFER_DEPTH)) mask |= GL_DEPTH_BUFFER_BIT;
    glClear(mask);
}

void MOX_DrawFrameBuffer(int x, int y, int w, int h, int index)
{
    if (!mox_validframebuffer(index)) return;
    mox_directbind(MOX_framebufferdata[index].texture);
    MOX_DrawQuad(float(x), float(y), float(w), float(h), 0.0f, 1.0f, 1.0f, 0.0f);
}

// --- the end-of-frame pass -----------------------------------------------------------

void MOX_SwapBuffers()
{
    if (MOX_rehearsing) {
        // Nothing was drawn: the step ends without a present, and the
        // statistics start again as after one.
        MOX_stats_numtriangles = 0;
        MOX_stats_numtexturebinds = 0;
        MOX_stats_numstateswitches = 0;
        mox_rehearsed();
        return;
    }
    if (!MOX_FrameBuffer) return;
    const s_framebuffer& fb = *MOX_FrameBuffer;
    s_framebufferdata& d = MOX_framebufferdata[fb.dataindex];

    if (MOX_framebuffers_enabled) {
        glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, 0);
    } else {
        // No frame-buffer objects: the frame was drawn into the window's back
        // buffer; take it through system memory into the frame's texture.
        glReadPixels(0, 0, d.drawwidth, d.drawheight, GL_RGBA, GL_UNSIGNED_BYTE, d.pixels);
        glBindTexture(GL_TEXTURE_2D, d.texture);
        glTexImage2D(GL_TEXTURE_2D, 0, 4, d.drawwidth, d.drawheight, 0, GL_RGBA, GL_UNSIGNED_BYTE, d.pixels);
    }
    glBindTexture(GL_TEXTURE_2D, d.texture);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    // A window of another size than the picture (a desktop without the
    // picture's mode, a --window window) shows it scaled, its shape kept;
    // the clear above leaves the bars black.
    int px = 0, py = 0, pw = MOX_video.width, ph = MOX_video.height;
    mox_getpresentrect(MOX_video.width, MOX_video.height, &px, &py, &pw, &ph);
    glViewport(px, py, pw, ph);
    MOX_projectionmode = 1;
    MOX_Enable2D();

    // The picture's own coordinates over the viewport, whatever size the
    // window and the frame are drawn at.
    float w = float(MOX_video.width), h = float(MOX_video.height);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0.0, w, h, 0.0, -1.0, 1.0);
    glMatrixMode(GL_MODELVIEW);
    if (MOX_shaders_enabled) {
        int shader = MOX_postshader_id;
        if (shader >= 0) {
            MOX_BindShader(shader);
            MOX_SetShaderUniform1i(shader, "fbo_texture", 0);
            MOX_SetShaderUniform1i(shader, "fbo_depth", 1);
            MOX_SetShaderUniform1f(shader, "width", w);
            MOX_SetShaderUniform1f(shader, "height", h);
            MOX_SetShaderUniform1f(shader, "fadevalue", MOX_fadevalue);
            MOX_SetShaderUniform1f(shader, "scanlinevalue", MOX_scanlinevalue);
        }
        MOX_DrawQuad(0, 0, w, h, 0, 1, 1, 0);
        if (shader >= 0) MOX_UnbindShader();
    } else {
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        glEnable(GL_BLEND);
        glColor4f(1.0f, 1.0f, 1.0f, MOX_fadevalue);
        MOX_DrawQuad(0, 0, w, h, 0, 1, 1, 0);
        if (MOX_scanlinevalue > 0) {
            glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
            glBindTexture(GL_TEXTURE_2D, GLuint(mox_scanlinetexture_id));
            glColor4f(1.0f, 1.0f, 1.0f, MOX_scanlinevalue);
            MOX_DrawQuad(0, 0, w, h, 0, 1, 1, 0);
        }
        glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
        glDisable(GL_BLEND);
    }
    if (mox_presentoverlay) mox_presentoverlay();

    glFinish();
    mox_swapbuffers();
    if (MOX_framebuffers_enabled) glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, d.fbo);
    glViewport(0, 0, d.drawwidth, d.drawheight);
    MOX_projectionmode = 1;
    MOX_lasttextureid = -1;
    MOX_stats_numtriangles = 0;
    MOX_stats_numtexturebinds = 0;
    MOX_stats_numstateswitches = 0;
    mox_pacerendersize();
}

void MOX_SetPresentOverlay(void (*draw)()) { mox_presentoverlay = draw; }

void MOX_SwapBuffersBasic()
{
    mox_swapbuffers();
    if (MOX_FrameBuffer) {
        const s_framebufferdata& d = MOX_framebufferdata[MOX_FrameBuffer->dataindex];
        glViewport(0, 0, d.drawwidth, d.drawheight);
    }
    if (glBindFramebufferEXT) glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, 0);
}

void MOX_SetPostShader(int shader) { MOX_postshader_id = shader; }
void MOX_SetFadeValue(float fade) { MOX_fadevalue = fade; }
void MOX_SetScanlineValue(float scanline) { MOX_scanlinevalue = scanline; }

int MOX_InitDefaultPostShader() { return MOX_InitShader(vv_defaultpostshader, ff_defaultpostshader); }
