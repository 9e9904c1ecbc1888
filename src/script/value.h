#pragma once

#include <string>

namespace tsuzuri::script {

// What an expression gives: a number and a text at once, and which of the
// two it is. Operators choose by the kind which field they use.
struct Value {
  static constexpr int kNone = -1;
  static constexpr int kNumber = 0;
  static constexpr int kText = 1;

  std::string text;  // Shift_JIS bytes
  double number = 0;
  int kind = kNone;

  static Value ofNumber(double n) { return Value{{}, n, kNumber}; }
  static Value ofText(std::string t) { return Value{std::move(t), 0, kText}; }
  bool isNone() const { return kind == kNone; }
  bool isText() const { return kind == kText; }
  bool isNumber() const { return kind == kNumber; }
};

}  // namespace tsuzuri::script
