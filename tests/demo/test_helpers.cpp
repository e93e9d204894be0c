// Voxel files and the OBJ converter: the loader's refusals of files that do
// not fit the buffer or their own size, and the converter's cubes, colours,
// axes and its limits on what it writes. Fixtures are written byte by byte
// into the scratch directory, which is mounted as the file layer's directory.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "core/corefile.h"
#include "demo/helpers.h"

namespace {

std::string le32(uint32_t v) { return {(char)v, (char)(v >> 8), (char)(v >> 16), (char)(v >> 24)}; }
std::string f32(float f)
{
    uint32_t b;
    memcpy(&b, &f, 4);
    return le32(b);
}
void write(const char* name, const std::string& bytes)
{
    FILE* f = fopen(name, "wb");
    fwrite(bytes.data(), 1, bytes.size(), f);
    fclose(f);
}
std::string read(const char* name)
{
    std::string s;
    FILE* f = fopen(name, "rb");
    if (!f) return s;
    int c;
    while ((c = fgetc(f)) != EOF) s.push_back((char)c);
    fclose(f);
    return s;
}
template <typename F>
std::string output_of(F body)
{
    testing::internal::CaptureStdout();
    body();
    fflush(stdout);
    return testing::internal::GetCapturedStdout();
}

// A voxel record as the file holds it.
std::string record(float x, float y, float z, float r, float g, float b)
{
    return f32(x) + f32(y) + f32(z) + f32(r) + f32(g) + f32(b);
}

class VoxelFiles : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(corefile_mountimage(".", COREFILE_DIRECTORY)); }
    void TearDown() override { corefile_closeimage(); }

    // A buffer of exactly the demo's capacity, so that a write past it is
    // caught by the sanitizers; filled with a sentinel.
    std::vector<float> buffer = std::vector<float>(VOXEL_MAXVOXELS * VOXEL_FLOATS, -7.0f);
    int count = -1;

    bool untouched() const
    {
        for (float v : buffer)
            if (v != -7.0f) return false;
        return true;
    }
};

TEST_F(VoxelFiles, TwoRecordsFillTheBufferInFileOrder)
{
    write("two.vxl", le32(2) + record(1, 2, 3, 0.5f, 0.25f, 1) + record(-4, 5.5f, -6, 0, 1, 0));
    const std::string out = output_of([&] { LoadVoxel("two.vxl", buffer.data(), &count); });
    EXPECT_EQ(out, "numvox: 2\n");
    ASSERT_EQ(count, 2);
    const float expect[12] = {1, 2, 3, 0.5f, 0.25f, 1, -4, 5.5f, -6, 0, 1, 0};
    for (int i = 0; i < 12; i++) EXPECT_EQ(buffer[i], expect[i]) << i;
    EXPECT_EQ(buffer[12], -7.0f);
}

TEST_F(VoxelFiles, ZeroVoxelsPrintZeroAndLeaveTheBufferAlone)
{
    write("empty.vxl", le32(0));
    EXPECT_EQ(output_of([&] { LoadVoxel("empty.vxl", buffer.data(), &count); }), "numvox: 0\n");
    EXPECT_EQ(count, 0);
    EXPECT_TRUE(untouched());
}

TEST_F(VoxelFiles, AFullBufferLoadsAndOneMoreIsRefused)
{
    std::string full = le32(VOXEL_MAXVOXELS);
    for (int i = 0; i < VOXEL_MAXVOXELS; i++) full += record((float)i, 0, 0, 1, 1, 1);
    write("full.vxl", full);
    output_of([&] { LoadVoxel("full.vxl", buffer.data(), &count); });
    EXPECT_EQ(count, VOXEL_MAXVOXELS);
    EXPECT_EQ(buffer[(VOXEL_MAXVOXELS - 1) * VOXEL_FLOATS], (float)(VOXEL_MAXVOXELS - 1));

    std::fill(buffer.begin(), buffer.end(), -7.0f);
    write("over.vxl", le32(VOXEL_MAXVOXELS + 1) + full.substr(4) + record(1, 1, 1, 1, 1, 1));
    const std::string out = output_of([&] { LoadVoxel("over.vxl", buffer.data(), &count); });
    EXPECT_EQ(count, 0);
    EXPECT_TRUE(untouched());
    EXPECT_NE(out.find("numvox: 32769\n"), std::string::npos);
    EXPECT_NE(out.find("over.vxl"), std::string::npos) << out;
}

TEST_F(VoxelFiles, NegativeAndHugeCountsAreRefused)
{
    for (uint32_t n : {0xFFFFFFFFu, 0x80000000u, 0x7FFFFFFFu, 0x0AAAAAABu}) {
        write("bad.vxl", le32(n) + record(1, 2, 3, 1, 1, 1));
        const std::string out = output_of([&] { LoadVoxel("bad.vxl", buffer.data(), &count); });
        EXPECT_EQ(count, 0) << n;
        EXPECT_TRUE(untouched()) << n;
        EXPECT_NE(out.find("bad.vxl"), std::string::npos) << out;
    }
}

TEST_F(VoxelFiles, AFileShorterThanItsCountIsRefused)
{
    // Three voxels announced, two and a half present.
    write("short.vxl", le32(3) + record(1, 2, 3, 1, 1, 1) + record(4, 5, 6, 1, 1, 1) + f32(7) + f32(8) + f32(9));
    const std::string out = output_of([&] { LoadVoxel("short.vxl", buffer.data(), &count); });
    EXPECT_EQ(count, 0);
    EXPECT_TRUE(untouched());
    EXPECT_NE(out.find("short.vxl"), std::string::npos) << out;
}

TEST_F(VoxelFiles, MissingOrTruncatedCountIsRefusedWithItsName)
{
    std::string out = output_of([&] { LoadVoxel("nothere.vxl", buffer.data(), &count); });
    EXPECT_EQ(count, 0);
    EXPECT_NE(out.find("nothere.vxl"), std::string::npos) << out;
    write("tiny.vxl", std::string("\x01\x00", 2));
    count = -1;
    out = output_of([&] { LoadVoxel("tiny.vxl", buffer.data(), &count); });
    EXPECT_EQ(count, 0);
    EXPECT_NE(out.find("tiny.vxl"), std::string::npos) << out;
    EXPECT_TRUE(untouched());
}

// A data image built byte by byte: "CORE", the entry count, the end of the
// data, then per entry its name length, hash, name and data offset; the
// files' data follows the table in table order.
std::string image_of(const std::vector<std::pair<std::string, std::string>>& files)
{
    size_t table = 12;
    for (const auto& f : files) table += 12 + f.first.size();
    std::string head = "CORE" + le32((uint32_t)files.size()), entries, data;
    for (const auto& f : files) {
        entries += le32((uint32_t)f.first.size()) + le32((uint32_t)corefile_gethash(f.first.c_str())) + f.first +
                   le32((uint32_t)(table + data.size()));
        data += f.second;
    }
    return head + le32((uint32_t)(table + data.size())) + entries + data;
}

TEST_F(VoxelFiles, APackedFileIsMeasuredByItsOwnSizeNotByTheImageBehindIt)
{
    // In an image the next file's bytes follow a voxel file directly: a
    // count that runs past the file must not read them as voxels.
    const std::string tail = record(9, 9, 9, 1, 1, 1) + record(9, 9, 9, 1, 1, 1);
    write("pack.dat", image_of({{"short.vxl", le32(2) + record(1, 2, 3, 1, 0, 0)},
                                {"whole.vxl", le32(1) + record(4, 5, 6, 0, 1, 0)},
                                {"zz.bin", tail}}));
    ASSERT_TRUE(corefile_mountimage("pack.dat", COREFILE_IMAGE));
    std::string out = output_of([&] { LoadVoxel("short.vxl", buffer.data(), &count); });
    EXPECT_EQ(count, 0);
    EXPECT_TRUE(untouched());
    EXPECT_NE(out.find("short.vxl"), std::string::npos) << out;
    out = output_of([&] { LoadVoxel("whole.vxl", buffer.data(), &count); });
    EXPECT_NE(out.find("numvox: 1\n"), std::string::npos) << out;
    ASSERT_EQ(count, 1);
    EXPECT_EQ(buffer[0], 4);
    EXPECT_EQ(buffer[5], 0);
    EXPECT_EQ(buffer[6], -7.0f);
}

// ---- ConvertObj ------------------------------------------------------------------

std::string cube(float cx, float cy, float cz)
{
    std::string s;
    char line[96];
    for (int c = 0; c < 8; c++) {
        snprintf(line, sizeof line, "v %g %g %g\n", cx + ((c & 1) ? 0.5 : -0.5), cy + ((c & 2) ? 0.5 : -0.5),
                 cz + ((c & 4) ? 0.5 : -0.5));
        s += line;
    }
    return s;
}

struct converted {
    std::string log;
    int32_t count = -1;
    std::vector<float> floats;  // the records
    size_t bytes = 0;
};
converted convert(const std::string& obj, int swap = 0)
{
    write("in.obj", obj);
    remove("object.vxl");
    converted c;
    c.log = output_of([&] { ConvertObj("in.obj", swap); });
    const std::string file = read("object.vxl");
    c.bytes = file.size();
    if (file.size() >= 4) {
        memcpy(&c.count, file.data(), 4);
        c.floats.resize((file.size() - 4) / 4);
        if (!c.floats.empty()) memcpy(c.floats.data(), file.data() + 4, c.floats.size() * 4);
    }
    return c;
}

TEST_F(VoxelFiles, TwoCubesBecomeARedAndABlueVoxel)
{
    const converted c = convert("mtllib cubes.mtl\no thing\ng a\nusemtl RGB_255_0_0\n" + cube(1, 2, 3) +
                                "f 1 2 3 4\ng b\nusemtl RGB_0_0_255\n" + cube(-4, 0.5f, 8) + "vn 0 1 0\n# end\n");
    EXPECT_EQ(c.log, "num voxels found: 2\nwriting file....\n");
    ASSERT_EQ(c.count, 2);
    ASSERT_EQ(c.bytes, 4u + 2 * 24);
    const float expect[12] = {1, 2, 3, 1, 0, 0, -4, 0.5f, 8, 0, 0, 1};
    for (int i = 0; i < 12; i++) EXPECT_FLOAT_EQ(c.floats[i], expect[i]) << i;
}

TEST_F(VoxelFiles, SwapExchangesTheSecondAndThirdAxis)
{
    std::string obj = "g a\n";
    for (int i = 0; i < 8; i++) obj += "v 1 2 3\n";  // sums (8, 16, 24)
    const converted swapped = convert(obj, 1);
    ASSERT_EQ(swapped.count, 1);
    EXPECT_EQ(swapped.floats[0], 1);
    EXPECT_EQ(swapped.floats[1], 3);
    EXPECT_EQ(swapped.floats[2], 2);
    const converted kept = convert(obj, 0);
    EXPECT_EQ(kept.floats[1], 2);
    EXPECT_EQ(kept.floats[2], 3);
    const converted other = convert(obj, 2);  // only 1 swaps
    EXPECT_EQ(other.floats[1], 2);
}

TEST_F(VoxelFiles, ComponentsAreDividedBy255)
{
    const converted c = convert("g a\nusemtl RGB_128_64_32\n" + cube(0, 0, 0));
    ASSERT_EQ(c.count, 1);
    EXPECT_NEAR(c.floats[3], 0.50196f, 1e-5);
    EXPECT_NEAR(c.floats[4], 0.25098f, 1e-5);
    EXPECT_NEAR(c.floats[5], 0.12549f, 1e-5);
}

TEST_F(VoxelFiles, CubesBeforeTheFirstMaterialAreWhite)
{
    const converted c = convert("g a\n" + cube(0, 0, 0) + "g b\nusemtl RGB_0_255_0\n" + cube(1, 1, 1));
    ASSERT_EQ(c.count, 2);
    EXPECT_EQ(c.floats[3], 1);
    EXPECT_EQ(c.floats[4], 1);
    EXPECT_EQ(c.floats[5], 1);
    EXPECT_EQ(c.floats[10], 1);
    EXPECT_EQ(c.floats[9], 0);
}

TEST_F(VoxelFiles, TheMaterialAtTheEighthVertexColoursTheCube)
{
    // A material between the vertices counts; one after the eighth does not;
    // names that do not match or leave 0..255 keep the colour.
    const std::string c1 = cube(0, 0, 0), c2 = cube(2, 0, 0);
    const size_t half = c1.find("v", c1.find("v", c1.find("v", c1.find("v") + 1) + 1) + 1);
    const converted c = convert("usemtl RGB_10_20_30\ng a\n" + c1.substr(0, half) + "usemtl RGB_255_255_0\n" +
                                c1.substr(half) + "usemtl RGB_0_0_0\ng b\nusemtl wood\nusemtl RGB_300_0_0\n" + c2);
    ASSERT_EQ(c.count, 2);
    EXPECT_EQ(c.floats[3], 1);
    EXPECT_EQ(c.floats[4], 1);
    EXPECT_EQ(c.floats[5], 0);
    EXPECT_EQ(c.floats[9], 0);  // RGB_0_0_0 held through "wood" and the out-of-range name
    EXPECT_EQ(c.floats[10], 0);
    EXPECT_NE(c.log.find("RGB_300_0_0"), std::string::npos) << c.log;
}

TEST_F(VoxelFiles, AnIncompleteCubeYieldsNoVoxelAndItsSumsAreDropped)
{
    const std::string seven = cube(100, 100, 100).substr(0, cube(100, 100, 100).rfind("v "));
    const converted c = convert("g a\n" + seven + "g b\n" + cube(1, 2, 3));
    EXPECT_EQ(c.log.substr(0, 21), "num voxels found: 2\nw");
    ASSERT_EQ(c.count, 1);
    ASSERT_EQ(c.bytes, 4u + 24);
    EXPECT_FLOAT_EQ(c.floats[0], 1);
    EXPECT_FLOAT_EQ(c.floats[1], 2);
}

TEST_F(VoxelFiles, ABlankLineAfterAGroupIsNotAnotherCube)
{
    const converted c = convert("g a\n\n   \n\t\ng\n" + cube(0, 0, 0) + "\n");
    EXPECT_EQ(c.log.substr(0, 20), "num voxels found: 2\n");
    EXPECT_EQ(c.count, 1);
}

TEST_F(VoxelFiles, OnlyTheFirstEightVerticesOfACubeCount)
{
    std::string obj = "g a\n" + cube(1, 1, 1);
    for (int i = 0; i < 9; i++) obj += "v 1000 1000 1000\n";  // a ninth to seventeenth vertex
    obj += "g b\n" + cube(5, 5, 5);
    const converted c = convert(obj);
    ASSERT_EQ(c.count, 2);
    EXPECT_FLOAT_EQ(c.floats[0], 1);
    EXPECT_FLOAT_EQ(c.floats[6], 5);  // the second cube is not shifted by the extras
}

TEST_F(VoxelFiles, VerticesOutsideAnyGroupNeverWritePastTheCount)
{
    // Sixteen vertices before the first "g" would make two cubes, and the
    // one counted group a third: only as many records as groups are written,
    // in file order, and the log says that cubes were dropped.
    const converted c = convert(cube(1, 1, 1) + cube(2, 2, 2) + "g a\n" + cube(3, 3, 3));
    EXPECT_EQ(c.log.substr(0, 20), "num voxels found: 1\n");
    ASSERT_EQ(c.count, 1);
    EXPECT_EQ(c.bytes, 4u + 24);
    EXPECT_FLOAT_EQ(c.floats[0], 1);
    EXPECT_NE(c.log.find("in.obj: more cubes than groups"), std::string::npos) << c.log;
    const converted none = convert(cube(1, 1, 1));
    EXPECT_EQ(none.count, 0);
    EXPECT_EQ(none.bytes, 4u);
}

TEST_F(VoxelFiles, LongLinesAndGarbageDoNotBreakTheCount)
{
    std::string obj = "# " + std::string(600, 'x') + "\n";
    obj += "g a\n" + cube(0, 0, 0) + "v\nv 1\n" + std::string(300, 'g') + "\n";
    const converted c = convert(obj);
    EXPECT_EQ(c.count, 1);
    EXPECT_EQ(c.log.substr(0, 20), "num voxels found: 1\n");
}

TEST_F(VoxelFiles, APackedObjEndsAtItsOwnLastByte)
{
    // The last vertex has no line break and the next packed file starts
    // with digits: they must not be read on into the vertex.
    std::string obj = "g a\nusemtl RGB_0_0_255\n";
    for (int i = 0; i < 8; i++) obj += i < 7 ? "v 2 2 2\n" : "v 2 2 2";
    write("pack.dat", image_of({{"in.obj", obj}, {"zz.txt", "0 0\ng b\ng c\n"}}));
    ASSERT_TRUE(corefile_mountimage("pack.dat", COREFILE_IMAGE));
    remove("object.vxl");
    const std::string log = output_of([] { ConvertObj("in.obj", 0); });
    EXPECT_NE(log.find("num voxels found: 1\n"), std::string::npos) << log;
    const std::string file = read("object.vxl");
    ASSERT_EQ(file.size(), 4u + 24);
    float rec[6];
    memcpy(rec, file.data() + 4, 24);
    EXPECT_EQ(rec[0], 2);
    EXPECT_EQ(rec[1], 2);
    EXPECT_EQ(rec[2], 2);
    EXPECT_EQ(rec[5], 1);
}

TEST_F(VoxelFiles, AMissingObjWritesNothing)
{
    remove("object.vxl");
    const std::string out = output_of([] { ConvertObj("absent.obj", 0); });
    EXPECT_NE(out.find("absent.obj"), std::string::npos) << out;
    EXPECT_TRUE(read("object.vxl").empty());
}

}  // namespace

// The ramps: each mode's step, taken only on the near side of its limit and
// not clamped, so a rise can end a step's fraction above 1.
TEST(Fading, EachModeStepsItsRampOnceAFrame)
{
    struct step {
        int mode;
        float from, to;
    };
    const step steps[] = {
        {1, 0.0f, 0.01f}, {1, 0.995f, 1.005f}, {1, 1.0f, 1.0f}, {2, 1.0f, 0.99f},     {2, 0.005f, -0.005f},
        {2, 0.0f, 0.0f},  {3, 0.0f, 0.003f},   {3, 1.0f, 1.0f}, {4, 0.002f, -0.001f}, {4, 0.0f, 0.0f},
        {5, 0.25f, 1.0f}, {0, 0.4f, 0.4f},     {6, 0.4f, 0.4f}, {-1, 0.4f, 0.4f},
    };
    for (const step& s : steps) {
        fade = s.from;
        blend = 0.5f;
        fadeevent = s.mode;
        blendevent = 0;
        HandleFading();
        EXPECT_FLOAT_EQ(fade, s.to) << "fade, mode " << s.mode << " from " << s.from;
        EXPECT_EQ(blend, 0.5f);
        // The same rule on blend, fade left alone.
        blend = s.from;
        fade = 0.5f;
        blendevent = s.mode;
        fadeevent = 0;
        HandleFading();
        EXPECT_FLOAT_EQ(blend, s.to) << "blend, mode " << s.mode << " from " << s.from;
        EXPECT_EQ(fade, 0.5f);
    }
}
