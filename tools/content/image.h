// Pictures in memory and on disk: an RGBA image (straight alpha, rows from
// the top), the TGA writer the demo's reader takes, and a PNG copy for people
// who want to look at the content without the demo. Single-threaded tool code.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

struct content_image {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgba;  // width x height x 4: red, green, blue, alpha

    content_image() = default;
    content_image(int w, int h) : width(w), height(h), rgba((size_t)w * h * 4, 0) {}
    uint8_t* at(int x, int y) { return &rgba[((size_t)y * width + x) * 4]; }
    const uint8_t* at(int x, int y) const { return &rgba[((size_t)y * width + x) * 4]; }
};

enum tga_kind {
    TGA_ALPHA32,  // 32-bit, alpha kept: for blended overlays and sprites
    TGA_KEYED24,  // 24-bit, transparency as the magenta colour key
    TGA_OPAQUE24  // 24-bit, every pixel shown
};

// The colour that the reader turns into transparent black.
constexpr uint8_t TGA_KEY_R = 255, TGA_KEY_G = 0, TGA_KEY_B = 255;

// Encodes the image as a TGA file, top-left origin. Keyed: pixels with alpha
// below `keythreshold` become the key colour and the rest are made opaque
// over black. Run-length packing (type 10) when `rle` is set, else type 2.
std::vector<uint8_t> EncodeTGA(const content_image& image, tga_kind kind, bool rle, int keythreshold = 32);

// The image as the demo will see it after loading: keyed pixels transparent
// black, everything else as encoded. Used for the PNG copy.
content_image AsLoaded(const content_image& image, tga_kind kind, int keythreshold = 32);

bool WriteFile(const std::string& path, const std::vector<uint8_t>& bytes);
bool WritePNG(const std::string& path, const content_image& image);
