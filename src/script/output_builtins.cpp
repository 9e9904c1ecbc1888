#include "script/builtins.h"
#include "script/script_parser.h"
#include "util/number_text.h"

namespace tsuzuri::script {

void registerOutputBuiltins(NativeCommandTable& table, const BuiltinServices& services) {
  table.add("print", [s = services](std::string_view arguments) {
    s.interpreter.commandName().set("print");
    for (std::string_view piece : splitArguments(arguments, ',')) {
      Value value = s.expression.evaluate(piece);
      if (value.isText()) {
        s.console.write(value.text);
      } else if (value.isNumber()) {
        s.console.write(util::dtos10(value.number));
      }
    }
  });
}

}  // namespace tsuzuri::script
