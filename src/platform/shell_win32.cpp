// Win32 command interpreter: system(), which runs ComSpec (CMD.EXE when it is not set).
#include "platform/shell.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>

namespace rivel {

CommandResult RunShellCommand(const std::string& commandLine) {
    CommandResult result;
    std::fflush(nullptr);
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
    result.status = raw;
    return result;
}

}  // namespace rivel
