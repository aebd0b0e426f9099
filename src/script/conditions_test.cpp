#include "script/conditions.h"

#include <gtest/gtest.h>

#include "base/test_support.h"
#include "platform/environment.h"
#include "platform/name_case.h"
#include "text/strings.h"

namespace rivel {
namespace {

using testing_support::Has;
using testing_support::Msg;
using testing_support::TempFolder;

using testing_support::Verbose;

// Evaluates a condition from the start of text.
int Cond(RunContext& run, const std::string& text, const std::string& ini = "", int verbose = 0) {
    size_t pos = 0;
    return EvalOr(run, Verbose(verbose), text, pos, ini);
}

// A file name as the condition messages show it: upper-cased where file names ignore case.
std::string Shown(const std::string& path) {
    return FileNamesIgnoreCase() ? UpperCase(path) : path;
}

class ConditionFiles : public ::testing::Test {
  protected:
    RunContext run;
    TempFolder dir;
    std::string a = dir.File("a.txt", "x");
    std::string b = dir.File("b.txt", "y");
    std::string missing = dir.Path("missing.txt");
};

TEST(Conditions, EmptyAndMalformedConditionsAreFalse) {
    RunContext run;
    StartLogCapture(run.log);
    size_t pos = 0;
    std::string line;
    EXPECT_EQ(EvalOr(run, Verbose(1), line, pos, ""), 0);
    std::string log = TakeLogCapture(run.log);
    EXPECT_TRUE(Has(log, "---NOT IMPLEMENTED CONDITION  "));
    EXPECT_EQ(Cond(run, "A"), 0);
    EXPECT_EQ(Cond(run, "A <> A"), 0);
    EXPECT_EQ(Cond(run, "(((("), 0);
    EXPECT_EQ(Cond(run, "))))"), 0);
    EXPECT_EQ(Cond(run, "NOT"), 1);  // NOT of the empty, unimplemented condition
}

// A condition with a kind no condition has (a misspelt FILE, SECTION, ...) is false and counts
// as an error of the command file, as an unimplemented comparison does; a kind passed over
// unread in a decided group counts for nothing.
TEST(Conditions, UnknownKindsCountAsErrors) {
    for (const std::string& line :
         {std::string("EXIST FIEL x"), std::string("NEXIST FIEL x"),
          std::string("INFILE x SECTOIN [a]"), std::string("ININI CONTAINS VALUE [a] b"),
          std::string("A = A")}) {
        RunContext run;
        EXPECT_EQ(Cond(run, line), 0) << line;
        EXPECT_EQ(run.failure, static_cast<int>(RunFailure::CommandError)) << line;
    }
    RunContext run;
    EXPECT_EQ(Cond(run, "( A == A OR EXIST FIEL OR INFILE x SECTOIN )"), 1);
    EXPECT_EQ(run.failure, 0);
}

TEST(Conditions, GeneralComparisonIgnoresCase) {
    RunContext run;
    EXPECT_EQ(Cond(run, "admin == ADMIN"), 1);
    EXPECT_EQ(Cond(run, "admin != ADMIN"), 0);
    EXPECT_EQ(Cond(run, "a != b"), 1);
    EXPECT_EQ(Cond(run, "\"a b\" == \"A B\""), 1);
}

TEST(Conditions, EnvComparisons) {
    RunContext run;
    PutEnvVar("RIVEL_T_ROLE", "admin");
    RemoveEnvVar("RIVEL_T_NONE");
    EXPECT_EQ(Cond(run, "ENV RIVEL_T_ROLE == ADMIN"), 1);
    EXPECT_EQ(Cond(run, "ENV RIVEL_T_ROLE != ADMIN"), 0);
    EXPECT_EQ(Cond(run, "ENV RIVEL_T_NONE == ADMIN"), 0);
    EXPECT_EQ(Cond(run, "ENV RIVEL_T_NONE != ADMIN"), 1);
    // Any operator but "==" asks for a difference.
    EXPECT_EQ(Cond(run, "ENV RIVEL_T_ROLE <> USER"), 1);
    PutEnvVar("RIVEL_T_EMPTY", "");
    EXPECT_EQ(Cond(run, "EXIST ENV RIVEL_T_EMPTY"), 0);
    EXPECT_EQ(Cond(run, "NEXIST ENV RIVEL_T_EMPTY"), 1);
    EXPECT_EQ(Cond(run, "EXIST ENV RIVEL_T_ROLE"), 1);
    RemoveEnvVar("RIVEL_T_ROLE");
    RemoveEnvVar("RIVEL_T_EMPTY");
}

TEST_F(ConditionFiles, ExistAndNexistWithTheirMessages) {
    StartLogCapture(run.log);
    EXPECT_EQ(Cond(run, "EXIST FILE " + a, "", 9), 1);
    EXPECT_EQ(Cond(run, "EXIST DIR " + a, "", 9), 1);  // the same existence test as FILE
    EXPECT_EQ(Cond(run, "NEXIST FILE " + missing, "", 9), 1);
    EXPECT_EQ(Cond(run, "NEXIST DIR " + a, "", 9), 0);
    std::string log = TakeLogCapture(run.log);
    EXPECT_TRUE(Has(log, Msg("File exists : ", Shown(a))));
    EXPECT_TRUE(Has(log, Msg("Directory exists : ", Shown(a))));
    EXPECT_TRUE(Has(log, Msg("File not exists : ", Shown(missing))));

    StartLogCapture(run.log);
    EXPECT_EQ(Cond(run, "EXIST DISK x", "", 3), 0);
    EXPECT_EQ(Cond(run, "NEXIST DISK x", "", 3), 0);
    EXPECT_EQ(TakeLogCapture(run.log),
              Msg("Unknown EXIST - Value : ", "DISK") + Msg("Unknown NEXIST - Value : ", "DISK"));
}

TEST_F(ConditionFiles, OperatorsAndShortCircuit) {
    EXPECT_EQ(Cond(run, "NOT EXIST FILE " + missing + " OR EXIST FILE " + missing), 1);
    EXPECT_EQ(Cond(run, "EXIST FILE " + a + " AND EXIST FILE " + b), 1);
    EXPECT_EQ(Cond(run, "EXIST FILE " + a + " AND EXIST FILE " + missing), 0);
    EXPECT_EQ(Cond(run, "NOT NOT EXIST FILE " + a), 1);
    // Operators only in upper case: "or" is not one, so the condition ends after the operand.
    EXPECT_EQ(Cond(run, "EXIST FILE " + missing + " or EXIST FILE " + a), 0);

    // The second operand of a decided OR is not read and logs nothing.
    StartLogCapture(run.log);
    EXPECT_EQ(Cond(run, "EXIST FILE " + a + " OR EXIST FILE " + b, "", 9), 1);
    std::string log = TakeLogCapture(run.log);
    EXPECT_TRUE(Has(log, Msg("File exists : ", Shown(a))));
    EXPECT_FALSE(Has(log, Msg("File exists : ", Shown(b))));
    StartLogCapture(run.log);
    EXPECT_EQ(Cond(run, "EXIST FILE " + missing + " AND EXIST FILE " + b, "", 9), 0);
    EXPECT_FALSE(Has(TakeLogCapture(run.log), Msg("File exists : ", Shown(b))));
}

TEST(Conditions, OperatorsMatchedByTheirLettersAlone) {
    RunContext run;
    // 'ORDER' is OR followed by 'DER', a new (unimplemented) operand.
    StartLogCapture(run.log);
    EXPECT_EQ(Cond(run, "A == B ORDER", "", 1), 0);
    EXPECT_TRUE(Has(TakeLogCapture(run.log), "---NOT IMPLEMENTED CONDITION  "));
    StartLogCapture(run.log);
    EXPECT_EQ(Cond(run, "A == A ORDER", "", 1), 1);
    EXPECT_EQ(TakeLogCapture(run.log), "");
    // 'NOTHING' is NOT followed by 'HING'.
    EXPECT_EQ(Cond(run, "NOTHING == HING"), 0);
    EXPECT_EQ(Cond(run, "NOTHING == X"), 1);
}

TEST_F(ConditionFiles, WhereAGroupStandsDecidesWhatFollows) {
    std::string A = "EXIST FILE " + a + " ";
    std::string M = "EXIST FILE " + missing + " ";
    // A group at the start takes OR only: '(A) AND B' is A.
    EXPECT_EQ(Cond(run, "(" + A + ") AND " + M), 1);
    // 'X OR (A) AND B' is X OR A.
    EXPECT_EQ(Cond(run, M + "OR (" + A + ") AND " + M), 1);
    EXPECT_EQ(Cond(run, A + "AND (" + M + "OR " + A + ")"), 1);
    EXPECT_EQ(Cond(run, A + "AND (" + A + ") AND " + M), 0);
    EXPECT_EQ(Cond(run, "(" + M + "OR " + M + ") OR " + A), 1);
    EXPECT_EQ(Cond(run, "NOT (" + M + ")"), 1);
}

// An operand that decides a group leaves the group's rest unread; the rest is passed over to
// the group's ")" without being evaluated, so the condition goes on after the group.
TEST_F(ConditionFiles, DecidedOperandInsideAGroup) {
    std::string A = "EXIST FILE " + a + " ";
    std::string B = "EXIST FILE " + b + " ";
    std::string M = "EXIST FILE " + missing + " ";
    StartLogCapture(run.log);
    EXPECT_EQ(Cond(run, A + "AND ( " + A + "OR " + M + ") AND " + M, "", 9), 0);
    std::string log = TakeLogCapture(run.log);
    EXPECT_FALSE(Has(log, "Missing )"));
    EXPECT_TRUE(Has(log, Msg("File not exists : ", Shown(missing))));
    EXPECT_EQ(Cond(run, A + "AND ( " + A + "OR " + M + ") AND " + A), 1);
    // A false operand before AND, with a nested group in the part passed over.
    StartLogCapture(run.log);
    EXPECT_EQ(Cond(run, "( " + M + "AND ( " + B + "OR " + A + ") AND " + B + ") OR " + A, "", 9),
              1);
    log = TakeLogCapture(run.log);
    EXPECT_FALSE(Has(log, "Missing )"));
    EXPECT_FALSE(Has(log, Msg("File exists : ", Shown(b))));
    EXPECT_EQ(Cond(run, "NOT ( " + A + "OR " + M + ")"), 0);
    // What is passed over is not reported, a real missing ")" still is (and counts for /x).
    run.failure = 0;
    StartLogCapture(run.log);
    EXPECT_EQ(Cond(run, "( " + A + "OR FOO BAR )", "", 1), 1);
    EXPECT_EQ(TakeLogCapture(run.log), "");
    EXPECT_EQ(run.failure, 0);
    StartLogCapture(run.log);
    EXPECT_EQ(Cond(run, "( " + A + "OR " + B, "", 1), 1);
    EXPECT_TRUE(Has(TakeLogCapture(run.log), "Missing ) in if line : "));
    EXPECT_EQ(run.failure, static_cast<int>(RunFailure::CommandError));
}

// Inside a group, a group that opens the group or follows OR ends its operand, so an AND after
// it is no part of the condition: that is reported as the missing ")" it is, never passed over
// in silence as if the AND had been evaluated.
TEST_F(ConditionFiles, AndAfterAGroupInsideAGroupIsReported) {
    std::string A = "EXIST FILE " + a + " ";
    std::string M = "EXIST FILE " + missing + " ";
    for (const std::string& line :
         {"( ( " + A + ") AND " + M + ")", "( " + M + "OR ( " + A + ") AND " + M + ")"}) {
        RunContext run;
        StartLogCapture(run.log);
        EXPECT_EQ(Cond(run, line, "", 1), 1) << line;
        EXPECT_TRUE(Has(TakeLogCapture(run.log), "Missing ) in if line : ")) << line;
        EXPECT_EQ(run.failure, static_cast<int>(RunFailure::CommandError)) << line;
    }
    // The AND that does belong to the group's level is still passed over when decided.
    RunContext run;
    StartLogCapture(run.log);
    EXPECT_EQ(Cond(run, "( " + M + "AND ( " + A + ") AND " + A + ") OR " + A, "", 1), 1);
    EXPECT_EQ(TakeLogCapture(run.log), "");
    EXPECT_EQ(run.failure, 0);
}

TEST_F(ConditionFiles, MissingClosingParenthesis) {
    // 'IF (EXIST FILE A)': the ")" is part of the file name, then the ")" is missing.
    std::string line = "(EXIST FILE " + a + ")";
    StartLogCapture(run.log);
    EXPECT_EQ(Cond(run, line, "", 9), 0);
    std::string log = TakeLogCapture(run.log);
    EXPECT_TRUE(Has(log, Msg("File not exists : ", Shown(a + ")"))));
    EXPECT_TRUE(Has(log, Msg("Missing ) in if line : ", line)));
    EXPECT_EQ(Cond(run, "(EXIST FILE " + a + " )"), 1);
    // A wrong character is consumed as if it were the ")".
    StartLogCapture(run.log);
    EXPECT_EQ(Cond(run, "(EXIST FILE " + a + " ]", "", 1), 1);
    EXPECT_TRUE(Has(TakeLogCapture(run.log), "Missing ) in if line : "));
}

TEST(Conditions, DosOnlyKeywordsReadNothing) {
    RunContext run;
    StartLogCapture(run.log);
    EXPECT_EQ(Cond(run, "VIDEO == VGA", "", 3), 0);
    EXPECT_EQ(TakeLogCapture(run.log), Msg("IF VIDEO only supported with DOS"));
    EXPECT_EQ(Cond(run, "NOT VIDEO"), 1);
    EXPECT_EQ(Cond(run, "NOT MONITOR"), 1);
    EXPECT_EQ(Cond(run, "NOT NETX"), 1);
    StartLogCapture(run.log);
    EXPECT_EQ(Cond(run, "VESA", "", 3), 0);
    EXPECT_EQ(TakeLogCapture(run.log), Msg("IF VESA found : ", " only supported in plain DOS"));
    // What follows DEVICE stays unread, so the whole condition ends false.
    EXPECT_EQ(Cond(run, "DEVICE == X OR A == A"), 0);
    EXPECT_EQ(Cond(run, "NOT DEVICE"), 1);
}

TEST(Conditions, MemberWithoutNetWareIsFalse) {
    RunContext run;
    StartLogCapture(run.log);
    EXPECT_EQ(Cond(run, "MEMBER IN staff", "", 9), 0);
    std::string log = TakeLogCapture(run.log);
    EXPECT_TRUE(Has(log, Msg("IF MEMBER OF found : ", "STAFF")));
    EXPECT_TRUE(Has(log, Msg("Netware support not working")));
    EXPECT_EQ(Cond(run, "NOT MEMBER OF STAFF"), 1);
}

TEST(Conditions, DeepNestingIsBoundedAndFalse) {
    RunContext run;
    for (const std::string& unit : {std::string("("), std::string("NOT "), std::string("NOT")}) {
        std::string line;
        for (int i = 0; i < 100000; ++i) {
            line += unit;
        }
        line += "A == A";
        size_t pos = 0;
        StartLogCapture(run.log);
        EXPECT_EQ(EvalOr(run, Verbose(1), line, pos, ""), 0) << unit;
        std::string log = TakeLogCapture(run.log);
        EXPECT_TRUE(Has(log, "nested too deep")) << unit;
        EXPECT_FALSE(Has(log, "Missing )")) << unit;
    }
    // Within the limit nesting works as written.
    std::string line = std::string(150, '(') + "A == A " + std::string(150, ')');
    EXPECT_EQ(Cond(run, line), 1);
    std::string nots;
    for (int i = 0; i < 150; ++i) {
        nots += "NOT ";
    }
    EXPECT_EQ(Cond(run, nots + "A == A"), 1);
    EXPECT_EQ(Cond(run, "NOT " + nots + "A == A"), 0);
}

class IniConditions : public ::testing::Test {
  protected:
    RunContext run;
    TempFolder dir;
    std::string ini = dir.File("win.ini",
                               "[Windows] ;comment\n"
                               "run=x\n"
                               "[windows]\n"
                               "  Load = NWPOPUP.EXE  \n"
                               "run=\n"
                               "[Empty]\n"
                               "[S]\n"
                               "alpha=one\n"
                               "beta=two words\n"
                               "[Next]\n"
                               "gamma=three\n"
                               "[Last]\n");
};

TEST_F(IniConditions, SectionKeyAndValue) {
    EXPECT_EQ(Cond(run, "INFILE " + ini + " SECTION [windows]"), 1);
    EXPECT_EQ(Cond(run, "ININI SECTION [WINDOWS]", ini), 1);
    EXPECT_EQ(Cond(run, "ININI SECTION [Nope]", ini), 0);
    // The section line that is the last line of the file.
    EXPECT_EQ(Cond(run, "ININI SECTION [Last]", ini), 1);
    EXPECT_EQ(Cond(run, "INFILE " + ini + " KEY [Windows] load"), 1);
    EXPECT_EQ(Cond(run, "ININI KEY [S] gamma", ini), 0);
    EXPECT_EQ(Cond(run, "ININI VALUE [windows] LOAD nwpopup.exe", ini), 1);
    EXPECT_EQ(Cond(run, "ININI VALUE [windows] LOAD other.exe", ini), 0);
    EXPECT_EQ(Cond(run, "ININI KEY [Empty] x", ini), 0);
    EXPECT_EQ(Cond(run, "ININI KEY [Last] x", ini), 0);
}

TEST_F(IniConditions, ContainsForms) {
    EXPECT_EQ(Cond(run, "ININI CONTAINS SECTION [S] WORDS", ini), 1);
    // The text only occurs in the next section.
    EXPECT_EQ(Cond(run, "ININI CONTAINS SECTION [S] three", ini), 0);
    // The next section's own line does not belong to the section.
    EXPECT_EQ(Cond(run, "ININI CONTAINS SECTION [S] NEXT", ini), 0);
    // Last section, text nowhere: false at the end of the file.
    EXPECT_EQ(Cond(run, "ININI CONTAINS SECTION [Next] zzz", ini), 0);
    EXPECT_EQ(Cond(run, "ININI CONTAINS SECTION [Next] \"\"", ini), 0);
    EXPECT_EQ(Cond(run, "ININI CONTAINS KEY [S] beta WORD", ini), 1);
    EXPECT_EQ(Cond(run, "ININI CONTAINS KEY [S] alpha WORD", ini), 0);
    EXPECT_EQ(Cond(run, "ININI CONTAINS KEY [S] delta WORD", ini), 0);
}

TEST_F(IniConditions, MessagesAndFailures) {
    std::string line = "ININI KEY [windows] load";
    StartLogCapture(run.log);
    Cond(run, line, ini, 9);
    std::string log = TakeLogCapture(run.log);
    EXPECT_TRUE(Has(log, Msg("Found Section <[WINDOWS]>")));
    EXPECT_TRUE(Has(log, Msg("Key <LOAD> found")));

    StartLogCapture(run.log);
    EXPECT_EQ(Cond(run, "ININI SECTION [Windows]", "", 2), 0);
    EXPECT_EQ(TakeLogCapture(run.log),
              Msg("Can't open <> for reading ", " INFILE / ININI SECTION"));
    StartLogCapture(run.log);
    EXPECT_EQ(Cond(run, "ININI CONTAINS KEY [a] b c", "", 2), 0);
    EXPECT_EQ(TakeLogCapture(run.log), Msg("Can't open <> for reading ", " INFILE / ININI KEY"));
    StartLogCapture(run.log);
    EXPECT_EQ(Cond(run, "ININI VALUE [a] b c", "", 2), 0);
    EXPECT_EQ(TakeLogCapture(run.log), Msg("Can't open <> for reading ", " INFILE / ININI VALUE"));

    StartLogCapture(run.log);
    EXPECT_EQ(Cond(run, "ININI LINE [a]", ini, 3), 0);
    EXPECT_EQ(Cond(run, "ININI CONTAINS VALUE [a]", ini, 3), 0);
    EXPECT_EQ(TakeLogCapture(run.log),
              Msg("Unknown INFILE / ININI - Value : ", "LINE") +
                  Msg("Unknown INFILE CONTAINS / ININI CONTAINS - Value : ", "VALUE"));

    StartLogCapture(run.log);
    Cond(run, "ININI VALUE [Nope] k v", ini, 9);
    EXPECT_TRUE(Has(TakeLogCapture(run.log),
                    Msg("NOT found Section <[NOPE]> in ", "ININI VALUE [Nope] k v")));
}

TEST_F(IniConditions, ConditionsCombineWithIniForms) {
    EXPECT_EQ(Cond(run, "ININI SECTION [Nope] OR ININI KEY [S] alpha", ini), 1);
    EXPECT_EQ(Cond(run, "NOT ININI SECTION [Nope] AND ININI KEY [S] alpha", ini), 1);
}

}  // namespace
}  // namespace rivel
