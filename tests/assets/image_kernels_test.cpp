#include "assets/image_kernels.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string_view>
#include <vector>

#include "assets/image_ops_blend.h"
#include "assets/image_ops_geometry.h"

namespace tsuzuri::assets {
namespace {

class QuietConsole : public ImageConsole {
 public:
  void print(std::string_view) override {}
};

// How the alphas of a random image are drawn: the vector loops take
// different paths for runs of opaque, transparent and mixed pixels.
enum class Alphas { kAny, kOpaque, kMostlyEdges, kMixedRuns };

std::uint8_t alphaFor(Alphas alphas, std::mt19937& random, std::size_t index) {
  const auto any = static_cast<std::uint8_t>(random() & 0xFF);
  switch (alphas) {
    case Alphas::kAny:
      return any;
    case Alphas::kOpaque:
      return 255;
    case Alphas::kMostlyEdges: {
      const std::uint32_t pick = random() % 8;
      return pick < 3 ? 0 : pick < 6 ? 255 : pick == 6 ? 254 : any;
    }
    case Alphas::kMixedRuns: {
      // Runs of up to 6 pixels alike; the nearly opaque runs hold a few 253.
      const std::size_t run = (index / 6 + index / 29) % 4;
      if (run == 2) return (any & 7) == 0 ? 253 : 254;
      return run == 0 ? 0 : run == 1 ? 255 : any;
    }
  }
  return any;
}

std::vector<std::uint8_t> randomPixels(std::size_t count, Alphas alphas, std::uint32_t seed) {
  std::mt19937 random(seed);
  std::vector<std::uint8_t> pixels(count * 4);
  for (std::size_t i = 0; i < count; ++i) {
    for (std::size_t c = 0; c < 3; ++c) pixels[i * 4 + c] = static_cast<std::uint8_t>(random());
    pixels[i * 4 + 3] = alphaFor(alphas, random, i);
  }
  return pixels;
}

ImagePtr randomImage(std::int32_t width, std::int32_t height, Alphas alphas, std::uint32_t seed) {
  ImagePtr image = makeImage(width, height, 32);
  const std::vector<std::uint8_t> pixels = randomPixels(
      static_cast<std::size_t>(width) * static_cast<std::size_t>(height), alphas, seed);
  std::memcpy(image->pixels, pixels.data(), pixels.size());
  return image;
}

std::vector<std::uint8_t> bytesOf(const ImageBuffer& image) {
  return {image.pixels, image.pixels + static_cast<std::size_t>(image.width) *
                                           static_cast<std::size_t>(image.height) * 4};
}

// Installs a selection for one test and puts the portable one back after.
class ImageKernelsTest : public ::testing::Test {
 protected:
  void TearDown() override { setImageKernels(ImageKernels{}); }

  static std::vector<std::uint8_t> resized(const ImageKernels& kernels, const ImageBuffer& source,
                                           std::int32_t width, std::int32_t height) {
    setImageKernels(kernels);
    QuietConsole console;
    ImageBuffer* result = nullptr;
    EXPECT_TRUE(resizeImage(console, &result, &source, width, height, 1, 1, 1));
    const ImagePtr owned(result);
    return owned ? bytesOf(*owned) : std::vector<std::uint8_t>{};
  }

  static std::vector<std::uint8_t> rotated(const ImageKernels& kernels, const ImageBuffer& source,
                                           double angle, double scale) {
    setImageKernels(kernels);
    QuietConsole console;
    ImageBuffer* result = nullptr;
    EXPECT_TRUE(rotateImage(console, &result, &source, angle, scale, 1));
    const ImagePtr owned(result);
    return owned ? bytesOf(*owned) : std::vector<std::uint8_t>{};
  }
};

constexpr CpuFeatures kAllFeatures{true, true, true};

TEST_F(ImageKernelsTest, SelectionWithoutFeaturesOrSettingsIsPortable) {
  const ImageKernels none = selectImageKernels(ImageSettings{}, CpuFeatures{}, 4);
  EXPECT_EQ(none.blendNormalRow, &blendNormalRow);
  EXPECT_EQ(none.crossFadeRow, &crossFadeRow);
  EXPECT_EQ(none.bilinearRows, &bilinearRows);
  EXPECT_EQ(none.rotateBilinearRows, &rotateBilinearRows);
  EXPECT_EQ(none.videoRowPair, &convertVideoRowPair);
  EXPECT_EQ(none.workers, 4);
  EXPECT_EQ(none.bilinearBands, 0);

  ImageSettings off;
  off.mmx = off.sse = off.sse2 = off.thread = 0;
  const ImageKernels disabled = selectImageKernels(off, kAllFeatures, 4);
  EXPECT_EQ(disabled.blendNormalRow, &blendNormalRow);
  EXPECT_EQ(disabled.bilinearRows, &bilinearRows);
  EXPECT_EQ(disabled.workers, 0);
  EXPECT_EQ(disabled.bilinearBands, 0);

  // The default selection, before any setImageKernels, is the portable one.
  EXPECT_EQ(imageKernels().bilinearRows, &bilinearRows);
  EXPECT_EQ(imageKernels().bilinearBands, 0);
}

#if defined(__x86_64__)
TEST_F(ImageKernelsTest, SelectionFollowsEachSetting) {
  const ImageKernels all = selectImageKernels(ImageSettings{}, kAllFeatures, 3);
  EXPECT_EQ(all.blendNormalRow, &blendNormalRowSse2);
  EXPECT_EQ(all.crossFadeRow, &crossFadeRowSse2);
  EXPECT_EQ(all.bilinearRows, &bilinearRowsSse2);
  EXPECT_EQ(all.rotateBilinearRows, &rotateBilinearRowsSse2);
  EXPECT_EQ(all.videoRowPair, &convertVideoRowPairSse2);
  EXPECT_EQ(all.workers, 3);
  EXPECT_EQ(all.bilinearBands, 3);

  ImageSettings noMmx;
  noMmx.mmx = 0;
  const ImageKernels sseOnly = selectImageKernels(noMmx, kAllFeatures, 3);
  EXPECT_EQ(sseOnly.blendNormalRow, &blendNormalRow);
  EXPECT_EQ(sseOnly.bilinearRows, &bilinearRowsSse2);

  ImageSettings noSse;
  noSse.sse = 0;
  const ImageKernels mmxOnly = selectImageKernels(noSse, kAllFeatures, 3);
  EXPECT_EQ(mmxOnly.crossFadeRow, &crossFadeRowSse2);
  EXPECT_EQ(mmxOnly.bilinearRows, &bilinearRows);
  EXPECT_EQ(mmxOnly.rotateBilinearRows, &rotateBilinearRows);
  EXPECT_EQ(mmxOnly.workers, 3);
  EXPECT_EQ(mmxOnly.bilinearBands, 0);

  ImageSettings noThreads;
  noThreads.thread = 0;
  EXPECT_EQ(selectImageKernels(noThreads, kAllFeatures, 3).bilinearBands, 0);

  // Our vector code needs SSE2 on the processor whatever the settings say.
  const ImageKernels noSse2 = selectImageKernels(ImageSettings{}, CpuFeatures{true, true, false});
  EXPECT_EQ(noSse2.blendNormalRow, &blendNormalRow);
  EXPECT_EQ(noSse2.bilinearRows, &bilinearRows);
  EXPECT_EQ(noSse2.videoRowPair, &convertVideoRowPair);

  // Any one of the three settings enables the video conversion.
  ImageSettings sse2Only;
  sse2Only.mmx = sse2Only.sse = 0;
  EXPECT_EQ(selectImageKernels(sse2Only, kAllFeatures).videoRowPair, &convertVideoRowPairSse2);
  sse2Only.sse2 = 0;
  EXPECT_EQ(selectImageKernels(sse2Only, kAllFeatures).videoRowPair, &convertVideoRowPair);
  EXPECT_GT(noSse2.workers, 0);
}

TEST_F(ImageKernelsTest, Sse2BlendRowMatchesPortable) {
  const ImageTables& tables = imageTables();
  constexpr std::size_t kCount = 301;
  const Alphas kinds[] = {Alphas::kAny, Alphas::kOpaque, Alphas::kMostlyEdges, Alphas::kMixedRuns};
  std::uint32_t seed = 1;
  for (Alphas sourceAlphas : kinds) {
    for (Alphas destinationAlphas : kinds) {
      const std::vector<std::uint8_t> source = randomPixels(kCount, sourceAlphas, seed++);
      const std::vector<std::uint8_t> base = randomPixels(kCount, destinationAlphas, seed++);
      for (std::int32_t opacity : {0, 1, 77, 128, 255, 256, 1000}) {
        for (std::int32_t count : {0, 1, 3, 4, 5, 17, 301}) {
          std::vector<std::uint8_t> expected = base;
          std::vector<std::uint8_t> actual = base;
          blendNormalRow(source.data(), expected.data(), count, opacity, tables);
          blendNormalRowSse2(source.data(), actual.data(), count, opacity, tables);
          ASSERT_EQ(actual, expected) << "opacity " << opacity << " count " << count;
        }
      }
    }
  }
}

TEST_F(ImageKernelsTest, Sse2CrossFadeRowMatchesPortable) {
  const ImageTables& tables = imageTables();
  constexpr std::size_t kCount = 263;
  const Alphas kinds[] = {Alphas::kAny, Alphas::kOpaque, Alphas::kMostlyEdges, Alphas::kMixedRuns};
  std::uint32_t seed = 100;
  for (Alphas oldAlphas : kinds) {
    for (Alphas newAlphas : kinds) {
      const std::vector<std::uint8_t> from = randomPixels(kCount, oldAlphas, seed++);
      std::vector<std::uint8_t> to = randomPixels(kCount, newAlphas, seed++);
      // Runs of equal pixels, some of them transparent or nearly opaque.
      for (std::size_t i = 0; i < kCount; ++i) {
        if (i % 3 == 0 || (i / 8) % 3 == 0) std::memcpy(&to[i * 4], &from[i * 4], 4);
      }
      for (std::int32_t weight : {0, 1, 100, 255, 256}) {
        std::vector<std::uint8_t> expected(kCount * 4);
        std::vector<std::uint8_t> actual(kCount * 4);
        crossFadeRow(from.data(), to.data(), expected.data(), kCount, weight, tables);
        crossFadeRowSse2(from.data(), to.data(), actual.data(), kCount, weight, tables);
        ASSERT_EQ(actual, expected) << "weight " << weight;
        // Into one of the inputs, as crossFadeImages allows.
        std::vector<std::uint8_t> inPlace = from;
        crossFadeRowSse2(inPlace.data(), to.data(), inPlace.data(), kCount, weight, tables);
        ASSERT_EQ(inPlace, expected) << "weight " << weight;
        std::vector<std::uint8_t> tail(kCount * 4);
        crossFadeRow(from.data(), to.data(), tail.data(), 7, weight, tables);
        std::vector<std::uint8_t> tailSse2(kCount * 4);
        crossFadeRowSse2(from.data(), to.data(), tailSse2.data(), 7, weight, tables);
        ASSERT_EQ(tailSse2, tail);
      }
    }
  }
}

TEST_F(ImageKernelsTest, Sse2BilinearResizeIsWithinOneStepOfPortable) {
  ImageKernels vector;
  vector.bilinearRows = &bilinearRowsSse2;
  struct Case {
    std::int32_t width, height, targetWidth, targetHeight;
  };
  const Case cases[] = {{37, 23, 80, 61}, {64, 48, 21, 17}, {50, 40, 50, 97},
                        {1, 9, 13, 4},    {9, 1, 3, 11},    {200, 150, 123, 77}};
  std::uint32_t seed = 7;
  for (const Case& size : cases) {
    for (Alphas alphas : {Alphas::kAny, Alphas::kOpaque}) {
      const ImagePtr source = randomImage(size.width, size.height, alphas, seed++);
      const std::vector<std::uint8_t> expected =
          resized(ImageKernels{}, *source, size.targetWidth, size.targetHeight);
      const std::vector<std::uint8_t> actual =
          resized(vector, *source, size.targetWidth, size.targetHeight);
      ASSERT_EQ(actual.size(), expected.size());
      int worst = 0;
      for (std::size_t i = 0; i < actual.size(); ++i) {
        worst = std::max(worst, std::abs(int{actual[i]} - int{expected[i]}));
      }
      EXPECT_LE(worst, 1) << size.width << "x" << size.height << " to " << size.targetWidth << "x"
                          << size.targetHeight;
      // Opaque pixels stay opaque.
      if (alphas == Alphas::kOpaque) {
        for (std::size_t i = 3; i < actual.size(); i += 4) ASSERT_EQ(actual[i], 255);
      }
    }
  }
}

TEST_F(ImageKernelsTest, Sse2VideoRowPairMatchesPortable) {
  std::mt19937 random(3);
  auto bytes = [&random](std::size_t count) {
    std::vector<std::uint8_t> values(count);
    // Mostly random, with runs at the extremes that need clamping.
    for (std::size_t i = 0; i < count; ++i) {
      const auto pick = static_cast<std::uint32_t>(random());
      values[i] = static_cast<std::uint8_t>((i / 5) % 4 == 0 ? ((pick & 1) != 0 ? 255 : 0) : pick);
    }
    return values;
  };
  for (std::int32_t width : {1, 2, 3, 4, 5, 6, 7, 8, 9, 33, 64, 101}) {
    const auto count = static_cast<std::size_t>(width);
    for (int round = 0; round < 20; ++round) {
      const std::vector<std::uint8_t> luma = bytes(count);
      const std::vector<std::uint8_t> lumaBelow = bytes(count);
      const std::vector<std::uint8_t> blue = bytes((count + 1) / 2);
      const std::vector<std::uint8_t> red = bytes((count + 1) / 2);
      for (bool pair : {true, false}) {
        std::vector<std::uint8_t> expected(count * 8, 7);
        std::vector<std::uint8_t> actual(count * 8, 7);
        convertVideoRowPair(luma.data(), pair ? lumaBelow.data() : nullptr, blue.data(), red.data(),
                            expected.data(), pair ? expected.data() + count * 4 : nullptr, width);
        convertVideoRowPairSse2(luma.data(), pair ? lumaBelow.data() : nullptr, blue.data(),
                                red.data(), actual.data(),
                                pair ? actual.data() + count * 4 : nullptr, width);
        ASSERT_EQ(actual, expected) << "width " << width;
      }
    }
  }
}

int largestDifference(const std::vector<std::uint8_t>& a, const std::vector<std::uint8_t>& b) {
  int worst = 0;
  for (std::size_t i = 0; i < a.size() && i < b.size(); ++i) {
    worst = std::max(worst, std::abs(int{a[i]} - int{b[i]}));
  }
  return worst;
}

TEST_F(ImageKernelsTest, Sse2BilinearRotationIsWithinOneStepOfPortable) {
  ImageKernels vector;
  vector.rotateBilinearRows = &rotateBilinearRowsSse2;
  std::uint32_t seed = 40;
  for (double angle : {0.5, 33.3, 90.5, -127.0 + 0.25, 200.7}) {
    for (double scale : {0.0, 0.6, 1.7}) {
      const ImagePtr source = randomImage(41, 29, Alphas::kAny, seed++);
      const std::vector<std::uint8_t> expected = rotated(ImageKernels{}, *source, angle, scale);
      const std::vector<std::uint8_t> actual = rotated(vector, *source, angle, scale);
      ASSERT_EQ(actual.size(), expected.size());
      EXPECT_LE(largestDifference(actual, expected), 1) << angle << " degrees, scale " << scale;
    }
  }
}

TEST_F(ImageKernelsTest, Sse2BilinearResizeKeepsFlatAreasExact) {
  ImageKernels vector;
  vector.bilinearRows = &bilinearRowsSse2;
  ImagePtr source = makeImage(31, 17, 32);
  for (std::size_t i = 0; i < 31 * 17; ++i) {
    const std::uint8_t pixel[4] = {12, 200, 255, 129};
    std::memcpy(source->pixels + i * 4, pixel, 4);
  }
  const std::vector<std::uint8_t> up = resized(vector, *source, 77, 40);
  EXPECT_EQ(up, resized(ImageKernels{}, *source, 77, 40));
  const std::vector<std::uint8_t> down = resized(vector, *source, 10, 6);
  EXPECT_EQ(down, resized(ImageKernels{}, *source, 10, 6));
}
#endif

TEST_F(ImageKernelsTest, BandsCoverEveryRowOnce) {
  for (std::int32_t rows : {1, 2, 7, 10, 64}) {
    for (std::int32_t bands : {0, 1, 2, 3, 7, 10, 65}) {
      std::vector<int> visits(static_cast<std::size_t>(rows), 0);
      std::vector<std::int32_t> starts(static_cast<std::size_t>(rows) + 1, -1);
      runInBands(rows, bands, [&](std::int32_t first, std::int32_t end) {
        // Bands are disjoint, so each thread writes its own elements.
        starts[static_cast<std::size_t>(first)] = end;
        for (std::int32_t y = first; y < end; ++y) ++visits[static_cast<std::size_t>(y)];
      });
      EXPECT_EQ(visits, std::vector<int>(static_cast<std::size_t>(rows), 1))
          << rows << " rows in " << bands << " bands";
      const std::int32_t perBand = bands > 1 ? rows / bands : rows;
      if (bands > 1 && perBand > 0) {
        EXPECT_EQ(starts[0], perBand);
        EXPECT_EQ(starts[static_cast<std::size_t>((bands - 1) * perBand)], rows);
      }
    }
  }
}

TEST_F(ImageKernelsTest, ThreadedBilinearMatchesUnthreaded) {
  std::vector<ImageKernels> variants(1);
#if defined(__x86_64__)
  variants.push_back(ImageKernels{});
  variants.back().bilinearRows = &bilinearRowsSse2;
  variants.back().rotateBilinearRows = &rotateBilinearRowsSse2;
#endif
  const ImagePtr source = randomImage(45, 33, Alphas::kMostlyEdges, 99);
  for (ImageKernels kernels : variants) {
    kernels.bilinearBands = 0;
    const std::vector<std::uint8_t> up = resized(kernels, *source, 97, 71);
    const std::vector<std::uint8_t> down = resized(kernels, *source, 20, 9);
    const std::vector<std::uint8_t> turned = rotated(kernels, *source, 33.5, 1.3);
    for (std::int32_t bands : {2, 3, 8, 200}) {
      kernels.bilinearBands = bands;
      EXPECT_EQ(resized(kernels, *source, 97, 71), up) << bands << " bands";
      EXPECT_EQ(resized(kernels, *source, 20, 9), down) << bands << " bands";
      EXPECT_EQ(rotated(kernels, *source, 33.5, 1.3), turned) << bands << " bands";
    }
  }
}

TEST_F(ImageKernelsTest, SelectedKernelsServeTheImageOperations) {
  // blendImageAt, crossFadeImages and convertVideoFrame go through the
  // selection: with the selection of this processor they give the portable
  // results.
  const ImagePtr base = randomImage(19, 11, Alphas::kMixedRuns, 5);
  const ImagePtr over = randomImage(13, 7, Alphas::kMostlyEdges, 6);
  QuietConsole console;
  auto blendWith = [&](const ImageKernels& kernels) {
    setImageKernels(kernels);
    ImagePtr copy = makeImage(19, 11, 32);
    std::memcpy(copy->pixels, base->pixels, 19 * 11 * 4);
    EXPECT_TRUE(blendImageAt(console, copy.get(), over.get(), 3, -2, 200));
    return bytesOf(*copy);
  };
  auto fadeWith = [&](const ImageKernels& kernels) {
    setImageKernels(kernels);
    const ImagePtr other = randomImage(19, 11, Alphas::kOpaque, 8);
    ImageBuffer* result = nullptr;
    EXPECT_TRUE(crossFadeImages(console, &result, base.get(), other.get(), 90));
    const ImagePtr owned(result);
    return bytesOf(*owned);
  };
  // A 5 × 3 frame: full groups of four pixels, a tail and a single last row.
  auto frameWith = [&](const ImageKernels& kernels) {
    setImageKernels(kernels);
    std::vector<std::uint8_t> luma(6 * 3);
    std::vector<std::uint8_t> chroma(4 * 2);
    for (std::size_t i = 0; i < luma.size(); ++i) luma[i] = static_cast<std::uint8_t>(i * 37 + 5);
    for (std::size_t i = 0; i < chroma.size(); ++i) {
      chroma[i] = static_cast<std::uint8_t>(i * 71 + 90);
    }
    ImagePtr image = makeImage(5, 3, 32);
    convertVideoFrame(VideoFrame{luma.data(), 6, chroma.data(), 4, chroma.data() + 1, 4}, *image);
    return bytesOf(*image);
  };
  const ImageKernels selected = selectImageKernels(ImageSettings{}, detectCpuFeatures(), 2);
  EXPECT_EQ(blendWith(selected), blendWith(ImageKernels{}));
  EXPECT_EQ(fadeWith(selected), fadeWith(ImageKernels{}));
  EXPECT_EQ(frameWith(selected), frameWith(ImageKernels{}));
}

}  // namespace
}  // namespace tsuzuri::assets
