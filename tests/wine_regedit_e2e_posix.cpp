// REGEDIT4 and REGEDIT5 files applied by rivel to a Wine prefix's registry agree with the same
// files imported by Wine's own regedit: both prefixes are exported with regedit and compared. Each
// case runs for this build, which edits the prefix's registry files itself, and for the Windows
// build run under Wine, which goes through the Win32 registry functions to wineserver (named by
// RIVEL_WINDOWS_EXE). Skipped, with a note, where Wine or the Windows build is not at hand.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "rivel_runner.h"

namespace rivel_test {
namespace {

namespace fs = std::filesystem;

std::optional<fs::path> FindOnPath(const std::string& name) {
    const char* path = std::getenv("PATH");
    std::string dirs = path != nullptr ? path : "";
    size_t start = 0;
    while (start <= dirs.size()) {
        size_t end = dirs.find(':', start);
        if (end == std::string::npos) {
            end = dirs.size();
        }
        fs::path candidate = fs::path(dirs.substr(start, end - start)) / name;
        std::error_code ec;
        if (end > start && fs::is_regular_file(candidate, ec)) {
            return candidate;
        }
        start = end + 1;
    }
    return std::nullopt;
}

const char kFirst[] =
    "REGEDIT4\n"
    "\n"
    "[HKEY_CURRENT_USER\\Software\\RivelCmp]\n"
    "\"Str\"=\"a \\\"quoted\\\" C:\\\\dir\\\\\"\n"
    "@=\"default\"\n"
    "\"Bin\"=hex:01,ab,ff\n"
    "\"Exp\"=hex(2):25,53,79,73,74,65,6d,52,6f,6f,74,25,00\n"
    "\"Multi\"=hex(7):6f,6e,65,00,74,77,6f,00,00\n"
    "\"Num\"=dword:0000ffff\n"
    "\"Empty\"=\"\"\n"
    "\"ToDelete\"=\"x\"\n"
    "\n"
    "[HKEY_CURRENT_USER\\Software\\RivelCmp\\Nested\\Deeper]\n"
    "\"X\"=\"y\"\n"
    "\n"
    "[HKEY_CURRENT_USER\\Software\\RivelCmp\\Doomed\\Child]\n"
    "\"C\"=\"1\"\n"
    "\n"
    "[HKEY_LOCAL_MACHINE\\Software\\RivelCmp]\n"
    "\"Machine\"=\"yes\"\n"
    "\"Long\"=hex:00,01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,12,13,14,15,16,\\\n"
    "  17,18,19,1a,1b,1c,1d,1e,1f\n";

const char kSecond[] =
    "REGEDIT4\n"
    "\n"
    "[HKEY_CURRENT_USER\\Software\\RivelCmp]\n"
    "\"ToDelete\"=-\n"
    "\"Num\"=dword:00000002\n"
    "\n"
    "[-HKEY_CURRENT_USER\\Software\\RivelCmp\\Doomed]\n"
    "\n"
    "[HKEY_CURRENT_USER\\Software\\RivelCmp\\Nested]\n"
    "@=\"nested default\"\n";

const char* const kExported[] = {"HKEY_CURRENT_USER\\Software\\RivelCmp",
                                 "HKEY_LOCAL_MACHINE\\Software\\RivelCmp"};

// The build of rivel that applies the files.
enum class Build { Posix, Windows };

void PrintTo(Build build, std::ostream* os) {
    *os << (build == Build::Posix ? "Posix" : "Windows");
}

std::string BuildName(const ::testing::TestParamInfo<Build>& info) {
    return ::testing::PrintToString(info.param);
}

class WineRegedit : public ::testing::TestWithParam<Build> {
  protected:
    void SetUp() override {
        wine = FindOnPath("wine");
        wineserver = FindOnPath("wineserver");
        if (!wine || !wineserver) {
            GTEST_SKIP() << "NOTE: wine is not installed; the comparison with wine regedit is "
                            "skipped";
        }
        if (GetParam() == Build::Windows) {
            const char* exe = std::getenv("RIVEL_WINDOWS_EXE");
            if (exe == nullptr || *exe == '\0') {
                GTEST_SKIP() << "NOTE: RIVEL_WINDOWS_EXE does not name the Windows build's "
                                "rivel.exe; its comparison with wine regedit is skipped";
            }
            windowsRivel = fs::absolute(exe);
            ASSERT_TRUE(fs::is_regular_file(windowsRivel)) << windowsRivel;
        }
    }

    RunResult Wine(const fs::path& prefix, const std::vector<std::string>& args) {
        ScopedEnv env("WINEPREFIX", prefix.string());
        return RunProgram(*wine, args, dir.path());
    }

    // Waits until the prefix's wineserver has ended and written its registry files.
    void WaitForServer(const fs::path& prefix) {
        ScopedEnv env("WINEPREFIX", prefix.string());
        RunProgram(*wineserver, {"-w"}, dir.path());
    }

    // A fresh prefix made once by wineboot and copied for each registry of a case.
    void MakeBase() {
        Wine(base, {"wineboot", "-i"});
        WaitForServer(base);
        ASSERT_TRUE(fs::exists(base / "user.reg"));
    }

    fs::path CopyOfBase(const std::string& name) {
        fs::path copy = dir / name;
        fs::copy(base, copy, fs::copy_options::recursive | fs::copy_options::copy_symlinks);
        return copy;
    }

    // Applies an RCM file (a path relative to the scratch directory or an absolute one) to the
    // prefix's registry with the build under test; its exit status and messages.
    RunResult Apply(const fs::path& prefix, const fs::path& file) {
        if (GetParam() == Build::Posix) {
            ScopedEnv env("WINEPREFIX", prefix.string());
            return RunRivel({"/x", "/r", file.string()}, dir.path());
        }
        std::string name = file.string();
        if (file.is_absolute()) {
            // A Unix path would read as an option: the drive path Wine gives it.
            RunResult path = Wine(prefix, {"winepath", "-w", name});
            name = path.out.substr(0, path.out.find_first_of("\r\n"));
        }
        return Wine(prefix, {windowsRivel.string(), "/x", "/r", name});
    }

    std::string Export(const fs::path& prefix, const std::string& name) {
        std::string all;
        for (const char* key : kExported) {
            fs::path file = dir / (name + ".txt");
            fs::remove(file);
            Wine(prefix, {"regedit", "/e", file.string(), key});
            all += ReadFile(file);
        }
        WaitForServer(prefix);
        return all;
    }

    std::optional<fs::path> wine;
    std::optional<fs::path> wineserver;
    fs::path windowsRivel;
    ScratchDir dir;
    fs::path base = dir / "base";
    ScopedEnv debug{"WINEDEBUG", "-all"};
    ScopedEnv noInstallers{"WINEDLLOVERRIDES", "mscoree,mshtml="};
    ScopedEnv noStore{"RIVEL_REGISTRY", "", true};
};

TEST_P(WineRegedit, Regedit4FilesGiveTheSameRegistry) {
    ASSERT_NO_FATAL_FAILURE(MakeBase());
    WriteFile(dir / "first.reg", kFirst);
    WriteFile(dir / "second.reg", kSecond);

    fs::path peer = CopyOfBase("peer");
    Wine(peer, {"regedit", "/s", (dir / "first.reg").string()});
    Wine(peer, {"regedit", "/s", (dir / "second.reg").string()});
    std::string expected = Export(peer, "peer");

    fs::path mine = CopyOfBase("mine");
    for (const char* file : {"first.reg", "second.reg"}) {
        RunResult r = Apply(mine, file);
        EXPECT_EQ(r.status, 0) << file << "\n" << r.out << r.err;
    }
    std::string actual = Export(mine, "mine");

    ASSERT_GT(expected.size(), 200u);
    EXPECT_EQ(actual, expected);

    if (GetParam() != Build::Posix) {
        return;
    }
    // While a wineserver runs for the prefix it owns the registry: the POSIX build, which edits
    // the registry files itself, changes nothing.
    std::string before = ReadFile(mine / "user.reg");
    {
        ScopedEnv prefix("WINEPREFIX", mine.string());
        RunProgram(*wineserver, {"-p"}, dir.path());
        RunResult r = RunRivel({"/x", "/r", "first.reg"}, dir.path());
        RunProgram(*wineserver, {"-k"}, dir.path());
        EXPECT_NE(r.err.find("Registry in use by wineserver"), std::string::npos) << r.err;
        EXPECT_EQ(r.status, 2);
    }
    WaitForServer(mine);
    EXPECT_EQ(ReadFile(mine / "user.reg"), before);
}

// Text data of a REGEDIT5 file is stored as regedit stores it: an odd last byte after the
// terminating NUL is kept, and so is a character that no ANSI code page has.
TEST_P(WineRegedit, Regedit5OddLengthTextDataGivesTheSameRegistry) {
    ASSERT_NO_FATAL_FAILURE(MakeBase());
    WriteFile(dir / "odd.reg", Utf16File(u"Windows Registry Editor Version 5.00\r\n\r\n"
                                         u"[HKEY_CURRENT_USER\\Software\\RivelCmp]\r\n"
                                         u"\"OddExpand\"=hex(2):25,00,41,00,25,00,00,00,00\r\n"
                                         u"\"OddMulti\"=hex(7):61,00,00,00,00\r\n"
                                         u"\"Wide\"=hex(1):41,00,3a,26,00,00\r\n"));
    fs::path peer = CopyOfBase("peer");
    Wine(peer, {"regedit", "/s", (dir / "odd.reg").string()});
    std::string expected = Export(peer, "peer");

    fs::path mine = CopyOfBase("mine");
    RunResult r = Apply(mine, dir / "odd.reg");
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    std::string actual = Export(mine, "mine");
    ASSERT_NE(expected.find(std::string("O\0d\0d\0", 6)), std::string::npos);
    EXPECT_EQ(actual, expected);
    // An export shows text data up to its NUL: the registry files show every byte.
    auto values = [](const std::string& hive) {
        size_t at = hive.find("\n[Software\\\\RivelCmp] ");
        if (at == std::string::npos) {
            return std::string("<no key>");
        }
        at = hive.find("\n\"", at);
        return hive.substr(at, hive.find("\n\n", at) - at);
    };
    EXPECT_EQ(values(ReadFile(mine / "user.reg")), values(ReadFile(peer / "user.reg")));
    EXPECT_NE(values(ReadFile(peer / "user.reg")).find("=hex(7):61,00,00,00,00\n"),
              std::string::npos);
}

// What today's regedit exports (REGEDIT5: UTF-16LE with a byte-order mark, text of hex(2) and
// hex(7) values in UTF-16) applied by rivel gives the registry that regedit's import of it gives.
TEST_P(WineRegedit, Regedit5ExportGivesTheSameRegistry) {
    ASSERT_NO_FATAL_FAILURE(MakeBase());

    // A source prefix holding every value form, with characters beyond ASCII in names and data.
    const std::u16string seed =
        u"Windows Registry Editor Version 5.00\r\n\r\n"
        u"[HKEY_CURRENT_USER\\Software\\RivelCmp]\r\n"
        u"@=\"d\u00e9faut\"\r\n"
        u"\"Caf\u00e9\"=\"5 \u20ac \\\"q\\\" C:\\\\dir\\\\\"\r\n"
        u"\"Bin\"=hex:01,ab,ff\r\n"
        u"\"Exp\"=hex(2):25,00,e9,00,25,00,00,00\r\n"
        u"\"Multi\"=hex(7):6f,00,ac,20,00,00,74,00,00,00,00,00\r\n"
        u"\"Num\"=dword:0000ffff\r\n"
        u"\r\n"
        u"[HKEY_CURRENT_USER\\Software\\RivelCmp\\N\u00e9sted\\Deeper]\r\n"
        u"\"X\"=\"y\"\r\n";
    WriteFile(dir / "seed.reg", Utf16File(seed));
    fs::path source = CopyOfBase("source");
    Wine(source, {"regedit", "/s", (dir / "seed.reg").string()});
    fs::path exported = dir / "export.reg";
    Wine(source, {"regedit", "/e", exported.string(), "HKEY_CURRENT_USER\\Software\\RivelCmp"});
    WaitForServer(source);
    const std::string text = ReadFile(exported);
    ASSERT_EQ(text.rfind("\xFF\xFEW\0i\0n\0", 0), 0u) << "not a UTF-16 export";
    ASSERT_NE(text.find(std::string("\xAC\x20", 2)), std::string::npos) << "no euro sign";

    fs::path peer = CopyOfBase("peer");
    Wine(peer, {"regedit", "/s", exported.string()});
    std::string expected = Export(peer, "peer");

    fs::path mine = CopyOfBase("mine");
    RunResult r = Apply(mine, exported);
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    std::string actual = Export(mine, "mine");
    ASSERT_NE(expected.find(std::string("N\0\xE9\0s\0", 6)), std::string::npos);
    EXPECT_EQ(actual, expected);

    // A character no ANSI code page has costs that character only: the rest is still applied.
    WriteFile(dir / "wide.reg", Utf16File(u"Windows Registry Editor Version 5.00\r\n\r\n"
                                          u"[HKEY_CURRENT_USER\\Software\\RivelWide]\r\n"
                                          u"\"Smile\"=\"\U0001F600\"\r\n"
                                          u"\"After\"=\"applied\"\r\n"));
    r = Apply(mine, dir / "wide.reg");
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    fs::path wide = dir / "wide-export.reg";
    Wine(mine, {"regedit", "/e", wide.string(), "HKEY_CURRENT_USER\\Software\\RivelWide"});
    WaitForServer(mine);
    EXPECT_NE(ReadFile(wide).find(Utf16File(u"\"After\"=\"applied\"").substr(2)),
              std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Rivel, WineRegedit, ::testing::Values(Build::Posix, Build::Windows),
                         BuildName);

// The comparisons that concern the registry files of the POSIX build alone: the Windows build
// edits through the system's registry, which on Windows refuses keys deeper than 512 levels.
class WineRegeditStore : public WineRegedit {};

// A key nested deeper than Windows allows, made by Wine's regedit, is edited by rivel as regedit
// edits it.
TEST_P(WineRegeditStore, KeysDeeperThanWindowsAllowsAreEditedAsRegeditEditsThem) {
    ASSERT_NO_FATAL_FAILURE(MakeBase());
    std::string path = "HKEY_CURRENT_USER\\Software\\RivelCmp";
    for (int i = 0; i < 600; ++i) {
        path += "\\k";
    }
    WriteFile(dir / "make.reg", "REGEDIT4\n\n[" + path +
                                    "]\n\"Old\"=\"1\"\n\"Gone\"=\"2\"\n\n"
                                    "[" +
                                    path.substr(0, path.size() - 200) + "\\Side]\n\"S\"=\"3\"\n");
    WriteFile(dir / "edit.reg", "REGEDIT4\n\n[" + path +
                                    "]\n\"New\"=\"4\"\n\"Gone\"=-\n\n"
                                    "[-" +
                                    path.substr(0, path.size() - 200) + "\\Side]\n");
    fs::path peer = CopyOfBase("peer");
    Wine(peer, {"regedit", "/s", (dir / "make.reg").string()});
    Wine(peer, {"regedit", "/s", (dir / "edit.reg").string()});
    std::string expected = Export(peer, "peer");

    fs::path mine = CopyOfBase("mine");
    Wine(mine, {"regedit", "/s", (dir / "make.reg").string()});
    WaitForServer(mine);
    RunResult r = Apply(mine, "edit.reg");
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    std::string actual = Export(mine, "mine");
    ASSERT_NE(expected.find(Utf16File(u"\"New\"=\"4\"").substr(2)), std::string::npos);
    EXPECT_EQ(actual, expected);
}

INSTANTIATE_TEST_SUITE_P(Rivel, WineRegeditStore, ::testing::Values(Build::Posix), BuildName);

}  // namespace
}  // namespace rivel_test
