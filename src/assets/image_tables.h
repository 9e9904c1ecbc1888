#pragma once

// The lookup tables of the image library, built once on first use (a
// function-local static, so the first caller from any thread builds them
// and everyone else waits) and only read afterwards.
//
// Each blend table holds 256 × 256 bytes indexed by base value j (the
// destination channel) × 256 + blend value k (the source channel), so the
// inner loops of compositing and blending do no division.

#include <array>
#include <cstddef>
#include <cstdint>

namespace tsuzuri::assets {

enum class BlendTableKind : std::uint8_t {
  kNormal,    // k
  kAdd,       // min(j + k, 255)
  kSubtract,  // max(j − k, 0)
  kMultiply,  // ⌊j k / 255⌋
  kDivide,    // k = 0: j; else min(⌊255 j / k⌋, 255)
  // Indexed by alpha × 256 + colour: the straight colour of a premultiplied
  // average (alpha 0: 0; colour > alpha: 255; else ⌊255 colour / alpha⌋).
  kUnpremultiplyAverage,
  kScreen,       // j + k − ⌊j k / 255⌋
  kLighten,      // max(j, k)
  kDarken,       // min(j, k)
  kDifference,   // |j − k|
  kExclusion,    // j + k − ⌊2 j k / 255⌋
  kColorDodge,   // k = 255: 255; else min(⌊255 j / (255 − k)⌋, 255)
  kLinearBurn,   // max(j + k − 255, 0)
  kColorBurn,    // k = 0: 0; else max(255 − ⌊255 (255 − j) / k⌋, 0)
  kOverlay,      // j > 127: 2 (j + k) − ⌊2 j k / 255⌋ − 255; else ⌊2 j k / 255⌋
  kHardLight,    // as overlay, testing k > 127
  kSoftLight,    // ⌊255 (j / 255)^(k > 127 ? 127.5 / k : 2 − k / 127.5)⌋
  kVividLight,   // colour dodge / burn by 2k, see image_tables.cpp
  kLinearLight,  // clamp(j + 2k − 255, 0, 255)
  kPinLight,     // k > 127: max(j, 2k − 255); else min(j, 2k)
  kHardMix,      // 255 when the vivid-light value is at least 128, else 0
  kOverAlpha,    // j + ⌊(255 − j) k / 255⌋: alpha k drawn over alpha j
  kWeight,       // ⌊(255 − j) k / 255⌋
  kCount,
};

inline constexpr std::size_t kBlendTableKindCount =
    static_cast<std::size_t>(BlendTableKind::kCount);

using BlendTable = std::array<std::uint8_t, 256 * 256>;

struct ImageTables {
  std::array<BlendTable, kBlendTableKindCount> blend;
  // j = 0: 0; else round(65535 / j): turns a division by a summed alpha
  // (at most 255) into a multiplication and a shift by 16.
  std::array<std::uint32_t, 256> reciprocal;
  // Indexed by j × 256 + k: j = 0: 0; else round(256 k / j), the weight
  // (out of 256) of a source of alpha k in a result of alpha j.
  std::array<std::uint32_t, 256 * 256> unpremultiply;
  // The same with round(255 k / j).
  std::array<std::uint32_t, 256 * 256> unpremultiply255;
};

// The tables; the first call builds them (a few megabytes, on the heap).
const ImageTables& imageTables();

const BlendTable& blendTable(BlendTableKind kind);

// The table B of a blendImage mode: 0 and 1 normal, 2 add, 3 subtract,
// 4 multiply, 5 divide, 6 screen, 7 lighten, 8 darken, 9 difference,
// 10 exclusion, 11 add, 12 colour dodge, 13 linear burn, 14 colour burn,
// 15 overlay, 16 hard light, 17 soft light, 18 vivid light, 19 linear
// light, 20 pin light, 21 hard mix. Modes outside 0..21 get the normal table.
const BlendTable& blendModeTable(std::int32_t mode);

// The table of a colImage mode (0..20): blendImage mode + 1, so 0 is
// normal and 10 is add again. Modes outside 0..20 get the normal table.
const BlendTable& colourModeTable(std::int32_t mode);

// B(j, k): j the base (destination) value, k the blend (source) value.
inline std::uint8_t tableAt(const BlendTable& table, std::uint32_t j, std::uint32_t k) {
  return table[(j << 8) | k];
}

}  // namespace tsuzuri::assets
