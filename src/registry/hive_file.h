// One registry file in memory: its keys as a tree, each key keeping the text it was read from, so
// that writing the file back reproduces every key that was not changed byte for byte. Values are
// parsed when a key is first asked for them.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "registry/hive_text.h"

namespace rivel {

// A value is kept as its lines until it is asked for or changed: a key of a large file may hold
// thousands, and most runs look at few of them.
struct HiveValue {
    std::string_view raw;        // the value's lines as read; empty once changed
    std::string_view plainName;  // the name in raw when it needs no decoding (see PlainValueName)
    std::unique_ptr<HiveValueText> text;  // the name unless plain; type and data once dataLoaded
    bool dataLoaded = false;
};

// Registry names in their order (case-insensitive).
struct RegNameLess {
    bool operator()(std::u16string_view a, std::u16string_view b) const {
        return CompareRegNames(a, b) < 0;
    }
};

struct HiveKey {
    std::u16string name;
    HiveKey* parent = nullptr;
    std::vector<std::unique_ptr<HiveKey>> subkeys;  // in file order, which is name order when
    bool subkeysSorted = true;                      // the file was written in it
    // When they are not: the subkeys by name, made at the first lookup, so that a key with many
    // subkeys out of order is not searched from the start for each of them.
    std::unique_ptr<std::map<std::u16string_view, HiveKey*, RegNameLess>> subkeyIndex;
    std::string_view gap;    // the empty lines before the key line, as read
    std::string_view block;  // the key line up to its last line, as read; empty if implied
    bool valuesLoaded = false;
    size_t valuesInBlock = 0;  // counted as the file was read, so that values is made in one go
    std::vector<HiveValue> values;
    bool valuesSorted = true;
    std::string options;   // "#class", "#link" and comment lines of the block, kept when rewritten
    bool changed = false;  // written anew with the current time
    bool deleted = false;
};

// The bytes of a registry file, held in one block that is not set to zero before the file is read
// into it: for a file of tens of megabytes that costs about as much as the reading.
class HiveBytes {
  public:
    HiveBytes() = default;
    explicit HiveBytes(std::string_view text);
    // Room for size bytes whose content is left to the caller.
    void Allocate(size_t size);
    // Keeps the first size bytes; the rest of the block is given up.
    void Shrink(size_t size) { size_ = size < size_ ? size : size_; }
    // Adds bytes at the end (a file that grew while it was read).
    void Append(std::string_view more);
    char* Data() { return bytes_.get(); }
    std::string_view View() const { return {bytes_.get(), size_}; }

  private:
    std::unique_ptr<char[]> bytes_;
    size_t size_ = 0;
};

class Hive {
  public:
    Hive() = default;
    Hive(const Hive&) = delete;
    Hive& operator=(const Hive&) = delete;

    // Parses the file text (kept inside the hive). False with errorText ("line N: ...") when it
    // is not a complete registry file.
    bool Parse(HiveBytes text, std::string& errorText);
    bool Parse(std::string_view text, std::string& errorText) {
        return Parse(HiveBytes(text), errorText);
    }
    // An empty hive whose file will start with the header lines given (each ending in "\n").
    void InitEmpty(const std::string& header);

    // The file text: keys not changed as they were read, changed ones with the time given.
    std::string Write(int64_t unixSeconds, uint64_t fileTime) const;
    // The same text handed to put piece by piece, so that it need not be held whole.
    void WriteTo(int64_t unixSeconds, uint64_t fileTime,
                 const std::function<void(std::string_view)>& put) const;

    HiveKey& Root() { return *root_; }
    std::string_view Text() const { return text_; }

    // Subkey lookups and changes; every change marks what must be written anew.
    static HiveKey* FindSubKey(HiveKey& key, std::u16string_view name);
    static HiveKey* AddSubKey(HiveKey& key, std::u16string_view name);
    // The key at path ("A\B" below from); nullptr when missing.
    static HiveKey* FindPath(HiveKey& from, std::u16string_view path);
    // Removes a subkey with everything below it; the nodes live on, marked deleted, until the
    // hive goes, so that open handles on them stay valid.
    void RemoveSubKey(HiveKey& key, HiveKey& sub);

    void LoadValues(HiveKey& key) const;
    static HiveValue* FindValue(HiveKey& key, std::u16string_view name);
    static std::u16string NameOf(const HiveValue& value);
    // The value with its type and data read from its lines (values are first read by name only).
    static const HiveValueText& ValueOf(HiveValue& value);
    static void SetValue(HiveKey& key, const HiveValueText& value);
    static bool RemoveValue(HiveKey& key, std::u16string_view name);

    // The path of key below the root, components joined by "\".
    static std::u16string PathOf(const HiveKey& key);

  private:
    HiveBytes bytes_;
    std::string_view text_;  // all of bytes_
    std::string_view preamble_;
    std::string_view tail_;  // empty lines after the last key
    std::unique_ptr<HiveKey> root_ = std::make_unique<HiveKey>();
    std::vector<std::unique_ptr<HiveKey>> removed_;
};

// Splits a path at its backslashes, leaving out empty components.
std::vector<std::u16string_view> SplitRegPath(std::u16string_view path);

}  // namespace rivel
