// For command-line tools that read a user's file through the file layer.
// The layer finds lower-case names inside a mounted directory; a private
// folder holding a link of a fixed lower-case name to the file lets any
// path be read. The folder goes away with the object.
#pragma once
#include <cstdlib>
#include <string>
#include <unistd.h>

struct LinkedFile {
    std::string dir;   // mount this in directory mode
    std::string name;  // then open this; empty when the link could not be made

    LinkedFile(const char* path, const char* linkname)
    {
        char* full = realpath(path, nullptr);
        char pattern[] = "/tmp/moxtool.XXXXXX";
        if (full && mkdtemp(pattern)) {
            dir = pattern;
            if (symlink(full, (dir + "/" + linkname).c_str()) == 0) name = linkname;
        }
        free(full);
    }
    ~LinkedFile()
    {
        if (!name.empty()) unlink((dir + "/" + name).c_str());
        if (!dir.empty()) rmdir(dir.c_str());
    }
    LinkedFile(const LinkedFile&) = delete;
    LinkedFile& operator=(const LinkedFile&) = delete;
};
