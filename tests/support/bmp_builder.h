// Builds BMP files byte by byte for the bitmap reader's and the BMP loader's tests, so that
// each field can be set to a damaged value on purpose.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

namespace testutil {

inline void PutU16(std::vector<uint8_t>& b, size_t at, uint32_t v) {
  b[at] = uint8_t(v);
  b[at + 1] = uint8_t(v >> 8);
}
inline void PutU32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + size_t(i)] = uint8_t(v >> (8 * i));
}

struct BmpSpec {
  uint32_t headerSize = 40;
  int32_t width = 4;
  int32_t height = 3;  // negative: top-down
  uint16_t planes = 1;
  uint16_t bits = 8;
  uint32_t compression = 0;
  uint32_t imageSize = 0;  // 0: the pixel bytes' length
  uint32_t colourCount = 0;
  std::vector<uint32_t> masks;  // after a 40-byte header, or at offset 40 of V4/V5
  std::vector<uint8_t> table;   // colour table bytes as stored
  std::vector<uint8_t> pixels;  // as stored
  uint32_t gap = 0;             // bytes between the table and the pixels
};

// Rows of width x height pixels, pixel (x, y) (y from the top) given by `value`, stored top-down
// or bottom-up as asked.
inline std::vector<uint8_t> PackRows(int width, int height, int bits, bool topDown,
                                     const std::function<uint32_t(int, int)>& value) {
  const size_t stride = (size_t(bits) * size_t(width) + 31) / 32 * 4;
  std::vector<uint8_t> out(stride * size_t(height), 0);
  for (int y = 0; y < height; ++y) {
    uint8_t* row = out.data() + stride * size_t(topDown ? y : height - 1 - y);
    for (int x = 0; x < width; ++x) {
      const uint32_t v = value(x, y);
      if (bits < 8) {
        const size_t bit = size_t(x) * size_t(bits);
        row[bit / 8] |= uint8_t(v << (8 - bits - int(bit % 8)));
      } else {
        for (int i = 0; i < bits / 8; ++i)
          row[size_t(x) * size_t(bits / 8) + size_t(i)] = uint8_t(v >> (8 * i));
      }
    }
  }
  return out;
}

inline std::vector<uint8_t> BuildBmp(const BmpSpec& s) {
  std::vector<uint8_t> info(s.headerSize, 0);
  PutU32(info, 0, s.headerSize);
  if (s.headerSize == 12) {
    PutU16(info, 4, uint32_t(s.width));
    PutU16(info, 6, uint32_t(s.height));
    PutU16(info, 8, s.planes);
    PutU16(info, 10, s.bits);
  } else {
    PutU32(info, 4, uint32_t(s.width));
    PutU32(info, 8, uint32_t(s.height));
    PutU16(info, 12, s.planes);
    PutU16(info, 14, s.bits);
    PutU32(info, 16, s.compression);
    PutU32(info, 20, s.imageSize ? s.imageSize : uint32_t(s.pixels.size()));
    PutU32(info, 32, s.colourCount);
  }
  std::vector<uint8_t> extra;
  if (s.headerSize >= 108) {
    for (size_t i = 0; i < s.masks.size() && i < 4; ++i) PutU32(info, 40 + 4 * i, s.masks[i]);
  } else {
    extra.resize(s.masks.size() * 4);
    for (size_t i = 0; i < s.masks.size(); ++i) PutU32(extra, 4 * i, s.masks[i]);
  }
  const uint32_t off = uint32_t(14 + info.size() + extra.size() + s.table.size() + s.gap);
  std::vector<uint8_t> file(14, 0);
  file[0] = 'B';
  file[1] = 'M';
  PutU32(file, 2, uint32_t(off + s.pixels.size()));
  PutU32(file, 10, off);
  file.insert(file.end(), info.begin(), info.end());
  file.insert(file.end(), extra.begin(), extra.end());
  file.insert(file.end(), s.table.begin(), s.table.end());
  file.insert(file.end(), s.gap, 0);
  file.insert(file.end(), s.pixels.begin(), s.pixels.end());
  return file;
}

// A colour table of n entries B, G, R (, 0) where entry i is R = i, G = 255 - i, B = i * 3.
inline std::vector<uint8_t> GreyishTable(int n, int entrySize = 4) {
  std::vector<uint8_t> t;
  for (int i = 0; i < n; ++i) {
    t.push_back(uint8_t(i * 3));
    t.push_back(uint8_t(255 - i));
    t.push_back(uint8_t(i));
    if (entrySize == 4) t.push_back(0);
  }
  return t;
}

// A valid 8-bit Windows bitmap of w x h with a 256-entry table; pixel (x, y) = x + 16 y.
inline BmpSpec Pal8Spec(int w = 4, int h = 3) {
  BmpSpec s;
  s.width = w;
  s.height = h;
  s.bits = 8;
  s.table = GreyishTable(256);
  s.pixels = PackRows(w, h, 8, false, [](int x, int y) { return uint32_t(x + 16 * y); });
  return s;
}

}  // namespace testutil
