#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "assets/image_cache.h"
#include "assets/image_ops_common.h"
#include "render/render_settings.h"
#include "render/renderer.h"
#include "scene/sprite_record.h"
#include "script/error_sink.h"

namespace tsuzuri::scene {

// The game screen as sprites see it.
struct ScreenMetrics {
  std::int32_t width = 800;  // design resolution
  std::int32_t height = 600;
  double resolutionFactor = 1.0;  // render size ÷ design size
  double assetScale = 1.0;        // what high-resolution assets are authored at
  render::Size renderSize{800, 600};
  // What a high-resolution asset's pixels are multiplied by on screen.
  double displayRatio() const { return assetScale > 0 ? resolutionFactor / assetScale : 1.0; }
};

// Rounds half away from zero, as the size arithmetic of sprites does with
// its +0.5 on positive values.
std::int32_t roundedScale(std::int32_t value, double factor);

// The 1000 sprite slots, their two records each, the layer maps that order
// them, and how images become sprites and pending changes become visible.
// Textures belong to the renderer's device; the table frees its own.
class SpriteTable {
 public:
  SpriteTable(render::Renderer& renderer, const render::RenderSettings& settings,
              assets::ImageLoader& loader, assets::ImageConsole& console,
              script::ErrorSink& errors);
  ~SpriteTable();
  SpriteTable(const SpriteTable&) = delete;
  SpriteTable& operator=(const SpriteTable&) = delete;

  static bool validSlot(std::int32_t slot) { return slot >= 0 && slot < kSlotCount; }

  void setScreenSource(std::function<ScreenMetrics()> source) { screen_ = std::move(source); }
  ScreenMetrics screen() const { return screen_ ? screen_() : ScreenMetrics{}; }

  // Jump mode (fast-forward): 0 off; sprites are created with geometry only.
  std::int32_t jumpMode() const { return jumpMode_; }
  void setJumpMode(std::int32_t mode) { jumpMode_ = mode; }

  SpriteSlot& slot(std::int32_t n) { return slots_[static_cast<std::size_t>(n)].slot; }
  const SpriteSlot& slot(std::int32_t n) const { return slots_[static_cast<std::size_t>(n)].slot; }
  std::unique_ptr<SpriteRecord>& frontPtr(std::int32_t n);
  std::unique_ptr<SpriteRecord>& backPtr(std::int32_t n);
  SpriteRecord* front(std::int32_t n) { return frontPtr(n).get(); }
  SpriteRecord* back(std::int32_t n) { return backPtr(n).get(); }
  const SpriteRecord* front(std::int32_t n) const;
  const SpriteRecord* back(std::int32_t n) const;
  // The record that will be on screen after the next commit: the back one
  // while a new image is pending, else the front one.
  SpriteRecord* upcoming(std::int32_t n);
  // Whether the slot holds either record.
  bool occupied(std::int32_t n) const;
  // Record 0 or 1 of a slot by its number, not by which one is in front.
  const SpriteRecord* buffer(std::int32_t n, int index) const {
    return slots_[static_cast<std::size_t>(n)].records[static_cast<std::size_t>(index & 1)].get();
  }

  // Creation. Each builds into `record` (allocating it when null); on
  // failure the record is freed and the pointer set to null.
  bool createFromPixels(std::unique_ptr<SpriteRecord>& record, assets::ImagePtr pixels,
                        std::int32_t cellLayout, std::int32_t resolutionClass, std::uint32_t flags);
  bool createCanvas(std::unique_ptr<SpriteRecord>& record, std::int32_t width, std::int32_t height,
                    std::uint32_t flags);
  bool createGeometryOnly(std::unique_ptr<SpriteRecord>& record, std::int32_t width,
                          std::int32_t height, std::int32_t cellLayout);
  // Loads a named image, cut and with the slot's effects.
  bool loadImageIntoSprite(std::string_view name, std::unique_ptr<SpriteRecord>& record,
                           std::int32_t slot, std::int32_t cellLayout, std::uint32_t flags,
                           const CutRect& cut = {});
  // An image loaded by name for a slot (cut and effects applied), and the
  // resolution class its pixels have; null when it could not be made.
  assets::ImagePtr loadSlotImage(std::string_view name, std::int32_t slot, std::uint32_t flags,
                                 std::int32_t& resolutionClass, const CutRect& cut = {});
  // The same with the load-time effects given apart from a slot.
  assets::ImagePtr loadEffectImage(std::string_view name,
                                   const std::array<std::int32_t, kEffectCount>& effects,
                                   std::uint32_t flags, std::int32_t& resolutionClass,
                                   const CutRect& cut = {});
  // The back record got a new image: properties follow the front record
  // (or take the defaults of a first image) and the new image is pending.
  void adoptNewImage(std::int32_t slot, std::uint32_t flags);
  // After a successful load into the back record: the pending rules of a
  // new image (a cancelled deletion, a second load, changed properties).
  void settleNewImage(std::int32_t slot, std::uint32_t flags);
  // Gives a record the properties of a first image.
  void resetProperties(SpriteRecord& record, std::uint32_t flags) const;
  // Writes new pixels of the record's size into its tile textures.
  bool rewriteTiles(SpriteRecord& record, const assets::ImageBuffer& pixels) {
    return uploadTiles(record, pixels, false);
  }
  // Uploads a mask image (already cell-sized) into the record's mask tiles.
  bool uploadMask(SpriteRecord& record, const assets::ImageBuffer& mask);

  void releaseImage(SpriteRecord& record);
  void destroyRecord(std::unique_ptr<SpriteRecord>& record);
  // Frees every texture the table holds (the device is going away).
  void releaseAll();

  void commitSlot(std::int32_t slot);
  void commitAll();
  // Empties a slot at once: both records, its layer entry and the slot
  // record (but its load-time effects). Unlike a deletion it leaves the
  // members of its render layer, and the slot's motions, shakes and button
  // to the caller.
  void discardSlot(std::int32_t slot);
  // Called at the end of commitAll (the screen offsets' double buffer).
  void setScreenOffsetsCommit(std::function<void()> commit) { offsetsCommit_ = std::move(commit); }
  // Called when a slot is emptied by a deletion (motions, quakes, buttons, movies).
  void addDeletionListener(std::function<void(std::int32_t)> listener) {
    deletionListeners_.push_back(std::move(listener));
  }
  // Called when a command moves a sprite (its button follows).
  void setMoveListener(std::function<void(std::int32_t)> listener) {
    moveListener_ = std::move(listener);
  }
  void spriteMoved(std::int32_t slot) {
    if (moveListener_ && validSlot(slot)) moveListener_(slot);
  }

  // Layer maps. The draw key is slot + order × 1024 (slot when order is 0).
  static std::int32_t drawKey(std::int32_t slot, std::int32_t order) {
    return order != 0 ? slot + order * kDrawKeyStride : slot;
  }
  void registerInLayer(std::int32_t slot, std::int32_t layer);
  // False when the slot is not registered in any layer.
  bool unregister(std::int32_t slot);
  std::optional<std::int32_t> registeredLayer(std::int32_t slot) const;
  // Moves a registered slot to its new order's draw key.
  bool reorder(std::int32_t slot, std::int32_t order);

  using LayerOrder = std::map<std::int32_t, std::int32_t, std::greater<>>;  // key → slot
  // Layer → its slots by descending draw key; layers by descending number.
  const std::map<std::int32_t, LayerOrder, std::greater<>>& layers() const { return order_; }

  // The tile rules of the current device and settings.
  TileRules tileRules() const;
  render::GpuDevice* device() { return renderer_.device(); }
  script::ErrorSink& errors() { return errors_; }
  assets::ImageConsole& console() { return console_; }
  assets::ImageLoader& loader() { return loader_; }
  const render::RenderSettings& settings() const { return settings_; }

 private:
  struct Entry {
    std::array<std::unique_ptr<SpriteRecord>, 2> records;
    SpriteSlot slot;
  };

  // The record without its image, or a new one (anchor 1/1, defaults).
  SpriteRecord& emptied(std::unique_ptr<SpriteRecord>& record);
  bool uploadTiles(SpriteRecord& record, const assets::ImageBuffer& pixels, bool create);
  void deleteSlot(std::int32_t slot);
  void clearSlot(std::int32_t slot);

  render::Renderer& renderer_;
  const render::RenderSettings& settings_;
  assets::ImageLoader& loader_;
  assets::ImageConsole& console_;
  script::ErrorSink& errors_;
  std::function<ScreenMetrics()> screen_;
  std::function<void()> offsetsCommit_;
  std::vector<std::function<void(std::int32_t)>> deletionListeners_;
  std::function<void(std::int32_t)> moveListener_;
  std::int32_t jumpMode_ = 0;
  std::vector<Entry> slots_;
  std::array<std::int32_t, kSlotCount> layerOf_{};                        // -1: not registered
  std::map<std::int32_t, std::map<std::int32_t, std::int32_t>> members_;  // layer → slot → key
  std::map<std::int32_t, LayerOrder, std::greater<>> order_;
};

}  // namespace tsuzuri::scene
