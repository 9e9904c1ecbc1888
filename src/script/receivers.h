#pragma once

#include <span>
#include <string>
#include <string_view>

#include "script/expression.h"

namespace tsuzuri::script {

// Hands the pieces of a split text to receiving arguments, as `split` and
// `regexp_split` do. Each receiver is a variable reference, optionally
// followed by "=" and a default text; receivers that begin with neither "$"
// nor "%" are passed over (they still stand in their place). The k-th piece
// goes to the k-th receiver; a missing or empty piece gives the default
// text, or the empty text / 0 without one. Nothing is evaluated: a text
// variable gets the source text, or the text of the variable a "$..."
// source names; an integer gets the value of the variable a "%..." source
// names, else the source read as hexadecimal when its second byte is "x",
// else as decimal.
void assignReceivers(Expression& expression, std::span<const std::string_view> receivers,
                     std::span<const std::string> pieces);

}  // namespace tsuzuri::script
