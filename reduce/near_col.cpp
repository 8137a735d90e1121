// Nearest-entry search: the plain linear search with its bucket cache, and the fast search
// that gives the same index.
#include "reduce/near_col.h"

#include <algorithm>
#include <cfloat>
#include <new>

namespace {

bool RangeOf(const PalTable& t, int group, int& start, int& end) {
  if (group < 0 || group >= kGroupCount) return false;
  const ColGroup& g = t.aGroup[group];
  if (g.m_nStart < 0 || g.m_nCount <= 0) return false;
  start = g.m_nStart;
  end = std::min(g.m_nStart + g.m_nCount, 256);
  return start < end;
}

inline float Dist(const ColVec& a, const ColVec& b) {
  const float d0 = a.v[0] - b.v[0], d1 = a.v[1] - b.v[1], d2 = a.v[2] - b.v[2], d3 = a.v[3] - b.v[3];
  return d0 * d0 + d1 * d1 + d2 * d2 + d3 * d3;
}

constexpr int kExactSlots = 512;

inline uint32_t ExactHash(uint32_t c) { return (c * 0x9E3779B1u) >> (32 - 9); }

}  // namespace

void PalTable::Set(const RdctSetup& setup, const RGBA palette[256]) {
  pConv = setup.pConv;
  for (int i = 0; i < 256; ++i) {
    aPal[i] = palette[i];
    aVec[i] = pConv->To(palette[i]);
  }
  for (int g = 0; g < kGroupCount; ++g) aGroup[g] = setup.aGroup[g];
}

bool CNearColCache::Create() {
  m_count.reset(new (std::nothrow) uint16_t[65536]());
  m_pos.reset(new (std::nothrow) uint16_t[65536]());
  m_slots.reset(new (std::nothrow) Slot[65536u * 32u]);
  return m_count && m_pos && m_slots;
}

bool CNearColCache::Find(uint32_t colour, int group, int& index) const {
  const uint32_t b = colour & 0xFFFF;
  const Slot* slots = &m_slots[size_t(b) * 32];
  int pos = m_pos[b];
  for (int n = 0; n < m_count[b]; ++n) {
    pos = (pos + 31) & 31;  // from the most recently written slot backwards
    if (slots[pos].colour == colour && slots[pos].group == group) {
      index = slots[pos].index;
      return true;
    }
  }
  return false;
}

void CNearColCache::Store(uint32_t colour, int group, int index) {
  const uint32_t b = colour & 0xFFFF;
  Slot& s = m_slots[size_t(b) * 32 + m_pos[b]];
  s.colour = colour;
  s.group = uint8_t(group);
  s.index = uint8_t(index);
  m_pos[b] = uint16_t((m_pos[b] + 1) & 31);
  if (m_count[b] < 32) ++m_count[b];
}

CNearSearch::CNearSearch(const PalTable& table, Mode mode) : m_table(table), m_mode(mode) {
  if (mode == Mode::Plain) {
    m_bBucket = m_bucket.Create();
    return;
  }
  try {
    for (int g = 0; g < kGroupCount; ++g) {
      int start, end;
      if (!RangeOf(table, g, start, end)) continue;
      auto& sorted = m_sorted[g];
      for (int i = start; i < end; ++i) {
        const ColVec& v = table.aVec[i];
        sorted.push_back(SortedEntry{{v.v[0], v.v[1], v.v[2], v.v[3]}, i});
      }
      std::sort(sorted.begin(), sorted.end(), [](const SortedEntry& a, const SortedEntry& b) {
        return a.v[0] < b.v[0] || (a.v[0] == b.v[0] && a.index < b.index);
      });
      for (size_t k = 0; k < sorted.size(); ++k) m_posOf[sorted[k].index] = uint8_t(k);
      m_exactKey[g].assign(kExactSlots, 0);
      m_exactIdx[g].assign(kExactSlots, -1);
      for (int i = start; i < end; ++i) {  // ascending: the first of equal colours stays
        const uint32_t c = RgbaToU32(table.aPal[i]);
        uint32_t h = ExactHash(c);
        while (m_exactIdx[g][h] >= 0 && m_exactKey[g][h] != c) h = (h + 1) & (kExactSlots - 1);
        if (m_exactIdx[g][h] < 0) {
          m_exactKey[g][h] = c;
          m_exactIdx[g][h] = int16_t(i);
        }
      }
    }
    m_cache.assign(size_t(1) << kCacheBits, CacheSlot{0, 0, 0, 0});
  } catch (const std::bad_alloc&) {
    m_cache.clear();  // still exact without it; the tables are small
  }
}

int CNearSearch::FindPlain(const PalTable& t, RGBA colour, int group) {
  int start, end;
  if (!RangeOf(t, group, start, end)) return -1;
  const ColVec q = t.pConv->To(colour);
  float best = FLT_MAX;
  int result = -1;
  for (int i = start; i < end; ++i) {
    if (t.aPal[i] == colour) return i;
    const float d = Dist(q, t.aVec[i]);
    if (d < best) {
      best = d;
      result = i;
    }
  }
  return result;
}

int CNearSearch::FindFast(RGBA colour, int group, int hint) const {
  const auto& sorted = m_sorted[group];
  if (sorted.empty()) return -1;
  const uint32_t c = RgbaToU32(colour);
  {
    const auto& keys = m_exactKey[group];
    const auto& idx = m_exactIdx[group];
    for (uint32_t h = ExactHash(c); idx[h] >= 0; h = (h + 1) & (kExactSlots - 1))
      if (keys[h] == c) return idx[h];
  }
  const ColVec q = m_table.pConv->To(colour);
  float best = FLT_MAX;
  int result = 256;
  const ColGroup& range = m_table.aGroup[group];
  if (hint >= range.m_nStart && hint < range.m_nStart + range.m_nCount && hint < 256) {
    best = Dist(q, m_table.aVec[hint]);
    result = hint;
  }
  // Distances are sums of non-negative single-precision terms, so a partial sum, and in
  // particular the luminance term alone, never exceeds the full sum. Walking outward from
  // the colour's luminance, the luminance term only grows: once it exceeds the best distance
  // that side is done. Equal distances go to the lower index, as in the linear search.
  const size_t n = sorted.size();
  auto visit = [&](const SortedEntry& e, float t0) -> bool {
    if (t0 > best) return false;
    const float* v = e.v;
    const float d1 = q.v[1] - v[1];
    float d = t0 + d1 * d1;
    if (d > best) return true;
    const float d2 = q.v[2] - v[2];
    d = d + d2 * d2;
    if (d > best) return true;
    const float d3 = q.v[3] - v[3];
    d = d + d3 * d3;
    if (d < best || (d == best && e.index < result)) {
      best = d;
      result = e.index;
    }
    return true;
  };
  // hi = the first entry whose luminance is not below the colour's: found by stepping from
  // the hint, which is usually close, else by bisection.
  size_t hi;
  // (Ranges of a run never overlap; should a caller's do, a position from another group's
  // list is not trusted.)
  if (result != 256 && m_posOf[result] < n && sorted[m_posOf[result]].index == result) {
    hi = m_posOf[result];
    if (sorted[hi].v[0] < q.v[0]) {
      while (hi < n && sorted[hi].v[0] < q.v[0]) ++hi;
    } else {
      while (hi > 0 && !(sorted[hi - 1].v[0] < q.v[0])) --hi;
    }
  } else {
    hi = size_t(std::lower_bound(sorted.begin(), sorted.end(), q.v[0],
                                 [](const SortedEntry& e, float k) { return e.v[0] < k; }) -
                sorted.begin());
  }
  size_t lo = hi;  // entries [0, lo) lie below, [hi, n) at or above
  bool up = hi < n, down = lo > 0;
  while (up || down) {
    if (up) {
      const float d0 = q.v[0] - sorted[hi].v[0];
      if (visit(sorted[hi], d0 * d0)) {
        if (++hi == n) up = false;
      } else {
        up = false;
      }
    }
    if (down) {
      const float d0 = q.v[0] - sorted[lo - 1].v[0];
      if (visit(sorted[lo - 1], d0 * d0)) {
        if (--lo == 0) down = false;
      } else {
        down = false;
      }
    }
  }
  return result == 256 ? -1 : result;
}

int CNearSearch::Find(RGBA colour, int group, int hint) {
  if (m_mode == Mode::Plain) {
    const uint32_t c = RgbaToU32(colour);
    int index;
    if (m_bBucket && m_bucket.Find(c, group, index)) return index;
    index = FindPlain(m_table, colour, group);
    if (m_bBucket && index >= 0) m_bucket.Store(c, group, index);
    return index;
  }
  if (group < 0 || group >= kGroupCount) return -1;
  const uint32_t c = RgbaToU32(colour);
  CacheSlot* slot = nullptr;
  if (!m_cache.empty()) {
    const uint32_t h = ((c * 0x9E3779B1u) ^ (uint32_t(group) * 0x85EBCA6Bu)) >> (32 - kCacheBits);
    slot = &m_cache[h];
    if (slot->used && slot->colour == c && slot->group == group) return slot->index;
  }
  const int index = FindFast(colour, group, hint);
  if (slot && index >= 0) *slot = CacheSlot{c, uint8_t(group), uint8_t(index), 1};
  return index;
}
