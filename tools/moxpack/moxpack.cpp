// moxpack: makes, lists and unpacks the engine's data images.
#include "pack.h"

#include <cstdio>
#include <cstring>
#include <string>

static int usage()
{
    fputs(
        "usage: moxpack create [--host HOST] IMAGE DIR   pack every file under DIR\n"
        "       moxpack list IMAGE                       show and check the table\n"
        "       moxpack extract IMAGE DIR                unpack every entry below DIR\n",
        stderr);
    return 2;
}

static int fail(const std::string& error)
{
    fprintf(stderr, "moxpack: %s\n", error.c_str());
    return 1;
}

static int list(const char* image)
{
    moxpack::Table t;
    std::vector<std::string> problems;
    std::string error;
    if (!moxpack::read_table(image, t, problems, error)) return fail(error);
    printf("%s: %zu entries, romsize %u", image, t.entries.size(), t.romsize);
    if (t.appended) printf(", appended at %llu", (unsigned long long)t.start);
    printf("\n%-40s %10s %10s %11s\n", "name", "size", "offset", "hash");
    for (const moxpack::Entry& e : t.entries)
        printf("%-40s %10u %10u %11d\n", e.name.c_str(), e.size, e.offset, e.hash);
    for (const std::string& p : problems) fprintf(stderr, "moxpack: %s: %s\n", image, p.c_str());
    if (!problems.empty()) {
        fprintf(stderr, "moxpack: %s: %zu fault%s\n", image, problems.size(), problems.size() == 1 ? "" : "s");
        return 1;
    }
    printf("image is sound\n");
    return 0;
}

int main(int argc, char** argv)
{
    if (argc < 3) return usage();
    const std::string command = argv[1];
    std::string error;
    if (command == "create") {
        std::string host;
        int at = 2;
        if (!strcmp(argv[at], "--host")) {
            if (argc < 6) return usage();
            host = argv[at + 1];
            at += 2;
        }
        if (argc != at + 2) return usage();
        return moxpack::create(argv[at], argv[at + 1], host, error) ? 0 : fail(error);
    }
    if (command == "list" && argc == 3) return list(argv[2]);
    if (command == "extract" && argc == 4) return moxpack::extract(argv[2], argv[3], error) ? 0 : fail(error);
    return usage();
}
