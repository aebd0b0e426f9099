// The files as a preview has left them.
#include "text/preview_texts.h"

#include "platform/files.h"

namespace rivel {

namespace {

// The same file under any of its names; a file that does not exist yet by the name given.
std::string Key(const std::string& path) {
    std::string identity = FileIdentity(path);
    return identity.empty() ? "name:" + path : identity;
}

const std::pair<std::string, TextEncoding>* Kept(const RunContext& run, const std::string& path) {
    if (!run.previewTexts || run.previewTexts->files.empty()) {
        return nullptr;
    }
    auto found = run.previewTexts->files.find(Key(path));
    return found == run.previewTexts->files.end() ? nullptr : &found->second;
}

}  // namespace

void KeepPreviewText(RunContext& run, const std::string& path, std::string text,
                     TextEncoding encoding) {
    if (!run.previewTexts) {
        run.previewTexts = std::make_shared<PreviewTexts>();
    }
    run.previewTexts->files[Key(path)] = {std::move(text), encoding};
}

bool OpenAsLeft(RunContext& run, LineReader& reader, const std::string& path) {
    if (const auto* kept = Kept(run, path)) {
        reader.OpenText(kept->first, kept->second);
        return true;
    }
    return reader.Open(path);
}

bool ExistsAsLeft(RunContext& run, const std::string& path) {
    return Kept(run, path) != nullptr || PathExists(path);
}

bool ReadTextAsLeft(RunContext& run, const std::string& path, std::string& text) {
    text.clear();
    if (const auto* kept = Kept(run, path)) {
        text = kept->first;
        return true;
    }
    return !PathExists(path) || ReadWholeText(path, text);
}

}  // namespace rivel
