// Every file call of a run made to fail in turn. For each kind of run that writes user files (an
// INI edit with a backup, an INI file created, a GRP edit, a GRP compiled, a GRP decompiled, an
// RCM run on a registry store), a clean run first tells how many calls of each kind the run
// makes and what the files look like afterwards; then the run is repeated on fresh copies with
// call N of a kind failing, for every N. Each time, every user file must be wholly old or wholly
// new, no file the run began may be left behind (beside the files or in TEMP), and a run that
// did not leave every file new must say so on standard error and in its exit status.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <sstream>

#include "rivel_runner.h"
#include "safety_support.h"

namespace rivel_test {
namespace {

namespace fs = std::filesystem;

using Contents = std::optional<std::string>;  // nullopt: no such file

struct Scenario {
    std::vector<std::string> args;
    std::vector<std::string> watched;              // the user files, relative to the run's folder
    std::function<void(const fs::path&)> prepare;  // writes the files as they are before a run
};

// A fault of the injection library: the call kind and what it fails with. A harmless one (a
// short write, an interrupted call) is to be handled by the program: the run must succeed.
struct Fault {
    const char* call;
    const char* error;
    bool harmless;
};

const Fault kFaults[] = {
    {"write", "ENOSPC", false}, {"write", "EFBIG", false},  {"write", "SHORT", true},
    {"write", "EINTR", true},   {"fsync", "EIO", false},    {"fsync", "EINTR", true},
    {"close", "EIO", false},    {"fchmod", "EPERM", false}, {"fchown", "EPERM", false},
    {"rename", "EROFS", false}, {"create", "EROFS", false}, {"create", "EDQUOT", false},
    {"open", "ENOENT", false},  {"open", "EACCES", false},  {"read", "EIO", false},
};

// Calls that write or put a file in place: when one of them keeps a file old, the exit status
// says that a file could not be written.
bool WriteSide(const std::string& call) {
    return call != "open" && call != "read";
}

// The calls tried for a kind made count times: all of the first 40, then about 20 more spread
// over the rest, and the last one.
std::vector<long> CallsToFail(long count) {
    std::vector<long> calls;
    for (long n = 1; n <= count; ++n) {
        if (n <= 40 || n == count || (n - 40) % std::max(1L, (count - 40) / 20) == 0) {
            calls.push_back(n);
        }
    }
    return calls;
}

Contents ReadIfAny(const fs::path& path) {
    if (!fs::exists(path)) {
        return std::nullopt;
    }
    return ReadFile(path);
}

// The run's time in the new files (registry key times, the decompiling date) made neutral, so
// that two runs that write the same files compare equal.
std::string WithoutTimes(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    size_t at = 0;
    while (at < text.size()) {
        size_t end = text.find('\n', at);
        end = end == std::string::npos ? text.size() : end + 1;
        std::string_view line(text.data() + at, end - at);
        at = end;
        size_t keep = line.size();
        if (line.starts_with("#time=")) {
            keep = 6;
        } else if (line.starts_with("; Decompiled at ")) {
            keep = 16;
        } else if (line.starts_with("[")) {
            size_t close = line.rfind("] ");
            if (close != std::string::npos &&
                line.find_first_not_of("0123456789\n", close + 2) == std::string::npos) {
                keep = close + 2;
            }
        }
        out.append(line.substr(0, keep));
        if (keep < line.size()) {
            out += "T\n";
        }
    }
    return out;
}

bool SameFile(const Contents& a, const Contents& b) {
    return a.has_value() == b.has_value() && (!a || WithoutTimes(*a) == WithoutTimes(*b));
}

// Every name below dir, relative to it, sorted.
std::set<std::string> Tree(const fs::path& dir) {
    std::set<std::string> names;
    for (const auto& e : fs::recursive_directory_iterator(dir)) {
        names.insert(fs::relative(e.path(), dir).string());
    }
    return names;
}

std::map<std::string, long> ReadCounts(const fs::path& file) {
    std::map<std::string, long> counts;
    std::istringstream in(ReadFile(file));
    std::string kind;
    long count = 0;
    while (in >> kind >> count) {
        counts[kind] = count;
    }
    return counts;
}

#ifdef __SANITIZE_ADDRESS__
// The sanitizer's runtime, which must come before any other preloaded library.
std::string SanitizerRuntime() {
    std::ifstream maps("/proc/self/maps");
    std::string line;
    while (std::getline(maps, line)) {
        size_t at = line.find('/');
        if (at != std::string::npos && line.find("/libasan.so", at) != std::string::npos) {
            return line.substr(at);
        }
    }
    return "";
}
#endif

struct Outcome {
    RunResult result;
    std::map<std::string, Contents> files;
    std::set<std::string> names;  // what is in the run's folder afterwards
    bool tempEmpty = true;
    std::map<std::string, long> counts;
};

class Matrix {
  public:
    explicit Matrix(Scenario s) : scenario_(std::move(s)) {}

    // Finds the library to preload; returns why there is none, or "".
    std::string SkipReason() {
#ifdef RIVEL_FAULT_INJECT
        preload_ = RIVEL_FAULT_INJECT;
#ifdef __SANITIZE_ADDRESS__
        std::string runtime = SanitizerRuntime();
        if (runtime.empty()) {
            return "the AddressSanitizer runtime of this build cannot be found to preload";
        }
        preload_ = runtime + ":" + preload_;
#endif
        return "";
#else
        return "the fault injection library is built for Linux only";
#endif
    }

    Outcome Run(const std::vector<std::string>& faultEnv) {
        std::error_code ignored;
        fs::remove_all(work_, ignored);
        fs::remove_all(temp_, ignored);
        fs::remove(countFile_, ignored);
        fs::create_directories(work_);
        fs::create_directories(temp_);
        scenario_.prepare(work_);
        ChildLimits limits;
        limits.env = {"LD_PRELOAD=" + preload_,
                      "RIVEL_FAULT_COUNT_FILE=" + countFile_.string(),
                      "RIVEL_REGISTRY=" + (work_ / "store").string(),
                      "TEMP=" + temp_.string(),
                      "TMP=" + temp_.string(),
                      "TMPDIR=" + temp_.string()};
        limits.env.insert(limits.env.end(), faultEnv.begin(), faultEnv.end());
        limits.alarmSeconds = 60;
        Outcome o;
        o.result = RunLimited(scenario_.args, work_, limits);
        for (const std::string& name : scenario_.watched) {
            o.files[name] = ReadIfAny(work_ / name);
        }
        o.names = Tree(work_);
        o.tempEmpty = fs::is_empty(temp_);
        o.counts = ReadCounts(countFile_);
        return o;
    }

    std::map<std::string, Contents> Before() {
        std::error_code ignored;
        fs::remove_all(work_, ignored);
        fs::create_directories(work_);
        scenario_.prepare(work_);
        std::map<std::string, Contents> files;
        for (const std::string& name : scenario_.watched) {
            files[name] = ReadIfAny(work_ / name);
        }
        before_ = Tree(work_);
        return files;
    }

    const std::set<std::string>& NamesBefore() const {
        return before_;
    }

  private:
    Scenario scenario_;
    ScratchDir root_;
    fs::path work_ = root_ / "work";
    fs::path temp_ = root_ / "temp";
    fs::path countFile_ = root_ / "counts";
    std::string preload_;
    std::set<std::string> before_;
};

// What a run with a failing call is held to: the files before and after a clean run.
struct Expected {
    std::map<std::string, Contents> old;
    std::map<std::string, Contents> fresh;
    std::set<std::string> allowed;  // the names there were, and the user files
    std::string cleanErr;           // what the clean run says on standard error
};

// Adds to faults what is wrong with the outcome of a run whose call n of fault.call failed.
void Judge(const Fault& fault, long n, const Outcome& o, const Expected& e,
           std::vector<std::string>& faults) {
    const std::string what =
        std::string(fault.call) + " " + std::to_string(n) + " " + fault.error + ": ";
    std::vector<std::string> kept;
    for (const auto& [name, contents] : o.files) {
        if (SameFile(contents, e.fresh.at(name))) {
            continue;
        }
        if (contents == e.old.at(name)) {
            kept.push_back(name);
            continue;
        }
        faults.push_back(what + name + " is neither old nor new (" +
                         std::to_string(contents ? contents->size() : 0) + " bytes)");
    }
    for (const std::string& name : o.names) {
        if (e.allowed.count(name) == 0) {
            faults.push_back(what + "left behind: " + name);
        }
    }
    for (const std::string& name : e.allowed) {
        if (o.files.count(name) == 0 && o.names.count(name) == 0) {
            faults.push_back(what + "gone: " + name);
        }
    }
    if (!o.tempEmpty) {
        faults.push_back(what + "a file left in TEMP");
    }
    auto reached = o.counts.find(fault.call);
    if (reached == o.counts.end() || reached->second < n) {
        faults.push_back(what + "the call was not reached");
    }
    const int status = o.result.status;
    const bool said = o.result.err != e.cleanErr;
    if (fault.harmless) {
        if (!kept.empty() || status != 0 || said) {
            faults.push_back(what + "a call the program must handle failed the run (" +
                             std::to_string(status) + "): " + o.result.err);
        }
        return;
    }
    if (status != 0 && status != 1 && status != 2) {
        faults.push_back(what + "ended with status " + std::to_string(status) + ": " +
                         o.result.err);
    }
    if (!kept.empty() && status == 0) {
        faults.push_back(what + kept[0] + " not replaced, yet the run succeeded: " + o.result.err);
    }
    if (!kept.empty() && WriteSide(fault.call) && status != 2) {
        faults.push_back(what + kept[0] + " not replaced, status " + std::to_string(status) +
                         " instead of 2");
    }
    if (status != 0 && !said) {
        faults.push_back(what + "status " + std::to_string(status) +
                         " without a message on standard error; output: " + o.result.out);
    }
}

// Runs the scenario clean and then with every call failing in turn; the faults found are
// reported together, one line each.
void RunMatrix(const Scenario& scenario) {
    Matrix matrix(scenario);
    const std::string skipReason = matrix.SkipReason();
    if (!skipReason.empty()) {
        GTEST_SKIP() << skipReason;
    }
    Expected e;
    e.old = matrix.Before();
    const Outcome clean = matrix.Run({});
    ASSERT_EQ(clean.result.status, 0) << clean.result.err;
    ASSERT_FALSE(clean.counts.empty()) << "the fault injection library was not loaded";
    // At /v1 the clean run says only what is worth a level-1 message: a failing run says more.
    e.cleanErr = clean.result.err;
    e.fresh = clean.files;
    for (const auto& [name, contents] : clean.files) {
        ASSERT_TRUE(contents.has_value()) << name << " not written by the clean run";
        ASSERT_FALSE(SameFile(contents, e.old.at(name))) << name << " not changed by the clean run";
    }
    ASSERT_TRUE(clean.tempEmpty);
    e.allowed = matrix.NamesBefore();
    e.allowed.insert(scenario.watched.begin(), scenario.watched.end());
    ASSERT_EQ(clean.names, e.allowed) << "the clean run left or lost a file";

    std::vector<std::string> faults;
    int runs = 0;
    for (const Fault& fault : kFaults) {
        auto found = clean.counts.find(fault.call);
        ASSERT_NE(found, clean.counts.end()) << fault.call;
        for (long n : CallsToFail(found->second)) {
            ++runs;
            Outcome o = matrix.Run({std::string("RIVEL_FAULT_CALL=") + fault.call,
                                    "RIVEL_FAULT_AT=" + std::to_string(n),
                                    std::string("RIVEL_FAULT_ERRNO=") + fault.error});
            Judge(fault, n, o, e, faults);
        }
    }
    std::string list;
    for (size_t i = 0; i < faults.size() && i < 40; ++i) {
        list += faults[i] + "\n";
    }
    EXPECT_TRUE(faults.empty()) << faults.size() << " faults in " << runs << " runs:\n" << list;
    std::string calls;
    for (const auto& [kind, count] : clean.counts) {
        calls += " " + kind + "=" + std::to_string(count);
    }
    std::printf("[  MATRIX  ] calls of a clean run:%s; %d runs with a failing call\n",
                calls.c_str(), runs);
}

// A group made by the program from GRI text, made once.
const std::string& GroupImage(const std::string& key, const std::string& gri) {
    static std::map<std::string, std::string> images;
    auto found = images.find(key);
    if (found != images.end()) {
        return found->second;
    }
    ScratchDir dir;
    WriteFile(dir / "g.gri", gri);
    RunRivel({"/!", "/c", "g.grp", "g.gri"}, dir.path());
    return images[key] = ReadFile(dir / "g.grp");
}

std::string GroupText(int items) {
    std::string gri = "[Group Info]\nPRGName=Tools\n";
    for (int i = 0; i < items; ++i) {
        gri += "[Tool " + std::to_string(i) + "]\nCommand=C:\\TOOLS\\TOOL" + std::to_string(i) +
               ".EXE /run\nPath=C:\\TOOLS\n";
    }
    return gri;
}

std::string Hive(const std::string& base, int keys) {
    std::string text =
        "WINE REGISTRY Version 2\n;; All keys relative to " + base + "\n\n#arch=win64\n";
    for (int k = 0; k < keys; ++k) {
        text += "\n[Software\\\\Vendor\\\\Key" + std::to_string(k) +
                "] 1000000000\n#time=1c0f8e1c2f80000\n\"Value\"=\"some text of key " +
                std::to_string(k) + "\"\n\"Number\"=dword:0000ffff\n";
    }
    return text;
}

TEST(FaultMatrix, IniEditWithBackup) {
    RunMatrix(
        {{"/!", "/x", "/v1", "/b", "A.INI", "x.cmd"}, {"A.INI", "A.bak"}, [](const fs::path& dir) {
             WriteFile(dir / "A.INI", SectionsIni(300));
             WriteFile(dir / "A.bak", "[old]\nbackup=1\n");
             WriteFile(dir / "x.cmd", "+[s0]key0=changed\n+[s299]added=1\n");
         }});
}

TEST(FaultMatrix, IniFileCreated) {
    RunMatrix({{"/!", "/x", "/v1", "/n", "NEW.INI", "x.cmd"}, {"NEW.INI"}, [](const fs::path& dir) {
                   WriteFile(dir / "x.cmd", "+[a]k=1\n+[b]j=2\n");
               }});
}

// /n on a file that is there: a failure to read it must not make it a new file.
TEST(FaultMatrix, IniEditWithCreateOption) {
    RunMatrix({{"/!", "/x", "/v1", "/n", "A.INI", "x.cmd"}, {"A.INI"}, [](const fs::path& dir) {
                   WriteFile(dir / "A.INI", "[a]\nk=0\nkept=1\n");
                   WriteFile(dir / "x.cmd", "+[a]k=1\n");
               }});
}

TEST(FaultMatrix, GroupEditWithBackup) {
    RunMatrix({{"/!", "/x", "/v1", "/b", "/g", "G.GRP", "x.cmd"},
               {"G.GRP", "G.GRb"},
               [](const fs::path& dir) {
                   WriteFile(dir / "G.GRP", GroupImage("edit", GroupText(3)));
                   WriteFile(dir / "x.cmd", "+[Tool 1]Minimized=1\n+[Tool 9]Command=NEW.EXE\n");
               }});
}

TEST(FaultMatrix, GroupCompiled) {
    RunMatrix({{"/!", "/x", "/v1", "/c", "g.grp", "g.gri"}, {"g.grp"}, [](const fs::path& dir) {
                   WriteFile(dir / "g.grp", GroupImage("old", GroupText(2)));
                   WriteFile(dir / "g.gri", GroupText(400));
               }});
}

TEST(FaultMatrix, GroupDecompiled) {
    RunMatrix({{"/!", "/x", "/v1", "/d", "g.grp", "g.gri"}, {"g.gri"}, [](const fs::path& dir) {
                   WriteFile(dir / "g.grp", GroupImage("big", GroupText(400)));
                   WriteFile(dir / "g.gri", "; an old text\n[Group Info]\nPRGName=Old\n");
               }});
}

TEST(FaultMatrix, RegistryRun) {
    RunMatrix({{"/!", "/x", "/v1", "/r", "x.rcm"},
               {"store/system.reg", "store/user.reg", "store/userdef.reg"},
               [](const fs::path& dir) {
                   fs::create_directories(dir / "store");
                   WriteFile(dir / "store" / "system.reg", Hive("\\\\Machine", 700));
                   WriteFile(dir / "store" / "user.reg",
                             Hive("REGISTRY\\\\User\\\\S-1-5-21-0-0-0-1000", 20));
                   WriteFile(dir / "x.rcm",
                             "REGEDIT4\n\n"
                             "[HKEY_LOCAL_MACHINE\\Software\\Vendor\\Key7]\n\"Value\"=\"new\"\n"
                             "[HKEY_CURRENT_USER\\Software\\Vendor\\Added]\n\"B\"=dword:2\n"
                             "[HKEY_USERS\\.Default\\Software\\Vendor]\n\"C\"=\"3\"\n");
               }});
}

// The same promise where no call needs to be made to fail: a target in a folder that does not
// exist, and a target marked read-only (refused by its mode, so also when run as root).
// A preview writes nothing at all, so that it needs no right to write beside the files: it
// creates, renames and writes no file.
TEST(FaultMatrix, PreviewCreatesNoFile) {
    Matrix matrix(
        {{"/!", "/x", "/v1", "/p", "/b", "A.INI", "x.cmd"}, {"A.INI"}, [](const fs::path& dir) {
             WriteFile(dir / "A.INI", "[s]\nk=0\n");
             WriteFile(dir / "x.cmd", "+[s]k=1\n");
         }});
    const std::string skipReason = matrix.SkipReason();
    if (!skipReason.empty()) {
        GTEST_SKIP() << skipReason;
    }
    const Outcome o = matrix.Run({});
    EXPECT_EQ(o.result.status, 0) << o.result.err;
    EXPECT_NE(Lf(o.result.out).find("\n-k=0\n+k=1\n"), std::string::npos) << o.result.out;
    ASSERT_FALSE(o.counts.empty()) << "the fault injection library was not loaded";
    for (const char* call : {"create", "rename", "write"}) {
        EXPECT_EQ(o.counts.count(call) ? o.counts.at(call) : 0, 0) << call;
    }
}

TEST(FaultMatrix, MissingFoldersAndReadOnlyTargetsChangeNothing) {
    struct Case {
        std::vector<std::string> args;
        std::string readOnly;  // the target made read-only; "" for a target in a missing folder
    };
    const Case cases[] = {
        {{"/n", "gone/NEW.INI", "x.cmd"}, ""},
        {{"/c", "gone/g.grp", "g.gri"}, ""},
        {{"/d", "g.grp", "gone/g.gri"}, ""},
        {{"/g", "gone/g.grp", "g.cmd"}, ""},
        {{"A.INI", "x.cmd"}, "A.INI"},
        {{"/c", "old.grp", "g.gri"}, "old.grp"},
        {{"/d", "g.grp", "old.gri"}, "old.gri"},
        {{"/b", "/g", "old.grp", "g.cmd"}, "old.grp"},
        {{"/r", "x.rcm"}, "store/system.reg"},
        // A preview tells what the run would: the file could not be replaced.
        {{"/p", "A.INI", "x.cmd"}, "A.INI"},
    };
    for (const Case& c : cases) {
        ScratchDir dir;
        fs::create_directories(dir / "temp");
        fs::create_directories(dir / "store");
        WriteFile(dir / "A.INI", "[a]\nk=0\n");
        WriteFile(dir / "x.cmd", "+[a]k=1\n");
        WriteFile(dir / "g.cmd", "+[Tool 1]Minimized=1\n");
        WriteFile(dir / "g.gri", GroupText(2));
        WriteFile(dir / "g.grp", GroupImage("edit", GroupText(3)));
        WriteFile(dir / "old.grp", GroupImage("old", GroupText(2)));
        WriteFile(dir / "old.gri", "[Group Info]\nPRGName=Old\n");
        WriteFile(dir / "store" / "system.reg", Hive("\\\\Machine", 3));
        WriteFile(dir / "x.rcm", "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software\\X]\n\"A\"=\"1\"\n");
        if (!c.readOnly.empty()) {
            fs::permissions(dir / c.readOnly,
                            fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
        }
        const std::set<std::string> before = Tree(dir.path());
        std::map<std::string, std::string> contents;
        for (const std::string& name : before) {
            if (fs::is_regular_file(dir / name)) {
                contents[name] = ReadFile(dir / name);
            }
        }
        std::vector<std::string> args = {"/!", "/x", "/v1"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        ChildLimits limits;
        limits.env = {"RIVEL_REGISTRY=" + (dir / "store").string(),
                      "TEMP=" + (dir / "temp").string(), "TMP=" + (dir / "temp").string(),
                      "TMPDIR=" + (dir / "temp").string()};
        RunResult r = RunLimited(args, dir.path(), limits);
        const std::string what = c.args[0] + " " + c.args[1];
        EXPECT_EQ(r.status, 2) << what << "\n" << r.err;
        EXPECT_NE(r.err, "") << what;
        EXPECT_EQ(Tree(dir.path()), before) << what;
        for (const auto& [name, bytes] : contents) {
            EXPECT_EQ(ReadFile(dir / name), bytes) << what << ": " << name;
        }
    }
}

}  // namespace
}  // namespace rivel_test
