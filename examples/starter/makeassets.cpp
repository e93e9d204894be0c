// The starter's data from code: makeassets ASSETDIR TIMINGTEXT writes
//   ASSETDIR/title.tga  "MOX STARTER" in a 5 x 7 pixel font, eight times
//                       larger, white with a soft shadow, 32-bit with alpha
//   ASSETDIR/music.wav  16 s at 120 beats a minute: a kick on every beat
//                       over a chord, 44100 Hz 16-bit stereo
//   TIMINGTEXT          the sync table as timingtool reads it: track 0 the
//                       scene at 0 and the end at 15.5 s, track 1 a pulse
//                       on every beat
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace {

const int SCALE = 8, RATE = 44100, SECONDS = 16;
const double BEAT = 0.5;  // seconds

// The letters the title needs, 5 x 7, a row a string.
const char* glyph(char c)
{
    switch (c) {
    case 'M': return "10001110111010110001100011000110001";
    case 'O': return "01110100011000110001100011000101110";
    case 'X': return "10001100010101000100010101000110001";
    case 'S': return "01111100001000001110000010000111110";
    case 'T': return "11111001000010000100001000010000100";
    case 'A': return "01110100011000111111100011000110001";
    case 'R': return "11110100011000111110101001001010001";
    case 'E': return "11111100001000011110100001000011111";
    default: return "00000000000000000000000000000000000";
    }
}

void put16(std::vector<uint8_t>& b, uint32_t v) { b.push_back(uint8_t(v)), b.push_back(uint8_t(v >> 8)); }
void put32(std::vector<uint8_t>& b, uint32_t v) { put16(b, v & 0xFFFF), put16(b, v >> 16); }

bool write(const std::string& path, const std::vector<uint8_t>& bytes)
{
    FILE* f = fopen(path.c_str(), "wb");
    bool ok = f && fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    if (f) ok = fclose(f) == 0 && ok;
    if (!ok) fprintf(stderr, "makeassets: %s cannot be written\n", path.c_str());
    return ok;
}

bool title(const std::string& path)
{
    const std::string text = "MOX STARTER";
    const int w = int(text.size()) * 6 * SCALE + 2 * SCALE, h = 9 * SCALE;
    std::vector<uint8_t> alpha(size_t(w) * h, 0), white(size_t(w) * h, 0);
    for (size_t i = 0; i < text.size(); i++)
        for (int row = 0; row < 7; row++)
            for (int col = 0; col < 5; col++) {
                if (glyph(text[i])[row * 5 + col] != '1') continue;
                for (int y = 0; y < SCALE; y++)
                    for (int x = 0; x < SCALE; x++) {
                        const int px = SCALE + int(i) * 6 * SCALE + col * SCALE + x, py = SCALE + row * SCALE + y;
                        white[size_t(py) * w + px] = 255;
                        // The shadow, down and right.
                        const size_t s = size_t(py + SCALE / 2) * w + px + SCALE / 2;
                        if (py + SCALE / 2 < h && px + SCALE / 2 < w) alpha[s] = std::max<uint8_t>(alpha[s], 128);
                    }
            }
    // TGA, uncompressed 32-bit, top-left origin (descriptor 0x28).
    std::vector<uint8_t> b = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    put16(b, uint16_t(w)), put16(b, uint16_t(h));
    b.push_back(32), b.push_back(0x28);
    for (size_t i = 0; i < white.size(); i++) {
        const uint8_t v = white[i], a = v ? 255 : alpha[i];
        b.push_back(v), b.push_back(v), b.push_back(v), b.push_back(a);  // blue, green, red, alpha
    }
    return write(path, b);
}

bool music(const std::string& path)
{
    const uint32_t frames = RATE * SECONDS;
    std::vector<uint8_t> b;
    b.insert(b.end(), {'R', 'I', 'F', 'F'});
    put32(b, 36 + frames * 4);
    b.insert(b.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    put32(b, 16), put16(b, 1), put16(b, 2), put32(b, RATE), put32(b, RATE * 4), put16(b, 4), put16(b, 16);
    b.insert(b.end(), {'d', 'a', 't', 'a'});
    put32(b, frames * 4);
    const double chord[3] = {220.0, 277.18, 329.63};
    for (uint32_t i = 0; i < frames; i++) {
        const double t = double(i) / RATE, inbeat = std::fmod(t, BEAT);
        // The kick: a falling sine, gone within a fifth of a second.
        double v = 0.6 * std::sin(6.2832 * (50 + 120 * std::exp(-inbeat * 30)) * inbeat) * std::exp(-inbeat * 12);
        for (double f : chord) v += 0.08 * std::sin(6.2832 * f * t) * (0.6 + 0.4 * std::sin(6.2832 * 0.25 * t));
        v *= std::min(1.0, (SECONDS - t) * 2);  // out over the last half second
        const int16_t s = int16_t(std::lround(std::max(-1.0, std::min(1.0, v)) * 30000));
        put16(b, uint16_t(s)), put16(b, uint16_t(s));
    }
    return write(path, b);
}

bool timing(const std::string& path)
{
    const double units = RATE * 2 / 4.0;  // timing units a second: four samples of the stereo music
    std::string text = "# the starter's sync table: timingtool build makes timing.dat of it\n";
    text += "track 0 events 2\nevent 0 0\nevent 1 " + std::to_string(long(15.5 * units)) + "\n";
    const int beats = int((SECONDS - 1) / BEAT);
    text += "track 1 events " + std::to_string(beats + 1) + "\nevent 0 0\n";
    for (int i = 1; i <= beats; i++) text += "event " + std::to_string(i) + " " + std::to_string(long(i * BEAT * units)) + "\n";
    text += "track 2 events 1\nevent 0 0\ntrack 3 events 1\nevent 0 0\n";
    return write(path, std::vector<uint8_t>(text.begin(), text.end()));
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        fprintf(stderr, "usage: makeassets ASSETDIR TIMINGTEXT\n");
        return 2;
    }
    std::filesystem::create_directories(argv[1]);
    const std::string dir = argv[1];
    return title(dir + "/title.tga") && music(dir + "/music.wav") && timing(argv[2]) ? 0 : 1;
}
