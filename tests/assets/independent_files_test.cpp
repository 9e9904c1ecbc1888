// Files written by another encoder (tools/gen_image_fixtures.py, with
// Pillow) decode to the pixels that encoder reads back from them.

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <span>
#include <string>
#include <vector>

#include "assets/image_codecs.h"

namespace tsuzuri::assets {
namespace {

std::vector<std::uint8_t> readAll(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

struct Fixture {
  const char* name;
  std::int32_t depth;
  int tolerance;  // per channel: 0 for lossless files, a few steps for JPEG
  // The reader of the other encoder takes the fourth byte of a 32-bit BMP
  // as padding, the engine as alpha: only the colours are compared then.
  bool colourOnly = false;
};

TEST(IndependentFiles, DecodeAsTheirEncoderReadsThem) {
  const std::string folder = std::string(TSUZURI_TEST_DATA_DIR) + "/";
  const Fixture fixtures[] = {
      {"pillow_rgb24.bmp", 24, 0},       {"pillow_rgba32.bmp", 32, 0, true},
      {"pillow_gray8.bmp", 24, 0},       {"pillow_palette8.bmp", 24, 0},
      {"pillow_bilevel1.bmp", 24, 0},    {"pillow_color.jpg", 24, 2},
      {"pillow_progressive.jpg", 24, 2}, {"pillow_gray.jpg", 24, 2},
  };
  for (const Fixture& fixture : fixtures) {
    SCOPED_TRACE(fixture.name);
    const std::vector<std::uint8_t> file = readAll(folder + fixture.name);
    const std::vector<std::uint8_t> expected = readAll(folder + fixture.name + ".bgra");
    ASSERT_FALSE(file.empty());
    const ImagePtr image = loadImage(std::span<const std::uint8_t>(file));
    ASSERT_TRUE(image);
    EXPECT_EQ(image->width, 13);
    EXPECT_EQ(image->height, 7);
    EXPECT_EQ(image->depth, fixture.depth);
    ASSERT_EQ(expected.size(), static_cast<std::size_t>(image->pixelCount) * 4);
    int worst = 0;
    for (std::size_t i = 0; i < expected.size(); ++i) {
      if (fixture.colourOnly && i % 4 == 3) continue;
      worst = std::max(worst, std::abs(int{image->pixels[i]} - int{expected[i]}));
    }
    EXPECT_LE(worst, fixture.tolerance);
  }
  // The alpha the picture was made with: 255 - (x + y) * 9.
  const std::vector<std::uint8_t> file = readAll(folder + "pillow_rgba32.bmp");
  const ImagePtr image = loadImage(std::span<const std::uint8_t>(file));
  ASSERT_TRUE(image);
  EXPECT_EQ(pixelAt(*image, 12, 6)[3], 255 - 18 * 9);
}

}  // namespace
}  // namespace tsuzuri::assets
