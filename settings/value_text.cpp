// Locale-independent value conversions of the settings format.
#include "settings/value_text.h"

#include <charconv>
#include <climits>
#include <cmath>
#include <cstdint>
#include <system_error>

namespace settings_text {

std::string_view TrimLeft(std::string_view s) {
  size_t i = 0;
  while (i < s.size() && IsSpace(s[i])) ++i;
  return s.substr(i);
}

std::string_view Trim(std::string_view s) {
  s = TrimLeft(s);
  size_t n = s.size();
  while (n > 0 && IsSpace(s[n - 1])) --n;
  return s.substr(0, n);
}

std::string FormatInt(int value) {
  char buf[16];
  auto r = std::to_chars(buf, buf + sizeof buf, value);
  return std::string(buf, r.ptr);
}

std::string FormatReal(double value) {
  // "%.32g" of any double fits: sign, 32 digits, point, exponent "e-324".
  char buf[64];
  auto r = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::general, 32);
  if (r.ec != std::errc()) return "0";
  return std::string(buf, r.ptr);
}

std::string FormatBinary(const void* data, size_t size) {
  if (!data || size == 0) return {};
  static constexpr char kHex[] = "0123456789ABCDEF";
  const auto* p = static_cast<const uint8_t*>(data);
  std::string s;
  s.reserve(2 + 2 * size);
  s += "0x";
  for (size_t i = 0; i < size; ++i) {
    s += kHex[p[i] >> 4];
    s += kHex[p[i] & 15];
  }
  return s;
}

int ParseLeadingInt(std::string_view text) {
  std::string_view s = TrimLeft(text);
  size_t i = 0;
  bool negative = false;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
  int64_t v = 0;
  bool saturated = false;
  for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i) {
    if (!saturated) {
      v = v * 10 + (s[i] - '0');
      if (v > int64_t(INT_MAX) + 1) saturated = true;
    }
  }
  if (negative) v = -v;
  if (saturated || v > INT_MAX) return negative ? INT_MIN : INT_MAX;
  if (v < INT_MIN) return INT_MIN;
  return int(v);
}

namespace {

// Decimal exponent of the first significant digit of a decimal number text (digits, optional
// point, optional exponent), used to tell overflow from underflow. Only called for texts that
// from_chars found out of range, so a significant digit exists.
int64_t MagnitudeOf(std::string_view s) {
  size_t i = 0;
  int64_t intDigits = 0;  // digits before the point, leading zeros excluded
  int64_t leadingFracZeros = 0;
  bool seenNonZero = false;
  for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i) {
    if (s[i] != '0') seenNonZero = true;
    if (seenNonZero) ++intDigits;
  }
  if (i < s.size() && s[i] == '.') {
    for (++i; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i) {
      if (!seenNonZero && s[i] == '0') ++leadingFracZeros;
      if (s[i] != '0') seenNonZero = true;
    }
  }
  int64_t exp = 0;
  if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
    ++i;
    bool neg = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) neg = s[i++] == '-';
    for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i) {
      if (exp < 1000000000) exp = exp * 10 + (s[i] - '0');
    }
    if (neg) exp = -exp;
  }
  return (intDigits > 0 ? intDigits : -leadingFracZeros) + exp;
}

}  // namespace

double ParseLeadingReal(std::string_view text) {
  std::string_view s = TrimLeft(text);
  bool negative = false;
  if (!s.empty() && (s[0] == '+' || s[0] == '-')) {
    negative = s[0] == '-';
    s.remove_prefix(1);
  }
  // from_chars takes no sign of its own here: a second sign is not a number.
  if (s.empty() || s[0] == '+' || s[0] == '-') return 0.0;
  double v = 0.0;
  auto r = std::from_chars(s.data(), s.data() + s.size(), v, std::chars_format::general);
  if (r.ec == std::errc::invalid_argument) return 0.0;
  if (r.ec == std::errc::result_out_of_range) {
    v = MagnitudeOf(s.substr(0, size_t(r.ptr - s.data()))) > 0 ? HUGE_VAL : 0.0;
  }
  return negative ? -v : v;
}

namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

int LetterDigit(char c) { return (c >= 'A' && c <= 'P') ? c - 'A' : -1; }

}  // namespace

int ParseBinary(std::string_view text, void* buffer, int size) {
  std::string_view s = Trim(text);
  if (s.empty()) return 0;
  const bool hex = s.size() >= 2 && s[0] == '0' && s[1] == 'x';
  if (hex) s.remove_prefix(2);
  for (char c : s) {
    if ((hex ? HexDigit(c) : LetterDigit(c)) < 0) return 0;
  }
  if (!buffer || size <= 0) return 0;
  size_t n = s.size() / 2;
  if (n > size_t(size)) n = size_t(size);
  auto* out = static_cast<uint8_t*>(buffer);
  for (size_t i = 0; i < n; ++i) {
    const char a = s[2 * i], b = s[2 * i + 1];
    out[i] = hex ? uint8_t(HexDigit(a) << 4 | HexDigit(b)) : uint8_t(LetterDigit(b) << 4 | LetterDigit(a));
  }
  return int(n);
}

}  // namespace settings_text
