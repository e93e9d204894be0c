// The content tool's parts: the TGA writer against a strict decoder, the
// OBJ writer against the converter, and the tool as the build runs it.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "core/corefile.h"
#include "demo/helpers.h"
#include "image.h"
#include "models.h"
#include "preview.h"
#include "tgaread.h"

namespace {

// Three rows that exercise the packer: one colour across 300 pixels (runs
// split at 128), all different (raw packets split at 128), and a mixture
// with runs of two and single pixels between them.
content_image packing_pattern()
{
    content_image im(300, 3);
    for (int x = 0; x < 300; x++) {
        uint8_t* a = im.at(x, 0);
        a[0] = 10, a[1] = 200, a[2] = 30, a[3] = 255;
        uint8_t* b = im.at(x, 1);
        b[0] = (uint8_t)x, b[1] = (uint8_t)(x >> 8), b[2] = 7, b[3] = (uint8_t)(x * 37);
        uint8_t* c = im.at(x, 2);
        const int v = (x % 5 < 2) ? 99 : x;
        c[0] = (uint8_t)v, c[1] = 50, c[2] = 60, c[3] = (x % 7) ? 255 : 0;
    }
    return im;
}

TEST(TgaWriter, PackedAndPlainFilesDecodeToWhatTheDemoSees)
{
    const content_image im = packing_pattern();
    for (tga_kind kind : {TGA_ALPHA32, TGA_KEYED24, TGA_OPAQUE24})
        for (bool rle : {false, true}) {
            const std::vector<uint8_t> file = EncodeTGA(im, kind, rle);
            const tga_picture p = DecodeTGA(file);
            ASSERT_EQ(p.error, "") << kind << rle;
            EXPECT_EQ(p.type, rle ? 10 : 2);
            EXPECT_EQ(p.depth, kind == TGA_ALPHA32 ? 32 : 24);
            ASSERT_EQ(p.width, 300);
            ASSERT_EQ(p.height, 3);
            EXPECT_EQ(p.rgba, AsLoaded(im, kind).rgba) << "kind " << kind << " rle " << rle;
            if (!rle) {
                EXPECT_EQ(file.size(), 18u + 300 * 3 * (kind == TGA_ALPHA32 ? 4 : 3));
            }
        }
    // The flat row packs into three runs: 128 + 128 + 44 pixels.
    content_image flat(300, 1);
    for (int x = 0; x < 300; x++) flat.at(x, 0)[3] = 255;
    EXPECT_EQ(EncodeTGA(flat, TGA_OPAQUE24, true).size(), 18u + 3 * 4);
}

TEST(TgaWriter, KeyedPicturesHideFaintPixelsAndNeverDrawTheKey)
{
    content_image im(3, 1);
    uint8_t* faint = im.at(0, 0);
    faint[0] = 255, faint[1] = 255, faint[2] = 255, faint[3] = 20;
    uint8_t* magenta = im.at(1, 0);
    magenta[0] = 250, magenta[1] = 0, magenta[2] = 250, magenta[3] = 255;
    uint8_t* half = im.at(2, 0);
    half[0] = 200, half[1] = 100, half[2] = 0, half[3] = 128;
    const tga_picture p = DecodeTGA(EncodeTGA(im, TGA_KEYED24, false));
    ASSERT_EQ(p.error, "");
    EXPECT_EQ(p.at(0, 0)[3], 0);    // below the threshold: the key
    EXPECT_EQ(p.at(1, 0)[3], 255);  // drawn magenta stays visible
    EXPECT_EQ(p.at(1, 0)[1], 16);
    EXPECT_EQ(p.at(2, 0)[3], 255);  // half covered: opaque over black
    EXPECT_EQ(p.at(2, 0)[0], 100);
    EXPECT_EQ(p.at(2, 0)[1], 50);
    // The reader keys 32-bit pictures as well: a drawn magenta survives there too.
    const tga_picture p32 = DecodeTGA(EncodeTGA(im, TGA_ALPHA32, false));
    ASSERT_EQ(p32.error, "");
    EXPECT_EQ(p32.at(1, 0)[3], 255);
    EXPECT_EQ(p32.at(1, 0)[1], 16);
    EXPECT_EQ(p32.at(0, 0)[3], 20);
}

TEST(ObjWriter, TheConverterGivesBackEveryCubeCentreAndColour)
{
    const std::vector<model_voxel> voxels = {{0, 0, 0, 255, 0, 0}, {3, -2, 7, 1, 2, 3}, {-31, 31, -1, 128, 64, 32}};
    FILE* f = fopen("cubes.obj", "wb");
    const std::string obj = ModelToObj(voxels, "cubes");
    fwrite(obj.data(), 1, obj.size(), f);
    fclose(f);
    ASSERT_TRUE(corefile_mountimage(".", COREFILE_DIRECTORY));
    testing::internal::CaptureStdout();
    const int written = ConvertObjToFile("cubes.obj", 0, "cubes.vxl");
    testing::internal::GetCapturedStdout();
    corefile_closeimage();
    ASSERT_EQ(written, 3);
    std::vector<float> rec(3 * VOXEL_FLOATS);
    f = fopen("cubes.vxl", "rb");
    int32_t n = 0;
    ASSERT_EQ(fread(&n, 4, 1, f), 1u);
    ASSERT_EQ(fread(rec.data(), 4, rec.size(), f), rec.size());
    fclose(f);
    EXPECT_EQ(n, 3);
    for (size_t i = 0; i < voxels.size(); i++) {
        const float* r = &rec[i * VOXEL_FLOATS];
        EXPECT_EQ(r[0], voxels[i].x * MODEL_CUBE);
        EXPECT_EQ(r[1], voxels[i].y * MODEL_CUBE);
        EXPECT_EQ(r[2], voxels[i].z * MODEL_CUBE);
        EXPECT_EQ(r[3], voxels[i].r / 255.0f);
        EXPECT_EQ(r[4], voxels[i].g / 255.0f);
        EXPECT_EQ(r[5], voxels[i].b / 255.0f);
    }
}

// Where the red pixels of a preview view lie: their mean column and row
// within the view, or -1 when there are none.
void RedCentre(const content_image& im, int view, double* x, double* y)
{
    double sx = 0, sy = 0, n = 0;
    for (int py = 0; py < im.height; py++)
        for (int px = 0; px < 640; px++) {
            const uint8_t* p = im.at(view * 640 + px, py);
            if (p[0] > 100 && p[1] < 50 && p[2] < 50) sx += px, sy += py, n++;
        }
    *x = n ? sx / n : -1;
    *y = n ? sy / n : -1;
}

TEST(Preview, ShowsTheObjectTheWayTheDemosCameraDoes)
{
    // The demo's eye looks along +z with y up, so +x is on the picture's
    // left; turned by 90 degrees, a cube at +x comes to the front (-z) and
    // sits in the middle, nearer and lower than the turning axis.
    const content_image left = PreviewModel({{8, 0, 0, 255, 0, 0}});
    const content_image right = PreviewModel({{-8, 0, 0, 255, 0, 0}});
    const content_image high = PreviewModel({{0, 8, 0, 255, 0, 0}});
    double lx, ly, rx, ry, hx, hy;
    RedCentre(left, 0, &lx, &ly);
    RedCentre(right, 0, &rx, &ry);
    RedCentre(high, 0, &hx, &hy);
    ASSERT_GE(lx, 0);
    ASSERT_GE(rx, 0);
    ASSERT_GE(hx, 0);
    EXPECT_LT(lx, 300);
    EXPECT_GT(rx, 340);
    EXPECT_NEAR(ly, ry, 1);
    EXPECT_LT(hy, ly);
    double tx, ty;
    RedCentre(left, 1, &tx, &ty);
    EXPECT_NEAR(tx, 320, 3);
}

TEST(ContentTool, ARunAgainGivesTheSameBytes)
{
    const std::string cmd = std::string(CONTENT_TOOL) + " out obj timing.dat > tool.log 2>&1";
    ASSERT_EQ(system("mkdir -p out obj"), 0);
    ASSERT_EQ(system(cmd.c_str()), 0) << readfile("tool.log").data();
    for (const char* name : {"veldrix.tga", "names.tga", "font_heatbig.tga", "splats2.tga", "floor.c3m", "chair.vxl",
                             "skull.vxl", "music.wav"}) {
        const std::vector<uint8_t> fresh = readfile(std::string("out/") + name);
        EXPECT_FALSE(fresh.empty()) << name;
        EXPECT_TRUE(fresh == readfile(std::string(CONTENT_ASSET_DIR) + "/" + name)) << name;
    }
    EXPECT_TRUE(readfile("timing.dat") == readfile(std::string(CONTENT_DEMO_DIR) + "/timing.dat"));
}

}  // namespace
