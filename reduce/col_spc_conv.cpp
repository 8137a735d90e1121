// CColSpcConv: building the matrices and precision reduction.
#include "reduce/col_spc_conv.h"

#include <cmath>

#include "reduce/col_rdct_prm.h"

namespace {

struct SpaceBase {
  double wr, wg, wb, s1, s2, sa, gain, theta;
};

constexpr SpaceBase kSpaces[4] = {
    {0.298912, 0.58661, 0.114478, 0.8354934, 0.44655266, 0.5, 1.866666, 0.0},
    {0.298912, 0.58661, 0.114478, 0.877193, 0.490196, 0.5, 2.0, 0.5759035},
    {0.298912, 0.58661, 0.114478, 0.877193, 0.490196, 0.5, 2.0, 0.0},
    {0.25, 0.5, 0.25, 1.0, 1.0, 0.5, 1.0, 0.0},
};

constexpr uint8_t kMask[9] = {0x00, 0x80, 0xC0, 0xE0, 0xF0, 0xF8, 0xFC, 0xFE, 0xFF};

int ClampBits(int n) { return n < 0 ? 0 : (n > 8 ? 8 : n); }

}  // namespace

uint8_t PrecisionMask(int n) { return kMask[ClampBits(n)]; }
int PrecisionStep(int n) {
  n = ClampBits(n);
  return n == 0 ? 0 : 256 >> n;
}

void CColSpcConv::Build(const CColRdctPrm& prm) {
  Build(prm.m_nColSpcType, prm.m_fPriIntentChroma, prm.m_fPriHueBalance, prm.m_fPriRgbAlpha);
}

void CColSpcConv::Build(int32_t type, float priIntentChroma, float priHueBalance, float priRgbAlpha) {
  m_nType = type < 0 ? 0 : (type > 3 ? 3 : type);
  m_fPriIntentChroma = priIntentChroma;
  m_fPriHueBalance = priHueBalance;
  m_fPriRgbAlpha = priRgbAlpha;
  const SpaceBase& b = kSpaces[m_nType];
  const double p = priIntentChroma, h = priHueBalance, q = priRgbAlpha;

  double L = p >= 0 ? b.gain * (1.0 - p / 2.0) : b.gain * (1.0 - p);
  double hp = h > 0 ? 2.0 * h + 1.0 : h * 2.0 / 3.0 + 1.0;
  double g = std::sqrt(hp * hp + 1.0);
  double s1 = b.s1 * (hp / g) * 1.41421356;
  double s2 = b.s2 * (1.0 / g) * 1.41421356;
  double u = 255.0 * std::sqrt(L * L + s1 * s1 + s2 * s2);
  if (u > 1e-7) {
    L /= u;
    s1 /= u;
    s2 /= u;
  }
  double sa = b.sa * (q > 0 ? 3.0 * q + 1.0 : 0.75 * q + 1.0) * 0.003921569;

  const double Y[3] = {b.wr, b.wg, b.wb};
  const double D1[3] = {1.0 - b.wr, -b.wg, -b.wb};
  const double D2[3] = {-b.wr, -b.wg, 1.0 - b.wb};
  const double c = std::cos(b.theta), s = std::sin(b.theta);
  double fwd[4][4] = {};
  for (int k = 0; k < 3; ++k) {
    fwd[0][k] = L * Y[k];
    fwd[1][k] = s1 * (c * D1[k] - s * D2[k]);
    fwd[2][k] = s2 * (s * D1[k] + c * D2[k]);
  }
  fwd[3][3] = sa;

  // Inverse of the unrotated, unscaled rows, times the rotation by -theta, columns divided
  // by the scales.
  const double base[4][4] = {{1, 1, 0, 0}, {1, -b.wr / b.wg, -b.wb / b.wg, 0}, {1, 0, 1, 0}, {0, 0, 0, 1}};
  const double rot[4][4] = {{1, 0, 0, 0}, {0, c, s, 0}, {0, -s, c, 0}, {0, 0, 0, 1}};
  const double scale[4] = {L, s1, s2, sa};
  for (int r = 0; r < 4; ++r)
    for (int k = 0; k < 4; ++k) {
      double v = 0.0;
      for (int j = 0; j < 4; ++j) v += base[r][j] * rot[j][k];
      m_inv[r][k] = float(scale[k] != 0.0 ? v / scale[k] : 0.0);
      m_fwd[r][k] = float(fwd[r][k]);
    }
}

uint8_t CColSpcConv::Expand(uint8_t v, int n) {
  switch (ClampBits(n)) {
    case 0:
      return 0;
    case 1:
      return (v & 0x80) ? 255 : 0;
    case 2:
      return uint8_t(v | v >> 2 | v >> 4 | v >> 6);
    case 3:
      return uint8_t(v | v >> 3 | v >> 6);
    default:
      return uint8_t(v | v >> n);
  }
}

void CColSpcConv::ReducePrecision(RGBA& c, int nr, int ng, int nb, int na, uint32_t flags) const {
  nr = ClampBits(nr);
  ng = ClampBits(ng);
  nb = ClampBits(nb);
  na = ClampBits(na);
  if (nr == 8 && ng == 8 && nb == 8) {
    if (na == 8) return;
    if (na == 0) {
      c.a = 0;
      return;
    }
  }
  const bool replicate = (flags & CRF_NO_REPLICATE) == 0;
  auto level = [replicate](int v, int n) {
    uint8_t m = uint8_t(v & kMask[n]);
    return replicate ? Expand(m, n) : m;
  };
  c.a = level(c.a, na);
  if (flags & CRF_MASK) {
    c.r = level(c.r, nr);
    c.g = level(c.g, ng);
    c.b = level(c.b, nb);
    return;
  }
  const ColVec ref = To(c);
  const int bits[3] = {nr, ng, nb};
  const uint8_t in[3] = {c.r, c.g, c.b};
  uint8_t cand[3][2];
  for (int ch = 0; ch < 3; ++ch) {
    int hi = in[ch] + PrecisionStep(bits[ch]);
    cand[ch][0] = level(in[ch], bits[ch]);
    cand[ch][1] = level(hi > 255 ? 255 : hi, bits[ch]);
  }
  // To colour space of each combination, from the products of each candidate level with its
  // matrix column: the same multiplications and the same order of additions as To().
  float pr[3][2], pg[3][2], pb[3][2];
  for (int k = 0; k < 3; ++k)
    for (int i = 0; i < 2; ++i) {
      pr[k][i] = m_fwd[k][0] * float(cand[0][i]);
      pg[k][i] = m_fwd[k][1] * float(cand[1][i]);
      pb[k][i] = m_fwd[k][2] * float(cand[2][i]);
    }
  float best = 0.0f;
  RGBA out = c;
  bool first = true;
  for (int ir = 0; ir < 2; ++ir)
    for (int ig = 0; ig < 2; ++ig)
      for (int ib = 0; ib < 2; ++ib) {
        const float d0 = (pr[0][ir] + pg[0][ig] + pb[0][ib]) - ref.v[0];
        const float d1 = (pr[1][ir] + pg[1][ig] + pb[1][ib]) - ref.v[1];
        const float d2 = (pr[2][ir] + pg[2][ig] + pb[2][ib]) - ref.v[2];
        const float d = d0 * d0 + d1 * d1 + d2 * d2;
        if (first || d < best) {
          best = d;
          out.r = cand[0][ir];
          out.g = cand[1][ig];
          out.b = cand[2][ib];
          first = false;
        }
      }
  c = out;
}
