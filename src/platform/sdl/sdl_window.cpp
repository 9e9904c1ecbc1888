#include "platform/sdl/sdl_window.h"

#include <dlfcn.h>
#include <link.h>

#include <cstring>

#include "platform/system_regex.h"
#include "util/sjis.h"

namespace tsuzuri::platform {
namespace {

// Keeps the loaded OpenGL drivers in memory for the rest of the process.
// Closing the last context unloads Mesa's driver, and the next window (a
// screen change, the next test) would load and initialise it again; leak
// checkers would also count the driver's allocations as lost once its code
// is gone.
void keepGraphicsDriversLoaded() {
  dl_iterate_phdr(
      [](dl_phdr_info* info, std::size_t /*size*/, void* /*data*/) -> int {
        const char* name = info->dlpi_name;
        if (name == nullptr || name[0] == '\0') return 0;
        if (std::strstr(name, "_dri.so") != nullptr || std::strstr(name, "libgallium") != nullptr ||
            std::strstr(name, "libEGL_mesa") != nullptr ||
            std::strstr(name, "libGLX_mesa") != nullptr) {
          // The handle is dropped on purpose: NODELETE holds the library.
          static_cast<void>(dlopen(name, RTLD_NOW | RTLD_NOLOAD | RTLD_NODELETE));
        }
        return 0;
      },
      nullptr);
}

// An SDL surface over BGRA pixels (copied, so the caller's buffer may go).
SDL_Surface* surfaceFrom(const std::uint8_t* bgra, std::int32_t width, std::int32_t height) {
  SDL_Surface* surface =
      SDL_CreateRGBSurfaceWithFormat(0, width, height, 32, SDL_PIXELFORMAT_ARGB8888);
  if (surface == nullptr) return nullptr;
  const auto rowBytes = static_cast<std::size_t>(width) * 4;
  for (std::int32_t y = 0; y < height; ++y) {
    // ARGB8888 is B, G, R, A in memory on little-endian machines, as ours are.
    std::memcpy(static_cast<std::uint8_t*>(surface->pixels) +
                    static_cast<std::size_t>(y) * static_cast<std::size_t>(surface->pitch),
                bgra + static_cast<std::size_t>(y) * rowBytes, rowBytes);
  }
  return surface;
}

}  // namespace

std::unique_ptr<SdlWindow> SdlWindow::open(std::string_view title, bool offscreen,
                                           std::string& error) {
  keepSystemRegex();
  if (offscreen) SDL_SetHint(SDL_HINT_VIDEODRIVER, "offscreen");
  // A closed window must not end SDL's event loop on its own: the engine
  // decides what closing means.
  SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
  if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
    error = std::string("video could not start: ") + SDL_GetError();
    return nullptr;
  }
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
  SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
  SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 0);
  SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 0);
  SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 8);
  SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 8);
  SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 8);

  const std::string utf8 = util::sjisToUtf8(title);
  SDL_Window* window =
      SDL_CreateWindow(utf8.c_str(), SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, 640, 480,
                       SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN | SDL_WINDOW_ALLOW_HIGHDPI);
  if (window == nullptr) {
    error = std::string("the window could not be made: ") + SDL_GetError();
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    return nullptr;
  }
  SDL_GLContext context = SDL_GL_CreateContext(window);
  if (context == nullptr) {
    error = std::string("no OpenGL 3.3 context: ") + SDL_GetError();
    SDL_DestroyWindow(window);
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    return nullptr;
  }
  keepGraphicsDriversLoaded();
  return std::unique_ptr<SdlWindow>(new SdlWindow(window, context, offscreen));
}

SdlWindow::~SdlWindow() {
  if (cursor_ != nullptr) {
    SDL_SetCursor(SDL_GetDefaultCursor());
    SDL_FreeCursor(cursor_);
  }
  SDL_GL_DeleteContext(context_);
  SDL_DestroyWindow(window_);
  SDL_QuitSubSystem(SDL_INIT_VIDEO);
}

void SdlWindow::setTitle(std::string_view title) {
  SDL_SetWindowTitle(window_, util::sjisToUtf8(title).c_str());
}

void SdlWindow::setClientSize(PixelSize size) {
  SDL_SetWindowSize(window_, size.width, size.height);
}

PixelSize SdlWindow::clientSize() const {
  PixelSize size;
  SDL_GetWindowSize(window_, &size.width, &size.height);
  return size;
}

void SdlWindow::setPosition(std::int32_t left, std::int32_t top) {
  SDL_SetWindowPosition(window_, left, top);
}

void SdlWindow::position(std::int32_t& left, std::int32_t& top) const {
  SDL_GetWindowPosition(window_, &left, &top);
}

MonitorInfo SdlWindow::monitor() const {
  MonitorInfo info;
  int display = SDL_GetWindowDisplayIndex(window_);
  if (display < 0) display = 0;
  SDL_Rect bounds{0, 0, 0, 0};
  if (SDL_GetDisplayBounds(display, &bounds) != 0 || bounds.w <= 0 || bounds.h <= 0) {
    bounds = SDL_Rect{0, 0, 1024, 768};
  }
  info.bounds = {bounds.x, bounds.y, bounds.x + bounds.w, bounds.y + bounds.h};
  SDL_Rect usable = bounds;
  if (SDL_GetDisplayUsableBounds(display, &usable) != 0 || usable.w <= 0 || usable.h <= 0) {
    usable = bounds;
  }
  info.workArea = {usable.x, usable.y, usable.x + usable.w, usable.y + usable.h};
  SDL_DisplayMode mode{};
  if (SDL_GetCurrentDisplayMode(display, &mode) == 0 && mode.refresh_rate > 0) {
    info.refreshRate = mode.refresh_rate;
  }
  return info;
}

FrameSize SdlWindow::frame() const {
  int top = 0;
  int left = 0;
  int bottom = 0;
  int right = 0;
  FrameSize frame;
  if (SDL_GetWindowBordersSize(window_, &top, &left, &bottom, &right) == 0) {
    frame.borderWidth = left;
    frame.borderHeight = bottom;
    frame.captionHeight = top > bottom ? top - bottom : 0;
  }
  return frame;
}

void SdlWindow::setFullScreen(bool on) {
  SDL_SetWindowFullscreen(window_,
                          on ? static_cast<std::uint32_t>(SDL_WINDOW_FULLSCREEN_DESKTOP) : 0U);
}

void SdlWindow::setResizable(bool on) {
  SDL_SetWindowResizable(window_, on ? SDL_TRUE : SDL_FALSE);
}

void SdlWindow::setAlwaysOnTop(bool on) {
  SDL_SetWindowAlwaysOnTop(window_, on ? SDL_TRUE : SDL_FALSE);
}

void SdlWindow::show() {
  SDL_ShowWindow(window_);
}

void SdlWindow::raise() {
  if (minimised()) SDL_RestoreWindow(window_);
  SDL_RaiseWindow(window_);
}

bool SdlWindow::minimised() const {
  return (SDL_GetWindowFlags(window_) & SDL_WINDOW_MINIMIZED) != 0;
}

void SdlWindow::setIcon(const std::uint8_t* bgra, std::int32_t width, std::int32_t height) {
  SDL_Surface* surface = surfaceFrom(bgra, width, height);
  if (surface == nullptr) return;
  SDL_SetWindowIcon(window_, surface);
  SDL_FreeSurface(surface);
}

bool SdlWindow::setCursorImage(const std::uint8_t* bgra, std::int32_t width, std::int32_t height,
                               std::int32_t hotX, std::int32_t hotY) {
  // Nobody sees the pointer of an offscreen window.
  if (offscreen_) return true;
  SDL_Surface* surface = surfaceFrom(bgra, width, height);
  if (surface == nullptr) return false;
  SDL_Cursor* cursor = SDL_CreateColorCursor(surface, hotX, hotY);
  SDL_FreeSurface(surface);
  if (cursor == nullptr) return false;
  SDL_SetCursor(cursor);
  if (cursor_ != nullptr) SDL_FreeCursor(cursor_);
  cursor_ = cursor;
  return true;
}

void SdlWindow::setDefaultCursor() {
  SDL_SetCursor(SDL_GetDefaultCursor());
  if (cursor_ != nullptr) SDL_FreeCursor(cursor_);
  cursor_ = nullptr;
}

void SdlWindow::showCursor(bool on) {
  SDL_ShowCursor(on ? SDL_ENABLE : SDL_DISABLE);
}

PixelSize SdlWindow::drawableSize() const {
  PixelSize size;
  SDL_GL_GetDrawableSize(window_, &size.width, &size.height);
  return size;
}

void SdlWindow::setSwapInterval(int interval) {
  SDL_GL_SetSwapInterval(interval);
}

void SdlWindow::swapBuffers() {
  SDL_GL_SwapWindow(window_);
}

}  // namespace tsuzuri::platform
