#include "text/backlog_commands.h"

#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <string>
#include <vector>

#include "scene/scene_fixture.h"
#include "text/image_log.h"
#include "text/message_commands.h"

namespace tsuzuri::text {
namespace {

class BacklogCommandsTest : public scene::testing::SceneTest {
 protected:
  BacklogCommandsTest() {
    messageCommands.registerWith(registry);
    commands.registerWith(registry);
  }
  Backlog& log() { return window.backlog(); }
  std::vector<std::int32_t> recordedSlots() {
    std::vector<std::int32_t> slots;
    for (const ImageLogRecord& r : recordImageLog(table())) slots.push_back(r.slot());
    return slots;
  }
  std::string& text(int variable) { return *world.variables.numberedText(variable); }
  // Blue, green and alpha of a pixel of the slot's shown picture (blue and
  // green tell where in the test image it came from).
  std::array<int, 3> pixel(std::int32_t slot, std::int32_t x, std::int32_t y) {
    const std::uint8_t* p = assets::pixelAt(*table().front(slot)->pixels, x, y);
    return {p[0], p[1], p[3]};
  }

  MessageSettings messages;
  MessageWindow window{MessageWindowServices{renderer, scene, messages, world.errors,
                                             platform->clock(), world.interpreter, world.tables,
                                             world.commands, dir.path()}};
  MessageCommands messageCommands{window, scene.composer(), world.errors};
  BacklogCommands commands{window, scene, world.interpreter};
};

TEST_F(BacklogCommandsTest, PagesAreReadBackByHowFarBackTheyAre) {
  runAll({"setLog \"first\", 2, 0", "setTagLog \"Aoi,smile\"", "clearMess", "setLog \"sec\", 1, 0",
          "setLog \"ond\", 3, 1"});
  const struct {
    const char* line;
    const char* text;  // null: an integer result
    std::int32_t number;
  } cases[] = {
      {"getLog 0, $0", "second", 0},  // the page being written
      {"getLog 1, $0", "first", 0},
      {"getLog 200, $0", "second", 0},  // back wraps around the ring
      {"getLog 2, $0", "", 0},
      {"getTagLog 1, $0", "Aoi,smile", 0},
      {"getTagLog 0, $0", "", 0},
      {"getLogLine 0, %0", nullptr, 3},
      {"getLogLine 1, %0", nullptr, 2},
      {"getLogCount %0", nullptr, 2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    text(0) = "stale";
    integer(0) = -1;
    run(c.line);
    if (c.text != nullptr) {
      EXPECT_EQ(text(0), c.text);
    } else {
      EXPECT_EQ(integer(0), c.number);
    }
  }
  run("formatMess");
  run("getLogCount %0");
  EXPECT_EQ(integer(0), 1);
  EXPECT_EQ(log().entry(1).text, "");
}

TEST_F(BacklogCommandsTest, SetLogRecordsWhereThePageBeginsAndEndsARestore) {
  world.interpreter.current().hash = 0x1234;
  world.interpreter.setLine(7);
  log().setSnapshotNumber(3);
  const Backlog::Position restored{0x99, 42, 5};
  const struct {
    bool restoring;
    std::uint64_t hash;
    std::int32_t line, save;
  } cases[] = {{false, 0x1234, 7, 3}, {true, 0x99, 42, 5}};
  for (const auto& c : cases) {
    if (c.restoring) log().beginRestore(restored);
    run("setLog \"x\", 1, 0");
    const BacklogEntry& e = log().current();
    EXPECT_EQ(e.scriptHash, c.hash);
    EXPECT_EQ(e.line, c.line);
    EXPECT_EQ(e.saveNumber, c.save);
    EXPECT_FALSE(log().restoring().has_value());
  }
}

TEST_F(BacklogCommandsTest, OnlyShownImageSpritesAreRecorded) {
  image(std::string(59, 'n') + ".img", 4, 4);  // 63 bytes: the longest name kept
  image(std::string(60, 'n') + ".img", 4, 4);
  using Tweak = std::function<void(scene::SpriteSlot&)>;
  const struct {
    std::vector<std::string> before, after;
    Tweak tweak;
    bool recorded;
  } cases[] = {
      {{"sp 1, \"a.img\", 0, 0"}, {}, nullptr, true},
      {{"sp 1, \"a.img\", 8, 0"}, {}, nullptr, true},  // not saved, still shown
      {{"sp 1, \"a.img\", 0, 0", "sp_a 1, 0"}, {}, nullptr, false},
      {{"sp 1, \"a.img\", 0, 0", "sp_a 1, 0"}, {"sp_a 1, 5"}, nullptr, false},  // not yet shown
      {{"sp 1, \"a.img\", 1, 0"}, {}, nullptr, false},                          // window layer
      {{"sp 1, \"a.img\", 2, 0"}, {}, nullptr, false},
      {{"sp 1, \"a.img\", 0, 0"}, {"sp_d 1"}, nullptr, false},
      {{"sp 1, \"a.img\", 0, 0"}, {}, [](scene::SpriteSlot& s) { s.textParams[0] = 16; }, false},
      {{"sp 1, \"a.img\", 0, 0"},
       {},
       [](scene::SpriteSlot& s) { s.kind = scene::kKindMovie; },
       false},
      // A picture made in memory (getImgLog's) has no file to be made from.
      {{"sp 1, \"a.img\", 0, 0"}, {}, [](scene::SpriteSlot& s) { s.name.clear(); }, false},
      {{"sp 1, \"" + std::string(59, 'n') + ".img\", 0, 0"}, {}, nullptr, true},
      {{"sp 1, \"" + std::string(60, 'n') + ".img\", 0, 0"}, {}, nullptr, false},
  };
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    const auto& c = cases[i];
    SCOPED_TRACE(i);
    runAll(c.before);
    commit();
    runAll(c.after);
    if (c.tweak) c.tweak(table().slot(1));
    EXPECT_EQ(recordedSlots(),
              c.recorded ? std::vector<std::int32_t>{1} : std::vector<std::int32_t>{});
    table().slot(1).textParams = {};
    table().slot(1).kind = scene::kKindImage;
    run("sp_d 1");
    commit();
  }
}

TEST_F(BacklogCommandsTest, RecordsGoBackToFrontAndStopAtSixteen) {
  runAll({"sp 1, \"a.img\", 0, 0", "sp 2, \"b.img\", 0, 0", "sp 3, \"a.img\", 0, 0", "sp_o 1, 5",
          "spg 9, 40, 30, 0", "sp_g 3, 9"});
  commit();
  // The render layer's member first, then the screen by falling draw key.
  EXPECT_EQ(recordedSlots(), (std::vector<std::int32_t>{3, 1, 9, 2}));
  for (int slot = 10; slot < 30; ++slot) run("sp " + std::to_string(slot) + ", \"a.img\", 0, 0");
  commit();
  const std::vector<std::int32_t> slots = recordedSlots();
  ASSERT_EQ(slots.size(), kImageLogRecords);
  EXPECT_EQ(slots[0], 3);
  EXPECT_EQ(slots[1], 1);
  EXPECT_EQ(slots[2], 29);
}

TEST_F(BacklogCommandsTest, TheCommitKeepsEachSpritesRecordAndTheCamera) {
  runAll({"sp_cut 4, \"b.img\", 0, 0, 2, 1, 16, 10", "sp_xy 4, 120.7, -30", "sp_w 4, 150",
          "sp_rz 4, 90", "sp_b 4, 2", "sp_a 4, 200", "sp_cxy 4, 2, 0", "sp_c 4, 4, 0x40FF8000",
          "sp_neg 4, 1", "sp_rot 4, 2", "sp_mask 4, \"a.img\", 1, 300, 17, -1, 2"});
  commit();
  scene.screen().setBoth(scene::kScrollX, -12);
  scene.screen().setBoth(scene::kZoomY, 150);
  run("clearMess");
  ImageLogRecord expected;
  expected.name = "b.img";
  expected.maskName = "a.img";
  expected.kindBlend = 0x20;
  expected.x = 120;
  expected.y = -30;
  expected.slotLayer = 4 << 16;
  expected.alpha = 200;
  expected.mask = 1 << 20 | 300 << 10 | 16;
  expected.colour = 4 << 24 | 0xFF8000;
  expected.width = 16 * 4 + 2;
  expected.height = 10 * 4;
  expected.cutX = 2;
  expected.cutY = 1;
  expected.cutW = 16;
  expected.cutH = 10;
  expected.scaleX = 150;
  expected.rotation = 90;
  expected.effectBits = 2 * 8 + 2;
  expected.maskParam1 = -1;
  expected.maskParam2 = 2;
  ASSERT_EQ(log().entry(1).images.size(), 1U);
  EXPECT_EQ(log().entry(1).images[0], expected);
  EXPECT_EQ(log().entry(1).screen, (ScreenView{-12, 0, 100, 150}));
}

TEST_F(BacklogCommandsTest, APageIsDrawnAgainIntoASprite) {
  // Slot 1 with its top-left corner at (100, 50); slot 2 twice as wide,
  // centred on (300, 200); slot 3 inside the canvas 9 (30 × 20, centred on
  // (600, 400)) at (5, 6); slot 4 hidden; slot 7 a quarter turn around
  // (500, 400); slot 8 the same turn with its top-left corner at (200, 400),
  // the corner's offset from the centre turned with it.
  runAll({"sp 1, \"a.img\", 0, 0",
          "sp_cxy 1, 0, 0",
          "sp_xy 1, 100, 50",
          "sp 2, \"b.img\", 0, 0",
          "sp_xy 2, 300, 200",
          "sp_w 2, 200",
          "spg 9, 30, 20, 0",
          "sp_xy 9, 600, 400",
          "sp 3, \"a.img\", 0, 0",
          "sp_g 3, 9",
          "sp_cxy 3, 0, 0",
          "sp_xy 3, 5, 6",
          "sp 4, \"b.img\", 0, 0",
          "sp_a 4, 0",
          "sp 7, \"a.img\", 0, 0",
          "sp_xy 7, 500, 400",
          "sp_rz 7, 90",
          "sp 8, \"a.img\", 0, 0",
          "sp_cxy 8, 0, 0",
          "sp_xy 8, 200, 400",
          "sp_rz 8, 90"});
  commit();
  run("clearMess");
  run("getImgLog 5, 0");  // the new page has no picture yet
  EXPECT_EQ(table().front(5), nullptr);
  run("getImgLog 5, 1");
  ASSERT_NE(table().front(5), nullptr);
  EXPECT_EQ(table().slot(5).pending, 0);
  ASSERT_EQ(table().front(5)->pixels->width, 800);
  const struct {
    std::int32_t x, y;
    std::array<int, 3> bga;
  } cases[] = {
      {100, 50, {0, 0, 255}},  {109, 57, {9, 7, 255}},  {110, 50, {0, 0, 0}},
      {99, 57, {0, 0, 0}},     {280, 194, {0, 0, 255}}, {319, 205, {19, 11, 255}},
      {279, 200, {0, 0, 0}},   {320, 200, {0, 0, 0}},   {300, 206, {0, 0, 0}},
      {590, 396, {0, 0, 255}}, {599, 403, {9, 7, 255}}, {589, 396, {0, 0, 0}},
      {600, 396, {0, 0, 0}},   {400, 300, {0, 0, 0}},   {496, 395, {0, 7, 255}},
      {503, 395, {0, 0, 255}}, {503, 404, {9, 0, 255}}, {495, 400, {0, 0, 0}},
      {504, 400, {0, 0, 0}},   {200, 390, {0, 7, 255}}, {207, 399, {9, 0, 255}},
      {199, 395, {0, 0, 0}},   {200, 400, {0, 0, 0}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.x) + "," + std::to_string(c.y));
    const std::array<int, 3> got = pixel(5, c.x, c.y);
    EXPECT_EQ(got[2], c.bga[2]);
    if (c.bga[2] != 0) {
      EXPECT_EQ(got, c.bga);
    }
  }
}

TEST_F(BacklogCommandsTest, ThePageCameraMovesAndSizesThePicture) {
  const struct {
    float scrollX, zoom;
    std::int32_t left, top, width, height;
  } cases[] = {
      {0, 100, 500, 400, 10, 8},
      // Twice as far from the centre (400, 300), twice the size.
      {0, 200, 600, 500, 20, 16},
      {7, 200, 607, 500, 20, 16},
  };
  runAll({"sp 1, \"a.img\", 0, 0", "sp_cxy 1, 0, 0", "sp_xy 1, 500, 400"});
  commit();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.zoom);
    scene.screen().setBoth(scene::kScrollX, c.scrollX);
    scene.screen().setBoth(scene::kZoomX, c.zoom);
    scene.screen().setBoth(scene::kZoomY, c.zoom);
    run("clearMess");
    run("getImgLog 5, 1");
    const auto alpha = [&](std::int32_t x, std::int32_t y) { return pixel(5, x, y)[2]; };
    EXPECT_EQ(alpha(c.left, c.top), 255);
    EXPECT_EQ(alpha(c.left + c.width - 1, c.top + c.height - 1), 255);
    EXPECT_EQ(alpha(c.left - 1, c.top), 0);
    EXPECT_EQ(alpha(c.left + c.width, c.top), 0);
    EXPECT_EQ(alpha(c.left, c.top + c.height), 0);
  }
}

}  // namespace
}  // namespace tsuzuri::text
