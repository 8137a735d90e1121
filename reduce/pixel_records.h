// Pixel records of a reduction run: one record per source pixel, plane after plane, row after
// row, with the weight, transparency, group and alpha treatment of the run.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "reduce/rdct_types.h"

class CImgInf;

struct PixelRecordInput {
  const CImgInf* source = nullptr;      // the direct-colour working copy: planes and pixels
  const CImgInf* regions = nullptr;     // whose important-region table counts (the source image)
  const CImgInf* groupImage = nullptr;  // eight-colour index form, or none
  const RdctSetup* setup = nullptr;     // flags, bit counts, group layout, converter
  RGBA transparent{};                   // transparent colour (flag 0x4)
  RGBA invisible{};                     // colour of fully transparent pixels (flag 0x100)
  int importantRate = 1;                // extra weight of important regions
  bool alphaInUse = false;
  uint8_t opaqueAlpha = 255;
};

// The weight unit of a run: pixel count / 1000, limited to 10..655.
int PixelWeightUnit(uint64_t pixelCount);

// Fills `records` (pixel count entries). progress receives the percentage of pixels done after
// every row; a non-zero return cancels. Returns RDCT_OK, RDCT_NOMEM or RDCT_CANCELLED.
int BuildPixelRecords(const PixelRecordInput& in, std::vector<PixelRec>& records, const RdctProgress& progress = {});
