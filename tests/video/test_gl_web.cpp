// The web build's GL layer, run here against the desktop context: what it
// draws from arrays (immediate mode, display lists, byte indices) must be
// what OpenGL draws from the same calls, pixel for pixel, and it must leave
// the renderer's own arrays working.
#include <vector>

#include "engine/platform/gl_web.h"
#include "gltest.h"

namespace {

using gltest::kHeight;
using gltest::kWidth;
// The layer keeps the client arrays' switches; here they start as the
// renderer's start-up leaves them.
class GLLayer : public gltest::GL {
protected:
    void SetUp() override
    {
        gltest::GL::SetUp();
        moxweb_EnableClientState(GL_VERTEX_ARRAY);
        moxweb_EnableClientState(GL_TEXTURE_COORD_ARRAY);
        // Flat shapes, whichever way they wind, and white-textured nothing.
        culled = glIsEnabled(GL_CULL_FACE);
        glDisable(GL_CULL_FACE);
        glDisable(GL_TEXTURE_2D);
        MOX_Enable2D();
    }
    void TearDown() override
    {
        glColor4f(1, 1, 1, 1);
        glEnable(GL_TEXTURE_2D);
        if (culled) glEnable(GL_CULL_FACE);
        gltest::GL::TearDown();
    }
    GLboolean culled = GL_FALSE;
};

std::vector<uint8_t> framepixels()
{
    std::vector<uint8_t> p(size_t(kWidth) * kHeight * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, kWidth, kHeight, GL_RGBA, GL_UNSIGNED_BYTE, p.data());
    return p;
}

size_t differing(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b)
{
    size_t n = 0;
    for (size_t i = 0; i < a.size(); i += 4) n += a[i] != b[i] || a[i + 1] != b[i + 1] || a[i + 2] != b[i + 2];
    return n;
}

size_t lit(const std::vector<uint8_t>& a)
{
    size_t n = 0;
    for (size_t i = 0; i < a.size(); i += 4) n += a[i] || a[i + 1] || a[i + 2];
    return n;
}

// A shaded triangle (a colour per corner), a quad given one colour before
// its corners, as the particles give theirs, and a line: through `begin`,
// `colour`, `vertex` and `end` of either OpenGL or the layer.
template <class B, class C, class V, class E>
void shapes(B begin, C colour, V vertex, E end)
{
    begin(GL_TRIANGLES);
    colour(1, 0, 0), vertex(4, 4);
    colour(0, 1, 0), vertex(40, 6);
    colour(0, 0, 1), vertex(10, 40);
    end();
    begin(GL_QUADS);
    colour(0.8f, 0.5f, 0.2f);
    vertex(44, 10), vertex(60, 10), vertex(60, 30), vertex(44, 30);
    vertex(30, 34), vertex(40, 34), vertex(40, 44);  // an incomplete quad draws nothing
    end();
    begin(GL_LINES);
    colour(1, 1, 1), vertex(2, 46), vertex(62, 46);
    end();
}

TEST_F(GLLayer, ImmediateModeAndDisplayListsDrawWhatOpenGLDraws)
{
    shapes([](GLenum m) { glBegin(m); }, [](float r, float g, float b) { glColor3f(r, g, b); },
           [](float x, float y) { glVertex2f(x, y); }, [] { glEnd(); });
    const std::vector<uint8_t> native = framepixels();
    ASSERT_GT(lit(native), 900u);

    auto layer = [] {
        shapes([](GLenum m) { moxweb_Begin(m); }, [](float r, float g, float b) { moxweb_Color3f(r, g, b); },
               [](float x, float y) { moxweb_Vertex2f(x, y); }, [] { moxweb_End(); });
    };
    MOX_ClearFrameBuffer(int(0xFF000000u));
    layer();
    EXPECT_EQ(differing(framepixels(), native), 0u) << "immediate mode";

    // Recorded, nothing is drawn; replayed, the same pixels, every time.
    const GLuint list = moxweb_GenLists(1);
    ASSERT_NE(list, 0u);
    MOX_ClearFrameBuffer(int(0xFF000000u));
    moxweb_NewList(list, GL_COMPILE);
    layer();
    moxweb_EndList();
    EXPECT_EQ(lit(framepixels()), 0u) << "recording drew";
    for (int round = 0; round < 2; round++) {
        MOX_ClearFrameBuffer(int(0xFF000000u));
        moxweb_CallList(list);
        EXPECT_EQ(differing(framepixels(), native), 0u) << "replay " << round;
    }
    moxweb_DeleteLists(list, 1);
    MOX_ClearFrameBuffer(int(0xFF000000u));
    moxweb_CallList(list);
    EXPECT_EQ(lit(framepixels()), 0u) << "a deleted list drew";
}

// A list without a colour of its own takes the current one when called, as
// the floor's list does; the last colour given inside Begin and End stays
// current afterwards; and the renderer's arrays still draw after the
// layer's draws.
TEST_F(GLLayer, ColoursStayCurrentAndTheRenderersArraysStillDraw)
{
    const GLuint list = moxweb_GenLists(1);
    moxweb_NewList(list, GL_COMPILE);
    moxweb_Begin(GL_TRIANGLES);
    moxweb_Vertex2f(0, 0), moxweb_Vertex2f(20, 0), moxweb_Vertex2f(0, 20);
    moxweb_End();
    moxweb_EndList();
    moxweb_Color4f(0, 1, 0, 1);
    moxweb_CallList(list);
    EXPECT_EQ(gltest::pixel(3, 3), gltest::rgb(0, 255, 0));

    moxweb_Begin(GL_LINES);
    moxweb_Color3f(0, 0, 1);
    moxweb_Vertex2f(0, 40), moxweb_Vertex2f(1, 40);
    moxweb_End();
    // The engine's own quad, from its arrays, in the colour left current.
    static const GLubyte corners[6] = {0, 1, 2, 0, 2, 3};
    const GLfloat v[12] = {40, 20, 0, 60, 20, 0, 60, 40, 0, 40, 40, 0}, t[8] = {0};
    glVertexPointer(3, GL_FLOAT, 0, v);
    glTexCoordPointer(2, GL_FLOAT, 0, t);
    moxweb_DrawElements(GL_TRIANGLES, 6, GL_UNSIGNED_BYTE, corners);
    EXPECT_EQ(gltest::pixel(50, 30), gltest::rgb(0, 0, 255));
    moxweb_DeleteLists(list, 1);
}

TEST(GLLayerText, ShadersLoseTheirVersionLineAndKeepTheirLineNumbers)
{
    EXPECT_EQ(moxweb_ShaderText("#version 120\nvarying vec2 t;\nvoid main() {}\n", -1),
              "\nvarying vec2 t;\nvoid main() {}\n");
    EXPECT_EQ(moxweb_ShaderText("  \n#version 120 compatibility\r\nuniform float f;", -1), "  \n\nuniform float f;");
    EXPECT_EQ(moxweb_ShaderText("void main() {} // #version 120", -1), "void main() {} // #version 120");
    EXPECT_EQ(moxweb_ShaderText("#version 120\nABCDEF", 16), "\nABC");
    EXPECT_EQ(moxweb_TextureFormat(4), GL_RGBA);
    EXPECT_EQ(moxweb_TextureFormat(3), GL_RGB);
    EXPECT_EQ(moxweb_TextureFormat(GL_RGBA8), GL_RGBA8);
}

}  // namespace
