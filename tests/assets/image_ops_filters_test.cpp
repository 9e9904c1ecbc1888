#include "assets/image_ops_filters.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "util/sjis.h"

namespace tsuzuri::assets {
namespace {

using Bgra = std::array<std::uint8_t, 4>;
using Pixels = std::vector<Bgra>;

class RecordingConsole : public ImageConsole {
 public:
  void print(std::string_view line) override { lines.emplace_back(line); }
  std::vector<std::string> lines;
};

std::vector<std::string> linesOf(std::initializer_list<std::u8string_view> texts) {
  std::vector<std::string> lines;
  for (std::u8string_view text : texts) lines.push_back(util::toSjis(text));
  return lines;
}

ImagePtr imageOf(std::int32_t width, std::int32_t height, std::int32_t depth,
                 const Pixels& pixels) {
  ImagePtr image = makeImage(width, height, depth);
  EXPECT_EQ(pixels.size(), static_cast<std::size_t>(width * height));
  std::memcpy(image->pixels, pixels.data(), pixels.size() * 4);
  return image;
}

ImagePtr filled(std::int32_t width, std::int32_t height, std::int32_t depth, Bgra pixel) {
  return imageOf(width, height, depth, Pixels(static_cast<std::size_t>(width * height), pixel));
}

Pixels pixelsOf(const ImageBuffer& image) {
  Pixels pixels(static_cast<std::size_t>(image.width * image.height));
  std::memcpy(pixels.data(), image.pixels, pixels.size() * 4);
  return pixels;
}

Bgra at(const ImageBuffer& image, std::int32_t x, std::int32_t y) {
  return pixelsOf(image)[static_cast<std::size_t>(y * image.width + x)];
}

// --- Blur and mosaic ------------------------------------------------------

TEST(ImageOpsFiltersBlur, AveragesClippedWindowsWithTheReciprocalRounding) {
  // Horizontal window of 3 clipped to 2 at the ends. The middle blue sums to
  // 269: (269 + 1) × 21845 >> 16 = 89, one below the true mean 89.67; red
  // (287) likewise gives 95.
  ImagePtr row = imageOf(3, 1, 24, {{4, 8, 2, 255}, {10, 20, 30, 255}, {255, 255, 255, 255}});
  RecordingConsole console;
  ASSERT_TRUE(blurImage(console, row.get(), 1, 0));
  EXPECT_EQ(pixelsOf(*row), (Pixels{{7, 14, 16, 255}, {89, 94, 95, 255}, {133, 138, 143, 255}}));

  // 3 × 3 with 40 in the corner and 90 in the centre: corners average 4
  // pixels, edges 6, the centre 9 (134 × 7281 >> 16 = 14).
  Pixels spots(9, Bgra{0, 0, 0, 255});
  spots[0] = {40, 0, 0, 255};
  spots[4] = {90, 0, 0, 255};
  ImagePtr square = imageOf(3, 3, 24, spots);
  ASSERT_TRUE(blurImage(console, square.get(), 1, 1));
  const std::uint8_t expected[9] = {33, 22, 23, 22, 14, 15, 23, 15, 23};
  for (std::size_t i = 0; i < 9; ++i) {
    EXPECT_EQ(pixelsOf(*square)[i], (Bgra{expected[i], 0, 0, 255})) << i;
  }
  EXPECT_TRUE(console.lines.empty());
}

TEST(ImageOpsFiltersBlur, LargeWindowsLoseOneStepOfWhite) {
  struct Case {
    std::int32_t width, height, radiusX, radiusY, x, y;
    std::uint8_t expected;
  };
  // 255 pixels still average to 255 (16-bit sums: 65025 + 127 fits); the
  // 300-pixel window gives (76500 + 150) × 218 >> 16 = 254.
  const Case cases[] = {
      {15, 17, 7, 8, 7, 8, 255},
      {15, 17, 7, 8, 0, 0, 255},
      {15, 20, 7, 10, 7, 9, 254},
      {15, 20, 7, 10, 0, 0, 255},
  };
  for (const Case& c : cases) {
    ImagePtr image = filled(c.width, c.height, 24, {255, 255, 255, 255});
    RecordingConsole console;
    ASSERT_TRUE(blurImage(console, image.get(), c.radiusX, c.radiusY));
    EXPECT_EQ(at(*image, c.x, c.y), (Bgra{c.expected, c.expected, c.expected, 255}))
        << c.width << "x" << c.height << " at " << c.x << "," << c.y;
  }
}

TEST(ImageOpsFiltersBlur, PremultipliesThirtyTwoBitImages) {
  // (200, 100, 50) at alpha 128 premultiplies to (100, 50, 25); the white of
  // the transparent neighbour counts as nothing. Averages (50, 25, 13) over
  // alpha 64 give 255 c / 64.
  const Pixels source = {{200, 100, 50, 128}, {255, 255, 255, 0}};
  const Pixels expected = {{199, 99, 51, 64}, {199, 99, 51, 64}};
  RecordingConsole console;
  ImagePtr blurred = imageOf(2, 1, 32, source);
  ASSERT_TRUE(blurImage(console, blurred.get(), 1, 0));
  EXPECT_EQ(pixelsOf(*blurred), expected);

  ImagePtr mosaic = imageOf(1, 2, 32, source);
  ASSERT_TRUE(mosaicImage(console, mosaic.get(), 1, 2));
  EXPECT_EQ(pixelsOf(*mosaic), expected);
}

TEST(ImageOpsFiltersBlur, ZeroRadiiAndMissingImages) {
  ImagePtr image = imageOf(2, 1, 32, {{200, 100, 50, 128}, {1, 2, 3, 4}});
  const Pixels before = pixelsOf(*image);
  RecordingConsole console;
  EXPECT_TRUE(blurImage(console, image.get(), 0, 0));
  EXPECT_EQ(pixelsOf(*image), before);

  EXPECT_FALSE(blurImage(console, nullptr, 1, 1));
  EXPECT_FALSE(hslImage(console, nullptr, 0, 0, 0));
  EXPECT_FALSE(DurtyTransparency(console, nullptr, 0));
  EXPECT_EQ(console.lines, linesOf({u8"-BLR: 画像データを読み込めませんでした\n",
                                    u8"-HLB: 画像データを読み込めませんでした\n",
                                    u8"-DTP: 画像データを読み込めませんでした\n"}));
}

TEST(ImageOpsFiltersMosaic, FillsCellsClippedAtTheRightAndBottom) {
  // Cells of 2 × 2 on 3 × 2: the left cell averages 10, 20, 40, 51 (121 / 4
  // → 30), the clipped right one 30 and 60 (→ 45).
  ImagePtr image = imageOf(3, 2, 24,
                           {{10, 0, 0, 255},
                            {20, 0, 0, 255},
                            {30, 0, 0, 255},
                            {40, 0, 0, 255},
                            {51, 0, 0, 255},
                            {60, 0, 0, 255}});
  RecordingConsole console;
  ASSERT_TRUE(mosaicImage(console, image.get(), 2, 2));
  const Bgra left{30, 0, 0, 255}, right{45, 0, 0, 255};
  EXPECT_EQ(pixelsOf(*image), (Pixels{left, left, right, left, left, right}));

  ImagePtr white = filled(300, 1, 24, {255, 255, 255, 255});
  ASSERT_TRUE(mosaicImage(console, white.get(), 300, 1));
  EXPECT_EQ(at(*white, 123, 0), (Bgra{254, 254, 254, 255}));

  ImagePtr untouched = imageOf(2, 1, 24, {{1, 2, 3, 255}, {4, 5, 6, 255}});
  EXPECT_TRUE(mosaicImage(console, untouched.get(), 0, 2));
  EXPECT_EQ(pixelsOf(*untouched), (Pixels{{1, 2, 3, 255}, {4, 5, 6, 255}}));
  EXPECT_FALSE(mosaicImage(console, nullptr, 2, 2));
}

// --- HSL ------------------------------------------------------------------

TEST(ImageOpsFiltersHsl, ShiftsPureColoursAndGreys) {
  struct Case {
    Bgra in;
    std::int32_t hue, saturation, lightness;
    Bgra out;
  };
  const Case cases[] = {
      // Full blue and red come back one step darker: the maximum is rebuilt
      // as 254 and lightness 0 still scales by 255 / 256.
      {{255, 0, 0, 255}, 0, 0, 0, {253, 0, 0, 255}},
      {{0, 0, 255, 77}, 0, 0, 0, {0, 0, 253, 77}},
      // Hue is measured from the first byte: red sits at 240, minus 120 is green.
      {{0, 0, 255, 255}, 120, 0, 0, {0, 253, 0, 255}},
      {{0, 0, 255, 255}, -120, 0, 0, {253, 0, 0, 255}},
      {{0, 0, 255, 255}, 0, -100, 0, {126, 126, 126, 255}},
      // S = 153, H = 220, rebuilt as (51, 100, 199) before the lightness step.
      {{50, 100, 200, 255}, 0, 0, 0, {50, 99, 198, 255}},
      {{100, 100, 100, 255}, 90, 50, 0, {99, 99, 99, 255}},
      {{100, 100, 100, 255}, 0, 0, 50, {177, 177, 177, 255}},
      {{100, 100, 100, 255}, 0, 0, -100, {0, 0, 0, 255}},
      {{100, 100, 100, 9}, 0, 0, 100, {255, 255, 255, 9}},
  };
  for (const Case& c : cases) {
    ImagePtr image = imageOf(1, 1, 32, {c.in});
    RecordingConsole console;
    ASSERT_TRUE(hslImage(console, image.get(), c.hue, c.saturation, c.lightness));
    EXPECT_EQ(at(*image, 0, 0), c.out) << +c.in[0] << "," << +c.in[1] << "," << +c.in[2] << " h"
                                       << c.hue << " s" << c.saturation << " l" << c.lightness;
  }
}

// --- Difference -----------------------------------------------------------

TEST(ImageOpsFiltersDifference, IdenticalMissingAndMismatchedImages) {
  // A transparent pixel of other matches any transparent base pixel.
  const Pixels pixels = {{1, 2, 3, 255}, {9, 9, 9, 0}};
  ImagePtr base = imageOf(2, 1, 32, pixels);
  ImagePtr other = imageOf(2, 1, 32, {{1, 2, 3, 255}, {0, 0, 0, 0}});
  ImagePtr wide = filled(3, 1, 32, {0, 0, 0, 0});
  ImageBuffer* raw = base.get();
  ImageBuffer* missing = nullptr;
  RecordingConsole console;
  DifferenceBox box{5, 5, 5, 5};
  EXPECT_FALSE(differenceImage(console, &raw, other.get(), 1, 0x123456, &box));
  EXPECT_EQ(pixelsOf(*base), pixels);
  EXPECT_EQ(base->mode, 0U);
  EXPECT_LT(box.right, box.left);
  EXPECT_FALSE(differenceImage(console, &missing, other.get(), 0, 0));
  EXPECT_FALSE(differenceImage(console, &raw, nullptr, 0, 0));
  EXPECT_FALSE(differenceImage(console, &raw, wide.get(), 0, 0));
  EXPECT_EQ(console.lines,
            linesOf({u8"-SP3: 同一の画像です\n", u8"-DIF: 画像データが読み込まれてません\n",
                     u8"-DIF: 画像データが読み込まれてません\n",
                     u8"-DIF: 二つの画像のサイズが違います\n"}));
}

TEST(ImageOpsFiltersDifference, ModesPaintXorAndReport) {
  // 3 × 2: (1, 0) differs in colour, (2, 1) is visible only in other, (0, 1)
  // is visible in base over a transparent pixel of other.
  const Bgra a{10, 20, 30, 255}, b{11, 20, 30, 255}, clear{0, 0, 0, 0}, shown{5, 6, 7, 200};
  const Pixels basePixels = {a, a, a, a, a, clear};
  const Pixels otherPixels = {a, b, a, {7, 7, 7, 0}, a, shown};
  struct Case {
    std::int32_t mode, colour;
    Pixels expected;
    std::uint32_t modeBits;
    std::int32_t depth;
    std::vector<std::string> lines;
  };
  const Bgra paint{0x56, 0x34, 0x12, 0xFF}, alphaOne{0, 0, 0, 1};
  const Case cases[] = {
      {0, 0, basePixels, 0, 32, {}},
      {4, 0, basePixels, 4, 32, {}},
      {1, 0x7F123456, {paint, a, paint, a, paint, alphaOne}, 1, 24, {}},
      {5, -1, {clear, a, clear, a, clear, alphaOne}, 5, 32, {}},
      {2,
       0,
       {{0, 0, 0, 0},
        {1, 0, 0, 0},
        {0, 0, 0, 0},
        {10 ^ 7, 20 ^ 7, 30 ^ 7, 255},
        {0, 0, 0, 0},
        shown},
       2,
       32,
       {}},
      {3, 0, basePixels, 0, 32, {"20, d0, s200\n"}},
  };
  for (const Case& c : cases) {
    ImagePtr base = imageOf(3, 2, 32, basePixels);
    ImagePtr other = imageOf(3, 2, 32, otherPixels);
    ImageBuffer* raw = base.get();
    RecordingConsole console;
    DifferenceBox box;
    ASSERT_TRUE(differenceImage(console, &raw, other.get(), c.mode, c.colour, &box)) << c.mode;
    EXPECT_EQ(raw, base.get());
    EXPECT_EQ((std::array{box.left, box.top, box.right, box.bottom}), (std::array{0, 0, 2, 1}));
    EXPECT_EQ(pixelsOf(*base), c.expected) << c.mode;
    EXPECT_EQ(base->mode, c.modeBits) << c.mode;
    EXPECT_EQ(base->depth, c.depth) << c.mode;
    EXPECT_EQ(console.lines, c.lines) << c.mode;
  }

  ImagePtr base = imageOf(2, 2, 32, {a, a, a, a});
  ImagePtr other = imageOf(2, 2, 32, {a, b, a, a});
  ImageBuffer* raw = base.get();
  RecordingConsole console;
  DifferenceBox box;
  ASSERT_TRUE(differenceImage(console, &raw, other.get(), 0, 0, &box));
  EXPECT_EQ((std::array{box.left, box.top, box.right, box.bottom}), (std::array{1, 0, 1, 0}));
}

// --- Transparency clean-up ------------------------------------------------

TEST(ImageOpsFiltersDurtyTransparency, OpaqueImagesOnlyGetTheirDepth) {
  ImagePtr image = filled(2, 2, 32, {1, 2, 3, 255});
  RecordingConsole console;
  ASSERT_TRUE(DurtyTransparency(console, image.get(), -3));
  EXPECT_EQ(image->depth, 24);
  EXPECT_EQ(pixelsOf(*image), Pixels(4, Bgra{1, 2, 3, 255}));

  ImagePtr marked = imageOf(2, 1, 24, {{1, 2, 3, 255}, {4, 5, 6, 0}});
  ASSERT_TRUE(DurtyTransparency(console, marked.get(), 0));
  EXPECT_EQ(marked->depth, 32);
  EXPECT_EQ(pixelsOf(*marked), (Pixels{{1, 2, 3, 255}, {0, 0, 0, 0}}));
}

TEST(ImageOpsFiltersDurtyTransparency, NegativeCountsBleedVisibleColours) {
  const Bgra red{0, 0, 255, 255}, green{0, 255, 0, 255}, blue{255, 0, 0, 255};
  const Bgra black{0, 0, 0, 255}, hidden{9, 9, 9, 0}, none{0, 0, 0, 0};
  const auto under = [](Bgra visible) { return Bgra{visible[0], visible[1], visible[2], 0}; };
  const Pixels tower = {red, hidden, black, hidden, black, blue};
  const Pixels towerRed = {red, under(red), black, under(blue), black, blue};
  const Pixels towerBlue = {red, under(blue), black, under(blue), black, blue};
  struct Case {
    std::int32_t width, height, n;
    Pixels in, out;
  };
  const Case cases[] = {
      {4, 1, 0, {red, hidden, hidden, hidden}, {red, none, none, none}},
      {4, 1, -1, {red, hidden, hidden, hidden}, {red, under(red), none, none}},
      {4, 1, -2, {red, hidden, hidden, hidden}, {red, under(red), under(red), none}},
      {4, 1, -3, {red, hidden, hidden, hidden}, {red, under(red), under(red), under(red)}},
      // Neighbours are tried below, right, left, above; black gives nothing.
      {2, 2, -1, {hidden, green, blue, hidden}, {under(blue), green, blue, under(blue)}},
      {3, 1, -1, {red, hidden, green}, {red, under(green), green}},
      {2, 2, -1, {red, hidden, green, hidden}, {red, under(red), green, under(green)}},
      {1, 2, -1, {red, hidden}, {red, under(red)}},
      {2, 2, -1, {red, hidden, hidden, hidden}, {red, under(red), under(red), none}},
      {2, 1, -4, {black, hidden}, {black, none}},
      // The two buffers alternate without being brought in step: the second
      // pass fills the top right pixel again in the copy, where it is still
      // empty, and finds blue below it; the third keeps the red of the image.
      {2, 3, -1, tower, towerRed},
      {2, 3, -2, tower, towerBlue},
      {2, 3, -3, tower, towerRed},
      // Long runs settle, the parity still choosing the buffer.
      {2, 3, -1000001, tower, towerRed},
      {2, 3, std::numeric_limits<std::int32_t>::min(), tower, towerBlue},
  };
  for (const Case& c : cases) {
    ImagePtr image = imageOf(c.width, c.height, 32, c.in);
    RecordingConsole console;
    ASSERT_TRUE(DurtyTransparency(console, image.get(), c.n));
    EXPECT_EQ(pixelsOf(*image), c.out) << c.width << "x" << c.height << " n" << c.n;
    EXPECT_EQ(image->depth, 32);
  }
}

TEST(ImageOpsFiltersDurtyTransparency, PositiveCountsClearColoursOutsideTheSquare) {
  const Bgra seen{10, 20, 30, 255}, none{0, 0, 0, 0};
  const Bgra t1{1, 2, 3, 0}, t2{4, 5, 6, 0}, t3{7, 8, 9, 0};
  ImagePtr row = imageOf(5, 1, 32, {seen, t1, t2, t3, none});
  RecordingConsole console;
  ASSERT_TRUE(DurtyTransparency(console, row.get(), 2));
  EXPECT_EQ(pixelsOf(*row), (Pixels{seen, t1, t2, none, none}));

  // Distance counts as a square: the opposite corner of 3 × 3 is within 2.
  for (const auto& [n, corner] : {std::pair{2, t1}, std::pair{1, none}}) {
    Pixels pixels(9, none);
    pixels[0] = seen;
    pixels[8] = t1;
    ImagePtr square = imageOf(3, 3, 32, pixels);
    ASSERT_TRUE(DurtyTransparency(console, square.get(), n));
    EXPECT_EQ(at(*square, 2, 2), corner) << n;
  }
}

// --- Rule-mask alpha ------------------------------------------------------

TEST(ImageOpsFiltersRuleMask, AlphaFollowsProgressSoftnessAndReverse) {
  struct Case {
    std::int32_t reverse, progress, softness;
    std::array<std::uint8_t, 4> alphas;  // mask values 0, 128, 130, 255
  };
  const Case cases[] = {
      {1, 0, 255, {0, 0, 0, 0}},
      {1, 512, 255, {255, 255, 255, 255}},
      {0, 0, 255, {255, 255, 255, 255}},
      {0, 512, 255, {0, 0, 0, 0}},
      // P = 255: 255 (255 - m) / 255.
      {1, 256, 255, {255, 127, 125, 0}},
      // P = 132 over softness 10: m = 128 → 102, m = 130 → 51.
      {1, 256, 10, {255, 102, 51, 0}},
      {0, 256, 10, {0, 153, 204, 255}},
      {1, 0, 0, {255, 255, 255, 255}},
  };
  for (const Case& c : cases) {
    // The mask is placed one pixel to the right: the first pixel lies outside.
    ImagePtr image = filled(5, 1, 24, {1, 2, 3, 255});
    ImagePtr mask =
        imageOf(4, 1, 32, {{0, 9, 9, 9}, {128, 0, 0, 0}, {130, 0, 0, 0}, {255, 0, 0, 0}});
    RecordingConsole console;
    ASSERT_TRUE(
        ruleMaskAlpha(console, image.get(), mask.get(), 1, 0, c.reverse, c.progress, c.softness));
    EXPECT_EQ(image->depth, 32);
    const Pixels out = pixelsOf(*image);
    EXPECT_EQ(out[0], (Bgra{1, 2, 3, 0}));
    for (std::size_t i = 0; i < 4; ++i) {
      EXPECT_EQ(out[i + 1], (Bgra{1, 2, 3, c.alphas[i]}))
          << "reverse " << c.reverse << " progress " << c.progress << " softness " << c.softness
          << " mask " << i;
    }
  }
}

TEST(ImageOpsFiltersRuleMask, ClipsTheMaskAndRefusesNoOverlap) {
  ImagePtr image = filled(2, 2, 32, {1, 2, 3, 200});
  ImagePtr mask = imageOf(2, 2, 32, {{255, 0, 0, 0}, {255, 0, 0, 0}, {255, 0, 0, 0}, {0, 0, 0, 0}});
  RecordingConsole console;
  ASSERT_TRUE(ruleMaskAlpha(console, image.get(), mask.get(), -1, -1, 1, 512, 255));
  EXPECT_EQ(pixelsOf(*image), (Pixels{{1, 2, 3, 255}, {1, 2, 3, 0}, {1, 2, 3, 0}, {1, 2, 3, 0}}));

  ImagePtr untouched = filled(2, 2, 32, {1, 2, 3, 200});
  EXPECT_FALSE(ruleMaskAlpha(console, untouched.get(), mask.get(), 2, 0, 1, 512, 255));
  EXPECT_FALSE(ruleMaskAlpha(console, untouched.get(), nullptr, 0, 0, 1, 512, 255));
  EXPECT_EQ(pixelsOf(*untouched), Pixels(4, Bgra{1, 2, 3, 200}));
  EXPECT_EQ(console.lines, linesOf({u8"-BLD: 座標の指定が不正です\n",
                                    u8"-BLD: 画像データが読み込まれてません\n"}));
}

// --- Video frames ---------------------------------------------------------

TEST(ImageOpsFiltersVideo, ConvertsKnownYCbCrValues) {
  // 4 × 2 with padded strides. Left block: Y 16 / 235 at neutral chroma is
  // black / white. Right block: Y 81, Cb 90, Cr 240 is red (8352990 >> 15
  // = 254). Extremes clamp: Y 255 with Cb = Cr = 255 and Y 0 with 0.
  const std::uint8_t luma[] = {16,  235, 81,  81, 99, 99,  //
                               235, 16,  255, 0,  99, 99};
  const std::uint8_t cb[] = {128, 90, 99, 99, 99, 99};
  const std::uint8_t cr[] = {128, 240, 99, 99, 99, 99};
  VideoFrame frame{luma, 6, cb, 3, cr, 3};
  ImagePtr image = makeImage(4, 2, 32);
  convertVideoFrame(frame, *image);
  const Bgra black{0, 0, 0, 255}, white{255, 255, 255, 255}, red{0, 0, 254, 255};
  EXPECT_EQ(at(*image, 0, 0), black);
  EXPECT_EQ(at(*image, 1, 0), white);
  EXPECT_EQ(at(*image, 0, 1), white);
  EXPECT_EQ(at(*image, 1, 1), black);
  EXPECT_EQ(at(*image, 2, 0), red);
  EXPECT_EQ(at(*image, 3, 0), red);

  const std::uint8_t extremeLuma[] = {255, 0};
  const std::uint8_t high[] = {255}, low[] = {0};
  ImagePtr pixel = makeImage(1, 1, 32);
  convertVideoFrame(VideoFrame{extremeLuma, 2, high, 1, high, 1}, *pixel);
  EXPECT_EQ(at(*pixel, 0, 0), (Bgra{255, 125, 255, 255}));
  convertVideoFrame(VideoFrame{extremeLuma + 1, 1, low, 1, low, 1}, *pixel);
  EXPECT_EQ(at(*pixel, 0, 0), (Bgra{0, 135, 0, 255}));
}

TEST(ImageOpsFiltersVideo, OddSizesUseTheLastChromaSample) {
  // 3 × 3: only (2, 2) falls in the lower right chroma block (Y 0, Cb = Cr = 0).
  const std::uint8_t luma[] = {16, 16, 16, 16, 16, 16, 16, 16, 0};
  const std::uint8_t cb[] = {128, 128, 128, 0};
  const std::uint8_t cr[] = {128, 128, 128, 0};
  ImagePtr image = makeImage(3, 3, 32);
  convertVideoFrame(VideoFrame{luma, 3, cb, 2, cr, 2}, *image);
  Pixels expected(9, Bgra{0, 0, 0, 255});
  expected[8] = {0, 135, 0, 255};
  EXPECT_EQ(pixelsOf(*image), expected);
}

}  // namespace
}  // namespace tsuzuri::assets
