#pragma once

#include "assets/file_access.h"
#include "platform/platform.h"
#include "script/builtin_state.h"
#include "script/console.h"
#include "script/error_sink.h"
#include "script/expression.h"
#include "script/interpreter.h"
#include "script/native_commands.h"

namespace tsuzuri::script {

// What the built-ins of the native language work on.
struct BuiltinServices {
  Interpreter& interpreter;
  Expression& expression;
  ErrorSink& errors;
  Console& console;
  platform::Dialogs& dialogs;
  // Game files: the archives, then loose files under the game folder.
  assets::FileAccess& files;
  BuiltinState& state;
};

// Registers every built-in of the native language that this build has.
void registerBuiltins(NativeCommandTable& table, const BuiltinServices& services);

// The families, one file each.
void registerControlBuiltins(NativeCommandTable& table, const BuiltinServices& services);
void registerLoopBuiltins(NativeCommandTable& table, const BuiltinServices& services);
void registerVariableBuiltins(NativeCommandTable& table, const BuiltinServices& services);
void registerOutputBuiltins(NativeCommandTable& table, const BuiltinServices& services);
void registerCharacterBuiltins(NativeCommandTable& table, const BuiltinServices& services);
void registerRegexpBuiltins(NativeCommandTable& table, const BuiltinServices& services);
void registerPathBuiltins(NativeCommandTable& table, const BuiltinServices& services);
void registerFileBuiltins(NativeCommandTable& table, const BuiltinServices& services);
void registerTextListBuiltins(NativeCommandTable& table, const BuiltinServices& services);
void registerLibraryBuiltins(NativeCommandTable& table, const BuiltinServices& services);

}  // namespace tsuzuri::script
