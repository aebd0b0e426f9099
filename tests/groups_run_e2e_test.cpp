// The GRP run (/g): a CMD file applied to a program group through a temporary GRI file.
#include <gtest/gtest.h>

#include <filesystem>

#include "rivel_runner.h"

namespace rivel_test {
namespace {

namespace fs = std::filesystem;

fs::path Examples() {
    if (!ExamplesDir().empty()) {
        return ExamplesDir();
    }
    return fs::current_path().parent_path() / "examples";
}

// The item sections of a decompiled group, from its "[Group Info]" line on, with LF line ends.
std::string Decompiled(const ScratchDir& dir, const std::string& grp) {
    RunRivel({"/!", "/d", grp, "view.gri"}, dir.path());
    std::string text = Lf(ReadFile(dir / "view.gri"));
    size_t at = text.find("[Group Info]");
    return at == std::string::npos ? "" : text.substr(at);
}

size_t FilesIn(const fs::path& dir) {
    size_t count = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(dir)) {
        ++count;
    }
    return count;
}

TEST(GroupRun, BundledExampleEditsAnItem) {
    fs::path examples = Examples();
    if (!fs::exists(examples / "DEMO.GRI")) {
        GTEST_SKIP() << "examples not found at " << examples;
    }
    ScratchDir dir;
    fs::create_directories(dir / "tmp");
    ScopedEnv temp("TEMP", (dir / "tmp").string());
    for (const char* name : {"DEMO.GRI", "DEMO.GRP", "GROUP.CMD"}) {
        fs::copy_file(examples / name, dir / name);
    }
    // The bundled group file is the compiled DEMO.GRI, byte for byte.
    RunResult r = RunRivel({"/!", "/c", "NEW.GRP", "DEMO.GRI"}, dir.path());
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(ReadFile(dir / "NEW.GRP"), ReadFile(dir / "DEMO.GRP"));

    r = RunRivel({"/!", "/b", "/g", "DEMO.GRP", "GROUP.CMD"}, dir.path());
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(FilesIn(dir / "tmp"), 0u);  // the temporary GRI file is gone
    // The group got its backup; its temporary GRI text got none.
    EXPECT_EQ(ReadFile(dir / "DEMO.GRb"), ReadFile(examples / "DEMO.GRP"));
    EXPECT_EQ(FilesIn(dir.path()), 6u);
    EXPECT_EQ(Decompiled(dir, "DEMO.GRP"),
              "[Group Info]\nDisplay=SW_SHOWNORMAL\nUpperLeftX=20\nUpperLeftY=20\n"
              "LowerRightX=420\nLowerRightY=220\nPosX=21\nPosY=14\nPRGName=Office Tools\n"
              "\n[Notepad]\nIconFile=C:\\WINDOWS\\NOTEPAD.EXE\nIconPosX=16\nIconPosY=8\nIconNr=0\n"
              "EXEDir=C:\\WINDOWS\\\nCommand=NOTEPAD.EXE TODO.TXT\nPath=C:\\WORK\n"
              "\n[Calculator]\nIconFile=C:\\WINDOWS\\CALC.EXE\nIconPosX=96\nIconPosY=8\n"
              "IconNr=0\nEXEDir=C:\\WINDOWS\\\nCommand=CALC.EXE\nShortCut=1603\n"
              "\n[Write]\nIconFile=C:\\WINDOWS\\WRITE.EXE\nIconPosX=256\nIconPosY=8\nIconNr=0\n"
              "Command=WRITE.EXE\n");
}

// A program that the group's CMD file starts runs while the group run waits for it, holding
// the group's lock: a rivel started so edits the files beside the group (and the group's own
// folder) at once instead of waiting for that lock until it gives up.
TEST(GroupRun, ProgramsOfTheCommandFileShareTheRunsLocks) {
    fs::path examples = Examples();
    if (!fs::exists(examples / "DEMO.GRP")) {
        GTEST_SKIP() << "examples not found at " << examples;
    }
    ScratchDir dir;
    ScopedEnv temp("TEMP", dir.path().string());
    ScopedEnv wait("RIVEL_LOCK_WAIT", "3");
    fs::copy_file(examples / "DEMO.GRP", dir / "PROGMAN.GRP");
    WriteFile(dir / "win.ini", "[windows]\nload=\n");
    WriteFile(dir / "win.cmd", "+[windows]load=nwpopup.exe\n");
    std::string child = "\"";
    child.append(RivelPath().string()).append("\" /x win.ini win.cmd\n");
    std::string commands = "+[Notepad]IconNr=1\nE ";
    commands.append(child).append("$(FIRST) := $(_ERRORCODE)\n+[Notepad]Path=C:\\$(FIRST)\nEA ");
    commands.append(child);
    WriteFile(dir / "grp.cmd", commands);
    RunResult r = RunRivel({"/x", "/g", "PROGMAN.GRP", "grp.cmd"}, dir.path());
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err.find("in use"), std::string::npos) << r.err;
    EXPECT_EQ(Lf(ReadFile(dir / "win.ini")), "[windows]\nload=nwpopup.exe\n");
    EXPECT_NE(Decompiled(dir, "PROGMAN.GRP").find("Path=C:\\0\n"), std::string::npos);

    // The same group named otherwise by the program (by its full name, by a relative one):
    // still the lock the run holds.
    WriteFile(dir / "child.cmd", "+[Notepad]IconNr=2\n");
    std::string same = "E \"";
    same.append(RivelPath().string()).append("\" /x /g PROGMAN.GRP child.cmd\n");
    same.append("$(SAME) := $(_ERRORCODE)\n+[Notepad]Path=C:\\$(SAME)\n");
    WriteFile(dir / "same.cmd", same);
    r = RunRivel({"/x", "/g", (dir / "PROGMAN.GRP").string(), "same.cmd"}, dir.path());
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err.find("in use"), std::string::npos) << r.err;
    EXPECT_NE(Decompiled(dir, "PROGMAN.GRP").find("Path=C:\\0\n"), std::string::npos);
}

TEST(GroupRun, EveryMatchedGroupGetsItsOwnPass) {
    ScratchDir dir;
    fs::create_directories(dir / "tmp");
    ScopedEnv temp("TEMP", (dir / "tmp").string());
    WriteFile(dir / "a.gri", "[Group Info]\nPRGName=A\n[Edit]\nCommand=OLD.EXE\n");
    WriteFile(dir / "b.gri", "[Group Info]\nPRGName=B\n[Edit]\nCommand=OLD.EXE\n[Other]\n");
    RunRivel({"/!", "/c", "a.grp", "a.gri"}, dir.path());
    RunRivel({"/!", "/c", "b.grp", "b.gri"}, dir.path());
    WriteFile(dir / "e.cmd", "+[Edit]Command=NEW.EXE\n+[Edit]Minimized=1\n");
    RunResult r = RunRivel({"/!", "/v9", "/g", "*.grp", "e.cmd"}, dir.path());
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(FilesIn(dir / "tmp"), 0u);
    // Two decompiles into two different temporary files.
    std::string err = Lf(r.err);
    size_t first = err.find("GRP-DC-GRI: ");
    ASSERT_NE(first, std::string::npos);
    size_t second = err.find("GRP-DC-GRI: ", first + 1);
    ASSERT_NE(second, std::string::npos);
    EXPECT_NE(err.substr(first, err.find('\n', first) - first),
              err.substr(second, err.find('\n', second) - second));
    for (const char* grp : {"a.grp", "b.grp"}) {
        std::string text = Decompiled(dir, grp);
        EXPECT_NE(text.find("[Edit]\nIconFile=\nIconPosX=0\nIconPosY=0\nIconNr=0\n"
                            "Command=NEW.EXE\nMinimized=1\n"),
                  std::string::npos)
            << grp << "\n"
            << text;
    }
    EXPECT_NE(Decompiled(dir, "b.grp").find("\n[Other]\n"), std::string::npos);
}

// Without TEMP and TMP the warning comes with each of the run's work files: the GRI text of
// the group, and the new version of that text written by the edit.
TEST(GroupRun, EachWorkFileWarnsOfMissingTempVariables) {
    ScratchDir dir;
    NoTempVariables noTemp;
    WriteFile(dir / "g.gri", "[Group Info]\nPosX=21\n");
    RunRivel({"/!", "/c", "g.grp", "g.gri"}, dir.path());
    WriteFile(dir / "e.cmd", "+[Group Info]PosX=5\n");
    RunResult r = RunRivel({"/!", "/v9", "/g", "g.grp", "e.cmd"}, dir.path());
    const std::string err = Lf(r.err);
    size_t found = 0;
    for (size_t at = err.find("\nTEMP or TMP environment not found\nTMP-Name&Path :");
         at != std::string::npos;
         at = err.find("\nTEMP or TMP environment not found\nTMP-Name&Path :", at + 1)) {
        // Told between the bare name and the full name of the file.
        EXPECT_EQ(err.rfind("\nTMPFilename :", at), err.rfind('\n', at - 1)) << err;
        ++found;
    }
    EXPECT_EQ(found, 2u) << err;
    EXPECT_NE(Decompiled(dir, "g.grp").find("\nPosX=5\n"), std::string::npos);
}

TEST(GroupRun, MissingGroupFileIsMadeFromTheCommands) {
    ScratchDir dir;
    WriteFile(dir / "e.cmd", "+[Group Info]PRGName=Fresh\n+[Tool]Command=TOOL.EXE\n");
    RunResult r = RunRivel({"/!", "/g", "new.grp", "e.cmd"}, dir.path());
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(Lf(r.out), std::string("Can't open inputfile <.") + Sep() + "new.grp>\n");
    std::string text = Decompiled(dir, "new.grp");
    EXPECT_NE(text.find("PRGName=Fresh\n"), std::string::npos) << text;
    EXPECT_NE(text.find("[Tool]\n"), std::string::npos) << text;
}

TEST(GroupRun, GroupThatCannotBeReadWholeIsLeftAsItWas) {
    ScratchDir dir;
    WriteFile(dir / "g.gri", "[Group Info]\nPRGName=G\n[One]\nCommand=ONE.EXE\nPath=C:\\ONE\n");
    RunRivel({"/!", "/c", "g.grp", "g.gri"}, dir.path());
    std::string grp = ReadFile(dir / "g.grp");
    // A tag record of size 0 after the first one: read naively, the tag scan would never move.
    size_t tag = grp.find("PMCC", 4) + 4;
    ASSERT_LT(tag + 6, grp.size());
    std::string damaged = grp;
    damaged[tag + 4] = 0;
    damaged[tag + 5] = 0;
    WriteFile(dir / "e.cmd", "+[One]IconNr=4\n+[Two]Command=TWO.EXE\n");
    const std::string notAGroup = "[windows]\nload=x\nrun=y\ndevice=z\nshell=explorer.exe\n";
    const std::vector<std::pair<std::string, std::string>> cases = {
        {damaged, "Inputfile error reading GRP Tags\n"},
        {grp.substr(0, grp.size() / 2), ""},
        {notAGroup, "Invalid GRP file\n"},
    };
    for (const auto& [bytes, message] : cases) {
        WriteFile(dir / "g.grp", bytes);
        RunResult r = RunRivel({"/!", "/g", "g.grp", "e.cmd"}, dir.path());
        EXPECT_EQ(r.status, 0);
        if (!message.empty()) {
            EXPECT_EQ(Lf(r.out), message);
        } else {
            EXPECT_FALSE(r.out.empty());
        }
        EXPECT_EQ(ReadFile(dir / "g.grp"), bytes);
    }
}

// An item that the GRI text cannot give back as it was read: compiling the edited text would
// change or drop it, though the CMD file never named it.
TEST(GroupRun, GroupTheGriTextCannotHoldIsLeftAsItWas) {
    ScratchDir dir;
    WriteFile(dir / "g.gri",
              "[Group Info]\nPRGName=G\n[CALC.EXE]\nIconTitle=Calc\nCommand=CALC.EXE\n"
              "[GI.EXE]\nIconTitle=Group Info\nCommand=GI.EXE\nPath=C:\\GI\n");
    RunRivel({"/!", "/s2", "/c", "titled.grp", "g.gri"}, dir.path());
    WriteFile(dir / "g.gri",
              "[Group Info]\nPRGName=G\n[Calc]\nCommand=CALC.EXE\n"
              "[Notes#Minimized=1]\nCommand=NOTEPAD.EXE\n");
    RunRivel({"/!", "/c", "split.grp", "g.gri"}, dir.path());
    std::string split = ReadFile(dir / "split.grp");
    size_t hash = split.find('#');
    ASSERT_NE(hash, std::string::npos);
    split[hash] = '\n';  // a title holding a line end
    WriteFile(dir / "split.grp", split);
    WriteFile(dir / "e.cmd", "+[Calc]IconPosX=5\n");
    for (const char* grp : {"titled.grp", "split.grp"}) {
        const std::string before = ReadFile(dir / grp);
        ASSERT_FALSE(before.empty());
        RunResult r = RunRivel({"/!", "/x", "/g", grp, "e.cmd"}, dir.path());
        EXPECT_EQ(r.status, 1) << grp;
        EXPECT_EQ(ReadFile(dir / grp), before) << grp;
        EXPECT_NE(r.err.find("Not writable as GRI text :PRG Item Nr. 1"), std::string::npos)
            << r.err;
    }
}

}  // namespace
}  // namespace rivel_test
