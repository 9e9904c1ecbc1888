#include "shell/event_wait.h"

#include <gtest/gtest.h>

#include <vector>

#include "scene/scene_fixture.h"

namespace tsuzuri::shell {

void PrintTo(const PollResult& r, std::ostream* out) {
  *out << "(" << r.button << ", " << r.code << ", " << r.state << ")";
}

namespace {

using platform::MessageRecord;

class FakeCursor final : public CursorControl {
 public:
  Point position() override { return at; }
  bool moving() override { return false; }
  void moveTo(Point target, std::int32_t speed) override {
    at = target;
    lastSpeed = speed;
  }
  void show(bool on) override { shown = on; }
  Point at{-100, -100};
  std::int32_t lastSpeed = -1;
  bool shown = true;
};

class EventWaitTest : public scene::testing::SceneTest {
 protected:
  EventWaitTest() {
    // Buttons 1, 2, 3 in a row (10 × 8 pictures centred at x 50, 100, 150),
    // and 4 below the first.
    runAll({"sp 1, \"a.img\", 0, 0", "sp 2, \"a.img\", 0, 0", "sp 3, \"a.img\", 0, 0",
            "sp 4, \"a.img\", 0, 0", "sp_xy 1, 50, 20", "sp_xy 2, 100, 20", "sp_xy 3, 150, 20",
            "sp_xy 4, 50, 60", "setBtn 1, 1, 0", "setBtn 2, 2, 0", "setBtn 3, 3, 0x80",
            "setBtn 4, 4, 0"});
    commit();
  }
  PollResult poll(bool passThrough = false) { return wait.poll(passThrough); }
  PollResult send(std::uint32_t code, std::uint32_t wparam = 0, bool passThrough = false) {
    MessageRecord m;
    m.code = code;
    m.wparam = wparam;
    platform->events().post(m);
    return poll(passThrough);
  }

  text::MessageSettings messages;
  text::MessageWindow window{text::MessageWindowServices{renderer, scene, messages, world.errors,
                                                         platform->clock(), world.interpreter,
                                                         world.tables, world.commands, dir.path()}};
  DisplaySettings display;
  tsuzuri::testing::RecordingSink windowErrors;
  MainWindow main{*platform, display, settings, renderer, windowErrors, dir.path(), {}};
  platform::MessagePump pump{platform->events(), platform->clock()};
  FakeCursor cursor;
  EventWait wait{EventWait::Services{pump,
                                     platform->clock(),
                                     main,
                                     scene.buttons(),
                                     scene.composer(),
                                     window,
                                     display,
                                     cursor,
                                     platform->input(),
                                     {}}};
};

TEST_F(EventWaitTest, MessagesBecomeResults) {
  const struct {
    std::uint32_t code, wparam;
    bool passThrough;
    std::int32_t focused;
    PollResult expected;
  } cases[] = {
      {platform::kMessageKeyDown, 0x0D, false, -1, {-1, 13, 2, {}}},
      {platform::kMessageKeyDown, 0x0D, false, 2, {2, 1, 2, {}}},
      {platform::kMessageKeyUp, 0x0D, false, 2, {2, 1, 3, {}}},
      {platform::kMessageKeyDown, 0x41, false, -1, {-1, 0x41, 2, {}}},
      {platform::kMessageKeyUp, 0x1B, false, 3, {3, 0x1B, 3, {}}},
      {platform::kMessageSysKeyDown, 0x79, false, -1, {-1, 121, 2, {}}},
      {platform::kMessageRightDown, 0, false, 2, {-1, 2, 2, {}}},
      {platform::kMessageRightUp, 0, false, 2, {-1, 2, 3, {}}},
      {platform::kMessageMiddleDown, 0, false, 2, {2, 4, 2, {}}},
      {platform::kMessageMiddleDown, 0, true, 2, {-1, 1, 3, {}}},
      {platform::kMessageMiddleUp, 0, false, 2, {2, 4, 3, {}}},
      {platform::kMessageWheel, 120U << 16, false, -1, {-1, 0, 5, {}}},
      {platform::kMessageWheel, 0xFF88U << 16, false, -1, {-1, 0, 4, {}}},   // -120
      {platform::kMessageWheel, 20U << 16, false, -1, {256, 256, 256, {}}},  // under a step
      {platform::kMessageMouseMove, 0, false, -1, {256, 256, 256, {}}},
  };
  for (const auto& c : cases) {
    // The cursor rests on the focused button (or on none), so that the
    // hover test reports nothing.
    scene.buttons().focused = c.focused;
    const scene::ButtonRecord* on = scene.buttons().record(c.focused);
    cursor.at = on != nullptr ? Point{on->centreX, on->centreY} : Point{-100, -100};
    EXPECT_EQ(send(c.code, c.wparam, c.passThrough), c.expected)
        << std::hex << c.code << " " << c.wparam;
  }
}

TEST_F(EventWaitTest, HoverLeavesBeforeItEntersAndHonoursTheAlphaThreshold) {
  cursor.at = {50, 20};
  EXPECT_EQ(poll(), (PollResult{1, 0, 1, {}}));
  EXPECT_EQ(poll(), PollResult{});  // still on it
  cursor.at = {100, 20};
  EXPECT_EQ(poll(), (PollResult{1, 0, 0, {}}));
  EXPECT_EQ(poll(), (PollResult{2, 0, 1, {}}));
  // Button 3 needs alpha 128: a pixel of 127 inside its rectangle misses.
  scene::SpriteRecord* r = table().front(3);
  std::uint8_t* pixel = assets::pixelAt(*r->pixels, 5, 4);
  for (const std::uint8_t alpha : {std::uint8_t{127}, std::uint8_t{128}}) {
    pixel[3] = alpha;
    cursor.at = {150, 20};
    poll();
    poll();
    EXPECT_EQ(scene.buttons().focused, alpha == 128 ? 3 : -1) << int{alpha};
  }
}

TEST_F(EventWaitTest, AClickIsAPressAndAReleaseOnTheSameButton) {
  cursor.at = {50, 20};
  poll();
  EXPECT_EQ(send(platform::kMessageLeftDown), (PollResult{1, 1, 2, {}}));
  cursor.at = {100, 20};
  poll();  // leaves 1
  poll();  // enters 2
  EXPECT_EQ(send(platform::kMessageLeftUp), PollResult{});
  EXPECT_EQ(send(platform::kMessageLeftDown), (PollResult{2, 1, 2, {}}));
  EXPECT_EQ(send(platform::kMessageLeftUp), (PollResult{2, 1, 3, {}}));
  EXPECT_EQ(scene.buttons().focused, -1);
}

TEST_F(EventWaitTest, ArrowKeysMoveTheFocusAndWrap) {
  const struct {
    std::int32_t from;
    std::uint32_t key;
    std::int32_t to;
  } cases[] = {
      {1, 0x27, 2}, {2, 0x27, 3}, {3, 0x27, 1},  // right, wrapping to the row's first
      {1, 0x25, 3},                              // left from the first wraps to the last
      {1, 0x28, 4}, {4, 0x26, 1}, {4, 0x28, 1},  // down and up in the column
  };
  for (const auto& c : cases) {
    scene.buttons().focused = c.from;
    const scene::ButtonRecord* from = scene.buttons().record(c.from);
    cursor.at = {from->centreX, from->centreY};
    // The old button stays focused until the cursor has moved.
    EXPECT_EQ(send(platform::kMessageKeyDown, c.key), (PollResult{c.from, int(c.key), 0, {}}));
    const scene::ButtonRecord* to = scene.buttons().record(c.to);
    EXPECT_EQ(cursor.at, (Point{to->centreX, to->centreY})) << c.from << " " << c.key;
    EXPECT_EQ(cursor.lastSpeed, 4);
  }
  runAll({"clearBtn"});
  scene.buttons().focused = -1;
  EXPECT_EQ(send(platform::kMessageKeyDown, 0x27), (PollResult{-1, 0x27, 2, {}}));
  EXPECT_EQ(scene.buttons().focused, -1);
}

TEST_F(EventWaitTest, PendingEventsComeInTheirOrder) {
  text::MessageModes& modes = window.modes();
  scene.composer().setWindowVisibility(3);
  modes.setAuto(1);
  MessageRecord close;
  close.code = platform::kMessageClose;
  main.setCloseRequestsRead(true);
  main.handleMessage(close);
  EXPECT_EQ(poll(), (PollResult{257, 0, 1, {}}));  // auto started
  EXPECT_EQ(poll(), (PollResult{261, 261, 0, {}}));
  // Auto mode advances on every other poll once its deadline has passed.
  window.page().autoDeadline = platform->clock().now() + 10;
  EXPECT_EQ(poll(), PollResult{});
  platform->clock().sleep(20);
  std::vector<std::int32_t> buttons;
  for (int i = 0; i < 4; ++i) buttons.push_back(poll().button);
  EXPECT_EQ(buttons, (std::vector<std::int32_t>{256, 260, 256, 260}));
  // A right click stops auto: the mode event says so; skip advances alone.
  EXPECT_EQ(send(platform::kMessageRightUp), (PollResult{257, 1, 0, {}}));
  modes.messageLine(true);
  modes.setSkip(1);
  EXPECT_EQ(poll(), (PollResult{257, 0, 2, {}}));
  EXPECT_EQ(poll(), (PollResult{-1, 1, 3, {}}));
  EXPECT_TRUE(modes.skipInEffect());
}

}  // namespace
}  // namespace tsuzuri::shell
