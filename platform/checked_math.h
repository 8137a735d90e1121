// Checked size arithmetic for sizes that come from files or users: 64-bit products and
// sums that report overflow instead of wrapping.
#pragma once

#include <cstdint>
#include <limits>
#include <optional>

namespace checked {

inline std::optional<uint64_t> Mul(uint64_t a, uint64_t b) {
  uint64_t r;
  if (__builtin_mul_overflow(a, b, &r)) return std::nullopt;
  return r;
}

inline std::optional<uint64_t> Mul(uint64_t a, uint64_t b, uint64_t c) {
  auto ab = Mul(a, b);
  if (!ab) return std::nullopt;
  return Mul(*ab, c);
}

inline std::optional<uint64_t> Add(uint64_t a, uint64_t b) {
  uint64_t r;
  if (__builtin_add_overflow(a, b, &r)) return std::nullopt;
  return r;
}

// Largest byte size one image plane may hold: its size field is a 32-bit signed integer.
inline constexpr uint64_t kMaxPlaneBytes = uint64_t(std::numeric_limits<int32_t>::max());

// Byte size of a width x height plane with the given cell size, or nullopt when a dimension
// is not positive or the size exceeds what a plane may hold.
inline std::optional<int32_t> PlaneBytes(int64_t width, int64_t height, int64_t cell) {
  if (width <= 0 || height <= 0 || cell <= 0) return std::nullopt;
  auto n = Mul(uint64_t(width), uint64_t(height), uint64_t(cell));
  if (!n || *n > kMaxPlaneBytes) return std::nullopt;
  return int32_t(*n);
}

}  // namespace checked
