// Directory listing over the names of the mounted file table.
//
// The view is made from the table's names alone ("/" between levels), so a
// data image and a mounted directory list the same way. The local path
// always starts with "/" and, after any change, ends with "/"; it is a prefix
// of the names it shows, without its leading "/". A listing holds the ".."
// entry (below the root), then the subdirectories in order of first
// appearance, then the matching files in table order. Demo thread only.
#include "corefile.h"

#include "coredebug.h"
#include "coremem.h"

#include <cstring>
#include <string>
#include <sys/stat.h>

#define LIST_MALLOC(size) _wrap_malloc_dbg((size), "corefile-std", __LINE__)
#define LIST_FREE(p) _wrap_free_dbg((p), "corefile-std", __LINE__)

enum {
    MAX_DIRNAMES = 260,
    LOCALPATH_SIZE = 256,
    MAX_EXTENSION = 15
};

char* corefile_dirnames[MAX_DIRNAMES];  // subdirectory names being collected
int corefile_numdirs = 0;

static char* copy_string(const char* s)
{
    const int n = (int)strlen(s);
    char* copy = (char*)LIST_MALLOC(n + 1);
    if (copy) memcpy(copy, s, n + 1);
    return copy;
}

// True when a "/" occurs before the last character: the name lies deeper.
static bool in_subdirectory(const char* r)
{
    const char* slash = strchr(r, '/');
    return slash && slash[1] != 0;
}

// Size of a listed file: the table's for an image; a loose file's own size,
// since a directory mount keeps no offsets.
static int32_t listed_size(uint32_t i)
{
    const s_coreimage& t = corefile_image;
    if (corefile_mounttype != COREFILE_DIRECTORY) {
        uint32_t end = i + 1 < t.numfiles ? t.offsets[i + 1] : (uint32_t)t.romsize;
        return (int32_t)(end - t.offsets[i]);
    }
    char path[1024 + 256];
    struct stat st;
    snprintf(path, sizeof path, "%s/%s", (const char*)t.base, t.names[i]);
    return stat(path, &st) == 0 && st.st_size <= INT32_MAX ? (int32_t)st.st_size : 0;
}

static void append_entry(char* display, char* name, int32_t size, uint8_t isdir)
{
    // The array has room for every table entry plus "..": each name gives at
    // most one line, so this holds; the check only guards a broken invariant.
    if (corefile_numfiles >= (int)corefile_image.numfiles + 1) {
        if (display) LIST_FREE(display);
        if (name) LIST_FREE(name);
        return;
    }
    corefile_filelist[corefile_numfiles++] = s_direntry{display, name, size, isdir};
}

void corefile_adddir(const char* name)
{
    for (int i = 0; i < corefile_numdirs; i++)
        if (!strcmp(corefile_dirnames[i], name)) return;
    if (corefile_numdirs >= MAX_DIRNAMES) {
        _dbg_printf("too many directories to list, skipped: %s\n", name);
        return;
    }
    if (char* copy = copy_string(name)) corefile_dirnames[corefile_numdirs++] = copy;
}

void corefile_readdir(const char* filter)
{
    if (!corefile_filelist || !corefile_localpath) return;  // nothing mounted

    char extension[MAX_EXTENSION + 1] = "";
    const char* dot = filter ? strrchr(filter, '.') : nullptr;
    if (dot && dot > filter) {
        strncpy(extension, dot, MAX_EXTENSION);
        _dbg_printf("extension = %s, length: %d\n", extension, (int)strlen(extension));
    }
    const int extlen = (int)strlen(extension);
    const bool every_file = !strcmp(extension, ".*");

    for (int i = 0; i < corefile_numfiles; i++) {
        s_direntry& e = corefile_filelist[i];
        if (e.display) LIST_FREE(e.display);
        if (e.name) LIST_FREE(e.name);
        e = s_direntry{};
    }
    corefile_numfiles = 0;

    const char* localpath = corefile_localpath;
    const int L = (int)strlen(localpath);
    const bool root = L == 0 || !strcmp(localpath, "/");
    if (root) _dbg_printf("dir is root\n");
    corefile_numdirs = 0;
    if (!root) corefile_adddir("..");

    // Names under the local path start with it, less its leading "/".
    const s_coreimage& t = corefile_image;
    const int skip = L > 0 ? L - 1 : 0;
    auto relative = [&](uint32_t i) -> const char* {
        const char* name = t.names[i];
        if (!root && strncmp(name, localpath + 1, skip) != 0) return nullptr;
        return name + skip;
    };

    for (uint32_t i = 0; i < t.numfiles; i++) {
        const char* r = relative(i);
        if (!r || !in_subdirectory(r)) continue;
        char first[LOCALPATH_SIZE];
        const size_t cut = strcspn(r, "/\\");
        if (cut >= sizeof first) continue;  // no local path could reach it
        memcpy(first, r, cut);
        first[cut] = 0;
        corefile_adddir(first);
    }

    for (int i = 0; i < corefile_numdirs; i++) {
        const char* dir = corefile_dirnames[i];
        char* display = (char*)LIST_MALLOC((int)strlen(dir) + 3);
        if (display) sprintf(display, "[%s]", dir);
        append_entry(display, copy_string(dir), 0, 1);
        LIST_FREE(corefile_dirnames[i]);
        corefile_dirnames[i] = nullptr;
    }
    corefile_numdirs = 0;

    for (uint32_t i = 0; i < t.numfiles; i++) {
        const char* r = relative(i);
        if (!r) continue;
        if (!every_file) {
            const int rl = (int)strlen(r);
            if (rl < extlen || memcmp(r + rl - extlen, extension, extlen) != 0) continue;
        }
        if (in_subdirectory(r)) continue;
        append_entry(copy_string(r), copy_string(t.names[i]), listed_size(i), 0);
    }
    _dbg_printf("- ReadDIR completed!\n");
}

void corefile_chdir(const char* directory)
{
    if (!corefile_localpath || !strcmp(directory, ".")) return;

    std::string path = corefile_localpath;
    if (!strcmp(directory, "..")) {
        // Cut at the separator before the last level; nothing left means the root.
        const size_t cut = path.size() >= 2 ? path.find_last_of("/\\", path.size() - 2) : std::string::npos;
        path.resize(cut == std::string::npos ? 0 : cut);
    } else if (directory[0] == '/' || directory[0] == '\\') {
        path = directory;
    } else {
        path += directory;
    }
    if (path.empty() || path.back() != '/') path += '/';
    if (path.size() >= LOCALPATH_SIZE) {
        _dbg_printf("local path too long, stays %s\n", corefile_localpath);
        return;
    }
    strcpy(corefile_localpath, path.c_str());
    _dbg_printf("localpath = %s\n", corefile_localpath);
}

char* corefile_getpath() { return corefile_localpath; }
