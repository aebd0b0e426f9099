// The temporary files of an INI run and of a GRP run.
#include "inicmd/temp_file.h"

#include "base/message_log.h"
#include "platform/environment.h"
#include "platform/files.h"
#include "platform/work_files.h"

namespace rivel {

namespace {

bool TempVariableSet() {
    for (const char* name : {"TEMP", "TMP", "TMPDIR"}) {
        auto value = GetEnvVar(name);
        if (value && !value->empty()) {
            return true;
        }
    }
    return false;
}

std::string BareName(const std::string& path) {
    size_t cut = path.size();
    while (cut > 0 && !IsPathSeparator(path[cut - 1])) {
        --cut;
    }
    return path.substr(cut);
}

}  // namespace

void ReportTempFile(RunContext& run, const RunOptions& options, const std::string& path) {
    LogMessage(run.log, options.VerboseMode, 9, "TMPFilename :", BareName(path));
    if (!TempVariableSet()) {
        LogMessage(run.log, options.VerboseMode, 3, "TEMP or TMP environment not found", "");
    }
    LogMessage(run.log, options.VerboseMode, 9, "TMP-Name&Path :", path);
}

std::string MakeGroupTextFile(RunContext& run, const RunOptions& options,
                              const std::string& grpFile) {
    std::string name = BareName(grpFile);
    std::string directory = grpFile.substr(0, grpFile.size() - name.size());
    std::string path = CreateUniqueFile(directory, kGroupTextStem);
    if (path.empty()) {
        std::string error = LastErrorText();
        LogMessage(run.log, options.VerboseMode, 1,
                   "Can't create temporary file in : ", directory.empty() ? "." : directory);
        LogMessage(run.log, options.VerboseMode, 1, "Problem: ", error);
        NoteFailure(run, RunFailure::WriteFailed);
        return "";
    }
    // The GRI file is named and told as an INI run's temporary file is.
    ReportTempFile(run, options, path);
    return path;
}

}  // namespace rivel
