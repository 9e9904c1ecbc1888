#pragma once

// The generated Shift_JIS tables (sjis_table_data.cpp, written by
// tools/gen_sjis_tables.py). Only sjis_tables.cpp reads them.

#include <cstdint>

namespace tsuzuri::util::sjis_data {

// One row of 256 trail bytes for each lead byte, 0x81-0x9F first, then 0xE0-0xFC.
extern const char16_t kDoubleByteRows[60][256];

// UTF-16 unit -> Shift_JIS code in pages of 256 units: the page of unit u is
// kReversePages[kReversePageIndex[u >> 8]]; page 0 is all zeros.
extern const std::uint8_t kReversePageIndex[256];
extern const std::uint16_t kReversePages[][256];

}  // namespace tsuzuri::util::sjis_data
