// The browser's outputs: the ring played through Web Audio, and the silent
// real-time output, both driven from the page's own event loop (the web
// build has one thread). The page makes its audio context on the viewer's
// first click, when browsers allow sound; a script processor asks for 2048
// frames at a time and this file plays the ring into them. Where no context
// runs within a second of opening (no sound device, a page started without
// a gesture) the silent output plays the ring into nothing against the
// page's clock instead, so positions (the demo's clock) keep real time.
#include <emscripten.h>

#include <cstdint>
#include <cstdio>

#include "sound/audiodriver_output.h"

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
EM_JS(void, moxweb_openaudio, (int silent), {
    var out = Module['moxAudioOut'] = {opened : performance.now(), played : 0, silent : !!silent};
    var ctx = Module['moxAudio'];
    function silence(reason)
    {
        if (out.silent === true && out.timer) return;
        if (reason) console.log('AUDIO: no audio device (' + reason + '): playing silence in real time');
        out.silent = true;
        out.since = performance.now();
        out.played = 0;
        out.timer = setInterval(function() {
            var due = Math.floor((performance.now() - out.since) * 44.1) - out.played;
            for (; due > 0; due -= 441) {
                var n = Math.min(due, 441);
                _moxweb_playsilence(n);
                out.played += n;
            }
        }, 10);
    }
    if (silent || !ctx) {
        silence(silent ? null : 'the page made no audio context');
        return;
    }
    if (ctx.state !== 'running' && ctx.resume) ctx.resume();
    var node = ctx.createScriptProcessor(2048, 0, 2);
    node.onaudioprocess = function(e)
    {
        if (out.silent || out.closed) return;
        var l = e.outputBuffer.getChannelData(0), r = e.outputBuffer.getChannelData(1);
        var at = _moxweb_playaudio(l.length) >> 1;
        for (var i = 0; i < l.length; i++) {
            l[i] = HEAP16[at + 2 * i] / 32768;
            r[i] = HEAP16[at + 2 * i + 1] / 32768;
        }
    };
    node.connect(ctx.destination);
    out.node = node;
    out.timer = setTimeout(function() {
        out.timer = null;
        if (ctx.state !== 'running' && !out.closed) {
            node.disconnect();
            silence('the audio context is ' + ctx.state);
        }
    }, 1000);
});

EM_JS(void, moxweb_closeaudio, (), {
    var out = Module['moxAudioOut'];
    if (!out) return;
    out.closed = true;
    if (out.node) out.node.disconnect();
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
        moxweb_openaudio(1);
        return 1;
    }
    moxweb_openaudio(0);
    return 1;
}

void audiodriver_device_close() { moxweb_closeaudio(); }

int audiodriver_silent_open(unsigned, unsigned)
{
    moxweb_openaudio(1);
    return 1;
}

void audiodriver_silent_close() { moxweb_closeaudio(); }
