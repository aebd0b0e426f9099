#include "text/line_io.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>

#include "platform/files.h"
#include "platform/text_encoding.h"

namespace rivel {
namespace {

std::string WriteTemp(const std::string& bytes) {
    std::string path = CreateUniqueFile("", "lineio");
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
}

std::vector<std::string> ReadAll(const std::string& path, std::string* lineEnd = nullptr) {
    LineReader reader(path);
    std::vector<std::string> lines;
    std::string line;
    while (reader.ReadLine(line)) {
        lines.push_back(line);
    }
    if (lineEnd != nullptr) {
        *lineEnd = reader.LineEnd();
    }
    return lines;
}

TEST(LineReader, AcceptsLfAndCrlfAndAnUnterminatedLastLine) {
    std::string path = WriteTemp("a\r\nb\n\nc");
    std::string lineEnd;
    EXPECT_EQ(ReadAll(path, &lineEnd), (std::vector<std::string>{"a", "b", "", "c"}));
    EXPECT_EQ(lineEnd, "\r\n");
    LineReader reader(path);
    std::string line;
    ASSERT_TRUE(reader.ReadLine(line));
    EXPECT_TRUE(reader.LastLineEnded());
    while (reader.ReadLine(line)) {
    }
    EXPECT_EQ(line, "c");
    EXPECT_FALSE(reader.LastLineEnded());
    std::string error;
    RemoveFile(path, error);
}

TEST(LineReader, ReadsLongLinesAndNulBytesWhole) {
    std::string longLine(300000, 'x');
    longLine[150000] = '\0';
    std::string path = WriteTemp(longLine + "\nend\n");
    std::string lineEnd;
    auto lines = ReadAll(path, &lineEnd);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], longLine);
    EXPECT_EQ(lineEnd, "\n");
    std::string error;
    RemoveFile(path, error);
}

TEST(LineWriter, WritesTheChosenLineEnd) {
    std::string path = CreateUniqueFile("", "lineio");
    LineWriter writer;
    ASSERT_TRUE(writer.Open(path, "\r\n"));
    writer.WriteLine("k=v");
    writer.Write("tail");
    EXPECT_TRUE(writer.Close());
    std::ifstream in(path, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(bytes, "k=v\r\ntail");
    std::string error;
    RemoveFile(path, error);
}

// UTF-16 bytes of ASCII text (and of any code units given as \uXXXX escapes).
std::string Utf16(std::u16string_view text, bool little) {
    std::string bytes = little ? "\xFF\xFE" : "\xFE\xFF";
    for (char16_t u : text) {
        char low = static_cast<char>(u & 0xFF);
        char high = static_cast<char>(u >> 8);
        bytes += little ? std::string{low, high} : std::string{high, low};
    }
    return bytes;
}

TEST(LineReader, AByteOrderMarkIsNotText) {
    std::string path = WriteTemp("\xEF\xBB\xBF[s]\r\nk=v\n");
    LineReader reader(path);
    std::string line;
    ASSERT_TRUE(reader.ReadLine(line));
    EXPECT_EQ(line, "[s]");
    EXPECT_STREQ(reader.LastLineEnd(), "\r\n");
    EXPECT_EQ(reader.Encoding(), TextEncoding::Utf8Bom);
    reader.Close();
    for (bool little : {true, false}) {
        std::string utf16 = WriteTemp(Utf16(u"[s]\r\nk=v\nlast", little));
        LineReader wide(utf16);
        EXPECT_EQ(wide.Encoding(), little ? TextEncoding::Utf16LE : TextEncoding::Utf16BE);
        std::vector<std::string> lines;
        while (wide.ReadLine(line)) {
            lines.push_back(line + "|" + wide.LastLineEnd());
        }
        EXPECT_EQ(lines, (std::vector<std::string>{"[s]|\r\n", "k=v|\n", "last|"}));
        EXPECT_FALSE(wide.Failed());
        wide.Close();
        std::string error;
        RemoveFile(utf16, error);
    }
    std::string error;
    RemoveFile(path, error);
}

TEST(LineReader, Utf16ThatCannotBeConvertedStopsTheReading) {
    // A lone surrogate, and an odd number of bytes.
    for (const std::string& bytes : {Utf16(u"a\nb\xD800\nc\n", true), Utf16(u"a\n", true) + "x"}) {
        std::string path = WriteTemp(bytes);
        LineReader reader(path);
        std::vector<std::string> lines;
        std::string line;
        while (reader.ReadLine(line)) {
            lines.push_back(line);
        }
        EXPECT_TRUE(reader.ConversionFailed());
        EXPECT_TRUE(reader.Failed());
        // The callers log the reason after "Problem: ".
        EXPECT_FALSE(reader.ErrorText().empty());
        EXPECT_LE(lines.size(), 1u);
        reader.Close();
        std::string error;
        RemoveFile(path, error);
    }
}

TEST(LineReader, ASurrogatePairSplitByTheReadBufferIsKept) {
    if (PathSeparator() == '\\') {
        GTEST_SKIP() << "the ANSI code page the text is converted to has no such character";
    }
    // The pair straddles the first 64 KiB read: its halves arrive in two reads.
    std::u16string text(32766, u'x');
    text.push_back(0xD83D);
    text.push_back(0xDE00);
    text.push_back(u'\n');
    std::string path = WriteTemp(Utf16(text, true));
    LineReader reader(path);
    std::string line;
    ASSERT_TRUE(reader.ReadLine(line));
    EXPECT_FALSE(reader.Failed());
    std::string expected;
    ASSERT_TRUE(Utf16ToText(u"\xD83D\xDE00", expected));
    EXPECT_EQ(line, std::string(32766, 'x') + expected);
    reader.Close();
    std::string error;
    RemoveFile(path, error);
}

TEST(LineWriter, WritesTheFilesOwnEncodingAndClosesAnOpenLine) {
    std::string path = CreateUniqueFile("", "lineio");
    LineWriter writer;
    ASSERT_TRUE(writer.Open(path, "\r\n", TextEncoding::Utf16BE));
    writer.WriteLine("a", "");
    writer.WriteLine("b");
    EXPECT_TRUE(writer.Close());
    std::ifstream in(path, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(bytes, Utf16(u"a\r\nb\r\n", false));
    std::string error;
    RemoveFile(path, error);
}

TEST(LineWriter, ALineEndedByALoneCrIsCompletedWhenALineFollows) {
    std::string path = CreateUniqueFile("", "lineio");
    LineWriter writer;
    ASSERT_TRUE(writer.Open(path, "\r\n"));
    writer.WriteLine("a=1", "\r");
    writer.WriteLine("b=2");
    writer.WriteLine("c=3", "\r");
    EXPECT_TRUE(writer.Close());
    std::ifstream in(path, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    // The lone CR stays where nothing follows it.
    EXPECT_EQ(bytes, "a=1\r\nb=2\r\nc=3\r");
    EXPECT_EQ(ReadAll(path), (std::vector<std::string>{"a=1", "b=2", "c=3"}));
    std::string error;
    RemoveFile(path, error);
}

TEST(LineWriter, TextThatCannotBeConvertedLeavesTheTargetAsItWas) {
    const std::string bad = "\x81\xFF\xFE";
    std::u16string units;
    if (TextToUtf16(bad, units)) {
        GTEST_SKIP() << "the program's text converts these bytes";
    }
    std::string path = WriteTemp("old contents\n");
    LineWriter writer;
    ASSERT_TRUE(writer.Open(path, "\n", TextEncoding::Utf16LE));
    writer.WriteLine("good");
    writer.WriteLine(bad);
    writer.WriteLine("also good");
    EXPECT_TRUE(writer.ConversionFailed());
    EXPECT_FALSE(writer.Close());
    EXPECT_EQ(writer.ErrorText(), "text not convertible");
    std::ifstream in(path, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(bytes, "old contents\n");
    std::string error;
    RemoveFile(path, error);
}

}  // namespace
}  // namespace rivel
