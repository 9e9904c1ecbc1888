#pragma once

// The engine's Shift_JIS tables: code page 932 with a handful of deliberate
// differences (0x81CA is U+00AC, 0x83B7-0x83BE are the card suits, 0xFAA0 and
// 0xFAA1 are U+5FB7 and U+5FDE, the user-defined area 0xF040-0xF9FC is
// undefined), and a reverse table whose aliases send both variants of a
// character (wave dash and full-width tilde, the two dashes, the two minus
// signs, yen sign and backslash, the two not signs) to one code.

#include <cstdint>

namespace tsuzuri::util {

// Byte → UTF-16: 0x00-0x7E map to themselves, 0xA1-0xDF to the half-width
// katakana U+FF61-U+FF9F, every other byte to 0.
char16_t sjisSingleToUnicode(unsigned char byte);

// Lead and trail byte → UTF-16; 0 for undefined and user-defined codes and
// for a first byte that is not a lead byte.
char16_t sjisDoubleToUnicode(unsigned char lead, unsigned char trail);

// UTF-16 unit → Shift_JIS code; values of 256 and above are two bytes, high
// byte first. 0 for units without a code (and for U+0000).
std::uint16_t unicodeToSjis(char16_t unit);

// Length of the UTF-8 sequence that starts with `lead`, by the engine's lead
// table: 1 for 0x00-0x7F, 2 for 0xC0-0xDF, 3 for everything else.
constexpr int utf8SequenceLength(unsigned char lead) {
  if (lead < 0x80) return 1;
  if (lead >= 0xC0 && lead <= 0xDF) return 2;
  return 3;
}

// Bytes a UTF-16 unit takes in UTF-8 when encoded on its own.
constexpr int utf8LengthOfUnit(char16_t unit) {
  if (unit < 0x80) return 1;
  if (unit < 0x800) return 2;
  return 3;
}

}  // namespace tsuzuri::util
