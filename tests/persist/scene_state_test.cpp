#include "persist/scene_state.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "scene/scene_fixture.h"

namespace tsuzuri::persist {
namespace {

class SceneStateTest : public scene::testing::SceneTest {
 protected:
  // A start time of 0 reads as "not started": the clock is past it.
  SceneStateTest() { clock().sleep(1000); }
  platform::Clock& clock() { return platform->clock(); }
  std::string save() {
    commit();
    std::string out;
    writeSceneLines(services, out);
    return out;
  }
  // Clears the scene and restores it from `text` (kept for the record's views).
  void load(std::string text) {
    loaded = std::move(text);
    clearScene(services);
    restoreScene(services, RecordLines(loaded));
  }
  static std::string line(const std::string& text, std::string_view key) {
    const std::size_t at = text.find("\n" + std::string(key) + "=");
    if (at == std::string::npos) return {};
    return text.substr(at + 1, text.find('\n', at + 1) - at - 1);
  }
  const scene::MotionTrack* track(int list, std::int32_t slot) {
    return scene.motions().track(list, slot);
  }

  text::TextSprites textSprites{scene.sprites(), world.errors, dir.path()};
  SceneStateServices services{scene, textSprites, platform->clock()};
  std::string loaded;
};

TEST_F(SceneStateTest, WritesTheScreenAndImageLinesInTheirFormat) {
  run("sp 9, \"a.img\", 0x20, 0");
  run("sp_xy 9, 12.5, 7");
  run("sp_o 9, 2");
  const std::string text = "\n" + save();
  EXPECT_EQ(text.find("\nScQ="), 0U) << "the screen lines come first";
  EXPECT_EQ(line(text, "ScQ"), "ScQ=0, 0,0, 0,0, 0,0, 0,0, 0,0, 0,0, 0,0");
  EXPECT_EQ(line(text, "ScXYWH"),
            "ScXYWH=0,0,0,0, 0,0,0,0, 0,0,0,0, 0,0,0,0, 0,0,0,0, 0,0,100,100");
  EXPECT_EQ(line(text, "Image9"),
            "Image9=a.img,,,0,0,0,0,0,2, 0,0,0,0,0,0,0, 0,0,0,0,0,0,0, 0,0,0,0,0,0,0,0, "
            "32,255,1,0,0,10,8,12.5,7,1,1,0,0,0,1,1,0,0,0,0,0, 0");
}

TEST_F(SceneStateTest, ASceneComesBackAsItWasSaved) {
  runAll({"sp_neg 1, 1", "sp 1, \"a.img\", 0, 0", "sp_xy 1, 100, 50", "sp_a 1, 128",
          "sp_c 1, 4, 0x123456", "sp_o 1, 3", "sp_cxy 1, 0, 2", "sp_w 1, 50", "sp_rz 1, 30",
          "sp_mask 1, \"b.img\", 1, 100, 3, 0, 0", "sp 2, \"b.img\", 0, 0x21", "sp_l 2, 0x10",
          "spg 3, 64, 32, 0", "sp_st 4, \"a.img\", 0, 40, 30, 0, 0", "sp 5, \"a.img\", 8, 0"});
  commit();
  runAll({"sp_g 2, 3", "sp_qx 1, 10, 100, 0, 0, 1, 0", "sc_qy 1, 6, 80, 0, 0, 1, 0",
          "sc_x 100, 1000, 0, 0", "sp_ax 1, 300, 1000, 0, 0x100", "sp_ax 1, 400, 500, 0, 0x101",
          "sp_am 1, 0, 300, 400, 0, 0x100"});
  clock().sleep(300);
  scene.update();
  const render::TextureId kept = shown(5);
  const std::string first = save();
  EXPECT_EQ(first.find("Image5="), std::string::npos) << "a not-saved sprite is not written";

  load(first);
  EXPECT_EQ(shown(5), kept) << "a not-saved sprite stays as it is";
  const struct {
    std::int32_t slot, kind, layer, order, cellW, cellH, cell;
  } sprites[] = {
      {1, scene::kKindImage, 0, 3, 10, 8, 0},
      {2, scene::kKindImage, 3, 0, 10, 12, 0x10},
      {3, scene::kKindCanvas, 0, 0, 64, 32, 0},
      {4, scene::kKindStand, 0, 0, 40, 30, 0},
  };
  for (const auto& c : sprites) {
    const scene::SpriteRecord* r = table().front(c.slot);
    ASSERT_NE(r, nullptr) << c.slot;
    EXPECT_NE(r->tileTexture[0], render::kNoTexture) << c.slot;
    EXPECT_EQ(table().slot(c.slot).kind, c.kind) << c.slot;
    EXPECT_EQ(table().registeredLayer(c.slot), c.layer) << c.slot;
    EXPECT_EQ(table().slot(c.slot).order, c.order) << c.slot;
    EXPECT_EQ(r->cellW(), c.cellW) << c.slot;
    EXPECT_EQ(r->cellH(), c.cellH) << c.slot;
    EXPECT_EQ(r->cell, c.cell) << c.slot;
  }
  const scene::SpriteRecord& one = *table().front(1);
  EXPECT_EQ(one.x, 100) << "an X motion restores the sprite at its first start";
  EXPECT_EQ(one.alpha, 128);
  EXPECT_EQ(one.maskValue2, 100) << "and the mask at its M motion's start";
  EXPECT_TRUE(one.hasMask());
  EXPECT_EQ(table().slot(1).effects[scene::kEffectNegative], 1);
  EXPECT_TRUE(scene.quakes().slots().contains(1));
  EXPECT_EQ(scene.screen().quake(true).amplitude, 6);
  ASSERT_NE(track(scene::kMotionX, 1), nullptr);
  EXPECT_EQ(track(scene::kMotionX, 1)->steps.size(), 2U);
  EXPECT_EQ(track(scene::kMotionX, 1)->current().startTime, clock().now() - 300);
  EXPECT_EQ(save(), first) << "what is restored saves as it was";

  scene.update();
  EXPECT_NEAR(table().front(1)->x, 100 + 200 * 300 / 1002.0F, 0.05F)
      << "the steps replay from their saved elapsed times";
}

TEST_F(SceneStateTest, ElapsedTimesRunOnFromTheLoad) {
  runAll({"sp 1, \"a.img\", 0, 0", "sp_qx 1, 10, 100, 0, 0, 1, 0", "sc_qx 1, 6, 80, 0, 0, 1, 0"});
  commit();
  runAll({"sp_ax 1, 100, 1000, 0, 0x100", "sp_ax 1, 200, 1000, 0, 0x101"});
  clock().sleep(1100);
  scene.update();  // the first step ends, the second starts
  clock().sleep(200);
  const auto age = [this](std::uint32_t start) { return clock().now() - start; };
  const std::uint32_t quake = age(table().slot(1).quakeX.startTime);
  const std::uint32_t screenQuake = age(scene.screen().quake(false).startTime);
  const std::string text = save();
  clock().sleep(5000);
  load(text);
  EXPECT_EQ(age(table().slot(1).quakeX.startTime), quake);
  EXPECT_EQ(age(scene.screen().quake(false).startTime), screenQuake);
  const scene::MotionTrack* x = track(scene::kMotionX, 1);
  ASSERT_NE(x, nullptr);
  EXPECT_EQ(x->cursor, 1U) << "the step that ran goes on, not the one done";
  EXPECT_EQ(age(x->current().startTime), 200U);
  EXPECT_EQ(age(x->steps[0].startTime), 1300U);
}

TEST_F(SceneStateTest, ShortLinesRestoreWithDefaultsAndFailuresLeaveTheSlotEmpty) {
  load(
      "Image3=a.img\n"
      "Image4=a.img,,,0,0,0,0,0,5\n"
      "Image5=missing.img\n"
      "Image6=a.img,,\x02\n"
      "Image7=b.img\n"
      "ImageX3_0=100,0\n");
  const scene::SpriteRecord* three = table().front(3);
  ASSERT_NE(three, nullptr);
  EXPECT_EQ(three->alpha, 255);
  EXPECT_EQ(three->blend, 1);
  EXPECT_EQ(three->scaleX, 1);
  EXPECT_EQ(three->anchorX, 1);
  EXPECT_EQ(three->x, 400);
  EXPECT_EQ(three->y, 300);
  EXPECT_EQ(table().slot(4).order, 5);
  EXPECT_FALSE(table().occupied(5)) << "an image that cannot be read";
  EXPECT_FALSE(table().occupied(6)) << "a movie";
  EXPECT_NE(table().front(7), nullptr) << "the restore goes on after a failure";
  const scene::MotionTrack* x = track(scene::kMotionX, 3);
  ASSERT_NE(x, nullptr);
  EXPECT_EQ(x->current().passes, 1);
  EXPECT_EQ(x->current().duration, 2);
  EXPECT_EQ(table().slot(3).motionActive, scene::motionBit(scene::kMotionX));
}

TEST_F(SceneStateTest, TextSpritesKeepTheirTextFontAndCommas) {
  textSprites.setFont({"face", 20, 1, 0x112233, 0x445566, 0x778899});
  ASSERT_TRUE(textSprites.create(8, "one, two", 0));
  textSprites.setFont({"other", 10, 0, 0, 0, 0});
  load(save());
  const scene::SpriteSlot& s = table().slot(8);
  EXPECT_EQ(s.name, "one, two");
  EXPECT_EQ(s.fontName, "face");
  EXPECT_EQ(s.textParams, (std::array<std::int32_t, 5>{20, 1, 0x112233, 0x445566, 0x778899}));
  EXPECT_EQ(textSprites.font().name, "other") << "the text-sprite font stays";
}

TEST_F(SceneStateTest, ClearingKeepsNotSavedSpritesAndResetsTheScreen) {
  runAll({"sp 1, \"a.img\", 0, 0", "sp 2, \"a.img\", 8, 0", "sc_w 200, 0, 0, 0",
          "sc_x 50, 1000, 0, 0", "sc_qx 1, 10, 100, 0, 0, 1, 0"});
  commit();
  run("sp_ax 2, 100, 1000, 0, 0x100");
  clearScene(services);
  EXPECT_FALSE(table().occupied(1));
  ASSERT_NE(table().front(2), nullptr);
  EXPECT_EQ(table().front(2)->x, 100) << "its motion ended at its target";
  EXPECT_EQ(track(scene::kMotionX, 2), nullptr);
  for (int axis = 0; axis < scene::kScreenAxisCount; ++axis) {
    EXPECT_EQ(scene.screen().value(axis), axis < scene::kZoomX ? 0 : 100) << axis;
    EXPECT_EQ(scene.screen().motion(axis).change, 0) << axis;
  }
  EXPECT_FALSE(scene.screen().quaking());
}

TEST_F(SceneStateTest, JumpedSpritesGetTheirPicturesBack) {
  table().setJumpMode(1);
  runAll({"sp 6, \"a.img\", 0, 0", "sp_xy 6, 10, 20", "spg 7, 16, 16, 0",
          "sp_st 8, \"b.img\", 0, 30, 20, 0, 0", "sp_ax 6, 50, 1000, 0, 0x100"});
  commit();
  table().setJumpMode(0);
  EXPECT_EQ(shown(6), render::kNoTexture);
  rebuildJumpedSprites(services);
  const struct {
    std::int32_t slot, cellW, cellH;
  } cases[] = {{6, 10, 8}, {7, 16, 16}, {8, 30, 20}};
  for (const auto& c : cases) {
    ASSERT_NE(shown(c.slot), render::kNoTexture) << c.slot;
    EXPECT_EQ(table().front(c.slot)->cellW(), c.cellW) << c.slot;
    EXPECT_EQ(table().front(c.slot)->cellH(), c.cellH) << c.slot;
  }
  EXPECT_EQ(table().front(6)->x, 50) << "properties stay";
  EXPECT_EQ(table().front(6)->y, 20);
}

}  // namespace
}  // namespace tsuzuri::persist
