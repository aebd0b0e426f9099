// The list of registered new files. It is only ever changed by the program's one thread, and each
// change is a single atomic store of a fully built node, so that a signal handler that
// interrupts a change sees either the old list or the new one, never a half-linked node.
#include "platform/temp_cleanup.h"

#include <atomic>
#include <new>

namespace rivel {

struct TempRegistration {
    intptr_t directory = -1;
    std::string name;
    std::atomic<TempRegistration*> next{nullptr};
};

// Platform part: removes one file (unlinkat or DeleteFile). Must be async-signal-safe.
void RemoveRegisteredFile(intptr_t directory, const char* name);

namespace {

std::atomic<TempRegistration*> head{nullptr};
// Registrations whose files were removed: kept reachable, as the signal handler cannot free them.
std::atomic<TempRegistration*> removed{nullptr};
static_assert(std::atomic<TempRegistration*>::is_always_lock_free);

}  // namespace

TempRegistration* RegisterTempFile(intptr_t directory, const std::string& name) {
    auto* entry = new (std::nothrow) TempRegistration;
    if (entry == nullptr) {
        return nullptr;
    }
    entry->directory = directory;
    entry->name = name;
    entry->next.store(head.load());
    head.store(entry);
    return entry;
}

void UnregisterTempFile(TempRegistration* registration) {
    if (registration == nullptr) {
        return;
    }
    std::atomic<TempRegistration*>* link = &head;
    for (TempRegistration* at = link->load(); at != nullptr; at = link->load()) {
        if (at == registration) {
            link->store(at->next.load());
            delete at;
            return;
        }
        link = &at->next;
    }
}

void RemoveTempFiles() {
    // Unlinked first and left allocated: the handler must not free memory, and the process is
    // about to end.
    TempRegistration* list = head.exchange(nullptr);
    if (list == nullptr) {
        return;
    }
    TempRegistration* last = list;
    for (TempRegistration* at = list; at != nullptr; at = at->next.load()) {
        RemoveRegisteredFile(at->directory, at->name.c_str());
        last = at;
    }
    last->next.store(removed.load());
    removed.store(list);
}

}  // namespace rivel
