#include "assets/file_access.h"

#include <cerrno>
#include <limits>

#include "assets/scramble.h"
#include "util/crc.h"
#include "util/sjis.h"

namespace tsuzuri::assets {
namespace {

// Names reach the engine as C strings: a name with an embedded NUL ends there,
// for the hash as for the file system.
std::string_view untilNul(std::string_view name) {
  return name.substr(0, name.find('\0'));
}

bool containsDriveColon(std::string_view name) {
  for (std::size_t i = 0; i < name.size(); ++i) {
    const auto b = static_cast<unsigned char>(name[i]);
    if (util::isSjisLeadByte(b)) {
      ++i;
    } else if (b == ':') {
      return true;
    }
  }
  return false;
}

// A name with a drive ("C:/…") is a path on its own; everything else lives
// under the game folder.
bool isAbsoluteName(std::string_view name) {
  return containsDriveColon(name);
}

}  // namespace

std::size_t EntryReader::read(void* out, std::size_t count) {
  const std::size_t wanted = std::min<std::size_t>(count, remaining_);
  const std::size_t got = wanted == 0 ? 0 : std::fread(out, 1, wanted, file_.get());
  remaining_ -= static_cast<std::uint32_t>(got);
  return got;
}

FileAccess::Opened FileAccess::openArchived(std::string_view name, std::uint64_t key,
                                            const ArchiveEntry& entry) {
  const std::string& path = archives_.archivePath(entry.archive);
  platform::FileHandle file = platform::openForReading(path);
  if (!file) {
    const std::string error = platform::systemErrorText(errno);
    reporter_.report(std::string(name) + " " + error + "(openFile1)");
    return {std::nullopt, error};
  }
  const auto [offset, size] = combineWithName({entry.offset, entry.size}, name);
  // An entry that points outside its archive would hand out bytes that are
  // not there; it is refused instead.
  const auto length = platform::fileLength(file.get());
  if (!length || static_cast<std::uint64_t>(offset) + size > *length ||
      !platform::seekTo(file.get(), offset)) {
    const std::string error = util::toSjis(u8"アーカイブの中の位置か大きさが不正です");
    reporter_.report(std::string(name) + " " + error + "(openFile1)");
    return {std::nullopt, error};
  }
  return {EntryReader(std::move(file), key, size, entry.scrambled), {}};
}

std::optional<std::string> FileAccess::findLoose(std::string_view name) const {
  if (isAbsoluteName(name)) return platform::findFile({}, name);
  if (auto found = platform::findFile(folder_.native, name)) return found;
  // Paths that scripts and plug-ins build from the folders the engine hands
  // them ("/home/…" here, where Windows has "C:/…") are absolute on their own.
  if (!name.empty() && name.front() == '/') return platform::findFile({}, name);
  return std::nullopt;
}

FileAccess::Opened FileAccess::openLoose(std::string_view name) {
  const std::string shownPath =
      isAbsoluteName(name) ? std::string(name) : folder_.sjis + std::string(name);
  const auto fail = [&](const std::string& error) {
    reporter_.report(shownPath + " " + error + "(openFile3)");
    return Opened{std::nullopt, error};
  };
  const auto path = findLoose(name);
  if (!path) return fail(platform::systemErrorText(ENOENT));
  if (platform::fileKind(*path) == platform::FileKind::kDirectory) {
    return fail(platform::systemErrorText(EISDIR));
  }
  platform::FileHandle file = platform::openForReading(*path);
  if (!file) return fail(platform::systemErrorText(errno));
  const auto length = platform::fileLength(file.get());
  if (!length) return fail(platform::systemErrorText(errno));
  if (*length > std::numeric_limits<std::uint32_t>::max()) {
    return fail(util::toSjis(u8"ファイルが大きすぎます"));
  }
  return {EntryReader(std::move(file), 0, static_cast<std::uint32_t>(*length), false), {}};
}

FileAccess::Opened FileAccess::openEntry(std::string_view name) {
  const std::uint64_t key = util::crc64_hash2(name);
  if (archives_.present()) {
    if (const ArchiveEntry* entry = archives_.find(key)) return openArchived(name, key, *entry);
  }
  return openLoose(name);
}

std::optional<EntryReader> FileAccess::open(std::string_view name) {
  return std::move(openEntry(untilNul(name)).reader);
}

bool FileAccess::readAll(EntryReader& reader, std::string_view name, void* out, std::uint32_t size,
                         const char* operation) {
  if (reader.read(out, size) != size) {
    reporter_.report(std::string(name) + " " +
                     util::toSjis(u8"ファイルを最後まで読めませんでした") + operation);
    return false;
  }
  if (reader.scrambled()) {
    scrambleWithName({static_cast<std::uint8_t*>(out), size}, name);
  }
  return true;
}

bool FileAccess::loadFile(std::string_view name, void** buffer, std::uint32_t* size,
                          std::uint32_t* capacity) {
  name = untilNul(name);
  if (buffer == nullptr || size == nullptr) return false;
  const bool shared = buffer == &shared_.data;
  if (!shared && capacity == nullptr) return false;
  const std::uint32_t requested = *size;
  Opened opened = openEntry(name);
  if (!opened.reader) {
    reporter_.report(std::string(name) + " " + opened.error + "(loadFile)");
    return false;
  }
  EntryReader& reader = *opened.reader;
  // A prefix longer than the entry cannot be read whole, and fails below as
  // a short read instead of handing back bytes that were never read.
  *size = requested != 0 ? requested : reader.size();
  void* target;
  if (shared) {
    shared_.reserve(*size);
    target = shared_.data;
  } else {
    if (*buffer == nullptr || *capacity < *size) {
      util::alignedFree(*buffer);
      *buffer = util::alignedAllocate(*size);
      *capacity = *buffer != nullptr ? *size : 0;
    }
    target = *buffer;
  }
  if (target == nullptr) {
    reporter_.report(std::string(name) + util::toSjis(u8" メモリを確保出来ませんでした(loadFile)") +
                     std::to_string(*size));
    return false;
  }
  return readAll(reader, name, target, *size, "(loadFile)");
}

bool FileAccess::loadText(std::string_view name, std::string& out) {
  name = untilNul(name);
  Opened opened = openEntry(name);
  if (!opened.reader) return false;
  out.resize(opened.reader->size());
  return readAll(*opened.reader, name, out.data(), opened.reader->size(), "(loadText)");
}

void FileAccess::getFileMemory(void*** buffer, std::uint32_t** capacity) {
  if (buffer != nullptr) *buffer = &shared_.data;
  if (capacity != nullptr) *capacity = &shared_.capacity;
}

ResolvedName FileAccess::resolveHighResolution(std::string_view name, double scaleFactor) const {
  name = untilNul(name);
  if (scaleFactor > 1.0) {
    std::string variant = "z/" + std::string(name);
    const bool inArchive =
        archives_.present() && archives_.find(util::crc64_hash2(variant)) != nullptr;
    const auto loose = inArchive ? std::nullopt : findLoose(variant);
    if (inArchive || (loose && platform::fileKind(*loose) == platform::FileKind::kFile)) {
      return {std::move(variant), 2};
    }
  }
  return {std::string(name), 1};
}

bool FileAccess::exists(std::string_view name, double scaleFactor) const {
  const std::string slashed = util::toForwardSlashes(untilNul(name));
  if (archives_.present() && archives_.find(util::crc64_hash2(slashed)) != nullptr) return true;
  std::string resolved = resolveHighResolution(slashed, scaleFactor).name;
  if (!resolved.empty() && resolved.back() == '/') resolved.pop_back();
  const auto loose = findLoose(resolved);
  return loose && platform::fileKind(*loose) == platform::FileKind::kFile;
}

}  // namespace tsuzuri::assets
