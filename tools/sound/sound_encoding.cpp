#include "sound/sound_encoding.h"

#include <ogg/ogg.h>
#include <vorbis/codec.h>
#include <vorbis/vorbisenc.h>

#include <algorithm>
#include <cstring>

#include "util/byte_order.h"
#include "util/wave_header.h"

namespace tsuzuri::soundtools {
namespace {

// "tsuz": one serial number for every stream, so that encoding the same
// sound twice gives the same file.
constexpr int kSerialNumber = 0x7473757A;

// Frames handed to the analysis stage at a time; any size works, this one
// keeps the float buffers small.
constexpr std::int64_t kBlockFrames = 1024;

// The libvorbis structures, torn down in the reverse order of their setup
// whatever way the encoding ends.
class VorbisEncoder {
 public:
  VorbisEncoder() {
    vorbis_info_init(&info_);
    vorbis_comment_init(&comment_);
  }
  ~VorbisEncoder() {
    if (streamReady_) ogg_stream_clear(&stream_);
    if (blockReady_) vorbis_block_clear(&block_);
    if (dspReady_) vorbis_dsp_clear(&dsp_);
    vorbis_comment_clear(&comment_);
    vorbis_info_clear(&info_);
  }
  VorbisEncoder(const VorbisEncoder&) = delete;
  VorbisEncoder& operator=(const VorbisEncoder&) = delete;

  bool start(const Pcm& pcm, std::span<const std::string> comments, float quality) {
    if (vorbis_encode_init_vbr(&info_, pcm.channels, pcm.rate, quality) != 0) return false;
    for (const std::string& entry : comments) vorbis_comment_add(&comment_, entry.c_str());
    if (vorbis_analysis_init(&dsp_, &info_) != 0) return false;
    dspReady_ = true;
    if (vorbis_block_init(&dsp_, &block_) != 0) return false;
    blockReady_ = true;
    if (ogg_stream_init(&stream_, kSerialNumber) != 0) return false;
    streamReady_ = true;

    ogg_packet identification;
    ogg_packet commentPacket;
    ogg_packet codebooks;
    if (vorbis_analysis_headerout(&dsp_, &comment_, &identification, &commentPacket, &codebooks) !=
        0) {
      return false;
    }
    ogg_stream_packetin(&stream_, &identification);
    ogg_stream_packetin(&stream_, &commentPacket);
    ogg_stream_packetin(&stream_, &codebooks);
    // The audio must begin on a fresh page after the three headers.
    ogg_page page;
    while (ogg_stream_flush(&stream_, &page) != 0) appendPage(page);
    return true;
  }

  // Hands `frames` frames of `pcm` starting at `first` to the encoder; zero
  // frames marks the end of the sound.
  void submit(const Pcm& pcm, std::int64_t first, std::int64_t frames) {
    if (frames > 0) {
      float** buffer = vorbis_analysis_buffer(&dsp_, static_cast<int>(frames));
      const auto channels = static_cast<std::size_t>(pcm.channels);
      for (std::int64_t i = 0; i < frames; ++i) {
        const std::size_t base = static_cast<std::size_t>(first + i) * channels;
        for (std::size_t c = 0; c < channels; ++c) {
          buffer[c][i] = static_cast<float>(pcm.samples[base + c]) / 32768.0f;
        }
      }
    }
    vorbis_analysis_wrote(&dsp_, static_cast<int>(frames));
    drain();
  }

  std::vector<std::uint8_t> take() { return std::move(bytes_); }

 private:
  void drain() {
    while (vorbis_analysis_blockout(&dsp_, &block_) == 1) {
      vorbis_analysis(&block_, nullptr);
      vorbis_bitrate_addblock(&block_);
      ogg_packet packet;
      while (vorbis_bitrate_flushpacket(&dsp_, &packet) == 1) {
        ogg_stream_packetin(&stream_, &packet);
        ogg_page page;
        // The last packet carries the end-of-stream flag; its page must be
        // forced out, as ogg_stream_pageout holds back a partial page.
        while (packet.e_o_s != 0 ? ogg_stream_flush(&stream_, &page) != 0
                                 : ogg_stream_pageout(&stream_, &page) != 0) {
          appendPage(page);
        }
      }
    }
  }

  void appendPage(const ogg_page& page) {
    bytes_.insert(bytes_.end(), page.header, page.header + page.header_len);
    bytes_.insert(bytes_.end(), page.body, page.body + page.body_len);
  }

  vorbis_info info_{};
  vorbis_comment comment_{};
  vorbis_dsp_state dsp_{};
  vorbis_block block_{};
  ogg_stream_state stream_{};
  bool dspReady_ = false;
  bool blockReady_ = false;
  bool streamReady_ = false;
  std::vector<std::uint8_t> bytes_;
};

}  // namespace

std::vector<std::uint8_t> encodeVorbis(const Pcm& pcm, std::span<const std::string> comments,
                                       float quality) {
  if (pcm.channels <= 0 || pcm.channels > 255 || pcm.rate <= 0) return {};
  if (pcm.samples.size() % static_cast<std::size_t>(pcm.channels) != 0) return {};
  VorbisEncoder encoder;
  if (!encoder.start(pcm, comments, std::clamp(quality, -0.1f, 1.0f))) return {};
  const std::int64_t total = pcm.frames();
  for (std::int64_t first = 0; first < total; first += kBlockFrames) {
    encoder.submit(pcm, first, std::min(kBlockFrames, total - first));
  }
  encoder.submit(pcm, total, 0);
  return encoder.take();
}

std::vector<std::uint8_t> encodeWav(const Pcm& pcm) {
  const auto channels = static_cast<std::uint32_t>(pcm.channels);
  const auto rate = static_cast<std::uint32_t>(pcm.rate);
  // A RIFF file counts its bytes in 32 bits.
  if (pcm.samples.size() > (0xFFFFFFFFU - 36) / 2) return {};
  const auto dataBytes = static_cast<std::uint32_t>(pcm.samples.size() * 2);
  const auto header = util::pcm16WaveHeader(channels, rate, dataBytes);
  std::vector<std::uint8_t> out(header.begin(), header.end());
  out.resize(header.size() + dataBytes);
  std::uint8_t* at = out.data() + header.size();
  for (const std::int16_t sample : pcm.samples) {
    util::putLe16(at, static_cast<std::uint16_t>(sample));
    at += 2;
  }
  return out;
}

}  // namespace tsuzuri::soundtools
