// Histogram stage. The histogram depends only on which records share a colour, never on
// their order within it, so the sort need not keep that order.
#include "reduce/histogram.h"

#include <algorithm>
#include <new>

int SortPixelRecords(const PixelRec* recs, size_t count, std::vector<PixelRec>& sorted,
                     const RdctProgress& progress) {
  std::vector<size_t> bucket;
  try {
    sorted.resize(count);
    bucket.assign(65537, 0);
  } catch (const std::bad_alloc&) {
    sorted.clear();
    return RDCT_NOMEM;
  }
  // Scatter by the high 16 bits (blue, alpha) straight from the records, then sort each bucket
  // in place by the whole colour: no buffer beyond the sorted copy itself.
  for (size_t i = 0; i < count; ++i) ++bucket[(recs[i].Colour() >> 16) + 1];
  for (size_t k = 1; k < bucket.size(); ++k) bucket[k] += bucket[k - 1];
  std::vector<size_t> next(bucket.begin(), bucket.end() - 1);
  for (size_t i = 0; i < count; ++i) sorted[next[recs[i].Colour() >> 16]++] = recs[i];
  if (ReportCancelled(progress, 30)) {
    sorted.clear();
    return RDCT_CANCELLED;
  }
  auto byColour = [](const PixelRec& a, const PixelRec& b) { return a.Colour() < b.Colour(); };
  for (size_t k = 0; k < 65536; ++k) {
    if (bucket[k + 1] - bucket[k] > 1) std::sort(sorted.begin() + bucket[k], sorted.begin() + bucket[k + 1], byColour);
    if ((k & 4095) == 4095 && ReportCancelled(progress, 30 + int((k + 1) * 70 / 65536))) {
      sorted.clear();
      return RDCT_CANCELLED;
    }
  }
  return RDCT_OK;
}

bool MakeGroupHistogram(const PixelRec* sorted, size_t count, int group, const RGBA* fixed, int fixedCount,
                        std::vector<HistEntry>& hist) {
  hist.clear();
  bool havePrev = false, counting = false;
  uint32_t prev = 0;
  try {
    for (size_t i = 0; i < count; ++i) {
      const PixelRec& r = sorted[i];
      if (r.group != group || (r.flags & PIXREC_NUKI)) continue;
      const uint32_t c = r.Colour();
      if (!havePrev || c != prev) {
        havePrev = true;
        prev = c;
        counting = true;
        for (int j = 0; j < fixedCount; ++j)
          if (RgbaToU32(fixed[j]) == c) {
            counting = false;
            break;
          }
        if (counting) hist.push_back(HistEntry{c, 0.0});
      }
      if (counting) hist.back().weight += r.weight;
    }
  } catch (const std::bad_alloc&) {
    hist.clear();
    return false;
  }
  return true;
}

bool MergeHistogram(std::vector<HistEntry>& acc, const std::vector<HistEntry>& hist) {
  std::vector<HistEntry> out;
  try {
    out.reserve(acc.size() + hist.size());
  } catch (const std::bad_alloc&) {
    return false;
  }
  size_t i = 0, j = 0;
  while (i < acc.size() || j < hist.size()) {
    if (j == hist.size() || (i < acc.size() && acc[i].colour < hist[j].colour)) {
      out.push_back(acc[i++]);
    } else if (i == acc.size() || hist[j].colour < acc[i].colour) {
      out.push_back(hist[j++]);
    } else {
      out.push_back(HistEntry{acc[i].colour, acc[i].weight + hist[j].weight});
      ++i;
      ++j;
    }
  }
  acc.swap(out);
  return true;
}
