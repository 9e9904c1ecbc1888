#include <gtest/gtest.h>
#include <zlib.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "assets/image_codecs.h"

namespace tsuzuri::assets {
namespace {

using Bytes = std::vector<std::uint8_t>;
using AlphaFn = std::function<std::uint8_t(int x, int y)>;

// A smooth colour picture, the kind JPEG keeps well, with the given alpha.
ImagePtr makePicture(int width, int height, const AlphaFn& alphaAt) {
  ImagePtr image = makeImage(width, height, 32);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      std::uint8_t* p = pixelAt(*image, x, y);
      p[0] = static_cast<std::uint8_t>(40 + x * 150 / width);
      p[1] = static_cast<std::uint8_t>(60 + y * 150 / height);
      p[2] = static_cast<std::uint8_t>(128 + (x + y) * 100 / (width + height));
      p[3] = alphaAt(x, y);
    }
  }
  return image;
}

const AlphaFn opaque = [](int, int) { return std::uint8_t{255}; };
// Alpha that PNG's row filters reduce to identical rows: PNG is the smallest.
const AlphaFn productAlpha = [](int x, int y) { return static_cast<std::uint8_t>(x * y); };

Bytes planeOf(const ImageBuffer& image) {
  Bytes plane(static_cast<std::size_t>(image.pixelCount));
  for (std::size_t i = 0; i < plane.size(); ++i) plane[i] = image.pixels[i * 4 + 3];
  return plane;
}

Bytes encode(ImageBuffer& image, int depth, int quality = 90, int option = 0) {
  EncodedImage encoded = encodeJpeg(image, depth, quality, option);
  EXPECT_TRUE(encoded.ok);
  EXPECT_EQ(encoded.message, "");
  return encoded.bytes;
}

// The largest difference of blue, green and red, or of alpha.
int maxError(const ImageBuffer& a, const ImageBuffer& b, bool alpha = false) {
  int worst = 0;
  for (std::size_t i = 0; i < static_cast<std::size_t>(a.pixelCount) * 4; ++i) {
    if ((i % 4 == 3) == alpha) worst = std::max(worst, std::abs(a.pixels[i] - b.pixels[i]));
  }
  return worst;
}

bool allOpaque(const ImageBuffer& image) {
  return planeOf(image) == Bytes(static_cast<std::size_t>(image.pixelCount), 255);
}

// The offset of the first segment with `marker` before the first scan, or
// std::string::npos.
std::size_t findMarker(const Bytes& file, std::uint8_t marker) {
  std::size_t at = 2;
  while (at + 4 <= file.size() && file[at] == 0xFF) {
    if (file[at + 1] == marker) return at;
    if (file[at + 1] == 0xDA) break;
    at += 2 + (static_cast<std::size_t>(file[at + 2]) << 8 | file[at + 3]);
  }
  return std::string::npos;
}

struct Alp {
  std::uint8_t type;
  std::uint32_t value;
};

Alp alpOf(const Bytes& file) {
  const std::size_t at = findMarker(file, 0xE2);
  EXPECT_NE(at, std::string::npos);
  if (at == std::string::npos) return {0xFF, 0};
  EXPECT_EQ(std::memcmp(&file[at + 4], "ALP", 3), 0);
  std::uint32_t value = 0;
  for (int i = 3; i >= 0; --i) value = value << 8 | file[at + 8 + static_cast<std::size_t>(i)];
  return {file[at + 7], value};
}

Bytes appendedOf(const Bytes& file) {
  return Bytes(file.begin() + alpOf(file).value, file.end());
}

Bytes segment(std::uint8_t marker, const Bytes& data) {
  const std::size_t length = data.size() + 2;
  Bytes out{0xFF, marker, static_cast<std::uint8_t>(length >> 8),
            static_cast<std::uint8_t>(length)};
  out.insert(out.end(), data.begin(), data.end());
  return out;
}

Bytes alpHeader(std::uint8_t type, std::size_t value) {
  Bytes out{'A', 'L', 'P', type};
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
  return out;
}

Bytes concat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& part : parts) out.insert(out.end(), part.begin(), part.end());
  return out;
}

// `jpeg` with `segments` inserted after its SOI and `tail` appended.
Bytes withSegments(const Bytes& jpeg, const Bytes& segments, const Bytes& tail = {}) {
  Bytes out(jpeg.begin(), jpeg.begin() + 2);
  out.insert(out.end(), segments.begin(), segments.end());
  out.insert(out.end(), jpeg.begin() + 2, jpeg.end());
  out.insert(out.end(), tail.begin(), tail.end());
  return out;
}

// `jpeg` with an ALP segment pointing at `payload`, appended after it.
Bytes withAppendedAlpha(const Bytes& jpeg, std::uint8_t type, const Bytes& payload) {
  const std::size_t offset = jpeg.size() + 12;
  return withSegments(jpeg, segment(0xE2, alpHeader(type, offset)), payload);
}

// `data` carried in the segments: the ALP one, then plain APP2 segments.
Bytes carriedAlpha(std::uint8_t type, const Bytes& data) {
  constexpr std::size_t kFirst = 65525;
  constexpr std::size_t kFurther = 65533;
  const std::size_t first = std::min(data.size(), kFirst);
  Bytes out = segment(0xE2, concat({alpHeader(type, data.size()),
                                    Bytes(data.begin(), data.begin() + static_cast<long>(first))}));
  for (std::size_t at = first; at < data.size(); at += kFurther) {
    const std::size_t end = std::min(data.size(), at + kFurther);
    const Bytes part(data.begin() + static_cast<long>(at), data.begin() + static_cast<long>(end));
    const Bytes more = segment(0xE2, part);
    out.insert(out.end(), more.begin(), more.end());
  }
  return out;
}

Bytes zlibOf(const Bytes& plane) {
  uLongf size = compressBound(static_cast<uLong>(plane.size()));
  Bytes out(size);
  EXPECT_EQ(compress2(out.data(), &size, plane.data(), static_cast<uLong>(plane.size()), 9), Z_OK);
  out.resize(size);
  return out;
}

// A grayscale JPEG of the plane, written through the depth-8 path.
Bytes grayJpegOf(const Bytes& plane, int width, int height) {
  ImagePtr gray = makeImage(width, height, 24);
  for (std::size_t i = 0; i < plane.size(); ++i) {
    std::memset(gray->pixels + i * 4, plane[i], 3);
    gray->pixels[i * 4 + 3] = 255;
  }
  return encode(*gray, 8, 95);
}

TEST(JpegRoundTrip, ColourAndGrayStayWithinToleranceAndOpaque) {
  for (const auto& [width, height] : {std::pair{1, 1}, std::pair{37, 23}, std::pair{64, 48}}) {
    SCOPED_TRACE(testing::Message() << width << "x" << height);
    ImagePtr picture = makePicture(width, height, productAlpha);
    const Bytes colourFile = encode(*picture, 24, 95, 8);
    EXPECT_EQ(findMarker(colourFile, 0xE2), std::string::npos);
    ImagePtr colour = decodeJpeg(colourFile);
    ASSERT_NE(colour, nullptr);
    EXPECT_EQ(colour->width, width);
    EXPECT_EQ(colour->height, height);
    EXPECT_EQ(colour->depth, 24);
    EXPECT_LE(maxError(*picture, *colour), 8);
    EXPECT_TRUE(allOpaque(*colour));

    const Bytes grayFile = encode(*picture, 8, 95);
    const std::size_t frame = findMarker(grayFile, 0xC0);
    ASSERT_NE(frame, std::string::npos);
    EXPECT_EQ(grayFile[frame + 9], 1) << "components";
    ImagePtr gray = decodeJpeg(grayFile);
    ASSERT_NE(gray, nullptr);
    EXPECT_EQ(gray->depth, 24);
    EXPECT_TRUE(allOpaque(*gray));
    for (std::size_t i = 0; i < static_cast<std::size_t>(gray->pixelCount); ++i) {
      const std::uint8_t* p = gray->pixels + i * 4;
      const std::uint8_t* source = picture->pixels + i * 4;
      ASSERT_TRUE(p[0] == p[1] && p[1] == p[2]);
      EXPECT_NEAR(p[0], luminance(source[2], source[1], source[0]), 4);
    }
  }
}

TEST(JpegRoundTrip, LayerAttributes) {
  ImagePtr picture = makePicture(8, 8, opaque);
  std::strcpy(picture->name, "bg01.bmp");
  picture->left = -5;
  picture->top = 7;
  picture->mode = 3;
  const Bytes file = encode(*picture, 24);
  EXPECT_STREQ(picture->name, "bg01.jpg");
  ImagePtr decoded = decodeJpeg(file);
  ASSERT_NE(decoded, nullptr);
  EXPECT_STREQ(decoded->name, "bg01.jpg");
  EXPECT_EQ(decoded->left, -5);
  EXPECT_EQ(decoded->top, 7);
  EXPECT_EQ(decoded->mode, 3U);

  // Another APP segment first hides the attributes.
  ImagePtr hidden = decodeJpeg(withSegments(file, segment(0xE3, Bytes(4, 'x'))));
  ASSERT_NE(hidden, nullptr);
  EXPECT_STREQ(hidden->name, "");
  EXPECT_EQ(hidden->left, 0);

  // A mode alone is written too; without name and mode there is no segment.
  ImagePtr modeOnly = makePicture(8, 8, opaque);
  modeOnly->mode = 9;
  modeOnly->left = 4;
  ImagePtr decodedMode = decodeJpeg(encode(*modeOnly, 32));
  ASSERT_NE(decodedMode, nullptr);
  EXPECT_EQ(decodedMode->mode, 9U);
  EXPECT_EQ(decodedMode->left, 4);
  EXPECT_EQ(decodedMode->depth, 32);
  modeOnly->mode = 0;
  EXPECT_EQ(findMarker(encode(*modeOnly, 24), 0xE1), std::string::npos);
}

TEST(JpegAlphaEncoding, TheSmallestEncodingIsAppended) {
  // A constant plane: zlib, exactly as zlib level 9 writes it.
  ImagePtr flat = makePicture(64, 64, [](int, int) { return std::uint8_t{200}; });
  const Bytes flatFile = encode(*flat, 32);
  EXPECT_EQ(alpOf(flatFile).type, 0x12);
  EXPECT_EQ(appendedOf(flatFile), zlibOf(planeOf(*flat)));

  // Rows that PNG's filters make identical: PNG, smaller than zlib.
  ImagePtr product = makePicture(128, 128, productAlpha);
  const Bytes productFile = encode(*product, 32);
  EXPECT_EQ(alpOf(productFile).type, 0x13);
  const Bytes png = appendedOf(productFile);
  ASSERT_GE(png.size(), 8U);
  EXPECT_EQ(std::memcmp(png.data(), "\x89PNG\r\n\x1a\n", 8), 0);
  EXPECT_LT(png.size(), zlibOf(planeOf(*product)).size());

  // A smooth plane: JPEG, without a JFIF segment, progressive with option 2.
  ImagePtr smooth = makePicture(128, 128, [](int x, int y) {
    return static_cast<std::uint8_t>(128 + 100 * std::sin(x / 9.0) * std::cos(y / 13.0));
  });
  const Bytes smoothFile = encode(*smooth, 32, 90, 2);
  EXPECT_EQ(alpOf(smoothFile).type, 0x11);
  const Bytes jpeg = appendedOf(smoothFile);
  EXPECT_LT(jpeg.size(), zlibOf(planeOf(*smooth)).size());
  EXPECT_EQ(findMarker(jpeg, 0xE0), std::string::npos);
  EXPECT_NE(findMarker(jpeg, 0xC2), std::string::npos);

  for (const auto& [image, file] :
       {std::pair{flat.get(), &flatFile}, std::pair{product.get(), &productFile},
        std::pair{smooth.get(), &smoothFile}}) {
    // The offset is that of the byte after the image's EOI.
    const std::uint32_t offset = alpOf(*file).value;
    ASSERT_GE(offset, 2U);
    EXPECT_EQ((*file)[offset - 2], 0xFF);
    EXPECT_EQ((*file)[offset - 1], 0xD9);
    ImagePtr decoded = decodeJpeg(*file);
    ASSERT_NE(decoded, nullptr);
    EXPECT_EQ(decoded->depth, 32);
    EXPECT_LE(maxError(*image, *decoded), 8);
    EXPECT_LE(maxError(*image, *decoded, true), image == smooth.get() ? 6 : 0);
  }
}

// Builds files with every form of the alpha extension around one picture.
class JpegAlphaExtension : public testing::Test {
 protected:
  static constexpr int kWidth = 300;  // the raw plane needs two segments
  static constexpr int kHeight = 300;

  void SetUp() override {
    picture_ = makePicture(kWidth, kHeight, productAlpha);
    plane_ = planeOf(*picture_);
    base_ = encode(*picture_, 24, 90, 8);
    const Bytes withPng = encode(*picture_, 32);
    ASSERT_EQ(alpOf(withPng).type, 0x13);
    png_ = appendedOf(withPng);
    jpeg_ = grayJpegOf(plane_, kWidth, kHeight);
    ImagePtr gray = decodeJpeg(jpeg_);
    ASSERT_NE(gray, nullptr);
    for (std::size_t i = 0; i < plane_.size(); ++i) jpegPlane_.push_back(gray->pixels[i * 4]);
  }

  // The decoded alpha plane; empty when the image came out opaque at depth 24.
  Bytes alphaOf(const Bytes& file) const {
    ImagePtr decoded = decodeJpeg(file);
    EXPECT_NE(decoded, nullptr);
    if (decoded == nullptr) return {};
    EXPECT_LE(maxError(*picture_, *decoded), 8);
    if (decoded->depth != 32) {
      EXPECT_EQ(decoded->depth, 24);
      EXPECT_TRUE(allOpaque(*decoded));
      return {};
    }
    return planeOf(*decoded);
  }

  ImagePtr picture_;
  Bytes plane_;
  Bytes base_;
  Bytes png_;
  Bytes jpeg_;
  Bytes jpegPlane_;  // what jpeg_ decodes to
};

TEST_F(JpegAlphaExtension, ReadsEveryType) {
  EXPECT_EQ(alphaOf(withSegments(base_, carriedAlpha(0x00, plane_))), plane_);
  EXPECT_EQ(alphaOf(withSegments(base_, carriedAlpha(0x01, jpeg_))), jpegPlane_);
  EXPECT_EQ(alphaOf(withSegments(base_, carriedAlpha(0x02, zlibOf(plane_)))), plane_);
  EXPECT_EQ(alphaOf(withSegments(base_, carriedAlpha(0x03, png_))), plane_);
  EXPECT_EQ(alphaOf(withAppendedAlpha(base_, 0x11, jpeg_)), jpegPlane_);
  EXPECT_EQ(alphaOf(withAppendedAlpha(base_, 0x12, zlibOf(plane_))), plane_);
  EXPECT_EQ(alphaOf(withAppendedAlpha(base_, 0x13, png_)), plane_);
  // A raw plane may carry more bytes than it needs.
  EXPECT_EQ(alphaOf(withSegments(base_, carriedAlpha(0x00, concat({plane_, {1, 2}})))), plane_);
}

TEST_F(JpegAlphaExtension, OtherApp2ContentAndUnknownTypesGiveNoAlpha) {
  const Bytes alp = carriedAlpha(0x02, zlibOf(plane_));
  EXPECT_TRUE(alphaOf(withSegments(base_, concat({segment(0xE2, {'I', 'C', 'C'}), alp}))).empty());
  EXPECT_TRUE(alphaOf(withSegments(base_, segment(0xE2, alpHeader(0x05, 0)))).empty());
  EXPECT_TRUE(alphaOf(withAppendedAlpha(base_, 0x10, plane_)).empty());
  // Segments of other kinds before it are stepped over.
  EXPECT_EQ(alphaOf(withSegments(base_, concat({segment(0xE5, Bytes(300, 0xFF)), alp}))), plane_);
}

TEST_F(JpegAlphaExtension, DamagedAlphaDataLeavesTheImageOpaque) {
  const Bytes zlib = zlibOf(plane_);
  const Bytes carried = carriedAlpha(0x00, plane_);
  const std::size_t firstSegment = 4 + 8 + 65525;
  std::vector<Bytes> files = {
      // A raw plane one byte short, or without its second segment.
      withSegments(base_, carriedAlpha(0x00, Bytes(plane_.begin(), plane_.end() - 1))),
      withSegments(base_, Bytes(carried.begin(), carried.begin() + firstSegment)),
      // The second segment is not APP2.
      withSegments(base_, concat({Bytes(carried.begin(), carried.begin() + firstSegment),
                                  segment(0xE3, Bytes(plane_.begin() + 65525, plane_.end()))})),
      // A value far beyond the file.
      withSegments(base_, segment(0xE2, concat({alpHeader(0x00, 0xFFFFFFF0), Bytes(16, 1)}))),
      // zlib data cut short, or of one byte less or more than the plane.
      withAppendedAlpha(base_, 0x12, Bytes(zlib.begin(), zlib.end() - 10)),
      withAppendedAlpha(base_, 0x12, zlibOf(Bytes(plane_.begin(), plane_.end() - 1))),
      withAppendedAlpha(base_, 0x12, zlibOf(concat({plane_, {0}}))),
      withAppendedAlpha(base_, 0x12, Bytes(zlib.size(), 0x55)),
      // Offsets past the end and at the end.
      withSegments(base_, segment(0xE2, alpHeader(0x12, base_.size() + 100))),
      withSegments(base_, segment(0xE2, alpHeader(0x12, base_.size() + 12))),
      // A gray JPEG or PNG cut short or of another size.
      withAppendedAlpha(base_, 0x11, Bytes(jpeg_.begin(), jpeg_.begin() + 40)),
      withAppendedAlpha(base_, 0x11,
                        grayJpegOf(Bytes(kWidth * (kHeight - 1)), kWidth, kHeight - 1)),
      withAppendedAlpha(base_, 0x13,
                        Bytes(png_.begin(), png_.begin() + static_cast<long>(png_.size() / 2))),
  };
  for (std::size_t i = 0; i < files.size(); ++i) {
    EXPECT_TRUE(alphaOf(files[i]).empty()) << "case " << i;
  }
}

TEST_F(JpegAlphaExtension, LyingLengthsAndTruncationFailCleanly) {
  const Bytes file = withAppendedAlpha(encode(*picture_, 24, 90, 2), 0x12, zlibOf(plane_));
  // Every segment length before the image claims too much, too little or nothing.
  for (std::size_t at = 2; at + 4 <= file.size() && file[at + 1] != 0xDA;) {
    const std::size_t length = static_cast<std::size_t>(file[at + 2]) << 8 | file[at + 3];
    for (const std::uint16_t lie : {std::uint16_t{0}, std::uint16_t{1}, std::uint16_t{0xFFFF},
                                    static_cast<std::uint16_t>(length - 1)}) {
      Bytes damaged = file;
      damaged[at + 2] = static_cast<std::uint8_t>(lie >> 8);
      damaged[at + 3] = static_cast<std::uint8_t>(lie);
      ImagePtr decoded = decodeJpeg(damaged);
      if (decoded) {
        EXPECT_EQ(decoded->width, kWidth);
      }
    }
    at += 2 + length;
  }
  // Every cut of the file, at a stride that lands in every part of it.
  for (std::size_t size = 0; size < file.size(); size += 97) {
    ImagePtr decoded = decodeJpeg(std::span(file.data(), size));
    if (decoded) {
      EXPECT_EQ(decoded->height, kHeight);
    }
  }
  // A layer segment too short to hold the attributes is ignored.
  ImagePtr shortPos = decodeJpeg(withSegments(base_, segment(0xE1, {'p', 'o', 's', 0, 9, 0})));
  ASSERT_NE(shortPos, nullptr);
  EXPECT_EQ(shortPos->left, 0);
}

TEST(JpegDamagedInput, ImpossibleImagesGiveNull) {
  ImagePtr picture = makePicture(16, 16, opaque);
  Bytes file = encode(*picture, 24);
  const std::size_t frame = findMarker(file, 0xC0);
  ASSERT_NE(frame, std::string::npos);
  Bytes wide = file;
  wide[frame + 7] = 0x9C;  // width 40000
  wide[frame + 8] = 0x40;
  EXPECT_EQ(decodeJpeg(wide), nullptr);

  std::mt19937 random(7);
  for (int round = 0; round < 50; ++round) {
    Bytes noise{0xFF, 0xD8};
    for (int i = 0; i < 200; ++i) noise.push_back(static_cast<std::uint8_t>(random()));
    EXPECT_EQ(decodeJpeg(noise), nullptr);
  }
  EXPECT_EQ(decodeJpeg({}), nullptr);
}

TEST(JpegOptions, EveryCombinationDecodes) {
  ImagePtr picture = makePicture(40, 24, productAlpha);
  for (int option = 0; option < 16; ++option) {
    SCOPED_TRACE(testing::Message() << "option " << option);
    const Bytes file = encode(*picture, 32, 90, option);
    const bool progressive = (option & 3) == 2;
    const std::size_t frame = findMarker(file, progressive ? 0xC2 : 0xC0);
    ASSERT_NE(frame, std::string::npos);
    constexpr std::uint8_t kLumaSampling[] = {0x22, 0x21, 0x11, 0x22};
    EXPECT_EQ(file[frame + 11], kLumaSampling[option >> 2]);
    EXPECT_EQ(file[frame + 14], 0x11);
    ImagePtr decoded = decodeJpeg(file);
    ASSERT_NE(decoded, nullptr);
    EXPECT_EQ(decoded->depth, 32);
    EXPECT_LE(maxError(*picture, *decoded), 24);
    EXPECT_EQ(maxError(*picture, *decoded, true), 0);
  }
  EXPECT_LT(encode(*picture, 24, 90, 1).size(), encode(*picture, 24, 90, 0).size())
      << "optimised Huffman tables";
  // Quality 1 still has baseline tables.
  for (const int depth : {8, 24}) {
    const Bytes low = encode(*picture, depth, 1);
    EXPECT_NE(findMarker(low, 0xC0), std::string::npos);
    EXPECT_NE(decodeJpeg(low), nullptr);
  }
}

}  // namespace
}  // namespace tsuzuri::assets
