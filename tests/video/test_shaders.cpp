// Shader programs and their messages, uniforms by name, and the camera
// matrices.
#include <unistd.h>  // getpid, to make a source no shader cache has seen

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "gltest.h"

namespace gltest {
namespace {

const char* kVertex =
    "#version 120\n"
    "void main() { gl_Position = ftransform(); }\n";
const char* kFragment =
    "#version 120\n"
    "uniform float level;\n"
    "void main() { gl_FragColor = vec4(level, 0.0, 0.0, 1.0); }\n";
const char* kBroken =
    "#version 120\n"
    "void main() { gl_FragColor = undefined_thing; }\n";

using Shaders = GL;

TEST_F(Shaders, ACleanBuildPrintsNothing)
{
    testing::internal::CaptureStdout();
    int index = MOX_InitShader(kVertex, kFragment);
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_GE(index, 0);
    EXPECT_EQ(out, "");
    EXPECT_TRUE(glIsProgram(MOX_shader[index].program));
    testing::internal::CaptureStdout();
    EXPECT_GE(MOX_InitDefaultPostShader(), 0);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
}

TEST_F(Shaders, ANullSourceGivesMinusOneAndLeavesTheIndexForTheNextProgram)
{
    int expected = MOX_numshaders;
    testing::internal::CaptureStdout();
    int failed = MOX_InitShader(kVertex, nullptr);
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(failed, -1);
    EXPECT_EQ(out, "Either vertex shader or fragment shader file not found.");
    EXPECT_EQ(MOX_InitShader(nullptr, kFragment), -1);
    EXPECT_EQ(MOX_numshaders, expected);
    EXPECT_EQ(MOX_InitShader(kVertex, kFragment), expected);
    EXPECT_EQ(MOX_numshaders, expected + 1);
}

TEST_F(Shaders, AWarningAloneIsPrintedUnderTheCompilerErrorWording)
{
    // Compiles, but the compiler has something to say about the extension.
    // Mesa skips compiling a source its disk cache has seen, log and all, so
    // the source is new on every run.
    std::string warned =
        "#version 120\n"
        "#extension GL_MOX_no_such_extension : warn\n"
        "// run " +
        std::to_string(getpid()) + " " + std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()) +
        "\nvoid main() { gl_FragColor = vec4(1.0); }\n";
    testing::internal::CaptureStdout();
    int index = MOX_InitShader(kVertex, warned.c_str());
    std::string out = testing::internal::GetCapturedStdout();
    ASSERT_GE(index, 0);
    GLint compiled = 0;
    glGetShaderiv(MOX_shader[index].fragmentshader, GL_COMPILE_STATUS, &compiled);
    EXPECT_EQ(compiled, GL_TRUE);
    std::string line =
        "Shader " + std::to_string(MOX_shader[index].fragmentshader) + ",fragmentshader,compiler error: ";
    EXPECT_EQ(out.rfind(line, 0), 0u) << out;
    EXPECT_EQ(out.find("link error"), std::string::npos) << out;
}

TEST_F(Shaders, CompileAndLinkFailuresArePrintedAndTheIndexIsStillReturned)
{
    testing::internal::CaptureStdout();
    int index = MOX_InitShader(kVertex, kBroken);
    std::string out = testing::internal::GetCapturedStdout();
    ASSERT_GE(index, 0);
    std::string compile =
        "Shader " + std::to_string(MOX_shader[index].fragmentshader) + ",fragmentshader,compiler error: ";
    EXPECT_EQ(out.rfind(compile, 0), 0u) << out;
    std::string link = "Program " + std::to_string(MOX_shader[index].program) + ",link error: ";
    EXPECT_NE(out.find(link), std::string::npos) << out;
    std::string invalid = "Error validating shader " + std::to_string(MOX_shader[index].program) + "\n";
    EXPECT_NE(out.find(invalid), std::string::npos) << out;
    EXPECT_EQ(out.find("vertexshader"), std::string::npos) << out;
    EXPECT_EQ(MOX_numshaders, index + 1);
}

TEST_F(Shaders, UniformsReachTheProgramByName)
{
    int index = MOX_InitShader(kVertex, kFragment);
    MOX_SetShaderUniform1f(index, "level", 0.5f);
    MOX_BindShader(index);
    MOX_DrawQuad(0, 0, 8, 8, 0, 0, 1, 1);
    MOX_UnbindShader();
    EXPECT_NEAR(int(pixel(4, 4) & 0xFF), 128, 1);
}

TEST_F(Shaders, AnAbsentUniformChangesNothingAndLeavesItsProgramCurrent)
{
    int index = MOX_InitShader(kVertex, kFragment);
    MOX_SetShaderUniform1f(index, "level", 0.25f);
    MOX_UnbindShader();
    MOX_SetShaderUniform1f(index, "no_such_uniform", 1.0f);
    MOX_SetShaderUniform4f(index, "no_such_uniform", 1, 2, 3, 4);
    float values[3] = {1, 2, 3};
    MOX_SetShaderUniform1fv(index, "no_such_uniform", 3, values);
    GLint program = 0;
    glGetIntegerv(GL_CURRENT_PROGRAM, &program);
    EXPECT_EQ(GLuint(program), MOX_shader[index].program);
    GLfloat level = 0;
    glGetUniformfv(MOX_shader[index].program, glGetUniformLocation(MOX_shader[index].program, "level"), &level);
    EXPECT_FLOAT_EQ(level, 0.25f);
    MOX_UnbindShader();
}

TEST_F(Shaders, OutOfTableIndicesAreIgnored)
{
    MOX_UnbindShader();
    MOX_BindShader(-1);
    MOX_BindShader(MOX_MAXSHADERS);
    MOX_SetShaderUniform1i(-1, "x", 1);
    MOX_DeleteShader(999);
    GLint program = -1;
    glGetIntegerv(GL_CURRENT_PROGRAM, &program);
    EXPECT_EQ(program, 0);
}

TEST_F(Shaders, TheSixtyFifthIsRefusedWithALogLine)
{
    int before = MOX_numshaders;
    while (MOX_numshaders < MOX_MAXSHADERS) ASSERT_GE(MOX_InitShader(kVertex, kFragment), 0);
    testing::internal::CaptureStdout();
    EXPECT_EQ(MOX_InitShader(kVertex, kFragment), -1);
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_NE(out.find("shader table full"), std::string::npos) << out;
    EXPECT_EQ(MOX_numshaders, MOX_MAXSHADERS);
    MOX_numshaders = before;  // room for the tests after this one
}

TEST_F(Shaders, DeletedProgramsKeepTheirRecord)
{
    int index = MOX_InitShader(kVertex, kFragment);
    GLuint program = MOX_shader[index].program;
    MOX_DeleteShader(index);
    EXPECT_FALSE(glIsProgram(program));
    EXPECT_EQ(MOX_shader[index].program, program);
    EXPECT_EQ(MOX_InitShader(kVertex, kFragment), index + 1);
}

void writefile(const char* name, const char* text)
{
    FILE* f = fopen(name, "wb");
    ASSERT_NE(f, nullptr);
    fputs(text, f);
    fclose(f);
}

TEST_F(Shaders, SourcesLoadFromFilesAndMissingOrEmptyFilesAreRefused)
{
    writefile("post.vs", kVertex);
    writefile("post.fs", kFragment);
    writefile("empty.fs", "");
    int index = MOX_LoadShader("post.vs", "post.fs");
    EXPECT_GE(index, 0);
    testing::internal::CaptureStdout();
    EXPECT_EQ(MOX_LoadShader("post.vs", "missing.fs"), -1);
    EXPECT_EQ(MOX_LoadShader("post.vs", "empty.fs"), -1);
    EXPECT_EQ(MOX_LoadShader(nullptr, "post.fs"), -1);
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_NE(out.find("Either vertex shader or fragment shader file not found."), std::string::npos);
    EXPECT_EQ(MOX_numshaders, index + 1);
}

TEST(TextFile, ReadsWholeFilesWithATerminator)
{
    writefile("text.txt", "abc\ndef");
    char* text = textFileRead("text.txt");
    ASSERT_NE(text, nullptr);
    EXPECT_STREQ(text, "abc\ndef");
    free(text);
    writefile("empty.txt", "");
    EXPECT_EQ(textFileRead("empty.txt"), nullptr);
    EXPECT_EQ(textFileRead("no-such-file.txt"), nullptr);
    EXPECT_EQ(textFileRead(nullptr), nullptr);
    EXPECT_EQ(textFileRead("."), nullptr);  // a directory is no source
}

using Camera = GL;

// The modelview after a look-at from identity.
std::vector<double> lookat(float ex, float ey, float ez, float cx, float cy, float cz)
{
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    MOX_LookAt(ex, ey, ez, cx, cy, cz);
    std::vector<double> m(16);
    glGetDoublev(GL_MODELVIEW_MATRIX, m.data());
    return m;
}

// Applies a column-major matrix to a point.
std::vector<double> apply(const std::vector<double>& m, double x, double y, double z)
{
    return {m[0] * x + m[4] * y + m[8] * z + m[12], m[1] * x + m[5] * y + m[9] * z + m[13],
            m[2] * x + m[6] * y + m[10] * z + m[14]};
}

// The GL matrix stack keeps single precision.
void expect_matrix(const std::vector<double>& m, const std::vector<double>& want)
{
    for (int i = 0; i < 16; i++) EXPECT_NEAR(m[i], want[i], 1e-5) << "element " << i;
}

TEST_F(Camera, LookingDownMinusZFromFiveIsATranslation)
{
    expect_matrix(lookat(0, 0, 5, 0, 0, 0), {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, -5, 1});
}

TEST_F(Camera, FromStraightAboveTurnsNinetyDegreesAboutX)
{
    // Rotation +90 about X, then the translation by the negated offset.
    expect_matrix(lookat(0, 5, 0, 0, 0, 0), {1, 0, 0, 0, 0, 0, 1, 0, 0, -1, 0, 0, 0, 0, -5, 1});
    expect_matrix(lookat(0, -5, 0, 0, 0, 0), {1, 0, 0, 0, 0, 0, -1, 0, 0, 1, 0, 0, 0, 0, -5, 1});
}

TEST_F(Camera, EyeOnTheCentreChangesNothing)
{
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glTranslated(1, 2, 3);
    MOX_LookAt(1, 1, 1, 1, 1, 1);
    std::vector<double> m(16);
    glGetDoublev(GL_MODELVIEW_MATRIX, m.data());
    expect_matrix(m, {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 1, 2, 3, 1});
}

TEST_F(Camera, SideOnViewYawsTo270)
{
    // Yaw 270 about Y after a pitch of 0, then the eye moves to the origin.
    expect_matrix(lookat(3, 2, 0, 0, 2, 0), {0, 0, 1, 0, 0, 1, 0, 0, -1, 0, 0, 0, 0, -2, -3, 1});
}

TEST_F(Camera, TheCentreLandsAheadOnTheViewAxis)
{
    const float cases[][6] = {
        {1, 2, 3, -2, 0.5f, 1}, {-4, 1, -6, 2, 3, 1}, {0, 3, -4, 0, 0, 0}, {2, -1, 0, -1, 1, 0}, {5, 5, 5, 0, 0, 0}};
    for (const auto& c : cases) {
        std::vector<double> m = lookat(c[0], c[1], c[2], c[3], c[4], c[5]);
        double d = std::sqrt(double(c[0] - c[3]) * (c[0] - c[3]) + double(c[1] - c[4]) * (c[1] - c[4]) +
                             double(c[2] - c[5]) * (c[2] - c[5]));
        std::vector<double> centre = apply(m, c[3], c[4], c[5]);
        EXPECT_NEAR(centre[0], 0, 1e-5) << c[0] << "," << c[1] << "," << c[2];
        EXPECT_NEAR(centre[1], 0, 1e-5) << c[0] << "," << c[1] << "," << c[2];
        EXPECT_NEAR(centre[2], -d, 1e-5) << c[0] << "," << c[1] << "," << c[2];
        std::vector<double> eye = apply(m, c[0], c[1], c[2]);
        EXPECT_NEAR(eye[0] * eye[0] + eye[1] * eye[1] + eye[2] * eye[2], 0, 1e-8);
    }
}

TEST_F(Camera, ViewPortIsThePerspectiveWithItsArgumentsReordered)
{
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    MOX_ViewPort(960, 540, 1.33f, 45.0f, 0.001f, 1000.0f);
    GLdouble p[16];
    glGetDoublev(GL_PROJECTION_MATRIX, p);
    double f = 1.0 / tan(22.5 * 3.141592653589793 / 180.0);
    EXPECT_NEAR(p[5], f, 1e-5);
    EXPECT_NEAR(p[0], f / 1.33, 1e-5);
    EXPECT_DOUBLE_EQ(p[11], -1.0);
    GLdouble q[16];
    glLoadIdentity();
    MOX_Perspective(45.0f, 1.33f, 0.001f, 1000.0f);
    glGetDoublev(GL_PROJECTION_MATRIX, q);
    for (int i = 0; i < 16; i++) EXPECT_DOUBLE_EQ(p[i], q[i]) << i;
    // Twice without an identity load: two frusta multiplied.
    glLoadIdentity();
    MOX_ViewPort(0, 0, 1.33f, 45.0f, 0.001f, 1000.0f);
    MOX_ViewPort(0, 0, 1.33f, 45.0f, 0.001f, 1000.0f);
    glGetDoublev(GL_PROJECTION_MATRIX, q);
    EXPECT_NEAR(q[5], f * f, 1e-4);
    EXPECT_NEAR(q[11], -p[10], 1e-9);
    GLint vp[4];
    glGetIntegerv(GL_VIEWPORT, vp);
    EXPECT_EQ(vp[2], kWidth);  // the GL viewport is not touched
    glMatrixMode(GL_MODELVIEW);
}

TEST_F(Camera, UpdateMatrixReplacesTheCurrentMatrix)
{
    float m[16];
    for (int i = 0; i < 16; i++) m[i] = float(i + 1);
    glMatrixMode(GL_MODELVIEW);
    glTranslatef(5, 5, 5);
    MOX_UpdateMatrix(m);
    GLfloat got[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, got);
    for (int i = 0; i < 16; i++) EXPECT_FLOAT_EQ(got[i], m[i]);
    glLoadIdentity();
}

}  // namespace
}  // namespace gltest
