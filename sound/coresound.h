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

// Starts the sound system: closes any open output, sets the output record
// (volumes 255, blocks of 2048 frames, `frequency` as the rate every step
// is computed for), makes the mix buffer and the block history, and opens
// the output audiodriver_setoutput chose at 44100 Hz, 16-bit, stereo when
// `channels` is 2, else mono. `bits` does not last: the output's 16 does.
// Always returns 1; an output that does not open leaves the sounds silent
// and unmoved. Demo thread.
int Soundsystem_Init(int frequency, int bits, int channels);
// Stops the output (its last callback has run when it returns) and frees
// the mix buffer and the history. Sound records and their data stay.
void Soundsystem_CloseAudio();
// The master level, 0..255 (clamped), applied to every sound from the next
// block. Demo thread, or a stream callback.
void Soundsystem_SetMasterVolume(int volume);
// The level of sounds started with Soundsystem_PlayMusic, 0..255 (clamped).
void Soundsystem_SetMusicVolume(int volume);
// The level of every other sound, 0..255 (clamped).
void Soundsystem_SetEffectVolume(int volume);
// The sound's own gain, 0..255 (clamped), and its left and right gains
// from its panning.
void Soundsystem_SetVolume(s_sound* sound, int volume);
// 0 left .. 255 right; above 255 is 255, a negative value keeps its low 8
// bits. Sets the left and right gains from the volume.
void Soundsystem_SetPanning(s_sound* sound, int panning);
// Plays the sound's data as if sampled at `frequency` Hz: its step becomes
// frequency x 256 x channels / the output record's frequency (0 before
// Soundsystem_Init).
void Soundsystem_SetFrequency(s_sound* sound, int frequency);
// Loads a ".wav" file (any case) through the file layer into the record,
// with the defaults (volume 255, centred, not looping, not playing, step
// for its rate). Another extension, or a refused file, gives a record with
// no data, which plays silence. The record is replaced whole under the
// lock; data it held before is not freed (Soundsystem_DeleteSound first).
void Soundsystem_LoadSound(const char* name, s_sound* sound);
// Soundsystem_SaveWAV.
void Soundsystem_SaveSound(const char* name, s_sound* sound);
// A stream: a looping record with length x channels x bits / 8 bytes of
// zeroed data; play reaches its end at `length` samples, all channels
// counted, and each time the mixer runs `callback` (on the mixing thread,
// under the lock) to refill the data. Not playing until started.
void Soundsystem_CreateSoundStream(s_sound* sound, soundstream_callback callback, int frequency, int bits, int channels,
                                   int length);
// Starts the sound from its beginning (position 0) and lists it in
// active_sounds; `loop` nonzero makes it loop (0 leaves an earlier loop
// set). Already listed: it starts again in its place. With 16 sounds
// listed it is not mixed, with a line. Under the lock, so the mixer sees
// it from its next block whole.
void Soundsystem_PlaySound(s_sound* sound, int loop);
// Soundsystem_PlaySound with the music level applied (`music` set to 1).
void Soundsystem_PlayMusic(s_sound* sound, int loop);
// Stops the sound: position 0, not playing, out of active_sounds. The
// mixer calls it too, when a sound that does not loop reaches its end.
void Soundsystem_StopSound(s_sound* sound);
// Soundsystem_StopSound.
void Soundsystem_StopMusic(s_sound* sound);
// Stops the sound and frees its data; the record stays the caller's.
void Soundsystem_DeleteSound(s_sound* sound);
// Moves play to `offset`: a sample index (all channels counted) x 256.
// Under the lock, so the block being mixed does not overwrite it.
void Soundsystem_SetSoundOffset(s_sound* sound, uint64_t offset);
// The position of the copied record: a sample index x 256, as it stood
// when the copy was made (whole, never torn).
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
// Upper-cases the ASCII letters of `string` in place and returns it.
char* upcase_sound(char* string);

// WAV files (loadwav.cpp): the canonical 44-byte PCM layout only.
// Reads the file `name` through the file layer into the record's format,
// data, size and length: 1, or 0 with the record's data untouched (the
// format fields may be set). 8-bit unsigned or 16-bit signed PCM, at most
// 256 MiB. Demo thread.
int Soundsystem_LoadWAV(const char* name, s_sound* sound);
// Writes the record as a canonical WAV file (the header's sizes from
// `length`, then `size` bytes of data) through corefile_savebuffer, so
// only into a mounted folder. Returns 1, also when nothing was written
// (with a line when the data cannot be saved).
int Soundsystem_SaveWAV(const char* name, s_sound* sound);
// Why the file `name` (through the file layer) is not one the reader plays,
// as "NAME: reason", for the line of a program left without its sound; null
// when it is one, or cannot be opened. The text lasts until the next call.
const char* Soundsystem_WAVProblem(const char* name);
// How to write a file the reader plays, with ffmpeg or sox.
const char* Soundsystem_WAVRemedy();

// The lock that serialises the demo thread's changes with the mixer's block.
// Recursive, so a stream callback run by the mixer may call Soundsystem_.
// Any thread; hold it briefly, since the mixer waits on it for its block.
void soundsystem_lock();
// Releases one hold of soundsystem_lock.
void soundsystem_unlock();
