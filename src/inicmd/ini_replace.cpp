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
#include "platform/name_case.h"
#include "text/line_io.h"
#include "text/preview_texts.h"
#include "text/strings.h"
#include "text/unified_diff.h"

namespace rivel {

namespace {

// Copies the INI file to its backup, line by line, keeping the file's line end. The new backup
// is complete on the disk before it takes the old one's place, a link planted at its name is
// replaced rather than followed, and it is no more readable than the INI file. False when no
// complete backup was made.
bool MakeBackup(RunContext& run, const RunOptions& options, const std::string& iniFile) {
    const int v = options.VerboseMode;
    std::string backup = MakeBackupName(iniFile);
    LogMessage(run.log, v, 9, "Backupname is: ", backup);
    if (FileNamesIgnoreCase() ? UpperCase(backup) == UpperCase(iniFile) : backup == iniFile) {
        // A file whose own name is its backup name (X.bak): the copy would be overwritten by
        // the new version at once, and the old contents kept nowhere.
        LogMessage(run.log, v, 1, "No Backup made", "the backup name is the file's own name");
        NoteFailure(run, RunFailure::WriteFailed);
        return false;
    }
    LineReader in;
    if (!PathExists(iniFile)) {
        // A file created by this run (/n) has no old contents to keep: it is made all the same.
        LogMessage(run.log, v, 1, "No Backup made", "InFile returns error");
        return true;
    }
    if (!in.Open(iniFile)) {
        LogMessage(run.log, v, 1, "No Backup made", "InFile returns error");
        NoteFailure(run, RunFailure::WriteFailed);
        return false;
    }
    std::string line;
    bool more = in.ReadLine(line);
    LineWriter out;
    bool opened = out.Open(backup, in.LineEnd().empty() ? NativeLineEnd() : in.LineEnd(),
                           in.Encoding(), ReplaceOptions{false, false});
    if (opened) {
        out.File().UsePermissions(ReadPermissions(iniFile));
        if (PathExists(backup)) {
            LogMessage(run.log, v, 5, "Deleting Backupfile: ", backup);
        }
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
    if (in.Failed()) {
        out.Abandon();
    }
    bool written = opened && !in.Failed() && out.Close();
    if (!written) {
        LogMessage(run.log, v, 1, "Copy INI to BAK returns NOT OK", "OutFile returns error");
        NoteFailure(run, RunFailure::WriteFailed);
        LogMessage(run.log, v, 1, "Problem: ", in.Failed() ? in.ErrorText() : out.ErrorText());
    } else {
        LogMessage(run.log, v, 9, "Copy INI to BAK returns OK", "OutFile returns OK");
    }
    return written;
}

// The preview of a replacement: the file as it is against its new version, kept in memory,
// both as text, so that a UTF-16 file shows its lines rather than its bytes.
void ShowPreview(RunContext& run, const RunOptions& options, const std::string& iniFile,
                 const LineWriter& out) {
    std::string before;
    if (!ReadTextAsLeft(run, iniFile, before)) {
        LogMessage(run.log, options.VerboseMode, 1, "Can't open input file ", iniFile);
        NoteFailure(run, RunFailure::CommandError);
        return;
    }
    WritePreviewText(UnifiedDiff(iniFile, before, out.Text()));
    // The lines that follow in this run see the file as the real run would have left it.
    KeepPreviewText(run, iniFile, out.Text(), out.Encoding());
}

// The INI file keeps its old contents: the failure is noted, and a GRP run told.
void EditFailed(RunContext& run, RunFailure kind) {
    NoteFailure(run, kind);
    run.iniEditFailed = true;
}

// The new version could not be put in place: the INI file keeps its old contents.
void NotReplaced(RunContext& run, const RunOptions& options, const std::string& error,
                 const std::string& temp) {
    const int v = options.VerboseMode;
    LogMessage(run.log, v, 1, "Copy TMP to INI returns NOT OK", "");
    EditFailed(run, RunFailure::WriteFailed);
    LogMessage(run.log, v, 3, "Problem: ", error);
    if (!temp.empty()) {
        LogMessage(run.log, v, 5, "Deleting TMPfile: ", temp);
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

void ReplaceIniFile(RunContext& run, const RunOptions& options, CommandStore& store,
                    const std::string& iniFile) {
    const int v = options.VerboseMode;
    if (PathExists(iniFile) && !IsRegularFile(iniFile)) {
        // A device, pipe or directory under the INI file's name (a config file linked to
        // /dev/null to blank it) is neither read nor replaced by a plain file.
        LogMessage(run.log, v, 1, "INI file is not a regular file, not changed : ", iniFile);
        EditFailed(run, RunFailure::WriteFailed);
        return;
    }
    // Concurrent runs on the same file take turns from reading it to replacing it.
    ScopedEditLock lock;
    std::string lockError;
    LockResult locked = lock.Acquire(iniFile, lockError);
    if (locked == LockResult::InUse) {
        // Another run kept the file for the whole wait: better unchanged than waiting for ever.
        LogMessage(run.log, v, 1, "INI file in use, not changed : ", iniFile);
        EditFailed(run, RunFailure::WriteFailed);
        return;
    }
    if (locked == LockResult::NoLock) {
        LogMessage(run.log, v, 9, "INI file not locked : ", lockError);
    }
    // The rewritten text goes straight into the new version of the INI file, a file created
    // for this run alone beside it: no name in a shared TEMP directory is ever written. A
    // preview keeps it in memory, so that it needs no right to write there.
    const bool preview = options.Preview == 1 && iniFile != run.scratchIniFile;
    LineWriter out;
    if (preview) {
        out.OpenInMemory(NativeLineEnd());
    } else if (!out.Open(iniFile, NativeLineEnd(), ReplaceOptions{true, false})) {
        LogMessage(run.log, v, 1, "Can't create temporary file for : ", iniFile);
        LogMessage(run.log, v, 1, "Problem: ", out.ErrorText());
        LogMessage(run.log, v, 1, "ScanINI returns bad status", "");
        EditFailed(run, RunFailure::WriteFailed);
        return;
    }
    if (!preview) {
        ReportTempFile(run, options, out.File().NewName());
    }
    std::string input = iniFile;
    bool fromBase = options.CreateIni == 2 && !ExistsAsLeft(run, iniFile);
    if (fromBase) {
        LogMessage(run.log, v, 6, "INI file is created with basefile : ", run.baseFileName);
        input = run.baseFileName;
    }
    if (ScanINI(run, options, store, input, out) == 0) {
        LogMessage(run.log, v, 1, "ScanINI returns bad status", "");
        run.iniEditFailed = true;  // the failure is noted by ScanINI
        return;
    }
    if (!fromBase && (store.NoCommands != 0 || !store.IniChanged)) {
        LogMessage(run.log, v, 9, "INI file no changes", " no backup made");
        return;
    }
    if (preview) {
        // A file the run could not replace is told as the run would tell it, without a diff.
        if (IsReadOnlyFile(iniFile)) {
            NotReplaced(run, options, "the INI file is read-only", "");
        } else {
            ShowPreview(run, options, iniFile, out);
        }
        return;
    }
    // The GRI text of a GRP run is this run's own scratch file: the group gets the backup.
    const bool backup = options.Backup == 1 && !fromBase && iniFile != run.scratchIniFile;
    if (backup && !MakeBackup(run, options, iniFile)) {
        // The backup was asked for: without it the INI file is not risked.
        LogMessage(run.log, v, 1, "Copy TMP to INI returns NOT OK", "");
        EditFailed(run, RunFailure::WriteFailed);
        return;
    }
    if (fromBase) {
        LogMessage(run.log, v, 6, "New INI file is created with new name : ", iniFile);
    }
    std::string temp = out.File().NewName();
    bool replaced = false;
    std::string error;
    if (IsReadOnlyFile(iniFile)) {
        error = "the INI file is read-only";
        out.Abandon();
    } else {
        replaced = out.Close();
        error = out.ErrorText();
    }
    if (replaced) {
        LogMessage(run.log, v, 9, "Copy TMP to INI returns OK", "");
    } else {
        NotReplaced(run, options, error, temp);
    }
}

}  // namespace rivel
