// The sound system's public interface: sound records, the global output
// record `soundsystem` and the table `active_sounds` that the mixer plays.
// Two threads meet here: the demo thread (every Soundsystem_ call) and the
// audio thread (the mixer). The table and the sounds in it change only under
// the sound system's lock; `position` and `playing` are read and written
// whole, so a sound copied by value on the demo thread never carries a torn
// clock.
#pragma once
#include <cstdint>

enum {
    SOUNDSYSTEM_MAXACTIVE = 16,
    SOUNDSYSTEM_HISTORY = 64
};

// The mixer's own view of one field while a stream's callback runs on the
// mixing thread: that thread reads and writes the view instead, so the
// callback sees the position play has reached in the block, while every
// other thread sees only what the mixer publishes once a block.
struct mox_sharedview {
    const void* field;  // the field viewed, null for none
    uint64_t value;
};
extern thread_local mox_sharedview mox_mixview;

// A thread's view of a block mixed earlier (Soundsystem_ViewBlock): the
// position and playing state of each sound then. Reads on that thread see
// these values; writes and every other thread see the live ones.
struct mox_pastview {
    int count;
    const void* field[2 * SOUNDSYSTEM_MAXACTIVE];
    uint64_t value[2 * SOUNDSYSTEM_MAXACTIVE];
};
extern thread_local mox_pastview mox_blockview;

// A field the audio thread writes while the demo thread reads it: every load
// and store is a single atomic access, so a copy of the record is never torn.
// It reads and assigns like the plain value.
template <typename T>
struct mox_shared {
    T value;

    mox_shared() = default;
    constexpr mox_shared(T v) : value(v) {}
    mox_shared(const mox_shared& other) : value(other.load()) {}
    mox_shared& operator=(const mox_shared& other)
    {
        store(other.load());
        return *this;
    }
    mox_shared& operator=(T v)
    {
        store(v);
        return *this;
    }
    operator T() const { return load(); }
    T load() const
    {
        if (mox_mixview.field == &value) return (T)mox_mixview.value;
        for (int i = 0; i < mox_blockview.count; i++)
            if (mox_blockview.field[i] == &value) return (T)mox_blockview.value[i];
        return __atomic_load_n(&value, __ATOMIC_ACQUIRE);
    }
    void store(T v)
    {
        if (mox_mixview.field == &value)
            mox_mixview.value = (uint64_t)v;
        else
            __atomic_store_n(&value, v, __ATOMIC_RELEASE);
    }
};

// Called by the mixer each time a stream's play reaches its end, with the
// sample data and its byte count, to refill the data. The result is ignored.
typedef int (*soundstream_callback)(void* data, uint32_t bytes);

// One sound. The caller owns the record, the sound owns `data`.
struct s_sound {
    mox_shared<int16_t> playing;    // nonzero while started
    uint16_t channels;              // 1 or 2, interleaved
    uint16_t bits;                  // 8 (unsigned) or 16 (signed little-endian)
    uint32_t size;                  // bytes of sample data
    uint32_t length;                // samples, all channels counted; play ends here
    uint32_t frequency;             // sample rate of the data in Hz
    mox_shared<uint64_t> position;  // sample index (all channels) x 256
    uint32_t step;                  // added to `position` per output frame
    uint32_t loop;                  // nonzero: wrap at the end instead of stopping
    uint32_t music;                 // exactly 1: music volume applies, else effect volume
    uint8_t volume;                 // gain on mono output
    uint8_t volume_left;            // gain of the left output channel
    uint8_t volume_right;           // gain of the right output channel
    uint8_t panning;                // 0 left .. 255 right
    soundstream_callback callback;  // streams only; null for loaded sounds
    void* data;                     // `size` bytes
};

// The output format, the three volume levels and the mix buffer.
struct s_soundsystem {
    uint32_t frequency;      // output frequency every step is computed for
    uint16_t channels;       // output channels, 1 or 2 (set by the driver)
    uint16_t bits;           // output bits, 8 or 16 (set by the driver)
    uint32_t bufferlength;   // frames per mix block: 2048
    uint32_t output_size;    // bytes of the mix buffer: channels x bufferlength x 4
    uint16_t master_volume;  // 0..255
    uint16_t music_volume;   // 0..255
    uint16_t effect_volume;  // 0..255
    int32_t* output_buffer;  // the mix buffer, written by the mixer only
    int32_t numactive;       // entries in use in active_sounds
};

extern s_soundsystem soundsystem;
extern s_sound* active_sounds[SOUNDSYSTEM_MAXACTIVE];

int Soundsystem_Init(int frequency, int bits, int channels);
void Soundsystem_CloseAudio();
void Soundsystem_SetMasterVolume(int volume);
void Soundsystem_SetMusicVolume(int volume);
void Soundsystem_SetEffectVolume(int volume);
void Soundsystem_SetVolume(s_sound* sound, int volume);
void Soundsystem_SetPanning(s_sound* sound, int panning);
void Soundsystem_SetFrequency(s_sound* sound, int frequency);
void Soundsystem_LoadSound(const char* name, s_sound* sound);
void Soundsystem_SaveSound(const char* name, s_sound* sound);
void Soundsystem_CreateSoundStream(s_sound* sound, soundstream_callback callback, int frequency, int bits, int channels,
                                   int length);
void Soundsystem_PlaySound(s_sound* sound, int loop);
void Soundsystem_PlayMusic(s_sound* sound, int loop);
void Soundsystem_StopSound(s_sound* sound);
void Soundsystem_StopMusic(s_sound* sound);
void Soundsystem_DeleteSound(s_sound* sound);
void Soundsystem_SetSoundOffset(s_sound* sound, uint64_t offset);
uint64_t Soundsystem_GetSoundOffset(s_sound sound);
// The last finished mix block (channels x bufferlength values, the mixer's
// sums before the shift and clamp). The demo thread gets its own copy, taken
// whole between two blocks; it stays valid until the next call. While the
// calling thread views an earlier block, that block.
int32_t* Soundsystem_GetOutputBuffer();

// The recent blocks, for a demo thread that catches up on a late frame: the
// mixer keeps the last SOUNDSYSTEM_HISTORY blocks it mixed, each one's mix
// buffer and where every started sound stood after it, so each rehearsed
// step can see the block its own time would have seen.
// Blocks mixed since Soundsystem_Init: the number of the last finished one.
uint32_t Soundsystem_BlocksMixed();
// On the calling thread, until the next view: every sound's position and
// playing state read as they stood between block `block` and the next (so
// a sound started after the block was mixed is seen at its start), and
// Soundsystem_GetOutputBuffer gives that block. Returns 0, with the live
// values, when the block is not kept (too old, or not mixed yet).
int Soundsystem_ViewBlock(uint32_t block);
// The live values again, on the calling thread.
void Soundsystem_ViewLive();
// The mixer, under the lock, after each block: keeps it in the history.
void soundsystem_keepblock();
// The mixer, under the lock, before each block: the last block's entry
// takes the sounds as they stand, started, stopped or moved since it.
void soundsystem_keepstarts();
char* upcase_sound(char* string);

// WAV files (loadwav.cpp): the canonical 44-byte PCM layout only.
int Soundsystem_LoadWAV(const char* name, s_sound* sound);
int Soundsystem_SaveWAV(const char* name, s_sound* sound);
// Why the file `name` (through the file layer) is not one the reader plays,
// as "NAME: reason", for the line of a program left without its sound; null
// when it is one, or cannot be opened. The text lasts until the next call.
const char* Soundsystem_WAVProblem(const char* name);
// How to write a file the reader plays, with ffmpeg or sox.
const char* Soundsystem_WAVRemedy();

// The lock that serialises the demo thread's changes with the mixer's block.
// Recursive, so a stream callback run by the mixer may call Soundsystem_.
void soundsystem_lock();
void soundsystem_unlock();
