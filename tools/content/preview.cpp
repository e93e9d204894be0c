// A painter's-algorithm point renderer: each cube a square facing the eye,
// far ones first. Placement as in the demo's field: model units / 20,
// lifted by 2.5.
#include "preview.h"

#include <algorithm>
#include <cmath>

content_image PreviewModel(const std::vector<model_voxel>& voxels)
{
    const int w = 640, h = 480;
    content_image image(3 * w, h);
    for (int y = 0; y < h; y++)
        for (int x = 0; x < 3 * w; x++) image.at(x, y)[3] = 255;
    const double eye[3] = {0, 8, -12.5}, target[3] = {0, 2, 0};
    double fwd[3] = {target[0] - eye[0], target[1] - eye[1], target[2] - eye[2]};
    const double fl = std::sqrt(fwd[0] * fwd[0] + fwd[1] * fwd[1] + fwd[2] * fwd[2]);
    for (double& v : fwd) v /= fl;
    // right = fwd x up, up' = right x fwd
    double right[3] = {fwd[1] * 0 - fwd[2] * 1, fwd[2] * 0 - fwd[0] * 0, fwd[0] * 1 - fwd[1] * 0};
    const double rl = std::sqrt(right[0] * right[0] + right[1] * right[1] + right[2] * right[2]);
    for (double& v : right) v /= rl;
    const double up[3] = {right[1] * fwd[2] - right[2] * fwd[1], right[2] * fwd[0] - right[0] * fwd[2],
                          right[0] * fwd[1] - right[1] * fwd[0]};
    const double focal = (h / 2.0) / std::tan(22.5 * 3.14159265358979 / 180.0);
    const double yaws[3] = {0, 90, 200};
    for (int view = 0; view < 3; view++) {
        const double a = yaws[view] * 3.14159265358979 / 180.0, ca = std::cos(a), sa = std::sin(a);
        struct splat {
            double depth, sx, sy, size;
            const model_voxel* v;
        };
        std::vector<splat> splats;
        for (const model_voxel& v : voxels) {
            const double mx = v.x * MODEL_CUBE / 20.0, my = v.y * MODEL_CUBE / 20.0 + 2.5, mz = v.z * MODEL_CUBE / 20.0;
            const double px = mx * ca + mz * sa, pz = -mx * sa + mz * ca;
            const double d[3] = {px - eye[0], my - eye[1], pz - eye[2]};
            const double z = d[0] * fwd[0] + d[1] * fwd[1] + d[2] * fwd[2];
            if (z < 0.1) continue;
            // The camera looks along +z, so its right is -x and +x lands on
            // the left of the picture, as in the demo.
            const double sx = w / 2.0 + (d[0] * right[0] + d[1] * right[1] + d[2] * right[2]) * focal / z;
            const double sy = h / 2.0 - (d[0] * up[0] + d[1] * up[1] + d[2] * up[2]) * focal / z;
            splats.push_back({z, sx, sy, 0.2 * focal / z, &v});
        }
        std::sort(splats.begin(), splats.end(), [](const splat& a, const splat& b) { return a.depth > b.depth; });
        for (const splat& s : splats) {
            const int x0 = (int)std::floor(s.sx - s.size / 2), x1 = (int)std::ceil(s.sx + s.size / 2);
            const int y0 = (int)std::floor(s.sy - s.size / 2), y1 = (int)std::ceil(s.sy + s.size / 2);
            for (int y = std::max(0, y0); y < std::min(h, y1); y++)
                for (int x = std::max(0, x0); x < std::min(w, x1); x++) {
                    uint8_t* p = image.at(view * w + x, y);
                    const bool edge = x == x0 || y == y0;  // a darker rim shows the cubes
                    p[0] = (uint8_t)(s.v->r * (edge ? 0.6 : 1.0));
                    p[1] = (uint8_t)(s.v->g * (edge ? 0.6 : 1.0));
                    p[2] = (uint8_t)(s.v->b * (edge ? 0.6 : 1.0));
                }
        }
    }
    return image;
}
