// Little-endian reads and writes on byte buffers for the codecs: every multi-byte value goes
// through these helpers, never through a pointer cast.
#pragma once

#include <cstdint>

inline uint16_t ReadU16Le(const uint8_t* p) { return uint16_t(p[0] | (p[1] << 8)); }
inline uint32_t ReadU32Le(const uint8_t* p) {
  return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}
inline int32_t ReadI32Le(const uint8_t* p) { return int32_t(ReadU32Le(p)); }

inline void WriteU16Le(uint8_t* p, uint16_t v) {
  p[0] = uint8_t(v);
  p[1] = uint8_t(v >> 8);
}
inline void WriteU32Le(uint8_t* p, uint32_t v) {
  p[0] = uint8_t(v);
  p[1] = uint8_t(v >> 8);
  p[2] = uint8_t(v >> 16);
  p[3] = uint8_t(v >> 24);
}
