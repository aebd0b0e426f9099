// Wildcard expansion of the first file name, component by component, and the GRP run.
#include "driver/expand_files.h"

#include "driver/message_log.h"
#include "groups/gri_to_grp.h"
#include "groups/grp_to_gri.h"
#include "inicmd/cmd_reader.h"
#include "inicmd/temp_file.h"
#include "platform/dir_search.h"
#include "platform/files.h"

namespace rivel {

namespace {

bool IsWildcard(char c) {
    return c == '*' || c == '?';
}

// Expands the first wildcard component at or after position from. Components before it were
// filled in by the level above with names found on disk; such names may themselves hold "*" or
// "?" (POSIX allows it) and must not be expanded again, or the recursion would never end.
void ExpandFrom(RunOptions& o, const std::string& name1, const std::string& name2,
                PerFileOperation operation, size_t from) {
    size_t w = from;
    while (w < name1.size() && !IsWildcard(name1[w])) {
        ++w;
    }
    if (w >= name1.size()) {
        operation(o, name1, name2);
        return;
    }
    LogMessage(o.VerboseMode, 6, "Eval string path", name1);

    size_t a = w;
    while (a < name1.size() && !IsPathSeparator(name1[a])) {
        ++a;
    }
    size_t b = w;
    while (b > 0 && !IsPathSeparator(name1[b - 1])) {
        --b;
    }
    // b is now the length of the prefix that ends with the separator before the wildcard's
    // component. Without such a separator only a drive ("C:*.INI") can stand in front.
    std::string prefix = name1.substr(0, b);
    if (b == 0 && PathSeparator() == '\\' && name1.size() >= 2 && name1[1] == ':' && w >= 2) {
        prefix = name1.substr(0, 2);
    }
    std::string pattern = name1.substr(0, a);
    std::string rest = name1.substr(a);
    LogMessage(o.VerboseMode, 9, "Part before wildcard :", prefix);
    LogMessage(o.VerboseMode, 9, "Part incl.  wildcard :", pattern);
    LogMessage(o.VerboseMode, 9, "Part after  wildcard :", rest);
    if (rest.empty()) {
        LogMessage(o.VerboseMode, 99, "Filename has wildcards included", "Searching files");
    }
    LogMessage(o.VerboseMode, 99, "wildcard not in filename", "Searching subdirs");

    for (const DirEntry& entry : SearchDirectory(pattern)) {
        std::string candidate = prefix + entry.name;
        if (rest.empty()) {
            operation(o, candidate, name2);
        } else if (entry.isDirectory) {
            // Only a directory can hold the later components; a plain file would only give a
            // name that cannot exist (and, for the compiler, a fatal "Can't create outfile").
            ExpandFrom(o, candidate + rest, name2, operation, candidate.size());
        }
    }
}

}  // namespace

void ExpandFiles(RunOptions& options, const std::string& name1, const std::string& name2,
                 PerFileOperation operation) {
    for (char c : name2) {
        if (IsWildcard(c)) {
            LogMessage(options.VerboseMode, 1, "Wildcards only supported in filename 1 !!!!", "");
            operation(options, name1, name2);
            return;
        }
    }
    ExpandFrom(options, name1, name2, operation, 0);
}

void ProcessGrpCmd(RunOptions& options, const std::string& grpFile, const std::string& cmdFile) {
    std::string griFile = MakeTempFile(options);
    if (griFile.empty()) {
        return;  // reported by MakeTempFile; without a GRI file there is nothing to edit
    }
    GrpToGri(options, grpFile, griFile);
    RunIniCommands(options, griFile, cmdFile);
    int status = CompileGriFile(options, grpFile, griFile);
    std::string error;
    RemoveFile(griFile, error);
    if (status != 0) {
        EndProcessWithStatus(status);
    }
}

}  // namespace rivel
