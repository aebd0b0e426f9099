// NetWare queries. The client binding that loads CALWIN32.DLL or NETWIN32.DLL sets the
// full-support flag; until a library is loaded each query stops at its support check.
#include "netware/netware.h"

#include "driver/message_log.h"

namespace rivel {

namespace {

bool& FullSupportFlag() {
    static bool supported = false;
    return supported;
}

// The common start of every query: no support means the level-1 message and failure.
bool SupportChecked(const RunOptions& options) {
    if (!FullSupportFlag()) {
        LogMessage(options.VerboseMode, 1, "Netware support not working", "");
        return false;
    }
    return true;
}

// The answer of a value query: the connection data come from the client library, which this
// program reaches only through the binding; with no connection data the query fails.
std::string ValueQuery(const RunOptions& options) {
    if (!SupportChecked(options)) {
        return kNetWareInfoFailed;
    }
    return kNetWareInfoFailed;
}

}  // namespace

bool NetWareFullSupport() {
    return FullSupportFlag();
}

void SetNetWareFullSupport(bool supported) {
    FullSupportFlag() = supported;
}

std::string GetNWLoginName(const RunOptions& options) {
    return ValueQuery(options);
}
std::string GetNWFullName(const RunOptions& options) {
    return ValueQuery(options);
}
std::string GetNWLoginTime(const RunOptions& options) {
    return ValueQuery(options);
}
std::string GetNWConnection(const RunOptions& options) {
    return ValueQuery(options);
}
std::string GetNWObjectID(const RunOptions& options) {
    return ValueQuery(options);
}
std::string GetNWNicAddress(const RunOptions& options) {
    return ValueQuery(options);
}
std::string GetNWInetAddress(const RunOptions& options) {
    return ValueQuery(options);
}

bool IsGroupMember(const RunOptions& options, const std::string& group) {
    LogMessage(options.VerboseMode, 9, "Ismemeber of : ", group);
    if (!SupportChecked(options)) {
        return false;
    }
    return false;
}

}  // namespace rivel
