// The demo's 3D content from code: six voxel objects written as OBJ files of
// coloured cubes (the form the voxel converter reads) and the floor mesh in
// the C3M layout. Single-threaded tool code.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

// Model units per cube: the demo shrinks coordinates twentyfold, so a cube
// is 0.2 scene units and an object of 25 cubes is 5 units tall.
constexpr int MODEL_CUBE = 4;

struct model_voxel {
    int x, y, z;      // cube position in cubes
    uint8_t r, g, b;  // colour
};

struct model_desc {
    int asset;  // its row in the show's assets: ASSET_CHAIR ... ASSET_MONEY
    std::vector<model_voxel> (*build)();
};

extern const model_desc demo_models[6];
// Its voxel file's name without ".vxl": "chair" ... "money", its OBJ's too.
std::string ModelName(const model_desc& m);

// The cubes as OBJ text: per cube a "g" line, a "usemtl RGB_r_g_b" line,
// eight "v" lines and six faces; y is up.
std::string ModelToObj(const std::vector<model_voxel>& voxels, const char* name);

// The floor: one face group of upward-facing triangles, one channel of
// coordinates spanning the texture once.
std::vector<uint8_t> BuildFloorC3M();
