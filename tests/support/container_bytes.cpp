#include "support/container_bytes.h"

#include <zlib.h>

#include "util/crc.h"

namespace tsuzuri::testing {
namespace {

unsigned char nameByte(const std::string& name, std::size_t i) {
  return i < name.size() ? static_cast<unsigned char>(name[i]) : 0;
}

}  // namespace

std::string handBuiltArchive(const std::vector<StoredFile>& files) {
  std::vector<RawEntry> entries;
  std::uint32_t at = dataStart(files.size());
  std::string data;
  for (const auto& f : files) {
    const auto size = static_cast<std::uint32_t>(f.bytes.size());
    entries.push_back({util::crc64_hash2(f.name), static_cast<std::uint8_t>(f.scrambled ? 1 : 0),
                       at ^ nameByte(f.name, f.name.size() / 2),
                       size ^ nameByte(f.name, f.name.size() / 4), 0});
    at += size;
    data += f.bytes;
  }
  return rawIndex(entries) + data;
}

std::string scrambledByHand(std::string bytes, const std::string& name) {
  if (name.size() < 2) return bytes;
  const std::size_t chunk = bytes.size() / name.size();
  for (std::size_t i = 0; i + 1 < name.size(); ++i) {
    for (std::size_t k = i * chunk; k < (i + 1) * chunk; ++k) bytes[k] ^= name[i];
  }
  return bytes;
}

std::string handBuiltScripts(const std::vector<std::pair<std::string, std::string>>& scripts,
                             std::uint32_t title, int level) {
  std::vector<RawEntry> entries;
  std::string data;
  std::uint32_t at = dataStart(scripts.size());
  for (const auto& [name, text] : scripts) {
    uLongf length = compressBound(static_cast<uLong>(text.size()));
    std::string packed(length, '\0');
    compress2(reinterpret_cast<Bytef*>(packed.data()), &length,
              reinterpret_cast<const Bytef*>(text.data()), static_cast<uLong>(text.size()), level);
    packed.resize(length);
    const std::uint64_t hash = util::crc64_hash2(name);
    const std::uint32_t word = static_cast<std::uint32_t>(hash) ^ title;
    for (std::size_t i = 0; i + 4 <= packed.size(); i += 4) {
      for (std::size_t k = 0; k < 4; ++k)
        packed[i + k] ^= static_cast<char>((word >> (8 * k)) & 0xFF);
    }
    entries.push_back({hash, 0, at, static_cast<std::uint32_t>(packed.size()),
                       static_cast<std::uint32_t>(text.size())});
    at += static_cast<std::uint32_t>(packed.size());
    data += packed;
  }
  return rawIndex(entries) + data;
}

}  // namespace tsuzuri::testing
