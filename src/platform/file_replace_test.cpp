#include "platform/file_replace.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/files.h"
#include "platform/temp_cleanup.h"

namespace rivel {
namespace {

namespace fs = std::filesystem;

struct Scratch {
    fs::path dir;
    Scratch() {
        dir = fs::path(CreateUniqueFile("", "replacetest"));
        fs::remove(dir);
        fs::create_directories(dir);
    }
    ~Scratch() {
        std::error_code ignored;
        fs::remove_all(dir, ignored);
    }
    std::string operator/(const std::string& name) const { return (dir / name).string(); }
    size_t Count() const {
        return static_cast<size_t>(
            std::distance(fs::directory_iterator(dir), fs::directory_iterator()));
    }
};

std::string Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void Write(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

TEST(ReplacementFile, NothingChangesUntilCommitThenAllAtOnce) {
    Scratch s;
    Write(s / "T.INI", "old\n");
    std::string error;
    {
        ReplacementFile file;
        ASSERT_TRUE(file.Begin(s / "T.INI", error)) << error;
        EXPECT_EQ(fs::path(file.NewName()).parent_path(), s.dir);
        std::string big(200000, 'x');
        EXPECT_TRUE(file.Write("new\n"));
        EXPECT_TRUE(file.Write(big));
        EXPECT_EQ(Read(s / "T.INI"), "old\n");
        EXPECT_EQ(s.Count(), 2u);
        ASSERT_TRUE(file.Commit(error)) << error;
        EXPECT_EQ(Read(s / "T.INI"), "new\n" + big);
    }
    EXPECT_EQ(s.Count(), 1u);
    // Dropped without Commit: the target keeps its bytes and nothing is left beside it.
    {
        ReplacementFile file;
        ASSERT_TRUE(file.Begin(s / "T.INI", error)) << error;
        file.Write("lost\n");
    }
    EXPECT_EQ(Read(s / "T.INI").substr(0, 4), "new\n");
    EXPECT_EQ(s.Count(), 1u);
    // A new target is created.
    ReplacementFile fresh;
    ASSERT_TRUE(fresh.Begin(s / "NEW.INI", error)) << error;
    fresh.Write("n");
    ASSERT_TRUE(fresh.Commit(error)) << error;
    EXPECT_EQ(Read(s / "NEW.INI"), "n");
}

TEST(ReplacementFile, DirectoryAndMissingDirectoryAreRefused) {
    Scratch s;
    fs::create_directories(s / "sub");
    ReplacementFile file;
    std::string error;
    EXPECT_FALSE(file.Begin(s / "sub", error));
    EXPECT_TRUE(file.RefusedNotRegular());
    EXPECT_TRUE(fs::is_directory(s / "sub"));
    EXPECT_FALSE(file.Begin(s / "nosuch" + std::string(1, PathSeparator()) + "A.INI", error));
    EXPECT_FALSE(file.RefusedNotRegular());
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(s.Count(), 1u);
}

TEST(ReplacementFile, ReadOnlyTargetRefusedUnlessAllowed) {
    Scratch s;
    Write(s / "RO.INI", "old\n");
    fs::permissions(s / "RO.INI", fs::perms::owner_read);
    std::string error;
    ReplacementFile file;
    if (IsReadOnlyFile(s / "RO.INI")) {
        EXPECT_FALSE(file.Begin(s / "RO.INI", error));
    }
    ASSERT_TRUE(file.Begin(s / "RO.INI", error, ReplaceOptions{true, false})) << error;
    file.Write("new\n");
    ASSERT_TRUE(file.Commit(error)) << error;
    EXPECT_EQ(Read(s / "RO.INI"), "new\n");
    fs::permissions(s / "RO.INI", fs::perms::owner_all);
}

TEST(TempCleanup, RemovesFilesThatWereNotPutInPlace) {
    Scratch s;
    Write(s / "T.INI", "old\n");
    std::string error;
    ReplacementFile file;
    ASSERT_TRUE(file.Begin(s / "T.INI", error)) << error;
    file.Write("half");
    std::string name = file.NewName();
    EXPECT_TRUE(fs::exists(name));
    if (PathSeparator() == '\\') {
        file.Abandon();
        GTEST_SKIP() << "Windows removes a file that is still open only when it is closed";
    }
    RemoveTempFiles();
    EXPECT_FALSE(fs::exists(name));
    file.Abandon();
    EXPECT_EQ(Read(s / "T.INI"), "old\n");
}

}  // namespace
}  // namespace rivel
