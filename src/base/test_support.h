// Helpers shared by the unit tests: expected log lines, settings at a verbosity, and a scratch
// folder that is removed again at the end of a test.
#pragma once

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <string_view>

#include "base/message_log.h"
#include "base/run_options.h"

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

inline RunOptions Verbose(int level) {
    RunOptions o;
    o.VerboseMode = level;
    return o;
}

// Random texts drawn from an alphabet, the same on every run.
struct RandomText {
    std::string_view alphabet;
    uint32_t seed;

    uint32_t Next(uint32_t bound) {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 8) % bound;
    }
    std::string Text(size_t length) {
        std::string s;
        for (size_t i = 0; i < length; ++i) {
            s += alphabet[Next(static_cast<uint32_t>(alphabet.size()))];
        }
        return s;
    }
};

// A scratch file name unique to this test process, in a folder below the system's temporary one.
inline std::string ScratchFileName(const std::string& stem) {
    static std::atomic<int> counter{0};
    auto dir = std::filesystem::temp_directory_path() / "rivel-unit";
    std::filesystem::create_directories(dir);
    return (dir / (stem + std::to_string(counter++) + "." +
                   std::to_string(std::hash<std::string>{}(dir.string()) % 100000)))
        .string();
}

inline std::string ReadWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

inline void WriteWholeFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

// A fresh directory below the system's temporary folder, removed at the end of a test.
class TempFolder {
  public:
    TempFolder() {
        static std::atomic<int> counter{0};
        path_ = std::filesystem::temp_directory_path() /
                ("rivel_unit_" + std::to_string(reinterpret_cast<uintptr_t>(this)) + "_" +
                 std::to_string(++counter));
        std::filesystem::remove_all(path_);
        std::filesystem::create_directories(path_);
    }
    ~TempFolder() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    std::string File(const std::string& name, const std::string& content) const {
        std::filesystem::path p = path_ / name;
        std::ofstream(p, std::ios::binary) << content;
        return p.string();
    }
    std::string Path(const std::string& name) const { return (path_ / name).string(); }
    const std::filesystem::path& path() const { return path_; }

  private:
    std::filesystem::path path_;
};

}  // namespace rivel::testing_support
