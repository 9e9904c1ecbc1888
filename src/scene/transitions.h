#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "assets/image_cache.h"
#include "assets/image_ops_common.h"
#include "render/render_settings.h"
#include "render/renderer.h"
#include "scene/composition.h"
#include "scene/named_effects.h"
#include "scene/screen_state.h"
#include "script/error_sink.h"

namespace tsuzuri::scene {

// The frame kinds of a transition: each frame mixes the picture on screen
// (the front records) with the one the pending changes make (the back
// records).
inline constexpr std::int32_t kFramePlain = 0;
inline constexpr std::int32_t kFrameFade = 1;
inline constexpr std::int32_t kFrameNamed = 2;
inline constexpr std::int32_t kFrameStage = 3;

// The frames of transitions and of motion blur, installed as the renderer's
// frame kinds; the `effect` command runs them.
class Transitions {
 public:
  Transitions(Composer& composer, render::Renderer& renderer,
              const render::RenderSettings& settings, const ScreenState& screen,
              assets::ImageLoader& loader, assets::ImageConsole& console,
              script::ErrorSink& errors);
  ~Transitions();
  Transitions(const Transitions&) = delete;
  Transitions& operator=(const Transitions&) = delete;

  // Installs kinds 1..3, and kind 0 with its motion-blur form.
  void install();

  // A kind's preparation before its loop: kind 2 selects the named effect,
  // kind 3 loads the rule image. False (reported) when the loop is skipped.
  bool setup(std::int32_t kind, std::string_view name);
  // What a kind leaves behind after its loop.
  void finish(std::int32_t kind);
  // The edge softness of a stage transition while it loops (0 otherwise).
  void setVague(std::int32_t vague) { vague_ = vague; }
  std::int32_t vague() const { return vague_; }

  // Whether `name` is a named effect (none before the device exists).
  bool hasNamedEffect(std::string_view name) const;

  // The device is going: textures of its own are let go.
  void release();

 private:
  void fadeFrame(render::TextureId target, std::int32_t elapsed, std::int32_t duration,
                 std::int32_t easing);
  void namedFrame(render::TextureId target, std::int32_t elapsed, std::int32_t duration,
                  std::int32_t easing);
  void stageFrame(render::TextureId target, std::int32_t elapsed, std::int32_t duration,
                  std::int32_t easing);
  void blurFrame(render::TextureId target);
  // Composes a picture into a full-screen texture, from black. False
  // (reported with `error`) when the texture cannot be drawn into.
  bool composeInto(render::TextureId texture, Picture picture, const char* error);
  bool retarget(render::TextureId target, const char* error);
  // The whole render texture over the target at an offset, with `alpha`.
  void drawPicture(std::int32_t x, std::int32_t y, std::int32_t alpha);

  Composer& composer_;
  render::Renderer& renderer_;
  const render::RenderSettings& settings_;
  const ScreenState& screen_;
  assets::ImageLoader& loader_;
  assets::ImageConsole& console_;
  script::ErrorSink& errors_;
  std::int32_t vague_ = 0;
  std::optional<NamedEffect> effect_;
  std::vector<EffectStep> steps_;
  // The rule image of a stage transition as uploaded (BGRA, screen-sized),
  // and the per-frame mask of the processor form.
  std::vector<std::uint32_t> rule_;
  std::vector<std::uint32_t> stageMask_;
  // Motion blur: the picture shown last, blended with each new one.
  render::TextureId blurTexture_ = render::kNoTexture;
  render::Size blurSize_;
};

}  // namespace tsuzuri::scene
