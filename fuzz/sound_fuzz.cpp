// Opens arbitrary bytes as a sound file (WAV or Ogg Vorbis) and, when a
// decoder comes back, reads, seeks to the start, the middle, the loop start
// and past the end, and reads again, so that a header or page that lies
// about its size shows.

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "sound/sound_decoder.h"
#include "util/reporter.h"

namespace {

class SilentReporter final : public tsuzuri::util::Reporter {
 public:
  void report(std::string_view) override {}
};

constexpr std::int64_t kFrames = 4096;

unsigned readSome(tsuzuri::sound::SoundDecoder& decoder, std::vector<std::int16_t>& buffer) {
  unsigned sum = 0;
  const std::int64_t got = decoder.read(buffer.data(), kFrames);
  const auto samples = static_cast<std::size_t>(got > 0 ? got * decoder.channels() : 0);
  for (std::size_t i = 0; i < samples; i += 13) sum += static_cast<std::uint16_t>(buffer[i]);
  return sum;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  SilentReporter reporter;
  auto bytes = std::make_shared<const std::vector<std::uint8_t>>(data, data + size);
  const tsuzuri::sound::OpenedSound opened = tsuzuri::sound::openSound(bytes, "f.ogg", reporter);
  if (!opened.decoder) return 0;
  tsuzuri::sound::SoundDecoder& decoder = *opened.decoder;
  // Room for the most channels a decoder delivers.
  std::vector<std::int16_t> buffer(static_cast<std::size_t>(kFrames) * 2);
  unsigned sum = readSome(decoder, buffer);
  const std::int64_t total = decoder.totalSamples();
  const std::array<std::int64_t, 5> positions = {total / 2, opened.loop.loopStart, 0, total + 5,
                                                 -1};
  for (const std::int64_t position : positions) {
    decoder.seekSample(position);
    sum += static_cast<unsigned>(decoder.tellSample() + decoder.tellMs());
    sum += readSome(decoder, buffer);
  }
  decoder.seekMs(decoder.totalMs() / 3);
  sum += readSome(decoder, buffer);
  return static_cast<int>(sum & 0U);
}
