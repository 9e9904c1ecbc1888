#include "scene/sprite_table.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <utility>

#include "assets/image_ops_basic.h"
#include "assets/image_ops_filters.h"
#include "assets/image_ops_geometry.h"
#include "util/sjis.h"

namespace tsuzuri::scene {
namespace {

const std::uint32_t* pixelWords(const assets::ImageBuffer& image, std::int32_t x, std::int32_t y) {
  return reinterpret_cast<const std::uint32_t*>(image.pixels) +
         static_cast<std::size_t>(y) * static_cast<std::size_t>(image.width) +
         static_cast<std::size_t>(x);
}

// Writes the part of `image` that tile (column, row) of a grid with edges
// ex × ey holds, clipped to the image, into `texture` at `level`.
bool writeTile(render::GpuDevice& device, render::TextureId texture, std::int32_t level,
               const assets::ImageBuffer& image, std::int32_t left, std::int32_t top,
               std::int32_t columns, std::int32_t rows) {
  columns = std::min(columns, image.width - left);
  rows = std::min(rows, image.height - top);
  if (columns <= 0 || rows <= 0) {
    // Nothing of the image falls on this tile: the texture is cleared.
    const std::uint32_t zero = 0;
    return device.writeTexture(texture, level, &zero, 0, 0, 1);
  }
  return device.writeTexture(texture, level, pixelWords(image, left, top), columns, rows,
                             image.width);
}

}  // namespace

std::int32_t roundedScale(std::int32_t value, double factor) {
  return static_cast<std::int32_t>(static_cast<double>(value) * factor + 0.5);
}

SpriteTable::SpriteTable(render::Renderer& renderer, const render::RenderSettings& settings,
                         assets::ImageLoader& loader, assets::ImageConsole& console,
                         script::ErrorSink& errors)
    : renderer_(renderer),
      settings_(settings),
      loader_(loader),
      console_(console),
      errors_(errors),
      slots_(kSlotCount) {
  layerOf_.fill(-1);
}

SpriteTable::~SpriteTable() {
  releaseAll();
}

std::unique_ptr<SpriteRecord>& SpriteTable::frontPtr(std::int32_t n) {
  Entry& e = slots_[static_cast<std::size_t>(n)];
  return e.records[static_cast<std::size_t>(e.slot.frontIndex & 1)];
}

std::unique_ptr<SpriteRecord>& SpriteTable::backPtr(std::int32_t n) {
  Entry& e = slots_[static_cast<std::size_t>(n)];
  return e.records[static_cast<std::size_t>((e.slot.frontIndex & 1) ^ 1)];
}

const SpriteRecord* SpriteTable::front(std::int32_t n) const {
  const Entry& e = slots_[static_cast<std::size_t>(n)];
  return e.records[static_cast<std::size_t>(e.slot.frontIndex & 1)].get();
}

const SpriteRecord* SpriteTable::back(std::int32_t n) const {
  const Entry& e = slots_[static_cast<std::size_t>(n)];
  return e.records[static_cast<std::size_t>((e.slot.frontIndex & 1) ^ 1)].get();
}

SpriteRecord* SpriteTable::upcoming(std::int32_t n) {
  return (slot(n).pending & kPendingNewImage) != 0 ? back(n) : front(n);
}

bool SpriteTable::occupied(std::int32_t n) const {
  const Entry& e = slots_[static_cast<std::size_t>(n)];
  return e.records[0] != nullptr || e.records[1] != nullptr;
}

TileRules SpriteTable::tileRules() const {
  const render::GpuDevice* device = renderer_.ready() ? renderer_.device() : nullptr;
  render::DeviceCaps caps;
  if (device != nullptr) caps = device->caps();
  return tileRulesFor(caps, settings_.textureMax, settings_.texturePow2, settings_.textureSquare);
}

void SpriteTable::releaseImage(SpriteRecord& record) {
  render::GpuDevice* device = renderer_.ready() ? renderer_.device() : nullptr;
  const auto release = [device](render::TextureId& id) {
    if (id != render::kNoTexture && device != nullptr) device->destroyTexture(id);
    id = render::kNoTexture;
  };
  // A canvas draws its own target as its first tile: free it once.
  if (record.targetSurface == record.tileTexture[0]) record.targetSurface = render::kNoTexture;
  for (auto& id : record.tileTexture) release(id);
  for (auto& id : record.maskTexture) release(id);
  release(record.targetSurface);
  record.pixels.reset();
}

SpriteRecord& SpriteTable::emptied(std::unique_ptr<SpriteRecord>& record) {
  if (record) {
    releaseImage(*record);
  } else {
    record = std::make_unique<SpriteRecord>();
  }
  return *record;
}

void SpriteTable::destroyRecord(std::unique_ptr<SpriteRecord>& record) {
  if (!record) return;
  releaseImage(*record);
  record.reset();
}

void SpriteTable::releaseAll() {
  for (Entry& e : slots_) {
    for (auto& record : e.records) {
      if (record) releaseImage(*record);
    }
  }
}

bool SpriteTable::uploadTiles(SpriteRecord& record, const assets::ImageBuffer& pixels,
                              bool create) {
  render::GpuDevice* device = renderer_.ready() ? renderer_.device() : nullptr;
  if (device == nullptr) {
    errors_.reportWithContext("CreateTexture D3DERR_INVALIDCALL");
    return false;
  }
  const TileLayout& t = record.tiles;
  const std::int32_t ex = t.texW;
  const std::int32_t ey = t.texH;
  for (std::int32_t j = 0; j < t.tileCount; ++j) {
    const auto i = static_cast<std::size_t>(j);
    if (create) {
      record.tileTexture[i] = device->createTexture(t.tileTexW[i], t.tileTexH[i],
                                                    render::TextureUse::kImage, record.halfLevels);
      if (record.tileTexture[i] == render::kNoTexture) {
        errors_.reportWithContext("CreateTexture D3DERR_OUTOFVIDEOMEMORY");
        return false;
      }
    }
    const std::int32_t c = j % t.tilesX;
    const std::int32_t r = j / t.tilesX;
    const std::int32_t left = t.tileCount == 1 ? 0 : c * ex;
    const std::int32_t top = t.tileCount == 1 ? 0 : r * ey;
    if (!writeTile(*device, record.tileTexture[i], 0, pixels, left, top, t.tileImageW[i],
                   t.tileImageH[i])) {
      errors_.reportWithContext(t.tileCount == 1 ? "writeTexture2 LockRect D3DERR_INVALIDCALL"
                                                 : "writeTexture3 LockRect D3DERR_INVALIDCALL");
      return false;
    }
  }
  if (record.halfLevels) {
    // An area-averaged half-size copy; without it the second level stays
    // clear, which only blurs minified sprites.
    assets::ImageBuffer* reduced = nullptr;
    if (!assets::resizeImage(console_, &reduced, &pixels, std::max(1, pixels.width / 2),
                             std::max(1, pixels.height / 2), 1, 2, 0)) {
      return true;
    }
    const assets::ImagePtr half(reduced);
    for (std::int32_t j = 0; j < t.tileCount; ++j) {
      const auto i = static_cast<std::size_t>(j);
      const std::int32_t c = j % t.tilesX;
      const std::int32_t r = j / t.tilesX;
      const std::int32_t left = t.tileCount == 1 ? 0 : c * ex / 2;
      const std::int32_t top = t.tileCount == 1 ? 0 : r * ey / 2;
      static_cast<void>(writeTile(*device, record.tileTexture[i], 1, *half, left, top,
                                  std::max(1, t.tileImageW[i] / 2),
                                  std::max(1, t.tileImageH[i] / 2)));
    }
  }
  return true;
}

bool SpriteTable::createFromPixels(std::unique_ptr<SpriteRecord>& record, assets::ImagePtr pixels,
                                   std::int32_t cellLayout, std::int32_t resolutionClass,
                                   std::uint32_t flags) {
  if (!pixels) return false;
  const std::int32_t width = pixels->width;
  const std::int32_t height = pixels->height;
  if (record && record->hasTexture() && record->imageW == width && record->imageH == height &&
      record->targetSurface == render::kNoTexture) {
    // Same size: the new pixels go into the textures there are.
    if (!uploadTiles(*record, *pixels, false)) return false;
    record->pixels = std::move(pixels);
    record->cellLayout = cellLayout;
    return true;
  }
  SpriteRecord& r = emptied(record);
  r.imageW = width;
  r.imageH = height;
  r.cellLayout = cellLayout;
  r.resolutionClass = resolutionClass;
  const TileRules rules = tileRules();
  std::string error;
  if (!planTiles(width, height, cellLayout, r.anchorX, r.anchorY, rules, r.tiles, error)) {
    errors_.reportWithContext(error);
    record.reset();
    return false;
  }
  setVertexAlpha(r, r.alpha);
  r.dirty = true;
  const render::GpuDevice* device = renderer_.ready() ? renderer_.device() : nullptr;
  r.halfLevels = (flags & kFlagHalfLevel) != 0 && settings_.mipMap != 0 && device != nullptr &&
                 device->caps().mipmaps && !rules.pow2;
  if (!uploadTiles(r, *pixels, true)) {
    destroyRecord(record);
    return false;
  }
  r.pixels = std::move(pixels);
  return true;
}

bool SpriteTable::createCanvas(std::unique_ptr<SpriteRecord>& record, std::int32_t width,
                               std::int32_t height, std::uint32_t flags) {
  const ScreenMetrics m = screen();
  std::int32_t w = width;
  std::int32_t h = height;
  std::int32_t resolutionClass = 1;
  if ((flags & 0x8) != 0) {
    w = roundedScale(width, m.resolutionFactor);
    h = roundedScale(height, m.resolutionFactor);
    resolutionClass = 0;
  } else if ((flags & 0x4) != 0 && m.resolutionFactor > 1.0) {
    w = roundedScale(width, m.assetScale);
    h = roundedScale(height, m.assetScale);
    resolutionClass = 2;
  }
  if (w <= 0 || h <= 0 || w > assets::kMaxImageSide || h > assets::kMaxImageSide) {
    errors_.reportWithContext("CreateTexture RenderTarget D3DERR_INVALIDCALL");
    if (record) destroyRecord(record);
    return false;
  }
  SpriteRecord& r = emptied(record);
  render::GpuDevice* device = renderer_.ready() ? renderer_.device() : nullptr;
  // Bit 0 rounds the texture up to powers of two; otherwise it has the
  // canvas's own size.
  std::int32_t tw = w;
  std::int32_t th = h;
  if ((flags & 0x1) != 0) {
    tw = th = 1;
    while (tw < w) tw <<= 1;
    while (th < h) th <<= 1;
  }
  const render::TextureId target =
      device != nullptr ? device->createTexture(tw, th, render::TextureUse::kRenderTarget, false)
                        : render::kNoTexture;
  if (target == render::kNoTexture) {
    errors_.reportWithContext("CreateTexture RenderTarget D3DERR_OUTOFVIDEOMEMORY");
    destroyRecord(record);
    return false;
  }
  // A new canvas is transparent.
  const std::uint32_t zero = 0;
  static_cast<void>(device->writeTexture(target, 0, &zero, 0, 0, 1));
  TileLayout& t = r.tiles;
  t = TileLayout{};
  t.cellW = w;
  t.cellH = h;
  t.texW = t.tileTexW[0] = tw;
  t.texH = t.tileTexH[0] = th;
  t.tileImageW[0] = w;
  t.tileImageH[0] = h;
  placeQuads(t, w, h, 0, r.anchorX, r.anchorY);
  r.targetSurface = target;
  r.tileTexture[0] = target;
  r.imageW = width;
  r.imageH = height;
  r.imageOffsetX = r.imageOffsetY = 0;
  r.cellLayout = 0;
  r.resolutionClass = resolutionClass;
  r.halfLevels = false;
  setVertexAlpha(r, r.alpha);
  r.dirty = true;
  return true;
}

bool SpriteTable::createGeometryOnly(std::unique_ptr<SpriteRecord>& record, std::int32_t width,
                                     std::int32_t height, std::int32_t cellLayout) {
  SpriteRecord& r = emptied(record);
  r.imageW = width;
  r.imageH = height;
  r.cellLayout = cellLayout;
  std::string error;
  if (width <= 0 || height <= 0 ||
      !planTiles(width, height, cellLayout, r.anchorX, r.anchorY, tileRules(), r.tiles, error)) {
    r.tiles = TileLayout{};
    r.tiles.cellW = width / layoutColumns(cellLayout);
    r.tiles.cellH = height / layoutRows(cellLayout);
    r.tiles.tileCount = 0;
  }
  r.dirty = true;
  return true;
}

assets::ImagePtr SpriteTable::loadSlotImage(std::string_view name, std::int32_t slotNumber,
                                            std::uint32_t flags, std::int32_t& resolutionClass,
                                            const CutRect& cut) {
  return loadEffectImage(name, slot(slotNumber).effects, flags, resolutionClass, cut);
}

assets::ImagePtr SpriteTable::loadEffectImage(std::string_view name,
                                              const std::array<std::int32_t, kEffectCount>& effects,
                                              std::uint32_t flags, std::int32_t& resolutionClass,
                                              const CutRect& cut) {
  const auto& e = effects;
  const ScreenMetrics m = screen();
  assets::LoadedImage loaded =
      loader_.load(name, (flags & kFlagBypassCache) == 0, true, m.resolutionFactor);
  if (!loaded.image) return nullptr;
  resolutionClass = loaded.scale == 2 ? 2 : 1;
  assets::ImageBuffer* image = loaded.image.release();
  const auto fail = [&image]() {
    assets::freeImage(&image);
    return assets::ImagePtr();
  };
  if (cut.w != 0 && cut.h != 0) {
    std::int32_t x = cut.x;
    std::int32_t y = cut.y;
    std::int32_t w = cut.w;
    std::int32_t h = cut.h;
    if (loaded.scale == 2 && m.resolutionFactor > 1.0) {
      if (x != -1) x = roundedScale(x, m.assetScale);
      y = roundedScale(y, m.assetScale);
      w = roundedScale(w, m.assetScale);
      h = roundedScale(h, m.assetScale);
    }
    if (x == -1) x = (image->width - w) / 2;
    if (!assets::clippingImage2(console_, &image, x, y, w, h)) return fail();
  }
  bool ok = true;
  if (e[kEffectNegative] != 0) ok = ok && assets::negaposiImage(console_, image);
  if (e[kEffectGrey] != 0) ok = ok && assets::grayscalImage(console_, image);
  switch (e[kEffectRotate]) {
    case 1:
      ok = ok && assets::flipHorizontalImage2(console_, &image);
      break;
    case 2:
      ok = ok && assets::flipVerticalImage2(console_, &image);
      break;
    case 3:
      ok = ok && assets::rotateImage2(console_, &image, 180.0, 1.0, 0);
      break;
    default:
      break;
  }
  const auto signedByte = [](std::int32_t v) {
    return static_cast<std::int32_t>(static_cast<std::int8_t>(v & 0xFF));
  };
  if (const std::int32_t c = e[kEffectBrightnessContrast]; c != 0) {
    ok = ok && assets::bcImage(console_, image, signedByte(c >> 8), signedByte(c));
  }
  if (const std::int32_t d = e[kEffectColour]; d != 0) {
    ok = ok && assets::colorImage(console_, image, signedByte(d >> 16), signedByte(d >> 8),
                                  signedByte(d));
  }
  if (const std::int32_t h = e[kEffectHsl]; h != 0) {
    ok = ok && assets::hslImage(console_, image, h >> 16, signedByte(h >> 8), signedByte(h));
  }
  if (const std::int32_t f = e[kEffectBlur]; f != 0) {
    ok = ok && assets::blurImage(console_, image, f >> 16, f & 0xFFFF);
  }
  if (const std::int32_t g = e[kEffectMosaic]; g != 0) {
    ok = ok && assets::mosaicImage(console_, image, g >> 16, g & 0xFFFF);
  }
  if (!ok) return fail();
  return assets::ImagePtr(image);
}

bool SpriteTable::loadImageIntoSprite(std::string_view name, std::unique_ptr<SpriteRecord>& record,
                                      std::int32_t slotNumber, std::int32_t cellLayout,
                                      std::uint32_t flags, const CutRect& cut) {
  std::int32_t resolutionClass = 1;
  assets::ImagePtr image = loadSlotImage(name, slotNumber, flags, resolutionClass, cut);
  if (!image) return false;
  const std::int32_t offsetX = image->left;
  const std::int32_t offsetY = image->top;
  if (!createFromPixels(record, std::move(image), cellLayout, resolutionClass, flags)) {
    return false;
  }
  record->imageOffsetX = offsetX;
  record->imageOffsetY = offsetY;
  return true;
}

void SpriteTable::resetProperties(SpriteRecord& r, std::uint32_t flags) const {
  const ScreenMetrics m = screen();
  r.flags = flags;
  r.layer = 0;
  r.alpha = 255;
  r.blend = 1;
  r.cell = 0;
  r.colourMode = 0;
  r.colour = 0;
  r.x = static_cast<float>(m.width / 2);
  r.y = static_cast<float>(m.height / 2);
  r.scaleX = r.scaleY = 1;
  r.rotX = r.rotY = r.rotZ = 0;
  r.maskMode = r.maskValue1 = r.maskValue2 = 0;
  if (r.anchorX != 1 || r.anchorY != 1) {
    r.anchorX = r.anchorY = 1;
    placeQuads(r.tiles, r.imageW, r.imageH, r.cellLayout, 1, 1);
  }
  setVertexAlpha(r, 255);
  r.dirty = true;
}

void SpriteTable::adoptNewImage(std::int32_t n, std::uint32_t flags) {
  SpriteSlot& s = slot(n);
  SpriteRecord* b = back(n);
  if (b == nullptr) return;
  if (SpriteRecord* f = front(n)) {
    b->flags = flags;
    b->layer = f->layer;
    b->alpha = f->alpha;
    b->blend = f->blend;
    b->cell = f->cell;
    b->colourMode = f->colourMode;
    b->colour = f->colour;
    b->x = f->x;
    b->y = f->y;
    b->scaleX = f->scaleX;
    b->scaleY = f->scaleY;
    b->rotX = f->rotX;
    b->rotY = f->rotY;
    b->rotZ = f->rotZ;
    b->maskMode = f->maskMode;
    b->maskValue1 = f->maskValue1;
    b->maskValue2 = f->maskValue2;
    if (b->anchorX != f->anchorX || b->anchorY != f->anchorY) {
      b->anchorX = f->anchorX;
      b->anchorY = f->anchorY;
      placeQuads(b->tiles, b->imageW, b->imageH, b->cellLayout, b->anchorX, b->anchorY);
    }
    if (b->cellLayout != 0 && b->cell != 0) selectCell(b->tiles, b->cellLayout, b->cell);
    setVertexAlpha(*b, b->alpha);
    b->dirty = true;
    s.pending = kPendingNewImage | kPendingReleaseFront;
  } else {
    resetProperties(*b, flags);
    auto copy = std::make_unique<SpriteRecord>();
    copyProperties(*copy, *b);
    frontPtr(n) = std::move(copy);
    registerInLayer(n, 0);
    s.pending = kPendingNewImage;
  }
  s.autoDelete = 0;
}

void SpriteTable::settleNewImage(std::int32_t n, std::uint32_t flags) {
  SpriteSlot& s = slot(n);
  SpriteRecord* b = back(n);
  if (b == nullptr) return;
  if ((s.pending & kPendingDelete) != 0) {
    // A load over a slot about to be deleted cancels the deletion and
    // starts over as a first image in layer 0.
    resetProperties(*b, flags);
    unregister(n);
    s.order = 0;
    registerInLayer(n, 0);
    s.pending = kPendingNewImage | kPendingReleaseFront;
    if (front(n) == nullptr) {
      auto copy = std::make_unique<SpriteRecord>();
      copyProperties(*copy, *b);
      frontPtr(n) = std::move(copy);
    }
  } else if ((s.pending & (kPendingNewImage | kPendingChanged)) != 0) {
    // The back record already holds the properties to show: the new
    // image's quads take its cell and alpha.
    b->flags = flags;
    if (b->cellLayout != 0 && b->cell != 0) selectCell(b->tiles, b->cellLayout, b->cell);
    setVertexAlpha(*b, b->alpha);
    if ((s.pending & kPendingNewImage) == 0) s.pending = kPendingNewImage | kPendingReleaseFront;
  } else {
    adoptNewImage(n, flags);
  }
}

bool SpriteTable::uploadMask(SpriteRecord& record, const assets::ImageBuffer& mask) {
  render::GpuDevice* device = renderer_.ready() ? renderer_.device() : nullptr;
  if (device == nullptr || !record.hasTexture()) return false;
  const TileLayout& t = record.tiles;
  for (std::int32_t j = 0; j < t.tileCount; ++j) {
    const auto i = static_cast<std::size_t>(j);
    if (record.maskTexture[i] == render::kNoTexture) {
      record.maskTexture[i] =
          device->createTexture(t.tileTexW[i], t.tileTexH[i], render::TextureUse::kImage, false);
      if (record.maskTexture[i] == render::kNoTexture) {
        errors_.reportWithContext("CreateTexture D3DERR_OUTOFVIDEOMEMORY");
        return false;
      }
    }
    const std::int32_t left = t.tileCount == 1 ? 0 : (j % t.tilesX) * t.texW;
    const std::int32_t top = t.tileCount == 1 ? 0 : (j / t.tilesX) * t.texH;
    if (!writeTile(*device, record.maskTexture[i], 0, mask, left, top, t.tileImageW[i],
                   t.tileImageH[i])) {
      errors_.reportWithContext("writeTexture3 LockRect D3DERR_INVALIDCALL");
      return false;
    }
  }
  return true;
}

std::optional<std::int32_t> SpriteTable::registeredLayer(std::int32_t n) const {
  const std::int32_t layer = layerOf_[static_cast<std::size_t>(n)];
  if (layer < 0) return std::nullopt;
  return layer;
}

void SpriteTable::registerInLayer(std::int32_t n, std::int32_t layer) {
  unregister(n);
  const std::int32_t key = drawKey(n, slot(n).order);
  members_[layer][n] = key;
  order_[layer][key] = n;
  layerOf_[static_cast<std::size_t>(n)] = layer;
}

bool SpriteTable::unregister(std::int32_t n) {
  const std::int32_t layer = layerOf_[static_cast<std::size_t>(n)];
  if (layer < 0) return false;
  if (auto m = members_.find(layer); m != members_.end()) {
    if (auto k = m->second.find(n); k != m->second.end()) {
      if (auto o = order_.find(layer); o != order_.end()) o->second.erase(k->second);
      m->second.erase(k);
    }
  }
  layerOf_[static_cast<std::size_t>(n)] = -1;
  return true;
}

bool SpriteTable::reorder(std::int32_t n, std::int32_t order) {
  const std::int32_t layer = layerOf_[static_cast<std::size_t>(n)];
  if (layer < 0) return false;
  slot(n).order = order;
  registerInLayer(n, layer);
  return true;
}

void SpriteTable::clearSlot(std::int32_t n) {
  SpriteSlot& s = slot(n);
  const auto effects = s.effects;
  s = SpriteSlot{};
  s.effects = effects;
}

void SpriteTable::deleteSlot(std::int32_t n) {
  if (n != 0) {
    // A render layer takes its members with it.
    if (const auto m = members_.find(n); m != members_.end()) {
      std::vector<std::int32_t> members;
      for (const auto& [member, key] : m->second) {
        if (member != n) members.push_back(member);
      }
      for (const std::int32_t member : members) {
        slot(member).pending |= kPendingDelete;
        commitSlot(member);
      }
    }
  }
  for (const auto& listener : deletionListeners_) listener(n);
  discardSlot(n);
}

void SpriteTable::discardSlot(std::int32_t n) {
  Entry& e = slots_[static_cast<std::size_t>(n)];
  for (auto& record : e.records) destroyRecord(record);
  unregister(n);
  clearSlot(n);
}

void SpriteTable::commitSlot(std::int32_t n) {
  SpriteSlot& s = slot(n);
  const std::int32_t p = s.pending;
  if (p == 0) return;
  if ((p & kPendingDelete) != 0) {
    deleteSlot(n);
    return;
  }
  if ((p & kPendingWriteThrough) != 0 && s.switching != 0) return;
  std::unique_ptr<SpriteRecord>& f = frontPtr(n);
  std::unique_ptr<SpriteRecord>& b = backPtr(n);
  if (!f || !b) {
    // After a failed load only one record may be left: it stays as it is.
    s.pending = 0;
    return;
  }
  if (p == kPendingChanged) {
    copyProperties(*f, *b);
  } else {
    // The image the front shows is replaced: its textures go first. A
    // standing picture replaces its front on every new image too.
    if ((p & kPendingReleaseFront) != 0 || s.kind == kKindStand) releaseImage(*f);
    copyProperties(*f, *b);
    s.frontIndex ^= 1;
  }
  s.pending = 0;
}

void SpriteTable::commitAll() {
  std::vector<std::int32_t> slots;
  for (const auto& [layer, members] : members_) {
    for (const auto& [n, key] : members) {
      if (slot(n).pending != 0) slots.push_back(n);
    }
  }
  for (const std::int32_t n : slots) commitSlot(n);
  for (auto it = members_.begin(); it != members_.end();) {
    if (it->second.empty()) {
      order_.erase(it->first);
      it = members_.erase(it);
    } else {
      ++it;
    }
  }
  if (offsetsCommit_) offsetsCommit_();
}

}  // namespace tsuzuri::scene
