#include "scene/screenshot_commands.h"

#include <cstdint>
#include <string>

#include "assets/image_codecs.h"
#include "assets/image_save.h"
#include "util/sjis.h"

namespace tsuzuri::scene {

using commands::CommandContext;

namespace {

constexpr commands::SystemCommandEntry<ScreenshotCommands> kCommands[] = {
    {"setScreenShot", &ScreenshotCommands::setScreenShot},
    {"saveScreenShot", &ScreenshotCommands::saveScreenShot},
};

}  // namespace

void ScreenshotCommands::registerWith(commands::CommandRegistry& registry) {
  registry.addFamily(*this, kCommands);
}

void ScreenshotCommands::setScreenShot(CommandContext& c) {
  screenshot_.capture(c.integer(1), c.integer(2));
}

void ScreenshotCommands::saveScreenShot(CommandContext& c) {
  const std::int32_t format = c.integer(2);
  std::int32_t depth = c.integer(3);
  std::int32_t level = c.integer(4);
  std::int32_t option = c.integer(5);
  // Replaces a value outside [low, high] by `fallback`, with the report.
  const auto check = [this](std::int32_t& value, std::int32_t low, std::int32_t high,
                            std::int32_t fallback, std::u8string_view message) {
    if (value >= low && value <= high) return;
    errors_.reportWithContext(util::toSjis(message));
    value = fallback;
  };
  if (depth != 0 && depth != 8 && depth != 24 && depth != 32) {
    errors_.reportWithContext(util::toSjis(u8"対応していない深度です"));
    depth = 0;
  }
  if (format == static_cast<std::int32_t>(assets::ImageFormat::kPng)) {
    check(level, 0, 9, 9, u8"対応していない圧縮値です");
    check(option, 0, 1, 0, u8"対応していないPNG-OPです");
  } else if (format == static_cast<std::int32_t>(assets::ImageFormat::kJpeg)) {
    check(level, 0, 100, 100, u8"対応していない品質値です");
    check(option, 0, 2, 1, u8"-FMT: 対応していないJPEG-OPです");
  }
  // Before any setScreenShot the writer gets no image and says so.
  const assets::ImageSaveResult result =
      assets::saveImage(c.text(1), screenshot_.image(), format, depth, level, option);
  if (!result.message.empty()) console_.print(result.message + "\n");
}

}  // namespace tsuzuri::scene
