// Drawing primitives of the image content: lines, filled boxes and wire boxes, drawn into
// every level of a range at level-local positions of the side-by-side layout.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "model/img_inf.h"
#include "model/line_walk.h"

namespace {

enum : int { kLeft = 1, kRight = 2, kAbove = 4, kBelow = 8 };

int OutCode(int64_t x, int64_t y, int64_t w, int64_t h) {
  int c = 0;
  if (x < 0)
    c |= kLeft;
  else if (x > w - 1)
    c |= kRight;
  if (y < 0)
    c |= kAbove;
  else if (y > h - 1)
    c |= kBelow;
  return c;
}

// d * n / q with truncating division, wide enough for any pair of int coordinates.
int64_t Lerp(int64_t d, int64_t n, int64_t q) { return int64_t(__int128(d) * n / q); }

// Writes one cell: the masked bytes of a direct cell, or the whole palette cell.
void PutCell(CImgDatIf& plane, int x, int y, RGBA colour, uint32_t mask) {
  uint8_t* c = plane.Cell(x, y);
  if (plane.m_nType == IMGTYPE_IDX) {
    c[0] = colour.r;
    c[1] = colour.g;
    return;
  }
  if (mask & CHMASK_RED) c[0] = colour.r;
  if (mask & CHMASK_GREEN) c[1] = colour.g;
  if (mask & CHMASK_BLUE) c[2] = colour.b;
  if (mask & CHMASK_ALPHA) c[3] = colour.a;
}

}  // namespace

bool CLineWalk::Make(CPoint p0, CPoint p1, int width, int height, CLineWalk& walk) {
  if (width <= 0 || height <= 0) return false;
  int64_t ax = p0.x, ay = p0.y, bx = p1.x, by = p1.y;
  const int64_t w = width, h = height;
  int ca = OutCode(ax, ay, w, h);
  int cb = OutCode(bx, by, w, h);
  // Each pass moves one outside end onto an edge; four passes per end are always enough.
  for (int pass = 0; pass < 8 && (ca | cb); ++pass) {
    if (ca & cb) return false;
    const bool first = ca != 0;
    int64_t& x = first ? ax : bx;
    int64_t& y = first ? ay : by;
    const int code = first ? ca : cb;
    const int64_t dx = bx - ax, dy = by - ay;
    const int64_t ox = first ? ax : bx, oy = first ? ay : by;
    if (code & kLeft) {
      y = oy + Lerp(dy, 0 - ox, dx);
      x = 0;
    } else if (code & kRight) {
      y = oy + Lerp(dy, w - 1 - ox, dx);
      x = w - 1;
    } else if (code & kAbove) {
      x = ox + Lerp(dx, 0 - oy, dy);
      y = 0;
    } else {
      x = ox + Lerp(dx, h - 1 - oy, dy);
      y = h - 1;
    }
    (first ? ca : cb) = OutCode(x, y, w, h);
  }
  if (ca | cb) return false;
  int dx = int(bx - ax), dy = int(by - ay);
  CLineWalk r;
  if (std::abs(dx) < std::abs(dy)) {
    if (dy < 0) {
      std::swap(ax, bx);
      std::swap(ay, by);
      dx = -dx;
      dy = -dy;
    }
    r.steps = dy;
    r.xinc = dy != 0 ? float(dx) / float(dy) : 1.0f;
    r.yinc = 1.0f;
  } else {
    if (dx < 0) {
      std::swap(ax, bx);
      std::swap(ay, by);
      dx = -dx;
      dy = -dy;
    }
    r.steps = dx;
    r.xinc = 1.0f;
    r.yinc = dx != 0 ? float(dy) / float(dx) : 1.0f;
  }
  r.x0 = int(ax);
  r.y0 = int(ay);
  r.x1 = int(bx);
  r.y1 = int(by);
  walk = r;
  return true;
}

namespace {

// Calls f(plane, offset) for each valid level of the range with the level's layout origin.
template <class F>
bool ForLevels(CImgInf& img, int level, bool allLevels, F&& f) {
  int first, last;
  if (!img.GetLevelRange(level, allLevels, first, last)) return false;
  for (int k = first; k <= last; ++k) {
    CImgDatIf* plane = img.Img(k);
    CRect origin;
    if (!plane || !plane->IsValid() || !img.GetLevelRect(k, 100, allLevels, origin)) continue;
    f(*plane, origin.left, origin.top);
  }
  return true;
}

}  // namespace

bool CImgInf::DrawLine(CPoint p0, CPoint p1, RGBA colour, uint32_t mask, int level, bool allLevels) {
  mask = EffectiveMask(mask);
  if (!mask) return false;
  return ForLevels(*this, level, allLevels, [&](CImgDatIf& plane, int ox, int oy) {
    CLineWalk walk;
    const CPoint a{int(int64_t(p0.x) - ox), int(int64_t(p0.y) - oy)};
    const CPoint b{int(int64_t(p1.x) - ox), int(int64_t(p1.y) - oy)};
    if (!CLineWalk::Make(a, b, plane.m_nWidth, plane.m_nHeight, walk)) return;
    walk.ForEach(plane.m_nWidth, plane.m_nHeight, [&](int x, int y) { PutCell(plane, x, y, colour, mask); });
  });
}

bool CImgInf::FillBox(const CRect& rect, RGBA colour, uint32_t mask, int level, bool allLevels) {
  mask = EffectiveMask(mask);
  if (!mask) return false;
  return ForLevels(*this, level, allLevels, [&](CImgDatIf& plane, int ox, int oy) {
    const int64_t l = std::max<int64_t>(int64_t(rect.left) - ox, 0);
    const int64_t t = std::max<int64_t>(int64_t(rect.top) - oy, 0);
    const int64_t r = std::min<int64_t>(int64_t(rect.right) - ox, plane.m_nWidth);
    const int64_t b = std::min<int64_t>(int64_t(rect.bottom) - oy, plane.m_nHeight);
    for (int64_t y = t; y < b; ++y)
      for (int64_t x = l; x < r; ++x) PutCell(plane, int(x), int(y), colour, mask);
  });
}

bool CImgInf::DrawBox(const CRect& rect, RGBA colour, uint32_t mask, int level, bool allLevels) {
  if (!EffectiveMask(mask) || rect.IsEmpty()) return false;
  int first, last;
  if (!GetLevelRange(level, allLevels, first, last)) return false;
  CPoint ends[8];
  WireBoxEdges(rect, ends);
  for (int i = 0; i < 8; i += 2) DrawLine(ends[i], ends[i + 1], colour, mask, level, allLevels);
  return true;
}

bool CImgInf::FillBoxPts(CPoint p0, CPoint p1, RGBA colour, uint32_t mask, int level, bool allLevels) {
  return FillBox(RectFromCorners(p0, p1), colour, mask, level, allLevels);
}

bool CImgInf::DrawBoxPts(CPoint p0, CPoint p1, RGBA colour, uint32_t mask, int level, bool allLevels) {
  return DrawBox(RectFromCorners(p0, p1), colour, mask, level, allLevels);
}
