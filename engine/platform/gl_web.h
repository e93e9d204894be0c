// OpenGL in the browser: the browser's WebGL 2 with Emscripten's emulation of
// the fixed-function pipeline gives the renderer nearly all it calls; this
// layer fills the gaps, in one place:
// - immediate mode keeps colour and texture coordinate per vertex (the
//   emulation keeps only what was set before glBegin): vertices are gathered
//   here and drawn from arrays, quads as triangles;
// - display lists, which WebGL lacks, are recorded here and replayed as
//   arrays;
// - GLSL 1.20 sources lose their #version line, above which the emulation
//   would put its own declarations;
// - byte indices are widened to the 16-bit ones the emulation reads;
// - state calls WebGL refuses are dropped or mapped;
// - the unsized texture formats of OpenGL 1.0 (1 to 4 components) become the
//   formats WebGL names;
// - the EXT frame-buffer calls are the core ones.
// moxgl.h includes it for the web build only; the functions are plain C++
// over OpenGL 1.1, so the native tests run them against a desktop context.
#pragma once
#include <string>

#ifdef __EMSCRIPTEN__
#define GL_GLEXT_PROTOTYPES  // the entry points past 1.1 are plain functions there
#include <GL/gl.h>
#include <GL/glext.h>
#else
#include <GL/glew.h>
#endif

// Display lists: numbers from 1, recorded between moxweb_NewList and
// moxweb_EndList (GL_COMPILE only: the calls are kept, not run).
GLuint moxweb_GenLists(GLsizei range);
void moxweb_NewList(GLuint list, GLenum mode);
void moxweb_EndList();
void moxweb_CallList(GLuint list);
void moxweb_DeleteLists(GLuint list, GLsizei range);

// Immediate mode, drawn at moxweb_End (or kept, inside a list).
void moxweb_Begin(GLenum mode);
void moxweb_End();
void moxweb_Color4f(GLfloat r, GLfloat g, GLfloat b, GLfloat a);
void moxweb_Color3f(GLfloat r, GLfloat g, GLfloat b);
void moxweb_TexCoord2f(GLfloat s, GLfloat t);
void moxweb_Vertex3f(GLfloat x, GLfloat y, GLfloat z);
void moxweb_Vertex2f(GLfloat x, GLfloat y);

// A shader source as the emulation compiles it: the #version line dropped.
std::string moxweb_ShaderText(const char* source, int length);
void moxweb_ShaderSource(GLuint shader, GLsizei count, const GLchar* const* strings, const GLint* lengths);

// The client arrays switched on, kept here as well: the emulation does not
// answer glIsEnabled for them, and the layer's own draws must leave them as
// the renderer set them.
void moxweb_EnableClientState(GLenum array);
void moxweb_DisableClientState(GLenum array);

// glDrawElements from client memory: the emulation reads 16-bit indices
// only, so byte indices are widened first.
void moxweb_DrawElements(GLenum mode, GLsizei count, GLenum type, const void* indices);

// State calls WebGL refuses with an error where OpenGL 1.1 had them: the
// perspective hint and the shading model (WebGL always interpolates), and
// wrap modes it lacks (GL_CLAMP is clamping to the edge; an unknown mode
// leaves the texture as it was, as OpenGL does after its error).
void moxweb_Hint(GLenum target, GLenum mode);
void moxweb_ShadeModel(GLenum mode);
void moxweb_TexParameteri(GLenum target, GLenum pname, GLint value);

// glTexImage2D with the internal formats 1..4 named as WebGL names them.
GLint moxweb_TextureFormat(GLint internalformat);
void moxweb_TexImage2D(GLenum target, GLint level, GLint internalformat, GLsizei width, GLsizei height, GLint border,
                       GLenum format, GLenum type, const void* pixels);

// The renderer's calls go through the layer; the layer itself (MOXWEB_LAYER)
// calls the emulation's.
#if defined(__EMSCRIPTEN__) && !defined(MOXWEB_LAYER)
#define glGenLists moxweb_GenLists
#define glNewList moxweb_NewList
#define glEndList moxweb_EndList
#define glCallList moxweb_CallList
#define glDeleteLists moxweb_DeleteLists
#define glBegin moxweb_Begin
#define glEnd moxweb_End
#define glColor4f moxweb_Color4f
#define glColor3f moxweb_Color3f
#define glTexCoord2f moxweb_TexCoord2f
#define glVertex3f moxweb_Vertex3f
#define glVertex2f moxweb_Vertex2f
#define glShaderSource moxweb_ShaderSource
#define glTexImage2D moxweb_TexImage2D
#define glDrawElements moxweb_DrawElements
#define glEnableClientState moxweb_EnableClientState
#define glDisableClientState moxweb_DisableClientState
#define glHint moxweb_Hint
#define glShadeModel moxweb_ShadeModel
#define glTexParameteri moxweb_TexParameteri
#define glGenFramebuffersEXT glGenFramebuffers
#define glDeleteFramebuffersEXT glDeleteFramebuffers
#define glBindFramebufferEXT glBindFramebuffer
#define glFramebufferTexture2DEXT glFramebufferTexture2D
#define glCheckFramebufferStatusEXT glCheckFramebufferStatus
#endif
