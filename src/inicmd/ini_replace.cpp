// INI file replacement, temporary file and backup.
#include "inicmd/ini_replace.h"

#include "driver/message_log.h"
#include "inicmd/command_list.h"
#include "inicmd/ini_rewrite.h"
#include "inicmd/temp_file.h"
#include "platform/file_lock.h"
#include "platform/file_replace.h"
#include "platform/files.h"
#include "text/line_io.h"

namespace rivel {

namespace {

void DeleteFile(const RunOptions& options, const std::string& name) {
    std::string error;
    if (!RemoveFile(name, error)) {
        LogMessage(options.VerboseMode, 1, "Removefile failed: ", name);
        LogMessage(options.VerboseMode, 1, "Problem: ", error);
    }
}

// Copies the INI file to its backup, line by line, keeping the file's line end.
void MakeBackup(const RunOptions& options, const std::string& iniFile) {
    const int v = options.VerboseMode;
    std::string backup = MakeBackupName(iniFile);
    LogMessage(v, 9, "Backupname is: ", backup);
    if (PathExists(backup)) {
        LogMessage(v, 5, "Deleting Backupfile: ", backup);
        DeleteFile(options, backup);
    }
    LineReader in;
    if (!in.Open(iniFile)) {
        LogMessage(v, 1, "No Backup made", "InFile returns error");
        return;
    }
    std::string line;
    bool more = in.ReadLine(line);
    LineWriter out;
    bool opened = out.Open(backup, in.LineEnd().empty() ? NativeLineEnd() : in.LineEnd());
    if (opened) {
        CopyPermissionBits(iniFile, backup);
    }
    LogMessage(v, 9, "Copy INI to BAK returns OK", "InFile returns OK");
    while (opened && more) {
        out.WriteLine(line);
        more = in.ReadLine(line);
    }
    bool written = opened && out.Close() && !in.Failed();
    if (!written) {
        LogMessage(v, 1, "Copy INI to BAK returns NOT OK", "OutFile returns error");
    } else {
        LogMessage(v, 9, "Copy INI to BAK returns OK", "OutFile returns OK");
    }
}

}  // namespace

std::string MakeBackupName(const std::string& iniFile) {
    size_t nameStart = 0;
    for (size_t i = iniFile.size(); i > 0; --i) {
        if (IsPathSeparator(iniFile[i - 1]) || iniFile[i - 1] == ':') {
            nameStart = i;
            break;
        }
    }
    size_t dot = iniFile.rfind('.');
    if (dot == std::string::npos || dot < nameStart) {
        dot = iniFile.size();
    }
    return iniFile.substr(0, dot) + ".bak";
}

void ReplaceIniFile(const RunOptions& options, const std::string& iniFile) {
    const int v = options.VerboseMode;
    std::string temp = MakeTempFile(options);
    if (temp.empty()) {
        LogMessage(v, 1, "ScanINI returns bad status", "");
        return;
    }
    // Concurrent runs on the same file take turns from reading it to replacing it.
    EditLock lock;
    std::string lockError;
    if (!AcquireEditLock(iniFile, lock, lockError)) {
        LogMessage(v, 9, "INI file not locked : ", lockError);
    }
    std::string input = iniFile;
    bool fromBase = options.CreateIni == 2 && !PathExists(iniFile);
    if (fromBase) {
        LogMessage(v, 6, "INI file is created with basefile : ", BaseFileName());
        input = BaseFileName();
    }
    if (ScanINI(options, input, temp) == 0) {
        LogMessage(v, 1, "ScanINI returns bad status", "");
        std::string ignored;
        RemoveFile(temp, ignored);
        ReleaseEditLock(lock);
        return;
    }
    if (!fromBase && (Commands().NoCommands != 0 || !IniChanged())) {
        LogMessage(v, 9, "INI file no changes", " no backup made");
        DeleteFile(options, temp);
        ReleaseEditLock(lock);
        return;
    }
    if (options.Backup == 1 && !fromBase) {
        MakeBackup(options, iniFile);
    }
    if (fromBase) {
        LogMessage(v, 6, "New INI file is created with new name : ", iniFile);
    }
    std::string error;
    bool replaced = false;
    if (IsReadOnlyFile(iniFile)) {
        error = "the INI file is read-only";
    } else {
        // The temporary file is moved into place when it is on the INI file's volume.
        replaced = MoveOrReplaceFileWith(temp, iniFile, error);
    }
    if (replaced) {
        LogMessage(v, 9, "Copy TMP to INI returns OK", "");
    } else {
        LogMessage(v, 1, "Copy TMP to INI returns NOT OK", "");
        LogMessage(v, 3, "Problem: ", error);
    }
    ReleaseEditLock(lock);
    if (PathExists(temp)) {
        LogMessage(v, 5, "Deleting TMPfile: ", temp);
        DeleteFile(options, temp);
    }
}

}  // namespace rivel
