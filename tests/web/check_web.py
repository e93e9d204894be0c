#!/usr/bin/env python3
"""The web build played in a real browser: check_web.py WEBDIR DEMODIR.

Serves WEBDIR (orlem.html or index.html and their files; a .zip of such a
folder, as the web release is, is unpacked first) on a local port, opens the page in
headless Chromium with ?autostart, stills at 7 s (the logo at full
brightness) and 47 s (the title over the floor, scene event 6) and Escape
held at 52 s, and reads the page's console. The start-up lines must come in
order, no GL error may be reported, each still must match orlem-capture's
frame at the step the page drew (DEMODIR: the native build's demo) by mean
luminance and by correlation, no frame may make more than 5,000 WebGL calls,
the page must end by Escape with its sound closed, no underrun while it
played and no error or warning of its own on the console, the music it
decoded must lie where the WAV's does (within 1 ms) at the WAV's level
(within 0.5 dB), and the whole download must be at most 4 MB. The frames
each scene drew, at what size, the WebGL calls they made and the bytes of
each file are printed. A second
short run without the autoplay permission must play on the silent output.
"""
import array
import functools
import http.server
import math
import os
import re
import struct
import subprocess
import sys
import tempfile
import threading
import zipfile
import time

STILLS = (7.0, 47.0)
ESCAPE_AT = 52
CELLS_W, CELLS_H = 48, 27
STARTUP = [
    "Loading resource image: orlem.dat",
    "[MOX] Init OpenGL",
    "[MOX] Init Framebuffer: 1920,1080",
    "Loading sound music.wav",
    "orlem: the music starts",
]
GL_ERRORS = re.compile(r"WebGL: |GL_INVALID|Aborted|Uncaught|RuntimeError")


def fail(message):
    print("check_web: " + message)
    sys.exit(1)


def luminance(rgb):
    return [0.299 * rgb[i] + 0.587 * rgb[i + 1] + 0.114 * rgb[i + 2] for i in range(0, len(rgb), 3)]


def correlation(a, b):
    ma, mb = sum(a) / len(a), sum(b) / len(b)
    num = sum((x - ma) * (y - mb) for x, y in zip(a, b))
    den = math.sqrt(sum((x - ma) ** 2 for x in a) * sum((y - mb) ** 2 for y in b))
    return num / den if den else 0.0


def capture_cells(demodir, work, times):
    """orlem-capture's stills at these music times, as 48 x 27 cell means."""
    stills = os.path.join(work, "capture")
    at = ",".join("%.6f" % t for t in times)
    run = subprocess.run(["./orlem-capture", "--stills", stills, "--at", at], cwd=demodir,
                         capture_output=True, text=True)
    if run.returncode != 0:
        fail("orlem-capture failed:\n" + run.stdout[-2000:] + run.stderr[-2000:])
    # One still each, named by the time of the step that shows it.
    pngs = sorted(os.path.join(stills, n) for n in os.listdir(stills) if n.endswith(".png"))
    if len(pngs) != len(times):
        fail("orlem-capture wrote %d stills for %d times" % (len(pngs), len(times)))
    cells = {}
    for t, png in zip(times, pngs):
        raw = subprocess.run(["convert", png, "-depth", "8", "rgb:-"], capture_output=True).stdout
        w, h = 1920, 1080
        if len(raw) != w * h * 3:
            fail("cannot read %s" % png)
        out = []
        for cy in range(CELLS_H):
            for cx in range(CELLS_W):
                x0, x1, y0, y1 = cx * w // CELLS_W, (cx + 1) * w // CELLS_W, cy * h // CELLS_H, (cy + 1) * h // CELLS_H
                for c in range(3):
                    total = sum(sum(raw[(y * w + x0) * 3 + c:(y * w + x1) * 3:3]) for y in range(y0, y1))
                    out.append(total // ((x1 - x0) * (y1 - y0)))
        cells[t] = out
    return cells


# What the page asked of the server: (path, status, bytes sent), as a plain
# static host serves it (no compression).
served = []


class QuietHandler(http.server.SimpleHTTPRequestHandler):
    def log_message(self, *args):
        pass

    def log_request(self, code="-", size="-"):
        path = self.path.split("?")[0].lstrip("/")
        local = os.path.join(self.directory, path)
        sent = os.path.getsize(local) if int(code) == 200 and os.path.isfile(local) else 0
        served.append((path, int(code), sent))


def serve(webdir):
    handler = functools.partial(QuietHandler, directory=webdir)
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), handler)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    return server


def wavsamples(demodir):
    """music.wav's 16-bit samples, interleaved, from DEMODIR's data image."""
    with open(os.path.join(demodir, "orlem.dat"), "rb") as f:
        data = f.read()
    count, romsize = struct.unpack_from("<Ii", data, 4)
    at, entries = 12, []
    for _ in range(count):
        length = struct.unpack_from("<I", data, at)[0]
        entries.append((data[at + 8:at + 8 + length].decode(), struct.unpack_from("<I", data, at + 8 + length)[0]))
        at += 12 + length
    offsets = [o for _, o in entries] + [romsize]
    for i, (name, offset) in enumerate(entries):
        if name == "music.wav":
            end = min(o for o in offsets if o > offset)
            return array.array("h", data[offset + 44:end])
    fail("no music.wav in " + demodir)


def checkmusic(lines, demodir):
    """The page's decoded music against the WAV: where 2048 of its frames a
    minute in lie (within 1 ms: 44 frames) and its level (within 0.5 dB)."""
    line = next((l for l in lines if l.startswith("orlem-web: music level ")), None)
    if not line:
        fail("the page said nothing of its music")
    m = re.match(r"orlem-web: music level (-?[0-9.]+) dB, frames (\d+) on: ([0-9a-f]+)$", line)
    level, at, hexed = float(m.group(1)), int(m.group(2)), m.group(3)
    page = [int(hexed[i:i + 4], 16) for i in range(0, len(hexed), 4)]
    page = [v - 65536 if v >= 32768 else v for v in page]
    wav = wavsamples(demodir)
    mono = lambda start, n: [(wav[2 * i] + wav[2 * i + 1]) >> 1 for i in range(start, start + n)]
    best, lag = -2, 0
    for d in range(-400, 401):
        w = mono(at + d, len(page))
        c = correlation(page, w)
        if c > best:
            best, lag = c, d
    squares = sum(v * v for v in wav)
    wavlevel = 10 * math.log10(squares / len(wav) / 1073741824)
    print("check_web: the decoded music lies %d frames (%.2f ms) from the WAV's (correlation %.4f); level %.3f dB, "
          "the WAV's %.3f dB" % (lag, lag / 44.1, best, level, wavlevel))
    if abs(lag) > 44 or best < 0.9:
        fail("the decoded music is not where the WAV's is")
    if abs(level - wavlevel) > 0.5:
        fail("the decoded music's level differs from the WAV's by %.2f dB" % (level - wavlevel))


def play(url, profile, timeout, autoplay=True, until="orlem: the demo has ended"):
    """The page's console lines, until one starts with `until`."""
    browser = next((b for b in ("chromium", "chromium-browser", "google-chrome") if
                    subprocess.run(["sh", "-c", "command -v " + b], capture_output=True).returncode == 0), None)
    if not browser:
        fail("no Chromium to play the page in")
    cmd = [browser, "--headless=new", "--no-sandbox", "--disable-dev-shm-usage", "--use-angle=gl-egl",
           "--ignore-gpu-blocklist", "--enable-logging=stderr", "--v=0", "--window-size=1920,1080",
           "--user-data-dir=" + profile, url]
    if autoplay:
        cmd.insert(1, "--autoplay-policy=no-user-gesture-required")
    proc = subprocess.Popen(cmd, stderr=subprocess.PIPE, stdout=subprocess.DEVNULL, text=True, errors="replace")
    lines = []
    deadline = time.time() + timeout
    timer = threading.Timer(timeout, proc.kill)
    timer.start()
    try:
        for line in proc.stderr:
            m = re.search(r'CONSOLE[^\]]*\] "(.*)", source:', line)
            if m:
                lines.append(m.group(1))
                if m.group(1).startswith(until):
                    break
            if time.time() > deadline:
                break
    finally:
        timer.cancel()
        proc.kill()
        proc.wait()
    return lines


def main():
    if len(sys.argv) != 3:
        fail("usage: check_web.py WEBDIR DEMODIR")
    webdir, demodir = sys.argv[1], sys.argv[2]
    with tempfile.TemporaryDirectory() as work:
        if webdir.endswith(".zip"):
            with zipfile.ZipFile(webdir) as z:
                z.extractall(os.path.join(work, "release"))
            webdir = os.path.join(work, "release", os.listdir(os.path.join(work, "release"))[0])
        page = "index.html" if os.path.exists(os.path.join(webdir, "index.html")) else "orlem.html"
        server = serve(webdir)
        url = ("http://127.0.0.1:%d/" + page + "?autostart&glcalls&musiccheck&stills=%s&escape=%d") % (
            server.server_address[1], ",".join("%g" % t for t in STILLS), ESCAPE_AT)
        started = time.time()
        # Well before the music's end (124 s): an end seen here is Escape's.
        lines = play(url, os.path.join(work, "profile"), ESCAPE_AT + 40)
        # Without the gesture the browser keeps sound off: the page plays on
        # the silent output, its music's clock still moving.
        quiet = play("http://127.0.0.1:%d/%s?autostart&stills=3" % (server.server_address[1], page),
                     os.path.join(work, "quiet"), 40, autoplay=False, until="orlem-web: still at")
        server.shutdown()
        print("check_web: %d console lines in %.0f s" % (len(lines), time.time() - started))
        stills = {}
        for l in lines:
            m = re.match(r"orlem-web: still at ([0-9.]+) s \(asked ([0-9.]+) s\), step (\d+), frame \d+, [0-9.]+ s "
                         r"in: 48x27 ([0-9a-f]+)$", l)
            if m:
                stills[float(m.group(2))] = (int(m.group(3)), bytes.fromhex(m.group(4)))
        for t in STILLS:
            if t not in stills:
                fail("no still at %g s:\n  %s" % (t, "\n  ".join(lines[-20:])))
        # The capture's frames at the steps the page drew: step k stands at k / 60 s.
        expected = capture_cells(demodir, work, [stills[t][0] / 60 for t in STILLS])

    errors = [l for l in lines + quiet if GL_ERRORS.search(l)]
    if errors:
        fail("the page reported errors:\n  " + "\n  ".join(errors[:10]))
    at = 0
    for want in STARTUP:
        found = next((i for i in range(at, len(lines)) if lines[i] == want), None)
        if found is None:
            fail("start-up line missing or out of order: %r\n  %s" % (want, "\n  ".join(lines[:40])))
        at = found + 1

    ok = True
    for t in STILLS:
        step, cells = stills[t]
        web, cap = luminance(cells), luminance(expected[step / 60])
        mw, mc = sum(web) / len(web), sum(cap) / len(cap)
        r = correlation(web, cap)
        # The same step as the capture's, drawn at the size that kept pace.
        good = abs(mw - mc) <= max(3.0, 0.1 * mc) and r >= 0.9
        print("check_web: still asked at %g s, drawn at step %d: mean luminance %.1f, capture's %.1f, correlation "
              "%.3f%s" % (t, step, mw, mc, r, "" if good else "  <- differs"))
        ok = ok and good
    # Scene by scene: the frames drawn and the size (the demo's line), and
    # the WebGL calls a frame made (the page's): figures of this machine.
    for l in lines:
        if l.startswith("orlem: scene event") or l.startswith("orlem-web: scene event") or l.startswith("[MOX] drawing"):
            print("check_web: " + l)
    calls = [int(m.group(1)) for m in (re.match(r"orlem-web: scene event \d+: WebGL calls a frame: (\d+) at most", l)
                                       for l in lines) if m]
    if not calls:
        fail("the page counted no WebGL calls")
    if max(calls) > 5000:
        fail("a frame made %d WebGL calls, more than 5,000" % max(calls))
    rate = [l for l in lines if "frames a second" in l]
    if rate:
        print("check_web: " + rate[-1])
    if not ok:
        fail("the page's stills differ from the capture's")
    if "orlem: the demo has ended" not in lines:
        fail("the page did not end on Escape")
    # The end: the sound closed, none missing while it played, a clean console.
    stopped = next((l for l in lines if l.startswith("orlem-web: the sound has stopped")), "")
    print("check_web: " + stopped)
    m = re.match(r"orlem-web: the sound has stopped: the audio context is (\w+), (\d+) underruns", stopped)
    if not m or m.group(1) != "closed":
        fail("the page's sound was not closed at the end: %r" % stopped)
    if int(m.group(2)) != 0:
        fail("the sound ran dry %s times while it played" % m.group(2))
    said = next((l for l in lines if l.endswith("errors and warnings of the page on the console")), "")
    if not said.startswith("orlem-web: 0 errors"):
        fail("the page's console: " + (said or "no count of its errors and warnings"))
    noisy = [l for l in lines + quiet if re.search(r"deprecated|WARNING", l)]
    if noisy:
        fail("warnings on the console:\n  " + "\n  ".join(noisy[:5]))
    checkmusic(lines, demodir)
    # The download, as a plain static host serves it.
    first = {}
    for path, code, sent in served:
        if code != 200 and code != 304:
            fail("the page asked for %s: %d" % (path, code))
        first.setdefault(path, sent)
    total = sum(first.values())
    for path in sorted(first):
        print("check_web: %-14s %9d bytes" % (path, first[path]))
    print("check_web: %d bytes in all" % total)
    if total > 4000000:
        fail("the page downloads %d bytes, more than 4 MB" % total)
    if not any(l.startswith("AUDIO: no audio device (") for l in quiet) or \
            not any(l.startswith("orlem-web: still at") for l in quiet):
        fail("without sound the page did not play on silently:\n  " + "\n  ".join(quiet[-20:]))
    print("check_web: the page played, matched the capture and ended on Escape; without sound it played silently")


if __name__ == "__main__":
    main()
