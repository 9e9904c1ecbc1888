#pragma once

// Writers of the engine's two containers. Each entry is named by its
// Shift_JIS path; the containers store only the names' 64-bit hashes.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tsuzuri::pack {

struct ScriptSource {
  std::string name;  // Shift_JIS, "/" separated: "script/0.txt"
  std::string text;  // Shift_JIS script text
};

// A script.dat image: the index, then each entry zlib-compressed and
// scrambled with its hash and the title key. Fails (with `error` set) when
// two names share a hash or the container would pass 4 GiB.
std::optional<std::string> buildScriptContainer(const std::vector<ScriptSource>& scripts,
                                                std::uint32_t titleKey, std::string& error);

struct ArchiveFile {
  std::string name;        // Shift_JIS, as the game asks for it: "bg/room.png"
  std::string sourcePath;  // native path of the file's contents
};

// Writes an arcN.dat to `path` (through a temporary file), reading each file
// once. With `scramble`, every entry's bytes are scrambled with its name.
// The spare word of each entry holds its true size, which lets `list` and
// `extract` recover sizes of entries whose names they are not told.
bool writeArchive(const std::string& path, const std::vector<ArchiveFile>& files, bool scramble,
                  std::string& error);

}  // namespace tsuzuri::pack
