#include "shell/main_window.h"

#include <gtest/gtest.h>

#include <cstring>

#include "assets/image_codecs.h"
#include "render/gl/gl_device.h"
#include "render/null_device.h"
#include "support/recording_sink.h"
#include "util/sjis.h"

namespace tsuzuri::shell {
namespace {

constexpr std::uint32_t kWallColour = 0xFF2040C0;

class MainWindowTest : public ::testing::Test {
 protected:
  // `gl`: draw with OpenGL on the offscreen window, else on the null device.
  void make(bool gl) {
    window_.reset();
    renderer_.reset();
    platform_.reset();
    platform_ = platform::createHeadlessPlatform({.virtualClock = true});
    renderer_ = std::make_unique<render::Renderer>(render_, platform_->clock(), errors_);
    WindowServices services;
    services.createDevice = [gl](platform::Window& window, std::string& error) {
      if (!gl || !window.hasGraphicsContext()) {
        return std::unique_ptr<render::GpuDevice>(std::make_unique<render::NullDevice>());
      }
      return render::gl::createGlDevice(window, error);
    };
    services.readFile = [](std::string_view name, std::string& bytes) {
      if (name != "wall.png") return false;
      assets::ImagePtr image = assets::makeImage(4, 4, 32);
      for (std::int32_t i = 0; i < 16; ++i) {
        std::memcpy(image->pixels + static_cast<std::size_t>(i) * 4, &kWallColour, 4);
      }
      const assets::EncodedImage png = assets::encodePng(*image, 32, 6, 0);
      bytes.assign(png.bytes.begin(), png.bytes.end());
      return png.ok;
    };
    services.appendReport = [this](std::string_view text) { report_.append(text); };
    services.endRun = [this] { ended_ = true; };
    window_ = std::make_unique<MainWindow>(*platform_, display_, render_, *renderer_, errors_,
                                           "/games/test/", services);
  }

  bool screen(std::int32_t width, std::int32_t height) {
    return window_->screen({width, height, width, 0});
  }

  platform::MessageRecord message(std::uint32_t code, std::uint32_t wparam,
                                  std::int32_t lparam = 0) {
    platform::MessageRecord record;
    record.code = code;
    record.wparam = wparam;
    record.lparam = lparam;
    return record;
  }

  std::unique_ptr<platform::Platform> platform_;
  DisplaySettings display_;
  render::RenderSettings render_;
  testing::RecordingSink errors_;
  std::unique_ptr<render::Renderer> renderer_;
  std::unique_ptr<MainWindow> window_;
  std::string report_;
  bool ended_ = false;

  void TearDown() override {
    window_.reset();
    renderer_.reset();
    platform_.reset();
  }
};

TEST_F(MainWindowTest, ScreenSettlesTheDisplayAndReportsIt) {
  make(false);
  render_.interpolation = 2;
  ASSERT_TRUE(screen(1280, 720));
  EXPECT_TRUE(window_->screenReady());
  EXPECT_EQ(display_.resolution, 1280);
  EXPECT_EQ(display_.windowHeight, 720);
  EXPECT_TRUE(window_->wide());
  EXPECT_EQ(window_->factors().renderSize, (render::Size{1280, 720}));
  EXPECT_EQ(window_->sizeLabel(5), util::toSjis(u8"1280x 720(等倍)"));
  // The 1024 × 768 monitor cannot hold a 1280-pixel window: the client is
  // the largest of the game's aspect, and a scaling pass fills it.
  const render::Presentation& p = renderer_->presentation();
  EXPECT_FALSE(p.direct);
  EXPECT_EQ(p.backBufferSize, (render::Size{1024, 576}));
  EXPECT_NE(report_.find("FullScreen0 FullMode3 WindowWidth1280 VSyncWait2\n"), std::string::npos);
  EXPECT_NE(report_.find("Src3    0,    0, 1280,  720\tDest3    0,   96, 1024,  672\n"),
            std::string::npos);
  EXPECT_TRUE(errors_.all.empty());
}

TEST_F(MainWindowTest, FiltersTheDeviceCannotRunFallBackToBilinear) {
  for (const auto& [wanted, name] :
       {std::pair{3, "BiLinearSharp"}, {6, "BiCubic"}, {7, "Lanczos2"}}) {
    errors_.plain.clear();
    make(false);
    render_.interpolation = wanted;
    ASSERT_TRUE(screen(800, 600));
    EXPECT_EQ(render_.interpolation, 2);
    ASSERT_EQ(errors_.plain.size(), 1U) << name;
    EXPECT_NE(errors_.plain[0].find(name), std::string::npos);
  }
}

TEST_F(MainWindowTest, AspectAndFullScreenChangesFollowThrough) {
  make(false);
  render_.interpolation = 1;
  ASSERT_TRUE(screen(1280, 720));
  window_->setScreenAspect(1);
  EXPECT_EQ(window_->factors().presentationHeight, 960);
  EXPECT_EQ(window_->sizes()[0], (render::Size{400, 300}));
  EXPECT_EQ(renderer_->presentation().renderSize, (render::Size{1280, 960}));

  // Alt+Enter goes full screen and back; a repeated key does nothing.
  EXPECT_TRUE(window_->handleMessage(message(platform::kMessageSysKeyDown, platform::kKeyReturn)));
  EXPECT_TRUE(window_->fullScreen());
  EXPECT_EQ(renderer_->presentation().passDestination, window_->presentRects()[2].destination);
  EXPECT_TRUE(
      window_->handleMessage(message(platform::kMessageSysKeyDown, platform::kKeyReturn, 1 << 30)));
  EXPECT_TRUE(window_->fullScreen());
  window_->setFullScreen(false);
  EXPECT_FALSE(window_->fullScreen());
  EXPECT_TRUE(renderer_->frame(0, 0, 0, 0));
}

TEST_F(MainWindowTest, LeavingFullScreenRestoresTheWindow) {
  make(false);
  ASSERT_TRUE(screen(800, 600));
  const platform::PixelSize client = platform_->window()->clientSize();
  window_->setFullScreen(true);
  window_->setFullScreen(false);
  EXPECT_EQ(platform_->window()->clientSize(), client);
  EXPECT_EQ(display_.windowWidth, client.width);
}

TEST_F(MainWindowTest, MessagesTheWindowAnswersItself) {
  make(false);
  ASSERT_TRUE(screen(800, 600));
  window_->handleMessage(message(platform::kMessageActivate, 0));
  EXPECT_EQ(window_->systemFlags(), 0U);
  window_->handleMessage(message(platform::kMessageActivate, 1));
  EXPECT_EQ(window_->systemFlags(), 2U);
  // Until the event waits read close requests, a close falls through to the
  // default (the run ends); the request is kept either way.
  EXPECT_FALSE(window_->handleMessage(message(platform::kMessageClose, 0)));
  window_->setCloseRequestsRead(true);
  EXPECT_TRUE(window_->handleMessage(message(platform::kMessageClose, 0)));
  EXPECT_EQ(window_->takeCloseRequest(), 1);
  EXPECT_EQ(window_->takeCloseRequest(), 0);
  EXPECT_TRUE(window_->handleMessage(message(platform::kMessageKeyDown, platform::kKeyF10)));
  EXPECT_FALSE(window_->handleMessage(message(platform::kMessageKeyDown, platform::kKeyEscape)));
}

TEST_F(MainWindowTest, BorderedFullScreenPaintsTheWallPaper) {
  make(true);
  display_.fullScreen = 1;
  display_.fullMode = 2;  // the game at its own size in the middle
  display_.wallPaper = "wall.png";
  ASSERT_TRUE(screen(640, 480));
  ASSERT_TRUE(renderer_->frame(0, 0, 0, 0));
  render::GpuDevice* device = renderer_->device();
  if (device->caps().maxTextureSize == 8192 && device->description().renderer == "null device") {
    GTEST_SKIP() << "no OpenGL here";
  }
  const assets::ImagePtr back = device->readBack(render::kBackBuffer);
  ASSERT_TRUE(back);
  ASSERT_EQ(back->width, 1024);
  ASSERT_EQ(back->height, 768);
  const auto at = [&](std::int32_t x, std::int32_t y) {
    std::uint32_t value = 0;
    std::memcpy(&value, assets::pixelAt(*back, x, y), 4);
    return value;
  };
  EXPECT_EQ(at(5, 5), kWallColour);
  EXPECT_EQ(at(1000, 700), kWallColour);
  EXPECT_EQ(at(512, 384), 0xFF000000U);  // the game screen, black without sprites
  EXPECT_EQ(at(192, 144), 0xFF000000U);  // its first pixel
  EXPECT_EQ(at(191, 144), kWallColour);

  window_->setWallPaper("");
  ASSERT_TRUE(renderer_->frame(0, 0, 0, 0));
  EXPECT_EQ(renderer_->backdrop(), render::kNoTexture);
}

TEST_F(MainWindowTest, AnUnreadableCursorKeepsTheArrow) {
  make(false);
  ASSERT_TRUE(window_->create());
  window_->setCursor("missing.png");
  ASSERT_EQ(errors_.plain.size(), 1U);
  EXPECT_EQ(errors_.plain[0], "CreateAlphaCursor\nmissing.png");
  window_->setCursor("wall.png");
  EXPECT_EQ(errors_.plain.size(), 1U);
}

TEST_F(MainWindowTest, GamePointsAndClientPointsMapBothWays) {
  // A game screen shown in a window or full screen on the 1024 × 768
  // monitor, and the client pixel that shows the game's first pixel.
  struct Case {
    std::int32_t width, height, fullScreen, fullMode;
    Point corner;
  };
  const Case cases[] = {
      {800, 600, 0, 3, {0, 0}},      // a window of the game's own size
      {1280, 720, 0, 3, {0, 0}},     // a window smaller than the game
      {640, 480, 1, 2, {192, 144}},  // Original: centred at its own size
      {640, 480, 1, 3, {0, 0}},      // Normal: enlarged to the whole monitor
      {1280, 720, 1, 3, {0, 96}},    // Normal: reduced, bars above and below
      {1280, 720, 1, 4, {-171, 0}},  // Zoom: enlarged past the sides
      {300, 200, 1, 1, {1, 1}},      // Full2: stretched over the monitor
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.width << "x" << c.height << " full screen "
                                      << c.fullScreen << " mode " << c.fullMode);
    make(false);
    display_ = DisplaySettings{};
    display_.fullScreen = c.fullScreen;
    display_.fullMode = c.fullMode;
    ASSERT_TRUE(screen(c.width, c.height));
    EXPECT_EQ(window_->gameToClient({0, 0}), c.corner);
    const render::Presentation& p = renderer_->presentation();
    const render::Rect& shown = p.direct ? p.destination : p.passDestination;
    // Whichever side has fewer pixels comes back whole from a round trip.
    const bool enlarged = shown.width() >= c.width;
    const std::int32_t steps = enlarged ? c.width : shown.width();
    for (std::int32_t i = 0; i < steps; i += 7) {
      const std::int32_t j = i * (enlarged ? c.height : shown.height()) / steps;
      if (enlarged) {
        const Point game{i, j};
        ASSERT_EQ(window_->clientToGame(window_->gameToClient(game)), game);
      } else {
        const Point client{shown.left + i, shown.top + j};
        ASSERT_EQ(window_->gameToClient(window_->clientToGame(client)), client);
      }
    }
    // Outside the picture is outside the game screen.
    const Point beforeCorner = window_->clientToGame({shown.left - 1, shown.top - 1});
    EXPECT_LT(beforeCorner.x, 0);
    EXPECT_LT(beforeCorner.y, 0);
  }
}

// A platform on which another run already holds the game.
class TakenPlatform final : public platform::Platform {
 public:
  platform::Clock& clock() override { return inner_->clock(); }
  platform::Dialogs& dialogs() override { return inner_->dialogs(); }
  platform::Events& events() override { return inner_->events(); }
  platform::Input& input() override { return inner_->input(); }
  platform::AudioOut& audio() override { return inner_->audio(); }
  bool interactive() const override { return true; }
  platform::Window* openWindow(std::string_view title, std::string& error) override {
    return inner_->openWindow(title, error);
  }
  platform::Window* window() override { return inner_->window(); }
  bool claimInstance(std::string_view /*key*/) override { return false; }

 private:
  std::unique_ptr<platform::Platform> inner_ = platform::createHeadlessPlatform({});
};

TEST_F(MainWindowTest, ASecondRunGivesWayWithoutAWindow) {
  TakenPlatform taken;
  render::Renderer renderer(render_, taken.clock(), errors_);
  bool ended = false;
  WindowServices services;
  services.endRun = [&ended] { ended = true; };
  MainWindow window(taken, display_, render_, renderer, errors_, "/games/test/", services);
  EXPECT_FALSE(window.screen({800, 600, 800, 0}));
  EXPECT_TRUE(ended);
  EXPECT_TRUE(window.yieldedToAnotherRun());
  EXPECT_EQ(taken.window(), nullptr);
  EXPECT_TRUE(errors_.all.empty());
}

}  // namespace
}  // namespace tsuzuri::shell
