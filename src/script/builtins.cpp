#include "script/builtins.h"

namespace tsuzuri::script {

void registerBuiltins(NativeCommandTable& table, const BuiltinServices& services) {
  registerControlBuiltins(table, services);
  registerOutputBuiltins(table, services);
}

}  // namespace tsuzuri::script
