// GRI compile (/c with two names) and GRP decompile (/d), seen from outside.
#include <gtest/gtest.h>

#include <filesystem>

#include "rivel_runner.h"

namespace rivel_test {
namespace {

namespace fs = std::filesystem;

std::string Here(const std::string& name) {
    return std::string(".") + Sep() + name;
}

// The 16-bit sum of a file's little-endian words.
unsigned WordSum(const std::string& bytes) {
    unsigned sum = 0;
    for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
        sum +=
            static_cast<unsigned char>(bytes[i]) | (static_cast<unsigned char>(bytes[i + 1]) << 8);
    }
    return sum & 0xFFFF;
}

// The GRI text without its "; Decompiled at" line, line ends folded to LF.
std::string WithoutTime(const std::string& text) {
    std::string lf = Lf(text);
    size_t at = lf.find("; Decompiled at ");
    if (at == std::string::npos) {
        return lf;
    }
    return lf.substr(0, at) + lf.substr(lf.find('\n', at) + 1);
}

const std::string kSource =
    "[Group Info]\n"
    "Display=sw_showminimized\n"
    "UpperLeftX=-4\n"
    "PRGName=Main\n"
    "\n"
    "[Notepad]\n"
    "IconFile=C:\\WINDOWS\\NOTEPAD.EXE\n"
    "EXEDir=C:\\WINDOWS\\\n"
    "Command=NOTEPAD.EXE README.TXT\n"
    "IconPosX=65532\n"
    "Path=C:\\TEMP\n"
    "ShortCut=1601\n"
    "Minimized=1\n"
    "[Write]\n"
    "Command=WRITE.EXE\n";

TEST(GroupFiles, CompileThenDecompile) {
    ScratchDir dir;
    WriteFile(dir / "main.gri", kSource);
    RunResult r = RunRivel({"/!", "/c", "main.grp", "main.gri"}, dir.path());
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "");
    std::string grp = ReadFile(dir / "main.grp");
    ASSERT_GE(grp.size(), 34u);
    EXPECT_EQ(grp.substr(0, 4), "PMCC");
    EXPECT_EQ(WordSum(grp), 0u);

    r = RunRivel({"/!", "/d", "main.grp", "out.gri"}, dir.path());
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "");
    std::string text = ReadFile(dir / "out.gri");
    EXPECT_NE(Lf(text).find("; Decompiled at "), std::string::npos);
    EXPECT_EQ(WithoutTime(text), ";\n; Created by Hadrovel V3.01\n;\n;\n;\n; Source File <" +
                                     Here("main.grp") +
                                     ">\n;\n"
                                     "[Group Info]\nDisplay=SW_SHOWMINIMIZED\nUpperLeftX=65532\n"
                                     "UpperLeftY=0\nLowerRightX=160\nLowerRightY=93\nPosX=21\n"
                                     "PosY=14\nPRGName=Main\n"
                                     "\n[Notepad]\nIconFile=C:\\WINDOWS\\NOTEPAD.EXE\n"
                                     "IconPosX=65532\nIconPosY=0\nIconNr=0\nEXEDir=C:\\WINDOWS\\\n"
                                     "Command=NOTEPAD.EXE README.TXT\nPath=C:\\TEMP\nMinimized=1\n"
                                     "ShortCut=1601\n"
                                     "\n[Write]\nIconFile=\nIconPosX=0\nIconPosY=0\nIconNr=0\n"
                                     "Command=WRITE.EXE\n");

    // The decompiled text compiles to a group that decompiles to the same text.
    r = RunRivel({"/!", "/c", "again.grp", "out.gri"}, dir.path());
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(WordSum(ReadFile(dir / "again.grp")), 0u);
    RunRivel({"/!", "/d", "again.grp", "again.gri"}, dir.path());
    std::string first = WithoutTime(ReadFile(dir / "out.gri"));
    std::string second = WithoutTime(ReadFile(dir / "again.gri"));
    EXPECT_EQ(second.substr(second.find("[Group Info]")), first.substr(first.find("[Group Info]")));
}

TEST(GroupFiles, SwapModeOneAndTwoInBothDirections) {
    ScratchDir dir;
    WriteFile(dir / "s1.gri",
              "[Group Info]\n[C:\\W\\NOTEPAD.EXE A.TXT]\nIconTitle=Notepad\nCommand=X.EXE\n");
    RunResult r = RunRivel({"/!", "/s", "/c", "g.grp", "s1.gri"}, dir.path());
    EXPECT_EQ(Lf(r.out), "Key <Command> found, but /s command in commandline\n");
    RunRivel({"/!", "/s2", "/d", "g.grp", "s2.gri"}, dir.path());
    std::string text = Lf(ReadFile(dir / "s2.gri"));
    EXPECT_NE(text.find("\n\n[X.EXE]\nIconFile=\nIconPosX=0\nIconPosY=0\nIconNr=0\n"
                        "IconTitle=Notepad\nCommand=X.EXE\n"),
              std::string::npos)
        << text;
    r = RunRivel({"/!", "/c", "g.grp", "s1.gri"}, dir.path());
    EXPECT_EQ(Lf(r.out), "Key <IconTitle found>, but no /s command in commandline\n");
}

TEST(GroupFiles, DecompileErrorsGoToStandardOutput) {
    ScratchDir dir;
    RunResult r = RunRivel({"/!", "/d", "none.grp", "a.gri"}, dir.path());
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(Lf(r.out), "Can't open inputfile <" + Here("none.grp") + ">\n");
    // A group that cannot be read makes no GRI file, and leaves an existing one alone.
    EXPECT_FALSE(fs::exists(dir / "a.gri"));
    WriteFile(dir / "keep.gri", "old text");
    r = RunRivel({"/!", "/d", "none.grp", "keep.gri"}, dir.path());
    EXPECT_EQ(ReadFile(dir / "keep.gri"), "old text");

    WriteFile(dir / "bad.grp", std::string("PMCX") + std::string(40, '\0'));
    WriteFile(dir / "b.gri", "old text");
    r = RunRivel({"/!", "/d", "bad.grp", "b.gri"}, dir.path());
    EXPECT_EQ(Lf(r.out), "Invalid GRP file\n");
    EXPECT_EQ(ReadFile(dir / "b.gri"), "old text");

    WriteFile(dir / "short.grp", "PMCC\1\2");
    r = RunRivel({"/!", "/d", "short.grp", "c.gri"}, dir.path());
    EXPECT_EQ(Lf(r.out), "Inputfile error reading GRP Header\n");

    fs::create_directories(dir / "sub");
    r = RunRivel({"/!", "/d", "short.grp", std::string("nodir") + Sep() + "x.gri"}, dir.path());
    EXPECT_EQ(r.out, "");
    EXPECT_NE(Lf(r.err).find("GRP-DC    : Can't create outputfile :nodir"), std::string::npos);
}

TEST(GroupFiles, DecompilingOntoItselfKeepsTheText) {
    ScratchDir dir;
    WriteFile(dir / "g.gri", "[Group Info]\nPRGName=Self\n[Tool]\nCommand=TOOL.EXE\n");
    RunRivel({"/!", "/c", "same.grp", "g.gri"}, dir.path());
    RunResult r = RunRivel({"/!", "/d", "same.grp", "same.grp"}, dir.path());
    EXPECT_EQ(r.out, "");
    std::string text = Lf(ReadFile(dir / "same.grp"));
    EXPECT_NE(text.find("PRGName=Self\n\n[Tool]\n"), std::string::npos) << text;
}

TEST(GroupFiles, MissingGriLeavesTheGroupAlone) {
    ScratchDir dir;
    WriteFile(dir / "keep.grp", "old group");
    RunResult r = RunRivel({"/!", "/c", "keep.grp", "none.gri"}, dir.path());
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(Lf(r.out), "Can't open GRI-File\n");
    EXPECT_EQ(ReadFile(dir / "keep.grp"), "old group");
}

TEST(GroupFiles, UncreatableGroupFileEndsWithStatusTwo) {
    ScratchDir dir;
    WriteFile(dir / "a.gri", "[Item]\n");
    std::string target = std::string("nodir") + Sep() + "x.grp";
    RunResult r = RunRivel({"/!", "/c", target, "a.gri"}, dir.path());
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(Lf(r.out), "Can't create outfile <" + target + ">\n");
}

TEST(GroupFiles, GroupTooLargeForItsOffsetsEndsWithStatusOne) {
    ScratchDir dir;
    std::string text = "[Item]\nCommand=";
    text.append(70000, 'c');
    text += '\n';
    WriteFile(dir / "big.gri", text);
    WriteFile(dir / "big.grp", "old group");
    RunResult r = RunRivel({"/!", "/c", "big.grp", "big.gri"}, dir.path());
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(Lf(r.out), "Not enough memory to create GRP file\n");
    EXPECT_EQ(ReadFile(dir / "big.grp"), "old group");
    for (const auto& entry : fs::directory_iterator(dir.path())) {
        EXPECT_TRUE(entry.path().filename() == "big.grp" || entry.path().filename() == "big.gri")
            << entry.path();
    }
}

TEST(GroupFiles, BackupKeepsTheFirstOldFile) {
    ScratchDir dir;
    WriteFile(dir / "g.gri", "[Group Info]\nPRGName=One\n");
    WriteFile(dir / "MAIN.GRP", "original");
    RunResult r = RunRivel({"/!", "/b", "/c", "MAIN.GRP", "g.gri"}, dir.path());
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(ReadFile(dir / "MAIN.GRb"), "original");
    std::string first = ReadFile(dir / "MAIN.GRP");
    EXPECT_EQ(first.substr(0, 4), "PMCC");

    WriteFile(dir / "g.gri", "[Group Info]\nPRGName=Two\n");
    r = RunRivel({"/!", "/b", "/c", "MAIN.GRP", "g.gri"}, dir.path());
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(ReadFile(dir / "MAIN.GRb"), "original");  // the backup that existed is kept
    std::string second = ReadFile(dir / "MAIN.GRP");
    EXPECT_NE(second.find("Two"), std::string::npos);
    EXPECT_EQ(WordSum(second), 0u);
}

TEST(GroupFiles, NoItemsGiveOneEmptySlotAndNoTags) {
    ScratchDir dir;
    WriteFile(dir / "e.gri", "[Group Info]\r\nPRGName=E\r\nBogus=1\r\nDisplay=SW_HUGE\r\n");
    RunResult r = RunRivel({"/!", "/c", "e.grp", "e.gri"}, dir.path());
    EXPECT_EQ(Lf(r.out),
              "Invalid key found in header <Bogus>\nInvalid Display=<SW_HUGE> in header\n");
    std::string grp = ReadFile(dir / "e.grp");
    EXPECT_EQ(grp.size(), 38u);  // header, one table word, "E" and its NUL
    EXPECT_EQ(grp.substr(32, 6), std::string("\1\0\0\0E\0", 6));
    EXPECT_EQ(WordSum(grp), 0u);
}

}  // namespace
}  // namespace rivel_test
