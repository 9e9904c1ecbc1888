#include "script/text_list.h"

#include <gtest/gtest.h>

#include "script/script_world.h"
#include "script/text_order.h"
#include "support/temp_dir.h"
#include "util/sjis.h"

namespace tsuzuri::script {
namespace {

using namespace std::string_literals;
using testing::ScriptWorld;
using testing::TempDir;
using Lines = std::vector<std::string>;

TEST(TextList, LoadsTheThreeEncodingsKeepingLineEndsAndTheMark) {
  struct Case {
    std::string bytes;
    TextList::Encoding encoding;
    Lines lines;
  };
  const Case cases[] = {
      {"a\r\nb\nc"s, TextList::kAnsi, {"a\r\n", "b\n", "c"}},
      {""s, TextList::kAnsi, {}},
      // A lead byte takes the next byte with it, even a LF.
      {"\x82\xA0\n\x81\nz"s, TextList::kAnsi, {"\x82\xA0\n", "\x81\nz"}},
      {"\xFF\xFE"
       "a\0\n\0"
       "b\0"s,
       TextList::kUtf16Le,
       {"\xFF\xFE"
        "a\0\n\0"s,
        "b\0"s}},
      // 0A 00 straddling two units is no line end.
      {"\xFF\xFE"
       "\0\x0A\0\x41"s,
       TextList::kUtf16Le,
       {"\xFF\xFE"
        "\0\x0A\0\x41"s}},
      {"\xFE\xFF"
       "\0a\0\n"
       "\0b\0"s,
       TextList::kUtf16Be,
       {"\xFE\xFF"
        "\0a\0\n"s,
        "\0b\0"s}},
  };
  for (const Case& c : cases) {
    TextList list;
    list.load("stale\n");
    list.load(c.bytes);
    EXPECT_EQ(list.encoding(), c.encoding) << c.bytes;
    EXPECT_EQ(list.lines(), c.lines) << c.bytes;
    EXPECT_EQ(list.bytes(0, list.size()), c.bytes) << "saving gives the file back";
  }
}

TEST(TextOrder, ComparesBytesAndFoldsCopies) {
  EXPECT_LT(compareBytes("ab", "abc"), 0);
  EXPECT_GT(compareBytes("\x82\xA0", "z"), 0) << "bytes compare unsigned";
  const std::pair<std::string, std::string> folds[] = {
      {"AbZ@[", "abz@["},
      {"\x82\x60\x82\x79", "\x82\x81\x82\x9A"},                                  // ＡＺ -> ａｚ
      {"\x83\x40\x83\x7E\x83\x80\x83\x93", "\x82\x9F\x82\xDD\x82\xDE\x82\xF1"},  // ァミムン
      {"\x83\x94\x83\x9F", "\x83\x94\x83\x9F"},                                  // ヴ and Α stay
      // The trail byte 41 of ア is no capital; a lone lead byte ends the text.
      {"\x83\x41"
       "A\x83",
       "\x82\xA0"
       "a\x83"},
  };
  for (const auto& [text, folded] : folds) EXPECT_EQ(foldForComparison(text), folded) << text;
}

// Runs a script on a text list read with loadText from a file holding `file`.
struct TextWorld {
  explicit TextWorld(std::string_view file) { dir.write("in.txt", file); }
  void run(const std::string& script) {
    w.load(0, "script/0.txt", "loadText \"" + dir.path() + "in.txt\", %9\n" + script);
    w.run();
  }
  const Lines& lines() const { return w.state.textList.lines(); }
  std::string& text(int i) { return *w.variables.numberedText(i); }

  TempDir dir;
  ScriptWorld w;
};

TEST(TextListBuiltins, GetTrimsACopyAndSetInsertAddWriteTheLineEnd) {
  TextWorld t("  abc \r\nsecond\n");
  t.run(
      "getText $0, 1\ngetText $1, 1, 1\nsetText \"S\", 2, 1\ninsertText \"I\", 1\n"
      "addText \"A\"\naddText \"E\", 1\n");
  EXPECT_EQ(*t.w.variables.numberedInteger(9), 2);
  EXPECT_EQ(t.text(0), "abc");
  EXPECT_EQ(t.text(1), "  abc \r\n");
  EXPECT_EQ(t.lines(), (Lines{"I", "  abc \r\n", "S\r\n", "A", "E\r\n"}));

  TextWorld u(
      "\xFF\xFE"
      "a\0\n\0"
      "b\0"s);
  u.run("setText \"x\", 2, 1\n");
  EXPECT_EQ(u.lines(), (Lines{"\xFF\xFE"
                              "a\0\n\0"s,
                              "x\x0A\0"s}));
}

TEST(TextListBuiltins, LineNumbersOutsideTheListAreReportedAndChangeNothing) {
  TextWorld t("one\ntwo\n");
  t.run(
      "getText $0, 0\ngetText $0, 3\nsetText \"x\", 3\ninsertText \"x\", 0\n"
      "sortText 0, 3, 0\nsortText -1, 0, 0\nsortText 2, 1, 2\n");
  EXPECT_EQ(t.text(0), "");
  EXPECT_EQ(t.lines(), (Lines{"one\n", "two\n"}));
  EXPECT_EQ(t.w.errors.withContext, Lines(6, util::toSjis(u8"行数の指定が範囲を超えています")))
      << "a first bound above the last is no error";
}

TEST(TextListBuiltins, SortTextBoundsAndFlags) {
  const std::tuple<const char*, const char*, Lines> cases[] = {
      {"0, 0, 0", "b\na\nb\na\n", {"a\n", "a\n", "b\n", "b\n"}},
      {"0, 0, 1", "b\na\nb\na\n", {"a\n", "b\n"}},
      {"2, 5, 2", "9\n1\n2\n3\n4\n0\n5\n", {"9\n", "4\n", "3\n", "2\n", "1\n", "0\n", "5\n"}},
      {"3, 0, 0", "z\ny\nc\nb\na", {"z\n", "y\n", "a", "b\n", "c\n"}},
      {"0, 0, 5", "B\na\nb\n", {"a\n", "B\n", "b\n"}},
      // ア folds to あ and Ｂ to ｂ (82 82); unfolded, ア would come last.
      {"0, 0, 4",
       "\x83\x41\n\x82\xA2\n\x82\x61\n\x82\xA0\n",
       {"\x82\x61\n", "\x83\x41\n", "\x82\xA0\n", "\x82\xA2\n"}},
  };
  for (const auto& [arguments, file, lines] : cases) {
    TextWorld t(file);
    t.run(std::string("sortText ") + arguments + "\n");
    EXPECT_EQ(t.lines(), lines) << arguments;
  }
}

TEST(TextListBuiltins, SaveTextWritesARangeReplacingOrAppending) {
  TextWorld t("a\r\nb\r\nc\r\n");
  const std::string d = t.dir.path();
  t.run("saveText \"" + d + "sub/out.txt\"\n" +  // all lines, "wb"
        "saveText \"" + d + "sub/out.txt\", 1, 2, \"ab\"\n" + "saveText \"" + d +
        "sub/out.txt\", 2, 99, \"a\"\n" +  // text mode
        "saveText \"" + d + "cut.txt\", 1\n" + "saveText \"" + d + "mode.txt\", 0, 3, \"rb\"\n" +
        "saveText \"" + d + "\"\n");
  EXPECT_EQ(t.dir.read("sub/out.txt"), "a\r\nb\r\nc\r\nb\r\nc\r\r\n");
  EXPECT_EQ(t.dir.read("cut.txt"), "b\r\nc\r\n");
  ASSERT_EQ(t.w.errors.withContext.size(), 2U);
  EXPECT_TRUE(t.w.errors.withContext[0].starts_with(d + "mode.txt "));
  EXPECT_TRUE(t.w.errors.withContext[1].starts_with(d + " ")) << "a folder";
}

TEST(TextListBuiltins, ClearTextLeavesTheCommandNameAndAMissingFileEmptiesTheList) {
  TextWorld t(
      "\xFF\xFE"
      "a\0"s);
  t.run("getText $0, 1\nclearText\n");
  EXPECT_TRUE(t.lines().empty());
  EXPECT_EQ(t.w.state.textList.encoding(), TextList::kUtf16Le) << "the encoding stays";
  EXPECT_EQ(t.w.interpreter.commandName().view(), "getText");

  TextWorld u("a\n");
  u.run("loadText \"" + u.dir.path() + "missing.txt\", %0\n");
  EXPECT_TRUE(u.lines().empty());
  EXPECT_EQ(*u.w.variables.numberedInteger(0), 0);
  EXPECT_FALSE(u.w.errors.plain.empty()) << "the file lookup reports the failure";
}

}  // namespace
}  // namespace tsuzuri::script
