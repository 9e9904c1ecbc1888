#include "util/sjis.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "util/sjis_tables.h"

namespace tsuzuri::util {
namespace {

using namespace std::string_literals;

// A heap copy of exactly these bytes, so that the sanitizers catch a read past
// the end (a std::string would hide one behind its terminator).
std::vector<char> exactBytes(std::string_view bytes) {
  return {bytes.begin(), bytes.end()};
}

std::string_view view(const std::vector<char>& bytes) {
  return {bytes.data(), bytes.size()};
}

char16_t doubleByte(std::uint16_t code) {
  return sjisDoubleToUnicode(static_cast<unsigned char>(code >> 8),
                             static_cast<unsigned char>(code & 0xFF));
}

char16_t forward(std::uint16_t code) {
  return code < 0x100 ? sjisSingleToUnicode(static_cast<unsigned char>(code)) : doubleByte(code);
}

const std::map<char16_t, std::uint16_t> kAliases = {
    {u'\u301C', 0x8160}, {u'\uFF5E', 0x8160}, {u'\u2014', 0x815C},
    {u'\u2015', 0x815C}, {u'\u00A5', 0x005C}, {u'\u2212', 0x817C},
    {u'\uFF0D', 0x817C}, {u'\uFFE2', 0xEEF9}, {u'\u00AC', 0x81CA},
};

TEST(SjisTables, SingleBytes) {
  EXPECT_EQ(sjisSingleToUnicode(0x00), u'\0');
  EXPECT_EQ(sjisSingleToUnicode(0x5C), u'\\');
  EXPECT_EQ(sjisSingleToUnicode(0x7E), u'~');
  EXPECT_EQ(sjisSingleToUnicode(0xA1), u'\uFF61');
  EXPECT_EQ(sjisSingleToUnicode(0xB1), u'\uFF71');
  EXPECT_EQ(sjisSingleToUnicode(0xDF), u'\uFF9F');
  const unsigned char unmapped[] = {0x7F, 0x80, 0x81, 0x9F, 0xA0, 0xE0, 0xFC, 0xFD, 0xFF};
  for (unsigned char b : unmapped) EXPECT_EQ(sjisSingleToUnicode(b), 0) << std::hex << int{b};
}

TEST(SjisTables, DoubleBytesFollowCodePage932WithTheEngineDifferences) {
  EXPECT_EQ(doubleByte(0x8140), u'\u3000');
  EXPECT_EQ(doubleByte(0x82A0), u'\u3042');
  EXPECT_EQ(doubleByte(0x955C), u'\u8868');
  EXPECT_EQ(doubleByte(0x8160), u'\uFF5E');
  EXPECT_EQ(doubleByte(0x815C), u'\u2015');
  EXPECT_EQ(doubleByte(0xEEF9), u'\uFFE2');
  EXPECT_EQ(doubleByte(0xFA54), u'\uFFE2');

  EXPECT_EQ(doubleByte(0x81CA), u'\u00AC');
  const std::u16string suits = u"\u2664\u2660\u2662\u2666\u2661\u2665\u2667\u2663";
  for (std::size_t i = 0; i < suits.size(); ++i) {
    EXPECT_EQ(doubleByte(static_cast<std::uint16_t>(0x83B7 + i)), suits[i]);
  }
  EXPECT_EQ(doubleByte(0x83B6), u'\u03A9');
  EXPECT_EQ(doubleByte(0x83BF), u'\u03B1');
  EXPECT_EQ(doubleByte(0xFAA0), u'\u5FB7');
  EXPECT_EQ(doubleByte(0xFAA1), u'\u5FDE');

  // The user-defined area, undefined trail bytes and bytes that are no lead byte.
  const std::uint16_t undefined[] = {0xF040, 0xF0FC, 0xF540, 0xF9FC, 0x8100, 0x813F,
                                     0x817F, 0x81FD, 0x82F2, 0xA040, 0xFD40, 0x7F40};
  for (std::uint16_t code : undefined) EXPECT_EQ(doubleByte(code), 0) << std::hex << code;
}

TEST(SjisTables, ReverseAliases) {
  for (const auto& [unit, code] : kAliases) {
    EXPECT_EQ(unicodeToSjis(unit), code) << std::hex << int{unit};
  }
}

TEST(SjisTables, ReverseTableInvertsForwardTables) {
  for (unsigned u = 1; u <= 0xFFFF; ++u) {
    const auto unit = static_cast<char16_t>(u);
    const std::uint16_t code = unicodeToSjis(unit);
    if (code != 0 && !kAliases.contains(unit)) {
      EXPECT_EQ(forward(code), unit) << std::hex << "U+" << u << " -> " << code;
    }
  }
  // Every character of the forward tables has a code.
  for (unsigned code = 1; code <= 0xFFFF; ++code) {
    const char16_t unit = forward(static_cast<std::uint16_t>(code));
    if (unit != 0) {
      EXPECT_NE(unicodeToSjis(unit), 0) << std::hex << code;
    }
  }
  EXPECT_EQ(unicodeToSjis(u'\0'), 0);
  EXPECT_EQ(unicodeToSjis(u'\uE000'), 0);  // iconv gives 0xF040, a user-defined code.
  EXPECT_EQ(unicodeToSjis(u'\u2016'), 0);  // iconv maps it one way to 0x8161.
}

TEST(SjisTables, SharedCharactersTakeTheCodeCp932Writes) {
  EXPECT_EQ(unicodeToSjis(u'\u2252'), 0x81E0);  // not NEC row 13 (0x8790)
  EXPECT_EQ(unicodeToSjis(u'\u2235'), 0x81E6);  // not 0x879A or 0xFA5B
  EXPECT_EQ(unicodeToSjis(u'\u2160'), 0x8754);  // not IBM 0xFA4A
  EXPECT_EQ(unicodeToSjis(u'\u2170'), 0xFA40);  // IBM, not NEC-selected 0xEEEF
  EXPECT_EQ(unicodeToSjis(u'\u7E8A'), 0xFA5C);  // IBM, not NEC-selected 0xED40
  // 0xFAA0 and 0xFAA1 left U+5953 and U+595B to their NEC-selected codes...
  EXPECT_EQ(unicodeToSjis(u'\u5953'), 0xED84);
  EXPECT_EQ(unicodeToSjis(u'\u595B'), 0xED85);
  // ...and joined U+5FB7 and U+5FDE, which keep their IBM codes.
  EXPECT_EQ(unicodeToSjis(u'\u5FB7'), 0xFABA);
  EXPECT_EQ(unicodeToSjis(u'\u5FDE'), 0xFABB);
}

TEST(SjisConvert, SjisToUnicode) {
  EXPECT_EQ(sjisToUtf16("\x82\xA0\x41"), u"\u3042A");
  EXPECT_EQ(sjisToUtf16("\xB1\x5C\x95\x5C"), u"\uFF71\\\u8868");
  // Undefined codes and bytes become U+0000, one per character.
  EXPECT_EQ(sjisToUtf16("\x81\x7F\x80\xF0\x40"), u"\0\0\0"s);
  // A lead byte at the end pairs with a missing byte 0, an undefined code.
  const auto truncated = exactBytes("A\x82");
  EXPECT_EQ(sjisToUtf16(view(truncated)), u"A\0"s);
  EXPECT_EQ(sjisToUtf8(view(truncated)), "A\0"s);

  // UTF-8 takes one, two or three bytes by the unit's value.
  EXPECT_EQ(sjisToUtf8("A\x81\x4C\x82\xA0\xB1"), "A\xC2\xB4\xE3\x81\x82\xEF\xBD\xB1");
  EXPECT_EQ(sjisToUtf8(""), "");
}

TEST(SjisConvert, Utf16ToSjis) {
  EXPECT_EQ(utf16ToSjis(u"\uFF5E"), "\x81\x60");
  EXPECT_EQ(utf16ToSjis(u"\u301C\u2014\u00A5\u2212\u00AC"), "\x81\x60\x81\x5C\x5C\x81\x7C\x81\xCA");
  EXPECT_EQ(utf16ToSjis(u"\u3042A\uFF71"), "\x82\xA0\x41\xB1");
  // Only a leading byte-order mark is skipped; a later one has no code.
  EXPECT_EQ(utf16ToSjis(u"\uFEFFA\uFEFF"), "A\0"s);
  // Units without a code, such as each half of a surrogate pair, give a 0 byte.
  EXPECT_EQ(utf16ToSjis(u"\U0001F600\u00E9"), "\0\0\0"s);
}

TEST(SjisConvert, Utf16ToUtf8EncodesEachUnitOnItsOwn) {
  EXPECT_EQ(utf16ToUtf8(u"A\u00E9\u3042\uFFFF"), "A\xC3\xA9\xE3\x81\x82\xEF\xBF\xBF");
  EXPECT_EQ(utf16ToUtf8(u"\u07FF\u0800"), "\xDF\xBF\xE0\xA0\x80");
  EXPECT_EQ(utf16ToUtf8(u"\U0001F600"), "\xED\xA0\xBD\xED\xB8\x80");
  EXPECT_EQ(utf16ToUtf8(u"\uFEFF"), "\xEF\xBB\xBF");
}

TEST(SjisConvert, Utf8ToUtf16FollowsTheLeadTable) {
  EXPECT_EQ(utf8ToUtf16("A\xC3\xA9\xE3\x81\x82"), u"A\u00E9\u3042");
  // Continuation bytes are not checked.
  EXPECT_EQ(utf8ToUtf16("\xC3\x41"), u"\u00C1");
  // 0x80-0xBF and 0xE0-0xFF start three-byte sequences, cut to 16 bits.
  EXPECT_EQ(utf8ToUtf16("\x85\x41\x42"), u"\u5042");
  EXPECT_EQ(utf8ToUtf16("\xBF\xBF\xBF"), u"\uFFFF");
  EXPECT_EQ(utf8ToUtf16("\xFF\x80\x80"), u"\uF000");
  // A four-byte character: three bytes, then the last one alone.
  EXPECT_EQ(utf8ToUtf16("\xF0\x9F\x98\x80"), u"\u07D8\0"s);
  // Missing bytes at the end count as 0.
  EXPECT_EQ(utf8ToUtf16(view(exactBytes("\xE3\x81"))), u"\u3040");
  EXPECT_EQ(utf8ToUtf16(view(exactBytes("\xE3"))), u"\u3000");
  EXPECT_EQ(utf8ToUtf16(view(exactBytes("A\xC3"))), u"A\u00C0");
  // No byte-order mark is skipped on the way to UTF-16.
  EXPECT_EQ(utf8ToUtf16("\xEF\xBB\xBF"), u"\uFEFF");
}

TEST(SjisConvert, Utf8ToSjis) {
  EXPECT_EQ(utf8ToSjis("\xE3\x81\x82\x41\xEF\xBD\x9E"), "\x82\xA0\x41\x81\x60");
  EXPECT_EQ(utf8ToSjis("\xEF\xBB\xBF\xE8\xA1\xA8"), "\x95\x5C");
  EXPECT_EQ(utf8ToSjis(view(exactBytes("\xE8\xA1"))),
            "\x8C\x8C");  // U+8840, the last byte taken as 0
  EXPECT_EQ(toSjis(u8"未対応の命令です"),
            "\x96\xA2\x91\xCE\x89\x9E\x82\xCC\x96\xBD\x97\xDF\x82\xC5\x82\xB7");
}

TEST(SjisConvert, StrictUtf8ToSjis) {
  const std::string japanese = "\xE8\xA1\xA8\xE7\xA4\xBA\xEF\xBD\xB1 \xE2\x80\x94\xE3\x80\x9C";
  const auto converted = utf8ToSjisStrict(japanese);
  ASSERT_TRUE(converted.has_value());
  EXPECT_EQ(*converted, "\x95\x5C\x8E\xA6\xB1 \x81\x5C\x81\x60");
  EXPECT_EQ(utf8ToSjisStrict("\xEF\xBB\xBF"
                             "A\0B"s),
            "A\0B"s);
  EXPECT_EQ(utf8ToSjisStrict(""), "");

  const std::pair<std::string, std::size_t> failures[] = {
      {"ab\xF0\x9F\x98\x80", 2},    // a character beyond U+FFFF
      {"\xE3\x81\x82\xC3\xA9", 3},  // U+00E9 has no code
      {"a\xE3\x81", 1},             // cut off at the end
      {"\xE3\x81\x82\x81", 3},      // a lone continuation byte
      {"\xC0\xAF", 0},              // overlong
      {"\xE0\x80\xAF", 0},          // overlong
      {"\xED\xA0\x80", 0},          // a surrogate
      {"\xF4\x90\x80\x80", 0},      // beyond U+10FFFF
      {"a\xE3\x41\x82", 1},         // a bad continuation byte
      {"\xFF", 0},
  };
  for (const auto& [utf8, offset] : failures) {
    const auto bytes = exactBytes(utf8);
    std::size_t badOffset = 99;
    EXPECT_FALSE(utf8ToSjisStrict(view(bytes), &badOffset).has_value()) << utf8;
    EXPECT_EQ(badOffset, offset) << utf8;
  }
  EXPECT_FALSE(utf8ToSjisStrict("\xC3\xA9").has_value());  // without an offset to fill
}

TEST(SjisConvert, ToForwardSlashesKeepsTrailBytes) {
  EXPECT_EQ(toForwardSlashes("bg\\\x95\x5C\\a.png"), "bg/\x95\x5C/a.png");
  EXPECT_EQ(toForwardSlashes("\xB1\\"), "\xB1/");  // half-width katakana is one byte
  EXPECT_EQ(toForwardSlashes(view(exactBytes("a\\\x95"))), "a/\x95");
}

// The C forms.

struct Freer {
  void operator()(void* p) const { std::free(p); }
};
template <class T>
using Malloced = std::unique_ptr<T, Freer>;

// Runs a C form over `bytes` bytes at `in`; the result holds as many units as
// the returned length says, then `terminator` more.
template <class Out, class In>
std::basic_string<Out> callC(Out* (*form)(const In*, std::uint32_t*), const In* in,
                             std::uint32_t bytes, std::size_t terminator) {
  std::uint32_t len = bytes;
  Malloced<Out> out(form(in, &len));
  if (out == nullptr) return {};
  return std::basic_string<Out>(out.get(), len / sizeof(Out) + terminator);
}

TEST(SjisCForms, ResultsLengthsAndTerminators) {
  const auto sjis = exactBytes("\x82\xA0\x41");
  EXPECT_EQ(callC(sjis_to_utf16, sjis.data(), 3, 1), u"\u3042A\0"s);
  EXPECT_EQ(callC(sjis_to_utf8, sjis.data(), 3, 3), "\xE3\x81\x82\x41\0\0\0"s);

  const std::u16string utf16 = u"\uFEFF\uFF5EA";
  EXPECT_EQ(callC(utf16_to_sjis, utf16.data(), 6, 1), "\x81\x60\x41\0"s);
  // An odd byte length leaves the half unit out.
  EXPECT_EQ(callC(utf16_to_utf8, utf16.data() + 1, 3, 3), "\xEF\xBD\x9E\0\0\0"s);

  const auto utf8 = exactBytes("\xEF\xBB\xBF\xE3\x81\x82\xE3\x81");
  EXPECT_EQ(callC(utf8_to_sjis, utf8.data(), 8, 1), "\x82\xA0\0\0"s);  // U+3040 has no code
  EXPECT_EQ(callC(utf8_to_utf16, utf8.data(), 8, 1), u"\uFEFF\u3042\u3040\0"s);
}

TEST(SjisCForms, EmptyAndNullInput) {
  std::uint32_t len = 0;
  Malloced<char> empty(sjis_to_utf8("", &len));
  ASSERT_NE(empty, nullptr);
  EXPECT_EQ(len, 0u);
  EXPECT_EQ(std::memcmp(empty.get(), "\0\0\0", 3), 0);

  len = 5;
  EXPECT_EQ(sjis_to_utf16(nullptr, &len), nullptr);
  EXPECT_EQ(len, 0u);
  EXPECT_EQ(utf8_to_sjis("abc", nullptr), nullptr);
  EXPECT_EQ(sjis_to_utf8_s(nullptr, &len, 100), nullptr);
}

TEST(SjisCForms, InPlaceNeedsRoomForThreeZeroBytes) {
  // Three Shift_JIS bytes become six UTF-8 bytes.
  const std::string sjis = "\x82\xA0\xB1";
  const std::string utf8 = "\xE3\x81\x82\xEF\xBD\xB1\0\0\0"s;

  std::vector<char> tight(8, 'x');
  std::memcpy(tight.data(), sjis.data(), sjis.size());
  const std::vector<char> before = tight;
  std::uint32_t len = 3;
  EXPECT_EQ(sjis_to_utf8_s(tight.data(), &len, 8), nullptr);
  EXPECT_EQ(len, 3u);
  EXPECT_EQ(tight, before);

  std::vector<char> exact(9, 'x');
  std::memcpy(exact.data(), sjis.data(), sjis.size());
  EXPECT_EQ(sjis_to_utf8_s(exact.data(), &len, 9), exact.data());
  EXPECT_EQ(len, 6u);
  EXPECT_EQ(std::string(exact.data(), 9), utf8);

  // Characters that shrink (undefined codes) and grow in one text.
  std::vector<char> mixed(32, 'x');
  std::memcpy(mixed.data(), "\x81\x7F\xB1\x81\x7F\xB1", 6);
  len = 6;
  ASSERT_NE(sjis_to_utf8_s(mixed.data(), &len, 32), nullptr);
  EXPECT_EQ(std::string(mixed.data(), len), "\0\xEF\xBD\xB1\0\xEF\xBD\xB1"s);
}

}  // namespace
}  // namespace tsuzuri::util
