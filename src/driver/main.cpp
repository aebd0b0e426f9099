// The rivel command: scans the command line and runs the chosen mode.
#include <exception>
#include <string>
#include <vector>

#include "driver/message_log.h"
#include "driver/run_modes.h"
#include "platform/console.h"

int main(int argc, char** argv) {
    try {
        std::vector<std::string> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
        rivel::ScannedCommandLine scanned =
            rivel::ScanArguments(arguments, rivel::RawCommandLine(argc, argv));
        int status = rivel::RunProgram(scanned);
        rivel::CloseLogFile();
        return status;
    } catch (const std::exception& e) {
        // Operations report their own failures; this is the last guard (out of memory).
        rivel::WriteConsoleLine(std::string("Fatal error: ") + e.what());
        return 1;
    }
}
