// The state of one process run: created by the entry point and handed down to every operation,
// so that the settings record, the message log and the lists that live across the files of a
// run (the user variables of an ICM file and the CMD files it runs, the last error code) are
// reached through one explicit path. Tests build their own.
#pragma once

#include <algorithm>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "base/message_log.h"
#include "base/run_options.h"

namespace rivel {

struct NetWareState;    // the loaded client library and its entry points (netware/)
struct PreviewTexts;    // the files as a preview has left them (text/preview_texts.h)
class RegistryService;  // the registry the run edits (platform/registry.h)

// The user variables: names upper-cased, values as assigned.
struct ValueList {
    std::map<std::string, std::string> values;
    int users = 0;  // InitValues/FreeValues pairs still open
};

// What went wrong in a run, for the exit status of /x; a later failure of a higher kind wins.
enum class RunFailure {
    CommandError = 1,  // a command file or line had an error
    WriteFailed = 2,   // a file could not be written or replaced
    CommandLine = 3,   // the command line itself was wrong
};

struct RunContext {
    MessageLog log;

    // The base file named by /n=<file>.
    std::string baseFileName;

    ValueList values;

    // Recorded when a CMD file is opened; read by the ININI conditions and system variables.
    std::string currentIniFile;
    std::string currentCmdFile;
    // Set by the execute lines of CMD, ICM and RCM files; read through $(_ERRORCODE).
    int lastErrorCode = 0;

    // ICM files being read, one inside the other (outermost first), by FileIdentity.
    std::vector<std::string> openIcmFiles;

    // Null while no client library is loaded.
    std::shared_ptr<NetWareState> netware;
    // Null where the run has no registry to edit.
    std::shared_ptr<RegistryService> registry;
    // Null until a preview keeps the new text of a file.
    std::shared_ptr<PreviewTexts> previewTexts;

    // Runs one invocation line of an ICM file as if it stood on the command line; handed in by
    // the entry point, which owns the option scan and the mode dispatch.
    std::function<void(RunContext&, const RunOptions&, const std::string&)> runInvocation;

    // The highest RunFailure met so far (0: none).
    int failure = 0;
    // Preview: said once that programs are not run and their result is taken as 0.
    bool previewNoteShown = false;
    // The GRI text of a GRP run: a file of this run's own, replaced even in a preview, never
    // given a backup.
    std::string scratchIniFile;
    // Set when an INI run could not apply its commands (its CMD file unreadable, or the INI
    // file not rewritten or not replaced): a GRP run then leaves its group as it was.
    bool iniEditFailed = false;

    // The exit status of a fatal end (the GRI compiler's); once set, no further run starts.
    int fatalStatus = 0;
    bool Ended() const { return fatalStatus != 0; }
};

inline void NoteFailure(RunContext& run, RunFailure kind) {
    run.failure = std::max(run.failure, static_cast<int>(kind));
}

}  // namespace rivel
