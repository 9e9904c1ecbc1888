// Decoding speed of the image formats on a 1280 × 720 picture: a
// photo-like one (smooth gradients with fine noise, as scanned and painted
// artwork has) and a flat-colour one (large areas of one colour, as user
// interface parts have). Each file is encoded once by the engine's own
// writers; the benchmark decodes it. Throughput is reported in pixels per
// second (the "items" counter), megapixels being what one compares.

#include <benchmark/benchmark.h>

#include <cstdint>
#include <random>
#include <span>
#include <vector>

#include "assets/image_codecs.h"

namespace {

using tsuzuri::assets::EncodedImage;
using tsuzuri::assets::ImageBuffer;
using tsuzuri::assets::ImagePtr;

constexpr int kWidth = 1280;
constexpr int kHeight = 720;

ImagePtr picture(bool photo) {
  ImagePtr image = tsuzuri::assets::makeImage(kWidth, kHeight, 32);
  std::mt19937 random(7);
  std::uniform_int_distribution<int> noise(-6, 6);
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      std::uint8_t* p = tsuzuri::assets::pixelAt(*image, x, y);
      if (photo) {
        const auto clamp = [](int v) {
          return static_cast<std::uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v);
        };
        p[0] = clamp(x * 255 / kWidth + noise(random));
        p[1] = clamp(y * 255 / kHeight + noise(random));
        p[2] = clamp((x + y) * 255 / (kWidth + kHeight) + noise(random));
        p[3] = clamp(255 - (x * 64 / kWidth) + noise(random) / 3);
      } else {
        const bool panel = (x / 160 + y / 120) % 3 == 0;
        p[0] = panel ? 240 : 32;
        p[1] = panel ? 200 : 32;
        p[2] = panel ? 64 : 48;
        p[3] = x < 32 || y < 32 ? 0 : 255;
      }
    }
  }
  return image;
}

enum Format { kTlg5, kTlg6, kPng, kJpeg };

std::vector<std::uint8_t> encoded(Format format, bool photo) {
  ImagePtr image = picture(photo);
  EncodedImage file;
  switch (format) {
    case kTlg5:
      file = tsuzuri::assets::encodeTlg(*image, 32, 0);
      break;
    case kTlg6:
      file = tsuzuri::assets::encodeTlg(*image, 32, 1);
      break;
    case kPng:
      file = tsuzuri::assets::encodePng(*image, 32, 6, 0);
      break;
    case kJpeg:
      file = tsuzuri::assets::encodeJpeg(*image, 24, 90, 0);
      break;
  }
  return file.bytes;
}

void decode(benchmark::State& state, Format format, bool photo) {
  const std::vector<std::uint8_t> file = encoded(format, photo);
  if (file.empty()) {
    state.SkipWithError("the writer gave no file");
    return;
  }
  for (auto _ : state) {
    ImagePtr image = tsuzuri::assets::loadImage(std::span<const std::uint8_t>(file));
    if (!image) {
      state.SkipWithError("the file did not decode");
      return;
    }
    benchmark::DoNotOptimize(image->pixels);
  }
  state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
  state.counters["file_kb"] = static_cast<double>(file.size()) / 1024.0;
}

}  // namespace

BENCHMARK_CAPTURE(decode, tlg5_photo, kTlg5, true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(decode, tlg5_flat, kTlg5, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(decode, tlg6_photo, kTlg6, true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(decode, tlg6_flat, kTlg6, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(decode, png_photo, kPng, true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(decode, png_flat, kPng, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(decode, jpeg_photo, kJpeg, true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(decode, jpeg_flat, kJpeg, false)->Unit(benchmark::kMillisecond);
