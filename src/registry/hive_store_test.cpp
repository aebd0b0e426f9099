#include "registry/hive_store.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "registry/hive_file.h"
#include "registry/hive_text.h"
#include "registry/registry_ops.h"

namespace rivel {
namespace {

namespace fs = std::filesystem;

std::string Read(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void Write(const fs::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

const char kSystem[] =
    "WINE REGISTRY Version 2\n"
    ";; All keys relative to \\\\Machine\n"
    "\n"
    "#arch=win64\n"
    "\n"
    "[Software\\\\Firm\\\\App] 1796619566\n"
    "#time=1dd8607bb8e5c92\n"
    "@=\"default value\"\n"
    "\"Blob\"=hex:01,ab,ff\n"
    "\"Count\"=dword:0000ffff\n"
    "\"List\"=str(7):\"one\\0two\\0\"\n"
    "\"Name\"=\"text with \\\"quotes\\\" and C:\\\\path \\xe9\\x20ac\"\n"
    "\"Path\"=str(2):\"%SystemRoot%\\\\system32\"\n"
    "\n"
    "[Software\\\\Firm\\\\Other] 1796619566\n"
    "#time=1dd8607bb8e5c92\n"
    "\"Long\"=hex(b):00,01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,12,13,14,15,16,\\\n"
    "  17,18\n"
    "\n"
    "[Software\\\\Zeta] 1796619566\n"
    "#time=1dd8607bb8e5c92\n";

class Store : public ::testing::Test {
  protected:
    void SetUp() override {
        dir = fs::temp_directory_path() /
              ("rivel_hive_test_" + std::to_string(reinterpret_cast<uintptr_t>(this)));
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }

    std::shared_ptr<RegistryService> Open() {
        return OpenHiveStore(dir.string(),
                             [this](int level, const std::string& label, const std::string& text) {
                                 reports += std::to_string(level) + " " + label + " " + text + "\n";
                             });
    }

    std::string Query(RegistryService& reg, RegKey root, const std::string& path,
                      const std::string& name, uint32_t* type = nullptr) {
        RegKey key = 0;
        if (reg.OpenKey(root, path, RegAccess::QueryValue, key) != kErrorSuccess) {
            return "<no key>";
        }
        uint32_t t = 0;
        std::string data;
        long rc = reg.QueryValue(key, name, 1024, t, data);
        reg.CloseKey(key);
        if (type != nullptr) {
            *type = t;
        }
        return rc == kErrorSuccess ? data : "<no value>";
    }

    fs::path dir;
    std::string reports;
};

TEST_F(Store, ReadsEveryValueFormAsTheAnsiFunctionsGiveIt) {
    Write(dir / "system.reg", kSystem);
    auto reg = Open();
    uint32_t type = 0;
    EXPECT_EQ(Query(*reg, kHkeyLocalMachine, "software\\FIRM\\app", "", &type),
              std::string("default value\0", 14));
    EXPECT_EQ(type, kRegSz);
    EXPECT_EQ(Query(*reg, kHkeyLocalMachine, "Software\\Firm\\App", "name"),
              std::string("text with \"quotes\" and C:\\path \xe9\x80") + '\0');
    EXPECT_EQ(Query(*reg, kHkeyLocalMachine, "Software\\Firm\\App", "Count", &type),
              std::string("\xff\xff\0\0", 4));
    EXPECT_EQ(type, kRegDword);
    EXPECT_EQ(Query(*reg, kHkeyLocalMachine, "Software\\Firm\\App", "List", &type),
              std::string("one\0two\0\0", 9));
    EXPECT_EQ(type, kRegMultiSz);
    EXPECT_EQ(Query(*reg, kHkeyLocalMachine, "Software\\Firm\\Other", "Long", &type).size(), 25u);
    EXPECT_EQ(type, 0xbu);

    RegKey app = 0;
    ASSERT_EQ(reg->OpenKey(kHkeyLocalMachine, "Software\\Firm\\App", RegAccess::Read, app), 0);
    std::string names;
    std::string name;
    std::string data;
    for (uint32_t i = 0; reg->EnumValue(app, i, 1024, name, type, data) == kErrorSuccess; ++i) {
        names += "[" + name + "]";
    }
    EXPECT_EQ(names, "[][Blob][Count][List][Name][Path]");
    EXPECT_EQ(reg->EnumValue(app, 0, 4, name, type, data), kErrorMoreData);
    reg->CloseKey(app);
    RegKey firm = 0;
    ASSERT_EQ(reg->OpenKey(kHkeyLocalMachine, "Software\\Firm", RegAccess::Read, firm), 0);
    EXPECT_EQ(reg->EnumKey(firm, 1, name), kErrorSuccess);
    EXPECT_EQ(name, "Other");
    EXPECT_EQ(reg->EnumKey(firm, 2, name), kErrorNoMoreItems);
    reg->CloseKey(firm);
    EXPECT_EQ(reports, "");
}

TEST_F(Store, WritesOnlyTheChangedKeyAnewAndOnlyTheChangedFile) {
    Write(dir / "system.reg", kSystem);
    auto reg = Open();
    EXPECT_EQ(reg->Flush(), kErrorSuccess);  // nothing changed: nothing written
    EXPECT_EQ(Read(dir / "system.reg"), kSystem);

    RegKey other = 0;
    ASSERT_EQ(reg->CreateKey(kHkeyLocalMachine, "Software\\Firm\\Other", other), 0);
    ASSERT_EQ(reg->SetValue(other, "New", kRegSz, std::string("v\0", 2)), 0);
    reg->CloseKey(other);
    ASSERT_EQ(reg->Flush(), kErrorSuccess);
    std::string after = Read(dir / "system.reg");
    std::string text(kSystem);
    size_t start = text.find("[Software\\\\Firm\\\\Other]");
    size_t end = text.find("\n[Software\\\\Zeta]");
    EXPECT_EQ(after.substr(0, start), text.substr(0, start));
    EXPECT_EQ(after.substr(after.find("\n[Software\\\\Zeta]")), text.substr(end));
    std::string block = after.substr(start, after.find("\n[Software\\\\Zeta]") - start);
    EXPECT_NE(block.find("\n#time="), std::string::npos);
    EXPECT_EQ(block.substr(block.find("\"Long\"")),
              "\"Long\"=hex(b):00,01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,12,13,14,"
              "15,16,\\\n  17,18\n\"New\"=\"v\"\n");
    EXPECT_FALSE(fs::exists(dir / "user.reg"));
    EXPECT_FALSE(fs::exists(dir / "userdef.reg"));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);

    // What was written reads back the same.
    auto again = Open();
    EXPECT_EQ(Query(*again, kHkeyLocalMachine, "Software\\Firm\\Other", "new"),
              std::string("v\0", 2));
}

TEST_F(Store, WritesTwiceInOneRunFromTheFileItFirstRead) {
    // After the first write the file read is no longer under its name; the keys not changed
    // since are still copied from it, and a key first loaded after that write is read from it.
    Write(dir / "system.reg", kSystem);
    auto reg = Open();
    RegKey other = 0;
    ASSERT_EQ(reg->CreateKey(kHkeyLocalMachine, "Software\\Firm\\Other", other), 0);
    ASSERT_EQ(reg->SetValue(other, "First", kRegDword, std::string("\x01\0\0\0", 4)), 0);
    ASSERT_EQ(reg->Flush(), kErrorSuccess);
    RegKey app = 0;
    ASSERT_EQ(reg->CreateKey(kHkeyLocalMachine, "Software\\Firm\\App", app), 0);
    ASSERT_EQ(reg->SetValue(app, "Second", kRegDword, std::string("\x02\0\0\0", 4)), 0);
    ASSERT_EQ(reg->Flush(), kErrorSuccess);
    reg->CloseKey(app);
    reg->CloseKey(other);
    const std::string after = Read(dir / "system.reg");
    const std::string text(kSystem);
    EXPECT_EQ(after.substr(after.find("\n[Software\\\\Zeta]")),
              text.substr(text.find("\n[Software\\\\Zeta]")));
    EXPECT_NE(after.find("\"Name\"=\"text with \\\"quotes\\\" and C:\\\\path \\xe9\\x20ac\"\n"),
              std::string::npos)
        << after;
    auto again = Open();
    EXPECT_EQ(Query(*again, kHkeyLocalMachine, "Software\\Firm\\Other", "First"),
              std::string("\x01\0\0\0", 4));
    EXPECT_EQ(Query(*again, kHkeyLocalMachine, "Software\\Firm\\App", "Second"),
              std::string("\x02\0\0\0", 4));
    EXPECT_EQ(Query(*again, kHkeyLocalMachine, "Software\\Firm\\App", "Count"),
              std::string("\xff\xff\0\0", 4));
    EXPECT_EQ(reports, "");
}

TEST_F(Store, RootKeysMapOntoTheirFiles) {
    auto reg = Open();
    RegKey key = 0;
    ASSERT_EQ(reg->CreateKey(kHkeyClassesRoot, ".txt", key), 0);
    ASSERT_EQ(reg->SetValue(key, "", kRegSz, std::string("txtfile\0", 8)), 0);
    reg->CloseKey(key);
    ASSERT_EQ(reg->CreateKey(kHkeyUsers, ".Default\\Control Panel", key), 0);
    ASSERT_EQ(reg->SetValue(key, "Beep", kRegDword, std::string("\1\0\0\0", 4)), 0);
    reg->CloseKey(key);
    ASSERT_EQ(reg->CreateKey(kHkeyCurrentUser, "Software\\Me", key), 0);
    reg->CloseKey(key);
    EXPECT_NE(reg->CreateKey(kHkeyUsers, "Someone\\Else", key), kErrorSuccess);
    EXPECT_NE(reg->OpenKey(kHkeyPerformanceData, "", RegAccess::Read, key), kErrorSuccess);
    ASSERT_EQ(reg->Flush(), kErrorSuccess);

    std::string system = Read(dir / "system.reg");
    EXPECT_EQ(
        system.rfind("WINE REGISTRY Version 2\n;; All keys relative to REGISTRY\\\\Machine\n", 0),
        0u);
    EXPECT_NE(system.find("[Software\\\\Classes\\\\.txt] "), std::string::npos);
    EXPECT_NE(system.find("\n@=\"txtfile\"\n"), std::string::npos);
    EXPECT_NE(Read(dir / "userdef.reg").find("[Control Panel] "), std::string::npos);
    EXPECT_NE(Read(dir / "userdef.reg").find("\"Beep\"=dword:00000001\n"), std::string::npos);
    EXPECT_NE(Read(dir / "user.reg").find("[Software\\\\Me] "), std::string::npos);

    auto again = Open();
    EXPECT_EQ(Query(*again, kHkeyLocalMachine, "Software\\Classes\\.TXT", ""),
              std::string("txtfile\0", 8));
    EXPECT_EQ(Query(*again, kHkeyUsers, "S-1-5-21-0-0-0-1000\\Software\\Me", "x"), "<no value>");
    std::string name;
    EXPECT_EQ(again->EnumKey(kHkeyUsers, 0, name), kErrorSuccess);
    EXPECT_EQ(name, ".Default");
}

TEST_F(Store, DeletesValuesAndLeafKeysOnly) {
    Write(dir / "system.reg", kSystem);
    auto reg = Open();
    RegKey firm = 0;
    ASSERT_EQ(reg->OpenKey(kHkeyLocalMachine, "Software\\Firm", RegAccess::AllAccess, firm), 0);
    RegKey app = 0;
    ASSERT_EQ(reg->OpenKey(firm, "App", RegAccess::AllAccess, app), 0);
    EXPECT_EQ(reg->DeleteValue(app, "BLOB"), kErrorSuccess);
    EXPECT_EQ(reg->DeleteValue(app, "Blob"), kErrorFileNotFound);
    EXPECT_EQ(reg->DeleteKey(kHkeyLocalMachine, "Software\\Firm"), kErrorAccessDenied);
    EXPECT_EQ(reg->DeleteKey(firm, "App"), kErrorSuccess);
    // A handle on a deleted key fails from then on.
    EXPECT_EQ(reg->SetValue(app, "x", kRegSz, "y"), kErrorKeyDeleted);
    EXPECT_EQ(reg->DeleteKey(firm, "Other"), kErrorSuccess);
    reg->CloseKey(app);
    reg->CloseKey(firm);
    ASSERT_EQ(reg->Flush(), kErrorSuccess);
    std::string after = Read(dir / "system.reg");
    EXPECT_EQ(after.find("Blob"), std::string::npos);
    EXPECT_EQ(after.find("App"), std::string::npos);
    // Software\Firm lost its subkeys and is now written as a key of its own.
    EXPECT_NE(after.find("\n\n[Software\\\\Firm] "), std::string::npos);
    EXPECT_NE(after.find("\n\n[Software\\\\Zeta] 1796619566\n#time=1dd8607bb8e5c92\n"),
              std::string::npos);
}

// Names differ in case also in the letters of the ANSI code page beyond Latin-1 (S, OE and Z
// with their lower-case forms, Y with diaeresis): a key or value given in the other case is the
// one already there, as Wine finds it.
TEST_F(Store, LettersOfTheCodePageBeyondLatin1MatchTheirOtherCase) {
    const std::string upper = "\x8a\x8c\x8e\x9f";  // in Windows-1252
    const std::string lower = "\x9a\x9c\x9e\xff";
    auto reg = Open();
    RegKey key = 0;
    ASSERT_EQ(reg->CreateKey(kHkeyCurrentUser, "Software\\" + upper, key), kErrorSuccess);
    ASSERT_EQ(reg->SetValue(key, "v" + upper, kRegSz, std::string("1", 2)), kErrorSuccess);
    reg->CloseKey(key);
    ASSERT_EQ(reg->CreateKey(kHkeyCurrentUser, "Software\\" + lower, key), kErrorSuccess);
    EXPECT_EQ(reg->SetValue(key, "v" + lower, kRegSz, std::string("2", 2)), kErrorSuccess);
    reg->CloseKey(key);
    EXPECT_EQ(Query(*reg, kHkeyCurrentUser, "Software\\" + upper, "v" + upper),
              std::string("2", 2));
    ASSERT_EQ(reg->Flush(), kErrorSuccess);

    auto again = Open();
    ASSERT_EQ(again->OpenKey(kHkeyCurrentUser, "Software\\" + lower, RegAccess::AllAccess, key),
              kErrorSuccess);
    EXPECT_EQ(again->DeleteValue(key, "V" + lower), kErrorSuccess);
    again->CloseKey(key);
    EXPECT_EQ(again->DeleteKey(kHkeyCurrentUser, "Software\\" + lower), kErrorSuccess);
    ASSERT_EQ(again->Flush(), kErrorSuccess);
    const std::string after = Read(dir / "user.reg");
    EXPECT_EQ(after.find("\\x160"), std::string::npos) << after;
    EXPECT_EQ(after.find("\\x161"), std::string::npos) << after;
    EXPECT_EQ(reports, "");
}

// A "#link" key, as Wine makes Software\Wow6432Node\Classes, leads to the key it names: keys and
// values given through it are those of its target, as Wine's own programs see them.
TEST_F(Store, LinkKeysLeadToTheKeyTheyName) {
    std::string target;
    for (char c : std::string("\\Registry\\Machine\\Software\\Classes\\Wow6432Node")) {
        target += (target.empty() ? "" : ",");
        AppendHexByte(target, c);
        target += ",00";
    }
    Write(dir / "system.reg",
          "WINE REGISTRY Version 2\n"
          ";; All keys relative to \\\\Machine\n"
          "\n"
          "#arch=win64\n"
          "\n"
          "[Software\\\\Classes\\\\Wow6432Node\\\\Old] 1796619566\n"
          "#time=1dd8607bb8e5c92\n"
          "\"Gone\"=\"x\"\n"
          "\n"
          "[Software\\\\Wow6432Node\\\\Classes] 1796619566\n"
          "#time=1dd8607bb8e5c92\n"
          "#link\n"
          "\"SymbolicLinkValue\"=hex(6):" +
              target + "\n");
    auto reg = Open();
    EXPECT_EQ(Query(*reg, kHkeyLocalMachine, "Software\\Wow6432Node\\Classes\\Old", "Gone"),
              std::string("x", 2));
    RegKey key = 0;
    ASSERT_EQ(reg->CreateKey(kHkeyLocalMachine, "Software\\Wow6432Node\\Classes\\New", key),
              kErrorSuccess);
    EXPECT_EQ(reg->SetValue(key, "v", kRegSz, std::string("1", 2)), kErrorSuccess);
    reg->CloseKey(key);
    ASSERT_EQ(reg->CreateKey(kHkeyLocalMachine, "Software\\Wow6432Node\\Classes", key),
              kErrorSuccess);
    EXPECT_EQ(reg->SetValue(key, "OnTarget", kRegSz, std::string("2", 2)), kErrorSuccess);
    reg->CloseKey(key);
    EXPECT_EQ(reg->DeleteKey(kHkeyLocalMachine, "Software\\Wow6432Node\\Classes\\Old"),
              kErrorSuccess);
    EXPECT_EQ(Query(*reg, kHkeyLocalMachine, "Software\\Classes\\Wow6432Node\\New", "v"),
              std::string("1", 2));
    EXPECT_EQ(Query(*reg, kHkeyLocalMachine, "Software\\Classes\\Wow6432Node", "OnTarget"),
              std::string("2", 2));
    ASSERT_EQ(reg->Flush(), kErrorSuccess);
    const std::string after = Read(dir / "system.reg");
    EXPECT_NE(after.find("[Software\\\\Classes\\\\Wow6432Node\\\\New] "), std::string::npos)
        << after;
    EXPECT_EQ(after.find("[Software\\\\Wow6432Node\\\\Classes\\\\New]"), std::string::npos)
        << after;
    EXPECT_EQ(after.find("Old"), std::string::npos) << after;
    // The link itself is written back as it was, its value and only it.
    EXPECT_NE(after.find("#link\n\"SymbolicLinkValue\"=hex(6):" + target.substr(0, 20)),
              std::string::npos)
        << after;
    EXPECT_EQ(reports, "");
}

TEST_F(Store, ReadOnlyHandlesCannotWrite) {
    auto reg = Open();
    RegKey key = 0;
    ASSERT_EQ(reg->CreateKey(kHkeyLocalMachine, "Software\\A", key), 0);
    reg->CloseKey(key);
    ASSERT_EQ(reg->OpenKey(kHkeyLocalMachine, "Software\\A", RegAccess::Read, key), 0);
    EXPECT_EQ(reg->SetValue(key, "x", kRegSz, "y"), kErrorAccessDenied);
    RegKey sub = 0;
    EXPECT_EQ(reg->CreateKey(key, "B", sub), kErrorAccessDenied);
    reg->CloseKey(key);
    EXPECT_EQ(reg->CloseKey(key), kErrorInvalidHandle);
}

TEST_F(Store, DamagedFilesAreReportedAndLeftAlone) {
    std::string text(kSystem);
    const std::string damaged[] = {
        text.substr(0, text.size() - 5),                      // cut inside a line
        text.substr(0, text.find("  17,18")),                 // cut inside a continued value
        "WINE REGISTRY Version 1\n",                          // not this format
        "",                                                   // empty
        text + "\"Broken\"=\"no end\n",                       // quote never closed
        text + "\"X\"=dword:12345678912\n",                   // too many digits
        text + "garbage\n",                                   // neither key nor value
        text + "[Software\\\\Zeta] 1\n",                      // key written twice
        std::string("WINE REGISTRY Version 2\n[Unclosed\n"),  // key line without "]"
    };
    for (const std::string& file : damaged) {
        Write(dir / "system.reg", file);
        reports.clear();
        auto reg = Open();
        RegKey key = 0;
        EXPECT_NE(reg->CreateKey(kHkeyLocalMachine, "Software\\New", key), kErrorSuccess);
        EXPECT_NE(reg->OpenKey(kHkeyLocalMachine, "Software", RegAccess::Read, key), kErrorSuccess);
        EXPECT_EQ(reg->Flush(), kErrorSuccess);
        EXPECT_EQ(Read(dir / "system.reg"), file);
        EXPECT_EQ(reports.rfind("1 Registry file damaged", 0), 0u) << reports;
        // Reported once, not for every operation.
        EXPECT_EQ(reports.find('\n'), reports.size() - 1);
    }
}

TEST_F(Store, ConcurrentRunsKeepEachOthersChanges) {
    Write(dir / "system.reg", kSystem);
    auto first = Open();
    auto second = Open();
    RegKey key = 0;
    ASSERT_EQ(first->CreateKey(kHkeyLocalMachine, "Software\\One", key), 0);
    ASSERT_EQ(first->SetValue(key, "a", kRegSz, std::string("1\0", 2)), 0);
    first->CloseKey(key);
    ASSERT_EQ(second->CreateKey(kHkeyLocalMachine, "Software\\Two", key), 0);
    ASSERT_EQ(second->SetValue(key, "b", kRegSz, std::string("2\0", 2)), 0);
    ASSERT_EQ(second->DeleteValue(key, "b"), 0);
    ASSERT_EQ(second->SetValue(key, "c", kRegSz, std::string("3\0", 2)), 0);
    second->CloseKey(key);
    ASSERT_EQ(first->Flush(), kErrorSuccess);
    ASSERT_EQ(second->Flush(), kErrorSuccess);
    auto check = Open();
    EXPECT_EQ(Query(*check, kHkeyLocalMachine, "Software\\One", "a"), std::string("1\0", 2));
    EXPECT_EQ(Query(*check, kHkeyLocalMachine, "Software\\Two", "c"), std::string("3\0", 2));
    EXPECT_EQ(Query(*check, kHkeyLocalMachine, "Software\\Two", "b"), "<no value>");
    EXPECT_EQ(Query(*check, kHkeyLocalMachine, "Software\\Firm\\App", "Blob"),
              std::string("\x01\xab\xff", 3));
}

TEST(HiveFile, ValueContinuedInsideItsNameSurvivesARewrittenKey) {
    // Found by the fuzz target: the name's closing quote is on the continued line.
    Hive hive;
    std::string error;
    ASSERT_TRUE(hive.Parse("WINE REGISTRY Version 2\n\n[A] 1\n\"na\\\n  me\"=\"v\"\n", error));
    HiveKey* key = Hive::FindPath(hive.Root(), u"A");
    ASSERT_NE(key, nullptr);
    hive.LoadValues(*key);
    ASSERT_EQ(key->values.size(), 1u);
    EXPECT_EQ(Hive::NameOf(*key, key->values[0]), u"name");
    HiveValueText added;
    added.name = u"x";
    added.type = kRegDword;
    added.data = std::string(4, '\0');
    Hive::SetValue(*key, added);
    std::string written = hive.Write(1, 2);
    Hive again;
    ASSERT_TRUE(again.Parse(written, error)) << error << "\n" << written;
    HiveKey* back = Hive::FindPath(again.Root(), u"a");
    ASSERT_NE(back, nullptr);
    again.LoadValues(*back);
    ASSERT_EQ(back->values.size(), 2u);
    EXPECT_EQ(again.ValueOf(*back, back->values[0])->data, WideToBytes(std::u16string(u"v\0", 2)));
}

TEST(HiveFile, PlainAndEscapedValueNamesAreFoundAndKeepTheirSpelling) {
    // Plain names are compared as the file holds them, escaped ones once decoded; both kinds
    // must sort and match alike, in a key written in name order and in one that is not.
    const std::string values =
        "\"Alpha\"=\"1\"\n\"b\\\"q\"=\"2\"\n\"Charlie\"=\"3\"\n\"d\\x00e9\"=\"4\"\n";
    const std::string shuffled =
        "\"d\\x00e9\"=\"4\"\n\"Charlie\"=\"3\"\n\"Alpha\"=\"1\"\n\"b\\\"q\"=\"2\"\n";
    for (const std::string& body : {values, shuffled}) {
        Hive hive;
        std::string error;
        ASSERT_TRUE(hive.Parse("WINE REGISTRY Version 2\n\n[K] 1\n" + body, error)) << error;
        HiveKey* key = Hive::FindPath(hive.Root(), u"k");
        ASSERT_NE(key, nullptr);
        hive.LoadValues(*key);
        ASSERT_EQ(key->values.size(), 4u);
        EXPECT_EQ(key->valuesSorted, body == values);
        const std::pair<std::u16string, std::string> expected[] = {
            {u"ALPHA", "1"}, {u"B\"Q", "2"}, {u"charlie", "3"}, {u"D\u00c9", "4"}};
        for (const auto& [name, data] : expected) {
            HiveValue* found = Hive::FindValue(*key, name);
            ASSERT_NE(found, nullptr) << data;
            EXPECT_EQ(hive.ValueOf(*key, *found)->data,
                      WideToBytes(std::u16string(data.begin(), data.end())) + '\0' + '\0');
        }
        EXPECT_EQ(Hive::FindValue(*key, u"Alph"), nullptr);
        EXPECT_EQ(Hive::FindValue(*key, u"Charlies"), nullptr);
        HiveValueText changed{u"CHARLIE", kRegDword, std::string(4, '\x07')};
        Hive::SetValue(*key, changed);
        HiveValueText added{u"Bravo", kRegDword, std::string(4, '\0')};
        Hive::SetValue(*key, added);
        Hive again;
        ASSERT_TRUE(again.Parse(hive.Write(1, 2), error)) << error;
        HiveKey* back = Hive::FindPath(again.Root(), u"K");
        ASSERT_NE(back, nullptr);
        again.LoadValues(*back);
        std::vector<std::u16string> names;
        for (const HiveValue& value : back->values) {
            names.push_back(Hive::NameOf(*back, value));
        }
        std::vector<std::u16string> want = {u"Alpha", u"b\"q", u"Bravo", u"Charlie", u"d\u00e9"};
        if (body == shuffled) {
            want = {u"d\u00e9", u"Charlie", u"Alpha", u"b\"q", u"Bravo"};
        }
        EXPECT_EQ(names, want);
        EXPECT_EQ(again.ValueOf(*back, *Hive::FindValue(*back, u"charlie"))->type, kRegDword);
    }
}

// Text read through the hive's source interface, which can be made to fail from an offset on.
class FailingSource : public HiveSource {
  public:
    explicit FailingSource(std::string text) : text_(std::move(text)) {}
    int64_t ReadAt(uint64_t offset, char* data, size_t size) override {
        ++reads;
        if (offset + size > failFrom) {
            return -1;
        }
        size_t count = offset >= text_.size()
                           ? 0
                           : static_cast<size_t>(std::min<uint64_t>(size, text_.size() - offset));
        std::copy_n(text_.data() + offset, count, data);
        return static_cast<int64_t>(count);
    }
    uint64_t failFrom = ~uint64_t{0};
    int reads = 0;

  private:
    std::string text_;
};

TEST(HiveFile, IsReadInPiecesAndAFailedReadIsNeverTakenForTheEnd) {
    // Lines longer than the piece the file is read in, around keys of ordinary lines; a name
    // longer than a plain name's record can hold.
    const std::string longData(3 << 20, 'x');
    const std::string longName(70000, 'n');
    const std::string text = "WINE REGISTRY Version 2\n;; comment\n\n[A] 1\n\"long\"=\"" +
                             longData + "\"\n\"" + longName +
                             "\"=\"n\"\n\"v\"=dword:00000001\n\n[B] 2\n\"w\"=\"2\"\n\n";
    auto source = std::make_unique<FailingSource>(text);
    FailingSource* reads = source.get();
    Hive hive;
    std::string error;
    ASSERT_TRUE(hive.Parse(std::move(source), error)) << error;
    EXPECT_GT(reads->reads, 3);
    EXPECT_EQ(hive.Write(1, 2), text);  // nothing changed: the same bytes
    HiveKey* a = Hive::FindPath(hive.Root(), u"A");
    ASSERT_NE(a, nullptr);
    ASSERT_TRUE(hive.LoadValues(*a));
    ASSERT_EQ(a->values.size(), 3u);
    EXPECT_EQ(hive.ValueOf(*a, a->values[0])->data.size(), (longData.size() + 1) * 2);
    const std::u16string wideName(longName.begin(), longName.end());
    HiveValue* named = Hive::FindValue(*a, wideName);
    ASSERT_NE(named, nullptr);
    EXPECT_EQ(Hive::NameOf(*a, *named), wideName);
    EXPECT_EQ(hive.ValueOf(*a, *named)->data, std::string("n\0\0\0", 4));

    // The file can no longer be read: the other key cannot be loaded (changing it would lose
    // its values) and the hive cannot be written.
    reads->failFrom = 0;
    HiveKey* b = Hive::FindPath(hive.Root(), u"B");
    ASSERT_NE(b, nullptr);
    EXPECT_FALSE(hive.LoadValues(*b));
    EXPECT_FALSE(b->valuesLoaded);
    Hive::SetValue(*a, HiveValueText{u"v", kRegDword, std::string(4, '\x02')});
    EXPECT_FALSE(hive.WriteTo(1, 2, [](std::string_view) {}));

    // A read that fails part way through the first reading is a read failure, not a short file.
    for (uint64_t failFrom : {uint64_t{100}, uint64_t{2} << 20, uint64_t{text.size() - 3}}) {
        auto failing = std::make_unique<FailingSource>(text);
        failing->failFrom = failFrom;
        Hive broken;
        EXPECT_FALSE(broken.Parse(std::move(failing), error)) << failFrom;
        EXPECT_TRUE(broken.ReadFailed()) << failFrom;
        EXPECT_NE(error.find("cannot be read"), std::string::npos) << error;
    }
    Hive cut;
    EXPECT_FALSE(cut.Parse(text.substr(0, text.size() - 5), error));
    EXPECT_FALSE(cut.ReadFailed());
}

TEST(HiveFile, ManyKeysOutOfNameOrderAreFoundAddedAndRemoved) {
    // K0, K1, ... K10: file order is not name order, so the keys cannot be searched by halves;
    // a file with tens of thousands of them must still load in a moment, not in minutes.
    const int kKeys = 40000;
    std::string text = "WINE REGISTRY Version 2\n";
    for (int k = 0; k < kKeys; ++k) {
        text += "\n[S\\\\K" + std::to_string(k) + "] 1\n\"v\"=\"" + std::to_string(k) + "\"\n";
    }
    text += "\n[s\\\\k7] 1\n";  // the same key again, in another case
    auto started = std::chrono::steady_clock::now();
    std::string error;
    EXPECT_FALSE(Hive().Parse(text, error));
    EXPECT_NE(error.find("key written twice"), std::string::npos) << error;
    Hive hive;
    text.resize(text.size() - std::string("\n[s\\\\k7] 1\n").size());
    ASSERT_TRUE(hive.Parse(text, error)) << error;
    HiveKey* parent = Hive::FindPath(hive.Root(), u"S");
    ASSERT_NE(parent, nullptr);
    for (int k = 0; k < kKeys; k += 997) {
        std::u16string name = u"k";
        for (char c : std::to_string(k)) {
            name += static_cast<char16_t>(c);
        }
        HiveKey* key = Hive::FindSubKey(*parent, name);
        ASSERT_NE(key, nullptr) << k;
        EXPECT_EQ(key->name, u"K" + name.substr(1));
    }
    HiveKey* added = Hive::AddSubKey(*parent, u"K5x");
    ASSERT_NE(added, nullptr);
    EXPECT_EQ(Hive::AddSubKey(*parent, u"k5X"), added);
    EXPECT_EQ(Hive::FindSubKey(*parent, u"K5X"), added);
    hive.RemoveSubKey(*parent, *Hive::FindSubKey(*parent, u"K12"));
    EXPECT_EQ(Hive::FindSubKey(*parent, u"K12"), nullptr);
    EXPECT_EQ(parent->subkeys.size(), static_cast<size_t>(kKeys));
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(5));
}

// "k\\k\\...\\k", depth components, as a key line of a registry file spells a path.
std::string DeepPath(size_t depth) {
    std::string path = "k";
    for (size_t i = 1; i < depth; ++i) {
        path += "\\\\k";
    }
    return path;
}

// Wine sets no limit on how deeply keys nest: a file with keys far deeper than Windows allows is
// read, written back as it was, and changed like any other, and freeing it takes no stack in
// proportion to its depth.
TEST(HiveFile, KeysFarDeeperThanWindowsAllowsAreReadKeptAndChanged) {
    const size_t kDepth = 200000;
    const std::string head =
        "WINE REGISTRY Version 2\n"
        ";; All keys relative to \\\\Machine\n"
        "\n"
        "[A] 1\n"
        "#time=1\n"
        "\"First\"=\"1\"\n"
        "\n";
    const std::string deep = "[A\\\\" + DeepPath(kDepth) + "] 2\n#time=2\n\"Deep\"=\"2\"\n";
    const std::string tail =
        "\n"
        "[B] 3\n"
        "#time=3\n"
        "\"Last\"=\"3\"\n";
    const std::string text = head + deep + tail;
    std::string error;
    {
        Hive hive;
        ASSERT_TRUE(hive.Parse(text, error)) << error;
        EXPECT_EQ(hive.Write(9, 9), text);
        HiveKey* key = Hive::FindPath(hive.Root(), u"A");
        for (size_t i = 0; i < kDepth && key != nullptr; ++i) {
            key = Hive::FindSubKey(*key, u"K");
        }
        ASSERT_NE(key, nullptr);
        ASSERT_TRUE(hive.LoadValues(*key));
        HiveValueText value;
        value.name = u"Added";
        value.type = kRegDword;
        value.data = std::string("\x05\0\0\0", 4);
        Hive::SetValue(*key, value);
        const std::string written = hive.Write(9, 9);
        EXPECT_EQ(written.substr(0, head.size()), head);
        EXPECT_EQ(written.substr(written.size() - tail.size()), tail);
        EXPECT_NE(written.find("\"Added\"=dword:00000005\n\"Deep\"=\"2\"\n"), std::string::npos);
        Hive again;
        ASSERT_TRUE(again.Parse(written, error)) << error;
    }  // both hives freed here

    // Keys are not made below the depth Windows allows; a damaged deep file is still refused.
    Hive hive;
    ASSERT_TRUE(hive.Parse(head + "[A\\\\" + DeepPath(600) + "] 2\n" + tail, error)) << error;
    HiveKey* key = Hive::FindPath(hive.Root(), u"A");
    for (int i = 0; i < 511; ++i) {  // down to depth 512
        key = Hive::FindSubKey(*key, u"k");
    }
    ASSERT_NE(key, nullptr);
    HiveKey* child = Hive::FindSubKey(*key, u"k");
    ASSERT_NE(child, nullptr);
    EXPECT_EQ(Hive::AddSubKey(*key, u"k"), child);  // existing keys are found at any depth
    EXPECT_EQ(Hive::AddSubKey(*key, u"New"), nullptr);
    EXPECT_FALSE(Hive().Parse(head + "[A\\\\" + DeepPath(5000) + " 2\n", error));
    EXPECT_NE(error.find("bad key line"), std::string::npos) << error;
}

TEST_F(Store, KeysThousandsDeepAreEditedAndDeletedWhole) {
    const std::string kept = "\n[Software\\\\Kept\\\\" + DeepPath(3000) +
                             "] 1000000000\n#time=1c0f8e1c2f80000\n\"Same\"=\"yes\"\n";
    std::string text = std::string(kSystem) + kept;
    text += "\n[Software\\\\Gone\\\\" + DeepPath(3000) + "] 1000000000\n\"G\"=\"1\"\n";
    text += "\n[Software\\\\Gone\\\\" + DeepPath(1500) + "\\\\Side] 1000000000\n\"S\"=\"1\"\n";
    text += "\n[Software\\\\Deep\\\\" + DeepPath(3000) + "] 1000000000\n\"D\"=\"1\"\n";
    Write(dir / "system.reg", text);
    auto reg = Open();
    std::string path = "Software\\Deep";
    for (int i = 0; i < 3000; ++i) {
        path += "\\K";
    }
    RegKey key = 0;
    ASSERT_EQ(reg->CreateKey(kHkeyLocalMachine, path, key), kErrorSuccess) << reports;
    EXPECT_EQ(reg->SetValue(key, "Set", kRegSz, std::string("new\0", 4)), kErrorSuccess);
    reg->CloseKey(key);
    EXPECT_NE(reg->CreateKey(kHkeyLocalMachine, path + "\\Below", key), kErrorSuccess);
    EXPECT_EQ(DeleteKeyTree(*reg, kHkeyLocalMachine, "Software\\Gone"), kErrorSuccess);
    EXPECT_EQ(reg->OpenKey(kHkeyLocalMachine, "Software\\Gone", RegAccess::Read, key),
              kErrorFileNotFound);
    ASSERT_EQ(reg->Flush(), kErrorSuccess);
    EXPECT_EQ(reports, "");

    const std::string written = Read(dir / "system.reg");
    EXPECT_EQ(written.substr(0, sizeof kSystem - 1 + kept.size()), std::string(kSystem) + kept);
    EXPECT_EQ(written.find("Gone"), std::string::npos);
    EXPECT_EQ(Query(*Open(), kHkeyLocalMachine, path, "set"), std::string("new\0", 4));
}

TEST(HiveText, EscapesRoundTrip) {
    std::u16string units =
        u"a\"b\\c[d]\x7f\x1b\t\x01"
        u"7\x01z\x20ac"
        u"1\x20ac!";
    units.push_back(u'\0');
    units += u"end";
    for (const char* escape : {"\"\"", "[]"}) {
        std::string text;
        AppendEscaped(text, units, escape);
        text += escape[1];
        size_t pos = 0;
        std::u16string back;
        ASSERT_TRUE(ParseEscaped(text, pos, escape[1], back)) << text;
        EXPECT_EQ(back, units) << text;
        EXPECT_EQ(pos, text.size());
    }
    std::string text;
    AppendEscaped(text,
                  u"\x20ac"
                  u"1\x20ac!\x01"
                  u"7",
                  "\"\"");
    EXPECT_EQ(text, "\\x20ac1\\x20ac!\\0017");
    EXPECT_EQ(WideToAnsi(AnsiToWide("\x80\xe9\x9f\x81 x")), "\x80\xe9\x9f\x81 x");
    EXPECT_EQ(WideToAnsi(u"\x4e2d"), "?");
}

TEST(HiveText, StringsWithoutTheirEndAreWrittenAsHex) {
    HiveValueText value;
    value.name = u"S";
    value.type = kRegSz;
    value.data = WideToBytes(u"ab");  // no terminating NUL
    EXPECT_EQ(FormatValueLines(value), "\"S\"=hex(1):61,00,62,00\n");
    value.data.push_back('\0');
    value.data.push_back('\0');
    EXPECT_EQ(FormatValueLines(value), "\"S\"=\"ab\"\n");
    value.type = kRegDword;
    value.data = "\xef\xbe\xad\xde";
    EXPECT_EQ(FormatValueLines(value), "\"S\"=dword:deadbeef\n");
    value.type = kRegBinary;
    value.data = std::string("\x00\xff\x80\x7f", 4);
    EXPECT_EQ(FormatValueLines(value), "\"S\"=hex:00,ff,80,7f\n");
    HiveValueText back;
    ASSERT_TRUE(ParseValueLine("\"S\"=hex(1):61,00,62,00", back));
    EXPECT_EQ(back.type, kRegSz);
    EXPECT_EQ(back.data, WideToBytes(u"ab"));
}

}  // namespace
}  // namespace rivel
