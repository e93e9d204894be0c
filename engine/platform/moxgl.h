// OpenGL as the engine sees it: OpenGL 1.1 and the entry points past it that
// the renderer calls (shaders, programs and uniforms, glActiveTexture, the
// EXT frame-buffer calls). On Linux GLEW loads them; on Windows, where GLEW
// is not at hand, a loader of the engine's own fetches the same names with
// wglGetProcAddress once the context is current (glloader_win32.cpp), and
// the names below stand for its pointers. In the browser the emulation of
// the fixed-function pipeline over WebGL 2 answers, with the engine's layer
// over it (gl_web.h). The one place that tells the platforms apart outside
// the backends.
#pragma once

#ifdef _WIN32
#include <windows.h>  // before gl.h, which needs WINGDIAPI and APIENTRY
#include <GL/gl.h>
#include <GL/glext.h>

// Every entry point the engine, its tools and tests call beyond OpenGL 1.1:
// X(type of the pointer, name).
#define MOX_GL_ENTRYPOINTS(X)                                      \
    X(PFNGLACTIVETEXTUREPROC, glActiveTexture)                     \
    X(PFNGLCREATESHADERPROC, glCreateShader)                       \
    X(PFNGLSHADERSOURCEPROC, glShaderSource)                       \
    X(PFNGLCOMPILESHADERPROC, glCompileShader)                     \
    X(PFNGLGETSHADERIVPROC, glGetShaderiv)                         \
    X(PFNGLGETSHADERINFOLOGPROC, glGetShaderInfoLog)               \
    X(PFNGLDELETESHADERPROC, glDeleteShader)                       \
    X(PFNGLCREATEPROGRAMPROC, glCreateProgram)                     \
    X(PFNGLATTACHSHADERPROC, glAttachShader)                       \
    X(PFNGLDETACHSHADERPROC, glDetachShader)                       \
    X(PFNGLLINKPROGRAMPROC, glLinkProgram)                         \
    X(PFNGLVALIDATEPROGRAMPROC, glValidateProgram)                 \
    X(PFNGLGETPROGRAMIVPROC, glGetProgramiv)                       \
    X(PFNGLGETPROGRAMINFOLOGPROC, glGetProgramInfoLog)             \
    X(PFNGLDELETEPROGRAMPROC, glDeleteProgram)                     \
    X(PFNGLISPROGRAMPROC, glIsProgram)                             \
    X(PFNGLUSEPROGRAMPROC, glUseProgram)                           \
    X(PFNGLGETUNIFORMLOCATIONPROC, glGetUniformLocation)           \
    X(PFNGLGETUNIFORMFVPROC, glGetUniformfv)                       \
    X(PFNGLUNIFORM1IPROC, glUniform1i)                             \
    X(PFNGLUNIFORM1FPROC, glUniform1f)                             \
    X(PFNGLUNIFORM2FPROC, glUniform2f)                             \
    X(PFNGLUNIFORM3FPROC, glUniform3f)                             \
    X(PFNGLUNIFORM4FPROC, glUniform4f)                             \
    X(PFNGLUNIFORM1FVPROC, glUniform1fv)                           \
    X(PFNGLGENFRAMEBUFFERSEXTPROC, glGenFramebuffersEXT)           \
    X(PFNGLDELETEFRAMEBUFFERSEXTPROC, glDeleteFramebuffersEXT)     \
    X(PFNGLBINDFRAMEBUFFEREXTPROC, glBindFramebufferEXT)           \
    X(PFNGLFRAMEBUFFERTEXTURE2DEXTPROC, glFramebufferTexture2DEXT) \
    X(PFNGLCHECKFRAMEBUFFERSTATUSEXTPROC, glCheckFramebufferStatusEXT)

#define MOX_GL_DECLARE(type, name) extern type mox_##name;
MOX_GL_ENTRYPOINTS(MOX_GL_DECLARE)
#undef MOX_GL_DECLARE

#define glActiveTexture mox_glActiveTexture
#define glCreateShader mox_glCreateShader
#define glShaderSource mox_glShaderSource
#define glCompileShader mox_glCompileShader
#define glGetShaderiv mox_glGetShaderiv
#define glGetShaderInfoLog mox_glGetShaderInfoLog
#define glDeleteShader mox_glDeleteShader
#define glCreateProgram mox_glCreateProgram
#define glAttachShader mox_glAttachShader
#define glDetachShader mox_glDetachShader
#define glLinkProgram mox_glLinkProgram
#define glValidateProgram mox_glValidateProgram
#define glGetProgramiv mox_glGetProgramiv
#define glGetProgramInfoLog mox_glGetProgramInfoLog
#define glDeleteProgram mox_glDeleteProgram
#define glIsProgram mox_glIsProgram
#define glUseProgram mox_glUseProgram
#define glGetUniformLocation mox_glGetUniformLocation
#define glGetUniformfv mox_glGetUniformfv
#define glUniform1i mox_glUniform1i
#define glUniform1f mox_glUniform1f
#define glUniform2f mox_glUniform2f
#define glUniform3f mox_glUniform3f
#define glUniform4f mox_glUniform4f
#define glUniform1fv mox_glUniform1fv
#define glGenFramebuffersEXT mox_glGenFramebuffersEXT
#define glDeleteFramebuffersEXT mox_glDeleteFramebuffersEXT
#define glBindFramebufferEXT mox_glBindFramebufferEXT
#define glFramebufferTexture2DEXT mox_glFramebufferTexture2DEXT
#define glCheckFramebufferStatusEXT mox_glCheckFramebufferStatusEXT

// Fetches every entry point above for the current context; returns the
// number that the driver does not offer (0: all there).
int mox_loadgl();
#elif defined(__EMSCRIPTEN__)
#include "engine/platform/gl_web.h"  // WebGL 2 through the emulation, and the layer over it
#else
#include <GL/glew.h>
#endif
