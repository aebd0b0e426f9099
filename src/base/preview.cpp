// Preview output.
#include "base/preview.h"

#include <cstdio>

namespace rivel {

void WritePreviewText(const std::string& text) {
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fflush(stdout);
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
