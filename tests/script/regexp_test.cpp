#include "script/regexp.h"

#include <gtest/gtest.h>
#include <regex.h>

#include <functional>

#include "platform/system_regex.h"
#include "script/script_world.h"
#include "util/sjis.h"

namespace tsuzuri::script {
namespace {

using util::toSjis;

// Shift_JIS characters whose trail byte is an ASCII character.
const std::string kHyo = "\x95\x5C";  // 表, trail "\"
const std::string kSo = "\x83\x5C";   // ソ, trail "\"
const std::string kA = "\x83\x41";    // ア, trail "A"
const std::string kDi = "\x83\x61";   // ヂ, trail "a"

std::string sjis(std::u8string_view utf8) {
  return toSjis(utf8);
}

TEST(RegexpTest, MatchFindsTheFirstMatchByWholeCharacters) {
  struct Case {
    std::string pattern;
    std::string text;
    std::optional<std::pair<std::size_t, std::size_t>> expected;
  };
  const Case cases[] = {
      {"m/b+/", "abbbc", {{1, 3}}},
      {"/b/g", "abc", {{1, 1}}},
      {"m#a/b#", "xa/b", {{1, 3}}},
      {"m/a\\/b/", "xa/b", {{1, 3}}},
      {"m {a{2}}", "baa", {{1, 2}}},
      {"m/x*/", "abc", {{0, 0}}},
      {"m/q/", "abc", std::nullopt},
      {"m/\\\\/", kHyo + "\\", {{2, 1}}},
      {"m/\\\\/", kSo + kHyo, std::nullopt},
      {"m/A/", kA, std::nullopt},
      {"m/a/i", kDi + kA + "A", {{4, 1}}},
      {"m/./", kHyo, {{0, 2}}},
      {"m/" + kHyo + "/", kSo + kHyo, {{2, 2}}},
      {"m/[" + kHyo + "]/", "\\" + kHyo, {{1, 2}}},
      {"m/^b/", "a\nb", std::nullopt},
      {"m/^b/m", "a\nb", {{2, 1}}},
      {"m/c$/", "abc\n", {{2, 1}}},
      {"m/a$/", "a\nb", std::nullopt},
      {"m/a$/mk", "a\nb", {{0, 1}}},
      {"m/a.b/", "a\nb", std::nullopt},
      {"m/a.b/s", "a\nb", {{0, 3}}},
      {"m/a b # note\n/x", "xab", {{1, 2}}},
      {std::string("m/\\x00c/"), std::string("ab\0c", 4), {{2, 2}}},
      {"m/c/", std::string("a\0c", 3), {{2, 1}}},
      // A lead byte at the very end is a character of its own.
      {"m/b/", "ab\x95", {{1, 1}}},
  };
  Regexps regexps;
  for (const Case& c : cases) {
    const auto result = regexps.match(c.pattern, c.text);
    ASSERT_FALSE(result.failed()) << c.pattern << ": " << result.error;
    std::optional<std::pair<std::size_t, std::size_t>> got;
    if (result.value) got = std::pair(result.value->position, result.value->length);
    EXPECT_EQ(got, c.expected) << c.pattern;
  }
}

TEST(RegexpTest, SubstituteReplacesTheFirstOrEveryMatch) {
  struct Case {
    std::string pattern;
    std::string text;
    std::string expected;
    int count;
  };
  const Case cases[] = {
      {"s/b/X/", "abcabc", "aXcabc", 1},
      {"s/b/X/g", "abcabc", "aXcaXc", 2},
      {"s/q/X/g", "abc", "abc", 0},
      {"s/B/x/gi", "abAB", "axAx", 2},
      {"s{b} {X}g", "abb", "aXX", 2},
      {"s{b}/X/", "ab", "aX", 1},
      {"s!b!/!", "abc", "a/c", 1},
      {"s/b/\\//", "abc", "a/c", 1},
      // The escaped delimiter is a plain "|" for the expression too.
      {"s|a\\|b|X|g", "a|b ab", "X ab", 1},
      {"s/(\\w+) (\\w+)/$2 $1/", "hello world", "world hello", 1},
      {"s/(a)(b)(c)(d)(e)(f)(g)(h)(i)(j)/${10}$1\\2/", "abcdefghij", "jab", 1},
      {"s/b/[$&$0]/g", "abc", "a[bb]c", 1},
      {"s/b/[$`|$']/", "abc", "a[a|c]c", 1},
      {"s/(b)/$2\\1\\1/", "abc", "abbc", 1},
      {"s/b/\\n\\t\\\\\\x41\\101$/", "abc", "a\n\t\\AA$c", 1},
      {"s/b/" + kHyo + "/", "abc", "a" + kHyo + "c", 1},
      {"s/^/> /mg", "a\nb", "> a\n> b", 2},
      // Empty matches: never twice at one place, but allowed right after a
      // longer match; a double-byte character is passed over whole.
      {"s/x*/-/g", "axc", "-a--c-", 4},
      {"s//-/g", kHyo + "a", "-" + kHyo + "-a-", 3},
      {"s/x*?/-/g", "x", "---", 3},
      {"s//-/g", "a\x95", "-a-\x95-", 3},
      {"s/\\\\/\\//g", kHyo + "\\" + kSo, kHyo + "/" + kSo, 1},
      {"s/A/B/g", kA + "A", kA + "B", 1},
  };
  Regexps regexps;
  for (const Case& c : cases) {
    const auto result = regexps.substitute(c.pattern, c.text);
    ASSERT_FALSE(result.failed()) << c.pattern << ": " << result.error;
    EXPECT_EQ(result.value.text, c.expected) << c.pattern;
    EXPECT_EQ(result.value.count, c.count) << c.pattern;
  }
}

TEST(RegexpTest, TransliterateFollowsPerlOptions) {
  struct Case {
    std::string pattern;
    std::string text;
    std::string expected;
    int count;
  };
  const Case cases[] = {
      {"tr/a-z/A-Z/", "abc1", "ABC1", 3},
      {"y/abc/x/", "aabbd", "xxxxd", 4},
      {"tr/abc/x/d", "abcd", "xd", 3},
      {"tr/a-c//", "abcd", "abcd", 3},
      {"tr/q//", "abc", "abc", 0},
      {"tr/aa/xy/", "a", "x", 1},
      {"tr/a-z//cd", "a1b2", "ab", 2},
      {"tr/a-z/_/c", "a1b2", "a_b_", 2},
      {"tr/a-z/_/cs", "a12b" + kHyo, "a_b_", 3},
      {"tr/a/a/s", "aaab", "ab", 3},
      {"tr/ab/xx/s", "aabba", "x", 5},
      // Deleted characters do not end a squeezed run.
      {"tr/ab/x/ds", "abab", "x", 4},
      {"tr/a\\-c/x/", "a-bc", "xxbx", 3},
      {"tr/-a/xy/", "-a", "xy", 2},
      {"tr/\\n\\\\/n|/", "\n\\", "n|", 2},
      {"tr{a}{b}", "a", "b", 1},
      {"tr/" + sjis(u8"あ-う") + "/" + sjis(u8"ア-ウ") + "/", sjis(u8"うあい"), sjis(u8"ウアイ"),
       3},
      {"tr/\\\\/\\//", kHyo + "\\" + kSo, kHyo + "/" + kSo, 1},
      {"tr/A/B/", kA + "A", kA + "B", 1},
      {"tr/" + kA + "/x/", "A" + kA, "Ax", 1},
      {"tr/a/b/", "a\x95", "b\x95", 1},
  };
  Regexps regexps;
  for (const Case& c : cases) {
    const auto result = regexps.transliterate(c.pattern, c.text);
    ASSERT_FALSE(result.failed()) << c.pattern << ": " << result.error;
    EXPECT_EQ(result.value.text, c.expected) << c.pattern;
    EXPECT_EQ(result.value.count, c.count) << c.pattern;
  }
}

TEST(RegexpTest, SplitFollowsPerlRules) {
  using Pieces = std::vector<std::string>;
  struct Case {
    std::string pattern;
    std::string text;
    Pieces expected;
  };
  const Case cases[] = {
      {"m/,/", "a,b,,c,,", {"a", "b", "", "c"}},
      {"/,/", ",a", {"", "a"}},
      {"m/ /", "  a", {"", "", "a"}},
      {"m/,/", ",,,", {}},
      {"m/q/", "abc", {"abc"}},
      {"//", "a" + kHyo + "b", {"a", kHyo, "b"}},
      {"m/x*/", "axb", {"a", "b"}},
      {"m/(,)(;)?/", "a,b", {"a", ",", "", "b"}},
      {"m/^/", "a\nb\n", {"a\n", "b\n"}},
      {"m/B/i", "abc", {"a", "c"}},
      {"m/\\\\/", kHyo + "\\" + kSo, {kHyo, kSo}},
      {"m/a/", kDi + "a" + kDi, {kDi, kDi}},
  };
  Regexps regexps;
  for (const Case& c : cases) {
    const auto result = regexps.split(c.pattern, c.text);
    ASSERT_FALSE(result.failed()) << c.pattern << ": " << result.error;
    EXPECT_EQ(result.value, c.expected) << c.pattern;
  }
}

TEST(RegexpTest, RefusesMalformedPatternsWithAReason) {
  struct Case {
    const char* operation;
    std::string pattern;
  };
  const Case cases[] = {
      {"match", "abc"},
      {"match", "m"},
      {"match", "m/abc"},
      {"match", "m/(/"},
      {"match", "m/a/q"},
      {"match", "ma/"},
      {"match", "s/a/b/"},
      {"substitute", "s/a/"},
      {"substitute", "m/a/b/"},
      {"substitute", "s/a/b/e"},
      {"substitute", "s{a}"},
      {"substitute", "s/[/x/"},
      {"transliterate", "tr/z-a/x/"},
      {"transliterate", "tr/a/b"},
      {"transliterate", "tr/a/b/g"},
      {"transliterate", "t/a/b/"},
      {"split", "s/a/b/"},
      {"split", "m/)/"},
  };
  Regexps regexps;
  for (const Case& c : cases) {
    const std::string_view op = c.operation;
    std::string error;
    // A refused pattern leaves the results as if nothing had matched.
    if (op == "match") {
      const auto r = regexps.match(c.pattern, "abc");
      EXPECT_FALSE(r.value.has_value()) << c.pattern;
      error = r.error;
    } else if (op == "split") {
      const auto r = regexps.split(c.pattern, "abc");
      EXPECT_TRUE(r.value.empty()) << c.pattern;
      error = r.error;
    } else {
      const auto r = op == "substitute" ? regexps.substitute(c.pattern, "abc")
                                        : regexps.transliterate(c.pattern, "abc");
      EXPECT_EQ(r.value.count, 0) << c.pattern;
      EXPECT_EQ(r.value.text, "abc") << c.pattern;
      error = r.error;
    }
    EXPECT_FALSE(error.empty()) << op << " " << c.pattern;
  }
}

TEST(RegexpTest, EmptyTextOrPatternGivesNothingWithoutCompiling) {
  Regexps regexps;
  EXPECT_FALSE(regexps.match("m/(/", "").failed());
  EXPECT_FALSE(regexps.match("", "abc").value.has_value());
  EXPECT_EQ(regexps.substitute("s/(//", "").value.count, 0);
  EXPECT_EQ(regexps.substitute("", "abc").value.text, "abc");
  EXPECT_EQ(regexps.transliterate("tr/z-a//", "").value.count, 0);
  EXPECT_TRUE(regexps.split("m/(/", "").value.empty());
  EXPECT_TRUE(regexps.split("", "abc").value.empty());
  EXPECT_EQ(regexps.cachedCount(), 0U);
}

TEST(RegexpTest, CacheStaysSmallAndKeepsOperationsApart) {
  Regexps regexps;
  for (int i = 0; i < 500; ++i) {
    const auto r = regexps.match("m/" + std::to_string(i) + "/", "x" + std::to_string(i));
    ASSERT_TRUE(r.value.has_value());
    EXPECT_EQ(r.value->position, 1U);
  }
  EXPECT_LE(regexps.cachedCount(), 100U);
  // The same text is a split pattern with its own rule for /^/.
  ASSERT_FALSE(regexps.match("m/^/", "a\nb").failed());
  EXPECT_EQ(regexps.split("m/^/", "a\nb").value, (std::vector<std::string>{"a\n", "b"}));
  // A refused pattern stays refused when it comes again.
  EXPECT_TRUE(regexps.match("m/(/", "a").failed());
  EXPECT_TRUE(regexps.match("m/(/", "a").failed());
}

class RegexpBuiltinsTest : public ::testing::Test {
 protected:
  std::int32_t& integer(int n) { return *world.variables.numberedInteger(n); }
  std::string& text(int n) { return *world.variables.numberedText(n); }

  testing::ScriptWorld world;
};

TEST_F(RegexpBuiltinsTest, WriteTheirResultsIntoVariables) {
  integer(3) = 7;
  world.load(0, "script/0.txt",
             "regexp_create\n"
             "regexp_replace \"abcabc\", \"s/b/X/g\", $0\n"
             "regexp_count \"abcabc\", \"s/b/X/g\", %0\n"
             "regexp_trans \"a" +
                 kHyo +
                 "c\", \"tr/a-c/A-C/\", $1\n"
                 "regexp_match \"xxabc\", \"m/ab/\", %1, %2, $2\n"
                 "regexp_match \"xxabc\", \"m/q/\", %3, %4, $3\n"
                 "regexp_replace \"abc\", \"s/q/X/\", $4\n"
                 "regexp_split \"a,b,,c\", \"m/,/\", $5, $6, %5=9, $7, $8=none\n");
  world.run();

  EXPECT_EQ(world.errors.all, std::vector<std::string>{});
  EXPECT_EQ(text(0), "aXcaXc");
  EXPECT_EQ(integer(0), 2);
  EXPECT_EQ(text(1), "A" + kHyo + "C");
  EXPECT_EQ(integer(1), 2);
  EXPECT_EQ(integer(2), 2);
  EXPECT_EQ(text(2), "ab");
  // Without a match the position stays, the length is 0 and the text empty.
  EXPECT_EQ(integer(3), 7);
  EXPECT_EQ(integer(4), 0);
  EXPECT_EQ(text(3), "");
  EXPECT_EQ(text(4), "abc");
  EXPECT_EQ(text(5), "a");
  EXPECT_EQ(text(6), "b");
  EXPECT_EQ(integer(5), 9);
  EXPECT_EQ(text(7), "c");
  EXPECT_EQ(text(8), "none");
  EXPECT_EQ(world.interpreter.commandName().view(), "regexp_split");
}

TEST_F(RegexpBuiltinsTest, ReportBadPatternsAndMatchNothing) {
  text(0) = "kept";
  integer(0) = 5;
  integer(1) = 5;
  integer(2) = 5;
  integer(3) = 5;
  world.load(0, "script/0.txt",
             "regexp_replace \"abc\", \"s/(/x/\", $0\n"
             "regexp_count \"abc\", \"s/(/x/\", %0\n"
             "regexp_match \"abc\", \"m/(/\", %1, %2\n"
             "regexp_split \"a,b\", \"m/,\", $1=d, $2\n"
             "regexp_count \"abc\", \"\", %3\n");
  world.run();

  ASSERT_EQ(world.errors.withContext.size(), 4U);
  const std::string lead = toSjis(u8"正規表現が不正です");
  const char* patterns[] = {"s/(/x/", "s/(/x/", "m/(/", "m/,"};
  for (std::size_t i = 0; i < 4; ++i) {
    EXPECT_TRUE(world.errors.withContext[i].starts_with(lead)) << i;
    EXPECT_NE(world.errors.withContext[i].find(patterns[i]), std::string::npos) << i;
  }
  // As when nothing matched: the replaced text is the text itself.
  EXPECT_EQ(text(0), "abc");
  EXPECT_EQ(integer(0), 0);
  EXPECT_EQ(integer(1), 5);
  EXPECT_EQ(integer(2), 0);
  EXPECT_EQ(text(1), "d");
  EXPECT_EQ(text(2), "");
  EXPECT_EQ(integer(3), 0);
}

}  // namespace
}  // namespace tsuzuri::script

// Oniguruma exports the POSIX regular-expression names as well; the
// program's own definitions send every library that calls them to the C
// library, with POSIX syntax.
TEST(SystemRegex, PosixNamesReachTheCLibrary) {
  tsuzuri::platform::keepSystemRegex();
  regex_t pattern;
  // "(?i)" is Oniguruma's syntax; for POSIX the repetition has no operand.
  EXPECT_NE(regcomp(&pattern, "(?i)a", REG_EXTENDED | REG_NOSUB), 0);
  ASSERT_EQ(regcomp(&pattern, "^[[:digit:]]+x$", REG_EXTENDED | REG_NOSUB), 0);
  EXPECT_EQ(regexec(&pattern, "123x", 0, nullptr, 0), 0);
  EXPECT_EQ(regexec(&pattern, "12yx", 0, nullptr, 0), REG_NOMATCH);
  regfree(&pattern);
}
