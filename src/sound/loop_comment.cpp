#include "sound/loop_comment.h"

#include <array>
#include <charconv>
#include <limits>
#include <optional>
#include <string_view>
#include <vector>

namespace tsuzuri::sound {
namespace {

// Line ends count as blanks: tag editors on Windows leave a CR after the
// last value.
bool isBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

bool isAsciiLetter(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

std::string_view trimBlanks(std::string_view text) {
  while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
  return text;
}

// One value: blanks, an optional sign, at least one digit, blanks. Anything
// else, or a number beyond 64 bits, is not a value.
std::optional<std::int64_t> parseValue(std::string_view field) {
  field = trimBlanks(field);
  bool negative = false;
  if (!field.empty() && (field.front() == '+' || field.front() == '-')) {
    negative = field.front() == '-';
    field.remove_prefix(1);
  }
  if (field.empty() || field.front() < '0' || field.front() > '9') return std::nullopt;
  // The magnitude is read unsigned so that the most negative value fits.
  std::uint64_t magnitude = 0;
  const char* end = field.data() + field.size();
  const auto [stop, error] = std::from_chars(field.data(), end, magnitude);
  if (error != std::errc{} || stop != end) return std::nullopt;
  constexpr std::uint64_t kMaxPositive =
      static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max());
  if (!negative) {
    if (magnitude > kMaxPositive) return std::nullopt;
    return static_cast<std::int64_t>(magnitude);
  }
  if (magnitude > kMaxPositive + 1) return std::nullopt;
  if (magnitude == kMaxPositive + 1) return std::numeric_limits<std::int64_t>::min();
  return -static_cast<std::int64_t>(magnitude);
}

}  // namespace

// Split so that only a result beyond 64 bits fails:
// the whole seconds and the remaining milliseconds are scaled apart, and
// both parts truncate toward zero as the single division would.
std::optional<std::int64_t> msToSamples(std::int64_t ms, std::int64_t rate) {
  std::int64_t whole = 0;
  if (__builtin_mul_overflow(ms / 1000, rate, &whole)) return std::nullopt;
  std::int64_t result = 0;
  if (__builtin_add_overflow(whole, ms % 1000 * rate / 1000, &result)) return std::nullopt;
  return result;
}

LoopComment parseLoopComment(std::span<const std::string> comments, std::int64_t rate) {
  LoopComment result;
  const std::string* found = nullptr;
  for (const std::string& comment : comments) {
    if (comment.find("COMMENT") != std::string::npos) {
      found = &comment;
      break;
    }
  }
  if (found == nullptr) return result;

  std::string_view text = *found;
  const std::size_t equals = text.find('=');
  if (equals == std::string_view::npos) return result;
  text.remove_prefix(equals + 1);
  text = trimBlanks(text.substr(0, text.find('=')));

  std::size_t letters = 0;
  while (letters < text.size() && isAsciiLetter(text[letters])) ++letters;
  const std::string_view directive = text.substr(0, letters);
  const bool inTime = directive == "setTime";
  if (!inTime && directive != "setSample") return result;

  std::vector<std::string_view> fields;
  std::string_view rest = text.substr(letters);
  for (;;) {
    const std::size_t comma = rest.find(',');
    fields.push_back(rest.substr(0, comma));
    if (comma == std::string_view::npos) break;
    rest.remove_prefix(comma + 1);
  }
  if (fields.size() != 3) {
    result.status = LoopCommentStatus::kWrongArgCount;
    return result;
  }

  std::array<std::int64_t, 3> values{};
  for (std::size_t i = 0; i < values.size(); ++i) {
    std::optional<std::int64_t> value = parseValue(fields[i]);
    if (value && inTime) value = msToSamples(*value, rate);
    if (!value) return result;
    values[i] = *value;
  }
  result.status = LoopCommentStatus::kFound;
  result.points = {values[0], values[1], values[2]};
  return result;
}

}  // namespace tsuzuri::sound
