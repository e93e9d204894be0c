// The command line: split into an argument vector, and the options that
// the platform layer reads from it before coremain runs; coremain still
// gets the arguments the platform left.
// Options are declared by whoever owns them (mox_addoption): the platform
// its own (--window, and --help for a program with a usage), a program its
// (the demo's --from); each option's handler takes its value. A program
// that declares its usage (mox_setusage) takes no undeclared options: an
// unknown one is refused with the usage, and --help lists them all.
// Without a usage (the example, test programs) everything undeclared is
// left for the program.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "engine/platform/driver.h"

int mox_option_window = 0;

struct mox_option {
    const char* name;   // "--from"
    const char* value;  // its value's name for --help, null: none
    const char* help;   // lines of --help, each ending in a line break
    mox_optionhandler handler;
};
static mox_option mox_options[MOX_MAXOPTIONS];  // in the order they were declared
static int mox_numoptions = 0;

static const char* mox_program = nullptr;      // the program's name for --help
static const char* mox_description = nullptr;  // what it does, for --help

int mox_setusage(const char* program, const char* description)
{
    mox_program = program;
    mox_description = description;
    return 1;
}

int mox_addoption(const char* name, const char* value, const char* help, mox_optionhandler handler)
{
    for (int i = 0; i < mox_numoptions; i++)
        if (strcmp(mox_options[i].name, name) == 0) return 1;  // declared twice: the first stays
    if (mox_numoptions >= MOX_MAXOPTIONS) {
        // Declared from a static initialiser, before anything could say so later.
        fprintf(stderr, "[MOX] the option table is full (%d options): %s is not taken\n", MOX_MAXOPTIONS, name);
        return 0;
    }
    mox_options[mox_numoptions++] = {name, value, help, handler};
    return 1;
}

static const mox_option* mox_findoption(const char* name)
{
    for (int i = 0; i < mox_numoptions; i++)
        if (strcmp(mox_options[i].name, name) == 0) return &mox_options[i];
    return nullptr;
}

int mox_optionvalue(const char* name)
{
    const mox_option* o = mox_findoption(name);
    return o ? (o->value ? (o->value[0] == '[' ? 2 : 1) : 0) : -1;
}

static int mox_takewindow(const char*)
{
    mox_option_window = 1;
    return 1;
}

static const int mox_windowoption = mox_addoption("--window", nullptr,
                                                  "play in a window that fits the desktop (1280 x 720 where\n"
                                                  "it fits), the picture scaled with its shape kept\n",
                                                  mox_takewindow);

static void mox_printusage(FILE* to)
{
    fprintf(to, "usage: %s", mox_program);
    for (int i = 0; i < mox_numoptions; i++)
        fprintf(to, " [%s%s%s]", mox_options[i].name, mox_options[i].value ? " " : "",
                mox_options[i].value ? mox_options[i].value : "");
    fputs(" [--help]\n", to);
    if (mox_description) fputs(mox_description, to);
    fputs("\n", to);
    mox_printoptions(to);
    fputs("  --help         show this text\n", to);
}

void mox_printoptions(FILE* to)
{
    for (int i = 0; i < mox_numoptions; i++) {
        const mox_option& o = mox_options[i];
        char head[40];
        snprintf(head, sizeof head, "%s%s%s", o.name, o.value ? " " : "", o.value ? o.value : "");
        // The help's lines, the first beside the option (under it when the
        // option is too long for its column), the rest under it.
        const char* line = o.help;
        bool first = strlen(head) < 15;
        if (!first) fprintf(to, "  %s\n", head);
        while (*line) {
            const char* end = strchr(line, '\n');
            const int length = end ? int(end - line) : int(strlen(line));
            fprintf(to, "  %-15s%.*s\n", first ? head : "", length, line);
            first = false;
            line += length + (end ? 1 : 0);
        }
    }
}

int mox_readoptions(int* argc, char** argv)
{
    int kept = 1;
    for (int i = 1; i < *argc; i++) {
        const char* a = argv[i];
        const mox_option* o = mox_findoption(a);
        if (o) {
            const char* value = nullptr;
            if (o->value && o->value[0] == '[') {
                // An optional value: the next argument, unless it is an option.
                if (i + 1 < *argc && argv[i + 1][0] != '-') value = argv[++i];
            } else if (o->value) {
                if (i + 1 >= *argc) {
                    fprintf(stderr, "%s: %s wants %s\n", mox_program ? mox_program : argv[0], a, o->value);
                    return 2;
                }
                value = argv[++i];
            }
            if (!o->handler(value)) return 2;  // it said why
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

const char* mox_programname() { return mox_program ? mox_program : "program"; }

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
        case ' ':
        case '\t':
        case '\n':
        case '\r':
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
