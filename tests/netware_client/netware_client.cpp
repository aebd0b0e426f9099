// The test client library: parses the data file and answers each entry point from it. Numbers
// are delivered as the client does, high byte first in memory.
#include "netware_client.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <sstream>
#include <type_traits>
#include <vector>

#ifndef NWCLIENT_DATA_VARIABLE
#define NWCLIENT_DATA_VARIABLE "RIVEL_NWCLIENT_DATA"
#endif

namespace netware_client {
namespace {

constexpr NWCompletionCode kNoSuchObject = 0x89FC;
constexpr NWCompletionCode kNoSuchProperty = 0x89FB;
constexpr NWCompletionCode kNoSuchSegment = 0x89EC;
constexpr size_t kIDsPerSegment = rivel::kNWSegmentSize / 4;

struct Object {
    std::uint32_t id = 0;
    std::uint16_t type = 0;
    std::string name;
    bool hasFullName = false;
    std::string fullName;
    bool hasMembers = false;
    std::uint8_t memberFlags = 0;
    std::vector<std::uint32_t> members;
};

struct Data {
    std::vector<Object> objects;
    std::uint32_t user = 0;
    std::uint16_t connection = 0;
    std::array<std::uint8_t, rivel::kNWLoginTimeSize> time{};
    std::array<std::uint8_t, rivel::kNWInetAddrSize> address{};
    std::map<std::string, NWCompletionCode> failures;
    std::map<std::string, bool> endless;
};

Data& Current() {
    static Data data;
    return data;
}

std::uint32_t Hex(const std::string& text) {
    return static_cast<std::uint32_t>(std::strtoul(text.c_str(), nullptr, 16));
}

void HexBytes(const std::string& text, std::uint8_t* bytes, size_t count) {
    for (size_t i = 0; i < count && 2 * i + 1 < text.size(); ++i) {
        bytes[i] = static_cast<std::uint8_t>(Hex(text.substr(2 * i, 2)));
    }
}

Object& ObjectWithID(Data& data, std::uint32_t id) {
    for (Object& o : data.objects) {
        if (o.id == id) {
            return o;
        }
    }
    data.objects.push_back(Object{});
    data.objects.back().id = id;
    return data.objects.back();
}

Data Parse(const std::string& text) {
    Data data;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        std::istringstream words(line);
        std::string key, a, b;
        words >> key;
        if (key == "user") {
            words >> a;
            data.user = Hex(a);
        } else if (key == "connection") {
            words >> data.connection;
        } else if (key == "time") {
            for (auto& t : data.time) {
                unsigned value = 0;
                words >> value;
                t = static_cast<std::uint8_t>(value);
            }
        } else if (key == "network") {
            words >> a;
            HexBytes(a, data.address.data(), 4);
        } else if (key == "node") {
            words >> a;
            HexBytes(a, data.address.data() + 4, 6);
        } else if (key == "object") {
            unsigned type = 0;
            words >> a >> type >> b;
            Object& o = ObjectWithID(data, Hex(a));
            o.type = static_cast<std::uint16_t>(type);
            o.name = b;
        } else if (key == "fullname") {
            words >> a;
            Object& o = ObjectWithID(data, Hex(a));
            o.hasFullName = true;
            std::getline(words >> std::ws, o.fullName);
        } else if (key == "members") {
            words >> a >> b;
            Object& o = ObjectWithID(data, Hex(a));
            o.hasMembers = true;
            o.memberFlags = static_cast<std::uint8_t>(Hex(b));
            while (words >> a) {
                o.members.push_back(Hex(a));
            }
        } else if (key == "fail") {
            words >> a >> b;
            data.failures[a] = Hex(b);
        } else if (key == "endless") {
            words >> a;
            data.endless[a] = true;
        }
    }
    return data;
}

// The shared libraries take their data afresh from the file named by their variable.
void Reload() {
    const char* file = std::getenv(NWCLIENT_DATA_VARIABLE);
    if (file == nullptr) {
        return;
    }
    std::ifstream in(file, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    Current() = Parse(text.str());
}

Data& Loaded() {
    static bool loaded = false;
    if (!loaded) {
        loaded = true;
        Reload();
    }
    return Current();
}

bool Endless(const char* entryPoint) {
    return Loaded().endless.count(entryPoint) != 0;
}

NWCompletionCode Failure(const char* entryPoint) {
    auto found = Loaded().failures.find(entryPoint);
    return found == Loaded().failures.end() ? 0 : found->second;
}

std::uint32_t HighLow32(std::uint32_t value) {
    std::uint8_t bytes[4] = {
        static_cast<std::uint8_t>(value >> 24), static_cast<std::uint8_t>(value >> 16),
        static_cast<std::uint8_t>(value >> 8), static_cast<std::uint8_t>(value)};
    std::uint32_t stored = 0;
    std::memcpy(&stored, bytes, sizeof stored);
    return stored;
}

std::uint16_t HighLow16(std::uint16_t value) {
    std::uint8_t bytes[2] = {static_cast<std::uint8_t>(value >> 8),
                             static_cast<std::uint8_t>(value)};
    std::uint16_t stored = 0;
    std::memcpy(&stored, bytes, sizeof stored);
    return stored;
}

void CopyName(const std::string& name, char* field) {
    std::memset(field, 0, rivel::kNWNameSize);
    std::memcpy(field, name.data(), std::min(name.size(), size_t(rivel::kNWNameSize - 1)));
}

// The server's wildcards: "*" any run of characters, "?" any one character.
bool Matches(const char* pattern, const char* name) {
    if (*pattern == '\0') {
        return *name == '\0';
    }
    if (*pattern == '*') {
        return Matches(pattern + 1, name) || (*name != '\0' && Matches(pattern, name + 1));
    }
    return *name != '\0' && (*pattern == '?' || *pattern == *name) &&
           Matches(pattern + 1, name + 1);
}

const Object* Find(const char* name, std::uint16_t highLowType) {
    for (const Object& o : Loaded().objects) {
        if (o.name == name && HighLow16(o.type) == highLowType) {
            return &o;
        }
    }
    return nullptr;
}

std::vector<std::string> PropertiesOf(const Object& o) {
    std::vector<std::string> names;
    if (o.hasFullName) {
        names.push_back("IDENTIFICATION");
    }
    if (o.hasMembers) {
        names.push_back("GROUP_MEMBERS");
    }
    return names;
}

}  // namespace

void UseData(const std::string& text) {
    Loaded();
    Current() = Parse(text);
}

}  // namespace netware_client

using namespace netware_client;

extern "C" {

#ifndef NWCLIENT_WITHOUT_NWCallsInit
NWCompletionCode RIVEL_LIBRARY_CALL NWCallsInit(void*, void*) {
    Reload();
    return Failure("NWCallsInit");
}
static_assert(std::is_same_v<decltype(&NWCallsInit), rivel::NWCallsInitCall>);
#endif

NWCompletionCode RIVEL_LIBRARY_CALL NWGetDefaultConnectionID(NWConnectionHandle* conn) {
    *conn = 1;
    return Failure("NWGetDefaultConnectionID");
}

NWCompletionCode RIVEL_LIBRARY_CALL NWGetConnectionNumber(NWConnectionHandle,
                                                          std::uint16_t* number) {
    *number = Loaded().connection;
    return Failure("NWGetConnectionNumber");
}

NWCompletionCode RIVEL_LIBRARY_CALL NWGetConnectionInformation(NWConnectionHandle, std::uint16_t,
                                                               char* objectName,
                                                               std::uint16_t* objectType,
                                                               std::uint32_t* objectID,
                                                               std::uint8_t* loginTime) {
    const Data& data = Loaded();
    CopyName("", objectName);
    *objectType = 0;
    for (const Object& o : data.objects) {
        if (o.id == data.user) {
            CopyName(o.name, objectName);
            *objectType = HighLow16(o.type);
        }
    }
    *objectID = HighLow32(data.user);
    std::memcpy(loginTime, data.time.data(), data.time.size());
    return Failure("NWGetConnectionInformation");
}

NWCompletionCode RIVEL_LIBRARY_CALL NWGetObjectName(NWConnectionHandle, std::uint32_t objectID,
                                                    char* objectName, std::uint16_t* objectType) {
    if (NWCompletionCode code = Failure("NWGetObjectName")) {
        return code;
    }
    for (const Object& o : Loaded().objects) {
        if (HighLow32(o.id) == objectID && !o.name.empty()) {
            CopyName(o.name, objectName);
            *objectType = HighLow16(o.type);
            return 0;
        }
    }
    return kNoSuchObject;
}

NWCompletionCode RIVEL_LIBRARY_CALL
NWReadPropertyValue(NWConnectionHandle, const char* objectName, std::uint16_t objectType,
                    const char* propertyName, std::uint8_t segment, std::uint8_t* segmentData,
                    std::uint8_t* moreSegments, std::uint8_t* propertyFlags) {
    if (NWCompletionCode code = Failure("NWReadPropertyValue")) {
        return code;
    }
    const Object* o = Find(objectName, objectType);
    if (o == nullptr) {
        return kNoSuchObject;
    }
    std::memset(segmentData, 0, rivel::kNWSegmentSize);
    std::string property = propertyName;
    if (property == "IDENTIFICATION" && o->hasFullName && segment == 1) {
        std::memcpy(segmentData, o->fullName.data(),
                    std::min(o->fullName.size(), size_t(rivel::kNWSegmentSize)));
        *moreSegments = 0;
        *propertyFlags = 0;
        return 0;
    }
    if (property != "GROUP_MEMBERS" || !o->hasMembers || segment == 0) {
        return kNoSuchProperty;
    }
    size_t first = Endless("NWReadPropertyValue") ? 0 : (segment - 1) * kIDsPerSegment;
    if (first >= o->members.size() && segment > 1) {
        return kNoSuchSegment;
    }
    for (size_t i = first; i < o->members.size() && i < first + kIDsPerSegment; ++i) {
        std::uint32_t stored = HighLow32(o->members[i]);
        std::memcpy(segmentData + 4 * (i - first), &stored, sizeof stored);
    }
    *moreSegments =
        first + kIDsPerSegment < o->members.size() || Endless("NWReadPropertyValue") ? 0xFF : 0;
    *propertyFlags = o->memberFlags;
    return 0;
}

NWCompletionCode RIVEL_LIBRARY_CALL NWGetInetAddr(NWConnectionHandle, std::uint16_t,
                                                  std::uint8_t* address) {
    std::memcpy(address, Loaded().address.data(), rivel::kNWInetAddrSize);
    return Failure("NWGetInetAddr");
}

NWCompletionCode RIVEL_LIBRARY_CALL NWScanObject(NWConnectionHandle, const char* searchName,
                                                 std::uint16_t searchType, std::uint32_t* objectID,
                                                 char* objectName, std::uint16_t* objectType,
                                                 std::uint8_t* hasProperties,
                                                 std::uint8_t* objectFlags,
                                                 std::uint8_t* objectSecurity) {
    if (NWCompletionCode code = Failure("NWScanObject")) {
        return code;
    }
    const std::vector<Object>& objects = Loaded().objects;
    size_t next = 0;
    if (*objectID != 0xFFFFFFFF && !Endless("NWScanObject")) {
        while (next < objects.size() && HighLow32(objects[next].id) != *objectID) {
            ++next;
        }
        ++next;
    }
    for (; next < objects.size(); ++next) {
        const Object& o = objects[next];
        if (!o.name.empty() && Matches(searchName, o.name.c_str()) &&
            (searchType == 0xFFFF || HighLow16(o.type) == searchType)) {
            *objectID = HighLow32(o.id);
            CopyName(o.name, objectName);
            *objectType = HighLow16(o.type);
            *hasProperties = PropertiesOf(o).empty() ? 0 : 0xFF;
            *objectFlags = 0;
            *objectSecurity = 0x31;
            return 0;
        }
    }
    return kNoSuchObject;
}

#ifndef NWCLIENT_WITHOUT_NWScanProperty
NWCompletionCode RIVEL_LIBRARY_CALL NWScanProperty(
    NWConnectionHandle, const char* objectName, std::uint16_t objectType, const char* searchName,
    std::uint32_t* sequence, char* propertyName, std::uint8_t* propertyFlags,
    std::uint8_t* propertySecurity, std::uint8_t* hasValue, std::uint8_t* moreProperties) {
    if (NWCompletionCode code = Failure("NWScanProperty")) {
        return code;
    }
    const Object* o = Find(objectName, objectType);
    if (o == nullptr) {
        return kNoSuchObject;
    }
    std::vector<std::string> names = PropertiesOf(*o);
    size_t start = *sequence == 0xFFFFFFFF || Endless("NWScanProperty") ? 0 : *sequence + 1;
    for (size_t i = start; i < names.size(); ++i) {
        if (Matches(searchName, names[i].c_str())) {
            *sequence = static_cast<std::uint32_t>(i);
            CopyName(names[i], propertyName);
            *propertyFlags = names[i] == "GROUP_MEMBERS" ? o->memberFlags : 0;
            *propertySecurity = 0x31;
            *hasValue = 0xFF;
            *moreProperties = i + 1 < names.size() ? 0xFF : 0;
            return 0;
        }
    }
    return kNoSuchProperty;
}
static_assert(std::is_same_v<decltype(&NWScanProperty), rivel::NWScanPropertyCall>);
#endif

std::uint32_t RIVEL_LIBRARY_CALL NWLongSwap(std::uint32_t value) {
    return (value >> 24) | ((value >> 8) & 0xFF00) | ((value << 8) & 0xFF0000) | (value << 24);
}

std::uint16_t RIVEL_LIBRARY_CALL NWWordSwap(std::uint16_t value) {
    return static_cast<std::uint16_t>((value >> 8) | (value << 8));
}

static_assert(
    std::is_same_v<decltype(&NWGetDefaultConnectionID), rivel::NWGetDefaultConnectionIDCall>);
static_assert(std::is_same_v<decltype(&NWGetConnectionNumber), rivel::NWGetConnectionNumberCall>);
static_assert(
    std::is_same_v<decltype(&NWGetConnectionInformation), rivel::NWGetConnectionInformationCall>);
static_assert(std::is_same_v<decltype(&NWGetObjectName), rivel::NWGetObjectNameCall>);
static_assert(std::is_same_v<decltype(&NWReadPropertyValue), rivel::NWReadPropertyValueCall>);
static_assert(std::is_same_v<decltype(&NWGetInetAddr), rivel::NWGetInetAddrCall>);
static_assert(std::is_same_v<decltype(&NWScanObject), rivel::NWScanObjectCall>);
static_assert(std::is_same_v<decltype(&NWLongSwap), rivel::NWLongSwapCall>);
static_assert(std::is_same_v<decltype(&NWWordSwap), rivel::NWWordSwapCall>);

}  // extern "C"
