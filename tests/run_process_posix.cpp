// Starting the program under test on POSIX: fork, redirect to files, exec, wait.
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include "rivel_runner.h"

namespace rivel_test {

namespace fs = std::filesystem;

RunResult RunProgram(const fs::path& program, const std::vector<std::string>& args,
                     const fs::path& workDir, const std::string& stdinText) {
    fs::path in = workDir / ".stdin", out = workDir / ".stdout", err = workDir / ".stderr";
    WriteFile(in, stdinText);
    std::vector<std::string> argvText{program.string()};
    argvText.insert(argvText.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& a : argvText) {
        argv.push_back(a.data());
    }
    argv.push_back(nullptr);
    RunResult result;
    pid_t pid = ::fork();
    if (pid == 0) {
        if (::chdir(workDir.c_str()) != 0) {
            ::_exit(126);
        }
        int fdIn = ::open(in.c_str(), O_RDONLY);
        int fdOut = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        int fdErr = ::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ::dup2(fdIn, 0);
        ::dup2(fdOut, 1);
        ::dup2(fdErr, 2);
        ::alarm(kProgramTimeLimitSeconds);  // kept across exec: a hung program is ended
        ::execv(program.c_str(), argv.data());
        ::_exit(127);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    result.out = ReadFile(out);
    result.err = ReadFile(err);
    if (WIFSIGNALED(status) && WTERMSIG(status) == SIGALRM) {
        result.err += kProgramStoppedNote;
    }
    fs::remove(in);
    fs::remove(out);
    fs::remove(err);
    return result;
}

}  // namespace rivel_test
