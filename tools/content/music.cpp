// The score: A minor, Am F C G one chord a bar, 129.2 beats a minute (ten
// mixer blocks a beat). Every hit starts on a block boundary where the
// demo's beat detector listens: the claps carry a band of noise around
// 2.6 to 3.1 kHz (the detector's probes, seen through the interleaved mix
// buffer) that dies within one block, and everything else stays out of that
// band while claps play: hats are high-passed above it, pads, bass and the
// arpeggio low-passed below it.
#include "music.h"

#include <algorithm>
#include <cmath>

#include "arrangement.h"
#include "master.h"
#include "synth.h"

namespace {

constexpr int SIXTEENTH = FRAMES_PER_BEAT / 4;  // 5120 frames, half a block past a block edge every other step
constexpr int EIGHTH = FRAMES_PER_BEAT / 2;

// Chords of the loop: root for the bass, three notes for the pads.
struct chord {
    int root;
    int notes[3];
};
const chord progression[4] = {
    {33, {57, 60, 64}},  // Am
    {29, {57, 60, 65}},  // F
    {36, {55, 60, 64}},  // C
    {31, {55, 59, 62}},  // G
};

size_t bar_frame(int bar) { return (size_t)bar * FRAMES_PER_BAR; }

// ---- drums ----------------------------------------------------------------------

void Kick(stereo_buffer& out, size_t at, float gain)
{
    const int len = (int)(0.45 * 44100);
    double phase = 0;
    for (int i = 0; i < len; i++) {
        const double t = i / 44100.0;
        const double hz = 44 + 120 * std::exp(-t / 0.035);
        phase += 2 * SYNTH_PI * hz / 44100.0;
        double env = std::exp(-t / 0.22) * std::min(1.0, i / 44.0);
        env *= std::min(1.0, (len - i) / 2000.0);
        const float v = (float)(std::sin(phase) * env * gain);
        out.add(at + i, v, v);
    }
}

// A clap: three quick bursts and a short tail of band-passed noise, with a
// little snare body underneath and a ring that is gone within one block.
// Every clap uses the same noise, so the detector sees every one alike.
void Clap(stereo_buffer& out, size_t at, float gain, uint32_t seed)
{
    noise_source noise(seed);
    svf band;
    band.set(2840, 1.6);
    const int len = (int)(0.16 * 44100);
    double phase = 0;
    for (int i = 0; i < len; i++) {
        const double t = i / 44100.0;
        double env;
        if (t < 0.024) {
            const double burst = std::fmod(t, 0.008);
            env = std::exp(-burst / 0.0035) * std::min(1.0, burst / 0.0004);
        } else {
            env = 0.55 * std::exp(-(t - 0.024) / 0.012);
        }
        band.run(noise.next());
        phase += 2 * SYNTH_PI * (185 + 60 * std::exp(-t / 0.01)) / 44100.0;
        const double tone = std::sin(phase) * std::exp(-t / 0.045) * std::min(1.0, i / 30.0) * 0.35;
        // A short metallic ring right on the detector's two frequencies.
        const double ring = 0.25 * (std::sin(2 * SYNTH_PI * 2612 * t) + std::sin(2 * SYNTH_PI * 3062 * t)) *
                            std::exp(-t / 0.012) * std::min(1.0, i / 20.0);
        const float fade = (float)std::min(1.0, (len - i) / 400.0);
        const float v = (float)((band.bp * 1.8 * env + tone + ring) * gain) * fade;
        out.add(at + i, v * 0.95f, v);
    }
}

// Hats: white noise high-passed twice above 7 kHz, far above the probes.
void Hat(stereo_buffer& out, size_t at, float gain, bool open, uint32_t seed)
{
    noise_source noise(seed);
    svf a, b;
    a.set(7200, 0.7);
    b.set(7200, 0.7);
    const double decay = open ? 0.09 : 0.018;
    const int len = (int)((open ? 0.35 : 0.09) * 44100);
    for (int i = 0; i < len; i++) {
        const double t = i / 44100.0;
        a.run(noise.next());
        b.run(a.hp);
        const double env = std::exp(-t / decay) * std::min(1.0, i / 20.0) * std::min(1.0, (len - i) / 200.0);
        const float v = (float)(b.hp * env * gain);
        out.add(at + i, v * (open ? 0.8f : 1.0f), v * (open ? 1.0f : 0.8f));
    }
}

// A crash at a section start, high-passed well above the probes.
void Crash(stereo_buffer& out, size_t at, float gain)
{
    noise_source nl(777), nr(778);
    svf al, bl, ar, br;
    al.set(6000, 0.7), bl.set(6000, 0.7), ar.set(6000, 0.7), br.set(6000, 0.7);
    const int len = (int)(2.2 * 44100);
    for (int i = 0; i < len; i++) {
        const double t = i / 44100.0;
        al.run(nl.next()), bl.run(al.hp), ar.run(nr.next()), br.run(ar.hp);
        const double env = std::exp(-t / 0.55) * std::min(1.0, i / 40.0) * std::min(1.0, (len - i) / 4000.0);
        out.add(at + i, (float)(bl.hp * env * gain), (float)(br.hp * env * gain));
    }
}

// Noise rising through a band-pass over `bars` bars, cut at the end.
void Riser(stereo_buffer& out, size_t at, int bars, float gain)
{
    noise_source noise(4242);
    svf band;
    const int len = bars * FRAMES_PER_BAR;
    for (int i = 0; i < len; i++) {
        const double p = (double)i / len;
        if ((i & 15) == 0) band.set(300 * std::pow(20.0, p), 2.5);
        band.run(noise.next());
        const double env = p * p * std::min(1.0, (len - i) / 300.0);
        const float v = (float)(band.bp * env * gain);
        out.add(at + i, v, v);
    }
}

// ---- tonal voices -------------------------------------------------------------

// Bass: a saw an octave up and a sine under it, through a four-pole
// low-pass that snaps shut after the attack.
void Bass(stereo_buffer& out, size_t at, int len, int note, float gain, double cutoff)
{
    saw_osc saw;
    svf f1, f2;
    double sub = 0;
    const double hz = NoteHz(note);
    const int tail = 500;
    for (int i = 0; i < len + tail; i++) {
        const double t = i / 44100.0;
        if ((i & 7) == 0) {
            const double c = cutoff * 0.25 + cutoff * std::exp(-t / 0.06);
            f1.set(c, 0.9), f2.set(c, 0.6);
        }
        f1.run(saw.next(hz * 2));
        f2.run(f1.lp);
        sub += 2 * SYNTH_PI * hz / 44100.0;
        double env = std::min(1.0, i / 120.0);
        if (i >= len) env *= 1.0 - (double)(i - len) / tail;
        const float v = (float)((f2.lp * 0.6 + std::sin(sub) * 0.7) * env * gain);
        out.add(at + i, v, v);
    }
}

// Pad: each chord note as four detuned saws, two a side, slow attack and
// release, low-passed at `cutoff`.
void Pad(stereo_buffer& out, size_t at, int len, const int notes[3], float gain, double cutoff)
{
    const int attack = (int)(0.35 * 44100), release = (int)(0.7 * 44100);
    static const double detune[4] = {-0.11, 0.05, 0.11, -0.05};  // semitones: L, L, R, R
    for (int n = 0; n < 3; n++) {
        saw_osc osc[4];
        for (int o = 0; o < 4; o++) osc[o].phase = 0.17 * o + 0.31 * n;
        svf fl, fr;
        fl.set(cutoff, 0.7), fr.set(cutoff, 0.7);
        for (int i = 0; i < len + release; i++) {
            double env = std::min(1.0, (double)i / attack);
            if (i >= len) env *= 1.0 - (double)(i - len) / release;
            env = env * env;
            const float l =
                osc[0].next(NoteHz(notes[n] + detune[0])) + osc[1].next(NoteHz(notes[n] + 12 + detune[1])) * 0.5f;
            const float r =
                osc[2].next(NoteHz(notes[n] + detune[2])) + osc[3].next(NoteHz(notes[n] + 12 + detune[3])) * 0.5f;
            fl.run(l), fr.run(r);
            out.add(at + i, (float)(fl.lp * env * gain), (float)(fr.lp * env * gain));
        }
    }
}

// Pluck: a saw with a fast filter sweep, for the arpeggio.
void Pluck(stereo_buffer& out, size_t at, int note, float gain, double cutoff, float pan)
{
    saw_osc saw, saw2;
    svf f1, f2;
    const int len = (int)(0.32 * 44100);
    const double hz = NoteHz(note);
    for (int i = 0; i < len; i++) {
        const double t = i / 44100.0;
        if ((i & 7) == 0) {
            const double c = cutoff * (0.35 + 0.65 * std::exp(-t / 0.05));
            f1.set(c, 0.8), f2.set(c, 0.7);
        }
        f1.run(saw.next(hz) + 0.5f * saw2.next(hz * 1.004));
        f2.run(f1.lp);
        const double env = std::exp(-t / 0.09) * std::min(1.0, i / 60.0) * std::min(1.0, (len - i) / 300.0);
        const float v = (float)(f2.lp * env * gain);
        out.add(at + i, v * (1 - pan), v * (1 + pan));
    }
}

// Lead: two saws about ten cents apart with a slow vibrato.
void Lead(stereo_buffer& out, size_t at, int len, int note, float gain, double cutoff)
{
    saw_osc a, b;
    svf f1, f2;
    f1.set(cutoff, 0.9), f2.set(cutoff, 0.7);
    const int release = 2500;
    for (int i = 0; i < len + release; i++) {
        const double t = i / 44100.0;
        const double vib = 1 + 0.003 * std::sin(2 * SYNTH_PI * 5.5 * t) * std::min(1.0, t / 0.25);
        const double hz = NoteHz(note) * vib;
        f1.run(a.next(hz) + b.next(hz * 1.006));
        f2.run(f1.lp);
        double env = std::min(1.0, i / 300.0) * (0.75 + 0.25 * std::exp(-t / 0.15));
        if (i >= len) env *= 1.0 - (double)(i - len) / release;
        const float v = (float)(f2.lp * env * gain);
        out.add(at + i, v * 0.9f, v);
    }
}

// Ping-pong echo of a bus into the mix: three sixteenths, feedback 0.35.
void Echo(const stereo_buffer& bus, stereo_buffer& mix, float wet)
{
    const size_t delay = 3 * SIXTEENTH;
    std::vector<float> l(bus.frames(), 0.0f), r(bus.frames(), 0.0f);
    for (size_t i = 0; i < bus.frames(); i++) {
        const float in = (bus.left[i] + bus.right[i]) * 0.5f;
        if (i >= delay) {
            l[i] = in + r[i - delay] * 0.35f;
            r[i] = l[i - delay] * 0.6f;
        } else {
            l[i] = in;
        }
        mix.left[i] += bus.left[i] + (i >= delay ? r[i - delay] : 0.0f) * wet;
        mix.right[i] += bus.right[i] + (i >= delay ? l[i - delay] : 0.0f) * wet;
    }
}

// The hook over four bars, in eighths: note numbers, 0 for a rest, -1 to hold.
const int hook[4][8] = {
    {76, -1, -1, 72, -1, 74, 76, -1},
    {77, -1, 76, -1, 72, -1, 69, -1},
    {79, -1, -1, 76, -1, 72, 74, -1},
    {74, -1, 71, -1, 67, -1, 71, 0},
};

void PlayHook(stereo_buffer& out, int bar, float gain, double cutoff)
{
    const int* line = hook[bar % 4];
    for (int s = 0; s < 8; s++) {
        if (line[s] <= 0) continue;
        int len = 1;
        while (s + len < 8 && line[s + len] == -1) len++;
        Lead(out, bar_frame(bar) + (size_t)s * EIGHTH, len * EIGHTH - 1500, line[s], gain, cutoff);
    }
}

}  // namespace

stereo_buffer ComposeMusic()
{
    const size_t frames = bar_frame(SONG_BARS);
    stereo_buffer mix(frames), arp(frames);
    uint32_t seed = 1;  // hats vary hit by hit

    for (int bar = 0; bar < SONG_BARS; bar++) {
        const song_section s = SectionOfBar(bar);
        if (s == SECTION_END) continue;
        const chord& c = progression[bar % 4];
        const size_t b0 = bar_frame(bar);
        const int in_section = bar - [&] {
            int first = bar;
            while (first > 0 && SectionOfBar(first - 1) == s) first--;
            return first;
        }();

        // Pads everywhere, opening up through the intro and build.
        double padcut = 900;
        float padgain = 0.07f;
        if (s == SECTION_INTRO) padcut = 600 + 80 * bar, padgain = 0.09f + 0.006f * bar;
        if (s == SECTION_BUILD) padcut = 1000 + 30 * in_section, padgain = 0.12f - 0.003f * in_section;
        if (s == SECTION_BREAK) padcut = 1300, padgain = 0.13f;
        if (s == SECTION_OUTRO) padcut = 1000 - 60 * in_section, padgain = 0.13f - 0.01f * in_section;
        Pad(mix, b0, FRAMES_PER_BAR, c.notes, padgain, padcut);

        // Arpeggio: chord tones over two octaves in sixteenths.
        const bool arp_on = (s == SECTION_INTRO && bar >= 4) || s == SECTION_BUILD || s == SECTION_NAMES ||
                            s == SECTION_BREAK || s == SECTION_CLOSING || (s == SECTION_OUTRO && in_section < 6);
        if (arp_on) {
            static const int order[16] = {0, 1, 2, 3, 4, 5, 4, 3, 1, 2, 3, 5, 4, 2, 1, 0};
            double cut = 1100;
            float g = 0.07f;
            if (s == SECTION_INTRO) cut = 700 + 100 * (bar - 4), g = 0.08f + 0.01f * (bar - 4);
            if (s == SECTION_BUILD) cut = 800 + 35 * in_section;
            if (s == SECTION_OUTRO) g = 0.1f - 0.012f * in_section;
            for (int step = 0; step < 16; step++) {
                const int k = order[step];
                const int note = c.notes[k % 3] + 12 * (k / 3);
                Pluck(arp, b0 + (size_t)step * SIXTEENTH, note, g, cut, (step & 1) ? 0.25f : -0.25f);
            }
        }

        const bool drums = s == SECTION_DROP || s == SECTION_NAMES || (s == SECTION_BUILD) ||
                           (s == SECTION_CLOSING && bar < SceneBar(SCENE_FIELDFADE));
        if (drums) {
            for (int beat = 0; beat < 4; beat++) {
                const size_t at = b0 + (size_t)beat * FRAMES_PER_BEAT;
                const float kick = s == SECTION_BUILD ? 0.55f + 0.02f * in_section : 0.8f;
                Kick(mix, at, kick);
                // Claps on 2 and 4 once the build is half way; a roll into the drop.
                const bool clap = (beat & 1) && (s != SECTION_BUILD || in_section >= 12);
                if (clap) Clap(mix, at, s == SECTION_BUILD ? 0.3f : 0.38f, 99);
            }
            if (s != SECTION_BUILD || in_section >= 8) {
                for (int step = 0; step < 16; step++) {
                    if ((step & 3) == 0) continue;
                    const bool open = (step & 3) == 2;
                    Hat(mix, b0 + (size_t)step * SIXTEENTH, open ? 0.12f : 0.09f, open, seed++);
                }
            }
        }
        if (s == SECTION_BUILD && in_section == 15) {
            // Clap roll in eighths over the last bar of the build.
            for (int e = 0; e < 8; e++) Clap(mix, b0 + (size_t)e * EIGHTH, 0.12f + 0.03f * e, 99);
        }
        if (s == SECTION_BUILD && in_section == 14) Riser(mix, b0, 2, 0.2f);
        if (s == SECTION_BREAK && in_section == 1) Riser(mix, b0, 1, 0.12f);
        if (in_section == 0 && (s == SECTION_DROP || s == SECTION_CLOSING)) Crash(mix, b0, 0.22f);

        // Bass: off-beat eighths in the build, rolling sixteenths later.
        const bool bass = (s == SECTION_BUILD && in_section >= 4) || s == SECTION_DROP || s == SECTION_NAMES ||
                          (s == SECTION_CLOSING && bar < SceneBar(SCENE_FIELDFADE));
        if (bass) {
            const double cut = s == SECTION_BUILD ? 500 + 30 * in_section : 900;
            for (int step = 0; step < 16; step++) {
                if (s == SECTION_BUILD ? (step & 3) != 2 : (step & 3) == 0) continue;
                Bass(mix, b0 + (size_t)step * SIXTEENTH, SIXTEENTH - 900, c.root + 12, 0.3f, cut);
            }
        }

        // The hook: over the title, late in the names, and in the closing.
        if (s == SECTION_DROP || (s == SECTION_NAMES && bar >= SceneBar(SCENE_LASTNAMES)) ||
            (s == SECTION_CLOSING && bar < SceneBar(SCENE_CLOSINGSUBTITLE)))
            PlayHook(mix, bar, s == SECTION_NAMES ? 0.06f : 0.075f, s == SECTION_NAMES ? 1000 : 2200);
    }
    Echo(arp, mix, 0.45f);
    return mix;
}

std::vector<int16_t> RenderMusic(master_result* mastered)
{
    stereo_buffer mix = ComposeMusic();
    const size_t frames = mix.frames();

    // Fade the last two bars of the credits out, after the limiter so that
    // it does not lift the fade back up.
    const size_t fade0 = bar_frame(SceneBar(SCENE_END) - 2), fade1 = bar_frame(SceneBar(SCENE_END) + 1);
    std::vector<float> fade(frames);
    for (size_t i = 0; i < frames; i++)
        fade[i] = i >= fade1 ? 0.0f : i > fade0 ? (float)(1.0 - (double)(i - fade0) / (double)(fade1 - fade0)) : 1.0f;
    const master_result r = MasterMusic(mix, MUSIC_LUFS, MUSIC_CEILING, fade.data());
    if (mastered) *mastered = r;
    std::vector<int16_t> pcm(frames * 2);
    auto to16 = [](double v) { return (int16_t)std::lround(std::max(-1.0, std::min(1.0, v)) * 32767.0); };
    for (size_t i = 0; i < frames; i++) {
        pcm[2 * i] = to16(mix.left[i]);
        pcm[2 * i + 1] = to16(mix.right[i]);
    }
    return pcm;
}
