#include "render/null_device.h"

#include <algorithm>
#include <cstring>

namespace tsuzuri::render {

NullDevice::NullDevice() {
  caps_.maxTextureSize = 8192;
  caps_.mipmaps = true;
  caps_.spritePrograms = true;
  description_.vendor = "tsuzuri";
  description_.renderer = "null device";
  description_.version = "0";
  description_.maxTextureSize = caps_.maxTextureSize;
}

bool NullDevice::resizeBackBuffer(std::int32_t width, std::int32_t height) {
  calls_.push_back({Op::kResize, kNoTexture, 0, {0, 0, width, height}, {}});
  if (width <= 0 || height <= 0) return false;
  back_ = {width, height};
  return true;
}

TextureId NullDevice::createTexture(std::int32_t width, std::int32_t height, TextureUse /*use*/,
                                    bool /*mipmaps*/) {
  if (width <= 0 || height <= 0 || width > caps_.maxTextureSize || height > caps_.maxTextureSize) {
    return kNoTexture;
  }
  const TextureId id = next_++;
  textures_[id] = Texture{{width, height}, 0};
  calls_.push_back({Op::kCreate, id, 0, {0, 0, width, height}, {}});
  return id;
}

void NullDevice::destroyTexture(TextureId texture) {
  textures_.erase(texture);
  calls_.push_back({Op::kDestroy, texture, 0, {}, {}});
}

bool NullDevice::writeTexture(TextureId texture, std::int32_t level, const std::uint32_t* pixels,
                              std::int32_t columns, std::int32_t rows, std::int32_t stride) {
  calls_.push_back(
      {Op::kWrite, texture, static_cast<std::uint32_t>(level), {0, 0, columns, rows}, {}});
  const auto it = textures_.find(texture);
  if (it == textures_.end() || level < 0 || level > 15 || pixels == nullptr || stride < columns) {
    return false;
  }
  const std::int32_t width = std::max(1, it->second.size.width >> level);
  const std::int32_t height = std::max(1, it->second.size.height >> level);
  return columns >= 0 && rows >= 0 && columns <= width && rows <= height;
}

Size NullDevice::textureSize(TextureId texture) const {
  const auto it = textures_.find(texture);
  return it == textures_.end() ? Size{} : it->second.size;
}

bool NullDevice::beginScene() {
  calls_.push_back({Op::kBegin, kNoTexture, 0, {}, {}});
  return true;
}

void NullDevice::endScene() {
  calls_.push_back({Op::kEnd, kNoTexture, 0, {}, {}});
}

bool NullDevice::setTarget(TextureId target) {
  calls_.push_back({Op::kTarget, target, 0, {}, {}});
  if (target != kBackBuffer && textures_.find(target) == textures_.end()) return false;
  target_ = target;
  return true;
}

void NullDevice::clear(std::uint32_t argb) {
  calls_.push_back({Op::kClear, target_, argb, {}, {}});
  if (target_ == kBackBuffer) {
    backColour_ = argb;
  } else if (const auto it = textures_.find(target_); it != textures_.end()) {
    it->second.colour = argb;
  }
}

void NullDevice::draw(const DrawCall& call) {
  calls_.push_back({Op::kDraw, call.texture0, static_cast<std::uint32_t>(call.blend), {}, {}});
  draws_.push_back(call);
}

PresentResult NullDevice::present(const Rect& source, const Rect& destination) {
  calls_.push_back({Op::kPresent, kNoTexture, 0, source, destination});
  return presentResult_;
}

assets::ImagePtr NullDevice::readBack(TextureId target) {
  calls_.push_back({Op::kReadBack, target, 0, {}, {}});
  Size size = back_;
  std::uint32_t colour = backColour_;
  if (target != kBackBuffer) {
    const auto it = textures_.find(target);
    if (it == textures_.end()) return nullptr;
    size = it->second.size;
    colour = it->second.colour;
  }
  assets::ImagePtr image = assets::makeImage(size.width, size.height, 32);
  if (!image) return nullptr;
  for (std::int32_t i = 0; i < image->pixelCount; ++i) {
    std::memcpy(image->pixels + static_cast<std::size_t>(i) * 4, &colour, 4);
  }
  return image;
}

std::size_t NullDevice::count(Op op) const {
  return static_cast<std::size_t>(
      std::count_if(calls_.begin(), calls_.end(), [op](const Call& c) { return c.op == op; }));
}

}  // namespace tsuzuri::render
