#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "assets/archive_directory.h"
#include "assets/game_folder.h"
#include "platform/files.h"
#include "util/aligned_buffer.h"
#include "util/reporter.h"

namespace tsuzuri::assets {

// An open game file: an archive entry or a loose file, positioned at its
// first byte. Reads never go past the entry's end.
class EntryReader {
 public:
  EntryReader(platform::FileHandle file, std::uint64_t key, std::uint32_t size, bool scrambled)
      : file_(std::move(file)), key_(key), size_(size), remaining_(size), scrambled_(scrambled) {}

  // Reads up to `count` bytes of what is left of the entry; returns how many
  // were read, fewer only at the entry's end or on a read error.
  std::size_t read(void* out, std::size_t count);

  std::uint32_t size() const { return size_; }
  // The name hash for an archive entry, 0 for a loose file.
  std::uint64_t key() const { return key_; }
  // Whether the entry's bytes are scrambled with its name.
  bool scrambled() const { return scrambled_; }

 private:
  platform::FileHandle file_;
  std::uint64_t key_;
  std::uint32_t size_;
  std::uint32_t remaining_;
  bool scrambled_;
};

// A name after the high-resolution lookup: "z/" + name when that variant
// exists and the display is scaled up, with the scale of its pixels.
struct ResolvedName {
  std::string name;
  int scale = 1;
};

// Every game file the engine reads after start-up is opened here: first in
// the archives, by the 64-bit hash of the name's bytes, then as a loose file
// under the game folder. Names are C strings (an embedded NUL ends them).
// Failures are reported and give an empty result.
class FileAccess {
 public:
  FileAccess(GameFolder folder, const ArchiveDirectory& archives, util::Reporter& reporter)
      : folder_(std::move(folder)), archives_(archives), reporter_(reporter) {}

  // Opens a game file (a Shift_JIS name, looked up byte for byte).
  std::optional<EntryReader> open(std::string_view name);

  // Reads a file into a buffer, as plug-ins do. `size` is 0 for the whole
  // file or a byte count to read a prefix; it receives the bytes read. A
  // prefix longer than the file fails as a short read.
  // `buffer` and `capacity` describe the caller's buffer, which is replaced
  // by a larger 16-byte-aligned one (released with util::alignedFree) when
  // it is too small. When `buffer` is the address of the shared file buffer
  // (see getFileMemory), the shared buffer is used and `capacity` ignored.
  bool loadFile(std::string_view name, void** buffer, std::uint32_t* size, std::uint32_t* capacity);

  // Reads a whole file into a string.
  bool loadText(std::string_view name, std::string& out);

  // The addresses of the shared file buffer's pointer and capacity; either
  // argument may be null. Only the main thread may use the shared buffer.
  void getFileMemory(void*** buffer, std::uint32_t** capacity);

  // The high-resolution variant of an image, movie or cursor name: tried
  // only when `scaleFactor` (render size / game screen size) is above 1.
  ResolvedName resolveHighResolution(std::string_view name, double scaleFactor) const;

  // The test behind existFile: `\` counts as `/`; true when the archives hold
  // the name or the (high-resolution) name is a loose file, not a folder.
  bool exists(std::string_view name, double scaleFactor) const;

  const GameFolder& folder() const { return folder_; }

 private:
  struct Opened {
    std::optional<EntryReader> reader;
    std::string error;  // why it failed, for the caller's own report
  };
  Opened openEntry(std::string_view name);
  Opened openArchived(std::string_view name, std::uint64_t key, const ArchiveEntry& entry);
  Opened openLoose(std::string_view name);
  std::optional<std::string> findLoose(std::string_view name) const;
  bool readAll(EntryReader& reader, std::string_view name, void* out, std::uint32_t size,
               const char* operation);

  GameFolder folder_;
  const ArchiveDirectory& archives_;
  util::Reporter& reporter_;
  util::GrowingBuffer shared_;
};

}  // namespace tsuzuri::assets
