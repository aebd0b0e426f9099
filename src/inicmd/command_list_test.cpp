#include "inicmd/command_list.h"

#include <gtest/gtest.h>

#include "driver/message_log.h"
#include "inicmd/rewrite_fixture.h"
#include "platform/environment.h"

namespace rivel {
namespace {

const CommandRecord& Only(const std::string& line, RunOptions o = RunOptions{}) {
    ResetCommands();
    ParseCommand(o, line, "");
    EXPECT_EQ(Commands().CommandList.size(), 1u) << line;
    static CommandRecord empty;
    return Commands().CommandList.empty() ? empty : Commands().CommandList.back();
}

TEST(CommandCode, FirstCharacterExactly) {
    EXPECT_EQ(CommandCode("+x"), 0);
    EXPECT_EQ(CommandCode("}"), 10);
    EXPECT_EQ(CommandCode("{"), 13);
    EXPECT_EQ(CommandCode("r"), 11);
    EXPECT_EQ(CommandCode("R"), 12);
    EXPECT_EQ(CommandCode("S"), 14);
    EXPECT_EQ(CommandCode("s"), 15);
    EXPECT_EQ(CommandCode(""), 15);
}

TEST(ParseCommand, KindsFromCharacterAndParts) {
    EXPECT_EQ(Only("-[Turbo]").Kind, CommandKind::DeleteSection);
    EXPECT_EQ(Only("-[turbo]Font").Kind, CommandKind::DeleteKey);
    EXPECT_EQ(Only("-[turbo]font=Helv").Kind, CommandKind::DeleteKeyVal);
    EXPECT_EQ(Only("~[s]File").Kind, CommandKind::DeleteKeyNum);
    EXPECT_EQ(Only("~[s]File=x").Kind, CommandKind::DeleteKeyValNum);
    EXPECT_EQ(Only("#[s]").Kind, CommandKind::CommentSection);
    EXPECT_EQ(Only("@[s]k=v").Kind, CommandKind::UCommentKeyVal);
    EXPECT_EQ(Only("}[s]k=v").Kind, CommandKind::MergeKey);
    EXPECT_EQ(Only("{[s]k=v").Kind, CommandKind::StripKey);
    EXPECT_EQ(Only("/[s]k=v").Kind, CommandKind::MergeFKey);
    const CommandRecord& add = Only("+[Windows]load=");
    EXPECT_EQ(add.Kind, CommandKind::AddKey);
    EXPECT_EQ(add.Value, "");
    EXPECT_EQ(Commands().NoCommands, 0);
}

TEST(ParseCommand, PrefixesAndCfgModes) {
    EXPECT_EQ(Only("?+[miracle]font=Helv").DoAllways, 0);
    EXPECT_EQ(Only("+[miracle]font=Helv").DoAllways, 1);
    EXPECT_EQ(Only("=+[a]b=c").WithNoEqual, 1);
    RunOptions cfg;
    cfg.CfgMode = 1;
    const CommandRecord& r = Only("+[Link Driver NE2000]FRAME Ethernet_802.2", cfg);
    EXPECT_EQ(r.Section, "Link Driver NE2000");
    EXPECT_EQ(r.Key, "FRAME");
    EXPECT_EQ(r.Value, "Ethernet_802.2");
    EXPECT_EQ(r.WithNoEqual, 1);
    EXPECT_EQ(Only("+[]k=v", cfg).Section, "");
}

TEST(ParseCommand, StripValueGetsItsSeparator) {
    EXPECT_EQ(Only("<[Windows]load=nwpopup.exe").Value, ";nwpopup.exe");
    EXPECT_EQ(Only("<[Windows]load=,nwpopup.exe").Value, ",nwpopup.exe");
}

TEST(ParseCommand, MissingPartsDropTheCommandWithTwoMessages) {
    RunOptions o;
    StartLogCapture();
    ResetCommands();
    ParseCommand(o, "+[Windows]", "");
    ParseCommand(o, "&[386enh]device", "");
    ParseCommand(o, "![s]", "");
    ParseCommand(o, "xyz", "");
    ParseCommand(o, "s[boot]shell=SHELL", "");
    std::string log = TakeLogCapture();
    EXPECT_TRUE(Commands().CommandList.empty());
    EXPECT_EQ(Commands().NoCommands, 1);
    EXPECT_EQ(log,
              "Ignoring CMD ADD, Section :   [Windows]\n"
              "No key-name to ADD....        \n"
              "Ignoring CMD ADS, Section :   [386enh]\n"
              "No value-name to ADS....      \n"
              "Ignoring CMD ADN, Section :   [s]\n");
}

TEST(ParseCommand, ReplaceRecordsNewestFirstInTheDump) {
    RunOptions o;
    o.VerboseMode = 9;
    ResetCommands();
    ParseCommand(o, "r[fonts] Arial =Helv", "");
    ParseCommand(o, "R[fonts]Arial=Helv", "");
    ParseCommand(o, "?+[miracle]font=Helv", "");
    ASSERT_EQ(Commands().ReplaceList.size(), 2u);
    EXPECT_EQ(Commands().ReplaceList[0].MatchCase, 1);
    EXPECT_EQ(Commands().ReplaceList[1].Section, "[FONTS]");
    EXPECT_EQ(Commands().ReplaceList[1].Txt1, "Arial");
    StartLogCapture();
    DumpCommands(o);
    DumpReplaces(o);
    std::string log = TakeLogCapture();
    EXPECT_NE(log.find("Command-CMD  1 :              17 DoNotAllways\n"
                       "Command-CMD  1 :              WITH Equal\n"),
              std::string::npos)
        << log;
    EXPECT_NE(log.find("Replace-CMD  1 :              1 Match Case\n"), std::string::npos);
    EXPECT_NE(log.find("Replace-CMD  2 :              2 DoNot Match Case\n"), std::string::npos);
    FreeCommands();
    FreeReplaces();
    EXPECT_TRUE(Commands().CommandList.empty() && Commands().ReplaceList.empty());
}

TEST(SetEnvCommand, ReadsTheIniFileAtOnce) {
    std::string ini = ScratchFileName("sete");
    std::string longLine(5000, 'x');
    WriteWholeFile(ini,
                   "[other]\nshell=no\n[Boot]\r\n" + longLine + "=1\n  SHELL = progman.exe \n");
    RunOptions o;
    ResetCommands();
    RemoveEnvVar("RIVEL_T_SHELL");
    ParseCommand(o, "S[boot]shell=RIVEL_T_SHELL", ini);
    EXPECT_EQ(GetEnvVar("RIVEL_T_SHELL").value_or("<unset>"), "progman.exe");
    EXPECT_TRUE(Commands().CommandList.empty());
    ParseCommand(o, "S[boot]missing=RIVEL_T_SHELL", ini);
    EXPECT_EQ(GetEnvVar("RIVEL_T_SHELL").value_or("<unset>"), "");
    PutEnvVar("RIVEL_T_SHELL", "kept");
    ParseCommand(o, "S[nosuch]shell=RIVEL_T_SHELL", ini);
    ParseCommand(o, "S[boot]shell=RIVEL_T_SHELL", ini + ".absent");
    EXPECT_EQ(GetEnvVar("RIVEL_T_SHELL").value_or("<unset>"), "kept");
    RemoveEnvVar("RIVEL_T_SHELL");
    std::remove(ini.c_str());
}

}  // namespace
}  // namespace rivel
