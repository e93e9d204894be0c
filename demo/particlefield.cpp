// The particle field: a voxel object turned into camera-facing squares that
// drift apart and grow. InitParticles spawns a field into the table;
// DrawParticles draws every particle of it once a frame, in immediate mode,
// and moves each one step. All squares of a field share one size, which
// grows with explosionCount.
//
// Each square is rotated back by -camrot so it faces the unturned camera;
// back-face culling stays on, so the vertex order below decides what shows.
#include "engine/platform/moxgl.h"

#include "core/corerand.h"
#include "demo/main.h"
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

void DrawParticles()
{
    if (MOX_rehearsing) {
        // The field's motion and age, without the squares.
        for (int i = 0; i < numparticles; i++) particle[i].Handle();
        explosionCount = float(double(explosionCount) + 0.01);
        return;
    }
    MOX_BindTextureFromBitmap(bmp_cubetexture);
    MOX_EnableRenderState(MOX_ALPHATEST);
    glBlendFunc(GL_ONE, GL_ONE);
    glEnable(GL_BLEND);

    const float size = float(double(explosionCount) * particle_scalefactor + particle_startsize);
    HandleCamera();
    glPushMatrix();
    for (int i = 0; i < numparticles; i++) {
        c_particle& p = particle[i];
        const float x = p.x, y = p.y, z = p.z;
        const float vlow = 0.25f * float(p.kind);
        const float vhigh = vlow + 0.25f;

        glPopMatrix();
        glPushMatrix();
        glTranslatef(x, 0, z);
        glRotatef(-camrot, 0, 1, 0);
        glBegin(GL_QUADS);
        glColor3f(p.r, p.g, p.b);
        // Stands on height y, reaching size to the left and upward; u runs
        // from 0 at the right edge to 1 at the left.
        glTexCoord2f(0, vlow);
        glVertex3f(0, y, 0);
        glTexCoord2f(1, vlow);
        glVertex3f(-size, y, 0);
        glTexCoord2f(1, vhigh);
        glVertex3f(-size, y + size, 0);
        glTexCoord2f(0, vhigh);
        glVertex3f(0, y + size, 0);
        // Its mirror image under the floor, for every other particle near it.
        if (demostate >= SCENE_TITLE && y < 2 && (i & 1)) {
            const float below = float(y + 0.1);
            glTexCoord2f(0, vlow);
            glVertex3f(0, -below, 0);
            glTexCoord2f(1, vlow);
            glVertex3f(-size, -below, 0);
            glTexCoord2f(1, vhigh);
            glVertex3f(-size, size - below, 0);
            glTexCoord2f(0, vhigh);
            glVertex3f(0, size - below, 0);
        }
        glEnd();
        p.Handle();
    }
    glPopMatrix();
    glDisable(GL_BLEND);
    MOX_DisableRenderState(MOX_ALPHATEST);

    explosionCount = float(double(explosionCount) + 0.01);
}
