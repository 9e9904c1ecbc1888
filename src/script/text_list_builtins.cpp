#include "script/builtins.h"

namespace tsuzuri::script {

void registerTextListBuiltins(NativeCommandTable& /*table*/, const BuiltinServices& /*services*/) {}

}  // namespace tsuzuri::script
