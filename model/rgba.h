// RGBA: the 4-byte colour value used by images, palettes, clipboard blocks and drawing.
#pragma once

#include <cstdint>

struct RGBA {
  uint8_t r = 0;
  uint8_t g = 0;
  uint8_t b = 0;
  uint8_t a = 0;

  friend bool operator==(const RGBA&, const RGBA&) = default;
};
static_assert(sizeof(RGBA) == 4, "RGBA is exactly four bytes");

// As a 32-bit little-endian integer red is the lowest byte and alpha the highest.
inline uint32_t RgbaToU32(RGBA c) {
  return uint32_t(c.r) | (uint32_t(c.g) << 8) | (uint32_t(c.b) << 16) | (uint32_t(c.a) << 24);
}
inline RGBA U32ToRgba(uint32_t v) {
  return RGBA{uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)};
}
