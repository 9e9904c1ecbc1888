#include "assets/file_access.h"

#include <cerrno>
#include <limits>

#include "assets/scramble.h"
#include "util/crc.h"
#include "util/sjis.h"

namespace tsuzuri::assets {
namespace {

// name[i] as the archive format uses it: a byte of the name taken as 0…255,
// with the terminating NUL past the end.
std::uint32_t nameByte(std::string_view name, std::size_t i) {
  return i < name.size() ? static_cast<unsigned char>(name[i]) : 0U;
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

// A name that is a path on its own: "C:/…" as Windows games write it, or a
// Unix absolute path, which plug-ins build from the folders the engine gives them.
bool isAbsoluteName(std::string_view name) {
  return containsDriveColon(name) || (!name.empty() && name.front() == '/');
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
  const std::uint32_t offset = entry.offset ^ nameByte(name, name.size() / 2);
  const std::uint32_t size = entry.size ^ nameByte(name, name.size() / 4);
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
  return platform::findFile(isAbsoluteName(name) ? std::string_view{} : folder_.native, name);
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
  return std::move(openEntry(name).reader);
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
  // A prefix longer than the file reads the whole file rather than
  // handing back bytes that were never read.
  *size = requested != 0 ? std::min(requested, reader.size()) : reader.size();
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
  const std::string slashed = util::toForwardSlashes(name);
  if (archives_.present() && archives_.find(util::crc64_hash2(slashed)) != nullptr) return true;
  std::string resolved = resolveHighResolution(slashed, scaleFactor).name;
  if (!resolved.empty() && resolved.back() == '/') resolved.pop_back();
  const auto loose = findLoose(resolved);
  return loose && platform::fileKind(*loose) == platform::FileKind::kFile;
}

}  // namespace tsuzuri::assets
