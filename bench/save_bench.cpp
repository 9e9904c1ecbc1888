// Saving and loading a large scene in a running engine: 200 sprites, each
// with a motion under way, and a full backlog of 200 pages whose image
// logs are full. Targets: makeSave + saveSave under 20 ms; loadSave and
// the frame drawn from the restored scene under 100 ms.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <utility>

#include "assets/image_buffer.h"
#include "assets/image_save.h"
#include "core/engine.h"
#include "pack/container_writer.h"
#include "script/script_entry.h"

namespace {

using namespace tsuzuri;

class QuietConsole final : public script::Console {
 protected:
  void output(std::string_view) override {}
};

constexpr const char* kTitle = "save bench";

void writeFile(const std::string& path, const std::string& bytes) {
  std::FILE* out = std::fopen(path.c_str(), "wb");
  if (out == nullptr) return;
  std::fwrite(bytes.data(), 1, bytes.size(), out);
  std::fclose(out);
}

// The game: the scene, the pages, a first save, then `command`.
std::string makeGame(const std::string& command) {
  char pattern[] = "/tmp/tsuzuri-save-bench-XXXXXX";
  const std::string folder = std::string(::mkdtemp(pattern)) + "/";
  const std::string script =
      "screen 1280, 720, 1280, 0\n"
      "for %0, 0, 199\nsp 100 + %0, \"a.png\", 0, 0\nsp_xy 100 + %0, %0 * 6, %0 * 3\n"
      "sp_ax 100 + %0, 1000, 100000, 0, 0\nnext\n"
      "setMessCreate 400, 80\nfor %0, 0, 199\nsetTagLog \"speaker\"\n"
      "setLog \"a page of text, long enough to be a real page of a story\", 3, 0\n"
      "clearMess\nnext\nint g_flag = 1\nstring g_name = \"name\"\ndraw\nmakeSave\n"
      "saveSave 0, 1\n" +
      command + "\nend\n";
  std::string error;
  const auto container =
      pack::buildScriptContainer({{"script/0.txt", script}}, script::titleKey(kTitle), error);
  writeFile(folder + "script.dat", container.value_or(std::string()));
  assets::ImagePtr image = assets::makeImage(96, 128, 32);
  const auto png = assets::encodeImage("a.png", image.get(), 1, 32, 1, 0);
  writeFile(folder + "a.png", std::string(png.bytes.begin(), png.bytes.end()));
  return folder;
}

// Runs the game with `command` measuring `step` while the state iterates.
template <class Step>
void runGame(benchmark::State& state, const std::string& command, Step step) {
  const std::string folder = makeGame(command);
  platform::HeadlessOptions headless;
  headless.virtualClock = true;
  auto host = platform::createHeadlessPlatform(headless);
  core::EngineOptions options;
  options.titleKey = script::titleKey(kTitle);
  options.title = kTitle;
  QuietConsole console;
  {
    core::Engine engine(*host, assets::GameFolder::fromDirectory(folder), options, console);
    // A load goes on after the line that saved, which runs the command
    // again: only its first run measures.
    bool measured = false;
    engine.registry().add(command, [&](commands::CommandContext& c) {
      if (std::exchange(measured, true)) return;
      for (auto _ : state) step(engine, c);
    });
    engine.run();
  }
  std::filesystem::remove_all(folder);
}

void BM_MakeAndSave(benchmark::State& state) {
  runGame(state, "benchSave", [](core::Engine& engine, commands::CommandContext&) {
    engine.saveState().make();
    benchmark::DoNotOptimize(engine.saveCommands().save(0, true));
  });
}
BENCHMARK(BM_MakeAndSave)->Unit(benchmark::kMillisecond);

void BM_LoadAndDraw(benchmark::State& state) {
  runGame(state, "benchLoad", [](core::Engine& engine, commands::CommandContext& c) {
    benchmark::DoNotOptimize(engine.saveCommands().load(0, true));
    for (const auto& named : engine.registry().commands()) {
      if (named.name == "draw") named.command(c);
    }
  });
}
BENCHMARK(BM_LoadAndDraw)->Unit(benchmark::kMillisecond);

}  // namespace
