#pragma once

// Internals of the TLG codec shared by its decoder, its encoder and their
// tests: the stream marks, the LZSS coder of both variants, the Golomb
// bit-length table and the TLG6 colour transforms.

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "assets/image_buffer.h"
#include "util/byte_order.h"

namespace tsuzuri::assets::tlg {

inline constexpr std::size_t kMarkSize = 11;
inline constexpr std::array<std::uint8_t, kMarkSize> kTlg0Mark = {'T', 'L', 'G', '0', '.', '0',
                                                                  0,   's', 'd', 's', 0x1A};
inline constexpr std::array<std::uint8_t, kMarkSize> kTlg5Mark = {'T', 'L', 'G', '5', '.', '0',
                                                                  0,   'r', 'a', 'w', 0x1A};
inline constexpr std::array<std::uint8_t, kMarkSize> kTlg6Mark = {'T', 'L', 'G', '6', '.', '0',
                                                                  0,   'r', 'a', 'w', 0x1A};

bool hasMark(std::span<const std::uint8_t> data, const std::array<std::uint8_t, kMarkSize>& mark);

using util::le32;

inline void appendLe32(std::vector<std::uint8_t>& out, std::uint32_t v) {
  for (int shift = 0; shift < 32; shift += 8) {
    out.push_back(static_cast<std::uint8_t>((v >> shift) & 0xFFU));
  }
}

inline void putLe32(std::uint8_t* p, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>((v >> (8 * i)) & 0xFFU);
}

// ---------------------------------------------------------------------------
// LZSS

inline constexpr std::size_t kWindowSize = 4096;
inline constexpr std::uint32_t kWindowMask = kWindowSize - 1;
// Bytes past `capacity` that lzssDecode may overwrite with scratch.
inline constexpr std::size_t kLzssSlack = 8;
inline constexpr std::size_t kLzssError = static_cast<std::size_t>(-1);
// The most output one input byte can give: a three-byte reference of 273
// bytes, plus its share of a flag byte.
inline constexpr std::size_t kLzssMaxExpansion = 91;

// Decodes `in` to `out` and returns the number of bytes produced, or
// kLzssError when the output would pass `capacity` or an item is cut off.
// The text window is not a ring here but the 4096 bytes before `out`, the
// oldest first: out[-4096 + i] holds window position (r + i) mod 4096, where
// r is the window position the next output byte goes to. Decoding several
// inputs in a row therefore needs the last 4096 bytes produced moved in front
// of the next output. `out` must have room for capacity + kLzssSlack bytes.
std::size_t lzssDecode(std::span<const std::uint8_t> in, std::uint8_t* out, std::size_t capacity,
                       std::uint32_t r);

// The window TLG6 starts its filter types with: for i in 0…31 and j in
// 0…15, four bytes i then four bytes j.
constexpr std::array<std::uint8_t, kWindowSize> buildFilterTypeWindow() {
  std::array<std::uint8_t, kWindowSize> text{};
  std::size_t p = 0;
  for (std::uint8_t i = 0; i < 32; ++i) {
    for (std::uint8_t j = 0; j < 16; ++j) {
      for (int k = 0; k < 4; ++k) text[p++] = i;
      for (int k = 0; k < 4; ++k) text[p++] = j;
    }
  }
  return text;
}

inline constexpr std::array<std::uint8_t, kWindowSize> kFilterTypeWindow = buildFilterTypeWindow();

// The LZSS encoder. One object encodes a whole image: the window carries
// over from one `compress` to the next, as the decoder's does.
class SlideCompressor {
 public:
  SlideCompressor();
  ~SlideCompressor();
  SlideCompressor(const SlideCompressor&) = delete;
  SlideCompressor& operator=(const SlideCompressor&) = delete;

  // Appends the code of `in` to `out`; the last code group is completed.
  void compress(std::span<const std::uint8_t> in, std::vector<std::uint8_t>& out);
  // Keeps the whole state aside; `rollback` returns to it.
  void snapshot();
  void rollback();

  static constexpr std::size_t kMaxMatch = 273;

 private:
  struct State;
  void consume(const std::uint8_t* bytes, std::size_t count);
  std::unique_ptr<State> state_;
  std::unique_ptr<State> saved_;
};

// ---------------------------------------------------------------------------
// TLG6 residual coding

// k for a Golomb-Rice code given the running sum a (0…1023) and the
// countdown n (0…3), as kGolombBitLength[a][n].
using GolombTable = std::array<std::array<std::uint8_t, 4>, 1024>;

constexpr GolombTable buildGolombTable() {
  constexpr int kCounts[4][9] = {
      {3, 7, 15, 27, 63, 108, 223, 448, 130},
      {3, 5, 13, 24, 51, 95, 192, 384, 257},
      {2, 5, 12, 21, 39, 86, 155, 320, 384},
      {2, 3, 9, 18, 33, 61, 129, 258, 511},
  };
  GolombTable table{};
  for (std::size_t n = 0; n < 4; ++n) {
    std::size_t a = 0;
    for (int k = 0; k < 9; ++k) {
      for (int i = 0; i < kCounts[n][k]; ++i) table[a++][n] = static_cast<std::uint8_t>(k);
    }
    if (a != 1024) throw "each column of counts sums to 1024";
  }
  return table;
}

inline constexpr GolombTable kGolombBitLength = buildGolombTable();

// The TLG6 colour transforms on the residual bytes blue, green, red (alpha
// is never transformed); `decodeColors` undoes `encodeColors`.
inline constexpr std::size_t kTransformCount = 16;

struct Residual {
  std::uint8_t b, g, r;
};

constexpr std::uint8_t add8(std::uint8_t x, std::uint8_t y) {
  return static_cast<std::uint8_t>(x + y);
}
constexpr std::uint8_t sub8(std::uint8_t x, std::uint8_t y) {
  return static_cast<std::uint8_t>(x - y);
}

constexpr Residual decodeColors(std::size_t transform, Residual v) {
  auto& [b, g, r] = v;
  switch (transform) {
    case 1:
      b = add8(b, g), r = add8(r, g);
      break;
    case 2:
      g = add8(g, b), r = add8(r, g);
      break;
    case 3:
      g = add8(g, r), b = add8(b, g);
      break;
    case 4:
      b = add8(b, r), g = add8(g, b), r = add8(r, g);
      break;
    case 5:
      b = add8(b, r), g = add8(g, b);
      break;
    case 6:
      b = add8(b, g);
      break;
    case 7:
      g = add8(g, b);
      break;
    case 8:
      r = add8(r, g);
      break;
    case 9:
      r = add8(r, b), g = add8(g, r), b = add8(b, g);
      break;
    case 10:
      b = add8(b, r), g = add8(g, r);
      break;
    case 11:
      g = add8(g, b), r = add8(r, b);
      break;
    case 12:
      r = add8(r, b), g = add8(g, r);
      break;
    case 13:
      b = add8(b, g), r = add8(r, b), g = add8(g, r);
      break;
    case 14:
      g = add8(g, r), b = add8(b, g), r = add8(r, b);
      break;
    case 15:
      g = add8(g, add8(b, b)), r = add8(r, add8(b, b));
      break;
    default:
      break;
  }
  return v;
}

constexpr Residual encodeColors(std::size_t transform, Residual v) {
  auto& [b, g, r] = v;
  switch (transform) {
    case 1:
      b = sub8(b, g), r = sub8(r, g);
      break;
    case 2:
      r = sub8(r, g), g = sub8(g, b);
      break;
    case 3:
      b = sub8(b, g), g = sub8(g, r);
      break;
    case 4:
      r = sub8(r, g), g = sub8(g, b), b = sub8(b, r);
      break;
    case 5:
      g = sub8(g, b), b = sub8(b, r);
      break;
    case 6:
      b = sub8(b, g);
      break;
    case 7:
      g = sub8(g, b);
      break;
    case 8:
      r = sub8(r, g);
      break;
    case 9:
      b = sub8(b, g), g = sub8(g, r), r = sub8(r, b);
      break;
    case 10:
      b = sub8(b, r), g = sub8(g, r);
      break;
    case 11:
      g = sub8(g, b), r = sub8(r, b);
      break;
    case 12:
      g = sub8(g, r), r = sub8(r, b);
      break;
    case 13:
      g = sub8(g, r), r = sub8(r, b), b = sub8(b, g);
      break;
    case 14:
      r = sub8(r, b), b = sub8(b, g), g = sub8(g, r);
      break;
    case 15:
      g = sub8(g, add8(b, b)), r = sub8(r, add8(b, b));
      break;
    default:
      break;
  }
  return v;
}

// ---------------------------------------------------------------------------
// The two stream variants (mark included); the container is tlg_codec.cpp's.

ImagePtr decodeTlg5Stream(std::span<const std::uint8_t> data);
ImagePtr decodeTlg6Stream(std::span<const std::uint8_t> data);

// `colors` is 1, 3 or 4. On failure the TLG6 writer sets `message`.
bool encodeTlg5Stream(const ImageBuffer& image, int colors, std::vector<std::uint8_t>& out);
bool encodeTlg6Stream(const ImageBuffer& image, int colors, std::vector<std::uint8_t>& out,
                      std::string& message);

}  // namespace tsuzuri::assets::tlg
