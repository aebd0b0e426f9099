// Running the program under test with a limited child (environment, file size limit, memory
// limit, alarm) and looking at what it left, for the fault tests.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "rivel_runner.h"

namespace rivel_test {

struct ChildLimits {
    std::vector<std::string> env;  // NAME=value set in the child only
    long fileSizeBytes = -1;       // RLIMIT_FSIZE when not negative (POSIX)
    long memoryBytes = -1;         // RLIMIT_AS when not negative (POSIX)
    int alarmSeconds = 0;          // SIGALRM after this many seconds when not 0 (POSIX)
};

// Starts rivel with args in workDir under the limits, its standard output and error going to
// the files named (standard input from /dev/null); the process id, for waitpid.
int StartLimited(const std::vector<std::string>& args, const std::filesystem::path& workDir,
                 const ChildLimits& limits, const std::filesystem::path& out,
                 const std::filesystem::path& err);

// Runs rivel with args in workDir under the limits. Where the platform has no such limits,
// only env is applied.
RunResult RunLimited(const std::vector<std::string>& args, const std::filesystem::path& workDir,
                     const ChildLimits& limits);

// The names in dir, sorted.
std::vector<std::string> Names(const std::filesystem::path& dir);

}  // namespace rivel_test
