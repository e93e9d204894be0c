// The web build's OpenGL layer: immediate mode and display lists drawn from
// arrays, shader text and texture formats adapted. Demo thread only, as
// every GL call.
#define MOXWEB_LAYER
#include "engine/platform/gl_web.h"

#include <cstring>
#include <map>
#include <vector>

namespace {

struct vertex {
    GLfloat x, y, z, s, t, r, g, b, a;
};

// A batch of vertices drawn with one mode (quads already made triangles).
struct batch {
    GLenum mode;
    std::vector<vertex> vertices;
    bool coloured;  // a colour was given inside: the colour array is drawn
};

struct state {
    GLfloat colour[4] = {1, 1, 1, 1};
    GLfloat coord[2] = {0, 0};
    GLenum mode = 0;
    bool inside = false;    // between Begin and End
    bool coloured = false;  // a colour was given since Begin
    std::vector<vertex> vertices;
    bool vertexarray = false, coordarray = false, colourarray = false;  // client arrays switched on
    GLuint recording = 0;                                               // the list being recorded, 0: none
    GLuint nextlist = 1;
    std::map<GLuint, std::vector<batch>> lists;
};
state gl;

// What OpenGL 1.1 draws that WebGL does not, as the modes it does draw.
GLenum drawnmode(GLenum mode)
{
    switch (mode) {
    case GL_QUADS: return GL_TRIANGLES;
    case GL_QUAD_STRIP: return GL_TRIANGLE_STRIP;  // the same vertex order
    case GL_POLYGON: return GL_TRIANGLE_FAN;
    default: return mode;
    }
}

// The vertices as drawn into `out`: each quad's four corners as two
// triangles, a last incomplete quad dropped, as OpenGL drops it. `out`
// keeps its room from call to call, so the frame loop allocates nothing.
void drawnvertices(GLenum mode, const std::vector<vertex>& v, std::vector<vertex>& out)
{
    out.clear();
    if (mode != GL_QUADS) {
        out.insert(out.end(), v.begin(), v.end());
        return;
    }
    for (size_t q = 0; q + 4 <= v.size(); q += 4)
        for (int k : {0, 1, 2, 0, 2, 3}) out.push_back(v[q + k]);
}

// Draws from client arrays and leaves the arrays' switches as it found
// them; the renderer sets its own pointers before each of its draws.
void draw(GLenum mode, const std::vector<vertex>& drawn, bool coloured)
{
    if (drawn.empty()) return;
    const vertex& v = drawn[0];
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glVertexPointer(3, GL_FLOAT, sizeof(vertex), &v.x);
    glTexCoordPointer(2, GL_FLOAT, sizeof(vertex), &v.s);
    if (coloured) {
        glEnableClientState(GL_COLOR_ARRAY);
        glColorPointer(4, GL_FLOAT, sizeof(vertex), &v.r);
    }
    glDrawArrays(mode, 0, GLsizei(drawn.size()));
    if (coloured && !gl.colourarray) glDisableClientState(GL_COLOR_ARRAY);
    if (!gl.vertexarray) glDisableClientState(GL_VERTEX_ARRAY);
    if (!gl.coordarray) glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    // The last colour given stays the current one, as after glEnd.
    if (coloured) {
        const vertex& last = drawn.back();
        glColor4f(last.r, last.g, last.b, last.a);
    }
}

void draw(const batch& b) { draw(b.mode, b.vertices, b.coloured); }

}  // namespace

GLuint moxweb_GenLists(GLsizei range)
{
    if (range <= 0) return 0;
    const GLuint first = gl.nextlist;
    gl.nextlist += GLuint(range);
    return first;
}

void moxweb_NewList(GLuint list, GLenum)
{
    if (list == 0 || gl.recording) return;
    gl.recording = list;
    gl.lists[list].clear();
}

void moxweb_EndList() { gl.recording = 0; }

void moxweb_CallList(GLuint list)
{
    auto found = gl.lists.find(list);
    if (found == gl.lists.end()) return;
    for (const batch& b : found->second) draw(b);
}

void moxweb_DeleteLists(GLuint list, GLsizei range)
{
    for (GLsizei i = 0; i < range; i++) gl.lists.erase(list + GLuint(i));
}

void moxweb_Begin(GLenum mode)
{
    gl.inside = true;
    gl.mode = mode;
    gl.coloured = false;
    gl.vertices.clear();
}

void moxweb_End()
{
    if (!gl.inside) return;
    gl.inside = false;
    static std::vector<vertex> drawn;
    drawnvertices(gl.mode, gl.vertices, drawn);
    gl.vertices.clear();
    if (gl.recording)
        gl.lists[gl.recording].push_back(batch{drawnmode(gl.mode), drawn, gl.coloured});
    else
        draw(drawnmode(gl.mode), drawn, gl.coloured);
}

void moxweb_Color4f(GLfloat r, GLfloat g, GLfloat b, GLfloat a)
{
    gl.colour[0] = r, gl.colour[1] = g, gl.colour[2] = b, gl.colour[3] = a;
    if (gl.inside)
        gl.coloured = true;
    else if (!gl.recording)
        glColor4f(r, g, b, a);
}

void moxweb_Color3f(GLfloat r, GLfloat g, GLfloat b) { moxweb_Color4f(r, g, b, 1.0f); }

void moxweb_TexCoord2f(GLfloat s, GLfloat t) { gl.coord[0] = s, gl.coord[1] = t; }

void moxweb_Vertex3f(GLfloat x, GLfloat y, GLfloat z)
{
    if (!gl.inside) return;
    gl.vertices.push_back({x, y, z, gl.coord[0], gl.coord[1], gl.colour[0], gl.colour[1], gl.colour[2], gl.colour[3]});
}

void moxweb_Vertex2f(GLfloat x, GLfloat y) { moxweb_Vertex3f(x, y, 0.0f); }

std::string moxweb_ShaderText(const char* source, int length)
{
    std::string text = length < 0 ? std::string(source) : std::string(source, size_t(length));
    const size_t start = text.find_first_not_of(" \t\r\n");
    if (start != std::string::npos && text.compare(start, 8, "#version") == 0) {
        const size_t end = text.find('\n', start);
        // The line break stays, so compiler messages keep their line numbers.
        text.erase(start, end == std::string::npos ? std::string::npos : end - start);
    }
    return text;
}

void moxweb_ShaderSource(GLuint shader, GLsizei count, const GLchar* const* strings, const GLint* lengths)
{
    std::string text;
    for (GLsizei i = 0; i < count; i++)
        text += std::string(strings[i], lengths && lengths[i] >= 0 ? size_t(lengths[i]) : strlen(strings[i]));
    text = moxweb_ShaderText(text.c_str(), int(text.size()));
    const GLchar* one = text.c_str();
    glShaderSource(shader, 1, &one, nullptr);
}

GLint moxweb_TextureFormat(GLint internalformat)
{
    switch (internalformat) {
    case 1: return GL_LUMINANCE;
    case 2: return GL_LUMINANCE_ALPHA;
    case 3: return GL_RGB;
    case 4: return GL_RGBA;
    case GL_DEPTH_COMPONENT: return GL_DEPTH_COMPONENT24;
    default: return internalformat;
    }
}

void moxweb_TexImage2D(GLenum target, GLint level, GLint internalformat, GLsizei width, GLsizei height, GLint border,
                       GLenum format, GLenum type, const void* pixels)
{
    glTexImage2D(target, level, moxweb_TextureFormat(internalformat), width, height, border, format, type, pixels);
}

void moxweb_Hint(GLenum target, GLenum mode)
{
    if (target != GL_PERSPECTIVE_CORRECTION_HINT) glHint(target, mode);
}

void moxweb_ShadeModel(GLenum) {}

void moxweb_TexParameteri(GLenum target, GLenum pname, GLint value)
{
    if (pname == GL_TEXTURE_WRAP_S || pname == GL_TEXTURE_WRAP_T) {
        if (value == GL_CLAMP) value = GL_CLAMP_TO_EDGE;
        if (value != GL_REPEAT && value != GL_CLAMP_TO_EDGE && value != GL_MIRRORED_REPEAT) return;
    }
    glTexParameteri(target, pname, value);
}

void moxweb_DrawElements(GLenum mode, GLsizei count, GLenum type, const void* indices)
{
    if (type != GL_UNSIGNED_BYTE || count <= 0) {
        glDrawElements(mode, count, type, indices);
        return;
    }
    static std::vector<GLushort> wide;
    wide.assign(static_cast<const GLubyte*>(indices), static_cast<const GLubyte*>(indices) + count);
    glDrawElements(mode, count, GL_UNSIGNED_SHORT, wide.data());
}

void moxweb_EnableClientState(GLenum array)
{
    if (array == GL_VERTEX_ARRAY) gl.vertexarray = true;
    if (array == GL_TEXTURE_COORD_ARRAY) gl.coordarray = true;
    if (array == GL_COLOR_ARRAY) gl.colourarray = true;
    glEnableClientState(array);
}

void moxweb_DisableClientState(GLenum array)
{
    if (array == GL_VERTEX_ARRAY) gl.vertexarray = false;
    if (array == GL_TEXTURE_COORD_ARRAY) gl.coordarray = false;
    if (array == GL_COLOR_ARRAY) gl.colourarray = false;
    glDisableClientState(array);
}
