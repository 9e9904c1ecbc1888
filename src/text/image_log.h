#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace tsuzuri::scene {
class Scene;
class SpriteTable;
}  // namespace tsuzuri::scene

namespace tsuzuri::text {

class Backlog;

// The most sprites a backlog page remembers, and the longest file name a
// record holds (its field has room for 63 bytes and a NUL).
inline constexpr std::size_t kImageLogRecords = 16;
inline constexpr std::size_t kImageLogNameLimit = 63;

// One sprite as it stood when a page was committed, enough to draw it again
// into a picture of the page. The fields are packed the way saved games
// write them, in their order there.
struct ImageLogRecord {
  std::string name;
  std::string maskName;
  std::int32_t kindBlend = 0;  // creation kind | blend mode << 4
  std::int32_t x = 0;
  std::int32_t y = 0;
  std::int32_t slotLayer = 0;  // slot << 16 | render layer
  std::int32_t alpha = 255;
  std::int32_t cell = 0;       // cell << 8 | cell layout
  std::int32_t mask = 0;       // reverse << 20 | progress << 10 | softness
  std::int32_t colour = 0;     // colour mode << 24 | colour
  std::int32_t width = 0;      // width × 4 | horizontal anchor (0 left, 1 centre, 2 right)
  std::int32_t height = 0;     // height × 4 | vertical anchor (0 top, 1 centre, 2 bottom)
  std::int32_t scaleX = 100;   // percent
  std::int32_t scaleY = 100;   // percent
  std::int32_t rotation = 0;   // degrees as the script gave them, modulo 360
  std::int32_t reserved1 = 0;  // kept as read
  std::int32_t reserved2 = 0;  // kept as read
  std::int32_t cutX = 0;
  std::int32_t cutY = 0;
  std::int32_t cutW = 0;
  std::int32_t cutH = 0;
  std::int32_t effectBits = 0;  // (negative × 2 + grey) × 8 + rotate/flip
  std::int32_t brightnessContrast = 0;
  std::int32_t colourEffect = 0;
  std::int32_t hsl = 0;
  std::int32_t blur = 0;
  std::int32_t mosaic = 0;
  std::int32_t maskParam1 = 0;  // the mask's offsets from centred
  std::int32_t maskParam2 = 0;

  std::int32_t kind() const { return kindBlend & 0x0F; }
  std::int32_t blend() const { return kindBlend >> 4; }
  std::int32_t slot() const { return slotLayer >> 16; }
  std::int32_t layer() const { return slotLayer & 0xFFFF; }
  std::int32_t pictureWidth() const { return width >> 2; }
  std::int32_t pictureHeight() const { return height >> 2; }
  std::int32_t anchorX() const { return width & 3; }
  std::int32_t anchorY() const { return height & 3; }
  std::int32_t maskReverse() const { return mask >> 20; }
  std::int32_t maskProgress() const { return (mask >> 10) & 0x3FF; }
  std::int32_t maskSoftness() const { return mask & 0x3FF; }

  bool operator==(const ImageLogRecord&) const = default;
};

// The screen's scroll offset (pixels) and zoom (percent) when a page was
// committed; its pictures are drawn again through the same camera.
struct ScreenView {
  std::int32_t x = 0;
  std::int32_t y = 0;
  std::int32_t w = 100;
  std::int32_t h = 100;

  bool plain() const { return x == 0 && y == 0 && w == 100 && h == 100; }
  bool operator==(const ScreenView&) const = default;
};

// The sprites on screen now that a page's picture keeps, back to front:
// the members of every render layer (highest layer first, when there is
// more than the screen layer), then the screen layer, each from the largest
// draw key down. Only shown image sprites count: visible, not in the window
// layer, not text, not about to be deleted. Movies, pictures made in memory
// (no file name, canvases aside) and names too long for a record are left
// out; after 16 the rest are.
std::vector<ImageLogRecord> recordImageLog(const scene::SpriteTable& table);

// The scene's current scroll and zoom.
ScreenView currentScreenView(scene::Scene& scene);

// The commit of a page (clearMess, clearMess2): the current entry keeps the
// picture on screen, then the next entry begins.
void commitPage(Backlog& backlog, scene::Scene& scene);

}  // namespace tsuzuri::text
