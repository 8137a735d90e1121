// Channel permutation (swizzle) of direct pixels or palette entries.
#include <cstdint>

#include "model/img_inf.h"

bool CImgInf::Swizzle(const int sources[4]) {
  if (!sources || !IsValid()) return false;
  const bool alpha = HasAlpha();
  int src[4];
  bool identity = true;
  for (int c = 0; c < 4; ++c) {
    src[c] = sources[c];
    if (src[c] < 0 || src[c] > (alpha ? 3 : 2)) src[c] = c;
    if (c == 3 && !alpha) src[c] = 3;
    identity &= src[c] == c;
  }
  if (identity) return true;
  const int channels = alpha ? 4 : 3;
  auto permute = [&](uint8_t* cell) {
    const uint8_t old[4] = {cell[0], cell[1], cell[2], cell[3]};
    for (int c = 0; c < channels; ++c)
      if (src[c] != c) cell[c] = old[src[c]];
  };
  if (HasPalette()) {
    for (auto& b : m_aryPal) {
      const int n = b.m_nColNum < b.Capacity() ? b.m_nColNum : b.Capacity();
      for (int i = 0; i < n; ++i) permute(reinterpret_cast<uint8_t*>(&b.m_pCol[i]));
    }
    return true;
  }
  for (auto& p : m_aryImg) {
    const size_t n = p.PixelCount();
    for (size_t i = 0; i < n; ++i) permute(p.m_pData + i * 4);
  }
  return true;
}
