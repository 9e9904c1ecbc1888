#pragma once

// The index shared by script.dat and the arcN.dat archives: a 32-bit entry
// count XOR kContainerKey, then 21-byte entries, all little-endian. Each
// entry holds a 64-bit name hash H and four fields XORed with L, the low 32
// bits of H: a flag byte (with L & 0xFF) and three 32-bit words. In
// script.dat the words are offset, packed size and unpacked size; in an
// archive they are offset, size and a spare word, the first two still
// combined with one byte of the entry's name.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <span>
#include <vector>

namespace tsuzuri::assets {

inline constexpr std::uint32_t kContainerKey = 0x5A3C96E1;
inline constexpr std::size_t kIndexEntrySize = 21;
inline constexpr std::size_t kIndexHeaderSize = 4;

struct IndexRecord {
  std::uint64_t key = 0;
  std::uint8_t flag = 0;
  std::uint32_t offset = 0;
  std::uint32_t size = 0;
  std::uint32_t extra = 0;
};

struct ContainerIndex {
  std::vector<IndexRecord> records;
  // The count the header declares, and whether the data held fewer whole
  // entries than that (the records then hold the ones that were there).
  std::uint32_t declaredCount = 0;
  bool truncated = false;
  // Where the data after the index begins.
  std::uint64_t dataStart = kIndexHeaderSize;
};

// Decodes the index at the start of `bytes`, which may be a whole container
// or only its first part. Fewer than four bytes decode as a truncated empty index.
ContainerIndex decodeContainerIndex(std::span<const std::uint8_t> bytes);

// Reads and decodes the index of an open container of `fileLength` bytes,
// from its start. Never reads or allocates more than the file holds.
ContainerIndex readContainerIndex(std::FILE* file, std::uint64_t fileLength);

}  // namespace tsuzuri::assets
