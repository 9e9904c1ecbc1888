// Speed of what every game does all the time: parsing its scripts (each one
// at start-up, and again whenever it enters a slot), evaluating arguments,
// and dispatching statements.

#include <benchmark/benchmark.h>

#include <string>

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
  bool show(std::string_view, std::int32_t, std::int32_t) override { return true; }
  bool inProgress() const override { return false; }
  void setSpeaker(std::string_view) override {}
  std::size_t startOffset() const override { return 0; }
  void setStartOffset(std::size_t) override {}
};

// A script shaped like a scene: labels, command lines with several
// statements and quoted arguments, and blocks of story text.
std::string sceneScript(int blocks) {
  std::string text;
  for (int i = 0; i < blocks; ++i) {
    text += "*scene" + std::to_string(i) + "\n";
    text += "sp 10, \"bg/room.png\" : sp_xy 10, 0, 0 : sp_a 10, 255 ; background\n";
    text += "if (%0 == 1) gosub *scene0\n";
    text += "\x81\x79\x88\xC4\x93\xE0\x81\x7A\x82\xE6\x82\xA4\x82\xB1\x82\xBB\n\n";
  }
  return text;
}

void BM_ParseScript(benchmark::State& state) {
  const std::string text = sceneScript(1000);
  for (auto _ : state) {
    script::ScriptTables tables;
    script::ParsedScript lines;
    script::parseScript(text, lines, tables);
    benchmark::DoNotOptimize(lines.data());
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(text.size()));
}
BENCHMARK(BM_ParseScript);

void BM_EvaluateArguments(benchmark::State& state) {
  script::ScriptTables tables;
  script::Interpreter interpreter(tables);
  Quiet quiet;
  script::Variables variables;
  script::Expression expression(variables, quiet, interpreter);
  for (auto _ : state) {
    benchmark::DoNotOptimize(expression.evaluate("%1 * 2 + 10"));
    benchmark::DoNotOptimize(expression.evaluate("\"bg/\" + $(%2)3 + \".png\""));
  }
  state.SetItemsProcessed(state.iterations() * 2);
}
BENCHMARK(BM_EvaluateArguments);

// Statements per second through the whole loop: an empty native command
// run a million times by a counted jump.
void BM_DispatchStatements(benchmark::State& state) {
  script::ScriptTables tables;
  script::Interpreter interpreter(tables);
  Quiet quiet;
  script::Variables variables;
  script::Expression expression(variables, quiet, interpreter);
  script::NativeCommandTable commands;
  script::registerBuiltins(commands, {interpreter, expression, quiet, quiet});
  std::int64_t statements = 0;
  commands.add("tick", [&statements](std::string_view) { ++statements; });
  script::ScriptContainer container("/nonexistent/script.dat", quiet, interpreter.commandName());
  NoDisplay display;
  script::ScriptSlot& slot = interpreter.slot(0);
  slot.hash = script::startScriptHash();
  slot.name = "script/0.txt";
  script::parseScript("*top\ntick : tick : tick : tick\ngoto *top\n", slot.lines, tables);
  script::collectLabels(slot.hash, slot.lines, tables, quiet);
  for (auto _ : state) {
    interpreter.setLine(0);
    interpreter.setEnded(0);
    script::StatementLoop loop(interpreter, tables, commands, container, quiet, display);
    int checks = 0;
    // Checked every 64 statements: about 100000 statements per run.
    loop.setInterruptCheck([&checks] { return ++checks > 1600; });
    loop.run();
  }
  state.SetItemsProcessed(statements);
}
BENCHMARK(BM_DispatchStatements);

}  // namespace
