// A first program on the MOX engine: coloured and textured quads, lines and
// a rotated quad drawn into a frame buffer of its own, presented through
// the default post shader with a fade in and out; over it a sprite and a
// line of centred text, both from the demo's data image.
//
// The engine supplies main: it opens the window and runs this coremain on
// the demo thread, which owns the GL context. With no display the frames are
// rendered off-screen. Ends on Escape or after --frames N frames. With
// --video the frames go to ffmpeg on the engine's virtual 60 Hz clock, so the
// file plays at the speed the window would, however slowly it was drawn.
//
//   mox_example [--frames N] [--save last.ppm] [--video out.mp4] [--fullscreen] [--data orlem.dat]
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "engine/platform/moxgl.h"  // glReadPixels for --save and --video

#include "corefile.h"
#include "engine/image/corefont.h"
#include "engine/platform/driver.h"
#include "engine/video/mox.h"

#ifndef MOX_EXAMPLE_DATA
#define MOX_EXAMPLE_DATA "orlem.dat"  // the build names the demo's own
#endif

namespace {

const int kWidth = 1280;
const int kHeight = 720;
const int kHeadlessFrames = 300;  // 5 s at 60 Hz when no one can press Escape

const char* savepath = nullptr;
FILE* video = nullptr;  // ffmpeg's input, for --video
const char* datapath = MOX_EXAMPLE_DATA;
std::vector<unsigned char> lastframe;

// Listed in the engine's tables until the end, so they live as globals.
s_sprite splats;
s_font font;

// Keeps the presented frame for --save (bottom row first, as GL reads it).
void keepframe(int width, int height)
{
    lastframe.resize(size_t(width) * height * 3);
    GLint bound = 0;
    glGetIntegerv(GL_FRAMEBUFFER_BINDING_EXT, &bound);
    glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, 0);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, lastframe.data());
    glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, GLuint(bound));
    if (video) fwrite(lastframe.data(), 1, lastframe.size(), video);
}

// Frames arrive bottom row first; ffmpeg turns them upright.
FILE* openvideo(const char* path)
{
    char command[1024];
    snprintf(command, sizeof command,
             "ffmpeg -loglevel error -y -f rawvideo -pix_fmt rgb24 -s %dx%d -r 60 -i - "
             "-vf vflip -c:v libx264 -pix_fmt yuv420p '%s'",
             kWidth, kHeight, path);
    FILE* pipe = popen(command, "w");
    if (!pipe) printf("example: cannot start ffmpeg for %s\n", path);
    return pipe;
}

void saveframe(const char* path)
{
    FILE* f = fopen(path, "wb");
    if (!f) {
        printf("example: cannot write %s\n", path);
        return;
    }
    fprintf(f, "P6\n%d %d\n255\n", kWidth, kHeight);
    for (int y = kHeight - 1; y >= 0; y--) fwrite(&lastframe[size_t(y) * kWidth * 3], 1, size_t(kWidth) * 3, f);
    fclose(f);
    printf("example: last frame written to %s\n", path);
}

// A 64 x 64 checker board in two colours, bytes red, green, blue, alpha.
int makechecker()
{
    std::vector<unsigned char> pixels(64 * 64 * 4);
    for (int y = 0; y < 64; y++)
        for (int x = 0; x < 64; x++) {
            unsigned char* p = &pixels[(y * 64 + x) * 4];
            bool light = ((x / 8) + (y / 8)) % 2 == 0;
            p[0] = light ? 250 : 40;
            p[1] = light ? 200 : 60;
            p[2] = light ? 80 : 160;
            p[3] = 255;
        }
    return MOX_CreateTexture(64, 64, pixels.data(), 0);
}

void drawscene(int frame, int checker)
{
    float t = frame / 60.0f;
    // Quads draw with the bound texture; colour quads are modulated by it,
    // so they want the white one.
    MOX_BindTexture(mox_whitetexture_id);
    MOX_ClearFrameBuffer(int(0xFF281410u));  // red in the low byte: a dark blue

    for (int i = 0; i < 12; i++) {
        float x = 40.0f + i * 100.0f;
        float r = 0.5f + 0.5f * std::sin(t + i * 0.5f);
        MOX_DrawColorQuad(x, 40, 80, 80, r, 0.3f, 1.0f - r);
    }

    MOX_BindTexture(checker);
    for (int i = 0; i < 5; i++) {
        float x = 80.0f + i * 230.0f + 40.0f * std::sin(t * 2.0f + i);
        MOX_DrawQuad(x, 200, 160, 160, 0, 0, 2, 2);  // texture coordinates past 1 repeat
    }
    MOX_DrawRotatedQuad(540, 420, 200, 200, 0, 0, 1, 1, t * 45.0f);

    for (int i = 0; i < 32; i++) {
        float y = 660.0f + 20.0f * std::sin(t * 3.0f + i * 0.4f);
        MOX_DrawLineRGB(i * 40.0f, y, i * 40.0f + 40.0f, 660.0f + 20.0f * std::sin(t * 3.0f + (i + 1) * 0.4f), 1.0f,
                        1.0f, 0.2f);
    }
    MOX_DrawLineRGB(0, 0, kWidth - 1, kHeight - 1, 0.2f, 1.0f, 0.2f);
}

}  // namespace

int coremain(int argc, char** argv)
{
    int frames = 0;
    int flags = 0;
    const char* videopath = nullptr;
    for (int i = 1; i < argc; i++) {
        if (strcmp(argv[i], "--frames") == 0 && i + 1 < argc) {
            frames = atoi(argv[++i]);
        } else if (strcmp(argv[i], "--save") == 0 && i + 1 < argc) {
            savepath = argv[++i];
        } else if (strcmp(argv[i], "--video") == 0 && i + 1 < argc) {
            videopath = argv[++i];
        } else if (strcmp(argv[i], "--fullscreen") == 0) {
            flags |= 1;  // the display switches to 1280 x 720 where it can
        } else if (strcmp(argv[i], "--data") == 0 && i + 1 < argc) {
            datapath = argv[++i];
        } else {
            printf("usage: %s [--frames N] [--save last.ppm] [--video out.mp4] [--fullscreen] [--data orlem.dat]\n",
                   argv[0]);
            return 0;
        }
    }
    if (frames <= 0 && mox_headless()) {
        frames = kHeadlessFrames;
        printf("example: no display, drawing %d frames off-screen\n", frames);
    }

    if (videopath) {
        video = openvideo(videopath);
        mox_setvirtualclock(60, 0);
    }
    MOX_SetTitle("MOX example - Escape ends");
    MOX_InitVideo(kWidth, kHeight, flags);
    MOX_SetPostShader(MOX_InitDefaultPostShader());
    MOX_SetScanlineValue(0.15f);
    int scene = MOX_CreateFrameBuffer(kWidth, kHeight, MOX_FRAMEBUFFER_LINEAR);
    int checker = makechecker();
    MOX_SetTextureOptions(checker, GL_NEAREST, GL_NEAREST, GL_REPEAT, GL_REPEAT);
    // Pictures come through the file layer; without the image the log says
    // so and the sprite and the text are left out.
    if (corefile_mountimage(datapath, 0)) {
        MOX_LoadSprite("splats2.tga", &splats);
        MOX_LoadFont("font_heatbig.tga", &font);
        MOX_SetFontSpacing(-6, &font);
    }
    if (savepath || video) mox_setpresenthook(keepframe);

    int frame = 0;
    bool escaped = false;
    while (frames <= 0 || frame < frames) {
        MOX_WaitRefresh();
        MOX_SetFrameBuffer(scene);
        drawscene(frame, checker);

        // Into frame buffer 0, which the post pass presents.
        MOX_SetFrameBuffer(0);
        MOX_ClearFrameBuffer(int(0xFF000000u));
        MOX_DrawFrameBuffer(0, 0, kWidth, kHeight, scene);
        if (splats.texture) MOX_DrawAlphaSprite(1140, 260 + int(100 * std::sin(frame / 40.0f)), splats, 1.0f);
        if (font.numletters) MOX_DrawCenteredText(560, font, "MOX engine - frame %d", frame);
        MOX_DisableRenderState(MOX_ALPHATEST);  // sprites leave it on

        float fade = std::fmin(1.0f, frame / 60.0f);                                                  // one second in
        if (frames > 0 && !savepath && !video) fade = std::fmin(fade, (frames - 1 - frame) / 60.0f);  // and out
        MOX_SetFadeValue(std::fmax(fade, 0.0f));
        MOX_SwapBuffers();
        frame++;

        int held = 0;
        MOX_GetKeys(&held, nullptr);
        if (held & 0x8000) {
            escaped = true;
            break;
        }
        int fps = MOX_GetFPS();  // latched once a second
        if (frame % 120 == 0) printf("example: frame %d, %d fps\n", frame, fps);
    }

    if (escaped)
        printf("example: ended by Escape after %d frames\n", frame);
    else
        printf("example: %d frames drawn\n", frame);
    if (savepath && !lastframe.empty()) saveframe(savepath);
    if (video && pclose(video) == 0) printf("example: video written to %s\n", videopath);
    MOX_CloseVideo();
    return 0;
}
