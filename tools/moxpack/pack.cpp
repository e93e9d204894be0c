// Data image writer, reader and unpacker for moxpack.
//
// Entry names are stored lower-case because the file layer lowers every
// name it is asked for; a name with upper-case letters could never be
// found. Entries are sorted byte-wise so the same tree always gives the
// same image, and the data lies in table order with no gaps, because an
// entry's size is only the distance to the next entry's data.
#include "pack.h"

#include "corefile.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <unistd.h>

namespace fs = std::filesystem;

namespace moxpack {
namespace {

using File = std::unique_ptr<FILE, int (*)(FILE*)>;

File open_file(const std::string& path, const char* mode) { return File(fopen(path.c_str(), mode), fclose); }

void put32(std::string& out, uint32_t v)
{
    for (int i = 0; i < 4; i++) out += (char)(v >> (8 * i) & 0xFF);
}

uint32_t get32(const unsigned char* p) { return (uint32_t)getint(p); }

// Printable ASCII only: anything else would not survive the trip through
// other systems' file names and listings.
bool printable_ascii(const std::string& s)
{
    return std::all_of(s.begin(), s.end(), [](char c) { return c >= 0x20 && c <= 0x7E; });
}

std::string lowered(const std::string& s)
{
    std::string out(s.size(), 0);
    file_downcase(out.data(), s.data(), (int)s.size());
    return out;
}

struct Source {
    std::string name;  // as stored: relative, "/" between levels, lower-case
    fs::path path;
    uint64_t size;
};

bool collect(const fs::path& root, const fs::path& skip, std::vector<Source>& out, std::string& error)
{
    std::error_code ec;
    if (!fs::is_directory(root, ec)) {
        error = root.string() + ": not a directory";
        return false;
    }
    std::map<std::string, std::string> seen;  // stored name -> the file that took it
    fs::recursive_directory_iterator it(root, ec), end;
    for (; !ec && it != end; it.increment(ec)) {
        if (!it->is_regular_file(ec)) continue;
        if (!skip.empty() && fs::equivalent(it->path(), skip, ec)) continue;
        const std::string relative = it->path().lexically_relative(root).generic_string();
        if (!printable_ascii(relative)) {
            error = it->path().string() + ": name is not printable ASCII";
            return false;
        }
        const std::string name = lowered(relative);
        auto [other, fresh] = seen.emplace(name, relative);
        if (!fresh) {
            error = "\"" + other->second + "\" and \"" + relative + "\" are both stored as \"" + name + "\"";
            return false;
        }
        const uint64_t size = it->file_size(ec);
        if (ec) break;
        if (size > INT32_MAX) {
            error = it->path().string() + ": larger than the 2 GiB a file of an image may hold";
            return false;
        }
        out.push_back({name, it->path(), size});
    }
    if (ec) {
        error = root.string() + ": " + ec.message();
        return false;
    }
    std::sort(out.begin(), out.end(), [](const Source& a, const Source& b) { return a.name < b.name; });
    return true;
}

bool copy_into(FILE* out, const fs::path& from, uint64_t expected, std::string& error)
{
    File in = open_file(from.string(), "rb");
    if (!in) {
        error = from.string() + ": " + strerror(errno);
        return false;
    }
    static char buffer[1 << 20];
    uint64_t copied = 0;
    for (size_t n; (n = fread(buffer, 1, sizeof buffer, in.get())) > 0; copied += n) {
        if (copied + n > expected) break;
        if (fwrite(buffer, 1, n, out) != n) {
            error = std::string("write failed: ") + strerror(errno);
            return false;
        }
    }
    if (copied != expected) {
        error = from.string() + ": changed while it was being packed";
        return false;
    }
    return true;
}

bool write_image(FILE* out, const std::vector<Source>& files, const std::string& host, std::string& error)
{
    uint64_t start = 0;
    if (!host.empty()) {
        std::error_code ec;
        start = fs::file_size(host, ec);
        if (ec) {
            error = host + ": " + ec.message();
            return false;
        }
        if (!copy_into(out, host, start, error)) return false;
    }
    uint64_t table_end = start + 12;
    for (const Source& f : files) table_end += 12 + f.name.size();
    uint64_t romsize = table_end;
    for (const Source& f : files) romsize += f.size;
    // Offsets and the trailer are 32-bit: the whole file must stay below 4 GiB.
    const uint64_t file_end = romsize + (host.empty() ? 0 : 4);
    if (file_end > UINT32_MAX) {
        error = "the image would take " + std::to_string(file_end) + " bytes, past the 4 GiB an image may hold";
        return false;
    }

    std::string table = "CORE";
    put32(table, (uint32_t)files.size());
    put32(table, (uint32_t)romsize);
    uint64_t offset = table_end;
    for (const Source& f : files) {
        put32(table, (uint32_t)f.name.size());
        put32(table, (uint32_t)corefile_gethash(f.name.c_str()));
        table += f.name;
        put32(table, (uint32_t)offset);
        offset += f.size;
    }
    if (fwrite(table.data(), 1, table.size(), out) != table.size()) {
        error = std::string("write failed: ") + strerror(errno);
        return false;
    }
    for (const Source& f : files)
        if (!copy_into(out, f.path, f.size, error)) return false;
    if (!host.empty()) {
        std::string trailer;
        put32(trailer, (uint32_t)start);
        if (fwrite(trailer.data(), 1, 4, out) != 4) {
            error = std::string("write failed: ") + strerror(errno);
            return false;
        }
    }
    return true;
}

}  // namespace

bool create(const std::string& image, const std::string& dir, const std::string& host, std::string& error)
{
    std::vector<Source> files;
    std::error_code ec;
    const fs::path target = fs::exists(image, ec) ? fs::path(image) : fs::path();
    if (!collect(dir, target, files, error)) return false;

    // Written beside the target and renamed into place, so a failure leaves
    // neither a half image nor a damaged old one.
    std::string temporary = image + ".XXXXXX";
    const int fd = mkstemp(temporary.data());
    if (fd < 0) {
        error = image + ": " + strerror(errno);
        return false;
    }
    FILE* out = fdopen(fd, "wb");
    bool ok = out && write_image(out, files, host, error);
    if (out && fclose(out) != 0 && ok) {
        error = image + ": " + strerror(errno);
        ok = false;
    }
    if (ok) fs::permissions(temporary, fs::perms(0644), ec);
    if (ok && rename(temporary.c_str(), image.c_str()) != 0) {
        error = image + ": " + strerror(errno);
        ok = false;
    }
    if (!ok) unlink(temporary.c_str());
    return ok;
}

bool read_table(const std::string& image, Table& t, std::vector<std::string>& problems, std::string& error)
{
    File f = open_file(image, "rb");
    if (!f) {
        error = image + ": " + strerror(errno);
        return false;
    }
    fseeko(f.get(), 0, SEEK_END);
    t = Table{};
    t.file_size = (uint64_t)ftello(f.get());
    auto read_at = [&](uint64_t at, void* into, size_t n) {
        return at + n <= t.file_size && fseeko(f.get(), (off_t)at, SEEK_SET) == 0 && fread(into, 1, n, f.get()) == n;
    };

    unsigned char b[12];
    if (!read_at(0, b, 4) || memcmp(b, "CORE", 4) != 0) {
        // Not at the start: perhaps appended, found through the trailer.
        if (!read_at(t.file_size - std::min<uint64_t>(t.file_size, 4), b, 4) || t.file_size < 4) {
            error = image + ": no \"CORE\" header";
            return false;
        }
        t.start = get32(b);
        if (!read_at(t.start, b, 4) || memcmp(b, "CORE", 4) != 0) {
            error = image + ": no \"CORE\" header at the start, nor where its last 4 bytes point";
            return false;
        }
        t.appended = true;
    }
    if (!read_at(t.start + 4, b, 8)) {
        error = image + ": header cut short";
        return false;
    }
    const uint32_t count = get32(b);
    t.romsize = get32(b + 4);
    uint64_t at = t.start + 12;
    if (count > (t.file_size - at) / 12) {
        error = image + ": the header claims " + std::to_string(count) + " entries, more than the file holds";
        return false;
    }
    t.entries.resize(count);
    for (uint32_t i = 0; i < count; i++) {
        Entry& e = t.entries[i];
        if (!read_at(at, b, 8)) {
            error = image + ": table cut short at entry " + std::to_string(i);
            return false;
        }
        const uint32_t length = get32(b);
        e.hash = (int32_t)get32(b + 4);
        if ((uint64_t)length + 4 > t.file_size - (at + 8)) {
            error = image + ": entry " + std::to_string(i) + " has a name of " + std::to_string(length) +
                    " bytes, past the end of the file";
            return false;
        }
        e.name.resize(length);
        read_at(at + 8, e.name.data(), length);
        read_at(at + 8 + length, b, 4);
        e.offset = get32(b);
        at += 12 + length;
    }

    // The rest makes entries unreadable or wrongly sized, but the table itself
    // can still be shown.
    auto problem = [&](const Entry& e, const std::string& what) { problems.push_back(e.name + ": " + what); };
    for (uint32_t i = 0; i < count; i++) {
        Entry& e = t.entries[i];
        const uint32_t end = i + 1 < count ? t.entries[i + 1].offset : t.romsize;
        const int32_t computed = corefile_gethash(e.name.c_str());
        if (e.name.size() != strlen(e.name.c_str())) problem(e, "name holds a zero byte");
        if (e.hash != computed)
            problem(e, "stored hash " + std::to_string(e.hash) + ", the name hashes to " + std::to_string(computed));
        if (e.name != lowered(e.name)) problem(e, "name has upper-case letters and can never be found");
        if (e.offset < at) problem(e, "offset " + std::to_string(e.offset) + " lies inside the header or table");
        if (e.offset > t.file_size) problem(e, "offset " + std::to_string(e.offset) + " lies past the end of the file");
        if (end < e.offset)
            problem(e, "data ends (at " + std::to_string(end) + ") before it starts");
        else
            e.size = end - e.offset;
    }
    if (t.romsize > t.file_size)
        problems.push_back("romsize " + std::to_string(t.romsize) + " lies past the end of the file (" +
                           std::to_string(t.file_size) + " bytes)");
    return true;
}

bool extract(const std::string& image, const std::string& dir, std::string& error)
{
    Table t;
    std::vector<std::string> problems;
    if (!read_table(image, t, problems, error)) return false;
    if (!problems.empty()) {
        error = image + ": " + problems.front() + " (moxpack list shows every fault)";
        return false;
    }
    File in = open_file(image, "rb");
    for (const Entry& e : t.entries) {
        // Names come from the file: never let one climb out of the target.
        const fs::path relative(e.name);
        bool safe = !e.name.empty() && printable_ascii(e.name) && relative.is_relative();
        for (const fs::path& part : relative) safe = safe && part != ".." && part != "." && !part.empty();
        if (!safe || e.name.back() == '/') {
            error = image + ": entry \"" + e.name + "\" is not a safe file name";
            return false;
        }
        const fs::path target = fs::path(dir) / relative;
        std::error_code ec;
        fs::create_directories(target.parent_path(), ec);
        File out = open_file(target.string(), "wb");
        if (!out) {
            error = target.string() + ": " + strerror(errno);
            return false;
        }
        static char buffer[1 << 20];
        fseeko(in.get(), (off_t)e.offset, SEEK_SET);
        for (uint64_t left = e.size; left > 0;) {
            const size_t n = fread(buffer, 1, (size_t)std::min<uint64_t>(left, sizeof buffer), in.get());
            if (n == 0 || fwrite(buffer, 1, n, out.get()) != n) {
                error = target.string() + ": " + (n == 0 ? "image ends early" : strerror(errno));
                return false;
            }
            left -= n;
        }
        if (fclose(out.release()) != 0) {
            error = target.string() + ": " + strerror(errno);
            return false;
        }
    }
    return true;
}

}  // namespace moxpack
