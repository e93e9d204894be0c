// The particle field: a voxel object turned into camera-facing squares that
// drift apart and grow. InitParticles spawns a field into the table;
// DrawParticles draws every particle of it once a frame and moves each one
// step. All squares of a field share one size, which grows with
// explosionCount.
//
// Each square is turned back by -camrot so it faces the unturned camera;
// back-face culling stays on, so the corners' order decides what shows. The
// corners are placed here, on the CPU, as the particle's own translation and
// turn would place them, and the whole field goes to the GL as one vertex
// array in the particles' order: the squares meet the depth test and the
// additive blend one after another, as they would drawn one at a time, in
// a handful of draws instead of one per particle.
#include "engine/platform/moxgl.h"

#include <cmath>

#include "core/corerand.h"
#include "demo/demo.h"
#include "demo/scenes.h"
#include "engine/video/mox.h"

c_particle particle[DEMO_MAXPARTICLES];
int numparticles = 0;
float particle_startsize = 0;
float particle_scalefactor = 0;
float explosionCount = 0;
float camrot = 0;
int laststate = 0;

void InitParticles(float* voxels, int count, float startsize, float scalefactor, float ease, int mode)
{
    // A new pulse turns the camera; pulse 1 and a repeated pulse do not.
    if (eventpulse > 1 && eventpulse != laststate) {
        camrot = float(MOX_rand() % 360 + 45);
        laststate = eventpulse;
    }
    explosionCount = 0;
    // Voxel buffers and the table hold DEMO_MAXPARTICLES; a count beyond
    // (or a missing buffer) never reaches past them.
    if (count < 0 || !voxels) count = 0;
    if (count > DEMO_MAXPARTICLES) count = DEMO_MAXPARTICLES;
    numparticles = count;
    particle_startsize = startsize;
    particle_scalefactor = scalefactor;
    for (int i = 0; i < count; i++) {
        const float* v = voxels + 6 * i;
        particle[i].Spawn(float(v[0] / 20.0), float(v[1] / 20.0 + 2.5), float(v[2] / 20.0), v[3], v[4], v[5], ease,
                          mode);
    }
}

// One corner of a square as the GL takes it: position, texture, colour.
struct s_fieldcorner {
    float x, y, z;
    float u, v;
    float r, g, b, a;  // a is 1, as glColor3f leaves it
};

enum {
    FIELD_MAXSQUARES = DEMO_MAXPARTICLES + DEMO_MAXPARTICLES / 2,  // a square each, a mirror for every other
    FIELD_DRAWSQUARES = 16384,  // squares a draw: 65536 corners, as many as 16-bit indices reach
};
static s_fieldcorner fieldcorners[FIELD_MAXSQUARES * 4];  // this frame's squares, four corners each
static uint16_t fieldindices[FIELD_DRAWSQUARES * 6];      // two triangles a square, as GL_QUADS splits it
static int fielddraws = 0;                                // draws of the last drawn field

int FieldDraws() { return fielddraws; }

// A square in the particle's own frame, its corner (0, base) at (x, 0, z)
// after the turn by -camrot about the vertical: corners at px = 0 and
// px = -size, heights base and base + size.
static s_fieldcorner* addsquare(s_fieldcorner* c, float x, float z, float base, float size, float turncos,
                                float turnsin, float vlow, float vhigh, const c_particle& p)
{
    const float left = -size, top = base + size;
    const float lx = x + turncos * left, lz = z - turnsin * left;
    *c++ = {x, base, z, 0, vlow, p.r, p.g, p.b, 1};
    *c++ = {lx, base, lz, 1, vlow, p.r, p.g, p.b, 1};
    *c++ = {lx, top, lz, 1, vhigh, p.r, p.g, p.b, 1};
    *c++ = {x, top, z, 0, vhigh, p.r, p.g, p.b, 1};
    return c;
}

void DrawParticles()
{
    if (MOX_rehearsing) {
        // The field's motion and age, without the squares.
        for (int i = 0; i < numparticles; i++) particle[i].Handle();
        explosionCount = float(double(explosionCount) + 0.01);
        return;
    }
    if (fieldindices[1] == 0)
        for (int q = 0; q < FIELD_DRAWSQUARES; q++)
            for (int k = 0; k < 6; k++) fieldindices[6 * q + k] = uint16_t(4 * q + "\0\1\2\0\2\3"[k]);

    MOX_BindTextureFromBitmap(bmp_cubetexture);
    MOX_EnableRenderState(MOX_ALPHATEST);
    glBlendFunc(GL_ONE, GL_ONE);
    glEnable(GL_BLEND);

    const float size = float(double(explosionCount) * particle_scalefactor + particle_startsize);
    // The turn by -camrot degrees, as the GL builds its matrix: the sine and
    // cosine in double, kept as floats.
    const double turn = -double(camrot) * 3.14159265358979323846 / 180.0;
    const float turncos = float(std::cos(turn)), turnsin = float(std::sin(turn));
    const bool mirrors = demostate >= SCENE_TITLE;
    s_fieldcorner* c = fieldcorners;
    for (int i = 0; i < numparticles; i++) {
        c_particle& p = particle[i];
        const float vlow = 0.25f * float(p.kind);
        const float vhigh = vlow + 0.25f;
        // Stands on height y, reaching size to the left and upward; u runs
        // from 0 at the right edge to 1 at the left.
        c = addsquare(c, p.x, p.z, p.y, size, turncos, turnsin, vlow, vhigh, p);
        // Its mirror image under the floor, for every other particle near it.
        if (mirrors && p.y < 2 && (i & 1)) c = addsquare(c, p.x, p.z, -float(p.y + 0.1), size, turncos, turnsin, vlow, vhigh, p);
        p.Handle();
    }

    HandleCamera();
    glPushMatrix();
    glEnableClientState(GL_COLOR_ARRAY);
    const int squares = int(c - fieldcorners) / 4;
    fielddraws = 0;
    for (int first = 0; first < squares; first += FIELD_DRAWSQUARES) {
        const s_fieldcorner* from = fieldcorners + 4 * first;
        const int n = squares - first < FIELD_DRAWSQUARES ? squares - first : FIELD_DRAWSQUARES;
        glVertexPointer(3, GL_FLOAT, sizeof(s_fieldcorner), &from->x);
        glTexCoordPointer(2, GL_FLOAT, sizeof(s_fieldcorner), &from->u);
        glColorPointer(4, GL_FLOAT, sizeof(s_fieldcorner), &from->r);
        glDrawElements(GL_TRIANGLES, 6 * n, GL_UNSIGNED_SHORT, fieldindices);
        fielddraws++;
    }
    glDisableClientState(GL_COLOR_ARRAY);
    glPopMatrix();
    glDisable(GL_BLEND);
    MOX_DisableRenderState(MOX_ALPHATEST);

    explosionCount = float(double(explosionCount) + 0.01);
}
