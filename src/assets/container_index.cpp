#include "assets/container_index.h"

#include <algorithm>

#include "platform/files.h"
#include "util/byte_order.h"

namespace tsuzuri::assets {

using util::le32;

ContainerIndex decodeContainerIndex(std::span<const std::uint8_t> bytes) {
  ContainerIndex index;
  if (bytes.size() < kIndexHeaderSize) {
    index.truncated = true;
    return index;
  }
  index.declaredCount = le32(bytes.data()) ^ kContainerKey;
  const std::size_t available = (bytes.size() - kIndexHeaderSize) / kIndexEntrySize;
  const std::size_t count = std::min<std::size_t>(index.declaredCount, available);
  index.truncated = count < index.declaredCount;
  index.records.reserve(count);
  for (std::size_t i = 0; i < count; ++i) {
    const std::uint8_t* p = bytes.data() + kIndexHeaderSize + i * kIndexEntrySize;
    IndexRecord record;
    const std::uint32_t low = le32(p);
    record.key = static_cast<std::uint64_t>(le32(p + 4)) << 32 | low;
    record.flag = static_cast<std::uint8_t>(p[8] ^ (low & 0xFFU));
    record.offset = le32(p + 9) ^ low;
    record.size = le32(p + 13) ^ low;
    record.extra = le32(p + 17) ^ low;
    index.records.push_back(record);
  }
  index.dataStart = kIndexHeaderSize + count * kIndexEntrySize;
  return index;
}

ContainerIndex readContainerIndex(std::FILE* file, std::uint64_t fileLength) {
  std::uint8_t header[kIndexHeaderSize];
  if (!platform::seekTo(file, 0) || fileLength < kIndexHeaderSize ||
      std::fread(header, 1, sizeof header, file) != sizeof header) {
    return decodeContainerIndex({});
  }
  const std::uint64_t declared = le32(header) ^ kContainerKey;
  // A corrupt count cannot make us read or allocate past the end of the file.
  const std::uint64_t wanted =
      std::min(declared * kIndexEntrySize,
               (fileLength - kIndexHeaderSize) / kIndexEntrySize * kIndexEntrySize);
  std::vector<std::uint8_t> bytes(kIndexHeaderSize + wanted);
  std::copy(std::begin(header), std::end(header), bytes.begin());
  const std::size_t got = std::fread(bytes.data() + kIndexHeaderSize, 1, wanted, file);
  bytes.resize(kIndexHeaderSize + got);
  return decodeContainerIndex(bytes);
}

}  // namespace tsuzuri::assets
