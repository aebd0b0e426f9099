// NetWare queries. The client binding that loads CALWIN32.DLL or NETWIN32.DLL fills the run's
// NetWare state; until a library is loaded each query stops at its support check.
#include "netware/netware.h"

#include "base/message_log.h"

namespace rivel {

namespace {

// The common start of every query: no support means the level-1 message and failure.
bool SupportChecked(RunContext& run, const RunOptions& options) {
    if (run.netware == nullptr) {
        LogMessage(run.log, options.VerboseMode, 1, "Netware support not working", "");
        return false;
    }
    return true;
}

// The answer of a value query: the connection data come from the client library, which this
// program reaches only through the binding; with no connection data the query fails.
std::string ValueQuery(RunContext& run, const RunOptions& options) {
    if (!SupportChecked(run, options)) {
        return kNetWareInfoFailed;
    }
    return kNetWareInfoFailed;
}

}  // namespace

std::string GetNWLoginName(RunContext& run, const RunOptions& options) {
    return ValueQuery(run, options);
}
std::string GetNWFullName(RunContext& run, const RunOptions& options) {
    return ValueQuery(run, options);
}
std::string GetNWLoginTime(RunContext& run, const RunOptions& options) {
    return ValueQuery(run, options);
}
std::string GetNWConnection(RunContext& run, const RunOptions& options) {
    return ValueQuery(run, options);
}
std::string GetNWObjectID(RunContext& run, const RunOptions& options) {
    return ValueQuery(run, options);
}
std::string GetNWNicAddress(RunContext& run, const RunOptions& options) {
    return ValueQuery(run, options);
}
std::string GetNWInetAddress(RunContext& run, const RunOptions& options) {
    return ValueQuery(run, options);
}

bool IsGroupMember(RunContext& run, const RunOptions& options, const std::string& group) {
    LogMessage(run.log, options.VerboseMode, 9, "Ismemeber of : ", group);
    if (!SupportChecked(run, options)) {
        return false;
    }
    return false;
}

}  // namespace rivel
