// Alpha operations and channel permutation.
#include <gtest/gtest.h>

#include "model/default_colour.h"
#include "model/img_inf.h"
#include "support/image_builders.h"

namespace {

using testutil::DirectImage;
using testutil::PaletteImage;

TEST(AdjustAlpha, RoundsHalfAwayFromZeroAndClamps) {
  struct Case {
    int percent, offset, mn, mx;
    uint8_t in, out;
  } cases[] = {
      {50, 0, 0, 255, 3, 2},       {50, 0, 0, 255, 255, 128}, {50, 0, 0, 255, 1, 1},
      {100, 10, 0, 255, 250, 255}, {100, 0, 20, 200, 5, 20},  {100, 0, 20, 200, 230, 200},
      {-50, 0, -1, -1, 3, 0},  // no bounds: no wrap
      {200, 0, -1, -1, 200, 255},  {0, 7, 0, 255, 99, 7},
  };
  for (const auto& c : cases) {
    CImgInf img = DirectImage(1, 1, 1, true);
    img.m_aryImg[0].SetAlphaAll(c.in);
    ASSERT_TRUE(img.AdjustAlpha(c.percent, c.offset, c.mn, c.mx));
    EXPECT_EQ(img.m_aryImg[0].Cell(0, 0)[3], c.out) << c.percent << " " << c.offset << " " << int(c.in);
  }
}

TEST(AdjustAlpha, PaletteAdjustsEntriesAndNeedsAlphaFlag) {
  CImgInf img = PaletteImage(2, 2, 4, 2, 1, false);
  EXPECT_FALSE(img.AdjustAlpha(50, 0, 0, 255));
  img.SetAlphaFlag(true);
  const uint8_t before = img.m_aryPal[1].m_pCol[3].a;
  ASSERT_TRUE(img.AdjustAlpha(50, 0, 0, 255));
  EXPECT_EQ(img.m_aryPal[1].m_pCol[3].a, (before * 50 + 50) / 100);
}

TEST(AlphaOnOff, FillWritesEveryPixelAndEntry) {
  ScopedOpaqueAlpha opaque(128);
  CImgInf pal = PaletteImage(2, 2, 4, 2);
  ASSERT_TRUE(pal.AlphaOn(true));
  EXPECT_TRUE(pal.HasAlpha());
  for (const auto& b : pal.m_aryPal)
    for (int i = 0; i < 4; ++i) EXPECT_EQ(b.m_pCol[i].a, 128);
  ASSERT_TRUE(pal.AlphaOff(true));
  EXPECT_FALSE(pal.HasAlpha());
  EXPECT_EQ(pal.m_aryPal[1].m_pCol[2].a, 0);
  CImgInf dir = DirectImage(3, 3, 2);
  ASSERT_TRUE(dir.AlphaOn(false));
  EXPECT_EQ(dir.m_aryImg[1].Cell(0, 0)[3], 255);  // kept
}

TEST(AlphaFromChannel, TilesAndReadsPaletteThroughBankZero) {
  CImgInf dst = DirectImage(4, 4, 1, true);
  CImgInf src = PaletteImage(2, 2, 4);
  src.m_aryImg[0].Cell(1, 0)[0] = 3;
  ASSERT_TRUE(dst.AlphaFromChannel(src, 0, true));
  EXPECT_EQ(dst.m_aryImg[0].Cell(3, 2)[3], src.m_aryPal[0].m_pCol[3].r);  // (3 mod 2, 2 mod 2) = (1, 0)
  CImgInf noTile = DirectImage(4, 4, 1, true);
  noTile.m_aryImg[0].SetAlphaAll(9);
  ASSERT_TRUE(noTile.AlphaFromChannel(src, 1, false));
  EXPECT_EQ(noTile.m_aryImg[0].Cell(3, 3)[3], 9);  // outside the overlap
  // Alpha of a source without alpha, or a destination without alpha, fails.
  EXPECT_FALSE(dst.AlphaFromChannel(src, 3, true));
  CImgInf noAlpha = DirectImage(4, 4);
  EXPECT_FALSE(noAlpha.AlphaFromChannel(src, 0, true));
}

TEST(Swizzle, PermutesFromTheOldPixel) {
  CImgInf img = DirectImage(2, 2, 1, true);
  const CImgInf before = img;
  const int rotate[4] = {1, 2, 0, 3};
  ASSERT_TRUE(img.Swizzle(rotate));
  const uint8_t* o = before.m_aryImg[0].Cell(1, 1);
  const uint8_t* c = img.m_aryImg[0].Cell(1, 1);
  EXPECT_EQ(c[0], o[1]);
  EXPECT_EQ(c[1], o[2]);
  EXPECT_EQ(c[2], o[0]);
  EXPECT_EQ(c[3], o[3]);
  const int identity[4] = {0, 1, 2, 3};
  CImgInf same = before;
  ASSERT_TRUE(same.Swizzle(identity));
  EXPECT_TRUE(testutil::SameContent(same, before));
}

TEST(Swizzle, AlphaSourceWithoutAlphaFlagIsIgnored) {
  CImgInf img = DirectImage(2, 2);
  img.m_aryImg[0].SetAlphaAll(33);
  const CImgInf before = img;
  const int fromAlpha[4] = {3, 1, 2, 0};  // red from alpha, alpha from red
  ASSERT_TRUE(img.Swizzle(fromAlpha));
  EXPECT_TRUE(testutil::SameContent(img, before));
}

TEST(Swizzle, PaletteImagePermutesEntriesNotIndices) {
  CImgInf img = PaletteImage(2, 2, 4, 2, 1, true);
  const CImgInf before = img;
  const int swap[4] = {3, 1, 2, 0};
  ASSERT_TRUE(img.Swizzle(swap));
  EXPECT_EQ(img.m_aryPal[1].m_pCol[2].r, before.m_aryPal[1].m_pCol[2].a);
  EXPECT_EQ(img.m_aryPal[1].m_pCol[2].a, before.m_aryPal[1].m_pCol[2].r);
  EXPECT_EQ(testutil::Bytes(img.m_aryImg[0]), testutil::Bytes(before.m_aryImg[0]));
}

}  // namespace
