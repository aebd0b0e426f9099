// The NetWare client binding.
#include "netware/netware_binding.h"

#include <memory>

#include <cstdint>

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

// The other ten entry points, in a fixed order; the first missing one ends the lookup.
bool ResolveAll(MessageLog& log, const RunOptions& options, NetWareState& state) {
    LibraryHandle lib = state.library;
    NetWareCalls& c = state.calls;
    const char* missing = nullptr;
    if (!Resolve(lib, "NWGetDefaultConnectionID", c.NWGetDefaultConnectionID)) {
        missing = "NWGetDefaultConnectionID";
    } else if (!Resolve(lib, "NWGetConnectionNumber", c.NWGetConnectionNumber)) {
        missing = "pNWGetConnectionNumber";
    } else if (!Resolve(lib, "NWGetConnectionInformation", c.NWGetConnectionInformation)) {
        missing = "NWGetConnectionInformation";
    } else if (!Resolve(lib, "NWGetObjectName", c.NWGetObjectName)) {
        missing = "NWGetObjectName";
    } else if (!Resolve(lib, "NWReadPropertyValue", c.NWReadPropertyValue)) {
        missing = "NWReadPropertyValue";
    } else if (!Resolve(lib, "NWGetInetAddr", c.NWGetInetAddr)) {
        missing = "pNWGetInetAddr";
    } else if (!Resolve(lib, "NWScanObject", c.NWScanObject)) {
        missing = "pNWScanObject";
    } else if (!Resolve(lib, "NWScanProperty", c.NWScanProperty)) {
        missing = "pNWScanProperty";
    } else if (!Resolve(lib, "NWLongSwap", c.NWLongSwap)) {
        missing = "NWLongSwap";
    } else if (!Resolve(lib, "NWWordSwap", c.NWWordSwap)) {
        missing = "NWWordSwap";
    }
    if (missing != nullptr) {
        LogMessage(log, options.VerboseMode, 3, missing, "function not found");
        Forget(state);
        return false;
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
