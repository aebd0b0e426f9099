// The CMD command set: parsing one command line and filing it in the command lists that the
// rewrite pass applies to the INI file afterwards.
#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

#include "base/run_context.h"
#include "platform/bulk_memory.h"

namespace rivel {

// The number is what the dump prints.
enum class CommandKind : uint8_t {
    DeleteSection = 0,
    DeleteKey = 1,
    DeleteKeyVal = 2,
    DeleteKeyValNum = 3,
    DeleteKeyNum = 4,
    DeleteKeyValU = 5,
    CommentSection = 6,
    CommentKey = 7,
    CommentKeyVal = 8,
    UCommentSection = 9,
    UCommentKey = 10,
    UCommentKeyVal = 11,
    MergeKey = 12,
    MergeFKey = 13,
    StripKey = 14,
    AddKeyNumeric = 16,
    AddKey = 17,
    AddKeyAnyway = 18,
    AddKeyAnywayU = 19,
};

struct CommandRecord {
    CommandKind Kind = CommandKind::AddKey;
    int32_t Done = 0;
    int32_t DoAllways = 1;
    std::string Section;
    std::string Key;
    std::string Value;
    int32_t Count = 0;
    int32_t WithNoEqual = 0;
};

struct ReplaceRecord {
    std::string Section;  // upper case, brackets kept; "[]" = every line
    std::string Txt1;
    std::string Txt2;
    int32_t MatchCase = 0;
    // Set once the "replacement contains the search text" guard has been reported.
    bool LoopReported = false;
};

// The stored commands of one CMD file. CommandList holds the records in CMD-file order;
// ReplaceList holds the replace records newest first (the order they are applied in).
struct CommandStore {
    BulkVector<CommandRecord> CommandList;
    std::deque<ReplaceRecord> ReplaceList;
    int32_t NoCommands = 1;
    // The programs of EA lines, run after the INI file has been replaced.
    std::vector<std::string> ExecuteList;
    // Whether the rewrite pass changed anything (read by the replacement step).
    bool IniChanged = false;
};

// Command code 0..15 from the first character of the command text.
int CommandCode(std::string_view text);

// Parses one ordinary CMD line and stores the command it holds.
void ParseCommand(RunContext& run, const RunOptions& options, CommandStore& store,
                  std::string_view line, const std::string& iniFile);

// Checks and files one command (S acts at once on iniFile). The parts are trimmed here and
// copied only into the record they make.
void StoreCommand(RunContext& run, const RunOptions& options, CommandStore& store, int code,
                  int32_t doAllways, int32_t withNoEqual, std::string_view section,
                  std::string_view key, std::string_view value, const std::string& iniFile);

void DumpCommands(RunContext& run, const RunOptions& options, const CommandStore& store);
void DumpReplaces(RunContext& run, const RunOptions& options, const CommandStore& store);
void FreeCommands(CommandStore& store);
void FreeReplaces(CommandStore& store);

}  // namespace rivel
