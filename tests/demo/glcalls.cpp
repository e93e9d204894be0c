// Counts the draws a test program makes: the GL's own entry points are
// defined here, so every call made in the program (the engine's, the
// demo's) lands here first and goes on to the GL's.
#include <dlfcn.h>

#include "engine/platform/moxgl.h"
#include "glcalls.h"

int glcalls_draws = 0;

template <typename F>
static F next(const char* name)
{
    return reinterpret_cast<F>(dlsym(RTLD_NEXT, name));
}

extern "C" {

void glBegin(GLenum mode)
{
    static auto real = next<void (*)(GLenum)>("glBegin");
    glcalls_draws++;
    real(mode);
}

void glDrawArrays(GLenum mode, GLint first, GLsizei count)
{
    static auto real = next<void (*)(GLenum, GLint, GLsizei)>("glDrawArrays");
    glcalls_draws++;
    real(mode, first, count);
}

void glDrawElements(GLenum mode, GLsizei count, GLenum type, const void* indices)
{
    static auto real = next<void (*)(GLenum, GLsizei, GLenum, const void*)>("glDrawElements");
    glcalls_draws++;
    real(mode, count, type, indices);
}

void glCallList(GLuint list)
{
    static auto real = next<void (*)(GLuint)>("glCallList");
    glcalls_draws++;
    real(list);
}
}
