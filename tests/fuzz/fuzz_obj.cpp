// links: mox_demotoolkit mox_sound mox_core
// Arbitrary text as an OBJ export of coloured cubes: the converter writes
// no more cubes than the text can hold, every record it writes loads back
// into the demo's buffer, and nothing reads or writes past a buffer.
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
    dir = "/tmp/fuzz_obj_" + std::to_string(getpid());
    mkdir(dir.c_str(), 0700);
    if (!freopen("/dev/null", "w", stdout)) return 1;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FILE* f = fopen((dir + "/in.obj").c_str(), "wb");
    if (!f) return 0;
    fwrite(data, 1, size, f);
    fclose(f);
    if (!corefile_mountimage(dir.c_str(), COREFILE_DIRECTORY)) return 0;
    const int written = ConvertObjToFile("in.obj", size & 1, (dir + "/out.vxl").c_str());
    // A cube takes eight "v" lines of at least three bytes each.
    if (written < -1 || size_t(written) * 8 * 3 > size + 24) __builtin_trap();
    static std::vector<float> buffer(VOXEL_MAXVOXELS * VOXEL_FLOATS);
    int count = 0;
    LoadVoxel("out.vxl", buffer.data(), &count);
    if (written > 0 && written <= VOXEL_MAXVOXELS && count != written) __builtin_trap();
    corefile_closeimage();
    return 0;
}
