#include "inicmd/ini_replace.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "inicmd/rewrite_fixture.h"
#include "platform/file_replace.h"
#include "platform/files.h"

namespace rivel {
namespace {

namespace fs = std::filesystem;

TEST(MakeBackupName, ExtensionReplacedNotAppended) {
    const std::string sep(1, PathSeparator());
    EXPECT_EQ(MakeBackupName("WIN.INI"), "WIN.bak");
    EXPECT_EQ(MakeBackupName("a" + sep + "b.c" + sep + "WIN.INI"),
              "a" + sep + "b.c" + sep + "WIN.bak");
    EXPECT_EQ(MakeBackupName("a.d" + sep + "WIN"), "a.d" + sep + "WIN.bak");
    EXPECT_EQ(MakeBackupName("x.tar.ini"), "x.tar.bak");
}

// Names in the directory of path other than the file itself.
std::vector<std::string> Beside(const std::string& path) {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(fs::path(path).parent_path())) {
        if (e.path().filename() != fs::path(path).filename()) {
            names.push_back(e.path().filename().string());
        }
    }
    return names;
}

TEST(ReplaceFileWith, WholeOrNotAtAllAndNothingLeftBeside) {
    fs::path dir = fs::path(ScratchFileName("replace"));
    fs::create_directories(dir);
    std::string target = (dir / "T.INI").string();
    std::string source = ScratchFileName("source");
    WriteWholeFile(target, "old\n");
    WriteWholeFile(source, "new contents\n");
    std::string error;
    EXPECT_FALSE(ReplaceFileWith(source + ".absent", target, error));
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(ReadWholeFile(target), "old\n");
    EXPECT_TRUE(Beside(target).empty());

    if (PathSeparator() == '/') {
        fs::permissions(target,
                        fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    }
    EXPECT_TRUE(ReplaceFileWith(source, target, error)) << error;
    EXPECT_EQ(ReadWholeFile(target), "new contents\n");
    EXPECT_EQ(ReadWholeFile(source), "new contents\n");
    EXPECT_TRUE(Beside(target).empty());
    if (PathSeparator() == '/') {
        EXPECT_EQ(fs::status(target).permissions(),
                  fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    }
    // A new target is created.
    std::string fresh = (dir / "NEW.INI").string();
    EXPECT_TRUE(ReplaceFileWith(source, fresh, error)) << error;
    EXPECT_EQ(ReadWholeFile(fresh), "new contents\n");
    fs::remove_all(dir);
    fs::remove(source);
}

}  // namespace
}  // namespace rivel
