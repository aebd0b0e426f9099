// A NetWare client library for the tests. It exports the entry points that the program resolves
// in CALWIN32.DLL or NETWIN32.DLL and answers from a small data file that each test writes:
// the logged-in user, the connection, the addresses, the objects with their full names and
// group member lists, and failures chosen per entry point. Built as shared libraries for the
// end-to-end tests (loaded under the client's file names) and linked into the unit tests.
//
// Data file lines (numbers in hexadecimal unless stated; blank lines and "#" lines ignored):
//   user <id>                          the object logged in on the default connection
//   connection <decimal>               the connection number
//   time <7 decimals>                  year, month, day, hour, minute, second, day of week
//   network <8 hex digits>             the network number
//   node <12 hex digits>               the node address
//   object <id> <decimal type> <name>  an object (type 1 user, 2 group)
//   fullname <id> <text to line end>   the IDENTIFICATION value of an object
//   members <id> <flags> <id>...       GROUP_MEMBERS of a group (flags 2: a list of IDs);
//                                      repeated lines append; 0 entries are gaps; 32 per segment
//   fail <entry point> <code>          that entry point answers with the code
//   endless <entry point>              NWScanObject and NWScanProperty answer the first match
//                                      again and again, NWReadPropertyValue the first segment
//                                      with more segments always to come
// Object IDs name no object unless listed: their name lookup fails with 89FC.
#pragma once

#include <cstdint>
#include <string>

#include "netware/netware_calls.h"

namespace netware_client {

// Replaces the data the in-process client answers from (the shared libraries read the file
// named by their environment variable at every NWCallsInit instead).
void UseData(const std::string& text);

}  // namespace netware_client

extern "C" {
using rivel::NWCompletionCode;
using rivel::NWConnectionHandle;

NWCompletionCode RIVEL_LIBRARY_CALL NWCallsInit(void* in, void* out);
NWCompletionCode RIVEL_LIBRARY_CALL NWGetDefaultConnectionID(NWConnectionHandle* conn);
NWCompletionCode RIVEL_LIBRARY_CALL NWGetConnectionNumber(NWConnectionHandle conn,
                                                          std::uint16_t* number);
NWCompletionCode RIVEL_LIBRARY_CALL NWGetConnectionInformation(
    NWConnectionHandle conn, std::uint16_t number, char* objectName, std::uint16_t* objectType,
    std::uint32_t* objectID, std::uint8_t* loginTime);
NWCompletionCode RIVEL_LIBRARY_CALL NWGetObjectName(NWConnectionHandle conn, std::uint32_t objectID,
                                                    char* objectName, std::uint16_t* objectType);
NWCompletionCode RIVEL_LIBRARY_CALL
NWReadPropertyValue(NWConnectionHandle conn, const char* objectName, std::uint16_t objectType,
                    const char* propertyName, std::uint8_t segment, std::uint8_t* segmentData,
                    std::uint8_t* moreSegments, std::uint8_t* propertyFlags);
NWCompletionCode RIVEL_LIBRARY_CALL NWGetInetAddr(NWConnectionHandle conn, std::uint16_t number,
                                                  std::uint8_t* address);
NWCompletionCode RIVEL_LIBRARY_CALL NWScanObject(NWConnectionHandle conn, const char* searchName,
                                                 std::uint16_t searchType, std::uint32_t* objectID,
                                                 char* objectName, std::uint16_t* objectType,
                                                 std::uint8_t* hasProperties,
                                                 std::uint8_t* objectFlags,
                                                 std::uint8_t* objectSecurity);
NWCompletionCode RIVEL_LIBRARY_CALL NWScanProperty(NWConnectionHandle conn, const char* objectName,
                                                   std::uint16_t objectType, const char* searchName,
                                                   std::uint32_t* sequence, char* propertyName,
                                                   std::uint8_t* propertyFlags,
                                                   std::uint8_t* propertySecurity,
                                                   std::uint8_t* hasValue,
                                                   std::uint8_t* moreProperties);
std::uint32_t RIVEL_LIBRARY_CALL NWLongSwap(std::uint32_t value);
std::uint16_t RIVEL_LIBRARY_CALL NWWordSwap(std::uint16_t value);
}
