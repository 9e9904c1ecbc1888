#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "assets/container_index.h"
#include "assets/game_folder.h"
#include "util/reporter.h"

namespace tsuzuri::assets {

inline constexpr int kMaxArchives = 9;

// One file of the archive directory. The offset and size are as stored:
// their low byte is still combined with a byte of the entry's name, which
// the lookup supplies (see FileAccess).
struct ArchiveEntry {
  std::uint32_t archive = 0;  // index into ArchiveDirectory::archivePath
  bool scrambled = false;
  std::uint32_t offset = 0;
  std::uint32_t size = 0;
  std::uint32_t spare = 0;
};

// Where an entry's bytes are. The index stores its offset and size each
// XORed with one byte of the name, name[len / 2] and name[len / 4] (the
// terminating NUL past the end), which changes only their low 8 bits. XOR
// being its own inverse, the same step turns stored values into true ones
// and true ones into stored ones.
struct EntryExtent {
  std::uint32_t offset = 0;
  std::uint32_t size = 0;
};
EntryExtent combineWithName(EntryExtent extent, std::string_view name);

// The entries of arc0.dat … arc8.dat, keyed by the 64-bit hash of their
// names. Filled once at start-up and read-only afterwards, so any thread may
// consult it.
class ArchiveDirectory {
 public:
  // Reads arc0.dat, arc1.dat, … from the folder until one is missing. A
  // later entry of the same name replaces an earlier one, so arc1.dat
  // overrides arc0.dat. An index that ends early keeps its whole entries and
  // is reported.
  void read(const GameFolder& folder, util::Reporter& reporter);

  // Adds the entries of one archive index; `path` is the archive's native path.
  void add(const ContainerIndex& index, std::string path);

  // Whether any archive file was opened, even an empty one.
  bool present() const { return !paths_.empty(); }
  const ArchiveEntry* find(std::uint64_t key) const;
  const std::string& archivePath(std::uint32_t archive) const { return paths_.at(archive); }
  std::size_t size() const { return entries_.size(); }

 private:
  // The keys are CRC-64 values already, so they hash to themselves.
  struct KeyHash {
    std::size_t operator()(std::uint64_t key) const noexcept {
      return static_cast<std::size_t>(key);
    }
  };
  std::unordered_map<std::uint64_t, ArchiveEntry, KeyHash> entries_;
  std::vector<std::string> paths_;
};

}  // namespace tsuzuri::assets
