// Palette optimisation: collect rounds over the boxes, split of the box with the largest error,
// and the final luminance sort of the generated entries.
#include "reduce/palette_build.h"

#include <algorithm>
#include <new>
#include <vector>

#include "reduce/box_split.h"
#include "reduce/histogram.h"

namespace {

// Writes the representatives of the boxes, in creation order, to entries s + c on, passing
// over any equal to an entry already written; returns how many entries the range now holds.
int Collect(const std::vector<ColBox>& boxes, RGBA* range, int c, int n) {
  int i = c;
  for (const ColBox& box : boxes) {
    if (i >= n) break;
    bool seen = false;
    for (int j = 0; j < i && !seen; ++j) seen = range[j] == box.rep;
    if (!seen) range[i++] = box.rep;
  }
  return i;
}

void SortByLuminance(RGBA* first, RGBA* last) {
  std::stable_sort(first, last, [](RGBA a, RGBA b) { return LuminanceKey(a) < LuminanceKey(b); });
}

}  // namespace

int BuildGroupPalette(const RdctSetup& setup, int group, const HistEntry* hist, size_t histCount,
                      RGBA palette[256], int doneBefore, const RdctProgress& progress, int* placed) {
  if (placed) *placed = 0;
  if (group < 0 || group >= kGroupCount) return RDCT_INTERNAL;
  const int s = setup.aGroup[group].m_nStart;
  const int n = setup.aGroup[group].m_nCount;
  const int c = std::max(setup.nFixed - s, 0);
  if (s < 0 || n - c <= 0 || s + n > 256) return RDCT_OK;
  if (placed) *placed = c;
  if (histCount == 0) return RDCT_OK;
  if (histCount > UINT32_MAX) return RDCT_NOMEM;

  std::vector<ColRec> recs;
  std::vector<uint32_t> order;
  std::vector<ColBox> boxes;
  try {
    recs.resize(histCount);
    order.resize(histCount);
    boxes.reserve(kMaxBoxes);
  } catch (const std::bad_alloc&) {
    return RDCT_NOMEM;
  }
  for (size_t i = 0; i < histCount; ++i) {
    recs[i].vec = setup.pConv->To(U32ToRgba(hist[i].colour));
    recs[i].weight = hist[i].weight;
    recs[i].proj = 0.0;
    order[i] = uint32_t(i);
  }
  boxes.emplace_back();
  boxes[0].first = 0;
  boxes[0].count = uint32_t(histCount);
  ComputeBoxStats(boxes[0], recs.data(), order.data(), setup);

  RGBA* range = palette + s;
  const int total = setup.nOutColNum > 0 ? setup.nOutColNum : 1;
  int i = c;
  for (;;) {
    i = Collect(boxes, range, c, n);
    if (ReportCancelled(progress, int(int64_t(i + doneBefore) * 100 / total))) return RDCT_CANCELLED;
    if (i == n) break;
    double best = 0.0;
    int chosen = -1;
    for (size_t b = 0; b < boxes.size(); ++b)
      if (boxes[b].count > 1 && boxes[b].error > best) {
        best = boxes[b].error;
        chosen = int(b);
      }
    if (chosen < 0 || boxes.size() >= size_t(kMaxBoxes)) break;
    boxes.emplace_back();  // capacity reserved: no reallocation, references stay valid
    SplitBox(boxes[size_t(chosen)], boxes.back(), recs.data(), order.data(), setup);
  }
  if (n - c > 1) SortByLuminance(range + c, range + n);
  if (placed) *placed = i;
  return RDCT_OK;
}

int BuildPaletteFromRecords(const RdctSetup& setup, const PixelRec* sorted, size_t count, RGBA palette[256],
                            const RdctProgress& progress) {
  if (setup.nFixed >= setup.nOutColNum) return RDCT_OK;
  std::vector<HistEntry> hist;
  int done = 0;
  for (int g = 0; g < kGroupCount; ++g) {
    const ColGroup& grp = setup.aGroup[g];
    const int s = grp.m_nStart;
    const int c = std::max(setup.nFixed - s, 0);
    if (s >= 0 && grp.m_nCount - c > 0 && s + grp.m_nCount <= 256) {
      if (!MakeGroupHistogram(sorted, count, g, palette + s, c, hist)) return RDCT_NOMEM;
      int r = BuildGroupPalette(setup, g, hist.data(), hist.size(), palette, done, progress);
      if (r != RDCT_OK) return r;
    }
    done += std::max(grp.m_nCount, 0);
  }
  return RDCT_OK;
}
