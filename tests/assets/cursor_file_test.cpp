#include "assets/cursor_file.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "assets/image_buffer.h"
#include "assets/image_codecs.h"

namespace tsuzuri::assets {
namespace {

using namespace std::string_literals;
using Px = std::vector<std::uint32_t>;
using Hot = std::pair<std::int32_t, std::int32_t>;
const std::string m4(4, '\0');

// Little-endian bytes; negative values in two's complement.
template <typename T>
std::string le(T v, int n = 4) {
  std::string out;
  for (int i = 0; i < n; ++i) out += static_cast<char>(static_cast<std::uint64_t>(v) >> (8 * i));
  return out;
}
const auto decode = [](const std::string& s) {
  return decodeCursor({reinterpret_cast<const std::uint8_t*>(s.data()), s.size()});
};

// Decodes a file and checks its 32-bit image, top-down as 0xAARRGGBB, and its hot spot.
void check(const std::string& file, const Px& expected, const char* name, Hot hot = {}) {
  SCOPED_TRACE(name);
  const CursorImage c = decode(file);
  ASSERT_TRUE(c.image);
  EXPECT_EQ(c.image->depth, 32);
  Px pixels(static_cast<std::size_t>(c.image->pixelCount));  // rows are exactly width × 4 bytes
  std::memcpy(pixels.data(), c.image->pixels, pixels.size() * 4);
  EXPECT_EQ(pixels, expected);
  EXPECT_EQ(Hot(c.hotX, c.hotY), hot);
}

// A bitmap as cursor entries hold it, rows as stored: bottom-up, padded to four bytes. The
// palette of 0xRRGGBB colours is sized as the header implies, each with a junk unused byte.
std::string dib(std::int32_t w, std::int32_t h, std::uint32_t bits, Px palette,
                const std::string& colour, const std::string& mask, std::uint32_t colourCount = 0,
                std::uint32_t headerSize = 40, std::uint32_t compression = 0) {
  palette.resize(bits <= 8 && colourCount == 0 ? std::size_t{1} << bits : colourCount);
  std::string out = le(headerSize) + le(w) + le(h * 2) + le(1, 2) + le(bits, 2) + le(compression) +
                    std::string(12, '\0') + le(colourCount) + m4 +
                    std::string(headerSize - 40, '\0');
  for (const std::uint32_t rgb : palette) out += le(rgb | 0x5A000000U);
  return out + colour + mask;
}

// An icon (type 1) or cursor (type 2) file, its images after the directory. Each entry has
// width, height (256 stored as 0), and the hot spot (planes and bit count in icons).
using Entry = std::pair<std::array<std::uint32_t, 4>, std::string>;
std::string directory(std::uint32_t type, const std::vector<Entry>& entries) {
  std::string out = le(0, 2) + le(type, 2) + le(entries.size(), 2), data;
  for (const auto& [e, image] : entries) {
    out += le(e[0] & 0xFFU, 1) + le(e[1] & 0xFFU, 1) + le(0, 2) + le(e[2], 2) + le(e[3], 2) +
           le(image.size()) + le(6 + 16 * entries.size() + data.size());
    data += image;
  }
  return out + data;
}
std::string cur(const std::string& data, std::uint32_t hotX = 0, std::uint32_t hotY = 0) {
  return directory(2, {{{1, 1, hotX, hotY}, data}});
}

// RIFF chunks, padded to an even size, and the animated cursor form.
std::string chunk(const std::string& id, const std::string& body) {
  return id + le(body.size()) + body + std::string(body.size() % 2, '\0');
}
const auto fram = [](const std::string& body) { return chunk("LIST", "fram" + body); };
const auto ani = [](const std::string& s) { return "RIFF" + le(s.size() + 4) + "ACON" + s; };

std::string png(std::int32_t w, std::int32_t h, std::int32_t depth, const Px& colours) {
  ImagePtr image = makeImage(w, h, 32);
  std::memcpy(image->pixels, colours.data(), colours.size() * 4);
  const EncodedImage encoded = encodePng(*image, depth, 6, 0);
  EXPECT_TRUE(encoded.ok);
  return {encoded.bytes.begin(), encoded.bytes.end()};
}

TEST(CursorFile, DecodesEntries) {
  // Stored bottom-up; every mask bit set would make all of it transparent.
  const std::string rgba = le(0x00FFFFFF) + le(0x40FF0000) + le(0x80102030) + le(0xFF0000FF);
  check(cur(dib(2, 2, 32, {}, rgba, "\xC0\0\0\0\xC0\0\0\0"s), 1),
        {0x80102030, 0xFF0000FF, 0x00FFFFFF, 0x40FF0000}, "32 bits with alpha ignore the mask",
        {1, 0});
  // Ten pixels a row, high bits first: two bytes, padded to four. Set mask bits are transparent.
  const std::string oneBit =
      dib(10, 2, 1, {0x123456, 0xFFFFFF}, "\xF0\0\0\0\x80\x40\0\0"s, "\0\0\0\0\x0F\xC0\0\0"s);
  const std::uint32_t w = 0xFFFFFFFF, k = 0xFF123456;
  const Px oneBitPx = {w, k, k, k, 0, 0, 0, 0, 0, 0, /* row 2 */ w, w, w, w, k, k, k, k, k, k};
  check(cur(oneBit, 9, 1), oneBitPx, "1 bit", {9, 1});
  check(cur(oneBit, 40, 7), oneBitPx, "a hot spot outside is moved to the edge", {9, 1});
  check(cur(dib(3, 1, 4, {0, 0xFF0000, 0x00FF00, 0x0000FF}, "\x21\x30\0\0"s, "\x20\0\0\0"s)),
        {0xFF00FF00, 0xFFFF0000, 0}, "4 bits, low nibble second");
  check(cur(dib(2, 1, 8, {0x010203, 0, 0, 0x123456}, "\x03\x00\0\0"s, m4)),
        {0xFF123456, 0xFF010203}, "8 bits");
  check(cur(dib(2, 1, 8, {0, 0, 0, 0x123456}, "\x03\x04\0\0"s, m4, 4)), {0xFF123456, 0xFF000000},
        "8 bits, short table: the pixels follow it, indexes past it are black");
  check(cur(dib(1, 2, 24, {}, "\x01\x02\x03\0\x04\x05\x06\0"s, m4 + m4)), {0xFF060504, 0xFF030201},
        "24 bits, bottom-up");
  check(cur(dib(2, 1, 32, {}, le(0x00112233) + le(0x00445566), "\x40\0\0\0"s)), {0xFF112233, 0},
        "32 bits without alpha take the mask");
  check(cur(dib(1, 1, 32, {}, le(0x01112233), "")), {0x01112233},
        "32 bits with alpha need no mask");
  check(cur(dib(2, 1, 1, {0xABCDEF, 0x1}, "\x40\0\0\0"s, m4, 0, 108)), {0xFFABCDEF, 0xFF000001},
        "a longer header moves the table");
  // Icons keep planes and bit count where cursors keep the hot spot.
  const Px colours = {0x80102030, 0xFFFF0000, 0x0000FF00, 0x400000FF, 0xFFFFFFFF, 0x7F000000};
  check(directory(1, {{{3, 2, 1, 32}, png(3, 2, 32, colours)}}), colours, "32-bit PNG");
  check(directory(1, {{{3, 2, 1, 32}, png(3, 2, 24, Px(6, 0xFF123456))}}), Px(6, 0xFF123456),
        "24-bit PNG: opaque, but still a 32-bit image");
  // An animated cursor gives its first frame; odd chunks and another list before it are skipped.
  const std::string first =
      directory(2, {{{2, 2, 1, 1}, dib(2, 2, 32, {}, std::string(16, '\x7F'), "")}});
  check(ani(chunk("anih", std::string(36, '\1')) + chunk("junk", "abc") +
            chunk("LIST", "INFO" + chunk("INAM", "name!")) +
            fram(chunk("icon", first) + chunk("icon", cur(dib(1, 1, 32, {}, le(0xFFFF0000), ""))))),
        Px(4, 0x7F7F7F7F), "ANI", {1, 1});
}

TEST(CursorFile, ChoosesTheLargestEntry) {
  // The directory gives each entry's size; its image is one pixel of the depth and grey i + 1.
  auto file = [](const std::vector<std::array<std::uint32_t, 3>>& images) {
    std::vector<Entry> entries;
    std::uint32_t grey = 0xFF000000U;
    for (const auto& [w, h, bits] : images) {
      grey += 0x010101U;
      entries.push_back({{w, h, 0, 0}, dib(1, 1, bits, {grey}, le(bits <= 8 ? 0 : grey), m4)});
    }
    return directory(2, entries);
  };
  auto grey = [](std::uint32_t i) { return Px{0xFF000000U | 0x010101U * i}; };
  check(file({{16, 16, 32}, {32, 32, 8}, {24, 24, 32}}), grey(2), "largest area");
  check(file({{32, 32, 24}, {32, 32, 8}}), grey(1), "equal areas: the first");
  check(file({{8, 8, 8}, {8, 8, 32}, {8, 8, 32}}), grey(2), "equal areas: a 32-bit one first");
  check(file({{16, 2, 32}, {6, 6, 4}}), grey(2), "area, not width");
  check(file({{16, 15, 32}, {256, 1, 32}}), grey(2), "a side of 0 is 256");
}

TEST(CursorFile, RefusesDamagedFiles) {
  const std::string px = le(0xFF00FF00), valid = cur(dib(1, 1, 32, {}, px, m4));
  const std::string frame = chunk("icon", valid), validAni = ani(fram(frame));
  auto patched = [](std::string s, std::size_t at, std::uint64_t v, int bytes = 4) {
    return s.replace(at, static_cast<std::size_t>(bytes), le(v, bytes));
  };
  // A PNG of 257 × 1 is sound, but too wide for a cursor; its sides are big-endian.
  const std::string widePng = png(257, 1, 32, Px(257, 0x55555555));
  const std::pair<const char*, std::string> cases[] = {
      {"zero count", patched(valid, 4, 0, 2)},
      {"type 3", patched(valid, 2, 3, 2)},
      {"reserved field set", patched(valid, 0, 1, 2)},
      {"entry offset past the end", patched(valid, 18, 0x7FFFFFFF)},
      {"entry size past the end", patched(valid, 14, valid.size())},
      {"entry size overflowing with the offset", patched(valid, 14, 0xFFFFFFF0U)},
      {"header size 12", patched(valid, 22, 12)},
      {"header size past the entry", patched(valid, 22, 0x10000)},
      {"16384 × 16384 claimed", cur(dib(16384, 16384, 32, {}, px, ""))},
      {"257 wide", cur(dib(257, 1, 32, {}, std::string(257 * 4, '\xFF'), ""))},
      {"negative height", cur(dib(1, -1, 32, {}, px, m4))},
      {"compressed", cur(dib(1, 1, 32, {}, px, m4, 0, 40, 3))},
      {"16 bits", cur(dib(1, 1, 16, {}, px, m4))},
      {"colour rows cut", cur(dib(1, 2, 24, {}, px, ""))},
      {"mask missing", cur(dib(1, 1, 24, {}, px, ""))},
      {"PNG claiming 16384 × 16384", cur(patched(widePng, 16, 0x0040000000400000U, 8))},
      {"PNG 257 wide", cur(widePng)},
      {"PNG cut", cur(png(4, 4, 32, Px(16)).substr(0, 40))},
      {"ANI without frames", ani(chunk("anih", std::string(36, '\0')))},
      {"ANI frame list without icons", ani(fram(chunk("junk", "abc")))},
      {"ANI odd icon running past the end", patched(validAni, 28, valid.size() + 3)},
      {"ANI form ending before its chunks", patched(validAni, 4, 4)},
      {"ANI holding an ANI", ani(fram(chunk("icon", validAni)))},
  };
  for (const auto& c : cases) EXPECT_FALSE(decode(c.second).image) << c.first;
  // The valid files decode, and any cut of them (in a header, directory, entry, list...) fails.
  for (const std::string& file : {valid, validAni}) {
    EXPECT_TRUE(decode(file).image);
    for (std::size_t n = 0; n < file.size(); ++n)
      EXPECT_FALSE(decode(file.substr(0, n)).image) << n;
  }
}

}  // namespace
}  // namespace tsuzuri::assets
