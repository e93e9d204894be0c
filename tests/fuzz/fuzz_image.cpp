// links: mox_core
// Mounts arbitrary bytes as a data image, plain and appended, and uses every
// entry it yields: open, whole reads, line reads, seeks, listings.
#include "corefile.h"
#include "coremem.h"

#include <cstdio>
#include <string>
#include <unistd.h>
#include <vector>

static std::string path;

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    path = "/tmp/fuzz_image_" + std::to_string(getpid()) + ".dat";
    if (!freopen("/dev/null", "w", stdout)) return 1;  // the layer's log lines
    return 0;
}

static void use_every_entry()
{
    const s_coreimage& t = corefile_image;
    for (uint32_t i = 0; i < t.numfiles && i < 64; i++) {
        corefile_handle h = {};
        if (!corefile_open(t.names[i], &h, 0)) continue;
        // Sizes come from the file: a loader trusts them to allocate.
        std::vector<char> data(h.size > 0 ? (size_t)h.size : 0);
        if (h.size > 0) corefile_read(data.data(), h.size, 1, &h);
        corefile_rewind(&h);
        char line[64];
        for (int n = 0; !corefile_feof(&h) && n <= h.size; n++) corefile_gets(line, sizeof line, &h);
        corefile_seek(&h, h.size / 2, 0);
        (void)corefile_tell(&h);
        corefile_close(&h);
    }
    corefile_readdir("*.*");
    if (corefile_numfiles > 0 && corefile_filelist[0].isdir) {
        corefile_chdir(corefile_filelist[0].name);
        corefile_readdir("*.tga");
    }
    if (t.numfiles > 0) {
        corefile_chdir("/");
        if (void* p = corefile_loadbuffer(t.names[0])) _wrap_free_dbg(p, "fuzz", __LINE__);
    }
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FILE* f = fopen(path.c_str(), "wb");
    if (!f) return 0;
    fwrite(data, 1, size, f);
    fclose(f);
    for (int type : {0, 1}) {
        if (corefile_mountimage(path.c_str(), type)) use_every_entry();
        corefile_closeimage();
    }
    if (g_mem_in_use != 0) __builtin_trap();  // every mount must give back all it took
    return 0;
}
