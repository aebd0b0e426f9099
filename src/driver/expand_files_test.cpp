#include "driver/expand_files.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "base/message_log.h"
#include "platform/files.h"

namespace rivel {
namespace {

namespace fs = std::filesystem;

// A directory tree below the current directory, removed at the end of the test.
class ExpandFilesTest : public ::testing::Test {
  protected:
    RunContext run;
    void SetUp() override {
        root_ = "expand-" +
                std::string(::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(root_);
        fs::create_directories(root_);
    }
    void TearDown() override { fs::remove_all(root_); }

    // The path of a name below the tree, "/" in it written as the platform's separator.
    std::string P(const std::string& relative) const {
        std::string path = root_ + PathSeparator() + relative;
        for (char& c : path) {
            if (c == '/') {
                c = PathSeparator();
            }
        }
        return path;
    }
    void File(const std::string& relative) {
        fs::create_directories(fs::path(P(relative)).parent_path());
        std::ofstream(P(relative)) << "x";
    }
    std::vector<std::string> Expand(const std::string& name1, const std::string& name2,
                                    int verbose = 0, std::string* log = nullptr) {
        RunOptions o;
        o.VerboseMode = verbose;
        StartLogCapture(run.log);
        std::vector<std::string> calls;
        ExpandFiles(run, o, name1, name2,
                    [&calls](RunContext&, RunOptions&, const std::string& a, const std::string& b) {
                        calls.push_back(a + "|" + b);
                    });
        std::string captured = TakeLogCapture(run.log);
        if (log != nullptr) {
            *log = captured;
        }
        return calls;
    }

    std::string root_;
};

TEST_F(ExpandFilesTest, NamesWithoutWildcardsGoThroughOnce) {
    EXPECT_EQ(Expand(P("missing.ini"), "b.cmd"),
              std::vector<std::string>{P("missing.ini") + "|b.cmd"});
}

TEST_F(ExpandFilesTest, StarAndQuestionMarkInTheLastComponent) {
    File("a1.ini");
    File("a2.ini");
    File("b1.ini");
    File("a1.txt");
    fs::create_directories(P("adir.ini"));
    std::string log;
    std::vector<std::string> calls = Expand(P("a*.ini"), "x.cmd", 99, &log);
    std::sort(calls.begin(), calls.end());
    // A directory that matches is passed on like a file; the run reports it cannot open it.
    EXPECT_EQ(calls, (std::vector<std::string>{P("a1.ini") + "|x.cmd", P("a2.ini") + "|x.cmd",
                                               P("adir.ini") + "|x.cmd"}));
    std::string prefix = root_ + PathSeparator();
    EXPECT_EQ(log, "Eval string path              " + P("a*.ini") +
                       "\nPart before wildcard :        " + prefix +
                       "\nPart incl.  wildcard :        " + P("a*.ini") +
                       "\nPart after  wildcard :        \n"
                       "Filename has wildcards includedSearching files\n"
                       "wildcard not in filename      Searching subdirs\n");

    calls = Expand(P("?1.ini"), "x.cmd");
    std::sort(calls.begin(), calls.end());
    EXPECT_EQ(calls, (std::vector<std::string>{P("a1.ini") + "|x.cmd", P("b1.ini") + "|x.cmd"}));
}

TEST_F(ExpandFilesTest, WildcardsInSeveralComponents) {
    File("A/one/X/a.ini");
    File("A/one/X/b.ini");
    File("A/one/X/c.txt");
    File("A/two/X/z.ini");
    File("A/three/other.ini");  // no X directory: nothing
    File("A/plain.ini");        // a plain file cannot hold an X directory
    std::string log;
    std::vector<std::string> calls = Expand(P("A/*/X/*.ini"), "c.cmd", 9, &log);
    std::sort(calls.begin(), calls.end());
    EXPECT_EQ(calls, (std::vector<std::string>{P("A/one/X/a.ini") + "|c.cmd",
                                               P("A/one/X/b.ini") + "|c.cmd",
                                               P("A/two/X/z.ini") + "|c.cmd"}));
    const std::string sep(1, PathSeparator());
    EXPECT_NE(log.find("Part after  wildcard :        " + sep + "X" + sep + "*.ini\n"),
              std::string::npos);
    EXPECT_NE(log.find("Eval string path              " + P("A/one/X/*.ini")), std::string::npos);
}

TEST_F(ExpandFilesTest, WildcardDirectoryWithAFixedName) {
    File("U/ann/WIN.INI");
    File("U/bob/other.ini");
    std::vector<std::string> calls = Expand(P("U/*/WIN.INI"), "c.cmd");
    std::sort(calls.begin(), calls.end());
    // Every user directory is tried; the run itself deals with a missing WIN.INI.
    EXPECT_EQ(calls, (std::vector<std::string>{P("U/ann/WIN.INI") + "|c.cmd",
                                               P("U/bob/WIN.INI") + "|c.cmd"}));
}

TEST_F(ExpandFilesTest, WildcardInTheSecondNameStopsExpansion) {
    File("a.ini");
    std::string log;
    EXPECT_EQ(Expand(P("*.ini"), "x?.cmd", 1, &log),
              std::vector<std::string>{P("*.ini") + "|x?.cmd"});
    EXPECT_EQ(log, "Wildcards only supported in filename 1 !!!!\n");
}

TEST_F(ExpandFilesTest, NoMatchNoCallNoMessage) {
    std::string log;
    EXPECT_TRUE(Expand(P("*.none"), "x.cmd", 1, &log).empty());
    EXPECT_TRUE(Expand(P("nodir*/a.ini"), "x.cmd", 1, &log).empty());
    EXPECT_EQ(log, "");
}

TEST_F(ExpandFilesTest, DriveRelativeNamesKeepTheirDrive) {
    if (PathSeparator() != '\\') {
        GTEST_SKIP() << "drives exist on Windows only";
    }
    // Files in the current directory, named through its drive alone: "Z:expand-dr*.tmp".
    std::string drive = fs::current_path().string().substr(0, 2);
    ASSERT_EQ(drive[1], ':');
    std::string stem = "expand-dr-" + root_;
    std::ofstream(stem + "1.tmp") << "x";
    std::ofstream(stem + "2.tmp") << "x";
    std::vector<std::string> calls = Expand(drive + stem + "*.tmp", "c");
    fs::remove(stem + "1.tmp");
    fs::remove(stem + "2.tmp");
    std::sort(calls.begin(), calls.end());
    EXPECT_EQ(calls,
              (std::vector<std::string>{drive + stem + "1.tmp|c", drive + stem + "2.tmp|c"}));
}

TEST_F(ExpandFilesTest, MatchesComeInByteOrderOnPosix) {
    if (PathSeparator() != '/') {
        GTEST_SKIP() << "the system's own order is used on Windows";
    }
    for (const char* name : {"b.ini", "B.ini", "a.ini", "_.ini", "c.ini"}) {
        File(name);
    }
    EXPECT_EQ(Expand(P("*.ini"), "x"),
              (std::vector<std::string>{P("B.ini") + "|x", P("_.ini") + "|x", P("a.ini") + "|x",
                                        P("b.ini") + "|x", P("c.ini") + "|x"}));
}

TEST_F(ExpandFilesTest, FoundNamesHoldingWildcardsAreNotExpandedAgain) {
    if (PathSeparator() != '/') {
        GTEST_SKIP() << "Windows names cannot hold * or ?";
    }
    File("*/x.ini");
    File("?/x.ini");
    File("*/y/x.ini");
    std::vector<std::string> calls = Expand(P("*/x.ini"), "c");
    EXPECT_EQ(calls, (std::vector<std::string>{P("*/x.ini") + "|c", P("?/x.ini") + "|c"}));
    calls = Expand(P("*/*/x.ini"), "c");
    EXPECT_EQ(calls, (std::vector<std::string>{P("*/y/x.ini") + "|c"}));
}

}  // namespace
}  // namespace rivel
