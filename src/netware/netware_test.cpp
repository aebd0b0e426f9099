#include "netware/netware.h"
#include "netware/netware_binding.h"

#include <gtest/gtest.h>

#include <cstring>

#include "base/test_support.h"
#include "netware_client/netware_client.h"

namespace rivel {
namespace {

using testing_support::Has;
using testing_support::Msg;
using testing_support::Verbose;

// A binding whose entry points are the test client's, linked into this program.
NetWareState ClientState() {
    NetWareState s;
    s.calls = NetWareCalls{&NWCallsInit,
                           &NWGetDefaultConnectionID,
                           &NWGetConnectionNumber,
                           &NWGetConnectionInformation,
                           &NWGetObjectName,
                           &NWReadPropertyValue,
                           &NWGetInetAddr,
                           &NWScanObject,
                           &NWScanProperty,
                           &NWLongSwap,
                           &NWWordSwap};
    s.fullSupport = true;
    return s;
}

const char* const kLogin =
    "user 101\n"
    "connection 12\n"
    "time 96 6 1 7 5 9 6\n"
    "network 0000ABCD\n"
    "node 02608C123456\n"
    "object 101 1 ALICE\n"
    "fullname 101 Alice Example\n";

class NetWareQueries : public ::testing::Test {
  protected:
    void SetUp() override { run.netware = std::make_shared<NetWareState>(ClientState()); }
    void Use(const std::string& data) { netware_client::UseData(data); }
    std::string Log() { return TakeLogCapture(run.log); }

    RunContext run;
    RunOptions quiet = Verbose(0);
};

std::uint8_t* Bytes(std::initializer_list<int> values) {
    static std::uint8_t bytes[8];
    int i = 0;
    for (int v : values) {
        bytes[i++] = static_cast<std::uint8_t>(v);
    }
    return bytes;
}

TEST(NetWareLayouts, ObjectIDDropsLeadingZeros) {
    EXPECT_EQ(ObjectIDText(0x0000012A), "12A");
    EXPECT_EQ(ObjectIDText(0x00010000), "10000");
    EXPECT_EQ(ObjectIDText(0x89ABCDEF), "89ABCDEF");
    EXPECT_EQ(ObjectIDText(0), "");
}

TEST(NetWareLayouts, NetworkNumberDropsAtMostTwoZeros) {
    EXPECT_EQ(NetworkNumberText(Bytes({0, 0, 0, 1})), "000001");
    EXPECT_EQ(NetworkNumberText(Bytes({0, 0, 0xAB, 0xCD})), "00ABCD");
    EXPECT_EQ(NetworkNumberText(Bytes({0x01, 0x23, 0xAB, 0xCD})), "123ABCD");
    EXPECT_EQ(NetworkNumberText(Bytes({0x12, 0x34, 0x56, 0x78})), "12345678");
    EXPECT_EQ(NetworkNumberText(Bytes({0, 0, 0, 0})), "000000");
}

TEST(NetWareLayouts, NodeAddressTakesTheFirstPairFromItsShortPrintout) {
    EXPECT_EQ(NodeAddressText(Bytes({0x00, 0x00, 0x1B, 0x12, 0x34, 0x56})), "001B123456");
    EXPECT_EQ(NodeAddressText(Bytes({0x02, 0x60, 0x8C, 0x12, 0x34, 0x56})), "268C123456");
    EXPECT_EQ(NodeAddressText(Bytes({0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC})), "1256789ABC");
    EXPECT_EQ(NodeAddressText(Bytes({0x00, 0x1B, 0x00, 0x00, 0x00, 0x01})), "1B00000001");
    // A first pair below 16 still gives two digits: ten characters in every case.
    EXPECT_EQ(NodeAddressText(Bytes({0x00, 0x05, 0xAA, 0xBB, 0xCC, 0xDD})), "05AABBCCDD");
}

TEST_F(NetWareQueries, ValuesOfTheDefaultConnection) {
    Use(kLogin);
    RunOptions o = Verbose(9);
    StartLogCapture(run.log);
    EXPECT_EQ(GetNWLoginName(run, o), "ALICE");
    EXPECT_EQ(GetNWFullName(run, o), "Alice Example");
    EXPECT_EQ(Log(), Msg("Login name: ", "ALICE") + Msg("Full name: ", "Alice Example"));
    EXPECT_EQ(GetNWLoginTime(run, o), "96/06/01 - 07:05:09");
    EXPECT_EQ(GetNWConnection(run, o), "12");
    EXPECT_EQ(GetNWObjectID(run, o), "101");
    EXPECT_EQ(GetNWNicAddress(run, o), "268C123456");
    EXPECT_EQ(GetNWInetAddress(run, o), "00ABCD");
}

TEST_F(NetWareQueries, FailuresGiveTheirTexts) {
    // Without support every query stops at once.
    RunOptions o = Verbose(1);
    RunContext none;
    StartLogCapture(none.log);
    EXPECT_EQ(GetNWConnection(none, o), "GET_INFO_FAILED");
    EXPECT_FALSE(IsGroupMember(none, o, "STAFF"));
    EXPECT_EQ(TakeLogCapture(none.log),
              Msg("Netware support not working") + Msg("Netware support not working"));
    run.netware->fullSupport = false;
    StartLogCapture(run.log);
    EXPECT_EQ(GetNWObjectID(run, o), "GET_INFO_FAILED");
    EXPECT_EQ(Log(), Msg("Netware support not working"));
    run.netware->fullSupport = true;

    Use(std::string(kLogin) + "fail NWGetConnectionNumber 8801\n");
    StartLogCapture(run.log);
    EXPECT_EQ(GetNWLoginName(run, o), "GET_INFO_FAILED");
    EXPECT_EQ(Log(), Msg("NWGetConnectionNumber: failed 8801"));

    Use(std::string(kLogin) + "fail NWCallsInit 1\n");
    EXPECT_EQ(GetNWLoginTime(run, quiet), "GET_INFO_FAILED");
    Use(std::string(kLogin) + "fail NWGetConnectionInformation 1\n");
    EXPECT_EQ(GetNWConnection(run, quiet), "GET_INFO_FAILED");

    Use(std::string(kLogin) + "fail NWGetInetAddr 8801\n");
    o = Verbose(9);
    StartLogCapture(run.log);
    EXPECT_EQ(GetNWInetAddress(run, o), "GET_INET_FAILED");
    EXPECT_EQ(GetNWNicAddress(run, o), "GET_INET_FAILED");
    EXPECT_EQ(GetNWConnection(run, o), "12");
    EXPECT_EQ(Log(), Msg("GetInternetAddr failed") + Msg("GetInternetAddr failed"));

    Use(std::string(kLogin) + "fail NWGetObjectName 89FC\n");
    StartLogCapture(run.log);
    EXPECT_EQ(GetNWFullName(run, o), "Get_Object_Name failed");
    EXPECT_EQ(Log(), Msg("NWGetObjectName:failed ", "89fc"));
    Use("user 102\nobject 102 1 BOB\n");
    StartLogCapture(run.log);
    EXPECT_EQ(GetNWFullName(run, o), "Read_Property failed");
    EXPECT_EQ(Log(), Msg("NWReadProperty failed", "BOB"));
}

TEST_F(NetWareQueries, FullNameOfAFullSegmentEndsAtItsEnd) {
    std::string name(200, 'x');
    Use("user 101\nobject 101 1 ALICE\nfullname 101 " + name + "\n");
    EXPECT_EQ(GetNWFullName(run, quiet), std::string(128, 'x'));
}

// Members are written as hexadecimal IDs, 32 to a segment.
std::string Members(const std::string& group, const std::vector<std::string>& ids) {
    std::string line = "members " + group + " 2";
    for (const auto& id : ids) {
        line += " " + id;
    }
    return line + "\n";
}

const char* const kDirectory =
    "user 105\n"
    "object 101 1 ANN\n"
    "object 102 1 BEN\n"
    "object 105 1 Eve\n"
    "object 201 2 STAFF\n"
    "object 202 2 STUDENTS\n"
    "object 203 1 STRAY\n";

TEST_F(NetWareQueries, MembershipReadsEverySegmentOfEveryMatchingGroup) {
    std::vector<std::string> staff(40, "0");
    staff[0] = "101";
    staff[5] = "102";
    staff[39] = "105";  // in the second segment, after zero entries
    Use(std::string(kDirectory) + Members("201", staff));
    EXPECT_TRUE(IsGroupMember(run, quiet, "staff"));
    EXPECT_FALSE(IsGroupMember(run, quiet, "STUDENTS"));

    // The second matching group lists the user; the first does not.
    Use(std::string(kDirectory) + Members("201", {"101"}) + Members("202", {"102", "105"}));
    RunOptions o = Verbose(9);
    StartLogCapture(run.log);
    EXPECT_TRUE(IsGroupMember(run, o, "ST*"));
    std::string log = Log();
    EXPECT_TRUE(Has(log, Msg("Scanning for : ", "ST*")));
    EXPECT_TRUE(Has(log, Msg("Objectname :", "STAFF") + Msg("Buffer contains: ", "ANN") +
                             Msg("Objectname :", "STUDENTS") + Msg("Buffer contains: ", "BEN") +
                             Msg("Buffer contains: ", "Eve")));
    EXPECT_FALSE(Has(log, "STRAY"));  // a user object, not a group

    // Member names are compared with their case.
    Use(std::string(kDirectory) + "object 106 1 EVE\n" + Members("201", {"106"}));
    EXPECT_FALSE(IsGroupMember(run, quiet, "STAFF"));
}

TEST_F(NetWareQueries, AFailedNameLookupDoesNotEndTheList) {
    // 109 names no object (a deleted user): it is the last lookup of the first segment.
    std::vector<std::string> ids(33, "0");
    ids[31] = "109";
    ids[32] = "105";
    Use(std::string(kDirectory) + Members("201", ids));
    RunOptions o = Verbose(1);
    StartLogCapture(run.log);
    EXPECT_TRUE(IsGroupMember(run, o, "STAFF"));
    EXPECT_EQ(Log(), Msg("NWGetObjectName:failed ", "89fc"));
}

TEST_F(NetWareQueries, WithoutALoginNameNobodyIsAMember) {
    std::string data = std::string(kDirectory) + "object 301 1 GET_INFO_FAILED\n" +
                       Members("201", {"301", "105"}) + "fail NWGetConnectionInformation 1\n";
    Use(data);
    RunOptions o = Verbose(1);
    StartLogCapture(run.log);
    EXPECT_FALSE(IsGroupMember(run, o, "STAFF"));
    EXPECT_EQ(Log(), Msg("NWGetConnectionInformation: failed"));
}

TEST_F(NetWareQueries, MembershipFailuresAreFalse) {
    std::string data = std::string(kDirectory) + Members("201", {"105"});
    Use(data + "fail NWScanProperty 89FB\n");
    EXPECT_FALSE(IsGroupMember(run, quiet, "STAFF"));
    Use(data + "fail NWReadPropertyValue 89EC\n");
    EXPECT_FALSE(IsGroupMember(run, quiet, "STAFF"));
    Use(data);
    EXPECT_FALSE(IsGroupMember(run, quiet, "NOSUCHGROUP"));
    RunOptions o = Verbose(3);
    StartLogCapture(run.log);
    EXPECT_FALSE(IsGroupMember(run, o, std::string(48, 'S')));
    EXPECT_EQ(Log(), Msg("Group name too long : ", std::string(48, 'S')));
    EXPECT_TRUE(IsGroupMember(run, quiet, std::string("STAFF")));
}

TEST_F(NetWareQueries, AClientThatNeverEndsAScanIsLeft) {
    std::string data = std::string(kDirectory) + Members("201", {"101"});
    for (const char* call : {"NWScanObject", "NWScanProperty", "NWReadPropertyValue"}) {
        Use(data + "endless " + call + "\n");
        EXPECT_FALSE(IsGroupMember(run, quiet, "STAFF")) << call;
    }
    Use(std::string(kDirectory) + Members("201", {"105"}) + "endless NWReadPropertyValue\n");
    EXPECT_TRUE(IsGroupMember(run, quiet, "STAFF"));
}

// A client that cycles through earlier positions instead of ending its scan. Every call is
// counted; after kRunaway calls it gives up by itself, so that a loop that does not notice the
// cycle ends the test instead of hanging it.
constexpr int kRunaway = 1000;
int scanCalls = 0;

NWCompletionCode RIVEL_LIBRARY_CALL CyclingScanObject(NWConnectionHandle, const char*,
                                                      std::uint16_t, std::uint32_t* objectID,
                                                      char* objectName, std::uint16_t* objectType,
                                                      std::uint8_t* hasProperties,
                                                      std::uint8_t* objectFlags,
                                                      std::uint8_t* objectSecurity) {
    if (++scanCalls > kRunaway) {
        return 0x89FC;
    }
    // Two objects that each name the other as the next one.
    *objectID = *objectID == 1 ? 2 : 1;
    std::memset(objectName, 0, kNWNameSize);
    std::memcpy(objectName, "STAFF", 5);
    *objectType = NWWordSwap(2);
    *hasProperties = 0xFF;
    *objectFlags = 0;
    *objectSecurity = 0;
    return 0;
}

NWCompletionCode RIVEL_LIBRARY_CALL CyclingScanProperty(
    NWConnectionHandle, const char*, std::uint16_t, const char*, std::uint32_t* sequence,
    char* propertyName, std::uint8_t* propertyFlags, std::uint8_t* propertySecurity,
    std::uint8_t* hasValue, std::uint8_t* moreProperties) {
    if (++scanCalls > kRunaway) {
        return 0x89FB;
    }
    // Positions 7, 8, 9, then 8 again: a cycle that does not start at the first position.
    *sequence = *sequence == 0xFFFFFFFF ? 7 : *sequence == 9 ? 8 : *sequence + 1;
    std::memset(propertyName, 0, kNWNameSize);
    std::memcpy(propertyName, "GROUP_MEMBERS", 13);
    *propertyFlags = 2;
    *propertySecurity = 0;
    *hasValue = 0xFF;
    *moreProperties = 0xFF;
    return 0;
}

TEST_F(NetWareQueries, AClientThatComesBackToAnEarlierPositionIsLeft) {
    // The user (105) is not listed, so only the end of the scans ends the test.
    Use(std::string(kDirectory) + Members("201", {"101"}));
    run.netware->calls.NWScanObject = &CyclingScanObject;
    scanCalls = 0;
    EXPECT_FALSE(IsGroupMember(run, quiet, "STAFF"));
    EXPECT_LT(scanCalls, 10);

    run.netware->calls.NWScanObject = &NWScanObject;
    run.netware->calls.NWScanProperty = &CyclingScanProperty;
    scanCalls = 0;
    EXPECT_FALSE(IsGroupMember(run, quiet, "STAFF"));
    EXPECT_LT(scanCalls, 10);
}

}  // namespace
}  // namespace rivel
