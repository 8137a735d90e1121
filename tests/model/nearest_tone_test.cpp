// Nearest colour search, remapping after deletion, and tone adjustment.
#include <gtest/gtest.h>

#include "model/img_inf.h"
#include "model/nearest_colour.h"
#include "model/tone_adjust.h"
#include "support/image_builders.h"

namespace {

// Plain RGBA distance; the order of entries is what the tests look at.
class PlainSpace : public CColourSpaceIf {
 public:
  void ToSpace(RGBA c, float out[4]) const override {
    out[0] = c.r, out[1] = c.g, out[2] = c.b, out[3] = c.a;
  }
};

TEST(FindNearest, LowestOfEqualEntriesWinsAndSelectionRestricts) {
  PlainSpace space;
  CPalDatIf bank = testutil::Bank(10);
  bank.m_pCol[3] = bank.m_pCol[7] = RGBA{100, 100, 100, 255};
  RGBA c{101, 100, 100, 0};
  EXPECT_EQ(FindNearest(bank, c, false, nullptr, space), 3);
  EXPECT_EQ(c, (RGBA{100, 100, 100, 255}));  // written back
  CColSel sel;
  sel.Set(7);
  sel.Set(9);
  c = RGBA{101, 100, 100, 0};
  EXPECT_EQ(FindNearest(bank, c, false, &sel, space), 7);
  CColSel none;
  RGBA keep{1, 2, 3, 4};
  EXPECT_EQ(FindNearest(bank, keep, false, &none, space), -1);
  EXPECT_EQ(keep, (RGBA{1, 2, 3, 4}));
  sel.SelectNone();
  sel.Set(12);  // beyond the colour count: no candidate
  EXPECT_EQ(FindNearest(bank, keep, false, &sel, space), -1);
}

TEST(RemapToNearest, OnlyDeletedIndicesMove) {
  PlainSpace space;
  CImgInf img = testutil::PaletteImage(4, 4, 4);
  img.m_aryPal[0].m_pCol[0] = RGBA{0, 0, 0, 255};
  img.m_aryPal[0].m_pCol[1] = RGBA{10, 0, 0, 255};
  img.m_aryPal[0].m_pCol[2] = RGBA{200, 0, 0, 255};
  img.m_aryPal[0].m_pCol[3] = RGBA{190, 0, 0, 255};
  CImgInf before = img;
  CColSel deleted, allowed;
  deleted.Set(1);
  deleted.Set(3);
  allowed.Set(0);
  allowed.Set(2);
  ASSERT_TRUE(img.RemapToNearest(deleted, 0, allowed, space));
  const uint8_t expect[4] = {0, 0, 2, 2};
  for (size_t i = 0; i < 16; ++i)
    EXPECT_EQ(img.m_aryImg[0].m_pData[i * 2], expect[before.m_aryImg[0].m_pData[i * 2]]);
  CColSel nothing;
  img = before;
  ASSERT_TRUE(img.RemapToNearest(deleted, 0, nothing, space));  // no candidate: index 0
  for (size_t i = 0; i < 16; ++i)
    if (deleted.IsSelected(before.m_aryImg[0].m_pData[i * 2])) {
      EXPECT_EQ(img.m_aryImg[0].m_pData[i * 2], 0);
    }
}

TEST(ToneAdjustColour, NeutralValuesKeepPrimariesAndGreys) {
  const RGBA colours[] = {{255, 0, 0, 9},     {0, 255, 0, 9}, {0, 0, 255, 9},
                          {128, 128, 128, 9}, {0, 0, 0, 0},   {255, 255, 255, 1}};
  for (RGBA c : colours) {
    RGBA out = c;
    ToneAdjustColour(out, 0, 0, 0);
    EXPECT_EQ(out, c);
  }
}

TEST(ToneAdjustColour, Cases) {
  struct Case {
    RGBA in;
    int h, s, b;
    RGBA out;
  } cases[] = {
      {{255, 0, 0, 7}, 120, 0, 0, {0, 255, 0, 7}},         {{255, 0, 0, 7}, -120, 0, 0, {0, 0, 255, 7}},
      {{255, 0, 0, 7}, 0, -100, 0, {128, 128, 128, 7}},    {{100, 100, 100, 7}, 0, 0, -50, {50, 50, 50, 7}},
      {{100, 100, 100, 7}, 0, 0, 100, {255, 255, 255, 7}}, {{100, 100, 100, 7}, 0, 0, 10, {125, 125, 125, 7}},
  };
  for (const auto& c : cases) {
    RGBA out = c.in;
    ToneAdjustColour(out, c.h, c.s, c.b);
    EXPECT_EQ(out, c.out) << c.h << " " << c.s << " " << c.b;
  }
}

TEST(ToneAdjust, SelectedEntriesOfChosenBankOnly) {
  CImgInf img = testutil::PaletteImage(2, 2, 8, 3);
  const CImgInf before = img;
  CColSel sel;
  sel.Set(2);
  ASSERT_TRUE(img.ToneAdjust(img, 0, 0, -100, 0, 1, &sel));
  EXPECT_EQ(img.m_aryPal[1].m_pCol[2], (RGBA{0, 0, 0, before.m_aryPal[1].m_pCol[2].a}));
  EXPECT_EQ(img.m_aryPal[1].m_pCol[3], before.m_aryPal[1].m_pCol[3]);
  EXPECT_EQ(img.m_aryPal[0].m_pCol[2], before.m_aryPal[0].m_pCol[2]);
  CImgInf other = testutil::PaletteImage(2, 2, 8, 2);
  EXPECT_FALSE(img.ToneAdjust(other, 0, 0, 0, 0, 0, nullptr));  // bank counts differ
}

}  // namespace
