// IF-family lines. Environment names of the one-line forms are used as written; file names are
// tested for existence, and a wildcard never exists.
#include "script/if_line.h"

#include "base/message_log.h"
#include "netware/netware.h"
#include "platform/environment.h"
#include "platform/files.h"
#include "script/conditions.h"
#include "text/preview_texts.h"
#include "text/strings.h"
#include "text/tokens.h"

namespace rivel {

namespace {

// A file that an earlier step of a preview would have created exists here too, as it does for
// IF EXIST FILE.
bool FileExists(RunContext& run, const std::string& path) {
    if (path.find_first_of("*?") != std::string::npos) {
        return false;
    }
    return ExistsAsLeft(run, path);
}

}  // namespace

bool IsIfWord(const std::string& word) {
    static const char* const kWords[] = {"IF",          "IFMEMBER",    "IFNMEMBER",
                                         "IFENV",       "IFNENV",      "IFEXISTENV",
                                         "IFNEXISTENV", "IFEXISTFILE", "IFNEXISTFILE"};
    // Every IF word starts with I; most lines are commands and are told at once.
    if (word.empty() || UpperChar(word[0]) != 'I') {
        return false;
    }
    std::string upper = UpperCase(word);
    for (const char* w : kWords) {
        if (upper == w) {
            return true;
        }
    }
    return false;
}

int EvalIfLine(RunContext& run, const RunOptions& options, const std::string& line,
               size_t& position, const std::string& iniFile) {
    const int v = options.VerboseMode;
    std::string word = UpperCase(NextWord(line, position));
    if (word == "IF") {
        return EvalOr(run, options, line, position, iniFile);
    }
    if (word == "IFMEMBER" || word == "IFNMEMBER") {
        std::string group = NextWord(line, position);
        LogMessage(run.log, v, 9,
                   word == "IFMEMBER" ? "IFMEMBER found : " : "IFNMEMBER found : ", group);
        bool member = IsGroupMember(run, options, group);
        return member == (word == "IFMEMBER") ? 1 : 0;
    }
    if (word == "IFENV" || word == "IFNENV") {
        std::string name = NextWord(line, position);
        std::string text = GetSToken(run, options, line, position);
        bool equal = UpperCase(GetEnvVar(name).value_or("")) == UpperCase(text);
        return equal == (word == "IFENV") ? 1 : 0;
    }
    if (word == "IFEXISTENV" || word == "IFNEXISTENV") {
        std::string name = NextWord(line, position);
        bool defined = GetEnvVar(name).has_value();
        return defined == (word == "IFEXISTENV") ? 1 : 0;
    }
    if (word == "IFEXISTFILE" || word == "IFNEXISTFILE") {
        std::string path = NextWord(line, position);
        bool exists = FileExists(run, path);
        return exists == (word == "IFEXISTFILE") ? 1 : 0;
    }
    LogMessage(run.log, v, 3, "Unknown IF-Token :", word);
    NoteFailure(run, RunFailure::CommandError);
    return 0;
}

}  // namespace rivel
