// Runs arbitrary bytes as the start script: parsing, label collection, and a
// bounded number of statements through the statement loop with the
// built-ins, so the parser, the evaluator and the control flow all see the
// input.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "script/script_world.h"

namespace {

// Built-ins that write, delete or walk files, read devices or load code:
// random input must not reach the machine's files, so in this target they
// do nothing.
constexpr std::string_view kOffLimits[] = {"copyFile",    "moveFile", "deleteFile", "saveFile",
                                           "saveText",    "loadFile", "loadText",   "setFileList",
                                           "loadLibrary", "existFile"};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  tsuzuri::testing::ScriptWorld world;
  for (std::string_view name : kOffLimits) world.commands.add(name, [](std::string_view) {});
  world.load(0, "script/0.txt", std::string_view(reinterpret_cast<const char*>(data), size));
  if (!world.errors.plain.empty()) return 0;  // start-up would have stopped
  int checks = 0;
  // The check runs every 64 statements: a few thousand statements at most.
  world.run([&checks] { return ++checks > 50; });
  return 0;
}
