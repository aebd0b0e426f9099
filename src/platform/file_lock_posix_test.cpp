// The lock is the real file's, and another holder makes the wait end with InUse.
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>

#include "platform/file_lock.h"
#include "platform/files.h"

namespace rivel {
namespace {

namespace fs = std::filesystem;

TEST(EditLockPosix, AnotherHolderThroughAnyNameMakesTheWaitEnd) {
    fs::path dir = fs::path(CreateUniqueFile("", "lockposix"));
    fs::remove(dir);
    fs::create_directories(dir / "real");
    fs::create_directories(dir / "links");
    fs::create_symlink("../real/A.INI", dir / "links/A.INI");
    // Another open of the real directory, as another process would hold it.
    int other = ::open((dir / "real").c_str(), O_RDONLY | O_DIRECTORY);
    ASSERT_GE(other, 0);
    ASSERT_EQ(::flock(other, LOCK_EX), 0);
    EditLock lock;
    std::string error;
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(AcquireEditLock((dir / "links/A.INI").string(), lock, error, 1), LockResult::InUse);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(900));
    EXPECT_EQ(AcquireEditLock((dir / "real/A.INI").string(), lock, error, 0), LockResult::InUse);
    ::close(other);
    EXPECT_EQ(AcquireEditLock((dir / "links/A.INI").string(), lock, error, 0), LockResult::Held);
    ReleaseEditLock(lock);
    fs::remove_all(dir);
}

}  // namespace
}  // namespace rivel
