#!/usr/bin/env python3
"""The web build's data, small enough for a plain static host: webdata.py DEMODIR OUTDIR.

From DEMODIR's orlem.dat and timing.dat (the native build's) it writes into
OUTDIR:
  orlem.dat.gz  the data image with music.wav's data moved to the end and
                cut after the WAV's 44-byte header, gzipped: the page
                appends the decoded samples, which makes the image whole
                again (the table already counts them)
  music.mp3     the music, MP3 of variable rate (LAME's quality 5, about
                127 kbit/s): every current browser decodes it, and it keeps
                the WAV's loudness (-9.1 against -9.0 LUFS; at a constant
                128 kbit/s it loses half a LU)
  music.json    the music's frame count and a probe of its samples, by
                which the page finds where the decoder's leading delay ends
  timing.dat    the sync table, as it is
"""
import gzip
import json
import os
import shutil
import struct
import subprocess
import sys
import tempfile

PROBE_FRAMES = 4096     # the probe's length
PROBE_SEARCH = 30 * 44100  # where it is looked for: the music's first 30 s


def fail(message):
    sys.exit("webdata: " + message)


def read_image(path):
    """The image's bytes and its entries: (name, hash, offset, size), in table order."""
    with open(path, "rb") as f:
        data = f.read()
    if data[:4] != b"CORE":
        fail("%s is not a data image" % path)
    count, romsize = struct.unpack_from("<Ii", data, 4)
    entries, at = [], 12
    for _ in range(count):
        length, hashed = struct.unpack_from("<Ii", data, at)
        name = data[at + 8:at + 8 + length].decode("ascii")
        (offset,) = struct.unpack_from("<I", data, at + 8 + length)
        entries.append([name, hashed, offset, 0])
        at += 12 + length
    for i, e in enumerate(entries):
        e[3] = (entries[i + 1][2] if i + 1 < len(entries) else romsize) - e[2]
    return data, entries


def write_image(entries, payloads):
    """An image of these entries (name, hash) and data, in this order."""
    table = b"".join(struct.pack("<Ii", len(n), h) + n.encode("ascii") + b"\0\0\0\0" for n, h, _, _ in entries)
    offset = 12 + len(table)
    out = bytearray(b"CORE" + struct.pack("<Ii", len(entries), offset + sum(len(p) for p in payloads)) + table)
    at = 12
    for (name, _, _, _), payload in zip(entries, payloads):
        at += 8 + len(name)
        struct.pack_into("<I", out, at, offset)
        at += 4
        offset += len(payload)
    for payload in payloads:
        out += payload
    return out


def main():
    if len(sys.argv) != 3:
        fail("usage: webdata.py DEMODIR OUTDIR")
    demodir, outdir = sys.argv[1], sys.argv[2]
    os.makedirs(outdir, exist_ok=True)
    data, entries = read_image(os.path.join(demodir, "orlem.dat"))
    music = next((e for e in entries if e[0] == "music.wav"), None)
    if not music:
        fail("orlem.dat holds no music.wav")
    wav = data[music[2]:music[2] + music[3]]
    if wav[:4] != b"RIFF" or wav[36:40] != b"data" or len(wav) < 44:
        fail("music.wav is not the canonical 44-byte-header WAV the demo reads")
    channels, rate = struct.unpack_from("<HI", wav, 22)
    (bits,) = struct.unpack_from("<H", wav, 34)
    if (channels, rate, bits) != (2, 44100, 16):
        fail("music.wav is not 44100 Hz 16-bit stereo")
    pcm = wav[44:]
    frames = len(pcm) // 4

    # The image, the music last and cut after its header.
    order = [e for e in entries if e is not music] + [music]
    payloads = [data[e[2]:e[2] + e[3]] for e in order[:-1]] + [wav]
    image = write_image(order, payloads)
    cut = len(image) - len(pcm)
    # No name and no time in the gzip header: the same bytes every build.
    with open(os.path.join(outdir, "orlem.dat.gz"), "wb") as raw:
        with gzip.GzipFile(filename="", mode="wb", compresslevel=9, fileobj=raw, mtime=0) as f:
            f.write(image[:cut])

    # The probe: the liveliest stretch of the first 30 s, as mono samples.
    samples = struct.unpack_from("<%dh" % (2 * min(frames, PROBE_SEARCH)), pcm)
    best, at = -1, 0
    for start in range(0, min(frames, PROBE_SEARCH) - PROBE_FRAMES, PROBE_FRAMES // 2):
        window = samples[2 * start:2 * (start + PROBE_FRAMES)]
        change = sum(abs(window[i] - window[i - 2]) for i in range(2, len(window), 4))
        if change > best:
            best, at = change, start
    probe = [(samples[2 * (at + i)] + samples[2 * (at + i) + 1]) // 2 for i in range(PROBE_FRAMES)]
    with open(os.path.join(outdir, "music.json"), "w") as f:
        json.dump({"frames": frames, "probe": {"at": at, "samples": probe}}, f, separators=(",", ":"))

    with tempfile.TemporaryDirectory() as work:
        source = os.path.join(work, "music.wav")
        with open(source, "wb") as f:
            f.write(wav)
        run = subprocess.run(["ffmpeg", "-nostdin", "-loglevel", "error", "-y", "-i", source, "-c:a", "libmp3lame",
                              "-q:a", "5", "-fflags", "+bitexact", "-map_metadata", "-1",
                              os.path.join(outdir, "music.mp3")], capture_output=True, text=True)
        if run.returncode != 0:
            fail("ffmpeg could not make music.mp3: " + run.stderr.strip())
    shutil.copyfile(os.path.join(demodir, "timing.dat"), os.path.join(outdir, "timing.dat"))
    for name in ("orlem.dat.gz", "music.mp3", "music.json", "timing.dat"):
        print("webdata: %-13s %9d bytes" % (name, os.path.getsize(os.path.join(outdir, name))))


if __name__ == "__main__":
    main()
