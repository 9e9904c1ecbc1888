#include "render/renderer.h"

#include <algorithm>

namespace tsuzuri::render {

Presentation choosePresentation(Size renderSize, Size client, const Rect& destination, bool direct,
                                std::int32_t interpolation) {
  Presentation p;
  p.renderSize = renderSize;
  p.filter = interpolation == 1 ? Filter::kPoint : Filter::kLinear;
  const bool exact =
      destination.width() == renderSize.width && destination.height() == renderSize.height;
  if (direct || interpolation == 0 || client.width <= 0 || client.height <= 0) {
    p.direct = true;
    p.backBufferSize = renderSize;
    p.source = {0, 0, renderSize.width, renderSize.height};
    p.destination = destination;
    p.passDestination = p.source;
    return p;
  }
  p.direct = false;
  p.backBufferSize = client;
  p.passDestination = destination;
  p.source = {0, 0, client.width, client.height};
  p.destination = p.source;
  // A picture shown at its own size is copied texel for texel, whatever
  // filter was chosen.
  if (exact) p.filter = Filter::kPoint;
  return p;
}

Renderer::~Renderer() {
  detach();
}

bool Renderer::attach(std::unique_ptr<GpuDevice> device, const Presentation& presentation) {
  detach();
  device_ = std::move(device);
  presentation_ = presentation;
  if (!device_->resizeBackBuffer(presentation.backBufferSize.width,
                                 presentation.backBufferSize.height)) {
    errors_.report("GetBackBuffer g_pBackBuffer ");
    device_.reset();
    return false;
  }
  if (!makeTargets()) {
    releaseTargets();
    device_.reset();
    return false;
  }
  if (device_->setTarget(kBackBuffer)) device_->clear(0xFF000000);
  return true;
}

void Renderer::detach() {
  if (!device_) return;
  if (releaseHook_) releaseHook_();
  releaseTargets();
  device_.reset();
}

bool Renderer::makeTargets() {
  const Size size = presentation_.renderSize;
  backTexture_ = device_->createTexture(size.width, size.height, TextureUse::kRenderTarget, false);
  if (backTexture_ == kNoTexture) {
    errors_.report("CreateTexture g_pBackTexture ");
    return false;
  }
  renderTexture_ =
      device_->createTexture(size.width, size.height, TextureUse::kRenderTarget, false);
  if (renderTexture_ == kNoTexture) {
    errors_.report("CreateTexture g_pRenderTexture ");
    return false;
  }
  maskTexture_ = device_->createTexture(size.width, size.height, TextureUse::kImage, false);
  if (maskTexture_ == kNoTexture) {
    errors_.report("CreateTexture g_pMaskTexture ");
    return false;
  }
  return true;
}

void Renderer::releaseTargets() {
  for (TextureId* texture : {&backTexture_, &renderTexture_, &maskTexture_}) {
    if (*texture != kNoTexture) device_->destroyTexture(*texture);
    *texture = kNoTexture;
  }
}

bool Renderer::changeScreen(const Presentation& presentation) {
  if (!device_) {
    presentation_ = presentation;
    return true;
  }
  const bool sameTargets = presentation.renderSize == presentation_.renderSize;
  const bool sameBackBuffer = presentation.backBufferSize == presentation_.backBufferSize;
  if (!sameBackBuffer && !device_->resizeBackBuffer(presentation.backBufferSize.width,
                                                    presentation.backBufferSize.height)) {
    // The device keeps its back buffer, and so the previous presentation.
    errors_.report("Screen Change ");
    return false;
  }
  presentation_ = presentation;
  if (!sameTargets) {
    releaseTargets();
    if (!makeTargets()) {
      // Without its targets no frame can be drawn: the device goes.
      detach();
      return false;
    }
  }
  return true;
}

void Renderer::configurePacing(std::int32_t refreshRate, bool displayHasVerticalSync) {
  const std::int32_t mode = settings_.vSyncWait;
  const bool hardware = (mode & 1) != 0;
  const bool software = (mode & 2) != 0;
  if (device_) device_->setVSync(hardware && displayHasVerticalSync);
  clockPacing_ = software || (hardware && !displayHasVerticalSync);
  const std::int32_t rate = software && settings_.limitFPS > 0
                                ? settings_.limitFPS
                                : (refreshRate > 0 ? refreshRate : 60);
  pacer_.setRate(clockPacing_ ? rate : 0);
  pacer_.reset(clock_.now());
}

void Renderer::setFrameHandler(int kind, FrameHandler handler) {
  if (kind >= 0 && kind < kFrameKindCount) {
    handlers_[static_cast<std::size_t>(kind)] = std::move(handler);
  }
}

bool Renderer::frame(int kind, std::int32_t elapsed, std::int32_t duration,
                     std::int32_t parameter) {
  if (!device_) return false;
  // A scene that cannot begin is skipped and counts as drawn.
  if (!device_->beginScene()) return true;
  if (sceneUpdate_) sceneUpdate_();

  const TextureId target = compositionTarget();
  if (!device_->setTarget(target)) {
    errors_.report(presentation_.direct ? "SetRenderTarget g_pBackBuffer "
                                        : "SetRenderTarget g_pBackSurface ");
    device_->endScene();
    return false;
  }
  // Every frame starts from black, so that what a frame shows never depends
  // on what the frames before it left behind.
  device_->clear(0xFF000000);
  const FrameHandler& handler =
      handlers_[static_cast<std::size_t>(kind >= 0 && kind < kFrameKindCount ? kind : 0)];
  if (handler) handler(target, elapsed, duration, parameter);

  if (!presentation_.direct && !scalingPass()) {
    device_->endScene();
    return false;
  }
  device_->endScene();
  pace();
  switch (device_->present(presentation_.source, presentation_.destination)) {
    case PresentResult::kShown:
      break;
    case PresentResult::kLost:
      // Nothing was shown; the next frames try again.
      return true;
    case PresentResult::kFailed:
      errors_.report("DeviceReset2 ");
      stopRequested_ = true;
      return false;
  }
  ++framesPresented_;
  if (observer_) observer_();
  return true;
}

bool Renderer::scalingPass() {
  if (!device_->setTarget(kBackBuffer)) {
    errors_.report("SetRenderTarget g_pBackBuffer ");
    return false;
  }
  device_->clear(0xFF000000);
  const Size back = presentation_.backBufferSize;
  if (backdrop_ != kNoTexture) {
    device_->draw(screenQuad(backdrop_, {0, 0, back.width, back.height}, back, Filter::kLinear));
  }
  const Size picture = presentation_.renderSize;
  const Rect& destination = presentation_.passDestination;
  device_->draw(scalingQuad(
      backTexture_, picture, destination, back, presentation_.filter,
      passFilter(settings_.interpolation, picture, destination, device_->caps().pixelShaderLevel)));
  return true;
}

std::optional<ScalingFilter> passFilter(std::int32_t interpolation, Size picture,
                                        const Rect& destination, std::int32_t shaderLevel) {
  const std::optional<ScalingFilter> filter = scalingFilterOf(interpolation);
  if (!filter || shaderLevel < shaderLevelNeeded(*filter)) return std::nullopt;
  // A picture shown at its own size is copied texel for texel.
  if (destination.width() == picture.width && destination.height() == picture.height) {
    return std::nullopt;
  }
  return filter;
}

DrawCall scalingQuad(TextureId picture, Size pictureSize, const Rect& destination, Size target,
                     Filter filter, std::optional<ScalingFilter> scaling) {
  if (!scaling) return screenQuad(picture, destination, target, filter);
  DrawCall call = screenQuad(picture, destination, target, Filter::kPoint);
  call.program = programOf(*scaling);
  call.constants[0] = {static_cast<float>(pictureSize.width),
                       static_cast<float>(pictureSize.height), 0, 0};
  if (scaling == ScalingFilter::kBiLinearSharp) {
    call.constants[1] = {sharpness(destination.width(), pictureSize.width), 0, 0, 0};
  }
  return call;
}

DrawCall screenQuad(TextureId texture, const Rect& destination, Size target, Filter filter) {
  return rectQuad(texture, {1, 1}, {0, 0, 1, 1}, destination, target, filter);
}

DrawCall rectQuad(TextureId texture, Size textureSize, const Rect& source, const Rect& d,
                  Size target, Filter filter) {
  DrawCall call;
  call.transform = Matrix4::pixelOrtho(target.width, target.height);
  call.texture0 = texture;
  call.blend = BlendMode::kCopy;
  call.filter = filter;
  const float w = static_cast<float>(std::max(textureSize.width, 1));
  const float h = static_cast<float>(std::max(textureSize.height, 1));
  const float u0 = static_cast<float>(source.left) / w;
  const float v0 = static_cast<float>(source.top) / h;
  const float u1 = static_cast<float>(source.right) / w;
  const float v1 = static_cast<float>(source.bottom) / h;
  // The corners lie half a pixel before the pixel centres, so that the
  // destination's pixels are covered exactly. Both coordinate pairs are
  // the same (a mask is read where the picture is).
  const float left = static_cast<float>(d.left) - 0.5F;
  const float top = static_cast<float>(d.top) - 0.5F;
  const float right = static_cast<float>(d.right) - 0.5F;
  const float bottom = static_cast<float>(d.bottom) - 0.5F;
  call.vertices[0] = Vertex{left, top, 0, 0xFFFFFFFF, u0, v0, u0, v0};
  call.vertices[1] = Vertex{right, top, 0, 0xFFFFFFFF, u1, v0, u1, v0};
  call.vertices[2] = Vertex{left, bottom, 0, 0xFFFFFFFF, u0, v1, u0, v1};
  call.vertices[3] = Vertex{right, bottom, 0, 0xFFFFFFFF, u1, v1, u1, v1};
  return call;
}

void Renderer::pace() {
  if (!clockPacing_) return;
  while (pacer_.mustWait(clock_.now())) clock_.sleep(1);
  pacer_.frameShown(clock_.now());
}

void Renderer::represent() {
  if (!device_ || framesPresented_ == 0) return;
  // The composed picture outlives a new back buffer; scaling it again shows
  // the last frame in the window as it is now.
  if (!presentation_.direct) {
    if (!device_->beginScene()) return;
    const bool scaled = scalingPass();
    device_->endScene();
    if (!scaled) return;
  }
  static_cast<void>(device_->present(presentation_.source, presentation_.destination));
}

assets::ImagePtr Renderer::readComposed() {
  if (!device_) return nullptr;
  return device_->readBack(compositionTarget());
}

}  // namespace tsuzuri::render
