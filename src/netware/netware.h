// NetWare data for the script language: the value queries behind the _NW_ system variables and
// the group membership test of the conditions. Each query refreshes the default connection
// through the binding; without a usable client library it reports "Netware support not working"
// at level 1 and answers with its failure value.
#pragma once

#include <cstdint>
#include <string>

#include "base/run_context.h"
#include "base/run_options.h"

namespace rivel {

// The failure text of the value queries.
inline constexpr const char* kNetWareInfoFailed = "GET_INFO_FAILED";
// The failure text of the address queries when the address cannot be read.
inline constexpr const char* kNetWareInetFailed = "GET_INET_FAILED";

std::string GetNWLoginName(RunContext& run, const RunOptions& options);
std::string GetNWFullName(RunContext& run, const RunOptions& options);
std::string GetNWLoginTime(RunContext& run, const RunOptions& options);
std::string GetNWConnection(RunContext& run, const RunOptions& options);
std::string GetNWObjectID(RunContext& run, const RunOptions& options);
std::string GetNWNicAddress(RunContext& run, const RunOptions& options);
std::string GetNWInetAddress(RunContext& run, const RunOptions& options);

// The layouts of the values, from the numbers the client delivers.
std::string ObjectIDText(std::uint32_t swappedID);
std::string NetworkNumberText(const std::uint8_t* network);  // 4 bytes
std::string NodeAddressText(const std::uint8_t* node);       // 6 bytes

// True when the logged-in user is a member of a group matching the name (the client's wildcards
// allowed). Members are listed by the group's GROUP_MEMBERS property; group objects without
// that set property have its raw bytes written to standard output.
bool IsGroupMember(RunContext& run, const RunOptions& options, const std::string& group);

}  // namespace rivel
