#include "script/builtins.h"

namespace tsuzuri::script {

void registerRegexpBuiltins(NativeCommandTable& /*table*/, const BuiltinServices& /*services*/) {}

}  // namespace tsuzuri::script
