// The command interpreter that runs the programs of execute lines.
#pragma once

#include <string>

namespace rivel {

struct CommandResult {
    bool started = false;  // false when the interpreter could not be started
    int status = -1;       // the command's exit status when started, else -1
    int error = 0;         // the platform's error number when not started
};

// Runs the command line through the system's command interpreter and waits for it.
CommandResult RunShellCommand(const std::string& commandLine);

}  // namespace rivel
