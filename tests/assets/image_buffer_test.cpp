#include "assets/image_buffer.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace tsuzuri::assets {
namespace {

void setName(ImageBuffer& image, const std::string& name) {
  ASSERT_LT(name.size(), sizeof image.name);
  std::memset(image.name, 0, sizeof image.name);
  std::memcpy(image.name, name.data(), name.size());
}

TEST(ImageBuffer, CreateRefusesSidesOutsideTheAcceptedRange) {
  EXPECT_EQ(createImage(0, 10, 32), nullptr);
  EXPECT_EQ(createImage(10, 0, 32), nullptr);
  EXPECT_EQ(createImage(-1, 10, 32), nullptr);
  EXPECT_EQ(createImage(10, -10, 24), nullptr);
  EXPECT_EQ(createImage(kMaxImageSide + 1, 1, 32), nullptr);
  EXPECT_EQ(createImage(1, kMaxImageSide + 1, 32), nullptr);
  EXPECT_NE(makeImage(kMaxImageSide, 1, 32), nullptr);
  EXPECT_NE(makeImage(1, kMaxImageSide, 8), nullptr);
}

TEST(ImageBuffer, CreateFillsTheRecordAndClearsTheSpareRow) {
  for (const auto& [width, height] : {std::pair{1, 1}, std::pair{3, 5}, std::pair{17, 2}}) {
    ImagePtr image = makeImage(width, height, 24);
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->width, width);
    EXPECT_EQ(image->height, height);
    EXPECT_EQ(image->depth, 24);
    EXPECT_EQ(image->pixelCount, width * height);
    EXPECT_EQ(image->name[0], '\0');
    EXPECT_EQ(image->left, 0);
    EXPECT_EQ(image->top, 0);
    EXPECT_EQ(image->mode, 0U);
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(image->pixels) % 16, 0U);
    // The row after the last and the spare bytes after it, which filters
    // that read one row ahead rely on.
    const std::size_t rows = static_cast<std::size_t>(width * height) * 4;
    const std::size_t spare = static_cast<std::size_t>(width * 4 + height);
    for (std::size_t i = 0; i < spare; ++i) ASSERT_EQ(image->pixels[rows + i], 0) << i;
    // The rows are writable to their very end.
    std::memset(image->pixels, 0xAB, rows);
    EXPECT_EQ(pixelAt(*image, width - 1, height - 1)[3], 0xAB);
  }
}

TEST(ImageBuffer, FreeReleasesAndNullsTheCallersPointer) {
  ImageBuffer* image = createImage(2, 2, 32);
  ASSERT_NE(image, nullptr);
  freeImage(&image);
  EXPECT_EQ(image, nullptr);
  freeImage(&image);  // a null record is ignored
  freeImage(nullptr);
}

TEST(ImageBuffer, LuminanceWeighsAndRoundsTheChannels) {
  EXPECT_EQ(luminance(0, 0, 0), 0);
  EXPECT_EQ(luminance(255, 255, 255), 255);
  EXPECT_EQ(luminance(255, 0, 0), 76);   // 76.72
  EXPECT_EQ(luminance(0, 255, 0), 150);  // 150.09
  EXPECT_EQ(luminance(0, 0, 255), 29);   // 29.69
  EXPECT_EQ(luminance(10, 20, 30), 18);  // 18.67
  EXPECT_EQ(luminance(1, 0, 0), 0);      // 0.80
  EXPECT_EQ(luminance(2, 0, 0), 1);      // 1.10
}

TEST(ImageBuffer, RenameExtensionReplacesOnlyAThreeLetterExtension) {
  ImageBuffer image{};
  const auto renamed = [&](const std::string& name) {
    setName(image, name);
    renameExtension(image, "png");
    return std::string(image.name);
  };
  EXPECT_EQ(renamed("bg01.bmp"), "bg01.png");
  EXPECT_EQ(renamed("dir.x/bg01.tlg"), "dir.x/bg01.png");
  EXPECT_EQ(renamed(".bmp"), ".png");
  EXPECT_EQ(renamed("bg01.jpeg"), "bg01.jpeg");
  EXPECT_EQ(renamed("bg01"), "bg01");
  EXPECT_EQ(renamed("bmp"), "bmp");
  EXPECT_EQ(renamed(""), "");
  EXPECT_EQ(renamed(std::string(251, 'a') + ".bmp"), std::string(251, 'a') + ".png");

  // A name that fills the whole field without a NUL still ends where the field does.
  std::memset(image.name, 'a', sizeof image.name);
  std::memcpy(image.name + sizeof image.name - 4, ".bmp", 4);
  renameExtension(image, "jpg");
  EXPECT_EQ(std::memcmp(image.name + sizeof image.name - 4, ".jpg", 4), 0);
}

}  // namespace
}  // namespace tsuzuri::assets
