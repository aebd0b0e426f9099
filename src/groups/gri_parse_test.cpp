#include "groups/gri_parse.h"

#include <gtest/gtest.h>

#include "base/message_log.h"

namespace rivel {
namespace {

struct Parsed {
    GroupDef group;
    std::vector<std::string> console;
    std::string log;
};

Parsed Parse(const std::vector<std::string>& lines, int swapMode = 0) {
    RunContext run;
    RunOptions o;
    o.SwapMode = swapMode;
    GriParser parser(run, o);
    StartLogCapture(run.log);
    for (const std::string& line : lines) {
        parser.Line(line);
    }
    return {parser.group, parser.console, TakeLogCapture(run.log)};
}

TEST(GriNumber, SignedDecimalKeptAsWord) {
    EXPECT_EQ(GriNumber("65532"), 0xFFFC);
    EXPECT_EQ(GriNumber("-4"), 0xFFFC);
    EXPECT_EQ(GriNumber("+7"), 7);
    EXPECT_EQ(GriNumber("12abc"), 12);
    EXPECT_EQ(GriNumber("abc"), 0);
    EXPECT_EQ(GriNumber(""), 0);
    EXPECT_EQ(GriNumber("-"), 0);
    EXPECT_EQ(GriNumber(" 42"), 42);
    EXPECT_EQ(GriNumber("65536"), 0);
    EXPECT_EQ(GriNumber("70000"), 70000 - 65536);
    EXPECT_EQ(GriNumber(std::string(5000, '9')), GriNumber(std::string(5000, '9')));
    EXPECT_EQ(GriNumber("-32768"), 0x8000);
}

TEST(GriParser, GroupKeysIgnoreCaseAndReportTheUnknown) {
    Parsed p =
        Parse({"; comment", "", "[group info]", "display=sw_showminnoactivate", "upperleftx=-4",
               "UpperLeftY=5", "LOWERRIGHTX=600", "LowerRightY=400", "PosX=1", "PosY=2",
               "PRGName=My Group ", "Colour=blue", "Display=SW_BIG", "Display=SW_???????"});
    EXPECT_EQ(p.group.showCommand, 7);
    EXPECT_EQ(p.group.left, 0xFFFC);
    EXPECT_EQ(p.group.top, 5);
    EXPECT_EQ(p.group.right, 600);
    EXPECT_EQ(p.group.bottom, 400);
    EXPECT_EQ(p.group.iconX, 1);
    EXPECT_EQ(p.group.iconY, 2);
    EXPECT_EQ(p.group.name, "My Group ");  // values are not trimmed
    EXPECT_TRUE(p.group.items.empty());
    EXPECT_EQ(p.console,
              (std::vector<std::string>{"Invalid key found in header <Colour>",
                                        "Invalid Display=<SW_BIG> in header",
                                        "Invalid Display=<SW_\?\?\?\?\?\?\?> in header"}));
}

TEST(GriParser, DefaultsWithoutGroupSection) {
    Parsed p = Parse({"[Item]"});
    EXPECT_EQ(p.group.showCommand, 1);
    EXPECT_EQ(p.group.iconX, 21);
    EXPECT_EQ(p.group.iconY, 14);
    EXPECT_EQ(p.group.right, 0);
    ASSERT_EQ(p.group.items.size(), 1u);
    EXPECT_EQ(p.group.items[0].title, "Item");
    EXPECT_FALSE(p.group.items[0].command);
    EXPECT_FALSE(p.group.items[0].iconFile);
}

TEST(GriParser, ItemKeysInSwapModeZero) {
    Parsed p = Parse({"[Notepad]", "iconfile=C:\\W\\N.EXE", "Command=first", "COMMAND=N.EXE A.TXT",
                      "EXEDir=C:\\W\\", "Path=C:\\TEMP", "IconPosX=-1", "IconPosY=3", "IconNr=2",
                      "ShortCut=1601", "Minimized=1", "Shape=round", "IconTitle=Other", "[Second] ",
                      "Minimized=yes", "[Third]", "Minimized=01", "Minimized"});
    ASSERT_EQ(p.group.items.size(), 3u);
    const GroupItem& a = p.group.items[0];
    EXPECT_EQ(a.iconFile, "C:\\W\\N.EXE");
    EXPECT_EQ(a.command, "N.EXE A.TXT");  // the last value counts
    EXPECT_EQ(a.exeDir, "C:\\W\\");
    EXPECT_EQ(a.path, "C:\\TEMP");
    EXPECT_EQ(a.iconX, 0xFFFF);
    EXPECT_EQ(a.iconY, 3);
    EXPECT_EQ(a.iconIndex, 2);
    EXPECT_EQ(a.hotKey, 1601);
    EXPECT_TRUE(a.minimized);
    EXPECT_EQ(a.title, "Other");  // taken after its warning
    // The last character of a section line goes, whatever it is.
    EXPECT_EQ(p.group.items[1].title, "Second]");
    EXPECT_FALSE(p.group.items[1].minimized);
    EXPECT_FALSE(p.group.items[2].minimized);
    EXPECT_EQ(p.console, (std::vector<std::string>{
                             "Invalid key found in Icon <Shape>",
                             "Key <IconTitle found>, but no /s command in commandline"}));
}

TEST(GriParser, SwapModesSetTitleOrCommandFromTheSection) {
    Parsed p = Parse({"[C:\\A.EXE X]", "Command=B.EXE", "IconTitle=T"}, 1);
    ASSERT_EQ(p.group.items.size(), 1u);
    EXPECT_EQ(p.group.items[0].command, "B.EXE");
    EXPECT_EQ(p.group.items[0].title, "T");
    EXPECT_EQ(p.console,
              std::vector<std::string>{"Key <Command> found, but /s command in commandline"});

    p = Parse({"[C:\\A.EXE X]"}, 1);
    EXPECT_EQ(p.group.items[0].command, "C:\\A.EXE X");
    EXPECT_FALSE(p.group.items[0].title);

    for (int mode : {2, 3}) {
        p = Parse({"[A.EXE]", "IconTitle=T"}, mode);
        EXPECT_EQ(p.group.items[0].title, "T");
        EXPECT_FALSE(p.group.items[0].command);
        EXPECT_TRUE(p.console.empty());
        EXPECT_EQ(p.log, "");
    }
    p = Parse({"[A.EXE]", "[B]"}, 7);
    EXPECT_EQ(p.group.items.size(), 2u);
    EXPECT_FALSE(p.group.items[0].title);
    EXPECT_EQ(p.log, "Unknown swapmode found        \nUnknown swapmode found        \n");
}

TEST(GriParser, OddLinesNeverBreakTheParse) {
    std::string longValue(100000, 'x');
    std::string bytes;
    for (int c = 1; c < 256; ++c) {
        bytes += static_cast<char>(c);
    }
    Parsed p = Parse({"IconFile=before any section", "[", "[]", "Command=" + longValue, "=",
                      "IconTitle=" + bytes, "[Group Info]x", "Path=" + longValue, bytes,
                      "[GROUP INFO]", "PRGName=" + longValue},
                     0);
    EXPECT_NE(p.log.find("GRP-CO    : Key before any section:IconFile=before any section"),
              std::string::npos);
    ASSERT_EQ(p.group.items.size(), 3u);
    EXPECT_EQ(p.group.items[0].title, "");
    EXPECT_EQ(p.group.items[1].command, longValue);  // kept whole, no 254-character limit
    EXPECT_EQ(p.group.items[1].title, bytes);
    EXPECT_EQ(p.group.items[2].title, "Group Info]");
    EXPECT_EQ(p.group.items[2].path, longValue);
    EXPECT_EQ(p.group.name, longValue);
    EXPECT_EQ(p.console.size(), 3u);
}

}  // namespace
}  // namespace rivel
