// obj2vxl: converts an OBJ export of coloured cubes into a voxel file for
// people who build the demo's objects.
//   obj2vxl INPUT.obj SWAP OUTPUT.vxl
// SWAP 1 exchanges the y and z axes (for modellers whose up axis is z).
// The input is read through the file layer with its directory mounted, so
// its file name is looked up in lower case.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "core/corefile.h"
#include "demo/helpers.h"

int main(int argc, char** argv) {
    if (argc != 4) {
        fprintf(stderr, "usage: obj2vxl INPUT.obj SWAP OUTPUT.vxl\n");
        return 2;
    }
    const std::string input = argv[1];
    const int swap = atoi(argv[2]);
    const size_t slash = input.find_last_of('/');
    const std::string dir = slash == std::string::npos ? "." : input.substr(0, slash == 0 ? 1 : slash);
    const std::string file = slash == std::string::npos ? input : input.substr(slash + 1);
    if (!corefile_mountimage(dir.c_str(), COREFILE_DIRECTORY)) {
        fprintf(stderr, "obj2vxl: cannot read the directory %s\n", dir.c_str());
        return 1;
    }
    const int written = ConvertObjToFile(file.c_str(), swap, argv[3]);
    corefile_closeimage();
    if (written < 0) return 1;
    printf("%s: %d voxels\n", argv[3], written);
    return 0;
}
