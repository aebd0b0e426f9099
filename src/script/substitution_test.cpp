#include "script/substitution.h"

#include <gtest/gtest.h>

#include <vector>

#include "base/test_support.h"
#include "platform/environment.h"

namespace rivel {
namespace {

using testing_support::Has;
using testing_support::Msg;

// Records every name asked for and answers "<name>".
struct LookupRecorder {
    std::vector<std::string> names;
    EFunc Func() {
        return [this](RunContext&, const RunOptions&, const std::string& name) {
            names.push_back(name);
            return "<" + name + ">";
        };
    }
};

using testing_support::Verbose;

TEST(SubstEnv, ReplacesReferencesAndEscapes) {
    RunContext run;
    PutEnvVar("RIVEL_T_USER", "jdoe");
    RunOptions o = Verbose(4);
    EXPECT_EQ(SubstEnv(run, o, "F:\\%%USER%%\\TEMP"), "F:\\%USER%\\TEMP");
    EXPECT_EQ(SubstEnv(run, o, "&[386enh]device=F:\\user\\%RIVEL_T_USER%\\TEMP\\vtda.386"),
              "&[386enh]device=F:\\user\\jdoe\\TEMP\\vtda.386");
    EXPECT_EQ(SubstEnv(run, o, "%%"), "%");
    EXPECT_EQ(SubstEnv(run, o, ""), "");
    RemoveEnvVar("RIVEL_T_USER");
}

TEST(SubstVar, ValuesAreInsertedUpToTheirFirstLineEnd) {
    // A line never holds a line end: the rest of such a value would become lines of its own
    // in the file written from the line.
    RunContext run;
    RunOptions o = Verbose(3);
    EFunc multiLine = [](RunContext&, const RunOptions&, const std::string& name) {
        return name.rfind("CR", 0) == 0 ? std::string("one\r\ntwo") : std::string("one\n[x]\nk=v");
    };
    StartLogCapture(run.log);
    EXPECT_EQ(SubstVar(run, o, '%', "+[s]a=%LF%!", multiLine), "+[s]a=one!");
    EXPECT_EQ(SubstVar(run, o, '$', "+[s]a=$(LF)!$(CR)", multiLine), "+[s]a=one!one");
    EXPECT_TRUE(Has(TakeLogCapture(run.log), "Line end in a variable's value, rest left out: "));
    EXPECT_EQ(run.failure, static_cast<int>(RunFailure::CommandError));

    RunContext quiet;
    EFunc plain = [](RunContext&, const RunOptions&, const std::string&) {
        return std::string("no line end");
    };
    EXPECT_EQ(SubstVar(quiet, o, '$', "$(A)", plain), "no line end");
    EXPECT_EQ(quiet.failure, 0);
}

TEST(SubstEnv, UndefinedAndUnbalancedReferences) {
    RunContext run;
    RemoveEnvVar("NOSUCHVAR");
    RunOptions o = Verbose(3);
    StartLogCapture(run.log);
    EXPECT_EQ(SubstEnv(run, o, "%NOSUCHVAR%x"), "x");
    EXPECT_EQ(TakeLogCapture(run.log), Msg("ENV Var not defined ", "NOSUCHVAR"));

    StartLogCapture(run.log);
    EXPECT_EQ(SubstEnv(run, o, "100%"), "100%");
    EXPECT_EQ(TakeLogCapture(run.log), Msg("Unbalanced % found in: ", "100%"));

    StartLogCapture(run.log);
    EXPECT_EQ(SubstEnv(run, o, "%%%"), "%%");
    EXPECT_TRUE(Has(TakeLogCapture(run.log), "Unbalanced % found in: "));

    // "%%" inside an unterminated reference became "%" when it is put back.
    StartLogCapture(run.log);
    EXPECT_EQ(SubstEnv(run, o, "a%b%%c"), "a%b%c");
    TakeLogCapture(run.log);
}

TEST(SubstVarPercent, NamesAsCollectedAndDollarBlocksPassUntouched) {
    LookupRecorder lookups;
    RunContext run;
    RunOptions o = Verbose(0);
    EXPECT_EQ(SubstVar(run, o, '%', "%A%%B%", lookups.Func()), "<A%B>");
    EXPECT_EQ(lookups.names, std::vector<std::string>{"A%B"});

    lookups.names.clear();
    EXPECT_EQ(SubstVar(run, o, '%', "$$ $(%X%)", lookups.Func()), "$$ $(%X%)");
    EXPECT_TRUE(lookups.names.empty());

    // A value is not scanned again.
    EXPECT_EQ(SubstVar(run, o, '%', "%X%",
                       [](RunContext&, const RunOptions&, const std::string&) {
                           return std::string("%Y% $(Z)");
                       }),
              "%Y% $(Z)");
    lookups.names.clear();
    // "$" next to a reference, and a "$(" block at the very end of the line.
    EXPECT_EQ(SubstVar(run, o, '%', "a$%N%$(", lookups.Func()), "a$<N>$(");
    EXPECT_EQ(lookups.names, std::vector<std::string>{"N"});
}

TEST(SubstVarDollar, ReferenceNamesKeepTheirClosingParenthesis) {
    LookupRecorder lookups;
    RunContext run;
    RunOptions o = Verbose(0);
    EXPECT_EQ(SubstVar(run, o, '$', "x $(NAME) y", lookups.Func()), "x <NAME)> y");
    EXPECT_EQ(SubstVar(run, o, '$', "$()", lookups.Func()), "<)>");
    EXPECT_EQ(SubstVar(run, o, '$', "$$(X) a$b $", lookups.Func()), "$$(X) a$b $");
    EXPECT_EQ(lookups.names, (std::vector<std::string>{"NAME)", ")"}));
}

TEST(SubstVarDollar, NestedReferencesResolveInsideOut) {
    LookupRecorder lookups;
    RunContext run;
    RunOptions o = Verbose(0);
    EXPECT_EQ(SubstVar(run, o, '$', "$(A$(B))!", lookups.Func()), "<A<B)>)>!");
    EXPECT_EQ(lookups.names, (std::vector<std::string>{"B)", "A<B)>)"}));
}

TEST(SubstVarDollar, MissingParenthesisLooksUpTheRestOfTheLine) {
    LookupRecorder lookups;
    RunContext run;
    RunOptions o = Verbose(3);
    StartLogCapture(run.log);
    EXPECT_EQ(SubstVar(run, o, '$', "a $(X y", lookups.Func()), "a <X y>");
    EXPECT_EQ(TakeLogCapture(run.log), Msg("Missing ) in line", "a $(X y"));
    EXPECT_EQ(lookups.names, std::vector<std::string>{"X y"});
}

TEST(SubstVarDollar, DeepNestingIsBoundedAndLeftAsWritten) {
    LookupRecorder lookups;
    RunContext run;
    RunOptions o = Verbose(1);
    std::string deep;
    for (int i = 0; i < 100000; ++i) {
        deep += "$(A";
    }
    std::string closed = deep + std::string(100000, ')');
    StartLogCapture(run.log);
    EXPECT_EQ(SubstVar(run, o, '$', "x" + closed + "y", lookups.Func()), "x" + closed + "y");
    EXPECT_TRUE(Has(TakeLogCapture(run.log), "Variable references nested too deep"));
    EXPECT_TRUE(lookups.names.empty());

    // Unterminated as well as too deep.
    StartLogCapture(run.log);
    EXPECT_EQ(SubstVar(run, o, '$', deep, lookups.Func()), deep);
    EXPECT_TRUE(Has(TakeLogCapture(run.log), "nested too deep"));
    EXPECT_TRUE(lookups.names.empty());

    // Right at the limit the reference is still resolved.
    std::string limit;
    for (int i = 0; i < kMaxReferenceNesting; ++i) {
        limit += "$(A";
    }
    limit += std::string(kMaxReferenceNesting, ')');
    StartLogCapture(run.log);
    std::string got = SubstVar(run, o, '$', limit, lookups.Func());
    EXPECT_EQ(TakeLogCapture(run.log), "");
    EXPECT_EQ(lookups.names.size(), static_cast<size_t>(kMaxReferenceNesting));
    EXPECT_EQ(got.substr(0, 3), "<A<");
}

TEST(SubstEnv, ManyPercentSignsStayLinear) {
    RunContext run;
    RunOptions o = Verbose(0);
    std::string line(200000, '%');
    EXPECT_EQ(SubstEnv(run, o, line), std::string(100000, '%'));
}

}  // namespace
}  // namespace rivel
