#include "core/title_choice.h"

#include <cstdio>
#include <new>
#include <span>
#include <vector>

#include "assets/container_index.h"
#include "platform/files.h"
#include "script/interpreter.h"
#include "script/script_entry.h"
#include "script/title_key_search.h"
#include "util/sjis.h"

namespace tsuzuri::core {

namespace {

std::optional<std::vector<std::uint8_t>> readContainer(const std::string& path) {
  platform::FileHandle file = platform::openForReading(path);
  if (!file) return std::nullopt;
  const std::uint64_t length = platform::fileLength(file.get()).value_or(0);
  std::vector<std::uint8_t> bytes;
  try {
    bytes.resize(static_cast<std::size_t>(length));
  } catch (const std::bad_alloc&) {
    return std::nullopt;  // start-up then reports what it can of the file
  }
  if (std::fread(bytes.data(), 1, bytes.size(), file.get()) != bytes.size()) return std::nullopt;
  return bytes;
}

// Whether `key` decodes the start script, or the first entry when there is
// none.
bool decodes(std::span<const std::uint8_t> bytes, const assets::ContainerIndex& index,
             std::uint32_t key) {
  const assets::IndexRecord* chosen = nullptr;
  for (const assets::IndexRecord& record : index.records) {
    if (record.key == script::startScriptHash()) chosen = &record;
  }
  if (chosen == nullptr && !index.records.empty()) chosen = &index.records.front();
  if (chosen == nullptr) return true;  // nothing to tell; start-up reports the empty index
  if (std::uint64_t{chosen->offset} + chosen->size > bytes.size()) return true;
  return script::decodeEntry(bytes.subspan(chosen->offset, chosen->size), chosen->key, key,
                             chosen->extra)
      .has_value();
}

}  // namespace

std::string folderTitle(const assets::GameFolder& folder) {
  std::string_view path = folder.sjis;
  while (!path.empty() && path.back() == '/') path.remove_suffix(1);
  const std::size_t slash = path.rfind('/');
  return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

TitleChoice chooseTitle(const assets::GameFolder& folder, const std::optional<std::string>& title,
                        std::optional<std::uint32_t> key, std::string_view defaultTitle) {
  if (key) return TitleChoice{*key, folderTitle(folder), std::nullopt};
  if (title) return TitleChoice{script::titleKey(*title), *title, std::nullopt};

  TitleChoice choice{script::titleKey(defaultTitle), std::string(defaultTitle), std::nullopt};
  const auto bytes = readContainer(folder.native + "script.dat");
  if (!bytes) return choice;
  const assets::ContainerIndex index = assets::decodeContainerIndex(*bytes);
  if (index.truncated || decodes(*bytes, index, choice.key)) return choice;
  const auto found = script::findTitleKey(*bytes, index);
  if (!found) return choice;
  char hex[9];
  static_cast<void>(std::snprintf(hex, sizeof hex, "%08X", *found));
  choice.key = *found;
  choice.title = folderTitle(folder);
  choice.notice = "script.dat is not keyed with the title \"" + util::sjisToUtf8(defaultTitle) +
                  "\"; its key " + hex + " was recovered, and the game runs as \"" +
                  util::sjisToUtf8(choice.title) + "\"";
  return choice;
}

}  // namespace tsuzuri::core
