// Region copy and level joining.
#include <gtest/gtest.h>

#include "model/default_colour.h"
#include "model/img_inf.h"
#include "support/image_builders.h"

namespace {

using testutil::DirectImage;
using testutil::PaletteImage;

TEST(CopyRegion, ClipsAtEveryEdgeAndShrinksTheSource) {
  CImgInf src = DirectImage(4, 4, 1, true);
  CImgInf dst = DirectImage(4, 4, 1, true);
  for (auto& p : dst.m_aryImg) std::memset(p.m_pData, 0, size_t(p.m_nSize));
  ASSERT_TRUE(dst.CopyRegion(0, -2, 3, false, CHMASK_ALL, src, 0, nullptr));
  // Source (2, 0) lands at (0, 3); (3, 0) at (1, 3); nothing else is touched.
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) {
      const uint8_t* d = dst.m_aryImg[0].Cell(x, y);
      if (y == 3 && x < 2) {
        EXPECT_EQ(0, std::memcmp(d, src.m_aryImg[0].Cell(x + 2, 0), 4));
      } else {
        EXPECT_EQ(d[0] | d[1] | d[2] | d[3], 0) << x << "," << y;
      }
    }
}

TEST(CopyRegion, AlphaFromSourceOnlyWhenBothHaveIt) {
  ScopedOpaqueAlpha opaque(200);
  struct Case {
    bool srcAlpha, dstAlpha;
    int expect;  // -1: untouched
  } cases[] = {{true, true, 77}, {false, true, 200}, {true, false, -1}, {false, false, -1}};
  for (const auto& c : cases) {
    CImgInf src = DirectImage(2, 2, 1, c.srcAlpha);
    src.m_aryImg[0].SetAlphaAll(77);
    CImgInf dst = DirectImage(2, 2, 1, c.dstAlpha);
    dst.m_aryImg[0].SetAlphaAll(11);
    ASSERT_TRUE(dst.CopyRegion(0, 0, 0, false, CHMASK_ALL, src, 0, nullptr));
    EXPECT_EQ(dst.m_aryImg[0].Cell(1, 1)[3], c.expect < 0 ? 11 : c.expect) << c.srcAlpha << c.dstAlpha;
  }
}

TEST(CopyRegion, PaletteNeedsRoomForTheSourceColours) {
  CImgInf src = PaletteImage(2, 2, 32);
  CImgInf dst = PaletteImage(2, 2, 16);
  const CImgInf before = dst;
  EXPECT_FALSE(dst.CopyRegion(0, 0, 0, false, CHMASK_ALL, src, 0, nullptr));
  EXPECT_TRUE(testutil::SameContent(dst, before));
  CImgInf direct = DirectImage(2, 2);
  EXPECT_FALSE(dst.CopyRegion(0, 0, 0, false, CHMASK_ALL, direct, 0, nullptr));  // type mismatch
}

TEST(CopyRegion, OverlappingCopyWithinOneContent) {
  CImgInf img = PaletteImage(4, 1, 16);
  for (int x = 0; x < 4; ++x) img.m_aryImg[0].Cell(x, 0)[0] = uint8_t(x + 1);
  const CRect r{0, 0, 3, 1};
  ASSERT_TRUE(img.CopyRegion(0, 1, 0, false, CHMASK_ALL, img, 0, &r));
  const uint8_t want[4] = {1, 1, 2, 3};
  for (int x = 0; x < 4; ++x) EXPECT_EQ(img.m_aryImg[0].Cell(x, 0)[0], want[x]);
}

TEST(JoinLevels, SideBySideWithBackground) {
  ScopedOpaqueAlpha opaque(255);
  CImgInf img = DirectImage(4, 4, 3, true);
  const CImgInf before = img;
  ASSERT_TRUE(img.JoinLevels());
  ASSERT_EQ(img.ImgNum(), 1);
  EXPECT_EQ(img.m_aryImg[0].m_nWidth, 4 + 2 + 1);
  EXPECT_EQ(img.m_aryImg[0].m_nHeight, 4);
  EXPECT_EQ(0, std::memcmp(img.m_aryImg[0].Cell(4, 1), before.m_aryImg[1].Cell(0, 1), 4));
  EXPECT_EQ(0, std::memcmp(img.m_aryImg[0].Cell(6, 0), before.m_aryImg[2].Cell(0, 0), 4));
  const uint8_t* bg = img.m_aryImg[0].Cell(6, 3);  // below level 2
  EXPECT_EQ(bg[0] | bg[1] | bg[2] | bg[3], 0);     // alpha 0 with the alpha flag
  CImgInf one = DirectImage(4, 4);
  EXPECT_FALSE(one.JoinLevels());
}

}  // namespace
