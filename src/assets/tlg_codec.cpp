// The TLG entry points: the TLG0 container with its layer-attribute tags
// around a TLG5 or TLG6 stream (tlg_decode.cpp, tlg_encode.cpp).

#include <algorithm>
#include <cstring>
#include <new>
#include <string>

#include "assets/image_codecs.h"
#include "assets/tlg_common.h"

namespace tsuzuri::assets {

namespace {

constexpr std::size_t kShortestFile = 48;
constexpr std::size_t kContainerHeaderSize = tlg::kMarkSize + 4;
constexpr std::uint8_t kTagsChunk[4] = {'t', 'a', 'g', 's'};

// The keys of the layer attributes; other keys are ignored.
enum TagKey : std::uint8_t { kKeyName = 1, kKeyLeft = 2, kKeyTop = 3, kKeyMode = 4 };

ImagePtr decodeStream(std::span<const std::uint8_t> data) {
  if (tlg::hasMark(data, tlg::kTlg5Mark)) return tlg::decodeTlg5Stream(data);
  if (tlg::hasMark(data, tlg::kTlg6Mark)) return tlg::decodeTlg6Stream(data);
  return nullptr;
}

// The entries "keylength:key=valuelength:value," of a tags chunk. A
// malformed entry ends the reading; the entries before it are kept.
void readTags(std::span<const std::uint8_t> tags, ImageBuffer& image) {
  const std::uint8_t* data = tags.data();
  const std::size_t size = tags.size();
  std::size_t pos = 0;
  // A decimal length, then `separator`; false when it does not fit the data.
  const auto length = [&](std::uint8_t separator, std::size_t& value) {
    const std::size_t first = pos;
    value = 0;
    while (pos < size && data[pos] >= '0' && data[pos] <= '9') {
      value = value * 10 + (data[pos++] - '0');
      if (value > size) return false;
    }
    if (pos == first || pos >= size || data[pos] != separator) return false;
    ++pos;
    return value <= size - pos;
  };
  while (pos < size) {
    std::size_t keyLength = 0;
    if (!length(':', keyLength)) return;
    const std::uint8_t* key = data + pos;
    pos += keyLength;
    if (pos >= size || data[pos] != '=') return;
    ++pos;
    std::size_t valueLength = 0;
    if (!length(':', valueLength)) return;
    const std::uint8_t* value = data + pos;
    pos += valueLength;
    if (keyLength > 0) {
      if (key[0] == kKeyName) {
        const auto* text = reinterpret_cast<const char*>(value);
        const std::size_t n = std::min(strnlen(text, valueLength), sizeof image.name - 1);
        std::memset(image.name, 0, sizeof image.name);
        std::memcpy(image.name, text, n);
      } else if (valueLength >= 4 && key[0] >= kKeyLeft && key[0] <= kKeyMode) {
        const std::uint32_t v = tlg::le32(value);
        if (key[0] == kKeyLeft) image.left = static_cast<std::int32_t>(v);
        if (key[0] == kKeyTop) image.top = static_cast<std::int32_t>(v);
        if (key[0] == kKeyMode) image.mode = v;
      }
    }
    if (pos < size) {
      if (data[pos] != ',') return;
      ++pos;
    }
  }
}

ImagePtr decodeContainer(std::span<const std::uint8_t> data) {
  if (data.size() < kContainerHeaderSize) return nullptr;
  const std::uint32_t streamLength = tlg::le32(data.data() + tlg::kMarkSize);
  if (streamLength > data.size() - kContainerHeaderSize) return nullptr;
  // The chunks must all be there, so that a cut-off file is refused.
  std::vector<std::span<const std::uint8_t>> tags;
  std::size_t pos = kContainerHeaderSize + streamLength;
  try {
    while (pos < data.size()) {
      if (data.size() - pos < 8) return nullptr;
      const std::uint32_t length = tlg::le32(data.data() + pos + 4);
      if (length > data.size() - pos - 8) return nullptr;
      if (std::memcmp(data.data() + pos, kTagsChunk, 4) == 0) {
        tags.push_back(data.subspan(pos + 8, length));
      }
      pos += 8 + std::size_t{length};
    }
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
  ImagePtr image = decodeStream(data.subspan(kContainerHeaderSize, streamLength));
  if (!image) return nullptr;
  for (const std::span<const std::uint8_t> chunk : tags) readTags(chunk, *image);
  return image;
}

void appendTag(std::vector<std::uint8_t>& out, std::uint8_t key, const std::uint8_t* value,
               std::size_t length) {
  const std::string head =
      "1:" + std::string(1, static_cast<char>(key)) + "=" + std::to_string(length) + ":";
  out.insert(out.end(), head.begin(), head.end());
  out.insert(out.end(), value, value + length);
}

std::vector<std::uint8_t> tagChunk(const ImageBuffer& image) {
  std::vector<std::uint8_t> tags;
  const std::pair<TagKey, std::uint32_t> numbers[] = {
      {kKeyLeft, static_cast<std::uint32_t>(image.left)},
      {kKeyTop, static_cast<std::uint32_t>(image.top)},
      {kKeyMode, image.mode},
  };
  for (const auto& [key, number] : numbers) {
    std::uint8_t value[4];
    tlg::putLe32(value, number);
    appendTag(tags, key, value, 4);
    tags.push_back(',');
  }
  appendTag(tags, kKeyName, reinterpret_cast<const std::uint8_t*>(image.name),
            strnlen(image.name, sizeof image.name));
  std::vector<std::uint8_t> chunk(kTagsChunk, kTagsChunk + 4);
  tlg::appendLe32(chunk, static_cast<std::uint32_t>(tags.size()));
  chunk.insert(chunk.end(), tags.begin(), tags.end());
  return chunk;
}

}  // namespace

ImagePtr decodeTlg(std::span<const std::uint8_t> data) {
  if (data.size() < kShortestFile) return nullptr;
  if (tlg::hasMark(data, tlg::kTlg0Mark)) return decodeContainer(data);
  return decodeStream(data);
}

EncodedImage encodeTlg(ImageBuffer& image, std::int32_t depth, std::int32_t level) {
  EncodedImage result;
  const bool tlg6 = level != 0;
  if (image.pixels == nullptr || image.width <= 0 || image.height <= 0) return result;
  const int colors = depth == 8 ? 1 : depth == 24 ? 3 : depth == 32 ? 4 : 0;
  if (colors == 0) {
    if (tlg6) result.message = "SaveTLG6: Unsupported Color Type";
    return result;
  }
  const bool withTags = image.name[0] != 0 || image.mode != 0;
  // Whatever the name ends in, its last three characters become "tlg".
  const std::size_t nameLength = strnlen(image.name, sizeof image.name);
  if (nameLength >= 3) std::memcpy(image.name + nameLength - 3, "tlg", 3);

  try {
    std::vector<std::uint8_t> stream;
    const bool ok = tlg6 ? tlg::encodeTlg6Stream(image, colors, stream, result.message)
                         : tlg::encodeTlg5Stream(image, colors, stream);
    if (!ok) return result;
    if (withTags) {
      const std::vector<std::uint8_t> chunk = tagChunk(image);
      result.bytes.reserve(kContainerHeaderSize + stream.size() + chunk.size());
      result.bytes.assign(tlg::kTlg0Mark.begin(), tlg::kTlg0Mark.end());
      tlg::appendLe32(result.bytes, static_cast<std::uint32_t>(stream.size()));
      result.bytes.insert(result.bytes.end(), stream.begin(), stream.end());
      result.bytes.insert(result.bytes.end(), chunk.begin(), chunk.end());
    } else {
      result.bytes = std::move(stream);
    }
  } catch (const std::bad_alloc&) {
    result.bytes.clear();
    if (tlg6) result.message = "SaveTLG6: Insufficient memory";
    return result;
  }
  result.ok = true;
  return result;
}

}  // namespace tsuzuri::assets
