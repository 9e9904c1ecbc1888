#include "script/builtins.h"

namespace tsuzuri::script {

void registerPathBuiltins(NativeCommandTable& /*table*/, const BuiltinServices& /*services*/) {}

}  // namespace tsuzuri::script
