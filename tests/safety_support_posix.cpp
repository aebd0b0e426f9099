// Limited children on POSIX: fork, set the limits, exec.
#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>

#include "safety_support.h"

namespace rivel_test {

namespace fs = std::filesystem;

int StartLimited(const std::vector<std::string>& args, const fs::path& workDir,
                 const ChildLimits& limits, const fs::path& out, const fs::path& err) {
    std::vector<std::string> argvText{RivelPath().string()};
    argvText.insert(argvText.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& a : argvText) {
        argv.push_back(a.data());
    }
    argv.push_back(nullptr);
    pid_t pid = ::fork();
    if (pid == 0) {
        if (::chdir(workDir.c_str()) != 0) {
            ::_exit(126);
        }
        int fdIn = ::open("/dev/null", O_RDONLY);
        int fdOut = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        int fdErr = ::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ::dup2(fdIn, 0);
        ::dup2(fdOut, 1);
        ::dup2(fdErr, 2);
        for (const std::string& e : limits.env) {
            ::putenv(const_cast<char*>(e.c_str()));
        }
        if (limits.fileSizeBytes >= 0) {
            struct rlimit rl {};
            rl.rlim_cur = rl.rlim_max = static_cast<rlim_t>(limits.fileSizeBytes);
            ::setrlimit(RLIMIT_FSIZE, &rl);
        }
        if (limits.memoryBytes >= 0) {
            struct rlimit rl {};
            rl.rlim_cur = rl.rlim_max = static_cast<rlim_t>(limits.memoryBytes);
            ::setrlimit(RLIMIT_AS, &rl);
        }
        if (limits.alarmSeconds > 0) {
            ::alarm(static_cast<unsigned>(limits.alarmSeconds));
        }
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    return pid;
}

RunResult RunLimited(const std::vector<std::string>& args, const fs::path& workDir,
                     const ChildLimits& limits) {
    fs::path out = workDir / ".stdout", err = workDir / ".stderr";
    pid_t pid = StartLimited(args, workDir, limits, out, err);
    int status = 0;
    ::waitpid(pid, &status, 0);
    RunResult result;
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    result.out = ReadFile(out);
    result.err = Lf(ReadFile(err));
    fs::remove(out);
    fs::remove(err);
    return result;
}

std::vector<std::string> Names(const fs::path& dir) {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir)) {
        names.push_back(e.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace rivel_test
