// Conversions between settings values (always text) and integers, reals and byte strings.
// None of them depends on the C locale: "%d" and "%.32g" are produced and read the same way
// under every LC_NUMERIC.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace settings_text {

// The white space the settings format trims: space, tab, CR, LF, vertical tab, form feed.
constexpr bool IsSpace(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}
std::string_view Trim(std::string_view s);
std::string_view TrimLeft(std::string_view s);

// "%d".
std::string FormatInt(int value);
// "%.32g": up to 32 significant digits, 0.1 -> "0.10000000000000000555111512312578".
std::string FormatReal(double value);
// "0x" and two upper-case hexadecimal digits per byte; no data or size 0 -> "".
std::string FormatBinary(const void* data, size_t size);

// The leading integer: white space skipped, optional sign, decimal digits up to the first other
// character; no digits -> 0. Values beyond the int range saturate.
int ParseLeadingInt(std::string_view text);
// The leading decimal number (white space skipped, optional sign, digits with an optional
// point and exponent, or inf / nan); nothing readable -> 0.0. Too large -> +-infinity, too
// small -> +-0.
double ParseLeadingReal(std::string_view text);
// A binary value, either "0x" and upper-case hexadecimal digit pairs (high digit first) or
// letter pairs "A".."P" (first letter the low four bits). The text is trimmed first. Copies at
// most size bytes to buffer and returns the number copied; 0 for an empty or malformed value.
int ParseBinary(std::string_view text, void* buffer, int size);

}  // namespace settings_text
