#include "inicmd/command_list.h"

#include <gtest/gtest.h>

#include "base/message_log.h"
#include "inicmd/rewrite_fixture.h"
#include "platform/environment.h"

namespace rivel {
namespace {

CommandRecord Only(const std::string& line, RunOptions o = RunOptions{}) {
    RunContext run;
    CommandStore store;
    ParseCommand(run, o, store, line, "");
    EXPECT_EQ(store.CommandList.size(), 1u) << line;
    return store.CommandList.empty() ? CommandRecord{} : store.CommandList.back();
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
    RunContext run;
    CommandStore store;
    EXPECT_EQ(store.NoCommands, 1);
    ParseCommand(run, RunOptions{}, store, "+[Windows]load=", "");
    EXPECT_EQ(store.NoCommands, 0);
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
    RunContext run;
    RunOptions o;
    StartLogCapture(run.log);
    CommandStore store;
    ParseCommand(run, o, store, "+[Windows]", "");
    ParseCommand(run, o, store, "&[386enh]device", "");
    ParseCommand(run, o, store, "![s]", "");
    ParseCommand(run, o, store, "xyz", "");
    ParseCommand(run, o, store, "s[boot]shell=SHELL", "");
    std::string log = TakeLogCapture(run.log);
    EXPECT_TRUE(store.CommandList.empty());
    EXPECT_EQ(store.NoCommands, 1);
    EXPECT_EQ(log,
              "Ignoring CMD ADD, Section :   [Windows]\n"
              "No key-name to ADD....        \n"
              "Ignoring CMD ADS, Section :   [386enh]\n"
              "No value-name to ADS....      \n"
              "Ignoring CMD ADN, Section :   [s]\n");
}

TEST(ParseCommand, ALineThatIsNoCommandIsDroppedAsAnErrorOfTheFile) {
    for (const char* line : {"xyz", "[windows]Beep=no", "s[boot]shell=SHELL", "?x[a]k=v", "x"}) {
        RunContext run;
        StartLogCapture(run.log);
        CommandStore store;
        ParseCommand(run, RunOptions{}, store, line, "");
        EXPECT_TRUE(store.CommandList.empty()) << line;
        EXPECT_EQ(TakeLogCapture(run.log), "") << line;
        EXPECT_EQ(run.failure, static_cast<int>(RunFailure::CommandError)) << line;
    }
    for (const char* line : {" ", " \t", "+[a]k=v", "-[a]", "r[]a=b"}) {
        RunContext run;
        CommandStore store;
        ParseCommand(run, RunOptions{}, store, line, "");
        EXPECT_EQ(run.failure, 0) << line;
    }
}

TEST(ParseCommand, ReplaceRecordsNewestFirstInTheDump) {
    RunContext run;
    RunOptions o;
    o.VerboseMode = 9;
    CommandStore store;
    ParseCommand(run, o, store, "r[fonts] Arial =Helv", "");
    ParseCommand(run, o, store, "R[fonts]Arial=Helv", "");
    ParseCommand(run, o, store, "?+[miracle]font=Helv", "");
    ASSERT_EQ(store.ReplaceList.size(), 2u);
    EXPECT_EQ(store.ReplaceList[0].MatchCase, 1);
    EXPECT_EQ(store.ReplaceList[1].Section, "[FONTS]");
    EXPECT_EQ(store.ReplaceList[1].Txt1, "Arial");
    StartLogCapture(run.log);
    DumpCommands(run, o, store);
    DumpReplaces(run, o, store);
    std::string log = TakeLogCapture(run.log);
    EXPECT_NE(log.find("Command-CMD  1 :              17 DoNotAllways\n"
                       "Command-CMD  1 :              WITH Equal\n"),
              std::string::npos)
        << log;
    EXPECT_NE(log.find("Replace-CMD  1 :              1 Match Case\n"), std::string::npos);
    EXPECT_NE(log.find("Replace-CMD  2 :              2 DoNot Match Case\n"), std::string::npos);
    FreeCommands(store);
    FreeReplaces(store);
    EXPECT_TRUE(store.CommandList.empty() && store.ReplaceList.empty());
}

TEST(SetEnvCommand, ReadsTheIniFileAtOnce) {
    RunContext run;
    std::string ini = ScratchFileName("sete");
    std::string longLine(5000, 'x');
    WriteWholeFile(ini,
                   "[other]\nshell=no\n[Boot]\r\n" + longLine + "=1\n  SHELL = progman.exe \n");
    RunOptions o;
    CommandStore store;
    RemoveEnvVar("RIVEL_T_SHELL");
    ParseCommand(run, o, store, "S[boot]shell=RIVEL_T_SHELL", ini);
    EXPECT_EQ(GetEnvVar("RIVEL_T_SHELL").value_or("<unset>"), "progman.exe");
    EXPECT_TRUE(store.CommandList.empty());
    ParseCommand(run, o, store, "S[boot]missing=RIVEL_T_SHELL", ini);
    EXPECT_EQ(GetEnvVar("RIVEL_T_SHELL").value_or("<unset>"), "");
    PutEnvVar("RIVEL_T_SHELL", "kept");
    ParseCommand(run, o, store, "S[nosuch]shell=RIVEL_T_SHELL", ini);
    ParseCommand(run, o, store, "S[boot]shell=RIVEL_T_SHELL", ini + ".absent");
    EXPECT_EQ(GetEnvVar("RIVEL_T_SHELL").value_or("<unset>"), "kept");
    RemoveEnvVar("RIVEL_T_SHELL");
    std::remove(ini.c_str());
}

}  // namespace
}  // namespace rivel
