// Runs arbitrary bytes as the start script: parsing, label collection, and a
// bounded number of statements through the statement loop with the
// built-ins, so the parser, the evaluator and the control flow all see the
// input.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "script/builtins.h"
#include "script/expression.h"
#include "script/interpreter.h"
#include "script/message_display.h"
#include "script/script_container.h"
#include "script/script_parser.h"
#include "script/statement_loop.h"

namespace {

using namespace tsuzuri;

class Quiet final : public script::ErrorSink, public script::Console {
 public:
  void reportWithContext(std::string_view, bool) override {}
  void reportPlain(std::string_view, bool) override {}
  void write(std::string_view) override {}
};

class NoDisplay final : public script::MessageDisplay {
 public:
  bool show(std::string_view line, std::int32_t, std::int32_t) override {
    // Touch every byte the display is given, so a bad view shows up.
    for (char c : line) sum_ += static_cast<unsigned char>(c);
    offset_ = 0;
    return true;
  }
  bool inProgress() const override { return false; }
  void setSpeaker(std::string_view name) override { sum_ += name.size(); }
  std::size_t startOffset() const override { return offset_; }
  void setStartOffset(std::size_t offset) override { offset_ = offset; }

 private:
  std::size_t offset_ = 0;
  std::size_t sum_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  script::ScriptTables tables;
  script::Interpreter interpreter(tables);
  Quiet quiet;
  script::Variables variables;
  script::Expression expression(variables, quiet, interpreter);
  script::NativeCommandTable commands;
  script::registerBuiltins(commands, {interpreter, expression, quiet, quiet});
  script::ScriptContainer container("/nonexistent/script.dat", quiet, interpreter.commandName());
  NoDisplay display;

  script::ScriptSlot& slot = interpreter.slot(0);
  slot.hash = script::startScriptHash();
  slot.name = "script/0.txt";
  script::parseScript(text, slot.lines, tables);
  if (!script::collectLabels(slot.hash, slot.lines, tables, quiet)) return 0;

  script::StatementLoop loop(interpreter, tables, commands, container, quiet, display);
  int checks = 0;
  // The check runs every 64 statements: a few thousand statements at most.
  loop.setInterruptCheck([&checks] { return ++checks > 50; });
  loop.run();
  return 0;
}
