#include "script/builtins.h"

namespace tsuzuri::script {

void registerLoopBuiltins(NativeCommandTable& /*table*/, const BuiltinServices& /*services*/) {}

}  // namespace tsuzuri::script
