// Beat-driven parts of the greeting scenes: eight pulse slots, each a voxel
// set with its own start size and growth, that the track-1 pulses re-spawn
// the field from; and the beat detector that lifts beatmultiplyer when the
// mixer's last block is loud at 1306 Hz and 1531 Hz.
#include "core/corerand.h"
#include "demo/demotiming.h"
#include "demo/demo.h"

float* pulse_voxeldata[DEMO_PULSESLOTS];
int pulse_numvoxels[DEMO_PULSESLOTS];
float pulse_startsize[DEMO_PULSESLOTS];
float pulse_scale[DEMO_PULSESLOTS];

// (rand mod m + 10) / 450 in single precision.
static float randomsize(int m) { return float(MOX_rand() % m + 10) / 450.0f; }

void InitPulse()
{
    float** const sets[DEMO_PULSESLOTS] = {&shoe_voxeldata,  &flower_voxeldata, &camera_voxeldata, &skull_voxeldata,
                                           &chair_voxeldata, &shoe_voxeldata,   &skull_voxeldata,  &flower_voxeldata};
    int* const counts[DEMO_PULSESLOTS] = {&shoe_numvoxels,  &flower_numvoxels, &camera_numvoxels, &skull_numvoxels,
                                          &chair_numvoxels, &shoe_numvoxels,   &skull_numvoxels,  &flower_numvoxels};
    for (int k = 0; k < DEMO_PULSESLOTS; k++) {
        pulse_voxeldata[k] = *sets[k];
        pulse_numvoxels[k] = *counts[k];
        pulse_startsize[k] = randomsize(100);
        pulse_scale[k] = randomsize(k == 2 ? 200 : 100);  // the camera grows further
    }
    pulse_startsize[2] = float(double(pulse_startsize[2]) + 0.1);
}

void HandleBeat()
{
    const float low = float(Soundsystem_DetectFrequency(1306) * 0.0002);
    const float high = float(Soundsystem_DetectFrequency(1531) * 0.0002);
    if (double(low) + double(high) > 1000) beatmultiplyer = 2;
}
