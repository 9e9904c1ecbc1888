#include "assets/image_ops_basic.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

#include "util/sjis.h"

namespace tsuzuri::assets {
namespace {

class RecordingConsole final : public ImageConsole {
 public:
  void print(std::string_view line) override { lines.emplace_back(line); }
  std::vector<std::string> lines;
};

using Pixels = std::vector<std::uint32_t>;  // 0xAARRGGBB, row by row

ImagePtr imageOf(std::int32_t width, std::int32_t height, std::int32_t depth,
                 const Pixels& pixels) {
  ImagePtr image = makeImage(width, height, depth);
  for (std::size_t i = 0; i < pixels.size(); ++i) {
    for (std::size_t b = 0; b < 4; ++b) {
      image->pixels[i * 4 + b] = static_cast<std::uint8_t>(pixels[i] >> (8 * b));
    }
  }
  return image;
}

Pixels pixelsOf(const ImageBuffer& image) {
  Pixels result(static_cast<std::size_t>(image.width * image.height));
  for (std::size_t i = 0; i < result.size(); ++i) {
    for (std::size_t b = 0; b < 4; ++b)
      result[i] |= std::uint32_t{image.pixels[i * 4 + b]} << (8 * b);
  }
  return result;
}

// 3 × 2, opaque, told apart by blue:  1 2 3 / 4 5 6.
const Pixels kSix = {0xFF000001, 0xFF000002, 0xFF000003, 0xFF000004, 0xFF000005, 0xFF000006};
constexpr std::uint32_t k1 = 0xFF000001, k2 = 0xFF000002, k3 = 0xFF000003, k4 = 0xFF000004,
                        k5 = 0xFF000005, k6 = 0xFF000006;

TEST(ImageOpsBasicFailure, MissingImagesPrintTheirLineAndTouchNothing) {
  ImageBuffer* none = nullptr;
  const std::u8string_view cut = u8"-CUT: 画像データを読み込めませんでした\n";
  const std::u8string_view rot = u8"-ROT: 画像データを読み込めませんでした\n";
  const std::u8string_view trm = u8"-TRM: 画像データを読み込めませんでした\n";
  const std::vector<std::pair<std::function<bool(ImageConsole&)>, std::u8string_view>> cases = {
      {[&](ImageConsole& c) { return copyImage(c, &none, nullptr); }, cut},
      {[&](ImageConsole& c) { return clippingImage(c, &none, nullptr, 0, 0, 1, 1); }, cut},
      {[&](ImageConsole& c) { return clippingImage2(c, &none, 0, 0, 1, 1); }, cut},
      {[&](ImageConsole& c) { return clippingImage2(c, nullptr, 0, 0, 1, 1); }, cut},
      {[&](ImageConsole& c) { return trimmingImage(c, &none, nullptr, 0, 15, 0); }, trm},
      {[&](ImageConsole& c) { return trimmingImage2(c, &none, 0, 15, 0); }, trm},
      {[&](ImageConsole& c) { return flipHorizontalImage(c, &none, nullptr); }, rot},
      {[&](ImageConsole& c) { return flipVerticalImage2(c, &none); }, rot},
      {[&](ImageConsole& c) { return eraseImage(c, nullptr, 0, 0, 0, 0); },
       u8"-ERS: 画像データを読み込めませんでした\n"},
      {[&](ImageConsole& c) { return color2colorImage(c, nullptr, 0, 0, 0); },
       u8"-C2C: 画像データを読み込めませんでした\n"},
      {[&](ImageConsole& c) { return negaposiImage(c, nullptr); },
       u8"-REV: 画像データを読み込めませんでした\n"},
      {[&](ImageConsole& c) { return grayscalImage(c, nullptr); },
       u8"-GRY: 画像データを読み込めませんでした\n"},
      {[&](ImageConsole& c) { return bcImage(c, nullptr, 0, 0); },
       u8"-BC: 画像データを読み込めませんでした\n"},
      {[&](ImageConsole& c) { return colorImage(c, nullptr, 0, 0, 0); },
       u8"-RGB: 画像データを読み込めませんでした\n"},
  };
  for (std::size_t i = 0; i < cases.size(); ++i) {
    RecordingConsole console;
    EXPECT_FALSE(cases[i].first(console)) << i;
    EXPECT_EQ(console.lines, std::vector<std::string>{util::toSjis(cases[i].second)}) << i;
    EXPECT_EQ(none, nullptr) << i;
  }

  // A cut too large to allocate keeps the old destination.
  RecordingConsole console;
  ImagePtr source = imageOf(3, 2, 24, kSix);
  ImagePtr kept = makeImage(1, 1, 32);
  ImageBuffer* destination = kept.get();
  EXPECT_FALSE(clippingImage(console, &destination, source.get(), 0, 0, kMaxImageSide + 1, 1));
  EXPECT_EQ(console.lines,
            std::vector<std::string>{util::toSjis(u8"-CUT: メモリを確保出来ませんでした\n")});
  EXPECT_EQ(destination, kept.get());
}

TEST(ImageOpsBasicCopy, CreatesReusesOrRecreatesTheDestination) {
  RecordingConsole console;
  ImagePtr source = imageOf(3, 2, 24, kSix);
  ImageBuffer* destination = nullptr;
  ASSERT_TRUE(copyImage(console, &destination, source.get()));
  EXPECT_EQ(pixelsOf(*destination), kSix);
  // Same size: the record itself is reused, with its attributes.
  ImageBuffer* const reused = destination;
  destination->depth = 32;
  destination->mode = 7;
  destination->pixels[0] = 0x55;
  ASSERT_TRUE(copyImage(console, &destination, source.get()));
  EXPECT_EQ(destination, reused);
  EXPECT_EQ(destination->depth, 24);
  EXPECT_EQ(destination->mode, 7U);
  EXPECT_EQ(pixelsOf(*destination), kSix);
  // Another size: replaced by one of the source's size and depth.
  ImagePtr wide = imageOf(4, 1, 32, {1, 2, 3, 4});
  ASSERT_TRUE(copyImage(console, &destination, wide.get()));
  EXPECT_EQ(destination->width * 10 + destination->height, 41);
  EXPECT_EQ(destination->depth, 32);
  EXPECT_EQ(pixelsOf(*destination), (Pixels{1, 2, 3, 4}));
  freeImage(&destination);
  EXPECT_TRUE(console.lines.empty());
}

TEST(ImageOpsBasicClipping, CutsAndFillsWhatLiesOutsideWithTransparentBlack) {
  struct Case {
    std::int32_t x, y, w, h, width, height, depth;
    Pixels expected;
  };
  const std::vector<Case> cases = {
      {1, 0, 2, 2, 2, 2, 24, {k2, k3, k5, k6}},        // inside: the depth stays
      {0, 0, 0, 0, 3, 2, 24, kSix},                    // sizes ≤ 0: the source's
      {1, 1, -5, 0, 3, 2, 32, {k5, k6, 0, 0, 0, 0}},   // from an offset
      {-1, -1, 3, 2, 3, 2, 32, {0, 0, 0, 0, k1, k2}},  // over the top-left
      {2, 1, 2, 2, 2, 2, 32, {k6, 0, 0, 0}},           // over the bottom-right
      {-1, 0, 5, 1, 5, 1, 32, {0, k1, k2, k3, 0}},     // over both sides
      {10, -10, 2, 1, 2, 1, 32, {0, 0}},               // no overlap
  };
  for (const Case& c : cases) {
    RecordingConsole console;
    ImagePtr source = imageOf(3, 2, 24, kSix);
    ImageBuffer* out = nullptr;
    ASSERT_TRUE(clippingImage(console, &out, source.get(), c.x, c.y, c.w, c.h)) << c.x << c.y;
    EXPECT_EQ((std::vector{out->width, out->height, out->depth, out->left, out->top}),
              (std::vector{c.width, c.height, c.depth, c.x, c.y}));
    EXPECT_EQ(pixelsOf(*out), c.expected) << c.x << "," << c.y;
    freeImage(&out);
  }
}

TEST(ImageOpsBasicClipping, ReuseClearsOnlyOutsideAndInPlaceKeepsTheMode) {
  RecordingConsole console;
  ImagePtr source = imageOf(3, 2, 24, kSix);
  ImagePtr stale = imageOf(2, 2, 32, {7, 7, 7, 7});
  ImageBuffer* destination = stale.get();
  ASSERT_TRUE(clippingImage(console, &destination, source.get(), 2, 0, 2, 2));
  EXPECT_EQ(destination, stale.get());
  EXPECT_EQ(pixelsOf(*stale), (Pixels{k3, 0, k6, 0}));

  ImageBuffer* image = source.release();
  image->mode = 5;
  ASSERT_TRUE(clippingImage2(console, &image, 0, 1, 2, 1));
  EXPECT_EQ((std::vector<std::int64_t>{image->width, image->height, image->mode, image->top}),
            (std::vector<std::int64_t>{2, 1, 5, 1}));
  EXPECT_EQ(pixelsOf(*image), (Pixels{k4, k5}));
  // The copying form given its own source as destination works like the in-place one.
  ASSERT_TRUE(clippingImage(console, &image, image, 1, 0, 2, 1));
  EXPECT_EQ(pixelsOf(*image), (Pixels{k5, 0}));
  freeImage(&image);
}

// 6 × 5, transparent except alpha 200 on (1..2, 1..2) and alpha 40 at (4, 3).
// Margins at threshold 0: 1 on every side; at threshold 40: top 1, bottom 2,
// left 1, right 3.
ImagePtr trimSample() {
  Pixels pixels(30, 0);
  for (const std::uint32_t i : {7u, 8u, 13u, 14u}) pixels[i] = 0xC8000000u + i;
  pixels[22] = 0x28000016;
  return imageOf(6, 5, 32, pixels);
}

TEST(ImageOpsBasicTrimming, CutsTheRequestedSidesToThePixelsAboveTheThreshold) {
  struct Case {
    std::int32_t threshold, sides, symmetric, left, top, width, height;
  };
  const std::vector<Case> cases = {
      {0, 15, 0, 1, 1, 4, 3},   {40, 15, 0, 1, 1, 2, 2},  {39, 15, 0, 1, 1, 4, 3},
      {0, 1, 0, 0, 1, 6, 4},    {0, 2, 0, 0, 0, 6, 4},    {0, 4, 0, 1, 0, 5, 5},
      {0, 8, 0, 0, 0, 5, 5},    {0, 0, 3, 0, 0, 6, 5},    {40, 15, 1, 1, 1, 2, 3},
      {40, 15, 2, 1, 1, 4, 2},  {40, 15, 3, 1, 1, 4, 3},  {40, 5, 3, 1, 1, 5, 4},
      {255, 15, 0, 0, 0, 1, 1}, {255, 15, 3, 0, 0, 1, 1}, {255, 10, 0, 0, 0, 1, 1},
      {-1, 15, 0, 0, 0, 6, 5},
  };
  for (const Case& c : cases) {
    RecordingConsole console;
    ImagePtr source = trimSample();
    ImageBuffer* out = nullptr;
    ASSERT_TRUE(trimmingImage(console, &out, source.get(), c.threshold, c.sides, c.symmetric));
    EXPECT_EQ((std::vector{out->left, out->top, out->width, out->height}),
              (std::vector{c.left, c.top, c.width, c.height}))
        << c.threshold << " " << c.sides << " " << c.symmetric;
    freeImage(&out);
  }
  ImageBuffer* image = trimSample().release();
  image->mode = 3;
  RecordingConsole console;
  ASSERT_TRUE(trimmingImage2(console, &image, 40, 15, 0));
  EXPECT_EQ(image->mode, 3U);
  EXPECT_EQ(pixelsOf(*image), (Pixels{0xC8000007, 0xC8000008, 0xC800000D, 0xC800000E}));
  freeImage(&image);
}

TEST(ImageOpsBasicErase, ClearsTheRectangleClippedToTheImage) {
  struct Case {
    std::int32_t x, y, w, h;
    Pixels expected;
  };
  const std::vector<Case> cases = {
      {1, 0, 1, 1, {k1, 0, k3, k4, k5, k6}}, {0, 0, 0, 0, {0, 0, 0, 0, 0, 0}},
      {0, 1, 0, 1, {k1, k2, k3, 0, 0, 0}},   {-1, -1, 2, 2, {0, k2, k3, k4, k5, k6}},
      {2, 0, 5, 1, {k1, k2, 0, k4, k5, k6}}, {3, 0, 1, 1, kSix},
  };
  for (const Case& c : cases) {
    RecordingConsole console;
    ImagePtr image = imageOf(3, 2, 24, kSix);
    ASSERT_TRUE(eraseImage(console, image.get(), c.x, c.y, c.w, c.h));
    EXPECT_EQ(pixelsOf(*image), c.expected) << c.x << "," << c.y;
    EXPECT_EQ(image->depth, c.expected == kSix ? 24 : 32) << c.x << "," << c.y;
  }
}

TEST(ImageOpsBasicColor2Color, TakesTheKeyFromTheArgumentOrACornerPixel) {
  constexpr std::uint32_t a = 0xFF102030, b = 0x80405060, c = 0xFF000000, n = 0xFF0000FF;
  const Pixels source = {a, c, b, b, a, c};  // top-left a, top-right b
  struct Case {
    std::uint32_t key, replacement;
    std::int32_t which;
    Pixels expected;
    std::int32_t depth;
  };
  const std::vector<Case> cases = {
      {c, n, 1, {n, c, b, b, n, c}, 32},
      {c, n, 2, {a, c, n, n, a, c}, 32},
      {c, n, 0, {a, n, b, b, a, n}, 32},
      {c, n, 3, {a, n, b, b, a, n}, 32},
      {0xFF405060, n, 0, source, 32},  // all 32 bits count
      {c, 0x00FFFFFF, -1, {a, 0x00FFFFFF, b, b, a, 0x00FFFFFF}, 24},
  };
  for (const Case& t : cases) {
    RecordingConsole console;
    ImagePtr image = imageOf(3, 2, 24, source);
    ASSERT_TRUE(color2colorImage(console, image.get(), t.key, t.replacement, t.which));
    EXPECT_EQ(pixelsOf(*image), t.expected) << t.which;
    EXPECT_EQ(image->depth, t.depth) << t.which;
  }
}

TEST(ImageOpsBasicFlip, MirrorsIntoTheDestinationAndInPlace) {
  using Copying = std::function<bool(ImageConsole&, ImageBuffer**, const ImageBuffer*)>;
  using InPlace = std::function<bool(ImageConsole&, ImageBuffer**)>;
  const std::vector<std::tuple<Copying, InPlace, Pixels>> cases = {
      {flipHorizontalImage, flipHorizontalImage2, {k3, k2, k1, k6, k5, k4}},
      {flipVerticalImage, flipVerticalImage2, {k4, k5, k6, k1, k2, k3}},
  };
  for (const auto& [copying, inPlaceForm, expected] : cases) {
    RecordingConsole console;
    ImagePtr source = imageOf(3, 2, 24, kSix);
    ImageBuffer* out = nullptr;
    ASSERT_TRUE(copying(console, &out, source.get()));
    EXPECT_EQ(pixelsOf(*out), expected);
    EXPECT_EQ(pixelsOf(*source), kSix);
    // Twice is the identity: in place, then the copying form onto its own source.
    ImageBuffer* image = source.release();
    ASSERT_TRUE(inPlaceForm(console, &image));
    EXPECT_EQ(pixelsOf(*image), expected);
    ASSERT_TRUE(copying(console, &image, image));
    EXPECT_EQ(pixelsOf(*image), kSix);
    freeImage(&image);
    freeImage(&out);
  }
}

using PixelOperation = std::function<bool(ImageConsole&, ImageBuffer*)>;

PixelOperation bc(std::int32_t brightness, std::int32_t contrast) {
  return [=](ImageConsole& c, ImageBuffer* i) { return bcImage(c, i, brightness, contrast); };
}

PixelOperation gamma(std::int32_t red, std::int32_t green, std::int32_t blue) {
  return [=](ImageConsole& c, ImageBuffer* i) { return colorImage(c, i, red, green, blue); };
}

TEST(ImageOpsBasicColour, MapsEachPixelAndKeepsAlpha) {
  const std::vector<std::tuple<PixelOperation, std::uint32_t, std::uint32_t>> cases = {
      {negaposiImage, 0x80FF0010, 0x8000FFEF},
      {negaposiImage, 0x00123456, 0x00EDCBA9},
      // Grey = ⌊0.298912 R + 0.586611 G + 0.114477 B + 0.5⌋.
      {grayscalImage, 0xFF010000, 0xFF000000},  // 0.798912
      {grayscalImage, 0xFF020000, 0xFF010101},  // 1.097824
      {grayscalImage, 0xFF000004, 0xFF000000},  // 0.957908
      {grayscalImage, 0xFF000005, 0xFF010101},  // 1.072385
      {grayscalImage, 0xFFFF0000, 0xFF4C4C4C},  // 76.72256
      {grayscalImage, 0xFF00FF00, 0xFF969696},  // 150.085805
      {grayscalImage, 0x7F0000FF, 0x7F1D1D1D},  // 29.691635
      {grayscalImage, 0xFF0A141E, 0xFF121212},  // 18.65565
      // trunc((contrast + 100) / 100 × (c − 128)) + brightness + 128, clamped.
      {bc(10, -100), 0xFF00FF80, 0xFF8A8A8A},
      {bc(200, -100), 0xFF000000, 0xFFFFFFFF},
      {bc(-200, -100), 0xFFFFFFFF, 0xFF000000},
      {bc(0, 100), 0x40C86481, 0x40FF4882},  // 272, 72, 130
      {bc(0, -50), 0xFF7F7D83, 0xFF807F81},  // trunc(−0.5), trunc(−1.5), trunc(1.5)
      {bc(5, -50), 0xFF000000, 0xFF454545},  // −64 + 5 + 128
      {bc(20, 0), 0xFFFA0000, 0xFFFF1414},
      // Red 100 %: ⌊√(255 c)⌋; green −100 %: ⌊c² / 255⌋; blue 0 %: unchanged.
      {gamma(100, -100, 0), 0xFF01100F, 0xFF0F010F},
      {gamma(100, -100, 0), 0xFF0F0F40, 0xFF3D0040},
      {gamma(100, -100, 0), 0xFF40C8FF, 0xFF7F9CFF},
      {gamma(100, -100, 0), 0x33C880C8, 0x33E140C8},
  };
  for (const auto& [operation, in, out] : cases) {
    RecordingConsole console;
    ImagePtr image = imageOf(1, 1, 32, {in});
    ASSERT_TRUE(operation(console, image.get()));
    EXPECT_EQ(pixelsOf(*image)[0], out) << std::hex << in;
  }
}

TEST(ImageOpsBasicColour, NeutralSettingsAreTheIdentityForEveryValue) {
  Pixels every;
  for (std::uint32_t i = 0; i < 256; ++i) every.push_back((255 - i) << 24 | i << 16 | i << 8 | i);
  for (const PixelOperation& operation : {bc(0, 0), gamma(0, 0, 0)}) {
    RecordingConsole console;
    ImagePtr image = imageOf(16, 16, 32, every);
    ASSERT_TRUE(operation(console, image.get()));
    EXPECT_EQ(pixelsOf(*image), every);
  }
}

}  // namespace
}  // namespace tsuzuri::assets
