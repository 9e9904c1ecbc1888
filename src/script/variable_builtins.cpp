#include <string>

#include "script/argument_list.h"
#include "script/builtins.h"
#include "script/host_variables.h"
#include "script/number_conversion.h"
#include "script/script_parser.h"
#include "util/number_text.h"
#include "util/sjis.h"

// The built-ins that work on single variables and values.

namespace tsuzuri::script {

namespace {

// Reads the arguments and reports a count below `needed`.
bool enough(const BuiltinServices& s, const ArgumentList& list, int needed) {
  if (list.count() >= needed) return true;
  s.errors.reportWithContext(util::toSjis(u8"引数の数が不正です"));
  return false;
}

void calculate(const BuiltinServices& s, std::string_view arguments) {
  s.interpreter.commandName().set("cal");
  for (std::string_view piece : splitArguments(arguments, ',')) s.expression.assign(piece);
}

void length(const BuiltinServices& s, std::string_view arguments) {
  s.interpreter.commandName().set("len");
  ArgumentList list(arguments, s.expression, s.errors);
  if (!enough(s, list, 2)) return;
  list.setInteger(0, static_cast<std::int32_t>(list.text(1).size()));
}

void middle(const BuiltinServices& s, std::string_view arguments) {
  s.interpreter.commandName().set("mid");
  ArgumentList list(arguments, s.expression, s.errors);
  if (!enough(s, list, 4)) return;
  const std::string_view text = list.text(1);
  // A negative start counts from the first byte.
  const std::int64_t start = std::max<std::int64_t>(list.integer(2), 0);
  const std::int32_t count = list.integer(3);
  if (start >= static_cast<std::int64_t>(text.size())) {
    list.setText(0, {});
    return;
  }
  const std::string_view rest = text.substr(static_cast<std::size_t>(start));
  // Copied: the result may be the variable the text came from.
  const std::string piece(count < 0 ? rest : rest.substr(0, static_cast<std::size_t>(count)));
  list.setText(0, piece);
}

void random(const BuiltinServices& s, std::string_view arguments) {
  s.interpreter.commandName().set("rand");
  ArgumentList list(arguments, s.expression, s.errors);
  if (!enough(s, list, 3)) return;
  const auto low = static_cast<std::uint32_t>(list.integer(1));
  const auto high = static_cast<std::uint32_t>(list.integer(2));
  const std::uint32_t range = high - low + 1;
  const auto output = static_cast<std::uint32_t>(s.state.random());
  // A range of 0 is the whole 32-bit range: the output is used as it is.
  list.setInteger(0, static_cast<std::int32_t>(low + (range == 0 ? output : output % range)));
}

void hexadecimal(const BuiltinServices& s, std::string_view arguments) {
  s.interpreter.commandName().set("itos16");
  ArgumentList list(arguments, s.expression, s.errors);
  if (!enough(s, list, 2)) return;
  list.setText(0, util::itos16(list.wrappingInteger(1)));
}

// Converts the ASCII letters of a text variable in place up to the first NUL;
// double-byte characters are passed over whole.
void convertCase(const BuiltinServices& s, std::string_view arguments, bool toUpper) {
  std::string* text = s.expression.resolveText(arguments);
  if (text == nullptr) {
    s.errors.reportWithContext(util::toSjis(u8"文字変数が不正です"));
    return;
  }
  for (std::size_t i = 0; i < text->size(); ++i) {
    const auto c = static_cast<unsigned char>((*text)[i]);
    if (c == 0) break;
    if (util::isSjisLeadByte(c)) {
      ++i;
    } else if (toUpper && c >= 'a' && c <= 'z') {
      (*text)[i] = static_cast<char>(c - 'a' + 'A');
    } else if (!toUpper && c >= 'A' && c <= 'Z') {
      (*text)[i] = static_cast<char>(c - 'A' + 'a');
    }
  }
}

bool exists(Expression& expression, std::string_view reference) {
  return expression.resolveInteger(reference) != nullptr ||
         expression.resolveText(reference) != nullptr;
}

void variableExist(const BuiltinServices& s, std::string_view arguments) {
  s.interpreter.commandName().set("variableExist");
  const std::vector<std::string_view> pieces = splitArguments(arguments, ',');
  if (pieces.size() < 2) {
    s.errors.reportWithContext(util::toSjis(u8"引数の数が不正です"));
    return;
  }
  const bool found = exists(s.expression, pieces[1]);
  if (std::int32_t* result = s.expression.resolveInteger(pieces[0])) {
    *result = found ? 1 : 0;
  } else {
    s.errors.reportWithContext(util::toSjis(u8"数値変数が不正です"));
  }
}

void variableErase(const BuiltinServices& s, std::string_view arguments) {
  s.interpreter.commandName().set("variableErase");
  Variables& variables = s.expression.variables();
  if (const std::int32_t* integer = s.expression.resolveInteger(arguments)) {
    if (auto handle = variables.handleOf(integer); handle && handle->index < 0) {
      variables.eraseInteger(handle->name);
    }
  } else if (const std::string* text = s.expression.resolveText(arguments)) {
    if (auto name = variables.nameOf(text)) variables.eraseText(*name);
  }
}

}  // namespace

void registerVariableBuiltins(NativeCommandTable& table, const BuiltinServices& services) {
  const BuiltinServices s = services;
  table.add("cal", [s](std::string_view arguments) { calculate(s, arguments); });
  table.add("int", [s](std::string_view arguments) {
    s.interpreter.commandName().set("int");
    HostVariables(s.expression).newScriptInteger(arguments);
  });
  table.add("string", [s](std::string_view arguments) {
    s.interpreter.commandName().set("string");
    HostVariables(s.expression).newScriptString(arguments);
  });
  table.add("len", [s](std::string_view arguments) { length(s, arguments); });
  table.add("mid", [s](std::string_view arguments) { middle(s, arguments); });
  table.add("rand", [s](std::string_view arguments) { random(s, arguments); });
  table.add("itos16", [s](std::string_view arguments) { hexadecimal(s, arguments); });
  // `upper` and `lower` leave the current-command name alone.
  table.add("upper", [s](std::string_view arguments) { convertCase(s, arguments, true); });
  table.add("lower", [s](std::string_view arguments) { convertCase(s, arguments, false); });
  table.add("variableExist", [s](std::string_view arguments) { variableExist(s, arguments); });
  table.add("variableErase", [s](std::string_view arguments) { variableErase(s, arguments); });
}

}  // namespace tsuzuri::script
