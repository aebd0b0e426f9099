// The rivel command: scans the command line and runs the chosen mode.
#include <exception>
#include <string>
#include <vector>

#include "base/run_context.h"
#include "driver/run_modes.h"
#include "platform/console.h"
#include "platform/temp_cleanup.h"

int main(int argc, char** argv) {
    rivel::KeepStandardStreamsOpen();
    rivel::InstallEndCleanup();
    rivel::RunContext run;
    try {
        std::vector<std::string> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
        rivel::ScannedCommandLine scanned =
            rivel::ScanArguments(run, arguments, rivel::RawCommandLine(argc, argv));
        int status = rivel::RunProgram(run, scanned);
        rivel::CloseLogFile(run.log);
        return status;
    } catch (const std::exception& e) {
        // Operations report their own failures; this is the last guard (out of memory). The
        // files this run had begun are removed first: they may be as large as the memory was.
        rivel::RemoveTempFiles();
        rivel::WriteConsoleLine(run.log, std::string("Fatal error: ") + e.what());
        return 1;
    }
}
