// Palette banks: creation, borrowing, colour counts, permutation and comparison.
#include <gtest/gtest.h>

#include "model/default_colour.h"
#include "model/pal_dat.h"
#include "support/image_builders.h"

namespace {

TEST(BankCreate, CountLimits) {
  for (int n : {0, -1, 257}) {
    CPalDatIf b;
    EXPECT_EQ(b.Create(n), 0) << n;
    EXPECT_FALSE(b.IsValid());
  }
  CPalDatIf b;
  ASSERT_EQ(b.Create(1), 1024);
  EXPECT_EQ(b.m_nColNum, 1);
  EXPECT_EQ(b.Capacity(), 256);
}

struct ColNumCase {
  int from, to;
  int expectedCount, expectedReturn;
  friend std::ostream& operator<<(std::ostream& os, const ColNumCase& c) { return os << c.from << "->" << c.to; }
};

class BankSetColNum : public ::testing::TestWithParam<ColNumCase> {};

TEST_P(BankSetColNum, ClampsAndResetsTouchedEntries) {
  ScopedOpaqueAlpha alpha(200);
  const ColNumCase c = GetParam();
  CPalDatIf b = testutil::Bank(c.from);
  for (int i = c.from; i < 256; ++i) b.m_pCol[i] = RGBA{1, 2, 3, 4};
  EXPECT_EQ(b.SetColNum(c.to), c.expectedReturn);
  EXPECT_EQ(b.m_nColNum, c.expectedCount);
  const int lo = std::min(c.from, c.expectedCount), hi = std::max(c.from, c.expectedCount);
  for (int i = lo; i < hi; ++i) EXPECT_EQ(b.m_pCol[i], (RGBA{0, 0, 0, 200})) << i;
  for (int i = 0; i < lo; ++i) EXPECT_EQ(b.m_pCol[i], testutil::Bank(c.from).m_pCol[i]) << i;
}

INSTANTIATE_TEST_SUITE_P(Table, BankSetColNum,
                         ::testing::Values(ColNumCase{16, 300, 256, 240}, ColNumCase{16, 0, 1, -15},
                                           ColNumCase{16, 8, 8, -8}, ColNumCase{8, 16, 16, 8},
                                           ColNumCase{8, 8, 8, 0}, ColNumCase{256, 256, 256, 0}));

TEST(BankBorrowed, HoldsOnlyItsCountAndIsNeverFreedOrGrown) {
  RGBA colours[4] = {{1, 1, 1, 1}, {2, 2, 2, 2}, {3, 3, 3, 3}, {4, 4, 4, 4}};
  {
    CPalDatIf b;
    ASSERT_EQ(b.Attach(colours, 4), 16);
    EXPECT_TRUE(b.IsBorrowed());
    EXPECT_EQ(b.SetColNum(5), 0);  // no room to grow
    EXPECT_EQ(b.m_nColNum, 4);
    CPalDatIf copy;
    ASSERT_TRUE(copy.Copy(b));
    EXPECT_FALSE(copy.IsBorrowed());
    EXPECT_EQ(copy.m_nSize, 1024);
    EXPECT_EQ(copy.m_pCol[3], colours[3]);
    EXPECT_EQ(copy.m_pCol[4], (RGBA{0, 0, 0, 0}));  // the rest of an owned copy is zero
  }
  EXPECT_EQ(colours[0], (RGBA{1, 1, 1, 1}));  // the borrowed buffer survives the bank
}

TEST(BankPermute, TakesOldEntriesAndIgnoresOutOfRangeTargets) {
  CPalDatIf b = testutil::Bank(4);
  const CPalDatIf old = b;
  uint8_t t[256];
  for (int i = 0; i < 256; ++i) t[i] = uint8_t(i);
  t[0] = 3;
  t[1] = 0;
  t[2] = 9;  // not below the count: unchanged
  t[3] = 1;
  b.Permute(t);
  EXPECT_EQ(b.m_pCol[0], old.m_pCol[3]);
  EXPECT_EQ(b.m_pCol[1], old.m_pCol[0]);
  EXPECT_EQ(b.m_pCol[2], old.m_pCol[2]);
  EXPECT_EQ(b.m_pCol[3], old.m_pCol[1]);
}

TEST(BankCompare, AlphaOnlyWhenAsked) {
  CPalDatIf a = testutil::Bank(8);
  CPalDatIf b = a;
  b.m_pCol[5].a ^= 1;
  EXPECT_TRUE(a.IsEqual(b, false));
  EXPECT_FALSE(a.IsEqual(b, true));
  b.SetColNum(7);
  EXPECT_FALSE(a.IsEqual(b, false));
}

TEST(BankFill, StopsAtColourCount) {
  ScopedOpaqueAlpha alpha(255);
  CPalDatIf b = testutil::Bank(10);
  const RGBA red{255, 0, 0, 255};
  EXPECT_EQ(b.Fill(&red, 8, 5), 2);
  EXPECT_EQ(b.m_pCol[9], red);
  EXPECT_EQ(b.Fill(nullptr, 0, 1), 1);
  EXPECT_EQ(b.m_pCol[0], (RGBA{0, 0, 0, 255}));
  EXPECT_EQ(b.Fill(&red, 10, 1), 0);
}

TEST(BankMake8, CornerColours) {
  CPalDatIf b;
  b.Make8();
  ASSERT_EQ(b.m_nColNum, 8);
  const RGBA expected[8] = {{0, 0, 0, 255},     {255, 0, 0, 255},   {0, 255, 0, 255},   {255, 255, 0, 255},
                            {0, 0, 255, 255},   {255, 0, 255, 255}, {0, 255, 255, 255}, {255, 255, 255, 255}};
  for (int i = 0; i < 8; ++i) EXPECT_EQ(b.m_pCol[i], expected[i]) << i;
}

}  // namespace
