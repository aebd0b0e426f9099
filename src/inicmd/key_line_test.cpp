#include "inicmd/key_line.h"

#include <gtest/gtest.h>

#include "inicmd/rewrite_fixture.h"

namespace rivel {
namespace {

std::string Out(const std::vector<std::string>& commands, const std::string& ini, int cfg = 0) {
    RunOptions o;
    o.CfgMode = cfg;
    return Rewrite(commands, ini, o).output;
}

// The quick look at a key line that lets most lines skip the full pass must never skip one that
// the full pass would change: with tracing at level 9 every line takes the full pass, so both
// runs must write the same file. Keys and values mix cases, digits and blanks.
TEST(MayActOn, SkipsOnlyLinesTheFullPassLeavesAlone) {
    RandomText keyChars{"aAbB019 \t", 7}, valueChars{"vVx ", 8};
    auto next = [&keyChars](uint32_t bound) { return keyChars.Next(bound); };
    // Up to `most` characters.
    auto text = [&next](RandomText& chars, size_t most) {
        return chars.Text(next(static_cast<uint32_t>(most) + 1));
    };
    const std::string_view kinds[] = {"+", "-", "&", "*", "!",  "~", "#",
                                      "@", ">", "<", "_", "?+", "=+"};
    // "key" or, unless next(noValue) draws 0, "key=value"; the parts drawn in this order.
    auto keyAndValue = [&](size_t keyMost, uint32_t noValue, size_t valueMost) {
        std::string line = text(keyChars, keyMost);
        if (next(noValue) != 0) {
            line.append("=").append(text(valueChars, valueMost));
        }
        return line;
    };
    int changed = 0;
    for (int c = 0; c < 250; ++c) {
        std::string ini = "[s]\n";
        for (int l = 0; l < 8; ++l) {
            ini.append(keyAndValue(4, 4, 3)).append("\n");
        }
        std::vector<std::string> commands;
        for (int k = 0; k < 4; ++k) {
            std::string command(kinds[next(std::size(kinds))]);
            commands.push_back(command.append("[s]").append(keyAndValue(3, 2, 2)));
        }
        RunOptions quick, traced;
        traced.VerboseMode = 9;
        const RewriteResult a = Rewrite(commands, ini, quick);
        const RewriteResult b = Rewrite(commands, ini, traced);
        ASSERT_EQ(a.output, b.output) << ini;
        changed += a.changed ? 1 : 0;
    }
    EXPECT_GT(changed, 80);
}

TEST(FindInList, ItemsBetweenAnySeparators) {
    EXPECT_EQ(FindInList("A.EXE NWPOPUP.EXE", "NWPOPUP.EXE"), 7u);
    EXPECT_EQ(FindInList("A.EXE,  B.EXE", "B.EXE"), 9u);
    EXPECT_EQ(FindInList("A.EXE;B", "B"), 7u);
    EXPECT_EQ(FindInList("A.EXEX", "A.EXE"), 0u);
    EXPECT_EQ(FindInList("XA.EXE", "A.EXE"), 0u);
    EXPECT_EQ(FindInList("A", ""), 0u);
    EXPECT_EQ(FindInList("", "A"), 0u);
}

TEST(MakeKeyLine, IniAndNetCfgForms) {
    CommandRecord r;
    RunOptions o;
    EXPECT_EQ(MakeKeyLine(o, "[S]", r, "k", "v"), "k=v");
    r.WithNoEqual = 1;
    EXPECT_EQ(MakeKeyLine(o, "[S]", r, "b", "c"), "b c");
    o.CfgMode = 1;
    EXPECT_EQ(MakeKeyLine(o, "LINK", r, "FRAME", "E"), "        FRAME E");
    r.WithNoEqual = 0;
    EXPECT_EQ(MakeKeyLine(o, "LINK", r, "k", "v"), "        k = v");
    EXPECT_EQ(MakeKeyLine(o, "", r, "k", "v"), "k = v");
}

TEST(AddKey, ReplacesEveryLineOrAddsAtTheEndOfTheSection) {
    EXPECT_EQ(Out({"+[miracle]font=Helv"}, "[miracle]\nFONT=Arial\nx=1\nfont = Times\n[b]\n"),
              "[miracle]\nfont=Helv\nx=1\nfont=Helv\n\n[b]\n");
    EXPECT_EQ(Out({"+[miracle]font=Helv"}, "[miracle]\nx=1\n[b]\ny=2\n"),
              "[miracle]\nx=1\nfont=Helv\n\n[b]\ny=2\n");
    EXPECT_EQ(Out({"?+[miracle]font=Helv"}, "[miracle]\nFont = Arial\n"),
              "[miracle]\nFont=Arial\n");
    EXPECT_EQ(Out({"=+[a]b=c"}, "[a]\n"), "[a]\nb c\n");
}

TEST(AddKeyAnyway, AddsUnlessTheValueIsThere) {
    EXPECT_EQ(Out({"&[386enh]device=vtda"}, "[386enh]\ndevice=*vpicd\n"),
              "[386enh]\ndevice=*vpicd\ndevice=vtda\n");
    EXPECT_EQ(Out({"&[386enh]device=vtda"}, "[386enh]\nDEVICE=VTDA\nx=1\n"),
              "[386enh]\ndevice=vtda\nx=1\n");
    EXPECT_EQ(Out({"*[386enh]device=vtda"}, "[386enh]\nDEVICE=VTDA\n"),
              "[386enh]\nDEVICE=VTDA\ndevice=vtda\n");
}

TEST(AddKeyNumeric, NextNumberUnlessTheValueIsThere) {
    EXPECT_EQ(Out({"![S]key=value"}, "[S]\nkey1=a\nkey2=b\n"), "[S]\nkey1=a\nkey2=b\nkey3=value\n");
    EXPECT_EQ(Out({"![S]key=value"}, "[S]\nkey1=a\nkey2=VALUE\n"), "[S]\nkey1=a\nkey2=VALUE\n");
    EXPECT_EQ(Out({"![S]key=x", "![S]key=y"}, "[S]\nkey1=a\nkey2=b\n"),
              "[S]\nkey1=a\nkey2=b\nkey3=x\nkey4=y\n");
    EXPECT_EQ(Out({"![S]key=x"}, "[S]\nother=1\n"), "[S]\nother=1\nkey1=x\n");
    EXPECT_EQ(Out({"![S]key=x"}, "[S]\nkey7=a\nkey2=b\n"), "[S]\nkey7=a\nkey2=b\nkey8=x\n");
    // No number above the highest one: nothing is added (a second key of the same name would
    // be), the other adds still are.
    EXPECT_EQ(Out({"![S]key=x", "+[S]y=1"}, "[S]\nkey2147483647=a\n"),
              "[S]\nkey2147483647=a\ny=1\n");
    EXPECT_EQ(Out({"![S]key=x"}, "[S]\nkey2147483646=a\n"),
              "[S]\nkey2147483646=a\nkey2147483647=x\n");
}

TEST(DeleteCommands, ByValueCaseAndNumber) {
    const std::string ini = "[turbo]\nfont=HELV\nfont=Helvetica\nfont=Helv\n";
    EXPECT_EQ(Out({"-[turbo]font=Helv"}, ini), "[turbo]\nfont=Helvetica\n");
    EXPECT_EQ(Out({"_[turbo]font=Helv"}, ini), "[turbo]\nfont=HELV\nfont=Helvetica\n");
    EXPECT_EQ(Out({"-[TURBO]Font"}, ini + "x=1\n"), "[turbo]\nx=1\n");
    EXPECT_EQ(Out({"~[s]File"}, "[s]\nFile=a\nFile1=b\nFile 20=c\nFiles=d\n"), "[s]\nFiles=d\n");
    EXPECT_EQ(Out({"~[s]File=B"}, "[s]\nFile=a\nFile1=b\n"), "[s]\nFile=a\n");
    EXPECT_EQ(Out({"~[s]"}, "[s]\n=a\n12=b\nk=c\n"), "[s]\nk=c\n");
}

TEST(ListCommands, MergeFrontAndStrip) {
    const std::string head = "[Windows]\n";
    EXPECT_EQ(Out({">[Windows]load=nwpopup.exe"}, head + "load=a.exe\n"),
              head + "load=a.exe nwpopup.exe\n");
    EXPECT_EQ(Out({">[Windows]load=nwpopup.exe"}, head + "load=\n"), head + "load=nwpopup.exe\n");
    EXPECT_EQ(Out({"}[Windows]load=nwpopup.exe"}, head + "load=NWPOPUP.EXE b.exe\n"),
              head + "load=NWPOPUP.EXE b.exe\n");
    EXPECT_EQ(Out({">[Windows]load=,nwpopup.exe"}, head + "load=a.exe\n"),
              head + "load=a.exe,nwpopup.exe\n");
    EXPECT_EQ(Out({"/[Windows]load=nwpopup.exe"}, head + "load=a.exe\n"),
              head + "load=NWPOPUP.EXE a.exe\n");
    EXPECT_EQ(Out({"/[Windows]load=nwpopup.exe,"}, head + "load=a.exe\n"),
              head + "load=nwpopup.exe,a.exe\n");
    EXPECT_EQ(Out({"<[Windows]load=nwpopup.exe"}, head + "load=a.exe nwpopup.exe b.exe\n"),
              head + "load=a.exe b.exe\n");
    EXPECT_EQ(Out({"{[Windows]load=nwpopup.exe"}, head + "load=nwpopup.exe,b.exe\n"),
              head + "load=b.exe\n");
    EXPECT_EQ(Out({"<[Windows]load=nwpopup.exe"}, head + "load=a.exe, nwpopup.exe\n"),
              head + "load=a.exe\n");
    EXPECT_EQ(Out({">[Windows]run=x.exe", "/[Windows]go=y.exe"}, head),
              head + "run=x.exe\ngo=Y.EXE\n");
}

TEST(CommandOrder, LaterCommandsSeeEarlierResults) {
    // The old line goes; the new one is added at the end of the section.
    EXPECT_EQ(Out({"-[s]k", "+[s]k=v"}, "[s]\nk=old\nx=1\n"), "[s]\nx=1\nk=v\n");
    // An added line already carries a later merge.
    EXPECT_EQ(Out({"+[s]k=a", ">[s]k=b"}, "[s]\nx=1\n"), "[s]\nx=1\nk=a b\n");
    // A key added at the end meets only the commands after the add.
    EXPECT_EQ(Out({"-[s]k", "+[s]k=v"}, "[s]\n"), "[s]\nk=v\n");
    EXPECT_EQ(Out({"#[s]k", "+[s]k=v"}, "[s]\nk=1\n"), "[s]\n;k=1\nk=v\n");
    // A numbered add after it counts on from the added key's number (the key is its stem plus
    // digits); a plain key of the stem's name does not count.
    EXPECT_EQ(Out({"+[s]File1=a", "![s]File=b", "+[s]Item=x", "![s]Item=y"}, "[s]\n"),
              "[s]\nFile1=a\nFile2=b\nItem=x\nItem1=y\n");
}

TEST(NetCfg, AddWithoutEqualInModeOne) {
    EXPECT_EQ(Out({"+[Link Driver NE2000]FRAME Ethernet_802.2"},
                  "Link Driver NE2000\n        PORT 300\n", 1),
              "\nLink Driver NE2000\n        PORT 300\n        FRAME Ethernet_802.2\n");
    EXPECT_EQ(Out({"+[Link Driver NE2000]FRAME Ethernet_802.2"},
                  "Link Driver NE2000\n        FRAME Ethernet_II\n", 1),
              "\nLink Driver NE2000\n        FRAME Ethernet_802.2\n");
}

}  // namespace
}  // namespace rivel
