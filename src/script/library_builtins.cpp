#include "script/builtins.h"

namespace tsuzuri::script {

void registerLibraryBuiltins(NativeCommandTable& /*table*/, const BuiltinServices& /*services*/) {}

}  // namespace tsuzuri::script
