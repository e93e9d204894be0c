// Bitmaps and the TGA reader. Owns the bitmap table's entries (the table
// itself lives with the renderer, which flushes it) and every bitmap's pixel
// buffer.
//
// Demo thread only. Two rules a reader needs first:
// - A bitmap is made only whole: size, buffer, texture and table entry, or
//   nothing at all (full table, bad size, no memory), so the flush never
//   meets a half-made record.
// - The TGA reader trusts nothing in the file. It decodes only bytes it has
//   read and stops where the file ends; a size is accepted only when the
//   file's bytes could describe that many pixels, so a tiny file cannot make
//   a huge allocation.
#include "engine/image/corebitmap.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#ifdef __SSE2__
#include <emmintrin.h>  // the 32-bit row conversion
#endif

#include "corefile.h"

namespace {

// 0xAARRGGBB to the stored red, green, blue, alpha byte order and back:
// as a little-endian word the two differ by the red and blue bytes.
inline uint32_t swap_rb(uint32_t c) { return (c & 0xFF00FF00u) | ((c >> 16) & 0xFFu) | ((c & 0xFFu) << 16); }

inline bool is_colourkey(uint32_t c) { return ((c >> 16) & 0xFF) > 240 && ((c >> 8) & 0xFF) < 16 && (c & 0xFF) > 240; }

// A decoded 0xAARRGGBB colour, keyed and turned into the stored form;
// without a branch, so that rows of pixels vectorise.
inline uint32_t keyed(uint32_t argb)
{
    const uint32_t key = (((argb >> 16) & 0xFF) > 240) & (((argb >> 8) & 0xFF) < 16) & ((argb & 0xFF) > 240);
    return swap_rb(argb) & (key - 1u);
}

inline uint32_t argb_from16(uint32_t v)
{
    return 0xFF000000u | (((v >> 10) & 31) << 19) | (((v >> 5) & 31) << 11) | ((v & 31) << 3);
}

inline uint32_t load32(const uint8_t* s)
{
    uint32_t v;
    memcpy(&v, s, 4);
    return v;  // little-endian host: bytes blue, green, red, alpha read as 0xAARRGGBB
}

bool valid_pixel(int x, int y, const s_bitmap& b)
{
    return b.pixels && x >= 0 && x < b.width && y >= 0 && y < b.height;
}

// --- TGA decoding ------------------------------------------------------------

enum Kind {
    GREY8,
    MAPPED8,
    RGB16,
    RGB24,
    RGBA32
};

constexpr int bytes_of(Kind k) { return k == RGBA32 ? 4 : k == RGB24 ? 3 : k == RGB16 ? 2 : 1; }

// One source pixel in stored form. The palette is already keyed.
template <Kind K>
inline uint32_t fetch(const uint8_t* s, const uint32_t* palette)
{
    if (K == GREY8) return swap_rb(0xFF000000u | s[0] * 0x010101u);  // grey is never the key
    if (K == MAPPED8) return palette[s[0]];
    if (K == RGB16) return keyed(argb_from16(s[0] | s[1] << 8));
    if (K == RGB24) return keyed(0xFF000000u | s[2] << 16 | s[1] << 8 | s[0]);
    return keyed(load32(s));
}

// n source pixels to n stored pixels, left to right.
template <Kind K>
inline void convert_row(const uint8_t* s, uint32_t* d, int n, const uint32_t* palette)
{
    for (int i = 0; i < n; i++, s += bytes_of(K)) d[i] = fetch<K>(s, palette);
}

#ifdef __SSE2__
// The common case, four pixels at a time: exchange red and blue, and clear
// the colour key (red and blue above 240, green below 16).
template <>
inline void convert_row<RGBA32>(const uint8_t* s, uint32_t* d, int n, const uint32_t*)
{
    const __m128i low = _mm_set1_epi32(0xFF), middle = _mm_set1_epi32((int)0xFF00FF00u);
    const __m128i over = _mm_set1_epi32(240), under = _mm_set1_epi32(16);
    int i = 0;
    for (; i + 4 <= n; i += 4) {
        const __m128i v = _mm_loadu_si128((const __m128i*)(const void*)(s + (size_t)i * 4));
        const __m128i b = _mm_and_si128(v, low);
        const __m128i g = _mm_and_si128(_mm_srli_epi32(v, 8), low);
        const __m128i r = _mm_and_si128(_mm_srli_epi32(v, 16), low);
        const __m128i key =
            _mm_and_si128(_mm_and_si128(_mm_cmpgt_epi32(r, over), _mm_cmplt_epi32(g, under)), _mm_cmpgt_epi32(b, over));
        const __m128i swapped = _mm_or_si128(_mm_and_si128(v, middle), _mm_or_si128(r, _mm_slli_epi32(b, 16)));
        _mm_storeu_si128((__m128i*)(void*)(d + i), _mm_andnot_si128(key, swapped));
    }
    for (; i < n; i++) d[i] = keyed(load32(s + (size_t)i * 4));
}
#endif

struct tga_image {
    const uint8_t* src;    // next byte of pixel data read so far
    const uint8_t* end;    // one past the last byte read so far
    bool last = true;      // the file ends at `end`
    bool stopped = false;  // the data ran out
    uint32_t* out;         // the bitmap's buffer
    int width, height;
    bool flipx, flipy;  // right origin, bottom origin
    int interleave;
    int pass = 0, row = 0;  // the next plain row: interleave pass, row from the origin's edge
    uint32_t palette[256];
};

// Rows in file order; with interleave f, pass p fills rows p, p+f, p+2f...
// counted from the origin's edge. Decodes the whole rows between src and end
// and goes on from there when more is read; a part row only where the file
// ends. Returns the pixels decoded.
template <Kind K>
int64_t decode_plain(tga_image& t)
{
    constexpr int bpp = bytes_of(K);
    const size_t rowbytes = (size_t)t.width * bpp;
    int64_t done = 0;
    for (; t.pass < t.interleave; t.row = ++t.pass) {
        for (; t.row < t.height; t.row += t.interleave) {
            const size_t left = (size_t)(t.end - t.src);
            if (left < rowbytes && !t.last) return done;
            const int n = left >= rowbytes ? t.width : (int)(left / bpp);
            uint32_t* row = t.out + (size_t)(t.flipy ? t.height - 1 - t.row : t.row) * t.width;
            const uint8_t* s = t.src;
            if (!t.flipx) {
                convert_row<K>(s, row, n, t.palette);
            } else {
                for (int i = 0; i < n; i++, s += bpp) row[t.width - 1 - i] = fetch<K>(s, t.palette);
            }
            done += n;
            if (n < t.width) {
                t.stopped = true;
                return done;
            }
            t.src += rowbytes;
        }
    }
    return done;
}

// Packets fill the image in file order and may cross row ends; a packet
// that would run past the last pixel is cut there.
template <Kind K>
int64_t decode_packed(tga_image& t)
{
    constexpr int bpp = bytes_of(K);
    const int64_t total = (int64_t)t.width * t.height;
    int64_t done = 0;
    int c = 0, r = 0;
    uint32_t* row = t.out + (size_t)(t.flipy ? t.height - 1 : 0) * t.width;
    auto next_row = [&] {
        c = 0;
        r++;
        if (r < t.height) row = t.out + (size_t)(t.flipy ? t.height - 1 - r : r) * t.width;
    };
    while (done < total && t.src < t.end) {
        const uint8_t head = *t.src++;
        int64_t count = (head & 0x7F) + 1;
        if (count > total - done) count = total - done;
        if (head & 0x80) {
            if (t.end - t.src < bpp) break;
            const uint32_t v = fetch<K>(t.src, t.palette);
            t.src += bpp;
            done += count;
            while (count > 0) {
                const int span = (int)(count < t.width - c ? count : t.width - c);
                if (!t.flipx) {
                    for (int i = 0; i < span; i++) row[c + i] = v;
                } else {
                    for (int i = 0; i < span; i++) row[t.width - 1 - c - i] = v;
                }
                c += span;
                count -= span;
                if (c == t.width) next_row();
            }
        } else {
            const int64_t avail = (t.end - t.src) / bpp;
            const bool cut = avail < count;
            if (cut) count = avail;
            done += count;
            while (count > 0) {
                const int span = (int)(count < t.width - c ? count : t.width - c);
                if (!t.flipx) {
                    convert_row<K>(t.src, row + c, span, t.palette);
                    t.src += (size_t)span * bpp;
                } else {
                    for (int i = 0; i < span; i++, t.src += bpp) row[t.width - 1 - c - i] = fetch<K>(t.src, t.palette);
                }
                c += span;
                count -= span;
                if (c == t.width) next_row();
            }
            if (cut) break;
        }
    }
    return done;
}

inline int get16(const uint8_t* p) { return p[0] | p[1] << 8; }

}  // namespace

// --- the colour key and names --------------------------------------------------

int ConvertTransp(int colour) { return is_colourkey((uint32_t)colour) ? 0 : colour; }

char* upcase(char* text)
{
    for (char* p = text; *p; p++)
        if (*p >= 'a' && *p <= 'z') *p = (char)(*p - 'a' + 'A');
    return text;
}

// --- making, deleting, pixels -----------------------------------------------------

void MOX_CreateBitmap(int width, int height, s_bitmap* b)
{
    if (mox_numbitmaps >= MOX_MAXBITMAPS) {
        printf("MOX_CreateBitmap: bitmap table full (%d), %dx%d bitmap not made\n", MOX_MAXBITMAPS, width, height);
        return;
    }
    // A fixed ceiling of 2^26 pixels (an 8192 x 8192 texture, 256 MiB), so a
    // picture is taken or refused alike on every word size.
    const int texwidth = PowerOfTwo(width), texheight = PowerOfTwo(height);
    if (texwidth <= 0 || texheight <= 0 || (int64_t)texwidth * texheight > MOX_MAXBITMAPPIXELS) {
        printf("MOX_CreateBitmap: size %dx%d not possible, bitmap not made\n", width, height);
        return;
    }
    const int pixelcount = texwidth * texheight;
    // Cleared after all: pixels a short file does not cover read as transparent
    // black, and a large calloc costs no more than a malloc.
    uint8_t* pixels = (uint8_t*)calloc((size_t)pixelcount, 4);
    if (!pixels) {
        printf("MOX_CreateBitmap: no memory for %dx%d pixels, bitmap not made\n", width, height);
        return;
    }
    b->width = width;
    b->height = height;
    b->texwidth = texwidth;
    b->texheight = texheight;
    b->pixelcount = pixelcount;
    b->bytes = pixelcount * 4;
    b->pixels = pixels;
    b->umin = 0;
    b->vmin = 0;
    b->umax = (float)(width * 0.99999) / (float)texwidth;
    b->vmax = (float)(height * 0.9999) / (float)texheight;
    b->texture = MOX_CreateTexture(width, height, pixels, 0);
    mox_bitmaplist[mox_numbitmaps++] = b;
}

void MOX_DeleteBitmap(s_bitmap* b)
{
    if (b->pixels) {
        puts("deleting bitmap");
        MOX_DeleteTexture(b->texture);
        free(b->pixels);
        b->pixels = nullptr;
        b->texture = 0;
    } else if (b->texture) {
        // A static bitmap: its texture is all there is, and goes once.
        MOX_DeleteTexture(b->texture);
        b->texture = 0;
    }
}

// Without a buffer (a static bitmap) there is nothing to upload, and an
// upload of nothing would wipe the texture.
void MOX_UpdateBitmap(s_bitmap b)
{
    if (b.pixels) MOX_UpdateTexture(b.texture, b.width, b.height, b.pixels);
}

void MOX_ClearBitmap(s_bitmap b)
{
    if (!b.pixels) return;
    memset(b.pixels, 0, (size_t)b.bytes);
    MOX_UpdateBitmap(b);
}

void MOX_ClearBitmapWithColor(s_bitmap b, int colour)
{
    if (!b.pixels) return;
    const uint32_t v = (uint32_t)colour;  // as given: no red and blue exchange here
    for (int i = 0; i < b.pixelcount; i++) memcpy(b.pixels + (size_t)i * 4, &v, 4);
    MOX_UpdateBitmap(b);
}

int MOX_GetPixel(int x, int y, s_bitmap b)
{
    if (!valid_pixel(x, y, b)) return 0;
    uint32_t v;
    memcpy(&v, b.pixels + ((size_t)y * b.width + x) * 4, 4);
    return (int)swap_rb(v);
}

void MOX_DrawPixel(int x, int y, int colour, s_bitmap b)
{
    if (!valid_pixel(x, y, b)) return;
    const uint32_t v = swap_rb((uint32_t)colour);
    memcpy(b.pixels + ((size_t)y * b.width + x) * 4, &v, 4);
}

// --- drawing -----------------------------------------------------------------------

void MOX_BindTextureFromBitmap(s_bitmap b) { MOX_BindTexture(b.texture); }

void MOX_DrawBitmap(int x, int y, s_bitmap b)
{
    MOX_DisableRenderState(MOX_ALPHATEST);
    MOX_BindTexture(b.texture);
    MOX_DrawQuad((float)x, (float)y, (float)b.width, (float)b.height, b.umin, b.vmin, b.umax, b.vmax);
}

void MOX_DrawScaledBitmap(int x, int y, float w, float h, s_bitmap b, int)
{
    MOX_DisableRenderState(MOX_ALPHATEST);
    MOX_BindTexture(b.texture);
    MOX_DrawQuad((float)x, (float)y, w, h, b.umin, b.vmin, b.umax, b.vmax);
}

void MOX_DrawZoomedBitmap(int x, int y, float zoom, s_bitmap b)
{
    MOX_DrawScaledBitmap(x, y, (float)b.width * zoom / 100.0f, (float)b.height * zoom / 100.0f, b, 0);
}

void MOX_DrawBlendBitmap(int x, int y, s_bitmap b, int mode)
{
    MOX_SetBlendMode(mode);
    MOX_EnableRenderState(MOX_BLEND);
    MOX_DrawBitmap(x, y, b);
    MOX_DisableRenderState(MOX_BLEND);
}

void MOX_DrawAlphaBitmap(int x, int y, s_bitmap b, float alpha)
{
    MOX_BindTexture(b.texture);
    MOX_EnableAlphaBlend(alpha);
    MOX_DrawBitmap(x, y, b);
    MOX_DisableAlphaBlend();
}

void MOX_DrawRotatedBitmap(int x, int y, s_bitmap b, float angle)
{
    MOX_DisableRenderState(MOX_ALPHATEST);
    MOX_BindTexture(b.texture);
    MOX_DrawRotatedQuad((float)x, (float)y, (float)b.width, (float)b.height, b.umin, b.vmin, b.umax, b.vmax, angle);
}

// --- loading -------------------------------------------------------------------------

static void load_bitmap(const char* name, s_bitmap* b, bool keep_pixels)
{
    char ext[16] = "";
    const char* dot = strrchr(name, '.');
    if (dot && dot != name) {
        strncpy(ext, dot, 15);
        ext[15] = 0;
    }
    if (strcmp(upcase(ext), ".TGA") != 0) {
        puts("File format not supported.");
        return;
    }
    printf("Loading TGA image.");
    LoadImageTGA(name, b);
    if (!b->pixels) {
        printf("- ERROR: Image %s not loaded.\n", name);
        return;
    }
    MOX_UpdateTexture(b->texture, b->width, b->height, b->pixels);
    if (!keep_pixels) {
        free(b->pixels);
        b->pixels = nullptr;
    }
}

void MOX_LoadBitmap(const char* name, s_bitmap* b) { load_bitmap(name, b, true); }

void MOX_LoadBitmapStatic(const char* name, s_bitmap* b) { load_bitmap(name, b, false); }

namespace {

// A plain image is read a few rows at a time into one small buffer that stays
// in the cache; a packed one, whose packets cross rows, is read whole.
constexpr size_t TGA_CHUNK = 64 * 1024;

void read_palette(corefile_handle* h, size_t mapstart, size_t mapbytes, int mapfirst, int mapbits, int size,
                  tga_image& t)
{
    // Entries the map does not fill stay transparent black.
    memset(t.palette, 0, sizeof t.palette);
    const size_t have = mapstart < (size_t)size ? std::min(mapbytes, (size_t)size - mapstart) : 0;
    if (have == 0) return;
    uint8_t* map = (uint8_t*)malloc(have);
    if (!map) return;
    corefile_seek(h, (int)mapstart, 0);
    corefile_read(map, (int)have, 1, h);
    const size_t step = mapbits == 24 ? 3 : 2;
    for (size_t i = 0; i + step <= have && mapfirst + i / step < 256; i += step) {
        const uint8_t* m = map + i;
        const uint32_t argb = step == 3 ? 0xFF000000u | m[2] << 16 | m[1] << 8 | m[0] : argb_from16(m[0] | m[1] << 8);
        t.palette[mapfirst + i / step] = keyed(argb);
    }
    free(map);
}

// Decodes the pixel data, `databytes` from the handle's position; returns the
// pixels decoded, or -1 without the memory to read it.
template <Kind K>
int64_t read_pixels(corefile_handle* h, size_t databytes, bool packed, tga_image& t)
{
    const size_t rowbytes = (size_t)t.width * bytes_of(K);
    const size_t chunk = packed ? databytes : std::min(databytes, std::max(TGA_CHUNK / rowbytes, (size_t)1) * rowbytes);
    uint8_t* buffer = (uint8_t*)malloc(chunk ? chunk : 1);
    if (!buffer) return -1;
    int64_t done = 0;
    for (size_t left = databytes;;) {
        const size_t n = std::min(chunk, left);
        corefile_read(buffer, (int)n, 1, h);
        left -= n;
        t.src = buffer;
        t.end = buffer + n;
        t.last = left == 0;
        done += packed ? decode_packed<K>(t) : decode_plain<K>(t);
        // Past the last row anything more in the file is not pixels.
        if (t.last || t.stopped || t.pass >= t.interleave) break;
    }
    free(buffer);
    return done;
}

void load_tga(const char* name, corefile_handle* h, s_bitmap* b)
{
    const int size = h->size;
    if (size < 18) {
        printf("%s: %d bytes, shorter than a TGA header, not loaded\n", name, size);
        return;
    }
    uint8_t head[18];
    corefile_read(head, 18, 1, h);

    const int idlength = head[0], maptype = head[1], type = head[2];
    const int mapfirst = get16(head + 3), maplength = get16(head + 5), mapbits = head[7];
    const int width = get16(head + 12), height = get16(head + 14), depth = head[16], descriptor = head[17];
    printf("width: %d, height: %d, bpp: %d\n", width, height, depth);

    const bool grey = type == 3 || type == 11;
    Kind kind = RGBA32;
    const char* refused = nullptr;
    const char* remedy = "";  // what the person who made it can do
    const char* truecolour = "; save it as 24- or 32-bit true colour";
    switch (depth) {
    case 8: kind = grey ? GREY8 : MAPPED8; break;
    case 15:
    case 16: kind = RGB16; break;
    case 24: kind = RGB24; break;
    case 32: kind = RGBA32; break;
    default: refused = "pixel depth not supported", remedy = truecolour;
    }
    if (maptype && mapbits != 15 && mapbits != 16 && mapbits != 24)
        refused = "colour map entry size not supported", remedy = truecolour;
    if (width == 0 || height == 0) refused = "image has no pixels", remedy = "";

    // Where the pixel data starts, and what it could describe at most: a run
    // packet of 1 + pixel bytes covers 128 pixels, nothing covers more.
    const size_t mapbytes = maptype ? (size_t)maplength * (mapbits == 24 ? 3 : 2) : 0;
    const size_t datapos = 18 + (size_t)idlength + mapbytes;
    const size_t databytes = datapos < (size_t)size ? (size_t)size - datapos : 0;
    if (!refused && (uint64_t)width * height > 128 * (uint64_t)databytes)
        refused = "file too short for its size", remedy = "; it was cut short: write it again";
    if (refused) {
        printf("%s: %s (%dx%d, %d bits, type %d, %d bytes), not loaded%s\n", name, refused, width, height, depth, type,
               size, remedy);
        return;
    }

    // A refused bitmap leaves the record as it was, perhaps with a buffer of
    // another size: only a new buffer may take this image.
    const uint8_t* held = b->pixels;
    MOX_CreateBitmap(width, height, b);
    if (!b->pixels || b->pixels == held) {
        printf("%s: no bitmap for it, not loaded\n", name);
        return;
    }

    tga_image t;
    t.out = (uint32_t*)(void*)b->pixels;
    t.width = width;
    t.height = height;
    t.flipx = (descriptor & 0x10) != 0;
    t.flipy = (descriptor & 0x20) == 0;
    t.interleave = (descriptor & 0x80) ? 4 : (descriptor & 0x40) ? 2 : 1;
    read_palette(h, 18 + (size_t)idlength, mapbytes, mapfirst, mapbits, size, t);
    corefile_seek(h, (int)datapos, 0);

    const bool packed = type >= 8;
    if (packed) printf("TGA is RLE packed.");
    int64_t done = 0;
    switch (kind) {
    case GREY8: done = read_pixels<GREY8>(h, databytes, packed, t); break;
    case MAPPED8: done = read_pixels<MAPPED8>(h, databytes, packed, t); break;
    case RGB16: done = read_pixels<RGB16>(h, databytes, packed, t); break;
    case RGB24: done = read_pixels<RGB24>(h, databytes, packed, t); break;
    case RGBA32: done = read_pixels<RGBA32>(h, databytes, packed, t); break;
    }
    if (done < 0)
        printf("%s: no memory to read its %zu bytes of pixels, the image is left transparent\n", name, databytes);
    else if (done < (int64_t)width * height)
        printf("%s: data ends after %lld of %lld pixels, the rest is left transparent\n", name, (long long)done,
               (long long)width * height);
}

}  // namespace

void LoadImageTGA(const char* name, s_bitmap* b)
{
    corefile_handle h = {};
    if (!corefile_open(name, &h, 0)) return;
    load_tga(name, &h, b);
    corefile_close(&h);
}
