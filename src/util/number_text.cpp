#include "util/number_text.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>

namespace tsuzuri::util {
namespace {

std::string_view viewOf(const char* text) {
  return text == nullptr ? std::string_view{} : std::string_view{text};
}

// Scripts hand strings with embedded NULs around; the C forms stop at the
// first one, and so do the string forms, for the same result.
std::string_view untilNul(std::string_view text) {
  const auto nul = text.find('\0');
  return nul == std::string_view::npos ? text : text.substr(0, nul);
}

std::string_view skipBlanks(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  return text.substr(i);
}

constexpr unsigned digitValue(char c) {
  if (c >= '0' && c <= '9') return static_cast<unsigned>(c - '0');
  if (c >= 'A' && c <= 'V') return static_cast<unsigned>(c - 'A') + 10U;
  if (c >= 'a' && c <= 'v') return static_cast<unsigned>(c - 'a') + 10U;
  return 0;
}

template <typename Unsigned>
Unsigned accumulate(std::string_view text, Unsigned base) {
  Unsigned value = 0;
  for (char c : text) value = static_cast<Unsigned>(value * base + digitValue(c));
  return value;
}

int writeUnsigned(std::uint64_t value, unsigned base, char* out) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  char reversed[20];
  int n = 0;
  do {
    reversed[n++] = kDigits[value % base];
    value /= base;
  } while (value != 0);
  for (int i = 0; i < n; ++i) out[i] = reversed[n - 1 - i];
  out[n] = '\0';
  return n;
}

template <typename Real>
Real parseReal(std::string_view text) {
  text = skipBlanks(untilNul(text));
  bool negative = false;
  if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  // from_chars takes no sign of its own, so a second sign reads as no number.
  Real value = 0;
  const auto result =
      std::from_chars(text.data(), text.data() + text.size(), value, std::chars_format::general);
  if (result.ec == std::errc::invalid_argument) return 0;
  if (result.ec == std::errc::result_out_of_range) {
    // from_chars leaves the value alone here: a negative exponent means the
    // number was too small (zero), anything else too large (infinity).
    const std::string_view consumed(text.data(),
                                    static_cast<std::size_t>(result.ptr - text.data()));
    const auto e = consumed.find_first_of("eE");
    const bool tiny =
        e != std::string_view::npos && e + 1 < consumed.size() && consumed[e + 1] == '-';
    value = tiny ? Real{0} : std::numeric_limits<Real>::infinity();
  }
  return negative ? -value : value;
}

// Writes `value` into `out`, which holds `capacity` bytes (at least enough
// for the largest value of the caller's type).
int writeReal(double value, char* out, std::size_t capacity) {
  if (std::isnan(value)) {
    std::memcpy(out, "nan", 4);
    return 3;
  }
  if (value == 0) {
    std::memcpy(out, "0", 2);
    return 1;
  }
  int n = 0;
  if (value < 0) out[n++] = '-';
  if (std::isinf(value)) {
    std::memcpy(out + n, "inf", 4);
    return n + 3;
  }
  double integer = std::floor(std::abs(value));
  const double fraction = std::abs(value) - integer;
  // Adding one half and truncating is the engine's rounding, kept for
  // identical output; the fraction is never negative here.
  // NOLINTNEXTLINE(bugprone-incorrect-roundings)
  auto digits = static_cast<std::uint32_t>(fraction * 1000000.0 + 0.5);
  if (digits >= 1000000) {
    // 1.9999999 rounds up to the next integer, not to the seven digits "1000000".
    integer += 1;
    digits -= 1000000;
  }
  // Every double's integer part has an exact decimal form, which fixed
  // notation with no fraction digits writes out in full; room stays for ".",
  // six digits and the terminator.
  const auto written =
      std::to_chars(out + n, out + capacity - 8, integer, std::chars_format::fixed, 0);
  n = static_cast<int>(written.ptr - out);
  if (fraction != 0) {
    out[n++] = '.';
    char six[7];
    for (int i = 5; i >= 0; --i) {
      six[i] = static_cast<char>('0' + digits % 10);
      digits /= 10;
    }
    int keep = 6;
    while (keep > 1 && six[keep - 1] == '0') --keep;
    std::memcpy(out + n, six, static_cast<std::size_t>(keep));
    n += keep;
  }
  out[n] = '\0';
  return n;
}

}  // namespace

int itoa10(std::int32_t value, char* out) {
  if (value < 0) {
    out[0] = '-';
    // Negating in unsigned arithmetic keeps INT32_MIN defined.
    return 1 + writeUnsigned(0U - static_cast<std::uint32_t>(value), 10, out + 1);
  }
  return writeUnsigned(static_cast<std::uint32_t>(value), 10, out);
}

int itoa16(std::int32_t value, char* out) {
  return writeUnsigned(static_cast<std::uint32_t>(value), 16, out);
}

int lltoa16(std::uint64_t value, char* out) {
  return writeUnsigned(value, 16, out);
}

int dtoa10(double value, char* out) {
  return writeReal(value, out, kDoubleTextSize);
}

int ftoa10(float value, char* out) {
  return writeReal(static_cast<double>(value), out, kFloatTextSize);
}

std::string itos10(std::int32_t value) {
  char buffer[kIntegerTextSize];
  return {buffer, static_cast<std::size_t>(itoa10(value, buffer))};
}

std::string itos16(std::int32_t value) {
  char buffer[kIntegerTextSize];
  return {buffer, static_cast<std::size_t>(itoa16(value, buffer))};
}

std::string lltos16(std::uint64_t value) {
  char buffer[kLongHexTextSize];
  return {buffer, static_cast<std::size_t>(lltoa16(value, buffer))};
}

std::string ftos10(float value) {
  char buffer[kFloatTextSize];
  return {buffer, static_cast<std::size_t>(ftoa10(value, buffer))};
}

std::string dtos10(double value) {
  char buffer[kDoubleTextSize];
  return {buffer, static_cast<std::size_t>(dtoa10(value, buffer))};
}

std::int32_t stoi10(std::string_view text) {
  text = skipBlanks(untilNul(text));
  bool negative = false;
  if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  const auto magnitude = accumulate<std::uint32_t>(text, 10);
  return static_cast<std::int32_t>(negative ? 0U - magnitude : magnitude);
}

std::uint32_t stoi16(std::string_view text) {
  return accumulate<std::uint32_t>(skipBlanks(untilNul(text)), 16);
}

std::uint32_t stol10(std::string_view text) {
  text = skipBlanks(untilNul(text));
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  return accumulate<std::uint32_t>(text, 10);
}

std::uint64_t stoll16(std::string_view text) {
  return accumulate<std::uint64_t>(skipBlanks(untilNul(text)), 16);
}

float stof10(std::string_view text) {
  return parseReal<float>(text);
}
double stod10(std::string_view text) {
  return parseReal<double>(text);
}

std::int32_t atoi10(const char* text) {
  return stoi10(viewOf(text));
}
std::uint32_t atoi16(const char* text) {
  return stoi16(viewOf(text));
}
std::uint32_t atol10(const char* text) {
  return stol10(viewOf(text));
}
std::uint64_t atoll16(const char* text) {
  return stoll16(viewOf(text));
}
float atof10(const char* text) {
  return stof10(viewOf(text));
}
double atod10(const char* text) {
  return stod10(viewOf(text));
}

}  // namespace tsuzuri::util
