// The Windows side of moxgl.h: the engine's entry points past OpenGL 1.1,
// fetched by name for the context current on the calling thread. Some
// drivers answer a missing name with a small number or -1 instead of null;
// those count as missing too.
#include "engine/platform/moxgl.h"

#include <cstdint>

#define MOX_GL_DEFINE(type, name) type mox_##name = nullptr;
MOX_GL_ENTRYPOINTS(MOX_GL_DEFINE)
#undef MOX_GL_DEFINE

static void* mox_glproc(const char* name)
{
    void* p = reinterpret_cast<void*>(wglGetProcAddress(name));
    const intptr_t v = reinterpret_cast<intptr_t>(p);
    if (v == 0 || v == 1 || v == 2 || v == 3 || v == -1) return nullptr;
    return p;
}

int mox_loadgl()
{
    int missing = 0;
#define MOX_GL_LOAD(type, name)                             \
    mox_##name = reinterpret_cast<type>(mox_glproc(#name)); \
    if (!mox_##name) missing++;
    MOX_GL_ENTRYPOINTS(MOX_GL_LOAD)
#undef MOX_GL_LOAD
    return missing;
}
