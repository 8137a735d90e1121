// Image planes: creation limits, copies and the per-plane conversions.
#include <gtest/gtest.h>

#include "model/default_colour.h"
#include "model/img_dat.h"
#include "model/pal_dat.h"
#include "support/image_builders.h"

namespace {

struct CreateCase {
  int type, width, height;
  int expectedSize;
  friend std::ostream& operator<<(std::ostream& os, const CreateCase& c) {
    return os << "type " << c.type << " " << c.width << "x" << c.height;
  }
};

class PlaneCreate : public ::testing::TestWithParam<CreateCase> {};

TEST_P(PlaneCreate, SizeOrFailureLeavesEmptyPlane) {
  const CreateCase c = GetParam();
  CImgDatIf p;
  p.m_nIndex = 3;
  EXPECT_EQ(p.Create(c.type, c.width, c.height), c.expectedSize);
  EXPECT_EQ(p.m_nIndex, 3);
  if (c.expectedSize == 0) {
    EXPECT_EQ(p.m_nType, IMGTYPE_NONE);
    EXPECT_EQ(p.m_pData, nullptr);
    EXPECT_FALSE(p.IsValid());
  } else {
    EXPECT_TRUE(p.IsValid());
    for (int i = 0; i < p.m_nSize; ++i) ASSERT_EQ(p.m_pData[i], 0);
  }
}

INSTANTIATE_TEST_SUITE_P(Table, PlaneCreate,
                         ::testing::Values(CreateCase{1, 3, 2, 12}, CreateCase{0, 3, 2, 24},
                                           CreateCase{5, 3, 2, 0}, CreateCase{2, 3, 2, 0},
                                           CreateCase{0, 0, 5, 0}, CreateCase{0, 5, 0, 0},
                                           CreateCase{0, -4, 5, 0}, CreateCase{1, INT32_MIN, 1, 0},
                                           // 64-bit size arithmetic: these wrap in 32 bits
                                           CreateCase{0, 65536, 65536, 0}, CreateCase{1, 65536, 32768, 0},
                                           CreateCase{0, 0x40000000, 2, 0}));

TEST(PlaneCreate, RecreateFreesAndReplaces) {
  CImgDatIf p;
  ASSERT_EQ(p.Create(0, 4, 4), 64);
  EXPECT_EQ(p.Create(9, 4, 4), 0);
  EXPECT_EQ(p.m_nType, IMGTYPE_NONE);
}

TEST(PlaneCopy, DeepCopyKeepsIndexAndRefusesSelfOrEmpty) {
  CImgDatIf a = testutil::DirectPlane(5, 4, 1);
  a.m_nIndex = 2;
  CImgDatIf b;
  ASSERT_TRUE(b.Copy(a));
  EXPECT_EQ(b.m_nIndex, 2);
  EXPECT_NE(b.m_pData, a.m_pData);
  EXPECT_EQ(testutil::Bytes(a), testutil::Bytes(b));
  EXPECT_FALSE(a.Copy(a));
  CImgDatIf empty;
  EXPECT_FALSE(b.Copy(empty));
  EXPECT_TRUE(b.IsValid());
}

TEST(PlaneConvert, ToDirectUsesBankAndDefaultsPastColourCount) {
  ScopedOpaqueAlpha alpha(128);
  CImgDatIf p;
  p.Create(IMGTYPE_IDX, 3, 1);
  p.m_pData[0] = 0;
  p.m_pData[2] = 1;
  p.m_pData[4] = 200;  // past the colour count
  p.m_pData[5] = 9;    // reserved byte is dropped by the conversion
  RGBA colours[2] = {{10, 20, 30, 40}, {50, 60, 70, 80}};
  CPalDatIf borrowed;
  ASSERT_EQ(borrowed.Attach(colours, 2), 8);
  ASSERT_TRUE(p.ToDirect(borrowed));
  EXPECT_EQ(p.m_nType, IMGTYPE_DIR);
  const RGBA* px = reinterpret_cast<const RGBA*>(p.m_pData);
  EXPECT_EQ(px[0], colours[0]);
  EXPECT_EQ(px[1], colours[1]);
  EXPECT_EQ(px[2], (RGBA{0, 0, 0, 128}));
}

TEST(PlaneConvert, ToGroup8Thresholds) {
  struct Case {
    RGBA in;
    int group;
  } cases[] = {{{128, 127, 255, 0}, 5}, {{127, 128, 0, 0}, 2}, {{0, 0, 0, 0}, 0},
               {{255, 255, 255, 0}, 7}, {{128, 0, 0, 0}, 1}, {{0, 0, 128, 0}, 4}};
  CImgDatIf p;
  p.Create(IMGTYPE_DIR, int(std::size(cases)), 1);
  for (size_t i = 0; i < std::size(cases); ++i) std::memcpy(p.m_pData + i * 4, &cases[i].in, 4);
  ASSERT_TRUE(p.ToGroup8());
  EXPECT_EQ(p.m_nType, IMGTYPE_IDX);
  for (size_t i = 0; i < std::size(cases); ++i) EXPECT_EQ(p.m_pData[i * 2], cases[i].group) << i;
  EXPECT_FALSE(p.ToGroup8());  // palette planes are refused
}

TEST(PlaneConvert, RemapIndexUsesUpperHalfOfTable) {
  CImgDatIf p = testutil::PalettePlane(4, 4, 16);
  uint8_t table[512] = {};
  for (int i = 0; i < 256; ++i) table[256 + i] = uint8_t(255 - i);
  const auto before = testutil::Bytes(p);
  ASSERT_TRUE(p.RemapIndex(table));
  for (int i = 0; i < 16; ++i) {
    EXPECT_EQ(p.m_pData[i * 2], 255 - before[size_t(i) * 2]);
    EXPECT_EQ(p.m_pData[i * 2 + 1], before[size_t(i) * 2 + 1]);
  }
}

TEST(PlaneConvert, SetAlphaAllOnlyOnDirect) {
  CImgDatIf d = testutil::DirectPlane(3, 3, 0, 10);
  d.SetAlphaAll(77);
  for (int i = 0; i < 9; ++i) EXPECT_EQ(d.m_pData[i * 4 + 3], 77);
  CImgDatIf p = testutil::PalettePlane(3, 3, 4);
  const auto before = testutil::Bytes(p);
  p.SetAlphaAll(77);
  EXPECT_EQ(testutil::Bytes(p), before);
}

}  // namespace
