// Test helper: runs the rewrite pass on INI text with CMD command lines, in a scratch file.
#pragma once

#include <string>
#include <vector>

#include "base/run_context.h"
#include "base/test_support.h"

namespace rivel {

struct RewriteResult {
    int status = 0;
    bool changed = false;
    std::string output;
    std::string log;
};

RewriteResult Rewrite(const std::vector<std::string>& commands, const std::string& ini,
                      RunOptions options = RunOptions{});

using testing_support::RandomText;
using testing_support::ReadWholeFile;
using testing_support::ScratchFileName;
using testing_support::WriteWholeFile;

}  // namespace rivel
