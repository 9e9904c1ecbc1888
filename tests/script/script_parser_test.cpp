#include "script/script_parser.h"

#include <gtest/gtest.h>

#include <string>
#include <unordered_set>
#include <utility>
#include <vector>

#include "support/recording_sink.h"
#include "util/crc.h"
#include "util/display_name.h"
#include "util/sjis.h"

namespace tsuzuri::script {
namespace {

using Views = std::vector<std::string_view>;

ScriptLine parsed(std::string_view line, ScriptTables& tables) {
  ParsedScript script;
  parseLine(line, script, tables);
  EXPECT_EQ(script.size(), 1U);
  return script.front();
}

ScriptLine parsed(std::string_view line) {
  ScriptTables tables;
  return parsed(line, tables);
}

std::vector<std::pair<std::string, int>> linesOf(std::string_view text) {
  std::vector<std::pair<std::string, int>> lines;
  splitLines(text, [&](std::string_view line, int number) { lines.emplace_back(line, number); });
  return lines;
}

ParsedScript scriptOf(std::string_view text) {
  ParsedScript script;
  ScriptTables tables;
  parseScript(text, script, tables);
  return script;
}

// "あ" and "ソ" in Shift_JIS; the trail byte of "ソ" is a backslash.
const std::string kA = "\x82\xA0";
const std::string kSo = "\x83\x5C";

TEST(ScriptTrim, RemovesWhiteBytesAtBothEndsOnly) {
  EXPECT_EQ(trim(" \t\r\na b\r\n"), "a b");
  EXPECT_EQ(trim(" \t\r\n"), "");
  EXPECT_EQ(trim("\x0Bx\x0C"), "\x0Bx\x0C") << "only tab, LF, CR and space are white";
}

using Lines = std::vector<std::pair<std::string, int>>;

TEST(ScriptSplitLines, CutsAtLineFeedsAndKeepsCarriageReturns) {
  EXPECT_EQ(linesOf("a\r\n\nbc\n"), (Lines{{"a\r", 1}, {"", 2}, {"bc", 3}}));
  EXPECT_TRUE(linesOf("").empty());
  EXPECT_EQ(linesOf("a\nb"), (Lines{{"a", 1}})) << "a one-byte last line is dropped";
  EXPECT_EQ(linesOf("a\nbc"), (Lines{{"a", 1}, {"bc", 2}}));
}

TEST(ScriptSplitLines, NeverEndsALineInsideADoubleByteCharacter) {
  EXPECT_EQ(linesOf("\x81\nx\ny\n"), (Lines{{"\x81\nx", 1}, {"y", 2}}))
      << "the byte after a lead byte is part of the character";
  EXPECT_EQ(linesOf("a\n\x81"), (Lines{{"a", 1}})) << "a lone lead byte at the end";
  EXPECT_EQ(linesOf("a\nb\x81"), (Lines{{"a", 1}, {"b\x81", 2}}));
}

TEST(ScriptSplitStatements, CutsOutsideQuotesAndStopsAtComments) {
  EXPECT_EQ(splitStatements(" a 1 : b 2 ", ':'), (Views{"a 1", "b 2"}));
  EXPECT_EQ(splitStatements("a \"x:y\" : b 'p;q'", ':'), (Views{"a \"x:y\"", "b 'p;q'"}));
  EXPECT_EQ(splitStatements("a \"it's\":b", ':'), (Views{"a \"it's\"", "b"}))
      << "only the opening kind of quote closes";
  EXPECT_EQ(splitStatements("a 1 ; x : y", ':'), (Views{"a 1"}));
  EXPECT_EQ(splitStatements("a 1/2 // x : y", ':'), (Views{"a 1/2"}));
  EXPECT_EQ(splitStatements("a \"//;\"", ':'), (Views{"a \"//;\""}));
  EXPECT_EQ(splitStatements("", ':'), (Views{""})) << "the last piece stands even when empty";
  EXPECT_EQ(splitStatements("a: ; c", ':'), (Views{"a", ""}));
}

TEST(ScriptSplitStatements, PassesOverDoubleByteCharacters) {
  EXPECT_EQ(splitStatements("a \x81:b", ':'), (Views{"a \x81:b"}));
  EXPECT_EQ(splitStatements("a \x81;b", ':'), (Views{"a \x81;b"}));
  EXPECT_EQ(splitStatements("a \x81\"b:c", ':'), (Views{"a \x81\"b", "c"}))
      << "a quote byte inside a character opens no quotes";
  EXPECT_EQ(splitStatements("a \"" + kSo + "\":b", ':'), (Views{"a \"" + kSo + "\"", "b"}));
  EXPECT_EQ(splitStatements("a \x81", ':'), (Views{"a \x81"}));
}

TEST(ScriptSplitArguments, CutsEveryPieceAndKeepsCommentBytes) {
  EXPECT_TRUE(splitArguments("", ',').empty());
  EXPECT_EQ(splitArguments(" 1 , \"a,b\" ,c;d//e ", ','), (Views{"1", "\"a,b\"", "c;d//e"}));
  EXPECT_EQ(splitArguments("a,,", ','), (Views{"a", "", ""}));
  EXPECT_EQ(splitArguments("\x81,\x81", ','), (Views{"\x81,\x81"}));
}

TEST(ScriptParseLine, NonCommandLinesAreOneWholeToken) {
  EXPECT_EQ(parsed(""), (ScriptLine{""}));
  EXPECT_EQ(parsed("\tprint 1"), (ScriptLine{"\tprint 1"})) << "a blank first is text";
  EXPECT_EQ(parsed("*start ; x\r"), (ScriptLine{"*start ; x\r"}));
  EXPECT_EQ(parsed(kA + "text\r"), (ScriptLine{kA + "text\r"}));
}

TEST(ScriptParseLine, CommandLinesArePairsOfNameAndArgumentText) {
  EXPECT_EQ(parsed("print 1 ; note"), (ScriptLine{"print", " 1"}));
  EXPECT_EQ(parsed("print 1 // note"), (ScriptLine{"print", " 1"}));
  EXPECT_EQ(parsed("print \"a:b\" : say 'c;d'\r"),
            (ScriptLine{"print", " \"a:b\"", "say", " 'c;d'"}));
  EXPECT_EQ(parsed("a.b@c_9(1)"), (ScriptLine{"a.b@c_9", "(1)"}));
  EXPECT_EQ(parsed("a : : ; b"), (ScriptLine{"a", ""})) << "empty pieces are skipped";
  EXPECT_EQ(parsed("a:$=1"), (ScriptLine{"a", "", "$", "=1"}))
      << "the first byte of a piece is always part of its name";
  EXPECT_EQ(parsed("a:" + kA + kA), (ScriptLine{"a", "", kA, kA}));
}

TEST(ScriptParseLine, ConditionsAndElseAreFollowedByAStatementOfTheirOwn) {
  EXPECT_EQ(parsed("if (a == (b)) goto *x"), (ScriptLine{"if", " (a == (b))", "goto", " *x"}));
  EXPECT_EQ(parsed("elseif(a)  \t print 1"), (ScriptLine{"elseif", "(a)", "print", " 1"}));
  EXPECT_EQ(parsed("else if (b) c 1"), (ScriptLine{"else", "", "if", " (b)", "c", " 1"}));
  EXPECT_EQ(parsed("elsewhere 1"), (ScriptLine{"elsewhere", " 1"}));
  EXPECT_EQ(parsed("if (a) *x"), (ScriptLine{"if", " (a)", "", "*x"}))
      << "a following statement without a name character has an empty name";
  EXPECT_EQ(parsed("if (s == \"" + kA + ")\") x"),
            (ScriptLine{"if", " (s == \"" + kA + ")", "", ") x"}))
      << "the scan ignores quotes but passes over double-byte characters";
  EXPECT_EQ(parsed("if (\x81)) x"), (ScriptLine{"if", " (\x81))", "x", ""}));
}

TEST(ScriptParseLine, AConditionWithoutParenthesesHasEmptyArgumentText) {
  EXPECT_EQ(parsed("if a == 1 goto *x"), (ScriptLine{"if", "", "a", " == 1 goto *x"}));
  EXPECT_EQ(parsed("if ) ( x"), (ScriptLine{"if", "", "", ") ( x"}));
}

TEST(ScriptParseLine, NothingAfterAConditionGivesTheConditionAlone) {
  EXPECT_EQ(parsed("if (a)"), (ScriptLine{"if", " (a)"}));
  EXPECT_EQ(parsed("if (a)x"), (ScriptLine{"if", " (a)"})) << "x is the dropped byte";
  EXPECT_EQ(parsed("if (a)" + kA), (ScriptLine{"if", " (a)"}))
      << "a dropped character is dropped whole";
  EXPECT_EQ(parsed("if (a)\x81"), (ScriptLine{"if", " (a)"}));
  EXPECT_EQ(parsed("if"), (ScriptLine{"if", ""}));
  EXPECT_EQ(parsed("else ; c"), (ScriptLine{"else", ""}));
  EXPECT_EQ(parsed("else\x81"), (ScriptLine{"else", ""}));
  EXPECT_EQ(parsed("if (a) : b"), (ScriptLine{"if", " (a)", "b", ""}));
}

TEST(ScriptParseLine, DeclarationsCreateTheirTableEntries) {
  ScriptTables tables;
  EXPECT_EQ(parsed("defsub  mySub \r", tables), (ScriptLine{"defsub", "  mySub"}));
  EXPECT_EQ(parsed("funcLua  luaAdd , 2", tables), (ScriptLine{"funcLua", "  luaAdd , 2"}));
  EXPECT_EQ(parsed("if (a) funcSqu sqAdd", tables),
            (ScriptLine{"if", " (a)", "funcSqu", " sqAdd"}));
  EXPECT_EQ(tables.userCommands, (std::unordered_set<std::uint32_t>{util::crc32_hash("mySub")}));
  EXPECT_TRUE(tables.foreignFunctions.contains(util::crc32_hash("luaAdd")));
  EXPECT_TRUE(tables.foreignFunctions.contains(util::crc32_hash("sqAdd")));

  tables.foreignFunctions[util::crc32_hash("luaAdd")].caller = [](std::string_view) {};
  parsed("funcLua luaAdd", tables);
  EXPECT_TRUE(tables.foreignFunctions[util::crc32_hash("luaAdd")].caller)
      << "parsing again keeps a caller that the bridge has set";

  parsed("defsub", tables);
  parsed("funcLua", tables);
  parsed("funcSqu ,x", tables);
  EXPECT_EQ(tables.userCommands.size(), 1U) << "no name, no entry";
  EXPECT_EQ(tables.foreignFunctions.size(), 2U);
}

TEST(ScriptParse, ParsesEveryLineOfAText) {
  EXPECT_EQ(scriptOf("*start\r\nprint 1\r\n\r\n" + kA + "\r\nz"),
            (ParsedScript{{"*start\r"}, {"print", " 1"}, {"\r"}, {kA + "\r"}}))
      << "the single-byte last line is dropped";
}

class ScriptLabels : public ::testing::Test {
 protected:
  bool collect(std::uint64_t hash, std::string_view text) {
    return collectLabels(hash, scriptOf(text), tables, errors);
  }
  static std::string report(std::uint64_t hash, std::string_view numberedLine,
                            std::u8string_view why) {
    // A plain report that is shown, as the sink records it.
    return "P:" + util::hashDisplayName(hash) + std::string(numberedLine) + util::toSjis(why);
  }
  const Label* label(const char* name) const {
    const auto it = tables.labels.find(util::crc32_hash(name));
    return it == tables.labels.end() ? nullptr : &it->second;
  }

  ScriptTables tables;
  testing::RecordingSink errors;
};

TEST_F(ScriptLabels, RegistersLabelNamesUpToTheirEnd) {
  const std::string text =
      "*start  ; comment\n*st art\n*a/b\n*c:d\n*e\tf\n*.@_9\n*" + kA + kSo + "\ngoto *start\n";
  ASSERT_TRUE(collect(77, text));
  EXPECT_TRUE(errors.all.empty());
  for (const std::string& name :
       std::vector<std::string>{"start", "st", "a", "c", "e", ".@_9", kA + kSo}) {
    EXPECT_NE(label(name.c_str()), nullptr) << name;
  }
  EXPECT_EQ(tables.labels.size(), 7U);
  ASSERT_NE(label("st"), nullptr);
  EXPECT_EQ(label("st")->name, "st");
  EXPECT_EQ(label("st")->scriptHash, 77U);
  EXPECT_EQ(label("st")->line, 1);
  EXPECT_EQ(tables.scriptNames.at(77), util::hashDisplayName(77));
  EXPECT_TRUE(tables.alreadyRead.at(77).empty()) << "a script without text still has a table";
}

TEST_F(ScriptLabels, TextBlocksGetRecordsAndHideTheirLines) {
  const std::string text = "*top\n1st text\n*hidden\nprint 1\n\n\n\t" + kA + "\n\n*shown\n";
  ASSERT_TRUE(collect(5, text));
  EXPECT_EQ(tables.alreadyRead.at(5), (AlreadyReadTable{{1, 0}, {6, 0}}));
  EXPECT_EQ(label("hidden"), nullptr) << "a label right after a text line is text";
  ASSERT_NE(label("shown"), nullptr);
  EXPECT_EQ(label("shown")->line, 8);
}

TEST_F(ScriptLabels, ReportsAnInvalidName) {
  EXPECT_FALSE(collect(1234, "\n*ok\r\n"));
  EXPECT_EQ(errors.all, (std::vector{report(1234, "[2] *ok\r", u8" ※ラベル名が不正です")}))
      << "a CR from CR LF line ends is not part of a name";
  EXPECT_FALSE(tables.scriptNames.contains(1234)) << "a failed script gets no name";

  EXPECT_FALSE(collect(1, "*a-b\n"));
  EXPECT_EQ(errors.all.size(), 2U);
}

TEST_F(ScriptLabels, ReportsALabelDefinedTwiceAcrossScripts) {
  ASSERT_TRUE(collect(1, "*start\n*same\n"));
  EXPECT_FALSE(collect(2, "*other\n\n*same // again\n"));
  EXPECT_EQ(errors.all,
            (std::vector{report(2, "[3] *same // again", u8" ※ラベルが重複しています")}));
  EXPECT_EQ(label("same")->scriptHash, 1U) << "the first definition stays";
  EXPECT_EQ(label("same")->line, 1);

  EXPECT_FALSE(collect(3, "*same2\n*same2 x\n")) << "within one script as well";
}

}  // namespace
}  // namespace tsuzuri::script
