// The reduction's colour space as the model's nearest-colour metric: type 0 with every
// priority 0, the space the palette editing commands search in (FindNearest,
// RemapToNearest of the image content).
#pragma once

#include "model/nearest_colour.h"
#include "reduce/col_spc_conv.h"

class CColSpcNearest : public CColourSpaceIf {
 public:
  void ToSpace(RGBA c, float out[4]) const override {
    const ColVec v = m_conv.To(c);
    for (int k = 0; k < 4; ++k) out[k] = v.v[k];
  }

 private:
  CColSpcConv m_conv;  // built for type 0, priorities 0
};
