#include "reduce/palette_build.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <set>

#include "reduce/box_split.h"
#include "reduce/histogram.h"
#include "reduce_fixture.h"

namespace {

using testutil::Lcg;
using testutil::RunSetup;

std::vector<PixelRec> Sorted(const std::vector<PixelRec>& recs) {
  std::vector<PixelRec> out;
  EXPECT_EQ(SortPixelRecords(recs.data(), recs.size(), out), RDCT_OK);
  return out;
}

TEST(Histogram, SortIsAPermutationByColour) {
  uint32_t s = 7;
  std::vector<PixelRec> recs(5000);
  for (auto& r : recs) {
    uint32_t v = Lcg(s);
    r.r = uint8_t(v % 5), r.g = uint8_t(v >> 4), r.b = uint8_t(v % 3), r.a = uint8_t(v % 2 ? 255 : 3);
    r.weight = uint16_t(v & 0xFFFF), r.group = uint8_t(v % 8);
  }
  auto key = [](const PixelRec& r) { return uint64_t(r.Colour()) << 32 | uint64_t(r.weight) << 8 | r.group; };
  std::vector<PixelRec> got = Sorted(recs);
  ASSERT_EQ(got.size(), recs.size());
  std::multiset<uint64_t> a, b;
  for (size_t i = 0; i < recs.size(); ++i) {
    a.insert(key(recs[i])), b.insert(key(got[i]));
    if (i) {
      ASSERT_LE(got[i - 1].Colour(), got[i].Colour());
    }
  }
  EXPECT_EQ(a, b);
  std::vector<PixelRec> none;
  EXPECT_EQ(SortPixelRecords(recs.data(), 0, none), RDCT_OK);
  EXPECT_TRUE(none.empty());
}

TEST(Histogram, GroupTransparentAndFixedColours) {
  auto rec = [](uint8_t r, uint8_t group, uint8_t flags, uint16_t w) {
    PixelRec p;
    p.r = r, p.a = 255, p.group = group, p.flags = flags, p.weight = w;
    return p;
  };
  std::vector<PixelRec> recs = {rec(5, 0, 0, 2), rec(1, 0, 0, 1), rec(5, 1, 0, 9), rec(1, 0, 0, 3),
                                rec(9, 0, PIXREC_NUKI, 4), rec(7, 0, 0, 1), rec(5, 0, 0, 65535), rec(3, 0, 0, 1)};
  std::vector<HistEntry> h;
  const RGBA fixed[1] = {RGBA{7, 0, 0, 255}};
  ASSERT_TRUE(MakeGroupHistogram(Sorted(recs).data(), recs.size(), 0, fixed, 1, h));
  ASSERT_EQ(h.size(), 3u);
  EXPECT_EQ(h[0].colour, 0xFF000001u);
  EXPECT_EQ(h[0].weight, 4.0);
  EXPECT_EQ(h[1].colour, 0xFF000003u);
  EXPECT_EQ(h[2].colour, 0xFF000005u);
  EXPECT_EQ(h[2].weight, 65537.0);

  std::vector<HistEntry> acc = {{1, 1.0}, {4, 2.0}, {9, 3.0}};
  ASSERT_TRUE(MergeHistogram(acc, {{0, 5.0}, {4, 0.5}, {10, 1.0}}));
  ASSERT_EQ(acc.size(), 5u);
  const uint32_t cols[] = {0, 1, 4, 9, 10};
  const double ws[] = {5.0, 1.0, 2.5, 3.0, 1.0};
  for (int i = 0; i < 5; ++i) EXPECT_TRUE(acc[i].colour == cols[i] && acc[i].weight == ws[i]) << i;
}

TEST(BoxSplit, JacobiFindsEigenvectors) {
  const double A[4][4] = {{4, 1, 0.5, 0}, {1, 3, 0.2, 0.1}, {0.5, 0.2, 2, 0.3}, {0, 0.1, 0.3, 1}};
  double S[4][4], V[4][4];
  std::memcpy(S, A, sizeof S);
  JacobiEigen(S, V);
  for (int c = 0; c < 4; ++c)
    for (int r = 0; r < 4; ++r) {
      double av = 0;
      for (int k = 0; k < 4; ++k) av += A[r][k] * V[k][c];
      EXPECT_NEAR(av, S[c][c] * V[r][c], 1e-7);
    }
  EXPECT_GT(S[0][0], 4.0);  // the largest eigenvalue stays in the first column here
}

TEST(BoxSplit, SplitIndex) {
  std::vector<ColRec> recs(6);
  std::vector<uint32_t> order = {0, 1, 2, 3, 4, 5};
  // Two clusters of projections: the cut falls between them.
  const double proj[] = {-3, -2.9, -2.8, 5, 5.1, 5.2};
  for (int i = 0; i < 6; ++i) recs[i].proj = proj[i], recs[i].weight = 1 + i;
  EXPECT_EQ(FindSplitIndex(recs.data(), order.data(), 6, 21.0), 3u);
  EXPECT_EQ(FindSplitIndex(recs.data(), order.data(), 2, 3.0), 1u);
  EXPECT_EQ(FindSplitIndex(recs.data(), order.data(), 1, 1.0), 0u);
  for (auto& r : recs) r.proj = 0;  // nothing separates: the middle
  EXPECT_EQ(FindSplitIndex(recs.data(), order.data(), 5, 15.0), 2u);
}

// Few distinct colours: each ends up alone in a box and converts back to itself; the unused
// slots stay black with the opaque alpha and sort to the front.
TEST(PaletteBuild, FewColoursComeBackExactly) {
  ScopedOpaqueAlpha alpha(255);
  for (int type = 0; type < 4; ++type) {
    RunSetup run;
    run.prm.m_nOutColNum = 32;
    run.prm.m_nColSpcType = type;
    run.prm.m_fPriIntentChroma = type * 0.3f - 0.5f;
    run.Make();
    uint32_t s = 99 + type;
    std::set<uint32_t> colours;
    while (colours.size() < 20) colours.insert(Lcg(s) | (Lcg(s) << 24) | 0x01000000u);
    std::vector<PixelRec> recs;
    for (uint32_t c : colours)
      for (uint32_t k = Lcg(s) % 5 + 1; k > 0; --k) {
        PixelRec r;
        RGBA v = U32ToRgba(c);
        r.r = v.r, r.g = v.g, r.b = v.b, r.a = v.a, r.weight = uint16_t(Lcg(s) % 300 + 1);
        recs.push_back(r);
      }
    std::vector<PixelRec> sorted = Sorted(recs);
    ASSERT_EQ(BuildPaletteFromRecords(run.setup, sorted.data(), sorted.size(), run.palette), RDCT_OK);
    for (int i = 0; i < 12; ++i) EXPECT_EQ(run.palette[i], (RGBA{0, 0, 0, 255})) << i;
    std::set<uint32_t> got;
    for (int i = 12; i < 32; ++i) got.insert(RgbaToU32(run.palette[i]));
    EXPECT_EQ(got, colours) << "type " << type;
    for (int i = 1; i < 32; ++i) EXPECT_LE(LuminanceKey(run.palette[i - 1]), LuminanceKey(run.palette[i]));
  }
}

TEST(PaletteBuild, TwoColoursFillTwoEntries) {
  RunSetup run;
  run.prm.m_nOutColNum = 2;
  run.Make();
  std::vector<PixelRec> recs(3);
  recs[0].r = 200, recs[0].a = 255, recs[0].weight = 1000;
  recs[1].b = 10, recs[1].a = 255, recs[1].weight = 1;
  recs[2] = recs[0];
  std::vector<PixelRec> sorted = Sorted(recs);
  ASSERT_EQ(BuildPaletteFromRecords(run.setup, sorted.data(), sorted.size(), run.palette), RDCT_OK);
  EXPECT_EQ(run.palette[0], (RGBA{0, 0, 10, 255}));
  EXPECT_EQ(run.palette[1], (RGBA{200, 0, 0, 255}));
}

// Fixed entries stay in place and their colours are never generated again, at full and at
// reduced precision (where boxes may share a representative).
TEST(PaletteBuild, FixedEntriesNeverGeneratedTwice) {
  for (int bits : {8, 5, 3}) {
    RunSetup run;
    run.prm.m_nOutColNum = 24;
    run.prm.m_byDepth[0] = run.prm.m_byDepth[1] = run.prm.m_byDepth[2] = uint8_t(bits);
    run.Make();
    std::vector<PixelRec> recs = testutil::FieldRecords(64, 48, 5);
    for (PixelRec& r : recs) {
      RGBA c = r.Rgba();
      run.conv.ReducePrecision(c, bits, bits, bits, 8, 0);
      r.r = c.r, r.g = c.g, r.b = c.b;
    }
    run.setup.nFixed = 5;
    for (int i = 0; i < 5; ++i) run.palette[i] = recs[i * 301].Rgba();
    RGBA before[5];
    std::copy(run.palette, run.palette + 5, before);
    std::vector<PixelRec> sorted = Sorted(recs);
    ASSERT_EQ(BuildPaletteFromRecords(run.setup, sorted.data(), sorted.size(), run.palette), RDCT_OK);
    for (int i = 0; i < 5; ++i) EXPECT_EQ(run.palette[i], before[i]);
    for (int i = 5; i < 24; ++i)
      for (int j = 0; j < 5; ++j) EXPECT_FALSE(run.palette[i] == before[j]) << "bits " << bits << " entry " << i;
  }
}

TEST(PaletteBuild, GroupsFillOnlyTheirRanges) {
  RunSetup run;
  run.prm.m_nOutColNum = 20;
  run.prm.m_aGroup[2].m_nCount = 8;
  run.Make();
  ASSERT_EQ(run.setup.aGroup[0].m_nCount, 12);
  std::vector<PixelRec> recs = testutil::FieldRecords(40, 40, 3);
  for (size_t i = 0; i < recs.size(); ++i)
    if (recs[i].r > 128) recs[i].group = 2, recs[i].g = 0;
    else recs[i].r = 0;
  std::vector<PixelRec> sorted = Sorted(recs);
  ASSERT_EQ(BuildPaletteFromRecords(run.setup, sorted.data(), sorted.size(), run.palette), RDCT_OK);
  for (int i = 0; i < 12; ++i) EXPECT_LT(run.palette[i].r, 8) << i;
  for (int i = 12; i < 20; ++i) EXPECT_GT(run.palette[i].r, 120) << i;
  EXPECT_EQ(run.palette[20], DefaultColour());
}

TEST(PaletteBuild, SameBytesEveryRunAndCancel) {
  RunSetup run;
  run.prm.m_nOutColNum = 64;
  run.prm.m_nColSpcType = 1;
  run.prm.m_fPriHueBalance = 0.4f;
  run.Make();
  std::vector<PixelRec> recs = testutil::FieldRecords(120, 90, 11);
  std::vector<PixelRec> sorted = Sorted(recs);
  RGBA first[256];
  ASSERT_EQ(BuildPaletteFromRecords(run.setup, sorted.data(), sorted.size(), run.palette), RDCT_OK);
  std::copy(run.palette, run.palette + 256, first);
  std::set<uint32_t> distinct;
  for (int i = 0; i < 64; ++i) distinct.insert(RgbaToU32(first[i]));
  EXPECT_EQ(distinct.size(), 64u);
  for (int rep = 0; rep < 2; ++rep) {
    for (auto& c : run.palette) c = DefaultColour();
    ASSERT_EQ(BuildPaletteFromRecords(run.setup, sorted.data(), sorted.size(), run.palette), RDCT_OK);
    EXPECT_EQ(std::memcmp(first, run.palette, sizeof first), 0);
  }
  int calls = 0;
  EXPECT_EQ(BuildPaletteFromRecords(run.setup, sorted.data(), sorted.size(), run.palette,
                                    [&](int) { return ++calls == 3 ? 1 : 0; }),
            RDCT_CANCELLED);
}

}  // namespace
