#include "pack/pack_names.h"

#include <fstream>

#include "util/crc.h"
#include "util/sjis.h"
#include "util/utf8_check.h"

namespace tsuzuri::pack {
std::optional<std::string> gameNameFromText(std::string_view text) {
  if (!util::isWellFormedUtf8(text)) return std::string(text);
  return util::utf8ToSjisStrict(text);
}

void NameBook::add(std::string sjisName) {
  names_.emplace(util::crc64_hash2(sjisName), std::move(sjisName));
}

void NameBook::addScriptNames(int last) {
  for (int n = 0; n <= last; ++n) add("script/" + std::to_string(n) + ".txt");
}

bool NameBook::addList(const std::string& path, std::string& error) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    error = path + ": cannot be read";
    return false;
  }
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty()) continue;
    if (auto name = gameNameFromText(line)) add(std::move(*name));
  }
  return true;
}

const std::string* NameBook::find(std::uint64_t hash) const {
  const auto it = names_.find(hash);
  return it == names_.end() ? nullptr : &it->second;
}

std::optional<std::string> extractionPath(std::string_view sjisName) {
  const std::string slashed = util::toForwardSlashes(sjisName);
  const auto utf16 = util::sjisToUtf16(slashed);
  // A character without a Unicode form comes out as U+0000.
  if (utf16.find(u'\0') != std::u16string::npos) return std::nullopt;
  const std::string utf8 = util::utf16ToUtf8(utf16);
  if (utf8.empty() || utf8.front() == '/' || utf8.find(':') != std::string::npos)
    return std::nullopt;
  std::size_t start = 0;
  while (start <= utf8.size()) {
    const auto end = std::min(utf8.find('/', start), utf8.size());
    const std::string_view part(utf8.data() + start, end - start);
    if (part == ".." || part.empty()) return std::nullopt;
    start = end + 1;
  }
  return utf8;
}

}  // namespace tsuzuri::pack
