#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <numbers>
#include <sstream>

#include "platform/files.h"
#include "sound/sound_decoder.h"
#include "sound/sound_encoding.h"
#include "sound/sound_tool.h"
#include "support/temp_dir.h"

namespace tsuzuri::soundtools {
namespace {

using testing::TempDir;

struct ToolRun {
  int status;
  std::string err;
  std::string out;
};

ToolRun tool(const std::vector<std::string>& args) {
  std::ostringstream out;
  std::ostringstream err;
  const int status = runSoundCommand(args, out, err);
  return {status, err.str(), out.str()};
}

Pcm tone(std::int32_t channels, std::int32_t rate, std::int64_t frames) {
  Pcm pcm{channels, rate, {}};
  for (std::int64_t i = 0; i < frames * channels; ++i) {
    pcm.samples.push_back(
        static_cast<std::int16_t>(8000 * std::sin(0.03 * static_cast<double>(i))));
  }
  return pcm;
}

std::string writeWav(const TempDir& dir, const char* name, const Pcm& pcm) {
  const std::vector<std::uint8_t> wav = encodeWav(pcm);
  return dir.write(name, std::string(wav.begin(), wav.end()));
}

// The encoded file as the engine opens it: its loop points are those given.
TEST(SoundTool, EncodesWithLoopPointsTheEngineReads) {
  TempDir dir;
  const std::string in = writeWav(dir, "in.wav", tone(2, 44100, 6000));
  const struct {
    std::vector<std::string> options;
    sound::LoopPoints loop;
  } cases[] = {
      {{"--loop", "0,100,4000"}, {0, 100, 4000}},
      {{"--loop-ms", "10,20,130", "--quality", "0.8"}, {441, 882, 5733}},
      {{}, {0, 0, 6000}},
  };
  for (const auto& c : cases) {
    std::vector<std::string> args{"encode", in, dir.path() + "out.ogg"};
    args.insert(args.end(), c.options.begin(), c.options.end());
    const ToolRun run = tool(args);
    ASSERT_EQ(run.status, 0) << run.err;
    const std::string bytes = dir.read("out.ogg");
    util::StderrReporter reports;
    const sound::OpenedSound opened = sound::openSound(
        std::make_shared<const std::vector<std::uint8_t>>(bytes.begin(), bytes.end()), "out",
        reports);
    ASSERT_TRUE(opened.decoder);
    EXPECT_EQ(opened.decoder->totalSamples(), 6000);
    EXPECT_EQ(opened.loop.start, c.loop.start);
    EXPECT_EQ(opened.loop.loopStart, c.loop.loopStart);
    EXPECT_EQ(opened.loop.loopEnd, c.loop.loopEnd);
    // A second run writes the very same file.
    ASSERT_EQ(tool(args).status, 0);
    EXPECT_EQ(dir.read("out.ogg"), bytes);
  }
}

TEST(SoundTool, RefusesBadCommandLinesAndInputs) {
  TempDir dir;
  const std::string in = writeWav(dir, "in.wav", tone(1, 8000, 1000));
  const std::string text = dir.write("notes.txt", "not a sound");
  const std::string out = dir.path() + "out.ogg";
  const struct {
    std::vector<std::string> args;
    int status;
  } cases[] = {
      {{}, 2},
      {{"decode", in, out}, 2},
      {{"encode", in}, 2},
      {{"encode", in, out, "--quality", "2"}, 2},
      {{"encode", in, out, "--loop", "1,2"}, 2},
      {{"encode", in, out, "--loop", "-1,2,3"}, 2},
      {{"encode", in, out, "--loop", "0,1,2", "--loop-ms", "0,1,2"}, 2},
      {{"encode", in, out, "--loop"}, 2},
      {{"encode", in, out, "--fast"}, 2},
      {{"levels", in, in}, 2},
      {{"levels", in, "--window", "0"}, 2},
      {{"levels", in, "--window", "50ms"}, 2},
      {{"encode", dir.path() + "missing.wav", out}, 1},
      {{"encode", text, out}, 1},
      {{"encode", in, out, "--loop", "0,500,1001"}, 1},
      {{"encode", in, out, "--loop", "0,500,500"}, 1},
      {{"encode", in, out, "--loop-ms", "0,0,126"}, 1},
      {{"encode", in, dir.path() + "no/such/folder/out.ogg"}, 1},
      {{"levels", text}, 1},
  };
  for (const auto& c : cases) {
    const ToolRun run = tool(c.args);
    EXPECT_EQ(run.status, c.status) << ::testing::PrintToString(c.args);
    EXPECT_FALSE(run.err.empty());
  }
  EXPECT_EQ(platform::fileKind(out), platform::FileKind::kMissing);
}

// One channel's signal, as a function of the time in seconds.
using Wave = std::function<double(double)>;

const Wave kSilent = [](double) { return 0.0; };

// 500 Hz; a square at full scale holds every sample at the clip level.
Wave square(double amplitude) {
  return [=](double t) {
    return static_cast<std::int64_t>(t * 1000) % 2 == 0 ? amplitude : -amplitude;
  };
}

Wave sine(double peak) {
  return [=](double t) { return peak * std::sin(2 * std::numbers::pi * 1000 * t); };
}

// A stretch of frames in which every channel plays its own wave.
struct Stretch {
  std::int64_t frames;
  std::vector<Wave> channels;
};

Pcm compose(std::int32_t rate, const std::vector<Stretch>& stretches) {
  Pcm pcm{static_cast<std::int32_t>(stretches.front().channels.size()), rate, {}};
  std::int64_t frame = 0;
  for (const Stretch& stretch : stretches) {
    for (std::int64_t i = 0; i < stretch.frames; ++i, ++frame) {
      const double t = static_cast<double>(frame) / rate;
      for (const Wave& wave : stretch.channels) {
        pcm.samples.push_back(
            static_cast<std::int16_t>(std::clamp(std::lround(wave(t)), -32768L, 32767L)));
      }
    }
  }
  return pcm;
}

constexpr std::int64_t ms(std::int64_t ms) {
  return ms * 441 / 10;
}

constexpr double kFullScale = 32768;

TEST(SoundTool, PrintsTheLevelsOfEachWindowMergingEqualOnes) {
  const struct {
    const char* name;
    std::int32_t rate;
    std::vector<Stretch> stretches;
    std::vector<std::string> options;
    const char* levels;
  } cases[] = {
      {"runs merge, a repeat after a change does not",
       44100,
       {{ms(450), {kSilent, kSilent}},
        {ms(550), {square(kFullScale), sine(kFullScale / 2)}},
        {ms(100), {kSilent, kSilent}}},
       {},
       "0-450 ms: - -\n450-1000 ms: 0 -9\n1000-1100 ms: - -\n"},
      // 4411 frames end 0.02 ms into the 101st millisecond.
      {"mono, a short last window", 44100, {{4411, {square(kFullScale)}}}, {}, "0-101 ms: 0\n"},
      // The 30-60 window has 1323 frames, 882 of them of the square.
      {"another window",
       44100,
       {{ms(40), {kSilent}}, {ms(60), {square(kFullScale)}}},
       {"--window", "30"},
       "0-30 ms: -\n30-60 ms: -2\n60-100 ms: 0\n"},
      {"another rate",
       8000,
       {{400, {kSilent}}, {800, {square(kFullScale / 2)}}},
       {},
       "0-50 ms: -\n50-150 ms: -6\n"},
  };
  TempDir dir;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<std::string> args{"levels", writeWav(dir, "in.wav", compose(c.rate, c.stretches))};
    args.insert(args.end(), c.options.begin(), c.options.end());
    const ToolRun run = tool(args);
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, c.levels);
  }
}

}  // namespace
}  // namespace tsuzuri::soundtools
