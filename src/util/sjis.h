#pragma once

// Shift_JIS, UTF-16 and UTF-8 conversion.
//
// All game text is Shift_JIS bytes held in std::string. The conversions here
// follow the engine's tables (sjis_tables.h) exactly, including their odd
// corners: each UTF-16 unit is encoded to UTF-8 on its own (no surrogate
// pairing, no 4-byte sequences), undefined codes become U+0000, and units
// without a Shift_JIS code become the byte 0. Text that must be converted
// without loss (command lines, source files of the packer) goes through the
// strict form instead.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tsuzuri::util {

// A lead byte and the byte after it form one character everywhere in the engine.
constexpr bool isSjisLeadByte(unsigned char b) {
  return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

// The bytes of the character at `i`: 2 for a lead byte with its second
// byte in the text, else 1 (a lead byte at the very end counts alone).
constexpr std::size_t sjisWidthAt(std::string_view text, std::size_t i) {
  return isSjisLeadByte(static_cast<unsigned char>(text[i])) && i + 1 < text.size() ? 2 : 1;
}

// The character at `i` as one code: lead × 256 + trail, or the byte.
constexpr std::uint16_t sjisCodeAt(std::string_view text, std::size_t i) {
  const auto lead = static_cast<unsigned char>(text[i]);
  if (sjisWidthAt(text, i) == 1) return lead;
  return static_cast<std::uint16_t>(lead << 8 | static_cast<unsigned char>(text[i + 1]));
}

std::u16string sjisToUtf16(std::string_view sjis);
std::string sjisToUtf8(std::string_view sjis);
// A leading byte-order mark U+FEFF is skipped.
std::string utf16ToSjis(std::u16string_view utf16);
std::string utf16ToUtf8(std::u16string_view utf16);
std::string utf8ToSjis(std::string_view utf8);
std::u16string utf8ToUtf16(std::string_view utf8);

// Converts well-formed UTF-8 (sequences of 1 to 4 bytes) to Shift_JIS and
// fails when the text is malformed or holds a character without a Shift_JIS
// code; `badOffset`, when given, then receives the byte offset of the first
// offending sequence.
std::optional<std::string> utf8ToSjisStrict(std::string_view utf8,
                                            std::size_t* badOffset = nullptr);

// Shift_JIS text of a UTF-8 literal in our own source, for the engine's
// messages: toSjis(u8"未対応の命令です").
std::string toSjis(std::u8string_view utf8);

// Turns every `\` into `/`, leaving the trail bytes of double-byte characters alone.
std::string toForwardSlashes(std::string_view sjis);

// The C-shaped conversions offered to plug-ins. `len` holds the input length
// in bytes and receives the output length in bytes (terminators excluded).
// Results are allocated with std::malloc and released by the caller with
// std::free; they end in one zero unit (UTF-16), one zero byte (Shift_JIS) or
// three zero bytes (UTF-8). Null input or length gives a null result.
char16_t* sjis_to_utf16(const char* in, std::uint32_t* len);
char* sjis_to_utf8(const char* in, std::uint32_t* len);
char* utf16_to_sjis(const char16_t* in, std::uint32_t* len);
char* utf16_to_utf8(const char16_t* in, std::uint32_t* len);
char* utf8_to_sjis(const char* in, std::uint32_t* len);
char16_t* utf8_to_utf16(const char* in, std::uint32_t* len);

// Converts in place: when `capacity` (the size of the buffer at `in`) is at
// least the UTF-8 length + 3, the UTF-8 text with its three zero bytes
// replaces the input and `in` is returned; otherwise null is returned and
// the input is left as it was.
char* sjis_to_utf8_s(char* in, std::uint32_t* len, std::uint32_t capacity);

}  // namespace tsuzuri::util
