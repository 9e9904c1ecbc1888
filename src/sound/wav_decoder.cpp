#include "sound/wav_decoder.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <utility>

#include "util/byte_order.h"

namespace tsuzuri::sound {
namespace {

constexpr std::uint16_t kFormatPcm = 1;
constexpr std::uint16_t kFormatExtensible = 0xFFFE;
constexpr std::size_t kChunkHeaderSize = 8;
constexpr std::size_t kFmtSize = 16;
// The extensible chunk adds the extension size, valid bits, channel mask
// and the sub-format's GUID, which lies at offset 24 of the chunk.
constexpr std::size_t kExtensibleFmtSize = 40;
constexpr std::size_t kSubFormatOffset = 24;
constexpr std::array<std::uint8_t, 16> kPcmSubFormat = {
    0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};

struct WavLayout {
  std::int32_t channels = 0;
  std::int32_t rate = 0;
  std::int32_t bits = 0;
  std::int64_t blockAlign = 0;
  std::size_t dataOffset = 0;
  std::int64_t dataSize = 0;  // whole frames only
};

// Checks the body of a format chunk (all of it within the file) and fills
// in the sample format of `layout`. The header's bytes per second are not
// used: positions are worked out from the rate and the block align, so a
// wrong or zero field cannot skew or break them.
bool readFormat(std::span<const std::uint8_t> fmt, WavLayout& layout) {
  if (fmt.size() < kFmtSize) return false;
  const std::uint16_t tag = util::le16(fmt.data());
  if (tag == kFormatExtensible) {
    if (fmt.size() < kExtensibleFmtSize) return false;
    if (!std::equal(kPcmSubFormat.begin(), kPcmSubFormat.end(), fmt.begin() + kSubFormatOffset)) {
      return false;
    }
  } else if (tag != kFormatPcm) {
    return false;
  }
  const std::uint16_t channels = util::le16(fmt.data() + 2);
  const std::uint32_t rate = util::le32(fmt.data() + 4);
  const std::uint16_t blockAlign = util::le16(fmt.data() + 12);
  const std::uint16_t bits = util::le16(fmt.data() + 14);
  if (!playableFormat(channels, rate)) return false;
  if (bits != 8 && bits != 16 && bits != 24 && bits != 32) return false;
  if (blockAlign != channels * bits / 8) return false;
  layout.channels = channels;
  layout.rate = static_cast<std::int32_t>(rate);
  layout.bits = bits;
  layout.blockAlign = blockAlign;
  return true;
}

// Walks the RIFF chunks up to the data chunk, which must follow a format
// chunk. The RIFF size is not trusted: the walk is bounded by the bytes
// there are, and a data chunk that claims more than remains is cut.
std::optional<WavLayout> parseWav(std::span<const std::uint8_t> bytes) {
  if (!hasBytes(bytes, 0, "RIFF") || !hasBytes(bytes, 8, "WAVE")) return std::nullopt;
  WavLayout layout;
  bool haveFormat = false;
  std::size_t at = 12;
  while (at + kChunkHeaderSize <= bytes.size()) {
    const std::uint32_t size = util::le32(bytes.data() + at + 4);
    const std::size_t body = at + kChunkHeaderSize;
    const std::size_t available = bytes.size() - body;
    if (hasBytes(bytes, at, "data")) {
      if (!haveFormat) return std::nullopt;
      const auto stated = std::min<std::size_t>(size, available);
      layout.dataOffset = body;
      layout.dataSize = static_cast<std::int64_t>(stated) / layout.blockAlign * layout.blockAlign;
      return layout;
    }
    if (hasBytes(bytes, at, "fmt ") && !haveFormat) {
      if (size > available || !readFormat(bytes.subspan(body, size), layout)) return std::nullopt;
      haveFormat = true;
    }
    const std::uint64_t next = std::uint64_t{body} + size + (size & 1U);
    if (next > bytes.size()) break;
    at = static_cast<std::size_t>(next);
  }
  return std::nullopt;
}

std::int16_t toSample16(const std::uint8_t* p, std::int32_t bits) {
  switch (bits) {
    case 8:
      return static_cast<std::int16_t>((p[0] - 128) * 256);
    case 16:
      return static_cast<std::int16_t>(util::le16(p));
    case 24:
      return static_cast<std::int16_t>(util::le16(p + 1));
    default:
      return static_cast<std::int16_t>(util::le16(p + 2));
  }
}

// Positions are byte offsets into the data chunk, always on a frame.
class WavDecoder final : public SoundDecoder {
 public:
  WavDecoder(SoundData data, const WavLayout& layout)
      : data_(std::move(data)),
        layout_(layout),
        bytesPerSecond_(layout.blockAlign * layout.rate),
        samples_(data_->data() + layout.dataOffset) {}

  std::int32_t channels() const override { return layout_.channels; }
  std::int32_t rate() const override { return layout_.rate; }

  std::int64_t read(std::int16_t* out, std::int64_t frames) override {
    const std::int64_t left = (layout_.dataSize - offset_) / layout_.blockAlign;
    const std::int64_t count = std::clamp<std::int64_t>(frames, 0, left);
    const std::int64_t bytesPerSample = layout_.bits / 8;
    const std::uint8_t* in = samples_ + offset_;
    const std::int64_t values = count * layout_.channels;
    for (std::int64_t i = 0; i < values; ++i) {
      out[i] = toSample16(in + i * bytesPerSample, layout_.bits);
    }
    offset_ += count * layout_.blockAlign;
    return count;
  }

  void seekSample(std::int64_t sample) override {
    offset_ = std::clamp<std::int64_t>(sample, 0, totalSamples()) * layout_.blockAlign;
  }

  void seekMs(std::int64_t milliseconds) override {
    // Clamped first so that the product cannot overflow: the end is at most
    // 4 GiB of data, far less than a second beyond it.
    const std::int64_t ms = std::clamp<std::int64_t>(milliseconds, 0, totalMs() + 1000);
    const std::int64_t bytes = ms * bytesPerSecond_ / 1000;
    offset_ = std::min(bytes / layout_.blockAlign * layout_.blockAlign, layout_.dataSize);
  }

  std::int64_t tellSample() override { return offset_ / layout_.blockAlign; }
  std::int64_t tellMs() override { return offset_ * 1000 / bytesPerSecond_; }
  std::int64_t totalSamples() override { return layout_.dataSize / layout_.blockAlign; }
  std::int64_t totalMs() override { return layout_.dataSize * 1000 / bytesPerSecond_; }

 private:
  SoundData data_;
  WavLayout layout_;
  std::int64_t bytesPerSecond_;
  const std::uint8_t* samples_;
  std::int64_t offset_ = 0;
};

}  // namespace

std::unique_ptr<SoundDecoder> openWav(SoundData data, std::string_view name,
                                      util::Reporter& reporter) {
  const std::optional<WavLayout> layout = data ? parseWav(*data) : std::optional<WavLayout>{};
  if (!layout) {
    reportUnsupported(reporter, name);
    return nullptr;
  }
  return std::make_unique<WavDecoder>(std::move(data), *layout);
}

}  // namespace tsuzuri::sound
