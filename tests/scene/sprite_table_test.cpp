#include "scene/sprite_table.h"

#include <gtest/gtest.h>

#include <vector>

#include "scene/scene_fixture.h"

namespace tsuzuri::scene {
namespace {

using SpriteSlots = testing::SceneTest;
using Textures = std::vector<render::TextureId>;

TEST_F(SpriteSlots, AFirstImageWaitsInTheBackRecordUntilTheCommit) {
  run("sp 1, \"a.img\", 0, 0");
  EXPECT_EQ(table().slot(1).pending, kPendingNewImage);
  EXPECT_EQ(table().registeredLayer(1), 0);
  EXPECT_EQ(table().slot(1).name, "a.img");
  ASSERT_NE(table().back(1), nullptr);
  EXPECT_TRUE(table().back(1)->hasTexture());
  EXPECT_EQ(table().back(1)->x, 400);  // the centre of the 800 × 600 screen
  EXPECT_EQ(table().back(1)->y, 300);
  ASSERT_NE(table().front(1), nullptr);
  EXPECT_TRUE(compose().empty());

  commit();
  EXPECT_EQ(table().slot(1).pending, 0);
  EXPECT_EQ(table().front(1)->imageW, 10);
  EXPECT_EQ(compose(), Textures{shown(1)});
  EXPECT_EQ(spriteTextures(), 1U);
  EXPECT_TRUE(world.errors.all.empty());
}

TEST_F(SpriteSlots, AReplacedImageShowsAtTheCommitWithThePropertiesSetBefore) {
  for (const bool setFirst : {true, false}) {
    SCOPED_TRACE(setFirst ? "set, then load" : "load, then set");
    run("sp 1, \"a.img\", 0, 0");
    commit();
    const render::TextureId old = shown(1);
    const std::vector<std::string> setters = {"sp_xy 1, 120, 80", "sp_a 1, 99", "sp_cxy 1, 0, 0"};
    if (setFirst) runAll(setters);
    run("sp 1, \"b.img\", 0, 0");
    if (!setFirst) runAll(setters);
    EXPECT_EQ(compose(), Textures{old});

    commit();
    const SpriteRecord* f = table().front(1);
    EXPECT_EQ(f->imageW, 20);
    EXPECT_EQ(f->x, 120);
    EXPECT_EQ(f->y, 80);
    EXPECT_EQ(f->tiles.quads[0][0].diffuse >> 24, 99U);
    EXPECT_EQ(f->tiles.quads[0][0].x, 0) << "laid out around anchor 0";
    EXPECT_EQ(compose(), Textures{shown(1)});
    EXPECT_NE(shown(1), old);
    EXPECT_EQ(spriteTextures(), 1U) << "the old image's texture is freed";
    run("sp_d 1");
    commit();
  }
}

TEST_F(SpriteSlots, ASecondLoadBeforeTheCommitReplacesTheFirst) {
  runAll({"sp 1, \"a.img\", 0, 0", "sp 1, \"b.img\", 1, 0"});
  EXPECT_EQ(table().slot(1).pending, kPendingNewImage);
  commit();
  EXPECT_EQ(table().front(1)->imageW, 20);
  EXPECT_EQ(table().front(1)->flags, 1U);
  EXPECT_EQ(table().slot(1).name, "b.img");
  EXPECT_EQ(spriteTextures(), 1U);
}

TEST_F(SpriteSlots, ALoadOverAPendingDeletionCancelsItAndStartsAfresh) {
  runAll({"sp 1, \"a.img\", 0, 0", "sp_o 1, 3", "sp_xy 1, 10, 20"});
  commit();
  runAll({"sp_d 1", "sp 1, \"b.img\", 0, 0", "sp_exist 1, %0"});
  EXPECT_EQ(integer(0), 2);
  commit();
  ASSERT_TRUE(table().occupied(1));
  EXPECT_EQ(table().front(1)->imageW, 20);
  EXPECT_EQ(table().front(1)->x, 400);
  EXPECT_EQ(table().front(1)->y, 300);
  EXPECT_EQ(table().slot(1).order, 0);
  EXPECT_EQ(table().layers().at(0), (SpriteTable::LayerOrder{{1, 1}}));
  EXPECT_EQ(spriteTextures(), 1U);
}

TEST_F(SpriteSlots, DeletionEmptiesTheSlotAtTheCommitButKeepsTheLoadTimeEffects) {
  runAll({"sp_neg 1, 1", "sp_gray 1, 1", "sp_rot 1, 2", "sp_bc 1, 3, 4", "sp_color 1, 1, 2, 3",
          "sp_hsl 1, 4, 5, 6", "sp_blur 1, 2, 1", "sp_mosaic 1, 2, 2"});
  const auto kept = table().slot(1).effects;
  for (const auto value : kept) EXPECT_NE(value, 0);
  std::vector<std::int32_t> deleted;
  table().addDeletionListener([&deleted](std::int32_t slot) { deleted.push_back(slot); });

  runAll({"sp 1, \"a.img\", 0, 0", "sp_o 1, 2"});
  commit();
  run("sp_d 1");
  EXPECT_EQ(compose().size(), 1U) << "shown until the commit";
  commit();
  EXPECT_FALSE(table().occupied(1));
  EXPECT_FALSE(table().registeredLayer(1));
  EXPECT_EQ(table().slot(1).name, "");
  EXPECT_EQ(table().slot(1).order, 0);
  EXPECT_EQ(table().slot(1).effects, kept);
  EXPECT_EQ(deleted, std::vector<std::int32_t>{1});
  EXPECT_EQ(spriteTextures(), 0U);
}

TEST_F(SpriteSlots, DeletingARenderLayerDeletesWhatIsDrawnIntoIt) {
  runAll({"spg 5, 64, 64, 0", "spg 6, 32, 32, 0", "sp 1, \"a.img\", 0, 0", "sp 2, \"a.img\", 0, 0",
          "sp 3, \"a.img\", 0, 0"});
  commit();
  runAll({"sp_g 6, 5", "sp_g 1, 5", "sp_g 2, 6"});  // layer 6 lies in layer 5
  run("sp_d 5");
  commit();
  for (const std::int32_t slot : {1, 2, 5, 6}) EXPECT_FALSE(table().occupied(slot)) << slot;
  EXPECT_TRUE(table().occupied(3));
  EXPECT_EQ(spriteTextures(), 1U);
  EXPECT_EQ(table().layers().size(), 1U) << "emptied layers leave the maps";
  EXPECT_TRUE(world.errors.all.empty());
}

TEST_F(SpriteSlots, ExistTellsEmptyDyingAndLiving) {
  const auto exist = [this] {
    integer(0) = -7;
    run("sp_exist 1, %0");
    return integer(0);
  };
  EXPECT_EQ(exist(), 0);
  run("sp 1, \"a.img\", 0, 0");
  EXPECT_EQ(exist(), 2);
  run("sp_d 1");
  EXPECT_EQ(exist(), 1);
  commit();
  EXPECT_EQ(exist(), 0);
  run("sp 1, \"a.img\", 0, 0");
  table().slot(1).autoDelete = 1;
  EXPECT_EQ(exist(), 1);
}

TEST_F(SpriteSlots, CommandsOnAnEmptySlotReportAndChangeNothing) {
  for (const char* line :
       {"sp_x 4, 1", "sp_a 4, 1", "sp_l 4, 1", "sp_cxy 4, 0, 0", "sp_o 4, 1", "sp_g 4, 0",
        "sp_ga 4, %0", "sp_gn 4, $0", "sp_mask 4, \"a.img\", 0, 0, 1, 0, 0"}) {
    world.errors.withContext.clear();
    run(line);
    EXPECT_EQ(world.errors.withContext, std::vector<std::string>{empty(4)}) << line;
    EXPECT_FALSE(table().occupied(4)) << line;
    EXPECT_EQ(table().slot(4).pending, 0) << line;
  }
  run("sp_d 4");
  EXPECT_EQ(table().slot(4).pending, 0) << "nothing to delete";
}

TEST_F(SpriteSlots, SlotsOutsideTheTableAreReportedAndTouchNothing) {
  for (const std::string slot : {"-1", "1000"}) {
    for (const std::string command : {"sp", "sp_x", "sp_d", "sp_neg", "sp_exist", "sp_ref"}) {
      world.errors.withContext.clear();
      integer(0) = -7;
      run(command + " " + slot + ", 1, %0");
      EXPECT_EQ(world.errors.withContext,
                std::vector<std::string>{slot + sjis(u8" スプライト番号が不正です")})
          << command;
      EXPECT_EQ(integer(0), -7);
    }
  }
  EXPECT_FALSE(table().occupied(0));
  EXPECT_FALSE(table().occupied(999));
}

TEST_F(SpriteSlots, DeletingARangeMarksOnlyTheSlotsInIt) {
  runAll({"sp 0, \"a.img\", 0, 0", "sp 5, \"a.img\", 0, 0", "sp 10, \"a.img\", 0, 0",
          "sp 999, \"a.img\", 0, 0"});
  commit();
  run("sp_dx 10, 5, 0");
  for (const std::int32_t slot : {0, 5, 10, 999}) EXPECT_EQ(table().slot(slot).pending, 0);
  runAll({"sp_dx -5, 5, 0", "sp_dx 990, 2000, 0"});
  commit();
  EXPECT_EQ(compose(), Textures{shown(10)});
}

TEST_F(SpriteSlots, OrderPutsLowerSlotsAndNegativeOrdersInFront) {
  for (const std::int32_t slot : {1, 2, 3, 4, 5}) run("sp " + std::to_string(slot) + ", \"a.img\"");
  runAll({"sp_o 4, -1", "sp_o 2, 1", "sp_go 4, %0"});
  EXPECT_EQ(integer(0), -1);
  commit();
  // Back to front: order 1, order 0 from the highest slot down, order -1.
  EXPECT_EQ(compose(), (Textures{shown(2), shown(5), shown(3), shown(1), shown(4)}));
  const auto& screen = table().layers().at(0);
  EXPECT_EQ(screen.at(2 + 1024), 2);
  EXPECT_EQ(screen.at(4 - 1024), 4);
  run("sp_o 2, 0");
  EXPECT_EQ(screen.size(), 5U) << "the old key is gone";
  EXPECT_EQ(screen.at(2), 2);
}

TEST_F(SpriteSlots, LayerMovesBetweenTheLayerMapsButNotIntoItself) {
  runAll({"spg 5, 64, 64, 0", "sp 1, \"a.img\", 0, 0", "sp_g 1, 5"});
  EXPECT_EQ(table().registeredLayer(1), 5);
  EXPECT_EQ(table().front(1)->layer, 5);
  EXPECT_EQ(table().back(1)->layer, 5);
  EXPECT_EQ(table().layers().at(5), (SpriteTable::LayerOrder{{1, 1}}));
  EXPECT_FALSE(table().layers().at(0).contains(1));
  run("sp_g 1, 0");
  EXPECT_EQ(table().registeredLayer(1), 0);
  EXPECT_EQ(table().back(1)->layer, 0);
  for (const auto& [line, reported] :
       {std::pair{"sp_g 1, 1", 1}, {"sp_g 1, 7", 7}, {"sp_g 1, 1000", 1000}}) {
    world.errors.withContext.clear();
    run(line);
    EXPECT_EQ(world.errors.withContext, std::vector<std::string>{empty(reported)});
    EXPECT_EQ(table().registeredLayer(1), 0) << line;
  }
}

TEST_F(SpriteSlots, AFailedLoadLeavesTheSlotAsItWas) {
  runAll({"sp 1, \"a.img\", 0, 0", "sp_cxy 1, 2, 2", "sp_x 1, 33"});
  commit();
  const render::TextureId before = shown(1);
  run("sp 1, \"missing.img\", 0, 0");
  EXPECT_FALSE(fileErrors.messages.empty());
  EXPECT_EQ(table().slot(1).pending, 0);
  EXPECT_EQ(table().slot(1).name, "a.img");

  // An image needing too many tiles loses the back record; the front stays.
  settings.texturePow2 = 1;
  image("huge.img", 2048, 2048);
  run("sp 1, \"huge.img\", 0, 0");
  EXPECT_EQ(world.errors.withContext, std::vector<std::string>{"Sprite Size Over 8,8"});
  EXPECT_EQ(table().back(1), nullptr);
  run("sp_x 1, 5");
  EXPECT_EQ(world.errors.withContext.back(), empty(1));
  commit();
  EXPECT_EQ(compose(), Textures{before});

  // The next image gets a new back record, laid out around the front's anchor.
  run("sp 1, \"b.img\", 0, 0");
  commit();
  const SpriteRecord* f = table().front(1);
  EXPECT_EQ(f->imageW, 20);
  EXPECT_EQ(f->x, 33);
  EXPECT_FLOAT_EQ(f->tiles.quads[0][0].x, -2.0F * 20 / 32);  // anchor 2 in a 32-pixel texture
  EXPECT_EQ(spriteTextures(), 1U);
}

}  // namespace
}  // namespace tsuzuri::scene
