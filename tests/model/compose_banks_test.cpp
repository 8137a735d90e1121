// Composition of two palette images into banks.
#include <gtest/gtest.h>

#include <string>

#include "model/img_inf.h"
#include "support/image_builders.h"

namespace {

using testutil::PaletteImage;

TEST(ComposeBanks, PairLimits) {
  struct Case {
    int a, b;
    bool byUse, ok;
    const char* message;
  } cases[] = {
      {16, 16, false, true, ""},
      {16, 17, false, false, "パレットがいっぱいです。合成できませんでした。"},
      {16, 17, true, true, ""},  // the pictures use few pairs
  };
  for (const auto& c : cases) {
    CImgInf a = PaletteImage(4, 4, c.a);
    CImgInf b = PaletteImage(4, 4, c.b, 1, 1);
    const CImgInf before = a;
    std::string msg = "x";
    EXPECT_EQ(a.ComposeBanks(b, msg, c.byUse), c.ok) << c.a << "x" << c.b;
    EXPECT_EQ(msg, c.message);
    if (!c.ok) {
      EXPECT_TRUE(testutil::SameContent(a, before));
    }
  }
}

TEST(ComposeBanks, TooManyUsedPairsFailsWithoutChange) {
  CImgInf a = PaletteImage(32, 32, 256);
  CImgInf b = PaletteImage(32, 32, 256);
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 32; ++x)
      a.m_aryImg[0].Cell(x, y)[0] = uint8_t(x), b.m_aryImg[0].Cell(x, y)[0] = uint8_t(y);
  const CImgInf before = a;
  std::string msg;
  EXPECT_FALSE(a.ComposeBanks(b, msg, true));  // 1024 pairs
  EXPECT_EQ(msg, "合成するのに必要なパレットカラーの空きが不足しています。");
  EXPECT_TRUE(testutil::SameContent(a, before));
}

TEST(ComposeBanks, BankLimitIsCheckedBeforeAnythingChanges) {
  CImgInf a = PaletteImage(4, 4, 2, 60);
  CImgInf b = PaletteImage(4, 4, 2, 41);
  const CImgInf before = a;
  std::string msg;
  EXPECT_FALSE(a.ComposeBanks(b, msg, false));
  EXPECT_EQ(msg, "パレットバンクが限界に達しました。");
  EXPECT_TRUE(testutil::SameContent(a, before));
  CImgInf b40 = PaletteImage(4, 4, 2, 40);
  EXPECT_TRUE(a.ComposeBanks(b40, msg, false));
  EXPECT_EQ(a.PalNum(), 100);
}

TEST(ComposeBanks, BanksShowEachPicture) {
  CImgInf a = PaletteImage(5, 3, 3, 2, 2);
  CImgInf b = PaletteImage(5, 3, 4, 1, 1);
  const CImgInf origA = a;
  std::string msg;
  ASSERT_TRUE(a.ComposeBanks(b, msg, true));
  ASSERT_EQ(a.PalNum(), 3);
  const int n = a.GetColNum(0);
  for (int k = 0; k < 3; ++k) EXPECT_EQ(a.GetColNum(k), n);
  for (int lv = 0; lv < 2; ++lv) {
    const CImgDatIf& p = a.m_aryImg[size_t(lv)];
    for (int y = 0; y < p.m_nHeight; ++y)
      for (int x = 0; x < p.m_nWidth; ++x) {
        const int idx = p.Cell(x, y)[0];
        ASSERT_LT(idx, n);
        RGBA want;
        // Through A's banks the picture is A.
        for (int k = 0; k < 2; ++k) {
          origA.GetPixel(lv, x, y, k, want);
          EXPECT_EQ(a.m_aryPal[size_t(k)].m_pCol[idx], want);
        }
        // Through B's bank it is B (level 1 has no B level: index 0).
        if (lv == 0)
          b.GetPixel(0, x, y, 0, want);
        else
          want = b.m_aryPal[0].m_pCol[0];
        EXPECT_EQ(a.m_aryPal[2].m_pCol[idx], want);
      }
  }
}

TEST(ComposeBanks, IndexBeyondTheColourCountTakesPairZero) {
  CImgInf a = PaletteImage(2, 1, 4);
  CImgInf b = PaletteImage(2, 1, 2);
  a.m_aryImg[0].Cell(0, 0)[0] = 9;  // past A's 4 colours: names no pair
  a.m_aryImg[0].Cell(1, 0)[0] = 3;
  b.m_aryImg[0].Cell(1, 0)[0] = 1;
  std::string msg;
  ASSERT_TRUE(a.ComposeBanks(b, msg, false));
  EXPECT_EQ(a.GetColNum(0), 8);
  EXPECT_EQ(a.m_aryImg[0].Cell(0, 0)[0], 0);
  EXPECT_EQ(a.m_aryImg[0].Cell(1, 0)[0], 1 * 4 + 3);
}

TEST(ComposeBanks, InvalidInputsReportInternalError) {
  CImgInf a = PaletteImage(4, 4, 4);
  CImgInf d = testutil::DirectImage(4, 4);
  std::string msg;
  EXPECT_FALSE(a.ComposeBanks(d, msg, false));
  EXPECT_EQ(msg, "内部エラーが発生しました");
  EXPECT_FALSE(a.ComposeBanks(a, msg, false));
}

}  // namespace
