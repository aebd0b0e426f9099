// The NetWare client binding.
#include "netware/netware_binding.h"

#include <cstdint>
#include <memory>

#include "base/message_log.h"
#include "text/format.h"

namespace rivel {

namespace {

// A handle value of 32 or less is an error code of the loader, not a library.
LibraryHandle LoadClient(const char* fileName) {
    LibraryHandle library = OpenLibrary(fileName);
    if (reinterpret_cast<std::uintptr_t>(library) <= 32) {
        return nullptr;
    }
    return library;
}

template <typename Call>
bool Resolve(LibraryHandle library, const char* name, Call& slot) {
    void* address = FindSymbol(library, name);
    slot = reinterpret_cast<Call>(address);
    return address != nullptr;
}

void Forget(NetWareState& state) {
    CloseLibrary(state.library);
    state.library = nullptr;
    state.calls = NetWareCalls{};
}

// CALWIN32.DLL when it loads and its NWCallsInit succeeds, else NETWIN32.DLL under the same
// test; false (the library freed) when neither is usable.
bool LoadInitialised(MessageLog& log, const RunOptions& options, NetWareState& state) {
    const int v = options.VerboseMode;
    state.library = LoadClient("CALWIN32.DLL");
    bool initialised = false;
    if (state.library == nullptr) {
        LogMessage(log, v, 99, "Load CALWIN32.DLL failed", "");
    } else {
        LogMessage(log, v, 99, "Load CALWIN32.DLL OK", "");
        if (!Resolve(state.library, "NWCallsInit", state.calls.NWCallsInit)) {
            LogMessage(log, v, 1, "NWCallsInit function not found", " in loaded DLL");
        } else {
            initialised = state.calls.NWCallsInit(nullptr, nullptr) == 0;
        }
    }
    if (initialised) {
        LogMessage(log, v, 99, "NWCallsInit: OK", "");
        return true;
    }
    if (state.library != nullptr) {
        LogMessage(log, v, 1, "NWCallsInit: failed ", "");
        Forget(state);
    }
    state.library = LoadClient("NETWIN32.DLL");
    if (state.library == nullptr) {
        LogMessage(log, v, 6, "Load NETWIN32.DLL failed", "");
        return false;
    }
    LogMessage(log, v, 99, "Load NETWIN32.DLL OK", "");
    if (!Resolve(state.library, "NWCallsInit", state.calls.NWCallsInit)) {
        LogMessage(log, v, 1, "NWCallsInit function not found", " in NETWIN32.DLL");
        Forget(state);
        return false;
    }
    if (state.calls.NWCallsInit(nullptr, nullptr) != 0) {
        LogMessage(log, v, 1, "NWCallsInit: failed ", "in NETWIN32.DLL");
        Forget(state);
        return false;
    }
    LogMessage(log, v, 1, "NWCallsInit: OK ", "stage 2");
    return true;
}

template <auto Slot>
bool ResolveSlot(LibraryHandle library, const char* name, NetWareCalls& calls) {
    return Resolve(library, name, calls.*Slot);
}

// The other ten entry points in the order of their lookup, each with the label of the message
// that reports it missing.
struct EntryPoint {
    const char* name;
    const char* label;
    bool (*resolve)(LibraryHandle, const char*, NetWareCalls&);
};

constexpr EntryPoint kEntryPoints[] = {
    {"NWGetDefaultConnectionID", "NWGetDefaultConnectionID",
     ResolveSlot<&NetWareCalls::NWGetDefaultConnectionID>},
    {"NWGetConnectionNumber", "pNWGetConnectionNumber",
     ResolveSlot<&NetWareCalls::NWGetConnectionNumber>},
    {"NWGetConnectionInformation", "NWGetConnectionInformation",
     ResolveSlot<&NetWareCalls::NWGetConnectionInformation>},
    {"NWGetObjectName", "NWGetObjectName", ResolveSlot<&NetWareCalls::NWGetObjectName>},
    {"NWReadPropertyValue", "NWReadPropertyValue", ResolveSlot<&NetWareCalls::NWReadPropertyValue>},
    {"NWGetInetAddr", "pNWGetInetAddr", ResolveSlot<&NetWareCalls::NWGetInetAddr>},
    {"NWScanObject", "pNWScanObject", ResolveSlot<&NetWareCalls::NWScanObject>},
    {"NWScanProperty", "pNWScanProperty", ResolveSlot<&NetWareCalls::NWScanProperty>},
    {"NWLongSwap", "NWLongSwap", ResolveSlot<&NetWareCalls::NWLongSwap>},
    {"NWWordSwap", "NWWordSwap", ResolveSlot<&NetWareCalls::NWWordSwap>},
};

// The first missing one ends the lookup: the library is freed and later names not looked up.
bool ResolveAll(MessageLog& log, const RunOptions& options, NetWareState& state) {
    for (const EntryPoint& entry : kEntryPoints) {
        if (!entry.resolve(state.library, entry.name, state.calls)) {
            LogMessage(log, options.VerboseMode, 3, entry.label, "function not found");
            Forget(state);
            return false;
        }
    }
    return true;
}

}  // namespace

void NetWareStartup(RunContext& run, const RunOptions& options) {
    auto state = std::make_shared<NetWareState>();
    if (!LoadInitialised(run.log, options, *state) || !ResolveAll(run.log, options, *state)) {
        return;
    }
    state->fullSupport = true;
    run.netware = state;
    LogMessage(run.log, options.VerboseMode, 9, "Full netware support OK", "all functions found");
}

void NetWareShutdown(RunContext& run, const RunOptions& options) {
    if (run.netware == nullptr || run.netware->library == nullptr) {
        return;
    }
    Forget(*run.netware);
    // Nothing may call into the freed library any more.
    run.netware.reset();
    LogMessage(run.log, options.VerboseMode, 99, "Free Netware Library", "");
}

int NetWareConnect(RunContext& run, const RunOptions& options) {
    const int v = options.VerboseMode;
    if (run.netware == nullptr || !run.netware->fullSupport) {
        LogMessage(run.log, v, 1, "Netware support not working", "");
        return -1;
    }
    NetWareState& state = *run.netware;
    const NetWareCalls& c = state.calls;
    if (c.NWCallsInit(nullptr, nullptr) != 0) {
        LogMessage(run.log, v, 1, "NWCallsInit: failed ", "");
        return -1;
    }
    if (c.NWGetDefaultConnectionID(&state.connection) != 0) {
        LogMessage(run.log, v, 1, "NWGetDefaultConnectionID: failed", "");
        return -1;
    }
    NWCompletionCode code = c.NWGetConnectionNumber(state.connection, &state.connectionNumber);
    if (code != 0) {
        LogMessage(run.log, v, 1,
                   Format("NWGetConnectionNumber: failed %04x", static_cast<unsigned>(code)), "");
        return -1;
    }
    // The name field is cleared first and read only up to its last byte, whatever the client
    // leaves in it.
    std::array<char, kNWNameSize> name{};
    if (c.NWGetConnectionInformation(state.connection, state.connectionNumber, name.data(),
                                     &state.objectType, &state.objectID,
                                     state.loginTime.data()) != 0) {
        LogMessage(run.log, v, 1, "NWGetConnectionInformation: failed", "");
        return -1;
    }
    state.loginName = NameFromField(name.data());
    return 0;
}

}  // namespace rivel
