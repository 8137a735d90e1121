// Histogram stage: pixel records sorted by colour, the weighted histogram of one group, and
// the merge of a histogram into an accumulated one (common palettes).
#pragma once

#include <cstddef>
#include <vector>

#include "reduce/rdct_types.h"

// Sorts a copy of the records ascending by colour (red lowest byte, alpha highest); the order
// among records of equal colour is unspecified. Needs no memory beyond the copy. Progress is
// reported in percent. Returns RDCT_OK, RDCT_NOMEM
// or RDCT_CANCELLED.
int SortPixelRecords(const PixelRec* recs, size_t count, std::vector<PixelRec>& sorted,
                     const RdctProgress& progress = {});

// The histogram of group g from sorted records: records of other groups and transparent
// records are passed over, and colours equal (all four bytes) to one of the fixed colours are
// not counted. Returns false when memory runs out.
bool MakeGroupHistogram(const PixelRec* sorted, size_t count, int group, const RGBA* fixed, int fixedCount,
                        std::vector<HistEntry>& hist);

// Merges hist into acc, both ascending by colour; equal colours become one entry with the
// sum of the weights. Returns false when memory runs out (acc is then unchanged).
bool MergeHistogram(std::vector<HistEntry>& acc, const std::vector<HistEntry>& hist);
