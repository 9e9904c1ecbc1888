#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <span>
#include <string>
#include <vector>

#include "assets/image_buffer.h"
#include "assets/image_codecs.h"

namespace tsuzuri::assets {
namespace {

void putLe(std::string& out, std::uint32_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<char>((v >> (8 * i)) & 0xFFU));
}

std::uint32_t le32At(const std::vector<std::uint8_t>& bytes, std::size_t offset) {
  std::uint32_t v = 0;
  for (std::size_t i = 0; i < 4; ++i) v |= static_cast<std::uint32_t>(bytes[offset + i]) << (8 * i);
  return v;
}

std::span<const std::uint8_t> asBytes(const std::string& s) {
  return {reinterpret_cast<const std::uint8_t*>(s.data()), s.size()};
}

// A BMP laid out by hand. `rows` are the stored rows, padding included, in
// file order; `palette` is the raw palette bytes.
struct BmpLayout {
  bool coreHeader = false;
  std::int32_t width = 1;
  std::int32_t height = 1;
  std::uint32_t bitCount = 24;
  std::uint32_t compression = 0;
  std::string palette = {};
  std::vector<std::string> rows = {};
};

std::string bmpFile(const BmpLayout& b) {
  std::string header;
  if (b.coreHeader) {
    putLe(header, 12, 4);
    putLe(header, static_cast<std::uint32_t>(b.width), 2);
    putLe(header, static_cast<std::uint32_t>(b.height), 2);
    putLe(header, 1, 2);
    putLe(header, b.bitCount, 2);
  } else {
    putLe(header, 40, 4);
    putLe(header, static_cast<std::uint32_t>(b.width), 4);
    putLe(header, static_cast<std::uint32_t>(b.height), 4);
    putLe(header, 1, 2);
    putLe(header, b.bitCount, 2);
    putLe(header, b.compression, 4);
    header.append(20, '\0');
  }
  std::string pixels;
  for (const auto& row : b.rows) pixels += row;
  const auto offset = static_cast<std::uint32_t>(14 + header.size() + b.palette.size());
  std::string file = "BM";
  putLe(file, offset + static_cast<std::uint32_t>(pixels.size()), 4);
  putLe(file, 0, 4);
  putLe(file, offset, 4);
  return file + header + b.palette + pixels;
}

// Palette entries blue, green, red, unused.
std::string paletteOf(const std::vector<std::uint32_t>& rgb, std::size_t entries) {
  std::string out;
  for (std::size_t i = 0; i < entries; ++i) {
    const std::uint32_t c = i < rgb.size() ? rgb[i] : 0;
    putLe(out, (c & 0xFFFFFFU) | 0x5A000000U, 4);  // the fourth byte must be ignored
  }
  return out;
}

// The pixel at (x, y) as 0xAARRGGBB.
std::uint32_t argb(ImageBuffer& image, std::int32_t x, std::int32_t y) {
  const std::uint8_t* p = pixelAt(image, x, y);
  return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
         static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

std::vector<std::uint32_t> allPixels(ImageBuffer& image) {
  std::vector<std::uint32_t> out;
  for (std::int32_t y = 0; y < image.height; ++y) {
    for (std::int32_t x = 0; x < image.width; ++x) out.push_back(argb(image, x, y));
  }
  return out;
}

constexpr std::uint32_t kRed = 0xFF0000;
constexpr std::uint32_t kGreen = 0x00FF00;
constexpr std::uint32_t kBlue = 0x0000FF;
constexpr std::uint32_t kWhite = 0xFFFFFF;

struct DecodeCase {
  const char* name;
  BmpLayout layout;
  std::int32_t depth;
  std::vector<std::uint32_t> pixels;  // top-down, 0xAARRGGBB
};

TEST(BmpDecode, HandBuiltFiles) {
  const std::string two = paletteOf({kRed, kBlue}, 2);
  const DecodeCase cases[] = {
      {"1 bit, width 10: exactly ten pixels from the high bits first",
       {.width = 10,
        .height = 2,
        .bitCount = 1,
        .palette = two,
        .rows = {std::string("\x00\x7F\xFF\xFF", 4), std::string("\xA5\xBF\xFF\xFF", 4)}},
       24,
       {0xFF0000FF, 0xFFFF0000, 0xFF0000FF, 0xFFFF0000, 0xFFFF0000, 0xFF0000FF,
        0xFFFF0000, 0xFF0000FF, 0xFF0000FF, 0xFFFF0000,  // the last stored row comes first
        0xFFFF0000, 0xFFFF0000, 0xFFFF0000, 0xFFFF0000, 0xFFFF0000, 0xFFFF0000,
        0xFFFF0000, 0xFFFF0000, 0xFFFF0000, 0xFF0000FF}},
      {"4 bit",
       {.width = 3,
        .height = 1,
        .bitCount = 4,
        .palette = paletteOf({kRed, kGreen, kBlue, kWhite}, 16),
        .rows = {std::string("\x21\x3F\x00\x00", 4)}},
       24,
       {0xFF0000FF, 0xFF00FF00, 0xFFFFFFFF}},
      {"8 bit",
       {.width = 2,
        .height = 1,
        .bitCount = 8,
        .palette = paletteOf({0, 0, 0, 0x123456}, 256),
        .rows = {std::string("\x03\x00\x00\x00", 4)}},
       24,
       {0xFF123456, 0xFF000000}},
      {"24 bit, bottom-up",
       {.width = 1,
        .height = 2,
        .bitCount = 24,
        .rows = {std::string("\x01\x02\x03\x00", 4), std::string("\x04\x05\x06\x00", 4)}},
       24,
       {0xFF060504, 0xFF030201}},
      {"negative height keeps the stored order",
       {.width = 1,
        .height = -2,
        .bitCount = 24,
        .rows = {std::string("\x01\x02\x03\x00", 4), std::string("\x04\x05\x06\x00", 4)}},
       24,
       {0xFF030201, 0xFF060504}},
      {"32 bit keeps the fourth byte as alpha",
       {.width = 2,
        .height = 1,
        .bitCount = 32,
        .rows = {std::string("\x01\x02\x03\x00\x04\x05\x06\x80", 8)}},
       32,
       {0x00030201, 0x80060504}},
      {"core header, palette right after it",
       {.coreHeader = true,
        .width = 2,
        .height = 1,
        .bitCount = 1,
        .palette = two,
        .rows = {std::string("\x40\x00\x00\x00", 4)}},
       24,
       {0xFFFF0000, 0xFF0000FF}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string file = bmpFile(c.layout);
    ImagePtr image = decodeBmp(asBytes(file));
    ASSERT_TRUE(image);
    EXPECT_EQ(image->depth, c.depth);
    EXPECT_EQ(image->pixelCount, static_cast<std::int32_t>(c.pixels.size()));
    EXPECT_EQ(allPixels(*image), c.pixels);
    // Through the format detection as well.
    EXPECT_TRUE(loadImage(asBytes(file)));
  }
}

TEST(BmpDecode, MissingLastRowPaddingIsAccepted) {
  std::string file =
      bmpFile({.width = 1, .height = 1, .rows = {std::string("\x01\x02\x03\x00", 4)}});
  file.pop_back();
  ImagePtr image = decodeBmp(asBytes(file));
  ASSERT_TRUE(image);
  EXPECT_EQ(argb(*image, 0, 0), 0xFF030201U);
}

TEST(BmpDecode, RefusesBadFiles) {
  const std::string row24("\x01\x02\x03\x00", 4);
  const std::string valid8 = bmpFile({.width = 1,
                                      .height = 1,
                                      .bitCount = 8,
                                      .palette = paletteOf({}, 256),
                                      .rows = {std::string("\x01\x00\x00\x00", 4)}});
  std::string offsetPastEnd = bmpFile({.rows = {row24}});
  offsetPastEnd[10] = '\x7F';
  offsetPastEnd[13] = '\x7F';
  struct Case {
    const char* name;
    std::string file;
  };
  const Case cases[] = {
      {"shorter than the header size field", "BM" + std::string(13, '\0')},
      {"shorter than the info header", bmpFile({.rows = {row24}}).substr(0, 30)},
      {"compression", bmpFile({.compression = 1, .rows = {row24}})},
      {"bit fields", bmpFile({.bitCount = 32, .compression = 3, .rows = {row24}})},
      {"16 bits", bmpFile({.bitCount = 16, .rows = {row24}})},
      {"2 bits", bmpFile({.bitCount = 2, .palette = paletteOf({}, 4), .rows = {row24}})},
      {"zero width", bmpFile({.width = 0, .rows = {row24}})},
      {"zero height", bmpFile({.height = 0, .rows = {row24}})},
      {"negative width", bmpFile({.width = -1, .rows = {row24}})},
      {"lowest height", bmpFile({.height = INT32_MIN, .rows = {row24}})},
      {"width above the limit", bmpFile({.width = kMaxImageSide + 1, .rows = {row24}})},
      // Sides within the limit whose product would need gigabytes: refused
      // from the file size before anything is allocated.
      {"huge image, tiny data",
       bmpFile({.width = kMaxImageSide, .height = kMaxImageSide, .rows = {row24}})},
      {"palette shorter than the bit count needs",
       bmpFile({.bitCount = 8, .palette = paletteOf({}, 2), .rows = {}})},
      {"truncated pixel data", bmpFile({.width = 2, .height = 2, .rows = {row24}})},
      {"pixel offset past the end", offsetPastEnd},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_FALSE(decodeBmp(asBytes(c.file)));
  }
  // Any cut into the palette or the pixels fails cleanly.
  for (std::size_t length = 0; length + 3 < valid8.size(); ++length) {
    SCOPED_TRACE(length);
    EXPECT_FALSE(decodeBmp(asBytes(valid8.substr(0, length))));
  }
}

// A 3 × 2 record whose rows need padding at every bit count.
ImagePtr sampleImage() {
  ImagePtr image = makeImage(3, 2, 32);
  const std::uint32_t colours[] = {0x80102030, 0xFFFF0000, 0x0000FF00,
                                   0x400000FF, 0xFFFFFFFF, 0x7F000000};
  for (int i = 0; i < 6; ++i) std::memcpy(pixelAt(*image, i % 3, i / 3), &colours[i], 4);
  return image;
}

TEST(BmpEncode, LayoutAtEachDepth) {
  struct Case {
    std::int32_t depth;
    std::uint32_t bitCount;
    std::uint32_t stride;
    std::uint32_t paletteSize;
  };
  const Case cases[] = {{8, 8, 4, 1024}, {4, 8, 4, 1024}, {24, 24, 12, 0}, {32, 32, 12, 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.depth);
    ImagePtr image = sampleImage();
    const EncodedImage encoded = encodeBmp(*image, c.depth);
    ASSERT_TRUE(encoded.ok);
    const std::vector<std::uint8_t>& b = encoded.bytes;
    const std::uint32_t offset = 54 + c.paletteSize;
    ASSERT_EQ(b.size(), offset + c.stride * 2);
    EXPECT_EQ(b[0], 'B');
    EXPECT_EQ(b[1], 'M');
    EXPECT_EQ(le32At(b, 2), b.size());
    EXPECT_EQ(le32At(b, 6), 0U);
    EXPECT_EQ(le32At(b, 10), offset);
    EXPECT_EQ(le32At(b, 14), 40U);
    EXPECT_EQ(le32At(b, 18), 3U);
    EXPECT_EQ(le32At(b, 22), 2U);  // positive: bottom-up
    EXPECT_EQ(le32At(b, 26), 1U | c.bitCount << 16);
    EXPECT_EQ(le32At(b, 30), 0U);
    EXPECT_EQ(le32At(b, 34), c.stride * 2);
    for (std::size_t field = 38; field < 54; field += 4) EXPECT_EQ(le32At(b, field), 0U);
    if (c.paletteSize != 0) {
      EXPECT_EQ(le32At(b, 54), 0U);
      EXPECT_EQ(le32At(b, 54 + 4 * 0x7F), 0x007F7F7FU);
      EXPECT_EQ(le32At(b, 54 + 4 * 255), 0x00FFFFFFU);
    }
    // The first stored row is the record's last one: white sits in its middle.
    const std::size_t bytesPerPixel = c.bitCount / 8;
    EXPECT_EQ(b[offset + bytesPerPixel], 0xFF);
    if (c.bitCount == 32) {
      EXPECT_EQ(le32At(b, offset), 0x400000FFU);
    }
    // Padding is zero.
    for (std::size_t i = bytesPerPixel * 3; i < c.stride; ++i) {
      EXPECT_EQ(b[offset + i], 0);
      EXPECT_EQ(b[offset + c.stride + i], 0);
    }
  }
}

TEST(BmpEncode, RoundTrips) {
  for (const std::int32_t depth : {8, 24, 32}) {
    SCOPED_TRACE(depth);
    ImagePtr image = sampleImage();
    const EncodedImage encoded = encodeBmp(*image, depth);
    ASSERT_TRUE(encoded.ok);
    ImagePtr back = decodeBmp(encoded.bytes);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->depth, depth == 32 ? 32 : 24);
    for (std::int32_t y = 0; y < 2; ++y) {
      for (std::int32_t x = 0; x < 3; ++x) {
        const std::uint32_t original = argb(*image, x, y);
        std::uint32_t expected = original;
        if (depth == 8) {
          const std::uint8_t* p = pixelAt(*image, x, y);
          expected = luminance(p[2], p[1], p[0]) * 0x010101U | 0xFF000000U;
        } else if (depth == 24) {
          expected = original | 0xFF000000U;
        }
        EXPECT_EQ(argb(*back, x, y), expected) << x << "," << y;
      }
    }
  }
}

}  // namespace
}  // namespace tsuzuri::assets
