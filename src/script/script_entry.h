#pragma once

// The entries of script.dat. Each script is stored under the 64-bit hash H
// of its path ("script/0.txt") as one zlib stream, whose complete 32-bit
// little-endian words are XORed with W = (low 32 bits of H) XOR T; T, the
// title key, is the low 32 bits of the hash of the game's title, so a
// container made for another title does not decode. The last (size mod 4)
// bytes are stored as they are.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace tsuzuri::script {

// The title key of a Shift_JIS game title.
std::uint32_t titleKey(std::string_view sjisTitle);

// The word that an entry's data is XORed with.
constexpr std::uint32_t entryWord(std::uint64_t hash, std::uint32_t title) {
  return static_cast<std::uint32_t>(hash) ^ title;
}

// XORs every complete 32-bit word of `data` with `word`; its own inverse.
void scrambleEntryWords(std::span<std::uint8_t> data, std::uint32_t word);

// Whether an index's unpacked size can belong to `packedSize` bytes of
// deflate data (which expands at most about 1032 times), so that a damaged
// index cannot make a reader allocate gigabytes for a small entry.
constexpr bool plausibleUnpackedSize(std::uint64_t packedSize, std::uint64_t unpackedSize) {
  return unpackedSize <= packedSize * 1040 + 64;
}

// Inflates one zlib stream into `out`, whose size is the unpacked size the
// index gives. Returns the real length (which may be shorter), or nothing
// when the stream is corrupt, keyed for another title, or does not fit.
std::optional<std::size_t> inflateEntry(std::span<const std::uint8_t> packed,
                                        std::span<std::uint8_t> out);

// One whole entry as it lies in the container: unscrambled with the hash and
// title key, then inflated into a string of at most `unpackedSize` bytes,
// which grows with the data rather than trusting the index's size up front.
// Nothing when it does not decode.
std::optional<std::string> decodeEntry(std::span<const std::uint8_t> stored, std::uint64_t hash,
                                       std::uint32_t title, std::uint32_t unpackedSize);

}  // namespace tsuzuri::script
