// Helpers shared by the benchmarks: timing a command, quoting paths, peak memory of a run.
#pragma once

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace bench {

namespace fs = std::filesystem;

// Wall time of a shell command; the benchmark stops when the command fails.
inline double Seconds(const std::string& command) {
    auto start = std::chrono::steady_clock::now();
    int rc = std::system(command.c_str());
    double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (rc != 0) {
        std::fprintf(stderr, "command failed (%d): %s\n", rc, command.c_str());
        std::exit(1);
    }
    return s;
}

inline std::string Quote(const fs::path& p) {
    return "\"" + p.string() + "\"";
}

// Peak resident memory of a command in KiB, where /usr/bin/time can tell it; -1 otherwise.
inline long PeakKiB(const std::string& command, const fs::path& report) {
    if (!fs::exists("/usr/bin/time")) {
        return -1;
    }
    Seconds("/usr/bin/time -f %M -o " + Quote(report) + " " + command);
    std::ifstream in(report);
    long kib = -1;
    in >> kib;
    return kib;
}

}  // namespace bench
