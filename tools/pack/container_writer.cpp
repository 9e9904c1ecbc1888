#include "pack/container_writer.h"

#include <zlib.h>

#include <limits>
#include <unordered_set>

#include "assets/archive_directory.h"
#include "assets/container_index.h"
#include "assets/scramble.h"
#include "platform/files.h"
#include "script/script_entry.h"
#include "util/crc.h"
#include "util/display_name.h"
#include "util/sjis.h"

namespace tsuzuri::pack {
namespace {

constexpr std::uint64_t kMaxContainer = std::numeric_limits<std::uint32_t>::max();

void putLe32(std::string& out, std::uint32_t v) {
  for (int k = 0; k < 4; ++k) out.push_back(static_cast<char>(v >> (8 * k)));
}

// One index entry: the hash, then the flag and three words XORed with its low half.
void putIndexEntry(std::string& out, std::uint64_t key, std::uint8_t flag, std::uint32_t a,
                   std::uint32_t b, std::uint32_t c) {
  const auto low = static_cast<std::uint32_t>(key);
  putLe32(out, low);
  putLe32(out, static_cast<std::uint32_t>(key >> 32));
  out.push_back(static_cast<char>(flag ^ (low & 0xFFU)));
  putLe32(out, a ^ low);
  putLe32(out, b ^ low);
  putLe32(out, c ^ low);
}

bool uniqueHashes(const std::vector<std::string>& names, std::string& error) {
  std::unordered_set<std::uint64_t> seen;
  for (const auto& name : names) {
    if (!seen.insert(util::crc64_hash2(name)).second) {
      error = "two entries share the hash " + util::hashDisplayName(util::crc64_hash2(name)) +
              " (one of them is " + util::sjisToUtf8(name) + ")";
      return false;
    }
  }
  return true;
}

std::string compress(const std::string& text, std::string& error) {
  uLongf length = compressBound(static_cast<uLong>(text.size()));
  std::string packed(length, '\0');
  if (compress2(reinterpret_cast<Bytef*>(packed.data()), &length,
                reinterpret_cast<const Bytef*>(text.data()), static_cast<uLong>(text.size()),
                Z_BEST_COMPRESSION) != Z_OK) {
    error = "zlib could not compress a script";
    return {};
  }
  packed.resize(length);
  return packed;
}

}  // namespace

std::optional<std::string> buildScriptContainer(const std::vector<ScriptSource>& scripts,
                                                std::uint32_t titleKey, std::string& error) {
  std::vector<std::string> names;
  for (const auto& s : scripts) names.push_back(s.name);
  if (!uniqueHashes(names, error)) return std::nullopt;

  std::vector<std::string> packed;
  std::uint64_t offset = assets::kIndexHeaderSize + scripts.size() * assets::kIndexEntrySize;
  for (const auto& s : scripts) {
    if (s.text.size() > kMaxContainer) {
      error = util::sjisToUtf8(s.name) + " is larger than 4 GiB";
      return std::nullopt;
    }
    std::string data = compress(s.text, error);
    if (!error.empty()) return std::nullopt;
    const std::uint64_t key = util::crc64_hash2(s.name);
    script::scrambleEntryWords({reinterpret_cast<std::uint8_t*>(data.data()), data.size()},
                               script::entryWord(key, titleKey));
    offset += data.size();
    packed.push_back(std::move(data));
  }
  if (offset > kMaxContainer) {
    error = "the scripts do not fit in one container of 4 GiB";
    return std::nullopt;
  }

  std::string out;
  out.reserve(static_cast<std::size_t>(offset));
  putLe32(out, static_cast<std::uint32_t>(scripts.size()) ^ assets::kContainerKey);
  std::uint32_t at = static_cast<std::uint32_t>(assets::kIndexHeaderSize +
                                                scripts.size() * assets::kIndexEntrySize);
  for (std::size_t i = 0; i < scripts.size(); ++i) {
    const auto packedSize = static_cast<std::uint32_t>(packed[i].size());
    putIndexEntry(out, util::crc64_hash2(scripts[i].name), 0, at, packedSize,
                  static_cast<std::uint32_t>(scripts[i].text.size()));
    at += packedSize;
  }
  for (const auto& data : packed) out += data;
  return out;
}

bool writeArchive(const std::string& path, const std::vector<ArchiveFile>& files, bool scramble,
                  std::string& error) {
  std::vector<std::string> names;
  for (const auto& f : files) names.push_back(f.name);
  if (!uniqueHashes(names, error)) return false;

  // Sizes first, so that the index can be written ahead of the data.
  std::vector<std::uint32_t> sizes;
  std::uint64_t end = assets::kIndexHeaderSize + files.size() * assets::kIndexEntrySize;
  for (const auto& f : files) {
    const platform::FileHandle file = platform::openForReading(f.sourcePath);
    const auto length = file ? platform::fileLength(file.get()) : std::nullopt;
    if (!length) {
      error = f.sourcePath + ": " + platform::systemErrorText(errno);
      return false;
    }
    end += *length;
    if (end > kMaxContainer) {
      error = "the files do not fit in one archive of 4 GiB; split them over arc0.dat, arc1.dat …";
      return false;
    }
    sizes.push_back(static_cast<std::uint32_t>(*length));
  }

  std::string index;
  putLe32(index, static_cast<std::uint32_t>(files.size()) ^ assets::kContainerKey);
  auto at =
      static_cast<std::uint32_t>(assets::kIndexHeaderSize + files.size() * assets::kIndexEntrySize);
  for (std::size_t i = 0; i < files.size(); ++i) {
    const std::string& name = files[i].name;
    const auto stored = assets::combineWithName({at, sizes[i]}, name);
    putIndexEntry(index, util::crc64_hash2(name), scramble ? 1 : 0, stored.offset, stored.size,
                  sizes[i]);
    at += sizes[i];
  }

  platform::AtomicFile out(path);
  if (!out.write(index)) {
    error = path + ": " + platform::systemErrorText(errno);
    return false;
  }
  for (std::size_t i = 0; i < files.size(); ++i) {
    std::string data(sizes[i], '\0');
    const platform::FileHandle file = platform::openForReading(files[i].sourcePath);
    if (!file || std::fread(data.data(), 1, data.size(), file.get()) != data.size()) {
      error = files[i].sourcePath + ": the file changed or could not be read while packing";
      return false;
    }
    if (scramble) {
      assets::scrambleWithName({reinterpret_cast<std::uint8_t*>(data.data()), data.size()},
                               files[i].name);
    }
    if (!out.write(data)) {
      error = path + ": " + platform::systemErrorText(errno);
      return false;
    }
  }
  if (!out.commit()) {
    error = path + ": " + platform::systemErrorText(errno);
    return false;
  }
  return true;
}

}  // namespace tsuzuri::pack
