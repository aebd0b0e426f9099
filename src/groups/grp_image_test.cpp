#include "groups/grp_image.h"

#include <gtest/gtest.h>

#include "base/message_log.h"
#include "groups/grp_format.h"
#include "groups/grp_to_gri.h"

namespace rivel {
namespace {

uint16_t WordAt(const std::string& image, size_t offset) {
    uint16_t value = 0;
    EXPECT_TRUE(GrpView{image}.Word(offset, value)) << offset;
    return value;
}

std::string StringAt(const std::string& image, size_t offset) {
    std::string value;
    EXPECT_TRUE(GrpView{image}.String(offset, value)) << offset;
    return value;
}

GroupDef ItemsNamed(int count) {
    GroupDef g;
    for (int i = 0; i < count; ++i) {
        GroupItem item;
        item.title = std::string("I").append(std::to_string(i));
        g.items.push_back(item);
    }
    return g;
}

TEST(BuildGrpImage, EmptyGroupHasOneEmptySlotAndNoTags) {
    GroupDef g;
    g.name = "Empty";
    std::string image;
    ASSERT_TRUE(BuildGrpImage(g, image));
    EXPECT_EQ(image.substr(0, 4), "PMCC");
    EXPECT_EQ(WordAt(image, kGrpItemCount), 1);
    EXPECT_EQ(WordAt(image, kGrpItemTable), 0);
    EXPECT_EQ(WordAt(image, kGrpNameOffset), 36);
    EXPECT_EQ(StringAt(image, 36), "Empty");
    EXPECT_EQ(WordAt(image, kGrpDataSize), image.size());
    EXPECT_EQ(image.size(), 36u + 6u);
    EXPECT_EQ(WordAt(image, kGrpShowCommand), 1);
    EXPECT_EQ(WordAt(image, kGrpRight), 0);  // no items: no computed size
    EXPECT_EQ(WordAt(image, kGrpBottom), 0);
    EXPECT_EQ(WordAt(image, kGrpIconX), 21);
    EXPECT_EQ(WordAt(image, kGrpIconY), 14);
    for (size_t offset = 24; offset < 32; offset += 2) {
        EXPECT_EQ(WordAt(image, offset), 0);
    }
    EXPECT_EQ(WordSum(image), 0);
}

TEST(BuildGrpImage, DefaultWindowSizeFollowsTheItemCount) {
    struct Case {
        int items;
        uint16_t right, bottom;
    } cases[] = {{1, 80, 93},    {3, 240, 93},   {7, 560, 93},  {8, 640, 186},
                 {10, 640, 186}, {15, 640, 186}, {16, 640, 279}};
    for (const Case& c : cases) {
        std::string image;
        ASSERT_TRUE(BuildGrpImage(ItemsNamed(c.items), image));
        EXPECT_EQ(WordAt(image, kGrpLeft), 0);
        EXPECT_EQ(WordAt(image, kGrpTop), 0);
        EXPECT_EQ(WordAt(image, kGrpRight), c.right) << c.items;
        EXPECT_EQ(WordAt(image, kGrpBottom), c.bottom) << c.items;
    }
    // One of the two set: the rectangle is taken as it stands.
    GroupDef g = ItemsNamed(3);
    g.bottom = 50;
    std::string image;
    ASSERT_TRUE(BuildGrpImage(g, image));
    EXPECT_EQ(WordAt(image, kGrpRight), 0);
    EXPECT_EQ(WordAt(image, kGrpBottom), 50);
}

TEST(BuildGrpImage, ItemLayoutStringsAndTags) {
    GroupDef g;
    g.name = "G";
    GroupItem a;
    a.title = "Notepad";
    a.exeDir = "C:\\WINDOWS\\";
    a.command = "NOTEPAD.EXE X";
    a.iconFile = "ICON.ICO";
    a.iconX = 5;
    a.iconY = 0xFFFC;
    a.iconIndex = 3;
    a.path = "C:\\WORK";
    a.hotKey = 0x0241;
    a.minimized = true;
    GroupItem b;  // nothing set: empty title and command, no icon path
    g.items = {a, b};
    std::string image;
    ASSERT_TRUE(BuildGrpImage(g, image));

    EXPECT_EQ(WordAt(image, kGrpItemCount), 2);
    EXPECT_EQ(WordAt(image, kGrpNameOffset), 38);
    const size_t itemA = WordAt(image, kGrpItemTable);
    EXPECT_EQ(itemA, 40u);
    EXPECT_EQ(WordAt(image, itemA + kItemIconX), 5);
    EXPECT_EQ(WordAt(image, itemA + kItemIconY), 0xFFFC);
    EXPECT_EQ(WordAt(image, itemA + kItemIconIndex), 3);
    for (size_t offset = 6; offset < 18; offset += 2) {
        EXPECT_EQ(WordAt(image, itemA + offset), 0);  // no icon bitmaps
    }
    EXPECT_EQ(WordAt(image, itemA + kItemTitle), itemA + kItemSize);
    EXPECT_EQ(StringAt(image, WordAt(image, itemA + kItemTitle)), "Notepad");
    EXPECT_EQ(StringAt(image, WordAt(image, itemA + kItemCommand)), "C:\\WINDOWS\\NOTEPAD.EXE X");
    EXPECT_EQ(StringAt(image, WordAt(image, itemA + kItemIconPath)), "ICON.ICO");

    const size_t itemB = WordAt(image, kGrpItemTable + 2);
    EXPECT_EQ(itemB, WordAt(image, itemA + kItemIconPath) + 9u);
    EXPECT_EQ(StringAt(image, WordAt(image, itemB + kItemTitle)), "");
    const uint16_t commandB = WordAt(image, itemB + kItemCommand);
    EXPECT_EQ(commandB, WordAt(image, itemB + kItemTitle) + 1);
    EXPECT_EQ(StringAt(image, commandB), "");
    EXPECT_EQ(WordAt(image, itemB + kItemIconPath), 0);

    const size_t dataSize = WordAt(image, kGrpDataSize);
    EXPECT_EQ(dataSize, commandB + 1u);
    const uint16_t words[] = {0x8000, 0xFFFF, 10, 0x4D50, 0x4343,  // "PMCC"
                              0x8102, 0,      8,  0x0241, 0x8103, 0, 6, 0x8101, 0, 6 + 8};
    std::string tags;
    for (uint16_t w : words) {
        PutWord(tags, w);
    }
    tags.append("C:\\WORK", 7);
    tags.push_back('\0');
    for (uint16_t w : {0xFFFF, 0xFFFF, 0}) {
        PutWord(tags, static_cast<uint16_t>(w));
    }
    EXPECT_EQ(image.substr(dataSize), tags);
    EXPECT_EQ(WordSum(image), 0);
}

TEST(BuildGrpImage, ChecksumMakesEveryWordSumZero) {
    for (int n = 0; n < 12; ++n) {
        GroupDef g = ItemsNamed(n);
        g.name = std::string(static_cast<size_t>(n), '\xff');  // odd and even lengths
        if (n % 3 == 0 && n > 0) {
            g.items[0].path = std::string(static_cast<size_t>(n), 'p');
        }
        std::string image;
        ASSERT_TRUE(BuildGrpImage(g, image));
        EXPECT_EQ(WordSum(image), 0) << n;
    }
}

TEST(BuildGrpImage, GroupsBeyondSixteenBitOffsetsAreRefused) {
    GroupDef g = ItemsNamed(2);
    g.items[1].command = std::string(70000, 'c');
    std::string image;
    EXPECT_FALSE(BuildGrpImage(g, image));
    g = ItemsNamed(1);
    g.items[0].path = std::string(65530, 'p');  // its tag record would need a size above 0xFFFF
    EXPECT_FALSE(BuildGrpImage(g, image));
    g.items[0].path = std::string(65528, 'p');  // exactly fits
    EXPECT_TRUE(BuildGrpImage(g, image));
    EXPECT_EQ(WordSum(image), 0);
}

// Decompiling in swap mode 0 and compiling the text again gives back every field that a GRP
// file keeps (icon bitmaps aside), byte for byte.
TEST(BuildGrpImage, DecompiledTextCompilesToTheSameImage) {
    RunContext run;
    GroupDef g;
    g.name = "Accessories";
    g.showCommand = 2;
    g.left = 0xFFFC;
    g.top = 0x8000;
    g.right = 500;
    g.bottom = 300;
    g.iconX = 7;
    g.iconY = 9;
    const char* commands[] = {"C:\\WINDOWS\\NOTEPAD.EXE README.TXT",
                              "WRITE.EXE",
                              "C:\\Program Files\\x.exe /a",
                              "",
                              "D:PROG",
                              "C:\\DIR\\"};
    for (int i = 0; i < 6; ++i) {
        GroupItem item;
        item.title = std::string("Item ").append(std::to_string(i));
        item.command = commands[i];
        item.iconFile = i == 2 ? "" : std::string("ICON").append(std::to_string(i)).append(".ICO");
        item.iconX = static_cast<uint16_t>(i * 70);
        item.iconY = static_cast<uint16_t>(65535 - i);
        item.iconIndex = static_cast<uint16_t>(i);
        if (i % 2 == 0) {
            item.path = std::string("C:\\WORK").append(std::to_string(i));
        }
        item.hotKey = static_cast<uint16_t>(i == 1 ? 0 : 0x300 + i);
        item.minimized = i % 3 == 0;
        g.items.push_back(item);
    }
    std::string image;
    ASSERT_TRUE(BuildGrpImage(g, image));

    RunOptions o;
    o.VerboseMode = 0;
    DecompiledGroup text = DecompileGrp(run, o, image, "x.grp", "now");
    EXPECT_TRUE(text.console.empty());
    GriParser parser(run, o);
    for (const std::string& line : text.lines) {
        parser.Line(line);
    }
    EXPECT_TRUE(parser.console.empty());
    std::string again;
    ASSERT_TRUE(BuildGrpImage(parser.group, again));
    EXPECT_EQ(again, image);
}

}  // namespace
}  // namespace rivel
