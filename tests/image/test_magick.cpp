// The TGA reader against files that other programs write: ImageMagick, at
// test time from a source picture made here, every variant it can write,
// plain and packed, in both origins, compared pixel for pixel with the
// source; and files laid out as GIMP-style writers lay them out (an image
// ID, the TGA 2.0 extension area and footer behind the pixels), built here
// byte by byte. ImageMagick 6 writes its default bottom-left files top row
// first (the picture then shows upside down in every reader), so a
// bottom-left file is asked for of the flipped picture.
#include <cstdlib>
#include <fstream>

#include "imagetest.h"

using namespace imagetest;

namespace {

constexpr int W = 37, H = 23;

struct Source {
    std::vector<int> argb;  // W * H source colours, top row first
};

// Runs of one colour (for run packets) between noisy stretches (raw packets),
// with colour-key pixels sprinkled in. `colours` limits the palette.
Source picture(bool alpha, bool grey, int colours)
{
    Source s;
    uint32_t seed = 12345;
    auto next = [&] { return seed = seed * 1103515245u + 12345u, int(seed >> 16 & 0xFF); };
    for (int y = 0; y < H; y++)
        for (int x = 0; x < W; x++) {
            int r, g, b, a = 255;
            if ((x / 6 + y) % 3 == 0) {
                r = 40 + y, g = 200 - y, b = 7 * (x / 6);
            } else {
                r = next(), g = next(), b = next();
            }
            if (colours) {
                const int k = (r + g + b) % colours;
                r = k * 16, g = 255 - k * 16, b = k * 7;
            }
            if ((x * 7 + y * 3) % 29 == 0 && !grey) r = 250, g = 5, b = 245;  // the key
            if (grey) g = b = r;
            if (alpha) a = (x * 13 + y * 5) & 0xFF;
            s.argb.push_back(argb(a, r, g, b));
        }
    return s;
}

// The source as a PPM, PGM or PAM file.
void write_netpbm(const std::string& path, const Source& s, bool alpha, bool grey)
{
    std::ofstream f(path, std::ios::binary);
    if (alpha)
        f << "P7\nWIDTH " << W << "\nHEIGHT " << H << "\nDEPTH 4\nMAXVAL 255\nTUPLTYPE RGB_ALPHA\nENDHDR\n";
    else
        f << (grey ? "P5\n" : "P6\n") << W << " " << H << "\n255\n";
    for (int c : s.argb) {
        const int a = (c >> 24) & 0xFF, r = (c >> 16) & 0xFF, g = (c >> 8) & 0xFF, b = c & 0xFF;
        if (grey) {
            f << char(r);
        } else {
            f << char(r) << char(g) << char(b);
            if (alpha) f << char(a);
        }
    }
}

class Magick : public ImageTest {
protected:
    // Converts the source with the options and checks the file's type and
    // depth, so each case reads the variant it names.
    void check(const char* options, bool alpha, bool grey, int colours, int type, int depth,
               const char* orient = "-orient topleft")
    {
        SCOPED_TRACE(options);
        const Source s = picture(alpha, grey, colours);
        const std::string src = alpha ? "src.pam" : grey ? "src.pgm" : "src.ppm";
        write_netpbm(src, s, alpha, grey);
        const std::string out = (dir_ / "magick.tga").string();
        const std::string command = "convert " + src + " " + options + " " + orient + " " + out;
        ASSERT_EQ(std::system(command.c_str()), 0) << command << " (is ImageMagick installed?)";
        std::ifstream in(out, std::ios::binary);
        const std::string file((std::istreambuf_iterator<char>(in)), {});
        ASSERT_GE(file.size(), 18u);
        ASSERT_EQ(uint8_t(file[2]), type);
        ASSERT_EQ(uint8_t(file[16]), depth);

        s_bitmap b = {};
        std::string log = stdout_of([&] { LoadImageTGA("magick.tga", &b); });
        ASSERT_NE(b.pixels, nullptr) << log;
        ASSERT_EQ(b.width, W);
        ASSERT_EQ(b.height, H);
        EXPECT_EQ(log.find("data ends"), std::string::npos) << log;
        int wrong = 0;
        for (int y = 0; y < H; y++)
            for (int x = 0; x < W; x++) {
                const int want = ConvertTransp(s.argb[y * W + x]);
                const int got = MOX_GetPixel(x, y, b);
                if (got != want && wrong++ < 5)
                    ADD_FAILURE() << "pixel " << x << "," << y << ": " << std::hex << got << " != " << want;
            }
        EXPECT_EQ(wrong, 0);
        MOX_DeleteBitmap(&b);
        mox_numbitmaps = 0;
    }
};

TEST_F(Magick, TrueColourPlainAndPacked)
{
    check("-type TrueColor", false, false, 0, 2, 24);
    check("-type TrueColor -compress RLE", false, false, 0, 10, 24);
}

TEST_F(Magick, TrueColourWithAlphaPlainAndPacked)
{
    check("-type TrueColorAlpha", true, false, 0, 2, 32);
    check("-type TrueColorAlpha -compress RLE", true, false, 0, 10, 32);
}

TEST_F(Magick, GreyPlainAndPacked)
{
    check("-type Grayscale", false, true, 0, 3, 8);
    check("-type Grayscale -compress RLE", false, true, 0, 11, 8);
}

TEST_F(Magick, ColourMappedPlainAndPacked)
{
    check("-type Palette", false, false, 12, 1, 8);
    check("-type Palette -compress RLE", false, false, 12, 9, 8);
}

TEST_F(Magick, BottomLeftOriginPlainAndPacked)
{
    check("-type TrueColorAlpha", true, false, 0, 2, 32, "-flip -orient bottomleft");
    check("-type TrueColor -compress RLE", false, false, 0, 10, 24, "-flip -orient bottomleft");
}

// As GIMP-style writers lay a file out: an image ID, the pixels (packed or
// not, bottom row first or top row first), then the TGA 2.0 extension area
// and the footer that names it. The reader takes the pixels and nothing
// past them.
TEST_F(Magick, GimpStyleFilesWithAnIdAndAFooter)
{
    const Source s = picture(true, false, 0);
    const Bytes id = "Created with GIMP";
    const Bytes extension = le16(495) + Bytes(493, '\0');
    const Bytes footer = bytes({0, 0, 0, 0}) + bytes({18 + int(id.size()), 0, 0, 0}) + "TRUEVISION-XFILE." + '\0';
    for (const bool packed : {false, true}) {
        for (const bool topleft : {false, true}) {
            Header h;
            h.idlength = int(id.size());
            h.type = packed ? 10 : 2;
            h.width = W;
            h.height = H;
            h.depth = 32;
            h.descriptor = 8 | (topleft ? 0x20 : 0);  // eight alpha bits
            Bytes pixels;
            for (int row = 0; row < H; row++) {
                const int y = topleft ? row : H - 1 - row;
                for (int x = 0; x < W; x++) {
                    const int c = s.argb[size_t(y * W + x)];
                    // Packed: every pixel a raw packet of one, as some writers do.
                    if (packed) pixels += bytes({0});
                    pixels += bgra((c >> 16) & 0xFF, (c >> 8) & 0xFF, c & 0xFF, (c >> 24) & 0xFF);
                }
            }
            SCOPED_TRACE(std::string(packed ? "packed" : "plain") + (topleft ? ", top left" : ", bottom left"));
            s_bitmap b = {};
            const std::string log = load("gimp.tga", header(h) + id + pixels + extension + footer, &b);
            ASSERT_NE(b.pixels, nullptr) << log;
            EXPECT_EQ(log.find("gimp.tga:"), std::string::npos) << log;
            int wrong = 0;
            for (int y = 0; y < H; y++)
                for (int x = 0; x < W; x++) wrong += MOX_GetPixel(x, y, b) != ConvertTransp(s.argb[size_t(y * W + x)]);
            EXPECT_EQ(wrong, 0);
            MOX_DeleteBitmap(&b);
            mox_numbitmaps = 0;
        }
    }
}

// What the reader does not take is refused in one line that names the
// file, says why and what to do, and leaves no bitmap.
TEST_F(Magick, UnreadDepthsAndMapsAreRefusedSayingWhatToDo)
{
    struct Case {
        const char* name;
        Header h;
        const char* why;
    };
    Header onebit, fourbit, wide;
    onebit.type = 3, onebit.depth = 1;
    fourbit.type = 1, fourbit.maptype = 1, fourbit.maplength = 16, fourbit.mapbits = 24, fourbit.depth = 4;
    wide.type = 1, wide.maptype = 1, wide.maplength = 2, wide.mapbits = 32, wide.depth = 8;
    for (const Case& c : {Case{"mono.tga", onebit, "pixel depth not supported (1x1, 1 bits, type 3"},
                          Case{"nibbles.tga", fourbit, "pixel depth not supported (1x1, 4 bits, type 1"},
                          Case{"widemap.tga", wide, "colour map entry size not supported (1x1, 8 bits, type 1"}}) {
        s_bitmap b = {};
        const std::string log = load(c.name, header(c.h) + Bytes(64, '\x11'), &b);
        EXPECT_EQ(b.pixels, nullptr) << c.name;
        EXPECT_NE(log.find(std::string(c.name) + ": " + c.why), std::string::npos) << log;
        EXPECT_NE(log.find("not loaded; save it as 24- or 32-bit true colour\n"), std::string::npos) << log;
    }
}

}  // namespace
