// obj2vxl: converts an OBJ export of coloured cubes into a voxel file for
// people who build the demo's objects.
//   obj2vxl INPUT.obj SWAP OUTPUT.vxl
// SWAP 1 exchanges the y and z axes (for modellers whose up axis is z).
// The input is read through the file layer, by a lower-case link to it.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "core/corefile.h"
#include "demo/helpers.h"
#include "tools/linkedfile.h"

// What the converter passes over in silence, said for the modeller: an
// export whose cubes are objects rather than groups gives no voxels, and
// materials that do not name their colour leave cubes in the last colour.
static void explain(const char* path, int written)
{
    FILE* f = fopen(path, "rb");
    if (!f) return;
    char line[256];
    int groups = 0, objects = 0, unnamed = 0;
    std::string material;
    while (fgets(line, sizeof line, f)) {
        char word[256] = "", rest[256] = "";
        if (sscanf(line, "%255s %255s", word, rest) < 1) continue;
        groups += strcmp(word, "g") == 0;
        objects += strcmp(word, "o") == 0;
        int r, g, b;
        if (strcmp(word, "usemtl") == 0 && sscanf(rest, "RGB_%d_%d_%d", &r, &g, &b) != 3) {
            if (!unnamed++) material = rest;
        }
    }
    fclose(f);
    if (written == 0 && groups == 0 && objects > 0)
        printf(
            "obj2vxl: %s: %d objects ('o') but no groups ('g'): each cube must be a group of its own; export "
            "the model with its objects as OBJ groups\n",
            path, objects);
    if (unnamed)
        printf(
            "obj2vxl: %s: %d materials (the first %s) do not name a colour as RGB_red_green_blue, 0..255: "
            "their cubes keep the colour before them\n",
            path, unnamed, material.c_str());
}

int main(int argc, char** argv)
{
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
    explain(argv[1], written);
    return 0;
}
