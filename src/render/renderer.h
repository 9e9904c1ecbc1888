#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

#include "assets/image_buffer.h"
#include "platform/platform.h"
#include "render/geometry.h"
#include "render/gpu_device.h"
#include "render/pacer.h"
#include "render/render_settings.h"
#include "render/scaling_filters.h"
#include "util/reporter.h"

namespace tsuzuri::render {

// Where the frame goes, settled by the window logic on every screen change.
struct Presentation {
  Size renderSize;      // the composed picture: the game screen at the resolution factor
  Size backBufferSize;  // the render size, or the client size when a scaling pass runs
  // Whether the frame is composed straight into the back buffer (the back
  // buffer has the render size; present scales).
  bool direct = true;
  // Where the scaling pass puts the picture in the back buffer.
  Rect passDestination;
  // Present: this part of the back buffer into this part of the window.
  Rect source;
  Rect destination;
  Filter filter = Filter::kLinear;
};

// The back-buffer size, pass and rectangles for a window showing the render
// size in `destination` of a client area of `client` pixels. The back
// buffer keeps the render size (and present scales) when `direct` is asked
// (Interpolation 0, the first full-screen mode); otherwise a scaling pass
// fills the client-sized back buffer, texel for texel (point sampling)
// when the destination has exactly the render size.
Presentation choosePresentation(Size renderSize, Size client, const Rect& destination, bool direct,
                                std::int32_t interpolation);

// A copy of `texture` (whole) covering `destination` of a target of
// `target` pixels, pixel for pixel when the sizes match.
DrawCall screenQuad(TextureId texture, const Rect& destination, Size target, Filter filter);
// The same for `source` (pixels) of a texture of `textureSize` pixels.
DrawCall rectQuad(TextureId texture, Size textureSize, const Rect& source, const Rect& destination,
                  Size target, Filter filter);

// The filter program the scaling pass draws a picture of `picture` pixels
// into `destination` with: that of `interpolation` (3 to 7), unless the
// picture keeps its size or the device's pixel-shader level is below the
// filter's; none means the plain quad with the sampler's filter.
std::optional<ScalingFilter> passFilter(std::int32_t interpolation, Size picture,
                                        const Rect& destination, std::int32_t shaderLevel);

// The scaling pass's draw of `picture` (of `pictureSize`): the screen quad
// with `filter`, or with the program of `scaling` and its constants.
DrawCall scalingQuad(TextureId picture, Size pictureSize, const Rect& destination, Size target,
                     Filter filter, std::optional<ScalingFilter> scaling);

// The frame kinds: 0 composes the scene; the others are the transitions'.
inline constexpr int kFrameKindCount = 4;
using FrameHandler = std::function<void(TextureId target, std::int32_t elapsed,
                                        std::int32_t duration, std::int32_t parameter)>;

// The device, its full-screen targets and the frame: begin, scene update,
// composition into the target, scaling pass, end, pacing, present. It
// knows nothing of sprites: the scene installs the hooks.
class Renderer {
 public:
  Renderer(RenderSettings& settings, platform::Clock& clock, util::Reporter& errors)
      : settings_(settings), clock_(clock), errors_(errors) {}
  ~Renderer();

  Renderer(const Renderer&) = delete;
  Renderer& operator=(const Renderer&) = delete;

  // Takes the device and makes the composition targets for `presentation`.
  // False (reported) when they cannot be made.
  bool attach(std::unique_ptr<GpuDevice> device, const Presentation& presentation);
  // Releases the targets and the device.
  void detach();
  bool ready() const { return device_ != nullptr; }
  GpuDevice* device() { return device_.get(); }

  // A window-size, full-screen or filter change. False (reported as
  // "Screen Change ") when the device could not follow.
  bool changeScreen(const Presentation& presentation);
  const Presentation& presentation() const { return presentation_; }

  // Pacing: bit 0 of VSyncWait waits for the display's vertical blank, bit 1
  // paces by the clock at LimitFPS (or the display's `refreshRate`). Where
  // nothing is displayed the vertical blank is kept by the clock too, so
  // runs on the virtual clock step through time frame by frame.
  void configurePacing(std::int32_t refreshRate, bool displayHasVerticalSync);

  // The hooks of a frame. The update runs first (motions, quakes); kind 0
  // composes the scene into the target it is given.
  void setSceneUpdate(std::function<void()> update) { sceneUpdate_ = std::move(update); }
  void setFrameHandler(int kind, FrameHandler handler);
  // Called before the device goes (detach), so that whoever holds textures
  // of it lets them go.
  void setReleaseHook(std::function<void()> hook) { releaseHook_ = std::move(hook); }
  // Called after each present; the composed picture can be read then.
  void setFrameObserver(std::function<void()> observer) { observer_ = std::move(observer); }

  // One frame. False when it was abandoned (reported) or there is no device.
  bool frame(int kind, std::int32_t elapsed, std::int32_t duration, std::int32_t parameter);

  // The texture the scene is composed into (the back buffer itself when
  // the frame is direct), the second full-screen target and the mask.
  TextureId compositionTarget() const { return presentation_.direct ? kBackBuffer : backTexture_; }
  TextureId renderTexture() const { return renderTexture_; }
  TextureId maskTexture() const { return maskTexture_; }

  // A picture drawn over the whole back buffer under the game screen, where
  // a presentation leaves a border (kNoTexture: the border stays black).
  // Only frames with a scaling pass have a border to paint.
  void setBackdrop(TextureId texture) { backdrop_ = texture; }
  TextureId backdrop() const { return backdrop_; }

  // Shows the last frame again (the window was uncovered or resized).
  void represent();

  // A copy of the picture composed last, at the render size.
  assets::ImagePtr readComposed();
  std::uint64_t framesPresented() const { return framesPresented_; }

  // Set when the device failed beyond recovery; the run should end.
  bool stopRequested() const { return stopRequested_; }

 private:
  bool makeTargets();
  void releaseTargets();
  bool scalingPass();
  void pace();

  RenderSettings& settings_;
  platform::Clock& clock_;
  util::Reporter& errors_;
  std::unique_ptr<GpuDevice> device_;
  Presentation presentation_;
  TextureId backTexture_ = kNoTexture;
  TextureId renderTexture_ = kNoTexture;
  TextureId maskTexture_ = kNoTexture;
  TextureId backdrop_ = kNoTexture;
  std::function<void()> sceneUpdate_;
  std::array<FrameHandler, kFrameKindCount> handlers_;
  std::function<void()> observer_;
  std::function<void()> releaseHook_;
  Pacer pacer_;
  bool clockPacing_ = false;
  std::uint64_t framesPresented_ = 0;
  bool stopRequested_ = false;
};

}  // namespace tsuzuri::render
