#include "text/message_layout.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "util/sjis.h"

namespace tsuzuri::text {
namespace {

std::string sjis(std::u8string_view text) {
  return util::toSjis(text);
}

// Records what the layout does.
class Recorder final : public LayoutTarget {
 public:
  struct Glyph {
    std::int32_t x, y;
    std::uint16_t code;
    std::int32_t shownWith = -1;
  };
  void placeChar(std::int32_t x, std::int32_t y, std::uint16_t code) override {
    chars.push_back({x, y, code});
  }
  void placeRuby(std::int32_t x, std::int32_t y, std::uint16_t code,
                 std::int32_t shownWith) override {
    ruby.push_back({x, y, code, shownWith});
  }
  std::int32_t placedChars() const override { return static_cast<std::int32_t>(chars.size()); }
  void appendLog(std::string_view text) override { log.append(text); }
  bool logEndsWith(std::string_view text) const override { return log.ends_with(text); }
  void setLogLines(std::int32_t lines) override { logLines = lines; }
  Inline runInline(std::string_view name, std::string_view arguments) override {
    inlines.push_back(std::string(name) + "(" + std::string(arguments) + ")");
    return name == "nosuch" ? Inline::kUnknown : Inline::kRan;
  }
  std::uint32_t now() const override { return 0; }
  void report(std::string_view message, std::string_view name) override {
    reports.push_back(util::sjisToUtf8(message) + (name.empty() ? "" : " " + std::string(name)));
  }

  std::vector<Glyph> chars, ruby;
  std::string log;
  std::int32_t logLines = 0;
  std::vector<std::string> inlines, reports;
};

class MessageLayoutTest : public ::testing::Test {
 protected:
  LayoutResult lay(std::u8string_view text, std::int32_t next = 1, std::int32_t afterNext = 1) {
    line = sjis(text);
    return layoutMessage(metrics, page, target, line, next, afterNext, timing);
  }
  // Columns of the placed characters (pitch 24: 12 pixels a column).
  std::vector<std::int32_t> columns() const {
    std::vector<std::int32_t> out;
    for (const Recorder::Glyph& g : target.chars) out.push_back(g.x / 12);
    return out;
  }
  std::vector<std::int32_t> lines() const {
    std::vector<std::int32_t> out;
    for (const Recorder::Glyph& g : target.chars) out.push_back(g.y / metrics.linePitch());
    return out;
  }

  MessageMetrics metrics;  // L 20, size 24, pitch 24, line pitch 32
  MessagePage page;
  Recorder target;
  LayoutTiming timing;
  std::string line;
};

TEST_F(MessageLayoutTest, LineStartForbiddenCharactersHangOrWrap) {
  const std::u8string full = u8"あいうえおかきくけこさしすせそたちつてとな";  // 21 = L + 1
  const struct {
    std::u8string tail;
    std::vector<std::int32_t> tailColumns, tailLines;
  } cases[] = {
      // 。 hangs past the margin at column 42; the next character wraps.
      {u8"。に", {42, 0}, {0, 1}},
      // 、」: the 、 may not hang when a forbidden character follows it.
      {u8"、」", {0, 2}, {1, 1}},
      // A one-byte character at the margin always wraps.
      {u8".", {0}, {1}},
      {u8"x", {0}, {1}},
  };
  for (const auto& c : cases) {
    target = Recorder{};
    page = MessagePage{};
    lay(full + c.tail);
    const std::vector<std::int32_t> all = columns();
    const std::vector<std::int32_t> allLines = lines();
    ASSERT_EQ(all.size(), 21 + c.tailColumns.size());
    EXPECT_EQ(all[20], 40);
    EXPECT_EQ(std::vector<std::int32_t>(all.begin() + 21, all.end()), c.tailColumns);
    EXPECT_EQ(std::vector<std::int32_t>(allLines.begin() + 21, allLines.end()), c.tailLines);
  }
}

TEST_F(MessageLayoutTest, IndentsAndTheirBacklogMarks) {
  metrics.charsPerLine = 3;  // 4 characters a line
  metrics.bracketIndent = true;
  lay(u8"「あいうえおか");
  EXPECT_EQ(columns(), (std::vector<std::int32_t>{0, 2, 4, 6, 2, 4, 6}));
  EXPECT_EQ(lines(), (std::vector<std::int32_t>{0, 0, 0, 0, 1, 1, 1}));
  EXPECT_EQ(target.log, sjis(u8"「あいう\x0C　えおか\x0C"));

  // The continuation indent starts every line one character in; the first
  // line of the page gets its ideographic space in the backlog too.
  target = Recorder{};
  page = MessagePage{};
  metrics.bracketIndent = false;
  metrics.continuationIndent = true;
  lay(u8"あいうえ");
  lay(u8"お");
  EXPECT_EQ(columns(), (std::vector<std::int32_t>{2, 4, 6, 2, 2}));
  EXPECT_EQ(target.log, sjis(u8"　あいう\x0C　え\x0C　お\x0C"));
}

TEST_F(MessageLayoutTest, RubyGroups) {
  const struct {
    std::u8string text;
    std::vector<std::int32_t> rubyX, shownWith;
    std::vector<std::string> reports;
  } cases[] = {
      // Two over two: one centred over each base character.
      {u8"{漢字/かん}", {6, 30}, {0, 1}, {}},
      // Five over one overhangs both sides by 18 pixels.
      {u8"あ{字/ふりがなだ}", {24 - 18, 18, 30, 42, 54}, {1, 1, 1, 1, 1}, {}},
      // A group without its closing brace, and one whose base wraps.
      {u8"{漢字/かん", {}, {}, {"ルビの処理が不正です"}},
      {u8"あいうえおかきくけこさしすせそたちつてと{なに/なに}", {}, {}, {"ルビが行を跨いでいます"}},
  };
  for (const auto& c : cases) {
    target = Recorder{};
    page = MessagePage{};
    lay(c.text);
    std::vector<std::int32_t> x, shown;
    for (const Recorder::Glyph& g : target.ruby) {
      x.push_back(g.x);
      shown.push_back(g.shownWith);
      EXPECT_EQ(g.y, -12);  // half the line height above the line
    }
    EXPECT_EQ(x, c.rubyX) << util::sjisToUtf8(line);
    EXPECT_EQ(shown, c.shownWith);
    EXPECT_EQ(target.reports, c.reports);
  }
  // The backlog keeps a group as written, for the history text.
  target = Recorder{};
  lay(cases[0].text);
  EXPECT_EQ(target.log, sjis(u8"{漢字/かん}\x0C"));
}

TEST_F(MessageLayoutTest, LineEndActions) {
  const struct {
    std::int32_t m1, m2, next, afterNext;
    std::int32_t action;
  } cases[] = {
      {0, 0, 1, 1, kGoOn},     {1, 0, 1, 1, kClickWait}, {2, 0, 0, 0, kPageWait},
      {0, 2, 0, 1, kPageWait}, {1, 2, 1, 0, kClickWait}, {0, 4, 0, 1, kClickWait},
      {0, 4, 0, 0, kPageWait}, {0, 5, 3, 0, kGoOn},
  };
  for (const auto& c : cases) {
    page = MessagePage{};
    metrics.lineEnd = c.m1;
    metrics.blankLineEnd = c.m2;
    EXPECT_EQ(lay(u8"あ", c.next, c.afterNext), LayoutResult::kDone);
    EXPECT_EQ(page.lastAction, c.action) << c.m1 << " " << c.m2 << " " << c.next;
    // Without a subroutine to wait in, the next line starts below.
    EXPECT_EQ(page.line, 1);
    EXPECT_EQ(page.column, 0);
  }
  // Two line ends in a row leave one line break.
  target = Recorder{};
  page = MessagePage{};
  lay(u8"あ");
  lay(u8"");
  EXPECT_EQ(page.line, 1);
  EXPECT_EQ(target.log, sjis(u8"あ\x0C"));
}

TEST_F(MessageLayoutTest, WaitMarksStopForTheSubroutineAndResume) {
  timing.stopAtWaits = true;
  EXPECT_EQ(lay(u8"あい@うえ"), LayoutResult::kStopped);
  EXPECT_EQ(page.resume, 5U);
  EXPECT_EQ(page.lastAction, kClickWait);
  EXPECT_EQ(target.logLines, 1);
  // Entered again, the line goes on on the same display line.
  EXPECT_EQ(layoutMessage(metrics, page, target, line, 1, 1, timing), LayoutResult::kDone);
  EXPECT_EQ(columns(), (std::vector<std::int32_t>{0, 2, 4, 6}));
  EXPECT_EQ(lines(), (std::vector<std::int32_t>{0, 0, 0, 0}));
  EXPECT_EQ(page.resume, 0U);

  // A page mark at the line's end ends the line there.
  page = MessagePage{};
  EXPECT_EQ(lay(u8"あい\\"), LayoutResult::kStopped);
  EXPECT_EQ(page.resume, 0U);
  EXPECT_EQ(page.column, 0);
  EXPECT_EQ(page.lastAction, kPageWait);

  // Without the subroutine the whole line is laid out and the mark stays
  // the last action.
  timing.stopAtWaits = false;
  page = MessagePage{};
  EXPECT_EQ(lay(u8"あ@い"), LayoutResult::kDone);
  EXPECT_EQ(page.lastAction, kClickWait);
}

TEST_F(MessageLayoutTest, InlineCommandsAndBadBytes) {
  lay(u8"あ[wait 10, 2]い[nosuch 1]う");
  EXPECT_EQ(target.inlines, (std::vector<std::string>{"wait( 10, 2)", "nosuch( 1)"}));
  EXPECT_EQ(target.reports, (std::vector<std::string>{"未対応の命令です nosuch"}));
  EXPECT_EQ(columns(), (std::vector<std::int32_t>{0, 2}));  // the line ended at the unknown one
  EXPECT_EQ(target.log, sjis(u8"あい\x0C"));
  target = Recorder{};
  page = MessagePage{};
  line = sjis(u8"あい");
  line.pop_back();  // half a character at the end
  layoutMessage(metrics, page, target, line, 1, 1, timing);
  EXPECT_EQ(target.chars.size(), 1U);
  EXPECT_EQ(target.reports, (std::vector<std::string>{"メッセージの最後の文字が欠けています"}));
}

}  // namespace
}  // namespace tsuzuri::text
