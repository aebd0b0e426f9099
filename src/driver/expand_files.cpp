// Wildcard expansion of the first file name, component by component.
#include "driver/expand_files.h"

#include "base/message_log.h"
#include "platform/dir_search.h"
#include "platform/files.h"
#include "text/preview_texts.h"

namespace rivel {

namespace {

// The entries of the directory search by pattern (whose last component starts after prefix).
// A preview adds the files that earlier steps would have made there and that match, each where
// the directory's listing would give it, so that the later steps go over the same files as the
// real run.
std::vector<DirEntry> SearchAsLeft(RunContext& run, const RunOptions& o, const std::string& pattern,
                                   const std::string& prefix) {
    std::vector<DirEntry> found = SearchDirectory(pattern);
    if (o.Preview != 1) {
        return found;
    }
    const std::string mask = pattern.substr(prefix.size());
    for (const std::string& name : NewFilesAsLeft(run, prefix)) {
        if (!WildcardMatch(mask, name)) {
            continue;
        }
        auto at = found.begin();
        while (at != found.end() && !ListedBefore(name, at->name)) {
            ++at;
        }
        found.insert(at, DirEntry{name, false});
    }
    return found;
}

bool IsWildcard(char c) {
    return c == '*' || c == '?';
}

// The length of a leading "\\?\" of a Windows name in its long form ("\\?\C:\DIR\WIN.INI"),
// whose "?" is part of the prefix and no wildcard; 0 for any other name.
size_t LongNamePrefix(const std::string& name) {
    return PathSeparator() == '\\' && name.compare(0, 4, "\\\\?\\") == 0 ? 4 : 0;
}

// Expands the first wildcard component at or after position from. Components before it were
// filled in by the level above with names found on disk; such names may themselves hold "*" or
// "?" (POSIX allows it) and must not be expanded again, or the recursion would never end.
void ExpandFrom(RunContext& run, RunOptions& o, const std::string& name1, const std::string& name2,
                const PerFileOperation& operation, size_t from) {
    size_t w = from;
    while (w < name1.size() && !IsWildcard(name1[w])) {
        ++w;
    }
    if (w >= name1.size()) {
        operation(run, o, name1, name2);
        return;
    }
    LogMessage(run.log, o.VerboseMode, 6, "Eval string path", name1);

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
    LogMessage(run.log, o.VerboseMode, 9, "Part before wildcard :", prefix);
    LogMessage(run.log, o.VerboseMode, 9, "Part incl.  wildcard :", pattern);
    LogMessage(run.log, o.VerboseMode, 9, "Part after  wildcard :", rest);
    if (rest.empty()) {
        LogMessage(run.log, o.VerboseMode, 99, "Filename has wildcards included",
                   "Searching files");
    }
    LogMessage(run.log, o.VerboseMode, 99, "wildcard not in filename", "Searching subdirs");

    for (const DirEntry& entry : SearchAsLeft(run, o, pattern, prefix)) {
        std::string candidate = prefix + entry.name;
        if (run.Ended()) {
            return;  // a fatal error ends the run: no further matches
        }
        if (rest.empty()) {
            operation(run, o, candidate, name2);
        } else if (entry.isDirectory) {
            // Only a directory can hold the later components; a plain file would only give a
            // name that cannot exist (and, for the compiler, a fatal "Can't create outfile").
            ExpandFrom(run, o, candidate + rest, name2, operation, candidate.size());
        }
    }
}

}  // namespace

void ExpandFiles(RunContext& run, RunOptions& options, const std::string& name1,
                 const std::string& name2, const PerFileOperation& operation) {
    for (size_t i = LongNamePrefix(name2); i < name2.size(); ++i) {
        if (IsWildcard(name2[i])) {
            LogMessage(run.log, options.VerboseMode, 1,
                       "Wildcards only supported in filename 1 !!!!", "");
            operation(run, options, name1, name2);
            return;
        }
    }
    ExpandFrom(run, options, name1, name2, operation, LongNamePrefix(name1));
}

}  // namespace rivel
