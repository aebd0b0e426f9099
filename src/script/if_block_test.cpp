#include "script/if_block.h"

#include <gtest/gtest.h>

#include <vector>

#include "base/test_support.h"
#include "platform/environment.h"
#include "script/if_line.h"

namespace rivel {
namespace {

using testing_support::Has;
using testing_support::Msg;
using testing_support::TempFolder;

using testing_support::Verbose;

// Feeds lines through the block rule like a reader does and returns the lines carried out
// (ordinary lines while DoIT holds, and the remaining parts of one-line forms).
std::vector<std::string> Feed(RunContext& run, BlockReader reader,
                              const std::vector<std::string>& lines, IfStack& stack,
                              int verbose = 0) {
    std::vector<std::string> done;
    RunOptions o = Verbose(verbose);
    for (const std::string& line : lines) {
        BlockOutcome out = ApplyBlockRule(run, o, stack, reader, line, "");
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

std::vector<std::string> Feed(RunContext& run, BlockReader reader,
                              const std::vector<std::string>& lines) {
    IfStack stack;
    return Feed(run, reader, lines, stack);
}

using Lines = std::vector<std::string>;

// The captured log without the evaluator's own "EvalToken from" trace lines.
std::string BlockTrace(RunContext& run) {
    std::string log = TakeLogCapture(run.log);
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
    RunContext run;
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
        EXPECT_EQ(EvalIfLine(run, o, c.line, pos, ""), c.result) << c.line;
        EXPECT_EQ(c.line.substr(pos), c.rest) << c.line;
    }
    RemoveEnvVar("RIVEL_T_USER");
    RemoveEnvVar("RIVEL_T_EMPTY");
    RemoveEnvVar("RIVEL_T_INDIRECT");
}

TEST(EvalIfLine, UnknownWord) {
    RunContext run;
    size_t pos = 0;
    StartLogCapture(run.log);
    EXPECT_EQ(EvalIfLine(run, Verbose(3), "IFDEF x", pos, ""), 0);
    EXPECT_EQ(TakeLogCapture(run.log), Msg("Unknown IF-Token :", "IFDEF"));
}

TEST(BlockRule, IfElseEndifCarriesOutOneBranch) {
    RunContext run;
    EXPECT_EQ(
        Feed(run, BlockReader::Cmd, {"IF A == A", "+[a]b=1", "ELSE", "+[a]b=2", "ENDIF", "z"}),
        (Lines{"+[a]b=1", "z"}));
    EXPECT_EQ(
        Feed(run, BlockReader::Cmd, {"if A == B", "+[a]b=1", "else", "+[a]b=2", "endif", "z"}),
        (Lines{"+[a]b=2", "z"}));
    // Anything after ELSE and ENDIF is ignored.
    EXPECT_EQ(Feed(run, BlockReader::Cmd, {"IF A == B", "1", "ELSE junk", "2", "ENDIF junk", "3"}),
              (Lines{"2", "3"}));
    // A word is ended only by a blank: 'IF(' is no IF line.
    IfStack stack;
    BlockOutcome out = ApplyBlockRule(run, Verbose(0), stack, BlockReader::Cmd, "IF(A == A)", "");
    EXPECT_FALSE(out.blockLine);
    EXPECT_FALSE(ApplyBlockRule(run, Verbose(0), stack, BlockReader::Cmd, "+[a]b=1", "").blockLine);
}

TEST(BlockRule, BlocksInsideSkippedPartsNeverFlip) {
    RunContext run;
    IfStack stack;
    Lines done = Feed(run, BlockReader::Cmd,
                      {"IF A == B", "IF A == A", "1", "ELSE", "2", "ENDIF", "3", "ELSE", "4",
                       "IF A == B", "5", "ELSE", "6", "ENDIF", "ENDIF", "7"},
                      stack);
    EXPECT_EQ(done, (Lines{"4", "6", "7"}));
    EXPECT_EQ(stack.entries, std::vector<int32_t>{1});

    // Deeper: -1, -2 below a false block.
    Feed(run, BlockReader::Cmd, {"IF A == B", "IF A == A", "IF A == A"}, stack);
    EXPECT_EQ(stack.entries, (std::vector<int32_t>{1, 0, -1, -2}));
}

TEST(BlockRule, SkippedOneLineFormsAreNotEvaluated) {
    RunContext run;
    IfStack stack;
    StartLogCapture(run.log);
    Lines done =
        Feed(run, BlockReader::Cmd, {"IF A == B", "IFNMEMBER STAFF +[a]b=1", "ENDIF"}, stack, 9);
    std::string log = BlockTrace(run);
    EXPECT_TRUE(done.empty());
    EXPECT_FALSE(Has(log, "Ismemeber of"));
    EXPECT_FALSE(Has(log, "Netware support not working"));
    EXPECT_EQ(log, Msg("CMD-File  : ", "Is IF statement") + Msg("CMD-File  : ", "Is IF") +
                       Msg("CMD-File  : ", "IF returns 0") +
                       Msg("CMD-File  : ", "Is IF statement") + Msg("CMD-File  : ", "ENDIF found") +
                       Msg("CMD-File  : ", "ENDIF, now 1"));
}

TEST(BlockRule, OneLineFormLeavesTheStackAlone) {
    RunContext run;
    IfStack stack;
    StartLogCapture(run.log);
    Lines done =
        Feed(run, BlockReader::Cmd, {"IFNMEMBER STAFF +[Mail]Server=S1", "ELSE"}, stack, 3);
    EXPECT_EQ(done, Lines{"+[Mail]Server=S1"});
    EXPECT_EQ(stack.entries, std::vector<int32_t>{1});
    EXPECT_TRUE(Has(TakeLogCapture(run.log), Msg("ELSE found with no corresponding IF")));
}

TEST(BlockRule, CmdAndRcmTraces) {
    RunContext run;
    for (BlockReader reader : {BlockReader::Cmd, BlockReader::Rcm}) {
        std::string l = reader == BlockReader::Cmd ? "CMD-File  : " : "RCM-File  : ";
        IfStack stack;
        StartLogCapture(run.log);
        RunOptions o = Verbose(9);
        ApplyBlockRule(run, o, stack, reader, "IF A == A", "");
        ApplyBlockRule(run, o, stack, reader, "ELSE", "");
        ApplyBlockRule(run, o, stack, reader, "ELSE", "");
        BlockOutcome out = ApplyBlockRule(run, o, stack, reader, "IFNENV RIVEL_T_NONE x +[a]b", "");
        ApplyBlockRule(run, o, stack, reader, "ENDIF", "");
        ApplyBlockRule(run, o, stack, reader, "ENDIF", "");
        ApplyBlockRule(run, o, stack, reader, "ELSE", "");
        ApplyBlockRule(run, o, stack, reader, "IF A == B", "");
        FinishIfStack(run, o, stack, reader);
        std::string log = BlockTrace(run);
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
    RunContext run;
    EXPECT_EQ(Feed(run, BlockReader::Cmd, {"ENDIF", "ENDIF", "1", "IF A == B", "2", "ENDIF", "3"}),
              (Lines{"1", "3"}));
    EXPECT_EQ(Feed(run, BlockReader::Rcm, {"ELSE", "1"}), Lines{"1"});
}

TEST(BlockRule, IcmFlavour) {
    RunContext run;
    // ELSE without IF turns the base entry off until the next ELSE.
    EXPECT_EQ(Feed(run, BlockReader::Icm, {"1", "ELSE", "2", "3", "ELSE", "4"}), (Lines{"1", "4"}));
    // ENDIF without IF is reported and nothing is popped.
    IfStack stack;
    StartLogCapture(run.log);
    RunOptions o = Verbose(9);
    ApplyBlockRule(run, o, stack, BlockReader::Icm, "ENDIF", "");
    ApplyBlockRule(run, o, stack, BlockReader::Icm, "IF A == B", "");
    ApplyBlockRule(run, o, stack, BlockReader::Icm, "ELSE", "");
    ApplyBlockRule(run, o, stack, BlockReader::Icm, "IFNENV RIVEL_T_NONE x run it", "");
    ApplyBlockRule(run, o, stack, BlockReader::Icm, "IF A == B", "");
    ApplyBlockRule(run, o, stack, BlockReader::Icm, "ELSE", "");
    FinishIfStack(run, o, stack, BlockReader::Icm);
    EXPECT_EQ(BlockTrace(run),
              Msg("Too much ENDIF's found") + Msg("ICM-ENDIF : ", "DOIt-TRUE") +
                  Msg("ICM-IF    : ", "returns FALSE") + Msg("ICM-ELSE  : ", "DOIt-TRUE") +
                  Msg("ICM-IF    : ", "returns TRUE") + Msg("Remaining part: ", "run it") +
                  Msg("ICM-IF    : ", "returns FALSE") + Msg("ICM-ELSE  : ", "DOIt-TRUE") +
                  Msg("Not enough ENDIF statements found"));
    EXPECT_EQ(stack.entries, std::vector<int32_t>{1});

    // An inner block of a skipped part is not flipped by its ELSE.
    EXPECT_EQ(Feed(run, BlockReader::Icm,
                   {"IF A == B", "IF A == A", "1", "ELSE", "2", "ENDIF", "ELSE", "3", "ENDIF"}),
              Lines{"3"});
}

TEST(BlockRule, LinesThatAreNotBlockLinesAreLeftAlone) {
    RunContext run;
    IfStack stack;
    StartLogCapture(run.log);
    for (const char* line : {"", "   ", "+[a]b=1", "ELSEWHERE", "ENDIFX", "IFF x", ";IF A == A"}) {
        BlockOutcome out = ApplyBlockRule(run, Verbose(99), stack, BlockReader::Cmd, line, "");
        EXPECT_FALSE(out.blockLine) << line;
    }
    EXPECT_EQ(TakeLogCapture(run.log), "");
    EXPECT_EQ(stack.entries, std::vector<int32_t>{1});
}

}  // namespace
}  // namespace rivel
