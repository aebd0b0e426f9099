// Registry files read into a key tree and written back. Reading checks every line, so a damaged
// or cut-off file is refused whole instead of being half understood and then written back short.
#include "registry/hive_file.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace rivel {

namespace {

// The deepest keys that are made here, the limit of the registry on Windows. Wine has none, so
// a file may hold deeper keys: they are read, kept and changed like any others.
constexpr size_t kMaxKeyDepth = 512;

struct LineCursor {
    using Offset = size_t;
    std::string_view text;
    size_t pos = 0;
    size_t number = 0;

    // The next line without its line end (and without a CR before it); false at the end.
    // complete is false for a last line without a line end.
    bool Next(std::string_view& line, size_t& start, bool& complete) {
        if (pos >= text.size()) {
            return false;
        }
        start = pos;
        size_t end = text.find('\n', pos);
        complete = end != std::string_view::npos;
        if (!complete) {
            end = text.size();
        }
        line = text.substr(pos, end - pos);
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        pos = complete ? end + 1 : end;
        ++number;
        return true;
    }
};

bool IsValueLine(std::string_view line) {
    return !line.empty() && (line[0] == '@' || line[0] == '"');
}

bool EndsContinued(std::string_view line) {
    return !line.empty() && line.back() == '\\';
}

std::string_view TrimLeadingBlanks(std::string_view line) {
    size_t p = 0;
    while (p < line.size() && (line[p] == ' ' || line[p] == '\t')) {
        ++p;
    }
    return line.substr(p);
}

// The lines of a source, read in pieces into one buffer that grows only for a line longer than
// it, so that a file of any size is read through a little memory and a line of any length whole.
class StreamCursor {
  public:
    using Offset = uint64_t;

    // buffer is the memory to read into (its content is not kept).
    StreamCursor(HiveSource& source, std::string& buffer) : source_(source), buffer_(buffer) {
        buffer_.clear();
    }

    size_t number = 0;
    bool failed = false;  // a read failed: the lines end there

    // As LineCursor::Next, with start the line's offset in the source. The line is valid until
    // the next call.
    bool Next(std::string_view& line, Offset& start, bool& complete) {
        if (pos_ >= end_ && !Fill()) {
            return false;
        }
        size_t searched = 0;  // bytes after pos_ known to hold no line end
        const char* found = nullptr;
        for (;;) {
            found = static_cast<const char*>(
                std::memchr(buffer_.data() + pos_ + searched, '\n', end_ - pos_ - searched));
            if (found != nullptr) {
                break;
            }
            searched = end_ - pos_;
            if (!Fill()) {
                if (failed) {
                    return false;
                }
                break;  // the last line, without a line end
            }
        }
        const char* begin = buffer_.data() + pos_;
        size_t length = found != nullptr ? static_cast<size_t>(found - begin) : end_ - pos_;
        start = offset_ + pos_;
        complete = found != nullptr;
        line = std::string_view(begin, length);
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        pos_ += complete ? length + 1 : length;
        ++number;
        return true;
    }

    // The offset in the source of the next line.
    Offset Position() const { return offset_ + pos_; }

  private:
    static constexpr size_t kPiece = size_t{1} << 16;

    // Keeps what is not read yet at the front of the buffer and reads more behind it. False at
    // the end of the source or when the read fails.
    bool Fill() {
        if (atEnd_) {
            return false;
        }
        if (pos_ > 0) {
            std::memmove(buffer_.data(), buffer_.data() + pos_, end_ - pos_);
            offset_ += pos_;
            end_ -= pos_;
            pos_ = 0;
        }
        if (end_ == buffer_.size()) {
            buffer_.resize(buffer_.empty() ? kPiece : buffer_.size() * 2);
        }
        int64_t got = source_.ReadAt(offset_ + end_, buffer_.data() + end_, buffer_.size() - end_);
        if (got <= 0) {
            failed = got < 0;
            atEnd_ = true;
            return false;
        }
        end_ += static_cast<size_t>(got);
        return true;
    }

    HiveSource& source_;
    std::string& buffer_;
    size_t pos_ = 0;
    size_t end_ = 0;
    uint64_t offset_ = 0;  // where the buffer starts in the source
    bool atEnd_ = false;
};

// Reads a value line with its continuation lines into joined; false when the file ends inside.
template <typename Cursor>
bool ReadValueLines(Cursor& cursor, std::string_view first, std::string& joined) {
    joined.assign(first);
    while (EndsContinued(joined)) {
        joined.pop_back();
        std::string_view next;
        typename Cursor::Offset start = 0;
        bool complete = false;
        if (!cursor.Next(next, start, complete) || !complete) {
            return false;
        }
        joined.append(TrimLeadingBlanks(next));
    }
    return true;
}

template <typename T, typename NameOf>
size_t SortedPosition(const std::vector<T>& items, std::u16string_view name, NameOf nameOf) {
    auto it = std::lower_bound(items.begin(), items.end(), name, [&](const T& item, auto n) {
        return CompareRegNames(nameOf(item), n) < 0;
    });
    return static_cast<size_t>(it - items.begin());
}

// The plain name of value in key (empty when its name is in text).
std::string_view PlainName(const HiveKey& key, const HiveValue& value) {
    return std::string_view(key.plainNames).substr(value.nameOrText, value.nameLength);
}

const HiveValueText* TextOf(const HiveKey& key, const HiveValue& value) {
    return value.hasText ? key.texts[value.nameOrText].get() : nullptr;
}

// Gives value the text made for it, in place of the one it had.
void GiveText(HiveKey& key, HiveValue& value, std::shared_ptr<const HiveValueText> text) {
    if (value.hasText) {
        key.texts[value.nameOrText] = std::move(text);
        return;
    }
    value.nameOrText = static_cast<uint32_t>(key.texts.size());
    value.nameLength = 0;
    value.hasText = true;
    key.texts.push_back(std::move(text));
}

// Compares the name of value in key with name (UTF-16, or the plain name of another value).
template <class Name>
int CompareValueName(const HiveKey& key, const HiveValue& value, Name name) {
    if (const HiveValueText* text = TextOf(key, value)) {
        return CompareRegUnits(std::u16string_view(text->name), name);
    }
    return CompareRegUnits(PlainName(key, value), name);
}

int CompareValueNames(const HiveKey& key, const HiveValue& a, const HiveValue& b) {
    if (const HiveValueText* text = TextOf(key, b)) {
        return CompareValueName(key, a, std::u16string_view(text->name));
    }
    return CompareValueName(key, a, PlainName(key, b));
}

size_t SortedValuePosition(const HiveKey& key, std::u16string_view name) {
    auto it = std::lower_bound(key.values.begin(), key.values.end(), name,
                               [&key](const HiveValue& v, std::u16string_view n) {
                                   return CompareValueName(key, v, n) < 0;
                               });
    return static_cast<size_t>(it - key.values.begin());
}

size_t Depth(const HiveKey& key) {
    size_t depth = 0;
    for (const HiveKey* k = key.parent; k != nullptr; k = k->parent) {
        ++depth;
    }
    return depth;
}

void MarkDeleted(HiveKey& key) {
    std::vector<HiveKey*> pending{&key};
    while (!pending.empty()) {
        HiveKey* k = pending.back();
        pending.pop_back();
        k->deleted = true;
        for (auto& sub : k->subkeys) {
            pending.push_back(sub.get());
        }
    }
}

}  // namespace

HiveKey::~HiveKey() {
    std::vector<std::unique_ptr<HiveKey>> pending = std::move(subkeys);
    subkeyIndex.reset();
    while (!pending.empty()) {
        std::unique_ptr<HiveKey> key = std::move(pending.back());
        pending.pop_back();
        for (auto& sub : key->subkeys) {
            pending.push_back(std::move(sub));
        }
        key->subkeys.clear();
        key->subkeyIndex.reset();
    }  // each key is freed with no subkeys left in it
}

std::vector<std::u16string_view> SplitRegPath(std::u16string_view path) {
    std::vector<std::u16string_view> parts;
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = path.find(u'\\', start);
        if (end == std::u16string_view::npos) {
            end = path.size();
        }
        if (end > start) {
            parts.push_back(path.substr(start, end - start));
        }
        start = end + 1;
    }
    return parts;
}

int64_t TextHiveSource::ReadAt(uint64_t offset, char* data, size_t size) {
    if (offset >= text_.size()) {
        return 0;
    }
    size_t count = std::min(size, text_.size() - static_cast<size_t>(offset));
    std::memcpy(data, text_.data() + offset, count);
    return static_cast<int64_t>(count);
}

bool Hive::Parse(std::unique_ptr<HiveSource> source, std::string& errorText) {
    source_ = std::move(source);
    readFailed_ = false;
    root_ = std::make_unique<HiveKey>();
    removed_.clear();
    StreamCursor cursor{*source_, scratch_};
    auto fail = [&](const std::string& why) {
        readFailed_ = cursor.failed;
        errorText = "line " + std::to_string(cursor.number) + ": " +
                    (cursor.failed ? std::string("the file cannot be read") : why);
        root_ = std::make_unique<HiveKey>();
        return false;
    };
    std::string_view line;
    uint64_t start = 0;
    bool complete = false;
    if (!cursor.Next(line, start, complete) || line != "WINE REGISTRY Version 2") {
        return fail("not a registry file");
    }
    HiveKey* current = nullptr;
    uint64_t blockStart = 0;
    constexpr uint64_t kNoGap = ~uint64_t{0};
    uint64_t gapStart = kNoGap;
    std::string joined;
    std::u16string path;
    auto contentEnd = [&](uint64_t here) { return gapStart == kNoGap ? here : gapStart; };
    auto finishBlock = [&](uint64_t here) {
        if (current == nullptr) {
            preamble_ = {0, contentEnd(here)};
        } else {
            current->block = {blockStart, contentEnd(here) - blockStart};
        }
    };
    while (cursor.Next(line, start, complete)) {
        if (!complete) {
            return fail("file ends inside a line");
        }
        if (line.empty()) {
            if (gapStart == kNoGap) {
                gapStart = start;
            }
            continue;
        }
        if (line[0] == '[') {
            if (!ParseKeyLine(line, path)) {
                return fail("bad key line");
            }
            // "[]" is the hive's own key: Wine writes it so when that key holds values.
            auto parts = SplitRegPath(path);
            finishBlock(start);
            HiveKey* node = root_.get();
            for (auto part : parts) {
                // In a file written in name order a key's parent is the last key added below
                // its own parent, and a new key goes after all of them: one comparison each.
                const int order =
                    node->subkeys.empty() ? -1 : CompareRegNames(node->subkeys.back()->name, part);
                HiveKey* sub = nullptr;
                if (order == 0) {
                    sub = node->subkeys.back().get();
                } else if (order > 0 || !node->subkeysSorted) {
                    sub = FindSubKey(*node, part);
                }
                if (sub == nullptr) {
                    auto fresh = std::make_unique<HiveKey>();
                    fresh->name.assign(part);
                    fresh->parent = node;
                    fresh->valuesLoaded = true;
                    if (order > 0) {
                        node->subkeysSorted = false;
                    }
                    sub = fresh.get();
                    node->subkeys.push_back(std::move(fresh));
                    if (node->subkeyIndex) {
                        node->subkeyIndex->emplace(sub->name, sub);
                    }
                }
                node = sub;
            }
            if (node->block.length != 0) {
                return fail("key written twice");
            }
            node->gap = {contentEnd(start), start - contentEnd(start)};
            node->valuesLoaded = false;
            current = node;
            blockStart = start;
            gapStart = kNoGap;
            continue;
        }
        gapStart = kNoGap;
        if (line[0] == '#' || line[0] == ';') {
            if (current != nullptr && line == "#link") {
                current->link = true;
            }
            continue;
        }
        if (current == nullptr) {
            return fail("text before the first key");
        }
        if (!IsValueLine(line)) {
            return fail("not a value line");
        }
        std::string_view whole = line;
        if (EndsContinued(line)) {
            if (!ReadValueLines(cursor, line, joined)) {
                return fail("file ends inside a value");
            }
            whole = joined;
        }
        if (!CheckValueLine(whole)) {
            return fail("bad value line");
        }
        ++current->valuesInBlock;
    }
    if (cursor.failed) {
        return fail("");
    }
    const uint64_t size = cursor.Position();
    finishBlock(size);
    tail_ = gapStart == kNoGap ? TextSpan{} : TextSpan{gapStart, size - gapStart};
    return true;
}

void Hive::InitEmpty(const std::string& header) {
    source_ = std::make_unique<TextHiveSource>(header);
    readFailed_ = false;
    preamble_ = {0, header.size()};
    tail_ = {};
    root_ = std::make_unique<HiveKey>();
    root_->valuesLoaded = true;
    removed_.clear();
}

std::string Hive::Write(int64_t unixSeconds, uint64_t fileTime) const {
    std::string out;
    if (!WriteTo(unixSeconds, fileTime, [&out](std::string_view piece) { out.append(piece); })) {
        out.clear();
    }
    return out;
}

bool Hive::ReadSpan(TextSpan span, std::string& buffer, std::string_view& text) const {
    if (span.length > buffer.max_size()) {
        return false;
    }
    const auto length = static_cast<size_t>(span.length);
    if (buffer.size() < length) {
        buffer.resize(length);  // grown only: it is not set to zero again for every piece
    }
    size_t done = 0;
    while (done < length) {
        int64_t got = source_->ReadAt(span.offset + done, buffer.data() + done, length - done);
        if (got <= 0) {
            return false;  // failed, or the file is shorter than it was when it was read
        }
        done += static_cast<size_t>(got);
    }
    text = std::string_view(buffer.data(), length);
    return true;
}

bool Hive::PutSpan(TextSpan span, const std::function<void(std::string_view)>& put) const {
    constexpr uint64_t kPiece = uint64_t{1} << 16;
    while (span.length > 0) {
        TextSpan part{span.offset, std::min(span.length, kPiece)};
        std::string_view piece;
        if (!ReadSpan(part, scratch_, piece)) {
            return false;
        }
        put(piece);
        span.offset += part.length;
        span.length -= part.length;
    }
    return true;
}

bool Hive::WriteTo(int64_t unixSeconds, uint64_t fileTime,
                   const std::function<void(std::string_view)>& put) const {
    // Every piece is whole lines: spans end where lines end (a file that ends inside a line is
    // not read), and what is made here ends with its line end.
    bool ok = true;
    // Spans of the file that follow each other in it (the keys not changed, the values not
    // changed) are read and put as one.
    TextSpan run;
    auto flush = [&] {
        if (run.length != 0) {
            ok = ok && PutSpan(run, put);
            run = {};
        }
    };
    auto append = [&](TextSpan span) {
        if (span.length == 0) {
            return;
        }
        if (run.length != 0 && run.offset + run.length == span.offset) {
            run.length += span.length;
        } else {
            flush();
            run = span;
        }
    };
    // A piece made here, which lives only for the call.
    auto appendMade = [&](std::string_view piece) {
        if (!piece.empty()) {
            flush();
            put(piece);
        }
    };
    append(preamble_);
    // Depth first, each key before its subkeys, as the files are written.
    std::vector<const HiveKey*> pending{root_.get()};
    while (!pending.empty() && ok) {
        const HiveKey* key = pending.back();
        pending.pop_back();
        for (auto it = key->subkeys.rbegin(); it != key->subkeys.rend(); ++it) {
            pending.push_back(it->get());
        }
        if (!key->changed && key->block.length != 0) {
            append(key->gap);
            append(key->block);
            continue;
        }
        bool hasValues = key->valuesLoaded ? !key->values.empty() : key->block.length != 0;
        if (key == root_.get() && !hasValues) {
            continue;
        }
        if (!hasValues && !key->subkeys.empty() && key->options.empty()) {
            continue;  // implied by its subkeys
        }
        if (key->gap.length == 0) {
            appendMade("\n");
        } else {
            append(key->gap);
        }
        appendMade(FormatKeyLines(PathOf(*key), unixSeconds, fileTime));
        appendMade(key->options);
        for (const HiveValue& value : key->values) {
            if (value.rawLength != 0) {
                append({key->block.offset + value.rawStart, value.rawLength});  // as read
            } else {
                appendMade(FormatValueLines(*TextOf(*key, value)));
            }
        }
    }
    append(tail_);
    flush();
    return ok;
}

HiveKey* Hive::FindSubKey(HiveKey& key, std::u16string_view name) {
    auto& subs = key.subkeys;
    if (key.subkeysSorted) {
        size_t i = SortedPosition(subs, name,
                                  [](const auto& k) -> std::u16string_view { return k->name; });
        return i < subs.size() && CompareRegNames(subs[i]->name, name) == 0 ? subs[i].get()
                                                                            : nullptr;
    }
    if (!key.subkeyIndex) {
        key.subkeyIndex = std::make_unique<std::map<std::u16string_view, HiveKey*, RegNameLess>>();
        for (auto& sub : subs) {
            key.subkeyIndex->emplace(sub->name, sub.get());
        }
    }
    auto it = key.subkeyIndex->find(name);
    return it == key.subkeyIndex->end() ? nullptr : it->second;
}

HiveKey* Hive::AddSubKey(HiveKey& key, std::u16string_view name) {
    if (HiveKey* existing = FindSubKey(key, name)) {
        return existing;
    }
    if (Depth(key) + 1 > kMaxKeyDepth) {
        return nullptr;
    }
    auto fresh = std::make_unique<HiveKey>();
    fresh->name.assign(name);
    fresh->parent = &key;
    fresh->valuesLoaded = true;
    fresh->changed = true;
    HiveKey* added = fresh.get();
    size_t at = key.subkeys.size();
    if (key.subkeysSorted) {
        at = SortedPosition(key.subkeys, name,
                            [](const auto& k) -> std::u16string_view { return k->name; });
    } else {
        for (size_t i = 0; i < key.subkeys.size(); ++i) {
            if (CompareRegNames(key.subkeys[i]->name, name) > 0) {
                at = i;
                break;
            }
        }
    }
    key.subkeys.insert(key.subkeys.begin() + static_cast<std::ptrdiff_t>(at), std::move(fresh));
    if (key.subkeyIndex) {
        key.subkeyIndex->emplace(added->name, added);
    }
    return added;
}

HiveKey* Hive::FindPath(HiveKey& from, std::u16string_view path) {
    HiveKey* key = &from;
    for (auto part : SplitRegPath(path)) {
        key = FindSubKey(*key, part);
        if (key == nullptr) {
            return nullptr;
        }
    }
    return key;
}

void Hive::RemoveSubKey(HiveKey& key, HiveKey& sub) {
    for (auto it = key.subkeys.begin(); it != key.subkeys.end(); ++it) {
        if (it->get() == &sub) {
            if (key.subkeyIndex) {
                key.subkeyIndex->erase(sub.name);
            }
            MarkDeleted(sub);
            removed_.push_back(std::move(*it));
            key.subkeys.erase(it);
            return;
        }
    }
}

bool Hive::LoadValues(HiveKey& key) const {
    if (key.valuesLoaded) {
        return true;
    }
    // The block is read into a buffer kept for the next key: of its text only the names of the
    // values stay, and where each value's lines are.
    std::string_view block;
    if (!ReadSpan(key.block, scratch_, block)) {
        return false;
    }
    key.valuesLoaded = true;
    LineCursor cursor{block};
    std::string_view line;
    size_t start = 0;
    bool complete = false;
    cursor.Next(line, start, complete);  // the key line
    // With room for some more, so that the values of a large key are not moved again and again
    // as values are added.
    key.values.reserve(key.valuesInBlock + key.valuesInBlock / 8 + 4);
    std::string joined;
    while (cursor.Next(line, start, complete)) {
        if (line.empty()) {
            continue;
        }
        if (!IsValueLine(line)) {
            if (line.rfind("#time=", 0) != 0) {
                key.options.append(line);
                key.options.push_back('\n');
            }
            continue;
        }
        HiveValue value;
        std::string_view whole = line;
        if (EndsContinued(line)) {
            if (!ReadValueLines(cursor, line, joined)) {
                continue;  // checked when the file was read
            }
            whole = joined;
        }
        constexpr uint32_t kMost = std::numeric_limits<uint32_t>::max();
        std::string_view plain;
        if (PlainValueName(line, plain) && plain.size() <= std::numeric_limits<uint16_t>::max() &&
            key.plainNames.size() + plain.size() <= kMost) {
            value.nameOrText = static_cast<uint32_t>(key.plainNames.size());
            value.nameLength = static_cast<uint16_t>(plain.size());
            key.plainNames.append(plain);
        } else {
            auto named = std::make_shared<HiveValueText>();
            if (!ParseValueName(whole, named->name)) {
                continue;
            }
            GiveText(key, value, std::move(named));
        }
        if (start <= kMost && cursor.pos - start <= kMost) {
            value.rawStart = static_cast<uint32_t>(start);
            value.rawLength = static_cast<uint32_t>(cursor.pos - start);
        } else {
            // Lines of more than 4 GiB: the value is kept read instead of by its place.
            auto read = std::make_shared<HiveValueText>();
            ParseValueLine(whole, *read);
            GiveText(key, value, std::move(read));
            value.dataLoaded = true;
        }
        if (!key.values.empty() && CompareValueNames(key, key.values.back(), value) >= 0) {
            key.valuesSorted = false;
        }
        key.values.push_back(value);
    }
    return true;
}

const HiveValueText* Hive::ValueOf(HiveKey& key, HiveValue& value) const {
    if (!value.dataLoaded) {
        std::string buffer;
        std::string_view lines;
        if (!ReadSpan({key.block.offset + value.rawStart, value.rawLength}, buffer, lines)) {
            return nullptr;
        }
        auto text = std::make_shared<HiveValueText>();
        LineCursor cursor{lines};
        std::string_view first;
        size_t start = 0;
        bool complete = false;
        std::string joined;
        if (cursor.Next(first, start, complete) && ReadValueLines(cursor, first, joined)) {
            ParseValueLine(joined, *text);
        }
        GiveText(key, value, std::move(text));
        value.dataLoaded = true;
    }
    return TextOf(key, value);
}

std::u16string Hive::NameOf(const HiveKey& key, const HiveValue& value) {
    if (const HiveValueText* text = TextOf(key, value)) {
        return text->name;
    }
    std::string_view plain = PlainName(key, value);
    return std::u16string(plain.begin(), plain.end());
}

namespace {
// The value named name in key, or nullptr; at is then where a value of that name goes. In a key
// in name order one search finds either.
HiveValue* LocateValue(HiveKey& key, std::u16string_view name, size_t& at) {
    auto& values = key.values;
    if (key.valuesSorted) {
        at = SortedValuePosition(key, name);
        return at < values.size() && CompareValueName(key, values[at], name) == 0 ? &values[at]
                                                                                  : nullptr;
    }
    at = values.size();
    for (auto& value : values) {
        if (CompareValueName(key, value, name) == 0) {
            return &value;
        }
    }
    return nullptr;
}
}  // namespace

HiveValue* Hive::FindValue(HiveKey& key, std::u16string_view name) {
    size_t at = 0;
    return LocateValue(key, name, at);
}

std::shared_ptr<const HiveValueText> Hive::SetValue(HiveKey& key, HiveValueText value) {
    key.changed = true;
    size_t at = 0;
    HiveValue* existing = LocateValue(key, value.name, at);
    if (existing != nullptr) {
        value.name = NameOf(key, *existing);
    } else {
        existing =
            &*key.values.insert(key.values.begin() + static_cast<std::ptrdiff_t>(at), HiveValue{});
    }
    auto text = std::make_shared<const HiveValueText>(std::move(value));
    GiveText(key, *existing, text);
    existing->rawLength = 0;
    existing->dataLoaded = true;
    return text;
}

bool Hive::RemoveValue(HiveKey& key, std::u16string_view name) {
    HiveValue* value = FindValue(key, name);
    if (value == nullptr) {
        return false;
    }
    key.values.erase(key.values.begin() + (value - key.values.data()));
    key.changed = true;
    return true;
}

std::u16string Hive::PathOf(const HiveKey& key) {
    std::vector<const HiveKey*> chain;
    for (const HiveKey* k = &key; k != nullptr && k->parent != nullptr; k = k->parent) {
        chain.push_back(k);
    }
    std::u16string path;
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
        if (!path.empty()) {
            path.push_back(u'\\');
        }
        path += (*it)->name;
    }
    return path;
}

}  // namespace rivel
