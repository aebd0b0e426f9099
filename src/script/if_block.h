// IF lines and conditional blocks: the block rule that the CMD, ICM and RCM readers share.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/run_context.h"
#include "text/strings.h"

namespace rivel {

// Which reader applies the rule: ELSE/ENDIF handling and the trace messages differ per reader.
enum class BlockReader { Cmd, Rcm, Icm };

// The block state of one file: the base entry 1, then one entry per open IF block.
struct IfStack {
    std::vector<int32_t> entries{1};

    int32_t Top() const { return entries.empty() ? 1 : entries.back(); }
    // True when the current line is carried out.
    bool DoIT() const { return Top() == 1; }
};

struct BlockOutcome {
    // The line was an IF-family line, ELSE or ENDIF: the rule has consumed it.
    bool blockLine = false;
    // A one-line form held: the reader carries out `remaining` as an ordinary line of its kind.
    bool runRemaining = false;
    std::string remaining;
};

// Whether the line may be a block line: every block word begins with I or E (after blanks), so
// a reader lets other lines (most) through without ApplyBlockRule.
inline bool MayBeBlockLine(std::string_view line) {
    size_t start = 0;
    while (start < line.size() && IsBlank(line[start])) {
        ++start;
    }
    const char first = UpperChar(CharAt(line, start));
    return first == 'I' || first == 'E';
}

// Applies the block rule to one line (already substituted, user variables processed and
// left-trimmed). currentIniFile is handed to the condition evaluator for the ININI conditions.
BlockOutcome ApplyBlockRule(RunContext& run, const RunOptions& options, IfStack& stack,
                            BlockReader reader, const std::string& line,
                            const std::string& currentIniFile);

// The end-of-file check: reports blocks left open, then resets the stack.
void FinishIfStack(RunContext& run, const RunOptions& options, IfStack& stack, BlockReader reader);

}  // namespace rivel
