// CColSpcConv: the reducer's own four-component colour space (luminance, two colour
// differences, alpha), scaled so that squared Euclidean distance expresses the user's
// priorities, and the reduction of a colour to fewer bits per channel.
//
// The matrices are computed in double precision and stored, like every vector, in single
// precision; all per-colour arithmetic is single precision in a fixed order so that results
// are the same bytes on every machine.
#pragma once

#include <cstdint>

#include "model/rgba.h"

class CColRdctPrm;

struct ColVec {
  float v[4];  // luminance, first difference, second difference, alpha
};

class CColSpcConv {
 public:
  float m_fwd[4][4] = {};  // rows: Y, D1, D2, A; columns: R, G, B, A
  float m_inv[4][4] = {};  // rows: R, G, B, A; columns: Y, D1, D2, A
  int32_t m_nType = 0;
  float m_fPriIntentChroma = 0.0f;
  float m_fPriHueBalance = 0.0f;
  float m_fPriRgbAlpha = 0.0f;

  CColSpcConv() { Build(0, 0.0f, 0.0f, 0.0f); }
  void Build(const CColRdctPrm& prm);
  void Build(int32_t type, float priIntentChroma, float priHueBalance, float priRgbAlpha);

  ColVec To(RGBA c) const {
    const float r = c.r, g = c.g, b = c.b;
    ColVec o;
    for (int k = 0; k < 3; ++k) o.v[k] = m_fwd[k][0] * r + m_fwd[k][1] * g + m_fwd[k][2] * b;
    o.v[3] = float(c.a) * m_fwd[3][3];
    return o;
  }

  RGBA From(const ColVec& v) const {
    RGBA c;
    c.r = ToByte(m_inv[0][0] * v.v[0] + m_inv[0][1] * v.v[1] + m_inv[0][2] * v.v[2] + 0.5f);
    c.g = ToByte(m_inv[1][0] * v.v[0] + m_inv[1][1] * v.v[1] + m_inv[1][2] * v.v[2] + 0.5f);
    c.b = ToByte(m_inv[2][0] * v.v[0] + m_inv[2][1] * v.v[1] + m_inv[2][2] * v.v[2] + 0.5f);
    c.a = ToByte(v.v[3] * m_inv[3][3] + 0.5f);
    return c;
  }

  // Brings the colour to the bit counts (red, green, blue, alpha) under the flags
  // CRF_MASK and CRF_NO_REPLICATE.
  void ReducePrecision(RGBA& c, int nr, int ng, int nb, int na, uint32_t flags) const;

  // Bit replication of a byte whose low 8 - n bits are zero.
  static uint8_t Expand(uint8_t v, int n);

 private:
  static uint8_t ToByte(float f) {
    // NaN and out-of-range values are limited before the conversion (no undefined cast).
    if (!(f > 0.0f)) return 0;
    if (f >= 255.0f) return 255;
    return uint8_t(f);
  }
};

// The top n bits of a byte, and the distance between two levels of n bits.
uint8_t PrecisionMask(int n);
int PrecisionStep(int n);
