// The GRP decompiler. The group file is read whole into memory and every field is fetched
// through bounds-checked reads, so a truncated or hostile file can only lose items, never make
// the decompiler read past its end or loop.
#include "groups/grp_to_gri.h"

#include <algorithm>
#include <cstdio>
#include <new>
#include <optional>

#include "base/message_log.h"
#include "base/preview.h"
#include "groups/grp_format.h"
#include "platform/console.h"
#include "platform/files.h"
#include "text/line_io.h"
#include "text/preview_texts.h"
#include "text/strings.h"
#include "text/unified_diff.h"

namespace rivel {

namespace {

struct Tag {
    uint16_t id = 0;
    uint16_t item = 0;
    std::string_view data;
};

struct TagList {
    std::vector<Tag> tags;
    bool damaged = false;
};

// The tag records after the first one, up to the end record. A record whose size is below the
// head size or that runs past the end of the file ends the scan as damaged.
TagList ReadTags(const GrpView& view, uint16_t groupDataSize) {
    TagList list;
    size_t pos = size_t{groupDataSize} + kFirstTagSize;
    for (;;) {
        uint16_t id = 0, item = 0, size = 0;
        if (!view.Word(pos, id) || !view.Word(pos + 2, item) || !view.Word(pos + 4, size)) {
            return list;
        }
        if (id == kTagEnd) {
            return list;
        }
        if (size < kTagHeadSize || size > view.bytes.size() - pos) {
            list.damaged = true;
            return list;
        }
        list.tags.push_back({id, item, view.bytes.substr(pos + kTagHeadSize, size - kTagHeadSize)});
        pos += size;
    }
}

// Sorted by slot (file order kept within a slot) so that each item finds its own records
// without a scan of all of them: a hostile file may have thousands of slots and of records.
void SortBySlot(TagList& list) {
    std::stable_sort(list.tags.begin(), list.tags.end(),
                     [](const Tag& a, const Tag& b) { return a.item < b.item; });
}

// A string an item or the header points at: offset 0 means none; an offset into the header,
// past the end, or a string without its NUL is unreadable.
bool ReadPointedString(const GrpView& view, uint16_t offset, std::string& value) {
    value.clear();
    if (offset == 0) {
        return true;
    }
    if (offset < kGrpHeaderSize) {
        return false;
    }
    return view.String(offset, value);
}

std::string Unsigned(uint16_t value) {
    return std::to_string(value);
}

struct ItemTexts {
    std::string section;
    std::string title;    // IconTitle
    std::string exeDir;   // EXEDir
    std::string command;  // Command
};

ItemTexts ApplySwapMode(RunContext& run, const RunOptions& o, const std::string& title,
                        const std::string& commandLine) {
    ItemTexts t;
    size_t space = commandLine.find(' ');
    std::string program = commandLine.substr(0, space);
    std::string parameters = space == std::string::npos ? "" : commandLine.substr(space);
    ProgramPath p = SplitProgramPath(program);
    switch (o.SwapMode) {
        case 0:
        case 2: {
            LogMessage(run.log, o.VerboseMode, 5, "Originalentry: ", commandLine);
            LogMessage(run.log, o.VerboseMode, 5, "EXE-Part     : ", program);
            LogMessage(run.log, o.VerboseMode, 5, "Parameter    : ", parameters);
            LogMessage(run.log, o.VerboseMode, 5, "   ->   Drive: ", p.drive);
            LogMessage(run.log, o.VerboseMode, 5, "   ->   dir  : ", p.dir);
            LogMessage(run.log, o.VerboseMode, 5, "   ->   FName: ", p.name);
            LogMessage(run.log, o.VerboseMode, 5, "   ->   Ext  : ", p.ext);
            t.command = p.name + p.ext + parameters;
            t.exeDir = p.drive + p.dir;
            if (o.SwapMode == 0) {
                t.section = title;
            } else {
                t.section = p.name + p.ext;
                t.title = title;
            }
            break;
        }
        case 1:
            t.section = commandLine;
            t.title = title;
            break;
        case 3:
            t.section = program;
            t.title = title;
            t.command = commandLine;
            break;
        default:
            LogMessage(run.log, o.VerboseMode, 1, "Invalid SwapMode found !!!!", "");
            t.title = title;
            t.command = commandLine;
            break;
    }
    return t;
}

// A text that a GRI line cannot hold as it stands: an LF splits the line, and a CR is read as
// part of a line end or dropped as a trailing blank.
bool HoldsLineEnd(const std::string& text) {
    return text.find_first_of("\r\n") != std::string::npos;
}

void AddIfSet(std::vector<std::string>& lines, const char* key, const std::string& value) {
    if (!value.empty()) {
        lines.push_back(key + value);
    }
}

}  // namespace

ProgramPath SplitProgramPath(std::string_view path) {
    ProgramPath p;
    if (path.size() >= 2 && path[1] == ':') {
        p.drive = std::string(path.substr(0, 2));
        path.remove_prefix(2);
    }
    size_t sep = path.find_last_of("\\/");
    if (sep != std::string_view::npos) {
        p.dir = std::string(path.substr(0, sep + 1));
        path.remove_prefix(sep + 1);
    }
    size_t dot = path.rfind('.');
    if (dot != std::string_view::npos) {
        p.ext = std::string(path.substr(dot));
        path = path.substr(0, dot);
    }
    p.name = std::string(path);
    return p;
}

DecompiledGroup DecompileGrp(RunContext& run, const RunOptions& o, std::string_view image,
                             const std::string& grpName, const std::string& timeText) {
    DecompiledGroup out;
    GrpView view{image};
    if (image.size() < kGrpHeaderSize) {
        out.console.push_back("Inputfile error reading GRP Header");
        return out;
    }
    if (image.substr(0, 4) != kGrpIdentifier) {
        out.console.push_back("Invalid GRP file");
        return out;
    }
    auto word = [&](size_t offset) {
        uint16_t value = 0;
        view.Word(offset, value);
        return value;
    };

    std::vector<std::string>& g = out.lines;
    g.push_back(";");
    char created[64];
    std::snprintf(created, sizeof created, "; Created by Hadrovel V%i.%s", 3, "01");
    g.push_back(created);
    g.push_back(";");
    g.push_back("; Decompiled at " + timeText);
    g.push_back(";");
    g.push_back(";");
    g.push_back("; Source File <" + grpName + ">");
    g.push_back(";");
    g.push_back("[Group Info]");
    unsigned show = word(kGrpShowCommand) & 0xFF;
    g.push_back(std::string("Display=") +
                (show < kShowCommandCount ? kShowCommandNames[show] : kUnknownShowCommand));
    g.push_back("UpperLeftX=" + Unsigned(word(kGrpLeft)));
    g.push_back("UpperLeftY=" + Unsigned(word(kGrpTop)));
    g.push_back("LowerRightX=" + Unsigned(word(kGrpRight)));
    g.push_back("LowerRightY=" + Unsigned(word(kGrpBottom)));
    g.push_back("PosX=" + Unsigned(word(kGrpIconX)));
    g.push_back("PosY=" + Unsigned(word(kGrpIconY)));
    std::string groupName;
    if (!ReadPointedString(view, word(kGrpNameOffset), groupName)) {
        out.console.push_back("Inputfile error reading GRP Header");
    }
    g.push_back("PRGName=" + groupName);
    if (HoldsLineEnd(groupName)) {
        out.unwritable.push_back("PRGName");
    }

    std::optional<TagList> tags;
    uint16_t count = word(kGrpItemCount);
    for (uint16_t i = 0; i < count; ++i) {
        std::string cantRead = "Can't read PRG Item Nr. " + std::to_string(i);
        uint16_t offset = 0;
        if (!view.Word(kGrpItemTable + 2 * size_t{i}, offset)) {
            // The table itself runs past the end: no later slot can be read either.
            out.console.push_back(cantRead);
            break;
        }
        if (offset == 0) {
            continue;
        }
        if (offset < kGrpHeaderSize || offset > image.size() || image.size() - offset < kItemSize) {
            out.console.push_back(cantRead);
            continue;
        }
        std::string title, commandLine, iconPath;
        if (!ReadPointedString(view, word(offset + kItemTitle), title) ||
            !ReadPointedString(view, word(offset + kItemCommand), commandLine) ||
            !ReadPointedString(view, word(offset + kItemIconPath), iconPath)) {
            out.console.push_back(cantRead);
            continue;
        }

        if (!tags) {
            tags = ReadTags(view, word(kGrpDataSize));
            if (tags->damaged) {
                out.console.push_back("Inputfile error reading GRP Tags");
            }
            SortBySlot(*tags);
        }
        std::string path, minimized, hotKey;
        auto first =
            std::lower_bound(tags->tags.begin(), tags->tags.end(), i,
                             [](const Tag& tag, uint16_t slot) { return tag.item < slot; });
        for (auto tag = first; tag != tags->tags.end() && tag->item == i; ++tag) {
            if (tag->id == kTagPath) {
                path = std::string(tag->data.substr(0, tag->data.find('\0')));
            } else if (tag->id == kTagHotKey) {
                uint16_t key = 0;
                if (GrpView{tag->data}.Word(0, key)) {
                    hotKey = Unsigned(key);
                }
            } else if (tag->id == kTagMinimized) {
                minimized = "1";
            }
        }

        LogMessage(run.log, o.VerboseMode, 9, "Icontitle is : ", title);
        ItemTexts t = ApplySwapMode(run, o, title, commandLine);
        const std::string sectionLine = "[" + t.section + "]";
        if (EqualsIgnoreCase(sectionLine, "[Group Info]") || HoldsLineEnd(t.section) ||
            HoldsLineEnd(t.title) || HoldsLineEnd(t.exeDir) || HoldsLineEnd(t.command) ||
            HoldsLineEnd(iconPath) || HoldsLineEnd(path)) {
            out.unwritable.push_back("PRG Item Nr. " + std::to_string(i));
        }
        g.push_back("");
        g.push_back(sectionLine);
        g.push_back("IconFile=" + iconPath);
        g.push_back("IconPosX=" + Unsigned(word(offset + kItemIconX)));
        g.push_back("IconPosY=" + Unsigned(word(offset + kItemIconY)));
        g.push_back("IconNr=" + Unsigned(word(offset + kItemIconIndex)));
        AddIfSet(g, "IconTitle=", t.title);
        AddIfSet(g, "EXEDir=", t.exeDir);
        AddIfSet(g, "Command=", t.command);
        AddIfSet(g, "Path=", path);
        AddIfSet(g, "Minimized=", minimized);
        AddIfSet(g, "ShortCut=", hotKey);
    }
    return out;
}

std::string JoinLines(const std::vector<std::string>& lines, const std::string& lineEnd) {
    std::string text;
    for (const std::string& line : lines) {
        text += line;
        text += lineEnd;
    }
    return text;
}

bool GrpToGri(RunContext& run, const RunOptions& options, const std::string& grpFile,
              const std::string& griFile) {
    LogMessage(run.log, options.VerboseMode, 5, "GRP-DC-GRP: ", grpFile);
    LogMessage(run.log, options.VerboseMode, 5, "GRP-DC-GRI: ", griFile);
    try {
        // The group is read before the GRI file is created, so that naming one file twice
        // cannot empty it before it was read.
        std::string image;
        bool read = ReadBytesAsLeft(run, grpFile, image);
        // The GRI text is written beside its file and put in place whole, and only when the
        // group could be read: a group that cannot be read leaves an existing GRI file alone.
        LineWriter gri;
        const bool preview = options.Preview == 1;
        if (!preview && !gri.Open(griFile, NativeLineEnd())) {
            LogMessage(run.log, options.VerboseMode, 1,
                       "GRP-DC    : Can't create outputfile :", griFile);
            NoteFailure(run, RunFailure::WriteFailed);
            return false;
        }
        if (!read) {
            std::printf("Can't open inputfile <%s>\n", grpFile.c_str());
            std::fflush(stdout);
            if (PathExists(grpFile)) {
                // A group that is there but cannot be read is a failure; a missing one is made.
                LogMessage(run.log, options.VerboseMode, 1,
                           "GRP-DC    : Read error on GRP file :", grpFile);
            }
            NoteFailure(run, RunFailure::CommandError);
            return false;
        }
        std::string timeText = LocalTimeText();
        while (!timeText.empty() && (timeText.back() == '\n' || timeText.back() == '\r')) {
            timeText.pop_back();
        }
        DecompiledGroup group = DecompileGrp(run, options, image, grpFile, timeText);
        bool written = true;
        if (preview) {
            std::string before;
            ReadTextAsLeft(run, griFile, before);
            std::string after = JoinLines(group.lines, NativeLineEnd());
            WritePreviewText(UnifiedDiff(griFile, before, after));
            // The lines that follow (an edit of the GRI text, its compiling) read it as written.
            if (!group.lines.empty()) {
                KeepPreviewText(run, griFile, std::move(after), TextEncoding::Plain);
            }
        } else {
            for (const std::string& line : group.lines) {
                gri.WriteLine(line);
            }
            if (group.lines.empty()) {
                gri.Abandon();
            } else {
                written = gri.Close();
            }
        }
        if (!written) {
            LogMessage(run.log, options.VerboseMode, 1,
                       "GRP-DC    : Can't create outputfile :", griFile);
            LogMessage(run.log, options.VerboseMode, 1, "Problem: ", gri.ErrorText());
            NoteFailure(run, RunFailure::WriteFailed);
        }
        for (const std::string& line : group.console) {
            std::fwrite(line.data(), 1, line.size(), stdout);
            std::fputc('\n', stdout);
        }
        std::fflush(stdout);
        for (const std::string& what : group.unwritable) {
            LogMessage(run.log, options.VerboseMode, 1,
                       "GRP-DC    : Not writable as GRI text :", what);
        }
        // A group that was not read whole (not a group file, or damaged), or that the text cannot
        // give back, gives no usable text.
        return written && !group.lines.empty() && group.console.empty() && group.unwritable.empty();
    } catch (const std::bad_alloc&) {
        std::printf("Not enough memory\n");
        std::fflush(stdout);
        return false;
    }
}

void DecompileGrpFile(RunContext& run, RunOptions& options, const std::string& grpFile,
                      const std::string& griFile) {
    if (!GrpToGri(run, options, grpFile, griFile)) {
        NoteFailure(run, RunFailure::CommandError);
    }
}

}  // namespace rivel
