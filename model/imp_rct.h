// The important-region table of a document: up to 64 rectangles, each on one level, that
// colour reduction weighs more heavily.
#pragma once

#include <cstdint>

#include "model/img_types.h"

struct ImpRct {
  int16_t flags = 0;  // bit 0: enlarged beyond the minimum half size
  int16_t level = 0;
  int32_t x = 0;
  int32_t y = 0;
  int32_t halfW = 7;
  int32_t halfH = 7;

  // Inclusive bounds x - halfW .. x + halfW, y - halfH .. y + halfH.
  bool Contains(int px, int py) const {
    return int64_t(px) >= int64_t(x) - halfW && int64_t(px) <= int64_t(x) + halfW &&
           int64_t(py) >= int64_t(y) - halfH && int64_t(py) <= int64_t(y) + halfH;
  }
  friend bool operator==(const ImpRct&, const ImpRct&) = default;
};

inline constexpr int16_t IMPRCT_ENLARGED = 0x01;
inline constexpr int kImpRctMinHalf = 7;

class CImpRctAry {
 public:
  int32_t m_nCount = 0;
  ImpRct m_rct[kMaxImpRects] = {};

  int Count() const { return m_nCount; }
  ImpRct& operator[](int i) { return m_rct[i]; }
  const ImpRct& operator[](int i) const { return m_rct[i]; }

  // Appends a new entry (level 0, centre 0, 0, half size 7 x 7); returns its position or -1.
  int Add();
  bool Remove(int i);
  void RemoveAll() { m_nCount = 0; }
  // Sets a half size: negatives become 0, above 7 marks the entry enlarged, and an entry not
  // yet enlarged keeps at least 7 on each axis.
  bool SetHalfSize(int i, int halfW, int halfH);
  // Half size from a drag corner, clamped into `clamp` (when given; an empty clamp gives 0, 0).
  bool SetHalfFromPoint(int i, int px, int py, const CRect* clamp);
  // The entry at (px, py) on the level: containing entries first (last wins), else the entry
  // with the nearest edge within 16 screen pixels at the zoom; -1 when none.
  int HitTest(int level, int px, int py, int zoomPercent) const;
  // Removes entries whose level no longer exists or whose centre lies outside it; sizes holds
  // the width and height of each existing level.
  void Clean(int levelCount, const int* widths, const int* heights);

  friend bool operator==(const CImpRctAry& a, const CImpRctAry& b);
};
