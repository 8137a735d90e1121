#include "reduce/palettise.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "reduce/histogram.h"
#include "reduce/palette_build.h"
#include "reduce_fixture.h"

namespace {

using testutil::Lcg;
using testutil::RunSetup;

// A run with a palette built from the records themselves.
struct Palettised {
  RunSetup run;
  PalTable table;
  std::vector<PixelRec> recs;
  int w = 0, h = 0;

  void Build(int width, int height, int colours, uint32_t seed) {
    w = width, h = height;
    run.prm.m_nOutColNum = colours;
    run.Make();
    recs = testutil::FieldRecords(w, h, seed);
    std::vector<PixelRec> sorted;
    ASSERT_EQ(SortPixelRecords(recs.data(), recs.size(), sorted), RDCT_OK);
    ASSERT_EQ(BuildPaletteFromRecords(run.setup, sorted.data(), sorted.size(), run.palette), RDCT_OK);
    table.Set(run.setup, run.palette);
  }
  std::vector<uint8_t> Indices(int mode, float level, CNearSearch::Mode search = CNearSearch::Mode::Fast) {
    run.setup.nDithMode = mode;
    run.setup.fDithLevel = level;
    CNearSearch s(table, search);
    std::vector<uint8_t> out(recs.size() * 2, 0xEE);
    EXPECT_EQ(PalettisePlane(run.setup, s, recs.data(), w, h, out.data(), 2), RDCT_OK);
    std::vector<uint8_t> idx(recs.size());
    for (size_t i = 0; i < idx.size(); ++i) idx[i] = out[2 * i];
    return idx;
  }
};

// The fast search gives the index of the plain linear search for every colour and group,
// with duplicate entries, entries sharing a luminance, empty and clipped groups.
TEST(NearSearch, FastEqualsPlain) {
  for (uint32_t seed = 1; seed <= 6; ++seed) {
    RunSetup run;
    run.prm.m_nColSpcType = int(seed % 4);
    run.prm.m_fPriIntentChroma = seed % 2 ? -0.7f : 0.6f;
    run.prm.m_fPriRgbAlpha = 0.3f;
    run.Make();
    const int counts[8] = {100, 1, 0, 60, 2, 40, 0, 300};
    int start = 0;
    for (int g = 0; g < 8; ++g) {
      run.setup.aGroup[g] = ColGroup{start, counts[g]};
      start += counts[g];
    }
    run.setup.aGroup[6] = ColGroup{-1, 4};
    if (seed == 6) run.setup.aGroup[2] = ColGroup{90, 30};  // overlaps groups 0 and 1
    uint32_t s = seed * 77;
    for (int i = 0; i < 256; ++i) {
      uint32_t v = Lcg(s);
      run.palette[i] = RGBA{uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v % 3 ? 255 : v >> 5)};
      if (i % 9 == 4) run.palette[i] = run.palette[i - 3];  // duplicates
      if (i % 13 == 5) run.palette[i] = RGBA{run.palette[i].g, run.palette[i].r, run.palette[i].b, 255};
    }
    PalTable table;
    table.Set(run.setup, run.palette);
    CNearSearch fast(table), plain(table, CNearSearch::Mode::Plain);
    for (int n = 0; n < 20000; ++n) {
      uint32_t v = Lcg(s);
      RGBA c = n % 4 == 0 ? run.palette[v % 256] : RGBA{uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(n % 3 ? 255 : v)};
      const int g = int(Lcg(s) % 9) - (n % 50 == 0 ? 1 : 0);  // includes -1 and 8
      const int want = CNearSearch::FindPlain(table, c, g);
      const int hint = int(Lcg(s) % 260) - 2;  // any hint, in or out of the range
      ASSERT_EQ(fast.Find(c, g, hint), want) << "seed " << seed << " n " << n;
      ASSERT_EQ(fast.Find(c, g), want);  // from the cache
      ASSERT_EQ(plain.Find(c, g), want);
    }
  }
}

TEST(NearSearch, ExactColourWinsOverEarlierEqualDistance) {
  RunSetup run;
  run.prm.m_nOutColNum = 4;
  run.Make();
  run.palette[0] = RGBA{10, 10, 10, 255};
  run.palette[1] = RGBA{10, 10, 10, 255};
  run.palette[2] = RGBA{50, 60, 70, 255};
  run.palette[3] = RGBA{50, 60, 70, 255};
  PalTable table;
  table.Set(run.setup, run.palette);
  CNearSearch s(table);
  EXPECT_EQ(s.Find(RGBA{50, 60, 70, 255}, 0), 2);
  EXPECT_EQ(s.Find(RGBA{11, 10, 10, 255}, 0), 0);
  EXPECT_EQ(s.Find(RGBA{11, 10, 10, 255}, 1), -1);
}

TEST(Palettise, PatternAtStrengthZeroEqualsNoDither) {
  Palettised p;
  p.Build(67, 41, 24, 3);
  EXPECT_EQ(p.Indices(1, 0.0f), p.Indices(0, 0.8f));
  EXPECT_NE(p.Indices(1, 1.0f), p.Indices(0, 0.8f));
}

TEST(Palettise, FastAndPlainSearchGiveTheSameIndices) {
  Palettised p;
  p.Build(50, 30, 40, 8);
  for (int mode = 0; mode < 3; ++mode)
    EXPECT_EQ(p.Indices(mode, 0.8f), p.Indices(mode, 0.8f, CNearSearch::Mode::Plain)) << mode;
}

TEST(Palettise, TransparentRecordsTakeIndexZero) {
  Palettised p;
  p.Build(16, 16, 8, 2);
  for (size_t i = 0; i < p.recs.size(); i += 3) p.recs[i].flags = PIXREC_NUKI;
  for (int mode = 0; mode < 3; ++mode) {
    std::vector<uint8_t> idx = p.Indices(mode, 0.8f);
    for (size_t i = 0; i < idx.size(); i += 3) EXPECT_EQ(idx[i], 0) << mode;
  }
}

// Group 1 has an empty range: every mode gives index 0 and the pattern dither never uses -1.
TEST(Palettise, EmptyGroupRangeGivesIndexZero) {
  Palettised p;
  p.Build(12, 12, 8, 4);
  p.table.aGroup[1] = ColGroup{8, 0};
  for (auto& r : p.recs) r.group = 1;
  for (int mode = 0; mode < 3; ++mode)
    for (uint8_t i : p.Indices(mode, 0.8f)) EXPECT_EQ(i, 0) << mode;
}

// Two groups side by side: each half comes out as if palettised on its own, so no error
// crosses the border in either direction.
TEST(Palettise, DiffusionNeverCrossesGroups) {
  Palettised whole;
  whole.Build(40, 24, 32, 9);
  whole.run.setup.aGroup[0] = ColGroup{0, 16};
  whole.run.setup.aGroup[1] = ColGroup{16, 16};
  whole.table.Set(whole.run.setup, whole.run.palette);
  for (int y = 0; y < whole.h; ++y)
    for (int x = 20; x < 40; ++x) whole.recs[size_t(y) * 40 + x].group = 1;
  std::vector<uint8_t> all = whole.Indices(2, 1.0f);
  for (int half = 0; half < 2; ++half) {
    Palettised part = whole;
    part.table.Set(part.run.setup, part.run.palette);
    part.w = 20;
    part.recs.clear();
    for (int y = 0; y < whole.h; ++y)
      for (int x = 0; x < 20; ++x) part.recs.push_back(whole.recs[size_t(y) * 40 + x + 20 * half]);
    std::vector<uint8_t> alone = part.Indices(2, 1.0f);
    for (int y = 0; y < whole.h; ++y)
      for (int x = 0; x < 20; ++x)
        ASSERT_EQ(alone[size_t(y) * 20 + x], all[size_t(y) * 40 + x + 20 * half]) << half << " " << x << "," << y;
  }
}

// With 0x80 the alpha of every target is the pixel's own: a constant alpha between two
// entries that differ only in alpha never alternates.
TEST(Palettise, AlphaNotDitheredWithFlag) {
  for (int mode = 1; mode <= 2; ++mode) {
    RunSetup run;
    run.prm.m_nOutColNum = 2;
    run.Make();
    run.palette[0] = RGBA{100, 100, 100, 0};
    run.palette[1] = RGBA{100, 100, 100, 255};
    PalTable table;
    table.Set(run.setup, run.palette);
    std::vector<PixelRec> recs(64);
    for (auto& r : recs) r.r = r.g = r.b = 100, r.a = 100;
    std::vector<uint8_t> out(64);
    run.setup.nDithMode = mode;
    run.setup.fDithLevel = 1.0f;
    for (uint32_t flags : {0u, uint32_t(CRF_ALPHA_NODITH)}) {
      run.setup.dwFlags = flags;
      CNearSearch s(table);
      ASSERT_EQ(PalettisePlane(run.setup, s, recs.data(), 8, 8, out.data(), 1), RDCT_OK);
      int ones = 0;
      for (uint8_t i : out) ones += i;
      if (flags) EXPECT_EQ(ones, 0) << mode;
      else EXPECT_GT(ones, 10) << mode;
    }
  }
}

TEST(Palettise, CancelAfterARow) {
  Palettised p;
  p.Build(10, 10, 4, 1);
  CNearSearch s(p.table);
  std::vector<uint8_t> out(100);
  for (int mode = 0; mode < 3; ++mode) {
    p.run.setup.nDithMode = mode;
    EXPECT_EQ(PalettisePlane(p.run.setup, s, p.recs.data(), 10, 10, out.data(), 1, [](int row) { return row == 2; }),
              RDCT_CANCELLED);
  }
}

std::vector<uint8_t> RandomPixels(int n, uint32_t seed) {
  std::vector<uint8_t> px(size_t(n) * 4);
  for (auto& b : px) b = uint8_t(Lcg(seed));
  return px;
}

TEST(DirectReduce, EightBitsWithoutDitherIsIdentity) {
  RunSetup run;
  run.prm.m_nOutColNum = kDirectColourCount;
  run.Make();
  std::vector<uint8_t> px = RandomPixels(4096, 5), before = px;
  ASSERT_EQ(ReduceDirectPlane(run.setup, px.data(), 64, 64), RDCT_OK);
  EXPECT_EQ(px, before);
}

// Every output pixel is a representable colour of the bit counts, in every mode.
TEST(DirectReduce, OutputsOnlyRepresentableLevels) {
  for (int mode = 0; mode < 3; ++mode) {
    RunSetup run;
    run.prm.m_nOutColNum = kDirectColourCount;
    run.prm.m_byDepth[0] = 5, run.prm.m_byDepth[1] = 6, run.prm.m_byDepth[2] = 5, run.prm.m_byDepth[3] = 4;
    run.prm.m_nDithMode = mode;
    run.Make();
    std::vector<uint8_t> px = RandomPixels(33 * 17, 6);
    ASSERT_EQ(ReduceDirectPlane(run.setup, px.data(), 33, 17), RDCT_OK);
    const int bits[4] = {5, 6, 5, 4};
    for (size_t i = 0; i < px.size(); ++i) {
      const int n = bits[i % 4];
      EXPECT_EQ(px[i], CColSpcConv::Expand(px[i] & PrecisionMask(n), n)) << mode << " " << i;
    }
  }
}

// Without dither every pixel is its own precision reduction, repeated colours included.
TEST(DirectReduce, NoDitherIsPerPixelReduction) {
  for (uint32_t flags : {0u, uint32_t(CRF_MASK), uint32_t(CRF_NO_REPLICATE)}) {
    RunSetup run;
    run.prm.m_nOutColNum = kDirectColourCount;
    run.prm.m_byDepth[0] = 4, run.prm.m_byDepth[1] = 5, run.prm.m_byDepth[2] = 3, run.prm.m_byDepth[3] = 2;
    run.prm.m_dwFlags = flags;
    run.Make();
    std::vector<uint8_t> px = RandomPixels(2000, 17);
    for (size_t i = 0; i + 4000 <= px.size(); i += 12) std::memcpy(&px[i + 4000], &px[i], 4);  // repeats
    std::vector<uint8_t> want = px;
    for (size_t i = 0; i < want.size(); i += 4) {
      RGBA c{want[i], want[i + 1], want[i + 2], want[i + 3]};
      run.conv.ReducePrecision(c, 4, 5, 3, 2, flags);
      want[i] = c.r, want[i + 1] = c.g, want[i + 2] = c.b, want[i + 3] = c.a;
    }
    ASSERT_EQ(ReduceDirectPlane(run.setup, px.data(), 50, 40), RDCT_OK);
    EXPECT_EQ(px, want) << flags;
  }
}

TEST(DirectReduce, PatternAtStrengthZeroEqualsNoDither) {
  RunSetup run;
  run.prm.m_nOutColNum = kDirectColourCount;
  run.prm.m_byDepth[0] = run.prm.m_byDepth[1] = run.prm.m_byDepth[2] = 3;
  run.Make();
  std::vector<uint8_t> a = RandomPixels(300, 9), b = a;
  run.setup.nDithMode = 0;
  ASSERT_EQ(ReduceDirectPlane(run.setup, a.data(), 20, 15), RDCT_OK);
  run.setup.nDithMode = 1;
  run.setup.fDithLevel = 0.0f;
  ASSERT_EQ(ReduceDirectPlane(run.setup, b.data(), 20, 15), RDCT_OK);
  EXPECT_EQ(a, b);
}

TEST(DirectReduce, OnePixelWide) {
  RunSetup run;
  run.prm.m_nOutColNum = kDirectColourCount;
  run.prm.m_byDepth[0] = run.prm.m_byDepth[1] = run.prm.m_byDepth[2] = 1;
  run.prm.m_nDithMode = 2;
  run.prm.m_fDithLevel = 1.0f;
  run.Make();
  std::vector<uint8_t> px;
  for (int i = 0; i < 16; ++i) px.insert(px.end(), {128, 128, 128, 255});
  ASSERT_EQ(ReduceDirectPlane(run.setup, px.data(), 1, 16), RDCT_OK);
  int white = 0;
  for (int i = 0; i < 16; ++i) white += px[4 * i] == 255;
  EXPECT_GT(white, 3);  // the error diffuses downwards and mixes the two levels
  EXPECT_LT(white, 13);
}

}  // namespace

namespace {

uint64_t Fnv(const void* data, size_t n, uint64_t h = 1469598103934665603ull) {
  const uint8_t* p = static_cast<const uint8_t*>(data);
  for (size_t i = 0; i < n; ++i) h = (h ^ p[i]) * 1099511628211ull;
  return h;
}

// Pins the bytes of a full run (palette, then the indices of each dither mode, then direct
// colour in each mode) so that a change of arithmetic or evaluation order cannot pass
// unnoticed. A deliberate change of results updates these values.
TEST(ReduceRegression, PinnedBytes) {
  Palettised p;
  p.run.prm.m_nColSpcType = 1;
  p.run.prm.m_fPriIntentChroma = -0.3f;
  p.run.prm.m_byDepth[0] = p.run.prm.m_byDepth[1] = p.run.prm.m_byDepth[2] = 6;
  p.Build(96, 64, 48, 21);
  uint64_t h = Fnv(p.run.palette, sizeof p.run.palette);
  for (int mode = 0; mode < 3; ++mode) {
    std::vector<uint8_t> idx = p.Indices(mode, 0.8f);
    h = Fnv(idx.data(), idx.size(), h);
  }
  for (int mode = 0; mode < 3; ++mode) {
    RunSetup run = p.run;
    run.setup.pConv = &run.conv;
    run.setup.nDithMode = mode;
    run.setup.fDithLevel = 0.8f;
    run.setup.nBits[0] = 4, run.setup.nBits[1] = 5, run.setup.nBits[2] = 3;
    std::vector<uint8_t> px = RandomPixels(96 * 64, 3);
    ASSERT_EQ(ReduceDirectPlane(run.setup, px.data(), 96, 64), RDCT_OK);
    h = Fnv(px.data(), px.size(), h);
  }
  RecordProperty("hash", std::to_string(h));
  EXPECT_EQ(h, 17947050049582070336ull);
}

}  // namespace
