// The TGA reader on hand-built files: every depth, both storage forms, the
// four origins, interleaving, the colour key, and files that lie about
// themselves.
#include "../core/fixtures.h"
#include "imagetest.h"
#include "nullvideo.h"

using namespace imagetest;

namespace {

class Tga : public ImageTest {
protected:
    int at(int x, int y) { return MOX_GetPixel(x, y, bitmap); }
};

const int RED = argb(255, 255, 0, 0), GREEN = argb(255, 0, 255, 0), BLUE = argb(255, 0, 0, 255);
const int WHITE = argb(255, 255, 255, 255);

// --- orientation -------------------------------------------------------------------

TEST_F(Tga, BottomLeftImageStoresFirstFileRowAtTheBottom)
{
    Header h;
    h.width = 2;
    h.height = 2;
    std::string log =
        load("a.tga", header(h) + bgr(255, 0, 0) + bgr(0, 255, 0) + bgr(0, 0, 255) + bgr(255, 255, 255), &bitmap);
    EXPECT_EQ(log, "width: 2, height: 2, bpp: 24\n");
    ASSERT_NE(bitmap.pixels, nullptr);
    EXPECT_EQ(at(0, 1), RED);
    EXPECT_EQ(at(1, 1), GREEN);
    EXPECT_EQ(at(0, 0), BLUE);
    EXPECT_EQ(at(1, 0), WHITE);
}

TEST_F(Tga, EachOriginPlacesTheFirstFilePixelInItsCorner)
{
    // 3 by 2, file pixels numbered 1..6 in the red byte.
    Bytes data;
    for (int i = 1; i <= 6; i++) data += bgr(i, 0, 0);
    struct Case {
        int descriptor;
        int expect[2][3];  // red bytes, top row first
    } cases[] = {
        {0x00, {{4, 5, 6}, {1, 2, 3}}},
        {0x10, {{6, 5, 4}, {3, 2, 1}}},
        {0x20, {{1, 2, 3}, {4, 5, 6}}},
        {0x30, {{3, 2, 1}, {6, 5, 4}}},
    };
    for (const Case& c : cases) {
        Header h;
        h.width = 3;
        h.height = 2;
        h.descriptor = c.descriptor;
        s_bitmap b = {};
        load("o.tga", header(h) + data, &b);
        ASSERT_NE(b.pixels, nullptr);
        for (int y = 0; y < 2; y++)
            for (int x = 0; x < 3; x++)
                EXPECT_EQ(MOX_GetPixel(x, y, b), argb(255, c.expect[y][x], 0, 0))
                    << "descriptor " << c.descriptor << " at " << x << "," << y;
        free(b.pixels);
        mox_numbitmaps = 0;
    }
}

TEST_F(Tga, TwoWayInterleaveFillsEvenRowsThenOddRows)
{
    // 1 by 5, top-left, file rows 1..5: rows 0, 2, 4 then 1, 3.
    Header h;
    h.width = 1;
    h.height = 5;
    h.descriptor = 0x20 | 0x40;
    Bytes data;
    for (int i = 1; i <= 5; i++) data += bgr(i, 0, 0);
    load("i.tga", header(h) + data, &bitmap);
    const int expect[5] = {1, 4, 2, 5, 3};
    for (int y = 0; y < 5; y++) EXPECT_EQ(at(0, y), argb(255, expect[y], 0, 0)) << "row " << y;
}

TEST_F(Tga, FourWayInterleaveCountsRowsFromTheBottomForABottomOrigin)
{
    // 1 by 6, bottom-left: rows from the bottom 0, 4, 1, 5, 2, 3; bit 7 wins over bit 6.
    Header h;
    h.width = 1;
    h.height = 6;
    h.descriptor = 0x80 | 0x40;
    Bytes data;
    for (int i = 1; i <= 6; i++) data += bgr(i, 0, 0);
    std::string log = load("i.tga", header(h) + data, &bitmap);
    const int frombottom[6] = {1, 3, 5, 6, 2, 4};
    for (int r = 0; r < 6; r++) EXPECT_EQ(at(0, 5 - r), argb(255, frombottom[r], 0, 0)) << "row " << r;
    EXPECT_EQ(log.find("data ends"), std::string::npos);
}

TEST_F(Tga, LargeInterleavedImageCutInsideARowReadsEveryRowThatCame)
{
    // Several read chunks' worth of rows, 4-way interleaved from the bottom
    // right, and the data cut inside file row 250. Pixel x of file row j has
    // red j % 256, green j / 256 and blue x % 128. Read from a folder, and
    // from a data image where the file is not the first entry.
    const int W = 300, H = 301, FULL = 250, PART = 100;
    Header h;
    h.width = W;
    h.height = H;
    h.descriptor = 0x80 | 0x10;
    Bytes data;
    for (int j = 0; j <= FULL; j++)
        for (int x = 0; x < (j < FULL ? W : PART); x++) data += bgr(j % 256, j / 256, x % 128);
    data += "\x01";
    const Bytes file = header(h) + data;

    std::vector<int> fromorigin;  // file row j lands on row fromorigin[j] counted from the bottom
    for (int pass = 0; pass < 4; pass++)
        for (int r = pass; r < H; r += 4) fromorigin.push_back(r);
    auto check = [&](const std::string& log, const s_bitmap& b) {
        ASSERT_NE(b.pixels, nullptr);
        EXPECT_NE(log.find("big.tga: data ends after 75100 of 90300 pixels"), std::string::npos) << log;
        int wrong = 0;
        std::vector<bool> filled(H, false);
        for (int j = 0; j <= FULL; j++) {
            const int y = H - 1 - fromorigin[j];
            filled[y] = true;
            for (int i = 0; i < W; i++) {
                const int expect = j < FULL || i < PART ? argb(255, j % 256, j / 256, i % 128) : 0;
                if (MOX_GetPixel(W - 1 - i, y, b) != expect && ++wrong < 5)
                    ADD_FAILURE() << "file row " << j << " pixel " << i;
            }
        }
        for (int y = 0; y < H; y++)
            if (!filled[y])
                for (int x = 0; x < W; x++)
                    if (MOX_GetPixel(x, y, b) != 0 && ++wrong < 5) ADD_FAILURE() << "unread row " << y << " x " << x;
        EXPECT_EQ(wrong, 0);
    };
    check(load("big.tga", file, &bitmap), bitmap);

    const fs::path image = dir_.parent_path() / "big.dat";
    fixtures::write_file(image, fixtures::image_bytes({{"a.tga", Bytes(5000, '\x55')}, {"big.tga", file}}));
    corefile_closeimage();
    stdout_of([&] { ASSERT_EQ(corefile_mountimage(image.c_str(), 0), 1); });
    check(stdout_of([&] { LoadImageTGA("big.tga", &other); }), other);
}

// --- depths --------------------------------------------------------------------------

TEST_F(Tga, ThirtyTwoBitPixelsKeepTheirAlpha)
{
    Header h;
    h.width = 2;
    h.depth = 32;
    h.descriptor = 0x28;
    load("a.tga", header(h) + bgra(0x12, 0x34, 0x56, 0x80) + bgra(1, 2, 3, 0), &bitmap);
    EXPECT_EQ(at(0, 0), argb(0x80, 0x12, 0x34, 0x56));
    EXPECT_EQ(at(1, 0), argb(0, 1, 2, 3));
    // Stored red, green, blue, alpha.
    EXPECT_EQ(bitmap.pixels[0], 0x12);
    EXPECT_EQ(bitmap.pixels[3], 0x80);
}

TEST_F(Tga, ColourKeyBecomesTransparentBlackWhateverItsAlpha)
{
    Header h;
    h.width = 4;
    h.depth = 32;
    // red above 240, green below 16, blue above 240: key; red exactly 240: not.
    load("k.tga",
         header(h) + bgra(0xF5, 0x00, 0xFF, 0x80) + bgra(0xF0, 0x00, 0xFF, 0x80) + bgra(0xFF, 0x0F, 0xF1, 0xFF) +
             bgra(0xFF, 0x10, 0xFF, 0xFF),
         &bitmap);
    EXPECT_EQ(at(0, 0), 0);
    EXPECT_EQ(at(1, 0), argb(0x80, 0xF0, 0x00, 0xFF));
    EXPECT_EQ(at(2, 0), 0);
    EXPECT_EQ(at(3, 0), argb(0xFF, 0xFF, 0x10, 0xFF));
}

TEST_F(Tga, TwentyFourBitKeyPixelsAreKeyedToo)
{
    Header h;
    h.width = 2;
    load("k.tga", header(h) + bgr(255, 0, 255) + bgr(255, 1, 254), &bitmap);
    EXPECT_EQ(at(0, 0), 0);
    EXPECT_EQ(at(1, 0), 0);
}

TEST_F(Tga, SixteenAndFifteenBitPixelsScaleFiveBitsByEight)
{
    for (int depth : {16, 15}) {
        Header h;
        h.width = 3;
        h.depth = depth;
        s_bitmap b = {};
        // red bits only; green and blue with the top bit set (ignored); all ones.
        load("s.tga", header(h) + le16(0x7C00) + le16(0x8000 | 1 << 5 | 2) + le16(0x7FFF), &b);
        EXPECT_EQ(MOX_GetPixel(0, 0, b), argb(255, 248, 0, 0)) << depth;
        EXPECT_EQ(MOX_GetPixel(1, 0, b), argb(255, 0, 8, 16)) << depth;
        EXPECT_EQ(MOX_GetPixel(2, 0, b), argb(255, 248, 248, 248)) << depth;
        free(b.pixels);
        mox_numbitmaps = 0;
    }
}

TEST_F(Tga, GreyPixelsRepeatTheirByte)
{
    Header h;
    h.type = 3;
    h.width = 3;
    h.depth = 8;
    load("g.tga", header(h) + bytes({0, 0x7F, 0xFF}), &bitmap);
    EXPECT_EQ(at(0, 0), argb(255, 0, 0, 0));
    EXPECT_EQ(at(1, 0), argb(255, 0x7F, 0x7F, 0x7F));
    EXPECT_EQ(at(2, 0), WHITE);
}

TEST_F(Tga, ColourMapPlacedFromItsFirstIndex)
{
    // Map of two 24-bit entries at 16 and 17, after a 3-byte ID; value 3 was never filled.
    Header h;
    h.idlength = 3;
    h.maptype = 1;
    h.type = 1;
    h.mapfirst = 16;
    h.maplength = 2;
    h.mapbits = 24;
    h.width = 3;
    h.depth = 8;
    load("m.tga", header(h) + "XYZ" + bgr(10, 20, 30) + bgr(255, 0, 255) + bytes({16, 17, 3}), &bitmap);
    EXPECT_EQ(at(0, 0), argb(255, 10, 20, 30));
    EXPECT_EQ(at(1, 0), 0);  // the key, through the map
    EXPECT_EQ(at(2, 0), 0);
}

TEST_F(Tga, SixteenBitColourMapEntriesDecodeAsSixteenBitPixels)
{
    for (int bits : {16, 15}) {
        Header h;
        h.maptype = 1;
        h.type = 1;
        h.maplength = 2;
        h.mapbits = bits;
        h.width = 2;
        h.depth = 8;
        s_bitmap b = {};
        load("m.tga", header(h) + le16(0x7C00) + le16(0x001F) + bytes({1, 0}), &b);
        EXPECT_EQ(MOX_GetPixel(0, 0, b), argb(255, 0, 0, 248)) << bits;
        EXPECT_EQ(MOX_GetPixel(1, 0, b), argb(255, 248, 0, 0)) << bits;
        free(b.pixels);
        mox_numbitmaps = 0;
    }
}

TEST_F(Tga, ColourMapOfATrueColourImageIsReadPastBeforeItsPixels)
{
    // Two 16-bit entries after a 1-byte ID, then the 24-bit pixels.
    Header h;
    h.idlength = 1;
    h.maptype = 1;
    h.type = 2;
    h.maplength = 2;
    h.mapbits = 16;
    h.width = 2;
    h.descriptor = 0x20;
    load("t.tga", header(h) + "I" + le16(0x7C00) + le16(0x001F) + bgr(1, 2, 3) + bgr(4, 5, 6), &bitmap);
    EXPECT_EQ(at(0, 0), argb(255, 1, 2, 3));
    EXPECT_EQ(at(1, 0), argb(255, 4, 5, 6));
}

TEST_F(Tga, MapEntriesPastIndex255AreDropped)
{
    Header h;
    h.maptype = 1;
    h.type = 1;
    h.mapfirst = 255;
    h.maplength = 3;
    h.mapbits = 24;
    h.width = 1;
    h.depth = 8;
    load("m.tga", header(h) + bgr(1, 2, 3) + bgr(4, 5, 6) + bgr(7, 8, 9) + bytes({255}), &bitmap);
    EXPECT_EQ(at(0, 0), argb(255, 1, 2, 3));
}

// --- run-length packing ------------------------------------------------------------

TEST_F(Tga, RunPacketRepeatsOnePixelAndRawPacketCopiesItsPixels)
{
    Header h;
    h.type = 10;
    h.width = 7;
    h.descriptor = 0x20;
    std::string log = load(
        "r.tga", header(h) + bytes({0x83}) + bgr(9, 8, 7) + bytes({0x02}) + bgr(1, 0, 0) + bgr(2, 0, 0) + bgr(3, 0, 0),
        &bitmap);
    EXPECT_EQ(log, "width: 7, height: 1, bpp: 24\nTGA is RLE packed.");
    for (int x = 0; x < 4; x++) EXPECT_EQ(at(x, 0), argb(255, 9, 8, 7));
    for (int x = 4; x < 7; x++) EXPECT_EQ(at(x, 0), argb(255, x - 3, 0, 0));
}

TEST_F(Tga, RunCrossingARowEndContinuesAtTheNextRowsStart)
{
    // 3 by 2 bottom-left: one raw pixel, a run of 4, a last single-pixel packet.
    Header h;
    h.type = 10;
    h.width = 3;
    h.height = 2;
    load("r.tga",
         header(h) + bytes({0x00}) + bgr(1, 0, 0) + bytes({0x83}) + bgr(2, 0, 0) + bytes({0x00}) + bgr(3, 0, 0),
         &bitmap);
    // First file row is the bottom row.
    EXPECT_EQ(at(0, 1), argb(255, 1, 0, 0));
    EXPECT_EQ(at(1, 1), argb(255, 2, 0, 0));
    EXPECT_EQ(at(2, 1), argb(255, 2, 0, 0));
    EXPECT_EQ(at(0, 0), argb(255, 2, 0, 0));
    EXPECT_EQ(at(1, 0), argb(255, 2, 0, 0));
    EXPECT_EQ(at(2, 0), argb(255, 3, 0, 0));
}

TEST_F(Tga, PackedRightOriginFillsRowsFromTheRight)
{
    Header h;
    h.type = 10;
    h.width = 2;
    h.height = 2;
    h.descriptor = 0x30;
    load("r.tga", header(h) + bytes({0x03}) + bgr(1, 0, 0) + bgr(2, 0, 0) + bgr(3, 0, 0) + bgr(4, 0, 0), &bitmap);
    EXPECT_EQ(at(1, 0), argb(255, 1, 0, 0));
    EXPECT_EQ(at(0, 0), argb(255, 2, 0, 0));
    EXPECT_EQ(at(1, 1), argb(255, 3, 0, 0));
    EXPECT_EQ(at(0, 1), argb(255, 4, 0, 0));
}

TEST_F(Tga, PackedEveryDepthDecodesLikeItsPlainForm)
{
    struct Case {
        int type, depth;
        Bytes pixel;
        int expect;
    } cases[] = {
        {11, 8, bytes({0x40}), argb(255, 0x40, 0x40, 0x40)},
        {10, 16, le16(0x03E0), argb(255, 0, 248, 0)},
        {10, 32, bgra(1, 2, 3, 4), argb(4, 1, 2, 3)},
    };
    for (const Case& c : cases) {
        Header h;
        h.type = c.type;
        h.width = 2;
        h.depth = c.depth;
        s_bitmap b = {};
        load("p.tga", header(h) + bytes({0x81}) + c.pixel, &b);
        EXPECT_EQ(MOX_GetPixel(0, 0, b), c.expect) << c.depth;
        EXPECT_EQ(MOX_GetPixel(1, 0, b), c.expect) << c.depth;
        free(b.pixels);
        mox_numbitmaps = 0;
    }
}

// --- files that lie ------------------------------------------------------------------

TEST_F(Tga, FileShorterThanItsHeaderIsRefusedAndTheRecordUntouched)
{
    bitmap.width = 77;
    std::string log = load("short.tga", header(Header()).substr(0, 17), &bitmap);
    EXPECT_NE(log.find("short.tga"), std::string::npos) << log;
    EXPECT_EQ(bitmap.width, 77);
    EXPECT_EQ(bitmap.pixels, nullptr);
    EXPECT_EQ(mox_numbitmaps, 0);
}

TEST_F(Tga, MissingFileLeavesTheRecordUntouched)
{
    bitmap.width = 77;
    stdout_of([&] { LoadImageTGA("none.tga", &bitmap); });
    EXPECT_EQ(bitmap.width, 77);
    EXPECT_EQ(mox_numbitmaps, 0);
}

TEST_F(Tga, ShortPixelDataIsDecodedAsFarAsItGoes)
{
    Header h;
    h.width = 2;
    h.height = 2;
    h.descriptor = 0x20;
    std::string log = load("cut.tga", header(h) + bgr(1, 0, 0) + bgr(2, 0, 0) + bgr(3, 0, 0) + "\x04\x00", &bitmap);
    ASSERT_NE(bitmap.pixels, nullptr);
    EXPECT_EQ(at(0, 0), argb(255, 1, 0, 0));
    EXPECT_EQ(at(1, 0), argb(255, 2, 0, 0));
    EXPECT_EQ(at(0, 1), argb(255, 3, 0, 0));
    EXPECT_EQ(at(1, 1), 0);
    EXPECT_NE(log.find("cut.tga: data ends after 3 of 4 pixels"), std::string::npos) << log;
}

TEST_F(Tga, PacketsRunningPastTheImageAreCut)
{
    // A 2 by 2 image whose first run claims 128 pixels, then a raw packet of 128.
    Header h;
    h.type = 10;
    h.width = 2;
    h.height = 2;
    Bytes data = header(h) + bytes({0xFF}) + bgr(5, 0, 0) + bytes({0x7F});
    for (int i = 0; i < 128; i++) data += bgr(6, 0, 0);
    std::string log = load("over.tga", data, &bitmap);
    ASSERT_NE(bitmap.pixels, nullptr);
    for (int y = 0; y < 2; y++)
        for (int x = 0; x < 2; x++) EXPECT_EQ(at(x, y), argb(255, 5, 0, 0));
    EXPECT_EQ(log.find("data ends"), std::string::npos);
}

TEST_F(Tga, PackedDataEndingInsideAPacketKeepsWhatCame)
{
    Header h;
    h.type = 10;
    h.width = 4;
    h.descriptor = 0x20;
    // A raw packet of 3 with one and a half pixels, after a run of one.
    std::string log =
        load("cut.tga", header(h) + bytes({0x80}) + bgr(1, 0, 0) + bytes({0x02}) + bgr(2, 0, 0) + "\x03\x00", &bitmap);
    EXPECT_EQ(at(0, 0), argb(255, 1, 0, 0));
    EXPECT_EQ(at(1, 0), argb(255, 2, 0, 0));
    EXPECT_EQ(at(2, 0), 0);
    EXPECT_NE(log.find("data ends after 2 of 4"), std::string::npos) << log;
}

TEST_F(Tga, UnsupportedShapesAreRefusedWithTheFileName)
{
    struct Case {
        const char* why;
        Header h;
        Bytes data;
    };
    Header zero_width;
    zero_width.width = 0;
    Header zero_height;
    zero_height.height = 0;
    Header huge;  // 65535 by 65535 from a few bytes
    huge.width = huge.height = 65535;
    Header ceiling;  // a 16384 by 8192 texture: past 2^26 pixels on every word size
    ceiling.width = 8193;
    ceiling.height = 8192;
    Header depth12;
    depth12.depth = 12;
    Header map32;
    map32.maptype = 1;
    map32.type = 1;
    map32.maplength = 1;
    map32.mapbits = 32;
    map32.depth = 8;
    Case cases[] = {
        {"zero width", zero_width, bgr(1, 2, 3)},
        {"zero height", zero_height, bgr(1, 2, 3)},
        {"65535 square", huge, bgr(1, 2, 3) + bgr(1, 2, 3)},
        {"past the pixel ceiling", ceiling, Bytes(8193 * 8192 / 128 + 1, 0)},  // enough for run packets
        {"12 bits", depth12, bgr(1, 2, 3)},
        {"32-bit map", map32, bgra(1, 2, 3, 4) + bytes({0})},
    };
    for (const Case& c : cases) {
        s_bitmap b = {};
        std::string log = load("bad.tga", header(c.h) + c.data, &b);
        EXPECT_EQ(b.pixels, nullptr) << c.why;
        EXPECT_EQ(mox_numbitmaps, 0) << c.why;
        EXPECT_NE(log.find("bad.tga: "), std::string::npos) << c.why << ": " << log;
        if (c.h.width == 8193) {
            EXPECT_NE(log.find("MOX_CreateBitmap: size 8193x8192 not possible"), std::string::npos) << log;
        }
    }
}

TEST_F(Tga, BitmapNotMadeLeavesTheBufferTheRecordHeldAlone)
{
    // The record holds a 1 by 1 buffer; the table is full, so the 4 by 4
    // image gets no bitmap and must not be decoded into the old buffer.
    MOX_CreateBitmap(1, 1, &bitmap);
    uint8_t* held = bitmap.pixels;
    mox_numbitmaps = MOX_MAXBITMAPS;
    Header h;
    h.width = 4;
    h.height = 4;
    h.descriptor = 0x20;
    Bytes data = header(h);
    for (int i = 0; i < 16; i++) data += bgr(255, 0, 0);
    std::string log = load("full.tga", data, &bitmap);
    mox_numbitmaps = 1;
    EXPECT_EQ(bitmap.pixels, held);
    EXPECT_EQ(bitmap.width, 1);
    EXPECT_EQ(at(0, 0), 0);
    EXPECT_NE(log.find("full.tga: "), std::string::npos) << log;
}

TEST_F(Tga, WidestRowIsReadWhenTheDataIsThere)
{
    Header h;
    h.width = 65535;
    h.depth = 8;
    h.type = 3;
    Bytes row(65535, '\x11');
    row[65534] = '\x22';
    load("wide.tga", header(h) + row, &bitmap);
    ASSERT_NE(bitmap.pixels, nullptr);
    EXPECT_EQ(at(0, 0), argb(255, 0x11, 0x11, 0x11));
    EXPECT_EQ(at(65534, 0), argb(255, 0x22, 0x22, 0x22));
}

TEST_F(Tga, ColourMapLongerThanTheFileIsRefused)
{
    Header h;
    h.maptype = 1;
    h.type = 1;
    h.maplength = 200;
    h.mapbits = 24;
    h.width = 2;
    h.depth = 8;
    // Two entries of the 200 are there, and no pixels.
    std::string log = load("m.tga", header(h) + bgr(1, 2, 3) + bgr(4, 5, 6), &bitmap);
    EXPECT_EQ(bitmap.pixels, nullptr);
    EXPECT_NE(log.find("m.tga: "), std::string::npos) << log;
}

}  // namespace
