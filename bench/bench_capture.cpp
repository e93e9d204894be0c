// What rehearsal saves in orlem-capture, on the demo's own data: the time
// to seek to scene events (start-up, the rehearsal, one frame), three stills
// near the end (only their steps drawn), and the whole demo at 60 and at 30
// frames a second. Each figure is a whole run of the tool, as a demo maker
// starts it, in a scratch folder with copies of orlem.dat and timing.dat.
//
//   bench_capture [quick]    quick: without the two whole-demo captures
//                            (each takes many minutes on a software renderer)
// links:
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

namespace {

std::string demodir()
{
    char self[4096];
    ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    if (n <= 0) return "demo";
    self[n] = 0;
    std::string dir(self);
    dir = dir.substr(0, dir.rfind('/'));
    return dir.substr(0, dir.rfind('/')) + "/demo";
}

std::string slurp(const std::string& path)
{
    std::ifstream f(path);
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
}

// The line of the log that holds `words`, without its end.
std::string line(const std::string& log, const char* words)
{
    const size_t at = log.find(words);
    if (at == std::string::npos) return "";
    const size_t start = log.rfind('\n', at) == std::string::npos ? 0 : log.rfind('\n', at) + 1;
    return log.substr(start, log.find('\n', at) - start);
}

// Runs orlem-capture with `args` in `work`; the seconds it took, or -1.
double run(const std::string& capture, const std::string& work, const std::string& args, std::string* log)
{
    const std::string command = "cd '" + work + "' && '" + capture + "' " + args + " > run.log 2>&1";
    const auto start = std::chrono::steady_clock::now();
    const int status = system(command.c_str());
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    *log = slurp(work + "/run.log");
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? seconds : -1;
}

}  // namespace

int main(int argc, char** argv)
{
    const bool quick = argc > 1 && strcmp(argv[1], "quick") == 0;
    const std::string demo = demodir(), capture = demo + "/orlem-capture";
    char work[] = "/tmp/bench_capture.XXXXXX";
    if (!mkdtemp(work)) return 1;
    const std::string copy = "cp '" + demo + "/orlem.dat' '" + demo + "/timing.dat' '" + work + "/'";
    if (access(capture.c_str(), X_OK) != 0 || system(copy.c_str()) != 0) {
        printf("bench_capture: %s and the demo's data are needed (scripts/build.sh)\n", capture.c_str());
        return 1;
    }
    std::string log;
    printf("bench_capture: orlem-capture on the demo's own data, each figure a whole run\n");
    printf("  seeking (start-up, rehearsal to the scene, one frame drawn):\n");
    for (int scene : {6, 11, 17}) {
        const double s = run(capture, work, "--from " + std::to_string(scene) + " --frames 1 --trace /dev/null", &log);
        printf("    scene event %-3d %6.1f s   %s\n", scene, s, line(log, "orlem: starting").c_str());
    }
    const double stills = run(capture, work, "--stills stills --at 110,115,120", &log);
    printf("  three stills at 110, 115 and 120 s: %.1f s   %s\n", stills, line(log, "of them drawn").c_str());
    if (quick) {
        printf("  (quick: the whole demo at 60 and 30 frames a second left out)\n");
    } else {
        const double at60 = run(capture, work, "whole60.mp4", &log);
        printf("  the whole demo at 60 frames a second: %.0f s\n    %s\n", at60, line(log, "times its length").c_str());
        const double at30 = run(capture, work, "whole30.mp4 --fps 30", &log);
        printf("  the whole demo at 30 frames a second: %.0f s (%.0f %% of the time at 60)\n    %s\n", at30,
               100 * at30 / at60, line(log, "times its length").c_str());
    }
    const std::string clean = std::string("rm -rf '") + work + "'";
    return system(clean.c_str()) == 0 ? 0 : 1;
}
