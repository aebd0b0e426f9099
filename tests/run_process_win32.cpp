// Starting the program under test on Windows: CreateProcess with redirected handles.
#include <windows.h>

#include <mutex>
#include <string>

#include "rivel_runner.h"

namespace rivel_test {

namespace fs = std::filesystem;

namespace {

// Quotes one argument so that the C runtime's parser gives it back unchanged.
std::string Quote(const std::string& arg) {
    if (!arg.empty() && arg.find_first_of(" \t\"") == std::string::npos) {
        return arg;
    }
    std::string q = "\"";
    size_t backslashes = 0;
    for (char c : arg) {
        if (c == '\\') {
            ++backslashes;
        } else if (c == '"') {
            q.append(backslashes * 2 + 1, '\\');
            q += '"';
            backslashes = 0;
            continue;
        } else {
            backslashes = 0;
        }
        q += c;
    }
    q.append(backslashes, '\\');
    q += '"';
    return q;
}

// The handles are made inheritable only while their own child is created (under a lock), so
// that children started at the same time from other threads do not inherit them.
HANDLE OpenInheritable(const fs::path& path, bool write) {
    SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, FALSE};
    return CreateFileA(path.string().c_str(), write ? GENERIC_WRITE : GENERIC_READ,
                       FILE_SHARE_READ | FILE_SHARE_WRITE, &sa,
                       write ? CREATE_ALWAYS : OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

}  // namespace

RunResult RunProgram(const fs::path& program, const std::vector<std::string>& args,
                     const fs::path& workDir, const std::string& stdinText) {
    fs::path in = workDir / ".stdin", out = workDir / ".stdout", err = workDir / ".stderr";
    WriteFile(in, stdinText);
    std::string commandLine = Quote(program.string());
    for (const auto& a : args) {
        commandLine += ' ';
        commandLine += Quote(a);
    }
    RunResult result;
    bool timedOut = false;
    HANDLE hIn = OpenInheritable(in, false);
    HANDLE hOut = OpenInheritable(out, true);
    HANDLE hErr = OpenInheritable(err, true);
    STARTUPINFOA si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = hIn;
    si.hStdOutput = hOut;
    si.hStdError = hErr;
    PROCESS_INFORMATION pi{};
    std::string dir = workDir.string();
    static std::mutex creating;
    BOOL created = FALSE;
    DWORD startError = 0;
    // Under Wine a start now and then fails for a moment (the program never ran, so nothing
    // is lost by asking again); a start that keeps failing is reported with its reason.
    for (int attempt = 0; attempt < 3 && !created; ++attempt) {
        if (attempt > 0) {
            Sleep(200);
        }
        std::lock_guard<std::mutex> hold(creating);
        for (HANDLE h : {hIn, hOut, hErr}) {
            SetHandleInformation(h, HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT);
        }
        created = CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                 dir.c_str(), &si, &pi);
        startError = created ? 0 : GetLastError();
        for (HANDLE h : {hIn, hOut, hErr}) {
            SetHandleInformation(h, HANDLE_FLAG_INHERIT, 0);
        }
    }
    if (created) {
        DWORD waited = WaitForSingleObject(pi.hProcess, kProgramTimeLimitSeconds * 1000u);
        timedOut = waited == WAIT_TIMEOUT;
        if (timedOut) {
            TerminateProcess(pi.hProcess, 1);
            WaitForSingleObject(pi.hProcess, INFINITE);
        }
        DWORD code = 0;
        GetExitCodeProcess(pi.hProcess, &code);
        result.status = static_cast<int>(code);
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
    }
    CloseHandle(hIn);
    CloseHandle(hOut);
    CloseHandle(hErr);
    result.out = ReadFile(out);
    result.err = ReadFile(err);
    if (timedOut) {
        result.err += kProgramStoppedNote;
    }
    if (!created) {
        result.err += "\n[test runner: the program could not be started, error " +
                      std::to_string(startError) + "]\n";
    }
    std::error_code ignored;
    fs::remove(in, ignored);
    fs::remove(out, ignored);
    fs::remove(err, ignored);
    return result;
}

}  // namespace rivel_test
