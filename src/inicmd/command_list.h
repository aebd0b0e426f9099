// The CMD command set: parsing one command line and filing it in the command lists that the
// rewrite pass applies to the INI file afterwards.
#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "driver/run_options.h"

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
    // UpperCase(Section) and UpperCase(Key), kept so the rewrite pass compares without copying.
    std::string UpperSection;
    std::string UpperKey;
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
    std::vector<CommandRecord> CommandList;
    std::deque<ReplaceRecord> ReplaceList;
    int32_t NoCommands = 1;
};

// The lists of the current INI run.
CommandStore& Commands();
// Empties both lists and sets NoCommands (a CMD file is opened).
void ResetCommands();

// Command code 0..15 from the first character of the command text.
int CommandCode(const std::string& text);

// Parses one ordinary CMD line and stores the command it holds.
void ParseCommand(const RunOptions& options, const std::string& line, const std::string& iniFile);

// Checks and files one command (S acts at once on iniFile).
void StoreCommand(const RunOptions& options, int code, int32_t doAllways, int32_t withNoEqual,
                  std::string section, std::string key, std::string value,
                  const std::string& iniFile);

void DumpCommands(const RunOptions& options);
void DumpReplaces(const RunOptions& options);
void FreeCommands();
void FreeReplaces();

}  // namespace rivel
