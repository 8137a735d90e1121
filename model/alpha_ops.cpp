// Alpha channel operations of the image content: switching the channel on and off, loading
// it from a channel of another content and adjusting it.
#include <algorithm>
#include <cstdint>

#include "model/default_colour.h"
#include "model/img_inf.h"

namespace {

void SetPlaneAlpha(std::vector<CImgDatIf>& planes, uint8_t alpha) {
  for (auto& p : planes)
    if (p.IsValid() && p.m_nType == IMGTYPE_DIR) p.SetAlphaAll(alpha);
}

void SetBankAlpha(std::vector<CPalDatIf>& banks, uint8_t alpha) {
  for (auto& b : banks) b.SetAlphaAll(alpha);
}

// The colour of source pixel (x, y) of a level, a palette level read through bank 0.
RGBA SourceColour(const CImgDatIf& plane, const CPalDatIf* bank, int x, int y) {
  const uint8_t* c = plane.Cell(x, y);
  if (plane.m_nType == IMGTYPE_DIR) return RGBA{c[0], c[1], c[2], c[3]};
  if (bank && c[0] < std::min(bank->m_nColNum, bank->Capacity())) return bank->m_pCol[c[0]];
  return DefaultColour();
}

uint8_t Channel(RGBA c, int channel) {
  switch (channel) {
    case 0: return c.r;
    case 1: return c.g;
    case 2: return c.b;
    default: return c.a;
  }
}

}  // namespace

bool CImgInf::AlphaOn(bool fill) {
  SetAlphaFlag(true);
  if (fill) {
    const uint8_t opaque = OpaqueAlpha();
    SetPlaneAlpha(m_aryImg, opaque);
    SetBankAlpha(m_aryPal, opaque);
  }
  return true;
}

bool CImgInf::AlphaOff(bool fill) {
  SetAlphaFlag(false);
  if (fill) {
    SetPlaneAlpha(m_aryImg, 0);
    SetBankAlpha(m_aryPal, 0);
  }
  return true;
}

bool CImgInf::AlphaFromChannel(const CImgInf& src, int channel, bool tile) {
  if (!IsValid() || IsPalOnly() || GetImgType(0) != IMGTYPE_DIR || !HasAlpha()) return false;
  if (!src.IsValid() || src.IsPalOnly() || channel < 0 || channel > 3) return false;
  if (channel == 3 && !src.HasAlpha()) return false;
  const bool srcPalette = src.GetImgType(0) == IMGTYPE_IDX;
  const CPalDatIf* bank = srcPalette ? src.Pal(0) : nullptr;
  for (int k = 0; k < ImgNum() && k < src.ImgNum(); ++k) {
    CImgDatIf& d = m_aryImg[size_t(k)];
    const CImgDatIf& s = src.m_aryImg[size_t(k)];
    const int w = tile ? d.m_nWidth : std::min(d.m_nWidth, s.m_nWidth);
    const int h = tile ? d.m_nHeight : std::min(d.m_nHeight, s.m_nHeight);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x)
        d.Cell(x, y)[3] = Channel(SourceColour(s, bank, x % s.m_nWidth, y % s.m_nHeight), channel);
  }
  return true;
}

bool CImgInf::AdjustAlpha(int percent, int offset, int minAlpha, int maxAlpha) {
  if (!HasAlpha() || !IsValid()) return false;
  uint8_t table[256];
  for (int a = 0; a < 256; ++a) {
    const int64_t scaled = int64_t(percent) * a;
    int64_t v = int64_t(offset) + (scaled >= 0 ? scaled + 50 : scaled - 50) / 100;
    if (minAlpha >= 0) v = std::max<int64_t>(v, minAlpha);
    if (maxAlpha >= 0) v = std::min<int64_t>(v, maxAlpha);
    // Bounds the caller left open must not wrap around in the byte.
    table[a] = uint8_t(std::clamp<int64_t>(v, 0, 255));
  }
  if (!IsPalOnly() && GetImgType(0) == IMGTYPE_DIR) {
    for (auto& p : m_aryImg) {
      const size_t n = p.PixelCount();
      for (size_t i = 0; i < n; ++i) p.m_pData[i * 4 + 3] = table[p.m_pData[i * 4 + 3]];
    }
    return true;
  }
  for (auto& b : m_aryPal) {
    const int n = std::min(b.m_nColNum, b.Capacity());
    for (int i = 0; i < n; ++i) b.m_pCol[i].a = table[b.m_pCol[i].a];
  }
  return true;
}
