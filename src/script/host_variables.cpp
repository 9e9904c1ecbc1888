#include "script/host_variables.h"

#include "script/number_conversion.h"
#include "script/script_parser.h"

namespace tsuzuri::script {

namespace {

// Each declaration creates its variable before its value is evaluated, so
// that "int c = %c + 1" may read the new variable.
template <class Declare, class Assign>
void declareEach(Expression& expression, std::string_view declarations, Declare declare,
                 Assign assign) {
  for (std::string_view piece : splitArguments(declarations, ',')) {
    const std::size_t equals = piece.find('=');
    const std::string name = expression.evaluate(piece.substr(0, equals)).text;
    declare(name);
    if (equals != std::string_view::npos) {
      const Value value = expression.evaluate(piece.substr(equals + 1));
      assign(name, value);
    }
  }
}

}  // namespace

void HostVariables::newScriptInteger(std::string_view declarations) {
  Variables& variables = expression_.variables();
  declareEach(
      expression_, declarations, [&](const std::string& name) { variables.declareInteger(name); },
      [&](const std::string& name, const Value& value) {
        variables.declareInteger(name) = truncateToInt32(value.number);
      });
}

void HostVariables::newScriptString(std::string_view declarations) {
  Variables& variables = expression_.variables();
  declareEach(
      expression_, declarations, [&](const std::string& name) { variables.declareText(name); },
      [&](const std::string& name, const Value& value) {
        variables.declareText(name) = value.text;
      });
}

std::int32_t* HostVariables::integer(const VariableKey& key) const {
  Variables& variables = expression_.variables();
  if (const auto* index = std::get_if<std::int64_t>(&key)) return variables.numberedInteger(*index);
  return variables.findInteger(std::get<std::string_view>(key));
}

std::string* HostVariables::text(const VariableKey& key) const {
  Variables& variables = expression_.variables();
  if (const auto* index = std::get_if<std::int64_t>(&key)) return variables.numberedText(*index);
  return variables.findText(std::get<std::string_view>(key));
}

std::optional<std::int32_t> HostVariables::setScriptInteger(const VariableKey& key,
                                                            std::int32_t value) {
  std::int32_t* variable = integer(key);
  if (variable == nullptr) return std::nullopt;
  *variable = value;
  return value;
}

std::optional<std::int32_t> HostVariables::getScriptInteger(const VariableKey& key) const {
  const std::int32_t* variable = integer(key);
  return variable != nullptr ? std::optional(*variable) : std::nullopt;
}

std::optional<std::string> HostVariables::setScriptString(const VariableKey& key,
                                                          std::string_view value) {
  std::string* variable = text(key);
  if (variable == nullptr) return std::nullopt;
  variable->assign(value);
  return *variable;
}

std::optional<std::string> HostVariables::getScriptString(const VariableKey& key) const {
  const std::string* variable = text(key);
  return variable != nullptr ? std::optional(*variable) : std::nullopt;
}

}  // namespace tsuzuri::script
