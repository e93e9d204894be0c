// The core's system services on Windows: _msize, and FindFirstFile over one
// directory (the runtime's _findfirst family, which the file layer's walk
// was first written on, wraps the same calls).
#include "coresys.h"

#include <windows.h>
#include <malloc.h>  // _msize

#include <cstring>
#include <string>

size_t coresys_blocksize(void* p) { return _msize(p); }

int coresys_listdir(const char* path, void (*each)(const char* name, int kind, void* context), void* context)
{
    const std::string pattern = std::string(path) + "\\*";
    WIN32_FIND_DATAA found;
    HANDLE h = FindFirstFileA(pattern.c_str(), &found);
    if (h == INVALID_HANDLE_VALUE) return 0;
    do {
        const char* name = found.cFileName;
        if (!strcmp(name, ".") || !strcmp(name, "..")) continue;
        const DWORD a = found.dwFileAttributes;
        if (a & FILE_ATTRIBUTE_DIRECTORY) {
            if (a & FILE_ATTRIBUTE_REPARSE_POINT) continue;  // a linked directory
            each(name, CORESYS_DIRECTORY, context);
        } else if (!(a & FILE_ATTRIBUTE_DEVICE)) {
            each(name, CORESYS_FILE, context);
        }
    } while (FindNextFileA(h, &found));
    FindClose(h);
    return 1;
}
