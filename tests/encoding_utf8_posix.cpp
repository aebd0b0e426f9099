// On POSIX the program's text is UTF-8: bytes that are not UTF-8 cannot go into a UTF-16 file.
#include <gtest/gtest.h>

#include <filesystem>

#include "rivel_runner.h"

namespace rivel_test {
namespace {

namespace fs = std::filesystem;

TEST(Encodings, BytesThatAreNotUtf8LeaveAUtf16FileUntouched) {
    ScratchDir dir;
    fs::create_directories(dir / "tmp");
    ScopedEnv temp("TEMP", (dir / "tmp").string());
    // "[s]\nk=1\n" in UTF-16LE with its mark.
    const std::string good("\xFF\xFE[\0s\0]\0\n\0k\0=\0001\0\n\0", 18);
    WriteFile(dir / "good.ini", good);
    WriteFile(dir / "bad.cmd", "+[s]x=\x81\xFF\xFE\n");
    RunResult r = RunRivel({"/!", "/v1", "good.ini", "bad.cmd"}, dir.path());
    EXPECT_EQ(ReadFile(dir / "good.ini"), good);
    EXPECT_NE(r.err.find("Can't convert text to the encoding of"), std::string::npos) << r.err;
    EXPECT_TRUE(fs::is_empty(dir / "tmp"));
}

}  // namespace
}  // namespace rivel_test
