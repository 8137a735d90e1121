// Flips and quarter turns with the important regions.
#include <gtest/gtest.h>

#include "model/img_inf.h"
#include "support/image_builders.h"

namespace {

using testutil::DirectImage;
using testutil::PaletteImage;

TEST(Rot90R, MovesPixelsAndRegions) {
  CImgInf img = DirectImage(3, 2);
  const CImgInf before = img;
  const int r = img.m_impRct.Add();
  img.m_impRct[r].x = 0, img.m_impRct[r].y = 0;
  img.m_impRct[r].halfW = 9, img.m_impRct[r].halfH = 7;
  ASSERT_TRUE(img.Rot90R());
  const CImgDatIf& p = img.m_aryImg[0];
  ASSERT_EQ(p.m_nWidth, 2);
  ASSERT_EQ(p.m_nHeight, 3);
  EXPECT_EQ(0, std::memcmp(p.Cell(1, 0), before.m_aryImg[0].Cell(0, 0), 4));
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 3; ++x)
      EXPECT_EQ(0, std::memcmp(p.Cell(2 - 1 - y, x), before.m_aryImg[0].Cell(x, y), 4));
  EXPECT_EQ(img.m_impRct[r].x, 1);
  EXPECT_EQ(img.m_impRct[r].y, 0);
  EXPECT_EQ(img.m_impRct[r].halfW, 9);  // half sizes are not exchanged
}

TEST(Turns, InversePairsRestoreTheContent) {
  CImgInf img = PaletteImage(5, 3, 16, 1, 2);
  img.m_aryImg[0].Cell(4, 2)[1] = 0x5A;  // the reserved byte travels with the cell
  for (int i = 0; i < 3; ++i) {
    const int r = img.m_impRct.Add();
    img.m_impRct[r].x = i + 1, img.m_impRct[r].y = i, img.m_impRct[r].level = int16_t(i % 2);
  }
  const CImgInf before = img;
  auto rotR = [](CImgInf& c) { return c.Rot90R(); };
  auto rotL = [](CImgInf& c) { return c.Rot90L(); };
  ASSERT_TRUE(rotR(img));
  ASSERT_TRUE(rotL(img));
  EXPECT_TRUE(testutil::SameContent(img, before));
  ASSERT_TRUE(img.FlipH() && img.FlipH());
  ASSERT_TRUE(img.FlipV() && img.FlipV());
  EXPECT_TRUE(testutil::SameContent(img, before));
  for (int i = 0; i < 4; ++i) ASSERT_TRUE(img.Rot90L());
  EXPECT_TRUE(testutil::SameContent(img, before));
}

TEST(Turns, ResultDocumentLeavesTheSourceAlone) {
  CImgInf img = DirectImage(4, 2, 2);
  const CImgInf before = img;
  CImgInf out;
  ASSERT_TRUE(img.Rot90L(&out));
  EXPECT_TRUE(testutil::SameContent(img, before));
  EXPECT_EQ(out.m_aryImg[1].m_nWidth, 1);
  EXPECT_EQ(out.m_aryImg[1].m_nHeight, 2);
  CImgInf empty;
  EXPECT_FALSE(empty.FlipH());
}

}  // namespace
