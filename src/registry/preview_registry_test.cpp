#include "registry/preview_registry.h"

#include <gtest/gtest.h>

#include "base/test_support.h"
#include "registry/hive_store.h"
#include "registry/reg_export.h"
#include "registry/registry_ops.h"

namespace rivel {
namespace {

std::string Query(RegistryService& reg, const std::string& path, const std::string& name) {
    RegKey key = 0;
    if (reg.OpenKey(kHkeyLocalMachine, path, RegAccess::Read, key) != kErrorSuccess) {
        return "<no key>";
    }
    uint32_t type = 0;
    std::string data;
    long rc = reg.QueryValue(key, name, 1024, type, data);
    reg.CloseKey(key);
    return rc == kErrorSuccess ? data : "<no value>";
}

void Set(RegistryService& reg, const std::string& path, const std::string& name,
         const std::string& data) {
    RegKey key = 0;
    ASSERT_EQ(reg.CreateKey(kHkeyLocalMachine, path, key), kErrorSuccess);
    ASSERT_EQ(reg.SetValue(key, name, kRegBinary, data), kErrorSuccess);
    reg.CloseKey(key);
}

class PreviewRegistryTest : public ::testing::Test {
  protected:
    void SetUp() override {
        Set(*base, "Software\\A\\B\\C", "c", "1");
        Set(*base, "Software\\A\\B", "b", "2");
        Set(*base, "Software\\A", "a", "3");
    }
    std::shared_ptr<RegistryService> base =
        OpenHiveStore(testing_support::ScratchFileName("preview-store"), nullptr);
    PreviewRegistry preview{*base};
};

// A registry that says a key is gone while it keeps it (another program makes it again at once).
class KeyThatStays : public PreviewRegistry {
  public:
    using PreviewRegistry::PreviewRegistry;
    long DeleteKey(RegKey key, const std::string& subKey) override {
        return subKey == "C" ? kErrorSuccess : PreviewRegistry::DeleteKey(key, subKey);
    }
};

TEST_F(PreviewRegistryTest, TreeDeleteEndsWhenASubkeyDoesNotGo) {
    KeyThatStays reg{*base};
    RegKey a = 0;
    ASSERT_EQ(reg.OpenKey(kHkeyLocalMachine, "Software\\A", RegAccess::AllAccess, a),
              kErrorSuccess);
    EXPECT_NE(DeleteKeyTree(reg, a, "B"), kErrorSuccess);  // B keeps its subkey
    EXPECT_EQ(Query(reg, "Software\\A\\B\\C", "c"), "1");
    reg.CloseKey(a);
}

TEST_F(PreviewRegistryTest, DeletedTreeRecreatedEmptyWhileTheRegistryBelowKeepsIt) {
    RegKey held = 0;
    ASSERT_EQ(preview.OpenKey(kHkeyLocalMachine, "Software\\A\\B\\C", RegAccess::AllAccess, held),
              kErrorSuccess);
    RegKey a = 0;
    ASSERT_EQ(preview.OpenKey(kHkeyLocalMachine, "software\\a", RegAccess::AllAccess, a),
              kErrorSuccess);
    EXPECT_EQ(preview.DeleteKey(a, "B"), kErrorAccessDenied);  // it still has a subkey
    ASSERT_EQ(DeleteKeyTree(preview, a, "B"), kErrorSuccess);
    std::string name;
    EXPECT_EQ(preview.EnumKey(a, 0, name), kErrorNoMoreItems);
    EXPECT_EQ(preview.SetValue(held, "x", kRegBinary, "y"), kErrorKeyDeleted);
    EXPECT_EQ(Query(preview, "Software\\A\\B", "b"), "<no key>");

    // Made again, the key is new: nothing of the deleted one comes back from below.
    Set(preview, "Software\\A\\B", "new", "4");
    EXPECT_EQ(Query(preview, "Software\\A\\B", "b"), "<no value>");
    EXPECT_EQ(Query(preview, "Software\\A\\B", "new"), "4");
    EXPECT_EQ(Query(preview, "Software\\A\\B\\C", "c"), "<no key>");
    EXPECT_EQ(Query(preview, "Software\\A", "a"), "3");  // read through, never copied
    ASSERT_EQ(preview.EnumKey(a, 0, name), kErrorSuccess);
    EXPECT_EQ(name, "B");
    preview.CloseKey(a);
    preview.CloseKey(held);

    EXPECT_EQ(Query(*base, "Software\\A\\B\\C", "c"), "1");
    EXPECT_EQ(Query(*base, "Software\\A\\B", "b"), "2");
    EXPECT_EQ(Query(*base, "Software\\A\\B", "new"), "<no value>");
    // Named as the run named them.
    const std::vector<std::string> expected = {"HKEY_LOCAL_MACHINE\\software\\a\\B",
                                               "HKEY_LOCAL_MACHINE\\software\\a\\B\\C"};
    EXPECT_EQ(preview.ChangedKeys(), expected);
}

TEST_F(PreviewRegistryTest, ExportShowsTheKeysAsEachRegistryHasThem) {
    Set(preview, "Software\\A", "a", std::string("\x05\0\0\0", 4));
    RegKey key = 0;
    ASSERT_EQ(preview.OpenKey(kHkeyLocalMachine, "Software\\A", RegAccess::AllAccess, key),
              kErrorSuccess);
    ASSERT_EQ(preview.SetValue(key, "", kRegSz, std::string("say \"hi\"\\\0", 10)), kErrorSuccess);
    ASSERT_EQ(preview.SetValue(key, "Count", kRegDword, std::string("\x10\0\0\0", 4)),
              kErrorSuccess);
    ASSERT_EQ(preview.SetValue(key, "Path", kRegExpandSz, std::string("%A%\0", 4)), kErrorSuccess);
    preview.CloseKey(key);
    const std::vector<std::string> keys = {"HKEY_LOCAL_MACHINE\\Software\\A",
                                           "HKEY_LOCAL_MACHINE\\Software\\Missing"};
    EXPECT_EQ(ExportRegistryKeys(*base, keys),
              "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software\\A]\n\"a\"=hex:33\n");
    EXPECT_EQ(ExportRegistryKeys(preview, keys),
              "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software\\A]\n"
              "@=\"say \\\"hi\\\"\\\\\"\n"
              "\"a\"=hex:05,00,00,00\n"
              "\"Count\"=dword:00000010\n"
              "\"Path\"=hex(2):25,41,25,00\n");
}

}  // namespace
}  // namespace rivel
