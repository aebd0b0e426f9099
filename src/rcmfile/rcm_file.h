// Registry command files (RCM): REGEDIT, REGEDIT4 and REGEDITCMD1 files applied to the registry.
#pragma once

#include <functional>
#include <string>

#include "base/run_context.h"
#include "platform/registry.h"
#include "platform/shell.h"

namespace rivel {

class LineWriter;

// What the lines of a file do outside the registry: run a command (E lines) and create an output
// file (O lines). Tests and the fuzz target put harmless stand-ins here.
struct RcmEffects {
    std::function<CommandResult(const std::string& command)> run;
    std::function<bool(LineWriter& output, const std::string& name)> openOutput;
};
RcmEffects SystemRcmEffects();

// The next physical line of a file; ended tells whether a line end followed it. False at the end.
using RcmLineSource = std::function<bool(std::string& line, bool& ended)>;

// The /r run: reads the signature, then the lines.
void ProcessRcmFile(RunContext& run, RunOptions& options, RegistryService& reg,
                    const std::string& rcmFile);

// The lines after the signature line (options.RcmSignature set).
void ProcessRcmLines(RunContext& run, RunOptions& options, RegistryService& reg,
                     const RcmLineSource& source, const RcmEffects& effects);

// Each pair of backslashes turned into one.
std::string ProcessBS(const std::string& line);

// The /r run: applies the RCM file to the run's registry, then makes its changes lasting (the
// store of registry files writes the files it changed). A preview works on a layer in memory
// and shows the keys it would change.
void RunRcmFile(RunContext& run, RunOptions& options, const std::string& rcmFile);

}  // namespace rivel
