#include "script/user_vars.h"

#include <gtest/gtest.h>

#include "platform/environment.h"
#include "script/script_test_support.h"
#include "script/session.h"

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

class UserVars : public ::testing::Test {
  protected:
    void SetUp() override {
        ResetValues();
        ResetSession();
        InitValues(o);
    }
    void TearDown() override { ResetValues(); }

    std::string Line(const std::string& line, int doIt = 1) {
        return ProcessVarline(o, line, doIt);
    }
    std::string Value(const std::string& name) { return Line("v $(" + name + ")").substr(2); }

    RunOptions o = Verbose(0);
};

TEST_F(UserVars, AssignAndUseIgnoringCaseOfNames) {
    EXPECT_EQ(Line("$(Count) := 5"), "");
    EXPECT_EQ(Line("  $(count) := $(COUNT) + 1"), "");
    EXPECT_EQ(Value("cOUNT"), "6");
    EXPECT_EQ(Line("+[a]b=$(count)x"), "+[a]b=6x");
}

TEST_F(UserVars, Operators) {
    Line("$(Msg) := Hello & \" \" & World");
    EXPECT_EQ(Value("Msg"), "Hello World");
    Line("$(X) := 10 - 3 + 2");
    EXPECT_EQ(Value("X"), "9");
    Line("$(X) := 5+1");
    EXPECT_EQ(Value("X"), "5+1");
    Line("$(X) := abc$(B)");
    EXPECT_EQ(Value("X"), "abc$(B)");
    Line("$(X) :=");
    EXPECT_EQ(Value("X"), "");
    Line("$(X) := 5 +");
    EXPECT_EQ(Value("X"), "5");
    Line("$(X) := -7 + 3x - \"  +2\"");
    EXPECT_EQ(Value("X"), "-6");
    Line("$(X) := abc + 1");
    EXPECT_EQ(Value("X"), "1");
    Line("$(Y) := 2 - 5");
    Line("$(X) := $(Y) & $(Y)");
    EXPECT_EQ(Value("X"), "-3-3");

    o.VerboseMode = 1;
    StartLogCapture();
    Line("$(X) := 5 * 2");
    EXPECT_EQ(TakeLogCapture(), Msg("Unknown operator : ", "*"));
    EXPECT_EQ(Value("X"), "5");
}

TEST_F(UserVars, ArithmeticOutsideThirtyTwoBitsDoesNotFail) {
    Line("$(X) := 99999999999999999999999 + 99999999999999999999999");
    Line("$(Y) := 2147483647 + 1");
    EXPECT_FALSE(Value("Y").empty());
}

TEST_F(UserVars, BadAssignmentsKeepTheLine) {
    o.VerboseMode = 3;
    StartLogCapture();
    EXPECT_EQ(Line("$(1X) := 1"), "$(1X) := 1");
    EXPECT_EQ(Line("$(_X) := 1"), "$(_X) := 1");
    EXPECT_EQ(TakeLogCapture(), Msg("User-variables must be text", "$(1X)") +
                                    Msg("User-variables must be text", "$(_X)"));

    StartLogCapture();
    EXPECT_EQ(Line("$(X) = 5"), "$(X) = 5");
    std::string pad(15, ' ');
    EXPECT_EQ(TakeLogCapture(), Msg("Syntax error : ", "$(X) = 5") + ":= expected at " + pad +
                                    ">>>>>>>^\n" + Msg("Token found  : ", "="));
}

TEST_F(UserVars, NameIsTheTokenWithoutItsLastCharacter) {
    Line("$(ABC := 1");
    EXPECT_EQ(Value("AB"), "1");
}

TEST_F(UserVars, SkippedLinesCreateNothing) {
    o.VerboseMode = 9;
    StartLogCapture();
    EXPECT_EQ(Line("$(X) := 1", 0), "");
    EXPECT_EQ(Line("$(X) := 1", -1), "");
    EXPECT_EQ(TakeLogCapture(), Msg("New variable not created, since DoIT == FALSE ") +
                                    Msg("New variable not created, since DoIT == FALSE "));
    o.VerboseMode = 0;
    Line("$(X) := 1");
    Line("$(X) := 2", 0);
    EXPECT_EQ(Value("X"), "1");
}

TEST_F(UserVars, ReplaceAndNewMessages) {
    o.VerboseMode = 9;
    StartLogCapture();
    Line("$(v) := a");
    Line("$(V) := b");
    EXPECT_EQ(TakeLogCapture(), Msg("New variable ", "V") + Msg("New value    ", "a") +
                                    Msg("Replace variable ", "V") + Msg("Old value        ", "a") +
                                    Msg("New value        ", "b"));
}

TEST_F(UserVars, ReferencesInCommandLines) {
    PutEnvVar("RIVEL_T_TEMP", "C:\\TMP");
    EXPECT_EQ(Line("+[Paths]Temp=$(%RIVEL_T_TEMP)"), "+[Paths]Temp=C:\\TMP");
    RemoveEnvVar("RIVEL_T_NONE");
    EXPECT_EQ(Line("a$(%RIVEL_T_NONE)b"), "ab");
    RemoveEnvVar("RIVEL_T_TEMP");

    o.VerboseMode = 3;
    StartLogCapture();
    EXPECT_EQ(Line("x=$(NOSUCH)"), "x=");
    EXPECT_EQ(TakeLogCapture(), Msg("Variable not found : ", "NOSUCH"));

    StartLogCapture();
    EXPECT_EQ(Line("Price $$5"), "Price $5");
    EXPECT_EQ(Line("$$(X)"), "$(X)");
    EXPECT_EQ(Line(""), "");
    EXPECT_EQ(TakeLogCapture(), "");

    SetCurrentFiles("C:\\WINDOWS\\WIN.INI", "SETUP.CMD");
    EXPECT_EQ(Line("f=$(_INIFILE)"), "f=WIN.INI");

    // Nested: the inner reference names the outer variable.
    Line("$(Which) := Two");
    Line("$(Two) := 2");
    EXPECT_EQ(Line("n=$($(which))"), "n=2");
}

TEST_F(UserVars, OperandLookups) {
    o.VerboseMode = 3;
    StartLogCapture();
    EXPECT_EQ(UserVarValue(o, "$(X"), "");
    std::string log = TakeLogCapture();
    EXPECT_TRUE(Has(log, Msg("Missing ) in variable", "$(X")));
    EXPECT_TRUE(Has(log, Msg("Variable not found : ", "X")));
    PutEnvVar("RIVEL_T_E", "e");
    EXPECT_EQ(UserVarValue(o, "%RIVEL_T_E)"), "e");
    EXPECT_EQ(UserVarValue(o, "$(%RIVEL_T_E)"), "e");
    RemoveEnvVar("RIVEL_T_E");
}

TEST_F(UserVars, DeDupe) {
    EXPECT_EQ(DeDupe(o, "$$$"), "$$");
    EXPECT_EQ(DeDupe(o, "$$$$"), "$$");
    EXPECT_EQ(DeDupe(o, "a$b$"), "a$b$");
}

TEST_F(UserVars, Disposal) {
    o.VerboseMode = 9;
    Line("$(X) := 1");
    InitValues(o);  // a second user
    StartLogCapture();
    FreeValues(o);
    EXPECT_EQ(TakeLogCapture(), "");
    EXPECT_EQ(Value("X"), "1");
    StartLogCapture();
    FreeValues(o);
    FreeValues(o);
    EXPECT_EQ(TakeLogCapture(), Msg("ValueList destroyed") + Msg("Values already disposed"));
    o.VerboseMode = 0;
    EXPECT_EQ(Value("X"), "");
}

TEST_F(UserVars, DeepAndUnbalancedInputNeverFails) {
    std::string deep;
    for (int i = 0; i < 100000; ++i) {
        deep += "$(A";
    }
    EXPECT_EQ(Line("x " + deep), "x " + deep);
    EXPECT_EQ(Line(deep + " := 1"), "");
    EXPECT_EQ(Line("$("), "$(");
    EXPECT_EQ(Line("\"\" $(X)"), "\"\" $(X)");
}

}  // namespace
}  // namespace rivel
