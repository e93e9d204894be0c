// links: mox_image mox_core
// Feeds arbitrary bytes to the TGA reader as a file of a mounted folder, and
// the same file to the font loader, which scans the image's marker row and
// cuts letters from it. A stand-in renderer takes the texture calls.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

#include "corefile.h"
#include "engine/image/corefont.h"
#include "tests/image/nullvideo.h"

static std::string dir;
static s_bitmap bitmap;
static s_font font;
static volatile int sink;  // keeps the pixel reads

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    char path[] = "/tmp/fuzz_tga_XXXXXX";
    if (!mkdtemp(path)) return 1;
    dir = path;
    if (!freopen("/dev/null", "w", stdout)) return 1;  // the loaders' log lines
    return corefile_mountimage(dir.c_str(), 2) ? 0 : 1;
}

static void release()
{
    for (int i = 0; i < mox_numsprites; i++) MOX_DeleteSprite(mox_spritelist[i]);
    for (int i = 0; i < mox_numbitmaps; i++) MOX_DeleteBitmap(mox_bitmaplist[i]);
    mox_numbitmaps = mox_numsprites = mox_numfonts = 0;
    nullvideo::calls().clear();
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FILE* f = fopen((dir + "/f.tga").c_str(), "wb");
    if (!f) return 0;
    fwrite(data, 1, size, f);
    fclose(f);

    bitmap = {};
    LoadImageTGA("f.tga", &bitmap);
    if (bitmap.pixels) {
        // Every pixel is inside the buffer the record claims.
        for (int i = 0; i < bitmap.pixelcount; i += 97) sink = MOX_GetPixel(i % bitmap.width, i / bitmap.width, bitmap);
        sink = MOX_GetPixel(bitmap.width - 1, bitmap.height - 1, bitmap);
    }
    release();

    MOX_LoadFont("f.tga", &font);
    MOX_DrawText(0, 0, font, "%s", "Fuzz { ~ }\x1f");
    release();
    return 0;
}
