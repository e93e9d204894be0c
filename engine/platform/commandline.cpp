// The command line: split into an argument vector, and the viewers' options
// that the platform layer reads from it before coremain runs; coremain still
// gets the arguments the platform left.
// A program that declares its usage (mox_setusage) takes no other options:
// an unknown one is refused with the usage, and --help prints it. Without a
// usage (the example, test programs) everything but the platform's own
// options is left for the program.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "engine/platform/driver.h"

int mox_option_window = 0;
int mox_option_from = 0;
double mox_option_fromtime = 0;
int mox_option_everyframe = 0;

static const char* mox_program = nullptr;      // the program's name for --help
static const char* mox_description = nullptr;  // what it does, for --help

int mox_setusage(const char* program, const char* description)
{
    mox_program = program;
    mox_description = description;
    return 1;
}

static void mox_printusage(FILE* to)
{
    fprintf(to, "usage: %s [--window] [--from N|Ts] [--every-frame] [--help]\n", mox_program);
    if (mox_description) fputs(mox_description, to);
    fputs("\n"
          "  --window       play in a window that fits the desktop (1280 x 720 where\n"
          "                 it fits), the picture scaled with its shape kept\n"
          "  --from N       start at scene event N of the sync table: every step\n"
          "                 before it is rehearsed (played without drawing), so the\n"
          "                 picture is the one a viewer sees there\n"
          "  --from Ts      the same, from T seconds into the music (--from 47.5s)\n"
          "  --every-frame  one step of the show per drawn frame, however slowly the\n"
          "                 machine draws (by default a late frame first rehearses\n"
          "                 the steps it missed, so the show keeps 60 steps a second)\n"
          "  --help         show this text\n",
          to);
}

// N (a scene event, 0 to 255) or T followed by "s" (seconds, up to a day).
static int mox_readfrom(const char* text)
{
    char* end = nullptr;
    const size_t length = strlen(text);
    if (length > 1 && text[length - 1] == 's') {
        const double t = strtod(text, &end);
        if (end != text + length - 1 || !(t >= 0) || t > 86400) return 0;
        mox_option_from = 0;
        mox_option_fromtime = t;
        return 1;
    }
    const long n = strtol(text, &end, 10);
    if (!*text || *end || n < 0 || n > 255) return 0;
    mox_option_from = int(n);
    mox_option_fromtime = 0;
    return 1;
}

int mox_readoptions(int* argc, char** argv)
{
    int kept = 1;
    for (int i = 1; i < *argc; i++) {
        const char* a = argv[i];
        if (strcmp(a, "--window") == 0) {
            mox_option_window = 1;
        } else if (strcmp(a, "--every-frame") == 0) {
            mox_option_everyframe = 1;
        } else if (strcmp(a, "--from") == 0) {
            if (i + 1 >= *argc || !mox_readfrom(argv[i + 1])) {
                fprintf(stderr, "%s: --from wants a scene event number, 0 to 255, or a time like 47.5s\n",
                        mox_program ? mox_program : argv[0]);
                return 2;
            }
            i++;
        } else if (mox_program && (strcmp(a, "--help") == 0 || strcmp(a, "-h") == 0)) {
            mox_printusage(stdout);
            return 0;
        } else if (mox_program) {
            fprintf(stderr, "%s: unknown option '%s'\n", mox_program, a);
            mox_printusage(stderr);
            return 2;
        } else {
            argv[kept++] = argv[i];
        }
    }
    argv[kept] = nullptr;
    *argc = kept;
    return -1;
}

char** CommandLineToArgvA(const char* cmdline, int* argc)
{
    if (!cmdline) cmdline = "";
    size_t len = strlen(cmdline);
    // Room for the most arguments the line can hold, then the text.
    size_t pointers = (len + 2) / 2 + 1;
    char** argv = static_cast<char**>(malloc(pointers * sizeof(char*) + len + 2));
    if (!argv) {
        *argc = 0;
        return nullptr;
    }
    char* out = reinterpret_cast<char*>(argv + pointers);
    bool inquotes = false, intext = false, atspace = true;
    int n = 0;
    size_t j = 0;
    for (size_t i = 0; i < len; i++) {
        char a = cmdline[i];
        if (inquotes) {
            if (a == '"')
                inquotes = false;
            else
                out[j++] = a;
            continue;
        }
        switch (a) {
        case '"':
            inquotes = true;
            intext = true;
            if (atspace) argv[n++] = out + j;
            atspace = false;
            break;
        case ' ': case '\t': case '\n': case '\r':
            if (intext) out[j++] = '\0';
            intext = false;
            atspace = true;
            break;
        default:
            intext = true;
            if (atspace) argv[n++] = out + j;
            out[j++] = a;
            atspace = false;
            break;
        }
    }
    out[j] = '\0';
    argv[n] = nullptr;
    *argc = n;
    return argv;
}
