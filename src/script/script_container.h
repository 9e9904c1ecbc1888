#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "assets/container_index.h"
#include "script/command_name.h"
#include "script/error_sink.h"
#include "script/script_tables.h"

namespace tsuzuri::script {

// script.dat: the index of every script, read once at start-up, and the
// reading of one script into a slot. Each read opens and closes the file
// itself. Every failure is reported (plain report with display) and gives
// false.
class ScriptContainer {
 public:
  ScriptContainer(std::string nativePath, ErrorSink& errors, CommandName& commandName)
      : path_(std::move(nativePath)), errors_(errors), commandName_(commandName) {}

  // Reads the index with the game's title key, then reads and parses every
  // script once for its labels, already-read records and display name.
  bool readIndexAndCollectLabels(std::uint32_t titleKey, ScriptTables& tables);

  // Only the index (for tools and for the title-key check).
  bool readIndex(std::uint32_t titleKey);

  bool contains(std::uint64_t hash) const { return opened_ && index_.contains(hash); }

  // Appends the parsed lines of script `hash` to `destination`.
  bool readScript(std::uint64_t hash, ParsedScript& destination, ScriptTables& tables);

  // Decodes script `hash` into `text` (its real length); the first part of
  // readScript.
  bool readText(std::uint64_t hash, std::string& text);

  // The hashes in the order the index lists them (a hash given twice keeps
  // its first place and its last values).
  const std::vector<std::uint64_t>& order() const { return order_; }

  // Releases the index (teardown).
  void release();

 private:
  bool readIndexFile(std::uint32_t titleKey);

  std::string path_;
  ErrorSink& errors_;
  CommandName& commandName_;
  bool opened_ = false;
  std::uint32_t titleKey_ = 0;
  // The archives' record type: size is the packed size, extra the unpacked.
  std::unordered_map<std::uint64_t, assets::IndexRecord> index_;
  std::vector<std::uint64_t> order_;
  std::uint64_t fileLength_ = 0;
  // The decompressed text of the last script read; reused, never shrinks.
  std::string text_;
};

}  // namespace tsuzuri::script
