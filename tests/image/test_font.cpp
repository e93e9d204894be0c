// Fonts without GL: the marker-row scan and letter cutting on hand-built
// font images, and where every letter of a text is drawn (the recorded
// quads), for the three drawing forms and their different spacing rules.
#include <algorithm>

#include "imagetest.h"
#include "nullvideo.h"

using namespace imagetest;
using nullvideo::calls;

namespace {

class Font : public ImageTest {
protected:
    void SetUp() override
    {
        ImageTest::SetUp();
        calls().clear();
        nullvideo::framebuffer().width = 640;
    }

    // A 32-bit top-left font image: markers (alpha 255) at the given columns
    // of row 0, the rest of that row alpha 0, letter rows opaque grey.
    Bytes font_image(int width, int height, std::vector<int> markers, bool keyed_row = false)
    {
        Header h;
        h.width = width;
        h.height = height;
        h.depth = 32;
        h.descriptor = 0x28;
        Bytes data = header(h);
        for (int x = 0; x < width; x++) {
            bool marker = std::find(markers.begin(), markers.end(), x) != markers.end();
            // A colour-key pixel counts as alpha 0, whatever its own alpha.
            data += marker ? bgra(255, 255, 255, 255) : keyed_row ? bgra(255, 0, 255, 255) : bgra(0, 0, 0, 0);
        }
        for (int i = 0; i < width * (height - 1); i++) data += bgra(x_grey, x_grey, x_grey, 255);
        return data;
    }

    // Where each letter was drawn: (texture, x, y) of every quad.
    struct Drawn {
        int texture;
        float x, y;
    };
    std::vector<Drawn> drawn()
    {
        std::vector<Drawn> d;
        int texture = -1;
        for (const nullvideo::Call& c : calls()) {
            if (c.op == "BindTexture") texture = int(c.args[0]);
            if (c.op == "DrawQuad") d.push_back({texture, float(c.args[0]), float(c.args[1])});
        }
        return d;
    }

    // A font record made by hand: letter i is texture 1000 + i, 3 + i % 7 wide.
    void handmade(int spacing)
    {
        for (int i = 0; i < MOX_FONTLETTERS; i++) {
            font.widths[i] = uint8_t(i == 0 ? 1 : 3 + i % 7);
            font.letters[i] = {};
            font.letters[i].width = font.widths[i];
            font.letters[i].height = 5;
            font.letters[i].texture = 1000 + i;
        }
        font.height = 5;
        font.numletters = MOX_FONTLETTERS;
        font.spacing = spacing;
    }
    static int w(char c) { return c == 31 ? 1 : 3 + (c - 31) % 7; }

    static constexpr int x_grey = 0x80;
    s_font font;
};

TEST_F(Font, MarkersSplitTheImageIntoLetters)
{
    put("font.tga", font_image(20, 4, {5, 12}));
    std::string log = stdout_of([&] { MOX_LoadFont("font.tga", &font); });
    EXPECT_NE(log.find("MOX_LoadFont - Num.Letters: 4\n"), std::string::npos) << log;
    EXPECT_NE(log.find("MOX_LoadFont - Font Added (NumFonts: 1)\n"), std::string::npos) << log;
    ASSERT_EQ(font.numletters, 4);
    EXPECT_EQ(font.widths[0], 1);
    EXPECT_EQ(font.widths[1], 4);
    EXPECT_EQ(font.widths[2], 7);
    EXPECT_EQ(font.widths[3], 8);
    EXPECT_EQ(font.height, 3);
    EXPECT_EQ(font.spacing, 0);
    EXPECT_EQ(font.bitmap, &mox_fontbmp[0]);
    EXPECT_EQ(mox_numfonts, 1);
    // One sprite per letter, cut below the marker row, side by side.
    ASSERT_EQ(mox_numsprites, 4);
    const int starts[4] = {0, 1, 5, 12};
    for (int i = 0; i < 4; i++) {
        const s_sprite& s = font.letters[i];
        EXPECT_EQ(mox_spritelist[i], &s);
        EXPECT_EQ(s.width, font.widths[i]);
        EXPECT_EQ(s.height, 3);
        EXPECT_FLOAT_EQ(s.umin, starts[i] / 20.0f) << i;
        EXPECT_FLOAT_EQ(s.vmin, 1 / 4.0f);
        EXPECT_FLOAT_EQ(s.vmax, 1.0f);
        EXPECT_EQ(s.texture, mox_fontbmp[0].texture);
    }
}

TEST_F(Font, KeyedMarkerRowCountsAsEmpty)
{
    put("font.tga", font_image(10, 2, {4}, true));
    stdout_of([&] { MOX_LoadFont("font.tga", &font); });
    ASSERT_EQ(font.numletters, 3);
    EXPECT_EQ(font.widths[1], 3);
    EXPECT_EQ(font.widths[2], 6);
}

TEST_F(Font, MarkersPastTheLastLetterOverwriteItsWidth)
{
    std::vector<int> markers;
    for (int x = 2; x < 250; x += 2) markers.push_back(x);  // 124 markers
    put("font.tga", font_image(251, 2, markers));
    std::string log = stdout_of([&] { MOX_LoadFont("font.tga", &font); });
    EXPECT_NE(log.find("Num.Letters: 96\n"), std::string::npos) << log;
    EXPECT_EQ(font.numletters, 96);
    EXPECT_EQ(font.widths[94], 2);
    EXPECT_EQ(font.widths[95], 251 - 248);
    EXPECT_EQ(mox_numsprites, 96);
}

TEST_F(Font, SeventeenthFontIsRefused)
{
    put("font.tga", font_image(20, 4, {5, 12}));
    mox_numfonts = MOX_MAXFONTS;
    std::string log = stdout_of([&] { MOX_LoadFont("font.tga", &font); });
    EXPECT_NE(log.find("font table full"), std::string::npos) << log;
    EXPECT_EQ(mox_numfonts, MOX_MAXFONTS);
    EXPECT_EQ(font.numletters, 0);
    EXPECT_EQ(mox_numsprites, 0);
    EXPECT_EQ(mox_numbitmaps, 0);
    mox_numfonts = 0;
}

TEST_F(Font, FontWithoutAnImageIsNotAdded)
{
    std::string log = stdout_of([&] { MOX_LoadFont("none.tga", &font); });
    EXPECT_NE(log.find("none.tga"), std::string::npos);
    EXPECT_EQ(font.numletters, 0);
    EXPECT_EQ(font.bitmap, nullptr);
    EXPECT_EQ(mox_numfonts, 0);
    EXPECT_EQ(mox_numsprites, 0);
    calls().clear();
    MOX_DrawText(0, 0, font, "%s", "AB");  // a zero record draws empty letters only
    for (const Drawn& d : drawn()) EXPECT_EQ(d.texture, 0);
}

TEST_F(Font, NegativeSpacingPullsTheNextLetterIn)
{
    handmade(-6);
    MOX_DrawText(100, 20, font, "AB");
    auto d = drawn();
    ASSERT_EQ(d.size(), 2u);
    EXPECT_EQ(d[0].texture, 1000 + 'A' - 31);
    EXPECT_EQ(d[0].x, 100);
    EXPECT_EQ(d[0].y, 20);
    EXPECT_EQ(d[1].texture, 1000 + 'B' - 31);
    EXPECT_EQ(d[1].x, 100 + w('A') - 6);
}

TEST_F(Font, SpaceTakesTheSpacingOnlyInTheSpanCentredForm)
{
    handmade(2);
    MOX_DrawText(0, 0, font, "A B");
    auto plain = drawn();
    ASSERT_EQ(plain.size(), 3u);  // the space is a letter too
    EXPECT_EQ(plain[1].texture, 1001);
    EXPECT_EQ(plain[1].x, w('A') + 2);
    EXPECT_EQ(plain[2].x, w('A') + 2 + w(' '));

    calls().clear();
    MOX_DrawCenteredTextXW(0, 0, 640, font, "A B");
    auto xw = drawn();
    ASSERT_EQ(xw.size(), 3u);
    EXPECT_EQ(xw[2].x - xw[0].x, w('A') + 2 + w(' ') + 2);
}

TEST_F(Font, SpanCentredTextStartsHalfItsMeasureLeftOfTheMiddle)
{
    handmade(0);
    const std::string text = "AAAAAAAAAACBB";  // 10 x 9 + 4 + 3 + 3
    int measure = 0;
    for (char c : text) measure += w(c);
    ASSERT_EQ(measure, 100);
    MOX_DrawCenteredTextXW(0, 7, 640, font, "%s", text.c_str());
    auto d = drawn();
    ASSERT_EQ(d.size(), text.size());
    EXPECT_EQ(d[0].x, 270);
    EXPECT_EQ(d[0].y, 7);
    EXPECT_EQ(d.back().x, 270 + 97);
}

TEST_F(Font, FrameBufferCentredOddMeasureRoundsDown)
{
    handmade(0);
    nullvideo::framebuffer().width = 800;
    const std::string text = "AAAAAAAAAACCB";  // 10 x 9 + 4 + 4 + 3
    int measure = 0;
    for (char c : text) measure += w(c);
    ASSERT_EQ(measure, 101);
    MOX_DrawCenteredText(3, font, "%s", text.c_str());
    auto d = drawn();
    ASSERT_EQ(d.size(), text.size());
    EXPECT_EQ(d[0].x, 350);
    EXPECT_EQ(d[0].y, 3);
}

TEST_F(Font, FrameBufferCentringMeasuresSpacesWiderThanItDrawsThem)
{
    handmade(4);
    MOX_DrawCenteredText(0, font, "A A");
    auto d = drawn();
    ASSERT_EQ(d.size(), 3u);
    const int measure = w('A') + 4 + w(' ') + 4 + w('A') + 4;
    EXPECT_EQ(d[0].x, 320 - measure / 2);
    EXPECT_EQ(d[2].x - d[0].x, w('A') + 4 + w(' '));
}

TEST_F(Font, NegativeMeasureHalvesTowardMinusInfinity)
{
    handmade(-10);
    MOX_DrawCenteredTextXW(0, 0, 11, font, "B");  // measure 3 - 10 = -7
    auto d = drawn();
    ASSERT_EQ(d.size(), 1u);
    EXPECT_EQ(d[0].x, 5 - (-4));
}

TEST_F(Font, CharactersOutsideTheDrawnRangeNeitherDrawNorMove)
{
    handmade(1);
    // Braces, tilde, DEL, bytes from 128 up and control codes all vanish.
    MOX_DrawText(10, 0, font,
                 "A}~\x7f\x80\x9e\x9f\xff\t\x01"
                 "B");
    auto d = drawn();
    ASSERT_EQ(d.size(), 2u);
    EXPECT_EQ(d[1].x, 10 + w('A') + 1);
    calls().clear();
    MOX_DrawCenteredTextXW(0, 0, 100, font, "}~\xc3\xa9\n");
    EXPECT_TRUE(drawn().empty());
    // Nor do they count when the centred forms measure the text.
    for (int xw = 0; xw < 2; xw++) {
        calls().clear();
        if (xw)
            MOX_DrawCenteredTextXW(0, 0, 100, font, "AB");
        else
            MOX_DrawCenteredText(0, font, "AB");
        const float plain = drawn().at(0).x;
        calls().clear();
        if (xw)
            MOX_DrawCenteredTextXW(0, 0, 100, font,
                                   "}A~\x80\x01"
                                   "B\xff");
        else
            MOX_DrawCenteredText(0, font,
                                 "}A~\x80\x01"
                                 "B\xff");
        EXPECT_EQ(drawn().at(0).x, plain) << (xw ? "span" : "frame buffer");
    }
}

TEST_F(Font, CodeThirtyOneMovesOneAndTheSpacingWithoutDrawing)
{
    handmade(3);
    MOX_DrawText(10, 0, font,
                 "A\x1f"
                 "B");
    auto d = drawn();
    ASSERT_EQ(d.size(), 2u);
    EXPECT_EQ(d[1].x, 10 + w('A') + 3 + 1 + 3);
}

TEST_F(Font, TextIsCutAt255Characters)
{
    handmade(0);
    const std::string text(300, 'B');
    MOX_DrawText(0, 0, font, "%s", text.c_str());
    EXPECT_EQ(drawn().size(), 255u);
    calls().clear();
    MOX_DrawCenteredText(0, font, "%s", text.c_str());
    auto d = drawn();
    ASSERT_EQ(d.size(), 255u);
    EXPECT_EQ(d[0].x, 320 - 255 * 3 / 2);
    calls().clear();
    MOX_DrawCenteredTextXW(0, 0, 0, font, "%s%s", text.c_str(), text.c_str());
    EXPECT_EQ(drawn().size(), 255u);
}

}  // namespace
