// Frames per second of the renderer: on the headless OpenGL device (Mesa's
// software rasteriser through the offscreen window) presenting a 1280 × 720
// game screen, and the engine's own time per frame on the null device.

#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "headless_gl.h"
#include "platform/platform.h"
#include "render/null_device.h"
#include "render/renderer.h"
#include "util/reporter.h"

namespace {

using namespace tsuzuri;

constexpr render::Size kGame{1280, 720};

void runFrames(benchmark::State& state, render::Renderer& renderer) {
  for (auto _ : state) {
    benchmark::DoNotOptimize(renderer.frame(0, 0, 0, 0));
  }
  state.counters["fps"] =
      benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

// `client`: the window's size; a size other than the game's adds the
// scaling pass.
void headlessFrames(benchmark::State& state, render::Size client) {
  auto platform = platform::createHeadlessPlatform({});
  auto device = bench::headlessGlDevice(state, *platform, client);
  if (!device) return;
  render::RenderSettings settings;
  settings.vSyncWait = 0;
  util::StderrReporter errors("render_bench: ");
  render::Renderer renderer(settings, platform->clock(), errors);
  const bool direct = client == kGame;
  renderer.attach(
      std::move(device),
      render::choosePresentation(kGame, client, {0, 0, client.width, client.height}, direct, 2));
  renderer.configurePacing(60, false);
  runFrames(state, renderer);
  renderer.detach();
}

void BM_HeadlessPresent1280x720(benchmark::State& state) {
  headlessFrames(state, kGame);
}
BENCHMARK(BM_HeadlessPresent1280x720)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_HeadlessPresentScaledTo1920x1080(benchmark::State& state) {
  headlessFrames(state, {1920, 1080});
}
BENCHMARK(BM_HeadlessPresentScaledTo1920x1080)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_FrameOnNullDevice(benchmark::State& state) {
  auto platform = platform::createHeadlessPlatform({.virtualClock = true});
  render::RenderSettings settings;
  settings.vSyncWait = 0;
  util::StderrReporter errors("render_bench: ");
  render::Renderer renderer(settings, platform->clock(), errors);
  auto device = std::make_unique<render::NullDevice>();
  render::NullDevice* null = device.get();
  renderer.attach(std::move(device),
                  render::choosePresentation(kGame, {1920, 1080}, {0, 0, 1920, 1080}, false, 2));
  renderer.configurePacing(60, false);
  std::int64_t frames = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(renderer.frame(0, 0, 0, 0));
    // The null device keeps every call; forget them now and then so that
    // the measure is the frame, not the growing record.
    if (++frames % 1024 == 0) null->forget();
  }
  state.counters["fps"] =
      benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_FrameOnNullDevice);

}  // namespace
