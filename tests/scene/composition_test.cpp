#include "scene/composition.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "scene/scene_fixture.h"

namespace tsuzuri::scene {
namespace {

using Composition = testing::SceneTest;
using Textures = std::vector<render::TextureId>;

TEST(MaskConstants, FollowSoftnessProgressAndDirection) {
  // The mask alpha is c1 - red × c0, with O = (vague + 255) × progress / 130560.
  const struct {
    std::int32_t vague, progress;
    bool reverse;
    float c0, c1;
  } cases[] = {
      {255, 0, false, -1, 1},
      {255, 512, false, -1, -1},
      {51, 128, false, -5, -0.5F},
      {1, 256, true, 255, 128},
      {127, 512, true, 255.0F / 127, 382.0F / 127},
      {0, 256, true, 255, 128},  // no softness divides as the hardest edge does
  };
  for (const auto& c : cases) {
    const MaskConstants k = maskConstants(c.vague, c.progress, c.reverse);
    EXPECT_FLOAT_EQ(k.c0, c.c0) << c.vague << " " << c.progress;
    EXPECT_FLOAT_EQ(k.c1, c.c1) << c.vague << " " << c.progress;
  }
}

TEST_F(Composition, MessageTextAndWindowLayerFollowTheWindowVisibility) {
  runAll({"sp 1, \"a.img\", 0, 0", "sp 2, \"a.img\", 1, 0", "sp 3, \"a.img\", 0, 0", "sp_o 3, -1"});
  commit();
  std::vector<std::size_t> textAt;  // how many draws came before the text
  scene.composer().setMessageTextDrawer([&](float x, float y) {
    EXPECT_EQ(std::pair(x, y), std::pair(0.0F, 0.0F));
    textAt.push_back(device->draws().size());
  });
  const struct {
    std::int32_t visibility;
    std::vector<std::int32_t> slots;
    std::vector<std::size_t> textAt;
  } cases[] = {{0, {1, 3}, {}}, {1, {2, 1, 3}, {}}, {2, {1, 3}, {1}}, {3, {2, 1, 3}, {2}}};
  for (const auto& c : cases) {
    textAt.clear();
    scene.composer().setWindowVisibility(c.visibility);
    Textures expected;
    for (const std::int32_t slot : c.slots) expected.push_back(shown(slot));
    EXPECT_EQ(compose(), expected) << c.visibility;
    EXPECT_EQ(textAt, c.textAt) << c.visibility;
    EXPECT_EQ(scene.composer().spritesDrawn(), static_cast<std::int32_t>(c.slots.size()));
  }
}

TEST_F(Composition, TransparentSpritesAreNotDrawn) {
  runAll({"sp 1, \"a.img\", 0, 0", "sp 2, \"a.img\", 0, 0"});
  for (const auto& [line, drawn] :
       {std::pair{"sp_a 1, 0", 1U}, {"sp_a 1, 1", 2U}, {"sp_a 1, 256", 1U}}) {
    run(line);
    commit();
    EXPECT_EQ(compose().size(), drawn) << line;
  }
}

TEST_F(Composition, RenderLayersAreDrawnFirstHighestFirstIntoTheirOwnClearedTargets) {
  runAll({"spg 5, 64, 64, 0", "spg 6, 32, 32, 0", "sp 1, \"a.img\", 0, 0", "sp 2, \"a.img\", 0, 0",
          "sp 3, \"a.img\", 0, 0", "sp_g 6, 5", "sp_g 1, 5", "sp_g 2, 6"});
  commit();
  compose();
  std::string trace;
  for (const auto& call : device->calls()) {
    if (call.op == render::NullDevice::Op::kTarget)
      trace += "target" + std::to_string(call.texture);
    if (call.op == render::NullDevice::Op::kClear) trace += "clear" + std::to_string(call.value);
    if (call.op == render::NullDevice::Op::kDraw) trace += "draw" + std::to_string(call.texture);
    trace += " ";
  }
  const auto id = [this](std::int32_t slot) { return std::to_string(shown(slot)); };
  EXPECT_EQ(table().front(5)->targetSurface, shown(5));
  EXPECT_EQ(trace, "target" + id(6) + " clear0 draw" + id(2) + " target" + id(5) + " clear0 draw" +
                       id(6) + " draw" + id(1) + " target0 draw" + id(5) + " draw" + id(3) + " ");
  // A layer's own size is its camera: the same place gives another transform there.
  EXPECT_NE(device->draws()[2].transform.m, device->draws()[4].transform.m);
  EXPECT_TRUE(world.errors.all.empty());
}

TEST_F(Composition, ALayerWithoutItsSpriteIsReportedAndTheRestDrawn) {
  runAll({"sp 1, \"a.img\", 0, 0", "sp 3, \"a.img\", 0, 0"});
  commit();
  table().registerInLayer(1, 7);
  EXPECT_EQ(compose(), Textures{shown(3)});
  EXPECT_EQ(world.errors.plain, std::vector<std::string>{"RenderTextureA 7 Not Found"});
  EXPECT_EQ(device->count(render::NullDevice::Op::kClear), 0U);
}

TEST_F(Composition, AMaskDrawsWithTheMaskProgramAndItsConstants) {
  image("m.img", 10, 8);
  runAll({"sp 1, \"a.img\", 0, 0", "sp_c 1, 4, 0x40FF8000"});
  commit();
  // Softness s is stored as vague s - 1.
  for (const auto& [line, c0, c1] :
       {std::tuple{"sp_mask 1, \"m.img\", 0, 512, 256, 0, 0", -1.0F, -1.0F},
        {"sp_mask 1, \"m.img\", 0, 128, 52, 0, 0", -5.0F, -0.5F},
        {"sp_mask 1, \"m.img\", 1, 256, 2, 0, 0", 255.0F, 128.0F}}) {
    SCOPED_TRACE(line);
    run(line);
    const SpriteRecord* r = table().front(1);
    ASSERT_TRUE(r->hasMask());
    compose();
    ASSERT_EQ(device->draws().size(), 1U);
    const render::DrawCall& call = device->draws()[0];
    EXPECT_EQ(call.program, render::Program::kAlphaMask);
    EXPECT_EQ(call.texture0, r->tileTexture[0]);
    EXPECT_EQ(call.texture1, r->maskTexture[0]);
    EXPECT_FLOAT_EQ(call.constants[0][0], c0);
    EXPECT_FLOAT_EQ(call.constants[1][0], c1);
    const std::array<float, 4> colour = {1.0F, 128.0F / 255, 0.0F, 64.0F / 255};  // r, g, b, a
    EXPECT_EQ(call.constants[2], colour);
  }
  render::DeviceCaps caps = device->caps();
  caps.spritePrograms = false;
  device->setCaps(caps);
  compose();
  EXPECT_EQ(device->draws().at(0).program, render::Program::kPlain);
}

TEST_F(Composition, ColourModesNeedTheColourBlendSetting) {
  run("sp 1, \"a.img\", 0, 0");
  const struct {
    std::int32_t colorBlend, mode;
    render::ColourOp op;
  } cases[] = {
      {1, 4, render::ColourOp::kModulate}, {1, 7, render::ColourOp::kAdd},
      {1, 5, render::ColourOp::kNone},     {0, 4, render::ColourOp::kNone},
      {0, 7, render::ColourOp::kNone},
  };
  for (const auto& c : cases) {
    settings.colorBlend = c.colorBlend;
    runAll({"sp_c 1, " + std::to_string(c.mode) + ", 0x336699", "sp_b 1, 3"});
    commit();
    compose();
    ASSERT_EQ(device->draws().size(), 1U);
    EXPECT_EQ(device->draws()[0].colourOp, c.op) << c.colorBlend << " " << c.mode;
    EXPECT_EQ(device->draws()[0].colourFactor, 0x336699U);
    EXPECT_EQ(device->draws()[0].blend, render::BlendMode::kSubtract);
  }
}

TEST_F(Composition, TheNewPictureShowsThePendingChanges) {
  runAll({"sp 1, \"a.img\", 0, 0", "sp 2, \"a.img\", 0, 0", "sp 3, \"a.img\", 0, 0",
          "sp 4, \"a.img\", 0, 0"});
  commit();
  // A new image for 1, one for 2 that is deleted at once, new properties for 3.
  runAll({"sp 1, \"b.img\", 0, 0", "sp 2, \"b.img\", 0, 0", "sp_d 2", "sp_x 3, 10"});
  const render::TextureId newImage = table().back(1)->tileTexture[0];
  EXPECT_EQ(compose(Picture::kOld), (Textures{shown(4), shown(3), shown(2), shown(1)}));
  const std::vector<render::DrawCall> old = device->draws();
  // Slot 3 has only new properties: it keeps its texture but moves.
  EXPECT_EQ(compose(Picture::kNew), (Textures{shown(4), shown(3), newImage}));
  EXPECT_NE(device->draws()[1].transform.m, old[1].transform.m);
  EXPECT_NE(device->draws()[2].transform.m, old[3].transform.m) << "the new image's own size";
  commit();
  EXPECT_EQ(compose(Picture::kOld), (Textures{shown(4), shown(3), newImage}));
}

TEST_F(Composition, AMultiTileSpriteDrawsEveryTile) {
  settings.texturePow2 = 1;
  image("big.img", 600, 300);
  run("sp 1, \"big.img\", 0, 0");
  commit();
  const SpriteRecord* r = table().front(1);
  ASSERT_EQ(r->tiles.tileCount, 6);
  compose();
  ASSERT_EQ(device->draws().size(), 6U);
  for (std::size_t j = 0; j < 6; ++j) {
    EXPECT_EQ(device->draws()[j].texture0, r->tileTexture[j]);
    EXPECT_EQ(device->draws()[j].vertices[3].x, r->tiles.quads[j][3].x);
    EXPECT_EQ(device->draws()[j].vertices[3].y, r->tiles.quads[j][3].y);
  }
  EXPECT_EQ(scene.composer().spritesDrawn(), 1);
}

}  // namespace
}  // namespace tsuzuri::scene
