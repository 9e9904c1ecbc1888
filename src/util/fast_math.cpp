#include "util/fast_math.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <numbers>

namespace tsuzuri::util {
namespace {

std::array<float, 257> makeAtanTable() {
  std::array<float, 257> table{};
  for (std::size_t i = 0; i < table.size(); ++i) {
    table[i] = static_cast<float>(std::atan(static_cast<double>(i) / 256.0));
  }
  return table;
}

float plainSin(float a) {
  return std::sin(a);
}
float plainCos(float a) {
  return std::cos(a);
}
void plainSinCos(float a, float* s, float* c) {
  *s = std::sin(a);
  *c = std::cos(a);
}
float plainSqrt(float v) {
  return std::sqrt(v);
}
float plainRsqrt(float v) {
  return 1.0F / std::sqrt(v);
}
void* plainMemcpy(void* d, const void* s, std::size_t n) {
  return std::memcpy(d, s, n);
}

}  // namespace

float atan2_fast(std::int32_t y, std::int32_t x) {
  static const std::array<float, 257> kAtan = makeAtanTable();
  constexpr auto kPi = std::numbers::pi_v<float>;
  // 64-bit magnitudes keep INT32_MIN and the shift by 8 free of overflow.
  const std::int64_t ay = std::llabs(static_cast<std::int64_t>(y));
  const std::int64_t ax = std::llabs(static_cast<std::int64_t>(x));
  const std::int64_t larger = std::max(ax, ay);
  if (larger == 0) return 0.0F;
  // The table covers ratios 0..1 of the smaller to the larger magnitude.
  const float small = kAtan[static_cast<std::size_t>((std::min(ax, ay) << 8) / larger)];
  float angle = ay <= ax ? small : kPi / 2 - small;
  if (x < 0) angle = kPi - angle;
  return y < 0 ? -angle : angle;
}

const SimdRoutines& plainSimdRoutines() {
  static constexpr SimdRoutines kPlain{plainSin,  plainCos,   plainSinCos,
                                       plainSqrt, plainRsqrt, plainMemcpy};
  return kPlain;
}

}  // namespace tsuzuri::util
