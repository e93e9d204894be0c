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
    fprintf(to, "usage: %s [--window] [--from N] [--help]\n", mox_program);
    if (mox_description) fputs(mox_description, to);
    fputs("\n"
          "  --window   play in a window that fits the desktop (1280 x 720 where it\n"
          "             fits), the picture scaled with its shape kept\n"
          "  --from N   start at scene event N of the sync table, the music from its\n"
          "             time, so the scene's start runs as it would have\n"
          "  --help     show this text\n",
          to);
}

int mox_readoptions(int* argc, char** argv)
{
    int kept = 1;
    for (int i = 1; i < *argc; i++) {
        const char* a = argv[i];
        if (strcmp(a, "--window") == 0) {
            mox_option_window = 1;
        } else if (strcmp(a, "--from") == 0) {
            char* end = nullptr;
            long n = i + 1 < *argc ? strtol(argv[i + 1], &end, 10) : -1;
            if (n < 0 || n > 255 || !end || *end) {
                fprintf(stderr, "%s: --from wants a scene event number, 0 to 255\n",
                        mox_program ? mox_program : argv[0]);
                return 2;
            }
            mox_option_from = int(n);
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
