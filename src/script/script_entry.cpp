#include "script/script_entry.h"

#include <zlib.h>

#include <algorithm>
#include <limits>
#include <vector>

#include "util/crc.h"

namespace tsuzuri::script {

std::uint32_t titleKey(std::string_view sjisTitle) {
  return static_cast<std::uint32_t>(util::crc64_hash2(sjisTitle));
}

void scrambleEntryWords(std::span<std::uint8_t> data, std::uint32_t word) {
  const std::size_t whole = data.size() / 4 * 4;
  for (std::size_t i = 0; i < whole; i += 4) {
    for (std::size_t k = 0; k < 4; ++k) data[i + k] ^= static_cast<std::uint8_t>(word >> (8 * k));
  }
}

std::optional<std::size_t> inflateEntry(std::span<const std::uint8_t> packed,
                                        std::span<std::uint8_t> out) {
  if (packed.size() > std::numeric_limits<uLong>::max() ||
      out.size() > std::numeric_limits<uLongf>::max()) {
    return std::nullopt;
  }
  auto length = static_cast<uLongf>(out.size());
  // zlib wants a writable pointer even for an empty output.
  Bytef dummy = 0;
  Bytef* target = out.empty() ? &dummy : out.data();
  if (uncompress(target, &length, packed.data(), static_cast<uLong>(packed.size())) != Z_OK) {
    return std::nullopt;
  }
  return static_cast<std::size_t>(length);
}

}  // namespace tsuzuri::script

namespace tsuzuri::script {

std::optional<std::string> decodeEntry(std::span<const std::uint8_t> stored, std::uint64_t hash,
                                       std::uint32_t title, std::uint32_t unpackedSize) {
  if (stored.size() > std::numeric_limits<uInt>::max()) return std::nullopt;
  std::vector<std::uint8_t> packed(stored.begin(), stored.end());
  scrambleEntryWords(packed, entryWord(hash, title));
  z_stream stream{};
  if (inflateInit(&stream) != Z_OK) return std::nullopt;
  stream.next_in = packed.data();
  stream.avail_in = static_cast<uInt>(packed.size());
  std::string text;
  constexpr std::size_t kStep = 64 * 1024;
  int result = Z_OK;
  while (result == Z_OK) {
    const std::size_t done = text.size();
    if (done == unpackedSize) {
      // Full: the stream must end here without more output.
      std::uint8_t probe = 0;
      stream.next_out = &probe;
      stream.avail_out = 1;
      result = inflate(&stream, Z_FINISH);
      if (stream.avail_out == 0) result = Z_BUF_ERROR;
      break;
    }
    text.resize(std::min<std::size_t>(unpackedSize, done + kStep));
    stream.next_out = reinterpret_cast<Bytef*>(text.data() + done);
    stream.avail_out = static_cast<uInt>(text.size() - done);
    result = inflate(&stream, Z_NO_FLUSH);
    text.resize(text.size() - stream.avail_out);
    if (result == Z_BUF_ERROR && stream.avail_in == 0) break;  // the stream is cut short
  }
  inflateEnd(&stream);
  if (result != Z_STREAM_END) return std::nullopt;
  return text;
}

}  // namespace tsuzuri::script
