#include "sound/sound_tool.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>
#include <memory>
#include <string_view>
#include <utility>

#include "platform/files.h"
#include "sound/loop_comment.h"
#include "sound/sound_decoder.h"
#include "util/sjis.h"

namespace tsuzuri::soundtools {

namespace {

constexpr const char* kUsage =
    "usage: tsuzuri-sound encode IN.wav OUT.ogg [--quality Q] [--loop START,LOOPSTART,LOOPEND]\n"
    "                                           [--loop-ms START,LOOPSTART,LOOPEND]\n"
    "       tsuzuri-sound levels FILE.wav [--window MS]\n"
    "\n"
    "encode reads a sound file as the engine does (PCM WAV of 8 to 32 bits, or\n"
    "Ogg Vorbis) and writes it as Ogg Vorbis at quality Q, from -0.1 to 1\n"
    "(default 0.4). --loop stores where the engine starts playing and the loop\n"
    "it repeats, in samples; --loop-ms gives them in milliseconds. The loop runs\n"
    "from LOOPSTART up to LOOPEND.\n"
    "\n"
    "levels reads a sound file (the recording of --audio-capture, say) and\n"
    "prints the RMS level of each channel in whole dBFS for every window of MS\n"
    "milliseconds (default 50); \"-\" is silence (below -90 dBFS). Windows of\n"
    "the same levels share one line: \"START-END ms: LEFT RIGHT\".\n";

// Below this a channel counts as silent: a window of samples that never
// leave the smallest 16-bit step is already at -90.3 dBFS, so anything
// quieter is rounding noise or dither.
constexpr double kSilenceDb = -90.0;

// The square of full scale, which a full-scale square wave reaches; the
// levels are measured against it.
constexpr double kFullScaleSquare = 32768.0 * 32768.0;

constexpr std::int32_t kDefaultWindowMs = 50;

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

// Keeps the decoder's reports (Shift_JIS), for the tool's one error line.
class KeptReports final : public util::Reporter {
 public:
  void report(std::string_view message) override { text_ += util::sjisToUtf8(message); }
  const std::string& text() const { return text_; }

 private:
  std::string text_;
};

// The input, decoded whole by the engine's own decoders, so that what the
// tool reads is what a game plays; or nothing after saying on `err` why not.
std::optional<Pcm> readInput(const std::string& path, std::ostream& err) {
  std::optional<std::vector<std::uint8_t>> bytes = platform::readWholeFile(path);
  if (!bytes) {
    err << "tsuzuri-sound: cannot read " << path << ": " << platform::systemErrorText(errno)
        << "\n";
    return std::nullopt;
  }
  KeptReports reports;
  const sound::OpenedSound opened = sound::openSound(
      std::make_shared<const std::vector<std::uint8_t>>(std::move(*bytes)), "", reports);
  if (!opened.decoder) {
    err << "tsuzuri-sound: " << path << ":" << reports.text() << "\n";
    return std::nullopt;
  }
  Pcm pcm{opened.decoder->channels(), opened.decoder->rate(), {}};
  std::vector<std::int16_t> chunk(static_cast<std::size_t>(4096 * pcm.channels));
  std::int64_t got = 0;
  while ((got = opened.decoder->read(chunk.data(), 4096)) > 0) {
    pcm.samples.insert(pcm.samples.end(), chunk.begin(),
                       chunk.begin() + static_cast<std::ptrdiff_t>(got * pcm.channels));
  }
  if (got < 0) {
    err << "tsuzuri-sound: " << path << ": the sound cannot be decoded\n";
    return std::nullopt;
  }
  return pcm;
}

int encode(const EncodeOptions& options, std::ostream& out, std::ostream& err) {
  const std::optional<Pcm> pcm = readInput(options.input, err);
  if (!pcm) return 1;

  std::vector<std::string> comments;
  if (options.loop) {
    const auto [start, loopStart, loopEnd] = *options.loop;
    // The engine turns milliseconds into samples this way; the check must
    // see the samples it will use. A time too large to convert is past the
    // end of any sound.
    const auto toSamples = [&](std::int64_t value) {
      if (!options.loopInMilliseconds) return value;
      return sound::msToSamples(value, pcm->rate)
          .value_or(std::numeric_limits<std::int64_t>::max());
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
  const std::optional<Pcm> pcm = readInput(options.input, err);
  if (!pcm) return 1;
  out << soundLevels(*pcm, options.windowMs);
  return 0;
}

// A subcommand's arguments: its files, and the value of each option (every
// option takes one), in order. False after saying why on `err`.
struct Arguments {
  std::vector<std::string> files;
  std::vector<std::pair<std::string, std::string>> options;
};

bool splitArguments(const std::vector<std::string>& args,
                    std::initializer_list<std::string_view> known, Arguments& out,
                    std::ostream& err) {
  for (std::size_t i = 1; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (!arg.starts_with("--")) {
      out.files.push_back(arg);
      continue;
    }
    if (std::find(known.begin(), known.end(), arg) == known.end()) {
      err << "tsuzuri-sound: " << arg << " is not an option\n" << kUsage;
      return false;
    }
    if (i + 1 == args.size()) {
      err << "tsuzuri-sound: " << arg << " needs a value\n" << kUsage;
      return false;
    }
    out.options.emplace_back(arg, args[++i]);
  }
  return true;
}

// A whole number (or a real one) that fills `text` and lies within bounds.
template <class T>
bool parseNumber(const std::string& text, T low, T high, T& value) {
  const char* end = text.data() + text.size();
  const auto [next, error] = std::from_chars(text.data(), end, value);
  return error == std::errc{} && next == end && value >= low && value <= high;
}

int levelsCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  Arguments a;
  if (!splitArguments(args, {"--window"}, a, err)) return 2;
  LevelsOptions options;
  for (const auto& [option, value] : a.options) {
    if (!parseNumber(value, 1, std::numeric_limits<std::int32_t>::max(), options.windowMs)) {
      err << "tsuzuri-sound: the window must be a whole number of milliseconds above 0\n" << kUsage;
      return 2;
    }
  }
  if (a.files.size() != 1) {
    err << kUsage;
    return 2;
  }
  options.input = a.files[0];
  return levels(options, out, err);
}

int encodeCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  Arguments a;
  if (!splitArguments(args, {"--quality", "--loop", "--loop-ms"}, a, err)) return 2;
  EncodeOptions options;
  for (const auto& [option, value] : a.options) {
    if (option == "--quality") {
      if (!parseNumber(value, -0.1f, 1.0f, options.quality)) {
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
    options.loopInMilliseconds = option == "--loop-ms";
    if (!options.loop) {
      err << "tsuzuri-sound: " << option << " takes three numbers, START,LOOPSTART,LOOPEND\n"
          << kUsage;
      return 2;
    }
  }
  if (a.files.size() != 2) {
    err << kUsage;
    return 2;
  }
  options.input = a.files[0];
  options.output = a.files[1];
  return encode(options, out, err);
}

}  // namespace

std::string soundLevels(const Pcm& pcm, std::int32_t windowMs) {
  // Without a rate or a window length there is nothing to measure in.
  if (pcm.rate <= 0 || windowMs <= 0) return {};
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
