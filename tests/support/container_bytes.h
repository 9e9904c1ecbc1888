#pragma once

// Containers laid out by hand from the format's tables, independent of the
// packer's writer, so that tests can check both the writer and the readers
// against the format itself.

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace tsuzuri::testing {

inline void appendLe32(std::string& out, std::uint32_t v) {
  out.push_back(static_cast<char>(v & 0xFF));
  out.push_back(static_cast<char>((v >> 8) & 0xFF));
  out.push_back(static_cast<char>((v >> 16) & 0xFF));
  out.push_back(static_cast<char>((v >> 24) & 0xFF));
}

// One index entry with its fields as decoded; the XOR with the hash's low
// half happens in rawIndex.
struct RawEntry {
  std::uint64_t hash = 0;
  std::uint8_t flag = 0;
  std::uint32_t word1 = 0;  // offset
  std::uint32_t word2 = 0;  // (packed) size
  std::uint32_t word3 = 0;  // unpacked size or spare
};

inline std::string rawIndex(const std::vector<RawEntry>& entries, std::uint32_t count) {
  std::string out;
  appendLe32(out, count ^ 0x5A3C96E1U);
  for (const auto& e : entries) {
    const auto low = static_cast<std::uint32_t>(e.hash);
    appendLe32(out, low);
    appendLe32(out, static_cast<std::uint32_t>(e.hash >> 32));
    out.push_back(static_cast<char>(e.flag ^ (low & 0xFF)));
    appendLe32(out, e.word1 ^ low);
    appendLe32(out, e.word2 ^ low);
    appendLe32(out, e.word3 ^ low);
  }
  return out;
}

inline std::string rawIndex(const std::vector<RawEntry>& entries) {
  return rawIndex(entries, static_cast<std::uint32_t>(entries.size()));
}

// Where entry data begins after an index of `count` entries.
constexpr std::uint32_t dataStart(std::size_t count) {
  return static_cast<std::uint32_t>(4 + 21 * count);
}

// One file of a hand-built archive.
struct StoredFile {
  std::string name;   // Shift_JIS name the game asks for
  std::string bytes;  // as they lie in the archive (already scrambled when flagged)
  bool scrambled = false;
};

// An arcN.dat: the index with offset and size combined with bytes of each
// name, a spare word of 0, then the data back to back.
std::string handBuiltArchive(const std::vector<StoredFile>& files);

// `bytes` scrambled (or unscrambled) with `name` in its chunks, written out
// by the rule rather than with the engine's function.
std::string scrambledByHand(std::string bytes, const std::string& name);

// A script.dat: the index, then each text as a zlib stream at `level`,
// whose whole words are XORed with (low half of the name hash) ^ title.
std::string handBuiltScripts(const std::vector<std::pair<std::string, std::string>>& scripts,
                             std::uint32_t title, int level = 6);

}  // namespace tsuzuri::testing
