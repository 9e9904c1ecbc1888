#include "sound/sound_decoder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <initializer_list>
#include <limits>
#include <memory>
#include <numbers>
#include <string>
#include <vector>

#include "sound/loop_comment.h"
#include "sound/sound_encoding.h"
#include "util/sjis.h"

namespace tsuzuri::sound {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Samples = std::vector<std::int16_t>;
constexpr std::int64_t kMax64 = std::numeric_limits<std::int64_t>::max();

class RecordingReporter final : public util::Reporter {
 public:
  void report(std::string_view message) override { reports.emplace_back(message); }
  std::vector<std::string> reports;
};

std::string unsupported(const char* name) {
  return name + util::toSjis(u8" 未対応の形式です");
}
SoundData share(Bytes bytes) {
  return std::make_shared<const Bytes>(std::move(bytes));
}

void putLe(Bytes& out, std::uint32_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

// A chunk with its pad byte; a stated size, when given, is written unpadded.
Bytes chunk(const char* tag, const Bytes& body, std::int64_t stated = -1) {
  Bytes out(tag, tag + 4);
  putLe(out, static_cast<std::uint32_t>(stated < 0 ? std::ssize(body) : stated), 4);
  out.insert(out.end(), body.begin(), body.end());
  if (body.size() % 2 != 0 && stated < 0) out.push_back(0);
  return out;
}

struct Field {
  std::uint32_t value;
  int bytes;
};

Bytes fields(std::initializer_list<Field> list) {
  Bytes out;
  for (const Field& f : list) putLe(out, f.value, f.bytes);
  return out;
}

// A format chunk; 0xFFFE adds the extension (size, valid bits, channel
// mask, sub-format GUID) whose GUID starts with `sub` (1 PCM, 3 float).
// A block align of 0 is computed.
Bytes fmt(std::uint16_t tag, std::uint16_t channels, std::uint32_t rate, std::uint16_t bits,
          std::uint32_t align = 0, std::uint8_t sub = 1) {
  if (align == 0) align = channels * bits / 8U;
  Bytes out =
      fields({{tag, 2}, {channels, 2}, {rate, 4}, {rate * align, 4}, {align, 2}, {bits, 2}});
  if (tag == 0xFFFE) {
    const Bytes extension = fields(
        {{22, 2}, {bits, 2}, {3, 4}, {sub, 4}, {0x00100000, 4}, {0xAA000080, 4}, {0x719B3800, 4}});
    out.insert(out.end(), extension.begin(), extension.end());
  }
  return chunk("fmt ", out);
}

Bytes riff(const std::vector<Bytes>& chunks) {
  Bytes body = {'W', 'A', 'V', 'E'};
  for (const Bytes& c : chunks) body.insert(body.end(), c.begin(), c.end());
  Bytes out = {'R', 'I', 'F', 'F'};
  putLe(out, static_cast<std::uint32_t>(body.size()), 4);
  out.insert(out.end(), body.begin(), body.end());
  return out;
}

Samples readAll(SoundDecoder& decoder) {
  Samples out(std::size_t{1} << 20);
  const std::int64_t frames = decoder.read(out.data(), std::ssize(out) / decoder.channels());
  out.resize(static_cast<std::size_t>(std::max<std::int64_t>(frames, 0) * decoder.channels()));
  return out;
}

void seek(SoundDecoder& decoder, bool byMs, std::int64_t to) {
  if (byMs) {
    decoder.seekMs(to);
  } else {
    decoder.seekSample(to);
  }
}

TEST(WavDecoder, AcceptsIntegerPcmLayoutsAndRefusesTheRest) {
  const Samples four = {1000, -1000, 32767, -32768};
  const Bytes pcm16 = {0xE8, 0x03, 0x18, 0xFC, 0xFF, 0x7F, 0x00, 0x80};
  const Bytes canonical = soundtools::encodeWav({2, 44100, four});
  const Bytes stereo = fmt(1, 2, 44100, 16);
  const struct {
    const char* what;
    Bytes file;
    std::int32_t channels;  // 0: refused
    std::int32_t rate;
    Samples samples;
  } cases[] = {
      {"canonical", canonical, 2, 44100, four},
      {"8-bit unsigned",
       riff({fmt(1, 1, 8000, 8), chunk("data", {0, 128, 255})}),
       1,
       8000,
       {-32768, 0, 32512}},
      {"24-bit",
       riff({fmt(1, 1, 48000, 24), chunk("data", {0x56, 0x34, 0x12, 0xFF, 0xFF, 0xFF})}),
       1,
       48000,
       {0x1234, -1}},
      {"32-bit",
       riff({fmt(1, 1, 96000, 32), chunk("data", {0x78, 0x56, 0x34, 0x12})}),
       1,
       96000,
       {0x1234}},
      {"extensible PCM", riff({fmt(0xFFFE, 2, 22050, 16), chunk("data", pcm16)}), 2, 22050, four},
      {"LIST, fact, odd padding",
       riff({chunk("LIST", {'I', 'N', 'F', 'O', 'x'}), stereo, chunk("fact", {1, 2, 3}),
             chunk("data", pcm16)}),
       2, 44100, four},
      {"lying data size", riff({stereo, chunk("data", pcm16, 100000)}), 2, 44100, four},
      {"partial frame", riff({stereo, chunk("data", {1, 0, 2, 0, 3, 0})}), 2, 44100, {1, 2}},
      {"float tag", riff({fmt(3, 2, 44100, 32), chunk("data", pcm16)}), 0, 0, {}},
      {"extensible float", riff({fmt(0xFFFE, 2, 44100, 32, 0, 3), chunk("data", pcm16)}), 0, 0, {}},
      {"truncated header", Bytes(canonical.begin(), canonical.begin() + 30), 0, 0, {}},
      {"short fmt",
       riff({chunk("fmt ", {1, 0, 2, 0, 0x44, 0xAC, 0, 0}), chunk("data", pcm16)}),
       0,
       0,
       {}},
      {"no data", riff({stereo}), 0, 0, {}},
      {"zero channels", riff({fmt(1, 0, 44100, 16), chunk("data", pcm16)}), 0, 0, {}},
      {"block align", riff({fmt(1, 2, 44100, 16, 2), chunk("data", pcm16)}), 0, 0, {}},
      {"rate", riff({fmt(1, 2, 384001, 16), chunk("data", pcm16)}), 0, 0, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    RecordingReporter reporter;
    const OpenedSound opened = openSound(share(c.file), "se/a.wav", reporter);
    if (c.channels == 0) {
      EXPECT_EQ(opened.decoder, nullptr);
      EXPECT_EQ(reporter.reports, std::vector{unsupported("se/a.wav")});
      continue;
    }
    ASSERT_NE(opened.decoder, nullptr);
    EXPECT_TRUE(reporter.reports.empty());
    EXPECT_EQ(opened.decoder->channels(), c.channels);
    EXPECT_EQ(opened.decoder->rate(), c.rate);
    const std::int64_t frames = std::ssize(c.samples) / c.channels;
    EXPECT_EQ(opened.decoder->totalSamples(), frames);
    EXPECT_EQ(opened.loop.start, 0);
    EXPECT_EQ(opened.loop.loopStart, 0);
    EXPECT_EQ(opened.loop.loopEnd, frames);
    EXPECT_EQ(readAll(*opened.decoder), c.samples);
    EXPECT_EQ(readAll(*opened.decoder).size(), 0U);
  }
}

// 24-bit stereo at 11025 Hz: a frame is 6 bytes and a second 66150, so a
// millisecond is no whole number of frames. Frame i holds i, so a read
// shows where the decoder stands.
TEST(WavDecoder, PositionsWorkOnWholeFramesAndClamp) {
  constexpr std::int64_t kFrames = 11025 * 2 + 7;
  Bytes data;
  for (std::int64_t i = 0; i < kFrames * 2; ++i)
    putLe(data, static_cast<std::uint32_t>(i / 2) << 8, 3);
  RecordingReporter reporter;
  const OpenedSound opened =
      openSound(share(riff({fmt(1, 2, 11025, 24), chunk("data", data)})), "b.wav", reporter);
  ASSERT_NE(opened.decoder, nullptr);
  SoundDecoder& d = *opened.decoder;
  EXPECT_EQ(d.totalMs(), kFrames * 6 * 1000 / 66150);
  const struct {
    bool byMs;
    std::int64_t to, sample, ms;
  } steps[] = {
      {false, 100, 100, 9},      {true, 1, 11, 0},
      {true, 7, 77, 6},          {true, 1000, 11025, 1000},
      {false, -5, 0, 0},         {false, kMax64, kFrames, 2000},
      {true, -1, 0, 0},          {true, kMax64, kFrames, 2000},
      {true, 2000, 22050, 2000},
  };
  for (const auto& s : steps) {
    SCOPED_TRACE(::testing::Message() << (s.byMs ? "ms " : "sample ") << s.to);
    seek(d, s.byMs, s.to);
    EXPECT_EQ(d.tellSample(), s.sample);
    EXPECT_EQ(d.tellMs(), s.ms);
    std::int16_t frame[8] = {};
    const std::int64_t got = d.read(frame, 4);
    EXPECT_EQ(got, std::min<std::int64_t>(4, kFrames - s.sample));
    EXPECT_EQ(frame[1], got > 0 ? static_cast<std::int16_t>(s.sample) : 0);
    EXPECT_EQ(d.tellSample(), s.sample + got);
  }
  EXPECT_EQ(d.read(nullptr, -3), 0);
}

Bytes oggPage(std::uint8_t segments, const std::string& packet) {
  Bytes out = {'O', 'g', 'g', 'S'};
  out.resize(26 + 1 + segments, 1);
  out[26] = segments;
  out.insert(out.end(), packet.begin(), packet.end());
  return out;
}

TEST(DetectSoundType, ReadsTheMagicAndTheFirstOggPacket) {
  const std::string vorbis("\x01vorbis", 7);
  Bytes shortTable = oggPage(0, "");
  shortTable[26] = 255;
  const Bytes noCount(shortTable.begin(), shortTable.end() - 1);
  const struct {
    Bytes data;
    SoundType type;
  } cases[] = {
      {riff({}), SoundType::kWav},
      {{'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V'}, SoundType::kUnknown},
      {oggPage(1, vorbis), SoundType::kVorbis},
      {oggPage(255, vorbis), SoundType::kVorbis},
      {oggPage(1, "OpusHead"), SoundType::kOpus},
      {oggPage(1, "OpusHea"), SoundType::kUnknown},
      {shortTable, SoundType::kUnknown},
      {noCount, SoundType::kUnknown},
      {{}, SoundType::kUnknown},
  };
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    EXPECT_EQ(detectSoundType(cases[i].data), cases[i].type) << "case " << i;
  }
}

TEST(OpenSound, RefusesOpusUnknownAndMissingData) {
  const std::pair<SoundData, SoundType> cases[] = {
      {share(oggPage(1, "OpusHead")), SoundType::kOpus},
      {share({'f', 'L', 'a', 'C'}), SoundType::kUnknown},
      {nullptr, SoundType::kUnknown}};
  for (const auto& [data, type] : cases) {
    RecordingReporter reporter;
    const OpenedSound opened = openSound(data, "bgm/x.ogg", reporter);
    EXPECT_EQ(opened.type, type);
    EXPECT_EQ(opened.decoder, nullptr);
    EXPECT_EQ(reporter.reports, std::vector{unsupported("bgm/x.ogg")});
  }
}

TEST(LoopComment, ParsesTheFirstCommentOnly) {
  using enum LoopCommentStatus;
  const struct {
    std::vector<std::string> comments;
    std::int64_t rate;
    LoopCommentStatus status;
    LoopPoints points;
  } cases[] = {
      {{"COMMENT=setSample 44100,88200,441000"}, 44100, kFound, {44100, 88200, 441000}},
      {{"TITLE=x", "COMMENT=setTime 1000,2000,10000"}, 22050, kFound, {22050, 44100, 220500}},
      {{"COMMENT=setTime 1,-3,999"}, 44100, kFound, {44, -132, 44055}},
      {{"COMMENT=setTime 900000000000000000,0,0"}, 44100, kNone, {}},
      {{"COMMENT=setTime 0,1000"}, 44100, kWrongArgCount, {}},
      {{"COMMENT=setSample 1,2=3,4"}, 44100, kWrongArgCount, {}},
      {{"COMMENT= \tsetSample\t1, +2,\t-3 \t"}, 44100, kFound, {1, 2, -3}},
      {{"COMMENT=setSample 0,10,20\r\n"}, 44100, kFound, {0, 10, 20}},
      {{"LOOPCOMMENT=setSample1,2,5000000000=x"}, 44100, kFound, {1, 2, 5000000000}},
      {{"COMMENT=setSample -9223372036854775808,0,9223372036854775807"},
       1,
       kFound,
       {std::numeric_limits<std::int64_t>::min(), 0, kMax64}},
      {{"COMMENT=nothing", "COMMENT=setSample 1,2,3"}, 44100, kNone, {}},
      {{"COMMENT=setSamples 1,2,3"}, 44100, kNone, {}},
      {{"COMMENT=setSample 1,2 5,3"}, 44100, kNone, {}},
      {{"COMMENT=setSample 1,2,9223372036854775808"}, 44100, kNone, {}},
      {{"TITLE=setSample 1,2,3"}, 44100, kNone, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.comments.back());
    const LoopComment got = parseLoopComment(c.comments, c.rate);
    EXPECT_EQ(got.status, c.status);
    if (c.status != kFound) continue;
    EXPECT_EQ(got.points.start, c.points.start);
    EXPECT_EQ(got.points.loopStart, c.points.loopStart);
    EXPECT_EQ(got.points.loopEnd, c.points.loopEnd);
  }
}

constexpr std::int32_t kRate = 44100;
constexpr std::int64_t kFrames = 44100 + 12345;

// 440 Hz on the left, 660 Hz on the right; or noise, which fills pages.
soundtools::Pcm signal(std::int32_t channels, bool noise = false) {
  soundtools::Pcm pcm{channels, kRate, {}};
  std::uint32_t seed = 1;
  for (std::int64_t i = 0; i < kFrames * channels; ++i) {
    seed = seed * 1664525 + 1013904223;
    const double t = static_cast<double>(i / channels) / kRate;
    const double hz = i % channels == 0 ? 440 : 660;
    pcm.samples.push_back(
        noise ? static_cast<std::int16_t>(seed >> 18)
              : static_cast<std::int16_t>(12000 * std::sin(2 * std::numbers::pi * hz * t)));
  }
  return pcm;
}

Bytes encode(std::int32_t channels, std::vector<std::string> comments = {}) {
  return soundtools::encodeVorbis(signal(channels), comments);
}

TEST(VorbisDecoder, DecodesTheToneAndSeeksToTheSample) {
  RecordingReporter reporter;
  const OpenedSound opened = openSound(share(encode(2)), "bgm/a.ogg", reporter);
  ASSERT_NE(opened.decoder, nullptr);
  SoundDecoder& d = *opened.decoder;
  EXPECT_TRUE(reporter.reports.empty());
  EXPECT_EQ(opened.type, SoundType::kVorbis);
  EXPECT_EQ(d.channels(), 2);
  EXPECT_EQ(d.rate(), kRate);
  EXPECT_EQ(d.totalSamples(), kFrames);
  EXPECT_EQ(d.totalMs(), kFrames * 1000 / kRate);

  // Read in odd pieces, as the stream fills its blocks.
  Samples decoded;
  Samples piece(2 * 1237);
  for (std::int64_t got; (got = d.read(piece.data(), 1237)) > 0;) {
    decoded.insert(decoded.end(), piece.begin(), piece.begin() + got * 2);
  }
  const Samples original = signal(2).samples;
  ASSERT_EQ(decoded.size(), original.size());
  double power = 0;
  double error = 0;
  for (std::size_t i = 0; i < original.size(); ++i) {
    const double want = original[i];
    power += want * want;
    error += (decoded[i] - want) * (decoded[i] - want);
  }
  EXPECT_LT(error, power * 0.01) << "decoded PCM is not the tone";

  // After a seek the samples are those of the straight decode.
  const struct {
    bool byMs;
    std::int64_t to, sample;
  } seeks[] = {
      {false, 12345, 12345},
      {false, 1, 1},
      {false, kFrames - 1, kFrames - 1},
      {false, -7, 0},
      {false, kMax64, kFrames},
      {true, 500, 22050},
      {true, 1000, 44100},
      {true, -1, 0},
      {true, kMax64, kFrames},
  };
  for (const auto& s : seeks) {
    SCOPED_TRACE(::testing::Message() << (s.byMs ? "ms " : "sample ") << s.to);
    seek(d, s.byMs, s.to);
    EXPECT_EQ(d.tellSample(), s.sample);
    EXPECT_EQ(d.tellMs(), s.sample * 1000 / kRate);
    std::int16_t frames[2 * 64] = {};
    const std::int64_t got = d.read(frames, 64);
    ASSERT_EQ(got, std::min<std::int64_t>(64, kFrames - s.sample));
    EXPECT_TRUE(std::equal(frames, frames + got * 2, decoded.begin() + s.sample * 2));
  }
}

TEST(VorbisDecoder, TakesLoopPointsFromTheCommentAndRefusesWhatItCannotPlay) {
  const std::string name = "bgm/a.ogg";
  const Bytes mono = encode(1);
  const struct {
    Bytes file;
    LoopPoints loop;
    std::string report;  // a refusal when the loop end is 0
  } cases[] = {
      {mono, {0, 0, kFrames}, ""},
      {encode(1, {"COMMENT=setTime 10,500,1000"}), {441, 22050, 44100}, ""},
      {encode(1, {"COMMENT=setTime 0,1000"}),
       {0, 0, kFrames},
       name + util::toSjis(u8": 再生情報の引数の数が不正です")},
      {Bytes(mono.begin(), mono.begin() + 100),
       {},
       name + util::toSjis(u8" コールバックが作成出来ませんでした")},
      {encode(3), {}, unsupported("bgm/a.ogg")},
  };
  for (const auto& c : cases) {
    RecordingReporter reporter;
    const OpenedSound opened = openSound(share(c.file), name, reporter);
    EXPECT_EQ(opened.type, SoundType::kVorbis);
    EXPECT_EQ(opened.decoder != nullptr, c.loop.loopEnd != 0);
    EXPECT_EQ(opened.loop.start, c.loop.start);
    EXPECT_EQ(opened.loop.loopStart, c.loop.loopStart);
    EXPECT_EQ(opened.loop.loopEnd, c.loop.loopEnd);
    EXPECT_EQ(reporter.reports,
              c.report.empty() ? std::vector<std::string>{} : std::vector{c.report});
  }
}

// Damage past the headers still opens. A page whose checksum fails is a
// hole, so the read fails; a cut file just ends early.
TEST(VorbisDecoder, DamagedDataFailsCleanly) {
  const Bytes file = soundtools::encodeVorbis(signal(1, true), {});
  const auto at = std::ssize(file) * 3 / 4;
  Bytes flipped = file;
  for (auto i = at; i < at + 40; ++i) flipped[static_cast<std::size_t>(i)] ^= 0x5A;
  const std::pair<Bytes, bool> cases[] = {{flipped, true},
                                          {Bytes(file.begin(), file.begin() + at), false}};
  for (const auto& [data, fails] : cases) {
    RecordingReporter reporter;
    const OpenedSound opened = openSound(share(data), "v.ogg", reporter);
    ASSERT_NE(opened.decoder, nullptr);
    Samples buffer(4096);
    std::int64_t total = 0;
    std::int64_t got = 0;
    while ((got = opened.decoder->read(buffer.data(), 4096)) > 0) total += got;
    EXPECT_EQ(got < 0, fails);
    EXPECT_LT(total, kFrames);
    opened.decoder->seekSample(kFrames / 2);
    // After a seek into damaged data a read fails or stays within what was asked.
    EXPECT_LE(opened.decoder->read(buffer.data(), 4096), 4096);
  }
}

}  // namespace
}  // namespace tsuzuri::sound
