#include "script/builtins.h"

namespace tsuzuri::script {

void registerVariableBuiltins(NativeCommandTable& /*table*/, const BuiltinServices& /*services*/) {}

}  // namespace tsuzuri::script
