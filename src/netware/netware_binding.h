// The NetWare client binding: loads CALWIN32.DLL (or, failing that, NETWIN32.DLL) at start,
// resolves the entry points by name, and fetches the data of the default connection for each
// query. Without a usable library the program runs on without NetWare support.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "base/run_context.h"
#include "base/run_options.h"
#include "netware/netware_calls.h"
#include "platform/library.h"

namespace rivel {

struct NetWareState {
    LibraryHandle library = nullptr;
    NetWareCalls calls;
    // Set once a library is loaded, initialised and every entry point found.
    bool fullSupport = false;

    // The default connection, refreshed by every NetWareConnect.
    NWConnectionHandle connection = 0;
    std::uint16_t connectionNumber = 0;
    std::string loginName;  // at most 47 characters
    std::uint16_t objectType = 0;
    std::uint32_t objectID = 0;  // as the client delivers it, high byte first in memory
    std::array<std::uint8_t, kNWLoginTimeSize> loginTime{};
};

// Loads and initialises the client library and resolves its entry points, logging each step;
// with full support the run's NetWare state holds the library, else it stays null.
void NetWareStartup(RunContext& run, const RunOptions& options);

// Releases the loaded library; the run then answers as without support.
void NetWareShutdown(RunContext& run, const RunOptions& options);

// Initialises the client again and fetches the default connection's number, login name, object
// type, object ID and login time into the run's state: 0 on success, -1 (after its message)
// otherwise.
int NetWareConnect(RunContext& run, const RunOptions& options);

}  // namespace rivel
