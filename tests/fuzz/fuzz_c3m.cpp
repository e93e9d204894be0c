// links: mox_demotoolkit mox_core
// Feeds arbitrary bytes to the C3M reader as a file of a mounted folder. The
// GL calls of Build are stood in for here (no context is needed), so every
// vertex and coordinate Build follows is read from the mesh's arrays, where
// the sanitizers watch it. A refused or removed mesh must give back all the
// memory it took.
#include "engine/platform/moxgl.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

#include "corefile.h"
#include "coremem.h"
#include "demo/c_mesh.h"

static std::string dir;
static volatile float sink;
static GLuint lists;

extern "C" {
GLuint glGenLists(GLsizei) { return ++lists; }
void glDeleteLists(GLuint, GLsizei) {}
void glNewList(GLuint, GLenum) {}
void glEndList() {}
void glBegin(GLenum) {}
void glEnd() {}
void glTexCoord2f(GLfloat u, GLfloat v) { sink = u + v; }
void glVertex3f(GLfloat x, GLfloat y, GLfloat z) { sink = x + y + z; }
void glCallList(GLuint) {}
}

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    char path[] = "/tmp/fuzz_c3m_XXXXXX";
    if (!mkdtemp(path)) return 1;
    dir = path;
    if (!freopen("/dev/null", "w", stdout)) return 1;  // the reader's log lines
    return corefile_mountimage(dir.c_str(), 2) ? 0 : 1;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FILE* f = fopen((dir + "/f.c3m").c_str(), "wb");
    if (!f) return 0;
    fwrite(data, 1, size, f);
    fclose(f);
    const uint32_t before = g_mem_in_use;
    {
        c_mesh mesh;
        mesh.Load("f.c3m");
        mesh.Draw();
        mesh.Remove();
        mesh.Remove();
    }
    if (g_mem_in_use != before) __builtin_trap();
    return 0;
}
