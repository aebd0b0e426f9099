#include "platform/file_lock.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/files.h"

namespace rivel {
namespace {

namespace fs = std::filesystem;

TEST(EditLock, HeldAgainByItsHolderAndReleasedWithoutLitter) {
    fs::path dir = fs::path(CreateUniqueFile("", "locktest"));
    fs::remove(dir);
    fs::create_directories(dir);
    std::string ini = (dir / "L.INI").string();
    std::string gri = (dir / "L.GRI").string();
    EditLock outer, inner;
    std::string error;
    ASSERT_EQ(AcquireEditLock(ini, outer, error, 0), LockResult::Held) << error;
    EXPECT_NE(outer.handle, -1);
    // The holder may take the lock of a file in the same place again at once.
    ASSERT_EQ(AcquireEditLock(gri, inner, error, 0), LockResult::Held) << error;
    ReleaseEditLock(inner);
    EXPECT_EQ(inner.handle, -1);
    ReleaseEditLock(outer);
    EXPECT_TRUE(fs::is_empty(dir));
    ASSERT_EQ(AcquireEditLock(ini, outer, error, 0), LockResult::Held) << error;
    ReleaseEditLock(outer);
    fs::remove_all(dir);
}

}  // namespace
}  // namespace rivel
