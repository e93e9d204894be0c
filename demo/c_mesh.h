// Static textured meshes read from C3M files and compiled into display lists.
//
// Demo thread only, with the GL context current (Load ends in Build). Draw
// replays the list of the last face group with channel 0 coordinates; list2
// (channel 1) is compiled for two-channel meshes and never drawn here. The
// file's coordinate indices cover face group 0 only; other groups' corners
// use coordinate 0. Remove frees the arrays but keeps the lists, so a
// removed mesh still draws.
#pragma once
#include <cstdint>

class c_node {
public:
    c_node() {}
    ~c_node() {}
};

struct c_face {
    uint16_t vert0, vert1, vert2;
    uint16_t uv0[3];  // channel 0 coordinate of each corner
    uint16_t uv1[3];  // channel 1 coordinate of each corner
    uint16_t faceword;
};

enum {
    MESH_MAXGROUPS = 8,
    MESH_MAXCHANNELS = 2
};

class c_mesh : public c_node {
public:
    c_mesh() {}
    ~c_mesh() {}

    // Reads the C3M file through the file layer and builds the lists. A file
    // that is missing, short, or out of range anywhere is refused whole with
    // a log line naming it; the mesh is then empty and draws nothing.
    void Load(const char* name);
    // Compiles the display lists from the arrays (Load calls it); only the
    // last face group's lists are kept.
    void Build();
    // Calls the channel 0 list with the current matrices and texture;
    // nothing for a mesh never built.
    void Draw();
    // Frees the arrays and zeroes the counts; the lists stay.
    void Remove();

    float* verts = nullptr;            // x, y, z per vertex
    float* uv[MESH_MAXCHANNELS] = {};  // u, v per coordinate
    c_face* faces[MESH_MAXGROUPS] = {};
    int32_t numfaces[MESH_MAXGROUPS] = {};
    int32_t groupword[MESH_MAXGROUPS] = {};  // stored, not used
    int32_t numuvs[MESH_MAXCHANNELS] = {};
    int32_t numverts = 0;
    int32_t facegroups = 0;
    int32_t uvchannels = 0;
    uint32_t list = 0;   // faces with channel 0 coordinates
    uint32_t list2 = 0;  // faces with channel 1 coordinates (two channels only)
};
