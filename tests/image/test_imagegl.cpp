// Sprites, text and bitmaps drawn for real on llvmpipe and read back: where
// the texels land, what the colour key and the alpha test cut out, that
// what collides on paper overlaps on screen, and that a flush deletes a
// static bitmap's texture.
#include <filesystem>
#include <fstream>

#include "imagetest.h"
#include "tests/video/gltest.h"

using namespace imagetest;

namespace {

const uint32_t BLACK = gltest::rgb(0, 0, 0);

class ImageGL : public gltest::GL {
protected:
    void SetUp() override
    {
        GL::SetUp();
        dir_ = fs::current_path() / "img";
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        stdout_of([&] { ASSERT_EQ(corefile_mountimage(dir_.c_str(), 2), 1); });
        MOX_Enable2D();
    }

    void TearDown() override
    {
        stdout_of([] { MOX_FlushGraphics(); });
        corefile_closeimage();
        GL::TearDown();
    }

    void put(const std::string& name, const Bytes& data) { std::ofstream(dir_ / name, std::ios::binary) << data; }

    // A top-left 24-bit image from rows of 0xRRGGBB values.
    static Bytes picture(const std::vector<std::vector<int>>& rows)
    {
        Header h;
        h.width = int(rows[0].size());
        h.height = int(rows.size());
        h.descriptor = 0x20;
        Bytes data = header(h);
        for (const auto& row : rows)
            for (int c : row) data += bgr(c >> 16 & 0xFF, c >> 8 & 0xFF, c & 0xFF);
        return data;
    }

    static uint32_t rgb(int c) { return gltest::rgb(c >> 16 & 0xFF, c >> 8 & 0xFF, c & 0xFF); }

    fs::path dir_;
    s_sprite sprite = {}, other = {};
    s_bitmap bitmap = {};
    s_font font = {};
};

const int R = 0xFF0000, G = 0x00FF00, B = 0x0000FF, Y = 0xFFFF00, K = 0xFF00FF;  // K: the colour key

TEST_F(ImageGL, SpriteTexelsLandOnePerPixelAtTheGivenCorner)
{
    put("s.tga", picture({{R, G, B, Y}, {Y, K, R, G}, {B, R, G, K}}));
    stdout_of([&] { MOX_LoadSprite("s.tga", &sprite); });
    MOX_DrawSprite(10, 5, sprite);
    const int want[3][4] = {{R, G, B, Y}, {Y, -1, R, G}, {B, R, G, -1}};
    for (int y = 0; y < 3; y++)
        for (int x = 0; x < 4; x++)
            EXPECT_EQ(gltest::pixel(10 + x, 5 + y), want[y][x] < 0 ? BLACK : rgb(want[y][x])) << x << "," << y;
    // Nothing around it.
    for (int x = 9; x <= 14; x++) {
        EXPECT_EQ(gltest::pixel(x, 4), BLACK) << x;
        EXPECT_EQ(gltest::pixel(x, 8), BLACK) << x;
    }
    EXPECT_EQ(gltest::pixel(9, 6), BLACK);
    EXPECT_EQ(gltest::pixel(14, 6), BLACK);
}

TEST_F(ImageGL, MirroredSpriteShowsTheRightEdgeAtTheLeft)
{
    put("s.tga", picture({{R, G, B}}));
    stdout_of([&] { MOX_LoadSprite("s.tga", &sprite); });
    MOX_DrawMirroredSprite(20, 20, sprite);
    EXPECT_EQ(gltest::pixel(20, 20), rgb(B));
    EXPECT_EQ(gltest::pixel(21, 20), rgb(G));
    EXPECT_EQ(gltest::pixel(22, 20), rgb(R));
}

TEST_F(ImageGL, CutSpriteShowsOnlyItsRegion)
{
    put("sheet.tga", picture({{R, R, G, G}, {B, B, Y, Y}}));
    stdout_of([&] { MOX_LoadBitmap("sheet.tga", &bitmap); });
    MOX_GetSprite(2, 1, 2, 1, bitmap, &sprite);
    MOX_DrawSprite(0, 0, sprite);
    EXPECT_EQ(gltest::pixel(0, 0), rgb(Y));
    EXPECT_EQ(gltest::pixel(1, 0), rgb(Y));
    EXPECT_EQ(gltest::pixel(2, 0), BLACK);
    EXPECT_EQ(gltest::pixel(0, 1), BLACK);
}

TEST_F(ImageGL, CollidingSpritesOverlapOnScreenAndTouchingOnesDoNot)
{
    put("red.tga", picture({{R, R, R, R}, {R, R, R, R}, {R, R, R, R}, {R, R, R, R}}));
    put("green.tga", picture({{G, G, G, G}, {G, G, G, G}, {G, G, G, G}, {G, G, G, G}}));
    stdout_of([&] {
        MOX_LoadSprite("red.tga", &sprite);
        MOX_LoadSprite("green.tga", &other);
    });
    // Side by side: no collision, and no pixel shared.
    EXPECT_EQ(MOX_CheckSpriteCollision(10, 10, sprite, 14, 10, other), 0);
    MOX_DrawSprite(10, 10, sprite);
    MOX_DrawSprite(14, 10, other);
    EXPECT_EQ(gltest::pixel(13, 13), rgb(R));
    EXPECT_EQ(gltest::pixel(14, 13), rgb(G));
    // One pixel further in: a collision, and the green covers a red column.
    EXPECT_EQ(MOX_CheckSpriteCollision(30, 10, sprite, 33, 13, other), 1);
    MOX_DrawSprite(30, 10, sprite);
    MOX_DrawSprite(33, 13, other);
    EXPECT_EQ(gltest::pixel(33, 13), rgb(G));
    EXPECT_EQ(gltest::pixel(32, 13), rgb(R));
    EXPECT_EQ(gltest::pixel(33, 12), rgb(R));
}

TEST_F(ImageGL, AlphaSpriteBlendsHalfOverBlack)
{
    put("s.tga", picture({{0xC8C8C8}}));
    stdout_of([&] { MOX_LoadSprite("s.tga", &sprite); });
    MOX_DrawAlphaSprite(1, 1, sprite, 0.5f);
    const uint32_t p = gltest::pixel(1, 1);
    EXPECT_NEAR(int(p & 0xFF), 100, 1);
    EXPECT_NEAR(int(p >> 16 & 0xFF), 100, 1);
}

// A font image 20 wide: markers at 3, 6 and 10 make letters 1 (space,
// columns 1-2), '!' (3-5, red), '"' (6-9, green) and '#' (10-19, blue),
// 4 rows tall below the marker row.
Bytes font_image()
{
    Header h;
    h.width = 20;
    h.height = 5;
    h.depth = 32;
    h.descriptor = 0x28;
    Bytes data = header(h);
    for (int x = 0; x < 20; x++) data += (x == 3 || x == 6 || x == 10) ? bgra(255, 255, 255, 255) : bgra(0, 0, 0, 0);
    for (int y = 0; y < 4; y++)
        for (int x = 0; x < 20; x++) {
            if (x < 3)
                data += bgra(255, 0, 255, 255);  // keyed: letters 0 and 1 are empty
            else if (x < 6)
                data += bgra(255, 0, 0, 255);
            else if (x < 10)
                data += bgra(0, 255, 0, 255);
            else
                data += bgra(0, 0, 255, 255);
        }
    return data;
}

// The colour runs along one row: (first column, colour) where the colour changes.
std::vector<std::pair<int, uint32_t>> runs(int y)
{
    std::vector<std::pair<int, uint32_t>> r;
    for (int x = 0; x < gltest::kWidth; x++) {
        const uint32_t p = gltest::pixel(x, y);
        if (r.empty() || r.back().second != p) r.push_back({x, p});
    }
    return r;
}

TEST_F(ImageGL, TextLettersSitSideBySideAtThePen)
{
    put("font.tga", font_image());
    stdout_of([&] { MOX_LoadFont("font.tga", &font); });
    ASSERT_EQ(font.numletters, 5);
    MOX_SetFontSpacing(-1, &font);
    MOX_DrawText(5, 10, font, "!\"%c!", ' ');
    // '!' 3 wide at 5, '"' at 5+3-1=7 (4 wide), the space at 7+4-1=10 draws
    // nothing and moves 2 alone, '!' at 12.
    using Run = std::pair<int, uint32_t>;
    const std::vector<Run> want = {{0, BLACK}, {5, rgb(R)}, {7, rgb(G)}, {11, BLACK}, {12, rgb(R)}, {15, BLACK}};
    for (int y = 10; y < 14; y++) EXPECT_EQ(runs(y), want) << "row " << y;
    EXPECT_EQ(runs(9), (std::vector<Run>{{0, BLACK}}));
    EXPECT_EQ(runs(14), (std::vector<Run>{{0, BLACK}}));
}

// Twice the size: each letter twice as wide and tall, the pen moving twice
// the width and spacing ('!' 3 wide, spacing -1: '"' starts 4 on).
TEST_F(ImageGL, ScaledTextGrowsTheLettersAndThePenTogether)
{
    put("font.tga", font_image());
    stdout_of([&] { MOX_LoadFont("font.tga", &font); });
    MOX_SetFontSpacing(-1, &font);
    MOX_DrawScaledText(5, 10, 2, font, "!\"");
    using Run = std::pair<int, uint32_t>;
    const std::vector<Run> want = {{0, BLACK}, {5, rgb(R)}, {9, rgb(G)}, {17, BLACK}};
    for (int y = 10; y < 18; y++) EXPECT_EQ(runs(y), want) << "row " << y;
    EXPECT_EQ(runs(18), (std::vector<Run>{{0, BLACK}}));
}

TEST_F(ImageGL, CentredTextSitsInTheMiddleOfTheFrameBufferAndOfASpan)
{
    put("font.tga", font_image());
    stdout_of([&] { MOX_LoadFont("font.tga", &font); });
    using Run = std::pair<int, uint32_t>;
    // '#' is 10 wide: 32 - 5 = 27 on the 64-pixel frame buffer.
    MOX_DrawCenteredText(2, font, "#");
    EXPECT_EQ(runs(2), (std::vector<Run>{{0, BLACK}, {27, rgb(B)}, {37, BLACK}}));
    // "!#" measures 13 in the span 40..59: 40 + 10 - 6 = 44.
    MOX_DrawCenteredTextXW(40, 20, 20, font, "!#");
    EXPECT_EQ(runs(20), (std::vector<Run>{{0, BLACK}, {44, rgb(R)}, {47, rgb(B)}, {57, BLACK}}));
}

TEST_F(ImageGL, StaticBitmapDrawsAndItsTextureGoesWithTheFlush)
{
    put("s.tga", picture({{R, G}, {B, Y}}));
    stdout_of([&] { MOX_LoadBitmapStatic("s.tga", &bitmap); });
    ASSERT_EQ(bitmap.pixels, nullptr);
    const GLuint texture = GLuint(bitmap.texture);
    ASSERT_TRUE(glIsTexture(texture));
    MOX_DrawScaledBitmap(0, 0, 2, 2, bitmap, 0);
    EXPECT_EQ(gltest::pixel(0, 0), rgb(R));
    EXPECT_EQ(gltest::pixel(1, 1), rgb(Y));
    std::string log = stdout_of([] { MOX_FlushGraphics(); });
    EXPECT_NE(log.find("[1 bitmaps deleted]"), std::string::npos) << log;
    EXPECT_FALSE(glIsTexture(texture));
    // A second flush finds nothing left to delete.
    stdout_of([&] { MOX_DeleteBitmap(&bitmap); });
    EXPECT_EQ(bitmap.texture, 0);
}

TEST_F(ImageGL, EditedBitmapShowsAfterItsUpload)
{
    stdout_of([&] { MOX_CreateBitmap(2, 1, &bitmap); });
    MOX_DrawPixel(0, 0, int(0xFF102030u), bitmap);
    MOX_DrawPixel(1, 0, int(0xFFA0B0C0u), bitmap);
    MOX_UpdateBitmap(bitmap);
    MOX_DrawScaledBitmap(3, 3, 2, 1, bitmap, 0);
    EXPECT_EQ(gltest::pixel(3, 3), gltest::rgb(0x10, 0x20, 0x30));
    EXPECT_EQ(gltest::pixel(4, 3), gltest::rgb(0xA0, 0xB0, 0xC0));
}

}  // namespace
