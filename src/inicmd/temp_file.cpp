// The temporary file of an INI run.
#include "inicmd/temp_file.h"

#include "driver/message_log.h"
#include "platform/environment.h"
#include "platform/files.h"

namespace rivel {

std::string MakeTempFile(const RunOptions& options) {
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
        LogMessage(options.VerboseMode, 3, "TEMP or TMP environment not found", "");
    }
    std::string path = CreateUniqueFile(directory, "rvl");
    if (path.empty()) {
        LogMessage(options.VerboseMode, 1,
                   "Can't create temporary file in : ", found ? directory : ".");
        return "";
    }
    size_t cut = path.size();
    while (cut > 0 && !IsPathSeparator(path[cut - 1])) {
        --cut;
    }
    LogMessage(options.VerboseMode, 9, "TMPFilename :", path.substr(cut));
    LogMessage(options.VerboseMode, 9, "TMP-Name&Path :", path);
    return path;
}

}  // namespace rivel
