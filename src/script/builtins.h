#pragma once

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
};

// Registers every built-in of the native language that this build has.
void registerBuiltins(NativeCommandTable& table, const BuiltinServices& services);

// The families, one file each.
void registerControlBuiltins(NativeCommandTable& table, const BuiltinServices& services);
void registerOutputBuiltins(NativeCommandTable& table, const BuiltinServices& services);

}  // namespace tsuzuri::script
