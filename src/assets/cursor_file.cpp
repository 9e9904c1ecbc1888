#include "assets/cursor_file.h"

#include <algorithm>
#include <cstring>
#include <optional>

#include "assets/image_codecs.h"
#include "util/byte_order.h"

namespace tsuzuri::assets {

using util::le16;
using util::le32;

namespace {

constexpr std::size_t kDirectoryHeaderSize = 6;
constexpr std::size_t kDirectoryEntrySize = 16;
constexpr std::size_t kInfoHeaderSize = 40;
constexpr std::size_t kChunkHeaderSize = 8;
constexpr std::uint32_t kIconType = 1;
constexpr std::uint32_t kCursorType = 2;
constexpr std::uint8_t kPngSignature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};

using Bytes = std::span<const std::uint8_t>;

std::uint32_t be32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) << 24 | static_cast<std::uint32_t>(p[1]) << 16 |
         static_cast<std::uint32_t>(p[2]) << 8 | static_cast<std::uint32_t>(p[3]);
}

bool hasTag(Bytes data, std::size_t offset, const char (&tag)[5]) {
  return data.size() >= offset + 4 && std::memcmp(data.data() + offset, tag, 4) == 0;
}

bool isPng(Bytes data) {
  return data.size() >= sizeof kPngSignature &&
         std::memcmp(data.data(), kPngSignature, sizeof kPngSignature) == 0;
}

// The image bytes a directory entry points at, or nothing when the entry's
// offset and size do not lie within the file.
std::optional<Bytes> entryData(Bytes file, const std::uint8_t* entry) {
  const std::uint64_t size = le32(entry + 8);
  const std::uint64_t offset = le32(entry + 12);
  if (offset > file.size() || size > file.size() - offset) return std::nullopt;
  return file.subspan(static_cast<std::size_t>(offset), static_cast<std::size_t>(size));
}

// The bits per pixel of an entry's image, read from the image itself: cursor
// directories keep the hot spot where icon directories keep the bit count.
// PNG images count as 32-bit, as they carry an alpha channel; unreadable
// entries as 0.
std::uint32_t entryBitCount(const std::optional<Bytes>& image) {
  if (!image) return 0;
  if (isPng(*image)) return 32;
  if (image->size() < kInfoHeaderSize) return 0;
  return le16(image->data() + 14);
}

ImagePtr decodePngEntry(Bytes data) {
  // The sides are read from the header chunk first, so that no big image is
  // decoded only to be refused.
  if (data.size() < 24) return nullptr;
  const std::uint32_t width = be32(data.data() + 16);
  const std::uint32_t height = be32(data.data() + 20);
  if (width > kMaxCursorSide || height > kMaxCursorSide) return nullptr;
  ImagePtr image = decodePng(data);
  if (!image) return nullptr;
  // PNG entries without alpha are opaque; the record still has alpha bytes.
  image->depth = 32;
  return image;
}

// A device-independent bitmap as icons store it: the header, the colour
// table, the colour bitmap and a 1-bit mask, both bottom-up with rows
// padded to 32 bits. The header's height counts both bitmaps.
ImagePtr decodeDibEntry(Bytes data) {
  const std::uint8_t* bytes = data.data();
  const std::size_t size = data.size();
  if (size < kInfoHeaderSize) return nullptr;
  const std::uint32_t headerSize = le32(bytes);
  if (headerSize < kInfoHeaderSize || headerSize > size) return nullptr;
  const auto width = static_cast<std::int32_t>(le32(bytes + 4));
  const std::int32_t height = static_cast<std::int32_t>(le32(bytes + 8)) / 2;
  const std::uint32_t bitCount = le16(bytes + 14);
  const std::uint32_t compression = le32(bytes + 16);
  const std::uint32_t colourCount = le32(bytes + 32);
  if (width <= 0 || height <= 0 || width > kMaxCursorSide || height > kMaxCursorSide) {
    return nullptr;
  }
  if (compression != 0) return nullptr;
  if (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 24 && bitCount != 32) {
    return nullptr;
  }

  // The colour table has as many entries as the header says, or all that the
  // bit count can address when it says 0; the bitmap follows it in any case.
  std::uint64_t paletteEntries = colourCount;
  if (paletteEntries == 0 && bitCount <= 8) paletteEntries = std::uint64_t{1} << bitCount;
  const auto w = static_cast<std::uint64_t>(width);
  const auto h = static_cast<std::uint64_t>(height);
  const std::uint64_t colourStart = headerSize + paletteEntries * 4;
  const std::uint64_t colourStride = (w * bitCount + 31) / 32 * 4;
  const std::uint64_t maskStart = colourStart + colourStride * h;
  const std::uint64_t maskStride = (w + 31) / 32 * 4;
  if (maskStart > size) return nullptr;

  ImagePtr image = makeImage(width, height, 32);
  if (!image) return nullptr;
  const std::uint8_t* palette = bytes + headerSize;
  bool hasAlpha = false;
  for (std::int32_t y = 0; y < height; ++y) {
    const std::uint8_t* src =
        bytes + colourStart + static_cast<std::uint64_t>(height - 1 - y) * colourStride;
    std::uint8_t* dst = pixelAt(*image, 0, y);
    for (std::size_t x = 0; x < w; ++x, dst += 4) {
      if (bitCount == 32) {
        std::memcpy(dst, src + x * 4, 4);
        hasAlpha = hasAlpha || dst[3] != 0;
        continue;
      }
      dst[3] = 0xFF;
      if (bitCount == 24) {
        std::memcpy(dst, src + x * 3, 3);
        continue;
      }
      std::size_t index = 0;
      if (bitCount == 8) {
        index = src[x];
      } else if (bitCount == 4) {
        index = static_cast<unsigned>(src[x / 2] >> (x % 2 == 0 ? 4 : 0)) & 0x0FU;
      } else {
        index = static_cast<unsigned>(src[x / 8] >> (7 - x % 8)) & 0x01U;
      }
      // An index past a shortened colour table has no colour; black is safe.
      if (index < paletteEntries) {
        std::memcpy(dst, palette + index * 4, 3);
      } else {
        std::memset(dst, 0, 3);
      }
    }
  }
  // Images with an alpha channel ignore the mask, so it need not even be
  // there; older 32-bit images leave the channel zero and use the mask.
  if (hasAlpha) return image;

  if (maskStride * h > size - maskStart) return nullptr;
  for (std::int32_t y = 0; y < height; ++y) {
    const std::uint8_t* mask =
        bytes + maskStart + static_cast<std::uint64_t>(height - 1 - y) * maskStride;
    std::uint8_t* dst = pixelAt(*image, 0, y);
    for (std::size_t x = 0; x < w; ++x, dst += 4) {
      // A set bit lets the screen through. Windows inverts the screen where
      // the colour is not black as well; a colour cursor cannot, so those
      // pixels are simply transparent, and cleared so that no stray colour
      // shows when the cursor is scaled.
      if ((static_cast<unsigned>(mask[x / 8] >> (7 - x % 8)) & 0x01U) != 0) {
        std::memset(dst, 0, 4);
      } else {
        dst[3] = 0xFF;
      }
    }
  }
  return image;
}

// An icon or cursor file: a directory of images of different sizes and
// depths, of which the biggest is taken.
CursorImage decodeDirectory(Bytes data) {
  CursorImage result;
  if (data.size() < kDirectoryHeaderSize) return result;
  const std::uint8_t* bytes = data.data();
  const std::uint32_t type = le16(bytes + 2);
  const std::size_t count = le16(bytes + 4);
  if (le16(bytes) != 0 || (type != kIconType && type != kCursorType) || count == 0) return result;
  if (kDirectoryHeaderSize + count * kDirectoryEntrySize > data.size()) return result;

  const std::uint8_t* best = nullptr;
  std::uint32_t bestArea = 0;
  std::uint32_t bestBits = 0;
  for (std::size_t i = 0; i < count; ++i) {
    const std::uint8_t* entry = bytes + kDirectoryHeaderSize + i * kDirectoryEntrySize;
    // A side of 0 stands for 256, which a byte cannot hold.
    const std::uint32_t width = entry[0] == 0 ? 256U : entry[0];
    const std::uint32_t height = entry[1] == 0 ? 256U : entry[1];
    const std::uint32_t area = width * height;
    const std::uint32_t bits = entryBitCount(entryData(data, entry));
    if (best == nullptr || area > bestArea || (area == bestArea && bits == 32 && bestBits != 32)) {
      best = entry;
      bestArea = area;
      bestBits = bits;
    }
  }

  if (best == nullptr) return result;
  const std::optional<Bytes> image = entryData(data, best);
  if (!image) return result;
  result.image = isPng(*image) ? decodePngEntry(*image) : decodeDibEntry(*image);
  if (!result.image) return result;
  if (type == kCursorType) {
    result.hotX = std::min<std::int32_t>(le16(best + 4), result.image->width - 1);
    result.hotY = std::min<std::int32_t>(le16(best + 6), result.image->height - 1);
  }
  return result;
}

// The data of the first chunk called `id` in a run of RIFF chunks; for a
// "LIST" chunk, the one of list type `listType`, without the type. Nothing
// when there is none, or when a chunk before it runs past the data.
std::optional<Bytes> findChunk(Bytes chunks, const char (&id)[5], const char* listType) {
  std::uint64_t offset = 0;
  while (offset + kChunkHeaderSize <= chunks.size()) {
    const std::uint8_t* header = chunks.data() + offset;
    const std::uint64_t size = le32(header + 4);
    if (size > chunks.size() - offset - kChunkHeaderSize) return std::nullopt;
    const Bytes body = chunks.subspan(static_cast<std::size_t>(offset + kChunkHeaderSize),
                                      static_cast<std::size_t>(size));
    if (std::memcmp(header, id, 4) == 0) {
      if (listType == nullptr) return body;
      if (body.size() >= 4 && std::memcmp(body.data(), listType, 4) == 0) return body.subspan(4);
    }
    // Chunks of odd size are followed by a padding byte. The last one's may
    // be missing, which ends the walk as well.
    offset += kChunkHeaderSize + size + (size & 1U);
  }
  return std::nullopt;
}

// An animated cursor: a RIFF form of type "ACON" whose "fram" list holds the
// frames as "icon" chunks, each a whole cursor file. The header, rates and
// sequence only matter for the animation, so only the first frame is read.
CursorImage decodeAnimated(Bytes data) {
  // The form's size is believed only as far as there is data.
  const std::uint64_t formEnd =
      std::min<std::uint64_t>(std::uint64_t{le32(data.data() + 4)} + kChunkHeaderSize, data.size());
  if (formEnd < 12) return {};
  const Bytes form = data.subspan(12, static_cast<std::size_t>(formEnd - 12));
  const std::optional<Bytes> frames = findChunk(form, "LIST", "fram");
  if (!frames) return {};
  const std::optional<Bytes> first = findChunk(*frames, "icon", nullptr);
  if (!first) return {};
  return decodeDirectory(*first);
}

}  // namespace

CursorImage decodeCursor(std::span<const std::uint8_t> data) {
  if (hasTag(data, 0, "RIFF") && hasTag(data, 8, "ACON")) return decodeAnimated(data);
  return decodeDirectory(data);
}

}  // namespace tsuzuri::assets
