// The core's system services on Linux and other POSIX systems. Entries are
// examined relative to the open directory, so the working directory never
// matters and never changes.
#include "coresys.h"

#include <dirent.h>
#include <fcntl.h>
#include <malloc.h>  // malloc_usable_size
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>

size_t coresys_blocksize(void* p) { return malloc_usable_size(p); }

int coresys_listdir(const char* path, void (*each)(const char* name, int kind, void* context), void* context)
{
    DIR* d = opendir(path);
    if (!d) return 0;
    const int fd = dirfd(d);
    while (dirent* e = readdir(d)) {
        const char* name = e->d_name;
        if (!strcmp(name, ".") || !strcmp(name, "..")) continue;
        struct stat st;
        if (fstatat(fd, name, &st, 0) != 0) continue;
        if (S_ISDIR(st.st_mode)) {
            struct stat link;
            if (fstatat(fd, name, &link, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(link.st_mode)) continue;
            each(name, CORESYS_DIRECTORY, context);
        } else {
            each(name, CORESYS_FILE, context);
        }
    }
    closedir(d);
    return 1;
}
