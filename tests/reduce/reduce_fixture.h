// A reduction run's setup built from a parameter record, for the reduction stage tests.
#pragma once

#include <cstdint>
#include <vector>

#include "model/default_colour.h"
#include "reduce/col_rdct_prm.h"
#include "reduce/col_spc_conv.h"
#include "reduce/rdct_types.h"

namespace testutil {

struct RunSetup {
  CColRdctPrm prm;
  CColSpcConv conv;
  RdctSetup setup;
  RGBA palette[256];

  // Derives the layout the way a run does (grouping off: group 0 takes every entry).
  void Make() {
    conv.Build(prm);
    setup.pConv = &conv;
    for (int i = 0; i < 4; ++i) setup.nBits[i] = prm.m_byDepth[i];
    setup.dwFlags = prm.m_dwFlags;
    setup.nOutColNum = prm.m_nOutColNum;
    prm.DeriveGroupLayout(prm.m_nOutColNum);
    for (int g = 0; g < kGroupCount; ++g) setup.aGroup[g] = prm.m_aGroup[g];
    setup.nDithMode = prm.m_nDithMode;
    setup.fDithLevel = prm.m_fDithLevel;
    for (auto& c : palette) c = DefaultColour();
  }
};

inline uint32_t Lcg(uint32_t& s) {
  s = s * 1664525u + 1013904223u;
  return s >> 8;
}

// w x h records of a smooth colour field with some noise, all in group 0.
inline std::vector<PixelRec> FieldRecords(int w, int h, uint32_t seed) {
  std::vector<PixelRec> recs(size_t(w) * size_t(h));
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      PixelRec& r = recs[size_t(y) * w + x];
      r.r = uint8_t(x * 255 / (w > 1 ? w - 1 : 1));
      r.g = uint8_t(y * 255 / (h > 1 ? h - 1 : 1));
      r.b = uint8_t((x * 3 + y * 5 + Lcg(seed) % 23) & 0xFF);
      r.a = 255;
    }
  return recs;
}

}  // namespace testutil
