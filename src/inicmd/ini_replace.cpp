// INI file replacement, temporary file and backup.
#include "inicmd/ini_replace.h"

#include "base/message_log.h"
#include "base/preview.h"
#include "inicmd/command_list.h"
#include "inicmd/ini_rewrite.h"
#include "inicmd/temp_file.h"
#include "platform/file_lock.h"
#include "platform/file_replace.h"
#include "platform/files.h"
#include "text/line_io.h"
#include "text/unified_diff.h"

namespace rivel {

namespace {

void DeleteFile(RunContext& run, const RunOptions& options, const std::string& name) {
    std::string error;
    if (!RemoveFile(name, error)) {
        LogMessage(run.log, options.VerboseMode, 1, "Removefile failed: ", name);
        LogMessage(run.log, options.VerboseMode, 1, "Problem: ", error);
    }
}

// Copies the INI file to its backup, line by line, keeping the file's line end.
void MakeBackup(RunContext& run, const RunOptions& options, const std::string& iniFile) {
    const int v = options.VerboseMode;
    std::string backup = MakeBackupName(iniFile);
    LogMessage(run.log, v, 9, "Backupname is: ", backup);
    if (PathExists(backup)) {
        LogMessage(run.log, v, 5, "Deleting Backupfile: ", backup);
        DeleteFile(run, options, backup);
    }
    LineReader in;
    if (!in.Open(iniFile)) {
        LogMessage(run.log, v, 1, "No Backup made", "InFile returns error");
        NoteFailure(run, RunFailure::WriteFailed);
        return;
    }
    std::string line;
    bool more = in.ReadLine(line);
    LineWriter out;
    bool opened =
        out.Open(backup, in.LineEnd().empty() ? NativeLineEnd() : in.LineEnd(), in.Encoding());
    if (opened) {
        CopyPermissionBits(iniFile, backup);
    }
    LogMessage(run.log, v, 9, "Copy INI to BAK returns OK", "InFile returns OK");
    while (opened && more) {
        if (options.KeepLayout == 1) {
            out.WriteLine(line, in.LastLineEnd());  // the backup is then the file as it was
        } else {
            out.WriteLine(line);
        }
        more = in.ReadLine(line);
    }
    bool written = opened && out.Close() && !in.Failed();
    if (!written) {
        LogMessage(run.log, v, 1, "Copy INI to BAK returns NOT OK", "OutFile returns error");
        NoteFailure(run, RunFailure::WriteFailed);
    } else {
        LogMessage(run.log, v, 9, "Copy INI to BAK returns OK", "OutFile returns OK");
    }
}

// The preview of a replacement: the file as it is against the rewritten temporary file.
void ShowPreview(RunContext& run, const RunOptions& options, const std::string& iniFile,
                 const std::string& temp) {
    std::string before, after;
    // As text, so that a UTF-16 file shows its lines rather than its bytes.
    if (PathExists(iniFile) && !ReadWholeText(iniFile, before)) {
        LogMessage(run.log, options.VerboseMode, 1, "Can't open input file ", iniFile);
        NoteFailure(run, RunFailure::CommandError);
        return;
    }
    if (!ReadWholeText(temp, after)) {
        LogMessage(run.log, options.VerboseMode, 1, "Can't open input file ", temp);
        NoteFailure(run, RunFailure::CommandError);
        return;
    }
    WritePreviewText(UnifiedDiff(iniFile, before, after));
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

void ReplaceIniFile(RunContext& run, const RunOptions& options, CommandStore& store,
                    const std::string& iniFile) {
    const int v = options.VerboseMode;
    std::string temp = MakeTempFile(run, options);
    if (temp.empty()) {
        LogMessage(run.log, v, 1, "ScanINI returns bad status", "");
        return;
    }
    // Concurrent runs on the same file take turns from reading it to replacing it.
    EditLock lock;
    std::string lockError;
    if (!AcquireEditLock(iniFile, lock, lockError)) {
        LogMessage(run.log, v, 9, "INI file not locked : ", lockError);
    }
    std::string input = iniFile;
    bool fromBase = options.CreateIni == 2 && !PathExists(iniFile);
    if (fromBase) {
        LogMessage(run.log, v, 6, "INI file is created with basefile : ", run.baseFileName);
        input = run.baseFileName;
    }
    if (ScanINI(run, options, store, input, temp) == 0) {
        LogMessage(run.log, v, 1, "ScanINI returns bad status", "");
        std::string ignored;
        RemoveFile(temp, ignored);
        ReleaseEditLock(lock);
        return;
    }
    if (!fromBase && (store.NoCommands != 0 || !store.IniChanged)) {
        LogMessage(run.log, v, 9, "INI file no changes", " no backup made");
        DeleteFile(run, options, temp);
        ReleaseEditLock(lock);
        return;
    }
    if (options.Preview == 1 && iniFile != run.scratchIniFile) {
        ShowPreview(run, options, iniFile, temp);
        DeleteFile(run, options, temp);
        ReleaseEditLock(lock);
        return;
    }
    if (options.Backup == 1 && !fromBase) {
        MakeBackup(run, options, iniFile);
    }
    if (fromBase) {
        LogMessage(run.log, v, 6, "New INI file is created with new name : ", iniFile);
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
        LogMessage(run.log, v, 9, "Copy TMP to INI returns OK", "");
    } else {
        LogMessage(run.log, v, 1, "Copy TMP to INI returns NOT OK", "");
        NoteFailure(run, RunFailure::WriteFailed);
        LogMessage(run.log, v, 3, "Problem: ", error);
    }
    ReleaseEditLock(lock);
    if (PathExists(temp)) {
        LogMessage(run.log, v, 5, "Deleting TMPfile: ", temp);
        DeleteFile(run, options, temp);
    }
}

}  // namespace rivel
