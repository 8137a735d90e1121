// Tone adjustment: the HSL conversions, the per-colour adjustment and the model entry point
// that applies it to palette entries or direct pixels.
#include "model/tone_adjust.h"

#include <algorithm>
#include <cmath>

#include "model/img_inf.h"

HslColour RgbToHsl(RGBA c) {
  const float r = float(c.r) * 0.003921569f, g = float(c.g) * 0.003921569f, b = float(c.b) * 0.003921569f;
  const float mx = std::max({r, g, b}), mn = std::min({r, g, b});
  HslColour out;
  out.a = float(c.a);
  const float l = (mx + mn) / 2.0f;
  float h = 0.0f, s = 0.0f;
  if (mx != mn) {
    const float d = mx - mn;
    s = l < 0.5f ? d / (mx + mn) : d / (2.0f - mx - mn);
    if (r == mx)
      h = (g - b) / d;
    else if (g == mx)
      h = (b - r) / d + 2.0f;
    else
      h = (r - g) / d + 4.0f;
    h = h / 6.0f;
    if (h < 0.0f) h += 1.0f;
  }
  out.h = h * 360.0f;
  out.s = s * 100.0f;
  out.l = l * 100.0f;
  return out;
}

namespace {

float HueChannel(float p, float q, float t) {
  if (t < 0.0f) t += 1.0f;
  if (t > 1.0f) t -= 1.0f;
  if (t < 1.0f / 6.0f) return p + (q - p) * 6.0f * t;
  if (t < 0.5f) return q;
  if (t < 2.0f / 3.0f) return p + (q - p) * (2.0f / 3.0f - t) * 6.0f;
  return p;
}

uint8_t ToByte(float v) { return uint8_t(std::clamp(std::trunc(v), 0.0f, 255.0f)); }

}  // namespace

RGBA HslToRgb(const HslColour& hsl) {
  const float h = hsl.h * 0.0027777778f, s = hsl.s * 0.01f, l = hsl.l * 0.01f;
  float r, g, b;
  if (std::fabs(s) < 0.00001f) {
    r = g = b = l;
  } else {
    const float q = l > 0.5f ? l + s - l * s : l * (1.0f + s);
    const float p = 2.0f * l - q;
    r = HueChannel(p, q, h + 1.0f / 3.0f);
    g = HueChannel(p, q, h);
    b = HueChannel(p, q, h - 1.0f / 3.0f);
  }
  return RGBA{ToByte(r * 255.0f + 0.5f), ToByte(g * 255.0f + 0.5f), ToByte(b * 255.0f + 0.5f),
              ToByte(hsl.a + 0.5f)};
}

void ToneAdjustColour(RGBA& colour, int hue, int saturation, int brightness) {
  HslColour hsl = RgbToHsl(colour);
  const float sb = float(saturation) * 0.01f;
  hsl.s = saturation < 0 ? hsl.s * (1.0f + sb) : hsl.s * (9.0f * (sb * sb) + 1.0f);
  hsl.h = hsl.h + float(hue);
  hsl.h = hsl.h - std::trunc(hsl.h * 0.0027777778f) * 360.0f;
  if (hsl.h < 0.0f) hsl.h += 360.0f;
  hsl.s = std::clamp(hsl.s, 0.0f, 100.0f);
  hsl.l = std::clamp(hsl.l, 0.0f, 100.0f);
  hsl.a = std::clamp(hsl.a, 0.0f, 255.0f);
  const uint8_t alpha = colour.a;
  RGBA out = HslToRgb(hsl);
  auto bright = [brightness](uint8_t v) {
    const float f = brightness < 0 ? std::trunc(float(v) * (1.0f + float(brightness) * 0.01f))
                                   : std::trunc(float(v) + float(brightness) * 2.55f);
    return uint8_t(std::clamp(f, 0.0f, 255.0f));
  };
  out.r = bright(out.r);
  out.g = bright(out.g);
  out.b = bright(out.b);
  out.a = alpha;
  colour = out;
}

bool CImgInf::ToneAdjust(const CImgInf& src, int hue, int saturation, int brightness, int level, int bank,
                         const CColSel* sel) {
  if (!IsValid() || src.ImgNum() != ImgNum() || src.PalNum() != PalNum()) return false;
  if (HasPalette()) {
    int first, last;
    if (!GetBankRange(bank, first, last)) return false;
    for (int k = first; k <= last; ++k) {
      CPalDatIf& d = m_aryPal[size_t(k)];
      const CPalDatIf& s = src.m_aryPal[size_t(k)];
      const int n = std::min({d.m_nColNum, d.Capacity(), s.Capacity()});
      for (int i = 0; i < n; ++i) {
        if (sel && !sel->IsSelected(i)) continue;
        RGBA c = s.m_pCol[i];
        ToneAdjustColour(c, hue, saturation, brightness);
        d.m_pCol[i] = c;
      }
    }
    return true;
  }
  int first, last;
  if (!GetLevelRange(level, true, first, last)) return false;
  for (int k = first; k <= last; ++k) {
    CImgDatIf& d = m_aryImg[size_t(k)];
    const CImgDatIf& s = src.m_aryImg[size_t(k)];
    if (s.m_nType != d.m_nType || s.m_nWidth != d.m_nWidth || s.m_nHeight != d.m_nHeight || !s.IsValid())
      continue;
    const size_t n = d.PixelCount();
    for (size_t i = 0; i < n; ++i) {
      const uint8_t* sp = s.m_pData + i * 4;
      RGBA c{sp[0], sp[1], sp[2], sp[3]};
      ToneAdjustColour(c, hue, saturation, brightness);
      uint8_t* dp = d.m_pData + i * 4;
      dp[0] = c.r, dp[1] = c.g, dp[2] = c.b, dp[3] = c.a;
    }
  }
  return true;
}
