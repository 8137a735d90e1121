// Palettising and direct-colour precision reduction in the three dither modes. All dither
// arithmetic is single precision in a fixed order.
#include "reduce/palettise.h"

#include <cstring>
#include <new>
#include <vector>

const uint8_t kPatternThreshold[4][4] = {{0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};

namespace {

struct Candidate {
  float key;
  int value;  // palette index, or the packed colour in direct mode
};

// Stable insertion sort of the 16 candidates by key.
void SortCandidates(Candidate* c, int n) {
  for (int i = 1; i < n; ++i) {
    Candidate x = c[i];
    int j = i;
    for (; j > 0 && x.key < c[j - 1].key; --j) c[j] = c[j - 1];
    c[j] = x;
  }
}

struct ErrRec {
  float e[4];
  uint8_t tag;  // 0 empty, else group + 1
};

int PalettiseNone(CNearSearch& search, const PixelRec* recs, int w, int h, uint8_t* cells, int cellSize,
                  const RdctProgress& progress) {
  for (int y = 0; y < h; ++y) {
    const PixelRec* row = recs + size_t(y) * size_t(w);
    uint8_t* out = cells + size_t(y) * size_t(w) * size_t(cellSize);
    int hint = -1;
    for (int x = 0; x < w; ++x) {
      const PixelRec& r = row[x];
      int u = 0;
      if (!(r.flags & PIXREC_NUKI)) hint = u = search.Find(r.Rgba(), r.group, hint);
      out[size_t(x) * cellSize] = uint8_t(u < 0 ? 0 : u);
    }
    if (ReportCancelled(progress, y + 1)) return RDCT_CANCELLED;
  }
  return RDCT_OK;
}

int PalettisePattern(const RdctSetup& setup, CNearSearch& search, const PixelRec* recs, int w, int h,
                     uint8_t* cells, int cellSize, const RdctProgress& progress) {
  const PalTable& t = search.Table();
  const CColSpcConv& conv = *t.pConv;
  const float s = setup.fDithLevel;
  const bool keepAlpha = (setup.dwFlags & CRF_ALPHA_NODITH) != 0;
  int hint = -1;
  for (int y = 0; y < h; ++y) {
    const PixelRec* row = recs + size_t(y) * size_t(w);
    uint8_t* out = cells + size_t(y) * size_t(w) * size_t(cellSize);
    for (int x = 0; x < w; ++x) {
      const PixelRec& r = row[x];
      int index = 0;
      if (!(r.flags & PIXREC_NUKI)) {
        const ColVec v = conv.To(r.Rgba());
        ColVec target = v;
        Candidate cand[16];
        int n = 0;
        // The targets of one pixel often land on the same colour: those are answered from
        // the pixel's own earlier searches.
        uint32_t seen[16];
        int seenIdx[16];
        int nSeen = 0;
        for (; n < 16; ++n) {
          const uint32_t c = RgbaToU32(conv.From(target));
          int u = -2;
          for (int j = 0; j < nSeen; ++j)
            if (seen[j] == c) {
              u = seenIdx[j];
              break;
            }
          if (u == -2) {
            u = search.Find(U32ToRgba(c), r.group, hint);
            seen[nSeen] = c;
            seenIdx[nSeen++] = u;
          }
          if (u < 0) break;  // empty range: index 0, as in the other modes
          hint = u;
          const ColVec& pv = t.aVec[u];
          cand[n] = Candidate{pv.v[0], u};
          // The error e (luminance at full strength, the others at 0.9), kept in registers.
          const float e0 = (pv.v[0] - target.v[0]) * s;
          const float e1 = (pv.v[1] - target.v[1]) * s * 0.9f;
          const float e2 = (pv.v[2] - target.v[2]) * s * 0.9f;
          const float e3 = (pv.v[3] - target.v[3]) * s * 0.9f;
          target.v[0] = v.v[0] - e0;
          target.v[1] = v.v[1] - e1;
          target.v[2] = v.v[2] - e2;
          target.v[3] = keepAlpha ? v.v[3] : v.v[3] - e3;
        }
        if (n == 16) {
          SortCandidates(cand, 16);
          index = cand[kPatternThreshold[y & 3][x & 3]].value;
        }
      }
      out[size_t(x) * cellSize] = uint8_t(index < 0 ? 0 : index);
    }
    if (ReportCancelled(progress, y + 1)) return RDCT_CANCELLED;
  }
  return RDCT_OK;
}

int PalettiseDiffuse(const RdctSetup& setup, CNearSearch& search, const PixelRec* recs, int w, int h,
                     uint8_t* cells, int cellSize, const RdctProgress& progress) {
  const PalTable& t = search.Table();
  const CColSpcConv& conv = *t.pConv;
  const float s = setup.fDithLevel;
  const bool keepAlpha = (setup.dwFlags & CRF_ALPHA_NODITH) != 0;
  std::vector<ErrRec> bufA, bufB;
  try {
    bufA.assign(size_t(w) + 4, ErrRec{});
    bufB.assign(size_t(w) + 4, ErrRec{});
  } catch (const std::bad_alloc&) {
    return RDCT_NOMEM;
  }
  // Only the previous and the current row are ever read; column x lives at record x + 2.
  ErrRec* prev = bufA.data();
  ErrRec* cur = bufB.data();
  static constexpr float kW1 = 1.0f / 16.0f, kW5 = 5.0f / 16.0f, kW3 = 3.0f / 16.0f, kW7 = 7.0f / 16.0f;
  int hint = -1;
  for (int y = 0; y < h; ++y) {
    const PixelRec* row = recs + size_t(y) * size_t(w);
    uint8_t* out = cells + size_t(y) * size_t(w) * size_t(cellSize);
    for (int x = 0; x < w; ++x) {
      const PixelRec& r = row[x];
      int index = 0;
      if (!(r.flags & PIXREC_NUKI)) {
        const uint8_t tag = uint8_t(r.group + 1);
        const ColVec v = conv.To(r.Rgba());
        float acc[4] = {0.0f, 0.0f, 0.0f, 0.0f};
        const ErrRec* nb[4] = {&prev[x + 1], &prev[x + 2], &prev[x + 3], &cur[x + 1]};
        const float wt[4] = {kW1, kW5, kW3, kW7};
        for (int i = 0; i < 4; ++i)
          if (nb[i]->tag == tag)
            for (int k = 0; k < 4; ++k) acc[k] += wt[i] * nb[i]->e[k];
        ColVec target;
        for (int k = 0; k < 4; ++k) target.v[k] = v.v[k] + acc[k];
        if (keepAlpha) target.v[3] = v.v[3];
        const int u = search.Find(conv.From(target), r.group, hint);
        if (u >= 0) {
          hint = u;
          ErrRec& rec = cur[x + 2];
          for (int k = 0; k < 4; ++k) rec.e[k] = (target.v[k] - t.aVec[u].v[k]) * s * 0.999f;
          rec.tag = tag;
          index = u;
        }
      }
      out[size_t(x) * cellSize] = uint8_t(index);
    }
    std::swap(prev, cur);
    std::memset(static_cast<void*>(cur), 0, sizeof(ErrRec) * (size_t(w) + 4));
    if (ReportCancelled(progress, y + 1)) return RDCT_CANCELLED;
  }
  return RDCT_OK;
}

// Precision reduction is a pure function of the colour: a direct-mapped cache of its results
// over one pass spares the eight-level search for colours met again.
class CReduceCache {
 public:
  explicit CReduceCache(const RdctSetup& setup) : m_setup(setup) {
    try {
      m_slots.assign(size_t(1) << kBits, Slot{0, 0, 0});
    } catch (const std::bad_alloc&) {
      m_slots.clear();  // reduce every colour afresh
    }
  }
  RGBA Reduce(RGBA c) {
    const uint32_t key = RgbaToU32(c);
    Slot* slot = nullptr;
    if (!m_slots.empty()) {
      slot = &m_slots[(key * 0x9E3779B1u) >> (32 - kBits)];
      if (slot->used && slot->key == key) return U32ToRgba(slot->value);
    }
    m_setup.Reduce(c);
    if (slot) *slot = Slot{key, RgbaToU32(c), 1};
    return c;
  }

 private:
  struct Slot {
    uint32_t key, value, used;
  };
  static constexpr int kBits = 16;
  const RdctSetup& m_setup;
  std::vector<Slot> m_slots;
};

inline RGBA LoadPixel(const uint8_t* p) { return RGBA{p[0], p[1], p[2], p[3]}; }
inline void StorePixel(uint8_t* p, RGBA c) {
  p[0] = c.r;
  p[1] = c.g;
  p[2] = c.b;
  p[3] = c.a;
}

int DirectNone(const RdctSetup& setup, uint8_t* rgba, int w, int h, const RdctProgress& progress) {
  CReduceCache cache(setup);
  for (int y = 0; y < h; ++y) {
    uint8_t* row = rgba + size_t(y) * size_t(w) * 4;
    for (int x = 0; x < w; ++x) {
      StorePixel(row + 4 * x, cache.Reduce(LoadPixel(row + 4 * x)));
    }
    if (ReportCancelled(progress, y + 1)) return RDCT_CANCELLED;
  }
  return RDCT_OK;
}

int DirectPattern(const RdctSetup& setup, uint8_t* rgba, int w, int h, const RdctProgress& progress) {
  const CColSpcConv& conv = *setup.pConv;
  CReduceCache cache(setup);
  const float s = setup.fDithLevel;
  const bool keepAlpha = (setup.dwFlags & CRF_ALPHA_NODITH) != 0;
  for (int y = 0; y < h; ++y) {
    uint8_t* row = rgba + size_t(y) * size_t(w) * 4;
    for (int x = 0; x < w; ++x) {
      const ColVec v = conv.To(LoadPixel(row + 4 * x));
      ColVec target = v;
      Candidate cand[16];
      uint32_t seen[16];
      RGBA seenQ[16];
      ColVec seenV[16];
      int nSeen = 0;
      for (int n = 0; n < 16; ++n) {
        const RGBA from = conv.From(target);
        const uint32_t fc = RgbaToU32(from);
        int j = 0;
        while (j < nSeen && seen[j] != fc) ++j;
        if (j == nSeen) {  // a colour not met yet at this pixel
          const RGBA q = cache.Reduce(from);
          seen[j] = fc;
          seenQ[j] = q;
          seenV[j] = conv.To(q);
          ++nSeen;
        }
        const RGBA q = seenQ[j];
        const ColVec& qv = seenV[j];
        cand[n] = Candidate{qv.v[0], int(RgbaToU32(q))};
        const float e0 = (qv.v[0] - target.v[0]) * s, e1 = (qv.v[1] - target.v[1]) * s;
        const float e2 = (qv.v[2] - target.v[2]) * s, e3 = (qv.v[3] - target.v[3]) * s;
        target.v[0] = v.v[0] - e0;
        target.v[1] = v.v[1] - e1;
        target.v[2] = v.v[2] - e2;
        target.v[3] = keepAlpha ? v.v[3] : v.v[3] - e3;
      }
      SortCandidates(cand, 16);
      StorePixel(row + 4 * x, U32ToRgba(uint32_t(cand[kPatternThreshold[y & 3][x & 3]].value)));
    }
    if (ReportCancelled(progress, y + 1)) return RDCT_CANCELLED;
  }
  return RDCT_OK;
}

int DirectDiffuse(const RdctSetup& setup, uint8_t* rgba, int w, int h, const RdctProgress& progress) {
  const CColSpcConv& conv = *setup.pConv;
  CReduceCache cache(setup);
  const float s = setup.fDithLevel;
  const bool keepAlpha = (setup.dwFlags & CRF_ALPHA_NODITH) != 0;
  std::vector<ColVec> bufA, bufB;
  try {
    bufA.assign(size_t(w) + 2, ColVec{});
    bufB.assign(size_t(w) + 2, ColVec{});
  } catch (const std::bad_alloc&) {
    return RDCT_NOMEM;
  }
  // Column x lives at record x + 1; the padding records take the errors that leave the image.
  ColVec* cur = bufA.data();
  ColVec* next = bufB.data();
  static constexpr float kW7 = 7.0f / 16.0f, kW3 = 3.0f / 16.0f, kW5 = 5.0f / 16.0f, kW1 = 1.0f / 16.0f;
  for (int y = 0; y < h; ++y) {
    uint8_t* row = rgba + size_t(y) * size_t(w) * 4;
    for (int x = 0; x < w; ++x) {
      const ColVec v = conv.To(LoadPixel(row + 4 * x));
      ColVec target;
      for (int k = 0; k < 4; ++k) target.v[k] = v.v[k] + cur[x + 1].v[k];
      if (keepAlpha) target.v[3] = v.v[3];
      const RGBA q = cache.Reduce(conv.From(target));
      StorePixel(row + 4 * x, q);
      const ColVec qv = conv.To(q);
      for (int k = 0; k < 4; ++k) {
        const float e = (target.v[k] - qv.v[k]) * s * 0.999f;
        cur[x + 2].v[k] += kW7 * e;
        next[x].v[k] += kW3 * e;
        next[x + 1].v[k] += kW5 * e;
        next[x + 2].v[k] += kW1 * e;
      }
    }
    std::swap(cur, next);
    std::memset(static_cast<void*>(next), 0, sizeof(ColVec) * (size_t(w) + 2));
    if (ReportCancelled(progress, y + 1)) return RDCT_CANCELLED;
  }
  return RDCT_OK;
}

bool ValidPlane(const void* p, int w, int h) { return p && w > 0 && h > 0; }

}  // namespace

int PalettisePlane(const RdctSetup& setup, CNearSearch& search, const PixelRec* recs, int w, int h,
                   uint8_t* cells, int cellSize, const RdctProgress& progress) {
  if (!ValidPlane(recs, w, h) || !cells || cellSize < 1) return RDCT_INTERNAL;
  switch (setup.nDithMode) {
    case 1:
      return PalettisePattern(setup, search, recs, w, h, cells, cellSize, progress);
    case 2:
      return PalettiseDiffuse(setup, search, recs, w, h, cells, cellSize, progress);
    default:
      return PalettiseNone(search, recs, w, h, cells, cellSize, progress);
  }
}

int ReduceDirectPlane(const RdctSetup& setup, uint8_t* rgba, int w, int h, const RdctProgress& progress) {
  if (!ValidPlane(rgba, w, h) || !setup.pConv) return RDCT_INTERNAL;
  switch (setup.nDithMode) {
    case 1:
      return DirectPattern(setup, rgba, w, h, progress);
    case 2:
      return DirectDiffuse(setup, rgba, w, h, progress);
    default:
      return DirectNone(setup, rgba, w, h, progress);
  }
}
