#include "shell/system_commands.h"

#include <gtest/gtest.h>

#include <ctime>
#include <set>
#include <utility>
#include <vector>

#include "render/null_device.h"
#include "script/script_world.h"
#include "support/temp_dir.h"
#include "util/sjis.h"

namespace tsuzuri::shell {
namespace {

// Input whose state the tests set, and which records what it is asked to do.
class FakeInput final : public platform::Input {
 public:
  bool keyDown(std::uint32_t virtualKey) override { return held.contains(virtualKey); }
  void cursor(std::int32_t& x, std::int32_t& y) override {
    x = at.x;
    y = at.y;
  }
  void warpCursor(std::int32_t x, std::int32_t y) override {
    at = {x, y};
    warps.push_back(at);
  }
  bool setClipboard(std::string_view utf8) override {
    clipboard.assign(utf8);
    return true;
  }
  std::int32_t openWithDesktop(std::string_view target, std::string_view parameters) override {
    opened.emplace_back(target, parameters);
    return 42;
  }
  std::int32_t wheelScrollLines() override { return 3; }

  std::set<std::uint32_t> held;
  Point at;
  std::vector<Point> warps;
  std::string clipboard;
  std::vector<std::pair<std::string, std::string>> opened;
};

// The headless platform on the virtual clock, with the fake input.
class FakeInputPlatform final : public platform::Platform {
 public:
  platform::Clock& clock() override { return inner_->clock(); }
  platform::Dialogs& dialogs() override { return inner_->dialogs(); }
  platform::Events& events() override { return inner_->events(); }
  platform::Input& input() override { return input_; }
  platform::AudioOut& audio() override { return inner_->audio(); }
  bool interactive() const override { return false; }
  platform::Window* openWindow(std::string_view title, std::string& error) override {
    return inner_->openWindow(title, error);
  }
  platform::Window* window() override { return inner_->window(); }
  bool claimInstance(std::string_view /*key*/) override { return true; }

  FakeInput input_;

 private:
  std::unique_ptr<platform::Platform> inner_ =
      platform::createHeadlessPlatform({.virtualClock = true});
};

constexpr std::uint32_t kStartTime = 5;

class SystemCommandsTest : public ::testing::Test {
 protected:
  SystemCommandsTest() { commands_.registerWith(registry_); }

  // Runs a script from its start as the first script (whose labels a jump
  // finds without a container); a test gives labels to one script only.
  void run(std::string_view text) {
    world_.interpreter.slot(0).lines.clear();
    world_.load(0, "script/0.txt", text);
    world_.interpreter.setLine(0);
    world_.interpreter.setStatement(0);
    int statements = 0;
    // A script that never ends would otherwise hang the test.
    world_.run([&statements] { return ++statements > 100'000; });
  }
  std::int32_t integer(int n) { return *world_.variables.numberedInteger(n); }
  std::uint32_t now() { return platform_.clock().now(); }
  FakeInput& input() { return platform_.input_; }

  static WindowServices windowServices() {
    WindowServices services;
    services.createDevice = [](platform::Window&, std::string&) {
      return std::unique_ptr<render::GpuDevice>(std::make_unique<render::NullDevice>());
    };
    return services;
  }

  tsuzuri::testing::TempDir folder_;
  tsuzuri::testing::ScriptWorld world_;
  FakeInputPlatform platform_;
  platform::MessagePump pump_{platform_.events(), platform_.clock()};
  DisplaySettings display_;
  render::RenderSettings render_;
  tsuzuri::testing::RecordingSink windowErrors_;
  render::Renderer renderer_{render_, platform_.clock(), windowErrors_};
  MainWindow window_{platform_,     display_,       render_,         renderer_,
                     windowErrors_, "/games/test/", windowServices()};
  bool ended_ = false;
  SystemCommands commands_{SystemCommandServices{platform_, pump_, window_, display_, world_.errors,
                                                 folder_.path(), [] { return kStartTime; },
                                                 [this] { ended_ = true; }}};
  commands::CommandRegistry registry_{world_.commands, world_.expression, world_.interpreter,
                                      world_.errors};
};

TEST_F(SystemCommandsTest, ClockReadsMoveTheVirtualClockSoThatPollingEnds) {
  platform_.clock().sleep(100);
  run("timeGetTime %0\ntimeGetTime %1\ngetTimer %2\n");
  EXPECT_EQ(integer(0), 101);
  EXPECT_EQ(integer(1), 102);
  EXPECT_EQ(integer(2), 103 - static_cast<std::int32_t>(kStartTime));
  run("*poll\ntimeGetTime %3\nif (%3 < 500) goto *poll\ngetTimer %4\n");
  EXPECT_EQ(integer(3), 500);
  EXPECT_EQ(integer(4), 501 - static_cast<std::int32_t>(kStartTime));
}

TEST_F(SystemCommandsTest, WeekdaysFollowTheNormalisedCalendar) {
  struct Case {
    std::int32_t year, month, day, weekday;
  };
  const Case cases[] = {
      {2000, 1, 1, 6},
      {1970, 1, 1, 4},
      {2024, 2, 29, 4},
      {1900, 1, 1, 1},
      {3000, 1, 1, 3},
      {2023, 2, 29, 3},  // 1 March
      {2000, 3, 0, 2},   // 29 February
      {2000, 13, 1, 1},  // 1 January 2001
      {2001, 0, 1, 5},   // 1 December 2000
      {1999, 12, 32, 6},
      {2000, -11, 1, 5},              // 1 January 1999
      {2147483647, 13, 1, 3},         // the year 2^31, like 2048
      {-2147483647 - 1, 1, 1, 2},     // 400-year cycles back to 2352
      {2000, -2147483647 - 1, 1, 3},  // April, 178956971 years back: like 2229
  };
  for (const Case& c : cases) {
    EXPECT_EQ(SystemCommands::weekday(c.year, c.month, c.day), c.weekday)
        << c.year << "-" << c.month << "-" << c.day;
  }
  run("getWeek 2000, 1, 1, %0\ngetWeek 2000, 13, 1, %1\n");
  EXPECT_EQ(integer(0), 6);
  EXPECT_EQ(integer(1), 1);
}

TEST_F(SystemCommandsTest, LocalTimeGivesTheSixFieldsOfTheCalendarTime) {
  const std::time_t moment = 1'700'000'000;  // in November 2023 in every zone
  commands_.setCalendar([moment] { return moment; });
  run("getLocalTime %0, %1, %2, %3, %4, %5\n");
  EXPECT_EQ(integer(0), 2023);
  EXPECT_EQ(integer(1), 11);
  std::tm back{};
  back.tm_year = integer(0) - 1900;
  back.tm_mon = integer(1) - 1;
  back.tm_mday = integer(2);
  back.tm_hour = integer(3);
  back.tm_min = integer(4);
  back.tm_sec = integer(5);
  back.tm_isdst = -1;
  EXPECT_EQ(std::mktime(&back), moment);
}

TEST_F(SystemCommandsTest, PushKeyTakesTheCodeModulo256) {
  input().held = {'A', 0x01};
  run("getPushKey 65, %0\ngetPushKey 321, %1\ngetPushKey 66, %2\n"
      "getPushKey 257, %3\ngetPushKey -191, %4\n");
  EXPECT_EQ(integer(0), -128);
  EXPECT_EQ(integer(1), -128);
  EXPECT_EQ(integer(2), 0);
  EXPECT_EQ(integer(3), -128) << "257 is the left button";
  EXPECT_EQ(integer(4), 0) << "a negative remainder names no key";
}

TEST_F(SystemCommandsTest, CursorPositionsAreGameScreenPoints) {
  input().at = {30, 40};
  run("getCursorPos %0, %1\n");
  EXPECT_EQ(integer(0), 30) << "before the screen, client and game are one";
  EXPECT_EQ(integer(1), 40);
  // A 1280 × 720 game in a 1024 × 576 window.
  ASSERT_TRUE(window_.screen({1280, 720, 1280, 0}));
  input().at = {512, 288};
  run("getCursorPos %0, %1\n");
  EXPECT_EQ(integer(0), 640);
  EXPECT_EQ(integer(1), 360);
  run("setCursorPos 640, 360, 0\n");
  EXPECT_EQ(input().at, (Point{512, 288}));
}

TEST_F(SystemCommandsTest, SetCursorPosMovesAtOnceOrAnimatesThroughWaits) {
  ASSERT_TRUE(window_.screen({800, 600, 800, 0}));
  display_.cursorMove = 0;
  run("setCursorPos 10, 20, 0\nsetCursorPos 10, 20, 8\n");
  EXPECT_TRUE(input().warps.empty()) << "CursorMove 0 keeps the cursor still";

  display_.cursorMove = 1;
  run("setCursorPos 10, 20, 0\n");
  EXPECT_EQ(input().warps, (std::vector<Point>{{10, 20}}));

  input().at = {0, 0};
  const std::uint32_t start = now();
  run("setCursorPos 100, 0, 8\n");
  EXPECT_EQ(input().at, (Point{0, 0})) << "the move starts from the cursor";
  EXPECT_TRUE(commands_.cursorMover().active());
  run("sleep 51\n");
  EXPECT_EQ(now() - start, 51U);
  EXPECT_EQ(input().at, (Point{87, 0}));  // 87.5 % of the way at half the time

  // A second move waits for the first to end on its target, then starts.
  run("setCursorPos 0, 0, 8\ntimeGetTime %0\n");
  EXPECT_EQ(static_cast<std::uint32_t>(integer(0)) - start, 102U + 1U);
  EXPECT_EQ(input().at, (Point{100, 0}));
  EXPECT_EQ(commands_.cursorMover().target(), (Point{0, 0}));
  run("sleep 1000\n");
  EXPECT_EQ(input().at, (Point{0, 0}));
  EXPECT_FALSE(commands_.cursorMover().active());
  EXPECT_EQ(now() - start, 102U + 1U + 1000U) << "the wait is the time asked for";
}

TEST_F(SystemCommandsTest, AWindowOffTheDesktopGetsTheCursorInTheWorkAreasMiddle) {
  ASSERT_TRUE(window_.screen({800, 600, 800, 0}));
  platform::Window* window = platform_.window();
  window->setPosition(-5000, -4000);
  std::int32_t left = 0;
  std::int32_t top = 0;
  window->position(left, top);
  if (left != -5000) GTEST_SKIP() << "this window system keeps windows on the desktop";
  run("setCursorPos 10, 10, 0\n");
  const platform::PixelRect area = window->monitor().workArea;
  EXPECT_EQ(input().at,
            (Point{area.left + area.width() / 2 + 5000, area.top + area.height() / 2 + 4000}));
}

TEST_F(SystemCommandsTest, SleepHandlesOneMessageAndAQuitSkipsTheWait) {
  platform::MessageRecord move;
  move.code = platform::kMessageMouseMove;
  platform_.events().post(move);
  platform_.events().post(move);
  run("sleep 300\n");
  EXPECT_EQ(now(), 300U);
  EXPECT_TRUE(pump_.tookMessage());
  run("sleep -5\n");
  EXPECT_EQ(now(), 300U) << "a negative time does not wait";
  EXPECT_FALSE(ended_);

  platform_.events().postQuit(0);
  run("sleep 1000\n");
  EXPECT_TRUE(ended_);
  EXPECT_EQ(now(), 300U);
}

TEST_F(SystemCommandsTest, ClipboardTextBecomesUtf8) {
  run(util::toSjis(u8"setClipboard \"日本語のテキスト\"\n"));
  EXPECT_EQ(input().clipboard, reinterpret_cast<const char*>(u8"日本語のテキスト"));
}

TEST_F(SystemCommandsTest, ShellExecuteChecksItsArgumentsInOrder) {
  const std::pair<const char*, const char8_t*> cases[] = {
      {"shellExecute \"a.txt\", \"\"\n", u8"引数の数が不正です"},
      {"shellExecute \"a.txt\", \"\", %0, %1\n", u8"引数の数が不正です"},
      {"shellExecute 1, 2, 3\n", u8"第一引数が文字列ではありません"},
      {"shellExecute \"a.txt\", 2, %0\n", u8"第二引数が文字列ではありません"},
      {"shellExecute \"a.txt\", \"\", 5\n", u8"第三引数の数値変数が不正です"},
      {"shellExecute \"a.txt\", \"\", $0\n", u8"第三引数の数値変数が不正です"},
  };
  for (const auto& [script, message] : cases) {
    world_.errors.withContext.clear();
    run(script);
    EXPECT_EQ(world_.errors.withContext, (std::vector<std::string>{util::toSjis(message)}))
        << script;
  }
  EXPECT_TRUE(input().opened.empty());
}

TEST_F(SystemCommandsTest, ShellExecuteOpensGameFilesUrlsAndNamesAsGiven) {
  const std::string manual = folder_.write("doc/read me.txt", "x");
  const std::string japanese = folder_.write(reinterpret_cast<const char*>(u8"説明.html"), "x");
  run(
      util::toSjis(u8"shellExecute \"DOC/Read Me.TXT\", \"-x\", %0\n"
                   u8"shellExecute \"説明.html\", \"\", %1\n"
                   u8"shellExecute \"https://example.com/?q=検索\", \"\", %2\n"
                   u8"shellExecute \"missing.txt\", \"引数\", %3\n"));
  using Opened = std::pair<std::string, std::string>;
  EXPECT_EQ(
      input().opened,
      (std::vector<Opened>{{manual, "-x"},
                           {japanese, ""},
                           {reinterpret_cast<const char*>(u8"https://example.com/?q=検索"), ""},
                           {"missing.txt", reinterpret_cast<const char*>(u8"引数")}}));
  for (int i = 0; i < 4; ++i) EXPECT_EQ(integer(i), 42);
  EXPECT_TRUE(world_.errors.all.empty());
}

}  // namespace
}  // namespace tsuzuri::shell
