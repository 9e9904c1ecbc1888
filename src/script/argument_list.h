#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "script/error_sink.h"
#include "script/expression.h"
#include "script/value.h"

namespace tsuzuri::script {

// The arguments of one statement: its argument text cut at "," outside
// quotes and trimmed, each piece evaluated once, in order. Indexes start at
// 0; reading past the last argument gives kind none, 0 and "".
class ArgumentList {
 public:
  ArgumentList(std::string_view arguments, Expression& expression, ErrorSink& errors);

  int count() const { return static_cast<int>(values_.size()); }
  // The argument as written (trimmed), for arguments that are read unevaluated.
  std::string_view raw(int i) const;
  // Null past the last argument.
  const Value* value(int i) const;
  int kind(int i) const;
  // The number truncated toward zero (wrapping as the wrapping reader does).
  std::int32_t integer(int i) const;
  std::int32_t wrappingInteger(int i) const;
  double number(int i) const;
  std::string_view text(int i) const;

  // Writes into the variable that argument i names. An argument that names
  // no variable is reported ("数値変数が不正です" / "文字変数が不正です",
  // unless its evaluation was reported already) and nothing is written.
  void setInteger(int i, std::int32_t value);
  void setText(int i, std::string_view value);

  Expression& expression() { return expression_; }

 private:
  bool reportedAlready(int i) const;

  std::vector<std::string_view> raw_;
  std::vector<Value> values_;
  Expression& expression_;
  ErrorSink& errors_;
};

}  // namespace tsuzuri::script
