#include "platform/files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <vector>

#include "platform/name_match.h"
#include "util/sjis.h"
#include "util/utf8_check.h"

namespace tsuzuri::platform {
namespace fs = std::filesystem;

FileHandle openForReading(const std::string& path) {
  return FileHandle(std::fopen(path.c_str(), "rb"));
}

std::optional<std::vector<std::uint8_t>> readWholeFile(const std::string& path) {
  FileHandle file = openForReading(path);
  if (!file) return std::nullopt;
  std::vector<std::uint8_t> bytes;
  std::array<std::uint8_t, 65536> buffer{};
  std::size_t n = 0;
  while ((n = std::fread(buffer.data(), 1, buffer.size(), file.get())) > 0) {
    bytes.insert(bytes.end(), buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(n));
  }
  if (std::ferror(file.get()) != 0) return std::nullopt;
  return bytes;
}

std::optional<std::uint64_t> fileLength(std::FILE* file) {
  const off_t here = ftello(file);
  if (here < 0 || fseeko(file, 0, SEEK_END) != 0) return std::nullopt;
  const off_t end = ftello(file);
  if (fseeko(file, here, SEEK_SET) != 0 || end < 0) return std::nullopt;
  return static_cast<std::uint64_t>(end);
}

bool seekTo(std::FILE* file, std::uint64_t position) {
  if (position > static_cast<std::uint64_t>(INT64_MAX)) return false;
  return fseeko(file, static_cast<off_t>(position), SEEK_SET) == 0;
}

std::string systemErrorText(int error) {
  char buffer[256];
  // The GNU strerror_r returns the text, which may or may not live in buffer.
  return strerror_r(error, buffer, sizeof buffer);
}

std::optional<std::string> executablePath() {
  std::error_code ec;
  const fs::path path = fs::read_symlink("/proc/self/exe", ec);
  if (ec) return std::nullopt;
  return path.string();
}

namespace {

// A link is written through: the file it names is the one replaced.
std::string throughLinks(std::string path) {
  struct stat info {};
  if (::lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return path;
  char* resolved = ::realpath(path.c_str(), nullptr);
  if (resolved == nullptr) return path;
  std::string target(resolved);
  std::free(resolved);  // NOLINT(cppcoreguidelines-no-malloc): realpath allocates
  return target;
}

}  // namespace

AtomicFile::AtomicFile(std::string path)
    : path_(throughLinks(std::move(path))), temporary_(path_ + ".XXXXXX") {
  // A file the player made read-only is not replaced, as it would not be
  // overwritten in place either.
  struct stat info {};
  if (::stat(path_.c_str(), &info) == 0) {
    if (::access(path_.c_str(), W_OK) != 0) return;
    mode_ = static_cast<int>(info.st_mode & 07777);
  }
  fd_ = ::mkstemp(temporary_.data());
}

AtomicFile::~AtomicFile() {
  abandon();
}

void AtomicFile::abandon() {
  if (fd_ < 0) return;
  const int error = errno;
  ::close(fd_);
  ::unlink(temporary_.c_str());
  fd_ = -1;
  errno = error;
}

bool AtomicFile::write(std::string_view data) {
  std::size_t written = 0;
  while (fd_ >= 0 && written < data.size()) {
    const ssize_t n = ::write(fd_, data.data() + written, data.size() - written);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      abandon();
      return false;
    }
    written += static_cast<std::size_t>(n);
  }
  return fd_ >= 0;
}

bool AtomicFile::commit() {
  if (fd_ < 0) return false;
  // mkstemp makes the file private; the finished file keeps the permissions
  // of the one it replaces, or gets the usual ones.
  mode_t mode = 0;
  if (mode_ >= 0) {
    mode = static_cast<mode_t>(mode_);
  } else {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    mode = 0666 & ~mask;
  }
  if (::fchmod(fd_, mode) != 0 || ::fsync(fd_) != 0) {
    abandon();
    return false;
  }
  const int fd = fd_;
  fd_ = -1;
  if (::close(fd) != 0 || std::rename(temporary_.c_str(), path_.c_str()) != 0) {
    const int error = errno;
    ::unlink(temporary_.c_str());
    errno = error;
    return false;
  }
  return true;
}

bool writeFileAtomically(const std::string& path, std::string_view data) {
  AtomicFile file(path);
  return file.write(data) && file.commit();
}

namespace {

// The value of XDG_DOCUMENTS_DIR in a user-dirs.dirs file: a line
// XDG_DOCUMENTS_DIR="$HOME/Documents", where "$HOME/" may start the value.
std::optional<std::string> xdgDocuments(const std::string& configFile, const std::string& home) {
  FileHandle file = openForReading(configFile);
  if (!file) return std::nullopt;
  char line[4096];
  constexpr std::string_view kKey = "XDG_DOCUMENTS_DIR=\"";
  while (std::fgets(line, sizeof line, file.get()) != nullptr) {
    std::string_view text(line);
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    if (!text.starts_with(kKey)) continue;
    text.remove_prefix(kKey.size());
    const std::size_t close = text.find('"');
    if (close == std::string_view::npos) return std::nullopt;
    text = text.substr(0, close);
    std::string value;
    if (text.starts_with("$HOME")) {
      value = home + std::string(text.substr(5));
    } else if (text.starts_with("/")) {
      value = std::string(text);
    } else {
      return std::nullopt;
    }
    while (value.size() > 1 && value.back() == '/') value.pop_back();
    return value;
  }
  return std::nullopt;
}

}  // namespace

std::optional<std::string> documentsFolder() {
  const char* home = std::getenv("HOME");  // NOLINT(concurrency-mt-unsafe): read at one moment
  if (home == nullptr || *home == '\0') return std::nullopt;
  std::string homePath(home);
  while (homePath.size() > 1 && homePath.back() == '/') homePath.pop_back();
  const char* config = std::getenv("XDG_CONFIG_HOME");  // NOLINT(concurrency-mt-unsafe)
  const std::string configFolder =
      config != nullptr && *config == '/' ? std::string(config) : homePath + "/.config";
  if (auto documents = xdgDocuments(configFolder + "/user-dirs.dirs", homePath)) return documents;
  return homePath + "/Documents";
}

bool createDirectories(const std::string& path) {
  std::error_code ec;
  fs::create_directories(path, ec);
  return fs::is_directory(path, ec);
}

bool changeCurrentDirectory(const std::string& path) {
  return ::chdir(path.c_str()) == 0;
}

FileKind fileKind(const std::string& path) {
  std::error_code ec;
  const auto status = fs::status(path, ec);
  if (ec || !fs::exists(status)) return FileKind::kMissing;
  return fs::is_directory(status) ? FileKind::kDirectory : FileKind::kFile;
}

std::optional<std::int64_t> modificationTime(const std::string& path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) return std::nullopt;
  return std::int64_t{info.st_mtim.tv_sec} * 1000000000 + info.st_mtim.tv_nsec;
}

namespace {

bool exists(const std::string& path) {
  return fileKind(path) != FileKind::kMissing;
}

// Splits at `\` and `/`, never inside a double-byte character, dropping
// empty and "." components.
std::vector<std::string_view> splitComponents(std::string_view name) {
  std::vector<std::string_view> parts;
  const auto keep = [&parts](std::string_view part) {
    if (!part.empty() && part != ".") parts.push_back(part);
  };
  std::size_t start = 0;
  std::size_t i = 0;
  while (i < name.size()) {
    const auto b = static_cast<unsigned char>(name[i]);
    if (util::isSjisLeadByte(b)) {
      i += 2;
      continue;
    }
    if (b == '/' || b == '\\') {
      keep(name.substr(start, i - start));
      start = i + 1;
    }
    ++i;
  }
  keep(name.substr(start));
  return parts;
}

// The entry of `directory` that `component` (Shift_JIS) names: one spelled
// exactly so (in its bytes or in UTF-8) when there is one, else the smallest
// name that folds to the same, so that the choice does not depend on the
// order of the listing.
std::optional<std::string> matchInDirectory(const std::string& directory,
                                            std::string_view component) {
  std::error_code ec;
  fs::directory_iterator it(directory.empty() ? "." : directory, ec);
  if (ec) return std::nullopt;
  const std::u16string wanted = foldSjisName(component);
  const std::string utf8 = util::sjisToUtf8(component);
  std::optional<std::string> best;
  // Stepped by hand: a read error halfway through the listing ends the
  // search instead of throwing.
  for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
    std::string name = it->path().filename().string();
    if (name == component || name == utf8) return name;
    if (foldDiskName(name) == wanted && (!best || name < *best)) best = std::move(name);
  }
  return best;
}

std::optional<std::string> findIgnoringCase(std::string_view folder, std::string_view sjisName) {
  std::string path(folder);
  const bool absolute = !sjisName.empty() && (sjisName.front() == '/' || sjisName.front() == '\\');
  if (path.empty() && absolute) path.push_back('/');
  for (const auto part : splitComponents(sjisName)) {
    if (!path.empty() && path.back() != '/') path.push_back('/');
    if (part == "..") {
      path += "..";
      continue;
    }
    auto match = matchInDirectory(path, part);
    if (!match) return std::nullopt;
    path += *match;
  }
  return exists(path) ? std::optional<std::string>(path) : std::nullopt;
}

}  // namespace

std::optional<std::string> findFile(std::string_view folder, std::string_view sjisName) {
  if (sjisName.empty() || sjisName.find('\0') != std::string_view::npos) return std::nullopt;
  std::string raw(folder);
  raw += sjisName;
  if (exists(raw)) return raw;
  std::string converted(folder);
  converted += util::sjisToUtf8(sjisName);
  // An undefined character converts to U+0000, which would cut the path short.
  if (converted != raw && converted.find('\0') == std::string::npos && exists(converted)) {
    return converted;
  }
  return findIgnoringCase(folder, sjisName);
}

}  // namespace tsuzuri::platform

namespace tsuzuri::platform {

std::optional<std::string> pathForWriting(std::string_view folder, std::string_view sjisName) {
  if (sjisName.empty() || sjisName.find('\0') != std::string_view::npos) return std::nullopt;
  std::string path(folder);
  const bool absolute = sjisName.front() == '/' || sjisName.front() == '\\';
  if (path.empty() && absolute) path.push_back('/');
  const auto parts = splitComponents(sjisName);
  // "/" or "./": the folder itself.
  if (parts.empty()) return path.empty() ? std::string(".") : path;
  // Existing components are looked up until the first one that is missing;
  // everything below that is new.
  bool existing = true;
  for (const auto part : parts) {
    if (!path.empty() && path.back() != '/') path.push_back('/');
    if (part == "..") {
      path += "..";
      continue;
    }
    if (existing) {
      if (auto match = matchInDirectory(path, part)) {
        path += *match;
        continue;
      }
      existing = false;
    }
    std::string utf8 = util::sjisToUtf8(part);
    // A code that has no Unicode counterpart (a user-defined character)
    // converts to U+0000; such a name keeps its Shift_JIS bytes, which
    // findFile finds again.
    if (utf8.find('\0') != std::string::npos) utf8.assign(part);
    path += utf8;
  }
  return path;
}

std::optional<std::string> sjisFromDiskName(std::string_view name) {
  if (util::isWellFormedUtf8(name)) return util::utf8ToSjisStrict(name);
  return std::string(name);
}

std::optional<std::vector<DirectoryEntry>> listDirectory(const std::string& path) {
  std::error_code ec;
  fs::directory_iterator it(path.empty() ? "." : path, ec);
  if (ec) return std::nullopt;
  std::vector<DirectoryEntry> entries;
  for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
    std::error_code statusError;
    const fs::file_status status = it->status(statusError);
    if (statusError || !fs::exists(status)) continue;
    entries.push_back(
        {it->path().filename().string(), fs::is_directory(status), it->is_symlink(statusError)});
  }
  if (ec) return std::nullopt;
  return entries;
}

namespace {

// `*` any run of units, `?` one unit, everything else itself.
bool wildcardMatch(std::u16string_view pattern, std::u16string_view name) {
  std::size_t p = 0;
  std::size_t n = 0;
  std::size_t star = std::u16string_view::npos;
  std::size_t resume = 0;
  while (n < name.size()) {
    if (p < pattern.size() && pattern[p] == u'*') {
      star = p++;
      resume = n;
    } else if (p < pattern.size() && (pattern[p] == u'?' || pattern[p] == name[n])) {
      ++p;
      ++n;
    } else if (star != std::u16string_view::npos) {
      p = star + 1;
      n = ++resume;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == u'*') ++p;
  return p == pattern.size();
}

}  // namespace

bool matchesWildcard(std::string_view sjisPattern, std::string_view diskName) {
  const std::u16string pattern = foldSjisName(sjisPattern);
  const std::u16string name = foldDiskName(diskName);
  if (wildcardMatch(pattern, name)) return true;
  if (name.find(u'.') != std::u16string::npos) return false;
  const std::u16string_view p(pattern);
  if (p.ends_with(u".*")) return wildcardMatch(p.substr(0, p.size() - 2), name);
  if (p.ends_with(u".")) return wildcardMatch(p.substr(0, p.size() - 1), name);
  return false;
}

bool copyFile(const std::string& from, const std::string& to) {
  const FileHandle in = openForReading(from);
  if (!in) return false;
  struct stat status {};
  if (::fstat(::fileno(in.get()), &status) != 0) return false;
  if (S_ISDIR(status.st_mode)) {
    errno = EISDIR;
    return false;
  }
  AtomicFile out(to);
  if (!out.ok()) return false;
  std::vector<char> buffer(std::size_t{1} << 16);
  for (;;) {
    const std::size_t n = std::fread(buffer.data(), 1, buffer.size(), in.get());
    if (n == 0) {
      if (std::ferror(in.get()) != 0) {
        if (errno == 0) errno = EIO;
        return false;
      }
      break;
    }
    if (!out.write(std::string_view(buffer.data(), n))) return false;
  }
  return out.commit();
}

bool moveFile(const std::string& from, const std::string& to) {
  if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) {
    return true;
  }
  if (errno == EINVAL || errno == ENOSYS) {
    // A file system without renames that refuse to replace.
    if (fileKind(to) != FileKind::kMissing) {
      errno = EEXIST;
      return false;
    }
    if (std::rename(from.c_str(), to.c_str()) == 0) return true;
  }
  if (errno != EXDEV) return false;
  // Across file systems only files are moved, by copying them.
  if (fileKind(from) != FileKind::kFile) return false;
  if (fileKind(to) != FileKind::kMissing) {
    errno = EEXIST;
    return false;
  }
  if (!copyFile(from, to)) return false;
  if (::unlink(from.c_str()) != 0) {
    const int error = errno;
    ::unlink(to.c_str());
    errno = error;
    return false;
  }
  return true;
}

bool deleteFile(const std::string& path) {
  return ::unlink(path.c_str()) == 0;
}

bool appendToFile(const std::string& path, std::string_view data) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0666);
  if (fd < 0) return false;
  std::size_t written = 0;
  while (written < data.size()) {
    const ssize_t n = ::write(fd, data.data() + written, data.size() - written);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      const int error = n < 0 ? errno : EIO;
      ::close(fd);
      errno = error;
      return false;
    }
    written += static_cast<std::size_t>(n);
  }
  return ::close(fd) == 0;
}

}  // namespace tsuzuri::platform
