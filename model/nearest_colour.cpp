// Nearest palette colour search and the remapping of pixels after colours are deleted.
#include "model/nearest_colour.h"

#include <algorithm>
#include <limits>

#include "model/img_inf.h"

int FindNearest(const CPalDatIf& bank, RGBA& colour, bool useAlpha, const CColSel* sel,
                const CColourSpaceIf& space) {
  if (!bank.IsValid()) return -1;
  float want[4];
  space.ToSpace(colour, want);
  double best = std::numeric_limits<double>::max();
  int found = -1;
  const int n = std::min(bank.m_nColNum, bank.Capacity());
  for (int i = 0; i < n; ++i) {
    if (sel && !sel->IsSelected(i)) continue;
    float v[4];
    space.ToSpace(bank.m_pCol[i], v);
    double d = 0.0;
    for (int k = 0; k < (useAlpha ? 4 : 3); ++k) {
      const double diff = double(v[k]) - double(want[k]);
      d += diff * diff;
    }
    if (d < best) {
      best = d;
      found = i;
    }
  }
  if (found >= 0) colour = bank.m_pCol[found];
  return found;
}

int CImgInf::FindNearestCol(int bank, RGBA& colour, bool useAlpha, const CColSel* sel,
                            const CColourSpaceIf& space) const {
  const CPalDatIf* b = Pal(bank);
  return b ? FindNearest(*b, colour, useAlpha, sel, space) : -1;
}

bool CImgInf::RemapToNearest(const CColSel& deleted, int bank, const CColSel& allowed,
                             const CColourSpaceIf& space) {
  const CPalDatIf* b = Pal(bank);
  if (!b || !b->IsValid() || !IsImgValid(IMG_ALL) || GetImgType(0) != IMGTYPE_IDX) return false;
  uint8_t table[256];
  bool isDeleted[256];
  for (int i = 0; i < 256; ++i) {
    table[i] = uint8_t(i);
    isDeleted[i] = deleted.IsSelected(i);
    if (!isDeleted[i]) continue;
    RGBA c;
    if (!GetPalCol(bank, i, c)) c = i < b->Capacity() ? b->m_pCol[i] : RGBA{};
    const int found = FindNearest(*b, c, HasAlpha(), &allowed, space);
    table[i] = uint8_t(found < 0 ? 0 : found);
  }
  for (auto& p : m_aryImg) {
    const size_t n = p.PixelCount();
    for (size_t i = 0; i < n; ++i) {
      uint8_t& idx = p.m_pData[i * 2];
      if (isDeleted[idx]) idx = table[idx];
    }
  }
  return true;
}
