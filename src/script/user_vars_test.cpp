#include "script/user_vars.h"

#include <gtest/gtest.h>

#include "base/test_support.h"
#include "platform/environment.h"

namespace rivel {
namespace {

using testing_support::Has;
using testing_support::Msg;
using testing_support::TempFolder;

using testing_support::Verbose;

class UserVars : public ::testing::Test {
  protected:
    RunContext run;
    void SetUp() override { InitValues(run, o); }

    std::string Line(const std::string& line, int doIt = 1) {
        return ProcessVarline(run, o, line, doIt);
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
    StartLogCapture(run.log);
    Line("$(X) := 5 * 2");
    EXPECT_EQ(TakeLogCapture(run.log), Msg("Unknown operator : ", "*"));
    EXPECT_EQ(Value("X"), "5");
}

TEST_F(UserVars, ArithmeticOutsideThirtyTwoBitsDoesNotFail) {
    Line("$(X) := 99999999999999999999999 + 99999999999999999999999");
    Line("$(Y) := 2147483647 + 1");
    EXPECT_FALSE(Value("Y").empty());
}

TEST_F(UserVars, BadAssignmentsKeepTheLine) {
    o.VerboseMode = 3;
    StartLogCapture(run.log);
    EXPECT_EQ(Line("$(1X) := 1"), "$(1X) := 1");
    EXPECT_EQ(Line("$(_X) := 1"), "$(_X) := 1");
    EXPECT_EQ(TakeLogCapture(run.log), Msg("User-variables must be text", "$(1X)") +
                                           Msg("User-variables must be text", "$(_X)"));

    StartLogCapture(run.log);
    EXPECT_EQ(Line("$(X) = 5"), "$(X) = 5");
    std::string pad(15, ' ');
    EXPECT_EQ(TakeLogCapture(run.log), Msg("Syntax error : ", "$(X) = 5") + ":= expected at " +
                                           pad + ">>>>>>>^\n" + Msg("Token found  : ", "="));
}

TEST_F(UserVars, NameIsTheTokenWithoutItsLastCharacter) {
    Line("$(ABC := 1");
    EXPECT_EQ(Value("AB"), "1");
}

TEST_F(UserVars, SkippedLinesCreateNothing) {
    o.VerboseMode = 9;
    StartLogCapture(run.log);
    EXPECT_EQ(Line("$(X) := 1", 0), "");
    EXPECT_EQ(Line("$(X) := 1", -1), "");
    EXPECT_EQ(TakeLogCapture(run.log), Msg("New variable not created, since DoIT == FALSE ") +
                                           Msg("New variable not created, since DoIT == FALSE "));
    o.VerboseMode = 0;
    Line("$(X) := 1");
    Line("$(X) := 2", 0);
    EXPECT_EQ(Value("X"), "1");
}

TEST_F(UserVars, ReplaceAndNewMessages) {
    o.VerboseMode = 9;
    StartLogCapture(run.log);
    Line("$(v) := a");
    Line("$(V) := b");
    EXPECT_EQ(TakeLogCapture(run.log), Msg("New variable ", "V") + Msg("New value    ", "a") +
                                           Msg("Replace variable ", "V") +
                                           Msg("Old value        ", "a") +
                                           Msg("New value        ", "b"));
}

TEST_F(UserVars, ReferencesInCommandLines) {
    PutEnvVar("RIVEL_T_TEMP", "C:\\TMP");
    EXPECT_EQ(Line("+[Paths]Temp=$(%RIVEL_T_TEMP)"), "+[Paths]Temp=C:\\TMP");
    RemoveEnvVar("RIVEL_T_NONE");
    EXPECT_EQ(Line("a$(%RIVEL_T_NONE)b"), "ab");
    RemoveEnvVar("RIVEL_T_TEMP");

    o.VerboseMode = 3;
    StartLogCapture(run.log);
    EXPECT_EQ(Line("x=$(NOSUCH)"), "x=");
    EXPECT_EQ(TakeLogCapture(run.log), Msg("Variable not found : ", "NOSUCH"));

    StartLogCapture(run.log);
    EXPECT_EQ(Line("Price $$5"), "Price $5");
    EXPECT_EQ(Line("$$(X)"), "$(X)");
    EXPECT_EQ(Line(""), "");
    EXPECT_EQ(TakeLogCapture(run.log), "");

    run.currentIniFile = "C:\\WINDOWS\\WIN.INI";
    run.currentCmdFile = "SETUP.CMD";
    run.lastErrorCode = 0;
    EXPECT_EQ(Line("f=$(_INIFILE)"), "f=WIN.INI");

    // Nested: the inner reference names the outer variable.
    Line("$(Which) := Two");
    Line("$(Two) := 2");
    EXPECT_EQ(Line("n=$($(which))"), "n=2");
}

TEST_F(UserVars, OperandLookups) {
    o.VerboseMode = 3;
    StartLogCapture(run.log);
    EXPECT_EQ(UserVarValue(run, o, "$(X"), "");
    std::string log = TakeLogCapture(run.log);
    EXPECT_TRUE(Has(log, Msg("Missing ) in variable", "$(X")));
    EXPECT_TRUE(Has(log, Msg("Variable not found : ", "X")));
    PutEnvVar("RIVEL_T_E", "e");
    EXPECT_EQ(UserVarValue(run, o, "%RIVEL_T_E)"), "e");
    EXPECT_EQ(UserVarValue(run, o, "$(%RIVEL_T_E)"), "e");
    RemoveEnvVar("RIVEL_T_E");
}

TEST_F(UserVars, DeDupe) {
    EXPECT_EQ(DeDupe(run, o, "$$$"), "$$");
    EXPECT_EQ(DeDupe(run, o, "$$$$"), "$$");
    EXPECT_EQ(DeDupe(run, o, "a$b$"), "a$b$");
}

TEST_F(UserVars, Disposal) {
    o.VerboseMode = 9;
    Line("$(X) := 1");
    InitValues(run, o);  // a second user
    StartLogCapture(run.log);
    FreeValues(run, o);
    EXPECT_EQ(TakeLogCapture(run.log), "");
    EXPECT_EQ(Value("X"), "1");
    StartLogCapture(run.log);
    FreeValues(run, o);
    FreeValues(run, o);
    EXPECT_EQ(TakeLogCapture(run.log), Msg("ValueList destroyed") + Msg("Values already disposed"));
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
