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
    // -1 is also what a program gives when it ends with exit(-1), as many do on failure: the
    // command was then run all the same, and its status must reach _ERRORCODE and the
    // conditions. Only when no interpreter is there, or the line could not be handed to it, did
    // nothing run.
    if (raw == -1 && (errno == E2BIG || errno == ENOMEM || std::system(nullptr) == 0)) {
        result.error = errno != 0 ? errno : ENOENT;
        return result;
    }
    result.started = true;
    result.status = raw;
    return result;
}

}  // namespace rivel
