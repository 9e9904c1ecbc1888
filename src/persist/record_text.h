#pragma once

#include <cstdarg>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "script/expression.h"

namespace tsuzuri::persist {

// The line format that setting.dat and the save records share: "key=value"
// lines, the value a list of fields between commas.

std::string_view trimmed(std::string_view text);
// The pieces of a value between commas, trimmed. A comma is never the trail
// byte of a double-byte character, so the bytes are searched as they are.
std::vector<std::string_view> listElements(std::string_view value);
std::string_view firstElement(std::string_view value);
// Every "key = value" line of a text, trimmed; a later line replaces an
// earlier one with the same key. The views point into `text`.
std::unordered_map<std::string_view, std::string_view> keyValues(std::string_view text);
// The elements of a String line, each "name='text'". An element runs from
// its opening quote to the next quote that a comma follows, so that texts
// may hold commas.
std::vector<std::string_view> textElements(std::string_view value);

// Appends printf-formatted text (the record formats are printf formats).
void appendFormat(std::string& out, const char* format, ...) __attribute__((format(printf, 2, 3)));

// The items of the Integer and String lines for the variables whose names
// begin with `prefix` ("name=value," and "name='text',"), sorted by name.
void appendIntegerItems(std::string& out, const script::Variables& variables,
                        std::string_view prefix);
void appendTextItems(std::string& out, const script::Variables& variables, std::string_view prefix);
// Creates the variables of an Integer or a String line's value.
void recreateIntegers(script::Expression& expression, std::string_view value);
void recreateTexts(script::Expression& expression, std::string_view value);

// The fields of one record line, read leniently: a field that is missing
// (an older or shorter line) reads as the default given, and numbers read
// as far as they go.
class Fields {
 public:
  Fields() = default;
  explicit Fields(std::string_view value) : fields_(listElements(value)) {}

  bool has(std::size_t i) const { return i < fields_.size(); }
  std::string_view text(std::size_t i) const { return has(i) ? fields_[i] : std::string_view(); }
  std::int32_t decimal(std::size_t i, std::int32_t fallback = 0) const;
  // "%lu" fields (times, elapsed times).
  std::uint32_t unsignedDecimal(std::size_t i, std::uint32_t fallback = 0) const;
  // Upper- or lower-case hexadecimal without prefix.
  std::uint32_t hex(std::size_t i, std::uint32_t fallback = 0) const;
  double real(std::size_t i, double fallback = 0) const;

 private:
  std::vector<std::string_view> fields_;
};

// A record's lines by key. The views point into the text given to parse,
// which must outlive the record.
class RecordLines {
 public:
  explicit RecordLines(std::string_view text) : lines_(keyValues(text)) {}
  bool has(std::string_view key) const { return lines_.contains(key); }
  // The whole value (empty when the key is absent).
  std::string_view value(std::string_view key) const;
  Fields fields(std::string_view key) const { return Fields(value(key)); }

 private:
  std::unordered_map<std::string_view, std::string_view> lines_;
};

}  // namespace tsuzuri::persist
