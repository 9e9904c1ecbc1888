#include "script/argument_list.h"
#include "script/builtins.h"
#include "util/sjis.h"

namespace tsuzuri::script {

void registerLibraryBuiltins(NativeCommandTable& table, const BuiltinServices& services) {
  table.add("loadLibrary", [s = services](std::string_view arguments) {
    s.interpreter.commandName().set("loadLibrary");
    ArgumentList list(arguments, s.expression, s.errors);
    const std::string name(list.text(0));
    if (!s.state.libraries.load(name, s.files.folder().native, nullptr)) {
      s.errors.reportWithContext(name + util::toSjis(u8" 読み込ませんでした"));
    }
  });
}

}  // namespace tsuzuri::script
