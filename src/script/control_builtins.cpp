#include <string>

#include <cctype>
#include <optional>

#include "script/argument_list.h"
#include "script/builtins.h"
#include "script/number_conversion.h"
#include "script/script_parser.h"
#include "util/crc.h"
#include "util/sjis.h"

namespace tsuzuri::script {

namespace {

// A label value is a text whose first byte (normally "*") is dropped; the
// rest is the label's name.
std::uint32_t labelHash(std::string_view value) {
  return util::crc32_hash2(value.empty() ? value : value.substr(1));
}

void reportMissingLabel(const BuiltinServices& s, std::string_view value) {
  s.errors.reportWithContext(std::string(value) + util::toSjis(u8"ラベルが存在しません"));
}

void jump(const BuiltinServices& s, std::string_view arguments) {
  s.interpreter.commandName().set("goto");
  const Value value = s.expression.evaluate(arguments);
  if (!s.interpreter.jumpToLabel(labelHash(value.text))) reportMissingLabel(s, value.text);
}

void call(const BuiltinServices& s, std::string_view arguments) {
  s.interpreter.commandName().set("gosub");
  const Value value = s.expression.evaluate(arguments);
  if (!s.interpreter.callLabel(labelHash(value.text))) reportMissingLabel(s, value.text);
}

void giveBack(const BuiltinServices& s, std::string_view arguments) {
  Interpreter& in = s.interpreter;
  in.commandName().set("return");
  const Value value = s.expression.evaluate(arguments);
  std::vector<CallFrame>& calls = in.callStack();
  if (calls.empty()) {
    s.errors.reportWithContext(util::toSjis(u8"gosub が一度も実行されていません"));
    return;
  }
  in.dropSubroutineLoops();
  const CallFrame frame = calls.back();
  calls.pop_back();
  in.setLoopCount(frame.savedLoopCount);
  if (value.isNone() || value.text.empty()) {
    in.setLine(frame.resumeLine);
    in.setStatement(frame.resumeStatement);
    in.setJumpFlag(true);
    in.switchToScript(frame.scriptHash);
  } else if (value.isText()) {
    if (!in.jumpToLabel(labelHash(value.text))) reportMissingLabel(s, value.text);
  }
  // A number that carries a text (a comparison of texts) leaves the
  // position where it is.
  if (calls.empty()) {
    in.setSubroutineName({});
    calls.shrink_to_fit();
  }
}

void declareCommand(const BuiltinServices& s, ScriptTables& tables, std::string_view arguments) {
  s.interpreter.commandName().set("defsub");
  const std::string_view name = trim(arguments);
  const std::uint32_t hash = util::crc32_hash2(name);
  if (tables.labels.contains(hash)) {
    tables.userCommands.insert(hash);
  } else {
    s.errors.reportWithContext(std::string(arguments) + util::toSjis(u8"ラベルが存在しません"));
  }
}

// Whether a parameter is handed to a text variable as written: it starts
// like a plain word or number rather than an expression.
bool passedAsWritten(std::string_view parameter) {
  const auto c = static_cast<unsigned char>(parameter.front());
  return std::isalnum(c) != 0 || c == '-' || c == '.' || c == '@' || c == '_';
}

void getParam(const BuiltinServices& s, std::string_view arguments) {
  s.interpreter.commandName().set("getParam");
  // Copied: evaluating a parameter may call nothing, but the buffer is the
  // interpreter's and the receivers below may be long.
  const std::string parameterText(s.interpreter.parameters());
  const std::vector<std::string_view> parameters = splitArguments(parameterText, ',');
  const std::vector<std::string_view> receivers = splitArguments(arguments, ',');
  for (std::size_t k = 0; k < receivers.size(); ++k) {
    const std::string_view receiver = receivers[k];
    const std::size_t equals = receiver.find('=');
    const std::string_view reference = trim(receiver.substr(0, equals));
    const std::optional<std::string_view> fallback =
        equals == std::string_view::npos ? std::nullopt
                                         : std::optional(trim(receiver.substr(equals + 1)));
    const std::optional<std::string_view> parameter =
        k < parameters.size() ? std::optional(parameters[k]) : std::nullopt;
    if (reference.starts_with('$')) {
      std::string* variable = s.expression.resolveText(reference);
      if (variable == nullptr) continue;
      if (parameter && !parameter->empty() && passedAsWritten(*parameter)) {
        variable->assign(*parameter);
        continue;
      }
      Value value = parameter ? s.expression.evaluate(*parameter) : Value{};
      if (value.isNone()) value = fallback ? s.expression.evaluate(*fallback) : Value{};
      // The variable is looked up again: evaluating may not move it, but a
      // reference through another variable is resolved as it stands now.
      if (std::string* target = s.expression.resolveText(reference)) *target = value.text;
    } else if (reference.starts_with('%')) {
      if (s.expression.resolveInteger(reference) == nullptr) continue;
      Value value = parameter ? s.expression.evaluate(*parameter) : Value{};
      if (value.isNone() && fallback) value = s.expression.evaluate(*fallback);
      if (std::int32_t* target = s.expression.resolveInteger(reference)) {
        *target = value.isNone() ? 0 : truncateToInt32(value.number);
      }
    }
  }
}

void labelExist(const BuiltinServices& s, std::string_view arguments) {
  s.interpreter.commandName().set("labelExist");
  ArgumentList list(arguments, s.expression, s.errors);
  if (list.count() < 2) {
    s.errors.reportWithContext(util::toSjis(u8"引数の数が不正です"));
    return;
  }
  list.setInteger(0, s.interpreter.tables().labels.contains(labelHash(list.text(1))) ? 1 : 0);
}

}  // namespace

void registerControlBuiltins(NativeCommandTable& table, const BuiltinServices& services) {
  const BuiltinServices s = services;
  table.add("goto", [s](std::string_view arguments) { jump(s, arguments); });
  table.add("gosub", [s](std::string_view arguments) { call(s, arguments); });
  table.add("return", [s](std::string_view arguments) { giveBack(s, arguments); });
  table.add("defsub", [s](std::string_view arguments) {
    declareCommand(s, s.interpreter.tables(), arguments);
  });
  table.add("getParam", [s](std::string_view arguments) { getParam(s, arguments); });
  table.add("labelExist", [s](std::string_view arguments) { labelExist(s, arguments); });
  // `end` is one of the built-ins that leave the current-command name alone.
  table.add("end", [s](std::string_view) { s.interpreter.setEnded(); });
}

}  // namespace tsuzuri::script
