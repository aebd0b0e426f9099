#include "groups/grp_to_gri.h"

#include <gtest/gtest.h>

#include "base/message_log.h"
#include "groups/gri_parse.h"
#include "groups/grp_format.h"
#include "groups/grp_image.h"

namespace rivel {
namespace {

const std::string kHead =
    ";\n; Created by Hadrovel V3.01\n;\n; Decompiled at TIME\n;\n;\n; Source File <G.GRP>\n;\n";

GroupItem Item(const std::string& title, const std::string& command, const std::string& icon) {
    GroupItem item;
    item.title = title;
    item.command = command;
    item.iconFile = icon;
    return item;
}

GroupDef NotepadGroup() {
    GroupDef g;
    g.name = "Tools";
    g.right = 300;
    g.bottom = 200;
    g.items.push_back(Item("Notepad", "C:\\WINDOWS\\NOTEPAD.EXE README.TXT", "NOTEPAD.EXE"));
    return g;
}

std::string Image(const GroupDef& g) {
    std::string image;
    EXPECT_TRUE(BuildGrpImage(g, image));
    return image;
}

std::string Joined(const DecompiledGroup& d) {
    std::string text;
    for (const std::string& line : d.lines) {
        text += line + "\n";
    }
    return text;
}

DecompiledGroup Decompile(const std::string& image, int swapMode = 0, std::string* log = nullptr) {
    RunContext run;
    RunOptions o;
    o.SwapMode = swapMode;
    o.VerboseMode = 9;
    StartLogCapture(run.log);
    DecompiledGroup d = DecompileGrp(run, o, image, "G.GRP", "TIME");
    std::string captured = TakeLogCapture(run.log);
    if (log != nullptr) {
        *log = captured;
    }
    return d;
}

// The text after the [Group Info] block: the item sections.
std::string Items(const DecompiledGroup& d) {
    std::string text = Joined(d);
    size_t at = text.find("\n\n[");
    return at == std::string::npos ? "" : text.substr(at + 2);
}

TEST(SplitProgramPath, SplitsLikeTheSystem) {
    ProgramPath p = SplitProgramPath("C:\\WINDOWS\\NOTEPAD.EXE");
    EXPECT_EQ(p.drive, "C:");
    EXPECT_EQ(p.dir, "\\WINDOWS\\");
    EXPECT_EQ(p.name, "NOTEPAD");
    EXPECT_EQ(p.ext, ".EXE");
    p = SplitProgramPath("a/b.c/prog");
    EXPECT_EQ(p.drive + "|" + p.dir + "|" + p.name + "|" + p.ext, "|a/b.c/|prog|");
    p = SplitProgramPath("WRITE.EXE");
    EXPECT_EQ(p.drive + "|" + p.dir + "|" + p.name + "|" + p.ext, "||WRITE|.EXE");
}

TEST(DecompileGrp, WholeTextInSwapModeZero) {
    GroupDef g = NotepadGroup();
    g.showCommand = 3;
    g.left = static_cast<uint16_t>(-4);
    g.items[0].path = "C:\\TEMP";
    g.items[0].hotKey = 0x8341;
    g.items[0].minimized = true;
    g.items[0].iconX = 10;
    g.items[0].iconY = 65535;
    g.items[0].iconIndex = 2;
    g.items.push_back(Item("Write", "WRITE.EXE", ""));
    std::string log;
    DecompiledGroup d = Decompile(Image(g), 0, &log);
    EXPECT_TRUE(d.console.empty());
    EXPECT_EQ(Joined(d), kHead +
                             "[Group Info]\nDisplay=SW_SHOWMAXIMIZED\nUpperLeftX=65532\n"
                             "UpperLeftY=0\nLowerRightX=300\nLowerRightY=200\nPosX=21\nPosY=14\n"
                             "PRGName=Tools\n"
                             "\n[Notepad]\nIconFile=NOTEPAD.EXE\nIconPosX=10\nIconPosY=65535\n"
                             "IconNr=2\nEXEDir=C:\\WINDOWS\\\nCommand=NOTEPAD.EXE README.TXT\n"
                             "Path=C:\\TEMP\nMinimized=1\nShortCut=33601\n"
                             "\n[Write]\nIconFile=\nIconPosX=0\nIconPosY=0\nIconNr=0\n"
                             "Command=WRITE.EXE\n");
    EXPECT_NE(log.find("Icontitle is :                Notepad\n"
                       "Originalentry:                C:\\WINDOWS\\NOTEPAD.EXE README.TXT\n"
                       "EXE-Part     :                C:\\WINDOWS\\NOTEPAD.EXE\n"
                       "Parameter    :                 README.TXT\n"
                       "   ->   Drive:                C:\n"
                       "   ->   dir  :                \\WINDOWS\\\n"
                       "   ->   FName:                NOTEPAD\n"
                       "   ->   Ext  :                .EXE\n"),
              std::string::npos)
        << log;
}

TEST(DecompileGrp, SwapModesMapTitleAndCommand) {
    std::string image = Image(NotepadGroup());
    const std::string common = "IconFile=NOTEPAD.EXE\nIconPosX=0\nIconPosY=0\nIconNr=0\n";
    EXPECT_EQ(Items(Decompile(image, 1)),
              "[C:\\WINDOWS\\NOTEPAD.EXE README.TXT]\n" + common + "IconTitle=Notepad\n");
    EXPECT_EQ(Items(Decompile(image, 2)), "[NOTEPAD.EXE]\n" + common +
                                              "IconTitle=Notepad\nEXEDir=C:\\WINDOWS\\\n"
                                              "Command=NOTEPAD.EXE README.TXT\n");
    EXPECT_EQ(Items(Decompile(image, 3)),
              "[C:\\WINDOWS\\NOTEPAD.EXE]\n" + common +
                  "IconTitle=Notepad\nCommand=C:\\WINDOWS\\NOTEPAD.EXE README.TXT\n");
    for (int mode = 4; mode <= 9; ++mode) {
        std::string log;
        EXPECT_EQ(
            Items(Decompile(image, mode, &log)),
            "[]\n" + common + "IconTitle=Notepad\nCommand=C:\\WINDOWS\\NOTEPAD.EXE README.TXT\n");
        EXPECT_NE(log.find("Invalid SwapMode found !!!!   \n"), std::string::npos);
    }
}

TEST(DecompileGrp, ShowCommandNamesAndUnknownValue) {
    GroupDef g = NotepadGroup();
    const char* expected[] = {"SW_HIDE",          "SW_SHOWNORMAL",        "SW_SHOWMINIMIZED",
                              "SW_SHOWMAXIMIZED", "SW_SHOWNOACTIVATE",    "SW_SHOW",
                              "SW_MINIMIZE",      "SW_SHOWMINNOACTIVATE", "SW_SHOWNA",
                              "SW_RESTORE",       "SW_???????",           "SW_???????"};
    uint16_t values[] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 12, 0xFF};
    for (int i = 0; i < 12; ++i) {
        g.showCommand = values[i];
        EXPECT_EQ(Decompile(Image(g)).lines[9], std::string("Display=") + expected[i]);
    }
    g.showCommand = 0x0102;  // only the low byte names the show command
    EXPECT_EQ(Decompile(Image(g)).lines[9], "Display=SW_SHOWMINIMIZED");
}

TEST(DecompileGrp, EmptySlotsAreSkippedAndTagsKeepTableSlots) {
    GroupDef g;
    g.items.push_back(Item("A", "A.EXE", "a.ico"));
    g.items.push_back(Item("B", "B.EXE", "b.ico"));
    g.items.push_back(Item("C", "C.EXE", "c.ico"));
    g.items[2].path = "C:\\CDIR";
    g.items[0].minimized = true;
    std::string image = Image(g);
    SetWord(image, kGrpItemTable + 2, 0);  // slot 1 emptied
    DecompiledGroup d = Decompile(image);
    std::string items = Items(d);
    EXPECT_EQ(items.find("[B]"), std::string::npos);
    EXPECT_NE(items.find("[A]\nIconFile=a.ico\nIconPosX=0\nIconPosY=0\nIconNr=0\nCommand=A.EXE\n"
                         "Minimized=1\n\n[C]\n"),
              std::string::npos);
    EXPECT_NE(items.find("Command=C.EXE\nPath=C:\\CDIR\n"), std::string::npos);
    EXPECT_TRUE(d.console.empty());
}

TEST(DecompileGrp, SameTitleTwiceGivesTwoSections) {
    GroupDef g;
    g.items.push_back(Item("Same", "ONE.EXE", ""));
    g.items.push_back(Item("Same", "TWO.EXE", ""));
    std::string items = Items(Decompile(Image(g)));
    size_t first = items.find("[Same]");
    ASSERT_NE(first, std::string::npos);
    EXPECT_NE(items.find("[Same]", first + 1), std::string::npos);
}

TEST(DecompileGrp, BadHeadersLeaveTheTextEmpty) {
    std::string image = Image(NotepadGroup());
    DecompiledGroup d = Decompile(image.substr(0, kGrpHeaderSize - 1));
    EXPECT_TRUE(d.lines.empty());
    EXPECT_EQ(d.console, std::vector<std::string>{"Inputfile error reading GRP Header"});
    image[3] = 'X';
    d = Decompile(image);
    EXPECT_TRUE(d.lines.empty());
    EXPECT_EQ(d.console, std::vector<std::string>{"Invalid GRP file"});
    d = Decompile("");
    EXPECT_EQ(d.console, std::vector<std::string>{"Inputfile error reading GRP Header"});
}

TEST(DecompileGrp, DamagedItemsAreReportedAndLeftOut) {
    GroupDef g;
    for (const char* t : {"A", "B", "C", "D", "E", "F"}) {
        g.items.push_back(Item(t, std::string(t) + ".EXE", ""));
    }
    std::string image = Image(g);
    uint16_t itemB = 0, itemC = 0, itemD = 0;
    GrpView{image}.Word(kGrpItemTable + 2, itemB);
    GrpView{image}.Word(kGrpItemTable + 4, itemC);
    GrpView{image}.Word(kGrpItemTable + 6, itemD);
    SetWord(image, kGrpItemTable + 2, 20);                                        // into the header
    SetWord(image, itemC + kItemTitle, static_cast<uint16_t>(image.size()));      // past the end
    SetWord(image, kGrpItemTable + 8, static_cast<uint16_t>(image.size() - 10));  // item cut off
    SetWord(image, kGrpItemTable + 10, static_cast<uint16_t>(image.size() + 100));  // past the end
    // D's icon path points at the last byte, which is not a NUL: a string without its end.
    image.back() = 'x';
    SetWord(image, itemD + kItemIconPath, static_cast<uint16_t>(image.size() - 1));
    DecompiledGroup d = Decompile(image);
    EXPECT_EQ(d.console,
              (std::vector<std::string>{"Can't read PRG Item Nr. 1", "Can't read PRG Item Nr. 2",
                                        "Can't read PRG Item Nr. 3", "Can't read PRG Item Nr. 4",
                                        "Can't read PRG Item Nr. 5"}));
    std::string items = Items(d);
    EXPECT_EQ(items.substr(0, 4), "[A]\n");
    EXPECT_EQ(items.find("[B]"), std::string::npos);
}

TEST(DecompileGrp, TextsTheGriTextCannotHoldAreNamed) {
    GroupDef g = NotepadGroup();
    g.items.push_back(Item("Calc", "CALC.EXE", ""));
    EXPECT_TRUE(Decompile(Image(g)).unwritable.empty());
    // A line end in any text, or an item whose section line reads as the group's header.
    GroupDef bad = g;
    bad.name = "Tools\r\n[Evil]";
    bad.items[0].title = "group info";
    bad.items[1].iconFile = "CALC.ICO\r";
    EXPECT_EQ(Decompile(Image(bad)).unwritable,
              (std::vector<std::string>{"PRGName", "PRG Item Nr. 0", "PRG Item Nr. 1"}));
    bad = g;
    bad.items[1].path = "C:\\A\nB";
    EXPECT_EQ(Decompile(Image(bad)).unwritable, std::vector<std::string>{"PRG Item Nr. 1"});
    // The section line depends on the swap mode: with /s it is the command line.
    bad = g;
    bad.items[1].command = "Group Info";
    EXPECT_TRUE(Decompile(Image(bad), 0).unwritable.empty());
    EXPECT_EQ(Decompile(Image(bad), 1).unwritable, std::vector<std::string>{"PRG Item Nr. 1"});
}

TEST(DecompileGrp, HugeItemCountStopsAtTheEndOfTheTable) {
    std::string image = Image(NotepadGroup());
    SetWord(image, kGrpItemCount, 0xFFFF);
    // The table slots after the first overlay the name and the item: whatever they hold, the
    // scan ends where the file ends, with one line for the first slot past it.
    DecompiledGroup d = Decompile(image);
    ASSERT_FALSE(d.console.empty());
    EXPECT_EQ(d.console.back(),
              "Can't read PRG Item Nr. " + std::to_string((image.size() - kGrpItemTable) / 2));
    EXPECT_LT(d.console.size(), image.size());
}

TEST(DecompileGrp, DamagedTagRecordsEndTheTagScan) {
    GroupDef g = NotepadGroup();
    g.items[0].hotKey = 7;
    g.items[0].minimized = true;
    std::string image = Image(g);
    uint16_t dataSize = 0;
    GrpView{image}.Word(kGrpDataSize, dataSize);
    const size_t second = dataSize + kFirstTagSize + 8;  // the record after the hot key's
    for (uint16_t size : {0, 1, 5, 0xFFFF}) {
        std::string bad = image;
        SetWord(bad, second + 4, size);
        DecompiledGroup d = Decompile(bad);
        EXPECT_EQ(d.console, std::vector<std::string>{"Inputfile error reading GRP Tags"});
        std::string items = Items(d);
        EXPECT_NE(items.find("ShortCut=7\n"), std::string::npos) << size;
        EXPECT_EQ(items.find("Minimized"), std::string::npos) << size;
    }
    // Tag data that simply stops (no end record) is not damage.
    DecompiledGroup d = Decompile(image.substr(0, image.size() - kTagHeadSize));
    EXPECT_TRUE(d.console.empty());
    EXPECT_NE(Items(d).find("Minimized=1\nShortCut=7\n"), std::string::npos);
}

TEST(DecompileGrp, PathTagWithoutNulIsBoundedByItsRecord) {
    GroupDef g = NotepadGroup();
    g.items[0].path = "WORKDIR";
    std::string image = Image(g);
    size_t at = image.find(std::string("WORKDIR\0", 8));
    ASSERT_NE(at, std::string::npos);
    image[at + 7] = 'Z';  // the NUL replaced; the end record follows
    EXPECT_NE(Items(Decompile(image)).find("Path=WORKDIRZ\n"), std::string::npos);
}

TEST(DecompileGrp, EveryTruncationIsHandled) {
    GroupDef g = NotepadGroup();
    g.items[0].path = "C:\\TEMP";
    g.items[0].hotKey = 1;
    g.items.push_back(Item("Write", "WRITE.EXE", "w.ico"));
    std::string image = Image(g);
    uint16_t dataSize = 0;
    GrpView{image}.Word(kGrpDataSize, dataSize);
    for (size_t n = 0; n <= image.size(); ++n) {
        DecompiledGroup d = Decompile(image.substr(0, n));
        if (n < kGrpHeaderSize) {
            EXPECT_TRUE(d.lines.empty());
        } else {
            EXPECT_EQ(d.lines[8], "[Group Info]");
        }
        // Cut within the group data, something is always reported; cut within the tags, at
        // most the tag scan's damage.
        if (n < dataSize) {
            EXPECT_FALSE(d.console.empty()) << n;
        } else if (!d.console.empty()) {
            EXPECT_EQ(d.console, std::vector<std::string>{"Inputfile error reading GRP Tags"});
        }
    }
}

}  // namespace
}  // namespace rivel
