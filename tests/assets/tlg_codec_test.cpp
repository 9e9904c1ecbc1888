#include <gtest/gtest.h>
#include <png.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "assets/image_codecs.h"
#include "assets/tlg_common.h"

namespace tsuzuri::assets {
namespace {

using namespace std::string_view_literals;
using Bytes = std::vector<std::uint8_t>;

// ---------------------------------------------------------------------------
// Helpers

enum class Pattern { kNoise, kGradient, kFlat, kSpikes };

// Every byte of every pixel is set, alpha included, whatever depth the test
// writes at.
ImagePtr makePattern(Pattern pattern, int width, int height, unsigned seed) {
  ImagePtr image = makeImage(width, height, 32);
  std::mt19937 random(seed);
  std::uniform_int_distribution<int> byte(0, 255);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      std::uint8_t* p = pixelAt(*image, x, y);
      for (int c = 0; c < 4; ++c) {
        int v = 0;
        switch (pattern) {
          case Pattern::kNoise:
            v = byte(random);
            break;
          case Pattern::kGradient:
            v = (x * (c + 1) * 7 + y * (4 - c) * 5 + (byte(random) & 3)) & 0xFF;
            break;
          case Pattern::kFlat:
            v = ((x / 5 + y / 3) % 3) * (60 + 40 * c);
            break;
          case Pattern::kSpikes:
            // Long zero runs with rare large residuals: the Golomb escape.
            v = byte(random) < 8 ? byte(random) : 17 * c;
            break;
        }
        p[c] = static_cast<std::uint8_t>(v);
      }
    }
  }
  return image;
}

// Compares what a round trip at `depth` keeps: all four bytes at 32, blue,
// green and red with opaque alpha at 24, blue shown as opaque gray at 8.
void expectSamePixels(const ImageBuffer& original, const ImageBuffer& decoded, int depth) {
  ASSERT_EQ(decoded.width, original.width);
  ASSERT_EQ(decoded.height, original.height);
  EXPECT_EQ(decoded.depth, depth);
  for (int y = 0; y < original.height; ++y) {
    for (int x = 0; x < original.width; ++x) {
      const std::uint8_t* a = original.pixels + (y * original.width + x) * 4;
      const std::uint8_t* b = decoded.pixels + (y * decoded.width + x) * 4;
      std::uint8_t want[4] = {a[0], a[1], a[2], a[3]};
      if (depth == 24) want[3] = 0xFF;
      if (depth == 8) {
        want[1] = a[0];
        want[2] = a[0];
        want[3] = 0xFF;
      }
      if (std::memcmp(want, b, 4) != 0) {
        ADD_FAILURE() << "first difference at (" << x << ", " << y << ")";
        return;
      }
    }
  }
}

Bytes readFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::filesystem::path sampleFolder() {
  const char* env = std::getenv("TSUZURI_TESTDATA");
  const std::filesystem::path root = env != nullptr ? env : "/work/shared/testdata";
  return root / "tlg";
}

// The reference decode, as 8-bit RGBA rows.
bool readPng(const std::filesystem::path& path, int& width, int& height, Bytes& rgba) {
  const Bytes file = readFile(path);
  png_image png{};
  png.version = PNG_IMAGE_VERSION;
  if (png_image_begin_read_from_memory(&png, file.data(), file.size()) == 0) return false;
  png.format = PNG_FORMAT_RGBA;
  rgba.resize(PNG_IMAGE_SIZE(png));
  if (png_image_finish_read(&png, nullptr, rgba.data(), 0, nullptr) == 0) return false;
  width = static_cast<int>(png.width);
  height = static_cast<int>(png.height);
  return true;
}

ImagePtr decode(const Bytes& file) {
  return decodeTlg(std::span(file));
}

Bytes encode(ImageBuffer& image, int depth, bool tlg6) {
  const EncodedImage encoded = encodeTlg(image, depth, tlg6 ? 1 : 0);
  EXPECT_TRUE(encoded.ok) << encoded.message;
  return encoded.bytes;
}

// The filter types of a bare TLG6 stream.
Bytes filterTypes(const Bytes& file, std::size_t blocks) {
  const std::uint32_t length = tlg::le32(file.data() + 27);
  Bytes out(tlg::kFilterTypeWindow.begin(), tlg::kFilterTypeWindow.end());
  out.resize(tlg::kWindowSize + blocks + tlg::kLzssSlack);
  const std::size_t produced = tlg::lzssDecode(std::span(file.data() + 31, length),
                                               out.data() + tlg::kWindowSize, blocks, 0);
  EXPECT_EQ(produced, blocks);
  const auto first = out.begin() + static_cast<std::ptrdiff_t>(tlg::kWindowSize);
  return Bytes(first, first + static_cast<std::ptrdiff_t>(blocks));
}

// A TLG6 stream with new filter types (the rest kept as it is).
Bytes withFilterTypes(const Bytes& file, const Bytes& types) {
  tlg::SlideCompressor compressor;
  Bytes packed;
  compressor.compress(tlg::kFilterTypeWindow, packed);
  packed.clear();
  compressor.compress(types, packed);
  const std::uint32_t oldLength = tlg::le32(file.data() + 27);
  Bytes out(file.begin(), file.begin() + 27);
  tlg::appendLe32(out, static_cast<std::uint32_t>(packed.size()));
  out.insert(out.end(), packed.begin(), packed.end());
  out.insert(out.end(), file.begin() + 31 + oldLength, file.end());
  return out;
}

// A TLG5 stream of stored (not compressed) channels with any block height,
// as other writers may make them.
Bytes storedTlg5(const ImageBuffer& image, std::uint32_t blockHeight) {
  const auto w = static_cast<std::size_t>(image.width);
  const auto h = static_cast<std::size_t>(image.height);
  const std::size_t blocks = (h - 1) / blockHeight + 1;
  Bytes out(tlg::kTlg5Mark.begin(), tlg::kTlg5Mark.end());
  out.push_back(4);
  tlg::appendLe32(out, static_cast<std::uint32_t>(image.width));
  tlg::appendLe32(out, static_cast<std::uint32_t>(image.height));
  tlg::appendLe32(out, blockHeight);
  out.resize(out.size() + 4 * blocks, 0xEE);  // block sizes, unused by readers
  for (std::size_t y0 = 0; y0 < h; y0 += blockHeight) {
    Bytes channel[4];
    for (std::size_t y = y0; y < std::min<std::size_t>(h, y0 + blockHeight); ++y) {
      int previous[4] = {};
      for (std::size_t x = 0; x < w; ++x) {
        int val[4];
        for (int c = 0; c < 4; ++c) {
          const std::uint8_t* p = image.pixels + (y * w + x) * 4;
          const int cl = p[c] - (y == 0 ? 0 : (p - 4 * w)[c]);
          val[c] = cl - previous[c];
          previous[c] = cl;
        }
        channel[0].push_back(static_cast<std::uint8_t>(val[0] - val[1]));
        channel[1].push_back(static_cast<std::uint8_t>(val[1]));
        channel[2].push_back(static_cast<std::uint8_t>(val[2] - val[1]));
        channel[3].push_back(static_cast<std::uint8_t>(val[3]));
      }
    }
    for (const Bytes& c : channel) {
      out.push_back(1);
      tlg::appendLe32(out, static_cast<std::uint32_t>(c.size()));
      out.insert(out.end(), c.begin(), c.end());
    }
  }
  return out;
}

// A TLG0 container around `stream` with the given chunks.
Bytes container(const Bytes& stream, const std::vector<std::pair<std::string, Bytes>>& chunks) {
  Bytes out(tlg::kTlg0Mark.begin(), tlg::kTlg0Mark.end());
  tlg::appendLe32(out, static_cast<std::uint32_t>(stream.size()));
  out.insert(out.end(), stream.begin(), stream.end());
  for (const auto& [name, data] : chunks) {
    out.insert(out.end(), name.begin(), name.end());
    tlg::appendLe32(out, static_cast<std::uint32_t>(data.size()));
    out.insert(out.end(), data.begin(), data.end());
  }
  return out;
}

Bytes text(std::string_view s) {
  return Bytes(s.begin(), s.end());
}

// ---------------------------------------------------------------------------
// Files from other TLG writers

TEST(TlgSamples, DecodeAsTheReferencePngs) {
  const std::filesystem::path folder = sampleFolder();
  if (!std::filesystem::is_directory(folder)) GTEST_SKIP() << "no TLG samples at " << folder;
  int files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    if (entry.path().extension() != ".tlg") continue;
    SCOPED_TRACE(entry.path().filename().string());
    ++files;
    const Bytes file = readFile(entry.path());
    ImagePtr image = decode(file);
    ASSERT_TRUE(image);
    const std::size_t streamStart = tlg::hasMark(file, tlg::kTlg0Mark) ? 15 : 0;
    EXPECT_EQ(image->depth, file[streamStart + 11] * 8);
    // Their tags have long keys ("mode"), none of the layer attributes.
    EXPECT_STREQ(image->name, "");
    EXPECT_EQ(image->mode, 0U);

    std::filesystem::path reference = entry.path();
    reference.replace_extension(".ref.png");
    int width = 0;
    int height = 0;
    Bytes rgba;
    ASSERT_TRUE(readPng(reference, width, height, rgba));
    ASSERT_EQ(image->width, width);
    ASSERT_EQ(image->height, height);
    std::size_t differences = 0;
    for (std::size_t i = 0; i < rgba.size(); i += 4) {
      const std::uint8_t* p = image->pixels + i;
      if (p[0] != rgba[i + 2] || p[1] != rgba[i + 1] || p[2] != rgba[i] || p[3] != rgba[i + 3]) {
        if (differences++ == 0) ADD_FAILURE() << "first difference at pixel " << i / 4;
      }
    }
    EXPECT_EQ(differences, 0U);

    // Written again in the same variant, the picture gives the same stream
    // byte for byte: the LZSS matches and the TLG6 filter choice are those
    // of the other writers.
    const bool tlg6 = file[streamStart + 3] == '6';
    const Bytes ours = encode(*image, image->depth, tlg6);
    const std::size_t streamLength =
        streamStart == 0 ? file.size() : tlg::le32(file.data() + tlg::kMarkSize);
    ASSERT_GE(file.size(), streamStart + streamLength);
    EXPECT_TRUE(std::equal(ours.begin(), ours.end(),
                           file.begin() + static_cast<std::ptrdiff_t>(streamStart),
                           file.begin() + static_cast<std::ptrdiff_t>(streamStart + streamLength)));
  }
  EXPECT_GT(files, 0);
}

// ---------------------------------------------------------------------------
// Round trips

TEST(TlgRoundTrip, EveryVariantDepthPatternAndSize) {
  const std::pair<int, int> sizes[] = {{1, 1}, {1, 5}, {7, 9}, {12, 13}, {33, 17}, {64, 40}};
  const Pattern patterns[] = {Pattern::kNoise, Pattern::kGradient, Pattern::kFlat,
                              Pattern::kSpikes};
  unsigned seed = 1;
  for (const auto& [width, height] : sizes) {
    for (const Pattern pattern : patterns) {
      for (const int depth : {8, 24, 32}) {
        for (const bool tlg6 : {false, true}) {
          SCOPED_TRACE(::testing::Message()
                       << width << "x" << height << " pattern " << static_cast<int>(pattern)
                       << " depth " << depth << (tlg6 ? " TLG6" : " TLG5"));
          ImagePtr original = makePattern(pattern, width, height, seed++);
          const Bytes file = encode(*original, depth, tlg6);
          ASSERT_TRUE(tlg::hasMark(file, tlg6 ? tlg::kTlg6Mark : tlg::kTlg5Mark));
          ImagePtr decoded = decode(file);
          if (!tlg6 && depth == 8) {
            // One-colour TLG5 is written, but no reader accepts it.
            EXPECT_FALSE(decoded);
          } else if (file.size() < 48) {
            // Tiny pictures (a 1 × 1 TLG5 is 46 bytes) are under the
            // shortest file any reader accepts.
            EXPECT_FALSE(decoded);
            EXPECT_LE(width * height, 5);
          } else {
            ASSERT_TRUE(decoded);
            expectSamePixels(*original, *decoded, depth);
          }
        }
      }
    }
  }
}

TEST(TlgRoundTrip, EveryTlg6FilterType) {
  // Each 8 × 8 block is made to suit one filter type: its pixels are the
  // type's prediction plus small noise put through the type's transform, so
  // that the writer's choice should land on it.
  constexpr int kWidth = 64;
  constexpr int kHeight = 32;
  for (const int depth : {24, 32}) {
    SCOPED_TRACE(depth);
    ImagePtr image = makeImage(kWidth, kHeight, 32);
    std::mt19937 random(99);
    std::uniform_int_distribution<int> noise(-24, 24);
    const auto at = [&](int x, int y, int c) -> int {
      return x < 0 || y < 0 ? 0 : pixelAt(*image, x, y)[c];
    };
    for (int y = 0; y < kHeight; ++y) {
      for (int x = 0; x < kWidth; ++x) {
        const int type = (y / 8) * 8 + x / 8;
        const auto n = [&] { return static_cast<std::uint8_t>(noise(random)); };
        const tlg::Residual d =
            tlg::decodeColors(static_cast<std::size_t>(type >> 1), {n(), n(), n()});
        const std::uint8_t delta[4] = {d.b, d.g, d.r, n()};
        for (int c = 0; c < 4; ++c) {
          const int a = at(x - 1, y, c);
          const int b = at(x, y - 1, c);
          const int ul = at(x - 1, y - 1, c);
          const int med = ul >= std::max(a, b)   ? std::min(a, b)
                          : ul <= std::min(a, b) ? std::max(a, b)
                                                 : a + b - ul;
          const int predicted = (type & 1) != 0 ? (a + b + 1) >> 1 : med;
          pixelAt(*image, x, y)[c] = static_cast<std::uint8_t>(predicted + delta[c]);
        }
      }
    }
    const Bytes file = encode(*image, depth, true);
    const Bytes types = filterTypes(file, 32);
    EXPECT_EQ(std::set<std::uint8_t>(types.begin(), types.end()).size(), 32U);
    ImagePtr decoded = decode(file);
    ASSERT_TRUE(decoded);
    expectSamePixels(*image, *decoded, depth);
  }
}

TEST(TlgRoundTrip, Tlg5BlockHeightsOfOtherWriters) {
  ImagePtr image = makePattern(Pattern::kGradient, 9, 10, 5);
  for (const std::uint32_t blockHeight : {1U, 3U, 10U, 1000U}) {
    SCOPED_TRACE(blockHeight);
    ImagePtr decoded = decode(storedTlg5(*image, blockHeight));
    ASSERT_TRUE(decoded);
    expectSamePixels(*image, *decoded, 32);
  }
}

TEST(TlgSlideCompressor, DecodesAcrossCallsAndRollbacks) {
  std::mt19937 random(3);
  Bytes noise(5000);
  for (auto& b : noise) b = static_cast<std::uint8_t>(random());
  Bytes periodic(9000);  // short periods: overlapping copies; long runs: 273-byte matches
  for (std::size_t i = 0; i < periodic.size(); ++i) {
    periodic[i] = static_cast<std::uint8_t>(i < 3000 ? i % (1 + i / 500) : i < 6000 ? 0 : i % 7);
  }
  // Still in the window after `noise`: references back across calls.
  Bytes repeated(noise.begin() + 1000, noise.begin() + 1300);
  repeated.insert(repeated.end(), noise.begin() + 4000, noise.end());

  tlg::SlideCompressor compressor;
  std::vector<Bytes> kept;
  std::vector<Bytes> packed;
  for (const Bytes* input : {&periodic, &noise, &repeated}) {
    compressor.snapshot();
    Bytes code;
    compressor.compress(Bytes(700, 0x55), code);  // thrown away again
    compressor.rollback();
    code.clear();
    compressor.compress(*input, code);
    kept.push_back(*input);
    packed.push_back(code);
  }
  EXPECT_LT(packed[0].size(), periodic.size() / 20);
  EXPECT_LT(packed[2].size(), repeated.size() / 20);

  // Decoded one after the other, each with the window the previous left.
  Bytes out(tlg::kWindowSize, 0);
  std::uint32_t r = 0;
  for (std::size_t i = 0; i < kept.size(); ++i) {
    const std::size_t start = out.size();
    out.resize(start + kept[i].size() + tlg::kLzssSlack);
    const std::size_t produced = tlg::lzssDecode(packed[i], out.data() + start, kept[i].size(), r);
    ASSERT_EQ(produced, kept[i].size());
    EXPECT_TRUE(std::equal(kept[i].begin(), kept[i].end(),
                           out.begin() + static_cast<std::ptrdiff_t>(start)))
        << i;
    out.resize(start + produced);
    r += static_cast<std::uint32_t>(produced);
  }
}

// ---------------------------------------------------------------------------
// Layer attributes

TEST(TlgTags, LayerAttributesRoundTrip) {
  for (const bool tlg6 : {false, true}) {
    ImagePtr image = makePattern(Pattern::kFlat, 7, 9, 2);
    std::strcpy(image->name, "bg01.bmp");
    image->left = -5;
    image->top = 7;
    image->mode = 3;
    const Bytes file = encode(*image, 32, tlg6);
    EXPECT_STREQ(image->name, "bg01.tlg");
    ASSERT_TRUE(tlg::hasMark(file, tlg::kTlg0Mark));
    ImagePtr decoded = decode(file);
    ASSERT_TRUE(decoded);
    EXPECT_STREQ(decoded->name, "bg01.tlg");
    EXPECT_EQ(decoded->left, -5);
    EXPECT_EQ(decoded->top, 7);
    EXPECT_EQ(decoded->mode, 3U);
    expectSamePixels(*image, *decoded, 32);
  }

  // The last three characters go whatever they are; a mode alone is
  // enough for tags; neither gives the bare stream.
  ImagePtr image = makePattern(Pattern::kFlat, 4, 4, 2);
  std::strcpy(image->name, "layer1");
  Bytes file = encode(*image, 24, false);
  EXPECT_STREQ(image->name, "laytlg");
  EXPECT_STREQ(decode(file)->name, "laytlg");
  std::strcpy(image->name, "");
  image->mode = 9;
  file = encode(*image, 24, false);
  ASSERT_TRUE(tlg::hasMark(file, tlg::kTlg0Mark));
  EXPECT_EQ(decode(file)->mode, 9U);
  image->mode = 0;
  EXPECT_TRUE(tlg::hasMark(encode(*image, 24, false), tlg::kTlg5Mark));
}

TEST(TlgTags, ForeignTagsAndChunks) {
  ImagePtr image = makePattern(Pattern::kNoise, 8, 8, 4);
  const Bytes stream = encode(*image, 32, true);
  const Bytes left = text("1:\x02=4:\xFB\xFF\xFF\xFF");
  // Unknown keys and chunks are passed over, a key is recognised by its
  // first byte, a name stops at its NUL, a trailing comma is fine.
  Bytes tags = text("4:mode=5:alpha,");
  tags.insert(tags.end(), left.begin(), left.end());
  const Bytes rest = text(",3:\x01xy=5:ab\0cd,1:\x04=4:\x06\0\0\0,"sv);
  tags.insert(tags.end(), rest.begin(), rest.end());
  ImagePtr decoded = decode(container(stream, {{"abcd", text("xyz")}, {"tags", tags}}));
  ASSERT_TRUE(decoded);
  EXPECT_EQ(decoded->left, -5);
  EXPECT_STREQ(decoded->name, "ab");
  EXPECT_EQ(decoded->mode, 6U);
  expectSamePixels(*image, *decoded, 32);

  // A malformed entry ends the tags; the picture still loads.
  tags = left;
  const Bytes broken = text(",1:\x03=9:short");
  tags.insert(tags.end(), broken.begin(), broken.end());
  decoded = decode(container(stream, {{"tags", tags}}));
  ASSERT_TRUE(decoded);
  EXPECT_EQ(decoded->left, -5);
  EXPECT_EQ(decoded->top, 0);

  // A chunk that runs past the end, or a container that holds a container.
  Bytes cut = container(stream, {{"tags", left}});
  cut.pop_back();
  EXPECT_FALSE(decode(cut));
  EXPECT_FALSE(decode(container(container(stream, {}), {})));
}

// ---------------------------------------------------------------------------
// Damaged files

TEST(TlgDamage, EveryTruncationIsRefused) {
  ImagePtr image = makePattern(Pattern::kGradient, 7, 9, 8);
  for (const bool tlg6 : {false, true}) {
    for (const bool tags : {false, true}) {
      SCOPED_TRACE(::testing::Message() << tlg6 << tags);
      image->mode = tags ? 1 : 0;
      const Bytes file = encode(*image, 32, tlg6);
      ASSERT_TRUE(decode(file));
      // A container cut right after its stream is whole, without tags.
      const std::size_t streamEnd = tags ? 15 + tlg::le32(file.data() + 11) : file.size();
      for (std::size_t length = 0; length < file.size(); ++length) {
        const Bytes prefix(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(length));
        EXPECT_EQ(decode(prefix) != nullptr, length == streamEnd) << length;
      }
    }
  }
}

TEST(TlgDamage, FlippedBytesNeverReadOutside) {
  // Every byte of small files changed in turn, then random damage to a
  // larger one; results may be pictures or null, but never a fault (the
  // sanitizer build watches).
  for (const bool tlg6 : {false, true}) {
    ImagePtr image = makePattern(Pattern::kSpikes, 12, 13, 6);
    image->mode = 1;
    const Bytes file = encode(*image, 32, tlg6);
    for (std::size_t i = 0; i < file.size(); ++i) {
      for (const unsigned mask : {0x01U, 0x10U, 0x80U, 0xFFU}) {
        Bytes damaged = file;
        damaged[i] = static_cast<std::uint8_t>(damaged[i] ^ mask);
        ImagePtr decoded = decode(damaged);
        if (decoded) {
          EXPECT_EQ(decoded->pixelCount, decoded->width * decoded->height);
        }
      }
    }
  }
  std::mt19937 random(11);
  ImagePtr big = makePattern(Pattern::kGradient, 80, 50, 12);
  for (const bool tlg6 : {false, true}) {
    const Bytes file = encode(*big, 32, tlg6);
    for (int round = 0; round < 300; ++round) {
      Bytes damaged = file;
      for (int k = 0; k < 4; ++k) {
        damaged[std::uniform_int_distribution<std::size_t>(0, file.size() - 1)(random)] =
            static_cast<std::uint8_t>(random());
      }
      decode(damaged);
    }
  }
}

TEST(TlgDamage, HeadersThatLie) {
  ImagePtr image = makePattern(Pattern::kNoise, 16, 16, 9);
  const Bytes tlg5 = encode(*image, 32, false);
  const Bytes tlg6 = encode(*image, 32, true);
  const auto patched = [](Bytes file, std::size_t at, std::uint32_t value) {
    tlg::putLe32(file.data() + at, value);
    return file;
  };
  const auto byte = [](Bytes file, std::size_t at, std::uint8_t value) {
    file[at] = value;
    return file;
  };
  EXPECT_FALSE(decode(byte(tlg5, 11, 1)));  // colours
  EXPECT_FALSE(decode(byte(tlg6, 11, 2)));
  for (const std::size_t flag : {12U, 13U, 14U}) EXPECT_FALSE(decode(byte(tlg6, flag, 1)));
  for (const std::uint32_t side : {0U, 32769U, 0x80000000U, 0xFFFFFFFFU}) {
    EXPECT_FALSE(decode(patched(tlg5, 12, side)));
    EXPECT_FALSE(decode(patched(tlg5, 16, side)));
    EXPECT_FALSE(decode(patched(tlg6, 15, side)));
    EXPECT_FALSE(decode(patched(tlg6, 19, side)));
  }
  // The largest sides, with far too little data for them.
  EXPECT_FALSE(decode(patched(patched(tlg5, 12, 32768), 16, 32768)));
  EXPECT_FALSE(decode(patched(patched(tlg6, 15, 32768), 19, 32768)));
  EXPECT_FALSE(decode(patched(tlg5, 20, 0)));  // block height
  // A taller picture than its blocks hold; a wider one than its stripes do.
  EXPECT_FALSE(decode(patched(tlg5, 16, 17)));
  EXPECT_FALSE(decode(patched(tlg6, 15, 17)));
  EXPECT_FALSE(decode(patched(tlg6, 27, 0xFFFFFFF0U)));  // filter type length
  // The first stripe's blue bit length: too long for the data, too short
  // for its values.
  const std::size_t stripe = 31 + tlg::le32(tlg6.data() + 27);
  const std::uint32_t bits = tlg::le32(tlg6.data() + stripe);
  EXPECT_FALSE(decode(patched(tlg6, stripe, 0x3FFFFFFF)));
  Bytes shortened = patched(tlg6, stripe, bits - 8);
  shortened.erase(shortened.begin() + static_cast<std::ptrdiff_t>(stripe + 4 + (bits + 7) / 8 - 1));
  EXPECT_FALSE(decode(shortened));
}

TEST(TlgDamage, LzssOutputOfTheWrongLength) {
  // A back-reference may only fill what the output holds.
  Bytes out(tlg::kWindowSize + 16 + tlg::kLzssSlack, 0);
  const Bytes longReference = {0x01, 0x00, 0xF0, 0xFF};  // 273 bytes
  EXPECT_EQ(tlg::lzssDecode(longReference, out.data() + tlg::kWindowSize, 16, 0), tlg::kLzssError);
  EXPECT_EQ(tlg::lzssDecode(Bytes{0x01, 0x00}, out.data() + tlg::kWindowSize, 16, 0),
            tlg::kLzssError);  // cut-off reference
  EXPECT_EQ(tlg::lzssDecode(Bytes{0x00, 1, 2}, out.data() + tlg::kWindowSize, 1, 0),
            tlg::kLzssError);

  // A TLG5 channel that decodes to fewer bytes than its rows need.
  ImagePtr image = makePattern(Pattern::kFlat, 40, 4, 1);
  Bytes file = encode(*image, 24, false);
  const std::size_t channel = 24 + 4;
  ASSERT_EQ(file[channel], 0);  // compressed
  const Bytes fewer = {0x00, 7};
  Bytes damaged(file.begin(), file.begin() + channel + 1);
  tlg::appendLe32(damaged, static_cast<std::uint32_t>(fewer.size()));
  damaged.insert(damaged.end(), fewer.begin(), fewer.end());
  damaged.insert(damaged.end(),
                 file.begin() + static_cast<std::ptrdiff_t>(channel + 5 +
                                                            tlg::le32(file.data() + channel + 1)),
                 file.end());
  EXPECT_FALSE(decode(damaged));
}

TEST(TlgDamage, FilterTypesOutOfRangeEndTheRow) {
  ImagePtr image = makePattern(Pattern::kNoise, 24, 16, 10);
  const Bytes file = encode(*image, 32, true);
  Bytes types = filterTypes(file, 3 * 2);
  types[1] = 32;  // second block of the first stripe
  ImagePtr decoded = decode(withFilterTypes(file, types));
  ASSERT_TRUE(decoded);
  for (int y = 0; y < 8; ++y) {
    EXPECT_EQ(std::memcmp(pixelAt(*decoded, 0, y), pixelAt(*image, 0, y), 8 * 4), 0) << y;
    const std::vector<std::uint8_t> zeros(16 * 4, 0);
    EXPECT_EQ(std::memcmp(pixelAt(*decoded, 8, y), zeros.data(), zeros.size()), 0) << y;
  }
  // Too few filter types for the blocks.
  types.pop_back();
  EXPECT_FALSE(decode(withFilterTypes(file, types)));
}

}  // namespace
}  // namespace tsuzuri::assets
