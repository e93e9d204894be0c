// What the capture writes: raw frames into one ffmpeg run that encodes the
// picture, the sound track into a file of its own, and a last ffmpeg run
// that puts the two together under a temporary name which becomes OUT only
// when everything worked, so no half-written video is ever left under OUT.
// An interrupt (Ctrl-C, SIGTERM) is seen by a thread of its own within a few
// hundredths of a second, whatever the demo is doing: it stops ffmpeg,
// removes every file the capture had under way and ends the process.
#include "capture.h"
#include "capture_parts.h"

#include <malloc.h>  // mallinfo2: the heap in use, for the trace
#include <sys/stat.h>
#include <strings.h>  // strcasecmp
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <thread>

#include <cerrno>
#include <cmath>
#include <csignal>
#include <cstdlib>
#include <cstring>

#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb/stb_image_write.h>  // PNG stills

#include "core/coremem.h"
#include "engine/video/mox.h"
#include "engine/platform/driver.h"

namespace {

const char* prog() { return capture_the ? capture_the->program : "capture"; }

// The capture's own options; the formats and the demo's and the
// platform's options are added from their tables (usage()).
const char* const ownoptions =
    "The show always steps 60 times a second; steps that no frame or still\n"
    "needs are rehearsed: played without drawing, which is far quicker.\n"
    "  --frames N   stop after N frames (default: at the demo's end)\n"
    "  --fps N      frames a second: 60 (default) or a divisor of it, 30 draws\n"
    "               every second step and rehearses the others\n"
    "  --size WxH   the video's size: the demo draws the picture at the size\n"
    "               it fills there (1920 x 1080 by default), so 3840x2160 has\n"
    "               the detail of 4K; --resolution WxH draws it at another\n"
    "               size, scaled to the video's\n"
    "  --stills DIR --at T1,T2,...  PNG stills at these seconds of the music,\n"
    "               into DIR; with nothing else asked, only they are drawn\n"
    "  --trace FILE one line per step: time, scene event, effect time, pulse,\n"
    "               greeting name, fade, blend, blur, beat, particle count, the\n"
    "               field's age, the camera, fingerprints of the step's picture\n"
    "               (- when not drawn) and of its sound, and the memory held\n"
    "  --slow MS    no video: a trace (or stills) of what a machine that takes\n"
    "               MS ms to draw a frame shows: every step on the grid, those\n"
    "               it misses rehearsed; MIN-MAX: each frame takes from MIN to\n"
    "               MAX ms, in a sequence that is the same every run\n"
    "  --stall T:MS with --slow: the first frame drawn at or after T seconds\n"
    "               takes MS ms more, as when the whole program stops a while\n";

// What OUT's extension asks for: the container and the codecs, as ffmpeg
// names them. Every format is written bit-exact, so the same inputs give the
// same file.
struct format {
    const char* extension;
    const char* container;  // ffmpeg's muxer
    const char* video;      // the picture's codec and its settings
    const char* audio;      // the sound's
    const char* says;       // for the refusal line
};
const format formats[] = {
    {".mp4", "mp4", "-c:v libx264 -preset veryfast -crf 18 -pix_fmt yuv420p", "-c:a aac -b:a 192k",
     ".mp4 (H.264 and AAC)"},
    {".webm", "webm",
     "-c:v libvpx-vp9 -deadline realtime -cpu-used 8 -crf 30 -b:v 0 -threads 1 -pix_fmt yuv420p",
     "-c:a libopus -b:a 160k -ar 48000", ".webm (VP9 and Opus)"},
    {".mkv", "matroska", "-c:v libx264 -preset veryfast -crf 18 -pix_fmt yuv420p", "-c:a flac",
     ".mkv (H.264 and FLAC)"},
};

// The formats as a list: ".mp4 (H.264 and AAC), .webm (VP9 and Opus) or
// .mkv (H.264 and FLAC)", or their extensions alone ("OUT.mp4|.webm|.mkv").
std::string formatlist(bool says)
{
    std::string list;
    const size_t n = sizeof formats / sizeof formats[0];
    for (size_t i = 0; i < n; i++) {
        if (i) list += says ? (i + 1 == n ? " or " : ", ") : "|";
        list += says ? formats[i].says : formats[i].extension;
    }
    return list;
}

// The video written when nothing is named: the demo's name, from
// "NAME-capture", as .mp4 in the working directory.
std::string defaultvideo()
{
    std::string name = prog();
    const std::string suffix = "-capture";
    if (name.size() > suffix.size() && name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0)
        name.resize(name.size() - suffix.size());
    return name + ".mp4";
}

void usage(FILE* to)
{
    fprintf(to,
            "usage: %s [OUT%s] [--frames N] [--fps N] [--size WxH]\n"
            "         [--stills DIR --at T1,T2,...] [--trace FILE]\n"
            "         [--slow MS|MIN-MAX [--stall T:MS]] [demo options]\n"
            "Plays the demo off-screen on a virtual clock and writes it as a video with\n"
            "its sound through ffmpeg, however long each frame takes: OUT ends in\n"
            "%s;\nwith no video, stills or trace named it writes %s.\n%s",
            prog(), formatlist(false).c_str(), formatlist(true).c_str(), defaultvideo().c_str(), ownoptions);
    fputs("Options of the demo and the engine:\n", to);
    mox_printoptions(to);
}

const format* formatof(const std::string& out)
{
    for (const format& f : formats) {
        const size_t n = strlen(f.extension);
        if (out.size() > n && strcasecmp(out.c_str() + out.size() - n, f.extension) == 0) return &f;
    }
    return nullptr;
}

// A path inside single quotes for the shell.
std::string quoted(const std::string& s)
{
    std::string q = "'";
    for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

bool positiveint(const char* text, int lowest, int highest, int* value)
{
    char* end = nullptr;
    long v = strtol(text, &end, 10);
    if (!*text || *end || v < lowest || v > highest) return false;
    *value = int(v);
    return true;
}

bool readtimes(const char* text, std::vector<double>* at)
{
    std::string list = text;
    size_t start = 0;
    while (start <= list.size()) {
        size_t comma = list.find(',', start);
        std::string item = list.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        char* end = nullptr;
        double t = strtod(item.c_str(), &end);
        if (item.empty() || *end || !(t >= 0) || t > 86400) return false;
        at->push_back(t);
        if (comma == std::string::npos) break;
        start = comma + 1;
    }
    return !at->empty();
}

// MS, or MIN-MAX with MIN at most MAX, each 1 to 10000.
bool slowtimes(const char* text, capture_options* o)
{
    const std::string t = text;
    const size_t dash = t.find('-');
    if (dash == std::string::npos) return positiveint(text, 1, 10000, &o->slow);
    return positiveint(t.substr(0, dash).c_str(), 1, 10000, &o->slow) &&
           positiveint(t.substr(dash + 1).c_str(), o->slow, 10000, &o->slowmax);
}

// T:MS: seconds as --at takes them, milliseconds 1 to 600000.
bool stalltime(const char* text, capture_options* o)
{
    const std::string t = text;
    const size_t colon = t.find(':');
    std::vector<double> at;
    if (colon == std::string::npos || !readtimes(t.substr(0, colon).c_str(), &at) || at.size() != 1) return false;
    o->stallat = at[0];
    return positiveint(t.substr(colon + 1).c_str(), 1, 600000, &o->stallms);
}

int refuse(const std::string& why)
{
    fprintf(stderr, "%s: %s\n", prog(), why.c_str());
    usage(stderr);
    return 2;
}

void removefile(const std::string& path)
{
    if (!path.empty()) unlink(path.c_str());
}

// --- ffmpeg runs and interrupts ----------------------------------------------------

volatile sig_atomic_t interrupted = 0;  // the signal that asked the capture to stop
std::atomic<pid_t> child{0};            // the ffmpeg run under way, 0: none
char stillpart[4096] = "";              // the still being written, under its temporary name
std::atomic<bool> writingstill{false};

void oninterrupt(int signal) { interrupted = signal; }

// Starts `command` through the shell; with `input`, a pipe to its standard
// input. Returns its pid, or -1.
pid_t startcommand(const std::string& command, FILE** input)
{
    int ends[2] = {-1, -1};
    if (input && pipe(ends) != 0) return -1;
    const pid_t pid = fork();
    if (pid == 0) {
        if (input) {
            dup2(ends[0], STDIN_FILENO);
            close(ends[0]);
            close(ends[1]);
        }
        // exec: ffmpeg itself is the child, to be stopped when interrupted.
        const std::string line = "exec " + command;
        execl("/bin/sh", "sh", "-c", line.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    if (input) {
        close(ends[0]);
        *input = pid > 0 ? fdopen(ends[1], "w") : nullptr;
        if (pid > 0 && !*input) close(ends[1]);
    }
    if (pid > 0) child = pid;
    return pid;
}

// Waits for a command's end; its exit status as system() gives it.
int waitcommand(pid_t pid)
{
    int status = -1;
    while (pid > 0 && waitpid(pid, &status, 0) < 0 && errno == EINTR) {}
    child = 0;
    return status;
}

// The interrupt's thread: once a signal has come, nothing more is written;
// what was under way is removed and the process ends with 128 + the signal.
void watchinterrupts(capture_options o, capture_output* out)
{
    while (!interrupted) std::this_thread::sleep_for(std::chrono::milliseconds(20));
    const int signal = interrupted;
    const pid_t running = child.load();
    if (running > 0) {
        kill(running, SIGKILL);
        waitpid(running, nullptr, 0);
    }
    removefile(out->videopath);
    removefile(out->audiopath);
    if (!o.out.empty()) removefile(o.out + ".partial");
    if (writingstill.load()) unlink(stillpart);
    fprintf(stderr, "\n%s: %s: stopped, nothing written%s%s\n", prog(),
            signal == SIGINT ? "interrupted (Ctrl-C)" : "told to stop (SIGTERM)", o.out.empty() ? "" : " to ",
            o.out.c_str());
    _exit(128 + signal);
}

}  // namespace

int capture_readoptions(int argc, char** argv, capture_options* o, std::vector<char*>* rest)
{
    rest->push_back(argv[0]);
    for (int i = 1; i < argc; i++) {
        const std::string a = argv[i];
        const bool hasvalue = i + 1 < argc;
        if (a == "--help" || a == "-h") {
            usage(stdout);
            return 0;
        } else if (a == "--frames") {
            if (!hasvalue || !positiveint(argv[++i], 1, 100000000, &o->frames))
                return refuse("--frames wants a count of 1 or more");
        } else if (a == "--fps") {
            // Each frame is a whole number of the demo's steps.
            if (!hasvalue || !positiveint(argv[++i], 1, CAPTURE_STEPRATE, &o->fps) || CAPTURE_STEPRATE % o->fps)
                return refuse("--fps wants a divisor of 60: 60, 30, 20, 15, 12, 10, 6, 5, 4, 3, 2 or 1");
        } else if (a == "--slow") {
            if (!hasvalue || !slowtimes(argv[++i], o))
                return refuse("--slow wants the milliseconds a frame takes, 1 to 10000, or a range like 120-220");
        } else if (a == "--stall") {
            if (!hasvalue || !stalltime(argv[++i], o))
                return refuse("--stall wants T:MS, seconds into the music and milliseconds, like 40:3000");
        } else if (a == "--size") {
            if (!hasvalue || sscanf(argv[++i], "%dx%d", &o->width, &o->height) != 2 || o->width < 16 ||
                o->height < 16 || o->width > 7680 || o->height > 4320 || o->width % 2 || o->height % 2)
                return refuse("--size wants WxH, even numbers from 16x16 to 7680x4320");
        } else if (a == "--stills") {
            if (!hasvalue) return refuse("--stills wants a folder");
            o->stills = argv[++i];
        } else if (a == "--at") {
            if (!hasvalue || !readtimes(argv[++i], &o->at)) return refuse("--at wants seconds, like 12,30.5,61");
        } else if (a == "--trace") {
            if (!hasvalue) return refuse("--trace wants a file");
            o->trace = argv[++i];
        } else if (a.size() > 1 && a[0] == '-') {
            // The platform's and the demo's options (--from N, --every-frame,
            // --window): the platform reads them; a value goes along.
            rest->push_back(argv[i]);
            const int value = mox_optionvalue(a.c_str());
            if (hasvalue && (value == 1 || (value == 2 && argv[i + 1][0] != '-'))) rest->push_back(argv[++i]);
        } else if (o->out.empty()) {
            o->out = a;
        } else {
            return refuse("one video at a time: '" + o->out + "' and '" + a + "'");
        }
    }
    if (o->stills.empty() != o->at.empty()) return refuse("--stills and --at go together");
    if (o->out.empty() && o->stills.empty() && o->trace.empty()) o->out = defaultvideo();
    if (!o->out.empty() && !formatof(o->out))
        return refuse("'" + o->out + "': the video's name ends in " + formatlist(true));
    if (o->slow && (!o->out.empty() || o->fps != CAPTURE_STEPRATE))
        return refuse("--slow draws when the machine would: it takes a trace or stills, not a video or --fps");
    if (o->stallms && !o->slow) return refuse("--stall stops a slow machine: it goes with --slow");
    o->stillsonly = o->out.empty() && o->trace.empty();
    return -1;
}

static bool openoutputs(const capture_options& o, capture_output* out);

bool capture_open(const capture_options& o, capture_output* out)
{
    // A signal before the outputs are open is seen once they are.
    struct sigaction stop = {};
    stop.sa_handler = oninterrupt;
    sigaction(SIGINT, &stop, nullptr);
    sigaction(SIGTERM, &stop, nullptr);
    if (!openoutputs(o, out)) return false;
    std::thread(watchinterrupts, o, out).detach();
    return true;
}

static bool openoutputs(const capture_options& o, capture_output* out)
{
    if (!o.stills.empty()) {
        mkdir(o.stills.c_str(), 0777);
        struct stat st;
        if (stat(o.stills.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
            fprintf(stderr, "%s: %s: cannot make a folder for the stills there\n", prog(), o.stills.c_str());
            return false;
        }
    }
    if (!o.trace.empty()) {
        out->trace = fopen(o.trace.c_str(), "w");
        if (!out->trace) {
            fprintf(stderr, "%s: %s: cannot be written\n", prog(), o.trace.c_str());
            return false;
        }
        fprintf(out->trace, "# step ms%s%s picturehash soundhash wrapped heap\n", *capture_the->traceheader ? " " : "",
                capture_the->traceheader);
    }
    if (o.out.empty()) return true;  // stills and traces need no ffmpeg
    if (system("ffmpeg -version >/dev/null 2>&1") != 0) {
        fprintf(stderr,
                "%s: ffmpeg was not found or does not run: install it "
                "(apt-get install ffmpeg) to write %s\n", prog(),
                o.out.c_str());
        return false;
    }
    out->videopath = o.out + ".picture";
    out->audiopath = o.out + ".sound.raw";
    out->audio = fopen(out->audiopath.c_str(), "wb");
    if (!out->audio) {
        fprintf(stderr, "%s: %s: cannot be written\n", prog(), out->audiopath.c_str());
        return false;
    }
    // A write into an ffmpeg that has ended must fail, not end the process.
    signal(SIGPIPE, SIG_IGN);
    return true;
}

void capture_writeframe(capture_output& out, const capture_options& o, const uint8_t* rgb, int width, int height)
{
    if (out.failed) return;
    if (!out.video) {
        out.width = width;
        out.height = height;
        std::string scale;
        if (o.width && (o.width != width || o.height != height))
            scale = ",scale=" + std::to_string(o.width) + ":" + std::to_string(o.height) + ":flags=bicubic";
        const std::string command =
            "ffmpeg -loglevel error -nostdin -y -f rawvideo -pix_fmt rgb24 -s " + std::to_string(width) + "x" +
            std::to_string(height) + " -r " + std::to_string(o.fps) + " -i - -vf vflip" + scale +
            " " + formatof(o.out)->video + " -an -fflags +bitexact -f " + formatof(o.out)->container + " " +
            quoted(out.videopath);
        out.videopid = startcommand(command, &out.video);
        if (out.videopid <= 0 || !out.video) {
            fprintf(stderr, "\n%s: ffmpeg could not be started for %s\n", prog(), o.out.c_str());
            out.failed = true;
            return;
        }
    }
    if (width != out.width || height != out.height) return;  // the window never changes size
    const size_t bytes = size_t(width) * height * 3;
    if (fwrite(rgb, 1, bytes, out.video) != bytes) {
        fprintf(stderr, "\n%s: ffmpeg stopped taking frames for %s\n", prog(), o.out.c_str());
        out.failed = true;
    }
}

double capture_steptime(uint32_t step) { return double(step) / CAPTURE_STEPRATE; }

bool capture_stilldue(const capture_options& o, uint32_t step)
{
    // Step k stands at k / 60 s; a still at T is the first step at or after T.
    for (double t : o.at)
        if (step == MOX_FirstStepAt(t, CAPTURE_STEPRATE)) return true;
    return false;
}

bool capture_writestill(uint32_t step, const capture_options& o, const uint8_t* rgb, int width, int height)
{
    char name[64];
    snprintf(name, sizeof name, "/still-%07.2fs.png", capture_steptime(step));
    const std::string path = o.stills + name;
    // Under a temporary name until whole, so an interrupt leaves no half.
    snprintf(stillpart, sizeof stillpart, "%s.part", path.c_str());
    writingstill = true;
    stbi_flip_vertically_on_write(1);  // the frame is bottom row first
    const bool written =
        stbi_write_png(stillpart, width, height, 3, rgb, width * 3) && rename(stillpart, path.c_str()) == 0;
    if (!written) unlink(stillpart);
    writingstill = false;
    if (!written) fprintf(stderr, "\n%s: %s: cannot be written\n", prog(), path.c_str());
    return written;
}

uint64_t capture_hash(const uint8_t* bytes, size_t size)
{
    uint64_t h = 14695981039346656037ull;
    for (size_t i = 0; i < size; i++) h = (h ^ bytes[i]) * 1099511628211ull;
    return h;
}

void capture_tracestep(capture_output& out, uint32_t step, uint32_t ms, bool drawn, uint64_t picture, uint64_t sound)
{
    char fingerprint[20] = "-";
    if (drawn) snprintf(fingerprint, sizeof fingerprint, "%016llx", (unsigned long long)picture);
    fprintf(out.trace, "%u %u", step, ms);
    if (capture_the->tracecolumns) capture_the->tracecolumns(out.trace);
    // The memory the program holds as the step ends: what the engine's
    // wrappers hold, and the C heap as a whole (the GL driver's included).
    const struct mallinfo2 heap = mallinfo2();
    fprintf(out.trace, " %s %016llx %u %zu\n", fingerprint, (unsigned long long)sound, g_mem_in_use,
            heap.uordblks + heap.hblkhd);
}

void capture_progress(const capture_options& o, uint32_t step, uint32_t done, uint32_t total, int stills,
                      std::chrono::steady_clock::time_point started)
{
    static const bool terminal = isatty(STDERR_FILENO);
    static double lastshown = -1;
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    // In place four times a second on a terminal; a line every 10 s in a log.
    if (seconds - lastshown < (terminal ? 0.25 : 10.0)) return;
    lastshown = seconds;
    const char* start = terminal ? "\r" : "";
    const char* end = terminal ? "   " : "\n";
    const float seek = capture_the->seekprogress ? capture_the->seekprogress() : -1;
    if (seek >= 0) {
        fprintf(stderr, "%srehearsing to %s: %.0f %%%s", start, capture_the->seekaim ? capture_the->seekaim() : "?",
                100.0 * seek, end);
        fflush(stderr);
        return;
    }
    const char* where = capture_the->where ? capture_the->where() : "";
    if (o.stillsonly) {
        fprintf(stderr, "%s%d of %zu stills written, %.1f s into the music%s%s%s", start, stills, o.at.size(),
                capture_steptime(step), *where ? ", " : "", where, end);
        fflush(stderr);
        return;
    }
    if (o.frames > 0 && (total == 0 || uint32_t(o.frames) < total)) total = uint32_t(o.frames);
    const double rate = seconds > 0 ? done / seconds : 0;
    char left[32] = "?";
    if (total > done && rate > 0) {
        const int s = int((total - done) / rate);
        snprintf(left, sizeof left, "%d:%02d", s / 60, s % 60);
    } else if (total > 0) {
        snprintf(left, sizeof left, "0:00");
    }
    char of[32] = "";
    if (total > 0) snprintf(of, sizeof of, "/%u", total);
    fprintf(stderr, "%sframe %u%s  %s%s%.1f frames/s  %s left%s", start, done, of, where, *where ? "  " : "", rate,
            left, end);
    fflush(stderr);
}

// Where the time went, for the closing lines.
static void reporttiming(uint32_t steps, const capture_timing& t)
{
    const double total = t.drawing + t.rehearsing + t.readback + t.encoding + t.rest + t.finishing;
    if (steps == 0 || total <= 0) return;
    const double length = capture_steptime(steps);
    printf(
        "%s: %.1f s for %.1f s of demo (%.2f times its length): drawing %.0f %%, rehearsing %.0f %%, "
        "read-back %.0f %%, handing frames to ffmpeg %.0f %%, sound, stills and trace %.1f %%, "
        "adding the sound track %.0f %%\n", prog(),
        total, length, total / length, 100 * t.drawing / total, 100 * t.rehearsing / total, 100 * t.readback / total,
        100 * t.encoding / total, 100 * t.rest / total, 100 * t.finishing / total);
}

int capture_finish(const capture_options& o, capture_output* out, uint32_t frames, uint32_t drawn, uint32_t steps,
                   int stills, const std::string& why, capture_timing* timing)
{
    if (isatty(STDERR_FILENO)) fputs("\n", stderr);
    if (out->trace) fclose(out->trace);
    out->trace = nullptr;
    const double seconds = double(frames) / o.fps;
    const std::string ending = why.empty() ? "the demo ended" : why;
    if (!o.stills.empty())
        printf("%s: %d of %zu stills written to %s\n", prog(), stills, o.at.size(), o.stills.c_str());
    if (o.out.empty()) {
        printf("%s: %u steps (%.2f s), %u of them drawn: %s\n", prog(), steps, capture_steptime(steps), drawn,
               ending.c_str());
        reporttiming(steps, *timing);
        return 0;
    }
    int status = 0;
    if (out->video) {
        fclose(out->video);
        status = waitcommand(out->videopid);
    }
    out->video = nullptr;
    bool audiook = out->audio && fflush(out->audio) == 0 && !ferror(out->audio);
    if (out->audio) audiook = fclose(out->audio) == 0 && audiook;
    out->audio = nullptr;

    bool ok = !out->failed && frames > 0 && status == 0 && audiook;
    const std::string partial = o.out + ".partial";
    const auto finishing = std::chrono::steady_clock::now();
    if (ok) {
        // The picture as it is; the sound track encoded beside it.
        const std::string command = "ffmpeg -loglevel error -nostdin -y -i " + quoted(out->videopath) +
                                    " -f s16le -ar 44100 -ac 2 -i " + quoted(out->audiopath) +
                                    " -map 0:v -map 1:a -c:v copy " + formatof(o.out)->audio +
                                    " -fflags +bitexact -f " + formatof(o.out)->container + " " + quoted(partial);
        status = waitcommand(startcommand(command, nullptr));
        ok = status == 0 && rename(partial.c_str(), o.out.c_str()) == 0;
    }
    timing->finishing += std::chrono::duration<double>(std::chrono::steady_clock::now() - finishing).count();
    removefile(out->videopath);
    removefile(out->audiopath);
    if (!ok) {
        removefile(partial);
        if (frames == 0)
            fprintf(stderr, "%s: the demo presented no frame; no video written\n", prog());
        else
            fprintf(stderr, "%s: ffmpeg failed while encoding %s (status %d); no video written\n", prog(),
                    o.out.c_str(), status);
        return 1;
    }
    printf("%s: %s written: %u frames, %.2f s at %d frames a second, with its sound: %s\n", prog(), o.out.c_str(),
           frames, seconds, o.fps, ending.c_str());
    reporttiming(steps, *timing);
    return 0;
}
