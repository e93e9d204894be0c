// timingtool: the sync table as text, and the demo's beat probe run over a
// music file, for whoever syncs the demo to its music.
//   timingtool dump timing.dat          every track's events, in units and seconds
//   timingtool build TEXT timing.dat    the reverse; bad text is refused by line
//   timingtool beats music.wav          the probe energies of every mixed block
//   timingtool plot timing.dat [music.wav] timeline.png [--from T] [--to T] [--size WxH]
//                                       a picture of the table over the music
// The table is the demo's own (LoadTiming/SaveTiming); the music is played
// through the offline output exactly as the demo's mixer would play it.
#include <sys/stat.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "core/corefile.h"
#include "demo/demotiming.h"
#include "demo/timingtext.h"
#include "sound/audiodriver.h"
#include "sound/coresound.h"
#include "tools/linkedfile.h"
#include "tools/timingtool/musicblocks.h"
#include "tools/timingtool/plot.h"

static int usage()
{
    fprintf(stderr,
            "usage: timingtool dump timing.dat\n"
            "       timingtool build TEXT timing.dat\n"
            "       timingtool beats music.wav\n"
            "       timingtool plot timing.dat [music.wav] timeline.png [--from T] [--to T] [--size WxH]\n");
    return 2;
}

static bool readfile(const char* path, std::vector<unsigned char>& bytes)
{
    FILE* f = fopen(path, "rb");
    if (!f) return false;
    unsigned char chunk[65536];
    size_t n;
    while ((n = fread(chunk, 1, sizeof chunk, f)) > 0) bytes.insert(bytes.end(), chunk, chunk + n);
    fclose(f);
    return true;
}

static int32_t get32(const unsigned char* p)
{
    return (int32_t)((uint32_t)p[0] | (uint32_t)p[1] << 8 | (uint32_t)p[2] << 16 | (uint32_t)p[3] << 24);
}

static int dump(const char* path)
{
    // Checked here first, so the demo's loader has nothing to say about it.
    std::vector<unsigned char> file;
    if (!readfile(path, file)) {
        fprintf(stderr, "timingtool: %s: %s\n", path, strerror(errno));
        return 1;
    }
    if (file.size() != DEMOTIMING_FILESIZE) {
        fprintf(stderr, "timingtool: %s: %zu bytes, a sync table has %d\n", path, file.size(),
                (int)DEMOTIMING_FILESIZE);
        return 1;
    }
    for (int track = 0; track < DEMOTIMING_TRACKS; track++) {
        int32_t count = get32(file.data() + 4 * track);
        if (count < 0 || count > DEMOTIMING_MAXEVENTS) {
            fprintf(stderr, "timingtool: %s: track %d claims %d events, outside 0..%d\n", path, track, (int)count,
                    (int)DEMOTIMING_MAXEVENTS);
            return 1;
        }
    }
    LoadTiming(path);
    fputs(TimingText().c_str(), stdout);
    return 0;
}

static int build(const char* textpath, const char* outpath)
{
    std::vector<unsigned char> bytes;
    if (!readfile(textpath, bytes)) {
        fprintf(stderr, "timingtool: %s: %s\n", textpath, strerror(errno));
        return 1;
    }
    std::string error;
    const int line = ReadTimingText(std::string(bytes.begin(), bytes.end()), &error);
    if (line) {
        fprintf(stderr, "timingtool: %s:%d: %s\n", textpath, line, error.c_str());
        return 1;
    }
    remove(outpath);  // so a failed save cannot pass for an old file
    SaveTiming(outpath);
    struct stat st;
    if (stat(outpath, &st) != 0 || st.st_size != DEMOTIMING_FILESIZE) {
        fprintf(stderr, "timingtool: %s: not written\n", outpath);
        return 1;
    }
    return 0;
}

static int beats(const char* path)
{
    std::vector<musicblock> blocks;
    std::string error;
    if (!MixMusicBlocks(path, &blocks, &error)) {
        fprintf(stderr, "timingtool: %s: %s\n", path, error.c_str());
        return 1;
    }
    printf("# block, music time after it (units, seconds), probe energies x 0.0002 at 1306 and 1531 Hz, "
           "beat when their sum passes 1000\n");
    for (size_t i = 0; i < blocks.size(); i++) {
        const musicblock& b = blocks[i];
        printf("block %6d  t %9d  %10.3f s  e1306 %12.1f  e1531 %12.1f  %s\n", int(i), int(b.units), b.seconds,
               b.e1306, b.e1531, b.e1306 + b.e1531 > 1000.0f ? "beat" : "-");
    }
    return 0;
}

// plot TABLE [MUSIC] OUT.png [--from T] [--to T] [--size WxH]
static int plot(int argc, char** argv)
{
    std::vector<const char*> files;
    plot_options o;
    for (int i = 2; i < argc; i++) {
        const std::string a = argv[i];
        double* seconds = a == "--from" ? &o.from : a == "--to" ? &o.to : nullptr;
        if (seconds) {
            char* end = nullptr;
            if (i + 1 >= argc) return usage();
            *seconds = strtod(argv[++i], &end);
            if (*end || !(*seconds >= 0) || *seconds > 86400) return usage();
        } else if (a == "--size") {
            if (i + 1 >= argc || sscanf(argv[++i], "%dx%d", &o.width, &o.height) != 2 || o.width < 400 ||
                o.height < 480 || o.width > 16384 || o.height > 4096)
                return usage();
        } else {
            files.push_back(argv[i]);
        }
    }
    if (files.size() < 2 || files.size() > 3 || (o.to >= 0 && o.to <= o.from)) return usage();
    return timingtool_plot(files[0], files.size() == 3 ? files[1] : nullptr, files.back(), o);
}

int main(int argc, char** argv)
{
    if (argc == 3 && strcmp(argv[1], "dump") == 0) return dump(argv[2]);
    if (argc == 4 && strcmp(argv[1], "build") == 0) return build(argv[2], argv[3]);
    if (argc == 3 && strcmp(argv[1], "beats") == 0) return beats(argv[2]);
    if (argc >= 4 && strcmp(argv[1], "plot") == 0) return plot(argc, argv);
    return usage();
}
