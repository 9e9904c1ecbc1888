#include "script/builtins.h"

namespace tsuzuri::script {

void registerFileBuiltins(NativeCommandTable& /*table*/, const BuiltinServices& /*services*/) {}

}  // namespace tsuzuri::script
