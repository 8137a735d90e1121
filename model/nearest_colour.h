// Nearest palette colour search and the remapping of pixels after colours are deleted.
//
// Distances are measured in the colour space of the colour reduction; the model does not know
// that space itself, so the caller hands in a converter (the reduction core's converter built
// for colour space type 0 with every priority 0 is the one the program uses).
#pragma once

#include "model/col_sel.h"
#include "model/pal_dat.h"
#include "model/rgba.h"

class CColourSpaceIf {
 public:
  virtual ~CColourSpaceIf() = default;
  // The colour's four components in the space (luminance, two differences, alpha).
  virtual void ToSpace(RGBA colour, float out[4]) const = 0;
};

// Nearest entry of the bank among entries 0..count-1 (only the selected ones when sel is
// given); the lowest-numbered of equally near entries wins. On success writes the entry's
// colour into `colour`; -1 and `colour` unchanged when there is no candidate.
int FindNearest(const CPalDatIf& bank, RGBA& colour, bool useAlpha, const CColSel* sel,
                const CColourSpaceIf& space);
