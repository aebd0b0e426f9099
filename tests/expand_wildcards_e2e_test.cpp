// Wildcards in the first file name: every match gets the run, in a repeatable order.
#include <gtest/gtest.h>

#include <filesystem>

#include "rivel_runner.h"

namespace rivel_test {
namespace {

namespace fs = std::filesystem;

std::string Path(std::initializer_list<const char*> parts) {
    std::string path = ".";
    for (const char* part : parts) {
        path += Sep();
        path += part;
    }
    return path;
}

// The texts of the lines with the given label, in order.
std::vector<std::string> Lines(const std::string& err, const std::string& label) {
    std::vector<std::string> found;
    std::string text = Lf(err);
    for (size_t at = text.find(label); at != std::string::npos; at = text.find(label, at + 1)) {
        size_t end = text.find('\n', at);
        std::string line = text.substr(at, end - at);
        size_t value = line.find_first_not_of(' ', label.size());
        found.push_back(value == std::string::npos ? "" : line.substr(value));
    }
    return found;
}

TEST(Wildcards, IniRunEditsEveryMatchingFile) {
    ScratchDir dir;
    // Kept copies whose names only begin like a match: where files have short (8.3) names,
    // those of these match "*.ini" too, but they are not what the pattern names.
    for (const char* name : {"a.ini", "b.ini", "c.txt", "a.ini~", "a.ini_orig", "long.ini1"}) {
        WriteFile(dir / name, "[s]\nk=1\n");
    }
    WriteFile(dir / "e.cmd", "+[s]k=2\n");
    RunResult r = RunRivel({"/!", "*.ini", "e.cmd"}, dir.path());
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(Lf(ReadFile(dir / "a.ini")), "[s]\nk=2\n");
    EXPECT_EQ(Lf(ReadFile(dir / "b.ini")), "[s]\nk=2\n");
    for (const char* name : {"c.txt", "a.ini~", "a.ini_orig", "long.ini1"}) {
        EXPECT_EQ(ReadFile(dir / name), "[s]\nk=1\n") << name;
    }
}

// "*.*" names every file and directory on Windows, those without an extension too, whether or
// not they also have a short (8.3) name.
TEST(Wildcards, StarDotStarMatchesNamesWithoutExtensionOnWindows) {
    if (Sep() != '\\') {
        GTEST_SKIP() << "Windows names only";
    }
    ScratchDir dir;
    fs::create_directory(dir / "files");
    for (const char* name : {"a.ini", "noext", "longfilename"}) {
        WriteFile(dir / "files" / name, "[s]\nk=1\n");
    }
    for (const char* name : {"JSMITH", "Administrator"}) {
        fs::create_directories(dir / "home" / name);
        WriteFile(dir / "home" / name / "u.ini", "[s]\nk=1\n");
    }
    WriteFile(dir / "e.cmd", "+[s]k=2\n");
    RunResult r = RunRivel({"/!", "/x", Path({"files", "*.*"}), "e.cmd"}, dir.path());
    EXPECT_EQ(r.status, 0) << r.err;
    for (const char* name : {"a.ini", "noext", "longfilename"}) {
        EXPECT_EQ(Lf(ReadFile(dir / "files" / name)), "[s]\nk=2\n") << name;
    }
    r = RunRivel({"/!", "/x", Path({"home", "*.*", "u.ini"}), "e.cmd"}, dir.path());
    EXPECT_EQ(r.status, 0) << r.err;
    for (const char* name : {"JSMITH", "Administrator"}) {
        EXPECT_EQ(Lf(ReadFile(dir / "home" / name / "u.ini")), "[s]\nk=2\n") << name;
    }
}

TEST(Wildcards, ComponentsAreExpandedOneAfterAnother) {
    ScratchDir dir;
    fs::create_directories(dir / "users" / "ann");
    fs::create_directories(dir / "users" / "bob" / "win");
    fs::create_directories(dir / "users" / "cy" / "win");
    WriteFile(dir / "users" / "ann" / "other.ini", "[s]\nk=1\n");
    WriteFile(dir / "users" / "bob" / "win" / "win.ini", "[s]\nk=1\n");
    WriteFile(dir / "users" / "bob" / "win" / "sys.ini", "[s]\nk=1\n");
    WriteFile(dir / "users" / "cy" / "win" / "win.ini", "[s]\nk=1\n");
    WriteFile(dir / "users" / "file.ini", "[s]\nk=1\n");
    WriteFile(dir / "e.cmd", "+[s]k=2\n");
    RunResult r =
        RunRivel({"/!", "/v9", Path({"users", "*", "win", "w?n.ini"}), "e.cmd"}, dir.path());
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(Lf(ReadFile(dir / "users" / "bob" / "win" / "win.ini")), "[s]\nk=2\n");
    EXPECT_EQ(Lf(ReadFile(dir / "users" / "cy" / "win" / "win.ini")), "[s]\nk=2\n");
    EXPECT_EQ(Lf(ReadFile(dir / "users" / "bob" / "win" / "sys.ini")), "[s]\nk=1\n");
    EXPECT_EQ(Lf(ReadFile(dir / "users" / "ann" / "other.ini")), "[s]\nk=1\n");
    EXPECT_FALSE(fs::exists(dir / "users" / "ann" / "win"));

    EXPECT_EQ(
        Lines(r.err, "Eval string path"),
        (std::vector<std::string>{
            Path({"users", "*", "win", "w?n.ini"}), Path({"users", "ann", "win", "w?n.ini"}),
            Path({"users", "bob", "win", "w?n.ini"}), Path({"users", "cy", "win", "w?n.ini"})}));
    std::vector<std::string> before = Lines(r.err, "Part before wildcard :");
    ASSERT_EQ(before.size(), 4u);
    EXPECT_EQ(before[0], Path({"users", ""}));
    EXPECT_EQ(before[2], Path({"users", "bob", "win", ""}));
    std::vector<std::string> incl = Lines(r.err, "Part incl.  wildcard :");
    ASSERT_EQ(incl.size(), 4u);
    EXPECT_EQ(incl[0], Path({"users", "*"}));
    std::vector<std::string> after = Lines(r.err, "Part after  wildcard :");
    ASSERT_EQ(after.size(), 4u);
    EXPECT_EQ(after[0], std::string(1, Sep()) + "win" + Sep() + "w?n.ini");
    EXPECT_EQ(after[1], "");
}

TEST(Wildcards, SecondNameMustNotHoldWildcards) {
    ScratchDir dir;
    WriteFile(dir / "a.ini", "[s]\nk=1\n");
    WriteFile(dir / "e.cmd", "+[s]k=2\n");
    RunResult r = RunRivel({"/!", "/v1", "*.ini", "e?.cmd"}, dir.path());
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(Lf(r.err).substr(0, 44), "Wildcards only supported in filename 1 !!!!\n");
    EXPECT_EQ(ReadFile(dir / "a.ini"), "[s]\nk=1\n");

    // The compiler run gets the two names as they are, and cannot open the GRI file.
    r = RunRivel({"/!", "/v1", "/c", "*.grp", "x*.gri"}, dir.path());
    EXPECT_EQ(Lf(r.out), "Can't open GRI-File\n");
}

TEST(Wildcards, MatchesAreProcessedInNameOrder) {
    ScratchDir dir;
    for (const char* name : {"m.grp", "b.grp", "x.grp", "a.grp"}) {
        WriteFile(dir / name, "");
    }
    WriteFile(dir / "g.gri", "[Group Info]\n");
    RunResult r = RunRivel({"/!", "/v5", "/c", "?.grp", "g.gri"}, dir.path());
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(Lines(r.err, "GRP-CO-GRP: "),
              (std::vector<std::string>{Path({"a.grp"}), Path({"b.grp"}), Path({"m.grp"}),
                                        Path({"x.grp"})}));
    EXPECT_EQ(ReadFile(dir / "m.grp").substr(0, 4), "PMCC");
}

TEST(Wildcards, NoMatchMeansNoRunAndNoMessage) {
    ScratchDir dir;
    WriteFile(dir / "e.cmd", "+[s]k=2\n");
    RunResult r = RunRivel({"/!", "*.none", "e.cmd"}, dir.path());
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "");
}

// Another run's work files (the new version it is writing, a group's text, its lock) lie among
// the user's files for a moment; a wildcard never takes them for files to edit.
TEST(Wildcards, OtherRunsWorkFilesAreNoMatches) {
    ScratchDir dir;
    fs::create_directory(dir / "conf");
    const std::vector<std::string> work =
        Sep() == '\\'
            ? std::vector<std::string>{"~rvl123456.tmp", "rvg0012abcd.tmp", "B.INI.rvlock"}
            : std::vector<std::string>{".A.INI.rvlk3x9q2ab", "rvgQ1w2E3"};
    for (const std::string& name : work) {
        WriteFile(dir / "conf" / name, "[s]\nk=1\n");
    }
    WriteFile(dir / "conf" / "A.INI", "[s]\nk=1\n");
    WriteFile(dir / "conf" / "rvg.ini", "[s]\nk=1\n");
    WriteFile(dir / "e.cmd", "+[s]k=2\n");
    RunResult r = RunRivel({"/!", "/x", "/v1", Path({"conf", "*"}), "e.cmd"}, dir.path());
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Lf(ReadFile(dir / "conf" / "A.INI")), "[s]\nk=2\n");
    EXPECT_EQ(Lf(ReadFile(dir / "conf" / "rvg.ini")), "[s]\nk=2\n");
    for (const std::string& name : work) {
        EXPECT_EQ(ReadFile(dir / "conf" / name), "[s]\nk=1\n") << name;
    }
}

// "\\?\" before a full Windows name is the prefix of its long form, not a wildcard: the name is
// the file itself, and a wildcard after the prefix still matches.
TEST(Wildcards, TheLongNamePrefixOfWindowsIsNoWildcard) {
    if (Sep() != '\\') {
        GTEST_SKIP() << "Windows names only";
    }
    ScratchDir dir;
    const std::string longDir = "\\\\?\\" + fs::absolute(dir.path()).string() + "\\";
    WriteFile(dir / "a.ini", "[s]\nk=1\n");
    WriteFile(dir / "b.ini", "[s]\nk=1\n");
    WriteFile(dir / "e.cmd", "+[s]k=2\n");
    WriteFile(dir / "f.cmd", "+[s]k=3\n");
    RunResult r = RunRivel({"/!", "/x", "/v1", longDir + "a.ini", longDir + "e.cmd"}, dir.path());
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(Lf(ReadFile(dir / "a.ini")), "[s]\nk=2\n");
    EXPECT_EQ(ReadFile(dir / "b.ini"), "[s]\nk=1\n");

    r = RunRivel({"/!", "/x", "/v1", longDir + "*.ini", "f.cmd"}, dir.path());
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Lf(ReadFile(dir / "a.ini")), "[s]\nk=3\n");
    EXPECT_EQ(Lf(ReadFile(dir / "b.ini")), "[s]\nk=3\n");
}

}  // namespace
}  // namespace rivel_test
