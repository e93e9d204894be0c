// The file layer: one way for every loader to read a named file, packed in a
// data image ("CORE" header, name table, data in table order) or loose in a
// mounted directory. One mount is active at a time; every call comes from the
// demo thread. Handles are caller-owned records that share the image stream.
#pragma once
#include <cstdint>
#include <cstdio>

extern "C" {

// An open file. In image mode `pos` is an offset in the image stream (the
// entry's offset plus what was consumed); in directory mode it is an offset
// in the file's own stream.
struct corefile_handle {
    FILE* file;     // directory mode: the file's own stream; image mode: null
    int32_t index;  // entry number in the file table (image mode)
    int32_t pos;    // position of the next byte
    int32_t size;   // the file's size in bytes
    int32_t hash;   // hash of the looked-up name (image mode)
};

// The file table of the current mount.
struct s_coreimage {
    void* base;         // image mode: the stream (a marker); directory mode: owned path
    int32_t romsize;    // end-of-data offset
    uint32_t numfiles;  // entries
    uint32_t* offsets;  // data position of each entry (image mode)
    char** names;       // owned, NUL-terminated entry names
    int32_t* hashes;    // stored name hashes (image mode)
};

// One line of a directory listing.
struct s_direntry {
    char* display;  // "[name]" for a directory, the relative name for a file
    char* name;     // bare directory name, or the full table name of a file
    int32_t size;   // file size; 0 for a directory
    uint8_t isdir;
};

// The most entries a data image (or a mounted directory) may have: a fixed
// ceiling, so that an image is taken or refused alike on every word size
// (its in-memory table, 3 to 5 words an entry, fits any allocator).
enum {
    COREFILE_MAXENTRIES = 1 << 20,
    COREFILE_ENTRYBYTES = 12,  // an image's table entry without its name: length, hash, offset
};

enum {
    COREFILE_IMAGE = 0,
    COREFILE_APPENDED = 1,
    COREFILE_DIRECTORY = 2
};

extern int corefile_mounttype;  // 0 image stream (mount types 0 and 1), 2 directory
extern FILE* g_fp;              // the image stream, shared by every handle
extern char corefile_pathname[1024];
extern s_coreimage corefile_image;
extern char* corefile_localpath;  // 256 bytes from a mount on; "/" after every mount
extern s_direntry* corefile_filelist;
extern int corefile_numfiles;
extern char* corefile_dirnames[260];
extern int corefile_numdirs;

// Mounts `name` (corefile_pathname put in front) as the one source of
// files: COREFILE_IMAGE a data image, COREFILE_APPENDED an image whose
// start the host file's last 4 bytes give, COREFILE_DIRECTORY a folder of
// loose files. Returns 1, or 0 with a line saying why. A file that cannot
// be opened leaves the old mount; once it opens, the old mount is gone,
// and a refused table leaves nothing to find.
int corefile_mountimage(const char* name, int type);
// Closes the image stream (or forgets the folder) and frees the table and
// the listing. Open handles must not be used after it.
void corefile_closeimage();
// Opens `name`, lowered, into the caller's handle: 1 when found, 0 when not
// (an image also prints "couldn't find file"). Mode 1 opens for writing,
// in a mounted folder only; an image is always read. In a folder, a
// subfolder or a device (or a link to one) is not a file.
int corefile_open(const char* name, corefile_handle* h, int mode);
// Reads size x count bytes at the handle's position and moves it on by
// that much. Bytes the stream cannot give read as zeros. In an image a
// read is not stopped at the entry's end: it goes on into the next one.
void corefile_read(void* buffer, int size, int count, corefile_handle* h);
// Writes size x count bytes at the handle's position: a mounted folder's
// file opened with mode 1 only; elsewhere nothing is written.
void corefile_write(const void* buffer, int size, int count, corefile_handle* h);
// Origin 0: `offset` bytes from the file's start; 1: from the position.
// Any other origin (the end) is ignored. Nothing is checked: a position
// past the end reads zeros, or the next entry of an image.
void corefile_seek(corefile_handle* h, int offset, int origin);
// The position in bytes from the file's start.
int corefile_tell(corefile_handle* h);
// The file's size in bytes (an image entry's: up to the next entry's data).
int corefile_fsize(corefile_handle* h);
// Closes a folder's file; an image handle is only reset.
void corefile_close(corefile_handle* h);
// One line, as fgets reads it: at most size - 1 bytes, the line break
// kept; an empty string at the end. In an image the last line of an entry
// without a line break runs on into the next entry.
void corefile_gets(char* buffer, int size, corefile_handle* h);
// Nonzero once the position has reached the size (an image), or once a
// read has run short (a folder's file).
int corefile_feof(corefile_handle* h);
// Back to the file's first byte.
void corefile_rewind(corefile_handle* h);
// The whole file at the local path joined with `name` (corefile_localpath,
// "/" after a mount) in a buffer of _wrap_malloc_dbg, which the caller
// frees with _wrap_free_dbg; null when not found or no memory. The local
// path starts with "/" and moxpack stores no name that does, so in an
// image it finds nothing: use corefile_open there.
void* corefile_loadbuffer(const char* name);
// Writes `length` bytes as the file at the local path joined with `name`,
// in a mounted folder only (a line when it fails); an image is left alone.
void corefile_savebuffer(const char* name, const void* data, int length);
// The name hash of the image table: the sum of the bytes as signed 8-bit
// values, wrapping in 32 bits. Takes the name as given (lower it first).
int corefile_gethash(const char* s);
// Copies `length` bytes, A to Z lowered; adds no terminator.
void file_downcase(char* destination, const char* source, int length);
// The little-endian 32-bit value at p.
int getint(const unsigned char* p);
// Reads the table of the mount corefile_mountimage has just opened (the
// image at the stream's position, or the folder's files) and makes the
// listing and the local path: 1, or 0 with the table freed.
int readheader();
// Walks the folder `path` and below it into the table: fill 0 counts the
// files into corefile_image.numfiles, 1 stores their names. Part of a
// folder mount; linked folders are left out.
void corefile_opendir(const char* path, int fill);

// Directory listing over the table's names.
// Fills corefile_filelist (corefile_numfiles lines) for the local path:
// ".." below the root, the subfolders, then the files whose names end in
// the filter's extension ("*.tga"; ".*" or none: every file). Nothing
// while nothing is mounted.
void corefile_readdir(const char* filter);
// Changes the local path: "." stays, ".." goes up a level, a name starting
// with "/" replaces it, any other is appended; it always ends in "/". A
// path of 256 bytes or more is refused with a line.
void corefile_chdir(const char* directory);
// The local path (null before the first mount).
char* corefile_getpath();
// Adds `name` to corefile_dirnames unless it is there; past 260 names a
// line and nothing more.
void corefile_adddir(const char* name);

}  // extern "C"
