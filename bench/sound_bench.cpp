// The sound mix: 30 channels playing, 8 of them Ogg Vorbis streams and the
// rest PCM, with their fades and refills, pulled 10 ms at a time as a
// headless run pulls them. The "core%" counter is the share of one core
// that keeping up in real time costs (target: under 5 %).

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <map>
#include <string>

#include "platform/audio_out.h"
#include "platform/platform.h"
#include "sound/sound_encoding.h"
#include "sound/sound_system.h"
#include "util/reporter.h"

namespace {

using namespace tsuzuri;

// A card that pulls only when asked, on the clock's thread.
class ManualAudio final : public platform::AudioOut {
 public:
  bool open(Source source, std::string& /*error*/) override {
    source_ = std::move(source);
    return true;
  }
  void close() override { source_ = nullptr; }
  bool clocked() const override { return true; }
  void pull(std::int16_t* out, std::size_t frames) { source_(out, frames); }

 private:
  Source source_;
};

class ManualClock final : public platform::Clock {
 public:
  std::uint32_t now() override { return now_; }
  void sleep(std::uint32_t ms) override { now_ += ms; }

 private:
  std::uint32_t now_ = 0;
};

// Five seconds of a busy stereo signal: chords with a little noise, so the
// encoder spends bits as it would on music.
soundtools::Pcm music(double base) {
  soundtools::Pcm pcm;
  std::uint32_t noise = 1;
  for (std::int64_t i = 0; i < 5 * 44100; ++i) {
    const double t = static_cast<double>(i) / 44100;
    noise = noise * 1664525u + 1013904223u;
    const double n = static_cast<double>(noise >> 16) / 65536.0 - 0.5;
    const double l = std::sin(base * t * 6.283) + 0.5 * std::sin(base * 1.5 * t * 6.283) + 0.1 * n;
    const double r = std::sin(base * 1.25 * t * 6.283) + 0.3 * std::sin(base * 2 * t * 6.283);
    pcm.samples.push_back(static_cast<std::int16_t>(6000 * l));
    pcm.samples.push_back(static_cast<std::int16_t>(6000 * r));
  }
  return pcm;
}

void BM_ThirtyChannelsEightVorbis(benchmark::State& state) {
  std::map<std::string, std::vector<std::uint8_t>> files;
  files["music.ogg"] = soundtools::encodeVorbis(music(220), {});
  files["tone.wav"] = soundtools::encodeWav(music(330));
  ManualAudio audio;
  ManualClock clock;
  sound::SoundSettings settings;
  util::StderrReporter errors("sound_bench: ");
  sound::SoundSystem system(
      sound::SoundServices{audio, clock, settings, errors,
                           [&files](std::string_view name, std::vector<std::uint8_t>& bytes) {
                             bytes = files.at(std::string(name));
                             return true;
                           },
                           [] { return false; }, nullptr});
  system.create();
  for (std::int32_t channel = 0; channel < sound::kChannelCount; ++channel) {
    const char* file = channel >= 1 && channel <= 8 ? "music.ogg" : "tone.wav";
    system.playFile(channel, file, 0, 0, 50 + channel, channel * 6 - 90, 0, 0);
    // Every channel fades its level back and forth all the time.
    system.setVolume(channel, 30, 5000);
  }
  std::vector<std::int16_t> out(2 * 441);
  for (auto _ : state) {
    clock.sleep(10);
    audio.pull(out.data(), 441);
    benchmark::DoNotOptimize(out.data());
  }
  // Inverted rate: CPU seconds per second of sound, as a percentage.
  state.counters["core%"] =
      benchmark::Counter(static_cast<double>(state.iterations()) * 0.0001,
                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
  system.shutdown();
}
BENCHMARK(BM_ThirtyChannelsEightVorbis)->Unit(benchmark::kMicrosecond)->MinTime(3.0);

}  // namespace
