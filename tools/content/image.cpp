// TGA encoding for the content tool. The bytes depend only on the pixels, so
// the same picture always gives the same file.
#include "image.h"

#include <cairo.h>

#include <algorithm>
#include <cstdio>

namespace {

// One pixel as the file will hold it (blue, green, red[, alpha]).
void encode_pixel(const uint8_t* p, tga_kind kind, int keythreshold, uint8_t* out)
{
    if (kind == TGA_ALPHA32) {
        out[0] = p[2], out[1] = p[1], out[2] = p[0], out[3] = p[3];
        // The reader keys 32-bit pixels too, whatever their alpha.
        if (p[3] != 0 && out[2] > 240 && out[1] < 16 && out[0] > 240) out[1] = 16;
        return;
    }
    if (kind == TGA_KEYED24 && p[3] < keythreshold) {
        out[0] = TGA_KEY_B, out[1] = TGA_KEY_G, out[2] = TGA_KEY_R;
        return;
    }
    // Opaque over black: the demo draws keyed pictures without blending.
    for (int c = 0; c < 3; c++) out[2 - c] = (uint8_t)((p[c] * p[3] + 127) / 255);
    if (kind == TGA_OPAQUE24) return;
    // A drawn pixel must never read as the key.
    if (out[2] > 240 && out[1] < 16 && out[0] > 240) out[1] = 16;
}

}  // namespace

std::vector<uint8_t> EncodeTGA(const content_image& image, tga_kind kind, bool rle, int keythreshold)
{
    const int bpp = kind == TGA_ALPHA32 ? 4 : 3;
    std::vector<uint8_t> out(18, 0);
    out[2] = rle ? 10 : 2;
    out[12] = (uint8_t)image.width, out[13] = (uint8_t)(image.width >> 8);
    out[14] = (uint8_t)image.height, out[15] = (uint8_t)(image.height >> 8);
    out[16] = (uint8_t)(bpp * 8);
    out[17] = (uint8_t)(0x20 | (kind == TGA_ALPHA32 ? 8 : 0));  // top-left origin, alpha bits

    std::vector<uint8_t> row((size_t)image.width * bpp);
    for (int y = 0; y < image.height; y++) {
        for (int x = 0; x < image.width; x++) encode_pixel(image.at(x, y), kind, keythreshold, &row[(size_t)x * bpp]);
        if (!rle) {
            out.insert(out.end(), row.begin(), row.end());
            continue;
        }
        // Packets stay within a row: simpler to read, and the reader allows it.
        int x = 0;
        while (x < image.width) {
            auto same = [&](int a, int b) {
                return std::equal(&row[(size_t)a * bpp], &row[(size_t)a * bpp] + bpp, &row[(size_t)b * bpp]);
            };
            int run = 1;
            while (x + run < image.width && run < 128 && same(x, x + run)) run++;
            if (run > 1) {
                out.push_back((uint8_t)(0x80 | (run - 1)));
                out.insert(out.end(), &row[(size_t)x * bpp], &row[(size_t)x * bpp] + bpp);
                x += run;
                continue;
            }
            int raw = 1;
            while (x + raw < image.width && raw < 128 && !(x + raw + 1 < image.width && same(x + raw, x + raw + 1)))
                raw++;
            out.push_back((uint8_t)(raw - 1));
            out.insert(out.end(), &row[(size_t)x * bpp], &row[(size_t)(x + raw) * bpp]);
            x += raw;
        }
    }
    return out;
}

content_image AsLoaded(const content_image& image, tga_kind kind, int keythreshold)
{
    content_image shown(image.width, image.height);
    for (int y = 0; y < image.height; y++)
        for (int x = 0; x < image.width; x++) {
            uint8_t px[4] = {0, 0, 0, 255};
            encode_pixel(image.at(x, y), kind, keythreshold, px);
            uint8_t* d = shown.at(x, y);
            d[0] = px[2], d[1] = px[1], d[2] = px[0], d[3] = kind == TGA_ALPHA32 ? px[3] : 255;
            if (d[0] > 240 && d[1] < 16 && d[2] > 240) d[0] = d[1] = d[2] = d[3] = 0;
        }
    return shown;
}

bool WriteFile(const std::string& path, const std::vector<uint8_t>& bytes)
{
    FILE* f = fopen(path.c_str(), "wb");
    if (!f) {
        fprintf(stderr, "content: cannot create %s\n", path.c_str());
        return false;
    }
    bool ok = bytes.empty() || fwrite(bytes.data(), bytes.size(), 1, f) == 1;
    ok = fclose(f) == 0 && ok;
    if (!ok) fprintf(stderr, "content: cannot write %s\n", path.c_str());
    return ok;
}

bool WritePNG(const std::string& path, const content_image& image)
{
    cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, image.width, image.height);
    cairo_surface_flush(s);
    uint8_t* data = cairo_image_surface_get_data(s);
    const int stride = cairo_image_surface_get_stride(s);
    for (int y = 0; y < image.height; y++)
        for (int x = 0; x < image.width; x++) {
            const uint8_t* p = image.at(x, y);
            uint32_t a = p[3];
            uint32_t px = a << 24 | (p[0] * a + 127) / 255 << 16 | (p[1] * a + 127) / 255 << 8 | (p[2] * a + 127) / 255;
            *(uint32_t*)(data + (size_t)y * stride + (size_t)x * 4) = px;
        }
    cairo_surface_mark_dirty(s);
    const bool ok = cairo_surface_write_to_png(s, path.c_str()) == CAIRO_STATUS_SUCCESS;
    cairo_surface_destroy(s);
    if (!ok) fprintf(stderr, "content: cannot write %s\n", path.c_str());
    return ok;
}
