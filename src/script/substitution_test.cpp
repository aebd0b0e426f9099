#include "script/substitution.h"

#include <gtest/gtest.h>

#include <vector>

#include "platform/environment.h"
#include "script/script_test_support.h"

namespace rivel {
namespace {

using testing_support::Has;
using testing_support::Msg;

std::vector<std::string>& Lookups() {
    static std::vector<std::string> names;
    return names;
}

// Records every name asked for and answers "<name>".
std::string Recorder(const RunOptions&, const std::string& name) {
    Lookups().push_back(name);
    return "<" + name + ">";
}

RunOptions Verbose(int level) {
    RunOptions o;
    o.VerboseMode = level;
    return o;
}

TEST(SubstEnv, ReplacesReferencesAndEscapes) {
    PutEnvVar("RIVEL_T_USER", "jdoe");
    RunOptions o = Verbose(4);
    EXPECT_EQ(SubstEnv(o, "F:\\%%USER%%\\TEMP"), "F:\\%USER%\\TEMP");
    EXPECT_EQ(SubstEnv(o, "&[386enh]device=F:\\user\\%RIVEL_T_USER%\\TEMP\\vtda.386"),
              "&[386enh]device=F:\\user\\jdoe\\TEMP\\vtda.386");
    EXPECT_EQ(SubstEnv(o, "%%"), "%");
    EXPECT_EQ(SubstEnv(o, ""), "");
    RemoveEnvVar("RIVEL_T_USER");
}

TEST(SubstEnv, UndefinedAndUnbalancedReferences) {
    RemoveEnvVar("NOSUCHVAR");
    RunOptions o = Verbose(3);
    StartLogCapture();
    EXPECT_EQ(SubstEnv(o, "%NOSUCHVAR%x"), "x");
    EXPECT_EQ(TakeLogCapture(), Msg("ENV Var not defined ", "NOSUCHVAR"));

    StartLogCapture();
    EXPECT_EQ(SubstEnv(o, "100%"), "100%");
    EXPECT_EQ(TakeLogCapture(), Msg("Unbalanced % found in: ", "100%"));

    StartLogCapture();
    EXPECT_EQ(SubstEnv(o, "%%%"), "%%");
    EXPECT_TRUE(Has(TakeLogCapture(), "Unbalanced % found in: "));

    // "%%" inside an unterminated reference became "%" when it is put back.
    StartLogCapture();
    EXPECT_EQ(SubstEnv(o, "a%b%%c"), "a%b%c");
    TakeLogCapture();
}

TEST(SubstVarPercent, NamesAsCollectedAndDollarBlocksPassUntouched) {
    RunOptions o = Verbose(0);
    Lookups().clear();
    EXPECT_EQ(SubstVar(o, '%', "%A%%B%", Recorder), "<A%B>");
    EXPECT_EQ(Lookups(), std::vector<std::string>{"A%B"});

    Lookups().clear();
    EXPECT_EQ(SubstVar(o, '%', "$$ $(%X%)", Recorder), "$$ $(%X%)");
    EXPECT_TRUE(Lookups().empty());

    // A value is not scanned again.
    EXPECT_EQ(
        SubstVar(o, '%', "%X%",
                 [](const RunOptions&, const std::string&) { return std::string("%Y% $(Z)"); }),
        "%Y% $(Z)");
    // "$" next to a reference, and a "$(" block at the very end of the line.
    Lookups().clear();
    EXPECT_EQ(SubstVar(o, '%', "a$%N%$(", Recorder), "a$<N>$(");
    EXPECT_EQ(Lookups(), std::vector<std::string>{"N"});
}

TEST(SubstVarDollar, ReferenceNamesKeepTheirClosingParenthesis) {
    RunOptions o = Verbose(0);
    Lookups().clear();
    EXPECT_EQ(SubstVar(o, '$', "x $(NAME) y", Recorder), "x <NAME)> y");
    EXPECT_EQ(SubstVar(o, '$', "$()", Recorder), "<)>");
    EXPECT_EQ(SubstVar(o, '$', "$$(X) a$b $", Recorder), "$$(X) a$b $");
    EXPECT_EQ(Lookups(), (std::vector<std::string>{"NAME)", ")"}));
}

TEST(SubstVarDollar, NestedReferencesResolveInsideOut) {
    RunOptions o = Verbose(0);
    Lookups().clear();
    EXPECT_EQ(SubstVar(o, '$', "$(A$(B))!", Recorder), "<A<B)>)>!");
    EXPECT_EQ(Lookups(), (std::vector<std::string>{"B)", "A<B)>)"}));
}

TEST(SubstVarDollar, MissingParenthesisLooksUpTheRestOfTheLine) {
    RunOptions o = Verbose(3);
    Lookups().clear();
    StartLogCapture();
    EXPECT_EQ(SubstVar(o, '$', "a $(X y", Recorder), "a <X y>");
    EXPECT_EQ(TakeLogCapture(), Msg("Missing ) in line", "a $(X y"));
    EXPECT_EQ(Lookups(), std::vector<std::string>{"X y"});
}

TEST(SubstVarDollar, DeepNestingIsBoundedAndLeftAsWritten) {
    RunOptions o = Verbose(1);
    std::string deep;
    for (int i = 0; i < 100000; ++i) {
        deep += "$(A";
    }
    std::string closed = deep + std::string(100000, ')');
    Lookups().clear();
    StartLogCapture();
    EXPECT_EQ(SubstVar(o, '$', "x" + closed + "y", Recorder), "x" + closed + "y");
    EXPECT_TRUE(Has(TakeLogCapture(), "Variable references nested too deep"));
    EXPECT_TRUE(Lookups().empty());

    // Unterminated as well as too deep.
    StartLogCapture();
    EXPECT_EQ(SubstVar(o, '$', deep, Recorder), deep);
    EXPECT_TRUE(Has(TakeLogCapture(), "nested too deep"));
    EXPECT_TRUE(Lookups().empty());

    // Right at the limit the reference is still resolved.
    std::string limit;
    for (int i = 0; i < kMaxReferenceNesting; ++i) {
        limit += "$(A";
    }
    limit += std::string(kMaxReferenceNesting, ')');
    StartLogCapture();
    std::string got = SubstVar(o, '$', limit, Recorder);
    EXPECT_EQ(TakeLogCapture(), "");
    EXPECT_EQ(Lookups().size(), static_cast<size_t>(kMaxReferenceNesting));
    EXPECT_EQ(got.substr(0, 3), "<A<");
}

TEST(SubstEnv, ManyPercentSignsStayLinear) {
    RunOptions o = Verbose(0);
    std::string line(200000, '%');
    EXPECT_EQ(SubstEnv(o, line), std::string(100000, '%'));
}

}  // namespace
}  // namespace rivel
