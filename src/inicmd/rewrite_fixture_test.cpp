// Test helper: the rewrite pass run on scratch files (built into the unit tests only).
#include <filesystem>

#include "base/message_log.h"
#include "inicmd/command_list.h"
#include "inicmd/ini_rewrite.h"
#include "inicmd/rewrite_fixture.h"

namespace rivel {

RewriteResult Rewrite(const std::vector<std::string>& commands, const std::string& ini,
                      RunOptions options) {
    RunContext run;
    std::string in = ScratchFileName("in"), out = ScratchFileName("out");
    WriteWholeFile(in, ini);
    StartLogCapture(run.log);
    CommandStore store;
    for (const auto& c : commands) {
        ParseCommand(run, options, store, c, in);
    }
    RewriteResult r;
    r.status = ScanINI(run, options, store, in, out);
    r.changed = store.IniChanged;
    r.log = TakeLogCapture(run.log);
    r.output = ReadWholeFile(out);
    std::filesystem::remove(in);
    std::filesystem::remove(out);
    return r;
}

}  // namespace rivel
