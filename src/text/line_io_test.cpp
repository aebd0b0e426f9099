#include "text/line_io.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>

#include "platform/files.h"

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

}  // namespace
}  // namespace rivel
