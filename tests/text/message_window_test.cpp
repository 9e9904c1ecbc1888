#include "text/message_window.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "scene/scene_fixture.h"
#include "text/glyph_writer.h"
#include "text/message_commands.h"

namespace tsuzuri::text {
namespace {

constexpr const char* kGothic = "/usr/share/fonts/opentype/ipafont-gothic/ipag.ttf";

class MessageWindowTest : public scene::testing::SceneTest {
 protected:
  MessageWindowTest() {
    window.setFontSource([] { return MessageFont{kGothic, kStyleSmooth, 0xFFFFFF, 0xFFFFFF, 0}; });
    commands.registerWith(registry);
    runAll({"setMessCreate 64, 16", "setMessWH 20, 4, 24, 24, 0, 8", "setWindowVisible 3"});
  }
  // Shows a message line as the main loop does.
  void show(std::u8string_view text, std::int32_t next = 1) {
    lines.push_back(sjis(text));
    window.show(lines.back(), next, next);
  }
  std::int32_t step() {
    run("setMessDraw %0");
    return integer(0);
  }
  void wait(std::uint32_t ms) { platform->clock().sleep(ms); }
  std::uint32_t alpha(std::int32_t i) const {
    return window.text().chars()[static_cast<std::size_t>(i)].quad[0].diffuse >> 24;
  }

  MessageSettings messages;
  MessageWindow window{MessageWindowServices{renderer, scene, messages, world.errors,
                                             platform->clock(), world.interpreter, world.tables,
                                             world.commands, dir.path()}};
  MessageCommands commands{window, scene.composer(), world.errors};
  std::vector<std::string> lines;  // kept: the window remembers where it stopped
};

TEST_F(MessageWindowTest, RevealFollowsSpeedAndPausesAfterPunctuation) {
  messages.messageFade = 0;
  messages.pointWait = 4;
  run("setMessSpeed 50");
  show(u8"あいう。えお");
  run("formatMessDraw");
  // Every 50 ms one more character, but the 。 holds the reveal for four
  // character periods (200 ms).
  std::vector<std::int32_t> shown;
  for (int frame = 0; frame <= 12; ++frame) {
    EXPECT_EQ(step(), window.revealed() < 6 ? 1 : 0);
    shown.push_back(window.revealed());
    wait(50);
  }
  EXPECT_EQ(shown, (std::vector<std::int32_t>{0, 1, 2, 3, 4, 4, 4, 4, 4, 5, 6, 6, 6}));
  EXPECT_EQ(window.text().visible(), 6);

  // Speed 0 shows the page at once; so does read text with
  // AlreadyReadMoment.
  run("clearMess");
  runAll({"setMessSpeed 0"});
  show(u8"かきく");
  run("formatMessDraw");
  EXPECT_EQ(step(), 0);
  EXPECT_EQ(window.revealed(), 3);
}

TEST_F(MessageWindowTest, FadeAndTheClickWaitOnTheSamePage) {
  messages.messageFade = 1;
  run("setMessSpeed 100");
  show(u8"あいう@", 1);
  EXPECT_EQ(window.page().lastAction, kClickWait);
  run("formatMessDraw");
  wait(100);
  step();  // the first character starts to fade in
  wait(128);
  step();
  EXPECT_EQ(alpha(0), 128U);
  run("endMessDraw");
  EXPECT_EQ(alpha(2), 255U);
  // After a click wait on the same page the next reveal starts after the
  // characters already shown.
  show(u8"う");
  run("formatMessDraw");
  EXPECT_EQ(window.revealed(), 3);
  EXPECT_EQ(alpha(3), 0U);
  // A page longer than setMessCreate allowed is reported once.
  run("setMessCreate 4, 2");
  show(u8"あいうえおか");
  show(u8"き");
  EXPECT_EQ(window.text().length(), 4);
  EXPECT_EQ(world.errors.withContext.size(), 1U);
}

TEST_F(MessageWindowTest, ModesAndTheirEvents) {
  struct Case {
    std::vector<std::string> commands;
    bool read;
    std::int32_t alreadyReadSkip, selectAutoMode;
    std::vector<std::int32_t> events;  // taken after each command
    std::int32_t bits;
  };
  const Case cases[] = {
      {{"setAuto 1"}, false, 0, 0, {2}, kModeAuto},
      {{"setAuto 1", "setAuto 2"}, false, 0, 0, {2, 17}, 0},
      {{"setAuto 1", "setAuto 0"}, false, 0, 0, {2, 17}, 0},
      {{"setSkip 1"}, false, 0, 0, {0}, 0},  // unread text: skip may not start
      {{"setSkip 1"}, false, 1, 0, {3}, kModeSkip | kModeSkipInEffect},
      {{"setAuto 1", "setSkip 1"}, true, 0, 0, {2, 19}, kModeSkip | kModeSkipInEffect},
      {{"setSkip 2", "setSkip 2"}, true, 0, 0, {3, 33}, 0},
      {{"setSkip 1", "setAuto 1"}, true, 0, 0, {3, 34}, kModeAuto},
      {{"setAuto 1", "stopMode"}, false, 0, 0, {2, 0}, kModeAuto},
      {{"setAuto 1", "stopMode"}, false, 0, 1, {2, 17}, 0},
      {{"setWindowVisible 0", "setAuto 1"}, false, 0, 0, {0, 0}, 0},
      {{"setAuto 1", "setJump"}, false, 0, 0, {2, 0}, kModeJump},
  };
  for (const Case& c : cases) {
    MessageModes& modes = window.modes();
    runAll({"setWindowVisible 3", "setSkip 0", "setAuto 0"});
    table().setJumpMode(0);
    modes.takeEvent();
    messages.alreadyReadSkip = c.alreadyReadSkip;
    messages.selectAutoMode = c.selectAutoMode;
    modes.messageLine(c.read);
    std::vector<std::int32_t> events;
    for (const std::string& command : c.commands) {
      run(command);
      events.push_back(modes.takeEvent());
    }
    EXPECT_EQ(events, c.events) << c.commands.back();
    EXPECT_EQ(modes.modeBits(), c.bits) << c.commands.back();
  }
}

TEST_F(MessageWindowTest, ReadTextStartsAutoSkipAndAnUnreadLineEndsAJump) {
  MessageModes& modes = window.modes();
  messages.alreadyReadAutoSkip = 1;
  modes.messageLine(true);
  EXPECT_EQ(modes.takeEvent(), kEventSkipStarted);
  EXPECT_EQ(messages.alreadyReadAutoSkip, 3);
  modes.messageLine(false);
  EXPECT_EQ(modes.takeEvent(), kEventSkipStopped);
  EXPECT_FALSE(modes.skip());

  // In jump mode nothing is placed or revealed, until an unread line ends
  // the jump: the game goes on in its own script with the window hidden.
  run("setJump");
  show(u8"あいう");
  EXPECT_EQ(window.text().length(), 0);
  EXPECT_EQ(step(), 0);
  modes.messageLine(false);
  EXPECT_EQ(modes.takeEvent(), kEventJumpStopped);
  EXPECT_EQ(table().jumpMode(), 0);
  EXPECT_EQ(scene.composer().windowVisibility(), 0);
  EXPECT_EQ(world.interpreter.pendingSwitch(), script::SlotSwitch::kNone);
  EXPECT_FALSE(world.interpreter.jumpFlag());
}

TEST_F(MessageWindowTest, TheMainLoopResumesALineAfterTheSubroutine) {
  world.load(0, "script/0.txt",
             sjis(u8"setMessLine 1, 0\n"
                  u8"sufMessGosub *wait\n"
                  u8"【アキ,1】あい@うえ\n"
                  u8"\n"
                  u8"print \"end\"\n"
                  u8"end\n"
                  u8"*wait\n"
                  u8"getMessLast %0, %1\n"
                  u8"getTag $0, %2\n"
                  u8"print %0, \",\", %1, \" \", $0, %2, \";\"\n"
                  u8"return\n"));
  script::StatementLoop loop(world.interpreter, world.tables, world.commands, world.container,
                             world.errors, window);
  loop.run();
  // Both halves on one display line, the speaker's tag split at its comma.
  EXPECT_EQ(util::sjisToUtf8(world.console.out), "48,0 アキ1;96,0 アキ1;end");
  EXPECT_EQ(window.backlog().current().text, sjis(u8"あいうえ"));
  run("sufMessGosub *nowhere");
  EXPECT_EQ(util::sjisToUtf8(world.errors.withContext.back()), "*nowhereラベルが存在しません");
}

}  // namespace
}  // namespace tsuzuri::text
