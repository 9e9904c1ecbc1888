#include "shell/main_window.h"

#include <cstdio>
#include <span>
#include <vector>

#include "assets/cursor_file.h"
#include "assets/image_codecs.h"
#include "util/sjis.h"

namespace tsuzuri::shell {
namespace {

constexpr std::array<const char*, 8> kInterpolationNames = {
    "Driver",   "NearestNeighbor", "BiLinear", "BiLinearSharp",
    "Lanczos1", "BiQuad",          "BiCubic",  "Lanczos2"};

// The pixel-shader level a scaling filter needs.
std::int32_t levelNeeded(std::int32_t interpolation) {
  if (interpolation == 7) return 3;
  if (interpolation >= 3 && interpolation <= 6) return 2;
  return 0;
}

// Windows cursor files; every other name is an image.
bool hasCursorExtension(std::string_view name) {
  if (name.size() < 4) return false;
  std::string extension(name.substr(name.size() - 4));
  for (char& c : extension) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  return extension == ".cur" || extension == ".ani";
}

std::string format(const char* pattern, std::int32_t a, std::int32_t b, std::int32_t c,
                   std::int32_t d) {
  char line[128];
  static_cast<void>(std::snprintf(line, sizeof line, pattern, a, b, c, d));
  return line;
}

}  // namespace

bool MainWindow::create() {
  if (window_ != nullptr) return true;
  if (!platform_.claimInstance(instanceKey_)) {
    // The other run's window has been brought forward; this one stops.
    yielded_ = true;
    if (services_.endRun) services_.endRun();
    return false;
  }
  std::string error;
  window_ = platform_.openWindow(name_, error);
  if (window_ == nullptr) {
    errors_.report("CreateWindow Main\n" + util::utf8ToSjis(error));
    if (services_.endRun) services_.endRun();
    return false;
  }
  if (display_.cursorFile.size() > 0) applyCursor();
  if (services_.sizeImageCache) services_.sizeImageCache();
  if (assets::ImagePtr icon = loadImage("icon.png")) {
    window_->setIcon(icon->pixels, icon->width, icon->height);
  }
  return true;
}

void MainWindow::setWindowText(std::string_view text) {
  name_.assign(text);
  if (window_ != nullptr) {
    window_->setTitle(text);
    return;
  }
  create();
}

bool MainWindow::screen(const ScreenRequest& request) {
  const auto fail = [this] {
    if (services_.endRun) services_.endRun();
    return false;
  };
  if (!create()) return false;
  gameWidth_ = request.width > 0 ? request.width : 800;
  gameHeight_ = request.height > 0 ? request.height : 600;
  assetWidth_ = request.assetWidth > 0 ? request.assetWidth : gameWidth_;
  if (services_.beginReport) services_.beginReport();
  if (display_.resolution <= 0) display_.resolution = gameWidth_;
  const ScreenShape shape = screenShape(gameWidth_, gameHeight_);
  wide_ = shape == ScreenShape::kWide16x9;
  display_.screenAspect = effectiveScreenAspect(shape, display_.screenAspect);
  // The start-up settings window would be shown here; until it exists the
  // screen goes on as if the player had started with the current settings.
  if (display_.resolutionWindow == 1) display_.windowWidth = display_.resolution;
  display_.windowHeight =
      clientHeightFor(display_.windowWidth, gameWidth_, gameHeight_, display_.screenAspect);
  if ((request.flags & 4) != 0) {
    display_.windowChange = 1;
    display_.windowMenu = 0;
    display_.menuLock1 = 0;
  }
  systemFlags_ |= static_cast<std::uint32_t>(display_.systemActive);
  if (services_.ensureSaveFolder && !services_.ensureSaveFolder()) return fail();

  computeLayout();
  appendDisplayLines();
  appendRectangleLines();

  // The device is made once; a later screen keeps it (and the sprites'
  // textures in it) and only changes its size.
  std::unique_ptr<render::GpuDevice> created;
  render::GpuDevice* device = renderer_.ready() ? renderer_.device() : nullptr;
  if (device == nullptr) {
    std::string error;
    created = services_.createDevice ? services_.createDevice(*window_, error) : nullptr;
    if (!created) {
      errors_.report("CreateDevice " + util::utf8ToSjis(error));
      return fail();
    }
    device = created.get();
  }
  const std::int32_t level = device->caps().pixelShaderLevel;
  const std::int32_t wanted = render_.interpolation;
  if (wanted >= 0 && wanted < 8 && level < levelNeeded(wanted)) {
    errors_.report(util::toSjis(u8"画面拡大縮小補間の ") +
                   kInterpolationNames[static_cast<std::size_t>(wanted)] +
                   util::toSjis(u8" は未対応の環境です、他の設定で起動します。\n"
                                u8"(このエラーはゲームの動作には影響ありません)"));
    render_.interpolation = 2;
  }
  if (render_.interpolation < 0 || render_.interpolation > 7) render_.interpolation = 2;
  if (services_.appendReport) {
    const render::DeviceDescription& d = device->description();
    services_.appendReport(
        "OpenGL\n\tVendor " + d.vendor + "\n\tRenderer " + d.renderer + "\n\tVersion " + d.version +
        "\n\tShadingLanguage " + d.shadingLanguage + "\n" +
        format("\tMaxTextureSize %d\n\tMaxRenderbufferSize %d\n"
               "\tMaxViewport %d x %d\n",
               d.maxTextureSize, d.maxRenderbufferSize, d.maxViewportWidth, d.maxViewportHeight) +
        "CreateDevice OpenGL 3.3 core OK\n");
  }
  placeWindow(true);
  window_->show();
  const render::Presentation first = render::choosePresentation(
      factors_.renderSize, factors_.renderSize,
      {0, 0, factors_.renderSize.width, factors_.renderSize.height}, true, render_.interpolation);
  if (created ? !renderer_.attach(std::move(created), first) : !renderer_.changeScreen(first)) {
    return fail();
  }
  appendDisplayLines();
  renderer_.configurePacing(window_->monitor().refreshRate, window_->hasVerticalSync());
  screenReady_ = true;
  loadWallPaper();
  applyPresentation();
  return true;
}

void MainWindow::computeLayout() {
  factors_ = displayFactors(gameWidth_, gameHeight_, assetWidth_, display_.resolution,
                            display_.screenAspect);
  sizes_ = windowSizes(gameWidth_, gameHeight_, display_.screenAspect);
  render::Size monitor{1024, 768};
  if (window_ != nullptr) {
    const platform::PixelRect bounds = window_->monitor().bounds;
    monitor = {bounds.width(), bounds.height()};
  }
  rects_ = presentationRects(monitor, factors_.renderSize);
}

std::string MainWindow::sizeLabel(std::size_t index) const {
  return index < sizes_.size() ? windowSizeLabel(sizes_[index], display_.resolution) : "";
}

void MainWindow::placeWindow(bool firstPlacement) {
  if (window_ == nullptr) return;
  if (display_.fullScreen != 0) {
    window_->setAlwaysOnTop(display_.windowMost != 0);
    window_->setFullScreen(true);
    return;
  }
  window_->setFullScreen(false);
  window_->setResizable(display_.windowChange == 0);
  render::Size client{display_.windowWidth, display_.windowHeight};
  if (client.width <= 0 || client.height <= 0) client = factors_.renderSize;
  const platform::MonitorInfo monitor = window_->monitor();
  const platform::FrameSize frame = window_->frame();
  const std::int32_t frameWidth = frame.borderWidth * 2;
  const std::int32_t frameHeight = frame.captionHeight + frame.borderHeight * 2;
  const render::Size monitorSize{monitor.bounds.width(), monitor.bounds.height()};
  if (client.width + frameWidth >= monitorSize.width ||
      client.height + frameHeight >= monitorSize.height) {
    client = largestClientSize(monitorSize, factors_.renderSize, frameWidth, frameHeight);
  }
  window_->setClientSize(client);
  if (firstPlacement && display_.windowPos == 0) {
    const platform::PixelRect& area = monitor.workArea;
    window_->setPosition(area.left + (area.width() - client.width) / 2,
                         area.top + (area.height() - client.height) / 2);
  } else {
    window_->setPosition(display_.clientLeft, display_.clientTop);
  }
  window_->setAlwaysOnTop(display_.windowMost != 0);
}

render::Rect MainWindow::fullScreenDestination() const {
  const std::int32_t mode = display_.fullMode;
  if (mode >= 1 && mode <= 4) return rects_[static_cast<std::size_t>(mode - 1)].destination;
  // The first mode changed the display to the game's size; on a desktop-
  // sized screen that is the picture stretched over the whole monitor.
  const platform::PixelRect bounds = window_->monitor().bounds;
  return {0, 0, bounds.width(), bounds.height()};
}

void MainWindow::applyPresentation() {
  if (!screenReady_ || window_ == nullptr) return;
  render::Presentation presentation;
  const bool bordered =
      display_.fullScreen != 0 && (display_.fullMode == 2 || display_.fullMode == 3);
  const render::TextureId backdrop = bordered ? wallTexture_ : render::kNoTexture;
  renderer_.setBackdrop(backdrop);
  if (display_.fullScreen != 0) {
    const platform::PixelRect bounds = window_->monitor().bounds;
    // The wallpaper is painted by the scaling pass, so a border showing it
    // needs one even where the driver would scale.
    const std::int32_t interpolation =
        backdrop != render::kNoTexture && render_.interpolation == 0 ? 2 : render_.interpolation;
    presentation =
        render::choosePresentation(factors_.renderSize, {bounds.width(), bounds.height()},
                                   fullScreenDestination(), display_.fullMode == 0, interpolation);
  } else {
    const render::Size client = window_->drawableSize();
    presentation =
        render::choosePresentation(factors_.renderSize, client, {0, 0, client.width, client.height},
                                   false, render_.interpolation);
  }
  if (!renderer_.changeScreen(presentation)) {
    // Reported by the renderer; the window posts its close.
    platform_.events().postQuit(0);
    return;
  }
  renderer_.represent();
}

void MainWindow::setFullScreen(bool on) {
  // The window's own size and place are kept for the way back.
  if (screenReady_ && on) rememberPlacementIfWindowed();
  display_.fullScreen = on ? 1 : 0;
  if (!screenReady_) return;
  placeWindow(false);
  applyPresentation();
}

void MainWindow::setScreenAspect(std::int32_t aspect) {
  if (screenReady_) rememberPlacementIfWindowed();
  display_.screenAspect = effectiveScreenAspect(screenShape(gameWidth_, gameHeight_), aspect);
  if (!screenReady_) return;
  computeLayout();
  display_.windowHeight =
      clientHeightFor(display_.windowWidth, gameWidth_, gameHeight_, display_.screenAspect);
  placeWindow(false);
  applyPresentation();
}

assets::ImagePtr MainWindow::loadImage(std::string_view name) {
  std::string bytes;
  if (!services_.readFile || !services_.readFile(name, bytes)) return nullptr;
  return assets::loadImage(std::span<const std::uint8_t>(
      reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()));
}

void MainWindow::setWallPaper(std::string_view name) {
  display_.wallPaper.assign(name);
  loadWallPaper();
  applyPresentation();
}

void MainWindow::loadWallPaper() {
  render::GpuDevice* device = renderer_.device();
  if (!screenReady_ || device == nullptr) return;
  if (wallTexture_ != render::kNoTexture) device->destroyTexture(wallTexture_);
  wallTexture_ = render::kNoTexture;
  const std::string& name = display_.wallPaper;
  if (name.empty()) return;
  assets::ImagePtr image = loadImage(name);
  if (image) {
    wallTexture_ =
        device->createTexture(image->width, image->height, render::TextureUse::kImage, false);
    if (wallTexture_ != render::kNoTexture &&
        !device->writeTexture(wallTexture_, 0,
                              reinterpret_cast<const std::uint32_t*>(image->pixels), image->width,
                              image->height, image->width)) {
      device->destroyTexture(wallTexture_);
      wallTexture_ = render::kNoTexture;
    }
  }
  if (wallTexture_ == render::kNoTexture) {
    errors_.report(name + util::toSjis(u8" を読み込めませんでした"));
  }
}

void MainWindow::setCursor(std::string_view name) {
  display_.cursorFile.assign(name);
  if (window_ != nullptr) applyCursor();
}

void MainWindow::applyCursor() {
  const std::string& name = display_.cursorFile;
  if (name.empty()) {
    window_->setDefaultCursor();
    return;
  }
  std::string bytes;
  assets::CursorImage cursor;
  if (services_.readFile && services_.readFile(name, bytes)) {
    const std::span<const std::uint8_t> data(reinterpret_cast<const std::uint8_t*>(bytes.data()),
                                             bytes.size());
    cursor = hasCursorExtension(name) ? assets::decodeCursor(data)
                                      : assets::CursorImage{assets::loadImage(data), 0, 0};
  }
  if (assets::ImagePtr& image = cursor.image) {
    // The window system's cursor mask is one bit: pixels below half alpha
    // are hidden, the rest shown whole.
    for (std::int32_t i = 0; i < image->pixelCount; ++i) {
      std::uint8_t& alpha = image->pixels[static_cast<std::size_t>(i) * 4 + 3];
      alpha = alpha < 128 ? 0 : 255;
    }
    if (window_->setCursorImage(image->pixels, image->width, image->height, cursor.hotX,
                                cursor.hotY)) {
      return;
    }
  }
  errors_.report("CreateAlphaCursor\n" + name);
  window_->setDefaultCursor();
}

void MainWindow::rememberPlacementIfWindowed() {
  if (window_ == nullptr || display_.fullScreen != 0 || window_->minimised()) return;
  const platform::PixelSize client = window_->clientSize();
  if (client.width > 0 && client.height > 0) {
    display_.windowWidth = client.width;
    display_.windowHeight = client.height;
  }
  window_->position(display_.clientLeft, display_.clientTop);
}

void MainWindow::fitClientToAspect(platform::PixelSize client) {
  const render::Size render = factors_.renderSize;
  if (client.width <= 0 || render.width <= 0) return;
  const std::int32_t height = static_cast<std::int32_t>(
      (static_cast<std::int64_t>(client.width) * render.height + render.width / 2) / render.width);
  if (height != client.height) window_->setClientSize({client.width, height});
  display_.windowWidth = client.width;
  display_.windowHeight = height;
}

bool MainWindow::handleMessage(const platform::MessageRecord& message) {
  switch (message.code) {
    case platform::kMessageClose:
      closeRequest_ = window_ != nullptr && window_->minimised() ? 2 : 1;
      // Until the scripts' event waits read close requests, closing the
      // window ends the run.
      return closeRequestsRead_;
    case platform::kMessageActivate:
      if (message.wparam != 0) {
        systemFlags_ |= 2U;
      } else {
        systemFlags_ &= ~2U;
      }
      return true;
    case platform::kMessageSize:
      if (screenReady_ && message.wparam != 1 && display_.fullScreen == 0 && window_ != nullptr) {
        fitClientToAspect(window_->clientSize());
        applyPresentation();
      }
      return true;
    case platform::kMessagePaint:
      renderer_.represent();
      return true;
    case platform::kMessageDisplayChange:
      if (screenReady_) {
        computeLayout();
        applyPresentation();
      }
      return true;
    case platform::kMessageSysKeyDown:
      if (message.wparam == platform::kKeyReturn) {
        if (screenReady_ && (message.lparam & (1 << 30)) == 0) {
          setFullScreen(!fullScreen());
          displayModeChanged_ = true;
        }
        return true;
      }
      return message.wparam == platform::kKeyF10;
    case platform::kMessageKeyDown:
      return message.wparam == platform::kKeyF10;
    default:
      return false;
  }
}

std::int32_t MainWindow::takeCloseRequest() {
  const std::int32_t request = closeRequest_;
  closeRequest_ = 0;
  return request;
}

Point MainWindow::clientToGame(Point client) const {
  const render::Presentation& p = renderer_.presentation();
  const render::Rect& where = p.direct ? p.destination : p.passDestination;
  return presentationToGame(client, where, {gameWidth_, gameHeight_});
}

Point MainWindow::gameToClient(Point game) const {
  const render::Presentation& p = renderer_.presentation();
  const render::Rect& where = p.direct ? p.destination : p.passDestination;
  return gameToPresentation(game, where, {gameWidth_, gameHeight_});
}

void MainWindow::appendDisplayLines() {
  if (!services_.appendReport) return;
  const std::int32_t cache = services_.cacheMegabytes ? services_.cacheMegabytes() : 0;
  const std::int32_t lookAhead = services_.lookAhead ? services_.lookAhead() : 0;
  services_.appendReport(
      format("FullScreen%d FullMode%d WindowWidth%d VSyncWait%d\n", display_.fullScreen,
             display_.fullMode, display_.windowWidth, render_.vSyncWait) +
      format("Resolution%d ScreenAspect%d CacheMaxSize%d LookaHead%d\n", factors_.renderSize.width,
             display_.screenAspect, cache, lookAhead) +
      format("Interpolation%d TextureMax%d ColorMode%d ColorBlend%d\n", render_.interpolation,
             render_.textureMax, render_.colorMode, render_.colorBlend));
}

void MainWindow::appendRectangleLines() {
  if (!services_.appendReport) return;
  std::string lines;
  for (std::size_t i = 0; i < rects_.size(); ++i) {
    const render::Rect& s = rects_[i].source;
    const render::Rect& d = rects_[i].destination;
    char line[160];
    static_cast<void>(std::snprintf(
        line, sizeof line, "Src%zu %4d, %4d, %4d, %4d\tDest%zu %4d, %4d, %4d, %4d\n", i + 1, s.left,
        s.top, s.right, s.bottom, i + 1, d.left, d.top, d.right, d.bottom));
    lines += line;
  }
  services_.appendReport(lines);
}

}  // namespace tsuzuri::shell
