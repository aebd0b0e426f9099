// Win32 command interpreter: system(), which runs ComSpec (CMD.EXE when it is not set).
#include "platform/shell.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>

namespace rivel {

CommandResult RunShellCommand(const std::string& commandLine) {
    CommandResult result;
    std::fflush(nullptr);
    std::string line = commandLine.substr(0, commandLine.find('\0'));
    errno = 0;
    int raw = std::system(line.c_str());
    if (raw == -1) {
        result.error = errno;
        return result;
    }
    result.started = true;
    result.status = raw;
    return result;
}

}  // namespace rivel
