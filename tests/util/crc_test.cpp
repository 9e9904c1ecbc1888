#include "util/crc.h"

#include <gtest/gtest.h>

#include "util/display_name.h"

namespace tsuzuri::util {
namespace {

TEST(Crc32, MatchesZlibCheckValues) {
  EXPECT_EQ(crc32_hash(""), 0U);
  EXPECT_EQ(crc32_hash("abc"), 0x352441C2U);
  EXPECT_EQ(crc32_hash("123456789"), 0xCBF43926U);
  EXPECT_EQ(crc32_hash2("abc\0def", 7), 0xD8860390U) << "counts bytes past an embedded NUL";
  EXPECT_EQ(crc32_hash(nullptr), 0U);
}

TEST(Crc64, IsCrc64WeOverRawBytes) {
  EXPECT_EQ(crc64_hash("123456789"), 0x62EC59E3F1A4F00AULL);
  EXPECT_EQ(crc64_hash(""), 0ULL);
  EXPECT_EQ(crc64_hash2(std::string_view("123456789")), 0x62EC59E3F1A4F00AULL);
  // No case folding and no separator conversion.
  EXPECT_NE(crc64_hash("bg/a.png"), crc64_hash("BG/a.png"));
  EXPECT_NE(crc64_hash("bg/a.png"), crc64_hash("bg\\a.png"));
}

TEST(HashDisplayName, WritesBase32WithoutLeadingZeros) {
  EXPECT_EQ(hashDisplayName(0), "0");
  EXPECT_EQ(hashDisplayName(31), "V");
  EXPECT_EQ(hashDisplayName(32), "10");
  EXPECT_EQ(hashDisplayName(~0ULL), "F" + std::string(12, 'V'));
}

}  // namespace
}  // namespace tsuzuri::util
