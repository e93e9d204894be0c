// GLSL programs in a fixed table addressed by index, uniforms set by name,
// and the camera's perspective and look-at matrices.
//
// Demo thread only, with the GL context current. Every shader call does
// nothing while MOX_shaders_enabled is 0, yet MOX_InitShader still hands out
// indices then. A null source gives -1 and leaves the record free, so the
// next program takes that index. Compile and link logs are printed, never
// fatal: the index is returned all the same.
#include "engine/platform/moxgl.h"  // OpenGL 2.0 shader entry points

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "engine/video/mox.h"

// --- module state ----------------------------------------------------------

s_shader MOX_shader[MOX_MAXSHADERS];
int MOX_numshaders = 0;

// Largest source file taken; shader sources are a few kilobytes.
static const long mox_maxsourcebytes = 16L << 20;

// --- programs ------------------------------------------------------------------

static bool mox_validshader(int index) { return index >= 0 && index < MOX_numshaders; }

// Prints a non-empty compile log (warnings included).
static void validateShader(GLuint shader, const char* label)
{
    GLchar log[512] = {0};
    GLsizei length = 0;
    glGetShaderInfoLog(shader, sizeof log, &length, log);
    if (length > 0) printf("Shader %u,%s,compiler error: %s\n", shader, label ? label : "", log);
}

static void validateProgram(GLuint program)
{
    GLchar log[512] = {0};
    GLsizei length = 0;
    glGetProgramInfoLog(program, sizeof log, &length, log);
    if (length > 0) printf("Program %u,link error: %s\n", program, log);
    glValidateProgram(program);
    GLint status = GL_FALSE;
    glGetProgramiv(program, GL_VALIDATE_STATUS, &status);
    if (status == GL_FALSE) printf("Error validating shader %u\n", program);
}

int MOX_InitShader(const char* vertexsource, const char* fragmentsource)
{
    int index = MOX_numshaders;
    if (index >= MOX_MAXSHADERS) {
        printf("[MOX] shader table full (%d): program not created\n", MOX_MAXSHADERS);
        return -1;
    }
    if (MOX_shaders_enabled) {
        // Checked before any GL object is made, so a refusal leaves nothing behind.
        if (!vertexsource || !fragmentsource) {
            printf("Either vertex shader or fragment shader file not found.");
            fflush(stdout);
            return -1;
        }
        s_shader& s = MOX_shader[index];
        s.vertexshader = glCreateShader(GL_VERTEX_SHADER);
        s.fragmentshader = glCreateShader(GL_FRAGMENT_SHADER);
        glShaderSource(s.vertexshader, 1, &vertexsource, nullptr);
        glShaderSource(s.fragmentshader, 1, &fragmentsource, nullptr);
        glCompileShader(s.vertexshader);
        validateShader(s.vertexshader, "vertexshader");
        glCompileShader(s.fragmentshader);
        validateShader(s.fragmentshader, "fragmentshader");
        s.program = glCreateProgram();
        glAttachShader(s.program, s.fragmentshader);
        glAttachShader(s.program, s.vertexshader);
        glLinkProgram(s.program);
        validateProgram(s.program);
    } else {
        MOX_shader[index] = s_shader{0, 0, 0};
    }
    MOX_numshaders++;
    return index;
}

char* textFileRead(const char* path)
{
    if (!path) return nullptr;
    FILE* f = fopen(path, "r");
    if (!f) return nullptr;
    char* text = nullptr;
    long size = -1;
    if (fseek(f, 0, SEEK_END) == 0) size = ftell(f);
    if (size > mox_maxsourcebytes) {
        printf("[MOX] %s: %ld bytes is too large for a shader source\n", path, size);
    } else if (size >= 1) {
        rewind(f);
        text = static_cast<char*>(malloc(size_t(size) + 1));
        if (text) {
            size_t got = fread(text, 1, size_t(size), f);
            text[got] = '\0';
            if (got == 0) {  // a directory, or a read error: no source, as an empty file
                free(text);
                text = nullptr;
            }
        }
    }
    fclose(f);
    return text;
}

int MOX_LoadShader(const char* vertexpath, const char* fragmentpath)
{
    char* vertex = textFileRead(vertexpath);
    char* fragment = textFileRead(fragmentpath);
    int index = MOX_InitShader(vertex, fragment);
    free(vertex);  // GL keeps its own copy of the sources
    free(fragment);
    return index;
}

void MOX_DeleteShader(int index)
{
    if (!MOX_shaders_enabled || !mox_validshader(index)) return;
    const s_shader& s = MOX_shader[index];
    glDetachShader(s.program, s.fragmentshader);
    glDetachShader(s.program, s.vertexshader);
    glDeleteShader(s.fragmentshader);
    glDeleteShader(s.vertexshader);
    glDeleteProgram(s.program);
}

void MOX_BindShader(int index)
{
    if (!MOX_shaders_enabled || !mox_validshader(index)) return;
    glUseProgram(MOX_shader[index].program);
}

void MOX_UnbindShader()
{
    if (!MOX_shaders_enabled) return;
    glUseProgram(0);
}

// Binds the program and finds the uniform; -1 (ignored by GL) when absent.
static GLint mox_uniform(int index, const char* name)
{
    MOX_BindShader(index);
    return glGetUniformLocation(MOX_shader[index].program, name);
}

void MOX_SetShaderUniform1i(int index, const char* name, int value)
{
    if (!MOX_shaders_enabled || !mox_validshader(index)) return;
    glUniform1i(mox_uniform(index, name), value);
}

void MOX_SetShaderUniform1f(int index, const char* name, float value)
{
    if (!MOX_shaders_enabled || !mox_validshader(index)) return;
    glUniform1f(mox_uniform(index, name), value);
}

void MOX_SetShaderUniform2f(int index, const char* name, float a, float b)
{
    if (!MOX_shaders_enabled || !mox_validshader(index)) return;
    glUniform2f(mox_uniform(index, name), a, b);
}

void MOX_SetShaderUniform3f(int index, const char* name, float a, float b, float c)
{
    if (!MOX_shaders_enabled || !mox_validshader(index)) return;
    glUniform3f(mox_uniform(index, name), a, b, c);
}

void MOX_SetShaderUniform4f(int index, const char* name, float a, float b, float c, float d)
{
    if (!MOX_shaders_enabled || !mox_validshader(index)) return;
    glUniform4f(mox_uniform(index, name), a, b, c, d);
}

void MOX_SetShaderUniform1fv(int index, const char* name, int count, const float* values)
{
    if (!MOX_shaders_enabled || !mox_validshader(index)) return;
    glUniform1fv(mox_uniform(index, name), count, values);
}

// --- camera ----------------------------------------------------------------------

void MOX_ViewPort(int, int, float aspect, float fovy, float znear, float zfar)
{
    double top = tan(double(fovy) * 3.141592653589793 / 360.0) * double(znear);
    glFrustum(-top * aspect, top * aspect, -top, top, znear, zfar);
}

void MOX_LookAt(float eyex, float eyey, float eyez, float centrex, float centrey, float centrez)
{
    const double degrees = 57.29577951308232;
    double dx = double(eyex) - double(centrex);
    double dy = double(eyey) - double(centrey);
    double dz = double(eyez) - double(centrez);
    if (dx == 0 && dy == 0 && dz == 0) return;
    if (dx == 0 && dz == 0) {
        // Straight above or below: the offset, not the eye, is undone.
        glRotated(dy < 0 ? -90.0 : 90.0, 1.0, 0.0, 0.0);
        glTranslated(-dx, -dy, -dz);
        return;
    }
    double horizontal = dx != 0 ? hypot(dx, dz) : dz;
    double length = dz == 0 ? hypot(dx, dy) : dy != 0 ? hypot(dy, horizontal) : horizontal;
    double pitch = asin(dy / length) * degrees;
    double yaw0 = asin(dx / horizontal) * degrees;
    glRotated(pitch, 1.0, 0.0, 0.0);
    double yaw = dz < 0 ? yaw0 + 180.0 : 360.0 - yaw0;
    glRotated(yaw, 0.0, 1.0, 0.0);
    glTranslated(-double(eyex), -double(eyey), -double(eyez));
}

void MOX_UpdateMatrix(const float* m) { glLoadMatrixf(m); }

void MOX_UpdateVertexData(float*, int, int) {}
void MOX_DrawFaceList(int, int) {}
