// links: mox_demotoolkit mox_sound mox_core
// Arbitrary bytes as a voxel file and as an OBJ export: the loader must
// stay inside its buffer of 32,768 records, the converter inside the
// records it counted.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "core/corefile.h"
#include "demo/helpers.h"

static std::string dir;

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    dir = "/tmp/fuzz_voxel_" + std::to_string(getpid());
    mkdir(dir.c_str(), 0700);
    if (!freopen("/dev/null", "w", stdout)) return 1;  // the loaders' log lines
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    for (const char* name : {"/in.vxl", "/in.obj"}) {
        FILE* f = fopen((dir + name).c_str(), "wb");
        if (!f) return 0;
        fwrite(data, 1, size, f);
        fclose(f);
    }
    if (!corefile_mountimage(dir.c_str(), COREFILE_DIRECTORY)) return 0;
    // Exactly the demo's buffer, so a write past it is caught.
    static std::vector<float> buffer(VOXEL_MAXVOXELS * VOXEL_FLOATS);
    int count = 0;
    LoadVoxel("in.vxl", buffer.data(), &count);
    if (count < 0 || count > VOXEL_MAXVOXELS) __builtin_trap();
    ConvertObjToFile("in.obj", size & 1, (dir + "/out.vxl").c_str());
    LoadVoxel("out.vxl", buffer.data(), &count);
    corefile_closeimage();
    return 0;
}
