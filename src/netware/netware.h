// NetWare data for the script language: the full-support flag of the client binding, the value
// queries behind the _NW_ system variables and the group membership test of the conditions.
// Without a loaded client library every query reports "Netware support not working" at level 1
// and answers with its failure value.
#pragma once

#include <string>

#include "base/run_context.h"

namespace rivel {

// The failure text of the value queries.
inline constexpr const char* kNetWareInfoFailed = "GET_INFO_FAILED";

std::string GetNWLoginName(RunContext& run, const RunOptions& options);
std::string GetNWFullName(RunContext& run, const RunOptions& options);
std::string GetNWLoginTime(RunContext& run, const RunOptions& options);
std::string GetNWConnection(RunContext& run, const RunOptions& options);
std::string GetNWObjectID(RunContext& run, const RunOptions& options);
std::string GetNWNicAddress(RunContext& run, const RunOptions& options);
std::string GetNWInetAddress(RunContext& run, const RunOptions& options);

// True when the logged-in user is a member of the group.
bool IsGroupMember(RunContext& run, const RunOptions& options, const std::string& group);

}  // namespace rivel
