#include "corefile.h"
#include "coremem.h"
#include "fixtures.h"
#include "pack.h"

#include <cstring>
#include <unistd.h>

using namespace fixtures;

namespace {

class FileLayer : public testing::Test {
protected:
    void TearDown() override { corefile_closeimage(); }

    // Mounts an image built from `bytes` quietly; returns the mount's result.
    int mount_bytes(const std::string& bytes, int type = 0, std::string* log = nullptr)
    {
        write_file("image.dat", bytes);
        int result = 0;
        std::string out = stdout_of([&] { result = corefile_mountimage("image.dat", type); });
        if (log) *log = out;
        return result;
    }

    std::string read_all(const char* name)
    {
        corefile_handle h = {};
        std::string data;
        stdout_of([&] {
            if (!corefile_open(name, &h, 0)) return;
            data.resize(h.size);
            corefile_read(data.data(), h.size, 1, &h);
            corefile_close(&h);
        });
        return data;
    }
};

const std::string kTwoFiles = image_bytes({{"a", "abc"}, {"bc", "de"}});

}  // namespace

TEST_F(FileLayer, ImageOfTwoFilesIs44BytesAndOpensWithTheirSizes)
{
    const std::string expected = std::string("CORE") + le32(2) + le32(44) + le32(1) + le32(97) + "a" + le32(39) +
                                 le32(2) + le32(197) + "bc" + le32(42) + "abcde";
    ASSERT_EQ(kTwoFiles, expected);  // the fixture builder itself, against the layout
    auto dir = scratch("tree");
    write_file(dir / "a", "abc");
    write_file(dir / "bc", "de");
    std::string error;
    ASSERT_TRUE(moxpack::create("packed.dat", dir.string(), "", error)) << error;
    EXPECT_EQ(read_file("packed.dat"), expected);

    std::string log;
    ASSERT_EQ(mount_bytes(read_file("packed.dat"), 0, &log), 1);
    EXPECT_EQ(log, "Loading resource image: image.dat\nloading from file\nnumfiles: 2\nromsize: 44\n");
    corefile_handle h = {};
    EXPECT_EQ(stdout_of([&] { EXPECT_EQ(corefile_open("a", &h, 0), 1); }), "found file at offset: 39\n");
    EXPECT_EQ(corefile_fsize(&h), 3);
    EXPECT_EQ(h.hash, 97);
    EXPECT_EQ(h.file, nullptr);
    stdout_of([&] { corefile_open("bc", &h, 0); });
    EXPECT_EQ(h.size, 2);
    EXPECT_EQ(h.index, 1);
    EXPECT_EQ(read_all("a"), "abc");
    EXPECT_EQ(read_all("bc"), "de");
}

TEST_F(FileLayer, BeforeAnyMountNothingIsFound)
{
    corefile_handle h = {};
    EXPECT_EQ(stdout_of([&] { EXPECT_EQ(corefile_open("Music.WAV", &h, 0), 0); }), "couldn't find file: music.wav\n");
    EXPECT_EQ(corefile_loadbuffer("music.wav"), nullptr);
}

TEST_F(FileLayer, NamesAreLoweredOnOpenButStoredUpperCaseNeverMatches)
{
    ASSERT_EQ(mount_bytes(image_bytes({{"intro1.tga", "x"}, {"Title.tga", "y"}})), 1);
    EXPECT_EQ(read_all("INTRO1.TGA"), "x");
    corefile_handle h = {};
    EXPECT_EQ(stdout_of([&] { EXPECT_EQ(corefile_open("Title.tga", &h, 0), 0); }), "couldn't find file: title.tga\n");
}

TEST_F(FileLayer, APrefixOrAnExtensionOfAStoredNameDoesNotMatch)
{
    ASSERT_EQ(mount_bytes(image_bytes({{"ab", "1"}, {"c", "2"}})), 1);
    corefile_handle h = {};
    stdout_of([&] {
        EXPECT_EQ(corefile_open("a", &h, 0), 0);
        EXPECT_EQ(corefile_open("cd", &h, 0), 0);
        EXPECT_EQ(corefile_open("", &h, 0), 0);
    });
}

TEST_F(FileLayer, SizesComeFromTheNextOffsetAndRomsize)
{
    ASSERT_EQ(mount_bytes(image_bytes({{"empty", ""}, {"full", "12345"}, {"last", "xy"}})), 1);
    corefile_handle h = {};
    stdout_of([&] { corefile_open("empty", &h, 0); });
    EXPECT_EQ(h.size, 0);
    EXPECT_NE(corefile_feof(&h), 0);
    stdout_of([&] { corefile_open("last", &h, 0); });
    EXPECT_EQ(h.size, 2);
    EXPECT_EQ(corefile_image.romsize - (int32_t)corefile_image.offsets[2], 2);
}

TEST_F(FileLayer, ImageEndOfFileAfterExactlyItsSizeAndReadsRunOnIntoTheNextFile)
{
    ASSERT_EQ(mount_bytes(kTwoFiles), 1);
    corefile_handle h = {};
    stdout_of([&] { corefile_open("a", &h, 0); });
    char b[5] = {};
    corefile_read(b, 1, 2, &h);
    EXPECT_EQ(corefile_feof(&h), 0);
    corefile_read(b + 2, 1, 1, &h);
    EXPECT_NE(corefile_feof(&h), 0);
    EXPECT_EQ(std::string(b, 3), "abc");
    corefile_rewind(&h);
    corefile_read(b, 5, 1, &h);
    EXPECT_EQ(std::string(b, 5), "abcde");
    // Past the end of the image the stream has nothing; the rest reads as zeros.
    char tail[4] = {'?', '?', '?', '?'};
    corefile_read(tail, 4, 1, &h);
    EXPECT_EQ(std::string(tail, 4), std::string(4, '\0'));
}

TEST_F(FileLayer, HandlesShareTheImageStreamAndKeepTheirOwnPositions)
{
    ASSERT_EQ(mount_bytes(image_bytes({{"one", "ABCDEF"}, {"two", "uvwxyz"}})), 1);
    corefile_handle h1 = {}, h2 = {};
    stdout_of([&] {
        corefile_open("one", &h1, 0);
        corefile_open("two", &h2, 0);
    });
    std::string got;
    for (int i = 0; i < 3; i++) {
        char c;
        corefile_read(&c, 1, 1, &h1);
        got += c;
        corefile_read(&c, 1, 1, &h2);
        got += c;
    }
    EXPECT_EQ(got, "AuBvCw");
}

TEST_F(FileLayer, SeekTellAndIgnoredOrigins)
{
    std::string text(32, 'x');
    ASSERT_EQ(mount_bytes(image_bytes({{"pad", "----"}, {"t.txt", text}})), 1);
    auto dir = scratch("loose");
    write_file(dir / "t.txt", text);
    corefile_handle h = {};
    stdout_of([&] { corefile_open("t.txt", &h, 0); });
    corefile_seek(&h, 10, 0);
    EXPECT_EQ(corefile_tell(&h), 10);
    corefile_seek(&h, 0, 2);
    EXPECT_EQ(corefile_tell(&h), 10);
    corefile_seek(&h, -4, 1);
    EXPECT_EQ(corefile_tell(&h), 6);

    corefile_closeimage();
    stdout_of([&] { ASSERT_EQ(corefile_mountimage(dir.string().c_str(), 2), 1); });
    ASSERT_EQ(corefile_open("t.txt", &h, 0), 1);
    corefile_seek(&h, 10, 0);
    EXPECT_EQ(corefile_tell(&h), 10);
    corefile_seek(&h, 0, 2);
    EXPECT_EQ(corefile_tell(&h), 10);
    corefile_close(&h);
}

TEST_F(FileLayer, LinesReadLikeFgetsInBothModes)
{
    const std::string text = "first line\nsecond\nlast without break";
    ASSERT_EQ(mount_bytes(image_bytes({{"obj.txt", text}, {"next", "NEXT\n"}})), 1);
    corefile_handle h = {};
    stdout_of([&] { corefile_open("obj.txt", &h, 0); });
    char line[256];
    std::vector<std::string> lines;
    while (!corefile_feof(&h)) {
        corefile_gets(line, sizeof line, &h);
        lines.push_back(line);
    }
    // In an image the last line runs on into the next file's bytes.
    EXPECT_EQ(lines, (std::vector<std::string>{"first line\n", "second\n", "last without breakNEXT\n"}));
    corefile_rewind(&h);
    corefile_gets(line, 6, &h);
    EXPECT_STREQ(line, "first");
    EXPECT_EQ(corefile_tell(&h), 5);

    corefile_closeimage();
    auto dir = scratch("loose");
    write_file(dir / "obj.txt", text);
    stdout_of([&] { corefile_mountimage(dir.string().c_str(), 2); });
    ASSERT_EQ(corefile_open("OBJ.TXT", &h, 0), 1);
    lines.clear();
    while (!corefile_feof(&h)) {
        corefile_gets(line, sizeof line, &h);
        lines.push_back(line);
    }
    // The stream's own end flag is only set by the read that hits the end.
    EXPECT_EQ(lines, (std::vector<std::string>{"first line\n", "second\n", "last without break"}));
    corefile_close(&h);
}

TEST_F(FileLayer, DirectoryEndOfFileOnlyAfterAReadRunsPastTheEnd)
{
    auto dir = scratch("loose");
    write_file(dir / "abc", "abc");
    stdout_of([&] { corefile_mountimage(dir.string().c_str(), 2); });
    corefile_handle h = {};
    ASSERT_EQ(corefile_open("abc", &h, 0), 1);
    EXPECT_EQ(h.size, 3);
    char b[4];
    corefile_read(b, 3, 1, &h);
    EXPECT_EQ(corefile_feof(&h), 0);
    corefile_read(b, 1, 1, &h);
    EXPECT_NE(corefile_feof(&h), 0);
    corefile_close(&h);
    EXPECT_EQ(h.file, nullptr);
}

TEST_F(FileLayer, DirectoryModeOpensOnlyRegularFiles)
{
    auto dir = scratch("loose");
    fs::create_directories(dir / "gfx");
    // A device, where the system has them behind a link.
    std::error_code linked;
    fs::create_symlink("/dev/zero", dir / "zero", linked);
    stdout_of([&] { corefile_mountimage(dir.string().c_str(), 2); });
    const uint32_t mounted = g_mem_in_use;
    corefile_handle h = {};
    // A directory opens as a stream with a size of 2 GiB on ext4; a loader
    // would allocate that much.
    EXPECT_EQ(stdout_of([&] { EXPECT_EQ(corefile_open("gfx", &h, 0), 0); }), "");
    EXPECT_EQ(h.file, nullptr);
    EXPECT_EQ(corefile_open("zero", &h, 0), 0);
    EXPECT_EQ(h.file, nullptr);
    EXPECT_EQ(corefile_loadbuffer("gfx"), nullptr);
    EXPECT_EQ(g_mem_in_use, mounted);
}

TEST_F(FileLayer, WritesReachOnlyAMountedDirectory)
{
    ASSERT_EQ(mount_bytes(kTwoFiles), 1);
    corefile_handle h = {};
    stdout_of([&] {
        corefile_open("a", &h, 1);
        corefile_write("ZZZ", 3, 1, &h);
        corefile_savebuffer("a", "ZZZ", 3);
    });
    corefile_closeimage();
    EXPECT_EQ(read_file("image.dat"), kTwoFiles);

    auto dir = scratch("loose");
    stdout_of([&] { corefile_mountimage(dir.string().c_str(), 2); });
    corefile_savebuffer("saved.bin", "\x01\x02\x03", 3);
    EXPECT_EQ(read_file(dir / "saved.bin"), "\x01\x02\x03");
    void* back = corefile_loadbuffer("saved.bin");
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(memcmp(back, "\x01\x02\x03", 3), 0);
    _wrap_free_dbg(back, "test", __LINE__);
}

TEST_F(FileLayer, ImageHelpersLookNamesUpBehindTheLocalPath)
{
    ASSERT_EQ(mount_bytes(kTwoFiles), 1);
    void* buffer = nullptr;
    EXPECT_EQ(stdout_of([&] { buffer = corefile_loadbuffer("a"); }), "couldn't find file: /a\n");
    EXPECT_EQ(buffer, nullptr);
}

TEST_F(FileLayer, AppendedImageIsFoundThroughTheHostTrailer)
{
    const std::string host = "#!host program bytes\n";
    const std::string bytes =
        host + image_bytes({{"a", "abc"}, {"bc", "de"}}, (uint32_t)host.size()) + le32((uint32_t)host.size());
    std::string log;
    ASSERT_EQ(mount_bytes(bytes, 1, &log), 1);
    EXPECT_NE(log.find("loading from executable\n"), std::string::npos);
    EXPECT_EQ(read_all("bc"), "de");
    EXPECT_EQ(read_all("a"), "abc");
}

TEST_F(FileLayer, DirectoryMountStoresRelativeNamesAndKeepsTheWorkingDirectory)
{
    auto dir = scratch("tree");
    write_file(dir / "top.txt", "t");
    write_file(dir / "gfx" / "logo.tga", "l");
    write_file(dir / "gfx" / "deep" / "x.bin", "x");
    const auto cwd = fs::current_path();
    std::string log = stdout_of([&] { EXPECT_EQ(corefile_mountimage(dir.string().c_str(), 2), 1); });
    EXPECT_EQ(fs::current_path(), cwd);
    EXPECT_NE(log.find("Found 3 files\n"), std::string::npos);
    std::vector<std::string> names(corefile_image.names, corefile_image.names + corefile_image.numfiles);
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"gfx/deep/x.bin", "gfx/logo.tga", "top.txt"}));
    EXPECT_EQ(read_all("GFX/deep/x.bin"), "x");
}

TEST_F(FileLayer, FailedMountsSayWhy)
{
    EXPECT_EQ(stdout_of([] { EXPECT_EQ(corefile_mountimage("missing.dat", 0), 0); }),
              "Loading resource image: missing.dat\ncould not open image: missing.dat\n");
    EXPECT_EQ(stdout_of([] { EXPECT_EQ(corefile_mountimage("x", 7), 0); }), "Loading resource image: x\n");
    // Wrong magic: refused without a line of its own, the stream left open;
    // every open then fails.
    std::string log;
    ASSERT_EQ(mount_bytes("JUNK" + kTwoFiles.substr(4), 0, &log), 0);
    EXPECT_EQ(log, "Loading resource image: image.dat\nloading from file\n");
    EXPECT_NE(g_fp, nullptr);
    EXPECT_EQ(corefile_localpath, nullptr);
    corefile_handle h = {};
    stdout_of([&] { EXPECT_EQ(corefile_open("a", &h, 0), 0); });
}

TEST_F(FileLayer, MountingAgainReplacesTheTableAndReleasesTheOld)
{
    ASSERT_EQ(mount_bytes(kTwoFiles), 1);
    const uint32_t one_mount = g_mem_in_use;
    ASSERT_EQ(mount_bytes(kTwoFiles), 1);
    EXPECT_EQ(g_mem_in_use, one_mount);
    corefile_closeimage();
    corefile_closeimage();  // a second release does nothing
    EXPECT_EQ(g_mem_in_use, 0u);
    EXPECT_EQ(corefile_image.numfiles, 0u);
    EXPECT_EQ(g_fp, nullptr);
}

// Each broken image is refused with a line naming its fault, and leaves
// nothing mounted and nothing allocated.
TEST_F(FileLayer, BrokenImagesAreRefusedWithTheirFault)
{
    auto with = [](std::string bytes, size_t at, uint32_t value) {
        bytes.replace(at, 4, le32(value));
        return bytes;
    };
    const std::string three = image_bytes({{"a", "abc"}, {"bc", "de"}, {"d", "f"}});  // offsets at 52, 55, 57
    const struct {
        const char* what;
        std::string bytes;
        const char* says;
    } cases[] = {
        {"count beyond the file", with(kTwoFiles, 4, 0x40000000), "more than its table can hold"},
        {"huge count", with(kTwoFiles, 4, 0xFFFFFFFF), "more than its table can hold"},
        {"name length beyond the file", with(kTwoFiles, 12, 5000), "runs past the end of the image"},
        {"name length wraps", with(kTwoFiles, 12, 0xFFFFFFFC), "runs past the end of the image"},
        {"offset past the end", with(kTwoFiles, 21, 4000), "lies past the end of the image"},
        {"offsets out of order", with(three, 35, 40), "lies before the previous entry's"},
        {"romsize before the last offset", with(kTwoFiles, 8, 40), "lies before the last entry's offset"},
        {"romsize past the end", with(kTwoFiles, 8, 45), "cut short: 44 of its 45 bytes are there"},
        {"data cut short", kTwoFiles.substr(0, 43), "cut short: 43 of its 44 bytes are there"},
        {"header cut short", kTwoFiles.substr(0, 10), "image header is cut short"},
        {"table cut short", kTwoFiles.substr(0, 30), "more than its table can hold"},
    };
    ASSERT_EQ(three.substr(35, 4), le32(55));
    for (const auto& c : cases) {
        std::string log;
        EXPECT_EQ(mount_bytes(c.bytes, 0, &log), 0) << c.what;
        // The refusing line names the image, then the fault.
        const size_t at = log.find(c.says);
        ASSERT_NE(at, std::string::npos) << c.what << ": " << log;
        EXPECT_EQ(log.compare(log.rfind('\n', at) + 1, 11, "image.dat: "), 0) << c.what << ": " << log;
        corefile_handle h = {};
        stdout_of([&] { EXPECT_EQ(corefile_open("a", &h, 0), 0) << c.what; });
        corefile_closeimage();
        EXPECT_EQ(g_mem_in_use, 0u) << c.what;
    }
    std::string log;
    EXPECT_EQ(mount_bytes("ab", 1, &log), 0);
    EXPECT_NE(log.find("image.dat: too short"), std::string::npos) << log;
    EXPECT_NE(log.find("too short to hold an image start position"), std::string::npos) << log;
    EXPECT_EQ(mount_bytes(kTwoFiles + le32(1000), 1, &log), 0);  // trailer points past the end
    EXPECT_NE(log.find("image.dat: image start position 1000 leaves no room"), std::string::npos) << log;
    EXPECT_EQ(mount_bytes(kTwoFiles + le32(33), 1, &log), 0);  // a header would run into the trailer
    EXPECT_NE(log.find("image start position 33 leaves no room"), std::string::npos) << log;
    EXPECT_EQ(mount_bytes(kTwoFiles + le32(32), 1, &log), 0);  // room, but no magic: silent
    EXPECT_EQ(log, "Loading resource image: image.dat\nloading from executable\n");
    EXPECT_EQ(g_mem_in_use, 0u);
}

// A count the file is large enough to back, but whose listing array (24
// bytes an entry) would pass what one allocation may ask for: refused before
// the table is read, not after millions of entries. The file is sparse.
// The file layer holds at most COREFILE_MAXENTRIES entries, a fixed
// ceiling: an image whose table claims more (and whose file is long enough
// for a table of that many) is refused before anything is allocated, the
// same on every word size. Sparse files here.
TEST_F(FileLayer, ACountBeyondTheCeilingIsRefusedUpFront)
{
    for (const uint32_t count : {uint32_t(COREFILE_MAXENTRIES) + 1, uint32_t(90000000)}) {
        write_file("image.dat", "CORE" + le32(count) + le32(12));
        fs::resize_file("image.dat", 12 + (uint64_t)count * COREFILE_ENTRYBYTES);
        std::string log = stdout_of([] { EXPECT_EQ(corefile_mountimage("image.dat", 0), 0); });
        corefile_closeimage();  // a refused image keeps its stream; Windows removes no open file
        fs::remove("image.dat");
        EXPECT_NE(log.find("image.dat: image claims " + std::to_string(count) +
                           " files, more than the file layer can hold\n"),
                  std::string::npos)
            << log;
        EXPECT_EQ(corefile_image.numfiles, 0u);
        EXPECT_EQ(g_mem_in_use, 0u);
    }
}

// Sparse images past 2 GiB: an entry beyond the 2 GiB mark is still read at
// its own bytes, and an entry bigger than a handle's size can count is
// refused.
TEST_F(FileLayer, ImagesPastTwoGigabytesReadTheirFarEntriesAndRefuseHugeOnes)
{
    const uint32_t start = 12 + 14 + 14 + 13, half = 1u << 30;  // data after the three entries
    const uint32_t x = start + 2 * half;                        // past INT32_MAX
    // p1, p2 and x, with x's five bytes at the end of the sparse file.
    auto build = [&](uint32_t p2) {
        write_file("image.dat", "CORE" + le32(3) + le32(x + 5) + le32(2) + le32(name_hash("p1")) + "p1" + le32(start) +
                                    le32(2) + le32(name_hash("p2")) + "p2" + le32(p2) + le32(1) + le32(name_hash("x")) +
                                    "x" + le32(x));
        ASSERT_EQ(fs::file_size("image.dat"), start);
        fs::resize_file("image.dat", x);
        std::ofstream(fs::path("image.dat"), std::ios::binary | std::ios::app) << "hello";
    };

    build(start + half);
    stdout_of([] { EXPECT_EQ(corefile_mountimage("image.dat", 0), 1); });
    corefile_handle h = {};
    stdout_of([&] { ASSERT_EQ(corefile_open("x", &h, 0), 1); });
    EXPECT_EQ(h.size, 5);
    char b[6] = {};
    corefile_read(b, 5, 1, &h);
    EXPECT_STREQ(b, "hello");
    EXPECT_EQ(corefile_tell(&h), 5);
    EXPECT_NE(corefile_feof(&h), 0);
    corefile_seek(&h, 2, 0);
    char line[8];
    corefile_gets(line, sizeof line, &h);
    EXPECT_STREQ(line, "llo");
    stdout_of([&] { ASSERT_EQ(corefile_open("p2", &h, 0), 1); });
    EXPECT_EQ(h.size, (int32_t)half);
    corefile_closeimage();

    // p1 now runs on to x: 2 GiB, one more than a handle's size can count.
    build(x);
    std::string log = stdout_of([] { EXPECT_EQ(corefile_mountimage("image.dat", 0), 0); });
    corefile_closeimage();  // a refused image keeps its stream; Windows removes no open file
    fs::remove("image.dat");
    EXPECT_NE(log.find("image.dat: image entry p1: 2147483648 bytes, more than a file may hold\n"), std::string::npos)
        << log;
    EXPECT_EQ(g_mem_in_use, 0u);
}
