// Helpers shared by the script-language unit tests: expected log lines and a scratch folder.
#pragma once

#include <filesystem>
#include <fstream>
#include <string>

#include "driver/message_log.h"

namespace rivel::testing_support {

// One log line as LogMessage writes it.
inline std::string Msg(const std::string& label, const std::string& text = "") {
    std::string line = label;
    if (line.size() < kLabelWidth) {
        line.append(kLabelWidth - line.size(), ' ');
    }
    return line + text + "\n";
}

inline bool Has(const std::string& log, const std::string& piece) {
    return log.find(piece) != std::string::npos;
}

// A fresh directory below the system's temporary folder, removed again at the end of a test.
class TempFolder {
  public:
    TempFolder() {
        static int counter = 0;
        path_ = std::filesystem::temp_directory_path() /
                ("rivel_script_test_" + std::to_string(reinterpret_cast<uintptr_t>(this)) + "_" +
                 std::to_string(++counter));
        std::filesystem::remove_all(path_);
        std::filesystem::create_directories(path_);
    }
    ~TempFolder() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    std::string File(const std::string& name, const std::string& content) const {
        std::filesystem::path p = path_ / name;
        std::ofstream(p, std::ios::binary) << content;
        return p.string();
    }
    std::string Path(const std::string& name) const { return (path_ / name).string(); }

  private:
    std::filesystem::path path_;
};

}  // namespace rivel::testing_support
