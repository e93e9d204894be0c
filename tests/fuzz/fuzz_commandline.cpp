// links: mox_capture mox_demo mox_platform
// Arbitrary argument vectors (the input split at NUL bytes) for orlem's
// command line, its options declared by the platform and the demo and read
// by the platform layer, and for orlem-capture's, read by the tool first:
// each is taken or refused with an exit code, and what is taken lies
// within its range.
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "demo/demo.h"
#include "engine/platform/driver.h"
#include "tools/capture/capture_parts.h"

// The platform layer links against a program's coremain; this one never
// runs it.
int coremain(int, char**) { return 0; }

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    // The refusals' lines (stderr) stay: libFuzzer reports there too.
    if (!freopen("/dev/null", "w", stdout)) return 1;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::vector<std::string> words = {"program"};
    std::string word;
    for (size_t i = 0; i < size && words.size() < 64; i++) {
        if (data[i]) {
            word += char(data[i]);
        } else {
            words.push_back(word);
            word.clear();
        }
    }
    if (!word.empty()) words.push_back(word);
    auto vector = [&](std::vector<char*>* argv) {
        argv->clear();
        for (std::string& w : words) argv->push_back(&w[0]);
        argv->push_back(nullptr);
    };

    // orlem: the platform reads its options and the demo's.
    std::vector<char*> argv;
    vector(&argv);
    mox_setusage(size & 1 ? "orlem" : nullptr, "");
    int argc = int(words.size());
    const int code = mox_readoptions(&argc, argv.data());
    if (code != -1 && code != 0 && code != 2) __builtin_trap();
    if (argc < 1 || argc > int(words.size()) || argv[size_t(argc)] != nullptr) __builtin_trap();
    if (fromscene < 0 || fromscene > 255 || !(fromseconds >= 0 && fromseconds <= 86400)) __builtin_trap();

    // orlem-capture: its own options, the rest handed on.
    std::vector<std::string> copy = words;
    vector(&argv);
    capture_options o;
    std::vector<char*> rest;
    const int captured = capture_readoptions(int(words.size()), argv.data(), &o, &rest);
    words = copy;
    if (captured != -1 && captured != 0 && captured != 2) __builtin_trap();
    if (captured == -1) {
        if (o.fps < 1 || 60 % o.fps || o.frames < 0 || o.slow < 0 || rest.empty() || rest.size() > words.size())
            __builtin_trap();
        if (o.out.empty() && o.stills.empty() && o.trace.empty()) __builtin_trap();
    }
    return 0;
}
