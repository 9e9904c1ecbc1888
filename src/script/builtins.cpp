#include "script/builtins.h"

namespace tsuzuri::script {

void registerBuiltins(NativeCommandTable& table, const BuiltinServices& services) {
  registerControlBuiltins(table, services);
  registerLoopBuiltins(table, services);
  registerVariableBuiltins(table, services);
  registerOutputBuiltins(table, services);
  registerCharacterBuiltins(table, services);
  registerRegexpBuiltins(table, services);
  registerPathBuiltins(table, services);
  registerFileBuiltins(table, services);
  registerTextListBuiltins(table, services);
  registerLibraryBuiltins(table, services);
}

}  // namespace tsuzuri::script
