// Palette entry selection: queries, limit and the click rule.
#include <gtest/gtest.h>

#include <vector>

#include "model/col_sel.h"

namespace {

std::vector<int> Selected(const CColSel& s) {
  std::vector<int> v;
  for (int i = s.First(); i >= 0; i = s.Next(i)) v.push_back(i);
  return v;
}

TEST(ColSel, QueriesAndLimit) {
  CColSel s(16);
  s.Set(3);
  s.Set(9);
  s.Set(20);  // at or above the limit: never counts
  EXPECT_EQ(s.Count(), 2);
  EXPECT_EQ(s.First(), 3);
  EXPECT_EQ(s.Last(), 9);
  EXPECT_EQ(s.Next(3), 9);
  EXPECT_EQ(s.Prev(9), 3);
  EXPECT_EQ(s.Prev(3), -1);
  EXPECT_TRUE(s.Changed());
  s.SetAnchor(9);
  s.SetLimit(8);
  EXPECT_EQ(Selected(s), (std::vector<int>{3}));
  EXPECT_EQ(s.Anchor(), -1);
  s.SetLimit(256);
  EXPECT_FALSE(s.IsSelected(9));  // lowering the limit cleared it
  s.Invert();
  EXPECT_EQ(s.Count(), 255);
  s.SelectNone();
  EXPECT_EQ(s.First(), -1);
}

TEST(ColSel, ClickRule) {
  struct Step {
    int entry, keys;
    std::vector<int> expected;
    int anchor;
  };
  const Step steps[] = {
      {5, CColSel::kRangeKey, {5}, 5},  // no anchor yet: plain select
      {8, CColSel::kRangeKey, {5, 6, 7, 8}, 5},
      {2, CColSel::kRangeKey, {2, 3, 4, 5}, 5},
      {9, CColSel::kToggleKey, {2, 3, 4, 5, 9}, 9},
      {3, CColSel::kToggleKey, {2, 4, 5, 9}, 3},
      {6, CColSel::kRangeKey | CColSel::kToggleKey, {2, 9}, 3},  // anchor 3 is clear: clears 3..6
      {1, 0, {1}, 1},
  };
  CColSel s;
  for (const auto& st : steps) {
    s.Click(st.entry, st.keys);
    EXPECT_EQ(Selected(s), st.expected) << "click " << st.entry;
    EXPECT_EQ(s.Anchor(), st.anchor) << "click " << st.entry;
  }
}

TEST(ColSel, SelectAllRespectsLimitAndSetsAnchor) {
  CColSel s(10);
  s.SelectAll();
  EXPECT_EQ(s.Count(), 10);
  EXPECT_EQ(s.Anchor(), 0);
  s.SelectRange(7, 4);
  EXPECT_EQ(Selected(s), (std::vector<int>{4, 5, 6, 7}));
}

}  // namespace
