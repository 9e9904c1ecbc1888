#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "render/gpu_device.h"

namespace tsuzuri::render {

// A device that draws nothing and remembers what it was asked: for tests
// and benchmarks of the logic above the device, and for runs where no
// graphics context can be had. Targets read back as their last clear
// colour.
class NullDevice final : public GpuDevice {
 public:
  enum class Op : std::uint8_t {
    kResize,
    kCreate,
    kDestroy,
    kWrite,
    kBegin,
    kEnd,
    kTarget,
    kClear,
    kDraw,
    kPresent,
    kReadBack,
  };
  struct Call {
    Op op;
    TextureId texture = kNoTexture;
    std::uint32_t value = 0;  // the clear colour
    Rect source;
    Rect destination;
  };

  NullDevice();

  const DeviceCaps& caps() const override { return caps_; }
  const DeviceDescription& description() const override { return description_; }
  bool resizeBackBuffer(std::int32_t width, std::int32_t height) override;
  std::int32_t backBufferWidth() const override { return back_.width; }
  std::int32_t backBufferHeight() const override { return back_.height; }
  void setVSync(bool on) override { vsync_ = on; }
  TextureId createTexture(std::int32_t width, std::int32_t height, TextureUse use,
                          bool mipmaps) override;
  void destroyTexture(TextureId texture) override;
  bool writeTexture(TextureId texture, std::int32_t level, const std::uint32_t* pixels,
                    std::int32_t columns, std::int32_t rows, std::int32_t stride) override;
  Size textureSize(TextureId texture) const override;
  bool beginScene() override;
  void endScene() override;
  bool setTarget(TextureId target) override;
  void clear(std::uint32_t argb) override;
  void draw(const DrawCall& call) override;
  PresentResult present(const Rect& source, const Rect& destination) override;
  assets::ImagePtr readBack(TextureId target) override;

  const std::vector<Call>& calls() const { return calls_; }
  // Every draw since the last forget, whole.
  const std::vector<DrawCall>& draws() const { return draws_; }
  void forget() {
    calls_.clear();
    draws_.clear();
  }
  // What the device claims to be able to do (texture rules, shader level).
  void setCaps(const DeviceCaps& caps) { caps_ = caps; }
  std::size_t count(Op op) const;
  std::size_t liveTextures() const { return textures_.size(); }
  bool vsync() const { return vsync_; }
  // What the next presents answer.
  void setPresentResult(PresentResult result) { presentResult_ = result; }

 private:
  struct Texture {
    Size size;
    std::uint32_t colour = 0;
  };

  DeviceCaps caps_;
  DeviceDescription description_;
  Size back_;
  std::uint32_t backColour_ = 0;
  std::map<TextureId, Texture> textures_;
  TextureId next_ = 1;
  TextureId target_ = kBackBuffer;
  bool vsync_ = false;
  PresentResult presentResult_ = PresentResult::kShown;
  std::vector<Call> calls_;
  std::vector<DrawCall> draws_;
};

}  // namespace tsuzuri::render
