// The NetWare value queries: each one checks for support, refreshes the default connection and
// lays out one value of it.
#include "netware/netware.h"

#include <algorithm>
#include <array>

#include "base/message_log.h"
#include "netware/netware_binding.h"
#include "text/format.h"

namespace rivel {

namespace {

// The common start of the value queries: support, then fresh connection data.
NetWareState* Connected(RunContext& run, const RunOptions& options) {
    if (run.netware == nullptr || !run.netware->fullSupport) {
        LogMessage(run.log, options.VerboseMode, 1, "Netware support not working", "");
        return nullptr;
    }
    if (NetWareConnect(run, options) != 0) {
        return nullptr;
    }
    return run.netware.get();
}

// A 16-bit value printed with "%#06X", without its "0X": always four digits.
std::string FourDigits(unsigned value) {
    return Format("%#06X", value).substr(2, 4);
}

unsigned Pair(const std::uint8_t* bytes) {
    return static_cast<unsigned>(bytes[0]) * 256 + bytes[1];
}

// The two address queries: the connection's internetwork address (network number, then node
// address) laid out by one of the layouts, or the failure text after the level-9 message.
std::string AddressQuery(RunContext& run, const RunOptions& options,
                         std::string (*layout)(const std::uint8_t* address)) {
    NetWareState* state = Connected(run, options);
    if (state == nullptr) {
        return kNetWareInfoFailed;
    }
    std::array<std::uint8_t, kNWInetAddrSize> address{};
    if (state->calls.NWGetInetAddr(state->connection, state->connectionNumber, address.data()) !=
        0) {
        LogMessage(run.log, options.VerboseMode, 9, "GetInternetAddr failed", "");
        return kNetWareInetFailed;
    }
    return layout(address.data());
}

}  // namespace

std::string ObjectIDText(std::uint32_t swappedID) {
    std::string digits = FourDigits(swappedID >> 16) + FourDigits(swappedID & 0xFFFF);
    return digits.substr(std::min(digits.find_first_not_of('0'), digits.size()));
}

std::string NetworkNumberText(const std::uint8_t* network) {
    std::string digits = FourDigits(Pair(network)) + FourDigits(Pair(network + 2));
    // At most the first two digits are dropped, and only when they are zeros.
    size_t drop = 0;
    if (digits[0] == '0') {
        drop = digits[1] == '0' ? 2 : 1;
    }
    return digits.substr(drop);
}

std::string NodeAddressText(const std::uint8_t* node) {
    // The first pair is printed with "%#04X": a value of 256 or more gives its own first two
    // digits, a smaller one the two digits of its low byte.
    std::string first = Format("%#04X", Pair(node)).substr(2, 2);
    if (first.size() < 2) {
        first.insert(0, 1, '0');
    }
    return first + FourDigits(Pair(node + 2)) + FourDigits(Pair(node + 4));
}

std::string GetNWLoginName(RunContext& run, const RunOptions& options) {
    NetWareState* state = Connected(run, options);
    if (state == nullptr) {
        return kNetWareInfoFailed;
    }
    LogMessage(run.log, options.VerboseMode, 9, "Login name: ", state->loginName);
    return state->loginName;
}

std::string GetNWFullName(RunContext& run, const RunOptions& options) {
    NetWareState* state = Connected(run, options);
    if (state == nullptr) {
        return kNetWareInfoFailed;
    }
    const int v = options.VerboseMode;
    std::array<char, kNWNameSize> nameField{};
    std::uint16_t type = 0;
    NWCompletionCode code =
        state->calls.NWGetObjectName(state->connection, state->objectID, nameField.data(), &type);
    if (code != 0) {
        LogMessage(run.log, v, 1, "NWGetObjectName:failed ",
                   Format("%x", static_cast<unsigned>(code)));
        return "Get_Object_Name failed";
    }
    std::string name = NameFromField(nameField.data());
    std::array<std::uint8_t, kNWSegmentSize> segment{};
    std::uint8_t more = 0, flags = 0;
    if (state->calls.NWReadPropertyValue(state->connection, name.c_str(), type, "IDENTIFICATION", 1,
                                         segment.data(), &more, &flags) != 0) {
        LogMessage(run.log, v, 3, "NWReadProperty failed", name);
        return "Read_Property failed";
    }
    // The first segment only, up to its first NUL or its end.
    size_t length = 0;
    while (length < segment.size() && segment[length] != 0) {
        ++length;
    }
    std::string fullName(reinterpret_cast<const char*>(segment.data()), length);
    LogMessage(run.log, v, 9, "Full name: ", fullName);
    return fullName;
}

std::string GetNWLoginTime(RunContext& run, const RunOptions& options) {
    NetWareState* state = Connected(run, options);
    if (state == nullptr) {
        return kNetWareInfoFailed;
    }
    const auto& t = state->loginTime;
    return Format("%02d/%02d/%02d - %02d:%02d:%02d", t[0], t[1], t[2], t[3], t[4], t[5]);
}

std::string GetNWConnection(RunContext& run, const RunOptions& options) {
    NetWareState* state = Connected(run, options);
    if (state == nullptr) {
        return kNetWareInfoFailed;
    }
    return Format("%i", static_cast<int>(state->connectionNumber));
}

std::string GetNWObjectID(RunContext& run, const RunOptions& options) {
    NetWareState* state = Connected(run, options);
    if (state == nullptr) {
        return kNetWareInfoFailed;
    }
    return ObjectIDText(state->calls.NWLongSwap(state->objectID));
}

std::string GetNWNicAddress(RunContext& run, const RunOptions& options) {
    return AddressQuery(run, options,
                        [](const std::uint8_t* address) { return NodeAddressText(address + 4); });
}

std::string GetNWInetAddress(RunContext& run, const RunOptions& options) {
    return AddressQuery(run, options, NetworkNumberText);
}

}  // namespace rivel
