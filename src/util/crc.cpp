#include "util/crc.h"

#include <array>
#include <cstring>

namespace tsuzuri::util {
namespace {

constexpr std::array<std::uint32_t, 256> makeCrc32Table() {
  std::array<std::uint32_t, 256> table{};
  for (std::uint32_t i = 0; i < 256; ++i) {
    std::uint32_t c = i;
    for (int k = 0; k < 8; ++k) c = (c & 1U) != 0 ? 0xEDB88320U ^ (c >> 1) : c >> 1;
    table[i] = c;
  }
  return table;
}

constexpr std::uint64_t kCrc64Polynomial = 0x42F0E1EBA9EA3693ULL;

// Entry i is i placed in the top byte and shifted through eight polynomial steps.
constexpr std::array<std::uint64_t, 256> makeCrc64Table() {
  std::array<std::uint64_t, 256> table{};
  for (std::uint64_t i = 0; i < 256; ++i) {
    std::uint64_t c = i << 56;
    for (int k = 0; k < 8; ++k) c = (c & (1ULL << 63)) != 0 ? (c << 1) ^ kCrc64Polynomial : c << 1;
    table[i] = c;
  }
  return table;
}

constexpr auto kCrc32Table = makeCrc32Table();
constexpr auto kCrc64Table = makeCrc64Table();

}  // namespace

std::uint32_t crc32_hash2(const void* data, std::size_t length) {
  const auto* p = static_cast<const unsigned char*>(data);
  std::uint32_t c = 0xFFFFFFFFU;
  for (std::size_t i = 0; i < length; ++i) c = kCrc32Table[(c ^ p[i]) & 0xFFU] ^ (c >> 8);
  return ~c;
}

std::uint32_t crc32_hash(const char* name) {
  return name == nullptr ? crc32_hash2(nullptr, 0) : crc32_hash2(name, std::strlen(name));
}

std::uint64_t crc64_hash2(const void* data, std::size_t length) {
  const auto* p = static_cast<const unsigned char*>(data);
  std::uint64_t c = ~0ULL;
  for (std::size_t i = 0; i < length; ++i) c = kCrc64Table[((c >> 56) ^ p[i]) & 0xFFU] ^ (c << 8);
  return ~c;
}

std::uint64_t crc64_hash(const char* name) {
  return name == nullptr ? crc64_hash2(nullptr, 0) : crc64_hash2(name, std::strlen(name));
}

}  // namespace tsuzuri::util
