// Support for the end-to-end tests: scratch directories, files and the environment.
#include "rivel_runner.h"

#include <gtest/gtest.h>

#include <atomic>
#include <fstream>
#include <sstream>

#include "platform/environment.h"
#include "platform/files.h"

namespace rivel_test {

namespace fs = std::filesystem;

namespace {
fs::path& RivelStorage() {
    static fs::path p;
    return p;
}
fs::path& ExamplesStorage() {
    static fs::path p;
    return p;
}
}  // namespace

const fs::path& RivelPath() {
    return RivelStorage();
}
const fs::path& ExamplesDir() {
    return ExamplesStorage();
}
void SetRivelPath(const fs::path& path) {
    RivelStorage() = path;
}
void SetExamplesDir(const fs::path& path) {
    ExamplesStorage() = path;
}

ScratchDir::ScratchDir() {
    static std::atomic<int> counter{0};
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = info != nullptr ? std::string(info->test_suite_name()) + "." + info->name()
                                       : std::string("scratch");
    path_ = fs::current_path() / "e2e-scratch" / (name + "." + std::to_string(counter++));
    std::error_code ec;
    fs::remove_all(path_, ec);
    fs::create_directories(path_);
}

ScratchDir::~ScratchDir() {
    std::error_code ec;
    fs::remove_all(path_, ec);
}

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

std::string SectionsIni(int sections) {
    std::string ini;
    for (int s = 0; s < sections; ++s) {
        ini += "[s" + std::to_string(s) + "]\n";
        for (int k = 0; k < 20; ++k) {
            ini += "key" + std::to_string(k) + "=value number " + std::to_string(k) + "\n";
        }
    }
    return ini;
}

void WriteFile(const fs::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

std::string Utf16File(std::u16string_view text, bool bigEndian) {
    std::string bytes = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
    for (char16_t unit : text) {
        char high = static_cast<char>(unit >> 8);
        char low = static_cast<char>(unit & 0xFF);
        bytes.push_back(bigEndian ? high : low);
        bytes.push_back(bigEndian ? low : high);
    }
    return bytes;
}

std::string Lf(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
            continue;
        }
        out += text[i];
    }
    return out;
}

ScopedEnv::ScopedEnv(const std::string& name, const std::string& value, bool unset) : name_(name) {
    auto old = rivel::GetEnvVar(name);
    had_ = old.has_value();
    old_ = old.value_or("");
    if (unset) {
        rivel::RemoveEnvVar(name);
    } else {
        rivel::PutEnvVar(name, value);
    }
}

ScopedEnv::~ScopedEnv() {
    if (had_) {
        rivel::PutEnvVar(name_, old_);
    } else {
        rivel::RemoveEnvVar(name_);
    }
}

char Sep() {
    return rivel::PathSeparator();
}

}  // namespace rivel_test
