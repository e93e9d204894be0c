// The ring and the software mixer. The ring is 4 blocks of 2048 frames that
// an output plays in order; each block, once played, is refilled by the mixer
// and queued again behind the other three, so the positions the mixer
// advances run about three blocks ahead of what is heard. The four blocks
// queued at start are short (2048 bytes) and silent: a new output is heard
// within 46 ms, and the first block of sound follows them.
// Threads: the output's thread (SDL's audio thread, or the caller of the
// offline output) plays the ring and mixes; the demo thread opens and closes
// it. Ring and mixer run under the sound system's lock, held for a whole
// block, so the demo thread sees the active table and the mix buffer only
// between blocks. Mixing is integer arithmetic with gains fixed per block.
#include "sound/audiodriver.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "sound/audiodriver_output.h"
#include "sound/coresound.h"

enum {
    AUDIO_NUMBLOCKS = 4,
    AUDIO_BLOCKFRAMES = 2048,
    AUDIO_STARTBYTES = 2048
};

static int g_output = AUDIODRIVER_DEVICE;  // output the next init opens
static int g_opened = -1;                  // output that is open, -1: none
static unsigned g_frequency = 0;           // the open ring's format
static unsigned g_bits = 0;
static int g_channels = 0;
static unsigned char* g_audio_buffer = nullptr;  // 4 blocks of g_buffer_size bytes
static uint32_t g_sample_size = 0;               // bytes per output frame
static uint32_t g_buffer_size = 0;               // bytes per block
static uint32_t g_cur_buf = 0;                   // block played now, refilled next
static uint32_t g_block_bytes[AUDIO_NUMBLOCKS];  // queued bytes of each block
static uint32_t g_play_offset = 0;               // bytes of block g_cur_buf already played
static uint64_t g_played_bytes = 0;              // bytes the output has played since it opened

void audiodriver_setoutput(int output) { g_output = output; }

// Opens (or closes) an output of the given kind on the ring's format.
static int audiodriver_openkind(int output)
{
    switch (output) {
    case AUDIODRIVER_OFFLINE: return audiodriver_offline_open(g_sample_size);
    case AUDIODRIVER_SILENT:
        puts("AUDIO: the silent output, as asked: playing silence in real time");
        return audiodriver_silent_open(g_frequency, g_sample_size);
    default: return audiodriver_device_open(g_frequency, g_bits, (int)g_channels);
    }
}

static void audiodriver_closekind(int output)
{
    if (output == AUDIODRIVER_DEVICE) audiodriver_device_close();
    if (output == AUDIODRIVER_OFFLINE) audiodriver_offline_close();
    if (output == AUDIODRIVER_SILENT) audiodriver_silent_close();
}

int audiodriver_init(unsigned frequency, unsigned bits, int bufferlength, int flags)
{
    (void)bufferlength;  // the block is 2048 frames whatever is asked
    if (frequency == 0) return 1;
    audiodriver_close();  // a second init replaces the first

    int channels = (flags & 2) ? 2 : 1;
    soundsystem_lock();
    soundsystem.bits = (uint16_t)bits;
    soundsystem.channels = (uint16_t)channels;
    soundsystem_unlock();
    if (bits != 8 && bits != 16) return 0;

    g_frequency = frequency;
    g_bits = bits;
    g_channels = channels;
    g_sample_size = (bits / 8) * (uint32_t)channels;
    g_buffer_size = g_sample_size * AUDIO_BLOCKFRAMES;
    printf("sample size: %d\nbuffer size: %d\n", (int)g_sample_size, (int)g_buffer_size);

    unsigned char* ring = (unsigned char*)malloc(AUDIO_NUMBLOCKS * g_buffer_size);
    if (!ring) return 0;
    memset(ring, bits == 8 ? 128 : 0, AUDIO_NUMBLOCKS * g_buffer_size);
    soundsystem_lock();
    g_audio_buffer = ring;
    for (int i = 0; i < AUDIO_NUMBLOCKS; i++) g_block_bytes[i] = AUDIO_STARTBYTES;
    g_cur_buf = 0;
    g_play_offset = 0;
    g_played_bytes = 0;
    soundsystem.bufferlength = g_buffer_size / g_sample_size;
    soundsystem_unlock();

    puts("open waveout");
    int opened = audiodriver_openkind(g_output);
    if (!opened) {
        puts("open wav-buffers");
        puts("AUDIO: error opening audio buffer");
        soundsystem_lock();
        g_audio_buffer = nullptr;
        soundsystem_unlock();
        free(ring);
        return 0;
    }
    g_opened = g_output;
    puts("AUDIO: opening audio device succesful!");
    puts("open wav-buffers");
    puts("audiodriver inited");
    return 1;
}

int audiodriver_switchoutput(int output, int restart)
{
    if (g_opened < 0) return 0;
    // The old output's last callback has run before the new one starts;
    // the ring, its blocks and where play stands in them stay as they are.
    audiodriver_closekind(g_opened);
    g_opened = -1;
    soundsystem_lock();
    g_played_bytes = 0;
    if (restart && g_audio_buffer) {
        memset(g_audio_buffer, g_bits == 8 ? 128 : 0, AUDIO_NUMBLOCKS * g_buffer_size);
        for (int i = 0; i < AUDIO_NUMBLOCKS; i++) g_block_bytes[i] = AUDIO_STARTBYTES;
        g_cur_buf = 0;
        g_play_offset = 0;
    }
    soundsystem_unlock();
    const int opened = audiodriver_openkind(output);
    if (!opened) return 0;
    g_opened = g_output = output;
    return 1;
}

int audiodriver_openoutput() { return g_opened; }

void audiodriver_close()
{
    // The output's callback is stopped first; only then is the ring freed.
    audiodriver_closekind(g_opened);
    g_opened = -1;
    soundsystem_lock();
    unsigned char* ring = g_audio_buffer;
    g_audio_buffer = nullptr;
    g_play_offset = 0;
    g_cur_buf = 0;
    soundsystem_unlock();
    free(ring);
}

int audiodriver_getbuffer(void** block, unsigned* bytes)
{
    soundsystem_lock();
    if (block) *block = g_audio_buffer ? g_audio_buffer + g_cur_buf * g_buffer_size : nullptr;
    if (bytes) *bytes = g_buffer_size;
    soundsystem_unlock();
    return 1;
}

void audiodriver_submitbuffer()
{
    // Feeding by hand: the block handed out is queued whole and the ring
    // moves on to the next, as the refill does.
    soundsystem_lock();
    if (g_audio_buffer) {
        g_block_bytes[g_cur_buf] = g_buffer_size;
        g_cur_buf = (g_cur_buf + 1) % AUDIO_NUMBLOCKS;
        g_play_offset = 0;
    }
    soundsystem_unlock();
}

void fillnextbuffer()
{
    soundsystem_lock();
    if (g_audio_buffer) {
        unsigned char* block = g_audio_buffer + g_cur_buf * g_buffer_size;
        g_block_bytes[g_cur_buf] = g_buffer_size;
        audiodriver_mixbuffers(block, (int)g_buffer_size, 0);
        g_cur_buf = (g_cur_buf + 1) % AUDIO_NUMBLOCKS;
        g_play_offset = 0;
    }
    soundsystem_unlock();
}

unsigned char* audiodriver_ringblock(int index, uint32_t* bytes)
{
    soundsystem_lock();
    unsigned char* block = nullptr;
    if (g_audio_buffer && index >= 0 && index < AUDIO_NUMBLOCKS) {
        block = g_audio_buffer + index * g_buffer_size;
        *bytes = g_block_bytes[index];
    }
    soundsystem_unlock();
    return block;
}

void audiodriver_ringplayed(uint32_t bytes)
{
    soundsystem_lock();
    g_played_bytes += bytes;
    soundsystem_unlock();
}

uint32_t audiodriver_aheadframes() { return g_opened == AUDIODRIVER_DEVICE ? audiodriver_device_ahead() : 0; }

uint64_t audiodriver_playedframes()
{
    soundsystem_lock();
    const uint64_t frames = g_sample_size ? g_played_bytes / g_sample_size : 0;
    soundsystem_unlock();
    return frames;
}

// A new ring: the four short start blocks play first, each refilled with a
// whole block as it ends; from then on a block is mixed each time a whole
// one has played.
static uint64_t audiodriver_startframes()
{
    const uint32_t framebytes = g_sample_size ? g_sample_size : 4;
    const uint64_t frames = AUDIO_STARTBYTES / framebytes;
    return frames ? frames : 1;
}

uint32_t audiodriver_blocksby(uint64_t frames)
{
    const uint64_t start = audiodriver_startframes();
    if (frames < AUDIO_NUMBLOCKS * start) return uint32_t(frames / start);
    return uint32_t(AUDIO_NUMBLOCKS + (frames - AUDIO_NUMBLOCKS * start) / AUDIO_BLOCKFRAMES);
}

uint64_t audiodriver_framesfor(uint32_t blocks)
{
    const uint64_t start = audiodriver_startframes();
    if (blocks <= AUDIO_NUMBLOCKS) return blocks * start;
    return AUDIO_NUMBLOCKS * start + uint64_t(blocks - AUDIO_NUMBLOCKS) * AUDIO_BLOCKFRAMES;
}

uint32_t audiodriver_ringoffset()
{
    soundsystem_lock();
    const uint32_t offset = g_play_offset;
    soundsystem_unlock();
    return offset;
}

int audiodriver_ringnext()
{
    soundsystem_lock();
    int next = (int)g_cur_buf;
    soundsystem_unlock();
    return next;
}

int audiodriver_playring(void* out, unsigned bytes)
{
    unsigned char* dst = (unsigned char*)out;
    int mixed = 0;
    soundsystem_lock();
    while (bytes > 0) {
        if (!g_audio_buffer) {
            if (dst) memset(dst, soundsystem.bits == 8 ? 128 : 0, bytes);
            break;
        }
        uint32_t left = g_block_bytes[g_cur_buf] - g_play_offset;
        uint32_t n = std::min<uint32_t>(left, bytes);
        if (dst) {
            memcpy(dst, g_audio_buffer + g_cur_buf * g_buffer_size + g_play_offset, n);
            dst += n;
        }
        bytes -= n;
        g_play_offset += n;
        g_played_bytes += n;
        if (g_play_offset == g_block_bytes[g_cur_buf]) {
            fillnextbuffer();
            mixed++;
        }
    }
    soundsystem_unlock();
    return mixed;
}

// One sound into the mix buffer for `frames` frames. Bits of the source and
// the two channel layouts are template arguments so the frame loop has no
// format tests. Returns 1 when the sound ended and must be stopped, 2 when
// its stream callback stopped it, deleted it or gave it other data: nothing
// more of it is mixed in this block.
template <bool SIXTEEN, bool STEREOSOURCE, bool STEREOOUT>
static int mix_sound(s_sound* sound, int32_t* mix, int frames, int32_t g, int32_t gl, int32_t gr)
{
    const uint64_t end = (uint64_t)sound->length * 256u;  // in 64 bits: long sounds end right
    // Samples that really exist, whatever `length` claims.
    const uint32_t avail = SIXTEEN ? sound->size / 2 : sound->size;
    const uint32_t limit = std::min(sound->length, avail);
    const uint8_t* bytes = (const uint8_t*)sound->data;
    const int16_t* words = (const int16_t*)sound->data;
    const uint64_t step = sound->step;
    uint64_t position = sound->position;

    auto sample = [&](uint32_t k) -> int32_t {
        if (k >= limit) return 0;
        return SIXTEEN ? (int32_t)words[k] : ((int32_t)bytes[k] - 128) * 256;
    };

    int ended = 0;
    for (int f = 0; f < frames; f++) {
        uint32_t k = (uint32_t)(position >> 8);
        if (STEREOOUT) {
            // A stereo source gives both samples of the frame that k falls
            // in: a step that is not whole frames (a 22050 Hz source) lands
            // on a right sample every other output frame.
            int32_t l = sample(STEREOSOURCE ? k & ~1u : k);
            int32_t r = STEREOSOURCE ? sample(k | 1u) : l;
            mix[2 * f] += l * gl;
            mix[2 * f + 1] += r * gr;
        } else {
            mix[f] += sample(k) * g;
        }
        position += step;
        if (position >= end) {
            if (sound->callback) {
                // The callback sees (and may move) the position play has
                // reached, before the wrap; the demo thread does not.
                mox_mixview = {&sound->position.value, position};
                sound->callback(sound->data, sound->size);
                position = mox_mixview.value;
                mox_mixview.field = nullptr;
                // A callback that moved play back before the end chose where
                // it goes on; taking the end off that would wrap around.
                if (position >= end) position -= end;
                if (!sound->playing) {
                    sound->position = position;  // as its stop or deletion left it
                    return 2;                    // its data may be gone
                }
                if (sound->data != (const void*)bytes) {
                    sound->position = position;  // new data plays from the next block
                    return 2;
                }
            } else if (sound->loop) {
                position -= end;
            } else {
                ended = 1;
                break;
            }
        }
    }
    if (!ended) sound->position = position;
    return ended;
}

typedef int (*mixfunc)(s_sound*, int32_t*, int, int32_t, int32_t, int32_t);
static const mixfunc mixers[2][2][2] = {
    {{mix_sound<false, false, false>, mix_sound<false, false, true>},
     {mix_sound<false, true, false>, mix_sound<false, true, true>}},
    {{mix_sound<true, false, false>, mix_sound<true, false, true>},
     {mix_sound<true, true, false>, mix_sound<true, true, true>}},
};

void audiodriver_mixbuffers(void* block, int bytes, int unused)
{
    (void)unused;
    soundsystem_lock();
    // Mixing moves the live positions, whatever past block this thread views.
    const mox_pastview viewed = mox_blockview;
    mox_blockview.count = 0;
    soundsystem_keepstarts();
    int32_t* mix = soundsystem.output_buffer;
    const bool sixteen = soundsystem.bits == 16;
    const bool stereo = soundsystem.channels == 2;
    int n = bytes < 0 ? 0 : (sixteen ? bytes / 2 : bytes);
    // Never more values than the mix buffer holds.
    n = std::min<int>(n, (int)(soundsystem.output_size / 4));
    if (!mix) n = 0;
    const int frames = stereo ? n / 2 : n;
    if (mix) memset(mix, 0, soundsystem.output_size);

    for (int i = 0; i < soundsystem.numactive; i++) {
        s_sound* sound = active_sounds[i];
        if (!sound->playing || !sound->data) continue;
        uint32_t v = sound->music == 1 ? (uint32_t)soundsystem.music_volume * soundsystem.master_volume
                                       : (uint32_t)soundsystem.effect_volume * soundsystem.master_volume;
        int32_t g = (int32_t)((sound->volume * v) >> 16);
        int32_t gl = (int32_t)((sound->volume_left * v) >> 16);
        int32_t gr = (int32_t)((sound->volume_right * v) >> 16);
        mixfunc mixer = mixers[sound->bits != 8][sound->channels == 2][stereo];
        if (mixer(sound, mix, frames, g, gl, gr) == 1) Soundsystem_StopSound(sound);
        // A sound that left the table (at its end, or stopped by its own
        // callback) gives its place to the next one, which is mixed next.
        if (i >= soundsystem.numactive || active_sounds[i] != sound) i--;
    }
    soundsystem_keepblock();
    mox_blockview = viewed;

    unsigned char* out = (unsigned char*)block;
    for (int i = 0; i < n; i++) {
        int32_t v = mix[i] >> 8;
        v = v < -32767 ? -32767 : (v > 32767 ? 32767 : v);
        if (sixteen) {
            out[2 * i] = (unsigned char)(v & 0xff);
            out[2 * i + 1] = (unsigned char)((v >> 8) & 0xff);
        } else {
            out[i] = (unsigned char)((v >> 8) + 128);
        }
    }
    soundsystem_unlock();
}
