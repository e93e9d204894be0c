// The web build's stills, for checking the page against a capture: with
// --stills T1,T2,... (seconds of the music), the first frame presented at
// or after each time is read back, shrunk to 48 x 27 and written to the
// console as one line of hex with its step and the frames drawn so far, and
// after the last a line gives the frames drawn and the rate. Nothing else reads the picture in the browser.
#include <emscripten.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "demo/demotiming.h"
#include "demo/demo.h"
#include "engine/platform/driver.h"
#include "engine/platform/moxgl.h"
#include "engine/video/mox.h"

namespace {

enum {
    STILL_W = 48,
    STILL_H = 27
};

std::vector<double> stilltimes;  // ascending, seconds of the music
size_t nextstill = 0;
double started = 0;  // page clock at the first frame, ms
uint32_t firstframe = 0;

double musicseconds() { return TimingSeconds(MusicUnits(snd_demomusic)); }

void takestill(int width, int height, double at, uint32_t frames)
{
    std::vector<uint8_t> rgba(size_t(width) * size_t(height) * 4);
    GLint bound = 0;
    glGetIntegerv(GL_FRAMEBUFFER_BINDING, &bound);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    glBindFramebuffer(GL_FRAMEBUFFER, GLuint(bound));
    // Each cell the mean of its block, top row first.
    std::string hex;
    static const char digits[] = "0123456789abcdef";
    for (int cy = 0; cy < STILL_H; cy++)
        for (int cx = 0; cx < STILL_W; cx++)
            for (int c = 0; c < 3; c++) {
                const int x0 = cx * width / STILL_W, x1 = (cx + 1) * width / STILL_W;
                const int y0 = cy * height / STILL_H, y1 = (cy + 1) * height / STILL_H;
                uint64_t sum = 0, n = 0;
                for (int y = y0; y < y1; y++)
                    for (int x = x0; x < x1; x++, n++) sum += rgba[(size_t(height - 1 - y) * width + x) * 4 + c];
                const int v = n ? int(sum / n) : 0;
                hex += digits[v >> 4];
                hex += digits[v & 15];
            }
    printf("orlem-web: still at %.2f s (asked %.2f s), step %u, frame %u, %.1f s in: %dx%d %s\n", musicseconds(), at,
           MOX_video_step, frames - firstframe, (emscripten_get_now() - started) / 1000, STILL_W, STILL_H, hex.c_str());
}

void presenthook(int width, int height)
{
    const uint32_t frames = mox_framespresented();
    if (started == 0) started = emscripten_get_now(), firstframe = frames;
    const double now = musicseconds();
    while (nextstill < stilltimes.size() && now >= stilltimes[nextstill]) {
        takestill(width, height, stilltimes[nextstill], frames);
        nextstill++;
        if (nextstill == stilltimes.size()) {
            const double seconds = (emscripten_get_now() - started) / 1000;
            printf("orlem-web: %u frames drawn in %.1f s: %.2f frames a second\n", frames - firstframe, seconds,
                   seconds > 0 ? (frames - firstframe) / seconds : 0.0);
        }
    }
}

int takestills(const char* value)
{
    stilltimes.clear();
    for (const char* p = value; *p;) {
        char* end = nullptr;
        const double t = strtod(p, &end);
        if (end == p || t < 0 || (*end && *end != ',') || (!stilltimes.empty() && t < stilltimes.back())) {
            fprintf(stderr, "orlem: --stills wants ascending seconds of the music, as 7,47.5: not '%s'\n", value);
            return 0;
        }
        stilltimes.push_back(t);
        p = *end == ',' ? end + 1 : end;
    }
    mox_setpresenthook(presenthook);
    return 1;
}

[[maybe_unused]] const int stillsoption = mox_addoption("--stills", "T1,T2,...",
                                                        "in the browser: write a small still of the first frame at\n"
                                                        "each of these seconds of the music to the console\n",
                                                        takestills);

}  // namespace
