// POSIX command interpreter: system(), that is /bin/sh -c.
#include "platform/shell.h"

#include <sys/wait.h>
#include <cerrno>
#include <cstdio>
#include <cstdlib>

namespace rivel {

CommandResult RunShellCommand(const std::string& commandLine) {
    CommandResult result;
    std::fflush(nullptr);  // keep our own buffered output ahead of the child's
    // A NUL would cut the command short: the program would run something else than was asked.
    if (commandLine.find('\0') != std::string::npos) {
        result.error = EINVAL;
        return result;
    }
    errno = 0;
    int raw = std::system(commandLine.c_str());
    if (raw == -1) {
        result.error = errno;
        return result;
    }
    result.started = true;
    if (WIFEXITED(raw)) {
        result.status = WEXITSTATUS(raw);
    } else if (WIFSIGNALED(raw)) {
        result.status = 128 + WTERMSIG(raw);
    }
    return result;
}

}  // namespace rivel
