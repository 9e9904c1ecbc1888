// Speed of the hashes and conversions that every file lookup and every
// shown line goes through.

#include <benchmark/benchmark.h>

#include <string>

#include "util/crc.h"
#include "util/sjis.h"

namespace {

void BM_Crc64OfAPath(benchmark::State& state) {
  const std::string path = "image/bg/school_corridor_evening.png";
  for (auto _ : state) benchmark::DoNotOptimize(tsuzuri::util::crc64_hash2(path));
}
BENCHMARK(BM_Crc64OfAPath);

void BM_Crc32OfACommandName(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(tsuzuri::util::crc32_hash("sp_alpha"));
}
BENCHMARK(BM_Crc32OfACommandName);

std::string japaneseLine() {
  std::string line;
  // ようこそ repeated: a typical message line in Shift_JIS.
  for (int i = 0; i < 20; ++i) line += "\x82\xE6\x82\xA4\x82\xB1\x82\xBB";
  return line;
}

void BM_SjisToUtf8(benchmark::State& state) {
  const std::string line = japaneseLine();
  for (auto _ : state) benchmark::DoNotOptimize(tsuzuri::util::sjisToUtf8(line));
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(line.size()));
}
BENCHMARK(BM_SjisToUtf8);

void BM_Utf8ToSjis(benchmark::State& state) {
  const std::string line = tsuzuri::util::sjisToUtf8(japaneseLine());
  for (auto _ : state) benchmark::DoNotOptimize(tsuzuri::util::utf8ToSjis(line));
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(line.size()));
}
BENCHMARK(BM_Utf8ToSjis);

}  // namespace
