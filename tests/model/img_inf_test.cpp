// Image content: bank insertion and removal, appending levels, validity and capabilities,
// level layout, conversions, colour counting and bitmap take-over.
#include <gtest/gtest.h>

#include <map>

#include "model/default_colour.h"
#include "model/dib_source.h"
#include "model/img_inf.h"
#include "support/image_builders.h"

namespace {

using testutil::DirectImage;
using testutil::PaletteImage;

TEST(InsertPal, LimitOfHundredBanks) {
  struct Case {
    int banks, count;
    bool ok;
    int after;
  } cases[] = {{99, 1, true, 100}, {100, 1, false, 100}, {98, 5, true, 100}, {0, 1, false, 0}, {3, 2, true, 5}};
  for (const auto& c : cases) {
    CImgInf img = PaletteImage(4, 4, 16, c.banks == 0 ? 1 : c.banks);
    if (c.banks == 0) img.m_aryPal.clear();
    EXPECT_EQ(img.InsertPal(1, c.count), c.ok) << c.banks << "+" << c.count;
    EXPECT_EQ(img.PalNum(), c.after);
    for (int i = 0; i < img.PalNum(); ++i) EXPECT_EQ(img.m_aryPal[size_t(i)].m_nIndex, i);
  }
}

TEST(InsertPal, CopiesColourCountOfBankZeroAndClampsPosition) {
  ScopedOpaqueAlpha alpha(255);
  CImgInf img = PaletteImage(4, 4, 16, 2);
  img.m_aryPal[1].SetColNum(200);
  ASSERT_TRUE(img.InsertPal(99));  // clamped: appended
  ASSERT_EQ(img.PalNum(), 3);
  EXPECT_EQ(img.m_aryPal[2].m_nColNum, 16);
  for (int i = 0; i < 16; ++i) EXPECT_EQ(img.m_aryPal[2].m_pCol[i], DefaultColour());
  ASSERT_TRUE(img.InsertPal(-5));  // clamped to the front
  EXPECT_EQ(img.m_aryPal[1].m_pCol[0], testutil::Bank(16, 0).m_pCol[0]);
}

TEST(RemovePal, NeedsTwoBanks) {
  CImgInf img = PaletteImage(4, 4, 16, 2);
  ASSERT_TRUE(img.RemovePal(0));
  EXPECT_EQ(img.m_aryPal[0].m_nIndex, 0);
  EXPECT_EQ(img.m_aryPal[0].m_pCol[0], testutil::Bank(16, 1).m_pCol[0]);
  EXPECT_FALSE(img.RemovePal(0));
}

TEST(Append, LevelsMustHalve) {
  struct Case {
    int w, h;
    bool ok;
  } cases[] = {{64, 64, true}, {64, 63, false}, {65, 64, true}, {64, 66, false}};
  for (const auto& c : cases) {
    CImgInf img = DirectImage(c.w, c.h);
    CImgInf add = DirectImage(32, 32);
    EXPECT_EQ(img.Append(add, 0, 1, 0, 0), c.ok) << c.w << "x" << c.h;
    EXPECT_EQ(img.ImgNum(), c.ok ? 2 : 1);
  }
}

TEST(Append, CapsLevelsAtTenAndBanksAtHundred) {
  CImgInf img = DirectImage(1024, 1024, 9);
  CImgInf more = DirectImage(2, 2, 2);
  ASSERT_TRUE(img.Append(more, 0, 2, 0, 0));
  EXPECT_EQ(img.ImgNum(), 10);
  CImgInf pal = PaletteImage(4, 4, 8, 90);
  CImgInf banks = PaletteImage(4, 4, 8, 20);
  ASSERT_TRUE(pal.Append(banks, 0, 0, 0, 20));
  EXPECT_EQ(pal.PalNum(), 100);
  EXPECT_EQ(pal.m_aryPal[99].m_nIndex, 99);
}

TEST(Caps, TableOfContents) {
  struct Case {
    const char* name;
    CImgInf img;
    uint32_t caps;
    int type;
    bool valid;
  };
  CImgInf palOnly;
  palOnly.m_aryPal.push_back(testutil::Bank(16));
  CImgInf palOnly2 = palOnly;
  palOnly2.m_aryPal.push_back(testutil::Bank(16));
  palOnly2.Renumber();
  CImgInf palOnlyAlpha = palOnly2;
  palOnlyAlpha.SetAlphaFlag(true);
  CImgInf palNoBank = PaletteImage(4, 4, 4);
  palNoBank.m_aryPal.clear();
  CImgInf mixed = DirectImage(8, 8, 2);
  mixed.m_aryImg[1] = testutil::PalettePlane(4, 4, 4);
  mixed.Renumber();
  Case cases[] = {
      {"empty", CImgInf{}, 0, -1, false},
      {"direct", DirectImage(8, 8), IMGCAP_DIR, 0, true},
      {"direct alpha levels", DirectImage(8, 8, 3, true), IMGCAP_DIR | IMGCAP_ALPHA | IMGCAP_MULTIIMG, 0, true},
      {"palette", PaletteImage(8, 8, 4), IMGCAP_IDX, 1, true},
      {"palette banks alpha", PaletteImage(8, 8, 4, 3, 1, true), 0x1A, 1, true},
      {"palette only", palOnly, IMGCAP_PALONLY, 1, true},
      {"palette only two banks", palOnly2, IMGCAP_PALONLY | IMGCAP_MULTIBNK, 1, true},
      {"palette only alpha", palOnlyAlpha, 0x1C, 1, true},
      {"palette image without bank", palNoBank, IMGCAP_IDX, 1, false},
      {"mixed level types", mixed, IMGCAP_DIR | IMGCAP_MULTIIMG, 0, false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.img.GetCaps(), c.caps) << c.name;
    EXPECT_EQ(c.img.GetImgType(0), c.type) << c.name;
    EXPECT_EQ(c.img.IsValid(), c.valid) << c.name;
  }
  EXPECT_TRUE(palOnly.IsPalOnly());
  EXPECT_TRUE(palOnly.HasPalette());
}

TEST(LevelLayout, SideBySideAndBounding) {
  CImgInf img = DirectImage(64, 32, 3);
  struct Case {
    int level, zoom;
    bool all, ok;
    CRect rect;
  } cases[] = {
      {0, 100, false, true, {0, 0, 64, 32}},  {1, 100, false, true, {0, 0, 32, 16}},
      {1, 100, true, true, {64, 0, 96, 16}},  {2, 50, true, true, {48, 0, 56, 4}},
      {100, 100, true, true, {0, 0, 112, 32}}, {100, 200, true, true, {0, 0, 224, 64}},
      {3, 100, true, false, {0, 0, 0, 0}},    {100, 100, false, false, {0, 0, 0, 0}},
  };
  for (const auto& c : cases) {
    CRect r{9, 9, 9, 9};
    EXPECT_EQ(img.GetLevelRect(c.level, c.zoom, c.all, r), c.ok) << c.level << "@" << c.zoom;
    if (c.ok || c.level != 100) {
      EXPECT_EQ(r, c.rect) << c.level << "@" << c.zoom;
    }
  }
}

TEST(Ranges, LevelAndBankRanges) {
  CImgInf img = PaletteImage(16, 16, 4, 3, 2);
  int f = -1, l = -1;
  EXPECT_TRUE(img.GetLevelRange(IMG_ALL, true, f, l));
  EXPECT_EQ(f, 0);
  EXPECT_EQ(l, 1);
  EXPECT_FALSE(img.GetLevelRange(IMG_ALL, false, f, l));
  EXPECT_FALSE(img.GetLevelRange(2, false, f, l));
  EXPECT_TRUE(img.GetBankRange(PAL_ALL, f, l));
  EXPECT_EQ(l, 2);
  EXPECT_TRUE(img.GetBankRange(1, f, l));
  EXPECT_FALSE(img.GetBankRange(3, f, l));
}

TEST(Conversions, Idx2DirThroughChosenBankRemovesBanks) {
  CImgInf img = PaletteImage(6, 4, 8, 2, 2);
  const CImgInf before = img;
  ASSERT_TRUE(img.ConvIdx2Dir(1));
  EXPECT_EQ(img.PalNum(), 0);
  EXPECT_EQ(img.GetImgType(0), IMGTYPE_DIR);
  EXPECT_EQ(img.ImgNum(), 2);
  for (int k = 0; k < 2; ++k) {
    int w, h;
    img.GetImgSize(k, w, h);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        RGBA got, expected;
        img.GetPixel(k, x, y, 0, got);
        before.GetPixel(k, x, y, 1, expected);
        ASSERT_EQ(got, expected);
      }
  }
  EXPECT_FALSE(img.ConvIdx2Dir(0));  // already direct
}

TEST(Conversions, ToGroupFromPaletteAndDirect) {
  CImgInf img = PaletteImage(4, 4, 4, 2);
  for (int i = 0; i < 4; ++i) img.m_aryPal[0].m_pCol[i] = RGBA{uint8_t(i & 1 ? 200 : 10), 0, uint8_t(i & 2 ? 255 : 0), 255};
  ASSERT_TRUE(img.ConvToGroup(0));
  ASSERT_EQ(img.PalNum(), 1);
  EXPECT_EQ(img.m_aryPal[0].m_nColNum, 8);
  EXPECT_EQ(img.GetImgType(0), IMGTYPE_IDX);
  const CImgInf src = PaletteImage(4, 4, 4, 2);
  for (int i = 0; i < 16; ++i) {
    const int idx = src.m_aryImg[0].m_pData[i * 2];
    EXPECT_EQ(img.m_aryImg[0].m_pData[i * 2], (idx & 1 ? 1 : 0) + (idx & 2 ? 4 : 0));
  }
  CImgInf direct = DirectImage(8, 8);
  ASSERT_TRUE(direct.ConvToGroup(0));
  EXPECT_TRUE(direct.IsValid());
  CImgInf empty;
  EXPECT_FALSE(empty.ConvToGroup(0));
}

TEST(Counting, DistinctColoursHistogramAndUsedMarks) {
  CImgInf pal = PaletteImage(8, 8, 5, 1, 2);
  EXPECT_EQ(pal.CountColors(), 5);
  uint64_t hist[256];
  EXPECT_EQ(pal.GetHistogram(hist), 64u + 16u);
  uint64_t sum = 0;
  for (int i = 0; i < 256; ++i) sum += hist[i];
  EXPECT_EQ(sum, 80u);
  CColSel sel;
  ASSERT_TRUE(pal.MarkUsed(sel));
  EXPECT_EQ(sel.Count(), 5);
  EXPECT_EQ(sel.Last(), 4);

  CImgInf direct = DirectImage(3, 1);
  const RGBA px[3] = {{1, 2, 3, 0}, {1, 2, 3, 99}, {1, 2, 4, 0}};  // alpha is ignored
  std::memcpy(direct.m_aryImg[0].m_pData, px, 12);
  EXPECT_EQ(direct.CountColors(), 2);
  EXPECT_EQ(direct.GetHistogram(hist), 0u);
  EXPECT_EQ(CImgInf{}.CountColors(), 0);
}

TEST(Indices, SetIndexOfPermuteAndRemap) {
  CImgInf img = PaletteImage(4, 4, 4, 2);
  CColSel sel;
  sel.Set(1);
  sel.Set(2);
  ASSERT_TRUE(img.SetIndexOf(sel, 0));
  uint64_t hist[256];
  img.GetHistogram(hist);
  EXPECT_EQ(hist[1] + hist[2], 0u);
  uint8_t perm[256];
  for (int i = 0; i < 256; ++i) perm[i] = uint8_t(i);
  perm[0] = 3;
  const RGBA old3 = img.m_aryPal[1].m_pCol[3];
  ASSERT_TRUE(img.PermutePal(perm, -1));
  EXPECT_EQ(img.m_aryPal[1].m_pCol[0], old3);
  uint8_t remap[512] = {};
  for (int i = 0; i < 256; ++i) remap[256 + i] = uint8_t(i == 0 ? 3 : i);
  ASSERT_TRUE(img.RemapImg(remap, IMG_ALL));
  img.GetHistogram(hist);
  EXPECT_EQ(hist[0], 0u);
  EXPECT_FALSE(img.RemapImg(remap, 5));
}

TEST(Copying, CopyFromRangesAndSelf) {
  CImgInf src = PaletteImage(16, 16, 8, 4, 3, true);
  src.m_impRct.Add();
  CImgInf dst;
  ASSERT_TRUE(dst.CopyFrom(src, 1, 5, 2, 1));
  EXPECT_EQ(dst.ImgNum(), 2);
  EXPECT_EQ(dst.PalNum(), 1);
  EXPECT_EQ(dst.m_aryImg[0].m_nWidth, 8);
  EXPECT_EQ(dst.m_aryPal[0].m_nIndex, 0);
  EXPECT_EQ(dst.m_impRct.Count(), 1);
  EXPECT_TRUE(dst.HasAlpha());
  EXPECT_FALSE(dst.CopyFrom(dst));
  CImgInf whole = src;
  EXPECT_TRUE(testutil::SameContent(whole, src));
}

TEST(Fills, CheckerAndSolid) {
  CImgInf img = PaletteImage(4, 4, 4);
  const RGBA a{255, 255, 255, 255}, b{128, 128, 128, 255};
  ASSERT_TRUE(img.CheckerFill(3, a, b));
  EXPECT_EQ(img.PalNum(), 0);
  int w, h;
  img.GetImgSize(0, w, h);
  EXPECT_EQ(w, 6);
  RGBA c;
  img.GetPixel(0, 0, 0, 0, c);
  EXPECT_EQ(c, a);
  img.GetPixel(0, 5, 5, 0, c);
  EXPECT_EQ(c, a);
  img.GetPixel(0, 3, 2, 0, c);
  EXPECT_EQ(c, b);
  img.GetPixel(0, 2, 3, 0, c);
  EXPECT_EQ(c, b);
  ASSERT_TRUE(img.SolidFill(5, 2, b));
  img.GetPixel(0, 4, 1, 0, c);
  EXPECT_EQ(c, b);
  EXPECT_FALSE(img.SolidFill(0, 2, b));
  EXPECT_FALSE(img.CheckerFill(0, a, b));
}

class FakeDib : public IDibSource {
 public:
  int bits = 8;
  bool alpha = false;
  int w = 3, h = 2, colours = 2;
  int DibWidth() const override { return w; }
  int DibHeight() const override { return h; }
  int DibBitCount() const override { return bits; }
  bool DibHasAlpha() const override { return alpha; }
  int DibColourCount() const override { return colours; }
  std::optional<RGBA> DibPaletteEntry(int i) const override {
    if (i == 0) return RGBA{10, 20, 30, 0};
    return std::nullopt;  // table entries the bitmap does not deliver
  }
  std::optional<uint32_t> DibIndex(int x, int y) const override {
    if (x == 2 && y == 1) return std::nullopt;
    return uint32_t(x % 2);
  }
  std::optional<RGBA> DibPixel(int x, int y) const override {
    if (x == 2 && y == 1) return std::nullopt;
    return RGBA{uint8_t(x), uint8_t(y), 7, 50};
  }
};

TEST(ReadDib, PaletteAndDirectWithAndWithoutAlpha) {
  ScopedOpaqueAlpha opaque(255);
  FakeDib dib;
  CImgInf img = DirectImage(9, 9, 2);
  ASSERT_TRUE(img.ReadDib(dib));
  ASSERT_EQ(img.ImgNum(), 1);
  ASSERT_EQ(img.PalNum(), 1);
  EXPECT_EQ(img.GetColNum(0), 2);
  EXPECT_FALSE(img.HasAlpha());
  EXPECT_EQ(img.m_aryPal[0].m_pCol[0], (RGBA{10, 20, 30, 255}));
  EXPECT_EQ(img.m_aryPal[0].m_pCol[1], (RGBA{0, 0, 0, 255}));
  EXPECT_EQ(img.m_aryImg[0].Cell(1, 0)[0], 1);
  EXPECT_EQ(img.m_aryImg[0].Cell(2, 1)[0], 0);

  dib.bits = 32;
  dib.alpha = true;
  ASSERT_TRUE(img.ReadDib(dib));
  EXPECT_EQ(img.PalNum(), 0);
  EXPECT_TRUE(img.HasAlpha());
  RGBA c;
  img.GetPixel(0, 1, 1, 0, c);
  EXPECT_EQ(c, (RGBA{1, 1, 7, 50}));
  img.GetPixel(0, 2, 1, 0, c);
  EXPECT_EQ(c, DefaultColour());
  dib.alpha = false;
  ASSERT_TRUE(img.ReadDib(dib));
  img.GetPixel(0, 1, 1, 0, c);
  EXPECT_EQ(c.a, 255);

  dib.w = 0;
  EXPECT_FALSE(img.ReadDib(dib));
  EXPECT_TRUE(img.IsValid());  // a failed take-over leaves the content as it was
}

}  // namespace
