#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "render/renderer.h"

namespace tsuzuri::core {

// Writes what the player would have seen, for unattended runs: every frame
// that differs from the one before into a folder, and the last frame as a
// screenshot when the run ends. Pictures are the composed game screen,
// before window scaling, as PNG.
class FrameCapture {
 public:
  FrameCapture(render::Renderer& renderer, platform::Clock& clock,
               std::optional<std::string> framesDirectory, std::optional<std::string> screenshot)
      : renderer_(renderer),
        clock_(clock),
        framesDirectory_(std::move(framesDirectory)),
        screenshot_(std::move(screenshot)) {}

  bool active() const { return framesDirectory_ || screenshot_; }
  // After each present. Frames are named by the clock in milliseconds; a
  // later frame of the same millisecond replaces the earlier one.
  void frameShown();
  // When the run ends, before the device goes. False (with `error`) when
  // the screenshot could not be written; true when none was asked for.
  bool finish(std::string& error);
  std::uint32_t framesWritten() const { return framesWritten_; }

 private:
  bool write(const std::string& path, assets::ImageBuffer& image, std::string& error);

  render::Renderer& renderer_;
  platform::Clock& clock_;
  std::optional<std::string> framesDirectory_;
  std::optional<std::string> screenshot_;
  std::vector<std::uint8_t> previous_;
  std::string lastName_;
  bool shown_ = false;
  bool directoryReady_ = false;
  std::uint32_t framesWritten_ = 0;
};

}  // namespace tsuzuri::core
