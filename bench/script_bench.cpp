// Speed of what every game does all the time: parsing its scripts (each one
// at start-up, and again whenever it enters a slot), evaluating arguments,
// and dispatching statements.

#include <benchmark/benchmark.h>

#include <string>

#include "script/script_parser.h"
#include "script/script_world.h"

namespace {

using namespace tsuzuri;

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
  testing::ScriptWorld world;
  for (auto _ : state) {
    benchmark::DoNotOptimize(world.expression.evaluate("%1 * 2 + 10"));
    benchmark::DoNotOptimize(world.expression.evaluate("\"bg/\" + $(%2)3 + \".png\""));
  }
  state.SetItemsProcessed(state.iterations() * 2);
}
BENCHMARK(BM_EvaluateArguments);

// Statements per second through the whole loop: an empty native command
// run about a hundred thousand times per pass by a jump back.
void BM_DispatchStatements(benchmark::State& state) {
  testing::ScriptWorld world;
  std::int64_t statements = 0;
  world.commands.add("tick", [&statements](std::string_view) { ++statements; });
  world.load(0, "script/0.txt", "*top\ntick : tick : tick : tick\ngoto *top\n");
  for (auto _ : state) {
    world.interpreter.setLine(0);
    world.interpreter.setEnded(0);
    int checks = 0;
    // Checked every 64 statements.
    world.run([&checks] { return ++checks > 1600; });
  }
  state.SetItemsProcessed(statements);
}
BENCHMARK(BM_DispatchStatements);

}  // namespace
