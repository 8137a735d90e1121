// The reduction engine: results of palette and direct-colour runs, transparency, fixed
// entries, levels, grouping, cancel in every stage, progress and repeatability.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "model/default_colour.h"
#include "model/image_io.h"
#include "model/img_inf.h"
#include "reduce/col_rdct_engine.h"
#include "reduce/pixel_records.h"
#include "support/image_builders.h"

namespace {

// A direct image whose pixels take `colours` distinct colours in a repeating pattern.
CImgInf FewColourImage(int w, int h, const std::vector<RGBA>& colours, int levels = 1) {
  CImgInf img;
  for (int k = 0; k < levels; ++k) {
    CImgDatIf p;
    p.Create(IMGTYPE_DIR, w >> k, h >> k);
    for (size_t i = 0; i < p.PixelCount(); ++i) {
      const RGBA c = colours[(i * 7 + size_t(k)) % colours.size()];
      std::memcpy(p.m_pData + i * 4, &c, 4);
    }
    img.m_aryImg.push_back(std::move(p));
  }
  img.Renumber();
  return img;
}

std::vector<RGBA> DistinctColours(int n) {
  std::vector<RGBA> v;
  for (int i = 0; i < n; ++i) v.push_back(RGBA{uint8_t(i * 37 + 11), uint8_t(255 - i * 23), uint8_t(i * 61), 255});
  return v;
}

CColRdctPrm Prm(int colours, uint32_t flags = 0) {
  CColRdctPrm p;
  p.m_nOutColNum = colours;
  p.m_dwFlags = flags;
  p.Validate();
  return p;
}

std::unique_ptr<CImgInf> Reduce(const CColRdctPrm& prm, const CImgInf& src, int* error = nullptr) {
  CColRdctEngine engine;
  engine.InitForImage(prm, &src, 0);
  const int e = engine.RunNow();
  if (error) *error = e;
  return engine.TakeResult();
}

TEST(Engine, FewColoursGiveExactlyThoseColoursAndBlackSlots) {
  ScopedOpaqueAlpha alpha(255);
  const auto colours = DistinctColours(12);
  const CImgInf src = FewColourImage(40, 30, colours);
  int error = -1;
  auto out = Reduce(Prm(16), src, &error);
  ASSERT_EQ(error, RDCTERR_NONE);
  ASSERT_TRUE(out && out->IsValid());
  ASSERT_EQ(out->PalNum(), 1);
  EXPECT_EQ(out->GetColNum(0), 16);
  EXPECT_EQ(out->GetImgType(0), IMGTYPE_IDX);
  std::multiset<uint32_t> palette;
  for (int i = 0; i < 16; ++i) palette.insert(RgbaToU32(out->m_aryPal[0].m_pCol[i]));
  for (const RGBA& c : colours) EXPECT_EQ(palette.count(RgbaToU32(c)), 1u);
  EXPECT_EQ(palette.count(RgbaToU32(RGBA{0, 0, 0, 255})), 4u);
  // Every pixel maps back to its own colour.
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 40; ++x) {
      RGBA a, b;
      src.GetPixel(0, x, y, 0, a);
      out->GetPixel(0, x, y, 0, b);
      ASSERT_EQ(a, b);
    }
}

TEST(Engine, RepeatedRunsAreByteIdentical) {
  const CImgInf src = testutil::DirectImage(64, 48, 1);
  for (int mode = 0; mode <= 2; ++mode) {
    CColRdctPrm prm = Prm(16);
    prm.m_nDithMode = mode;
    auto a = Reduce(prm, src);
    auto b = Reduce(prm, src);
    ASSERT_TRUE(a && b);
    EXPECT_TRUE(testutil::SameContent(*a, *b)) << "dither " << mode;
    EXPECT_LE(a->CountColors(), 16);
  }
}

TEST(Engine, TransparentColourTakesIndexZero) {
  ScopedOpaqueAlpha alpha(255);
  auto colours = DistinctColours(6);
  colours.push_back(RGBA{255, 0, 255, 255});
  const CImgInf src = FewColourImage(20, 20, colours);
  auto out = Reduce(Prm(8, CRF_NUKI), src);
  ASSERT_TRUE(out);
  EXPECT_EQ(out->m_aryPal[0].m_pCol[0], (RGBA{255, 0, 255, 0}));
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 20; ++x) {
      RGBA c;
      src.GetPixel(0, x, y, 0, c);
      const bool nuki = c.r == 255 && c.g == 0 && c.b == 255;
      EXPECT_EQ(out->m_aryImg[0].Cell(x, y)[0] == 0, nuki) << x << "," << y;
    }
  CColRdctPrm black = Prm(8, CRF_NUKI | CRF_NUKI_BLACK);
  out = Reduce(black, src);
  EXPECT_EQ(out->m_aryPal[0].m_pCol[0], (RGBA{0, 0, 0, 0}));
}

TEST(Engine, FixedPaletteKeepsItsEntriesInPlace) {
  ScopedOpaqueAlpha alpha(255);
  CColRdctPrm prm = Prm(32, CRF_FIXPAL | CRF_NUKI);
  for (int i = 0; i < 256; ++i) prm.m_aFixPal[i] = RGBA{uint8_t(i * 15), uint8_t(i * 3), uint8_t(200 - i), 255};
  prm.m_nFixPalColNum = 16;
  const CImgInf src = testutil::DirectImage(32, 32);
  auto out = Reduce(prm, src);
  ASSERT_TRUE(out);
  const RGBA* pal = out->m_aryPal[0].m_pCol;
  EXPECT_EQ(pal[0], (RGBA{prm.m_colNuki.r, prm.m_colNuki.g, prm.m_colNuki.b, 0}));
  for (int j = 1; j < 16; ++j) EXPECT_EQ(pal[j], prm.m_aFixPal[j]) << j;
  std::set<uint32_t> fixed;
  for (int j = 0; j < 16; ++j) fixed.insert(RgbaToU32(pal[j]));
  for (int j = 16; j < 32; ++j) {
    if (pal[j] == RGBA{0, 0, 0, 255}) continue;
    EXPECT_EQ(fixed.count(RgbaToU32(pal[j])), 0u) << "generated entry " << j << " repeats a fixed one";
  }
}

TEST(Engine, MipLevelsShareOnePalette) {
  const CImgInf src = testutil::DirectImage(64, 64, 2);
  auto out = Reduce(Prm(16), src);
  ASSERT_TRUE(out);
  EXPECT_EQ(out->ImgNum(), 2);
  EXPECT_EQ(out->PalNum(), 1);
  EXPECT_EQ(out->m_aryImg[1].m_nWidth, 32);
  EXPECT_TRUE(out->IsValid());
}

TEST(Engine, OneColourBankGivesAOneEntryPaletteImage) {
  ScopedOpaqueAlpha alpha(255);
  CColRdctPrm prm;
  prm.m_dwFlags = CRF_FIXPAL | CRF_ALPHA;
  prm.m_nOutColNum = 1;
  prm.m_nFixPalColNum = 1;
  prm.m_aFixPal[0] = RGBA{10, 20, 30, 255};
  const CImgInf src = testutil::DirectImage(8, 8);
  int error = -1;
  auto out = Reduce(prm, src, &error);
  ASSERT_EQ(error, RDCTERR_NONE);
  ASSERT_TRUE(out);
  EXPECT_EQ(out->GetImgType(0), IMGTYPE_IDX);
  ASSERT_EQ(out->GetColNum(0), 1);
  EXPECT_EQ(out->m_aryPal[0].m_pCol[0], (RGBA{10, 20, 30, 255}));
}

TEST(Engine, DirectColourRun) {
  const CImgInf src = testutil::DirectImage(16, 16, 2);
  CColRdctPrm prm = Prm(kDirectColourCount);
  auto same = Reduce(prm, src);
  ASSERT_TRUE(same);
  EXPECT_TRUE(testutil::SameContent(*same, src));  // 8 bits per channel, no dither
  prm.m_byDepth[0] = prm.m_byDepth[1] = prm.m_byDepth[2] = 4;
  prm.m_dwFlags |= CRF_MASK;
  auto reduced = Reduce(prm, src);
  ASSERT_TRUE(reduced);
  for (int i = 0; i < reduced->m_aryImg[0].m_nSize; i += 4) {
    const uint8_t v = reduced->m_aryImg[0].m_pData[i];
    ASSERT_EQ(v >> 4, v & 15);  // replicated 4-bit values
  }
}

class CountingLoader : public IImageIo {
 public:
  int loads = 0;
  int Load(const std::string&, CImgInf& target, bool, int) override {
    ++loads;
    // Left half red (group 1), right half black (group 0).
    target = testutil::DirectImage(16, 16);
    for (int y = 0; y < 16; ++y)
      for (int x = 0; x < 16; ++x) {
        uint8_t* c = target.m_aryImg[0].Cell(x, y);
        c[0] = x < 8 ? 255 : 0;
        c[1] = c[2] = 0;
      }
    return 0;
  }
  int Save(const std::string&, const CImgInf&, bool, int, int, int) override { return 1; }
};

TEST(Engine, GroupImageSplitsThePaletteAndIsNotLoadedForDirectColour) {
  CountingLoader loader;
  const CImgInf src = testutil::DirectImage(16, 16);
  CColRdctPrm prm = Prm(16, CRF_GROUP);
  prm.m_aGroup[1].m_nCount = 4;
  prm.m_strGroupFile = "groups.bmp";
  prm.Validate();
  CColRdctEngine engine(&loader);
  engine.InitForImage(prm, &src, 0);
  ASSERT_EQ(engine.RunNow(), RDCTERR_NONE);
  auto out = engine.TakeResult();
  ASSERT_TRUE(out);
  EXPECT_EQ(loader.loads, 1);
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x) {
      const int idx = out->m_aryImg[0].Cell(x, y)[0];
      if (x < 8)
        EXPECT_GE(idx, 12) << x;  // group 1 owns 12..15
      else
        EXPECT_LT(idx, 12) << x;
    }
  // Without a loader or a name the run fails with the group image error.
  CColRdctEngine noLoader;
  noLoader.InitForImage(prm, &src, 0);
  EXPECT_EQ(noLoader.RunNow(), RDCTERR_GROUPIMAGE);
  // Direct colour ignores the group image entirely.
  prm.m_nOutColNum = kDirectColourCount;
  engine.InitForImage(prm, &src, 0);
  EXPECT_EQ(engine.RunNow(), RDCTERR_NONE);
  EXPECT_EQ(loader.loads, 1);
}

TEST(Engine, CancelInEveryStageLeavesNoResult) {
  const CImgInf src = testutil::DirectImage(64, 64);
  const CImgInf before = src;
  struct Case {
    int colours, dither, stage;
  } cases[] = {{16, 0, RDCT_STAGE_RECORDS},   {16, 0, RDCT_STAGE_HISTOGRAM}, {16, 0, RDCT_STAGE_PALETTE},
               {16, 2, RDCT_STAGE_PALETTISE}, {kDirectColourCount, 2, RDCT_STAGE_DIRECT}};
  for (const auto& c : cases) {
    CColRdctPrm prm = Prm(c.colours);
    prm.m_nDithMode = c.dither;
    prm.m_byDepth[0] = 5;
    CColRdctEngine engine;
    engine.InitForImage(prm, &src, 0);
    bool seen = false;
    ASSERT_TRUE(engine.Start([&](int code, int stage, int) {
      if (code == RDCT_NOTIFY_PROGRESS && stage == c.stage) {
        seen = true;
        engine.RequestCancel();
      }
    }));
    engine.Wait();
    EXPECT_TRUE(seen) << "stage " << c.stage;
    EXPECT_EQ(engine.Error(), RDCTERR_CANCELLED) << "stage " << c.stage;
    EXPECT_EQ(engine.TakeResult(), nullptr);
    EXPECT_EQ(engine.ErrorText(), "減色を中断しました");
  }
  EXPECT_TRUE(testutil::SameContent(src, before));
}

TEST(Engine, ThreadedRunNotifiesAndReportsProgress) {
  const CImgInf src = testutil::DirectImage(32, 32);
  CColRdctEngine engine;
  engine.InitForImage(Prm(8), &src, 0);
  std::vector<int> codes;
  std::mutex m;
  ASSERT_TRUE(engine.Start([&](int code, int, int) {
    std::lock_guard<std::mutex> lock(m);
    codes.push_back(code);
  }));
  engine.Wait();
  EXPECT_TRUE(engine.IsFinished());
  ASSERT_GE(codes.size(), 3u);
  EXPECT_EQ(codes.front(), RDCT_NOTIFY_STARTED);
  EXPECT_EQ(codes.back(), RDCT_NOTIFY_FINISHED);
  int value = -1, stage = -1;
  EXPECT_TRUE(engine.ReadProgress(value, stage));
  EXPECT_EQ(value, 100);
  EXPECT_EQ(stage, RDCT_STAGE_END);
  EXPECT_FALSE(engine.ReadProgress(value, stage));
  EXPECT_NE(engine.TakeResult(), nullptr);
}

TEST(Engine, ProgressSharesAndErrorTexts) {
  struct Case {
    int mode, stage, percent, value;
  } cases[] = {{0, 0, 50, 1}, {0, 1, 100, 25}, {0, 3, 50, 67}, {0, 4, 100, 99}, {0, 5, 0, 100},
               {1, 1, 50, 54}, {1, 2, 50, 100}, {2, 2, 200, 99}, {2, 0, 77, 0}};
  for (const auto& c : cases)
    EXPECT_EQ(CColRdctEngine::OverallValue(c.mode, c.stage, c.percent), c.value) << c.mode << "/" << c.stage;
  EXPECT_EQ(CColRdctEngine::ErrorText(1), "メモリー不足のため減色を中断しました");
  EXPECT_EQ(CColRdctEngine::ErrorText(2), "内部エラーにより減色を中断しました");
  EXPECT_EQ(CColRdctEngine::ErrorText(3), "グルーピング画像の読み込みに失敗したため減色を中断しました");
  EXPECT_EQ(CColRdctEngine::ErrorText(0), "");
  EXPECT_STREQ(CColRdctEngine::StageText(3), "減色中 (画像のパレッタイズ中)");
}

TEST(Engine, WeightUnit) {
  EXPECT_EQ(PixelWeightUnit(100 * 100), 10);
  EXPECT_EQ(PixelWeightUnit(10'000'000), 655);
  EXPECT_EQ(PixelWeightUnit(0), 10);
  EXPECT_EQ(PixelWeightUnit(300'000), 300);
}

TEST(Engine, CommonPaletteFromAccumulatedHistograms) {
  ScopedOpaqueAlpha alpha(255);
  const auto colours = DistinctColours(10);
  const CImgInf a = FewColourImage(16, 16, {colours.begin(), colours.begin() + 5});
  const CImgInf b = FewColourImage(16, 16, {colours.begin() + 5, colours.end()});
  RdctHistograms hist;
  const CColRdctPrm prm = Prm(16);
  for (const CImgInf* img : {&a, &b}) {
    CColRdctEngine acc;
    acc.InitForAccumulate(prm, img, 0, &hist);
    ASSERT_EQ(acc.RunNow(), RDCTERR_NONE);
    EXPECT_EQ(acc.TakeResult(), nullptr);
  }
  EXPECT_EQ(hist[0].size(), 10u);
  CColRdctEngine build;
  build.InitForPalette(prm, false, &hist);
  ASSERT_EQ(build.RunNow(), RDCTERR_NONE);
  std::set<uint32_t> pal;
  for (int i = 0; i < 16; ++i) pal.insert(RgbaToU32(build.Palette()[i]));
  for (const RGBA& c : colours) EXPECT_EQ(pal.count(RgbaToU32(c)), 1u);
}

}  // namespace
