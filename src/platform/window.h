#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tsuzuri::platform {

struct PixelSize {
  std::int32_t width = 0;
  std::int32_t height = 0;
  friend bool operator==(const PixelSize&, const PixelSize&) = default;
};

// A rectangle in desktop pixels; right and bottom exclusive.
struct PixelRect {
  std::int32_t left = 0;
  std::int32_t top = 0;
  std::int32_t right = 0;
  std::int32_t bottom = 0;
  std::int32_t width() const { return right - left; }
  std::int32_t height() const { return bottom - top; }
  bool contains(std::int32_t x, std::int32_t y) const {
    return x >= left && x < right && y >= top && y < bottom;
  }
  friend bool operator==(const PixelRect&, const PixelRect&) = default;
};

// The monitor a window is on.
struct MonitorInfo {
  PixelRect bounds;    // the whole monitor
  PixelRect workArea;  // without panels and task bars
  std::int32_t refreshRate = 60;
};

// The frame the window system puts around a client area.
struct FrameSize {
  std::int32_t borderWidth = 0;  // each side
  std::int32_t borderHeight = 0;
  std::int32_t captionHeight = 0;
};

// The game's one window, with the OpenGL 3.3 core context the renderer
// draws with. Sizes are client sizes in pixels. Texts are Shift_JIS.
class Window {
 public:
  virtual ~Window() = default;

  virtual void setTitle(std::string_view title) = 0;
  virtual void setClientSize(PixelSize size) = 0;
  virtual PixelSize clientSize() const = 0;
  // The top-left corner of the client area on the desktop.
  virtual void setPosition(std::int32_t left, std::int32_t top) = 0;
  virtual void position(std::int32_t& left, std::int32_t& top) const = 0;
  virtual MonitorInfo monitor() const = 0;
  virtual FrameSize frame() const = 0;

  // Borderless and covering the whole monitor, or back to a framed window.
  virtual void setFullScreen(bool on) = 0;
  // A sizing border (and maximise box) or a fixed frame.
  virtual void setResizable(bool on) = 0;
  virtual void setAlwaysOnTop(bool on) = 0;
  virtual void show() = 0;
  // Restores the window when minimised and brings it to the front.
  virtual void raise() = 0;
  virtual bool minimised() const = 0;

  // Icon and cursor from BGRA pixels with straight alpha, rows top-down.
  virtual void setIcon(const std::uint8_t* bgra, std::int32_t width, std::int32_t height) = 0;
  virtual bool setCursorImage(const std::uint8_t* bgra, std::int32_t width, std::int32_t height,
                              std::int32_t hotX, std::int32_t hotY) = 0;
  virtual void setDefaultCursor() = 0;
  virtual void showCursor(bool on) = 0;

  // The graphics context: current on the main thread from creation on.
  // A window without one (a headless run on a machine without OpenGL) is
  // drawn into by no device.
  virtual bool hasGraphicsContext() const { return true; }
  virtual PixelSize drawableSize() const = 0;
  // 1 waits for the display's vertical blank; 0 does not.
  virtual void setSwapInterval(int interval) = 0;
  // Whether a swap interval of 1 really waits for the display (false when
  // nothing is displayed, as in headless runs).
  virtual bool hasVerticalSync() const = 0;
  virtual void swapBuffers() = 0;
};

}  // namespace tsuzuri::platform
