#pragma once

// The script language's conversions of a number (double) to an integer.
//
// Scripts hand in any double, so every conversion is defined for all of
// them: NaN, the infinities and values outside the 64-bit range give 0.
// A 32-bit result is the low 32 bits of the value truncated to 64 bits, so
// 4294967295 (0xFFFFFFFF) arrives as -1 and 2147483648 as -2147483648.

#include <cmath>
#include <cstdint>

namespace tsuzuri::script {

// Truncated toward zero.
inline std::int64_t truncateToInt64(double value) {
  // 2^63 is exact in a double; every double below it and at least -2^63
  // truncates to a representable 64-bit integer. NaN fails both tests.
  constexpr double kLimit = 9223372036854775808.0;
  if (!(value >= -kLimit && value < kLimit)) return 0;
  return static_cast<std::int64_t>(value);
}

// The number truncated to 64 bits, low 32 bits taken (the wrapping integer
// of command arguments).
inline std::int32_t wrapToInt32(double value) {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(truncateToInt64(value)));
}

// The number truncated toward zero to a 32-bit int. Out of range it wraps
// exactly as wrapToInt32 does; the two names say which conversion the
// caller means.
inline std::int32_t truncateToInt32(double value) {
  return wrapToInt32(value);
}

}  // namespace tsuzuri::script
