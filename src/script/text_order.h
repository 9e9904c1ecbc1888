#pragma once

// The order in which sortText sorts lines and setFileList sorts paths.

#include <string>
#include <string_view>
#include <vector>

namespace tsuzuri::script {

// Compares unsigned bytes; a text that agrees with a longer one up to its
// end comes first. Negative, zero or positive, like memcmp.
int compareBytes(std::string_view a, std::string_view b);

// The copy that case-insensitive comparisons compare: double-byte
// characters are taken whole; A-Z become a-z, the full-width capitals
// Ａ-Ｚ become ａ-ｚ and the full-width katakana ァ-ン become the hiragana
// ぁ-ん of the same sound. Every other byte stays.
std::string foldForComparison(std::string_view text);

// Sorts texts[first, last) bytewise, descending when asked, comparing the
// folded copies when `folded` is set (the texts themselves are unchanged).
// Texts that compare equal keep their order.
void sortTexts(std::vector<std::string>& texts, std::size_t first, std::size_t last,
               bool descending, bool folded);

}  // namespace tsuzuri::script
