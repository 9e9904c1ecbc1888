#pragma once

#include <SDL.h>

#include <memory>
#include <string>
#include <string_view>

#include "platform/window.h"

namespace tsuzuri::platform {

// The game's window through SDL, with its OpenGL 3.3 core context. The
// same window serves the desktop and, on SDL's offscreen video driver,
// headless runs, so both draw with the same renderer.
class SdlWindow final : public Window {
 public:
  // Starts SDL's video (on the offscreen driver when `offscreen`) and opens
  // the window hidden, with its context current. Null, with `error`, when
  // either cannot be made.
  static std::unique_ptr<SdlWindow> open(std::string_view title, bool offscreen,
                                         std::string& error);
  ~SdlWindow() override;

  SdlWindow(const SdlWindow&) = delete;
  SdlWindow& operator=(const SdlWindow&) = delete;

  SDL_Window* handle() const { return window_; }
  std::uint32_t id() const { return SDL_GetWindowID(window_); }

  void setTitle(std::string_view title) override;
  void setClientSize(PixelSize size) override;
  PixelSize clientSize() const override;
  void setPosition(std::int32_t left, std::int32_t top) override;
  void position(std::int32_t& left, std::int32_t& top) const override;
  MonitorInfo monitor() const override;
  FrameSize frame() const override;
  void setFullScreen(bool on) override;
  void setResizable(bool on) override;
  void setAlwaysOnTop(bool on) override;
  void show() override;
  void raise() override;
  bool minimised() const override;
  void setIcon(const std::uint8_t* bgra, std::int32_t width, std::int32_t height) override;
  bool setCursorImage(const std::uint8_t* bgra, std::int32_t width, std::int32_t height,
                      std::int32_t hotX, std::int32_t hotY) override;
  void setDefaultCursor() override;
  void showCursor(bool on) override;
  PixelSize drawableSize() const override;
  void setSwapInterval(int interval) override;
  bool hasVerticalSync() const override { return !offscreen_; }
  void swapBuffers() override;

 private:
  SdlWindow(SDL_Window* window, SDL_GLContext context, bool offscreen)
      : window_(window), context_(context), offscreen_(offscreen) {}

  SDL_Window* window_;
  SDL_GLContext context_;
  bool offscreen_;
  SDL_Cursor* cursor_ = nullptr;
};

}  // namespace tsuzuri::platform
