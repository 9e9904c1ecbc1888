#include "script/builtins.h"

namespace tsuzuri::script {

void registerCharacterBuiltins(NativeCommandTable& /*table*/, const BuiltinServices& /*services*/) {
}

}  // namespace tsuzuri::script
