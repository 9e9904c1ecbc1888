#include <gtest/gtest.h>
#include <vorbis/vorbisfile.h>

#include <cmath>
#include <functional>
#include <numbers>
#include <sstream>

#include "platform/files.h"
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

std::uint32_t le(const std::vector<std::uint8_t>& bytes, std::size_t at, int size) {
  std::uint32_t value = 0;
  for (int i = size - 1; i >= 0; --i) value = value << 8 | bytes[at + static_cast<std::size_t>(i)];
  return value;
}

Pcm tone(std::int32_t channels, std::int32_t rate, std::int64_t frames) {
  Pcm pcm{channels, rate, {}};
  for (std::int64_t i = 0; i < frames * channels; ++i) {
    pcm.samples.push_back(
        static_cast<std::int16_t>(8000 * std::sin(0.03 * static_cast<double>(i))));
  }
  return pcm;
}

TEST(SoundEncoding, WavHeaderDescribesTheSamples) {
  const struct {
    std::int32_t channels;
    std::int32_t rate;
    std::int64_t frames;
  } cases[] = {{1, 22050, 3}, {2, 44100, 5}, {2, 8000, 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.channels * 1000000 + c.rate);
    Pcm pcm = tone(c.channels, c.rate, c.frames);
    if (!pcm.samples.empty()) pcm.samples[0] = -2;  // 0xFFFE, little-endian
    const std::vector<std::uint8_t> wav = encodeWav(pcm);
    const auto dataBytes = static_cast<std::uint32_t>(c.frames * c.channels * 2);
    ASSERT_EQ(wav.size(), 44 + dataBytes);
    EXPECT_EQ(std::string(wav.begin(), wav.begin() + 4), "RIFF");
    EXPECT_EQ(le(wav, 4, 4), 36 + dataBytes);
    EXPECT_EQ(std::string(wav.begin() + 8, wav.begin() + 16), "WAVEfmt ");
    EXPECT_EQ(le(wav, 16, 4), 16u);
    EXPECT_EQ(le(wav, 20, 2), 1u);
    EXPECT_EQ(le(wav, 22, 2), static_cast<std::uint32_t>(c.channels));
    EXPECT_EQ(le(wav, 24, 4), static_cast<std::uint32_t>(c.rate));
    EXPECT_EQ(le(wav, 28, 4), static_cast<std::uint32_t>(c.rate * c.channels * 2));
    EXPECT_EQ(le(wav, 32, 2), static_cast<std::uint32_t>(c.channels * 2));
    EXPECT_EQ(le(wav, 34, 2), 16u);
    EXPECT_EQ(std::string(wav.begin() + 36, wav.begin() + 40), "data");
    EXPECT_EQ(le(wav, 40, 4), dataBytes);
    if (dataBytes > 0) {
      EXPECT_EQ(le(wav, 44, 2), 0xFFFEu);
    }

    std::string error;
    const std::optional<Pcm> back = readWav(wav, error);
    ASSERT_TRUE(back) << error;
    EXPECT_EQ(back->samples, pcm.samples);
    EXPECT_EQ(back->channels, c.channels);
    EXPECT_EQ(back->rate, c.rate);
  }
}

TEST(SoundEncoding, WavReaderWidensEightBitsSkipsChunksAndRefusesTheRest) {
  // An 8-bit mono file with a LIST chunk of odd length (and its pad byte)
  // before the samples.
  std::vector<std::uint8_t> eight = encodeWav(Pcm{1, 8000, {0, 0}});
  eight[34] = 8;
  eight[32] = 1;
  eight.resize(36);
  const std::string chunks("LIST\3\0\0\0abc\0data\3\0\0\0\0\x80\xff", 23);
  eight.insert(eight.end(), chunks.begin(), chunks.end());
  std::string error;
  const std::optional<Pcm> widened = readWav(eight, error);
  ASSERT_TRUE(widened) << error;
  EXPECT_EQ(widened->samples, (std::vector<std::int16_t>{-32768, 0, 32512}));

  const std::vector<std::uint8_t> good = encodeWav(tone(1, 8000, 4));
  const struct {
    const char* name;
    std::size_t at;
    std::uint8_t value;
    std::size_t size;
  } broken[] = {
      {"not RIFF", 0, 'X', good.size()},
      {"float samples", 20, 3, good.size()},
      {"24 bits", 34, 24, good.size()},
      {"no channels", 22, 0, good.size()},
      {"data runs past the end", 40, 200, good.size()},
      {"cut in the header", 0, 'R', 30},
  };
  for (const auto& c : broken) {
    std::vector<std::uint8_t> bytes(good.begin(),
                                    good.begin() + static_cast<std::ptrdiff_t>(c.size));
    bytes[c.at] = c.value;
    EXPECT_FALSE(readWav(bytes, error)) << c.name;
  }
}

// The frames and user comments of an Ogg Vorbis file, as a decoder sees them.
std::pair<std::int64_t, std::vector<std::string>> decode(const std::string& path) {
  OggVorbis_File file;
  if (ov_fopen(path.c_str(), &file) != 0) return {-1, {}};
  std::vector<std::string> comments;
  const vorbis_comment* comment = ov_comment(&file, -1);
  for (int i = 0; i < comment->comments; ++i) comments.emplace_back(comment->user_comments[i]);
  const std::int64_t frames = ov_pcm_total(&file, -1);
  ov_clear(&file);
  return {frames, comments};
}

TEST(SoundTool, EncodesWithLoopPointsAsComments) {
  TempDir dir;
  const std::vector<std::uint8_t> wav = encodeWav(tone(2, 44100, 6000));
  const std::string in = dir.write("in.wav", std::string(wav.begin(), wav.end()));
  const struct {
    std::vector<std::string> options;
    const char* comment;
  } cases[] = {
      {{"--loop", "0,100,4000"}, "COMMENT=setSample 0,100,4000"},
      {{"--loop-ms", "10,20,130", "--quality", "0.8"}, "COMMENT=setTime 10,20,130"},
      {{}, nullptr},
  };
  for (const auto& c : cases) {
    const std::string out = dir.path() + "out.ogg";
    std::vector<std::string> args{"encode", in, out};
    args.insert(args.end(), c.options.begin(), c.options.end());
    const ToolRun run = tool(args);
    ASSERT_EQ(run.status, 0) << run.err;
    const std::string bytes = dir.read("out.ogg");
    EXPECT_EQ(bytes.substr(0, 4), "OggS");
    const auto [frames, comments] = decode(out);
    EXPECT_EQ(frames, 6000);
    if (c.comment != nullptr) {
      EXPECT_NE(bytes.find(c.comment), std::string::npos);
      EXPECT_EQ(comments, std::vector<std::string>{c.comment});
    } else {
      EXPECT_TRUE(comments.empty());
    }
    // A second run writes the very same file.
    ASSERT_EQ(tool(args).status, 0);
    EXPECT_EQ(dir.read("out.ogg"), bytes);
  }
}

TEST(SoundTool, RefusesBadCommandLinesAndInputs) {
  TempDir dir;
  const std::vector<std::uint8_t> wav = encodeWav(tone(1, 8000, 1000));
  const std::string in = dir.write("in.wav", std::string(wav.begin(), wav.end()));
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
      {{"encode", in, out, "--quality", "x"}, 2},
      {{"encode", in, out, "--loop", "1,2"}, 2},
      {{"encode", in, out, "--loop", "1,2,3,4"}, 2},
      {{"encode", in, out, "--loop", "-1,2,3"}, 2},
      {{"encode", in, out, "--loop", "0,1,2", "--loop-ms", "0,1,2"}, 2},
      {{"encode", in, out, "--loop"}, 2},
      {{"encode", in, out, "--fast"}, 2},
      {{"encode", dir.path() + "missing.wav", out}, 1},
      {{"encode", text, out}, 1},
      {{"encode", in, out, "--loop", "0,500,1001"}, 1},
      {{"encode", in, out, "--loop", "0,500,500"}, 1},
      {{"encode", in, out, "--loop-ms", "0,0,126"}, 1},
      {{"encode", in, dir.path() + "no/such/folder/out.ogg"}, 1},
  };
  for (const auto& c : cases) {
    const ToolRun run = tool(c.args);
    EXPECT_EQ(run.status, c.status) << ::testing::PrintToString(c.args);
    EXPECT_FALSE(run.err.empty());
  }
  EXPECT_EQ(platform::fileKind(out), platform::FileKind::kMissing);
}

// One channel's signal, as a function of the time in seconds, before it is
// rounded and clipped to 16 bits.
using Wave = std::function<double(double)>;

const Wave kSilent = [](double) { return 0.0; };

Wave constant(double value) {
  return [=](double) { return value; };
}

// 500 Hz; a square at full scale holds every sample at the clip level.
Wave square(double amplitude) {
  return [=](double t) {
    return static_cast<std::int64_t>(t * 1000) % 2 == 0 ? amplitude : -amplitude;
  };
}

// 1 kHz, with the given peak.
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

// Frames of 44.1 kHz sound in `ms` milliseconds.
constexpr std::int64_t ms(std::int64_t ms) {
  return ms * 441 / 10;
}

constexpr double kFullScale = 32768;

TEST(SoundTool, PrintsTheLevelsOfEachWindowMergingEqualOnes) {
  // A sine whose RMS is 6 dB below full scale.
  const double minus6DbSine = kFullScale * std::numbers::sqrt2 * std::pow(10.0, -6.0 / 20);
  const struct {
    const char* name;
    std::int32_t rate;
    std::vector<Stretch> stretches;
    std::vector<std::string> options;
    const char* levels;
  } cases[] = {
      {"silence", 44100, {{ms(200), {kSilent, kSilent}}}, {}, "0-200 ms: - -\n"},
      {"full-scale square",
       44100,
       {{ms(100), {square(kFullScale), square(kFullScale)}}},
       {},
       "0-100 ms: 0 0\n"},
      {"-6 dB sine on the left",
       44100,
       {{ms(100), {sine(minus6DbSine), kSilent}}},
       {},
       "0-100 ms: -6 -\n"},
      {"half-scale sine on the right",
       44100,
       {{ms(100), {kSilent, sine(kFullScale / 2)}}},
       {},
       "0-100 ms: - -9\n"},
      {"runs merge, a repeat after a change does not",
       44100,
       {{ms(450), {kSilent, kSilent}},
        {ms(550), {square(kFullScale / 2), sine(kFullScale / 2)}},
        {ms(100), {kSilent, kSilent}}},
       {},
       "0-450 ms: - -\n450-1000 ms: -6 -9\n1000-1100 ms: - -\n"},
      {"short last window",
       44100,
       {{ms(100), {kSilent, kSilent}}, {ms(10), {square(kFullScale), kSilent}}},
       {},
       "0-100 ms: - -\n100-110 ms: 0 -\n"},
      // 4411 frames end 0.02 ms into the 101st millisecond.
      {"mono, one frame past a whole millisecond",
       44100,
       {{4411, {square(kFullScale)}}},
       {},
       "0-101 ms: 0\n"},
      // The 30-60 window has 1323 frames, 882 of them of the square.
      {"other window",
       44100,
       {{ms(40), {kSilent}}, {ms(60), {square(kFullScale)}}},
       {"--window", "30"},
       "0-30 ms: -\n30-60 ms: -2\n60-100 ms: 0\n"},
      {"the smallest step is silence, twice it is not",
       44100,
       {{ms(50), {constant(1)}}, {ms(50), {constant(-2)}}},
       {},
       "0-50 ms: -\n50-100 ms: -84\n"},
      {"another rate",
       8000,
       {{400, {kSilent}}, {800, {square(kFullScale)}}},
       {},
       "0-50 ms: -\n50-150 ms: 0\n"},
      {"no frames", 44100, {{0, {kSilent, kSilent}}}, {}, ""},
  };
  TempDir dir;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::vector<std::uint8_t> wav = encodeWav(compose(c.rate, c.stretches));
    const std::string in = dir.write("in.wav", std::string(wav.begin(), wav.end()));
    std::vector<std::string> args{"levels", in};
    args.insert(args.end(), c.options.begin(), c.options.end());
    const ToolRun run = tool(args);
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, c.levels);
    EXPECT_EQ(run.err, "");
  }
}

TEST(SoundTool, LevelsRefuseBadCommandLinesAndFiles) {
  TempDir dir;
  const std::vector<std::uint8_t> wav = encodeWav(tone(1, 8000, 1000));
  const std::string in = dir.write("in.wav", std::string(wav.begin(), wav.end()));
  std::vector<std::uint8_t> eight = wav;
  eight[34] = 8;
  const std::string eightBits = dir.write("eight.wav", std::string(eight.begin(), eight.end()));
  const std::vector<std::uint8_t> three = encodeWav(tone(3, 8000, 1000));
  const std::string threeChannels = dir.write("three.wav", std::string(three.begin(), three.end()));
  const std::string text = dir.write("notes.txt", "not a sound");
  const struct {
    std::vector<std::string> args;
    int status;
  } cases[] = {
      {{"levels"}, 2},
      {{"levels", in, in}, 2},
      {{"levels", in, "--window"}, 2},
      {{"levels", in, "--window", "0"}, 2},
      {{"levels", in, "--window", "-50"}, 2},
      {{"levels", in, "--window", "50ms"}, 2},
      {{"levels", in, "--quality", "0.5"}, 2},
      {{"levels", dir.path() + "missing.wav"}, 1},
      {{"levels", text}, 1},
      {{"levels", eightBits}, 1},
      {{"levels", threeChannels}, 1},
  };
  for (const auto& c : cases) {
    const ToolRun run = tool(c.args);
    EXPECT_EQ(run.status, c.status) << ::testing::PrintToString(c.args);
    EXPECT_FALSE(run.err.empty());
    EXPECT_EQ(run.out, "");
  }
  // The 8-bit file differs from this good one only in its sample size.
  EXPECT_EQ(tool({"levels", in}).status, 0);
}

}  // namespace
}  // namespace tsuzuri::soundtools
