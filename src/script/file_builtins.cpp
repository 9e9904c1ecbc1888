#include <cerrno>
#include <string>
#include <vector>

#include "platform/files.h"
#include "script/argument_list.h"
#include "script/builtins.h"
#include "script/path_parts.h"
#include "script/text_order.h"
#include "util/sjis.h"

namespace tsuzuri::script {
namespace {

// Folders whose path with the pattern reaches this many bytes are not
// searched, as the Windows file search refuses such paths. The limit also
// ends the descent through deep folder trees.
constexpr std::size_t kSearchPathLimit = 260;

// setFileList flags.
constexpr int kSubFolders = 1;
constexpr int kDescending = 2;
constexpr int kFolded = 4;
constexpr int kAppend = 8;

// A file the game names, on the disk below the current directory.
std::optional<std::string> diskFile(std::string_view name) {
  return platform::findFile({}, name);
}

void existFile(const BuiltinServices& s, std::string_view arguments) {
  s.interpreter.commandName().set("existFile");
  ArgumentList args(arguments, s.expression, s.errors);
  args.setInteger(1, s.files.exists(args.text(0), 1.0) ? 1 : 0);
}

void copyFile(const BuiltinServices& s, std::string_view arguments) {
  s.interpreter.commandName().set("copyFile");
  ArgumentList args(arguments, s.expression, s.errors);
  bool copied = false;
  if (prepareFolderOf(args.text(1), '\\', s.errors)) {
    const auto from = diskFile(args.text(0));
    const auto to = platform::pathForWriting({}, args.text(1));
    copied = from && to && platform::copyFile(*from, *to);
  }
  args.setInteger(2, copied ? 1 : 0);
}

void moveFile(const BuiltinServices& s, std::string_view arguments) {
  s.interpreter.commandName().set("moveFile");
  ArgumentList args(arguments, s.expression, s.errors);
  bool moved = false;
  if (prepareFolderOf(args.text(1), '\\', s.errors)) {
    const auto from = diskFile(args.text(0));
    const auto to = platform::pathForWriting({}, args.text(1));
    // A destination that is the source itself (spelled in another case)
    // needs no move.
    moved = from && to && (*from == *to || platform::moveFile(*from, *to));
  }
  args.setInteger(2, moved ? 0 : -1);
}

void deleteFile(const BuiltinServices& s, std::string_view arguments) {
  s.interpreter.commandName().set("deleteFile");
  ArgumentList args(arguments, s.expression, s.errors);
  const auto path = diskFile(args.text(0));
  args.setInteger(1, path && platform::deleteFile(*path) ? 0 : -1);
}

void loadFile(const BuiltinServices& s, std::string_view arguments) {
  s.interpreter.commandName().set("loadFile");
  ArgumentList args(arguments, s.expression, s.errors);
  std::string contents;
  // A failed read is reported by the file lookup; the variable keeps its value.
  if (s.files.loadText(util::toForwardSlashes(args.text(0)), contents)) {
    args.setText(1, contents);
  }
}

void saveFile(const BuiltinServices& s, std::string_view arguments) {
  s.interpreter.commandName().set("saveFile");
  ArgumentList args(arguments, s.expression, s.errors);
  const std::string_view path = args.text(0);
  if (!prepareFolderOf(path, '/', s.errors)) return;
  const auto native = platform::pathForWriting({}, path);
  errno = EINVAL;
  if (!native || !platform::writeFileAtomically(*native, args.text(1))) {
    s.errors.reportWithContext(std::string(path) + " " + platform::systemErrorText(errno));
  }
}

bool hasWildcard(std::string_view pattern) {
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    const auto b = static_cast<unsigned char>(pattern[i]);
    if (util::isSjisLeadByte(b)) {
      ++i;
    } else if (b == '*' || b == '?') {
      return true;
    }
  }
  return false;
}

struct Search {
  std::string_view pattern;
  char separator;
  bool subFolders;
  std::vector<std::string> found;
};

// Adds the matching files of one folder (`folder` as the script sees it,
// ending in the separator; `native` where it is) and, when asked, of its
// sub-folders.
void searchFolder(Search& search, const std::string& folder, const std::string& native) {
  if (folder.size() + search.pattern.size() >= kSearchPathLimit) return;
  const auto entries = platform::listDirectory(native);
  if (!entries) return;
  for (const platform::DirectoryEntry& entry : *entries) {
    const auto name = platform::sjisFromDiskName(entry.name);
    if (!name || name->empty() || name->front() == '.') continue;
    if (entry.isDirectory) {
      // Links to folders are not followed, so that a link to a folder
      // above cannot make the search endless.
      if (search.subFolders && !entry.isLink) {
        searchFolder(search, folder + *name + search.separator, native + "/" + entry.name);
      }
      continue;
    }
    if (name->ends_with("Thumbs.db")) continue;
    if (platform::matchesWildcard(search.pattern, entry.name))
      search.found.push_back(folder + *name);
  }
}

std::vector<std::string> findFiles(std::string folder, std::string_view pattern, int flags) {
  if (folder.empty()) folder = "./";
  const auto native = diskFile(folder);
  if (!native) return {};
  const platform::FileKind kind = platform::fileKind(*native);
  if (kind == platform::FileKind::kFile) return {folder};
  if (kind != platform::FileKind::kDirectory) return {};
  Search search{
      pattern, majoritySeparator(folder), (flags & kSubFolders) != 0 && hasWildcard(pattern), {}};
  if (!endsWithSeparator(folder)) folder.push_back(search.separator);
  searchFolder(search, folder, *native);
  return std::move(search.found);
}

void setFileList(const BuiltinServices& s, std::string_view arguments) {
  s.interpreter.commandName().set("setFileList");
  ArgumentList args(arguments, s.expression, s.errors);
  const int flags = args.integer(2);
  std::vector<std::string> found = findFiles(std::string(args.text(0)), args.text(1), flags);
  sortTexts(found, 0, found.size(), (flags & kDescending) != 0, (flags & kFolded) != 0);
  std::vector<std::string>& list = s.state.fileList;
  if ((flags & kAppend) != 0) {
    list.insert(list.end(), std::make_move_iterator(found.begin()),
                std::make_move_iterator(found.end()));
  } else {
    list = std::move(found);
  }
  args.setInteger(3, static_cast<std::int32_t>(list.size()));
}

void getFileList(const BuiltinServices& s, std::string_view arguments) {
  s.interpreter.commandName().set("getFileList");
  ArgumentList args(arguments, s.expression, s.errors);
  const std::int32_t index = args.integer(1);
  const std::vector<std::string>& list = s.state.fileList;
  if (index < 0 || static_cast<std::size_t>(index) >= list.size()) {
    s.errors.reportWithContext(util::toSjis(u8"リストの範囲を超えています"));
    return;
  }
  args.setText(0, list[static_cast<std::size_t>(index)]);
}

}  // namespace

void registerFileBuiltins(NativeCommandTable& table, const BuiltinServices& services) {
  const BuiltinServices s = services;
  table.add("existFile", [s](std::string_view arguments) { existFile(s, arguments); });
  table.add("copyFile", [s](std::string_view arguments) { copyFile(s, arguments); });
  table.add("moveFile", [s](std::string_view arguments) { moveFile(s, arguments); });
  table.add("deleteFile", [s](std::string_view arguments) { deleteFile(s, arguments); });
  table.add("loadFile", [s](std::string_view arguments) { loadFile(s, arguments); });
  table.add("saveFile", [s](std::string_view arguments) { saveFile(s, arguments); });
  table.add("setFileList", [s](std::string_view arguments) { setFileList(s, arguments); });
  table.add("getFileList", [s](std::string_view arguments) { getFileList(s, arguments); });
}

}  // namespace tsuzuri::script
