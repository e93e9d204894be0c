// content: makes every asset of the demo from code, deterministically.
//   content [--png] ASSETDIR OBJDIR TIMINGFILE
// ASSETDIR receives what goes into "orlem.dat" (pictures, font, floor mesh,
// voxel objects, music), OBJDIR the OBJ sources of the voxel objects, and
// TIMINGFILE the sync table. With --png every picture is also written as a
// PNG beside its TGA, showing what the demo will see after the colour key;
// and every voxel object gets NAME_preview.png, three views from the demo's
// camera; such a directory is for looking at, not for packing.
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "arrangement.h"
#include "canvas.h"
#include "core/corefile.h"
#include "demo/demotiming.h"
#include "demo/helpers.h"
#include "demo/scenes.h"
#include "image.h"
#include "models.h"
#include "music.h"
#include "pictures.h"
#include "preview.h"
#include "sound/coresound.h"

namespace {

struct picture {
    int asset;  // its row in the show's assets, which names its file
    content_image (*draw)();
    tga_kind kind;
    bool rle;
};

content_image Intro1() { return DrawIntroCaption(1); }
content_image Intro2() { return DrawIntroCaption(2); }
content_image Intro3() { return DrawIntroCaption(3); }

// The big screens are mostly transparent, so they are run-length packed.
const picture pictures[] = {
    {ASSET_LOGO, DrawLogo, TGA_ALPHA32, true},
    {ASSET_INTRO1, Intro1, TGA_ALPHA32, false},
    {ASSET_INTRO2, Intro2, TGA_ALPHA32, false},
    {ASSET_INTRO3, Intro3, TGA_ALPHA32, false},
    {ASSET_TITLE, DrawTitle, TGA_ALPHA32, true},
    {ASSET_GREETINGS, DrawGreetingsScreen, TGA_KEYED24, true},
    {ASSET_CREDITS, DrawCreditsScreen, TGA_KEYED24, true},
    {ASSET_CLOSING, DrawClosingScreen, TGA_KEYED24, true},
    {ASSET_SUBTITLES, DrawSubtitleSheet, TGA_KEYED24, true},
    {ASSET_NAMES, DrawNamesSheet, TGA_KEYED24, true},
    {ASSET_FONT, DrawFontSheet, TGA_ALPHA32, false},
    {ASSET_FLOORTEXTURE, DrawFloorTexture, TGA_OPAQUE24, false},
    {ASSET_PARTICLES, DrawParticleSprites, TGA_ALPHA32, false},
};

// Every asset of the show has its maker here, or the build stops.
bool EveryAssetIsMade()
{
    bool ok = true;
    for (int i = 0; i < ASSETS; i++) {
        bool made = i == ASSET_FLOOR || i == ASSET_MUSIC;
        for (const picture& p : pictures) made |= p.asset == i;
        for (const model_desc& m : demo_models) made |= m.asset == i;
        if (!made) fprintf(stderr, "content: nothing makes %s\n", demo_assets[i].file);
        ok &= made;
    }
    return ok;
}

bool WriteText(const std::string& path, const std::string& text)
{
    return WriteFile(path, std::vector<uint8_t>(text.begin(), text.end()));
}

bool MakePictures(const std::string& dir, bool png)
{
    if (!InitFonts()) return false;
    for (const picture& p : pictures) {
        const content_image image = p.draw();
        const char* file = demo_assets[p.asset].file;
        if (!WriteFile(dir + "/" + file, EncodeTGA(image, p.kind, p.rle))) return false;
        if (png) {
            std::string name = file;
            name.replace(name.size() - 4, 4, ".png");
            if (!WritePNG(dir + "/" + name, AsLoaded(image, p.kind))) return false;
        }
        printf("content: %s %d x %d\n", file, image.width, image.height);
    }
    DoneFonts();
    return true;
}

bool MakeModels(const std::string& assets, const std::string& objdir, bool png)
{
    for (const model_desc& m : demo_models) {
        const std::vector<model_voxel> voxels = m.build();
        const std::string name = ModelName(m);
        if (png && !WritePNG(assets + "/" + name + "_preview.png", PreviewModel(voxels))) return false;
        if (voxels.size() > VOXEL_MAXVOXELS) {
            fprintf(stderr, "content: %s has %zu voxels, more than %d\n", name.c_str(), voxels.size(),
                    VOXEL_MAXVOXELS);
            return false;
        }
        if (!WriteText(objdir + "/" + name + ".obj", ModelToObj(voxels, name.c_str()))) return false;
    }
    // The converter reads through the file layer: mount the sources.
    if (!corefile_mountimage(objdir.c_str(), COREFILE_DIRECTORY)) {
        fprintf(stderr, "content: cannot mount %s\n", objdir.c_str());
        return false;
    }
    bool ok = true;
    for (const model_desc& m : demo_models) {
        const std::string obj = ModelName(m) + ".obj";
        const std::string vxl = assets + "/" + demo_assets[m.asset].file;
        const int written = ConvertObjToFile(obj.c_str(), 0, vxl.c_str());
        if (written != (int)m.build().size()) {
            fprintf(stderr, "content: %s converted to %d voxels\n", demo_assets[m.asset].file, written);
            ok = false;
        }
    }
    corefile_closeimage();
    return ok;
}

bool MakeMusic(const std::string& assets)
{
    master_result m{};
    std::vector<int16_t> pcm = RenderMusic(&m);
    printf("content: %s %.2f s, %.1f LUFS integrated, peak %.3f of full scale, %+.1f dB of make-up gain\n",
           demo_assets[ASSET_MUSIC].file, pcm.size() / 2 / (double)SAMPLE_RATE, m.lufs, m.peak, m.gain_db);
    if (m.peak >= 1.0) {
        fprintf(stderr, "content: the music clips (peak %.3f)\n", m.peak);
        return false;
    }
    s_sound sound{};
    sound.channels = 2;
    sound.bits = 16;
    sound.frequency = SAMPLE_RATE;
    sound.size = (uint32_t)(pcm.size() * 2);
    sound.length = (uint32_t)pcm.size();
    sound.data = pcm.data();
    // The WAV writer saves through the file layer: mount the output.
    if (!corefile_mountimage(assets.c_str(), COREFILE_DIRECTORY)) {
        fprintf(stderr, "content: cannot mount %s\n", assets.c_str());
        return false;
    }
    const char* file = demo_assets[ASSET_MUSIC].file;
    Soundsystem_SaveWAV(file, &sound);
    corefile_closeimage();
    FILE* f = fopen((assets + "/" + file).c_str(), "rb");
    bool ok = f && fseek(f, 0, SEEK_END) == 0 && ftell(f) == (long)sound.size + 44;
    if (f) fclose(f);
    if (!ok) fprintf(stderr, "content: %s was not written whole\n", file);
    return ok;
}

}  // namespace

int main(int argc, char** argv)
{
    bool png = false;
    int at = 1;
    if (at < argc && strcmp(argv[at], "--png") == 0) png = true, at++;
    if (argc - at != 3) {
        fprintf(stderr, "usage: content [--png] ASSETDIR OBJDIR TIMINGFILE\n");
        return 2;
    }
    const std::string assets = argv[at], objdir = argv[at + 1], timing = argv[at + 2];
    std::error_code error;
    for (const std::string& dir : {assets, objdir}) {
        std::filesystem::create_directories(dir, error);
        if (error) {
            fprintf(stderr, "content: cannot create %s: %s\n", dir.c_str(), error.message().c_str());
            return 1;
        }
    }

    if (!EveryAssetIsMade()) return 1;
    if (!MakePictures(assets, png)) return 1;
    if (!WriteFile(assets + "/" + demo_assets[ASSET_FLOOR].file, BuildFloorC3M())) return 1;
    if (!MakeModels(assets, objdir, png)) return 1;
    if (!MakeMusic(assets)) return 1;
    FillTimingTable();
    SaveTiming(timing.c_str());
    printf("content: every asset written to %s, sync table to %s\n", assets.c_str(), timing.c_str());
    return 0;
}
