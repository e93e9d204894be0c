// obj2vxl as its users run it, on files of any name.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <sys/wait.h>

namespace {

int run(const std::string& args)
{
    const int status = std::system((std::string(OBJ2VXL) + " " + args + " >tool.out 2>&1").c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(Obj2vxl, ConvertsAnInputWhoseNameHasCapitalsAndFolders)
{
    std::filesystem::create_directories("Models");
    std::ofstream("Models/Chair.OBJ") << "g seat\nusemtl RGB_255_128_0\n"
                                         "v 0 0 0\nv 1 0 0\nv 0 1 0\nv 1 1 0\nv 0 0 1\nv 1 0 1\nv 0 1 1\nv 1 1 1\n";
    ASSERT_EQ(run("Models/Chair.OBJ 0 chair.vxl"), 0);
    std::ifstream in("chair.vxl", std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), {});
    ASSERT_EQ(bytes.size(), 4u + 24u);
    int32_t count;
    float record[6];
    memcpy(&count, bytes.data(), 4);
    memcpy(record, bytes.data() + 4, 24);
    EXPECT_EQ(count, 1);
    EXPECT_FLOAT_EQ(record[0], 0.5f);  // the cube's centre
    EXPECT_FLOAT_EQ(record[3], 1.0f);
    EXPECT_FLOAT_EQ(record[4], 128 / 255.0f);
}

std::string slurp(const char* path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), {});
}

// A cube as a modeller exports it: an object and a group of its own, a
// material, eight corners around (x, y, z), texture coordinates, normals
// and faces with texture and normal indices counted from the end.
std::string cube(const char* name, const char* material, float x, float y, float z, int corners = 8)
{
    std::string s = std::string("o ") + name + "\ng " + name + "\nusemtl " + material + "\ns off\n";
    for (int i = 0; i < corners; i++) {
        const float cx = x + (i & 1 ? 0.5f : -0.5f) + (i >= 8 ? 3.0f : 0), cy = y + (i & 2 ? 0.5f : -0.5f),
                    cz = z + (i & 4 ? 0.5f : -0.5f);
        s += "v " + std::to_string(cx) + " " + std::to_string(cy) + " " + std::to_string(cz) + "\n";
    }
    return s + "vt 0.0 0.0\nvt 1.0 1.0\nvn 0.0 0.0 1.0\nf -8/-2/-1 -7/-1/-1 -5/-1/-1 -6/-2/-1\n";
}

// What real modellers write: comments, a material library, object and
// smoothing lines, faces with indices from the end, CR LF line ends, a
// group of four corners (a plane: no voxel) and one of ten (the first
// eight make the voxel, and the converter says so).
TEST(Obj2vxl, AModellersExportBecomesOneVoxelPerCube)
{
    std::string obj = "# Blender 3.4.1\n# www.blender.org\nmtllib cubes.mtl\n" + cube("Red", "RGB_255_0_0", 1, 2, 3) +
                      cube("Plane", "RGB_0_255_0", 9, 9, 9, 4) + cube("Blue", "RGB_0_0_255", -4, 0, 2) +
                      cube("Big", "RGB_255_255_255", 0, 10, 0, 10);
    std::string crlf;
    for (char c : obj) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    std::ofstream("export.obj", std::ios::binary) << crlf;
    ASSERT_EQ(run("export.obj 0 export.vxl"), 0);
    const std::string bytes = slurp("export.vxl"), log = slurp("tool.out");
    ASSERT_EQ(bytes.size(), 4u + 3 * 24u) << log;
    float v[18];
    memcpy(v, bytes.data() + 4, sizeof v);
    const float want[18] = {1, 2, 3, 1, 0, 0, -4, 0, 2, 0, 0, 1, 0, 10, 0, 1, 1, 1};
    for (int i = 0; i < 18; i++) EXPECT_NEAR(v[i], want[i], 1e-5) << i;
    EXPECT_NE(log.find("a cube with more than eight vertices, the rest ignored"), std::string::npos) << log;
    EXPECT_EQ(log.find("obj2vxl: export.obj:"), std::string::npos) << log;
}

// Exports that would give nothing or the wrong colours, said in one line
// each: cubes as objects without groups, materials without a colour name.
TEST(Obj2vxl, ObjectsWithoutGroupsAndUnnamedColoursAreExplained)
{
    std::string objects = cube("A", "RGB_1_2_3", 0, 0, 0) + cube("B", "RGB_1_2_3", 1, 0, 0);
    for (size_t at; (at = objects.find("\ng ")) != std::string::npos;)
        objects.erase(at + 1, objects.find('\n', at + 1) - at);
    std::ofstream("objects.obj") << objects;
    ASSERT_EQ(run("objects.obj 0 objects.vxl"), 0);
    EXPECT_EQ(slurp("objects.vxl").size(), 4u);
    EXPECT_NE(slurp("tool.out")
                  .find("obj2vxl: objects.obj: 2 objects ('o') but no groups ('g'): each cube must be "
                        "a group of its own; export the model with its objects as OBJ groups\n"),
              std::string::npos)
        << slurp("tool.out");

    std::ofstream("named.obj") << cube("A", "Material.001", 0, 0, 0) + cube("B", "RGB_10_20_30", 1, 0, 0);
    ASSERT_EQ(run("named.obj 0 named.vxl"), 0);
    EXPECT_EQ(slurp("named.vxl").size(), 4u + 2 * 24u);
    EXPECT_NE(slurp("tool.out")
                  .find("obj2vxl: named.obj: 1 materials (the first Material.001) do not name a "
                        "colour as RGB_red_green_blue, 0..255: their cubes keep the colour before "
                        "them\n"),
              std::string::npos)
        << slurp("tool.out");
}

TEST(Obj2vxl, AMissingInputFailsAndWritesNothing)
{
    EXPECT_EQ(run("absent.obj 0 out.vxl"), 1);
    EXPECT_FALSE(std::filesystem::exists("out.vxl"));
}

}  // namespace
