#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "scene/scene_fixture.h"

namespace tsuzuri::scene {
namespace {

class MotionTest : public testing::SceneTest {
 protected:
  MotionTest() {
    run("sp 5, \"a.img\", 0, 0");
    commit();
    start = clock().now();
  }
  platform::Clock& clock() { return platform->clock(); }
  // Renders the update of a frame at `ms` after the test's start.
  void frameAt(std::uint32_t ms) {
    const std::uint32_t now = clock().now();
    if (start + ms > now) clock().sleep(start + ms - now);
    scene.update();
  }
  SpriteRecord& front(std::int32_t slot = 5) { return *table().front(slot); }
  std::int32_t active(std::int32_t slot = 5) { return table().slot(slot).motionActive; }
  std::vector<std::string> reports() const { return world.errors.withContext; }

  std::uint32_t start = 0;
};

TEST_F(MotionTest, AStepRunsForItsDurationOrTwoAndLandsOnItsTarget) {
  // Duration d lasts d | 2 ms: 1000 → 1002, 0 → 2, 1001 → 1003.
  const struct {
    const char* command;
    std::uint32_t at;
    float x;
    bool running;
  } cases[] = {
      {"sp_ax 5, 100, 1000, 0, 0x100", 501, 50, true},
      {"sp_ax 5, 100, 1000, 0, 0x100", 1001, 99.9F, true},
      {"sp_ax 5, 100, 1000, 0, 0x100", 1002, 100, false},
      {"sp_ax 5, 100, 0, 0, 0x100", 1, 50, true},
      {"sp_ax 5, 100, 0, 0, 0x100", 2, 100, false},
      {"sp_ax 5, 100, 1001, 0, 0x100", 1002, 99.9F, true},
      {"sp_ax 5, -100, 1000, 1, 0x100", 501, -70.7107F, true},  // sine out, half way
      {"sp_ax 5, 100, 1000, 0, 0", 1002, 100, true},            // passes 0: endless
  };
  for (const auto& c : cases) {
    run("sp_x 5, 0");
    commit();
    start = clock().now();
    run(c.command);
    frameAt(c.at);
    EXPECT_NEAR(front().x, c.x, 0.05F) << c.command << " at " << c.at;
    EXPECT_NEAR(table().back(5)->x, c.x, 0.05F) << "motions write both records";
    EXPECT_EQ(active() != 0, c.running) << c.command << " at " << c.at;
    run("sp_ae 5");
  }
  EXPECT_TRUE(reports().empty());
}

TEST_F(MotionTest, EveryListWritesItsPropertyInItsUnits) {
  run("sp_cut 6, \"b.img\", 0, 0x22, 0, 0, 20, 12");  // 2 × 2 cells of 10 × 6
  run("sp_c 5, 4, 0x000000");
  commit();
  start = clock().now();
  runAll({"sp_aw 5, 200, 100, 0, 0x100", "sp_ah 5, 50, 100, 0, 0x100",
          "sp_arx 5, 40, 100, 0, 0x100", "sp_ary 5, -40, 100, 0, 0x100",
          "sp_arz 5, 90, 100, 0, 0x100", "sp_aa 5, 300, 100, 0, 0x100",
          "sp_ac 5, 0xFF8020, 100, 0, 0x100", "sp_am 5, 1, 1000, 100, 0, 0x100",
          "sp_al 6, 0x11, 100, 0, 0x100"});
  frameAt(51);  // half way through 102 ms
  const SpriteRecord& r = front();
  EXPECT_FLOAT_EQ(r.scaleX, 1.5F);
  EXPECT_FLOAT_EQ(r.scaleY, 0.75F);
  EXPECT_FLOAT_EQ(r.rotX, 20);
  EXPECT_FLOAT_EQ(r.rotY, -20);
  EXPECT_FLOAT_EQ(r.rotZ, -45) << "a Z target is stored negated";
  EXPECT_EQ(r.alpha, 255 - 105) << "alpha 300 & 0xFF = 44, in integer steps";
  EXPECT_EQ(r.tiles.quads[0][0].diffuse, (static_cast<std::uint32_t>(r.alpha) << 24) | 0xFFFFFF);
  EXPECT_EQ(static_cast<std::uint32_t>(r.colour), 0xFF7F4010U) << "each channel on its own";
  EXPECT_EQ(r.maskValue1, 1);
  EXPECT_EQ(r.maskValue2, 500);
  EXPECT_EQ(front(6).cell, 0x11) << "a cell shows at once";
  frameAt(102);
  EXPECT_EQ(active(), 0);
  EXPECT_EQ(active(6), 0);
  EXPECT_FLOAT_EQ(r.scaleX, 2);
  EXPECT_EQ(r.alpha, 44);
  EXPECT_EQ(static_cast<std::uint32_t>(r.colour), 0xFFFF8020U);
  EXPECT_EQ(r.maskValue2, 1000);
}

TEST_F(MotionTest, JoinModesReplaceQueueOrFinishThePass) {
  // Mode 1 and 3 need a running motion of the property.
  run("sp_ax 5, 100, 100, 0, 0x101");
  run("sp_ax 5, 100, 100, 0, 0x103");
  ASSERT_EQ(reports().size(), 2U);
  EXPECT_EQ(reports()[0], sjis(u8"5 追加フラグが不正です"));
  EXPECT_EQ(active(), 0);

  // Queue: the second step starts at the frame that ended the first.
  run("sp_ax 5, 100, 100, 0, 0x100");
  run("sp_ax 5, 0, 100, 0, 1");
  frameAt(110);  // the first step (102 ms) ends here
  EXPECT_FLOAT_EQ(front().x, 100);
  frameAt(161);
  EXPECT_FLOAT_EQ(front().x, 50);
  frameAt(212);
  EXPECT_FLOAT_EQ(front().x, 0);
  EXPECT_EQ(active(), 0);

  // Replace from the end (0) jumps to the old target; from here (2) does not.
  start = clock().now();
  run("sp_ax 5, 100, 100, 0, 0x100");
  frameAt(51);
  run("sp_ax 5, 200, 100, 0, 0x102");
  EXPECT_FLOAT_EQ(front().x, 100) << "the replaced step's target is set";
  frameAt(102);
  EXPECT_NEAR(front().x, 50 + 150 * 51 / 102.0F, 0.01F) << "mode 2 started from 50";
  run("sp_ae 5");
}

TEST_F(MotionTest, PassesRepeatTheListAndEndlessLoopsSurviveTheirFirstPass) {
  // Two steps, three passes: 0 → 100 → 0 three times.
  run("sp_ax 5, 100, 100, 0, 0x300");
  run("sp_ax 5, 0, 100, 0, 1");
  std::uint32_t t = 0;
  for (int pass = 0; pass < 3; ++pass) {
    t += 102;
    frameAt(t);
    EXPECT_FLOAT_EQ(front().x, 100) << pass;
    t += 102;
    frameAt(t);
    EXPECT_FLOAT_EQ(front().x, 0) << pass;
    EXPECT_EQ(active() != 0, pass < 2) << pass;
  }

  // A restart begins at the frame that ended the pass, not at its ideal end.
  start = clock().now();
  run("sp_ax 5, 100, 100, 0, 0x200");
  frameAt(150);
  frameAt(201);
  EXPECT_FLOAT_EQ(front().x, 100 * 51 / 102.0F);

  // Mode 3: the pass finishes (steps made one-shot), then the new step runs.
  start = clock().now();
  run("sp_ax 5, 0, 100, 0, 0");
  run("sp_ax 5, 100, 100, 0, 1");
  frameAt(102);  // the second step is current
  run("sp_ax 5, 300, 100, 0, 0x103");
  const MotionTrack* track = scene.motions().track(kMotionX, 5);
  ASSERT_NE(track, nullptr);
  ASSERT_EQ(track->steps.size(), 2U) << "the step before the current one went";
  EXPECT_EQ(track->steps[0].stepFlags & kStepOneShot, kStepOneShot);
  EXPECT_EQ(track->steps[0].passes, 1);
  frameAt(204);
  frameAt(306);
  EXPECT_FLOAT_EQ(front().x, 300);
  EXPECT_EQ(active(), 0) << "one pass of what was left";

  // Endless: sp_aex leaves the first pass alone and ends the second.
  start = clock().now();
  run("sp_ax 5, 100, 100, 0, 0");
  run("sp_aex 5");
  EXPECT_EQ(active(), 1);
  frameAt(102);
  frameAt(150);
  run("sp_aex 5");
  EXPECT_EQ(active(), 0);
  EXPECT_FLOAT_EQ(front().x, 100) << "ended at its last target";
}

TEST_F(MotionTest, TheDeleteFlagRemovesTheSpriteAtTheCommitAfterTheEnd) {
  run("sp_aa 5, 0, 100, 0, 0x120");  // one pass, delete at the end
  run("sp_exist 5, %0");
  EXPECT_EQ(integer(0), 1) << "being deleted";
  frameAt(102);
  EXPECT_NE(table().slot(5).pending & kPendingDelete, 0);
  commit();
  EXPECT_FALSE(table().occupied(5));
  EXPECT_EQ(table().slot(5).motionActive, 0);
}

TEST_F(MotionTest, SettersRetargetRunningMotionsAndQueriesReportTheTargets) {
  runAll(
      {"sp_ax 5, 100, 100, 0, 0x100", "sp_aw 5, 300, 100, 0, 0x100", "sp_aa 5, 10, 100, 0, 0x100"});
  runAll({"sp_gxy 5, 1, 1, %0, %1", "sp_gwh 5, %2, %3", "sp_ga 5, %4"});
  EXPECT_EQ(integer(0), 100);
  EXPECT_EQ(integer(2), 300);
  EXPECT_EQ(integer(3), 100);
  EXPECT_EQ(integer(4), 10);
  run("sp_x 5, 40");
  frameAt(102);
  EXPECT_FLOAT_EQ(front().x, 40) << "the motion ended at the value set";
  run("sp_arz 5, 90, 100, 0, 0x100");
  run("sp_rz 5, 30");
  EXPECT_EQ(scene.motions().lastTarget(kMotionRotZ, 5), -30) << "Z targets are stored negated";
  EXPECT_EQ(reports(), std::vector<std::string>{});
}

TEST_F(MotionTest, EndingCommandsApplyTheTargetsOfTheirLists) {
  runAll({"sp_axy 5, 10, 20, 1000, 0, 0x100", "sp_aa 5, 0, 1000, 0, 0",
          "sp_awh 5, 50, 60, 1000, 0, 0x100"});
  run("sp_aexy 5");
  EXPECT_EQ(active(), motionBit(kMotionAlpha) | motionBit(kMotionW) | motionBit(kMotionH));
  EXPECT_FLOAT_EQ(front().x, 10);
  EXPECT_FLOAT_EQ(front().y, 20);
  run("sp_ae 5");
  EXPECT_EQ(active(), 0);
  EXPECT_EQ(front().alpha, 0);
  EXPECT_FLOAT_EQ(front().scaleY, 0.6F);
  runAll({"sp_aex 7", "sp_ax 1000, 1, 1, 0, 0", "sp_alv 0, 999, %0"});
  EXPECT_EQ(reports(),
            (std::vector<std::string>{empty(7), "1000" + sjis(u8" スプライト番号が不正です")}));
  EXPECT_EQ(integer(0), 0);
}

TEST_F(MotionTest, JumpModeLandsMotionsAtOnce) {
  table().setJumpMode(1);
  run("sp_ax 5, 70, 1000, 0, 0x100");
  EXPECT_FLOAT_EQ(front().x, 70);
  run("sp_ay 5, 70, 1000, 0, 1");
  EXPECT_TRUE(reports().empty()) << "queueing needs no motion in jump mode";
  run("sp_aa 5, 0, 1000, 0, 0x120");
  EXPECT_NE(table().slot(5).pending & kPendingDelete, 0);
}

TEST_F(MotionTest, AStandingPictureCrossFadesIntoItsSwitch) {
  run("sp_st 8, \"a.img\", 0, 40, 30, 0, 0");
  commit();
  const render::TextureId before = shown(8);
  start = clock().now();
  run("sp_st 8, \"b.img\", 0, 40, 30, 100, 0");
  commit();
  EXPECT_EQ(shown(8), before) << "the switch owns the records: no commit swaps them";
  frameAt(51);
  EXPECT_EQ(table().slot(8).switching, 128 | 1);
  compose();
  ASSERT_FALSE(device->draws().empty());
  EXPECT_EQ(device->draws()[0].program, render::Program::kStand);
  frameAt(102);
  EXPECT_EQ(table().slot(8).switching, 0);
  EXPECT_NE(shown(8), before);
  EXPECT_EQ(table().slot(8).pending, 0);
  EXPECT_EQ(active(8), 0);

  // A delayed switch waits, then loads.
  start = clock().now();
  run("sp_st 8, \"a.img\", 0, 40, 30, 0, 500");
  const render::TextureId shownBefore = shown(8);
  frameAt(499);
  EXPECT_EQ(table().slot(8).switching, 0);
  frameAt(500);
  EXPECT_EQ(table().slot(8).switching, 1);
  frameAt(501);
  EXPECT_EQ(table().slot(8).switching, 128 | 1);
  frameAt(502);
  EXPECT_NE(shown(8), shownBefore);
  EXPECT_EQ(table().slot(8).name, "a.img");
}

TEST_F(MotionTest, EndingASwitchShowsItsNewPicture) {
  for (const char* ending : {"sp_ae 8", "sp_aes 8"}) {
    run("sp_st 8, \"a.img\", 0, 40, 30, 0, 0");
    commit();
    const render::TextureId before = shown(8);
    start = clock().now();
    run("sp_st 8, \"b.img\", 0, 40, 30, 100, 0");
    frameAt(51);
    run(ending);
    EXPECT_EQ(table().slot(8).switching, 0) << ending;
    EXPECT_EQ(active(8), 0) << ending;
    commit();
    EXPECT_NE(shown(8), before) << ending;
    EXPECT_NE(shown(8), render::kNoTexture) << ending;
    EXPECT_EQ(table().slot(8).pending, 0) << ending;
  }
}

TEST_F(MotionTest, AListOfASpriteWithoutAPictureIsDropped) {
  run("sp_ax 5, 100, 100, 0, 0");
  table().slot(5).name.clear();  // a nameless sprite without a canvas
  frameAt(10);
  EXPECT_EQ(reports(),
            std::vector<std::string>{"5" + sjis(u8" 画像が読み込まれていません(imList2)")});
  EXPECT_EQ(active(), 0);
  EXPECT_FALSE(scene.running());
}

TEST_F(MotionTest, WithoutTheCrossFadeProgramTheSwitchBlendsOnTheProcessor) {
  render::DeviceCaps caps = device->caps();
  caps.spritePrograms = false;
  device->setCaps(caps);
  run("sp_st 8, \"a.img\", 0, 40, 30, 0, 0");
  commit();
  start = clock().now();
  run("sp_st 8, \"b.img\", 0, 40, 30, 100, 0");
  frameAt(51);
  EXPECT_EQ(table().slot(8).switching, 129);
  compose();
  ASSERT_FALSE(device->draws().empty());
  EXPECT_EQ(device->draws()[0].program, render::Program::kPlain);
  EXPECT_EQ(device->draws()[0].texture0, shown(8)) << "the blend is in the front's textures";
}

TEST_F(MotionTest, SpriteQuakesFollowTheirWaveformsAndStop) {
  // Full swing, period 40: up over 0..10, back 10..20, down 20..30, back 30..40.
  run("sp_qx 5, 8, 40, 2, 0, 1, 0");
  const struct {
    std::uint32_t at;
    float offset;
  } swing[] = {{5, 4}, {10, 8}, {15, 4}, {25, -4}, {30, -8}, {35, -4}, {40, 0}, {45, 4}};
  for (const auto& s : swing) {
    frameAt(s.at);
    EXPECT_FLOAT_EQ(table().slot(5).quakeX.offset, s.offset) << s.at;
  }
  frameAt(80);
  EXPECT_FALSE(table().slot(5).quakeX.on()) << "two periods, then off";
  EXPECT_FALSE(scene.running());

  // One bump with a delay, and the composition moving the sprite.
  start = clock().now();
  run("sp_qy 5, 6, 20, 0, 0, 0, 10");
  frameAt(9);
  EXPECT_FLOAT_EQ(table().slot(5).quakeY.offset, 0);
  frameAt(15);
  EXPECT_FLOAT_EQ(table().slot(5).quakeY.offset, 3);
  frameAt(20);
  EXPECT_FLOAT_EQ(table().slot(5).quakeY.offset, 6);
  compose();
  // a.img is 8 high, anchored at its centre, in the middle of the screen.
  EXPECT_FLOAT_EQ(drawnBox(5)[1], 300 + 6 - 0.5F - 4);
  EXPECT_TRUE(scene.running());
  run("sp_qy 5, 6, 9, 0, 0, 0, 0");
  EXPECT_FALSE(table().slot(5).quakeY.on()) << "a period below 10 stops the shake";
}

TEST(QuakeOffset, LastSwingEasesInAndOut) {
  QuakeAxis axis{.amplitude = 10, .count = 1, .easing = 1, .mode = 1, .period = 40};
  axis.count = 2;
  const float ordinary = quakeOffset(axis, 35);
  axis.count = 1;
  const float last = quakeOffset(axis, 35);
  EXPECT_NEAR(ordinary, -10 * std::sin(0.5F * 3.14159265F / 2), 1e-4);
  EXPECT_NEAR(last, -5, 1e-4) << "sine in-out at half way";
}

}  // namespace
}  // namespace tsuzuri::scene
