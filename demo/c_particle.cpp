// Particles: spawn, motion step and the unused mesh draw. Colour depends on
// the scene event current at spawn (demostate): later scenes start with a
// wider and more saturated range of hues.
#include "demo/c_particle.h"

#include "engine/platform/moxgl.h"

#include <cmath>

#include "core/corerand.h"
#include "demo/demo.h"

void hsv2rgb(float h, float s, float v, float* r, float* g, float* b)
{
    const float hh = h / 60.0f;
    const float i = std::floor(hh);
    const float f = hh - i;
    const float p = (1.0f - s) * v;
    const float q = (1.0f - s * f) * v;
    const float t = (1.0f - s * (1.0f - f)) * v;
    switch (int(i)) {
    case 1:
        *r = q;
        *g = v;
        *b = p;
        break;
    case 2:
        *r = p;
        *g = v;
        *b = t;
        break;
    case 3:
        *r = p;
        *g = q;
        *b = v;
        break;
    case 4:
        *r = t;
        *g = p;
        *b = v;
        break;
    case 5:
        *r = v;
        *g = p;
        *b = q;
        break;
    default:
        *r = v;
        *g = t;
        *b = p;
        break;
    }
}

// (rand mod m) / 1000 + offset, in double, stored as a float.
static float randomspeed(int m, double offset) { return float((MOX_rand() % m) / 1000.0 + offset); }

void c_particle::Spawn(float x, float y, float z, float r, float g, float b, float ease, int mode)
{
    this->x = x;
    this->y = y;
    this->z = z;
    this->r = r;
    this->g = g;
    this->b = b;
    this->mode = mode / 2;

    const int d = demostate;
    const int basehue = d <= 5 ? 45 * d : 0;
    const int span = 40 * d < 359 ? 40 * d : 359;
    // Scene event 0 has no hue span; the number is drawn all the same, so
    // every spawn takes ten.
    const int drawn = MOX_rand();
    const int hue = (span > 0 ? drawn % span : 0) + basehue;
    hsv2rgb(float(hue), float(d) / 18.0f, 0.8f, &tr, &tg, &tb);

    MOX_rand();
    MOX_rand();
    MOX_rand();
    vx = vy = vz = 0;
    tvx = randomspeed(40, -0.02);
    tvy = this->mode == 1 ? randomspeed(40, -0.02) : randomspeed(20, 0.01);
    tvz = randomspeed(40, -0.02);
    this->ease = ease;
    MOX_rand();
    kind = MOX_rand() % 4;
    life = MOX_rand() % 500 + 500;
    alive = 1;
}

// a * (1 - e) + b * e, in double, stored as a float.
static float easeto(float a, float b, float e) { return float(double(a) * (1.0 - double(e)) + double(b) * e); }

// The colour's step towards its target: c * 0.998 + target * 0.002.
static float fadeto(float c, float target) { return float(double(c) * 0.998 + double(target) * 0.002); }

void c_particle::Handle()
{
    if (!alive) return;
    vx = easeto(vx, tvx, ease);
    vy = easeto(vy, tvy, ease);
    vz = easeto(vz, tvz, ease);
    x += vx;
    y += vy;
    z += vz;
    r = fadeto(r, tr);
    g = fadeto(g, tg);
    b = fadeto(b, tb);
    if (mode == 0) {
        // The bounce turns the target velocity; the velocity follows by easing.
        if (y < 0.1) {
            y = float(0.1 - 0.9 * tvy);
            tvy = float(-0.9 * tvy);
        }
        tvy = float(tvy - 0.0001);
    }
    life--;
    if (life <= 0) alive = 0;
}

void c_particle::Draw()
{
    if (!alive) return;
    glPushMatrix();
    glTranslatef(x, y, z);
    glScalef(0.1f, 0.1f, 0.1f);
    glRotatef(-camrot, 0, 1, 0);
    mesh_cube.Draw();
    glPopMatrix();
}
