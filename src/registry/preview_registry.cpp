// The preview registry: a layer of changed keys over the run's registry. A key the run changes is
// copied into memory whole (its values and the names of its subkeys) and from then on read and
// changed there; every other key is read from the registry below. Keys are named by their root
// and their path, compared without regard to case.
#include "registry/preview_registry.h"

#include <map>
#include <unordered_map>

#include "platform/ansi_text.h"
#include "registry/hive_text.h"
#include "registry/reg_export.h"
#include "text/strings.h"

namespace rivel {

namespace {

// Values are copied up to this size; a larger value reads back as too large for any caller.
constexpr size_t kLargestValue = size_t{1} << 24;

std::string JoinPath(const std::string& a, const std::string& b) {
    if (a.empty()) {
        return b;
    }
    return b.empty() ? a : a + "\\" + b;
}

// The path with empty components ("a\\b\", "\a") left out.
std::string NormalPath(const std::string& path) {
    std::string out;
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = path.find('\\', start);
        if (end == std::string::npos) {
            end = path.size();
        }
        out = JoinPath(out, path.substr(start, end - start));
        start = end + 1;
    }
    return out;
}

std::string ParentPath(const std::string& path) {
    size_t slash = path.rfind('\\');
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

std::string LastName(const std::string& path) {
    size_t slash = path.rfind('\\');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool SameName(const std::string& a, const std::string& b) {
    return EqualsIgnoreCase(a, b);
}

struct Value {
    std::string name;
    uint32_t type = 0;
    std::string data;
};

struct Node {
    bool exists = true;
    std::vector<Value> values;
    std::vector<std::string> subkeys;
};

struct Where {
    RegKey root = 0;
    std::string path;  // below root, components separated by one "\"
};

}  // namespace

struct PreviewRegistry::State {
    explicit State(RegistryService& below) : base(below) {}

    RegistryService& base;
    std::map<std::string, Node> nodes;  // by folded full path
    std::unordered_map<RegKey, Where> handles;
    RegKey nextHandle = 0x1000;
    std::map<std::string, std::string> changed;  // folded full path -> full path

    static std::string FullPath(const Where& w) { return JoinPath(RegRootName(w.root), w.path); }
    static std::string Fold(const Where& w) { return UpperCase(FullPath(w)); }

    bool Resolve(RegKey key, const std::string& subKey, Where& w) const {
        if (IsPredefinedRegKey(key)) {
            w = {key, NormalPath(subKey)};
            return true;
        }
        auto it = handles.find(key);
        if (it == handles.end()) {
            return false;
        }
        w = {it->second.root, JoinPath(it->second.path, NormalPath(subKey))};
        return true;
    }

    Node* Find(const Where& w) {
        auto it = nodes.find(Fold(w));
        return it == nodes.end() ? nullptr : &it->second;
    }

    // kErrorSuccess when the key is there as the run now sees it, kErrorFileNotFound when not,
    // or the registry's own error. A key that was never copied is as the registry below has
    // it: keys are deleted only when they have no subkeys, so every deleted key below a copied
    // one was copied too.
    long Existence(const Where& w) {
        if (w.path.empty()) {
            return kErrorSuccess;
        }
        if (Node* node = Find(w)) {
            return node->exists ? kErrorSuccess : kErrorFileNotFound;
        }
        if (Node* parent = Find({w.root, ParentPath(w.path)})) {
            if (!parent->exists) {
                return kErrorFileNotFound;
            }
            for (const std::string& name : parent->subkeys) {
                if (SameName(name, LastName(w.path))) {
                    return kErrorSuccess;
                }
            }
            return kErrorFileNotFound;
        }
        RegKey key = 0;
        long rc = base.OpenKey(w.root, w.path, RegAccess::Read, key);
        if (rc == kErrorSuccess) {
            base.CloseKey(key);
        }
        return rc;
    }

    // The copy of an existing key, made on first use.
    Node& Copy(const Where& w) {
        std::string fold = Fold(w);
        auto it = nodes.find(fold);
        if (it != nodes.end()) {
            return it->second;
        }
        Node node;
        RegKey key = 0;
        if (base.OpenKey(w.root, w.path, RegAccess::Read, key) == kErrorSuccess) {
            for (uint32_t index = 0;; ++index) {
                Value value;
                long rc = kErrorMoreData;
                for (size_t room = 4096; rc == kErrorMoreData && room <= kLargestValue; room *= 8) {
                    rc = base.EnumValue(key, index, room, value.name, value.type, value.data);
                }
                if (rc != kErrorSuccess && rc != kErrorMoreData) {
                    break;
                }
                node.values.push_back(std::move(value));
            }
            std::string name;
            for (uint32_t index = 0; base.EnumKey(key, index, name) == kErrorSuccess; ++index) {
                node.subkeys.push_back(name);
            }
            base.CloseKey(key);
        }
        return nodes.emplace(fold, std::move(node)).first->second;
    }

    void NoteChange(const Where& w) { changed.emplace(Fold(w), FullPath(w)); }

    RegKey NewHandle(const Where& w) {
        nextHandle += 4;
        handles[nextHandle] = w;
        return nextHandle;
    }

    // The key of an open handle, which must still be there.
    long Existing(RegKey key, Where& w) {
        if (!Resolve(key, "", w)) {
            return kErrorInvalidHandle;
        }
        long rc = Existence(w);
        return rc == kErrorFileNotFound && !IsPredefinedRegKey(key) ? kErrorKeyDeleted : rc;
    }

    // Runs read on the key as the registry below has it.
    template <typename Read>
    long FromBase(const Where& w, Read read) {
        RegKey key = 0;
        long rc = base.OpenKey(w.root, w.path, RegAccess::Read, key);
        if (rc != kErrorSuccess) {
            return rc;
        }
        rc = read(key);
        base.CloseKey(key);
        return rc;
    }

    // A read of an open handle's key: from the preview's copy of it when there is one (onCopy),
    // else from the registry below (onBase).
    template <typename OnCopy, typename OnBase>
    long Read(RegKey key, OnCopy onCopy, OnBase onBase) {
        Where w;
        if (long rc = Existing(key, w); rc != kErrorSuccess) {
            return rc;
        }
        Node* node = Find(w);
        return node != nullptr ? onCopy(*node) : FromBase(w, onBase);
    }
};

PreviewRegistry::PreviewRegistry(RegistryService& base) : state_(std::make_unique<State>(base)) {}

PreviewRegistry::~PreviewRegistry() = default;

long PreviewRegistry::OpenKey(RegKey parent, const std::string& subKey, RegAccess, RegKey& result) {
    result = 0;
    Where w;
    if (!state_->Resolve(parent, subKey, w)) {
        return kErrorInvalidHandle;
    }
    if (long rc = state_->Existence(w); rc != kErrorSuccess) {
        return rc;
    }
    result = state_->NewHandle(w);
    return kErrorSuccess;
}

long PreviewRegistry::CreateKey(RegKey parent, const std::string& subKey, RegKey& result) {
    result = 0;
    Where at;
    if (long rc = state_->Existing(parent, at); rc != kErrorSuccess) {
        return rc;
    }
    std::string rest = NormalPath(subKey);
    size_t start = 0;
    while (start < rest.size()) {
        size_t end = rest.find('\\', start);
        if (end == std::string::npos) {
            end = rest.size();
        }
        Where next{at.root, JoinPath(at.path, rest.substr(start, end - start))};
        long rc = state_->Existence(next);
        if (rc == kErrorFileNotFound) {
            state_->Copy(at).subkeys.push_back(LastName(next.path));
            state_->nodes[State::Fold(next)] = Node{};
            state_->NoteChange(next);
        } else if (rc != kErrorSuccess) {
            return rc;
        }
        at = next;
        start = end + 1;
    }
    result = state_->NewHandle(at);
    return kErrorSuccess;
}

long PreviewRegistry::CloseKey(RegKey key) {
    if (IsPredefinedRegKey(key)) {
        return kErrorSuccess;
    }
    return state_->handles.erase(key) == 1 ? kErrorSuccess : kErrorInvalidHandle;
}

long PreviewRegistry::SetValue(RegKey key, const std::string& name, uint32_t type,
                               const std::string& data) {
    Where w;
    if (long rc = state_->Existing(key, w); rc != kErrorSuccess) {
        return rc;
    }
    Node& node = state_->Copy(w);
    state_->NoteChange(w);
    for (Value& value : node.values) {
        if (SameName(value.name, name)) {
            value.type = type;
            value.data = data;
            return kErrorSuccess;
        }
    }
    node.values.push_back({name, type, data});
    return kErrorSuccess;
}

long PreviewRegistry::SetStoredValue(RegKey key, const std::string& name, uint32_t type,
                                     const std::string& data) {
    return SetValue(key, name, type, IsTextRegType(type) ? UnicodeToAnsi(BytesToWide(data)) : data);
}

long PreviewRegistry::QueryValue(RegKey key, const std::string& name, size_t maxBytes,
                                 uint32_t& type, std::string& data) {
    data.clear();
    return state_->Read(
        key,
        [&](const Node& node) {
            for (const Value& value : node.values) {
                if (SameName(value.name, name)) {
                    type = value.type;
                    if (value.data.size() > maxBytes) {
                        return kErrorMoreData;
                    }
                    data = value.data;
                    return kErrorSuccess;
                }
            }
            return kErrorFileNotFound;
        },
        [&](RegKey below) { return state_->base.QueryValue(below, name, maxBytes, type, data); });
}

long PreviewRegistry::DeleteValue(RegKey key, const std::string& name) {
    Where w;
    if (long rc = state_->Existing(key, w); rc != kErrorSuccess) {
        return rc;
    }
    Node& node = state_->Copy(w);
    for (size_t i = 0; i < node.values.size(); ++i) {
        if (SameName(node.values[i].name, name)) {
            node.values.erase(node.values.begin() + static_cast<std::ptrdiff_t>(i));
            state_->NoteChange(w);
            return kErrorSuccess;
        }
    }
    return kErrorFileNotFound;
}

long PreviewRegistry::DeleteKey(RegKey key, const std::string& subKey) {
    Where w;
    if (!state_->Resolve(key, subKey, w)) {
        return kErrorInvalidHandle;
    }
    if (w.path.empty() || NormalPath(subKey).empty()) {
        return kErrorAccessDenied;
    }
    if (long rc = state_->Existence(w); rc != kErrorSuccess) {
        return rc;
    }
    Node& node = state_->Copy(w);
    if (!node.subkeys.empty()) {
        return kErrorAccessDenied;
    }
    Node& parent = state_->Copy({w.root, ParentPath(w.path)});
    std::string name = LastName(w.path);
    for (size_t i = 0; i < parent.subkeys.size(); ++i) {
        if (SameName(parent.subkeys[i], name)) {
            parent.subkeys.erase(parent.subkeys.begin() + static_cast<std::ptrdiff_t>(i));
            break;
        }
    }
    node.exists = false;
    node.values.clear();
    state_->NoteChange(w);
    return kErrorSuccess;
}

long PreviewRegistry::EnumValue(RegKey key, uint32_t index, size_t maxBytes, std::string& name,
                                uint32_t& type, std::string& data) {
    name.clear();
    data.clear();
    return state_->Read(
        key,
        [&](const Node& node) {
            if (index >= node.values.size()) {
                return kErrorNoMoreItems;
            }
            const Value& value = node.values[index];
            if (value.name.size() > maxBytes) {
                return kErrorMoreData;
            }
            name = value.name;
            type = value.type;
            if (value.data.size() > maxBytes) {
                return kErrorMoreData;
            }
            data = value.data;
            return kErrorSuccess;
        },
        [&](RegKey below) {
            return state_->base.EnumValue(below, index, maxBytes, name, type, data);
        });
}

long PreviewRegistry::EnumKey(RegKey key, uint32_t index, std::string& name) {
    name.clear();
    return state_->Read(
        key,
        [&](const Node& node) {
            if (index >= node.subkeys.size()) {
                return kErrorNoMoreItems;
            }
            name = node.subkeys[index];
            return kErrorSuccess;
        },
        [&](RegKey below) { return state_->base.EnumKey(below, index, name); });
}

std::vector<std::string> PreviewRegistry::ChangedKeys() const {
    std::vector<std::string> paths;
    for (const auto& [fold, path] : state_->changed) {
        paths.push_back(path);
    }
    return paths;
}

}  // namespace rivel
