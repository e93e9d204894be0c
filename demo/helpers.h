// The demo's helpers: the two per-frame ramps of brightness and overlay
// opacity; the loader that fills the demo's voxel buffers from ".vxl" files
// of the file layer, and the converter that turns a Wavefront OBJ export of
// coloured cubes into a voxel file. Demo thread only (the converter is a
// preparation tool that the demo's run never calls).
// A voxel record is six floats: x, y, z (the cube's centre), r, g, b (0..1).
#pragma once

// Ramps: `fade` is the brightness of the whole picture, `blend` the opacity
// of the logo, intro and title overlays. Each has a mode that HandleFading
// applies once a frame: 1 rises by 0.01 while below 1, 2 falls by 0.01 while
// above 0, 3 and 4 do the same by 0.003, 5 sets 1, any other leaves the value.
// Steps are not clamped: a ramp may end a step's fraction past 0 or 1.
extern float fade;
extern float blend;
extern int fadeevent;
extern int blendevent;

// Applies `fadeevent` to `fade`, then `blendevent` to `blend`.
void HandleFading();

enum {
    VOXEL_FLOATS = 6,         // floats per voxel record
    VOXEL_RECORDBYTES = 24,   // bytes per voxel record in a file
    VOXEL_MAXVOXELS = 32768,  // records a demo buffer holds (786,432 bytes)
    VOXEL_MAXCONVERTED = 1 << 22,  // cubes the OBJ converter takes at most (96 MiB of records)
};

// Reads the voxel file `name` (file layer) into `buffer`, which must hold
// VOXEL_MAXVOXELS records, and sets `count`. A missing or short file, or one
// whose count lies outside 0..VOXEL_MAXVOXELS, is refused with a log line:
// the buffer is left alone and the count is 0.
void LoadVoxel(const char* name, float* buffer, int* count);

// Converts the OBJ file `name` (file layer) into "object.vxl" in the working
// directory; swap 1 exchanges the y and z axes.
void ConvertObj(const char* name, int swap);

// ConvertObj with the output path given; returns the number of voxels
// written, or -1 when the input could not be read or the output not written.
int ConvertObjToFile(const char* name, int swap, const char* outpath);
