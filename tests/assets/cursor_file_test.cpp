#include "assets/cursor_file.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <iterator>
#include <span>
#include <string>
#include <vector>

#include "assets/image_buffer.h"
#include "assets/image_codecs.h"

namespace tsuzuri::assets {
namespace {

std::string le(std::uint32_t v, int bytes) {
  std::string out;
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<char>((v >> (8 * i)) & 0xFFU));
  return out;
}

void setLe32(std::string& s, std::size_t at, std::uint32_t v) {
  s.replace(at, 4, le(v, 4));
}

CursorImage decode(const std::string& s) {
  return decodeCursor({reinterpret_cast<const std::uint8_t*>(s.data()), s.size()});
}

// The pixels top-down, each as 0xAARRGGBB.
std::vector<std::uint32_t> allPixels(ImageBuffer& image) {
  std::vector<std::uint32_t> out;
  for (std::int32_t y = 0; y < image.height; ++y) {
    for (std::int32_t x = 0; x < image.width; ++x) {
      std::uint32_t v = 0;
      std::memcpy(&v, pixelAt(image, x, y), 4);
      out.push_back(v);
    }
  }
  return out;
}

// A bitmap as cursor entries hold it. The rows are given as stored:
// bottom-up, padded to four bytes.
struct Dib {
  std::int32_t width = 1;
  std::int32_t height = 1;  // of the image; the header says twice as much
  std::uint32_t bitCount = 32;
  std::uint32_t headerSize = 40;
  std::uint32_t compression = 0;
  std::uint32_t colourCount = 0;
  std::string palette = {};  // blue, green, red, unused per entry
  std::string colour = {};
  std::string mask = {};
};

std::string dibBytes(const Dib& d) {
  std::string out = le(d.headerSize, 4) + le(static_cast<std::uint32_t>(d.width), 4) +
                    le(static_cast<std::uint32_t>(d.height * 2), 4) + le(1, 2) + le(d.bitCount, 2) +
                    le(d.compression, 4) + std::string(12, '\0') + le(d.colourCount, 4) + le(0, 4);
  if (d.headerSize > 40) out.append(d.headerSize - 40, '\0');
  return out + d.palette + d.colour + d.mask;
}

// Palette entries for 0xRRGGBB colours; the unused byte must be ignored.
std::string paletteOf(const std::vector<std::uint32_t>& rgb, std::size_t entries) {
  std::string out;
  for (std::size_t i = 0; i < entries; ++i)
    out += le((i < rgb.size() ? rgb[i] : 0) | 0x5A000000U, 4);
  return out;
}

struct Entry {
  std::uint32_t width = 1;  // 256 is stored as 0
  std::uint32_t height = 1;
  std::uint32_t hotX = 0;  // planes in icons
  std::uint32_t hotY = 0;  // bit count in icons
  std::string data = {};
};

// An icon (type 1) or cursor (type 2) file, its images after the directory.
std::string directoryFile(std::uint32_t type, const std::vector<Entry>& entries) {
  std::string out = le(0, 2) + le(type, 2) + le(static_cast<std::uint32_t>(entries.size()), 2);
  auto offset = static_cast<std::uint32_t>(6 + 16 * entries.size());
  for (const Entry& e : entries) {
    out += le(e.width & 0xFFU, 1) + le(e.height & 0xFFU, 1) + le(0, 2) + le(e.hotX, 2) +
           le(e.hotY, 2) + le(static_cast<std::uint32_t>(e.data.size()), 4) + le(offset, 4);
    offset += static_cast<std::uint32_t>(e.data.size());
  }
  for (const Entry& e : entries) out += e.data;
  return out;
}

std::string cursorOf(const Dib& d, std::uint32_t hotX = 0, std::uint32_t hotY = 0) {
  return directoryFile(2, {{static_cast<std::uint32_t>(d.width),
                            static_cast<std::uint32_t>(d.height), hotX, hotY, dibBytes(d)}});
}

// A RIFF chunk, padded to an even size.
std::string chunk(const char* id, const std::string& body) {
  return id + le(static_cast<std::uint32_t>(body.size()), 4) + body +
         std::string(body.size() % 2, '\0');
}
std::string list(const char* type, const std::string& body) {
  return chunk("LIST", type + body);
}
std::string aniOf(const std::string& chunks) {
  return "RIFF" + le(static_cast<std::uint32_t>(chunks.size() + 4), 4) + "ACON" + chunks;
}

// A w × h opaque entry of one 0xRRGGBB colour.
std::string solidDib(std::int32_t w, std::int32_t h, std::uint32_t bitCount, std::uint32_t rgb) {
  const auto uw = static_cast<std::size_t>(w);
  const auto uh = static_cast<std::size_t>(h);
  Dib d{.width = w, .height = h, .bitCount = bitCount};
  std::string row((uw * bitCount + 31) / 32 * 4, '\0');
  if (bitCount <= 8) {
    d.palette = paletteOf({rgb}, std::size_t{1} << bitCount);
  } else {
    for (std::size_t x = 0; x < uw; ++x)
      row.replace(x * bitCount / 8, bitCount / 8, le(rgb | 0xFF000000U, 4), 0, bitCount / 8);
  }
  for (std::size_t y = 0; y < uh; ++y) d.colour += row;
  d.mask.assign((uw + 31) / 32 * 4 * uh, '\0');
  return dibBytes(d);
}

const std::string kOpaque2x2Mask(8, '\0');

TEST(CursorFile, ThirtyTwoBitsWithAlphaIgnoreTheMask) {
  // Stored bottom-up; every mask bit set would make all of it transparent.
  const std::string file = cursorOf(
      {.width = 2,
       .height = 2,
       .colour = le(0x00FFFFFF, 4) + le(0x40FF0000, 4) + le(0x80102030, 4) + le(0xFF0000FF, 4),
       .mask = std::string("\xC0\0\0\0\xC0\0\0\0", 8)},
      1, 0);
  const CursorImage cursor = decode(file);
  ASSERT_TRUE(cursor.image);
  EXPECT_EQ(cursor.image->depth, 32);
  EXPECT_EQ(allPixels(*cursor.image),
            (std::vector<std::uint32_t>{0x80102030, 0xFF0000FF, 0x00FFFFFF, 0x40FF0000}));
  EXPECT_EQ(cursor.hotX, 1);
  EXPECT_EQ(cursor.hotY, 0);
}

TEST(CursorFile, OneBitCursorWithMask) {
  // Ten pixels a row, high bits first: two bytes, padded to four.
  const std::string file = cursorOf({.width = 10,
                                     .height = 2,
                                     .bitCount = 1,
                                     .palette = paletteOf({0x123456, 0xFFFFFF}, 2),
                                     .colour = std::string("\xF0\0\0\0\x80\x40\0\0", 8),
                                     .mask = std::string("\0\0\0\0\x0F\xC0\0\0", 8)},
                                    9, 1);
  const CursorImage cursor = decode(file);
  ASSERT_TRUE(cursor.image);
  const std::uint32_t w = 0xFFFFFFFF;
  const std::uint32_t c = 0xFF123456;
  EXPECT_EQ(allPixels(*cursor.image), (std::vector<std::uint32_t>{w, c, c, c, 0, 0, 0, 0, 0, 0,  //
                                                                  w, w, w, w, c, c, c, c, c, c}));
  EXPECT_EQ(cursor.hotX, 9);
  EXPECT_EQ(cursor.hotY, 1);
  // A hot spot outside the image is moved to its edge.
  EXPECT_EQ(decode(cursorOf({.width = 10,
                             .height = 2,
                             .bitCount = 1,
                             .palette = paletteOf({}, 2),
                             .colour = std::string(8, '\0'),
                             .mask = std::string(8, '\0')},
                            40, 7))
                .hotX,
            9);
}

TEST(CursorFile, OtherDepths) {
  struct Case {
    const char* name;
    Dib dib;
    std::vector<std::uint32_t> pixels;
  };
  const std::string zeroMask(4, '\0');
  const Case cases[] = {
      {"4 bits, low nibble second",
       {.width = 3,
        .bitCount = 4,
        .palette = paletteOf({0, 0xFF0000, 0x00FF00, 0x0000FF}, 16),
        .colour = std::string("\x21\x30\0\0", 4),
        .mask = std::string("\x20\0\0\0", 4)},
       {0xFF00FF00, 0xFFFF0000, 0}},
      {"8 bits, full table",
       {.width = 2,
        .bitCount = 8,
        .palette = paletteOf({0x010203, 0, 0, 0x123456}, 256),
        .colour = std::string("\x03\x00\0\0", 4),
        .mask = zeroMask},
       {0xFF123456, 0xFF010203}},
      {"8 bits, short table: the pixels follow it, indexes past it are black",
       {.width = 2,
        .bitCount = 8,
        .colourCount = 4,
        .palette = paletteOf({0, 0, 0, 0x123456}, 4),
        .colour = std::string("\x03\x04\0\0", 4),
        .mask = zeroMask},
       {0xFF123456, 0xFF000000}},
      {"24 bits, bottom-up",
       {.height = 2,
        .bitCount = 24,
        .colour = std::string("\x01\x02\x03\0\x04\x05\x06\0", 8),
        .mask = std::string(8, '\0')},
       {0xFF060504, 0xFF030201}},
      {"32 bits without alpha take the mask",
       {.width = 2,
        .colour = le(0x00112233, 4) + le(0x00445566, 4),
        .mask = std::string("\x40\0\0\0", 4)},
       {0xFF112233, 0}},
      {"32 bits with alpha need no mask", {.colour = le(0x01112233, 4)}, {0x01112233}},
      {"a longer header moves the table",
       {.width = 2,
        .bitCount = 1,
        .headerSize = 108,
        .palette = paletteOf({0xABCDEF, 0x1}, 2),
        .colour = std::string("\x40\0\0\0", 4),
        .mask = zeroMask},
       {0xFFABCDEF, 0xFF000001}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const CursorImage cursor = decode(cursorOf(c.dib));
    ASSERT_TRUE(cursor.image);
    EXPECT_EQ(cursor.image->depth, 32);
    EXPECT_EQ(allPixels(*cursor.image), c.pixels);
  }
}

TEST(CursorFile, PngEntryOfAnIcon) {
  for (const std::int32_t depth : {24, 32}) {
    SCOPED_TRACE(depth);
    ImagePtr source = makeImage(3, 2, 32);
    const std::uint32_t colours[] = {0x80102030, 0xFFFF0000, 0x0000FF00,
                                     0x400000FF, 0xFFFFFFFF, 0x7F000000};
    std::memcpy(source->pixels, colours, sizeof colours);
    const EncodedImage png = encodePng(*source, depth, 6, 0);
    ASSERT_TRUE(png.ok);
    // Icons keep planes and bit count where cursors keep the hot spot.
    const CursorImage cursor =
        decode(directoryFile(1, {{3, 2, 1, 32, std::string(png.bytes.begin(), png.bytes.end())}}));
    ASSERT_TRUE(cursor.image);
    EXPECT_EQ(cursor.image->depth, 32);
    EXPECT_EQ(cursor.hotX + cursor.hotY, 0);
    std::vector<std::uint32_t> expected(std::begin(colours), std::end(colours));
    if (depth == 24) {
      for (std::uint32_t& v : expected) v |= 0xFF000000U;
    }
    EXPECT_EQ(allPixels(*cursor.image), expected);
  }
}

TEST(CursorFile, AnimatedCursorGivesItsFirstFrame) {
  const std::string first = directoryFile(2, {{2, 2, 1, 1, solidDib(2, 2, 32, 0x00FF00)}});
  const std::string second = cursorOf({.colour = le(0xFFFF0000, 4)});
  // Odd chunks before the frames: their padding must be skipped.
  const std::string file = aniOf(chunk("anih", std::string(36, '\1')) + chunk("junk", "abc") +
                                 list("INFO", chunk("INAM", "name!")) +
                                 list("fram", chunk("icon", first) + chunk("icon", second)));
  const CursorImage cursor = decode(file);
  ASSERT_TRUE(cursor.image);
  EXPECT_EQ(allPixels(*cursor.image), std::vector<std::uint32_t>(4, 0xFF00FF00));
  EXPECT_EQ(cursor.hotX, 1);
  EXPECT_EQ(cursor.hotY, 1);
}

TEST(CursorFile, ChoosesTheLargestEntry) {
  struct Image {
    std::int32_t width, height;
    std::uint32_t bitCount;
  };
  struct Case {
    const char* name;
    std::vector<Image> images;
    std::size_t chosen;
  };
  const Case cases[] = {
      {"largest area", {{16, 16, 32}, {32, 32, 8}, {24, 24, 32}}, 1},
      {"equal areas: the first", {{32, 32, 24}, {32, 32, 8}}, 0},
      {"equal areas: a 32-bit one first", {{8, 8, 8}, {8, 8, 32}, {8, 8, 32}}, 1},
      {"area, not width", {{16, 2, 32}, {6, 6, 4}}, 1},
      {"a side of 0 is 256", {{16, 15, 32}, {256, 1, 32}}, 1},
  };
  // Each image has its own colour, by which the chosen one is told.
  auto greyOf = [](std::size_t i) { return 0x010101U * static_cast<std::uint32_t>(i + 1); };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<Entry> entries;
    for (std::size_t i = 0; i < c.images.size(); ++i) {
      const Image& m = c.images[i];
      entries.push_back({static_cast<std::uint32_t>(m.width), static_cast<std::uint32_t>(m.height),
                         0, 0, solidDib(m.width, m.height, m.bitCount, greyOf(i))});
    }
    const CursorImage cursor = decode(directoryFile(2, entries));
    ASSERT_TRUE(cursor.image);
    EXPECT_EQ(cursor.image->width, c.images[c.chosen].width);
    EXPECT_EQ(allPixels(*cursor.image)[0], 0xFF000000U | greyOf(c.chosen));
  }
}

TEST(CursorFile, RefusesDamagedFiles) {
  const std::string valid = cursorOf({.colour = le(0xFF00FF00, 4), .mask = le(0, 4)});
  const std::string pixel = le(0xFF00FF00, 4);
  auto patched = [&](std::size_t at, std::uint32_t v) {
    std::string s = valid;
    setLe32(s, at, v);
    return s;
  };
  auto pngOf = [](std::int32_t width) {
    ImagePtr image = makeImage(width, 1, 32);
    std::memset(image->pixels, 0x55, static_cast<std::size_t>(width) * 4);
    const EncodedImage png = encodePng(*image, 32, 6, 0);
    return std::string(png.bytes.begin(), png.bytes.end());
  };
  // A PNG of 257 × 1 is sound, but too wide for a cursor.
  const std::string widePng = pngOf(257);
  std::string hugePng = widePng;
  hugePng.replace(16, 8, std::string("\0\0\x40\0\0\0\x40\0", 8));  // 16384 × 16384
  const std::string frame = chunk("icon", valid);
  std::string listPastEnd = aniOf(list("fram", frame));
  setLe32(listPastEnd, 16, static_cast<std::uint32_t>(4 + frame.size() + 1));
  std::string iconPastEnd = aniOf(list("fram", frame));
  setLe32(iconPastEnd, 28, static_cast<std::uint32_t>(valid.size() + 3));
  std::string shortForm = aniOf(list("fram", frame));
  setLe32(shortForm, 4, 4);
  struct Case {
    const char* name;
    std::string file;
  };
  const Case cases[] = {
      {"empty", ""},
      {"truncated header", valid.substr(0, 5)},
      {"directory cut short", valid.substr(0, 20)},
      {"zero count", valid.substr(0, 4) + le(0, 2) + valid.substr(6)},
      {"type 3", valid.substr(0, 2) + le(3, 2) + valid.substr(4)},
      {"reserved field set", le(1, 2) + valid.substr(2)},
      {"entry offset past the end", patched(18, 0x7FFFFFFF)},
      {"entry size past the end", patched(14, static_cast<std::uint32_t>(valid.size()))},
      {"entry size overflowing with the offset", patched(14, 0xFFFFFFF0U)},
      {"header size 12", patched(22, 12)},
      {"header size past the entry", patched(22, 0x10000)},
      {"16384 × 16384 claimed", cursorOf({.width = 16384, .height = 16384, .colour = pixel})},
      {"257 wide", cursorOf({.width = 257, .colour = std::string(std::size_t{257} * 4, '\0')})},
      {"negative height", cursorOf({.height = -1, .colour = pixel, .mask = le(0, 4)})},
      {"compressed", cursorOf({.compression = 3, .colour = pixel, .mask = le(0, 4)})},
      {"16 bits", cursorOf({.bitCount = 16, .colour = pixel, .mask = le(0, 4)})},
      {"colour table past the entry", cursorOf({.bitCount = 8, .palette = paletteOf({}, 2)})},
      {"colour rows cut", cursorOf({.height = 2, .bitCount = 24, .colour = pixel})},
      {"mask missing", cursorOf({.bitCount = 24, .colour = pixel})},
      {"PNG claiming 16384 × 16384", directoryFile(2, {{0, 0, 0, 0, hugePng}})},
      {"PNG 257 wide", directoryFile(2, {{0, 1, 0, 0, widePng}})},
      {"PNG cut", directoryFile(2, {{4, 4, 0, 0, pngOf(4).substr(0, 40)}})},
      {"ANI without frames", aniOf(chunk("anih", std::string(36, '\0')))},
      {"ANI frame list without icons", aniOf(list("fram", chunk("junk", "abc")))},
      {"ANI list running past the end", listPastEnd},
      {"ANI odd icon running past the end", iconPastEnd},
      {"ANI form ending before its chunks", shortForm},
      {"ANI holding an ANI", aniOf(list("fram", chunk("icon", aniOf(list("fram", frame)))))},
      {"RIFF of another kind", "RIFF" + le(4, 4) + "WAVE"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_FALSE(decode(c.file).image);
  }
  // The valid files decode, and any cut of them fails cleanly.
  for (const std::string& file : {valid, aniOf(list("fram", frame))}) {
    EXPECT_TRUE(decode(file).image);
    for (std::size_t length = 0; length < file.size(); ++length) {
      EXPECT_FALSE(decode(file.substr(0, length)).image) << length;
    }
  }
}

}  // namespace
}  // namespace tsuzuri::assets
