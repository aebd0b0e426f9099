#include "inicmd/list_table.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace rivel {
namespace {

std::vector<uint32_t> Values(std::span<const uint32_t> list) {
    return {list.begin(), list.end()};
}

TEST(ListTable, KindOwnerAndTextNameTheList) {
    ListTable table;
    bool added = false;
    const uint32_t a = table.Intern(1, 0, "KEY", &added);
    EXPECT_TRUE(added);
    EXPECT_EQ(table.Intern(1, 0, "KEY", &added), a);
    EXPECT_FALSE(added);
    // The same text under another kind or owner is another list.
    const uint32_t b = table.Intern(2, 0, "KEY");
    const uint32_t c = table.Intern(1, 7, "KEY");
    EXPECT_NE(a, b);
    EXPECT_NE(a, c);
    EXPECT_NE(b, c);
    EXPECT_EQ(table.Find(1, 0, "KEY"), a);
    EXPECT_EQ(table.Find(2, 0, "KEY"), b);
    EXPECT_EQ(table.Find(1, 7, "KEY"), c);
    EXPECT_EQ(table.Find(1, 0, "key"), ListTable::kNone);
    EXPECT_EQ(table.Find(3, 0, "KEY"), ListTable::kNone);
    EXPECT_EQ(table.Find(1, 1, "KEY"), ListTable::kNone);
    EXPECT_EQ(table.Find(1, 0, ""), ListTable::kNone);
    EXPECT_EQ(ListTable().Find(1, 0, "KEY"), ListTable::kNone);
    EXPECT_EQ(table.Kind(c), 1);
    EXPECT_EQ(table.Owner(c), 7u);
    EXPECT_EQ(table.Text(c), "KEY");
}

TEST(ListTable, ListsKeepTheirValuesInOrderThroughGrowth) {
    // Far more lists than the first table holds, so that it grows and slots are shared.
    ListTable table;
    std::vector<std::string> names;
    for (int i = 0; i < 5000; ++i) {
        names.push_back(std::string("S").append(std::to_string(i)));
    }
    for (uint32_t round = 0; round < 3; ++round) {
        for (size_t i = 0; i < names.size(); ++i) {
            // Interleaved: list i gets i*10 + round, after the other lists' values.
            table.Add(table.Intern(0, static_cast<uint32_t>(i % 3), names[i]),
                      static_cast<uint32_t>(i * 10 + (2 - round)));
        }
    }
    const uint32_t empty = table.Intern(5, 0, "EMPTY");
    table.SetTag(empty, 42);
    table.Finish();
    ASSERT_EQ(table.Size(), names.size() + 1);
    for (size_t i = 0; i < names.size(); ++i) {
        const uint32_t id = table.Find(0, static_cast<uint32_t>(i % 3), names[i]);
        ASSERT_NE(id, ListTable::kNone) << names[i];
        const uint32_t v = static_cast<uint32_t>(i * 10);
        EXPECT_EQ(Values(table.List(id)), (std::vector<uint32_t>{v + 2, v + 1, v})) << names[i];
        EXPECT_EQ(table.Find(0, static_cast<uint32_t>(i % 3 + 1), names[i]), ListTable::kNone);
    }
    EXPECT_TRUE(table.List(empty).empty());
    EXPECT_EQ(table.Tag(empty), 42u);
}

}  // namespace
}  // namespace rivel
