// The packer's list and extract commands.

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <iomanip>
#include <iostream>
#include <set>

#include "assets/archive_directory.h"
#include "assets/scramble.h"
#include "pack/pack_names.h"
#include "pack/pack_options.h"
#include "platform/files.h"
#include "script/script_entry.h"
#include "util/display_name.h"
#include "util/sjis.h"

namespace tsuzuri::pack {
namespace fs = std::filesystem;

namespace {

// Names the packer tries on its own: the scripts games are built from.
constexpr int kGuessedScripts = 9999;

// An index entry with whatever could be learned about it.
struct Entry {
  assets::IndexRecord record;
  std::optional<std::string> name;
  // Where its bytes are and how many are stored; for archives these are
  // known only with the name or from a layout this packer wrote.
  std::optional<std::uint64_t> offset;
  std::optional<std::uint32_t> stored;
  std::optional<std::uint32_t> size;  // after unpacking (scripts) or as read (archives)
};

// Archives written by this packer hold their data back to back in index
// order and keep each entry's true size in the spare word. When the whole
// file agrees with that reading, the entries need no names to be located.
void inferArchiveLayout(std::vector<Entry>& entries, const assets::ContainerIndex& index,
                        std::uint64_t length) {
  std::uint64_t at = index.dataStart;
  for (const Entry& e : entries) {
    const std::uint32_t size = e.record.extra;
    // The stored values may differ from the true ones in their low byte only.
    if ((at ^ e.record.offset) > 0xFF || (size ^ e.record.size) > 0xFF) return;
    if (e.offset && (*e.offset != at || *e.stored != size)) return;
    at += size;
  }
  if (at != length) return;
  at = index.dataStart;
  for (Entry& e : entries) {
    e.offset = at;
    e.stored = e.size = e.record.extra;
    at += e.record.extra;
  }
}

std::vector<Entry> describeEntries(const OpenedContainer& container, bool isScript,
                                   const NameBook& names) {
  std::vector<Entry> entries;
  bool allNamed = true;
  for (const auto& record : container.index.records) {
    Entry e{record, {}, {}, {}, {}};
    if (const std::string* known = names.find(record.key)) e.name = *known;
    if (isScript) {
      e.offset = record.offset;
      e.stored = record.size;
      e.size = record.extra;
    } else if (e.name) {
      const auto extent = assets::combineWithName({record.offset, record.size}, *e.name);
      e.offset = extent.offset;
      e.stored = e.size = extent.size;
    } else {
      allNamed = false;
    }
    entries.push_back(e);
  }
  if (!isScript && !allNamed) inferArchiveLayout(entries, container.index, container.length);
  std::sort(entries.begin(), entries.end(),
            [](const Entry& a, const Entry& b) { return a.record.offset < b.record.offset; });
  return entries;
}

std::optional<NameBook> gatherNames(const PackOptions& options, std::ostream& err) {
  NameBook names;
  names.addScriptNames(kGuessedScripts);
  if (options.names) {
    std::string error;
    if (!names.addList(*options.names, error)) {
      err << "tsuzuri-pack: " << error << "\n";
      return std::nullopt;
    }
  }
  return names;
}

// The bytes of an entry as the engine would read them.
std::optional<std::string> entryContents(const OpenedContainer& container, const Entry& e,
                                         bool isScript, std::uint32_t title, std::string& why) {
  if (!e.offset || !e.stored) {
    why = "its name is needed to find it (give it with --names)";
    return std::nullopt;
  }
  auto bytes = readRange(container, *e.offset, *e.stored);
  if (!bytes) {
    why = "it lies beyond the end of the file";
    return std::nullopt;
  }
  auto* data = reinterpret_cast<std::uint8_t*>(bytes->data());
  if (!isScript) {
    if (e.record.flag != 0) {
      if (!e.name) {
        why = "it is scrambled with its name, which is needed (give it with --names)";
        return std::nullopt;
      }
      assets::scrambleWithName({data, bytes->size()}, *e.name);
    }
    return bytes;
  }
  auto text = script::decodeEntry({data, bytes->size()}, e.record.key, title, *e.size);
  if (!text) why = "it does not decode (wrong title or key, or damaged)";
  return text;
}

std::string sizeText(const std::optional<std::uint32_t>& size) {
  return size ? std::to_string(*size) : "?";
}

// What list and extract both start from: the container's entries, named
// where possible, and the title key to decode scripts with.
struct Inspection {
  OpenedContainer container;
  bool isScript = false;
  std::uint32_t title = 0;
  std::vector<Entry> entries;
};

std::optional<Inspection> inspect(const PackOptions& options, std::ostream& err) {
  const std::string& path = options.positional[0];
  std::string error;
  const auto title = chosenTitleKey(options, error);
  if (!title) {
    err << "tsuzuri-pack: " << error << "\n";
    return std::nullopt;
  }
  const auto names = gatherNames(options, err);
  auto container = names ? openContainer(path, err) : std::nullopt;
  if (!container) return std::nullopt;
  Inspection result{std::move(*container), looksLikeScriptContainer(options, path), *title, {}};
  result.entries = describeEntries(result.container, result.isScript, *names);
  return result;
}

}  // namespace

int runList(const PackOptions& options, std::ostream& out, std::ostream& err) {
  if (options.positional.size() != 1) {
    err << "tsuzuri-pack: list takes FILE\n";
    return 2;
  }
  const auto inspection = inspect(options, err);
  if (!inspection) return 1;
  const auto& [container, isScript, title, entries] = *inspection;
  // A key given on purpose is checked against every script.
  const bool checkKey = isScript && (options.title || options.key);
  int undecodable = 0;
  out << std::left << std::setw(14) << "hash" << std::right << std::setw(11) << "stored"
      << std::setw(11) << "size"
      << "  name\n";
  for (const Entry& e : entries) {
    out << std::left << std::setw(14) << util::hashDisplayName(e.record.key) << std::right
        << std::setw(11) << sizeText(e.stored) << std::setw(11) << sizeText(e.size) << "  "
        << (e.name ? util::sjisToUtf8(*e.name) : "");
    if (!isScript && e.record.flag != 0) out << " (scrambled)";
    std::string why;
    if (checkKey && !entryContents(container, e, true, title, why)) {
      out << " [" << why << "]";
      ++undecodable;
    }
    out << "\n";
  }
  if (undecodable > 0)
    err << "tsuzuri-pack: " << undecodable << " scripts do not decode with this key\n";
  return container.index.truncated || undecodable > 0 ? 1 : 0;
}

int runExtract(const PackOptions& options, std::ostream& out, std::ostream& err) {
  if (options.positional.size() != 2) {
    err << "tsuzuri-pack: extract takes FILE and DEST\n";
    return 2;
  }
  const fs::path dest = options.positional[1];
  const auto inspection = inspect(options, err);
  if (!inspection) return 1;
  const auto& [container, isScript, title, entries] = *inspection;
  int written = 0;
  int failed = 0;
  // Names that differ only in their separators, or that equal another entry's
  // hash, would land on one path; the later entry then goes under its hash.
  std::set<std::string> taken;
  for (const Entry& e : entries) {
    const std::string hash = util::hashDisplayName(e.record.key);
    std::string why;
    auto contents = entryContents(container, e, isScript, title, why);
    if (!contents) {
      err << "tsuzuri-pack: " << hash << ": not extracted: " << why << "\n";
      ++failed;
      continue;
    }
    if (isScript && options.utf8) *contents = util::sjisToUtf8(*contents);
    std::optional<std::string> relative = e.name ? extractionPath(*e.name) : std::nullopt;
    if (e.name && !relative) {
      err << "tsuzuri-pack: " << hash << ": its name cannot be a path under " << dest.string()
          << "; written under its hash\n";
    }
    if (relative && taken.contains(*relative)) {
      err << "tsuzuri-pack: " << hash << ": " << *relative
          << " was already written by another entry; written under its hash\n";
      relative.reset();
    }
    if (!relative && taken.contains(hash)) {
      err << "tsuzuri-pack: " << hash << ": not extracted: its path is taken by another entry\n";
      ++failed;
      continue;
    }
    const fs::path target = dest / relative.value_or(hash);
    taken.insert(relative.value_or(hash));
    if (!platform::createDirectories(target.parent_path().string()) ||
        !platform::writeFileAtomically(target.string(), *contents)) {
      err << "tsuzuri-pack: " << target.string() << ": " << platform::systemErrorText(errno)
          << "\n";
      ++failed;
      continue;
    }
    ++written;
  }
  out << "extracted " << written << " entries into " << dest.string() << "\n";
  return container.index.truncated || failed > 0 ? 1 : 0;
}

}  // namespace tsuzuri::pack
