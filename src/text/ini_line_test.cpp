#include "text/ini_line.h"

#include <gtest/gtest.h>

#include "platform/environment.h"

namespace rivel {
namespace {

std::pair<std::string, std::string> Split(std::string_view line, int cfgMode = 0,
                                          char delimiter = '=') {
    RunContext run;
    RunOptions o;
    o.CfgMode = cfgMode;
    o.Delimiter = delimiter;
    std::string key, value;
    SplitKeyValue(run, o, line, key, value);
    return {key, value};
}

TEST(SplitKeyValue, SplitsAtTheFirstDelimiterAndTrims) {
    EXPECT_EQ(Split("  key  =  a=b "), std::make_pair(std::string("key"), std::string("a=b")));
    EXPECT_EQ(Split("novalue"), std::make_pair(std::string("novalue"), std::string()));
    EXPECT_EQ(Split("a;b", 0, ';'), std::make_pair(std::string("a"), std::string("b")));
    EXPECT_EQ(Split("k= "), std::make_pair(std::string("k"), std::string(" ")));
}

TEST(SplitKeyValue, NetCfgModeOneSplitsAtTheLastSpace) {
    EXPECT_EQ(Split("FRAME Ethernet_II", 1),
              std::make_pair(std::string("FRAME"), std::string("Ethernet_II")));
    EXPECT_EQ(Split("LINK DRIVER NE2000", 1),
              std::make_pair(std::string("LINK DRIVER"), std::string("NE2000")));
    EXPECT_EQ(Split("IPX", 1), std::make_pair(std::string("IPX"), std::string()));
    EXPECT_EQ(Split(" IPX", 1), std::make_pair(std::string("IPX"), std::string()));
    EXPECT_EQ(Split("FRAME Ethernet_II", 2),
              std::make_pair(std::string("FRAME Ethernet_II"), std::string()));
}

TEST(SplitSectionKeyValue, SectionKeepsItsBrackets) {
    RunContext run;
    RunOptions o;
    std::string s, k, v;
    SplitSectionKeyValue(run, o, "[386enh]device = x=y  ", s, k, v);
    EXPECT_EQ(s, "[386enh]");
    EXPECT_EQ(k, "device");
    EXPECT_EQ(v, "x=y");
    SplitSectionKeyValue(run, o, "[sec]", s, k, v);
    EXPECT_EQ(s, "[sec]");
    EXPECT_EQ(k, "");
    EXPECT_EQ(v, "");
    SplitSectionKeyValue(run, o, "sec=1", s, k, v);
    EXPECT_EQ(s, "sec=1");
    EXPECT_EQ(k, "");
    SplitSectionKeyValue(run, o, " [a b] k", s, k, v);
    EXPECT_EQ(s, " [a b]");
    EXPECT_EQ(k, "k");
}

TEST(IsSectionLine, DependsOnTheCfgMode) {
    RunOptions o;
    EXPECT_TRUE(IsSectionLine(o, "[x]"));
    EXPECT_FALSE(IsSectionLine(o, " [x]"));
    o.CfgMode = 1;
    EXPECT_TRUE(IsSectionLine(o, "Link Driver NE2000"));
    EXPECT_FALSE(IsSectionLine(o, "  FRAME Ethernet_II"));
    EXPECT_FALSE(IsSectionLine(o, "\tFRAME"));
    EXPECT_FALSE(IsSectionLine(o, "PB BUFFERS=10"));
    o.CfgMode = 2;
    EXPECT_FALSE(IsSectionLine(o, "Link Driver NE2000"));
}

TEST(NumberedKeys, GetNumAndSNum) {
    RunContext run;
    RunOptions o;
    EXPECT_EQ(GetNum(run, o, "File12"), 12);
    EXPECT_EQ(GetNum(run, o, "Key007"), 7);
    EXPECT_EQ(GetNum(run, o, "Item"), 0);
    EXPECT_EQ(GetNum(run, o, "K99999999999999"), 2147483647);
    EXPECT_EQ(SNum(run, o, "file12"), "FILE");
    EXPECT_EQ(SNum(run, o, "Key \t12"), "KEY");
    EXPECT_EQ(SNum(run, o, "A1B2"), "A1B");
    EXPECT_EQ(SNum(run, o, "12"), "");
    EXPECT_EQ(SNum(run, o, "Item"), "ITEM");
}

TEST(SetEnvVar, EmptyValueStaysDefinedAndEmptyNameDoesNothing) {
    SetEnvVar("RIVEL_TEST_VAR", "one");
    EXPECT_EQ(GetEnvVar("RIVEL_TEST_VAR").value_or("?"), "one");
    SetEnvVar("RIVEL_TEST_VAR", "");
    ASSERT_TRUE(GetEnvVar("RIVEL_TEST_VAR").has_value());
    EXPECT_EQ(*GetEnvVar("RIVEL_TEST_VAR"), "");
    SetEnvVar("", "x");
    RemoveEnvVar("RIVEL_TEST_VAR");
    EXPECT_FALSE(GetEnvVar("RIVEL_TEST_VAR").has_value());
}

}  // namespace
}  // namespace rivel
