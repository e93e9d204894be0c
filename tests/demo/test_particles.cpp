// Particles, the field, the pulse slots, the beat, the cameras and the blur
// passes: the order of the random draws, motion and bounce, the camera
// jumps, the squares and their mirror images on a real frame, and what the
// two blur passes do to a picture.
#include <cmath>
#include <cstring>

#include "core/corerand.h"
#include "demotest.h"
#include "glcalls.h"
#include "sound/audiodriver.h"

namespace {

using namespace demotest;

// The next n numbers the generator will give, without disturbing it.
std::vector<int> peek(unsigned seed, int n)
{
    MOX_srand(seed);
    std::vector<int> r(n);
    for (int& v : r) v = MOX_rand();
    MOX_srand(seed);
    return r;
}

TEST(Hsv, SectorsAndHuesPastAFullTurn)
{
    struct {
        float h, r, g, b;
    } cases[] = {{0, 1, 0, 0}, {120, 0, 1, 0}, {300, 1, 0, 1}, {450, 1, 0.5f, 0}, {90, 0.5f, 1, 0}, {-30, 1, 0.5f, 0}};
    for (const auto& c : cases) {
        float r, g, b;
        hsv2rgb(c.h, 1, 1, &r, &g, &b);
        EXPECT_FLOAT_EQ(r, c.r) << c.h;
        EXPECT_FLOAT_EQ(g, c.g) << c.h;
        EXPECT_FLOAT_EQ(b, c.b) << c.h;
    }
}

TEST(Particle, SpawnDrawsTenNumbersInItsOrder)
{
    demostate = SCENE_CAMERA;
    const std::vector<int> r = peek(77, 11);
    c_particle p;
    memset(&p, 0, sizeof p);
    p.Spawn(1, 2, 3, 0.1f, 0.2f, 0.3f, 0.6f, 3);
    EXPECT_EQ(MOX_rand(), r[10]);  // exactly ten were taken

    float tr, tg, tb;  // scene event 2: hues 90..169 at saturation 2/18
    hsv2rgb(float(r[0] % 80 + 90), 2.0f / 18.0f, 0.8f, &tr, &tg, &tb);
    EXPECT_EQ(p.tr, tr);
    EXPECT_EQ(p.tg, tg);
    EXPECT_EQ(p.tb, tb);
    EXPECT_EQ(p.mode, 1);  // 3 / 2: free mode, so tvy spans both ways
    EXPECT_EQ(p.tvx, float((r[4] % 40) / 1000.0 - 0.02));
    EXPECT_EQ(p.tvy, float((r[5] % 40) / 1000.0 - 0.02));
    EXPECT_EQ(p.tvz, float((r[6] % 40) / 1000.0 - 0.02));
    EXPECT_EQ(p.kind, r[8] % 4);
    EXPECT_EQ(p.life, r[9] % 500 + 500);
    EXPECT_EQ(p.alive, 1);
    EXPECT_EQ(p.vx, 0);
    EXPECT_EQ(p.x, 1);
    EXPECT_EQ(p.b, 0.3f);

    // Falling mode: always upwards at first.
    demostate = SCENE_TITLE;
    const std::vector<int> s = peek(78, 10);
    p.Spawn(0, 0, 0, 0, 0, 0, 0.5f, 0);
    EXPECT_EQ(p.mode, 0);
    EXPECT_EQ(p.tvy, float((s[5] % 20) / 1000.0 + 0.01));
    hsv2rgb(float(s[0] % 240), 6.0f / 18.0f, 0.8f, &tr, &tg, &tb);  // 0..239 from scene event 6 on
    EXPECT_EQ(p.tr, tr);
}

TEST(Particle, LivesItsStepsEasesAndBounces)
{
    demostate = SCENE_SKULL;
    c_particle p;
    p.Spawn(0, 5, 0, 1, 1, 1, 1, 0);
    p.life = 500;
    for (int i = 0; i < 499; i++) p.Handle();
    EXPECT_EQ(p.alive, 1);
    p.Handle();
    EXPECT_EQ(p.alive, 0);
    const float y = p.y;
    p.Handle();  // a dead particle stays where it stopped
    EXPECT_EQ(p.y, y);

    // Ease 1: the velocity is the target's at once; below the floor the
    // target turns upwards at 90 %, then gravity.
    p.Spawn(0, 0.2f, 0, 1, 1, 1, 1, 0);
    p.tvy = -0.15f;
    p.tvx = p.tvz = 0;
    p.Handle();
    EXPECT_FLOAT_EQ(p.vy, -0.15f);
    EXPECT_FLOAT_EQ(p.y, float(0.1 - 0.9 * -0.15));
    EXPECT_FLOAT_EQ(p.tvy, float(0.9 * 0.15 - 0.0001));

    // Ease 0: it never moves; the colour eases towards its target.
    p.Spawn(1, 2, 3, 0, 0, 0, 0, 2);
    p.tr = 1;
    p.Handle();
    EXPECT_EQ(p.x, 1);
    EXPECT_EQ(p.y, 2);
    EXPECT_FLOAT_EQ(p.r, 0.002f);
}

TEST(Field, APulseTurnsTheCameraOnceAndPulseOneNever)
{
    static float voxels[6 * 3] = {20, 40, 60, 1, 0.5f, 0.25f};
    laststate = 0;
    camrot = 7;
    eventpulse = 1;
    demostate = SCENE_NAMES;
    InitParticles(voxels, 1, 0.1f, 0.2f, 0.8f, 0);
    EXPECT_EQ(camrot, 7);
    EXPECT_FLOAT_EQ(particle[0].x, 1);
    EXPECT_FLOAT_EQ(particle[0].y, 4.5f);  // lifted by 2.5
    EXPECT_FLOAT_EQ(particle[0].z, 3);

    eventpulse = 3;
    const std::vector<int> r = peek(5, 1);
    InitParticles(voxels, 1, 0.1f, 0.2f, 0.8f, 0);
    EXPECT_EQ(camrot, float(r[0] % 360 + 45));
    EXPECT_EQ(laststate, 3);
    const std::vector<int> again = peek(9, 11);
    InitParticles(voxels, 1, 0.1f, 0.2f, 0.8f, 0);  // the same pulse again: no jump
    EXPECT_EQ(camrot, float(r[0] % 360 + 45));
    EXPECT_EQ(MOX_rand(), again[10]);  // only the spawn's ten were drawn

    // An empty field still resets the age, and may still turn the camera.
    explosionCount = 5;
    eventpulse = 4;
    InitParticles(voxels, 0, 0.1f, 0.2f, 0.8f, 0);
    EXPECT_EQ(numparticles, 0);
    EXPECT_EQ(explosionCount, 0);
    EXPECT_EQ(laststate, 4);
}

TEST_F(Demo, PulseSlotsShareTheSetsAndDrawSixteenSizes)
{
    const std::vector<int> r = peek(13371337, 17);
    InitPulse();
    EXPECT_EQ(MOX_rand(), r[16]);
    float* sets[8] = {shoe_voxeldata,  flower_voxeldata, camera_voxeldata, skull_voxeldata,
                      chair_voxeldata, shoe_voxeldata,   skull_voxeldata,  flower_voxeldata};
    int counts[8] = {kShoe, kFlower, kCamera, kSkull, kChair, kShoe, kSkull, kFlower};
    for (int k = 0; k < 8; k++) {
        EXPECT_EQ(pulse_voxeldata[k], sets[k]);
        EXPECT_EQ(pulse_numvoxels[k], counts[k]);
        float start = float(r[2 * k] % 100 + 10) / 450.0f;
        if (k == 2) start = float(start + 0.1);
        EXPECT_EQ(pulse_startsize[k], start) << k;
        EXPECT_EQ(pulse_scale[k], float(r[2 * k + 1] % (k == 2 ? 200 : 100) + 10) / 450.0f) << k;
    }
}

// The beat probe over a block mixed on the offline output.
TEST(Beat, ALoudToneAtTheProbesFrequencyIsABeatAndSilenceIsNot)
{
    audiodriver_setoutput(AUDIODRIVER_OFFLINE);
    Soundsystem_Init(44100, 16, 2);
    std::vector<int16_t> samples(44100 * 2);
    s_sound tone{};
    tone.channels = 2;
    tone.bits = 16;
    tone.size = uint32_t(samples.size() * 2);
    tone.length = uint32_t(samples.size());
    tone.data = samples.data();
    tone.volume = tone.volume_left = tone.volume_right = 255;
    tone.panning = 128;
    Soundsystem_SetFrequency(&tone, 44100);
    Soundsystem_PlaySound(&tone, 1);
    beatmultiplyer = 1;
    audiodriver_offline_play(nullptr, 2048 * 4 * 5);
    HandleBeat();
    EXPECT_EQ(beatmultiplyer, 1) << "silence";

    // On stereo output the probe walks left and right as one sequence: a
    // tone of 1306 Hz there is one of 2612 Hz per channel.
    for (size_t i = 0; i < samples.size(); i++)
        samples[i] = int16_t(20000 * std::sin(2 * M_PI * 2612.0 * double(i / 2) / 44100.0 + (i % 2) * M_PI));
    audiodriver_offline_play(nullptr, 2048 * 4 * 5);
    HandleBeat();
    EXPECT_EQ(beatmultiplyer, 2);
    Soundsystem_StopSound(&tone);
    Soundsystem_CloseAudio();
    audiodriver_setoutput(AUDIODRIVER_DEVICE);
}

// The scene buffer with the frame loop's 3D set-up.
void scene3d() { PrepareScene(buffers().scene); }

struct Lit {
    int count = 0, top = DEMO_HEIGHT, bottom = -1, left = DEMO_WIDTH, right = -1;
    int redleft = 0, redright = 0;  // red pixels in the left and right halves of the lit box
};

// Lit pixels of the scene buffer (top-down coordinates).
Lit lit()
{
    std::vector<uint32_t> px(size_t(DEMO_WIDTH) * DEMO_HEIGHT);
    glReadPixels(0, 0, DEMO_WIDTH, DEMO_HEIGHT, GL_RGBA, GL_UNSIGNED_BYTE, px.data());
    Lit l;
    for (int row = 0; row < DEMO_HEIGHT; row++)
        for (int x = 0; x < DEMO_WIDTH; x++) {
            uint32_t p = px[size_t(row) * DEMO_WIDTH + x] & 0xFFFFFF;
            if (!p) continue;
            int y = DEMO_HEIGHT - 1 - row;
            l.count++;
            l.top = std::min(l.top, y), l.bottom = std::max(l.bottom, y);
            l.left = std::min(l.left, x), l.right = std::max(l.right, x);
        }
    for (int row = 0; row < DEMO_HEIGHT; row++)
        for (int x = 0; x < DEMO_WIDTH; x++) {
            uint32_t p = px[size_t(row) * DEMO_WIDTH + x];
            const bool red = (p & 0xFF) > 0xC0 && !(p & 0xFF00) && ((p >> 16) & 0xFF) < 0x40;
            if (red) (x < (l.left + l.right) / 2 ? l.redleft : l.redright)++;
        }
    return l;
}

// The particle texture: row k of four has its own colour, and the left half
// of every row (u below 0.5) is red.
void particletexture()
{
    static bool made = false;
    if (made) return;
    made = true;
    MOX_CreateBitmap(64, 256, &bmp_cubetexture);
    for (int y = 0; y < 256; y++)
        for (int x = 0; x < 64; x++)
            MOX_DrawPixel(x, y, int(x < 32 ? 0xFFFF0000u : 0xFF0000FFu + uint32_t(y / 64) * 0x4000), bmp_cubetexture);
    MOX_UpdateBitmap(bmp_cubetexture);
}

void oneparticle(int index, float y, int kind)
{
    numparticles = index + 1;
    for (int i = 0; i <= index; i++) {
        memset(&particle[i], 0, sizeof particle[i]);
        particle[i].y = -100;  // the others out of sight, far under the floor
    }
    c_particle& p = particle[index];
    p.x = 0, p.y = y, p.z = 0;
    p.r = p.g = p.b = 1;
    p.kind = kind;
    particle_startsize = 1;
    particle_scalefactor = 0;
    explosionCount = 0;
}

TEST_F(Demo, ASquareFacesTheEyeAndMirrorsUnderTheFloorForOddParticlesBelow2)
{
    particletexture();
    camrot = 0;
    demostate = SCENE_TITLE;
    oneparticle(1, 1.99f, 0);
    scene3d();
    DrawParticles();
    const Lit mirrored = lit();
    oneparticle(0, 1.99f, 0);  // even: no mirror
    scene3d();
    DrawParticles();
    const Lit even = lit();
    ASSERT_GT(even.count, 100);
    EXPECT_GT(mirrored.count, even.count * 3 / 2);
    EXPECT_GT(mirrored.bottom, even.bottom + 20);  // the image reaches further down the picture

    demostate = SCENE_FLOWER;  // no floor yet: no mirror
    oneparticle(1, 1.99f, 0);
    scene3d();
    DrawParticles();
    EXPECT_EQ(lit().count, even.count);
    demostate = SCENE_TITLE;
    oneparticle(1, 2.0f, 0);  // at 2 itself: none
    scene3d();
    DrawParticles();
    EXPECT_LT(lit().count, mirrored.count * 3 / 4);

    // u = 0 lies at the particle (x = 0), which the eye looking along +z
    // sees on the left: the texture's red half is on the square's left.
    oneparticle(0, 3, 0);
    scene3d();
    DrawParticles();
    const Lit square = lit();
    EXPECT_GT(square.redleft, 100);
    EXPECT_LT(square.redright, square.redleft / 20);
    // Away from the axis and a camera yaw later: it still faces the eye.
    oneparticle(0, 3, 0);
    particle[0].x = 2;
    scene3d();
    DrawParticles();
    const Lit ahead = lit();
    camrot = 60;
    oneparticle(0, 3, 0);
    particle[0].x = 2;
    scene3d();
    DrawParticles();
    const Lit turned = lit();
    // Its picture has moved but kept its shape: a square turned away from
    // the eye by 60 degrees would show half its width.
    const double shape = double(ahead.right - ahead.left) / (ahead.bottom - ahead.top);
    const double turnedshape = double(turned.right - turned.left) / (turned.bottom - turned.top);
    EXPECT_NEAR(turnedshape, shape, 0.1 * shape);
    EXPECT_NE(turned.left, ahead.left);
    EXPECT_EQ(explosionCount, 0.01f);
}

TEST_F(Demo, SpriteRowThreeTakesTheBottomQuarterOfTheTexture)
{
    particletexture();
    for (int kind = 0; kind < 4; kind++) {
        oneparticle(0, 3, kind);
        scene3d();
        DrawParticles();
        // Sample the right (blue) half of the square: green tells the row.
        std::vector<uint32_t> px(size_t(DEMO_WIDTH) * DEMO_HEIGHT);
        glReadPixels(0, 0, DEMO_WIDTH, DEMO_HEIGHT, GL_RGBA, GL_UNSIGNED_BYTE, px.data());
        int green = -1;
        for (uint32_t p : px)
            if ((p >> 16 & 0xFF) == 0xFF) green = std::max(green, int(p >> 8 & 0xFF));
        EXPECT_EQ(green, 0x40 * kind) << "kind " << kind;
    }
}

// The field as the frame loop once drew it: one begin-end block per
// particle under its own translation and turn.
void drawoneatatime()
{
    MOX_BindTextureFromBitmap(bmp_cubetexture);
    MOX_EnableRenderState(MOX_ALPHATEST);
    glBlendFunc(GL_ONE, GL_ONE);
    glEnable(GL_BLEND);
    const float size = float(double(explosionCount) * particle_scalefactor + particle_startsize);
    HandleCamera();
    glPushMatrix();
    for (int i = 0; i < numparticles; i++) {
        c_particle& p = particle[i];
        const float x = p.x, y = p.y, z = p.z, vlow = 0.25f * float(p.kind), vhigh = vlow + 0.25f;
        glPopMatrix();
        glPushMatrix();
        glTranslatef(x, 0, z);
        glRotatef(-camrot, 0, 1, 0);
        glBegin(GL_QUADS);
        glColor3f(p.r, p.g, p.b);
        glTexCoord2f(0, vlow), glVertex3f(0, y, 0);
        glTexCoord2f(1, vlow), glVertex3f(-size, y, 0);
        glTexCoord2f(1, vhigh), glVertex3f(-size, y + size, 0);
        glTexCoord2f(0, vhigh), glVertex3f(0, y + size, 0);
        if (demostate >= SCENE_TITLE && y < 2 && (i & 1)) {
            const float below = float(y + 0.1);
            glTexCoord2f(0, vlow), glVertex3f(0, -below, 0);
            glTexCoord2f(1, vlow), glVertex3f(-size, -below, 0);
            glTexCoord2f(1, vhigh), glVertex3f(-size, size - below, 0);
            glTexCoord2f(0, vhigh), glVertex3f(0, size - below, 0);
        }
        glEnd();
        p.Handle();
    }
    glPopMatrix();
    glDisable(GL_BLEND);
    MOX_DisableRenderState(MOX_ALPHATEST);
    explosionCount = float(double(explosionCount) + 0.01);
}

// The whole field in one vertex array shows what one square at a time
// showed: a grown field of 32768 particles, mirrored over the floor and
// turned by the camera, drawn both ways from the same state. Only pixels on
// a square's edge may differ (where the corners' last bit of rounding moves
// an edge across a pixel centre), and few of them; the motion step and the
// field's age are the same; the field takes two draws.
TEST_F(Demo, TheFieldInOneArrayShowsWhatOneSquareAtATimeShowed)
{
    MOX_srand(4242);
    float* voxels = new float[size_t(DEMO_MAXPARTICLES) * 6];
    for (int i = 0; i < DEMO_MAXPARTICLES; i++) {
        float* v = voxels + 6 * i;
        v[0] = float(MOX_rand() % 400 - 200), v[1] = float(MOX_rand() % 200 - 60), v[2] = float(MOX_rand() % 400 - 200);
        v[3] = float(MOX_rand() % 100) / 400, v[4] = float(MOX_rand() % 100) / 400, v[5] = float(MOX_rand() % 100) / 400;
    }
    demostate = SCENE_TITLE;
    InitParticles(voxels, DEMO_MAXPARTICLES, 0.05f, 0.03f, 0.8f, 0);
    delete[] voxels;
    MOX_rehearsing = 1;
    for (int step = 0; step < 40; step++) DrawParticles();  // the field a little grown
    MOX_rehearsing = 0;
    camrot = 37.3f;
    bmp_cubetexture = s_bitmap{};
    particletexture();

    std::vector<c_particle> before(particle, particle + DEMO_MAXPARTICLES);
    const float age = explosionCount;
    scene3d();
    drawoneatatime();
    const std::vector<uint32_t> want = readbuffer(buffers().scene);
    const std::vector<c_particle> moved(particle, particle + DEMO_MAXPARTICLES);

    std::copy(before.begin(), before.end(), particle);
    explosionCount = age;
    scene3d();
    int squares = DEMO_MAXPARTICLES;
    for (int i = 1; i < DEMO_MAXPARTICLES; i += 2) squares += particle[i].y < 2;
    const int draws = glcalls_draws;
    DrawParticles();
    EXPECT_EQ(glcalls_draws - draws, (squares + 16383) / 16384) << squares << " squares, 16384 a draw";
    EXPECT_EQ(FieldDraws(), glcalls_draws - draws);
    const std::vector<uint32_t> got = readbuffer(buffers().scene);
    EXPECT_EQ(memcmp(moved.data(), particle, sizeof(c_particle) * DEMO_MAXPARTICLES), 0) << "the motion step differs";

    auto at = [&](const std::vector<uint32_t>& px, int x, int y) { return px[size_t(y) * DEMO_WIDTH + x] & 0xFFFFFF; };
    int lit = 0, differ = 0, inside = 0;
    for (int y = 1; y + 1 < DEMO_HEIGHT; y++)
        for (int x = 1; x + 1 < DEMO_WIDTH; x++) {
            const uint32_t w = at(want, x, y);
            lit += w != 0;
            if (at(got, x, y) == w) continue;
            differ++;
            // An edge passes here, in either picture, when a neighbour differs:
            // squares far off are a pixel or two, all edge.
            auto boundary = [&](const std::vector<uint32_t>& px) {
                const uint32_t c = at(px, x, y);
                return at(px, x - 1, y) != c || at(px, x + 1, y) != c || at(px, x, y - 1) != c || at(px, x, y + 1) != c;
            };
            const bool edge = boundary(want) || boundary(got);
            inside += !edge;
        }
    printf("the field: %d lit pixels, %d differ (all on edges: %d inside)\n", lit, differ, inside);
    EXPECT_GT(lit, 100000);
    EXPECT_EQ(inside, 0);
    EXPECT_LT(differ, lit / 200);
}

// A source picture in the scene buffer: black with one white 9 x 9 dot at
// (x, y) in 2D coordinates, and a grey 6 x 6 square at the centre; blurred
// into the blur buffer (first pass) and the output buffer (second).
struct Passes {
    std::vector<uint32_t> first, second;
};

Passes blurred(int x, int y, float zoom, float rgb)
{
    MOX_SetFrameBuffer(buffers().scene);
    MOX_ClearFrameBuffer(int(0xFF000000u));
    MOX_BindTexture(mox_whitetexture_id);
    MOX_DrawColorQuad(float(x - 4), float(y - 4), 9, 9, 1, 1, 1);
    MOX_DrawColorQuad(957, 537, 6, 6, 0.5f, 0.5f, 0.5f);
    DoZoomBlur(buffers().scene, buffers().blur, buffers().output, zoom, rgb);
    EXPECT_EQ(MOX_FrameBuffer, &MOX_framebuffers[buffers().output]);
    return {readbuffer(buffers().blur), readbuffer(buffers().output)};
}

uint32_t at(const std::vector<uint32_t>& f, int x, int y) { return f[size_t(y) * DEMO_WIDTH + x] & 0xFFFFFF; }

TEST_F(Demo, ZoomZeroCopiesAndTheZoomTapsRunOutwardFromEachPixel)
{
    Passes copy = blurred(1500, 300, 0, 0.7f);
    for (const std::vector<uint32_t>* f : {&copy.first, &copy.second}) {
        EXPECT_EQ(at(*f, 1500, 300), 0xFFFFFFu);
        EXPECT_EQ(at(*f, 1496, 296), 0xFFFFFFu);
        EXPECT_EQ(at(*f, 1505, 300), 0u);
        EXPECT_EQ(at(*f, 960, 540), 0x808080u);
    }

    // Each pixel of the first pass averages taps from itself outward, so
    // the dot's light reaches the pixels between it and the centre, and
    // none beyond it; the centre itself is untouched.
    Passes zoomed = blurred(1500, 300, 1, 0);
    int outward = 0, inward = 0;
    for (int d = 10; d < 40; d++) {
        outward += at(zoomed.first, 1500 + d, 300 - d * 240 / 540) != 0;
        inward += at(zoomed.first, 1500 - d, 300 + d * 240 / 540) != 0;
    }
    EXPECT_GT(inward, 15);
    EXPECT_EQ(outward, 0);
    EXPECT_EQ(at(zoomed.first, 960, 540), 0x808080u);

    // The second pass starts its taps towards (0.5, 0.6) and steps out: the
    // dot spreads away from that point, and with rgb 0 stays grey.
    int spread = 0;
    bool grey = true;
    for (int d = 6; d < 30; d++) {
        const uint32_t p = at(zoomed.second, 1500 + d, 300);
        spread += p != 0;
        grey &= (p & 0xFF) == ((p >> 16) & 0xFF);
    }
    EXPECT_GT(spread, 5);
    EXPECT_TRUE(grey);

    // An RGB split pulls the channels apart: red and blue differ somewhere.
    Passes split = blurred(1500, 300, 1, 1);
    bool fringe = false;
    for (int d = -40; d < 40; d++) {
        const uint32_t p = at(split.second, 1500 + d, 300);
        fringe |= (p & 0xFF) != ((p >> 16) & 0xFF);
    }
    EXPECT_TRUE(fringe);
}

TEST_F(Demo, EveryShaderSourceIsGlsl120AndBuildsWithoutAWord)
{
    const char* sources[] = {ff_zoomblur1, ff_zoomblur2, ff_post, ff_dof};
    for (const char* s : sources) {
        EXPECT_EQ(strncmp(s, "#version 120\n", 13), 0);
        testing::internal::CaptureStdout();
        int id = MOX_InitShader(vv_default, s);
        std::string log = testing::internal::GetCapturedStdout();
        EXPECT_GE(id, 0);
        EXPECT_EQ(log, "") << s;
    }
    EXPECT_EQ(strncmp(vv_default, "#version 120\n", 13), 0);
    EXPECT_FLOAT_EQ(focus, 0.1f);
}

}  // namespace
