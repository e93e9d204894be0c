// Fixtures for the image tests: TGA files written byte by byte into a
// mounted scratch folder, captured log lines, and a fixture that gives back
// every bitmap and sprite a test made.
#pragma once
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <string>
#include <utility>

#include "corefile.h"
#include "engine/image/corefont.h"

namespace imagetest {

namespace fs = std::filesystem;

using Bytes = std::string;

inline Bytes bytes(std::initializer_list<int> list)
{
    Bytes b;
    for (int v : list) b += char(v & 0xFF);
    return b;
}

inline Bytes le16(int v) { return bytes({v & 0xFF, (v >> 8) & 0xFF}); }

// The 18-byte header: ID length, colour map type, image type, map first
// index, map length, map entry bits, origin (ignored), width, height, depth,
// descriptor.
struct Header {
    int idlength = 0, maptype = 0, type = 2;
    int mapfirst = 0, maplength = 0, mapbits = 0;
    int width = 1, height = 1, depth = 24, descriptor = 0;
};

inline Bytes header(const Header& h)
{
    return bytes({h.idlength, h.maptype, h.type}) + le16(h.mapfirst) + le16(h.maplength) + bytes({h.mapbits}) +
           le16(0) + le16(0) + le16(h.width) + le16(h.height) + bytes({h.depth, h.descriptor});
}

// Pixels as files store them.
inline Bytes bgr(int r, int g, int b) { return bytes({b, g, r}); }
inline Bytes bgra(int r, int g, int b, int a) { return bytes({b, g, r, a}); }

template <typename F>
std::string stdout_of(F&& body)
{
    testing::internal::CaptureStdout();
    std::forward<F>(body)();
    fflush(stdout);
    return testing::internal::GetCapturedStdout();
}

// 0xAARRGGBB from its parts.
constexpr int argb(int a, int r, int g, int b) { return int(uint32_t(a) << 24 | r << 16 | g << 8 | b); }

class ImageTest : public testing::Test {
protected:
    void SetUp() override
    {
        dir_ = fs::current_path() / "img";
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        stdout_of([&] { ASSERT_EQ(corefile_mountimage(dir_.c_str(), 2), 1); });
        mox_numbitmaps = mox_numsprites = mox_numfonts = 0;
    }

    void TearDown() override
    {
        stdout_of([] {
            for (int i = 0; i < mox_numsprites; i++) MOX_DeleteSprite(mox_spritelist[i]);
            for (int i = 0; i < mox_numbitmaps; i++) MOX_DeleteBitmap(mox_bitmaplist[i]);
        });
        mox_numbitmaps = mox_numsprites = mox_numfonts = 0;
        corefile_closeimage();
    }

    // Writes a file into the mounted folder (names there are lower case).
    void put(const std::string& name, const Bytes& data) { std::ofstream(dir_ / name, std::ios::binary) << data; }

    // Loads through the TGA reader and returns the log.
    std::string load(const std::string& name, const Bytes& data, s_bitmap* b)
    {
        put(name, data);
        return stdout_of([&] { LoadImageTGA(name.c_str(), b); });
    }

    fs::path dir_;
    s_bitmap bitmap = {};
    s_bitmap other = {};
};

}  // namespace imagetest
