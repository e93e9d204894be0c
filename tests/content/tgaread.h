// A strict TGA decoder for the content tests: the layouts the content tool
// writes (types 2 and 10, 24 or 32 bits, top-left origin), every byte
// accounted for, the colour key turned transparent as the demo's reader does.
#pragma once
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

// A whole file, as the decoder takes it; empty when it cannot be read.
inline std::vector<uint8_t> readfile(const std::string& path)
{
    std::vector<uint8_t> b;
    FILE* f = fopen(path.c_str(), "rb");
    if (!f) return b;
    int c;
    while ((c = fgetc(f)) != EOF) b.push_back((uint8_t)c);
    fclose(f);
    return b;
}

struct tga_picture {
    int width = 0, height = 0, depth = 0, type = 0;
    std::vector<uint8_t> rgba;  // after the colour key
    std::string error;          // empty when the file decoded exactly
    const uint8_t* at(int x, int y) const { return &rgba[((size_t)y * width + x) * 4]; }
};

inline tga_picture DecodeTGA(const std::vector<uint8_t>& f)
{
    tga_picture p;
    if (f.size() < 18) return p.error = "shorter than a header", p;
    p.type = f[2];
    p.width = f[12] | f[13] << 8;
    p.height = f[14] | f[15] << 8;
    p.depth = f[16];
    if (f[0] != 0 || f[1] != 0) return p.error = "id or colour map present", p;
    if (p.type != 2 && p.type != 10) return p.error = "type " + std::to_string(p.type), p;
    if (p.depth != 24 && p.depth != 32) return p.error = "depth " + std::to_string(p.depth), p;
    if ((f[17] & 0x30) != 0x20) return p.error = "origin is not top left", p;
    const int bpp = p.depth / 8;
    const size_t pixels = (size_t)p.width * p.height;
    p.rgba.assign(pixels * 4, 0);
    size_t pos = 18, n = 0;
    auto put = [&](const uint8_t* src) {
        uint8_t* d = &p.rgba[n * 4];
        d[0] = src[2], d[1] = src[1], d[2] = src[0], d[3] = bpp == 4 ? src[3] : 255;
        if (d[0] > 240 && d[1] < 16 && d[2] > 240) d[0] = d[1] = d[2] = d[3] = 0;
        n++;
    };
    while (n < pixels) {
        if (p.type == 2) {
            if (pos + bpp > f.size()) return p.error = "pixel data cut short", p;
            put(&f[pos]);
            pos += bpp;
            continue;
        }
        if (pos >= f.size()) return p.error = "packets cut short", p;
        const uint8_t h = f[pos++];
        const size_t count = (h & 0x7F) + 1u;
        if (n + count > pixels) return p.error = "a packet runs past the image", p;
        if (h & 0x80) {
            if (pos + bpp > f.size()) return p.error = "run cut short", p;
            for (size_t i = 0; i < count; i++) put(&f[pos]);
            pos += bpp;
        } else {
            if (pos + count * bpp > f.size()) return p.error = "raw packet cut short", p;
            for (size_t i = 0; i < count; i++, pos += bpp) put(&f[pos]);
        }
    }
    if (pos != f.size()) p.error = std::to_string(f.size() - pos) + " bytes after the pixels";
    return p;
}
