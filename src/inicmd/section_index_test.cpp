#include "inicmd/section_index.h"

#include <gtest/gtest.h>

#include <vector>

namespace rivel {
namespace {

void Add(CommandStore& store, CommandKind kind, const std::string& section, const std::string& key,
         const std::string& value = "") {
    CommandRecord r;
    r.Kind = kind;
    r.Section = section;
    r.Key = key;
    r.Value = value;
    store.CommandList.push_back(r);
}

std::vector<uint32_t> Values(Positions list) {
    return {list.begin(), list.end()};
}

TEST(SectionIndex, KeysOfEachSectionApart) {
    // Two keys whose hashes are the same, and a key named in two sections.
    ASSERT_EQ(SectionIndex::KeyHash("KEYN64Z"), SectionIndex::KeyHash("KEYRIHE"));
    CommandStore store;
    Add(store, CommandKind::AddKey, "[One]", "KeyN64Z", "1");  // 0
    Add(store, CommandKind::DeleteKey, "[Two]", "Shared");     // 0 of [Two]
    Add(store, CommandKind::AddKey, "[one]", "keyrihe", "2");  // 1
    Add(store, CommandKind::DeleteSection, "[One]", "");       // 2
    Add(store, CommandKind::AddKey, "[ONE]", "Shared", "3");   // 3
    Add(store, CommandKind::CommentKey, "[one]", "KEYN64Z");   // 4
    SectionIndex index;
    BuildSectionIndex(store, index);

    const SectionCommands& one = index.CommandsOf("[ONE]");
    EXPECT_EQ(Values(one.records), (std::vector<uint32_t>{0, 2, 3, 4, 5}));
    EXPECT_EQ(Values(one.ByKey("KEYN64Z")), (std::vector<uint32_t>{0, 4}));
    EXPECT_EQ(Values(one.ByKey("KEYRIHE")), std::vector<uint32_t>{1});
    EXPECT_EQ(Values(one.ByKey("SHARED")), std::vector<uint32_t>{3});
    EXPECT_TRUE(one.ByKey("KEY").empty());
    EXPECT_TRUE(one.ByKey("").empty());
    EXPECT_TRUE(one.ByKey("keyrihe").empty());  // keys are looked up in upper case
    EXPECT_TRUE(one.MayHold(SectionIndex::KeyHash("SHARED")));

    const SectionCommands& two = index.CommandsOf("[TWO]");
    EXPECT_EQ(Values(two.records), std::vector<uint32_t>{1});
    EXPECT_EQ(Values(two.ByKey("SHARED")), std::vector<uint32_t>{0});
    EXPECT_TRUE(two.ByKey("KEYN64Z").empty());

    const SectionCommands& none = index.CommandsOf("[THREE]");
    EXPECT_TRUE(none.records.empty());
    EXPECT_TRUE(none.ByKey("SHARED").empty());
    EXPECT_FALSE(none.HasNumberedKey("SHARED", SectionIndex::KeyHash("SHARED")));
    EXPECT_TRUE(none.ByKey("shared", SectionIndex::KeyHash("SHARED")).empty());
    EXPECT_EQ(none.NumberedGroup("SHARED"), ListTable::kNone);
    EXPECT_TRUE(index.CommandsOf("[One]").records.empty());
}

TEST(SectionIndex, NumberedCommandsByStemAndValue) {
    CommandStore store;
    Add(store, CommandKind::AddKey, "[s]", "File", "plain");           // 0
    Add(store, CommandKind::AddKeyNumeric, "[s]", "File", "a.txt");    // 1
    Add(store, CommandKind::DeleteKeyNum, "[s]", "file");              // 2
    Add(store, CommandKind::DeleteKeyValNum, "[s]", "FILE", "A.TXT");  // 3
    Add(store, CommandKind::AddKeyNumeric, "[s]", "file", "b.txt");    // 4
    Add(store, CommandKind::DeleteKey, "[s]", "File");                 // 5
    Add(store, CommandKind::AddKeyNumeric, "[s]", "File", "c.txt");    // 6
    SectionIndex index;
    BuildSectionIndex(store, index);
    const SectionCommands& s = index.CommandsOf("[S]");
    EXPECT_TRUE(s.hasNumbered);
    // A key as spelled in a line is found by the hash of its upper-case form.
    EXPECT_TRUE(s.HasNumberedKey("fiLE", SectionIndex::KeyHash("FILE")));
    EXPECT_FALSE(s.HasNumberedKey("File1", SectionIndex::KeyHash("FILE1")));
    EXPECT_EQ(Values(s.ByKey("FILE")), (std::vector<uint32_t>{0, 1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(Values(s.ByKey("file", SectionIndex::KeyHash("FILE"))),
              (std::vector<uint32_t>{0, 1, 2, 3, 4, 5, 6}));
    const uint32_t group = s.NumberedGroup("FILE");
    ASSERT_NE(group, ListTable::kNone);
    EXPECT_EQ(Values(index.GroupAlways(group)), std::vector<uint32_t>{2});
    EXPECT_EQ(Values(index.GroupPlain(group)), (std::vector<uint32_t>{0, 5}));
    EXPECT_EQ(Values(index.GroupByValue(group, "A.TXT")), (std::vector<uint32_t>{1, 3}));
    EXPECT_TRUE(index.GroupByValue(group, "a.txt").empty());
    EXPECT_TRUE(index.GroupByValue(group, "D.TXT").empty());
    // One list of adds for each spelling of the key, which shares the next number.
    std::vector<std::vector<uint32_t>> adds;
    for (uint32_t list : index.GroupSpellings(group)) {
        adds.push_back(Values(index.table.List(list)));
    }
    EXPECT_EQ(adds, (std::vector<std::vector<uint32_t>>{{1, 6}, {4}}));
    EXPECT_EQ(index.AddsOf(s, store.CommandList[6]), index.AddsOf(s, store.CommandList[1]));
    EXPECT_NE(index.AddsOf(s, store.CommandList[4]), index.AddsOf(s, store.CommandList[1]));
}

TEST(SectionIndex, ReplacesBySectionAndEverywhere) {
    CommandStore store;
    for (const char* section : {"[A]", "[]", "[B]", "[A]", "[]"}) {
        ReplaceRecord r;
        r.Section = section;
        store.ReplaceList.push_back(r);
    }
    SectionIndex index;
    BuildSectionIndex(store, index);
    EXPECT_EQ(Values(index.ReplacesOf("[A]")), (std::vector<uint32_t>{0, 3}));
    EXPECT_EQ(Values(index.ReplacesOf("[B]")), std::vector<uint32_t>{2});
    EXPECT_TRUE(index.ReplacesOf("[C]").empty());
    EXPECT_TRUE(index.ReplacesOf("[]").empty());
    EXPECT_EQ(index.replacesEverywhere, (std::vector<uint32_t>{1, 4}));
    EXPECT_TRUE(index.CommandsOf("[A]").records.empty());
}

}  // namespace
}  // namespace rivel
