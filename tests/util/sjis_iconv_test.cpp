// Checks the engine's Shift_JIS tables against glibc's CP932 converter, code by
// code, so that a change of the generated tables cannot slip anything else in
// besides the engine's known differences.

#include <gtest/gtest.h>
#include <iconv.h>

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "util/sjis_tables.h"

namespace tsuzuri::util {
namespace {

class Converter {
 public:
  Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
  ~Converter() {
    if (ok()) iconv_close(cd_);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;

  bool ok() const { return cd_ != reinterpret_cast<iconv_t>(static_cast<std::intptr_t>(-1)); }

  // The output for all of `input`, or nothing when iconv rejects any of it.
  std::optional<std::string> convert(std::string input) {
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    char out[16];
    char* inPtr = input.data();
    char* outPtr = out;
    std::size_t inLeft = input.size();
    std::size_t outLeft = sizeof out;
    const auto failed = static_cast<std::size_t>(-1);
    if (iconv(cd_, &inPtr, &inLeft, &outPtr, &outLeft) == failed || inLeft != 0) return {};
    if (iconv(cd_, nullptr, nullptr, &outPtr, &outLeft) == failed) return {};
    return std::string(out, sizeof out - outLeft);
  }

 private:
  iconv_t cd_;
};

constexpr unsigned char kLeadBytes[][2] = {{0x81, 0x9F}, {0xE0, 0xFC}};

const std::map<std::uint16_t, char16_t> kEngineDifferences = {
    {0x81CA, u'\u00AC'}, {0x83B7, u'\u2664'}, {0x83B8, u'\u2660'}, {0x83B9, u'\u2662'},
    {0x83BA, u'\u2666'}, {0x83BB, u'\u2661'}, {0x83BC, u'\u2665'}, {0x83BD, u'\u2667'},
    {0x83BE, u'\u2663'}, {0xFAA0, u'\u5FB7'}, {0xFAA1, u'\u5FDE'},
};

const char16_t kAliasedUnits[] = {u'\u301C', u'\uFF5E', u'\u2014', u'\u2015', u'\u00A5',
                                  u'\u2212', u'\uFF0D', u'\uFFE2', u'\u00AC'};

bool isUserDefined(std::uint16_t code) {
  return code >= 0xF040 && code <= 0xF9FC;
}

class SjisIconv : public testing::Test {
 protected:
  void SetUp() override {
    if (!toUtf16_.ok() || !fromUtf16_.ok()) GTEST_SKIP() << "iconv has no CP932";
  }

  // The single UTF-16 unit iconv decodes these bytes to, or 0.
  char16_t iconvDecode(std::string bytes) {
    const auto out = toUtf16_.convert(std::move(bytes));
    if (!out || out->size() != 2) return 0;
    return static_cast<char16_t>(static_cast<unsigned char>((*out)[0]) |
                                 static_cast<unsigned char>((*out)[1]) << 8);
  }

  // The code iconv encodes a unit to (high byte first), or nothing.
  std::optional<std::uint16_t> iconvEncode(char16_t unit) {
    std::string in(2, '\0');
    in[0] = static_cast<char>(unit & 0xFF);
    in[1] = static_cast<char>(unit >> 8);
    const auto out = fromUtf16_.convert(std::move(in));
    if (!out || out->empty() || out->size() > 2) return {};
    std::uint16_t code = 0;
    for (char c : *out)
      code = static_cast<std::uint16_t>(code << 8 | static_cast<unsigned char>(c));
    return code;
  }

  Converter toUtf16_{"UTF-16LE", "CP932"};
  Converter fromUtf16_{"CP932", "UTF-16LE"};
};

template <class F>
void forEachDoubleByteCode(F&& f) {
  for (const auto& range : kLeadBytes) {
    for (unsigned lead = range[0]; lead <= range[1]; ++lead) {
      for (unsigned trail = 0; trail < 256; ++trail) {
        f(static_cast<unsigned char>(lead), static_cast<unsigned char>(trail));
      }
    }
  }
}

TEST_F(SjisIconv, DoubleByteTableIsCp932ApartFromTheEngineDifferences) {
  int mismatches = 0;
  forEachDoubleByteCode([&](unsigned char lead, unsigned char trail) {
    const auto code = static_cast<std::uint16_t>(lead << 8 | trail);
    char16_t expected = iconvDecode(std::string{static_cast<char>(lead), static_cast<char>(trail)});
    if (isUserDefined(code)) expected = 0;
    if (const auto it = kEngineDifferences.find(code); it != kEngineDifferences.end()) {
      expected = it->second;
    }
    const char16_t actual = sjisDoubleToUnicode(lead, trail);
    if (actual != expected && ++mismatches <= 20) {
      ADD_FAILURE() << std::hex << "0x" << code << ": U+" << int{actual} << ", expected U+"
                    << int{expected};
    }
  });
  EXPECT_EQ(mismatches, 0);
}

TEST_F(SjisIconv, ReverseTableIsCp932WhereTheForwardTablesAgree) {
  // The codes of each unit, by our tables and by iconv's.
  std::vector<std::vector<std::uint16_t>> ours(0x10000);
  std::vector<std::vector<std::uint16_t>> theirs(0x10000);
  for (unsigned b = 1; b < 256; ++b) {
    const auto byte = static_cast<unsigned char>(b);
    ours[sjisSingleToUnicode(byte)].push_back(byte);
    theirs[iconvDecode(std::string(1, static_cast<char>(byte)))].push_back(byte);
  }
  forEachDoubleByteCode([&](unsigned char lead, unsigned char trail) {
    const auto code = static_cast<std::uint16_t>(lead << 8 | trail);
    ours[sjisDoubleToUnicode(lead, trail)].push_back(code);
    theirs[iconvDecode(std::string{static_cast<char>(lead), static_cast<char>(trail)})].push_back(
        code);
  });

  int checked = 0;
  int mismatches = 0;
  for (unsigned u = 1; u <= 0xFFFF; ++u) {
    const auto unit = static_cast<char16_t>(u);
    if (ours[u].empty() || ours[u] != theirs[u]) continue;
    if (std::find(std::begin(kAliasedUnits), std::end(kAliasedUnits), unit) !=
        std::end(kAliasedUnits)) {
      continue;
    }
    ++checked;
    const auto expected = iconvEncode(unit);
    const std::uint16_t actual = unicodeToSjis(unit);
    if ((!expected || actual != *expected) && ++mismatches <= 20) {
      ADD_FAILURE() << std::hex << "U+" << u << ": 0x" << actual << ", iconv 0x"
                    << expected.value_or(0);
    }
  }
  EXPECT_EQ(mismatches, 0);
  // Nearly every character is shared with iconv; far fewer checked means the
  // comparison itself went wrong.
  EXPECT_GT(checked, 7000);
}

}  // namespace
}  // namespace tsuzuri::util
