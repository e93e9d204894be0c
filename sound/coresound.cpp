// The sound system: the sound records' operations, the output record
// `soundsystem` and the table `active_sounds` of started sounds.
// The demo thread calls everything here; the mixer on the audio thread reads
// the table and the started sounds and stops sounds that end. Every change to
// the table or to a started sound's playing state is made under the sound
// system's lock, which the mixer holds for a whole block, so the mixer never
// sees a half-changed table. The lock is recursive: the mixer stops sounds
// through Soundsystem_StopSound while holding it.
#include "sound/coresound.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "sound/audiodriver.h"

s_soundsystem soundsystem;                      // the output record; zero until Init
s_sound* active_sounds[SOUNDSYSTEM_MAXACTIVE];  // started sounds, in start order

static std::recursive_mutex soundsystem_mutex;           // the table and started sounds
static int32_t* soundsystem_lastblock = nullptr;         // the demo thread's copy of the last block
static uint32_t soundsystem_lastblock_size = 0;          // its byte size
thread_local mox_sharedview mox_mixview = {nullptr, 0};  // set only around a stream's callback

// The recent blocks, a ring of SOUNDSYSTEM_HISTORY written by the mixer
// under the lock: block n lies in entry n mod SOUNDSYSTEM_HISTORY, its mix
// buffer in the same place of soundsystem_pastbuffers. The sound pointers
// are only compared, never followed: their records are their callers'.
struct soundsystem_pastblock {
    uint32_t number;  // 0: none kept here
    int count;
    const s_sound* sound[SOUNDSYSTEM_MAXACTIVE];
    uint64_t position[SOUNDSYSTEM_MAXACTIVE];
    int16_t playing[SOUNDSYSTEM_MAXACTIVE];
};
static soundsystem_pastblock soundsystem_past[SOUNDSYSTEM_HISTORY];
static int32_t* soundsystem_pastbuffers = nullptr;  // SOUNDSYSTEM_HISTORY mix buffers
static uint32_t soundsystem_blocksmixed = 0;        // since Soundsystem_Init
static int32_t* soundsystem_viewedblock = nullptr;  // the viewing thread's copy of its block
thread_local mox_pastview mox_blockview = {0, {}, {}};
static thread_local bool soundsystem_viewing = false;  // this thread views a past block

void soundsystem_lock() { soundsystem_mutex.lock(); }
void soundsystem_unlock() { soundsystem_mutex.unlock(); }

// 0..255; the step needs the output frequency, 0 before Init.
static int clamp_byte(int v) { return v < 0 ? 0 : (v > 255 ? 255 : v); }

static uint32_t sound_step(uint32_t frequency, uint32_t channels)
{
    if (soundsystem.frequency == 0) return 0;
    return (frequency * 256u * channels) / soundsystem.frequency;
}

int Soundsystem_Init(int frequency, int bits, int channels)
{
    audiodriver_close();  // a second start replaces the first; no callback runs on
    soundsystem_lock();
    soundsystem.frequency = (uint32_t)frequency;
    soundsystem.channels = (uint16_t)(channels & 0xff);
    soundsystem.bits = (uint16_t)(bits & 0xff);
    soundsystem.numactive = 0;
    soundsystem.music_volume = 255;
    soundsystem.effect_volume = 255;
    soundsystem.master_volume = 255;
    soundsystem.bufferlength = 2048;
    soundsystem.output_size = (uint32_t)(channels & 0xff) * soundsystem.bufferlength * 4;
    free(soundsystem.output_buffer);
    soundsystem.output_buffer = (int32_t*)calloc(1, soundsystem.output_size ? soundsystem.output_size : 1);
    free(soundsystem_pastbuffers);
    free(soundsystem_viewedblock);
    soundsystem_pastbuffers =
        (int32_t*)calloc(SOUNDSYSTEM_HISTORY, soundsystem.output_size ? soundsystem.output_size : 1);
    soundsystem_viewedblock = (int32_t*)calloc(1, soundsystem.output_size ? soundsystem.output_size : 1);
    memset(soundsystem_past, 0, sizeof soundsystem_past);
    soundsystem_blocksmixed = 0;
    soundsystem_unlock();
    Soundsystem_ViewLive();

    audiodriver_init(44100, 16, 2048, (channels & 0xff) == 2 ? 2 : 1);
    printf("soundsystem bufferlength = %d\n", (int)soundsystem.bufferlength);
    return 1;
}

void Soundsystem_CloseAudio()
{
    // The driver stops its callback before anything is freed.
    audiodriver_close();
    soundsystem_lock();
    free(soundsystem.output_buffer);
    soundsystem.output_buffer = nullptr;
    free(soundsystem_pastbuffers);
    soundsystem_pastbuffers = nullptr;
    free(soundsystem_viewedblock);
    soundsystem_viewedblock = nullptr;
    soundsystem_unlock();
    Soundsystem_ViewLive();
    free(soundsystem_lastblock);
    soundsystem_lastblock = nullptr;
    soundsystem_lastblock_size = 0;
}

// The mixer reads the levels once per block, under the lock.
static void set_level(uint16_t* level, int volume)
{
    soundsystem_lock();
    *level = (uint16_t)clamp_byte(volume);
    soundsystem_unlock();
}
void Soundsystem_SetMasterVolume(int volume) { set_level(&soundsystem.master_volume, volume); }
void Soundsystem_SetMusicVolume(int volume) { set_level(&soundsystem.music_volume, volume); }
void Soundsystem_SetEffectVolume(int volume) { set_level(&soundsystem.effect_volume, volume); }

void Soundsystem_SetVolume(s_sound* sound, int volume)
{
    soundsystem_lock();
    sound->volume = (uint8_t)clamp_byte(volume);
    sound->volume_left = (uint8_t)(((255 - sound->panning) * sound->volume) >> 8);
    sound->volume_right = (uint8_t)((sound->panning * sound->volume) >> 8);
    soundsystem_unlock();
}

void Soundsystem_SetPanning(s_sound* sound, int panning)
{
    soundsystem_lock();
    // No lower clamp: a negative value keeps its low 8 bits.
    sound->panning = (uint8_t)(panning > 255 ? 255 : panning);
    sound->volume_left = (uint8_t)(((255 - sound->panning) * sound->volume) >> 8);
    sound->volume_right = (uint8_t)((sound->panning * sound->volume) >> 8);
    soundsystem_unlock();
}

void Soundsystem_SetFrequency(s_sound* sound, int frequency)
{
    soundsystem_lock();
    sound->step = sound_step((uint32_t)frequency, sound->channels);
    soundsystem_unlock();
}

char* upcase_sound(char* string)
{
    for (char* p = string; *p; p++)
        if (*p >= 'a' && *p <= 'z') *p = (char)(*p - 'a' + 'A');
    return string;
}

// The defaults every load leaves, whatever was read.
static void sound_defaults(s_sound* sound)
{
    sound->callback = nullptr;
    sound->position = 0;
    sound->step = sound_step(sound->frequency, sound->channels);
    sound->volume = 255;
    sound->volume_left = 128;
    sound->volume_right = 128;
    sound->panning = 128;
    sound->loop = 0;
    sound->playing = 0;
    sound->music = 0;
}

void Soundsystem_LoadSound(const char* name, s_sound* sound)
{
    printf("Loading sound %s\n", name);
    // Read into a fresh record and put it in place under the lock, so a
    // sound that is still in the table is never seen half-loaded.
    s_sound loaded{};
    const char* dot = strrchr(name, '.');
    if (dot && dot != name && strlen(dot) <= 15) {
        char extension[16];
        strcpy(extension, dot);
        if (strcmp(upcase_sound(extension), ".WAV") == 0) Soundsystem_LoadWAV(name, &loaded);
    }
    sound_defaults(&loaded);
    soundsystem_lock();
    *sound = loaded;
    soundsystem_unlock();
}

void Soundsystem_SaveSound(const char* name, s_sound* sound) { Soundsystem_SaveWAV(name, sound); }

void Soundsystem_CreateSoundStream(s_sound* sound, soundstream_callback callback, int frequency, int bits, int channels,
                                   int length)
{
    s_sound stream{};
    stream.channels = (uint16_t)channels;
    stream.frequency = (uint32_t)frequency;
    stream.bits = (uint16_t)bits;
    stream.length = (uint32_t)length;
    stream.size = (uint32_t)length * (uint32_t)channels * ((uint32_t)bits >> 3);
    stream.data = calloc(1, stream.size ? stream.size : 1);
    stream.callback = callback;
    stream.position = 0;
    stream.step = sound_step(stream.frequency, stream.channels);
    stream.volume = 255;
    stream.volume_left = 128;
    stream.volume_right = 128;
    stream.panning = 128;
    stream.loop = 1;
    stream.playing = 0;
    soundsystem_lock();
    *sound = stream;
    soundsystem_unlock();
}

void Soundsystem_PlaySound(s_sound* sound, int loop)
{
    soundsystem_lock();
    sound->playing = 1;
    sound->position = 0;
    if (loop) sound->loop = 1;
    bool listed = false;
    for (int i = 0; i < soundsystem.numactive; i++)
        if (active_sounds[i] == sound) listed = true;
    if (!listed && soundsystem.numactive < SOUNDSYSTEM_MAXACTIVE)
        active_sounds[soundsystem.numactive++] = sound;
    else if (!listed)
        printf("AUDIO: %d sounds already play, this one is not mixed\n", (int)SOUNDSYSTEM_MAXACTIVE);
    soundsystem_unlock();
}

void Soundsystem_PlayMusic(s_sound* sound, int loop)
{
    soundsystem_lock();
    sound->music = 1;
    Soundsystem_PlaySound(sound, loop);
    soundsystem_unlock();
}

void Soundsystem_StopSound(s_sound* sound)
{
    soundsystem_lock();
    sound->position = 0;
    sound->playing = 0;
    for (int i = 0; i < soundsystem.numactive; i++) {
        if (active_sounds[i] != sound) continue;
        for (int j = i; j + 1 < soundsystem.numactive; j++) active_sounds[j] = active_sounds[j + 1];
        soundsystem.numactive--;
        active_sounds[soundsystem.numactive] = nullptr;
        break;
    }
    if (soundsystem.numactive < 0) soundsystem.numactive = 0;
    soundsystem_unlock();
}

void Soundsystem_StopMusic(s_sound* sound) { Soundsystem_StopSound(sound); }

void Soundsystem_DeleteSound(s_sound* sound)
{
    Soundsystem_StopSound(sound);
    // Out of the table now: the mixer no longer touches the data.
    if (sound->data) {
        free(sound->data);
        sound->data = nullptr;
    }
}

void Soundsystem_SetSoundOffset(s_sound* sound, uint64_t offset)
{
    // Under the lock, so the mixer's step of this block cannot overwrite it.
    soundsystem_lock();
    sound->position = offset;
    soundsystem_unlock();
}

uint64_t Soundsystem_GetSoundOffset(s_sound sound) { return sound.position; }

int32_t* Soundsystem_GetOutputBuffer()
{
    if (soundsystem_viewing) return soundsystem_viewedblock;
    // The mixer holds the lock for a whole block, so what is copied here is
    // always a finished block, never one half mixed.
    soundsystem_lock();
    if (soundsystem_lastblock_size != soundsystem.output_size) {
        free(soundsystem_lastblock);
        soundsystem_lastblock_size = soundsystem.output_size;
        soundsystem_lastblock = (int32_t*)calloc(1, soundsystem_lastblock_size ? soundsystem_lastblock_size : 1);
    }
    if (soundsystem.output_buffer && soundsystem_lastblock)
        memcpy(soundsystem_lastblock, soundsystem.output_buffer, soundsystem.output_size);
    int32_t* block = soundsystem_lastblock;
    soundsystem_unlock();
    return block;
}

// --- the recent blocks --------------------------------------------------------

// Every started sound as it stands now, into a history entry.
static void soundsystem_keepsounds(soundsystem_pastblock& b)
{
    b.count = 0;
    for (int i = 0; i < soundsystem.numactive && i < SOUNDSYSTEM_MAXACTIVE; i++) {
        const s_sound* sound = active_sounds[i];
        // As published: whatever view the mixing thread may hold.
        b.sound[b.count] = sound;
        b.position[b.count] = __atomic_load_n(&sound->position.value, __ATOMIC_ACQUIRE);
        b.playing[b.count] = __atomic_load_n(&sound->playing.value, __ATOMIC_ACQUIRE);
        b.count++;
    }
}

void soundsystem_keepblock()
{
    soundsystem_lock();
    if (soundsystem_pastbuffers && soundsystem.output_buffer) {
        const uint32_t number = ++soundsystem_blocksmixed;
        soundsystem_pastblock& b = soundsystem_past[number % SOUNDSYSTEM_HISTORY];
        b.number = number;
        soundsystem_keepsounds(b);
        const size_t values = soundsystem.output_size / 4;
        memcpy(soundsystem_pastbuffers + (number % SOUNDSYSTEM_HISTORY) * values, soundsystem.output_buffer,
               soundsystem.output_size);
    }
    soundsystem_unlock();
}

void soundsystem_keepstarts()
{
    soundsystem_lock();
    soundsystem_pastblock& b = soundsystem_past[soundsystem_blocksmixed % SOUNDSYSTEM_HISTORY];
    if (soundsystem_pastbuffers && soundsystem_blocksmixed && b.number == soundsystem_blocksmixed)
        soundsystem_keepsounds(b);
    soundsystem_unlock();
}

uint32_t Soundsystem_BlocksMixed()
{
    soundsystem_lock();
    const uint32_t number = soundsystem_blocksmixed;
    soundsystem_unlock();
    return number;
}

int Soundsystem_ViewBlock(uint32_t block)
{
    soundsystem_lock();
    const soundsystem_pastblock& b = soundsystem_past[block % SOUNDSYSTEM_HISTORY];
    if (block == 0 || b.number != block || !soundsystem_pastbuffers || !soundsystem_viewedblock) {
        soundsystem_unlock();
        Soundsystem_ViewLive();
        return 0;
    }
    mox_blockview.count = 0;
    for (int i = 0; i < b.count; i++) {
        mox_blockview.field[2 * i] = &b.sound[i]->position.value;
        mox_blockview.value[2 * i] = b.position[i];
        mox_blockview.field[2 * i + 1] = &b.sound[i]->playing.value;
        mox_blockview.value[2 * i + 1] = (uint64_t)(uint16_t)b.playing[i];
    }
    mox_blockview.count = 2 * b.count;
    const size_t values = soundsystem.output_size / 4;
    memcpy(soundsystem_viewedblock, soundsystem_pastbuffers + (block % SOUNDSYSTEM_HISTORY) * values,
           soundsystem.output_size);
    soundsystem_viewing = true;
    soundsystem_unlock();
    return 1;
}

void Soundsystem_ViewLive()
{
    mox_blockview.count = 0;
    soundsystem_viewing = false;
}
