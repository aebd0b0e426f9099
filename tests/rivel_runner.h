// Runs the built rivel program in a scratch directory and collects what it leaves behind.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace rivel_test {

struct RunResult {
    int status = -1;
    std::string out;  // standard output
    std::string err;  // standard error
};

// The rivel executable under test and the bundled examples (from the test runner's arguments).
const std::filesystem::path& RivelPath();
const std::filesystem::path& ExamplesDir();
void SetRivelPath(const std::filesystem::path& path);
void SetExamplesDir(const std::filesystem::path& path);

// A program still running after this long is stopped, so that a hang fails its test with a
// message instead of stalling the whole suite.
inline constexpr int kProgramTimeLimitSeconds = 600;
inline constexpr const char* kProgramStoppedNote =
    "\n(stopped: still running after the time limit)\n";

// Runs program with the arguments in workDir, standard input fed from stdinText; the process
// inherits this process's environment.
RunResult RunProgram(const std::filesystem::path& program, const std::vector<std::string>& args,
                     const std::filesystem::path& workDir, const std::string& stdinText = "");

inline RunResult RunRivel(const std::vector<std::string>& args,
                          const std::filesystem::path& workDir, const std::string& stdinText = "") {
    return RunProgram(RivelPath(), args, workDir, stdinText);
}

// A fresh, empty directory for one test, removed when it goes out of scope.
class ScratchDir {
  public:
    ScratchDir();
    ~ScratchDir();
    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

  private:
    std::filesystem::path path_;
};

std::string ReadFile(const std::filesystem::path& path);
void WriteFile(const std::filesystem::path& path, const std::string& bytes);
// An INI file of sections [s0].. each with 20 keys key0=value number 0..
std::string SectionsIni(int sections);

// The bytes of a UTF-16 file: its byte-order mark, then the code units of text (one per char16_t),
// little-endian unless bigEndian.
std::string Utf16File(std::u16string_view text, bool bigEndian = false);

// The output with CRLF folded to LF, so that one expectation serves both platforms.
std::string Lf(const std::string& text);

// Sets (or, with unset, removes) an environment variable for the rest of a test.
class ScopedEnv {
  public:
    ScopedEnv(const std::string& name, const std::string& value, bool unset = false);
    ~ScopedEnv();

  private:
    std::string name_;
    bool had_ = false;
    std::string old_;
};

// None of the variables that name a directory for temporary files, for the rest of a test.
struct NoTempVariables {
    ScopedEnv temp{"TEMP", "", true};
    ScopedEnv tmp{"TMP", "", true};
    ScopedEnv tmpdir{"TMPDIR", "", true};
};

// "\\" on Windows, "/" elsewhere.
char Sep();

}  // namespace rivel_test
