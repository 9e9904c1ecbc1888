#include "platform/name_match.h"

#include "util/sjis.h"
#include "util/utf8_check.h"

namespace tsuzuri::platform {
namespace {

std::u16string fold(std::u16string text) {
  for (auto& unit : text) unit = foldCase(unit);
  return text;
}

}  // namespace

char16_t foldCase(char16_t u) {
  const auto shift = [u](int by) { return static_cast<char16_t>(u - by); };
  if (u >= u'a' && u <= u'z') return shift(0x20);
  if (u >= 0x00E0 && u <= 0x00FE && u != 0x00F7) return shift(0x20);
  if (u >= 0x03B1 && u <= 0x03C9 && u != 0x03C2) return shift(0x20);
  if (u >= 0x0430 && u <= 0x044F) return shift(0x20);
  if (u >= 0x0450 && u <= 0x045F) return shift(0x50);
  if (u >= 0xFF41 && u <= 0xFF5A) return shift(0x20);
  return u;
}

std::u16string foldSjisName(std::string_view sjis) {
  return fold(util::sjisToUtf16(sjis));
}

std::u16string foldDiskName(std::string_view bytes) {
  return fold(util::isWellFormedUtf8(bytes) ? util::utf8ToUtf16(bytes) : util::sjisToUtf16(bytes));
}

}  // namespace tsuzuri::platform
