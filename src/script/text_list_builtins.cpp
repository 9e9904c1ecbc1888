#include <algorithm>
#include <cerrno>
#include <string>

#include "platform/files.h"
#include "script/argument_list.h"
#include "script/builtins.h"
#include "script/path_parts.h"
#include "script/script_parser.h"
#include "util/sjis.h"

namespace tsuzuri::script {
namespace {

// sortText flags.
constexpr int kRemoveDuplicates = 1;
constexpr int kDescending = 2;
constexpr int kFolded = 4;

void reportLineRange(const BuiltinServices& s) {
  s.errors.reportWithContext(util::toSjis(u8"行数の指定が範囲を超えています"));
}

// A 1-based line number that names a line of the list, as a 0-based index.
std::optional<std::size_t> lineIndex(const BuiltinServices& s, std::int32_t line) {
  if (line < 1 || static_cast<std::size_t>(line) > s.state.textList.size()) {
    reportLineRange(s);
    return std::nullopt;
  }
  return static_cast<std::size_t>(line - 1);
}

void loadText(const BuiltinServices& s, std::string_view arguments) {
  s.interpreter.commandName().set("loadText");
  ArgumentList args(arguments, s.expression, s.errors);
  TextList& list = s.state.textList;
  std::string bytes;
  // A file that cannot be read (reported by the lookup) leaves an empty list.
  if (s.files.loadText(util::toForwardSlashes(args.text(0)), bytes)) {
    list.load(bytes);
  } else {
    list.clear();
  }
  args.setInteger(1, static_cast<std::int32_t>(list.size()));
}

// How saveText opens its file: the first letter of the mode text chooses
// replacing ("w") or appending ("a"); without "b" the file is written in
// text mode, where every LF goes out as CR LF.
struct SaveMode {
  bool valid = false;
  bool append = false;
  bool textMode = false;
};

SaveMode parseMode(std::string_view mode) {
  SaveMode m;
  if (mode.empty() || (mode.front() != 'w' && mode.front() != 'a')) return m;
  m.valid = true;
  m.append = mode.front() == 'a';
  m.textMode = mode.find('b') == std::string_view::npos;
  return m;
}

std::string toTextMode(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size() + bytes.size() / 16);
  for (const char c : bytes) {
    if (c == '\n') out.push_back('\r');
    out.push_back(c);
  }
  return out;
}

void saveText(const BuiltinServices& s, std::string_view arguments) {
  s.interpreter.commandName().set("saveText");
  ArgumentList args(arguments, s.expression, s.errors);
  const TextList& list = s.state.textList;
  const auto given = [&args](int i) { return args.kind(i) != Value::kNone; };
  const auto count = static_cast<std::int64_t>(list.size());
  // Bounds outside the list are cut to it rather than read past its end.
  const std::int64_t first = std::clamp<std::int64_t>(given(1) ? args.integer(1) : 0, 0, count);
  const std::int64_t end =
      std::clamp<std::int64_t>(given(2) ? args.integer(2) : count, first, count);
  const SaveMode mode = parseMode(given(3) ? args.text(3) : std::string_view("wb"));
  const std::string_view path = args.text(0);

  if (!prepareFolderOf(path, '/', s.errors)) return;
  std::string bytes = list.bytes(static_cast<std::size_t>(first), static_cast<std::size_t>(end));
  if (mode.textMode) bytes = toTextMode(bytes);
  const auto native = platform::pathForWriting({}, path);
  errno = EINVAL;
  bool written = false;
  if (native && mode.valid) {
    written = mode.append ? platform::appendToFile(*native, bytes)
                          : platform::writeFileAtomically(*native, bytes);
  }
  if (!written) {
    s.errors.reportWithContext(std::string(path) + " " + platform::systemErrorText(errno));
  }
}

void getText(const BuiltinServices& s, std::string_view arguments) {
  s.interpreter.commandName().set("getText");
  ArgumentList args(arguments, s.expression, s.errors);
  const auto index = lineIndex(s, args.integer(1));
  if (!index) return;
  const std::string_view line = s.state.textList.lines()[*index];
  args.setText(0, args.integer(2) != 0 ? line : trim(line));
}

void setText(const BuiltinServices& s, std::string_view arguments) {
  s.interpreter.commandName().set("setText");
  ArgumentList args(arguments, s.expression, s.errors);
  if (const auto index = lineIndex(s, args.integer(1))) {
    s.state.textList.set(*index, args.text(0), args.integer(2) != 0);
  }
}

void insertText(const BuiltinServices& s, std::string_view arguments) {
  s.interpreter.commandName().set("insertText");
  ArgumentList args(arguments, s.expression, s.errors);
  if (const auto index = lineIndex(s, args.integer(1))) {
    s.state.textList.insert(*index, args.text(0), args.integer(2) != 0);
  }
}

void addText(const BuiltinServices& s, std::string_view arguments) {
  s.interpreter.commandName().set("addText");
  ArgumentList args(arguments, s.expression, s.errors);
  s.state.textList.add(args.text(0), args.integer(1) != 0);
}

void sortText(const BuiltinServices& s, std::string_view arguments) {
  s.interpreter.commandName().set("sortText");
  ArgumentList args(arguments, s.expression, s.errors);
  TextList& list = s.state.textList;
  const auto count = static_cast<std::int64_t>(list.size());
  const std::int64_t first = args.integer(0);
  const std::int64_t last = args.integer(1);
  if (first < 0 || first > count || last < 0 || last > count) {
    reportLineRange(s);
    return;
  }
  const std::int64_t from = first == 0 ? 1 : first;
  const std::int64_t to = last == 0 ? count : last;
  if (from > to) return;
  const int flags = args.integer(2);
  list.sort(static_cast<std::size_t>(from - 1), static_cast<std::size_t>(to),
            (flags & kDescending) != 0, (flags & kFolded) != 0, (flags & kRemoveDuplicates) != 0);
}

}  // namespace

void registerTextListBuiltins(NativeCommandTable& table, const BuiltinServices& services) {
  const BuiltinServices s = services;
  table.add("loadText", [s](std::string_view arguments) { loadText(s, arguments); });
  table.add("saveText", [s](std::string_view arguments) { saveText(s, arguments); });
  table.add("getText", [s](std::string_view arguments) { getText(s, arguments); });
  table.add("setText", [s](std::string_view arguments) { setText(s, arguments); });
  table.add("insertText", [s](std::string_view arguments) { insertText(s, arguments); });
  table.add("addText", [s](std::string_view arguments) { addText(s, arguments); });
  table.add("sortText", [s](std::string_view arguments) { sortText(s, arguments); });
  // clearText is one of the built-ins that leave the current-command name alone.
  table.add("clearText", [s](std::string_view) { s.state.textList.clear(); });
}

}  // namespace tsuzuri::script
