// /k seen from outside: files written by other programs and people keep their own layout, and
// an added key goes after the last key line of its section.
#include <gtest/gtest.h>

#include <filesystem>

#include "rivel_runner.h"

namespace rivel_test {
namespace {

namespace fs = std::filesystem;

fs::path Corpus() {
    return ExamplesDir().parent_path() / "tests" / "layout_corpus";
}

// The lines of a file, each with its own line end.
std::vector<std::string> Lines(const std::string& bytes) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < bytes.size()) {
        size_t nl = bytes.find('\n', start);
        size_t end = nl == std::string::npos ? bytes.size() : nl + 1;
        lines.push_back(bytes.substr(start, end - start));
        start = end;
    }
    return lines;
}

// The lines of after that are not in before, when after is before with lines inserted; the
// whole of after (marked "not an insertion") otherwise.
std::vector<size_t> InsertedLines(const std::vector<std::string>& before,
                                  const std::vector<std::string>& after) {
    std::vector<size_t> inserted;
    size_t b = 0;
    for (size_t a = 0; a < after.size(); ++a) {
        if (b < before.size() && after[a] == before[b]) {
            ++b;
        } else {
            inserted.push_back(a);
        }
    }
    if (b != before.size()) {
        inserted.assign(after.size(), 0);
    }
    return inserted;
}

// The first section header of an INI-style file, as written.
std::string FirstSection(const std::string& bytes) {
    for (const std::string& line : Lines(bytes)) {
        size_t open = line.find('[');
        if (open <= 3 && line.find(']') != std::string::npos) {
            return line.substr(open, line.find(']') - open + 1);
        }
    }
    return "";
}

// The first character of a line after a byte-order mark and blanks.
char FirstChar(const std::string& line) {
    size_t start = line.rfind("\xEF\xBB\xBF", 0) == 0 ? 3 : 0;
    size_t first = line.find_first_not_of(" \t", start);
    return first == std::string::npos ? '\0' : line[first];
}

bool IsKeyOrHeader(const std::string& line) {
    size_t first = line.find_first_not_of(" \t\r\n");
    return first != std::string::npos && line[first] != '#' && line[first] != ';';
}

TEST(KeepLayout, AddingAKeyToARealWorldFileChangesExactlyOneLine) {
    ScratchDir dir;
    fs::create_directories(dir / "tmp");
    ScopedEnv temp("TEMP", (dir / "tmp").string());
    size_t files = 0;
    size_t changedMoreWithout = 0;
    for (const auto& entry : fs::directory_iterator(Corpus())) {
        const std::string name = entry.path().filename().string();
        if (name[0] == '.') {
            continue;
        }
        SCOPED_TRACE(name);
        ++files;
        const std::string before = ReadFile(entry.path());
        const std::string section = FirstSection(before);
        ASSERT_FALSE(section.empty());
        WriteFile(dir / "add.cmd", "+" + section + "NewKey=1\n");
        WriteFile(dir / "kept.ini", before);
        WriteFile(dir / "plain.ini", before);
        RunRivel({"/!", "/k", "kept.ini", "add.cmd"}, dir.path());
        RunRivel({"/!", "plain.ini", "add.cmd"}, dir.path());

        const std::vector<std::string> old = Lines(before);
        const std::vector<std::string> now = Lines(ReadFile(dir / "kept.ini"));
        std::vector<size_t> inserted = InsertedLines(old, now);
        ASSERT_EQ(inserted.size(), 1u);
        const size_t at = inserted[0];
        const std::string lineEnd = before.find("\r\n") != std::string::npos ? "\r\n" : "\n";
        EXPECT_EQ(now[at], "NewKey=1" + lineEnd);
        // Right after the section's last key line (or its header), and no key line after it
        // before the next header.
        ASSERT_GT(at, 0u);
        EXPECT_TRUE(IsKeyOrHeader(now[at - 1])) << now[at - 1];
        for (size_t i = at + 1; i < now.size() && FirstChar(now[i]) != '['; ++i) {
            EXPECT_FALSE(IsKeyOrHeader(now[i])) << now[i];
        }
        if (InsertedLines(old, Lines(ReadFile(dir / "plain.ini"))).size() != 1) {
            ++changedMoreWithout;
        }
    }
    EXPECT_GE(files, 10u);
    // The corpus has the layouts that the designed rewrite does not keep.
    EXPECT_GE(changedMoreWithout, files / 2);
}

// The lines in which two files of the same number of lines differ.
std::vector<size_t> ChangedLines(const std::vector<std::string>& a,
                                 const std::vector<std::string>& b) {
    std::vector<size_t> changed;
    for (size_t i = 0; i < std::max(a.size(), b.size()); ++i) {
        if (i >= a.size() || i >= b.size() || a[i] != b[i]) {
            changed.push_back(i);
        }
    }
    return changed;
}

TEST(KeepLayout, ChangedAndRemovedLinesAloneDiffer) {
    ScratchDir dir;
    const std::string before = ReadFile(Corpus() / "system.ini");
    WriteFile(dir / "system.ini", before);
    // A key set to another value, a key set to the value it has (spelled with blanks), and a
    // line with trailing blanks that no command touches.
    WriteFile(dir / "set.cmd", "+[boot]shell=explorer.exe\n+[boot]network.drv=netware.drv\n");
    RunRivel({"/!", "/k", "/b", "system.ini", "set.cmd"}, dir.path());
    std::vector<std::string> old = Lines(before);
    std::vector<std::string> now = Lines(ReadFile(dir / "system.ini"));
    ASSERT_EQ(ChangedLines(old, now), (std::vector<size_t>{3}));
    EXPECT_EQ(now[3], "shell=explorer.exe\r\n");
    // The backup is the file as it was.
    EXPECT_EQ(ReadFile(dir / "system.bak"), before);

    // A whole section removed: its lines go, the file's other lines stay as they were.
    WriteFile(dir / "system.ini", before);
    WriteFile(dir / "del.cmd", "-[386Enh]\n");
    RunRivel({"/!", "/k", "system.ini", "del.cmd"}, dir.path());
    std::string expected = before;
    size_t from = expected.find("[386Enh]");
    expected.erase(from, expected.find("[drivers]") - from);
    EXPECT_EQ(ReadFile(dir / "system.ini"), expected);
}

TEST(KeepLayout, ASectionDeletedAndFilledAgainAddsNoEmptyLines) {
    ScratchDir dir;
    WriteFile(dir / "redo.cmd", "-[a]\n+[a]z=3\n");
    // At the top of the file, and after a section that ends in an empty line.
    WriteFile(dir / "top.ini", "[a]\nx=1\n\n; old\n[b]\ny=2\n");
    WriteFile(dir / "mid.ini", "[b]\ny=2\n\n[a]\nx=1\n[c]\nw=4\n");
    RunRivel({"/!", "/k", "top.ini", "redo.cmd"}, dir.path());
    RunRivel({"/!", "/k", "mid.ini", "redo.cmd"}, dir.path());
    EXPECT_EQ(ReadFile(dir / "top.ini"), "[a]\nz=3\n; old\n[b]\ny=2\n");
    EXPECT_EQ(ReadFile(dir / "mid.ini"), "[b]\ny=2\n\n[a]\nz=3\n[c]\nw=4\n");
    // The empty lines that ended it still part it from the next section.
    WriteFile(dir / "gap.ini", "[b]\ny=2\n\n[a]\nx=1\n\n\n[c]\nw=4\n");
    RunRivel({"/!", "/k", "gap.ini", "redo.cmd"}, dir.path());
    EXPECT_EQ(ReadFile(dir / "gap.ini"), "[b]\ny=2\n\n[a]\nz=3\n\n\n[c]\nw=4\n");
}

TEST(KeepLayout, ACommandThatChangesNothingLeavesTheFileAlone) {
    ScratchDir dir;
    const std::string before = ReadFile(Corpus() / "pip.conf");
    WriteFile(dir / "pip.conf", before);
    WriteFile(dir / "same.cmd", "+[global]timeout=60\n");
    RunRivel({"/!", "/k", "/b", "pip.conf", "same.cmd"}, dir.path());
    EXPECT_EQ(ReadFile(dir / "pip.conf"), before);
    EXPECT_FALSE(fs::exists(dir / "pip.bak"));
    // Without /k the same command rewrites the file in the designed layout.
    RunRivel({"/!", "/b", "pip.conf", "same.cmd"}, dir.path());
    EXPECT_NE(ReadFile(dir / "pip.conf"), before);
    EXPECT_TRUE(fs::exists(dir / "pip.bak"));
}

TEST(KeepLayout, OnAnIcmLineAndForNewSections) {
    ScratchDir dir;
    const std::string before = "[a]\nx=1   \n\n\n; end of a\n[b]\ny=2";
    WriteFile(dir / "one.ini", before);
    WriteFile(dir / "add.cmd", "+[a]z=3\n+[c]w=4\n");
    WriteFile(dir / "run.icm", "/k one.ini add.cmd\n");
    RunRivel({"/!", "/c", "run.icm"}, dir.path());
    // The unterminated last line gets its line end only because a line follows it.
    EXPECT_EQ(ReadFile(dir / "one.ini"),
              "[a]\nx=1   \nz=3\n\n\n; end of a\n[b]\ny=2\n\n[c]\nw=4\n");
}

TEST(KeepLayout, ALastLineEndedByALoneCrIsNotJoinedToTheLinesAfterIt) {
    ScratchDir dir;
    WriteFile(dir / "add.cmd", "+[s]b=2\n");
    WriteFile(dir / "new.cmd", "+[t]x=1\n");
    WriteFile(dir / "same.cmd", "+[s]a=1\n");
    for (const std::string end : {"\r\n", "\n"}) {
        SCOPED_TRACE(end == "\n" ? "LF" : "CRLF");
        const std::string before = "[s]" + end + "a=1\r";
        WriteFile(dir / "key.ini", before);
        WriteFile(dir / "sec.ini", before);
        WriteFile(dir / "same.ini", before);
        RunRivel({"/!", "/k", "key.ini", "add.cmd"}, dir.path());
        RunRivel({"/!", "/k", "sec.ini", "new.cmd"}, dir.path());
        RunRivel({"/!", "/k", "same.ini", "same.cmd"}, dir.path());
        // a=1 keeps its value: its CR becomes a line end of its own.
        EXPECT_EQ(ReadFile(dir / "key.ini"), "[s]" + end + "a=1\r\nb=2" + end);
        EXPECT_EQ(ReadFile(dir / "sec.ini"),
                  "[s]" + end + "a=1\r\n" + end + "[t]" + end + "x=1" + end);
        EXPECT_EQ(ReadFile(dir / "same.ini"), before);
    }
}

}  // namespace
}  // namespace rivel_test
