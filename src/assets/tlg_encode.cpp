// The TLG writers: the LZSS SlideCompressor, TLG5 and TLG6.

#include <algorithm>
#include <bit>
#include <cstring>
#include <new>

#include "assets/tlg_common.h"

namespace tsuzuri::assets::tlg {

// ---------------------------------------------------------------------------
// SlideCompressor

namespace {

// Window bytes past its end that mirror its start, so that a match may be
// compared past position 4095 without wrapping.
constexpr std::size_t kMirrorSize = 272;
constexpr std::int16_t kNone = -1;

// How many bytes from the start `a` and `b` have in common, at most `limit`;
// the first two are known to agree.
std::size_t matchLength(const std::uint8_t* a, const std::uint8_t* b, std::size_t limit) {
  std::size_t n = 2;
  for (; n + 8 <= limit; n += 8) {
    std::uint64_t x = 0;
    std::uint64_t y = 0;
    std::memcpy(&x, a + n, 8);
    std::memcpy(&y, b + n, 8);
    if (x != y) {
      const std::uint64_t diff = x ^ y;
      const int bits = std::endian::native == std::endian::little ? std::countr_zero(diff)
                                                                  : std::countl_zero(diff);
      return n + static_cast<std::size_t>(bits / 8);
    }
  }
  while (n < limit && a[n] == b[n]) ++n;
  return n;
}

}  // namespace

struct SlideCompressor::State {
  std::array<std::uint8_t, kWindowSize + kMirrorSize> text;
  // The window positions whose next two bytes are a key (first byte + 256 ×
  // second), most recently entered first, as a doubly linked chain.
  std::array<std::int16_t, 65536> head;
  std::array<std::int16_t, kWindowSize> previous;
  std::array<std::int16_t, kWindowSize> next;
  std::uint32_t s;

  unsigned key(std::uint32_t pos) const { return text[pos] | unsigned{text[pos + 1]} << 8; }

  void link(std::uint32_t pos) {
    const unsigned k = key(pos);
    const std::int16_t first = head[k];
    next[pos] = first;
    previous[pos] = kNone;
    if (first != kNone) previous[static_cast<std::size_t>(first)] = static_cast<std::int16_t>(pos);
    head[k] = static_cast<std::int16_t>(pos);
  }

  void unlink(std::uint32_t pos) {
    const std::int16_t before = previous[pos];
    const std::int16_t after = next[pos];
    if (before != kNone) {
      next[static_cast<std::size_t>(before)] = after;
    } else {
      head[key(pos)] = after;
    }
    if (after != kNone) previous[static_cast<std::size_t>(after)] = before;
  }
};

SlideCompressor::SlideCompressor()
    : state_(std::make_unique<State>()), saved_(std::make_unique<State>()) {
  State& st = *state_;
  st.text.fill(0);
  st.head.fill(kNone);
  st.s = 0;
  // The chain of the all-zero key runs from position 0 upwards.
  for (std::uint32_t pos = kWindowSize; pos-- > 0;) st.link(pos);
}

SlideCompressor::~SlideCompressor() = default;

void SlideCompressor::snapshot() {
  *saved_ = *state_;
}

void SlideCompressor::rollback() {
  *state_ = *saved_;
}

void SlideCompressor::consume(const std::uint8_t* bytes, std::size_t count) {
  State& st = *state_;
  for (std::size_t i = 0; i < count; ++i) {
    const std::uint32_t s = st.s;
    const std::uint32_t before = (s - 1) & kWindowMask;
    // Both positions whose key contains the byte at s change chains.
    st.unlink(before);
    st.unlink(s);
    st.text[s] = bytes[i];
    if (s < kMirrorSize) st.text[kWindowSize + s] = bytes[i];
    st.link(before);
    st.link(s);
    st.s = (s + 1) & kWindowMask;
  }
}

void SlideCompressor::compress(std::span<const std::uint8_t> in, std::vector<std::uint8_t>& out) {
  const State& st = *state_;
  std::uint8_t group[1 + 8 * 3];
  std::size_t groupLength = 1;
  unsigned items = 0;
  group[0] = 0;
  const std::size_t size = in.size();
  std::size_t i = 0;
  while (i < size) {
    const std::size_t limit = std::min(kMaxMatch, size - i - 1);
    std::size_t best = 0;
    std::uint32_t bestPos = 0;
    if (limit >= 3) {
      const std::uint32_t s = st.s;
      const std::uint8_t* want = in.data() + i;
      for (std::int16_t c = st.head[want[0] | unsigned{want[1]} << 8]; c != kNone;
           c = st.next[static_cast<std::size_t>(c)]) {
        const auto pos = static_cast<std::uint32_t>(c);
        // A match may not reach position s, which it would overwrite.
        const std::size_t room = std::min<std::size_t>(limit, (s - pos) & kWindowMask);
        // Shorter matches are never used; this also skips s and s - 1.
        if (room < 3 || room <= best) continue;
        const std::uint8_t* have = st.text.data() + pos;
        // Only a longer match counts, so the byte at the best length must agree.
        if (best != 0 && have[best] != want[best]) continue;
        const std::size_t length = matchLength(have, want, room);
        if (length > best) {
          best = length;
          bestPos = pos;
          if (best == limit) break;
        }
      }
    }
    if (best >= 3) {
      group[0] = static_cast<std::uint8_t>(group[0] | 1U << items);
      group[groupLength++] = static_cast<std::uint8_t>(bestPos & 0xFFU);
      if (best < 18) {
        group[groupLength++] = static_cast<std::uint8_t>(bestPos >> 8 | (best - 3) << 4);
      } else {
        group[groupLength++] = static_cast<std::uint8_t>(bestPos >> 8 | 0xF0U);
        group[groupLength++] = static_cast<std::uint8_t>(best - 18);
      }
    } else {
      best = 1;
      group[groupLength++] = in[i];
    }
    consume(in.data() + i, best);
    i += best;
    if (++items == 8) {
      out.insert(out.end(), group, group + groupLength);
      group[0] = 0;
      groupLength = 1;
      items = 0;
    }
  }
  if (items != 0) out.insert(out.end(), group, group + groupLength);
}

// ---------------------------------------------------------------------------
// TLG5

bool encodeTlg5Stream(const ImageBuffer& image, int colors, std::vector<std::uint8_t>& out) {
  constexpr std::size_t kBlockHeight = 4;
  const auto width = static_cast<std::size_t>(image.width);
  const auto height = static_cast<std::size_t>(image.height);
  const auto planes = static_cast<std::size_t>(colors);
  const std::size_t blockCount = (height - 1) / kBlockHeight + 1;
  out.insert(out.end(), kTlg5Mark.begin(), kTlg5Mark.end());
  out.push_back(static_cast<std::uint8_t>(colors));
  appendLe32(out, static_cast<std::uint32_t>(width));
  appendLe32(out, static_cast<std::uint32_t>(height));
  appendLe32(out, kBlockHeight);
  const std::size_t sizeTable = out.size();
  out.resize(out.size() + 4 * blockCount);

  SlideCompressor compressor;
  std::vector<std::uint8_t> channel[4];
  for (std::size_t c = 0; c < planes; ++c) channel[c].resize(kBlockHeight * width);
  std::vector<std::uint8_t> packed;
  const std::size_t stride = width * 4;
  for (std::size_t block = 0; block < blockCount; ++block) {
    const std::size_t firstRow = block * kBlockHeight;
    const std::size_t rows = std::min(kBlockHeight, height - firstRow);
    std::size_t at = 0;
    for (std::size_t y = firstRow; y < firstRow + rows; ++y) {
      const std::uint8_t* row = image.pixels + y * stride;
      int previous[4] = {};
      for (std::size_t x = 0; x < width; ++x, ++at) {
        const std::uint8_t* p = row + x * 4;
        int val[4] = {};
        // Only blue for one colour, blue, green, red (and alpha) otherwise.
        for (std::size_t c = 0; c < planes; ++c) {
          const int cl = p[c] - (y == 0 ? 0 : (p - stride)[c]);
          val[c] = cl - previous[c];
          previous[c] = cl;
        }
        if (planes == 1) {
          channel[0][at] = static_cast<std::uint8_t>(val[0]);
          continue;
        }
        channel[0][at] = static_cast<std::uint8_t>(val[0] - val[1]);
        channel[1][at] = static_cast<std::uint8_t>(val[1]);
        channel[2][at] = static_cast<std::uint8_t>(val[2] - val[1]);
        if (planes == 4) channel[3][at] = static_cast<std::uint8_t>(val[3]);
      }
    }
    std::size_t blockSize = 0;
    for (std::size_t c = 0; c < planes; ++c) {
      const std::span<const std::uint8_t> raw(channel[c].data(), at);
      compressor.snapshot();
      packed.clear();
      compressor.compress(raw, packed);
      const bool keep = packed.size() < raw.size();
      if (!keep) compressor.rollback();
      const std::span<const std::uint8_t> stored = keep ? std::span(packed) : raw;
      out.push_back(keep ? 0 : 1);
      appendLe32(out, static_cast<std::uint32_t>(stored.size()));
      out.insert(out.end(), stored.begin(), stored.end());
      blockSize += 5 + stored.size();
    }
    putLe32(out.data() + sizeTable + 4 * block, static_cast<std::uint32_t>(blockSize));
  }
  return true;
}

// ---------------------------------------------------------------------------
// TLG6

namespace {

constexpr std::uint32_t kMaxBitLength = 0x3FFFFFFF;

class BitWriter {
 public:
  std::size_t bitLength() const { return bits_; }
  const std::vector<std::uint8_t>& bytes() const { return bytes_; }

  // Appends the low `count` (at most 24) bits of `value`, least significant
  // first.
  void put(std::uint32_t value, unsigned count) {
    const std::size_t need = (bits_ + count + 7) / 8 + 4;
    if (need > bytes_.size()) bytes_.resize((need / 4096 + 1) * 4096);
    for (unsigned i = 0; i < count; ++i, ++bits_) {
      if (((value >> i) & 1U) != 0) {
        bytes_[bits_ >> 3] = static_cast<std::uint8_t>(bytes_[bits_ >> 3] | 1U << (bits_ & 7));
      }
    }
  }

  void putZeros(std::size_t count) {
    const std::size_t need = (bits_ + count + 7) / 8 + 4;
    if (need > bytes_.size()) bytes_.resize((need / 4096 + 1) * 4096);
    bits_ += count;
  }

  // The run length `count` (≥ 1) as an Elias gamma code.
  void putGamma(std::size_t count) {
    const auto z = static_cast<unsigned>(std::bit_width(count) - 1);
    putZeros(z);
    put(1, 1);
    put(static_cast<std::uint32_t>(count), z);
  }

 private:
  std::vector<std::uint8_t> bytes_;
  std::size_t bits_ = 0;
};

// The Golomb-Rice parameter bookkeeping shared by the coder and the
// estimate.
struct GolombState {
  unsigned a = 0;
  int n = 3;
  unsigned k() const { return kGolombBitLength[a][static_cast<std::size_t>(n)]; }
  void update(unsigned m) {
    a += m >> 1;
    if (--n < 0) {
      a >>= 1;
      n = 3;
    }
  }
};

// The code number of a nonzero residual e: 2e - 1 for e > 0 and -2e - 2 for
// e < 0, so that its lowest bit tells the sign.
inline unsigned codeValue(std::uint8_t residual) {
  const int e = static_cast<std::int8_t>(residual);
  return static_cast<unsigned>((e >= 0 ? 2 * e : -2 * e - 1) - 1);
}

void encodeGolomb(const std::uint8_t* values, std::size_t count, BitWriter& out) {
  out.put(values[0] != 0 ? 1 : 0, 1);
  GolombState state;
  std::size_t i = 0;
  while (i < count) {
    const bool nonzero = values[i] != 0;
    std::size_t j = i;
    while (j < count && (values[j] != 0) == nonzero) ++j;
    out.putGamma(j - i);
    if (nonzero) {
      for (; i < j; ++i) {
        const unsigned m = codeValue(values[i]);
        const unsigned k = state.k();
        const unsigned q = m >> k;
        // The decoder finds the 1 bit in a 32-bit fetch from here; a longer
        // run of zeros is cut off where that fetch ends and q follows whole.
        const unsigned room = 32 - static_cast<unsigned>(out.bitLength() & 7);
        if (q >= room) {
          out.putZeros(room);
          out.put(q, 8);
        } else {
          out.putZeros(q);
          out.put(1, 1);
        }
        out.put(m, k);
        state.update(m);
      }
    }
    i = j;
  }
}

std::size_t estimateGolomb(const std::uint8_t* values, std::size_t count) {
  std::size_t bits = 1;
  GolombState state;
  std::size_t i = 0;
  while (i < count) {
    const bool nonzero = values[i] != 0;
    std::size_t j = i;
    while (j < count && (values[j] != 0) == nonzero) ++j;
    bits += 2 * static_cast<std::size_t>(std::bit_width(j - i) - 1) + 1;
    if (nonzero) {
      for (; i < j; ++i) {
        const unsigned m = codeValue(values[i]);
        const unsigned k = state.k();
        const unsigned q = m >> k;
        bits += (q < 28 ? q : 36) + k + 1;
        state.update(m);
      }
    }
    i = j;
  }
  return bits;
}

inline std::uint8_t med(std::uint8_t a, std::uint8_t b, std::uint8_t c) {
  const int lo = std::min(a, b);
  const int hi = std::max(a, b);
  return static_cast<std::uint8_t>(std::clamp(lo + hi - c, lo, hi));
}

// The colour transforms are linear: each transformed channel is a weighted
// sum (modulo 256) of blue, green and red. `rows` holds the distinct weight
// triples, `index[t]` the rows giving blue, green and red of transform t.
struct TransformRows {
  std::array<std::array<std::uint8_t, 3>, 3 * kTransformCount> rows{};
  std::array<std::array<std::size_t, 3>, kTransformCount> index{};
  std::size_t count = 0;
};

constexpr TransformRows buildTransformRows() {
  TransformRows table;
  for (std::size_t t = 0; t < kTransformCount; ++t) {
    const Residual unit[3] = {encodeColors(t, {1, 0, 0}), encodeColors(t, {0, 1, 0}),
                              encodeColors(t, {0, 0, 1})};
    for (std::size_t c = 0; c < 3; ++c) {
      std::array<std::uint8_t, 3> row{};
      for (std::size_t k = 0; k < 3; ++k) {
        row[k] = c == 0 ? unit[k].b : c == 1 ? unit[k].g : unit[k].r;
      }
      std::size_t at = 0;
      while (at < table.count && table.rows[at] != row) ++at;
      if (at == table.count) table.rows[table.count++] = row;
      table.index[t][c] = at;
    }
  }
  return table;
}

constexpr TransformRows kTransformRows = buildTransformRows();

// One candidate coding of a block: the residuals per channel, in the order
// the decoder reads them.
struct BlockResiduals {
  std::uint8_t channel[4][64];
};

// The residuals of one block for one predictor, in the order the decoder
// reads them: rows bottom-up in odd blocks, odd rows right to left.
// Neighbours outside the image count as 0.
void blockResiduals(const ImageBuffer& image, std::size_t planes, std::size_t x0, std::size_t y0,
                    std::size_t w, std::size_t rows, bool oddBlock, bool average,
                    BlockResiduals& out) {
  const std::size_t stride = static_cast<std::size_t>(image.width) * 4;
  const auto value = [&](std::size_t x, std::size_t y, std::size_t c) -> std::uint8_t {
    return image.pixels[y * stride + x * 4 + c];
  };
  for (std::size_t j = 0; j < rows; ++j) {
    const std::size_t y = y0 + j;
    const std::size_t run = oddBlock ? rows - 1 - j : j;
    for (std::size_t i = 0; i < w; ++i) {
      const std::size_t x = x0 + i;
      const std::size_t at = run * w + ((j & 1) != 0 ? w - 1 - i : i);
      for (std::size_t c = 0; c < planes; ++c) {
        const std::uint8_t left = x > 0 ? value(x - 1, y, c) : 0;
        const std::uint8_t up = y > 0 ? value(x, y - 1, c) : 0;
        const std::uint8_t upLeft = x > 0 && y > 0 ? value(x - 1, y - 1, c) : 0;
        const std::uint8_t predicted =
            average ? static_cast<std::uint8_t>((left + up + 1) >> 1) : med(left, up, upLeft);
        out.channel[c][at] = sub8(value(x, y, c), predicted);
      }
    }
  }
}

}  // namespace

bool encodeTlg6Stream(const ImageBuffer& image, int colors, std::vector<std::uint8_t>& out,
                      std::string& message) {
  const auto width = static_cast<std::size_t>(image.width);
  const auto height = static_cast<std::size_t>(image.height);
  const auto planes = static_cast<std::size_t>(colors);
  const std::size_t xBlocks = (width - 1) / 8 + 1;
  const std::size_t yBlocks = (height - 1) / 8 + 1;
  std::vector<std::uint8_t> filterTypes;
  std::vector<std::uint8_t> stripes;
  std::vector<std::uint8_t> stripeValues[4];
  filterTypes.reserve(xBlocks * yBlocks);
  for (std::size_t c = 0; c < planes; ++c) stripeValues[c].resize(8 * width);
  std::uint32_t maxBitLength = 0;

  for (std::size_t stripe = 0; stripe < yBlocks; ++stripe) {
    const std::size_t y0 = stripe * 8;
    const std::size_t rows = std::min<std::size_t>(8, height - y0);
    std::size_t filled = 0;
    for (std::size_t bx = 0; bx < xBlocks; ++bx) {
      const std::size_t x0 = bx * 8;
      const std::size_t w = std::min<std::size_t>(8, width - x0);
      const std::size_t count = w * rows;
      BlockResiduals candidate[2];
      // One colour is always predicted by the average.
      for (int predictor = planes == 1 ? 1 : 0; predictor < 2; ++predictor) {
        blockResiduals(image, planes, x0, y0, w, rows, (bx & 1) != 0, predictor == 1,
                       candidate[predictor]);
      }
      // The smallest estimate of the blue, green and red codes wins (alpha,
      // which no transform touches, is left out of the comparison): the
      // earlier transform on a tie, and the average predictor unless MED is
      // strictly smaller.
      std::size_t chosenPredictor = 1;
      std::size_t chosenTransform = 0;
      if (planes >= 3) {
        std::size_t bestSize[2] = {};
        std::size_t bestTransform[2] = {};
        for (int predictor = 0; predictor < 2; ++predictor) {
          const BlockResiduals& base = candidate[predictor];
          // Each distinct transformed channel is estimated once.
          std::size_t estimate[kTransformRows.count] = {};
          for (std::size_t row = 0; row < kTransformRows.count; ++row) {
            const auto [wb, wg, wr] = kTransformRows.rows[row];
            std::uint8_t mixed[64];
            for (std::size_t i = 0; i < count; ++i) {
              mixed[i] = static_cast<std::uint8_t>(
                  wb * base.channel[0][i] + wg * base.channel[1][i] + wr * base.channel[2][i]);
            }
            estimate[row] = estimateGolomb(mixed, count);
          }
          bestSize[predictor] = static_cast<std::size_t>(-1);
          for (std::size_t t = 0; t < kTransformCount; ++t) {
            const auto& used = kTransformRows.index[t];
            const std::size_t size = estimate[used[0]] + estimate[used[1]] + estimate[used[2]];
            if (size < bestSize[predictor]) {
              bestSize[predictor] = size;
              bestTransform[predictor] = t;
            }
          }
        }
        chosenPredictor = bestSize[1] <= bestSize[0] ? 1 : 0;
        chosenTransform = bestTransform[chosenPredictor];
      }
      const BlockResiduals& chosen = candidate[chosenPredictor];
      for (std::size_t i = 0; i < count; ++i) {
        if (planes >= 3) {
          const Residual r = encodeColors(
              chosenTransform, {chosen.channel[0][i], chosen.channel[1][i], chosen.channel[2][i]});
          stripeValues[0][filled + i] = r.b;
          stripeValues[1][filled + i] = r.g;
          stripeValues[2][filled + i] = r.r;
          if (planes == 4) stripeValues[3][filled + i] = chosen.channel[3][i];
        } else {
          stripeValues[0][filled + i] = chosen.channel[0][i];
        }
      }
      filled += count;
      filterTypes.push_back(static_cast<std::uint8_t>(chosenTransform * 2 + chosenPredictor));
    }
    for (std::size_t c = 0; c < planes; ++c) {
      BitWriter bits;
      encodeGolomb(stripeValues[c].data(), filled, bits);
      if (bits.bitLength() > kMaxBitLength) {
        message = "SaveTLG6: Too large bit length (given image may be too large)";
        return false;
      }
      const auto bitLength = static_cast<std::uint32_t>(bits.bitLength());
      maxBitLength = std::max(maxBitLength, bitLength);
      appendLe32(stripes, bitLength);  // coding method 0 in the top bits
      const std::size_t length = (bits.bitLength() + 7) / 8;
      stripes.insert(stripes.end(), bits.bytes().begin(),
                     bits.bytes().begin() + static_cast<std::ptrdiff_t>(length));
    }
  }

  SlideCompressor compressor;
  std::vector<std::uint8_t> packedTypes;
  compressor.compress(kFilterTypeWindow, packedTypes);
  packedTypes.clear();
  compressor.compress(filterTypes, packedTypes);

  out.insert(out.end(), kTlg6Mark.begin(), kTlg6Mark.end());
  out.push_back(static_cast<std::uint8_t>(colors));
  out.insert(out.end(), {0, 0, 0});  // data flag, colour type, external table
  appendLe32(out, static_cast<std::uint32_t>(width));
  appendLe32(out, static_cast<std::uint32_t>(height));
  appendLe32(out, maxBitLength);
  appendLe32(out, static_cast<std::uint32_t>(packedTypes.size()));
  out.insert(out.end(), packedTypes.begin(), packedTypes.end());
  out.insert(out.end(), stripes.begin(), stripes.end());
  return true;
}

}  // namespace tsuzuri::assets::tlg
