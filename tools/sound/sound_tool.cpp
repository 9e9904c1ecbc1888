#include "sound/sound_tool.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <string_view>
#include <utility>

#include "platform/files.h"

namespace tsuzuri::soundtools {

namespace {

constexpr const char* kUsage =
    "usage: tsuzuri-sound encode IN.wav OUT.ogg [--quality Q] [--loop START,LOOPSTART,LOOPEND]\n"
    "                                           [--loop-ms START,LOOPSTART,LOOPEND]\n"
    "       tsuzuri-sound levels FILE.wav [--window MS]\n"
    "\n"
    "encode reads a PCM WAV file (8 or 16 bits) and writes it as Ogg Vorbis at\n"
    "quality Q, from -0.1 to 1 (default 0.4). --loop stores where the engine\n"
    "starts playing and the loop it repeats, in samples; --loop-ms gives them\n"
    "in milliseconds. The loop runs from LOOPSTART up to LOOPEND.\n"
    "\n"
    "levels reads a 16-bit PCM WAV file, mono or stereo, and prints the RMS\n"
    "level of each channel in whole dBFS for every window of MS milliseconds\n"
    "(default 50); \"-\" is silence (below -90 dBFS). Windows of the same levels\n"
    "share one line: \"START-END ms: LEFT RIGHT\".\n";

// Below this a channel counts as silent: a window of samples that never
// leave the smallest 16-bit step is already at -90.3 dBFS, so anything
// quieter is rounding noise or dither.
constexpr double kSilenceDb = -90.0;

// The square of full scale, which a full-scale square wave reaches; the
// levels are measured against it.
constexpr double kFullScaleSquare = 32768.0 * 32768.0;

constexpr std::int32_t kDefaultWindowMs = 50;

std::uint32_t le16(std::span<const std::uint8_t> bytes, std::size_t at) {
  return static_cast<std::uint32_t>(bytes[at] | bytes[at + 1] << 8);
}

std::uint32_t le32(std::span<const std::uint8_t> bytes, std::size_t at) {
  return le16(bytes, at) | le16(bytes, at + 2) << 16;
}

bool tagAt(std::span<const std::uint8_t> bytes, std::size_t at, std::string_view tag) {
  return std::equal(tag.begin(), tag.end(), bytes.begin() + static_cast<std::ptrdiff_t>(at));
}

std::optional<std::vector<std::uint8_t>> readFile(const std::string& path) {
  platform::FileHandle file = platform::openForReading(path);
  if (!file) return std::nullopt;
  std::vector<std::uint8_t> bytes;
  std::array<std::uint8_t, 65536> buffer{};
  std::size_t n = 0;
  while ((n = std::fread(buffer.data(), 1, buffer.size(), file.get())) > 0) {
    bytes.insert(bytes.end(), buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(n));
  }
  if (std::ferror(file.get()) != 0) return std::nullopt;
  return bytes;
}

// Three non-negative decimal integers separated by commas, as the engine
// reads them back from the comment.
std::optional<std::array<std::int64_t, 3>> parseTriple(std::string_view text) {
  std::array<std::int64_t, 3> values{};
  const char* at = text.data();
  const char* const end = text.data() + text.size();
  for (std::size_t i = 0; i < values.size(); ++i) {
    if (i > 0) {
      if (at == end || *at != ',') return std::nullopt;
      ++at;
    }
    const auto [next, error] = std::from_chars(at, end, values[i]);
    if (error != std::errc{} || next == at || values[i] < 0) return std::nullopt;
    at = next;
  }
  if (at != end) return std::nullopt;
  return values;
}

struct EncodeOptions {
  std::string input;
  std::string output;
  float quality = 0.4f;
  std::optional<std::array<std::int64_t, 3>> loop;
  bool loopInMilliseconds = false;
};

// The input WAV file, or nothing after saying on `err` why it cannot be had.
std::optional<Pcm> readInput(const std::string& path, std::ostream& err,
                             std::int32_t* bits = nullptr) {
  const std::optional<std::vector<std::uint8_t>> bytes = readFile(path);
  if (!bytes) {
    err << "tsuzuri-sound: cannot read " << path << ": " << platform::systemErrorText(errno)
        << "\n";
    return std::nullopt;
  }
  std::string error;
  std::optional<Pcm> pcm = readWav(*bytes, error, bits);
  if (!pcm) err << "tsuzuri-sound: " << path << ": " << error << "\n";
  return pcm;
}

int encode(const EncodeOptions& options, std::ostream& out, std::ostream& err) {
  const std::optional<Pcm> pcm = readInput(options.input, err);
  if (!pcm) return 1;

  std::vector<std::string> comments;
  if (options.loop) {
    const auto [start, loopStart, loopEnd] = *options.loop;
    // The engine turns milliseconds into samples this way; the check must
    // see the samples it will use.
    const auto toSamples = [&](std::int64_t value) {
      return options.loopInMilliseconds ? value * pcm->rate / 1000 : value;
    };
    const std::int64_t frames = pcm->frames();
    if (toSamples(loopStart) >= toSamples(loopEnd)) {
      err << "tsuzuri-sound: the loop start must come before the loop end\n";
      return 1;
    }
    if (toSamples(loopEnd) > frames || toSamples(start) >= frames) {
      err << "tsuzuri-sound: the positions reach past the sound's end (" << frames << " samples)\n";
      return 1;
    }
    comments.push_back(
        std::string("COMMENT=") + (options.loopInMilliseconds ? "setTime " : "setSample ") +
        std::to_string(start) + "," + std::to_string(loopStart) + "," + std::to_string(loopEnd));
  }

  const std::vector<std::uint8_t> ogg = encodeVorbis(*pcm, comments, options.quality);
  if (ogg.empty()) {
    err << "tsuzuri-sound: the Vorbis encoder refuses " << pcm->channels << " channels at "
        << pcm->rate << " Hz\n";
    return 1;
  }
  const std::string_view data(reinterpret_cast<const char*>(ogg.data()), ogg.size());
  if (!platform::writeFileAtomically(options.output, data)) {
    err << "tsuzuri-sound: cannot write " << options.output << ": "
        << platform::systemErrorText(errno) << "\n";
    return 1;
  }
  out << options.output << ": " << pcm->channels << " channels, " << pcm->rate << " Hz, "
      << pcm->frames() << " samples, " << ogg.size() << " bytes\n";
  return 0;
}

// One channel's level as printed: whole dBFS, or "-" for silence.
std::string levelText(std::int64_t sumOfSquares, std::int64_t frames) {
  if (sumOfSquares == 0 || frames == 0) return "-";
  const double db = 10.0 * std::log10(static_cast<double>(sumOfSquares) /
                                      static_cast<double>(frames) / kFullScaleSquare);
  if (db < kSilenceDb) return "-";
  return std::to_string(std::lround(db));
}

struct LevelsOptions {
  std::string input;
  std::int32_t windowMs = kDefaultWindowMs;
};

int levels(const LevelsOptions& options, std::ostream& out, std::ostream& err) {
  std::int32_t bits = 0;
  const std::optional<Pcm> pcm = readInput(options.input, err, &bits);
  if (!pcm) return 1;
  // The levels describe the engine's recordings, which are 16-bit mono or
  // stereo; any other file is more likely the wrong one than one to measure.
  if (bits != 16 || pcm->channels > 2) {
    err << "tsuzuri-sound: " << options.input
        << ": only 16-bit mono or stereo files are measured (this one is " << bits << "-bit, "
        << pcm->channels << (pcm->channels == 1 ? " channel)\n" : " channels)\n");
    return 1;
  }
  out << soundLevels(*pcm, options.windowMs);
  return 0;
}

int levelsCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  LevelsOptions options;
  std::vector<std::string> files;
  for (std::size_t i = 1; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (!arg.starts_with("--")) {
      files.push_back(arg);
      continue;
    }
    if (arg != "--window") {
      err << "tsuzuri-sound: " << arg << " is not an option\n" << kUsage;
      return 2;
    }
    if (i + 1 == args.size()) {
      err << "tsuzuri-sound: " << arg << " needs a value\n" << kUsage;
      return 2;
    }
    const std::string& value = args[++i];
    const char* end = value.data() + value.size();
    const auto [next, error] = std::from_chars(value.data(), end, options.windowMs);
    if (error != std::errc{} || next != end || options.windowMs <= 0) {
      err << "tsuzuri-sound: the window must be a whole number of milliseconds above 0\n" << kUsage;
      return 2;
    }
  }
  if (files.size() != 1) {
    err << kUsage;
    return 2;
  }
  options.input = files[0];
  return levels(options, out, err);
}

int encodeCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  EncodeOptions options;
  std::vector<std::string> files;
  for (std::size_t i = 1; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (!arg.starts_with("--")) {
      files.push_back(arg);
      continue;
    }
    if (arg != "--quality" && arg != "--loop" && arg != "--loop-ms") {
      err << "tsuzuri-sound: " << arg << " is not an option\n" << kUsage;
      return 2;
    }
    if (i + 1 == args.size()) {
      err << "tsuzuri-sound: " << arg << " needs a value\n" << kUsage;
      return 2;
    }
    const std::string& value = args[++i];
    if (arg == "--quality") {
      const char* end = value.data() + value.size();
      const auto [next, error] = std::from_chars(value.data(), end, options.quality);
      if (error != std::errc{} || next != end || options.quality < -0.1f ||
          options.quality > 1.0f) {
        err << "tsuzuri-sound: the quality must be a number from -0.1 to 1\n" << kUsage;
        return 2;
      }
      continue;
    }
    if (options.loop) {
      err << "tsuzuri-sound: give the loop once, as --loop or as --loop-ms\n" << kUsage;
      return 2;
    }
    options.loop = parseTriple(value);
    options.loopInMilliseconds = arg == "--loop-ms";
    if (!options.loop) {
      err << "tsuzuri-sound: " << arg << " takes three numbers, START,LOOPSTART,LOOPEND\n"
          << kUsage;
      return 2;
    }
  }
  if (files.size() != 2) {
    err << kUsage;
    return 2;
  }
  options.input = files[0];
  options.output = files[1];
  return encode(options, out, err);
}

}  // namespace

std::optional<Pcm> readWav(std::span<const std::uint8_t> bytes, std::string& error,
                           std::int32_t* sourceBits) {
  if (bytes.size() < 12 || !tagAt(bytes, 0, "RIFF") || !tagAt(bytes, 8, "WAVE")) {
    error = "not a RIFF WAVE file";
    return std::nullopt;
  }
  std::optional<std::span<const std::uint8_t>> format;
  std::optional<std::span<const std::uint8_t>> data;
  std::size_t at = 12;
  while (bytes.size() - at >= 8) {
    const std::size_t size = le32(bytes, at + 4);
    if (size > bytes.size() - at - 8) {
      error = "a chunk runs past the end of the file";
      return std::nullopt;
    }
    const std::span<const std::uint8_t> body = bytes.subspan(at + 8, size);
    if (tagAt(bytes, at, "fmt ")) format = body;
    if (tagAt(bytes, at, "data")) data = body;
    // Chunks are padded to an even length; a missing final pad byte is
    // forgiven.
    at += 8 + size + (size & 1);
    if (at > bytes.size()) break;
  }
  if (!format || format->size() < 16 || !data) {
    error = "the \"fmt \" or \"data\" chunk is missing";
    return std::nullopt;
  }
  const std::uint32_t tag = le16(*format, 0);
  const std::uint32_t channels = le16(*format, 2);
  const std::uint32_t rate = le32(*format, 4);
  const std::uint32_t bits = le16(*format, 14);
  if (tag != 1 || (bits != 8 && bits != 16)) {
    error = "only 8- and 16-bit integer PCM is read";
    return std::nullopt;
  }
  if (channels == 0 || rate == 0 || rate > 0x7FFFFFFFu) {
    error = "the format gives no channels or no sample rate";
    return std::nullopt;
  }
  if (sourceBits != nullptr) *sourceBits = static_cast<std::int32_t>(bits);
  Pcm pcm;
  pcm.channels = static_cast<std::int32_t>(channels);
  pcm.rate = static_cast<std::int32_t>(rate);
  const std::size_t frameBytes = channels * bits / 8;
  // A last partial frame is dropped.
  const std::size_t count = data->size() / frameBytes * channels;
  pcm.samples.resize(count);
  for (std::size_t i = 0; i < count; ++i) {
    pcm.samples[i] = bits == 8 ? static_cast<std::int16_t>(((*data)[i] - 128) * 256)
                               : static_cast<std::int16_t>(le16(*data, 2 * i));
  }
  return pcm;
}

std::string soundLevels(const Pcm& pcm, std::int32_t windowMs) {
  const std::int64_t frames = pcm.frames();
  const std::int64_t rate = pcm.rate;
  const auto channels = static_cast<std::int64_t>(pcm.channels);
  // Frame n sounds at n * 1000 / rate ms; a window holds the frames that
  // start inside it, from the first at or after its start.
  const auto firstFrameAt = [&](std::int64_t ms) { return (ms * rate + 999) / 1000; };
  // Rounded up, so that a last window of less than a millisecond still
  // gets a line of its own length.
  const std::int64_t endMs = (frames * 1000 + rate - 1) / rate;

  std::string text;
  const auto addLine = [&](std::int64_t start, std::int64_t end, const std::string& values) {
    text += std::to_string(start) + "-" + std::to_string(end) + " ms: " + values + "\n";
  };
  std::string runValues;
  std::int64_t runStart = 0;
  for (std::int64_t start = 0; start < endMs; start += windowMs) {
    const std::int64_t first = std::min(firstFrameAt(start), frames);
    const std::int64_t last = std::min(firstFrameAt(start + windowMs), frames);
    std::string values;
    for (std::int64_t channel = 0; channel < channels; ++channel) {
      std::int64_t sum = 0;
      for (std::int64_t frame = first; frame < last; ++frame) {
        const std::int64_t sample =
            pcm.samples[static_cast<std::size_t>(frame * channels + channel)];
        sum += sample * sample;
      }
      if (channel > 0) values += ' ';
      values += levelText(sum, last - first);
    }
    if (start > 0 && values != runValues) {
      addLine(runStart, start, runValues);
      runStart = start;
    }
    runValues = std::move(values);
  }
  if (endMs > 0) addLine(runStart, endMs, runValues);
  return text;
}

int runSoundCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  if (args.empty() || args[0] == "--help" || args[0] == "help") {
    (args.empty() ? err : out) << kUsage;
    return args.empty() ? 2 : 0;
  }
  if (args[0] != "encode" && args[0] != "levels") {
    err << "tsuzuri-sound: unknown command " << args[0] << "\n" << kUsage;
    return 2;
  }
  if (args[0] == "levels") return levelsCommand(args, out, err);
  return encodeCommand(args, out, err);
}

}  // namespace tsuzuri::soundtools
