#include "assets/image_ops_geometry.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "util/sjis.h"

namespace tsuzuri::assets {
namespace {

class GeometryConsole : public ImageConsole {
 public:
  void print(std::string_view line) override { lines.emplace_back(line); }
  std::vector<std::string> lines;
};

std::vector<std::string> linesOf(std::u8string_view line) {
  return {util::toSjis(line)};
}

// Pixels given as 0xAARRGGBB, row by row.
ImagePtr imageOf(std::int32_t width, std::int32_t height, const std::vector<std::uint32_t>& argb,
                 std::int32_t depth = 32) {
  ImagePtr image = makeImage(width, height, depth);
  for (std::size_t i = 0; i < argb.size(); ++i) {
    for (int byte = 0; byte < 4; ++byte) {
      image->pixels[i * 4 + static_cast<std::size_t>(byte)] =
          static_cast<std::uint8_t>(argb[i] >> (8 * byte));
    }
  }
  return image;
}

// An opaque image whose blue channel holds `blue`, laid out as one row or
// as one column.
ImagePtr blueLine(const std::vector<std::uint8_t>& blue, bool vertical) {
  std::vector<std::uint32_t> argb;
  for (std::uint8_t value : blue) argb.push_back(0xFF000000u | value);
  const auto count = static_cast<std::int32_t>(blue.size());
  return vertical ? imageOf(1, count, argb) : imageOf(count, 1, argb);
}

std::vector<std::uint32_t> argbOf(const ImageBuffer& image) {
  std::vector<std::uint32_t> argb;
  for (std::int32_t i = 0; i < image.width * image.height; ++i) {
    const std::uint8_t* p = image.pixels + static_cast<std::size_t>(i) * 4;
    argb.push_back(std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 |
                   std::uint32_t{p[3]} << 24);
  }
  return argb;
}

std::vector<int> channelOf(const ImageBuffer& image, int channel) {
  std::vector<int> values;
  for (std::int32_t i = 0; i < image.width * image.height; ++i) {
    values.push_back(
        image.pixels[static_cast<std::size_t>(i) * 4 + static_cast<std::size_t>(channel)]);
  }
  return values;
}

// Source pixel i is 0xFF000000 + i, so a result reads as source indices.
ImagePtr indexedImage(std::int32_t width, std::int32_t height, std::int32_t depth = 32) {
  std::vector<std::uint32_t> argb;
  for (std::int32_t i = 0; i < width * height; ++i)
    argb.push_back(0xFF000000u + static_cast<std::uint32_t>(i));
  return imageOf(width, height, argb, depth);
}

std::vector<int> indicesOf(const ImageBuffer& image) {
  std::vector<int> indices;
  for (std::uint32_t value : argbOf(image))
    indices.push_back(value == 0 ? -1 : static_cast<int>(value & 0xFFFFFF));
  return indices;
}

ImagePtr resized(GeometryConsole& console, const ImageBuffer& source, double a, double b,
                 std::int32_t mode, std::int32_t reduce, std::int32_t enlarge) {
  ImageBuffer* result = nullptr;
  EXPECT_TRUE(resizeImage(console, &result, &source, a, b, mode, reduce, enlarge));
  return ImagePtr(result);
}

ImagePtr rotated(GeometryConsole& console, const ImageBuffer& source, double angle, double scale,
                 std::int32_t filter) {
  ImageBuffer* result = nullptr;
  EXPECT_TRUE(rotateImage(console, &result, &source, angle, scale, filter));
  return ImagePtr(result);
}

// --- Resize --------------------------------------------------------------

struct SizeCase {
  std::int32_t width, height;
  double a, b;
  std::int32_t mode;
  std::int32_t expectedWidth, expectedHeight;
};

TEST(ImageOpsGeometryResize, TargetSizeFollowsTheSizeMode) {
  const SizeCase cases[] = {
      {10, 6, 50, 0, 0, 5, 3},      // one percentage serves for both sides
      {10, 6, 0, 50, 0, 5, 3},      //
      {10, 6, 150, 50, 0, 15, 3},   //
      {5, 3, 50, 50, 0, 3, 2},      // 2.5 and 1.5 round up
      {4, 2, 0, 300, 1, 600, 300},  // width from the aspect ratio
      {4, 2, 6, 0, 1, 6, 3},        // height from the aspect ratio
      {3, 2, 0, 3, 1, 5, 3},        // 4.5 rounds up
      {4, 2, 7, 5, 1, 7, 5},        //
      {4, 2, 1.5, 0, 2, 6, 3},      // one factor serves for both sides
      {4, 2, 2, 0.5, 2, 8, 1},      //
      {4, 2, 3, 0.1, 2, 12, 1},     // a side rounding to 0 becomes 1
      {4, 2, 200, -50, 0, 8, 1},    // and so does a negative one
      {4, 2, 200, 200, 7, 1, 1},    // unknown modes give 1 × 1
  };
  for (const SizeCase& c : cases) {
    SCOPED_TRACE(testing::Message() << c.width << "x" << c.height << " a=" << c.a << " b=" << c.b
                                    << " mode " << c.mode);
    GeometryConsole console;
    const ImagePtr source = indexedImage(c.width, c.height);
    const ImagePtr result = resized(console, *source, c.a, c.b, c.mode, 0, 0);
    ASSERT_NE(result, nullptr);
    EXPECT_EQ(result->width, c.expectedWidth);
    EXPECT_EQ(result->height, c.expectedHeight);
    EXPECT_TRUE(console.lines.empty());
  }
}

TEST(ImageOpsGeometryResize, TwoValuesBelowOneAreRefusedAndTheDestinationIsKept) {
  const struct {
    double a, b;
    std::int32_t mode;
  } cases[] = {{0.5, 0.5, 2}, {0, 0, 0}, {0, 0, 1}, {-5, 0.9, 0}, {0.99, 0.99, 7}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "a=" << c.a << " b=" << c.b << " mode " << c.mode);
    GeometryConsole console;
    const ImagePtr source = indexedImage(4, 2);
    ImagePtr kept = indexedImage(3, 3);
    ImageBuffer* destination = kept.get();
    EXPECT_FALSE(resizeImage(console, &destination, source.get(), c.a, c.b, c.mode, 1, 1));
    EXPECT_EQ(console.lines, linesOf(u8"-RES: 幅値の設定が無効です\n"));
    EXPECT_EQ(destination, kept.get());
    EXPECT_EQ(indicesOf(*kept), (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 8}));
  }
}

TEST(ImageOpsGeometryResize, NearestTakesTheRoundedRatioPositionInBothDirections) {
  // Source index = min(trunc(i × S / T + 0.5), S − 1): enlarging repeats the
  // last pixel more often than the first.
  const struct {
    std::int32_t source, target;
    std::vector<int> indices;
  } cases[] = {
      {4, 2, {0, 2}},
      {2, 4, {0, 1, 1, 1}},
      {3, 5, {0, 1, 1, 2, 2}},
      {5, 3, {0, 2, 3}},
  };
  for (const auto& c : cases) {
    for (bool vertical : {false, true}) {
      SCOPED_TRACE(testing::Message()
                   << c.source << " -> " << c.target << (vertical ? " vertical" : " horizontal"));
      GeometryConsole console;
      const ImagePtr source = vertical ? indexedImage(1, c.source) : indexedImage(c.source, 1);
      const ImagePtr result = vertical ? resized(console, *source, 1, c.target, 1, 0, 0)
                                       : resized(console, *source, c.target, 1, 1, 0, 0);
      ASSERT_NE(result, nullptr);
      EXPECT_EQ(indicesOf(*result), c.indices);
    }
  }
}

TEST(ImageOpsGeometryResize, BilinearFixedPointTruncatesLikeTheEighteenBitSteps) {
  const struct {
    std::vector<std::uint8_t> source;
    std::int32_t target;
    std::vector<int> expected;
  } cases[] = {
      // Enlarging starts (S − T) / T / 2 before the first pixel, clamped to
      // 0; the fractions 26214, 131071 and 235928 of 2^18 all fall just short.
      {{0, 200}, 5, {0, 19, 99, 179, 200}},
      {{0, 203}, 4, {0, 50, 152, 203}},
      // Reducing starts (S − T)/S in: 87381 and 218453 of 2^18.
      {{0, 90, 180}, 2, {29, 164}},
      {{10, 21, 100, 255}, 2, {15, 177}},
  };
  for (const auto& c : cases) {
    for (bool vertical : {false, true}) {
      SCOPED_TRACE(testing::Message() << c.source.size() << " -> " << c.target
                                      << (vertical ? " vertical" : " horizontal"));
      GeometryConsole console;
      const ImagePtr source = blueLine(c.source, vertical);
      const ImagePtr result = vertical ? resized(console, *source, 1, c.target, 1, 1, 1)
                                       : resized(console, *source, c.target, 1, 1, 1, 1);
      ASSERT_NE(result, nullptr);
      EXPECT_EQ(channelOf(*result, 0), c.expected);
      EXPECT_EQ(channelOf(*result, 3), std::vector<int>(c.expected.size(), 255));
    }
  }
}

TEST(ImageOpsGeometryResize, BilinearTwoByTwoToThreeByThreeInterpolatesRowsFirst) {
  // Blue: the middle pixel is ⌊(⌊101 / 2⌋ + ⌊243 / 2⌋) / 2⌋ = 85, where a
  // single 2-D weighting would give 86. Red is 255 − blue in the source.
  GeometryConsole console;
  const ImagePtr source = imageOf(2, 2, {0xFFFF0700u, 0xFF9A0765u, 0xFF3707C8u, 0xFFD4072Bu}, 24);
  const ImagePtr result = resized(console, *source, 3, 3, 1, 1, 1);
  ASSERT_NE(result, nullptr);
  EXPECT_EQ(channelOf(*result, 0), (std::vector<int>{0, 50, 101, 100, 85, 72, 200, 121, 43}));
  EXPECT_EQ(channelOf(*result, 1), std::vector<int>(9, 7));
  EXPECT_EQ(channelOf(*result, 2), (std::vector<int>{255, 204, 154, 155, 168, 183, 55, 133, 212}));
  EXPECT_EQ(result->depth, 24);
}

TEST(ImageOpsGeometryResize, BilinearMixesStraightAlphaLikeAnyChannel) {
  GeometryConsole console;
  const ImagePtr source = imageOf(2, 1, {0x00000000u, 0xFF0000C8u});
  const ImagePtr result = resized(console, *source, 3, 1, 1, 1, 1);
  ASSERT_NE(result, nullptr);
  EXPECT_EQ(argbOf(*result), (std::vector<std::uint32_t>{0x00000000u, 0x7F000064u, 0xFF0000C8u}));
}

TEST(ImageOpsGeometryResize, AreaAverageCountsCoverageInUnitsOfTheReducedRatio) {
  const struct {
    std::vector<std::uint8_t> source;
    std::int32_t target;
    std::vector<int> expected;
  } cases[] = {
      {{10, 21, 100, 255}, 2, {15, 177}},     // p = 2: plain means, truncated
      {{0, 100, 200}, 2, {33, 166}},          // 3 : 2, weights 2 + 1 and 1 + 2
      {{10, 20, 30, 40, 50}, 2, {18, 42}},    // 5 : 2, weights 2 + 2 + 1 and 1 + 2 + 2
      {{0, 255}, 1, {127}},                   //
      {{9, 9, 9, 0, 0, 0, 7}, 3, {9, 2, 3}},  // 7 : 3, weights 3 + 3 + 1, 2 + 3 + 2, 1 + 3 + 3
  };
  for (const auto& c : cases) {
    for (bool vertical : {false, true}) {
      SCOPED_TRACE(testing::Message() << c.source.size() << " -> " << c.target
                                      << (vertical ? " vertical" : " horizontal"));
      GeometryConsole console;
      const ImagePtr source = blueLine(c.source, vertical);
      const ImagePtr result = vertical ? resized(console, *source, 1, c.target, 1, 2, 2)
                                       : resized(console, *source, c.target, 1, 1, 2, 2);
      ASSERT_NE(result, nullptr);
      EXPECT_EQ(channelOf(*result, 0), c.expected);
    }
  }
}

TEST(ImageOpsGeometryResize, AreaAverageTruncatesAfterEachPass) {
  // Rows first: (0, 100, 200) → (33, 166) and (1, 2, 4) → (1, 3); then the
  // columns: (33 + 1) / 2 = 17 and (166 + 3) / 2 = 84 (one 2-D average
  // would give 85). Alpha 0 and 255 average to 127.
  GeometryConsole console;
  const ImagePtr source =
      imageOf(3, 2, {0xFF000000u, 0xFF000064u, 0xFF0000C8u, 0x00000001u, 0x00000002u, 0x00000004u});
  const ImagePtr result = resized(console, *source, 2, 1, 1, 2, 0);
  ASSERT_NE(result, nullptr);
  EXPECT_EQ(argbOf(*result), (std::vector<std::uint32_t>{0x7F000011u, 0x7F000054u}));
}

TEST(ImageOpsGeometryResize, FilterNumbersSelectByDirection) {
  const std::vector<std::uint8_t> three = {0, 100, 200};
  const std::vector<std::uint8_t> two = {0, 200};
  const struct {
    const std::vector<std::uint8_t>* source;
    std::int32_t target, reduce, enlarge;
    std::vector<int> expected;
  } cases[] = {
      {&three, 2, 0, 1, {0, 200}},     // nearest
      {&three, 2, 1, 0, {33, 183}},    // bilinear
      {&three, 2, 2, 0, {33, 166}},    // area average
      {&three, 2, 9, 1, {0, 200}},     // unknown numbers: nearest
      {&two, 3, 1, 0, {0, 200, 200}},  // nearest
      {&two, 3, 0, 1, {0, 100, 200}},  // bilinear
      {&two, 3, 1, 2, {0, 200, 200}},  // filter 2 enlarges by nearest
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.source->size() << " -> " << c.target << " reduce "
                                    << c.reduce << " enlarge " << c.enlarge);
    GeometryConsole console;
    const ImagePtr source = blueLine(*c.source, false);
    const ImagePtr result = resized(console, *source, c.target, 1, 1, c.reduce, c.enlarge);
    ASSERT_NE(result, nullptr);
    EXPECT_EQ(channelOf(*result, 0), c.expected);
  }
}

TEST(ImageOpsGeometryResize, EnlargingEitherSideUsesTheEnlargeFilter) {
  // 2 × 2 to 1 × 4 narrows but grows taller: nearest (enlarge 0), not the
  // bilinear reduce filter.
  GeometryConsole console;
  const ImagePtr source = indexedImage(2, 2);
  const ImagePtr result = resized(console, *source, 1, 4, 1, 1, 0);
  ASSERT_NE(result, nullptr);
  EXPECT_EQ(indicesOf(*result), (std::vector<int>{0, 2, 2, 2}));
}

TEST(ImageOpsGeometryResize, EqualSizeCopiesThePixels) {
  GeometryConsole console;
  const ImagePtr source = imageOf(3, 1, {0x12345678u, 0x00FFFFFFu, 0x80000001u});
  const ImagePtr result = resized(console, *source, 1, 1, 2, 1, 1);
  ASSERT_NE(result, nullptr);
  EXPECT_EQ(argbOf(*result), argbOf(*source));
}

TEST(ImageOpsGeometryResize, DestinationsWiderThan8192Pixels) {
  const ImagePtr source = imageOf(2, 1, {0xFF000000u, 0xFF0000C8u});
  for (std::int32_t filter : {0, 1}) {
    SCOPED_TRACE(testing::Message() << "filter " << filter);
    GeometryConsole console;
    const ImagePtr result = resized(console, *source, 9000, 1, 1, filter, filter);
    ASSERT_NE(result, nullptr);
    ASSERT_EQ(result->width, 9000);
    ASSERT_EQ(result->height, 1);
    const std::vector<int> blue = channelOf(*result, 0);
    if (filter == 0) {
      EXPECT_EQ((std::vector<int>{blue[0], blue[2249], blue[2251], blue[8999]}),
                (std::vector<int>{0, 0, 200, 200}));
    } else {
      EXPECT_EQ((std::vector<int>{blue[0], blue[1], blue[4500], blue[8998], blue[8999]}),
                (std::vector<int>{0, 0, 99, 200, 200}));
    }
  }
}

TEST(ImageOpsGeometryResize, DestinationIsReusedOrReplacedBySize) {
  const ImagePtr source = blueLine({10, 21, 100, 255}, false);
  GeometryConsole console;

  ImagePtr fitting = makeImage(2, 1, 24);
  ImageBuffer* destination = fitting.get();
  ASSERT_TRUE(resizeImage(console, &destination, source.get(), 2, 1, 1, 2, 2));
  EXPECT_EQ(destination, fitting.get());
  EXPECT_EQ(destination->depth, 32);
  EXPECT_EQ(channelOf(*destination, 0), (std::vector<int>{15, 177}));

  ImageBuffer* other = createImage(5, 5, 32);
  ASSERT_TRUE(resizeImage(console, &other, source.get(), 2, 1, 1, 2, 2));
  const ImagePtr replaced(other);
  EXPECT_EQ(replaced->width, 2);
  EXPECT_EQ(channelOf(*replaced, 0), (std::vector<int>{15, 177}));
  EXPECT_TRUE(console.lines.empty());
}

TEST(ImageOpsGeometryResize, InPlaceAndSelfDestinationFormsReplaceTheImage) {
  GeometryConsole console;
  ImageBuffer* image = blueLine({10, 21, 100, 255}, false).release();
  ASSERT_TRUE(resizeImage2(console, &image, 2, 1, 1, 2, 2));
  EXPECT_EQ(channelOf(*image, 0), (std::vector<int>{15, 177}));
  // The source doubling as destination must not be freed before it is read.
  ASSERT_TRUE(resizeImage(console, &image, image, 1, 1, 1, 2, 2));
  const ImagePtr result(image);
  EXPECT_EQ(result->width, 1);
  EXPECT_EQ(channelOf(*result, 0), (std::vector<int>{96}));
  EXPECT_TRUE(console.lines.empty());
}

// --- Rotation ------------------------------------------------------------

TEST(ImageOpsGeometryRotate, WholeQuarterTurnsMovePixelsWithoutResampling) {
  // 3 × 2 source: 0 1 2 / 3 4 5. Bilinear is asked for and must not be used.
  const std::vector<int> copy = {0, 1, 2, 3, 4, 5};
  const std::vector<int> clockwise = {3, 0, 4, 1, 5, 2};
  const std::vector<int> half = {5, 4, 3, 2, 1, 0};
  const std::vector<int> counter = {2, 5, 1, 4, 0, 3};
  const struct {
    double angle;
    const std::vector<int>* expected;
  } cases[] = {{0, &copy},         {360, &copy},      {-720, &copy},  {90, &clockwise},
               {-270, &clockwise}, {450, &clockwise}, {180, &half},   {-180, &half},
               {540, &half},       {270, &counter},   {-90, &counter}};
  for (const auto& c : cases) {
    for (double scale : {0.0, 1.0}) {
      SCOPED_TRACE(testing::Message() << "angle " << c.angle << " scale " << scale);
      GeometryConsole console;
      const ImagePtr source = indexedImage(3, 2, 24);
      const ImagePtr owned = rotated(console, *source, c.angle, scale, 1);
      ASSERT_NE(owned, nullptr);
      const bool sideways = c.expected == &clockwise || c.expected == &counter;
      EXPECT_EQ(owned->width, sideways ? 2 : 3);
      EXPECT_EQ(owned->height, sideways ? 3 : 2);
      EXPECT_EQ(owned->depth, 24);
      EXPECT_EQ(indicesOf(*owned), *c.expected);
    }
  }
}

TEST(ImageOpsGeometryRotate, NinetyIsExactButNinetyAndAHalfGrowsTheCanvas) {
  GeometryConsole console;
  const ImagePtr source = indexedImage(64, 64, 24);
  const ImagePtr exact = rotated(console, *source, 90.0, 0, 0);
  const ImagePtr general = rotated(console, *source, 90.5, 0, 0);
  ASSERT_TRUE(exact && general);
  EXPECT_EQ((std::vector<int>{exact->width, exact->height, exact->depth}),
            (std::vector<int>{64, 64, 24}));
  EXPECT_EQ(indicesOf(*exact)[0], 63 * 64);
  // round(64 (|sin| + |cos|)) with sin and cos of −90.5°: 64.55 → 65.
  EXPECT_EQ((std::vector<int>{general->width, general->height, general->depth}),
            (std::vector<int>{65, 65, 32}));
  EXPECT_EQ(indicesOf(*general)[0], -1);  // a corner of the grown canvas
}

TEST(ImageOpsGeometryRotate, QuarterTurnsHandTheScaleToABilinearResize) {
  {
    // 2 × 1 (0, 203) turns into one column, which doubles to 2 × 4 with the
    // row steps of 2 → 4: fractions 0, 1/4, 3/4, whole.
    GeometryConsole console;
    const ImagePtr source = blueLine({0, 203}, false);
    const ImagePtr owned = rotated(console, *source, 90, 2, 0);
    ASSERT_NE(owned, nullptr);
    EXPECT_EQ(owned->width, 2);
    EXPECT_EQ(owned->height, 4);
    EXPECT_EQ(channelOf(*owned, 0), (std::vector<int>{0, 0, 50, 50, 152, 152, 203, 203}));
  }
  {
    // A scale below 1 is accepted: 180° of 10..80 is 80 70 60 50 / 40 30 20
    // 10, halved to the means of its 2 × 2 blocks.
    GeometryConsole console;
    const ImagePtr source = imageOf(4, 2,
                                    {0xFF00000Au, 0xFF000014u, 0xFF00001Eu, 0xFF000028u,
                                     0xFF000032u, 0xFF00003Cu, 0xFF000046u, 0xFF000050u});
    const ImagePtr owned = rotated(console, *source, 180, 0.5, 0);
    ASSERT_NE(owned, nullptr);
    EXPECT_EQ(channelOf(*owned, 0), (std::vector<int>{55, 35}));
    EXPECT_TRUE(console.lines.empty());
  }
}

TEST(ImageOpsGeometryRotate, GeneralNearestSamplesTheRotatedGrid) {
  // 3 × 3 source a..i (indices 0..8) on a 4 × 4 canvas centred at (2, 2);
  // -1 is transparent black. 45°: S = −185364, C = 185364; 30°: S =
  // −131072, C = 227023.
  const struct {
    double angle;
    std::int32_t filter;
    std::vector<int> expected;
  } cases[] = {
      {45, 0, {-1, -1, -1, -1, -1, -1, 0, -1, -1, 3, 4, 1, -1, 7, 4, 5}},
      {45, 5, {-1, -1, -1, -1, -1, -1, 0, -1, -1, 3, 4, 1, -1, 7, 4, 5}},
      {30, 0, {-1, -1, -1, -1, -1, -1, 0, -1, -1, 3, 4, 1, -1, 6, 4, 5}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "angle " << c.angle << " filter " << c.filter);
    GeometryConsole console;
    const ImagePtr source = indexedImage(3, 3);
    const ImagePtr owned = rotated(console, *source, c.angle, 0, c.filter);
    ASSERT_NE(owned, nullptr);
    ASSERT_EQ(owned->width, 4);
    ASSERT_EQ(owned->height, 4);
    EXPECT_EQ(indicesOf(*owned), c.expected);
  }
}

TEST(ImageOpsGeometryRotate, GeneralBilinearFadesIntoTransparentBlackAtTheEdges) {
  // 2 × 2 at 45° on a 3 × 3 canvas; the start offsets of a 2 → 3 resize
  // (−43690) shift every position. The centre takes (0, 0) with fractions
  // 218454: blue ⌊(⌊(200·43690 + 100·218454) / 2^18⌋·43690 + ⌊(50·43690 +
  // 250·218454) / 2^18⌋·218454) / 2^18⌋ = ⌊(116·43690 + 216·218454) / 2^18⌋ = 199.
  GeometryConsole console;
  const ImagePtr source = imageOf(2, 2, {0xFF0000C8u, 0xFF000064u, 0xFF000032u, 0xFF0000FAu});
  const ImagePtr owned = rotated(console, *source, 45, 0, 1);
  ASSERT_NE(owned, nullptr);
  ASSERT_EQ(owned->width, 3);
  ASSERT_EQ(owned->height, 3);
  EXPECT_EQ(channelOf(*owned, 0), (std::vector<int>{30, 172, 48, 34, 199, 53, 0, 52, 0}));
  EXPECT_EQ(channelOf(*owned, 3), (std::vector<int>{106, 255, 106, 117, 255, 117, 0, 53, 0}));
  EXPECT_EQ(owned->depth, 32);
}

TEST(ImageOpsGeometryRotate, GeneralScaleMultipliesTheCanvasTruncated) {
  // 4 × 4 at 45°: round(4 √2) = 6, times 0.5 → 3.
  GeometryConsole console;
  const ImagePtr source = indexedImage(4, 4);
  const ImagePtr owned = rotated(console, *source, 45, 0.5, 0);
  ASSERT_NE(owned, nullptr);
  EXPECT_EQ(owned->width, 3);
  EXPECT_EQ(owned->height, 3);
  EXPECT_EQ(indicesOf(*owned)[4], 10);  // the centre samples source (2, 2)
}

TEST(ImageOpsGeometryRotate, InPlaceReuseAndSelfDestination) {
  GeometryConsole console;
  ImageBuffer* image = indexedImage(3, 2).release();
  ASSERT_TRUE(rotateImage2(console, &image, 90, 0, 0));
  EXPECT_EQ(indicesOf(*image), (std::vector<int>{3, 0, 4, 1, 5, 2}));
  ASSERT_TRUE(rotateImage(console, &image, image, 180, 0, 0));
  EXPECT_EQ(indicesOf(*image), (std::vector<int>{2, 5, 1, 4, 0, 3}));
  const ImagePtr owned(image);

  const ImagePtr source = indexedImage(3, 2);
  ImagePtr fitting = makeImage(3, 2, 32);
  ImageBuffer* destination = fitting.get();
  ASSERT_TRUE(rotateImage(console, &destination, source.get(), -180, 1, 1));
  EXPECT_EQ(destination, fitting.get());
  EXPECT_EQ(indicesOf(*destination), (std::vector<int>{5, 4, 3, 2, 1, 0}));
  EXPECT_TRUE(console.lines.empty());
}

TEST(ImageOpsGeometry, FailureLinesLeaveTheDestinationAlone) {
  GeometryConsole console;
  const ImagePtr image = indexedImage(100, 1);
  const ImageBuffer* source = image.get();
  ImageBuffer* destination = nullptr;
  // Braced lists run their calls in order, so the lines line up with them.
  const bool results[] = {
      resizeImage(console, &destination, nullptr, 2, 2, 2, 1, 1),
      resizeImage(console, nullptr, source, 2, 2, 2, 1, 1),
      resizeImage2(console, &destination, 2, 2, 2, 1, 1),
      resizeImage2(console, nullptr, 2, 2, 2, 1, 1),
      resizeImage(console, &destination, source, 40000, 1, 1, 1, 1),  // wider than any image
      resizeImage(console, &destination, source, 1e300, 0, 2, 0, 0),
      rotateImage(console, &destination, nullptr, 45, 0, 1),
      rotateImage(console, nullptr, source, 45, 0, 1),
      rotateImage2(console, &destination, 45, 0, 1),
      rotateImage2(console, nullptr, 45, 0, 1),
      // 71 × 71 times 1000, and 1 × 100 times 1000 after the quarter turn.
      rotateImage(console, &destination, source, 45, 1000, 0),
      rotateImage(console, &destination, source, 90, 1000, 1),
  };
  for (bool result : results) EXPECT_FALSE(result);
  const std::string resizeMissing = util::toSjis(u8"-RES: 画像データを読み込めませんでした\n");
  const std::string resizeMemory = util::toSjis(u8"-RES: メモリを確保出来ませんでした\n");
  const std::string rotateMissing = util::toSjis(u8"-ROT: 画像データを読み込めませんでした\n");
  const std::string rotateMemory = util::toSjis(u8"-ROT: メモリを確保出来ませんでした\n");
  EXPECT_EQ(console.lines,
            (std::vector<std::string>{resizeMissing, resizeMissing, resizeMissing, resizeMissing,
                                      resizeMemory, resizeMemory, rotateMissing, rotateMissing,
                                      rotateMissing, rotateMissing, rotateMemory, rotateMemory}));
  EXPECT_EQ(destination, nullptr);
}

}  // namespace
}  // namespace tsuzuri::assets
