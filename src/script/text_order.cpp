#include "script/text_order.h"

#include <algorithm>
#include <cstring>
#include <numeric>

#include "util/sjis.h"

namespace tsuzuri::script {

int compareBytes(std::string_view a, std::string_view b) {
  const std::size_t common = std::min(a.size(), b.size());
  if (common > 0) {
    if (const int c = std::memcmp(a.data(), b.data(), common); c != 0) return c;
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

std::string foldForComparison(std::string_view text) {
  std::string out(text);
  std::size_t i = 0;
  while (i < out.size()) {
    const auto b = static_cast<unsigned char>(out[i]);
    if (!util::isSjisLeadByte(b)) {
      if (b >= 'A' && b <= 'Z') out[i] = static_cast<char>(b + ('a' - 'A'));
      ++i;
      continue;
    }
    if (i + 1 >= out.size()) break;
    const auto t = static_cast<unsigned char>(out[i + 1]);
    if (b == 0x82 && t >= 0x60 && t <= 0x79) {
      // Ａ (82 60) ... Ｚ (82 79) to ａ (82 81) ... ｚ (82 9A).
      out[i + 1] = static_cast<char>(t + 0x21);
    } else if (b == 0x83 && t >= 0x40 && t <= 0x93 && t != 0x7F) {
      // ァ (83 40) ... ン (83 93), whose trail bytes skip 0x7F, to
      // ぁ (82 9F) ... ん (82 F1), which run without a gap.
      const int sound = t < 0x7F ? t - 0x40 : t - 0x41;
      out[i] = static_cast<char>(0x82);
      out[i + 1] = static_cast<char>(0x9F + sound);
    }
    i += 2;
  }
  return out;
}

void sortTexts(std::vector<std::string>& texts, std::size_t first, std::size_t last,
               bool descending, bool folded) {
  last = std::min(last, texts.size());
  if (first >= last) return;
  const auto begin = texts.begin() + static_cast<std::ptrdiff_t>(first);
  const auto end = texts.begin() + static_cast<std::ptrdiff_t>(last);
  if (!folded) {
    std::stable_sort(begin, end, [descending](const std::string& a, const std::string& b) {
      const int c = compareBytes(a, b);
      return descending ? c > 0 : c < 0;
    });
    return;
  }
  // Fold each text once rather than at every comparison.
  std::vector<std::string> keys;
  keys.reserve(last - first);
  for (auto it = begin; it != end; ++it) keys.push_back(foldForComparison(*it));
  std::vector<std::size_t> order(keys.size());
  std::iota(order.begin(), order.end(), std::size_t{0});
  std::stable_sort(order.begin(), order.end(), [&keys, descending](std::size_t a, std::size_t b) {
    const int c = compareBytes(keys[a], keys[b]);
    return descending ? c > 0 : c < 0;
  });
  std::vector<std::string> sorted;
  sorted.reserve(order.size());
  for (const std::size_t k : order)
    sorted.push_back(std::move(*(begin + static_cast<std::ptrdiff_t>(k))));
  std::move(sorted.begin(), sorted.end(), begin);
}

}  // namespace tsuzuri::script
