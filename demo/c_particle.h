// One particle of the demo's field: it starts at a voxel with the voxel's
// colour, eases towards a random velocity while its colour eases towards a
// random hue, and in falling mode sinks under gravity and bounces off the
// floor at y = 0.1, until its random life runs out. Demo thread only.
//
// No constructor: the global table starts as zeros (dead particles). Spawn
// draws ten numbers from MOX_rand, always in the same order.
#pragma once
#include <cstdint>

class c_particle {
public:
    void Spawn(float x, float y, float z, float r, float g, float b, float ease, int mode);
    void Handle();  // one motion step of a live particle
    void Draw();    // a live particle as mesh_cube (never loaded: draws nothing)

    float x, y, z;        // position
    float r, g, b;        // current colour
    float tr, tg, tb;     // target colour
    float tvx, tvy, tvz;  // target velocity
    float vx, vy, vz;     // velocity, per step
    float ease;           // share of the target velocity taken each step
    int32_t kind;         // sprite row 0..3
    int32_t life;         // steps left
    int32_t mode;         // 0 falling, any other free
    int32_t alive;        // 1 while alive
};

// Hue in degrees, saturation and value 0..1, single precision. Hues outside
// 0..360 are not reduced: every sector past 5 (and below 0) takes sector 0's
// formula with the unreduced fraction.
void hsv2rgb(float h, float s, float v, float* r, float* g, float* b);
