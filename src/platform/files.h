#pragma once

// Files and folders as the engine needs them. Paths handed to and returned
// by these functions are native (UTF-8 on Linux); names that come from games
// are Shift_JIS bytes and are resolved through findFile.

#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tsuzuri::platform {

struct FileCloser {
  // Files closed here were only read, so a failing close loses nothing.
  void operator()(std::FILE* file) const noexcept { static_cast<void>(std::fclose(file)); }
};
using FileHandle = std::unique_ptr<std::FILE, FileCloser>;

// Opens a native path for binary reading; on failure errno says why.
FileHandle openForReading(const std::string& path);

// Reads a whole file (a native path); nothing when it cannot be read, with
// errno saying why.
std::optional<std::vector<std::uint8_t>> readWholeFile(const std::string& path);

// The length of an open file in bytes, or nothing when it cannot be told.
std::optional<std::uint64_t> fileLength(std::FILE* file);

// Moves an open file to an absolute position.
bool seekTo(std::FILE* file, std::uint64_t position);

// The C library's text for an errno value.
std::string systemErrorText(int error);

// The full native path of the running executable.
std::optional<std::string> executablePath();

// A file written so that the old one survives any failure: the bytes go to a
// temporary file in the same folder, and commit() flushes it to the disk and
// renames it over the target. Until then, and whenever a step fails, the
// target is untouched; an uncommitted temporary file is removed. Failures
// leave errno saying why. A target that is not writable is not replaced;
// the new file keeps the target's permissions, and a link is written
// through to the file it names.
class AtomicFile {
 public:
  explicit AtomicFile(std::string path);
  ~AtomicFile();
  AtomicFile(const AtomicFile&) = delete;
  AtomicFile& operator=(const AtomicFile&) = delete;

  // False once creating or writing the temporary file has failed.
  bool ok() const { return fd_ >= 0; }
  bool write(std::string_view data);
  bool commit();

 private:
  void abandon();

  std::string path_;
  std::string temporary_;
  int fd_ = -1;
  int mode_ = -1;  // the permissions of the file replaced, when there is one
};

// Writes a whole file through an AtomicFile.
bool writeFileAtomically(const std::string& path, std::string_view data);

// Creates a folder and any missing parents; true when it exists afterwards.
bool createDirectories(const std::string& path);

// The user's documents folder (native, without a final "/"): the XDG
// documents directory of user-dirs.dirs, else $HOME/Documents. Nothing when
// there is no home folder.
std::optional<std::string> documentsFolder();

// Makes a native folder the current directory.
bool changeCurrentDirectory(const std::string& path);

enum class FileKind { kMissing, kFile, kDirectory };

// What a native path names.
FileKind fileKind(const std::string& path);

// When a file was last written, in nanoseconds since 1970 (UTC); nothing
// when it cannot be told.
std::optional<std::int64_t> modificationTime(const std::string& path);

// Resolves a game's file name (Shift_JIS bytes, `\` or `/` separated) under
// `folder` (native, ending in `/`, or empty for a name that is absolute on
// its own). Tries the bytes as written, then the name converted to UTF-8,
// then a case-insensitive walk that treats `\` and `/` alike, because game
// folders come from file systems that ignore case. Returns the native path
// of what was found, file or folder.
std::optional<std::string> findFile(std::string_view folder, std::string_view sjisName);

// The native path under which a game's file name (Shift_JIS bytes, `\` or
// `/` separated, under `folder` as for findFile) is created or replaced.
// Components that exist already are matched as findFile matches them, so
// that a game writing "Save/Data.txt" reuses "save/data.txt"; from the
// first missing component on, the name is converted to UTF-8 (a component
// with a code that has no Unicode counterpart keeps its Shift_JIS bytes).
// "." and empty components are dropped. Nothing for an empty name or one
// that holds a NUL.
std::optional<std::string> pathForWriting(std::string_view folder, std::string_view sjisName);

// The Shift_JIS text of a name read from the disk: converted when it is
// UTF-8, kept as it is otherwise (folders whose names kept their Shift_JIS
// bytes). Nothing when a UTF-8 name holds a character that Shift_JIS lacks.
std::optional<std::string> sjisFromDiskName(std::string_view name);

struct DirectoryEntry {
  std::string name;  // as stored on the disk
  bool isDirectory = false;
  bool isLink = false;
};

// The entries of a native folder, without "." and ".."; a link counts as
// the kind of what it points to, and entries whose kind cannot be told
// (broken links) are left out. Nothing when the folder cannot be read.
std::optional<std::vector<DirectoryEntry>> listDirectory(const std::string& path);

// Whether a name read from the disk matches a wildcard pattern (Shift_JIS)
// as the Windows file search matches it: letters compare without regard to
// case, `*` stands for any run of characters and `?` for one character, a
// pattern ending in ".*" also matches names without a dot ("*.*" matches
// everything) and one ending in "." matches the names without a dot that
// the rest matches.
bool matchesWildcard(std::string_view sjisPattern, std::string_view diskName);

// Copies a file's bytes, replacing the destination through an AtomicFile,
// so that a failed copy leaves an existing destination as it was. Fails
// when the source is a folder. Failures leave errno saying why.
bool copyFile(const std::string& from, const std::string& to);

// Renames a file or folder. As on Windows, an existing destination is not
// replaced (errno EEXIST). A file is moved across file systems by copying it
// and removing the source.
bool moveFile(const std::string& from, const std::string& to);

// Removes a file (not a folder).
bool deleteFile(const std::string& path);

// Appends bytes to a file, creating it when it is missing.
bool appendToFile(const std::string& path, std::string_view data);

}  // namespace tsuzuri::platform
