// The temporary file of an INI run.
#include "inicmd/temp_file.h"

#include "base/message_log.h"
#include "platform/environment.h"
#include "platform/files.h"

namespace rivel {

std::string MakeTempFile(RunContext& run, const RunOptions& options) {
    std::string directory;
    bool found = false;
    for (const char* name : {"TEMP", "TMP", "TMPDIR"}) {
        auto value = GetEnvVar(name);
        if (value && !value->empty()) {
            directory = *value;
            found = true;
            break;
        }
    }
    if (!found) {
        LogMessage(run.log, options.VerboseMode, 3, "TEMP or TMP environment not found", "");
    }
    std::string path = CreateUniqueFile(directory, "rvl");
    if (path.empty()) {
        LogMessage(run.log, options.VerboseMode, 1,
                   "Can't create temporary file in : ", found ? directory : ".");
        NoteFailure(run, RunFailure::WriteFailed);
        return "";
    }
    size_t cut = path.size();
    while (cut > 0 && !IsPathSeparator(path[cut - 1])) {
        --cut;
    }
    LogMessage(run.log, options.VerboseMode, 9, "TMPFilename :", path.substr(cut));
    LogMessage(run.log, options.VerboseMode, 9, "TMP-Name&Path :", path);
    return path;
}

}  // namespace rivel
