// Important-region table rules: add, remove, sizing, hit test and clean-up.
#include "model/imp_rct.h"

#include <algorithm>
#include <cstdlib>

int CImpRctAry::Add() {
  if (m_nCount < 0 || m_nCount >= kMaxImpRects) return -1;
  m_rct[m_nCount] = ImpRct{};
  return m_nCount++;
}

bool CImpRctAry::Remove(int i) {
  if (i < 0 || i >= m_nCount) return false;
  std::copy(m_rct + i + 1, m_rct + m_nCount, m_rct + i);
  --m_nCount;
  m_rct[m_nCount] = ImpRct{};
  return true;
}

bool CImpRctAry::SetHalfSize(int i, int halfW, int halfH) {
  if (i < 0 || i >= m_nCount) return false;
  ImpRct& r = m_rct[i];
  halfW = std::max(halfW, 0);
  halfH = std::max(halfH, 0);
  if (halfW > kImpRctMinHalf || halfH > kImpRctMinHalf) r.flags |= IMPRCT_ENLARGED;
  if (!(r.flags & IMPRCT_ENLARGED)) {
    halfW = std::max(halfW, kImpRctMinHalf);
    halfH = std::max(halfH, kImpRctMinHalf);
  }
  r.halfW = halfW;
  r.halfH = halfH;
  return true;
}

bool CImpRctAry::SetHalfFromPoint(int i, int px, int py, const CRect* clamp) {
  if (i < 0 || i >= m_nCount) return false;
  if (clamp) {
    if (clamp->IsEmpty()) return SetHalfSize(i, 0, 0);
    px = std::clamp(px, clamp->left, clamp->right - 1);
    py = std::clamp(py, clamp->top, clamp->bottom - 1);
  }
  const ImpRct& r = m_rct[i];
  const int64_t dx = std::llabs(int64_t(px) - r.x);
  const int64_t dy = std::llabs(int64_t(py) - r.y);
  return SetHalfSize(i, int(std::min<int64_t>(dx, INT32_MAX)), int(std::min<int64_t>(dy, INT32_MAX)));
}

int CImpRctAry::HitTest(int level, int px, int py, int zoomPercent) const {
  const int n = std::clamp(m_nCount, 0, kMaxImpRects);
  for (int i = n - 1; i >= 0; --i) {
    if (m_rct[i].level == level && m_rct[i].Contains(px, py)) return i;
  }
  double tol = zoomPercent > 0 ? 16.0 / (zoomPercent * 0.01) : 16.0;
  if (tol < 1.0) tol = 1.0;
  int best = -1;
  double bestDist = 0;
  for (int i = 0; i < n; ++i) {
    const ImpRct& r = m_rct[i];
    if (r.level != level) continue;
    const int64_t left = int64_t(r.x) - r.halfW, right = int64_t(r.x) + r.halfW;
    const int64_t top = int64_t(r.y) - r.halfH, bottom = int64_t(r.y) + r.halfH;
    const int64_t dx = px < left ? left - px : px > right ? px - right : 0;
    const int64_t dy = py < top ? top - py : py > bottom ? py - bottom : 0;
    if (double(dx) > tol || double(dy) > tol) continue;
    const double d = double(std::max(dx, dy));
    if (best < 0 || d <= bestDist) {  // ties go to the later entry
      best = i;
      bestDist = d;
    }
  }
  return best;
}

void CImpRctAry::Clean(int levelCount, const int* widths, const int* heights) {
  for (int i = m_nCount - 1; i >= 0; --i) {
    const ImpRct& r = m_rct[i];
    const bool keep = r.level >= 0 && r.level < levelCount && r.x >= 0 && r.y >= 0 &&
                      r.x < widths[r.level] && r.y < heights[r.level];
    if (!keep) Remove(i);
  }
}

bool operator==(const CImpRctAry& a, const CImpRctAry& b) {
  if (a.m_nCount != b.m_nCount) return false;
  return std::equal(a.m_rct, a.m_rct + kMaxImpRects, b.m_rct);
}
