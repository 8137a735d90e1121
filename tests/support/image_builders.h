// Small builders of image contents for tests.
#pragma once

#include <cstdint>
#include <cstring>
#include <vector>

#include "model/img_inf.h"

namespace testutil {

// A direct plane whose pixel (x, y) has a colour derived from x, y and the seed.
inline CImgDatIf DirectPlane(int w, int h, int seed = 0, uint8_t alpha = 255) {
  CImgDatIf p;
  p.Create(IMGTYPE_DIR, w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      uint8_t* c = p.Cell(x, y);
      c[0] = uint8_t(x * 7 + seed);
      c[1] = uint8_t(y * 13 + seed * 3);
      c[2] = uint8_t((x ^ y) + seed * 5);
      c[3] = alpha;
    }
  return p;
}

inline CImgDatIf PalettePlane(int w, int h, int colours, int seed = 0) {
  CImgDatIf p;
  p.Create(IMGTYPE_IDX, w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) p.Cell(x, y)[0] = uint8_t((x + y * 3 + seed) % colours);
  return p;
}

inline CPalDatIf Bank(int colours, int seed = 0) {
  CPalDatIf b;
  b.Create(colours);
  for (int i = 0; i < colours; ++i)
    b.m_pCol[i] = RGBA{uint8_t(i * 3 + seed), uint8_t(i * 5 + seed), uint8_t(255 - i), uint8_t(200 + seed)};
  return b;
}

// A content with `levels` mip levels halving from w x h.
inline CImgInf DirectImage(int w, int h, int levels = 1, bool alpha = false) {
  CImgInf img;
  for (int k = 0; k < levels; ++k) img.m_aryImg.push_back(DirectPlane(w >> k, h >> k, k));
  img.SetAlphaFlag(alpha);
  img.Renumber();
  return img;
}

inline CImgInf PaletteImage(int w, int h, int colours, int banks = 1, int levels = 1, bool alpha = false) {
  CImgInf img;
  for (int k = 0; k < levels; ++k) img.m_aryImg.push_back(PalettePlane(w >> k, h >> k, colours, k));
  for (int i = 0; i < banks; ++i) img.m_aryPal.push_back(Bank(colours, i));
  img.SetAlphaFlag(alpha);
  img.Renumber();
  return img;
}

inline std::vector<uint8_t> Bytes(const CImgDatIf& p) {
  return p.m_pData ? std::vector<uint8_t>(p.m_pData, p.m_pData + p.m_nSize) : std::vector<uint8_t>{};
}

// Byte-for-byte equality of two contents: flags, every level, every bank's entries and the
// region table.
inline bool SameContent(const CImgInf& a, const CImgInf& b) {
  if (a.m_dwFlags != b.m_dwFlags || a.ImgNum() != b.ImgNum() || a.PalNum() != b.PalNum()) return false;
  for (int i = 0; i < a.ImgNum(); ++i) {
    const auto& p = a.m_aryImg[size_t(i)];
    const auto& q = b.m_aryImg[size_t(i)];
    if (p.m_nIndex != q.m_nIndex || p.m_nType != q.m_nType || p.m_nWidth != q.m_nWidth ||
        p.m_nHeight != q.m_nHeight || Bytes(p) != Bytes(q))
      return false;
  }
  for (int i = 0; i < a.PalNum(); ++i) {
    const auto& p = a.m_aryPal[size_t(i)];
    const auto& q = b.m_aryPal[size_t(i)];
    if (p.m_nIndex != q.m_nIndex || p.m_nColNum != q.m_nColNum ||
        std::memcmp(p.m_pCol, q.m_pCol, size_t(p.m_nColNum) * 4) != 0)
      return false;
  }
  return a.m_impRct == b.m_impRct;
}

}  // namespace testutil
