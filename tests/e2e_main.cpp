// Entry point of the end-to-end tests: takes the program under test and the examples folder.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "rivel_runner.h"

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    namespace fs = std::filesystem;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg.rfind("--rivel=", 0) == 0) {
            rivel_test::SetRivelPath(fs::absolute(arg.substr(8)));
        } else if (arg.rfind("--examples=", 0) == 0) {
            rivel_test::SetExamplesDir(fs::absolute(arg.substr(11)));
        }
    }
    if (rivel_test::ExamplesDir().empty()) {
        rivel_test::SetExamplesDir(RIVEL_EXAMPLES_DIR);
    }
    if (rivel_test::RivelPath().empty()) {
        rivel_test::SetRivelPath(fs::absolute("rivel"));
    }
    return RUN_ALL_TESTS();
}
