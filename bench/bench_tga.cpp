// links: mox_image mox_core
// Loading a 1920 x 1080 32-bit TGA file, uncompressed and run-length packed,
// with LoadImageTGA (through the file layer, over a mounted folder) and with
// stb_image (stbi_load on the same file), side by side in one run. Both read
// the whole file and decode it to red, green, blue, alpha bytes; the page
// cache is warm for both. A stand-in renderer takes the texture calls, so
// the figures are the reader's alone. The picture has flat stretches, soft
// gradients and noise, and no colour-key pixel, so both decoders must give
// the same bytes, which is checked.
#define STBI_ONLY_TGA
#define STB_IMAGE_IMPLEMENTATION
#include <stb/stb_image.h>  // the reference decoder, for this benchmark only

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <malloc.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "corefile.h"
#include "engine/image/corebitmap.h"
#include "tests/image/nullvideo.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int W = 1920, H = 1080, RUNS = 25;

// B, G, R, A per pixel, in file order (bottom row first, as most files are).
std::vector<uint8_t> picture()
{
    std::vector<uint8_t> p((size_t)W * H * 4);
    uint32_t seed = 1;
    for (int y = 0; y < H; y++)
        for (int x = 0; x < W; x++) {
            uint8_t* q = &p[((size_t)y * W + x) * 4];
            const int band = (x / 96 + y / 108) % 4;
            int r, g, b, a = 255;
            if (band == 0) {  // flat
                r = 30, g = 60, b = 90;
            } else if (band == 1) {  // gradient
                r = x * 255 / W, g = y * 255 / H, b = (x + y) & 0xFF;
            } else if (band == 2) {  // short runs
                r = g = b = (x / 7) * 13 & 0xFF;
                a = 200;
            } else {  // noise
                seed = seed * 1664525u + 1013904223u;
                r = seed >> 24, g = seed >> 16 & 0xFF, b = seed >> 8 & 0xFF;
                a = seed & 0xFF;
            }
            if (g < 16) g = 16;  // never the colour key
            q[0] = (uint8_t)b, q[1] = (uint8_t)g, q[2] = (uint8_t)r, q[3] = (uint8_t)a;
        }
    return p;
}

std::string header(int type)
{
    std::string h(18, '\0');
    h[2] = (char)type;
    h[12] = (char)(W & 0xFF), h[13] = (char)(W >> 8);
    h[14] = (char)(H & 0xFF), h[15] = (char)(H >> 8);
    h[16] = 32;
    h[17] = 0x08;  // bottom-left, 8 alpha bits
    return h;
}

// Run-length packing as an ordinary writer does it: runs of 2 or more equal
// pixels, raw packets for the rest, packets of at most 128 within a row.
std::string packed(const std::vector<uint8_t>& p)
{
    std::string out = header(10);
    for (int y = 0; y < H; y++) {
        const uint32_t* row = (const uint32_t*)(const void*)&p[(size_t)y * W * 4];
        int x = 0;
        while (x < W) {
            int run = 1;
            while (x + run < W && run < 128 && row[x + run] == row[x]) run++;
            if (run >= 2) {
                out += (char)(0x80 | (run - 1));
                out.append((const char*)&row[x], 4);
                x += run;
                continue;
            }
            int raw = 1;
            while (x + raw < W && raw < 128 && !(x + raw + 1 < W && row[x + raw] == row[x + raw + 1])) raw++;
            out += (char)(raw - 1);
            out.append((const char*)&row[x], (size_t)raw * 4);
            x += raw;
        }
    }
    return out;
}

// Log lines go nowhere while the clock runs.
struct Quiet {
    int saved;
    Quiet()
    {
        fflush(stdout);
        saved = dup(1);
        int null = open("/dev/null", O_WRONLY);
        dup2(null, 1);
        close(null);
    }
    ~Quiet()
    {
        fflush(stdout);
        dup2(saved, 1);
        close(saved);
    }
};

double median_of(std::vector<double> t)
{
    std::sort(t.begin(), t.end());
    return t[t.size() / 2];
}

double seconds(Clock::time_point t0) { return std::chrono::duration<double>(Clock::now() - t0).count(); }

// One load with each decoder; the pixels are compared when asked.
double load_ours(const char* name, std::vector<uint8_t>* keep)
{
    s_bitmap b = {};
    double t;
    {
        Quiet quiet;
        const auto t0 = Clock::now();
        LoadImageTGA(name, &b);
        t = seconds(t0);
    }
    if (keep && b.pixels) keep->assign(b.pixels, b.pixels + (size_t)W * H * 4);
    free(b.pixels);
    mox_numbitmaps = 0;
    nullvideo::calls().clear();
    return t;
}

double load_stb(const std::string& path, std::vector<uint8_t>* keep)
{
    int w = 0, h = 0, n = 0;
    const auto t0 = Clock::now();
    uint8_t* s = stbi_load(path.c_str(), &w, &h, &n, 4);
    const double t = seconds(t0);
    if (keep && s && w == W && h == H) keep->assign(s, s + (size_t)W * H * 4);
    stbi_image_free(s);
    return t;
}

// A load in a child process of its own: every buffer is fresh memory.
template <typename F>
double in_child(F load)
{
    int fd[2];
    if (pipe(fd) != 0) return 0;
    const pid_t pid = fork();
    if (pid == 0) {
        const double t = load();
        ssize_t ignored = write(fd[1], &t, sizeof t);
        (void)ignored;
        _exit(0);
    }
    double t = 0;
    if (read(fd[0], &t, sizeof t) != sizeof t) t = 0;
    close(fd[0]);
    close(fd[1]);
    waitpid(pid, nullptr, 0);
    return t;
}

void row(const char* what, const std::vector<double>& ours, const std::vector<double>& stb, const char* note)
{
    const double mp = W * H / 1e6, a = median_of(ours), b = median_of(stb);
    printf("%-26s %8.1f MP/s (%6.2f ms)   %8.1f MP/s (%6.2f ms)   %5.2fx  %s\n", what, mp / a, a * 1e3, mp / b, b * 1e3,
           b / a, note);
}

void run(const char* what, const fs::path& dir, const char* name)
{
    const std::string path = (dir / name).string();
    std::vector<uint8_t> a, b;
    load_ours(name, &a);
    load_stb(path, &b);
    const char* same = !a.empty() && a == b ? "same pixels" : "PIXELS DIFFER";

    std::vector<double> ours, stb;
    for (int i = 0; i < RUNS; i++) {
        ours.push_back(in_child([&] { return load_ours(name, nullptr); }));
        stb.push_back(in_child([&] { return load_stb(path, nullptr); }));
    }
    row((std::string(what) + ", first load").c_str(), ours, stb, same);
    ours.clear();
    stb.clear();
    for (int i = 0; i < RUNS; i++) {
        ours.push_back(load_ours(name, nullptr));
        stb.push_back(load_stb(path, nullptr));
    }
    row((std::string(what) + ", again").c_str(), ours, stb, "");
}

}  // namespace

int main()
{
    char tmpl[] = "/tmp/bench_tga_XXXXXX";
    if (!mkdtemp(tmpl)) return 1;
    const fs::path dir = tmpl;
    const std::vector<uint8_t> p = picture();
    std::ofstream(dir / "plain.tga", std::ios::binary) << header(2) << std::string((const char*)p.data(), p.size());
    const std::string rle = packed(p);
    std::ofstream(dir / "packed.tga", std::ios::binary) << rle;
    {
        Quiet quiet;
        corefile_mountimage(dir.c_str(), 2);
    }
    // Freed memory is kept by the allocator, so repeated loads reuse it.
    mallopt(M_MMAP_THRESHOLD, 32 << 20);
    mallopt(M_TRIM_THRESHOLD, 256 << 20);
    printf("1920 x 1080, 32 bits, bottom-left; median of %d loads (file read and decode)\n", RUNS);
    printf("plain file %.1f MB, packed file %.1f MB\n", (p.size() + 18) / 1e6, rle.size() / 1e6);
    printf("first load: each in a fresh child process, every buffer new memory from the kernel\n");
    printf("again: repeated in one process, freed buffers reused\n\n");
    printf("%-26s %-29s   %-29s   %s\n", "", "LoadImageTGA", "stb_image", "stb time / ours");
    run("uncompressed", dir, "plain.tga");
    run("RLE packed", dir, "packed.tga");
    corefile_closeimage();
    fs::remove_all(dir);
    return 0;
}
