#include "script/conditions.h"

#include <gtest/gtest.h>

#include "platform/environment.h"
#include "platform/name_case.h"
#include "script/script_test_support.h"
#include "text/strings.h"

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

// Evaluates a condition from the start of text.
int Cond(const std::string& text, const std::string& ini = "", int verbose = 0) {
    size_t pos = 0;
    return EvalOr(Verbose(verbose), text, pos, ini);
}

// A file name as the condition messages show it: upper-cased where file names ignore case.
std::string Shown(const std::string& path) {
    return FileNamesIgnoreCase() ? UpperCase(path) : path;
}

class ConditionFiles : public ::testing::Test {
  protected:
    TempFolder dir;
    std::string a = dir.File("a.txt", "x");
    std::string b = dir.File("b.txt", "y");
    std::string missing = dir.Path("missing.txt");
};

TEST(Conditions, EmptyAndMalformedConditionsAreFalse) {
    StartLogCapture();
    size_t pos = 0;
    std::string line;
    EXPECT_EQ(EvalOr(Verbose(1), line, pos, ""), 0);
    std::string log = TakeLogCapture();
    EXPECT_TRUE(Has(log, "---NOT IMPLEMENTED CONDITION  "));
    EXPECT_EQ(Cond("A"), 0);
    EXPECT_EQ(Cond("A <> A"), 0);
    EXPECT_EQ(Cond("(((("), 0);
    EXPECT_EQ(Cond("))))"), 0);
    EXPECT_EQ(Cond("NOT"), 1);  // NOT of the empty, unimplemented condition
}

TEST(Conditions, GeneralComparisonIgnoresCase) {
    EXPECT_EQ(Cond("admin == ADMIN"), 1);
    EXPECT_EQ(Cond("admin != ADMIN"), 0);
    EXPECT_EQ(Cond("a != b"), 1);
    EXPECT_EQ(Cond("\"a b\" == \"A B\""), 1);
}

TEST(Conditions, EnvComparisons) {
    PutEnvVar("RIVEL_T_ROLE", "admin");
    RemoveEnvVar("RIVEL_T_NONE");
    EXPECT_EQ(Cond("ENV RIVEL_T_ROLE == ADMIN"), 1);
    EXPECT_EQ(Cond("ENV RIVEL_T_ROLE != ADMIN"), 0);
    EXPECT_EQ(Cond("ENV RIVEL_T_NONE == ADMIN"), 0);
    EXPECT_EQ(Cond("ENV RIVEL_T_NONE != ADMIN"), 1);
    // Any operator but "==" asks for a difference.
    EXPECT_EQ(Cond("ENV RIVEL_T_ROLE <> USER"), 1);
    PutEnvVar("RIVEL_T_EMPTY", "");
    EXPECT_EQ(Cond("EXIST ENV RIVEL_T_EMPTY"), 0);
    EXPECT_EQ(Cond("NEXIST ENV RIVEL_T_EMPTY"), 1);
    EXPECT_EQ(Cond("EXIST ENV RIVEL_T_ROLE"), 1);
    RemoveEnvVar("RIVEL_T_ROLE");
    RemoveEnvVar("RIVEL_T_EMPTY");
}

TEST_F(ConditionFiles, ExistAndNexistWithTheirMessages) {
    StartLogCapture();
    EXPECT_EQ(Cond("EXIST FILE " + a, "", 9), 1);
    EXPECT_EQ(Cond("EXIST DIR " + a, "", 9), 1);  // the same existence test as FILE
    EXPECT_EQ(Cond("NEXIST FILE " + missing, "", 9), 1);
    EXPECT_EQ(Cond("NEXIST DIR " + a, "", 9), 0);
    std::string log = TakeLogCapture();
    EXPECT_TRUE(Has(log, Msg("File exists : ", Shown(a))));
    EXPECT_TRUE(Has(log, Msg("Directory exists : ", Shown(a))));
    EXPECT_TRUE(Has(log, Msg("File not exists : ", Shown(missing))));

    StartLogCapture();
    EXPECT_EQ(Cond("EXIST DISK x", "", 3), 0);
    EXPECT_EQ(Cond("NEXIST DISK x", "", 3), 0);
    EXPECT_EQ(TakeLogCapture(),
              Msg("Unknown EXIST - Value : ", "DISK") + Msg("Unknown NEXIST - Value : ", "DISK"));
}

TEST_F(ConditionFiles, OperatorsAndShortCircuit) {
    EXPECT_EQ(Cond("NOT EXIST FILE " + missing + " OR EXIST FILE " + missing), 1);
    EXPECT_EQ(Cond("EXIST FILE " + a + " AND EXIST FILE " + b), 1);
    EXPECT_EQ(Cond("EXIST FILE " + a + " AND EXIST FILE " + missing), 0);
    EXPECT_EQ(Cond("NOT NOT EXIST FILE " + a), 1);
    // Operators only in upper case: "or" is not one, so the condition ends after the operand.
    EXPECT_EQ(Cond("EXIST FILE " + missing + " or EXIST FILE " + a), 0);

    // The second operand of a decided OR is not read and logs nothing.
    StartLogCapture();
    EXPECT_EQ(Cond("EXIST FILE " + a + " OR EXIST FILE " + b, "", 9), 1);
    std::string log = TakeLogCapture();
    EXPECT_TRUE(Has(log, Msg("File exists : ", Shown(a))));
    EXPECT_FALSE(Has(log, Msg("File exists : ", Shown(b))));
    StartLogCapture();
    EXPECT_EQ(Cond("EXIST FILE " + missing + " AND EXIST FILE " + b, "", 9), 0);
    EXPECT_FALSE(Has(TakeLogCapture(), Msg("File exists : ", Shown(b))));
}

TEST(Conditions, OperatorsMatchedByTheirLettersAlone) {
    // 'ORDER' is OR followed by 'DER', a new (unimplemented) operand.
    StartLogCapture();
    EXPECT_EQ(Cond("A == B ORDER", "", 1), 0);
    EXPECT_TRUE(Has(TakeLogCapture(), "---NOT IMPLEMENTED CONDITION  "));
    StartLogCapture();
    EXPECT_EQ(Cond("A == A ORDER", "", 1), 1);
    EXPECT_EQ(TakeLogCapture(), "");
    // 'NOTHING' is NOT followed by 'HING'.
    EXPECT_EQ(Cond("NOTHING == HING"), 0);
    EXPECT_EQ(Cond("NOTHING == X"), 1);
}

TEST_F(ConditionFiles, WhereAGroupStandsDecidesWhatFollows) {
    std::string A = "EXIST FILE " + a + " ";
    std::string M = "EXIST FILE " + missing + " ";
    // A group at the start takes OR only: '(A) AND B' is A.
    EXPECT_EQ(Cond("(" + A + ") AND " + M), 1);
    // 'X OR (A) AND B' is X OR A.
    EXPECT_EQ(Cond(M + "OR (" + A + ") AND " + M), 1);
    EXPECT_EQ(Cond(A + "AND (" + M + "OR " + A + ")"), 1);
    EXPECT_EQ(Cond(A + "AND (" + A + ") AND " + M), 0);
    EXPECT_EQ(Cond("(" + M + "OR " + M + ") OR " + A), 1);
    EXPECT_EQ(Cond("NOT (" + M + ")"), 1);
}

TEST_F(ConditionFiles, MissingClosingParenthesis) {
    // 'IF (EXIST FILE A)': the ")" is part of the file name, then the ")" is missing.
    std::string line = "(EXIST FILE " + a + ")";
    StartLogCapture();
    EXPECT_EQ(Cond(line, "", 9), 0);
    std::string log = TakeLogCapture();
    EXPECT_TRUE(Has(log, Msg("File not exists : ", Shown(a + ")"))));
    EXPECT_TRUE(Has(log, Msg("Missing ) in if line : ", line)));
    EXPECT_EQ(Cond("(EXIST FILE " + a + " )"), 1);
    // A wrong character is consumed as if it were the ")".
    StartLogCapture();
    EXPECT_EQ(Cond("(EXIST FILE " + a + " ]", "", 1), 1);
    EXPECT_TRUE(Has(TakeLogCapture(), "Missing ) in if line : "));
}

TEST(Conditions, DosOnlyKeywordsReadNothing) {
    StartLogCapture();
    EXPECT_EQ(Cond("VIDEO == VGA", "", 3), 0);
    EXPECT_EQ(TakeLogCapture(), Msg("IF VIDEO only supported with DOS"));
    EXPECT_EQ(Cond("NOT VIDEO"), 1);
    EXPECT_EQ(Cond("NOT MONITOR"), 1);
    EXPECT_EQ(Cond("NOT NETX"), 1);
    StartLogCapture();
    EXPECT_EQ(Cond("VESA", "", 3), 0);
    EXPECT_EQ(TakeLogCapture(), Msg("IF VESA found : ", " only supported in plain DOS"));
    // What follows DEVICE stays unread, so the whole condition ends false.
    EXPECT_EQ(Cond("DEVICE == X OR A == A"), 0);
    EXPECT_EQ(Cond("NOT DEVICE"), 1);
}

TEST(Conditions, MemberWithoutNetWareIsFalse) {
    StartLogCapture();
    EXPECT_EQ(Cond("MEMBER IN staff", "", 9), 0);
    std::string log = TakeLogCapture();
    EXPECT_TRUE(Has(log, Msg("IF MEMBER OF found : ", "STAFF")));
    EXPECT_TRUE(Has(log, Msg("Netware support not working")));
    EXPECT_EQ(Cond("NOT MEMBER OF STAFF"), 1);
}

TEST(Conditions, DeepNestingIsBoundedAndFalse) {
    for (const std::string& unit : {std::string("("), std::string("NOT "), std::string("NOT")}) {
        std::string line;
        for (int i = 0; i < 100000; ++i) {
            line += unit;
        }
        line += "A == A";
        size_t pos = 0;
        StartLogCapture();
        EXPECT_EQ(EvalOr(Verbose(1), line, pos, ""), 0) << unit;
        std::string log = TakeLogCapture();
        EXPECT_TRUE(Has(log, "nested too deep")) << unit;
        EXPECT_FALSE(Has(log, "Missing )")) << unit;
    }
    // Within the limit nesting works as written.
    std::string line = std::string(150, '(') + "A == A " + std::string(150, ')');
    EXPECT_EQ(Cond(line), 1);
    std::string nots;
    for (int i = 0; i < 150; ++i) {
        nots += "NOT ";
    }
    EXPECT_EQ(Cond(nots + "A == A"), 1);
    EXPECT_EQ(Cond("NOT " + nots + "A == A"), 0);
}

class IniConditions : public ::testing::Test {
  protected:
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
    EXPECT_EQ(Cond("INFILE " + ini + " SECTION [windows]"), 1);
    EXPECT_EQ(Cond("ININI SECTION [WINDOWS]", ini), 1);
    EXPECT_EQ(Cond("ININI SECTION [Nope]", ini), 0);
    // The section line that is the last line of the file.
    EXPECT_EQ(Cond("ININI SECTION [Last]", ini), 1);
    EXPECT_EQ(Cond("INFILE " + ini + " KEY [Windows] load"), 1);
    EXPECT_EQ(Cond("ININI KEY [S] gamma", ini), 0);
    EXPECT_EQ(Cond("ININI VALUE [windows] LOAD nwpopup.exe", ini), 1);
    EXPECT_EQ(Cond("ININI VALUE [windows] LOAD other.exe", ini), 0);
    EXPECT_EQ(Cond("ININI KEY [Empty] x", ini), 0);
    EXPECT_EQ(Cond("ININI KEY [Last] x", ini), 0);
}

TEST_F(IniConditions, ContainsForms) {
    EXPECT_EQ(Cond("ININI CONTAINS SECTION [S] WORDS", ini), 1);
    // The text only occurs in the next section.
    EXPECT_EQ(Cond("ININI CONTAINS SECTION [S] three", ini), 0);
    // The next section's own line does not belong to the section.
    EXPECT_EQ(Cond("ININI CONTAINS SECTION [S] NEXT", ini), 0);
    // Last section, text nowhere: false at the end of the file.
    EXPECT_EQ(Cond("ININI CONTAINS SECTION [Next] zzz", ini), 0);
    EXPECT_EQ(Cond("ININI CONTAINS SECTION [Next] \"\"", ini), 0);
    EXPECT_EQ(Cond("ININI CONTAINS KEY [S] beta WORD", ini), 1);
    EXPECT_EQ(Cond("ININI CONTAINS KEY [S] alpha WORD", ini), 0);
    EXPECT_EQ(Cond("ININI CONTAINS KEY [S] delta WORD", ini), 0);
}

TEST_F(IniConditions, MessagesAndFailures) {
    std::string line = "ININI KEY [windows] load";
    StartLogCapture();
    Cond(line, ini, 9);
    std::string log = TakeLogCapture();
    EXPECT_TRUE(Has(log, Msg("Found Section <[WINDOWS]>")));
    EXPECT_TRUE(Has(log, Msg("Key <LOAD> found")));

    StartLogCapture();
    EXPECT_EQ(Cond("ININI SECTION [Windows]", "", 2), 0);
    EXPECT_EQ(TakeLogCapture(), Msg("Can't open <> for reading ", " INFILE / ININI SECTION"));
    StartLogCapture();
    EXPECT_EQ(Cond("ININI CONTAINS KEY [a] b c", "", 2), 0);
    EXPECT_EQ(TakeLogCapture(), Msg("Can't open <> for reading ", " INFILE / ININI KEY"));
    StartLogCapture();
    EXPECT_EQ(Cond("ININI VALUE [a] b c", "", 2), 0);
    EXPECT_EQ(TakeLogCapture(), Msg("Can't open <> for reading ", " INFILE / ININI VALUE"));

    StartLogCapture();
    EXPECT_EQ(Cond("ININI LINE [a]", ini, 3), 0);
    EXPECT_EQ(Cond("ININI CONTAINS VALUE [a]", ini, 3), 0);
    EXPECT_EQ(TakeLogCapture(),
              Msg("Unknown INFILE / ININI - Value : ", "LINE") +
                  Msg("Unknown INFILE CONTAINS / ININI CONTAINS - Value : ", "VALUE"));

    StartLogCapture();
    Cond("ININI VALUE [Nope] k v", ini, 9);
    EXPECT_TRUE(
        Has(TakeLogCapture(), Msg("NOT found Section <[NOPE]> in ", "ININI VALUE [Nope] k v")));
}

TEST_F(IniConditions, ConditionsCombineWithIniForms) {
    EXPECT_EQ(Cond("ININI SECTION [Nope] OR ININI KEY [S] alpha", ini), 1);
    EXPECT_EQ(Cond("NOT ININI SECTION [Nope] AND ININI KEY [S] alpha", ini), 1);
}

}  // namespace
}  // namespace rivel
