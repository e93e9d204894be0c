// Writing, reading and unpacking data images ("CORE" header, a table of
// name length, name hash, name and data offset per entry, then the data in
// table order with no gaps). Failures come back as a message in `error`.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace moxpack {

struct Entry {
    std::string name;
    int32_t hash = 0;     // as stored
    uint32_t offset = 0;  // from the start of the file holding the image
    uint32_t size = 0;    // next offset (or romsize) minus this one
};

struct Table {
    uint64_t file_size = 0;
    uint64_t start = 0;     // where the "CORE" header lies (non-zero when appended)
    bool appended = false;  // found through a host file's 4-byte trailer
    uint32_t romsize = 0;
    std::vector<Entry> entries;
};

// Packs every regular file under `dir` into `image`, names lower-cased and
// sorted. With a host file, the image follows the host's bytes and the
// file ends with the image's start position. Nothing is left at `image` on
// failure.
bool create(const std::string& image, const std::string& dir, const std::string& host, std::string& error);

// Reads an image's table, plain or appended. Structural faults (no magic, a
// table beyond the file) fail; the other faults found are listed in
// `problems` and the table is still returned.
bool read_table(const std::string& image, Table& table, std::vector<std::string>& problems, std::string& error);

// Writes every entry of a sound image below `dir`, making its folders.
bool extract(const std::string& image, const std::string& dir, std::string& error);

}  // namespace moxpack
