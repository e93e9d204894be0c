// C3M meshes on llvmpipe: files built byte by byte, drawn through their
// display lists in the 2D projection (so vertices are pixels) with a two-texel
// texture, red on the left and green on the right, and read back.
#include <array>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "corefile.h"
#include "coremem.h"
#include "demo/c_mesh.h"
#include "tests/video/gltest.h"

namespace {

namespace fs = std::filesystem;
using Bytes = std::string;

Bytes u16(int v) { return {char(v & 0xFF), char(v >> 8 & 0xFF)}; }
Bytes f32(float f)
{
    Bytes b(4, 0);
    memcpy(&b[0], &f, 4);
    return b;
}

// A C3M file assembled part by part.
struct C3m {
    Bytes id = "ABCD";
    int flags = 7;
    std::vector<std::array<float, 3>> verts;
    struct Group {
        int word = 0;
        std::vector<std::array<int, 3>> faces;
    };
    std::vector<Group> groups;
    struct Channel {
        std::vector<std::array<float, 2>> coords;
        std::vector<std::array<int, 3>> indices;  // one triple per face of group 0
    };
    std::vector<Channel> channels;
    int groupcount = -1, channelcount = -1;  // header values when they lie

    Bytes bytes() const
    {
        Bytes b = id + u16(int(verts.size())) + u16(groupcount >= 0 ? groupcount : int(groups.size())) +
                  u16(channelcount >= 0 ? channelcount : int(channels.size())) + u16(flags);
        for (const auto& v : verts) b += f32(v[0]) + f32(v[1]) + f32(v[2]);
        for (const Group& g : groups) {
            b += u16(int(g.faces.size())) + u16(g.word);
            for (const auto& f : g.faces) b += u16(f[0]) + u16(f[1]) + u16(f[2]) + u16(0xBEEF);
        }
        for (const Channel& c : channels) {
            b += u16(int(c.coords.size())) + u16(0x1234);
            for (const auto& uv : c.coords) b += f32(uv[0]) + f32(uv[1]);
            for (const auto& i : c.indices) b += u16(i[0]) + u16(i[1]) + u16(i[2]);
        }
        return b;
    }
};

C3m::Group group(int word, std::vector<std::array<int, 3>> faces)
{
    C3m::Group g;
    g.word = word;
    g.faces = std::move(faces);
    return g;
}

// The square 8..24 in both directions as two counter-clockwise triangles
// (in the window), lower-left then upper-right; u runs 0 to 1 across.
C3m square()
{
    C3m m;
    m.verts = {{8, 8, 0}, {24, 8, 0}, {24, 24, 0}, {8, 24, 0}};
    m.groups = {group(0, {{0, 3, 2}, {0, 2, 1}})};
    C3m::Channel c;
    c.coords = {{0, 0.5f}, {1, 0.5f}, {1, 0.5f}, {0, 0.5f}};
    c.indices = {{0, 3, 2}, {0, 2, 1}};
    m.channels = {c};
    return m;
}

const uint32_t RED = gltest::rgb(255, 0, 0), GREEN = gltest::rgb(0, 255, 0), BLACK = gltest::rgb(0, 0, 0);

class Mesh : public gltest::GL {
protected:
    void SetUp() override
    {
        GL::SetUp();
        dir_ = fs::current_path() / "meshes";
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        testing::internal::CaptureStdout();
        corefile_mountimage(dir_.c_str(), 2);
        testing::internal::GetCapturedStdout();
        uint8_t texels[8] = {255, 0, 0, 255, 0, 255, 0, 255};
        texture_ = MOX_CreateTexture(2, 1, texels, 0);
        glBindTexture(GL_TEXTURE_2D, texture_);
        MOX_Enable2D();
        memory_ = g_mem_in_use;
    }

    void TearDown() override
    {
        mesh.Remove();
        EXPECT_EQ(g_mem_in_use, memory_) << "the mesh gave back what it took";
        MOX_DeleteTexture(texture_);
        corefile_closeimage();
        GL::TearDown();
    }

    std::string load(const Bytes& file, const char* name = "m.c3m")
    {
        std::ofstream(dir_ / name, std::ios::binary) << file;
        testing::internal::CaptureStdout();
        mesh.Load(name);
        return testing::internal::GetCapturedStdout();
    }

    fs::path dir_;
    int texture_ = 0;
    uint32_t memory_ = 0;
    c_mesh mesh;
};

TEST_F(Mesh, TwoTrianglesDrawTexturedFromTheirList)
{
    EXPECT_EQ(load(square().bytes()), "id: DCBA,verts: 4, facegroups: 1, uvchannels: 1, flags: 7\n");
    EXPECT_EQ(mesh.numverts, 4);
    EXPECT_EQ(mesh.numfaces[0], 2);
    EXPECT_EQ(mesh.numuvs[0], 4);
    EXPECT_NE(mesh.list, 0u);
    EXPECT_EQ(mesh.list2, 0u);
    mesh.Draw();
    EXPECT_EQ(gltest::pixel(10, 20), RED);    // lower-left triangle, left half
    EXPECT_EQ(gltest::pixel(22, 20), GREEN);  // lower-left triangle, right half
    EXPECT_EQ(gltest::pixel(22, 10), GREEN);  // upper-right triangle
    EXPECT_EQ(gltest::pixel(10, 9), RED);
    EXPECT_EQ(gltest::pixel(7, 16), BLACK);
    EXPECT_EQ(gltest::pixel(16, 24), BLACK);
    EXPECT_EQ(gltest::pixel(30, 30), BLACK);
}

TEST_F(Mesh, SecondChannelGoesToTheSecondList)
{
    C3m m = square();
    C3m::Channel flipped = m.channels[0];
    for (auto& uv : flipped.coords) uv[0] = 1 - uv[0];
    m.channels.push_back(flipped);
    EXPECT_EQ(load(m.bytes()), "id: DCBA,verts: 4, facegroups: 1, uvchannels: 2, flags: 7\n");
    ASSERT_NE(mesh.list2, 0u);
    mesh.Draw();
    EXPECT_EQ(gltest::pixel(10, 20), RED);
    EXPECT_EQ(gltest::pixel(22, 10), GREEN);
    glCallList(mesh.list2);
    EXPECT_EQ(gltest::pixel(10, 20), GREEN);
    EXPECT_EQ(gltest::pixel(22, 10), RED);
}

TEST_F(Mesh, OnlyTheLastGroupIsKeptAndItsCornersUseCoordinateZero)
{
    C3m m = square();
    m.groups = {group(1, {{0, 3, 2}}), group(2, {{0, 2, 1}})};
    m.channels[0].indices = {{1, 1, 1}};  // group 0: u = 1, green
    load(m.bytes());
    EXPECT_EQ(mesh.groupword[1], 2);
    mesh.Draw();
    EXPECT_EQ(gltest::pixel(10, 20), BLACK);
    EXPECT_EQ(gltest::pixel(22, 10), RED);
}

TEST_F(Mesh, RemovedMeshStillDrawsFromItsList)
{
    load(square().bytes());
    EXPECT_GT(g_mem_in_use, memory_);
    mesh.Remove();
    EXPECT_EQ(g_mem_in_use, memory_);
    EXPECT_EQ(mesh.verts, nullptr);
    EXPECT_EQ(mesh.numverts, 0);
    EXPECT_EQ(mesh.facegroups, 0);
    EXPECT_EQ(mesh.uvchannels, 0);
    mesh.Draw();
    EXPECT_EQ(gltest::pixel(10, 20), RED);
    mesh.Remove();  // nothing left to release
}

TEST_F(Mesh, CountsAbove32767AreUnsigned)
{
    C3m m;
    m.verts.assign(40000, {0, 0, 0});
    m.verts[39999] = {40, 40, 0};
    m.verts[39998] = {40, 46, 0};
    m.verts[39997] = {46, 46, 0};
    m.groups = {group(0, {{39999, 39998, 39997}})};
    C3m::Channel c;
    c.coords = {{0, 0.5f}};
    c.indices = {{0, 0, 0}};
    m.channels = {c};
    EXPECT_EQ(load(m.bytes()), "id: DCBA,verts: 40000, facegroups: 1, uvchannels: 1, flags: 7\n");
    EXPECT_EQ(mesh.numverts, 40000);
    mesh.Draw();
    EXPECT_EQ(gltest::pixel(41, 44), RED);
}

TEST_F(Mesh, BrokenFilesAreRefusedByNameAndLeaveNothingBehind)
{
    struct Case {
        const char* why;
        Bytes file;
    };
    std::vector<Case> cases;
    const Bytes good = square().bytes();
    cases.push_back({"short header", good.substr(0, 11)});
    cases.push_back({"short vertices", good.substr(0, 12 + 47)});
    cases.push_back({"short faces", good.substr(0, 12 + 48 + 4 + 15)});
    cases.push_back({"short coordinates", good.substr(0, good.size() - 1)});
    C3m nine = square();
    nine.groupcount = 9;
    cases.push_back({"nine groups", nine.bytes()});
    C3m three = square();
    three.channelcount = 3;
    cases.push_back({"three channels", three.bytes()});
    C3m none = square();
    none.channels.clear();
    cases.push_back({"no channel", none.bytes()});
    C3m vert = square();
    vert.groups[0].faces[1][2] = 4;
    cases.push_back({"vertex index at its count", vert.bytes()});
    C3m coord = square();
    coord.channels[0].indices[0][1] = 4;
    cases.push_back({"coordinate index at its count", coord.bytes()});
    C3m second = square();
    second.channels.push_back(second.channels[0]);
    second.channels[1].coords.pop_back();  // index 3 now too large in channel 1
    cases.push_back({"channel 1 index at its count", second.bytes()});
    C3m later = square();
    later.groups.push_back(group(0, {{0, 1, 2}}));
    later.channels[0].coords.clear();
    later.channels[0].indices = {{0, 0, 0}, {0, 0, 0}};
    cases.push_back({"coordinate 0 of an empty channel", later.bytes()});

    for (const Case& c : cases) {
        std::string log = load(c.file, "broken.c3m");
        EXPECT_NE(log.find("broken.c3m: mesh refused"), std::string::npos) << c.why << ": " << log;
        EXPECT_EQ(mesh.list, 0u) << c.why;
        EXPECT_EQ(mesh.numverts, 0) << c.why;
        EXPECT_EQ(mesh.facegroups, 0) << c.why;
        EXPECT_EQ(mesh.verts, nullptr) << c.why;
        EXPECT_EQ(g_mem_in_use, memory_) << c.why;
    }
    EXPECT_NE(load(Bytes(), "empty.c3m").find("empty.c3m: mesh refused"), std::string::npos);
    testing::internal::CaptureStdout();
    mesh.Load("absent.c3m");
    EXPECT_NE(testing::internal::GetCapturedStdout().find("absent.c3m: mesh not found"), std::string::npos);
    mesh.Draw();
    EXPECT_EQ(gltest::pixel(10, 20), BLACK);
}

TEST_F(Mesh, ReloadingReplacesTheMesh)
{
    load(square().bytes());
    const uint32_t once = g_mem_in_use;
    C3m m = square();
    for (auto& uv : m.channels[0].coords) uv[0] = 1 - uv[0];
    load(m.bytes());
    EXPECT_EQ(g_mem_in_use, once);
    mesh.Draw();
    EXPECT_EQ(gltest::pixel(10, 20), GREEN);
}

}  // namespace
