#include "sound/sound_decoder.h"

#include <cstring>
#include <utility>

#include "sound/vorbis_decoder.h"
#include "sound/wav_decoder.h"
#include "util/sjis.h"

namespace tsuzuri::sound {
namespace {

// The segment count of the first Ogg page, at offset 26, says where its
// segment table ends and so where the first packet, the codec's
// identification header, begins.
constexpr std::size_t kOggSegmentCount = 26;
constexpr std::size_t kOggSegmentTable = 27;

}  // namespace

SoundType detectSoundType(std::span<const std::uint8_t> data) {
  if (hasBytes(data, 0, "RIFF") && hasBytes(data, 8, "WAVE")) return SoundType::kWav;
  if (!hasBytes(data, 0, "OggS") || data.size() <= kOggSegmentCount) return SoundType::kUnknown;
  const std::size_t packet = kOggSegmentTable + data[kOggSegmentCount];
  if (hasBytes(data, packet, "\x01vorbis")) return SoundType::kVorbis;
  if (hasBytes(data, packet, "OpusHead")) return SoundType::kOpus;
  return SoundType::kUnknown;
}

bool hasBytes(std::span<const std::uint8_t> data, std::size_t at, std::string_view text) {
  return at <= data.size() && text.size() <= data.size() - at &&
         std::memcmp(data.data() + at, text.data(), text.size()) == 0;
}

bool playableFormat(std::int64_t channels, std::int64_t rate) {
  return channels >= 1 && channels <= 2 && rate >= 1000 && rate <= 384000;
}

void reportUnsupported(util::Reporter& reporter, std::string_view name) {
  reporter.report(std::string(name) + util::toSjis(u8" 未対応の形式です"));
}

OpenedSound openSound(SoundData data, std::string_view name, util::Reporter& reporter) {
  OpenedSound opened;
  opened.type = data ? detectSoundType(*data) : SoundType::kUnknown;
  switch (opened.type) {
    case SoundType::kWav:
      opened.decoder = openWav(std::move(data), name, reporter);
      if (opened.decoder) opened.loop.loopEnd = opened.decoder->totalSamples();
      break;
    case SoundType::kVorbis:
      opened.decoder = openVorbis(std::move(data), name, reporter, opened.loop);
      break;
    case SoundType::kOpus:
    case SoundType::kUnknown:
      reportUnsupported(reporter, name);
      break;
  }
  return opened;
}

}  // namespace tsuzuri::sound
