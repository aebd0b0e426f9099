// Registry files read into a key tree and written back. Reading checks every line, so a damaged
// or cut-off file is refused whole instead of being half understood and then written back short.
#include "registry/hive_file.h"

#include <algorithm>

namespace rivel {

namespace {

// The registry's own limit on the depth of keys.
constexpr size_t kMaxKeyDepth = 512;

struct LineCursor {
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

// Reads a value line with its continuation lines into joined; false when the file ends inside.
bool ReadValueLines(LineCursor& cursor, std::string_view first, std::string& joined) {
    joined.assign(first);
    while (EndsContinued(joined)) {
        joined.pop_back();
        std::string_view next;
        size_t start = 0;
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

// Compares the name of value with name (a UTF-16 view or the plain name of another value).
template <class Name>
int CompareValueName(const HiveValue& value, Name name) {
    if (value.text) {
        return CompareRegUnits(std::u16string_view(value.text->name), name);
    }
    return CompareRegUnits(value.plainName, name);
}

int CompareValueNames(const HiveValue& a, const HiveValue& b) {
    if (b.text) {
        return CompareValueName(a, std::u16string_view(b.text->name));
    }
    return CompareValueName(a, b.plainName);
}

size_t SortedValuePosition(const std::vector<HiveValue>& values, std::u16string_view name) {
    auto it = std::lower_bound(
        values.begin(), values.end(), name,
        [](const HiveValue& v, std::u16string_view n) { return CompareValueName(v, n) < 0; });
    return static_cast<size_t>(it - values.begin());
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

HiveBytes::HiveBytes(std::string_view text) {
    Allocate(text.size());
    std::copy(text.begin(), text.end(), bytes_.get());
}

void HiveBytes::Allocate(size_t size) {
    bytes_.reset(new char[size == 0 ? 1 : size]);  // left as it is: the file is read into it
    size_ = size;
}

void HiveBytes::Append(std::string_view more) {
    if (more.empty()) {
        return;
    }
    std::unique_ptr<char[]> grown(new char[size_ + more.size()]);
    std::copy(bytes_.get(), bytes_.get() + size_, grown.get());
    std::copy(more.begin(), more.end(), grown.get() + size_);
    bytes_ = std::move(grown);
    size_ += more.size();
}

bool Hive::Parse(HiveBytes text, std::string& errorText) {
    bytes_ = std::move(text);
    text_ = bytes_.View();
    root_ = std::make_unique<HiveKey>();
    removed_.clear();
    std::string_view all(text_);
    LineCursor cursor{all};
    auto fail = [&](const std::string& why) {
        errorText = "line " + std::to_string(cursor.number) + ": " + why;
        root_ = std::make_unique<HiveKey>();
        return false;
    };
    std::string_view line;
    size_t start = 0;
    bool complete = false;
    if (!cursor.Next(line, start, complete) || line != "WINE REGISTRY Version 2") {
        return fail("not a registry file");
    }
    HiveKey* current = nullptr;
    size_t blockStart = 0;
    size_t gapStart = std::string_view::npos;
    std::string joined;
    std::u16string path;
    auto contentEnd = [&](size_t here) {
        return gapStart == std::string_view::npos ? here : gapStart;
    };
    auto finishBlock = [&](size_t here) {
        if (current == nullptr) {
            preamble_ = all.substr(0, contentEnd(here));
        } else {
            current->block = all.substr(blockStart, contentEnd(here) - blockStart);
        }
    };
    while (cursor.Next(line, start, complete)) {
        if (!complete) {
            return fail("file ends inside a line");
        }
        if (line.empty()) {
            if (gapStart == std::string_view::npos) {
                gapStart = start;
            }
            continue;
        }
        if (line[0] == '[') {
            if (!ParseKeyLine(line, path)) {
                return fail("bad key line");
            }
            auto parts = SplitRegPath(path);
            if (parts.empty()) {
                return fail("key line without a path");
            }
            if (parts.size() > kMaxKeyDepth) {
                return fail("key too deep");
            }
            finishBlock(start);
            HiveKey* node = root_.get();
            for (auto part : parts) {
                HiveKey* sub = node->subkeysSorted ? FindSubKey(*node, part) : nullptr;
                if (sub == nullptr && !node->subkeysSorted) {
                    sub = FindSubKey(*node, part);
                }
                if (sub == nullptr) {
                    auto fresh = std::make_unique<HiveKey>();
                    fresh->name.assign(part);
                    fresh->parent = node;
                    fresh->valuesLoaded = true;
                    if (!node->subkeys.empty() &&
                        CompareRegNames(node->subkeys.back()->name, part) >= 0) {
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
            if (!node->block.empty()) {
                return fail("key written twice");
            }
            node->gap = all.substr(contentEnd(start), start - contentEnd(start));
            node->valuesLoaded = false;
            current = node;
            blockStart = start;
            gapStart = std::string_view::npos;
            continue;
        }
        gapStart = std::string_view::npos;
        if (line[0] == '#' || line[0] == ';') {
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
    finishBlock(all.size());
    tail_ = gapStart == std::string_view::npos ? std::string_view() : all.substr(gapStart);
    return true;
}

void Hive::InitEmpty(const std::string& header) {
    bytes_ = HiveBytes(header);
    text_ = bytes_.View();
    preamble_ = text_;
    tail_ = {};
    root_ = std::make_unique<HiveKey>();
    root_->valuesLoaded = true;
    removed_.clear();
}

std::string Hive::Write(int64_t unixSeconds, uint64_t fileTime) const {
    std::string out;
    // Room for the changes too: growing a copy of a whole registry file costs another copy.
    out.reserve(text_.size() + text_.size() / 8 + 4096);
    WriteTo(unixSeconds, fileTime, [&out](std::string_view piece) { out.append(piece); });
    return out;
}

void Hive::WriteTo(int64_t unixSeconds, uint64_t fileTime,
                   const std::function<void(std::string_view)>& put) const {
    bool any = false;  // something was put; last is the last character of it
    char last = 0;
    // Pieces of the text as read that follow each other in it (the keys not changed, the values
    // not changed) are put as one.
    std::string_view run;
    auto flush = [&] {
        if (!run.empty()) {
            put(run);
            run = {};
        }
    };
    auto append = [&](std::string_view piece) {
        if (piece.empty()) {
            return;
        }
        if (run.data() + run.size() == piece.data()) {
            run = std::string_view(run.data(), run.size() + piece.size());
        } else {
            flush();
            run = piece;
        }
        any = true;
        last = piece.back();
    };
    // A piece made here, which lives only for the call.
    auto appendMade = [&](std::string_view piece) {
        if (!piece.empty()) {
            flush();
            put(piece);
            any = true;
            last = piece.back();
        }
    };
    append(preamble_);
    // Depth first, each key before its subkeys, as the files are written.
    std::vector<const HiveKey*> pending{root_.get()};
    while (!pending.empty()) {
        const HiveKey* key = pending.back();
        pending.pop_back();
        for (auto it = key->subkeys.rbegin(); it != key->subkeys.rend(); ++it) {
            pending.push_back(it->get());
        }
        if (!key->changed && !key->block.empty()) {
            append(key->gap);
            append(key->block);
            continue;
        }
        bool hasValues = key->valuesLoaded ? !key->values.empty() : !key->block.empty();
        if (key == root_.get() && !hasValues) {
            continue;
        }
        if (!hasValues && !key->subkeys.empty() && key->options.empty()) {
            continue;  // implied by its subkeys
        }
        if (any && last != '\n') {
            appendMade("\n");
        }
        if (key->gap.empty()) {
            appendMade("\n");
        } else {
            append(key->gap);
        }
        appendMade(FormatKeyLines(PathOf(*key), unixSeconds, fileTime));
        appendMade(key->options);
        for (const HiveValue& value : key->values) {
            if (!value.raw.empty()) {
                append(value.raw);
            } else {
                appendMade(FormatValueLines(*value.text));
            }
        }
    }
    append(tail_);
    flush();
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

void Hive::LoadValues(HiveKey& key) const {
    if (key.valuesLoaded) {
        return;
    }
    key.valuesLoaded = true;
    LineCursor cursor{key.block};
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
        if (!PlainValueName(line, value.plainName)) {
            value.text = std::make_unique<HiveValueText>();
            if (!ParseValueName(whole, value.text->name)) {
                continue;
            }
        }
        value.raw = key.block.substr(start, cursor.pos - start);
        if (!key.values.empty() && CompareValueNames(key.values.back(), value) >= 0) {
            key.valuesSorted = false;
        }
        key.values.push_back(std::move(value));
    }
}

const HiveValueText& Hive::ValueOf(HiveValue& value) {
    if (!value.text) {
        value.text = std::make_unique<HiveValueText>();
        value.text->name.assign(value.plainName.begin(), value.plainName.end());
    }
    if (!value.dataLoaded) {
        value.dataLoaded = true;
        LineCursor cursor{value.raw};
        std::string_view first;
        size_t start = 0;
        bool complete = false;
        std::string joined;
        if (cursor.Next(first, start, complete) && ReadValueLines(cursor, first, joined)) {
            ParseValueLine(joined, *value.text);
        }
    }
    return *value.text;
}

std::u16string Hive::NameOf(const HiveValue& value) {
    if (value.text) {
        return value.text->name;
    }
    return std::u16string(value.plainName.begin(), value.plainName.end());
}

HiveValue* Hive::FindValue(HiveKey& key, std::u16string_view name) {
    auto& values = key.values;
    if (key.valuesSorted) {
        size_t i = SortedValuePosition(values, name);
        return i < values.size() && CompareValueName(values[i], name) == 0 ? &values[i] : nullptr;
    }
    for (auto& value : values) {
        if (CompareValueName(value, name) == 0) {
            return &value;
        }
    }
    return nullptr;
}

void Hive::SetValue(HiveKey& key, const HiveValueText& value) {
    key.changed = true;
    if (HiveValue* existing = FindValue(key, value.name)) {
        // The value keeps the spelling of its name.
        auto text = std::make_unique<HiveValueText>(
            HiveValueText{NameOf(*existing), value.type, value.data});
        existing->text = std::move(text);
        existing->raw = {};
        existing->dataLoaded = true;
        return;
    }
    size_t at = key.valuesSorted ? SortedValuePosition(key.values, value.name) : key.values.size();
    HiveValue added;
    added.text = std::make_unique<HiveValueText>(value);
    added.dataLoaded = true;
    key.values.insert(key.values.begin() + static_cast<std::ptrdiff_t>(at), std::move(added));
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
