// NetWare data for the script language: the full-support flag of the client binding, the value
// queries behind the _NW_ system variables and the group membership test of the conditions.
// Without a loaded client library every query reports "Netware support not working" at level 1
// and answers with its failure value.
#pragma once

#include <string>

#include "driver/run_options.h"

namespace rivel {

// The failure text of the value queries.
inline constexpr const char* kNetWareInfoFailed = "GET_INFO_FAILED";

// True when a client library is loaded, initialised and every entry point was found.
bool NetWareFullSupport();

// Set by the client binding once every entry point has been resolved; tests reset it.
void SetNetWareFullSupport(bool supported);

std::string GetNWLoginName(const RunOptions& options);
std::string GetNWFullName(const RunOptions& options);
std::string GetNWLoginTime(const RunOptions& options);
std::string GetNWConnection(const RunOptions& options);
std::string GetNWObjectID(const RunOptions& options);
std::string GetNWNicAddress(const RunOptions& options);
std::string GetNWInetAddress(const RunOptions& options);

// True when the logged-in user is a member of the group.
bool IsGroupMember(const RunOptions& options, const std::string& group);

}  // namespace rivel
