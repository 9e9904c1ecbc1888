#include "assets/image_tables.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <memory>

namespace tsuzuri::assets {
namespace {

std::uint8_t clampByte(int value) {
  return static_cast<std::uint8_t>(std::clamp(value, 0, 255));
}

// Integer division rounding halves up, for non-negative operands.
std::uint32_t roundedQuotient(std::uint32_t numerator, std::uint32_t denominator) {
  return (2 * numerator + denominator) / (2 * denominator);
}

int vividLight(int j, int k) {
  if (k > 127) {
    if (k == 255) return 255;
    return std::min(255 * j / (2 * (255 - k)), 255);
  }
  if (k == 0) return 0;
  // C division truncates toward zero, which the negative numerator needs.
  return std::max((j - 255) * 255 / (2 * k) + 255, 0);
}

int softLight(int j, int k) {
  const double exponent = k > 127 ? 127.5 / k : 2.0 - k / 127.5;
  return static_cast<int>(std::floor(255.0 * std::pow(j / 255.0, exponent)));
}

int overlayValue(int j, int k, bool upper) {
  return upper ? 2 * (j + k) - 2 * j * k / 255 - 255 : 2 * j * k / 255;
}

int entry(BlendTableKind kind, int j, int k) {
  switch (kind) {
    case BlendTableKind::kNormal:
      return k;
    case BlendTableKind::kAdd:
      return j + k;
    case BlendTableKind::kSubtract:
      return j - k;
    case BlendTableKind::kMultiply:
      return j * k / 255;
    case BlendTableKind::kDivide:
      return k == 0 ? j : 255 * j / k;
    case BlendTableKind::kUnpremultiplyAverage:
      // j is the alpha, k the premultiplied colour.
      if (j == 0) return 0;
      return k > j ? 255 : 255 * k / j;
    case BlendTableKind::kScreen:
      return j + k - j * k / 255;
    case BlendTableKind::kLighten:
      return std::max(j, k);
    case BlendTableKind::kDarken:
      return std::min(j, k);
    case BlendTableKind::kDifference:
      return std::abs(j - k);
    case BlendTableKind::kExclusion:
      return j + k - 2 * j * k / 255;
    case BlendTableKind::kColorDodge:
      return k == 255 ? 255 : 255 * j / (255 - k);
    case BlendTableKind::kLinearBurn:
      return j + k - 255;
    case BlendTableKind::kColorBurn:
      return k == 0 ? 0 : 255 - 255 * (255 - j) / k;
    case BlendTableKind::kOverlay:
      return overlayValue(j, k, j > 127);
    case BlendTableKind::kHardLight:
      return overlayValue(j, k, k > 127);
    case BlendTableKind::kSoftLight:
      return softLight(j, k);
    case BlendTableKind::kVividLight:
      return vividLight(j, k);
    case BlendTableKind::kLinearLight:
      return j + 2 * k - 255;
    case BlendTableKind::kPinLight:
      return k > 127 ? std::max(j, 2 * k - 255) : std::min(j, 2 * k);
    case BlendTableKind::kHardMix:
      return vividLight(j, k) >= 128 ? 255 : 0;
    case BlendTableKind::kOverAlpha:
      return j + (255 - j) * k / 255;
    case BlendTableKind::kWeight:
      return (255 - j) * k / 255;
    case BlendTableKind::kCount:
      break;
  }
  return 0;
}

std::unique_ptr<ImageTables> buildTables() {
  auto tables = std::make_unique<ImageTables>();
  for (std::size_t kind = 0; kind < kBlendTableKindCount; ++kind) {
    BlendTable& table = tables->blend[kind];
    for (int j = 0; j < 256; ++j) {
      for (int k = 0; k < 256; ++k) {
        table[static_cast<std::size_t>(j * 256 + k)] =
            clampByte(entry(static_cast<BlendTableKind>(kind), j, k));
      }
    }
  }
  tables->reciprocal[0] = 0;
  for (std::uint32_t j = 1; j < 256; ++j) tables->reciprocal[j] = roundedQuotient(65535, j);
  for (std::uint32_t j = 0; j < 256; ++j) {
    for (std::uint32_t k = 0; k < 256; ++k) {
      const std::size_t index = j * 256 + k;
      tables->unpremultiply[index] = j == 0 ? 0 : roundedQuotient(256 * k, j);
      tables->unpremultiply255[index] = j == 0 ? 0 : roundedQuotient(255 * k, j);
    }
  }
  return tables;
}

// blendImage modes 0..21 in order; colImage mode m is blendImage mode m + 1.
constexpr std::array<BlendTableKind, 22> kModeTables = {
    BlendTableKind::kNormal,     BlendTableKind::kNormal,      BlendTableKind::kAdd,
    BlendTableKind::kSubtract,   BlendTableKind::kMultiply,    BlendTableKind::kDivide,
    BlendTableKind::kScreen,     BlendTableKind::kLighten,     BlendTableKind::kDarken,
    BlendTableKind::kDifference, BlendTableKind::kExclusion,   BlendTableKind::kAdd,
    BlendTableKind::kColorDodge, BlendTableKind::kLinearBurn,  BlendTableKind::kColorBurn,
    BlendTableKind::kOverlay,    BlendTableKind::kHardLight,   BlendTableKind::kSoftLight,
    BlendTableKind::kVividLight, BlendTableKind::kLinearLight, BlendTableKind::kPinLight,
    BlendTableKind::kHardMix,
};

}  // namespace

const ImageTables& imageTables() {
  static const std::unique_ptr<ImageTables> tables = buildTables();
  return *tables;
}

const BlendTable& blendTable(BlendTableKind kind) {
  return imageTables().blend[static_cast<std::size_t>(kind)];
}

const BlendTable& blendModeTable(std::int32_t mode) {
  if (mode < 0 || mode >= static_cast<std::int32_t>(kModeTables.size())) {
    return blendTable(BlendTableKind::kNormal);
  }
  return blendTable(kModeTables[static_cast<std::size_t>(mode)]);
}

const BlendTable& colourModeTable(std::int32_t mode) {
  if (mode < 0 || mode > 20) return blendTable(BlendTableKind::kNormal);
  return blendModeTable(mode + 1);
}

}  // namespace tsuzuri::assets
