// The file layer over the standard library's buffered streams.
//
// One mount at a time: a data image (mount type 0, or type 1 for an image
// appended to a host file), read through the single stream g_fp that every
// handle shares, or a directory of loose files (type 2), where each handle
// has its own stream. Every read first seeks the shared stream to the
// handle's own position, so handles may be used alternately. All calls come
// from the demo thread; nothing is locked.
//
// An image is checked when it is mounted: its table must lie inside the file
// and its offsets must ascend and stay inside the file, so every entry's size
// (the next offset minus its own) is a real byte count that loaders can trust
// when they allocate. Positions are kept as the handle's 32-bit `pos` and
// taken as unsigned when seeking, so images up to 4 GiB work.
#include "corefile.h"

#include "coredebug.h"
#include "coremem.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>

#include "coresys.h"

#define FILE_MALLOC(size) _wrap_malloc_dbg((size), "corefile-std", __LINE__)
#define FILE_FREE(p) _wrap_free_dbg((p), "corefile-std", __LINE__)

// ---- module state ----------------------------------------------------------
int corefile_mounttype = COREFILE_IMAGE;  // before any mount: an image with no entries
FILE* g_fp = nullptr;                     // image stream, from a mount to closeimage
char corefile_pathname[1024] = "";        // put in front of the mount name; stays empty
s_coreimage corefile_image = {};          // the file table of the mount
char* corefile_localpath = nullptr;       // 256 bytes, owned from a mount on
s_direntry* corefile_filelist = nullptr;  // room for numfiles + 1 listing entries
int corefile_numfiles = 0;                // listing entries in use

static char curDir[256];            // directory walk: relative prefix, each level with "/"
static char curFile[256];           // directory walk: relative path of the file just met
static int diroffset = 0;           // valid length of curDir
static uint32_t walk_capacity = 0;  // names the fill pass may store
static char image_name[1024];       // the mounted path, for the lines that refuse it

enum {
    LOCALPATH_SIZE = 256
};

// Arrays sized from the entry count (the table's three, and the listing's
// count + 1 entries) are allocated through an int: the ceiling keeps every
// one of them far below that on any word size.
static const uint32_t MAX_ENTRIES = COREFILE_MAXENTRIES;
static_assert(uint64_t(COREFILE_MAXENTRIES + 1) * 64 < uint64_t(INT_MAX), "the listing must fit the allocator");

// ---- small helpers ----------------------------------------------------------
int getint(const unsigned char* p)
{
    return (int)((uint32_t)p[0] | (uint32_t)p[1] << 8 | (uint32_t)p[2] << 16 | (uint32_t)p[3] << 24);
}

void file_downcase(char* destination, const char* source, int length)
{
    for (int i = 0; i < length; i++) {
        char c = source[i];
        destination[i] = (c >= 'A' && c <= 'Z') ? (char)(c - 'A' + 'a') : c;
    }
}

int corefile_gethash(const char* s)
{
    // Signed bytes summed with 32-bit wrap-around.
    uint32_t sum = 0;
    for (; *s; s++) sum += (uint32_t)(int32_t)(signed char)*s;
    return (int32_t)sum;
}

static bool directory_mode() { return corefile_mounttype == COREFILE_DIRECTORY; }

// The size of table entry i: up to the next entry's data, or to romsize.
static uint32_t entry_size(uint32_t i)
{
    const s_coreimage& t = corefile_image;
    uint32_t end = i + 1 < t.numfiles ? t.offsets[i + 1] : (uint32_t)t.romsize;
    return end - t.offsets[i];
}

// The data offset of a handle's entry; 0 for a handle that names none.
static uint32_t entry_offset(const corefile_handle* h)
{
    if (h->index < 0 || (uint32_t)h->index >= corefile_image.numfiles || !corefile_image.offsets) return 0;
    return corefile_image.offsets[h->index];
}

// The stream a handle reads from: the shared image stream or its own.
static FILE* handle_stream(const corefile_handle* h) { return directory_mode() ? h->file : g_fp; }

static bool seek_to(FILE* f, int32_t pos) { return fseeko(f, (off_t)(uint32_t)pos, SEEK_SET) == 0; }

// Releases the file table built by readheader.
static void release_table()
{
    s_coreimage& t = corefile_image;
    if (t.names) {
        for (uint32_t i = 0; i < t.numfiles; i++)
            if (t.names[i]) FILE_FREE(t.names[i]);
        FILE_FREE(t.names);
    }
    if (t.offsets) FILE_FREE(t.offsets);
    if (t.hashes) FILE_FREE(t.hashes);
    t.names = nullptr;
    t.offsets = nullptr;
    t.hashes = nullptr;
    t.numfiles = 0;
    t.romsize = 0;
}

// Allocates the three table arrays for n entries, cleared. Callers keep n
// within MAX_ENTRIES, so every byte size fits an int here.
static bool allocate_table(uint32_t n)
{
    s_coreimage& t = corefile_image;
    t.names = (char**)FILE_MALLOC((int)(n * sizeof(char*)));
    t.offsets = (uint32_t*)FILE_MALLOC((int)(n * sizeof(uint32_t)));
    t.hashes = (int32_t*)FILE_MALLOC((int)(n * sizeof(int32_t)));
    if (!t.names || !t.offsets || !t.hashes) return false;
    memset(t.names, 0, n * sizeof(char*));
    memset(t.offsets, 0, n * sizeof(uint32_t));
    memset(t.hashes, 0, n * sizeof(int32_t));
    return true;
}

// ---- mounting -----------------------------------------------------------------
int corefile_mountimage(const char* name, int type)
{
    char path[1024];
    int n = snprintf(path, sizeof path, "%s%s", corefile_pathname, name ? name : "");
    _dbg_printf("Loading resource image: %s\n", path);
    if (n < 0 || n >= (int)sizeof path) {
        _dbg_printf("image path is longer than %d characters\n", (int)sizeof path - 1);
        return 0;
    }
    memcpy(image_name, path, n + 1);

    if (type == COREFILE_IMAGE || type == COREFILE_APPENDED) {
        FILE* f = fopen(path, "rb");
        if (!f) {
            _dbg_printf("could not open image: %s\n", path);
            return 0;
        }
        corefile_closeimage();  // a new mount replaces the old one whole
        if (type == COREFILE_APPENDED) {
            // The host file's last 4 bytes hold where the image header starts.
            unsigned char trailer[4];
            if (fseeko(f, -4, SEEK_END) != 0 || fread(trailer, 1, 4, f) != 4) {
                _dbg_printf("%s: too short to hold an image start position\n", path);
                fclose(f);
                return 0;
            }
            const uint32_t start = (uint32_t)getint(trailer);
            const off_t trailer_at = ftello(f) - 4;
            if ((off_t)start + 12 > trailer_at) {
                _dbg_printf("%s: image start position %u leaves no room for a header before it\n", path, start);
                fclose(f);
                return 0;
            }
            fseeko(f, (off_t)start, SEEK_SET);
        }
        corefile_mounttype = COREFILE_IMAGE;
        g_fp = f;
        corefile_image.base = f;
        _dbg_printf(type == COREFILE_IMAGE ? "loading from file\n" : "loading from executable\n");
    } else if (type == COREFILE_DIRECTORY) {
        corefile_closeimage();
        corefile_mounttype = COREFILE_DIRECTORY;
        char* base = (char*)FILE_MALLOC(n + 1);
        if (!base) return 0;
        memcpy(base, path, n + 1);
        corefile_image.base = base;
    } else {
        return 0;
    }
    return readheader() ? 1 : 0;
}

// Reads the table of the image at the stream's position. Every count and
// offset is checked against the file's size before anything is allocated or
// trusted; a bad image is refused with a line that names the problem.
static int read_image_table()
{
    unsigned char b[8];
    if (fread(b, 1, 4, g_fp) != 4 || memcmp(b, "CORE", 4) != 0) return 0;
    if (fread(b, 1, 8, g_fp) != 8) {
        _dbg_printf("%s: image header is cut short\n", image_name);
        return 0;
    }
    const uint32_t numfiles = (uint32_t)getint(b);
    const uint32_t romsize = (uint32_t)getint(b + 4);
    _dbg_printf("numfiles: %d\n", (int)numfiles);
    _dbg_printf("romsize: %d\n", (int)romsize);

    const off_t table_start = ftello(g_fp);
    fseeko(g_fp, 0, SEEK_END);
    const uint64_t file_size = (uint64_t)ftello(g_fp);
    fseeko(g_fp, table_start, SEEK_SET);

    // Each entry takes at least 12 bytes, so the file bounds the count.
    const uint64_t room = file_size > (uint64_t)table_start ? file_size - (uint64_t)table_start : 0;
    if (numfiles > room / COREFILE_ENTRYBYTES) {
        _dbg_printf("%s: image claims %u files, more than its table can hold\n", image_name, numfiles);
        return 0;
    }
    if (numfiles > MAX_ENTRIES) {
        _dbg_printf("%s: image claims %u files, more than the file layer can hold\n", image_name, numfiles);
        return 0;
    }
    if (romsize > file_size) {
        _dbg_printf("%s: cut short: %llu of its %u bytes are there (copy or download it again)\n", image_name,
                    (unsigned long long)file_size, romsize);
        return 0;
    }
    if (!allocate_table(numfiles)) return 0;
    s_coreimage& t = corefile_image;
    t.numfiles = numfiles;
    t.romsize = (int32_t)romsize;

    for (uint32_t i = 0; i < numfiles; i++) {
        if (fread(b, 1, 8, g_fp) != 8) {
            _dbg_printf("%s: image table is cut short at entry %u\n", image_name, i);
            return 0;
        }
        const uint32_t length = (uint32_t)getint(b);
        t.hashes[i] = getint(b + 4);
        const uint64_t left = file_size - (uint64_t)ftello(g_fp);
        if ((uint64_t)length + 4 > left) {
            _dbg_printf("%s: image entry %u: name of %u bytes runs past the end of the image\n", image_name, i, length);
            return 0;
        }
        t.names[i] = (char*)FILE_MALLOC((int)length + 1);
        if (!t.names[i]) return 0;
        if (fread(t.names[i], 1, length, g_fp) != length || fread(b, 1, 4, g_fp) != 4) return 0;
        t.names[i][length] = 0;
        t.offsets[i] = (uint32_t)getint(b);
        if (t.offsets[i] > file_size) {
            _dbg_printf("%s: image entry %s: offset %u lies past the end of the image\n", image_name, t.names[i],
                        t.offsets[i]);
            return 0;
        }
        if (i > 0 && t.offsets[i] < t.offsets[i - 1]) {
            _dbg_printf("%s: image entry %s: offset %u lies before the previous entry's %u\n", image_name, t.names[i],
                        t.offsets[i], t.offsets[i - 1]);
            return 0;
        }
    }
    if (numfiles > 0 && romsize < t.offsets[numfiles - 1]) {
        _dbg_printf("%s: romsize %u lies before the last entry's offset %u\n", image_name, romsize,
                    t.offsets[numfiles - 1]);
        return 0;
    }
    // A handle's size is a signed 32-bit count.
    for (uint32_t i = 0; i < numfiles; i++) {
        if (entry_size(i) > INT32_MAX) {
            _dbg_printf("%s: image entry %s: %u bytes, more than a file may hold\n", image_name, t.names[i],
                        entry_size(i));
            return 0;
        }
    }
    return 1;
}

// Walks the directory `path` and below it, depth first, through the system's
// listing (coresys), which leaves linked directories out: a link loop would
// otherwise walk until the path buffers ran out. Full paths are used, so the
// process's working directory never changes.
struct walk_state {
    const char* root;  // the mounted directory
    int fill;          // 0: count, 1: store the names
};

static void walk_entry(const char* name, int kind, void* context);

static void walk_directory(walk_state* w, int top)
{
    char path[1024 + 256];
    snprintf(path, sizeof path, "%s/%s", w->root, curDir);
    if (!coresys_listdir(top ? w->root : path, walk_entry, w)) {
        _dbg_printf("error reading directory\n");
        return;
    }
}

static void walk_entry(const char* name, int kind, void* context)
{
    walk_state* w = (walk_state*)context;
    s_coreimage& t = corefile_image;
    const int namelen = (int)strlen(name);
    if (kind == CORESYS_DIRECTORY) {
        if (diroffset + namelen + 1 >= (int)sizeof curDir) {
            _dbg_printf("path too long, skipped: %s%s/\n", curDir, name);
            return;
        }
        memcpy(curDir + diroffset, name, namelen);
        curDir[diroffset + namelen] = '/';
        curDir[diroffset + namelen + 1] = 0;
        diroffset += namelen + 1;
        walk_directory(w, 0);
        diroffset -= namelen + 1;
        curDir[diroffset] = 0;
        return;
    }
    if (diroffset + namelen >= (int)sizeof curFile) {
        _dbg_printf("path too long, skipped: %s%s\n", curDir, name);
        return;
    }
    memcpy(curFile, curDir, diroffset);
    memcpy(curFile + diroffset, name, namelen + 1);
    if (w->fill) {
        // The tree may have grown since the counting pass; the table may not.
        if (t.numfiles >= walk_capacity) {
            _dbg_printf("file appeared during the mount, skipped: %s\n", curFile);
            return;
        }
        char* copy = (char*)FILE_MALLOC(256);
        if (!copy) return;
        memcpy(copy, curFile, sizeof curFile);
        t.names[t.numfiles] = copy;
    }
    t.numfiles++;
}

void corefile_opendir(const char* path, int fill)
{
    const size_t len = strlen(path);
    int levels = 1;
    for (size_t i = 1; i + 1 < len; i++)
        if (path[i] == '/') levels++;
    if (levels > 1) _dbg_printf("path has %d sublevels\n", levels);
    walk_state w = {path, fill};
    walk_directory(&w, 1);
}

static int read_directory_table()
{
    s_coreimage& t = corefile_image;
    memset(curDir, 0, sizeof curDir);
    memset(curFile, 0, sizeof curFile);
    diroffset = 0;
    t.numfiles = 0;
    corefile_opendir((const char*)t.base, 0);
    _dbg_printf("Found %d files\n", (int)t.numfiles);

    const uint32_t found = t.numfiles;
    t.numfiles = 0;
    if (found > MAX_ENTRIES) {
        _dbg_printf("%s: %u files, more than the file layer can hold\n", image_name, found);
        return 0;
    }
    if (!allocate_table(found)) return 0;
    memset(curDir, 0, sizeof curDir);
    memset(curFile, 0, sizeof curFile);
    diroffset = 0;
    walk_capacity = found;
    corefile_opendir((const char*)t.base, 1);
    return 1;
}

int readheader()
{
    const int ok = directory_mode() ? read_directory_table() : read_image_table();
    if (!ok) {
        release_table();
        return 0;
    }
    const uint32_t entries = corefile_image.numfiles + 1;
    corefile_filelist = (s_direntry*)FILE_MALLOC((int)(entries * sizeof(s_direntry)));
    corefile_localpath = (char*)FILE_MALLOC(LOCALPATH_SIZE);
    if (!corefile_filelist || !corefile_localpath) {
        // A mount that reports failure leaves no table behind to open from.
        if (corefile_filelist) FILE_FREE(corefile_filelist);
        if (corefile_localpath) FILE_FREE(corefile_localpath);
        corefile_filelist = nullptr;
        corefile_localpath = nullptr;
        release_table();
        return 0;
    }
    memset(corefile_filelist, 0, entries * sizeof(s_direntry));
    memset(corefile_localpath, 0, LOCALPATH_SIZE);
    strcpy(corefile_localpath, "/");
    return 1;
}

void corefile_closeimage()
{
    s_coreimage& t = corefile_image;
    if (directory_mode()) {
        if (t.base) FILE_FREE(t.base);
    } else if (g_fp) {
        fclose(g_fp);
        g_fp = nullptr;
    }
    t.base = nullptr;
    release_table();
    if (corefile_filelist) {
        for (int i = 0; i < corefile_numfiles; i++) {
            s_direntry& e = corefile_filelist[i];
            if (e.display) FILE_FREE(e.display);
            if (e.name) FILE_FREE(e.name);
            e = s_direntry{};
        }
        FILE_FREE(corefile_filelist);
        corefile_filelist = nullptr;
    }
    if (corefile_localpath) FILE_FREE(corefile_localpath);
    corefile_localpath = nullptr;
    corefile_numfiles = 0;
}

// ---- handles ------------------------------------------------------------------
int corefile_open(const char* name, corefile_handle* h, int mode)
{
    const int n = (int)strlen(name);
    char* lowered = (char*)FILE_MALLOC(n + 1);
    if (!lowered) return 0;
    file_downcase(lowered, name, n);
    lowered[n] = 0;

    int found = 0;
    if (directory_mode()) {
        char path[1024 + 256];
        h->file = nullptr;
        // After closeimage the mode stays "directory" but there is no base.
        if (corefile_image.base &&
            snprintf(path, sizeof path, "%s/%s", (const char*)corefile_image.base, lowered) < (int)sizeof path)
            h->file = fopen(path, mode == 1 ? "wb" : "rb");
        // A directory or a device opens as a stream too, but its "size" is no
        // byte count a loader could allocate from.
        struct stat st;
        if (h->file && (fstat(fileno(h->file), &st) != 0 || !S_ISREG(st.st_mode))) {
            fclose(h->file);
            h->file = nullptr;
        }
        if (h->file) {
            h->index = 0;
            h->hash = 0;
            h->pos = 0;
            fseeko(h->file, 0, SEEK_END);
            const off_t size = ftello(h->file);
            h->size = size > INT32_MAX ? INT32_MAX : (int32_t)size;
            fseeko(h->file, 0, SEEK_SET);
            found = 1;
        }
    } else {
        const s_coreimage& t = corefile_image;
        h->hash = corefile_gethash(lowered);
        for (uint32_t i = 0; i < t.numfiles; i++) {
            // strncmp stops at the stored terminator, so a shorter stored name fails.
            if (t.hashes[i] != h->hash || strncmp(t.names[i], lowered, n) != 0) continue;
            h->index = (int32_t)i;
            h->pos = (int32_t)t.offsets[i];
            h->size = (int32_t)entry_size(i);
            h->file = nullptr;
            _dbg_printf("found file at offset: %d\n", (int)t.offsets[i]);
            found = 1;
            break;
        }
        if (!found) _dbg_printf("couldn't find file: %s\n", lowered);
    }
    FILE_FREE(lowered);
    return found;
}

void corefile_read(void* buffer, int size, int count, corefile_handle* h)
{
    const int64_t bytes = (int64_t)size * count;
    if (bytes <= 0) return;
    FILE* f = handle_stream(h);
    size_t got = 0;
    if (f && seek_to(f, h->pos)) got = fread(buffer, 1, (size_t)bytes, f);
    // Whatever the stream could not deliver reads as zeros, never as stale memory.
    if ((int64_t)got < bytes) memset((char*)buffer + got, 0, (size_t)(bytes - (int64_t)got));
    h->pos = (int32_t)((uint32_t)h->pos + (uint32_t)bytes);
}

void corefile_write(const void* buffer, int size, int count, corefile_handle* h)
{
    const int64_t bytes = (int64_t)size * count;
    if (!directory_mode() || !h->file || bytes <= 0) return;
    if (seek_to(h->file, h->pos)) fwrite(buffer, 1, (size_t)bytes, h->file);
    h->pos = (int32_t)((uint32_t)h->pos + (uint32_t)bytes);
}

void corefile_gets(char* buffer, int size, corefile_handle* h)
{
    FILE* f = handle_stream(h);
    if (size <= 0) return;
    buffer[0] = 0;  // a read at the end leaves an empty line, not the last one again
    if (!f || !seek_to(f, h->pos)) return;
    if (!fgets(buffer, size, f)) buffer[0] = 0;
    h->pos = (int32_t)(uint32_t)ftello(f);
}

int corefile_feof(corefile_handle* h)
{
    if (directory_mode()) return h->file ? feof(h->file) : 1;
    return (uint32_t)h->pos - entry_offset(h) >= (uint32_t)h->size;
}

void corefile_seek(corefile_handle* h, int offset, int origin)
{
    if (origin == 0)
        h->pos = directory_mode() ? offset : (int32_t)(entry_offset(h) + (uint32_t)offset);
    else if (origin == 1)
        h->pos = (int32_t)((uint32_t)h->pos + (uint32_t)offset);
}

int corefile_tell(corefile_handle* h)
{
    return directory_mode() ? h->pos : (int32_t)((uint32_t)h->pos - entry_offset(h));
}

int corefile_fsize(corefile_handle* h) { return h->size; }

void corefile_rewind(corefile_handle* h)
{
    if (!directory_mode()) {
        h->pos = (int32_t)entry_offset(h);
        return;
    }
    h->pos = 0;
    if (h->file) rewind(h->file);
}

void corefile_close(corefile_handle* h)
{
    if (directory_mode()) {
        if (h->file) fclose(h->file);
        h->file = nullptr;
        return;
    }
    h->file = nullptr;
    h->index = 0;
    h->pos = 0;
}

// ---- whole files -------------------------------------------------------------
// The local path joined with a name, as the whole-file helpers pass it on.
static bool join_localpath(char (&out)[256], const char* name)
{
    int n = snprintf(out, sizeof out, "%s%s", corefile_localpath ? corefile_localpath : "", name);
    if (n >= 0 && n < (int)sizeof out) return true;
    _dbg_printf("file name too long: %s\n", name);
    return false;
}

void* corefile_loadbuffer(const char* name)
{
    char path[256];
    corefile_handle h = {};
    if (!join_localpath(path, name) || !corefile_open(path, &h, 0)) return nullptr;
    void* buffer = FILE_MALLOC(h.size);
    if (buffer) corefile_read(buffer, h.size, 1, &h);
    corefile_close(&h);
    return buffer;
}

void corefile_savebuffer(const char* name, const void* data, int length)
{
    char path[256];
    corefile_handle h = {};
    if (!join_localpath(path, name)) return;
    if (!corefile_open(path, &h, 1)) {
        if (directory_mode()) _dbg_printf("could not write file: %s\n", path);
        return;
    }
    if (directory_mode()) {
        h.pos = 0;
        corefile_write(data, length, 1, &h);
        if (fflush(h.file) != 0) _dbg_printf("could not write file: %s\n", path);
    }
    corefile_close(&h);
}
