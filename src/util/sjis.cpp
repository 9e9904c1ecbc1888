#include "util/sjis.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "util/sjis_tables.h"

namespace tsuzuri::util {
namespace {

constexpr char16_t kByteOrderMark = 0xFEFF;

// Every conversion is a reader, which hands each UTF-16 unit of its input to a
// function, combined with an encoder, which says how long a unit's output is
// and writes it. The output is measured first and then filled, so each result
// is allocated once and at its exact size.

class SjisReader {
 public:
  SjisReader(const char* data, std::size_t size)
      : data_(reinterpret_cast<const unsigned char*>(data)), size_(size) {}

  template <class F>
  void forEach(F&& f) const {
    std::size_t i = 0;
    while (i < size_) {
      const unsigned char b = data_[i];
      if (isSjisLeadByte(b)) {
        // A lead byte that ends the input pairs with a 0 trail byte.
        const unsigned char trail = i + 1 < size_ ? data_[i + 1] : 0;
        f(sjisDoubleToUnicode(b, trail));
        i += 2;
      } else {
        f(sjisSingleToUnicode(b));
        ++i;
      }
    }
  }

 private:
  const unsigned char* data_;
  std::size_t size_;
};

// The engine's lenient UTF-8 reading: the lead byte alone decides the length of
// a sequence, continuation bytes are not checked, and each sequence gives one
// unit (a 4-byte character thus becomes two odd units).
class Utf8Reader {
 public:
  Utf8Reader(const char* data, std::size_t size)
      : data_(reinterpret_cast<const unsigned char*>(data)), size_(size) {}

  void skipByteOrderMark() {
    if (size_ == 0) return;
    char16_t unit;
    const std::size_t length = decodeAt(0, unit);
    if (unit == kByteOrderMark) begin_ = length;
  }

  template <class F>
  void forEach(F&& f) const {
    std::size_t i = begin_;
    while (i < size_) {
      char16_t unit;
      i += decodeAt(i, unit);
      f(unit);
    }
  }

 private:
  unsigned byteAt(std::size_t i) const { return i < size_ ? data_[i] : 0u; }

  // Returns the length of the sequence at `i`, which can reach past the end of
  // the input; the missing bytes count as 0.
  std::size_t decodeAt(std::size_t i, char16_t& unit) const {
    const unsigned b0 = data_[i];
    const int length = utf8SequenceLength(data_[i]);
    if (length == 1) {
      unit = static_cast<char16_t>(b0);
    } else if (length == 2) {
      unit = static_cast<char16_t>(((b0 << 6) & 0x7FF) | (byteAt(i + 1) & 0x3F));
    } else {
      unit = static_cast<char16_t>(
          ((b0 << 12) | ((byteAt(i + 1) << 6) & 0xFFF) | (byteAt(i + 2) & 0x3F)) & 0xFFFF);
    }
    return static_cast<std::size_t>(length);
  }

  const unsigned char* data_;
  std::size_t size_;
  std::size_t begin_ = 0;
};

class Utf16Reader {
 public:
  Utf16Reader(const char16_t* data, std::size_t size) : data_(data), size_(size) {}

  void skipByteOrderMark() {
    if (size_ > 0 && data_[0] == kByteOrderMark) begin_ = 1;
  }

  template <class F>
  void forEach(F&& f) const {
    for (std::size_t i = begin_; i < size_; ++i) f(data_[i]);
  }

 private:
  const char16_t* data_;
  std::size_t size_;
  std::size_t begin_ = 0;
};

struct Utf16Encoder {
  using Unit = char16_t;
  static constexpr std::size_t kTerminatorUnits = 1;

  static std::size_t length(char16_t) { return 1; }
  static Unit* put(char16_t unit, Unit* out) {
    *out++ = unit;
    return out;
  }
};

// Each unit is encoded on its own, surrogates included.
struct Utf8Encoder {
  using Unit = char;
  static constexpr std::size_t kTerminatorUnits = 3;

  static std::size_t length(char16_t unit) {
    return static_cast<std::size_t>(utf8LengthOfUnit(unit));
  }
  static Unit* put(char16_t unit, Unit* out) {
    const unsigned u = unit;
    switch (utf8LengthOfUnit(unit)) {
      case 1:
        *out++ = static_cast<char>(u & 0x7F);
        break;
      case 2:
        *out++ = static_cast<char>(0xC0 | ((u >> 6) & 0x1F));
        *out++ = static_cast<char>(0x80 | (u & 0x3F));
        break;
      default:
        *out++ = static_cast<char>(0xE0 | ((u >> 12) & 0x0F));
        *out++ = static_cast<char>(0x80 | ((u >> 6) & 0x3F));
        *out++ = static_cast<char>(0x80 | (u & 0x3F));
        break;
    }
    return out;
  }
};

// A unit without a code becomes the byte 0, as in the engine.
struct SjisEncoder {
  using Unit = char;
  static constexpr std::size_t kTerminatorUnits = 1;

  static std::size_t length(char16_t unit) { return unicodeToSjis(unit) < 0x100 ? 1 : 2; }
  static Unit* put(char16_t unit, Unit* out) {
    const std::uint16_t code = unicodeToSjis(unit);
    if (code >= 0x100) *out++ = static_cast<char>(code >> 8);
    *out++ = static_cast<char>(code & 0xFF);
    return out;
  }
};

template <class Encoder, class Reader>
std::size_t encodedLength(const Reader& reader) {
  std::size_t total = 0;
  reader.forEach([&total](char16_t unit) { total += Encoder::length(unit); });
  return total;
}

template <class Encoder, class Reader>
typename Encoder::Unit* encodeInto(const Reader& reader, typename Encoder::Unit* out) {
  reader.forEach([&out](char16_t unit) { out = Encoder::put(unit, out); });
  return out;
}

template <class Encoder, class Reader>
std::basic_string<typename Encoder::Unit> encodeToString(const Reader& reader) {
  std::basic_string<typename Encoder::Unit> result(encodedLength<Encoder>(reader),
                                                   typename Encoder::Unit{});
  encodeInto<Encoder>(reader, result.data());
  return result;
}

// The C forms: a malloc'd result with the encoder's terminator, and its length
// in bytes through `len`. A result too long for `len` is refused.
template <class Encoder, class Reader>
typename Encoder::Unit* encodeToMalloc(const Reader& reader, std::uint32_t* len) {
  using Unit = typename Encoder::Unit;
  const std::size_t units = encodedLength<Encoder>(reader);
  if (units > std::numeric_limits<std::uint32_t>::max() / sizeof(Unit)) {
    *len = 0;
    return nullptr;
  }
  auto* result =
      static_cast<Unit*>(std::malloc((units + Encoder::kTerminatorUnits) * sizeof(Unit)));
  if (result == nullptr) {
    *len = 0;
    return nullptr;
  }
  Unit* end = encodeInto<Encoder>(reader, result);
  std::fill_n(end, Encoder::kTerminatorUnits, Unit{});
  *len = static_cast<std::uint32_t>(units * sizeof(Unit));
  return result;
}

// The length of the well-formed UTF-8 sequence at the start of `p`, with its
// code point in `cp`, or 0 when the sequence is malformed, overlong, a
// surrogate, beyond U+10FFFF or cut off by the end of the input.
std::size_t decodeStrictUtf8(const unsigned char* p, std::size_t n, char32_t& cp) {
  const unsigned b0 = p[0];
  if (b0 < 0x80) {
    cp = b0;
    return 1;
  }
  std::size_t length;
  unsigned low = 0x80;
  unsigned high = 0xBF;
  if (b0 >= 0xC2 && b0 <= 0xDF) {
    length = 2;
  } else if (b0 >= 0xE0 && b0 <= 0xEF) {
    length = 3;
    if (b0 == 0xE0) low = 0xA0;
    if (b0 == 0xED) high = 0x9F;
  } else if (b0 >= 0xF0 && b0 <= 0xF4) {
    length = 4;
    if (b0 == 0xF0) low = 0x90;
    if (b0 == 0xF4) high = 0x8F;
  } else {
    return 0;
  }
  if (n < length) return 0;
  // Only the second byte has a narrowed range; the others are plain continuations.
  if (p[1] < low || p[1] > high) return 0;
  for (std::size_t k = 2; k < length; ++k) {
    if ((p[k] & 0xC0) != 0x80) return 0;
  }
  const unsigned leadBits = length == 2 ? 0x1F : length == 3 ? 0x0F : 0x07;
  char32_t value = b0 & leadBits;
  for (std::size_t k = 1; k < length; ++k) value = (value << 6) | (p[k] & 0x3Fu);
  cp = value;
  return length;
}

// A null input or length gives a null result and, where there is a length, an
// output length of 0.
bool isNullInput(const void* in, std::uint32_t* len) {
  if (len == nullptr) return true;
  if (in != nullptr) return false;
  *len = 0;
  return true;
}

}  // namespace

std::u16string sjisToUtf16(std::string_view sjis) {
  return encodeToString<Utf16Encoder>(SjisReader(sjis.data(), sjis.size()));
}

std::string sjisToUtf8(std::string_view sjis) {
  return encodeToString<Utf8Encoder>(SjisReader(sjis.data(), sjis.size()));
}

std::string utf16ToSjis(std::u16string_view utf16) {
  Utf16Reader reader(utf16.data(), utf16.size());
  reader.skipByteOrderMark();
  return encodeToString<SjisEncoder>(reader);
}

std::string utf16ToUtf8(std::u16string_view utf16) {
  return encodeToString<Utf8Encoder>(Utf16Reader(utf16.data(), utf16.size()));
}

// Composed of the UTF-8 to UTF-16 and UTF-16 to Shift_JIS steps, so a leading
// byte-order mark is skipped here too.
std::string utf8ToSjis(std::string_view utf8) {
  Utf8Reader reader(utf8.data(), utf8.size());
  reader.skipByteOrderMark();
  return encodeToString<SjisEncoder>(reader);
}

std::u16string utf8ToUtf16(std::string_view utf8) {
  return encodeToString<Utf16Encoder>(Utf8Reader(utf8.data(), utf8.size()));
}

std::optional<std::string> utf8ToSjisStrict(std::string_view utf8, std::size_t* badOffset) {
  const auto* p = reinterpret_cast<const unsigned char*>(utf8.data());
  const std::size_t n = utf8.size();
  // Shift_JIS is never longer than the UTF-8 it comes from.
  std::string result;
  result.reserve(n);
  std::size_t i = 0;
  if (n >= 3 && p[0] == 0xEF && p[1] == 0xBB && p[2] == 0xBF) i = 3;
  while (i < n) {
    char32_t cp = 0;
    const std::size_t length = decodeStrictUtf8(p + i, n - i, cp);
    // Code points beyond U+FFFF have no Shift_JIS code; 0 is a code only for U+0000.
    const std::uint16_t code =
        length == 0 || cp > 0xFFFF ? 0 : unicodeToSjis(static_cast<char16_t>(cp));
    if (length == 0 || (code == 0 && cp != 0)) {
      if (badOffset != nullptr) *badOffset = i;
      return std::nullopt;
    }
    if (code >= 0x100) result.push_back(static_cast<char>(code >> 8));
    result.push_back(static_cast<char>(code & 0xFF));
    i += length;
  }
  return result;
}

std::string toSjis(std::u8string_view utf8) {
  return utf8ToSjis(std::string_view(reinterpret_cast<const char*>(utf8.data()), utf8.size()));
}

std::string toForwardSlashes(std::string_view sjis) {
  std::string result(sjis);
  for (std::size_t i = 0; i < result.size(); ++i) {
    const auto b = static_cast<unsigned char>(result[i]);
    if (isSjisLeadByte(b)) {
      ++i;  // The trail byte may be 0x5C and is not a separator.
    } else if (b == '\\') {
      result[i] = '/';
    }
  }
  return result;
}

// In the C forms UTF-16 input lengths are bytes; an odd last byte is not half
// a unit and is ignored.

char16_t* sjis_to_utf16(const char* in, std::uint32_t* len) {
  if (isNullInput(in, len)) return nullptr;
  return encodeToMalloc<Utf16Encoder>(SjisReader(in, *len), len);
}

char* sjis_to_utf8(const char* in, std::uint32_t* len) {
  if (isNullInput(in, len)) return nullptr;
  return encodeToMalloc<Utf8Encoder>(SjisReader(in, *len), len);
}

char* utf16_to_sjis(const char16_t* in, std::uint32_t* len) {
  if (isNullInput(in, len)) return nullptr;
  Utf16Reader reader(in, *len / sizeof(char16_t));
  reader.skipByteOrderMark();
  return encodeToMalloc<SjisEncoder>(reader, len);
}

char* utf16_to_utf8(const char16_t* in, std::uint32_t* len) {
  if (isNullInput(in, len)) return nullptr;
  return encodeToMalloc<Utf8Encoder>(Utf16Reader(in, *len / sizeof(char16_t)), len);
}

char* utf8_to_sjis(const char* in, std::uint32_t* len) {
  if (isNullInput(in, len)) return nullptr;
  Utf8Reader reader(in, *len);
  reader.skipByteOrderMark();
  return encodeToMalloc<SjisEncoder>(reader, len);
}

char16_t* utf8_to_utf16(const char* in, std::uint32_t* len) {
  if (isNullInput(in, len)) return nullptr;
  return encodeToMalloc<Utf16Encoder>(Utf8Reader(in, *len), len);
}

// On failure `len` and the buffer are left as they were.
char* sjis_to_utf8_s(char* in, std::uint32_t* len, std::uint32_t capacity) {
  if (in == nullptr || len == nullptr) return nullptr;
  const SjisReader reader(in, *len);
  const std::size_t bytes = encodedLength<Utf8Encoder>(reader);
  if (bytes > capacity || capacity - bytes < Utf8Encoder::kTerminatorUnits) return nullptr;
  // A character's UTF-8 can be shorter or longer than its Shift_JIS bytes, so
  // the text is converted aside and copied over the input. The C allocator
  // keeps exceptions from reaching the plug-in that called.
  auto* utf8 = static_cast<char*>(std::malloc(std::max<std::size_t>(bytes, 1)));
  if (utf8 == nullptr) return nullptr;
  encodeInto<Utf8Encoder>(reader, utf8);
  std::memcpy(in, utf8, bytes);
  std::free(utf8);
  std::memset(in + bytes, 0, Utf8Encoder::kTerminatorUnits);
  *len = static_cast<std::uint32_t>(bytes);
  return in;
}

}  // namespace tsuzuri::util
