// Pictures of the voxel objects as the demo's camera first sees them, for
// looking at the objects without the demo (the tool's --png option).
#pragma once
#include <vector>

#include "image.h"
#include "models.h"

// Three views side by side, 640 x 480 each: the object turned by 0, 90 and
// 200 degrees about the vertical axis, eye at (0, 8, -12.5) looking at
// (0, 2, 0) with a vertical field of view of 45 degrees.
content_image PreviewModel(const std::vector<model_voxel>& voxels);
