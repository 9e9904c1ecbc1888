#include "util/number_text.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace tsuzuri::util {
namespace {

TEST(NumberText, WritesIntegers) {
  EXPECT_EQ(itos10(0), "0");
  EXPECT_EQ(itos10(-42), "-42");
  EXPECT_EQ(itos10(std::numeric_limits<std::int32_t>::min()), "-2147483648");
  EXPECT_EQ(itos16(0), "0");
  EXPECT_EQ(itos16(-5), "FFFFFFFB");
  EXPECT_EQ(itos16(0xABCDEF), "ABCDEF");
  EXPECT_EQ(lltos16(0x123456789ABCDEF0ULL), "123456789ABCDEF0");

  char buffer[kIntegerTextSize];
  EXPECT_EQ(itoa10(-2147483647 - 1, buffer), 11);
  EXPECT_STREQ(buffer, "-2147483648");
}

TEST(NumberText, WritesRealsWithSixRoundedDigits) {
  struct Case {
    double value;
    const char* text;
  };
  const Case cases[] = {
      {0.0, "0"},
      {-0.0, "0"},
      {1.5, "1.5"},
      {2.0, "2"},
      {-2.25, "-2.25"},
      {0.1, "0.1"},
      {3.1415926, "3.141593"},
      {1e-7, "0.0"},       // a fraction remains but rounds to nothing: one digit stays
      {1.9999999, "2.0"},  // rounds into the integer part instead of writing seven digits
      {-0.9999996, "-1.0"},
      {123456789.0, "123456789"},
      {1e20, "100000000000000000000"},
  };
  for (const auto& c : cases) EXPECT_EQ(dtos10(c.value), c.text) << c.value;
  EXPECT_EQ(ftos10(1.5F), "1.5");
  EXPECT_EQ(ftos10(0.1F), "0.1");
  EXPECT_EQ(ftos10(std::numeric_limits<float>::max()).size(), 39U);
  EXPECT_EQ(dtos10(std::numeric_limits<double>::max()).size(), 309U);
  EXPECT_EQ(dtos10(-std::numeric_limits<double>::max()).size(), 310U);
  EXPECT_EQ(dtos10(std::numeric_limits<double>::infinity()), "inf");
  EXPECT_EQ(dtos10(std::nan("")), "nan");
}

TEST(NumberText, ParsesEveryCharacterAsADigit) {
  EXPECT_EQ(atoi10("12x"), 120);
  EXPECT_EQ(atoi10("12)"), 120);
  EXPECT_EQ(atoi10(" \t-37"), -37);
  EXPECT_EQ(atoi10("+8"), 8);
  EXPECT_EQ(atoi10("1+2"), 102) << "a sign after the first digit counts 0";
  EXPECT_EQ(atoi10("1A"), 20) << "letters count 10-31 in every base";
  EXPECT_EQ(atoi10(""), 0);
  EXPECT_EQ(atoi10(nullptr), 0);
  EXPECT_EQ(atoi10("4294967297"), 1) << "overflow wraps";
  EXPECT_EQ(atoi16("0x1F"), 31U);
  EXPECT_EQ(atoi16("ff"), 255U);
  EXPECT_EQ(atoi16("-1"), 1U) << "hexadecimal takes no sign";
  EXPECT_EQ(atol10("+4000000000"), 4000000000U);
  EXPECT_EQ(atol10("-5"), 5U) << "only + is a sign here";
  EXPECT_EQ(atoll16("FFFFFFFFFFFFFFFF"), ~0ULL);
  EXPECT_EQ(stoi10(std::string_view("12\0"
                                    "9",
                                    4)),
            12)
      << "stops at an embedded NUL";
}

TEST(NumberText, ParsesReals) {
  EXPECT_DOUBLE_EQ(atod10(" 2.5"), 2.5);
  EXPECT_DOUBLE_EQ(atod10("-1e3"), -1000.0);
  EXPECT_DOUBLE_EQ(atod10("+.5x"), 0.5);
  EXPECT_DOUBLE_EQ(atod10("abc"), 0.0);
  EXPECT_DOUBLE_EQ(atod10("1e-999"), 0.0);
  EXPECT_TRUE(std::isinf(atod10("1e999")));
  EXPECT_TRUE(std::isinf(atod10("-1e999")) && atod10("-1e999") < 0);
  EXPECT_FLOAT_EQ(atof10("3.25"), 3.25F);
  EXPECT_FLOAT_EQ(stof10("7"), 7.0F);
}

TEST(NumberText, RoundTripsWholeNumbers) {
  for (std::int32_t v : {0, 1, -1, 999999, -2147483647, 2147483647}) {
    EXPECT_EQ(stoi10(itos10(v)), v);
    EXPECT_EQ(stoi16(itos16(v)), static_cast<std::uint32_t>(v));
    EXPECT_DOUBLE_EQ(stod10(dtos10(v)), v);
  }
}

}  // namespace
}  // namespace tsuzuri::util
