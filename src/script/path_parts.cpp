#include "script/path_parts.h"

#include "platform/files.h"
#include "util/sjis.h"

namespace tsuzuri::script {
namespace {

constexpr bool isSeparator(unsigned char b) {
  return b == '/' || b == '\\';
}

unsigned char byteAt(std::string_view text, std::size_t i) {
  return static_cast<unsigned char>(text[i]);
}

}  // namespace

char majoritySeparator(std::string_view text) {
  std::size_t slashes = 0;
  std::size_t backslashes = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const unsigned char b = byteAt(text, i);
    if (util::isSjisLeadByte(b)) {
      ++i;
    } else if (b == '/') {
      ++slashes;
    } else if (b == '\\') {
      ++backslashes;
    }
  }
  return slashes >= backslashes ? '/' : '\\';
}

bool endsWithSeparator(std::string_view text) {
  bool last = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const unsigned char b = byteAt(text, i);
    last = isSeparator(b);
    if (util::isSjisLeadByte(b)) ++i;
  }
  return last;
}

std::optional<PathParts> splitPath(std::string_view path) {
  return splitPath(path, majoritySeparator(path));
}

std::optional<PathParts> splitPath(std::string_view path, char separator) {
  if (path.empty()) return std::nullopt;
  const std::size_t n = path.size();
  PathParts parts;
  std::size_t segment = 0;
  std::size_t dot = std::string_view::npos;
  bool lastIsTrail = false;
  // The last byte is never walked: a separator there ends no segment, and
  // a dot there starts no extension.
  std::size_t i = 0;
  while (i + 1 < n) {
    const unsigned char b = byteAt(path, i);
    if (util::isSjisLeadByte(b)) {
      lastIsTrail = i + 2 == n;
      i += 2;
    } else if (b == '.') {
      dot = i++;
    } else if (isSeparator(b)) {
      parts.folder.append(path.substr(segment, i - segment));
      parts.folder.push_back(separator);
      ++i;
      while (i + 1 < n && isSeparator(byteAt(path, i))) ++i;
      segment = i;
      dot = std::string_view::npos;
    } else {
      ++i;
    }
  }
  if (dot != std::string_view::npos && dot != 0) {
    parts.baseName.assign(path.substr(segment, dot - segment));
    parts.extension.assign(path.substr(dot));
  } else {
    std::size_t end = n;
    if (!lastIsTrail && path.back() == separator) --end;
    parts.baseName.assign(path.substr(segment, end - segment));
  }
  return parts;
}

bool prepareFolderOf(std::string_view path, char separator, ErrorSink& errors) {
  const auto parts = splitPath(path, separator);
  if (!parts) {
    errors.reportWithContext(util::toSjis(u8"正常にパスが読み込めませんでした"));
    return false;
  }
  if (parts->folder.empty()) return true;
  const auto native = platform::pathForWriting({}, parts->folder);
  if (!native || !platform::createDirectories(*native)) {
    errors.reportWithContext(util::toSjis(u8"フォルダを作成出来ませんでした"));
    return false;
  }
  return true;
}

}  // namespace tsuzuri::script
