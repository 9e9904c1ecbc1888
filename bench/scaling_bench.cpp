// Frames per second of the scaling pass: a 1280 × 720 game screen scaled
// into a 1920 × 1080 window with each Interpolation mode on the headless
// OpenGL device (Mesa's software rasteriser), waiting for every frame to be
// finished; and the processor's filters over the same sizes.

#include <benchmark/benchmark.h>
#include <epoxy/gl.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "headless_gl.h"
#include "platform/platform.h"
#include "render/renderer.h"
#include "render/scaling_filters.h"
#include "util/reporter.h"

namespace {

using namespace tsuzuri;

constexpr render::Size kGame{1280, 720};
constexpr render::Size kWindow{1920, 1080};

// state.range(0): the Interpolation mode, 1 to 7.
void BM_HeadlessScaling(benchmark::State& state) {
  const auto interpolation = static_cast<std::int32_t>(state.range(0));
  auto platform = platform::createHeadlessPlatform({});
  auto device = bench::headlessGlDevice(state, *platform, kWindow);
  if (!device) return;
  render::RenderSettings settings;
  settings.vSyncWait = 0;
  settings.interpolation = interpolation;
  util::StderrReporter errors("scaling_bench: ");
  render::Renderer renderer(settings, platform->clock(), errors);
  renderer.attach(std::move(device),
                  render::choosePresentation(kGame, kWindow, {0, 0, kWindow.width, kWindow.height},
                                             false, interpolation));
  renderer.configurePacing(60, false);
  for (auto _ : state) {
    benchmark::DoNotOptimize(renderer.frame(0, 0, 0, 0));
    // The rasteriser works behind the calls; the frame counts once drawn.
    glFinish();
  }
  state.counters["fps"] =
      benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
  renderer.detach();
}
BENCHMARK(BM_HeadlessScaling)
    ->ArgName("interpolation")
    ->DenseRange(1, 7)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// state.range(0): the filter, in the order of Interpolation 3 to 7.
void BM_ProcessorScaling(benchmark::State& state) {
  const auto filter = static_cast<render::ScalingFilter>(state.range(0));
  std::vector<std::uint32_t> picture(static_cast<std::size_t>(kGame.width * kGame.height));
  std::uint32_t seed = 1;
  for (std::uint32_t& texel : picture) texel = seed = seed * 1664525U + 1013904223U;
  std::vector<std::uint32_t> scaled(static_cast<std::size_t>(kWindow.width * kWindow.height));
  const render::PixelView view{picture.data(), kGame, kGame.width};
  for (auto _ : state) {
    render::scalePicture(view, filter, scaled.data(), kWindow, kWindow.width);
    benchmark::DoNotOptimize(scaled.data());
  }
  state.counters["fps"] =
      benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_ProcessorScaling)
    ->ArgName("filter")
    ->DenseRange(0, render::kScalingFilterCount - 1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace
