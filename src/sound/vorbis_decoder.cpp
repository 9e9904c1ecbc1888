#include "sound/vorbis_decoder.h"

// The library's own stdio callback sets are not used.
#define OV_EXCLUDE_STATIC_CALLBACKS
#include <vorbis/vorbisfile.h>

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "sound/loop_comment.h"
#include "util/sjis.h"

namespace tsuzuri::sound {
namespace {

// The decoder's view of the file: the shared bytes and a read position.
struct MemorySource {
  SoundData data;
  std::size_t position = 0;
};

std::size_t readSource(void* out, std::size_t size, std::size_t count, void* source) {
  auto& memory = *static_cast<MemorySource*>(source);
  if (size == 0 || count == 0) return 0;
  const std::size_t left = memory.data->size() - memory.position;
  const std::size_t items = std::min(count, left / size);
  std::memcpy(out, memory.data->data() + memory.position, items * size);
  memory.position += items * size;
  return items;
}

int seekSource(void* source, ogg_int64_t offset, int whence) {
  auto& memory = *static_cast<MemorySource*>(source);
  const auto size = static_cast<ogg_int64_t>(memory.data->size());
  ogg_int64_t base = 0;
  switch (whence) {
    case SEEK_SET:
      break;
    case SEEK_CUR:
      base = static_cast<ogg_int64_t>(memory.position);
      break;
    case SEEK_END:
      base = size;
      break;
    default:
      return -1;
  }
  // Both operands lie within ±2^63 only as far as the offset goes: a
  // target outside the file is refused before it is formed.
  if (offset < -base || offset > size - base) return -1;
  memory.position = static_cast<std::size_t>(base + offset);
  return 0;
}

long tellSource(void* source) {
  return static_cast<long>(static_cast<MemorySource*>(source)->position);
}

// The bytes stay with the decoder; there is nothing to close.
int closeSource(void*) {
  return 0;
}

constexpr ov_callbacks kMemoryCallbacks = {readSource, seekSource, closeSource, tellSource};

// ov_read's byte order: native, so the bytes are the int16 values we hand on.
constexpr int kBigEndian = std::endian::native == std::endian::big ? 1 : 0;
constexpr int kWordSize = 2;
constexpr int kSigned = 1;

class VorbisDecoder final : public SoundDecoder {
 public:
  explicit VorbisDecoder(SoundData data) { source_.data = std::move(data); }
  VorbisDecoder(const VorbisDecoder&) = delete;
  VorbisDecoder& operator=(const VorbisDecoder&) = delete;
  ~VorbisDecoder() override {
    if (open_) ov_clear(&file_);
  }

  // The file object points back at this decoder's source, so it is opened
  // in place, once the decoder has its final address.
  bool open() {
    open_ = ov_open_callbacks(&source_, &file_, nullptr, 0, kMemoryCallbacks) >= 0;
    return open_;
  }

  // False when the stream's header cannot be had; the file is then closed.
  bool readInfo() {
    const vorbis_info* info = ov_info(&file_, -1);
    if (info == nullptr) {
      ov_clear(&file_);
      open_ = false;
      return false;
    }
    channels_ = info->channels;
    rate_ = static_cast<std::int32_t>(
        std::clamp<long>(info->rate, 0, std::numeric_limits<std::int32_t>::max()));
    return true;
  }

  std::vector<std::string> comments() {
    std::vector<std::string> list;
    const vorbis_comment* comment = ov_comment(&file_, -1);
    if (comment == nullptr || comment->user_comments == nullptr) return list;
    for (int i = 0; i < comment->comments; ++i) {
      const char* text = comment->user_comments[i];
      if (text == nullptr) continue;
      const int length = comment->comment_lengths != nullptr ? comment->comment_lengths[i] : 0;
      list.emplace_back(text, static_cast<std::size_t>(std::max(length, 0)));
    }
    return list;
  }

  std::int32_t channels() const override { return channels_; }
  std::int32_t rate() const override { return rate_; }

  std::int64_t read(std::int16_t* out, std::int64_t frames) override {
    const std::int64_t frameBytes = std::int64_t{channels_} * kWordSize;
    auto* bytes = reinterpret_cast<char*>(out);
    std::int64_t wanted = std::max<std::int64_t>(frames, 0) * frameBytes;
    std::int64_t delivered = 0;
    while (wanted > 0) {
      const int chunk = static_cast<int>(std::min<std::int64_t>(wanted, kMaxReadBytes));
      int link = 0;
      const long got =
          ov_read(&file_, bytes + delivered, chunk, kBigEndian, kWordSize, kSigned, &link);
      if (got < 0) return -1;
      if (got == 0) break;
      // A chained file whose later link changes the format cannot go on in
      // the format the caller was given.
      const vorbis_info* info = ov_info(&file_, link);
      if (info == nullptr || info->channels != channels_ || info->rate != rate_) return -1;
      delivered += got;
      wanted -= got;
    }
    return delivered / frameBytes;
  }

  void seekSample(std::int64_t sample) override {
    ov_pcm_seek(&file_, std::clamp<std::int64_t>(sample, 0, totalSamples()));
  }

  void seekMs(std::int64_t milliseconds) override {
    // A time at or past the end is refused by the library (the end itself
    // belongs to no link); the end is then sought by sample, exactly.
    const double seconds = static_cast<double>(std::max<std::int64_t>(milliseconds, 0)) / 1000.0;
    if (milliseconds > totalMs() || ov_time_seek(&file_, seconds) < 0) {
      ov_pcm_seek(&file_, totalSamples());
    }
  }

  std::int64_t tellSample() override { return std::max<std::int64_t>(ov_pcm_tell(&file_), 0); }
  // After a failed seek the position is unknown (−1), and the library's
  // time lookup would then index the link before the first; such a
  // position reads as 0 here without asking it.
  std::int64_t tellMs() override {
    return ov_pcm_tell(&file_) < 0 ? 0 : toMs(ov_time_tell(&file_));
  }
  std::int64_t totalSamples() override {
    return std::max<std::int64_t>(ov_pcm_total(&file_, -1), 0);
  }
  std::int64_t totalMs() override { return toMs(ov_time_total(&file_, -1)); }

 private:
  // ov_read hands out at most one packet's samples per call anyway.
  static constexpr std::int64_t kMaxReadBytes = 1 << 20;

  // Negative times are errors of the library.
  static std::int64_t toMs(double seconds) {
    return seconds > 0 ? static_cast<std::int64_t>(seconds * 1000.0) : 0;
  }

  MemorySource source_;
  OggVorbis_File file_{};
  bool open_ = false;
  std::int32_t channels_ = 0;
  std::int32_t rate_ = 0;
};

}  // namespace

std::unique_ptr<SoundDecoder> openVorbis(SoundData data, std::string_view name,
                                         util::Reporter& reporter, LoopPoints& loop) {
  const std::string prefix(name);
  if (!data) {
    reporter.report(prefix + util::toSjis(u8" コールバックが作成出来ませんでした"));
    return nullptr;
  }
  auto decoder = std::make_unique<VorbisDecoder>(std::move(data));
  if (!decoder->open()) {
    reporter.report(prefix + util::toSjis(u8" コールバックが作成出来ませんでした"));
    return nullptr;
  }
  if (!decoder->readInfo()) {
    reporter.report(prefix + util::toSjis(u8" 情報が取得出来ませんでした"));
    return nullptr;
  }
  if (!playableFormat(decoder->channels(), decoder->rate())) {
    reportUnsupported(reporter, prefix);
    return nullptr;
  }
  loop = LoopPoints{0, 0, decoder->totalSamples()};
  const std::vector<std::string> comments = decoder->comments();
  const LoopComment found = parseLoopComment(comments, decoder->rate());
  if (found.status == LoopCommentStatus::kFound) {
    loop = found.points;
  } else if (found.status == LoopCommentStatus::kWrongArgCount) {
    reporter.report(prefix + util::toSjis(u8": 再生情報の引数の数が不正です"));
  }
  return decoder;
}

}  // namespace tsuzuri::sound
