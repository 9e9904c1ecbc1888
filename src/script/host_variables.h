#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

#include "script/expression.h"

namespace tsuzuri::script {

// A variable as Lua and Squirrel name it: a number for %N / $N, or the
// name of a declared named variable.
using VariableKey = std::variant<std::int64_t, std::string_view>;

// The script's variables as other hosts reach them. The declarations are
// those of `int` and `string`; the getters and setters give nothing for a
// name never declared or a number outside 0-255.
class HostVariables {
 public:
  explicit HostVariables(Expression& expression) : expression_(expression) {}

  // "name [= expr], ...": each name part is evaluated and its text taken as
  // the name; the variable is created (0 or empty) when it does not exist,
  // and given the value when "=" follows.
  void newScriptInteger(std::string_view declarations);
  void newScriptString(std::string_view declarations);

  // The value set or read, or nothing when the key names no variable.
  std::optional<std::int32_t> setScriptInteger(const VariableKey& key, std::int32_t value);
  std::optional<std::int32_t> getScriptInteger(const VariableKey& key) const;
  std::optional<std::string> setScriptString(const VariableKey& key, std::string_view value);
  std::optional<std::string> getScriptString(const VariableKey& key) const;

 private:
  std::int32_t* integer(const VariableKey& key) const;
  std::string* text(const VariableKey& key) const;

  Expression& expression_;
};

}  // namespace tsuzuri::script
