#include "scene/composition.h"

#include <algorithm>
#include <string>

namespace tsuzuri::scene {
namespace {

std::array<float, 4> unitColour(std::int32_t colour) {
  const auto c = static_cast<std::uint32_t>(colour);
  return {static_cast<float>((c >> 16) & 0xFF) / 255.0F,
          static_cast<float>((c >> 8) & 0xFF) / 255.0F, static_cast<float>(c & 0xFF) / 255.0F,
          static_cast<float>((c >> 24) & 0xFF) / 255.0F};
}

render::BlendMode blendOf(std::int32_t mode) {
  if (mode < 0 || mode >= render::kBlendModeCount) return render::BlendMode::kAlpha;
  return static_cast<render::BlendMode>(mode);
}

}  // namespace

MaskConstants maskConstants(std::int32_t vague, std::int32_t progress, bool reverse) {
  // A softness of 0 would divide by zero: it is the hardest edge there is.
  const float v = static_cast<float>(std::max(vague, 1));
  const float o = static_cast<float>(v + 255.0F) * static_cast<float>(progress) / 130560.0F;
  if (reverse) return {255.0F / v, o * 255.0F / v};
  return {-255.0F / v, 1.0F - o * 255.0F / v};
}

void Composer::install() {
  renderer_.setFrameHandler(0, [this](render::TextureId target, std::int32_t, std::int32_t,
                                      std::int32_t) { compose(target, Picture::kOld); });
}

void Composer::compose(render::TextureId target, Picture picture) {
  render::GpuDevice* device = renderer_.device();
  spritesDrawn_ = 0;
  if (device == nullptr) return;
  metrics_ = table_.screen();
  const auto& layers = table_.layers();

  if (layers.size() > 1) {
    bool retarget = false;
    for (const auto& [layer, list] : layers) {
      if (layer < 1 || list.empty()) continue;
      if (!SpriteTable::validSlot(layer) || table_.front(layer) == nullptr) {
        if (missingLayers_.insert(layer).second) {
          errors_.reportPlain("RenderTextureA " + std::to_string(layer) + " Not Found");
        }
        continue;
      }
      missingLayers_.erase(layer);
      const SpriteRecord* owner = table_.front(layer);
      if (picture == Picture::kNew && (table_.slot(layer).pending & kPendingNewImage) != 0 &&
          table_.back(layer) != nullptr) {
        owner = table_.back(layer);
      }
      if (owner->targetSurface == render::kNoTexture) continue;
      if (!device->setTarget(owner->targetSurface)) continue;
      retarget = true;
      currentTarget_ = owner->targetSurface;
      device->clear(0x00000000);
      drawRange(list, picture, cameraFor(device->textureSize(owner->targetSurface)), true, true);
    }
    if (retarget) device->setTarget(target);
  }
  currentTarget_ = target;

  const auto screen = layers.find(0);
  const Camera& camera = cameraFor(renderer_.presentation().renderSize);
  if (screen != layers.end()) drawRange(screen->second, picture, camera, true, false);
  if ((windowVisibility_ & 2) != 0 && messageText_) {
    const std::array<float, 2> offset = messageTextOffset();
    messageText_(offset[0], offset[1]);
  }
  if (screen != layers.end()) drawRange(screen->second, picture, camera, false, true);
  if (overlay_) overlay_();
}

const Composer::Camera& Composer::cameraFor(render::Size size) {
  for (const SpriteCamera& camera : cameras_) {
    if (camera.target == size) return camera;
  }
  // Games use the screen and a few layer sizes; a runaway list is cut.
  if (cameras_.size() >= 16) cameras_.clear();
  cameras_.push_back(spriteCamera(size));
  return cameras_.back();
}

void Composer::drawRange(const SpriteTable::LayerOrder& list, Picture picture, const Camera& camera,
                         bool nonNegative, bool negative) {
  // Keys run from the largest down: the non-negative ones come first, and
  // the negative ones start at the first key of -1 or below.
  const auto split = list.lower_bound(-1);
  if (nonNegative) {
    for (auto it = list.begin(); it != split; ++it) drawSlot(it->second, picture, camera);
  }
  if (negative) {
    for (auto it = split; it != list.end(); ++it) drawSlot(it->second, picture, camera);
  }
}

void Composer::drawSlot(std::int32_t slot, Picture picture, const Camera& camera) {
  const SpriteSlot& s = table_.slot(slot);
  SpriteRecord* front = table_.front(slot);
  SpriteRecord* back = table_.back(slot);
  SpriteRecord* geometry = front;
  const SpriteRecord* textures = front;
  if (s.switching != 0) {
    if (picture == Picture::kNew && (s.pending & kPendingDelete) != 0) return;
  } else if (picture == Picture::kNew && s.pending != 0) {
    if ((s.pending & kPendingDelete) != 0) return;
    if (back != nullptr) {
      geometry = back;
      if (s.pending != kPendingChanged) textures = back;
    }
  }
  if (geometry == nullptr || textures == nullptr) return;
  if (geometry->alpha == 0) return;
  if ((geometry->flags & kFlagWindowLayer) != 0 && (windowVisibility_ & 1) == 0) return;
  if (!textures->hasTexture() || textures->tileTexture[0] == currentTarget_) return;
  const SpriteRecord* other = nullptr;
  if (s.switching != 0 && back != nullptr && back->hasTexture()) other = back;
  // The new picture places a pending slot's back record with the screen
  // values the commit will show. (A slot in the middle of an image switch
  // keeps its front record, and the values shown, so that the matrices
  // cached in that record stay those of one screen state.)
  drawRecord(slot, *geometry, *textures, other, camera,
             picture == Picture::kNew && geometry == back);
}

std::array<float, 2> Composer::messageTextOffset() const {
  if ((screen_.quakeTargets() & kQuakeWindowSprites) == 0 || (settings_.effectSkip & 1) != 0) {
    return {0, 0};
  }
  return {screen_.quake(false).offset, screen_.quake(true).offset};
}

const render::Matrix4& Composer::transformOf(std::int32_t slot, SpriteRecord& record,
                                             const Camera& camera, bool pendingScreen) {
  const float halfW = static_cast<float>(camera.target.width) / 2.0F;
  const float halfH = static_cast<float>(camera.target.height) / 2.0F;
  if (record.dirty || record.builtHalfW != halfW || record.builtHalfH != halfH) {
    const SpriteSlot& s = table_.slot(slot);
    OffsetInput in;
    in.x = record.x;
    in.y = record.y;
    in.scaleX = record.scaleX;
    in.scaleY = record.scaleY;
    in.resolutionClass = record.resolutionClass;
    in.flags = record.flags;
    in.layer = record.layer;
    if (record.layer != 0 && SpriteTable::validSlot(record.layer)) {
      const SpriteRecord* owner = table_.front(record.layer);
      in.layerOwnPixelSpace = owner != nullptr && (owner->flags & kFlagOwnPixelSpace) != 0;
    }
    // A set bit of the effect-skip setting keeps the shakes off the
    // sprites of its class (bit 1: the window layer).
    const bool windowLayer = (record.flags & kFlagWindowLayerMask) != 0;
    in.quakeSuppressed = (settings_.effectSkip & (windowLayer ? 2 : 1)) != 0;
    in.quakeX = s.quakeX.offset;
    in.quakeY = s.quakeY.offset;
    const std::int32_t targets = screen_.quakeTargets();
    in.screenQuakeOn = (targets & kQuakeScreenSprites) != 0 && (settings_.effectSkip & 1) == 0;
    in.windowQuakeOn = (targets & kQuakeWindowSprites) != 0 && (settings_.effectSkip & 2) == 0;
    in.screenQuakeX = screen_.quake(false).offset;
    in.screenQuakeY = screen_.quake(true).offset;
    in.scrollX = screen_.value(kScrollX, pendingScreen);
    in.scrollY = screen_.value(kScrollY, pendingScreen);
    in.zoomX = screen_.value(kZoomX, pendingScreen);
    in.zoomY = screen_.value(kZoomY, pendingScreen);
    in.motionRunningX = (s.motionActive & 1) != 0;
    in.motionRunningY = (s.motionActive & 2) != 0;
    in.centreX = static_cast<float>(metrics_.width) / 2.0F;
    in.centreY = static_cast<float>(metrics_.height) / 2.0F;
    in.factor = static_cast<float>(metrics_.resolutionFactor);
    in.assetScale = static_cast<float>(metrics_.assetScale);
    in.displayRatio = static_cast<float>(metrics_.displayRatio());
    const SpriteOffsets offsets = spriteOffsets(in);
    const SpriteMatrices m =
        buildSpriteMatrices(offsets, SpriteRotation{record.rotX, record.rotY, record.rotZ},
                            render::Size{record.tiles.texW, record.tiles.texH}, camera);
    record.worldMatrix = m.world;
    record.viewMatrix = m.view;
    record.projMatrix = m.projection;
    record.builtHalfW = halfW;
    record.builtHalfH = halfH;
    record.dirty = false;
  }
  transform_ = record.worldMatrix * record.viewMatrix * record.projMatrix;
  return transform_;
}

void Composer::drawRecord(std::int32_t slot, SpriteRecord& geometry, const SpriteRecord& textures,
                          const SpriteRecord* other, const Camera& camera, bool pendingScreen) {
  render::GpuDevice* device = renderer_.device();
  const bool programs = device->caps().spritePrograms;
  render::DrawCall call;
  call.transform = transformOf(slot, geometry, camera, pendingScreen);
  call.blend = blendOf(geometry.blend);
  call.filter = render::Filter::kLinear;
  if (settings_.colorBlend != 0) {
    if (geometry.colourMode == 4) call.colourOp = render::ColourOp::kModulate;
    if (geometry.colourMode == 7) call.colourOp = render::ColourOp::kAdd;
  }
  call.colourFactor = static_cast<std::uint32_t>(geometry.colour);
  const std::int32_t switching = table_.slot(slot).switching;
  bool crossFade = false;
  bool masked = false;
  if (other != nullptr && programs) {
    crossFade = true;
    call.program = render::Program::kStand;
    call.constants[0] = {static_cast<float>(switching) / 256.0F, 0, 0, 0};
    call.constants[1] = unitColour(geometry.colour);
  } else if (textures.hasMask() && programs) {
    masked = true;
    call.program = render::Program::kAlphaMask;
    const MaskConstants k =
        maskConstants(geometry.maskMode, geometry.maskValue2, geometry.maskValue1 != 0);
    call.constants[0] = {k.c0, 0, 0, 0};
    call.constants[1] = {k.c1, 0, 0, 0};
    call.constants[2] = unitColour(geometry.colour);
  }
  const std::int32_t tiles = std::min(geometry.tiles.tileCount, textures.tiles.tileCount);
  for (std::int32_t j = 0; j < tiles; ++j) {
    const auto i = static_cast<std::size_t>(j);
    call.vertices = geometry.tiles.quads[i];
    call.texture0 = textures.tileTexture[i];
    if (crossFade) {
      call.texture1 = j < other->tiles.tileCount ? other->tileTexture[i] : render::kNoTexture;
    } else if (masked) {
      call.texture1 = textures.maskTexture[i];
    }
    device->draw(call);
  }
  ++spritesDrawn_;
}

}  // namespace tsuzuri::scene
