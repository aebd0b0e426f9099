// The GRI compiler: reads the text, builds the whole GRP image in memory, writes it to a new file
// beside the group file and renames that into place, so a failure never leaves half a group.
#include "groups/gri_to_grp.h"

#include <cstdio>
#include <new>

#include "base/message_log.h"
#include "base/preview.h"
#include "groups/gri_parse.h"
#include "groups/grp_image.h"
#include "groups/grp_to_gri.h"
#include "platform/file_lock.h"
#include "platform/file_replace.h"
#include "platform/files.h"
#include "text/line_io.h"
#include "text/preview_texts.h"
#include "text/unified_diff.h"

namespace rivel {

namespace {

void PrintLine(const std::string& line) {
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

// Keeps a copy of the group under its backup name, unless a backup exists already. The copy
// is made like any other file (complete before it is visible, a planted link replaced rather
// than followed, no more readable than the group), so the group itself never leaves its name.
// False with errorText when no backup could be made.
bool KeepBackup(const std::string& grpFile, std::string& errorText) {
    std::string backup = GrpBackupName(grpFile);
    if (backup.empty() || backup == grpFile || PathExists(backup) || !IsRegularFile(grpFile)) {
        return true;
    }
    return ReplaceFileWith(grpFile, backup, errorText, ReplaceOptions{false, false});
}

// Writes the image as the new version of the group file, which keeps the old one's owner and
// mode. Returns 0 or exit status 2.
int WriteGrpFile(RunContext& run, const RunOptions& options, const std::string& grpFile,
                 const std::string& image) {
    ReplacementFile file;
    std::string error;
    if (!file.Begin(grpFile, error)) {
        if (file.RefusedNotRegular()) {
            LogMessage(run.log, options.VerboseMode, 1,
                       "GRP file is not a regular file, not changed : ", grpFile);
            NoteFailure(run, RunFailure::WriteFailed);
            return 0;
        }
        PrintLine("Can't create outfile <" + grpFile + ">");
        LogMessage(run.log, options.VerboseMode, 1, "Problem: ", error);
        NoteFailure(run, RunFailure::WriteFailed);
        return 2;
    }
    if (options.Backup == 1 && !KeepBackup(grpFile, error)) {
        // The backup was asked for: without it the group is not risked, as an INI file is not.
        LogMessage(run.log, options.VerboseMode, 1, "GRP backup failed, not changed : ", grpFile);
        LogMessage(run.log, options.VerboseMode, 1, "Problem: ", error);
        NoteFailure(run, RunFailure::WriteFailed);
        return 0;
    }
    file.Write(image);
    if (!file.Commit(error)) {
        PrintLine("Can't create outfile <" + grpFile + ">");
        LogMessage(run.log, options.VerboseMode, 1, "Problem: ", error);
        NoteFailure(run, RunFailure::WriteFailed);
        return 2;
    }
    return 0;
}

// A preview shows the group as GRI text: the group as it is against the one that would be
// written, both decompiled the same way.
void PreviewGroup(RunContext& run, const RunOptions& options, const std::string& grpFile,
                  const std::string& image) {
    RunOptions quiet = options;
    quiet.VerboseMode = 0;
    std::string before;
    if (ExistsAsLeft(run, grpFile) && ReadBytesAsLeft(run, grpFile, before)) {
        before = JoinLines(DecompileGrp(run, quiet, before, grpFile, "").lines, "\n");
    }
    std::string after = JoinLines(DecompileGrp(run, quiet, image, grpFile, "").lines, "\n");
    WritePreviewText(UnifiedDiff(grpFile, before, after));
    // The lines that follow in this run see the group as the real run would have left it.
    KeepPreviewText(run, grpFile, image, TextEncoding::Plain);
}

}  // namespace

std::string GrpBackupName(const std::string& grpFile) {
    if (grpFile.empty()) {
        return grpFile;
    }
    std::string backup = grpFile;
    backup.back() = 'b';
    return backup;
}

int CompileGriFile(RunContext& run, RunOptions& options, const std::string& grpFile,
                   const std::string& griFile) {
    LogMessage(run.log, options.VerboseMode, 5, "GRP-CO-GRP: ", grpFile);
    LogMessage(run.log, options.VerboseMode, 5, "GRP-CO-GRI: ", griFile);
    // Runs on the same group take turns; the holder of the lock (a GRP run) may take it again.
    ScopedEditLock lock;
    std::string lockError;
    if (lock.Acquire(grpFile, lockError) == LockResult::InUse) {
        LogMessage(run.log, options.VerboseMode, 1, "GRP file in use, not changed : ", grpFile);
        NoteFailure(run, RunFailure::WriteFailed);
        return 0;
    }
    GroupDef group;
    try {
        LineReader reader;
        const bool directory = IsDirectory(griFile);
        if (directory || !OpenAsLeft(run, reader, griFile)) {
            PrintLine("Can't open GRI-File");
            LogMessage(run.log, options.VerboseMode, 1,
                       "Problem: ", directory ? "Is a directory" : reader.ErrorText());
            NoteFailure(run, RunFailure::CommandError);
            return 0;
        }
        GriParser parser(run, options);
        std::string line;
        while (reader.ReadLine(line)) {
            parser.Line(line);
        }
        if (reader.Failed()) {
            // Half a GRI text would make a group with half its items.
            PrintLine("Can't read GRI-File");
            LogMessage(run.log, options.VerboseMode, 1, "Problem: ", reader.ErrorText());
            NoteFailure(run, RunFailure::CommandError);
            return 0;
        }
        for (const std::string& text : parser.console) {
            PrintLine(text);
        }
        // A key or value the compiler passed over is an error in the GRI text: the group is
        // still made, but /x tells that it is not all the text asked for.
        if (!parser.console.empty()) {
            NoteFailure(run, RunFailure::CommandError);
        }
        group = std::move(parser.group);
    } catch (const std::bad_alloc&) {
        PrintLine("Out of memory");
        return 1;
    }
    std::string image;
    try {
        if (!BuildGrpImage(group, image)) {
            PrintLine("Not enough memory to create GRP file");
            return 1;
        }
    } catch (const std::bad_alloc&) {
        PrintLine("Not enough memory to create GRP file");
        return 1;
    }
    if (options.Preview == 1) {
        PreviewGroup(run, options, grpFile, image);
        return 0;
    }
    return WriteGrpFile(run, options, grpFile, image);
}

void GriToGrp(RunContext& run, RunOptions& options, const std::string& grpFile,
              const std::string& griFile) {
    int status = CompileGriFile(run, options, grpFile, griFile);
    if (status != 0) {
        run.fatalStatus = status;
    }
}

}  // namespace rivel
