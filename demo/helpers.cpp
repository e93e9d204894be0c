// The ramps: HandleFading moves `fade` and `blend` by their modes once a
// frame. Voxel files: LoadVoxel fills a caller's buffer of VOXEL_MAXVOXELS
// records from a ".vxl" file of the file layer; ConvertObj turns an OBJ
// export of coloured cubes into such a file. Demo thread only.
// Rules: a file is trusted only as far as its size says, so a count is
// checked against both the buffer and the bytes behind it before anything is
// read; the converter writes no more records than it counted "g" lines and
// takes at most eight vertices into a cube. Cubes finished before the first
// material are white.
#include "demo/helpers.h"

#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "core/corefile.h"
#include "core/coremem.h"
#include "demo/scenes.h"

float fade = 0;      // brightness of the whole picture
float blend = 0;     // opacity of the logo, intro and title overlays
int fadeevent = 0;   // ramp mode of `fade`
int blendevent = 0;  // ramp mode of `blend`

// One frame of a ramp; the comparison sees the value before the step, the
// step is taken in double and stored as a float.
// A voxel record is six IEEE singles in the file, and a demo buffer holds
// VOXEL_MAXVOXELS of them, on every word size.
static_assert(sizeof(float) == 4 && VOXEL_RECORDBYTES == 6 * sizeof(float), "a voxel record is 24 bytes");
static_assert(VOXEL_MAXVOXELS * VOXEL_RECORDBYTES == 786432, "a voxel buffer is 786,432 bytes");
static_assert(uint64_t(VOXEL_MAXCONVERTED) * VOXEL_RECORDBYTES < uint64_t(INT_MAX), "the converter's records fit an int");

static void ramp(float* value, int mode)
{
    switch (mode) {
    case RAMP_FASTRISE:
        if (*value < 1) *value = (float)((double)*value + 0.01);
        break;
    case RAMP_FASTFALL:
        if (*value > 0) *value = (float)((double)*value - 0.01);
        break;
    case RAMP_SLOWRISE:
        if (*value < 1) *value = (float)((double)*value + 0.003);
        break;
    case RAMP_SLOWFALL:
        if (*value > 0) *value = (float)((double)*value - 0.003);
        break;
    case RAMP_FULL: *value = 1; break;
    default: break;
    }
}

void HandleFading()
{
    ramp(&fade, fadeevent);
    ramp(&blend, blendevent);
}

void LoadVoxel(const char* name, float* buffer, int* count)
{
    *count = 0;
    corefile_handle h = {};
    if (!corefile_open(name, &h, 0)) {
        printf("LoadVoxel: %s: file not found, no voxels loaded\n", name);
        return;
    }
    const int size = corefile_fsize(&h);
    if (size < 4) {
        printf("LoadVoxel: %s: %d bytes is too short for a voxel count, no voxels loaded\n", name, size);
        corefile_close(&h);
        return;
    }
    unsigned char raw[4];
    corefile_read(raw, 4, 1, &h);
    const int32_t n =
        (int32_t)((uint32_t)raw[0] | (uint32_t)raw[1] << 8 | (uint32_t)raw[2] << 16 | (uint32_t)raw[3] << 24);
    printf("numvox: %d\n", n);
    if (n < 0 || n > VOXEL_MAXVOXELS) {
        printf("LoadVoxel: %s: %d voxels do not fit a buffer of %d, no voxels loaded\n", name, n, VOXEL_MAXVOXELS);
        corefile_close(&h);
        return;
    }
    const int need = n * VOXEL_RECORDBYTES;  // at most 786,432: no overflow
    if (size - 4 < need) {
        printf("LoadVoxel: %s: %d voxels need %d bytes but the file holds %d, no voxels loaded\n", name, n, need + 4,
               size);
        corefile_close(&h);
        return;
    }
    if (n > 0) corefile_read(buffer, need, 1, &h);
    corefile_close(&h);
    *count = n;
}

// The first whitespace-separated word of a line; empty when there is none.
static void first_word(const char* line, char (&word)[256])
{
    word[0] = 0;
    sscanf(line, "%255s", word);
}

// One line of at most 255 characters. In a data image the file layer reads
// on past a file's end into the next file, so a last line without a line
// break is cut at the file's own end.
static void read_line(char (&line)[256], corefile_handle* h)
{
    const int left = corefile_fsize(h) - corefile_tell(h);
    corefile_gets(line, sizeof line, h);
    if (left >= 0 && left < (int)sizeof line && (int)strlen(line) > left) line[left] = 0;
}

void ConvertObj(const char* name, int swap) { ConvertObjToFile(name, swap, "object.vxl"); }

int ConvertObjToFile(const char* name, int swap, const char* outpath)
{
    char line[256];
    char word[256];
    corefile_handle h = {};

    // First pass: one cube per "g" line.
    if (!corefile_open(name, &h, 0)) {
        printf("ConvertObj: %s: file not found, nothing converted\n", name);
        return -1;
    }
    int counted = 0;
    while (!corefile_feof(&h)) {
        read_line(line, &h);
        first_word(line, word);
        if (strcmp(word, "g") == 0 && counted < VOXEL_MAXCONVERTED) counted++;
    }
    corefile_close(&h);
    printf("num voxels found: %d\n", counted);

    float* records = nullptr;
    if (counted > 0) {
        records = (float*)_wrap_malloc_dbg(counted * VOXEL_RECORDBYTES, __FILE__, __LINE__);
        if (!records) {
            printf("ConvertObj: %s: no memory for %d voxels, nothing converted\n", name, counted);
            return -1;
        }
    }

    // Second pass: each cube becomes the mean of its first eight vertices.
    int written = 0;
    int vertices = 0;
    float sx = 0, sy = 0, sz = 0;
    float cr = 1, cg = 1, cb = 1;  // before the first material
    bool warned_extra = false, warned_uncounted = false;
    if (!corefile_open(name, &h, 0)) {
        printf("ConvertObj: %s: file not found on the second pass, nothing converted\n", name);
        if (records) _wrap_free_dbg(records, __FILE__, __LINE__);
        return -1;
    }
    while (!corefile_feof(&h)) {
        read_line(line, &h);
        first_word(line, word);
        if (strcmp(word, "usemtl") == 0) {
            char material[256] = "";
            int r = -1, g = -1, b = -1;
            sscanf(line, " usemtl %255s", material);
            if (sscanf(material, "RGB_%d_%d_%d", &r, &g, &b) == 3) {
                if (r >= 0 && r <= 255 && g >= 0 && g <= 255 && b >= 0 && b <= 255) {
                    cr = (float)r / 255.0f;
                    cg = (float)g / 255.0f;
                    cb = (float)b / 255.0f;
                } else {
                    printf("ConvertObj: %s: material %s lies outside 0..255, colour kept\n", name, material);
                }
            }
        } else if (strcmp(word, "g") == 0) {
            vertices = 0;
            sx = sy = sz = 0;
        } else if (strcmp(word, "v") == 0) {
            if (vertices >= 8) {
                if (!warned_extra)
                    printf("ConvertObj: %s: a cube with more than eight vertices, the rest ignored\n", name);
                warned_extra = true;
                continue;
            }
            float x = 0, y = 0, z = 0;
            sscanf(line, " v %f %f %f", &x, &y, &z);
            sx += x;
            sy += y;
            sz += z;
            if (++vertices < 8) continue;
            if (written >= counted) {
                if (!warned_uncounted)
                    printf("ConvertObj: %s: more cubes than groups, the cubes past %d dropped\n", name, counted);
                warned_uncounted = true;
                continue;
            }
            float* v = records + written * VOXEL_FLOATS;
            v[0] = sx / 8;
            v[1] = swap == 1 ? sz / 8 : sy / 8;
            v[2] = swap == 1 ? sy / 8 : sz / 8;
            v[3] = cr;
            v[4] = cg;
            v[5] = cb;
            written++;
        }
    }
    corefile_close(&h);

    puts("writing file....");
    int result = written;
    FILE* out = fopen(outpath, "wb");
    if (!out) {
        printf("ConvertObj: could not create %s\n", outpath);
        result = -1;
    } else {
        const unsigned char head[4] = {(unsigned char)written, (unsigned char)(written >> 8),
                                       (unsigned char)(written >> 16), (unsigned char)(written >> 24)};
        bool ok = fwrite(head, 4, 1, out) == 1;
        if (written > 0) ok = ok && fwrite(records, VOXEL_RECORDBYTES, written, out) == (size_t)written;
        if (fclose(out) != 0) ok = false;
        if (!ok) {
            printf("ConvertObj: could not write %s\n", outpath);
            result = -1;
        }
    }
    if (records) _wrap_free_dbg(records, __FILE__, __LINE__);
    return result;
}
