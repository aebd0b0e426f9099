// RCM files run end to end: rivel /r on scratch files, with the registry kept in registry files
// in a scratch folder (RIVEL_REGISTRY). The Windows build uses the system registry instead, so
// these cases belong to the POSIX build.
#include <gtest/gtest.h>

#include <filesystem>

#include "rivel_runner.h"

namespace rivel_test {
namespace {

namespace fs = std::filesystem;

class RegistryRun : public ::testing::Test {
  protected:
    RunResult Run(const std::string& name, const std::string& text,
                  const std::vector<std::string>& options = {}) {
        WriteFile(dir / name, text);
        std::vector<std::string> args = options;
        args.push_back("/r");
        args.push_back(name);
        return RunRivel(args, dir.path());
    }

    std::string Hive(const std::string& file) { return ReadFile(dir / "store" / file); }
    void WriteHive(const std::string& file, const std::string& text) {
        fs::create_directories(dir / "store");
        WriteFile(dir / "store" / file, text);
    }

    ScratchDir dir;
    ScopedEnv store{"RIVEL_REGISTRY", (dir / "store").string()};
    ScopedEnv temp{"TEMP", dir.path().string()};
};

bool Has(const std::string& text, const std::string& piece) {
    return text.find(piece) != std::string::npos;
}

TEST_F(RegistryRun, Regedit4FileWithEveryValueForm) {
    RunResult r = Run("a.reg",
                      "; exported\n"
                      "REGEDIT4\n"
                      "\n"
                      "[HKEY_LOCAL_MACHINE\\Software\\Firm]\n"
                      "\"Quote\"=\"say \\\"hi\\\" in C:\\\\dir\\\\\"\n"
                      "@=\"default\"\n"
                      "\"Bin\"=hex:01,ab,\\\n"
                      "  FF\n"
                      "\"Path\"=hex(2):25,41,25,00\n"
                      "\"Size\"=dword:0000ffff\n"
                      "\"Odd\"=hex:01,0g\n"
                      "\"Old\"=\"x\"\n"
                      "\"Old\"=-\n"
                      " \"Indented\"=\"no\"\n"
                      "[HKEY_LOCAL_MACHINE\\Software\\Firm\\A\\B]\n"
                      "\"Deep\"=\"1\"\n"
                      "[HKEY_LOCAL_MACHINE\\Software\\Firm\\Gone\\Below]\n"
                      "[-HKEY_LOCAL_MACHINE\\Software\\Firm\\Gone]\n"
                      "[hkey_local_machine\\Software\\Refused]\n");
    EXPECT_EQ(r.status, 0);
    std::string system = Hive("system.reg");
    EXPECT_TRUE(Has(system, "[Software\\\\Firm] ")) << system;
    std::string firm = system.substr(system.find("[Software\\\\Firm] "));
    firm = firm.substr(firm.find('\n', firm.find("#time=")) + 1);
    EXPECT_EQ(firm.substr(0, firm.find("\n\n") + 1),
              "@=\"default\"\n"
              "\"Bin\"=hex:01,ab,ff\n"
              "\"Odd\"=hex:\n"
              "\"Path\"=str(2):\"%A%\"\n"
              "\"Quote\"=\"say \\\"hi\\\" in C:\\\\dir\\\\\"\n"
              "\"Size\"=dword:0000ffff\n");
    EXPECT_TRUE(Has(system, "[Software\\\\Firm\\\\A\\\\B] ")) << system;
    EXPECT_TRUE(Has(system, "\"Deep\"=\"1\"\n"));
    EXPECT_FALSE(Has(system, "Gone"));
    EXPECT_FALSE(Has(system, "Refused"));
    EXPECT_TRUE(Has(r.err, "Invalid character found")) << r.err;
    EXPECT_TRUE(Has(r.err, "Unknown command")) << r.err;
    EXPECT_FALSE(fs::exists(dir / "store" / "user.reg"));
}

// Bytes of a hex value go on to the end of its text: a blank among them is an invalid character,
// reported and failing the run, never an end that drops the bytes after it unseen.
TEST_F(RegistryRun, HexBytesAfterABlankAreNotDroppedUnreported) {
    RunResult r = Run("spaced.reg",
                      "REGEDIT4\n"
                      "\n"
                      "[HKEY_LOCAL_MACHINE\\Software\\Firm]\n"
                      "\"Spaced\"=hex:01, 02,03\n"
                      "\"Typed\"=hex(3):0a, 0b\n"
                      "\"Commented\"=hex:01,02 ; two bytes\n"
                      "\"Trailing\"=hex:01,\n",
                      {"/x"});
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_TRUE(Has(r.err, "Invalid character found")) << r.err;
    std::string system = Hive("system.reg");
    EXPECT_TRUE(Has(system, "\"Spaced\"=hex:\n")) << system;
    EXPECT_TRUE(Has(system, "\"Typed\"=hex:\n")) << system;
    EXPECT_TRUE(Has(system, "\"Commented\"=hex:01,02\n")) << system;
    EXPECT_TRUE(Has(system, "\"Trailing\"=hex:01\n")) << system;

    r = Run("spaced.rcm",
            "REGEDITCMD1\n"
            "[HKEY_LOCAL_MACHINE\\Software\\Firm]\n"
            "+\"Plus\"=hex:ff, ee\n",
            {"/x"});
    EXPECT_EQ(r.status, 1) << r.err;
    system = Hive("system.reg");
    EXPECT_TRUE(Has(system, "\"Plus\"=hex:\n")) << system;
}

// Text data of a REGEDIT5 file is UTF-16LE as the registry keeps it: every byte given is stored,
// an odd last one and characters no ANSI code page has included, as Wine's regedit stores them.
TEST_F(RegistryRun, Regedit5TextDataIsStoredByteForByte) {
    WriteFile(dir / "odd.reg", Utf16File(u"Windows Registry Editor Version 5.00\r\n\r\n"
                                         u"[HKEY_CURRENT_USER\\Software\\Firm]\r\n"
                                         u"\"Odd\"=hex(1):41,00,42,00,43\r\n"
                                         u"\"OddExpand\"=hex(2):25,00,41,00,25\r\n"
                                         u"\"OddMulti\"=hex(7):61,00,00,00,00\r\n"
                                         u"\"Smile\"=hex(1):3a,26,00,00\r\n"
                                         u"\"Even\"=hex(2):25,00,41,00,25,00,00,00\r\n"));
    std::vector<std::string> args = {"/x", "/r", "odd.reg"};
    RunResult r = RunRivel(args, dir.path());
    EXPECT_EQ(r.status, 0) << r.err;
    std::string user = Hive("user.reg");
    EXPECT_TRUE(Has(user, "\"Odd\"=hex(1):41,00,42,00,43\n")) << user;
    EXPECT_TRUE(Has(user, "\"OddExpand\"=hex(2):25,00,41,00,25\n")) << user;
    EXPECT_TRUE(Has(user, "\"OddMulti\"=hex(7):61,00,00,00,00\n")) << user;
    EXPECT_TRUE(Has(user, "\"Smile\"=\"\\x263a\"\n")) << user;
    EXPECT_TRUE(Has(user, "\"Even\"=str(2):\"%A%\"\n")) << user;
}

TEST_F(RegistryRun, Regeditcmd1WithScriptAndCommands) {
    WriteHive("user.reg",
              "WINE REGISTRY Version 2\n"
              ";; All keys relative to REGISTRY\\\\User\\\\S-1-5-21-0-0-0-1000\n"
              "\n"
              "#arch=win64\n"
              "\n"
              "[Software\\\\Firm] 1000000000\n"
              "#time=1c0f8e1c2f80000\n"
              "\"Home\"=\"C:\\\\FIRM\"\n"
              "\"Keep\"=dword:00000007\n"
              "\"Temp\"=\"x\"\n"
              "\n"
              "[Software\\\\Firm\\\\Sub] 1000000000\n"
              "#time=1c0f8e1c2f80000\n"
              "\"Where\"=\"c:\\\\firm\\\\bin\"\n"
              "\n"
              "[Software\\\\Other] 1000000000\n"
              "#time=1c0f8e1c2f80000\n"
              "\"Untouched\"=\"yes\"\n");
    ScopedEnv who("RCM_WHO", "tester");
    RunResult r = Run("b.rcm",
                      "REGEDITCMD1\n"
                      "[HKEY_CURRENT_USER\\Software\\Firm]*\n"
                      "$(Home) := $(_REGVALUE[HKEY_CURRENT_USER\\Software\\Firm]Home)\n"
                      "o out.txt\n"
                      "IF $(Home) == C:\\FIRM\n"
                      "  w found $(Home)\n"
                      "  \"User\"=\"%RCM_WHO%\"\n"
                      "ELSE\n"
                      "  \"User\"=\"nobody\"\n"
                      "ENDIF\n"
                      "-\"Keep\"=\"any\"\n"
                      "-\"Temp\"=\"any\"\n"
                      "r*\"c:\\\\FIRM\"=\"D:\\\\NEW\"\n"
                      "E exit 4\n"
                      "+\"Code\"=\"$(_ERRORCODE)\"\n"
                      "+\"Not run\"=\"no line end\"");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(Lf(ReadFile(dir / "out.txt")), "FOUND C:\\FIRM\n");
    std::string user = Hive("user.reg");
    EXPECT_TRUE(Has(user, "\"Home\"=\"D:\\\\NEW\"\n")) << user;
    EXPECT_TRUE(Has(user, "\"Where\"=\"D:\\\\NEW\\\\bin\"\n")) << user;
    EXPECT_TRUE(Has(user, "\"User\"=\"tester\"\n")) << user;
    EXPECT_TRUE(Has(user, "\"Keep\"=dword:00000007\n")) << user;  // not a string: kept
    EXPECT_FALSE(Has(user, "Temp")) << user;
    EXPECT_TRUE(Has(user, "\"Code\"=\"4\"\n")) << user;
    EXPECT_FALSE(Has(user, "Not run")) << user;
    // The key nobody touched is written back as it was.
    EXPECT_TRUE(Has(user,
                    "\n\n[Software\\\\Other] 1000000000\n#time=1c0f8e1c2f80000\n"
                    "\"Untouched\"=\"yes\"\n"))
        << user;
}

TEST_F(RegistryRun, RegeditLinesAndSignatures) {
    Run("c.reg",
        "REGEDIT\n"
        "HKEY_CLASSES_ROOT\\.txt = txtfile\n"
        "HKEY_CLASSES_ROOT\\.ini\n");
    std::string system = Hive("system.reg");
    EXPECT_TRUE(Has(system, "[Software\\\\Classes\\\\.txt] ")) << system;
    EXPECT_TRUE(Has(system, "@=\"txtfile\"\n")) << system;
    EXPECT_TRUE(Has(system, "@=\"HKEY_CLASSES_ROOT\\\\.ini\"\n")) << system;

    RunResult r = Run("d.reg", "REGEDIT4 \n[HKEY_CURRENT_USER\\Software\\X]\n");
    EXPECT_TRUE(Has(r.err, "Unknown REGCommand signature")) << r.err;
    r = Run("e.reg", "REGEDIT4\n[HKEY_CURRENT_USER\\Software\\X]\n", {"/v0"});
    EXPECT_EQ(r.err.find("Unknown"), std::string::npos);
    EXPECT_TRUE(Has(Hive("user.reg"), "[Software\\\\X] "));
}

// A value of a root key lies on the hive's own key, which the file writes as "[]" (as Wine
// does); later runs read it back and keep it.
TEST_F(RegistryRun, ValuesOfTheRootKeyItself) {
    RunResult r = Run("root.reg", "REGEDIT4\n\n[HKEY_CURRENT_USER]\n\"x\"=\"1\"\n", {"/x"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(Has(Hive("user.reg"), "\n[] ")) << Hive("user.reg");
    r = Run("more.reg", "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Y]\n\"y\"=\"2\"\n", {"/x"});
    EXPECT_EQ(r.status, 0) << r.err;
    const std::string user = Hive("user.reg");
    EXPECT_TRUE(Has(user, "\n[] ")) << user;
    EXPECT_TRUE(Has(user, "\"x\"=\"1\"")) << user;
    EXPECT_TRUE(Has(user, "\"y\"=\"2\"")) << user;
}

TEST_F(RegistryRun, StoreThatCannotBeWrittenGivesExitStatusTwo) {
    // The store's folder would have to be made inside a plain file.
    WriteFile(dir / "plain", "");
    ScopedEnv blocked("RIVEL_REGISTRY", (dir / "plain" / "store").string());
    const std::string good = "REGEDIT4\n[HKEY_LOCAL_MACHINE\\Software\\Firm]\n\"A\"=\"1\"\n";
    RunResult r = Run("good.reg", good, {"/x"});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("Can't write registry file"), std::string::npos) << r.err;
    EXPECT_EQ(Run("good.reg", good).status, 0);
}

// "k\\k\\...\\k" (in a registry file) or "k\k\...\k" (in an RCM file), depth components.
std::string DeepPath(int depth, const std::string& separator) {
    std::string path = "k";
    for (int i = 1; i < depth; ++i) {
        path += separator + "k";
    }
    return path;
}

// Wine makes keys nested deeper than the 512 levels of Windows; a registry holding them is edited
// like any other: what is not changed stays byte for byte, and deep trees are searched and
// deleted whole. Keys that deep are still not made by rivel itself.
TEST_F(RegistryRun, KeysThousandsDeepAreKeptEditedAndDeleted) {
    const std::string head =
        "WINE REGISTRY Version 2\n"
        ";; All keys relative to REGISTRY\\\\User\\\\S-1-5-21-0-0-0-1000\n"
        "\n"
        "#arch=win64\n"
        "\n"
        "[Software\\\\Deep\\\\" +
        DeepPath(3000, "\\\\") +
        "] 1000000000\n"
        "#time=1c0f8e1c2f80000\n"
        "\"Path\"=\"C:\\\\FIRM\\\\bin\"\n"
        "\n"
        "[Software\\\\Deep\\\\" +
        DeepPath(3000, "\\\\") +
        "\\\\Bottom] 1000000000\n"
        "#time=1c0f8e1c2f80000\n"
        "\"B\"=\"1\"\n"
        "\n"
        "[Software\\\\Doomed\\\\" +
        DeepPath(3000, "\\\\") +
        "] 1000000000\n"
        "#time=1c0f8e1c2f80000\n"
        "\"X\"=\"1\"\n";
    const std::string kept =
        "\n"
        "[Software\\\\Kept\\\\" +
        DeepPath(3000, "\\\\") +
        "] 1000000000\n"
        "#time=1c0f8e1c2f80000\n"
        "\"Same\"=\"C:\\\\FIRM\"\n";
    WriteHive("user.reg", head + kept);
    RunResult r = Run("deep.reg",
                      "REGEDIT4\n"
                      "\n"
                      "[HKEY_CURRENT_USER\\Software\\Deep\\" +
                          DeepPath(3000, "\\") +
                          "]\n"
                          "\"Added\"=\"yes\"\n"
                          "\n"
                          "[-HKEY_CURRENT_USER\\Software\\Doomed]\n",
                      {"/x"});
    EXPECT_EQ(r.status, 0) << r.err;
    std::string user = Hive("user.reg");
    EXPECT_TRUE(Has(user, "\"Added\"=\"yes\"\n\"Path\"=\"C:\\\\FIRM\\\\bin\"\n")) << r.err;
    EXPECT_FALSE(Has(user, "Doomed"));
    EXPECT_EQ(user.substr(user.size() - kept.size()), kept);

    r = Run("deep.rcm",
            "REGEDITCMD1\n"
            "[HKEY_CURRENT_USER\\Software\\Deep]*\n"
            "r*\"c:\\\\FIRM\"=\"D:\\\\NEW\"\n"
            "[HKEY_CURRENT_USER\\Software]\n"
            "+\"Value\"=\"$(_REGCONTEXTVALUE[HKEY_CURRENT_USER\\Software\\Kept]Same)\"\n"
            "+\"Key\"=\"$(_REGCONTEXTSUBKEY[HKEY_CURRENT_USER\\Software\\Deep]bottom)\"\n",
            {"/x"});
    EXPECT_EQ(r.status, 0) << r.err;
    user = Hive("user.reg");
    EXPECT_TRUE(Has(user, "\"Path\"=\"D:\\\\NEW\\\\bin\"\n")) << r.err;
    // Registry searches find what lies thousands of keys below where they start.
    EXPECT_TRUE(Has(user, "\"Value\"=\"[HKEY_CURRENT_USER\\\\Software\\\\Kept\\\\" +
                              DeepPath(3000, "\\\\") + "]\"\n"))
        << r.err;
    EXPECT_TRUE(Has(user, "\"Key\"=\"[HKEY_CURRENT_USER\\\\Software\\\\Deep\\\\" +
                              DeepPath(3000, "\\\\") + "\\\\bottom]\"\n"))
        << r.err;
    EXPECT_EQ(user.substr(user.size() - kept.size()), kept);

    r = Run("deeper.reg",
            "REGEDIT4\n"
            "\n"
            "[HKEY_CURRENT_USER\\Software\\New\\" +
                DeepPath(600, "\\") +
                "]\n"
                "\"Too\"=\"deep\"\n",
            {"/x"});
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_TRUE(Has(r.err, "CreateKey failed for")) << r.err;
    EXPECT_FALSE(Has(Hive("user.reg"), "Software\\\\New"));
}

TEST_F(RegistryRun, DamagedRegistryFileIsLeftAlone) {
    const std::string damaged = "WINE REGISTRY Version 2\n\n[Software\\\\Firm] 1\n\"Cut\"=\"no end";
    WriteHive("system.reg", damaged);
    RunResult r = Run("f.reg", "REGEDIT4\n[HKEY_LOCAL_MACHINE\\Software\\Firm]\n\"A\"=\"1\"\n");
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(Has(r.err, "Registry file damaged")) << r.err;
    EXPECT_TRUE(Has(r.err, "CreateKey failed for")) << r.err;
    EXPECT_EQ(ReadFile(dir / "store" / "system.reg"), damaged);
}

TEST_F(RegistryRun, BundledExampleSetsThePathOnce) {
    fs::copy_file(ExamplesDir() / "REGISTRY.RCM", dir / "REGISTRY.RCM");
    ScopedEnv userName("USER", "alice");
    RunResult r = RunRivel({"/r", "REGISTRY.RCM"}, dir.path());
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(Lf(ReadFile(dir / "REGISTRY.TXT")), "PATH SET\n");
    std::string user = Hive("user.reg");
    EXPECT_TRUE(Has(user, "[Software\\\\Firm\\\\App] ")) << user;
    EXPECT_TRUE(
        Has(user,
            "\"Colors\"=hex:00,80,ff\n\"Path\"=\"C:\\\\FIRM\\\\APP\"\n\"Runs\"=dword:00000001\n"
            "\"User\"=\"alice\"\n\"Version\"=\"2.1\"\n"))
        << user;
    RunRivel({"/r", "REGISTRY.RCM"}, dir.path());
    EXPECT_EQ(Lf(ReadFile(dir / "REGISTRY.TXT")), "PATH KEPT C:\\FIRM\\APP\n");
}

}  // namespace
}  // namespace rivel_test
