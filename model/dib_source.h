// IDibSource: what the image model needs of a parsed device-independent bitmap in order to
// take it over (ReadDib). The bitmap reader of the BMP codec implements it.
#pragma once

#include <cstdint>
#include <optional>

#include "model/rgba.h"

class IDibSource {
 public:
  virtual ~IDibSource() = default;
  virtual int DibWidth() const = 0;
  virtual int DibHeight() const = 0;
  virtual int DibBitCount() const = 0;
  virtual bool DibHasAlpha() const = 0;
  // Entries of the colour table (bitmaps of 8 bits or fewer).
  virtual int DibColourCount() const = 0;
  virtual std::optional<RGBA> DibPaletteEntry(int i) const = 0;
  // Raw pixel value (palette bitmaps) and colour; nothing where the bitmap cannot deliver.
  virtual std::optional<uint32_t> DibIndex(int x, int y) const = 0;
  virtual std::optional<RGBA> DibPixel(int x, int y) const = 0;
};
