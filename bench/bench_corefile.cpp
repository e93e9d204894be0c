// links: mox_core mox_pack
// Mount time and open-plus-read throughput of a data image of 2,000 files
// (about 200 MB) against the same files loose in a mounted directory, in one
// run and over a warm page cache. Figures go to standard error; the file
// layer's own log lines are sent to /dev/null while the clock runs.
#include "corefile.h"
#include "coremem.h"
#include "pack.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

static double seconds_since(Clock::time_point t) { return std::chrono::duration<double>(Clock::now() - t).count(); }

// Log lines of the layer go nowhere while timing; back on afterwards.
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

struct Figures {
    double mount_ms, read_s;
    uint64_t bytes;
};

static Figures measure(const std::string& what, int type, const std::vector<std::string>& names)
{
    Figures f = {1e9, 1e9, 0};
    for (int round = 0; round < 3; round++) {  // best of three
        Quiet quiet;
        auto t0 = Clock::now();
        if (!corefile_mountimage(what.c_str(), type)) {
            fprintf(stderr, "mount of %s failed\n", what.c_str());
            exit(1);
        }
        f.mount_ms = std::min(f.mount_ms, seconds_since(t0) * 1000);
        t0 = Clock::now();
        uint64_t bytes = 0;
        for (const std::string& name : names) {
            corefile_handle h = {};
            if (!corefile_open(name.c_str(), &h, 0)) continue;
            void* data = _wrap_malloc_dbg(h.size, "bench", __LINE__);
            corefile_read(data, h.size, 1, &h);
            corefile_close(&h);
            _wrap_free_dbg(data, "bench", __LINE__);
            bytes += (uint64_t)h.size;
        }
        f.read_s = std::min(f.read_s, seconds_since(t0));
        f.bytes = bytes;
        corefile_closeimage();
    }
    return f;
}

int main()
{
    const fs::path work = fs::temp_directory_path() / ("bench_corefile_" + std::to_string(getpid()));
    const fs::path tree = work / "tree";
    std::vector<std::string> names;
    uint32_t seed = 12345;
    uint64_t total = 0;
    std::vector<char> block(200 * 1024);
    for (auto& c : block) c = (char)(seed = seed * 1103515245 + 12345) >> 16;
    for (int i = 0; i < 2000; i++) {
        seed = seed * 1103515245 + 12345;
        const size_t size = 1024 + (seed >> 8) % (block.size() - 1024);  // about 100 KB on average
        const std::string name = "set" + std::to_string(i % 20) + "/file" + std::to_string(i) + ".bin";
        fs::create_directories((tree / name).parent_path());
        FILE* out = fopen((tree / name).c_str(), "wb");
        fwrite(block.data(), 1, size, out);
        fclose(out);
        names.push_back(name);
        total += size;
    }
    const std::string image = (work / "bench.dat").string();
    auto t0 = Clock::now();
    std::string error;
    if (!moxpack::create(image, tree.string(), "", error)) {
        fprintf(stderr, "moxpack: %s\n", error.c_str());
        return 1;
    }
    const double pack_s = seconds_since(t0);

    const Figures img = measure(image, 0, names);
    const Figures dir = measure(tree.string(), 2, names);
    fprintf(stderr, "files: %zu, %.1f MB; packed in %.2f s\n", names.size(), total / 1e6, pack_s);
    fprintf(stderr, "%-10s %12s %14s %12s %12s\n", "mount", "mount ms", "open+read s", "MB/s", "files/s");
    for (auto [label, f] : {std::pair{"image", img}, std::pair{"directory", dir}})
        fprintf(stderr, "%-10s %12.2f %14.3f %12.0f %12.0f\n", label, f.mount_ms, f.read_s, f.bytes / 1e6 / f.read_s,
                names.size() / f.read_s);
    fs::remove_all(work);
    return 0;
}
