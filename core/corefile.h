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

int corefile_mountimage(const char* name, int type);
void corefile_closeimage();
int corefile_open(const char* name, corefile_handle* h, int mode);
void corefile_read(void* buffer, int size, int count, corefile_handle* h);
void corefile_write(const void* buffer, int size, int count, corefile_handle* h);
void corefile_seek(corefile_handle* h, int offset, int origin);
int corefile_tell(corefile_handle* h);
int corefile_fsize(corefile_handle* h);
void corefile_close(corefile_handle* h);
void corefile_gets(char* buffer, int size, corefile_handle* h);
int corefile_feof(corefile_handle* h);
void corefile_rewind(corefile_handle* h);
void* corefile_loadbuffer(const char* name);
void corefile_savebuffer(const char* name, const void* data, int length);
int corefile_gethash(const char* s);
void file_downcase(char* destination, const char* source, int length);
int getint(const unsigned char* p);
int readheader();
void corefile_opendir(const char* path, int fill);

// Directory listing over the table's names.
void corefile_readdir(const char* filter);
void corefile_chdir(const char* directory);
char* corefile_getpath();
void corefile_adddir(const char* name);

}  // extern "C"
