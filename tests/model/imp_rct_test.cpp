// Important regions: sizing rules, hit testing and clean-up.
#include <gtest/gtest.h>

#include "model/imp_rct.h"

namespace {

TEST(ImpRct, AddUpToSixtyFourAndRemoveShifts) {
  CImpRctAry t;
  for (int i = 0; i < 64; ++i) ASSERT_EQ(t.Add(), i);
  EXPECT_EQ(t.Add(), -1);
  t[1].x = 42;
  ASSERT_TRUE(t.Remove(0));
  EXPECT_EQ(t[0].x, 42);
  EXPECT_EQ(t.Count(), 63);
  EXPECT_FALSE(t.Remove(63));
}

TEST(ImpRct, HalfSizeRules) {
  struct Case {
    int w, h;
    int expW, expH;
    bool enlarged;
  } cases[] = {{3, 2, 7, 7, false}, {-5, 9, 0, 9, true}, {8, 0, 8, 0, true}, {7, 7, 7, 7, false}};
  for (const auto& c : cases) {
    CImpRctAry t;
    t.Add();
    ASSERT_TRUE(t.SetHalfSize(0, c.w, c.h));
    EXPECT_EQ(t[0].halfW, c.expW);
    EXPECT_EQ(t[0].halfH, c.expH);
    EXPECT_EQ((t[0].flags & IMPRCT_ENLARGED) != 0, c.enlarged);
  }
  CImpRctAry t;
  t.Add();
  t[0].x = 10;
  t[0].y = 10;
  const CRect clamp{0, 0, 16, 16};
  ASSERT_TRUE(t.SetHalfFromPoint(0, 40, 12, &clamp));
  EXPECT_EQ(t[0].halfW, 7);  // clamped to 15: 15 - 10 = 5, raised to 7 on a not yet enlarged entry
  EXPECT_EQ(t[0].halfH, 7);
  ASSERT_TRUE(t.SetHalfFromPoint(0, 40, -3, &clamp));
  EXPECT_EQ(t[0].halfW, 5);  // y clamped to 0 gives 10: enlarged, so x keeps 5
  EXPECT_EQ(t[0].halfH, 10);
  ASSERT_TRUE(t.SetHalfFromPoint(0, 30, 30, nullptr));
  EXPECT_EQ(t[0].halfW, 20);
  const CRect empty{};
  ASSERT_TRUE(t.SetHalfFromPoint(0, 30, 30, &empty));
  EXPECT_EQ(t[0].halfW, 0);  // once enlarged, the minimum no longer applies
}

TEST(ImpRct, HitTestPrefersContainingLastThenNearestEdge) {
  CImpRctAry t;
  for (int i = 0; i < 3; ++i) t.Add();
  t[0].x = 10, t[0].y = 10;
  t[1].x = 12, t[1].y = 10;
  t[2].x = 100, t[2].y = 100, t[2].level = 1;
  EXPECT_EQ(t.HitTest(0, 11, 10, 100), 1);
  EXPECT_EQ(t.HitTest(0, 30, 10, 100), 1);   // 11 px right of entry 1's edge, within 16
  EXPECT_EQ(t.HitTest(0, 40, 10, 100), -1);  // 21 px away
  EXPECT_EQ(t.HitTest(0, 40, 10, 50), 1);    // tolerance 32 px at 50 %
  EXPECT_EQ(t.HitTest(1, 10, 10, 100), -1);
  EXPECT_EQ(t.HitTest(1, 100, 100, 100), 2);
}

TEST(ImpRct, CleanRemovesEntriesOutsideLevels) {
  CImpRctAry t;
  for (int i = 0; i < 4; ++i) t.Add();
  t[0].x = 5;
  t[1].x = 50;
  t[2].level = 1;
  t[3].level = 2;
  const int widths[] = {40, 20}, heights[] = {40, 20};
  t.Clean(2, widths, heights);
  ASSERT_EQ(t.Count(), 2);
  EXPECT_EQ(t[0].x, 5);
  EXPECT_EQ(t[1].level, 1);
}

}  // namespace
