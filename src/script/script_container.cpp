#include "script/script_container.h"

#include <cerrno>
#include <span>
#include <string>

#include "assets/container_index.h"
#include "platform/files.h"
#include "script/script_entry.h"
#include "script/script_parser.h"
#include "util/display_name.h"
#include "util/sjis.h"

namespace tsuzuri::script {

namespace {

std::string readFailure(std::uint64_t hash) {
  return util::hashDisplayName(hash) + util::toSjis(u8": スクリプトの読み込みに失敗しました");
}

}  // namespace

bool ScriptContainer::readIndexFile(std::uint32_t titleKey) {
  platform::FileHandle file = platform::openForReading(path_);
  if (!file) {
    int error = errno;
    errors_.reportPlain("loadLabel\nscript.dat " + platform::systemErrorText(error));
    return false;
  }
  opened_ = true;
  titleKey_ = titleKey;
  fileLength_ = platform::fileLength(file.get()).value_or(0);
  assets::ContainerIndex index = assets::readContainerIndex(file.get(), fileLength_);
  if (index.truncated) {
    // The entries that are there could be read, but a script the game needs
    // may be among the missing ones; start-up stops with a clear reason
    // rather than failing later in some scene.
    errors_.reportPlain(
        "loadLabel\nscript.dat " + util::toSjis(u8"スクリプトの索引が途中で切れています(") +
        std::to_string(index.records.size()) + "/" + std::to_string(index.declaredCount) + ")");
    return false;
  }
  for (const assets::IndexRecord& record : index.records) {
    auto [it, inserted] = index_.try_emplace(record.key);
    if (inserted) order_.push_back(record.key);
    it->second = record;
  }
  return true;
}

bool ScriptContainer::readIndex(std::uint32_t titleKey) {
  release();
  return readIndexFile(titleKey);
}

bool ScriptContainer::readIndexAndCollectLabels(std::uint32_t titleKey, ScriptTables& tables) {
  if (!readIndex(titleKey)) return false;
  ParsedScript lines;
  for (std::uint64_t hash : order_) {
    lines.clear();
    if (!readScript(hash, lines, tables)) return false;
    if (!collectLabels(hash, lines, tables, errors_)) return false;
  }
  return true;
}

bool ScriptContainer::readText(std::uint64_t hash, std::string& text) {
  auto found = opened_ ? index_.find(hash) : index_.end();
  if (found == index_.end()) {
    errors_.reportPlain(util::hashDisplayName(hash) +
                        util::toSjis(u8": スクリプトファイルハッシュが不正です"));
    return false;
  }
  const assets::IndexRecord& entry = found->second;
  platform::FileHandle file = platform::openForReading(path_);
  if (!file) {
    int error = errno;
    errors_.reportPlain("readScript\nscript.dat " + platform::systemErrorText(error));
    return false;
  }
  // An entry that does not lie wholly inside the file, or whose unpacked
  // size no deflate stream of its packed size could reach, cannot decode;
  // it is refused before anything is read or allocated for it.
  std::uint64_t length = platform::fileLength(file.get()).value_or(0);
  if (std::uint64_t{entry.offset} + entry.size > length ||
      !plausibleUnpackedSize(entry.size, entry.extra)) {
    errors_.reportPlain(readFailure(hash));
    return false;
  }
  std::vector<std::uint8_t> packed;
  try {
    packed.resize(entry.size);
  } catch (const std::bad_alloc&) {
    errors_.reportPlain(util::toSjis(u8"スクリプトのメモリを確保出来ませんでした"));
    return false;
  }
  if (!platform::seekTo(file.get(), entry.offset) ||
      std::fread(packed.data(), 1, packed.size(), file.get()) != packed.size()) {
    errors_.reportPlain(readFailure(hash));
    return false;
  }
  file.reset();
  scrambleEntryWords(packed, entryWord(hash, titleKey_));
  try {
    text.resize(entry.extra);
  } catch (const std::bad_alloc&) {
    errors_.reportPlain(util::toSjis(u8"スクリプトのメモリを確保出来ませんでした"));
    return false;
  }
  std::optional<std::size_t> real =
      inflateEntry(packed, std::span(reinterpret_cast<std::uint8_t*>(text.data()), text.size()));
  if (!real) {
    errors_.reportPlain(readFailure(hash));
    return false;
  }
  text.resize(*real);
  return true;
}

bool ScriptContainer::readScript(std::uint64_t hash, ParsedScript& destination,
                                 ScriptTables& tables) {
  if (!readText(hash, text_)) return false;
  commandName_.set(util::hashDisplayName(hash));
  parseScript(text_, destination, tables);
  return true;
}

void ScriptContainer::release() {
  opened_ = false;
  index_.clear();
  order_.clear();
}

}  // namespace tsuzuri::script
