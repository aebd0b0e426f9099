// The entry points of the NetWare client library (CALWIN32.DLL or NETWIN32.DLL) as this program
// calls them: their types, the sizes of the buffers they fill and the byte-order helpers.
// Every function returns a completion code, 0 for success.
#pragma once

#include <cstdint>
#include <string>

#include "platform/library.h"

namespace rivel {

using NWCompletionCode = std::uint32_t;
using NWConnectionHandle = std::uint32_t;

// Object and property names travel in fields of this size (47 characters and a NUL).
inline constexpr int kNWNameSize = 48;
// One segment of a property value.
inline constexpr int kNWSegmentSize = 128;
// Year of the century, month, day, hour, minute, second, day of the week.
inline constexpr int kNWLoginTimeSize = 7;
// Network number (4 bytes), node address (6 bytes), socket (2 bytes).
inline constexpr int kNWInetAddrSize = 12;

extern "C" {

using NWCallsInitCall = NWCompletionCode(RIVEL_LIBRARY_CALL*)(void* in, void* out);
using NWGetDefaultConnectionIDCall =
    NWCompletionCode(RIVEL_LIBRARY_CALL*)(NWConnectionHandle* conn);
using NWGetConnectionNumberCall = NWCompletionCode(RIVEL_LIBRARY_CALL*)(NWConnectionHandle conn,
                                                                        std::uint16_t* number);
// objectName: kNWNameSize bytes; loginTime: kNWLoginTimeSize bytes.
using NWGetConnectionInformationCall = NWCompletionCode(RIVEL_LIBRARY_CALL*)(
    NWConnectionHandle conn, std::uint16_t number, char* objectName, std::uint16_t* objectType,
    std::uint32_t* objectID, std::uint8_t* loginTime);
// objectName: kNWNameSize bytes.
using NWGetObjectNameCall = NWCompletionCode(RIVEL_LIBRARY_CALL*)(NWConnectionHandle conn,
                                                                  std::uint32_t objectID,
                                                                  char* objectName,
                                                                  std::uint16_t* objectType);
// segmentData: kNWSegmentSize bytes.
using NWReadPropertyValueCall = NWCompletionCode(RIVEL_LIBRARY_CALL*)(
    NWConnectionHandle conn, const char* objectName, std::uint16_t objectType,
    const char* propertyName, std::uint8_t segment, std::uint8_t* segmentData,
    std::uint8_t* moreSegments, std::uint8_t* propertyFlags);
// address: kNWInetAddrSize bytes.
using NWGetInetAddrCall = NWCompletionCode(RIVEL_LIBRARY_CALL*)(NWConnectionHandle conn,
                                                                std::uint16_t number,
                                                                std::uint8_t* address);
// objectID: in the last ID found (all bits set to start), out the next one; objectName:
// kNWNameSize bytes.
using NWScanObjectCall = NWCompletionCode(RIVEL_LIBRARY_CALL*)(
    NWConnectionHandle conn, const char* searchName, std::uint16_t searchType,
    std::uint32_t* objectID, char* objectName, std::uint16_t* objectType,
    std::uint8_t* hasProperties, std::uint8_t* objectFlags, std::uint8_t* objectSecurity);
// sequence: in the last position (all bits set to start), out the next one; propertyName:
// kNWNameSize bytes.
using NWScanPropertyCall = NWCompletionCode(RIVEL_LIBRARY_CALL*)(
    NWConnectionHandle conn, const char* objectName, std::uint16_t objectType,
    const char* searchName, std::uint32_t* sequence, char* propertyName,
    std::uint8_t* propertyFlags, std::uint8_t* propertySecurity, std::uint8_t* hasValue,
    std::uint8_t* moreProperties);
using NWLongSwapCall = std::uint32_t(RIVEL_LIBRARY_CALL*)(std::uint32_t value);
using NWWordSwapCall = std::uint16_t(RIVEL_LIBRARY_CALL*)(std::uint16_t value);

}  // extern "C"

// The text of a name field filled by the client: up to its first NUL, at most 47 characters.
inline std::string NameFromField(const char* field) {
    size_t n = 0;
    while (n < kNWNameSize - 1 && field[n] != '\0') {
        ++n;
    }
    return std::string(field, n);
}

// One slot per entry point; null until resolved.
struct NetWareCalls {
    NWCallsInitCall NWCallsInit = nullptr;
    NWGetDefaultConnectionIDCall NWGetDefaultConnectionID = nullptr;
    NWGetConnectionNumberCall NWGetConnectionNumber = nullptr;
    NWGetConnectionInformationCall NWGetConnectionInformation = nullptr;
    NWGetObjectNameCall NWGetObjectName = nullptr;
    NWReadPropertyValueCall NWReadPropertyValue = nullptr;
    NWGetInetAddrCall NWGetInetAddr = nullptr;
    NWScanObjectCall NWScanObject = nullptr;
    NWScanPropertyCall NWScanProperty = nullptr;
    NWLongSwapCall NWLongSwap = nullptr;
    NWWordSwapCall NWWordSwap = nullptr;
};

}  // namespace rivel
