#include "platform/scripted_events.h"

#include <gtest/gtest.h>

#include <deque>

#include "support/temp_dir.h"
#include "util/sjis.h"

namespace tsuzuri::platform {
namespace {

// What a test expects of one message: code, wparam and the cursor.
struct Expected {
  std::uint32_t code;
  std::uint32_t wparam;
  std::int32_t x;
  std::int32_t y;
};

void expectMessages(const std::vector<MessageRecord>& got, const std::vector<Expected>& want,
                    const std::string& context) {
  ASSERT_EQ(got.size(), want.size()) << context;
  for (std::size_t i = 0; i < want.size(); ++i) {
    SCOPED_TRACE(context + ", message " + std::to_string(i));
    EXPECT_EQ(got[i].code, want[i].code);
    EXPECT_EQ(got[i].wparam, want[i].wparam);
    EXPECT_EQ(got[i].x, want[i].x);
    EXPECT_EQ(got[i].y, want[i].y);
  }
}

std::vector<ScriptedMessage> parse(std::string_view text, std::string* error = nullptr) {
  std::string unused;
  auto script = parseInputScript(text, "in.txt", error ? *error : unused);
  EXPECT_TRUE(script) << text << ": " << (error ? *error : unused);
  return script ? *script : std::vector<ScriptedMessage>{};
}

std::vector<MessageRecord> recordsOf(const std::vector<ScriptedMessage>& script) {
  std::vector<MessageRecord> records;
  for (const ScriptedMessage& m : script) records.push_back(m.message);
  return records;
}

constexpr std::uint32_t kMove = kMessageMouseMove;

TEST(InputScriptTest, EachVerbBecomesItsMessages) {
  const struct {
    std::string_view line;
    std::vector<Expected> messages;
  } cases[] = {
      {"0 click 10 20",
       {{kMove, 0, 10, 20}, {kMessageLeftDown, 0, 10, 20}, {kMessageLeftUp, 0, 10, 20}}},
      {"5 rclick 1 2",
       {{kMove, 0, 1, 2}, {kMessageRightDown, 0, 1, 2}, {kMessageRightUp, 0, 1, 2}}},
      {"5 press 3 4", {{kMove, 0, 3, 4}, {kMessageLeftDown, 0, 3, 4}}},
      {"5 release 3 4", {{kMove, 0, 3, 4}, {kMessageLeftUp, 0, 3, 4}}},
      {"5 move -1 32767", {{kMove, 0, -1, 32767}}},
      {"5 key return", {{kMessageKeyDown, 0x0D, 0, 0}, {kMessageKeyUp, 0x0D, 0, 0}}},
      {"5 KEYDOWN Escape", {{kMessageKeyDown, 0x1B, 0, 0}}},
      {"5 keyup f12", {{kMessageKeyUp, 0x7B, 0, 0}}},
      {"5 wheel 2", {{kMessageWheel, 240U << 16, 0, 0}}},
      {"5 wheel -1", {{kMessageWheel, 0xFF88U << 16, 0, 0}}},
      {"5 wheel 273", {{kMessageWheel, 32760U << 16, 0, 0}}},
      {"5 quit", {{kMessageClose, 0, 0, 0}}},
      {"5 click 1 2 # a trailing comment",
       {{kMove, 0, 1, 2}, {kMessageLeftDown, 0, 1, 2}, {kMessageLeftUp, 0, 1, 2}}},
      {"\t7\tkey\tA\t", {{kMessageKeyDown, 0x41, 0, 0}, {kMessageKeyUp, 0x41, 0, 0}}},
  };
  for (const auto& c : cases)
    expectMessages(recordsOf(parse(c.line)), c.messages, std::string(c.line));
}

TEST(InputScriptTest, EventsWithoutAPositionCarryTheLastCursor) {
  const auto script =
      parse("0 move 5 6\n1 key Space\n2 wheel 1\n3 drop a.dat\n4 quit\n5 click 7 8");
  const std::vector<Expected> want = {
      {kMove, 0, 5, 6},
      {kMessageKeyDown, 0x20, 5, 6},
      {kMessageKeyUp, 0x20, 5, 6},
      {kMessageWheel, 120U << 16, 5, 6},
      {kMessageDropFiles, 0, 5, 6},
      {kMessageClose, 0, 5, 6},
      {kMove, 0, 7, 8},
      {kMessageLeftDown, 0, 7, 8},
      {kMessageLeftUp, 0, 7, 8},
  };
  expectMessages(recordsOf(script), want, "cursor");
}

TEST(InputScriptTest, TimesMayRepeatButNotGoBack) {
  const auto script = parse("0 key a\n\n# between\n0 quit\n30 quit\n30 quit\n");
  std::vector<std::uint32_t> times;
  for (const ScriptedMessage& m : script) times.push_back(m.time);
  EXPECT_EQ(times, (std::vector<std::uint32_t>{0, 0, 0, 30, 30}));

  std::string error;
  EXPECT_FALSE(parseInputScript("20 quit\n10 quit\n", "in.txt", error));
  EXPECT_EQ(error, "in.txt:2: the time 10 is before the time of an earlier line (20)");
}

TEST(InputScriptTest, MalformedLinesAreNamedWithFileAndLine) {
  const struct {
    std::string_view text;
    std::string_view error;  // the start of the error
  } cases[] = {
      {"x click 1 2", "in.txt:1: the time 'x' is not a number of milliseconds"},
      {"4294967296 quit", "in.txt:1: the time '4294967296' is not"},
      {"10", "in.txt:1: an event must follow the time"},
      {"10 # the event is commented out", "in.txt:1: an event must follow the time"},
      {"10 clik 1 2", "in.txt:1: unknown event 'clik'"},
      {"10 click 1", "in.txt:1: click needs X and Y"},
      {"10 click 1 2 3", "in.txt:1: '3' is one argument too many for click"},
      {"10 click 1 y", "in.txt:1: 'y' is not a pixel position"},
      {"10 click 1 2#x", "in.txt:1: '2#x' is not a pixel position"},
      {"10 move 40000 0", "in.txt:1: '40000' is not a pixel position"},
      {"10 key", "in.txt:1: key needs a key name"},
      {"10 keydown Enter", "in.txt:1: unknown key name 'Enter'"},
      {"10 wheel", "in.txt:1: wheel needs a number of notches"},
      {"10 wheel 0", "in.txt:1: '0' is not a number of notches"},
      {"10 wheel 274", "in.txt:1: '274' is not a number of notches"},
      {"10 wheel 1.5", "in.txt:1: '1.5' is not a number of notches"},
      {"10 drop", "in.txt:1: drop needs a path"},
      {"10 drop   # nothing but a comment", "in.txt:1: drop needs a path"},
      {"10 drop \xF0\x9F\x98\x80", "in.txt:1: the path cannot be written in Shift_JIS"},
      {"10 quit now", "in.txt:1: 'now' is one argument too many for quit"},
      {"# head\r\n\r\n5 quit\r\n5 bogus\r\n", "in.txt:4: unknown event 'bogus'"},
      {"1 quit\n2 quit\n3 key F13\n4 nonsense", "in.txt:3: unknown key name 'F13'"},
  };
  for (const auto& c : cases) {
    std::string error;
    EXPECT_FALSE(parseInputScript(c.text, "in.txt", error)) << c.text;
    EXPECT_TRUE(error.starts_with(c.error)) << c.text << " gave: " << error;
  }
}

TEST(InputScriptTest, KeyNamesAreWindowsVirtualKeys) {
  const struct {
    std::string_view name;
    std::uint32_t code;
  } known[] = {
      {"Return", 0x0D},    {"escape", 0x1B}, {"SPACE", 0x20},   {"Up", 0x26},    {"Down", 0x28},
      {"Left", 0x25},      {"Right", 0x27},  {"Control", 0x11}, {"Shift", 0x10}, {"Tab", 0x09},
      {"Backspace", 0x08}, {"Delete", 0x2E}, {"Home", 0x24},    {"End", 0x23},   {"PageUp", 0x21},
      {"pagedown", 0x22},  {"F1", 0x70},     {"f9", 0x78},      {"F10", 0x79},   {"F12", 0x7B},
      {"a", 0x41},         {"F", 0x46},      {"Z", 0x5A},       {"0", 0x30},     {"9", 0x39},
  };
  for (const auto& k : known) EXPECT_EQ(virtualKeyFromName(k.name), k.code) << k.name;
  for (std::string_view unknown : {"", "Enter", "F13", "F0", "F01", "AB", "-", "Ctrl", "Alt"}) {
    EXPECT_FALSE(virtualKeyFromName(unknown)) << unknown;
  }
}

TEST(InputScriptTest, DropTakesTheRestOfTheLineAsShiftJis) {
  const struct {
    std::string_view line;
    std::u8string_view path;
  } cases[] = {
      {"3 drop  saves/セーブ 1.dat  # the first", u8"saves/セーブ 1.dat"},
      {"3 DROP a#b.dat", u8"a#b.dat"},
      {"3 drop\t/tmp/x y\t", u8"/tmp/x y"},
  };
  for (const auto& c : cases) {
    const auto script = parse(c.line);
    ASSERT_EQ(script.size(), 1U) << c.line;
    EXPECT_EQ(script[0].message.code, kMessageDropFiles);
    EXPECT_EQ(script[0].message.text, util::toSjis(c.path)) << c.line;
  }
}

TEST(InputScriptTest, ReadsAFileAndNamesItInErrors) {
  testing::TempDir dir;
  const std::string good =
      dir.write("good.txt", "\xEF\xBB\xBF# a byte-order mark first\n100 key Return\n");
  std::string error;
  const auto script = readInputScript(good, error);
  ASSERT_TRUE(script) << error;
  ASSERT_EQ(script->size(), 2U);
  EXPECT_EQ((*script)[0].time, 100U);

  const std::string bad = dir.write("bad.txt", "100 key Return\n50 quit\n");
  EXPECT_FALSE(readInputScript(bad, error));
  EXPECT_TRUE(error.starts_with(bad + ":2: ")) << error;

  EXPECT_FALSE(readInputScript(dir.path() + "missing.txt", error));
  EXPECT_TRUE(error.starts_with(dir.path() + "missing.txt: ")) << error;
}

class FakeClock final : public Clock {
 public:
  std::uint32_t now() override { return now_; }
  void sleep(std::uint32_t milliseconds) override { now_ += milliseconds; }
  std::uint32_t now_ = 0;
};

class FakeEvents final : public Events {
 public:
  bool fetch(MessageRecord& record) override {
    if (queue.empty()) return false;
    record = queue.front();
    queue.pop_front();
    return true;
  }
  void postQuit(std::uint32_t exitCode) override {
    queue.push_back({kMessageQuit, exitCode, 0, 0, 0, 0, {}});
  }
  void post(MessageRecord message) override { queue.push_back(std::move(message)); }
  std::deque<MessageRecord> queue;
};

class ScriptedEventsTest : public ::testing::Test {
 protected:
  // Fetches everything waiting.
  std::vector<MessageRecord> drain() {
    std::vector<MessageRecord> out;
    MessageRecord record;
    while (events.fetch(record)) out.push_back(record);
    return out;
  }

  FakeClock clock;
  FakeEvents inner;
  ScriptedEvents events{inner, clock, parse("0 key a\n10 click 5 6\n10 quit\n25 wheel 1\n")};
};

TEST_F(ScriptedEventsTest, DeliversEachEventAtTheFirstFetchAtOrAfterItsTime) {
  inner.post({kMessagePaint, 0, 0, 0, 0, 0, {}});
  MessageRecord record;
  ASSERT_TRUE(events.fetch(record));
  EXPECT_EQ(record.code, kMessagePaint);  // what waited comes first
  expectMessages(drain(), {{kMessageKeyDown, 0x41, 0, 0}, {kMessageKeyUp, 0x41, 0, 0}}, "at 0");

  clock.now_ = 9;
  EXPECT_FALSE(events.fetch(record));

  clock.now_ = 30;  // past two times at once: file order still holds
  const auto late = drain();
  expectMessages(late,
                 {{kMove, 0, 5, 6},
                  {kMessageLeftDown, 0, 5, 6},
                  {kMessageLeftUp, 0, 5, 6},
                  {kMessageClose, 0, 5, 6},
                  {kMessageWheel, 120U << 16, 5, 6}},
                 "at 30");
  for (const MessageRecord& m : late) EXPECT_EQ(m.time, 30U);
  EXPECT_FALSE(events.fetch(record));
}

TEST_F(ScriptedEventsTest, MapsGamePixelsToClientPixelsAsDelivered) {
  int scale = 2;
  events.setPositionMapper([&scale](std::int32_t& x, std::int32_t& y) {
    x = x * scale + 1;
    y = y * scale;
  });
  clock.now_ = 10;
  const auto first = drain();
  ASSERT_EQ(first.size(), 6U);
  EXPECT_EQ(first[2].x, 11);  // the move to (5, 6)
  EXPECT_EQ(first[2].y, 12);
  EXPECT_EQ(first[3].code, kMessageLeftDown);
  EXPECT_EQ(first[3].x, 11);
  scale = 3;  // the window was resized before the wheel turned
  clock.now_ = 25;
  expectMessages(drain(), {{kMessageWheel, 120U << 16, 16, 18}}, "rescaled");
}

}  // namespace
}  // namespace tsuzuri::platform
