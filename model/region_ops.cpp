// Region copy between contents (paste) and the joining of all levels into one image (copy).
#include <algorithm>
#include <cstdint>
#include <cstring>

#include "model/default_colour.h"
#include "model/img_inf.h"

namespace {

// Copies the clipped area of one source plane into one destination plane at (dx, dy).
void CopyArea(CImgDatIf& dst, int64_t dx, int64_t dy, const CImgDatIf& src, CRect s, uint32_t mask,
              bool copyAlpha, uint8_t opaque) {
  // Clip the destination rectangle and shrink the source to match.
  const int64_t l = std::max<int64_t>(dx, 0), t = std::max<int64_t>(dy, 0);
  const int64_t r = std::min<int64_t>(dx + s.Width(), dst.m_nWidth);
  const int64_t b = std::min<int64_t>(dy + s.Height(), dst.m_nHeight);
  if (r <= l || b <= t) return;
  s.left += int(l - dx);
  s.top += int(t - dy);
  const int w = int(r - l), h = int(b - t);
  for (int y = 0; y < h; ++y) {
    const uint8_t* sp = src.Cell(s.left, s.top + y);
    uint8_t* dp = dst.Cell(int(l), int(t) + y);
    if (dst.m_nType == IMGTYPE_IDX) {
      std::memcpy(dp, sp, size_t(w) * 2);
      continue;
    }
    for (int x = 0; x < w; ++x, sp += 4, dp += 4) {
      if (mask & CHMASK_RED) dp[0] = sp[0];
      if (mask & CHMASK_GREEN) dp[1] = sp[1];
      if (mask & CHMASK_BLUE) dp[2] = sp[2];
      if (mask & CHMASK_ALPHA) dp[3] = copyAlpha ? sp[3] : opaque;
    }
  }
}

}  // namespace

bool CImgInf::CopyRegion(int dstLevel, int x, int y, bool allLevels, uint32_t mask, const CImgInf& src,
                         int srcLevel, const CRect* srcRect) {
  mask = EffectiveMask(mask);
  if (!mask) return false;
  const CImgDatIf* sp = src.Img(srcLevel);
  if (!sp || !sp->IsValid()) return false;
  CRect s{0, 0, sp->m_nWidth, sp->m_nHeight};
  if (srcRect) {
    s.left = std::max(srcRect->left, 0);
    s.top = std::max(srcRect->top, 0);
    s.right = std::min(srcRect->right, sp->m_nWidth);
    s.bottom = std::min(srcRect->bottom, sp->m_nHeight);
  }
  if (s.IsEmpty()) return false;
  int first, last;
  if (!GetLevelRange(dstLevel, allLevels, first, last)) return false;
  for (int k = first; k <= last; ++k) {
    const CImgDatIf* d = Img(k);
    if (!d || !d->IsValid() || d->m_nType != sp->m_nType) return false;
  }
  if (sp->m_nType == IMGTYPE_IDX) {
    if (!IsPalValid(0) || !src.IsPalValid(0) || GetColNum(0) < src.GetColNum(0)) return false;
  }
  // Copying within one content reads from a copy so that overlapping areas stay intact.
  CImgDatIf copy;
  if (&src == this) {
    if (!copy.Copy(*sp)) return false;
    sp = &copy;
  }
  const bool copyAlpha = HasAlpha() && src.HasAlpha();
  const uint8_t opaque = OpaqueAlpha();
  for (int k = first; k <= last; ++k) {
    CRect origin;
    if (!GetLevelRect(k, 100, allLevels, origin)) continue;
    CopyArea(m_aryImg[size_t(k)], int64_t(x) - origin.left, int64_t(y) - origin.top, *sp, s, mask, copyAlpha,
             opaque);
  }
  return true;
}

bool CImgInf::JoinLevels() {
  if (ImgNum() < 2 || !IsValid() || IsPalOnly()) return false;
  CRect bounds;
  if (!GetLevelRect(IMG_ALL, 100, true, bounds) || bounds.IsEmpty()) return false;
  const int type = m_aryImg[0].m_nType;
  CImgInf work;
  work.m_dwFlags = m_dwFlags;
  work.m_aryImg.emplace_back();
  if (!work.m_aryImg[0].Create(type, bounds.Width(), bounds.Height())) return false;
  for (const auto& b : m_aryPal) {
    work.m_aryPal.push_back(b);
    if (!work.m_aryPal.back().IsValid()) return false;
  }
  work.m_impRct = m_impRct;
  CImgDatIf& plane = work.m_aryImg[0];
  if (type == IMGTYPE_DIR) {
    const uint8_t alpha = HasAlpha() ? 0 : OpaqueAlpha();
    const size_t n = plane.PixelCount();
    for (size_t i = 0; i < n; ++i) plane.m_pData[i * 4 + 3] = alpha;
  }
  work.Renumber();
  for (int k = 0; k < ImgNum(); ++k) {
    CRect r;
    if (!GetLevelRect(k, 100, true, r)) break;
    work.CopyRegion(0, r.left, r.top, false, CHMASK_ALL, *this, k, nullptr);
  }
  *this = std::move(work);
  return true;
}
