// The browser's outputs: the ring played through Web Audio, and the silent
// real-time output, both driven from the page's own event loop (the web
// build has one thread). The page makes its audio context on the viewer's
// first click, when browsers allow sound. An audio worklet plays on the
// browser's sound thread from a queue of blocks this file mixes from the
// ring and posts to it whenever the page's thread is free: the queue holds
// WEB_AHEAD frames, more than the slowest frame takes to draw, so the sound
// never stops while a frame is drawn. Where no context runs within a second
// of opening (no sound device, a page started without a gesture) the
// silent output plays the ring into nothing against the page's clock
// instead, so positions (the demo's clock) keep real time.
#include <emscripten.h>

#include <cstdint>
#include <cstdio>

#include "sound/audiodriver_output.h"

enum {
    WEB_AHEAD = 16 * 2048,  // frames queued in the worklet: 743 ms
};

static int16_t g_block[2048 * 2];

// The page asks for `frames` stereo frames; their samples are in g_block.
extern "C" EMSCRIPTEN_KEEPALIVE int16_t* moxweb_playaudio(int frames)
{
    if (frames > 2048) frames = 2048;
    audiodriver_playring(frames > 0 ? g_block : nullptr, unsigned(frames) * 4);
    return g_block;
}

extern "C" EMSCRIPTEN_KEEPALIVE void moxweb_playsilence(int frames)
{
    audiodriver_playring(nullptr, unsigned(frames) * 4);
}

// The page's own script below: the formatter would break its operators.
// clang-format off

// Starts playing: Web Audio when the page's context runs (or starts within
// a second), else silence on the page's clock; `silent` skips the wait.
EM_ASYNC_JS(void, moxweb_openaudio, (int silent, int ahead), {
    var out = Module['moxAudioOut'] = {opened : performance.now(), played : 0, sent : 0, underruns : 0,
                                       silent : !!silent};
    var ctx = Module['moxAudio'];
    function silence(reason)
    {
        if (out.silent === true && out.timer) return;
        if (reason) console.log('AUDIO: no audio device (' + reason + '): playing silence in real time');
        out.silent = true;
        out.since = performance.now();
        out.played = out.sent = 0;
        out.timer = setInterval(function() {
            var due = Math.floor((performance.now() - out.since) * 44.1) - out.played;
            for (; due > 0; due -= 441) {
                var n = Math.min(due, 441);
                _moxweb_playsilence(n);
                out.played += n;
            }
        }, 10);
    }
    if (silent || !ctx || !ctx.audioWorklet) {
        silence(silent ? null : (ctx ? 'the page has no audio worklet' : 'the page made no audio context'));
        return;
    }
    if (ctx.state !== 'running' && ctx.resume) ctx.resume();
    var node;
    try {
        if (!Module['moxRingAdded']) {
            // The processor: plays the blocks posted to it in order, counts
            // the frames played and the quanta it had nothing for once sound
            // began (underruns), and says both every 8 quanta (1024 frames).
            var source = "class MoxRing extends AudioWorkletProcessor {\n" +
                "  constructor() {\n" +
                "    super();\n" +
                "    this.queue = []; this.at = 0; this.played = 0; this.underruns = 0; this.quanta = 0; this.began = false;\n" +
                "    this.port.onmessage = (e) => { this.queue.push(e.data); this.began = true; };\n" +
                "  }\n" +
                "  process(inputs, outputs) {\n" +
                "    const l = outputs[0][0], r = outputs[0][1];\n" +
                "    let i = 0;\n" +
                "    while (i < l.length && this.queue.length) {\n" +
                "      const b = this.queue[0], n = Math.min(l.length - i, b.length / 2 - this.at);\n" +
                "      for (let k = 0; k < n; k++) { l[i + k] = b[2 * (this.at + k)]; r[i + k] = b[2 * (this.at + k) + 1]; }\n" +
                "      i += n; this.at += n;\n" +
                "      if (2 * this.at >= b.length) { this.queue.shift(); this.at = 0; }\n" +
                "    }\n" +
                "    this.played += i;\n" +
                "    if (i < l.length && this.began) this.underruns++;\n" +
                "    if (++this.quanta % 8 === 0) this.port.postMessage({played: this.played, underruns: this.underruns});\n" +
                "    return true;\n" +
                "  }\n" +
                "}\n" +
                "registerProcessor('mox-ring', MoxRing);\n";
            var url = URL.createObjectURL(new Blob([source], {type : 'text/javascript'}));
            await ctx.audioWorklet.addModule(url);
            URL.revokeObjectURL(url);
            Module['moxRingAdded'] = true;
        }
        node = new AudioWorkletNode(ctx, 'mox-ring', {numberOfInputs : 0, outputChannelCount : [2]});
    } catch (e) {
        silence('the audio worklet did not start: ' + e.message);
        return;
    }
    // Keeps `ahead` frames queued in the worklet: each block mixed here from
    // the ring and posted as floats.
    function topup()
    {
        while (!out.closed && !out.silent && out.sent - out.played < ahead) {
            var at = _moxweb_playaudio(2048) >> 1;
            var block = new Float32Array(4096);
            for (var i = 0; i < 4096; i++) block[i] = HEAP16[at + i] / 32768;
            node.port.postMessage(block, [block.buffer]);
            out.sent += 2048;
        }
    }
    node.port.onmessage = function(e)
    {
        out.played = e.data.played;
        out.underruns = e.data.underruns;
        topup();
    };
    node.connect(ctx.destination);
    out.node = node;
    out.topup = topup;
    topup();
    out.timer = setTimeout(function() {
        out.timer = null;
        if (ctx.state !== 'running' && !out.closed) {
            node.disconnect();
            silence('the audio context is ' + ctx.state);
        }
    }, 1000);
});

// Frames posted to the worklet and not played yet.
EM_JS(int, moxweb_aheadframes, (), {
    var out = Module['moxAudioOut'];
    return out && !out.silent && !out.closed ? Math.max(0, out.sent - out.played) : 0;
});

EM_JS(void, moxweb_closeaudio, (), {
    var out = Module['moxAudioOut'];
    if (!out) return;
    out.closed = true;
    if (out.node) {
        out.node.port.onmessage = null;
        out.node.disconnect();
    }
    if (out.timer) {
        clearInterval(out.timer);
        clearTimeout(out.timer);
    }
    Module['moxAudioOut'] = null;
});

// clang-format on

int audiodriver_device_open(unsigned frequency, unsigned bits, int channels)
{
    // The page's context plays 44100 Hz; the ring is 16-bit stereo there.
    if (frequency != 44100 || bits != 16 || channels != 2) {
        printf("AUDIO: the page plays 44100 Hz 16-bit stereo only: playing silence in real time\n");
        moxweb_openaudio(1, 0);
        return 1;
    }
    moxweb_openaudio(0, WEB_AHEAD);
    return 1;
}

void audiodriver_device_close() { moxweb_closeaudio(); }

uint32_t audiodriver_device_ahead() { return uint32_t(moxweb_aheadframes()); }

int audiodriver_silent_open(unsigned, unsigned)
{
    moxweb_openaudio(1, 0);
    return 1;
}

void audiodriver_silent_close() { moxweb_closeaudio(); }
