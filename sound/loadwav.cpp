// WAV files: the reader and writer of the canonical 44-byte PCM layout
// (RIFF, WAVE, a 16-byte "fmt " body, then "data" at offset 36). No chunk
// walking: a file laid out any other way is refused. The reader goes through
// the file layer, so sounds come from the mounted image or directory; it
// trusts no count in the file and never reads past what the file holds.
// Demo thread only.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "core/corefile.h"
#include "sound/coresound.h"

static const uint32_t WAV_HEADERSIZE = 44;  // the canonical header: RIFF (12), fmt (8 + 16), data (8)
static_assert(WAV_HEADERSIZE == 12 + 8 + 16 + 8, "the canonical WAV header is 44 bytes");
// The largest WAV file taken (25 minutes of 44100 Hz 16-bit stereo): a
// fixed ceiling, so a file is taken or refused alike on every word size
// (the file and its samples are both held while it loads).
static const uint32_t WAV_MAXFILEBYTES = 256u << 20;

static uint32_t get32(const unsigned char* p)
{
    return (uint32_t)p[0] | (uint32_t)p[1] << 8 | (uint32_t)p[2] << 16 | (uint32_t)p[3] << 24;
}
static uint16_t get16(const unsigned char* p) { return (uint16_t)(p[0] | p[1] << 8); }
static void put32(unsigned char* p, uint32_t v)
{
    p[0] = (unsigned char)v;
    p[1] = (unsigned char)(v >> 8);
    p[2] = (unsigned char)(v >> 16);
    p[3] = (unsigned char)(v >> 24);
}
static void put16(unsigned char* p, uint16_t v)
{
    p[0] = (unsigned char)v;
    p[1] = (unsigned char)(v >> 8);
}

// Checks what the canonical layout leaves open; 1 when the data can be taken.
static int wav_checkdata(const char* name, const s_sound* sound, uint32_t datasize, uint32_t filesize)
{
    // The mixer plays 8-bit unsigned and 16-bit signed samples; anything
    // else would play as noise.
    if (sound->bits != 8 && sound->bits != 16) {
        printf("%s: refused, %u bits per sample: 8 or 16 are played\n", name, (unsigned)sound->bits);
        return 0;
    }
    if (sound->channels == 0) {
        printf("%s: refused, no channels\n", name);
        return 0;
    }
    if (datasize > filesize - WAV_HEADERSIZE) {
        printf("%s: refused, %u data bytes claimed but %u in the file\n", name, (unsigned)datasize,
               (unsigned)(filesize - WAV_HEADERSIZE));
        return 0;
    }
    return 1;
}

int Soundsystem_LoadWAV(const char* name, s_sound* sound)
{
    corefile_handle h;
    if (!corefile_open(name, &h, 0)) return 0;
    if (h.size < 0) {
        corefile_close(&h);
        printf("%s: refused, unreadable size\n", name);
        return 0;
    }
    uint32_t filesize = (uint32_t)h.size;
    if (filesize > WAV_MAXFILEBYTES) {
        corefile_close(&h);
        printf("%s: refused, %u bytes is more than the %u a sound's file may have\n", name, (unsigned)filesize,
               (unsigned)WAV_MAXFILEBYTES);
        return 0;
    }
    // At least a header's worth, zeroed, so a short file is judged on the
    // bytes it has and reads as zeros beyond them.
    unsigned char* file = (unsigned char*)calloc(1, filesize < WAV_HEADERSIZE ? WAV_HEADERSIZE : filesize);
    if (!file) {
        corefile_close(&h);
        printf("%s: refused, no memory for %u bytes\n", name, (unsigned)filesize);
        return 0;
    }
    if (filesize) corefile_read(file, (int)filesize, 1, &h);
    corefile_close(&h);

    int result = 0;
    if (memcmp(file, "RIFF", 4) != 0 || memcmp(file + 8, "WAVE", 4) != 0) {
        printf("No WAV file");
    } else if (memcmp(file + 12, "fmt", 3) != 0) {
        // refused without a message
    } else {
        sound->channels = get16(file + 22);
        sound->frequency = get32(file + 24);
        sound->bits = get16(file + 34);
        if (get16(file + 20) != 1) {
            printf("Not PCM signed");
        } else if (memcmp(file + 36, "data", 4) != 0) {
            // another chunk before the data: refused without a message
        } else if (filesize < WAV_HEADERSIZE) {
            printf("%s: refused, %u bytes is shorter than the header\n", name, (unsigned)filesize);
        } else {
            uint32_t datasize = get32(file + 40);
            if (wav_checkdata(name, sound, datasize, filesize)) {
                void* data = malloc(datasize ? datasize : 1);
                if (!data) {
                    printf("%s: refused, no memory for %u bytes\n", name, (unsigned)datasize);
                } else {
                    memcpy(data, file + WAV_HEADERSIZE, datasize);
                    sound->data = data;
                    sound->size = datasize;
                    sound->length = datasize / (sound->bits / 8u);
                    result = 1;
                }
            }
        }
    }
    free(file);
    return result;
}

int Soundsystem_SaveWAV(const char* name, s_sound* sound)
{
    uint32_t bytes = sound->bits / 8u;
    uint32_t datasize = bytes * sound->length;
    // The copied amount is `size`; the header's sizes come from `length`.
    // For a loaded sound the two agree.
    if (sound->size > (uint32_t)INT32_MAX - WAV_HEADERSIZE || (sound->size && !sound->data)) {
        printf("%s: not written, %u bytes of sample data cannot be saved\n", name, (unsigned)sound->size);
        return 1;
    }
    uint32_t total = sound->size + WAV_HEADERSIZE;
    unsigned char* file = (unsigned char*)calloc(1, total);
    if (!file) {
        printf("%s: not written, no memory for %u bytes\n", name, (unsigned)total);
        return 1;
    }
    memcpy(file, "RIFF", 4);
    put32(file + 4, datasize + 36);
    memcpy(file + 8, "WAVE", 4);
    memcpy(file + 12, "fmt ", 4);
    put32(file + 16, 16);
    put16(file + 20, 1);
    put16(file + 22, sound->channels);
    put32(file + 24, sound->frequency);
    put32(file + 28, sound->channels * bytes * sound->frequency);
    put16(file + 32, (uint16_t)(sound->channels * bytes));
    put16(file + 34, sound->bits);
    memcpy(file + 36, "data", 4);
    put32(file + 40, datasize);
    if (sound->size) memcpy(file + WAV_HEADERSIZE, sound->data, sound->size);
    corefile_savebuffer(name, file, (int)total);
    free(file);
    return 1;
}

// --- files laid out otherwise ----------------------------------------------------

// A chunk's tag, printable.
static std::string wav_tag(const unsigned char* p)
{
    std::string tag;
    for (int i = 0; i < 4; i++) tag += (p[i] >= 32 && p[i] < 127) ? (char)p[i] : '?';
    while (!tag.empty() && tag.back() == ' ') tag.pop_back();
    return tag;
}

const char* Soundsystem_WAVProblem(const char* name)
{
    static std::string problem;
    corefile_handle h;
    if (!corefile_open(name, &h, 0)) return nullptr;
    unsigned char head[WAV_HEADERSIZE + 8] = {0};
    const int size = h.size;
    if (size > 0) corefile_read(head, size < (int)sizeof head ? size : (int)sizeof head, 1, &h);
    corefile_close(&h);
    const uint32_t fmtsize = get32(head + 16), tag = get16(head + 20), bits = get16(head + 34);
    problem = name;
    if (size < 12 || memcmp(head, "RIFF", 4) != 0 || memcmp(head + 8, "WAVE", 4) != 0) {
        problem += ": not a RIFF WAVE file";
    } else if (memcmp(head + 12, "fmt ", 4) != 0) {
        problem += ": a " + wav_tag(head + 12) +
                   " chunk comes before the format: only the canonical 44-byte PCM "
                   "header is read";
    } else if (tag == 0xFFFE) {
        // Its sub-format's first two bytes are the plain format tag.
        const char* samples = get16(head + 44) == 3 ? "floating point" : "PCM";
        problem += ": the format is the extensible one (" + std::to_string(fmtsize) + " bytes, " +
                   std::to_string(bits) + "-bit " + samples + "): only the canonical 44-byte PCM header is read";
    } else if (tag == 3) {
        problem += ": " + std::to_string(bits) + "-bit floating-point samples: 8- or 16-bit PCM is played";
    } else if (tag != 1) {
        problem += ": format " + std::to_string(tag) + " is not PCM";
    } else if (fmtsize != 16) {
        problem += ": a format chunk of " + std::to_string(fmtsize) +
                   " bytes: only the canonical 44-byte PCM "
                   "header is read";
    } else if (memcmp(head + 36, "data", 4) != 0) {
        problem += ": another chunk (" + wav_tag(head + 36) +
                   ") comes before the sample data: only the canonical "
                   "44-byte PCM header is read";
    } else if (bits != 8 && bits != 16) {
        problem += ": " + std::to_string(bits) + "-bit samples: 8- or 16-bit PCM is played";
    } else if (get16(head + 22) == 0) {
        problem += ": no channels";
    } else if (get32(head + 40) > (uint32_t)size - WAV_HEADERSIZE) {
        problem += ": the data chunk claims " + std::to_string(get32(head + 40)) + " bytes, the file holds " +
                   std::to_string(size - (int)WAV_HEADERSIZE);
    } else {
        return nullptr;
    }
    return problem.c_str();
}

const char* Soundsystem_WAVRemedy()
{
    return "write it as 16-bit PCM with the plain header: ffmpeg -i IN -c:a pcm_s16le -ar 44100 -ac 2 "
           "-fflags +bitexact -map_metadata -1 OUT.wav, or sox IN -b 16 -e signed-integer -r 44100 -c 2 OUT.wav";
}
