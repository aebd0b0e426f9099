#include "inicmd/ini_replace.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "inicmd/rewrite_fixture.h"
#include "platform/file_lock.h"
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

TEST(MoveOrReplaceFileWith, SameVolumeMovesTheFileIntoPlace) {
    fs::path dir = fs::path(ScratchFileName("move"));
    fs::create_directories(dir);
    std::string target = (dir / "T.INI").string();
    std::string source = (dir / "new.tmp").string();
    WriteWholeFile(target, "old\n");
    WriteWholeFile(source, "new\n");
    if (PathSeparator() == '/') {
        fs::permissions(target, fs::perms::owner_read | fs::perms::owner_write);
    }
    std::string error;
    EXPECT_TRUE(MoveOrReplaceFileWith(source, target, error)) << error;
    EXPECT_EQ(ReadWholeFile(target), "new\n");
    EXPECT_FALSE(fs::exists(source));
    if (PathSeparator() == '/') {
        EXPECT_EQ(fs::status(target).permissions(), fs::perms::owner_read | fs::perms::owner_write);
    }
    // A missing source changes nothing.
    EXPECT_FALSE(MoveOrReplaceFileWith(source, target, error));
    EXPECT_EQ(ReadWholeFile(target), "new\n");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);
    fs::remove_all(dir);
}

TEST(EditLock, HeldAndReleasedWithoutLitter) {
    fs::path dir = fs::path(ScratchFileName("lock"));
    fs::create_directories(dir);
    std::string ini = (dir / "L.INI").string();
    EditLock lock;
    std::string error;
    ASSERT_TRUE(AcquireEditLock(ini, lock, error)) << error;
    EXPECT_NE(lock.handle, -1);
    ReleaseEditLock(lock);
    EXPECT_EQ(lock.handle, -1);
    EXPECT_TRUE(fs::is_empty(dir));
    // Taking it again after the release works at once.
    ASSERT_TRUE(AcquireEditLock(ini, lock, error)) << error;
    ReleaseEditLock(lock);
    fs::remove_all(dir);
}

}  // namespace
}  // namespace rivel
