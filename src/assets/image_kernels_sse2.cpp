// SSE2 versions of the image library's inner loops (see image_kernels.h).
// The file is empty on other processors, so it can stay in every build.

#if defined(__x86_64__)

#include <emmintrin.h>

#include <cstring>

#include "assets/image_kernels.h"

namespace tsuzuri::assets {

namespace {

constexpr std::int32_t kFullOpacity = 256;
constexpr std::int32_t kWholeFraction = 1 << 18;

__m128i loadPixels(const std::uint8_t* pixels) {
  return _mm_loadu_si128(reinterpret_cast<const __m128i*>(pixels));
}

void storePixels(std::uint8_t* pixels, __m128i value) {
  _mm_storeu_si128(reinterpret_cast<__m128i*>(pixels), value);
}

__m128i loadPixel(const std::uint8_t* pixel) {
  std::int32_t value = 0;
  std::memcpy(&value, pixel, 4);
  return _mm_cvtsi32_si128(value);
}

bool allLanes(__m128i mask) {
  return _mm_movemask_epi8(mask) == 0xFFFF;
}

__m128i alphaMask() {
  return _mm_set1_epi32(static_cast<std::int32_t>(0xFF000000U));
}

// Spreads the four 32-bit values v0..v3 (each below 2^15) over the 16-bit
// channel lanes of two pixels each: low = v0 × 4, v1 × 4; high = v2 × 4, v3 × 4.
void spreadPerPixel(__m128i values, __m128i& low, __m128i& high) {
  __m128i words = _mm_packs_epi32(values, values);
  words = _mm_unpacklo_epi16(words, words);
  low = _mm_unpacklo_epi32(words, words);
  high = _mm_unpackhi_epi32(words, words);
}

// ((s × a + d × (255 − a) + 1) × 257) >> 16 per 16-bit lane; the sum stays
// below 2^16.
__m128i mixOpaque(__m128i source, __m128i destination, __m128i alpha) {
  const __m128i inverse = _mm_sub_epi16(_mm_set1_epi16(255), alpha);
  __m128i sum =
      _mm_add_epi16(_mm_mullo_epi16(source, alpha), _mm_mullo_epi16(destination, inverse));
  sum = _mm_add_epi16(sum, _mm_set1_epi16(1));
  return _mm_mulhi_epu16(sum, _mm_set1_epi16(257));
}

// (a × (256 − c) + b × c) >> 8 per 16-bit lane, which is a + ⌊(b − a) c / 256⌋.
__m128i interpolate(__m128i from, __m128i to, __m128i weight) {
  const __m128i inverse = _mm_sub_epi16(_mm_set1_epi16(256), weight);
  return _mm_srli_epi16(_mm_add_epi16(_mm_mullo_epi16(from, inverse), _mm_mullo_epi16(to, weight)),
                        8);
}

// first + ⌊(second − first) × fraction / 2^16⌋ per 16-bit lane, for a
// difference within ±255 and an unsigned 16-bit fraction: the signed high
// product is corrected by the difference where the fraction's top bit is set.
__m128i lerp16(__m128i first, __m128i second, __m128i fraction) {
  const __m128i difference = _mm_sub_epi16(second, first);
  const __m128i high = _mm_add_epi16(_mm_mulhi_epi16(difference, fraction),
                                     _mm_and_si128(difference, _mm_srai_epi16(fraction, 15)));
  return _mm_add_epi16(first, high);
}

// A tap in 16-bit form: a fraction of 1.0 takes the second pixel whole.
struct Tap16 {
  std::int32_t first;
  std::int32_t second;
  std::int16_t fraction;
};

Tap16 tap16(const BilinearTap& tap) {
  if (tap.fraction >= kWholeFraction) return {tap.second, tap.second, 0};
  return {tap.first, tap.second, static_cast<std::int16_t>(tap.fraction >> 2)};
}

// The bilinear mix of four neighbours (top left, top right, bottom left,
// bottom right) as one BGRA word: across each row first, then down.
std::int32_t mixNeighbours(const std::uint8_t* topLeft, const std::uint8_t* topRight,
                           const std::uint8_t* bottomLeft, const std::uint8_t* bottomRight,
                           std::int16_t across, __m128i down) {
  const __m128i zero = _mm_setzero_si128();
  // Lanes 0..3 hold the top row's channels, lanes 4..7 the bottom row's.
  const __m128i left =
      _mm_unpacklo_epi8(_mm_unpacklo_epi32(loadPixel(topLeft), loadPixel(bottomLeft)), zero);
  const __m128i right =
      _mm_unpacklo_epi8(_mm_unpacklo_epi32(loadPixel(topRight), loadPixel(bottomRight)), zero);
  const __m128i rows = lerp16(left, right, _mm_set1_epi16(across));
  const __m128i mixed = lerp16(rows, _mm_srli_si128(rows, 8), down);
  return _mm_cvtsi128_si32(_mm_packus_epi16(mixed, mixed));
}

// Four consecutive bytes, or two bytes each repeated, as 16-bit lanes 0..3.
__m128i fourBytes(const std::uint8_t* bytes) {
  std::int32_t value = 0;
  std::memcpy(&value, bytes, 4);
  return _mm_unpacklo_epi8(_mm_cvtsi32_si128(value), _mm_setzero_si128());
}

__m128i twoBytesTwice(const std::uint8_t* bytes) {
  std::uint16_t value = 0;
  std::memcpy(&value, bytes, 2);
  const __m128i words = _mm_unpacklo_epi8(_mm_cvtsi32_si128(value), _mm_setzero_si128());
  return _mm_unpacklo_epi16(words, words);
}

// The chroma terms of four pixels in 15-bit fixed point, one pixel per lane.
struct ChromaTerms {
  __m128i red;
  __m128i green;
  __m128i blue;
};

// Four pixels of one luma row with their chroma terms: each channel is
// clamp((T_Y[y] + term) >> 15), alpha 255, as four BGRA words. The products
// are exact 32-bit pmaddwd sums: 38142 = 2 × 19071 and 66126 = 2 × 32767 + 592.
void storeVideoPixels(const std::uint8_t* luma, const ChromaTerms& chroma, std::uint8_t* out) {
  const __m128i y = _mm_sub_epi16(fourBytes(luma), _mm_set1_epi16(16));
  const __m128i base = _mm_add_epi32(
      _mm_madd_epi16(_mm_unpacklo_epi16(y, y), _mm_set1_epi16(19071)), _mm_set1_epi32(16384));
  const __m128i blue = _mm_srai_epi32(_mm_add_epi32(base, chroma.blue), 15);
  const __m128i green = _mm_srai_epi32(_mm_add_epi32(base, chroma.green), 15);
  const __m128i red = _mm_srai_epi32(_mm_add_epi32(base, chroma.red), 15);
  // The values lie within −320..703, so the 16-bit packing keeps them and
  // the byte packing clamps them.
  const __m128i blueRed = _mm_packs_epi32(blue, red);
  const __m128i greenAlpha = _mm_packs_epi32(green, _mm_set1_epi32(255));
  const __m128i blueGreen = _mm_unpacklo_epi16(blueRed, greenAlpha);
  const __m128i redAlpha = _mm_unpackhi_epi16(blueRed, greenAlpha);
  storePixels(out, _mm_packus_epi16(_mm_unpacklo_epi32(blueGreen, redAlpha),
                                    _mm_unpackhi_epi32(blueGreen, redAlpha)));
}

}  // namespace

void convertVideoRowPairSse2(const std::uint8_t* luma, const std::uint8_t* lumaBelow,
                             const std::uint8_t* blueChroma, const std::uint8_t* redChroma,
                             std::uint8_t* out, std::uint8_t* outBelow, std::int32_t width) {
  const __m128i centre = _mm_set1_epi16(128);
  std::int32_t x = 0;
  for (; x + 4 <= width; x += 4) {
    const auto at = static_cast<std::size_t>(x);
    const __m128i cb = _mm_sub_epi16(twoBytesTwice(blueChroma + at / 2), centre);
    const __m128i cr = _mm_sub_epi16(twoBytesTwice(redChroma + at / 2), centre);
    const __m128i cbPairs = _mm_unpacklo_epi16(cb, cb);
    ChromaTerms chroma;
    chroma.red = _mm_madd_epi16(_mm_unpacklo_epi16(cr, cr), _mm_set1_epi16(26149));
    chroma.green = _mm_madd_epi16(
        _mm_unpacklo_epi16(cb, cr),
        _mm_set_epi16(-26640, -12812, -26640, -12812, -26640, -12812, -26640, -12812));
    chroma.blue = _mm_add_epi32(_mm_madd_epi16(cbPairs, _mm_set1_epi16(32767)),
                                _mm_madd_epi16(cbPairs, _mm_set1_epi16(296)));
    storeVideoPixels(luma + at, chroma, out + at * 4);
    if (outBelow != nullptr) storeVideoPixels(lumaBelow + at, chroma, outBelow + at * 4);
  }
  if (x < width) {
    const auto at = static_cast<std::size_t>(x);
    convertVideoRowPair(luma + at, outBelow != nullptr ? lumaBelow + at : nullptr,
                        blueChroma + at / 2, redChroma + at / 2, out + at * 4,
                        outBelow != nullptr ? outBelow + at * 4 : nullptr, width - x);
  }
}

void blendNormalRowSse2(const std::uint8_t* source, std::uint8_t* destination, std::int32_t count,
                        std::int32_t opacity, const ImageTables& tables) {
  if (opacity < 0) {
    blendNormalRow(source, destination, count, opacity, tables);
    return;
  }
  const bool opaque = opacity >= kFullOpacity;
  const __m128i zero = _mm_setzero_si128();
  const __m128i full = _mm_set1_epi32(255);
  const __m128i opacityLanes = _mm_set1_epi32(opaque ? 256 : opacity);
  std::int32_t i = 0;
  for (; i + 4 <= count; i += 4, source += 16, destination += 16) {
    const __m128i in = loadPixels(source);
    const __m128i base = loadPixels(destination);
    __m128i sourceAlpha = _mm_srli_epi32(in, 24);
    // opacity × alpha stays below 2^16 and the high halves are zero.
    if (!opaque) sourceAlpha = _mm_srli_epi32(_mm_mullo_epi16(sourceAlpha, opacityLanes), 8);
    if (allLanes(_mm_cmpeq_epi32(sourceAlpha, zero))) continue;
    if (opaque && allLanes(_mm_cmpeq_epi32(sourceAlpha, full))) {
      storePixels(destination, in);
      continue;
    }
    if (allLanes(_mm_cmpeq_epi32(_mm_srli_epi32(base, 24), full))) {
      // Over an opaque destination the opaque mix covers every source alpha:
      // 0 keeps the destination, 255 gives the source.
      __m128i alphaLow;
      __m128i alphaHigh;
      spreadPerPixel(sourceAlpha, alphaLow, alphaHigh);
      const __m128i low =
          mixOpaque(_mm_unpacklo_epi8(in, zero), _mm_unpacklo_epi8(base, zero), alphaLow);
      const __m128i high =
          mixOpaque(_mm_unpackhi_epi8(in, zero), _mm_unpackhi_epi8(base, zero), alphaHigh);
      storePixels(destination, _mm_or_si128(_mm_packus_epi16(low, high), alphaMask()));
      continue;
    }
    blendNormalRow(source, destination, 4, opacity, tables);
  }
  if (i < count) blendNormalRow(source, destination, count - i, opacity, tables);
}

void crossFadeRowSse2(const std::uint8_t* from, const std::uint8_t* to, std::uint8_t* out,
                      std::size_t count, std::int32_t weight, const ImageTables& tables) {
  if (weight < 0 || weight > 256) {
    crossFadeRow(from, to, out, count, weight, tables);
    return;
  }
  const __m128i zero = _mm_setzero_si128();
  const __m128i nearlyOpaque = _mm_set1_epi32(253);
  const __m128i weightLanes = _mm_set1_epi32(weight);
  std::size_t i = 0;
  for (; i + 4 <= count; i += 4, from += 16, to += 16, out += 16) {
    const __m128i a = loadPixels(from);
    const __m128i b = loadPixels(to);
    const __m128i equal = _mm_cmpeq_epi32(a, b);
    if (allLanes(equal)) {
      storePixels(out, a);
      continue;
    }
    const __m128i fromAlpha = _mm_srli_epi32(a, 24);
    const __m128i toAlpha = _mm_srli_epi32(b, 24);
    if (allLanes(_mm_cmpeq_epi32(_mm_or_si128(fromAlpha, toAlpha), zero))) {
      storePixels(out, _mm_and_si128(equal, a));
      continue;
    }
    if (allLanes(_mm_and_si128(_mm_cmpgt_epi32(fromAlpha, nearlyOpaque),
                               _mm_cmpgt_epi32(toAlpha, nearlyOpaque)))) {
      // c = ⌊alpha × weight / 256⌋, at most 255.
      const __m128i share = _mm_srli_epi32(_mm_mullo_epi16(toAlpha, weightLanes), 8);
      __m128i shareLow;
      __m128i shareHigh;
      spreadPerPixel(share, shareLow, shareHigh);
      const __m128i low =
          interpolate(_mm_unpacklo_epi8(a, zero), _mm_unpacklo_epi8(b, zero), shareLow);
      const __m128i high =
          interpolate(_mm_unpackhi_epi8(a, zero), _mm_unpackhi_epi8(b, zero), shareHigh);
      const __m128i mixed = _mm_or_si128(_mm_packus_epi16(low, high), alphaMask());
      storePixels(out, _mm_or_si128(_mm_and_si128(equal, a), _mm_andnot_si128(equal, mixed)));
      continue;
    }
    crossFadeRow(from, to, out, 4, weight, tables);
  }
  if (i < count) crossFadeRow(from, to, out, count - i, weight, tables);
}

void bilinearRowsSse2(const ImageBuffer& source, ImageBuffer& target, const BilinearTap* columns,
                      const BilinearTap* rows, std::int32_t firstRow, std::int32_t endRow) {
  const std::size_t sourceStride = static_cast<std::size_t>(source.width) * 4;
  for (std::int32_t y = firstRow; y < endRow; ++y) {
    const Tap16 row = tap16(rows[y]);
    const std::uint8_t* top = source.pixels + static_cast<std::size_t>(row.first) * sourceStride;
    const std::uint8_t* bottom =
        source.pixels + static_cast<std::size_t>(row.second) * sourceStride;
    const __m128i down = _mm_set1_epi16(row.fraction);
    std::uint8_t* out = pixelAt(target, 0, y);
    for (std::int32_t x = 0; x < target.width; ++x, out += 4) {
      const Tap16 column = tap16(columns[x]);
      const std::size_t left = static_cast<std::size_t>(column.first) * 4;
      const std::size_t right = static_cast<std::size_t>(column.second) * 4;
      const std::int32_t pixel = mixNeighbours(top + left, top + right, bottom + left,
                                               bottom + right, column.fraction, down);
      std::memcpy(out, &pixel, 4);
    }
  }
}

void rotateBilinearRowsSse2(const ImageBuffer& source, ImageBuffer& target,
                            const RotationSteps& steps, std::int32_t firstRow,
                            std::int32_t endRow) {
  static constexpr std::uint8_t kClear[4] = {0, 0, 0, 0};
  constexpr std::int64_t kOne = kWholeFraction;
  const auto fetch = [&source](std::int64_t x, std::int64_t y) -> const std::uint8_t* {
    if (x < 0 || y < 0 || x >= source.width || y >= source.height) return kClear;
    return source.pixels + (static_cast<std::size_t>(y) * static_cast<std::size_t>(source.width) +
                            static_cast<std::size_t>(x)) *
                               4;
  };
  for (std::int32_t y = firstRow; y < endRow; ++y) {
    std::int64_t sx = steps.x - steps.sine * y;
    std::int64_t sy = steps.y + steps.cosine * y;
    std::uint8_t* out = pixelAt(target, 0, y);
    for (std::int32_t x = 0; x < target.width;
         ++x, out += 4, sx += steps.cosine, sy += steps.sine) {
      const std::int64_t ix = sx >> 18;
      const std::int64_t iy = sy >> 18;
      if (sx < -kOne || sy < -kOne || ix >= source.width || iy >= source.height) {
        std::memset(out, 0, 4);
        continue;
      }
      const auto across = static_cast<std::int16_t>((sx & (kOne - 1)) >> 2);
      const __m128i down = _mm_set1_epi16(static_cast<std::int16_t>((sy & (kOne - 1)) >> 2));
      const std::int32_t pixel = mixNeighbours(fetch(ix, iy), fetch(ix + 1, iy), fetch(ix, iy + 1),
                                               fetch(ix + 1, iy + 1), across, down);
      std::memcpy(out, &pixel, 4);
    }
  }
}

}  // namespace tsuzuri::assets

#endif
