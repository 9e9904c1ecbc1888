#include "script/title_key_search.h"

#include <zlib.h>

#include <algorithm>
#include <array>
#include <unordered_set>
#include <vector>

#include "script/script_entry.h"

namespace tsuzuri::script {
namespace {

struct Candidate {
  std::span<const std::uint8_t> packed;
  std::uint32_t low = 0;  // low 32 bits of the entry's hash
  std::uint32_t unpackedSize = 0;
};

std::uint32_t firstWord(std::span<const std::uint8_t> packed) {
  return static_cast<std::uint32_t>(packed[0]) | static_cast<std::uint32_t>(packed[1]) << 8 |
         static_cast<std::uint32_t>(packed[2]) << 16 | static_cast<std::uint32_t>(packed[3]) << 24;
}

// A zlib header: deflate with a window of at most 32 KiB, no preset
// dictionary, and the check bits right.
bool isZlibHeader(std::uint32_t cmf, std::uint32_t flg) {
  return (cmf & 0x0FU) == 8 && (cmf >> 4) <= 7 && (flg & 0x20U) == 0 && (cmf * 256 + flg) % 31 == 0;
}

// The first deflate byte must not announce the reserved block type 3.
bool plausibleFirstBlock(std::uint32_t byte) {
  return ((byte >> 1) & 3U) != 3;
}

class Inflater {
 public:
  Inflater() { ok_ = inflateInit(&stream_) == Z_OK; }
  ~Inflater() {
    if (ok_) inflateEnd(&stream_);
  }
  Inflater(const Inflater&) = delete;
  Inflater& operator=(const Inflater&) = delete;

  // Whether the entry decodes under `word` into at most its unpacked size
  // and ends with a good checksum. Nearly every wrong key breaks the stream
  // within its first bytes, so those are tried on their own first. The
  // output goes to a small scratch window: only its length matters.
  // With `exact`, the output must also be as long as the index says.
  bool decodes(const Candidate& entry, std::uint32_t word, bool exact) {
    if (!ok_) return false;
    constexpr std::size_t kProbe = 64;
    const std::size_t probe = std::min(entry.packed.size(), kProbe);
    packed_.assign(entry.packed.begin(), entry.packed.begin() + static_cast<std::ptrdiff_t>(probe));
    scrambleEntryWords(packed_, word);
    inflateReset(&stream_);
    produced_ = 0;
    stream_.next_in = packed_.data();
    stream_.avail_in = static_cast<uInt>(packed_.size());
    int result = pump(entry.unpackedSize, Z_SYNC_FLUSH);
    if (result != Z_OK && result != Z_STREAM_END && result != Z_BUF_ERROR) return false;
    if (probe == entry.packed.size()) return result == Z_STREAM_END && lengthFits(entry, exact);
    if (result == Z_STREAM_END) return false;  // ends before its data does
    // The probe looked right: decode the whole entry.
    const std::size_t done = probe - stream_.avail_in;
    packed_.assign(entry.packed.begin(), entry.packed.end());
    scrambleEntryWords(packed_, word);
    stream_.next_in = packed_.data() + done;
    stream_.avail_in = static_cast<uInt>(packed_.size() - done);
    return pump(entry.unpackedSize, Z_FINISH) == Z_STREAM_END && lengthFits(entry, exact);
  }

 private:
  bool lengthFits(const Candidate& entry, bool exact) const {
    return !exact || produced_ == entry.unpackedSize;
  }

  // Inflates what input there is, refilling the window, until the stream
  // ends, fails, runs dry, or would pass `limit` bytes of output.
  int pump(std::uint32_t limit, int flush) {
    for (;;) {
      const std::size_t room = std::min<std::size_t>(window_.size(), limit - produced_ + 1);
      stream_.next_out = window_.data();
      stream_.avail_out = static_cast<uInt>(room);
      const int result = inflate(&stream_, flush);
      produced_ += room - stream_.avail_out;
      if (produced_ > limit) return Z_BUF_ERROR;
      if (result != Z_OK || stream_.avail_out != 0) return result;
    }
  }

  z_stream stream_{};
  bool ok_ = false;
  std::vector<std::uint8_t> packed_;
  std::array<std::uint8_t, 16384> window_{};
  std::uint64_t produced_ = 0;
};

}  // namespace

std::optional<std::uint32_t> findTitleKey(std::span<const std::uint8_t> container,
                                          const assets::ContainerIndex& index) {
  std::vector<Candidate> entries;
  std::unordered_set<std::uint64_t> seen;
  // A hash listed twice names one entry, the last; counting it twice would
  // only slow the search down.
  for (auto it = index.records.rbegin(); it != index.records.rend(); ++it) {
    const auto& record = *it;
    if (!seen.insert(record.key).second) continue;
    // The smallest zlib stream is 8 bytes; entries outside the file cannot help.
    if (record.size < 8 || record.offset > container.size() ||
        record.size > container.size() - record.offset ||
        !plausibleUnpackedSize(record.size, record.extra)) {
      continue;
    }
    entries.push_back({container.subspan(record.offset, record.size),
                       static_cast<std::uint32_t>(record.key), record.extra});
  }
  if (entries.empty()) return std::nullopt;
  // Small entries inflate fastest, so wrong keys are thrown out cheaply.
  std::sort(entries.begin(), entries.end(), [](const Candidate& a, const Candidate& b) {
    return a.packed.size() < b.packed.size();
  });

  Inflater inflater;
  // The packer writes exact unpacked sizes, and holding a key to them throws
  // out the rare wrong key under which a tiny container still inflates; a
  // container whose index overstates its sizes is searched again without.
  auto search = [&](bool exact) -> std::optional<std::uint32_t> {
    for (std::uint32_t low16 = 0; low16 <= 0xFFFF; ++low16) {
      const bool headersFit =
          std::all_of(entries.begin(), entries.end(), [low16](const Candidate& e) {
            const std::uint32_t plain = (firstWord(e.packed) ^ e.low ^ low16) & 0xFFFFU;
            return isZlibHeader(plain & 0xFFU, plain >> 8);
          });
      if (!headersFit) continue;
      for (std::uint32_t high16 = 0; high16 <= 0xFFFF; ++high16) {
        const std::uint32_t key = high16 << 16 | low16;
        const bool blocksFit =
            std::all_of(entries.begin(), entries.end(), [key](const Candidate& e) {
              return plausibleFirstBlock(((firstWord(e.packed) ^ e.low ^ key) >> 16) & 0xFFU);
            });
        if (!blocksFit) continue;
        const bool all = std::all_of(entries.begin(), entries.end(), [&](const Candidate& e) {
          return inflater.decodes(e, entryWord(e.low, key), exact);
        });
        if (all) return key;
      }
    }
    return std::nullopt;
  };
  if (auto key = search(true)) return key;
  return search(false);
}

}  // namespace tsuzuri::script
