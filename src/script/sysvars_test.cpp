#include "script/sysvars.h"

#include <gtest/gtest.h>

#include "base/test_support.h"

namespace rivel {
namespace {

using testing_support::Has;
using testing_support::Msg;
using testing_support::TempFolder;

using testing_support::Verbose;

class SysVars : public ::testing::Test {
  protected:
    RunContext run;
    std::string Eval(const std::string& name) { return EVALSysvar(run, o, name); }

    RunOptions o = Verbose(0);
    TempFolder dir;
    std::string ini = dir.File("WIN.INI",
                               "[Other]\n"
                               "load=wrong\n"
                               "[windows]\n"
                               "run=\n"
                               "load = nwpopup.exe\n"
                               "[Settings]\n"
                               "File1=a\n"
                               "FILE3=b\n"
                               "file12=c\n"
                               "Files7=d\n"
                               "[Empty]\n"
                               "[Tail]\n"
                               "File=x\n"
                               "File2=y");
};

TEST_F(SysVars, IniValues) {
    run.currentIniFile = ini;
    run.currentCmdFile = "SETUP.CMD";
    run.lastErrorCode = 0;
    EXPECT_EQ(Eval("_INIVALUE[Windows]Load"), "nwpopup.exe");
    EXPECT_EQ(Eval("_INIVALUE[windows]nokey"), "");
    EXPECT_EQ(Eval("_INIVALUE[nosection]load"), "");
    EXPECT_EQ(Eval("_INIVALUE[Empty]load"), "");
    EXPECT_EQ(Eval("_FILEINIVALUE" + ini + "[Other]load"), "wrong");
    run.currentIniFile = "";
    run.currentCmdFile = "";
    run.lastErrorCode = 0;
    EXPECT_EQ(Eval("_FILEINIVALUE" + ini + "[Other]load"), "wrong");
}

TEST_F(SysVars, HighestKeyNumber) {
    run.currentIniFile = ini;
    run.currentCmdFile = "SETUP.CMD";
    run.lastErrorCode = 0;
    EXPECT_EQ(Eval("_MAXNUMKEY[Settings]File"), "12");
    EXPECT_EQ(Eval("_MAXNUMKEY[Settings]Nothing"), "0");
    EXPECT_EQ(Eval("_MAXNUMKEY[Empty]File"), "0");
    EXPECT_EQ(Eval("_MAXNUMKEY[Missing]File"), "0");
    // The last line of the file counts; a key without digits is number 0.
    EXPECT_EQ(Eval("_FILEMAXNUMKEY" + ini + "[Tail]file"), "2");
    o.VerboseMode = 9;
    StartLogCapture(run.log);
    EXPECT_EQ(Eval("_MAXNUMKEY[Settings]Files"), "7");
    std::string log = TakeLogCapture(run.log);
    EXPECT_TRUE(Has(log, Msg("Section/Key found:", "Files7")));
    EXPECT_TRUE(Has(log, Msg("Key <Files> found", " highest value <7>")));
}

TEST_F(SysVars, MissingFiles) {
    std::string missing = dir.Path("SYSTEM.INI");
    o.VerboseMode = 2;
    StartLogCapture(run.log);
    EXPECT_EQ(Eval("_FILEINIVALUE" + missing + "[boot]shell"), "");
    EXPECT_EQ(Eval("_FILEMAXNUMKEY" + missing + "[boot]shell"), "0");
    EXPECT_EQ(TakeLogCapture(run.log),
              Msg("Can't open <" + missing + "> for reading ", " INFILE / ININI VALUE") +
                  Msg("Can't open <" + missing + "> for reading ", " INFILE / ININI VALUE"));
    // No current INI file before any CMD run.
    EXPECT_EQ(Eval("_INIVALUE[windows]load"), "");
}

TEST_F(SysVars, PathParts) {
    EXPECT_EQ(Eval("_DIRNAMEC:\\WINDOWS\\WIN.INI"), "\\WINDOWS\\");
    EXPECT_EQ(Eval("_DRIVENAMEC:\\WINDOWS\\WIN.INI"), "C:");
    EXPECT_EQ(Eval("_FILENAMEC:\\WINDOWS\\WIN.INI"), "WIN.INI");
    EXPECT_EQ(Eval("_DRIVENAMEWIN.INI"), "");
    EXPECT_EQ(Eval("_DIRNAME/etc/app/x.ini"), "/etc/app/");
    EXPECT_EQ(Eval("_FILENAMEa.b/c"), "c");
    EXPECT_EQ(Eval("_FILENAMEC:name.tar.gz"), "name.tar.gz");
    PathParts p = SplitPath("C:\\A.B\\name.tar.gz");
    EXPECT_EQ(p.drive, "C:");
    EXPECT_EQ(p.directory, "\\A.B\\");
    EXPECT_EQ(p.name, "name.tar");
    EXPECT_EQ(p.extension, ".gz");

    EXPECT_EQ(Eval("_INIFILE"), "");
    run.currentIniFile = "C:\\WINDOWS\\WIN.INI";
    run.currentCmdFile = "F:/setup/SETUP.CMD";
    run.lastErrorCode = 0;
    EXPECT_EQ(Eval("_INIFILE"), "WIN.INI");
    EXPECT_EQ(Eval("_INIPATH"), "C:\\WINDOWS\\");
    EXPECT_EQ(Eval("_CMDFILE"), "SETUP.CMD");
    EXPECT_EQ(Eval("_CMDPATH"), "F:/setup/");
}

TEST_F(SysVars, FixedValuesAndUnknownNames) {
    EXPECT_EQ(Eval("_ERRORCODE"), "0");
    run.lastErrorCode = -1;
    EXPECT_EQ(Eval("_ERRORCODE"), "-1");
    EXPECT_EQ(Eval("_VESA"), "Only implemented in plain DOS");
    o.VerboseMode = 3;
    StartLogCapture(run.log);
    EXPECT_EQ(Eval("_inifile"), "_inifile");
    EXPECT_EQ(Eval("_ERRORCODEX"), "_ERRORCODEX");
    EXPECT_EQ(TakeLogCapture(run.log),
              Msg("EVALSysvar currently not implemented : ", "_inifile") +
                  Msg("EVALSysvar currently not implemented : ", "_ERRORCODEX"));
}

TEST_F(SysVars, NetWareWithoutClientLibrary) {
    o.VerboseMode = 1;
    for (const char* name : {"_NW_LOGINNAME", "_NW_FULLNAME", "_NW_LOGINTIME", "_NW_CONNECTION",
                             "_NW_OBJID", "_NW_NICADDR", "_NW_INETADDR"}) {
        StartLogCapture(run.log);
        EXPECT_EQ(Eval(name), "GET_INFO_FAILED") << name;
        EXPECT_EQ(TakeLogCapture(run.log), Msg("Netware support not working")) << name;
    }
}

TEST_F(SysVars, RegistryWithoutAStore) {
    o.VerboseMode = 9;
    StartLogCapture(run.log);
    EXPECT_EQ(Eval("_REGVALUE[HKEY_LOCAL_MACHINE\\Software\\Firm]Path"), "CallError");
    EXPECT_EQ(TakeLogCapture(run.log),
              Msg("RootContext", "HKEY_LOCAL_MACHINE") + Msg("Sub Context", "Software\\Firm") +
                  Msg("Key", "Path") + Msg("Can't open rootkey", "HKEY_LOCAL_MACHINE"));
    o.VerboseMode = 3;
    StartLogCapture(run.log);
    EXPECT_EQ(Eval("_REGVALUE[HKEY_LOCAL_MACHINE]X"), "CallError");
    EXPECT_EQ(TakeLogCapture(run.log), Msg("Context, SubContext or Key is empty"));
    o.VerboseMode = 6;
    StartLogCapture(run.log);
    EXPECT_EQ(Eval("_REGVALUE[HKLM\\Software]X"), "CallError");
    EXPECT_EQ(TakeLogCapture(run.log),
              Msg("RootKey not supported", "HKLM") + Msg("Can't open rootkey", "HKLM"));

    o.VerboseMode = 9;
    StartLogCapture(run.log);
    EXPECT_EQ(Eval("_REGCONTEXTVALUE[HKEY_CURRENT_USER\\Software]\"Name\"=\"a b\""), "CallError");
    std::string log = TakeLogCapture(run.log);
    EXPECT_TRUE(Has(log, Msg("Key", "Name") + Msg("Value", "a b")));
    EXPECT_TRUE(Has(log, Msg("Can't open rootkey", "HKEY_CURRENT_USER")));
    o.VerboseMode = 3;
    StartLogCapture(run.log);
    EXPECT_EQ(Eval("_REGCONTEXTVALUE[HKEY_CURRENT_USER\\Software]"), "CallError");
    EXPECT_EQ(Eval("_REGCONTEXTSUBKEY[\\Software]Firm"), "CallError");
    EXPECT_EQ(TakeLogCapture(run.log),
              Msg("Context or Key is empty") + Msg("Context or Key is empty"));
    o.VerboseMode = 1;
    StartLogCapture(run.log);
    EXPECT_EQ(Eval("_REGCONTEXTSUBKEY[HKEY_LOCAL_MACHINE\\Software]Firm Name"), "CallError");
    EXPECT_EQ(TakeLogCapture(run.log), Msg("Can't open rootkey", "HKEY_LOCAL_MACHINE"));
}

}  // namespace
}  // namespace rivel
