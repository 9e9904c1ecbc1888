#include "persist/already_read.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string_view>

#include "persist/data_container.h"
#include "platform/files.h"
#include "util/display_name.h"
#include "util/number_text.h"
#include "util/sjis.h"

namespace tsuzuri::persist {

namespace {

// The script a key names: its hash's display name read back. Keys are
// read leniently, as the engine always read them: blanks and tabs before
// the digits, lower-case letters and leading zeros are allowed. Nothing
// when the key holds another character or a number past 64 bits.
std::optional<std::uint64_t> keyHash(std::string_view key) {
  const std::size_t first = key.find_first_not_of(" \t");
  key.remove_prefix(first == std::string_view::npos ? key.size() : first);
  if (key.find_first_not_of("0123456789ABCDEFGHIJKLMNOPQRSTUVabcdefghijklmnopqrstuv") !=
      std::string_view::npos) {
    return std::nullopt;
  }
  const std::size_t significant = key.find_first_not_of('0');
  if (significant != std::string_view::npos) {
    const std::string_view digits = key.substr(significant);
    // Thirteen digits of five bits hold 65: the first may carry four.
    if (digits.size() > 13 ||
        (digits.size() == 13 && util::hashFromDisplayName(digits.substr(0, 1)) > 15)) {
      return std::nullopt;
    }
  }
  return util::hashFromDisplayName(key);
}

}  // namespace

std::string AlreadyReadFile::text() const {
  std::string out;
  for (const auto& [hash, flags] : tables_.alreadyRead) {
    out.append("S").append(util::hashDisplayName(hash)).append("=");
    for (const auto& [line, flag] : flags) out += util::itos10(flag);
    out += "\r\n";
  }
  return out;
}

void AlreadyReadFile::apply(std::string_view text) {
  std::size_t start = 0;
  while (start < text.size()) {
    const std::size_t end = std::min(text.find('\n', start), text.size());
    std::string_view line = text.substr(start, end - start);
    start = end + 1;
    // The CR of the line end is no flag.
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    const std::size_t equals = line.find('=');
    // Anything but an "S" line (an empty last line, say) carries nothing.
    if (line.empty() || line.front() != 'S' || equals == std::string_view::npos) continue;
    const std::string_view key = line.substr(1, equals - 1);
    const std::optional<std::uint64_t> hash = keyHash(key);
    const auto script = hash ? tables_.alreadyRead.find(*hash) : tables_.alreadyRead.end();
    if (script == tables_.alreadyRead.end()) {
      reporter_.report(std::string(key) + util::toSjis(u8" が存在しなくなっています"));
      continue;
    }
    script::AlreadyReadTable& flags = script->second;
    auto flag = flags.begin();
    for (const char c : line.substr(equals + 1)) {
      if (flag == flags.end()) break;
      // A flag is a digit; anything else in a damaged file reads as unread.
      (flag++)->second = c >= '0' && c <= '9' ? static_cast<std::uint8_t>(c - '0') : 0;
    }
  }
}

void AlreadyReadFile::read(const std::string& nativePath, std::string_view name) {
  if (platform::fileKind(nativePath) == platform::FileKind::kMissing) return;
  const std::optional<std::string> text = loadDataZlib(nativePath, name, true, reporter_);
  if (text) apply(*text);
}

bool AlreadyReadFile::write(const std::string& nativePath, std::string_view name) const {
  const std::size_t slash = nativePath.rfind('/');
  // A folder that cannot be made is reported when the file cannot be opened.
  if (slash != std::string::npos && slash > 0) {
    static_cast<void>(platform::createDirectories(nativePath.substr(0, slash)));
  }
  return saveDataZlib(nativePath, name, text(), true, reporter_);
}

}  // namespace tsuzuri::persist
