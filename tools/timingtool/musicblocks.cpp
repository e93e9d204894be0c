// The music through the demo's own mixer on the offline output: 44100 Hz
// 16-bit stereo, full volume, played once, each block probed as the demo's
// beat detector probes it.
#include "tools/timingtool/musicblocks.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "core/corefile.h"
#include "demo/demotiming.h"
#include "sound/audiodriver.h"
#include "sound/coresound.h"
#include "tools/linkedfile.h"

bool MixMusicBlocks(const char* path, std::vector<musicblock>* blocks, std::string* error)
{
    LinkedFile file(path, "music.wav");
    if (file.name.empty()) {
        *error = strerror(errno);
        return false;
    }
    if (!corefile_mountimage(file.dir.c_str(), COREFILE_DIRECTORY)) {
        *error = "cannot mount " + file.dir;
        return false;
    }
    audiodriver_setoutput(AUDIODRIVER_OFFLINE);
    Soundsystem_Init(44100, 16, 2);
    s_sound music{};
    Soundsystem_LoadSound(file.name.c_str(), &music);
    bool ok = music.data && music.step != 0;
    if (!music.data) {
        const char* why = Soundsystem_WAVProblem(file.name.c_str());
        *error = why ? std::string(why).substr(file.name.size() + 2) + "; " + Soundsystem_WAVRemedy()
                     : "no sound loaded";
    } else if (music.step == 0) {
        *error = "a sample rate of " + std::to_string(music.frequency) + " Hz never plays";
    }
    if (ok) {
        Soundsystem_PlaySound(&music, 0);
        const double units_per_second = (double)music.frequency * music.channels / 4.0;
        std::vector<int16_t> played(2048 * 2);
        // Every block of the ring is a whole number of 2048-byte steps, so one
        // step finishes at most one block; the block's samples are those the
        // mixer wrote, read back from its buffer as the probe reads them.
        while (music.playing) {
            if (audiodriver_offline_play(nullptr, 2048) == 0) continue;
            musicblock b;
            // As the demo's beat detector: scaled in double, each stored as a float.
            b.e1306 = (float)(Soundsystem_DetectFrequency(1306.0f) * 0.0002);
            b.e1531 = (float)(Soundsystem_DetectFrequency(1531.0f) * 0.0002);
            int32_t t = TimingUnits(Soundsystem_GetSoundOffset(music));
            if (!music.playing) t = TimingUnits((uint64_t)music.length * 256);
            b.units = t;
            b.seconds = units_per_second > 0 ? t / units_per_second : 0.0;
            const int32_t* mix = Soundsystem_GetOutputBuffer();
            const size_t values = soundsystem.output_size / 4;
            int32_t low = 0, high = 0;
            for (size_t i = 0; mix && i < values; i++) {
                low = std::min(low, mix[i] >> 8);
                high = std::max(high, mix[i] >> 8);
            }
            b.low = std::max(-1.0f, low / 32768.0f);
            b.high = std::min(1.0f, high / 32768.0f);
            blocks->push_back(b);
        }
    }
    Soundsystem_DeleteSound(&music);
    Soundsystem_CloseAudio();
    corefile_closeimage();
    return ok;
}
