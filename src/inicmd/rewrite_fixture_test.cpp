// Test helper: the rewrite pass run on scratch files (built into the unit tests only).
#include <atomic>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "driver/message_log.h"
#include "inicmd/command_list.h"
#include "inicmd/ini_rewrite.h"
#include "inicmd/rewrite_fixture.h"

namespace rivel {

std::string ScratchFileName(const std::string& stem) {
    static std::atomic<int> counter{0};
    auto dir = std::filesystem::temp_directory_path() / "rivel-unit";
    std::filesystem::create_directories(dir);
    return (dir / (stem + std::to_string(counter++) + "." +
                   std::to_string(std::hash<std::string>{}(dir.string()) % 100000)))
        .string();
}

std::string ReadWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void WriteWholeFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

RewriteResult Rewrite(const std::vector<std::string>& commands, const std::string& ini,
                      RunOptions options) {
    std::string in = ScratchFileName("in"), out = ScratchFileName("out");
    WriteWholeFile(in, ini);
    StartLogCapture();
    ResetCommands();
    for (const auto& c : commands) {
        ParseCommand(options, c, in);
    }
    RewriteResult r;
    r.status = ScanINI(options, in, out);
    r.changed = IniChanged();
    r.log = TakeLogCapture();
    r.output = ReadWholeFile(out);
    ResetCommands();
    std::filesystem::remove(in);
    std::filesystem::remove(out);
    return r;
}

}  // namespace rivel
