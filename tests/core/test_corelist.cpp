#include "corefile.h"
#include "coremem.h"
#include "fixtures.h"

using namespace fixtures;

namespace {

struct Line {
    std::string display, name;
    int32_t size;
    int isdir;
    bool operator==(const Line& o) const
    {
        return display == o.display && name == o.name && size == o.size && isdir == o.isdir;
    }
};
std::ostream& operator<<(std::ostream& out, const Line& l)
{
    return out << "{" << l.display << ", " << l.name << ", " << l.size << ", " << l.isdir << "}";
}

class Listing : public testing::Test {
protected:
    void SetUp() override
    {
        write_file("image.dat",
                   image_bytes({{"a.tga", "AAAA"}, {"gfx/b.tga", "BB"}, {"gfx/c.wav", "CCC"}, {"snd/d.wav", "D"}}));
        stdout_of([] { ASSERT_EQ(corefile_mountimage("image.dat", 0), 1); });
    }
    void TearDown() override { corefile_closeimage(); }

    std::vector<Line> list(const char* filter, std::string* log = nullptr)
    {
        std::string out = stdout_of([&] { corefile_readdir(filter); });
        if (log) *log = out;
        std::vector<Line> lines;
        for (int i = 0; i < corefile_numfiles; i++) {
            const s_direntry& e = corefile_filelist[i];
            lines.push_back({e.display, e.name, e.size, e.isdir});
        }
        return lines;
    }
    std::string cd(const char* d)
    {
        return stdout_of([&] { corefile_chdir(d); });
    }
};

}  // namespace

TEST_F(Listing, RootShowsDirectoriesFirstThenMatchingFiles)
{
    std::string log;
    EXPECT_EQ(list("*.tga", &log),
              (std::vector<Line>{{"[gfx]", "gfx", 0, 1}, {"[snd]", "snd", 0, 1}, {"a.tga", "a.tga", 4, 0}}));
    EXPECT_EQ(log, "extension = .tga, length: 4\ndir is root\n- ReadDIR completed!\n");
    EXPECT_EQ(list("*.TGA"), (std::vector<Line>{{"[gfx]", "gfx", 0, 1}, {"[snd]", "snd", 0, 1}}));
}

TEST_F(Listing, ASubdirectoryListsUpFirstAndFullNames)
{
    EXPECT_EQ(cd("gfx"), "localpath = /gfx/\n");
    EXPECT_STREQ(corefile_getpath(), "/gfx/");
    EXPECT_EQ(list("*.*"),
              (std::vector<Line>{{"[..]", "..", 0, 1}, {"b.tga", "gfx/b.tga", 2, 0}, {"c.wav", "gfx/c.wav", 3, 0}}));
    EXPECT_EQ(list("*.wav"), (std::vector<Line>{{"[..]", "..", 0, 1}, {"c.wav", "gfx/c.wav", 3, 0}}));
}

TEST_F(Listing, PathChangesUpReplaceAndStay)
{
    cd("gfx");
    EXPECT_EQ(cd(".."), "localpath = /\n");
    EXPECT_EQ(cd(".."), "localpath = /\n");
    EXPECT_EQ(cd("/snd"), "localpath = /snd/\n");
    EXPECT_EQ(cd("."), "");
    EXPECT_STREQ(corefile_getpath(), "/snd/");
    cd("deeper/");
    EXPECT_STREQ(corefile_getpath(), "/snd/deeper/");
    cd("..");
    EXPECT_STREQ(corefile_getpath(), "/snd/");
    EXPECT_EQ(cd("\\x"), "localpath = \\x/\n");
}

TEST_F(Listing, APathThatNamesNothingListsOnlyUp)
{
    cd("nothing");
    EXPECT_EQ(list("*.*"), (std::vector<Line>{{"[..]", "..", 0, 1}}));
}

TEST_F(Listing, LongPathsAreRefusedAndRelistingReleasesTheOldListing)
{
    cd(std::string(200, 'x').c_str());
    std::string log = cd(std::string(100, 'y').c_str());
    EXPECT_NE(log.find("local path too long"), std::string::npos);
    EXPECT_EQ(strlen(corefile_getpath()), 202u);
    const uint32_t before = g_mem_in_use;
    cd("/");
    list("*.*");
    const uint32_t listed = g_mem_in_use;
    list("*.*");
    EXPECT_EQ(g_mem_in_use, listed);
    corefile_closeimage();
    EXPECT_EQ(g_mem_in_use, 0u);
    EXPECT_GT(listed, before);
}

TEST(ListingMany, DirectoryNamesBeyondTheTableAreSkippedNotOverrun)
{
    std::vector<ImageEntry> entries;
    for (int i = 0; i < 300; i++) entries.push_back({"d" + std::to_string(1000 + i) + "/f", "x"});
    write_file("many.dat", image_bytes(entries));
    stdout_of([] { ASSERT_EQ(corefile_mountimage("many.dat", 0), 1); });
    std::string log = stdout_of([] { corefile_readdir("*.*"); });
    EXPECT_EQ(corefile_numfiles, 260);
    EXPECT_NE(log.find("too many directories to list, skipped: d1260"), std::string::npos);
    corefile_closeimage();
}

TEST(ListingDirectory, LooseFilesListWithTheirSizes)
{
    auto dir = scratch("tree");
    write_file(dir / "music.wav", std::string(1234, 'm'));
    write_file(dir / "gfx" / "logo.tga", "tga");
    stdout_of([&] { ASSERT_EQ(corefile_mountimage(dir.string().c_str(), 2), 1); });
    stdout_of([] { corefile_readdir("*.wav"); });
    ASSERT_EQ(corefile_numfiles, 2);
    EXPECT_STREQ(corefile_filelist[0].display, "[gfx]");
    EXPECT_STREQ(corefile_filelist[1].name, "music.wav");
    EXPECT_EQ(corefile_filelist[1].size, 1234);
    corefile_closeimage();
}
