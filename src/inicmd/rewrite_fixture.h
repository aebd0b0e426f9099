// Test helper: runs the rewrite pass on INI text with CMD command lines, in a scratch file.
#pragma once

#include <string>
#include <vector>

#include "driver/run_options.h"

namespace rivel {

struct RewriteResult {
    int status = 0;
    bool changed = false;
    std::string output;
    std::string log;
};

RewriteResult Rewrite(const std::vector<std::string>& commands, const std::string& ini,
                      RunOptions options = RunOptions{});

// A scratch file name unique to this test process.
std::string ScratchFileName(const std::string& stem);
std::string ReadWholeFile(const std::string& path);
void WriteWholeFile(const std::string& path, const std::string& bytes);

}  // namespace rivel
