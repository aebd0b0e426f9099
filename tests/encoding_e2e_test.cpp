// Files with a byte-order mark seen from outside: UTF-8 with a mark and UTF-16 in both byte
// orders are edited as text and written back in their own encoding.
#include <gtest/gtest.h>

#include <filesystem>

#include "rivel_runner.h"

namespace rivel_test {
namespace {

namespace fs = std::filesystem;

const std::string kBom = "\xEF\xBB\xBF";

TEST(Encodings, AUtf8MarkIsNotPartOfTheFirstSection) {
    ScratchDir dir;
    fs::create_directories(dir / "tmp");
    ScopedEnv temp("TEMP", (dir / "tmp").string());
    WriteFile(dir / "a.ini", kBom + "[s]\r\nx=1\r\n");
    // The CMD file has a mark too: its first line is still a command.
    WriteFile(dir / "a.cmd", kBom + "+[s]x=2\n");
    RunRivel({"/!", "a.ini", "a.cmd"}, dir.path());
    EXPECT_EQ(ReadFile(dir / "a.ini"), kBom + "[s]\r\nx=2\r\n");
}

TEST(Encodings, Utf16FilesRoundTripInBothByteOrdersAndLineEnds) {
    ScratchDir dir;
    fs::create_directories(dir / "tmp");
    ScopedEnv temp("TEMP", (dir / "tmp").string());
    // An accented letter that every code page and UTF-8 have.
    WriteFile(dir / "a.cmd", "+[s]x=2\n+[new]y=3\n");
    for (bool bigEndian : {false, true}) {
        for (std::u16string end : {u"\r\n", u"\n"}) {
            SCOPED_TRACE(std::string(bigEndian ? "BE" : "LE") +
                         (end.size() == 2 ? " CRLF" : " LF"));
            WriteFile(dir / "u.ini", Utf16File(u"[s]" + end + u"name=Ren\u00e9" + end, bigEndian));
            RunRivel({"/!", "u.ini", "a.cmd"}, dir.path());
            EXPECT_EQ(ReadFile(dir / "u.ini"),
                      Utf16File(u"[s]" + end + u"name=Ren\u00e9" + end + u"x=2" + end + end +
                                    u"[new]" + end + u"y=3" + end,
                                bigEndian));
        }
    }
}

TEST(Encodings, PreviewOfAUtf16FileShowsItsText) {
    ScratchDir dir;
    fs::create_directories(dir / "tmp");
    ScopedEnv temp("TEMP", (dir / "tmp").string());
    const std::string before = Utf16File(u"[s]\nk=1\n");
    WriteFile(dir / "u.ini", before);
    WriteFile(dir / "a.cmd", "+[s]k=2\n");
    RunResult r = RunRivel({"/!", "/p", "u.ini", "a.cmd"}, dir.path());
    EXPECT_EQ(ReadFile(dir / "u.ini"), before);
    EXPECT_NE(Lf(r.out).find("\n-k=1\n+k=2\n"), std::string::npos) << r.out;
}

TEST(Encodings, TextThatCannotBeConvertedLeavesTheFileUntouched) {
    ScratchDir dir;
    fs::create_directories(dir / "tmp");
    ScopedEnv temp("TEMP", (dir / "tmp").string());
    WriteFile(dir / "a.cmd", "+[s]x=2\n");
    // A lone surrogate in the file.
    const std::string broken = Utf16File(u"[s]\nk=\xD800\n");
    WriteFile(dir / "broken.ini", broken);
    RunResult r = RunRivel({"/!", "/v1", "broken.ini", "a.cmd"}, dir.path());
    EXPECT_EQ(ReadFile(dir / "broken.ini"), broken);
    EXPECT_NE(r.err.find("Can't convert the text of input file"), std::string::npos) << r.err;
    EXPECT_TRUE(fs::is_empty(dir / "tmp"));
}

// A command file in one Unicode encoding edits a file in another: the text is the same
// character in both, whatever encoding the program works in.
TEST(Encodings, TextMovesBetweenUtf8AndUtf16FilesUnchanged) {
    ScratchDir dir;
    fs::create_directories(dir / "tmp");
    ScopedEnv temp("TEMP", (dir / "tmp").string());
    WriteFile(dir / "utf16.cmd", Utf16File(u"+[s]name=Ren\u00e9\r\n"));
    WriteFile(dir / "utf8.cmd", kBom + "+[s]name=Ren\xC3\xA9\r\n");
    WriteFile(dir / "a.ini", kBom + "[s]\r\nk=1\r\n");
    WriteFile(dir / "u.ini", Utf16File(u"[s]\r\nk=1\r\n"));
    RunResult a = RunRivel({"/!", "/x", "a.ini", "utf16.cmd"}, dir.path());
    RunResult u = RunRivel({"/!", "/x", "u.ini", "utf8.cmd"}, dir.path());
    EXPECT_EQ(a.status, 0) << a.err;
    EXPECT_EQ(u.status, 0) << u.err;
    EXPECT_EQ(ReadFile(dir / "a.ini"), kBom + "[s]\r\nk=1\r\nname=Ren\xC3\xA9\r\n");
    EXPECT_EQ(ReadFile(dir / "u.ini"), Utf16File(u"[s]\r\nk=1\r\nname=Ren\u00e9\r\n"));

    // A UTF-8 file with characters that few code pages have is still edited.
    const std::string kanji = "\xE6\x97\xA5\xE6\x9C\xAC";
    WriteFile(dir / "j.ini", kBom + "[s]\r\nname=" + kanji + "\r\n");
    WriteFile(dir / "j.cmd", "+[s]k=2\r\n");
    RunResult j = RunRivel({"/!", "/x", "/b", "j.ini", "j.cmd"}, dir.path());
    EXPECT_EQ(j.status, 0) << j.err;
    EXPECT_EQ(ReadFile(dir / "j.ini"), kBom + "[s]\r\nname=" + kanji + "\r\nk=2\r\n");
    EXPECT_EQ(ReadFile(dir / "j.bak"), kBom + "[s]\r\nname=" + kanji + "\r\n");
}

}  // namespace
}  // namespace rivel_test
