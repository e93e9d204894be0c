// Bitmaps without GL: making, deleting and static bitmaps, pixel access and
// its byte order, loading by extension, and the renderer calls every drawing
// form makes (recorded by the stand-in renderer).
#include <functional>

#include "imagetest.h"
#include "nullvideo.h"

using namespace imagetest;
using nullvideo::calls;
using nullvideo::ops;

namespace {

class Bitmap : public ImageTest {
protected:
    void SetUp() override
    {
        ImageTest::SetUp();
        calls().clear();
    }
    Bytes tiny()
    {
        Header h;
        h.width = 2;
        return header(h) + bgr(1, 2, 3) + bgr(4, 5, 6);
    }
};

void expect_args(const nullvideo::Call& c, std::vector<double> args)
{
    ASSERT_EQ(c.args.size(), args.size()) << c.op;
    for (size_t i = 0; i < args.size(); i++) EXPECT_FLOAT_EQ(float(c.args[i]), float(args[i])) << c.op << " " << i;
}

TEST_F(Bitmap, CreateFillsTheRecordWithDifferentEdgeFactorsAcrossAndDown)
{
    MOX_CreateBitmap(3, 7, &bitmap);
    EXPECT_EQ(bitmap.width, 3);
    EXPECT_EQ(bitmap.height, 7);
    EXPECT_EQ(bitmap.texwidth, 3);
    EXPECT_EQ(bitmap.texheight, 7);
    EXPECT_EQ(bitmap.pixelcount, 21);
    EXPECT_EQ(bitmap.bytes, 84);
    EXPECT_EQ(bitmap.umin, 0.0f);
    EXPECT_EQ(bitmap.vmin, 0.0f);
    EXPECT_EQ(bitmap.umax, float(3 * 0.99999) / 3.0f);
    EXPECT_EQ(bitmap.vmax, float(7 * 0.9999) / 7.0f);
    EXPECT_LT(bitmap.vmax, bitmap.umax);
    ASSERT_EQ(mox_numbitmaps, 1);
    EXPECT_EQ(mox_bitmaplist[0], &bitmap);
    ASSERT_EQ(calls().size(), 1u);
    expect_args(calls()[0], {double(bitmap.texture), 3, 7});
}

TEST_F(Bitmap, FullTableRefusesTheNextBitmap)
{
    mox_numbitmaps = MOX_MAXBITMAPS;
    std::string log = stdout_of([&] { MOX_CreateBitmap(4, 4, &bitmap); });
    EXPECT_EQ(bitmap.pixels, nullptr);
    EXPECT_EQ(mox_numbitmaps, MOX_MAXBITMAPS);
    EXPECT_TRUE(calls().empty());
    EXPECT_NE(log.find("bitmap table full"), std::string::npos);
    mox_numbitmaps = 0;
}

TEST_F(Bitmap, PixelRoundTripsAndIsStoredRedFirstAlphaLast)
{
    MOX_CreateBitmap(2, 2, &bitmap);
    MOX_DrawPixel(1, 1, int(0x80123456u), bitmap);
    EXPECT_EQ(uint32_t(MOX_GetPixel(1, 1, bitmap)), 0x80123456u);
    const uint8_t* p = bitmap.pixels + 3 * 4;
    EXPECT_EQ(p[0], 0x12);
    EXPECT_EQ(p[1], 0x34);
    EXPECT_EQ(p[2], 0x56);
    EXPECT_EQ(p[3], 0x80);
}

TEST_F(Bitmap, PixelsOutsideTheImageReadZeroAndAreNotWritten)
{
    MOX_CreateBitmap(2, 2, &bitmap);
    for (auto [x, y] : {std::pair{-1, 0}, {2, 0}, {0, -1}, {0, 2}}) {
        MOX_DrawPixel(x, y, -1, bitmap);
        EXPECT_EQ(MOX_GetPixel(x, y, bitmap), 0);
    }
    for (int i = 0; i < bitmap.bytes; i++) EXPECT_EQ(bitmap.pixels[i], 0) << i;
    s_bitmap none = bitmap;
    none.pixels = nullptr;
    MOX_DrawPixel(0, 0, -1, none);
    EXPECT_EQ(MOX_GetPixel(0, 0, none), 0);
}

TEST_F(Bitmap, ClearWithColourStoresTheValueWithoutExchangingRedAndBlue)
{
    MOX_CreateBitmap(3, 1, &bitmap);
    calls().clear();
    MOX_ClearBitmapWithColor(bitmap, int(0x80123456u));
    for (int i = 0; i < 3; i++) EXPECT_EQ(uint32_t(MOX_GetPixel(i, 0, bitmap)), 0x80563412u);
    EXPECT_EQ(ops(), "UpdateTexture");
    calls().clear();
    MOX_ClearBitmap(bitmap);
    EXPECT_EQ(MOX_GetPixel(2, 0, bitmap), 0);
    EXPECT_EQ(ops(), "UpdateTexture");
}

TEST_F(Bitmap, DeleteReleasesOnceAndSaysSo)
{
    MOX_CreateBitmap(2, 2, &bitmap);
    const int texture = bitmap.texture;
    calls().clear();
    EXPECT_EQ(stdout_of([&] { MOX_DeleteBitmap(&bitmap); }), "deleting bitmap\n");
    EXPECT_EQ(bitmap.pixels, nullptr);
    EXPECT_EQ(stdout_of([&] { MOX_DeleteBitmap(&bitmap); }), "");
    ASSERT_EQ(ops(), "DeleteTexture");
    expect_args(calls()[0], {double(texture)});
}

TEST_F(Bitmap, LoadAcceptsTgaInAnyLetterCaseAndUploadsOnce)
{
    put("pic.tga", tiny());
    std::string log = stdout_of([&] { MOX_LoadBitmap("PIC.TgA", &bitmap); });
    EXPECT_EQ(log, "Loading TGA image.width: 2, height: 1, bpp: 24\n");
    ASSERT_NE(bitmap.pixels, nullptr);
    EXPECT_EQ(MOX_GetPixel(1, 0, bitmap), argb(255, 4, 5, 6));
    EXPECT_EQ(ops(), "CreateTexture|UpdateTexture");
}

TEST_F(Bitmap, OtherExtensionsAreNotSupported)
{
    put("pic.png", tiny());
    put("tga", tiny());
    put(".tga", tiny());
    put("pic.tga.bak", tiny());
    for (const char* name : {"pic.png", "tga", ".tga", "pic.tga.bak", "pic.tgaaaaaaaaaaaaaaaaaaaa"}) {
        bitmap.width = 99;
        EXPECT_EQ(stdout_of([&] { MOX_LoadBitmap(name, &bitmap); }), "File format not supported.\n") << name;
        EXPECT_EQ(bitmap.width, 99);
    }
    EXPECT_TRUE(calls().empty());
}

TEST_F(Bitmap, MissingImageIsReportedByName)
{
    std::string log = stdout_of([&] { MOX_LoadBitmap("gone.tga", &bitmap); });
    EXPECT_EQ(log, "Loading TGA image.- ERROR: Image gone.tga not loaded.\n");
    EXPECT_TRUE(calls().empty());
}

TEST_F(Bitmap, StaticBitmapKeepsOnlyItsTextureWhichIsDeletedOnce)
{
    put("pic.tga", tiny());
    stdout_of([&] { MOX_LoadBitmapStatic("pic.tga", &bitmap); });
    EXPECT_EQ(bitmap.pixels, nullptr);
    EXPECT_EQ(bitmap.width, 2);
    const int texture = bitmap.texture;
    EXPECT_NE(texture, 0);
    EXPECT_EQ(mox_numbitmaps, 1);
    EXPECT_EQ(MOX_GetPixel(0, 0, bitmap), 0);
    calls().clear();
    // Nothing to upload: the texture keeps its picture.
    MOX_UpdateBitmap(bitmap);
    MOX_ClearBitmap(bitmap);
    MOX_ClearBitmapWithColor(bitmap, -1);
    MOX_DrawPixel(0, 0, -1, bitmap);
    EXPECT_TRUE(calls().empty());
    // As a flush would: every listed bitmap, and then the same record again.
    stdout_of([&] {
        MOX_DeleteBitmap(mox_bitmaplist[0]);
        MOX_DeleteBitmap(&bitmap);
    });
    ASSERT_EQ(ops(), "DeleteTexture");
    expect_args(calls()[0], {double(texture)});
}

TEST_F(Bitmap, DrawFormsSetTheirStatesAroundOneQuad)
{
    MOX_CreateBitmap(200, 100, &bitmap);
    const double t = bitmap.texture, u = bitmap.umax, v = bitmap.vmax;
    struct Case {
        const char* what;
        std::function<void()> draw;
        std::string ops;
        std::vector<double> quad;
    } cases[] = {
        {"plain",
         [&] { MOX_DrawBitmap(5, 6, bitmap); },
         "DisableRenderState|BindTexture|DrawQuad",
         {5, 6, 200, 100, 0, 0, u, v}},
        {"scaled",
         [&] { MOX_DrawScaledBitmap(5, 6, 7.5f, 8.5f, bitmap, 123); },
         "DisableRenderState|BindTexture|DrawQuad",
         {5, 6, 7.5, 8.5, 0, 0, u, v}},
        {"zoomed",
         [&] { MOX_DrawZoomedBitmap(5, 6, 50, bitmap); },
         "DisableRenderState|BindTexture|DrawQuad",
         {5, 6, 100, 50, 0, 0, u, v}},
        {"blend",
         [&] { MOX_DrawBlendBitmap(5, 6, bitmap, 2); },
         "SetBlendMode|EnableRenderState|DisableRenderState|BindTexture|DrawQuad|DisableRenderState",
         {5, 6, 200, 100, 0, 0, u, v}},
        {"alpha",
         [&] { MOX_DrawAlphaBitmap(5, 6, bitmap, 0.25f); },
         "BindTexture|EnableAlphaBlend|DisableRenderState|BindTexture|DrawQuad|DisableAlphaBlend",
         {5, 6, 200, 100, 0, 0, u, v}},
        {"rotated",
         [&] { MOX_DrawRotatedBitmap(5, 6, bitmap, 30); },
         "DisableRenderState|BindTexture|DrawRotatedQuad",
         {5, 6, 200, 100, 0, 0, u, v, 30}},
    };
    for (const Case& c : cases) {
        calls().clear();
        c.draw();
        EXPECT_EQ(ops(), c.ops) << c.what;
        for (const nullvideo::Call& call : calls()) {
            if (call.op == "DrawQuad" || call.op == "DrawRotatedQuad") expect_args(call, c.quad);
            if (call.op == "BindTexture") expect_args(call, {t});
            if (call.op == "DisableRenderState" && c.ops.find("Blend") == std::string::npos)
                expect_args(call, {MOX_ALPHATEST});
        }
    }
    calls().clear();
    MOX_DrawBlendBitmap(0, 0, bitmap, 1);
    expect_args(calls()[0], {1});
    expect_args(calls()[1], {MOX_BLEND});
    expect_args(calls()[2], {MOX_ALPHATEST});
    expect_args(calls()[5], {MOX_BLEND});
    calls().clear();
    MOX_DrawAlphaBitmap(0, 0, bitmap, 0.25f);
    expect_args(calls()[1], {0.25});
}

TEST_F(Bitmap, ColourKeyAndUpcase)
{
    EXPECT_EQ(ConvertTransp(argb(0x80, 0xF5, 0x00, 0xFF)), 0);
    EXPECT_EQ(ConvertTransp(argb(0x00, 0xF1, 0x0F, 0xF1)), 0);
    for (int c : {argb(0xFF, 0xF0, 0, 0xFF), argb(0xFF, 0xFF, 0x10, 0xFF), argb(0xFF, 0xFF, 0, 0xF0)})
        EXPECT_EQ(ConvertTransp(c), c);
    char text[] = "a.Tga-z{";
    EXPECT_EQ(upcase(text), text);
    EXPECT_STREQ(text, "A.TGA-Z{");
}

}  // namespace
