// NetWare support seen through the built program: the test client library loaded under the
// client's file names (found through LD_LIBRARY_PATH, or in the program's own directory on
// Windows), the loader's messages, the login values and the membership tests of a CMD file.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <vector>

#include "rivel_runner.h"

namespace rivel_test {
namespace {

namespace fs = std::filesystem;

bool Has(const std::string& text, const std::string& piece) {
    return text.find(piece) != std::string::npos;
}

size_t Count(const std::string& text, const std::string& piece) {
    size_t n = 0;
    for (size_t at = text.find(piece); at != std::string::npos; at = text.find(piece, at + 1)) {
        ++n;
    }
    return n;
}

// One log line as the message log writes it.
std::string Msg(std::string label, const std::string& text = "") {
    if (label.size() < 30) {
        label.append(30 - label.size(), ' ');
    }
    return label + text + "\n";
}

// A copy of the program in a folder of its own, beside the client libraries a test installs.
class NetWareRig {
  public:
    NetWareRig() : bin_(dir_ / "bin"), program_(bin_ / RivelPath().filename()) {
        fs::create_directories(bin_);
        fs::create_directories(dir_ / "tmp");
        fs::copy_file(RivelPath(), program_);
        Env("LD_LIBRARY_PATH", bin_.string());
        Env("TEMP", (dir_ / "tmp").string());
    }

    // Installs a build variant of the test client under a client file name.
    void Install(const std::string& variant, const std::string& fileName) {
        fs::copy_file(RivelPath().parent_path() / "nwclient" / (variant + ".dll"), bin_ / fileName);
    }

    // The same in the folder the program runs in.
    void InstallInWorkingFolder(const std::string& variant, const std::string& fileName) {
        fs::copy_file(RivelPath().parent_path() / "nwclient" / (variant + ".dll"), dir_ / fileName);
    }

    // The data that a variant answers from (each variant reads its own variable).
    void Data(const std::string& text, const std::string& variable = "RIVEL_NWCLIENT_DATA") {
        fs::path file = dir_ / (variable + ".txt");
        WriteFile(file, text);
        Env(variable, file.string());
    }

    // Applies the CMD file to an INI file holding iniText; the INI file afterwards in ini.
    // Applies the CMD file to an empty INI file, read back into ini. options: the verbosity,
    // and "/!" where a test compares the whole log.
    RunResult Run(const std::string& cmd, std::vector<std::string> options) {
        WriteFile(dir_ / "WIN.INI", "");
        WriteFile(dir_ / "SETUP.CMD", cmd);
        options.insert(options.end(), {"WIN.INI", "SETUP.CMD"});
        RunResult r = RunArgs(options);
        ini = Lf(ReadFile(dir_ / "WIN.INI"));
        return r;
    }

    RunResult RunArgs(const std::vector<std::string>& args) {
        RunResult r = RunProgram(program_, args, dir_.path());
        r.err = Lf(r.err);
        return r;
    }

    fs::path operator/(const std::string& name) const { return dir_ / name; }

    std::string ini;

  private:
    void Env(const std::string& name, const std::string& value) {
        env_.push_back(std::make_unique<ScopedEnv>(name, value));
    }

    ScratchDir dir_;
    fs::path bin_;
    fs::path program_;
    std::vector<std::unique_ptr<ScopedEnv>> env_;
};

const char* const kValuesCmd =
    "+[nw]login=$(_NW_LOGINNAME)\n"
    "+[nw]full=$(_NW_FULLNAME)\n"
    "+[nw]time=$(_NW_LOGINTIME)\n"
    "+[nw]conn=$(_NW_CONNECTION)\n"
    "+[nw]id=$(_NW_OBJID)\n"
    "+[nw]nic=$(_NW_NICADDR)\n"
    "+[nw]net=$(_NW_INETADDR)\n"
    "IFMEMBER staff +[nw]staff=1\n"
    "IFNMEMBER staff +[nw]notStaff=1\n"
    "IF MEMBER OF STAFF\n+[nw]staffBlock=1\nENDIF\n";

const char* const kFailedValues =
    "[nw]\nlogin=GET_INFO_FAILED\nfull=GET_INFO_FAILED\ntime=GET_INFO_FAILED\n"
    "conn=GET_INFO_FAILED\nid=GET_INFO_FAILED\nnic=GET_INFO_FAILED\nnet=GET_INFO_FAILED\n"
    "notStaff=1\n";

const char* const kAlice =
    "user 1A2B\n"
    "connection 12\n"
    "time 96 6 1 7 5 9 6\n"
    "network 0000ABCD\n"
    "node 02608C123456\n"
    "object 1A2B 1 ALICE\n"
    "fullname 1A2B Alice Example\n";

const std::string kAliceInStaff =
    std::string(kAlice) + "object 2001 2 STAFF\nmembers 2001 2 1A2B\n";

TEST(NetWare, WithoutAClientLibraryEveryValueFails) {
    NetWareRig rig;
    RunResult r = rig.Run(kValuesCmd, {"/v6"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(rig.ini, kFailedValues);
    // The loader says only that the second library is missing.
    EXPECT_TRUE(Has(r.err, Msg("Load NETWIN32.DLL failed")));
    EXPECT_FALSE(Has(r.err, "CALWIN32"));
    EXPECT_FALSE(Has(r.err, "NWCallsInit"));
    // Seven values and three membership tests.
    EXPECT_EQ(Count(r.err, Msg("Netware support not working")), 10u);
}

// A client library in the folder the program runs in (a shared folder of command files, say) is
// never loaded: only the places a library is installed in are searched.
TEST(NetWare, AClientLibraryInTheWorkingFolderIsNotLoaded) {
    NetWareRig rig;
    rig.InstallInWorkingFolder("nwclient", "CALWIN32.DLL");
    rig.InstallInWorkingFolder("nwclient", "NETWIN32.DLL");
    rig.Data(kAlice);
    RunResult r = rig.Run(kValuesCmd, {"/v6"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(rig.ini, kFailedValues);
    EXPECT_TRUE(Has(r.err, Msg("Load NETWIN32.DLL failed"))) << r.err;
}

TEST(NetWare, CalwinLoadedGivesEveryValue) {
    NetWareRig rig;
    rig.Install("nwclient", "CALWIN32.DLL");
    rig.Install("nwclient_second", "NETWIN32.DLL");  // never reached
    rig.Data(kAliceInStaff);
    RunResult r = rig.Run(kValuesCmd, {"/v99"});
    EXPECT_EQ(rig.ini,
              "[nw]\nlogin=ALICE\nfull=Alice Example\ntime=96/06/01 - 07:05:09\nconn=12\n"
              "id=1A2B\nnic=268C123456\nnet=00ABCD\nstaff=1\nstaffBlock=1\n");
    // Loaded before the banner, released at the very end.
    std::string start = Msg("Load CALWIN32.DLL OK") + Msg("NWCallsInit: OK") +
                        Msg("Full netware support OK", "all functions found");
    EXPECT_EQ(r.err.rfind(start, 0), 0u) << r.err;
    EXPECT_FALSE(Has(r.err, "NETWIN32"));
    size_t end = r.err.size() - Msg("Free Netware Library").size();
    EXPECT_EQ(r.err.substr(end), Msg("Free Netware Library"));
    EXPECT_TRUE(Has(r.err, Msg("Ismemeber of : ", "staff") + Msg("Login name: ", "ALICE") +
                               Msg("Scanning for : ", "STAFF") + Msg("Objectname :", "STAFF") +
                               Msg("Buffer contains: ", "ALICE")));
}

TEST(NetWare, NetwinServesWhenCalwinCannotInitialise) {
    NetWareRig rig;
    rig.Install("nwclient", "CALWIN32.DLL");
    rig.Install("nwclient_second", "NETWIN32.DLL");
    rig.Data(std::string(kAlice) + "fail NWCallsInit 8801\n");
    rig.Data("user 7\nobject 7 1 BOB\nconnection 3\n", "RIVEL_NWCLIENT2_DATA");
    RunResult r = rig.Run("+[nw]login=$(_NW_LOGINNAME)\n+[nw]conn=$(_NW_CONNECTION)\n", {"/v1"});
    EXPECT_EQ(rig.ini, "[nw]\nlogin=BOB\nconn=3\n");
    EXPECT_EQ(r.err.rfind(Msg("NWCallsInit: failed ") + Msg("NWCallsInit: OK ", "stage 2"), 0), 0u)
        << r.err;
}

TEST(NetWare, CalwinWithoutInitIsLeftForNetwin) {
    NetWareRig rig;
    rig.Install("nwclient_no_callsinit", "CALWIN32.DLL");
    rig.Data(kAlice);
    RunResult r = rig.Run(kValuesCmd, {"/v6"});
    EXPECT_EQ(rig.ini, kFailedValues);
    EXPECT_EQ(r.err.rfind(Msg("NWCallsInit function not found", " in loaded DLL") +
                              Msg("NWCallsInit: failed ") + Msg("Load NETWIN32.DLL failed"),
                          0),
              0u)
        << r.err;

    // The same library as NETWIN32.DLL ends the search.
    NetWareRig second;
    second.Install("nwclient_no_callsinit", "NETWIN32.DLL");
    r = second.Run(kValuesCmd, {"/v1"});
    EXPECT_EQ(second.ini, kFailedValues);
    EXPECT_EQ(r.err.rfind(Msg("NWCallsInit function not found", " in NETWIN32.DLL"), 0), 0u)
        << r.err;

    NetWareRig failing;
    failing.Install("nwclient", "NETWIN32.DLL");
    failing.Data(std::string(kAlice) + "fail NWCallsInit 1\n");
    r = failing.Run(kValuesCmd, {"/v1"});
    EXPECT_EQ(failing.ini, kFailedValues);
    EXPECT_EQ(r.err.rfind(Msg("NWCallsInit: failed ", "in NETWIN32.DLL"), 0), 0u) << r.err;
}

TEST(NetWare, AMissingEntryPointLeavesTheProgramWithoutSupport) {
    NetWareRig rig;
    rig.Install("nwclient_no_scanproperty", "CALWIN32.DLL");
    rig.Install("nwclient_second", "NETWIN32.DLL");
    rig.Data(kAlice);
    rig.Data(kAlice, "RIVEL_NWCLIENT2_DATA");
    RunResult r = rig.Run(kValuesCmd, {"/v99"});
    EXPECT_EQ(rig.ini, kFailedValues);
    EXPECT_TRUE(Has(r.err, Msg("NWCallsInit: OK") + Msg("pNWScanProperty", "function not found")));
    // The other library is not tried, later names are not looked up, nothing is left to free.
    EXPECT_FALSE(Has(r.err, "NETWIN32"));
    EXPECT_FALSE(Has(r.err, "NWLongSwap"));
    EXPECT_FALSE(Has(r.err, "Free Netware Library"));
    EXPECT_TRUE(Has(r.err, Msg("Netware support not working")));
}

// Members as hexadecimal IDs, 32 to a 128-byte segment.
std::string Members(const std::string& group, int flags, const std::vector<std::string>& ids) {
    std::string line = "members " + group + " " + std::to_string(flags);
    for (const auto& id : ids) {
        line += " " + id;
    }
    return line + "\n";
}

TEST(NetWare, MembershipOverSegmentsAndGroups) {
    NetWareRig rig;
    rig.Install("nwclient", "CALWIN32.DLL");
    std::vector<std::string> staff(70, "0");
    staff[2] = "11";
    staff[31] = "DEAD";  // a deleted user: the last lookup of the first segment fails
    staff[40] = "12";
    staff[69] = "1A2B";  // third segment
    std::string data = std::string(kAlice) +
                       "object 11 1 ANN\nobject 12 1 BEN\nobject 2001 2 STAFF\n"
                       "object 2002 2 STAFF_EAST\nobject 2003 2 STAFF_WEST\n"
                       "object 2004 2 ADMINS\nobject 2005 2 PRINTERS\n";
    data += Members("2001", 2, staff);
    data += Members("2002", 2, {"11", "12"});
    data += Members("2003", 2, {"0", "0", "1A2B"});
    data += Members("2004", 2, {"11"});
    data += Members("2005", 0, {"1A2B"});  // not a set: its bytes are shown as they are
    rig.Data(data);
    RunResult r = rig.Run(
        "IFMEMBER STAFF +[g]staff=1\n"
        "IFMEMBER staff_east +[g]east=1\n"
        "IFMEMBER STAFF_W?ST +[g]west=1\n"
        "IF MEMBER OF ADMINS OR MEMBER OF STAFF_E*\n+[g]admins=1\nENDIF\n"
        "IF MEMBER OF STAFF_* AND NOT MEMBER OF NOBODY\n+[g]anyStaff=1\nENDIF\n"
        "IFNMEMBER PRINTERS +[g]printers=no\n",
        {"/v1", "/!"});
    EXPECT_EQ(rig.ini, "[g]\nstaff=1\nwest=1\nanyStaff=1\nprinters=no\n");
    EXPECT_EQ(r.err, Msg("NWGetObjectName:failed ", "89fc"));
    std::string expected;
    for (int i = 0; i < 128; ++i) {
        static const char* const first[] = {"00 ", "00 ", "1a ", "2b "};
        expected += i < 4 ? first[i] : "00 ";
        if (i % 16 == 15) {
            expected += "\n\t\t";
        }
    }
    EXPECT_EQ(Lf(r.out), expected);
}

TEST(NetWare, ValueFailuresOfAWorkingClient) {
    NetWareRig rig;
    rig.Install("nwclient", "CALWIN32.DLL");
    rig.Data(kAliceInStaff + "fail NWGetInetAddr 8801\nfail NWGetObjectName 89FC\n");
    RunResult r = rig.Run(
        "+[nw]nic=$(_NW_NICADDR)\n+[nw]net=$(_NW_INETADDR)\n+[nw]full=$(_NW_FULLNAME)\n"
        "IFMEMBER STAFF +[nw]staff=1\n",
        {"/v9"});
    EXPECT_EQ(rig.ini,
              "[nw]\nnic=GET_INET_FAILED\nnet=GET_INET_FAILED\n"
              "full=Get_Object_Name failed\n");
    EXPECT_EQ(Count(r.err, Msg("GetInternetAddr failed")), 2u);
    EXPECT_EQ(Count(r.err, Msg("NWGetObjectName:failed ", "89fc")), 2u);

    NetWareRig noConnection;
    noConnection.Install("nwclient", "CALWIN32.DLL");
    noConnection.Data(std::string(kAlice) + "fail NWGetConnectionNumber 8801\n");
    r = noConnection.Run("+[nw]id=$(_NW_OBJID)\nIFMEMBER STAFF +[nw]staff=1\n", {"/v1", "/!"});
    EXPECT_EQ(noConnection.ini, "[nw]\nid=GET_INFO_FAILED\n");
    EXPECT_EQ(r.err, Msg("NWGetConnectionNumber: failed 8801") +
                         Msg("NWGetConnectionNumber: failed 8801"));
}

TEST(NetWare, BundledLoginScript) {
    NetWareRig rig;
    rig.Install("nwclient", "CALWIN32.DLL");
    for (const char* name : {"LOGIN.INI", "LOGIN.CMD", "NWCLIENT.TXT"}) {
        fs::copy_file(ExamplesDir() / name, rig / name);
    }
    rig.Data(ReadFile(rig / "NWCLIENT.TXT"));
    RunResult r = rig.RunArgs({"/v1", "LOGIN.INI", "LOGIN.CMD"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(Lf(ReadFile(rig / "LOGIN.INI")),
              "[User]\nName=JDOE\nFullName=John Doe\nLoginTime=96/06/01 - 07:05:09\n"
              "Station=00ABCD:268C123456\nConnection=12\n\n"
              "[Mail]\nServer=FS-MAIN\n\n"
              "[Tools]\nConsole=rconsole.exe\n\n"
              "[Printers]\nDefault=STAFF-LASER\n");
}

}  // namespace
}  // namespace rivel_test
