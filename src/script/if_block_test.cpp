#include "script/if_block.h"

#include <gtest/gtest.h>

#include <vector>

#include "platform/environment.h"
#include "script/if_line.h"
#include "script/script_test_support.h"

namespace rivel {
namespace {

using testing_support::Has;
using testing_support::Msg;
using testing_support::TempFolder;

RunOptions Verbose(int level) {
    RunOptions o;
    o.VerboseMode = level;
    return o;
}

// Feeds lines through the block rule like a reader does and returns the lines carried out
// (ordinary lines while DoIT holds, and the remaining parts of one-line forms).
std::vector<std::string> Feed(BlockReader reader, const std::vector<std::string>& lines,
                              IfStack& stack, int verbose = 0) {
    std::vector<std::string> done;
    RunOptions o = Verbose(verbose);
    for (const std::string& line : lines) {
        BlockOutcome out = ApplyBlockRule(o, stack, reader, line, "");
        if (out.blockLine) {
            if (out.runRemaining) {
                done.push_back(out.remaining);
            }
        } else if (stack.DoIT()) {
            done.push_back(line);
        }
    }
    return done;
}

std::vector<std::string> Feed(BlockReader reader, const std::vector<std::string>& lines) {
    IfStack stack;
    return Feed(reader, lines, stack);
}

using Lines = std::vector<std::string>;

// The captured log without the evaluator's own "EvalToken from" trace lines.
std::string BlockTrace() {
    std::string log = TakeLogCapture();
    std::string out;
    size_t start = 0;
    while (start < log.size()) {
        size_t end = log.find('\n', start);
        end = end == std::string::npos ? log.size() : end + 1;
        if (log.compare(start, 15, "EvalToken from ") != 0) {
            out.append(log, start, end - start);
        }
        start = end;
    }
    return out;
}

TEST(EvalIfLine, OneLineFormsAndTheirPosition) {
    TempFolder dir;
    std::string file = dir.File("x.txt", "");
    PutEnvVar("RIVEL_T_USER", "Admin");
    PutEnvVar("RIVEL_T_EMPTY", "");
    PutEnvVar("RIVEL_T_INDIRECT", "RIVEL_T_USER");
    RemoveEnvVar("RIVEL_T_NONE");
    RunOptions o = Verbose(0);
    struct Case {
        std::string line;
        int result;
        std::string rest;
    };
    const Case cases[] = {
        {"IFENV RIVEL_T_USER admin -[x]y", 1, "-[x]y"},
        {"ifenv RIVEL_T_USER \"ad min\" -[x]y", 0, "-[x]y"},
        {"IFNENV RIVEL_T_USER admin -[x]y", 0, "-[x]y"},
        {"IFENV RIVEL_T_NONE \"\" cmd", 1, "cmd"},
        {"IFEXISTENV RIVEL_T_EMPTY cmd", 1, "cmd"},
        {"IFNEXISTENV RIVEL_T_EMPTY cmd", 0, "cmd"},
        {"IFNEXISTENV RIVEL_T_NONE cmd", 1, "cmd"},
        {"IFEXISTFILE " + file + " +[a]b=c", 1, "+[a]b=c"},
        {"IFNEXISTFILE " + dir.Path("nofile.txt") + " +[a]b=c", 1, "+[a]b=c"},
        {"IFEXISTFILE " + dir.Path("*.txt") + " cmd", 0, "cmd"},
        {"IFMEMBER STAFF +[Mail]Server=S1", 0, "+[Mail]Server=S1"},
        {"IFNMEMBER STAFF +[Mail]Server=S1", 1, "+[Mail]Server=S1"},
        {"IF A == A", 1, ""},
    };
    for (const Case& c : cases) {
        size_t pos = 0;
        EXPECT_EQ(EvalIfLine(o, c.line, pos, ""), c.result) << c.line;
        EXPECT_EQ(c.line.substr(pos), c.rest) << c.line;
    }
    RemoveEnvVar("RIVEL_T_USER");
    RemoveEnvVar("RIVEL_T_EMPTY");
    RemoveEnvVar("RIVEL_T_INDIRECT");
}

TEST(EvalIfLine, UnknownWord) {
    size_t pos = 0;
    StartLogCapture();
    EXPECT_EQ(EvalIfLine(Verbose(3), "IFDEF x", pos, ""), 0);
    EXPECT_EQ(TakeLogCapture(), Msg("Unknown IF-Token :", "IFDEF"));
}

TEST(BlockRule, IfElseEndifCarriesOutOneBranch) {
    EXPECT_EQ(Feed(BlockReader::Cmd, {"IF A == A", "+[a]b=1", "ELSE", "+[a]b=2", "ENDIF", "z"}),
              (Lines{"+[a]b=1", "z"}));
    EXPECT_EQ(Feed(BlockReader::Cmd, {"if A == B", "+[a]b=1", "else", "+[a]b=2", "endif", "z"}),
              (Lines{"+[a]b=2", "z"}));
    // Anything after ELSE and ENDIF is ignored.
    EXPECT_EQ(Feed(BlockReader::Cmd, {"IF A == B", "1", "ELSE junk", "2", "ENDIF junk", "3"}),
              (Lines{"2", "3"}));
    // A word is ended only by a blank: 'IF(' is no IF line.
    IfStack stack;
    BlockOutcome out = ApplyBlockRule(Verbose(0), stack, BlockReader::Cmd, "IF(A == A)", "");
    EXPECT_FALSE(out.blockLine);
    EXPECT_FALSE(ApplyBlockRule(Verbose(0), stack, BlockReader::Cmd, "+[a]b=1", "").blockLine);
}

TEST(BlockRule, BlocksInsideSkippedPartsNeverFlip) {
    IfStack stack;
    Lines done = Feed(BlockReader::Cmd,
                      {"IF A == B", "IF A == A", "1", "ELSE", "2", "ENDIF", "3", "ELSE", "4",
                       "IF A == B", "5", "ELSE", "6", "ENDIF", "ENDIF", "7"},
                      stack);
    EXPECT_EQ(done, (Lines{"4", "6", "7"}));
    EXPECT_EQ(stack.entries, std::vector<int32_t>{1});

    // Deeper: -1, -2 below a false block.
    Feed(BlockReader::Cmd, {"IF A == B", "IF A == A", "IF A == A"}, stack);
    EXPECT_EQ(stack.entries, (std::vector<int32_t>{1, 0, -1, -2}));
}

TEST(BlockRule, SkippedOneLineFormsAreNotEvaluated) {
    IfStack stack;
    StartLogCapture();
    Lines done =
        Feed(BlockReader::Cmd, {"IF A == B", "IFNMEMBER STAFF +[a]b=1", "ENDIF"}, stack, 9);
    std::string log = BlockTrace();
    EXPECT_TRUE(done.empty());
    EXPECT_FALSE(Has(log, "Ismemeber of"));
    EXPECT_FALSE(Has(log, "Netware support not working"));
    EXPECT_EQ(log, Msg("CMD-File  : ", "Is IF statement") + Msg("CMD-File  : ", "Is IF") +
                       Msg("CMD-File  : ", "IF returns 0") +
                       Msg("CMD-File  : ", "Is IF statement") + Msg("CMD-File  : ", "ENDIF found") +
                       Msg("CMD-File  : ", "ENDIF, now 1"));
}

TEST(BlockRule, OneLineFormLeavesTheStackAlone) {
    IfStack stack;
    StartLogCapture();
    Lines done = Feed(BlockReader::Cmd, {"IFNMEMBER STAFF +[Mail]Server=S1", "ELSE"}, stack, 3);
    EXPECT_EQ(done, Lines{"+[Mail]Server=S1"});
    EXPECT_EQ(stack.entries, std::vector<int32_t>{1});
    EXPECT_TRUE(Has(TakeLogCapture(), Msg("ELSE found with no corresponding IF")));
}

TEST(BlockRule, CmdAndRcmTraces) {
    for (BlockReader reader : {BlockReader::Cmd, BlockReader::Rcm}) {
        std::string l = reader == BlockReader::Cmd ? "CMD-File  : " : "RCM-File  : ";
        IfStack stack;
        StartLogCapture();
        RunOptions o = Verbose(9);
        ApplyBlockRule(o, stack, reader, "IF A == A", "");
        ApplyBlockRule(o, stack, reader, "ELSE", "");
        ApplyBlockRule(o, stack, reader, "ELSE", "");
        BlockOutcome out = ApplyBlockRule(o, stack, reader, "IFNENV RIVEL_T_NONE x +[a]b", "");
        ApplyBlockRule(o, stack, reader, "ENDIF", "");
        ApplyBlockRule(o, stack, reader, "ENDIF", "");
        ApplyBlockRule(o, stack, reader, "ELSE", "");
        ApplyBlockRule(o, stack, reader, "IF A == B", "");
        FinishIfStack(o, stack, reader);
        std::string log = BlockTrace();
        EXPECT_TRUE(out.runRemaining);
        EXPECT_EQ(out.remaining, "+[a]b");
        EXPECT_EQ(log, Msg(l, "Is IF statement") + Msg(l, "Is IF") + Msg(l, "IF returns 1") +
                           Msg(l, "ELSE found") + Msg(l, "ELSE, now 0") + Msg(l, "ELSE found") +
                           Msg(l, "ELSE, now 1") + Msg(l, "Is IF statement") + Msg(l, "Is IF") +
                           Msg(l, "IF returns 1") + Msg("Remaining part: ", "+[a]b") +
                           Msg(l, "Normal command") + Msg(l, "ENDIF found") +
                           Msg(l, "ENDIF, now 1") + Msg(l, "ENDIF found") +
                           Msg("More ENDIF than IF statements") + Msg(l, "ENDIF, now 1") +
                           Msg(l, "ELSE found") + Msg("ELSE found with no corresponding IF") +
                           Msg(l, "Is IF statement") + Msg(l, "Is IF") + Msg(l, "IF returns 0") +
                           Msg("More IF than ENDIF statements found"));
        EXPECT_EQ(stack.entries, std::vector<int32_t>{1});
    }
}

TEST(BlockRule, ExtraEndifRestoresTheBaseEntry) {
    EXPECT_EQ(Feed(BlockReader::Cmd, {"ENDIF", "ENDIF", "1", "IF A == B", "2", "ENDIF", "3"}),
              (Lines{"1", "3"}));
    EXPECT_EQ(Feed(BlockReader::Rcm, {"ELSE", "1"}), Lines{"1"});
}

TEST(BlockRule, IcmFlavour) {
    // ELSE without IF turns the base entry off until the next ELSE.
    EXPECT_EQ(Feed(BlockReader::Icm, {"1", "ELSE", "2", "3", "ELSE", "4"}), (Lines{"1", "4"}));
    // ENDIF without IF is reported and nothing is popped.
    IfStack stack;
    StartLogCapture();
    RunOptions o = Verbose(9);
    ApplyBlockRule(o, stack, BlockReader::Icm, "ENDIF", "");
    ApplyBlockRule(o, stack, BlockReader::Icm, "IF A == B", "");
    ApplyBlockRule(o, stack, BlockReader::Icm, "ELSE", "");
    ApplyBlockRule(o, stack, BlockReader::Icm, "IFNENV RIVEL_T_NONE x run it", "");
    ApplyBlockRule(o, stack, BlockReader::Icm, "IF A == B", "");
    ApplyBlockRule(o, stack, BlockReader::Icm, "ELSE", "");
    FinishIfStack(o, stack, BlockReader::Icm);
    EXPECT_EQ(BlockTrace(),
              Msg("Too much ENDIF's found") + Msg("ICM-ENDIF : ", "DOIt-TRUE") +
                  Msg("ICM-IF    : ", "returns FALSE") + Msg("ICM-ELSE  : ", "DOIt-TRUE") +
                  Msg("ICM-IF    : ", "returns TRUE") + Msg("Remaining part: ", "run it") +
                  Msg("ICM-IF    : ", "returns FALSE") + Msg("ICM-ELSE  : ", "DOIt-TRUE") +
                  Msg("Not enough ENDIF statements found"));
    EXPECT_EQ(stack.entries, std::vector<int32_t>{1});

    // An inner block of a skipped part is not flipped by its ELSE.
    EXPECT_EQ(Feed(BlockReader::Icm,
                   {"IF A == B", "IF A == A", "1", "ELSE", "2", "ENDIF", "ELSE", "3", "ENDIF"}),
              Lines{"3"});
}

TEST(BlockRule, LinesThatAreNotBlockLinesAreLeftAlone) {
    IfStack stack;
    StartLogCapture();
    for (const char* line : {"", "   ", "+[a]b=1", "ELSEWHERE", "ENDIFX", "IFF x", ";IF A == A"}) {
        BlockOutcome out = ApplyBlockRule(Verbose(99), stack, BlockReader::Cmd, line, "");
        EXPECT_FALSE(out.blockLine) << line;
    }
    EXPECT_EQ(TakeLogCapture(), "");
    EXPECT_EQ(stack.entries, std::vector<int32_t>{1});
}

}  // namespace
}  // namespace rivel
