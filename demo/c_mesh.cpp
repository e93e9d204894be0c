// C3M meshes: header, vertices, face groups, then per channel the
// coordinates and the coordinate indices of face group 0. All numbers are
// little-endian; every count is 16-bit.
//
// Demo thread only, GL context current. Every count is checked against the
// bytes the file really has before anything is allocated, and every index
// against its count before Build may follow it; a file that fails either is
// refused whole. The arrays come from the debug allocator under the name
// "c_mesh", so a leak shows in its totals.
#include "demo/c_mesh.h"

#include "engine/platform/moxgl.h"  // display lists and immediate mode: OpenGL 1.1 only

#include <cstdio>
#include <cstring>

#include "corefile.h"
#include "coremem.h"

namespace {

// Reads fields in file order while counting what the file still holds.
struct c3m_reader {
    corefile_handle h;
    int64_t left;
    template <typename T>
    bool field(T* out)
    {
        if (left < (int64_t)sizeof(T)) return false;
        corefile_read(out, sizeof(T), 1, &h);
        left -= sizeof(T);
        return true;
    }
    bool has(int64_t bytes) const { return left >= bytes; }
};

void* mesh_alloc(int64_t bytes)
{
    // Zeroed, so the coordinate indices of groups past the first read as 0.
    void* p = _wrap_malloc_dbg((int)(bytes > 0 ? bytes : 1), "c_mesh", __LINE__);
    if (p) memset(p, 0, (size_t)(bytes > 0 ? bytes : 1));
    return p;
}

void mesh_free(void* p)
{
    if (p) _wrap_free_dbg(p, "c_mesh", __LINE__);
}

void compile(const c_mesh& m, int group, int channel)
{
    const float* uv = m.uv[channel];
    glBegin(GL_TRIANGLES);
    for (int f = 0; f < m.numfaces[group]; f++) {
        const c_face& face = m.faces[group][f];
        const uint16_t corner[3] = {face.vert0, face.vert1, face.vert2};
        const uint16_t* index = channel == 0 ? face.uv0 : face.uv1;
        for (int k = 0; k < 3; k++) {
            glTexCoord2f(uv[index[k] * 2], uv[index[k] * 2 + 1]);
            const float* v = m.verts + corner[k] * 3;
            glVertex3f(v[0], v[1], v[2]);
        }
    }
    glEnd();
}

}  // namespace

void c_mesh::Load(const char* name)
{
    Remove();
    if (list) glDeleteLists(list, 1);
    if (list2) glDeleteLists(list2, 1);
    list = list2 = 0;

    c3m_reader r;
    memset(&r.h, 0, sizeof r.h);
    if (!corefile_open(name, &r.h, 0)) {
        printf("%s: mesh not found\n", name);
        return;
    }
    r.left = r.h.size;
    const char* refused = nullptr;

    uint8_t id[4];
    uint16_t verts16 = 0, groups16 = 0, channels16 = 0, flags = 0;
    if (!r.has(12)) {
        refused = "shorter than its header";
    } else {
        r.field(&id);
        r.field(&verts16);
        r.field(&groups16);
        r.field(&channels16);
        r.field(&flags);
        printf("id: %c%c%c%c,verts: %d, facegroups: %d, uvchannels: %d, flags: %d\n", id[3], id[2], id[1], id[0],
               verts16, groups16, channels16, flags);
        if (groups16 > MESH_MAXGROUPS)
            refused = "more than 8 face groups";
        else if (channels16 < 1 || channels16 > MESH_MAXCHANNELS)
            refused = "needs 1 or 2 texture coordinate channels";
    }

    numverts = verts16;
    facegroups = groups16;
    uvchannels = channels16;
    if (!refused && !r.has((int64_t)numverts * 12)) refused = "short in its vertices";
    if (!refused) {
        verts = (float*)mesh_alloc((int64_t)numverts * 12);
        if (!verts) refused = "no memory";
        for (int i = 0; !refused && i < numverts * 3; i++) r.field(&verts[i]);
    }
    for (int g = 0; !refused && g < facegroups; g++) {
        uint16_t count = 0, word = 0;
        if (!r.field(&count) || !r.field(&word) || !r.has((int64_t)count * 8)) {
            refused = "short in its faces";
            break;
        }
        numfaces[g] = count;
        groupword[g] = word;
        faces[g] = (c_face*)mesh_alloc((int64_t)count * (int64_t)sizeof(c_face));
        if (!faces[g]) {
            refused = "no memory";
            break;
        }
        for (int f = 0; f < count; f++) {
            c_face& face = faces[g][f];
            r.field(&face.vert0);
            r.field(&face.vert1);
            r.field(&face.vert2);
            r.field(&face.faceword);
        }
    }
    const int first = facegroups > 0 ? numfaces[0] : 0;
    for (int c = 0; !refused && c < uvchannels; c++) {
        uint16_t count = 0, skipped = 0;
        if (!r.field(&count) || !r.field(&skipped) || !r.has((int64_t)count * 8 + (int64_t)first * 6)) {
            refused = "short in its texture coordinates";
            break;
        }
        numuvs[c] = count;
        uv[c] = (float*)mesh_alloc((int64_t)count * 8);
        if (!uv[c]) {
            refused = "no memory";
            break;
        }
        for (int i = 0; i < count * 2; i++) r.field(&uv[c][i]);
        for (int f = 0; f < first; f++) {
            uint16_t* index = c == 0 ? faces[0][f].uv0 : faces[0][f].uv1;
            for (int k = 0; k < 3; k++) r.field(&index[k]);
        }
    }
    corefile_close(&r.h);

    // Every index Build follows must lie inside its array.
    for (int g = 0; !refused && g < facegroups; g++)
        for (int f = 0; !refused && f < numfaces[g]; f++) {
            const c_face& face = faces[g][f];
            if (face.vert0 >= numverts || face.vert1 >= numverts || face.vert2 >= numverts)
                refused = "vertex index out of range";
            for (int k = 0; k < 3; k++) {
                if (face.uv0[k] >= numuvs[0] || (uvchannels > 1 && face.uv1[k] >= numuvs[1]))
                    refused = "texture coordinate index out of range";
            }
        }

    if (refused) {
        printf("%s: mesh refused, %s\n", name, refused);
        Remove();
        return;
    }
    Build();
}

void c_mesh::Build()
{
    for (int g = 0; g < facegroups; g++) {
        // Only the last group's lists are kept; the ones they replace go.
        if (list) glDeleteLists(list, 1);
        if (list2) glDeleteLists(list2, 1);
        list2 = 0;
        list = glGenLists(1);
        glNewList(list, GL_COMPILE);
        compile(*this, g, 0);
        glEndList();
        if (uvchannels > 1) {
            list2 = glGenLists(1);
            glNewList(list2, GL_COMPILE);
            compile(*this, g, 1);
            glEndList();
        }
    }
}

// A mesh never loaded has no list; calling list 0 would only raise a GL error.
void c_mesh::Draw()
{
    if (list) glCallList(list);
}

void c_mesh::Remove()
{
    for (c_face*& f : faces) {
        mesh_free(f);
        f = nullptr;
    }
    for (float*& c : uv) {
        mesh_free(c);
        c = nullptr;
    }
    mesh_free(verts);
    verts = nullptr;
    memset(numfaces, 0, sizeof numfaces);
    memset(numuvs, 0, sizeof numuvs);
    numverts = facegroups = uvchannels = 0;
}
