// Decoding of TLG5 and TLG6 streams. Both walk the whole stream structure
// before the image is allocated, so that a file that lies about its sizes
// is refused without touching memory it does not pay for.

#include <algorithm>
#include <bit>
#include <cstring>
#include <new>
#include <utility>

#include "assets/tlg_common.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace tsuzuri::assets::tlg {

bool hasMark(std::span<const std::uint8_t> data, const std::array<std::uint8_t, kMarkSize>& mark) {
  return data.size() >= kMarkSize && std::memcmp(data.data(), mark.data(), kMarkSize) == 0;
}

// ---------------------------------------------------------------------------
// LZSS

namespace {

// Copies a back-reference `distance` (1…4096) bytes behind `dst`. Far
// sources go eight bytes at a time and may write up to seven bytes past the
// end; near ones repeat a short pattern and go byte by byte.
inline void copyMatch(std::uint8_t* dst, std::size_t distance, std::size_t length) {
  const std::uint8_t* src = dst - distance;
  if (distance >= 8) {
    for (std::size_t i = 0; i < length; i += 8) std::memcpy(dst + i, src + i, 8);
  } else {
    for (std::size_t i = 0; i < length; ++i) dst[i] = src[i];
  }
}

}  // namespace

std::size_t lzssDecode(std::span<const std::uint8_t> in, std::uint8_t* out, std::size_t capacity,
                       std::uint32_t r) {
  const std::uint8_t* src = in.data();
  const std::uint8_t* const end = src + in.size();
  std::size_t o = 0;
  // One item: a literal (1 byte) or a reference (2 or 3 bytes). `kChecked`
  // is false when the whole group of eight items is known to be in the input.
  const auto item = [&]<bool kChecked>(unsigned flag) -> bool {
    if (flag == 0) {
      if (o >= capacity) return false;
      out[o++] = *src++;
      return true;
    }
    if (kChecked && end - src < 2) return false;
    const unsigned x = src[0];
    const unsigned y = src[1];
    src += 2;
    const unsigned position = x | (y & 0x0FU) << 8;
    std::size_t length = (y >> 4) + 3;
    if (length == 18) {
      if (kChecked && src == end) return false;
      length += *src++;
    }
    if (length > capacity - o) return false;
    const std::uint32_t here = r + static_cast<std::uint32_t>(o);
    copyMatch(out + o, ((here - position - 1) & kWindowMask) + 1, length);
    o += length;
    return true;
  };
  while (src < end) {
    unsigned flags = *src++;
    if (end - src >= 24) {
      // Eight literals, common in noisy pictures, go in one copy.
      if (flags == 0 && capacity - o >= 8) {
        std::memcpy(out + o, src, 8);
        o += 8;
        src += 8;
        continue;
      }
      for (int i = 0; i < 8; ++i, flags >>= 1) {
        if (!item.operator()<false>(flags & 1U)) return kLzssError;
      }
    } else {
      for (int i = 0; i < 8 && src < end; ++i, flags >>= 1) {
        if (!item.operator()<true>(flags & 1U)) return kLzssError;
      }
    }
  }
  return o;
}

// ---------------------------------------------------------------------------
// TLG5

namespace {

struct Tlg5Channel {
  const std::uint8_t* data;
  std::uint32_t length;
  bool packed;
};

// One row from the channel bytes of its block. `above` is a row of zeros for
// the image's first row. The running sums pb, pg, pr, pa only matter modulo
// 256; they are kept as the bytes of one little-endian word, `sums`.
template <bool kAlpha>
void composeTlg5Row(std::uint8_t* out, const std::uint8_t* above,
                    const std::uint8_t* const* channels, std::size_t width) {
  const std::uint8_t* c0 = channels[0];
  const std::uint8_t* c1 = channels[1];
  const std::uint8_t* c2 = channels[2];
  const std::uint8_t* c3 = channels[kAlpha ? 3 : 0];
  std::size_t x = 0;
  std::uint32_t sums = 0;
#if defined(__SSE2__)
  // Sixteen pixels at a time: the channels are interleaved into four
  // registers of four pixels, each summed along the row in two shifted adds
  // and then carried on from the pixel before.
  const __m128i zero = _mm_setzero_si128();
  const __m128i opaque = _mm_set1_epi32(static_cast<int>(0xFF000000U));
  __m128i carry = zero;
  const auto load = [](const std::uint8_t* p) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
  };
  for (; x + 16 <= width; x += 16) {
    const __m128i g = load(c1 + x);
    const __m128i b = _mm_add_epi8(load(c0 + x), g);
    const __m128i r = _mm_add_epi8(load(c2 + x), g);
    const __m128i a = kAlpha ? load(c3 + x) : zero;
    const __m128i bgLow = _mm_unpacklo_epi8(b, g);
    const __m128i bgHigh = _mm_unpackhi_epi8(b, g);
    const __m128i raLow = _mm_unpacklo_epi8(r, a);
    const __m128i raHigh = _mm_unpackhi_epi8(r, a);
    const __m128i quads[4] = {_mm_unpacklo_epi16(bgLow, raLow), _mm_unpackhi_epi16(bgLow, raLow),
                              _mm_unpacklo_epi16(bgHigh, raHigh),
                              _mm_unpackhi_epi16(bgHigh, raHigh)};
    for (int k = 0; k < 4; ++k) {
      __m128i p = quads[k];
      p = _mm_add_epi8(p, _mm_slli_si128(p, 4));
      p = _mm_add_epi8(p, _mm_slli_si128(p, 8));
      p = _mm_add_epi8(p, carry);
      carry = _mm_shuffle_epi32(p, 0xFF);
      const std::size_t at = (x + 4 * static_cast<std::size_t>(k)) * 4;
      __m128i pixels = _mm_add_epi8(p, load(above + at));
      if constexpr (!kAlpha) pixels = _mm_or_si128(pixels, opaque);
      _mm_storeu_si128(reinterpret_cast<__m128i*>(out + at), pixels);
    }
  }
  sums = static_cast<std::uint32_t>(_mm_cvtsi128_si32(carry));
#endif
  std::uint32_t pb = sums & 0xFFU;
  std::uint32_t pg = (sums >> 8) & 0xFFU;
  std::uint32_t pr = (sums >> 16) & 0xFFU;
  std::uint32_t pa = sums >> 24;
  for (; x < width; ++x) {
    const std::uint32_t g = c1[x];
    pb += c0[x] + g;
    pg += g;
    pr += c2[x] + g;
    std::uint8_t* p = out + x * 4;
    const std::uint8_t* u = above + x * 4;
    p[0] = static_cast<std::uint8_t>(pb + u[0]);
    p[1] = static_cast<std::uint8_t>(pg + u[1]);
    p[2] = static_cast<std::uint8_t>(pr + u[2]);
    if constexpr (kAlpha) {
      pa += c3[x];
      p[3] = static_cast<std::uint8_t>(pa + u[3]);
    } else {
      p[3] = 0xFF;
    }
  }
}

}  // namespace

ImagePtr decodeTlg5Stream(std::span<const std::uint8_t> data) {
  constexpr std::size_t kHeaderSize = 24;
  if (data.size() < kHeaderSize || !hasMark(data, kTlg5Mark)) return nullptr;
  const std::uint8_t* bytes = data.data();
  const std::size_t size = data.size();
  const unsigned colors = bytes[11];
  if (colors != 3 && colors != 4) return nullptr;
  const std::uint32_t width = le32(bytes + 12);
  const std::uint32_t height = le32(bytes + 16);
  const std::uint32_t blockHeight = le32(bytes + 20);
  const auto maxSide = static_cast<std::uint32_t>(kMaxImageSide);
  if (width == 0 || height == 0 || width > maxSide || height > maxSide || blockHeight == 0 ||
      std::uint64_t{width} * height > static_cast<std::uint64_t>(kMaxImagePixels)) {
    return nullptr;
  }
  const std::size_t blockCount = (height - 1) / blockHeight + 1;
  // The table of block sizes is not needed: the blocks follow each other.
  std::size_t pos = kHeaderSize + 4 * blockCount;
  if (pos > size) return nullptr;

  const std::size_t rowsPerBlock = std::min(blockHeight, height);
  const std::size_t capacity = rowsPerBlock * width;
  std::vector<Tlg5Channel> channels;
  try {
    channels.resize(blockCount * colors);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
  for (std::size_t block = 0; block < blockCount; ++block) {
    const std::size_t rows = std::min<std::size_t>(blockHeight, height - block * blockHeight);
    const std::size_t needed = rows * width;
    for (std::size_t c = 0; c < colors; ++c) {
      if (size - pos < 5) return nullptr;
      Tlg5Channel& channel = channels[block * colors + c];
      channel.packed = bytes[pos] == 0;
      channel.length = le32(bytes + pos + 1);
      pos += 5;
      if (channel.length > size - pos) return nullptr;
      channel.data = bytes + pos;
      pos += channel.length;
      const std::size_t most = channel.packed ? channel.length * kLzssMaxExpansion : channel.length;
      if (most < needed) return nullptr;
    }
  }

  ImagePtr image = makeImage(static_cast<std::int32_t>(width), static_cast<std::int32_t>(height),
                             static_cast<std::int32_t>(colors * 8));
  if (!image) return nullptr;
  // The LZSS window, then the packed channels of one block in a row (see
  // lzssDecode); stored channels are read where they are.
  std::vector<std::uint8_t> window;
  std::vector<std::uint8_t> zeroRow;
  try {
    window.resize(kWindowSize + colors * capacity + kLzssSlack);
    zeroRow.resize(static_cast<std::size_t>(width) * 4);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
  std::uint32_t r = 0;
  const std::size_t stride = static_cast<std::size_t>(width) * 4;
  for (std::size_t block = 0; block < blockCount; ++block) {
    const std::size_t firstRow = block * blockHeight;
    const std::size_t rows = std::min<std::size_t>(blockHeight, height - firstRow);
    const std::uint8_t* planes[4] = {};
    std::size_t written = kWindowSize;
    for (std::size_t c = 0; c < colors; ++c) {
      const Tlg5Channel& channel = channels[block * colors + c];
      if (!channel.packed) {
        planes[c] = channel.data;
        continue;
      }
      std::uint8_t* plane = window.data() + written;
      const std::size_t produced =
          lzssDecode(std::span(channel.data, channel.length), plane, capacity, r);
      if (produced == kLzssError || produced < rows * width) return nullptr;
      planes[c] = plane;
      written += produced;
      r += static_cast<std::uint32_t>(produced);
    }
    for (std::size_t row = 0; row < rows; ++row) {
      const std::size_t y = firstRow + row;
      std::uint8_t* out = image->pixels + y * stride;
      const std::uint8_t* above = y == 0 ? zeroRow.data() : out - stride;
      if (colors == 4) {
        composeTlg5Row<true>(out, above, planes, width);
      } else {
        composeTlg5Row<false>(out, above, planes, width);
      }
      for (std::size_t c = 0; c < colors; ++c) planes[c] += width;
    }
    if (written > kWindowSize) {
      std::memmove(window.data(), window.data() + written - kWindowSize, kWindowSize);
    }
  }
  return image;
}

// ---------------------------------------------------------------------------
// TLG6

namespace {

constexpr std::size_t kTlg6HeaderSize = 31;
// Zero bytes after each copied bit stream, so that the 64-bit fetches of the
// Golomb decoder never need a bounds check of their own.
constexpr std::size_t kBitPadding = 16;

// At least 57 bits from bit `pos` on, least significant first.
inline std::uint64_t fetch(const std::uint8_t* bits, std::size_t pos) {
  std::uint64_t word = 0;
  std::memcpy(&word, bits + (pos >> 3), 8);
  if constexpr (std::endian::native == std::endian::big) word = __builtin_bswap64(word);
  return word >> (pos & 7);
}

// Decodes `count` Golomb-coded residuals of one channel of one stripe into
// every fourth byte of `out` (which holds zeros). `bits` has `bitLength`
// bits of stream followed by kBitPadding zero bytes.
bool decodeGolomb(std::uint8_t* out, std::size_t count, const std::uint8_t* bits,
                  std::size_t bitLength) {
  if (count == 0) return true;
  if (bitLength == 0) return false;
  bool nonzero = (bits[0] & 1U) != 0;
  std::size_t pos = 1;
  std::size_t done = 0;
  unsigned a = 0;
  int n = 3;
  while (done < count) {
    if (pos > bitLength) return false;
    // The run length, an Elias gamma code. No stripe has 2^19 pixels.
    const std::uint64_t lead = fetch(bits, pos);
    const auto zeros = static_cast<unsigned>(std::countr_zero(lead));
    if (zeros > 18) return false;
    const std::size_t run =
        (std::size_t{1} << zeros) + ((lead >> (zeros + 1)) & ((1U << zeros) - 1));
    pos += 2 * zeros + 1;
    if (run > count - done) return false;
    if (nonzero) {
      std::uint8_t* dst = out + done * 4;
      for (std::size_t i = 0; i < run; ++i, dst += 4) {
        // A valid stream keeps a below 1024; more comes from forged escapes.
        if (pos > bitLength || a >= 1024) return false;
        const unsigned k = kGolombBitLength[a][static_cast<std::size_t>(n)];
        std::uint64_t word = fetch(bits, pos);
        // The 1 bit ending q must lie within the 32-bit window that the
        // format counts in: the rest of this byte and the next three.
        std::uint32_t q = 0;
        if ((word & (0xFFFFFFFFU >> (pos & 7))) != 0) {
          q = static_cast<std::uint32_t>(std::countr_zero(word));
          word >>= q + 1;
          pos += q + 1;
        } else {
          // Escape: q is stored whole in the fourth byte after this one.
          const std::size_t byte = pos >> 3;
          q = bits[byte + 4];
          pos = (byte + 5) * 8;
          word = fetch(bits, pos);
        }
        const std::uint32_t m = (q << k) + (static_cast<std::uint32_t>(word) & ((1U << k) - 1));
        pos += k;
        const std::uint32_t v = m >> 1;
        *dst = static_cast<std::uint8_t>((m & 1U) != 0 ? v + 1 : ~v);  // ~v is -v - 1
        a += v;
        if (--n < 0) {
          a >>= 1;
          n = 3;
        }
      }
    }
    done += run;
    nonzero = !nonzero;
  }
  return pos <= bitLength;
}

// Four channel bytes of a pixel, with the predictors applied to all four at
// once: byte k of the little-endian word is channel k.
#if defined(__SSE2__)
using Quad = __m128i;
inline Quad quad(std::uint32_t v) {
  return _mm_cvtsi32_si128(static_cast<int>(v));
}
inline std::uint32_t value(Quad q) {
  return static_cast<std::uint32_t>(_mm_cvtsi128_si32(q));
}
inline Quad add(Quad a, Quad b) {
  return _mm_add_epi8(a, b);
}
inline Quad average(Quad a, Quad b) {
  return _mm_avg_epu8(a, b);
}
// The median of a, b and a + b - c: with lo ≤ hi the two of a and b, that
// is lo + (hi - c) kept within lo…hi, which saturating bytes give directly.
inline Quad med(Quad a, Quad b, Quad c) {
  const Quad lo = _mm_min_epu8(a, b);
  const Quad hi = _mm_max_epu8(a, b);
  return _mm_min_epu8(_mm_adds_epu8(lo, _mm_subs_epu8(hi, c)), hi);
}
#else
struct Quad {
  std::uint8_t v[4];
};
inline Quad quad(std::uint32_t v) {
  return {{static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8),
           static_cast<std::uint8_t>(v >> 16), static_cast<std::uint8_t>(v >> 24)}};
}
inline std::uint32_t value(Quad q) {
  return q.v[0] | std::uint32_t{q.v[1]} << 8 | std::uint32_t{q.v[2]} << 16 |
         std::uint32_t{q.v[3]} << 24;
}
inline Quad add(Quad a, Quad b) {
  for (int k = 0; k < 4; ++k) a.v[k] = add8(a.v[k], b.v[k]);
  return a;
}
inline Quad average(Quad a, Quad b) {
  for (int k = 0; k < 4; ++k) a.v[k] = static_cast<std::uint8_t>((a.v[k] + b.v[k] + 1) >> 1);
  return a;
}
inline Quad med(Quad a, Quad b, Quad c) {
  for (int k = 0; k < 4; ++k) {
    const int lo = std::min(a.v[k], b.v[k]);
    const int hi = std::max(a.v[k], b.v[k]);
    a.v[k] = static_cast<std::uint8_t>(std::clamp(lo + hi - c.v[k], lo, hi));
  }
  return a;
}
#endif

// The left and upper-left neighbours, carried from block to block of a row.
struct Neighbours {
  std::uint32_t left;
  std::uint32_t upperLeft;
};

// The pixels of one block row: pixel x takes the residual entry in[x × step]
// (the run is stored left to right or right to left).
template <std::size_t kTransform, bool kAverage>
void decodeTlg6Run(const std::uint32_t* in, std::ptrdiff_t step, std::uint8_t* out,
                   const std::uint8_t* above, std::size_t count, Neighbours& n) {
  Quad p = quad(n.left);
  Quad up = quad(n.upperLeft);
  for (std::size_t x = 0; x < count; ++x) {
    const std::uint32_t e = in[static_cast<std::ptrdiff_t>(x) * step];
    const Residual d =
        decodeColors(kTransform, {static_cast<std::uint8_t>(e), static_cast<std::uint8_t>(e >> 8),
                                  static_cast<std::uint8_t>(e >> 16)});
    const std::uint32_t delta =
        d.b | std::uint32_t{d.g} << 8 | std::uint32_t{d.r} << 16 | (e & 0xFF000000U);
    const Quad u = quad(le32(above + x * 4));
    p = add(kAverage ? average(p, u) : med(p, u, up), quad(delta));
    up = u;
    putLe32(out + x * 4, value(p));
  }
  n.left = value(p);
  n.upperLeft = value(up);
}

using RunDecoder = void (*)(const std::uint32_t*, std::ptrdiff_t, std::uint8_t*,
                            const std::uint8_t*, std::size_t, Neighbours&);

template <std::size_t... kTypes>
constexpr std::array<RunDecoder, sizeof...(kTypes)> makeRunDecoders(
    std::index_sequence<kTypes...>) {
  return {&decodeTlg6Run<(kTypes >> 1), (kTypes & 1) != 0>...};
}

// Indexed by filter type: transform × 2 + predictor (0 MED, 1 average).
constexpr std::array<RunDecoder, 32> kRunDecoders = makeRunDecoders(std::make_index_sequence<32>());

struct StripeChannel {
  const std::uint8_t* bits;
  std::uint32_t bitLength;
  bool golomb;
};

}  // namespace

ImagePtr decodeTlg6Stream(std::span<const std::uint8_t> data) {
  if (data.size() < kTlg6HeaderSize || !hasMark(data, kTlg6Mark)) return nullptr;
  const std::uint8_t* bytes = data.data();
  const std::size_t size = data.size();
  const unsigned colors = bytes[11];
  if (colors != 1 && colors != 3 && colors != 4) return nullptr;
  if (bytes[12] != 0 || bytes[13] != 0 || bytes[14] != 0) return nullptr;
  const std::uint32_t width = le32(bytes + 15);
  const std::uint32_t height = le32(bytes + 19);
  const std::uint32_t filterLength = le32(bytes + 27);
  const auto maxSide = static_cast<std::uint32_t>(kMaxImageSide);
  if (width == 0 || height == 0 || width > maxSide || height > maxSide ||
      std::uint64_t{width} * height > static_cast<std::uint64_t>(kMaxImagePixels)) {
    return nullptr;
  }
  if (filterLength > size - kTlg6HeaderSize) return nullptr;
  const std::size_t xBlocks = (width - 1) / 8 + 1;
  const std::size_t yBlocks = (height - 1) / 8 + 1;
  const std::size_t fullBlocks = width / 8;
  const std::size_t lastWidth = width % 8;

  std::vector<std::uint8_t> filterTypes;
  std::vector<StripeChannel> stripes;
  try {
    filterTypes.resize(kWindowSize + xBlocks * yBlocks + kLzssSlack);
    stripes.resize(yBlocks * colors);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
  std::copy(kFilterTypeWindow.begin(), kFilterTypeWindow.end(), filterTypes.begin());
  std::uint8_t* types = filterTypes.data() + kWindowSize;
  if (lzssDecode(data.subspan(kTlg6HeaderSize, filterLength), types, xBlocks * yBlocks, 0) !=
      xBlocks * yBlocks) {
    return nullptr;
  }
  std::size_t pos = kTlg6HeaderSize + filterLength;
  std::size_t longestStream = 0;
  for (StripeChannel& channel : stripes) {
    if (size - pos < 4) return nullptr;
    const std::uint32_t word = le32(bytes + pos);
    pos += 4;
    channel.bitLength = word & 0x3FFFFFFFU;
    channel.golomb = (word >> 30) == 0;
    const std::size_t length = (std::size_t{channel.bitLength} + 7) / 8;
    if (length > size - pos) return nullptr;
    channel.bits = bytes + pos;
    pos += length;
    longestStream = std::max(longestStream, length);
  }

  ImagePtr image = makeImage(static_cast<std::int32_t>(width), static_cast<std::int32_t>(height),
                             static_cast<std::int32_t>(colors * 8));
  if (!image) return nullptr;
  const std::size_t stride = static_cast<std::size_t>(width) * 4;
  // Blocks of filter type 32 and above, and the rest of their rows, are not
  // decoded; they keep zeros rather than whatever the allocation held.
  if (std::any_of(types, types + xBlocks * yBlocks, [](std::uint8_t t) { return t > 31; })) {
    std::memset(image->pixels, 0, stride * height);
  }
  // Three-colour images predict from opaque black, so that alpha stays 255.
  const std::uint32_t initial = colors == 3 ? 0xFF000000U : 0;
  std::vector<std::uint32_t> entries;
  std::vector<std::uint8_t> bitBuffer;
  std::vector<std::uint8_t> topRow;
  try {
    entries.resize(8 * static_cast<std::size_t>(width));
    bitBuffer.resize(longestStream + kBitPadding);
    topRow.resize(stride);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
  for (std::size_t x = 0; x < width; ++x) putLe32(&topRow[x * 4], initial);

  for (std::size_t stripe = 0; stripe < yBlocks; ++stripe) {
    const std::size_t y0 = stripe * 8;
    const std::size_t rows = std::min<std::size_t>(8, height - y0);
    const std::size_t count = rows * width;
    std::fill_n(entries.begin(), count, 0U);
    auto* entryBytes = reinterpret_cast<std::uint8_t*>(entries.data());
    for (std::size_t c = 0; c < colors; ++c) {
      const StripeChannel& channel = stripes[stripe * colors + c];
      if (!channel.golomb) continue;
      const std::size_t length = (std::size_t{channel.bitLength} + 7) / 8;
      std::memcpy(bitBuffer.data(), channel.bits, length);
      std::memset(bitBuffer.data() + length, 0, kBitPadding);
      // Byte c of each little-endian entry is channel c.
      std::uint8_t* target = entryBytes + (std::endian::native == std::endian::little ? c : 3 - c);
      if (!decodeGolomb(target, count, bitBuffer.data(), channel.bitLength)) return nullptr;
    }
    const std::uint8_t* rowTypes = types + stripe * xBlocks;
    for (std::size_t j = 0; j < rows; ++j) {
      std::uint8_t* out = image->pixels + (y0 + j) * stride;
      const std::uint8_t* above = y0 + j == 0 ? topRow.data() : out - stride;
      Neighbours neighbours = {initial, initial};
      for (std::size_t i = 0; i < xBlocks; ++i) {
        const std::uint8_t type = rowTypes[i];
        if (type > 31) break;
        const std::size_t w = i < fullBlocks ? 8 : lastWidth;
        // Odd blocks keep their rows bottom-up, odd rows run right to left.
        const std::size_t run = (i & 1) != 0 ? rows - 1 - j : j;
        const std::uint32_t* in = entries.data() + i * rows * 8 + run * w;
        std::ptrdiff_t step = 1;
        if ((j & 1) != 0) {
          in += w - 1;
          step = -1;
        }
        kRunDecoders[type](in, step, out + i * 32, above + i * 32, w, neighbours);
      }
    }
  }
  if (colors == 1) {
    // Only the blue byte is coded; the record shows it as opaque gray.
    for (std::uint8_t* p = image->pixels; p < image->pixels + stride * height; p += 4) {
      p[1] = p[0];
      p[2] = p[0];
      p[3] = 0xFF;
    }
  }
  return image;
}

}  // namespace tsuzuri::assets::tlg
