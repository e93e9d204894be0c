// The operating system's services that the core uses, one file per system
// (coresys_posix.cpp, coresys_win32.cpp): the size of an allocated block,
// and one level of a directory. Not for callers outside the core.
#pragma once
#include <cstddef>

// The allocator's real size of a block from malloc (_msize on Windows).
size_t coresys_blocksize(void* p);

// What a directory entry is to the file layer's walk.
enum {
    CORESYS_FILE = 0,
    CORESYS_DIRECTORY = 1
};

// Calls `each` for every entry of the directory `path` but "." and ".."
// with its name and kind. Regular files are files; directories are entered;
// linked directories, devices and entries that cannot be examined are left
// out, so a link loop cannot make the walk run away. Returns 0 when the
// directory cannot be read.
int coresys_listdir(const char* path, void (*each)(const char* name, int kind, void* context), void* context);
