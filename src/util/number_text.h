#pragma once

// Fast number ↔ text conversions in fixed bases, shared with plug-ins.
//
// Parsing is deliberately lenient, as scripts rely on it: after leading
// blanks and tabs (and one sign for the signed decimal forms), every
// character up to the end is accumulated as value × base + digit, where 0-9
// count 0-9, A-V and a-v count 10-31 and anything else counts 0. So "12x"
// reads as 120 and "0x1F" in hexadecimal as 31. Overflow wraps.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace tsuzuri::util {

// Buffer sizes, terminator included, that hold any result of the writers below.
inline constexpr std::size_t kIntegerTextSize = 12;
inline constexpr std::size_t kLongHexTextSize = 17;
inline constexpr std::size_t kFloatTextSize = 48;
inline constexpr std::size_t kDoubleTextSize = 320;

// Each writes a NUL-terminated text and returns its length.
int itoa10(std::int32_t value, char* out);
// The 32-bit pattern of `value` in uppercase hexadecimal: -5 gives FFFFFFFB.
int itoa16(std::int32_t value, char* out);
int lltoa16(std::uint64_t value, char* out);
// "0" for zero; otherwise an optional "-", the integer part, and when a
// fraction remains "." and the fraction rounded to six digits with trailing
// zeros removed (at least one digit stays): 1.5 → "1.5", 2.0 → "2".
int ftoa10(float value, char* out);
int dtoa10(double value, char* out);

std::string itos10(std::int32_t value);
std::string itos16(std::int32_t value);
std::string lltos16(std::uint64_t value);
std::string ftos10(float value);
std::string dtos10(double value);

// Parsers of NUL-terminated text; a null pointer reads as 0.
std::int32_t atoi10(const char* text);
std::uint32_t atoi16(const char* text);
// Unsigned decimal; only "+" is taken as a sign.
std::uint32_t atol10(const char* text);
std::uint64_t atoll16(const char* text);
// Decimal floating point (blanks, an optional sign, digits, fraction and
// exponent); reading stops at the first character that does not fit, and
// text without a number reads as 0.
float atof10(const char* text);
double atod10(const char* text);

std::int32_t stoi10(std::string_view text);
std::uint32_t stoi16(std::string_view text);
std::uint32_t stol10(std::string_view text);
std::uint64_t stoll16(std::string_view text);
float stof10(std::string_view text);
double stod10(std::string_view text);

}  // namespace tsuzuri::util
