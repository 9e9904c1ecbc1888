#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>

#include "platform/window.h"
#include "render/gpu_device.h"

namespace tsuzuri::render::gl {

class ProgramCache;

// The graphics device on the window's OpenGL 3.3 core context. The back
// buffer is a texture of our own, so that it can be any size and read
// back; present copies a part of it into the window. Textures and targets
// keep row 0 at the start of their memory and treat it as the top row.
//
// A draw without a texture (texture0 = kNoTexture) samples opaque white,
// so it shows the diffuse colour; a draw with an unknown texture, an
// unknown blend mode or an unknown program draws nothing, and so does a
// masking, cross-fade or mask-fade draw without its texture 1.
class GlDevice final : public GpuDevice {
 public:
  ~GlDevice() override;
  GlDevice(const GlDevice&) = delete;
  GlDevice& operator=(const GlDevice&) = delete;

  const DeviceCaps& caps() const override { return caps_; }
  const DeviceDescription& description() const override { return description_; }

  bool resizeBackBuffer(std::int32_t width, std::int32_t height) override;
  std::int32_t backBufferWidth() const override { return backBuffer_.size.width; }
  std::int32_t backBufferHeight() const override { return backBuffer_.size.height; }
  void setVSync(bool on) override;

  TextureId createTexture(std::int32_t width, std::int32_t height, TextureUse use,
                          bool mipmaps) override;
  void destroyTexture(TextureId texture) override;
  bool writeTexture(TextureId texture, std::int32_t level, const std::uint32_t* pixels,
                    std::int32_t columns, std::int32_t rows, std::int32_t stride) override;
  Size textureSize(TextureId texture) const override;

  bool beginScene() override { return !broken_; }
  void endScene() override {}
  bool setTarget(TextureId target) override;
  void clear(std::uint32_t argb) override;
  void draw(const DrawCall& call) override;

  // An empty source, or one that is not inside the back buffer, shows a
  // black window.
  PresentResult present(const Rect& source, const Rect& destination) override;
  assets::ImagePtr readBack(TextureId target) override;

 private:
  friend std::unique_ptr<GpuDevice> createGlDevice(platform::Window& window, std::string& error);

  // GL object names (GLuint, which the header does not include).
  using Name = std::uint32_t;

  struct Texture {
    Name name = 0;
    Name framebuffer = 0;  // render targets and the back buffer only
    Size size;
    std::int32_t levels = 1;
    TextureUse use = TextureUse::kImage;
  };

  explicit GlDevice(platform::Window& window);
  bool init(std::string& error);
  // 3 when every scaling program builds, 2 when all but Lanczos2 do, else 0.
  std::int32_t shaderLevel();

  const Texture* find(TextureId texture) const;
  const Texture* currentTarget() const;
  void bindCurrentTarget();
  bool allocateLevels(const Texture& texture);
  void clearLevel(const Texture& texture, std::int32_t level, std::uint32_t argb);
  // Reads every pending GL error; true when one of them means the device
  // cannot go on (out of memory), which also marks it broken.
  bool failed();
  void release(Texture& texture);

  platform::Window& window_;
  DeviceCaps caps_;
  DeviceDescription description_;
  std::unique_ptr<ProgramCache> programs_;

  Texture backBuffer_;
  std::unordered_map<TextureId, Texture> textures_;
  TextureId nextId_ = 1;
  TextureId target_ = kBackBuffer;

  Name vertexArray_ = 0;
  Name vertexBuffer_ = 0;
  // Attached to whatever level must be cleared outside of drawing.
  Name scratchFramebuffer_ = 0;
  Name whiteTexture_ = 0;
  std::array<Name, 2> samplers_{};  // by Filter
  bool broken_ = false;
};

// The device on `window`, whose context must be current on this thread and
// stay so until the device is gone. Null, with `error` saying why, when the
// context is not OpenGL 3.3 or better or the device's objects cannot be
// made.
std::unique_ptr<GpuDevice> createGlDevice(platform::Window& window, std::string& error);

}  // namespace tsuzuri::render::gl
