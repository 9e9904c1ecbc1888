#include "util/sjis_tables.h"

#include <cstddef>

#include "util/sjis_table_data.h"

namespace tsuzuri::util {

namespace {

constexpr char16_t kHalfWidthKatakanaBase = 0xFF61;
// Lead bytes 0x81-0x9F take rows 0-30 of the double-byte table, 0xE0-0xFC rows 31-59.
constexpr int kLowLeadRows = 0x9F - 0x81 + 1;

}  // namespace

char16_t sjisSingleToUnicode(unsigned char byte) {
  if (byte <= 0x7E) return byte;
  if (byte >= 0xA1 && byte <= 0xDF)
    return static_cast<char16_t>(kHalfWidthKatakanaBase + (byte - 0xA1));
  return 0;
}

char16_t sjisDoubleToUnicode(unsigned char lead, unsigned char trail) {
  int row;
  if (lead >= 0x81 && lead <= 0x9F) {
    row = lead - 0x81;
  } else if (lead >= 0xE0 && lead <= 0xFC) {
    row = kLowLeadRows + (lead - 0xE0);
  } else {
    return 0;
  }
  return sjis_data::kDoubleByteRows[row][trail];
}

std::uint16_t unicodeToSjis(char16_t unit) {
  const std::uint8_t page = sjis_data::kReversePageIndex[unit >> 8];
  return sjis_data::kReversePages[page][unit & 0xFF];
}

}  // namespace tsuzuri::util
