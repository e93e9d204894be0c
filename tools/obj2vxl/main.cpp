// obj2vxl: converts an OBJ export of coloured cubes into a voxel file for
// people who build the demo's objects.
//   obj2vxl INPUT.obj SWAP OUTPUT.vxl
// SWAP 1 exchanges the y and z axes (for modellers whose up axis is z).
// The input is read through the file layer, by a lower-case link to it.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "core/corefile.h"
#include "demo/helpers.h"
#include "tools/linkedfile.h"

int main(int argc, char** argv) {
    if (argc != 4) {
        fprintf(stderr, "usage: obj2vxl INPUT.obj SWAP OUTPUT.vxl\n");
        return 2;
    }
    const int swap = atoi(argv[2]);
    LinkedFile input(argv[1], "input.obj");
    if (input.name.empty() || !corefile_mountimage(input.dir.c_str(), COREFILE_DIRECTORY)) {
        perror(argv[1]);
        return 1;
    }
    const int written = ConvertObjToFile(input.name.c_str(), swap, argv[3]);
    corefile_closeimage();
    if (written < 0) return 1;
    printf("%s: %d voxels\n", argv[3], written);
    return 0;
}
