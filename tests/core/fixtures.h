// Scratch files, hand-built images and captured log lines for the core tests.
#pragma once
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

namespace fixtures {

namespace fs = std::filesystem;

inline void write_file(const fs::path& path, const std::string& bytes)
{
    fs::create_directories(path.parent_path().empty() ? "." : path.parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
}

inline std::string read_file(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

inline std::string le32(uint32_t v)
{
    return {(char)(v & 0xFF), (char)(v >> 8 & 0xFF), (char)(v >> 16 & 0xFF), (char)(v >> 24)};
}

inline int32_t name_hash(const std::string& name)
{
    uint32_t sum = 0;
    for (char c : name) sum += (uint32_t)(int32_t)(signed char)c;
    return (int32_t)sum;
}

// An image written byte by byte: header, table, data. `base` shifts every
// offset, for images that sit behind a host file.
struct ImageEntry {
    std::string name;
    std::string data;
};
inline std::string image_bytes(const std::vector<ImageEntry>& entries, uint32_t base = 0)
{
    uint32_t offset = base + 12;
    for (const auto& e : entries) offset += 12 + (uint32_t)e.name.size();
    std::string table, data;
    for (const auto& e : entries) {
        table += le32((uint32_t)e.name.size()) + le32((uint32_t)name_hash(e.name)) + e.name + le32(offset);
        offset += (uint32_t)e.data.size();
        data += e.data;
    }
    return "CORE" + le32((uint32_t)entries.size()) + le32(offset) + table + data;
}

// Runs `body` with standard output captured and returns what it printed.
template <typename F>
std::string stdout_of(F&& body)
{
    testing::internal::CaptureStdout();
    std::forward<F>(body)();
    fflush(stdout);
    return testing::internal::GetCapturedStdout();
}

// A fresh folder below the test's scratch directory.
inline fs::path scratch(const std::string& name)
{
    fs::path dir = fs::current_path() / name;
    fs::remove_all(dir);
    fs::create_directories(dir);
    return dir;
}

}  // namespace fixtures
