#include "persist/record_text.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "script/host_variables.h"
#include "util/number_text.h"
#include "util/sjis.h"

namespace tsuzuri::persist {

namespace {

constexpr bool isSpace(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// The position of the first "=" of a line, passing over double-byte
// characters whole.
std::size_t findEquals(std::string_view line) {
  for (std::size_t i = 0; i < line.size(); ++i) {
    if (line[i] == '=') return i;
    if (util::isSjisLeadByte(static_cast<unsigned char>(line[i]))) ++i;
  }
  return std::string_view::npos;
}

// strtol and friends need a terminated string; fields are short.
template <class Convert>
auto parsed(std::string_view field, Convert convert, decltype(convert("", nullptr)) fallback) {
  char buffer[64];
  const std::size_t n = std::min(field.size(), sizeof buffer - 1);
  field.copy(buffer, n);
  buffer[n] = '\0';
  char* end = nullptr;
  const auto value = convert(buffer, &end);
  return end == buffer ? fallback : value;
}

}  // namespace

std::string_view trimmed(std::string_view text) {
  while (!text.empty() && isSpace(text.front())) text.remove_prefix(1);
  while (!text.empty() && isSpace(text.back())) text.remove_suffix(1);
  return text;
}

std::vector<std::string_view> listElements(std::string_view value) {
  std::vector<std::string_view> elements;
  std::size_t start = 0;
  while (true) {
    const std::size_t comma = value.find(',', start);
    elements.push_back(trimmed(value.substr(start, comma - start)));
    if (comma == std::string_view::npos) return elements;
    start = comma + 1;
  }
}

std::string_view firstElement(std::string_view value) {
  return trimmed(value.substr(0, value.find(',')));
}

std::unordered_map<std::string_view, std::string_view> keyValues(std::string_view text) {
  std::unordered_map<std::string_view, std::string_view> values;
  std::size_t start = 0;
  while (start < text.size()) {
    const std::size_t end = std::min(text.find('\n', start), text.size());
    const std::string_view line = text.substr(start, end - start);
    start = end + 1;
    const std::size_t equals = findEquals(line);
    if (equals == std::string_view::npos) continue;
    values.insert_or_assign(trimmed(line.substr(0, equals)), trimmed(line.substr(equals + 1)));
  }
  return values;
}

std::vector<std::string_view> textElements(std::string_view value) {
  std::vector<std::string_view> elements;
  std::size_t start = 0;
  while (start < value.size()) {
    const std::size_t opening = value.find('\'', start);
    const std::size_t closing =
        opening == std::string_view::npos ? opening : value.find("',", opening + 1);
    if (closing == std::string_view::npos) {
      elements.push_back(trimmed(value.substr(start)));
      break;
    }
    elements.push_back(trimmed(value.substr(start, closing + 1 - start)));
    start = closing + 2;
  }
  return elements;
}

namespace {

template <class Map>
std::vector<typename Map::const_pointer> sortedWithPrefix(const Map& map, std::string_view prefix) {
  std::vector<typename Map::const_pointer> items;
  for (const auto& item : map) {
    if (item.first.starts_with(prefix)) items.push_back(&item);
  }
  std::sort(items.begin(), items.end(), [](auto a, auto b) { return a->first < b->first; });
  return items;
}

// An element in the form the writer gives, "name='text'", is the text
// between the outer quotes as it stands: run as a declaration, a quote
// inside the text would end it. Any other element is run as the
// declaration it always was.
void recreateText(script::Expression& expression, std::string_view element) {
  const std::size_t equals = element.find('=');
  if (equals != std::string_view::npos && element.size() >= equals + 3 &&
      element[equals + 1] == '\'' && element.back() == '\'') {
    const std::string name = expression.evaluate(element.substr(0, equals)).text;
    expression.variables().declareText(name) =
        std::string(element.substr(equals + 2, element.size() - equals - 3));
    return;
  }
  script::HostVariables(expression).newScriptString(element);
}

}  // namespace

void appendIntegerItems(std::string& out, const script::Variables& variables,
                        std::string_view prefix) {
  for (const auto* item : sortedWithPrefix(variables.namedIntegers(), prefix)) {
    out.append(item->first).append("=").append(util::itos10(item->second)).append(",");
  }
}

void appendTextItems(std::string& out, const script::Variables& variables,
                     std::string_view prefix) {
  for (const auto* item : sortedWithPrefix(variables.namedTexts(), prefix)) {
    out.append(item->first).append("='").append(item->second).append("',");
  }
}

void recreateIntegers(script::Expression& expression, std::string_view value) {
  for (const std::string_view element : listElements(value)) {
    if (!element.empty()) script::HostVariables(expression).newScriptInteger(element);
  }
}

void recreateTexts(script::Expression& expression, std::string_view value) {
  for (const std::string_view element : textElements(value)) {
    if (!element.empty()) recreateText(expression, element);
  }
}

void appendFormat(std::string& out, const char* format, ...) {
  std::va_list args;
  va_start(args, format);
  std::va_list again;
  va_copy(again, args);
  const int length = std::vsnprintf(nullptr, 0, format, args);
  va_end(args);
  if (length > 0) {
    const std::size_t at = out.size();
    out.resize(at + static_cast<std::size_t>(length) + 1);
    std::vsnprintf(out.data() + at, static_cast<std::size_t>(length) + 1, format, again);
    out.resize(at + static_cast<std::size_t>(length));
  }
  va_end(again);
}

std::int32_t Fields::decimal(std::size_t i, std::int32_t fallback) const {
  if (!has(i)) return fallback;
  // Written as int; a value written as unsigned wraps back the same way.
  return static_cast<std::int32_t>(parsed(
      text(i), [](const char* s, char** e) { return std::strtoll(s, e, 10); }, fallback));
}

std::uint32_t Fields::unsignedDecimal(std::size_t i, std::uint32_t fallback) const {
  if (!has(i)) return fallback;
  return static_cast<std::uint32_t>(parsed(
      text(i), [](const char* s, char** e) { return std::strtoll(s, e, 10); }, fallback));
}

std::uint32_t Fields::hex(std::size_t i, std::uint32_t fallback) const {
  if (!has(i)) return fallback;
  return static_cast<std::uint32_t>(parsed(
      text(i), [](const char* s, char** e) { return std::strtoull(s, e, 16); }, fallback));
}

double Fields::real(std::size_t i, double fallback) const {
  if (!has(i)) return fallback;
  const double value = parsed(
      text(i), [](const char* s, char** e) { return std::strtod(s, e); }, fallback);
  // The engine writes no infinity and no NaN; they would turn into
  // meaningless integers.
  return std::isfinite(value) ? value : fallback;
}

std::string_view RecordLines::value(std::string_view key) const {
  const auto found = lines_.find(key);
  return found == lines_.end() ? std::string_view() : found->second;
}

}  // namespace tsuzuri::persist
