// Records and settings shared by the reduction stages: pixel records, histogram entries, the
// run setup every stage reads, result codes and the progress callback.
#pragma once

#include <cstdint>
#include <functional>

#include "model/rgba.h"
#include "reduce/col_rdct_prm.h"

class CColSpcConv;

// One source pixel: colour, flags (bit 0: the pixel has the transparent colour), group 0..7
// and a weight that saturates at 65535.
struct PixelRec {
  uint8_t r = 0, g = 0, b = 0, a = 0;
  uint8_t flags = 0;
  uint8_t group = 0;
  uint16_t weight = 1;

  uint32_t Colour() const { return uint32_t(r) | uint32_t(g) << 8 | uint32_t(b) << 16 | uint32_t(a) << 24; }
  RGBA Rgba() const { return RGBA{r, g, b, a}; }
};
static_assert(sizeof(PixelRec) == 8, "a pixel record takes 8 bytes");

inline constexpr uint8_t PIXREC_NUKI = 0x01;

// One distinct colour of a histogram (red lowest byte) and its summed weight. Histograms are
// ascending by colour, each colour once.
struct HistEntry {
  uint32_t colour = 0;
  double weight = 0.0;
};

// Result codes; the values are the engine's error codes.
enum RdctResult : int {
  RDCT_OK = 0,
  RDCT_NOMEM = 1,
  RDCT_INTERNAL = 2,
  RDCT_CANCELLED = 4,
};

// Progress of a stage: called with the work done so far (the unit is named where it is
// used); a non-zero return cancels. An empty function never cancels.
using RdctProgress = std::function<int(int done)>;

inline bool ReportCancelled(const RdctProgress& fn, int done) { return fn && fn(done) != 0; }

// What every stage reads of a run: the converter, bit counts, flags, the group layout, the
// fixed entry count and the dither settings.
struct RdctSetup {
  const CColSpcConv* pConv = nullptr;
  int nBits[4] = {8, 8, 8, 8};  // red, green, blue, alpha
  uint32_t dwFlags = 0;
  int nOutColNum = 256;
  ColGroup aGroup[kGroupCount] = {};
  int nFixed = 0;
  int nDithMode = 0;
  float fDithLevel = 0.0f;

  void Reduce(RGBA& c, uint32_t flags) const;
  void Reduce(RGBA& c) const { Reduce(c, dwFlags); }
};
