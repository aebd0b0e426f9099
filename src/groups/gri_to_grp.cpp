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
#include "platform/file_replace.h"
#include "platform/files.h"
#include "text/line_io.h"
#include "text/unified_diff.h"

namespace rivel {

namespace {

void PrintLine(const std::string& line) {
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

std::string DirectoryOf(const std::string& path) {
    size_t cut = path.size();
    while (cut > 0 && !IsPathSeparator(path[cut - 1])) {
        --cut;
    }
    return path.substr(0, cut);
}

bool WriteWholeFile(const std::string& path, const std::string& bytes) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) {
        return false;
    }
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    ok = std::fclose(f) == 0 && ok;
    return ok;
}

// Writes the image to a new file in the group file's directory, keeps the old group under its
// backup name on request, and puts the new file in place (keeping the old file's permissions).
// Returns 0 or exit status 2.
int WriteGrpFile(const RunOptions& options, const std::string& grpFile, const std::string& image) {
    std::string temp = CreateUniqueFile(DirectoryOf(grpFile), "rvg");
    std::string error;
    if (temp.empty() || !WriteWholeFile(temp, image)) {
        if (!temp.empty()) {
            RemoveFile(temp, error);
        }
        PrintLine("Can't create outfile <" + grpFile + ">");
        return 2;
    }
    if (options.Backup == 1) {
        // An existing backup is kept: the rename then fails, and that is not an error.
        std::string backup = GrpBackupName(grpFile);
        if (!backup.empty() && !PathExists(backup)) {
            RenameFile(grpFile, backup, error);
        }
    }
    bool placed = ReplaceFileWith(temp, grpFile, error);
    RemoveFile(temp, error);
    if (!placed) {
        PrintLine("Can't create outfile <" + grpFile + ">");
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
    if (PathExists(grpFile) && ReadWholeFile(grpFile, before)) {
        before = JoinLines(DecompileGrp(run, quiet, before, grpFile, "").lines, "\n");
    }
    std::string after = JoinLines(DecompileGrp(run, quiet, image, grpFile, "").lines, "\n");
    WritePreviewText(UnifiedDiff(grpFile, before, after));
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
    GroupDef group;
    try {
        LineReader reader;
        if (IsDirectory(griFile) || !reader.Open(griFile)) {
            PrintLine("Can't open GRI-File");
            NoteFailure(run, RunFailure::CommandError);
            return 0;
        }
        GriParser parser(run, options);
        std::string line;
        while (reader.ReadLine(line)) {
            parser.Line(line);
        }
        for (const std::string& text : parser.console) {
            PrintLine(text);
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
    return WriteGrpFile(options, grpFile, image);
}

void GriToGrp(RunContext& run, RunOptions& options, const std::string& grpFile,
              const std::string& griFile) {
    int status = CompileGriFile(run, options, grpFile, griFile);
    if (status != 0) {
        run.fatalStatus = status;
    }
}

}  // namespace rivel
