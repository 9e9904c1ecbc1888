#include "scene/transitions.h"

#include <algorithm>
#include <string>

#include "assets/image_ops_geometry.h"
#include "scene/easing.h"
#include "scene/stage_fade.h"
#include "util/sjis.h"

namespace tsuzuri::scene {

namespace {

// A point-sampled copy of `source` of a texture onto `destination`.
render::DrawCall texturedQuad(render::TextureId texture, render::Size size,
                              const render::Rect& source, const render::Rect& destination,
                              render::Size target) {
  return render::rectQuad(texture, size, source, destination, target, render::Filter::kPoint);
}

Picture pictureOf(EffectPicture picture) {
  return picture == EffectPicture::kNew ? Picture::kNew : Picture::kOld;
}

void setQuadAlpha(render::DrawCall& call, std::int32_t alpha) {
  const std::uint32_t diffuse =
      (static_cast<std::uint32_t>(std::clamp(alpha, 0, 255)) << 24) | 0xFFFFFFU;
  for (render::Vertex& v : call.vertices) v.diffuse = diffuse;
  call.blend = render::BlendMode::kAlpha;
}

}  // namespace

Transitions::Transitions(Composer& composer, render::Renderer& renderer,
                         const render::RenderSettings& settings, const ScreenState& screen,
                         assets::ImageLoader& loader, assets::ImageConsole& console,
                         script::ErrorSink& errors)
    : composer_(composer),
      renderer_(renderer),
      settings_(settings),
      screen_(screen),
      loader_(loader),
      console_(console),
      errors_(errors) {}

Transitions::~Transitions() {
  release();
}

void Transitions::release() {
  if (blurTexture_ != render::kNoTexture && renderer_.device() != nullptr) {
    renderer_.device()->destroyTexture(blurTexture_);
  }
  blurTexture_ = render::kNoTexture;
}

void Transitions::install() {
  renderer_.setFrameHandler(
      kFramePlain, [this](render::TextureId target, std::int32_t, std::int32_t, std::int32_t) {
        if (screen_.motionBlur()) {
          blurFrame(target);
        } else {
          // The next blurred frame starts from the picture then on screen.
          blurSize_ = {};
          composer_.compose(target, Picture::kOld);
        }
      });
  renderer_.setFrameHandler(
      kFrameFade, [this](render::TextureId target, std::int32_t elapsed, std::int32_t duration,
                         std::int32_t easing) { fadeFrame(target, elapsed, duration, easing); });
  renderer_.setFrameHandler(
      kFrameNamed, [this](render::TextureId target, std::int32_t elapsed, std::int32_t duration,
                          std::int32_t easing) { namedFrame(target, elapsed, duration, easing); });
  renderer_.setFrameHandler(
      kFrameStage, [this](render::TextureId target, std::int32_t elapsed, std::int32_t duration,
                          std::int32_t easing) { stageFrame(target, elapsed, duration, easing); });
}

bool Transitions::hasNamedEffect(std::string_view name) const {
  return renderer_.ready() && findNamedEffect(name).has_value();
}

bool Transitions::setup(std::int32_t kind, std::string_view name) {
  if (kind == kFrameNamed) {
    effect_ = renderer_.ready() ? findNamedEffect(name) : std::nullopt;
    if (!effect_) {
      errors_.reportWithContext(std::string(name) + util::toSjis(u8" 存在しないエフェクトです"));
      return false;
    }
    return true;
  }
  if (kind != kFrameStage) return true;
  render::GpuDevice* device = renderer_.device();
  if (device == nullptr) return false;
  const render::Size size = renderer_.presentation().renderSize;
  assets::LoadedImage loaded = loader_.load(name, true, false, 1.0);
  if (!loaded.image) {
    errors_.reportWithContext(std::string(name) + util::toSjis(u8" 画像が読み込まれていません"));
    return false;
  }
  assets::ImageBuffer* rule = loaded.image.release();
  if ((rule->width != size.width || rule->height != size.height) &&
      !assets::resizeImage2(console_, &rule, size.width, size.height, 1, 1, 1)) {
    assets::freeImage(&rule);
    return false;
  }
  const assets::ImagePtr owned(rule);
  const auto* words = reinterpret_cast<const std::uint32_t*>(owned->pixels);
  rule_.assign(words, words + static_cast<std::size_t>(owned->pixelCount));
  if (!device->writeTexture(renderer_.maskTexture(), 0, rule_.data(), owned->width, owned->height,
                            owned->width)) {
    errors_.reportPlain("StageStart LockRect ");
    return false;
  }
  return true;
}

void Transitions::finish(std::int32_t kind) {
  if (kind == kFrameNamed) effect_.reset();
  if (kind == kFrameStage) rule_.clear();
}

bool Transitions::retarget(render::TextureId target, const char* error) {
  if (renderer_.device()->setTarget(target)) return true;
  errors_.reportPlain(error);
  return false;
}

bool Transitions::composeInto(render::TextureId texture, Picture picture, const char* error) {
  if (!retarget(texture, error)) return false;
  render::GpuDevice* device = renderer_.device();
  device->clear(0xFF000000);
  composer_.compose(texture, picture);
  if (texture == renderer_.renderTexture()) {
    // Translucent sprites leave the picture's alpha below 1 where they lie;
    // the mixes that follow must see the picture whole. Adding opaque black
    // keeps every colour and saturates the alpha.
    const render::Size size = renderer_.presentation().renderSize;
    render::DrawCall call =
        texturedQuad(render::kNoTexture, size, {}, {0, 0, size.width, size.height}, size);
    for (render::Vertex& v : call.vertices) v.diffuse = 0xFF000000;
    call.blend = render::BlendMode::kAdd;
    device->draw(call);
  }
  return true;
}

void Transitions::drawPicture(std::int32_t x, std::int32_t y, std::int32_t alpha) {
  const render::Size size = renderer_.presentation().renderSize;
  render::DrawCall call =
      texturedQuad(renderer_.renderTexture(), size, {0, 0, size.width, size.height},
                   {x, y, x + size.width, y + size.height}, size);
  setQuadAlpha(call, alpha);
  renderer_.device()->draw(call);
}

void Transitions::fadeFrame(render::TextureId target, std::int32_t elapsed, std::int32_t duration,
                            std::int32_t easing) {
  if (!composeInto(renderer_.renderTexture(), Picture::kNew, "SetRenderTarget Fade 1 ")) return;
  if (!composeInto(target, Picture::kOld, "SetRenderTarget Fade 2 ")) return;
  drawPicture(0, 0, easeInteger(0, 255, elapsed, duration, easing));
}

void Transitions::namedFrame(render::TextureId target, std::int32_t elapsed, std::int32_t duration,
                             std::int32_t easing) {
  if (!effect_) return;
  const render::Size size = renderer_.presentation().renderSize;
  namedEffectFrame(*effect_, size.width, size.height, elapsed, duration, easing, steps_);
  const bool fades = namedEffectName(*effect_).starts_with("Fade");
  const char* renderError = fades ? "SetRenderTarget Rotate 1 " : "SetRenderTarget Stretch 1 ";
  const char* backError = fades ? "SetRenderTarget Rotate 2 " : "SetRenderTarget Stretch 2 ";
  render::TextureId current = target;
  for (const EffectStep& step : steps_) {
    switch (step.kind) {
      case EffectStep::Kind::kComposeRender:
        if (!composeInto(renderer_.renderTexture(), pictureOf(step.picture), renderError)) {
          return;
        }
        current = renderer_.renderTexture();
        break;
      case EffectStep::Kind::kComposeBack:
        if (!composeInto(target, pictureOf(step.picture), backError)) return;
        current = target;
        break;
      case EffectStep::Kind::kCopy:
      case EffectStep::Kind::kQuad:
        if (current != target) {
          if (!retarget(target, backError)) return;
          current = target;
        }
        if (step.kind == EffectStep::Kind::kQuad) {
          drawPicture(step.x, step.y, step.alpha);
        } else {
          renderer_.device()->draw(
              texturedQuad(renderer_.renderTexture(), size, step.source, step.destination, size));
        }
        break;
    }
  }
}

void Transitions::stageFrame(render::TextureId target, std::int32_t elapsed, std::int32_t duration,
                             std::int32_t easing) {
  render::GpuDevice* device = renderer_.device();
  const bool shader = device->caps().pixelShaderLevel >= 2;
  if (!composeInto(renderer_.renderTexture(), Picture::kNew,
                   shader ? "SetRenderTarget Shader 1 " : "SetRenderTarget Stage 1 ")) {
    return;
  }
  if (!composeInto(target, Picture::kOld,
                   shader ? "SetRenderTarget Shader 2 " : "SetRenderTarget Stage 2 ")) {
    return;
  }
  const render::Size size = renderer_.presentation().renderSize;
  render::DrawCall call =
      texturedQuad(renderer_.renderTexture(), size, {0, 0, size.width, size.height},
                   {0, 0, size.width, size.height}, size);
  call.blend = render::BlendMode::kAlpha;
  call.texture1 = renderer_.maskTexture();
  if (vague_ == 0) {
    // No edge: the new picture shows whole from the first frame.
    call.texture1 = render::kNoTexture;
  } else if (shader) {
    call.program = render::Program::kMaskFade;
    const float progress = ease(vague_ + 255, elapsed, duration, easing);
    call.constants[0] = {255.0F / static_cast<float>(vague_), 0, 0, 0};
    call.constants[1] = {progress / 255.0F, 0, 0, 0};
  } else {
    // The processor works out each pixel's alpha; the device only applies
    // it as a mask.
    stageMask_.resize(rule_.size());
    writeStageMask(rule_, stageMask_, vague_, elapsed, duration, easing, settings_.colorMode == 1);
    if (!device->writeTexture(renderer_.maskTexture(), 0, stageMask_.data(), size.width,
                              size.height, size.width)) {
      errors_.reportPlain("StageTransition LockRect ");
      return;
    }
    call.program = render::Program::kAlphaMask;
    call.constants[0] = {1, 0, 0, 0};
    call.constants[1] = {1, 0, 0, 0};
    call.constants[2] = {0, 0, 0, 0};
  }
  device->draw(call);
}

void Transitions::blurFrame(render::TextureId target) {
  render::GpuDevice* device = renderer_.device();
  const render::Size size = renderer_.presentation().renderSize;
  if (blurTexture_ == render::kNoTexture || device->textureSize(blurTexture_) != size) {
    release();
    blurTexture_ =
        device->createTexture(size.width, size.height, render::TextureUse::kRenderTarget, false);
    blurSize_ = {};
  }
  const bool fresh = blurSize_ != size;
  // The picture of this frame, drawn over what the render texture kept.
  if (!retarget(renderer_.renderTexture(), "SetRenderTarget MotionBlur 1 ")) return;
  composer_.compose(renderer_.renderTexture(), Picture::kOld);
  // The shown picture keeps (255 − strength) of the last one.
  if (blurTexture_ != render::kNoTexture && device->setTarget(blurTexture_)) {
    render::DrawCall call =
        texturedQuad(renderer_.renderTexture(), size, {0, 0, size.width, size.height},
                     {0, 0, size.width, size.height}, size);
    if (!fresh) setQuadAlpha(call, screen_.motionBlurStrength());
    device->draw(call);
    blurSize_ = size;
  }
  if (!retarget(target, "SetRenderTarget MotionBlur 2 ")) return;
  const render::TextureId shown =
      blurTexture_ != render::kNoTexture ? blurTexture_ : renderer_.renderTexture();
  device->draw(texturedQuad(shown, size, {0, 0, size.width, size.height},
                            {0, 0, size.width, size.height}, size));
}

}  // namespace tsuzuri::scene
