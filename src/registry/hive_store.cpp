// The registry service over a directory of registry files. The root keys map onto the files as
// a Wine prefix has them; a change is made in memory and remembered, and Flush writes each
// changed file whole under the edit lock, first replaying the changes onto the file as it is
// then, so that a run that wrote in between loses nothing.
#include "registry/hive_store.h"

#include <cstdio>
#include <deque>
#include <filesystem>
#include <unordered_map>
#include <vector>

#include "platform/environment.h"
#include "platform/file_lock.h"
#include "platform/file_probe.h"
#include "platform/file_replace.h"
#include "platform/files.h"
#include "platform/source_file.h"
#include "registry/hive_file.h"
#include "text/line_io.h"

namespace rivel {

namespace {

constexpr char16_t kClassesPath[] = u"Software\\Classes";
constexpr char16_t kDefaultUser[] = u".Default";
constexpr char16_t kCurrentUserSid[] = u"S-1-5-21-0-0-0-1000";

enum SlotIndex { kSystem = 0, kUser = 1, kUserDefault = 2, kSlotCount = 3 };

struct Change {
    enum Kind { CreateKey, SetValue, DeleteValue, DeleteKey } kind;
    // The key in the hive as this run read it; its path is made only when the change must be
    // replayed onto a file that another run wrote in between (nodes outlive their deletion).
    const HiveKey* key;
    // The value set, shared with the hive (values are never changed in place), or the name of
    // the value deleted.
    std::shared_ptr<const HiveValueText> value;
};

// What shows that a file was neither replaced nor rewritten since it was last seen: its identity
// on its device, its size and the time of its last change. Runs replace the files whole (a new
// file under the old name), so a file with the same identity and time is the one seen.
struct FileStamp {
    bool known = false;
    uint64_t device = 0;
    uint64_t inode = 0;
    uintmax_t size = 0;
    std::filesystem::file_time_type time{};
    bool operator==(const FileStamp&) const = default;
};

FileStamp StampOf(const std::string& path) {
    FileStamp stamp;
    std::error_code sizeError;
    std::error_code timeError;
    stamp.size = std::filesystem::file_size(path, sizeError);
    stamp.time = std::filesystem::last_write_time(path, timeError);
    stamp.known = !sizeError && !timeError && GetFileIdentity(path, stamp.device, stamp.inode);
    return stamp;
}

struct Slot {
    const char* file = "";
    const char* base = "";  // the path the file's keys are relative to
    std::unique_ptr<Hive> hive;
    bool loaded = false;
    bool damaged = false;
    bool seenMissing = false;    // there was no file when it was last looked at
    FileStamp stamp;             // of the file when it was read or last written
    std::deque<Change> journal;  // grows without moving what it holds
};

struct Handle {
    Slot* slot = nullptr;
    HiveKey* node = nullptr;
    bool usersRoot = false;  // HKEY_USERS itself: its two subkeys lead into two files
    bool writable = false;
};

// Where an operation lands: a key of a file and a path below it still to walk.
struct Target {
    Slot* slot = nullptr;
    HiveKey* start = nullptr;
    std::u16string path;
    bool usersRoot = false;
    bool writable = true;
};

// A registry file, read where its hive needs it, through a handle kept open for as long as the
// hive lives.
class FileHiveSource : public HiveSource {
  public:
    bool Open(const std::string& path, std::string& errorText) {
        return file_.Open(path, errorText);
    }
    int64_t ReadAt(uint64_t offset, char* data, size_t size) override {
        return file_.ReadAt(offset, data, size);
    }

  private:
    SourceFile file_;
};

// Opens the file at path for a hive. exists tells whether there is one; false when there is but
// it cannot be opened.
bool OpenHiveFile(const std::string& path, std::unique_ptr<FileHiveSource>& source, bool& exists) {
    std::error_code ec;
    exists = std::filesystem::exists(path, ec);
    source.reset();
    if (!exists) {
        return true;
    }
    source = std::make_unique<FileHiveSource>();
    std::string unused;
    return source->Open(path, unused);
}

std::u16string JoinPath(std::u16string_view a, std::u16string_view b) {
    std::u16string path(a);
    if (!path.empty() && !b.empty()) {
        path.push_back(u'\\');
    }
    path += b;
    return path;
}

bool StartsWithComponent(std::u16string_view path, std::u16string_view name,
                         std::u16string_view& rest) {
    auto parts = SplitRegPath(path);
    if (parts.empty() || CompareRegNames(parts[0], name) != 0) {
        return false;
    }
    size_t at = path.find(parts[0]) + parts[0].size();
    rest = path.substr(at < path.size() ? at + 1 : path.size());
    return true;
}

std::string HexNumber(uint64_t n) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%llx", static_cast<unsigned long long>(n));
    return buffer;
}

class HiveStore : public RegistryService {
  public:
    HiveStore(std::string directory, RegistryReport report)
        : directory_(std::move(directory)), report_(std::move(report)) {
        SetSlot(kSystem, "system.reg", "REGISTRY\\\\Machine");
        SetSlot(kUser, "user.reg", "REGISTRY\\\\User\\\\S-1-5-21-0-0-0-1000");
        SetSlot(kUserDefault, "userdef.reg", "REGISTRY\\\\User\\\\.Default");
    }

    long OpenKey(RegKey parent, const std::string& subKey, RegAccess access,
                 RegKey& result) override {
        result = 0;
        Target t;
        if (long rc = Locate(parent, subKey, t); rc != kErrorSuccess) {
            return rc;
        }
        Handle h;
        h.writable = access == RegAccess::AllAccess && t.writable;
        if (t.usersRoot) {
            h.usersRoot = true;
        } else {
            bool created = false;
            HiveKey* node = Walk(*t.slot, *t.start, t.path, false, created);
            if (node == nullptr) {
                return kErrorFileNotFound;
            }
            h.slot = t.slot;
            h.node = node;
        }
        result = NewHandle(h);
        return kErrorSuccess;
    }

    long CreateKey(RegKey parent, const std::string& subKey, RegKey& result) override {
        result = 0;
        Target t;
        if (long rc = Locate(parent, subKey, t); rc != kErrorSuccess) {
            return rc == kErrorFileNotFound && IsUsersBranch(parent) ? kErrorAccessDenied : rc;
        }
        if (!t.writable) {
            return kErrorAccessDenied;
        }
        Handle h;
        h.writable = true;
        if (t.usersRoot) {
            h.usersRoot = true;
            result = NewHandle(h);
            return kErrorSuccess;
        }
        bool created = false;
        HiveKey* node = Walk(*t.slot, *t.start, t.path, true, created);
        if (node == nullptr) {
            return kErrorInvalidParameter;
        }
        if (created) {
            t.slot->journal.push_back({Change::CreateKey, node, {}});
        }
        h.slot = t.slot;
        h.node = node;
        result = NewHandle(h);
        return kErrorSuccess;
    }

    long CloseKey(RegKey key) override {
        if (IsPredefinedRegKey(key)) {
            return kErrorSuccess;
        }
        return handles_.erase(key) == 1 ? kErrorSuccess : kErrorInvalidHandle;
    }

    long SetValue(RegKey key, const std::string& name, uint32_t type,
                  const std::string& data) override {
        return SetStoredValue(key, name, type,
                              IsTextRegType(type) ? WideToBytes(AnsiToWide(data)) : data);
    }

    long SetStoredValue(RegKey key, const std::string& name, uint32_t type,
                        const std::string& data) override {
        HiveKey* node = nullptr;
        Slot* slot = nullptr;
        if (long rc = WritableNode(key, node, slot); rc != kErrorSuccess) {
            return rc;
        }
        HiveValueText value;
        value.name = AnsiToWide(name);
        value.type = type;
        value.data = data;
        return Store(node, slot, std::move(value));
    }

    long QueryValue(RegKey key, const std::string& name, size_t maxBytes, uint32_t& type,
                    std::string& data) override {
        data.clear();
        HiveKey* node = nullptr;
        Slot* slot = nullptr;
        if (long rc = ReadableNode(key, node, slot); rc != kErrorSuccess) {
            return rc;
        }
        if (!slot->hive->LoadValues(*node)) {
            return ReadFailure(*slot);
        }
        HiveValue* value = Hive::FindValue(*node, AnsiToWide(name));
        if (value == nullptr) {
            return kErrorFileNotFound;
        }
        const HiveValueText* text = slot->hive->ValueOf(*node, *value);
        if (text == nullptr) {
            return ReadFailure(*slot);
        }
        type = text->type;
        std::string bytes = AnsiData(*text);
        if (bytes.size() > maxBytes) {
            return kErrorMoreData;
        }
        data = std::move(bytes);
        return kErrorSuccess;
    }

    long DeleteValue(RegKey key, const std::string& name) override {
        HiveKey* node = nullptr;
        Slot* slot = nullptr;
        if (long rc = WritableNode(key, node, slot); rc != kErrorSuccess) {
            return rc;
        }
        if (!slot->hive->LoadValues(*node)) {
            return ReadFailure(*slot);
        }
        auto named = std::make_shared<HiveValueText>();
        named->name = AnsiToWide(name);
        if (!Hive::RemoveValue(*node, named->name)) {
            return kErrorFileNotFound;
        }
        slot->journal.push_back({Change::DeleteValue, node, std::move(named)});
        return kErrorSuccess;
    }

    long DeleteKey(RegKey key, const std::string& subKey) override {
        Target t;
        if (long rc = Locate(key, subKey, t); rc != kErrorSuccess) {
            return rc;
        }
        if (t.usersRoot || SplitRegPath(t.path).empty()) {
            return kErrorAccessDenied;  // a root key or a file's base key stays
        }
        if (!t.writable) {
            return kErrorAccessDenied;
        }
        // The keys on the way are followed where they are links; the key named is the one
        // deleted, a link itself included.
        std::u16string_view path = t.path;
        while (!path.empty() && path.back() == u'\\') {
            path.remove_suffix(1);
        }
        const size_t cut = path.rfind(u'\\');
        bool created = false;
        HiveKey* parent = cut == std::u16string_view::npos
                              ? t.start
                              : Walk(*t.slot, *t.start, path.substr(0, cut), false, created);
        HiveKey* node =
            parent == nullptr
                ? nullptr
                : Hive::FindSubKey(*parent,
                                   path.substr(cut == std::u16string_view::npos ? 0 : cut + 1));
        if (node == nullptr) {
            return kErrorFileNotFound;
        }
        if (!node->subkeys.empty() || node->parent == nullptr) {
            return kErrorAccessDenied;
        }
        t.slot->hive->RemoveSubKey(*node->parent, *node);
        t.slot->journal.push_back({Change::DeleteKey, node, {}});
        return kErrorSuccess;
    }

    long EnumValue(RegKey key, uint32_t index, size_t maxBytes, std::string& name, uint32_t& type,
                   std::string& data) override {
        name.clear();
        data.clear();
        if (IsUsersRoot(key)) {
            return kErrorNoMoreItems;
        }
        HiveKey* node = nullptr;
        Slot* slot = nullptr;
        if (long rc = ReadableNode(key, node, slot); rc != kErrorSuccess) {
            return rc == kErrorFileNotFound && key == kHkeyClassesRoot ? kErrorNoMoreItems : rc;
        }
        if (!slot->hive->LoadValues(*node)) {
            return ReadFailure(*slot);
        }
        if (index >= node->values.size()) {
            return kErrorNoMoreItems;
        }
        const HiveValueText* read = slot->hive->ValueOf(*node, node->values[index]);
        if (read == nullptr) {
            return ReadFailure(*slot);
        }
        const HiveValueText& value = *read;
        std::string ansiName = WideToAnsi(value.name);
        std::string bytes = AnsiData(value);
        if (ansiName.size() > maxBytes) {
            return kErrorMoreData;
        }
        name = std::move(ansiName);
        type = value.type;
        if (bytes.size() > maxBytes) {
            return kErrorMoreData;
        }
        data = std::move(bytes);
        return kErrorSuccess;
    }

    long EnumKey(RegKey key, uint32_t index, std::string& name) override {
        name.clear();
        if (IsUsersRoot(key)) {
            const char16_t* names[] = {kDefaultUser, kCurrentUserSid};
            if (index >= 2) {
                return kErrorNoMoreItems;
            }
            name = WideToAnsi(names[index]);
            return kErrorSuccess;
        }
        HiveKey* node = nullptr;
        Slot* slot = nullptr;
        if (long rc = ReadableNode(key, node, slot); rc != kErrorSuccess) {
            return rc == kErrorFileNotFound && key == kHkeyClassesRoot ? kErrorNoMoreItems : rc;
        }
        if (index >= node->subkeys.size()) {
            return kErrorNoMoreItems;
        }
        name = WideToAnsi(node->subkeys[index]->name);
        return kErrorSuccess;
    }

    long Flush() override {
        bool anyChange = false;
        for (Slot& slot : slots_) {
            anyChange = anyChange || !slot.journal.empty();
        }
        if (!anyChange) {
            return kErrorSuccess;
        }
        if (IsWineServerRunning(directory_)) {
            Report(1, "Registry in use by wineserver", directory_);
            DropChanges();
            return kErrorAccessDenied;
        }
        std::error_code ec;
        std::filesystem::create_directories(directory_, ec);
        ScopedEditLock lock;
        std::string lockError;
        if (lock.Acquire(PathOf(slots_[kSystem]), lockError) == LockResult::InUse) {
            Report(1, "Registry in use by another run, not changed", directory_);
            DropChanges();
            return kErrorAccessDenied;
        }
        long result = kErrorSuccess;
        for (Slot& slot : slots_) {
            if (!slot.journal.empty() && !WriteSlot(slot)) {
                result = kErrorAccessDenied;
            }
        }
        return result;
    }

  private:
    // Gives node the value and remembers the change.
    long Store(HiveKey* node, Slot* slot, HiveValueText value) {
        if (!slot->hive->LoadValues(*node)) {
            return ReadFailure(*slot);
        }
        slot->journal.push_back({Change::SetValue, node, Hive::SetValue(*node, std::move(value))});
        return kErrorSuccess;
    }

    void SetSlot(SlotIndex index, const char* file, const char* base) {
        slots_[index].file = file;
        slots_[index].base = base;
    }

    std::string PathOf(const Slot& slot) const {
        std::string path = directory_;
        if (!path.empty() && !IsPathSeparator(path.back()) && path.back() != '/') {
            path.push_back(PathSeparator());
        }
        return path + slot.file;
    }

    std::string Header(const Slot& slot) const {
        return std::string("WINE REGISTRY Version 2\n;; All keys relative to ") + slot.base +
               "\n\n#arch=win64\n";
    }

    void Report(int level, const std::string& label, const std::string& text) {
        if (report_) {
            report_(level, label, text);
        }
    }

    // Reads the file of slot on first use; a file that cannot be read whole is reported once
    // and every operation on it fails from then on.
    bool Load(Slot& slot) {
        if (slot.loaded) {
            return !slot.damaged;
        }
        slot.loaded = true;
        slot.hive = std::make_unique<Hive>();
        std::string path = PathOf(slot);
        std::unique_ptr<FileHiveSource> source;
        bool exists = false;
        // Taken before the reading, so that a change during it shows when the file is written.
        FileStamp stamp = StampOf(path);
        if (!OpenHiveFile(path, source, exists)) {
            Report(1, "Can't read registry file", path);
            slot.damaged = true;
            return false;
        }
        slot.seenMissing = !exists;
        slot.stamp = stamp;
        if (!exists) {
            slot.hive->InitEmpty(Header(slot));
            return true;
        }
        std::string error;
        if (!slot.hive->Parse(std::move(source), error)) {
            ReportParseFailure(*slot.hive, path, error);
            slot.damaged = true;
            return false;
        }
        return true;
    }

    void ReportParseFailure(const Hive& hive, const std::string& path, const std::string& error) {
        if (hive.ReadFailed()) {
            Report(1, "Can't read registry file", path);
        } else {
            Report(1, "Registry file damaged", path + " (" + error + "), left untouched");
        }
    }

    // The text of a key could not be read again (the file failed, or was cut short in place):
    // the key is left as it is.
    long ReadFailure(Slot& slot) {
        Report(1, "Can't read registry file", PathOf(slot));
        return kErrorBadDb;
    }

    RegKey NewHandle(const Handle& h) {
        nextHandle_ += 4;
        handles_[nextHandle_] = h;
        return nextHandle_;
    }

    bool IsUsersRoot(RegKey key) const {
        if (key == kHkeyUsers) {
            return true;
        }
        auto it = handles_.find(key);
        return it != handles_.end() && it->second.usersRoot;
    }

    bool IsUsersBranch(RegKey key) const { return IsUsersRoot(key); }

    long StartOfSlot(SlotIndex index, std::u16string path, Target& t) {
        Slot& slot = slots_[index];
        if (!Load(slot)) {
            return kErrorBadDb;
        }
        t.slot = &slot;
        t.start = &slot.hive->Root();
        t.path = std::move(path);
        return kErrorSuccess;
    }

    long Locate(RegKey key, const std::string& subKey, Target& t) {
        std::u16string sub = AnsiToWide(subKey);
        if (IsUsersRoot(key)) {
            if (key != kHkeyUsers) {
                t.writable = handles_[key].writable;
            }
            if (SplitRegPath(sub).empty()) {
                t.usersRoot = true;
                return kErrorSuccess;
            }
            std::u16string_view rest;
            if (StartsWithComponent(sub, kDefaultUser, rest)) {
                return StartOfSlot(kUserDefault, std::u16string(rest), t);
            }
            if (StartsWithComponent(sub, kCurrentUserSid, rest)) {
                return StartOfSlot(kUser, std::u16string(rest), t);
            }
            return kErrorFileNotFound;
        }
        switch (key) {
            case kHkeyLocalMachine:
                return StartOfSlot(kSystem, sub, t);
            case kHkeyClassesRoot:
                return StartOfSlot(kSystem, JoinPath(kClassesPath, sub), t);
            case kHkeyCurrentUser:
                return StartOfSlot(kUser, sub, t);
            case kHkeyPerformanceData:
            case kHkeyPerformanceText:
            case kHkeyPerformanceNlsText:
                return kErrorFileNotFound;
            default:
                break;
        }
        auto it = handles_.find(key);
        if (it == handles_.end()) {
            return kErrorInvalidHandle;
        }
        const Handle& h = it->second;
        if (h.node->deleted) {
            return kErrorKeyDeleted;
        }
        t.slot = h.slot;
        t.start = h.node;
        t.path = std::move(sub);
        t.writable = h.writable;
        return kErrorSuccess;
    }

    long ReadableNode(RegKey key, HiveKey*& node, Slot*& slot) {
        Target t;
        if (long rc = Locate(key, "", t); rc != kErrorSuccess) {
            return rc;
        }
        if (t.usersRoot) {
            return kErrorAccessDenied;
        }
        bool created = false;
        node = Walk(*t.slot, *t.start, t.path, false, created);
        slot = t.slot;
        return node == nullptr ? kErrorFileNotFound : kErrorSuccess;
    }

    long WritableNode(RegKey key, HiveKey*& node, Slot*& slot) {
        Target t;
        if (long rc = Locate(key, "", t); rc != kErrorSuccess) {
            return rc;
        }
        if (t.usersRoot || !t.writable) {
            return kErrorAccessDenied;
        }
        slot = t.slot;
        bool created = false;
        node = Walk(*slot, *t.start, t.path, true, created);
        if (node == nullptr) {
            return kErrorInvalidParameter;
        }
        if (created) {
            slot->journal.push_back({Change::CreateKey, node, {}});
        }
        return kErrorSuccess;
    }

    // The key at path below from as Wine opens it: a "#link" key met on the way, or at its end,
    // leads to the key its SymbolicLinkValue names. With create, missing keys are made (below
    // the target of a link too). nullptr when a key is missing, or a link leads outside the file
    // or round in a circle.
    HiveKey* Walk(Slot& slot, HiveKey& from, std::u16string_view path, bool create, bool& created,
                  int hops = 0) {
        HiveKey* node = &from;
        for (auto part : SplitRegPath(path)) {
            HiveKey* sub = Hive::FindSubKey(*node, part);
            if (sub == nullptr && create) {
                sub = Hive::AddSubKey(*node, part);
                created = created || sub != nullptr;
            }
            if (sub == nullptr) {
                return nullptr;
            }
            if (sub->link) {
                sub = LinkTarget(slot, *sub, create, created, hops + 1);
                if (sub == nullptr) {
                    return nullptr;
                }
            }
            node = sub;
        }
        return node;
    }

    HiveKey* LinkTarget(Slot& slot, HiveKey& link, bool create, bool& created, int hops) {
        constexpr int kMaxHops = 16;
        if (hops > kMaxHops || !slot.hive->LoadValues(link)) {
            return nullptr;
        }
        HiveValue* value = Hive::FindValue(link, u"SymbolicLinkValue");
        const HiveValueText* text = value != nullptr ? slot.hive->ValueOf(link, *value) : nullptr;
        if (text == nullptr || text->type != kRegLink) {
            return nullptr;
        }
        std::u16string target = BytesToWide(text->data);
        while (!target.empty() && target.back() == u'\0') {
            target.pop_back();
        }
        // The file's base as the header names it ("REGISTRY\\Machine"), unescaped.
        std::u16string base = u"\\";
        for (const char* c = slot.base; *c != '\0'; ++c) {
            if (!(c[0] == '\\' && c[1] == '\\')) {
                base.push_back(static_cast<char16_t>(*c));
            }
        }
        if (target.size() < base.size() ||
            CompareRegNames(std::u16string_view(target).substr(0, base.size()), base) != 0 ||
            (target.size() > base.size() && target[base.size()] != u'\\')) {
            return nullptr;  // another file's key: not followed
        }
        return Walk(slot, slot.hive->Root(), std::u16string_view(target).substr(base.size()),
                    create, created, hops);
    }

    static HiveKey* CreatePath(HiveKey& from, std::u16string_view path, bool& created) {
        HiveKey* node = &from;
        for (auto part : SplitRegPath(path)) {
            HiveKey* sub = Hive::FindSubKey(*node, part);
            if (sub == nullptr) {
                sub = Hive::AddSubKey(*node, part);
                if (sub == nullptr) {
                    return nullptr;
                }
                created = true;
            }
            node = sub;
        }
        return node;
    }

    static std::string AnsiData(const HiveValueText& value) {
        return IsTextRegType(value.type) ? WideToAnsi(BytesToWide(value.data)) : value.data;
    }

    // False when a key's text cannot be read: nothing may be written then.
    static bool Replay(Hive& hive, const std::deque<Change>& journal) {
        for (const Change& change : journal) {
            const std::u16string path = Hive::PathOf(*change.key);
            bool created = false;
            switch (change.kind) {
                case Change::CreateKey:
                    CreatePath(hive.Root(), path, created);
                    break;
                case Change::SetValue:
                    if (HiveKey* node = CreatePath(hive.Root(), path, created)) {
                        if (!hive.LoadValues(*node)) {
                            return false;
                        }
                        Hive::SetValue(*node, *change.value);
                    }
                    break;
                case Change::DeleteValue:
                    if (HiveKey* node = Hive::FindPath(hive.Root(), path)) {
                        if (!hive.LoadValues(*node)) {
                            return false;
                        }
                        Hive::RemoveValue(*node, change.value->name);
                    }
                    break;
                case Change::DeleteKey: {
                    HiveKey* node = Hive::FindPath(hive.Root(), path);
                    if (node != nullptr && node->parent != nullptr && node->subkeys.empty()) {
                        hive.RemoveSubKey(*node->parent, *node);
                    }
                    break;
                }
            }
        }
        return true;
    }

    // Writes one changed file. When another run changed the file since it was read, the changes
    // of this run are replayed onto the file as it is now.
    bool WriteSlot(Slot& slot) {
        std::string path = PathOf(slot);
        std::unique_ptr<FileHiveSource> current;
        bool exists = true;
        // A file as it was seen is not read again: it is the size of the whole registry.
        const bool unchanged = slot.stamp.known && StampOf(path) == slot.stamp;
        if (!unchanged && !OpenHiveFile(path, current, exists)) {
            Report(1, "Can't read registry file", path);
            return false;
        }
        const bool same = unchanged || (slot.seenMissing && !exists);
        if (!same) {
            auto fresh = std::make_unique<Hive>();
            std::string error;
            if (!exists) {
                fresh->InitEmpty(Header(slot));
            } else if (!fresh->Parse(std::move(current), error)) {
                ReportParseFailure(*fresh, path, error);
                slot.journal.clear();
                return false;
            }
            if (!Replay(*fresh, slot.journal)) {
                Report(1, "Can't read registry file", path);
                slot.journal.clear();
                return false;
            }
            RemapHandles(slot, *fresh);
            removedHives_.push_back(std::move(slot.hive));
            slot.hive = std::move(fresh);
        }
        int64_t seconds = 0;
        uint64_t fileTime = 0;
        CurrentRegistryTime(seconds, fileTime);
        // Through the one replacement routine: complete and on the disk before it is in place.
        // The text is handed over in pieces as it is made, never held whole.
        ReplacementFile out;
        std::string error;
        bool written = out.Begin(path, error);
        if (written) {
            // The keys not changed come from the file as it was read, through its open handle.
            if (slot.hive->WriteTo(seconds, fileTime,
                                   [&out](std::string_view piece) { out.Write(piece); })) {
                written = out.Commit(error);
            } else {
                out.Abandon();
                written = false;
                error = "the registry file as read cannot be read again";
            }
        }
        if (!written && error.empty()) {
            error = LastErrorText();
        }
        slot.journal.clear();
        if (!written) {
            Report(1, "Can't write registry file", path + ": " + error);
            return false;
        }
        slot.seenMissing = false;
        slot.stamp = StampOf(path);  // under the edit lock: no other run writes in between
        return true;
    }

    // Open handles into a hive that is replaced follow their keys by path.
    void RemapHandles(Slot& slot, Hive& fresh) {
        for (auto& [id, h] : handles_) {
            if (h.slot != &slot || h.node == nullptr) {
                continue;
            }
            HiveKey* node =
                h.node->deleted ? nullptr : Hive::FindPath(fresh.Root(), Hive::PathOf(*h.node));
            if (node == nullptr) {
                node = h.node;
                node->deleted = true;
            }
            h.node = node;
        }
    }

    // Forgets what this run changed: the files are read again when next needed.
    void DropChanges() {
        for (Slot& slot : slots_) {
            if (slot.journal.empty()) {
                continue;
            }
            slot.journal.clear();
            for (auto& [id, h] : handles_) {
                if (h.slot == &slot && h.node != nullptr) {
                    h.node->deleted = true;
                }
            }
            removedHives_.push_back(std::move(slot.hive));
            slot.loaded = false;
            slot.damaged = false;
        }
    }

    std::string directory_;
    RegistryReport report_;
    Slot slots_[kSlotCount];
    std::unordered_map<RegKey, Handle> handles_;
    RegKey nextHandle_ = 0x1000;
    std::vector<std::unique_ptr<Hive>> removedHives_;  // old trees that handles may still name
};

}  // namespace

std::string RegistryStoreDirectory() {
    if (auto dir = GetEnvVar("RIVEL_REGISTRY"); dir && !dir->empty()) {
        return *dir;
    }
    if (auto dir = GetEnvVar("WINEPREFIX"); dir && !dir->empty()) {
        return *dir;
    }
    std::string home = GetEnvVar("HOME").value_or("");
    return home + "/.local/share/rivel/registry";
}

bool IsWineServerRunning(const std::string& directory) {
    uint64_t device = 0;
    uint64_t inode = 0;
    if (!GetFileIdentity(directory, device, inode)) {
        return false;
    }
    std::string server = "/server-" + HexNumber(device) + "-" + HexNumber(inode) + "/lock";
    if (IsFileLockedByOther("/tmp/.wine-" + std::to_string(CurrentUserId()) + server)) {
        return true;
    }
    // Some packaged builds name their server directory in a file inside the prefix.
    std::string named;
    if (ReadWholeFile(directory + "/wineserver", named)) {
        while (!named.empty() &&
               (named.back() == '\n' || named.back() == '\r' || named.back() == ' ')) {
            named.pop_back();
        }
        if (!named.empty() && named.find('/') == std::string::npos) {
            return IsFileLockedByOther("/tmp/" + named + server);
        }
    }
    return false;
}

std::shared_ptr<RegistryService> OpenHiveStore(const std::string& directory,
                                               RegistryReport report) {
    return std::make_shared<HiveStore>(directory, std::move(report));
}

}  // namespace rivel
