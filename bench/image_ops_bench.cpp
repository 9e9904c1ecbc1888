// The heavy operations of the image library on game-sized pictures: the
// bilinear resize of a 1280 × 720 screen to 1920 × 1080, the general
// rotation, the blend of a sprite onto a screen and the cross-fade of two
// screens. Throughput is in destination pixels per second (the "items"
// counter). Each operation runs with the processor's best implementation
// and with the portable one, so the two can be compared.

#include <benchmark/benchmark.h>

#include <cstdint>
#include <random>
#include <string_view>

#include "assets/image_kernels.h"
#include "assets/image_ops_blend.h"
#include "assets/image_ops_common.h"
#include "assets/image_ops_geometry.h"

namespace {

using namespace tsuzuri::assets;  // NOLINT(google-build-using-namespace): a benchmark file

class Silent final : public ImageConsole {
 public:
  void print(std::string_view) override {}
};

ImagePtr picture(std::int32_t width, std::int32_t height, unsigned seed) {
  ImagePtr image = makeImage(width, height, 32);
  std::mt19937 random(seed);
  for (std::int32_t y = 0; y < height; ++y) {
    for (std::int32_t x = 0; x < width; ++x) {
      std::uint8_t* p = pixelAt(*image, x, y);
      const auto noise = [&random] { return static_cast<std::int32_t>(random() % 16); };
      p[0] = static_cast<std::uint8_t>(x + noise());
      p[1] = static_cast<std::uint8_t>(y + noise());
      p[2] = static_cast<std::uint8_t>((x ^ y) + noise());
      // Opaque, transparent and half-transparent areas, as sprites have.
      p[3] = static_cast<std::uint8_t>(x % 200 < 100 ? 255 : x % 200 < 150 ? 0 : (y * 7) & 255);
    }
  }
  return image;
}

// Chooses the implementations for one benchmark: the processor's best (with
// its worker threads) or the portable ones without threads.
void use(bool best) {
  ImageSettings settings;
  if (!best) {
    settings.mmx = 0;
    settings.sse = 0;
    settings.sse2 = 0;
    settings.thread = 0;
  }
  setImageKernels(selectImageKernels(settings, detectCpuFeatures()));
}

void resize(benchmark::State& state, bool best) {
  use(best);
  Silent console;
  const ImagePtr source = picture(1280, 720, 1);
  ImageBuffer* target = nullptr;
  for (auto _ : state) {
    resizeImage(console, &target, source.get(), 1920, 1080, 1, 1, 1);
    benchmark::DoNotOptimize(target->pixels);
  }
  freeImage(&target);
  state.SetItemsProcessed(state.iterations() * 1920 * 1080);
  use(true);
}

void rotate(benchmark::State& state, bool best) {
  use(best);
  Silent console;
  const ImagePtr source = picture(1280, 720, 2);
  ImageBuffer* target = nullptr;
  std::int64_t pixels = 0;
  for (auto _ : state) {
    rotateImage(console, &target, source.get(), 30.0, 1.0, 1);
    benchmark::DoNotOptimize(target->pixels);
    pixels += target->pixelCount;
  }
  freeImage(&target);
  state.SetItemsProcessed(pixels);
  use(true);
}

void blendAt(benchmark::State& state, bool best) {
  use(best);
  Silent console;
  const ImagePtr sprite = picture(1280, 720, 3);
  ImagePtr screen = picture(1280, 720, 4);
  for (auto _ : state) {
    blendImageAt(console, screen.get(), sprite.get(), 0, 0, 200);
    benchmark::DoNotOptimize(screen->pixels);
  }
  state.SetItemsProcessed(state.iterations() * 1280 * 720);
  use(true);
}

void crossFade(benchmark::State& state, bool best) {
  use(best);
  Silent console;
  const ImagePtr from = picture(1280, 720, 5);
  const ImagePtr to = picture(1280, 720, 6);
  ImageBuffer* out = nullptr;
  for (auto _ : state) {
    crossFadeImages(console, &out, from.get(), to.get(), 100);
    benchmark::DoNotOptimize(out->pixels);
  }
  freeImage(&out);
  state.SetItemsProcessed(state.iterations() * 1280 * 720);
  use(true);
}

}  // namespace

BENCHMARK_CAPTURE(resize, best, true)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(resize, portable, false)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(rotate, best, true)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(rotate, portable, false)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(blendAt, best, true)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(blendAt, portable, false)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(crossFade, best, true)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(crossFade, portable, false)->Unit(benchmark::kMillisecond)->UseRealTime();
