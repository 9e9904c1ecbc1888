// Decodes arbitrary bytes as a script.dat: its index, then every entry that
// lies inside the data, unscrambled and inflated as the engine does.

#include <cstddef>
#include <cstdint>
#include <span>

#include "assets/container_index.h"
#include "script/script_entry.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tsuzuri;
  const std::span<const std::uint8_t> bytes(data, size);
  const assets::ContainerIndex index = assets::decodeContainerIndex(bytes);
  // The seeds are keyed with this title.
  const std::uint32_t title = script::titleKey("fuzz");
  for (const auto& record : index.records) {
    if (record.offset > size || record.size > size - record.offset) continue;
    script::decodeEntry(bytes.subspan(record.offset, record.size), record.key, title, record.extra);
  }
  return 0;
}
