#include "script/argument_list.h"
#include "script/builtins.h"
#include "script/script_parser.h"
#include "util/number_text.h"
#include "util/sjis.h"

// Output to the console and the message boxes.

namespace tsuzuri::script {

namespace {

// What a value shows: its text, a number in decimal.
std::string shown(const Value* value) {
  if (value == nullptr) return {};
  return value->isNumber() ? util::dtos10(value->number) : value->text;
}

void print(const BuiltinServices& s, std::string_view arguments) {
  s.interpreter.commandName().set("print");
  for (std::string_view piece : splitArguments(arguments, ',')) {
    const Value value = s.expression.evaluate(piece);
    if (!value.isNone()) s.console.write(shown(&value));
  }
}

void console(const BuiltinServices& s, std::string_view arguments) {
  s.interpreter.commandName().set("console");
  ArgumentList list(arguments, s.expression, s.errors);
  s.console.setAttached(list.integer(0) != 0);
}

void error(const BuiltinServices& s, std::string_view arguments) {
  s.interpreter.commandName().set("error");
  ArgumentList list(arguments, s.expression, s.errors);
  if (list.count() != 1 && list.count() != 2) {
    s.errors.reportWithContext(util::toSjis(u8"引数の数が不正です"));
    return;
  }
  const bool show = list.count() == 1 || list.integer(1) != 0;
  s.errors.reportWithContext(shown(list.value(0)), show);
}

void confirm(const BuiltinServices& s, std::string_view arguments) {
  s.interpreter.commandName().set("confirm");
  ArgumentList list(arguments, s.expression, s.errors);
  if (list.count() < 2) {
    s.errors.reportWithContext(util::toSjis(u8"引数の数が不正です"));
    return;
  }
  // Yes is the box's default button.
  const bool yes = s.dialogs.ask("Confirm", shown(list.value(0)), true);
  list.setInteger(1, yes ? 1 : 0);
}

void inform(const BuiltinServices& s, std::string_view arguments) {
  s.interpreter.commandName().set("inform");
  ArgumentList list(arguments, s.expression, s.errors);
  s.dialogs.inform("Information", shown(list.value(0)));
}

}  // namespace

void registerOutputBuiltins(NativeCommandTable& table, const BuiltinServices& services) {
  const BuiltinServices s = services;
  table.add("print", [s](std::string_view arguments) { print(s, arguments); });
  table.add("console", [s](std::string_view arguments) { console(s, arguments); });
  table.add("error", [s](std::string_view arguments) { error(s, arguments); });
  table.add("confirm", [s](std::string_view arguments) { confirm(s, arguments); });
  table.add("inform", [s](std::string_view arguments) { inform(s, arguments); });
}

}  // namespace tsuzuri::script
