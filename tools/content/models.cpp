// Voxel objects built from simple solids on a grid of cubes, kept hollow
// (only cubes with an empty neighbour), and the floor mesh. Every object is
// modelled facing -z, towards the demo's eye, and stands on y = -12 cubes so
// that the demo's lift of 2.5 units puts its base just above the floor.
// The demo turns its field by the camera yaw, which grows frame by frame:
// at 60 to 67 frames a second it is 105-120 degrees when the camera
// spawns, 150-165 for the shoe, 180-205 for the skull's caption, 220-250
// for the flower and 190-255 for the chair. Each object is built turned by
// quarter turns so that its best side faces the eye at that moment.
#include "models.h"

#include "demo/scenes.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <tuple>

namespace {

struct colour {
    uint8_t r, g, b;
};

// A grid of cubes: -32..31 on every axis.
class grid {
public:
    static constexpr int N = 64, O = 32;
    grid() : cells(N * N * N, -1) {}

    template <typename F>
    void paint(F inside, colour c)
    {
        const int id = colour_id(c);
        each([&](int x, int y, int z) {
            if (inside(x, y, z)) cells[index(x, y, z)] = id;
        });
    }
    template <typename F>
    void carve(F inside)
    {
        each([&](int x, int y, int z) {
            if (inside(x, y, z)) cells[index(x, y, z)] = -1;
        });
    }
    // Recolours cubes that already exist.
    template <typename F>
    void tint(F inside, colour c)
    {
        const int id = colour_id(c);
        each([&](int x, int y, int z) {
            if (cells[index(x, y, z)] >= 0 && inside(x, y, z)) cells[index(x, y, z)] = id;
        });
    }
    // The shell: filled cubes with at least one empty face neighbour, with
    // a small per-cube shade so that flat areas do not look painted.
    std::vector<model_voxel> shell() const
    {
        std::vector<model_voxel> out;
        for (int z = -O; z < N - O; z++)
            for (int y = -O; y < N - O; y++)
                for (int x = -O; x < N - O; x++) {
                    const int id = at(x, y, z);
                    if (id < 0) continue;
                    if (at(x - 1, y, z) >= 0 && at(x + 1, y, z) >= 0 && at(x, y - 1, z) >= 0 && at(x, y + 1, z) >= 0 &&
                        at(x, y, z - 1) >= 0 && at(x, y, z + 1) >= 0)
                        continue;
                    const colour c = palette[id];
                    uint32_t h = (uint32_t)(x * 73856093) ^ (uint32_t)(y * 19349663) ^ (uint32_t)(z * 83492791);
                    h = (h ^ (h >> 13)) * 0x5bd1e995u;
                    const double shade = 0.9 + 0.2 * ((h >> 8) & 255) / 255.0;
                    auto sh = [&](uint8_t v) { return (uint8_t)std::min(255.0, std::round(v * shade)); };
                    out.push_back({x, y, z, sh(c.r), sh(c.g), sh(c.b)});
                }
        return out;
    }

private:
    std::vector<int> cells;
    std::vector<colour> palette;

    static int index(int x, int y, int z) { return ((z + O) * N + (y + O)) * N + (x + O); }
    int at(int x, int y, int z) const
    {
        if (x < -O || y < -O || z < -O || x >= N - O || y >= N - O || z >= N - O) return -1;
        return cells[index(x, y, z)];
    }
    int colour_id(colour c)
    {
        for (size_t i = 0; i < palette.size(); i++)
            if (palette[i].r == c.r && palette[i].g == c.g && palette[i].b == c.b) return (int)i;
        palette.push_back(c);
        return (int)palette.size() - 1;
    }
    template <typename F>
    static void each(F f)
    {
        for (int z = -O; z < N - O; z++)
            for (int y = -O; y < N - O; y++)
                for (int x = -O; x < N - O; x++) f(x, y, z);
    }
};

// The cubes turned about the vertical axis by quarter turns, in the sense
// the demo's camera yaw turns the field (x' = z, z' = -x for one).
std::vector<model_voxel> turned(std::vector<model_voxel> voxels, int quarters)
{
    for (model_voxel& v : voxels)
        for (int q = 0; q < (quarters & 3); q++) {
            const int x = v.x;
            v.x = v.z, v.z = -x;
        }
    return voxels;
}

auto box(double x0, double x1, double y0, double y1, double z0, double z1)
{
    return [=](double x, double y, double z) { return x >= x0 && x <= x1 && y >= y0 && y <= y1 && z >= z0 && z <= z1; };
}
auto ellipsoid(double cx, double cy, double cz, double rx, double ry, double rz)
{
    return [=](double x, double y, double z) {
        const double a = (x - cx) / rx, b = (y - cy) / ry, c = (z - cz) / rz;
        return a * a + b * b + c * c <= 1.0;
    };
}
auto sphere(double cx, double cy, double cz, double r) { return ellipsoid(cx, cy, cz, r, r, r); }
// A cylinder along z (a lens), along y (a pot, a stem) or along x.
auto cylinder_z(double cx, double cy, double r, double z0, double z1)
{
    return [=](double x, double y, double z) {
        return (x - cx) * (x - cx) + (y - cy) * (y - cy) <= r * r && z >= z0 && z <= z1;
    };
}
auto cylinder_y(double cx, double cz, double r0, double r1, double y0, double y1)
{
    return [=](double x, double y, double z) {
        if (y < y0 || y > y1) return false;
        const double r = r0 + (r1 - r0) * (y - y0) / (y1 - y0);
        return (x - cx) * (x - cx) + (z - cz) * (z - cz) <= r * r;
    };
}

std::vector<model_voxel> build_camera()
{
    grid g;
    const colour body{58, 60, 70}, grip{30, 30, 36}, metal{170, 172, 182}, glass{50, 110, 230}, red{230, 40, 40},
        flash{235, 235, 245}, dark{20, 20, 28};
    g.paint(box(-16, 16, -8, 9, -7, 7), body);
    g.paint(box(-16, -10, -8, 9, -8, 7), grip);
    g.paint(box(-5, 5, 9, 13, -5, 5), body);     // viewfinder hump
    g.paint(cylinder_z(11, 11, 2, -3, 3), red);  // shutter button, on top
    g.tint(box(9, 13, 9, 12, -3, 3), red);
    g.paint(box(-14, -8, 9, 11, -4, 2), flash);
    g.paint(cylinder_z(2, 0, 9, -17, -7), metal);  // lens barrel towards the viewer
    g.tint([](int x, int y, int z) { return z <= -12 && z >= -13 && (x - 2) * (x - 2) + y * y >= 49; }, dark);
    g.paint(cylinder_z(2, 0, 6.5, -18, -16), glass);
    g.tint(sphere(0, 2, -18, 2.2), {200, 230, 255});  // a highlight on the glass
    g.carve(box(-30, 30, -30, -13, -30, 30));
    return turned(g.shell(), 3);  // lens to the eye at 105-120 degrees
}

std::vector<model_voxel> build_shoe()
{
    grid g;
    const colour sole{238, 238, 232}, upper{210, 38, 52}, stripe{40, 90, 210}, lace{250, 250, 250}, inner{60, 20, 24};
    g.paint(ellipsoid(2, -10, 0, 21, 3.5, 8.5), sole);
    g.paint(box(-17, 20, -12, -9, -7, 7), sole);
    g.carve(box(-30, 30, -30, -13, -30, 30));
    g.paint(
        [](int x, int y, int z) {
            const double a = (x - 1) / 19.0, b = (y + 9) / 11.0, c = z / 7.5;
            return y >= -9 && a * a + b * b + c * c <= 1.0;
        },
        upper);
    g.paint(ellipsoid(-15, -3, 0, 5, 9, 7), upper);  // heel counter
    g.tint(ellipsoid(15, -7, 0, 7, 4, 8), sole);     // toe cap
    g.tint([](int x, int y, int) { return std::fabs(y - (-6 + 0.25 * x)) < 1.3 && x > -14 && x < 10; }, stripe);
    g.carve(ellipsoid(-9, 2, 0, 7, 5, 4.5));  // opening
    g.tint(ellipsoid(-9, 0, 0, 8, 5, 5.5), inner);
    g.tint([](int x, int y, int z) { return std::abs(z) <= 3 && y >= -2 && x >= -2 && x <= 10 && (x % 3 == 0); }, lace);
    return turned(g.shell(), 1);  // its side to the eye at 150-165 degrees
}

std::vector<model_voxel> build_skull()
{
    grid g;
    const colour bone{232, 222, 196}, shadow{70, 22, 20}, tooth{250, 250, 240};
    g.paint(ellipsoid(0, 7, 3, 12.5, 12, 14), bone);        // cranium
    g.paint(ellipsoid(0, 0, -5, 10.5, 9, 9.5), bone);       // face
    g.paint(ellipsoid(-7.5, -4.5, -8, 3.5, 2.5, 4), bone);  // cheekbones
    g.paint(ellipsoid(7.5, -4.5, -8, 3.5, 2.5, 4), bone);
    g.paint(box(-6, 6, -12, -7, -11, -2), bone);  // jaw
    g.paint(ellipsoid(0, -10, -5, 7.5, 3.5, 6.5), bone);
    // Eye sockets: round holes bored straight in, dark inside; the face
    // around them stays bone.
    for (int side = -1; side <= 1; side += 2) {
        const double cx = side * 4.6, cy = 2;
        auto bore = [=](double r, int back) {
            return [=](int x, int y, int z) { return z <= back && (x - cx) * (x - cx) + (y - cy) * (y - cy) <= r * r; };
        };
        g.carve(bore(3.3, -6));
        g.tint(bore(4.1, -5), shadow);
    }
    // The nasal opening, narrow at the top and widening downwards.
    auto nose = [](double grow) {
        return [=](int x, int y, int z) {
            return z < -7 && y >= -6 - grow && y <= -1.5 + grow && std::abs(x) <= (-1.5 - y) / 2.5 + 0.4 + grow;
        };
    };
    g.carve(nose(0));
    g.tint(nose(0.7), shadow);
    // Teeth: white columns with dark gaps, a dark line between the rows.
    g.tint([](int x, int y, int z) { return z <= -8 && y >= -11 && y <= -7 && std::abs(x) <= 6; }, tooth);
    g.tint([](int x, int y, int z) { return z <= -8 && y >= -11 && y <= -7 && std::abs(x) <= 6 && (x & 1); }, shadow);
    g.carve([](int x, int y, int z) { return z <= -9 && y == -9 && std::abs(x) <= 6; });
    g.tint([](int x, int y, int z) { return z <= -7 && y == -9 && std::abs(x) <= 7; }, shadow);
    g.carve(box(-30, 30, -30, -13, -30, 30));
    return turned(g.shell(), 2);  // its face to the eye at its caption
}

// The flower is designed 38 cubes tall and built at four fifths of that
// about its base: at full size the intro camera, high and near, cuts its
// head off at the top of the picture.
template <typename F>
auto shrunk(F inside)
{
    const double k = 1 / 0.8;
    return [=](int x, int y, int z) { return inside(x * k, (y + 12) * k - 12, z * k); };
}

std::vector<model_voxel> build_flower()
{
    grid g;
    const colour pot{190, 92, 52}, soil{70, 45, 30}, stem{60, 165, 70}, leaf{90, 200, 80}, petal{235, 80, 160},
        petal2{250, 150, 200}, heart{250, 205, 40};
    g.paint(shrunk(cylinder_y(0, 0, 7, 10, -12, -2)), pot);
    g.carve(shrunk(cylinder_y(0, 0, 6, 9, -9, -1)));
    g.paint(shrunk(cylinder_y(0, 0, 8.5, 8.5, -4.5, -3.5)), soil);
    g.paint(shrunk([](double x, double y, double z) {
                if (y < -4 || y > 12) return false;
                const double cx = 2.0 * std::sin(y * 0.18);
                return (x - cx) * (x - cx) + z * z <= 1.6 * 1.6;
            }),
            stem);
    g.paint(shrunk([](double x, double y, double z) {  // two leaves
                for (int side = -1; side <= 1; side += 2) {
                    const double u = (x - side * 5.0) / 5.5,
                                 v = (y - (2.0 + side * 1.5) - 0.5 * side * (x - side * 5.0)) / 1.6;
                    if (u * u + v * v + (z / 2.2) * (z / 2.2) <= 1.0) return true;
                }
                return false;
            }),
            leaf);
    // The head faces the viewer: petals in the x-y plane around (0, 15).
    for (int i = 0; i < 8; i++) {
        const double a = i * M_PI / 4, cx = 1.5 + std::cos(a) * 6.5, cy = 15 + std::sin(a) * 6.5;
        g.paint(shrunk([=](double x, double y, double z) {
                    const double dx = x - cx, dy = y - cy;
                    const double u = (dx * std::cos(a) + dy * std::sin(a)) / 4.8,
                                 v = (-dx * std::sin(a) + dy * std::cos(a)) / 2.8;
                    return u * u + v * v + ((z + 1) / 2.0) * ((z + 1) / 2.0) <= 1.0;
                }),
                (i & 1) ? petal2 : petal);
    }
    g.paint(shrunk(ellipsoid(1.5, 15, -1, 3.5, 3.5, 2.6)), heart);
    return turned(g.shell(), 1);  // petals within 50 degrees of the eye
}

std::vector<model_voxel> build_chair()
{
    grid g;
    const colour wood{156, 96, 48}, dark{110, 62, 30}, cushion{200, 40, 48};
    g.paint(box(-11, 11, -3, -1, -11, 11), wood);  // seat
    g.paint(box(-10, 10, 0, 1, -10, 9), cushion);
    for (int sx = -1; sx <= 1; sx += 2)
        for (int sz = -1; sz <= 1; sz += 2) g.paint(box(sx * 9 - 1, sx * 9 + 1, -12, -3, sz * 9 - 1, sz * 9 + 1), dark);
    g.paint(box(-10, 10, -9, -8, -10, -9), dark);  // stretchers
    g.paint(box(-10, 10, -9, -8, 9, 10), dark);
    g.paint(box(-11, -8, 0, 21, 9, 11), wood);  // back posts
    g.paint(box(8, 11, 0, 21, 9, 11), wood);
    g.paint(box(-11, 11, 17, 21, 9, 11), wood);                                       // top rail
    for (int s = -4; s <= 4; s += 4) g.paint(box(s - 1, s + 1, 2, 17, 9, 10), dark);  // slats
    return turned(g.shell(), 2);  // its front three-quarters to the eye
}

std::vector<model_voxel> build_money()
{
    grid g;
    const colour note{70, 150, 90}, band{230, 225, 200}, gold{235, 190, 50}, rim{190, 140, 30};
    for (int i = 0; i < 4; i++) g.paint(box(-16 + i, 4 + i, -12 + 3 * i, -10 + 3 * i, -9 - i, 5 - i), note);
    g.tint(box(-12, -9, -12, 0, -20, 20), band);  // paper bands round the bundles
    for (int i = 0; i < 3; i++) {                 // coin stacks, a rim every other coin
        const double cx = 10 + (i % 2) * 5, cz = -6 + 7 * i, top = -4 + 5 * (2 - i);
        g.paint(cylinder_y(cx, cz, 4.5, 4.5, -12, top), gold);
        g.tint([=](int x, int y, int z) { return cylinder_y(cx, cz, 4.5, 4.5, -12, top)(x, y, z) && (y & 1); }, rim);
    }
    return g.shell();
}

}  // namespace

const model_desc demo_models[6] = {
    {ASSET_CHAIR, build_chair}, {ASSET_FLOWER, build_flower}, {ASSET_SHOE, build_shoe},
    {ASSET_SKULL, build_skull}, {ASSET_CAMERA, build_camera}, {ASSET_MONEY, build_money},
};

std::string ModelName(const model_desc& m)
{
    std::string file = demo_assets[m.asset].file;
    return file.substr(0, file.rfind('.'));
}

std::string ModelToObj(const std::vector<model_voxel>& voxels, const char* name)
{
    std::string out = "# ";
    out += name;
    out += ": coloured cubes, one group each, colour in the material name\n";
    char line[128];
    const int h = MODEL_CUBE / 2;
    for (size_t i = 0; i < voxels.size(); i++) {
        const model_voxel& v = voxels[i];
        const int cx = v.x * MODEL_CUBE, cy = v.y * MODEL_CUBE, cz = v.z * MODEL_CUBE;
        snprintf(line, sizeof line, "g cube%zu\nusemtl RGB_%d_%d_%d\n", i, v.r, v.g, v.b);
        out += line;
        for (int c = 0; c < 8; c++) {
            snprintf(line, sizeof line, "v %d %d %d\n", cx + ((c & 1) ? h : -h), cy + ((c & 2) ? h : -h),
                     cz + ((c & 4) ? h : -h));
            out += line;
        }
        const int b = (int)i * 8 + 1;  // OBJ indices count from 1
        static const int quads[6][4] = {{0, 2, 3, 1}, {4, 5, 7, 6}, {0, 1, 5, 4},
                                        {2, 6, 7, 3}, {0, 4, 6, 2}, {1, 3, 7, 5}};
        for (const auto& q : quads) {
            snprintf(line, sizeof line, "f %d %d %d %d\n", b + q[0], b + q[1], b + q[2], b + q[3]);
            out += line;
        }
    }
    return out;
}

std::vector<uint8_t> BuildFloorC3M()
{
    // A 16 x 16 grid of quads from -10 to 10 on x and z (the demo scales
    // it by 4), at height 0, the texture spanning it once.
    const int n = 16;
    const float extent = 10.0f;
    std::vector<uint8_t> out;
    auto u16 = [&](int v) { out.push_back((uint8_t)v), out.push_back((uint8_t)(v >> 8)); };
    auto f32 = [&](float f) {
        uint32_t b;
        memcpy(&b, &f, 4);
        for (int i = 0; i < 4; i++) out.push_back((uint8_t)(b >> (8 * i)));
    };
    const int verts = (n + 1) * (n + 1), faces = 2 * n * n;
    // The id prints back to front: "C3M1".
    out.push_back('1'), out.push_back('M'), out.push_back('3'), out.push_back('C');
    u16(verts), u16(1), u16(1), u16(0);
    for (int j = 0; j <= n; j++)
        for (int i = 0; i <= n; i++) f32(-extent + 2 * extent * i / n), f32(0), f32(-extent + 2 * extent * j / n);
    // Corner order gives an upward normal: (v1 - v0) x (v2 - v0) points to
    // +y, which is counter-clockwise seen from above, so culling keeps it.
    std::vector<int> tri;
    for (int j = 0; j < n; j++)
        for (int i = 0; i < n; i++) {
            const int a = j * (n + 1) + i, b = a + 1, c = a + (n + 1), d = c + 1;
            tri.insert(tri.end(), {a, c, b, b, c, d});
        }
    u16(faces), u16(0);
    for (int f = 0; f < faces; f++) u16(tri[3 * f]), u16(tri[3 * f + 1]), u16(tri[3 * f + 2]), u16(0);
    u16(verts), u16(0);
    for (int j = 0; j <= n; j++)
        for (int i = 0; i <= n; i++) f32((float)i / n), f32((float)j / n);
    for (int f = 0; f < faces; f++) u16(tri[3 * f]), u16(tri[3 * f + 1]), u16(tri[3 * f + 2]);
    return out;
}
