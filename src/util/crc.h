#pragma once

// The engine's two name hashes.
//
// CRC-32 is zlib's (reflected, polynomial 0xEDB88320, initial value and final
// XOR all ones); it keys the command tables, labels and effect names.
// The 64-bit hash is CRC-64/WE (polynomial 0x42F0E1EBA9EA3693, most
// significant bit first, initial value and final XOR all ones); it keys
// script.dat, the archive directory and the image cache. Both run over the
// raw bytes, with no case folding or separator conversion.

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace tsuzuri::util {

// Over a NUL-terminated name; a null pointer hashes like the empty name.
std::uint32_t crc32_hash(const char* name);
std::uint32_t crc32_hash2(const void* data, std::size_t length);
inline std::uint32_t crc32_hash2(std::string_view bytes) {
  return crc32_hash2(bytes.data(), bytes.size());
}

std::uint64_t crc64_hash(const char* name);
std::uint64_t crc64_hash2(const void* data, std::size_t length);
inline std::uint64_t crc64_hash2(std::string_view bytes) {
  return crc64_hash2(bytes.data(), bytes.size());
}

}  // namespace tsuzuri::util
