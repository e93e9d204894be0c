// Frame cost of the renderer at 1920 x 1080: an empty frame (clear and the
// post pass) and a frame of 1,000 textured 64 x 64 quads plus the post pass,
// each presented with the default post shader. Runs under the engine's main
// like any application; off-screen on llvmpipe when there is no display.
// links: mox_video mox_platform
#include "engine/platform/moxgl.h"  // the renderer's name, for the report

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "engine/video/mox.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Figures {
    double mean, best, worst;
};

template <typename Frame>
Figures measure(int frames, Frame frame)
{
    for (int i = 0; i < 5; i++) frame(i);  // warm-up: shader and texture paths
    std::vector<double> ms;
    for (int i = 0; i < frames; i++) {
        auto start = Clock::now();
        frame(i);
        ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }
    double sum = 0;
    for (double m : ms) sum += m;
    return {sum / frames, *std::min_element(ms.begin(), ms.end()), *std::max_element(ms.begin(), ms.end())};
}

}  // namespace

int coremain(int argc, char** argv)
{
    int frames = argc > 1 ? std::max(1, atoi(argv[1])) : 60;
    const int width = 1920, height = 1080, quads = 1000;

    MOX_InitVideo(width, height, 0);
    MOX_SetPostShader(MOX_InitDefaultPostShader());
    MOX_SetFadeValue(0.8f);
    MOX_SetScanlineValue(0.2f);

    std::vector<uint32_t> texels(64 * 64);
    for (int i = 0; i < 64 * 64; i++) texels[i] = 0xFF000000u | uint32_t(i * 2654435761u >> 8);
    int texture = MOX_CreateTexture(64, 64, texels.data(), 0);

    std::vector<float> xs(quads), ys(quads);
    srand(1);
    for (int i = 0; i < quads; i++) {
        xs[i] = float(rand() % (width - 64));
        ys[i] = float(rand() % (height - 64));
    }

    Figures empty = measure(frames, [](int) {
        MOX_ClearFrameBuffer(int(0xFF000000u));
        MOX_SwapBuffers();
    });
    Figures full = measure(frames, [&](int frame) {
        MOX_ClearFrameBuffer(int(0xFF000000u));
        MOX_BindTexture(texture);
        for (int i = 0; i < quads; i++) MOX_DrawQuad(xs[i] + float(frame % 7), ys[i], 64, 64, 0, 0, 1, 1);
        MOX_SwapBuffers();
    });

    printf("bench_video: %s, %s, %dx%d frame buffer, %d frames each\n",
           reinterpret_cast<const char*>(glGetString(GL_RENDERER)), mox_headless() ? "off-screen" : "window", width,
           height, frames);
    printf("  empty frame (clear + post pass):        mean %.2f ms  best %.2f  worst %.2f\n", empty.mean, empty.best,
           empty.worst);
    printf("  1,000 textured quads + post pass:        mean %.2f ms  best %.2f  worst %.2f\n", full.mean, full.best,
           full.worst);
    printf("  the quads alone:                         %.3f ms per frame, %.2f us per quad\n", full.mean - empty.mean,
           (full.mean - empty.mean) * 1000.0 / quads);
    MOX_CloseVideo();
    return 0;
}
