// Drawing primitives: line clipping and walk, boxes over the side-by-side layout, channel masks.
#include <gtest/gtest.h>

#include <set>
#include <utility>

#include "model/img_inf.h"
#include "model/line_walk.h"
#include "support/image_builders.h"

namespace {

using testutil::DirectImage;
using testutil::PaletteImage;

using Cells = std::set<std::pair<int, int>>;

// The cells of a palette level that hold index 9 after drawing on a cleared 4 x 4 level.
Cells DrawnCells(CPoint p0, CPoint p1, int w = 4, int h = 4) {
  CImgInf img = PaletteImage(w, h, 16);
  std::memset(img.m_aryImg[0].m_pData, 0, size_t(img.m_aryImg[0].m_nSize));
  EXPECT_TRUE(img.DrawLine(p0, p1, RGBA{9, 0, 0, 0}, CHMASK_ALL, 0, false));
  Cells out;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      if (img.m_aryImg[0].Cell(x, y)[0] == 9) out.insert({x, y});
  return out;
}

TEST(DrawLine, ClippingAndWalk) {
  struct Case {
    CPoint p0, p1;
    Cells cells;
  } cases[] = {
      {{-5, 2}, {3, 2}, {{0, 2}, {1, 2}, {2, 2}, {3, 2}}},
      {{-9, 0}, {-1, 3}, {}},                              // wholly left
      {{1, 1}, {1, 1}, {{1, 1}}},                          // single point
      {{0, 0}, {3, 3}, {{0, 0}, {1, 1}, {2, 2}, {3, 3}}},  // diagonal
      {{3, 3}, {0, 0}, {{0, 0}, {1, 1}, {2, 2}, {3, 3}}},  // reversed ends
      {{0, 0}, {1, 3}, {{0, 0}, {0, 1}, {1, 2}, {1, 3}}},  // steep: x += 1/3, rounded
      {{1, -10}, {1, 10}, {{1, 0}, {1, 1}, {1, 2}, {1, 3}}},
      {{-2, -2}, {5, 5}, {{0, 0}, {1, 1}, {2, 2}, {3, 3}}},
      {{4, 0}, {9, 3}, {}},                                                   // wholly right
      {{-2147483647, 1}, {2147483647, 1}, {{0, 1}, {1, 1}, {2, 1}, {3, 1}}},  // no overflow
  };
  for (const auto& c : cases)
    EXPECT_EQ(DrawnCells(c.p0, c.p1), c.cells)
        << c.p0.x << "," << c.p0.y << " -> " << c.p1.x << "," << c.p1.y;
}

TEST(DrawLine, CornerCuttingLineThatMissesIsRejected) {
  // Passes outside the top-left corner: both ends are outside on different sides.
  EXPECT_TRUE(DrawnCells({-3, 1}, {1, -3}).empty());
  CLineWalk walk;
  EXPECT_FALSE(CLineWalk::Make({-3, 1}, {1, -3}, 4, 4, walk));
}

TEST(DrawLine, DirectWritesOnlyMaskedChannelsAndNeverAlphaWithoutAlphaFlag) {
  CImgInf img = DirectImage(4, 4);
  const CImgInf before = img;
  ASSERT_TRUE(img.DrawLine({0, 0}, {3, 0}, RGBA{1, 2, 3, 4}, CHMASK_GREEN | CHMASK_ALPHA, 0, false));
  for (int x = 0; x < 4; ++x) {
    const uint8_t* c = img.m_aryImg[0].Cell(x, 0);
    const uint8_t* o = before.m_aryImg[0].Cell(x, 0);
    EXPECT_EQ(c[0], o[0]);
    EXPECT_EQ(c[1], 2);
    EXPECT_EQ(c[2], o[2]);
    EXPECT_EQ(c[3], o[3]);  // no alpha flag: alpha untouched
  }
  // Alpha alone without the flag is a mask of 0: nothing happens.
  EXPECT_FALSE(img.DrawLine({0, 1}, {3, 1}, RGBA{1, 2, 3, 4}, CHMASK_ALPHA, 0, false));
  img.SetAlphaFlag(true);
  ASSERT_TRUE(img.DrawLine({0, 1}, {3, 1}, RGBA{1, 2, 3, 4}, CHMASK_ALPHA, 0, false));
  EXPECT_EQ(img.m_aryImg[0].Cell(2, 1)[3], 4);
}

TEST(FillBox, CrossesLevelsOfTheSideBySideLayout) {
  // Level 0 is 8 x 8 at x 0..7, level 1 is 4 x 4 at x 8..11.
  CImgInf img = PaletteImage(8, 8, 16, 1, 2);
  for (auto& p : img.m_aryImg) std::memset(p.m_pData, 0, size_t(p.m_nSize));
  ASSERT_TRUE(img.FillBox(CRect{6, 1, 10, 3}, RGBA{5, 0, 0, 0}, CHMASK_ALL, IMG_ALL, true));
  int n0 = 0, n1 = 0;
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x) n0 += img.m_aryImg[0].Cell(x, y)[0] == 5;
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) n1 += img.m_aryImg[1].Cell(x, y)[0] == 5;
  EXPECT_EQ(n0, 4);  // x 6..7, y 1..2
  EXPECT_EQ(n1, 4);  // x 0..1, y 1..2 of level 1
  EXPECT_EQ(img.m_aryImg[1].Cell(0, 1)[0], 5);
  EXPECT_EQ(img.m_aryImg[1].Cell(1, 2)[0], 5);
  EXPECT_EQ(img.m_aryImg[0].Cell(6, 1)[0], 5);
}

TEST(DrawBox, WireBoxOverTwoCornersIsInclusive) {
  CImgInf img = PaletteImage(6, 6, 16);
  std::memset(img.m_aryImg[0].m_pData, 0, size_t(img.m_aryImg[0].m_nSize));
  ASSERT_TRUE(img.DrawBoxPts({4, 4}, {1, 1}, RGBA{7, 0, 0, 0}, CHMASK_ALL, 0, false));
  for (int y = 0; y < 6; ++y)
    for (int x = 0; x < 6; ++x) {
      const bool edge = (x == 1 || x == 4 || y == 1 || y == 4) && x >= 1 && x <= 4 && y >= 1 && y <= 4;
      EXPECT_EQ(img.m_aryImg[0].Cell(x, y)[0] == 7, edge) << x << "," << y;
    }
}

TEST(DrawOps, BadLevelFailsWithoutChange) {
  CImgInf img = DirectImage(4, 4, 2);
  const CImgInf before = img;
  EXPECT_FALSE(img.DrawLine({0, 0}, {3, 3}, RGBA{}, CHMASK_ALL, 5, false));
  EXPECT_FALSE(img.FillBox(CRect{0, 0, 4, 4}, RGBA{}, CHMASK_ALL, IMG_ALL, false));  // 100 needs the flag
  EXPECT_TRUE(testutil::SameContent(img, before));
}

}  // namespace
