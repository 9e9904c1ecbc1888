#include "core/transcript.h"

#include <string>

#include "util/sjis.h"

namespace tsuzuri::core {

void Transcript::write(std::string_view speaker, std::string_view text) {
  if (out_ == nullptr) return;
  std::string sjis;
  if (!speaker.empty()) {
    sjis = util::toSjis(u8"【");
    sjis.append(speaker);
    sjis += util::toSjis(u8"】");
  }
  sjis.append(text);
  std::string utf8 = util::sjisToUtf8(sjis);
  utf8.push_back('\n');
  static_cast<void>(std::fwrite(utf8.data(), 1, utf8.size(), out_));
}

}  // namespace tsuzuri::core
