#include "scene/sprite_commands.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "scene/scene_fixture.h"

namespace tsuzuri::scene {
namespace {

class SpriteCommandsTest : public testing::SceneTest {
 protected:
  SpriteCommandsTest() {
    image("cells.img", 20, 12, 3, 4);  // two cells of 10 × 12, stored offset (3, 4)
    image("p.img", 10, 8);
  }
  // The blue and green bytes (x and y where the pixel came from) of the back record's pixels.
  std::pair<int, int> pixel(std::int32_t slot, std::int32_t x, std::int32_t y) {
    const std::uint8_t* bytes = assets::pixelAt(*table().back(slot)->pixels, x, y);
    return {bytes[0], bytes[1]};
  }
};

TEST_F(SpriteCommandsTest, SettersWriteTheBackRecordAndShowAtTheCommit) {
  using R = const SpriteRecord&;
  const std::pair<const char*, std::function<bool(R)>> cases[] = {
      {"sp_x 1, 12.5", [](R r) { return r.x == 12.5F; }},
      {"sp_y 1, -3", [](R r) { return r.y == -3; }},
      {"sp_xy 1, 7, 9", [](R r) { return r.x == 7 && r.y == 9; }},
      {"sp_w 1, 50", [](R r) { return r.scaleX == 0.5F && r.scaleY == 1; }},
      {"sp_h 1, 250", [](R r) { return r.scaleY == 2.5F && r.scaleX == 1; }},
      {"sp_wh 1, 10, 20", [](R r) { return r.scaleX == 0.1F && r.scaleY == 0.2F; }},
      {"sp_rx 1, 30", [](R r) { return r.rotX == 30; }},
      {"sp_ry 1, 45", [](R r) { return r.rotY == 45; }},
      // Z angles are kept negated, as the Z motions keep them.
      {"sp_rz 1, 90", [](R r) { return r.rotZ == -90; }},
      {"sp_rxyz 1, 1, 2, 3", [](R r) { return r.rotX == 1 && r.rotY == 2 && r.rotZ == -3; }},
      {"sp_a 1, 300",
       [](R r) { return r.alpha == 44 && r.tiles.quads[0][3].diffuse == 0x2CFFFFFFU; }},
      {"sp_b 1, 2", [](R r) { return r.blend == 2; }},
      {"sp_c 1, 4, 0x40FF8000", [](R r) { return r.colourMode == 4 && r.colour == 0x40FF8000; }},
      {"sp_l 1, 16", [](R r) { return r.cell == 16 && r.tiles.quads[0][0].u0 == 0.5F; }},
      // A 10-pixel cell in a 20-pixel texture is one unit wide.
      {"sp_cxy 1, 2, 0",
       [](R r) {
         return r.anchorX == 2 && r.tiles.quads[0][0].x == -1 && r.tiles.quads[0][0].y == 0;
       }},
  };
  for (const auto& [line, applied] : cases) {
    SCOPED_TRACE(line);
    run("sp 1, \"cells.img\", 0, 0x21");
    commit();
    run(line);
    EXPECT_TRUE(applied(*table().back(1)));
    EXPECT_FALSE(applied(*table().front(1))) << "the screen keeps the front until the commit";
    EXPECT_EQ(table().slot(1).pending, kPendingChanged);
    commit();
    EXPECT_TRUE(applied(*table().front(1)));
    run("sp_d 1");
    commit();
  }
  EXPECT_TRUE(world.errors.all.empty());
}

TEST_F(SpriteCommandsTest, QueriesReadWhatTheNextCommitShows) {
  runAll({"sp 1, \"cells.img\", 0, 0x21", "sp_xy 1, 100, 50", "sp_wh 1, 50, 33.3", "sp_a 1, 77",
          "sp_o 1, 2"});
  commit();
  const struct {
    const char* line;
    std::int32_t first, second;
  } cases[] = {
      // cellW >> 1 = 5 and cellH >> 1 = 6 per anchor step.
      {"sp_gxy 1, 0, 0, %0, %1", 95, 44},
      {"sp_gxy 1, 2, 1, %0, %1", 105, 50},
      {"sp_gwh 1, %0, %1", 50, 33},
      {"sp_ga 1, %0", 77, 0},
      {"sp_gsz 1, %0, %1", 10, 12},
      {"sp_giwh 1, %0, %1", 20, 12},
      {"sp_gixy 1, %0, %1", 3, 4},
      {"sp_gcl 1, %0", 0x21, 0},
      {"sp_go 1, %0", 2, 0},
  };
  for (const auto& c : cases) {
    integer(0) = integer(1) = 0;
    run(c.line);
    EXPECT_EQ(integer(0), c.first) << c.line;
    EXPECT_EQ(integer(1), c.second) << c.line;
  }
  run("sp_gn 1, $0");
  EXPECT_EQ(*world.variables.numberedText(0), "cells.img");
  runAll({"sp 1, \"a.img\", 0, 0", "sp_giwh 1, %0, %1"});
  EXPECT_EQ(std::pair(integer(0), integer(1)), std::pair(10, 8)) << "the pending new image";
  EXPECT_TRUE(world.errors.all.empty());
}

TEST_F(SpriteCommandsTest, ACutRectangleServesTheNextLoadOnly) {
  const struct {
    const char* line;
    std::int32_t width, height, left, top;
  } cases[] = {
      {"sp_cut 1, \"p.img\", 0, 0, 2, 1, 3, 2", 3, 2, 2, 1},
      {"sp_cut 1, \"p.img\", 0, 0, -1, 3, 4, 5", 4, 5, 3, 3},  // x = (10 - 4) / 2
      {"sp 1, \"p.img\", 0, 0", 10, 8, 0, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    device->forget();
    run(c.line);
    const SpriteRecord* r = table().back(1);
    ASSERT_NE(r->pixels, nullptr);
    EXPECT_EQ(r->pixels->width, c.width);
    EXPECT_EQ(r->pixels->height, c.height);
    EXPECT_EQ(r->imageW, c.width);
    EXPECT_EQ(pixel(1, 0, 0), std::pair(c.left, c.top));
    EXPECT_EQ(pixel(1, c.width - 1, c.height - 1),
              std::pair(c.left + c.width - 1, c.top + c.height - 1));
    // The texture got exactly the cut pixels.
    const auto& calls = device->calls();
    const auto write = std::find_if(calls.rbegin(), calls.rend(), [](const auto& call) {
      return call.op == render::NullDevice::Op::kWrite;
    });
    ASSERT_NE(write, calls.rend());
    EXPECT_EQ(write->texture, r->tileTexture[0]);
    EXPECT_EQ(write->source, (render::Rect{0, 0, c.width, c.height}));
  }
}

TEST_F(SpriteCommandsTest, LoadTimeEffectsChangeThePixelsOfTheNextLoad) {
  runAll({"sp 1, \"p.img\", 0, 0", "sp_neg 1, 1"});
  EXPECT_EQ(pixel(1, 2, 3), std::pair(2, 3)) << "no effect before a load";
  run("sp_reload 1");
  EXPECT_EQ(pixel(1, 2, 3), std::pair(255 - 2, 255 - 3));
  EXPECT_EQ(assets::pixelAt(*table().back(1)->pixels, 2, 3)[3], 0xFF) << "alpha is kept";
  runAll({"sp_rot 1, 1", "sp 1, \"p.img\", 0, 0"});
  EXPECT_EQ(pixel(1, 0, 0), std::pair(255 - 9, 255)) << "negative, then flipped";
  runAll({"sp_neg 1, 0", "sp_rot 1, 7", "sp 1, \"p.img\", 0, 0"});  // 7 is no rotation
  EXPECT_EQ(pixel(1, 1, 0), std::pair(1, 0));
}

TEST_F(SpriteCommandsTest, AStandingPictureStandsCentredOnTheBottomOfItsCanvas) {
  run("sp_st 2, \"a.img\", 0, 40, 30, 0, 0");
  EXPECT_EQ(table().slot(2).pending, kPendingWriteThrough);
  runAll({"sp_x 2, 5", "sp_gixy 2, %0, %1"});
  EXPECT_EQ(table().front(2)->x, 5) << "written through to the front";
  EXPECT_EQ(std::pair(integer(0), integer(1)), std::pair(15, 22));
  EXPECT_EQ(pixel(2, 15, 22), std::pair(0, 0));
  EXPECT_EQ(assets::pixelAt(*table().back(2)->pixels, 14, 22)[3], 0) << "transparent around";
  commit();
  EXPECT_EQ(compose(), std::vector<render::TextureId>{shown(2)});
  run("sp_st 2, \"a.img\", 0, 41, 30, 0, 0");
  EXPECT_EQ(world.errors.withContext,
            std::vector<std::string>{"2" + sjis(u8" 切り替え前の画像サイズと違います１")});
}

TEST_F(SpriteCommandsTest, AMaskAndACellOutliveTheCommitsThatFollow) {
  image("m.img", 20, 12);
  run("sp 1, \"cells.img\", 0, 0x21");
  commit();
  run("sp_mask 1, \"m.img\", 1, 300, 33, 0, 0");
  run("sp_x 1, 5");
  commit();
  const SpriteRecord& masked = *table().front(1);
  EXPECT_EQ(masked.maskValue1, 1);
  EXPECT_EQ(masked.maskValue2, 300);
  EXPECT_EQ(masked.maskMode, 32);
  // A second load (of another size) before the commit shows the cell
  // chosen in between.
  image("wide.img", 40, 12);
  run("sp 2, \"cells.img\", 0, 0x21");
  run("sp_l 2, 16");
  run("sp 2, \"wide.img\", 0, 0x21");
  commit();
  EXPECT_EQ(table().front(2)->cell, 16);
  EXPECT_EQ(table().front(2)->tiles.quads[0][0].u0, 0.5F);
}

TEST_F(SpriteCommandsTest, JumpModeMakesGeometryWithoutTexturesOrFiles) {
  table().setJumpMode(1);
  runAll({"sp 1, \"nowhere.img\", 0, 0", "sp_exist 1, %0"});
  commit();
  EXPECT_EQ(integer(0), 2);
  EXPECT_EQ(spriteTextures(), 0U);
  EXPECT_TRUE(fileErrors.messages.empty());
  EXPECT_TRUE(compose().empty());
}

}  // namespace
}  // namespace tsuzuri::scene
