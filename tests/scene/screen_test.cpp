#include <gtest/gtest.h>

#include <string>

#include "scene/scene_fixture.h"

namespace tsuzuri::scene {
namespace {

// Slot 5 holds a.img (10 × 8) at the screen centre (400, 300).
class ScreenTest : public testing::SceneTest {
 protected:
  ScreenTest() {
    run("sp 5, \"a.img\", 0, 0");
    commit();
    start = platform->clock().now();
  }
  void frameAt(std::uint32_t ms) {
    const std::uint32_t now = platform->clock().now();
    if (start + ms > now) platform->clock().sleep(start + ms - now);
    scene.update();
  }
  // Left and top of slot 5 on screen, and its width.
  std::array<float, 3> placed(std::int32_t slot = 5) {
    compose();
    const std::array<float, 4> box = drawnBox(slot);
    return {box[0], box[1], box[2] - box[0]};
  }

  std::uint32_t start = 0;
};

constexpr float kLeft = 400 - 0.5F - 5;  // a.img's left edge at rest
constexpr float kTop = 300 - 0.5F - 4;

TEST_F(ScreenTest, APlainScrollShowsFromTheNextCommitAndAnEasedOneAtOnce) {
  run("sc_x 100, 0, 0, 0");
  frameAt(1);
  EXPECT_FLOAT_EQ(placed()[0], kLeft) << "nothing moves before the commit";
  EXPECT_NE(table().slot(5).pending & kPendingChanged, 0);
  // The new picture of a transition already shows it.
  compose(Picture::kNew);
  EXPECT_FLOAT_EQ(drawnBox(5)[0], kLeft + 100);
  EXPECT_FLOAT_EQ(placed()[0], kLeft);
  commit();
  EXPECT_FLOAT_EQ(placed()[0], kLeft + 100);

  start = platform->clock().now();
  run("sc_y 50, 1000, 0, 0");
  EXPECT_TRUE(scene.running());
  frameAt(500);
  EXPECT_FLOAT_EQ(placed()[1], kTop + 25) << "an eased scroll needs no commit";
  // A second scroll during the first starts from the first one's target.
  run("sc_y 0, 1000, 0, 0");
  EXPECT_EQ(scene.screen().motion(kScrollY).base, 50);
  EXPECT_EQ(scene.screen().motion(kScrollY).change, -50);
  frameAt(1500);
  EXPECT_FLOAT_EQ(placed()[1], kTop);
  EXPECT_FALSE(scene.running());
}

TEST_F(ScreenTest, ABothAxesMoveLandsAnAxisAtItsTargetAtTheCommit) {
  run("sc_x 100, 1000, 0, 0");
  frameAt(500);
  // X already heads for 100: it lands there at the commit while Y moves.
  run("sc_xy 100, 60, 1000, 0, 0");
  EXPECT_EQ(scene.screen().motion(kScrollX).change, 0);
  frameAt(1000);
  EXPECT_FLOAT_EQ(scene.screen().value(kScrollX), 50);
  EXPECT_FLOAT_EQ(scene.screen().value(kScrollY), 30);
  commit();
  EXPECT_FLOAT_EQ(scene.screen().value(kScrollX), 100);
  // Both at their targets: nothing moves, the commit shows them.
  run("sc_xy 100, 60, 1000, 0, 0");
  EXPECT_FALSE(scene.screen().moving());
}

TEST_F(ScreenTest, ZoomScalesAroundTheScreenCentre) {
  run("sp_x 5, 500");  // 100 pixels right of the centre
  run("sc_w 200, 0, 0, 0");
  commit();
  const std::array<float, 3> p = placed();
  EXPECT_NEAR(p[2], 20, 1e-3) << "twice as wide";
  EXPECT_NEAR(p[0] + p[2] / 2, 600 - 0.5F, 1e-3) << "and twice as far from the centre";

  // Flag 0x20 keeps a sprite out of the camera.
  run("sp 6, \"a.img\", 0x20, 0");
  commit();
  EXPECT_FLOAT_EQ(placed(6)[2], 10);
}

TEST_F(ScreenTest, JumpModeSetsTheScreenAtOnce) {
  table().setJumpMode(1);
  run("sc_xy 30, 40, 1000, 0, 0");
  EXPECT_FALSE(scene.running());
  EXPECT_FLOAT_EQ(scene.screen().value(kScrollX), 30);
  EXPECT_FLOAT_EQ(scene.screen().value(kScrollY), 40);
}

TEST_F(ScreenTest, TheScreenShakeMovesTheSpritesItTargets) {
  // 5 plain, 6 in the window layer, 7 exempt from the screen shake.
  runAll({"sp 6, \"a.img\", 1, 0", "sp 7, \"a.img\", 0x10, 0"});
  commit();
  scene.composer().setWindowVisibility(1);
  const struct {
    const char* command;
    std::int32_t effectSkip;
    float plain, window, exempt;
  } cases[] = {
      {"sc_qx 1, 8, 40, 0, 0, 1, 0", 0, 8, 0, 0}, {"sc_qx 3, 8, 40, 0, 0, 1, 0", 0, 8, 8, 0},
      {"sc_qx 3, 8, 40, 0, 0, 1, 0", 1, 0, 8, 0}, {"sc_qx 3, 8, 40, 0, 0, 1, 0", 2, 8, 0, 0},
      {"sc_qx 3, 8, 9, 0, 0, 1, 0", 0, 0, 0, 0},  // a period below 10 stops it
  };
  for (const auto& c : cases) {
    settings.effectSkip = c.effectSkip;
    start = platform->clock().now();
    run(c.command);
    frameAt(10);  // a quarter period: the full amplitude
    EXPECT_FLOAT_EQ(placed(5)[0], kLeft + c.plain) << c.command << " skip " << c.effectSkip;
    EXPECT_FLOAT_EQ(placed(6)[0], kLeft + c.window) << c.command << " skip " << c.effectSkip;
    EXPECT_FLOAT_EQ(placed(7)[0], kLeft + c.exempt) << c.command << " skip " << c.effectSkip;
  }
  EXPECT_FALSE(scene.screen().quaking());
}

TEST_F(ScreenTest, NothingMovesWhileThePausedWindowIsInactive) {
  std::uint32_t flags = 1;  // pause when inactive; not active
  scene.setSystemFlagsSource([&flags] { return flags; });
  run("sp_ax 5, 0, 100, 0, 0x100");
  run("sc_x 100, 100, 0, 0");
  frameAt(50);
  EXPECT_FLOAT_EQ(table().front(5)->x, 400);
  EXPECT_FLOAT_EQ(scene.screen().value(kScrollX), 0);
  flags = 3;
  frameAt(51);
  EXPECT_FLOAT_EQ(table().front(5)->x, 200);
  EXPECT_FLOAT_EQ(scene.screen().value(kScrollX), 51) << "a screen move lasts 100 ms, not 102";
}

TEST_F(ScreenTest, MotionBlurKeepsItsSwitchAndStrength) {
  run("sc_mb 1, 0x1C0");
  EXPECT_TRUE(scene.screen().motionBlur());
  EXPECT_EQ(scene.screen().motionBlurStrength(), 0xC0);
  run("sc_mb 0, 0");
  EXPECT_FALSE(scene.screen().motionBlur());
}

}  // namespace
}  // namespace tsuzuri::scene
