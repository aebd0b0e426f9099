// The group membership test: every group object matching the name is scanned, property by
// property and segment by segment, for a member whose name is the login name.
#include <array>
#include <cstdio>
#include <cstring>

#include "base/message_log.h"
#include "netware/netware.h"
#include "netware/netware_binding.h"
#include "text/format.h"
#include "text/strings.h"

namespace rivel {

namespace {

constexpr std::uint16_t kGroupObjectType = 2;
constexpr std::uint8_t kSetProperty = 2;  // the property value is a list of object IDs
constexpr int kIDsPerSegment = kNWSegmentSize / 4;
constexpr unsigned kLastSegment = 255;  // segment numbers are one byte

// The positions of one scan (object IDs, property sequence numbers). A client answers each call
// from the position it is given, so a position that comes back means the scan goes round in a
// circle and would never end. One position is remembered and moved on after 1, 2, 4, 8...
// further calls, which finds every circle, however long, without keeping the whole scan.
class ScanPositions {
  public:
    explicit ScanPositions(std::uint32_t start) : mark_(start) {}

    // False when the position is the remembered one: the scan has come back to it.
    bool Fresh(std::uint32_t position) {
        if (position == mark_) {
            return false;
        }
        if (++steps_ == span_) {
            mark_ = position;
            span_ *= 2;
            steps_ = 0;
        }
        return true;
    }

  private:
    std::uint32_t mark_;
    std::uint64_t span_ = 1;
    std::uint64_t steps_ = 0;
};

// One scan of a group: what the membership loops share.
struct GroupScan {
    MessageLog& log;
    const RunOptions& options;
    const NetWareCalls& calls;
    NWConnectionHandle connection;
    const std::string& user;
};

// A property value that is not a list of IDs is shown as it is, on standard output.
void DumpSegment(const std::array<std::uint8_t, kNWSegmentSize>& segment) {
    std::string text;
    for (size_t i = 0; i < segment.size(); ++i) {
        text += Format("%02x ", static_cast<unsigned>(segment[i]));
        if ((i + 1) % 16 == 0) {
            text += "\n\t\t";
        }
    }
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fflush(stdout);
}

// True when one of the 32 IDs of the segment names the user. Zero entries are gaps in the list;
// an ID whose name cannot be read (a deleted object) is passed over.
bool SegmentListsUser(const GroupScan& scan,
                      const std::array<std::uint8_t, kNWSegmentSize>& segment) {
    const int v = scan.options.VerboseMode;
    for (int i = 0; i < kIDsPerSegment; ++i) {
        std::uint32_t id = 0;
        std::memcpy(&id, segment.data() + 4 * i, sizeof id);
        if (id == 0) {
            continue;
        }
        std::array<char, kNWNameSize> nameField{};
        std::uint16_t type = 0;
        NWCompletionCode code =
            scan.calls.NWGetObjectName(scan.connection, id, nameField.data(), &type);
        if (code != 0) {
            LogMessage(scan.log, v, 1, "NWGetObjectName:failed ",
                       Format("%x", static_cast<unsigned>(code)));
            continue;
        }
        std::string member = NameFromField(nameField.data());
        LogMessage(scan.log, v, 9, "Buffer contains: ", member);
        if (member == scan.user) {
            return true;
        }
    }
    return false;
}

// Every segment of one property, as long as the client reports more of them.
bool PropertyListsUser(const GroupScan& scan, const std::string& object, std::uint16_t type,
                       const std::string& property) {
    for (unsigned number = 1; number <= kLastSegment; ++number) {
        std::array<std::uint8_t, kNWSegmentSize> segment{};
        std::uint8_t more = 0, flags = 0;
        if (scan.calls.NWReadPropertyValue(scan.connection, object.c_str(), type, property.c_str(),
                                           static_cast<std::uint8_t>(number), segment.data(), &more,
                                           &flags) != 0) {
            return false;
        }
        if (property == "IDENTIFICATION" || property == "HOMEDIRPATH") {
            // not a member list
        } else if ((flags & kSetProperty) == 0) {
            DumpSegment(segment);
        } else if (SegmentListsUser(scan, segment)) {
            return true;
        }
        // A failed name lookup does not end the list: later segments still hold members.
        if (more == 0) {
            return false;
        }
    }
    return false;
}

// The GROUP_MEMBERS properties of one group object.
bool GroupListsUser(const GroupScan& scan, const std::string& object, std::uint16_t type) {
    std::uint32_t sequence = 0xFFFFFFFF;
    ScanPositions positions(sequence);
    for (;;) {
        std::array<char, kNWNameSize> nameField{};
        std::uint8_t flags = 0, security = 0, hasValue = 0, moreProperties = 0;
        if (scan.calls.NWScanProperty(scan.connection, object.c_str(), type, "GROUP_MEMBERS",
                                      &sequence, nameField.data(), &flags, &security, &hasValue,
                                      &moreProperties) != 0 ||
            !positions.Fresh(sequence)) {
            // A scan that stays put or comes back to an earlier position would never end.
            return false;
        }
        if (hasValue != 0 &&
            PropertyListsUser(scan, object, type, NameFromField(nameField.data()))) {
            return true;
        }
    }
}

}  // namespace

bool IsGroupMember(RunContext& run, const RunOptions& options, const std::string& group) {
    const int v = options.VerboseMode;
    LogMessage(run.log, v, 9, "Ismemeber of : ", group);
    if (run.netware == nullptr || !run.netware->fullSupport) {
        LogMessage(run.log, v, 1, "Netware support not working", "");
        return false;
    }
    // Without a login name nobody is a member: the connection's failure has been logged.
    if (NetWareConnect(run, options) != 0) {
        return false;
    }
    const NetWareState* state = run.netware.get();
    const std::string user = state->loginName;
    LogMessage(run.log, v, 9, "Login name: ", user);
    if (user.empty()) {
        return false;
    }
    const NetWareCalls& c = state->calls;
    std::string search = UpperCase(group);
    if (search.size() >= static_cast<size_t>(kNWNameSize)) {
        // Object names have at most 47 characters: no group can have this name.
        LogMessage(run.log, v, 3, "Group name too long : ", group);
        return false;
    }
    std::uint16_t searchType = c.NWWordSwap(kGroupObjectType);
    NWCompletionCode code = c.NWCallsInit(nullptr, nullptr);
    if (code != 0) {
        LogMessage(run.log, v, 9, "NWCallsInit: failed ",
                   Format("%04x", static_cast<unsigned>(code)));
        return false;
    }
    NWConnectionHandle connection = 0;
    code = c.NWGetDefaultConnectionID(&connection);
    if (code != 0) {
        LogMessage(run.log, v, 9, "NWGetDefaultConnectionID: failed ",
                   Format(" %04x", static_cast<unsigned>(code)));
        return false;
    }
    LogMessage(run.log, v, 9, "Scanning for : ", search);
    const GroupScan scan{run.log, options, c, connection, user};
    std::uint32_t objectID = 0xFFFFFFFF;
    ScanPositions positions(objectID);
    for (;;) {
        std::array<char, kNWNameSize> nameField{};
        std::uint16_t type = 0;
        std::uint8_t hasProperties = 0, flags = 0, security = 0;
        if (c.NWScanObject(connection, search.c_str(), searchType, &objectID, nameField.data(),
                           &type, &hasProperties, &flags, &security) != 0 ||
            !positions.Fresh(objectID)) {
            // A scan that stays put or comes back to an earlier object would never end.
            return false;
        }
        if (c.NWWordSwap(type) != kGroupObjectType) {
            continue;
        }
        std::string object = NameFromField(nameField.data());
        LogMessage(run.log, v, 9, "Objectname :", object);
        if (hasProperties != 0 && GroupListsUser(scan, object, type)) {
            return true;
        }
    }
}

}  // namespace rivel
