#include "platform/work_files.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/files.h"

namespace rivel {
namespace {

namespace fs = std::filesystem;

// A wildcard must skip every name the makers give, and only those: a user's file that merely
// looks alike is still edited.
TEST(WorkFiles, EveryNameMadeIsRecognisedAndNoOther) {
    for (unsigned long seed : {0ul, 1ul, 7919ul, 0xfffffffful, 123456789ul}) {
        for (const std::string& base :
             {std::string("A.INI"), std::string("system.ini"), std::string(300, 'n')}) {
            const std::string name = NewVersionName(base, seed);
            EXPECT_TRUE(IsWorkFileName(name)) << name;
            EXPECT_EQ(name.find_first_of("/\\"), std::string::npos) << name;
        }
    }
    fs::path dir = fs::temp_directory_path();
    for (int i = 0; i < 3; ++i) {
        const fs::path made = CreateUniqueFile(dir.string(), kGroupTextStem);
        ASSERT_FALSE(made.empty());
        EXPECT_TRUE(IsWorkFileName(made.filename().string())) << made;
        fs::remove(made);
    }
#ifdef _WIN32
    EXPECT_TRUE(IsWorkFileName(fs::path(LockFileName("C:\\data\\A.INI")).filename().string()));
    EXPECT_TRUE(IsWorkFileName("~RVL123.TMP"));
#endif
    for (const char* user : {"A.INI", "rvg", "rvg.ini", "rvgabc", ".A.INI.rvl", ".rvl12345678",
                             "~rvl.tmp", "~rvlx1.tmp", "rvg1234567.tmp", "notes.tmp"}) {
        EXPECT_FALSE(IsWorkFileName(user)) << user;
    }
}

}  // namespace
}  // namespace rivel
