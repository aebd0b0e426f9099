// What only POSIX file systems have: devices and pipes under a file's name, symbolic links,
// owners and permission bits.
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>
#include <cerrno>

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>

#include "platform/file_replace.h"
#include "platform/files.h"

namespace rivel {
namespace {

namespace fs = std::filesystem;

struct Scratch {
    fs::path dir;
    Scratch() {
        dir = fs::path(CreateUniqueFile("", "replaceposix"));
        fs::remove(dir);
        fs::create_directories(dir);
    }
    ~Scratch() {
        std::error_code ignored;
        fs::remove_all(dir, ignored);
    }
    std::string operator/(const std::string& name) const { return (dir / name).string(); }
};

std::string Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

bool Replace(const std::string& target, const std::string& bytes, std::string& error,
             ReplaceOptions options = {}) {
    ReplacementFile file;
    if (!file.Begin(target, error, options)) {
        return false;
    }
    file.Write(bytes);
    return file.Commit(error);
}

TEST(ReplacementFilePosix, DevicesPipesAndLinksToThemAreRefused) {
    Scratch s;
    ASSERT_EQ(::mkfifo((s / "fifo").c_str(), 0600), 0);
    fs::create_symlink("/dev/null", s / "blank.ini");
    std::string error;
    for (const std::string& target : {s / "fifo", s / "blank.ini", std::string("/dev/null")}) {
        ReplacementFile file;
        EXPECT_FALSE(file.Begin(target, error)) << target;
        EXPECT_TRUE(file.RefusedNotRegular()) << target;
    }
    EXPECT_TRUE(fs::is_fifo(s / "fifo"));
    EXPECT_TRUE(fs::is_symlink(s / "blank.ini"));
    EXPECT_TRUE(fs::is_character_file("/dev/null"));
    EXPECT_EQ(std::distance(fs::directory_iterator(s.dir), fs::directory_iterator()), 2);
}

TEST(ReplacementFilePosix, LinkFollowedOrReplacedAsAsked) {
    Scratch s;
    fs::create_directories(s / "real");
    std::ofstream(s / "real/A.INI") << "old\n";
    fs::create_symlink("real/A.INI", s / "A.INI");
    std::string error;
    ASSERT_TRUE(Replace(s / "A.INI", "followed\n", error)) << error;
    EXPECT_TRUE(fs::is_symlink(s / "A.INI"));
    EXPECT_EQ(Read(s / "real/A.INI"), "followed\n");
    // Not followed: the link itself gives way and the file it named is untouched.
    ASSERT_TRUE(Replace(s / "A.INI", "own\n", error, ReplaceOptions{false, true})) << error;
    EXPECT_FALSE(fs::is_symlink(s / "A.INI"));
    EXPECT_EQ(Read(s / "A.INI"), "own\n");
    EXPECT_EQ(Read(s / "real/A.INI"), "followed\n");
}

TEST(ReplacementFilePosix, ModeKeptAndNewFilePrivateWhileWritten) {
    Scratch s;
    std::ofstream(s / "M.INI") << "old\n";
    ::chmod((s / "M.INI").c_str(), 0640);
    std::string error;
    ReplacementFile file;
    ASSERT_TRUE(file.Begin(s / "M.INI", error)) << error;
    struct stat st {};
    ASSERT_EQ(::stat(file.NewName().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0600u);
    EXPECT_TRUE(file.OldPermissions().known);
    EXPECT_EQ(file.OldPermissions().mode, 0640u);
    file.Write("new\n");
    ASSERT_TRUE(file.Commit(error)) << error;
    ASSERT_EQ(::stat((s / "M.INI").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(st.st_uid, ::geteuid());
}

// Extended attributes (where POSIX ACLs and security labels are kept) stay with the file.
TEST(ReplacementFilePosix, ExtendedAttributesKept) {
    Scratch s;
    std::ofstream(s / "X.INI") << "old\n";
    const std::string note = "shared with the help desk";
    if (::setxattr((s / "X.INI").c_str(), "user.rivel.note", note.data(), note.size(), 0) != 0) {
        GTEST_SKIP() << "no user attributes here: " << std::strerror(errno);
    }
    std::string error;
    ASSERT_TRUE(Replace(s / "X.INI", "new\n", error)) << error;
    EXPECT_EQ(Read(s / "X.INI"), "new\n");
    char value[64] = {};
    ssize_t n = ::getxattr((s / "X.INI").c_str(), "user.rivel.note", value, sizeof value);
    ASSERT_GE(n, 0) << std::strerror(errno);
    EXPECT_EQ(std::string(value, static_cast<size_t>(n)), note);
}

}  // namespace
}  // namespace rivel
