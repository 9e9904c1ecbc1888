#include "script/receivers.h"

#include "script/script_parser.h"
#include "util/number_text.h"

namespace tsuzuri::script {

void assignReceivers(Expression& expression, std::span<const std::string_view> receivers,
                     std::span<const std::string> pieces) {
  for (std::size_t k = 0; k < receivers.size(); ++k) {
    const std::string_view receiver = receivers[k];
    if (receiver.empty() || (receiver[0] != '$' && receiver[0] != '%')) continue;
    const std::size_t equals = receiver.find('=');
    const std::string_view reference = trim(receiver.substr(0, equals));
    const std::string_view fallback =
        equals == std::string_view::npos ? std::string_view() : trim(receiver.substr(equals + 1));
    const std::string source =
        k < pieces.size() && !pieces[k].empty() ? pieces[k] : std::string(fallback);

    if (receiver[0] == '$') {
      std::string* variable = expression.resolveText(reference);
      if (variable == nullptr) continue;
      const std::string* named = source.starts_with('$') ? expression.resolveText(source) : nullptr;
      if (named != nullptr) {
        *variable = std::string(*named);
      } else {
        *variable = source;
      }
    } else {
      std::int32_t* variable = expression.resolveInteger(reference);
      if (variable == nullptr) continue;
      const std::int32_t* named =
          source.starts_with('%') ? expression.resolveInteger(source) : nullptr;
      if (named != nullptr) {
        *variable = *named;
      } else if (source.size() > 1 && source[1] == 'x') {
        *variable = static_cast<std::int32_t>(util::atoi16(source.c_str()));
      } else {
        *variable = util::atoi10(source.c_str());
      }
    }
  }
}

}  // namespace tsuzuri::script
