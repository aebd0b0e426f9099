// Preview output.
#include "base/preview.h"

#include "platform/console.h"

namespace rivel {

void WritePreviewText(const std::string& text) {
    // A diff shows the file's own line ends: translating them would make a CRLF file's lines
    // end in CR CR LF.
    WriteStdoutBytes(text);
}

void PreviewProgram(RunContext& run, const std::string& command) {
    if (!run.previewNoteShown) {
        run.previewNoteShown = true;
        WritePreviewText(
            "preview: programs are not run; their result ($(_ERRORCODE)) is taken as 0\n");
    }
    WritePreviewText("would run: " + command + "\n");
    run.lastErrorCode = 0;
}

void PreviewOutputFile(const std::string& name) {
    WritePreviewText("would write: " + name + "\n");
}

}  // namespace rivel
