#include <string>

#include "script/builtins.h"
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

}  // namespace

void registerControlBuiltins(NativeCommandTable& table, const BuiltinServices& services) {
  const BuiltinServices s = services;
  table.add("goto", [s](std::string_view arguments) { jump(s, arguments); });
  table.add("gosub", [s](std::string_view arguments) { call(s, arguments); });
  table.add("return", [s](std::string_view arguments) { giveBack(s, arguments); });
  table.add("defsub", [s](std::string_view arguments) {
    declareCommand(s, s.interpreter.tables(), arguments);
  });
  // `end` is one of the built-ins that leave the current-command name alone.
  table.add("end", [s](std::string_view) { s.interpreter.setEnded(); });
}

}  // namespace tsuzuri::script
