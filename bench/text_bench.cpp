// A full page of message text: 400 characters laid out, rasterised and
// uploaded to the recording device the first time, and shown again with
// the glyphs cached.

#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>

#include "render/null_device.h"
#include "support/recording_sink.h"
#include "text/text_object.h"

namespace {

using namespace tsuzuri;

constexpr const char* kGothic = "/usr/share/fonts/opentype/ipafont-gothic/ipag.ttf";
constexpr std::int32_t kPage = 400;
constexpr std::int32_t kStyle =
    text::kStyleSmooth | text::kStyleOutline | text::kStyleShadow | text::kStyleGradient;

// Kanji and kana from the first rows of the Shift_JIS table: a page of
// 400 characters of which most differ, as a real page's do.
std::uint16_t pageCode(std::int32_t i) {
  const auto row = static_cast<std::uint16_t>(0x889F + (i / 94) * 0x100);
  return static_cast<std::uint16_t>(row + i % 94);
}

void fillPage(text::TextObject& page) {
  page.clear();
  for (std::int32_t i = 0; i < kPage; ++i) {
    const std::uint16_t code = pageCode(i);
    page.setChar(i % 25 * 26, i / 25 * 30, static_cast<std::uint8_t>(code >> 8),
                 static_cast<std::uint8_t>(code & 0xFF));
  }
}

void BM_PageFirstTime(benchmark::State& state) {
  testing::RecordingSink errors;
  render::NullDevice device;
  for (auto _ : state) {
    state.PauseTiming();
    text::TextObject page(errors);
    page.create(&device, kGothic, 24, kStyle, kPage, "");
    state.ResumeTiming();
    fillPage(page);
    benchmark::DoNotOptimize(page.length());
  }
  if (!errors.all.empty()) state.SkipWithError(errors.all.front().c_str());
}
BENCHMARK(BM_PageFirstTime)->Unit(benchmark::kMillisecond);

void BM_PageAgainCached(benchmark::State& state) {
  testing::RecordingSink errors;
  render::NullDevice device;
  text::TextObject page(errors);
  page.create(&device, kGothic, 24, kStyle, kPage, "");
  fillPage(page);
  const std::uint64_t drawn = page.glyphsRasterised();
  for (auto _ : state) {
    fillPage(page);
    benchmark::DoNotOptimize(page.length());
  }
  if (page.glyphsRasterised() != drawn) state.SkipWithError("glyphs were drawn again");
}
BENCHMARK(BM_PageAgainCached)->Unit(benchmark::kMicrosecond);

}  // namespace
