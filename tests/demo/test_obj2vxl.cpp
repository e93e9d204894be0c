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

int run(const std::string& args) {
    const int status = std::system((std::string(OBJ2VXL) + " " + args + " >tool.out 2>&1").c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(Obj2vxl, ConvertsAnInputWhoseNameHasCapitalsAndFolders) {
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

TEST(Obj2vxl, AMissingInputFailsAndWritesNothing) {
    EXPECT_EQ(run("absent.obj 0 out.vxl"), 1);
    EXPECT_FALSE(std::filesystem::exists("out.vxl"));
}

}  // namespace
