#pragma once

#include <cstddef>
#include <cstdint>

namespace tsuzuri::util {

// atan2 of integer coordinates through a 257-entry table of atan(i / 256),
// in radians (-pi .. pi); (0, 0) gives 0. Accurate to about 0.004 rad.
float atan2_fast(std::int32_t y, std::int32_t x);

// The math and copy routines whose processor-specific variants are chosen
// once when the screen is set up. Every variant computes what the plain
// routines compute.
struct SimdRoutines {
  float (*sin)(float);
  float (*cos)(float);
  void (*sincos)(float angle, float* sine, float* cosine);
  float (*sqrt)(float);
  float (*rsqrt)(float);
  void* (*memcpy)(void* destination, const void* source, std::size_t size);
};

// The portable variants, used until (and unless) the processor selection
// picks others.
const SimdRoutines& plainSimdRoutines();

}  // namespace tsuzuri::util
