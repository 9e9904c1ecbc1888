#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "assets/image_buffer.h"
#include "render/geometry.h"

namespace tsuzuri::render {

// A texture or render target of the device; 0 is none (and, as a target,
// the back buffer).
using TextureId = std::uint32_t;
inline constexpr TextureId kNoTexture = 0;
inline constexpr TextureId kBackBuffer = 0;

// The nine blend modes of the composition (sp_b). Mode 0, the opaque copy,
// is also the state of the scaling pass.
enum class BlendMode : std::uint8_t {
  kCopy = 0,       // D = Cs
  kAlpha = 1,      // D = Cs as + D (1 - as)
  kAdd = 2,        // D = D + Cs as
  kSubtract = 3,   // D = D - Cs as
  kMultiply = 4,   // D = D (Cs as + 1 - as)
  kScreen = 5,     // D = D + Cs as (1 - D)
  kLighten = 6,    // D = max(D, Cs as)
  kDarken = 7,     // D = min(D, Cs as + 1 - as)
  kExclusion = 8,  // D = Cs as (1 - D) + D (1 - Cs as)
};
inline constexpr int kBlendModeCount = 9;

// The colour operation of a sprite; the values are those the scripts and
// the save data use.
enum class ColourOp : std::uint8_t { kNone = 0, kModulate = 4, kAdd = 7 };

enum class Filter : std::uint8_t { kPoint, kLinear };

// What a draw computes per pixel before blending. `c0`..`c2` below are the
// program's constants.
enum class Program : std::uint8_t {
  kPlain,  // texture 0 (alpha x diffuse alpha; the diffuse colour without a texture), then the
           // colour operation
  // Texture 0 = image, texture 1 = mask (second coordinate pair). Output =
  // image x diffuse, its alpha x min(c1.x - mask.red x c0.x, 1); the colour
  // operation multiplies the colour by c2.rgb or adds c2.rgb.
  kAlphaMask,
  // Cross-fade: A = texture 0 x diffuse (old picture), B = texture 1 x
  // diffuse (new picture, second coordinate pair), t = c0.x. With a' = (1 -
  // t) A.a, b' = t B.a and alpha = a' (1 - b') + b': A where A = B; (A.rgb,
  // a') where B.a = 0; (B.rgb, b') where A.a = 0; (A.rgb + (B.rgb - A.rgb)
  // b', 1) where both are above 0.996; else (A.rgb + (B.rgb - A.rgb) b' /
  // alpha, alpha). The colour operation then multiplies by or adds c1.rgb.
  kStand,
  // The stage transition's fade through a mask: texture 0 = new picture,
  // texture 1 = mask (second coordinate pair). Output = the picture's
  // colour with alpha (c1.x - mask.red) x c0.x, kept within [0, 1]; c0.x =
  // 255 / vague, c1.x = progress / 255. Drawn with alpha blending.
  kMaskFade,
  // The scaling filters of Interpolation 3 to 7. Texture 0 = the composed
  // picture of c0.xy = (width, height) texels, read texel by texel (the
  // draw's filter does not matter); the quad maps the whole picture onto
  // the destination. BiLinearSharp takes its steepness s in c1.x. The
  // arithmetic is that of scaling_filters.h.
  kBiLinearSharp,
  kLanczos1,
  kBiQuad,
  kBiCubic,
  kLanczos2,
};

// One corner of a quad: 32 bytes, the layout the sprite tiles keep.
// Diffuse is 0xAARRGGBB.
struct Vertex {
  float x = 0, y = 0, z = 0;
  std::uint32_t diffuse = 0xFFFFFFFF;
  float u0 = 0, v0 = 0;
  float u1 = 0, v1 = 0;
};
static_assert(sizeof(Vertex) == 32);

// One textured quad: four vertices in triangle-strip order, transformed by
// `transform` (world × view × projection, row vectors: v' = v × M) into
// Direct3D clip space, where pixel centres lie on integer coordinates. The
// device lines that up with its own pixel grid.
struct DrawCall {
  std::array<Vertex, 4> vertices{};
  Matrix4 transform = Matrix4::identity();
  TextureId texture0 = kNoTexture;
  TextureId texture1 = kNoTexture;
  Program program = Program::kPlain;
  BlendMode blend = BlendMode::kCopy;
  ColourOp colourOp = ColourOp::kNone;
  std::uint32_t colourFactor = 0xFFFFFFFF;  // 0xAARRGGBB, for the colour operation
  Filter filter = Filter::kLinear;
  // The constants c0, c1, c2 of the masking, cross-fade and scaling programs.
  std::array<std::array<float, 4>, 3> constants{};
};

// What the device can do, settled at creation.
struct DeviceCaps {
  std::int32_t maxTextureSize = 0;
  bool pow2Required = false;
  bool squareRequired = false;
  bool mipmaps = false;
  // 3 when every scaling filter is available (2: all but Lanczos2).
  std::int32_t pixelShaderLevel = 0;
  // Whether the masking and cross-fade programs can be drawn with.
  bool spritePrograms = false;
  // Whether the present can be paced against the display's scan-out.
  bool readScanline = false;
};

// What the device reports about itself for the information report.
struct DeviceDescription {
  std::string vendor;
  std::string renderer;
  std::string version;
  std::string shadingLanguage;
  std::int32_t maxTextureSize = 0;
  std::int32_t maxRenderbufferSize = 0;
  std::int32_t maxViewportWidth = 0;
  std::int32_t maxViewportHeight = 0;
  std::int32_t maxTextureUnits = 0;
};

enum class TextureUse : std::uint8_t {
  kImage,         // uploaded pixels, sampled
  kRenderTarget,  // drawn into, then sampled
};

enum class PresentResult : std::uint8_t {
  kShown,
  kLost,    // nothing was shown; the device recovers on a later frame
  kFailed,  // the device cannot go on (reported by the caller)
};

// The graphics device the renderer draws with. Textures and targets hold
// BGRA8 pixels, rows top-down. Every call happens on the main thread.
class GpuDevice {
 public:
  virtual ~GpuDevice() = default;

  virtual const DeviceCaps& caps() const = 0;
  virtual const DeviceDescription& description() const = 0;

  // The back buffer: what present shows. Resizing it re-creates what
  // depends on its size; false when that failed.
  virtual bool resizeBackBuffer(std::int32_t width, std::int32_t height) = 0;
  virtual std::int32_t backBufferWidth() const = 0;
  virtual std::int32_t backBufferHeight() const = 0;
  // Presentation interval: true waits for the display's vertical blank.
  virtual void setVSync(bool on) = 0;

  // A texture of width × height texels (with half-size levels down to 1 × 1
  // when `mipmaps`); kNoTexture when it cannot be made.
  virtual TextureId createTexture(std::int32_t width, std::int32_t height, TextureUse use,
                                  bool mipmaps) = 0;
  virtual void destroyTexture(TextureId texture) = 0;
  // Copies `rows` rows of `columns` pixels (rows `stride` pixels apart) into
  // the top-left corner of level `level`, and clears the rest of the level
  // to zero. False when the texture or the region is not valid.
  virtual bool writeTexture(TextureId texture, std::int32_t level, const std::uint32_t* pixels,
                            std::int32_t columns, std::int32_t rows, std::int32_t stride) = 0;
  // The size of a texture's level 0; (0, 0) for an unknown id.
  virtual Size textureSize(TextureId texture) const = 0;

  // Frames: drawing happens between begin and end.
  virtual bool beginScene() = 0;
  virtual void endScene() = 0;
  // Where the draws go: a render-target texture, or kBackBuffer.
  virtual bool setTarget(TextureId target) = 0;
  virtual void clear(std::uint32_t argb) = 0;
  virtual void draw(const DrawCall& call) = 0;

  // Shows `source` of the back buffer in `destination` of the window (the
  // rest of the window black).
  virtual PresentResult present(const Rect& source, const Rect& destination) = 0;

  // A copy of a target's pixels (kBackBuffer for the back buffer); null
  // when it cannot be read.
  virtual assets::ImagePtr readBack(TextureId target) = 0;
};

}  // namespace tsuzuri::render
