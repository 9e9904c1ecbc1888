#pragma once

#include "platform/window.h"

namespace tsuzuri::platform {

// A window that only keeps its state: the headless runner's window where no
// OpenGL context can be had, so that scripts still run to their end. Its
// monitor is the 1024 × 768 one of SDL's offscreen driver.
class NullWindow final : public Window {
 public:
  void setTitle(std::string_view /*title*/) override {}
  void setClientSize(PixelSize size) override { size_ = size; }
  PixelSize clientSize() const override { return fullScreen_ ? PixelSize{1024, 768} : size_; }
  void setPosition(std::int32_t left, std::int32_t top) override {
    left_ = left;
    top_ = top;
  }
  void position(std::int32_t& left, std::int32_t& top) const override {
    left = left_;
    top = top_;
  }
  MonitorInfo monitor() const override {
    MonitorInfo info;
    info.bounds = {0, 0, 1024, 768};
    info.workArea = info.bounds;
    return info;
  }
  FrameSize frame() const override { return {}; }
  void setFullScreen(bool on) override { fullScreen_ = on; }
  void setResizable(bool /*on*/) override {}
  void setAlwaysOnTop(bool /*on*/) override {}
  void show() override {}
  void raise() override {}
  bool minimised() const override { return false; }
  void setIcon(const std::uint8_t* /*bgra*/, std::int32_t /*width*/,
               std::int32_t /*height*/) override {}
  bool setCursorImage(const std::uint8_t* /*bgra*/, std::int32_t /*width*/, std::int32_t /*height*/,
                      std::int32_t /*hotX*/, std::int32_t /*hotY*/) override {
    return true;
  }
  void setDefaultCursor() override {}
  void showCursor(bool /*on*/) override {}
  bool hasGraphicsContext() const override { return false; }
  PixelSize drawableSize() const override { return clientSize(); }
  void setSwapInterval(int /*interval*/) override {}
  bool hasVerticalSync() const override { return false; }
  void swapBuffers() override {}

 private:
  PixelSize size_{640, 480};
  std::int32_t left_ = 0;
  std::int32_t top_ = 0;
  bool fullScreen_ = false;
};

}  // namespace tsuzuri::platform
