#include "corefile.h"
#include "fixtures.h"
#include "pack.h"

#include <cstdlib>
#include <sys/wait.h>
#include <unistd.h>

using namespace fixtures;

namespace {

// Runs the moxpack program; returns its exit status, with its output in `out`.
int moxpack_run(const std::string& arguments, std::string* out = nullptr)
{
    const std::string command = std::string(MOXPACK_PATH) + " " + arguments + " > run.log 2>&1";
    const int status = std::system(command.c_str());
    if (out) *out = read_file("run.log");
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::vector<std::string> files_in(const fs::path& dir)
{
    std::vector<std::string> names;
    for (auto& e : fs::directory_iterator(dir)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace

TEST(Moxpack, StoresNamesLowerCaseSortedWithSlashesAndDataInTableOrder)
{
    auto dir = scratch("tree");
    write_file(dir / "Zeta.TXT", "zz");
    write_file(dir / "GFX" / "Logo.tga", "logo");
    write_file(dir / "alpha", "a");
    write_file(dir / "gfx2" / "x", "");
    ASSERT_EQ(moxpack_run("create out.dat tree"), 0);
    moxpack::Table t;
    std::vector<std::string> problems;
    std::string error;
    ASSERT_TRUE(moxpack::read_table("out.dat", t, problems, error)) << error;
    EXPECT_TRUE(problems.empty());
    std::vector<std::string> names;
    for (auto& e : t.entries) names.push_back(e.name);
    EXPECT_EQ(names, (std::vector<std::string>{"alpha", "gfx/logo.tga", "gfx2/x", "zeta.txt"}));
    EXPECT_EQ(t.entries[1].size, 4u);
    EXPECT_EQ(t.entries[2].size, 0u);
    EXPECT_EQ(t.entries[3].offset + 2, t.romsize);
    EXPECT_EQ(t.romsize, t.file_size);

    stdout_of([] { ASSERT_EQ(corefile_mountimage("out.dat", 0), 1); });
    corefile_handle h = {};
    stdout_of([&] { ASSERT_EQ(corefile_open("GFX/LOGO.TGA", &h, 0), 1); });
    char logo[4];
    corefile_read(logo, 4, 1, &h);
    EXPECT_EQ(std::string(logo, 4), "logo");
    corefile_closeimage();
}

TEST(Moxpack, RefusesCollidingAndNonAsciiNamesLeavingNoFile)
{
    auto dir = scratch("clash");
    write_file(dir / "Music.wav", "1");
    write_file(dir / "music.WAV", "2");
    std::string out;
    EXPECT_EQ(moxpack_run("create clash.dat clash", &out), 1);
    EXPECT_NE(out.find("are both stored as \"music.wav\""), std::string::npos) << out;

    auto odd = scratch("odd");
    write_file(odd / "caf\xc3\xa9.tga", "1");
    EXPECT_EQ(moxpack_run("create odd.dat odd", &out), 1);
    EXPECT_NE(out.find("not printable ASCII"), std::string::npos) << out;
    EXPECT_EQ(moxpack_run("create x.dat no-such-dir", &out), 1);
    EXPECT_NE(out.find("not a directory"), std::string::npos) << out;

    for (auto& name : files_in(fs::current_path()))
        EXPECT_TRUE(name.find(".dat") == std::string::npos) << name << " left behind";
}

TEST(Moxpack, RefusesAnImagePastFourGigabytes)
{
    // Sparse files: the sizes are real to the packer, the disk holds nothing.
    auto dir = scratch("huge");
    for (const char* name : {"a", "b", "c"}) {
        write_file(dir / name, "");
        fs::resize_file(dir / name, 1500u * 1024 * 1024);
    }
    std::string out;
    EXPECT_EQ(moxpack_run("create huge.dat huge", &out), 1);
    EXPECT_NE(out.find("past the 4 GiB"), std::string::npos) << out;
    EXPECT_FALSE(fs::exists("huge.dat"));
    fs::resize_file(dir / "a", 3u * 1024 * 1024 * 1024);
    EXPECT_EQ(moxpack_run("create huge.dat huge", &out), 1);
    EXPECT_NE(out.find("larger than the 2 GiB"), std::string::npos) << out;
    fs::remove_all(dir);
}

TEST(Moxpack, HostFormMountsAsAnAppendedImage)
{
    auto dir = scratch("tree");
    write_file(dir / "a", "abc");
    write_file(dir / "bc", "de");
    write_file("host.bin", "HOST-PROGRAM");
    ASSERT_EQ(moxpack_run("create --host host.bin app.bin tree"), 0);
    const std::string bytes = read_file("app.bin");
    EXPECT_EQ(bytes, "HOST-PROGRAM" + image_bytes({{"a", "abc"}, {"bc", "de"}}, 12) + le32(12));
    stdout_of([] { ASSERT_EQ(corefile_mountimage("app.bin", 1), 1); });
    corefile_handle h = {};
    stdout_of([&] { ASSERT_EQ(corefile_open("bc", &h, 0), 1); });
    EXPECT_EQ(h.size, 2);
    corefile_closeimage();
    std::string out;
    EXPECT_EQ(moxpack_run("list app.bin", &out), 0);
    EXPECT_NE(out.find("appended at 12"), std::string::npos) << out;
}

TEST(Moxpack, ListShowsEachEntryAndNamesEveryFault)
{
    write_file("good.dat", image_bytes({{"a", "abc"}, {"bc", "de"}}));
    std::string out;
    ASSERT_EQ(moxpack_run("list good.dat", &out), 0);
    EXPECT_NE(out.find("a                                                 3         39          97\n"),
              std::string::npos)
        << out;
    EXPECT_NE(out.find("image is sound"), std::string::npos);

    std::string bad = image_bytes({{"a", "abc"}, {"Bc", "de"}});
    bad.replace(16, 4, le32(98));  // a's stored hash
    bad.replace(8, 4, le32(60));   // romsize past the end
    write_file("bad.dat", bad);
    EXPECT_EQ(moxpack_run("list bad.dat", &out), 1);
    EXPECT_NE(out.find("a: stored hash 98, the name hashes to 97"), std::string::npos) << out;
    EXPECT_NE(out.find("Bc: name has upper-case letters"), std::string::npos) << out;
    EXPECT_NE(out.find("romsize 60 lies past the end of the file (44 bytes)"), std::string::npos) << out;
    EXPECT_NE(out.find("3 faults"), std::string::npos) << out;

    write_file("short.dat", image_bytes({{"a", "abc"}}).substr(0, 14));
    EXPECT_EQ(moxpack_run("list short.dat", &out), 1);
    EXPECT_NE(out.find("more than the file holds"), std::string::npos) << out;
}

TEST(Moxpack, ExtractGivesBackTheTreeAndRefusesUnsafeNames)
{
    auto dir = scratch("tree");
    write_file(dir / "music.wav", std::string(70000, '\x7f'));
    write_file(dir / "gfx" / "deep" / "font.tga", "font");
    ASSERT_EQ(moxpack_run("create tree.dat tree"), 0);
    fs::remove_all("copy");
    ASSERT_EQ(moxpack_run("extract tree.dat copy"), 0);
    EXPECT_EQ(read_file("copy/music.wav"), read_file(dir / "music.wav"));
    EXPECT_EQ(read_file("copy/gfx/deep/font.tga"), "font");

    write_file("evil.dat", image_bytes({{"../escaped", "x"}}));
    std::string out;
    EXPECT_EQ(moxpack_run("extract evil.dat copy", &out), 1);
    EXPECT_NE(out.find("not a safe file name"), std::string::npos) << out;
    EXPECT_FALSE(fs::exists("escaped"));
}
