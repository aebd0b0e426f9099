// The files as a preview has left them.
#include "text/preview_texts.h"

#include <exception>
#include <filesystem>
#include <set>
#include <system_error>

#include "platform/files.h"
#include "platform/name_case.h"
#include "text/strings.h"

namespace rivel {

namespace {

// The full path of a name, or the name as given when the system cannot make one.
std::string FullName(const std::string& path) {
    std::string name = path;
    try {
        // A name the system cannot convert (bytes that are no text of its code page) stays
        // as given.
        std::error_code error;
        std::filesystem::path full = std::filesystem::absolute(std::filesystem::path(path), error);
        if (!error) {
            name = full.lexically_normal().string();
        }
    } catch (const std::exception&) {
    }
    return name;
}

// The same file under any of its names. A file that does not exist yet has no identity: it is
// known by its full path, so that "new.ini", "./new.ini" and "sub/../new.ini" name one file.
std::string Key(const std::string& path) {
    std::string identity = FileIdentity(path);
    if (!identity.empty()) {
        return identity;
    }
    std::string name = FullName(path);
    return "name:" + (FileNamesIgnoreCase() ? UpperCase(name) : name);
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
    std::string key = Key(path);
    if (key.rfind("name:", 0) == 0) {
        run.previewTexts->newFiles.emplace(key, FullName(path));
    }
    run.previewTexts->files[key] = {std::move(text), encoding};
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

std::vector<std::string> NewFilesAsLeft(const RunContext& run, const std::string& directory) {
    std::set<std::string> names;
    if (!run.previewTexts || run.previewTexts->newFiles.empty()) {
        return {};
    }
    try {
        // "dir/." names the directory itself however it was written ("sub", "sub/", "C:").
        const std::filesystem::path self(".");
        const std::string where = FileIdentity(
            (std::filesystem::path(directory.empty() ? "." : directory) / self).string());
        if (where.empty()) {
            return {};
        }
        for (const auto& [key, full] : run.previewTexts->newFiles) {
            if (PathExists(full)) {
                continue;  // made on disk since: the directory search finds it there
            }
            const std::filesystem::path file(full);
            std::string name = file.filename().string();
            if (!name.empty() && FileIdentity((file.parent_path() / self).string()) == where) {
                names.insert(std::move(name));
            }
        }
    } catch (const std::exception&) {
        // A name the system cannot convert: no directory search would give it either.
    }
    return {names.begin(), names.end()};
}

bool ReadBytesAsLeft(RunContext& run, const std::string& path, std::string& bytes) {
    if (const auto* kept = Kept(run, path)) {
        bytes = kept->first;
        return true;
    }
    return ReadWholeFile(path, bytes);
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
