// RCM runs with /p and /x, and RCM files in Unicode, end to end: on the system registry where the
// platform has one, else on a store of registry files in a scratch folder (RIVEL_REGISTRY). The
// same keys are exported in process, before and after the real run, to get the diff a preview
// must print. The keys live below HKEY_CURRENT_USER\Software\RivelTest and are removed after.
#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <map>

#include "registry/hive_store.h"
#include "registry/reg_export.h"
#include "registry/registry_ops.h"
#include "rivel_runner.h"
#include "text/unified_diff.h"

namespace rivel_test {
namespace {

namespace fs = std::filesystem;

std::map<std::string, std::string> Snapshot(const fs::path& root) {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        if (entry.is_regular_file()) {
            files[entry.path().string()] = ReadFile(entry.path());
        }
    }
    return files;
}

class RegistryPreview : public ::testing::Test {
  protected:
    RunResult Run(const std::string& name, const std::string& text,
                  const std::vector<std::string>& options = {}) {
        WriteFile(dir / name, text);
        std::vector<std::string> args = options;
        args.push_back("/r");
        args.push_back(name);
        return RunRivel(args, dir.path());
    }

    void SetUp() override { Forget(); }
    void TearDown() override { Forget(); }

    // The registry as the program sees it, opened afresh.
    std::shared_ptr<rivel::RegistryService> Registry() {
        auto reg = rivel::OpenSystemRegistry();
        return reg ? reg : rivel::OpenHiveStore((dir / "store").string(), nullptr);
    }

    std::string Export(const std::vector<std::string>& keys) {
        return rivel::ExportRegistryKeys(*Registry(), keys);
    }

    void Forget() {
        auto reg = Registry();
        rivel::DeleteKeyTree(*reg, rivel::kHkeyCurrentUser, "Software\\RivelTest");
        reg->Flush();
    }

    ScratchDir dir;
    ScopedEnv store{"RIVEL_REGISTRY", (dir / "store").string()};
    ScopedEnv temp{"TEMP", dir.path().string()};
};

TEST_F(RegistryPreview, PreviewChangesNothingAndShowsTheDiffOfTheRealRun) {
    ASSERT_EQ(Run("seed.reg",
                  "REGEDIT4\n"
                  "[HKEY_CURRENT_USER\\Software\\RivelTest\\Firm]\n"
                  "\"A\"=\"1\"\n"
                  "\"B\"=dword:00000005\n"
                  "\"Keep\"=hex:01,02\n"
                  "[HKEY_CURRENT_USER\\Software\\RivelTest\\Firm\\Gone\\Below]\n"
                  "\"x\"=\"y\"\n"
                  "[HKEY_CURRENT_USER\\Software\\RivelTest\\User]\n"
                  "@=\"user\"\n")
                  .status,
              0);
    WriteFile(dir / "change.reg",
              "REGEDITCMD1\n"
              "[HKEY_CURRENT_USER\\Software\\RivelTest\\Firm]\n"
              "\"A\"=\"2\"\n"
              "$(Seen) := $(_REGVALUE[HKEY_CURRENT_USER\\Software\\RivelTest\\Firm]A)\n"
              "\"Seen\"=\"$(Seen)\"\n"
              "-\"B\"=\"\"\n"
              "+\"C\"=\"new\"\n"
              "-[Gone]\n"
              "E echo ran > ran.txt\n"
              "Oout.txt\n"
              "Whello\n"
              "[HKEY_CURRENT_USER\\Software\\RivelTest\\Firm\\New\\Deep]\n"
              "\"N\"=hex(2):25,41,25,00\n"
              "[HKEY_CURRENT_USER\\Software\\RivelTest\\User]\n"
              "\"Size\"=dword:10\n");
    const std::vector<std::string> keys = {
        "HKEY_CURRENT_USER\\Software\\RivelTest\\Firm",
        "HKEY_CURRENT_USER\\Software\\RivelTest\\Firm\\Gone",
        "HKEY_CURRENT_USER\\Software\\RivelTest\\Firm\\Gone\\Below",
        "HKEY_CURRENT_USER\\Software\\RivelTest\\Firm\\New",
        "HKEY_CURRENT_USER\\Software\\RivelTest\\Firm\\New\\Deep",
        "HKEY_CURRENT_USER\\Software\\RivelTest\\User"};
    const auto files = Snapshot(dir.path());
    const std::string before = Export(keys);

    RunResult preview = RunRivel({"/p", "/r", "change.reg"}, dir.path());
    EXPECT_EQ(preview.status, 0) << preview.err;
    EXPECT_EQ(Snapshot(dir.path()), files);

    RunResult real = RunRivel({"/r", "change.reg"}, dir.path());
    EXPECT_EQ(real.status, 0);
    EXPECT_TRUE(fs::exists(dir / "ran.txt"));
    const std::string after = Export(keys);
    ASSERT_NE(before, after);
    EXPECT_NE(
        after.find(
            "[HKEY_CURRENT_USER\\Software\\RivelTest\\Firm\\New\\Deep]\n\"N\"=hex(2):25,41,25,00"),
        std::string::npos)
        << after;
    EXPECT_EQ(after.find("Gone"), std::string::npos) << after;
    EXPECT_NE(after.find("\"Seen\"=\"2\""), std::string::npos) << after;
    // Commands and file names keep their case where the platform's names depend on it.
    auto named = [](std::string text) {
        for (char& c : text) {
            c = Sep() == '\\' ? static_cast<char>(std::toupper(static_cast<unsigned char>(c))) : c;
        }
        return text;
    };
    EXPECT_EQ(Lf(preview.out),
              "preview: programs are not run; their result ($(_ERRORCODE)) is taken as 0\n"
              "would run: " +
                  named("echo ran > ran.txt") + "\nwould write: " + named("out.txt") + "\n" +
                  rivel::UnifiedDiff("registry", before, after));

    // Once the run has been made, the preview has nothing left to show.
    RunResult again = RunRivel({"/p", "/r", "change.reg"}, dir.path());
    EXPECT_EQ(again.out.find("--- registry"), std::string::npos) << again.out;
}

// An output file that an O line would have written is read by the tests of the lines after it,
// as they read it in the real run.
TEST_F(RegistryPreview, LaterLinesReadTheOutputFileAsItWouldBeWritten) {
    const std::string rcm =
        "REGEDITCMD1\n"
        "Oout.ini\nW[A]\nWk=1\n"
        "Oother.txt\n"
        "IF INFILE out.ini KEY [A] K\n"
        "[HKEY_CURRENT_USER\\Software\\RivelTest\\Firm]\n"
        "\"Seen\"=\"yes\"\n"
        "ENDIF\n";
    const std::vector<std::string> keys = {"HKEY_CURRENT_USER\\Software\\RivelTest\\Firm"};
    ASSERT_EQ(Run("seed.reg", "REGEDIT4\n[" + keys[0] + "]\n\"A\"=\"1\"\n").status, 0);
    const std::string before = Export(keys);
    RunResult preview = Run("out.reg", rcm, {"/p", "/x"});
    EXPECT_EQ(preview.status, 0) << preview.err;
    EXPECT_FALSE(fs::exists(dir / "out.ini"));
    EXPECT_EQ(Export(keys), before);

    RunResult real = RunRivel({"/x", "/r", "out.reg"}, dir.path());
    EXPECT_EQ(real.status, 0) << real.err;
    const std::string after = Export(keys);
    EXPECT_NE(after.find("\"Seen\"=\"yes\""), std::string::npos) << after;
    auto named = [](std::string text) {
        for (char& c : text) {
            c = Sep() == '\\' ? static_cast<char>(std::toupper(static_cast<unsigned char>(c))) : c;
        }
        return text;
    };
    EXPECT_EQ(Lf(preview.out), "would write: " + named("out.ini") +
                                   "\nwould write: " + named("other.txt") + "\n" +
                                   rivel::UnifiedDiff("registry", before, after));
}

TEST_F(RegistryPreview, ExitStatusTellsWhatFailed) {
    const std::string good =
        "REGEDIT4\n[HKEY_CURRENT_USER\\Software\\RivelTest\\Firm]\n\"A\"=\"1\"\n";
    EXPECT_EQ(Run("good.reg", good, {"/x"}).status, 0);
    EXPECT_EQ(RunRivel({"/x", "/r", "missing.reg"}, dir.path()).status, 1);
    EXPECT_EQ(Run("sig.reg", "REGEDIT9\n", {"/x"}).status, 1);
    EXPECT_EQ(Run("sig.reg", "REGEDIT9\n").status, 0);
    RunResult bad =
        Run("bad.reg", "REGEDITCMD1\n[HKEY_CURRENT_USER\\Software\\RivelTest\\Firm]\n?x\n", {"/x"});
    EXPECT_EQ(bad.status, 1);
    EXPECT_NE(bad.err.find("Unknown command"), std::string::npos) << bad.err;
    EXPECT_EQ(
        Run("hex.reg", "REGEDIT4\n[HKEY_CURRENT_USER\\Software\\RivelTest\\Firm]\n\"H\"=hex:0g\n",
            {"/x"})
            .status,
        1);

    EXPECT_EQ(Run("good.reg", good).status, 0);
}

// Values as exported files hold them: the preview's lines read back as the same values, the
// default value refuses a hex form whole, and deleting a value that is gone is no error, so a
// file can be applied again.
TEST_F(RegistryPreview, ExportedFormsReadBackAndRunTwice) {
    const std::string text =
        "REGEDIT4\n[HKEY_CURRENT_USER\\Software\\RivelTest\\Icon]\n"
        "\"Q\"=hex(b):01,00,00,00,00,00,00,00\n"
        "\"Lines\"=hex(1):41,0a,42,00\n"
        "@=hex(2):25,41,25,00\n"
        "\"Old\"=-\n";
    const std::vector<std::string> keys = {"HKEY_CURRENT_USER\\Software\\RivelTest\\Icon"};
    RunResult preview = Run("icon.reg", text, {"/x", "/p"});
    RunResult first = Run("icon.reg", text, {"/x"});
    const std::string after = Export(keys);
    for (const char* line :
         {"\n+\"Q\"=hex(b):01,00,00,00,00,00,00,00\n", "\n+\"Lines\"=hex(1):41,0a,42,00\n"}) {
        EXPECT_NE(Lf(preview.out).find(line), std::string::npos) << preview.out;
    }
    EXPECT_NE(after.find("\"Q\"=hex(b):01,00,00,00,00,00,00,00\n"), std::string::npos) << after;
    EXPECT_NE(after.find("\"Lines\"=hex(1):41,0a,42,00\n"), std::string::npos) << after;
    EXPECT_EQ(after.find("@="), std::string::npos) << after;
    EXPECT_NE(first.err.find("Default-value MUST BE REG_SZ  hex(2):25,41,25,00"), std::string::npos)
        << first.err;
    // Only the refused default value counts as an error, in either run.
    EXPECT_EQ(first.status, 1);
    EXPECT_EQ(Run("icon.reg", text, {"/x"}).status, 1);
    EXPECT_EQ(Run("gone.reg", "REGEDIT4\n[HKEY_CURRENT_USER\\Software\\RivelTest\\Icon]\n\"Q\"=-\n",
                  {"/x"})
                  .status,
              0);
    RunResult again = Run(
        "gone.reg", "REGEDIT4\n[HKEY_CURRENT_USER\\Software\\RivelTest\\Icon]\n\"Q\"=-\n", {"/x"});
    EXPECT_EQ(again.status, 0) << again.err;
}

TEST_F(RegistryPreview, UnicodeFilesReadAsTheirAnsiText) {
    // The same changes as a REGEDIT4 file in ANSI (Windows-1252) and as Unicode exports: the
    // text of hex(2) and hex(7) values is UTF-16LE in the exports.
    const std::string ansi =
        "REGEDIT4\r\n\r\n"
        "[HKEY_CURRENT_USER\\Software\\RivelTest\\Caf\xE9]\r\n"
        "\"Price\"=\"5 \x80\"\r\n"
        "\"Path\"=hex(2):25,41,25,00\r\n"
        "\"List\"=hex(7):e9,00,00\r\n";
    const std::u16string unicode =
        u"Windows Registry Editor Version 5.00\r\n\r\n"
        u"[HKEY_CURRENT_USER\\Software\\RivelTest\\Caf\u00e9]\r\n"
        u"\"Price\"=\"5 \u20ac\"\r\n"
        u"\"Path\"=hex(2):25,00,41,00,25,00,00,00\r\n"
        u"\"List\"=hex(7):e9,00,00,00,00,00\r\n";
    const std::vector<std::string> keys = {"HKEY_CURRENT_USER\\Software\\RivelTest\\Caf\xE9"};
    ASSERT_EQ(Run("ansi.reg", ansi, {"/x"}).status, 0);
    const std::string expected = Export(keys);
    ASSERT_NE(expected.find("\"Price\"=\"5 \x80\""), std::string::npos) << expected;

    std::string utf8 = "\xEF\xBB\xBF";
    for (char16_t unit : unicode) {
        if (unit == 0xE9) {
            utf8 += "\xC3\xA9";
        } else if (unit == 0x20AC) {
            utf8 += "\xE2\x82\xAC";
        } else {
            utf8.push_back(static_cast<char>(unit));
        }
    }
    const std::pair<const char*, std::string> files[] = {
        {"le", Utf16File(unicode)}, {"be", Utf16File(unicode, true)}, {"u8", utf8}};
    for (const auto& [name, bytes] : files) {
        Forget();
        RunResult r = Run(std::string(name) + ".reg", bytes, {"/x"});
        EXPECT_EQ(r.status, 0) << name << r.err;
        EXPECT_EQ(Export(keys), expected) << name;
    }
}

}  // namespace
}  // namespace rivel_test
