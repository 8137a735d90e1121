// The line walk shared by the drawing primitive and the line snapshot of the history: the
// clipping of a line to a level and the cells it visits, so that a snapshot saves exactly the
// cells the drawing writes.
#pragma once

#include <climits>

#include "model/img_types.h"

struct CLineWalk {
  int x0 = 0;
  int y0 = 0;
  int x1 = 0;
  int y1 = 0;
  int steps = 0;
  float xinc = 0.0f;
  float yinc = 0.0f;

  // Clips p0..p1 to a width x height level and orders the ends; false when the line misses it.
  static bool Make(CPoint p0, CPoint p1, int width, int height, CLineWalk& walk);

  // Calls f(x, y) for every cell of the walk; cells that float drift would put outside the
  // width x height level are skipped.
  template <class F>
  void ForEach(int width, int height, F&& f) const {
    float fx = float(x0);
    float fy = float(y0);
    for (int k = 0; k <= steps; ++k) {
      const int x = int(fx + 0.5f);
      const int y = int(fy + 0.5f);
      if (x >= 0 && y >= 0 && x < width && y < height) f(x, y);
      fx += xinc;
      fy += yinc;
    }
  }
};

// Normalises two inclusive corners into a half-open rectangle.
inline CRect RectFromCorners(CPoint p0, CPoint p1) {
  CRect r;
  r.left = p0.x < p1.x ? p0.x : p1.x;
  r.top = p0.y < p1.y ? p0.y : p1.y;
  const int right = p0.x < p1.x ? p1.x : p0.x;
  const int bottom = p0.y < p1.y ? p1.y : p0.y;
  r.right = right == INT_MAX ? right : right + 1;
  r.bottom = bottom == INT_MAX ? bottom : bottom + 1;
  return r;
}

// The four edges of a wire box over a half-open rectangle, as line end points.
inline void WireBoxEdges(const CRect& r, CPoint ends[8]) {
  const CPoint lt{r.left, r.top}, lb{r.left, r.bottom - 1}, rb{r.right - 1, r.bottom - 1},
      rt{r.right - 1, r.top};
  ends[0] = lt, ends[1] = lb;
  ends[2] = lb, ends[3] = rb;
  ends[4] = rb, ends[5] = rt;
  ends[6] = rt, ends[7] = lt;
}
