#include "sound/sound_decoder.h"

#include <cstring>
#include <utility>

#include "sound/vorbis_decoder.h"
#include "sound/wav_decoder.h"
#include "util/sjis.h"

namespace tsuzuri::sound {
namespace {

bool hasText(std::span<const std::uint8_t> data, std::size_t at, std::string_view text) {
  return at <= data.size() && text.size() <= data.size() - at &&
         std::memcmp(data.data() + at, text.data(), text.size()) == 0;
}

// The segment count of the first Ogg page, at offset 26, says where its
// segment table ends and so where the first packet, the codec's
// identification header, begins.
constexpr std::size_t kOggSegmentCount = 26;
constexpr std::size_t kOggSegmentTable = 27;

}  // namespace

SoundType detectSoundType(std::span<const std::uint8_t> data) {
  if (hasText(data, 0, "RIFF") && hasText(data, 8, "WAVE")) return SoundType::kWav;
  if (!hasText(data, 0, "OggS") || data.size() <= kOggSegmentCount) return SoundType::kUnknown;
  const std::size_t packet = kOggSegmentTable + data[kOggSegmentCount];
  if (hasText(data, packet, "\x01vorbis")) return SoundType::kVorbis;
  if (hasText(data, packet, "OpusHead")) return SoundType::kOpus;
  return SoundType::kUnknown;
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
      reporter.report(std::string(name) + util::toSjis(u8" 未対応の形式です"));
      break;
  }
  return opened;
}

}  // namespace tsuzuri::sound
