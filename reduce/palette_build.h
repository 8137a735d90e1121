// Palette optimisation: the palette entries of each group's index range from the group's
// weighted histogram, by splitting colour boxes along their principal axis. Fixed entries of
// the range stay in place and are never generated again; generated entries end up sorted by
// luminance.
#pragma once

#include <cstddef>

#include "reduce/rdct_types.h"

// Builds group g's range [start, start + count) of the setup's layout from its histogram
// (ascending colours, fixed colours of the range already left out). Entries below
// start + max(nFixed - start, 0) are fixed and kept. doneBefore is the total count of the
// groups already built; progress is reported in percent of the output colour count.
// *placed receives the number of entries placed (fixed ones included). Returns RDCT_OK,
// RDCT_NOMEM or RDCT_CANCELLED.
int BuildGroupPalette(const RdctSetup& setup, int group, const HistEntry* hist, size_t histCount,
                      RGBA palette[256], int doneBefore, const RdctProgress& progress, int* placed = nullptr);

// Every group in order from pixel records sorted by colour: the histogram of each group, then
// its range. Does nothing when the fixed entries already fill the output colour count.
int BuildPaletteFromRecords(const RdctSetup& setup, const PixelRec* sorted, size_t count, RGBA palette[256],
                            const RdctProgress& progress = {});

// The luminance key of the palette sort.
inline float LuminanceKey(RGBA c) {
  return 0.298912f * float(c.r) + 0.58661f * float(c.g) + 0.114478f * float(c.b);
}
