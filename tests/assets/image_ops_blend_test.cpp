#include "assets/image_ops_blend.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "assets/image_tables.h"
#include "util/sjis.h"

namespace tsuzuri::assets {
namespace {

class RecordingConsole : public ImageConsole {
 public:
  void print(std::string_view line) override { text.append(line); }
  std::string text;
};

std::string sjis(std::u8string_view line) {
  return util::toSjis(line);
}

// Owns an image that the operations may replace through its address.
struct Held {
  explicit Held(ImageBuffer* owned) : image(owned) {}
  Held(const Held&) = delete;
  Held& operator=(const Held&) = delete;
  ~Held() { freeImage(&image); }
  ImageBuffer* image;
};

// Pixels are written as 0xAARRGGBB, row by row.
ImageBuffer* imageOf(std::int32_t width, std::int32_t height,
                     const std::vector<std::uint32_t>& argb, std::int32_t depth = 32) {
  ImageBuffer* image = createImage(width, height, depth);
  for (std::size_t i = 0; i < argb.size(); ++i) {
    for (int byte = 0; byte < 4; ++byte) {
      image->pixels[i * 4 + static_cast<std::size_t>(byte)] =
          static_cast<std::uint8_t>(argb[i] >> (8 * byte));
    }
  }
  return image;
}

std::uint32_t argbAt(ImageBuffer& image, std::int32_t x, std::int32_t y) {
  const std::uint8_t* p = pixelAt(image, x, y);
  return std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 |
         std::uint32_t{p[3]} << 24;
}

std::vector<std::uint32_t> pixelsOf(ImageBuffer& image) {
  std::vector<std::uint32_t> result;
  for (std::int32_t y = 0; y < image.height; ++y) {
    for (std::int32_t x = 0; x < image.width; ++x) result.push_back(argbAt(image, x, y));
  }
  return result;
}

// ---------------------------------------------------------------------------
// Tables

int floorDiv(double value) {
  return static_cast<int>(std::floor(value));
}
int clamp255(int value) {
  return std::clamp(value, 0, 255);
}

int vividReference(int j, int k) {
  if (k == 255) return 255;
  if (k > 127) return std::min(floorDiv(255.0 * j / (2.0 * (255 - k))), 255);
  if (k == 0) return 0;
  return std::max(static_cast<int>(std::trunc((j - 255) * 255.0 / (2.0 * k))) + 255, 0);
}

struct TableCase {
  BlendTableKind kind;
  const char* name;
  std::function<int(int, int)> formula;
};

const std::vector<TableCase>& tableCases() {
  static const std::vector<TableCase> cases = {
      {BlendTableKind::kNormal, "normal", [](int, int k) { return k; }},
      {BlendTableKind::kAdd, "add", [](int j, int k) { return std::min(j + k, 255); }},
      {BlendTableKind::kSubtract, "subtract", [](int j, int k) { return std::max(j - k, 0); }},
      {BlendTableKind::kMultiply, "multiply", [](int j, int k) { return floorDiv(j * k / 255.0); }},
      {BlendTableKind::kDivide, "divide",
       [](int j, int k) { return k == 0 ? j : std::min(floorDiv(255.0 * j / k), 255); }},
      {BlendTableKind::kUnpremultiplyAverage, "unpremultiply average",
       [](int alpha, int colour) {
         if (alpha == 0) return 0;
         return colour > alpha ? 255 : floorDiv(255.0 * colour / alpha);
       }},
      {BlendTableKind::kScreen, "screen",
       [](int j, int k) { return j + k - floorDiv(j * k / 255.0); }},
      {BlendTableKind::kLighten, "lighten", [](int j, int k) { return std::max(j, k); }},
      {BlendTableKind::kDarken, "darken", [](int j, int k) { return std::min(j, k); }},
      {BlendTableKind::kDifference, "difference", [](int j, int k) { return std::abs(j - k); }},
      {BlendTableKind::kExclusion, "exclusion",
       [](int j, int k) { return j + k - floorDiv(2.0 * j * k / 255.0); }},
      {BlendTableKind::kColorDodge, "color dodge",
       [](int j, int k) {
         if (k == 255) return 255;
         return std::min(floorDiv(255.0 * j / (255 - k)), 255);
       }},
      {BlendTableKind::kLinearBurn, "linear burn",
       [](int j, int k) { return std::max(j + k - 255, 0); }},
      {BlendTableKind::kColorBurn, "color burn",
       [](int j, int k) {
         return k == 0 ? 0 : std::max(255 - floorDiv(255.0 * (255 - j) / k), 0);
       }},
      {BlendTableKind::kOverlay, "overlay",
       [](int j, int k) {
         const int product = floorDiv(2.0 * j * k / 255.0);
         return j > 127 ? 2 * (j + k) - product - 255 : product;
       }},
      {BlendTableKind::kHardLight, "hard light",
       [](int j, int k) {
         const int product = floorDiv(2.0 * j * k / 255.0);
         return k > 127 ? 2 * (j + k) - product - 255 : product;
       }},
      {BlendTableKind::kSoftLight, "soft light",
       [](int j, int k) {
         const double exponent = k > 127 ? 127.5 / k : 2.0 - k / 127.5;
         return floorDiv(255.0 * std::pow(j / 255.0, exponent));
       }},
      {BlendTableKind::kVividLight, "vivid light", vividReference},
      {BlendTableKind::kLinearLight, "linear light",
       [](int j, int k) { return clamp255(j + 2 * k - 255); }},
      {BlendTableKind::kPinLight, "pin light",
       [](int j, int k) { return k > 127 ? std::max(j, 2 * k - 255) : std::min(j, 2 * k); }},
      {BlendTableKind::kHardMix, "hard mix",
       [](int j, int k) { return vividReference(j, k) >= 128 ? 255 : 0; }},
      {BlendTableKind::kOverAlpha, "over-alpha",
       [](int j, int k) { return j + floorDiv((255 - j) * k / 255.0); }},
      {BlendTableKind::kWeight, "weight",
       [](int j, int k) { return floorDiv((255 - j) * k / 255.0); }},
  };
  return cases;
}

constexpr int kCorners[] = {0, 1, 127, 128, 254, 255};

TEST(ImageTables, EveryBlendTableFollowsItsFormulaAtTheCorners) {
  ASSERT_EQ(tableCases().size(), kBlendTableKindCount);
  for (const TableCase& table : tableCases()) {
    for (int j : kCorners) {
      for (int k : kCorners) {
        EXPECT_EQ(tableAt(blendTable(table.kind), static_cast<std::uint32_t>(j),
                          static_cast<std::uint32_t>(k)),
                  table.formula(j, k))
            << table.name << " j=" << j << " k=" << k;
      }
    }
  }
}

TEST(ImageTables, HandComputedEntries) {
  struct Entry {
    BlendTableKind kind;
    std::uint32_t j, k;
    int expected;
  };
  const Entry entries[] = {
      {BlendTableKind::kMultiply, 128, 128, 64},     // 16384 / 255 = 64.25
      {BlendTableKind::kScreen, 128, 128, 192},      // 256 − 64
      {BlendTableKind::kDivide, 1, 0, 1},            // division by 0 keeps j
      {BlendTableKind::kDivide, 127, 128, 253},      // 32385 / 128 = 253.008
      {BlendTableKind::kOverlay, 128, 128, 129},     // 512 − 128 − 255
      {BlendTableKind::kOverlay, 127, 128, 127},     // ⌊32512 / 255⌋
      {BlendTableKind::kColorDodge, 0, 255, 255},    // k = 255 wins even over j = 0
      {BlendTableKind::kColorDodge, 126, 128, 252},  // 32130 / 127 = 252.99
      {BlendTableKind::kColorBurn, 128, 128, 2},     // 255 − ⌊253.008⌋
      {BlendTableKind::kVividLight, 254, 1, 128},    // −127.5 truncated to −127, + 255
      {BlendTableKind::kVividLight, 128, 128, 128},  // 32640 / 254 = 128.5
      {BlendTableKind::kHardMix, 254, 1, 255},       // vivid light 128
      {BlendTableKind::kHardMix, 127, 128, 0},       // vivid light 127
      {BlendTableKind::kSoftLight, 128, 128, 128},   // 255 × 0.50196^0.99609 = 128.3
      {BlendTableKind::kExclusion, 128, 128, 128},   // 256 − ⌊128.5⌋
      {BlendTableKind::kUnpremultiplyAverage, 128, 64, 127},
      {BlendTableKind::kUnpremultiplyAverage, 128, 129, 255},
      {BlendTableKind::kOverAlpha, 128, 128, 191},  // 128 + ⌊63.75⌋
      {BlendTableKind::kWeight, 128, 128, 63},
  };
  for (const Entry& entry : entries) {
    EXPECT_EQ(tableAt(blendTable(entry.kind), entry.j, entry.k), entry.expected)
        << static_cast<int>(entry.kind) << " j=" << entry.j << " k=" << entry.k;
  }
}

TEST(ImageTables, ReciprocalAndUnpremultiplyRoundHalvesUp) {
  const ImageTables& tables = imageTables();
  const std::pair<std::size_t, std::uint32_t> reciprocals[] = {
      {0, 0}, {1, 65535}, {2, 32768}, {127, 516}, {128, 512}, {191, 343}, {254, 258}, {255, 257}};
  for (const auto& [j, expected] : reciprocals) EXPECT_EQ(tables.reciprocal[j], expected) << j;

  struct Entry {
    std::size_t j, k;
    std::uint32_t by256, by255;
  };
  const Entry entries[] = {
      {0, 0, 0, 0},        {0, 255, 0, 0},         {1, 1, 256, 255},     {2, 1, 128, 128},
      {3, 1, 85, 85},      {191, 128, 172, 171},   {255, 128, 129, 128}, {255, 255, 256, 255},
      {135, 63, 119, 119}, {1, 255, 65280, 65025},
  };
  for (const Entry& entry : entries) {
    EXPECT_EQ(tables.unpremultiply[entry.j * 256 + entry.k], entry.by256)
        << entry.j << "," << entry.k;
    EXPECT_EQ(tables.unpremultiply255[entry.j * 256 + entry.k], entry.by255)
        << entry.j << "," << entry.k;
  }
}

TEST(ImageTables, ModesReachTheirTables) {
  // Each mode's value for destination 200 and source 100, worked out by
  // hand from its formula: a mode wired to the wrong table shows here.
  const std::uint8_t expected[22] = {100, 100, 255, 100, 78,  255, 222, 200, 100, 100, 144,
                                     255, 255, 45,  115, 189, 156, 189, 185, 145, 200, 255};
  for (std::int32_t mode = 0; mode < 22; ++mode) {
    EXPECT_EQ(tableAt(blendModeTable(mode), 200, 100), expected[mode]) << mode;
  }
  for (std::int32_t mode = 0; mode <= 20; ++mode) {
    EXPECT_EQ(&colourModeTable(mode), &blendModeTable(mode + 1)) << mode;
  }
  for (std::int32_t mode : {-1, 22, 1000}) {
    EXPECT_EQ(&blendModeTable(mode), &blendTable(BlendTableKind::kNormal));
    EXPECT_EQ(&colourModeTable(mode), &blendTable(BlendTableKind::kNormal));
  }
  EXPECT_EQ(&colourModeTable(21), &blendTable(BlendTableKind::kNormal));
}

// ---------------------------------------------------------------------------
// blendImage

struct BlendCase {
  const char* what;
  std::int32_t mode;
  std::int32_t opacity;
  std::uint32_t destination;
  std::uint32_t source;
  std::uint32_t expected;
};

TEST(ImageOpsBlend, BlendPixelCases) {
  const BlendCase cases[] = {
      // Modes 2..21, case by case (multiply: B(200,100) = 78, B(100,50) = 19, B(0,255) = 0).
      {"1: transparent source", 4, 256, 0x80102030, 0x00FFFFFF, 0x80102030},
      {"1: transparent destination", 4, 256, 0x00090909, 0x4D010203, 0x4D010203},
      {"2: both opaque", 3, 256, 0xFF0064C8, 0xFFFF9664, 0xFF000064},
      {"3: opaque destination", 4, 256, 0xFF0064C8, 0x80FF3264, 0xFF003B8A},
      {"4: opaque source", 2, 256, 0x4064C80A, 0xFF006414, 0xFF198A16},
      {"5: both translucent", 4, 256, 0x800064C8, 0x80FF3264, 0xBF55387D},
      // Mode 1 (source over destination).
      {"normal, opaque destination", 1, 256, 0xFF64FF00, 0x806400FF, 0xFF647F80},
      {"normal, translucent", 1, 256, 0x8064C800, 0x806400FF, 0xBF6442AB},
      {"normal, transparent destination", 1, 128, 0x00000000, 0xC81E140A, 0x641E140A},
      {"normal, opacity halves the alpha", 1, 128, 0xFF000000, 0xFFFFFFFF, 0xFF7F7F7F},
      {"normal, product below 256 skipped", 1, 1, 0xFF000000, 0xFFFFFFFF, 0xFF000000},
      {"normal, opaque source copied", 1, 256, 0x80123456, 0xFF0A0B0C, 0xFF0A0B0C},
      // Mode 0 copies, scaling alpha by the opacity.
      {"copy", 0, 256, 0xFF123456, 0x10ABCDEF, 0x10ABCDEF},
      {"copy at quarter opacity", 0, 64, 0xFF123456, 0xC8ABCDEF, 0x32ABCDEF},
  };
  for (const BlendCase& c : cases) {
    RecordingConsole console;
    Held destination(imageOf(1, 1, {c.destination}));
    Held source(imageOf(1, 1, {c.source}));
    ASSERT_TRUE(blendImage(console, &destination.image, source.image, c.mode, 0, 0, c.opacity, 0))
        << c.what;
    EXPECT_EQ(argbAt(*destination.image, 0, 0), c.expected)
        << c.what << std::hex << " got 0x" << argbAt(*destination.image, 0, 0);
    EXPECT_EQ(console.text, "");
  }
}

// One pixel of every alpha case, for comparing whole rows.
const std::vector<std::uint32_t> kDestinationRow = {0x80102030, 0x00090909, 0xFF0064C8,
                                                    0xFF0064C8, 0x4064C80A, 0x800064C8};
const std::vector<std::uint32_t> kSourceRow = {0x00FFFFFF, 0x4D010203, 0xFFFF9664,
                                               0x80FF3264, 0xFF006414, 0x80FF3264};

std::vector<std::uint32_t> blendedRow(std::int32_t mode, std::int32_t opacity) {
  RecordingConsole console;
  Held destination(imageOf(6, 1, kDestinationRow));
  Held source(imageOf(6, 1, kSourceRow));
  EXPECT_TRUE(blendImage(console, &destination.image, source.image, mode, 0, 0, opacity, 0));
  return pixelsOf(*destination.image);
}

TEST(ImageOpsBlend, OpacityZeroChangesNothingInAnyMode) {
  for (std::int32_t mode = 0; mode < 22; ++mode) {
    for (std::int32_t opacity : {0, -5}) {
      EXPECT_EQ(blendedRow(mode, opacity), kDestinationRow) << mode << " " << opacity;
    }
  }
}

TEST(ImageOpsBlend, OpacityFromTwoFiftySixOnIsFullyOpaque) {
  for (std::int32_t mode = 0; mode < 22; ++mode) {
    const std::vector<std::uint32_t> full = blendedRow(mode, 256);
    EXPECT_EQ(blendedRow(mode, 257), full) << mode;
    EXPECT_EQ(blendedRow(mode, 100000), full) << mode;
    EXPECT_NE(blendedRow(mode, 255), full) << mode;
  }
}

TEST(ImageOpsBlend, ModeElevenIsModeTwo) {
  for (std::int32_t opacity : {256, 200})
    EXPECT_EQ(blendedRow(11, opacity), blendedRow(2, opacity));
  EXPECT_NE(blendedRow(10, 256), blendedRow(2, 256));
}

TEST(ImageOpsBlend, PlacementClipsTheSourceOnEverySide) {
  // 3×3 destination of zeros and a 2×2 source with distinct pixels.
  struct Case {
    std::int32_t x, y;
    std::vector<std::uint32_t> expected;
  };
  const std::uint32_t a = 0xFF000001, b = 0xFF000002, c = 0xFF000003, d = 0xFF000004;
  const Case cases[] = {
      {-1, -1, {d, 0, 0, 0, 0, 0, 0, 0, 0}}, {-1, 0, {b, 0, 0, d, 0, 0, 0, 0, 0}},
      {2, 2, {0, 0, 0, 0, 0, 0, 0, 0, a}},   {1, -1, {0, c, d, 0, 0, 0, 0, 0, 0}},
      {0, 0, {a, b, 0, c, d, 0, 0, 0, 0}},
  };
  for (const Case& placement : cases) {
    for (std::int32_t mode : {0, 1, 5}) {
      RecordingConsole console;
      Held destination(imageOf(3, 3, std::vector<std::uint32_t>(9, 0)));
      Held source(imageOf(2, 2, {a, b, c, d}));
      ASSERT_TRUE(blendImage(console, &destination.image, source.image, mode, placement.x,
                             placement.y, 256, 0));
      EXPECT_EQ(pixelsOf(*destination.image), placement.expected)
          << placement.x << "," << placement.y << " mode " << mode;
    }
  }
}

TEST(ImageOpsBlend, NoOverlapPrintsTheCoordinatesLine) {
  const std::pair<std::int32_t, std::int32_t> outside[] = {{3, 0}, {0, 3}, {-2, 0}, {0, -2}};
  for (const auto& [x, y] : outside) {
    RecordingConsole console;
    Held destination(imageOf(3, 3, std::vector<std::uint32_t>(9, 0xFF112233)));
    ImageBuffer* before = destination.image;
    Held source(imageOf(2, 2, std::vector<std::uint32_t>(4, 0xFFFFFFFF)));
    EXPECT_FALSE(blendImage(console, &destination.image, source.image, 1, x, y, 256, 0));
    EXPECT_EQ(console.text, sjis(u8"-BLD: 座標の指定が不正です\n"));
    EXPECT_EQ(destination.image, before);
    EXPECT_EQ(pixelsOf(*destination.image), std::vector<std::uint32_t>(9, 0xFF112233));

    RecordingConsole compositeConsole;
    EXPECT_FALSE(compositeImage(compositeConsole, &destination.image, source.image, 0, x, y, 0));
    EXPECT_EQ(compositeConsole.text, sjis(u8"-CMP: 座標の指定が不正です\n"));

    RecordingConsole atConsole;
    EXPECT_FALSE(blendImageAt(atConsole, destination.image, source.image, x, y, 256));
    EXPECT_EQ(atConsole.text, sjis(u8"-BLD: 座標の指定が不正です\n"));
  }
}

TEST(ImageOpsBlend, MissingImagesPrintTheirLines) {
  Held image(imageOf(1, 1, {0xFF000000}));
  ImageBuffer* none = nullptr;
  {
    RecordingConsole console;
    EXPECT_FALSE(blendImage(console, &image.image, nullptr, 1, 0, 0, 256, 0));
    EXPECT_FALSE(blendImage(console, &none, image.image, 1, 0, 0, 256, 0));
    EXPECT_FALSE(blendImage(console, nullptr, image.image, 1, 0, 0, 256, 0));
    EXPECT_FALSE(blendImageAt(console, nullptr, image.image, 0, 0, 256));
    std::string expected;
    for (int i = 0; i < 4; ++i) expected += sjis(u8"-BLD: 画像データが読み込まれてません\n");
    EXPECT_EQ(console.text, expected);
  }
  {
    RecordingConsole console;
    EXPECT_FALSE(compositeImage(console, &none, image.image, 0, 0, 0, 1));
    EXPECT_EQ(console.text, sjis(u8"-CMP: 画像データが読み込まれてません\n"));
  }
  {
    RecordingConsole console;
    EXPECT_FALSE(colImage(console, nullptr, 0, 0xFFFFFFFF));
    EXPECT_EQ(console.text, sjis(u8"-: 画像データが読み込まれてません\n"));
  }
  {
    RecordingConsole console;
    EXPECT_FALSE(crossFadeImages(console, &none, image.image, nullptr, 128));
    EXPECT_EQ(console.text, sjis(u8"-BLD: 画像データが読み込まれてません\n"));
    EXPECT_EQ(none, nullptr);
  }
}

// ---------------------------------------------------------------------------
// Expansion and compositing

const std::uint32_t kP = 0xFF000011, kQ = 0xFF000012, kR = 0xFF000013, kS = 0xFF000014;
const std::uint32_t kA = 0xFF0000A1, kB = 0xFF0000A2, kC = 0xFF0000A3, kD = 0xFF0000A4;

TEST(ImageOpsBlend, ExpandGrowsTheDestinationToHoldBoth) {
  struct Case {
    std::int32_t x, y, width, height;
    std::vector<std::uint32_t> expected;
  };
  const Case cases[] = {
      // Up-left of the destination by one column, below it with a gap row.
      {-1, 3, 3, 5, {0, kP, kQ, 0, kR, kS, 0, 0, 0, kA, kB, 0, kC, kD, 0}},
      {1, 1, 3, 3, {kP, kQ, 0, kR, kA, kB, 0, kC, kD}},
      {-2, -2, 4, 4, {kA, kB, 0, 0, kC, kD, 0, 0, 0, 0, kP, kQ, 0, 0, kR, kS}},
      // Disjoint: the bounding box of both, with no coordinates line.
      {3, 0, 5, 2, {kP, kQ, 0, kA, kB, kR, kS, 0, kC, kD}},
  };
  for (const Case& c : cases) {
    for (bool blend : {false, true}) {
      RecordingConsole console;
      Held destination(imageOf(2, 2, {kP, kQ, kR, kS}, 24));
      Held source(imageOf(2, 2, {kA, kB, kC, kD}, 24));
      ASSERT_TRUE(blend
                      ? blendImage(console, &destination.image, source.image, 1, c.x, c.y, 256, 1)
                      : compositeImage(console, &destination.image, source.image, 0, c.x, c.y, 1));
      EXPECT_EQ(console.text, "");
      ASSERT_EQ(destination.image->width, c.width);
      ASSERT_EQ(destination.image->height, c.height);
      EXPECT_EQ(pixelsOf(*destination.image), c.expected) << c.x << "," << c.y;
      // Compositing makes a 32-bit image; blending keeps the destination's depth.
      EXPECT_EQ(destination.image->depth, blend ? 24 : 32);
    }
  }
}

TEST(ImageOpsBlend, ExpandKeepsADestinationThatHoldsTheSource) {
  RecordingConsole console;
  Held destination(imageOf(3, 3, std::vector<std::uint32_t>(9, kP), 24));
  ImageBuffer* before = destination.image;
  Held source(imageOf(2, 2, {kA, kB, kC, kD}));
  ASSERT_TRUE(compositeImage(console, &destination.image, source.image, 0, 1, 1, 1));
  EXPECT_EQ(destination.image, before);
  EXPECT_EQ(pixelsOf(*destination.image),
            (std::vector<std::uint32_t>{kP, kP, kP, kP, kA, kB, kP, kC, kD}));
}

TEST(ImageOpsBlend, CompositeModes) {
  const std::vector<std::uint32_t> base = {0xFF102030, 0x80405060, 0xFFFFFFFF};
  const std::vector<std::uint32_t> over = {0x00ABCDEF, 0x7F000000, 0x0F0F0F0F};
  const std::vector<std::uint32_t> expected[] = {
      over,
      {0xFF102030, 0x7F000000, 0x0F0F0F0F},
      {0xFFBBEDDF, 0xFF405060, 0xF0F0F0F0},
  };
  for (std::int32_t mode = 0; mode < 3; ++mode) {
    RecordingConsole console;
    Held destination(imageOf(3, 1, base));
    Held source(imageOf(3, 1, over));
    ASSERT_TRUE(compositeImage(console, &destination.image, source.image, mode, 0, 0, 0));
    EXPECT_EQ(pixelsOf(*destination.image), expected[mode]) << mode;
  }
}

TEST(ImageOpsBlend, CompositeDepthFollowsWhatTheModeCanWrite) {
  for (std::int32_t mode = 0; mode < 3; ++mode) {
    RecordingConsole console;
    Held destination(imageOf(1, 1, {kP}, 24));
    Held source(imageOf(1, 1, {kA}, 24));
    ASSERT_TRUE(compositeImage(console, &destination.image, source.image, mode, 0, 0, 0));
    // XOR of two opaque pixels is transparent.
    EXPECT_EQ(destination.image->depth, mode == 2 ? 32 : 24) << mode;
  }
}

TEST(ImageOpsBlend, ASourceThatIsTheDestinationIsReadBeforeItIsWritten) {
  const std::uint32_t p0 = 0xFF000001, p1 = 0xFF000002, p2 = 0xFF000003;
  {
    RecordingConsole console;
    Held image(imageOf(3, 2, {p0, p1, p2, p2, p1, p0}));
    ASSERT_TRUE(compositeImage(console, &image.image, image.image, 0, 1, 1, 0));
    EXPECT_EQ(pixelsOf(*image.image), (std::vector<std::uint32_t>{p0, p1, p2, p2, p0, p1}));
  }
  {
    RecordingConsole console;
    Held image(imageOf(3, 1, {p0, p1, p2}));
    ASSERT_TRUE(blendImage(console, &image.image, image.image, 1, 1, 0, 256, 1));
    EXPECT_EQ(pixelsOf(*image.image), (std::vector<std::uint32_t>{p0, p0, p1, p2}));
  }
  {
    RecordingConsole console;
    Held image(imageOf(3, 1, {p0, p1, p2}));
    ASSERT_TRUE(blendImageAt(console, image.image, image.image, -1, 0, 256));
    EXPECT_EQ(pixelsOf(*image.image), (std::vector<std::uint32_t>{p1, p2, p2}));
  }
}

// ---------------------------------------------------------------------------
// Blend at a position

TEST(ImageOpsBlend, BlendAtAPositionIsModeOneWithoutExpansion) {
  for (std::int32_t opacity : {256, 128, 1, 0}) {
    RecordingConsole console;
    Held destination(imageOf(6, 1, kDestinationRow));
    Held source(imageOf(6, 1, kSourceRow));
    ASSERT_TRUE(blendImageAt(console, destination.image, source.image, 0, 0, opacity));
    EXPECT_EQ(pixelsOf(*destination.image), blendedRow(1, opacity)) << opacity;
  }
  RecordingConsole console;
  Held destination(imageOf(2, 1, {0, 0}));
  Held source(imageOf(2, 1, {kA, kB}));
  ASSERT_TRUE(blendImageAt(console, destination.image, source.image, 1, 0, 256));
  EXPECT_EQ(destination.image->width, 2);
  EXPECT_EQ(pixelsOf(*destination.image), (std::vector<std::uint32_t>{0, kA}));
}

// ---------------------------------------------------------------------------
// Colour overlay

TEST(ImageOpsBlend, ColourOverlay) {
  struct Case {
    const char* what;
    std::int32_t mode;
    std::uint32_t colour;
    std::uint32_t pixel;
    std::uint32_t expected;
  };
  const Case cases[] = {
      // Multiply by (R 255, G 128, B 0) at alpha 128: B(100,0) = 0 → 49,
      // B(200,128) = 100 → 149, B(50,255) = 50 → 50.
      {"multiply, half alpha", 3, 0x80FF8000, 0x4D32C864, 0x4D329531},
      {"normal, opaque colour", 0, 0xFF102030, 0x7F405060, 0x7F102030},
      {"add, opaque colour", 1, 0xFF808080, 0xFF907F10, 0xFFFFFF90},
      {"add again as mode 10", 10, 0xFF808080, 0xFF907F10, 0xFFFFFF90},
      {"subtract on a transparent pixel", 2, 0xFF101010, 0x00202020, 0x00101010},
      {"normal, alpha 1", 0, 0x01FFFFFF, 0xFF000000, 0xFF010101},
  };
  for (const Case& c : cases) {
    RecordingConsole console;
    Held image(imageOf(1, 1, {c.pixel}));
    ASSERT_TRUE(colImage(console, image.image, c.mode, c.colour));
    EXPECT_EQ(argbAt(*image.image, 0, 0), c.expected)
        << c.what << std::hex << " got 0x" << argbAt(*image.image, 0, 0);
  }
}

TEST(ImageOpsBlend, ColourOverlayWithAlphaZeroDoesNothing) {
  for (std::int32_t mode = 0; mode <= 20; ++mode) {
    RecordingConsole console;
    Held image(imageOf(6, 1, kDestinationRow));
    ASSERT_TRUE(colImage(console, image.image, mode, 0x00FFFFFF));
    EXPECT_EQ(pixelsOf(*image.image), kDestinationRow) << mode;
  }
}

// ---------------------------------------------------------------------------
// Cross-fade

TEST(ImageOpsBlend, CrossFadeCases) {
  struct Case {
    const char* what;
    std::int32_t weight;
    std::uint32_t from, to, expected;
  };
  const Case cases[] = {
      {"1: equal pixels", 64, 0x04030201, 0x04030201, 0x04030201},
      {"2: both transparent", 64, 0x00050505, 0x00070707, 0x00000000},
      {"3: only the old one visible", 64, 0xC81E140A, 0x00636363, 0x961E140A},
      {"4: only the new one visible", 64, 0x00636363, 0xC81E140A, 0x321E140A},
      // c = ⌊254 × 64 / 256⌋ = 63: 0 + ⌊200 × 63 / 256⌋ = 49, 100 − 25, 200 − 25.
      {"5: both nearly opaque", 64, 0xFFC86400, 0xFE6400C8, 0xFFAF4B31},
      {"5: weight 0 keeps the old colour", 0, 0xFFC86400, 0xFE6400C8, 0xFFC86400},
      // s = 96, c = 63, alpha 96 + ⌊159 × 63 / 255⌋ = 135, u = round(256 × 63 / 135) = 119.
      {"6: translucent", 64, 0x80C86400, 0xFF6400C8, 0x8799355C},
      {"4: weight 0 hides the new one", 0, 0x00636363, 0xC81E140A, 0x001E140A},
      {"weight below 0 is 0", -10, 0x00636363, 0xC81E140A, 0x001E140A},
      {"weight above 256 is 256", 300, 0x00636363, 0xC81E140A, 0xC81E140A},
  };
  for (const Case& c : cases) {
    RecordingConsole console;
    Held from(imageOf(1, 1, {c.from}));
    Held to(imageOf(1, 1, {c.to}));
    Held out(nullptr);
    ASSERT_TRUE(crossFadeImages(console, &out.image, from.image, to.image, c.weight)) << c.what;
    EXPECT_EQ(argbAt(*out.image, 0, 0), c.expected)
        << c.what << std::hex << " got 0x" << argbAt(*out.image, 0, 0);
  }
}

TEST(ImageOpsBlend, CrossFadeWritesIntoAnInputOrAReusedImage) {
  RecordingConsole console;
  Held from(imageOf(2, 1, {0xC81E140A, 0xFFC86400}));
  Held to(imageOf(2, 1, {0x00636363, 0xFE6400C8}));
  ASSERT_TRUE(crossFadeImages(console, &from.image, from.image, to.image, 64));
  EXPECT_EQ(pixelsOf(*from.image), (std::vector<std::uint32_t>{0x961E140A, 0xFFAF4B31}));
  EXPECT_EQ(from.image->depth, 32);

  Held opaqueFrom(imageOf(1, 1, {0xFF000000}, 24));
  Held opaqueTo(imageOf(1, 1, {0xFFFFFFFF}, 24));
  Held out(imageOf(1, 1, {0}, 32));
  ImageBuffer* before = out.image;
  ASSERT_TRUE(crossFadeImages(console, &out.image, opaqueFrom.image, opaqueTo.image, 128));
  EXPECT_EQ(out.image, before);
  EXPECT_EQ(out.image->depth, 24);
  // c = ⌊255 × 128 / 256⌋ = 127, each channel ⌊255 × 127 / 256⌋ = 126.
  EXPECT_EQ(argbAt(*out.image, 0, 0), 0xFF7E7E7Eu);
  EXPECT_EQ(console.text, "");
}

TEST(ImageOpsBlend, CrossFadeOfImagesOfDifferentSizesFails) {
  RecordingConsole console;
  Held from(imageOf(2, 1, {0, 0}));
  Held to(imageOf(1, 2, {0, 0}));
  Held out(nullptr);
  EXPECT_FALSE(crossFadeImages(console, &out.image, from.image, to.image, 64));
  EXPECT_EQ(out.image, nullptr);
  EXPECT_EQ(console.text, sjis(u8"-BLD: 座標の指定が不正です\n"));
}

}  // namespace
}  // namespace tsuzuri::assets
