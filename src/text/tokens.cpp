// Readers of words and tokens.
#include "text/tokens.h"

#include "base/message_log.h"
#include "text/strings.h"

namespace rivel {

std::string GetSToken(RunContext& run, const RunOptions& options, std::string_view line,
                      size_t& position) {
    size_t p = position < line.size() ? position : line.size();
    bool quoted = CharAt(line, p) == '"';
    if (quoted) {
        ++p;
    }
    size_t start = p;
    while (p < line.size()) {
        char c = line[p];
        if (quoted ? c == '"' : (IsBlank(c) || c == ')')) {
            break;
        }
        ++p;
    }
    std::string token(line.substr(start, p - start));
    if (CharAt(line, p) == ')') {
        token += ')';
        ++p;
    }
    if (CharAt(line, p) == '"') {
        ++p;
    }
    position = SkipBlanks(line, p);
    LogMessage(run.log, options.VerboseMode, 99, "GetSToken returns : ", token);
    return token;
}

std::string NextWord(std::string_view line, size_t& position) {
    size_t p = position < line.size() ? position : line.size();
    size_t start = p;
    while (p < line.size() && !IsBlank(line[p])) {
        ++p;
    }
    std::string word(line.substr(start, p - start));
    position = SkipBlanks(line, p);
    return word;
}

}  // namespace rivel
