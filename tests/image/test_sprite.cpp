// Sprites without GL: cutting, loading and blank sprites, the table, the
// strict collision tests, and the renderer calls of every drawing form.
#include <functional>

#include "imagetest.h"
#include "nullvideo.h"

using namespace imagetest;
using nullvideo::calls;
using nullvideo::ops;

namespace {

class Sprite : public ImageTest {
protected:
    void SetUp() override
    {
        ImageTest::SetUp();
        calls().clear();
    }
    s_sprite sprite = {};
    s_sprite second = {};
};

void expect_args(const nullvideo::Call& c, std::vector<double> args)
{
    ASSERT_EQ(c.args.size(), args.size()) << c.op;
    for (size_t i = 0; i < args.size(); i++) EXPECT_FLOAT_EQ(float(c.args[i]), float(args[i])) << c.op << " " << i;
}

s_sprite square(int size)
{
    s_sprite s = {};
    s.width = s.height = size;
    MOX_SetSpriteCollisionBox(&s, 0, 0, size, size);
    return s;
}

TEST_F(Sprite, CutRegionGetsTextureCoordinatesWithoutEdgeFactors)
{
    MOX_CreateBitmap(256, 128, &bitmap);
    sprite.posx = 11;
    sprite.posy = 12;
    MOX_GetSprite(64, 0, 64, 32, bitmap, &sprite);
    EXPECT_FLOAT_EQ(sprite.umin, 0.25f);
    EXPECT_FLOAT_EQ(sprite.vmin, 0.0f);
    EXPECT_FLOAT_EQ(sprite.umax, 0.5f);
    EXPECT_FLOAT_EQ(sprite.vmax, 0.25f);
    EXPECT_EQ(sprite.width, 64);
    EXPECT_EQ(sprite.height, 32);
    EXPECT_EQ(sprite.texture, bitmap.texture);
    EXPECT_EQ(sprite.pixels, nullptr);
    EXPECT_EQ(sprite.boxleft, 0);
    EXPECT_EQ(sprite.boxtop, 0);
    EXPECT_EQ(sprite.boxright, 64);
    EXPECT_EQ(sprite.boxbottom, 32);
    EXPECT_EQ(sprite.posx, 11);
    EXPECT_EQ(sprite.posy, 12);
    ASSERT_EQ(mox_numsprites, 1);
    EXPECT_EQ(mox_spritelist[0], &sprite);
}

TEST_F(Sprite, LoadedSpriteCoversTheWholeImageFromItsTableSlot)
{
    Header h;
    h.width = 100;
    h.height = 50;
    h.depth = 8;
    h.type = 3;
    put("s.tga", header(h) + Bytes(5000, '\x40'));
    for (int i = 0; i < 3; i++) mox_spritelist[i] = &second;
    mox_numsprites = 3;  // so slot 3 holds the bitmap
    stdout_of([&] { MOX_LoadSprite("s.tga", &sprite); });
    ASSERT_EQ(mox_numsprites, 4);
    EXPECT_EQ(mox_spritelist[3], &sprite);
    EXPECT_EQ(sprite.width, 100);
    EXPECT_EQ(sprite.height, 50);
    EXPECT_EQ(sprite.umin, 0.0f);
    EXPECT_EQ(sprite.vmin, 0.0f);
    EXPECT_EQ(sprite.umax, 1.0f);
    EXPECT_EQ(sprite.vmax, 1.0f);
    EXPECT_EQ(sprite.texture, mox_spritebmp[3].texture);
    EXPECT_EQ(MOX_GetPixel(99, 49, mox_spritebmp[3]), argb(255, 0x40, 0x40, 0x40));
    EXPECT_EQ(mox_numbitmaps, 1);
}

TEST_F(Sprite, SpriteOfAMissingFileIsEmpty)
{
    std::string log = stdout_of([&] { MOX_LoadSprite("none.tga", &sprite); });
    EXPECT_NE(log.find("none.tga not loaded"), std::string::npos);
    EXPECT_EQ(sprite.width, 0);
    EXPECT_EQ(sprite.height, 0);
    EXPECT_EQ(mox_numsprites, 1);
}

TEST_F(Sprite, FullTableRefusesEveryWayOfMakingASprite)
{
    MOX_CreateBitmap(8, 8, &bitmap);
    mox_numsprites = MOX_MAXSPRITES;
    for (auto make : std::vector<std::function<void()>>{[&] { MOX_GetSprite(0, 0, 4, 4, bitmap, &sprite); },
                                                        [&] { MOX_CreateSprite(4, 4, &sprite); },
                                                        [&] { MOX_LoadSprite("s.tga", &sprite); }}) {
        sprite.width = 99;
        std::string log = stdout_of(make);
        EXPECT_NE(log.find("sprite table full"), std::string::npos) << log;
        EXPECT_EQ(sprite.width, 0);
        EXPECT_EQ(sprite.pixels, nullptr);
        EXPECT_EQ(mox_numsprites, MOX_MAXSPRITES);
    }
    EXPECT_EQ(mox_numbitmaps, 1);
    mox_numsprites = 0;
}

TEST_F(Sprite, BlankSpriteOwnsAClearedBufferReleasedOnce)
{
    MOX_CreateSprite(3, 5, &sprite);
    ASSERT_NE(sprite.pixels, nullptr);
    for (int i = 0; i < 3 * 5 * 4; i++) EXPECT_EQ(sprite.pixels[i], 0);
    EXPECT_EQ(sprite.texture, 0);
    EXPECT_EQ(sprite.umax, float(3 * 0.99999) / 3.0f);
    EXPECT_EQ(sprite.vmax, float(5 * 0.9999) / 5.0f);
    EXPECT_EQ(sprite.boxright, 3);
    EXPECT_EQ(sprite.boxbottom, 5);
    EXPECT_EQ(mox_numsprites, 1);

    s_bitmap view = MOX_GetBitmapFromSprite(sprite);
    EXPECT_EQ(view.pixels, sprite.pixels);
    EXPECT_EQ(view.bytes, 60);
    MOX_DrawPixel(2, 4, argb(1, 2, 3, 4), view);
    EXPECT_EQ(sprite.pixels[(4 * 3 + 2) * 4], 2);
    MOX_ClearSprite(sprite);
    EXPECT_EQ(sprite.pixels[(4 * 3 + 2) * 4], 0);
    EXPECT_EQ(mox_numbitmaps, 0);

    MOX_DeleteSprite(&sprite);
    EXPECT_EQ(sprite.pixels, nullptr);
    MOX_DeleteSprite(&sprite);  // a second free would stop the sanitizer build
    MOX_ClearSprite(sprite);
}

TEST_F(Sprite, CollisionNeedsOverlapNotJustATouchingEdge)
{
    const s_sprite a = square(10), b = square(10);
    EXPECT_EQ(MOX_CheckSpriteCollision(0, 0, a, 10, 0, b), 0);
    EXPECT_EQ(MOX_CheckSpriteCollision(0, 0, a, 0, 10, b), 0);
    EXPECT_EQ(MOX_CheckSpriteCollision(0, 0, a, -10, 0, b), 0);
    EXPECT_EQ(MOX_CheckSpriteCollision(0, 0, a, 9, 9, b), 1);
    EXPECT_EQ(MOX_CheckSpriteCollision(0, 0, a, -9, -9, b), 1);
    EXPECT_EQ(MOX_CheckSpriteCollision(5, 5, a, 5, 5, b), 1);
}

TEST_F(Sprite, CollisionBoxIsEdgesInTheSpritesOwnCoordinates)
{
    s_sprite a = square(10);
    EXPECT_EQ(MOX_SetSpriteCollisionBox(&a, 2, 2, 8, 8), 1);
    const s_sprite dot = square(1);
    // The box spans 2..7 in both directions from the drawing position.
    EXPECT_EQ(MOX_CheckSpriteCollision(100, 100, a, 102, 102, dot), 1);
    EXPECT_EQ(MOX_CheckSpriteCollision(100, 100, a, 107, 107, dot), 1);
    EXPECT_EQ(MOX_CheckSpriteCollision(100, 100, a, 101, 104, dot), 0);
    EXPECT_EQ(MOX_CheckSpriteCollision(100, 100, a, 108, 104, dot), 0);
    EXPECT_EQ(MOX_CheckSpriteCollision(100, 100, a, 104, 108, dot), 0);
    // The position fields are the caller's: they do not move the box.
    MOX_SetSpritePosition(&a, 50, 50);
    MOX_SetSpriteOrigin(&a, 3, 4);
    EXPECT_EQ(a.posx, 50);
    EXPECT_EQ(a.originy, 4);
    EXPECT_EQ(MOX_CheckSpriteCollision(100, 100, a, 102, 102, dot), 1);
}

TEST_F(Sprite, BoxCollisionComparesStrictly)
{
    EXPECT_EQ(MOX_CheckBoxCollision(0, 0, 4, 4, 4, 0, 4, 4), 0);
    EXPECT_EQ(MOX_CheckBoxCollision(0, 0, 4, 4, 3, 3, 4, 4), 1);
    EXPECT_EQ(MOX_CheckBoxCollision(0, 0, 4, 4, 0, -4, 4, 4), 0);
    EXPECT_EQ(MOX_CheckBoxCollision(0, 0, 4, 4, 1, 1, 1, 1), 1);
    EXPECT_EQ(MOX_CheckBoxCollision(0, 0, 0, 0, 0, 0, 4, 4), 0);
}

TEST_F(Sprite, TransparencyIsTheColourKey)
{
    EXPECT_EQ(MOX_CheckSpriteTransparency(argb(0, 241, 15, 241)), 1);
    EXPECT_EQ(MOX_CheckSpriteTransparency(argb(255, 255, 0, 255)), 1);
    EXPECT_EQ(MOX_CheckSpriteTransparency(argb(255, 240, 0, 255)), 0);
    EXPECT_EQ(MOX_CheckSpriteTransparency(argb(255, 255, 16, 255)), 0);
    EXPECT_EQ(MOX_CheckSpriteTransparency(argb(255, 255, 0, 240)), 0);
}

TEST_F(Sprite, DrawFormsEnableTheAlphaTestAndDrawOneQuadAtTheGivenPoint)
{
    MOX_CreateBitmap(40, 20, &bitmap);
    MOX_GetSprite(10, 0, 20, 10, bitmap, &sprite);
    MOX_SetSpritePosition(&sprite, 300, 300);
    MOX_SetSpriteOrigin(&sprite, 7, 7);
    const double t = sprite.texture;
    struct Case {
        const char* what;
        std::function<void()> draw;
        std::string ops;
        std::vector<double> quad;
    } cases[] = {
        {"plain",
         [&] { MOX_DrawSprite(5, 6, sprite); },
         "EnableRenderState|BindTexture|DrawQuad",
         {5, 6, 20, 10, 0.25, 0, 0.75, 0.5}},
        {"mirrored",
         [&] { MOX_DrawMirroredSprite(5, 6, sprite); },
         "EnableRenderState|BindTexture|DrawQuad",
         {5, 6, 20, 10, 0.75, 0, 0.25, 0.5}},
        {"blend",
         [&] { MOX_DrawBlendSprite(5, 6, sprite, 1); },
         "SetBlendMode|EnableRenderState|EnableRenderState|BindTexture|DrawQuad|DisableRenderState",
         {5, 6, 20, 10, 0.25, 0, 0.75, 0.5}},
        {"alpha",
         [&] { MOX_DrawAlphaSprite(5, 6, sprite, 0.5f); },
         "EnableAlphaBlend|EnableRenderState|BindTexture|DrawQuad|DisableAlphaBlend",
         {5, 6, 20, 10, 0.25, 0, 0.75, 0.5}},
        {"scaled",
         [&] { MOX_DrawScaledSprite(5, 6, 2.5f, 3.5f, sprite, 0); },
         "EnableRenderState|BindTexture|DrawQuad",
         {5, 6, 2.5, 3.5, 0.25, 0, 0.75, 0.5}},
        {"rotated",
         [&] { MOX_DrawRotatedSprite(5, 6, sprite, -45); },
         "BindTexture|EnableRenderState|DrawRotatedQuad",
         {5, 6, 20, 10, 0.25, 0, 0.75, 0.5, -45}},
    };
    for (const Case& c : cases) {
        calls().clear();
        c.draw();
        EXPECT_EQ(ops(), c.ops) << c.what;
        for (const nullvideo::Call& call : calls()) {
            if (call.op == "DrawQuad" || call.op == "DrawRotatedQuad") expect_args(call, c.quad);
            if (call.op == "BindTexture") expect_args(call, {t});
        }
    }
    calls().clear();
    MOX_DrawBlendSprite(0, 0, sprite, 2);
    expect_args(calls()[0], {2});
    expect_args(calls()[1], {MOX_BLEND});
    expect_args(calls()[2], {MOX_ALPHATEST});
    expect_args(calls()[5], {MOX_BLEND});
}

}  // namespace
