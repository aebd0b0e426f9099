#include "script/sysvars.h"

#include <gtest/gtest.h>

#include "base/test_support.h"
#include "platform/files.h"
#include "platform/registry.h"
#include "registry/hive_store.h"

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

TEST_F(SysVars, CurrentFileNamesHaveDrivesOnlyWhereThePlatformHasThem) {
    run.currentIniFile = "c:1.ini";
    run.currentCmdFile = "d:x/y.cmd";
    if (PathSeparator() == '\\') {
        EXPECT_EQ(Eval("_INIFILE"), "1.ini");
        EXPECT_EQ(Eval("_INIPATH"), "c:");
    } else {
        // "c:1.ini" is a file of the current directory: its name is the whole name.
        EXPECT_EQ(Eval("_INIFILE"), "c:1.ini");
        EXPECT_EQ(Eval("_INIPATH"), "");
    }
    EXPECT_EQ(Eval("_CMDFILE"), "y.cmd");
    EXPECT_EQ(Eval("_CMDPATH"), "d:x/");
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

// The registry variables on a store of registry files in a scratch folder.
class RegistryVars : public SysVars {
  protected:
    void SetUp() override {
        store = OpenHiveStore(dir.Path("store"), nullptr);
        run.registry = store;
        Set("Software\\Firm", "Path", kRegSz, std::string("C:\\FIRM\0", 8));
        Set("Software\\Firm", "", kRegSz, std::string("default\0", 8));
        Set("Software\\Firm", "Size", kRegDword, std::string("\1\0\0\0", 4));
        Set("Software\\Firm", "Big", kRegSz, std::string(2000, 'x') + '\0');
        Set("Software\\Other\\A\\B", "Mode", kRegSz, std::string("Fast\0", 5));
        Set("Software\\Other\\A\\Deep\\Firm", "x", kRegSz, std::string("1\0", 2));
    }
    void Set(const std::string& path, const std::string& name, uint32_t type,
             const std::string& data) {
        RegKey key = 0;
        ASSERT_EQ(store->CreateKey(kHkeyLocalMachine, path, key), kErrorSuccess);
        ASSERT_EQ(store->SetValue(key, name, type, data), kErrorSuccess);
        store->CloseKey(key);
    }
    std::shared_ptr<RegistryService> store;
};

TEST_F(RegistryVars, ValuesOfStringsOnly) {
    EXPECT_EQ(Eval("_REGVALUE[HKEY_LOCAL_MACHINE\\Software\\Firm]Path"), "C:\\FIRM");
    EXPECT_EQ(Eval("_REGVALUE[HKEY_LOCAL_MACHINE\\software\\firm]\"path\""), "C:\\FIRM");
    EXPECT_EQ(Eval("_REGVALUE[HKEY_LOCAL_MACHINE\\Software\\Firm]@"), "default");
    // The trace shows the string as it is used: the NUL that ends it in the registry is no
    // byte of a message line.
    o.VerboseMode = 9;
    StartLogCapture(run.log);
    Eval("_REGVALUE[HKEY_LOCAL_MACHINE\\Software\\Firm]Path");
    EXPECT_TRUE(Has(TakeLogCapture(run.log), Msg("Value is ", "C:\\FIRM")));
    o.VerboseMode = 3;
    StartLogCapture(run.log);
    EXPECT_EQ(Eval("_REGVALUE[HKEY_LOCAL_MACHINE\\Software\\Firm]Size"), "CallError");
    EXPECT_EQ(TakeLogCapture(run.log), Msg("Value is not a string"));
    o.VerboseMode = 1;
    StartLogCapture(run.log);
    EXPECT_EQ(Eval("_REGVALUE[HKEY_LOCAL_MACHINE\\Software\\Firm]Big"), "CallError");
    EXPECT_EQ(Eval("_REGVALUE[HKEY_LOCAL_MACHINE\\Software\\None]Path"), "CallError");
    EXPECT_EQ(TakeLogCapture(run.log),
              Msg("Read Value failed") + Msg("Can't open subkey", "Software\\None"));
    o.VerboseMode = 3;
    StartLogCapture(run.log);
    EXPECT_EQ(Eval("_REGVALUE[HKEY_LOCAL_MACHINE]X"), "CallError");
    EXPECT_EQ(TakeLogCapture(run.log), Msg("Context, SubContext or Key is empty"));
    o.VerboseMode = 6;
    StartLogCapture(run.log);
    EXPECT_EQ(Eval("_REGVALUE[HKLM\\Software]X"), "CallError");
    EXPECT_EQ(TakeLogCapture(run.log),
              Msg("RootKey not supported", "HKLM") + Msg("Can't open rootkey", "HKLM"));
}

TEST_F(RegistryVars, ContextsNameTheKeyFound) {
    EXPECT_EQ(Eval("_REGCONTEXTVALUE[HKEY_LOCAL_MACHINE\\Software\\Firm]Path"),
              "[HKEY_LOCAL_MACHINE\\Software\\Firm]");
    EXPECT_EQ(Eval("_REGCONTEXTVALUE[HKEY_LOCAL_MACHINE\\Software]\"MODE\"=\"fast\""),
              "[HKEY_LOCAL_MACHINE\\Software\\Other\\A\\B]");
    EXPECT_EQ(Eval("_REGCONTEXTVALUE[HKEY_LOCAL_MACHINE]\"Mode\""),
              "[HKEY_LOCAL_MACHINE\\Software\\Other\\A\\B]");
    EXPECT_EQ(Eval("_REGCONTEXTSUBKEY[HKEY_LOCAL_MACHINE\\Software]Firm"),
              "[HKEY_LOCAL_MACHINE\\Software\\Firm]");
    EXPECT_EQ(Eval("_REGCONTEXTSUBKEY[HKEY_LOCAL_MACHINE\\Software\\Other]FIRM"),
              "[HKEY_LOCAL_MACHINE\\Software\\Other\\A\\Deep\\FIRM]");
    // What a context variable gives names a key that the value variable then reads.
    std::string context = Eval("_REGCONTEXTVALUE[HKEY_LOCAL_MACHINE\\Software]Mode");
    EXPECT_EQ(Eval("_REGVALUE" + context + "Mode"), "Fast");
    o.VerboseMode = 3;
    StartLogCapture(run.log);
    EXPECT_EQ(Eval("_REGCONTEXTVALUE[HKEY_LOCAL_MACHINE\\Software]\"Mode\"=\"slow\""), "CallError");
    EXPECT_EQ(Eval("_REGCONTEXTVALUE[HKEY_CURRENT_USER\\Software]"), "CallError");
    EXPECT_EQ(Eval("_REGCONTEXTSUBKEY[\\Software]Firm"), "CallError");
    EXPECT_EQ(TakeLogCapture(run.log), Msg("SubKey not found below of", "Software") +
                                           Msg("Context or Key is empty") +
                                           Msg("Context or Key is empty"));
}

}  // namespace
}  // namespace rivel
