#include "reduce/col_spc_conv.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "reduce/col_rdct_prm.h"

namespace {

TEST(ColSpcConv, VectorsToFourDecimals) {
  struct Case {
    int type;
    RGBA c;
    float want[4];
  };
  const Case cases[] = {
      {0, {255, 255, 255, 255}, {0.8917f, 0, 0, 0.5f}},
      {0, {255, 0, 0, 255}, {0.2666f, 0.2798f, -0.0638f, 0.5f}},
      {1, {255, 0, 0, 255}, {0.2671f, 0.2942f, 0.0287f, 0.5f}},
      {3, {255, 255, 255, 255}, {0.5774f, 0, 0, 0.5f}},
      {3, {255, 0, 0, 255}, {0.1443f, 0.4330f, -0.1443f, 0.5f}},
  };
  for (const Case& c : cases) {
    CColSpcConv conv;
    conv.Build(c.type, 0, 0, 0);
    ColVec v = conv.To(c.c);
    for (int k = 0; k < 4; ++k) EXPECT_NEAR(v.v[k], c.want[k], 0.00005) << "type " << c.type << " k " << k;
  }
}

TEST(ColSpcConv, UniformSpaceWeights) {
  CColSpcConv conv;
  conv.Build(3, 0, 0, 0);
  EXPECT_FLOAT_EQ(conv.m_fwd[0][0] * 2, conv.m_fwd[0][1]);
  EXPECT_FLOAT_EQ(conv.m_fwd[0][2], conv.m_fwd[0][0]);
  // Both difference rows have the same scale: red minus luminance and blue minus luminance.
  EXPECT_FLOAT_EQ(conv.m_fwd[1][0], conv.m_fwd[2][2]);
}

TEST(ColSpcConv, PrioritiesShiftWeights) {
  CColSpcConv base, lum, warm, alpha;
  base.Build(0, 0, 0, 0);
  lum.Build(0, -1, 0, 0);
  warm.Build(0, 0, 1, 0);
  alpha.Build(0, 0, 0, 1);
  EXPECT_GT(lum.m_fwd[0][0] / lum.m_fwd[1][0], base.m_fwd[0][0] / base.m_fwd[1][0]);
  EXPECT_GT(warm.m_fwd[1][0] / warm.m_fwd[2][2], base.m_fwd[1][0] / base.m_fwd[2][2]);
  EXPECT_NEAR(alpha.m_fwd[3][3], 4 * base.m_fwd[3][3], 1e-6);
}

// Every RGB colour goes through one of the 100 settings of the grid (4 types x 5 x 5
// priorities), the settings and the alphas taking turns.
TEST(ColSpcConv, RoundTripEveryColour) {
  const float prio[] = {-1.0f, -0.35f, 0.0f, 0.5f, 1.0f};
  const uint8_t alphas[] = {0, 1, 128, 254, 255};
  std::vector<CColSpcConv> convs;
  for (int type = 0; type < 4; ++type)
    for (float p : prio)
      for (float h : prio) {
        convs.emplace_back();
        convs.back().Build(type, p, h, (p + h) / 2);
      }
  int failures = 0;
  for (uint32_t rgb = 0; rgb < (1u << 24) && failures < 10; ++rgb) {
    const CColSpcConv& conv = convs[rgb % convs.size()];
    const RGBA c{uint8_t(rgb), uint8_t(rgb >> 8), uint8_t(rgb >> 16), alphas[(rgb / 7) % 5]};
    if (!(conv.From(conv.To(c)) == c)) {
      ++failures;
      ADD_FAILURE() << "setting " << rgb % convs.size() << " rgb " << rgb << " a " << int(c.a);
    }
  }
  EXPECT_EQ(failures, 0);
}

TEST(ColSpcConv, ExpandBits) {
  EXPECT_EQ(CColSpcConv::Expand(0xA0, 3), 0xB6);
  EXPECT_EQ(CColSpcConv::Expand(0x80, 1), 0xFF);
  EXPECT_EQ(CColSpcConv::Expand(0x40, 2), 0x55);
  EXPECT_EQ(CColSpcConv::Expand(0xFF, 0), 0x00);
  EXPECT_EQ(CColSpcConv::Expand(0xC8, 5), 0xCE);
  EXPECT_EQ(CColSpcConv::Expand(0xAB, 8), 0xAB);
}

TEST(ColSpcConv, ReducePrecision) {
  CColSpcConv conv;
  struct Case {
    RGBA in;
    int bits[4];
    uint32_t flags;
    RGBA want;
  };
  const Case cases[] = {
      {{200, 100, 50, 77}, {5, 6, 5, 8}, CRF_MASK, {206, 101, 49, 77}},
      {{200, 100, 50, 77}, {5, 6, 5, 8}, CRF_MASK | CRF_NO_REPLICATE, {200, 100, 48, 77}},
      {{1, 2, 3, 4}, {8, 8, 8, 8}, 0, {1, 2, 3, 4}},
      {{1, 2, 3, 4}, {8, 8, 8, 0}, 0, {1, 2, 3, 0}},
      {{1, 2, 3, 200}, {8, 8, 8, 0}, CRF_NO_REPLICATE, {1, 2, 3, 0}},
      {{255, 255, 255, 255}, {5, 5, 5, 8}, CRF_NO_REPLICATE, {248, 248, 248, 255}},
      {{255, 255, 255, 255}, {5, 5, 5, 8}, 0, {255, 255, 255, 255}},
      {{10, 10, 10, 0x9F}, {8, 8, 8, 4}, 0, {10, 10, 10, 0x99}},
      {{0, 0, 0, 0xFF}, {1, 1, 1, 1}, 0, {0, 0, 0, 0xFF}},
      {{255, 255, 255, 0x7F}, {1, 1, 1, 1}, 0, {255, 255, 255, 0}},
  };
  for (const Case& c : cases) {
    RGBA v = c.in;
    conv.ReducePrecision(v, c.bits[0], c.bits[1], c.bits[2], c.bits[3], c.flags);
    EXPECT_EQ(v, c.want) << int(c.in.r) << "," << int(c.in.g) << "," << int(c.in.b);
  }
}

// The nearest-level choice picks one of the two neighbouring levels per channel, and is never
// farther (in the colour space) than plain masking.
TEST(ColSpcConv, NearestLevelIsNoWorseThanMasking) {
  CColSpcConv conv;
  conv.Build(1, 0.3f, -0.4f, 0);
  auto dist = [&](RGBA a, RGBA b) {
    ColVec x = conv.To(a), y = conv.To(b);
    float d = 0;
    for (int k = 0; k < 3; ++k) d += (x.v[k] - y.v[k]) * (x.v[k] - y.v[k]);
    return d;
  };
  for (uint32_t i = 0; i < 5000; ++i) {
    uint32_t s = i * 2654435761u;
    RGBA c{uint8_t(s), uint8_t(s >> 8), uint8_t(s >> 16), 255};
    RGBA nearest = c, masked = c;
    conv.ReducePrecision(nearest, 3, 3, 2, 8, 0);
    conv.ReducePrecision(masked, 3, 3, 2, 8, CRF_MASK);
    EXPECT_LE(dist(c, nearest), dist(c, masked));
    for (int ch = 0; ch < 3; ++ch) {
      const uint8_t in = (&c.r)[ch], out = (&nearest.r)[ch];
      const int bits = ch == 2 ? 2 : 3;
      const int lo = CColSpcConv::Expand(in & PrecisionMask(bits), bits);
      const int hi = CColSpcConv::Expand(std::min(in + PrecisionStep(bits), 255) & PrecisionMask(bits), bits);
      EXPECT_TRUE(out == lo || out == hi);
    }
  }
}

}  // namespace

namespace {

// Precision reduction written out step by step from its definition, as the yardstick.
RGBA ReduceByDefinition(const CColSpcConv& conv, RGBA c, const int n[4], uint32_t flags) {
  if (n[0] == 8 && n[1] == 8 && n[2] == 8 && n[3] == 8) return c;
  if (n[0] == 8 && n[1] == 8 && n[2] == 8 && n[3] == 0) return RGBA{c.r, c.g, c.b, 0};
  const bool rep = !(flags & CRF_NO_REPLICATE);
  auto lvl = [&](int v, int bits) {
    int m = v & PrecisionMask(bits);
    return uint8_t(rep ? CColSpcConv::Expand(uint8_t(m), bits) : m);
  };
  RGBA out{lvl(c.r, n[0]), lvl(c.g, n[1]), lvl(c.b, n[2]), lvl(c.a, n[3])};
  if (flags & CRF_MASK) return out;
  const ColVec ref = conv.To(c);
  float best = 0;
  bool first = true;
  const uint8_t in[3] = {c.r, c.g, c.b};
  uint8_t cand[3][2];
  for (int ch = 0; ch < 3; ++ch) {
    cand[ch][0] = lvl(in[ch], n[ch]);
    cand[ch][1] = lvl(std::min(in[ch] + PrecisionStep(n[ch]), 255), n[ch]);
  }
  for (int ir = 0; ir < 2; ++ir)
    for (int ig = 0; ig < 2; ++ig)
      for (int ib = 0; ib < 2; ++ib) {
        ColVec v = conv.To(RGBA{cand[0][ir], cand[1][ig], cand[2][ib], out.a});
        float d0 = v.v[0] - ref.v[0], d1 = v.v[1] - ref.v[1], d2 = v.v[2] - ref.v[2];
        float d = d0 * d0 + d1 * d1 + d2 * d2;
        if (first || d < best) {
          best = d, first = false;
          out.r = cand[0][ir], out.g = cand[1][ig], out.b = cand[2][ib];
        }
      }
  return out;
}

TEST(ColSpcConv, ReducePrecisionMatchesDefinition) {
  uint32_t s = 12345;
  auto next = [&s] { return s = s * 1664525u + 1013904223u, s >> 8; };
  for (int type = 0; type < 4; ++type) {
    CColSpcConv conv;
    conv.Build(type, type * 0.4f - 0.6f, 0.3f - type * 0.2f, 0);
    for (int i = 0; i < 20000; ++i) {
      const uint32_t v = next();
      const RGBA c{uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(next())};
      const int n[4] = {int(next() % 8) + 1, int(next() % 8) + 1, int(next() % 8) + 1, int(next() % 9)};
      const uint32_t flags = (next() % 4) * 0x1000;
      RGBA got = c;
      conv.ReducePrecision(got, n[0], n[1], n[2], n[3], flags);
      ASSERT_EQ(got, ReduceByDefinition(conv, c, n, flags)) << i;
    }
  }
}

}  // namespace
