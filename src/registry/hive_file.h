// One registry file as a tree of its keys. The file is read once from end to end and checked
// whole; a key then keeps only where its text lies in the file, and the text of a key is read
// again when its values are first asked for. Writing the file back copies every key that was not
// changed byte for byte from the file as it was read, so that a registry of tens of megabytes is
// never held in memory whole.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "registry/hive_text.h"

namespace rivel {

// Where a piece of the file's text lies in it.
struct TextSpan {
    uint64_t offset = 0;
    uint64_t length = 0;
};

// Where the text of a hive is read from: the registry file, or text in memory.
class HiveSource {
  public:
    virtual ~HiveSource() = default;
    // Reads up to size bytes at offset into data: the count read, 0 at the end, -1 on failure.
    virtual int64_t ReadAt(uint64_t offset, char* data, size_t size) = 0;
};

// A hive's text held in memory (a new file's header, tests).
class TextHiveSource : public HiveSource {
  public:
    explicit TextHiveSource(std::string text) : text_(std::move(text)) {}
    int64_t ReadAt(uint64_t offset, char* data, size_t size) override;

  private:
    std::string text_;
};

// A value is known by its name and where its lines lie in the file until it is asked for or
// changed: a key of a large file may hold thousands, and most runs look at few of them, so the
// record is small and owns nothing (a key's values are made and freed in one piece).
struct HiveValue {
    // The value's lines, from the start of the key's block; rawLength is 0 once changed.
    uint32_t rawStart = 0;
    uint32_t rawLength = 0;
    // Without text: where the name's bytes (a name that needs no decoding, see PlainValueName)
    // are in the key's plainNames. With text: its index in the key's texts.
    uint32_t nameOrText = 0;
    uint16_t nameLength = 0;
    bool hasText = false;     // the name (and, once dataLoaded, type and data) are in a text
    bool dataLoaded = false;  // its text holds the type and data
};
static_assert(std::is_trivially_destructible_v<HiveValue>);

// Registry names in their order (case-insensitive).
struct RegNameLess {
    bool operator()(std::u16string_view a, std::u16string_view b) const {
        return CompareRegNames(a, b) < 0;
    }
};

struct HiveKey {
    HiveKey() = default;
    HiveKey(const HiveKey&) = delete;
    HiveKey& operator=(const HiveKey&) = delete;
    // Frees the keys below one after the other, not each through its parent's destructor, so
    // that a chain of keys thousands deep does not use the stack in proportion to its depth.
    ~HiveKey();

    std::u16string name;
    HiveKey* parent = nullptr;
    std::vector<std::unique_ptr<HiveKey>> subkeys;  // in file order, which is name order when
    bool subkeysSorted = true;                      // the file was written in it
    // When they are not: the subkeys by name, made at the first lookup, so that a key with many
    // subkeys out of order is not searched from the start for each of them.
    std::unique_ptr<std::map<std::u16string_view, HiveKey*, RegNameLess>> subkeyIndex;
    TextSpan gap;            // the empty lines before the key line, as read
    TextSpan block;          // the key line up to its last line, as read; empty if implied
    std::string plainNames;  // the plain names of values, one after the other
    bool valuesLoaded = false;
    size_t valuesInBlock = 0;  // counted as the file was read, so that values is made in one go
    std::vector<HiveValue> values;
    // The texts of values read or set. Never changed once made: a change makes a new one, so
    // that the journal of a run can keep the values it set without copies.
    std::vector<std::shared_ptr<const HiveValueText>> texts;
    bool valuesSorted = true;
    std::string options;   // "#class", "#link" and comment lines of the block, kept when rewritten
    bool changed = false;  // written anew with the current time
    bool deleted = false;
    bool link = false;  // a "#link" key: opening it leads to the key its SymbolicLinkValue names
};

class Hive {
  public:
    Hive() = default;
    Hive(const Hive&) = delete;
    Hive& operator=(const Hive&) = delete;

    // Reads and checks the text of source, which the hive keeps to read keys from again. False
    // with errorText ("line N: ...") when it is not a complete registry file or cannot be read
    // (ReadFailed() then tells so).
    bool Parse(std::unique_ptr<HiveSource> source, std::string& errorText);
    bool Parse(std::string_view text, std::string& errorText) {
        return Parse(std::make_unique<TextHiveSource>(std::string(text)), errorText);
    }
    bool ReadFailed() const { return readFailed_; }
    // An empty hive whose file will start with the header lines given (each ending in "\n").
    void InitEmpty(const std::string& header);

    // The file text handed to put piece by piece: keys not changed as they were read, changed
    // ones with the time given. False when the text as read could not be read again; what was
    // put is then incomplete.
    bool WriteTo(int64_t unixSeconds, uint64_t fileTime,
                 const std::function<void(std::string_view)>& put) const;
    // The same text whole ("" when it cannot be read; a hive parsed from text always can).
    std::string Write(int64_t unixSeconds, uint64_t fileTime) const;

    HiveKey& Root() { return *root_; }

    // Subkey lookups and changes; every change marks what must be written anew.
    static HiveKey* FindSubKey(HiveKey& key, std::u16string_view name);
    static HiveKey* AddSubKey(HiveKey& key, std::u16string_view name);
    // The key at path ("A\B" below from); nullptr when missing.
    static HiveKey* FindPath(HiveKey& from, std::u16string_view path);
    // Removes a subkey with everything below it; the nodes live on, marked deleted, until the
    // hive goes, so that open handles on them stay valid.
    void RemoveSubKey(HiveKey& key, HiveKey& sub);

    // Reads the values of key from its text. False when that text can no longer be read: the
    // key must then not be changed, or its values would be lost.
    bool LoadValues(HiveKey& key) const;
    static HiveValue* FindValue(HiveKey& key, std::u16string_view name);
    static std::u16string NameOf(const HiveKey& key, const HiveValue& value);
    // The value with its type and data read from its lines (values are first known by name
    // only); nullptr when its lines cannot be read again.
    const HiveValueText* ValueOf(HiveKey& key, HiveValue& value) const;
    // Gives the value to key (an existing value keeps the spelling of its name); returns it as
    // the key now holds it.
    static std::shared_ptr<const HiveValueText> SetValue(HiveKey& key, HiveValueText value);
    static bool RemoveValue(HiveKey& key, std::u16string_view name);

    // The path of key below the root, components joined by "\".
    static std::u16string PathOf(const HiveKey& key);

  private:
    // Reads span into buffer (grown as needed, never shrunk); text is the span's bytes in it.
    bool ReadSpan(TextSpan span, std::string& buffer, std::string_view& text) const;
    bool PutSpan(TextSpan span, const std::function<void(std::string_view)>& put) const;

    std::unique_ptr<HiveSource> source_;
    bool readFailed_ = false;
    // The memory the file is read through, piece by piece, kept from one reading to the next.
    mutable std::string scratch_;
    TextSpan preamble_;
    TextSpan tail_;  // empty lines after the last key
    std::unique_ptr<HiveKey> root_ = std::make_unique<HiveKey>();
    std::vector<std::unique_ptr<HiveKey>> removed_;
};

// Splits a path at its backslashes, leaving out empty components.
std::vector<std::u16string_view> SplitRegPath(std::u16string_view path);

}  // namespace rivel
