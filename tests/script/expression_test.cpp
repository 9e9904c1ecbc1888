#include "script/expression.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "script/number_conversion.h"
#include "util/sjis.h"

namespace tsuzuri::script {
namespace {

class RecordingSink final : public ErrorSink {
 public:
  void reportWithContext(std::string_view message, bool /*show*/) override {
    messages.emplace_back(message);
  }
  void reportPlain(std::string_view message, bool show) override {
    messages.emplace_back(message);
    shown = shown && show;
  }
  std::vector<std::string> messages;
  bool shown = true;
};

class FixedPlace final : public ScriptPlace {
 public:
  std::string_view currentScriptName() const override { return "script/0.txt"; }
  std::int32_t currentLineIndex() const override { return 12; }
};

// Messages are Shift_JIS; tests state them in UTF-8.
std::string sjis(const char8_t* text) {
  return util::toSjis(text);
}

class ExpressionTest : public ::testing::Test {
 protected:
  ExpressionTest() {
    *variables.numberedInteger(1) = 7;
    *variables.numberedInteger(2) = 3;
    *variables.numberedText(0) = "abc";
    variables.declareInteger("a") = 5;
    variables.declareText("s") = "hello";
    variables.declareText("name") = "a";  // names the integer "a"
  }

  // The message of the only report since the last call, without the place
  // and statement in front.
  std::string lastMessage() {
    if (sink.messages.size() != 1) return "<" + std::to_string(sink.messages.size()) + " reports>";
    const std::string mark = sjis(u8" ※");
    std::string message = sink.messages.front();
    sink.messages.clear();
    const auto at = message.find(mark);
    return at == std::string::npos ? message : message.substr(at + mark.size());
  }

  Variables variables;
  RecordingSink sink;
  FixedPlace place;
  Expression expression{variables, sink, place};
};

struct NumberCase {
  const char* text;
  double expected;
};

TEST_F(ExpressionTest, Numbers) {
  const NumberCase cases[] = {
      // Arithmetic, and one precedence level grouping left to right.
      {"7 \\ 2", 3},
      {"7 / 2", 3.5},
      {"-7 \\ 2", -3},
      {"7 % -2", 1},
      {"-7 % 2", -1},
      {"1 + 2 * 3", 7},
      {"10 - 2 - 3", 5},
      {"1 < 2 == 1", 1},
      {"1 | 2 && 0", 0},
      {"6 & 3", 2},
      {"1.5 | 0", 1},
      {"1 << 4", 16},
      {"1 << 33", 2},
      {"-16 >> 2", -4},
      {"3 != 4", 1},
      {"2 * 3 == 6", 1},
      // "!=" is known by its "!" and "==" by its first "=": the next token is passed over.
      {"3 ! 3", 0},
      {"3 = 9 3", 1},
      {"0x10", 16},
      {"0xFFFFFFFF", 4294967295.0},
      {"0x", 0},
      // Sign runs cancel in pairs and apply from the left: -!0 is !(-0).
      {"--5", 5},
      {"-+-5", 5},
      {"-!0", 1},
      {"!-3", 0},
      {"!!7", 1},
      {"!(1 - 1)", 1},
      // Variables; %%2 reads %3 because %2 is 3.
      {"%1 * %2", 21},
      {"%a + 1", 6},
      {"%%2", 5},
      {"%$name", 5},
      {R"(%("0x10"))", 16},
      {R"(%("12"))", 12},
      {R"(%("1.5"))", 1.5},
      // Bytes of texts, little-endian; bytes past the end count as 0.
      {"*$s", 'h'},
      {"*($0)2", 0x6261},
      {"*($0)4", 0x636261},
      {R"(*(""))", 0},
      // Texts compare bytewise, unsigned and case sensitive; a prefix is smaller.
      {R"("b" < "ba")", 1},
      {R"("B" == "b")", 0},
      {"\"a\" < \"\x82\xa0\"", 1},
      {R"("abc" == "abc")", 1},
      {R"("x" - 1)", -1}};
  *variables.numberedInteger(3) = 5;  // %%2 reads %3
  for (const auto& c : cases) {
    const Value v = expression.evaluate(c.text);
    EXPECT_FALSE(v.isNone()) << c.text;
    EXPECT_DOUBLE_EQ(v.number, c.expected) << c.text;
  }
  EXPECT_TRUE(sink.messages.empty());
}

struct TextCase {
  const char* text;
  const char* expected;
};

TEST_F(ExpressionTest, Texts) {
  const TextCase cases[] = {{R"("abcdef" + 2)", "cdef"},
                            {R"(2 + "abcdef")", "cdef"},
                            {R"("abcdef" + 10)", ""},
                            {R"("abcdef" + -1)", ""},
                            {R"("ab" + "cd" + 'e"f')", R"(abcde"f)"},
                            {R"($s + "!")", "hello!"},
                            {"$0", "abc"},
                            {"$$name", ""},
                            {"$(5)3", "005"},
                            {"$(12345)3", "12345"},
                            {"$(-5)3", "-005"},
                            {R"($("x"))", "x"},
                            {"name", "name"},
                            {R"("")", ""},
                            // An unclosed quote takes the rest; a quote byte inside a double-byte
                            // character closes nothing.
                            {"\"open", "open"},
                            {"\"\x82\x22\" + \"\"", "\x82\x22"},
                            // A label takes every remaining token.
                            {"*start", "*start"},
                            {R"(*a + 1 "b")", "*a+1b"}};
  variables.declareText("a") = "";
  for (const auto& c : cases) {
    const Value v = expression.evaluate(c.text);
    EXPECT_TRUE(v.isText()) << c.text;
    EXPECT_EQ(v.text, c.expected) << c.text;
  }
  EXPECT_TRUE(sink.messages.empty());
}

TEST_F(ExpressionTest, KindsOfResults) {
  EXPECT_TRUE(expression.evaluate("").isNone());
  EXPECT_TRUE(expression.evaluate("  \t").isNone());
  EXPECT_TRUE(expression.evaluate("\"\"").isText()) << "an empty quoted text is a value";
  const Value compared = expression.evaluate(R"("abc" == "abc")");
  EXPECT_TRUE(compared.isNumber());
  EXPECT_EQ(compared.text, "abc") << "the left text stays attached";
  EXPECT_TRUE(expression.evaluate("\"abc\" | 1").isText()) << "level A keeps the left kind";
  EXPECT_TRUE(expression.evaluate("1 2 3").isNumber()) << "what does not parse is ignored";
  EXPECT_EQ(expression.evaluate("1 2 3").number, 1);
}

TEST_F(ExpressionTest, DivisionByZeroIsDefined) {
  EXPECT_EQ(expression.evaluate("1 / 0").number, std::numeric_limits<double>::infinity());
  EXPECT_TRUE(std::isnan(expression.evaluate("0 / 0").number));
  EXPECT_EQ(expression.evaluate("7 \\ 0").number, 0);
  EXPECT_EQ(expression.evaluate("7 % 0").number, 0);
  EXPECT_EQ(expression.evaluate("$(1 / 0)").text, "0");
  EXPECT_EQ(expression.evaluate("(0 / 0) | 3").number, 3);
}

TEST_F(ExpressionTest, InvalidVariablesAreReportedAndGiveNoValue) {
  const struct {
    const char* text;
    const char8_t* message;
  } cases[] = {
      {"%nothing + 1", u8"数値変数が不正です"}, {"%256", u8"数値変数が不正です"},
      {"1 + %%a", u8"数値変数が不正です"},  // %a is 300
      {"$nothing", u8"文字変数が不正です"},     {"$%a", u8"文字変数が不正です"},
      {"$+", u8"文字変数が不正です"},           {"\"x\" + $$s", u8"文字変数が不正です"},
  };
  variables.declareInteger("a") = 300;  // out of 0-255 as an index
  for (const auto& c : cases) {
    EXPECT_TRUE(expression.evaluate(c.text).isNone()) << c.text;
    EXPECT_EQ(lastMessage(), sjis(c.message)) << c.text;
  }
  EXPECT_EQ(variables.findInteger("nothing"), nullptr) << "reading creates nothing";
}

TEST_F(ExpressionTest, ReportNamesThePlaceAndTheStatement) {
  expression.evaluate("%x + 1");
  ASSERT_EQ(sink.messages.size(), 1U);
  EXPECT_EQ(sink.messages[0], "script/0.txt[12] %x + 1" + sjis(u8" ※数値変数が不正です"));
  EXPECT_TRUE(sink.shown);
  sink.messages.clear();
  expression.assign("%a = %x");
  ASSERT_FALSE(sink.messages.empty());
  EXPECT_EQ(sink.messages[0].rfind("script/0.txt[12] %a = %x", 0), 0U)
      << "the value of an assignment names the whole assignment";
}

TEST_F(ExpressionTest, LongAndDeepTextsStayBounded) {
  std::string sum = "0";
  for (int i = 0; i < 500; ++i) sum += " + 1";
  EXPECT_EQ(expression.evaluate(sum).number, 500) << "no 255-byte limit";
  EXPECT_EQ(expression.evaluate("\"" + std::string(1000, 'q') + "\"").text.size(), 1000U);

  EXPECT_EQ(expression.evaluate(std::string(100, '(') + "4" + std::string(100, ')')).number, 4);
  EXPECT_TRUE(expression.evaluate(std::string(100000, '(') + "1").isNone());
  EXPECT_EQ(lastMessage(), sjis(u8"式が複雑すぎます"));
  EXPECT_TRUE(expression.evaluate(std::string(100000, '%') + "1").isNone());
  EXPECT_EQ(lastMessage(), sjis(u8"数値変数が不正です"));
  const Value signs = expression.evaluate(std::string(257, '-') + "1");
  EXPECT_EQ(signs.text, "-") << "the sign run stops at 256 tokens; the next one is the operand";
  EXPECT_EQ(signs.number, 0);
}

TEST_F(ExpressionTest, ResolvesWholeReferencesOnly) {
  *variables.numberedInteger(7) = 9;
  EXPECT_EQ(expression.resolveInteger("%1"), variables.numberedInteger(1));
  EXPECT_EQ(expression.resolveInteger(" %a \r\n"), variables.findInteger("a"));
  EXPECT_EQ(expression.resolveInteger("%%1"), variables.numberedInteger(7));
  EXPECT_EQ(expression.resolveInteger("%$name"), variables.findInteger("a"));
  EXPECT_EQ(expression.resolveText("$0"), variables.numberedText(0));
  EXPECT_EQ(expression.resolveText("$s"), variables.findText("s"));
  EXPECT_EQ(expression.resolveText("$%2"), variables.numberedText(3));
  for (const char* invalid :
       {"%a b", "%", "a", "$s", "%zz", "%256", "%-1", "%(1)", "%%zz", "%a;"}) {
    EXPECT_EQ(expression.resolveInteger(invalid), nullptr) << invalid;
  }
  for (const char* invalid : {"$s + 1", "$", "%a", "$zz", "$$zz", "$%%zz"}) {
    EXPECT_EQ(expression.resolveText(invalid), nullptr) << invalid;
  }
  EXPECT_TRUE(sink.messages.empty()) << "resolving reports nothing";
}

TEST_F(ExpressionTest, AssignsIntegers) {
  const struct {
    const char* statement;
    std::int32_t expected;
  } cases[] = {{"%a = 2 + 3 * 4", 14},
               {"%a += 10", 24},
               {"%a -= 30", -6},
               {"%a *= 3", -18},
               {"%a /= 4", -4},
               {"%a = 7", 7},
               {"%a \\= 2", 3},
               {"%a = -7", -7},
               {"%a %= 2", -1},
               {"%a = 12", 12},
               {"%a &= 10", 8},
               {"%a |= 3", 11},
               {"%a ^= 1", 10},
               {"%a <<= 33", 20},
               {"%a = -20", -20},
               {"%a >>= 2", -5},
               {"%a = 0xFFFFFFFF", -1},
               // 32-bit wrap-around.
               {"%a = 2147483647", 2147483647},
               {"%a += 1", -2147483647 - 1},
               {"%a /= -1", -2147483647 - 1},
               {"%a %= -1", 0},
               {"%a = 2.9", 2},
               {"%a = -2.9", -2},
               {"%a = 1 / 0", 0},
               // A text leaves an integer alone.
               {R"(%a = "x")", 0}};
  for (const auto& c : cases) {
    expression.assign(c.statement);
    EXPECT_EQ(*variables.findInteger("a"), c.expected) << c.statement;
  }
  expression.assign("%%2 = 4");
  EXPECT_EQ(*variables.numberedInteger(3), 4);
  expression.assign("%$name += 1");
  EXPECT_EQ(*variables.findInteger("a"), 1);
  EXPECT_TRUE(sink.messages.empty());
}

TEST_F(ExpressionTest, AssignsTexts) {
  expression.assign(R"($s = "ab" + "c")");
  EXPECT_EQ(*variables.findText("s"), "abc");
  expression.assign("$s += $(5)2");
  EXPECT_EQ(*variables.findText("s"), "abc05");
  expression.assign("$s = 5");
  EXPECT_EQ(*variables.findText("s"), "abc05") << "a number leaves a text alone";
  expression.assign("$%2 = 'x'");
  EXPECT_EQ(*variables.numberedText(3), "x");
  EXPECT_TRUE(sink.messages.empty());

  for (const char* op : {"-=", "*=", "/=", "%=", "\\=", "&=", "|=", "^=", "<<=", ">>="}) {
    expression.assign(std::string("$s ") + op + " \"x\"");
    EXPECT_EQ(lastMessage(), sjis(u8"文字変数に ") + op + sjis(u8" 複合代入演算子は使えません"));
  }
  EXPECT_EQ(*variables.findText("s"), "abc05");
}

TEST_F(ExpressionTest, AssignsByteFields) {
  variables.declareText("b") = std::string("\x01\x02\x03\x04\x05", 5);
  expression.assign("*$b = 65");
  expression.assign("*($b 1)2 = 0x1234");
  expression.assign("*($b 3)4 += 1");  // reaches past the end: refused
  EXPECT_EQ(lastMessage(), sjis(u8"文字変数の位置が不正です"));
  expression.assign("*($b 1 + 2)2 += 0x0101");
  EXPECT_EQ(*variables.findText("b"), std::string("\x41\x34\x12\x05\x06", 5));
  EXPECT_EQ(expression.evaluate("*($b)4").number, 0x05123441);

  expression.assign("*($b)4 = -1");
  EXPECT_EQ(*variables.findText("b"), std::string("\xFF\xFF\xFF\xFF\x06", 5));
  expression.assign("*($b)4 >>= 4");   // a 4-byte field is signed
  expression.assign("*($b 4) >>= 1");  // a narrower one is not
  EXPECT_EQ(*variables.findText("b"), std::string("\xFF\xFF\xFF\xFF\x03", 5));
  expression.assign("*($b 4)3 = 0x4142");  // any width but 2 and 4 is 1
  EXPECT_EQ(*variables.findText("b"), std::string("\xFF\xFF\xFF\xFF\x42", 5));

  for (const char* refused : {"*($b -1) = 1", "*($b 5) = 1", "*($b 4)2 = 1"}) {
    expression.assign(refused);
    EXPECT_EQ(lastMessage(), sjis(u8"文字変数の位置が不正です")) << refused;
  }
  variables.declareText("e");
  expression.assign("*$e = 1");
  EXPECT_EQ(lastMessage(), sjis(u8"文字変数の位置が不正です"));
  EXPECT_EQ(*variables.findText("b"), std::string("\xFF\xFF\xFF\xFF\x42", 5));
}

TEST_F(ExpressionTest, RefusedAssignmentsChangeNothing) {
  const struct {
    const char* statement;
    std::vector<const char8_t*> messages;
  } cases[] = {
      {"a = 1", {u8"変数に代入する式ではありません"}},
      {"a ? 1", {u8"変数に代入する式ではありません", u8"代入演算子が不正です"}},
      {"%a + 1", {u8"代入演算子が不正です"}},
      {"%a < = 1", {u8"代入演算子が不正です"}},
      {"%a =", {u8"変数に代入する型が合いません"}},
      {"%a = %zz", {u8"数値変数が不正です", u8"変数に代入する型が合いません"}},
      {"%zz = 1", {u8"数値変数が不正です"}},
      {"$zz = \"x\"", {u8"文字変数が不正です"}},
      {"*x = 1", {u8"変数に代入する式ではありません"}},
      {"*($b 1 = 1", {u8"変数に代入する式ではありません"}},
      {"*($b %zz) = 1", {u8"数値変数が不正です"}},
      {"%a /= 0", {u8"0 で割ることはできません"}},
      {"%a \\= 0.5", {u8"0 で割ることはできません"}},
      {"%a %= 0", {u8"0 で割ることはできません"}},
      {"*$s %= 0", {u8"0 で割ることはできません"}},
  };
  variables.declareText("b") = "xyz";
  for (const auto& c : cases) {
    expression.assign(c.statement);
    ASSERT_EQ(sink.messages.size(), c.messages.size()) << c.statement;
    for (std::size_t i = 0; i < c.messages.size(); ++i) {
      EXPECT_TRUE(sink.messages[i].ends_with(sjis(u8" ※") + sjis(c.messages[i]))) << c.statement;
    }
    sink.messages.clear();
    EXPECT_EQ(*variables.findInteger("a"), 5) << c.statement;
    EXPECT_EQ(*variables.findText("s"), "hello") << c.statement;
    EXPECT_EQ(*variables.findText("b"), "xyz") << c.statement;
  }
}

TEST(Variables, NameHashCombinesBytes) {
  EXPECT_EQ(variableNameHash(""), 0U);
  EXPECT_EQ(variableNameHash("a"), 0x9E3779B9U + 0x61U);
  // Second byte: h ^= 'b' + 0x9E3779B9 + (h << 6) + (h >> 2).
  const std::uint32_t h = 0x9E3779B9U + 0x61U;
  EXPECT_EQ(variableNameHash("ab"), h ^ (0x62U + 0x9E3779B9U + (h << 6) + (h >> 2)));
  const std::uint32_t lead = 0x82U + 0x9E3779B9U;
  EXPECT_EQ(variableNameHash("\x82"), lead) << "bytes count unsigned";
}

TEST(Variables, NumberedAlwaysExistNamedOnceDeclared) {
  Variables variables;
  EXPECT_NE(variables.numberedText(255), nullptr);
  EXPECT_EQ(variables.numberedInteger(256), nullptr);
  EXPECT_EQ(variables.numberedText(-1), nullptr);
  variables.declareInteger("x") = 4;
  EXPECT_EQ(variables.declareInteger("x"), 4) << "declaring again keeps the value";
  EXPECT_EQ(variables.findText("x"), nullptr) << "the two maps are separate";
  EXPECT_TRUE(variables.eraseInteger("x"));
  EXPECT_FALSE(variables.eraseInteger("x"));
  *variables.numberedText(3) = "y";
  variables.clear();
  EXPECT_EQ(*variables.numberedText(3), "");
}

TEST(NumberConversion, EveryDoubleHasAnInteger) {
  const double inf = std::numeric_limits<double>::infinity();
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const struct {
    double value;
    std::int32_t int32;
    std::int64_t int64;
  } cases[] = {{2.9, 2, 2},
               {-2.9, -2, -2},
               {4294967295.0, -1, 4294967295LL},
               {2147483648.0, -2147483647 - 1, 2147483648LL},
               {-2147483649.0, 2147483647, -2147483649LL},
               {1e10, 1410065408, 10000000000LL},
               {9223372036854775808.0, 0, 0},
               {-9223372036854775808.0, 0, std::numeric_limits<std::int64_t>::min()},
               {1e300, 0, 0},
               {inf, 0, 0},
               {-inf, 0, 0},
               {nan, 0, 0}};
  for (const auto& c : cases) {
    EXPECT_EQ(truncateToInt32(c.value), c.int32) << c.value;
    EXPECT_EQ(wrapToInt32(c.value), c.int32) << c.value;
    EXPECT_EQ(truncateToInt64(c.value), c.int64) << c.value;
  }
}

}  // namespace
}  // namespace tsuzuri::script
