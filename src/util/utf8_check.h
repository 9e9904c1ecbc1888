#pragma once

#include <string_view>

namespace tsuzuri::util {

// Whether `bytes` is well-formed UTF-8 (sequences of 1 to 4 bytes with
// proper lead and continuation bytes). Used to tell names saved as UTF-8 from
// names saved in Shift_JIS; it does not check for overlong forms.
bool isWellFormedUtf8(std::string_view bytes);

}  // namespace tsuzuri::util
