#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <span>
#include <string>
#include <vector>

#include "assets/image_buffer.h"
#include "assets/image_codecs.h"
#include "util/crc.h"

namespace tsuzuri::assets {
namespace {

void putBe32(std::string& out, std::uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8)
    out.push_back(static_cast<char>((v >> shift) & 0xFFU));
}

std::span<const std::uint8_t> asBytes(const std::string& s) {
  return {reinterpret_cast<const std::uint8_t*>(s.data()), s.size()};
}

std::string chunk(const std::string& type, const std::string& data) {
  std::string out;
  putBe32(out, static_cast<std::uint32_t>(data.size()));
  const std::string body = type + data;
  putBe32(out, util::crc32_hash2(body));
  return out.insert(4, body);
}

std::string textChunk(const std::string& key, const std::string& value) {
  return chunk("tEXt", key + std::string(1, '\0') + value);
}

// A zlib stream of stored (uncompressed) deflate blocks.
std::string zlibStored(const std::string& raw) {
  std::string out("\x78\x01", 2);
  std::size_t pos = 0;
  do {
    const std::size_t n = std::min<std::size_t>(raw.size() - pos, 65535);
    out.push_back(pos + n == raw.size() ? '\x01' : '\x00');
    const auto len = static_cast<std::uint16_t>(n);
    const auto nlen = static_cast<std::uint16_t>(~len);
    for (const std::uint16_t v : {len, nlen}) {
      out.push_back(static_cast<char>(v & 0xFF));
      out.push_back(static_cast<char>(v >> 8));
    }
    out.append(raw, pos, n);
    pos += n;
  } while (pos < raw.size());
  std::uint32_t a = 1;
  std::uint32_t b = 0;
  for (const char c : raw) {
    a = (a + static_cast<std::uint8_t>(c)) % 65521;
    b = (b + a) % 65521;
  }
  putBe32(out, b << 16 | a);
  return out;
}

// A PNG laid out by hand; `scanlines` are the raw rows, each with its
// filter byte.
struct PngLayout {
  std::uint32_t width = 1;
  std::uint32_t height = 1;
  std::uint8_t bitDepth = 8;
  std::uint8_t colorType = 0;
  std::string beforeImage = {};  // whole chunks
  std::string scanlines = {};
  std::string afterImage = {};
};

std::string pngFile(const PngLayout& p) {
  std::string ihdr;
  putBe32(ihdr, p.width);
  putBe32(ihdr, p.height);
  ihdr += static_cast<char>(p.bitDepth);
  ihdr += static_cast<char>(p.colorType);
  ihdr.append(3, '\0');
  return std::string("\x89PNG\r\n\x1A\n", 8) + chunk("IHDR", ihdr) + p.beforeImage +
         chunk("IDAT", zlibStored(p.scanlines)) + p.afterImage + chunk("IEND", "");
}

std::uint32_t argb(ImageBuffer& image, std::int32_t x, std::int32_t y) {
  const std::uint8_t* p = pixelAt(image, x, y);
  return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
         static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

std::string rgb(std::uint32_t c) {
  return {static_cast<char>(c >> 16), static_cast<char>(c >> 8), static_cast<char>(c)};
}

TEST(PngDecode, ColourTypesAndTransparency) {
  struct Case {
    const char* name;
    PngLayout layout;
    std::int32_t depth;
    std::vector<std::uint32_t> pixels;  // one row, 0xAARRGGBB
  };
  const std::string palette = chunk("PLTE", rgb(0xFF0000) + rgb(0x00FF00));
  const Case cases[] = {
      {"palette: red comes out as blue 0, red 255",
       {.width = 2,
        .bitDepth = 1,
        .colorType = 3,
        .beforeImage = palette,
        .scanlines = std::string("\x00\x40", 2)},
       24,
       {0xFFFF0000, 0xFF00FF00}},
      {"palette with tRNS",
       {.width = 2,
        .bitDepth = 8,
        .colorType = 3,
        .beforeImage = palette + chunk("tRNS", "\x10"),
        .scanlines = std::string("\x00\x00\x01", 3)},
       32,
       {0x10FF0000, 0xFF00FF00}},
      {"gray without tRNS",
       {.width = 2, .scanlines = std::string("\x00\x00\x7F", 3)},
       24,
       {0xFF000000, 0xFF7F7F7F}},
      {"gray with tRNS",
       {.width = 2,
        .beforeImage = chunk("tRNS", std::string("\x00\x7F", 2)),
        .scanlines = std::string("\x00\x00\x7F", 3)},
       32,
       {0xFF000000, 0x007F7F7F}},
      {"2-bit gray is scaled to 8 bits",
       {.width = 4, .bitDepth = 2, .scanlines = std::string("\x00\x1B", 2)},
       24,
       {0xFF000000, 0xFF555555, 0xFFAAAAAA, 0xFFFFFFFF}},
      {"16-bit samples keep their high byte",
       {.width = 1,
        .bitDepth = 16,
        .colorType = 2,
        .scanlines = std::string("\x00\x12\xFF\x34\x00\x56\x01", 7)},
       24,
       {0xFF123456}},
      {"gray and alpha",
       {.width = 1, .colorType = 4, .scanlines = std::string("\x00\x40\x80", 3)},
       32,
       {0x80404040}},
      {"RGBA keeps its alpha",
       {.width = 1, .colorType = 6, .scanlines = std::string("\x00\x01\x02\x03\x04", 5)},
       32,
       {0x04010203}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string file = pngFile(c.layout);
    ImagePtr image = decodePng(asBytes(file));
    ASSERT_TRUE(image);
    EXPECT_EQ(image->depth, c.depth);
    ASSERT_EQ(image->pixelCount, static_cast<std::int32_t>(c.pixels.size()));
    for (std::int32_t x = 0; x < image->width; ++x) {
      EXPECT_EQ(argb(*image, x, 0), c.pixels[static_cast<std::size_t>(x)]) << x;
    }
    EXPECT_TRUE(loadImage(asBytes(file)));
  }
}

TEST(PngDecode, LayerTags) {
  struct Case {
    const char* name;
    std::string before;
    std::string after;
    std::string layerName;
    std::int32_t left;
    std::int32_t top;
    std::uint32_t mode;
  };
  const Case cases[] = {
      {"after the image; negative values as two's complement", "",
       textChunk("Name", "bg01.png") + textChunk("Left", "FFFFFFFB") + textChunk("Top", "  1a") +
           textChunk("Mode", "-3"),
       "bg01.png", -5, 26, 0xFFFFFFFDU},
      {"before the image", textChunk("Left", "10") + textChunk("Mode", "7"), "", "", 16, 0, 7},
      {"the later chunk wins", textChunk("Top", "1"), textChunk("Top", "2"), "", 0, 2, 0},
      {"other keys are ignored", textChunk("Comment", "x") + textChunk("left", "5"), "", "", 0, 0,
       0},
      {"long names are cut to 255 bytes", "", textChunk("Name", std::string(300, 'n')),
       std::string(255, 'n'), 0, 0, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ImagePtr image = decodePng(asBytes(pngFile(
        {.beforeImage = c.before, .scanlines = std::string(2, '\0'), .afterImage = c.after})));
    ASSERT_TRUE(image);
    EXPECT_EQ(std::string(image->name), c.layerName);
    EXPECT_EQ(image->left, c.left);
    EXPECT_EQ(image->top, c.top);
    EXPECT_EQ(image->mode, c.mode);
  }
}

TEST(PngDecode, RefusesBadFiles) {
  const std::string valid = pngFile({.width = 2, .height = 2, .scanlines = std::string(6, '\x01')});
  std::string badCrc = valid;
  badCrc[valid.size() - 12 - 5] ^= 0x01;  // inside the IDAT data
  std::string colourType5 = valid;
  colourType5[25] = 5;
  std::string badSignature = valid;
  badSignature[3] = 'g';
  std::string textFirst = valid;
  textFirst.insert(8, textChunk("Name", "x"));
  struct Case {
    const char* name;
    std::string file;
  };
  const Case cases[] = {
      {"shorter than the IHDR fields", valid.substr(0, 25)},
      {"IHDR not first", textFirst},
      {"unknown colour type", colourType5},
      {"zero width", pngFile({.width = 0, .scanlines = std::string(1, '\0')})},
      {"zero height", pngFile({.height = 0, .scanlines = ""})},
      {"width above the limit", pngFile({.width = static_cast<std::uint32_t>(kMaxImageSide) + 1,
                                         .scanlines = std::string(1, '\0')})},
      {"width beyond 31 bits", pngFile({.width = 0x80000001U, .scanlines = std::string(1, '\0')})},
      // Gigabytes of pixels from a few bytes: refused before the record is made.
      {"huge image, tiny data", pngFile({.width = static_cast<std::uint32_t>(kMaxImageSide),
                                         .height = static_cast<std::uint32_t>(kMaxImageSide),
                                         .bitDepth = 1,
                                         .scanlines = std::string(5, '\0')})},
      {"too little image data",
       pngFile({.width = 2, .height = 2, .scanlines = std::string(3, '\0')})},
      {"bad CRC", badCrc},
      {"bad signature", badSignature},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_FALSE(decodePng(asBytes(c.file)));
  }
  for (std::size_t length = 0; length < valid.size(); ++length) {
    SCOPED_TRACE(length);
    EXPECT_FALSE(decodePng(asBytes(valid.substr(0, length))));
  }
  EXPECT_TRUE(decodePng(asBytes(valid)));
}

// A 5 × 3 record of distinct colours and alphas.
ImagePtr sampleImage() {
  ImagePtr image = makeImage(5, 3, 32);
  for (std::int32_t y = 0; y < 3; ++y) {
    for (std::int32_t x = 0; x < 5; ++x) {
      std::uint8_t* p = pixelAt(*image, x, y);
      p[0] = static_cast<std::uint8_t>(x * 50);
      p[1] = static_cast<std::uint8_t>(y * 100);
      p[2] = static_cast<std::uint8_t>(255 - x * 20 - y);
      p[3] = static_cast<std::uint8_t>(x * 60 + y);
    }
  }
  return image;
}

// Whether a chunk of `type` (with data starting with `prefix`) lies before
// the first IDAT.
bool hasChunkBeforeImage(const std::vector<std::uint8_t>& bytes, const std::string& type,
                         const std::string& data) {
  const std::string file(bytes.begin(), bytes.end());
  const std::size_t at = file.find(type + data);
  return at != std::string::npos && at < file.find("IDAT");
}

TEST(PngEncode, RoundTrips) {
  for (const std::int32_t depth : {8, 24, 32}) {
    for (const std::int32_t option : {0, 1}) {
      SCOPED_TRACE(testing::Message() << "depth " << depth << " option " << option);
      ImagePtr image = sampleImage();
      const EncodedImage encoded = encodePng(*image, depth, 9, option);
      ASSERT_TRUE(encoded.ok);
      ASSERT_GT(encoded.bytes.size(), 29U);
      EXPECT_EQ(encoded.bytes[24], 8);  // bits per sample
      EXPECT_EQ(encoded.bytes[25], depth == 8 ? 0 : depth == 24 ? 2 : 6);
      EXPECT_EQ(encoded.bytes[28], option);
      EXPECT_FALSE(hasChunkBeforeImage(encoded.bytes, "tEXt", ""));
      ImagePtr back = decodePng(encoded.bytes);
      ASSERT_TRUE(back);
      EXPECT_EQ(back->depth, depth == 32 ? 32 : 24);
      for (std::int32_t y = 0; y < 3; ++y) {
        for (std::int32_t x = 0; x < 5; ++x) {
          const std::uint8_t* p = pixelAt(*image, x, y);
          std::uint32_t expected = argb(*image, x, y);
          if (depth == 8) {
            expected = luminance(p[2], p[1], p[0]) * 0x010101U | 0xFF000000U;
          } else if (depth == 24) {
            expected |= 0xFF000000U;
          }
          EXPECT_EQ(argb(*back, x, y), expected) << x << "," << y;
        }
      }
    }
  }
}

TEST(PngEncode, LayerTags) {
  struct Case {
    const char* name;
    std::string recordName;
    std::int32_t left;
    std::int32_t top;
    std::uint32_t mode;
    std::string writtenName;
    std::vector<std::string> chunks;  // tEXt data expected before the image
  };
  const Case cases[] = {
      {"renamed to png, negative left as two's complement",
       "bg01.bmp",
       -5,
       0,
       3,
       "bg01.png",
       {std::string("Name\0bg01.png", 13), std::string("Left\0FFFFFFFB", 13),
        std::string("Top\0"
                    "0",
                    5),
        std::string("Mode\0"
                    "3",
                    6)}},
      {"a mode alone writes the tags; negative mode in decimal",
       "",
       0x1F,
       -1,
       0xFFFFFFFEU,
       "",
       {std::string("Name\0", 5),
        std::string("Left\0"
                    "1F",
                    7),
        std::string("Top\0FFFFFFFF", 12), std::string("Mode\0-2", 7)}},
      {"no extension to replace", "layer", 1, 2, 0, "layer", {std::string("Name\0layer", 10)}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ImagePtr image = sampleImage();
    std::strcpy(image->name, c.recordName.c_str());
    image->left = c.left;
    image->top = c.top;
    image->mode = c.mode;
    const EncodedImage encoded = encodePng(*image, 24, 6, 0);
    ASSERT_TRUE(encoded.ok);
    EXPECT_EQ(std::string(image->name), c.writtenName);
    for (const auto& data : c.chunks) {
      EXPECT_TRUE(hasChunkBeforeImage(encoded.bytes, "tEXt", data)) << testing::PrintToString(data);
    }
    ImagePtr back = decodePng(encoded.bytes);
    ASSERT_TRUE(back);
    EXPECT_EQ(std::string(back->name), c.writtenName);
    EXPECT_EQ(back->left, c.left);
    EXPECT_EQ(back->top, c.top);
    EXPECT_EQ(back->mode, c.mode);
  }
}

TEST(PngEncode, LibraryErrorFailsWithoutMessage) {
  ImagePtr image = sampleImage();
  const EncodedImage encoded = encodePng(*image, 24, 10, 0);  // no such zlib level
  EXPECT_FALSE(encoded.ok);
  EXPECT_TRUE(encoded.message.empty());
  EXPECT_TRUE(encoded.bytes.empty());
}

// ---- PngSuite ----

std::filesystem::path suiteFolder() {
  const char* env = std::getenv("TSUZURI_TESTDATA");
  return std::filesystem::path(env != nullptr ? env : "/work/shared/testdata") / "pngsuite";
}

std::vector<std::uint8_t> readFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<std::filesystem::path> suiteFiles(const std::string& prefix) {
  std::vector<std::filesystem::path> out;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(suiteFolder(), error)) {
    const std::string name = entry.path().filename().string();
    if (name.starts_with(prefix) && name.ends_with(".png")) out.push_back(entry.path());
  }
  std::sort(out.begin(), out.end());
  return out;
}

ImagePtr suiteImage(const std::string& name) {
  return decodePng(readFile(suiteFolder() / name));
}

TEST(PngSuite, BasicFormatsDecode) {
  const auto files = suiteFiles("bas");
  if (files.empty()) GTEST_SKIP() << "no PngSuite under " << suiteFolder();
  EXPECT_EQ(files.size(), 30U);
  for (const auto& path : files) {
    const std::string name = path.filename().string();
    SCOPED_TRACE(name);
    ImagePtr image = decodePng(readFile(path));
    ASSERT_TRUE(image);
    EXPECT_EQ(image->width, 32);
    EXPECT_EQ(image->height, 32);
    // Colour type 4 and 6 carry alpha; none of these files has tRNS.
    EXPECT_EQ(image->depth, name[4] == '4' || name[4] == '6' ? 32 : 24);
    if (name[3] == 'i') {
      // The interlaced files hold the same pixels as their plain twins.
      ImagePtr plain = suiteImage("basn" + name.substr(4));
      ASSERT_TRUE(plain);
      EXPECT_EQ(std::memcmp(image->pixels, plain->pixels, 32 * 32 * 4), 0);
    }
  }
}

TEST(PngSuite, KnownPixels) {
  if (suiteFiles("basn").empty()) GTEST_SKIP() << "no PngSuite under " << suiteFolder();
  struct Case {
    const char* file;
    std::int32_t x;
    std::int32_t y;
    std::uint32_t argb;
  };
  const Case cases[] = {
      // Gray ramp: the sample is x + 32 y, wrapping.
      {"basn0g08.png", 5, 0, 0xFF050505},
      {"basn0g08.png", 0, 1, 0xFF202020},
      // Ramps along x: blue falls in the top band, red in the middle one, all
      // three in the last row.
      {"basn2c08.png", 0, 0, 0xFFFFFFFF},
      {"basn2c08.png", 31, 0, 0xFFFFFFE0},
      {"basn2c08.png", 31, 16, 0xFFE0FFFF},
      {"basn2c08.png", 31, 31, 0xFF000000},
      // Two palette colours in stripes four pixels wide.
      {"basn3p01.png", 0, 0, 0xFFEEFF22},
      {"basn3p01.png", 4, 0, 0xFF2266FF},
      {"basn3p01.png", 0, 4, 0xFF2266FF},
      // Alpha rises along x.
      {"basn6a08.png", 0, 0, 0x00FF0008},
      {"basn6a08.png", 31, 0, 0xFFFF0008},
      {"basn6a08.png", 8, 31, 0x410020FF},
      // Gray with a tRNS chunk gains alpha.
      {"tbbn0g04.png", 0, 0, 0x00FFFFFF},
      {"tbbn0g04.png", 2, 8, 0xFFDDDDDD},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.file << " " << c.x << "," << c.y);
    ImagePtr image = suiteImage(c.file);
    ASSERT_TRUE(image);
    EXPECT_EQ(argb(*image, c.x, c.y), c.argb);
  }
  ImagePtr transparent = suiteImage("tbbn0g04.png");
  ASSERT_TRUE(transparent);
  EXPECT_EQ(transparent->depth, 32);
}

TEST(PngSuite, CorruptFilesAreRefused) {
  const auto files = suiteFiles("x");
  if (files.empty()) GTEST_SKIP() << "no PngSuite under " << suiteFolder();
  EXPECT_EQ(files.size(), 14U);
  for (const auto& path : files) {
    SCOPED_TRACE(path.filename().string());
    EXPECT_FALSE(loadImage(readFile(path)));
    EXPECT_FALSE(decodePng(readFile(path)));
  }
}

TEST(PngSuite, EveryValidFileDecodes) {
  const auto files = suiteFiles("");
  if (files.empty()) GTEST_SKIP() << "no PngSuite under " << suiteFolder();
  for (const auto& path : files) {
    const std::string name = path.filename().string();
    if (name.starts_with("x")) continue;
    SCOPED_TRACE(name);
    ImagePtr image = decodePng(readFile(path));
    ASSERT_TRUE(image);
    EXPECT_EQ(image->pixelCount, image->width * image->height);
  }
}

}  // namespace
}  // namespace tsuzuri::assets
