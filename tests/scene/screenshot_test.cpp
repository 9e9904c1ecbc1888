#include "scene/screenshot.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "assets/image_save.h"
#include "scene/scene_fixture.h"
#include "scene/screenshot_commands.h"

namespace tsuzuri::scene {
namespace {

// Blue, green, red, alpha of a pixel.
std::array<int, 4> pixel(const assets::ImageBuffer& image, int x, int y) {
  const std::uint8_t* p = image.pixels + static_cast<std::size_t>(y * image.width + x) * 4;
  return {p[0], p[1], p[2], p[3]};
}

// A 40 × 30 game screen; the null device's frame is 800 × 600 and reads
// back as its clear colour.
class ScreenshotTest : public testing::SceneTest {
 protected:
  ScreenshotTest() {
    table().setScreenSource([this] { return metrics; });
    commands.registerWith(registry);
    device->setTarget(render::kBackBuffer);
    device->clear(0x40102030);
  }
  const assets::ImageBuffer& shot() {
    EXPECT_NE(screenshot.image(), nullptr);
    return *screenshot.image();
  }

  ScreenMetrics metrics{40, 30, 1.0, 1.0, {40, 30}};
  bool wide = false;
  Screenshot screenshot{table(), scene.screen(), scene.composer(), renderer};
  ScreenshotCommands commands{screenshot, world.errors, table().console()};
};

TEST_F(ScreenshotTest, ReadsTheFrameBackCutForTheWideAspectAndResized) {
  screenshot.setWideAspectSource([this] { return wide; });
  const struct {
    bool wide;
    int width, height;
    int expectedWidth, expectedHeight;
  } cases[] = {
      {false, 800, 600, 800, 600}, {false, 400, 0, 400, 300}, {true, 800, 0, 800, 450},
      {true, 160, 90, 160, 90},    {false, 0, 0, 800, 600},  // the library refuses the size: the
                                                             // frame stays
  };
  for (const auto& c : cases) {
    wide = c.wide;
    run("setScreenShot " + std::to_string(c.width) + ", " + std::to_string(c.height));
    const assets::ImageBuffer& image = shot();
    EXPECT_EQ(std::pair(image.width, image.height), std::pair(c.expectedWidth, c.expectedHeight))
        << c.width << "x" << c.height << " wide " << c.wide;
    EXPECT_EQ(image.depth, 24);
    EXPECT_EQ(pixel(image, image.width - 1, image.height - 1),
              (std::array<int, 4>{0x30, 0x20, 0x10, 0xFF}));
  }
  EXPECT_TRUE(world.errors.all.empty());
}

// The same scene composed in software, in jump mode (true) or because the
// device is gone (false).
class ScreenshotFallbackTest : public ScreenshotTest, public ::testing::WithParamInterface<bool> {};

TEST_P(ScreenshotFallbackTest, ComposesTheVisibleSpritesBackToFront) {
  if (GetParam()) table().setJumpMode(1);
  runAll({
      "sp 6, \"b.img\", 0, 0", "sp_xy 6, 10, 6",                  // at (0, 0), behind slot 5
      "sp 5, \"a.img\", 0, 0",                                    // centred: at (15, 11)
      "sp 4, \"a.img\", 0, 0", "sp_xy 4, 35, 25", "sp_a 4, 127",  // half over black at (30, 21)
      "sp 3, \"a.img\", 0, 0", "sp_xy 3, 5, 25", "sp_a 3, 0",     // invisible
      "sp 2, \"a.img\", 1, 0", "sp_xy 2, 5, 25",                  // window layer, window hidden
      "sp 7, \"a.img\", 0, 0", "sp_xy 7, 30, 5", "sp_wh 7, 200, 200",  // 20 × 16 at (20, -3)
  });
  commit();
  if (!GetParam()) {
    scene.installFrames();
    renderer.detach();
  }
  ASSERT_TRUE(screenshot.capture(40, 30));
  const assets::ImageBuffer& image = shot();
  ASSERT_EQ(std::pair(image.width, image.height), std::pair(40, 30));
  const struct {
    int x, y;
    std::array<int, 3> bgr;  // within 1
  } cases[] = {
      {2, 3, {2, 3, 0x80}},   {14, 11, {14, 11, 0x80}}, {16, 11, {1, 0, 0x80}},
      {19, 11, {4, 0, 0x80}}, {35, 25, {2, 2, 64}},     {30, 20, {0, 0, 0}},
      {2, 24, {0, 0, 0}},     {39, 12, {9, 7, 0x80}},   {39, 13, {0, 0, 0}},
      {22, 12, {7, 1, 0x80}},
  };
  for (const auto& c : cases) {
    const std::array<int, 4> p = pixel(image, c.x, c.y);
    for (std::size_t i = 0; i < 3; ++i) {
      EXPECT_LE(std::abs(p[i] - c.bgr[i]), 1) << c.x << "," << c.y << " channel " << i;
    }
    EXPECT_EQ(p[3], 0xFF);
  }
  EXPECT_EQ(image.depth, 24);
  EXPECT_TRUE(world.errors.all.empty());
}

INSTANTIATE_TEST_SUITE_P(JumpModeOrNoDevice, ScreenshotFallbackTest, ::testing::Bool());

TEST_F(ScreenshotTest, AnImageTooLargeToComposeIsReportedAndLeavesNone) {
  run("setScreenShot 16, 12");
  table().setJumpMode(1);
  metrics.renderSize = {assets::kMaxImageSide + 1, 30};
  EXPECT_FALSE(screenshot.capture(16, 12));
  EXPECT_EQ(screenshot.image(), nullptr);
  EXPECT_EQ(world.errors.withContext,
            std::vector<std::string>{sjis(u8"スクリーンショットのメモリの確保に失敗しました")});
}

TEST_F(ScreenshotTest, SaveScreenShotReplacesUnsupportedValuesAndSavesAnyway) {
  const std::string depth = sjis(u8"対応していない深度です");
  const std::string compression = sjis(u8"対応していない圧縮値です");
  const std::string pngOption = sjis(u8"対応していないPNG-OPです");
  const std::string quality = sjis(u8"対応していない品質値です");
  const std::string jpegOption = sjis(u8"-FMT: 対応していないJPEG-OPです");
  const struct {
    std::string arguments;  // format, depth, level, option
    std::vector<std::string> reports;
    std::array<int, 4> saved;  // as they are saved
  } cases[] = {
      {"1, 0, 6, 1", {}, {1, 0, 6, 1}},
      {"1, 16, 6, 0", {depth}, {1, 0, 6, 0}},
      {"1, 8, 10, 2", {compression, pngOption}, {1, 8, 9, 0}},
      {"2, 24, 150, 3", {quality, jpegOption}, {2, 24, 100, 1}},
      {"2, 32, -1, 2", {quality}, {2, 32, 100, 2}},
      {"0, 32, 99, 99", {}, {0, 32, 99, 99}},
  };
  run("setScreenShot 16, 12");
  int n = 0;
  for (const auto& c : cases) {
    const std::string name = dir.path() + "shot" + std::to_string(n++);
    world.errors.withContext.clear();
    run("saveScreenShot \"" + name + "\", " + c.arguments);
    EXPECT_EQ(world.errors.withContext, c.reports) << c.arguments;
    const assets::EncodedImage expected = assets::encodeImage(name, screenshot.image(), c.saved[0],
                                                              c.saved[1], c.saved[2], c.saved[3]);
    ASSERT_TRUE(expected.ok) << c.arguments;
    EXPECT_EQ(dir.read(name.substr(dir.path().size())),
              std::string(expected.bytes.begin(), expected.bytes.end()))
        << c.arguments;
  }
  EXPECT_TRUE(world.console.out.empty());
}

TEST_F(ScreenshotTest, SavingBeforeAnyScreenshotWritesNothing) {
  const std::string name = dir.path() + "none.png";
  run("saveScreenShot \"" + name + "\", 1, 0, 9, 0");
  EXPECT_EQ(world.console.out, "PNG: \"" + name + "\"" + sjis(u8" 画像データが空です") + "\n");
  EXPECT_FALSE(std::filesystem::exists(name));
}

}  // namespace
}  // namespace tsuzuri::scene
