#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>

#include "assets/image_buffer.h"
#include "platform/platform.h"
#include "render/gpu_device.h"
#include "render/render_settings.h"
#include "render/renderer.h"
#include "shell/display_layout.h"
#include "shell/display_settings.h"
#include "util/reporter.h"

namespace tsuzuri::shell {

// What the window needs from the rest of the engine, wired at start-up.
struct WindowServices {
  // Truncates Information.txt and writes the machine part of the report.
  std::function<void()> beginReport;
  // Appends text (Shift_JIS, LF line ends) to Information.txt.
  std::function<void(std::string_view)> appendReport;
  // Creates the save folder when it is not the game folder; false when it
  // cannot be made.
  std::function<bool()> ensureSaveFolder;
  // Sets the image cache budget from the available memory (CacheAutoSize).
  std::function<void()> sizeImageCache;
  // The cache budget in MiB and the look-ahead switch, for the report.
  std::function<std::int32_t()> cacheMegabytes;
  std::function<std::int32_t()> lookAhead;
  // The graphics device for the window; null, with a reason, when none.
  std::function<std::unique_ptr<render::GpuDevice>(platform::Window&, std::string&)> createDevice;
  // A whole game file by name through the archives and loose files; false
  // when there is none (not reported).
  std::function<bool(std::string_view, std::string&)> readFile;
  // Sets the end flag of the interpreter: the run stops.
  std::function<void()> endRun;
};

// The screen command's arguments.
struct ScreenRequest {
  std::int32_t width = 800;
  std::int32_t height = 600;
  std::int32_t assetWidth = 0;
  std::int32_t flags = 0;  // bit 0 1:1 asset entry, bit 1 no start-up window, bit 2 fixed frame
};

// The game's main window: its creation and single-instance rule, the
// display factors and size lists, window and full-screen presentation, and
// the window messages the engine handles itself.
class MainWindow {
 public:
  static constexpr std::string_view kDefaultName = "Script Engine";

  MainWindow(platform::Platform& platform, DisplaySettings& display, render::RenderSettings& render,
             render::Renderer& renderer, util::Reporter& errors, std::string instanceKey,
             WindowServices services)
      : platform_(platform),
        display_(display),
        render_(render),
        renderer_(renderer),
        errors_(errors),
        instanceKey_(std::move(instanceKey)),
        services_(std::move(services)) {}

  // The window, created at once when it does not exist. False when it
  // cannot be (or another run of the game holds the screen): the run ends.
  bool create();
  // Everything the screen command settles. False when the run must end.
  bool screen(const ScreenRequest& request);
  bool screenReady() const { return screenReady_; }
  // Whether this run stopped because another run holds the game; it must
  // then leave the player's files to that run.
  bool yieldedToAnotherRun() const { return yielded_; }

  // The window's title; before the window exists, also its name.
  void setWindowText(std::string_view text);
  const std::string& name() const { return name_; }

  void setFullScreen(bool on);
  bool fullScreen() const { return display_.fullScreen != 0; }
  void setScreenAspect(std::int32_t aspect);
  void setWallPaper(std::string_view name);
  void setCursor(std::string_view name);

  // Handles a window message the engine answers itself; true when taken.
  bool handleMessage(const platform::MessageRecord& message);

  // The display state the commands report.
  const DisplayFactors& factors() const { return factors_; }
  std::int32_t gameWidth() const { return gameWidth_; }
  std::int32_t gameHeight() const { return gameHeight_; }
  bool wide() const { return wide_; }
  const WindowSizeList& sizes() const { return sizes_; }
  std::string sizeLabel(std::size_t index) const;
  std::uint32_t systemFlags() const { return systemFlags_; }
  // 1 after a close of the window, 2 when it was minimised; 0 once read.
  std::int32_t takeCloseRequest();
  // Whether the player switched between window and full screen since the
  // last call.
  bool takeDisplayModeChange() { return std::exchange(displayModeChanged_, false); }
  // Whether a close request waits to be read.
  bool closeRequested() const { return closeRequest_ != 0; }
  // The presentation rectangles of full-screen modes 1..4.
  const std::array<PresentRects, 4>& presentRects() const { return rects_; }

  // Client pixels to game-screen pixels, through the presentation, and back:
  // a game pixel goes to the client pixel that shows its centre.
  Point clientToGame(Point client) const;
  Point gameToClient(Point game) const;

  // Keeps the windowed client size and position for the settings file.
  void rememberPlacementIfWindowed();

  // Whether something reads close requests (the event waits); until then
  // closing the window ends the run.
  void setCloseRequestsRead(bool on) { closeRequestsRead_ = on; }

 private:
  void computeLayout();
  void placeWindow(bool firstPlacement);
  void applyPresentation();
  render::Rect fullScreenDestination() const;
  void fitClientToAspect(platform::PixelSize client);
  void appendDisplayLines();
  void appendRectangleLines();
  void applyCursor();
  void loadWallPaper();
  assets::ImagePtr loadImage(std::string_view name);

  bool displayModeChanged_ = false;
  platform::Platform& platform_;
  DisplaySettings& display_;
  render::RenderSettings& render_;
  render::Renderer& renderer_;
  util::Reporter& errors_;
  std::string instanceKey_;
  WindowServices services_;

  std::string name_{kDefaultName};
  platform::Window* window_ = nullptr;
  bool screenReady_ = false;
  bool yielded_ = false;
  std::int32_t gameWidth_ = 800;
  std::int32_t gameHeight_ = 600;
  std::int32_t assetWidth_ = 800;
  bool wide_ = false;
  DisplayFactors factors_;
  WindowSizeList sizes_{};
  std::array<PresentRects, 4> rects_{};
  std::uint32_t systemFlags_ = 2;  // bit 1: the window is active
  std::int32_t closeRequest_ = 0;
  render::TextureId wallTexture_ = render::kNoTexture;
  bool closeRequestsRead_ = false;
};

}  // namespace tsuzuri::shell
